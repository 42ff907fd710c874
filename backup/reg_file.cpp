#include "backup/reg_file.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

#include "common/registry/reg_roots.h"
#include "common/registry/reg_enum.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"
#include "common/text/text.h"

namespace backup {

namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";

// The file's text as code units: UTF-16LE after a byte-order mark, or single bytes.
class Units {
public:
    Units(std::string_view bytes, size_t offset, bool wide) : b_(bytes), off_(offset), wide_(wide) {}
    size_t size() const { return (b_.size() - off_) / (wide_ ? 2 : 1); }
    char16_t at(size_t i) const {
        if (!wide_) return static_cast<unsigned char>(b_[off_ + i]);
        return static_cast<char16_t>(static_cast<unsigned char>(b_[off_ + 2 * i]) |
                                     (static_cast<unsigned char>(b_[off_ + 2 * i + 1]) << 8));
    }
    size_t byteOf(size_t i) const { return off_ + i * (wide_ ? 2 : 1); }
    std::u16string text(size_t from, size_t to) const {
        std::u16string s;
        s.reserve(to - from);
        for (size_t i = from; i < to; ++i) s += at(i);
        return s;
    }

private:
    std::string_view b_;
    size_t off_;
    bool wide_;
};

bool isHex(char16_t c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::u16string upper(std::u16string s) {
    for (char16_t& c : s) c = text::upperUnit(c);
    return s;
}

// The end of a quoted text that starts after `from` (the unit after the opening quote): the
// index of its closing quote, or nullopt when the line ends first. Backslash escapes one unit.
std::optional<size_t> closingQuote(const Units& u, size_t from, size_t end) {
    for (size_t i = from; i < end; ++i) {
        if (u.at(i) == '\\') {
            ++i;
            continue;
        }
        if (u.at(i) == '"') return i;
    }
    return std::nullopt;
}

// Hex byte pairs separated by commas, optionally ended by "\" (more on the next line). Returns
// false when the text is something else; *continues tells whether it ends with "\".
bool hexList(const Units& u, size_t i, size_t end, bool* continues, bool allowEmpty) {
    *continues = false;
    while (i < end && u.at(i) == ' ') ++i;
    while (end > i && u.at(end - 1) == ' ') --end;
    if (end > i && u.at(end - 1) == '\\') {
        *continues = true;
        --end;
    }
    bool expectPair = true;  // a byte pair comes next (else a comma)
    bool pairs = false;
    for (; i < end; ++i) {
        const char16_t c = u.at(i);
        if (c == ' ') continue;
        if (expectPair) {
            if (i + 1 >= end || !isHex(c) || !isHex(u.at(i + 1))) return false;
            ++i;
            expectPair = false;
            pairs = true;
        } else {
            if (c != ',') return false;
            expectPair = true;
        }
    }
    return pairs || allowEmpty;
}

std::string unescapeName(const std::u16string& quoted) {
    std::u16string out;
    for (size_t i = 0; i < quoted.size(); ++i) {
        if (quoted[i] == '\\' && i + 1 < quoted.size()) ++i;
        out += quoted[i];
    }
    return text::fromUtf16(out);
}

struct Entry {
    size_t key = 0;  // canonical key index
    std::u16string upperName;
    std::string name;
    size_t fromByte = 0, toByte = 0;
};

}  // namespace

std::string DescribeValue(const ValueRef& v) {
    std::string name;
    for (char c : v.name) name += c == '\0' ? std::string("\\0") : std::string(1, c);
    return v.key + ": " + (v.name.empty() ? std::string("(default value)") : "\"" + name + "\"");
}

std::string DescribeValues(const std::vector<ValueRef>& values, size_t first, size_t total) {
    std::string out;
    size_t shown = 0;
    for (; shown < values.size() && shown < first; ++shown)
        out += DescribeValue(values[shown]) + (values[shown].why.empty() ? "" : " (" + values[shown].why + ")") + "\n";
    total = std::max(total, values.size());
    if (total > shown) out += "... and " + std::to_string(total - shown) + " more\n";
    return out;
}

RegFileCheck CheckRegistryFile(std::string_view bytes) {
    RegFileCheck r;
    const bool wide = bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
                      static_cast<unsigned char>(bytes[1]) == 0xFE;
    const Units u(bytes, wide ? 2 : 0, wide);
    const size_t n = u.size();
    const char* notOurs = "it is not a registry-editor file (it does not begin with the editor's header)";

    // The header line.
    size_t lineEnd = 0;
    while (lineEnd < n && u.at(lineEnd) != '\n') ++lineEnd;
    size_t headEnd = lineEnd > 0 && u.at(lineEnd - 1) == '\r' ? lineEnd - 1 : lineEnd;
    const std::u16string head = u.text(0, headEnd);
    if (head != kHeader5 && head != kHeader4) {
        r.problem = notOurs;
        return r;
    }

    std::vector<std::u16string> keys;        // canonical keys, as written
    std::map<std::u16string, size_t> keyOf;  // upper-cased key -> canonical index
    std::vector<Entry> entries;
    constexpr size_t kNoKey = SIZE_MAX;
    size_t key = kNoKey;  // the key the lines below belong to
    enum class Open { None, Text, Hex } open = Open::None;
    size_t lineNo = 1;
    auto broken = [&](const std::string& what) {
        r.problem = "line " + std::to_string(lineNo) + " " + what;
        return r;
    };

    for (size_t at = lineEnd + 1; at < n; at = lineEnd + 1) {
        ++lineNo;
        lineEnd = at;
        while (lineEnd < n && u.at(lineEnd) != '\n') ++lineEnd;
        if (lineEnd >= n) break;  // the last line has no end: judged below
        size_t end = lineEnd > at && u.at(lineEnd - 1) == '\r' ? lineEnd - 1 : lineEnd;
        const size_t nextByte = u.byteOf(lineEnd + 1);

        if (open == Open::Text) {
            std::optional<size_t> q = closingQuote(u, at, end);
            if (q) {
                open = Open::None;
                entries.back().toByte = nextByte;
            }
            continue;
        }
        if (open == Open::Hex) {
            bool more = false;
            if (!hexList(u, at, end, &more, false)) return broken("is not the rest of a hexadecimal value");
            entries.back().toByte = nextByte;
            if (!more) open = Open::None;
            continue;
        }
        size_t i = at;
        while (i < end && (u.at(i) == ' ' || u.at(i) == '\t')) ++i;
        if (i == end || u.at(i) == ';') continue;
        const char16_t first = u.at(i);
        if (first == '[') {
            size_t close = end;
            while (close > i && u.at(close - 1) == ' ') --close;
            if (close - i < 2 || u.at(close - 1) != ']') return broken("holds a key that is not closed");
            std::u16string path = u.text(i + 1, close - 1);
            if (!path.empty() && path[0] == '-') {  // a key to delete: nothing of it is written
                key = kNoKey;
                continue;
            }
            auto [it, added] = keyOf.emplace(upper(path), keys.size());
            if (added) keys.push_back(path);
            key = it->second;
            const std::u16string root = upper(path.substr(0, path.find(u'\\')));
            const std::string rootName = text::fromUtf16(root);
            bool known = false;
            for (const std::string& k : r.roots) known = known || k == rootName;
            if (!known) r.roots.push_back(rootName);
            continue;
        }
        if (first != '"' && first != '@') {
            r.problem = notOurs;
            if (lineNo > 2) r.problem = "line " + std::to_string(lineNo) + " is not a line of a registry-editor file";
            return r;
        }
        if (key == kNoKey) return broken("holds a value outside any key");
        Entry e;
        e.key = key;
        e.fromByte = u.byteOf(at);
        e.toByte = nextByte;
        size_t eq;
        if (first == '@') {
            eq = i + 1;
        } else {
            std::optional<size_t> q = closingQuote(u, i + 1, end);
            if (!q) return broken("holds a value name that is not closed");
            e.name = unescapeName(u.text(i + 1, *q));
            eq = *q + 1;
        }
        if (eq >= end || u.at(eq) != '=') return broken("holds a value without its data");
        e.upperName = upper(text::toUtf16(e.name));
        size_t d = eq + 1;
        const std::u16string rest = u.text(d, end);
        if (!rest.empty() && rest[0] == '"') {
            if (!closingQuote(u, d + 1, end)) open = Open::Text;
        } else if (rest == u"-") {
        } else if (rest.rfind(u"dword:", 0) == 0) {
            if (rest.size() != 14) return broken("holds a number that is not eight hexadecimal digits");
            for (size_t k = 6; k < 14; ++k)
                if (!isHex(rest[k])) return broken("holds a number that is not eight hexadecimal digits");
        } else if (rest.rfind(u"hex", 0) == 0) {
            size_t colon = rest.find(u':');
            if (colon == std::u16string::npos) return broken("holds data in no form the editor writes");
            const std::u16string kind = rest.substr(3, colon - 3);
            if (!kind.empty()) {
                bool ok = kind.size() >= 3 && kind.front() == '(' && kind.back() == ')';
                for (size_t k = 1; ok && k + 1 < kind.size(); ++k) ok = isHex(kind[k]);
                if (!ok) return broken("holds data in no form the editor writes");
            }
            bool more = false;
            if (!hexList(u, d + colon + 1, end, &more, true)) return broken("holds hexadecimal data that is not whole");
            if (more) open = Open::Hex;
        } else {
            return broken("holds data in no form the editor writes");
        }
        entries.push_back(std::move(e));
    }

    if (open != Open::None) {
        r.problem = "the file ends inside a value (it was cut short)";
        return r;
    }
    // The editor ends every export it completes with an empty line.
    const bool endsEmpty = n >= 4 && u.at(n - 4) == '\r' && u.at(n - 3) == '\n' && u.at(n - 2) == '\r' &&
                           u.at(n - 1) == '\n' && (!wide || (bytes.size() - 2) % 2 == 0);
    if (!endsEmpty) {
        r.problem = "the file does not end as the registry editor ends its files (it was cut short)";
        return r;
    }

    std::map<std::pair<size_t, std::u16string>, int> seen;
    for (const Entry& e : entries) ++seen[{e.key, e.upperName}];
    r.copy.reserve(bytes.size());
    size_t copied = 0;
    for (const Entry& e : entries) {
        if (seen[{e.key, e.upperName}] < 2) continue;
        r.leftOut.push_back({text::fromUtf16(keys[e.key]), e.name, ""});
        r.copy.append(bytes.substr(copied, e.fromByte - copied));
        copied = e.toByte;
    }
    r.copy.append(bytes.substr(copied));
    r.whole = true;
    return r;
}

std::string InexactReason(std::string_view name, uint32_t type, const std::vector<uint8_t>& data) {
    if (name.find('\0') != std::string_view::npos) return "its name holds a NUL: the file cuts it there";
    const size_t units = data.size() / 2;
    auto unit = [&](size_t i) { return static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8)); };
    switch (type) {
        case plat::kRegSz: {
            if (data.empty()) return "empty text: it comes back with a NUL";
            if (data.size() % 2 != 0) return "text of an odd number of bytes";
            if (unit(units - 1) != 0) return "text without its final NUL: it comes back one character short";
            for (size_t i = 0; i + 1 < units; ++i)
                if (unit(i) == 0) return "text with a NUL inside: what follows it is lost";
            return "";
        }
        case plat::kRegExpandSz:
        case plat::kRegMultiSz:
            if (!data.empty() && (units == 0 || unit(units - 1) != 0))
                return "text without its final NUL: it comes back with one";
            return "";
        case plat::kRegDword:
            if (!data.empty() && data.size() != 4)
                return "a number of " + std::to_string(data.size()) + " bytes: it comes back as four";
            return "";
        default: return "";
    }
}

