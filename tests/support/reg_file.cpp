#include "tests/support/reg_file.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "common/registry/reg_value.h"
#include "common/text/text.h"

namespace regfile {

namespace {

constexpr uint32_t kDelete = 0x10000;

std::string decodeFile(const std::string& bytes, bool* ansi) {
    *ansi = false;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::u16string w;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            w += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8));
        return text::fromUtf16(w);
    }
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) return bytes.substr(3);
    if (bytes.compare(0, 8, "REGEDIT4") == 0) {
        *ansi = true;
        return text::fromCodePage(bytes, 1252);
    }
    return text::isValidUtf8(bytes) ? bytes : text::fromCodePage(bytes, 1252);
}

std::vector<std::string> splitLines(const std::string& s) {
    std::vector<std::string> lines;
    std::string cur;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' || s[i] == '\n') {
            lines.push_back(cur);
            cur.clear();
            if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            cur += s[i];
        }
    }
    if (!cur.empty()) lines.push_back(cur);
    return lines;
}

std::string trimWs(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool readQuoted(const std::string& s, size_t& pos, std::string* out) {
    out->clear();
    ++pos;
    while (pos < s.size()) {
        const char c = s[pos++];
        if (c == '"') return true;
        if (c == '\\' && pos < s.size()) {
            const char e = s[pos++];
            switch (e) {
                case '\\': *out += '\\'; break;
                case '"': *out += '"'; break;
                case 'n': *out += '\n'; break;
                case 'r': *out += '\r'; break;
                case '0': *out += '\0'; break;
                default: *out += '\\', *out += e; break;
            }
        } else {
            *out += c;
        }
    }
    return false;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool parseHexList(const std::string& s, std::vector<uint8_t>* out, std::string* why) {
    out->clear();
    size_t pos = 0;
    auto skip = [&] {
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == '\t')) ++pos;
    };
    skip();
    if (pos == s.size()) return true;
    while (true) {
        skip();
        int hi = pos < s.size() ? hexDigit(s[pos]) : -1;
        if (hi < 0) {
            *why = "hex byte expected";
            return false;
        }
        int v = hi;
        ++pos;
        if (pos < s.size() && hexDigit(s[pos]) >= 0) v = v * 16 + hexDigit(s[pos++]);
        out->push_back(static_cast<uint8_t>(v));
        skip();
        if (pos == s.size()) return true;
        if (s[pos] != ',') {
            *why = "comma expected between hex bytes";
            return false;
        }
        ++pos;
        skip();
        if (pos == s.size()) return true;  // a trailing comma
    }
}

bool parseData(const std::string& rawData, bool ansi, Value* v, std::string* why) {
    std::string d = trimWs(rawData);
    if (d == "-") {
        v->remove = true;
        return true;
    }
    if (!d.empty() && d[0] == '"') {
        size_t pos = 0;
        std::string s;
        if (!readQuoted(d, pos, &s)) {
            *why = "unterminated string";
            return false;
        }
        if (!trimWs(d.substr(pos)).empty() && trimWs(d.substr(pos))[0] != ';') {
            *why = "text after the string";
            return false;
        }
        v->type = plat::kRegSz;
        v->data = reg::textBytes(s, true);
        return true;
    }
    if (d.compare(0, 6, "dword:") == 0) {
        const std::string digits = trimWs(d.substr(6));
        if (digits.empty() || digits.size() > 8) {
            *why = "dword needs 1 to 8 hex digits";
            return false;
        }
        uint32_t n = 0;
        for (char c : digits) {
            if (hexDigit(c) < 0) {
                *why = "bad dword digit";
                return false;
            }
            n = n * 16 + static_cast<uint32_t>(hexDigit(c));
        }
        v->type = plat::kRegDword;
        v->data = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                   static_cast<uint8_t>(n >> 24)};
        return true;
    }
    if (d.compare(0, 3, "hex") == 0) {
        size_t pos = 3;
        uint32_t type = plat::kRegBinary;
        if (pos < d.size() && d[pos] == '(') {
            const size_t close = d.find(')', pos);
            if (close == std::string::npos || close == pos + 1 || close - pos - 1 > 8) {
                *why = "bad hex(type)";
                return false;
            }
            type = 0;
            for (size_t i = pos + 1; i < close; ++i) {
                if (hexDigit(d[i]) < 0) {
                    *why = "bad hex(type)";
                    return false;
                }
                type = type * 16 + static_cast<uint32_t>(hexDigit(d[i]));
            }
            pos = close + 1;
        }
        if (pos >= d.size() || d[pos] != ':') {
            *why = "':' expected after hex";
            return false;
        }
        std::vector<uint8_t> bytes;
        if (!parseHexList(d.substr(pos + 1), &bytes, why)) return false;
        if (ansi && (type == plat::kRegSz || type == plat::kRegExpandSz || type == plat::kRegMultiSz)) {
            // REGEDIT4 writes string types as code page bytes; the registry holds UTF-16.
            bytes = reg::textBytes(text::fromCodePage(std::string(bytes.begin(), bytes.end()), 1252), false);
        }
        v->type = type;
        v->data = std::move(bytes);
        return true;
    }
    *why = "unknown value data";
    return false;
}

