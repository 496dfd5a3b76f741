#include "shell/maintenance.h"

#include <gtest/gtest.h>

#include <fstream>

#include "meetdb/meet_files.h"
#include "meetdb/sqlite.h"
#include "support/fakes.h"
#include "ui/captions.h"
#include "support/meet_query.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

long long count(const std::string& path, const std::string& table) {
    return kvt::testing::StoredRows(path, table);
}

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

void execute(const std::string& path, const std::string& sql) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
    db.execute(sql);
}

std::vector<std::string> folderEntries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A Norwegian meet with sample names, a race run on it and its lists written; closed again.
class Maintenance : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        p.Main.SetupChannelCheck[0].setChecked(true);
        for (int n = 1; n <= 3; ++n) {
            p.Main.Number[9].setText(std::to_string(n));
            for (int second : {0, 30}) {
                test.clock.time = {10, n, second, 0};
                p.Main.Number[9].KeyDown.raise(ui::KeyReturn);
                p.Main.Number[9].KeyUp.raise(ui::KeyReturn);
            }
        }
        p.Main.Window.pressKey(ui::KeyF2);
        for (int i = 0; i < 25; ++i) p.Main.Hitime1.tick();
        p.MDIMain.MakeResultslist.click();
        p.MDIMain.MakeResultslistHtml.click();
        p.MDIMain.Close.click();
        ASSERT_EQ(count(path, "Resultat-1"), 3);
        test.dialogs.messages.clear();
    }
    ui::Program& program() { return test.program(); }
    // Reset as the operator does it: the file chosen, the question answered as given.
    void reset(const std::string& file, ui::Answer answer = ui::Answer::Yes) {
        test.dialogs.fileAnswers.push_back(file);
        test.dialogs.answers.push_back(answer);
        program().MDIMain.Reset.click();
        test.dialogs.answers.clear();
    }
    // The messages shown that asked nothing.
    std::vector<std::string> told() const {
        std::vector<std::string> texts;
        for (const auto& shown : test.dialogs.messages)
            if (shown.buttons == ui::MessageButtons::Ok) texts.push_back(shown.text);
        return texts;
    }
    std::string status() { return program().MDIMain.Status.panelText(2); }
    std::string setup(const std::string& field) {
        return kvt::testing::ReadField(path, "Oppsett", field).value_or("<null>");
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Maintenance, ResetClearsTimesAndKeepsTheRegisters) {
    execute(path, "UPDATE \"Deltakere\" SET \"1\" = 'Kari' WHERE rowid = 4");
    reset(path);
    EXPECT_TRUE(told().empty()) << told().back();
    EXPECT_EQ(status(), "Stevnet Meet.mdb er resatt.");
    EXPECT_EQ(count(path, "Resultat-1"), 0);
    EXPECT_EQ(count(path, "Tider"), 300);
    EXPECT_EQ(kvt::testing::ReadField(path, "Tider", "Tid"), "-");
    EXPECT_EQ(kvt::testing::ReadField(path, "Arbeid", "20"), "-");
    EXPECT_EQ(kvt::testing::ReadField(path, "Arbeid", "30"), "0");
    EXPECT_EQ(setup("29"), "0");
    EXPECT_EQ(setup("30"), "0");
    EXPECT_EQ(setup("32"), "0");
    EXPECT_EQ(setup("0"), "1");  // line 1 still in use
    EXPECT_EQ(count(path, "Deltakere"), 10);
    EXPECT_EQ(kvt::testing::ReadField(path, "Klubber", "1"), "Tornado");
    EXPECT_EQ(count(path, "Klasser"), 10);
    EXPECT_FALSE(fs::exists(test.folder() / "Meet" / "Resultat.txt"));
    EXPECT_FALSE(fs::exists(test.folder() / "Meet" / "Resultat.htm"));
    EXPECT_TRUE(fs::is_directory(test.folder() / "Meet"));
    EXPECT_EQ(program().meet, nullptr);
    EXPECT_EQ(test.dialogs.fileRequests.back().title, "Resett");

    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    EXPECT_EQ(program().meet->registeredCount(), 0);
    EXPECT_FALSE(program().Main.ReadyLed[0].lit());
    EXPECT_EQ(program().meet->competitor(1).state, meet::NotStarted);
    program().Main.NameMover.setText("4");
    EXPECT_EQ(program().Main.NameText[0].text(), "Kari");
}

