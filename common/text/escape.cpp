#include "common/text/escape.h"

#include <cstdio>

#include "common/text/text.h"

namespace text {

namespace {

// A lone surrogate in WTF-8: 0xED and a second byte 0xA0..0xBF (paired surrogates are written
// as one four-byte character, so these three bytes always stand alone).
bool loneSurrogateAt(const std::string& s, size_t i) {
    return static_cast<unsigned char>(s[i]) == 0xED && i + 2 < s.size() &&
           (static_cast<unsigned char>(s[i + 1]) & 0xE0) == 0xA0;
}

// Writes the lone surrogate at i as its \u escape and returns the bytes it used.
size_t appendSurrogateEscape(std::string& out, const std::string& s, size_t i) {
    const unsigned unit =
        0xD000 | ((static_cast<unsigned char>(s[i + 1]) & 0x3F) << 6) | (static_cast<unsigned char>(s[i + 2]) & 0x3F);
    char buf[8];
    std::snprintf(buf, sizeof buf, "\\u%04x", unit);
    out += buf;
    return 3;
}

// NUL and lone surrogates, which no text file should carry raw, written as JSON writes them.
std::string escapeNulAndSurrogates(const std::string& field) {
    if (field.find('\0') == std::string::npos && field.find('\xED') == std::string::npos) return field;
    std::string out;
    out.reserve(field.size() + 6);
    for (size_t i = 0; i < field.size();) {
        if (loneSurrogateAt(field, i)) {
            i += appendSurrogateEscape(out, field, i);
        } else if (field[i] == '\0') {
            out += "\\u0000";
            ++i;
        } else {
            out += field[i++];
        }
    }
    return out;
}

}  // namespace

std::string escapeTsv(const std::string& field) {
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size();) {
        if (loneSurrogateAt(field, i)) {
            i += appendSurrogateEscape(out, field, i);
            continue;
        }
        const char c = field[i++];
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            case '\0': out += "\\u0000"; break;
            default: out += c;
        }
    }
    return out;
}

std::string escapeCsv(const std::string& raw) {
    const std::string field = escapeNulAndSurrogates(raw);
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    return "\"" + replaceAll(field, "\"", "\"\"") + "\"";
}

std::string escapeJson(const std::string& field) {
    std::string out;
    out.reserve(field.size() + 2);
    char buf[8];
    for (size_t i = 0; i < field.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(field[i]);
        if (loneSurrogateAt(field, i)) {
            i += appendSurrogateEscape(out, field, i) - 1;
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out;
}

std::string jsonString(const std::string& field) { return "\"" + escapeJson(field) + "\""; }

std::string jsonObjectList(const std::vector<std::string>& objects) {
    std::string out = "[";
    for (size_t i = 0; i < objects.size(); ++i) out += (i ? ",\n  {" : "\n  {") + objects[i] + "}";
    out += objects.empty() ? "]\n" : "\n]\n";
    return out;
}

}  // namespace text
