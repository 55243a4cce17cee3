#include "model/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string GetProgramFolder() {
  if (const char* env = std::getenv("XAMU_PROGRAM_DIR"); env && *env) {
    std::string s = env;
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
  }
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "/usr/share/xamu";
  return (exe.parent_path().parent_path() / "share" / "xamu").string();
}

std::string PrivateDataFolder() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home == '/') {
    base = std::string(home) + "/.local/share";
  } else {
    // No guessing at a shared folder such as /tmp: another user could have
    // made the folder there first.
    return "";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::error_code ec;
  fs::create_directories(base, ec);
  // Company folder, then the application's folder inside it.
  std::string path = base;
  for (const char* part : {"KORVANTE", "XAMU"}) {
    path += "/";
    path += part;
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return "";
  }
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return "";
  return path;
}

std::string PrivateRuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat st {};
  if (!runtime || runtime[0] != '/' || ::stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
      (st.st_mode & 077) != 0)
    return "";
  return runtime;
}

std::string PrivateScratchFolder() {
  std::string folder = PrivateRuntimeFolder();
  return folder.empty() ? PrivateDataFolder() : folder;
}

std::string GetUserDataFolder() {
  const std::string folder = PrivateDataFolder();
  return folder.empty() ? GetProgramFolder() : folder;
}

std::string FolderOf(const std::string& path) {
  size_t pos = path.rfind('/');
  return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

std::string FileNameOf(const std::string& path) {
  size_t pos = path.rfind('/');
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string MakeAbsolute(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  fs::path p = fs::absolute(path, ec);
  return ec ? path : p.lexically_normal().string();
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ea, eb;
  fs::path ca = fs::weakly_canonical(a, ea), cb = fs::weakly_canonical(b, eb);
  if (!ea && !eb) return ca == cb;
  return MakeAbsolute(a) == MakeAbsolute(b);
}