TEST_F(Maintenance, ResetOfATimeTableThatGrewDuringTheRaceLeavesSizeAndRowsAgreeing) {
    // The race went past the prepared rows: the table and field 31 say 3100.
    execute(path,
            "WITH RECURSIVE k(n) AS (SELECT 301 UNION ALL SELECT n + 1 FROM k WHERE n < 3100) "
            "INSERT INTO \"Tider\" (\"Index\", \"Id\", \"Tid\", \"Nr\", \"Type\", "
            "\"Deltaker\", \"Info\") SELECT ' ' || n, '-', '-', '-', '-', '-', '-' FROM k");
    execute(path, "UPDATE \"Oppsett\" SET \"31\" = '3100'");
    reset(path);
    EXPECT_TRUE(told().empty()) << told().front();
    EXPECT_EQ(count(path, "Tider"), 3000);
    EXPECT_EQ(setup("31"), "3000");

    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    ASSERT_EQ(program().currentDatabase(), path);
    EXPECT_TRUE(told().empty()) << told().front();
    EXPECT_EQ(program().meet->timeTableSize(), 3000);
}

TEST_F(Maintenance, ResetOfAMeetOfTheOtherLanguageChangesNothing) {
    const std::string before = bytes(path);
    program().Main.SetupLanguageOption[1].select();
    reset(path);
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text.rfind("The databasen was made", 0), 0u);
    EXPECT_NE(test.dialogs.messages[0].text.find(
                  "This meet was made with the language Norwegian (0)."),
              std::string::npos)
        << test.dialogs.messages[0].text;
    EXPECT_EQ(bytes(path), before);
    EXPECT_TRUE(fs::exists(test.folder() / "Meet" / "Resultat.txt"));
}

TEST_F(Maintenance, AResultsTableThatCannotBeDroppedIsToldOnceAndTheRestIsRemade) {
    execute(path, "DROP TABLE \"Resultat-3\"");
    reset(path);
    EXPECT_EQ(told(), (std::vector<std::string>{"Feil under sletting av resultat registeret"}));
    EXPECT_EQ(count(path, "Resultat-1"), 0);
    EXPECT_EQ(count(path, "Resultat-3"), 0);
    EXPECT_EQ(count(path, "Tider"), 300);
    EXPECT_EQ(kvt::testing::ReadField(path, "Tider", "Id"), "-");
}

TEST_F(Maintenance, ACancelledResetSaysNothingAndANonMeetFileIsTold) {
    program().MDIMain.Reset.click();
    EXPECT_TRUE(test.dialogs.messages.empty());
    { std::ofstream(test.folder() / "notes.mdb") << "just text"; }
    reset((test.folder() / "notes.mdb").string());
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text.rfind("Feil under resetting av database", 0), 0u);
    EXPECT_EQ(bytes(test.folder() / "notes.mdb"), "just text");
}

TEST_F(Maintenance, ResetDeletesOnlyTheListsOfTheMeetBeingReset) {
    // Another meet opened earlier in this run has lists of its own.
    const std::string other = (test.folder() / "Other.mdb").string();
    test.dialogs.fileAnswers.push_back(other);
    program().MDIMain.MakeNew.click();
    test.dialogs.fileAnswers.push_back(other);
    program().MDIMain.Open.click();
    program().MDIMain.MakeResultslist.click();
    program().MDIMain.Close.click();
    fs::remove(test.folder() / "Meet" / "Resultat.htm");  // a missing list is no error
    reset(path);
    EXPECT_TRUE(told().empty());
    EXPECT_FALSE(fs::exists(test.folder() / "Meet" / "Resultat.txt"));
    EXPECT_TRUE(fs::exists(test.folder() / "Other" / "Resultat.txt"));
}

