#pragma once
#include <string>
#include <string_view>

// Files the exchange flows write are written beside their target and renamed
// over it only when complete, so a failed export never destroys the file the
// user had.

// Creates an empty temporary file in the folder of `path`, named after it
// and ending in `suffix` (so a converter that looks at the extension sees the
// right one). Returns its path, or "" when the folder is not writable.
std::string CreateSiblingTemp(const std::string& path, const std::string& suffix);

// Renames `temp` over `path`. The result gets the permission bits of the file
// it replaces (a new file: the default for new files), plus the owner's write
// bit when `ownerWritable`. A symbolic link at `path` is followed. False when
// the rename fails; `temp` is then removed and `path` is untouched.
bool ReplaceWithTemp(const std::string& temp, const std::string& path, bool ownerWritable);

// Writes `bytes` as the whole content of `path` through a sibling temporary
// file, flushed to disk before the rename unless `durable` is false (scratch
// files nobody keeps). False (old file untouched) on any failure.
bool WriteFileReplacing(const std::string& path, std::string_view bytes, bool ownerWritable, bool durable = true);

// Overwrites the whole content of an existing scratch file in place, without
// flushing it to disk. False on any failure.
bool WriteScratchFile(const std::string& path, std::string_view bytes);


// True when `path` exists and no write permission bit applies to its owner.
bool IsReadOnlyFile(const std::string& path);
