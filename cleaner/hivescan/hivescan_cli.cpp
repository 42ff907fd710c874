#include "cleaner/hivescan/hivescan_cli.h"

#include <algorithm>
#include <cstdio>

#include "cleaner/engine/categories.h"
#include "cleaner/ui/frm_main.h"
#include "common/registry/mdl_registry.h"
#include "common/text/cli_args.h"
#include "common/text/escape.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
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

namespace {

std::vector<Row> listRows(const ui::ListView& lv) {
    std::vector<Row> rows;
    for (int i = 0; i < lv.count(); ++i) {
        Row r;
        for (int c = 0; c < 6; ++c) r.push_back(lv.subItem(i, c));
        rows.push_back(std::move(r));
    }
    return rows;
}

}  // namespace

namespace {
int runScan(const std::vector<std::string>& args, plat::Services& services, Console& console);
}

int Run(const std::vector<std::string>& args, plat::Services& services, Console& console) {
    // The window's own handlers never throw; what could is the driver refusing a press that a
    // user could not make (a disabled command), or running out of memory.
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

    ui::HeadlessHost host;
    ui::Driver drv(host);
    // Every message box goes to standard error. An OK-only box is acknowledged; the repair's
    // question is answered Yes with --yes, otherwise asked on the console.
    bool fixing = false;
    bool fixConfirmed = false;
    host.fallbackAnswer = [&](const ui::MsgBoxRecord& box) {
        console.err((box.title.empty() ? "" : box.title + ": ") + box.text + "\n");
        int buttons = box.style & 0x0F;
        if (buttons == ui::mb::OkOnly) return ui::mb::Ok;
        if (buttons == ui::mb::YesNo || buttons == ui::mb::YesNoCancel) {
            if (!fixing) return ui::mb::No;
            if (!opt.yes) {
                console.err("[y/N] ");
                std::string a = text::toLower(text::trim(console.readLine()));
                if (a != "y" && a != "yes") return ui::mb::No;
            }
            fixConfirmed = true;
            return ui::mb::Yes;
        }
        if (buttons == ui::mb::OkCancel) return ui::mb::Ok;
        return ui::mb::Cancel;
    };

    cleaner::FrmMain::StartOptions start;
    start.singleInstance = false;
    start.showWizard = false;
    cleaner::FrmMain form(host, services, start);
    form.show();
    host.runPosted();
    if (form.excludeListUnreadable()) {
        // Scanning without the user's exclusions would list, and a fix delete, what they keep.
        console.err("hivescan: " + form.excludeListProblem() + "\n");
        return kExitFailed;
    }

    // Areas and the skip option for this run only: set as code does, so nothing is saved.
    if (opt.areasGiven) {
        for (int i = 0; i < form.lvLocations.count(); ++i) {
            const std::string& code = form.lvLocations.item(i).key;
            form.lvLocations.setChecked(i, std::find(opt.areas.begin(), opt.areas.end(), code) != opt.areas.end());
        }
    }
    if (opt.skipCdNet >= 0) form.chkSkipCDLan.setValue(opt.skipCdNet);
    // The window's saved "Keep an undo file" option is the window's: the twin writes a record
    // only where --undo names one.
    form.chkKeepUndo.setValue(0);

    drv.click(form.cmdScan);
    host.runPosted();

    Row headers;
    for (int c = 0; c < 6 && c < static_cast<int>(form.lvInvalidLoc.columns().size()); ++c)
        headers.push_back(form.lvInvalidLoc.columns()[c].text);
    std::vector<Row> rows = listRows(form.lvInvalidLoc);
    std::string result = FormatRows(headers, rows, opt.format);
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
        fixing = true;
        form.undoFilePath = opt.undo;
        drv.click(form.o5);
        host.runPosted();
        fixing = false;
        if (form.undoRecordFailed()) {
            console.err("hivescan: the undo file '" + opt.undo + "' was not written; nothing was deleted\n");
            return kExitFailed;
        }
        // A row stays listed exactly when its value was not deleted: refused by the registry,
        // or changed since the scan.
        if (fixConfirmed && form.lvInvalidLoc.count() > 0) {
            for (const Row& r : listRows(form.lvInvalidLoc)) console.err("not deleted: " + r[0] + " | " + r[1] + "\n");
            status = kExitFixLeftRows;
        }
    }

    std::string statusText;
    for (int i = 0; i < form.SBarMain.panelCount(); ++i) {
        if (form.SBarMain.panel(i).empty()) continue;
        if (!statusText.empty()) statusText += "\t";
        statusText += form.SBarMain.panel(i);
    }
    console.err(statusText + "\n");
    return status;
}

}  // namespace

}  // namespace hivescan
