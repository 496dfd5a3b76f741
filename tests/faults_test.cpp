// Faults beside a finish line: a disk that fills up and a database that can no longer be
// written during a race. The program says what failed, keeps the times in memory and in the
// list, and loses nothing it stored.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "meetdb/sqlite.h"
#include "support/fakes.h"
#include "support/full_disk.h"
#include "support/meet_query.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

class Fault : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupText[8].setText("5");  // few prepared time rows: the table must grow
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        p.Main.SetupChannelCheck[0].setChecked(true);
        p.Main.SetupTimerValue[2].setCaption("1");
        db = test.engine.connection(path);
        test.clock.time = {12, 0, 0, 0};
    }
    void captures(int count) {
        for (int i = 0; i < count; ++i) {
            test.clock.time.second = i % 60;
            test.program().Main.Window.pressKey(ui::KeyF2);
        }
        for (int i = 0; i < 3; ++i) test.program().Main.Hitime1.tick();
    }
    long long storedTimes() {
        return kvt::testing::StoredNumber(path, "SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'");
    }

    TestProgram test;
    std::string path;
    std::shared_ptr<meetdb::Connection> db;
};

}  // namespace

TEST_F(Fault, ADiskThatFillsUpLosesNoTime) {
    captures(3);
    ASSERT_EQ(storedTimes(), 3);
    auto pages = db->prepare("PRAGMA page_count");
    pages.step();
    db->execute("PRAGMA max_page_count = " + std::to_string(pages.integer(0)));  // the disk is full
    captures(400);  // the Time table must grow past its rows: no room
    EXPECT_EQ(test.program().meet->registeredCount(), 403);
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.back().find("1-0403"), std::string::npos);
    EXPECT_EQ(test.program().meet->registered(403).identification, "1-0403");
    EXPECT_EQ(test.program().Main.SetupCheck[3].checked(), false);  // never was on; untouched
    db->execute("PRAGMA max_page_count = 1073741823");              // room again
    captures(1);
    EXPECT_EQ(storedTimes(), 404);
    EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "29"), "404");
}

TEST_F(Fault, ADatabaseThatBecomesReadOnlyKeepsTheTimesInTheList) {
    captures(2);
    db->execute("PRAGMA query_only = ON");  // the file can no longer be written
    captures(2);
    EXPECT_EQ(test.program().meet->registeredCount(), 4);
    EXPECT_EQ(test.program().Main.RegTime[3].text(), "12.00.01.00");
    EXPECT_TRUE(test.program().Main.ReadyLed[3].lit());
    EXPECT_EQ(storedTimes(), 2);
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.back().find("1-0004"), std::string::npos);
    db->execute("PRAGMA query_only = OFF");
    captures(1);
    EXPECT_EQ(storedTimes(), 5);
    // Closing and opening again shows all five in the list.
    test.program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.Open.click();
    EXPECT_EQ(test.program().meet->registeredCount(), 5);
    EXPECT_TRUE(test.program().Main.ReadyLed[4].lit());
}

// ---- every fault followed by every kind of action ----

namespace {

enum class Failure { FullDisk, ReadOnly };
enum class Then {
    Capture,
    Start,
    Finish,
    Deletion,
    Close,
    Exit,
    OpenAnother,
    RegisterEdit,
    Setting,
    Import
};

struct Case {
    Failure failure;
    Then then;
};

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    static const char* failures[] = {"FullDisk", "ReadOnly"};
    static const char* actions[] = {"Capture", "Start",       "Finish",       "Deletion", "Close",
                                    "Exit",    "OpenAnother", "RegisterEdit", "Setting",  "Import"};
    return std::string(failures[static_cast<int>(info.param.failure)]) + "Then" +
           actions[static_cast<int>(info.param.then)];
}

