// LoadDataFile on arbitrary bytes; every file it accepts must save and load
// back to the same slots.
#include <cstdlib>
#include <cstring>

#include "FuzzUtil.h"
#include "model/DataSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = FuzzInputFile(data, size);
  CDataSet set;
  if (set.LoadDataFile(path) != 0) {
    for (int s = 0; s < kSectionCount; ++s)
      if (set.IsUsed(s, -2)) std::abort();  // a failed load leaves nothing behind
    return 0;
  }
  static const std::string out = path + ".out";
  if (set.SaveDataFile(out) != 0) return 0;
  CDataSet again;
  if (again.LoadDataFile(out) != 0) std::abort();
  for (int s = 0; s < kSectionCount; ++s) {
    for (int i = 0; i < SectionSlotCount(s); ++i) {
      const DATAENTRY* a = set.Entry(s, i);
      const DATAENTRY* b = again.Entry(s, i);
      // A used slot of size 0 is written as empty.
      const bool aUsed = a->used && a->size;
      const bool bUsed = b->used && b->size;
      if (aUsed != bUsed) std::abort();
      if (!aUsed) continue;
      if (a->group != b->group || a->size != b->size ||
          std::memcmp(a->content.get(), b->content.get(), a->size) != 0)
        std::abort();
    }
  }
  return 0;
}
