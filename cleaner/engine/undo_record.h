// The undo record of a repair: a registry-editor file ("Windows Registry Editor Version 5.00",
// UTF-16LE with a byte-order mark, CR LF) that puts back every value the repair is about to
// delete, with its exact type and bytes. The system's registry editor imports it (regedit /S,
// or hivesave's Restore Selected when it lies in the backup folder).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/files.h"
#include "common/platform/registry.h"

namespace engine {

// One value as it is before the repair deletes it.
struct UndoValue {
    plat::RegHandle root = 0;   // a predefined root (plat::kHkeyCurrentUser, ...)
    std::string keyPath;        // below the root, exact (WTF-8); "" = the root itself
    std::string name;           // exact (WTF-8); "" = the key's default value
    uint32_t type = 0;          // the value's type code, any number
    std::vector<uint8_t> data;  // the exact bytes
};

struct UndoRecord {
    bool ok = false;
    std::string bytes;        // the file's bytes when ok
    std::string problem;      // when not ok: which value the file cannot hold, and why (English)
    size_t problemValue = 0;  // when not ok: its index in the values given
};

// The file for these values, in the registry editor's own form (reg::ScriptWriter): one
// header per key, a value listed twice written once.
// Not ok (nothing to write) when a value cannot be put back exactly by the editor: a root it
// does not know (performance data, dynamic data, an unknown handle), a name or key path
// holding a NUL, a carriage return or a line feed, or text data (types 1, 2, 7) whose last
// whole UTF-16 unit is not a NUL (the editor appends one when it imports such data).
UndoRecord BuildUndoRecord(const std::vector<UndoValue>& values);

// Reads a value before it is deleted. Returns the platform's code: 0 with *out filled; 2 when
// the value (or its key) does not exist, so there is nothing to keep; anything else when it
// cannot be read, so it must not be deleted under the promise of a complete record.
long CaptureValue(plat::Registry& reg, plat::RegHandle root, const std::string& keyPath, const std::string& name,
                  UndoValue* out);

struct UndoFileResult {
    bool ok = false;
    std::string path;     // the file written (when ok)
    std::string problem;  // why nothing was written (when not ok), for the user
};

// Builds the record of these values and writes it to `path` (a new file: never over one that
// exists), read back to be sure it is whole. Not ok, and no file left behind, when the record
// cannot hold a value exactly, a file has that name, or the file cannot be written whole.
UndoFileResult WriteUndoFile(plat::Files& files, const std::string& path, const std::vector<UndoValue>& values);

}  // namespace engine
