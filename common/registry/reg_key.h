// One open registry key that closes itself. Move-only; a predefined root is held without being
// opened and is never closed. Every program of the suite opens keys through this type, so no
// key is closed by hand.
//
// The registry layer's error policy, for this file and the others of common/registry: a read
// named try... gives an optional (nullopt when it cannot be read); every other call gives the
// platform's result code (0 = done), or an empty Key with the code in *rc.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "common/platform/registry.h"

namespace reg {

// True for the predefined roots (HKEY_CLASSES_ROOT ... HKEY_DYN_DATA), which are not opened.
constexpr bool isPredefinedRoot(plat::RegHandle h) { return h >= 0x80000000u && h <= 0x800000FFu; }

class Key {
public:
    Key() = default;
    // Takes ownership of an opened handle (a predefined root is held, not owned).
    Key(plat::Registry& registry, plat::RegHandle handle)
        : reg_(&registry), h_(handle), owned_(!isPredefinedRoot(handle)) {}
    ~Key() { reset(); }
    Key(Key&& other) noexcept : reg_(other.reg_), h_(std::exchange(other.h_, 0)), owned_(other.owned_) {}
    Key& operator=(Key&& other) noexcept {
        if (this != &other) {
            reset();
            reg_ = other.reg_;
            h_ = std::exchange(other.h_, 0);
            owned_ = other.owned_;
        }
        return *this;
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    // A root, or a key the caller keeps open, as a key: held, never closed.
    static Key borrowed(plat::Registry& registry, plat::RegHandle handle) {
        Key k(registry, handle);
        k.owned_ = false;
        return k;
    }
    static Key root(plat::Registry& registry, plat::RegHandle root) { return borrowed(registry, root); }

    // RegOpenKeyEx with `sam`; *rc (when given) gets the platform's code.
    static Key open(plat::Registry& registry, plat::RegHandle parent, std::string_view path, uint32_t sam,
                    long* rc = nullptr) {
        plat::RegHandle h = 0;
        const long code = registry.openKeyEx(parent, path, sam, &h);
        if (rc) *rc = code;
        return code == plat::kErrorSuccess ? Key(registry, h) : Key();
    }
    // RegOpenKey: the most access the caller may have. The empty path gives the parent's own
    // handle back, which stays the caller's.
    static Key openMost(plat::Registry& registry, plat::RegHandle parent, std::string_view path, long* rc = nullptr) {
        plat::RegHandle h = 0;
        const long code = registry.openKey(parent, path, &h);
        if (rc) *rc = code;
        if (code != plat::kErrorSuccess) return Key();
        return h == parent ? borrowed(registry, h) : Key(registry, h);
    }
    // RegCreateKey: opens or creates with full rights.
    static Key create(plat::Registry& registry, plat::RegHandle parent, std::string_view path, long* rc = nullptr) {
        plat::RegHandle h = 0;
        const long code = registry.createKey(parent, path, &h);
        if (rc) *rc = code;
        return code == plat::kErrorSuccess ? Key(registry, h) : Key();
    }

    // RegCreateKeyEx with `sam`: opens or creates; *created (when given) tells whether the key
    // is new.
    static Key createWith(plat::Registry& registry, plat::RegHandle parent, std::string_view path, uint32_t sam,
                          long* rc = nullptr, bool* created = nullptr) {
        plat::RegHandle h = 0;
        const long code = registry.createKeyEx(parent, path, sam, &h, created);
        if (rc) *rc = code;
        return code == plat::kErrorSuccess ? Key(registry, h) : Key();
    }

    plat::RegHandle get() const { return h_; }
    explicit operator bool() const { return h_ != 0; }
    plat::Registry& registry() const { return *reg_; }

    // Gives the handle to the caller, who closes it; the Key is empty afterwards.
    plat::RegHandle release() { return std::exchange(h_, 0); }

    // Closes now (a root is only let go).
    void reset() {
        if (h_ != 0 && reg_ && owned_) reg_->closeKey(h_);
        h_ = 0;
    }

private:
    plat::Registry* reg_ = nullptr;
    plat::RegHandle h_ = 0;
    bool owned_ = false;
};

// The key's full name as the registry knows it ("\REGISTRY\MACHINE\SOFTWARE"), whatever path,
// link or view it was opened through; the platform's code.
inline long keyName(plat::Registry& registry, plat::RegHandle key, std::string* name) {
    return registry.queryKeyName(key, name);
}

// Deletes parent\path, which must have no subkeys, in the registry view `sam` names (0: the
// caller's own); the platform's code.
inline long deleteKey(plat::Registry& registry, plat::RegHandle parent, std::string_view path, uint32_t sam = 0) {
    return registry.deleteKeyEx(parent, path, sam);
}

}  // namespace reg
