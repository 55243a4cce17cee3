#include "device/PrBridge.h"

#include <dlfcn.h>

#include <cstdlib>
#include <vector>

#include "model/Paths.h"
#include "xamu/prbridge.h"

namespace {

using CheckConnectFn = XamuCheckConnectFn;
using SoftNameFn = XamuSoftStartFn;
using SoftSetDataFn = XamuSoftSetDataFn;

// The library may write into the printer name; it gets a copy with room for
// two more bytes, and whatever it leaves there is discarded.
std::vector<char> WritableName(const std::string& printer) {
  std::vector<char> copy(printer.begin(), printer.end());
  copy.resize(printer.size() + 3, '\0');
  return copy;
}

}  // namespace

CPrBridge::~CPrBridge() { Unload(); }

bool CPrBridge::Load(const std::string& path) {
  Unload();
  m_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  return m_handle != nullptr;
}

void CPrBridge::Unload() {
  if (m_handle) dlclose(m_handle);
  m_handle = nullptr;
}

bool CPrBridge::Load(const std::string& path, std::string& error) {
  bool loaded = Load(path);
  const char* why = loaded ? nullptr : dlerror();
  error = why ? why : "";
  return loaded;
}

bool CPrBridge::HasFunction(const char* name) const { return Symbol(name) != nullptr; }

void* CPrBridge::Symbol(const char* name) const { return m_handle ? dlsym(m_handle, name) : nullptr; }

int CPrBridge::CheckConnect(const std::string& printer, int32_t& status) {
  status = 0;
  auto fn = reinterpret_cast<CheckConnectFn>(Symbol("CheckConnectA"));
  if (!fn) return 0;
  std::vector<char> name = WritableName(printer);
  return fn(name.data(), &status);
}

int CPrBridge::SoftStart(const std::string& printer) {
  auto fn = reinterpret_cast<SoftNameFn>(Symbol("SoftStartA"));
  if (!fn) return 0;
  std::vector<char> name = WritableName(printer);
  return fn(name.data());
}

int CPrBridge::SoftEnd(const std::string& printer) {
  auto fn = reinterpret_cast<SoftNameFn>(Symbol("SoftEndA"));
  if (!fn) return 0;
  std::vector<char> name = WritableName(printer);
  return fn(name.data());
}

int CPrBridge::SoftSetData(const std::string& printer, std::span<const uint8_t> request, int answerFd, int mode) {
  auto fn = reinterpret_cast<SoftSetDataFn>(Symbol("SoftSetDataA"));
  if (!fn) return 0;
  std::vector<char> name = WritableName(printer);
  return fn(name.data(), request.data(), static_cast<uint32_t>(request.size()), answerFd, mode);
}

std::string GetDriverFolder() {
  std::string dir;
  if (const char* env = std::getenv("XAMU_DRIVER_DIR"); env && *env)
    dir = env;
  else
    dir = GetProgramFolder() + "/drivers";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

std::string GetBridgeLibraryPath() { return GetDriverFolder() + "/3/libprbridge.so"; }
