#include "backup/hivesnap/hivesnap_cli.h"

#include <algorithm>
#include <cstdlib>

#include "backup/backup_engine.h"
#include "backup/registry_editor.h"
#include "backup/sha256.h"
#include "common/text/escape.h"
#include "common/text/cli_args.h"
#include "common/text/text.h"
#include "common/version.h"

namespace hivesnap {

const char* UsageText() {
    return "usage: hivesnap backup [--keep N]\n"
           "       hivesnap list [--format tsv|json]\n"
           "       hivesnap restore NAME --yes\n"
           "       hivesnap delete NAME\n"
           "       hivesnap --help | --version\n"
           "Whole-registry backups in the folder Backups beside the program, made and restored by\n"
           "the system's registry editor, as the backup window makes them.\n"
           "  backup     makes a dated backup and waits until its file is complete; prints its name\n"
           "  --keep N   then deletes all but the N newest backups that hivesnap made itself (never\n"
           "             a backup of the window or any other file)\n"
           "  list       name, date, size and whether hivesnap made the backup\n"
           "  restore    has the registry editor write the backup's keys and values back into the\n"
           "             registry (keys and values made since stay); --yes confirms it\n"
           "  delete     deletes a backup file\n"
           "NAME is a name as list prints it (\"Backup 26.12.06-16.45.36\").\n"
           "exit status: 0 done, 1 failed (the reason follows; an unfinished backup file is\n"
           "             deleted), 2 usage error, 3 refused by a check (no backup of that name,\n"
           "             a backup still being written)\n";
}

bool ParseArgs(const std::vector<std::string>& args, Options* out, std::string* error) {
    Options o;
    bool keepGiven = false, formatGiven = false;
    auto option = [&](size_t& i, std::string* err) {
        const std::string& a = args[i];
        std::string v;
        if (text::isOption(a, "--keep")) {
            if (!text::optionValue(args, i, "--keep", &v, err)) return false;
            char* end = nullptr;
            long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || v[0] == '-' || v[0] == '+' || n < 1 || n > 100000) {
                *err = "--keep needs a whole number of at least 1";
                return false;
            }
            o.keep = static_cast<int>(n);
            keepGiven = true;
            return true;
        }
        if (text::isOption(a, "--format")) {
            if (!text::optionValue(args, i, "--format", &v, err) || !text::listFormat(v, &o.format, err)) return false;
            formatGiven = true;
            return true;
        }
        if (a == "--yes") {
            o.yes = true;
            return true;
        }
        return false;
    };
    text::CommandLine line;
    if (!text::parseCommandLine(args, {"backup", "list", "restore", "delete"}, option, &line, error)) return false;
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
    const bool named = o.command == Command::Restore || o.command == Command::Delete;
    if (o.operands.size() != (named ? 1u : 0u)) {
        *error = named ? (o.command == Command::Restore ? "restore takes one NAME" : "delete takes one NAME")
                       : (o.command == Command::Backup ? "backup takes no names" : "list takes no names");
        return false;
    }
    if (keepGiven && o.command != Command::Backup) {
        *error = "--keep is for backup only";
        return false;
    }
    if (formatGiven && o.command != Command::List) {
        *error = "--format is for list only";
        return false;
    }
    if (o.yes && o.command != Command::Restore) {
        *error = "--yes is for restore only";
        return false;
    }
    if (o.command == Command::Restore && !o.yes) {
        *error = "restore writes the backup into the registry: add --yes to confirm it";
        return false;
    }
    *out = o;
    return true;
}

std::string FormatRows(const std::vector<Row>& rows, Format format) {
    std::string out;
    if (format == Format::Tsv) {
        out = "name\tdate\tsize\town\n";
        for (const Row& r : rows)
            out += text::escapeTsv(r.name) + "\t" + text::escapeTsv(r.date) + "\t" + text::escapeTsv(r.size) + "\t" +
                   (r.own ? "yes" : "no") + "\n";
        return out;
    }
    std::vector<std::string> objects;
    objects.reserve(rows.size());
    for (const Row& r : rows)
        objects.push_back("\"name\": " + text::jsonString(r.name) + ", \"date\": " + text::jsonString(r.date) +
                          ", \"size\": " + text::jsonString(r.size) + ", \"own\": " + (r.own ? "true" : "false"));
    return text::jsonObjectList(objects);
}

