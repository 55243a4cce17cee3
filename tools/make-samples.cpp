// Writes the sample data files of the program folder with the program's own
// writer: make-samples OUTDIR
//
//   Address.xmb  address entries      Name.xmb   name entries
//   Label.xmb    label files          Glyph.xmb  glyphs
//   Sample.xmb   all four kinds together
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "model/Category.h"
#include "model/Cp932.h"
#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/GlyphSizes.h"
#include "model/Paths.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kKindLabelFile = 0x01;  // the printer's code for its label files
constexpr uint8_t kFormat = 0x01;
constexpr uint8_t kItemLineBreak = 0x10;
constexpr uint8_t kItemObject = 0x40;  // a picture or barcode inside a label

void Append(Bytes& out, const std::string& cp932) { out.insert(out.end(), cp932.begin(), cp932.end()); }
void Word0(Bytes& out) { out.insert(out.end(), {0x00, 0x00}); }
void TextRun(Bytes& out, const char* utf8) {
  Append(out, Utf8ToCp932(utf8));
  Word0(out);
}
// A 0x30 item: start of field or paragraph `number`.
void FieldItem(Bytes& out, uint8_t number) {
  out.insert(out.end(), {0x30, 0x00, 0x80, 0x01, number, 0x00, 0x00, 0x00});
}

