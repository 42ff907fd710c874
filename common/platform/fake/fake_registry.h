// In-memory registry with the platform's semantics, for tests: case-insensitive names that
// keep the case they were created with, subkeys enumerated in name order, values in creation
// order, the platform's result codes and buffer rules, per-handle access rights, and keys a
// test can mark as denied or read-only.
//
// As on Wine, HKEY_CURRENT_USER is also HKEY_USERS\S-1-5-21-0-0-0-1000 and HKEY_CLASSES_ROOT
// is also HKEY_LOCAL_MACHINE\Software\Classes (the same keys, seen under both names).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/platform/registry.h"

namespace plat {

class FakeRegistry : public Registry {
public:
    FakeRegistry();
    ~FakeRegistry() override;

    long openKey(RegHandle parent, std::string_view subKey, RegHandle* out) override;
    long openKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out) override;
    long createKey(RegHandle parent, std::string_view subKey, RegHandle* out) override;
    long createKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam, RegHandle* out, bool* created) override;
    long enumKey(RegHandle key, uint32_t index, uint32_t bufferChars, std::string* name) override;
    long enumValue(RegHandle key, uint32_t index, std::string* name, uint32_t* nameChars, uint32_t* type,
                   std::vector<uint8_t>* data, uint32_t* dataBytes) override;
    long queryValueEx(RegHandle key, std::string_view name, uint32_t* type, std::vector<uint8_t>* data,
                      uint32_t* dataBytes) override;
    long queryInfoKey(RegHandle key, KeyInfo* info) override;
    long setValueEx(RegHandle key, std::string_view name, uint32_t type, const uint8_t* data, uint32_t bytes) override;
    long deleteValue(RegHandle key, std::string_view name) override;
    long deleteKey(RegHandle parent, std::string_view subKey) override;
    long closeKey(RegHandle key) override;

    // ---- test controls ----

    // Opening the key (root + path, created when missing) fails with kErrorAccessDenied,
    // whatever access is asked for; deleting it too.
    void markAccessDenied(RegHandle root, std::string_view path);
    // The key opens for reading; asking for any write right (or deleting it) gives
    // kErrorAccessDenied. RegOpenKey on it gives a read-only handle.
    void markReadOnly(RegHandle root, std::string_view path);
    void clearMarks(RegHandle root, std::string_view path);

    // Handles opened and not yet closed (predefined roots do not count).
    size_t openHandleCount() const;
    // Every open and create call that succeeded, for tests that count platform calls.
    size_t openCallCount() const { return openCalls_; }

    // Direct inspection without handles: false when the key does not exist.
    bool keyExists(RegHandle root, std::string_view path) const;
    // Value data of root\path\name; false when missing.
    bool getValue(RegHandle root, std::string_view path, std::string_view name, uint32_t* type,
                  std::vector<uint8_t>* data) const;

    struct Node;

private:
    struct OpenHandle {
        std::shared_ptr<Node> node;
        uint32_t access = 0;
    };

    std::shared_ptr<Node> rootNode(RegHandle root) const;
    // Resolves a handle: 0 and kErrorInvalidHandle/kErrorKeyDeleted, plus the rights it holds.
    long resolve(RegHandle key, std::shared_ptr<Node>* node, uint32_t* access) const;
    std::shared_ptr<Node> find(const std::shared_ptr<Node>& from, std::string_view path) const;
    std::shared_ptr<Node> findOrCreate(const std::shared_ptr<Node>& from, std::string_view path);
    long open(RegHandle parent, std::string_view subKey, uint32_t sam, bool maximumAllowed, bool create, RegHandle* out,
              bool* created);
    RegHandle newHandle(std::shared_ptr<Node> node, uint32_t access);

    std::map<RegHandle, std::shared_ptr<Node>> roots_;
    std::map<RegHandle, OpenHandle> handles_;
    RegHandle nextHandle_ = 0x1000;
    size_t openCalls_ = 0;
};

}  // namespace plat
