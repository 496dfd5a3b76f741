// The setup page's device controls: what the operator chooses is kept in the adapter's settings
// file and used by the adapter; the "Test lines" view shows each line live.
#include <gtest/gtest.h>

#include <fstream>

#include "devices/adapter.h"
#include "shell/commands.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;

namespace {

std::string settingsFile(const TestProgram& test) {
    return devices::AdapterSettingsPath(test.folder().string());
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

int pickIndex(const ui::ComboBox& combo, const std::string& item) {
    for (std::size_t i = 0; i < combo.items().size(); ++i)
        if (combo.items()[i] == item) return static_cast<int>(i);
    return -1;
}

}  // namespace

TEST(LinesSetup, TheChosenDeviceAndWiringAreKeptAndShownAgainAfterALoad) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    // Without a settings file the page shows the GPIO chip's first six lines with pull-ups.
    EXPECT_EQ(main.SetupDeviceCombo.text(), "gpio");
    EXPECT_EQ(main.SetupLineSourceText[5].text(), "5");
    EXPECT_EQ(main.SetupLineBiasCombo[0].text(), "pull-up");
    EXPECT_EQ(main.SetupOutputsText.text(), "");

    // A serial port: picking it fills in the status lines as they are usually wired.
    main.SetupDeviceCombo.pick(pickIndex(main.SetupDeviceCombo, "serial"));
    EXPECT_EQ(main.SetupLineSourceText[0].text(), "CTS");
    EXPECT_EQ(main.SetupLineSourceText[3].text(), "RI");
    EXPECT_EQ(main.SetupLineSourceText[4].text(), "-");
    main.SetupDevicePathText.edit("/dev/ttyUSB1");
    main.SetupLineSourceText[3].edit("-");
    main.SetupLineActiveCombo[1].pick(pickIndex(main.SetupLineActiveCombo[1], "high"));
    main.SetupAdapterUseButton.click();
    EXPECT_NE(main.SetupAdapterMessage.caption().find(settingsFile(test)), std::string::npos);

    const auto kept = devices::ReadAdapterSettings(settingsFile(test));
    EXPECT_EQ(kept.device, devices::DeviceKind::Serial);
    EXPECT_EQ(kept.path, "/dev/ttyUSB1");
    EXPECT_EQ(kept.lines[0].source, "CTS");
    EXPECT_EQ(kept.lines[2].source, "DCD");
    EXPECT_FALSE(kept.lines[3].wired());
    EXPECT_EQ(kept.lines[1].active, devices::ActiveLevel::High);
    EXPECT_EQ(kept.lines[0].active, devices::ActiveLevel::Meet);
    EXPECT_NE(readFile(settingsFile(test)).find("port=/dev/ttyUSB1\n"), std::string::npos);

    // The next load of the window shows what was kept.
    shell::ReloadMain(program);
    EXPECT_EQ(main.SetupDeviceCombo.text(), "serial");
    EXPECT_EQ(main.SetupDevicePathText.text(), "/dev/ttyUSB1");
    EXPECT_EQ(main.SetupLineSourceText[2].text(), "DCD");
    EXPECT_EQ(main.SetupLineSourceText[3].text(), "-");
    EXPECT_EQ(main.SetupLineActiveCombo[1].text(), "high");
}

