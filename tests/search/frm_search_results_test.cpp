// The search window's found rows as a user takes them away: Export... (all rows, the selected
// ones, .reg or .csv), Copy / Ctrl+C, Copy value data, and the filter of the listed rows.
#include <gtest/gtest.h>

#include <memory>

#include "common/platform/fake/fake_clipboard.h"
#include "common/platform/fake/fake_files.h"
#include "common/registry/reg_value.h"
#include "common/ui/headless.h"
#include "common/ui/headless_desktop.h"
#include "search/frm_search.h"
#include "tests/search/search_fixture.h"
#include "tests/support/reg_file.h"

using namespace searchtest;
using plat::kHkeyLocalMachine;
using search::frmSearch;

namespace {

const std::string kRoot = "HKEY_LOCAL_MACHINE";

class FrmSearchResultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        sz(reg, kHkeyLocalMachine, "Software\\Vendor\\needle app", "Path", "C:\\needle\\app.exe");
        sz(reg, kHkeyLocalMachine, "Software\\Vendor\\needle app", "needle text", "x");
        dword(reg, kHkeyLocalMachine, "Software\\Vendor\\Other", "needle count", 7);
        value(reg, kHkeyLocalMachine, "Software\\Vendor\\Other", "needle list", plat::kRegMultiSz,
              reg::multiTextBytes({"one", "two"}));
        sz(reg, kHkeyLocalMachine, "Software\\Zeta", "Run", "needle.exe /quiet");
    }

    std::unique_ptr<frmSearch> openAndSearch(const std::string& what = "needle") {
        search::SearchServices services{
            reg, [this](const std::string& p) { jumps.push_back(p); }, nullptr, false, &files, &dialogs, &clipboard};
        auto f = std::make_unique<frmSearch>(host, services);
        f->show();
        for (int i = 0; i < f->cboRoot.count(); ++i)
            if (f->cboRoot.items()[i] == kRoot) drv.pick(f->cboRoot, i);
        drv.type(f->cboFind, what);
        drv.click(f->cmdFind);
        return f;
    }
    std::vector<std::string> listed(const frmSearch& f) {
        std::vector<std::string> out;
        for (const auto& item : f.LVfound.items()) out.push_back(item.text);
        return out;
    }
    int rowOf(const frmSearch& f, const std::string& textOfRow) {
        for (int i = 0; i < f.LVfound.count(); ++i)
            if (f.LVfound.text(i) == textOfRow) return i;
        ADD_FAILURE() << "no row " << textOfRow;
        return 0;
    }
    // The values of an exported file, as "key|name|type|data bytes".
    std::vector<std::string> valuesIn(const std::string& path) {
        std::vector<std::string> out;
        const auto bytes = files.readFile(path);
        if (!bytes) return {"<no file>"};
        const regfile::ParseResult parsed = regfile::parse(*bytes);
        if (!parsed.ok) return {"<unreadable: " + parsed.error + ">"};
        for (const regfile::Key& k : parsed.script.keys) {
            if (k.values.empty()) out.push_back(k.path);
            for (const regfile::Value& v : k.values)
                out.push_back(k.path + "|" + v.name + "|" + std::to_string(v.type) + "|" + reg::hexPairsOf(v.data));
        }
        return out;
    }
    // The same for the values as they are in the registry.
    std::string inRegistry(const std::string& path, const std::string& name) {
        plat::RegHandle h = 0;
        if (reg.openKey(kHkeyLocalMachine, path, &h) != 0) return "<no key>";
        const auto v = reg::tryReadValue(reg, h, name);
        reg.closeKey(h);
        if (!v) return "<no value>";
        return kRoot + "\\" + path + "|" + name + "|" + std::to_string(v->type) + "|" + reg::hexPairsOf(v->data);
    }

    plat::FakeRegistry reg;
    plat::FakeFiles files;
    ui::ScriptedFileDialogs dialogs;
    plat::FakeClipboard clipboard;
    ui::HeadlessHost host;
    ui::Driver drv{host};
    std::vector<std::string> jumps;
};

