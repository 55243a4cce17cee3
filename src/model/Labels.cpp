#include "model/Labels.h"

#include "model/Category.h"
#include "model/Cp932.h"
#include "model/GlyphSizes.h"

namespace {

// Codes the printer uses for its two spaces, and the codes it reserves.
constexpr uint16_t kPrinterWideSpace = 0xECA5;  // shown as a full-width space
constexpr uint16_t kPrinterHalfSpace = 0xECA6;  // shown as one ASCII space
constexpr uint16_t kReservedFirst = 0x82F2;     // 0x82F2..0x82F4: printer-only marks
constexpr uint16_t kReservedLast = 0x82F4;

// The code ranges the PC shows as they are; everything else becomes "■".
struct CODERANGE {
  uint16_t first, last;
};
constexpr CODERANGE kShownRanges[] = {
    {0x8140, 0x81CD}, {0x81DA, 0x8491}, {0x8740, 0x879C}, {0x889F, 0x9FFE}, {0xE040, 0xEAA5},
};

// Item types that the labels read.
constexpr uint8_t kItemLineBreak1 = 0x10;  // line break inside a paragraph
constexpr uint8_t kItemLineBreak2 = 0x70;
constexpr uint8_t kItemObject1 = 0x40;  // non-text objects: one mark each
constexpr uint8_t kItemObject2 = 0x42;
constexpr uint8_t kItemObject3 = 0x50;
constexpr uint8_t kItemObject4 = 0x60;  // also the one object a field text shows

// File data shows this many lines before its group line.
constexpr size_t kFileDetailLines = 6;
// Address and name field counts.
constexpr int kAddressFields = 7;

// A bitmap this long or longer is never the preview's small pattern.
constexpr size_t kSmallPatternLimit = 288;

// Fixed texts, kept as UTF-8 here and turned into CP932 once.
struct TEXTS {
  std::string wideSpace, mark, groupMark, noGroup, newParagraph;
  std::string digits[10];
  std::string fileName, fileContent, address, reading, name, group, glyphReading;

