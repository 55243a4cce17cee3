#include "XlsxWriter.h"

#include "FileUtil.h"
#include "TextCodec.h"
#include "XlsWriter.h"

#include <xlsxwriter.h>

namespace tblx2 {
namespace {

// Built-in number format "@": the cell holds text.
constexpr uint8_t kNumberFormatText = 49;
// Width of the text columns, in characters.
constexpr double kTextColumnWidth = 14;

}  // namespace

int WriteXlsxFile(const char* path, const std::string& sheet, const CTextRows& rows, size_t textColumns,
                  std::time_t created)
{
    // Shared strings in memory (not the constant-memory mode, which writes
    // inline strings that older readers do not take).
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    // The library stages every part of the package in a file of its own.
    std::string scratch = ScratchFolderFor(path);
    options.tmpdir = scratch.data();
    lxw_workbook* workbook = workbook_new_opt(path, &options);
    if (!workbook)
        return kErrOpen;
    if (created != 0) {
        lxw_doc_properties properties{};
        properties.created = created;
        workbook_set_properties(workbook, &properties);
    }
    lxw_worksheet* worksheet = workbook_add_worksheet(workbook, sheet.c_str());
    lxw_format* text = workbook_add_format(workbook);
    bool ok = worksheet != nullptr && text != nullptr;
    if (ok) {
        format_set_num_format_index(text, kNumberFormatText);
        if (textColumns > 0)
            ok = worksheet_set_column(worksheet, 0, static_cast<lxw_col_t>(std::min(textColumns, kXlsxMaxColumns) - 1),
                                      kTextColumnWidth, text) == LXW_NO_ERROR;
    }
    for (size_t r = 0; ok && r < rows.size() && r < kXlsxMaxRows; ++r) {
        for (size_t c = 0; ok && c < rows[r].size() && c < kXlsxMaxColumns; ++c) {
            if (rows[r][c].empty())
                continue;
            const std::string cell(Utf8PrefixByUtf16(rows[r][c], kMaxCellChars));
            ok = worksheet_write_string(worksheet, static_cast<lxw_row_t>(r), static_cast<lxw_col_t>(c), cell.c_str(),
                                        c < textColumns ? text : nullptr) == LXW_NO_ERROR;
        }
    }
    // The workbook is always closed, which frees it; its file is only valid
    // when everything before went well too.
    const lxw_error closed = workbook_close(workbook);
    return ok && closed == LXW_NO_ERROR ? kOk : kErrRead;
}

}  // namespace tblx2
