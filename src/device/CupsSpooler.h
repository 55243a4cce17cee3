#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "device/Spooler.h"

// Linux has no driver-private device settings. A QUILP driver names itself
// with a main keyword of its queue's PPD instead:
//   *KorvanteDriverPrivate: "KORVANTE QUILP SERIES DRIVER"
// and the printer scan is given that text as a block of kPpdPrivateSize bytes,
// NUL-terminated and padded with zero bytes.
inline constexpr char kPpdPrivateKeyword[] = "KorvanteDriverPrivate";
inline constexpr size_t kPpdPrivateSize = 64;

// What reading the keyword from a PPD file gave.
enum : int {
  kPpdOk = 0,
  kPpdUnreadable = 1,  // the file cannot be opened
  kPpdMalformed = 2,   // libcups does not take it as a PPD
  kPpdNoKeyword = 3,   // no *KorvanteDriverPrivate, or an empty one
  kPpdTooLong = 4,     // the value does not fit the block with its NUL; never cut
};
// The block of a PPD file's keyword; `block` is emptied unless kPpdOk.
int ReadPpdDriverPrivate(const std::string& path, std::vector<uint8_t>& block);
// "no PPD keyword", ... for the status report.
const char* PpdResultText(int result);

// The printers of a real installation: the queues of the default CUPS server
// (CUPS_SERVER and client.conf are honoured, as every printing program does).
// A queue's driver name is its printer-make-and-model; its driver-private
// block comes from its PPD; its queued jobs are its active jobs. Every call
// opens its own connection, and no wait for the server lasts longer than the
// timeout, so a server that stalls makes a call fail instead of hanging the
// program. (libcups tries a request a second time on a fresh connection, and
// listing the queues takes two requests, so a stalled server is given up
// after about four timeouts.)
class CCupsSpooler : public CSpooler {
 public:
  static constexpr int kDefaultTimeoutMs = 3000;
  // `tempFolder` holds the passing copy of a queue's PPD: a folder only the
  // user can enter ($XDG_RUNTIME_DIR, the per-user data folder).
  explicit CCupsSpooler(std::string tempFolder, int timeoutMs = kDefaultTimeoutMs)
      : m_tempFolder(std::move(tempFolder)), m_timeoutMs(timeoutMs) {}

  bool EnumPrinters(std::vector<SPOOLERPRINTER>& printers) override;
  bool GetDriverPrivate(const std::string& printer, std::vector<uint8_t>& bytes) override;
  intptr_t OpenPrinter(const std::string& printer) override;
  int QueuedJobs(intptr_t handle) override;
  void ClosePrinter(intptr_t handle) override;
  std::string Problem() const override { return m_problem; }

  // The server asked ("/run/cups/cups.sock", "printhost:631"), for the
  // status report.
  static std::string ServerName();

 private:
  std::string m_tempFolder;
  int m_timeoutMs;
  std::map<intptr_t, std::string> m_open;  // handle -> queue name
  intptr_t m_next = 1;
  std::string m_problem;
};
