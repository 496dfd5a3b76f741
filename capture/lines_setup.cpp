#include "capture/lines_setup.h"

#include "base/precise_time.h"
#include "capture/poll.h"
#include "devices/timer_adapter.h"
#include "lang/adapter_texts.h"
#include "lang/timer_texts.h"
#include "ui/program.h"

namespace kvt::capture {

namespace {

using devices::ActiveLevel;
using devices::AdapterSettings;
using devices::Bias;
using devices::DeviceKind;

std::string settingsPath(const ui::Program& program) {
    return devices::AdapterSettingsPath(program.locations.settingsFolder);
}

void fill(ui::ComboBox& combo, std::initializer_list<const char*> names) {
    combo.clear();
    for (const char* name : names) combo.addItem(name);
}

constexpr const char* TimerKinds[] = {"alge-timy", "alge-timy2", "tag-heuer", "microgate-rei",
                                      "microgate-racetime2"};
constexpr const char* Handshakes[] = {"none", "rts-cts"};

// The channels a timer of the kind usually gives its start and its finish on: lines 1 and 2.
std::pair<const char*, const char*> usualChannels(devices::TimerKind kind) {
    switch (kind) {
        case devices::TimerKind::AlgeTimy:
        case devices::TimerKind::AlgeTimy2:
            return {"C0", "C1"};
        case devices::TimerKind::TagHeuer:
            return {"1", "2"};
        case devices::TimerKind::MicrogateRei:
            return {"000", "255"};
        case devices::TimerKind::MicrogateRacetime:
            return {"000", "001"};
    }
    return {"C0", "C1"};
}

// The timer's settings as the page shows them, or false naming the first that is none.
bool readTimer(const ui::MainWindow& main, AdapterSettings& settings, std::string& wrong) {
    devices::TimerKind kind;
    if (!devices::ParseTimerKindName(main.SetupTimerKindCombo.text(), kind)) {
        wrong = main.SetupTimerKindCombo.text();
        return false;
    }
    settings.timer = main.SetupTimerKindCombo.text();
    const std::string& rate = main.SetupTimerRateText.text();
    if (rate.empty() || rate == "-") {
        settings.rate = 0;  // the timer's own
    } else if (rate.size() > 7 || rate.find_first_not_of("0123456789") != std::string::npos ||
               !devices::SerialRate(std::stoi(rate))) {
        wrong = rate;
        return false;
    } else {
        settings.rate = std::stoi(rate);
    }
    const std::string& handshake = main.SetupTimerHandshakeCombo.text();
    if (handshake != Handshakes[0] && handshake != Handshakes[1]) {
        wrong = handshake;
        return false;
    }
    settings.rtsCts = handshake == Handshakes[1];
    // The word goes into the settings file as a value of its own line.
    const std::string& word = main.SetupTimerMemoryText.text();
    for (unsigned char c : word)
        if (c < 0x20 || c == 0x7f || c == '=') {
            wrong = word;
            return false;
        }
    settings.memoryWord = word;
    return true;
}

void showTimer(ui::Program& program, const AdapterSettings& settings) {
    auto& main = program.Main;
    const bool timer = settings.device == DeviceKind::Timer;
    main.SetupTimerKindCombo.setText(settings.timer);
    devices::TimerKind kind = devices::TimerKind::AlgeTimy;
    const bool known = devices::ParseTimerKindName(settings.timer, kind);
    main.SetupTimerRateText.setText(
        settings.rate > 0 ? std::to_string(settings.rate)
                          : (known ? std::to_string(devices::DefaultRate(kind)) : ""));
    main.SetupTimerHandshakeCombo.setText(Handshakes[settings.rtsCts ? 1 : 0]);
    main.SetupTimerMemoryText.setText(settings.memoryWord);
    main.SetupTimerFrame.setVisible(timer);
    main.TimeTimerLink.setVisible(timer);
    main.TimeTimerMemoryButton.setVisible(timer);
}

// What a record of the timer is shown as: its bytes (those that are no text as <hex>).
std::string printable(const std::string& raw) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : raw) {
        if (c >= 0x20 && c < 0x7f) {
            text += static_cast<char>(c);
        } else {
            text += '<';
            text += digits[c >> 4];
            text += digits[c & 15];
            text += '>';
        }
        if (c == '&') text += '&';  // a caption's "&" marks its key
    }
    return text;
}

