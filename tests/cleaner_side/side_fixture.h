// Shared set-up of the side-window tests: the main window on the headless backend over an
// in-memory registry (a 64-bit system with both registry views), file tree, shell, clock and
// http substitute.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaner/ui/app_state.h"
#include "cleaner/ui/frm_main.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_http.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/registry/mdl_registry.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "common/registry/reg_value.h"
#include "tests/support/forwarding_registry.h"

namespace sidetest {

constexpr const char* kApp = "C:\\Program Files\\Scourline";
constexpr const char* kSettings = "Software\\Tolvane\\Registry Cleaner\\Registry Cleaner";
constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

class SideTest : public ::testing::Test {
protected:
    plat::FakeRegistry fakeReg;
    testsupport::ForwardingRegistry reg{fakeReg};
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::FakeHttp http;
    plat::Services svc{reg, files, shell, clock};
    ui::HeadlessHost host;
    ui::Driver drv{host};
    std::unique_ptr<cleaner::FrmMain> main;

    void SetUp() override {
        cleaner::ScanOnActivate = false;
        files.setApplicationFolder(kApp);
        clock.setTimeText("10:11:12");
    }
    void TearDown() override {
        main.reset();
        cleaner::ScanOnActivate = false;
    }

    // The main window, shown, without the start-up wizard (tests open it themselves).
    cleaner::FrmMain& startMain() {
        cleaner::MainStartOptions opts;
        opts.singleInstance = false;
        opts.showWizard = false;
        main = std::make_unique<cleaner::FrmMain>(host, svc, opts);
        main->http = &http;
        main->updateSite = "http://127.0.0.1:8765";
        main->show();
        return *main;
    }
    // The saved tick of each area, in table order ("1;0;0;1;0;0;0;0;").
    void areas(const std::string& locState) {
        mdlreg::WriteStringValue(fakeReg, plat::kHkeyCurrentUser, kSettings, "LocState", locState);
    }
    void spanish() { files.addFile(std::string(kApp) + "\\spanish.dll", std::string("x")); }

    void setString(const std::string& path, const std::string& name, const std::string& data,
                   uint32_t type = plat::kRegSz, plat::RegHandle root = plat::kHkeyLocalMachine) {
        plat::RegHandle h = 0;
        ASSERT_EQ(fakeReg.createKey(root, path, &h), 0);
        auto bytes = reg::textBytes(data);
        ASSERT_EQ(fakeReg.setValueEx(h, name, type, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        fakeReg.closeKey(h);
    }
    // The key of an uninstall entry in the 64-bit (false) or 32-bit (true) view.
    static std::string entryPath(const std::string& subkey, bool wow32 = false) {
        return wow32 ? "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + subkey
                     : std::string(kUninstall) + "\\" + subkey;
    }
    void plant(const std::string& subkey, const std::string& displayName, const std::string& command,
               bool wow32 = false, uint32_t commandType = plat::kRegSz) {
        if (!displayName.empty()) setString(entryPath(subkey, wow32), "DisplayName", displayName);
        if (!command.empty()) setString(entryPath(subkey, wow32), "UninstallString", command, commandType);
        if (displayName.empty() && command.empty()) {
            plat::RegHandle h = 0;
            fakeReg.createKey(plat::kHkeyLocalMachine, entryPath(subkey, wow32), &h);
            fakeReg.closeKey(h);
        }
    }
    bool entryExists(const std::string& subkey, bool wow32 = false) {
        return fakeReg.keyExists(plat::kHkeyLocalMachine, entryPath(subkey, wow32));
    }
    std::vector<plat::FakeShell::Event> starts() const { return shell.eventsOf(plat::FakeShell::Event::Kind::Start); }
    std::vector<plat::FakeShell::Event> launches() const {
        return shell.eventsOf(plat::FakeShell::Event::Kind::Launch);
    }
    std::vector<plat::FakeShell::Event> opens() const {
        return shell.eventsOf(plat::FakeShell::Event::Kind::ShellExecute);
    }
    int shownCount(const std::string& form) const {
        int n = 0;
        for (const auto& s : host.shownLog)
            if (s == form) ++n;
        return n;
    }
};

}  // namespace sidetest
