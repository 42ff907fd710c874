#include "startup/hiverun/hiverun_cli.h"

#include <cstdlib>
#include <stdexcept>

#include "common/text/escape.h"
#include "common/text/cli_args.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "common/version.h"
#include "startup/cls_registry.h"
#include "startup/frm_edit.h"
#include "startup/startup_module.h"

namespace hiverun {

const char* UsageText() {
    return "usage: hiverun list [--scope user|machine|all] [--format tsv|json]\n"
           "       hiverun add [--scope user|machine] NAME COMMAND\n"
           "       hiverun set [--scope user|machine] NAME COMMAND\n"
           "       hiverun rename [--scope user|machine] OLD NEW\n"
           "       hiverun remove [--scope user|machine] NAME\n"
           "       hiverun --help | --version\n"
           "The programs Windows starts at log-on from the Run key of the current user (--scope user,\n"
           "the default) or of the local machine (--scope machine; all: both, for list only).\n"
           "  list     name, command line, scope, program file and whether that file exists\n"
           "  add      a new entry; a name that exists already (in any letter case) is refused\n"
           "  set      a new command line for an entry\n"
           "  rename   a new name for an entry (also in letter case only); the entry is written\n"
           "           under its new name before the old one is removed\n"
           "  remove   deletes an entry\n"
           "Names and commands are taken exactly as given; put \"--\" before a name that begins with \"-\".\n"
           "exit status: 0 done, 1 the registry refused (the reason follows), 2 usage error,\n"
           "             3 refused by a check (a name that exists already or does not exist, an\n"
           "             empty name or command)\n";
}

bool ParseArgs(const std::vector<std::string>& args, Options* out, std::string* error) {
    Options o;
    bool scopeGiven = false, formatGiven = false;
    auto option = [&](size_t& i, std::string* err) {
        const std::string& a = args[i];
        std::string v;
        if (text::isOption(a, "--scope")) {
            if (!text::optionValue(args, i, "--scope", &v, err)) return false;
            if (v == "user")
                o.scope = Scope::User;
            else if (v == "machine")
                o.scope = Scope::Machine;
            else if (v == "all")
                o.scope = Scope::All;
            else {
                *err = "unknown scope '" + v + "' (user, machine or all)";
                return false;
            }
            scopeGiven = true;
            return true;
        }
        if (text::isOption(a, "--format")) {
            if (!text::optionValue(args, i, "--format", &v, err) || !text::listFormat(v, &o.format, err)) return false;
            formatGiven = true;
            return true;
        }
        return false;
    };
    text::CommandLine line;
    if (!text::parseCommandLine(args, {"list", "add", "set", "rename", "remove"}, option, &line, error)) return false;
    o.command = static_cast<Command>(line.command);
    o.operands = std::move(line.operands);
    o.help = line.help;
    o.version = line.version;
    if (o.help || o.version) {
        *out = o;
        return true;
    }
    if (o.command == Command::None) {
        *error = "no command given";
        return false;
    }
    size_t want = 0;
    const char* what = "";
    switch (o.command) {
        case Command::List:
            want = 0;
            what = "list takes no names";
            break;
        case Command::Add:
            want = 2;
            what = "add takes NAME and COMMAND";
            break;
        case Command::Set:
            want = 2;
            what = "set takes NAME and COMMAND";
            break;
        case Command::Rename:
            want = 2;
            what = "rename takes OLD and NEW";
            break;
        case Command::Remove:
            want = 1;
            what = "remove takes NAME";
            break;
        case Command::None: break;
    }
    if (o.operands.size() != want) {
        *error = what;
        return false;
    }
    if (o.command == Command::List) {
        if (!scopeGiven) o.scope = Scope::All;
    } else {
        if (o.scope == Scope::All) {
            *error = "--scope all is for list only";
            return false;
        }
        if (formatGiven) {
            *error = "--format is for list only";
            return false;
        }
    }
    *out = o;
    return true;
}

std::string FormatEntries(const std::vector<Entry>& entries, Format format) {
    std::string out;
    if (format == Format::Tsv) {
        out = "name\tdata\tscope\tprogram\texists\n";
        for (const Entry& e : entries)
            out += text::escapeTsv(e.name) + "\t" + text::escapeTsv(e.data) + "\t" + e.scope + "\t" +
                   text::escapeTsv(e.program) + "\t" + (e.exists ? "yes" : "no") + "\n";
        return out;
    }
    std::vector<std::string> objects;
    objects.reserve(entries.size());
    for (const Entry& e : entries)
        objects.push_back("\"name\": " + text::jsonString(e.name) + ", \"data\": " + text::jsonString(e.data) +
                          ", \"scope\": " + text::jsonString(e.scope) + ", \"program\": " +
                          text::jsonString(e.program) + ", \"exists\": " + (e.exists ? "true" : "false"));
    return text::jsonObjectList(objects);
}

std::string ReasonText(long code) {
    std::string what;
    switch (code) {
        case plat::kErrorFileNotFound: what = "not found"; break;
        case plat::kErrorAccessDenied: what = "access denied"; break;
        case plat::kErrorInvalidHandle: what = "invalid handle"; break;
        case plat::kErrorInvalidParameter: what = "invalid parameter"; break;
        case plat::kErrorBadKey: what = "the key is damaged"; break;
        case plat::kErrorKeyDeleted: what = "the key was deleted meanwhile"; break;
        default: what = "refused"; break;
    }
    return what + " (error " + std::to_string(code) + ")";
}

namespace {

const char* ScopeWord(Scope s) { return s == Scope::Machine ? "machine" : "user"; }

std::string RunKeyOf(Scope s) {
    return std::string(s == Scope::Machine ? "HKEY_LOCAL_MACHINE\\" : "HKEY_CURRENT_USER\\") + startup::kRunKeyPath;
}

// The window and the console around it for one run.
class Session {
public:
    Session(startup::StartupServices services, Console& console)
        : svc_(services), console_(console), drv_(host_), form_(host_, services) {
        // Every message box is kept for the command to judge. The delete question is answered
        // Yes only while a remove presses Delete; any other question is answered No.
        host_.fallbackAnswer = [this](const ui::MsgBoxRecord& box) {
            boxes_.push_back(box);
            int buttons = box.style & 0x0F;
            if (buttons == ui::mb::OkOnly) return ui::mb::Ok;
            if (buttons == ui::mb::YesNo && confirmDelete_ && box.text == startup::kDeleteQuestion) return ui::mb::Yes;
            if (buttons == ui::mb::YesNo || buttons == ui::mb::YesNoCancel) return ui::mb::No;
            return ui::mb::Cancel;
        };
        form_.show();
        host_.runPosted();
        shown_ = Scope::User;  // the window opens on the current user's entries
    }

