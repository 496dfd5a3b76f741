// Corrections through the window model: a finish given to the wrong competitor put right, a
// start taken back, a time set by hand, undo and redo of each. After each one the Time table,
// the competitors, every results table, both lists and the live snapshot agree with the meet,
// and with the meet read anew from its file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "base/number_text.h"
#include "meetdb/sqlite.h"
#include "results/live_results.h"
#include "support/fakes.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

// The meet read a second time in the same program, which holds it already.
class HeldHere : public storage::Hold {};

class NoProgress : public meet::Progress {
public:
    void begin(const std::string&, int) override {}
    void step(int) override {}
    void end() override {}
};

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

// A Norwegian meet with the sample names: 1 to 3 in Junior, 4 and 5 moved to Senior; line 1 on.
class Corrections : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        main().differencesCheck().setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        main().SetupChannelCheck[0].setChecked(true);
        main().SetupTimerValue[2].setCaption("1");
        for (int n : {4, 5})
            meet().editRecord(meet::Register::Competitors, n, {{4, "Senior"}});
        ASSERT_EQ(meet().competitor(4).className, "Senior");
        ASSERT_EQ(meet().className(2), "Senior");
        at(10, 0, 0, 0);
    }

    ui::Program& program() { return test.program(); }
    ui::MainWindow& main() { return test.program().Main; }
    meet::Meet& meet() { return *test.program().meet; }
    void at(int h, int m, int s, int ms) { test.clock.time = {h, m, s, ms}; }
    void enter(int line) {
        main().Number[line].KeyDown.raise(ui::KeyReturn);
        main().Number[line].KeyUp.raise(ui::KeyReturn);
    }
    // Competitor n given the time now by Enter on line 9.
    void enterFor(int n) {
        main().Number[9].setText(std::to_string(n));
        enter(9);
    }
    // A capture of line 1 now, taken into the list; returns its Time-table row.
    int capture() {
        main().Window.pressKey(ui::KeyF2);
        main().Hitime1.tick();
        main().Hitime1.tick();
        return meet().registeredCount();
    }
    // The list row offering Time-table row k; -1 when none does.
    int listRowOf(int k) {
        for (int i = 0; i < ui::CaptureRows; ++i)
            if (meet().row(i).ready && base::TextToNumber(meet().row(i).regTimeIndex) == k) return i;
        return -1;
    }
    // "<<" on the list row offering row k, for start number n.
    void give(int k, int n) {
        const int row = listRowOf(k);
        ASSERT_GE(row, 0);
        main().Number[row].setText(std::to_string(n));
        main().Set[row].click();
    }
    std::optional<std::string> timeField(const std::string& field, int row) {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto q = db.prepare("SELECT " + meetdb::QuoteIdentifier(field) +
                            " FROM \"Tider\" ORDER BY rowid LIMIT 1 OFFSET ?1");
        q.bind(1, static_cast<long long>(row - 1));
        if (!q.step()) return std::nullopt;
        return q.text(0);
    }
    std::vector<std::vector<std::string>> storedResults(int c) {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto q = db.prepare("SELECT * FROM \"Resultat-" + std::to_string(c) + "\" ORDER BY rowid");
        std::vector<std::vector<std::string>> rows;
        while (q.step()) {
            std::vector<std::string> row;
            for (int i = 0; i < 6; ++i) row.push_back(q.text(i).value_or("<null>"));
            rows.push_back(row);
        }
        return rows;
    }
    // The class's ranked start numbers, first place first.
    std::vector<int> ranked(int c) {
        std::vector<int> numbers;
        for (int index : meet().results(c).ranking())
            numbers.push_back(meet().results(c).rows()[index].number);
        return numbers;
    }
    const meet::ResultRow& resultOf(int c, int n) {
        const int index = meet().results(c).indexOf(n);
        EXPECT_GE(index, 0) << n;
        return meet().results(c).rows().at(std::max(index, 0));
    }
    // The trail's rows of one action, and how many there are of every action.
    int trailRows(const std::string& action) {
        int rows = 0;
        for (const auto& entry : meet().trail()) rows += entry.action == action ? 1 : 0;
        return rows;
    }
    // The last trail row, which must be of the action given, for start number n.
    const storage::TrailEntry& lastTrail(const std::string& action, int n) {
        EXPECT_FALSE(meet().trail().empty());
        const auto& last = meet().trail().back();
        EXPECT_EQ(last.action, action);
        EXPECT_EQ(last.number, n);
        return last;
    }
    // The Time-table row chosen in the capture page's time log.
    void chooseTime(int k) { main().TimeData.moveTo(k); }

    // Everything that shows the times agrees with the meet: what is stored, the meet read anew
    // from its file, the live snapshot and both lists.
    void expectAgreement() {
        SCOPED_TRACE("agreement");
        ASSERT_TRUE(meet().allStored());
        for (int c = 1; c <= meet().classCount(); ++c) {
            const auto stored = storedResults(c);
            const auto& rows = meet().results(c).rows();
            ASSERT_EQ(stored.size(), rows.size()) << "class " << c;
            for (std::size_t i = 0; i < rows.size(); ++i) {
                EXPECT_EQ(stored[i][0], rows[i].place > 0 ? std::to_string(rows[i].place)
                                                          : std::string("<null>"));
                EXPECT_EQ(stored[i][1], std::to_string(rows[i].number));
                EXPECT_EQ(stored[i][2], rows[i].competitor);
                EXPECT_EQ(stored[i][4], rows[i].shownResult());
                EXPECT_EQ(stored[i][5], rows[i].difference);
            }
        }
        for (int k = 1; k <= meet().registeredCount(); ++k) {
            EXPECT_EQ(timeField("Nr", k).value_or("<null>"), meet().registered(k).number) << k;
            EXPECT_EQ(timeField("Type", k).value_or("<null>"), meet().registered(k).kind) << k;
        }
        // The meet as its file gives it.
        NoProgress progress;
        std::vector<int> warnings;
        auto again = meet::Meet::Open(test.engine, path, program().LanguageTexts,
                                      program().language, progress, warnings,
                                      std::make_unique<HeldHere>());
        for (int n = 1; n <= meet().highestNumber(); ++n) {
            EXPECT_EQ(again->competitor(n).state, meet().competitor(n).state) << n;
            EXPECT_EQ(again->competitor(n).start, meet().competitor(n).start) << n;
            EXPECT_EQ(again->competitor(n).finish, meet().competitor(n).finish) << n;
        }
        for (int i = 0; i < ui::CaptureRows; ++i)
            EXPECT_EQ(again->row(i).regTimeIndex, meet().row(i).regTimeIndex) << i;
        EXPECT_EQ(again->offeredAgain(), meet().offeredAgain());
        // The trail as stored, and undo and redo as it leaves them.
        EXPECT_EQ(again->trail().size(), meet().trail().size());
        EXPECT_EQ(again->undoText(), meet().undoText());
        EXPECT_EQ(again->redoText(), meet().redoText());
        again.reset();
        // The live snapshot: every class's rows in the order of the ranking.
        const auto snapshot = results::TakeSnapshot(program().meet.get(), program().LanguageTexts,
                                                    program().language, "10.00.00");
        for (const auto& shown : snapshot.classes) {
            std::vector<int> numbers;
            for (const auto& row : shown.rows) numbers.push_back(row.number);
            EXPECT_EQ(numbers, ranked(shown.number)) << shown.name;
            for (const auto& row : shown.rows)
                EXPECT_EQ(row.result, resultOf(shown.number, row.number).shownResult());
        }
        // Both lists name the finishers of each class in the order of their places, and no
        // one else.
        program().MDIMain.MakeResultslist.click();
        program().MDIMain.MakeResultslistHtml.click();
        const fs::path folder = program().listFolder;
        for (const char* list : {"Resultat.txt", "Resultat.htm"}) {
            const std::string text = bytes(folder / list);
            ASSERT_FALSE(text.empty()) << list;
            for (int c = 1; c <= meet().classCount(); ++c) {
                std::size_t at = text.find(meet().className(c));
                for (int n : ranked(c)) {
                    const std::size_t found = text.find(meet().competitor(n).name, at);
                    EXPECT_NE(found, std::string::npos) << list << " " << n;
                    at = found;
                }
            }
            for (int n = 1; n <= meet().highestNumber(); ++n) {
                if (meet().competitor(n).state == meet::Finished) continue;
                EXPECT_EQ(text.find(meet().competitor(n).name), std::string::npos)
                    << list << " " << n;
            }
        }
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Corrections, AWrongFinishGoesToTheRightCompetitorAndBackByUndoAndRedo) {
    enterFor(1);
    enterFor(2);
    at(10, 30, 0, 0);
    enterFor(3);  // 3 starts at 10.30
    at(10, 31, 0, 0);
    const int wrong = capture();
    give(wrong, 1);  // typed 1: it was 2 who crossed the line
    at(10, 40, 0, 0);
    const int third = capture();
    give(third, 3);
    ASSERT_EQ(meet().competitor(1).state, meet::Finished);
    ASSERT_EQ(ranked(1), (std::vector<int>{3, 1}));
    EXPECT_EQ(resultOf(1, 3).difference, "00.00.00");

    // The capture page: the wrong time chosen in the time log and given to 2.
    chooseTime(wrong);
    main().TimeCorrection.GiveTo.setText("2");
    main().TimeCorrection.Reassign.click();
    EXPECT_EQ(meet().competitor(1).state, meet::Started);
    EXPECT_EQ(meet().competitor(1).finish, "-");
    EXPECT_EQ(meet().competitor(2).state, meet::Finished);
    EXPECT_EQ(meet().competitor(2).finish, "10.31.00.00");
    EXPECT_EQ(meet().competitor(2).finishRow, wrong);
    EXPECT_EQ(timeField("Nr", wrong), "2");
    EXPECT_EQ(timeField("Type", wrong), "Inn");
    EXPECT_EQ(timeField("Deltaker", wrong), meet().competitor(2).name);
    EXPECT_EQ(ranked(1), (std::vector<int>{3, 2}));
    EXPECT_EQ(resultOf(1, 3).place, 1);
    EXPECT_EQ(resultOf(1, 2).place, 2);
    EXPECT_EQ(resultOf(1, 2).result, "00.31.00");
    EXPECT_EQ(resultOf(1, 2).difference, "00.21.00");
    EXPECT_EQ(storedResults(1).size(), 2u);
    EXPECT_TRUE(test.dialogs.notices.empty());
    EXPECT_TRUE(main().TimeCorrection.Undo.enabled());
    const std::size_t trail = meet().trail().size();
    const auto& reassigned = lastTrail(storage::trail::Reassign, 2);
    EXPECT_EQ(reassigned.before, std::to_string(wrong) + ": 1 Inn");
    EXPECT_EQ(reassigned.after, std::to_string(wrong) + ": 2 Inn");
    EXPECT_EQ(trailRows(storage::trail::Reassign), 1);
    expectAgreement();

    main().ResultsCorrection.Undo.click();
    EXPECT_EQ(meet().competitor(1).state, meet::Finished);
    EXPECT_EQ(meet().competitor(2).state, meet::Started);
    EXPECT_EQ(timeField("Nr", wrong), "1");
    EXPECT_EQ(ranked(1), (std::vector<int>{3, 1}));
    EXPECT_TRUE(main().ResultsCorrection.Redo.enabled());
    EXPECT_EQ(meet().trail().size(), trail + 1);
    EXPECT_EQ(lastTrail(storage::trail::Undo, 2).after, std::to_string(wrong) + ": 1 Inn");
    expectAgreement();

    main().TimeCorrection.Redo.click();
    EXPECT_EQ(meet().competitor(2).state, meet::Finished);
    EXPECT_EQ(meet().competitor(1).state, meet::Started);
    EXPECT_EQ(ranked(1), (std::vector<int>{3, 2}));
    EXPECT_FALSE(main().TimeCorrection.Redo.enabled());
    EXPECT_EQ(meet().trail().size(), trail + 2);
    lastTrail(storage::trail::Redo, 2);
    expectAgreement();
    // Nothing registered went: two captures and the three starts.
    EXPECT_EQ(meet().registeredCount(), 5);
}

