#pragma once
#include <cstdint>
#include <span>
#include <string>

// The printer utility library (libprbridge.so in <driver dir>/3/). Each of its
// four functions is looked up by name at every call, as the library may be
// replaced under a running program. A call is skipped, and counts as failed
// (0), when the library is not loaded or does not export the function.
class CPrBridge {
 public:
  CPrBridge() = default;
  ~CPrBridge();
  CPrBridge(const CPrBridge&) = delete;
  CPrBridge& operator=(const CPrBridge&) = delete;

  // Loads the library by full path; false (and unloaded) on failure.
  bool Load(const std::string& path);
  // The same, with dlerror()'s words when it fails.
  bool Load(const std::string& path, std::string& error);
  void Unload();
  // Whether the loaded library exports `name` ("CheckConnectA", ...).
  bool HasFunction(const char* name) const;
  bool IsLoaded() const { return m_handle != nullptr; }

  // Nonzero when the call worked; `status` is set to 0 before the call.
  int CheckConnect(const std::string& printer, int32_t& status);
  int SoftStart(const std::string& printer);
  int SoftEnd(const std::string& printer);
  // `answerFd` is open for writing and empty; mode 1 for read-entry requests.
  int SoftSetData(const std::string& printer, std::span<const uint8_t> request, int answerFd, int mode);

 private:
  void* Symbol(const char* name) const;
  void* m_handle = nullptr;
};

// The driver directory: $XAMU_DRIVER_DIR, else <program folder>/drivers (the
// emulated printer). No trailing '/'.
std::string GetDriverFolder();
// <driver dir>/3/libprbridge.so.
std::string GetBridgeLibraryPath();
