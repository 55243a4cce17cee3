#pragma once
#include <string>

#include "exchange/ExchangeMessages.h"
#include "model/DataSet.h"

// Address and name data as text files: one line per entry, fields separated
// by ',' (TAB accepted on reading), CP932 with CR LF line ends.

// Results of WriteTextFile.
enum : int {
  kTextWritten = 1,       // the file was written
  kTextNothingToSave = 0, // no entry of the category and no header asked for
  kTextNotCreated = -1,   // the file could not be created or written
};

// How a text file is written: CP932 as the printer's own tools read it, or
// UTF-8 with a byte-order mark for programs that read UTF-8 (the reader
// recognises the mark).
enum class ETextEncoding { kCp932, kUtf8Bom };

// Writes the used slots of the category (address or name) in slot order,
// with the header line first when `withHeader`. Without a header and without
// entries it shows "保存するデータがありません。" and creates nothing. An
// existing file is replaced only when the new one is complete; a read-only
// one is not replaced. `durable` false skips the flush to disk (a scratch
// file for the converter). The text rules run the same for both encodings.
int WriteTextFile(const CDataSet& set, int category, const std::string& path, bool withHeader,
                  CExchangeMessages& messages, bool durable = true,
                  ETextEncoding encoding = ETextEncoding::kCp932);

// Reads records into slots 0, 1, ... of the category's section: record k goes
// to slot k, at most as many records as the section has slots; the first line
// is skipped when `skipFirstLine`. Slots after the last record keep what they
// held; group numbers and the modified flag are left alone. A file starting
// with a UTF-8 byte-order mark is converted to CP932 first. False when the
// file cannot be opened or read (nothing stored then). `stored` (optional)
// receives the number of entries stored.
bool ReadTextFile(CDataSet& set, int category, const std::string& path, bool skipFirstLine,
                  int* stored = nullptr);
