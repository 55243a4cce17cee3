#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tblx2 {

// One filled cell read from a workbook; row and column count from 0, text is
// UTF-8 exactly as the spreadsheet shows it to the user.
struct CELLTEXT {
    uint32_t row;
    uint32_t col;
    std::string text;
};
// Cells of one sheet in any order; empty cells are simply absent.
using CSheetCells = std::vector<CELLTEXT>;

// Rows of the converter's text file, fields in UTF-8.
using CTextRow = std::vector<std::string>;
using CTextRows = std::vector<CTextRow>;

// Result codes of the helpers below.
inline constexpr int kOk = 0;
inline constexpr int kErrOpen = -1;      // file could not be opened or created
inline constexpr int kErrRead = -2;      // read or write failed half-way
inline constexpr int kErrTooLarge = -3;  // input or output beyond the size limits
inline constexpr int kErrFormat = -4;    // not a workbook of a kind we read, or damaged
inline constexpr int kErrEmpty = -5;     // a readable workbook without any cell

// The text file never grows beyond this; a sheet that would make more is
// refused rather than filling the disk.
inline constexpr uint64_t kMaxTextBytes = 64u << 20;
// Text files larger than this are not read.
inline constexpr uint64_t kMaxTextFileBytes = 64u << 20;

// Reads the CP932 text format: lines end with CR LF or LF, a final 0x1A ends
// the file, TAB separates fields when any of the first 10 lines holds one and
// "," otherwise, fields may be quoted with "" for a quote. Keeps at most
// `columns` fields per line.
int ReadTextRows(const char* path, size_t columns, CTextRows& rows);

// Writes `cells` as the CP932 text format: one line per row from row 0 to the
// last row with a cell, fields joined with ",", CR LF line ends. Fields that
// hold "," or start with a quote are quoted; line breaks and TABs inside a
// cell become spaces and other control characters are dropped, so one cell
// always stays one field of one line.
int WriteTextRows(const char* path, CSheetCells cells);

// The text a user typed for a number: shortest form that reads back the same,
// no exponent for ordinary magnitudes, no trailing ".0", never locale-bound.
std::string FormatNumber(double value);

}  // namespace tblx2
