#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/PrBridge.h"
#include "device/Spooler.h"
#include "model/Paths.h"  // GetUserDataFolder

// One printer model, a section of printers.ini.
struct QUILPMODELINFO {
  std::string name;      // the section name, e.g. "QP510"
  std::string driver;    // key "driver": the printer driver's name
  std::string printer;   // the installed printer found for this model by CheckPrinters
  std::string filename;  // key "filename"
  int32_t glyph = -1;    // key "glyph": glyph size mask the model needs; -1 = every size
};

// Results of the printer scan (shared with the device result codes).
enum : int {
  kScanOk = 0,
  kScanNoPrinter = 304,  // no installed printer uses a driver of the model table
  kScanSeveral = 305,    // two or more supported printers are connected
};

// The driver-private device settings of a supported printer start with this
// NUL-terminated text and are at least kMinDriverPrivate bytes long.
inline constexpr char kDriverSignature[] = "KORVANTE QUILP SERIES DRIVER";
inline constexpr size_t kMinDriverPrivate = 56;

// The spoolers printers are listed with, as $XAMU_SPOOLER names them.
inline constexpr char kSpoolerSim[] = "sim";    // the emulated installation (spooler.ini)
inline constexpr char kSpoolerCups[] = "cups";  // the queues of the CUPS server
// Shown when $XAMU_SPOOLER names no spooler; %s is its value.
inline constexpr char kMsgBadSpooler[] =
    "環境変数 XAMU_SPOOLER の値「%s」は使えません。\ncups または sim を指定してください。";

// Shown (and tolerated) when the printer utility library cannot be loaded.
inline constexpr char kMsgNoBridge[] =
    "プリンタユーティリティDLLが見つかりません。\nクイルプと送受信できません。";

// What the last printer scan made of one listed printer, for the printer
// status report.
struct SCANNEDPRINTER {
  std::string name;      // printer (CUPS queue) name
  std::string driver;    // driver name (CUPS: printer-make-and-model)
  std::string model;     // the printers.ini section whose driver matched; empty for none
  bool accepted = false; // a supported printer: its driver carries the maker's text
  std::string refusal;   // why it was not accepted ("unknown driver", "no PPD keyword", ...)
  int jobs = -2;         // queued jobs; -1 the queue cannot be read; kJobsNotAsked
  bool connected = false;
};
// SCANNEDPRINTER::jobs of a printer the scan did not open.
inline constexpr int kJobsNotAsked = -2;

// The configuration the desktop program's application object owns and every
// subsystem reads: program folder, model table, the selected printer, the
// printer utility library, the current category and the device slot limits.
class CAppConfig {
 public:
  CAppConfig();
  ~CAppConfig();
  CAppConfig(const CAppConfig&) = delete;
  CAppConfig& operator=(const CAppConfig&) = delete;

  // The start-up steps without a window: program folder, model table from
  // <program folder>/printers.ini, per-user data folder, the spooler (see
  // SpoolerName), printer utility library. False when the library could not
  // be loaded (show kMsgNoBridge and carry on: device commands then fail at
  // OpenLink). Check SpoolerError() too.
  bool Init();
  // The folder of the printer utility library chosen by the desktop
  // program's setting; empty for $XAMU_DRIVER_DIR, else the emulated printer
  // shipped in <program folder>/drivers. Takes effect at Init.
  void SetDriverFolder(const std::string& folder);
  // The driver folder in use (no trailing '/'), and the library in it.
  std::string DriverFolder() const;
  std::string BridgePath() const { return DriverFolder() + "/3/libprbridge.so"; }
  // "sim" or "cups": $XAMU_SPOOLER when set; otherwise sim with the emulated
  // library shipped in the program folder and cups with a library from
  // elsewhere, since a real printer's library comes with a CUPS driver.
  // Chosen at Init; empty before, and when SetSpooler gave one.
  const std::string& SpoolerName() const { return m_spoolerName; }
  // After Init: empty, or kMsgBadSpooler filled in when $XAMU_SPOOLER names
  // no spooler. No printer is listed then: there is no silent fallback.
  const std::string& SpoolerError() const { return m_spoolerError; }
  // Replaces the model table with the sections of `path`, in file order. A
  // missing file gives an empty table. Returns the number of models.
  int LoadModelTable(const std::string& path);
  // Loads <driver dir>/3/libprbridge.so; false when it cannot be loaded.
  bool LoadBridge();

