// xamu-cli glyph show / glyph import: glyph entries of a data file as text
// pictures, and glyph entries built from text pictures or PNG files.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "glyph/GlyphCodec.h"
#include "glyph/GlyphPicture.h"
#include "glyph/GlyphReading.h"
#include "model/Category.h"
#include "model/Cp932.h"
#include "model/DataSet.h"
#include "model/FileResult.h"

namespace {

constexpr char kInk = '#';
constexpr char kBackground = '.';
// A text picture is at most 48 rows of 48 dots; anything much larger is not one.
constexpr std::streamoff kMaxTextPictureBytes = 64 * 1024;

bool FileExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

// The 0-based glyph slot of -s, which must name exactly one slot.
bool ParseOneGlyphSlot(const CLIARGS& args, int& slot) {
  if (!args.Has("-s")) {
    UsageError("missing -s N (a glyph slot, 1 to " + std::to_string(kSectionSlots[kSecGlyph]) + ")");
    return false;
  }
  std::vector<int> slots;
  std::string error;
  if (!ParseSlotList(args.Get("-s"), kSectionSlots[kSecGlyph], slots, error) || slots.size() != 1) {
    UsageError(error.empty() ? "-s takes one glyph slot" : error);
    return false;
  }
  slot = slots[0];
  return true;
}

// "16" or "16x16": the glyph size table row, or -1.
int ParseSizeOption(const std::string& text) {
  std::string w = text, h = text;
  if (size_t x = text.find('x'); x != std::string::npos) {
    w = text.substr(0, x);
    h = text.substr(x + 1);
  }
  if (w.empty() || h.empty() || w.size() > 3 || h.size() > 3 ||
      w.find_first_not_of("0123456789") != std::string::npos || h.find_first_not_of("0123456789") != std::string::npos)
    return -1;
  return GlyphSizeIndex(std::stoi(w), std::stoi(h));
}

std::string SizeText(int w, int h) { return std::to_string(w) + "x" + std::to_string(h); }

// "WxH" as glyph show prints it: digits, 'x', digits.
bool IsSizeLine(const std::string& line) {
  const size_t x = line.find('x');
  return x != std::string::npos && x > 0 && x + 1 < line.size() &&
         line.find_first_not_of("0123456789") == x && line.find_first_not_of("0123456789", x + 1) == std::string::npos;
}

int LoadOrReport(CDataSet& set, const std::string& path) {
  const int result = set.LoadDataFile(path);
  if (result != kFileOk) PrintError(FileResultMessage(result, false, path));
  return result;
}

// ---- glyph show -------------------------------------------------------------

void PrintGlyph(const CGlyph& g) {
  PrintUtf8Line(SizeText(g.Width(), g.Height()));
  for (int y = 0; y < g.Height(); ++y) {
    std::string row;
    for (int x = 0; x < g.Width(); ++x) row += g.GetPixel(x, y) ? kInk : kBackground;
    PrintUtf8Line(row);
  }
}

int RunGlyphShow(const CLIARGS& args) {
  if (args.positional.size() != 1) return UsageError("glyph show needs exactly one FILE");
  int slot = 0;
  if (!ParseOneGlyphSlot(args, slot)) return kExitUsage;
  int only = -1;
  if (args.Has("--size")) {
    only = ParseSizeOption(args.Get("--size"));
    if (only < 0) return UsageError("--size takes a glyph size: 16, 24, 30, 32, 36, 40 or 48");
  }
  const std::string& path = args.positional[0];
  CDataSet set;
  if (LoadOrReport(set, path) != kFileOk) return kExitFailed;
  const DATAENTRY* entry = set.Entry(kSecGlyph, slot);
  if (!entry || !entry->used || entry->size == 0) {
    PrintError("xamu-cli: glyph slot " + std::to_string(slot + 1) + " is empty");
    return kExitFailed;
  }
  GLYPHSET glyphs = MakeGlyphSet();
  const uint32_t stored = LoadGlyphSet(entry->Bytes(), glyphs);
  if (only >= 0 && !(stored & (1u << only))) {
    const int s = kGlyphSizes[only].size;
    PrintError("xamu-cli: glyph slot " + std::to_string(slot + 1) + " holds no " + SizeText(s, s) + " picture");
    return kExitFailed;
  }
  for (int i = 0; i < kGlyphSizeCount; ++i)
    if ((only < 0 || only == i) && (stored & (1u << i))) PrintGlyph(glyphs[i]);
  return kExitOk;
}

// ---- glyph import -----------------------------------------------------------

// Rows of '#' (ink) and '.' (background), optionally headed by a "WxH" line
// as glyph show prints it. Blank lines before and after are ignored, and so
// are CR line ends and trailing blanks.
bool ReadTextPicture(const std::string& path, CGlyph& out, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot be read";
    return false;
  }
  in.seekg(0, std::ios::end);
  if (in.tellg() > kMaxTextPictureBytes) {
    error = path + ": too large for a text picture";
    return false;
  }
  in.seekg(0);
  std::vector<std::string> rows;
  std::string line, header;
  int lineNo = 0, headerLine = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
    if (line.empty()) {
      if (!rows.empty()) rows.push_back(line);  // judged below: only trailing blank lines may follow
      continue;
    }
    if (rows.empty() && header.empty() && IsSizeLine(line)) {
      header = line;
      headerLine = lineNo;
      continue;
    }
    const size_t bad = line.find_first_not_of("#.");
    if (bad != std::string::npos) {
      error = path + ":" + std::to_string(lineNo) + ": only '#' (ink) and '.' (background) may be used";
      return false;
    }
    rows.push_back(line);
  }
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  if (rows.empty()) {
    error = path + ": no picture rows";
    return false;
  }
  const size_t width = rows[0].size();
  for (size_t i = 0; i < rows.size(); ++i)
    if (rows[i].size() != width) {
      error = path + ": row " + std::to_string(i + 1) + " is " + std::to_string(rows[i].size()) +
              " dots wide, the first row " + std::to_string(width);
      return false;
    }
  const int w = static_cast<int>(width), h = static_cast<int>(rows.size());
  if (GlyphSizeIndex(w, h) < 0) {
    error = path + ": " + SizeText(w, h) + " is not a glyph size (16, 24, 30, 32, 36, 40 or 48 dots square)";
    return false;
  }
  if (!header.empty() && header != SizeText(w, h)) {
    error = path + ":" + std::to_string(headerLine) + ": the header says " + header + " but the picture is " +
            SizeText(w, h);
    return false;
  }
  out = CGlyph(w, h);
  out.Clear();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (rows[y][x] == kInk) out.SetPixel(x, y);
  return true;
}

