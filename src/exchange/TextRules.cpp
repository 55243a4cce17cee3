#include "exchange/TextRules.h"

#include "model/Category.h"
#include "model/Content.h"
#include "model/Cp932.h"

namespace {

// JIS X 0201 Roman (0x20..0x7E) to JIS X 0208. The quotes, the backslash and
// the tilde follow JIS, not Unicode: '"' is ”, '\'' is ’, '\\' is ￥, '~' is ￣.
constexpr uint16_t kAsciiToFull[0x5F] = {
    0x8140, 0x8149, 0x8168, 0x8194, 0x8190, 0x8193, 0x8195, 0x8166,  // 20-27
    0x8169, 0x816A, 0x8196, 0x817B, 0x8143, 0x817C, 0x8144, 0x815E,  // 28-2F
    0x824F, 0x8250, 0x8251, 0x8252, 0x8253, 0x8254, 0x8255, 0x8256,  // 30-37
    0x8257, 0x8258, 0x8146, 0x8147, 0x8183, 0x8181, 0x8184, 0x8148,  // 38-3F
    0x8197, 0x8260, 0x8261, 0x8262, 0x8263, 0x8264, 0x8265, 0x8266,  // 40-47
    0x8267, 0x8268, 0x8269, 0x826A, 0x826B, 0x826C, 0x826D, 0x826E,  // 48-4F
    0x826F, 0x8270, 0x8271, 0x8272, 0x8273, 0x8274, 0x8275, 0x8276,  // 50-57
    0x8277, 0x8278, 0x8279, 0x816D, 0x818F, 0x816E, 0x814F, 0x8151,  // 58-5F
    0x814D, 0x8281, 0x8282, 0x8283, 0x8284, 0x8285, 0x8286, 0x8287,  // 60-67
    0x8288, 0x8289, 0x828A, 0x828B, 0x828C, 0x828D, 0x828E, 0x828F,  // 68-6F
    0x8290, 0x8291, 0x8292, 0x8293, 0x8294, 0x8295, 0x8296, 0x8297,  // 70-77
    0x8298, 0x8299, 0x829A, 0x816F, 0x8162, 0x8170, 0x8150,          // 78-7E
};

// JIS X 0201 katakana (0xA1..0xDF) to JIS X 0208.
constexpr uint16_t kKanaToFull[0x3F] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340,          // A1-A7 。「」、・ヲァ
    0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385, 0x8387, 0x8362,  // A8-AF ィゥェォャュョッ
    0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C,  // B0-B7 ーアイウエオカキ
    0x834E, 0x8350, 0x8352, 0x8354, 0x8356, 0x8358, 0x835A, 0x835C,  // B8-BF クケコサシスセソ
    0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,  // C0-C7 タチツテトナニヌ
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D,  // C8-CF ネノハヒフヘホマ
    0x837E, 0x8380, 0x8381, 0x8382, 0x8384, 0x8386, 0x8388, 0x8389,  // D0-D7 ミムメモヤユヨラ
    0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B,  // D8-DF リルレロワン゛゜
};

constexpr uint8_t kHalfVoicedMark = 0xDE;      // ﾞ
constexpr uint8_t kHalfSemiVoicedMark = 0xDF;  // ﾟ
constexpr uint8_t kHalfU = 0xB3;               // ｳ
constexpr uint16_t kFullVu = 0x8394;           // ヴ

// ｶ..ﾄ and ﾊ..ﾎ take the voiced mark; their voiced forms follow each base
// character directly in JIS X 0208 (カ ガ, ハ バ パ).
constexpr bool TakesVoicedMark(uint8_t b) { return (b >= 0xB6 && b <= 0xC4) || (b >= 0xCA && b <= 0xCE); }
constexpr bool TakesSemiVoicedMark(uint8_t b) { return b >= 0xCA && b <= 0xCE; }

void AppendCode(std::string& out, uint16_t code) {
  out += static_cast<char>(code >> 8);
  out += static_cast<char>(code & 0xFF);
}

uint8_t At(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

// True when a whole double-byte character starts at i.
bool DoubleByteAt(std::string_view s, size_t i) {
  return i + 1 < s.size() && IsCp932Lead(At(s, i)) && IsCp932Trail(At(s, i + 1));
}

uint16_t CodeAt(std::string_view s, size_t i) { return static_cast<uint16_t>(At(s, i) << 8 | At(s, i + 1)); }

constexpr bool IsFullDigit(uint16_t c) { return c >= kFullDigitZero && c <= kFullDigitZero + 9; }
constexpr bool IsFullUpper(uint16_t c) { return c >= kFullUpperA && c <= kFullUpperA + 25; }

}  // namespace