// Address and name entries as the import builds them: empty title and group
// name, then each field as a 0x30 item and its text run.
Bytes RecordContent(uint8_t kind, const std::vector<const char*>& fields) {
  Bytes c = {kind, kFormat};
  Word0(c);
  Word0(c);
  for (size_t i = 0; i < fields.size(); ++i) {
    FieldItem(c, static_cast<uint8_t>(i));
    TextRun(c, fields[i]);
  }
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

// A label file: title, group name, paragraphs of lines, one object.
Bytes LabelContent(const char* title, const char* group, const std::vector<std::vector<const char*>>& paragraphs,
                   bool withObject) {
  Bytes c = {kKindLabelFile, kFormat};
  TextRun(c, title);
  TextRun(c, group);
  for (size_t p = 0; p < paragraphs.size(); ++p) {
    FieldItem(c, static_cast<uint8_t>(p));
    for (size_t l = 0; l < paragraphs[p].size(); ++l) {
      if (l) c.insert(c.end(), {kItemLineBreak, 0x00, 0x00, 0x00});
      TextRun(c, paragraphs[p][l]);
    }
  }
  if (withObject) c.insert(c.end(), {kItemObject, 0x00, 0x00, 0x00});
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

// Pictures drawn for any size from the unit square.
enum class Shape { kSmile, kBox, kStar };

bool Ink(Shape shape, int x, int y, int n) {
  const double u = (x + 0.5) / n * 2 - 1, v = (y + 0.5) / n * 2 - 1;  // -1..1, y down
  const double t = 2.5 / n;  // about one dot and a bit
  switch (shape) {
    case Shape::kSmile: {
      const double r = std::hypot(u, v);
      if (std::fabs(r - 0.85) < t) return true;
      if (std::hypot(u + 0.32, v + 0.25) < 0.13 || std::hypot(u - 0.32, v + 0.25) < 0.13) return true;
      return v > 0.1 && std::fabs(std::hypot(u, v + 0.05) - 0.5) < t;
    }
    case Shape::kBox:
      if (std::fabs(u) > 0.9 || std::fabs(v) > 0.9) return false;
      return std::fabs(u) > 0.9 - 2 * t || std::fabs(v) > 0.9 - 2 * t || std::fabs(u - v) < t || std::fabs(u + v) < t;
    case Shape::kStar: {
      // A five-pointed star: inside when the polar radius is below the star's outline.
      const double pi = 3.14159265358979;
      const double a = std::atan2(u, -v);
      const double seg = std::fmod(a + 2 * pi + pi / 5, 2 * pi / 5) - pi / 5;
      const double outline = 0.38 / std::cos(seg) * (1 + 1.3 * (1 - std::fabs(seg) / (pi / 5)));
      return std::hypot(u, v) < std::min(0.95, outline);
    }
  }
  return false;
}

// One glyph bitmap item: type 00 00, width, height, length (high byte first),
// the end of the sub-fields, the picture turned clockwise and packed (stored
// row r = picture column r, bit 0x80 of its first byte = the column's bottom
// dot), then a zero word.
void GlyphItem(Bytes& out, Shape shape, const GLYPHSIZE& g) {
  const int n = g.size, rowBytes = (n + 7) / 8, length = rowBytes * n;
  out.insert(out.end(), {0x00, 0x00, 0x00, 0x01, static_cast<uint8_t>(n), 0x01, 0x01, static_cast<uint8_t>(n), 0x02,
                         0x02, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length), 0x00, 0x00});
  const size_t bitmap = out.size();
  out.resize(bitmap + static_cast<size_t>(length), 0);
  for (int x = 0; x < n; ++x)
    for (int k = 0; k < n; ++k)
      if (Ink(shape, x, n - 1 - k, n)) out[bitmap + static_cast<size_t>(x * rowBytes + k / 8)] |= 0x80 >> (k % 8);
  Word0(out);  // every table size has an even length: no pad byte
}

Bytes GlyphContent(const char* reading, Shape shape) {
  Bytes c = {kKindGlyph, kFormat};
  TextRun(c, reading);
  Word0(c);  // no group name
  for (const GLYPHSIZE& g : kGlyphSizes) GlyphItem(c, shape, g);
  c.insert(c.end(), {0x0D, 0x0A});
  return c;
}

void AddAddresses(CDataSet& set) {
  const std::vector<std::vector<const char*>> rows = {
      {"１００－０００５", "東京都千代田区丸の内１－２－３", "クイルプビル５階", "株式会社サンプル商事", "営業部",
       "山田　太郎", "１０００００５１－２－３"},
      {"５３０－０００１", "大阪府大阪市北区梅田２－４－６", "", "見本工業株式会社", "総務課", "佐藤　花子",
       "５３０００１２－４－６"},
      {"０６０－０００１", "北海道札幌市中央区北一条西７", "ひまわり荘２０１", "", "", "鈴木　一郎", ""},
      {"９００－０００６", "沖縄県那覇市おもろまち１－１", "", "ＡＢＣ株式会社", "", "高橋　美咲", ""},
  };
  for (size_t i = 0; i < rows.size(); ++i)
    set.SetEntry(kSecAddress, static_cast<int>(i), 0, RecordContent(kKindAddress, rows[i]));
  // One far down the list, as users keep gaps.
  set.SetEntry(kSecAddress, 41, 0,
               RecordContent(kKindAddress, {"２３１－００２３", "神奈川県横浜市中区山下町１０", "", "", "", "田中　健", ""}));
}

void AddNames(CDataSet& set) {
  const std::vector<std::vector<const char*>> rows = {
      {"山田", "太郎", "ヤマダ", "タロウ"},
      {"佐藤", "花子", "サトウ", "ハナコ"},
      {"鈴木", "一郎", "スズキ", "イチロウ"},
  };
  for (size_t i = 0; i < rows.size(); ++i)
    set.SetEntry(kSecName, static_cast<int>(i), 0, RecordContent(kKindName, rows[i]));
}

void AddLabels(CDataSet& set) {
  set.SetEntry(kSecFile, 0, 1,
               LabelContent("会議室", "仕事", {{"第一会議室", "１０：００～１２：００"}, {"使用中"}}, false));
  set.SetEntry(kSecFile, 1, 1,
               LabelContent("書類棚", "仕事", {{"２０２６年度", "請求書", "控え"}, {"経理部"}, {"持出禁止"}}, true));
  set.SetEntry(kSecFile, 4, 0, LabelContent("調味料", "", {{"しお"}, {"さとう"}}, false));
}

void AddGlyphs(CDataSet& set) {
  set.SetEntry(kSecGlyph, 0, 0, GlyphContent("にこ", Shape::kSmile));
  set.SetEntry(kSecGlyph, 1, 0, GlyphContent("はこ", Shape::kBox));
  set.SetEntry(kSecGlyph, 2, 0, GlyphContent("ほし", Shape::kStar));
}

bool Write(CDataSet& set, const std::string& path) {
  const int result = set.SaveDataFile(path);
  if (result != kFileOk) {
    std::fprintf(stderr, "make-samples: %s: %s\n", path.c_str(), FileResultMessage(result, true, path).c_str());
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-samples OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  bool ok = true;
  CDataSet address, name, label, glyph, all;
  AddAddresses(address);
  AddNames(name);
  AddLabels(label);
  AddGlyphs(glyph);
  AddAddresses(all);
  AddNames(all);
  AddLabels(all);
  AddGlyphs(all);
  ok &= Write(address, dir + "/Address.xmb");
  ok &= Write(name, dir + "/Name.xmb");
  ok &= Write(label, dir + "/Label.xmb");
  ok &= Write(glyph, dir + "/Glyph.xmb");
  ok &= Write(all, dir + "/Sample.xmb");
  return ok ? 0 : 1;
}
