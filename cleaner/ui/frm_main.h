// The cleaner's main window: the button column, the results view (result list, problem panel)
// and the options view (scan areas, exclude list), the menu bar and the status bar. It runs the
// engine's scan (it is the engine's ScanHost) and repair over its result list, and keeps the
// exclude list and the settings.
//
// The window is written against the forms toolkit only: the same class runs on real controls in
// hivescrub.exe and on the headless backend in the tests.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "cleaner/engine/finding.h"
#include "cleaner/engine/scan_host.h"
#include "cleaner/engine/texts.h"
#include "cleaner/ui/skin_framework.h"
#include "common/platform/http.h"
#include "common/platform/services.h"
#include "common/ui/form.h"

namespace cleaner {

struct SideWindowSet;

// The settings key below the current user.
extern const char* const kSettingsKey;
// The maker's web pages.
extern const char* const kHomePage;
extern const char* const kTutorialPage;

// The texts LoadMessageTexts fills, in the interface language of the load (those the console
// twin shows as well come from the engine's language table).
struct MessageTexts {
    std::string StopCaption;
    std::string ScanCaption;
    std::string NoAreaMessage;
    std::string TotalLabel;
    std::string ErrorsLabel;
    std::string EditConfirmText;
    std::string RemoveConfirmText;
};
MessageTexts MessageTextsFor(bool spanish);
// The errors-found label for a count: "Errors found : n" in English, "n problemas encontrados"
// in Spanish.
std::string ErrorsFoundLabel(const MessageTexts& texts, bool spanish, long count);

// What start-up does besides the window itself. Tests turn the single-instance claim and the
// wizard off.
struct MainStartOptions {
    bool singleInstance = true;
    bool showWizard = true;
};

class FrmMain : public ui::Form, public engine::ScanHost {
public:
    using StartOptions = MainStartOptions;

    FrmMain(ui::Host& host, plat::Services& services, StartOptions options = StartOptions());
    ~FrmMain() override;

    // ---- menu bar ----
    ui::MenuItem mFile{*this, "mFile", "&File"};
    ui::MenuItem m1{mFile, "m1", "Scan Now", "F3"};
    ui::MenuItem m2{mFile, "m2", "Wizard", "Ctrl+W"};
    ui::MenuItem m3{mFile, "m3", "Show options", "Ctrl+O"};
    ui::MenuItem m4{mFile, "m4", "Backup/Restore", "Ctrl+B"};
    ui::MenuItem mTools{*this, "mTools", "&Tools"};
    ui::MenuItem m5{mTools, "m5", "Registry Search"};
    ui::MenuItem m6{mTools, "m6", "Disk Cleaner"};
    ui::MenuItem m7{mTools, "m7", "Startup Manager"};
    ui::MenuItem m8{mTools, "m8", "Uninstall Manager"};
    ui::MenuItem m9{mTools, "m9", "Process Manager"};
    ui::MenuItem mProducts{*this, "mProducts", "Tolvane Software Products"};
    ui::MenuItem m10{mProducts, "m10", "Tolvane Disk Tidy"};
    ui::MenuItem m11{mProducts, "m11", "Tolvane File Shredder"};
    ui::MenuItem m12{mProducts, "m12", "Tolvane Privacy Guard"};
    ui::MenuItem m13{mProducts, "m13", "Tolvane Duplicate Finder"};
    ui::MenuItem m14{mProducts, "m14", "Tolvane Driver Keeper"};
    ui::MenuItem mHelp{*this, "mHelp", "&Help"};
    ui::MenuItem m16{mHelp, "m16", "Tutorial", "F1"};
    ui::MenuItem m17{mHelp, "m17", "Check for Update", "F2"};
    ui::MenuItem m18{mHelp, "m18", "About", "F5"};

    // ---- left button column ----
    ui::Button cmdScan{*this, nullptr, "cmdScan", "Scan now"};
    ui::Button o2{*this, nullptr, "o2", "Wizard"};
    ui::Button o3{*this, nullptr, "o3", "Show options"};
    ui::Button o8{*this, nullptr, "o8", "Backup/Restore"};
    ui::Button Command34{*this, nullptr, "Command34", "Registry Search"};
    ui::Button Command1{*this, nullptr, "Command1", "Disk Cleaner"};
    ui::Button Command30{*this, nullptr, "Command30", "Startup Manager"};
    ui::Button cmdUninstallManager{*this, nullptr, "cmdUninstallManager", "Uninstall Manager"};
    ui::Button Command2{*this, nullptr, "Command2", "Process Manager"};
    ui::Button Command36{*this, nullptr, "Command36", "Tolvane Disk Tidy"};
    ui::Button Command3000{*this, nullptr, "Command3000", " Tutorial"};
    ui::Button cmdCheckUpdate{*this, nullptr, "cmdCheckUpdate", "Check for Update"};
    ui::Button cmdShowAbout{*this, nullptr, "cmdShowAbout", "About"};

