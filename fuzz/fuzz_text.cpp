// Address and name text files from other programs: the line splitter, the
// field rules and the whole file reader. The first byte picks the category
// and whether the header line is skipped. Whatever is stored must export and
// import back to the same fields.
#include <cstdlib>
#include <cstring>

#include "FuzzUtil.h"
#include "exchange/TextFile.h"
#include "exchange/TextRules.h"
#include "model/Category.h"
#include "model/Labels.h"

namespace {

// The fields as the user sees them (and as export writes them): import keeps
// some double-byte codes that the field text shows as a mark, so the raw
// bytes may differ after a round trip while the fields may not.
bool SameFields(const CDataSet& a, const CDataSet& b, int category) {
  const int sec = SectionOfCategory(category);
  for (int i = 0; i < SectionSlotCount(sec); ++i) {
    const DATAENTRY* x = a.Entry(sec, i);
    const DATAENTRY* y = b.Entry(sec, i);
    if ((x->used && x->size) != (y->used && y->size)) return false;
    if (!(x->used && x->size)) continue;
    for (int f = 0; f < RecordFieldCount(category); ++f)
      if (GetFieldText(*x, f) != GetFieldText(*y, f)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 200000) return 0;
  const int category = data[0] & 1 ? kCatName : kCatAddress;
  const bool skipFirst = data[0] & 2;
  std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const char sep = ChooseSeparator(text);
  std::string_view line = text.substr(0, std::min<size_t>(text.find('\n'), text.size()));
  const std::vector<std::string> raw = SplitFields(line, sep);
  for (const std::string& f : raw)
    if (f.size() > kMaxFieldBytes) std::abort();
  const std::vector<std::string> fields = PrepareRecordFields(category, raw);
  if (fields.size() != static_cast<size_t>(RecordFieldCount(category))) std::abort();
  (void)BuildRecordContent(category, fields);

  const std::string& path = FuzzInputFile(data + 1, size - 1);
  CDataSet set;
  int stored = 0;
  const int sec = SectionOfCategory(category);
  if (!ReadTextFile(set, category, path, skipFirst, &stored)) return 0;
  if (stored < 0 || stored > SectionSlotCount(sec)) std::abort();

  static const std::string out = path + ".out";
  CSilentMessages quiet;
  if (WriteTextFile(set, category, out, false, quiet) != kTextWritten) return 0;
  CDataSet again;
  int storedAgain = 0;
  if (!ReadTextFile(again, category, out, false, &storedAgain)) std::abort();
  if (storedAgain != stored || !SameFields(set, again, category)) std::abort();
  return 0;
}
