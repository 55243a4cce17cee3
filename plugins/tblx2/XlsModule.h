#pragma once

// The .xls half of the converter: a module of its own (libtblx2-xls.so
// beside libtblx2.so), loaded only when an .xls workbook is read or
// written, so that .xlsx conversions never map the OLE2 library and what it
// brings (GLib, libxml2, ICU). The functions behave as ConvertXls2Csv and
// ConvertCsv2Xls do for an .xls workbook; the workbook kind has been judged
// by the caller.
#ifdef __cplusplus
extern "C" {
#endif

#define TBLX2_XLS_MODULE "libtblx2-xls.so"

__attribute__((visibility("default"))) int Tblx2XlsToText(const char* workbook, const char* text_path);
__attribute__((visibility("default"))) int Tblx2TextToXls(const char* text_path, const char* workbook,
                                                          const char* sheet, int columns);

#ifdef __cplusplus
}
#endif