TEST_F(FrmSearchResultsTest, ExportOfEveryRowReadsBackAsTheFoundKeysAndValues) {
    auto f = openAndSearch();
    ASSERT_EQ(listed(*f), (std::vector<std::string>{
                              "Software\\Vendor\\needle app", "Software\\Vendor\\needle app\\Path",
                              "Software\\Vendor\\needle app\\needle text", "Software\\Vendor\\Other\\needle count",
                              "Software\\Vendor\\Other\\needle list", "Software\\Zeta\\Run"}));
    files.addFolder("C:\\Exports");
    dialogs.choose("C:\\Exports\\found.reg", 0);
    drv.click(f->cmdExport);

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Export Results");
    ASSERT_EQ(dialogs.shown[0].types.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].types[0].pattern, "*.reg");
    EXPECT_EQ(dialogs.shown[0].types[1].pattern, "*.csv");
    EXPECT_TRUE(host.boxes.empty()) << host.boxes[0].text;
    EXPECT_EQ(valuesIn("C:\\Exports\\found.reg"), (std::vector<std::string>{
                                                      inRegistry("Software\\Vendor\\needle app", "Path"),
                                                      inRegistry("Software\\Vendor\\needle app", "needle text"),
                                                      inRegistry("Software\\Vendor\\Other", "needle count"),
                                                      inRegistry("Software\\Vendor\\Other", "needle list"),
                                                      inRegistry("Software\\Zeta", "Run"),
                                                  }));
    // The key row gives its key: the file's first header, before the key's values.
    const regfile::ParseResult parsed = regfile::parse(*files.readFile("C:\\Exports\\found.reg"));
    EXPECT_EQ(parsed.script.keys[0].path, kRoot + "\\Software\\Vendor\\needle app");
}

TEST_F(FrmSearchResultsTest, ExportAsksWhetherOnlyTheSelectedRowsAreMeant) {
    struct Case {
        const char* what;
        int answer;
        size_t valuesWritten;  // -1: no file
        bool dialogShown;
    };
    const Case cases[] = {
        {"Yes: the two selected rows", ui::mb::Yes, 2, true},
        {"No: every row", ui::mb::No, 5, true},
        {"Cancel: nothing", ui::mb::Cancel, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.shown.clear();
        host.boxes.clear();
        files.deleteFile("C:\\sel.reg");
        auto f = openAndSearch();
        drv.clickRow(f->LVfound, rowOf(*f, "Software\\Vendor\\needle app\\Path"));
        drv.clickRow(f->LVfound, rowOf(*f, "Software\\Zeta\\Run"), /*additive=*/true);
        host.answer(c.answer);
        if (c.dialogShown) dialogs.choose("C:\\sel.reg");
        drv.click(f->cmdExport);
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].text,
                  "Export only the 2 selected rows?\n\nYes: the 2 selected. No: all 6 rows of the list.");
        EXPECT_EQ(host.boxes[0].style, ui::mb::YesNoCancel | ui::mb::Question);
        EXPECT_EQ(dialogs.shown.size(), c.dialogShown ? 1u : 0u);
        if (!c.dialogShown) {
            EXPECT_EQ(files.fileExists("C:\\sel.reg"), plat::Probe::Missing);
            continue;
        }
        EXPECT_EQ(valuesIn("C:\\sel.reg").size(), c.valuesWritten);
        if (c.answer == ui::mb::Yes) {
            EXPECT_EQ(valuesIn("C:\\sel.reg"),
                      (std::vector<std::string>{inRegistry("Software\\Vendor\\needle app", "Path"),
                                                inRegistry("Software\\Zeta", "Run")}));
        }
        f->unload(ui::kUnloadByUser);
    }
}

TEST_F(FrmSearchResultsTest, TheFormatFollowsTheNameTypedElseTheTypeChosen) {
    struct Case {
        const char* path;
        int type;
        bool csv;
    };
    const Case cases[] = {
        {"C:\\a.csv", 0, true},   // the name wins over the type shown
        {"C:\\b.REG", 1, false},  // letter case of the extension does not matter
        {"C:\\c", 1, true},       // no extension: the type chosen
        {"C:\\d.txt", 0, false}, {"C:\\e.txt", 1, true},
    };
    auto f = openAndSearch();
    int lastType = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        dialogs.choose(c.path, c.type);
        drv.click(f->cmdExport);
        // The dialog offers the type chosen the time before.
        EXPECT_EQ(dialogs.shown.back().typeIndex, lastType);
        lastType = c.type;
        const auto bytes = files.readFile(c.path);
        ASSERT_TRUE(bytes);
        EXPECT_EQ(bytes->substr(0, c.csv ? 3 : 2), c.csv ? "\xEF\xBB\xBF" : "\xFF\xFE");
    }
    EXPECT_TRUE(host.boxes.empty());
    const auto csv = files.readFile("C:\\c");
    EXPECT_NE(csv->find("\r\n" + kRoot + "\\Software\\Vendor\\Other,needle count,REG_DWORD,0x00000007 (7)\r\n"),
              std::string::npos)
        << *csv;
}

