#pragma once
#include <map>
#include <string>

#include "device/IniFile.h"
#include "device/Spooler.h"

// The emulated printer's folder: $XAMU_SIM_DIR, else
// <per-user data folder>/printer-sim. No trailing '/'.
std::string GetSimFolder(const std::string& userDataFolder);
// <sim folder>/spooler.ini, copied from the program folder's printer-sim.ini
// when missing (the folder is created too). Empty when neither exists.
std::string EnsureSimSpoolerIni(const std::string& userDataFolder);

// The spooler of the emulated installation: one printer per section of
// spooler.ini (see share/xamu/printer-sim.ini for the keys). The file is read
// at every call, so a test or a user can change it while the program runs.
class CSimSpooler : public CSpooler {
 public:
  // Whoever makes the spooler names the per-user data folder it works under.
  explicit CSimSpooler(std::string userDataFolder) : m_userDataFolder(std::move(userDataFolder)) {}

  bool EnumPrinters(std::vector<SPOOLERPRINTER>& printers) override;
  bool GetDriverPrivate(const std::string& printer, std::vector<uint8_t>& bytes) override;
  intptr_t OpenPrinter(const std::string& printer) override;
  int QueuedJobs(intptr_t handle) override;
  void ClosePrinter(intptr_t handle) override;
  std::string Problem() const override { return m_problem; }

 private:
  CIniFile ReadSpoolerIni();

  std::string m_userDataFolder;
  std::map<intptr_t, std::string> m_open;  // handle -> printer name
  intptr_t m_next = 1;
  std::string m_problem;
};