TEST_F(Corrections, UndoAndRedoGoOnAfterTheMeetIsClosedAndOpenedAgain) {
    enterFor(1);
    enterFor(2);
    at(10, 20, 0, 0);
    enterFor(1);
    main().ResultsCorrection.Number.setText("1");
    main().ResultsCorrection.GiveTo.setText("2");
    main().ResultsCorrection.Reassign.click();
    main().ResultsCorrection.Number.setText("2");
    main().ResultsCorrection.TakeBackFinish.click();
    main().ResultsCorrection.Undo.click();  // 2 has the finish again
    ASSERT_EQ(meet().competitor(2).state, meet::Finished);
    program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    program().MDIMain.Open.click();
    ASSERT_TRUE(program().meet);
    EXPECT_TRUE(main().ResultsCorrection.Undo.enabled());
    EXPECT_TRUE(main().ResultsCorrection.Redo.enabled());
    main().ResultsCorrection.Redo.click();  // the take-back again
    EXPECT_EQ(meet().competitor(2).state, meet::Started);
    main().ResultsCorrection.Undo.click();
    main().ResultsCorrection.Undo.click();  // and the reassignment: 1 has his finish
    EXPECT_EQ(meet().competitor(1).state, meet::Finished);
    EXPECT_EQ(meet().competitor(2).state, meet::Started);
    EXPECT_FALSE(main().ResultsCorrection.Undo.enabled());
    // One trail row for each: three corrections, three undos, one redo.
    EXPECT_EQ(trailRows(storage::trail::Reassign) + trailRows(storage::trail::TakeBack), 2);
    EXPECT_EQ(trailRows(storage::trail::Undo), 3);
    EXPECT_EQ(trailRows(storage::trail::Redo), 1);
    expectAgreement();
}

