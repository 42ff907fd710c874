#include "cleaner/hivescan/hivescan_cli.h"

#include <algorithm>
#include <cstdio>

#include "cleaner/engine/categories.h"
#include "cleaner/engine/exclude_list.h"
#include "cleaner/engine/repair.h"
#include "cleaner/engine/scanner.h"
#include "cleaner/engine/settings.h"
#include "common/text/cli_args.h"
#include "common/text/escape.h"
#include "common/text/text.h"
#include "common/version.h"

namespace hivescan {

const char* UsageText() {
    return "usage: hivescan [--areas CODES] [--skip-cd-net | --no-skip-cd-net] [--format tsv|csv|json]\n"
           "                [--output FILE] [--fix all [--yes] [--undo FILE]]\n"
           "       hivescan --help | --version\n"
           "  --areas CODES      comma-separated area codes (HKCU,HKU,HKLM,DLL,VDD,FONT,IFA,COM);\n"
           "                     default: the areas ticked in the cleaner's saved settings\n"
           "  --skip-cd-net      leave out references to CD-ROM and network drives\n"
           "  --no-skip-cd-net   keep them (default: the saved setting)\n"
           "  --format           tsv (default), csv or json\n"
           "  --output FILE      write the rows to FILE instead of standard output\n"
           "  --fix all          then press \"Fix all\"; its question is answered Yes only with --yes,\n"
           "                     otherwise it is asked on the console\n"
           "                     the rows are written first; when they cannot be written whole,\n"
           "                     nothing is deleted\n"
           "  --undo FILE        before deleting, write every value the fix deletes to FILE, a\n"
           "                     registry-editor file that puts them back exactly (regedit FILE);\n"
           "                     FILE must not exist yet; when it cannot be written whole,\n"
           "                     nothing is deleted. Without --undo no undo file is written.\n"
           "  --opt=VALUE is --opt VALUE; /? is --help\n"
           "exit status: 0 scan ran, 1 output or undo file not written (nothing deleted) or exclude\n"
           "             list unreadable (nothing scanned), 2 usage error or an undo FILE that\n"
           "             exists (nothing scanned), 3 a fix left values that\n"
           "             could not be deleted or that changed since the scan\n";
}

bool ParseArgs(const std::vector<std::string>& all, Options* out, std::string* error) {
    Options o;
    const text::CommonFlags common = text::readCommonFlags(all, {"--areas", "--format", "--output", "--fix", "--undo"});
    o.help = common.help;
    o.version = common.version;
    if (o.help || o.version) {
        *out = o;
        return true;
    }
    const std::vector<std::string>& args = common.rest;
    auto valueOf = [&](size_t& i, const std::string& opt, std::string* v) {
        return text::optionValue(args, i, opt, v, error);
    };
    auto is = [](const std::string& a, const std::string& opt) { return text::isOption(a, opt); };
    bool skipSeen = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        if (is(a, "--areas")) {
            if (!valueOf(i, "--areas", &v)) return false;
            o.areasGiven = true;
            o.areas.clear();
            if (text::trim(v).empty()) {
                *error = "--areas needs at least one area code";
                return false;
            }
            for (const std::string& part : text::split(v, ",")) {
                std::string code = text::toUpper(text::trim(part));
                if (!engine::FindCategory(code)) {
                    *error = "unknown area code '" + part + "'";
                    return false;
                }
                if (std::find(o.areas.begin(), o.areas.end(), code) == o.areas.end()) o.areas.push_back(code);
            }
        } else if (a == "--skip-cd-net" || a == "--no-skip-cd-net") {
            int want = a == "--skip-cd-net" ? 1 : 0;
            if (skipSeen && o.skipCdNet != want) {
                *error = "--skip-cd-net and --no-skip-cd-net exclude each other";
                return false;
            }
            skipSeen = true;
            o.skipCdNet = want;
        } else if (is(a, "--format")) {
            if (!valueOf(i, "--format", &v)) return false;
            if (v == "tsv")
                o.format = Format::Tsv;
            else if (v == "csv")
                o.format = Format::Csv;
            else if (v == "json")
                o.format = Format::Json;
            else {
                *error = "unknown format '" + v + "' (tsv, csv or json)";
                return false;
            }
        } else if (is(a, "--output")) {
            if (!valueOf(i, "--output", &v)) return false;
            if (v.empty()) {
                *error = "--output needs a file name";
                return false;
            }
            o.output = v;
        } else if (is(a, "--fix")) {
            if (!valueOf(i, "--fix", &v)) return false;
            if (v != "all") {
                *error = "--fix takes 'all'";
                return false;
            }
            o.fixAll = true;
        } else if (a == "--yes") {
            o.yes = true;
        } else if (is(a, "--undo")) {
            if (!valueOf(i, "--undo", &v)) return false;
            if (v.empty()) {
                *error = "--undo needs a file name";
                return false;
            }
            o.undo = v;
        } else {
            *error = "unknown argument '" + a + "'";
            return false;
        }
    }
    if (o.yes && !o.fixAll) {
        *error = "--yes is only for --fix all";
        return false;
    }
    if (!o.undo.empty() && !o.fixAll) {
        *error = "--undo is only for --fix all";
        return false;
    }
    *out = o;
    return true;
}

