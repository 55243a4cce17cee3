#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "model/DataEntry.h"

class CAppConfig;
class CDataSet;
class CExchangeFiles;

// Answers of the overwrite confirmation.
enum : int {
  kOverwriteOne = 1,     // write this slot, ask again for the next
  kOverwriteAll = 2,  // write this and every later slot without asking
  kOverwriteSkip = 3,          // leave this slot, go on with the next
  kOverwriteCancel = 4,        // stop; what was written stays
};

// The questions and messages of device commands. The desktop program shows
// dialogs; xamu-cli answers from its options; tests script the answers.
class CDevicePrompt {
 public:
  virtual ~CDevicePrompt() = default;
  // A message box with an OK button.
  virtual void Notice(const std::string& utf8) = 0;
  // A Yes/No question; true for yes.
  virtual bool YesNo(const std::string& utf8) = 0;
  // The overwrite notice for several name entries: OK (true) or cancel.
  virtual bool OverwriteNotice(const std::string& utf8) = 0;
  // The four-button overwrite dialog: kOverwriteOne, kOverwriteAll,
  // kOverwriteSkip or kOverwriteCancel.
  virtual int OverwriteChoice(const std::string& utf8) = 0;
};

// The progress dialog of a device command.
class CDeviceProgress {
 public:
  virtual ~CDeviceProgress() = default;
  virtual void SetRange(int n) = 0;  // range 0 to n, step 1
  virtual int GetPos() const = 0;
  virtual void Step() = 0;           // repaint at once, then advance by one
  // Hidden while a question or a message is shown.
  virtual void Hide() {}
  virtual void Show() {}
};

// A progress that only counts (for callers without a window).
class CCountingProgress : public CDeviceProgress {
 public:
  void SetRange(int n) override { m_range = n; }
  int GetPos() const override { return m_pos; }
  void Step() override { ++m_pos; }
  int Range() const { return m_range; }

 private:
  int m_range = 0;
  int m_pos = 0;
};

// Shows the message of a nonzero device result code; nothing for 0.
void ReportDeviceResult(CDevicePrompt& prompt, int code, bool saving = false);

// The glyph pattern question asked before glyph data goes to the printer.
inline constexpr char kMsgGlyphSizesLacking[] = "字形パターンが不足しています。\n転送しますか?";

// The link to the printer: opened and closed around every command. Device
// slot numbers count from 1; slot indexes, as data sets and selections hold
// them, count from 0.
class CDeviceLink {
 public:
  explicit CDeviceLink(CAppConfig& config);
  ~CDeviceLink();
  CDeviceLink(const CDeviceLink&) = delete;
  CDeviceLink& operator=(const CDeviceLink&) = delete;

  // Printer scan, per-user lock, printer open, empty queue, connection check
  // and start. 0 when the link is open; otherwise nothing is left open.
  int OpenLink();
  // Ends the exchange, closes the printer, deletes both exchange files.
  void CloseLink();
  bool IsOpen() const { return m_handle != 0; }
  const std::string& PrinterName() const { return m_printerName; }

  // The first registered slot at or after `first` (0 = none) and its group.
  int QuerySlot(int first, int& found, int& group);
  // One device slot's content.
  int ReadEntry(int slot, std::unique_ptr<uint8_t[]>& content, size_t& length);
  // Writes the entry's device form (model conversions) to slot index+1.
  int WriteEntry(int index, int category, const DATAENTRY& entry);
  int DeleteEntry(int index);

  // Registered slots of the current category: slot × 256 + group, ascending.
  int ReadSlotList(std::vector<uint32_t>& list);
  int ReadEntries(const std::vector<uint32_t>& list, CDataSet& device, CDeviceProgress& progress);
  // How a write treats a slot the printer already holds.
  enum class EOverwrite {
    kAsk,     // ConfirmOverwrite decides; すべて上書き stops the questions
    kAlways,  // written without a question (the glyph editor's result)
  };
  // Writes the selected entries of `source`, slot by slot. The selection is
  // replaced by the indexes actually written. `prompt` is only asked under
  // kAsk; a question without a prompt counts as cancelled.
  int WriteEntries(std::vector<int>& selection, const CDataSet& source, EOverwrite policy, CDevicePrompt* prompt,
                   CDeviceProgress& progress);
  int TransferEntries(std::vector<int>& selection, const CDataSet& source, CDevicePrompt& prompt,
                      CDeviceProgress& progress) {
    return WriteEntries(selection, source, EOverwrite::kAsk, &prompt, progress);
  }
  int WriteEntriesNoAsk(std::vector<int>& selection, const CDataSet& source, CDeviceProgress& progress) {
    return WriteEntries(selection, source, EOverwrite::kAlways, nullptr, progress);
  }
  // The selection is replaced by the indexes actually written (or deleted).
  int PasteEntries(std::vector<int>& selection, std::span<const DATAENTRY> pasted, CDevicePrompt& prompt,
                   CDeviceProgress& progress, CDataSet& device);
  // kOverwriteOne, kOverwriteAll, kOverwriteSkip or kOverwriteCancel.
  int ConfirmOverwrite(int slot, bool single, CDevicePrompt& prompt, CDeviceProgress& progress);

  int LastResult() const { return m_lastResult; }
  void ResetLastResult() { m_lastResult = 0; }

  // The command flows of the view.
  // 1: read the printer's entries of the current category into `device`;
  // reports every failure and the empty-printer notice itself.
  int ShowPrinterData(CDataSet& device, bool paneShowedDevice, CDevicePrompt& prompt, CDeviceProgress& progress);
  // 2: re-read after a change.
  int ReRead(CDataSet& device, int extra, CDeviceProgress& progress);
  // 3: delete the selected device slots (last first), then re-read.
  int DeleteSlots(std::vector<int>& selection, CDataSet& device, CDevicePrompt& prompt, CDeviceProgress& progress);
  // 4: transfer (or, with `noAsk`, store the glyph editor's entries), then re-read.
  int TransferFlow(std::vector<int>& selection, const CDataSet& source, CDataSet& device, bool noAsk,
                   CDevicePrompt& prompt, CDeviceProgress& progress);
  // 5: paste; `extra` is the caller's extra count (0 for none), `fromLeft`
  // whether the copied entries came from the left-hand pane.
  int PasteFlow(std::vector<int>& selection, std::span<const DATAENTRY> pasted, CDataSet& device, int extra,
                bool fromLeft, CDevicePrompt& prompt, CDeviceProgress& progress);

  // The glyph size question before glyph entries go to the printer: runs the
  // printer scan, and asks once when an entry lacks a size the model needs.
  // False when the user answered no (nothing may be sent).
  bool ConfirmGlyphSizes(std::span<const DATAENTRY* const> entries, CDevicePrompt& prompt);

 private:
  // Writes the request file, hands it to the library and reads the answer:
  // 0, -1, or 51 when a write's request file could not be written.
  int Request(int category, uint8_t operation, uint8_t slot, std::vector<uint8_t>& answer, bool& hasPacket,
              int mode = 0, uint8_t group = 0, std::span<const uint8_t> content = {}, bool write = false);
  int LinkRequest(int which);
  // Closes the printer, deletes the exchange files and drops the lock.
  void Release();

  CAppConfig& m_config;
  std::unique_ptr<CExchangeFiles> m_exchange;
  intptr_t m_handle = 0;
  std::string m_printerName;
  int m_lastResult = 0;
};
