#pragma once
#include <cstdint>
#include <string_view>

// The user interface numbers the four kinds as categories (file, address,
// name, glyph); data sets and data files store them as sections in another
// order (file, address, glyph, name). Every mapping between the two lives here.

enum : int {
  kCatFile = 0,     // ファイル
  kCatAddress = 1,  // あて名
  kCatName = 2,     // 名前
  kCatGlyph = 3,    // 外字
  kCategoryCount = 4,
};

enum : int {
  kSecFile = 0,
  kSecAddress = 1,
  kSecGlyph = 2,
  kSecName = 3,
  kSectionCount = 4,
};

inline constexpr int kSectionSlots[kSectionCount] = {100, 100, 20, 40};
// Flag bit of each section in a data file's header.
inline constexpr uint32_t kSectionFlag[kSectionCount] = {0x01, 0x02, 0x04, 0x08};
inline constexpr int kMaxSlots = 100;

// Kind codes at the start of entry content.
inline constexpr uint8_t kKindAddress = 0x02;
inline constexpr uint8_t kKindName = 0x03;
inline constexpr uint8_t kKindGlyph = 0x10;

constexpr int SectionOfCategory(int category) {
  switch (category) {
    case kCatFile: return kSecFile;
    case kCatAddress: return kSecAddress;
    case kCatName: return kSecName;
    case kCatGlyph: return kSecGlyph;
    default: return -1;
  }
}

constexpr int CategoryOfSection(int section) {
  switch (section) {
    case kSecFile: return kCatFile;
    case kSecAddress: return kCatAddress;
    case kSecGlyph: return kCatGlyph;
    case kSecName: return kCatName;
    default: return -1;
  }
}

constexpr int SectionSlotCount(int section) {
  return section >= 0 && section < kSectionCount ? kSectionSlots[section] : 0;
}

constexpr int CategorySlotCount(int category) {
  return SectionSlotCount(SectionOfCategory(category));
}

// The category's Japanese name as the interface shows it (UTF-8).
constexpr std::string_view CategoryDisplayName(int category) {
  switch (category) {
    case kCatFile: return "ファイル";
    case kCatAddress: return "あて名";
    case kCatName: return "名前";
    case kCatGlyph: return "外字";
    default: return "";
  }
}

// The category's name on the command line: file, address, name, glyph.
constexpr std::string_view CategoryKeyword(int category) {
  switch (category) {
    case kCatFile: return "file";
    case kCatAddress: return "address";
    case kCatName: return "name";
    case kCatGlyph: return "glyph";
    default: return "";
  }
}

// -1 when the keyword names no category.
constexpr int CategoryFromKeyword(std::string_view keyword) {
  for (int c = 0; c < kCategoryCount; ++c)
    if (CategoryKeyword(c) == keyword) return c;
  return -1;
}
