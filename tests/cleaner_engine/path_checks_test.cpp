#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

#include "cleaner/engine/path_checks.h"
#include "common/platform/fake/fake_files.h"

using engine::FileView;
using engine::HasDrivePath;
using engine::PathChecker;

TEST(HasDrivePath, DriveLettersAToPBeforeTheFirstColonBackslash) {
    struct Case {
        const char* data;
        bool expected;
    } cases[] = {
        {"C:\\x.exe", true},      {"c:\\x.exe", true},  {"P:\\x", true},        {"Q:\\x", false}, {"T:\\x", false},
        {"Z:\\x", false},         {":\\x", false},      {"no path", false},     {"C:/x", false},  {"1:\\x", false},
        {"\"C:\\x\" /s", true},   {"xxC:\\y", true},    {"Q:\\a C:\\b", false}, {"", false},      {"C:", false},
        {"http://x C:\\y", true}, {"a:b:Q:\\x", false}, {"ends with:", false},
    };
    for (const Case& c : cases) EXPECT_EQ(HasDrivePath(c.data), c.expected) << c.data;
}

// Against the rule read plainly (the first ":\" decides; the byte before it is a drive letter A
// to P), on texts of every length up to a few words, so the pair may lie inside a word, across
// two words or in the last bytes.
TEST(HasDrivePath, AgreesWithThePlainRuleAtEveryPlace) {
    auto plain = [](const std::string& s) {
        for (size_t i = 0; i + 1 < s.size(); ++i) {
            if (s[i] == ':' && s[i + 1] == '\\') {
                const char c = static_cast<char>(s[i > 0 ? i - 1 : 0] & ~0x20);
                return i > 0 && c >= 'A' && c <= 'P';
            }
        }
        return false;
    };
    const char alphabet[] = {':', '\\', 'C', 'q', ' ', '\0', '\xBA'};  // 0xBA is ':' with bit 7 set
    unsigned seed = 5;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
    for (int i = 0; i < 30000; ++i) {
        std::string s(next() % 30, 'x');
        for (char& c : s) c = alphabet[next() % std::size(alphabet)];
        ASSERT_EQ(HasDrivePath(s), plain(s)) << i;
    }
}

class PathCheckTest : public ::testing::Test {
protected:
    plat::FakeFiles files;
    PathCheckTest() {
        files.setDrive('D', plat::DriveType::Fixed);
        files.addFile("C:\\Program Files\\App\\app.exe");
        files.addFile("C:\\windows\\notepad.exe");
        files.addFile("C:\\windows\\system\\old.drv");
        files.addFile("C:\\windows\\system32\\rundll32.exe");
        files.addFile("C:\\windows\\system32\\shell32.dll");
        files.addFile("D:\\docs\\a.txt");
        files.addFolder("C:\\Tools");
    }
};

