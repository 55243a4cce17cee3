#include "device/DeviceLink.h"

#include <algorithm>

#include "device/AppConfig.h"
#include "device/DevicePacket.h"
#include "device/DeviceResult.h"
#include "device/ExchangeFiles.h"
#include "model/ModelConvert.h"
#include "model/Category.h"
#include "model/DataSet.h"

namespace {

// Connection status words of CheckConnectA.
constexpr int32_t kStatusPrinting = 1;
constexpr int32_t kStatusReady = 2;
constexpr int32_t kStatusCutter = 16;
constexpr int32_t kStatusMotor = 17;
constexpr int32_t kStatusHeadHot = 18;

// The three link requests.
enum : int { kLinkCheck = 0, kLinkStart = 1, kLinkEnd = 2 };

// Library mode of SoftSetDataA: 1 for read-entry requests, 0 otherwise.
constexpr int kModeRead = 1;
constexpr int kModeOther = 0;

constexpr char kMsgNameRegistered[] = "すでにデータが登録されています。\n未登録番号に登録してください。";
constexpr char kMsgOverwriteFormat[] = "%d番のデータは、すでに登録されています。\n上書きしてよろしいですか？";
constexpr char kQP510[] = "QP510";

std::string OverwriteText(int slot) {
  std::string text = kMsgOverwriteFormat;
  text.replace(text.find("%d"), 2, std::to_string(slot));
  return text;
}

int MapConnectStatus(int32_t status) {
  switch (status) {
    case kStatusPrinting: return kDevPrinting;
    case kStatusReady: return kDevOk;
    case kStatusCutter: return kDevCutter;
    case kStatusMotor: return kDevMotor;
    case kStatusHeadHot: return kDevHeadHot;
    default: return kDevFailed;
  }
}

}  // namespace

void ReportDeviceResult(CDevicePrompt& prompt, int code, bool saving) {
  if (code != kDevOk) prompt.Notice(DeviceResultMessage(code, saving));
}

CDeviceLink::CDeviceLink(CAppConfig& config) : m_config(config) {}

CDeviceLink::~CDeviceLink() { CloseLink(); }

int CDeviceLink::LinkRequest(int which) {
  CPrBridge& bridge = m_config.Bridge();
  int result = kDevFailed;
  if (m_exchange->WriteRequest(BuildLinkPacket()) == CExchangeFiles::kWriteOk && m_handle && bridge.IsLoaded()) {
    if (which == kLinkCheck) {
      int32_t status = 0;
      result = bridge.CheckConnect(m_printerName, status) ? MapConnectStatus(status) : kDevFailed;
    } else if (which == kLinkStart) {
      result = bridge.SoftStart(m_printerName) ? kDevOk : kDevFailed;
    } else {
      bridge.SoftEnd(m_printerName);
      result = kDevOk;
    }
  }
  m_exchange->DeleteRequest();
  return result;
}

void CDeviceLink::Release() {
  if (m_handle) m_config.Spooler().ClosePrinter(m_handle);
  m_handle = 0;
  m_printerName.clear();
  // The files belong to whoever holds the lock: a link that could not take
  // it leaves another program's exchange alone.
  if (m_exchange && m_exchange->Locked()) {
    m_exchange->DeleteRequest();
    m_exchange->DeleteAnswer();
    m_exchange->Unlock();
  }
}

int CDeviceLink::OpenLink() {
  if (IsOpen()) CloseLink();
  int scan = m_config.CheckPrinters();
  if (scan != kScanOk) return scan;
  m_printerName = m_config.PrinterName();
  m_handle = 0;
  std::string folder = m_config.UserDataFolder().empty() ? GetUserDataFolder() : m_config.UserDataFolder();
  m_exchange = std::make_unique<CExchangeFiles>(folder);
  // One link per user: the exchange files are shared by every program.
  if (!m_exchange->Lock()) {
    m_printerName.clear();
    return kDevFailed;
  }
  if (m_printerName.empty() || !(m_handle = m_config.Spooler().OpenPrinter(m_printerName))) {
    Release();
    return kDevFailed;
  }
  int jobs = m_config.Spooler().QueuedJobs(m_handle);
  if (jobs != 0) {
    Release();
    return jobs < 0 ? kDevFailed : kDevPrinting;
  }
  int result = LinkRequest(kLinkCheck);
  if (result == kDevOk) result = LinkRequest(kLinkStart);
  if (result != kDevOk) {
    Release();
    return result;
  }
  return kDevOk;
}

void CDeviceLink::CloseLink() {
  if (m_handle && m_exchange) {
    LinkRequest(kLinkEnd);
    m_config.Spooler().ClosePrinter(m_handle);
  }
  m_handle = 0;
  Release();
}