TEST_F(Corrections, AFinishGivenToACompetitorOfAnotherClassLeavesOneClassForTheOther) {
    enterFor(1);
    enterFor(4);
    at(10, 20, 0, 0);
    enterFor(1);  // 1 finishes in Junior
    at(10, 25, 0, 0);
    enterFor(5);  // 5 starts in Senior
    at(10, 50, 0, 0);
    enterFor(5);
    ASSERT_EQ(ranked(1), (std::vector<int>{1}));
    ASSERT_EQ(ranked(2), (std::vector<int>{5}));
    // The finish of 1 was 4's: from the results page's chosen row.
    main().ResultsCorrection.Number.setText("1");
    main().ResultsCorrection.GiveTo.setText("4");
    main().ResultsCorrection.Reassign.click();
    EXPECT_TRUE(ranked(1).empty());
    EXPECT_EQ(storedResults(1).size(), 0u);
    EXPECT_EQ(ranked(2), (std::vector<int>{4, 5}));
    EXPECT_EQ(resultOf(2, 4).result, "00.20.00");
    EXPECT_EQ(resultOf(2, 5).difference, "00.05.00");
    expectAgreement();
    main().ResultsCorrection.Undo.click();
    EXPECT_EQ(ranked(1), (std::vector<int>{1}));
    EXPECT_EQ(ranked(2), (std::vector<int>{5}));
    EXPECT_EQ(resultOf(2, 5).difference, "00.00.00");
    expectAgreement();
}

