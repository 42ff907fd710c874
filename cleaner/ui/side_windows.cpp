// The cleaner's side windows as the main window opens them. The main window keeps them in its
// SideWindowSet; each exists once: opening one that is open brings it forward, and a closed one
// is made anew, so every showing starts from a fresh load.
#include "cleaner/ui/side_windows.h"

#include <memory>
#include <vector>

#include "cleaner/ui/frm_main.h"
#include "cleaner/ui/frm_un.h"
#include "cleaner/ui/frm_update.h"
#include "cleaner/ui/frm_wizard.h"
#include "cleaner/ui/how.h"

namespace cleaner {

struct SideWindowSet {
    FrmWizard* wizard = nullptr;  // while the modal wizard is shown
    std::unique_ptr<FrmUn> un;
    std::unique_ptr<FrmUpdate> update;
    std::unique_ptr<How> about;
    // Closed windows whose handler was still running when they were replaced.
    std::vector<std::unique_ptr<ui::Form>> retired;
};

namespace {

SideWindowSet& setOf(FrmMain& main) {
    if (!main.sideWindows) main.sideWindows = std::make_shared<SideWindowSet>();
    return *main.sideWindows;
}

void dropRetired(SideWindowSet& set) {
    auto& r = set.retired;
    for (size_t i = 0; i < r.size();) {
        if (r[i]->busyDepth() == 0 && !r[i]->loaded())
            r.erase(r.begin() + static_cast<long>(i));
        else
            ++i;
    }
}

// True when the window in `slot` is open: it is brought forward. Otherwise the slot is emptied
// (the closed window is freed, or retired while a handler of it still runs).
template <class T>
bool bringForward(SideWindowSet& set, std::unique_ptr<T>& slot) {
    dropRetired(set);
    if (!slot) return false;
    if (slot->loaded()) {
        if (slot->windowState() == ui::WindowState::Minimized) slot->setWindowState(ui::WindowState::Normal);
        if (slot->visible())
            slot->activate();
        else
            slot->show();
        return true;
    }
    if (slot->busyDepth() > 0) set.retired.push_back(std::move(slot));
    slot.reset();
    return false;
}

void showUpdate(FrmMain& main, ui::Form& owner) {
    SideWindowSet& set = setOf(main);
    if (bringForward(set, set.update)) return;
    set.update = std::make_unique<FrmUpdate>(main.host(), main.http,
                                             main.updateSite.empty() ? std::string(kUpdateSite) : main.updateSite);
    set.update->show(&owner);
}

}  // namespace

void ShowWizard(FrmMain& main) {
    SideWindowSet& set = setOf(main);
    if (set.wizard) {
        set.wizard->activate();
        return;
    }
    plat::Services& svc = main.services();
    FrmWizard wizard(main.host(), main.lvLocations, svc.files, svc.shell, [&main] { return main.SpanishMode(); });
    set.wizard = &wizard;
    wizard.showModal(nullptr);
    if (wizard.loaded()) wizard.unload(ui::kUnloadByApp);
    setOf(main).wizard = nullptr;
}

void ShowUninstallManager(FrmMain& main) {
    SideWindowSet& set = setOf(main);
    if (bringForward(set, set.un)) return;
    plat::Services& svc = main.services();
    set.un = std::make_unique<FrmUn>(main.host(), svc.registry, svc.files, svc.shell, StandardEnvironment(svc.files));
    set.un->show(&main);
}

void ShowUpdateCheck(FrmMain& main) { showUpdate(main, main); }

void ShowAbout(FrmMain& main) {
    SideWindowSet& set = setOf(main);
    if (bringForward(set, set.about)) return;
    plat::Services& svc = main.services();
    set.about =
        std::make_unique<How>(main.host(), svc.files, svc.shell, [&main](ui::Form& owner) { showUpdate(main, owner); });
    How* about = set.about.get();
    // An update window the about window owns closes with it.
    about->onClosing = [&main, about] {
        SideWindowSet& s = setOf(main);
        if (s.update && s.update->loaded() && s.update->owner() == about) s.update->unload();
    };
    set.about->show(&main);
}

void CloseSideWindows(FrmMain& main) {
    if (!main.sideWindows) return;
    SideWindowSet& set = *main.sideWindows;
    if (set.wizard && set.wizard->loaded()) set.wizard->unload(ui::kUnloadByApp);
    if (set.update && set.update->loaded()) set.update->unload(ui::kUnloadByApp);
    if (set.about && set.about->loaded()) set.about->unload(ui::kUnloadByApp);
    if (set.un && set.un->loaded()) set.un->unload(ui::kUnloadByApp);
}

}  // namespace cleaner
