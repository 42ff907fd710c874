#include "common/registry/reg_script.h"

#include <cstdio>

#include "common/registry/reg_roots.h"
#include "common/text/text.h"

namespace reg {
namespace {

bool holdsLineBreakOrNul(const std::string& s) {
    for (char c : s)
        if (c == '\0' || c == '\r' || c == '\n') return true;
    return false;
}

bool isTextType(uint32_t type) {
    return type == plat::kRegSz || type == plat::kRegExpandSz || type == plat::kRegMultiSz;
}

void append(std::u16string& out, const char* ascii) {
    for (; *ascii; ++ascii) out += static_cast<char16_t>(static_cast<unsigned char>(*ascii));
}

// Plain ASCII (most registry names) is widened unit by unit; anything else is converted.
void appendUtf8(std::u16string& out, const std::string& s) {
    for (unsigned char c : s) {
        if (c >= 0x80) {
            out += text::toUtf16(s);
            return;
        }
    }
    for (unsigned char c : s) out += static_cast<char16_t>(c);
}

// Names as the registry compares them; plain ASCII without the trip through UTF-16.
std::string upperName(const std::string& s) {
    for (unsigned char c : s) {
        if (c >= 0x80) return text::toUpper(s);
    }
    std::string out = s;
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

// A quoted name or text: backslashes and double quotes escaped, every other unit as it is
// (lone surrogates included: the file is UTF-16 and the editor copies units).
void appendQuoted(std::u16string& out, const std::u16string& s) {
    out += u'"';
    for (char16_t c : s) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    out += u'"';
}

// Type 1 data the editor writes back exactly from a quoted text: whole UTF-16 units, one final
// NUL, no other NUL, no line break (a quoted text ends at its line) and no unpaired surrogate.
bool plainText(uint32_t type, const std::vector<uint8_t>& data, std::u16string* textOut) {
    if (type != plat::kRegSz || data.size() < 2 || data.size() % 2 != 0) return false;
    const size_t n = data.size() / 2 - 1;  // units before the final NUL
    if (data[2 * n] != 0 || data[2 * n + 1] != 0) return false;
    textOut->clear();
    textOut->reserve(n);
    for (size_t i = 0; i < n; ++i) {
        const char16_t c = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        if (c == 0 || c == u'\r' || c == u'\n') return false;
        if (c >= 0xD800 && c <= 0xDFFF) {
            const bool high = c <= 0xDBFF;
            const char16_t next = i + 1 < n ? static_cast<char16_t>(data[2 * i + 2] | (data[2 * i + 3] << 8)) : 0;
            if (!high || next < 0xDC00 || next > 0xDFFF) return false;
            *textOut += c;
            *textOut += next;
            ++i;
            continue;
        }
        *textOut += c;
    }
    return true;
}

// The editor's hex lines: "xx," per byte; once a line reaches 77 characters it ends with "\"
// and the next one starts with two blanks.
constexpr size_t kHexLineLimit = 77;

void appendHex(std::u16string& out, size_t lineLength, uint32_t type, const std::vector<uint8_t>& data) {
    static const char kDigits[] = "0123456789abcdef";
    char prefix[24];
    if (type == plat::kRegBinary)
        std::snprintf(prefix, sizeof prefix, "hex:");
    else
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
    append(out, prefix);
    lineLength += std::char_traits<char>::length(prefix);
    out.reserve(out.size() + data.size() * 3 + data.size() / 8);
    for (size_t i = 0; i < data.size(); ++i) {
        out += static_cast<char16_t>(kDigits[data[i] >> 4]);
        out += static_cast<char16_t>(kDigits[data[i] & 0xF]);
        if (i + 1 == data.size()) break;
        out += u',';
        lineLength += 3;
        if (lineLength >= kHexLineLimit) {
            append(out, "\\\r\n  ");
            lineLength = 2;
        }
    }
}

void appendValueLine(std::u16string& out, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
    const size_t lineStart = out.size();
    if (name.empty()) {
        out += u'@';
    } else {
        std::u16string wide;
        appendUtf8(wide, name);
        appendQuoted(out, wide);
    }
    out += u'=';
    std::u16string textValue;
    if (plainText(type, data, &textValue)) {
        appendQuoted(out, textValue);
    } else if (type == plat::kRegDword && data.size() == 4) {
        char buf[20];
        const uint32_t n = static_cast<uint32_t>(data[0]) | (static_cast<uint32_t>(data[1]) << 8) |
                           (static_cast<uint32_t>(data[2]) << 16) | (static_cast<uint32_t>(data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
        append(out, buf);
    } else {
        appendHex(out, out.size() - lineStart, type, data);
    }
    out += u"\r\n";
}

}  // namespace

const char* scriptRootName(plat::RegHandle root) { return nameOfRoot(root, Roots::Common); }

std::string whyKeyNotInScript(plat::RegHandle root, const std::string& keyPath) {
    if (!scriptRootName(root)) return "the registry editor cannot write back below this root";
    if (holdsLineBreakOrNul(keyPath)) return "a registry file cannot hold a name with a NUL or a line break";
    return "";
}

std::string whyValueNotInScript(plat::RegHandle root, const std::string& keyPath, const std::string& name,
                                uint32_t type, const std::vector<uint8_t>& data) {
    std::string why = whyKeyNotInScript(root, keyPath);
    if (!why.empty()) return why;
    if (holdsLineBreakOrNul(name)) return "a registry file cannot hold a name with a NUL or a line break";
    if (isTextType(type) && !data.empty()) {
        const size_t units = data.size() / 2;
        if (units == 0 || data[2 * units - 2] != 0 || data[2 * units - 1] != 0)
            return "the registry editor would add a NUL to text data that does not end with one";
    }
    return "";
}

ScriptWriter::Block& ScriptWriter::blockOf(plat::RegHandle root, const std::string& keyPath, const char* rootName) {
    if (haveLast_ && root == lastRoot_ && keyPath == lastPath_) return blocks_[lastBlock_];
    auto [at, added] = index_.emplace(std::make_pair(root, upperName(keyPath)), blocks_.size());
    if (added) {
        Block block;
        block.text = u"\r\n[";
        append(block.text, rootName);
        if (!keyPath.empty()) {
            block.text += u'\\';
            appendUtf8(block.text, keyPath);
        }
        block.text += u"]\r\n";
        blocks_.push_back(std::move(block));
    }
    haveLast_ = true;
    lastRoot_ = root;
    lastPath_ = keyPath;
    lastBlock_ = at->second;
    return blocks_[lastBlock_];
}

std::string ScriptWriter::addKey(plat::RegHandle root, const std::string& keyPath) {
    std::string why = whyKeyNotInScript(root, keyPath);
    if (why.empty()) blockOf(root, keyPath, scriptRootName(root));
    return why;
}

std::string ScriptWriter::addValue(plat::RegHandle root, const std::string& keyPath, const std::string& name,
                                   uint32_t type, const std::vector<uint8_t>& data) {
    std::string why = whyValueNotInScript(root, keyPath, name, type, data);
    if (!why.empty()) return why;
    Block& block = blockOf(root, keyPath, scriptRootName(root));
    if (!block.namesUpper.insert(upperName(name)).second) return "";
    appendValueLine(block.text, name, type, data);
    ++values_;
    return "";
}

std::string ScriptWriter::bytes() const {
    static const std::u16string kHeader = u"Windows Registry Editor Version 5.00\r\n";
    static const std::u16string kEnd = u"\r\n";
    size_t units = kHeader.size() + kEnd.size();
    for (const Block& b : blocks_) units += b.text.size();
    // UTF-16LE after the byte-order mark, unit by unit straight into the result.
    std::string result(2 + units * 2, '\0');
    result[0] = '\xFF';
    result[1] = '\xFE';
    size_t at = 2;
    auto put = [&](const std::u16string& s) {
        for (char16_t c : s) {
            result[at++] = static_cast<char>(c & 0xFF);
            result[at++] = static_cast<char>(c >> 8);
        }
    };
    put(kHeader);
    for (const Block& b : blocks_) put(b.text);
    put(kEnd);
    return result;
}

}  // namespace reg