TEST_F(Maintenance, CopyReplacesAnOldBackupAndLeavesTheSourceAlone) {
    { std::ofstream(test.folder() / "Meet.bak") << "old backup"; }
    const std::string before = bytes(path);
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Copy.click();
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_EQ(bytes(path), before);
    const std::string backup = (test.folder() / "Meet.bak").string();
    EXPECT_EQ(status(), "Databasen er kopiert til " + backup + ".");
    EXPECT_EQ(count(backup, "Resultat-1"), 3);
    EXPECT_EQ(test.dialogs.fileRequests.back().title, "Kopier");
}

TEST_F(Maintenance, CompressLeavesExactlyOneFileUnderTheChosenName) {
    { std::ofstream(test.folder() / "Meet.tmp") << "left over"; }
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Kompress.click();
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_EQ(status(), "Databasen Meet.mdb er komprimert.");
    EXPECT_EQ(folderEntries(test.folder()), (std::vector<std::string>{"Meet", "Meet.mdb"}));
    EXPECT_EQ(count(path, "Resultat-1"), 3);
}

TEST_F(Maintenance, CompressOfAFileWhoseNameEndsInTmpKeepsItCompacted) {
    // Its name less four characters and ".tmp" is its own name: that cannot be the
    // temporary file.
    const fs::path chosen = test.folder() / "Meet.tmp";
    fs::rename(path, chosen);
    test.dialogs.fileAnswers.push_back(chosen.string());
    program().MDIMain.Kompress.click();
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages.front().text;
    ASSERT_TRUE(fs::exists(chosen));
    EXPECT_EQ(count(chosen.string(), "Resultat-1"), 3);
    EXPECT_EQ(folderEntries(test.folder()), (std::vector<std::string>{"Meet", "Meet.tmp"}));
}

TEST_F(Maintenance, ACompressThatFailsSaysSoAndKeepsTheFile) {
    // A temporary name that cannot be cleared away makes the compaction fail half way.
    fs::create_directories(test.folder() / "Meet.tmp" / "busy");
    const std::string before = bytes(path);
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Kompress.click();
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text.rfind("Databasen kunne ikke komprimeres", 0), 0u);
    EXPECT_EQ(status(), "");
    EXPECT_EQ(bytes(path), before);
}

TEST_F(Maintenance, RepairKeepsEveryRecordThatCanStillBeRead) {
    // A whole file needs nothing.
    auto whole = meetdb::RepairFile(path);
    EXPECT_FALSE(whole.damaged);
    // Damaged pages in the middle of the file.
    const std::string before = bytes(path);
    std::string damaged = before;
    const std::size_t page = 4096;
    ASSERT_GT(damaged.size(), 6 * page);
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + page; ++i)
        damaged[i] = '\x5a';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Repair.click();
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text.rfind("Databasen var skadet", 0), 0u);
    EXPECT_TRUE(fs::exists(test.folder() / "Meet.damaged"));
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    auto check = db.prepare("PRAGMA integrity_check");
    check.step();
    EXPECT_EQ(check.text(0), "ok");
    EXPECT_EQ(count(path, "Deltakere"), 10);
}

