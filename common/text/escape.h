// Field escapes for the console programs' reports (tsv, csv, json).
#pragma once

#include <string>
#include <vector>

namespace text {

// Tab, CR, LF and backslash written as \t, \r, \n, \\.
std::string escapeTsv(const std::string& field);
// RFC 4180: quoted (quotes doubled) when the field holds a comma, quote, CR or LF.
std::string escapeCsv(const std::string& field);
// The inside of a JSON string (without the surrounding quotes). A lone surrogate, which the
// names' WTF-8 keeps exact, is not UTF-8 and is written as its \u escape.
std::string escapeJson(const std::string& field);
// A JSON string: the escaped field in quotes.
std::string jsonString(const std::string& field);
// The console programs' JSON report: an array with one object a line. Each entry of `objects`
// holds one object's members ("\"name\": \"x\", \"own\": true"); none gives "[]".
std::string jsonObjectList(const std::vector<std::string>& objects);

}  // namespace text
