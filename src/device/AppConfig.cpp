#include "device/AppConfig.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "device/IniFile.h"
#include "device/SimSpooler.h"
#include "model/Category.h"
#include "model/Paths.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kModelTableFile = "printers.ini";
constexpr const char* kCompanyFolder = "KORVANTE";
constexpr const char* kAppFolder = "XAMU";

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

std::string HomeFolder() { return EnvOr("HOME", "/tmp"); }

std::string StripSlash(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

bool MakeFolder(const std::string& path) {
  std::error_code ec;
  if (fs::is_directory(path, ec)) return true;
  fs::create_directory(path, ec);
  return fs::is_directory(path, ec);
}

}  // namespace

std::string GetUserDataFolder() {
  std::string base = StripSlash(EnvOr("XDG_DATA_HOME", HomeFolder() + "/.local/share"));
  std::error_code ec;
  fs::create_directories(base, ec);
  std::string company = base + "/" + kCompanyFolder;
  if (!MakeFolder(company)) return GetProgramFolder();
  std::string app = company + "/" + kAppFolder;
  if (!MakeFolder(app)) return GetProgramFolder();
  return app;
}

CAppConfig::CAppConfig() {
  ResetDeviceLimits();
  // "sim" is the only spooler so far; any other name falls back to it.
  m_spooler = std::make_unique<CSimSpooler>();
  m_programFolder = GetProgramFolder();
}

CAppConfig::~CAppConfig() = default;

bool CAppConfig::Init() {
  m_programFolder = GetProgramFolder();
  LoadModelTable(m_programFolder + "/" + kModelTableFile);
  m_userDataFolder = GetUserDataFolder();
  return LoadBridge();
}

int CAppConfig::LoadModelTable(const std::string& path) {
  m_models.clear();
  CIniFile ini;
  ini.Load(path);
  for (const std::string& section : ini.Sections()) {
    QUILPMODELINFO model;
    model.name = section;
    model.driver = ini.GetString(section, "driver");
    model.filename = ini.GetString(section, "filename");
    model.glyph = ini.GetInt(section, "glyph", -1);
    m_models.push_back(std::move(model));
  }
  return static_cast<int>(m_models.size());
}

bool CAppConfig::LoadBridge() { return m_bridge.Load(GetBridgeLibraryPath()); }

bool CAppConfig::IsSupportedPrinter(const std::string& printer) {
  std::vector<uint8_t> settings;
  if (!m_spooler->GetDriverPrivate(printer, settings) || settings.size() < kMinDriverPrivate) return false;
  // The text must end within the block and equal the maker's text as a whole.
  const auto* text = reinterpret_cast<const char*>(settings.data());
  size_t len = strnlen(text, settings.size());
  return len < settings.size() && std::strcmp(text, kDriverSignature) == 0;
}

bool CAppConfig::IsConnected(const std::string& printer) {
  intptr_t handle = m_spooler->OpenPrinter(printer);
  if (!handle) return false;
  // A printer busy with jobs (or whose queue cannot be read) is certainly
  // there; otherwise the library must see it answer.
  int jobs = m_spooler->QueuedJobs(handle);
  m_spooler->ClosePrinter(handle);
  if (jobs != 0) return true;
  int32_t status = 0;
  return m_bridge.IsLoaded() && m_bridge.CheckConnect(printer, status) != 0 && status != 0;
}

int CAppConfig::CheckPrinters() {
  std::vector<SPOOLERPRINTER> printers;
  if (!m_spooler->EnumPrinters(printers)) printers.clear();
  int found = 0, connected = 0;
  for (const SPOOLERPRINTER& p : printers) {
    for (QUILPMODELINFO& model : m_models) {
      // A section without a driver name matches no printer.
      if (model.driver.empty() || !EqualNoCase(p.driver, model.driver)) continue;
      if (IsSupportedPrinter(p.name)) {
        ++found;
        model.printer = p.name;
        if (IsConnected(p.name)) {
          ++connected;
          m_driverName = p.driver;
          m_printerName = p.name;
          m_modelFileName = model.filename;
        }
      }
      break;
    }
  }
  if (found == 0) return kScanNoPrinter;
  if (connected >= 2) return kScanSeveral;
  return kScanOk;
}

bool CAppConfig::GetCurrentModelInfo(QUILPMODELINFO& out) const {
  for (const QUILPMODELINFO& model : m_models)
    if (!m_driverName.empty() && EqualNoCase(model.driver, m_driverName)) {
      out = model;
      return true;
    }
  out = QUILPMODELINFO{};
  return false;
}

std::string CAppConfig::GetDataFolder(bool byCategory) const {
  std::string home = EnvOr("XAMU_DATA_HOME", "");
  if (home.empty()) home = EnvOr("XDG_DOCUMENTS_DIR", HomeFolder() + "/Documents") + "/XAMU";
  home = StripSlash(home);
  const char* sub = "DATA";
  if (byCategory && m_category == kCatAddress) sub = "Adrsdata";
  if (byCategory && m_category == kCatName) sub = "Namedata";
  std::string folder = home + "/" + sub;
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder;
}

void CAppConfig::SetCategory(int category) {
  if (category >= 0 && category < kCategoryCount) m_category = category;
}

int CAppConfig::DeviceLimit(int category) const {
  return category >= 0 && category < kCategoryCount ? m_limits[static_cast<size_t>(category)] : 0;
}

void CAppConfig::ResetDeviceLimits() {
  for (int c = 0; c < kCategoryCount; ++c) m_limits[static_cast<size_t>(c)] = CategorySlotCount(c);
}

void CAppConfig::LowerDeviceLimit(int slot) {
  int& limit = m_limits[static_cast<size_t>(m_category)];
  limit = std::min(limit, slot);
}

void CAppConfig::SetSpooler(std::unique_ptr<CSpooler> spooler) {
  if (spooler) m_spooler = std::move(spooler);
}
