// The places Windows starts programs from at log-on, and the enabled state Windows keeps for
// them below Explorer's StartupApproved key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/platform/registry.h"
#include "common/registry/reg_key.h"

namespace startup {

// The Run key below both roots (64-bit view).
inline constexpr const char* kRunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunOnceKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// The machine's keys as 32-bit programs see them: named by their real path, so that a row and
// every change of it address that key whatever view the registry would pick.
inline constexpr const char* kRun32KeyPath = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const char* kRunOnce32KeyPath = "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
inline constexpr const char* kApprovedPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";

inline constexpr int kCsidlStartup = 0x0007;
inline constexpr int kCsidlCommonStartup = 0x0018;

enum class PlaceKind { Run, RunOnce, Folder };

// The places, in the order the window lists them.
enum PlaceId {
    kUserRun,
    kUserRunOnce,
    kUserFolder,
    kMachineRun,
    kMachineRun32,
    kMachineRunOnce,
    kMachineRunOnce32,
    kCommonFolder,
    kPlaceCount
};

struct Place {
    PlaceId id;
    PlaceKind kind;
    plat::RegHandle root;  // of the key, and of the state value
    bool view32;           // the machine's 32-bit view
    const char* keyPath;   // Run and RunOnce places
    int csidl;             // folder places
    const char* label;     // the window's Place column
    const char* approved;  // subkey of kApprovedPath holding the state; nullptr: none (RunOnce)
};

const Place& PlaceOf(int id);
// The places the window shows for a root: the user's three, or the machine's five.
std::vector<PlaceId> PlacesOfRoot(plat::RegHandle root);
inline bool IsRegistryPlace(const Place& p) { return p.kind != PlaceKind::Folder; }
// "HKEY_LOCAL_MACHINE\Software\WOW6432Node\...\Run" for a registry place.
std::string KeyTextOf(const Place& p);

enum class EntryState { Enabled, Disabled, Once };

// The state value Windows writes: the first byte 02 (enabled) or 03 (disabled), three zero
// bytes, then the file time of the change, least significant byte first.
std::vector<uint8_t> StateBytes(bool enabled, uint64_t fileTime);
// Even first byte, no value, or empty data: enabled. Odd first byte: disabled.
bool StateSaysDisabled(const std::vector<uint8_t>& bytes);

// Reads the states of names of one place through one opened key. RunOnce places give Once.
class StateReader {
public:
    StateReader(plat::Registry& reg, const Place& place);
    ~StateReader();
    StateReader(const StateReader&) = delete;
    StateReader& operator=(const StateReader&) = delete;
    EntryState stateOf(const std::string& name);

private:
    plat::Registry& reg_;
    const Place& place_;
    reg::Key key_;
};

// Writes the state value of `name` (creating the StartupApproved keys when missing).
long WriteState(plat::Registry& reg, const Place& place, const std::string& name, bool enabled, uint64_t fileTime);
// Deletes the state value of `name`; 0 also when there was none.
long DeleteState(plat::Registry& reg, const Place& place, const std::string& name);
// Moves the state value of `oldName` to `newName` as it is (bytes and type); when the old name
// has none, a state value left under the new name is deleted, so the entry keeps its own
// state. 0 when done.
long CarryState(plat::Registry& reg, const Place& place, const std::string& oldName, const std::string& newName);

}  // namespace startup
