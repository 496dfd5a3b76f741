#include "capture/poll.h"

#include <algorithm>

#include "capture/time_list.h"
#include "results/time_text.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::capture {

namespace {

bool automatic(const ui::Program& program) {
    return program.Main.SetupCheck[3].checked();
}

int lastCheckedLine(const ui::Program& program) {
    int last = -1;
    for (int c = 0; c < ui::ChannelTotal; ++c)
        if (program.Main.SetupChannelCheck[c].checked()) last = c;
    return last;
}

// A capture on channel c at the moment the line was seen active.
void capture(ui::Program& program, int c, const ui::LocalTime& time, LineWatch::Instant instant) {
    auto& channel = program.Channels[c];
    channel.CaptureTime = results::TimeText(time);
    channel.CaptureClock = time;
    channel.CaptureInstant = instant;
    program.Main.ChannelLed[c].setColour(ui::Lamp::Lit);
    channel.CapturePending = 1;
    channel.LineLatched = 1;
}

// The capture waiting for its delay is registered (when the line is checked) and the
// channel set free.
void finishPending(ui::Program& program, int c) {
    auto& channel = program.Channels[c];
    if (program.Main.SetupChannelCheck[c].checked()) RegisterCapture(program, c + 1);
    program.Main.ChannelLed[c].setColour(ui::Lamp::Dark);
    channel.CapturePending = 0;
    channel.DelayTicks = 0;
}

// Holds the setup boxes from being stored one by one while a registration changes them.
struct HoldSetupWrites {
    explicit HoldSetupWrites(ui::Program& program)
        : program(program), before(program.holdSetupWrites) {
        program.holdSetupWrites = true;
    }
    ~HoldSetupWrites() { program.holdSetupWrites = before; }
    ui::Program& program;
    bool before;
};

// Adds numbered rows to the Time table until it has row; Setup field 31 follows.
void growTimeTable(ui::Program& program, int row) {
    auto& data = program.Main.TimeData;
    if (data.recordCount() >= row) return;
    while (data.recordCount() < row) {
        std::vector<ui::FieldValue> fields(7, std::string("-"));
        fields[0] = ui::NumberToText(data.recordCount() + 1);
        data.appendRecord(fields);
    }
    HoldSetupWrites hold(program);
    program.TimeTableSize = data.recordCount();
    program.Main.SetupText[8].setText(std::to_string(program.TimeTableSize));
}

// A failure of the adapter during a poll: automatic capture is switched off first, so that
// no further poll reads the adapter while the message is shown.
void adapterLost(ui::Program& program) {
    program.Main.SetupCheck[3].setChecked(false);
    program.info(lang::AdapterLostText);
}

}  // namespace

void QueueTimeRow(ui::Program& program, int row, std::vector<std::pair<int, std::string>> fields) {
    auto& pending = program.PendingRows[row];
    for (auto& field : fields) {
        auto same = std::find_if(pending.begin(), pending.end(),
                                 [&](const auto& queued) { return queued.first == field.first; });
        if (same != pending.end())
            same->second = std::move(field.second);
        else
            pending.push_back(std::move(field));
    }
}

