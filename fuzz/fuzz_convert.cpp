// The model conversions on arbitrary entry content. The last byte picks the
// model's glyph size mask. A filtered entry holds no size outside the mask
// and filters to itself; the QP510 question agrees with the conversion, and
// a converted glyph entry needs no second conversion.
#include <cstdlib>
#include <cstring>

#include "model/ModelConvert.h"
#include "model/Content.h"
#include "model/DataSet.h"

namespace {

bool SameBytes(const DATAENTRY& a, std::span<const uint8_t> b) {
  return a.size == b.size() && (b.empty() || std::memcmp(a.content.get(), b.data(), b.size()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 70000) return 0;
  std::span<const uint8_t> content(data, size);
  const int32_t mask = size ? static_cast<int32_t>(data[size - 1] & 0x7F) : -1;
  const std::vector<uint8_t> filtered = FilterGlyphSizes(content, mask);
  // A header whose group name runs to the end has no item stream; its copy
  // with CR LF appended reads differently, so only whole headers are held to
  // the properties.
  CONTENTHEADER header;
  const bool wholeHeader = ParseContentHeader(content, header) && header.group.next == header.group.end + 2;
  if (wholeHeader) {
    if (GetGlyphSizeMask(filtered) & ~static_cast<uint32_t>(mask)) std::abort();
    if (FilterGlyphSizes(filtered, mask) != filtered) std::abort();
  }
  (void)FilterGlyphSizes(content, -1);
  (void)GlyphSizesLacking(GetGlyphSizeMask(content), mask);

  CDataSet set;
  for (int sec : {kSecFile, kSecGlyph}) {
    set.SetEntry(sec, 0, 1, content);
    DATAENTRY& e = *set.Entry(sec, 0);
    const bool wouldChange = QP510WouldChange(e, sec);
    const bool changed = sec == kSecGlyph ? ConvertGlyphsForQP510(e) : ConvertFileDataForQP510(e);
    if (changed != wouldChange) std::abort();
    if (!changed && !SameBytes(e, content)) std::abort();  // "no change" must mean it
    // The file data clamps run once, in order, so a clamped value can make
    // an earlier rule apply on a second pass: only glyphs are checked here.
    if (wholeHeader && sec == kSecGlyph && QP510WouldChange(e, sec)) std::abort();
  }
  return 0;
}
