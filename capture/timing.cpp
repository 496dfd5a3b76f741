#include "capture/timing.h"

#include "base/time_text.h"
#include "capture/show.h"
#include "capture/time_list.h"
#include "ui/program.h"

namespace kvt::capture {

void GiveTimeNow(ui::Program& program, int line) {
    if (!program.meet) return;
    const std::string now = base::TimeText(program.platform.clock.now());
    auto outcome = program.meet->giveTimeNow(line, now);
    ShowOutcome(program, outcome);
    // Finished before this key press: the line goes as its "C" button does.
    if (outcome.removeLine) DeleteRow(program, line);
}

void GiveRegisteredTime(ui::Program& program, int line) {
    if (!program.meet) return;
    auto outcome = program.meet->giveRegisteredTime(line);
    ShowOutcome(program, outcome);
    if (outcome.removeLine) DeleteRow(program, line);
}

void ConnectTiming(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    for (int line = 0; line < ui::CaptureRows; ++line) {
        // What the operator typed is the meet's; the line shows the competitor it names.
        main.Number[line].Change = p.guarded([&p, line] {
            if (!p.meet) return;
            p.meet->typeNumber(line, p.Main.Number[line].text());
            ShowCompetitorOnLine(p, line);
        });
        main.Number[line].KeyDown = [&p, line](int key) {
            if (key == ui::KeyReturn) p.guard([&] { GiveTimeNow(p, line); });
        };
        main.Number[line].KeyUp = [&p](int) {
            if (p.meet) p.meet->releaseEnter();
        };
        main.Set[line].Click = p.guarded([&p, line] { GiveRegisteredTime(p, line); });
    }
}

}  // namespace kvt::capture
