#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

class CContentArea;

// An entry's content bytes: a buffer of its own, or its part of the content
// area of the data file it was loaded from (CContentArea), which stays alive
// while any entry refers into it. Used like a unique_ptr<uint8_t[]>:
// assigning a new buffer (every change of an entry does) leaves the loaded
// bytes alone.
class CContentPtr {
 public:
  CContentPtr() = default;
  CContentPtr(std::nullptr_t) {}
  CContentPtr(std::unique_ptr<uint8_t[]> own) : m_own(std::move(own)), m_data(m_own.get()) {}
  CContentPtr(CContentPtr&& other) noexcept
      : m_own(std::move(other.m_own)), m_area(other.m_area), m_data(other.m_data) {
    other.m_area = nullptr;
    other.m_data = nullptr;
  }
  CContentPtr& operator=(CContentPtr&& other) noexcept {
    if (this != &other) {
      reset();
      m_own = std::move(other.m_own);
      m_area = other.m_area;
      m_data = other.m_data;
      other.m_area = nullptr;
      other.m_data = nullptr;
    }
    return *this;
  }
  CContentPtr& operator=(std::unique_ptr<uint8_t[]> own) { return *this = CContentPtr(std::move(own)); }
  CContentPtr& operator=(std::nullptr_t) {
    reset();
    return *this;
  }
  ~CContentPtr() { reset(); }

  uint8_t* get() const { return m_data; }
  uint8_t& operator[](size_t i) const { return m_data[i]; }
  explicit operator bool() const { return m_data != nullptr; }
  void reset() {
    if (m_own) m_own.reset();
    if (m_area) ReleaseArea();
    m_data = nullptr;
  }
  friend bool operator==(const CContentPtr& p, std::nullptr_t) { return p.m_data == nullptr; }

  // A loaded area's count and, right after it, its bytes (see CContentArea).
  struct AREA {
    size_t refs;  // referring entries, and the CContentArea while it lives
    uint8_t* Bytes() { return reinterpret_cast<uint8_t*>(this + 1); }
    // Drops one reference; the last one frees the area.
    static void Release(AREA* area) {
      if (area && --area->refs == 0) std::free(area);
    }
  };

 private:
  friend class CContentArea;
  // Inline: every slot of a set passes here when the set ends.
  void ReleaseArea() {
    AREA::Release(m_area);
    m_area = nullptr;
  }

  std::unique_ptr<uint8_t[]> m_own;
  AREA* m_area = nullptr;  // the loaded area referred into, counted
  uint8_t* m_data = nullptr;
};

// One buffer holding a loaded file's contents, handed out in parts. Its
// count of referring entries is a plain number, as the entries themselves
// are plain data: a data set and its entries are used by one thread at a
// time (a lock per entry would cost a load as much as reading the file).
class CContentArea {
 public:
  // `size` bytes, not initialised; IsValid() is false when memory runs out.
  explicit CContentArea(size_t size);
  ~CContentArea();
  CContentArea(const CContentArea&) = delete;
  CContentArea& operator=(const CContentArea&) = delete;

  bool IsValid() const { return m_area != nullptr; }
  uint8_t* Bytes() const;
  // Makes `content` refer to `at` inside the area (what it held is released).
  void ShareInto(CContentPtr& content, uint8_t* at) const {
    ++m_area->refs;  // first: `content` may hold the last other reference
    content.reset();
    content.m_area = m_area;
    content.m_data = at;
  }

 private:
  CContentPtr::AREA* m_area = nullptr;
};

// One slot. The slot owns its content (or its part of the loaded file's
// content area, see CContentPtr); copies are deep.
struct DATAENTRY {
  int32_t used = 0;    // 1 when the slot holds an entry
  uint16_t group = 0;  // group number, 0..9 valid, 0 = no group
  uint32_t size = 0;   // content length in bytes
  CContentPtr content;  // exactly `size` bytes, or null

  std::span<const uint8_t> Bytes() const {
    return content ? std::span<const uint8_t>(content.get(), size) : std::span<const uint8_t>();
  }
  void Clear() {
    used = 0;
    group = 0;
    size = 0;
    content.reset();
  }
};

// Allocates an entry content buffer; null when memory runs out (never throws).
std::unique_ptr<uint8_t[]> AllocContent(size_t size);

// Test seam: the n-th following content an entry gets (1 = the next one:
// an AllocContent call, or a slot's part of a loaded file) and every one
// after it fail; 0 turns failures off.
void SetContentAllocFailure(int nth);
// Whether the seam makes the next content fail (counts it as one). Asked
// for every slot of every load, so the unarmed seam costs one load only.
bool ContentAllocFailsArmed();
inline std::atomic<int> g_contentAllocFailAfter{0};
inline bool ContentAllocFails() {
  return g_contentAllocFailAfter.load(std::memory_order_relaxed) > 0 && ContentAllocFailsArmed();
}
