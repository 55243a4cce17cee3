#include "device/ExchangeFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>


#include "device/PrBridge.h"
#include "model/FileIO.h"

namespace {

constexpr const char* kRequestName = "REQQUILPDATA.DAT";
constexpr const char* kAnswerName = "ANSQUILPDATA.DAT";
constexpr const char* kLockName = "LINK.LCK";
// The largest answer a printer can give is a read answer of 43 + 65,535 + 5
// bytes; anything beyond this bound is not an answer and is not read.
constexpr size_t kMaxAnswerBytes = 1 << 20;
// A request is at most the header, the packet and a data block of 65,540.
constexpr size_t kMaxRequestBytes = 1 << 20;
constexpr mode_t kPrivateMode = 0600;

}  // namespace

int OpenLockedForWriting(const std::string& path) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, kPrivateMode);
  if (fd < 0) return -1;
  struct stat st {};
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &st) != 0) {
    close(fd);
    return -1;
  }
  // Truncating an empty file is not a no-op on every file system (ext4 then
  // flushes the file at close, which costs milliseconds per request), and the
  // exchange files are usually new: truncate only what has bytes.
  if (((st.st_mode & 0777) != kPrivateMode && fchmod(fd, kPrivateMode) != 0) ||
      (st.st_size > 0 && ftruncate(fd, 0) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

int OpenLockedForReading(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return -1;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

CExchangeFiles::CExchangeFiles(const std::string& userDataFolder)
    : m_requestPath(userDataFolder + kRequestName),
      m_answerPath(userDataFolder + kAnswerName),
      m_lockPath(userDataFolder + kLockName) {}

CExchangeFiles::~CExchangeFiles() { Unlock(); }

bool CExchangeFiles::Lock() {
  if (m_lockFd >= 0) return true;
  int fd = open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kPrivateMode);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  m_lockFd = fd;
  return true;
}

void CExchangeFiles::Unlock() {
  if (m_lockFd >= 0) close(m_lockFd);  // closing releases the lock
  m_lockFd = -1;
}

int CExchangeFiles::WriteRequest(const PACKET& packet, std::span<const uint8_t> block) {
  int fd = OpenLockedForWriting(m_requestPath);
  if (fd < 0) return kWriteNoFile;
  std::vector<uint8_t> head = BuildRequestFile(packet);
  if (!WriteAll(fd, head)) {
    close(fd);
    DeleteRequest();
    return kWriteFailed;
  }
  bool blockWritten = WriteAll(fd, block);
  close(fd);
  return blockWritten ? kWriteOk : kWriteBlock;
}

int CExchangeFiles::Exchange(CPrBridge& bridge, const std::string& printer, int mode) {
  std::vector<uint8_t> request;
  int in = OpenLockedForReading(m_requestPath);
  if (in >= 0) {
    if (!ReadWhole(in, request, kMaxRequestBytes)) request.clear();  // a short read is an empty request
    close(in);
  }
  int answer = OpenLockedForWriting(m_answerPath);
  int result = 0;
  if (in >= 0 && answer >= 0 && !request.empty()) result = bridge.SoftSetData(printer, request, answer, mode);
  if (answer >= 0) close(answer);
  return result;
}

bool CExchangeFiles::ReadAnswer(std::vector<uint8_t>& answer) {
  answer.clear();
  int fd = OpenLockedForReading(m_answerPath);
  if (fd < 0) return false;
  bool ok = ReadWhole(fd, answer, kMaxAnswerBytes);
  close(fd);
  DeleteAnswer();
  if (!ok) answer.clear();
  return ok;
}

void CExchangeFiles::DeleteRequest() { unlink(m_requestPath.c_str()); }
void CExchangeFiles::DeleteAnswer() { unlink(m_answerPath.c_str()); }