int CDeviceLink::Request(int category, uint8_t operation, uint8_t slot, std::vector<uint8_t>& answer, bool& hasPacket, int mode,
                         uint8_t group, std::span<const uint8_t> content, bool write) {
  answer.clear();
  hasPacket = false;
  if (!IsOpen() || !m_exchange) return write ? kDevRequestWrite : kDevFailed;
  std::vector<uint8_t> block;
  PACKET packet = BuildRequestPacket(DeviceCategoryCode(category), operation, slot, group,
                                     static_cast<uint16_t>(content.size()));
  if (write) block = BuildDataBlock(content);
  int written = m_exchange->WriteRequest(packet, block);
  if (written != CExchangeFiles::kWriteOk) {
    // A file that could not be opened and locked is not ours to delete.
    if (!write && written != CExchangeFiles::kWriteNoFile) m_exchange->DeleteRequest();
    return write ? kDevRequestWrite : kDevFailed;
  }
  int called = m_exchange->Exchange(m_config.Bridge(), m_printerName, mode);
  int result = kDevOk;
  if (!called || !m_exchange->ReadAnswer(answer)) result = kDevFailed;
  // A write's request file stays until the next request replaces it or
  // CloseLink removes it.
  if (!write) m_exchange->DeleteRequest();
  return result;
}

int CDeviceLink::QuerySlot(int first, int& found, int& group) {
  found = 0;
  group = 0;
  std::vector<uint8_t> answer;
  bool hasPacket = false;
  int result = Request(m_config.Category(), kOpQuery, static_cast<uint8_t>(first), answer, hasPacket, kModeOther);
  if (result == kDevOk) result = CheckCommonAnswer(answer, hasPacket);
  // An answer without its packet passes the checks; it is taken as "no
  // further slot".
  if (result == kDevOk && hasPacket) {
    found = answer[kAnswerHeaderSize + kAnsValue5];
    group = answer[kAnswerHeaderSize + kAnsValue6];
  }
  return result;
}

int CDeviceLink::ReadEntry(int slot, std::unique_ptr<uint8_t[]>& content, size_t& length) {
  content.reset();
  length = 0;
  std::vector<uint8_t> answer;
  bool hasPacket = false;
  int result = Request(m_config.Category(), kOpRead, static_cast<uint8_t>(slot), answer, hasPacket, kModeRead);
  if (result != kDevOk) return result;
  std::span<const uint8_t> bytes;
  result = CheckReadAnswer(answer, bytes);
  if (result != kDevOk) return result;
  if (!bytes.empty()) {
    content = AllocContent(bytes.size());
    if (!content) return kDevNoMemory;
    std::copy(bytes.begin(), bytes.end(), content.get());
  }
  length = bytes.size();
  return kDevOk;
}

int CDeviceLink::WriteEntry(int index, int category, const DATAENTRY& entry) {
  int result = kDevOk;
  DATAENTRY copy;
  copy.used = entry.used;
  copy.group = entry.group;
  if (entry.size > 0 && entry.content) {
    copy.content = AllocContent(entry.size);
    if (!copy.content) result = kDevNoMemory;
    else {
      std::copy(entry.content.get(), entry.content.get() + entry.size, copy.content.get());
      copy.size = entry.size;
    }
  }
  if (result == kDevOk) {
    QUILPMODELINFO model;
    m_config.GetCurrentModelInfo(model);
    if (model.name == kQP510) {
      if (category == kCatFile) ConvertFileDataForQP510(copy);
      if (category == kCatGlyph) ConvertGlyphsForQP510(copy);
    }
    std::vector<uint8_t> sent(copy.Bytes().begin(), copy.Bytes().end());
    if (category == kCatGlyph && !sent.empty()) sent = FilterGlyphSizes(sent, model.glyph);
    // The length field has two bytes: a longer entry is never sent cut short.
    if (sent.size() > kMaxContentLength) {
      result = kDevNotTaken;
    } else {
      std::vector<uint8_t> answer;
      bool hasPacket = false;
      result = Request(category, kOpWrite, static_cast<uint8_t>(index + 1), answer, hasPacket, kModeOther,
                       static_cast<uint8_t>(entry.group & 0xFF), sent, true);
      if (result == kDevOk) result = CheckChangeAnswer(answer, kDevMemoryFull);
    }
  }
  if (result != kDevOk) m_lastResult = result;
  return result;
}

int CDeviceLink::DeleteEntry(int index) {
  std::vector<uint8_t> answer;
  bool hasPacket = false;
  int result = Request(m_config.Category(), kOpDelete, static_cast<uint8_t>(index + 1), answer, hasPacket, kModeOther);
  if (result == kDevOk) result = CheckChangeAnswer(answer, kDevDeleteRefused);
  if (result != kDevOk) m_lastResult = result;
  return result;
}

