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

// UTF-16 text after its byte-order mark; an odd last byte is dropped.
std::string fromUtf16Bytes(const std::string& raw, bool bigEndian) {
    std::u16string w;
    w.reserve(raw.size() / 2);
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
        const auto a = static_cast<unsigned char>(raw[i]), b = static_cast<unsigned char>(raw[i + 1]);
        w += static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    }
    return text::fromUtf16(w);
}

std::string decodeExcludeFile(const std::string& raw, const std::function<std::string(const std::string&)>& legacy) {
    auto fromCodePage = [&](const std::string& b) { return legacy ? legacy(b) : text::fromCodePage(b, 1252); };
    if (raw.compare(0, 2, "\xFF\xFE") == 0) return fromUtf16Bytes(raw, false);
    if (raw.compare(0, 2, "\xFE\xFF") == 0) return fromUtf16Bytes(raw, true);
    if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        // The programs write UTF-8 with a mark when the code page cannot hold every character,
        // lone surrogates of key names included; only bytes that are not even that are 1252.
        std::string body = raw.substr(3);
        return text::isValidWtf8(body) ? body : fromCodePage(body);
    }
    return text::isValidUtf8(raw) ? raw : fromCodePage(raw);
}

}  // namespace

std::vector<ExcludeEntry> ParseExcludeFile(const std::string& raw,
                                           const std::function<std::string(const std::string&)>& fromCodePage) {
    const std::string bytes = decodeExcludeFile(raw, fromCodePage);

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
        if (parts.empty() || parts[0].empty()) continue;
        ExcludeEntry e;
        e.text = parts[0];
        e.mustBegin = parts.size() > 1 ? parts[1] : "";
        e.enabled = parts.size() > 2 && toBoolean(parts[2]);
        out.push_back(std::move(e));
    }
    return out;
}

ExcludeFile LoadExclude(plat::Files& files, const std::string& applicationFolder) {
    ExcludeFile result;
    result.path = applicationFolder + "\\Exclude.lst";
    // A failing test counts as existing; the read then decides.
    if (files.fileExists(result.path) == plat::Probe::Missing) return result;
    std::optional<std::string> bytes = files.readFile(result.path);
    if (!bytes) {
        result.state = ExcludeFile::State::Unreadable;
        return result;
    }
    result.state = ExcludeFile::State::Read;
    result.entries = ParseExcludeFile(*bytes, [&files](const std::string& b) { return files.fromSystemCodePage(b); });
    return result;
}

std::vector<std::string> ExcludeTexts(const std::vector<ExcludeEntry>& entries) {
    std::vector<std::string> out;
    for (const ExcludeEntry& e : entries) {
        if (e.text.empty()) continue;
        out.push_back(text::trim(e.text).empty() ? std::string() : e.text);
    }
    return out;
}

std::string ExcludeUnreadableText(const std::string& path) {
    return "The exclude list \"" + path +
           "\" cannot be read. No scan runs until it can be read, so that nothing you excluded is "
           "listed or repaired. Close the program that holds the file and try again.";
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
            if (LocationOf(host.rowFinding(i)) != entry) continue;
            host.removeRow(i);
            host.setInvalidCount(host.invalidCount() - 1);
            host.yield();
        }
    }
}

}  // namespace engine