std::string splitRoot(const std::string& path, std::string* rest) {
    const size_t p = path.find('\\');
    *rest = p == std::string::npos ? "" : path.substr(p + 1);
    return p == std::string::npos ? path : path.substr(0, p);
}

}  // namespace

plat::RegHandle rootOf(const std::string& name) {
    const std::string n = text::toUpper(name);
    if (n == "HKEY_CLASSES_ROOT" || n == "HKCR") return plat::kHkeyClassesRoot;
    if (n == "HKEY_CURRENT_USER" || n == "HKCU") return plat::kHkeyCurrentUser;
    if (n == "HKEY_LOCAL_MACHINE" || n == "HKLM") return plat::kHkeyLocalMachine;
    if (n == "HKEY_USERS" || n == "HKU") return plat::kHkeyUsers;
    if (n == "HKEY_CURRENT_CONFIG" || n == "HKCC") return plat::kHkeyCurrentConfig;
    if (n == "HKEY_DYN_DATA") return plat::kHkeyDynData;
    return 0;
}

ParseResult parse(const std::string& bytes) {
    ParseResult r;
    bool ansi = false;
    const std::vector<std::string> lines = splitLines(decodeFile(bytes, &ansi));
    auto fail = [&](size_t line, const std::string& why) {
        r.ok = false;
        r.errorLine = static_cast<int>(line + 1);
        r.error = why;
        r.script.keys.clear();
        return r;
    };
    size_t i = 0;
    while (i < lines.size() && trimWs(lines[i]).empty()) ++i;
    if (i == lines.size()) return fail(0, "empty file");
    const std::string header = trimWs(lines[i]);
    if (header == "REGEDIT4")
        ansi = true;
    else if (header != "Windows Registry Editor Version 5.00")
        return fail(i, "unknown header");
    ++i;
    Key* current = nullptr;
    for (; i < lines.size(); ++i) {
        std::string line = trimWs(lines[i]);
        if (line.empty() || line[0] == ';') continue;
        const size_t startLine = i;
        if (line[0] == '[') {
            if (line.back() != ']') return fail(i, "']' expected");
            std::string path = line.substr(1, line.size() - 2);
            Key k;
            if (!path.empty() && path[0] == '-') {
                k.remove = true;
                path.erase(0, 1);
            }
            std::string rest;
            if (!rootOf(splitRoot(path, &rest))) return fail(i, "unknown root key");
            k.path = path;
            r.script.keys.push_back(k);
            current = k.remove ? nullptr : &r.script.keys.back();
            continue;
        }
        if (line[0] != '"' && line[0] != '@') return fail(i, "key or value expected");
        if (!current) return fail(i, "value outside a key");
        Value v;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!readQuoted(line, pos, &v.name)) {
            return fail(i, "unterminated value name");
        }
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size() || line[pos] != '=') return fail(i, "'=' expected");
        std::string data = line.substr(pos + 1);
        // Hex lists continue on the next line after a trailing backslash.
        while (!trimWs(data).empty() && trimWs(data).back() == '\\' && trimWs(data).compare(0, 3, "hex") == 0) {
            data = trimWs(data);
            data.pop_back();
            if (i + 1 >= lines.size()) return fail(startLine, "continuation line missing");
            data += trimWs(lines[++i]);
        }
        std::string why;
        if (!parseData(data, ansi, &v, &why)) return fail(startLine, why);
        current->values.push_back(std::move(v));
    }
    r.ok = true;
    return r;
}

long deleteTree(plat::Registry& reg, plat::RegHandle root, const std::string& path) {
    plat::RegHandle h = 0;
    long rc = reg.openKeyEx(root, path, plat::kKeyRead | kDelete, &h);
    if (rc != plat::kErrorSuccess) return rc;
    std::vector<std::string> names;
    for (uint32_t idx = 0;; ++idx) {
        std::string name;
        if (reg.enumKey(h, idx, 512, &name) != plat::kErrorSuccess) break;
        names.push_back(name);
    }
    reg.closeKey(h);
    for (const auto& n : names) {
        rc = deleteTree(reg, root, path.empty() ? n : path + "\\" + n);
        if (rc != plat::kErrorSuccess && rc != plat::kErrorFileNotFound) return rc;
    }
    return reg.deleteKey(root, path);
}

