// The exclude list's file and the sweep that runs after a scan.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cleaner/engine/scan_host.h"
#include "common/platform/files.h"

namespace engine {

struct ExcludeEntry {
    std::string text;       // the excluded text (column "Exclude")
    std::string mustBegin;  // column "Must begin with this", as stored
    bool enabled = false;   // the row's check box
};

// What reading "Exclude.lst" found. A missing file is an empty list that leaves the window's
// list as it is; a file that exists but cannot be read whole is an error, never an empty list:
// scanning without the user's exclusions would list, and a repair delete, what they keep.
struct ExcludeFile {
    enum class State { Missing, Read, Unreadable };
    State state = State::Missing;
    std::vector<ExcludeEntry> entries;
    std::string path;
};

// Reads "Exclude.lst" of the application folder. Each line is read whole and split at ";;":
// text, flag, enabled state ("True"/"False").
ExcludeFile LoadExclude(plat::Files& files, const std::string& applicationFolder);
// Parses the file's bytes (what LoadExclude does after reading it). After a byte-order mark the
// text is UTF-16 (either order) or UTF-8 as the programs write it, lone surrogates included;
// without one it is UTF-8, or the system code page when it is not valid UTF-8. A line
// whose text is empty gives no entry: an empty text would exclude every location.
// `fromCodePage` decodes the system code page (1252 when not given).
std::vector<ExcludeEntry> ParseExcludeFile(const std::string& bytes,
                                           const std::function<std::string(const std::string&)>& fromCodePage = {});

// The texts the scan tests against, from the list's entries in order: an entry whose text is
// empty is no entry (skipped); one of blanks only is tested as the empty text, which excludes
// every location (it keeps the meaning it always had).
std::vector<std::string> ExcludeTexts(const std::vector<ExcludeEntry>& entries);
// What the user is told when "Exclude.lst" exists but cannot be read.
std::string ExcludeUnreadableText(const std::string& path);

// After a scan: for every exclude-list text (host.excludeTexts(), list order), removes each
// result row whose finding's location equals it exactly, last row first, lowering
// InvalidCount for each and yielding after it.
void SweepExcluded(ScanHost& host);

}  // namespace engine