TEST_F(PathCheckTest, WorkedCleaningsAndEdgeCases) {
    struct Case {
        const char* data;
        bool expected;
    } cases[] = {
        // Full path of an existing program; a folder that exists.
        {"C:\\Program Files\\App\\app.exe", true},
        {"C:\\Tools", true},
        {"C:\\Program Files\\App\\gone.exe", false},
        // Quoted program with a switch.
        {"\"C:\\Program Files\\App\\app.exe\" /s", true},
        {"\"C:\\Program Files\\App\\gone.exe\" /s", false},
        {"\"C:\\Program Files\\App\\gone.exe\"", false},
        {"\"C:\\Program Files\\App\\app.exe\" -minimized", true},
        // System-folder program, library and entry point after a comma: the name up to its
        // dot plus three characters is tested.
        {"C:\\windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL", true},
        {"C:\\windows\\system32\\gone.exe shell32.dll,Control_RunDLL", false},
        // The launcher word is removed (exact case only).
        {"RunDll32 C:\\Program Files\\App\\app.exe,Entry", true},
        {"Rundll32 C:\\Program Files\\App\\gone.exe,Entry", false},
        // Program and a document on another drive: both must be found.
        {"C:\\Program Files\\App\\app.exe D:\\docs\\a.txt", true},
        {"C:\\Program Files\\App\\app.exe D:\\docs\\gone.txt", false},
        {"C:\\Program Files\\App\\gone.exe D:\\docs\\a.txt", false},
        // A first part without a dot: only the second part decides.
        {"C:\\NoSuchFolder D:\\docs\\a.txt", true},
        {"C:\\NoSuchFolder D:\\docs\\gone.txt", false},
        // Folder followed by a switch: the last folder test on the cleaned text answers.
        {"C:\\Tools /x", true},
        {"C:\\NoSuchFolder /x", false},
        // The first of the separators cuts, whichever it is; spaces before it go too.
        {"C:\\Tools ;x /y,z", true},
        {"C:\\Tools  ,x", true},
        {"C:\\NoSuchFolder -x;C:\\Tools", false},
        {"C:\\Tools,C:\\NoSuchFolder", true},
        // %SYSTEMROOT% is replaced; another letter case is cut at the first "%".
        {"C:\\Program Files\\App\\app.exe %SYSTEMROOT%\\notepad.exe", true},
        {"C:\\Program Files\\App\\app.exe %SYSTEMROOT%\\gone.exe", false},
        {"C:\\Program Files\\App\\app.exe %SystemRoot%\\gone.exe", true},
        // Resource references and lists.
        {"@C:\\windows\\system32\\shell32.dll,-101", true},
        {"@C:\\windows\\system32\\gone.dll,-101", false},
        {"C:\\Program Files\\App\\app.exe;C:\\gone", true},
        // Drives after T are never reported; Q to T are.
        {"U:\\x\\gone.exe", true},
        {"Z:\\gone.exe", true},
        {"T:\\x\\gone.exe", false},
        {"q:\\x\\gone.exe", false},
        // Text before the drive letter is cut off; spaces after the path are trimmed, so a
        // folder named with them is still found.
        {"xyz C:\\Program Files\\App\\app.exe", true},
        {"  C:\\Program Files\\App\\gone.exe", false},
        {"C:\\Tools  ", true},
        {"run C:\\Tools  ", true},
        {"C:\\NoSuchFolder  ", false},
        // No ":\" after the first character: nothing to cut, counts as passed.
        {"gone.dll", true},
        {":\\gone.dll", true},
        {"", true},
    };
    for (const Case& c : cases) {
        PathChecker checks(files);
        EXPECT_EQ(checks.DataPathExists(c.data), c.expected) << c.data;
    }
}

// Folder names may hold the separators the cleaning cuts at; a quoted program is tested whole.
TEST_F(PathCheckTest, QuotedProgramIsTestedWholeBeforeTheCleaning) {
    files.addFile("C:\\Program Files\\Zz - Tools\\tool.exe");
    files.addFile("C:\\Program Files\\Zz, Inc\\app.exe");
    files.addFile("C:\\Program Files\\Zz;Semi\\app.exe");
    struct Case {
        const char* data;
        bool expected;
    } cases[] = {
        {"\"C:\\Program Files\\Zz - Tools\\tool.exe\" /s", true},
        {"\"C:\\Program Files\\Zz, Inc\\app.exe\" /q", true},
        {"\"C:\\Program Files\\Zz;Semi\\app.exe\" /q", true},
        {"rundll32.exe \"C:\\Program Files\\Zz, Inc\\app.exe\",Entry", true},
        // Missing programs behind the same separators are still reported.
        {"\"C:\\Program Files\\Zz - Tools\\gone.exe\" /s", false},
        {"\"C:\\Program Files\\Zz, Inc\\gone.exe\" /q", false},
        // A document after the program must still be found.
        {"\"C:\\Program Files\\Zz, Inc\\app.exe\" D:\\docs\\gone.txt", false},
        {"\"C:\\Program Files\\App\\app.exe\" \"D:\\docs\\a.txt\"", true},
        // A quoted part that is no drive path does not settle anything.
        {"\"tool\" C:\\Program Files\\App\\gone.exe", false},
    };
    for (const Case& c : cases) {
        PathChecker checks(files);
        EXPECT_EQ(checks.DataPathExists(c.data), c.expected) << c.data;
    }
}

