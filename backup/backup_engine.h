// The backups of the folder Backups beside the program, and what is done with them: the list
// with each backup's date and size, a new backup through the registry editor's export followed
// until its file is complete, a restore through the editor's import of a checked copy, and a
// delete that counts only a file that is gone. The window and hivesnap both call it; what they
// show of each step is their own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "backup/reg_file.h"
#include "backup/registry_editor.h"
#include "common/platform/clock.h"
#include "common/platform/files.h"
#include "common/platform/locale.h"
#include "common/platform/registry.h"

namespace backup {

struct BackupServices {
    plat::Files& files;
    plat::Clock& clock;
    RegistryEditor& editor;
    plat::Locale& locale;
    // Read after a backup for the values its file cannot put back exactly; none: not looked at.
    plat::Registry* registry = nullptr;
};

// What the window and hivesnap say when a step does not happen.
inline constexpr const char* kFailedText =
    "The backup failed: the registry editor ended without writing a complete registry file.";
inline constexpr const char* kNotStartedText = "The registry editor could not be started.";
inline constexpr const char* kBusyFileText = "This backup is still being written. Please wait until it is finished.";
inline constexpr const char* kDeleteFailedText = "The backup file could not be deleted:";
inline constexpr const char* kDeleteStillThereText =
    "The backup file is still there after the delete (the folder may not allow it to be deleted):";
inline constexpr const char* kNotRestoredText = "This backup cannot be restored, and nothing was imported:";
inline constexpr const char* kChangedSinceText =
    "the file is not the one that was made (its size or contents differ from what hivesnap recorded when it "
    "made it)";
// The copy of a backup that is imported, beside it: checked, and without the values left out.
inline constexpr const char* kRestoreCopySuffix = ".restoring.tmp";
// How many values a message names.
inline constexpr size_t kValuesNamed = 10;

// One backup of the folder, as the list shows it.
struct BackupRow {
    plat::FileEntry file;  // its file (name, size, time)
    std::string name;      // the name shown: the file name without ".reg"
    std::string date;      // the file's date in the user's short form
    std::string size;      // "12.5 MB"
};

enum class StartResult { Started, FolderNotMade, NotStarted, ConsentRefused };

// What a look at the followed export found.
enum class ExportState {
    Writing,   // the editor still writes, or the file still grows: its size shows "Now processed..."
    Finished,  // the file is complete
    Failed,    // the editor ended without a complete registry file
};

struct DeleteResult {
    enum Kind { Deleted, Busy, Refused, StillThere } kind = Deleted;
    long code = 0;  // Refused: the platform's code
};

// Why a delete did not happen, for the user: lines ended by CR LF naming the backup (shown).
std::string DeleteFailureText(const DeleteResult& result, const std::string& shown);

class BackupEngine {
public:
    explicit BackupEngine(BackupServices services) : svc_(services) {}
    ~BackupEngine();
    BackupEngine(const BackupEngine&) = delete;
    BackupEngine& operator=(const BackupEngine&) = delete;

    // The backup folder with its trailing backslash.
    std::string BackupFolder() const;
    // The backups of the folder, in the order the folder lists them.
    std::vector<BackupRow> List() const;

    // Starts the export of a new backup under the first free dated name; `beforeExport` runs
    // with its file name just before the editor is started.
    StartResult StartBackup(const std::function<void(const std::string& fileName)>& beforeExport);
    bool Following() const { return following_; }
    // The backup name and the file of the export being followed.
    const std::string& FollowedName() const { return followName_; }
    bool IsFollowed(const std::string& fileName) const;
    // Looks at the followed export as a fresh list found its file (none: not there). An export
    // that has ended is followed no more; a complete one is then searched for the values its
    // file cannot put back exactly, with `yield` run now and then.
    ExportState Follow(const std::optional<plat::FileEntry>& file, const std::function<void()>& yield);
    // The size in hundredths of a MB seen at the last look, 100 at the start.
    uint64_t ProgressHundredths() const { return progress_; }
    // The values the last backup's file cannot put back exactly (the first kValuesNamed) and
    // how many there are.
    const std::vector<ValueRef>& InexactValues() const { return inexact_; }
    size_t InexactCount() const { return inexactCount_; }

    // Checks a backup and writes the copy to import; why it cannot be restored, "" when it can.
    std::string PrepareRestore(const std::string& fileName, std::string* copyPath);
    // The values the last prepared restore leaves out.
    const std::vector<ValueRef>& LeftOutValues() const { return leftOut_; }
    // Starts the import of a prepared copy (deleted again when the editor does not start).
    bool StartImport(const std::string& copyPath);
    RegistryEditor::Job ImportJob() const { return importJob_; }
    // Deletes the imported copy once its import has ended.
    void TidyImport();
    // Why the editor did not start: plat::kErrorCancelled when the user refused it the rights.
    long StartError() const { return svc_.editor.startError(); }

    // Deletes a backup file; one gone already counts as deleted.
    DeleteResult Delete(const std::string& fileName);

private:
    BackupServices svc_;
    bool following_ = false;
    std::string followName_;
    std::string followFile_;            // the real file name of the followed export
    std::optional<uint64_t> lastSize_;  // its size at the last look
    uint64_t progress_ = 0;
    RegistryEditor::Job job_ = 0;
    std::vector<ValueRef> inexact_;
    size_t inexactCount_ = 0;
    std::vector<ValueRef> leftOut_;
    RegistryEditor::Job importJob_ = 0;
    std::string importCopy_;
};

}  // namespace backup
