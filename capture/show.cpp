#include "capture/show.h"

#include "base/number_text.h"
#include "capture/corrections.h"
#include "lang/meet_texts.h"
#include "lang/run_texts.h"
#include "lang/window_texts.h"
#include "pages/course_view.h"
#include "pages/register_pages.h"
#include "pages/setup_page.h"
#include "results/results_page.h"
#include "ui/program.h"

namespace kvt::capture {

namespace {

namespace setup = ui::setup;

int lampColour(bool lit) {
    return lit ? ui::Lamp::Lit : ui::Lamp::Dark;
}

void showCounts(ui::Program& program) {
    auto& main = program.Main;
    const auto& meet = *program.meet;
    main.SetupText[setup::RegisteredCountText].setText(std::to_string(meet.registeredCount()));
    main.SetupText[setup::FetchedCountText].setText(std::to_string(meet.fetchedCount()));
    main.SetupText[setup::TimeTableSizeText].setText(std::to_string(meet.timeTableSize()));
    for (int line = 1; line <= ui::ChannelTotal; ++line)
        main.SetupText[setup::ChannelCountText(line)].setText(
            base::NumberToText(meet.channelCount(line)));
    pages::ShowRegisterCounts(program);
}

void showRows(ui::Program& program) {
    auto& main = program.Main;
    for (int i = 0; i < ui::CaptureRows; ++i) {
        const auto& row = program.meet->row(i);
        main.Number[i].setText(row.number);
        // The number's own handler may show the row afresh: what is shown is read after it.
        ShowCompetitorOnLine(program, i);
        const auto& shown = program.meet->row(i);
        main.RegTime[i].setText(shown.regTime);
        main.RegTimeIndex[i].setText(shown.regTimeIndex);
        main.Regtimeled[i].setText(shown.ready ? "1" : "0");
        main.ReadyLed[i].setColour(lampColour(shown.ready));
    }
}

// Only after a failure: what merely waits for the next commit (a number typed on a line) has
// not failed to be stored.
void showStoredState(ui::Program& program) {
    pages::ShowUnstored(program);
}

}  // namespace

void ShowCompetitorOnLine(ui::Program& program, int line) {
    if (!program.meet) return;
    auto& main = program.Main;
    const auto& row = program.meet->row(line);
    main.TimeNames[line].setCaption(
        row.noCompetitor ? lang::NoSuchCompetitorCaption().in(program.language) : row.name);
    main.Time[line].setCaption(row.time);
    main.Outled[line].setColour(lampColour(row.outLit));
    main.Inled[line].setColour(lampColour(row.inLit));
}

void ShowLineLamps(ui::Program& program) {
    if (!program.meet) return;
    for (int c = 0; c < ui::ChannelTotal; ++c)
        program.Main.ChannelLed[c].setColour(lampColour(program.meet->channel(c).lamp));
}

void ShowMeet(ui::Program& program) {
    if (!program.meet) return;
    // The run being timed, plainly, when the meet has more than one.
    const auto& meet = *program.meet;
    program.Main.CaptureRun.setCaption(
        meet.runCount() > 1 ? lang::RunText().in(program.language) + std::to_string(meet.run())
                            : std::string());
    showCounts(program);
    pages::ShowMeetOptions(program);
    showRows(program);
    ShowLineLamps(program);
    showStoredState(program);
    ShowCorrections(program);
    pages::ShowRace(program);
}

void ShowOutcome(ui::Program& program, const meet::Outcome& outcome) {
    if (!program.meet) return;
    ShowMeet(program);
    ShowSystemsLine(program);
    // Register edits that waited and were stored with this action.
    if (!outcome.writtenRecords.empty()) pages::ShowStoredRecords(program, outcome);
    auto& times = program.Main.TimeData;
    if (!outcome.writtenTimeRows.empty() && times.isOpen()) {
        times.recordsWritten(outcome.writtenTimeRows);
        times.moveTo(outcome.writtenTimeRows.back());
    }
    if (outcome.finished) {
        if (outcome.shownClass > 0)
            program.Main.ResultsCombo.setText(program.meet->className(outcome.shownClass));
        results::ShowStoredClass(program, outcome.shownClass);
    } else if (program.meet->shared() && !outcome.writtenClasses.empty()) {
        // Results another station ranked: the class shown follows them.
        results::ShowChosenClass(program);
    }
    const std::string& title = program.LanguageTexts[lang::entry::Info];
    for (const auto& notice : outcome.notices) program.dialogs().notify(notice, title);
    if (!outcome.stored) {
        const std::string times = program.meet->unstoredTimesText();
        program.dialogs().notify(
            times.empty() ? lang::NotStoredText().in(program.language) + outcome.failure + "." +
                                lang::KeptText().in(program.language)
                          : lang::TimeNotStoredText().in(program.language) + times + ": " +
                                outcome.failure + "." + lang::TimeKeptText().in(program.language),
            title);
    }
}

void ShowOutcomes(ui::Program& program, const std::vector<meet::Outcome>& outcomes) {
    for (const auto& outcome : outcomes) ShowOutcome(program, outcome);
}

}  // namespace kvt::capture