TEST_F(FrmSearchResultsTest, ValuesTheFileCannotHoldAreNamedAndTheRestIsSaved) {
    value(reg, kHkeyLocalMachine, "Software\\Zeta", std::string("needle\0hidden", 13), plat::kRegSz, utf16Bytes("x"));
    value(reg, kHkeyLocalMachine, "Software\\Zeta", "needle unended", plat::kRegSz, utf16Bytes("abc", false));
    auto f = openAndSearch();
    dialogs.choose("C:\\found.reg");
    drv.click(f->cmdExport);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "The results were saved to C:\\found.reg, but 2 rows were left out:\n" + kRoot +
                  "\\Software\\Zeta, value \"needle\\0hidden\": a registry file cannot hold a name with a NUL or a "
                  "line break\n" +
                  kRoot +
                  "\\Software\\Zeta, value \"needle unended\": the registry editor would add a NUL to text data that "
                  "does not end with one");
    EXPECT_EQ(valuesIn("C:\\found.reg").size(), 5u);
}

TEST_F(FrmSearchResultsTest, AFailedSaveSaysWhyAndACancelledOneDoesNothing) {
    auto f = openAndSearch();
    files.addFolder("C:\\Program Files\\Scourline");
    files.markReadOnlyFolder("C:\\Program Files\\Scourline");
    dialogs.choose("C:\\Program Files\\Scourline\\found.reg");
    drv.click(f->cmdExport);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text,
              "The results could not be saved to C:\\Program Files\\Scourline\\found.reg: access is denied (error 5).");
    EXPECT_EQ(host.boxes[0].style, ui::mb::OkOnly | ui::mb::Critical);
    EXPECT_EQ(files.fileExists("C:\\Program Files\\Scourline\\found.reg"), plat::Probe::Missing);

    dialogs.cancelNext();
    drv.click(f->cmdExport);
    EXPECT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(dialogs.shown.size(), 2u);
}

TEST_F(FrmSearchResultsTest, FilterNarrowsTheListWithoutSearchingAgainAndClearingShowsAll) {
    auto f = openAndSearch();
    const std::vector<std::string> all = listed(*f);
    const int yieldsAfterSearch = host.yields();

    drv.type(f->txtFilter, "OTHER");
    EXPECT_EQ(listed(*f), (std::vector<std::string>{"Software\\Vendor\\Other\\needle count",
                                                    "Software\\Vendor\\Other\\needle list"}));
    EXPECT_EQ(host.yields(), yieldsAfterSearch) << "the filter searched the registry again";

    // A row of the narrowed list is the row it shows: a click opens its key, export takes it.
    drv.mouseUpOnRow(f->LVfound, 1);
    EXPECT_EQ(jumps, std::vector<std::string>{kRoot + "\\Software\\Vendor\\Other\\"});
    dialogs.choose("C:\\filtered.reg");
    drv.click(f->cmdExport);
    EXPECT_EQ(valuesIn("C:\\filtered.reg"),
              (std::vector<std::string>{inRegistry("Software\\Vendor\\Other", "needle count"),
                                        inRegistry("Software\\Vendor\\Other", "needle list")}));

    drv.type(f->txtFilter, "no such row");
    EXPECT_EQ(f->LVfound.count(), 0);
    EXPECT_FALSE(f->cmdExport.enabled());
    EXPECT_FALSE(f->cmdCopy.enabled());

    drv.type(f->txtFilter, "");
    EXPECT_EQ(listed(*f), all);
    EXPECT_TRUE(f->cmdExport.enabled());

    // A filter typed before the search applies to the rows as they are found.
    drv.type(f->txtFilter, "zeta");
    drv.click(f->cmdFind);
    EXPECT_EQ(listed(*f), std::vector<std::string>{"Software\\Zeta\\Run"});
    EXPECT_EQ(f->results().size(), all.size());
}

