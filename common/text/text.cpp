#include "common/text/text.h"

#include <array>
#include <cstdint>
#include <cstring>

#include "common/text/platform_case.h"

namespace text {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one WTF-8 sequence at s[i]; advances i. Encoded surrogates are accepted (that is
// what makes lone surrogates round-trip); any malformed byte gives U+FFFD and advances by one.
char32_t decodeOne(std::string_view s, size_t& i, bool* valid) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        if (valid) *valid = false;
        return kReplacement;
    }
    if (i + len > s.size()) {
        ++i;
        if (valid) *valid = false;
        return kReplacement;
    }
    for (int k = 1; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            if (valid) *valid = false;
            return kReplacement;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF) {
        ++i;
        if (valid) *valid = false;
        return kReplacement;
    }
    i += len;
    return cp;
}

// Code page 1252 positions 0x80..0x9F; the five undefined ones map to the C1 control of the
// same number, as the platform's conversion does.
constexpr std::array<char16_t, 32> kCp1252High = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                  0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct CaseRun {
    char16_t first, last;
    int delta;
    int step;
};

#include "common/text/case_runs.inc"

struct CaseTables {
    std::array<char16_t, 65536> upper{};
    std::array<char16_t, 65536> lower{};

    static void apply(std::array<char16_t, 65536>& table, const CaseRun* runs, size_t count) {
        for (size_t r = 0; r < count; ++r)
            for (char32_t c = runs[r].first; c <= runs[r].last; c += static_cast<char32_t>(runs[r].step))
                table[c] = static_cast<char16_t>(static_cast<int>(c) + runs[r].delta);
    }

    CaseTables() {
        for (size_t c = 0; c < upper.size(); ++c) upper[c] = lower[c] = static_cast<char16_t>(c);
        // On Windows the platform's own tables decide (they differ between Windows versions);
        // elsewhere the runs above, which are those tables as Wine has them.
        if (platformCaseTables(upper.data(), lower.data())) return;
        apply(upper, kUpperRuns, sizeof kUpperRuns / sizeof kUpperRuns[0]);
        apply(lower, kLowerRuns, sizeof kLowerRuns / sizeof kLowerRuns[0]);
    }
};

const CaseTables& caseTables() {
    static const CaseTables tables;
    return tables;
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::u16string toUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = decodeOne(utf8, i, nullptr);
        if (cp >= 0x10000) {
            const char32_t v = cp - 0x10000;
            out += static_cast<char16_t>(0xD800 + (v >> 10));
            out += static_cast<char16_t>(0xDC00 + (v & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string fromUtf16(std::u16string_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (size_t i = 0; i < utf16.size(); ++i) {
        const char16_t u = utf16[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
            ++i;
        } else {
            appendUtf8(out, u);  // lone surrogates too: WTF-8
        }
    }
    return out;
}

std::string fromCodePage(std::string_view bytes, unsigned codePage) {
    if (codePage == 65001) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        if (codePage != 28591 && b >= 0x80 && b <= 0x9F)
            appendUtf8(out, kCp1252High[b - 0x80]);
        else
            appendUtf8(out, b);
    }
    return out;
}

std::optional<std::string> toCodePage1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const char32_t cp = decodeOne(utf8, i, nullptr);
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        // 0x80..0x9F hold the code page's own characters (five of them map to themselves).
        size_t b = 0;
        while (b < kCp1252High.size() && kCp1252High[b] != cp) ++b;
        if (b == kCp1252High.size()) return std::nullopt;
        out += static_cast<char>(0x80 + b);
    }
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    bool valid = true;
    size_t i = 0;
    while (i < bytes.size() && valid) {
        const char32_t cp = decodeOne(bytes, i, &valid);
        if (cp >= 0xD800 && cp <= 0xDFFF) valid = false;  // strict UTF-8: no encoded surrogates
    }
    return valid;
}

bool isValidWtf8(std::string_view bytes) {
    bool valid = true;
    size_t i = 0;
    while (i < bytes.size() && valid) decodeOne(bytes, i, &valid);
    return valid;
}

char16_t upperUnit(char16_t c) { return caseTables().upper[c]; }
char16_t lowerUnit(char16_t c) { return caseTables().lower[c]; }

namespace {

std::string mapCaseByUnits(std::string_view utf8, const std::array<char16_t, 65536>& table) {
    std::u16string w = toUtf16(utf8);
    for (auto& c : w) c = table[c];
    return fromUtf16(w);
}

// Maps every UTF-16 unit of the text through `table`, into *out. A byte below 0x80 is a unit of
// its own, so a leading run of such bytes is mapped directly; whatever follows goes by way of
// UTF-16. The result equals mapCaseByUnits: should the table ever map a plain character outside
// 0x00..0x7F, the whole text takes the UTF-16 way.
void mapCaseInto(std::string_view utf8, const std::array<char16_t, 65536>& table, std::string* out) {
    out->resize(utf8.size());
    char* o = out->data();
    size_t i = 0;
    for (; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b >= 0x80) break;
        const char16_t u = table[b];
        if (u >= 0x80) {
            *out = mapCaseByUnits(utf8, table);
            return;
        }
        o[i] = static_cast<char>(u);
    }
    if (i == utf8.size()) return;
    out->resize(i);
    out->append(mapCaseByUnits(utf8.substr(i), table));
}

std::string mapCase(std::string_view utf8, const std::array<char16_t, 65536>& table) {
    std::string out;
    mapCaseInto(utf8, table, &out);
    return out;
}

}  // namespace

