#include "backup/own_record.h"

#include <algorithm>
#include <cstdlib>

#include "common/text/text.h"

namespace backup {

namespace {

bool digits(std::string_view s, size_t most) {
    return !s.empty() && s.size() <= most &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool sha(std::string_view s) {
    return s.size() == 64 &&
           std::all_of(s.begin(), s.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

std::vector<OwnBackup> ParseRecord(std::string_view text) {
    std::vector<OwnBackup> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        if (nl == std::string_view::npos) break;  // the last line was cut short
        std::string_view line = text.substr(at, nl - at);
        at = nl + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f = text::split(line, "\t");
        if (f.size() < 2 || f.size() > 3 || f[0].empty()) continue;
        OwnBackup b;
        b.file = f[0];
        if (f.size() == 3 && f[1] == "writing" && digits(f[2], 10)) {
            b.writing = true;
            b.writer = static_cast<uint32_t>(std::strtoul(f[2].c_str(), nullptr, 10));
        } else if (digits(f[1], 19) && (f.size() == 2 || sha(f[2]))) {
            b.size = std::strtoull(f[1].c_str(), nullptr, 10);
            if (f.size() == 3) b.sha256 = f[2];
        } else {
            continue;
        }
        out.push_back(std::move(b));
    }
    return out;
}

std::string RecordText(const std::vector<OwnBackup>& backups) {
    std::string out =
        "# Backups made by hivesnap, oldest first: file name, TAB, size in bytes, TAB, SHA-256\r\n"
        "# (or \"writing\" and the process writing it). hivesnap backup --keep deletes only these,\r\n"
        "# and a restore refuses one whose size or SHA-256 changed.\r\n";
    for (const OwnBackup& b : backups) {
        if (b.writing)
            out += b.file + "\twriting\t" + std::to_string(b.writer) + "\r\n";
        else
            out += b.file + "\t" + std::to_string(b.size) + (b.sha256.empty() ? "" : "\t" + b.sha256) + "\r\n";
    }
    return out;
}

bool IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." && name.find_first_of("\\/:") == std::string_view::npos;
}

}  // namespace backup