    int list(Scope scope, Format format) {
        std::vector<Entry> entries;
        int status = kExitOk;
        for (Scope s : {Scope::User, Scope::Machine}) {
            if (scope != Scope::All && scope != s) continue;
            if (int rc = choose(s); rc != kExitOk) {
                status = rc;
                continue;
            }
            for (const auto& [name, data] : rows()) {
                std::string program = startup::ProgramFileOf(data);
                entries.push_back({name, data, ScopeWord(s), program, startup::FileExists(svc_.files, program)});
            }
        }
        if (!console_.out(FormatEntries(entries, format))) {
            console_.err("hiverun: cannot write the list to standard output\n");
            return kExitRefused;
        }
        return status;
    }

    int add(Scope scope, const std::string& name, const std::string& data) {
        if (int rc = choose(scope); rc != kExitOk) return rc;
        host_.onModal("frmCreate", [&](ui::Form& f) {
            auto& d = static_cast<startup::EntryDialog&>(f);
            drv_.type(d.txtName, name);
            drv_.type(d.txtData, data);
            drv_.click(d.cmdOK);
        });
        if (int rc = press(form_.cmdCreate, scope); rc != kExitOk) return rc;
        if (!listedExactly(name, &data)) return notKept("\"" + name + "\" is not listed after it was written", scope);
        console_.out("added \"" + name + "\" to " + RunKeyOf(scope) + "\n");
        return kExitOk;
    }

