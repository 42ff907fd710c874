// The startup manager's own registry class: one key of one root, opened for reading, whose
// string values (plain and expandable) are read as startup entries. A facade over the
// registry layer (reg::).
#pragma once

#include <string>
#include <vector>

#include "common/platform/registry.h"
#include "common/registry/reg_key.h"
#include "startup/places.h"

namespace startup {

// What a lookup of one exact value name found. Anything but NotFound must stop a create.
enum class Lookup { Found, NotFound, Failed };

class ClsRegistry {
public:
    explicit ClsRegistry(plat::Registry& reg) : reg_(reg) {}
    ~ClsRegistry() { Reg_CloseKey(); }
    ClsRegistry(const ClsRegistry&) = delete;
    ClsRegistry& operator=(const ClsRegistry&) = delete;

    const std::string& SubKey() const { return subKey_; }
    void SubKey(const std::string& s) { subKey_ = s; }
    plat::RegHandle hKey() const { return root_; }
    void hKey(plat::RegHandle h) { root_ = h; }

    void Reg_CloseKey();
    // Opens hKey\SubKey for reading only: listing never needs more, and a key the user may
    // read but not write must still list its own values.
    bool Reg_OpenKey();
    // The platform's code of the last open or enumeration that failed (0 when none did).
    long lastError() const { return lastError_; }

    // Appends the name and data of every string value, plain or expandable (Windows starts
    // both), whatever its length, and its type to `types` when given. True when at least one
    // entry was stored.
    bool GetAllValues(std::vector<std::string>& keyArray, std::vector<std::string>& valueArray,
                      std::vector<uint32_t>* types = nullptr);

    // Asks the open key for this exact name, whatever the value's type.
    Lookup FindValue(const std::string& name);

private:
    plat::Registry& reg_;
    plat::RegHandle root_ = 0;
    std::string subKey_;
    reg::Key key_;
    long lastError_ = 0;
};

}  // namespace startup
