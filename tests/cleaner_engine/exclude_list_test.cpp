#include "cleaner/engine/exclude_list.h"
#include "tests/cleaner_engine/engine_fixture.h"

using engine::ExcludeEntry;
using engine::ParseExcludeFile;
using enginetest::EngineTest;

TEST(ExcludeFile, LinesAreReadWholeAndSplitAtDoubleSemicolons) {
    auto e = ParseExcludeFile(
        "HKEY_CURRENT_USER\\Software\\A, B;;Yes;;True\r\n"
        "plain;;No;;False\r\n"
        "\r\n"
        "noflag\r\n"
        "odd;;x;;maybe\r\n"
        "  blanks  ;;Yes;;true\n"
        ";;Yes;;True\r\n"
        ";;No;;True");
    ASSERT_EQ(e.size(), 5u);
    EXPECT_EQ(e[0].text, "HKEY_CURRENT_USER\\Software\\A, B");
    EXPECT_EQ(e[0].mustBegin, "Yes");
    EXPECT_TRUE(e[0].enabled);
    EXPECT_EQ(e[1].text, "plain");
    EXPECT_FALSE(e[1].enabled);
    EXPECT_EQ(e[2].text, "noflag");
    EXPECT_EQ(e[2].mustBegin, "");
    EXPECT_FALSE(e[2].enabled);
    EXPECT_FALSE(e[3].enabled);
    EXPECT_EQ(e[4].text, "  blanks  ");
    EXPECT_TRUE(e[4].enabled);
    // Lines whose text is empty give no entry: an empty text would exclude every location.
}

TEST(ExcludeFile, Utf8OrCodePage1252) {
    auto utf8 = ParseExcludeFile("Software\\Caf\xC3\xA9;;Yes;;True\r\n");
    ASSERT_EQ(utf8.size(), 1u);
    EXPECT_EQ(utf8[0].text, "Software\\Caf\xC3\xA9");
    auto ansi = ParseExcludeFile("Software\\Caf\xE9;;Yes;;True\r\n");
    ASSERT_EQ(ansi.size(), 1u);
    EXPECT_EQ(ansi[0].text, "Software\\Caf\xC3\xA9");
    auto bom = ParseExcludeFile("\xEF\xBB\xBFX;;Yes;;True\r\n");
    ASSERT_EQ(bom.size(), 1u);
    EXPECT_EQ(bom[0].text, "X");
}

TEST(ExcludeFile, ByteOrderMarksSayHowTheTextIsWritten) {
    // UTF-16 as a text editor may save it, in either byte order.
    std::string le("\xFF\xFE", 2), be("\xFE\xFF", 2);
    for (char16_t c : std::u16string(u"Caf\u00e9;;Yes;;True\r\n\u041a;;No;;False\r\n")) {
        le += static_cast<char>(c & 0xFF);
        le += static_cast<char>(c >> 8);
        be += static_cast<char>(c >> 8);
        be += static_cast<char>(c & 0xFF);
    }
    for (const std::string& bytes : {le, be}) {
        auto e = ParseExcludeFile(bytes);
        ASSERT_EQ(e.size(), 2u);
        EXPECT_EQ(e[0].text, "Caf\xC3\xA9");
        EXPECT_TRUE(e[0].enabled);
        EXPECT_EQ(e[1].text, "\xD0\x9A");
        EXPECT_FALSE(e[1].enabled);
    }
    // UTF-8 with a mark, as the programs write it when a key name holds a lone surrogate: the
    // surrogate stays, and the other entries keep their accents.
    auto wtf8 = ParseExcludeFile("\xEF\xBB\xBFKey\xED\xA0\x80;;Yes;;True\r\nCaf\xC3\xA9;;Yes;;True\r\n");
    ASSERT_EQ(wtf8.size(), 2u);
    EXPECT_EQ(wtf8[0].text, "Key\xED\xA0\x80");
    EXPECT_EQ(wtf8[1].text, "Caf\xC3\xA9");
}

TEST(ExcludeFile, LoadFromTheApplicationFolder) {
    using State = engine::ExcludeFile::State;
    plat::FakeFiles files;
    files.setApplicationFolder("C:\\App");
    EXPECT_EQ(engine::LoadExclude(files, "C:\\App").state, State::Missing);  // no file: list unchanged
    files.addFile("C:\\App\\Exclude.lst", std::string("A;;Yes;;True\r\nB;;No;;False\r\n"));
    auto e = engine::LoadExclude(files, "C:\\App");
    ASSERT_EQ(e.state, State::Read);
    ASSERT_EQ(e.entries.size(), 2u);
    EXPECT_EQ(e.entries[1].text, "B");
    // A file held by another program is an error, not an empty list.
    files.markUnreadable("C:\\App\\Exclude.lst");
    e = engine::LoadExclude(files, "C:\\App");
    EXPECT_EQ(e.state, State::Unreadable);
    EXPECT_EQ(e.path, "C:\\App\\Exclude.lst");
}

TEST_F(EngineTest, SweepRemovesRowsNamedExactlyByAnEntry) {
    auto add = [&](const std::string& path) {
        engine::Finding f;
        f.root = plat::kHkeyCurrentUser;
        f.keyPath = path;
        host.rows.emplace_back(f);
        ++host.count;
    };
    add("software\\A");
    add("software\\B");
    add("software\\A");
    add("software\\a");
    add("software\\A\\sub");
    host.excludes = {"HKEY_CURRENT_USER\\software\\A", "software\\B", "nothing"};
    engine::SweepExcluded(host);
    std::vector<std::string> left;
    for (const auto& r : host.rows) left.push_back(r.location);
    EXPECT_EQ(left, (std::vector<std::string>{"HKEY_CURRENT_USER\\software\\B", "HKEY_CURRENT_USER\\software\\a",
                                              "HKEY_CURRENT_USER\\software\\A\\sub"}));
    EXPECT_EQ(host.count, 3);
    EXPECT_EQ(host.yields, 2);
}

TEST_F(EngineTest, SweepSurvivesRowsVanishingWhileItYields) {
    for (int i = 0; i < 6; ++i) {
        engine::Finding f;
        f.root = plat::kHkeyLocalMachine;
        f.keyPath = "X";
        host.rows.emplace_back(f);
    }
    host.count = 6;
    host.excludes = {"HKEY_LOCAL_MACHINE\\X"};
    host.onYield = [&](long) {
        if (host.rows.size() > 2) host.rows.erase(host.rows.begin(), host.rows.begin() + 2);
    };
    engine::SweepExcluded(host);
    EXPECT_TRUE(host.rows.empty());
}

TEST_F(EngineTest, ScanThenSweepRemovesAFullLocationEntry) {
    sz(plat::kHkeyCurrentUser, "Software\\Acme", "Run", "C:\\gone\\acme.exe");
    sz(plat::kHkeyCurrentUser, "Software\\Other", "Run", "C:\\gone\\other.exe");
    host.excludes = {"HKEY_CURRENT_USER\\software\\Acme"};
    EXPECT_EQ(scanCodes({"HKCU"}).size(), 2u);  // never matches during the walk
    engine::SweepExcluded(host);
    ASSERT_EQ(host.rows.size(), 1u);
    EXPECT_EQ(host.rows[0].location, "HKEY_CURRENT_USER\\software\\Other");
    EXPECT_EQ(host.count, 1);
}
