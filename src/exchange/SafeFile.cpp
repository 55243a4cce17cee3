#include "exchange/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "model/FileIO.h"
#include "model/FileResult.h"
#include "model/Paths.h"
#include "model/SafeSave.h"

namespace {

// A workbook the converter wrote is read whole before it replaces the
// target; anything larger is no workbook of ours.
constexpr size_t kMaxStagedBytes = size_t{1} << 30;

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
  if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
    // A folder the user may not create files in: the workbook is staged
    // where only the user can enter (never a shared temporary folder, where
    // another user could see or swap it) and copied into the target when
    // complete.
    const std::string own = PrivateScratchFolder();
    if (own.empty()) return {};
    name = own + "/.~Gx" + stem + ".XXXXXX" + suffix;
    if (name.size() >= PATH_MAX) return {};
    buf.assign(name.begin(), name.end());
    buf.push_back('\0');
    fd = mkstemps(buf.data(), static_cast<int>(suffix.size()));
  }
  if (fd < 0) return {};
  close(fd);
  return std::string(buf.data());
}

bool ReplaceWithTemp(const std::string& temp, const std::string& path, bool ownerWritable) {
  int in = open(temp.c_str(), O_RDONLY | O_CLOEXEC);
  bool ok = false;
  if (in >= 0) {
    std::vector<uint8_t> bytes;
    CSafeSave save({.durable = true, .ownerWritable = ownerWritable});
    ok = ReadWhole(in, bytes, kMaxStagedBytes) && save.Begin(path) == kFileOk &&
         save.Out().Write(bytes.data(), static_cast<uint32_t>(bytes.size())) && save.Commit() == kFileOk;
    close(in);
  }
  unlink(temp.c_str());
  return ok;
}

bool WriteFileReplacing(const std::string& path, std::string_view bytes, bool ownerWritable, bool durable) {
  if (bytes.size() > UINT32_MAX) return false;
  CSafeSave save({.durable = durable, .ownerWritable = ownerWritable, .tidyFolder = durable});
  if (save.Begin(path) != kFileOk) return false;
  if (!save.Out().Write(bytes.data(), static_cast<uint32_t>(bytes.size()))) return false;  // the old file stays
  return save.Commit() == kFileOk;
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