  TEXTS() {
    wideSpace = Utf8ToCp932("　");
    mark = Utf8ToCp932("■");
    groupMark = Utf8ToCp932("Ｇ");
    noGroup = Utf8ToCp932("グループ無");
    newParagraph = Utf8ToCp932("(改段落)");
    static const char* const kDigits[10] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
    for (int i = 0; i < 10; ++i) digits[i] = Utf8ToCp932(kDigits[i]);
    fileName = Utf8ToCp932("ﾌｧｲﾙ名　:");
    fileContent = Utf8ToCp932("ﾌｧｲﾙ内容　:");
    address = Utf8ToCp932("住所　:");
    reading = Utf8ToCp932("ふりがな　:");
    name = Utf8ToCp932("名前　:");
    group = Utf8ToCp932("ｸﾞﾙｰﾌﾟ名　:");
    glyphReading = Utf8ToCp932("読み　:");
  }
};

const TEXTS& Texts() {
  static const TEXTS texts;
  return texts;
}

bool IsShownCode(uint16_t code) {
  for (const CODERANGE& r : kShownRanges)
    if (code >= r.first && code <= r.last) return true;
  return false;
}

void AppendConverted(std::string& out, ContentBytes c, const TEXTRUN& run) {
  const TEXTS& t = Texts();
  for (size_t p = run.begin; p + 2 <= run.end && p + 1 < c.size(); p += 2) {
    const uint8_t hi = c[p], lo = c[p + 1];
    const uint16_t code = static_cast<uint16_t>(hi << 8 | lo);
    if (code == kPrinterWideSpace) {
      out += t.wideSpace;
    } else if (code == kPrinterHalfSpace) {
      out += ' ';
    } else if (code >= kReservedFirst && code <= kReservedLast) {
      out += t.mark;
    } else if (IsShownCode(code) && IsCp932Trail(lo)) {
      // A second byte that is no trail byte would make the text invalid CP932.
      out += static_cast<char>(hi);
      out += static_cast<char>(lo);
    } else {
      out += t.mark;
    }
  }
}

const DATAENTRY* EntryOf(const CDataSet& set, int category, int slot) {
  return set.Entry(SectionOfCategory(category), slot);
}

// Field texts of address and name entries, in one walk: the first field of
// each number wins, as GetFieldText reads it.
std::string FieldText(ContentBytes c, int number) {
  CONTENTHEADER header;
  if (!ParseContentHeader(c, header)) return {};
  CItemWalker walker(c, header.items, /*glyphItems=*/false, /*zeroWords=*/true);
  CONTENTITEM item;
  bool pending = false;  // `item` is a 0x30 item not yet looked at
  for (;;) {
    if (!pending && !walker.Next(item)) return {};
    pending = false;
    if (item.kind != kItemControl || item.type != kItemField) continue;
    SUBFIELD sf;
    if (!FindSubField(c, item, kSubFieldNumber, sf) || sf.length == 0) continue;
    const bool wanted = c[sf.data] == number;
    std::string text;
    bool more = false;
    while ((more = walker.Next(item))) {
      if (item.kind == kItemText) {
        if (wanted) AppendConverted(text, c, item.text);
      } else if (item.kind == kItemControl) {
        if (item.type == kItemField) {
          pending = true;
          break;
        }
        if (item.type == kItemObject4 && wanted) text += Texts().mark;
      }
    }
    if (wanted) return text;
    if (!more) return {};
  }
}

std::string GroupLabelLine(const DATAENTRY& e) { return Texts().group + GetGroupLabel(e); }

// File data: the title line, the contents line, the text as paragraphs of
// lines, cut or padded to six lines.
void FileDetailLines(const DATAENTRY& e, std::vector<std::string>& lines) {
  const TEXTS& t = Texts();
  lines.push_back(t.fileName + GetTitleText(e));
  lines.push_back(t.fileContent);

  std::vector<std::vector<std::string>> paragraphs;
  const ContentBytes c = e.Bytes();
  CONTENTHEADER header;
  if (ParseContentHeader(c, header)) {
    // Text before any paragraph item opens a paragraph of its own; a
    // paragraph gets its first line when something is written into it.
    auto lastLine = [&paragraphs]() -> std::string& {
      if (paragraphs.empty()) paragraphs.emplace_back();
      if (paragraphs.back().empty()) paragraphs.back().emplace_back();
      return paragraphs.back().back();
    };
    // Type 0x00 items are real in file data, so a zero word is no filler here.
    CItemWalker walker(c, header.items);
    CONTENTITEM item;
    while (walker.Next(item)) {
      if (item.kind == kItemText) {
        AppendConverted(lastLine(), c, item.text);
        continue;
      }
      switch (item.type) {
        case kItemField:
          paragraphs.emplace_back();
          break;
        case kItemLineBreak1:
        case kItemLineBreak2:
          if (paragraphs.empty()) paragraphs.emplace_back();
          paragraphs.back().emplace_back();
          break;
        case kItemObject1:
        case kItemObject2:
        case kItemObject3:
        case kItemObject4:
          lastLine() += t.mark;
          break;
        default:
          break;
      }
    }
  }
  for (size_t i = 0; i < paragraphs.size() && lines.size() <= kFileDetailLines; ++i) {
    if (i > 0) lines.push_back(t.newParagraph);
    for (const std::string& line : paragraphs[i]) {
      if (lines.size() > kFileDetailLines) break;
      lines.push_back(line);
    }
  }
  if (lines.size() > kFileDetailLines) {
    lines.resize(kFileDetailLines);
    lines.back() = ":";
  }
  lines.resize(kFileDetailLines);
  lines.push_back(GroupLabelLine(e));
}

// The preview draws only patterns the glyph picture can load: a table size
// whose bitmap holds at least the packed bytes.
bool IsDrawablePattern(uint32_t width, uint32_t height, size_t length) {
  if (width > 255 || height > 255) return false;
  const int row = GlyphSizeIndex(static_cast<int>(width), static_cast<int>(height));
  return row >= 0 && length >= static_cast<size_t>(kGlyphSizes[row].entryBytes);
}

void PickGlyphPatterns(const DATAENTRY& e, DETAILLINES& d) {
  const ContentBytes c = e.Bytes();
  CONTENTHEADER header;
  if (!ParseContentHeader(c, header)) return;
  CItemWalker walker(c, header.items, /*glyphItems=*/true);
  CONTENTITEM item;
  while (walker.Next(item)) {
    if (item.kind != kItemControl) continue;
    GLYPHITEMREF ref;
    const uint32_t w = SubFieldValue(c, item, kSubGlyphWidth, 0);
    const uint32_t h = SubFieldValue(c, item, kSubGlyphHeight, 0);
    if (!IsDrawablePattern(w, h, item.bitmapLength)) continue;
    ref.width = static_cast<int>(w);
    ref.height = static_cast<int>(h);
    ref.bitmap = item.bitmap;
    ref.length = item.bitmapLength;
    // Ties keep the first item.
    if (!d.hasLargest || ref.length > d.largest.length) {
      d.largest = ref;
      d.hasLargest = true;
    }
    if (ref.length < kSmallPatternLimit && (!d.hasSmallest || ref.length < d.smallest.length)) {
      d.smallest = ref;
      d.hasSmallest = true;
    }
  }
}

}  // namespace

