#pragma once
#include <string>

// Run-time folders. Each can be overridden by an environment variable so that
// tests never touch a user's real folders.

// <exe dir>/../share/xamu, or $XAMU_PROGRAM_DIR. No trailing '/'.
std::string GetProgramFolder();
// The per-user data folder for files the user keeps private:
// $XDG_DATA_HOME/KORVANTE/XAMU, else ~/.local/share/KORVANTE/XAMU; made
// (mode 0700) when missing. Empty when it cannot be made or is not a folder
// of the user's own. No trailing '/'.
std::string PrivateDataFolder();
// $XDG_RUNTIME_DIR when it is an absolute path to a folder of the user's own
// that nobody else can enter (memory on a desktop); else "".
std::string PrivateRuntimeFolder();
// Where scratch files go that belong to no file of the user's: the private
// runtime folder, else the per-user data folder; "" when neither can be had.
// Never a shared folder such as /tmp.
std::string PrivateScratchFolder();
// The per-user data folder as above; the program folder when it cannot be
// had. The exchange files are named by this string followed directly by
// their file name.
std::string GetUserDataFolder();
// The folder part of a path: everything before the last '/', empty without one.
std::string FolderOf(const std::string& path);
// The last component of a path.
std::string FileNameOf(const std::string& path);
// `path` made absolute against the current folder (no symlink resolution).
std::string MakeAbsolute(const std::string& path);
// True when both name the same existing file (canonical forms equal), or the
// same absolute path when either does not exist.
bool SamePath(const std::string& a, const std::string& b);
