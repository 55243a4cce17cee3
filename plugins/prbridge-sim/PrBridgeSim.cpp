// The emulated QUILP PRO printer behind the printer utility library's four
// functions. It reads its settings from the emulated spooler's spooler.ini
// (one section per printer) and keeps each printer's registered slots in
// <sim folder>/<printer name>.xmb, so the memory survives restarts and can be
// opened in XAMU itself.

#include <sys/stat.h>

#include <cstdint>
#include <ctime>
#include <cstring>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "device/DevicePacket.h"
#include "device/ExchangeFiles.h"
#include "device/IniFile.h"
#include "device/SimSpooler.h"
#include "model/Category.h"
#include "model/DataSet.h"
#include "model/FileResult.h"
#include "model/Paths.h"
#include "xamu/prbridge.h"

// The four functions are declared, and exported, by the public header: the
// emulated printer is its reference implementation.
#define XAMU_EXPORT extern "C"

namespace {

constexpr int32_t kStatusReady = XAMU_PRBRIDGE_STATUS_READY;
// Registration memory when spooler.ini gives none.
constexpr int32_t kDefaultCapacity = 262144;
// Printer names are short; a longer one is not read further.
constexpr size_t kMaxNameBytes = 1024;

struct SIMSETTINGS {
  bool known = false;       // the printer has a section in spooler.ini
  bool connected = true;
  int32_t status = kStatusReady;
  int64_t capacity = kDefaultCapacity;
  int32_t answerStatus = 0;  // fault: status word in every answer header
  bool badPacketSum = false;  // fault: wrong answer packet checksum
  bool badBlockSum = false;   // fault: wrong data block checksum in read answers
  bool shortBlock = false;    // fault: read answers end inside the data block
  bool busy = false;          // fault: the printer takes no data exchange
  bool headerOnly = false;    // fault: answers end after their 32-byte header
  int32_t querySlot = -1;     // fault: every query answers this slot (-1: the real one)
};

// The library has no configuration object to ask: it finds the per-user data
// folder the way the program does.
std::string SimFolder() { return GetSimFolder(GetUserDataFolder()); }

std::string NameOf(const char* printer) {
  return printer ? std::string(printer, strnlen(printer, kMaxNameBytes)) : std::string();
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_ino == b.st_ino && a.st_dev == b.st_dev && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// spooler.ini is read at every call so that changes take effect at once; it
// is kept parsed only while the file is unchanged. A copy read within a few
// seconds of the file's last change is not trusted (a second change in the
// same timestamp tick would look unchanged), so such a file is read again.
constexpr time_t kSettledSeconds = 2;
struct SETTINGSCACHE {
  std::string path;
  struct stat seen {};
  bool trusted = false;
  CIniFile ini;
};
SETTINGSCACHE g_settings;

const CIniFile* SpoolerIni() {
  std::string path = SimFolder() + "/spooler.ini";
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    path = EnsureSimSpoolerIni(GetUserDataFolder());
    if (path.empty() || stat(path.c_str(), &st) != 0) return nullptr;
  }
  if (g_settings.trusted && g_settings.path == path && SameFile(st, g_settings.seen)) return &g_settings.ini;
  if (!g_settings.ini.Load(path)) return nullptr;
  g_settings.path = path;
  g_settings.seen = st;
  g_settings.trusted = time(nullptr) - st.st_mtim.tv_sec >= kSettledSeconds;
  return &g_settings.ini;
}

SIMSETTINGS ReadSettings(const std::string& name) {
  SIMSETTINGS s;
  const CIniFile* found = SpoolerIni();
  if (!found || !found->HasSection(name)) return s;
  const CIniFile& ini = *found;
  s.known = true;
  s.connected = ini.GetInt(name, "connected", 1) != 0;
  s.status = ini.GetInt(name, "status", kStatusReady);
  s.capacity = ini.GetInt(name, "capacity", kDefaultCapacity);
  s.answerStatus = ini.GetInt(name, "answer_status", 0);
  s.badPacketSum = ini.GetInt(name, "bad_packet_checksum", 0) != 0;
  s.badBlockSum = ini.GetInt(name, "bad_block_checksum", 0) != 0;
  s.shortBlock = ini.GetInt(name, "short_block", 0) != 0;
  s.busy = ini.GetInt(name, "busy", 0) != 0;
  s.headerOnly = ini.GetInt(name, "header_only", 0) != 0;
  s.querySlot = ini.GetInt(name, "query_slot", -1);
  return s;
}

// The printer's memory, kept loaded while its file is unchanged on disk.
struct MEMORY {
  std::unique_ptr<CDataSet> set;
  struct stat seen {};
  bool exists = false;
};
std::map<std::string, MEMORY> g_memory;

// The name comes from the caller: it never leads out of the sim folder.
std::string MemoryPath(const std::string& name) {
  std::string file = name;
  for (char& c : file)
    if (c == '/') c = '_';
  if (!file.empty() && file[0] == '.') file[0] = '_';
  return SimFolder() + "/" + file + ".xmb";
}

// The printer's memory, or null when its file exists but cannot be read (the
// printer then answers nothing rather than overwrite it).
CDataSet* LoadMemory(const std::string& name) {
  std::string path = MemoryPath(name);
  MEMORY& m = g_memory[path];
  struct stat st {};
  bool exists = stat(path.c_str(), &st) == 0;
  if (m.set && exists == m.exists && (!exists || SameFile(st, m.seen))) return m.set.get();
  auto set = std::make_unique<CDataSet>();
  if (exists && set->LoadDataFile(path) != kFileOk) return nullptr;
  m.set = std::move(set);
  m.seen = st;
  m.exists = exists;
  return m.set.get();
}

bool SaveMemory(const std::string& name, CDataSet& set) {
  std::string path = MemoryPath(name);
  if (set.SaveDataFile(path) != kFileOk) {
    g_memory.erase(path);  // reload from disk next time
    return false;
  }
  MEMORY& m = g_memory[path];
  m.exists = stat(path.c_str(), &m.seen) == 0;
  return true;
}

int64_t UsedBytes(const CDataSet& set) {
  int64_t total = 0;
  for (int sec = 0; sec < kSectionCount; ++sec)
    for (int i = 0; i < SectionSlotCount(sec); ++i)
      if (const DATAENTRY* e = set.Entry(sec, i); e && e->used) total += e->size;
  return total;
}

// Whether content of this kind belongs to the category. File data carries
// whatever code its label program gave it, as long as it is not one of the
// other kinds'.
bool KindFits(int category, uint8_t kind) {
  switch (category) {
    case kCatAddress: return kind == kKindAddress;
    case kCatName: return kind == kKindName;
    case kCatGlyph: return kind == kKindGlyph;
    default: return kind != kKindAddress && kind != kKindName && kind != kKindGlyph;
  }
}

struct ANSWER {
  uint8_t value5 = 0;
  uint8_t value6 = 0;
  std::vector<uint8_t> block;  // read answers only
};

// Carries out one request on the memory; false when the memory could not be
// read or written (the library call then fails).
bool Execute(const std::string& name, const DEVICEREQUEST& r, ANSWER& a) {
  int category = CategoryOfDeviceCode(r.category);
  if (!r.valid || category < 0) {
    a.value5 = kAnsNotTaken;
    return true;
  }
  CDataSet* set = LoadMemory(name);
  if (!set) return false;
  int section = SectionOfCategory(category);
  int slots = SectionSlotCount(section);
  int index = r.slot - 1;
  const DATAENTRY* entry = index >= 0 && index < slots ? set->Entry(section, index) : nullptr;
  switch (r.operation) {
    case kOpQuery:
      for (int i = r.slot > 0 ? r.slot - 1 : 0; i < slots; ++i)
        if (set->IsUsed(section, i) == 1) {
          a.value5 = static_cast<uint8_t>(i + 1);
          a.value6 = static_cast<uint8_t>(set->Entry(section, i)->group & 0xFF);
          break;
        }
      return true;
    case kOpRead: {
      std::span<const uint8_t> content = entry && entry->used ? entry->Bytes() : std::span<const uint8_t>();
      a.value5 = static_cast<uint8_t>(content.size() >> 8);
      a.value6 = static_cast<uint8_t>(content.size() & 0xFF);
      a.block = BuildDataBlock(content);
      return true;
    }
    case kOpWrite: {
      if (!entry || !r.blockValid) {
        a.value5 = kAnsNotTaken;
        return true;
      }
      if (r.content.empty()) {
        // Nothing to register: the slot is left empty.
        set->ClearSlot(section, index);
        return SaveMemory(name, *set);
      }
      if (!KindFits(category, r.content[0])) {
        a.value5 = kAnsNotTaken;
        return true;
      }
      int64_t used = UsedBytes(*set) - (entry->used ? entry->size : 0);
      if (used + static_cast<int64_t>(r.content.size()) > ReadSettings(name).capacity) {
        a.value5 = kAnsRefused;
        return true;
      }
      if (!set->SetEntry(section, index, r.group, r.content)) return false;
      return SaveMemory(name, *set);
    }
    case kOpDelete:
      if (!entry || !entry->used) {
        a.value5 = kAnsRefused;
        return true;
      }
      set->ClearSlot(section, index);
      return SaveMemory(name, *set);
    default:
      a.value5 = kAnsNotTaken;
      return true;
  }
}

}  // namespace

