#include "cleaner/engine/undo_record.h"

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

}  // namespace engine
