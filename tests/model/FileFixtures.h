#pragma once
// Fixtures the file tests share: another program holding a file locked, and
// a disk that fills up after a given number of bytes.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

#include "model/GxFile.h"

// Another descriptor holding the exclusive lock, as a second program would.
struct FOREIGNLOCK {
  int fd;
  explicit FOREIGNLOCK(const std::string& path) : fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
    if (fd >= 0) ::flock(fd, LOCK_EX | LOCK_NB);
  }
  ~FOREIGNLOCK() {
    if (fd >= 0) ::close(fd);
  }
  FOREIGNLOCK(const FOREIGNLOCK&) = delete;
  FOREIGNLOCK& operator=(const FOREIGNLOCK&) = delete;
};

// Writes through CGxFile fail with `err` after `bytes` more bytes, for the
// life of the object.
struct WRITEFAILURE {
  WRITEFAILURE(long long bytes, int err) { CGxFile::SetWriteFailureAfter(bytes, err); }
  ~WRITEFAILURE() { CGxFile::SetWriteFailureAfter(-1); }
  WRITEFAILURE(const WRITEFAILURE&) = delete;
  WRITEFAILURE& operator=(const WRITEFAILURE&) = delete;
};
