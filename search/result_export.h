// Found rows taken away: as a registry-editor file of the found keys and values (the values
// read now, with their exact type and bytes), as CSV for spreadsheets, and as the texts the
// window copies to the clipboard. The window's Export... and hivegrep --format reg write the
// file through the same function.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/registry.h"
#include "search/search_engine.h"

namespace search {

enum class ExportFormat { Reg, Csv };

struct ExportOutcome {
    std::string bytes;   // the whole file
    size_t written = 0;  // keys and values written (each once, however often it was listed)
    size_t leftOut = 0;  // rows left out
    // One line for each row left out: where it is and why ("HKEY_CURRENT_USER\Software\x,
    // value "y": ..."). A value listed twice is named once.
    std::vector<std::string> problems;
};

// The file for these rows, in their order. A key row gives its key; a value row gives the
// value as it is in the registry now. A row the format cannot hold exactly, or a value that
// can no longer be read, is left out and named. Rows without a path ("Nothing to show") are
// skipped.
//   Reg: "Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark, the
//        editor's own lines; also left out: text data of an odd number of bytes, which the
//        editor does not put back exactly everywhere.
//   Csv: UTF-8 with a byte-order mark, CR LF, the columns Key, Value, Type, Data; fields quoted
//        where they hold a comma, a quote, a line break or blanks at either end.
// `only` (when given): the positions in `rows` to write, in that order; saves a list of 100,000
// rows being copied to pick some of them.
ExportOutcome ExportRows(plat::Registry& reg, const std::vector<ResultRow>& rows, ExportFormat format,
                         const std::vector<size_t>* only = nullptr);

// The registry type's name ("REG_SZ"; "0x1234" for a type without one).
std::string TypeName(uint32_t type);
// Value data as the registry editor shows it: text as it is (up to its first NUL), the strings
// of a multi-string joined by `lineBreak`, numbers as "0x0000002a (42)", anything else as
// hexadecimal byte pairs.
std::string DataText(uint32_t type, const std::vector<uint8_t>& data, const char* lineBreak);
// One CSV field, quoted when it needs to be.
std::string CsvField(const std::string& field);

// What "Copy" and "Copy value data" put on the clipboard for these rows, one line each, CR LF
// between lines. Key paths: a key row's own path, a value row's key; each path once. Value
// data: the data of each value row (key rows have none); a value that cannot be read is named
// in *unreadable (when given) and left out.
std::string KeyPathsText(const std::vector<ResultRow>& rows);
std::string ValueDataText(plat::Registry& reg, const std::vector<ResultRow>& rows,
                          std::vector<std::string>* unreadable = nullptr);

}  // namespace search
