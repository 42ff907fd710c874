#include <gtest/gtest.h>

#include "common/platform/fake/fake_shell.h"
#include "common/ui/headless.h"
#include "weblaunch/form1.h"

namespace {

TEST(WebLaunch, OpensTheSiteSynchronouslyWithoutShowingAWindowAndEnds) {
    for (intptr_t result : {intptr_t{42}, intptr_t{2}}) {  // success, and "file not found"
        ui::HeadlessHost host;
        plat::FakeShell shell;
        shell.shellExecuteResult = result;
        weblaunch::Form1 form(host, shell);
        form.load();
        auto opened = shell.eventsOf(plat::FakeShell::Event::Kind::ShellExecute);
        ASSERT_EQ(opened.size(), 1u);
        EXPECT_EQ(opened[0].verb, "open");
        EXPECT_EQ(opened[0].program, "http://update.tolvane.example/");
        EXPECT_EQ(opened[0].commandLine, "");
        EXPECT_EQ(opened[0].directory, "");
        EXPECT_EQ(opened[0].show, plat::ShowState::Normal);
        EXPECT_TRUE(opened[0].synchronous);
        EXPECT_TRUE(host.quitting());
        EXPECT_EQ(host.exitCode(), 0);
        EXPECT_TRUE(host.shownLog.empty());
        EXPECT_TRUE(host.boxes.empty());
    }
}

}  // namespace
