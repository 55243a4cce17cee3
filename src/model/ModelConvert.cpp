#include "model/ModelConvert.h"

#include <algorithm>
#include <bitset>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>

#include "model/Category.h"
#include "model/Content.h"
#include "model/GlyphSizes.h"
#include "model/Paths.h"

namespace {

// Every glyph size bit; a model without a "glyph" key (-1) needs them all.
constexpr uint32_t kAllGlyphSizes = (1u << kGlyphSizeCount) - 1;

// The content ends with these two bytes.
constexpr uint8_t kCr = 0x0D;
constexpr uint8_t kLf = 0x0A;

// The patterns a QP510 takes: width, height and packed byte count must all
// match one row, so a 16x16 item carrying the wrong byte count is dropped too.
struct QP510GLYPH {
  uint32_t width, height, bytes;
};
constexpr QP510GLYPH kQP510Glyphs[] = {
    {16, 16, 32}, {24, 24, 72}, {32, 32, 128}, {40, 40, 200}, {48, 48, 288},
};

// Item types of file data that the QP510 clamp looks at. The meaning of
// each sub-field is the printer's; the rules work on the numbers alone.
constexpr uint8_t kItemLayout = 0x00;    // sub-fields 0, 4, 9, 10
constexpr uint8_t kItemCharSet = 0x02;   // character settings in sub-fields 12..15
constexpr uint8_t kItemStyle08 = 0x08;   // these four share the style rules
constexpr uint8_t kItemStyle10 = 0x10;
constexpr uint8_t kItemStyle20 = 0x20;
constexpr uint8_t kItemStyle70 = 0x70;
constexpr uint8_t kItemParagraph = kItemField;  // 0x30: takes the last 0x02 settings

// Character setting sub-fields: 12 kind, 13 size, 14 and 15 two-byte codes.
constexpr uint8_t kSfCharKind = 12;
constexpr uint8_t kSfCharSize = 13;
constexpr uint8_t kSfCharCode1 = 14;
constexpr uint8_t kSfCharCode2 = 15;
// Values of sub-field 12 that the character rules distinguish.
constexpr uint8_t kCharKindSized = 1;   // sub-field 13 must lie in 33..118
constexpr uint8_t kCharKindSymbol = 2;  // codes must be QP510 symbols
constexpr uint8_t kCharKindStep = 3;    // sub-field 13 must lie in 1..10

// The model data file holding the QP510 symbol codes (little-endian words).
constexpr const char* kSymbolTableFile = "/QP510.sym";
// A table larger than this is not the model's data; it is read no further.
constexpr size_t kSymbolTableMaxBytes = 1 << 20;

struct SYMBOLTABLE {
  std::once_flag loaded;
  std::bitset<65536> codes;
};

std::unique_ptr<SYMBOLTABLE>& SymbolTableSlot() {
  static std::unique_ptr<SYMBOLTABLE> table = std::make_unique<SYMBOLTABLE>();
  return table;
}

const std::bitset<65536>& SymbolCodes() {
  SYMBOLTABLE& t = *SymbolTableSlot();
  std::call_once(t.loaded, [&t] {
    // A missing or unreadable table leaves it empty: every symbol code then
    // fails the QP510 test and falls back to the default setting.
    std::ifstream in(GetProgramFolder() + kSymbolTableFile, std::ios::binary);
    uint8_t pair[2];
    size_t read = 0;
    while (read < kSymbolTableMaxBytes && in.read(reinterpret_cast<char*>(pair), 2)) {
      t.codes.set(static_cast<size_t>(pair[0]) | (static_cast<size_t>(pair[1]) << 8));
      read += 2;
    }
  });
  return t.codes;
}

void AppendRange(std::vector<uint8_t>& out, ContentBytes c, size_t begin, size_t end) {
  if (end > c.size()) end = c.size();
  if (begin < end) out.insert(out.end(), c.begin() + begin, c.begin() + end);
}

// Header copy, then every glyph bitmap item that `keep` accepts, then CR LF.
// Content too short for a header gives an empty result.
template <typename Keep>
std::vector<uint8_t> RebuildGlyphContent(ContentBytes c, Keep keep) {
  std::vector<uint8_t> out;
  CONTENTHEADER header;
  if (!ParseContentHeader(c, header)) return out;
  out.reserve(c.size());
  AppendRange(out, c, 0, header.items);
  CItemWalker walker(c, header.items, /*glyphItems=*/true);
  CONTENTITEM item;
  while (walker.Next(item)) {
    if (item.kind != kItemControl) continue;  // a stray text run is no pattern
    const uint32_t width = SubFieldValue(c, item, kSubGlyphWidth, 0);
    const uint32_t height = SubFieldValue(c, item, kSubGlyphHeight, 0);
    if (keep(width, height, static_cast<uint32_t>(item.bitmapLength)))
      AppendRange(out, c, item.pos, item.next);
  }
  out.push_back(kCr);
  out.push_back(kLf);
  return out;
}

std::vector<uint8_t> QP510GlyphContent(ContentBytes c) {
  return RebuildGlyphContent(c, [](uint32_t w, uint32_t h, uint32_t bytes) {
    for (const QP510GLYPH& row : kQP510Glyphs)
      if (row.width == w && row.height == h && row.bytes == bytes) return true;
    return false;
  });
}

// ---- File data: control items rebuilt as editable sub-field lists ----

// One sub-field of a rebuilt item: its id and where its data bytes lie in
// the item's data buffer.
struct SUBFIELDREF {
  uint8_t id = 0;
  uint8_t length = 0;
  uint32_t offset = 0;