int RecordFieldCount(int category) {
  if (category == kCatAddress) return kAddressFieldCount;
  if (category == kCatName) return kNameFieldCount;
  return 0;
}

int FieldCharLimit(int category, int field) {
  if (category == kCatName) return 7;
  if (category == kCatAddress) return field == kAddressPostalField ? 8 : 20;
  return 0;
}

std::string HeaderLine(int category) {
  if (category == kCatAddress) return Utf8ToCp932("〒番号,住所1,住所2,会社,部署,氏名,カスタマバーコード");
  if (category == kCatName) return Utf8ToCp932("氏（漢字）,名（漢字）,氏（読み）,名（読み）");
  return {};
}

uint16_t FullWidthOf(uint8_t single) {
  if (single >= 0x20 && single <= 0x7E) return kAsciiToFull[single - 0x20];
  if (single >= 0xA1 && single <= 0xDF) return kKanaToFull[single - 0xA1];
  return 0;
}

uint8_t SingleByteOf(uint16_t full) {
  for (int b = 0x20; b <= 0x7E; ++b)
    if (kAsciiToFull[b - 0x20] == full) return static_cast<uint8_t>(b);
  for (int b = 0xA1; b <= 0xDF; ++b)
    if (kKanaToFull[b - 0xA1] == full) return static_cast<uint8_t>(b);
  return 0;
}

std::string ConvertImportText(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (size_t i = 0; i < text.size();) {
    uint8_t b = At(text, i);
    if (DoubleByteAt(text, i)) {
      out.append(text.substr(i, 2));
      i += 2;
      continue;
    }
    ++i;
    if (b == ' ') {
      AppendCode(out, kPrinterHalfSpace);
    } else if (b == '\r' || b == '\n') {
      out += static_cast<char>(b);
    } else if (b < 0x20 || b == 0x7F) {
      // other control characters are dropped
    } else if (uint16_t full = FullWidthOf(b)) {
      uint8_t next = i < text.size() ? At(text, i) : 0;
      if (next == kHalfVoicedMark && b == kHalfU) {
        full = kFullVu;
        ++i;
      } else if (next == kHalfVoicedMark && TakesVoicedMark(b)) {
        full += 1;
        ++i;
      } else if (next == kHalfSemiVoicedMark && TakesSemiVoicedMark(b)) {
        full += 2;
        ++i;
      }
      AppendCode(out, full);
    } else {
      // A lone lead byte or a byte that is no character: a single byte here
      // would misalign every double-byte character after it in the entry.
      AppendCode(out, kReplacementMark);
    }
  }
  return out;
}

std::string NarrowText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (DoubleByteAt(text, i)) {
      uint8_t single = SingleByteOf(CodeAt(text, i));
      if (single != 0 && single != ',' && single != '"')
        out += static_cast<char>(single);
      else
        out.append(text.substr(i, 2));
      i += 2;
    } else {
      out += text[i++];
    }
  }
  return out;
}

std::string ApplyPostalCodeRule(std::string_view field) {
  std::string out;
  int chars = 0, digits = 0;
  constexpr int kMaxChars = 8;          // "ddd－dddd"
  constexpr int kDigitsBeforeMinus = 3;
  for (size_t i = 0; i < field.size() && chars < kMaxChars; i += 2) {
    if (!DoubleByteAt(field, i)) return {};
    uint16_t code = CodeAt(field, i);
    if (code == kFullMinus) continue;
    if (!IsFullDigit(code)) return {};
    if (digits == kDigitsBeforeMinus) {
      AppendCode(out, kFullMinus);
      ++chars;
    }
    AppendCode(out, code);
    ++chars;
    ++digits;
  }
  return out;
}

std::string ApplyBarcodeRule(std::string_view field) {
  for (size_t i = 0; i < field.size(); i += 2) {
    if (!DoubleByteAt(field, i)) return {};
    uint16_t code = CodeAt(field, i);
    if (code != kFullMinus && !IsFullDigit(code) && !IsFullUpper(code)) return {};
  }
  return std::string(field);
}