bool EndsAsACompleteExport(std::string_view tail) {
    static const std::string_view kWide("\r\0\n\0\r\0\n\0", 8);
    static const std::string_view kNarrow("\r\n\r\n", 4);
    auto endsWith = [&](std::string_view end) {
        return tail.size() >= end.size() && tail.substr(tail.size() - end.size()) == end;
    };
    return endsWith(kWide) || endsWith(kNarrow);
}

namespace {

constexpr int kPollMs = 500;
constexpr const char* kHintRights =
    "hivesnap: on Windows the registry editor needs an administrator's rights: run hivesnap from an elevated "
    "command prompt, or schedule it with the highest rights (schtasks /RL HIGHEST)\n";

// The shell as the registry editor starts it, remembering the last process started, so that an
// interrupted backup can end the export it started.
class TrackingShell : public plat::Shell {
public:
    explicit TrackingShell(plat::Shell& inner) : inner_(inner) {}
    bool startProcess(const std::string& program, const std::string& commandLine, plat::ShowState show,
                      plat::StartedProcess* out) override {
        bool ok = inner_.startProcess(program, commandLine, show, out);
        if (ok && out) last = *out;
        return ok;
    }
    long launch(const std::string& program, const std::string& parameters, plat::ShowState show,
                plat::StartedProcess* out) override {
        const long rc = inner_.launch(program, parameters, show, out);
        if (rc == 0 && out) {
            last = *out;
            if (tieNext && out->processId != 0) tieNext(out->processId);
        }
        tieNext = nullptr;
        return rc;
    }
    bool waitForForegroundClass(const std::string& windowClass, int timeoutMs,
                                const std::function<void()>& pump) override {
        return inner_.waitForForegroundClass(windowClass, timeoutMs, pump);
    }
    bool processRunning(const plat::StartedProcess& p) override { return inner_.processRunning(p); }
    void closeProcess(plat::StartedProcess& p) override {
        if (p.handle == last.handle) last = {};
        inner_.closeProcess(p);
    }
    bool waitForForegroundWindow(uint32_t processId, int timeoutMs) override {
        return inner_.waitForForegroundWindow(processId, timeoutMs);
    }
    intptr_t shellExecute(uintptr_t owner, const std::string& verb, const std::string& file, const std::string& params,
                          const std::string& directory, plat::ShowState show, bool synchronous) override {
        return inner_.shellExecute(owner, verb, file, params, directory, show, synchronous);
    }
    bool sendKeys(const std::string& keys) override { return inner_.sendKeys(keys); }
    bool anotherInstanceRunning(const std::string& id) override { return inner_.anotherInstanceRunning(id); }

    plat::StartedProcess last;              // the last process started and not yet closed by its owner
    std::function<void(uint32_t)> tieNext;  // runs on the next process started, once

private:
    plat::Shell& inner_;
};

class Session {
public:
    Session(Services services, Console& console)
        : svc_(services),
          console_(console),
          shell_(services.shell),
          editor_(shell_, services.files),
          engine_({services.files, services.clock, editor_, services.locale, services.registry}) {
        rows_ = engine_.List();
        folder_ = engine_.BackupFolder();
        tidyLeftovers();
    }

