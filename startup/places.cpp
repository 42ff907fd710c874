#include "startup/places.h"

#include "common/registry/reg_key.h"
#include "common/registry/reg_value.h"

namespace startup {

namespace {

const Place kPlaces[kPlaceCount] = {
    {kUserRun, PlaceKind::Run, plat::kHkeyCurrentUser, false, kRunKeyPath, 0, "Run", "Run"},
    {kUserRunOnce, PlaceKind::RunOnce, plat::kHkeyCurrentUser, false, kRunOnceKeyPath, 0, "RunOnce", nullptr},
    {kUserFolder, PlaceKind::Folder, plat::kHkeyCurrentUser, false, nullptr, kCsidlStartup, "Startup folder",
     "StartupFolder"},
    {kMachineRun, PlaceKind::Run, plat::kHkeyLocalMachine, false, kRunKeyPath, 0, "Run", "Run"},
    {kMachineRun32, PlaceKind::Run, plat::kHkeyLocalMachine, true, kRun32KeyPath, 0, "Run (32-bit)", "Run32"},
    {kMachineRunOnce, PlaceKind::RunOnce, plat::kHkeyLocalMachine, false, kRunOnceKeyPath, 0, "RunOnce", nullptr},
    {kMachineRunOnce32, PlaceKind::RunOnce, plat::kHkeyLocalMachine, true, kRunOnce32KeyPath, 0, "RunOnce (32-bit)",
     nullptr},
    {kCommonFolder, PlaceKind::Folder, plat::kHkeyLocalMachine, false, nullptr, kCsidlCommonStartup, "Startup folder",
     "StartupFolder"},
};

std::string ApprovedKeyOf(const Place& p) { return std::string(kApprovedPath) + "\\" + p.approved; }

}  // namespace

const Place& PlaceOf(int id) { return kPlaces[id]; }

std::vector<PlaceId> PlacesOfRoot(plat::RegHandle root) {
    if (root == plat::kHkeyCurrentUser) return {kUserRun, kUserRunOnce, kUserFolder};
    return {kMachineRun, kMachineRun32, kMachineRunOnce, kMachineRunOnce32, kCommonFolder};
}

std::string KeyTextOf(const Place& p) {
    std::string root = p.root == plat::kHkeyCurrentUser ? "HKEY_CURRENT_USER\\" : "HKEY_LOCAL_MACHINE\\";
    return root + (p.keyPath ? p.keyPath : "");
}

std::vector<uint8_t> StateBytes(bool enabled, uint64_t fileTime) {
    std::vector<uint8_t> b(12, 0);
    b[0] = enabled ? 0x02 : 0x03;
    for (int i = 0; i < 8; ++i) b[4 + i] = static_cast<uint8_t>(fileTime >> (8 * i));
    return b;
}

bool StateSaysDisabled(const std::vector<uint8_t>& bytes) { return !bytes.empty() && (bytes[0] & 1) != 0; }

StateReader::StateReader(plat::Registry& reg, const Place& place) : reg_(reg), place_(place) {
    if (place.approved) key_ = reg::Key::open(reg_, place.root, ApprovedKeyOf(place), plat::kKeyRead);
}

StateReader::~StateReader() = default;

EntryState StateReader::stateOf(const std::string& name) {
    if (!place_.approved) return EntryState::Once;
    if (!key_) return EntryState::Enabled;
    std::optional<reg::Value> v = reg::tryReadValue(reg_, key_.get(), name);
    return v && StateSaysDisabled(v->data) ? EntryState::Disabled : EntryState::Enabled;
}

long WriteState(plat::Registry& reg, const Place& place, const std::string& name, bool enabled, uint64_t fileTime) {
    if (!place.approved) return plat::kErrorInvalidParameter;
    long rc = plat::kErrorSuccess;
    const reg::Key key =
        reg::Key::createWith(reg, place.root, ApprovedKeyOf(place), plat::kKeySetValue | plat::kKeyQueryValue, &rc);
    if (!key) return rc;
    return reg::writeValue(reg, key.get(), name, plat::kRegBinary, StateBytes(enabled, fileTime));
}

long DeleteState(plat::Registry& reg, const Place& place, const std::string& name) {
    if (!place.approved) return plat::kErrorSuccess;
    long rc = plat::kErrorSuccess;
    const reg::Key key = reg::Key::open(reg, place.root, ApprovedKeyOf(place), plat::kKeySetValue, &rc);
    if (!key) return rc == plat::kErrorFileNotFound ? plat::kErrorSuccess : rc;
    rc = reg::deleteValue(reg, key.get(), name);
    return rc == plat::kErrorFileNotFound ? plat::kErrorSuccess : rc;
}

long CarryState(plat::Registry& reg, const Place& place, const std::string& oldName, const std::string& newName) {
    if (!place.approved) return plat::kErrorSuccess;
    long rc = plat::kErrorSuccess;
    const reg::Key key =
        reg::Key::open(reg, place.root, ApprovedKeyOf(place), plat::kKeySetValue | plat::kKeyQueryValue, &rc);
    if (!key) return rc == plat::kErrorFileNotFound ? plat::kErrorSuccess : rc;
    std::optional<reg::Value> old = reg::tryReadValue(reg, key.get(), oldName, &rc);
    if (!old) {
        if (rc != plat::kErrorFileNotFound) return rc;
        rc = reg::deleteValue(reg, key.get(), newName);
        return rc == plat::kErrorFileNotFound ? plat::kErrorSuccess : rc;
    }
    rc = reg::writeValue(reg, key.get(), newName, old->type, old->data);
    if (rc != plat::kErrorSuccess) return rc;
    return reg::deleteValue(reg, key.get(), oldName);
}

}  // namespace startup
