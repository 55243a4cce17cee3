#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/TextRules.h"
#include "model/Category.h"
#include "model/Cp932.h"

namespace {

// CP932 bytes of a UTF-8 literal.
std::string S(const char* utf8) { return Utf8ToCp932(utf8); }
std::string U(const std::string& cp932) { return Cp932ToUtf8(cp932); }

struct ImportCase {
  std::string input;     // CP932 bytes
  const char* expected;  // UTF-8 of the expected CP932 result
  const char* why;
};

TEST(ConvertImportText, SingleBytesBecomeFullWidth) {
  const ImportCase cases[] = {
      {"Ab9", "Ａｂ９", "letters and digits"},
      {"\"'\\~", "”’￥￣", "JIS forms of quote, apostrophe, backslash, tilde"},
      {"-,.", "－，．", "punctuation"},
      {"\xB6\xDE\xCA\xDF\xCA\xDE", "ガパバ", "voiced and semi-voiced kana combine"},
      {"\xB3\xDE", "ヴ", "u with the voiced mark"},
      {"\xB1\xDE\xB6\xDF", "ア゛カ゜", "marks that do not combine stand alone"},
      {"\xDE\xDF", "゛゜", "marks on their own"},
      {"\xA1\xA2\xA3\xA4\xA5\xB0", "。「」、・ー", "kana punctuation"},
      {S("山田"), "山田", "double-byte text unchanged"},
      {"a\tb\x01\x7F", "ａｂ", "control characters dropped"},
      {"\x80\xA0\xFD", "■■■", "bytes that are no character"},
      {"\x82", "■", "a lead byte at the end"},
  };
  for (const ImportCase& c : cases) {
    EXPECT_EQ(U(ConvertImportText(c.input)), c.expected) << c.why;
  }
  // A lead byte before a byte that cannot trail it: the mark, then the space.
  EXPECT_EQ(ConvertImportText("\x82\x20"), S("■") + "\xEC\xA6");
}

TEST(ConvertImportText, SpaceBecomesPrinterHalfSpaceAndLineEndsStay) {
  EXPECT_EQ(ConvertImportText("a b"), S("ａ") + "\xEC\xA6" + S("ｂ"));
  EXPECT_EQ(ConvertImportText("\r\n"), "\r\n");
}

TEST(ConvertImportText, EveryHalfWidthKanaHasItsFullWidthForm) {
  std::string all;
  for (int b = 0xA1; b <= 0xDF; ++b) all += ConvertImportText(std::string(1, static_cast<char>(b)));
  EXPECT_EQ(U(all),
            "。「」、・ヲァィゥェォャュョッーアイウエオカキクケコサシスセソタチツテトナニヌネノハヒフヘホ"
            "マミムメモヤユヨラリルレロワン゛゜");
}

TEST(ConvertImportText, EveryAsciiCharacterHasItsFullWidthForm) {
  for (int b = 0x21; b <= 0x7E; ++b) {
    std::string out = ConvertImportText(std::string(1, static_cast<char>(b)));
    ASSERT_EQ(out.size(), 2u) << b;
    if (b == '"' || b == '\'' || b == '\\' || b == '~') continue;  // JIS forms, checked above
    // The rest are the Unicode full-width forms U+FF01..U+FF5E.
    char32_t cp = 0xFF01 + (b - 0x21);
    std::string utf8 = {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                        static_cast<char>(0x80 | (cp & 0x3F))};
    EXPECT_EQ(U(out), utf8) << "byte " << b;
  }
}

TEST(NarrowText, SingleByteFormsExceptCommaAndQuote) {
  EXPECT_EQ(NarrowText(S("１２３４５６７－１－Ａ")), "1234567-1-A");
  EXPECT_EQ(NarrowText(S("Ａ，Ｂ”")), "A" + S("，") + "B" + S("”"));
  EXPECT_EQ(NarrowText(S("ガ漢ア")), S("ガ漢") + "\xB1");
  EXPECT_EQ(NarrowText(" x"), " x");  // already single bytes
}

TEST(PostalCodeRule, Cases) {
  struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"１２３４５６７", "１２３－４５６７"},
      {"１２３－４５６７", "１２３－４５６７"},
      {"－１－２３４５", "１２３－４５"},
      {"１２３４５６７８９", "１２３－４５６７"},
      {"１２３４５６７Ａ", "１２３－４５６７"},  // nothing after the eighth character is looked at
      {"１２Ａ４５６７", ""},
      {"１２３", "１２３"},
      {"", ""},
      {"〒１２３", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(U(ApplyPostalCodeRule(S(c.in))), c.out) << c.in;
  EXPECT_EQ(ApplyPostalCodeRule("\xEC\xA6" + S("１")), "");  // the printer space is no digit
  EXPECT_EQ(ApplyPostalCodeRule("1"), "");                      // not double-byte
}

TEST(BarcodeRule, Cases) {
  EXPECT_EQ(U(ApplyBarcodeRule(S("１２３４５６７－１－２"))), "１２３４５６７－１－２");
  EXPECT_EQ(U(ApplyBarcodeRule(S("ＡＺ０９－"))), "ＡＺ０９－");
  EXPECT_EQ(ApplyBarcodeRule(S("１２ａ")), "");   // lower case
  EXPECT_EQ(ApplyBarcodeRule(S("１２　３")), "");  // space
  EXPECT_EQ(ApplyBarcodeRule("12"), "");           // single bytes
  EXPECT_EQ(ApplyBarcodeRule(""), "");
}

struct SplitCase {
  std::string line;
  char separator;
  std::vector<std::string> fields;
  const char* why;
};

TEST(SplitFields, Cases) {
  const SplitCase cases[] = {
      {"a,b,c", ',', {"a", "b", "c"}, "plain"},
      {"a,,c", ',', {"a", "", "c"}, "two separators give an empty field"},
      {"a,b,", ',', {"a", "b"}, "a final separator opens no field"},
      {",", ',', {""}, "one separator"},
      {"", ',', {}, "empty line"},
      {"\r\na", ',', {}, "a line starting with CR"},
      {"\"x,y\",z", ',', {"x,y", "z"}, "comma inside quotes"},
      {"\"say \"\"hi\"\"\",z", ',', {"say \"hi\"", "z"}, "doubled quotes"},
      {"\"ab\"cd,e", ',', {"abcd", "e"}, "text after the closing quote"},
      {"\"open,ended", ',', {"open,ended"}, "the line end closes a quote"},
      {"a,b\rc", ',', {"a", "b", "c"}, "a CR ends a field"},
      {"a\tb,c\td", '\t', {"a", "b,c", "d"}, "TAB separator keeps commas"},
      {"x" + S("表") + ",y", ',', {"x" + S("表"), "y"}, "double-byte character with trail 0x5C"},
      {S("ソ") + "\t", '\t', {S("ソ")}, "double-byte character copied whole"},
  };
  for (const SplitCase& c : cases) EXPECT_EQ(SplitFields(c.line, c.separator), c.fields) << c.why;
}

TEST(SplitFields, OverlongFieldIsCutAndLaterColumnsStay) {
  std::string longAscii(300, 'a');
  auto f = SplitFields(longAscii + ",next,last", ',');
  ASSERT_EQ(f.size(), 3u);
  EXPECT_EQ(f[0], std::string(254, 'a'));
  EXPECT_EQ(f[1], "next");
  EXPECT_EQ(f[2], "last");

  // 1 + 2 * 127 = 255 bytes: the last character does not fit and is not split.
  std::string kanji;
  for (int i = 0; i < 127; ++i) kanji += S("漢");
  f = SplitFields("a" + kanji + ",b", ',');
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].size(), 253u);
  EXPECT_EQ(f[0].substr(0, 3), "a" + S("漢"));
  EXPECT_EQ(f[1], "b");

  // A quoted over-long field with commas inside.
  f = SplitFields("\"" + std::string(200, 'x') + "," + std::string(200, 'y') + "\",z", ',');
  ASSERT_EQ(f.size(), 2u);
  EXPECT_EQ(f[0].size(), 254u);
  EXPECT_EQ(f[1], "z");
}

