#pragma once

// The converter's C interface, looked up by name after dlopen. Paths are
// narrow strings as the file system takes them; text files are CP932 with a
// header row first.
#ifdef __cplusplus
extern "C" {
#endif

// Results of ConvertXls2Csv.
#define TBLX2_FAILED 0         /* no text written: not a workbook, damaged, or the text could not be written */
#define TBLX2_WRITTEN 1        /* the text file was written */
#define TBLX2_NOTHING_TO_READ 2 /* a readable workbook without any filled cell; no text written */

// Reads the first sheet of an .xls or .xlsx workbook (judged by its content,
// not its name) into `text_path`, replacing that file.
__attribute__((visibility("default"))) int ConvertXls2Csv(const char* workbook, const char* text_path);

// Fills the sheet `sheet` (UTF-8; a trailing "$" is dropped, "Sheet1$" names Sheet1)
// of the workbook at `workbook` with the first `columns` fields of every line
// of `text_path`, as text cells. The kind follows the name's extension (.xls
// or .xlsx), else the content of the file there. The workbook is replaced
// only when the new one was written completely. 1 = written, 0 = failed.
__attribute__((visibility("default"))) int ConvertCsv2Xls(const char* text_path, const char* workbook,
                                                          const char* sheet, int columns);

#ifdef __cplusplus
}
#endif
