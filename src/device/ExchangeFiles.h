#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/DevicePacket.h"
#include "model/FileIO.h"  // ReadWhole, WriteAll: the library side uses them too

class CPrBridge;

// The request and answer files of one user, and the per-user lock that keeps
// a second program (the desktop program and xamu-cli share the files) off
// them from OpenLink to CloseLink. The paths are the per-user data folder
// string followed directly by the file name, without a separator.
class CExchangeFiles {
 public:
  explicit CExchangeFiles(const std::string& userDataFolder);
  ~CExchangeFiles();
  CExchangeFiles(const CExchangeFiles&) = delete;
  CExchangeFiles& operator=(const CExchangeFiles&) = delete;

  const std::string& RequestPath() const { return m_requestPath; }
  const std::string& AnswerPath() const { return m_answerPath; }

  // The per-user link lock; false when another program holds it.
  bool Lock();
  void Unlock();
  bool Locked() const { return m_lockFd >= 0; }

  // Results of WriteRequest.
  enum : int {
    kWriteOk = 0,
    kWriteNoFile = 1,  // the request file could not be created
    kWriteFailed = 2,  // header or packet not written: the file is deleted
    kWriteBlock = 3,   // a write's data block not written: the file stays
  };
  // Creates (or truncates, after locking it) the request file and writes the
  // 32 zero bytes, the packet and, for a write, the data block. Mode 0600.
  int WriteRequest(const PACKET& packet, std::span<const uint8_t> block = {});
  // Reads the request file whole, creates the answer file and hands both to
  // the library. The library's result: nonzero when it wrote its answer.
  int Exchange(CPrBridge& bridge, const std::string& printer, int mode);
  // Reads the answer file whole; false when it cannot be opened or read (or
  // is far larger than any answer). The file is deleted whenever it could be
  // opened.
  bool ReadAnswer(std::vector<uint8_t>& answer);
  void DeleteRequest();
  void DeleteAnswer();

 private:
  std::string m_requestPath;
  std::string m_answerPath;
  std::string m_lockPath;
  int m_lockFd = -1;
};

// Opens `path` for writing without truncating, takes the exclusive lock and
// only then truncates it; mode 0600. -1 on failure (nothing was truncated).
int OpenLockedForWriting(const std::string& path);
// Opens `path` for reading with the exclusive lock; -1 on failure.
int OpenLockedForReading(const std::string& path);