  bool operator==(const SUBFIELDREF&) const = default;
};

// A control item as an editable sub-field list. The buffers are reused from
// item to item (assignment keeps their capacity), so a conversion allocates
// almost nothing per item.
struct CONTROLITEM {
  uint8_t type = 0;
  uint8_t second = 0;  // the byte after the type, kept as it was
  std::vector<SUBFIELDREF> fields;
  std::vector<uint8_t> data;  // every sub-field's data bytes, back to back

  void Reset(uint8_t t, uint8_t s) {
    type = t;
    second = s;
    fields.clear();
    data.clear();
  }
  void Add(uint8_t id, const uint8_t* bytes, uint8_t length) {
    fields.push_back({id, length, static_cast<uint32_t>(data.size())});
    data.insert(data.end(), bytes, bytes + length);
  }
  // The first sub-field with this id, or null.
  const SUBFIELDREF* Find(uint8_t id) const {
    for (const SUBFIELDREF& f : fields)
      if (f.id == id) return &f;
    return nullptr;
  }
  // A sub-field "is present" for the rules when it has a first data byte.
  bool Has(uint8_t id) const {
    const SUBFIELDREF* f = Find(id);
    return f && f->length > 0;
  }
  uint8_t Get(uint8_t id) const { return Has(id) ? data[Find(id)->offset] : 0; }
  void Set(uint8_t id, uint8_t value) {
    if (Has(id)) data[Find(id)->offset] = value;
  }
  // Every data byte of the sub-field set to 0.
  void Clear(uint8_t id) {
    if (const SUBFIELDREF* f = Find(id)) std::fill_n(data.begin() + f->offset, f->length, 0);
  }
  // A code sub-field (14, 15) that is present but holds no table symbol; the
  // code is its first two bytes, first byte high.
  bool CodeNotSymbol(uint8_t id) const {
    const SUBFIELDREF* f = Find(id);
    if (!f) return false;  // absent: the rule is skipped
    if (f->length < 2) return true;
    return !IsQP510SymbolCode(static_cast<uint16_t>(data[f->offset] << 8 | data[f->offset + 1]));
  }