XAMU_EXPORT int CheckConnectA(char* printer, int32_t* status) {
  SIMSETTINGS s = ReadSettings(NameOf(printer));
  if (!s.known || !s.connected) return 0;
  if (status) *status = s.status;
  return 1;
}

XAMU_EXPORT int SoftStartA(char* printer) {
  SIMSETTINGS s = ReadSettings(NameOf(printer));
  return s.known && s.connected ? 1 : 0;
}

XAMU_EXPORT int SoftEndA(char* printer) {
  (void)printer;
  return 1;
}

XAMU_EXPORT int SoftSetDataA(char* printer, const unsigned char* request, uint32_t length, int answer_fd,
                             int mode) {
  (void)mode;
  std::string name = NameOf(printer);
  SIMSETTINGS s = ReadSettings(name);
  if (!s.known || !s.connected || s.busy || !request || answer_fd < 0) return 0;
  DEVICEREQUEST r = ParseRequestFile(std::span<const uint8_t>(request, length));
  ANSWER a;
  if (!Execute(name, r, a)) return 0;
  if (r.valid && r.operation == kOpQuery && s.querySlot >= 0) {
    a.value5 = static_cast<uint8_t>(s.querySlot);
    a.value6 = 0;
  }
  ANSWERPACKET packet = BuildAnswerPacket(a.value5, a.value6);
  if (s.badPacketSum) packet[10] = static_cast<uint8_t>(packet[10] + 1);
  if (!a.block.empty()) {
    if (s.badBlockSum) a.block.back() = static_cast<uint8_t>(a.block.back() + 1);
    // Cut inside the content (or right after "DT;" for an empty one).
    if (s.shortBlock) a.block.resize(3 + (a.block.size() - kBlockOverhead) / 2);
  }
  std::vector<uint8_t> answer = BuildAnswerFile(s.answerStatus, packet, a.block);
  if (s.headerOnly) answer.resize(kAnswerHeaderSize);
  return WriteAll(answer_fd, answer) ? 1 : 0;
}