class FaultThen : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);  // the sample competitors, in "Junior"
        path = test.makeAndOpenMeet();
        main().SetupChannelCheck[0].setChecked(true);
        main().SetupTimerValue[2].setCaption("1");
        db = test.engine.connection(path);
        test.clock.time = {12, 0, 0, 0};
        capture();
        main().Number[5].setText("2");
        enter(5);  // competitor 2 out, for a finish
        test.clock.time = {12, 20, 0, 0};
    }
    ui::MainWindow& main() { return test.program().Main; }
    void capture() {
        main().Window.pressKey(ui::KeyF2);
        for (int i = 0; i < 3; ++i) main().Hitime1.tick();
    }
    void enter(int line) {
        main().Number[line].KeyDown.raise(ui::KeyReturn);
        main().Number[line].KeyUp.raise(ui::KeyReturn);
    }
    void fail() {
        if (GetParam().failure == Failure::FullDisk) {
            auto pages = db->prepare("PRAGMA page_count");
            pages.step();
            db->execute("PRAGMA max_page_count = " + std::to_string(pages.integer(0)));
            // The disk is full only once the Time table must grow: it has as many rows as
            // it was made with, so every new time needs a new page at last.
            for (int i = 0; i < 320; ++i) capture();
        } else {
            db->execute("PRAGMA query_only = ON");
        }
    }
    void mend() {
        if (!db) return;
        db->execute("PRAGMA max_page_count = 1073741823");
        db->execute("PRAGMA query_only = OFF");
    }
    long long stored(const std::string& sql) { return kvt::testing::StoredNumber(path, sql); }
    // A field of competitor record k (competitor k in the sample meet) as the file holds it.
    std::string storedCompetitorField(int k, const std::string& field) {
        meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
        auto q = reader.prepare("SELECT \"" + field + "\" FROM \"Deltakere\" WHERE rowid = ?");
        q.bind(1, static_cast<long long>(k));
        return q.step() ? q.text(0).value_or("<null>") : "<none>";
    }
    fs::path recoveryFile() {
        for (const auto& entry : fs::directory_iterator(test.folder()))
            if (entry.path().filename().string().find("Meet-not-stored-") == 0) return entry.path();
        return {};
    }

    TestProgram test;
    std::string path;
    std::shared_ptr<meetdb::Connection> db;
};

}  // namespace