TEST_F(Maintenance, RepairOfATruncatedFileKeepsTheFrontAndAFileOfNoDatabaseIsTold) {
    // Compacted, the file holds its tables' first pages and its table list in front and the
    // times last; then it loses its last two pages, the times'.
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Kompress.click();
    std::string content = bytes(path);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        << content.substr(0, content.size() - 2 * 4096);
    auto report = meetdb::RepairFile(path);
    EXPECT_TRUE(report.damaged);
    EXPECT_GT(report.recordsKept, 10);
    EXPECT_GT(report.readFailures, 0);
    EXPECT_EQ(count(path, "Deltakere"), 10);  // the first tables lie in the front
    EXPECT_EQ(bytes(report.damagedCopy), content.substr(0, content.size() - 2 * 4096));

    // A file whose table list itself is gone cannot be rebuilt, and says so.
    std::string noList = content;
    std::fill(noList.begin() + 100, noList.begin() + 4096, '\x77');
    std::ofstream(path, std::ios::binary | std::ios::trunc) << noList;
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Repair.click();
    ASSERT_FALSE(test.dialogs.messages.empty());
    EXPECT_EQ(test.dialogs.messages.back().text.rfind("Databasen kunne ikke repareres", 0), 0u);

    const std::string text = (test.folder() / "text.mdb").string();
    { std::ofstream(text) << std::string(5000, 'x'); }
    test.dialogs.fileAnswers.push_back(text);
    program().MDIMain.Repair.click();
    ASSERT_FALSE(test.dialogs.messages.empty());
    EXPECT_EQ(test.dialogs.messages.back().text.rfind("Databasen kunne ikke repareres", 0), 0u);
    EXPECT_EQ(bytes(text), std::string(5000, 'x'));
}

TEST_F(Maintenance, ResetAsksNamingTheMeetAndWhatItHoldsAndNoChangesNothing) {
    const std::string before = bytes(path);
    reset(path, ui::Answer::No);
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].buttons, ui::MessageButtons::YesNo);
    EXPECT_EQ(test.dialogs.messages[0].text,
              "Resette stevnet Meet.mdb? Det har 7 registrerte tider og 3 resultater, som alle "
              "slettes. Deltakere, klubber, klasser og oppsettet beholdes.");
    EXPECT_EQ(bytes(path), before);
    EXPECT_TRUE(fs::exists(test.folder() / "Meet" / "Resultat.txt"));
    EXPECT_EQ(status(), "");
}

TEST_F(Maintenance, ResetsFileDialogStartsOnTheMeetClosedLast) {
    // Another meet bears the preset name; it was made, never opened.
    const std::string other = (test.folder() / "Demorenn.mdb").string();
    test.dialogs.fileAnswers.push_back(other);
    program().MDIMain.MakeNew.click();
    program().MDIMain.Reset.click();  // cancelled
    ASSERT_FALSE(test.dialogs.fileRequests.empty());
    EXPECT_EQ(test.dialogs.fileRequests.back().fileName, "Meet.mdb");
    EXPECT_EQ(fs::path(test.dialogs.fileRequests.back().initialFolder), test.folder());
    EXPECT_TRUE(test.dialogs.messages.empty());
    // Once the other is opened and closed, it is the one.
    test.dialogs.fileAnswers.push_back(other);
    program().MDIMain.Open.click();
    program().MDIMain.Close.click();
    program().MDIMain.Reset.click();
    EXPECT_EQ(test.dialogs.fileRequests.back().fileName, "Demorenn.mdb");
    // A meet closed last that is gone names nothing.
    fs::remove(other);
    program().MDIMain.Reset.click();
    EXPECT_EQ(test.dialogs.fileRequests.back().fileName, "");
}

TEST_F(Maintenance, AResetThatFailsOnItsLastStepLeavesEveryTimeAndResult) {
    // The Setup record cannot take the zeroed counts: the reset fails after every table was
    // dropped and made again, and all of it is undone.
    execute(path, "ALTER TABLE \"Oppsett\" DROP COLUMN \"37\"");
    reset(path);
    ASSERT_EQ(told().size(), 1u);
    EXPECT_EQ(told()[0].rfind("Feil under resetting av database", 0), 0u) << told()[0];
    EXPECT_EQ(count(path, "Resultat-1"), 3);
    EXPECT_EQ(count(path, "Tider"), 300);
    EXPECT_EQ(kvt::testing::ReadField(path, "Tider", "Id"), "1-0001");
    EXPECT_EQ(setup("29"), "7");
    EXPECT_FALSE(fs::exists(path + "-journal"));
    EXPECT_TRUE(fs::exists(test.folder() / "Meet" / "Resultat.txt"));
}