std::string readText(const ui::Program& program, const devices::Impulse& impulse) {
    const auto language = program.language;
    std::string marks;
    auto mark = [&](const lang::Bilingual& text) {
        if (!marks.empty()) marks += ", ";
        marks += text.in(language);
    };
    if (impulse.kind == devices::RecordKind::Unreadable) mark(lang::TimerUnreadableText());
    if (impulse.has(devices::Cleared)) mark(lang::TimerClearedText());
    if (impulse.has(devices::Disqualified)) mark(lang::TimerDisqualifiedText());
    if (impulse.has(devices::FromMemory)) mark(lang::TimerFromMemoryText());
    if (impulse.has(devices::Repeated)) mark(lang::TimerRepeatedText());
    if (impulse.has(devices::NoValidNumber)) mark(lang::TimerNoValidNumberText());
    if (impulse.byHand) mark(lang::TimerByHandText());
    const std::string time =
        impulse.hasTime ? base::ClockTimeText(impulse.timeOfDay, impulse.decimals) : "";
    return lang::TimerRecordReadText(language, impulse.channel + (impulse.byHand ? "M" : ""),
                                     impulse.line + 1, time, impulse.number, marks);
}

void showTimerRecords(ui::Program& program) {
    auto& main = program.Main;
    const bool timer = program.platform.adapter.reportsImpulses();
    main.TestTimerHeading.setVisible(timer);
    for (std::size_t i = 0; i < main.TestTimerRecord.size(); ++i) {
        auto& label = main.TestTimerRecord[i];
        label.setVisible(timer);
        if (i < program.timerRecords.size()) {
            const auto& impulse = program.timerRecords[i];
            label.setCaption(printable(impulse.raw) + "  ->  " + readText(program, impulse));
        } else {
            label.setCaption("");
        }
    }
}

lang::TimerLinkCondition conditionOf(devices::LinkDiagnosis diagnosis) {
    using Condition = lang::TimerLinkCondition;
    switch (diagnosis) {
        case devices::LinkDiagnosis::Working:
            return Condition::Working;
        case devices::LinkDiagnosis::NoPort:
            return Condition::NoPort;
        case devices::LinkDiagnosis::NothingReceived:
            return Condition::NothingReceived;
        case devices::LinkDiagnosis::WrongRate:
            return Condition::WrongRate;
        case devices::LinkDiagnosis::Garbage:
            return Condition::Garbage;
        case devices::LinkDiagnosis::Cut:
            return Condition::Cut;
    }
    return Condition::Working;
}

// A timer's link starts afresh with the device: its offset is measured again.
void forgetTimer(ui::Program& program) {
    program.timerOffset = devices::TimerClockOffset{};
    program.timerRecords.clear();
}

// The page's choices, or a message naming the first that is none.
bool readPage(ui::Program& program, AdapterSettings& settings, std::string& wrong) {
    auto& main = program.Main;
    if (!devices::ParseDeviceName(main.SetupDeviceCombo.text(), settings.device)) {
        wrong = main.SetupDeviceCombo.text();
        return false;
    }
    settings.path = main.SetupDevicePathText.text();
    settings.outputs = main.SetupOutputsText.text();
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        auto& line = settings.lines[c];
        line.source = main.SetupLineSourceText[c].text();
        if (line.source.empty()) line.source = "-";
        if (!devices::ParseBiasName(main.SetupLineBiasCombo[c].text(), line.bias)) {
            wrong = main.SetupLineBiasCombo[c].text();
            return false;
        }
        if (!devices::ParseActiveLevelName(main.SetupLineActiveCombo[c].text(), line.active)) {
            wrong = main.SetupLineActiveCombo[c].text();
            return false;
        }
    }
    if (settings.device == DeviceKind::Timer) return readTimer(main, settings, wrong);
    return true;
}

void showTestLines(ui::Program& program) {
    auto& main = program.Main;
    const bool watching = program.Watch.watching();
    // While only the view has the device, the timer's records are the view's to take.
    if (program.linesTesting && program.platform.adapter.reportsImpulses())
        NoteTimerImpulses(program, program.Watch.takeImpulses());
    showTimerRecords(program);
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        const auto status = watching ? program.Watch.status(c) : devices::LineWatch::Status{};
        int activeLevel = -1;
        switch (program.platform.adapter.activeLevel(c)) {
            case ActiveLevel::Low:
                activeLevel = 0;
                break;
            case ActiveLevel::High:
                activeLevel = 1;
                break;
            case ActiveLevel::Meet:
                activeLevel =
                    program.meet
                        ? (program.meet->setup().activeLow() ? 0 : 1)
                        : (main.SetupSignalOption[ui::setup::SignalGoesLowOption].selected() ? 0
                                                                                             : 1);
                break;
        }
        const bool active = status.level >= 0 && status.level == activeLevel;
        main.TestLineLamp[c].setColour(active ? ui::Lamp::Lit : ui::Lamp::Dark);
        main.TestLineText[c].setCaption(
            lang::LineTestText(program.language, c + 1, status.level, active, status.edges,
                               status.hasEdge, status.lastEdge.time, status.lastEdge.level));
    }
}