    int backup(int keep) {
        if (int rc = checkFolderWritable(); rc != kExitOk) return rc;
        // The export's file is in the record before the editor makes it, and the editor ends
        // with this process: a run that is killed leaves no file that a later run does not know.
        const backup::StartResult started = engine_.StartBackup([this](const std::string& file) { noteWriting(file); });
        if (started == backup::StartResult::NotStarted) {
            forgetWriting(writingFile_);
            console_.err(std::string("hivesnap: ") + backup::kNotStartedText + "\n" + kHintRights);
            return kExitFailed;
        }
        if (!writingNoted_)
            console_.err("hivesnap: the backup being written could not be noted in " + folder_ + kRecordName +
                         ": should this run be killed, its file is not known to a later one\n");
        const std::string name = engine_.FollowedName();
        // The first look comes at once, as the window's: an export that ended without a file
        // did not start.
        backup::ExportState state = backup::ExportState::Failed;
        if (started == backup::StartResult::Started) state = look();
        if (!engine_.Following()) {
            console_.err("hivesnap: the backup did not start\n");
            return kExitFailed;
        }
        const std::string file = name + ".reg";
        const plat::StartedProcess exportProcess = shell_.last;
        console_.err("hivesnap: writing " + folder_ + file + "\n");
        // The window looks every five seconds; the console looks more often, with the same rule
        // for when the export is complete.
        while (engine_.Following()) {
            if (console_.interrupted && console_.interrupted()) return interrupted(exportProcess, file);
            console_.sleep(kPollMs);
            state = look();
        }
        if (state != backup::ExportState::Finished) {
            console_.err(std::string("hivesnap: ") + backup::kFailedText + "\n");
            removeUnfinished(file);
            return kExitFailed;
        }
        std::optional<plat::FileEntry> made = svc_.files.stat(folder_ + file);
        std::optional<std::string> tail = readTail(folder_ + file, 64);
        if (!made || !tail || !EndsAsACompleteExport(*tail)) {
            console_.err(
                "hivesnap: the registry editor ended before the backup was complete (the file stops in the "
                "middle of the registry)\n");
            removeUnfinished(file);
            return kExitFailed;
        }
        int status = kExitOk;
        if (!console_.out(name + "\n")) {
            console_.err("hivesnap: cannot write the backup's name to standard output\n");
            status = kExitFailed;
        }
        int row = rowOfFile(file);
        console_.err("hivesnap: backup complete: " + name + (row >= 0 ? " (" + rows_[row].size + ")" : std::string()) +
                     "\n");
        if (engine_.InexactCount() > 0)
            console_.err("hivesnap: the backup is kept, but its file cannot put back exactly " +
                         std::to_string(engine_.InexactCount()) + " value(s) (a restore changes them or leaves them " +
                         "as they are then); the first:\n" +
                         backup::DescribeValues(engine_.InexactValues(), 5, engine_.InexactCount()));

        // What is recorded is what was made: its size and SHA-256 now, read in one go.
        OwnBackup made_;
        made_.file = file;
        if (std::optional<std::string> bytes = svc_.files.readFile(folder_ + file)) {
            made_.size = bytes->size();
            made_.sha256 = backup::Sha256Hex(*bytes);
        } else {
            made_.size = made->size;
        }
        std::vector<OwnBackup> own = ownBackups();
        own.push_back(made_);
        if (keep > 0 && static_cast<int>(own.size()) > keep && prune(&own, keep) != kExitOk) status = kExitFailed;
        if (!saveRecord(withOthersWriting(own))) {
            console_.err("hivesnap: the backup is complete, but it could not be noted in " + folder_ + kRecordName +
                         ": --keep will not delete it\n");
        }
        return status;
    }

    int list(Format format) {
        std::vector<OwnBackup> own = ownBackups();
        std::vector<Row> rows;
        for (const backup::BackupRow& r : rows_) {
            bool mine = std::any_of(own.begin(), own.end(), [&](const OwnBackup& b) { return b.file == r.file.name; });
            rows.push_back({r.name, r.date, r.size, mine});
        }
        if (!console_.out(FormatRows(rows, format))) {
            console_.err("hivesnap: cannot write the list to standard output\n");
            return kExitFailed;
        }
        return kExitOk;
    }