TEST_F(PathCheckTest, ExistingProgramIsFoundWithoutCleaning) {
    PathChecker checks(files);
    EXPECT_TRUE(checks.DataPathExists("C:\\Program Files\\App\\app.exe"));
    EXPECT_EQ(checks.folderQueries(), 1);
    EXPECT_EQ(checks.fileQueries(), 1);
}

TEST_F(PathCheckTest, ExistsInWindowsDirs) {
    PathChecker checks(files);
    EXPECT_TRUE(checks.ExistsInWindowsDirs("notepad.exe"));
    EXPECT_TRUE(checks.ExistsInWindowsDirs("old.drv"));
    EXPECT_TRUE(checks.ExistsInWindowsDirs("shell32.dll"));
    EXPECT_FALSE(checks.ExistsInWindowsDirs("gone.dll"));
    // A name with a drive only meets the two forms below the Windows directory.
    EXPECT_FALSE(checks.ExistsInWindowsDirs("C:\\windows\\notepad.exe"));
}

TEST_F(PathCheckTest, TestsThatCannotBeCarriedOutCountAsFound) {
    files.markProbeError("C:\\gone\\x.exe");
    PathChecker checks(files);
    EXPECT_TRUE(checks.FsoFileExists("C:\\gone\\x.exe"));
    EXPECT_TRUE(checks.FsoFolderExists("C:\\gone\\x.exe"));
    EXPECT_TRUE(checks.DataPathExists("C:\\gone\\x.exe"));
    EXPECT_FALSE(checks.FsoFileExists("C:\\gone\\y.exe"));
    EXPECT_FALSE(checks.FsoFolderExists("C:\\gone"));
    // A folder is not a file, and a file is not a folder.
    EXPECT_FALSE(checks.FsoFileExists("C:\\Tools"));
    EXPECT_FALSE(checks.FsoFolderExists("C:\\windows\\notepad.exe"));
}

TEST_F(PathCheckTest, EachDistinctPathReachesTheFileSystemOnce) {
    PathChecker checks(files);
    size_t before = files.probeCount();
    EXPECT_FALSE(checks.DataPathExists("\"C:\\Program Files\\App\\gone.exe\" /s"));
    size_t one = files.probeCount() - before;
    EXPECT_GE(one, 2u);
    // The same text again, and another text cut down to the same paths: no new questions.
    EXPECT_FALSE(checks.DataPathExists("\"C:\\Program Files\\App\\gone.exe\" /s"));
    EXPECT_FALSE(checks.FsoFileExists("C:\\Program Files\\App\\gone.exe"));
    EXPECT_EQ(files.probeCount() - before, one);
    // A new checker (a new scan) asks again.
    PathChecker next(files);
    EXPECT_FALSE(next.FsoFileExists("C:\\Program Files\\App\\gone.exe"));
    EXPECT_EQ(files.probeCount() - before, one + 1);
}

TEST_F(PathCheckTest, DriveTypeOfComparesTheRootTextExactly) {
    files.setDrive('Q', plat::DriveType::CdRom);
    files.setDrive('U', plat::DriveType::Network);
    PathChecker checks(files);
    EXPECT_EQ(checks.DriveTypeOf("C:\\"), 2);
    EXPECT_EQ(checks.DriveTypeOf("Q:\\"), 4);
    EXPECT_EQ(checks.DriveTypeOf("U:\\"), 3);
    EXPECT_EQ(checks.DriveTypeOf("q:\\"), 0);
    EXPECT_EQ(checks.DriveTypeOf("Q:"), 0);
    EXPECT_EQ(checks.DriveTypeOf("R:\\"), 0);
    EXPECT_EQ(checks.DriveTypeOf(""), 0);
}

