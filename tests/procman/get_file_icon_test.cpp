#include "procman/get_file_icon.h"

#include <gtest/gtest.h>

#include "common/platform/fake/fake_icons.h"

namespace {

using procman::cGetFileIcon;
using procman::ExeKind;

TEST(GetFileIcon, ExeTypeReadsTheShellsAnswer) {
    struct Case {
        std::uintptr_t result;
        ExeKind kind;
    } cases[] = {
        {0, ExeKind::NotExecutable},          {0x04004550, ExeKind::Windows},  // "PE" with system version 4.0
        {0x00014550, ExeKind::Windows},       {0x00004550, ExeKind::Console}, {0x00005A4D, ExeKind::MsDos},
        {0x00001234, ExeKind::NotExecutable}, {0xFFFF4550, ExeKind::Console},  // a negative high word is no version
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.result);
        plat::FakeIcons icons;
        icons.add("C:\\x.exe").exeTypeResult = c.result;
        cGetFileIcon g(icons);
        EXPECT_EQ(g.ExeType("C:\\x.exe"), c.kind);
        EXPECT_EQ(icons.calls.back().second, plat::kShgfiExeType);
    }
}

TEST(GetFileIcon, IconFlagsFollowTheProperties) {
    struct Case {
        int32_t iconType;
        bool link, selected, open;
        uint32_t flags;
    } cases[] = {
        {0, false, false, false, 0x100},
        {1, false, false, false, 0x101},
        {7, true, false, false, 0x8101},
        {0, false, true, true, 0x10102},
    };
    for (const Case& c : cases) {
        plat::FakeIcons icons;
        icons.add("C:\\a.exe");
        cGetFileIcon g(icons);
        g.setFile("C:\\a.exe");
        g.setIconType(c.iconType);
        g.setLinkOverlay(c.link);
        g.setSelected(c.selected);
        g.setOpenState(c.open);
        procman::Picture pic = g.Icon();
        ASSERT_TRUE(pic);
        EXPECT_EQ(icons.calls.back().first, "C:\\a.exe");
        EXPECT_EQ(icons.calls.back().second, c.flags);
    }
    // The argument's icon type wins over the property.
    plat::FakeIcons icons;
    icons.add("C:\\b.exe");
    cGetFileIcon g(icons);
    g.Icon("C:\\b.exe", 1);
    EXPECT_EQ(icons.calls.back().second, 0x101u);
}

TEST(GetFileIcon, PictureOwnsItsIcon) {
    plat::FakeIcons icons;
    icons.add("C:\\a.exe");
    cGetFileIcon g(icons);
    {
        procman::Picture pic = g.Icon("C:\\a.exe", 1);
        ASSERT_TRUE(pic);
        EXPECT_TRUE(icons.alive(pic->handle()));
    }
    EXPECT_EQ(icons.liveIcons(), 0);
    EXPECT_EQ(icons.badDestroys, 0);
}

TEST(GetFileIcon, MissingIconsGiveNothing) {
    plat::FakeIcons icons;
    icons.add("C:\\noicon.exe").hasIcon = false;
    cGetFileIcon g(icons);
    EXPECT_FALSE(g.Icon("C:\\noicon.exe", 1));
    EXPECT_FALSE(g.Icon("C:\\unknown.exe", 1));
    plat::IconHandle h = 0;
    EXPECT_FALSE(g.IconEx(h));

    // IconEx with 0 takes Handle and writes it back.
    g.setHandle(icons.defaultIcon(true));
    procman::Picture pic = g.IconEx(h);
    ASSERT_TRUE(pic);
    EXPECT_EQ(h, g.Handle());
}

TEST(GetFileIcon, NamesComeFromTheirOwnQueries) {
    plat::FakeIcons icons;
    plat::FakeShellFile& f = icons.add("C:\\doc.txt");
    f.displayName = "doc";
    f.typeName = "Text Document";
    cGetFileIcon g(icons);
    g.setFile("C:\\doc.txt");
    EXPECT_EQ(g.DisplayName(), "doc");
    EXPECT_EQ(icons.calls.back().second, plat::kShgfiDisplayName);
    EXPECT_EQ(g.TypeName(), "Text Document");
    EXPECT_EQ(icons.calls.back().second, plat::kShgfiTypeName);
    EXPECT_EQ(g.DisplayName("C:\\missing.txt"), "");
    EXPECT_EQ(g.TypeName("C:\\missing.txt"), "");
    EXPECT_EQ(g.ExeType("C:\\missing.txt"), procman::ExeKind::NotExecutable);
}

}  // namespace
