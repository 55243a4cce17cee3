// The PC data file (.xmb): a 28-byte header, one 12-byte directory entry per
// slot of every present section, then the contents back to back. All numbers
// little-endian.
//
//   header     0  16  "QUILP PRO V3" NUL, then zeros
//             16   4  reserved (0)
//             20   4  section flags (only the low byte is read)
//             24   4  directory entry count
//   directory  0   2  state: 0 empty, 1 used, 2 used and changed by the QP510 conversion
//              2   2  group number
//              4   4  content size
//              8   4  content offset from the start of the content area
#include <sys/uio.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/GxFile.h"
#include "model/ModelConvert.h"
#include "model/SafeSave.h"

namespace {

constexpr size_t kHeaderSize = 28;
constexpr size_t kDirEntrySize = 12;
constexpr size_t kSignatureCompare = 13;  // the 12 characters and their NUL
constexpr char kSignature[kSignatureCompare] = "QUILP PRO V3";
constexpr size_t kFlagsOffset = 20;
constexpr size_t kCountOffset = 24;

constexpr uint16_t kStateEmpty = 0;
constexpr uint16_t kStateUsed = 1;
constexpr uint16_t kStateQP510Changed = 2;

// Sections in the order the file stores them.
constexpr int kStorageOrder[kSectionCount] = {kSecFile, kSecAddress, kSecGlyph, kSecName};

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Sum of the slot counts of the sections flagged in the low byte.
uint32_t SlotsOfFlags(uint8_t flags) {
  uint32_t sum = 0;
  for (int s = 0; s < kSectionCount; ++s)
    if (flags & kSectionFlag[s]) sum += static_cast<uint32_t>(kSectionSlots[s]);
  return sum;
}

std::unique_ptr<uint8_t[]> AllocBytes(size_t n) {
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[n ? n : 1]);
}

// One used slot with content, as found in the directory.
struct PENDING {
  DATAENTRY* entry;
  uint64_t offset;  // absolute position in the file
  uint32_t size;
};

// Reads every slot of the directory into `set`; the file is positioned after
// the header. The set is empty on entry; the caller clears it on failure.
int ReadSlots(CGxFile& file, CDataSet& set, uint8_t flags, uint32_t count, uint64_t length) {
  const uint32_t needed = SlotsOfFlags(flags);
  if (count < needed) return kFileAccessError;
  // The whole directory must be there, even the entries beyond those needed
  // (never looked at); checked before anything is allocated.
  const uint64_t contentStart = kHeaderSize + static_cast<uint64_t>(count) * kDirEntrySize;
  if (contentStart > length) return kFileAccessError;
  const size_t dirBytes = static_cast<size_t>(needed) * kDirEntrySize;
  std::unique_ptr<uint8_t[]> dir = AllocBytes(dirBytes);
  if (!dir) return kFileNoMemory;
  if (dirBytes && file.Read(dir.get(), static_cast<uint32_t>(dirBytes)) != dirBytes) return kFileAccessError;

  // Fill the slots in directory order; contents are only collected here so
  // that the common layout (back to back, in order) is read in one call.
  std::vector<PENDING> pending;
  pending.reserve(needed);
  int result = kFileOk;
  const uint8_t* d = dir.get();
  for (int s : kStorageOrder) {
    if (!(flags & kSectionFlag[s])) continue;
    for (int i = 0; i < kSectionSlots[s] && result == kFileOk; ++i, d += kDirEntrySize) {
      const uint16_t state = Get16(d);
      if (state == kStateEmpty) continue;  // states 1 and 2 load alike
      DATAENTRY* e = set.Entry(s, i);
      const uint32_t size = Get32(d + 4);
      const uint64_t at = contentStart + Get32(d + 8);
      e->used = 1;
      e->group = Get16(d + 2);
      e->size = size;
      if (size == 0) continue;
      // An offset or size past the file's end is a damaged file, not a request
      // for gigabytes of memory.
      if (at + size > length) {
        result = kFileAccessError;
        break;
      }
      e->content = AllocContent(size);
      if (!e->content) {
        result = kFileNoMemory;
        break;
      }
      pending.push_back({e, at, size});
    }
    if (result != kFileOk) break;
  }

  // Read the contents gathered, in runs of consecutive positions.
  size_t k = 0;
  std::vector<struct iovec> iov;
  while (k < pending.size()) {
    size_t j = k;
    uint64_t end = pending[k].offset;
    iov.clear();
    while (j < pending.size() && pending[j].offset == end && iov.size() < 1024) {
      iov.push_back({pending[j].entry->content.get(), pending[j].size});
      end += pending[j].size;
      ++j;
    }
    if (!file.Seek(static_cast<int64_t>(pending[k].offset), GxSeek::kBegin)) return kFileAccessError;
    if (file.ReadVector(iov.data(), static_cast<int>(iov.size())) != end - pending[k].offset)
      return kFileAccessError;
    k = j;
  }
  return result;
}

}  // namespace

