#include "device/IniFile.h"

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>

namespace {

// printers.ini and spooler.ini are a few hundred bytes; anything far larger
// is not a profile file and is not read whole.
constexpr std::streamsize kMaxIniBytes = 1 << 20;

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

bool CIniFile::Load(const std::string& path) {
  m_sections.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  // Read in small blocks up to the limit: the files are read several times
  // during start-up, and a buffer of the whole limit, zero-filled each time,
  // cost more than the parsing.
  std::string text;
  char block[4096];
  while (in && static_cast<std::streamsize>(text.size()) < kMaxIniBytes) {
    const std::streamsize want =
        std::min<std::streamsize>(sizeof block, kMaxIniBytes - static_cast<std::streamsize>(text.size()));
    in.read(block, want);
    text.append(block, static_cast<size_t>(in.gcount()));
  }
  Parse(text);
  return true;
}

void CIniFile::Parse(const std::string& text) {
  m_sections.clear();
  SECTION* current = nullptr;
  // A file saved by an editor that marks UTF-8 starts with a byte-order mark.
  size_t pos = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    std::string line = Trim(text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos));
    pos = nl == std::string::npos ? text.size() : nl + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.find(']');
      std::string name = Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1));
      current = nullptr;
      for (SECTION& s : m_sections)
        if (EqualNoCase(s.name, name)) current = &s;
      if (!current) {
        m_sections.push_back({name, {}});
        current = &m_sections.back();
      }
      continue;
    }
    size_t eq = line.find('=');
    if (!current || eq == std::string::npos) continue;
    std::string key = Trim(line.substr(0, eq));
    std::string value = Trim(line.substr(eq + 1));
    bool replaced = false;
    for (auto& [k, v] : current->keys)
      if (!replaced && EqualNoCase(k, key)) {
        v = value;
        replaced = true;
      }
    if (!replaced) current->keys.emplace_back(key, value);
  }
}

std::vector<std::string> CIniFile::Sections() const {
  std::vector<std::string> names;
  for (const SECTION& s : m_sections) names.push_back(s.name);
  return names;
}

const CIniFile::SECTION* CIniFile::Find(const std::string& section) const {
  for (const SECTION& s : m_sections)
    if (EqualNoCase(s.name, section)) return &s;
  return nullptr;
}

bool CIniFile::HasSection(const std::string& section) const { return Find(section) != nullptr; }

std::string CIniFile::GetString(const std::string& section, const std::string& key,
                                const std::string& fallback) const {
  if (const SECTION* s = Find(section))
    for (const auto& [k, v] : s->keys)
      if (EqualNoCase(k, key)) return v;
  return fallback;
}

int32_t CIniFile::GetInt(const std::string& section, const std::string& key, int32_t fallback) const {
  const SECTION* s = Find(section);
  if (!s) return fallback;
  for (const auto& [k, v] : s->keys) {
    if (!EqualNoCase(k, key)) continue;
    size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '-' || v[i] == '+')) negative = v[i++] == '-';
    int64_t n = 0;
    for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) {
      n = n * 10 + (v[i] - '0');
      if (n > INT32_MAX) n = INT32_MAX + int64_t{1};  // saturate, never overflow
    }
    if (negative) n = -n;
    if (n > INT32_MAX) n = INT32_MAX;
    if (n < INT32_MIN) n = INT32_MIN;
    return static_cast<int32_t>(n);
  }
  return fallback;
}
