#include <gtest/gtest.h>

#include "common/platform/fake/fake_files.h"

namespace {

using namespace plat;

TEST(FakeFiles, ExistenceTestsFollowTheFileSystemObject) {
    FakeFiles fs;
    fs.addFile("C:\\Program Files\\App\\app.exe", 10);
    fs.addFolder("D:\\Data");
    fs.addFile("C:\\Daten\\Äpfel.txt");
    fs.markProbeError("C:\\Locked\\x.dll");
    struct Case {
        std::string path;
        Probe file, folder;
    };
    const Case cases[] = {
        {"C:\\Program Files\\App\\app.exe", Probe::Exists, Probe::Missing},
        {"c:\\program files\\APP\\APP.EXE", Probe::Exists, Probe::Missing},
        {"C:/Program Files/App/app.exe", Probe::Exists, Probe::Missing},
        {"C:\\\\Program Files\\\\\\App\\app.exe", Probe::Exists, Probe::Missing},  // doubled separators read as one
        {"C://Program Files/\\App//", Probe::Missing, Probe::Exists},
        {"\\\\C:\\Program Files\\App\\app.exe", Probe::Missing, Probe::Missing},  // a leading pair is kept
        {"C:\\Program Files\\App", Probe::Missing, Probe::Exists},
        {"c:/daten//äPFEL.TXT", Probe::Exists, Probe::Missing},  // letter case beyond ASCII too
        {"C:\\Daten\\Apfel.txt", Probe::Missing, Probe::Missing},
        {"C:\\Program Files\\App\\", Probe::Missing, Probe::Exists},
        {"D:\\Data", Probe::Missing, Probe::Exists},
        {"D:\\", Probe::Missing, Probe::Exists},
        {"E:\\", Probe::Missing, Probe::Missing},
        {"E:\\x.exe", Probe::Missing, Probe::Missing},
        {"C:\\Program Files\\App\\\"app.exe\"", Probe::Missing, Probe::Missing},
        {"C:\\a<b>.exe", Probe::Missing, Probe::Missing},
        {"C:\\a:b", Probe::Missing, Probe::Missing},
        {"", Probe::Missing, Probe::Missing},
        {"C:\\Locked\\x.dll", Probe::Error, Probe::Error},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fs.fileExists(c.path), c.file) << c.path;
        EXPECT_EQ(fs.folderExists(c.path), c.folder) << c.path;
    }
    EXPECT_EQ(fs.probeCount(), 2 * std::size(cases));
}

TEST(FakeFiles, FindFirstMatchesWildcardsButNotADriveRoot) {
    FakeFiles fs;
    fs.addFile("C:\\windows\\Fonts\\arial.ttf");
    EXPECT_TRUE(fs.findFirst("C:\\windows\\Fonts\\ARIAL.TTF"));
    EXPECT_TRUE(fs.findFirst("C:\\windows\\Fonts\\*.ttf"));
    EXPECT_TRUE(fs.findFirst("C:\\windows\\Fonts\\ar?al.*"));
    EXPECT_TRUE(fs.findFirst("C:\\windows\\Fonts"));
    EXPECT_FALSE(fs.findFirst("C:\\windows\\Fonts\\*.fon"));
    EXPECT_FALSE(fs.findFirst("C:\\"));
}

TEST(FakeFiles, SystemFoldersDrivesAndApplicationFolder) {
    FakeFiles fs;
    std::string p;
    EXPECT_EQ(fs.specialFolder(0x14 | 0x8000, &p), 0);
    EXPECT_EQ(p, "C:\\windows\\Fonts");
    EXPECT_NE(fs.specialFolder(0x77, &p), 0);
    EXPECT_EQ(p, "");
    fs.setWindowsDirectory("D:\\WINNT");
    EXPECT_EQ(fs.systemDirectory(), "D:\\WINNT\\system32");
    EXPECT_EQ(fs.specialFolder(0x14, &p), 0);
    EXPECT_EQ(p, "D:\\WINNT\\Fonts");
    // Nothing lies below the Windows folder's Sysnative, wherever that folder now is.
    fs.addFile("D:\\WINNT\\Sysnative\\x.dll");
    fs.addFile("C:\\windows\\Sysnative\\x.dll");
    EXPECT_EQ(fs.fileExists("d:\\winnt\\SYSNATIVE\\x.dll"), Probe::Missing);
    EXPECT_EQ(fs.folderExists("D:\\WINNT\\Sysnative"), Probe::Missing);
    EXPECT_EQ(fs.fileExists("C:\\windows\\Sysnative\\x.dll"), Probe::Exists);
    fs.setDrive('q', DriveType::CdRom);
    fs.setDrive('U', DriveType::Network);
    const auto drives = fs.drives();
    ASSERT_EQ(drives.size(), 4u);  // C, D, Q, U in letter order
    EXPECT_EQ(drives[0].letter, 'C');
    EXPECT_EQ(drives[2].letter, 'Q');
    EXPECT_EQ(drives[2].type, DriveType::CdRom);
    EXPECT_EQ(drives[3].type, DriveType::Network);
    fs.setApplicationFolder("C:\\Tools\\");
    EXPECT_EQ(fs.applicationFolder(), "C:\\Tools");
    EXPECT_EQ(fs.folderExists("C:\\Tools"), Probe::Exists);
}

