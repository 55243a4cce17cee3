// An answer file as a printer library may leave it: read from disk as the
// device link reads it, then checked as a query, write, delete and read
// answer. Whatever the checks pass must lie inside the bytes read.
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FuzzUtil.h"
#include "device/DevicePacket.h"
#include "device/ExchangeFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The exchange files are named by the folder string and the file name
  // without a separator; a private folder keeps runs apart.
  static const std::string folder = FuzzInputFile(nullptr, 0) + ".d/";
  static CExchangeFiles files = [] {
    mkdir(folder.c_str(), 0700);
    return CExchangeFiles(folder);
  }();
  int fd = open(files.AnswerPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return 0;
  const bool written = WriteAll(fd, std::span<const uint8_t>(data, size));
  close(fd);
  if (!written) return 0;
  std::vector<uint8_t> answer;
  if (!files.ReadAnswer(answer)) return 0;
  if (answer.size() != size) std::abort();
  if (access(files.AnswerPath().c_str(), F_OK) == 0) std::abort();  // read answers are deleted

  bool hasPacket = false;
  const int common = CheckCommonAnswer(answer, hasPacket);
  if (hasPacket && answer.size() < kAnswerHeaderSize + kAnswerPacketSize) std::abort();
  if (common == 0 && hasPacket) {
    // What QuerySlot, WriteEntry and DeleteEntry take from a passed answer.
    volatile uint8_t v5 = answer[kAnswerHeaderSize + 5];
    volatile uint8_t v6 = answer[kAnswerHeaderSize + 6];
    (void)v5;
    (void)v6;
  }
  if (answer.size() >= kAnswerHeaderSize) (void)AnswerStatus(answer);

  std::span<const uint8_t> content;
  if (CheckReadAnswer(answer, content) == 0 && !content.empty()) {
    if (content.data() < answer.data() ||
        content.data() + content.size() > answer.data() + answer.size())
      std::abort();
  }
  return 0;
}