    int restore(const std::string& name) {
        int row = findRow(name);
        if (row < 0) return noSuchBackup(name);
        const std::string shown = rows_[row].name;
        const std::string file = rows_[row].file.name;
        if (engine_.IsFollowed(file)) {
            console_.err(std::string("hivesnap: refused: ") + backup::kBusyFileText + "\n");
            return kExitCheck;
        }
        // The file is checked and a copy of what passed is imported, so that what the editor
        // reads is what was checked.
        std::string copy;
        const std::string problem = engine_.PrepareRestore(file, &copy);
        if (!problem.empty()) {
            console_.err("hivesnap: " + shown + " is not restored, nothing was imported: " + problem + ".\n");
            return kExitFailed;
        }
        if (!engine_.StartImport(copy) || engine_.ImportJob() == 0) {
            console_.err(std::string("hivesnap: ") + backup::kNotStartedText + "\n" + kHintRights);
            return kExitFailed;
        }
        if (!engine_.LeftOutValues().empty())
            console_.err("hivesnap: " + std::to_string(engine_.LeftOutValues().size()) +
                         " value(s) left out of the restore, kept as they are (the registry editor cut their names, "
                         "so the file holds them under a name that is not their own):\n" +
                         backup::DescribeValues(engine_.LeftOutValues(), 5));
        console_.err("hivesnap: the registry editor is restoring " + shown + "\n");
        while (editor_.running(engine_.ImportJob())) {
            if (console_.interrupted && console_.interrupted()) {
                console_.err("hivesnap: interrupted; the registry editor goes on with the restore on its own\n");
                return kExitFailed;
            }
            console_.sleep(kPollMs / 5);
        }
        refresh();  // tidies the imported copy
        if (!console_.out("restored " + shown + "\n")) return kExitFailed;
        return kExitOk;
    }

    int remove(const std::string& name) {
        int row = findRow(name);
        if (row < 0) return noSuchBackup(name);
        const std::string shown = rows_[row].name;
        if (int rc = deleteRow(row); rc != kExitOk) return rc;
        if (!console_.out("deleted " + shown + "\n")) return kExitFailed;
        return kExitOk;
    }

private:
    // Reads the list again and looks at the followed export, as the window's timer does.
    backup::ExportState look() {
        refresh();
        std::optional<plat::FileEntry> followed;
        for (const backup::BackupRow& r : rows_)
            if (engine_.IsFollowed(r.file.name)) followed = r.file;
        if (!engine_.Following()) return backup::ExportState::Failed;
        return engine_.Follow(followed, [] {});
    }

    void refresh() {
        engine_.TidyImport();
        rows_ = engine_.List();
    }

    void noteWriting(const std::string& file) {
        std::vector<OwnBackup> record = readRecord();
        OwnBackup b;
        b.file = file;
        b.writing = true;
        b.writer = ownId();
        record.push_back(b);
        writingFile_ = file;
        writingNoted_ = saveRecord(record);
        shell_.tieNext = console_.tieToThisProcess;
    }

    // The folder is made as the window makes it; whether a file can be written there is tried
    // before the registry editor spends its time on an export it cannot save.
    int checkFolderWritable() {
        std::string dir = folder_.substr(0, folder_.size() - 1);
        svc_.files.createFolder(dir);
        if (svc_.files.folderExists(dir) != plat::Probe::Exists) {
            console_.err("hivesnap: the backup folder " + dir + " cannot be made\n");
            return kExitFailed;
        }
        const std::string probe = folder_ + "hivesnap-write-test.tmp";
        if (long rc = svc_.files.writeFile(probe, "x"); rc != 0) {
            console_.err("hivesnap: the backup folder " + dir + " cannot be written (error " + std::to_string(rc) +
                         ")\n");
            svc_.files.deleteFile(probe);
            return kExitFailed;
        }
        svc_.files.deleteFile(probe);
        return kExitOk;
    }