  // The printer scan: 0, kScanNoPrinter or kScanSeveral. With exactly one
  // connected supported printer that printer becomes the selected one; with
  // none the selection stays as it was.
  int CheckPrinters();
  // Every printer the last scan listed, in the spooler's order; whether the
  // spooler could list them at all, and if not, why.
  const std::vector<SCANNEDPRINTER>& LastScan() const { return m_scan; }
  bool LastScanListed() const { return m_scanListed; }
  const std::string& LastScanProblem() const { return m_scanProblem; }
  // The first model whose driver equals the selected driver name (without
  // regard to case). False, and a record with an empty name and mask -1,
  // when none matches.
  bool GetCurrentModelInfo(QUILPMODELINFO& out) const;

  // The folder the file dialogs start in: <data home>/DATA, or Adrsdata /
  // Namedata when `byCategory` and the current category is address / name
  // data. <data home> is $XAMU_DATA_HOME, else $XDG_DOCUMENTS_DIR/XAMU, else
  // ~/Documents/XAMU. Created when missing. No trailing '/'.
  std::string GetDataFolder(bool byCategory) const;

  const std::string& ProgramFolder() const { return m_programFolder; }
  const std::string& UserDataFolder() const { return m_userDataFolder; }
  std::string HelpFilePath() const { return m_programFolder + "/XAMU.html"; }
  const std::vector<QUILPMODELINFO>& Models() const { return m_models; }

  // The selected printer (set by CheckPrinters; the desktop program may set
  // the name remembered from the last run).
  const std::string& PrinterName() const { return m_printerName; }
  const std::string& DriverName() const { return m_driverName; }
  const std::string& ModelFileName() const { return m_modelFileName; }
  void SetPrinterName(const std::string& name) { m_printerName = name; }

  // 0 file, 1 address, 2 name, 3 glyph data.
  int Category() const { return m_category; }
  void SetCategory(int category);

  // Slots of a category the device takes: 100, 100, 40, 20 until lowered.
  int DeviceLimit(int category) const;
  void ResetDeviceLimits();
  // Keeps the smaller of `slot` and the current category's limit.
  void LowerDeviceLimit(int slot);

  // The spooler chosen at Init (made on first use when Init has not run).
  CSpooler& Spooler();
  // A spooler of the caller's, kept over later Inits (tests).
  void SetSpooler(std::unique_ptr<CSpooler> spooler);
  CPrBridge& Bridge() { return m_bridge; }
  // Why the library could not be loaded (dlerror), after LoadBridge.
  const std::string& BridgeError() const { return m_bridgeError; }

 private:
  void ChooseSpooler();
  bool IsSupportedPrinter(const std::string& printer, std::string& refusal);
  bool IsConnected(const std::string& printer, int& jobs);

  std::string m_programFolder;
  std::string m_userDataFolder;
  std::vector<QUILPMODELINFO> m_models;
  std::string m_printerName;
  std::string m_driverName;
  std::string m_modelFileName;
  int m_category = 0;
  std::array<int, 4> m_limits{};
  std::unique_ptr<CSpooler> m_spooler;
  bool m_callerSpooler = false;
  std::string m_spoolerName;
  std::string m_spoolerError;
  std::string m_driverFolder;
  std::vector<SCANNEDPRINTER> m_scan;
  bool m_scanListed = false;
  std::string m_scanProblem;
  CPrBridge m_bridge;
  std::string m_bridgeError;
};
