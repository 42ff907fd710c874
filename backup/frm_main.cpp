#include "backup/frm_main.h"

#include <vector>

#include "common/files/backup_names.h"
#include "common/text/text.h"

namespace backup {

namespace {
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
      svc_(services),
      engine_(services) {
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

FrmMain::~FrmMain() = default;

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
    cmdBackup.setEnabled(enabled && !engine_.Following());
    cmdRestore.setEnabled(enabled);
    cmdDelete.setEnabled(enabled);
    cmdClose.setEnabled(enabled);
}

int FrmMain::RowOfFile(const std::string& fileName) const {
    for (int i = 0; i < lstBackups.count(); ++i)
        if (lstBackups.item(i).key == fileName) return i;
    return -1;
}

void FrmMain::NotStarted() {
    if (svc_.editor.startError() == plat::kErrorCancelled)
        host().msgBox(kConsentRefusedText, ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
    else
        host().msgBox(kNotStartedText, ui::mb::OkOnly | ui::mb::Critical, kAppTitle);
}

void FrmMain::cmdBackup_Click() {
    if (engine_.Following()) return;
    SetButtonsEnabled(false);
    bool exportAsked = false;
    const StartResult started = engine_.StartBackup([&](const std::string& file) {
        exportAsked = true;
        tmrCreg.setEnabled(false);
        SetLinksEnabled(false);
        if (beforeExport) beforeExport(file);
    });
    if (started == StartResult::FolderNotMade) {
        const std::string folder = BackupFolder();
        host().msgBox(std::string(kFolderNotMadeText) + "\r\n" + folder.substr(0, folder.size() - 1),
                      ui::mb::OkOnly | ui::mb::Critical, kAppTitle);
        SetButtonsEnabled(true);
        return;
    }
    if (started != StartResult::Started) {
        NotStarted();
        if (exportAsked) {
            SetLinksEnabled(true);
            tmrCreg.setEnabled(true);
        }
        SetButtonsEnabled(true);
        return;
    }
    CProgress = static_cast<float>(engine_.ProgressHundredths()) / 100.0f;
    CName = engine_.FollowedName();
    CheckRegs();
    tmrCreg.setEnabled(true);
    SetButtonsEnabled(true);
}

void FrmMain::FillList() {
    std::string keepSelected;
    int sel = lstBackups.selectedIndex();
    if (sel >= 0) keepSelected = lstBackups.item(sel).key;

    lstBackups.beginUpdate();
    lstBackups.clear();
    std::optional<plat::FileEntry> followed;
    int followedRow = -1;
    for (const BackupRow& b : engine_.List()) {
        int row = lstBackups.addItem(b.name);
        lstBackups.setKey(row, b.file.name);
        lstBackups.setSubItem(row, 1, b.date);
        lstBackups.setSubItem(row, 2, b.size);
        if (engine_.IsFollowed(b.file.name)) {
            followed = b.file;
            followedRow = row;
        }
        if (!keepSelected.empty() && b.file.name == keepSelected) lstBackups.setSelected(row, true);
    }
    lstBackups.endUpdate();
    if (!engine_.Following()) return;
    const ExportState state = engine_.Follow(followed, [this] { host().doEvents(); });
    CProgress = static_cast<float>(engine_.ProgressHundredths()) / 100.0f;
    if (state == ExportState::Writing) {
        if (followedRow >= 0) lstBackups.setSubItem(followedRow, 2, kNowProcessed);
        return;
    }
    EndFollow(state == ExportState::Finished);
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
    engine_.TidyImport();
    FillList();
    inCheck_ = false;
}

void FrmMain::EndFollow(bool success) {
    SetLinksEnabled(true);
    cmdBackup.setEnabled(cmdRestore.enabled());
    const size_t inexactCount = engine_.InexactCount();
    if (success && inexactCount > 0)
        host().msgBox(std::string(kFinishedText) + "\r\n\r\n" + kInexactText + " (" + std::to_string(inexactCount) +
                          ")\r\n" + boxLines(DescribeValues(engine_.InexactValues(), kValuesNamed, inexactCount)),
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
    if (engine_.IsFollowed(file)) {
        host().msgBox(kBusyFileText, ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
        return;
    }
    std::string question = std::string(kRestoreQuestion) + "\r\n" + name + "\r\n\r\n" + kRestoreNote;
    if (Ask(question, ui::mb::OkCancel | ui::mb::Question) != ui::mb::Ok) return;
    // The file is checked and a copy of what passed is imported, so that what the editor reads
    // is what was checked.
    std::string copy;
    const std::string problem = engine_.PrepareRestore(file, &copy);
    if (!problem.empty()) {
        host().msgBox(std::string(kNotRestoredText) + "\r\n" + problem + ".", ui::mb::OkOnly | ui::mb::Critical,
                      kAppTitle);
        return;
    }
    const std::vector<ValueRef>& leftOut = engine_.LeftOutValues();
    if (!leftOut.empty())
        host().msgBox(std::string(kLeftOutText) + " (" + std::to_string(leftOut.size()) + ")\r\n" +
                          boxLines(DescribeValues(leftOut, kValuesNamed)),
                      ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
    if (!engine_.StartImport(copy)) NotStarted();
}

void FrmMain::cmdDelete_Click() {
    int row = lstBackups.selectedIndex();
    std::string file, name;
    if (row >= 0) {
        file = lstBackups.item(row).key;
        name = lstBackups.text(row);
        if (engine_.IsFollowed(file)) {
            host().msgBox(kBusyFileText, ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
            return;
        }
    }
    std::string question = kDeleteQuestion;
    if (row >= 0) question += "\r\n" + name;
    if (Ask(question, ui::mb::OkCancel | ui::mb::Question) != ui::mb::Ok || row < 0) return;
    const DeleteResult done = engine_.Delete(file);
    if (done.kind == DeleteResult::Busy) {
        host().msgBox(kBusyFileText, ui::mb::OkOnly | ui::mb::Exclamation, kAppTitle);
        return;
    }
    if (done.kind != DeleteResult::Deleted) {
        host().msgBox(DeleteFailureText(done, name), ui::mb::OkOnly | ui::mb::Critical, kAppTitle);
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
