#include "device/SimSpooler.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "device/IniFile.h"
#include "model/Paths.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kSpoolerIni = "spooler.ini";
constexpr const char* kDefaultSimIni = "printer-sim.ini";
// A device-settings block shorter than this cannot carry the maker's driver
// text where the printer scan looks for it.
constexpr int kDefaultPrivateSize = 56;
// Keeps a bad "private_size" from asking for gigabytes.
constexpr int kMaxPrivateSize = 4096;

}  // namespace

std::string GetSimFolder(const std::string& userDataFolder) {
  if (const char* env = std::getenv("XAMU_SIM_DIR"); env && *env) {
    std::string s = env;
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s;
  }
  return userDataFolder + "/printer-sim";
}

std::string EnsureSimSpoolerIni(const std::string& userDataFolder) {
  std::string folder = GetSimFolder(userDataFolder);
  std::string path = folder + "/" + kSpoolerIni;
  std::error_code ec;
  if (fs::exists(path, ec)) return path;
  fs::create_directories(folder, ec);
  fs::copy_file(GetProgramFolder() + "/" + kDefaultSimIni, path, fs::copy_options::skip_existing, ec);
  return fs::exists(path, ec) ? path : std::string();
}

CIniFile CSimSpooler::ReadSpoolerIni() {
  CIniFile ini;
  std::string path = EnsureSimSpoolerIni(m_userDataFolder);
  m_problem.clear();
  if (path.empty())
    m_problem = "no " + GetSimFolder(m_userDataFolder) + "/" + kSpoolerIni;
  else if (!ini.Load(path))
    m_problem = path + " cannot be read";
  return ini;
}

bool CSimSpooler::EnumPrinters(std::vector<SPOOLERPRINTER>& printers) {
  printers.clear();
  CIniFile ini = ReadSpoolerIni();
  for (const std::string& name : ini.Sections()) printers.push_back({name, ini.GetString(name, "driver")});
  return true;
}

bool CSimSpooler::GetDriverPrivate(const std::string& printer, std::vector<uint8_t>& bytes) {
  CIniFile ini = ReadSpoolerIni();
  if (!ini.HasSection(printer)) {
    if (m_problem.empty()) m_problem = "no section [" + printer + "] in spooler.ini";
    return false;
  }
  std::string text = ini.GetString(printer, "private");
  int size = ini.GetInt(printer, "private_size", kDefaultPrivateSize);
  if (size < 0) size = 0;
  if (size > kMaxPrivateSize) size = kMaxPrivateSize;
  bytes.assign(static_cast<size_t>(size), 0);
  for (size_t i = 0; i < text.size() && i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(text[i]);
  return true;
}

intptr_t CSimSpooler::OpenPrinter(const std::string& printer) {
  CIniFile ini = ReadSpoolerIni();
  if (!ini.HasSection(printer)) return 0;
  intptr_t handle = m_next++;
  m_open[handle] = printer;
  return handle;
}

int CSimSpooler::QueuedJobs(intptr_t handle) {
  auto it = m_open.find(handle);
  if (it == m_open.end()) return -1;
  CIniFile ini = ReadSpoolerIni();
  int jobs = ini.GetInt(it->second, "jobs", 0);
  return jobs < 0 ? -1 : jobs;
}

void CSimSpooler::ClosePrinter(intptr_t handle) { m_open.erase(handle); }