TEST_F(Corrections, AStartTakenBackIsOfferedAgainAndUndoGivesItBack) {
    const int k = capture();
    give(k, 3);
    ASSERT_EQ(meet().competitor(3).state, meet::Started);
    ASSERT_EQ(listRowOf(k), -1);
    main().ResultsCorrection.Number.setText("3");
    main().ResultsCorrection.TakeBackStart.click();
    EXPECT_EQ(meet().competitor(3).state, meet::NotStarted);
    EXPECT_EQ(meet().competitor(3).start, "-");
    EXPECT_EQ(timeField("Nr", k), "-");
    EXPECT_EQ(timeField("Type", k), "-");
    EXPECT_EQ(timeField("Tid", k), "10.00.00.00");  // the time itself stays
    const int offered = listRowOf(k);
    ASSERT_GE(offered, 0);
    EXPECT_EQ(main().RegTime[offered].text(), "10.00.00.00");
    expectAgreement();

    main().TimeCorrection.Undo.click();
    EXPECT_EQ(meet().competitor(3).state, meet::Started);
    EXPECT_EQ(listRowOf(k), -1);
    expectAgreement();
    main().TimeCorrection.Redo.click();
    EXPECT_EQ(meet().competitor(3).state, meet::NotStarted);
    EXPECT_GE(listRowOf(k), 0);
    expectAgreement();

    // Given again by "<<" to another: undoing the take-back would take it from him, so it is
    // refused and changes nothing.
    give(k, 2);
    ASSERT_EQ(meet().competitor(2).state, meet::Started);
    main().TimeCorrection.Undo.click();
    EXPECT_EQ(meet().competitor(2).state, meet::Started);
    EXPECT_EQ(meet().competitor(3).state, meet::NotStarted);
    ASSERT_FALSE(test.dialogs.notices.empty());
    EXPECT_NE(test.dialogs.notices.back().find("angres"), std::string::npos);
}

