#include "exchange/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "model/Paths.h"

namespace {

// The file a path names, following a symbolic link to an existing target.
std::string ResolveTarget(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = realpath(path.c_str(), nullptr)) {
      std::string r = real;
      std::free(real);
      return r;
    }
  }
  return path;
}

mode_t DefaultNewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::string CreateSiblingTemp(const std::string& path, const std::string& suffix) {
  std::string target = ResolveTarget(path);
  std::string folder = FolderOf(target);
  // Part of the target's name keeps the file recognisable; all of it could
  // make the temporary name too long for the folder.
  constexpr size_t kNamePart = 64;
  std::string stem = FileNameOf(target);
  if (stem.size() > kNamePart) stem.resize(kNamePart);  // bytes only: the name is never shown
  // "/x.csv" has the folder "" (the root); "x.csv" the current folder.
  if (folder.empty() && !target.starts_with('/')) folder.push_back('.');
  std::string name = folder + "/.~Gx" + stem + ".XXXXXX" + suffix;
  if (name.size() >= PATH_MAX) return {};
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back('\0');
  int fd = mkstemps(buf.data(), static_cast<int>(suffix.size()));
  if (fd < 0) return {};
  close(fd);
  return std::string(buf.data());
}

bool ReplaceWithTemp(const std::string& temp, const std::string& path, bool ownerWritable) {
  std::string target = ResolveTarget(path);
  struct stat st {};
  mode_t mode = stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : DefaultNewFileMode();
  if (ownerWritable) mode |= S_IWUSR;
  chmod(temp.c_str(), mode);
  if (rename(temp.c_str(), target.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  return true;
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes, bool ownerWritable, bool durable) {
  std::string temp = CreateSiblingTemp(path, "");
  if (temp.empty()) return false;
  int fd = open(temp.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  bool ok = fd >= 0 && WriteAll(fd, bytes) && (!durable || fsync(fd) == 0);
  if (fd >= 0 && close(fd) != 0) ok = false;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  return ReplaceWithTemp(temp, path, ownerWritable);
}

bool WriteScratchFile(const std::string& path, std::string_view bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, bytes);
  return close(fd) == 0 && ok;
}


bool IsReadOnlyFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}
