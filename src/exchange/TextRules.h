#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The field rules of address and name text files. Every text here is CP932
// bytes.

// A field read from a text line holds at most this many bytes; the rest of
// an over-long field is skipped up to its separator.
inline constexpr size_t kMaxFieldBytes = 254;
// Lines examined when choosing the separator.
inline constexpr int kSeparatorProbeLines = 10;
// Fields kept from one line before the field rules run.
inline constexpr size_t kAddressFieldsKept = 13;
inline constexpr size_t kNameFieldsKept = 4;
// Fields stored per record.
inline constexpr int kAddressFieldCount = 7;
inline constexpr int kNameFieldCount = 4;
// Address field numbers with rules of their own.
inline constexpr int kAddressPostalField = 0;
inline constexpr int kAddressBarcodeField = 6;

// Character codes the rules produce or test (lead byte first).
inline constexpr uint16_t kPrinterHalfSpace = 0xECA6;  // the printer's half-width space
inline constexpr uint16_t kReplacementMark = 0x81A1;   // ■
inline constexpr uint16_t kFullMinus = 0x817C;         // －
inline constexpr uint16_t kFullDigitZero = 0x824F;     // ０ (to ９ = 0x8258)
inline constexpr uint16_t kFullUpperA = 0x8260;        // Ａ (to Ｚ = 0x8279)

// Maximum characters (double-byte) per field on reading.
int FieldCharLimit(int category, int field);
// The number of fields of a record: 7 for address data, 4 for name data,
// 0 for other categories.
int RecordFieldCount(int category);

// The header line of spreadsheet text (CP932).
std::string HeaderLine(int category);

// The full-width (JIS X 0208) code of a single-byte character (JIS X 0201),
// or 0 when it has none. A space maps to the full-width space here; import
// turns spaces into the printer's half-width space before asking.
uint16_t FullWidthOf(uint8_t single);
// The single byte of a full-width code, or 0 when it has none.
uint8_t SingleByteOf(uint16_t full);

// Import conversion of one field: double-byte characters unchanged, a space
// to the printer's half-width space, other printable single bytes to their
// full-width form (half-width kana with a following voiced or semi-voiced
// mark combined where the character exists), CR and LF kept, other control
// characters dropped. A byte that is no character (a lone lead byte, 0x80,
// 0xA0, 0xFD-0xFF) becomes "■", so the result stays whole double-byte text.
std::string ConvertImportText(std::string_view text);

// Export narrowing of the barcode field: double-byte characters with a
// single-byte form are written as that byte, except ',' and '"', which would
// split the record.
std::string NarrowText(std::string_view text);

// Postal code rule: full-width digits as "ddd－dddd" (up to 8 characters);
// "－" in the input dropped; anything else empties the field.
std::string ApplyPostalCodeRule(std::string_view field);
// Barcode rule: kept when every character is "－", a full-width digit or a
// full-width upper-case letter, else empty.
std::string ApplyBarcodeRule(std::string_view field);

// The first `chars` double-byte characters of `text` (2 * chars bytes, never
// splitting a character).
std::string CutToChars(std::string_view text, int chars);

// Splits one line into fields (see the quoting rules in TextRules.cpp).
std::vector<std::string> SplitFields(std::string_view line, char separator);

// TAB when any of the first ten lines holds a TAB, otherwise ','.
char ChooseSeparator(std::string_view text);

// The fields of one text line turned into final field texts: conversion,
// postal code and barcode rules, character limits. Missing fields are empty;
// the result has RecordFieldCount(category) fields.
std::vector<std::string> PrepareRecordFields(int category, const std::vector<std::string>& raw);

// Entry content of an address or name record built from final field texts:
// kind, format 0x01, empty title, empty group name, a field item and a text
// run per field, CR LF. An all-empty record gets the printer's half-width
// space in field 1 (address) or field 0 (name).
std::vector<uint8_t> BuildRecordContent(int category, std::vector<std::string> fields);
