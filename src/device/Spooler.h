#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The printer spooler as the printer scan and the device link need it: the
// local printers with their drivers, a printer's driver-private settings, and
// its print queue.
struct SPOOLERPRINTER {
  std::string name;    // printer name
  std::string driver;  // driver name, matched against the model table
};

class CSpooler {
 public:
  virtual ~CSpooler() = default;
  // False when the local printers cannot be enumerated.
  virtual bool EnumPrinters(std::vector<SPOOLERPRINTER>& printers) = 0;
  // The driver-private part of the printer's default device settings; false
  // when the printer cannot be opened or its settings cannot be read.
  virtual bool GetDriverPrivate(const std::string& printer, std::vector<uint8_t>& bytes) = 0;
  // A handle above 0, or 0 when the printer cannot be opened.
  virtual intptr_t OpenPrinter(const std::string& printer) = 0;
  // Queued print jobs, or -1 when the queue cannot be read.
  virtual int QueuedJobs(intptr_t handle) = 0;
  virtual void ClosePrinter(intptr_t handle) = 0;
  // In a few words, why the last call that failed failed ("the server does
  // not answer", "no PPD"), for the printer status report; empty when there
  // is nothing to tell.
  virtual std::string Problem() const { return {}; }
};
