#pragma once
#include <string>
#include <string_view>

// Files the exchange flows write are written beside their target and renamed
// over it only when complete, so a failed export never destroys the file the
// user had.

// Creates an empty temporary file (mode 0600) in the folder of `path` (in
// the private runtime folder, else the per-user data folder, when that
// folder refuses it), named after it and ending in `suffix` (so a converter
// that looks at the extension sees the right one). Returns its path, or ""
// when no file could be made.
std::string CreateSiblingTemp(const std::string& path, const std::string& suffix);

// Makes the content of `temp` the content of `path` through CSafeSave (the
// file keeps its owner, mode, ACL, attributes and hard links), plus the
// owner's write bit when `ownerWritable`. A symbolic link at `path` is
// followed. `temp` is removed in every case; on failure `path` is untouched.
bool ReplaceWithTemp(const std::string& temp, const std::string& path, bool ownerWritable);

// Writes `bytes` as the whole content of `path` through CSafeSave, flushed
// to disk unless `durable` is false (scratch files nobody keeps; their
// folder is not tidied then). False (old file untouched) on any failure.
bool WriteFileReplacing(const std::string& path, std::string_view bytes, bool ownerWritable, bool durable = true);

// Overwrites the whole content of an existing scratch file in place, without
// flushing it to disk. False on any failure.
bool WriteScratchFile(const std::string& path, std::string_view bytes);


// True when `path` exists and no write permission bit applies to its owner.
bool IsReadOnlyFile(const std::string& path);
