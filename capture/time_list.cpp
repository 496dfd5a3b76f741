#include "capture/time_list.h"

#include <algorithm>

#include "base/time_text.h"
#include "capture/lines_setup.h"
#include "capture/show.h"
#include "lang/meet_texts.h"
#include "pages/register_pages.h"
#include "pages/course_view.h"
#include "ui/program.h"

namespace kvt::capture {

namespace {

std::string withoutBlanks(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

}  // namespace

void ClockTick(ui::Program& program) {
    ShowLinesAndClock(program);
    const std::string now = base::TimeText(program.platform.clock.now());
    program.Main.ExactTime.setText(now);
    // Those on the course and their running times, the times that wait.
    pages::ShowRace(program);
    if (!program.meet) return;
    program.meet->clockTick(now);
    auto& main = program.Main;
    for (int i = 0; i < ui::CaptureRows; ++i) {
        const auto& row = program.meet->row(i);
        main.Time[i].setCaption(row.time);
        main.Outled[i].setColour(row.outLit ? ui::Lamp::Lit : ui::Lamp::Dark);
        main.Inled[i].setColour(row.inLit ? ui::Lamp::Lit : ui::Lamp::Dark);
    }
}

void DeleteRow(ui::Program& program, int row) {
    if (!program.meet) return;
    const std::string offered = program.meet->row(row).regTime;
    if (!offered.empty() && offered != "-" &&
        program.dialogs().message(DeleteQuestion, "Info", ui::MessageButtons::YesNo) !=
            ui::Answer::Yes)
        return;
    // The question let events run: the meet may have closed meanwhile.
    if (!program.meet) return;
    ShowOutcome(program, program.meet->deleteRow(row));
}

void AddLateEntry(ui::Program& program) {
    if (!program.meet) return;
    std::vector<std::pair<int, std::string>> fields;
    for (int i = 0; i < ui::CaptureRows; ++i) {
        const auto& row = program.meet->row(i);
        if (!row.noCompetitor) continue;
        fields.emplace_back(0, withoutBlanks(row.number));
        break;
    }
    auto outcome = program.meet->addRecord(meet::Register::Competitors, fields);
    ShowOutcome(program, outcome);
    if (!outcome.acted || outcome.writtenRecords.empty()) return;
    pages::ShowAddedRecord(program, meet::Register::Competitors, outcome);
    const int record = outcome.writtenRecords.back().second;
    program.status(lang::CompetitorAddedText(program.language,
                                             program.meet->recordNumber(record), record));
}

void ConnectTimeList(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    main.Hitime3.Tick = p.guarded([&p] { ClockTick(p); });
    for (int row = 0; row < ui::CaptureRows; ++row) {
        main.Regtimeled[row].Change = [&main, row] {
            std::string state = withoutBlanks(main.Regtimeled[row].text());
            if (state == "0") main.ReadyLed[row].setColour(ui::Lamp::Dark);
            if (state == "1") main.ReadyLed[row].setColour(ui::Lamp::Lit);
        };
        main.UpDown[row].Change = p.guarded(
            [&main, row] { main.Number[row].setText(std::to_string(main.UpDown[row].value())); });
        main.Delete[row].Click = p.guarded([&p, row] { DeleteRow(p, row); });
    }
    main.CaptureNewCompetitor.Click = p.guarded([&p] { AddLateEntry(p); });
}

}  // namespace kvt::capture
