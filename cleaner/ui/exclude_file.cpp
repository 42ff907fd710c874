#include "cleaner/ui/exclude_file.h"

#include "common/text/text.h"

namespace cleaner {

std::optional<std::string> EncodeCp1252(const std::string& utf8) { return text::toCodePage1252(utf8); }

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

std::string ExcludeFileBytes(const std::vector<engine::ExcludeEntry>& entries,
                             const std::function<std::optional<std::string>(const std::string&)>& toCodePage) {
    std::string content;
    for (const engine::ExcludeEntry& e : entries)
        content += WithoutLineBreaks(e.text) + ";;" + WithoutLineBreaks(e.mustBegin) + ";;" +
                   (e.enabled ? "True" : "False") + "\r\n";
    // The system code page when every character fits and the bytes cannot be mistaken for
    // UTF-8 when read back; otherwise UTF-8 with a byte-order mark, so nothing is lost.
    std::optional<std::string> narrow = toCodePage ? toCodePage(content) : EncodeCp1252(content);
    if (narrow && (*narrow == content || !text::isValidUtf8(*narrow))) return *narrow;
    return "\xEF\xBB\xBF" + content;
}

}  // namespace cleaner
