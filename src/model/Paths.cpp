#include "model/Paths.h"

#include <unistd.h>

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

std::string GetUserDataFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  std::string base = data && *data ? data : std::string(home && *home ? home : "/tmp") + "/.local/share";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  std::error_code ec;
  fs::create_directories(base, ec);
  // Company folder, then the application's folder inside it.
  std::string folder = base;
  for (const char* sub : {"KORVANTE", "XAMU"}) {
    folder += "/";
    folder += sub;
    if (!fs::is_directory(folder, ec)) fs::create_directory(folder, ec);
    if (!fs::is_directory(folder, ec)) return GetProgramFolder();
  }
  return folder;
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