void lineTestClicked(ui::Program& program) {
    auto& main = program.Main;
    const bool shown = main.SetupTestLinesCheck.checked();
    main.TestLinesFrame.setVisible(shown);
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        main.TestLineLamp[c].setVisible(shown);
        main.TestLineText[c].setVisible(shown);
    }
    if (!shown) {
        main.TestTimerHeading.setVisible(false);
        for (auto& record : main.TestTimerRecord) record.setVisible(false);
    }
    if (shown)
        BeginLineTestDevice(program);
    else
        EndLineTestDevice(program);
    if (shown) showTestLines(program);
}

}  // namespace

void ShowAdapterSettings(ui::Program& program, const AdapterSettings& settings) {
    auto& main = program.Main;
    main.SetupDeviceCombo.setText(devices::DeviceName(settings.device));
    main.SetupDevicePathText.setText(settings.path);
    main.SetupOutputsText.setText(settings.outputs);
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        const auto& line = settings.lines[c];
        main.SetupLineSourceText[c].setText(line.wired() ? line.source : "-");
        main.SetupLineBiasCombo[c].setText(devices::BiasName(line.bias));
        main.SetupLineActiveCombo[c].setText(devices::ActiveLevelName(line.active));
    }
    showTimer(program, settings);
}

void NoteTimerImpulses(ui::Program& program, const std::vector<devices::Impulse>& impulses) {
    constexpr std::size_t Shown = std::tuple_size_v<decltype(program.Main.TestTimerRecord)>;
    for (const auto& impulse : impulses) {
        program.timerOffset.add(impulse);
        // The running clock a timer sends between its impulses would push every record away.
        if (impulse.kind == devices::RecordKind::ClockTick) continue;
        program.timerRecords.push_front(impulse);
        if (program.timerRecords.size() > Shown) program.timerRecords.pop_back();
    }
}

void ShowTimerLink(ui::Program& program) {
    auto& main = program.Main;
    devices::LinkState state{};
    devices::LinkCounters counters;
    if (!program.platform.adapter.timerLink(state, counters)) {
        main.SetupTimerLink.setCaption("");
        main.TimeTimerLink.setCaption("");
        return;
    }
    const auto diagnosis = devices::Diagnose(state, counters);
    auto condition = conditionOf(diagnosis);
    if (diagnosis == devices::LinkDiagnosis::Working && counters.cuts > 0)
        condition = lang::TimerLinkCondition::Back;
    const auto settings = devices::ReadAdapterSettings(settingsPath(program));
    std::string port = settings.path, text;
    int rate = settings.rate;
    try {
        const auto link = devices::TimerSettingsOf(settings);
        port = link.port;
        rate = link.rate;
    } catch (const std::exception&) {
    }
    if (state == devices::LinkState::Stopped && counters.opens == 0) {
        // Not opened yet: automatic capture or "Test lines" opens it.
        text = "";
    } else {
        text = lang::TimerLinkText(program.language, condition, port, rate);
        if (diagnosis == devices::LinkDiagnosis::Working)
            text += " " + lang::TimerOffsetText(program.language, program.timerOffset.known(),
                                                program.timerOffset.microseconds());
    }
    main.SetupTimerLink.setCaption(text);
    main.TimeTimerLink.setCaption(text);
}

void AskTimerMemory(ui::Program& program) {
    program.platform.adapter.askTimerMemory();
    const std::string text = lang::TimerMemoryAskedText().in(program.language);
    program.Main.SetupTimerLink.setCaption(text);
    program.status(text);
}

bool UseAdapterSettings(ui::Program& program) {
    auto& main = program.Main;
    AdapterSettings settings = devices::ReadAdapterSettings(settingsPath(program));
    std::string wrong;
    if (!readPage(program, settings, wrong)) {
        main.SetupAdapterMessage.setCaption(lang::AdapterSettingInvalidText().in(program.language) +
                                            wrong);
        return false;
    }
    try {
        devices::WriteAdapterSettings(settingsPath(program), settings);
    } catch (const std::exception& error) {
        main.SetupAdapterMessage.setCaption(
            std::string(lang::AdapterSettingsNotWrittenText().in(program.language)) + error.what());
        return false;
    }
    // The device is let go before the adapter changes, and taken again afterwards.
    const bool capturing = program.adapterOpen;
    const bool testing = program.linesTesting;
    if (capturing) CloseAdapter(program);
    if (testing) EndLineTestDevice(program);
    program.platform.adapter.useSettings(settings);
    showTimer(program, settings);
    main.SetupAdapterMessage.setCaption(lang::AdapterSettingsUsedText().in(program.language) +
                                        settingsPath(program));
    if (capturing) OpenAdapter(program);
    if (main.SetupTestLinesCheck.checked()) BeginLineTestDevice(program);
    return true;
}