    int interrupted(const plat::StartedProcess& exportProcess, const std::string& file) {
        console_.err("hivesnap: interrupted: ending the registry editor's export\n");
        if (exportProcess.processId != 0 && console_.endProcess) console_.endProcess(exportProcess.processId);
        for (int i = 0; i < 100 && exportProcess.handle != 0 && shell_.processRunning(exportProcess); ++i)
            console_.sleep(100);
        removeUnfinished(file);
        return kExitFailed;
    }

    // Deletes the file of a backup that did not complete, so that no half-written backup is
    // left to be restored later.
    void removeUnfinished(const std::string& file) {
        const std::string path = folder_ + file;
        long rc = 0;
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (!svc_.files.stat(path)) {
                if (attempt > 0) console_.err("hivesnap: the unfinished file " + path + " was deleted\n");
                forgetWriting(file);
                return;
            }
            rc = svc_.files.deleteFile(path);
            if (rc == 0) continue;
            console_.sleep(250);  // the editor may still hold the file for a moment
        }
        console_.err("hivesnap: the unfinished file " + path + " could not be deleted (error " + std::to_string(rc) +
                     "): do not restore it\n");
    }

    // Takes this run's "writing" line of the file out of the record.
    void forgetWriting(const std::string& file) {
        std::vector<OwnBackup> record = readRecord(), kept;
        for (const OwnBackup& b : record)
            if (!(b.writing && b.writer == ownId() && b.file == file)) kept.push_back(b);
        if (kept.size() != record.size()) saveRecord(kept);
    }

    std::optional<std::string> readTail(const std::string& path, size_t bytes) {
        if (console_.readTail) return console_.readTail(path, bytes);
        std::optional<std::string> all = svc_.files.readFile(path);
        if (all && all->size() > bytes) return all->substr(all->size() - bytes);
        return all;
    }

    // Deletes older backups of hivesnap's own until `keep` remain, through the window's Delete.
    int prune(std::vector<OwnBackup>* own, int keep) {
        int status = kExitOk;
        std::vector<OwnBackup> kept;
        size_t excess = own->size() - static_cast<size_t>(keep);
        for (size_t i = 0; i < own->size(); ++i) {
            const OwnBackup& b = (*own)[i];
            int row = rowOfFile(b.file);
            if (i >= excess || row < 0) {
                kept.push_back(b);
                continue;
            }
            const std::string shown = rows_[row].name;
            if (deleteRow(row) == kExitOk) {
                console_.err("hivesnap: deleted the older backup " + shown + "\n");
            } else {
                kept.push_back(b);
                status = kExitFailed;
            }
        }
        *own = kept;
        return status;
    }

    int deleteRow(int row) {
        const backup::DeleteResult done = engine_.Delete(rows_[row].file.name);
        if (done.kind == backup::DeleteResult::Busy) {
            console_.err(std::string("hivesnap: refused: ") + backup::kBusyFileText + "\n");
            return kExitCheck;
        }
        if (done.kind != backup::DeleteResult::Deleted) {
            console_.err(
                "hivesnap: " + text::replaceAll(backup::DeleteFailureText(done, rows_[row].name), "\r\n", " ") + "\n");
            return kExitFailed;
        }
        rows_.erase(rows_.begin() + row);
        return kExitOk;
    }

    std::vector<OwnBackup> readRecord() {
        std::optional<std::string> record = svc_.files.readFile(folder_ + kRecordName);
        return record ? ParseRecord(*record) : std::vector<OwnBackup>();
    }

    uint32_t ownId() const { return console_.processId ? console_.processId() : 0; }
    bool alive(uint32_t id) const { return id != 0 && console_.processAlive && console_.processAlive(id); }

