// Results figures, headless (medians):
//   finish_rank_ms         one finish given to a class that already holds 3000 results, until
//                          the class is ranked again (differences on)
//   finish_rank_floor_ratio  that time over one ORDER BY query of the same table
//   lists_ms               both lists for 3000 finishers in 15 classes
//   lists_floor_ratio      that time over writing the same bytes straight
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "meetdb/sqlite.h"
#include "results/lists.h"
#include "support/fakes.h"
#include "timing.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;
namespace fs = std::filesystem;

namespace {

std::string timeText(int hundredths) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d.%02d", hundredths / 360000 % 24,
                  hundredths / 6000 % 60, hundredths / 100 % 60, hundredths % 100);
    return text;
}

// Results rows in class tables, and the matching starts and finishes in memory.
void fillResults(ui::Program& program, const std::string& path, int classes, int perClass) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
    meetdb::Transaction transaction(db);
    int n = 1;
    for (int c = 1; c <= classes; ++c) {
        auto insert =
            db.prepare("INSERT INTO " + meetdb::QuoteIdentifier("Resultat-" + std::to_string(c)) +
                       " VALUES (0, ?1, ?2, 'Tornado', ?3, '-')");
        for (int k = 0; k < perClass; ++k, ++n) {
            int race = 180000 + (n * 7919) % 90000;  // 30 to 45 minutes
            int number = (n - 1) % ui::MaxStartNumber + 1;
            program.StartTimes[number] = "10.00.00.00";
            program.FinishTimes[number] = timeText(3600000 + race);
            program.TimingStates[number] = ui::Finished;
            insert.bind(1, static_cast<long long>(number));
            insert.bind(2, std::string("Competitor number ") + std::to_string(number));
            insert.bind(3, timeText(race).substr(0, 8));
            insert.run();
            insert.reset();
        }
    }
    transaction.commit();
}

std::string bytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

}  // namespace

int main() {
    testing::TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[0].setText("3000");
    main.SetupText[2].setText("15");
    const std::string path = (test.folder() / "Bench.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Open.click();
    if (program.currentDatabase.empty()) return 1;
    main.SetupCheck[5].setChecked(true);

    // One finish into a class of 3000.
    fillResults(program, path, 1, 3000);
    for (int n = 1; n <= 3000; ++n) program.CompetitorClasses[n] = "Junior";
    std::vector<double> finish, floor;
    for (int run = 0; run < 7; ++run) {
        int n = 3000 - run;
        program.TimingStates[n] = ui::Started;
        main.Number[0].setText(std::to_string(n));
        test.clock.time = {10, 40, run, 0};
        finish.push_back(milliseconds([&] {
            main.Number[0].KeyDown.raise(ui::KeyReturn);
            main.Number[0].KeyUp.raise(ui::KeyReturn);
        }));
        floor.push_back(milliseconds([&] {
            meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
            auto sorted = db.prepare("SELECT * FROM \"Resultat-1\" ORDER BY \"Resultat\"");
            while (sorted.step()) {
            }
        }));
    }
    std::printf("finish_rank_ms: %.1f ms\n", median(finish));
    std::printf("finish_rank_floor_ratio: %.1f x\n", median(finish) / median(floor));

    // Both lists, 3000 finishers in 15 classes.
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute("DELETE FROM \"Resultat-1\"");
    }
    fillResults(program, path, 15, 200);
    std::vector<double> lists, straight;
    const fs::path folder = test.folder() / "Bench";
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
    std::printf("lists_ms: %.0f ms\n", median(lists));
    std::printf("lists_floor_ratio: %.0f x\n", median(lists) / median(straight));
    return 0;
}
