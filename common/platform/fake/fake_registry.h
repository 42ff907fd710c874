// In-memory registry with the platform's semantics, for tests: case-insensitive names that
// keep the case they were created with, subkeys enumerated in name order, values in creation
// order, the platform's result codes and buffer rules, per-handle access rights, and keys a
// test can mark as denied or read-only.
//
// As on Wine, HKEY_CURRENT_USER is also HKEY_USERS\S-1-5-21-0-0-0-1000 and HKEY_CLASSES_ROOT
// is also HKEY_LOCAL_MACHINE\Software\Classes (the same keys, seen under both names).
//
// It is a 64-bit system with both registry views: an open or create with kKeyWow64_32Key goes
// where a 32-bit program's would (HKLM\Software\x to HKLM\Software\Wow6432Node\x, the class
// ids and interfaces of a classes branch below its Wow6432Node; the keys Windows shares between
// the views stay where they are). Keys may be symbolic links to other keys (addLink); the full
// name of an open key (queryKeyName) is that of the key reached, as \REGISTRY\MACHINE\... or
// \REGISTRY\USER\....
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
    // In the view `sam` names. A link is followed, as on Windows: deleting it deletes its target.
    long deleteKeyEx(RegHandle parent, std::string_view subKey, uint32_t sam) override;
    long closeKey(RegHandle key) override;
    long queryKeyName(RegHandle key, std::string* name) override;

    // ---- test controls ----

    // Opening the key (root + path, created when missing) fails with kErrorAccessDenied,
    // whatever access is asked for; deleting it too.
    void markAccessDenied(RegHandle root, std::string_view path);
    // The key opens for reading; asking for any write right (or deleting it) gives
    // kErrorAccessDenied. RegOpenKey on it gives a read-only handle.
    void markReadOnly(RegHandle root, std::string_view path);
    void clearMarks(RegHandle root, std::string_view path);
    // Makes root\path a symbolic link to targetRoot\targetPath (created when missing), as a
    // key created with REG_OPTION_CREATE_LINK; false when root\path exists already.
    bool addLink(RegHandle root, std::string_view path, RegHandle targetRoot, std::string_view targetPath);
    // Takes the link root\path away (not its target), as a delete of the key opened as a link does.
    bool removeLink(RegHandle root, std::string_view path);

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
    // The subkey `name` of `node`, its link followed; nullptr when missing or leading nowhere.
    std::shared_ptr<Node> child(const std::shared_ptr<Node>& node, std::string_view name, int hops) const;
    std::shared_ptr<Node> byFullName(std::string_view fullName, int hops) const;
    // "\REGISTRY\MACHINE\..." or "\REGISTRY\USER\..."; *root gets that root (0 for another one).
    std::string fullNameOf(const std::shared_ptr<Node>& node, RegHandle* root) const;
    void viewPath(std::shared_ptr<Node>* base, std::vector<std::string>* parts, uint32_t sam) const;
    static void redirect32(RegHandle root, std::vector<std::string>& parts);
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
