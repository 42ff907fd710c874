// The registry a backend-neutral test runs against: the in-memory substitute natively, the
// real registry of the (throwaway) Wine prefix in the Windows build. Tests work below
// HKEY_CURRENT_USER\Software\ScourlineContractTest\<process id>, which ScratchKey creates
// empty and removes again (one key per process, so test programs may run side by side).
#pragma once

#include <memory>
#include <string>

#include "common/platform/registry.h"

namespace testsupport {

std::unique_ptr<plat::Registry> makeTestRegistry();
// True when makeTestRegistry gives the platform's own registry.
bool usingRealRegistry();

// Makes root\path a registry link to the existing key targetRoot\targetPath, in the registry
// makeTestRegistry gives (the in-memory registry's links, or a link key of the real registry).
// removeLink takes the link away again, never its target. Both give false on failure.
bool makeLink(plat::Registry& reg, plat::RegHandle root, const std::string& path, plat::RegHandle targetRoot,
              const std::string& targetPath);
bool removeLink(plat::Registry& reg, plat::RegHandle root, const std::string& path);

// Holds an empty HKCU\Software\ScourlineContractTest for the life of a test.
class ScratchKey {
public:
    explicit ScratchKey(plat::Registry& reg);
    ~ScratchKey();
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    // The scratch key opened with full rights (closed by the destructor).
    plat::RegHandle handle() const { return handle_; }
    // The scratch key's path below HKEY_CURRENT_USER, plus "\" + sub when sub is given.
    static std::string path(const std::string& sub = "");
    // The same as a location text below HKEY_CURRENT_USER.
    static std::string location(const std::string& sub = "");

private:
    plat::Registry& reg_;
    plat::RegHandle handle_ = 0;
};

}  // namespace testsupport
