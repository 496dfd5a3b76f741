#include "capture/poll.h"

#include <algorithm>
#include <chrono>

#include "base/number_text.h"
#include "capture/lines_setup.h"
#include "capture/show.h"
#include "lang/meet_texts.h"
#include "pages/setup_page.h"
#include "ui/program.h"

namespace kvt::capture {

namespace {

namespace setup = ui::setup;

// A failure of the adapter during a poll: automatic capture is switched off first, so that
// no further poll reads the adapter while the message is shown.
void adapterLost(ui::Program& program) {
    program.Main.automaticCaptureCheck().setChecked(false);
    program.info(lang::AdapterLostText);
}

void tellLostChanges(ui::Program& program, int c, long lost) {
    if (lost > 0)
        program.dialogs().notify(lang::ChangesLostText(program.language, c + 1, lost),
                                 program.LanguageTexts[lang::entry::Info]);
}

}  // namespace

void Poll(ui::Program& program) {
    if (!program.meet) return;
    auto& meet = *program.meet;
    const int last = meet.lastLineInUse();
    if (last < 0) {
        // A meet shared with other stations follows them with no line in use too.
        if (meet.shared())
            if (auto followed = meet.followOthers(); followed.acted) ShowOutcome(program, followed);
        return;
    }
    meet::PollInput input;
    input.fromAdapter = program.adapterOpen;
    input.interval = std::max(1, program.Main.Hitime1.interval());
    if (input.fromAdapter) {
        auto& watch = program.Watch;
        watch.setLastLine(last);
        if (!watch.running()) watch.sample();
        for (int c = 0; c <= last; ++c) {
            input.readings[c] = watch.take(c);
            tellLostChanges(program, c, input.readings[c].lost);
        }
        // A timer's records come as impulses with its own time of day.
        if (program.platform.adapter.reportsImpulses()) {
            input.impulses = watch.takeImpulses();
            NoteTimerImpulses(program, input.impulses);
        }
    }
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        switch (program.platform.adapter.activeLevel(c)) {
            case devices::ActiveLevel::Low:
                input.activeLevel[c] = 0;
                break;
            case devices::ActiveLevel::High:
                input.activeLevel[c] = 1;
                break;
            case devices::ActiveLevel::Meet:
                break;
        }
    }
    // One clock for the edges and for this moment: the race clock's.
    auto& clock = program.platform.clock;
    const auto moment = clock.monotonicNow();
    input.now = clock.timeOf(moment);
    input.nowInstant = devices::LineWatch::Instant(std::chrono::nanoseconds(moment));
    auto outcomes = meet.poll(std::move(input));
    if (!program.meet) return;
    if (outcomes.empty())
        ShowLineLamps(program);
    else
        ShowOutcomes(program, outcomes);
}

void ShowPollRate(ui::Program& program) {
    auto& main = program.Main;
    main.SetupTimerValue[setup::PollRateValue].setCaption(base::NumberToText(program.PollCount));
    if (main.SetupProgressBar.maximum() <= program.PollCount)
        main.SetupProgressBar.setMaximum(program.PollCount + 100);
    main.SetupProgressBar.setValue(program.PollCount);
    program.PollCount = 0;
    ShowTimerLink(program);
    // What could not be stored is stored as soon as the database can be written again.
    if (program.meet && !program.meet->allStored()) {
        // "Stored again" only after a failure the operator was told of: what merely waited
        // for this commit (a number typed on a line) never failed.
        const bool failedBefore = !program.meet->lastFailure().empty();
        auto outcome = program.meet->store();
        if (outcome.stored && failedBefore)
            outcome.notices.push_back(lang::StoredAgainText().in(program.language));
        // A failure again says nothing new: the status bar keeps telling what waits.
        outcome.stored = true;
        ShowOutcome(program, outcome);
    }
}

void PressLineKey(ui::Program& program, int c) {
    if (!program.meet) return;
    auto& button = program.Main.TimeButton[c];
    try {
        auto pressed = program.meet->pressLineKey(c, program.adapterOpen);
        ShowOutcome(program, pressed);
        if (!pressed.acted) return;
        button.MouseDown.raise();
        program.pumpEvents();
        Poll(program);
        button.MouseUp.raise();
    } catch (const devices::AdapterError&) {
        button.MouseUp.raise();
        adapterLost(program);
    }
}

