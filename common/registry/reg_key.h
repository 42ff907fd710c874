// One open registry key that closes itself. Move-only; a predefined root is held without being
// opened and is never closed. Every program of the suite opens keys through this type, so no
// key is closed by hand.
#pragma once

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

    plat::RegHandle get() const { return h_; }
    explicit operator bool() const { return h_ != 0; }
    plat::Registry& registry() const { return *reg_; }

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

}  // namespace reg