// The sequence the kill test once caught: a correction, then the competitor it concerns is
// given another start or finish by Enter, then undo or redo. Replaying the correction would
// give him a second finish (or a second start) beside the one he has now, so it is refused,
// changes nothing, and the files and lists still agree.
TEST_F(Corrections, UndoAndRedoNeverGiveATimeToACompetitorGivenAnotherSince) {
    enterFor(1);
    enterFor(2);
    enterFor(3);
    at(10, 20, 0, 0);
    const int wrong = capture();
    give(wrong, 1);  // it was 2 who crossed the line
    chooseTime(wrong);
    main().TimeCorrection.GiveTo.setText("2");
    main().TimeCorrection.Reassign.click();
    ASSERT_EQ(meet().competitor(1).state, meet::Started);
    ASSERT_EQ(meet().competitor(2).finishRow, wrong);

    // 1 now really finishes: undoing the reassignment would give him a second finish.
    at(10, 25, 0, 0);
    enterFor(1);
    const int own = meet().competitor(1).finishRow;
    ASSERT_NE(own, wrong);
    const std::size_t trail = meet().trail().size();
    const int registered = meet().registeredCount();
    test.dialogs.notices.clear();
    main().ResultsCorrection.Undo.click();
    ASSERT_EQ(test.dialogs.notices.size(), 1u);
    EXPECT_NE(test.dialogs.notices.back().find("angres"), std::string::npos);
    EXPECT_EQ(meet().competitor(1).finishRow, own);
    EXPECT_EQ(meet().competitor(1).finish, "10.25.00.00");
    EXPECT_EQ(meet().competitor(2).finishRow, wrong);
    EXPECT_EQ(timeField("Nr", wrong), "2");
    EXPECT_EQ(ranked(1), (std::vector<int>{2, 1}));
    EXPECT_EQ(meet().trail().size(), trail);
    EXPECT_EQ(meet().registeredCount(), registered);
    // The refused step stays where it was: it is still the one undo offers.
    EXPECT_TRUE(meet().canUndo());
    expectAgreement();

    // A take-back of a start, then a new start by Enter: undoing the take-back would give him
    // two starts.
    main().ResultsCorrection.Number.setText("3");
    main().ResultsCorrection.TakeBackStart.click();
    ASSERT_EQ(meet().competitor(3).state, meet::NotStarted);
    at(10, 30, 0, 0);
    enterFor(3);
    ASSERT_EQ(meet().competitor(3).start, "10.30.00.00");
    test.dialogs.notices.clear();
    main().ResultsCorrection.Undo.click();
    ASSERT_EQ(test.dialogs.notices.size(), 1u);
    EXPECT_EQ(meet().competitor(3).start, "10.30.00.00");
    EXPECT_EQ(meet().competitor(3).state, meet::Started);
    expectAgreement();

    // Redo the same way: a finish given to 4 and moved to 5, the move undone (4 has it again),
    // then 5 finishes by Enter: redoing the move would give 5 a second finish.
    at(10, 40, 0, 0);
    enterFor(4);
    enterFor(5);
    at(10, 50, 0, 0);
    const int moved = capture();
    give(moved, 4);
    chooseTime(moved);
    main().TimeCorrection.GiveTo.setText("5");
    main().TimeCorrection.Reassign.click();
    ASSERT_EQ(meet().competitor(5).finishRow, moved);
    main().ResultsCorrection.Undo.click();
    ASSERT_EQ(meet().competitor(4).finishRow, moved);
    ASSERT_TRUE(meet().canRedo());
    at(10, 55, 0, 0);
    enterFor(5);
    const int fifth = meet().competitor(5).finishRow;
    test.dialogs.notices.clear();
    main().ResultsCorrection.Redo.click();
    ASSERT_EQ(test.dialogs.notices.size(), 1u);
    EXPECT_EQ(meet().competitor(5).finishRow, fifth);
    EXPECT_EQ(meet().competitor(4).finishRow, moved);
    EXPECT_EQ(timeField("Nr", moved), "4");
    EXPECT_EQ(ranked(2), (std::vector<int>{4, 5}));
    EXPECT_TRUE(meet().canRedo());
    expectAgreement();
}