void OpenAdapter(ui::Program& program) {
    auto& main = program.Main;
    auto& adapter = program.platform.adapter;
    EndLineTestDevice(program);  // automatic capture takes the device over
    program.timerOffset = devices::TimerClockOffset{};
    try {
        program.AdapterHandle = adapter.OpenNamedDevice("*", 0);
        main.SetupLabel[setup::AdapterHandleLabel].setCaption(
            std::to_string(program.AdapterHandle));
        main.SetupLabel[setup::DigitalChannelsLabel].setCaption(
            std::to_string(adapter.GetNumberOfDigitalChannels(program.AdapterHandle)));
        main.SetupLabel[setup::AnalogChannelsLabel].setCaption(
            std::to_string(adapter.GetNumberOfAnalogChannels(program.AdapterHandle)));
        for (int bit = 0; bit < 8; ++bit) adapter.SetDigitalBit(program.AdapterHandle, bit, 0);
        if (program.meet) program.meet->resetLines();
        program.Watch.start(program.AdapterHandle,
                            program.meet ? program.meet->lastLineInUse() : ui::ChannelTotal - 1);
        program.adapterOpen = true;
    } catch (const std::exception& error) {
        program.adapterOpen = false;
        // The message is the program's own; the setup page tells what the device said.
        main.SetupAdapterMessage.setCaption(error.what());
        program.Watch.stop();
        try {
            adapter.CloseDevice(program.AdapterHandle);  // nothing half open stays held
        } catch (const std::exception&) {
        }
        // The program's own message, then the device's: which setting names what was not found.
        program.info(program.LanguageTexts[lang::entry::AdapterOpenFailed] + "\n" + error.what());
        main.automaticCaptureCheck().setChecked(false);
    }
}

void CloseAdapter(ui::Program& program) {
    auto& main = program.Main;
    program.Watch.stop();
    program.adapterOpen = false;
    try {
        program.platform.adapter.CloseDevice(program.AdapterHandle);
    } catch (const std::exception& error) {
        program.info(lang::AdapterCloseText().in(program.language) + std::string(error.what()));
        return;
    }
    for (int i :
         {setup::AdapterHandleLabel, setup::DigitalChannelsLabel, setup::AnalogChannelsLabel})
        main.SetupLabel[i].setCaption("-");
    // The "Test lines" view, still shown, goes on with the device to itself.
    if (main.SetupTestLinesCheck.checked()) BeginLineTestDevice(program);
}

void ConnectCapture(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    main.Hitime1.Tick = [&p] {
        p.guard([&p] {
            try {
                Poll(p);
            } catch (const devices::AdapterError&) {
                adapterLost(p);
            }
        });
        ++p.PollCount;
    };
    main.Hitime2.Tick = p.guarded([&p] { ShowPollRate(p); });
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        main.TimeButton[c].MouseDown = [&p, c] {
            if (p.meet) p.meet->pressLine(c, p.adapterOpen);
        };
        main.TimeButton[c].MouseUp = [&p, c] {
            if (p.meet) p.meet->releaseLine(c);
        };
    }
    main.automaticCaptureCheck().Click = p.guarded([&p] {
        auto& check = p.Main.automaticCaptureCheck();
        if (check.checked())
            OpenAdapter(p);
        else
            CloseAdapter(p);
        pages::StoreSetting(p, check.dataField(), check.checked() ? "1" : "0");
    });
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        main.SetupChannelCheck[c].Click = p.guarded([&p, c] {
            auto& m = p.Main;
            auto& check = m.SetupChannelCheck[c];
            if (p.meet) m.TimeButton[c].setEnabled(check.checked());
            pages::StoreSetting(p, check.dataField(), check.checked() ? "1" : "0");
            if (p.adapterOpen && p.meet) p.Watch.setLastLine(p.meet->lastLineInUse());
        });
    }
    // The sliders show their value and set the poll interval; a stored value moves them.
    for (int i = 0; i < 2; ++i) {
        main.SetupSlider[i].Scroll = p.guarded([&main, i] {
            main.SetupTimerValue[i + 1].setCaption(std::to_string(main.SetupSlider[i].value()));
            main.Hitime1.setInterval(main.SetupSlider[setup::IntervalSlider].value());
        });
        main.SetupTimerValue[i + 1].Change = p.guarded([&p, i] {
            auto& m = p.Main;
            auto& value = m.SetupTimerValue[i + 1];
            double number = base::TextToNumber(value.caption());
            m.SetupSlider[i].setValue(static_cast<int>(std::clamp(number, 1.0, 100.0)));
            pages::StoreSetting(p, value.dataField(), value.caption());
        });
    }
}

}  // namespace kvt::capture
