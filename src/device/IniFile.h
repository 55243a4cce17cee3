#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// A private profile file (printers.ini, the emulated printer's spooler.ini):
// "[section]" lines and "key=value" lines. Sections keep their file order;
// section and key names match without regard to ASCII case; values are
// trimmed; lines starting with ';' are comments. A missing or unreadable file
// reads as empty.
class CIniFile {
 public:
  // False when the file cannot be read (the contents are then empty).
  bool Load(const std::string& path);
  void Parse(const std::string& text);

  // Section names in file order (a name repeated later is merged into its
  // first occurrence, as the profile functions do).
  std::vector<std::string> Sections() const;
  bool HasSection(const std::string& section) const;
  std::string GetString(const std::string& section, const std::string& key,
                        const std::string& fallback = "") const;
  // The value's leading decimal digits (with an optional sign); `fallback`
  // when the key is absent. "0x0B" reads as 0, "12abc" as 12.
  int32_t GetInt(const std::string& section, const std::string& key, int32_t fallback) const;

 private:
  struct SECTION {
    std::string name;
    std::vector<std::pair<std::string, std::string>> keys;
  };
  const SECTION* Find(const std::string& section) const;
  std::vector<SECTION> m_sections;
};

// ASCII case-insensitive equality (driver and key names).
bool EqualNoCase(const std::string& a, const std::string& b);
