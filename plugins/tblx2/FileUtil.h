#pragma once
#include <cstdint>
#include <string>

namespace tblx2 {

// Reads the whole file into `out`; kErrTooLarge when it holds more than
// `maxBytes`. Result codes of Table.h.
int ReadWholeFile(const char* path, uint64_t maxBytes, std::string& out);

// Replaces `path` with `bytes` through a temporary file in the same folder,
// so a failure leaves whatever was there untouched. The new file keeps the
// old one's permission bits (or gets the usual ones for a new file).
int ReplaceFile(const char* path, const std::string& bytes);

// A fresh, not yet existing name beside `path` for a file that will be
// renamed over it; empty on failure. The file is created (empty, mode 0600).
std::string MakeSiblingTemp(const char* path);

// Renames `temp` over `path`, giving it the permission bits `path` had.
int CommitSiblingTemp(const std::string& temp, const char* path);

}  // namespace tblx2
