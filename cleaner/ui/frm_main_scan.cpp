// The scan driver and the window side of the scan engine (ScanHost).
#include "cleaner/engine/exclude_list.h"
#include "cleaner/engine/scanner.h"
#include "cleaner/ui/frm_main.h"
#include "common/text/text.h"

#include <cstdlib>

namespace cleaner {

void FrmMain::setFlatButtonsEnabled(bool enabled) {
    // The Help menu's entries act through these buttons: they are enabled together.
    cmdCheckUpdate.setEnabled(enabled);
    cmdShowAbout.setEnabled(enabled);
    m17.setEnabled(enabled);
    m18.setEnabled(enabled);
}

void FrmMain::setWorkControlsEnabled(bool enabled, bool repair) {
    for (ui::Button* b : {&o2, &o3, &o4, &o5, &o6, &o7, &o8}) b->setEnabled(enabled);
    for (ui::MenuItem* m : {&m2, &m3, &m4}) m->setEnabled(enabled);
    if (repair) {
        // A repair deletes without asking again: nothing may change its list meanwhile.
        cmdScan.setEnabled(enabled);
        m1.setEnabled(enabled);
        lvInvalidLoc.setEnabled(enabled);
        for (ui::Button& b : cmdExclude) b.setEnabled(enabled);
        setFlatButtonsEnabled(enabled);
    }
}

void FrmMain::cmdScan_Click() {
    // A press during the yield that follows the clearing would start a second scan inside this one.
    if (repairRunning_ || closing_ || scanStarting_) return;
    if (!scanRunning_ && excludeUnsaved_ && !SaveExclude()) {
        // The list holds exclusions its file does not; a scan would list, and a fix delete, them.
        host().msgBox(SpanishMode() ? "No se analiza: la lista de exclusiones tiene cambios que no se guardaron en \"" +
                                          ApplicationFolder() + "\\Exclude.lst\"."
                                    : "No scan runs while the exclude list holds changes that are not saved to \"" +
                                          ApplicationFolder() + "\\Exclude.lst\".",
                      ui::mb::OkOnly | ui::mb::Exclamation, "Scourline");
        return;
    }
    if (!scanRunning_ && excludeUnreadable_) {
        // The user may have closed the program that held the file: read it again first.
        LoadExclude();
        if (excludeUnreadable_) {
            host().msgBox(excludeListProblem(), ui::mb::OkOnly | ui::mb::Exclamation, "Scourline");
            return;
        }
    }
    showResultsView();
    lvInvalidLoc.setEnabled(false);

    if (!scanRunning_) {
        lvInvalidLoc.clear();
        findings_.clear();
        // Rows are listed in the order the walkers report them.
        lvInvalidLoc.setSorting(false, lvInvalidLoc.sortKey(), lvInvalidLoc.sortOrder());
        // The headers forget their direction with it: the next click sorts ascending, as the
        // unsorted list suggests.
        for (int c = 0; c < static_cast<int>(lvInvalidLoc.columns().size()); ++c) lvInvalidLoc.column(c).tag.clear();
        scanStarting_ = true;
        yield();
        scanStarting_ = false;
        if (closing_) return;
        scanRunning_ = true;
        setScanCaptions(texts_.StopCaption);
        setWorkControlsEnabled(false, false);
        setFlatButtonsEnabled(false);
        invalidCount_ = 0;

        std::vector<engine::CategoryRow> rows;
        for (int i = 0; i < lvLocations.count(); ++i) rows.push_back({lvLocations.item(i).key, lvLocations.checked(i)});
        bool chosen = false;
        {
            engine::Scanner scanner(svc_.registry, svc_.files, *this, LanguageTexts());
            chosen = scanner.RunCategories(rows);
        }
        if (!chosen && !closing_) host().msgBox(texts_.NoAreaMessage, ui::mb::OkOnly, "Scourline");
    }

    // Finish: reached after the walk, and directly when pressed as Stop.
    lvInvalidLoc.setEnabled(true);
    SBarMain.setPanel(0, texts_.TotalLabel + std::to_string(invalidCount_));
    Label1.setCaption(ErrorsFoundLabel(texts_, spanishAtLoad_, invalidCount_));
    SBarMain.setPanel(1, svc_.clock.timeOfDayText());
    if (scanRunning_) {
        scanRunning_ = false;
        setScanCaptions(texts_.ScanCaption);
        setWorkControlsEnabled(true, false);
        engine::SweepExcluded(*this);
        // The sweep lowered the count: the status bar shows the same number as Label1.
        SBarMain.setPanel(0, texts_.TotalLabel + std::to_string(invalidCount_));
        setFlatButtonsEnabled(true);
        ProgressBar1.setValue(100);
    }
}

// ---- engine::ScanHost ----

void FrmMain::yield() { host().doEvents(); }

const std::vector<std::string>& FrmMain::excludeTexts() {
    if (excludeTextsDirty_) {
        excludeTexts_.clear();
        // An entry of blanks only is tested as the empty text, which excludes every location:
        // the entry keeps its blanks (so it is never mistaken for the remains of a broken line)
        // and the meaning it always had.
        for (int i = 0; i < lvExclude.count(); ++i) {
            const std::string& t = lvExclude.text(i);
            excludeTexts_.push_back(text::trim(t).empty() ? std::string() : t);
        }
        excludeTextsDirty_ = false;
    }
    return excludeTexts_;
}

void FrmMain::appendFinding(engine::Finding finding) {
    const engine::RowTexts row = engine::RowOf(finding);
    int i = lvInvalidLoc.addItem(row[0]);
    lvInvalidLoc.setKey(i, std::to_string(findings_.size()));
    findings_.push_back(std::move(finding));
    // A sorted list moves the row as its texts arrive: the row is followed.
    for (int c = 1; c < 6; ++c)
        if (!row[c].empty() || c < 5) i = lvInvalidLoc.setSubItem(i, c, row[c]);
}

const engine::Finding& FrmMain::rowFinding(long index) {
    static const engine::Finding none;  // below no root: never deleted
    if (index < 0 || index >= lvInvalidLoc.count()) return none;
    const std::string& key = lvInvalidLoc.item(static_cast<int>(index)).key;
    char* end = nullptr;
    const unsigned long n = std::strtoul(key.c_str(), &end, 10);
    if (key.empty() || *end != '\0' || n >= findings_.size()) return none;
    return findings_[n];
}

void FrmMain::removeRow(long index) {
    if (index >= 0 && index < lvInvalidLoc.count()) lvInvalidLoc.removeItem(static_cast<int>(index));
}

void FrmMain::setInvalidCount(long count) {
    invalidCount_ = count;
    Label1.setCaption(ErrorsFoundLabel(texts_, spanishAtLoad_, count));
}

}  // namespace cleaner
