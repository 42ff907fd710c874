// Shared set-up of the main-window tests: the window on the headless backend over an in-memory
// registry, file tree, shell and clock.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cleaner/ui/app_state.h"
#include "cleaner/ui/frm_main.h"
#include "common/platform/fake/fake_clock.h"
#include "common/platform/fake/fake_files.h"
#include "common/platform/fake/fake_registry.h"
#include "common/platform/fake/fake_shell.h"
#include "common/registry/mdl_registry.h"
#include "common/registry/reg_value.h"
#include "common/text/text.h"
#include "common/ui/headless.h"
#include "tests/cleaner_ui/listed_finding.h"

namespace cleanerui {

constexpr const char* kApp = "C:\\Program Files\\Scourline";
constexpr const char* kSettings = "Software\\Tolvane\\Registry Cleaner\\Registry Cleaner";

class MainTest : public ::testing::Test {
protected:
    plat::FakeRegistry reg;
    plat::FakeFiles files;
    plat::FakeShell shell;
    plat::FakeClock clock;
    plat::Services svc{reg, files, shell, clock};
    ui::HeadlessHost host;
    ui::Driver drv{host};
    std::unique_ptr<cleaner::FrmMain> form;

    void SetUp() override {
        cleaner::ScanOnActivate = false;
        files.setApplicationFolder(kApp);
        clock.setTimeText("10:11:12");
    }
    void TearDown() override { cleaner::ScanOnActivate = false; }

    cleaner::FrmMain& start(bool singleInstance = true) {
        cleaner::MainStartOptions opts;
        opts.singleInstance = singleInstance;
        opts.showWizard = false;
        form = std::make_unique<cleaner::FrmMain>(host, svc, opts);
        form->show();
        return *form;
    }
    // Only the areas whose codes are listed are ticked at start.
    void areas(const std::string& locState) { setting("LocState", locState); }
    void setting(const std::string& name, const std::string& value) {
        mdlreg::WriteStringValue(reg, plat::kHkeyCurrentUser, kSettings, name, value);
    }
    std::string settingOr(const std::string& name, const std::string& def = "<absent>") {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (!reg.getValue(plat::kHkeyCurrentUser, kSettings, name, &type, &data)) return def;
        return reg::textOf(data);
    }
    void sz(plat::RegHandle root, const std::string& path, const std::string& name, const std::string& data) {
        plat::RegHandle h = 0;
        ASSERT_EQ(reg.createKey(root, path, &h), 0);
        auto bytes = reg::textBytes(data);
        ASSERT_EQ(reg.setValueEx(h, name, plat::kRegSz, bytes.data(), static_cast<uint32_t>(bytes.size())), 0);
        reg.closeKey(h);
    }
    bool valueExists(plat::RegHandle root, const std::string& path, const std::string& name) {
        uint32_t type = 0;
        std::vector<uint8_t> data;
        return reg.getValue(root, path, name, &type, &data);
    }
    // A row as a scan would list it: a string value at the location's root and key path.
    void row(const std::string& location, const std::string& name, const std::string& data = "C:\\gone.exe",
             const std::string& reason = "Invalid path") {
        form->appendFinding(finding(location, name, data, reason));
    }
    static engine::Finding finding(const std::string& location, const std::string& name,
                                   const std::string& data = "C:\\gone.exe",
                                   const std::string& reason = "Invalid path") {
        return ListedFinding(location, name, data, reason);
    }
    std::vector<std::string> rowTexts() {
        std::vector<std::string> out;
        for (int i = 0; i < form->lvInvalidLoc.count(); ++i)
            out.push_back(form->lvInvalidLoc.text(i) + "|" + form->lvInvalidLoc.subItem(i, 1));
        return out;
    }
    std::string excludeFile() {
        auto bytes = files.readFile(std::string(kApp) + "\\Exclude.lst");
        return bytes ? *bytes : "<none>";
    }
};

}  // namespace cleanerui