namespace {

std::string tsvField(const std::string& s) { return text::escapeTsv(s); }
std::string csvField(const std::string& s) { return text::escapeCsv(s); }

}  // namespace

std::string FormatRows(const Row& headers, const std::vector<Row>& rows, Format format) {
    std::string out;
    auto field = [&](const Row& r, size_t i) -> std::string { return i < r.size() ? r[i] : std::string(); };
    switch (format) {
        case Format::Tsv:
            for (const Row* r : std::vector<const Row*>{&headers}) {
                for (size_t i = 0; i < 6; ++i) out += (i ? "\t" : "") + tsvField(field(*r, i));
                out += "\n";
            }
            for (const Row& r : rows) {
                for (size_t i = 0; i < 6; ++i) out += (i ? "\t" : "") + tsvField(field(r, i));
                out += "\n";
            }
            break;
        case Format::Csv:
            for (size_t i = 0; i < 6; ++i) out += (i ? "," : "") + csvField(field(headers, i));
            out += "\r\n";
            for (const Row& r : rows) {
                for (size_t i = 0; i < 6; ++i) out += (i ? "," : "") + csvField(field(r, i));
                out += "\r\n";
            }
            break;
        case Format::Json: {
            static const char* const keys[] = {"location", "valueName", "valueData", "reason", "regType", "attributes"};
            std::vector<std::string> objects;
            objects.reserve(rows.size());
            for (const Row& r : rows) {
                std::string members;
                for (size_t i = 0; i < 6; ++i)
                    members += std::string(i ? ", " : "") + "\"" + keys[i] + "\": " + text::jsonString(field(r, i));
                objects.push_back(std::move(members));
            }
            out += text::jsonObjectList(objects);
            break;
        }
    }
    return out;
}

std::string FormatFindings(const std::vector<engine::Finding>& findings, const engine::Texts& texts, Format format) {
    const Row headers(texts.columns.begin(), texts.columns.end());
    std::vector<Row> rows;
    rows.reserve(findings.size());
    for (const engine::Finding& f : findings) {
        const engine::RowTexts r = engine::RowOf(f);
        rows.emplace_back(r.begin(), r.end());
    }
    return FormatRows(headers, rows, format);
}

namespace {

// The scan's result list: the findings in the order the walkers report them.
class ConsoleScan : public engine::ScanHost {
public:
    ConsoleScan(std::vector<engine::Finding>& rows, bool skipCdLan, std::vector<std::string> excludes)
        : rows_(rows), skip_(skipCdLan), excludes_(std::move(excludes)) {}
    void yield() override {}
    bool scanRunning() override { return true; }
    bool skipCdLan() override { return skip_; }
    const std::vector<std::string>& excludeTexts() override { return excludes_; }
    void appendFinding(engine::Finding f) override { rows_.push_back(std::move(f)); }
    long rowCount() override { return static_cast<long>(rows_.size()); }
    const engine::Finding& rowFinding(long i) override { return rows_.at(static_cast<size_t>(i)); }
    void removeRow(long i) override { rows_.erase(rows_.begin() + i); }
    long invalidCount() override { return count_; }
    void setInvalidCount(long n) override { count_ = n; }
    int progressValue() override { return progress_; }
    void setProgressValue(int v) override { progress_ = v; }

private:
    std::vector<engine::Finding>& rows_;
    bool skip_;
    std::vector<std::string> excludes_;
    long count_ = 0;
    int progress_ = 0;
};

// "Fix all": every row, to the end.
class ConsoleRepair : public engine::RepairHost {
public:
    explicit ConsoleRepair(std::vector<engine::Finding>& rows) : rows_(rows) {}
    long rowCount() override { return static_cast<long>(rows_.size()); }
    const engine::Finding& rowFinding(long i) override { return rows_.at(static_cast<size_t>(i)); }
    void removeRow(long i) override { rows_.erase(rows_.begin() + i); }
    bool rowChosen(long) override { return true; }
    bool stopped() override { return false; }
    void yield() override {}

private:
    std::vector<engine::Finding>& rows_;
};

// A message the window shows in a box, under the window's title.
void box(Console& console, const std::string& text) { console.err("Scourline: " + text + "\n"); }

int runScan(const std::vector<std::string>& args, plat::Services& services, Console& console);

}  // namespace

int Run(const std::vector<std::string>& args, plat::Services& services, Console& console) {
    // What could throw is running out of memory.
    return text::runWithCheckedOutput(console, "hivescan", kExitFailed, [&](Console& checked) {
        try {
            return runScan(args, services, checked);
        } catch (const std::exception& e) {
            checked.err(std::string("hivescan: ") + e.what() + "\n");
            return kExitFailed;
        }
    });
}