TEST_F(Corrections, AFinishTakenBackFromTheTimeLogPutsHimBackOnTheCourse) {
    enterFor(1);
    enterFor(2);
    at(10, 20, 0, 0);
    enterFor(1);
    at(10, 30, 0, 0);
    enterFor(2);
    ASSERT_EQ(ranked(1), (std::vector<int>{1, 2}));
    const int finish = meet().competitor(1).finishRow;
    chooseTime(finish);
    main().TimeCorrection.TakeBack.click();
    EXPECT_EQ(meet().competitor(1).state, meet::Started);
    EXPECT_EQ(ranked(1), (std::vector<int>{2}));
    EXPECT_EQ(resultOf(1, 2).place, 1);
    EXPECT_EQ(resultOf(1, 2).difference, "00.00.00");
    EXPECT_GE(listRowOf(finish), 0);
    expectAgreement();
    main().TimeCorrection.Undo.click();
    EXPECT_EQ(ranked(1), (std::vector<int>{1, 2}));
    EXPECT_EQ(resultOf(1, 2).difference, "00.10.00");
    expectAgreement();
}

TEST_F(Corrections, AHandTimeKeepsItsReasonAndReplacesTheFinishItCorrects) {
    enterFor(1);
    enterFor(2);
    at(10, 20, 0, 0);
    enterFor(1);
    at(10, 30, 0, 0);
    enterFor(2);
    const int old = meet().competitor(2).finishRow;
    // The timer's tape says 2 finished at 10.15.
    auto& bar = main().ResultsCorrection;
    bar.Number.setText("2");
    bar.Time.setText("10.15.00.50");
    bar.Reason.setText("Timer tape");
    bar.HandFinish.click();
    const int hand = meet().registeredCount();
    EXPECT_EQ(meet().competitor(2).finish, "10.15.00.50");
    EXPECT_EQ(meet().competitor(2).finishRow, hand);
    EXPECT_EQ(timeField("Info", hand), "Timer tape");
    EXPECT_EQ(timeField("Type", hand), "Inn");
    EXPECT_EQ(timeField("Nr", hand), "2");
    EXPECT_EQ(timeField("Nr", old), "-");
    EXPECT_EQ(timeField("Tid", old), "10.30.00.00");
    EXPECT_EQ(ranked(1), (std::vector<int>{2, 1}));
    EXPECT_EQ(resultOf(1, 2).result, "00.15.00");
    EXPECT_EQ(resultOf(1, 1).difference, "00.04.59");
    EXPECT_EQ(bar.Reason.text(), "");
    const auto& entry = lastTrail(storage::trail::HandTime, 2);
    EXPECT_EQ(entry.reason, "Timer tape");
    EXPECT_EQ(entry.before, std::to_string(old) + ": 2 Inn; " + std::to_string(hand) + ": -");
    EXPECT_EQ(entry.after, std::to_string(old) + ": -; " + std::to_string(hand) + ": 2 Inn");
    // The displaced finish is not offered again: the hand time took its place.
    EXPECT_EQ(listRowOf(old), -1);
    expectAgreement();

    bar.Undo.click();
    EXPECT_EQ(meet().competitor(2).finish, "10.30.00.00");
    EXPECT_EQ(timeField("Nr", hand), "-");
    EXPECT_EQ(timeField("Info", hand), "Timer tape");
    EXPECT_EQ(ranked(1), (std::vector<int>{1, 2}));
    EXPECT_EQ(listRowOf(hand), -1);
    expectAgreement();
    bar.Redo.click();
    EXPECT_EQ(meet().competitor(2).finish, "10.15.00.50");
    EXPECT_EQ(ranked(1), (std::vector<int>{2, 1}));
    expectAgreement();

    // A start by hand for one not started.
    bar.Number.setText("3");
    bar.Time.setText("10.01.00");
    bar.Reason.setText("Started late, by the starter's watch");
    bar.HandStart.click();
    EXPECT_EQ(meet().competitor(3).state, meet::Started);
    EXPECT_EQ(meet().competitor(3).start, "10.01.00.00");
    expectAgreement();
}

