// Draw figure, headless (median):
//   draw_3000_ms   a draw of 3000 competitors in 50 classes,
//                  each class at 30 s after the one before, in a random order: the planned
//                  starts computed, stored in one transaction and taken by the competitors
#include <algorithm>
#include <cstdio>

#include "meetdb/sqlite.h"
#include "support/fakes.h"
#include "timing.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;

int main() {
    constexpr int Competitors = 3000;
    constexpr int Classes = 50;
    static_assert(Classes <= meet::MaxClasses);
    testing::TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[0].setText(std::to_string(Competitors));
    main.SetupText[1].setText("15");
    main.SetupText[2].setText(std::to_string(Classes));
    const std::string path = (test.folder() / "Draw.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    {
        namespace entry = lang::entry;
        const auto& words = program.LanguageTexts;
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute("UPDATE " + meetdb::QuoteIdentifier(words[entry::ClassesTable]) + " SET " +
                   meetdb::QuoteIdentifier(words[entry::ClassNameField]) + " = 'K' || rowid");
        db.execute("UPDATE " + meetdb::QuoteIdentifier(words[entry::CompetitorsTable]) +
                   " SET \"1\" = 'Fornavn', \"2\" = 'Etternavn ' || rowid, \"4\" = 'K' || (1 + "
                   "(rowid - 1) % " + std::to_string(Classes) + ")");
    }
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Open.click();
    if (program.currentDatabase() != path) return 1;
    auto& meet = *program.meet;
    for (int c = 1; c <= Classes; ++c) {
        meet::ClassStart start;
        start.mode = meet::StartMode::Interval;
        start.firstStart = c == 1 ? "10.00.00.00" : "-";
        start.order = meet::StartOrder::Random;
        start.gap = 6000;
        if (!meet.setClassStart(c, start).stored) return 1;
    }
    std::vector<double> draws;
    for (unsigned run = 0; run < 7; ++run) {
        bool stored = false;
        draws.push_back(milliseconds([&] { stored = meet.draw("09.00.00.00", run + 1).stored; }));
        if (!stored || !meet.plannedStart(Competitors)) return 1;
    }
    std::printf("draw_3000_ms: %.1f ms\n", median(draws));
    program.MDIMain.Close.click();
    return 0;
}
