#include "model/GxFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "model/Paths.h"

namespace {

// Bytes left before injected write failures start; negative = off.
std::atomic<long long> g_writeBudget{-1};
std::atomic<int> g_writeErr{ENOSPC};

// Temporary names as the desktop framework makes them: prefix "~Gx", a
// unique part, ".tmp".
constexpr char kTempTemplate[] = "~GxXXXXXX.tmp";
constexpr int kTempSuffixLength = 4;  // ".tmp"

}  // namespace

int CauseFromErrno(int err) {
  switch (err) {
    case 0: return kCauseNone;
    case ENOENT: return kCauseFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG: return kCauseBadPath;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kCauseAccessDenied;
    case EMFILE:
    case ENFILE: return kCauseDirectoryFull;
    case EIO: return kCauseHardIO;
    case EWOULDBLOCK: return kCauseSharingViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return kCauseDiskFull;  // a file-size limit is a quota by another name
    default: return kCauseGeneric;
  }
}

void CGxFile::SetWriteFailureAfter(long long bytes, int err) {
  g_writeErr = err;
  g_writeBudget = bytes < 0 ? -1 : bytes;
}

CGxFile::~CGxFile() { Close(); }

bool CGxFile::OnError(int cause) {
  m_lastCause = cause;
  return cause == kCauseNone;
}

bool CGxFile::Open(const std::string& path, unsigned flags, unsigned mode) {
  Close();
  if (path.empty()) return OnError(kCauseBadPath);
  int oflags = O_CLOEXEC;
  if (flags & kGxModeReadWrite)
    oflags |= O_RDWR;
  else if (flags & kGxModeWrite)
    oflags |= O_WRONLY;
  else
    oflags |= O_RDONLY;
  if (flags & kGxModeCreate) oflags |= O_CREAT;
  // A device read from would hand out endless or blocking data; written to,
  // it serves as a test seam (a full disk), so only reading refuses it, on
  // what was opened. Opening one may already do something (a tape rewinds):
  // a peek at whatever a dialog's selection lands on also looks before it
  // opens. A load the user asked for skips that look, which would cost it a
  // tenth of its time: the user named the file.
  const bool reading = !(flags & (kGxModeWrite | kGxModeReadWrite | kGxModeCreate));
  struct stat st;
  if (reading && (flags & kGxModeLookFirst) && ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) &&
      !S_ISDIR(st.st_mode))
    return FailWith(EINVAL);
  // Non-blocking only for the open itself: a named pipe would otherwise wait
  // for a writer forever.
  int fd;
  do {
    fd = ::open(path.c_str(), oflags | O_NONBLOCK, static_cast<mode_t>(mode));
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return FailWith(errno == ENXIO ? EINVAL : errno);
  const bool known = ::fstat(fd, &st) == 0;
  if (known && (S_ISDIR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) ||
                (reading && !S_ISREG(st.st_mode)))) {
    // A folder opens read-only on Linux; pipes and sockets are no files to keep data in.
    const int err = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return FailWith(err);
  }
  // Reads and writes of a regular file never block, whatever the flag says,
  // so only other files pay two more system calls to clear it.
  const bool regular = known && S_ISREG(st.st_mode);
  if (!regular) {
    if (int fl = ::fcntl(fd, F_GETFL); fl >= 0) ::fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
  }

  int lock = 0;
  if ((flags & 0x70) == kGxShareExclusive)
    lock = LOCK_EX;
  else if ((flags & 0x70) == kGxShareDenyWrite)
    lock = LOCK_SH;
  if (lock && ::flock(fd, lock | LOCK_NB) != 0) {
    int err = errno;
    ::close(fd);
    return FailWith(err == EWOULDBLOCK ? EWOULDBLOCK : err);
  }
  // Truncate only once the lock is held: a file in use elsewhere is left as it was.
  if ((flags & kGxModeCreate) && !(flags & kGxModeNoTruncate) && ::ftruncate(fd, 0) != 0) {
    int err = errno;
    ::close(fd);
    return FailWith(err);
  }
  m_fd = fd;
  m_path = path;
  // A truncated file is empty whatever the first look found.
  const bool truncated = (flags & kGxModeCreate) && !(flags & kGxModeNoTruncate);
  m_lengthAtOpen = regular ? (truncated ? 0 : static_cast<uint64_t>(st.st_size)) : kNoLength;
  return true;
}

bool CGxFile::OpenTemp(const std::string& folder, unsigned mode) {
  Close();
  static constexpr int kTries = 100;  // a clash is very unlikely; give up eventually
  int err = EEXIST;
  for (int t = 0; t < kTries && err == EEXIST; ++t) {
    const std::string name = GxTempName(folder);
    int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
    if (fd < 0) {
      err = errno == EINTR ? EEXIST : errno;
      continue;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {  // fresh file: only fails on odd file systems
      err = errno;
      ::close(fd);
      ::unlink(name.c_str());
      break;
    }
    m_fd = fd;
    m_path = name;
    return true;
  }
  return FailWith(err);
}

void CGxFile::Attach(int fd, const std::string& path) {
  Close();
  m_fd = fd;
  m_path = path;
}

int CGxFile::Release() {
  const int fd = m_fd;
  m_fd = -1;
  return fd;
}

void CGxFile::Close() {
  if (m_fd >= 0) ::close(m_fd);
  m_fd = -1;
  m_lengthAtOpen = kNoLength;
}

uint32_t CGxFile::Read(void* buffer, uint32_t count) {
  if (m_fd < 0) {
    OnError(kCauseGeneric);
    return 0;
  }
  auto* p = static_cast<uint8_t*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    ssize_t n = ::read(m_fd, p + done, count - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      FailWith(errno);
      return 0;
    }
    if (n == 0) break;  // end of file
    done += static_cast<uint32_t>(n);
  }
  return done;
}

