#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/Category.h"
#include "model/DataEntry.h"

// One pane's slots: a PC data file, or the copy of the printer's memory.
// Operations take a section (see Category.h); callers holding a category map
// it with SectionOfCategory(). Slot indexes are 0-based.
class CDataSet {
 public:
  CDataSet();
  ~CDataSet();
  CDataSet(const CDataSet&) = delete;
  CDataSet& operator=(const CDataSet&) = delete;

  // The used flag for 0 <= index < slots; for index -2, 1 when any slot of
  // the section is used; 0 for any other index.
  int IsUsed(int section, int index) const;
  void ClearSlot(int section, int index);
  void ClearSection(int section);
  void ClearAll();
  // Deep copy of one slot into the same slot of `other`. 0 when the index is
  // outside the section or memory runs out (destination untouched), else 1.
  int CopySlotTo(CDataSet& other, int section, int index) const;
  // ClearAll, then every slot copied from `other`; 0 (and an empty set) when
  // memory runs out. Flags and path are not copied.
  int CopyFrom(const CDataSet& other);

  // The slot, or null when the index is outside the section.
  DATAENTRY* Entry(int section, int index);
  const DATAENTRY* Entry(int section, int index) const;
  // Stores a copy of `content` as a used entry. False (slot untouched) when
  // the index is outside the section or memory runs out.
  bool SetEntry(int section, int index, uint16_t group, std::span<const uint8_t> content);

  // Data file reader and writer; result codes in FileResult.h.
  int LoadDataFile(const std::string& path);
  int SaveDataFile(const std::string& path);

  int32_t m_modified = 0;  // set by the view's changes; asked about before replacing
  int32_t m_untitled = 0;  // the pane has a generated name
  std::string m_path;      // full path of the data file, empty for a new set

 private:
  std::array<std::vector<DATAENTRY>, kSectionCount> m_sections;
};

// The kinds a data file's header flags, as the open dialog's 内容 field shows
// them: names in category order joined with "／" (UTF-8). Empty when the file
// cannot be opened or is not a data file.
std::string DataFileKindsText(const std::string& path);

// Replaces the group name inside the entry's content (see the content framing
// in Content.h). Nothing happens for an empty entry, group number 0, an equal
// name, or when memory runs out.
void SetGroupName(DATAENTRY& entry, std::span<const uint8_t> name);

// Bit i set when the glyph entry holds a bitmap item of glyph size i.
uint32_t GetGlyphSizeMask(const DATAENTRY& entry);
uint32_t GetGlyphSizeMask(std::span<const uint8_t> content);
