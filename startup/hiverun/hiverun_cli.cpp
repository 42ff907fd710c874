#include "startup/hiverun/hiverun_cli.h"

#include <cstdlib>

#include "common/text/escape.h"
#include "common/text/cli_args.h"
#include "common/text/text.h"
#include "common/version.h"
#include "startup/cls_registry.h"
#include "startup/startup_model.h"
#include "startup/startup_module.h"

namespace hiverun {

const char* UsageText() {
    return "usage: hiverun list [--scope user|machine|machine32|all] [--place run|runonce|startup]\n"
           "                    [--format tsv|json]\n"
           "       hiverun add [--scope S] [--place run|runonce] NAME COMMAND\n"
           "       hiverun set [--scope S] [--place run|runonce] NAME COMMAND\n"
           "       hiverun rename [--scope S] [--place run|runonce] OLD NEW\n"
           "       hiverun remove [--scope S] [--place P] NAME\n"
           "       hiverun disable|enable [--scope S] [--place run|startup] NAME\n"
           "       hiverun --help | --version\n"
           "The programs Windows starts at log-on for the current user (--scope user, the default),\n"
           "for all users (--scope machine) or, for all users, from the 32-bit view of the registry\n"
           "(--scope machine32: the keys below HKLM\\Software\\WOW6432Node); all: every one, for list\n"
           "only. --place names the Run key (the default), the RunOnce key (run once at the next\n"
           "log-on) or the Startup folder (its files; shortcuts show their target).\n"
           "  list     name, command line, scope, program file, whether that file exists, place and\n"
           "           state (enabled, disabled, or once for RunOnce)\n"
           "  add      a new entry; a name that exists already (in any letter case) is refused\n"
           "  set      a new command line for an entry (an expandable string stays one)\n"
           "  rename   a new name for an entry; the entry is written under its new name before the\n"
           "           old one is removed, and keeps its state; in letter case only the old name\n"
           "           is deleted first and written back when the new write fails\n"
           "  remove   deletes an entry and its state; a Startup-folder file goes to the Recycle Bin\n"
           "  disable  keeps an entry from starting without deleting it (as Windows' own settings\n"
           "           do); enable lets it start again\n"
           "Names and commands are taken exactly as given; put \"--\" before a name that begins with \"-\".\n"
           "exit status: 0 done, 1 the registry refused (the reason follows), 2 usage error,\n"
           "             3 refused by a check (a name that exists already or does not exist, an\n"
           "             empty name or command, disabling a RunOnce entry)\n";
}

bool ParseArgs(const std::vector<std::string>& args, Options* out, std::string* error) {
    Options o;
    bool scopeGiven = false, formatGiven = false, whereGiven = false;
    auto option = [&](size_t& i, std::string* err) {
        const std::string& a = args[i];
        std::string v;
        if (text::isOption(a, "--scope")) {
            if (!text::optionValue(args, i, "--scope", &v, err)) return false;
            if (v == "user")
                o.scope = Scope::User;
            else if (v == "machine")
                o.scope = Scope::Machine;
            else if (v == "machine32")
                o.scope = Scope::Machine32;
            else if (v == "all")
                o.scope = Scope::All;
            else {
                *err = "unknown scope '" + v + "' (user, machine, machine32 or all)";
                return false;
            }
            scopeGiven = true;
            return true;
        }
        if (text::isOption(a, "--place")) {
            if (!text::optionValue(args, i, "--place", &v, err)) return false;
            if (v == "run")
                o.where = Where::Run;
            else if (v == "runonce")
                o.where = Where::RunOnce;
            else if (v == "startup")
                o.where = Where::Startup;
            else {
                *err = "unknown place '" + v + "' (run, runonce or startup)";
                return false;
            }
            whereGiven = true;
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
    if (!text::parseCommandLine(args, {"list", "add", "set", "rename", "remove", "disable", "enable"}, option, &line,
                                error))
        return false;
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
        case Command::Disable:
        case Command::Enable:
            want = 1;
            what = "disable and enable take NAME";
            break;
        case Command::None: break;
    }
    if (o.operands.size() != want) {
        *error = what;
        return false;
    }
    if (o.command == Command::List) {
        if (!scopeGiven) o.scope = Scope::All;
        if (!whereGiven) o.where = Where::Any;
    } else {
        if (o.scope == Scope::All) {
            *error = "--scope all is for list only";
            return false;
        }
        if (formatGiven) {
            *error = "--format is for list only";
            return false;
        }
        if (o.where == Where::Startup &&
            (o.command == Command::Add || o.command == Command::Set || o.command == Command::Rename)) {
            *error =
                "a Startup-folder file is listed, disabled, enabled and removed; add, set and rename are for "
                "the Run and RunOnce keys";
            return false;
        }
    }
    if (o.scope == Scope::Machine32 && o.where == Where::Startup) {
        *error = "the Startup folder has no 32-bit view (use --scope machine)";
        return false;
    }
    *out = o;
    return true;
}

std::string FormatEntries(const std::vector<Entry>& entries, Format format) {
    std::string out;
    if (format == Format::Tsv) {
        out = "name\tdata\tscope\tprogram\texists\tplace\tstate\n";
        for (const Entry& e : entries)
            out += text::escapeTsv(e.name) + "\t" + text::escapeTsv(e.data) + "\t" + e.scope + "\t" +
                   text::escapeTsv(e.program) + "\t" + (e.exists ? "yes" : "no") + "\t" + e.place + "\t" + e.state +
                   "\n";
        return out;
    }
    std::vector<std::string> objects;
    objects.reserve(entries.size());
    for (const Entry& e : entries)
        objects.push_back("\"name\": " + text::jsonString(e.name) + ", \"data\": " + text::jsonString(e.data) +
                          ", \"scope\": " + text::jsonString(e.scope) + ", \"program\": " +
                          text::jsonString(e.program) + ", \"exists\": " + (e.exists ? "true" : "false") +
                          ", \"place\": " + text::jsonString(e.place) + ", \"state\": " + text::jsonString(e.state));
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

using startup::PlaceId;
using startup::PlaceOf;

const char* ScopeWord(Scope s) {
    switch (s) {
        case Scope::Machine: return "machine";
        case Scope::Machine32: return "machine32";
        default: return "user";
    }
}

Scope ScopeOfPlace(PlaceId id) {
    const startup::Place& p = PlaceOf(id);
    if (p.root == plat::kHkeyCurrentUser) return Scope::User;
    return p.view32 ? Scope::Machine32 : Scope::Machine;
}

startup::PlaceKind KindOf(Where w) {
    return w == Where::RunOnce   ? startup::PlaceKind::RunOnce
           : w == Where::Startup ? startup::PlaceKind::Folder
                                 : startup::PlaceKind::Run;
}

// The one place a scope and a kind of place name (ParseArgs has refused the 32-bit folder).
PlaceId PlaceFor(Scope scope, Where where) {
    for (int id = 0; id < startup::kPlaceCount; ++id)
        if (ScopeOfPlace(static_cast<PlaceId>(id)) == scope && PlaceOf(id).kind == KindOf(where))
            return static_cast<PlaceId>(id);
    return startup::kUserRun;
}

const char* StateWord(startup::EntryState s) {
    switch (s) {
        case startup::EntryState::Disabled: return "disabled";
        case startup::EntryState::Once: return "once";
        case startup::EntryState::Enabled: break;
    }
    return "enabled";
}

// The startup model and the console around it for one run.
class Session {
public:
    Session(startup::StartupServices services, Console& console) : svc_(services), console_(console), model_(services) {
        model_.Read(plat::kHkeyCurrentUser);  // as the window opens on the current user's entries
    }

    int list(Scope scope, Where where, Format format) {
        std::vector<Entry> entries;
        int status = kExitOk;
        for (plat::RegHandle root : {plat::kHkeyCurrentUser, plat::kHkeyLocalMachine}) {
            bool shown = false;
            for (PlaceId id : startup::PlacesOfRoot(root)) {
                if (scope != Scope::All && scope != ScopeOfPlace(id)) continue;
                if (where != Where::Any && PlaceOf(id).kind != KindOf(where)) continue;
                if (!shown) choose(root);
                shown = true;
                if (!model_.readable(id)) {
                    // A missing Startup folder holds nothing; a key that cannot be read is an error.
                    if (startup::IsRegistryPlace(PlaceOf(id))) status = readRefused(id);
                    continue;
                }
                for (const startup::StartupEntry& e : model_.entries()) {
                    if (e.place != id) continue;
                    entries.push_back({e.Name, e.Data, ScopeWord(ScopeOfPlace(id)), e.program,
                                       startup::FileExists(svc_.files, e.program), PlaceOf(id).label,
                                       StateWord(e.state)});
                }
            }
        }
        if (!console_.out(FormatEntries(entries, format))) {
            console_.err("hiverun: cannot write the list to standard output\n");
            return kExitRefused;
        }
        return status;
    }

    int add(PlaceId place, const std::string& name, const std::string& data) {
        if (int rc = choosePlace(place); rc != kExitOk) return rc;
        if (int rc = judge(model_.Create(place, name, data), place); rc != kExitOk) return rc;
        if (!listedExactly(place, name, &data))
            return notKept("\"" + name + "\" is not listed after it was written", place);
        console_.out("added \"" + name + "\" to " + WhereText(place) + "\n");
        return kExitOk;
    }

    int set(PlaceId place, const std::string& name, const std::string& data) {
        if (int rc = choosePlace(place); rc != kExitOk) return rc;
        const startup::StartupEntry* e = find(place, name);
        if (!e) return noSuchEntry(name, place);
        const std::string listedName = e->Name;
        if (int rc = judge(model_.Modify(editOf(*e, listedName, data)), place); rc != kExitOk) return rc;
        if (!listedExactly(place, listedName, &data))
            return notKept("\"" + listedName + "\" does not show the new command line", place);
        console_.out("set \"" + listedName + "\" in " + WhereText(place) + "\n");
        return kExitOk;
    }

    int rename(PlaceId place, const std::string& oldName, const std::string& newName) {
        if (int rc = choosePlace(place); rc != kExitOk) return rc;
        const startup::StartupEntry* e = find(place, oldName);
        if (!e) return noSuchEntry(oldName, place);
        const std::string listedName = e->Name;
        const std::string data = e->Data;
        if (int rc = judge(model_.Modify(editOf(*e, newName, data)), place); rc != kExitOk) return rc;
        // The new name, in the letter case given, must be listed; the old one must be gone
        // unless it is the same name in another case.
        if (!listedExactly(place, newName, &data)) {
            const startup::StartupEntry* now = find(place, newName);
            if (now && now->Name != newName)
                return notKept("the entry kept its old letter case \"" + now->Name + "\"", place);
            return notKept("\"" + newName + "\" is not listed after the rename", place);
        }
        if (!text::equalNoCase(listedName, newName) && find(place, listedName))
            return notKept("\"" + listedName + "\" is still listed after the rename", place);
        console_.out("renamed \"" + listedName + "\" to \"" + newName + "\" in " + WhereText(place) + "\n");
        return kExitOk;
    }

    int remove(PlaceId place, const std::string& name) {
        if (int rc = choosePlace(place); rc != kExitOk) return rc;
        const startup::StartupEntry* e = find(place, name);
        if (!e) return noSuchEntry(name, place);
        const startup::StartupEntry entry = *e;
        if (int rc = judge(model_.Delete(entry), place); rc != kExitOk) return rc;
        if (find(place, entry.Name)) return notKept("\"" + entry.Name + "\" is still listed after removing it", place);
        const bool folder = !startup::IsRegistryPlace(PlaceOf(place));
        console_.out((folder ? "moved \"" + entry.Name + "\" to the Recycle Bin from "
                             : "removed \"" + entry.Name + "\" from ") +
                     WhereText(place) + "\n");
        return kExitOk;
    }

    int setState(PlaceId place, const std::string& name, bool enable) {
        if (int rc = choosePlace(place); rc != kExitOk) return rc;
        const startup::StartupEntry* e = find(place, name);
        if (!e) return noSuchEntry(name, place);
        const startup::StartupEntry entry = *e;
        const startup::EntryState want = enable ? startup::EntryState::Enabled : startup::EntryState::Disabled;
        const char* word = enable ? "enabled" : "disabled";
        if (entry.state == want) {
            console_.out("\"" + entry.Name + "\" in " + WhereText(place) + " is " + word + " already\n");
            return kExitOk;
        }
        // Only a disabled entry is enabled; a RunOnce entry cannot be disabled, and says why.
        if (enable && entry.state == startup::EntryState::Once) {
            console_.err(std::string("hiverun: refused: ") + startup::kRunOnceDisableText + "\n");
            return kExitCheck;
        }
        if (int rc = judge(model_.SetState(entry, enable), place); rc != kExitOk) return rc;
        const int now = model_.IndexOf(place, entry.Name);
        if (now < 0 || model_.entries()[now].state != want)
            return notKept("\"" + entry.Name + "\" is not shown " + word + " afterwards", place);
        console_.out(std::string(word) + " \"" + entry.Name + "\" in " + WhereText(place) + "\n");
        return kExitOk;
    }

private:
    // Reads the entries of one root, as the window's option buttons do.
    void choose(plat::RegHandle root) {
        if (root != model_.root()) model_.Read(root);
    }

    int choosePlace(PlaceId place) {
        choose(PlaceOf(place).root);
        if (!model_.readable(place)) return readRefused(place);
        return kExitOk;
    }

    static startup::EntryEdit editOf(const startup::StartupEntry& e, const std::string& newName,
                                     const std::string& data) {
        startup::EntryEdit edit;
        edit.place = e.place;
        edit.oldName = e.Name;
        edit.newName = newName;
        edit.data = data;
        edit.oldData = e.Data;
        edit.type = e.type;
        return edit;
    }

    std::string WhereText(PlaceId id) {
        const startup::Place& p = PlaceOf(id);
        if (startup::IsRegistryPlace(p)) return startup::KeyTextOf(p);
        const std::string path = model_.FolderPathOf(id);
        return std::string(p.root == plat::kHkeyCurrentUser ? "the user's" : "all users'") + " Startup folder" +
               (path.empty() ? "" : " " + path);
    }

    // The model reports only the fixed open error; the platform's code is asked again through
    // the startup manager's own registry class.
    int readRefused(PlaceId id) {
        const startup::Place& p = PlaceOf(id);
        if (!startup::IsRegistryPlace(p)) {
            console_.err("hiverun: the system names no folder for " + WhereText(id) + "\n");
            return kExitRefused;
        }
        startup::ClsRegistry reg(svc_.registry);
        reg.hKey(p.root);
        reg.SubKey(p.keyPath);
        long code = reg.Reg_OpenKey() ? 0 : reg.lastError();
        console_.err("hiverun: the registry refused to open " + WhereText(id) + ": " +
                     (code ? ReasonText(code) : std::string("it could not be read")) + "\n");
        return kExitRefused;
    }

    // Judges what a change had to tell, in order: the first refusal or failure decides. A
    // change that altered the places reads them again, as the window does; a key that cannot
    // be read then is reported as the window's open error is.
    int judge(const startup::Outcome& outcome, PlaceId place) {
        int status = kExitOk;
        for (const startup::Notice& n : outcome.notices) {
            if (status != kExitOk) break;
            switch (n.kind) {
                case startup::Notice::Kind::Refused:
                    console_.err("hiverun: refused: " + n.text + "\n");
                    status = kExitCheck;
                    break;
                case startup::Notice::Kind::OpenError: status = readRefused(place); break;
                case startup::Notice::Kind::Failed:
                    console_.err("hiverun: the registry refused: " + n.text + ": " + ReasonText(n.code) + hint(place) +
                                 "\n");
                    status = kExitRefused;
                    break;
            }
        }
        if (outcome.reread && !model_.Read(model_.root()) && status == kExitOk) status = readRefused(place);
        return status;
    }

    static std::string hint(PlaceId place) {
        return PlaceOf(place).root == plat::kHkeyLocalMachine
                   ? "\nhiverun: changing what starts for all users needs an administrator's rights "
                     "(run hiverun from an elevated command prompt)"
                   : "";
    }

    // The entry of that place: the name as given, else the same name in another letter case
    // (the registry or the folder holds one of them at most).
    const startup::StartupEntry* find(PlaceId place, const std::string& name) const {
        const startup::StartupEntry* caseless = nullptr;
        for (const startup::StartupEntry& e : model_.entries()) {
            if (e.place != place) continue;
            if (e.Name == name) return &e;
            if (!caseless && text::equalNoCase(e.Name, name)) caseless = &e;
        }
        return caseless;
    }

    bool listedExactly(PlaceId place, const std::string& name, const std::string* data) const {
        const int i = model_.IndexOf(place, name);
        return i >= 0 && (!data || model_.entries()[i].Data == *data);
    }

    int noSuchEntry(const std::string& name, PlaceId place) {
        console_.err("hiverun: refused: there is no entry \"" + name + "\" in " + WhereText(place) + "\n");
        return kExitCheck;
    }

    int notKept(const std::string& what, PlaceId place) {
        console_.err("hiverun: the registry did not keep the change: " + what + " in " + WhereText(place) + "\n");
        return kExitRefused;
    }

    startup::StartupServices svc_;
    Console& console_;
    startup::StartupModel model_;
};

int RunCommand(const Options& o, startup::StartupServices services, Console& console) {
    // An empty name would address the key's default value, which is no entry of its own.
    if (o.command != Command::List && o.command != Command::Add && o.operands[0].empty()) {
        console.err(std::string("hiverun: refused: ") + startup::kEmptyText + "\n");
        return kExitCheck;
    }
    Session s(services, console);
    const PlaceId place = PlaceFor(o.scope, o.where);
    switch (o.command) {
        case Command::List: return s.list(o.scope, o.where, o.format);
        case Command::Add: return s.add(place, o.operands[0], o.operands[1]);
        case Command::Set: return s.set(place, o.operands[0], o.operands[1]);
        case Command::Rename: return s.rename(place, o.operands[0], o.operands[1]);
        case Command::Remove: return s.remove(place, o.operands[0]);
        case Command::Disable: return s.setState(place, o.operands[0], false);
        case Command::Enable: return s.setState(place, o.operands[0], true);
        case Command::None: break;
    }
    return kExitUsage;
}

}  // namespace

int Run(const std::vector<std::string>& args, startup::StartupServices services, Console& console) {
    const text::TwinInfo info{"hiverun", UsageText(), scl::kVersion, kExitUsage, kExitRefused};
    return text::runTwin<Options>(args, console, info, ParseArgs,
                                  [&](const Options& o, Console& checked) { return RunCommand(o, services, checked); });
}

}  // namespace hiverun