int CDeviceLink::ReadSlotList(std::vector<uint32_t>& list) {
  list.clear();
  int limit = CategorySlotCount(m_config.Category());
  int next = 1;
  do {
    int found = 0, group = 0;
    int result = QuerySlot(next, found, group);
    if (result != kDevOk) return result;
    // A slot beyond the category's slots would be stored nowhere.
    if (found == 0 || found < next || found > limit) break;
    list.push_back(static_cast<uint32_t>(found) * 256 + static_cast<uint32_t>(group));
    next = found + 1;
  } while (next <= limit);
  return kDevOk;
}

int CDeviceLink::ReadEntries(const std::vector<uint32_t>& list, CDataSet& device, CDeviceProgress& progress) {
  int section = SectionOfCategory(m_config.Category());
  for (uint32_t value : list) {
    int slot = static_cast<int>(value / 256);
    auto group = static_cast<uint16_t>(value % 256);
    std::unique_ptr<uint8_t[]> content;
    size_t length = 0;
    int result = ReadEntry(slot, content, length);
    if (result != kDevOk) return result;
    if (slot >= 1 && slot <= SectionSlotCount(section) &&
        !device.SetEntry(section, slot - 1, group, std::span<const uint8_t>(content.get(), length)))
      return kDevNoMemory;
    progress.Step();
  }
  return kDevOk;
}

int CDeviceLink::ConfirmOverwrite(int slot, bool single, CDevicePrompt& prompt, CDeviceProgress& progress) {
  progress.Hide();
  int answer = kOverwriteCancel;
  if (m_config.Category() == kCatName) {
    if (single) prompt.Notice(kMsgNameRegistered);
    else answer = prompt.OverwriteNotice(kMsgNameRegistered) ? kOverwriteSkip : kOverwriteCancel;
  } else if (single) {
    answer = prompt.YesNo(OverwriteText(slot)) ? kOverwriteAll : kOverwriteCancel;
  } else {
    answer = prompt.OverwriteChoice(OverwriteText(slot));
    if (answer < kOverwriteOne || answer > kOverwriteCancel) answer = kOverwriteCancel;
  }
  progress.Show();
  return answer;
}

int CDeviceLink::WriteEntries(std::vector<int>& selection, const CDataSet& source, EOverwrite policy,
                              CDevicePrompt* prompt, CDeviceProgress& progress) {
  int category = m_config.Category();
  int section = SectionOfCategory(category);
  int result = kDevFailed;
  bool ask = policy == EOverwrite::kAsk;
  std::vector<int> done;
  const DATAENTRY empty;
  for (int i : selection) {
    int found = 0, group = 0;
    // Asked even without questions: a slot the printer cannot report on is
    // never written.
    result = QuerySlot(i + 1, found, group);
    if (result != kDevOk) break;
    if (found == i + 1 && ask) {
      int answer = prompt ? ConfirmOverwrite(i + 1, selection.size() == 1, *prompt, progress) : kOverwriteCancel;
      if (answer == kOverwriteCancel) {
        result = kDevOk;
        break;
      }
      if (answer == kOverwriteSkip) continue;
      if (answer == kOverwriteAll) ask = false;
    }
    const DATAENTRY* entry = source.Entry(section, i);
    result = WriteEntry(i, category, entry ? *entry : empty);
    if (result != kDevOk) break;
    done.push_back(i);
    progress.Step();
  }
  selection = done;
  return result;
}

int CDeviceLink::PasteEntries(std::vector<int>& selection, std::span<const DATAENTRY> pasted,
                              CDevicePrompt& prompt, CDeviceProgress& progress, CDataSet& device) {
  int category = m_config.Category();
  int section = SectionOfCategory(category);
  int result = kDevFailed;
  bool ask = true;
  std::vector<int> done, deletes;
  size_t count = std::min(selection.size(), pasted.size());
  for (size_t k = 0; k < count; ++k) {
    int i = selection[k];
    const DATAENTRY& entry = pasted[k];
    int found = 0, group = 0;
    result = QuerySlot(i + 1, found, group);
    // A slot whose state is unknown is never written without its question.
    if (result != kDevOk) break;
    if (found == i + 1) {
      if (ask) {
        int answer = ConfirmOverwrite(i + 1, selection.size() == 1, prompt, progress);
        if (answer == kOverwriteCancel) {
          result = kDevOk;
          break;
        }
        if (answer == kOverwriteSkip) continue;
        if (answer == kOverwriteAll) ask = false;
      }
      if (entry.size == 0) deletes.insert(deletes.begin(), i);
    }
    if (entry.size != 0) {
      result = WriteEntry(i, category, entry);
      progress.Step();
      if (result != kDevOk) break;
      done.push_back(i);
    }
  }
  for (int j : deletes) {
    if (result != kDevOk) break;
    result = DeleteEntry(j);
    if (result != kDevOk) break;
    progress.Step();
    done.push_back(j);
    device.ClearSlot(section, j);
  }
  selection.clear();
  for (int v : done) selection.insert(std::upper_bound(selection.begin(), selection.end(), v), v);
  return result;
}

