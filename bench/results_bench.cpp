// Results figures, headless (medians):
//   finish_rank_ms           one finish given by Enter to a class that holds 3000 results,
//                            until it is stored, ranked and shown (differences on)
//   finish_rank_floor_ratio  that time over one ORDER BY query of the same table
//   lists_ms                 both lists for 3000 finishers in 15 classes
//   lists_floor_ratio        that time over writing the same bytes straight
//   commits_per_registration, commits_per_start, commits_per_finish, commits_per_register_edit
//                            commits of the meet database for one such action (the edit: a
//                            competitor moved to another class and the record left)
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "meetdb/sqlite.h"
#include "results/lists.h"
#include "support/fakes.h"
#include "support/race_file.h"
#include "timing.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

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
    main.SetupText[2].setText("15");
    const std::string path = (test.folder() / "Bench.mdb").string();
    const std::string listsPath = (test.folder() / "Lists.mdb").string();
    for (const auto& made : {path, listsPath}) {
        test.dialogs.fileAnswers.push_back(made);
        program.MDIMain.MakeNew.click();
    }

    // One finish into a class of 3000: competitors up to 2990 finished, the rest out.
    testing::PrepareRace(path, program.LanguageTexts, 3000, 1, 2990);
    if (!open(test, path)) return 1;
    std::vector<double> finish, floor;
    for (int run = 0; run < 7; ++run) {
        int n = 3000 - run;
        main.Number[0].setText(std::to_string(n));
        test.clock.time = {10, 40, run, 0};
        finish.push_back(milliseconds([&] {
            main.Number[0].KeyDown.raise(ui::KeyReturn);
            main.Number[0].KeyUp.raise(ui::KeyReturn);
        }));
        if (program.meet->competitor(n).state != meet::Finished) return 1;
        floor.push_back(milliseconds([&] {
            meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
            auto sorted = db.prepare("SELECT * FROM \"Resultat-1\" ORDER BY \"Resultat\"");
            while (sorted.step()) {
            }
        }));
    }
    std::printf("finish_rank_ms: %.1f ms\n", median(finish));
    std::printf("finish_rank_floor_ratio: %.1f x\n", median(finish) / median(floor));

    program.MDIMain.Close.click();

    // Commits of one action each, counted by the database itself, on a small meet with the
    // sample competitors.
    const std::string small = (test.folder() / "Commits.mdb").string();
    main.SetupText[0].setText("10");
    main.SetupCheck[1].setChecked(true);
    test.dialogs.fileAnswers.push_back(small);
    program.MDIMain.MakeNew.click();
    if (!open(test, small)) return 1;
    sqlite3_commit_hook(test.engine.connection(small)->handle(), countCommit, nullptr);
    auto commitsOf = [&](const std::function<void()>& action) {
        commits = 0;
        action();
        return commits;
    };
    auto enter = [&] {
        main.Number[0].KeyDown.raise(ui::KeyReturn);
        main.Number[0].KeyUp.raise(ui::KeyReturn);
    };
    main.SetupChannelCheck[1].setChecked(true);
    // A press of F3 and the polls until its delay has passed.
    const int registration = commitsOf([&] {
        main.Window.pressKey(ui::KeyF2 + 1);
        for (int poll = 0; poll < 30; ++poll) main.Hitime1.tick();
    });
    main.Number[0].setText("1");
    test.clock.time = {11, 0, 0, 0};
    const int start = commitsOf(enter);
    test.clock.time = {11, 20, 0, 0};
    const int finished = commitsOf(enter);
    if (program.meet->results(1).rows().empty()) return 1;
    main.NameMover.setText("2");
    main.NameCombo[1].setText("Senior");
    const int edit = commitsOf([&] { main.NameMover.setText("3"); });
    if (program.meet->competitor(2).className != "Senior") return 1;
    std::printf("commits_per_registration: %d commits\n", registration);
    std::printf("commits_per_start: %d commits\n", start);
    std::printf("commits_per_finish: %d commits\n", finished);
    std::printf("commits_per_register_edit: %d commits\n", edit);
    program.MDIMain.Close.click();

    // Both lists, 3000 finishers in 15 classes.
    testing::PrepareRace(listsPath, program.LanguageTexts, 3000, 15, 3000);
    if (!open(test, listsPath)) return 1;
    std::vector<double> lists, straight;
    const fs::path folder = test.folder() / "Lists";
    for (int run = 0; run < 5; ++run) {
        lists.push_back(milliseconds([&] {
            results::WriteTextList(program);
            results::WriteHtmlList(program);
        }));
        const std::string text = bytes(folder / "Resultat.txt");
        const std::string html = bytes(folder / "Resultat.htm");
        straight.push_back(milliseconds([&] {
            std::ofstream(folder / "Straight.txt", std::ios::binary) << text;
            std::ofstream(folder / "Straight.htm", std::ios::binary) << html;
        }));
    }
    if (!test.dialogs.messages.empty()) {
        std::fprintf(stderr, "%s\n", test.dialogs.messages.back().text.c_str());
        return 1;
    }
    std::printf("lists_ms: %.1f ms\n", median(lists));
    std::printf("lists_floor_ratio: %.1f x\n", median(lists) / median(straight));
    return 0;
}