bool ReadPngPicture(const std::string& path, CGlyph& out, std::string& error) {
  PICTUREIMAGE picture;
  switch (LoadPngPicture(path, picture)) {
    case kPictureOk: break;
    case kPictureNotOpened: error = path + ": cannot be read"; return false;
    case kPictureTooLarge: error = path + ": the picture is too large"; return false;
    default: error = path + ": not a readable PNG picture"; return false;
  }
  if (GlyphSizeIndex(picture.width, picture.height) < 0) {
    error = path + ": " + SizeText(picture.width, picture.height) +
            " is not a glyph size (16, 24, 30, 32, 36, 40 or 48 dots square)";
    return false;
  }
  out = CGlyph(picture.width, picture.height);
  out.Clear();
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      if (picture.IsInk(x, y)) out.SetPixel(x, y);
  return true;
}

// The question the view asks before a slot is overwritten (slot 1-based).
std::string OverwriteQuestion(int slot) {
  return std::to_string(slot + 1) + "番のデータは、すでに登録されています。\n上書きしてよろしいですか？";
}

// An occupied slot is replaced only with --overwrite all or a "y" on a
// terminal; a script never replaces a glyph by accident.
bool AllowOverwrite(const CLIARGS& args, int slot) {
  if (args.Has("--overwrite")) return args.Get("--overwrite") == "all";
  if (!::isatty(STDIN_FILENO)) return false;
  std::fprintf(stderr, "%s\n[y]es / [n]o: ", OverwriteQuestion(slot).c_str());
  std::fflush(stderr);
  std::string line;
  if (!std::getline(std::cin, line)) return false;
  return !line.empty() && (line[0] == 'y' || line[0] == 'Y');
}