TEST_F(Corrections, ACorrectionThatCannotBeMadeChangesNothingAndSaysWhy) {
    enterFor(1);
    at(10, 20, 0, 0);
    enterFor(1);
    enterFor(2);
    const int registered = meet().registeredCount();
    test.dialogs.notices.clear();
    auto& bar = main().ResultsCorrection;
    // A hand time without its reason, and one that is no time of day.
    bar.Number.setText("2");
    bar.Time.setText("10.30.00.00");
    bar.HandFinish.click();
    bar.Reason.setText("backup watch");
    bar.Time.setText("ten thirty");
    bar.HandFinish.click();
    bar.Time.setText("25.00.00.00");
    bar.HandFinish.click();
    // A finish for one not started, a finish given to one who has one, a start taken from one
    // who finished, and a number no one has.
    bar.Number.setText("3");
    bar.Time.setText("10.30.00.00");
    bar.HandFinish.click();
    bar.Number.setText("2");
    bar.GiveTo.setText("1");
    main().TimeCorrection.GiveTo.setText("1");
    chooseTime(meet().competitor(2).startRow);
    main().TimeCorrection.Reassign.click();
    bar.Number.setText("1");
    bar.TakeBackStart.click();
    bar.Number.setText("99");
    bar.TakeBackFinish.click();
    EXPECT_EQ(test.dialogs.notices.size(), 7u);
    EXPECT_EQ(meet().registeredCount(), registered);
    EXPECT_EQ(meet().competitor(1).state, meet::Finished);
    EXPECT_EQ(meet().competitor(2).state, meet::Started);
    EXPECT_EQ(meet().competitor(3).state, meet::NotStarted);
    EXPECT_FALSE(meet().canUndo());
    EXPECT_FALSE(main().ResultsCorrection.Undo.enabled());
}

TEST_F(Corrections, TheResultsDetailsCannotBeTyped) {
    EXPECT_TRUE(main().ResultsIndex.locked());
    for (const auto& box : main().ResultsText) EXPECT_TRUE(box.locked());
}

