#include "search/result_export.h"

#include <cstdio>
#include <optional>
#include <unordered_set>

#include "common/platform/error_text.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_script.h"
#include "common/registry/reg_value.h"
#include "common/text/text.h"
#include "search/mod_reg.h"

namespace search {
namespace {

// A row's root and its key path below the root, from the row's key path ("HKEY_...\path").
plat::RegHandle splitKeyPath(const ResultRow& row, std::string* path) {
    const size_t slash = row.keyPath.find('\\');
    *path = slash == std::string::npos ? std::string() : row.keyPath.substr(slash + 1);
    return modreg::RootFromName(row.keyPath.substr(0, slash));
}

// A name for a message: a NUL shows as \0 so the reader sees where it is.
std::string shownName(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '\0')
            out += "\\0";
        else
            out += c;
    }
    return out;
}

std::string where(const ResultRow& row) {
    if (!row.isValue) return shownName(row.keyPath);
    return shownName(row.keyPath) + ", value \"" + shownName(row.valueName) + "\"";
}

// Reads values row after row, keeping the key open while the rows stay in it (the rows of one
// key come together in a search's list).
class ValueReader {
public:
    explicit ValueReader(plat::Registry& reg) : reg_(reg) {}

    std::optional<reg::Value> read(const ResultRow& row, long* rc) {
        if (!haveKey_ || row.keyPath != keyPath_) {
            std::string path;
            const plat::RegHandle root = splitKeyPath(row, &path);
            key_ = root ? reg::Key::open(reg_, root, path, plat::kKeyQueryValue, &openRc_) : reg::Key();
            if (!root) openRc_ = plat::kErrorFileNotFound;
            keyPath_ = row.keyPath;
            haveKey_ = true;
        }
        if (!key_) {
            *rc = openRc_;
            return std::nullopt;
        }
        return reg::tryReadValue(reg_, key_.get(), row.valueName, rc);
    }

private:
    plat::Registry& reg_;
    reg::Key key_;
    std::string keyPath_;
    long openRc_ = plat::kErrorSuccess;
    bool haveKey_ = false;
};

std::string unreadable(long rc) { return "it can no longer be read: " + plat::ErrorText(rc); }

bool isText(uint32_t type) { return type == plat::kRegSz || type == plat::kRegExpandSz || type == plat::kRegMultiSz; }

// Text for a spreadsheet: lone surrogates (which UTF-8 cannot carry) become U+FFFD.
std::string spreadsheetText(const std::string& s) {
    if (text::isValidUtf8(s)) return s;
    std::u16string w = text::toUtf16(s);
    for (size_t i = 0; i < w.size(); ++i) {
        const char16_t c = w[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < w.size() && w[i + 1] >= 0xDC00 && w[i + 1] <= 0xDFFF) {
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            w[i] = 0xFFFD;
        }
    }
    return text::fromUtf16(w);
}

std::string csvLine(const std::string& key, const std::string& name, const std::string& type, const std::string& data) {
    return CsvField(spreadsheetText(key)) + "," + CsvField(spreadsheetText(name)) + "," + CsvField(type) + "," +
           CsvField(spreadsheetText(data)) + "\r\n";
}

// Identity of a listed row: a value found by its name and by its content is listed twice.
std::string identity(const ResultRow& row) {
    std::string id = row.keyPath;
    id += '\0';
    id += row.isValue ? 'v' : 'k';
    id += row.valueName;
    return id;
}

}  // namespace

std::string TypeName(uint32_t type) {
    static const char* const kNames[] = {"REG_NONE",
                                         "REG_SZ",
                                         "REG_EXPAND_SZ",
                                         "REG_BINARY",
                                         "REG_DWORD",
                                         "REG_DWORD_BIG_ENDIAN",
                                         "REG_LINK",
                                         "REG_MULTI_SZ",
                                         "REG_RESOURCE_LIST",
                                         "REG_FULL_RESOURCE_DESCRIPTOR",
                                         "REG_RESOURCE_REQUIREMENTS_LIST",
                                         "REG_QWORD"};
    if (type < sizeof kNames / sizeof kNames[0]) return kNames[type];
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", static_cast<unsigned>(type));
    return buf;
}

