#include "model/SafeSave.h"

#include <acl/libacl.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/acl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "model/FileIO.h"
#include "model/FileResult.h"
#include "model/Paths.h"

namespace {

std::atomic<bool> g_unnamedRefused{false};
std::atomic<bool> g_tempRefused{false};

constexpr char kTempPrefix[] = "~Gx";
constexpr char kTempSuffix[] = ".tmp";
constexpr char kBackupSuffix[] = ".bak";
// Part of the target's name keeps a safety copy recognisable; all of it
// could make the name too long for the folder.
constexpr size_t kBackupNamePart = 64;
constexpr size_t kCopyChunk = 1 << 16;

std::string FolderOrDot(const std::string& target) {
  std::string folder = FolderOf(target);
  if (folder.empty()) return target.starts_with('/') ? "/" : ".";
  return folder;
}

bool IsTempName(const char* name) {
  const size_t n = std::strlen(name);
  return n > 7 && std::strncmp(name, kTempPrefix, 3) == 0 && std::strcmp(name + n - 4, kTempSuffix) == 0;
}

// A "~Gx*.tmp" of ours that no process holds locked is what a killed save
// left behind. Files of other users and links are never touched. The lock
// is taken on the very file the name still shows, so a save that has just
// made its temporary file (and locks it next) loses nothing: it finds its
// file unlinked and makes another.
void RemoveStaleTemps(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* d = ::readdir(dir)) {
    if (!IsTempName(d->d_name)) continue;
    const int fd = ::openat(::dirfd(dir), d->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {}, now {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstatat(::dirfd(dir), d->d_name, &now, AT_SYMLINK_NOFOLLOW) == 0 &&
        now.st_ino == st.st_ino && now.st_dev == st.st_dev)
      ::unlinkat(::dirfd(dir), d->d_name, 0);
    ::close(fd);
  }
  ::closedir(dir);
}

// Copies every byte of `from` (from its start) to `to` at its current
// position; false on any failure, errno kept.
bool CopyBytes(int from, int to, uint64_t size) {
  std::vector<uint8_t> buf(kCopyChunk);
  uint64_t at = 0;
  while (at < size) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kCopyChunk, size - at));
    ssize_t n = ::pread(from, buf.data(), want, static_cast<off_t>(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;  // the file shrank under us
      return false;
    }
    if (!WriteAll(to, buf.data(), static_cast<size_t>(n))) return false;
    at += static_cast<uint64_t>(n);
  }
  return true;
}

// True when both descriptors hold the same `size` bytes from their start.
bool SameBytes(int a, int b, uint64_t size) {
  std::vector<uint8_t> x(kCopyChunk), y(kCopyChunk);
  for (uint64_t at = 0; at < size;) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(kCopyChunk, size - at));
    if (::pread(a, x.data(), want, static_cast<off_t>(at)) != static_cast<ssize_t>(want)) return false;
    if (::pread(b, y.data(), want, static_cast<off_t>(at)) != static_cast<ssize_t>(want)) return false;
    if (std::memcmp(x.data(), y.data(), want) != 0) return false;
    at += want;
  }
  return true;
}

// The result a failure's cause gives; a failure without one is still a failure.
int ResultOf(int cause) {
  const int result = CauseToResult(cause);
  return result != kFileOk ? result : kFileAccessError;
}

bool IsNotSupported(int err) { return err == ENOTSUP || err == EOPNOTSUPP || err == ENOSYS; }

}  // namespace

void CSafeSave::SetUnnamedTempRefused(bool refused) { g_unnamedRefused = refused; }
void CSafeSave::SetTempRefused(bool refused) { g_tempRefused = refused; }

CSafeSave::CSafeSave(SAFESAVEOPTIONS options) : m_options(options) {}

CSafeSave::~CSafeSave() { Abandon(); }

int CSafeSave::Begin(const std::string& path) {
  Abandon();
  // A symbolic link stays a link: the file it points to is replaced.
  m_target = path;
  if (char* real = ::realpath(path.c_str(), nullptr)) {
    m_target = real;
    std::free(real);
  }
  // Read access is needed only for the safety copy of an in-place save; a
  // write-only file can still be replaced.
  if (!m_lock.Open(m_target, kGxModeReadWrite | kGxShareExclusive) &&
      (m_lock.GetLastCause() != kCauseAccessDenied || !m_lock.Open(m_target, kGxModeWrite | kGxShareExclusive))) {
    if (m_lock.GetLastCause() != kCauseFileNotFound) return kFileNotOpened;
  }
  m_existed = m_lock.IsOpen();
  nlink_t links = 0;
  if (m_existed) {
    struct stat st {};
    // A device is no data file: replacing its name would take it away.
    if (::fstat(m_lock.Descriptor(), &st) != 0 || !S_ISREG(st.st_mode)) {
      m_lock.Close();
      return kFileNotOpened;
    }
    m_oldUid = st.st_uid;
    m_oldGid = st.st_gid;
    m_oldMode = st.st_mode & 07777;
    m_oldSize = static_cast<uint64_t>(st.st_size);
    links = st.st_nlink;
  }
  m_active = true;
  // Another name of the same file must see the new content too.
  if (links > 1) return StartInPlace();
  if (m_options.tidyFolder) RemoveStaleTemps(FolderOrDot(m_target));
  const int err = OpenTemp();
  if (err != 0) {
    // A folder the user may not create files in, with a file the user may
    // write: the file itself takes the content.
    if (m_existed && (err == EACCES || err == EPERM)) return StartInPlace();
    Abandon();
    return kFileNotOpened;
  }
  if (m_existed && !CopyMetadata()) {
    DropTemp();
    return StartInPlace();
  }
  return kFileOk;
}

