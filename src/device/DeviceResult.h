#pragma once
#include <string>

// Device result codes (0 = success). The library's status word (1 to 14, or
// any other nonzero value) is taken over as it is.
enum : int {
  kDevOk = 0,
  kDevFailed = -1,          // no printer handle, library call failed, exchange file problem, no answer
  kDevPrinting = -2,        // the printer is printing (queued jobs, or connection status 1)
  kDevRequestWrite = 51,    // the request file of a write request could not be written
  kDevBadAnswer = 101,      // answer packet or data block misframed, or the block is short
  kDevBadChecksum = 102,    // checksum error in the answer packet or data block
  kDevMemoryFull = 121,     // the printer's registration memory is full
  kDevDeleteRefused = 125,  // the printer refused the delete
  kDevNoMemory = 201,       // no memory for the content read
  kDevNotTaken = 254,       // the printer does not take the data
  kDevCutter = 301,         // cutter fault (connection status 16)
  kDevMotor = 302,          // motor fault (connection status 17)
  kDevHeadHot = 303,        // print head overheated (connection status 18)
  kDevNoPrinter = 304,      // no installed printer of a known model
  kDevSeveral = 305,        // two or more supported printers connected
};

// The message ReportDeviceResult shows for `code` (UTF-8); empty for 0.
// `saving` picks the saving variant of -11.
std::string DeviceResultMessage(int code, bool saving = false);

// Shown after flow 1 when the printer holds no entry of the category.
inline constexpr char kMsgNoDeviceData[] = "「クイルプ」ＰＲＯ本体にデータが登録されていません。";
