// Corrections, headless:
//   correction_ms           a finish given to another competitor of a class of 3000 results
//                           (the one who had it goes back on the course), stored and the class
//                           ranked again: the meet's action, median of 7
//   take_back_ms            a finish taken back from the middle of that class (every record
//                           after it moves up one), stored and ranked again
//   commits_per_correction  the most commits of the meet database that one correction made
//                           (a time given to another, a start and a finish taken back, a time
//                           by hand, an undo, a redo), counted by the database itself
#include <sqlite3.h>

#include <cstdio>
#include <functional>

#include "support/fakes.h"
#include "support/race_file.h"
#include "timing.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;

namespace {

bool open(testing::TestProgram& test, const std::string& path) {
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.Open.click();
    return !test.program().currentDatabase().empty();
}

int commits = 0;
int countCommit(void*) {
    ++commits;
    return 0;
}

}  // namespace

int main() {
    testing::TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[0].setText("3000");
    main.SetupText[2].setText("1");
    const std::string path = (test.folder() / "Bench.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();

    // 2990 results in one class; 2991 to 3000 on the course.
    testing::PrepareRace(path, program.LanguageTexts, 3000, 1, 2990);
    if (!open(test, path)) return 1;
    auto& meet = *program.meet;
    std::vector<double> reassign, takeBack;
    for (int run = 0; run < 7; ++run) {
        const int from = 100 + run * 400, to = 2991 + run;
        const int row = meet.competitor(from).finishRow;
        meet::Outcome outcome;
        reassign.push_back(milliseconds([&] { outcome = meet.reassignTime(row, to); }));
        if (!outcome.stored || meet.competitor(to).state != meet::Finished ||
            meet.competitor(from).state != meet::Started || meet.results(1).rows().size() != 2990)
            return 1;
        const int back = 150 + run * 400;
        takeBack.push_back(
            milliseconds([&] { outcome = meet.takeBack(back, meet::TimeUse::Finish); }));
        if (!outcome.stored || meet.results(1).rows().size() != 2989) return 1;
        // The class as it was for the next run.
        if (!meet.undo().stored || !meet.undo().stored) return 1;
        if (meet.competitor(from).state != meet::Finished) return 1;
    }
    std::printf("correction_ms: %.1f ms\n", median(reassign));
    std::printf("take_back_ms: %.1f ms\n", median(takeBack));
    program.MDIMain.Close.click();

    // Commits of each kind of correction on a small meet with the sample competitors.
    const std::string small = (test.folder() / "Commits.mdb").string();
    main.SetupText[0].setText("10");
    main.SetupCheck[1].setChecked(true);
    test.dialogs.fileAnswers.push_back(small);
    program.MDIMain.MakeNew.click();
    if (!open(test, small)) return 1;
    auto& corrected = *program.meet;
    auto enter = [&](int n) {
        main.Number[0].setText(std::to_string(n));
        main.Number[0].KeyDown.raise(ui::KeyReturn);
        main.Number[0].KeyUp.raise(ui::KeyReturn);
    };
    test.clock.time = {11, 0, 0, 0};
    enter(1);
    enter(2);
    test.clock.time = {11, 20, 0, 0};
    enter(1);
    sqlite3_commit_hook(test.engine.connection(small)->handle(), countCommit, nullptr);
    int most = 0;
    auto count = [&](const std::function<meet::Outcome()>& correction) {
        commits = 0;
        const auto outcome = correction();
        if (!outcome.acted || !outcome.stored) most = 100;
        most = std::max(most, commits);
    };
    const int finishRow = corrected.competitor(1).finishRow;
    count([&] { return corrected.reassignTime(finishRow, 2); });
    count([&] { return corrected.undo(); });
    count([&] { return corrected.redo(); });
    count([&] { return corrected.takeBack(2, meet::TimeUse::Finish); });
    count([&] { return corrected.takeBack(2, meet::TimeUse::Start); });
    count([&] { return corrected.setHandTime(2, meet::TimeUse::Start, "11.01.00.00", "Late"); });
    count([&] {
        return corrected.setHandTime(1, meet::TimeUse::Finish, "11.21.00.00", "Backup watch");
    });
    std::printf("commits_per_correction: %d commits\n", most);
    program.MDIMain.Close.click();
    return 0;
}
