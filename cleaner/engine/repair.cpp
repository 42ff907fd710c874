#include "cleaner/engine/repair.h"

#include "common/platform/error_text.h"
#include "common/registry/mdl_registry.h"
#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"

namespace engine {

namespace {

// Rows of a root the cleaner names are the only ones it touches.
bool knownRoot(const Finding& f) { return !mdlreg::HkeyName(f.root).empty(); }

}  // namespace

long DeleteIfUnchanged(plat::Registry& reg, const Finding& f) {
    if (!knownRoot(f)) return plat::kErrorInvalidHandle;
    long rc = plat::kErrorSuccess;
    const reg::Key key = reg::Key::openMost(reg, f.root, f.keyPath, &rc);
    if (!key) return rc;
    uint32_t type = 0;
    std::string data;
    const long read = mdlreg::ReadValueDataText(reg, key.get(), f.valueName, &type, &data);
    if (read != plat::kErrorSuccess) return read;
    if (type != f.type || data != f.data) return kValueChanged;
    return reg::deleteValue(reg, key.get(), f.valueName);
}

void RepairRows(plat::Registry& reg, RepairHost& rows) {
    long i = 0;
    while (i < rows.rowCount() && !rows.stopped()) {
        if (rows.rowChosen(i) && ValueGone(DeleteIfUnchanged(reg, rows.rowFinding(i))))
            rows.removeRow(i);
        else
            ++i;
        rows.yield();
    }
}

UndoCapture CaptureChosenValues(plat::Registry& reg, RepairHost& rows) {
    UndoCapture out;
    for (long i = 0; i < rows.rowCount(); ++i) {
        if (!rows.rowChosen(i)) continue;
        const Finding& f = rows.rowFinding(i);
        if (!knownRoot(f)) continue;  // never deleted
        UndoValue v;
        const long rc = CaptureValue(reg, f.root, f.keyPath, f.valueName, &v);
        if (rc == plat::kErrorFileNotFound) continue;
        if (rc != plat::kErrorSuccess) {
            out.ok = false;
            out.values.clear();
            out.problem = "Nothing was deleted: the value \"" + f.valueName + "\" of " + LocationOf(f) +
                          " cannot be read for the undo file (" + plat::ErrorText(rc) + ").";
            return out;
        }
        out.values.push_back(std::move(v));
    }
    return out;
}

}  // namespace engine
