// Field escapes for the console programs' reports (tsv, csv, json).
#pragma once

#include <string>

namespace text {

// Tab, CR, LF and backslash written as \t, \r, \n, \\.
std::string escapeTsv(const std::string& field);
// RFC 4180: quoted (quotes doubled) when the field holds a comma, quote, CR or LF.
std::string escapeCsv(const std::string& field);
// The inside of a JSON string (without the surrounding quotes). A lone surrogate, which the
// names' WTF-8 keeps exact, is not UTF-8 and is written as its \u escape.
std::string escapeJson(const std::string& field);

}  // namespace text