TEST_F(Corrections, TimesTakenBackWhileTheListIsFullWaitForAFreeRowAcrossAReopening) {
    // Ten captures fill the list; two starts given by Enter are taken back.
    enterFor(1);
    enterFor(2);
    for (int i = 0; i < 10; ++i) capture();
    for (int i = 0; i < ui::CaptureRows; ++i) ASSERT_TRUE(meet().row(i).ready);
    const int first = meet().competitor(1).startRow, second = meet().competitor(2).startRow;
    main().ResultsCorrection.Number.setText("1");
    main().ResultsCorrection.TakeBackStart.click();
    main().ResultsCorrection.Number.setText("2");
    main().ResultsCorrection.TakeBackStart.click();
    EXPECT_EQ(meet().offeredAgain(), (std::vector<int>{first, second}));
    expectAgreement();
    // A row deleted: the first time taken back enters it.
    test.dialogs.answers.push_back(ui::Answer::Yes);
    main().Delete[0].click();
    EXPECT_GE(listRowOf(first), 0);
    EXPECT_EQ(meet().offeredAgain(), (std::vector<int>{second}));
    expectAgreement();
}

TEST_F(Corrections, TheTrailShowsEveryChangeNewestFirstByStartNumberAndMakesTheTimingReport) {
    const std::size_t before = meet().trail().size();  // the setting up of the meet
    enterFor(1);
    enterFor(2);
    at(10, 20, 0, 0);
    enterFor(1);  // the finish was 2's
    auto& bar = main().ResultsCorrection;
    bar.Number.setText("1");
    bar.GiveTo.setText("2");
    bar.Reassign.click();
    bar.Number.setText("1");
    bar.Time.setText("10.25.00.00");
    bar.Reason.setText("Backup watch");
    bar.HandFinish.click();
    main().ResultsTabStrip.clickTab(3);
    const std::string all = main().TrailText.text();
    // Newest first: the time by hand, the reassignment, the finish, the two starts.
    std::vector<std::string> lines;
    std::istringstream read(all);
    for (std::string line; std::getline(read, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), before + 5);
    EXPECT_NE(lines[0].find("Tid for hånd 1"), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("(Backup watch)"), std::string::npos);
    EXPECT_NE(lines[1].find("Tid gitt til en annen 2"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find("Målgang 1"), std::string::npos) << lines[2];
    EXPECT_NE(lines[4].find("Start 1"), std::string::npos) << lines[4];
    // Start number 2: his start and the finish he was given; 1 lost it, so it is his too.
    main().TrailFilter.setText("2");
    EXPECT_EQ(std::count(main().TrailText.text().begin(), main().TrailText.text().end(), '\n'), 1);
    main().TrailFilter.setText("1");
    EXPECT_EQ(std::count(main().TrailText.text().begin(), main().TrailText.text().end(), '\n'), 3);
    // A correction while the trail is in front shows at once.
    main().TrailFilter.setText("");
    bar.Undo.click();
    EXPECT_LT(main().TrailText.text().find("Angret 1"), main().TrailText.text().find('\n'));

    // The timing report, printed and as a PDF, of every change and of one start number.
    main().TrailPrint.click();
    ASSERT_EQ(test.printer.printed.size(), 1u);
    const auto& report = test.printer.printed[0];
    EXPECT_EQ(report.title, "Tidtakerrapport");
    ASSERT_EQ(report.sections.size(), 2u);
    ASSERT_EQ(report.sections[0].rows.size(), before + 6);
    EXPECT_EQ(report.sections[0].rows[0][3], "Angret");
    EXPECT_EQ(report.sections[0].rows[1][8], "Backup watch");
    EXPECT_EQ(report.sections[0].rows.back()[0], "1");  // the oldest change last
    EXPECT_NE(report.sections[1].heading.find("dommer"), std::string::npos);
    main().TrailFilter.setText("2");
    main().TrailPdf.click();
    ASSERT_EQ(test.printer.pdfs.size(), 1u);
    EXPECT_NE(test.printer.pdfs[0].first.find("Tidtakerrapport.pdf"), std::string::npos);
    EXPECT_EQ(test.printer.pdfs[0].second.sections[0].rows.size(), 2u);
}
