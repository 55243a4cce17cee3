#include "model/FileResult.h"

#include <sys/stat.h>

#include <cerrno>

#include "model/GxFile.h"
#include "model/Paths.h"

std::string FileResultMessage(int result, bool save, const std::string& name) {
  switch (result) {
    case kFileOk: return "";
    case kFileBadSignature:
      return "ＸＡＭＵのファイルでは、ありません。\nまたは、ファイルが壊れている可能性があります。";
    case kFileNoMemory:
      return save ? "メモリ不足のため、保存できません。" : "メモリ不足のため、読み込みできません。";
    case kFileNotOpened: return name + "がみつかりませんでした。";
    case kFileDiskFull: return "ディスク容量不足のため、保存できませんでした。";
    case kFileNotFound: return "指定のファイルが見つかりませんでした。";
    default: return "ファイルアクセス時に何らかのエラーが発生しました。";  // -10, -14, -18 and any other
  }
}

int CauseToResult(int cause) {
  switch (cause) {
    case kCauseNone: return kFileOk;
    case kCauseFileNotFound: return kFileNotFound;
    case kCauseDirectoryFull:
    case kCauseDiskFull: return kFileDiskFull;
    default: return kFileAccessError;
  }
}

int PrepareSavePath(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    // The owner's write bit decides, not access(): root may write anything,
    // but a file its owner marked read-only stays as it is.
    return (st.st_mode & S_IWUSR) ? kFileOk : kFileReadOnly;
  }
  const std::string folder = FolderOf(path);
  if (folder.empty()) return kFileOk;
  if (::stat(folder.c_str(), &st) == 0) return kFileOk;
  // One level only, as the open dialog never offers deeper new folders.
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return kFileNoFolder;
  return kFileOk;
}
