#pragma once
#include <string>

namespace tblx2 {

// The .xls cell reader library trusts the lengths inside the records it
// parses; a damaged or hostile workbook makes it read and copy past its
// buffers. So it only ever sees a workbook stream that this check passed:
// every record inside the stream and at most 8224 bytes long; every string
// of the records it parses (formats, sheet names, shared strings across
// their continuation records, labels) inside its record; every cell inside
// its sheet's dimensions; every shared-string index inside the table; every
// sheet offset pointing at a BOF record. Records it does not parse are only
// framed. True when the stream may be handed over.
bool CheckBiffStream(const std::string& stream);

}  // namespace tblx2
