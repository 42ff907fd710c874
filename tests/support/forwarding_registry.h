// A registry service that hands every call to another one: tests derive from it and override
// only the calls they watch or change.
#pragma once

#include "common/platform/registry.h"

namespace testsupport {

class ForwardingRegistry : public plat::Registry {
public:
    explicit ForwardingRegistry(plat::Registry& inner) : inner_(inner) {}

    long openKey(plat::RegHandle p, std::string_view s, plat::RegHandle* out) override {
        return inner_.openKey(p, s, out);
    }
    long openKeyEx(plat::RegHandle p, std::string_view s, uint32_t sam, plat::RegHandle* out) override {
        return inner_.openKeyEx(p, s, sam, out);
    }
    long createKey(plat::RegHandle p, std::string_view s, plat::RegHandle* out) override {
        return inner_.createKey(p, s, out);
    }
    long createKeyEx(plat::RegHandle p, std::string_view s, uint32_t sam, plat::RegHandle* out, bool* c) override {
        return inner_.createKeyEx(p, s, sam, out, c);
    }
    long enumKey(plat::RegHandle k, uint32_t i, uint32_t n, std::string* name) override {
        return inner_.enumKey(k, i, n, name);
    }
    long enumValue(plat::RegHandle k, uint32_t i, std::string* name, uint32_t* nc, uint32_t* t, std::vector<uint8_t>* d,
                   uint32_t* db) override {
        return inner_.enumValue(k, i, name, nc, t, d, db);
    }
    long queryValueEx(plat::RegHandle k, std::string_view n, uint32_t* t, std::vector<uint8_t>* d,
                      uint32_t* db) override {
        return inner_.queryValueEx(k, n, t, d, db);
    }
    long queryInfoKey(plat::RegHandle k, plat::KeyInfo* info) override { return inner_.queryInfoKey(k, info); }
    long setValueEx(plat::RegHandle k, std::string_view n, uint32_t t, const uint8_t* d, uint32_t b) override {
        return inner_.setValueEx(k, n, t, d, b);
    }
    long deleteValue(plat::RegHandle k, std::string_view n) override { return inner_.deleteValue(k, n); }
    long deleteKey(plat::RegHandle p, std::string_view s) override { return inner_.deleteKey(p, s); }
    long deleteKeyEx(plat::RegHandle p, std::string_view s, uint32_t sam) override {
        return inner_.deleteKeyEx(p, s, sam);
    }
    long closeKey(plat::RegHandle k) override { return inner_.closeKey(k); }
    long queryKeyName(plat::RegHandle k, std::string* name) override { return inner_.queryKeyName(k, name); }

private:
    plat::Registry& inner_;
};

}  // namespace testsupport
