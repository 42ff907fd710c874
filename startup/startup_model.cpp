#include "startup/startup_model.h"

#include <memory>

#include "common/text/text.h"
#include "startup/mdl_registry.h"
#include "startup/startup_module.h"

namespace startup {
namespace {

// A shortcut's command line as the Data column shows it: the target (quoted when it holds a
// blank, as a command line would need it) and its arguments.
std::string LinkCommandLine(const plat::ShellLinkInfo& link) {
    std::string line = link.target.find(' ') != std::string::npos ? "\"" + link.target + "\"" : link.target;
    if (!link.arguments.empty()) line += " " + link.arguments;
    return line;
}

void Refuse(Outcome* out, const std::string& text) { out->notices.push_back({Notice::Kind::Refused, text, 0}); }

void Fail(Outcome* out, const std::string& what, long code) {
    out->notices.push_back({Notice::Kind::Failed, what, code});
}

}  // namespace

bool StartupModel::Read(plat::RegHandle root) {
    root_ = root;
    entries_.clear();
    for (bool& r : readable_) r = false;
    bool openFailed = false;
    for (PlaceId id : PlacesOfRoot(root)) {
        const Place& place = PlaceOf(id);
        if (IsRegistryPlace(place))
            ReadRegistryPlace(place, &openFailed);
        else
            ReadFolderPlace(place);
    }
    return !openFailed;
}

void StartupModel::ReadRegistryPlace(const Place& place, bool* openFailed) {
    auto reg = std::make_unique<ClsRegistry>(svc_.registry);
    reg->hKey(place.root);
    reg->SubKey(place.keyPath);
    if (!reg->Reg_OpenKey()) {
        // No key yet: nothing starts from it, and a create will make it.
        readable_[place.id] = reg->lastError() == plat::kErrorFileNotFound;
        if (!readable_[place.id]) *openFailed = true;
        return;
    }
    readable_[place.id] = true;
    std::vector<std::string> names, values;
    std::vector<uint32_t> types;
    if (!reg->GetAllValues(names, values, &types)) return;
    StateReader states(svc_.registry, place);
    for (size_t i = 0; i < names.size(); ++i) {
        StartupEntry e;
        e.Name = names[i];
        e.Data = i < values.size() ? values[i] : std::string();
        e.place = place.id;
        e.type = i < types.size() ? types[i] : plat::kRegSz;
        // Windows expands an expandable command line before it starts it; so does the file test.
        e.program = ProgramFileOf(e.type == plat::kRegExpandSz ? svc_.environment.expand(e.Data) : e.Data);
        e.state = states.stateOf(e.Name);
        entries_.push_back(std::move(e));
    }
}

std::string StartupModel::FolderPathOf(PlaceId id) const {
    std::string folder;
    if (svc_.files.specialFolder(PlaceOf(id).csidl, &folder) != 0) return "";
    return folder;
}

void StartupModel::ReadFolderPlace(const Place& place) {
    const std::string folder = FolderPathOf(place.id);
    if (folder.empty()) return;  // no such folder for this user: nothing starts from it
    readable_[place.id] = true;
    StateReader states(svc_.registry, place);
    for (const plat::FileEntry& f : svc_.files.listFiles(folder, "*")) {
        // The folder's own settings file is hidden and never started.
        if (text::equalNoCase(f.name, "desktop.ini")) continue;
        StartupEntry e;
        e.Name = f.name;
        e.place = place.id;
        e.type = 0;
        const std::string path = folder + (folder.back() == '\\' ? "" : "\\") + f.name;
        plat::ShellLinkInfo link;
        const bool isLink = f.name.size() > 4 && text::equalNoCase(f.name.substr(f.name.size() - 4), ".lnk");
        if (isLink && svc_.links.readLink(path, &link) == 0) {
            e.Data = LinkCommandLine(link);
            e.program = link.target;
        } else {
            // Any other file is opened as it is, as is a shortcut the shell cannot read.
            e.Data = path;
            e.program = path;
        }
        e.state = states.stateOf(e.Name);
        entries_.push_back(std::move(e));
    }
}

std::vector<PlaceId> StartupModel::CreatablePlaces() const {
    std::vector<PlaceId> out;
    for (PlaceId id : PlacesOfRoot(root_))
        if (IsRegistryPlace(PlaceOf(id)) && readable_[id]) out.push_back(id);
    return out;
}

int StartupModel::IndexOf(PlaceId place, const std::string& name) const {
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].place == place && entries_[i].Name == name) return static_cast<int>(i);
    return -1;
}

Lookup StartupModel::KeyExists(const std::string& name, PlaceId id, Outcome* out) {
    const Place& place = PlaceOf(id);
    auto reg = std::make_unique<ClsRegistry>(svc_.registry);
    reg->hKey(place.root);
    reg->SubKey(place.keyPath);
    Lookup found = Lookup::Failed;
    if (!reg->Reg_OpenKey()) {
        if (reg->lastError() == plat::kErrorFileNotFound) return Lookup::NotFound;
    } else {
        found = reg->FindValue(name);
    }
    if (found == Lookup::Failed) out->notices.push_back({Notice::Kind::OpenError, kOpenErrorText, 0});
    return found;
}

bool StartupModel::CheckFilled(const std::string& name, const std::string& data, Outcome* out) {
    if (text::trim(name).empty() || text::trim(data).empty()) {
        Refuse(out, kEmptyText);
        return false;
    }
    return true;
}