  bool operator==(const CONTROLITEM&) const = default;
};

// Fills `ci` from a control item of the walk; `scratch` holds the sub-field
// positions between calls.
void ReadControlItem(ContentBytes c, const CONTENTITEM& item, std::vector<SUBFIELD>& scratch, CONTROLITEM& ci) {
  ci.Reset(item.type, c[item.pos + 1]);
  // Each sub-field takes at least two bytes, which bounds the count.
  const size_t most = (item.subEnd - item.pos) / 2 + 1;
  if (scratch.size() < most) scratch.resize(most);
  const size_t n = ReadSubFields(c, item, scratch.data(), scratch.size());
  for (size_t i = 0; i < n; ++i) ci.Add(scratch[i].id, c.data() + scratch[i].data, scratch[i].length);
}

// type, second byte, sub-fields, a pad byte when the length is odd, zero word.
void WriteControlItem(std::vector<uint8_t>& out, const CONTROLITEM& ci) {
  const size_t start = out.size();
  out.push_back(ci.type);
  out.push_back(ci.second);
  for (const SUBFIELDREF& f : ci.fields) {
    out.push_back(f.id);
    out.push_back(f.length);
    out.insert(out.end(), ci.data.begin() + f.offset, ci.data.begin() + f.offset + f.length);
  }
  if ((out.size() - start) % 2) out.push_back(0);
  out.push_back(0);
  out.push_back(0);
}

bool IsOneOf(uint8_t v, std::initializer_list<uint8_t> allowed) {
  for (uint8_t a : allowed)
    if (v == a) return true;
  return false;
}

void ClampLayoutItem(CONTROLITEM& ci) {
  if (ci.Has(0) && (ci.Get(0) < 1 || ci.Get(0) > 6)) ci.Set(0, 2);
  if (ci.Has(4)) {
    const uint8_t v = ci.Get(4);
    if ((v >= 65 && v <= 111) || v > 120) ci.Set(4, 0);
  }
  if (ci.Has(9) && ci.Has(10) && ci.Get(10) == 10 && !IsOneOf(ci.Get(9), {1, 2})) ci.Set(9, 1);
}

// The companion of a selector sub-field must be one of the values its
// selector allows: 0 for 0, {0,1,6} for 2, {0,1,4} for 4, else {0,1}.
void ClampCompanion(CONTROLITEM& ci, uint8_t selector, uint8_t companion) {
  if (!ci.Has(selector) || !ci.Has(companion)) return;
  const uint8_t s = ci.Get(selector), v = ci.Get(companion);
  bool ok;
  switch (s) {
    case 0: ok = v == 0; break;
    case 2: ok = IsOneOf(v, {0, 1, 6}); break;
    case 4: ok = IsOneOf(v, {0, 1, 4}); break;
    default: ok = IsOneOf(v, {0, 1}); break;
  }
  if (!ok) ci.Set(companion, 0);
}

void ClampStyleItem(CONTROLITEM& ci) {
  if (ci.Has(4) && ci.Get(4) != 0 && !IsOneOf(ci.Get(4) & 0x1C, {0, 4, 8, 16, 20})) ci.Set(4, 0);
  if (ci.Has(21) && ci.Get(21) > 1) ci.Set(21, 0);

  if (ci.Has(8)) {
    if (ci.Get(8) == 12) {
      ci.Set(8, 2);
    } else if (ci.Get(8) > 8) {
      ci.Set(8, 0);
      ci.Set(9, 0);
    }
  }
  ClampCompanion(ci, 8, 9);

  if (ci.Has(12)) {
    if (ci.Get(12) == 5) {
      ci.Set(12, 1);
    } else if (ci.Get(12) > 3) {
      ci.Set(12, 0);
      ci.Set(13, 0);
    }
  }
  if (ci.Has(12) && ci.Has(13)) {
    const uint8_t s = ci.Get(12), v = ci.Get(13);
    const bool ok = s == 1 ? IsOneOf(v, {0, 1, 6}) : s == 3 ? IsOneOf(v, {0, 1, 4}) : IsOneOf(v, {0, 1});
    if (!ok) ci.Set(13, 0);
  }

  if (ci.Has(16)) {
    if (ci.Get(16) == 8) {
      ci.Set(16, 2);
    } else if (ci.Get(16) > 6) {
      ci.Set(16, 0);
      ci.Set(17, 0);
    }
  }
  ClampCompanion(ci, 16, 17);

  if (ci.Has(24) && ci.Has(25) && IsOneOf(ci.Get(24), {2, 4, 6}) && !IsOneOf(ci.Get(25), {1, 2, 4}))
    ci.Set(25, 1);
}

// Whether the character settings (sub-fields 12 to 15) are ones a QP510 takes.
bool FailsCharacterTest(const CONTROLITEM& ci) {
  if (!ci.Has(kSfCharKind)) return false;
  const uint8_t kind = ci.Get(kSfCharKind);
  if (kind > 3) return true;
  if (ci.Has(kSfCharSize)) {
    const uint8_t size = ci.Get(kSfCharSize);
    if (kind == kCharKindSized && (size <= 32 || size > 118)) return true;
    if (kind == kCharKindStep && (size == 0 || size > 10)) return true;
  }
  if (kind == kCharKindSymbol && (ci.CodeNotSymbol(kSfCharCode1) || ci.CodeNotSymbol(kSfCharCode2)))
    return true;
  return false;
}

// Writes `bytes` over the sub-field's data, keeping its length (zero-filled
// beyond the given bytes).
void SetBytes(CONTROLITEM& ci, uint8_t id, std::initializer_list<uint8_t> bytes) {
  const SUBFIELDREF* f = ci.Find(id);
  if (!f) return;
  size_t i = 0;
  for (uint8_t b : bytes) {
    if (i >= f->length) break;
    ci.data[f->offset + i++] = b;
  }
  for (; i < f->length; ++i) ci.data[f->offset + i] = 0;
}

// The settings a failed character test falls back to.
void SetDefaultCharacter(CONTROLITEM& ci) {
  SetBytes(ci, kSfCharKind, {1});
  SetBytes(ci, kSfCharSize, {33});
  SetBytes(ci, kSfCharCode1, {0xF1, 0xE0});
  SetBytes(ci, kSfCharCode2, {0xF1, 0xE1});
}

void ApplyCommonCharacterRules(CONTROLITEM& ci) {
  if (ci.Has(kSfCharKind)) {
    if (ci.Get(kSfCharKind) >= 4) {
      ci.Set(kSfCharKind, 0);
      ci.Clear(kSfCharCode1);
      ci.Clear(kSfCharCode2);
    }
    if (ci.Has(kSfCharSize)) {
      const uint8_t kind = ci.Get(kSfCharKind), size = ci.Get(kSfCharSize);
      if ((kind == kCharKindSized && (size < 33 || size > 118)) ||
          (kind == kCharKindStep && (size == 0 || size > 10))) {
        ci.Set(kSfCharKind, 0);
        ci.Set(kSfCharSize, 0);
        ci.Clear(kSfCharCode1);
        ci.Clear(kSfCharCode2);
      }
    }
    if (ci.Get(kSfCharKind) == kCharKindSymbol) {
      for (uint8_t id : {kSfCharCode1, kSfCharCode2}) {
        if (!ci.CodeNotSymbol(id)) continue;
        ci.Set(kSfCharKind, 0);
        ci.Set(kSfCharSize, 0);
        ci.Clear(kSfCharCode1);
        ci.Clear(kSfCharCode2);
      }
    }
  }
  if (ci.Has(4) && ci.Has(5)) {
    const uint8_t a = ci.Get(4), b = ci.Get(5);
    if (a == 1 && (b == 0 || b > 5)) {
      ci.Set(5, 5);
    } else if ((a == 2 && b > 4) || (a == 3 && b > 4) || (a == 4 && b > 5) || (a == 5 && b > 6) ||
               (a == 6 && b > 3) || (a == 7 && b >= 2)) {
      ci.Set(5, 1);
    }
  }
}

bool IsCharacterField(uint8_t id) { return id >= kSfCharKind && id <= kSfCharCode2; }

// The paragraph item takes the character settings of the last 0x02 item in
// place of its own sub-field 12 to 15, when its own fail the test.
void InheritCharacter(const CONTROLITEM& own, const CONTROLITEM* lastCharSet, CONTROLITEM& rebuilt) {
  rebuilt.Reset(own.type, own.second);
  bool inserted = false;
  for (const SUBFIELDREF& f : own.fields) {
    if (!IsCharacterField(f.id)) {
      rebuilt.Add(f.id, own.data.data() + f.offset, f.length);
      continue;
    }
    if (f.id == kSfCharKind && !inserted) {
      inserted = true;
      if (lastCharSet)
        for (const SUBFIELDREF& g : lastCharSet->fields)
          if (IsCharacterField(g.id)) rebuilt.Add(g.id, lastCharSet->data.data() + g.offset, g.length);
    }
  }
}

// Rebuilds file-data content with the QP510 clamps; `changed` tells whether
// any rule altered an item. Content too short for a header gives an empty
// result and no change.
std::vector<uint8_t> QP510FileContent(ContentBytes c, bool& changed) {
  changed = false;
  std::vector<uint8_t> out;
  CONTENTHEADER header;
  if (!ParseContentHeader(c, header)) return out;
  out.reserve(c.size() + 16);
  AppendRange(out, c, 0, header.items);

  bool haveCharSet = false;
  CONTROLITEM original, ci, lastCharSet, inherited;
  std::vector<SUBFIELD> scratch;
  CItemWalker walker(c, header.items);
  CONTENTITEM item;
  while (walker.Next(item)) {
    if (item.kind == kItemText) {
      AppendRange(out, c, item.pos, item.next);
      continue;
    }
    if (item.kind != kItemControl) continue;
    ReadControlItem(c, item, scratch, original);
    ci = original;
    switch (ci.type) {
      case kItemLayout:
        ClampLayoutItem(ci);
        break;
      case kItemStyle08:
      case kItemStyle10:
      case kItemStyle20:
      case kItemStyle70:
        ClampStyleItem(ci);
        break;
      case kItemCharSet:
        if (FailsCharacterTest(ci)) SetDefaultCharacter(ci);
        ApplyCommonCharacterRules(ci);
        lastCharSet = ci;
        haveCharSet = true;
        break;
      case kItemParagraph:
        if (FailsCharacterTest(ci)) {
          InheritCharacter(original, haveCharSet ? &lastCharSet : nullptr, inherited);
          ci = inherited;
        }
        ApplyCommonCharacterRules(ci);
        break;
      default:
        break;
    }
    if (!(ci == original)) changed = true;
    WriteControlItem(out, ci);
  }
  out.push_back(kCr);
  out.push_back(kLf);
  return out;
}

// Installs `content` as the entry's content; false (entry unchanged) when
// memory runs out.
bool ReplaceContent(DATAENTRY& entry, const std::vector<uint8_t>& content) {
  if (content.empty()) {
    entry.content.reset();
    entry.size = 0;
    return true;
  }
  std::unique_ptr<uint8_t[]> buffer = AllocContent(content.size());
  if (!buffer) return false;
  std::memcpy(buffer.get(), content.data(), content.size());
  entry.content = std::move(buffer);
  entry.size = static_cast<uint32_t>(content.size());
  return true;
}

}  // namespace

