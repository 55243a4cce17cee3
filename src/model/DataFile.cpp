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

#include <algorithm>
#include <cerrno>
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

// Reads `count` bytes from the current position in one go (the file's own
// loop takes whatever the kernel gives in parts).
bool ReadHere(CGxFile& file, uint8_t* to, uint64_t count) {
  if (count <= UINT32_MAX) return file.Read(to, static_cast<uint32_t>(count)) == count;
  struct iovec one = {to, static_cast<size_t>(count)};
  return file.ReadVector(&one, 1) == count;
}

bool ReadAt(CGxFile& file, uint64_t offset, uint8_t* to, uint64_t count) {
  return file.Seek(static_cast<int64_t>(offset), GxSeek::kBegin) && ReadHere(file, to, count);
}

// Files up to this size are read whole with one call before the header is
// looked at: every data file the printer's memory can fill is far smaller.
// Larger ones are read in steps, so that a large file that is no data file
// costs no more than its header.
constexpr uint64_t kWholeReadLimit = 8u << 20;

// Contents spread this much wider than they are long are read one by one
// rather than as one area with gaps (a damaged or hand-made file).
bool AreaWorthReading(uint64_t span, uint64_t sum) { return span <= 2 * sum + 65536; }

// Gives slots their parts of `area`, which holds the file from `areaStart`
// on, in directory order. The usual file stores the contents back to back in
// directory order, and every slot refers to its part of the one buffer (a
// change of an entry replaces its buffer, so the area itself is never
// written to). A slot whose part overlaps or precedes one given before gets
// a copy of its own, so that no two entries ever share bytes.
class CAreaGiver {
 public:
  CAreaGiver(const CContentArea& area, uint64_t areaStart) : m_area(area), m_areaStart(areaStart) {}
  int operator()(DATAENTRY* entry, uint64_t offset, uint32_t size) {
    uint8_t* at = m_area.Bytes() + (offset - m_areaStart);
    if (offset >= m_given) {
      if (ContentAllocFails()) return kFileNoMemory;
      m_area.ShareInto(entry->content, at);
      m_given = offset + size;
      return kFileOk;
    }
    std::unique_ptr<uint8_t[]> own = AllocContent(size);
    if (!own) return kFileNoMemory;
    std::memcpy(own.get(), at, size);
    entry->content = std::move(own);
    return kFileOk;
  }

 private:
  const CContentArea& m_area;
  const uint64_t m_areaStart;
  uint64_t m_given = 0;  // the file before this is referred to already
};

int GiveContents(const std::vector<PENDING>& pending, const CContentArea& area, uint64_t areaStart) {
  CAreaGiver give(area, areaStart);
  for (const PENDING& p : pending)
    if (const int result = give(p.entry, p.offset, p.size); result != kFileOk) return result;
  return kFileOk;
}

// Reads the contents of the pending slots from the file: their extent in one
// buffer with one call, or each on its own when they lie far apart.
int ReadContents(CGxFile& file, const std::vector<PENDING>& pending) {
  if (pending.empty()) return kFileOk;
  uint64_t lo = UINT64_MAX, hi = 0, sum = 0;
  for (const PENDING& p : pending) {
    lo = std::min(lo, p.offset);
    hi = std::max(hi, p.offset + p.size);
    sum += p.size;
  }
  if (!AreaWorthReading(hi - lo, sum)) {
    for (const PENDING& p : pending) {
      std::unique_ptr<uint8_t[]> own = AllocContent(p.size);
      if (!own) return kFileNoMemory;
      if (!ReadAt(file, p.offset, own.get(), p.size)) return kFileAccessError;
      p.entry->content = std::move(own);
    }
    return kFileOk;
  }
  const CContentArea area(static_cast<size_t>(hi - lo));
  if (!area.IsValid()) return kFileNoMemory;
  if (!ReadAt(file, lo, area.Bytes(), hi - lo)) return kFileAccessError;
  return GiveContents(pending, area, lo);
}