TEST_F(Maintenance, RepairOfAWholeMeetSaysSoAndChangesNothing) {
    const std::string before = bytes(path);
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Repair.click();
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages.front().text;
    EXPECT_EQ(status(), "Databasen Meet.mdb er kontrollert og hel; ingenting er endret.");
    EXPECT_EQ(bytes(path), before);
}

TEST_F(Maintenance, RepairOfAMeetLeftInTheMiddleOfAWriteUndoesTheWriteAndTheMeetOpens) {
    // A program stopped in the middle of a reset-like write: its journal is hot and part of
    // the write has reached the file.
    const std::string file = (test.folder() / "half.mdb").string();
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute("PRAGMA cache_size = 1");
        db.execute("BEGIN");
        db.execute("DROP TABLE \"Tider\"");
        db.execute("DROP TABLE \"Resultat-1\"");
        db.execute("UPDATE \"Deltakere\" SET \"5\" = hex(randomblob(200))");
        fs::copy_file(path + "-journal", file + "-journal");
        fs::copy_file(path, file);
        db.execute("ROLLBACK");
    }
    fs::rename(file, path);
    fs::rename(file + "-journal", path + "-journal");
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Repair.click();
    EXPECT_TRUE(told().empty()) << told().front();
    EXPECT_EQ(status(), "Databasen Meet.mdb er kontrollert og hel; ingenting er endret.");
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    ASSERT_EQ(program().currentDatabase(), path) << told().back();
    EXPECT_EQ(program().meet->registeredCount(), 7);
    EXPECT_EQ(count(path, "Resultat-1"), 3);
}

TEST_F(Maintenance, RepairNeverCallsAFileThatOpenRefusesRepaired) {
    // Whole, but without its Work table.
    execute(path, "DROP TABLE \"Arbeid\"");
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Repair.click();
    ASSERT_EQ(told().size(), 1u);
    EXPECT_EQ(told()[0],
              "Databasen er hel, men den kan ikke åpnes som stevnedatabase: tabellen mangler: "
              "Arbeid");
    EXPECT_EQ(status(), "");

    // Damaged and rebuilt, yet still without it.
    std::string damaged = bytes(path);
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 4096; ++i)
        damaged[i] = '\x5a';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
    test.dialogs.messages.clear();
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Repair.click();
    ASSERT_EQ(told().size(), 1u);
    EXPECT_EQ(told()[0].rfind("Databasen er bygd opp igjen, men den kan fortsatt ikke åpnes", 0),
              0u)
        << told()[0];
    EXPECT_EQ(bytes(test.folder() / "Meet.damaged"), damaged);
}

TEST_F(Maintenance, CompressAndRepairByASymlinkWorkOnTheMeetItNames) {
    const fs::path link = test.folder() / "Link.mdb";
    fs::create_symlink(path, link);
    test.dialogs.fileAnswers.push_back(link.string());
    program().MDIMain.Kompress.click();
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages.front().text;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(count(link.string(), "Resultat-1"), 3);

    std::string damaged = bytes(path);
    for (std::size_t i = damaged.size() / 2; i < damaged.size() / 2 + 4096; ++i)
        damaged[i] = '\x5a';
    std::ofstream(path, std::ios::binary | std::ios::trunc) << damaged;
    test.dialogs.fileAnswers.push_back(link.string());
    program().MDIMain.Repair.click();
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text.rfind("Databasen var skadet", 0), 0u)
        << test.dialogs.messages[0].text;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(bytes(test.folder() / "Meet.damaged"), damaged);
    test.dialogs.fileAnswers.push_back(link.string());
    program().MDIMain.Open.click();
    EXPECT_EQ(program().currentDatabase(), link.string()) << test.dialogs.messages.back().text;
}
