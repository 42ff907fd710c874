#include "cleaner/engine/undo_record.h"

#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"

#include <cstdio>
#include <map>
#include <set>

#include "common/text/text.h"

namespace engine {

namespace {

// The roots the registry editor imports into, by the names it reads.
const char* importRootName(plat::RegHandle root) {
    switch (root) {
        case plat::kHkeyClassesRoot: return "HKEY_CLASSES_ROOT";
        case plat::kHkeyCurrentUser: return "HKEY_CURRENT_USER";
        case plat::kHkeyLocalMachine: return "HKEY_LOCAL_MACHINE";
        case plat::kHkeyUsers: return "HKEY_USERS";
        case plat::kHkeyCurrentConfig: return "HKEY_CURRENT_CONFIG";
        default: return nullptr;
    }
}

// The editor ends text data (types 1, 2 and 7) that it reads as hex with a NUL unit when its
// last whole unit is not one (and reads before the data when there is no whole unit): such
// data would not come back as it was.
bool textDataTheEditorChanges(const UndoValue& v) {
    if (v.type != plat::kRegSz && v.type != plat::kRegExpandSz && v.type != plat::kRegMultiSz) return false;
    if (v.data.empty()) return false;
    const size_t units = v.data.size() / 2;
    return units == 0 || v.data[2 * units - 2] != 0 || v.data[2 * units - 1] != 0;
}

bool holdsLineBreakOrNul(const std::u16string& s) {
    for (char16_t c : s)
        if (c == 0 || c == u'\r' || c == u'\n') return true;
    return false;
}

void append(std::u16string& out, const char* ascii) {
    for (; *ascii; ++ascii) out += static_cast<char16_t>(static_cast<unsigned char>(*ascii));
}

// A quoted name or text: backslashes and double quotes escaped, every other unit as it is
// (lone surrogates included: the file is UTF-16 and the editor copies units).
std::u16string quoted(const std::u16string& s) {
    std::u16string out = u"\"";
    for (char16_t c : s) {
        if (c == u'\\' || c == u'"') out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

// Type 1 data the editor writes back exactly from a quoted text: whole UTF-16 units, one final
// NUL, no other NUL, no line break (a quoted text ends at its line) and no unpaired surrogate.
bool plainText(const UndoValue& v, std::u16string* textOut) {
    if (v.type != plat::kRegSz || v.data.size() < 2 || v.data.size() % 2 != 0) return false;
    const size_t n = v.data.size() / 2;
    std::u16string units;
    for (size_t i = 0; i < n; ++i) units += static_cast<char16_t>(v.data[2 * i] | (v.data[2 * i + 1] << 8));
    if (units.back() != 0) return false;
    units.pop_back();
    for (size_t i = 0; i < units.size(); ++i) {
        const char16_t c = units[i];
        if (c == 0 || c == u'\r' || c == u'\n') return false;
        const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && (i + 1 >= units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF)) return false;
        if (high)
            ++i;
        else if (low)
            return false;
    }
    *textOut = units;
    return true;
}

// The editor's hex lines: "xx," per byte; once a line reaches 77 characters it ends with "\"
// and the next one starts with two blanks.
constexpr size_t kHexLineLimit = 77;

void appendHex(std::u16string& out, size_t lineLength, const UndoValue& v) {
    char prefix[24];
    if (v.type == plat::kRegBinary)
        std::snprintf(prefix, sizeof prefix, "hex:");
    else
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(v.type));
    append(out, prefix);
    lineLength += std::char_traits<char>::length(prefix);
    for (size_t i = 0; i < v.data.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", v.data[i]);
        append(out, byte);
        if (i + 1 == v.data.size()) break;
        out += u',';
        lineLength += 3;
        if (lineLength >= kHexLineLimit) {
            append(out, "\\\r\n  ");
            lineLength = 2;
        }
    }
}

std::u16string valueLine(const UndoValue& v, const std::u16string& name) {
    std::u16string line = name.empty() ? std::u16string(u"@=") : quoted(name) + u"=";
    std::u16string textValue;
    if (plainText(v, &textValue)) {
        line += quoted(textValue);
    } else if (v.type == plat::kRegDword && v.data.size() == 4) {
        char buf[20];
        const uint32_t n = static_cast<uint32_t>(v.data[0]) | (static_cast<uint32_t>(v.data[1]) << 8) |
                           (static_cast<uint32_t>(v.data[2]) << 16) | (static_cast<uint32_t>(v.data[3]) << 24);
        std::snprintf(buf, sizeof buf, "dword:%08x", static_cast<unsigned>(n));
        append(line, buf);
    } else {
        appendHex(line, line.size(), v);
    }
    line += u"\r\n";
    return line;
}

struct KeyBlock {
    std::u16string header;
    std::vector<std::pair<std::u16string, const UndoValue*>> values;
    std::set<std::string> namesUpper;  // the registry compares names without case
};

}  // namespace

UndoRecord BuildUndoRecord(const std::vector<UndoValue>& values) {
    UndoRecord result;
    std::vector<KeyBlock> keys;
    std::map<std::pair<plat::RegHandle, std::string>, size_t> keyIndex;  // by root and upper-cased path
    for (const UndoValue& v : values) {
        const char* rootName = importRootName(v.root);
        const std::string where = (rootName ? std::string(rootName) : std::string("an unknown root")) +
                                  (v.keyPath.empty() ? "" : "\\" + v.keyPath) + ", value \"" + v.name + "\"";
        if (!rootName) {
            result.problem = "the registry editor cannot write back below this root: " + where;
            result.problemValue = static_cast<size_t>(&v - values.data());
            return result;
        }
        const std::u16string path = text::toUtf16(v.keyPath), name = text::toUtf16(v.name);
        if (holdsLineBreakOrNul(path) || holdsLineBreakOrNul(name)) {
            result.problem = "a registry file cannot hold a name with a NUL or a line break: " + where;
            result.problemValue = static_cast<size_t>(&v - values.data());
            return result;
        }
        if (textDataTheEditorChanges(v)) {
            result.problem = "the registry editor would add a NUL to text data that does not end with one: " + where;
            result.problemValue = static_cast<size_t>(&v - values.data());
            return result;
        }
        auto [at, added] = keyIndex.emplace(std::make_pair(v.root, text::toUpper(v.keyPath)), keys.size());
        if (added) {
            std::u16string header = u"[";
            append(header, rootName);
            if (!path.empty()) header += u"\\" + path;
            header += u"]\r\n";
            keys.push_back({header, {}, {}});
        }
        KeyBlock& block = keys[at->second];
        if (block.namesUpper.insert(text::toUpper(v.name)).second) block.values.emplace_back(name, &v);
    }

    std::u16string out = u"Windows Registry Editor Version 5.00\r\n";
    for (const KeyBlock& k : keys) {
        out += u"\r\n" + k.header;
        for (const auto& [name, v] : k.values) out += valueLine(*v, name);
    }
    out += u"\r\n";

    result.bytes = "\xFF\xFE";
    result.bytes.reserve(2 + out.size() * 2);
    for (char16_t c : out) {
        result.bytes += static_cast<char>(c & 0xFF);
        result.bytes += static_cast<char>(c >> 8);
    }
    result.ok = true;
    return result;
}

long CaptureValue(plat::Registry& reg, plat::RegHandle root, const std::string& keyPath, const std::string& name,
                  UndoValue* out) {
    long rc = plat::kErrorSuccess;
    const reg::Key key = reg::Key::open(reg, root, keyPath, plat::kKeyQueryValue, &rc);
    if (!key) return rc;
    std::optional<reg::Value> value = reg::tryReadValue(reg, key.get(), name, &rc);
    if (!value) return rc;
    out->root = root;
    out->keyPath = keyPath;
    out->name = name;
    out->type = value->type;
    out->data = std::move(value->data);
    return plat::kErrorSuccess;
}

}  // namespace engine
