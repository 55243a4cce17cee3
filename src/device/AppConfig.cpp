#include "device/AppConfig.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "device/CupsSpooler.h"
#include "device/IniFile.h"
#include "device/SimSpooler.h"
#include "model/Category.h"
#include "model/Paths.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kModelTableFile = "printers.ini";

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : fallback;
}

// The user's home: $HOME, else the one the password database gives the
// user. Never a shared folder such as /tmp, where another user could have
// made the data folders first; the program folder when there is no home.
std::string HomeFolder() {
  std::string home = EnvOr("HOME", "");
  if (!home.empty()) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  return GetProgramFolder();
}

std::string StripSlash(std::string s) {
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s;
}

// Lists nothing: the spooler of a configuration whose spooler name is wrong.
class CNoSpooler : public CSpooler {
 public:
  explicit CNoSpooler(std::string why) : m_why(std::move(why)) {}
  bool EnumPrinters(std::vector<SPOOLERPRINTER>& printers) override {
    printers.clear();
    return false;
  }
  bool GetDriverPrivate(const std::string&, std::vector<uint8_t>&) override { return false; }
  intptr_t OpenPrinter(const std::string&) override { return 0; }
  int QueuedJobs(intptr_t) override { return -1; }
  void ClosePrinter(intptr_t) override {}
  std::string Problem() const override { return m_why; }

 private:
  std::string m_why;
};

}  // namespace

CAppConfig::CAppConfig() {
  ResetDeviceLimits();
  m_programFolder = GetProgramFolder();
}

CAppConfig::~CAppConfig() = default;

bool CAppConfig::Init() {
  m_programFolder = GetProgramFolder();
  LoadModelTable(m_programFolder + "/" + kModelTableFile);
  m_userDataFolder = GetUserDataFolder();
  if (!m_callerSpooler) ChooseSpooler();
  return LoadBridge();
}

void CAppConfig::SetDriverFolder(const std::string& folder) { m_driverFolder = StripSlash(folder); }

std::string CAppConfig::DriverFolder() const {
  if (!m_driverFolder.empty()) return m_driverFolder;
  return GetDriverFolder();
}

void CAppConfig::ChooseSpooler() {
  m_spoolerError.clear();
  std::string name = EnvOr("XAMU_SPOOLER", "");
  if (name.empty()) name = SamePath(DriverFolder(), GetProgramFolder() + "/drivers") ? kSpoolerSim : kSpoolerCups;
  if (name == kSpoolerSim) {
    m_spooler = std::make_unique<CSimSpooler>(m_userDataFolder.empty() ? GetUserDataFolder() : m_userDataFolder);
  } else if (name == kSpoolerCups) {
    // PPD copies go where only the user can enter: the runtime folder when it
    // is private, else the per-user data folder.
    std::string temp = PrivateRuntimeFolder();
    if (temp.empty()) temp = m_userDataFolder.empty() ? GetUserDataFolder() : m_userDataFolder;
    m_spooler = std::make_unique<CCupsSpooler>(temp);
  } else {
    std::string message = kMsgBadSpooler;
    message.replace(message.find("%s"), 2, name);
    m_spoolerError = message;
    m_spooler = std::make_unique<CNoSpooler>("XAMU_SPOOLER=" + name + " names no spooler");
    name.clear();
  }
  m_spoolerName = name;
}

CSpooler& CAppConfig::Spooler() {
  if (!m_spooler) ChooseSpooler();
  return *m_spooler;
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

bool CAppConfig::LoadBridge() { return m_bridge.Load(BridgePath(), m_bridgeError); }

bool CAppConfig::IsSupportedPrinter(const std::string& printer, std::string& refusal) {
  std::vector<uint8_t> settings;
  if (!Spooler().GetDriverPrivate(printer, settings)) {
    refusal = Spooler().Problem();
    if (refusal.empty()) refusal = "no driver-private settings";
    return false;
  }
  if (settings.size() < kMinDriverPrivate) {
    refusal = "driver-private settings too short";
    return false;
  }
  // The text must end within the block and equal the maker's text as a whole.
  const auto* text = reinterpret_cast<const char*>(settings.data());
  size_t len = strnlen(text, settings.size());
  if (len < settings.size() && std::strcmp(text, kDriverSignature) == 0) return true;
  refusal = "not the maker's driver text";
  return false;
}

bool CAppConfig::IsConnected(const std::string& printer, int& jobs) {
  jobs = kJobsNotAsked;
  intptr_t handle = Spooler().OpenPrinter(printer);
  if (!handle) return false;
  // A printer busy with jobs (or whose queue cannot be read) is certainly
  // there; otherwise the library must see it answer.
  jobs = Spooler().QueuedJobs(handle);
  Spooler().ClosePrinter(handle);
  if (jobs != 0) return true;
  int32_t status = 0;
  return m_bridge.IsLoaded() && m_bridge.CheckConnect(printer, status) != 0 && status != 0;
}

int CAppConfig::CheckPrinters() {
  std::vector<SPOOLERPRINTER> printers;
  m_scan.clear();
  m_scanListed = Spooler().EnumPrinters(printers);
  m_scanProblem = m_scanListed ? std::string() : Spooler().Problem();
  if (!m_scanListed) printers.clear();
  int found = 0, connected = 0;
  for (const SPOOLERPRINTER& p : printers) {
    SCANNEDPRINTER seen;
    seen.name = p.name;
    seen.driver = p.driver;
    seen.refusal = "unknown driver";
    for (QUILPMODELINFO& model : m_models) {
      // A section without a driver name matches no printer.
      if (model.driver.empty() || !EqualNoCase(p.driver, model.driver)) continue;
      seen.model = model.name;
      seen.refusal.clear();
      if (IsSupportedPrinter(p.name, seen.refusal)) {
        seen.accepted = true;
        ++found;
        model.printer = p.name;
        if (IsConnected(p.name, seen.jobs)) {
          seen.connected = true;
          ++connected;
          m_driverName = p.driver;
          m_printerName = p.name;
          m_modelFileName = model.filename;
        }
      }
      break;
    }
    m_scan.push_back(std::move(seen));
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
  if (!spooler) return;
  m_spooler = std::move(spooler);
  m_callerSpooler = true;
  m_spoolerName.clear();
  m_spoolerError.clear();
}