TEST(LinesSetup, AChoiceThatIsNoneOfTheListIsRefusedAndNothingIsWritten) {
    TestProgram test;
    auto& main = test.start().Main;
    main.SetupLineBiasCombo[2].setText("pulled sideways");
    main.SetupAdapterUseButton.click();
    EXPECT_NE(main.SetupAdapterMessage.caption().find("pulled sideways"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(settingsFile(test)));
}

TEST(LinesSetup, AnOlderSettingsFileReadsAsItDid) {
    const auto simulated = devices::ParseAdapterSettings("device=simulated\ncontrol=/tmp/lines\n");
    EXPECT_EQ(simulated.device, devices::DeviceKind::Simulated);
    EXPECT_EQ(simulated.path, "/tmp/lines");
    EXPECT_EQ(simulated.lines[4].source, "4");
    const auto none = devices::ParseAdapterSettings("");
    EXPECT_EQ(none.device, devices::DeviceKind::Gpio);
    EXPECT_EQ(none.lines[0].bias, devices::Bias::PullUp);
    // What is written reads back the same.
    auto keys = devices::DefaultSettings(devices::DeviceKind::Keys);
    keys.path = "/dev/input/by-id/usb-footswitch-event-kbd";
    keys.lines[0].source = "KEY_F13";
    keys.grab = false;
    const auto again = devices::ParseAdapterSettings(devices::FormatAdapterSettings(keys));
    EXPECT_EQ(again.device, devices::DeviceKind::Keys);
    EXPECT_EQ(again.path, keys.path);
    EXPECT_EQ(again.lines[0].source, "KEY_F13");
    EXPECT_FALSE(again.lines[1].wired());
    EXPECT_FALSE(again.grab);
}

TEST(LinesSetup, TheProgramsAdapterChangesToTheChosenDevice) {
    TestProgram test;
    devices::ConfiguredAdapter adapter(devices::DefaultSettings(devices::DeviceKind::Gpio));
    test.useAdapter(adapter);
    auto& main = test.start().Main;
    main.SetupDeviceCombo.pick(pickIndex(main.SetupDeviceCombo, "simulated"));
    main.SetupDevicePathText.edit((test.folder() / "lines").string());
    main.SetupAdapterUseButton.click();
    EXPECT_EQ(adapter.settings().device, devices::DeviceKind::Simulated);
    EXPECT_EQ(adapter.description(), "simulated " + (test.folder() / "lines").string());
    main.SetupCheck[3].setChecked(true);  // opens the simulated adapter: no failure
    EXPECT_TRUE(main.SetupCheck[3].checked());
    EXPECT_TRUE(std::filesystem::exists(test.folder() / "lines"));
    main.SetupCheck[3].setChecked(false);
}

TEST(LinesSetup, TestLinesShowsEachLineLiveWithoutCapturing) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    test.makeAndOpenMeet();
    main.SetupChannelCheck[0].setChecked(true);
    EXPECT_FALSE(main.TestLinesFrame.visible());
    main.SetupTestLinesCheck.setChecked(true);
    EXPECT_TRUE(main.TestLinesFrame.visible());
    EXPECT_TRUE(test.adapter.isOpen());
    main.Hitime3.tick();
    EXPECT_EQ(main.TestLineText[0].caption(), "Linje 1: høy, 0 flanker");
    EXPECT_FALSE(main.TestLineLamp[0].lit());
    test.clock.time = {9, 15, 0, 250};
    test.adapter.setLevel(0, 0);
    main.Hitime3.tick();
    EXPECT_EQ(main.TestLineText[0].caption(),
              "Linje 1: lav (aktiv), 1 flanker, siste fallende kl. 09.15.00.250");
    EXPECT_TRUE(main.TestLineLamp[0].lit());
    for (int i = 0; i < 30; ++i) main.Hitime1.tick();
    EXPECT_EQ(program.meet->registeredCount(), 0);  // testing captures nothing

    // Automatic capture takes the device over; the view goes on showing the lines.
    test.adapter.setLevel(0, 1);
    main.SetupCheck[3].setChecked(true);
    EXPECT_TRUE(program.adapterOpen);
    EXPECT_FALSE(program.linesTesting);
    test.adapter.setLevel(0, 0);
    for (int i = 0; i < 25; ++i) main.Hitime1.tick();  // the delay of 20 polls
    EXPECT_EQ(program.meet->registeredCount(), 1);
    main.Hitime3.tick();
    EXPECT_TRUE(main.TestLineLamp[0].lit());
    main.SetupCheck[3].setChecked(false);
    EXPECT_TRUE(program.linesTesting);  // the view has the device to itself again
    main.SetupTestLinesCheck.setChecked(false);
    EXPECT_FALSE(test.adapter.isOpen());
    EXPECT_FALSE(main.TestLinesFrame.visible());
}

TEST(LinesSetup, ADeviceThatCannotBeOpenedForATestSaysWhy) {
    TestProgram test;
    auto& main = test.start().Main;
    test.adapter.failNextOpen();
    main.SetupTestLinesCheck.setChecked(true);
    EXPECT_FALSE(main.SetupTestLinesCheck.checked());
    ASSERT_FALSE(test.dialogs.messages.empty());
    EXPECT_EQ(test.dialogs.messages.back().text, "Linjene kan ikke testes: no simulated device");
}
