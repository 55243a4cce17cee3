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
// `durable` waits for the disk before the rename: for the user's files, not
// for scratch files the caller deletes right after.
int ReplaceFile(const char* path, const std::string& bytes, bool durable);

// Writes `bytes` to a new private file in the temporary folder ($TMPDIR or
// /tmp); its path, or empty on failure. The caller removes it.
std::string WriteScratchFile(const std::string& bytes);

// A fresh, not yet existing name beside `path` for a file that will be
// renamed over it; empty on failure. The file is created (empty, mode 0600).
std::string MakeSiblingTemp(const char* path);

// A folder for the scratch files a library makes while it writes a workbook
// at `path`: $XDG_RUNTIME_DIR when it is this user's private folder (memory
// on a desktop, so the files cost next to nothing), else the workbook's own
// folder. Never the shared temporary folder.
std::string ScratchFolderFor(const char* path);

// Flushes `temp` to disk and renames it over `path`, giving it the
// permission bits `path` had. On failure `temp` is removed.
int CommitSiblingTemp(const std::string& temp, const char* path);
// The same without waiting for the disk.
int RenameSiblingTemp(const std::string& temp, const char* path);

}  // namespace tblx2
