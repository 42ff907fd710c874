#include "cleaner/ui/undo_file.h"

#include "common/files/backup_names.h"

namespace cleaner {

namespace {

std::string backupFolder(plat::Files& files) {
    std::string folder = files.applicationFolder();
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder + "\\Backups";
}

}  // namespace

std::string RepairUndoFilePath(plat::Files& files, const plat::FileTime& now) {
    const std::string folder = backupFolder(files);
    const std::string name = backup::UniqueBackupName(backup::DatedName("Repair", now), [&](const std::string& file) {
        return files.fileExists(folder + "\\" + file) != plat::Probe::Missing;
    });
    return folder + "\\" + name + ".reg";
}

UndoFileResult WriteUndoFile(plat::Files& files, const std::string& path,
                             const std::vector<engine::UndoValue>& values) {
    UndoFileResult result;
    engine::UndoRecord record = engine::BuildUndoRecord(values);
    if (!record.ok) {
        result.problem = "The undo file cannot hold every value exactly: " + record.problem + ".";
        return result;
    }
    // Written beside its name and given the name only once whole, never over another file: a
    // write that fails (a full disk) leaves nothing under a record's name, and an older record
    // stays as it was.
    const long rc = files.writeNewFile(path, record.bytes);
    if (rc == plat::Files::kFileExists) {
        result.problem = "The undo file " + path + " exists already; an undo file is never written over another.";
        return result;
    }
    // Read back: a file that is there but not whole is no record.
    std::optional<std::string> written = rc == 0 ? files.readFile(path) : std::nullopt;
    if (rc != 0 || !written || *written != record.bytes) {
        // The name was free before the write: whatever is under it now is this write's part.
        if (files.stat(path)) files.deleteFile(path);
        result.problem = "The undo file " + path + " could not be written" +
                         (rc != 0 ? " (error " + std::to_string(rc) + ")." : " whole.");
        return result;
    }
    result.ok = true;
    result.path = path;
    return result;
}

UndoFileResult WriteRepairUndoFile(plat::Files& files, plat::Clock& clock,
                                   const std::vector<engine::UndoValue>& values) {
    const std::string folder = backupFolder(files);
    if (files.folderExists(folder) != plat::Probe::Exists) files.createFolder(folder);
    return WriteUndoFile(files, RepairUndoFilePath(files, clock.now()), values);
}

}  // namespace cleaner
