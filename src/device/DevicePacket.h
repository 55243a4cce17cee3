#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Request and answer bytes exchanged with the printer utility library. These
// are pure functions: the file I/O lives in Exchange.h. The device link and
// the emulated printer both build and check packets with them.

// Device category codes (byte 4 of a request packet).
enum : uint8_t {
  kDevFile = 0x01,
  kDevAddress = 0x02,
  kDevName = 0x03,
  kDevGlyph = 0x10,
};

// Operations (byte 5 of a request packet).
enum : uint8_t {
  kOpQuery = 0x00,   // first registered slot at or after the slot byte
  kOpRead = 0x01,    // one entry's content
  kOpWrite = 0x02,   // store the data block in the slot
  kOpDelete = 0x03,  // empty the slot
};

// Positions of the answer values in the answer packet: a query answer's
// found slot and group number, a read answer's content length (high, low),
// a write or delete answer's status byte.
inline constexpr size_t kAnsValue5 = 5;
inline constexpr size_t kAnsValue6 = 6;

// Answer values in byte 5 of a write or delete answer.
inline constexpr uint8_t kAnsNotTaken = 0xFE;  // the printer does not take the data
inline constexpr uint8_t kAnsRefused = 0xFF;   // write: memory full; delete: refused

inline constexpr size_t kRequestHeaderSize = 32;  // reserved zero bytes before the packet
inline constexpr size_t kPacketSize = 12;
inline constexpr size_t kAnswerHeaderSize = 32;  // status word and 28 unexamined bytes
inline constexpr size_t kAnswerPacketSize = 11;
inline constexpr size_t kBlockOverhead = 5;       // "DT;" + ";" + checksum
inline constexpr size_t kMaxContentLength = 0xFFFF;  // the length field has two bytes

// Device category code of a category (0 for none), and back (-1 for none).
uint8_t DeviceCategoryCode(int category);
int CategoryOfDeviceCode(uint8_t code);
// Sum of the bytes modulo 256.
uint8_t ByteSum(std::span<const uint8_t> bytes);

using PACKET = std::array<uint8_t, kPacketSize>;
using ANSWERPACKET = std::array<uint8_t, kAnswerPacketSize>;

// 1B 7B 09 4D {category} {operation} {slot} {group} {len hi} {len lo} {sum} 7D
// sum = (0x4D + bytes 4..9) mod 256; slot is 1-based; group and length only
// for writes (0 otherwise).
PACKET BuildRequestPacket(uint8_t category, uint8_t operation, uint8_t slot, uint8_t group = 0,
                          uint16_t length = 0);
// The connection check, start and end requests:
// 1B 7B 09 4D 01 00 00 00 00 00 4E 7D
PACKET BuildLinkPacket();
// "DT;" {content} ";" {sum of every byte before it}
std::vector<uint8_t> BuildDataBlock(std::span<const uint8_t> content);
// 32 zero bytes, the packet, then the data block (writes only).
std::vector<uint8_t> BuildRequestFile(const PACKET& packet, std::span<const uint8_t> block = {});

// "RV;" 00 00 {value5} {value6} 00 00 00 {sum of bytes 0..9}
ANSWERPACKET BuildAnswerPacket(uint8_t value5, uint8_t value6);
// {status, 32-bit LE} {28 zero bytes} {answer packet} {data block, reads only}
std::vector<uint8_t> BuildAnswerFile(int32_t status, const ANSWERPACKET& packet,
                                     std::span<const uint8_t> block = {});

// A request file as the printer side reads it. `valid` is false when the
// framing or the packet checksum is wrong; `blockValid` when a write's data
// block is missing, too short, misframed or has a wrong checksum.
struct DEVICEREQUEST {
  bool valid = false;
  uint8_t category = 0;
  uint8_t operation = 0;
  uint8_t slot = 0;
  uint8_t group = 0;
  uint16_t length = 0;
  bool blockValid = false;
  std::span<const uint8_t> content;  // a write's content inside the request bytes
};
DEVICEREQUEST ParseRequestFile(std::span<const uint8_t> request);

// The status word of an answer (the caller has checked the 32-byte header).
int32_t AnswerStatus(std::span<const uint8_t> answer);

// The checks of a query, write or delete answer, in order: shorter than the
// header -1; status word nonzero: that value; no full answer packet: 0 (the
// packet is not examined); not "RV;" 101; wrong checksum 102; else 0.
// `hasPacket` tells whether the packet bytes can be read.
int CheckCommonAnswer(std::span<const uint8_t> answer, bool& hasPacket);

// The answer to a write or delete: the common checks, then the printer's
// verdict in the packet: 0xFE is 254 (data not taken), 0xFF is `refused`
// (memory full for a write, a refused delete).
int CheckChangeAnswer(std::span<const uint8_t> answer, int refused);

// The checks of a read answer: -1, the status word, 101 (short, no "RV;",
// data block shorter than announced or too short for "DT;", the content and
// the checksum, no "DT;"), 102 (wrong block checksum). On 0 `content` is the
// announced content inside `answer`; nothing outside `answer` is ever read.
int CheckReadAnswer(std::span<const uint8_t> answer, std::span<const uint8_t>& content);
