#pragma once
#include <string>

namespace tblx2 {

// The .xls cell reader library trusts the lengths inside the records it
// parses, and sizes its cell table by what the DIMENSIONS records claim; a
// damaged or hostile workbook makes it read and copy past its buffers or
// allocate without bound. So it only ever sees a stream prepared here:
//  - every record inside the stream and at most 8224 bytes long;
//  - every string of the records it parses (number formats, sheet names,
//    shared strings across their continuation records, labels) inside its
//    record, every shared-string index inside the table;
//  - only the first sheet (the one that is read), every cell of it within
//    what a sheet holds, its DIMENSIONS set to the extent of its cells.
// Records it does not parse are only framed. Empty when refused.
std::string PrepareBiffStream(const std::string& stream);

}  // namespace tblx2
