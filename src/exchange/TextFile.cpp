#include "exchange/TextFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <string_view>
#include <vector>

#include "exchange/SafeFile.h"
#include "exchange/TextRules.h"
#include "model/Category.h"
#include "model/Cp932.h"
#include "model/Labels.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr char kOldEndOfFile = 0x1A;  // DOS end-of-file mark some writers still append

bool IsTextCategory(int category) { return category == kCatAddress || category == kCatName; }

// The whole file, opened with a shared lock so that nobody holding it
// exclusively is writing while we read. False when it cannot be opened or
// read, or is no regular file (a device or a pipe could feed us forever).
bool ReadWholeFile(const std::string& path, std::string& out) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_SH | LOCK_NB) == 0;
  out.clear();
  try {
    char buf[65536];
    while (ok) {
      ssize_t n = read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) break;
      out.append(buf, static_cast<size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  close(fd);
  return ok;
}

// Lines as a text-mode reader sees them: CR LF or LF ends a line, a last line
// without a line end still counts, a file ending in a line end has no empty
// line after it.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    size_t next = end == std::string_view::npos ? text.size() : end + 1;
    if (end == std::string_view::npos) end = text.size();
    size_t stop = end;
    if (end < text.size() && stop > pos && text[stop - 1] == '\r') --stop;
    lines.push_back(text.substr(pos, stop - pos));
    pos = next;
  }
  return lines;
}

}  // namespace

int WriteTextFile(const CDataSet& set, int category, const std::string& path, bool withHeader,
                  CExchangeMessages& messages, bool durable, ETextEncoding encoding) {
  if (!IsTextCategory(category)) return kTextNotCreated;
  const int section = SectionOfCategory(category);
  const int fieldCount = RecordFieldCount(category);
  std::string text;
  bool any = false;
  if (withHeader) {
    text += HeaderLine(category) + "\r\n";
    any = true;
  }
  for (int slot = 0; slot < SectionSlotCount(section); ++slot) {
    if (set.IsUsed(section, slot) == 0) continue;
    const DATAENTRY& entry = *set.Entry(section, slot);
    for (int f = 0; f < fieldCount; ++f) {
      if (f > 0) text += ',';
      std::string field = GetFieldText(entry, f);
      if (category == kCatAddress && f == kAddressBarcodeField) field = NarrowText(field);
      text += field;
    }
    text += "\r\n";
    any = true;
  }
  if (!any) {
    messages.ShowMessage(kMsgNothingToSave);
    return kTextNothingToSave;
  }
  if (IsReadOnlyFile(path)) return kTextNotCreated;
  if (encoding == ETextEncoding::kUtf8Bom) text = std::string(kUtf8Bom) + Cp932ToUtf8(text);
  return WriteFileReplacing(path, text, false, durable) ? kTextWritten : kTextNotCreated;
}

bool ReadTextFile(CDataSet& set, int category, const std::string& path, bool skipFirstLine, int* stored) {
  if (stored) *stored = 0;
  if (!IsTextCategory(category)) return false;
  std::string raw;
  if (!ReadWholeFile(path, raw)) return false;
  if (!raw.empty() && raw.back() == kOldEndOfFile) raw.pop_back();
  if (raw.starts_with(kUtf8Bom)) raw = Utf8ToCp932(std::string_view(raw).substr(kUtf8Bom.size()));

  const int section = SectionOfCategory(category);
  const int slots = SectionSlotCount(section);
  const size_t kept = category == kCatAddress ? kAddressFieldsKept : kNameFieldsKept;
  const char separator = ChooseSeparator(raw);
  std::vector<std::string_view> lines = SplitLines(raw);
  int record = 0, count = 0;
  for (size_t i = 0; i < lines.size() && record < slots; ++i) {
    if (skipFirstLine && i == 0) continue;
    std::vector<std::string> fields = SplitFields(lines[i], separator);
    if (fields.size() > kept) fields.resize(kept);
    std::vector<uint8_t> content = BuildRecordContent(category, PrepareRecordFields(category, fields));
    const DATAENTRY* old = set.Entry(section, record);
    // A slot whose memory cannot be had keeps its entry; the next line goes on.
    if (set.SetEntry(section, record, old ? old->group : 0, content)) ++count;
    ++record;
  }
  if (stored) *stored = count;
  return true;
}