Outcome StartupModel::Create(PlaceId id, const std::string& name, const std::string& data) {
    Outcome out;
    if (!CheckFilled(name, data, &out)) return out;
    const Place& place = PlaceOf(id);
    // Only a plain "not found" lets a create go on: a failed lookup could hide an entry.
    const Lookup found = KeyExists(name, place.id, &out);
    if (found == Lookup::Found) Refuse(&out, kDuplicateText);
    if (found != Lookup::NotFound) return out;
    const long rc = mdlRegistry::SetValue(svc_.registry, place.root, place.keyPath, name, data, plat::kRegSz);
    if (rc != plat::kErrorSuccess) {
        Fail(&out, "The key could not be written to the registry", rc);
        return out;
    }
    out.reread = out.done = true;
    return out;
}

Outcome StartupModel::Modify(const EntryEdit& edit) {
    Outcome out;
    if (!CheckFilled(edit.newName, edit.data, &out)) return out;
    const std::string& oldName = edit.oldName;
    const std::string& newName = edit.newName;
    const Place& place = PlaceOf(edit.place);
    const uint32_t type = edit.type == plat::kRegExpandSz ? plat::kRegExpandSz : plat::kRegSz;
    // Unchanged data is carried as the registry holds it: the listed text stops at the first
    // NUL, the value may go on after it.
    const bool dataChanged = edit.data != edit.oldData;
    const bool rename = text::toUpper(newName) != text::toUpper(oldName);
    if (rename) {
        const Lookup found = KeyExists(newName, place.id, &out);
        if (found == Lookup::Found) Refuse(&out, kDuplicateText);
        if (found != Lookup::NotFound) return out;
    }
    plat::Registry& reg = svc_.registry;
    if (!rename && newName != oldName) {
        // Written in place, the value would keep the old spelling of its name.
        bool restored = false;
        const long rc = mdlRegistry::RenameCase(reg, place.root, place.keyPath, oldName, newName,
                                                dataChanged ? &edit.data : nullptr, type, &restored);
        out.reread = true;
        if (rc != plat::kErrorSuccess) {
            Fail(&out,
                 restored
                     ? "The key could not be renamed; it was left as it was"
                     : "The key could not be renamed, and the old key \"" + oldName + "\" could not be written back",
                 rc);
            return out;
        }
        out.done = true;
        return out;
    }
    if (!rename && !dataChanged) {
        out.done = true;  // nothing to write
        return out;
    }
    // The new value is written first; the old one goes only once that has succeeded, so a
    // refused write never loses the entry.
    long rc = dataChanged ? mdlRegistry::SetValue(reg, place.root, place.keyPath, newName, edit.data, type)
                          : mdlRegistry::CopyValue(reg, place.root, place.keyPath, oldName, newName);
    if (rc != plat::kErrorSuccess) {
        Fail(&out, "The key could not be written to the registry", rc);
        return out;
    }
    if (rename) {
        rc = mdlRegistry::DeleteValue(reg, place.root, place.keyPath, oldName);
        if (rc != plat::kErrorSuccess && rc != plat::kErrorFileNotFound) {
            Fail(&out, "The key was written, but the old key \"" + oldName + "\" could not be removed", rc);
        } else {
            // The entry keeps its enabled state under its new name.
            rc = CarryState(reg, place, oldName, newName);
            if (rc != plat::kErrorSuccess)
                Fail(&out, "The key was renamed, but its enabled state could not be carried over", rc);
        }
    }
    out.reread = out.done = true;
    return out;
}

Outcome StartupModel::Delete(const StartupEntry& e) {
    Outcome out;
    const Place& place = PlaceOf(e.place);
    long rc = plat::kErrorSuccess;
    if (IsRegistryPlace(place)) {
        rc = mdlRegistry::DeleteValue(svc_.registry, place.root, place.keyPath, e.Name);
        if (rc != plat::kErrorSuccess) Fail(&out, "The key could not be deleted", rc);
    } else {
        // A file goes to the Recycle Bin, from where the user can put it back.
        const std::string folder = FolderPathOf(e.place);
        rc = folder.empty() ? plat::kErrorFileNotFound : svc_.recycleBin.recycle(folder + "\\" + e.Name);
        if (rc != plat::kErrorSuccess) Fail(&out, "The file could not be moved to the Recycle Bin", rc);
    }
    if (rc == plat::kErrorSuccess) {
        // Its state goes with it, so a new entry of that name starts out enabled.
        const long src = DeleteState(svc_.registry, place, e.Name);
        if (src != plat::kErrorSuccess) Fail(&out, "The entry was deleted, but its enabled state was left behind", src);
    }
    out.reread = out.done = true;
    return out;
}

Outcome StartupModel::SetState(const StartupEntry& e, bool enabled) {
    Outcome out;
    if (!enabled && PlaceOf(e.place).kind == PlaceKind::RunOnce) {
        Refuse(&out, kRunOnceDisableText);
        return out;
    }
    const long rc = WriteState(svc_.registry, PlaceOf(e.place), e.Name, enabled, svc_.clock.fileTimeNow());
    if (rc != plat::kErrorSuccess)
        Fail(&out, enabled ? "The entry could not be enabled" : "The entry could not be disabled", rc);
    out.reread = out.done = true;
    return out;
}

}  // namespace startup