TEST_F(PathCheckTest, SpecialFolderAndMarkerFiles) {
    PathChecker checks(files);
    EXPECT_EQ(checks.SpecialFolderPath(20), "C:\\windows\\Fonts");
    EXPECT_EQ(checks.SpecialFolderPath(0x7777), "");
    files.addFile("C:\\Program Files\\Scourline\\spanish.dll");
    EXPECT_TRUE(checks.FindFileExists("C:\\Program Files\\Scourline\\spanish.dll"));
    EXPECT_FALSE(checks.FindFileExists("C:\\Program Files\\Scourline\\english.dll"));
}

TEST_F(PathCheckTest, NamesTheFileSystemRefusesAreNotAsked) {
    PathChecker checks(files);
    size_t before = files.probeCount();
    EXPECT_TRUE(checks.DataPathExists("\"C:\\Program Files\\App\\app.exe\" /s"));
    EXPECT_EQ(files.probeCount() - before, 1u);  // only the cleaned program path
    EXPECT_FALSE(checks.FsoFileExists("C:\\a.exe D:\\b.txt"));
    EXPECT_FALSE(checks.FsoFolderExists("C:\\a|b"));
    EXPECT_FALSE(checks.FsoFileExists("C:\\a*.exe"));
    EXPECT_FALSE(checks.FsoFileExists(""));
    EXPECT_EQ(files.probeCount() - before, 1u);
    // Network and device paths are always asked.
    EXPECT_FALSE(checks.FsoFileExists("\\\\?\\C:\\x.exe"));
    EXPECT_EQ(files.probeCount() - before, 2u);
}

// One checker lives for a whole scan and remembers answers; asked the same things again, in any
// order and in either view, it answers as a fresh checker does.
TEST_F(PathCheckTest, RememberedAnswersEqualFreshAnswers) {
    files.addFile("C:\\windows\\syswow64\\only32.dll");
    const char* texts[] = {
        "C:\\Program Files\\App\\app.exe",
        "C:\\Program Files\\App\\gone.exe",
        "C:\\Tools",                               // a folder, not a file
        "\"C:\\Program Files\\App\\app.exe\" /s",  // refused as a path, then cleaned
        "\"C:\\Program Files\\App\\gone.exe\" /s",
        "C:\\windows\\system32\\rundll32.exe shell32.dll,Control_RunDLL",
        "C:\\Program Files\\App\\app.exe D:\\docs\\gone.txt",
        "C:\\Windows\\System32\\only32.dll",  // present only in the 32-bit view
        "C:\\Program Files\\App\\app.exe %SYSTEMROOT%\\notepad.exe",
        "no drive here",
    };
    struct Asked {
        std::string text;
        FileView view;
        bool fresh;
    };
    std::vector<Asked> asked;
    for (FileView view : {FileView::Native, FileView::Wow32}) {
        for (const char* t : texts) {
            PathChecker fresh(files);
            asked.push_back({t, view, fresh.DataPathExists(t, view)});
        }
    }
    PathChecker kept(files);
    for (int pass = 0; pass < 2; ++pass) {
        for (size_t i = 0; i < asked.size(); ++i) {
            // The second pass goes backwards, so each view meets texts the other has answered.
            const Asked& a = pass == 0 ? asked[i] : asked[asked.size() - 1 - i];
            EXPECT_EQ(kept.DataPathExists(a.text, a.view), a.fresh)
                << a.text << (a.view == FileView::Wow32 ? " (32-bit)" : " (64-bit)") << " pass " << pass;
        }
    }
    EXPECT_TRUE(asked[7].fresh != asked[7 + std::size(texts)].fresh);  // the views really differ
}