std::string CutToChars(std::string_view text, int chars) {
  size_t max = chars > 0 ? static_cast<size_t>(chars) * 2 : 0;
  return std::string(text.substr(0, Cp932PrefixLength(text, max)));
}

// Fields run from the start of the line to its end; a line that is empty or
// starts with CR or LF has none. A field that starts with '"' is quoted up to
// the next lone '"' ("" gives one '"'; CR, LF or the line end also close it),
// and whatever follows the closing quote up to the separator is appended.
// Double-byte characters are copied whole and never end a field. A field
// keeps at most kMaxFieldBytes bytes, cut on a character boundary; the rest
// of it is skipped so that later columns stay where they are. The separator
// (or a CR) that ends a field is skipped; a separator at the line's end opens
// no further field.
std::vector<std::string> SplitFields(std::string_view line, char separator) {
  std::vector<std::string> fields;
  const size_t n = line.size();
  auto isLineEnd = [&](size_t i) { return line[i] == '\r' || line[i] == '\n'; };
  size_t i = 0;
  while (i < n && !isLineEnd(i)) {
    std::string field;
    bool full = false;
    auto take = [&](size_t at, size_t len) {
      if (!full && field.size() + len <= kMaxFieldBytes)
        field.append(line.substr(at, len));
      else
        full = true;
    };
    if (line[i] == '"') {
      ++i;
      while (i < n && !isLineEnd(i)) {
        if (line[i] == '"') {
          if (i + 1 < n && line[i + 1] == '"') {
            take(i, 1);
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        size_t len = DoubleByteAt(line, i) ? 2 : 1;
        take(i, len);
        i += len;
      }
    }
    while (i < n && line[i] != separator && !isLineEnd(i)) {
      size_t len = DoubleByteAt(line, i) ? 2 : 1;
      take(i, len);
      i += len;
    }
    fields.push_back(std::move(field));
    if (i < n && (line[i] == separator || line[i] == '\r')) ++i;
  }
  return fields;
}

char ChooseSeparator(std::string_view text) {
  size_t pos = 0;
  for (int line = 0; line < kSeparatorProbeLines && pos < text.size(); ++line) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    if (text.substr(pos, end - pos).find('\t') != std::string_view::npos) return '\t';
    pos = end + 1;
  }
  return ',';
}

std::vector<std::string> PrepareRecordFields(int category, const std::vector<std::string>& raw) {
  const int count = RecordFieldCount(category);
  std::vector<std::string> fields(count);
  for (int f = 0; f < count && static_cast<size_t>(f) < raw.size(); ++f) {
    std::string text = ConvertImportText(raw[f]);
    if (category == kCatAddress && f == kAddressPostalField) text = ApplyPostalCodeRule(text);
    if (category == kCatAddress && f == kAddressBarcodeField) text = ApplyBarcodeRule(text);
    fields[f] = CutToChars(text, FieldCharLimit(category, f));
  }
  return fields;
}

// Address and name content:
//   kind(1) 01  00 00 (title)  00 00 (group name)
//   per field: 30 00 80 01 <number> 00(pad) 00 00  <text> 00 00
//   0D 0A
// so each field takes its text length plus 10 bytes.
std::vector<uint8_t> BuildRecordContent(int category, std::vector<std::string> fields) {
  const int count = RecordFieldCount(category);
  if (count == 0) return {};
  fields.resize(count);
  bool allEmpty = true;
  for (const std::string& f : fields) allEmpty = allEmpty && f.empty();
  const std::string halfSpace = "\xEC\xA6";
  if (category == kCatAddress && allEmpty) fields[1] = halfSpace;
  if (category == kCatName && fields[0].empty() && fields[1].empty()) fields[0] = halfSpace;

  std::vector<uint8_t> c;
  c.push_back(category == kCatAddress ? kKindAddress : kKindName);
  c.push_back(0x01);  // format byte
  c.insert(c.end(), {0, 0, 0, 0});  // empty title, empty group name
  for (int f = 0; f < count; ++f) {
    c.insert(c.end(), {kItemField, 0x00, kSubFieldNumber, 0x01, static_cast<uint8_t>(f), 0x00, 0x00, 0x00});
    c.insert(c.end(), fields[f].begin(), fields[f].end());
    c.insert(c.end(), {0, 0});
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}