void EndLineTestDevice(ui::Program& program) {
    if (!program.linesTesting) return;
    program.linesTesting = false;
    program.Watch.stop();
    try {
        program.platform.adapter.CloseDevice(program.AdapterHandle);
    } catch (const std::exception&) {
        // The device is gone already; nothing is held.
    }
}

void BeginLineTestDevice(ui::Program& program) {
    if (program.adapterOpen || program.linesTesting) return;
    auto& adapter = program.platform.adapter;
    forgetTimer(program);
    try {
        program.AdapterHandle = adapter.OpenNamedDevice("*", 0);
        program.linesTesting = true;
        // No line keeps changes for a poll: the view only looks.
        program.Watch.start(program.AdapterHandle, -1, true);
    } catch (const std::exception& error) {
        if (program.linesTesting) {
            program.linesTesting = false;
            try {
                adapter.CloseDevice(program.AdapterHandle);
            } catch (const std::exception&) {
            }
        }
        program.Main.SetupTestLinesCheck.setChecked(false);
        program.info(lang::LineTestFailedText().in(program.language) + std::string(error.what()));
    }
}

void ShowLinesAndClock(ui::Program& program) {
    auto& clock = program.platform.clock;
    // Between meets the clock follows the system's time of day; during one it keeps its
    // anchor, so that a step of the system clock shifts no time of the race.
    if (!program.meet) clock.anchor();
    program.Main.SetupClockLabel.setCaption(
        lang::ClockAnchorText(program.language, clock.anchorTime(), clock.driftMilliseconds()));
    if (program.Main.SetupTestLinesCheck.checked()) {
        if (program.linesTesting && !program.Watch.running()) program.Watch.sample();
        showTestLines(program);
    }
}

void ConnectLinesSetup(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    fill(main.SetupDeviceCombo, {"gpio", "serial", "keys", "timer", "simulated"});
    main.SetupTimerKindCombo.clear();
    for (const char* kind : TimerKinds) main.SetupTimerKindCombo.addItem(kind);
    main.SetupTimerHandshakeCombo.clear();
    for (const char* handshake : Handshakes) main.SetupTimerHandshakeCombo.addItem(handshake);
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        fill(main.SetupLineBiasCombo[c], {"pull-up", "pull-down", "none", "as-is"});
        fill(main.SetupLineActiveCombo[c], {"meet", "low", "high"});
    }
    main.TestLinesFrame.setVisible(main.SetupTestLinesCheck.checked());
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        main.TestLineLamp[c].setVisible(main.SetupTestLinesCheck.checked());
        main.TestLineText[c].setVisible(main.SetupTestLinesCheck.checked());
    }
    std::string refused;
    ShowAdapterSettings(program, devices::ReadAdapterSettings(settingsPath(program), &refused));
    if (!refused.empty()) {
        // Told without a box: the window has not appeared yet, and the defaults serve.
        const std::string text = lang::AdapterSettingsRefusedText().in(program.language) + refused;
        main.SetupAdapterMessage.setCaption(text);
        program.status(text);
    }
    // Another device picked: its lines as they are usually wired, to be changed where not.
    main.SetupDeviceCombo.Click = p.guarded([&p] {
        DeviceKind kind;
        if (!devices::ParseDeviceName(p.Main.SetupDeviceCombo.text(), kind)) return;
        auto defaults = devices::DefaultSettings(kind);
        defaults.path = p.Main.SetupDevicePathText.text();
        ShowAdapterSettings(p, defaults);
    });
    // Another kind of timer: its factory rate and the channels of its start and finish.
    main.SetupTimerKindCombo.Click = p.guarded([&p] {
        devices::TimerKind kind;
        if (!devices::ParseTimerKindName(p.Main.SetupTimerKindCombo.text(), kind)) return;
        p.Main.SetupTimerRateText.setText(std::to_string(devices::DefaultRate(kind)));
        const auto [start, finish] = usualChannels(kind);
        p.Main.SetupLineSourceText[0].setText(start);
        p.Main.SetupLineSourceText[1].setText(finish);
    });
    main.SetupTimerMemoryButton.Click = p.guarded([&p] { AskTimerMemory(p); });
    main.TimeTimerMemoryButton.Click = p.guarded([&p] { AskTimerMemory(p); });
    main.SetupAdapterUseButton.Click = p.guarded([&p] { UseAdapterSettings(p); });
    main.SetupTestLinesCheck.Click = p.guarded([&p] { lineTestClicked(p); });
}

}  // namespace kvt::capture