bool apply(plat::Registry& reg, const Script& script, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    for (const Key& k : script.keys) {
        std::string rest;
        const plat::RegHandle root = rootOf(splitRoot(k.path, &rest));
        if (k.remove) {
            const long rc = deleteTree(reg, root, rest);
            if (rc != plat::kErrorSuccess && rc != plat::kErrorFileNotFound)
                return fail("cannot delete " + k.path + ": " + std::to_string(rc));
            continue;
        }
        plat::RegHandle h = 0;
        if (long rc = reg.createKey(root, rest, &h); rc != plat::kErrorSuccess)
            return fail("cannot create " + k.path + ": " + std::to_string(rc));
        for (const Value& v : k.values) {
            long rc;
            if (v.remove) {
                rc = reg.deleteValue(h, v.name);
                if (rc == plat::kErrorFileNotFound) rc = plat::kErrorSuccess;
            } else {
                rc = reg.setValueEx(h, v.name, v.type, v.data.data(), static_cast<uint32_t>(v.data.size()));
            }
            if (rc != plat::kErrorSuccess) {
                reg.closeKey(h);
                return fail("cannot write " + k.path + " value " + v.name + ": " + std::to_string(rc));
            }
        }
        reg.closeKey(h);
    }
    return true;
}

bool load(plat::Registry& reg, const std::string& bytes, std::string* error, int* errorLine) {
    ParseResult r = parse(bytes);
    if (errorLine) *errorLine = r.errorLine;
    if (!r.ok) {
        if (error) *error = "line " + std::to_string(r.errorLine) + ": " + r.error;
        return false;
    }
    return apply(reg, r.script, error);
}

bool loadFile(plat::Registry& reg, const std::string& path, std::string* error, int* errorLine) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot read " + path;
        if (errorLine) *errorLine = 0;
        return false;
    }
    std::stringstream ss;
    ss << in.rdbuf();
    return load(reg, ss.str(), error, errorLine);
}

namespace {

std::string escapeName(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    return out;
}

// A REG_SZ that regedit can write as a quoted string: whole UTF-16 units, one final NUL and
// no NUL or line break before it.
bool plainString(const Value& v) {
    if (v.type != plat::kRegSz || v.data.size() < 2 || v.data.size() % 2) return false;
    const size_t n = v.data.size() / 2;
    if (v.data[2 * n - 2] || v.data[2 * n - 1]) return false;
    for (size_t i = 0; i + 1 < n; ++i) {
        const uint16_t u = static_cast<uint16_t>(v.data[2 * i] | (v.data[2 * i + 1] << 8));
        if (u == 0 || u == '\r' || u == '\n') return false;
    }
    return true;
}

}  // namespace

std::string writeUtf8(const Script& script) {
    std::string out = "Windows Registry Editor Version 5.00\r\n";
    for (const Key& k : script.keys) {
        out += "\r\n[";
        if (k.remove) out += '-';
        out += k.path + "]\r\n";
        for (const Value& v : k.values) {
            std::string line = v.name.empty() ? "@=" : "\"" + escapeName(v.name) + "\"=";
            if (v.remove) {
                line += "-";
            } else if (plainString(v)) {
                std::u16string w;
                for (size_t i = 0; i + 2 < v.data.size(); i += 2)  // all units but the final NUL
                    w += static_cast<char16_t>(v.data[i] | (v.data[i + 1] << 8));
                line += "\"" + escapeName(text::fromUtf16(w)) + "\"";
            } else if (v.type == plat::kRegDword && v.data.size() == 4) {
                char buf[16];
                std::snprintf(buf, sizeof buf, "dword:%08x",
                              static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                                                    (static_cast<uint32_t>(v.data[3]) << 24)));
                line += buf;
            } else {
                char buf[32];
                if (v.type == plat::kRegBinary)
                    line += "hex:";
                else
                    std::snprintf(buf, sizeof buf, "hex(%x):", v.type), line += buf;
                for (size_t i = 0; i < v.data.size(); ++i) {
                    std::snprintf(buf, sizeof buf, "%02x", v.data[i]);
                    line += buf;
                    if (i + 1 < v.data.size()) {
                        line += ',';
                        if (i % 24 == 23) line += "\\\r\n  ";
                    }
                }
            }
            out += line + "\r\n";
        }
    }
    return out + "\r\n";
}

std::string write(const Script& script) {
    const std::u16string w = text::toUtf16(writeUtf8(script));
    std::string out = "\xFF\xFE";
    for (char16_t c : w) {
        out += static_cast<char>(c & 0xFF);
        out += static_cast<char>(c >> 8);
    }
    return out;
}

Value sz(const std::string& name, const std::string& textValue, uint32_t type) {
    return Value{name, type, reg::textBytes(textValue, true), false};
}

Value dword(const std::string& name, uint32_t n) {
    return Value{name,
                 plat::kRegDword,
                 {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                  static_cast<uint8_t>(n >> 24)},
                 false};
}

Value bin(const std::string& name, std::vector<uint8_t> bytes, uint32_t type) {
    return Value{name, type, std::move(bytes), false};
}

Value multi(const std::string& name, const std::vector<std::string>& strings) {
    std::vector<uint8_t> data;
    for (const auto& s : strings) {
        auto b = reg::textBytes(s, true);
        data.insert(data.end(), b.begin(), b.end());
    }
    data.insert(data.end(), {0, 0});
    return Value{name, plat::kRegMultiSz, std::move(data), false};
}

}  // namespace regfile
