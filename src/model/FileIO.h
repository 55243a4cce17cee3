#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// Whole-buffer reads and writes on POSIX descriptors, retried across
// interruptions and short transfers.

// True when every byte was written.
bool WriteAll(int fd, const void* data, size_t size);
inline bool WriteAll(int fd, std::span<const uint8_t> bytes) { return WriteAll(fd, bytes.data(), bytes.size()); }
inline bool WriteAll(int fd, std::string_view bytes) { return WriteAll(fd, bytes.data(), bytes.size()); }

// Reads the whole file behind `fd` from its current position, sized by
// fstat (at most `maxBytes`); false on a short read or a larger file.
bool ReadWhole(int fd, std::vector<uint8_t>& bytes, size_t maxBytes);