TEST(FakeFiles, ReadWriteListDelete) {
    FakeFiles fs;
    fs.setNow(FileTime{2023, 5, 6, 7, 8, 9});
    EXPECT_EQ(fs.writeFile("C:\\nowhere\\a.reg", "x"), 3);
    EXPECT_TRUE(fs.createFolder("C:\\Backups"));
    EXPECT_FALSE(fs.createFolder("C:\\Backups"));
    EXPECT_FALSE(fs.createFolder("C:\\Missing\\Sub"));
    EXPECT_EQ(fs.writeFile("C:\\Backups\\b.reg", "bb"), 0);
    EXPECT_EQ(fs.writeFile("C:\\Backups\\A.REG", "a"), 0);
    EXPECT_EQ(fs.writeFile("C:\\Backups\\c.txt", "c"), 0);
    auto list = fs.listFiles("C:\\backups", "*.reg");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "A.REG");
    EXPECT_EQ(list[1].name, "b.reg");
    EXPECT_EQ(list[1].size, 2u);
    EXPECT_EQ(list[1].modified.year, 2023);
    EXPECT_EQ(fs.readFile("c:\\BACKUPS\\b.reg").value_or("?"), "bb");
    EXPECT_EQ(fs.writeFile("C:\\Backups\\b.reg", "replaced"), 0);
    EXPECT_EQ(fs.stat("C:\\Backups\\b.reg")->size, 8u);
    EXPECT_EQ(fs.deleteFile("C:\\Backups\\b.reg"), 0);
    EXPECT_EQ(fs.deleteFile("C:\\Backups\\b.reg"), 2);
    EXPECT_FALSE(fs.readFile("C:\\Backups\\b.reg").has_value());
    EXPECT_EQ(fs.listFiles("C:\\Backups", "*.*").size(), 2u);
}

// Probes answer from the entries as they are now: after writes and deletes, and among
// thousands of entries, every file and folder stored is found as what it is, nothing else.
TEST(FakeFiles, ProbesFollowEveryEntryStoredAndDeleted) {
    FakeFiles fs;
    fs.addFolder("C:\\Data");
    EXPECT_EQ(fs.writeFile("C:\\Data\\a.txt", "a"), 0);
    EXPECT_EQ(fs.fileExists("C:\\Data\\a.txt"), Probe::Exists);
    EXPECT_EQ(fs.folderExists("C:\\Data\\a.txt"), Probe::Missing);
    EXPECT_EQ(fs.deleteFile("C:\\Data\\a.txt"), 0);
    EXPECT_EQ(fs.fileExists("C:\\Data\\a.txt"), Probe::Missing);
    EXPECT_EQ(fs.writeFile("C:\\data\\A.TXT", "again"), 0);
    EXPECT_EQ(fs.fileExists("C:\\Data\\a.txt"), Probe::Exists);

    for (int i = 0; i < 5000; ++i)
        fs.addFile("C:\\Many\\f" + std::to_string(i % 70) + "\\x" + std::to_string(i) + ".dll");
    for (int i = 0; i < 5000; ++i) {
        const std::string folder = "C:\\Many\\f" + std::to_string(i % 70);
        const std::string file = folder + "\\x" + std::to_string(i) + ".dll";
        ASSERT_EQ(fs.fileExists(file), Probe::Exists) << file;
        ASSERT_EQ(fs.folderExists(file), Probe::Missing) << file;
        ASSERT_EQ(fs.folderExists(folder), Probe::Exists) << folder;
        ASSERT_EQ(fs.fileExists(folder), Probe::Missing) << folder;
        ASSERT_EQ(fs.fileExists(folder + "\\y" + std::to_string(i) + ".dll"), Probe::Missing);
    }
}

TEST(Wildcard, MatchesAsTheFileSystemDoes) {
    EXPECT_TRUE(wildcardMatch("*.reg", "x.REG"));
    EXPECT_FALSE(wildcardMatch("*.reg", "x.reg.bak"));
    EXPECT_TRUE(wildcardMatch("a?c", "abc"));
    EXPECT_FALSE(wildcardMatch("a?c", "ac"));
    EXPECT_TRUE(wildcardMatch("*.*", "noext"));
    EXPECT_TRUE(wildcardMatch("*", ""));
    EXPECT_TRUE(wildcardMatch("\xd0\xba*", "\xd0\x9a\xd0\xbb"));  // к* matches Кл
}

}  // namespace
