// Runs figures, headless (medians):
//   combined_results_ms  two runs of 3000 finishers in 15 classes: every class ranked and both
//                        combined lists (text and HTML) written
#include <cstdio>
#include <string>

#include "meetdb/sqlite.h"
#include "results/lists.h"
#include "storage/schema.h"
#include "support/fakes.h"
#include "support/race_file.h"
#include "timing.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;
namespace entry = lang::entry;

namespace {

constexpr int Competitors = 3000, Classes = 15;

bool open(testing::TestProgram& test, const std::string& path) {
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.Open.click();
    return !test.program().currentDatabase().empty();
}

std::string timeText(long long hundredths) {
    char text[16];
    std::snprintf(text, sizeof text, "%02lld.%02lld.%02lld.%02lld", hundredths / 360000 % 24,
                  hundredths / 6000 % 60, hundredths / 100 % 60, hundredths % 100);
    return text;
}

// Run 2 written into the file as run 1 was: each competitor's start at 13.00 and finish, the
// rows belonging to run 2, and his result in run 2's table of his class.
void prepareRunTwo(testing::TestProgram& test, const std::string& path) {
    const auto& words = test.program().LanguageTexts;
    test.engine.addTable(path, storage::TimeRunsSpec());
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
    meetdb::Transaction transaction(db);
    const std::string timeTable = meetdb::QuoteIdentifier(words[entry::TimeTable]);
    auto insertTime =
        db.prepare("INSERT INTO " + timeTable + " VALUES (?1, ?2, ?3, ?4, ?5, '-', '-')");
    auto insertRun = db.prepare("INSERT INTO \"TimeRuns\" VALUES (?1, 2)");
    int row = 2 * Competitors;
    auto addTime = [&](long long time, int n, const std::string& kind) {
        ++row;
        insertTime.bind(1, " " + std::to_string(row)).bind(2, "1-" + std::to_string(row));
        insertTime.bind(3, timeText(time)).bind(4, std::to_string(n)).bind(5, kind);
        insertTime.run();
        insertTime.reset();
        insertRun.bind(1, static_cast<long long>(row));
        insertRun.run();
        insertRun.reset();
    };
    auto runTwo = [](int n) { return testing::RaceOf(Competitors + 1 - n); };
    for (int n = 1; n <= Competitors; ++n) addTime(13 * 360000LL, n, words[entry::Out]);
    for (int n = 1; n <= Competitors; ++n)
        addTime(13 * 360000LL + runTwo(n), n, words[entry::In]);
    const int perClass = Competitors / Classes;
    for (int c = 1; c <= Classes; ++c) {
        auto insert = db.prepare("INSERT INTO " +
                                 meetdb::QuoteIdentifier(storage::RunResultsTableName(words, c, 2)) +
                                 " VALUES (0, ?1, ?2, 'Tornado', ?3, '-')");
        for (int n = (c - 1) * perClass + 1; n <= c * perClass; ++n) {
            insert.bind(1, static_cast<long long>(n));
            insert.bind(2, "Competitor, number " + std::to_string(n));
            insert.bind(3, timeText(runTwo(n)).substr(0, 8));
            insert.run();
            insert.reset();
        }
    }
    const std::string rows = std::to_string(row);
    db.execute("UPDATE " + meetdb::QuoteIdentifier(words[entry::SetupTable]) + " SET \"29\" = '" +
               rows + "', \"30\" = '" + rows + "', \"31\" = '" + rows + "', \"32\" = '" + rows +
               "'");
    transaction.commit();
}

}  // namespace

int main() {
    testing::TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[0].setText(std::to_string(Competitors));
    main.SetupText[2].setText(std::to_string(Classes));
    const std::string path = (test.folder() / "Runs.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    testing::PrepareRace(path, program.LanguageTexts, Competitors, Classes, Competitors);
    // Two runs, run 2 timed (its results tables are made as it is opened).
    if (!open(test, path)) return 1;
    if (!program.meet->setRunCount(2).stored || !program.meet->chooseRun(2).acted) return 1;
    program.MDIMain.Close.click();
    if (!open(test, path) || program.meet->run() != 2) return 1;
    program.MDIMain.Close.click();
    prepareRunTwo(test, path);
    if (!open(test, path)) return 1;
    main.ResultsRunCombo.dropDown();
    main.ResultsRunCombo.pick(2);  // "Combined"
    if (results::ShownRun(program) != 0) return 1;
    std::vector<double> combined;
    for (int run = 0; run < 5; ++run)
        combined.push_back(milliseconds([&] {
            results::WriteTextList(program);
            results::WriteHtmlList(program);
        }));
    if (!test.dialogs.messages.empty()) {
        std::fprintf(stderr, "%s\n", test.dialogs.messages.back().text.c_str());
        return 1;
    }
    if (program.meet->combinedResults(1).size() != Competitors / Classes ||
        program.meet->combinedResults(1).front().place != 1)
        return 1;
    std::printf("combined_results_ms: %.1f ms\n", median(combined));
    return 0;
}
