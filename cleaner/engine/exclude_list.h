// The exclude list's file and the sweep that runs after a scan.
#pragma once

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

// Reads "Exclude.lst" of the application folder. Each line is read whole and split at ";;":
// text, flag, enabled state ("True"/"False"). The file is UTF-8, or the system code page
// (1252) when it is not valid UTF-8.
// nullopt: the file does not exist, so the caller leaves its list as it is. An empty vector
// for a file that exists but cannot be read (the list is then left cleared).
std::optional<std::vector<ExcludeEntry>> LoadExclude(plat::Files& files, const std::string& applicationFolder);
// Parses the file's bytes (what LoadExclude does after reading it).
std::vector<ExcludeEntry> ParseExcludeFile(const std::string& bytes);

// After a scan: for every exclude-list text (host.excludeTexts(), list order), removes each
// result row whose location equals it exactly, last row first, lowering InvalidCount for each
// and yielding after it.
void SweepExcluded(ScanHost& host);

}  // namespace engine
