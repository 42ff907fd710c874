#include "cleaner/engine/undo_record.h"

#include <optional>

#include "common/registry/reg_key.h"
#include "common/registry/reg_script.h"
#include "common/registry/reg_value.h"

namespace engine {

UndoRecord BuildUndoRecord(const std::vector<UndoValue>& values) {
    UndoRecord result;
    reg::ScriptWriter writer;
    for (const UndoValue& v : values) {
        const std::string why = writer.addValue(v.root, v.keyPath, v.name, v.type, v.data);
        if (why.empty()) continue;
        const char* rootName = reg::scriptRootName(v.root);
        result.problem = why + ": " + (rootName ? std::string(rootName) : std::string("an unknown root")) +
                         (v.keyPath.empty() ? "" : "\\" + v.keyPath) + ", value \"" + v.name + "\"";
        result.problemValue = static_cast<size_t>(&v - values.data());
        return result;
    }
    result.bytes = writer.bytes();
    result.ok = true;
    return result;
}

long CaptureValue(plat::Registry& reg, plat::RegHandle root, const std::string& keyPath, const std::string& name,
                  UndoValue* out) {
    long rc = plat::kErrorSuccess;
    const reg::Key key = reg::Key::open(reg, root, keyPath, plat::kKeyQueryValue, &rc);
    if (!key) return rc;
    std::optional<reg::Value> value = reg::tryReadValue(reg, key.get(), name, &rc);
    if (!value) return rc;
    out->root = root;
    out->keyPath = keyPath;
    out->name = name;
    out->type = value->type;
    out->data = std::move(value->data);
    return plat::kErrorSuccess;
}

UndoFileResult WriteUndoFile(plat::Files& files, const std::string& path, const std::vector<UndoValue>& values) {
    UndoFileResult result;
    UndoRecord record = BuildUndoRecord(values);
    if (!record.ok) {
        result.problem = "The undo file cannot hold every value exactly: " + record.problem + ".";
        return result;
    }
    // Written beside its name and given the name only once whole, never over another file: a
    // write that fails (a full disk) leaves nothing under a record's name, and an older record
    // stays as it was.
    const long rc = files.writeNewFile(path, record.bytes);
    if (rc == plat::Files::kFileExists) {
        result.problem = "The undo file " + path + " exists already; an undo file is never written over another.";
        return result;
    }
    // Read back: a file that is there but not whole is no record.
    std::optional<std::string> written = rc == 0 ? files.readFile(path) : std::nullopt;
    if (rc != 0 || !written || *written != record.bytes) {
        // The name was free before the write: whatever is under it now is this write's part.
        if (files.stat(path)) files.deleteFile(path);
        result.problem = "The undo file " + path + " could not be written" +
                         (rc != 0 ? " (error " + std::to_string(rc) + ")." : " whole.");
        return result;
    }
    result.ok = true;
    result.path = path;
    return result;
}

}  // namespace engine