int CDataSet::LoadDataFile(const std::string& path) {
  CGxFile file;
  if (!file.Open(path, kGxOpenReadExclusive)) return kFileNotOpened;
  ClearAll();

  int result = kFileOk;
  uint8_t header[kHeaderSize];
  uint64_t length = 0;
  if (!file.GetLength64(length)) {
    result = kFileAccessError;
  } else if (file.Read(header, kHeaderSize) != kHeaderSize) {
    result = kFileAccessError;  // any short read, not only an empty one
  } else if (std::memcmp(header, kSignature, kSignatureCompare) != 0) {
    result = kFileBadSignature;
  } else {
    result = ReadSlots(file, *this, header[kFlagsOffset], Get32(header + kCountOffset), length);
  }
  file.Close();

  if (result == kFileAccessError && file.GetLastCause() != kCauseNone)
    result = CauseToResult(file.GetLastCause());
  if (result == kFileOk)
    m_path = path;
  else
    ClearAll();  // a failed load never leaves partial data
  m_modified = 0;
  m_untitled = 0;
  return result;
}

namespace {

// The whole file as gather buffers: the header, the directory, then every
// written content in directory order. The contents are the slots' own
// buffers, so the set must outlive the image.
struct DATAFILEIMAGE {
  uint8_t header[kHeaderSize] = {};
  std::unique_ptr<uint8_t[]> dir;
  std::vector<struct iovec> buffers;
};

// Builds the image of `set`; kFileNoMemory or kFileAccessError (contents
// beyond the 32-bit offsets) on failure.
int SerialiseDataFile(const CDataSet& set, DATAFILEIMAGE& image) {
  uint32_t flags = 0, count = 0;
  for (int s : kStorageOrder) {
    if (set.IsUsed(s, -2)) {
      flags |= kSectionFlag[s];
      count += static_cast<uint32_t>(kSectionSlots[s]);
    }
  }
  const size_t dirBytes = static_cast<size_t>(count) * kDirEntrySize;
  image.dir = AllocBytes(dirBytes);
  if (!image.dir) return kFileNoMemory;
  std::memcpy(image.header, kSignature, kSignatureCompare);
  Put32(image.header + 16, 0);
  Put32(image.header + kFlagsOffset, flags);
  Put32(image.header + kCountOffset, count);

  image.buffers.clear();
  image.buffers.reserve(2 + count);
  image.buffers.push_back({image.header, kHeaderSize});
  image.buffers.push_back({image.dir.get(), dirBytes});
  uint8_t* d = image.dir.get();
  uint64_t offset = 0;
  for (int s : kStorageOrder) {
    if (!(flags & kSectionFlag[s])) continue;
    for (int i = 0; i < kSectionSlots[s]; ++i, d += kDirEntrySize) {
      const DATAENTRY& e = *set.Entry(s, i);
      uint16_t state = kStateEmpty, group = 0;
      uint32_t size = 0;
      // A used slot without content is written as an empty one.
      if (e.used && e.size && e.content) {
        if (offset + e.size > UINT32_MAX) return kFileAccessError;  // offsets are 32-bit
        state = kStateUsed;
        group = e.group;
        size = e.size;
        if ((s == kSecFile || s == kSecGlyph) && QP510WouldChange(e, s)) state = kStateQP510Changed;
        image.buffers.push_back({e.content.get(), size});
      }
      Put16(d, state);
      Put16(d + 2, group);
      Put32(d + 4, size);
      Put32(d + 8, static_cast<uint32_t>(offset));
      offset += size;
    }
  }
  return kFileOk;
}

// Replaces the file at `path` with the image; see CSafeSave for how a failed
// or killed save keeps the old content.
int WriteDataFileSafely(const std::string& path, const DATAFILEIMAGE& image) {
  CSafeSave save;
  if (int result = save.Begin(path); result != kFileOk) return result;
  CGxFile& out = save.Out();
  if (!out.WriteVector(image.buffers.data(), static_cast<int>(image.buffers.size()))) {
    const int cause = out.GetLastCause();
    save.Abandon();
    return cause != kCauseNone ? CauseToResult(cause) : kFileAccessError;
  }
  return save.Commit();
}

}  // namespace

// A failed save keeps the old file and the flags, so the user is asked again.
int CDataSet::SaveDataFile(const std::string& path) {
  int result = PrepareSavePath(path);
  if (result != kFileOk) return result;
  DATAFILEIMAGE image;
  result = SerialiseDataFile(*this, image);
  if (result != kFileOk) return result;
  result = WriteDataFileSafely(path, image);
  if (result != kFileOk) return result;
  m_path = path;
  m_modified = 0;
  m_untitled = 0;
  return kFileOk;
}

std::string DataFileKindsText(const std::string& path) {
  CGxFile file;
  if (!file.Open(path, kGxOpenReadExclusive)) return "";
  uint8_t header[kHeaderSize];
  if (file.Read(header, kHeaderSize) != kHeaderSize) return "";
  if (std::memcmp(header, kSignature, kSignatureCompare) != 0) return "";
  std::string text;
  for (int c = 0; c < kCategoryCount; ++c) {
    if (!(header[kFlagsOffset] & kSectionFlag[SectionOfCategory(c)])) continue;
    if (!text.empty()) text += "／";
    text += CategoryDisplayName(c);
  }
  return text;
}
