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

UndoFileResult WriteRepairUndoFile(plat::Files& files, plat::Clock& clock,
                                   const std::vector<engine::UndoValue>& values) {
    const std::string folder = backupFolder(files);
    if (files.folderExists(folder) != plat::Probe::Exists) files.createFolder(folder);
    return WriteUndoFile(files, RepairUndoFilePath(files, clock.now()), values);
}

}  // namespace cleaner
