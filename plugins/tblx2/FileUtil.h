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

// A copy of some bytes that a library which only opens files by name can
// read. It lives in an anonymous file in memory, named through /proc: no
// folder holds it, so no other user can see or replace it, and nothing is
// left behind when the process dies.
class CScratchCopy {
public:
    CScratchCopy() = default;
    ~CScratchCopy() { Drop(); }
    CScratchCopy(const CScratchCopy&) = delete;
    CScratchCopy& operator=(const CScratchCopy&) = delete;

    // Puts `bytes` in memory; where the system gives no anonymous files or
    // no /proc, in a new private file in `folder` instead (see
    // ScratchFolderFor). False when neither could be made.
    bool Make(const std::string& bytes, const std::string& folder);
    // The same, always in a new file (mode 0600) in `folder`.
    bool MakeInFolder(const std::string& bytes, const std::string& folder);
    // The name to open it by; empty before a Make succeeds.
    const std::string& Path() const { return m_path; }
    // Lets the copy go; a file in a folder is removed. Whoever has opened it
    // by then keeps reading what it opened.
    void Drop();

private:
    bool MakeInMemory(const std::string& bytes);

    int m_fd = -1;
    std::string m_path;
    bool m_inFolder = false;
};

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
