#include "cleaner/ui/exclude_file.h"

#include <map>

#include "common/text/text.h"

namespace cleaner {

namespace {

// The code page's byte for each character it holds above 0x7F, built from the decoder so that
// writing and reading agree.
const std::map<std::string, char>& cp1252Bytes() {
    static const std::map<std::string, char> table = [] {
        std::map<std::string, char> t;
        for (int b = 0x80; b <= 0xFF; ++b) {
            std::string one(1, static_cast<char>(b));
            std::string utf8 = text::fromCodePage(one, 1252);
            // Bytes the code page leaves undefined decode to themselves or to nothing useful;
            // keep the first byte for each character.
            if (!utf8.empty() && t.find(utf8) == t.end()) t.emplace(utf8, static_cast<char>(b));
        }
        return t;
    }();
    return table;
}

}  // namespace

std::optional<std::string> EncodeCp1252(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    const auto& table = cp1252Bytes();
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        size_t len = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        auto it = table.find(utf8.substr(i, len));
        if (it == table.end()) return std::nullopt;
        out += it->second;
        i += len;
    }
    return out;
}

std::string WithoutLineBreaks(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '\r' && c != '\n') out += c;
    return out;
}

std::string ExcludeEntryText(const std::string& typed) {
    std::string oneLine = WithoutLineBreaks(typed);
    std::string trimmed = text::trim(oneLine);
    return trimmed.empty() ? oneLine : trimmed;
}

std::string ExcludeFileBytes(const std::vector<engine::ExcludeEntry>& entries) {
    std::string content;
    for (const engine::ExcludeEntry& e : entries)
        content += WithoutLineBreaks(e.text) + ";;" + WithoutLineBreaks(e.mustBegin) + ";;" +
                   (e.enabled ? "True" : "False") + "\r\n";
    // The system code page when every character fits and the bytes cannot be mistaken for
    // UTF-8 when read back; otherwise UTF-8 with a byte-order mark, so nothing is lost.
    std::optional<std::string> narrow = EncodeCp1252(content);
    if (narrow && (*narrow == content || !text::isValidUtf8(*narrow))) return *narrow;
    return "\xEF\xBB\xBF" + content;
}

}  // namespace cleaner