TEST_P(FaultThen, NothingShownIsLostAndNothingFailsOutOfAHandler) {
    fail();
    const auto before = test.dialogs.messages.size();
    auto& program = test.program();
    const int registered = program.meet->registeredCount();
    switch (GetParam().then) {
        case Then::Capture:
            capture();
            EXPECT_EQ(program.meet->registeredCount(), registered + 1);
            break;
        case Then::Start:
            main().Number[6].setText("3");
            enter(6);
            EXPECT_EQ(program.meet->competitor(3).state, meet::Started);
            break;
        case Then::Finish:
            main().Number[5].setText("2");
            enter(5);
            EXPECT_EQ(program.meet->competitor(2).state, meet::Finished);
            EXPECT_TRUE(main().Inled[5].lit());
            break;
        case Then::Deletion:
            test.dialogs.answers.push_back(ui::Answer::Yes);
            main().Delete[0].click();
            break;
        case Then::Close:
        case Then::Exit:
        case Then::OpenAnother:
            capture();  // a time that waits when the meet is to close
            break;
        case Then::RegisterEdit:
            // Competitor 4's first name changed and confirmed: not stored, so not used, and
            // the page keeps it and says so.
            main().NameMover.setText("4");
            main().NameText[0].setText("Petter");
            main().NameButton.click();
            EXPECT_EQ(main().NameText[0].text(), "Petter");
            EXPECT_EQ(program.meet->competitor(4).name.rfind("Petter", 0), std::string::npos);
            EXPECT_EQ(program.meet->unstoredEdits(), 1);
            EXPECT_NE(main().NameWarning.caption().find("ikke lagret"), std::string::npos);
            EXPECT_NE(program.MDIMain.Status.panelText(1), "");
            // Leaving it tries again, and the page stays on it while it cannot be stored.
            main().NameMover.setText("5");
            EXPECT_EQ(main().NameData.position(), 4);
            EXPECT_EQ(main().NameText[0].text(), "Petter");
            break;
        case Then::Setting:
            // "Remove from list" chosen: the meet acts on it only once it is stored.
            main().SetupCheck[4].setChecked(true);
            EXPECT_FALSE(program.meet->setup().yes(meet::field::RemoveFromList));
            EXPECT_EQ(program.meet->unstoredEdits(), 1);
            break;
        case Then::Import: {
            const fs::path entries = test.folder() / "Entries.csv";
            std::ofstream(entries, std::ios::binary) << "Startnummer;Fornavn\r\n4;Petter\r\n";
            test.dialogs.fileAnswers.push_back(entries.string());
            program.MDIMain.ImportCsv.click();
            // Nothing of it is used, and the operator is told nothing of it was written.
            EXPECT_EQ(program.meet->competitor(4).name.rfind("Petter", 0), std::string::npos);
            ASSERT_FALSE(test.dialogs.messages.empty());
            EXPECT_EQ(test.dialogs.messages.back().text.rfind("Importen kunne ikke lagres", 0), 0u)
                << test.dialogs.messages.back().text;
            break;
        }
    }
    // Never a failure out of a handler: only the program's own words about what waits.
    for (auto i = before; i < test.dialogs.messages.size(); ++i) {
        EXPECT_EQ(test.dialogs.messages[i].text.find("Noe gikk galt"), std::string::npos)
            << test.dialogs.messages[i].text;
    }
    // An import that cannot be stored is kept nowhere; everything else waits.
    if (GetParam().then != Then::Import || GetParam().failure == Failure::FullDisk) {
        EXPECT_FALSE(program.meet->allStored());
    }
    const int shown = program.meet->registeredCount();
    const std::string lastShown = program.meet->registered(shown).identification;

    const Then then = GetParam().then;
    if (then == Then::Close || then == Then::Exit || then == Then::OpenAnother) {
        // The operator lets the times go to the file beside the meet.
        test.dialogs.answers.push_back(ui::Answer::No);
        if (then == Then::Exit) {
            program.MDIMain.Avslutt.click();
        } else {
            program.MDIMain.Close.click();
        }
        ASSERT_EQ(program.meet, nullptr);
        if (then == Then::Exit) {
            EXPECT_EQ(test.application.quitCalls, 1);
        }
        const fs::path written = recoveryFile();
        ASSERT_FALSE(written.empty());
        std::ifstream file(written);
        std::string text((std::istreambuf_iterator<char>(file)), {});
        EXPECT_NE(text.find(lastShown), std::string::npos) << text.substr(0, 300);
        db.reset();
        if (then == Then::OpenAnother) {
            const std::string other = test.makeAndOpenMeet("Other.mdb");
            for (int i = 0; i < 5; ++i) main().Hitime1.tick();
            main().Hitime2.tick();
            EXPECT_EQ(program.meet->registeredCount(), 0);
            EXPECT_EQ(kvt::testing::ReadField(other, "Oppsett", "29"), "0");
        }
        // The meet itself holds everything stored before the fault, whole.
        EXPECT_GE(stored("SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'"), 2);
        return;
    }
    // Storage comes back: everything the operator saw is stored, the result ranked.
    mend();
    main().Hitime2.tick();
    EXPECT_TRUE(program.meet->allStored()) << program.meet->lastFailure();
    EXPECT_EQ(stored("SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'"), shown);
    EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "29"), std::to_string(shown));
    if (then == Then::Finish) {
        EXPECT_EQ(stored("SELECT count(*) FROM \"Resultat-1\" WHERE \"Nummer\" = 2 AND "
                         "\"Plass\" = 1"),
                  1);
    }
    if (then == Then::Start) {
        EXPECT_EQ(stored("SELECT count(*) FROM \"Tider\" WHERE \"Nr\" = '3' AND \"Type\" = 'Ut'"),
                  1);
    }
    if (then == Then::Deletion) {
        EXPECT_EQ(kvt::testing::ReadField(path, "Arbeid", "20"), main().RegTime[0].text());
    }
    if (then == Then::RegisterEdit) {
        EXPECT_EQ(storedCompetitorField(4, "1"), "Petter");
        EXPECT_EQ(program.meet->competitor(4).name.rfind("Petter, ", 0), 0u);
        EXPECT_EQ(main().NameWarning.caption(), "");
        main().NameMover.setText("6");  // stored: the record can be left
        EXPECT_EQ(main().NameData.position(), 6);
    }
    if (then == Then::Setting) {
        EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "16"), "1");
        EXPECT_TRUE(program.meet->setup().yes(meet::field::RemoveFromList));
    }
    if (then == Then::Import) {
        EXPECT_NE(storedCompetitorField(4, "1"), "Petter");
        EXPECT_EQ(program.meet->competitor(4).name.rfind("Petter", 0), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fault, FaultThen,
    ::testing::Values(
        Case{Failure::FullDisk, Then::Capture}, Case{Failure::FullDisk, Then::Start},
        Case{Failure::FullDisk, Then::Finish}, Case{Failure::FullDisk, Then::Deletion},
        Case{Failure::FullDisk, Then::Close}, Case{Failure::FullDisk, Then::Exit},
        Case{Failure::FullDisk, Then::OpenAnother}, Case{Failure::ReadOnly, Then::Capture},
        Case{Failure::ReadOnly, Then::Start}, Case{Failure::ReadOnly, Then::Finish},
        Case{Failure::ReadOnly, Then::Deletion}, Case{Failure::ReadOnly, Then::Close},
        Case{Failure::ReadOnly, Then::Exit}, Case{Failure::ReadOnly, Then::OpenAnother},
        Case{Failure::FullDisk, Then::RegisterEdit}, Case{Failure::FullDisk, Then::Setting},
        Case{Failure::FullDisk, Then::Import}, Case{Failure::ReadOnly, Then::RegisterEdit},
        Case{Failure::ReadOnly, Then::Setting}, Case{Failure::ReadOnly, Then::Import}),
    caseName);

// The fault seen: on a file that can no longer be written, competitor 2 moved from Junior to
// Senior is refused, and the meet goes on using Junior; once storage is back and he finishes,
// the file and the results agree on his class.
class RefusedClassChange : public FaultThen {};

TEST_P(RefusedClassChange, TheFileAndTheResultsAgreeOnTheClass) {
    fail();
    auto& program = test.program();
    main().NameMover.setText("2");
    ASSERT_EQ(main().NameData.position(), 2);
    main().NameCombo[1].setText("Senior");
    main().NameMover.setText("3");  // left: refused
    EXPECT_EQ(main().NameData.position(), 2);
    EXPECT_EQ(main().NameCombo[1].text(), "Senior");
    EXPECT_NE(main().NameWarning.caption().find("ikke lagret"), std::string::npos);
    EXPECT_EQ(program.meet->competitor(2).className, "Junior");
    EXPECT_EQ(storedCompetitorField(2, "4"), "Junior");
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.back().find("Kunne ikke lagres"), std::string::npos);

    mend();
    main().Number[5].setText("2");
    enter(5);  // the finish, with the class edit stored before it
    EXPECT_EQ(program.meet->competitor(2).state, meet::Finished);
    EXPECT_EQ(storedCompetitorField(2, "4"), "Senior");
    EXPECT_EQ(program.meet->competitor(2).className, "Senior");
    ASSERT_EQ(program.meet->className(2), "Senior");
    EXPECT_EQ(stored("SELECT count(*) FROM \"Resultat-2\" WHERE \"Nummer\" = 2"), 1);
    EXPECT_EQ(stored("SELECT count(*) FROM \"Resultat-1\" WHERE \"Nummer\" = 2"), 0);
    EXPECT_TRUE(program.meet->allStored()) << program.meet->lastFailure();
    EXPECT_EQ(main().NameWarning.caption(), "");
    EXPECT_EQ(main().NameCombo[1].text(), "Senior");
}

