#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/PrBridge.h"
#include "device/Spooler.h"

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

// Shown (and tolerated) when the printer utility library cannot be loaded.
inline constexpr char kMsgNoBridge[] =
    "プリンタユーティリティDLLが見つかりません。\nクイルプと送受信できません。";

// The per-user data folder: $XDG_DATA_HOME/KORVANTE/XAMU (else
// ~/.local/share/KORVANTE/XAMU), created when missing; the program folder
// when it cannot be created. No trailing '/'. The exchange files are named by
// this string followed directly by their file name.
std::string GetUserDataFolder();

// The configuration the desktop program's application object owns and every
// subsystem reads: program folder, model table, the selected printer, the
// printer utility library, the current category and the device slot limits.
class CAppConfig {
 public:
  // Uses the spooler named by $XAMU_SPOOLER ("sim", the default).
  CAppConfig();
  ~CAppConfig();
  CAppConfig(const CAppConfig&) = delete;
  CAppConfig& operator=(const CAppConfig&) = delete;

  // The start-up steps without a window: program folder, model table from
  // <program folder>/printers.ini, per-user data folder, printer utility
  // library. False when the library could not be loaded (show kMsgNoBridge
  // and carry on: device commands then fail at OpenLink).
  bool Init();
  // Replaces the model table with the sections of `path`, in file order. A
  // missing file gives an empty table. Returns the number of models.
  int LoadModelTable(const std::string& path);
  // Loads <driver dir>/3/libprbridge.so; false when it cannot be loaded.
  bool LoadBridge();

  // The printer scan: 0, kScanNoPrinter or kScanSeveral. With exactly one
  // connected supported printer that printer becomes the selected one; with
  // none the selection stays as it was.
  int CheckPrinters();
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

  CSpooler& Spooler() { return *m_spooler; }
  void SetSpooler(std::unique_ptr<CSpooler> spooler);
  CPrBridge& Bridge() { return m_bridge; }

 private:
  bool IsSupportedPrinter(const std::string& printer);
  bool IsConnected(const std::string& printer);

  std::string m_programFolder;
  std::string m_userDataFolder;
  std::vector<QUILPMODELINFO> m_models;
  std::string m_printerName;
  std::string m_driverName;
  std::string m_modelFileName;
  int m_category = 0;
  std::array<int, 4> m_limits{};
  std::unique_ptr<CSpooler> m_spooler;
  CPrBridge m_bridge;
};
