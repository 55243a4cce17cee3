#pragma once
#include <cstdint>
#include <string>

#include "model/GxFile.h"

// Replaces the content of one file so that a failed or killed save never
// costs the content that was there.
//
// The normal way writes a new file beside the target (an unnamed O_TMPFILE
// where the file system takes it, so a killed save leaves nothing; else a
// locked "~Gx*.tmp"), gives it the target's owner, mode, ACL and extended
// attributes, pushes it to the disk and renames it over the target.
//
// Where a new inode would lose something, the content is written in place
// instead: when the target has more than one hard link, when the folder
// refuses the temporary file, or when the owner, ACL or a user attribute
// cannot be carried over. A verified copy of the old content is made first
// (beside the target, else in the per-user data folder), the new content is
// written and flushed, and only then is the copy removed; a failed write puts
// the old content back from it. A copy that cannot be put back is left for
// the user ("~Gx<name>.XXXXXX.bak").
//
// The target (a symbolic link is followed) stays locked exclusively from
// Begin to the end, so a file another program holds locked is never touched.
struct SAFESAVEOPTIONS {
  bool durable = true;         // flush to the disk; false only for scratch files nobody keeps
  bool ownerWritable = false;  // the result gets the owner's write bit
  // Remove the "~Gx*.tmp" files killed saves left in the target's folder.
  // Off for scratch files in the temporary folder, where the converter's
  // unlocked "~Gx*.tmp" files of a running export live too.
  bool tidyFolder = true;
};

class CSafeSave {
 public:
  explicit CSafeSave(SAFESAVEOPTIONS options = {});
  // An unfinished save is abandoned: the old content stays (or is put back).
  ~CSafeSave();
  CSafeSave(const CSafeSave&) = delete;
  CSafeSave& operator=(const CSafeSave&) = delete;

  // Prepares the save: locks the target, removes "~Gx*.tmp" files that
  // killed saves left in its folder, and opens where the new content goes.
  // 0, kFileNotOpened when the target is locked or neither it nor a file
  // beside it can be opened, or the result of the cause when the safety copy
  // of an in-place save cannot be made.
  int Begin(const std::string& path);
  // Where the new content goes, positioned at its start; write failures keep
  // their cause there.
  CGxFile& Out() { return m_out; }
  // Makes what was written to Out() the file's content: 0, or the result of
  // the failure's cause (kFileAccessError without one). On failure the old
  // content stays.
  int Commit();
  // Gives up: the old content stays.
  void Abandon();

  bool InPlace() const { return m_inPlace; }
  const std::string& Target() const { return m_target; }
  // The safety copy of an in-place save while it exists.
  const std::string& BackupPath() const { return m_backup; }

  // Test seams. Refusing O_TMPFILE makes every save use a named "~Gx*.tmp";
  // refusing the temporary file altogether stands for a folder the user
  // cannot create files in.
  static void SetUnnamedTempRefused(bool refused);
  static void SetTempRefused(bool refused);

 private:
  int OpenTemp();
  bool CopyMetadata();
  int StartInPlace();
  bool MakeBackup(const std::string& folder);
  bool RestoreFromBackup();
  void DropTemp();

  SAFESAVEOPTIONS m_options;
  std::string m_target;
  CGxFile m_lock;       // the target, locked; in place also where the content goes
  CGxFile m_out;        // the temporary file (rename) or a second handle on the target (in place)
  bool m_existed = false;
  bool m_unnamed = false;  // m_out is an O_TMPFILE without a name yet
  bool m_inPlace = false;
  bool m_active = false;
  uint32_t m_oldUid = 0, m_oldGid = 0, m_oldMode = 0;
  uint64_t m_oldSize = 0;
  std::string m_backup;
};
