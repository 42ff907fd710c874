// Writing Exclude.lst: one line per entry, "text;;flag;;True|False" and CR LF, in the system
// code page (1252) when every character fits and UTF-8 with a byte-order mark otherwise.
// The engine's ParseExcludeFile reads both.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cleaner/engine/exclude_list.h"

namespace cleaner {

// UTF-8 text in code page 1252; nullopt when a character does not fit.
std::optional<std::string> EncodeCp1252(const std::string& utf8);
// The file's bytes for these entries (an empty list gives an empty file).
std::string ExcludeFileBytes(const std::vector<engine::ExcludeEntry>& entries);

}  // namespace cleaner