bool GlyphSizesLacking(uint32_t entryMask, int32_t modelMask) {
  const uint32_t needed = static_cast<uint32_t>(modelMask) & kAllGlyphSizes;
  return (needed & ~entryMask) != 0;
}

std::vector<uint8_t> FilterGlyphSizes(std::span<const uint8_t> content, int32_t mask) {
  const uint32_t allowed = static_cast<uint32_t>(mask) & kAllGlyphSizes;
  return RebuildGlyphContent(content, [allowed](uint32_t w, uint32_t h, uint32_t) {
    const int row = w > 255 || h > 255 ? -1 : GlyphSizeIndex(static_cast<int>(w), static_cast<int>(h));
    return row >= 0 && (allowed >> row) & 1;
  });
}

bool ConvertGlyphsForQP510(DATAENTRY& entry) {
  if (entry.size == 0 || !entry.content) return false;
  const std::vector<uint8_t> converted = QP510GlyphContent(entry.Bytes());
  if (converted.size() == entry.size) return false;
  return ReplaceContent(entry, converted);
}

bool ConvertFileDataForQP510(DATAENTRY& entry) {
  if (entry.size == 0 || !entry.content) return false;
  bool changed = false;
  const std::vector<uint8_t> converted = QP510FileContent(entry.Bytes(), changed);
  if (!changed) return false;
  return ReplaceContent(entry, converted);
}

bool QP510WouldChange(const DATAENTRY& entry, int section) {
  if (entry.size == 0 || !entry.content) return false;
  if (section == kSecGlyph) return QP510GlyphContent(entry.Bytes()).size() != entry.size;
  if (section == kSecFile) {
    bool changed = false;
    (void)QP510FileContent(entry.Bytes(), changed);
    return changed;
  }
  return false;
}

bool IsQP510SymbolCode(uint16_t code) { return SymbolCodes().test(code); }

void ReloadQP510SymbolTable() { SymbolTableSlot() = std::make_unique<SYMBOLTABLE>(); }
