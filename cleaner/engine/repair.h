// The repair: deletes the registry values behind chosen findings, each read again just before
// its delete, and the undo record of what it is about to delete.
#pragma once

#include <string>
#include <vector>

#include "cleaner/engine/scan_host.h"
#include "cleaner/engine/undo_record.h"
#include "common/platform/registry.h"

namespace engine {

// The result list as the repair works through it.
class RepairHost : public FindingRows {
public:
    // The row is to be repaired (Fix selected: it is selected; Fix all: every row).
    virtual bool rowChosen(long index) = 0;
    // The repair must end before the next row (the window closes).
    virtual bool stopped() = 0;
    // Processes the window messages that are waiting.
    virtual void yield() = 0;
};

// Deletes the finding's value only when it still has the listed type code and data text; a
// value changed since the scan (the user mended it meanwhile) gives kValueChanged and stays.
// A finding below a root the cleaner does not name gives kErrorInvalidHandle; nothing is
// deleted. Otherwise the platform's code: 0 deleted, 2 gone already.
constexpr long kValueChanged = -2;
long DeleteIfUnchanged(plat::Registry& reg, const Finding& finding);
// After DeleteIfUnchanged gave `rc`, the value is not there (deleted now, or gone already).
inline bool ValueGone(long rc) { return rc == plat::kErrorSuccess || rc == plat::kErrorFileNotFound; }

// Works through the rows first to last, each chosen row once: a row leaves the list only when
// its value is gone, so the list never claims a repair that did not happen (the row that
// moves up is looked at next); a row whose value stays keeps its place. Yields after each row
// and ends early when stopped.
void RepairRows(plat::Registry& reg, RepairHost& rows);

// The values of the chosen rows as they are now, in row order. A value already gone needs no
// record; one that cannot be read cannot be promised back: not ok, with the user's message.
struct UndoCapture {
    bool ok = true;
    std::vector<UndoValue> values;
    std::string problem;
};
UndoCapture CaptureChosenValues(plat::Registry& reg, RepairHost& rows);

}  // namespace engine