TEST_F(FrmSearchResultsTest, CopyPutsTheSelectedRowsKeyPathsAndValueDataOnTheClipboard) {
    auto f = openAndSearch();
    // Nothing selected: Ctrl+C does nothing, the button says what to do.
    drv.keyDown(f->LVfound, 'C', ui::kCtrlMask);
    EXPECT_EQ(clipboard.copies, 0);
    drv.click(f->cmdCopy);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Select the rows whose keys to copy.");

    drv.clickRow(f->LVfound, rowOf(*f, "Software\\Vendor\\needle app"));
    drv.clickRow(f->LVfound, rowOf(*f, "Software\\Vendor\\needle app\\Path"), true);
    drv.clickRow(f->LVfound, rowOf(*f, "Software\\Vendor\\Other\\needle list"), true);
    drv.keyDown(f->LVfound, 'C');  // C alone is no command
    EXPECT_EQ(clipboard.copies, 0);
    drv.keyDown(f->LVfound, 'C', ui::kCtrlMask);
    EXPECT_EQ(clipboard.text, kRoot + "\\Software\\Vendor\\needle app\r\n" + kRoot + "\\Software\\Vendor\\Other");
    drv.click(f->cmdCopy);
    EXPECT_EQ(clipboard.copies, 2);

    drv.click(f->cmdCopyData);
    EXPECT_EQ(clipboard.text, "C:\\needle\\app.exe\r\none\r\ntwo");

    // Only a key selected: no data to copy, and the clipboard keeps what it had.
    drv.clickRow(f->LVfound, rowOf(*f, "Software\\Vendor\\needle app"));
    drv.click(f->cmdCopyData);
    EXPECT_EQ(host.boxes.back().text,
              "Select the value rows whose data to copy (a key holds no value data of its own here).");
    EXPECT_EQ(clipboard.text, "C:\\needle\\app.exe\r\none\r\ntwo");

    // Ctrl+A selects every row; a clipboard held by another program is said.
    drv.keyDown(f->LVfound, 'A', ui::kCtrlMask);
    EXPECT_EQ(f->LVfound.selCount(), f->LVfound.count());
    clipboard.error = 5;  // access denied: another program holds it
    drv.keyDown(f->LVfound, 'C', ui::kCtrlMask);
    EXPECT_EQ(host.boxes.back().text, "Nothing was copied: another program is using the clipboard.");
}

TEST_F(FrmSearchResultsTest, AClickWithCtrlOrShiftSelectsWithoutOpeningTheEditor) {
    auto f = openAndSearch();
    drv.mouseUpOnRow(f->LVfound, 1, 1, ui::kCtrlMask);
    drv.mouseUpOnRow(f->LVfound, 2, 1, ui::kShiftMask);
    EXPECT_TRUE(jumps.empty());
    drv.mouseUpOnRow(f->LVfound, 0);
    EXPECT_EQ(jumps, std::vector<std::string>{kRoot + "\\Software\\Vendor\\needle app"});
}

TEST_F(FrmSearchResultsTest, CopyAndExportWaitForFoundRows) {
    search::SearchServices services{reg, nullptr, nullptr, false, &files, &dialogs, &clipboard};
    frmSearch f(host, services);
    f.show();
    for (ui::Button* b : {&f.cmdCopy, &f.cmdCopyData, &f.cmdExport}) EXPECT_FALSE(b->enabled()) << b->name();
    // During the search the rows keep changing: the commands stay off until it ends.
    bool offDuringSearch = false;
    host.atNextYield([&] { offDuringSearch = !f.cmdExport.enabled() && !f.cmdCopy.enabled(); });
    drv.type(f.cboFind, "needle");
    drv.click(f.cmdFind);
    EXPECT_TRUE(offDuringSearch);
    EXPECT_TRUE(f.cmdExport.enabled());
    // A search without a hit leaves "Nothing to show", which is no result.
    drv.type(f.cboFind, "nowhere at all");
    drv.click(f.cmdFind);
    ASSERT_EQ(f.LVfound.count(), 1);
    EXPECT_FALSE(f.cmdExport.enabled());
    EXPECT_FALSE(f.cmdCopyData.enabled());
}

}  // namespace
