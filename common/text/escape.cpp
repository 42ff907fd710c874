#include "common/text/escape.h"

#include <cstdio>

#include "common/text/text.h"

namespace text {

std::string escapeTsv(const std::string& field) {
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

std::string escapeCsv(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    return "\"" + replaceAll(field, "\"", "\"\"") + "\"";
}

std::string escapeJson(const std::string& field) {
    std::string out;
    out.reserve(field.size() + 2);
    char buf[8];
    for (size_t i = 0; i < field.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(field[i]);
        if (c == 0xED && i + 2 < field.size() && (static_cast<unsigned char>(field[i + 1]) & 0xE0) == 0xA0) {
            const unsigned unit = 0xD000 | ((static_cast<unsigned char>(field[i + 1]) & 0x3F) << 6) |
                                  (static_cast<unsigned char>(field[i + 2]) & 0x3F);
            std::snprintf(buf, sizeof buf, "\\u%04x", unit);
            out += buf;
            i += 2;
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

}  // namespace text
