#include "backup/backup_engine.h"

#include "common/files/backup_names.h"
#include "backup/own_record.h"
#include "backup/sha256.h"
#include "common/platform/error_text.h"
#include "common/text/text.h"

namespace backup {

namespace {
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorPathNotFound = 3;
}  // namespace

std::string DeleteFailureText(const DeleteResult& result, const std::string& shown) {
    switch (result.kind) {
        case DeleteResult::Busy: return kBusyFileText;
        case DeleteResult::Refused:
            return std::string(kDeleteFailedText) + "\r\n" + shown + "\r\n(" + plat::ErrorText(result.code) + ")";
        case DeleteResult::StillThere: return std::string(kDeleteStillThereText) + "\r\n" + shown;
        case DeleteResult::Deleted: break;
    }
    return "";
}

BackupEngine::~BackupEngine() {
    if (job_ != 0) svc_.editor.release(job_);
    if (importJob_ != 0) svc_.editor.release(importJob_);
}

std::string BackupEngine::BackupFolder() const {
    std::string folder = svc_.files.applicationFolder();
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder + "\\Backups\\";
}

std::vector<BackupRow> BackupEngine::List() const {
    const std::string folder = BackupFolder();
    const std::string dir = folder.substr(0, folder.size() - 1);
    std::vector<BackupRow> rows;
    if (svc_.files.folderExists(dir) != plat::Probe::Exists) return rows;
    const std::string sep = svc_.locale.decimalSeparator();
    for (const plat::FileEntry& f : svc_.files.listFiles(dir, "*.reg"))
        rows.push_back({f, DisplayNameOf(f.name), svc_.locale.shortDate(f.modified), SizeText(f.size, sep)});
    return rows;
}

bool BackupEngine::IsFollowed(const std::string& fileName) const {
    return following_ && text::equalNoCase(fileName, followFile_);
}

StartResult BackupEngine::StartBackup(const std::function<void(const std::string&)>& beforeExport) {
    if (following_) return StartResult::NotStarted;
    const std::string folder = BackupFolder();
    const std::string name = UniqueBackupName(BackupNameOf(svc_.clock.now()), [&](const std::string& file) {
        return svc_.files.stat(folder + file).has_value();
    });
    const std::string folderPath = folder.substr(0, folder.size() - 1);
    // Below Program Files a program without elevation may not write its own folder.
    if (!svc_.files.createFolder(folderPath) && svc_.files.folderExists(folderPath) == plat::Probe::Missing)
        return StartResult::FolderNotMade;
    RegistryEditor::Job job = 0;
    if (beforeExport) beforeExport(name + ".reg");
    if (!svc_.editor.startExport(folder + name + ".reg", &job))
        return svc_.editor.startError() == plat::kErrorCancelled ? StartResult::ConsentRefused
                                                                 : StartResult::NotStarted;
    job_ = job;
    following_ = true;
    progress_ = 100;
    followName_ = name;
    followFile_ = name + ".reg";
    lastSize_.reset();
    return StartResult::Started;
}

ExportState BackupEngine::Follow(const std::optional<plat::FileEntry>& file, const std::function<void()>& yield) {
    const bool running = svc_.editor.running(job_);
    if (file) progress_ = SizeHundredths(file->size);
    if (running) {
        // Still writing: the size seen now is what the next look compares with.
        lastSize_ = file ? std::optional<uint64_t>(file->size) : std::nullopt;
        return ExportState::Writing;
    }
    // The editor has ended. Its exit code says nothing (some editors report success on any
    // failure), so the file decides: present, not empty, a registry header, and the same size
    // as at the previous look.
    bool success = false;
    if (file && file->size != 0) {
        if (!lastSize_ || *lastSize_ != file->size) {
            lastSize_ = file->size;
            return ExportState::Writing;
        }
        // A whole-registry export runs to hundreds of MB; its first line is all that is tested.
        std::optional<std::string> bytes = svc_.files.readFileStart(BackupFolder() + file->name, kRegistryHeaderBytes);
        success = bytes && HasRegistryHeader(*bytes);
    }
    if (success) {
        inexact_.clear();
        inexactCount_ = 0;
        // Every value of the registry lies below these two (the current user's below the users',
        // the classes' below the machine's), whichever roots the editor's file names: each value
        // is looked at once, and the file itself, hundreds of MB, is not read.
        if (svc_.registry)
            inexact_ = FindInexactValues(*svc_.registry, {"HKEY_LOCAL_MACHINE", "HKEY_USERS"}, kValuesNamed,
                                         &inexactCount_, yield);
    }
    following_ = false;
    progress_ = 0;
    svc_.editor.release(job_);
    job_ = 0;
    followFile_.clear();
    lastSize_.reset();
    return success ? ExportState::Finished : ExportState::Failed;
}

std::string BackupEngine::PrepareRestore(const std::string& file, std::string* copyPath) {
    leftOut_.clear();
    const std::string path = BackupFolder() + file;
    std::optional<std::string> bytes = svc_.files.readFile(path);
    if (!bytes) return "the file cannot be read";
    // A backup hivesnap made is still the file it recorded when it made it: a file cut short
    // at the end of an entry looks whole otherwise.
    if (std::optional<std::string> record = svc_.files.readFile(BackupFolder() + kRecordName)) {
        for (const OwnBackup& b : ParseRecord(*record)) {
            if (b.writing || !text::equalNoCase(b.file, file)) continue;
            if (b.size != bytes->size() || (!b.sha256.empty() && b.sha256 != Sha256Hex(*bytes)))
                return kChangedSinceText;
        }
    }
    RegFileCheck check = CheckRegistryFile(*bytes);
    bytes.reset();
    if (!check.whole) return check.problem;
    const std::string copy = path + kRestoreCopySuffix;
    const long rc = svc_.files.writeFile(copy, check.copy);
    std::optional<plat::FileEntry> written = rc == 0 ? svc_.files.stat(copy) : std::nullopt;
    if (!written || written->size != check.copy.size()) {
        svc_.files.deleteFile(copy);
        return "the copy to import, " + copy + ", could not be written" +
               (rc != 0 ? " (error " + std::to_string(rc) + ")" : std::string());
    }
    leftOut_ = std::move(check.leftOut);
    *copyPath = copy;
    return "";
}

bool BackupEngine::StartImport(const std::string& copy) {
    TidyImport();
    RegistryEditor::Job job = 0;
    if (!svc_.editor.startImport(copy, &job)) {
        svc_.files.deleteFile(copy);
        return false;
    }
    importJob_ = job;
    importCopy_ = copy;
    return true;
}

void BackupEngine::TidyImport() {
    if (importJob_ == 0 || svc_.editor.running(importJob_)) return;
    svc_.editor.release(importJob_);
    importJob_ = 0;
    svc_.files.deleteFile(importCopy_);
    importCopy_.clear();
}

DeleteResult BackupEngine::Delete(const std::string& file) {
    if (IsFollowed(file)) return {DeleteResult::Busy, 0};
    const long rc = svc_.files.deleteFile(BackupFolder() + file);
    // A file that is gone already (removed by hand since the last refresh) counts as deleted.
    if (rc != 0 && rc != kErrorFileNotFound && rc != kErrorPathNotFound) return {DeleteResult::Refused, rc};
    // Some file systems answer success and keep the file (a folder that does not allow it):
    // only a file that is gone is deleted.
    if (svc_.files.stat(BackupFolder() + file)) return {DeleteResult::StillThere, 0};
    return {DeleteResult::Deleted, 0};
}

}  // namespace backup