int RunGlyphImport(const CLIARGS& args) {
  if (args.positional.size() < 2) return UsageError("glyph import needs FILE and at least one PICTURE");
  int slot = 0;
  if (!ParseOneGlyphSlot(args, slot)) return kExitUsage;
  if (!args.Has("--reading")) return UsageError("missing --reading R (hiragana; --reading '' for none)");
  if (args.Has("--overwrite")) {
    const std::string v = args.Get("--overwrite");
    if (v != "all" && v != "skip" && v != "cancel") return UsageError("--overwrite takes all, skip or cancel");
  }

  // The reading is typed in UTF-8 and stored as CP932; characters without a
  // CP932 form become "■", which the check refuses like any non-hiragana.
  const std::string reading = Utf8ToCp932(args.Get("--reading"));
  if (const int check = CheckReading(reading); check != kReadingOk) {
    PrintError(check == kReadingTooLong ? "xamu-cli: the reading is longer than " + std::to_string(kMaxReadingBytes) +
                                              " bytes (16 characters)"
                                        : ReadingMessage(check));
    return kExitFailed;
  }

  GLYPHSET glyphs = MakeGlyphSet();
  uint32_t given = 0;
  for (size_t i = 1; i < args.positional.size(); ++i) {
    const std::string& picturePath = args.positional[i];
    CGlyph picture;
    std::string error;
    const bool ok = IsPngFile(picturePath) ? ReadPngPicture(picturePath, picture, error)
                                           : ReadTextPicture(picturePath, picture, error);
    if (!ok) {
      PrintError("xamu-cli: " + error);
      return kExitFailed;
    }
    const int index = GlyphSizeIndex(picture.Width(), picture.Height());
    if (given & (1u << index))
      return UsageError("two pictures of " + SizeText(picture.Width(), picture.Height()) + " were given");
    given |= 1u << index;
    glyphs[index] = picture;
  }

  const std::string& path = args.positional[0];
  CDataSet set;
  if (FileExists(path) && LoadOrReport(set, path) != kFileOk) return kExitFailed;
  if (set.IsUsed(kSecGlyph, slot) && !AllowOverwrite(args, slot)) {
    const bool skip = args.Get("--overwrite") == "skip";
    PrintError("xamu-cli: glyph slot " + std::to_string(slot + 1) + " is occupied; nothing was changed");
    return skip ? kExitOk : kExitFailed;
  }
  std::vector<uint8_t> content;
  if (BuildGlyphContent(reading, glyphs, content) != kGlyphContentOk) {
    PrintError(ReadingMessage(kReadingNotHiragana));
    return kExitFailed;
  }
  if (!set.SetEntry(kSecGlyph, slot, 0, content)) {
    PrintError(FileResultMessage(kFileNoMemory, true, path));
    return kExitFailed;
  }
  if (const int result = set.SaveDataFile(path); result != kFileOk) {
    PrintError(FileResultMessage(result, true, path));
    return kExitFailed;
  }
  std::string sizes;
  for (int i = 0; i < kGlyphSizeCount; ++i)
    if (given & (1u << i)) sizes += " " + SizeText(kGlyphSizes[i].size, kGlyphSizes[i].size);
  PrintUtf8Line("glyph slot " + std::to_string(slot + 1) + ":" + sizes);
  return kExitOk;
}

const bool g_registered = [] {
  RegisterCommand({"glyph show", "glyph show FILE -s N [--size S]",
                   "Prints the pictures stored in glyph slot N of a data file: each size as a line\n"
                   "\"WxH\" followed by its rows, '#' for ink and '.' for background. --size picks\n"
                   "one size (16, 24, 30, 32, 36, 40 or 48).",
                   {"-s", "--size"}, RunGlyphShow});
  RegisterCommand({"glyph import", "glyph import FILE -s N --reading R PICTURE... [--overwrite all|skip|cancel]",
                   "Builds a glyph entry in slot N of FILE (created when missing) from pictures:\n"
                   "text files of rows of '#' and '.' (a \"WxH\" line as glyph show prints it may\n"
                   "head them) or PNG files, where white and mostly transparent pixels are\n"
                   "background. Each picture's dimensions pick its size; sizes not given stay\n"
                   "empty. The reading R is hiragana (UTF-8 on the command line), at most 16\n"
                   "characters. An occupied slot is replaced with --overwrite all; without it the\n"
                   "question is asked on a terminal and answered \"no\" otherwise.",
                   {"-s", "--reading", "--overwrite"}, RunGlyphImport});
  return true;
}();

}  // namespace