    int set(Scope scope, const std::string& name, const std::string& data) {
        if (int rc = choose(scope); rc != kExitOk) return rc;
        int row = findRow(name);
        if (row < 0) return noSuchEntry(name, scope);
        const std::string listedName = form_.ListView.text(row);
        drv_.clickRow(form_.ListView, row);
        host_.onModal("frmModify", [&](ui::Form& f) {
            auto& d = static_cast<startup::EntryDialog&>(f);
            drv_.type(d.txtData, data);
            drv_.click(d.cmdOK);
        });
        if (int rc = press(form_.cmdModify, scope); rc != kExitOk) return rc;
        if (!listedExactly(listedName, &data))
            return notKept("\"" + listedName + "\" does not show the new command line", scope);
        console_.out("set \"" + listedName + "\" in " + RunKeyOf(scope) + "\n");
        return kExitOk;
    }

    int rename(Scope scope, const std::string& oldName, const std::string& newName) {
        if (int rc = choose(scope); rc != kExitOk) return rc;
        int row = findRow(oldName);
        if (row < 0) return noSuchEntry(oldName, scope);
        const std::string listedName = form_.ListView.text(row);
        const std::string data = form_.ListView.subItem(row, 1);
        drv_.clickRow(form_.ListView, row);
        host_.onModal("frmModify", [&](ui::Form& f) {
            auto& d = static_cast<startup::EntryDialog&>(f);
            drv_.type(d.txtName, newName);
            drv_.click(d.cmdOK);
        });
        if (int rc = press(form_.cmdModify, scope); rc != kExitOk) return rc;
        // The new name, in the letter case given, must be listed; the old one must be gone
        // unless it is the same name in another case.
        if (!listedExactly(newName, &data)) {
            int now = findRow(newName);
            if (now >= 0 && form_.ListView.text(now) != newName)
                return notKept("the entry kept its old letter case \"" + form_.ListView.text(now) + "\"", scope);
            return notKept("\"" + newName + "\" is not listed after the rename", scope);
        }
        if (!text::equalNoCase(listedName, newName) && findRow(listedName) >= 0)
            return notKept("\"" + listedName + "\" is still listed after the rename", scope);
        console_.out("renamed \"" + listedName + "\" to \"" + newName + "\" in " + RunKeyOf(scope) + "\n");
        return kExitOk;
    }

    int remove(Scope scope, const std::string& name) {
        if (int rc = choose(scope); rc != kExitOk) return rc;
        int row = findRow(name);
        if (row < 0) return noSuchEntry(name, scope);
        const std::string listedName = form_.ListView.text(row);
        drv_.clickRow(form_.ListView, row);
        confirmDelete_ = true;
        int rc = press(form_.cmdDelete, scope);
        confirmDelete_ = false;
        if (rc != kExitOk) return rc;
        if (findRow(listedName) >= 0) return notKept("\"" + listedName + "\" is still listed after removing it", scope);
        console_.out("removed \"" + listedName + "\" from " + RunKeyOf(scope) + "\n");
        return kExitOk;
    }

private:
    // Shows the entries of one Run key, as the option buttons do.
    int choose(Scope s) {
        if (s != shown_) {
            drv_.click(form_.Option1[s == Scope::Machine ? 0 : 1]);
            shown_ = s;
        }
        if (!form_.KeyReadable()) return readRefused(s);
        return kExitOk;
    }

    // The window shows only its fixed open error; the platform's code is asked again through
    // the window's own registry class.
    int readRefused(Scope s) {
        startup::ClsRegistry reg(svc_.registry);
        reg.hKey(s == Scope::Machine ? plat::kHkeyLocalMachine : plat::kHkeyCurrentUser);
        reg.SubKey(startup::kRunKeyPath);
        long code = reg.Reg_OpenKey() ? 0 : reg.lastError();
        console_.err("hiverun: the registry refused to open " + RunKeyOf(s) + ": " +
                     (code ? ReasonText(code) : std::string("it could not be read")) + "\n");
        return kExitRefused;
    }

    // Presses a command of the window and judges the message boxes it showed.
    int press(ui::Button& command, Scope scope) {
        size_t first = boxes_.size();
        drv_.click(command);
        host_.runPosted();
        int status = kExitOk;
        for (size_t i = first; i < boxes_.size() && status == kExitOk; ++i) {
            const ui::MsgBoxRecord& box = boxes_[i];
            if (box.text == startup::kDeleteQuestion) continue;
            if (box.text == startup::kEmptyText || box.text == startup::kDuplicateText) {
                console_.err("hiverun: refused: " + box.text + "\n");
                status = kExitCheck;
            } else if (box.text == startup::kOpenErrorText) {
                status = readRefused(scope);
            } else {
                console_.err("hiverun: the registry refused: " + WithReason(box.text) + hint(scope) + "\n");
                status = kExitRefused;
            }
        }
        return status;
    }