// Fills the slots from the directory `dir` (the entries of the sections in
// `flags`) and hands each slot with content to `give(entry, offset, size)`,
// in directory order. The set is empty on entry.
template <typename GIVE>
int ReadDirectory(const uint8_t* dir, CDataSet& set, uint8_t flags, uint64_t contentStart, uint64_t length,
                  GIVE&& give) {
  const uint8_t* d = dir;
  for (int s : kStorageOrder) {
    if (!(flags & kSectionFlag[s])) continue;
    DATAENTRY* slots = set.Entry(s, 0);
    for (int i = 0; i < kSectionSlots[s]; ++i, d += kDirEntrySize) {
      const uint16_t state = Get16(d);
      if (state == kStateEmpty) continue;  // states 1 and 2 load alike
      DATAENTRY* e = slots + i;
      const uint32_t size = Get32(d + 4);
      const uint64_t at = contentStart + Get32(d + 8);
      e->used = 1;
      e->group = Get16(d + 2);
      e->size = size;
      if (size == 0) continue;
      // An offset or size past the file's end is a damaged file, not a request
      // for gigabytes of memory.
      if (at + size > length) return kFileAccessError;
      if (const int result = give(e, at, size); result != kFileOk) return result;
    }
  }
  return kFileOk;
}

// Where the contents start; 0 when the header's directory does not fit the
// file (checked before anything is allocated: the whole directory must be
// there, even the entries beyond those needed, which are never looked at).
uint64_t ContentStart(const uint8_t* header, uint64_t length) {
  const uint32_t count = Get32(header + kCountOffset);
  if (count < SlotsOfFlags(header[kFlagsOffset])) return 0;
  const uint64_t contentStart = kHeaderSize + static_cast<uint64_t>(count) * kDirEntrySize;
  return contentStart > length ? 0 : contentStart;
}

// A file read whole into `area`.
int LoadFromArea(const CContentArea& area, uint64_t length, CDataSet& set) {
  const uint8_t* header = area.Bytes();
  if (std::memcmp(header, kSignature, kSignatureCompare) != 0) return kFileBadSignature;
  const uint64_t contentStart = ContentStart(header, length);
  if (contentStart == 0) return kFileAccessError;
  return ReadDirectory(area.Bytes() + kHeaderSize, set, header[kFlagsOffset], contentStart, length,
                       CAreaGiver(area, 0));
}

// A large file: header, directory and contents read in steps.
int LoadInSteps(CGxFile& file, uint64_t length, CDataSet& set) {
  uint8_t header[kHeaderSize];
  if (file.Read(header, kHeaderSize) != kHeaderSize) return kFileAccessError;
  if (std::memcmp(header, kSignature, kSignatureCompare) != 0) return kFileBadSignature;
  const uint64_t contentStart = ContentStart(header, length);
  if (contentStart == 0) return kFileAccessError;
  const size_t dirBytes = static_cast<size_t>(SlotsOfFlags(header[kFlagsOffset])) * kDirEntrySize;
  std::unique_ptr<uint8_t[]> dir = AllocBytes(dirBytes);
  if (!dir) return kFileNoMemory;
  if (dirBytes && file.Read(dir.get(), static_cast<uint32_t>(dirBytes)) != dirBytes) return kFileAccessError;
  std::vector<PENDING> pending;
  pending.reserve(SlotsOfFlags(header[kFlagsOffset]));
  const int result = ReadDirectory(dir.get(), set, header[kFlagsOffset], contentStart, length,
                                   [&pending](DATAENTRY* e, uint64_t at, uint32_t size) {
                                     pending.push_back({e, at, size});
                                     return kFileOk;
                                   });
  return result == kFileOk ? ReadContents(file, pending) : result;
}

}  // namespace

int CDataSet::LoadDataFile(const std::string& path) {
  CGxFile file;
  if (!file.Open(path, kGxOpenReadExclusive)) return kFileNotOpened;
  ClearAll();

  int result = kFileOk;
  uint64_t length = 0;
  if (!(file.GetLengthAtOpen(length) || file.GetLength64(length)) || length < kHeaderSize) {
    result = kFileAccessError;  // any short file, not only an empty one
  } else if (length > kWholeReadLimit) {
    result = LoadInSteps(file, length, *this);
  } else if (const CContentArea area(static_cast<size_t>(length)); !area.IsValid()) {
    result = kFileNoMemory;
  } else if (!ReadHere(file, area.Bytes(), length)) {
    result = kFileAccessError;  // shorter than it was a moment ago
  } else {
    result = LoadFromArea(area, length, *this);
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
  if (!file.Open(path, kGxOpenPeek)) return "";
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
