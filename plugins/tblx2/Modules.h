#pragma once

// The converter's modules. libtblx2.so is only a front: it judges the
// workbook kind and loads, from its own folder, the one module that reads or
// writes that kind, so a conversion maps only the libraries it uses. The
// zip, XML, .xlsx-writing and OLE2 libraries (the last bringing GLib, GIO,
// libxml2 and ICU) cost a command-line conversion more to map and bind than
// the conversion itself takes. Each function behaves as ConvertXls2Csv or
// ConvertCsv2Xls does for its kind, which the caller has already judged.
#ifdef __cplusplus
extern "C" {
#endif

// .xlsx reading (zip and XML libraries).
#define TBLX2_XLSX_READ_MODULE "libtblx2-xlsx-read.so"
__attribute__((visibility("default"))) int Tblx2XlsxToText(const char* workbook, const char* text_path);

// .xlsx writing (the .xlsx-writing library).
#define TBLX2_XLSX_WRITE_MODULE "libtblx2-xlsx-write.so"
__attribute__((visibility("default"))) int Tblx2TextToXlsx(const char* text_path, const char* workbook,
                                                           const char* sheet, int columns);

// .xls both ways (the OLE2 library and FreeXL).
#define TBLX2_XLS_MODULE "libtblx2-xls.so"
__attribute__((visibility("default"))) int Tblx2XlsToText(const char* workbook, const char* text_path);
__attribute__((visibility("default"))) int Tblx2TextToXls(const char* text_path, const char* workbook,
                                                          const char* sheet, int columns);

#ifdef __cplusplus
}
#endif
