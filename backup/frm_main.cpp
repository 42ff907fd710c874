#include "backup/frm_main.h"

#include <vector>

#include "backup/backup_names.h"
#include "common/text/text.h"

namespace backup {

namespace {
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorPathNotFound = 3;
}  // namespace

FrmMain::FrmMain(ui::Host& host, BackupServices services)
    : ui::Form(host, "frmMain", kCaption),
      lblDesc(*this, nullptr, "lblDesc"),
      lnkBackup(*this, nullptr, "lnkBackup"),
      lnkRestore(*this, nullptr, "lnkRestore"),
      lnkDelete(*this, nullptr, "lnkDelete"),
      lstBackups(*this, nullptr, "lstBackups"),
      cmdBackup(*this, nullptr, "cmdBackup"),
      cmdRestore(*this, nullptr, "cmdRestore"),
      cmdDelete(*this, nullptr, "cmdDelete"),
      cmdClose(*this, nullptr, "cmdClose"),
      lblWeb(*this, nullptr, "lblWeb", "www.tolvane.example"),
      tmrCreg(*this, "tmrCreg", 5000, true),
      svc_(services) {
    borderStyle = ui::BorderStyle::FixedSingle;
    maxButton = false;
    // Sized for the captions in the dialog font at 96 DPI (Wine's Tahoma is wider than
    // Windows'): the web address and "Restore Selected" need the widths below.
    clientWidth = 9240;
    clientHeight = 5040;
    lblDesc.move(120, 120, 9000, 900);
    lnkBackup.move(120, 1200, 1920, 255);
    lnkRestore.move(120, 1560, 1920, 255);
    lnkDelete.move(120, 1920, 1920, 255);
    for (ui::Label* l : {&lnkBackup, &lnkRestore, &lnkDelete}) l->setHandCursor(true);
    lstBackups.move(2280, 1140, 6840, 3180);
    lstBackups.multiSelect = false;
    cmdBackup.move(2280, 4500, 1620, 375);
    cmdRestore.move(4020, 4500, 1620, 375);
    cmdDelete.move(5760, 4500, 1620, 375);
    cmdClose.move(7500, 4500, 1620, 375);
    lblWeb.move(120, 4560, 2040, 255);
    lblWeb.wordWrap = false;

    onLoad = [this] { Form_Load(); };
    cmdBackup.onClick = [this] { cmdBackup_Click(); };
    cmdRestore.onClick = [this] { cmdRestore_Click(); };
    cmdDelete.onClick = [this] { cmdDelete_Click(); };
    cmdClose.onClick = [this] { cmdClose_Click(); };
    lnkBackup.onClick = [this] { cmdBackup_Click(); };
    lnkRestore.onClick = [this] { cmdRestore_Click(); };
    lnkDelete.onClick = [this] { cmdDelete_Click(); };
    tmrCreg.onTimer = [this] { CheckRegs(); };
}

FrmMain::~FrmMain() {
    if (job_ != 0) svc_.editor.release(job_);
}

std::string FrmMain::BackupFolder() {
    std::string folder = svc_.files.applicationFolder();
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder + "\\Backups\\";
}

void FrmMain::Form_Load() {
    centre();
    setCaption(kCaption);
    lblDesc.setCaption(kDescription);
    cmdBackup.setCaption("New Backup");
    lnkBackup.setCaption("New Backup");
    cmdRestore.setCaption("Restore Selected");
    lnkRestore.setCaption("Restore Selected");
    cmdDelete.setCaption("Delete Selected");
    lnkDelete.setCaption("Delete Selected");
    cmdClose.setCaption("Close");
    lstBackups.addColumn("Backup name (Date-Time)", 2880);
    lstBackups.addColumn("Date", 1560);
    lstBackups.addColumn("Size", 1800);
    FillList();
    SetLinksEnabled(true);
}

void FrmMain::SetLinksEnabled(bool enabled) {
    for (ui::Label* l : {&lnkBackup, &lnkRestore, &lnkDelete}) {
        l->setEnabled(enabled);
        l->setForeColor(enabled ? kLinkBlue : kLinkGrey);
    }
}

void FrmMain::SetButtonsEnabled(bool enabled) {
    // New Backup stays off while an export is followed: one export at a time.
    cmdBackup.setEnabled(enabled && !following_);
    cmdRestore.setEnabled(enabled);
    cmdDelete.setEnabled(enabled);
    cmdClose.setEnabled(enabled);
}

int FrmMain::RowOfFile(const std::string& fileName) const {
    for (int i = 0; i < lstBackups.count(); ++i)
        if (lstBackups.item(i).key == fileName) return i;
    return -1;
}

bool FrmMain::IsFollowed(const std::string& fileName) const {
    return following_ && text::equalNoCase(fileName, followFile_);
}

void FrmMain::NotStarted() {
    if (svc_.editor.startError() == plat::kErrorCancelled)
        host().msgBox(kConsentRefusedText, ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
    else
        host().msgBox(kNotStartedText, ui::mb::OkOnly | ui::mb::Critical, kAppTitle);
}

void FrmMain::cmdBackup_Click() {
    if (following_) return;
    SetButtonsEnabled(false);
    std::string folder = BackupFolder();
    std::string name = UniqueBackupName(BackupNameOf(svc_.clock.now()), [&](const std::string& file) {
        return svc_.files.stat(folder + file).has_value();
    });
    const std::string folderPath = folder.substr(0, folder.size() - 1);
    if (!svc_.files.createFolder(folderPath) && svc_.files.folderExists(folderPath) == plat::Probe::Missing) {
        // Below Program Files a program without elevation may not write its own folder.
        host().msgBox(std::string(kFolderNotMadeText) + "\r\n" + folderPath, ui::mb::OkOnly | ui::mb::Critical,
                      kAppTitle);
        SetButtonsEnabled(true);
        return;
    }
    std::string filePath = folder + name;
    tmrCreg.setEnabled(false);
    SetLinksEnabled(false);
    RegistryEditor::Job job = 0;
    if (!svc_.editor.startExport(filePath + ".reg", &job)) {
        NotStarted();
        SetLinksEnabled(true);
        tmrCreg.setEnabled(true);
        SetButtonsEnabled(true);
        return;
    }
    job_ = job;
    following_ = true;
    CProgress = 1.0f;
    CName = filePath.substr(filePath.rfind('\\') + 1);
    followFile_ = CName + ".reg";
    lastSize_.reset();
    CheckRegs();
    tmrCreg.setEnabled(true);
    SetButtonsEnabled(true);
}

void FrmMain::FillList() {
    std::string keepSelected;
    int sel = lstBackups.selectedIndex();
    if (sel >= 0) keepSelected = lstBackups.item(sel).key;

    std::string folder = BackupFolder();
    std::vector<plat::FileEntry> files;
    if (svc_.files.folderExists(folder.substr(0, folder.size() - 1)) == plat::Probe::Exists)
        files = svc_.files.listFiles(folder.substr(0, folder.size() - 1), "*.reg");

    lstBackups.beginUpdate();
    lstBackups.clear();
    std::optional<plat::FileEntry> followed;
    int followedRow = -1;
    std::string sep = svc_.locale.decimalSeparator();
    for (const plat::FileEntry& f : files) {
        int row = lstBackups.addItem(DisplayNameOf(f.name));
        lstBackups.setKey(row, f.name);
        lstBackups.setSubItem(row, 1, svc_.locale.shortDate(f.modified));
        lstBackups.setSubItem(row, 2, SizeText(f.size, sep));
        if (IsFollowed(f.name)) {
            followed = f;
            followedRow = row;
        }
        if (!keepSelected.empty() && f.name == keepSelected) lstBackups.setSelected(row, true);
    }
    lstBackups.endUpdate();
    if (following_) FollowExport(followed, followedRow);
}

void FrmMain::CheckRegs() {
    // Never rebuild the list under an open question: its answer belongs to the row asked about.
    if (questionOpen_) {
        refreshPending_ = true;
        return;
    }
    if (inCheck_) return;
    inCheck_ = true;
    refreshPending_ = false;
    FillList();
    inCheck_ = false;
}

void FrmMain::FollowExport(const std::optional<plat::FileEntry>& file, int row) {
    bool running = svc_.editor.running(job_);
    if (file) CProgress = static_cast<float>(SizeHundredths(file->size)) / 100.0f;
    if (running) {
        // Still writing: the size seen now is what the next refresh compares with.
        lastSize_ = file ? std::optional<uint64_t>(file->size) : std::nullopt;
        if (row >= 0) lstBackups.setSubItem(row, 2, kNowProcessed);
        return;
    }
    // The editor has ended. Its exit code says nothing (some editors report success on any
    // failure), so the file decides: present, not empty, a registry header, and the same size
    // as at the previous refresh.
    if (!file || file->size == 0) {
        EndFollow(false);
        return;
    }
    if (!lastSize_ || *lastSize_ != file->size) {
        lastSize_ = file->size;
        if (row >= 0) lstBackups.setSubItem(row, 2, kNowProcessed);
        return;
    }
    // A whole-registry export runs to hundreds of MB; its first line is all that is tested.
    std::optional<std::string> bytes = svc_.files.readFileStart(BackupFolder() + file->name, kRegistryHeaderBytes);
    EndFollow(bytes && HasRegistryHeader(*bytes));
}

void FrmMain::EndFollow(bool success) {
    following_ = false;
    CProgress = 0;
    svc_.editor.release(job_);
    job_ = 0;
    followFile_.clear();
    lastSize_.reset();
    SetLinksEnabled(true);
    cmdBackup.setEnabled(cmdRestore.enabled());
    if (success)
        host().msgBox(kFinishedText, ui::mb::OkOnly, kAppTitle);
    else
        host().msgBox(kFailedText, ui::mb::OkOnly | ui::mb::Critical, kAppTitle);
}

int FrmMain::Ask(const std::string& text, int style) {
    questionOpen_ = true;
    int answer = host().msgBox(text, style, kAppTitle);
    questionOpen_ = false;
    if (refreshPending_) CheckRegs();
    return answer;
}

void FrmMain::cmdRestore_Click() {
    int row = lstBackups.selectedIndex();
    if (row < 0) return;
    // The file is taken before asking and named in the question; the list is not rebuilt
    // while the question is open.
    const std::string file = lstBackups.item(row).key;
    const std::string name = lstBackups.text(row);
    if (IsFollowed(file)) {
        host().msgBox(kBusyFileText, ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
        return;
    }
    std::string question = std::string(kRestoreQuestion) + "\r\n" + name + "\r\n\r\n" + kRestoreNote;
    if (Ask(question, ui::mb::OkCancel | ui::mb::Question) != ui::mb::Ok) return;
    if (!svc_.editor.startImport(BackupFolder() + file)) NotStarted();
}

void FrmMain::cmdDelete_Click() {
    int row = lstBackups.selectedIndex();
    std::string file, name;
    if (row >= 0) {
        file = lstBackups.item(row).key;
        name = lstBackups.text(row);
        if (IsFollowed(file)) {
            host().msgBox(kBusyFileText, ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
            return;
        }
    }
    std::string question = kDeleteQuestion;
    if (row >= 0) question += "\r\n" + name;
    if (Ask(question, ui::mb::OkCancel | ui::mb::Question) != ui::mb::Ok || row < 0) return;
    long rc = svc_.files.deleteFile(BackupFolder() + file);
    // A file that is gone already (removed by hand since the last refresh) counts as deleted.
    if (rc != 0 && rc != kErrorFileNotFound && rc != kErrorPathNotFound) {
        host().msgBox(std::string(kDeleteFailedText) + "\r\n" + name, ui::mb::OkOnly | ui::mb::Critical, kAppTitle);
        return;
    }
    int now = RowOfFile(file);
    if (now >= 0) lstBackups.removeItem(now);
}

void FrmMain::cmdClose_Click() {
    unload();
    host().quit(0);
}

}  // namespace backup
