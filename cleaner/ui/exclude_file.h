// Writing Exclude.lst: one line per entry, "text;;flag;;True|False" and CR LF, in the system
// code page when every character fits and UTF-8 with a byte-order mark otherwise.
// The engine's ParseExcludeFile reads both. Also the text an entry keeps of what was typed.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cleaner/engine/exclude_list.h"

namespace cleaner {

// UTF-8 text in code page 1252; nullopt when a character does not fit.
std::optional<std::string> EncodeCp1252(const std::string& utf8);
// The file's bytes for these entries (an empty list gives an empty file). A line break inside
// a field is left out: it would split the entry into two lines, the second one with an empty
// text that excludes every location.
// `toCodePage` encodes in the system code page (1252 when not given).
std::string ExcludeFileBytes(const std::vector<engine::ExcludeEntry>& entries,
                             const std::function<std::optional<std::string>(const std::string&)>& toCodePage = {});

// The text without carriage returns and line feeds (a pasted line break).
std::string WithoutLineBreaks(const std::string& text);
// The text an exclude entry stores for what the user typed: without line breaks, blanks at
// both ends removed. Text of blanks only keeps its blanks: removing them would leave the
// empty text, which excludes every location.
std::string ExcludeEntryText(const std::string& typed);

}  // namespace cleaner