bool StoreChanges(ui::Program& program) {
    auto& main = program.Main;
    auto& data = main.TimeData;
    const auto& words = program.LanguageTexts;
    std::string failure;
    try {
        if (!data.isOpen()) throw std::runtime_error(lang::NoMeetOpenText().in(program.language));
        program.platform.engine.transaction(program.currentDatabase, [&] {
            for (const auto& [row, fields] : program.PendingRows) {
                growTimeTable(program, row);
                std::vector<std::pair<std::string, ui::FieldValue>> named;
                for (const auto& [entry, value] : fields) named.emplace_back(words[entry], value);
                data.writeFields(row, named);
            }
            main.SetupData.updateRecord();
            main.SetTimeData.updateRecord();
        });
        program.PendingRows.clear();
        return true;
    } catch (const std::exception& error) {
        failure = error.what();
    }
    // What the transaction wrote is undone: the records are written whole next time.
    main.SetupData.forgetStored();
    main.SetTimeData.forgetStored();
    try {
        data.refresh();
    } catch (const std::exception&) {
    }
    std::string times;
    for (const auto& [row, fields] : program.PendingRows) {
        std::string time = "?", id = "?";
        for (const auto& [entry, value] : fields) {
            if (entry == 56) time = value;
            if (entry == 55) id = value;
        }
        if (row < static_cast<int>(program.RegisteredTimes.size()) && time == "?")
            time = program.RegisteredTimes[row].time;
        times += (times.empty() ? "" : ", ") + time + " (" + id + ")";
    }
    program.platform.dialogs.notify(lang::TimeNotStoredText().in(program.language) + times + ": " +
                                        failure + "." + lang::TimeKeptText().in(program.language),
                                    words[11]);
    return false;
}

int MillisecondsBetween(const ui::LocalTime& from, const ui::LocalTime& to) {
    constexpr int Day = 24 * 3600 * 1000;
    auto ofDay = [](const ui::LocalTime& t) {
        return ((t.hour * 60 + t.minute) * 60 + t.second) * 1000 + t.millisecond;
    };
    return ((ofDay(to) - ofDay(from)) % Day + Day) % Day;
}

std::string Identification(int channel, int count) {
    std::string digits = "000" + std::to_string(count);
    return std::to_string(channel) + "-" + digits.substr(digits.size() - 4);
}

void Poll(ui::Program& program) {
    auto& main = program.Main;
    const int last = lastCheckedLine(program);
    if (last < 0) return;
    const bool fromAdapter = automatic(program);
    const bool activeLow = main.SetupSignalOption[1].selected();
    auto& watch = program.Watch;
    if (fromAdapter) {
        watch.setLastLine(last);
        if (!watch.running()) watch.sample();
    }
    auto isActive = [activeLow](int level) { return activeLow ? level == 0 : level == 1; };
    // How long a capture waits before its line may give another, had every tick come in time.
    const int delayMilliseconds =
        (main.SetupSlider[1].value() + 1) * std::max(1, main.Hitime1.interval());
    for (int c = 0; c <= last; ++c) {
        auto& channel = program.Channels[c];
        std::vector<LineWatch::Change> changes;
        int before = channel.LineActive;  // the line as the last tick left it
        if (fromAdapter) {
            auto reading = watch.take(c);
            changes = std::move(reading.changes);
            if (reading.level >= 0) channel.LineActive = isActive(reading.level) ? 1 : 0;
        }
        if (main.ChannelLed[c].lit()) ++channel.DelayTicks;
        // Every change of the line since the last tick, in order, as a tick at that moment
        // would have seen it: a pulse between two ticks is captured at the time it began.
        for (const auto& change : changes) {
            const int active = isActive(change.level) ? 1 : 0;
            if (channel.CapturePending != 0) {
                if (MillisecondsBetween(channel.CaptureClock, change.time) < delayMilliseconds) {
                    before = active;
                    continue;  // within the delay: the same passage
                }
                // The window was held up past the delay: the waiting capture is registered
                // as its tick would have done, and the line goes on from there.
                finishPending(program, c);
                if (before != 1) channel.LineLatched = 0;
            }
            if (active != 1)
                channel.LineLatched = 0;
            else if (channel.LineLatched == 0)
                capture(program, c, change.time, change.instant);
            before = active;
        }
        if (channel.LineActive != 1 && channel.CapturePending == 0) channel.LineLatched = 0;
        if (channel.LineActive == 1 && channel.CapturePending == 0 && channel.LineLatched == 0)
            capture(program, c, program.platform.clock.now(), LineWatch::Instant::clock::now());
        if (channel.CapturePending == 1 && channel.DelayTicks > main.SetupSlider[1].value())
            finishPending(program, c);
    }
}

