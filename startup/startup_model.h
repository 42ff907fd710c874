// The startup entries of one root and the changes made to them: reading the Run and RunOnce
// keys and the Startup folders with each entry's program file and state, and creating,
// changing, deleting, disabling and enabling an entry. The window and hiverun both call it;
// each change returns what a user must be told, in order, for the front end to show its way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform/clock.h"
#include "common/platform/files.h"
#include "common/platform/icons.h"
#include "common/platform/registry.h"
#include "common/platform/shell.h"
#include "common/platform/startup_shell.h"
#include "startup/cls_registry.h"
#include "startup/places.h"

namespace startup {

struct StartupEntry {
    std::string Name;  // value name, or file name in a Startup folder
    std::string Data;  // string data as stored; a shortcut's target and arguments
    PlaceId place = kUserRun;
    uint32_t type = plat::kRegSz;  // value type (0 for a file)
    std::string program;           // the program file, variables expanded
    EntryState state = EntryState::Enabled;
};

struct StartupServices {
    plat::Registry& registry;
    plat::Files& files;
    plat::Shell& shell;
    plat::Icons& icons;
    plat::Clock& clock;
    plat::ShellLinks& links;
    plat::RecycleBin& recycleBin;
    plat::Environment& environment;
};

inline constexpr const char* kOpenErrorText = "-2147221504 - Error working/opening registry key\r\n\r\nEnding program.";
inline constexpr const char* kEmptyText = "Please enter a Name and Data for the key.";
inline constexpr const char* kDuplicateText = "There is already a key with the Name you specified.";
inline constexpr const char* kRunOnceDisableText =
    "A RunOnce entry runs only once, at the next log-on, and cannot be disabled. Delete it to keep it from running.";

// One thing a change has to tell the user.
struct Notice {
    enum class Kind {
        Refused,    // a check refused the change: `text` says why, nothing was written
        OpenError,  // the key could not be opened to look for a name (kOpenErrorText)
        Failed,     // the registry or the file system refused: `text` says what, `code` why
    };
    Kind kind;
    std::string text;
    long code = 0;
};

struct Outcome {
    std::vector<Notice> notices;  // in the order they arose
    bool reread = false;          // the places may have changed: read them again
    bool done = false;            // the change is complete (its dialog closes)
};

// A change of one entry where it is: a new name, new data, or both.
struct EntryEdit {
    PlaceId place = kUserRun;
    std::string oldName;
    std::string newName;
    std::string data;     // the new data
    std::string oldData;  // the data as listed: when unchanged, a rename copies the exact bytes
    uint32_t type = plat::kRegSz;
};

class StartupModel {
public:
    explicit StartupModel(StartupServices services) : svc_(services) {}

    // Reads every place of `root` (the user's three or the machine's five). False when a key
    // exists but could not be opened: its entries are missing and it takes no changes.
    bool Read(plat::RegHandle root);
    plat::RegHandle root() const { return root_; }
    const std::vector<StartupEntry>& entries() const { return entries_; }
    // Whether the last reading could read the place (a missing key or folder can be read: it
    // holds nothing).
    bool readable(PlaceId place) const { return readable_[place]; }
    // The registry places of the root that take a new entry: those that could be read.
    std::vector<PlaceId> CreatablePlaces() const;
    // The index of the entry of that place and exact name, -1 when none.
    int IndexOf(PlaceId place, const std::string& name) const;
    // The folder of a Startup-folder place, "" when the system names none.
    std::string FolderPathOf(PlaceId place) const;

    // Asks the key of a registry place for this exact name; an open error is added to *out.
    Lookup KeyExists(const std::string& name, PlaceId place, Outcome* out);

    Outcome Create(PlaceId place, const std::string& name, const std::string& data);
    Outcome Modify(const EntryEdit& edit);
    Outcome Delete(const StartupEntry& entry);
    Outcome SetState(const StartupEntry& entry, bool enabled);

private:
    void ReadRegistryPlace(const Place& place, bool* openFailed);
    void ReadFolderPlace(const Place& place);
    // Empty name or data (blanks only) refuses the change.
    static bool CheckFilled(const std::string& name, const std::string& data, Outcome* out);

    StartupServices svc_;
    plat::RegHandle root_ = plat::kHkeyCurrentUser;
    std::vector<StartupEntry> entries_;
    bool readable_[kPlaceCount] = {};
};

}  // namespace startup