namespace {

// The roots a registry-editor file can name, spelt exactly.
plat::RegHandle rootOf(const std::string& name) {
    return reg::rootOfName(name, reg::Roots::Common, reg::NameCase::Exact);
}

struct Walk {
    plat::Registry& registry;
    size_t count;
    size_t total = 0;
    size_t keysSeen = 0;
    std::vector<ValueRef> found;
    const std::function<void()>& yield;

    void note(const std::string& key, const std::string& name, std::string why) {
        ++total;
        if (found.size() < count) found.push_back({key, name, std::move(why)});
    }

    void key(plat::RegHandle handle, const std::string& path, int depth) {
        if (++keysSeen % 256 == 0 && yield) yield();
        const bool pathCut = path.find('\0') != std::string::npos;
        for (reg::ValueEntry& v : reg::valuesOf(registry, handle, true, 1024 * 1024)) {
            if (!v.hasData) {
                long rc = 0;
                std::optional<reg::Value> read = reg::tryReadValue(registry, handle, v.name, &rc);
                if (!read) continue;
                v.data = std::move(read->data);
            }
            std::string why =
                pathCut ? "its key's name holds a NUL: the file cuts it there" : InexactReason(v.name, v.type, v.data);
            if (!why.empty()) note(path, v.name, std::move(why));
        }
        if (depth >= plat::kMaxKeyDepth) return;
        for (const std::string& sub : reg::subkeysOf(registry, handle)) {
            reg::Key child = reg::Key::open(registry, handle, sub, plat::kKeyRead);
            if (!child) continue;
            key(child.get(), path + "\\" + sub, depth + 1);
        }
    }
};

}  // namespace

std::vector<ValueRef> FindInexactValues(plat::Registry& registry, const std::vector<std::string>& roots, size_t count,
                                        size_t* total, const std::function<void()>& yield) {
    Walk w{registry, count, 0, 0, {}, yield};
    for (const std::string& root : roots) {
        const plat::RegHandle h = rootOf(root);
        if (h != 0) w.key(h, root, 0);
    }
    if (total) *total = w.total;
    return w.found;
}

}  // namespace backup