TEST(ChooseSeparator, TabWithinTheFirstTenLines) {
  std::string text;
  for (int i = 1; i <= 12; ++i) text += (i == 5 ? "a\tb" : "a,b") + std::string("\r\n");
  EXPECT_EQ(ChooseSeparator(text), '\t');
  text.clear();
  for (int i = 1; i <= 12; ++i) text += (i == 11 ? "a\tb" : "a,b") + std::string("\n");
  EXPECT_EQ(ChooseSeparator(text), ',');
  EXPECT_EQ(ChooseSeparator(""), ',');
}

TEST(PrepareRecordFields, AddressRulesAndLimits) {
  auto f = PrepareRecordFields(kCatAddress, {"123-4567", std::string(30, 'x'), "", "", "", S("山田"), "1234567-1-2",
                                             "extra", "more"});
  ASSERT_EQ(f.size(), 7u);
  EXPECT_EQ(U(f[0]), "１２３－４５６７");
  EXPECT_EQ(f[1].size(), 40u);  // 20 characters
  EXPECT_EQ(U(f[5]), "山田");
  EXPECT_EQ(U(f[6]), "１２３４５６７－１－２");
  f = PrepareRecordFields(kCatAddress, {"12a-4567", "x", "", "", "", "", "12-x"});
  EXPECT_EQ(f[0], "");
  EXPECT_EQ(f[6], "");
  EXPECT_EQ(U(f[1]), "ｘ");
  f = PrepareRecordFields(kCatName, {"abcdefghij"});
  ASSERT_EQ(f.size(), 4u);
  EXPECT_EQ(U(f[0]), "ａｂｃｄｅｆｇ");  // 7 characters
  EXPECT_EQ(f[3], "");
}

