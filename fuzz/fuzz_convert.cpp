// The model conversions on arbitrary entry content.
#include "device/ModelConvert.h"
#include "model/DataSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 70000) return 0;
  std::span<const uint8_t> content(data, size);
  const int32_t mask = size ? static_cast<int32_t>(data[size - 1] & 0x7F) : -1;
  std::vector<uint8_t> filtered = FilterGlyphSizes(content, mask);
  (void)FilterGlyphSizes(content, -1);
  (void)GetGlyphSizeMask(filtered);
  (void)GlyphSizesLacking(GetGlyphSizeMask(content), mask);
  CDataSet set;
  for (int sec : {kSecFile, kSecGlyph}) {
    set.SetEntry(sec, 0, 1, content);
    (void)QP510WouldChange(*set.Entry(sec, 0), sec);
  }
  (void)ConvertGlyphsForQP510(*set.Entry(kSecGlyph, 0));
  (void)ConvertFileDataForQP510(*set.Entry(kSecFile, 0));
  return 0;
}
