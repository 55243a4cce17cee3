// The entries clipboard payload from any process: a payload that decodes
// must encode to one that decodes to the same entries; one that does not
// decode leaves nothing.
#include <cstdlib>

#include "model/EntryClipboard.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  std::vector<DATAENTRY> entries;
  const int rc = DecodeEntries(std::span<const uint8_t>(data, size), entries);
  if (rc != kClipOk) {
    if (!entries.empty()) std::abort();
    return 0;
  }
  std::vector<const DATAENTRY*> refs;
  for (const DATAENTRY& e : entries) {
    if (e.size && !e.content) std::abort();
    refs.push_back(&e);
  }
  const std::vector<uint8_t> again = EncodeEntries(refs);
  // Decoding normalises flags, so only the entries must survive, not the bytes.
  if (again.size() > size) std::abort();
  std::vector<DATAENTRY> back;
  if (DecodeEntries(again, back) != kClipOk || back.size() != entries.size()) std::abort();
  for (size_t i = 0; i < back.size(); ++i) {
    const DATAENTRY& a = entries[i];
    const DATAENTRY& b = back[i];
    if (a.used != b.used || a.group != b.group || a.size != b.size ||
        !std::equal(a.Bytes().begin(), a.Bytes().end(), b.Bytes().begin()))
      std::abort();
  }
  return 0;
}