std::string toUpper(std::string_view utf8) { return mapCase(utf8, caseTables().upper); }
std::string toLower(std::string_view utf8) { return mapCase(utf8, caseTables().lower); }
void toUpperInto(std::string_view utf8, std::string* out) { mapCaseInto(utf8, caseTables().upper, out); }
std::string toUpperByUnits(std::string_view utf8) { return mapCaseByUnits(utf8, caseTables().upper); }
std::string toLowerByUnits(std::string_view utf8) { return mapCaseByUnits(utf8, caseTables().lower); }

int compareNoCase(std::string_view a, std::string_view b) {
    // ASCII fast path: most registry names are plain ASCII.
    size_t i = 0;
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(a[i]);
        const auto cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x80 || cb >= 0x80) break;
        const int ua = (ca >= 'a' && ca <= 'z') ? ca - 0x20 : ca;
        const int ub = (cb >= 'a' && cb <= 'z') ? cb - 0x20 : cb;
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    if (i == n && a.size() == b.size()) return 0;
    if (i == n) return a.size() < b.size() ? -1 : 1;
    const std::u16string wa = toUtf16(a.substr(i));
    const std::u16string wb = toUtf16(b.substr(i));
    const size_t m = wa.size() < wb.size() ? wa.size() : wb.size();
    for (size_t k = 0; k < m; ++k) {
        const char16_t ua = upperUnit(wa[k]);
        const char16_t ub = upperUnit(wb[k]);
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    if (wa.size() == wb.size()) return 0;
    return wa.size() < wb.size() ? -1 : 1;
}

std::string trim(std::string_view s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && s[b] == ' ') ++b;
    while (e > b && s[e - 1] == ' ') --e;
    return std::string(s.substr(b, e - b));
}

bool contains(std::string_view s, std::string_view part) {
    const size_t m = part.size();
    if (m == 0) return true;
    if (m > s.size()) return false;
    const char first = part[0];
    const char last = part[m - 1];
    const char* p = s.data();
    const char* const end = s.data() + (s.size() - m + 1);  // one past the last place it could begin
    while (p < end) {
        p = static_cast<const char*>(std::memchr(p, first, static_cast<size_t>(end - p)));
        if (p == nullptr) return false;
        if (p[m - 1] == last && std::memcmp(p + 1, part.data() + 1, m - 1) == 0) return true;
        ++p;
    }
    return false;
}

std::string replaceAll(std::string s, std::string_view from, std::string_view to) {
    if (from.empty()) return s;
    std::string out;
    out.reserve(s.size());
    size_t pos = 0;
    while (true) {
        const size_t hit = s.find(from, pos);
        if (hit == std::string::npos) break;
        out.append(s, pos, hit - pos);
        out.append(to);
        pos = hit + from.size();
    }
    out.append(s, pos, std::string::npos);
    return out;
}

std::vector<std::string> split(std::string_view s, std::string_view sep) {
    std::vector<std::string> parts;
    if (s.empty()) return parts;
    if (sep.empty()) {
        parts.emplace_back(s);
        return parts;
    }
    size_t pos = 0;
    while (true) {
        const size_t hit = s.find(sep, pos);
        if (hit == std::string_view::npos) break;
        parts.emplace_back(s.substr(pos, hit - pos));
        pos = hit + sep.size();
    }
    parts.emplace_back(s.substr(pos));
    return parts;
}

}  // namespace text