    // hivesnap's own backups, oldest first: backups of the folder that the list shows, each
    // once, that still have the size recorded when they were made.
    std::vector<OwnBackup> ownBackups() {
        std::vector<OwnBackup> out;
        for (const OwnBackup& b : readRecord()) {
            if (b.writing || !backup::IsPlainFileName(b.file) || rowOfFile(b.file) < 0) continue;
            bool twice = false;
            for (const OwnBackup& o : out) twice = twice || text::equalNoCase(o.file, b.file);
            if (twice) continue;
            std::optional<plat::FileEntry> now = svc_.files.stat(folder_ + b.file);
            if (now && now->size == b.size) out.push_back(b);
        }
        return out;
    }

    // The record to write: these backups, and the backups other runs of hivesnap are writing now.
    std::vector<OwnBackup> withOthersWriting(std::vector<OwnBackup> own) {
        for (const OwnBackup& b : readRecord())
            if (b.writing && b.writer != ownId() && alive(b.writer)) own.push_back(b);
        return own;
    }

    // A backup left "writing" by a run that no longer runs (killed while the editor exported) is
    // unfinished: its file is deleted, and its line goes once the file is gone.
    void tidyLeftovers() {
        std::vector<OwnBackup> record = readRecord();
        bool changed = false;
        std::vector<OwnBackup> kept;
        for (const OwnBackup& b : record) {
            if (b.writing && !alive(b.writer) && backup::IsPlainFileName(b.file)) {
                const std::string path = folder_ + b.file;
                const bool there = svc_.files.stat(path).has_value();
                if (there) svc_.files.deleteFile(path);
                if (!svc_.files.stat(path)) {
                    if (there)
                        console_.err("hivesnap: the unfinished backup " + path + " of an interrupted run is deleted\n");
                    changed = true;
                    continue;
                }
            }
            kept.push_back(b);
        }
        if (changed) {
            saveRecord(kept);
            refresh();
        }
    }

    bool saveRecord(const std::vector<OwnBackup>& own) {
        return svc_.files.replaceFile(folder_ + kRecordName, RecordText(own)) == 0;
    }

    int rowOfFile(const std::string& file) const {
        for (size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].file.name == file) return static_cast<int>(i);
        return -1;
    }

    // The row of the backup that the list shows under this name: the exact text, else the one
    // row whose text it is in another letter case (as the file system compares names). A file
    // name is not a list name: "Backup A.reg" is the row of "Backup A.reg.reg", never of
    // "Backup A.reg".
    int findRow(const std::string& name) const {
        int noCase = -1, noCaseHits = 0;
        for (size_t i = 0; i < rows_.size(); ++i) {
            const std::string& text = rows_[i].name;
            if (text == name) return static_cast<int>(i);
            if (text::equalNoCase(text, name)) noCase = static_cast<int>(i), ++noCaseHits;
        }
        return noCaseHits == 1 ? noCase : -1;
    }

    int noSuchBackup(const std::string& name) {
        console_.err("hivesnap: refused: there is no backup \"" + name + "\" in " + folder_ + "\n");
        return kExitCheck;
    }

    Services svc_;
    Console& console_;
    TrackingShell shell_;
    backup::ShellRegistryEditor editor_;
    backup::BackupEngine engine_;
    std::vector<backup::BackupRow> rows_;  // the list as last read, less the backups deleted since
    std::string folder_;
    bool writingNoted_ = false;
    std::string writingFile_;
};

int RunCommand(const Options& o, Services services, Console& console) {
    Session s(services, console);
    switch (o.command) {
        case Command::Backup: return s.backup(o.keep);
        case Command::List: return s.list(o.format);
        case Command::Restore: return s.restore(o.operands[0]);
        case Command::Delete: return s.remove(o.operands[0]);
        case Command::None: break;
    }
    return kExitUsage;
}

}  // namespace

int Run(const std::vector<std::string>& args, Services services, Console& console) {
    const text::TwinInfo info{"hivesnap", UsageText(), scl::kVersion, kExitUsage, kExitFailed};
    return text::runTwin<Options>(args, console, info, ParseArgs,
                                  [&](const Options& o, Console& checked) { return RunCommand(o, services, checked); });
}

}  // namespace hivesnap
