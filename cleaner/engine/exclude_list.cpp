#include "cleaner/engine/exclude_list.h"

#include <cstdlib>

#include "common/text/text.h"

namespace engine {

namespace {

// The Boolean texts the file holds: the system's "True"/"False" in any case, or a number.
bool toBoolean(const std::string& s) {
    std::string t = text::toUpper(text::trim(s));
    if (t == "TRUE") return true;
    if (t.empty() || t == "FALSE") return false;
    char* end = nullptr;
    double d = std::strtod(t.c_str(), &end);
    return end && *end == '\0' && d != 0;
}

}  // namespace

std::vector<ExcludeEntry> ParseExcludeFile(const std::string& raw) {
    std::string bytes = raw;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    if (!text::isValidUtf8(bytes)) bytes = text::fromCodePage(bytes, 1252);

    std::vector<ExcludeEntry> out;
    std::string::size_type pos = 0;
    while (pos < bytes.size()) {
        std::string::size_type eol = bytes.find('\n', pos);
        std::string line = bytes.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
        pos = eol == std::string::npos ? bytes.size() : eol + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // A line with nothing on it is no entry: an empty text would exclude everything.
        if (line.empty()) continue;
        std::vector<std::string> parts = text::split(line, ";;");
        ExcludeEntry e;
        e.text = parts.size() > 0 ? parts[0] : "";
        e.mustBegin = parts.size() > 1 ? parts[1] : "";
        e.enabled = parts.size() > 2 && toBoolean(parts[2]);
        out.push_back(std::move(e));
    }
    return out;
}

std::optional<std::vector<ExcludeEntry>> LoadExclude(plat::Files& files, const std::string& applicationFolder) {
    std::string path = applicationFolder + "\\Exclude.lst";
    // A failing test counts as existing; the read then fails and the list is left cleared.
    if (files.fileExists(path) == plat::Probe::Missing) return std::nullopt;
    std::optional<std::string> bytes = files.readFile(path);
    if (!bytes) return std::vector<ExcludeEntry>{};
    return ParseExcludeFile(*bytes);
}

void SweepExcluded(ScanHost& host) {
    // A copy: the list may change while this yields.
    const std::vector<std::string> texts = host.excludeTexts();
    for (const std::string& entry : texts) {
        for (long i = host.rowCount() - 1; i >= 0; --i) {
            // Rows may have gone while yielding; stay inside the list.
            if (i >= host.rowCount()) {
                i = host.rowCount();
                continue;
            }
            if (host.rowLocation(i) != entry) continue;
            host.removeRow(i);
            host.setInvalidCount(host.invalidCount() - 1);
            host.yield();
        }
    }
}

}  // namespace engine
