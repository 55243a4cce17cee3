#pragma once
#include <string>

#include "exchange/ExchangeMessages.h"
#include "model/DataSet.h"

// Workbooks (.xls, .xlsx) are converted by the plug-in libtblx2.so in the
// program folder to and from the text format of TextFile.h, through a "~Gx"
// temporary text file.

// Results of the converter calls.
enum : int {
  kConvertFailed = 0,  // failure, or the library or its function is missing
  kConvertDone = 1,    // the text file (or the workbook) was written
  // any other value from ConvertToText: the conversion ended with nothing to read
};

// Column counts, which are also the template entry numbers in "Template.dat".
inline constexpr int kAddressColumns = 7;
inline constexpr int kNameColumns = 4;
// The sheet the converter fills.
inline constexpr const char* kWorkbookSheet = "Sheet1$";
inline constexpr const char* kXlsTemplateFile = "Template.dat";
inline constexpr const char* kXlsxTemplateFile = "TemplateXLSX.dat";
inline constexpr const char* kConverterLibrary = "libtblx2.so";

// The converter's result, or kConvertFailed after "必要なＤＬＬが見つかりません。"
// (library missing) or "必要なドライバが組み込まれていない可能性があります。"
// (function missing).
int ConvertToText(const std::string& workbook, const std::string& textPath, CExchangeMessages& messages);
int ConvertToWorkbook(const std::string& textPath, const std::string& workbook, int columns,
                      CExchangeMessages& messages);

// Writes blank workbook `entry` (counting from 1) of the container `templatePath`
// to `destination`. The template is opened read-only. False when the template
// cannot be opened or read, holds fewer entries, its directory points outside
// the file, or the destination cannot be written (an existing destination is
// then untouched).
bool ExtractTemplate(const std::string& templatePath, const std::string& destination, int entry);

// Writes the category's entries to the workbook `path` (.xls or .xlsx, by
// its last four characters, upper-cased): header line plus one row per used
// slot. The workbook at `path` is replaced only when the conversion
// succeeded. False when the export failed (the caller shows the failure).
bool SpreadsheetExport(const CDataSet& set, int category, const std::string& path, CExchangeMessages& messages);

// Reads the first sheet of the workbook `path` into the category's slots,
// skipping its first row. True when read (`stored` gets the number of entries
// stored), or when the converter found nothing to read (nothing stored).
bool SpreadsheetImport(CDataSet& set, int category, const std::string& path, CExchangeMessages& messages,
                       int* stored = nullptr);
