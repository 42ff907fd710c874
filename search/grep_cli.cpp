#include "search/grep_cli.h"

#include <cstdio>
#include <optional>

#include "common/text/cli_args.h"
#include "common/text/escape.h"
#include "common/text/text.h"
#include "search/result_export.h"
#include "search/search_request.h"

namespace search {
namespace {

struct GrepOptions {
    std::optional<std::string> root;
    std::optional<int> mode;
    std::optional<bool> matchCase, keys, values, data;
    std::string format = "tsv";
    std::string outputFile;
    std::optional<std::string> text;
};

// Parses the command line; returns an error message, or "" when it is usable.
std::string parse(const std::vector<std::string>& args, GrepOptions* o, bool* help) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto operand = [&](std::string* out) -> bool {
            if (i + 1 >= args.size()) return false;
            *out = args[++i];
            return true;
        };
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            if (o->text) return "more than one search text given";
            o->text = a;
            continue;
        }
        std::string value;
        if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help" || a == "-h") {
            *help = true;
        } else if (a == "--root") {
            if (!operand(&value)) return "--root needs a name";
            o->root = value;
        } else if (a == "--match") {
            if (!operand(&value)) return "--match needs any, left, right or exact";
            if (value == "any")
                o->mode = 1;
            else if (value == "left")
                o->mode = 2;
            else if (value == "right")
                o->mode = 3;
            else if (value == "exact")
                o->mode = 4;
            else
                return "unknown match mode '" + value + "'";
        } else if (a == "--case" || a == "--ignore-case") {
            o->matchCase = a == "--case";
        } else if (a == "--keys" || a == "--no-keys") {
            o->keys = a == "--keys";
        } else if (a == "--values" || a == "--no-values") {
            o->values = a == "--values";
        } else if (a == "--data" || a == "--no-data") {
            o->data = a == "--data";
        } else if (a == "--format") {
            if (!operand(&value)) return "--format needs tsv, json or reg";
            if (value != "tsv" && value != "json" && value != "reg") return "unknown format '" + value + "'";
            o->format = value;
        } else if (a == "--output") {
            if (!operand(&value) || value.empty()) return "--output needs a file name";
            o->outputFile = value;
        } else {
            return "unknown option '" + a + "'";
        }
    }
    if (*help) return "";
    if (!o->text) return "no search text given";
    if (o->text->empty()) return "the search text is empty";
    return "";
}

// The console collects the rows; nothing stops it and nothing runs in its yields.
class CollectingHost : public SearchHost {
public:
    bool stopRequested() override { return false; }
    void yield() override {}
    void addRow(const ResultRow& row) override { rows.push_back(row); }
    void showStatus(const std::string&) override {}
    std::vector<ResultRow> rows;
};

GrepOutcome usageError(const std::string& message) {
    GrepOutcome out;
    out.exitCode = kGrepUsageError;
    out.error = "hivegrep: " + message + "\n" + kGrepUsage;
    return out;
}

}  // namespace

const char* RowKind(int image) {
    switch (image) {
        case kImageKey: return "key";
        case kImageText: return "text";
        default: return "other";
    }
}

std::string EscapeTsv(const std::string& field) { return text::escapeTsv(field); }

std::string EscapeJson(const std::string& field) { return text::escapeJson(field); }

std::string FormatTsv(const std::vector<ResultRow>& rows) {
    std::string out = "kind\ttext\tpath\n";
    for (const ResultRow& r : rows) {
        out += RowKind(r.image);
        out += '\t';
        out += EscapeTsv(r.text);
        out += '\t';
        out += EscapeTsv(r.fullPath);
        out += '\n';
    }
    return out;
}

std::string FormatJson(const std::vector<ResultRow>& rows) {
    std::vector<std::string> objects;
    objects.reserve(rows.size());
    for (const ResultRow& r : rows)
        objects.push_back(std::string("\"kind\": \"") + RowKind(r.image) + "\", \"text\": " + text::jsonString(r.text) +
                          ", \"path\": " + text::jsonString(r.fullPath));
    return text::jsonObjectList(objects);
}

GrepOutcome RunGrep(const std::vector<std::string>& args, plat::Registry& reg) {
    const text::CommonFlags common = text::readCommonFlags(args, {"--root", "--match", "--format", "--output"});
    GrepOptions o;
    bool help = common.help;
    if (common.version && !help) {
        GrepOutcome out;
        out.version = true;
        return out;
    }
    const std::string problem = help ? std::string() : parse(common.rest, &o, &help);
    if (!problem.empty()) return usageError(problem);
    if (help) {
        GrepOutcome out;
        out.output = kGrepUsage;
        return out;
    }

    // Every choice without an option is the window's saved one.
    const std::vector<std::string> areas = SearchAreas(reg);
    SettingsStore store(reg);
    SavedSettings choices = ReadSavedSettings(store, static_cast<int>(areas.size()));
    if (o.root) {
        int found = -1;
        for (size_t i = 0; i < areas.size(); ++i) {
            if (text::equalNoCase(areas[i], *o.root)) found = static_cast<int>(i);
        }
        if (found < 0) return usageError("'" + *o.root + "' is not a search area here");
        choices.area = found;
    }
    if (o.mode) choices.mode = *o.mode;
    auto choose = [](int* value, const std::optional<bool>& wanted) {
        if (wanted) *value = *wanted ? 1 : 0;
    };
    choose(&choices.caseValue, o.matchCase);
    choose(&choices.keys, o.keys);
    choose(&choices.values, o.values);
    choose(&choices.data, o.data);

    CollectingHost found;
    RunSearch(reg, RequestFromSettings(choices, areas, *o.text), found);
    const std::vector<ResultRow>& rows = found.rows;
    GrepOutcome out;
    out.outputFile = o.outputFile;
    if (o.format == "reg") {
        // The window's Export... file; what it cannot hold is named on standard error.
        ExportOutcome file = ExportRows(reg, rows, ExportFormat::Reg);
        out.output = std::move(file.bytes);
        for (const std::string& p : file.problems) out.error += "hivegrep: left out " + p + "\n";
    } else {
        out.output = o.format == "json" ? FormatJson(rows) : FormatTsv(rows);
    }
    if (rows.empty()) out.exitCode = kGrepNoMatch;
    return out;
}

}  // namespace search
