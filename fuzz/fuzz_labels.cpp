// Every label of every category, the group name rewrite and the glyph size
// mask on arbitrary entry content.
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/Labels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 70000) return 0;
  static CDataSet set;
  const uint16_t group = size ? data[0] % 12 : 0;
  for (int cat = 0; cat < kCategoryCount; ++cat) {
    const int sec = SectionOfCategory(cat);
    set.SetEntry(sec, 0, group, std::span<const uint8_t>(data, size));
    (void)GetListText(set, cat, 0);
    (void)GetDetailLines(set, cat, 0);
  }
  const DATAENTRY& e = *set.Entry(kSecAddress, 0);
  for (int f = 0; f < 8; ++f) (void)GetFieldText(e, f);
  (void)GetTitleText(e);
  (void)GetGroupLabel(e);
  (void)GetGlyphSizeMask(e);
  static const uint8_t name[] = {0x82, 0xA0, 0x82, 0xA2};
  SetGroupName(*set.Entry(kSecAddress, 0), name);
  (void)GetGroupLabel(*set.Entry(kSecAddress, 0));
  return 0;
}