INSTANTIATE_TEST_SUITE_P(Fault, RefusedClassChange,
                         ::testing::Values(Case{Failure::FullDisk, Then::Finish},
                                           Case{Failure::ReadOnly, Then::Finish}),
                         caseName);

// A correction made while the disk is full: the meet goes on with it, the operator is told it
// is not stored, the file keeps the times as they were (not half corrected), and the retry
// each second stores the whole of it once there is room.
TEST(FaultCorrection, ACorrectionOnAFullDiskIsKeptAndStoredWholeLater) {
    TestProgram test;
    auto& program = test.start();
    program.Main.SetupCheck[1].setChecked(true);
    const std::string path = test.makeAndOpenMeet();
    auto& main = program.Main;
    auto enter = [&](int n) {
        main.Number[9].setText(std::to_string(n));
        main.Number[9].KeyDown.raise(ui::KeyReturn);
        main.Number[9].KeyUp.raise(ui::KeyReturn);
    };
    test.clock.time = {12, 0, 0, 0};
    enter(1);
    enter(2);
    test.clock.time = {12, 20, 0, 0};
    enter(1);
    const int finish = program.meet->competitor(1).finishRow;
    auto stored = [&](const std::string& sql) {
        meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
        auto q = reader.prepare(sql);
        return q.step() ? q.text(0).value_or("<null>") : std::string("<none>");
    };
    const std::string finishNumber =
        "SELECT \"Nr\" FROM \"Tider\" WHERE rowid = " + std::to_string(finish);
    const std::string resultNumbers = "SELECT group_concat(\"Nummer\") FROM \"Resultat-1\"";
    test.dialogs.notices.clear();
    {
        kvt::testing::FullDisk full(16);
        main.ResultsCorrection.Number.setText("1");
        main.ResultsCorrection.GiveTo.setText("2");
        main.ResultsCorrection.Reassign.click();
        EXPECT_EQ(program.meet->competitor(2).state, meet::Finished);
        EXPECT_EQ(program.meet->competitor(1).state, meet::Started);
        EXPECT_FALSE(program.meet->allStored());
        main.Hitime2.tick();  // the retry finds the disk still full
    }
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.front().find("12.20.00.00"), std::string::npos);
    EXPECT_EQ(stored(finishNumber), "1");
    EXPECT_EQ(stored(resultNumbers), "1");
    main.Hitime2.tick();  // room again
    EXPECT_TRUE(program.meet->allStored());
    EXPECT_EQ(stored(finishNumber), "2");
    EXPECT_EQ(stored(resultNumbers), "2");
    // Undone while the disk is full again, and stored later too.
    {
        kvt::testing::FullDisk full(16);
        main.ResultsCorrection.Undo.click();
        EXPECT_EQ(program.meet->competitor(1).state, meet::Finished);
    }
    EXPECT_EQ(stored(finishNumber), "2");
    main.Hitime2.tick();
    EXPECT_TRUE(program.meet->allStored());
    EXPECT_EQ(stored(finishNumber), "1");
    EXPECT_EQ(stored(resultNumbers), "1");
}