namespace {

int runScan(const std::vector<std::string>& args, plat::Services& services, Console& console) {
    Options opt;
    std::string error;
    if (!ParseArgs(args, &opt, &error)) {
        console.err("hivescan: " + error + "\n" + UsageText());
        return kExitUsage;
    }
    if (opt.help) {
        console.out(UsageText());
        return kExitOk;
    }
    if (opt.version) {
        console.out(std::string("hivescan ") + scl::kVersion + "\n");
        return kExitOk;
    }
    // An undo record is never written over another: a name that is taken is refused before
    // anything is scanned.
    if (!opt.undo.empty() && services.files.fileExists(opt.undo) != plat::Probe::Missing) {
        console.err("hivescan: the undo file '" + opt.undo +
                    "' exists already (or cannot be checked); name a new file: an undo file is never written over "
                    "another\n");
        return kExitUsage;
    }

    // The window's settings, read as the window reads them at start.
    const engine::Texts& texts = engine::TextsFor(engine::StartLanguage(services.files));
    const std::vector<bool> saved = engine::SavedAreaTicks(services.registry);
    // The skip option is a check box designed ticked; the window writes a saved state that
    // differs from that back at start, and so does its twin, so both leave the settings alike.
    int skip = 1;
    const int savedSkip = engine::SavedSkipCdLan(services.registry);
    if (savedSkip >= 0 && savedSkip != skip) {
        skip = savedSkip;
        engine::SaveCheckState(services.registry, "chkSkipCDLan", skip == 1);
    }
    const engine::ExcludeFile exclude = engine::LoadExclude(services.files, services.files.applicationFolder());
    if (exclude.state == engine::ExcludeFile::State::Unreadable) {
        // Scanning without the user's exclusions would list, and a fix delete, what they keep.
        console.err("hivescan: " + engine::ExcludeUnreadableText(exclude.path) + "\n");
        return kExitFailed;
    }

    // Areas and the skip option for this run only: nothing is saved.
    std::vector<engine::CategoryRow> areas;
    const std::vector<engine::ScanCategory>& categories = engine::ScanCategories();
    for (size_t i = 0; i < categories.size(); ++i) {
        const std::string& code = categories[i].code;
        const bool ticked = opt.areasGiven ? std::find(opt.areas.begin(), opt.areas.end(), code) != opt.areas.end()
                                           : i < saved.size() && saved[i];
        areas.push_back({code, ticked});
    }
    if (opt.skipCdNet >= 0) skip = opt.skipCdNet;

    std::vector<engine::Finding> rows;
    ConsoleScan scan(rows, skip == 1, engine::ExcludeTexts(exclude.entries));
    bool chosen = false;
    {
        engine::Scanner scanner(services.registry, services.files, scan, texts);
        chosen = scanner.RunCategories(areas);
    }
    if (!chosen) box(console, texts.noAreaMessage);
    engine::SweepExcluded(scan);
    const std::string statusText = [&] {
        std::string s = texts.totalLabel + std::to_string(scan.invalidCount());
        const std::string time = services.clock.timeOfDayText();
        return time.empty() ? s : s + "\t" + time;
    }();

    std::string result = FormatFindings(rows, texts, opt.format);
    // The rows are the record of what a fix deletes: they are written whole before anything is
    // deleted, and a fix without its record does not run.
    bool written = true;
    if (!opt.output.empty()) {
        if (long rc = services.files.writeFile(opt.output, result); rc != 0) {
            console.err("hivescan: cannot write '" + opt.output + "' (error " + std::to_string(rc) + ")\n");
            written = false;
        }
    } else if (!console.out(result)) {
        console.err("hivescan: cannot write the rows to standard output\n");
        written = false;
    }
    if (!written) {
        if (opt.fixAll && !rows.empty()) console.err("hivescan: nothing was deleted\n");
        return kExitFailed;
    }

    int status = kExitOk;
    if (opt.fixAll && !rows.empty()) {
        // The window's question, answered Yes with --yes, otherwise asked on the console.
        box(console, texts.removeConfirm);
        bool confirmed = opt.yes;
        if (!confirmed) {
            console.err("[y/N] ");
            const std::string a = text::toLower(text::trim(console.readLine()));
            confirmed = a == "y" || a == "yes";
        }
        if (confirmed) {
            ConsoleRepair repair(rows);
            if (!opt.undo.empty()) {
                // Every value about to be deleted goes to the record first; without it nothing is deleted.
                const engine::UndoCapture captured = engine::CaptureChosenValues(services.registry, repair);
                std::string problem = captured.problem;
                if (captured.ok) {
                    const engine::UndoFileResult file =
                        engine::WriteUndoFile(services.files, opt.undo, captured.values);
                    if (!file.ok) problem = "Nothing was deleted. " + file.problem;
                }
                if (!problem.empty()) {
                    box(console, problem);
                    console.err("hivescan: the undo file '" + opt.undo + "' was not written; nothing was deleted\n");
                    return kExitFailed;
                }
            }
            engine::RepairRows(services.registry, repair);
            // A row stays listed exactly when its value was not deleted: refused by the registry,
            // or changed since the scan.
            if (!rows.empty()) {
                for (const engine::Finding& f : rows)
                    console.err("not deleted: " + engine::LocationOf(f) + " | " + f.valueName + "\n");
                status = kExitFixLeftRows;
            }
        }
    }

    console.err(statusText + "\n");
    return status;
}

}  // namespace

}  // namespace hivescan