    // "... (error 5)." read as "... : access denied (error 5)".
    static std::string WithReason(const std::string& text) {
        size_t at = text.rfind("(error ");
        if (at == std::string::npos) return text;
        long code = std::strtol(text.c_str() + at + 7, nullptr, 10);
        std::string head = text.substr(0, at);
        while (!head.empty() && head.back() == ' ') head.pop_back();
        return head + ": " + ReasonText(code);
    }

    static std::string hint(Scope scope) {
        return scope == Scope::Machine ? "\nhiverun: changing the machine's Run key needs an administrator's rights "
                                         "(run hiverun from an elevated command prompt)"
                                       : "";
    }

    std::vector<std::pair<std::string, std::string>> rows() const {
        std::vector<std::pair<std::string, std::string>> out;
        if (form_.EntriesEmpty) return out;  // the window's single empty row stands for "none"
        for (int i = 0; i < form_.ListView.count(); ++i)
            out.emplace_back(form_.ListView.text(i), form_.ListView.subItem(i, 1));
        return out;
    }

    // The row of an entry: the name as given, else the same name in another letter case (the
    // registry holds one of them at most).
    int findRow(const std::string& name) const {
        if (form_.EntriesEmpty) return -1;
        for (int i = 0; i < form_.ListView.count(); ++i)
            if (form_.ListView.text(i) == name) return i;
        for (int i = 0; i < form_.ListView.count(); ++i)
            if (text::equalNoCase(form_.ListView.text(i), name)) return i;
        return -1;
    }

    bool listedExactly(const std::string& name, const std::string* data) const {
        for (const auto& [n, d] : rows())
            if (n == name && (!data || d == *data)) return true;
        return false;
    }

    int noSuchEntry(const std::string& name, Scope scope) {
        console_.err("hiverun: refused: there is no entry \"" + name + "\" in " + RunKeyOf(scope) + "\n");
        return kExitCheck;
    }

    int notKept(const std::string& what, Scope scope) {
        console_.err("hiverun: the registry did not keep the change: " + what + " in " + RunKeyOf(scope) + "\n");
        return kExitRefused;
    }

    startup::StartupServices svc_;
    Console& console_;
    ui::HeadlessHost host_;
    ui::Driver drv_;
    startup::FrmMain form_;
    std::vector<ui::MsgBoxRecord> boxes_;
    Scope shown_ = Scope::User;
    bool confirmDelete_ = false;
};

int RunCommand(const Options& o, startup::StartupServices services, Console& console) {
    Session s(services, console);
    switch (o.command) {
        case Command::List: return s.list(o.scope, o.format);
        case Command::Add: return s.add(o.scope, o.operands[0], o.operands[1]);
        case Command::Set: return s.set(o.scope, o.operands[0], o.operands[1]);
        case Command::Rename: return s.rename(o.scope, o.operands[0], o.operands[1]);
        case Command::Remove: return s.remove(o.scope, o.operands[0]);
        case Command::None: break;
    }
    return kExitUsage;
}

}  // namespace

static int RunUnchecked(const std::vector<std::string>& args, startup::StartupServices services, Console& console) {
    Options o;
    std::string error;
    if (!ParseArgs(args, &o, &error)) {
        console.err("hiverun: " + error + "\n" + UsageText());
        return kExitUsage;
    }
    if (o.help) {
        console.out(UsageText());
        return kExitOk;
    }
    if (o.version) {
        console.out(std::string("hiverun ") + scl::kVersion + "\n");
        return kExitOk;
    }
    // The window's handlers do not throw; what could is the driver refusing a press a user
    // could not make, or running out of memory.
    try {
        return RunCommand(o, services, console);
    } catch (const std::exception& e) {
        console.err(std::string("hiverun: ") + e.what() + "\n");
        return kExitRefused;
    }
}

int Run(const std::vector<std::string>& args, startup::StartupServices services, Console& console) {
    return text::runWithCheckedOutput(console, "hiverun", kExitRefused,
                                      [&](Console& checked) { return RunUnchecked(args, services, checked); });
}

}  // namespace hiverun