bool CGxFile::Write(const void* buffer, uint32_t count) {
  if (m_fd < 0) return OnError(kCauseGeneric);
  const auto* p = static_cast<const uint8_t*>(buffer);
  uint32_t allowed = count;
  bool inject = false;
  long long budget = g_writeBudget.load();
  if (budget >= 0) {
    if (budget < static_cast<long long>(count)) {
      allowed = static_cast<uint32_t>(budget);
      inject = true;
    }
    g_writeBudget = budget - allowed;
  }
  uint32_t done = 0;
  while (done < allowed) {
    ssize_t n = ::write(m_fd, p + done, allowed - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return FailWith(errno);
    }
    done += static_cast<uint32_t>(n);
  }
  if (inject) return FailWith(g_writeErr.load());
  return true;
}

bool CGxFile::Seek(int64_t offset, GxSeek origin) {
  if (m_fd < 0) return OnError(kCauseGeneric);
  int whence = origin == GxSeek::kBegin ? SEEK_SET : origin == GxSeek::kCurrent ? SEEK_CUR : SEEK_END;
  if (::lseek(m_fd, static_cast<off_t>(offset), whence) < 0) return OnError(errno == EINVAL ? kCauseBadSeek : CauseFromErrno(errno));
  return true;
}

uint64_t CGxFile::ReadVector(const struct iovec* buffers, int count) {
  if (m_fd < 0) {
    OnError(kCauseGeneric);
    return 0;
  }
  std::vector<struct iovec> left(buffers, buffers + count);
  size_t first = 0;
  uint64_t done = 0;
  while (first < left.size()) {
    int n = static_cast<int>(std::min<size_t>(left.size() - first, IOV_MAX));
    ssize_t got = ::readv(m_fd, left.data() + first, n);
    if (got < 0) {
      if (errno == EINTR) continue;
      FailWith(errno);
      return 0;
    }
    if (got == 0) break;  // end of file
    done += static_cast<uint64_t>(got);
    // Skip the buffers filled completely; trim the one filled in part.
    size_t g = static_cast<size_t>(got);
    while (first < left.size() && g >= left[first].iov_len) g -= left[first++].iov_len;
    if (first < left.size()) {
      left[first].iov_base = static_cast<uint8_t*>(left[first].iov_base) + g;
      left[first].iov_len -= g;
    }
  }
  return done;
}

bool CGxFile::WriteVector(const struct iovec* buffers, int count) {
  if (m_fd < 0) return OnError(kCauseGeneric);
  if (g_writeBudget.load() >= 0) {
    // The injected failure counts bytes per Write; go through it buffer by buffer.
    for (int i = 0; i < count; ++i)
      if (!Write(buffers[i].iov_base, static_cast<uint32_t>(buffers[i].iov_len))) return false;
    return true;
  }
  std::vector<struct iovec> left(buffers, buffers + count);
  size_t first = 0;
  while (first < left.size() && left[first].iov_len == 0) ++first;
  while (first < left.size()) {
    int n = static_cast<int>(std::min<size_t>(left.size() - first, IOV_MAX));
    ssize_t put = ::writev(m_fd, left.data() + first, n);
    if (put < 0) {
      if (errno == EINTR) continue;
      return FailWith(errno);
    }
    size_t g = static_cast<size_t>(put);
    while (first < left.size() && g >= left[first].iov_len) g -= left[first++].iov_len;
    if (first < left.size()) {
      left[first].iov_base = static_cast<uint8_t*>(left[first].iov_base) + g;
      left[first].iov_len -= g;
    }
  }
  return true;
}

bool CGxFile::GetLength64(uint64_t& length) {
  length = 0;
  if (m_fd < 0) return OnError(kCauseGeneric);
  struct stat st;
  if (::fstat(m_fd, &st) != 0) return FailWith(errno);
  length = static_cast<uint64_t>(st.st_size);
  return true;
}

bool CGxFile::GetLengthAtOpen(uint64_t& length) const {
  length = m_lengthAtOpen == kNoLength ? 0 : m_lengthAtOpen;
  return m_fd >= 0 && m_lengthAtOpen != kNoLength;
}

bool CGxFile::GetLength(uint32_t& length) {
  length = 0;
  uint64_t full = 0;
  if (!GetLength64(full)) return false;
  length = static_cast<uint32_t>(full);
  return true;
}

bool CGxFile::Flush() {
  if (m_fd < 0) return OnError(kCauseGeneric);
  if (::fsync(m_fd) != 0) return FailWith(errno);
  return true;
}

std::string GxTempName(const std::string& folder) {
  static constexpr char kChars[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::random_device rd;
  std::mt19937_64 rng((static_cast<uint64_t>(rd()) << 32) ^ rd() ^ static_cast<uint64_t>(::getpid()));
  std::string name = (folder.empty() ? std::string(".") : folder) + "/~Gx";
  for (int i = 0; i < 6; ++i) name += kChars[rng() % (sizeof kChars - 1)];
  return name + ".tmp";
}

bool GetGxTempFileName(std::string& path) {
  std::string folder = PrivateScratchFolder();
  if (folder.empty()) return false;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  std::string tmpl = folder + "/" + kTempTemplate;
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = ::mkostemps(name.data(), kTempSuffixLength, O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  path = name.data();
  return true;
}
