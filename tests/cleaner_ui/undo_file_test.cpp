// The option "Keep an undo file of each repair" and where its files go.
#include "cleaner/engine/undo_record.h"
#include "cleaner/ui/undo_file.h"
#include "tests/cleaner_ui/main_fixture.h"

namespace cleanerui {
namespace {

class UndoOptionTest : public MainTest {
protected:
    const std::string backups = std::string(kApp) + "\\Backups";
};

TEST_F(UndoOptionTest, OffByDefaultStoredWithTheSettingsWhenTheUserTicksIt) {
    auto& f = start();
    EXPECT_EQ(f.chkKeepUndo.caption(), "Keep an undo file of each repair");
    EXPECT_EQ(f.chkKeepUndo.value(), 0);
    EXPECT_FALSE(f.KeepUndoFile());
    EXPECT_EQ(settingOr("chkKeepUndo"), "<absent>") << "a first start writes nothing";
    EXPECT_FALSE(f.chkKeepUndo.shown()) << "it lives in the options view";

    drv.click(f.o3);
    drv.click(f.chkKeepUndo);
    EXPECT_TRUE(f.KeepUndoFile());
    EXPECT_EQ(settingOr("chkKeepUndo"), "1");
    form.reset();
    EXPECT_TRUE(start().KeepUndoFile());
    drv.click(form->o3);
    drv.click(form->chkKeepUndo);
    EXPECT_EQ(settingOr("chkKeepUndo"), "0");
    form.reset();
    EXPECT_FALSE(start().KeepUndoFile());

    // Values that are not "1" leave it off.
    for (const char* stored : {"", "abc", "2", "0"}) {
        setting("chkKeepUndo", stored);
        form.reset();
        EXPECT_FALSE(start().KeepUndoFile()) << stored;
    }
}

TEST_F(UndoOptionTest, SpanishCaption) {
    files.addFile(std::string(kApp) + "\\spanish.dll", std::string(""));
    EXPECT_EQ(start().chkKeepUndo.caption(), "Guardar un archivo para deshacer cada reparación");
}

TEST_F(UndoOptionTest, TheFileIsNamedAsTheBackupProgramNamesItsBackups) {
    clock.setNow({2026, 12, 6, 16, 45, 36});
    EXPECT_EQ(cleaner::RepairUndoFilePath(files, clock.now()), backups + "\\Repair 26.12.06-16.45.36.reg");

    const std::vector<engine::UndoValue> values = {
        {plat::kHkeyCurrentUser, "Software\\Junk", "a", plat::kRegSz, reg::textBytes("C:\\gone.exe")}};
    cleaner::UndoFileResult first = cleaner::WriteRepairUndoFile(files, clock, values);
    ASSERT_TRUE(first.ok) << first.problem;
    EXPECT_EQ(first.path, backups + "\\Repair 26.12.06-16.45.36.reg");
    EXPECT_EQ(files.readFile(first.path), engine::BuildUndoRecord(values).bytes);
    // A second repair within the same second does not overwrite the first record.
    cleaner::UndoFileResult second = cleaner::WriteRepairUndoFile(files, clock, values);
    ASSERT_TRUE(second.ok) << second.problem;
    EXPECT_EQ(second.path, backups + "\\Repair 26.12.06-16.45.36 (2).reg");
    EXPECT_EQ(cleaner::RepairUndoFilePath(files, clock.now()), backups + "\\Repair 26.12.06-16.45.36 (3).reg");
}

TEST_F(UndoOptionTest, NoFileWhenTheRecordCannotBeCompleteOrWritten) {
    const engine::UndoValue fine{plat::kHkeyCurrentUser, "Software\\Junk", "a", plat::kRegSz, reg::textBytes("x")};
    const engine::UndoValue nul{plat::kHkeyCurrentUser, "Software\\Junk", std::string("a\0b", 3), plat::kRegSz,
                                reg::textBytes("x")};
    cleaner::UndoFileResult r = cleaner::WriteRepairUndoFile(files, clock, {fine, nul});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.problem.find("cannot hold"), std::string::npos) << r.problem;
    EXPECT_TRUE(files.listFiles(backups, "*.reg").empty());

    // "Backups" is a file here: the folder cannot be made, nothing is written.
    files.addFile(backups, std::string("not a folder"));
    r = cleaner::WriteRepairUndoFile(files, clock, {fine});
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.problem.find("could not be written"), std::string::npos) << r.problem;
    EXPECT_TRUE(r.path.empty());
}

// The user ticks the option, scans and presses Fix all: the record lies in the backup folder
// before anything is deleted, and it holds every deleted value.
TEST_F(UndoOptionTest, FixAllWithTheOptionTickedWritesTheRecordFirst) {
    sz(plat::kHkeyCurrentUser, "Software\\Junk", "a", "C:\\gone\\a.exe");
    sz(plat::kHkeyCurrentUser, "Software\\Junk", "b", "C:\\gone\\b.exe");
    areas("1;0;0;0;0;0;0;0");
    auto& f = start();
    drv.click(f.o3);
    drv.click(f.chkKeepUndo);
    drv.click(f.cmdScan);
    ASSERT_EQ(f.lvInvalidLoc.count(), 2);
    host.answer(ui::mb::Yes);
    drv.click(f.o5);
    EXPECT_EQ(f.lvInvalidLoc.count(), 0);
    EXPECT_FALSE(valueExists(plat::kHkeyCurrentUser, "Software\\Junk", "a"));
    auto listed = files.listFiles(backups, "Repair *.reg");
    ASSERT_EQ(listed.size(), 1u);
    const std::string record = files.readFile(backups + "\\" + listed[0].name).value_or("");
    EXPECT_NE(record.find(std::string("a\0\"\0=\0", 6)), std::string::npos);  // "a"= in UTF-16
    EXPECT_NE(record.find(std::string("b\0\"\0=\0", 6)), std::string::npos);
}

TEST_F(UndoOptionTest, ARecordThatCannotBeWrittenStopsTheRepair) {
    sz(plat::kHkeyCurrentUser, "Software\\Junk", "a", "C:\\gone\\a.exe");
    areas("1;0;0;0;0;0;0;0");
    files.markReadOnlyFolder(kApp);  // no backup folder can be made
    auto& f = start();
    drv.click(f.o3);
    drv.click(f.chkKeepUndo);
    drv.click(f.cmdScan);
    ASSERT_EQ(f.lvInvalidLoc.count(), 1);
    host.answer(ui::mb::Yes);
    drv.click(f.o5);
    ASSERT_FALSE(host.boxes.empty());
    EXPECT_EQ(host.boxes.back().text.rfind("Nothing was deleted.", 0), 0u) << host.boxes.back().text;
    EXPECT_EQ(f.lvInvalidLoc.count(), 1);
    EXPECT_TRUE(valueExists(plat::kHkeyCurrentUser, "Software\\Junk", "a"));
    EXPECT_TRUE(f.undoRecordFailed());
}

}  // namespace
}  // namespace cleanerui