void RegisterCapture(ui::Program& program, int n) {
    auto& main = program.Main;
    {
        HoldSetupWrites hold(program);
        int k = ++program.RegisteredCount;
        main.SetupText[6].setText(std::to_string(k));
        if (static_cast<int>(program.RegisteredTimes.size()) <= k)
            program.RegisteredTimes.resize(k + 1);
        int count = ++program.ChannelCounts[n];
        main.SetupText[n + 8].setText(ui::NumberToText(count));
        const auto& slot =
            program.RegisteredTimes[k] = {program.Channels[n - 1].CaptureTime, "-", "-",
                                          Identification(n, count), ui::NumberToText(k)};
        QueueTimeRow(program, k,
                     {{55, slot.identification}, {56, slot.time}, {57, "-"}, {58, "-"}});
        TakeNextIntoList(program);
        StoreLampStates(program);
    }
    StoreChanges(program);
}

void ShowPollRate(ui::Program& program) {
    auto& main = program.Main;
    main.SetupTimerValue[3].setCaption(ui::NumberToText(program.PollCount));
    if (main.SetupProgressBar.maximum() <= program.PollCount)
        main.SetupProgressBar.setMaximum(program.PollCount + 100);
    main.SetupProgressBar.setValue(program.PollCount);
    program.PollCount = 0;
}

void PressLineKey(ui::Program& program, int c) {
    auto& channel = program.Channels[c];
    auto& button = program.Main.TimeButton[c];
    try {
        // A press is a new activation: an earlier one still waiting for its delay is
        // registered now, so that no press is lost and none counts twice.
        if (channel.CapturePending == 1) finishPending(program, c);
        channel.LineLatched = 0;
        button.MouseDown.raise();
        program.platform.pump.pumpEvents();
        Poll(program);
        button.MouseUp.raise();
    } catch (const AdapterError&) {
        button.MouseUp.raise();
        adapterLost(program);
    }
}

void OpenAdapter(ui::Program& program) {
    auto& main = program.Main;
    auto& adapter = program.platform.adapter;
    try {
        program.AdapterHandle = adapter.OpenNamedDevice("*", 0);
        main.SetupLabel[13].setCaption(std::to_string(program.AdapterHandle));
        main.SetupLabel[14].setCaption(
            std::to_string(adapter.GetNumberOfDigitalChannels(program.AdapterHandle)));
        main.SetupLabel[15].setCaption(
            std::to_string(adapter.GetNumberOfAnalogChannels(program.AdapterHandle)));
        for (int bit = 0; bit < 8; ++bit) adapter.SetDigitalBit(program.AdapterHandle, bit, 0);
        for (auto& channel : program.Channels) channel.LineActive = channel.LineLatched = 0;
        program.Watch.start(program.AdapterHandle, lastCheckedLine(program));
    } catch (const std::exception&) {
        program.info(program.LanguageTexts[9]);
        main.SetupCheck[3].setChecked(false);
    }
}

void CloseAdapter(ui::Program& program) {
    auto& main = program.Main;
    program.Watch.stop();
    try {
        program.platform.adapter.CloseDevice(program.AdapterHandle);
    } catch (const std::exception& error) {
        program.info(lang::AdapterCloseText().in(program.language) + std::string(error.what()));
        return;
    }
    for (int i = 13; i <= 15; ++i) main.SetupLabel[i].setCaption("-");
}

void ConnectCapture(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    main.Hitime1.Tick = [&p] {
        try {
            Poll(p);
        } catch (const AdapterError&) {
            adapterLost(p);
        } catch (const std::exception& error) {
            p.info(error.what());
        }
        ++p.PollCount;
    };
    main.Hitime2.Tick = [&p] { ShowPollRate(p); };
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        main.TimeButton[c].MouseDown = [&p, c] { p.Channels[c].LineActive = 1; };
        main.TimeButton[c].MouseUp = [&p, c] { p.Channels[c].LineActive = 0; };
    }
}

}  // namespace kvt::capture
