#pragma once
#include <string>

// Result codes of the data file reader and writer (0 = success).
enum : int {
  kFileOk = 0,
  kFileBadSignature = -1,   // not a data file, or a damaged one
  kFileNoMemory = -2,       // out of memory
  kFileAccessError = -10,   // read or write failure, truncated file
  kFileNotOpened = -11,     // the file could not be opened (or is locked)
  kFileDiskFull = -12,      // disk or directory full
  kFileNotFound = -13,      // file not found
  kFileNoFolder = -14,      // the folder for a new file could not be created
  kFileReadOnly = -18,      // the existing file is read-only
};

// The message a result code shows (UTF-8); empty for 0. `save` picks the
// saving variant of -2; `name` replaces %1 in the -11 message.
std::string FileResultMessage(int result, bool save, const std::string& name);

// Result code from a file-error cause recorded by CGxFile.
int CauseToResult(int cause);

// 0, -14 or -18: called first by SaveDataFile.
int PrepareSavePath(const std::string& path);