int CDeviceLink::ShowPrinterData(CDataSet& device, bool paneShowedDevice, CDevicePrompt& prompt,
                                 CDeviceProgress& progress) {
  device.m_modified = 0;
  int result = OpenLink();
  if (result != kDevOk) {
    ReportDeviceResult(prompt, result);
    return result;
  }
  std::vector<uint32_t> list;
  result = ReadSlotList(list);
  bool listRead = result == kDevOk;
  if (listRead) {
    CDataSet kept;
    if (!kept.CopyFrom(device)) {
      result = kDevNoMemory;
    } else {
      if (!paneShowedDevice || device.m_path.empty()) device.ClearAll();
      else device.ClearSection(SectionOfCategory(m_config.Category()));
      progress.SetRange(static_cast<int>(list.size()));
      if (!list.empty()) {
        result = ReadEntries(list, device, progress);
        if (result != kDevOk) device.CopyFrom(kept);
      }
    }
  }
  CloseLink();
  if (listRead && list.empty()) {
    progress.Hide();
    prompt.Notice(kMsgNoDeviceData);
  }
  if (result != kDevOk) {
    progress.Hide();
    ReportDeviceResult(prompt, result);
  }
  return result;
}

int CDeviceLink::ReRead(CDataSet& device, int extra, CDeviceProgress& progress) {
  int result = OpenLink();
  if (result != kDevOk) return result;
  std::vector<uint32_t> list;
  result = ReadSlotList(list);
  if (result == kDevOk) {
    device.ClearSection(SectionOfCategory(m_config.Category()));
    progress.SetRange(static_cast<int>(list.size()) + progress.GetPos() + extra);
    if (!list.empty()) result = ReadEntries(list, device, progress);
  }
  CloseLink();
  return result;
}

int CDeviceLink::DeleteSlots(std::vector<int>& selection, CDataSet& device, CDevicePrompt& prompt,
                             CDeviceProgress& progress) {
  if (selection.empty()) return kDevOk;
  int result = OpenLink();
  if (result != kDevOk) return result;
  int section = SectionOfCategory(m_config.Category());
  for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
    result = DeleteEntry(*it);
    if (result != kDevOk) break;
    device.ClearSlot(section, *it);
    progress.Step();
  }
  CloseLink();
  if (result < 0) return result;
  if (result != kDevOk) {
    progress.Hide();
    ReportDeviceResult(prompt, result);
    progress.Show();
  }
  return ReRead(device, 0, progress);
}

int CDeviceLink::TransferFlow(std::vector<int>& selection, const CDataSet& source, CDataSet& device, bool noAsk,
                              CDevicePrompt& prompt, CDeviceProgress& progress) {
  int result = OpenLink();
  if (result != kDevOk) {
    selection.clear();
    return result;
  }
  progress.SetRange(static_cast<int>(selection.size()) + CategorySlotCount(m_config.Category()));
  result = WriteEntries(selection, source, noAsk ? EOverwrite::kAlways : EOverwrite::kAsk, &prompt, progress);
  CloseLink();
  if (result < 0) return result;
  if (result != kDevOk) {
    progress.Hide();
    ReportDeviceResult(prompt, result);
    progress.Show();
  }
  return ReRead(device, 0, progress);
}

int CDeviceLink::PasteFlow(std::vector<int>& selection, std::span<const DATAENTRY> pasted, CDataSet& device,
                           int extra, bool fromLeft, CDevicePrompt& prompt, CDeviceProgress& progress) {
  int result = OpenLink();
  if (result != kDevOk) {
    selection.clear();
    return result;
  }
  result = PasteEntries(selection, pasted, prompt, progress, device);
  CloseLink();
  if (result < 0 || !(extra == 0 || fromLeft)) return result;
  if (result != kDevOk) {
    progress.Hide();
    ReportDeviceResult(prompt, result);
    progress.Show();
  }
  return ReRead(device, extra, progress);
}

bool CDeviceLink::ConfirmGlyphSizes(std::span<const DATAENTRY* const> entries, CDevicePrompt& prompt) {
  m_config.CheckPrinters();
  QUILPMODELINFO model;
  m_config.GetCurrentModelInfo(model);
  for (const DATAENTRY* entry : entries) {
    if (!entry || entry->size == 0) continue;
    if (GlyphSizesLacking(GetGlyphSizeMask(*entry), model.glyph)) return prompt.YesNo(kMsgGlyphSizesLacking);
  }
  return true;
}
