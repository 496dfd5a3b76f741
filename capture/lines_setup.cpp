#include "capture/lines_setup.h"

#include "capture/poll.h"
#include "lang/adapter_texts.h"
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
    return true;
}

void showTestLines(ui::Program& program) {
    auto& main = program.Main;
    const bool watching = program.Watch.watching();
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
    fill(main.SetupDeviceCombo, {"gpio", "serial", "keys", "simulated"});
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
    main.SetupAdapterUseButton.Click = p.guarded([&p] { UseAdapterSettings(p); });
    main.SetupTestLinesCheck.Click = p.guarded([&p] { lineTestClicked(p); });
}

}  // namespace kvt::capture