    // ---- results view ----
    ui::Frame f3{*this, nullptr, "f3", "Registry Cleaner"};
    ui::Label Label1{*this, &f3, "Label1", "Errors found : 0"};
    ui::ListView lvInvalidLoc{*this, &f3, "lvInvalidLoc"};
    ui::Button o5{*this, &f3, "o5", "Fix all"};
    ui::Button o4{*this, &f3, "o4", "Fix selected"};
    ui::Button o6{*this, &f3, "o6", "Add to exclude list"};
    ui::Button o7{*this, &f3, "o7", "Edit the registry entry"};
    ui::ProgressBar ProgressBar1{*this, &f3, "ProgressBar1"};
    ui::Frame f4{*this, nullptr, "f4", "Problem"};
    ui::Label lblProblemaA{*this, &f4, "lblProblemaA"};
    ui::Label lblProblemaB{*this, &f4, "lblProblemaB"};
    ui::Label lblProblemaC{*this, &f4, "lblProblemaC"};

    // ---- options view ----
    ui::Frame f1{*this, nullptr, "f1", "Select the area of registry to scan invalid information"};
    ui::ListView lvLocations{*this, &f1, "lvLocations"};
    ui::CheckBox chkSkipCDLan{*this, &f1, "chkSkipCDLan", "Exclude references to CDROM and Network drives"};
    ui::CheckBox chkKeepUndo{*this, &f1, "chkKeepUndo", "Keep an undo file of each repair"};
    ui::Frame f2{*this, nullptr, "f2", "Exclude the part of the registry that contains the following text"};
    ui::ListView lvExclude{*this, &f2, "lvExclude"};
    ui::Button cmdExclude[3] = {
        {*this, &f2, "cmdExclude", "Add..."}, {*this, &f2, "cmdExclude", "Edit"}, {*this, &f2, "cmdExclude", "Remove"}};

    // ---- status bar, web address, never-visible buttons ----
    ui::StatusBar SBarMain{*this, nullptr, "SBarMain", 3};
    ui::Label Label8{*this, nullptr, "Label8", "WWW.TOLVANE.EXAMPLE"};
    ui::Button cmdRemoveSel{*this, nullptr, "cmdRemoveSel", "Remove &Selected"};
    ui::Button cmdRemoveAll{*this, nullptr, "cmdRemoveAll", "Remove &All"};
    ui::Button cmdAddtoExcludeList{*this, nullptr, "cmdAddtoExcludeList", "Add to Exclude list"};

    SkinFramework SkinFramework_;

    // ---- state other windows and the tests read ----
    bool ScanRunning() const { return scanRunning_; }
    bool RepairRunning() const { return repairRunning_; }
    long InvalidCount() const { return invalidCount_; }
    const MessageTexts& Texts() const { return texts_; }
    bool SpanishAtLoad() const { return spanishAtLoad_; }
    // The language table chosen at load: the reasons of a scan, the areas' names.
    const engine::Texts& LanguageTexts() const;
    // The option "Keep an undo file of each repair" (off unless the user ticked it): the repair
    // writes its undo record (undo_file.h) before it deletes anything.
    bool KeepUndoFile() const { return chkKeepUndo.value() == 1; }
    // True when this start ended at once because another instance runs.
    bool EndedAsSecondInstance() const { return secondInstance_; }
    plat::Services& services() { return svc_; }
    std::string ApplicationFolder();
    // The marker file spanish.dll exists in the application folder, tested now.
    bool SpanishMode();

