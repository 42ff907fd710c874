// The repair: the engine deletes the registry values behind the chosen result rows.
#include "cleaner/engine/repair.h"
#include "cleaner/ui/frm_main.h"
#include "cleaner/ui/undo_file.h"

namespace cleaner {

void FrmMain::cmdRemoveSel_Click() {
    if (lvInvalidLoc.count() == 0) return;
    RemoveEntries(true);
}

void FrmMain::cmdRemoveAll_Click() {
    if (lvInvalidLoc.count() == 0) return;
    RemoveEntries(false);
}

// Fix selected works on the selected rows, Fix all on every row; closing the window ends it.
class FrmMain::RepairRows : public engine::RepairHost {
public:
    RepairRows(FrmMain& form, bool selectedOnly) : f_(form), selectedOnly_(selectedOnly) {}
    long rowCount() override { return f_.lvInvalidLoc.count(); }
    const engine::Finding& rowFinding(long i) override { return f_.rowFinding(i); }
    void removeRow(long i) override { f_.lvInvalidLoc.removeItem(static_cast<int>(i)); }
    bool rowChosen(long i) override { return !selectedOnly_ || f_.lvInvalidLoc.selected(static_cast<int>(i)); }
    bool stopped() override { return f_.closing_; }
    void yield() override { f_.yield(); }

private:
    FrmMain& f_;
    bool selectedOnly_;
};

bool FrmMain::WriteUndoRecord(bool selectedOnly) {
    undoRecordFailed_ = false;
    if (!KeepUndoFile()) return true;
    // Every value about to be deleted, as it is now. A value already gone needs no record; one
    // that cannot be read cannot be promised back, so nothing is deleted.
    RepairRows rows(*this, selectedOnly);
    const engine::UndoCapture captured = engine::CaptureChosenValues(svc_.registry, rows);
    if (!captured.ok) {
        host().msgBox(captured.problem, ui::mb::OkOnly | ui::mb::Critical, "Scourline");
        undoRecordFailed_ = true;
        return false;
    }
    const UndoFileResult written = WriteRepairUndoFile(svc_.files, svc_.clock, captured.values);
    if (!written.ok) {
        host().msgBox("Nothing was deleted. " + written.problem, ui::mb::OkOnly | ui::mb::Critical, "Scourline");
        undoRecordFailed_ = true;
        return false;
    }
    return true;
}

void FrmMain::RemoveEntries(bool selectedOnly) {
    if (lvInvalidLoc.count() == 0 || repairRunning_ || scanRunning_ || closing_) return;

    // Nothing may start a scan, change the list or reach the exclude list while the repair
    // asks and deletes; the controls come back when it ends.
    repairRunning_ = true;
    setWorkControlsEnabled(false, true);
    struct Restore {
        FrmMain& f;
        ~Restore() {
            f.repairRunning_ = false;
            f.setWorkControlsEnabled(true, true);
        }
    } restore{*this};

    if (host().msgBox(texts_.RemoveConfirmText, ui::mb::YesNo | ui::mb::Question, "Scourline") != ui::mb::Yes) return;
    if (!WriteUndoRecord(selectedOnly)) return;

    // A row leaves the list only when its value is gone: deleted now, or already gone (the
    // same value listed twice, under the current user and under the users root). A value whose
    // type or data changed since the scan (the user mended it meanwhile) is kept.
    RepairRows rows(*this, selectedOnly);
    engine::RepairRows(svc_.registry, rows);
}

}  // namespace cleaner
