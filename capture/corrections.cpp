#include "capture/corrections.h"

#include "base/number_text.h"
#include "capture/show.h"
#include "lang/correction_texts.h"
#include "lang/systems_texts.h"
#include "results/results_page.h"
#include "results/trail_view.h"
#include "ui/program.h"

namespace kvt::capture {

namespace {

namespace entry = lang::entry;

// A start number as typed; 0 when the text holds none.
int typedNumber(const ui::TextBox& box) {
    const std::string& text = box.text();
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return 0;
    const auto end = text.find_last_not_of(' ');
    const std::string digits = text.substr(begin, end - begin + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return std::stoi(digits);
}

// The competitor of the results page's chosen row, 0 when none is chosen.
int chosenCompetitor(ui::Program& program) {
    auto& data = program.Main.ResultsData;
    if (!data.isOpen() || data.recordCount() == 0) return 0;
    const auto value = data.field(program.LanguageTexts[entry::Number]);
    return static_cast<int>(base::TextToNumber(value.value_or("")));
}

// The time log's chosen row (records in stored order: row k is record k).
int chosenTimeRow(ui::Program& program) {
    auto& data = program.Main.TimeData;
    if (!data.isOpen() || data.recordCount() == 0) return 0;
    return data.position();
}

void showCorrected(ui::Program& program, const meet::Outcome& outcome) {
    ShowOutcome(program, outcome);
    // A finish taken away leaves its class's results without it: the page shows the class
    // it shows as it is stored now.
    if (!outcome.finished) results::ShowChosenClass(program);
    ShowCorrections(program);
}

// A correction asked for without a start number typed says so and changes nothing.
bool numberTyped(ui::Program& program, const ui::TextBox& box, int& number) {
    number = typedNumber(box);
    if (number > 0) return true;
    program.dialogs().notify(lang::NoCompetitorNumberText(program.language, box.text()),
                             program.LanguageTexts[entry::Info]);
    return false;
}

void connectBar(ui::Program& p, ui::CorrectionBar& bar, bool resultsPage) {
    bar.Undo.Click = p.guarded([&p] {
        if (p.meet) showCorrected(p, p.meet->undo());
    });
    bar.Redo.Click = p.guarded([&p] {
        if (p.meet) showCorrected(p, p.meet->redo());
    });
    // The competitor acted on: the results page's chosen row, or the number typed.
    auto competitor = [&p, &bar, resultsPage](int& number) {
        if (resultsPage && bar.Number.text().find_first_not_of(' ') == std::string::npos) {
            number = chosenCompetitor(p);
            if (number > 0) return true;
        }
        return numberTyped(p, bar.Number, number);
    };
    bar.Reassign.Click = p.guarded([&p, &bar, resultsPage, competitor] {
        if (!p.meet) return;
        int to = 0;
        if (!numberTyped(p, bar.GiveTo, to)) return;
        int row = 0;
        if (resultsPage) {
            int from = 0;
            if (!competitor(from)) return;
            row = from <= p.meet->highestNumber() && from <= meet::MaxStartNumber
                      ? p.meet->competitor(from).finishRow
                      : 0;
            if (row == 0) {
                p.dialogs().notify(lang::NothingToTakeBackText(p.language, from, true),
                                   p.LanguageTexts[entry::Info]);
                return;
            }
        } else {
            row = chosenTimeRow(p);
        }
        showCorrected(p, p.meet->reassignTime(row, to));
    });
    bar.TakeBack.Click = p.guarded([&p] {
        if (p.meet) showCorrected(p, p.meet->takeBackTime(chosenTimeRow(p)));
    });
    auto takeBack = [&p, competitor](meet::TimeUse which) {
        if (!p.meet) return;
        int number = 0;
        if (competitor(number)) showCorrected(p, p.meet->takeBack(number, which));
    };
    bar.TakeBackStart.Click = p.guarded([takeBack] { takeBack(meet::TimeUse::Start); });
    bar.TakeBackFinish.Click = p.guarded([takeBack] { takeBack(meet::TimeUse::Finish); });
    auto byHand = [&p, &bar, competitor](meet::TimeUse which) {
        if (!p.meet) return;
        int number = 0;
        if (!competitor(number)) return;
        auto outcome = p.meet->setHandTime(number, which, bar.Time.text(), bar.Reason.text());
        // What was typed is used: the boxes are empty for the next one.
        if (outcome.acted) {
            bar.Time.setText("");
            bar.Reason.setText("");
        }
        showCorrected(p, outcome);
    };
    bar.HandStart.Click = p.guarded([byHand] { byHand(meet::TimeUse::Start); });
    bar.HandFinish.Click = p.guarded([byHand] { byHand(meet::TimeUse::Finish); });
    // The replacement where A missed: proposed, and accepted only when the operator says so
    // (otherwise he types another time by hand).
    auto replace = [&p, competitor](meet::TimeUse which) {
        if (!p.meet) return;
        int number = 0;
        if (!competitor(number)) return;
        meet::Replacement proposal;
        bool hand = false;
        std::string why;
        const bool finish = which == meet::TimeUse::Finish;
        if (!p.meet->proposeReplacement(number, which, proposal, hand, why)) {
            p.dialogs().notify(why, p.LanguageTexts[entry::Info]);
            return;
        }
        const std::string reason = lang::ReplacementReasonText(
            p.language, hand, base::ClockTimeText(proposal.own, 4), proposal.meanText(),
            static_cast<int>(proposal.basis.size()));
        if (p.dialogs().message(lang::ReplacementQuestion(p.language, number, finish,
                                                          base::PreciseTimeText(proposal.time),
                                                          reason),
                                lang::ReplacementTitle(p.language),
                                ui::MessageButtons::YesNo) != ui::Answer::Yes)
            return;
        showCorrected(p, p.meet->acceptReplacement(number, which));
    };
    bar.ReplaceStart.Click = p.guarded([replace] { replace(meet::TimeUse::Start); });
    bar.ReplaceFinish.Click = p.guarded([replace] { replace(meet::TimeUse::Finish); });
    // A backup watch's time typed: kept in B's place, never given as the competitor's time.
    auto watch = [&p, &bar, competitor](meet::TimeUse which) {
        if (!p.meet) return;
        int number = 0;
        if (!competitor(number)) return;
        meet::HandTime time;
        time.number = number;
        time.text = std::to_string(number) + " " + bar.Time.text();
        if (!meet::ReadTimeOfDay(bar.Time.text(), time.time, time.decimals)) {
            p.dialogs().notify(lang::NotATimeText(p.language, bar.Time.text()),
                               p.LanguageTexts[entry::Info]);
            return;
        }
        auto outcome = p.meet->addHandTimes(which, {time});
        if (outcome.acted && outcome.stored) bar.Time.setText("");
        ShowOutcome(p, outcome);
    };
    bar.WatchStart.Click = p.guarded([watch] { watch(meet::TimeUse::Start); });
    bar.WatchFinish.Click = p.guarded([watch] { watch(meet::TimeUse::Finish); });
}

}  // namespace

void ShowCorrections(ui::Program& program) {
    const auto* meet = program.meet.get();
    std::string last;
    if (meet && meet->canUndo())
        last = lang::UndoTitleText(program.language) + meet->undoText();
    if (meet && meet->canRedo())
        last += (last.empty() ? "" : "   ") + lang::RedoTitleText(program.language) +
                meet->redoText();
    for (auto* bar : {&program.Main.TimeCorrection, &program.Main.ResultsCorrection}) {
        bar->Last.setCaption(last);
        bar->Undo.setEnabled(meet && meet->canUndo());
        bar->Redo.setEnabled(meet && meet->canRedo());
    }
    // The trail follows while the results page has it in front.
    if (program.Main.ResultsTabStrip.selectedTab() == 3) results::ShowTrail(program);
}

void ShowSystemsLine(ui::Program& program) {
    std::string text;
    const auto* meet = program.meet.get();
    if (meet && meet->systems().hasB()) {
        std::string pairs;
        for (const auto& row : meet->lastPaired(5)) {
            const auto& times = row.finish.a >= 0 && row.finish.b >= 0 && !row.finish.hand
                                    ? row.finish
                                    : row.start;
            pairs += (pairs.empty() ? "" : ",  ") + std::to_string(row.number) + ": " +
                     meet::DifferenceText(times.a - times.b);
        }
        text = lang::LastPairedText(program.language, pairs.empty() ? "-" : pairs);
    }
    for (auto* bar : {&program.Main.TimeCorrection, &program.Main.ResultsCorrection})
        bar->Systems.setCaption(text);
}

void ConnectCorrections(ui::Program& program) {
    connectBar(program, program.Main.TimeCorrection, false);
    connectBar(program, program.Main.ResultsCorrection, true);
    // The results page's details show the chosen competitor: they are read only (a result is
    // corrected through the buttons, never typed).
    program.Main.ResultsIndex.setLocked(true);
    for (auto& box : program.Main.ResultsText) box.setLocked(true);
    ShowCorrections(program);
}

}  // namespace kvt::capture
