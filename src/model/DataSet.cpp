#include "model/DataSet.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

#include "model/Content.h"
#include "model/GlyphSizes.h"

void SetContentAllocFailure(int nth) { g_contentAllocFailAfter = nth; }

bool ContentAllocFailsArmed() {
  int n = g_contentAllocFailAfter.load();
  if (n > 0) {
    if (n == 1) return true;  // stays at 1: every later call fails too
    g_contentAllocFailAfter = n - 1;
  }
  return false;
}

std::unique_ptr<uint8_t[]> AllocContent(size_t size) {
  if (ContentAllocFails()) return nullptr;
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size ? size : 1]);
}

CContentArea::CContentArea(size_t size) {
  if (size > SIZE_MAX - sizeof(CContentPtr::AREA)) return;
  void* block = std::malloc(sizeof(CContentPtr::AREA) + size);
  if (block) m_area = new (block) CContentPtr::AREA{1};
}

CContentArea::~CContentArea() { CContentPtr::AREA::Release(m_area); }

uint8_t* CContentArea::Bytes() const { return m_area ? m_area->Bytes() : nullptr; }

CDataSet::CDataSet() {
  for (int s = 0; s < kSectionCount; ++s) m_sections[s].resize(kSectionSlots[s]);
}

// The slots release their contents themselves.
CDataSet::~CDataSet() = default;

DATAENTRY* CDataSet::Entry(int section, int index) {
  if (section < 0 || section >= kSectionCount) return nullptr;
  if (index < 0 || index >= kSectionSlots[section]) return nullptr;
  return &m_sections[section][index];
}

const DATAENTRY* CDataSet::Entry(int section, int index) const {
  return const_cast<CDataSet*>(this)->Entry(section, index);
}

int CDataSet::IsUsed(int section, int index) const {
  if (section < 0 || section >= kSectionCount) return 0;
  if (index == -2) {
    for (const DATAENTRY& e : m_sections[section])
      if (e.used) return 1;
    return 0;
  }
  const DATAENTRY* e = Entry(section, index);
  return e ? e->used : 0;
}

void CDataSet::ClearSlot(int section, int index) {
  if (DATAENTRY* e = Entry(section, index)) e->Clear();
}

void CDataSet::ClearSection(int section) {
  if (section < 0 || section >= kSectionCount) return;
  // Straight over the slots: every load and every set's end passes here.
  for (DATAENTRY& e : m_sections[section])
    if (e.used || e.group || e.size || e.content) e.Clear();
}

void CDataSet::ClearAll() {
  ClearSection(kSecFile);
  ClearSection(kSecAddress);
  ClearSection(kSecName);
  ClearSection(kSecGlyph);
}

int CDataSet::CopySlotTo(CDataSet& other, int section, int index) const {
  const DATAENTRY* src = Entry(section, index);
  DATAENTRY* dst = other.Entry(section, index);
  if (!src || !dst) return 0;
  if (src == dst) return 1;
  std::unique_ptr<uint8_t[]> buf;
  uint32_t size = src->content ? src->size : 0;
  if (size) {
    buf = AllocContent(size);
    if (!buf) return 0;
    std::memcpy(buf.get(), src->content.get(), size);
  }
  dst->used = src->used;
  dst->group = src->group;
  dst->size = size;
  dst->content = std::move(buf);
  return 1;
}

int CDataSet::CopyFrom(const CDataSet& other) {
  ClearAll();
  for (int s : {kSecFile, kSecAddress, kSecGlyph, kSecName}) {
    for (int i = 0; i < kSectionSlots[s]; ++i) {
      if (!other.CopySlotTo(*this, s, i)) {
        ClearAll();
        return 0;
      }
    }
  }
  return 1;
}

bool CDataSet::SetEntry(int section, int index, uint16_t group, std::span<const uint8_t> content) {
  DATAENTRY* e = Entry(section, index);
  if (!e) return false;
  std::unique_ptr<uint8_t[]> buf;
  if (!content.empty()) {
    buf = AllocContent(content.size());
    if (!buf) return false;
    std::memcpy(buf.get(), content.data(), content.size());
  }
  e->used = 1;
  e->group = group;
  e->size = static_cast<uint32_t>(content.size());
  e->content = std::move(buf);
  return true;
}

void SetGroupName(DATAENTRY& entry, std::span<const uint8_t> name) {
  if (entry.size == 0 || entry.group == 0 || !entry.content) return;
  ContentBytes c = entry.Bytes();
  CONTENTHEADER h;
  if (!ParseContentHeader(c, h)) return;
  const size_t oldLen = h.group.end - h.group.begin;
  if (oldLen == name.size() && std::memcmp(c.data() + h.group.begin, name.data(), oldLen) == 0)
    return;
  // Bytes before the group name, the name, a zero word, everything after the
  // old name's zero word (which may be missing in malformed content).
  const size_t tail = c.size() - h.group.next;
  const size_t newSize = h.group.begin + name.size() + 2 + tail;
  std::unique_ptr<uint8_t[]> buf = AllocContent(newSize);
  if (!buf) return;
  uint8_t* p = buf.get();
  std::memcpy(p, c.data(), h.group.begin);
  p += h.group.begin;
  if (!name.empty()) std::memcpy(p, name.data(), name.size());
  p += name.size();
  *p++ = 0;
  *p++ = 0;
  if (tail) std::memcpy(p, c.data() + h.group.next, tail);
  entry.content = std::move(buf);
  entry.size = static_cast<uint32_t>(newSize);
}

uint32_t GetGlyphSizeMask(std::span<const uint8_t> c) {
  CONTENTHEADER h;
  if (!ParseContentHeader(c, h)) return 0;
  uint32_t mask = 0;
  CItemWalker walker(c, h.items, /*glyphItems=*/true);
  CONTENTITEM item;
  while (walker.Next(item)) {
    if (item.kind != kItemControl) continue;
    int w = static_cast<int>(SubFieldValue(c, item, kSubGlyphWidth, 0));
    int ht = static_cast<int>(SubFieldValue(c, item, kSubGlyphHeight, 0));
    int idx = GlyphSizeIndex(w, ht);
    if (idx >= 0) mask |= 1u << idx;
  }
  return mask;
}

uint32_t GetGlyphSizeMask(const DATAENTRY& entry) { return GetGlyphSizeMask(entry.Bytes()); }