// The file and the folder answer for one path are kept apart, whichever is asked first.
TEST_F(PathCheckTest, FileAndFolderAnswersForOnePathStayApart) {
    PathChecker checks(files);
    EXPECT_FALSE(checks.FsoFileExists("C:\\Tools"));
    EXPECT_TRUE(checks.FsoFolderExists("C:\\Tools"));
    EXPECT_FALSE(checks.FsoFileExists("C:\\Tools"));
    EXPECT_TRUE(checks.FsoFileExists("C:\\windows\\notepad.exe"));
    EXPECT_FALSE(checks.FsoFolderExists("C:\\windows\\notepad.exe"));
    EXPECT_TRUE(checks.FsoFileExists("C:\\windows\\notepad.exe"));
    EXPECT_EQ(checks.fileQueries(), 2);
    EXPECT_EQ(checks.folderQueries(), 2);
    // A data answer for the same text is its own too.
    EXPECT_TRUE(checks.DataPathExists("C:\\Tools"));
    EXPECT_FALSE(checks.FsoFileExists("C:\\Tools"));
}

// A name the file system refuses is answered at once each time it comes, and is not kept.
TEST_F(PathCheckTest, RefusedNamesAreAnsweredAgainWithoutBeingKept) {
    PathChecker checks(files);
    const char* refused[] = {"\"C:\\Program Files\\App\\app.exe\"", "C:\\a.exe D:\\b.txt", "C:\\a|b", "C:\\x*"};
    for (int pass = 0; pass < 2; ++pass) {
        for (const char* r : refused) {
            EXPECT_FALSE(checks.FsoFileExists(r)) << r;
            EXPECT_FALSE(checks.FsoFolderExists(r)) << r;
        }
    }
    EXPECT_EQ(checks.fileQueries() + checks.folderQueries(), 0);
    EXPECT_EQ(checks.rememberedTexts(), 0u);
    // A refused text as data: cleaned and answered, then the same text answers the same.
    const size_t before = files.probeCount();
    EXPECT_FALSE(checks.DataPathExists("\"C:\\Program Files\\App\\gone.exe\" /s"));
    const size_t one = files.probeCount() - before;
    EXPECT_FALSE(checks.DataPathExists("\"C:\\Program Files\\App\\gone.exe\" /s"));
    EXPECT_TRUE(checks.DataPathExists("\"C:\\Program Files\\App\\app.exe\" /s"));
    EXPECT_TRUE(checks.DataPathExists("\"C:\\Program Files\\App\\app.exe\" /s"));
    EXPECT_FALSE(checks.DataPathExists("\"C:\\Program Files\\App\\gone.exe\" /s"));
    EXPECT_EQ(files.probeCount() - before, one + 1);  // only app.exe's own file test was new
}

// A command line its quoted program settles is worked out again when it comes again, from the
// program's remembered answer, and is not kept itself; one the program does not settle is kept.
TEST_F(PathCheckTest, CommandLinesSettledByTheirQuotedProgramAreNotKept) {
    PathChecker checks(files);
    const std::string program = "\"C:\\Program Files\\App\\app.exe\"";
    EXPECT_TRUE(checks.DataPathExists(program + " /s 1"));
    const size_t kept = checks.rememberedTexts();  // the program's own path
    const long asked = checks.fileQueries() + checks.folderQueries();
    for (int i = 0; i < 50; ++i) EXPECT_TRUE(checks.DataPathExists(program + " /s " + std::to_string(i % 5)));
    EXPECT_EQ(checks.rememberedTexts(), kept);
    EXPECT_EQ(checks.fileQueries() + checks.folderQueries(), asked);

    const std::string gone = "\"C:\\Program Files\\App\\gone.exe\" /s";
    EXPECT_FALSE(checks.DataPathExists(gone));
    const size_t keptGone = checks.rememberedTexts();
    const long askedGone = checks.fileQueries() + checks.folderQueries();
    EXPECT_FALSE(checks.DataPathExists(gone));
    EXPECT_GT(keptGone, kept);
    EXPECT_EQ(checks.rememberedTexts(), keptGone);
    EXPECT_EQ(checks.fileQueries() + checks.folderQueries(), askedGone);
}
