#pragma once
#include <string>

#include "exchange/ExchangeMessages.h"
#include "exchange/TextFile.h"
#include "model/DataSet.h"

// The save and read steps of the address/name commands once a path is
// chosen; the desktop program's dialogs and xamu-cli both end here.

// Saves the category's entries to `path`: a spreadsheet when the last four
// characters, upper-cased, contain "XLS" (so .xlsm is tried as one and
// fails), otherwise a text file without header in `encoding` (a workbook
// holds Unicode text whatever it is). On failure it shows
// "保存ができませんでした" (address) or "保存ができませんでした。" (name) and
// returns false.
bool ExportEntries(const CDataSet& set, int category, const std::string& path, CExchangeMessages& messages,
                   ETextEncoding encoding = ETextEncoding::kCp932);

// Reads `path` into the category's slots: a spreadsheet when the extension
// contains "xls" in any letter case, otherwise a text file. On failure it
// shows "読み込みができませんでした。" and returns false. `stored` receives the
// number of entries stored (the caller marks the pane modified when > 0).
bool ImportEntries(CDataSet& set, int category, const std::string& path, CExchangeMessages& messages,
                   int* stored = nullptr);

// The suggested file name for saving the category's entries in `folder`:
// "Address%d.xls" (address), "Name%d.xls" (name), "無題%d.xmb" (others), with
// the lowest number from 1 that names no existing file there.
std::string MakeExportFileName(const std::string& folder, int category);