// 0 or the errno of the failure.
int CSafeSave::OpenTemp() {
  if (g_tempRefused) return EACCES;
  const std::string folder = FolderOrDot(m_target);
  // A new file is made with 0666 so that the umask and the folder's default
  // ACL apply as they would to any new file; a replacement gets the old
  // file's mode and ACL copied and is private until then.
  const mode_t mode = m_existed ? 0600 : 0666;
  if (!g_unnamedRefused && ::access("/proc/self/fd", X_OK) == 0) {
    int fd;
    do {
      fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      // Locked from the start: once it is given a name, just before the
      // rename, the clean-up of another save must leave it alone.
      ::flock(fd, LOCK_EX | LOCK_NB);
      m_out.Attach(fd, "");
      m_unnamed = true;
      return 0;
    }
    if (errno == EACCES || errno == EPERM || errno == EROFS || errno == ENOSPC || errno == EDQUOT) return errno;
    // Any other refusal (a file system without O_TMPFILE): a named file.
  }
  for (int tries = 0; tries < 100; ++tries) {
    const std::string name = GxTempName(folder);
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST || errno == EINTR) continue;
      return errno;
    }
    // Locked before anything is written, so the next save's clean-up leaves
    // it alone; if that clean-up took it between open and lock, try again.
    struct stat st {};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
      ::close(fd);
      continue;
    }
    m_out.Attach(fd, name);
    m_unnamed = false;
    return 0;
  }
  return EEXIST;
}

// The old file's owner, mode, ACL and extended attributes onto the new one.
// False when something that matters cannot be carried over; the content then
// goes in place, where nothing is lost.
bool CSafeSave::CopyMetadata() {
  const int from = m_lock.Descriptor(), to = m_out.Descriptor();
  struct stat mine {};
  if (::fstat(to, &mine) != 0) return false;
  if ((mine.st_uid != m_oldUid || mine.st_gid != m_oldGid) && ::fchown(to, m_oldUid, m_oldGid) != 0) return false;
  if (::fchmod(to, m_oldMode | (m_options.ownerWritable ? S_IWUSR : 0)) != 0) return false;

  // The access ACL, when the old file has more than its mode bits.
  if (acl_t acl = ::acl_get_fd(from)) {
    const bool extended = ::acl_equiv_mode(acl, nullptr) == 1;
    const bool ok = !extended || ::acl_set_fd(to, acl) == 0;
    ::acl_free(acl);
    if (!ok) return false;
    // Setting the ACL sets the group bits from its mask; the owner's write
    // bit asked for must survive that.
    if (extended && m_options.ownerWritable) ::fchmod(to, m_oldMode | S_IWUSR);
  } else if (!IsNotSupported(errno)) {
    return false;
  }

  ssize_t listSize = ::flistxattr(from, nullptr, 0);
  if (listSize < 0) return IsNotSupported(errno);
  std::vector<char> names(static_cast<size_t>(listSize) + 1);
  listSize = ::flistxattr(from, names.data(), names.size());
  if (listSize < 0) return false;
  std::vector<char> value;
  for (ssize_t at = 0; at < listSize;) {
    const char* name = names.data() + at;
    at += static_cast<ssize_t>(std::strlen(name)) + 1;
    if (std::strncmp(name, "system.posix_acl_", 17) == 0) continue;  // done above
    // The user's own attributes must come along; the system labels a new
    // file itself where a security or trusted attribute cannot be copied.
    const bool mustCopy = std::strncmp(name, "user.", 5) == 0;
    ssize_t n = ::fgetxattr(from, name, nullptr, 0);
    if (n >= 0) {
      value.resize(static_cast<size_t>(n) + 1);
      n = ::fgetxattr(from, name, value.data(), value.size());
    }
    if (n < 0 || ::fsetxattr(to, name, value.data(), static_cast<size_t>(n), 0) != 0) {
      if (mustCopy) return false;
    }
  }
  return true;
}

void CSafeSave::DropTemp() {
  if (!m_unnamed && !m_inPlace && !m_out.FilePath().empty()) ::unlink(m_out.FilePath().c_str());
  m_out.Close();
  m_unnamed = false;
}