TEST(BuildRecordContent, NameLayoutByteForByte) {
  auto c = BuildRecordContent(kCatName, {S("山"), "", "", ""});
  const std::vector<uint8_t> expected = {
      0x03, 0x01, 0, 0, 0, 0,                                  // kind, format, title, group name
      0x30, 0, 0x80, 1, 0, 0, 0, 0, 0x8E, 0x52, 0, 0,          // field 0: 山
      0x30, 0, 0x80, 1, 1, 0, 0, 0, 0, 0,                      // field 1
      0x30, 0, 0x80, 1, 2, 0, 0, 0, 0, 0,                      // field 2
      0x30, 0, 0x80, 1, 3, 0, 0, 0, 0, 0,                      // field 3
      0x0D, 0x0A};
  EXPECT_EQ(c, expected);
}

TEST(BuildRecordContent, EmptyRecordsGetThePrinterSpace) {
  // Address: all empty -> field 1 holds EC A6; size 6 + 7 * 10 + 2 + 2.
  auto a = BuildRecordContent(kCatAddress, {});
  ASSERT_EQ(a.size(), 80u);
  EXPECT_EQ(a[0], 0x02);
  EXPECT_EQ(a[6 + 10 + 8], 0xEC);
  EXPECT_EQ(a[6 + 10 + 9], 0xA6);
  // An address with only a postal code keeps field 1 empty.
  auto b = BuildRecordContent(kCatAddress, {S("１")});
  EXPECT_EQ(b.size(), 80u);
  EXPECT_EQ(b[6 + 8], 0x82);
  // Name: fields 0 and 1 empty but a reading present -> field 0 gets EC A6.
  auto n = BuildRecordContent(kCatName, {"", "", S("や"), ""});
  EXPECT_EQ(n[6 + 8], 0xEC);
  EXPECT_EQ(n[6 + 9], 0xA6);
  EXPECT_EQ(n.size(), 6u + 4 * 10 + 2 + 2 + 2);
  EXPECT_TRUE(BuildRecordContent(kCatGlyph, {"x"}).empty());
}

}  // namespace