std::string DataText(uint32_t type, const std::vector<uint8_t>& data, const char* lineBreak) {
    char buf[64];
    switch (type) {
        case plat::kRegSz:
        case plat::kRegExpandSz: return reg::textOf(data);
        case plat::kRegMultiSz: {
            std::string out;
            for (const std::string& s : reg::multiTextOf(data)) {
                if (!out.empty()) out += lineBreak;
                out += s;
            }
            return out;
        }
        case plat::kRegDword:
        case plat::kRegDwordBigEndian:
            if (data.size() != 4) break;
            {
                const uint32_t n =
                    static_cast<uint32_t>(type == plat::kRegDword ? reg::dwordOf(data) : reg::dwordBigEndianOf(data));
                std::snprintf(buf, sizeof buf, "0x%08x (%u)", static_cast<unsigned>(n), static_cast<unsigned>(n));
            }
            return buf;
        case plat::kRegQword:
            if (data.size() != 8) break;
            {
                const unsigned long long n = static_cast<uint64_t>(reg::qwordOf(data));
                std::snprintf(buf, sizeof buf, "0x%016llx (%llu)", n, n);
            }
            return buf;
        default: break;
    }
    return reg::hexPairsOf(data);
}

std::string CsvField(const std::string& field) {
    bool quote = !field.empty() &&
                 (field.front() == ' ' || field.front() == '\t' || field.back() == ' ' || field.back() == '\t');
    for (char c : field) {
        if (c == ',' || c == '"' || c == '\r' || c == '\n') quote = true;
    }
    if (!quote) return field;
    std::string out = "\"";
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

ExportOutcome ExportRows(plat::Registry& reg, const std::vector<ResultRow>& rows, ExportFormat format,
                         const std::vector<size_t>* only) {
    ExportOutcome out;
    ValueReader reader(reg);
    reg::ScriptWriter script;
    std::string csv = format == ExportFormat::Csv ? "\xEF\xBB\xBFKey,Value,Type,Data\r\n" : "";
    std::unordered_set<std::string> seen;
    const size_t count = only ? only->size() : rows.size();
    seen.reserve(count);

    for (size_t n = 0; n < count; ++n) {
        const ResultRow& row = rows[only ? (*only)[n] : n];
        if (row.keyPath.empty()) continue;  // "Nothing to show"
        if (!seen.insert(identity(row)).second) continue;
        std::string why;
        if (format == ExportFormat::Reg) {
            std::string path;
            const plat::RegHandle root = splitKeyPath(row, &path);
            if (!row.isValue) {
                why = script.addKey(root, path);
            } else {
                // The name is checked before the value is read: a name the file cannot hold
                // needs no reading.
                why = reg::whyValueNotInScript(root, path, row.valueName, plat::kRegBinary, {});
                long rc = plat::kErrorSuccess;
                std::optional<reg::Value> v;
                if (why.empty()) v = reader.read(row, &rc);
                if (why.empty() && !v) why = unreadable(rc);
                if (why.empty()) why = reg::whyValueNotInScript(root, path, row.valueName, v->type, v->data);
                if (why.empty() && isText(v->type) && v->data.size() % 2 != 0)
                    why = "the registry editor does not put back text data of an odd number of bytes exactly";
                if (why.empty()) why = script.addValue(root, path, row.valueName, v->type, v->data);
            }
        } else {
            if (row.keyPath.find('\0') != std::string::npos || row.valueName.find('\0') != std::string::npos) {
                why = "a CSV file cannot hold a name with a NUL";
            } else if (!row.isValue) {
                csv += csvLine(row.keyPath, "", "", "");
            } else {
                long rc = plat::kErrorSuccess;
                const std::optional<reg::Value> v = reader.read(row, &rc);
                if (!v)
                    why = unreadable(rc);
                else
                    csv += csvLine(row.keyPath, row.valueName, TypeName(v->type), DataText(v->type, v->data, "\n"));
            }
        }
        if (why.empty()) {
            ++out.written;
        } else {
            ++out.leftOut;
            out.problems.push_back(where(row) + ": " + why);
        }
    }
    out.bytes = format == ExportFormat::Reg ? script.bytes() : std::move(csv);
    return out;
}

std::string KeyPathsText(const std::vector<ResultRow>& rows) {
    std::string out;
    std::unordered_set<std::string> seen;
    for (const ResultRow& row : rows) {
        if (row.keyPath.empty()) continue;
        const std::string& path = row.isValue ? row.keyPath : row.fullPath;
        if (!seen.insert(path).second) continue;
        if (!out.empty()) out += "\r\n";
        out += path;
    }
    return out;
}

std::string ValueDataText(plat::Registry& reg, const std::vector<ResultRow>& rows,
                          std::vector<std::string>* unreadableRows) {
    std::string out;
    ValueReader reader(reg);
    std::unordered_set<std::string> seen;
    bool first = true;
    for (const ResultRow& row : rows) {
        if (!row.isValue || !seen.insert(identity(row)).second) continue;
        long rc = plat::kErrorSuccess;
        const std::optional<reg::Value> v = reader.read(row, &rc);
        if (!v) {
            if (unreadableRows) unreadableRows->push_back(where(row) + ": " + unreadable(rc));
            continue;
        }
        if (!first) out += "\r\n";
        first = false;
        out += DataText(v->type, v->data, "\r\n");
    }
    return out;
}

}  // namespace search
