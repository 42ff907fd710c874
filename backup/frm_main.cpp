#include "backup/frm_main.h"

#include <vector>

#include "common/platform/error_text.h"

#include "common/files/backup_names.h"
#include "backup/own_record.h"
#include "backup/sha256.h"
#include "common/text/text.h"

namespace backup {

namespace {
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorPathNotFound = 3;

// A text of lines ended by LF as a message box shows it, with CR LF.
std::string boxLines(const std::string& lines) { return text::replaceAll(lines, "\n", "\r\n"); }
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
    if (importJob_ != 0) svc_.editor.release(importJob_);
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
    if (beforeExport) beforeExport(name + ".reg");
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
    TidyImport();
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
    const std::string file = followFile_;
    if (success) LookForInexactValues(file);
    following_ = false;
    CProgress = 0;
    svc_.editor.release(job_);
    job_ = 0;
    followFile_.clear();
    lastSize_.reset();
    SetLinksEnabled(true);
    cmdBackup.setEnabled(cmdRestore.enabled());
    if (success && inexactCount_ > 0)
        host().msgBox(std::string(kFinishedText) + "\r\n\r\n" + kInexactText + " (" + std::to_string(inexactCount_) +
                          ")\r\n" + boxLines(DescribeValues(inexact_, kValuesNamed, inexactCount_)),
                      ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
    else if (success)
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
    // The file is checked and a copy of what passed is imported, so that what the editor reads
    // is what was checked.
    std::string copy;
    const std::string problem = PrepareRestore(file, &copy);
    if (!problem.empty()) {
        host().msgBox(std::string(kNotRestoredText) + "\r\n" + problem + ".", ui::mb::OkOnly | ui::mb::Critical,
                      kAppTitle);
        return;
    }
    if (!leftOut_.empty())
        host().msgBox(std::string(kLeftOutText) + " (" + std::to_string(leftOut_.size()) + ")\r\n" +
                          boxLines(DescribeValues(leftOut_, kValuesNamed)),
                      ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
    TidyImport();
    RegistryEditor::Job job = 0;
    if (!svc_.editor.startImport(copy, &job)) {
        svc_.files.deleteFile(copy);
        NotStarted();
        return;
    }
    importJob_ = job;
    importCopy_ = copy;
}

std::string FrmMain::PrepareRestore(const std::string& file, std::string* copyPath) {
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

void FrmMain::TidyImport() {
    if (importJob_ == 0 || svc_.editor.running(importJob_)) return;
    svc_.editor.release(importJob_);
    importJob_ = 0;
    svc_.files.deleteFile(importCopy_);
    importCopy_.clear();
}

void FrmMain::LookForInexactValues(const std::string& file) {
    inexact_.clear();
    inexactCount_ = 0;
    (void)file;
    if (!svc_.registry) return;
    // Every value of the registry lies below these two (the current user's below the users',
    // the classes' below the machine's), whichever roots the editor's file names: each value is
    // looked at once, and the file itself, hundreds of MB, is not read.
    inexact_ = FindInexactValues(*svc_.registry, {"HKEY_LOCAL_MACHINE", "HKEY_USERS"}, kValuesNamed, &inexactCount_,
                                 [this] { host().doEvents(); });
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
        host().msgBox(std::string(kDeleteFailedText) + "\r\n" + name + "\r\n(" + plat::ErrorText(rc) + ")",
                      ui::mb::OkOnly | ui::mb::Critical, kAppTitle);
        return;
    }
    // Some file systems answer success and keep the file (a folder that does not allow it):
    // only a file that is gone is deleted.
    if (svc_.files.stat(BackupFolder() + file)) {
        host().msgBox(std::string(kDeleteStillThereText) + "\r\n" + name, ui::mb::OkOnly | ui::mb::Critical, kAppTitle);
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
