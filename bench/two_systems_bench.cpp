// Two timing systems, headless, over a synthetic race of 1000 competitors (fixed seed) with B
// drifting from A, noise, and 2 % of A's impulses missing:
//   ab_match_errors   B impulses paired with an A impulse of another competitor (0 wanted)
//   replacement_ms    a replacement proposed for a competitor A missed: the pairing of the
//                     whole journal, the ten nearest and the mean; median over every one due
//   replacement_accept_ms  a replacement accepted: the hand-time correction, its record and
//                     the class ranked again, stored; median
#include <cstdio>

#include "support/fakes.h"
#include "support/two_systems_race.h"
#include "timing.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;

int main() {
    testing::TestProgram test;
    auto& program = test.start();
    program.Main.SetupText[0].setText("1000");
    program.Main.SetupText[2].setText("1");
    const std::string path = (test.folder() / "Bench.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    if (program.meet) program.MDIMain.Close.click();
    const auto race = testing::MakeTwoSystemsRace(1000, 2026);
    testing::WriteTwoSystemsRace(test.engine, path, program.LanguageTexts, race);
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Open.click();
    if (!program.meet) return 1;
    auto& meet = *program.meet;

    int errors = 0;
    for (const auto& row : meet.systemsSheet())
        for (bool finish : {false, true}) {
            const auto& times = finish ? row.finish : row.start;
            if (times.a < 0 || times.b < 0 || times.hand) continue;
            if (times.b != (finish ? race.bFinish : race.bStart)[row.number]) ++errors;
        }
    // B's of those A missed given to them, as read off B's tape.
    std::vector<std::pair<int, meet::TimeUse>> due;
    for (int n = 1; n <= race.competitors; ++n)
        for (bool finish : {false, true}) {
            if ((finish ? race.aFinish : race.aStart)[n] >= 0) continue;
            const auto use = finish ? meet::TimeUse::Finish : meet::TimeUse::Start;
            const auto b = (finish ? race.bFinish : race.bStart)[n];
            for (const auto& [entry, time] : meet.unpairedB(use))
                if (b >= 0 && time == b && !meet.giveSystemB(entry, n).stored) return 1;
            due.push_back({n, use});
        }
    std::vector<double> propose, accept;
    for (const auto& [n, use] : due) {
        meet::Replacement proposal;
        bool hand = false;
        std::string why;
        bool made = false;
        propose.push_back(milliseconds([&] { made = meet.proposeReplacement(n, use, proposal, hand, why); }));
        if (!made) return 1;
    }
    // Starts first, so that each finish has its start.
    for (auto first : {meet::TimeUse::Start, meet::TimeUse::Finish})
        for (const auto& [n, use] : due) {
            if (use != first) continue;
            meet::Outcome outcome;
            accept.push_back(milliseconds([&] { outcome = meet.acceptReplacement(n, use); }));
            if (!outcome.stored || !outcome.notices.empty()) return 1;
        }
    std::printf("ab_match_errors: %d\n", errors);
    std::printf("replacement_ms: %.2f ms\n", median(propose));
    std::printf("replacement_accept_ms: %.2f ms\n", median(accept));
    program.MDIMain.Close.click();
    return 0;
}
