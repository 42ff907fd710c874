// The backup program's window: the registry backups of the folder Backups with their date
// and size, New Backup through the registry editor's export followed until the file is
// complete, Restore through its import, and Delete.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>
#include <optional>
#include <string>

#include "backup/backup_engine.h"
#include "common/ui/form.h"

namespace backup {

inline constexpr const char* kAppTitle = "Scourline";
inline constexpr const char* kCaption = "Scourline - Registry Backup";
inline constexpr const char* kDescription =
    "Scourline lets you backup and restore the Registry with just one click of the mouse. Use it to create the "
    "snapshots of your Windows registry before making changes to your system or installing new applications, and "
    "gain confidence that you will be able to restore your previous system configuration if things go wrong!";
inline constexpr const char* kNowProcessed = "Now processed...";
inline constexpr const char* kFinishedText = "Backup finished.";
inline constexpr const char* kFolderNotMadeText =
    "The backup folder could not be created, so no backup was made: this program may not write in its "
    "own folder here (it needs administrator rights there, or another place to be installed).";
inline constexpr const char* kConsentRefusedText =
    "The registry editor was not started: it needs administrator rights, and they were not granted. "
    "Nothing was changed.";
inline constexpr const char* kRestoreQuestion = "Do you really want to restore registry from the selected backup file?";
inline constexpr const char* kRestoreNote =
    "The registry editor writes back the keys and values that the backup holds; keys and values made since then "
    "are kept.";
inline constexpr const char* kDeleteQuestion = "Do you really want to delete selected backup file?";
inline constexpr const char* kInexactText =
    "The registry editor's file cannot put back exactly these values: a restore of this backup would change "
    "them or leave them as they are then.";
inline constexpr const char* kLeftOutText =
    "These values are left out of the restore and stay as they are: the registry editor cut their names, so "
    "the file holds them under a name that is not their own.";
inline constexpr uint32_t kLinkBlue = 0xFF0000;
inline constexpr uint32_t kLinkGrey = 0x808080;

class FrmMain : public ui::Form {
public:
    FrmMain(ui::Host& host, BackupServices services);
    ~FrmMain() override;

    ui::Label lblDesc;
    ui::Label lnkBackup;
    ui::Label lnkRestore;
    ui::Label lnkDelete;
    ui::ListView lstBackups;
    ui::Button cmdBackup;
    ui::Button cmdRestore;
    ui::Button cmdDelete;
    ui::Button cmdClose;
    ui::Label lblWeb;
    ui::Timer tmrCreg;

    // The size in MB (rounded) seen at the last refresh of the followed export, 1 at its start,
    // 0 when none is followed. Whether an export is followed is kept apart (Following), since a
    // young export also shows 0 MB.
    float CProgress = 0;
    // The backup name of the file being written.
    std::string CName;

    // The backup folder with its trailing backslash.
    std::string BackupFolder() { return engine_.BackupFolder(); }
    // Rebuilds the list and follows the running export.
    void CheckRegs();
    bool Following() const { return engine_.Following(); }
    // The values the last backup's file cannot put back exactly (the first kValuesNamed) and
    // how many there are.
    const std::vector<ValueRef>& InexactValues() const { return engine_.InexactValues(); }
    size_t InexactCount() const { return engine_.InexactCount(); }
    // The values the last restore left out, and the import it started (0 when none runs).
    const std::vector<ValueRef>& LeftOutValues() const { return engine_.LeftOutValues(); }
    RegistryEditor::Job ImportJob() const { return engine_.ImportJob(); }
    // Runs just before the registry editor is started on an export, with the file's name.
    std::function<void(const std::string& fileName)> beforeExport;

private:
    void Form_Load();
    void cmdBackup_Click();
    // Says why the registry editor did not start (a refused consent, or anything else).
    void NotStarted();
    void cmdRestore_Click();
    void cmdDelete_Click();
    void cmdClose_Click();
    void FillList();
    void EndFollow(bool success);
    void SetLinksEnabled(bool enabled);
    void SetButtonsEnabled(bool enabled);
    int RowOfFile(const std::string& fileName) const;
    // Asks a question while no refresh may rebuild the list; runs a refresh held back meanwhile.
    int Ask(const std::string& text, int style);

    BackupServices svc_;
    BackupEngine engine_;
    bool questionOpen_ = false;
    bool refreshPending_ = false;
    bool inCheck_ = false;
};

}  // namespace backup
