// Where the window keeps a repair's undo record: in hivesave's backup folder (the application
// folder's "Backups"), named "Repair " and the date and time in hivesave's own format, so that
// hivesave lists it beside its backups and its Restore Selected imports it.
#pragma once

#include <string>
#include <vector>

#include "cleaner/engine/undo_record.h"
#include "common/platform/clock.h"
#include "common/platform/files.h"

namespace cleaner {

// "<application folder>\Backups\Repair yy.mm.dd-hh.mm.ss.reg" for this time; " (2)", " (3)"
// ... before ".reg" when a file of that name exists.
std::string RepairUndoFilePath(plat::Files& files, const plat::FileTime& now);

// Writing a record to a named file is the engine's; the window adds where it keeps its own.
using engine::UndoFileResult;
using engine::WriteUndoFile;

// Builds the record of these values and writes it there, creating the backup folder when
// missing. Not ok, and no file left behind, when the record cannot hold a value exactly or
// the file cannot be written whole: the repair must then delete nothing.
UndoFileResult WriteRepairUndoFile(plat::Files& files, plat::Clock& clock,
                                   const std::vector<engine::UndoValue>& values);

}  // namespace cleaner
