// The repair: deletes the registry values behind chosen result rows.
#include "cleaner/ui/frm_main.h"
#include "cleaner/ui/undo_file.h"
#include "common/platform/error_text.h"
#include "common/registry/mdl_registry.h"

namespace cleaner {

void FrmMain::cmdRemoveSel_Click() {
    if (lvInvalidLoc.count() == 0) return;
    RemoveEntries(true);
}

void FrmMain::cmdRemoveAll_Click() {
    if (lvInvalidLoc.count() == 0) return;
    RemoveEntries(false);
}

bool FrmMain::WriteUndoRecord(bool selectedOnly) {
    undoRecordFailed_ = false;
    if (undoFilePath.empty() && !KeepUndoFile()) return true;
    // Every value about to be deleted, as it is now. A value already gone needs no record; one
    // that cannot be read cannot be promised back, so nothing is deleted.
    std::vector<engine::UndoValue> values;
    for (int i = 0; i < lvInvalidLoc.count(); ++i) {
        if (selectedOnly && !lvInvalidLoc.selected(i)) continue;
        const std::string location = lvInvalidLoc.text(i);
        const plat::RegHandle root = mdlreg::StripHkey(location);
        if (root == 0) continue;  // never deleted
        engine::UndoValue v;
        const long rc =
            engine::CaptureValue(svc_.registry, root, mdlreg::SubkeyPath(location), lvInvalidLoc.subItem(i, 1), &v);
        if (rc == plat::kErrorFileNotFound) continue;
        if (rc != plat::kErrorSuccess) {
            host().msgBox("Nothing was deleted: the value \"" + lvInvalidLoc.subItem(i, 1) + "\" of " + location +
                              " cannot be read for the undo file (" + plat::ErrorText(rc) + ").",
                          ui::mb::OkOnly | ui::mb::Critical, "Scourline");
            undoRecordFailed_ = true;
            return false;
        }
        values.push_back(std::move(v));
    }
    const UndoFileResult written = undoFilePath.empty() ? WriteRepairUndoFile(svc_.files, svc_.clock, values)
                                                        : WriteUndoFile(svc_.files, undoFilePath, values);
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
    // same value listed twice, under the current user and under the users root). A row whose
    // value stays keeps its place, so the list never claims a repair that did not happen. A
    // value whose type or data changed since the scan (the user mended it meanwhile) is kept.
    auto deleteRow = [this](int i) {
        const std::string location = lvInvalidLoc.text(i);
        const plat::RegHandle root = mdlreg::StripHkey(location);
        if (root == 0) return false;  // no root name: nothing was deleted
        long rc = mdlreg::DeleteRegValueIfUnchanged(svc_.registry, root, mdlreg::SubkeyPath(location),
                                                    lvInvalidLoc.subItem(i, 1), lvInvalidLoc.subItem(i, 4),
                                                    lvInvalidLoc.subItem(i, 2));
        return rc == plat::kErrorSuccess || rc == plat::kErrorFileNotFound;
    };

    int i = 0;
    while (i < lvInvalidLoc.count() && !closing_) {
        bool handle = !selectedOnly || lvInvalidLoc.selected(i);
        if (handle && deleteRow(i))
            lvInvalidLoc.removeItem(i);  // the row that moves up is looked at next
        else
            ++i;
        yield();
    }
}

}  // namespace cleaner