    // Entry points the menu and the side windows share with the buttons.
    void cmdScan_Click();
    void RemoveEntries(bool selectedOnly);
    // The last repair stopped before deleting anything because its undo record could not be written.
    bool undoRecordFailed() const { return undoRecordFailed_; }
    void o3_Click();
    // Starts a program of the application folder; a missing one is ignored.
    void StartSibling(const std::string& fileName);
    void GotoURL(const std::string& address);
    // Opens the system registry editor at a key (the platform's editor; a test may replace it).
    std::function<void(const std::string& location)> JumpToKey;
    // The side windows this window opened, kept by side_windows.cpp (each exists once), and the
    // update check's page fetcher and site, which the composition root sets (no fetcher: the
    // update window says the check could not be made; empty site: the maker's update site).
    std::shared_ptr<struct SideWindowSet> sideWindows;
    plat::Http* http = nullptr;
    std::string updateSite;

    // Exclude list file and settings.
    void LoadExclude();
    // Writes the list to the file; false (and the user told, naming the file) when it could not.
    bool SaveExclude();
    // Exclude.lst exists but could not be read whole: no scan may run until it is read.
    bool excludeListUnreadable() const { return excludeUnreadable_; }
    // The message that says so (empty while the list is read).
    std::string excludeListProblem() const;
    void SetInitValues();
    void LoadLocations();
    void SaveFileTypes();

    // ---- engine::ScanHost ----
    void yield() override;
    bool scanRunning() override { return scanRunning_; }
    bool skipCdLan() override { return chkSkipCDLan.value() == 1; }
    const std::vector<std::string>& excludeTexts() override;
    // Each row of lvInvalidLoc shows one finding of findings_ and keeps its number as the row's
    // key, so the row and its finding stay together when the list is sorted.
    void appendFinding(engine::Finding finding) override;
    long rowCount() override { return lvInvalidLoc.count(); }
    const engine::Finding& rowFinding(long index) override;
    void removeRow(long index) override;
    long invalidCount() override { return invalidCount_; }
    void setInvalidCount(long count) override;
    int progressValue() override { return ProgressBar1.value(); }
    void setProgressValue(int value) override { ProgressBar1.setValue(value); }

private:
    // Life cycle.
    void Form_Initialize();
    void Form_Load();
    void Form_Activate();
    void runPostedScan();
    void Form_Resize();
    void Form_QueryUnload(bool& cancel, int mode);

    // Layout and texts.
    void buildLayout();
    void bindHandlers();
    void LoadMessageTexts();
    void ApplySpanishCaptions();
    void showResultsView();
    void setScanCaptions(const std::string& caption);

    // Scan and repair.
    void setWorkControlsEnabled(bool enabled, bool repair);
    void setFlatButtonsEnabled(bool enabled);
    void cmdRemoveSel_Click();
    void cmdRemoveAll_Click();
    // Writes the undo record of the rows a repair is about to handle when one is asked for;
    // false (after telling the user) when it could not be written whole.
    bool WriteUndoRecord(bool selectedOnly);
    // The result list as the engine's repair works through it.
    class RepairRows;

    // Exclude list.
    void cmdExclude_Click(int index);
    void cmdAddtoExcludeList_Click();
    void lvExclude_ItemCheck(int row);
    void addExcludeRow(const std::string& text, const std::string& mustBegin, bool enabled);

    // Settings.
    void chkSkipCDLan_Click();
    void chkKeepUndo_Click();
    void lvLocations_ItemCheck(int row);

    // Commands and the result list.
    void o7_Click();
    void lvInvalidLoc_ColumnClick(int column);
    void lvInvalidLoc_ItemClick(int row);
    void lvInvalidLoc_KeyDown(int key);
    void Label8_Click();

    plat::Services& svc_;
    StartOptions options_;
    MessageTexts texts_;
    bool spanishAtLoad_ = false;
    bool scanRunning_ = false;
    bool scanStarting_ = false;
    bool repairRunning_ = false;
    bool scanPosted_ = false;
    bool closing_ = false;
    bool secondInstance_ = false;
    bool locationsLoaded_ = false;
    long invalidCount_ = 0;
    // The findings of the last scan (and of rows added since), by number; rows leave the list,
    // their findings stay until the next scan.
    std::vector<engine::Finding> findings_;
    std::vector<std::string> excludeTexts_;
    bool excludeTextsDirty_ = true;
    bool excludeUnreadable_ = false;
    // The list holds edits its file does not (a save failed): no scan runs until they are saved.
    bool excludeUnsaved_ = false;
    // The list holds what the file held (read from it, or saved to it, or there is no file).
    bool excludeFromFile_ = false;
    bool undoRecordFailed_ = false;
    std::string excludePath_;
};

}  // namespace cleaner
