#pragma once
// Helpers shared by the fuzz targets.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// Writes the input to a private temporary file and returns its path; the file
// is reused for every run of the target.
inline const std::string& FuzzInputFile(const uint8_t* data, size_t size) {
  static std::string path = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/xamu-fuzz-XXXXXX";
    int fd = mkstemp(p.data());
    // Without a file of its own the target would write to the template's
    // name, which anyone can guess.
    if (fd < 0) std::abort();
    close(fd);
    return p;
  }();
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f) {
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  return path;
}
