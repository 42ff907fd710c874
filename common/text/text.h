// Text helpers shared by every subsystem: exact UTF-8 (WTF-8) <-> UTF-16 conversion,
// the registry's case-insensitive name comparison, and small string utilities.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// WTF-8: UTF-8 that also carries lone surrogates, so every UTF-16 name round-trips exactly.
std::u16string toUtf16(std::string_view utf8);
std::string fromUtf16(std::u16string_view utf16);
// Appends one code point as UTF-8 (a surrogate code point as its WTF-8 bytes).
void appendUtf8(std::string& out, char32_t cp);
// Decodes bytes in the given Windows code page into UTF-8: 65001 (UTF-8, copied), 28591
// (Latin-1), and 1252 for every other number.
std::string fromCodePage(std::string_view bytes, unsigned codePage = 1252);
// UTF-8 text in code page 1252; nullopt when a character has no byte there.
std::optional<std::string> toCodePage1252(std::string_view utf8);
// Strict UTF-8 (no encoded surrogates, no overlong forms).
bool isValidUtf8(std::string_view bytes);
// UTF-8 that may also carry lone surrogates (WTF-8), as the programs write names.
bool isValidWtf8(std::string_view bytes);

// Upper/lower case of a UTF-16 code unit as the platform maps it (the registry compares names
// by upper-casing each unit).
char16_t upperUnit(char16_t c);
char16_t lowerUnit(char16_t c);
// Maps every UTF-16 unit of the text (plain ASCII takes a shortcut with the same result).
std::string toUpper(std::string_view utf8);
std::string toLower(std::string_view utf8);
// toUpper into a string the caller keeps (no allocation once it is long enough); `utf8` must
// not view *out.
void toUpperInto(std::string_view utf8, std::string* out);
// The same mappings always by way of UTF-16 (what the shortcut must equal; for tests).
std::string toUpperByUnits(std::string_view utf8);
std::string toLowerByUnits(std::string_view utf8);

// The registry's name order: case-insensitive, by upper-cased UTF-16 units.
int compareNoCase(std::string_view a, std::string_view b);
inline bool equalNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }

std::string trim(std::string_view s);  // spaces at both ends
// Whether `part` occurs in `s`, exactly (an empty part occurs in every text). Candidates are
// found by the part's first byte and ruled out by its last before the rest is compared.
bool contains(std::string_view s, std::string_view part);
// Replaces every occurrence, left to right, without rescanning replaced text.
std::string replaceAll(std::string s, std::string_view from, std::string_view to);
// Like the scripting Split: an empty text gives no parts; "a,,b" gives "a", "", "b".
std::vector<std::string> split(std::string_view s, std::string_view sep);

}  // namespace text