int CSafeSave::StartInPlace() {
  m_inPlace = true;
  if (!MakeBackup(FolderOrDot(m_target))) {
    int err = errno;
    bool made = false;
    if (err == EACCES || err == EPERM || err == EROFS) {
      const std::string own = PrivateDataFolder();
      made = !own.empty() && MakeBackup(own);
      if (!made && !own.empty()) err = errno;
    }
    if (!made) {
      // Without a safety copy the file is not touched.
      m_inPlace = false;
      Abandon();
      const int cause = CauseFromErrno(err);
      return cause == kCauseAccessDenied ? kFileNotOpened : ResultOf(cause);
    }
  }
  // A second handle without a lock of its own: ours is held by m_lock.
  if (!m_out.Open(m_target, kGxModeWrite | kGxShareDenyNone)) {
    Abandon();
    return kFileNotOpened;
  }
  return kFileOk;
}

// A verified copy of the old content in `folder`; false (errno set, nothing
// left behind) when it cannot be made.
bool CSafeSave::MakeBackup(const std::string& folder) {
  int from = ::open(m_target.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (from < 0) return false;
  std::string name = folder + "/" + kTempPrefix + FileNameOf(m_target).substr(0, kBackupNamePart) + ".XXXXXX" +
                     kBackupSuffix;
  const int fd = ::mkostemps(name.data(), static_cast<int>(sizeof kBackupSuffix - 1), O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    ::close(from);
    errno = err;
    return false;
  }
  bool ok = CopyBytes(from, fd, m_oldSize) && ::fsync(fd) == 0 && SameBytes(from, fd, m_oldSize);
  if (ok) {
    // Until the new content is on the disk, the copy must survive a crash too.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  const int err = ok ? 0 : (errno ? errno : EIO);
  ::close(fd);
  ::close(from);
  if (!ok) {
    ::unlink(name.c_str());
    errno = err;
    return false;
  }
  m_backup = name;
  return true;
}

bool CSafeSave::RestoreFromBackup() {
  int from = ::open(m_backup.c_str(), O_RDONLY | O_CLOEXEC);
  if (from < 0) return false;
  const int to = m_out.IsOpen() ? m_out.Descriptor() : m_lock.Descriptor();
  bool ok = ::lseek(to, 0, SEEK_SET) == 0 && CopyBytes(from, to, m_oldSize) &&
            ::ftruncate(to, static_cast<off_t>(m_oldSize)) == 0 && ::fsync(to) == 0;
  ::close(from);
  return ok;
}

int CSafeSave::Commit() {
  if (!m_active || !m_out.IsOpen()) return kFileAccessError;
  if (m_inPlace) {
    const off_t end = ::lseek(m_out.Descriptor(), 0, SEEK_CUR);
    int err = 0;
    if (end < 0 || ::ftruncate(m_out.Descriptor(), end) != 0 || (m_options.durable && ::fsync(m_out.Descriptor()) != 0))
      err = errno;
    if (err == 0 && m_options.ownerWritable) ::fchmod(m_out.Descriptor(), m_oldMode | S_IWUSR);
    if (err != 0) {
      Abandon();  // puts the old content back
      return ResultOf(CauseFromErrno(err));
    }
    // The new content is on the disk: the copy has done its work.
    ::unlink(m_backup.c_str());
    m_backup.clear();
  } else {
    int result = kFileOk;
    if (m_options.durable && !m_out.Flush()) {
      result = ResultOf(m_out.GetLastCause());
      Abandon();
      return result;
    }
    std::string named = m_out.FilePath();
    if (m_unnamed) {
      // The unnamed file gets a name only now, complete and still locked, so
      // nothing but the rename remains between it and the target.
      const std::string proc = "/proc/self/fd/" + std::to_string(m_out.Descriptor());
      const std::string folder = FolderOrDot(m_target);
      int err = EEXIST;
      for (int tries = 0; tries < 100 && err == EEXIST; ++tries) {
        named = GxTempName(folder);
        err = ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, named.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
      }
      if (err != 0) {
        Abandon();
        return ResultOf(CauseFromErrno(err));
      }
      m_unnamed = false;
      m_out.Attach(m_out.Release(), named);
    }
    if (::rename(named.c_str(), m_target.c_str()) != 0) {
      result = ResultOf(CauseFromErrno(errno));
      Abandon();
      return result;
    }
    // The folder is not synced: after a crash the name holds either the old
    // file or the complete new one, which is all a save has to promise.
  }
  m_out.Close();
  m_lock.Close();
  m_active = false;
  return kFileOk;
}

void CSafeSave::Abandon() {
  if (m_active) {
    if (m_inPlace) {
      // The copy is kept whenever the old content could not be put back.
      if (!m_backup.empty() && RestoreFromBackup()) {
        ::unlink(m_backup.c_str());
        m_backup.clear();
      }
    } else {
      DropTemp();
    }
  }
  m_out.Close();
  m_lock.Close();
  m_active = false;
  m_inPlace = false;
  m_unnamed = false;
}