std::string ConvertContentText(ContentBytes content, size_t pos, size_t* next) {
  std::string out;
  if (pos >= content.size()) {
    if (next) *next = content.size();
    return out;
  }
  const TEXTRUN run = ScanTextRun(content, pos);
  AppendConverted(out, content, run);
  if (next) *next = run.next;
  return out;
}

std::string GetTitleText(const DATAENTRY& entry) {
  const ContentBytes c = entry.Bytes();
  CONTENTHEADER header;
  if (entry.size == 0 || !ParseContentHeader(c, header)) return {};
  std::string out;
  AppendConverted(out, c, header.title);
  return out;
}

std::string GetGroupLabel(const DATAENTRY& entry) {
  const TEXTS& t = Texts();
  // A group number above 9 has no digit of its own.
  std::string label = t.groupMark + (entry.group <= 9 ? t.digits[entry.group] : t.mark) + t.wideSpace;
  const ContentBytes c = entry.Bytes();
  CONTENTHEADER header;
  if (ParseContentHeader(c, header) && header.group.end > header.group.begin)
    AppendConverted(label, c, header.group);
  else
    label += t.noGroup;
  return label;
}

std::string GetFieldText(const DATAENTRY& entry, int number) {
  if (entry.size == 0) return {};
  return FieldText(entry.Bytes(), number);
}

std::string GetListText(const CDataSet& set, int category, int slot) {
  const DATAENTRY* e = EntryOf(set, category, slot);
  if (!e || e->size == 0) return {};
  switch (category) {
    case kCatFile:
    case kCatGlyph:
      return GetTitleText(*e);
    case kCatAddress:
      return GetFieldText(*e, 1);
    case kCatName:
      return GetFieldText(*e, 0) + GetFieldText(*e, 1);
    default:
      return {};
  }
}

DETAILLINES GetDetailLines(const CDataSet& set, int category, int slot) {
  DETAILLINES d;
  const DATAENTRY* e = EntryOf(set, category, slot);
  if (!e || !e->used) return d;
  const TEXTS& t = Texts();
  switch (category) {
    case kCatFile:
      FileDetailLines(*e, d.lines);
      break;
    case kCatAddress:
      d.lines.push_back(t.address);
      for (int f = 0; f < kAddressFields; ++f) d.lines.push_back(GetFieldText(*e, f));
      d.lines.push_back(GroupLabelLine(*e));
      break;
    case kCatName:
      d.lines.push_back(t.reading);
      d.lines.push_back(GetFieldText(*e, 2) + GetFieldText(*e, 3));
      d.lines.push_back(t.name + GetFieldText(*e, 0) + GetFieldText(*e, 1));
      d.lines.push_back(GroupLabelLine(*e));
      break;
    case kCatGlyph:
      d.lines.push_back(t.glyphReading + GetTitleText(*e));
      PickGlyphPatterns(*e, d);
      break;
    default:
      break;
  }
  return d;
}
