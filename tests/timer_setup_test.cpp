// A timer chosen on the setup page: its settings kept as the adapter reads them, its link told
// in words an official understands on the setup page and the capture page, its memory asked for
// with a button, and its records shown raw by "Test lines" with what was read from them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "devices/adapter.h"
#include "shell/commands.h"
#include "shell/meet_commands.h"
#include "support/fakes.h"
#include "support/pty_timer.h"

using namespace kvt;
using namespace std::chrono_literals;
using kvt::testing::PtyTimer;
using kvt::testing::TestProgram;

namespace {

std::string settingsFile(const TestProgram& test) {
    return devices::AdapterSettingsPath(test.folder().string());
}

std::string readFile(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void pick(ui::ComboBox& combo, const std::string& item) {
    for (std::size_t i = 0; i < combo.items().size(); ++i)
        if (combo.items()[i] == item) return combo.pick(static_cast<int>(i));
    FAIL() << item << " is not a choice";
}

std::string portPath() {
    static int count = 0;
    return (std::filesystem::temp_directory_path() /
            ("kvt-timer-setup-" + std::to_string(::getpid()) + "-" + std::to_string(++count)))
        .string();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A program whose adapter the setup page changes, with a timer at the far end of a pty.
class TimerPage : public ::testing::Test {
protected:
    void SetUp() override {
        test.useAdapter(adapter);
        test.start();
    }
    ui::MainWindow& main() { return test.program().Main; }
    // The page set to an ALGE timer on the pty, lines 1 and 2 its start and finish.
    void chooseTimer(const std::string& kind = "alge-timy") {
        pick(main().SetupDeviceCombo, "timer");
        pick(main().SetupTimerKindCombo, kind);
        main().SetupDevicePathText.edit(timer.path());
        main().SetupAdapterUseButton.click();
        ASSERT_EQ(adapter.settings().device, devices::DeviceKind::Timer);
    }
    // Ticks the page's clock until done holds or two seconds passed.
    bool tickUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + 2s;
        while (std::chrono::steady_clock::now() < end) {
            main().Hitime3.tick();
            main().Hitime2.tick();
            if (done()) return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    TestProgram test;
    devices::ConfiguredAdapter adapter{devices::DefaultSettings(devices::DeviceKind::Gpio)};
    PtyTimer timer{portPath()};
};

}  // namespace

TEST_F(TimerPage, TheTimerIsChosenOnTheLinesTabAndKeptAsTheAdapterReadsIt) {
    EXPECT_FALSE(main().SetupTimerFrame.visible());
    EXPECT_FALSE(main().TimeTimerMemoryButton.visible());
    pick(main().SetupDeviceCombo, "timer");
    EXPECT_TRUE(main().SetupTimerFrame.visible());
    EXPECT_EQ(main().SetupLineSourceText[0].text(), "C0");
    EXPECT_EQ(main().SetupLineSourceText[1].text(), "C1");
    EXPECT_EQ(main().SetupLineSourceText[2].text(), "-");
    EXPECT_EQ(main().SetupTimerRateText.text(), "9600");
    // Each kind brings its factory rate and the channels of its start and finish.
    pick(main().SetupTimerKindCombo, "microgate-rei");
    EXPECT_EQ(main().SetupLineSourceText[0].text(), "000");
    EXPECT_EQ(main().SetupLineSourceText[1].text(), "255");
    pick(main().SetupTimerKindCombo, "alge-timy2");
    EXPECT_EQ(main().SetupTimerRateText.text(), "38400");
    EXPECT_EQ(main().SetupLineSourceText[1].text(), "C1");

    main().SetupDevicePathText.edit("/dev/serial/by-id/usb-FTDI_timer-if00-port0");
    main().SetupTimerRateText.edit("19200");
    pick(main().SetupTimerHandshakeCombo, "rts-cts");
    main().SetupTimerMemoryText.edit("-");
    main().SetupLineSourceText[2].edit("C4");
    main().SetupAdapterUseButton.click();

    const auto kept = devices::ReadAdapterSettings(settingsFile(test));
    EXPECT_EQ(kept.device, devices::DeviceKind::Timer);
    EXPECT_EQ(kept.timer, "alge-timy2");
    EXPECT_EQ(kept.path, "/dev/serial/by-id/usb-FTDI_timer-if00-port0");
    EXPECT_EQ(kept.rate, 19200);
    EXPECT_TRUE(kept.rtsCts);
    EXPECT_EQ(kept.memoryWord, "-");
    EXPECT_EQ(kept.lines[0].source, "C0");
    EXPECT_EQ(kept.lines[1].source, "C1");
    EXPECT_EQ(kept.lines[2].source, "C4");
    EXPECT_FALSE(kept.lines[3].wired());
    const std::string file = readFile(settingsFile(test));
    for (const char* line : {"device=timer\n", "timer=alge-timy2\n", "rate=19200\n",
                             "handshake=rts-cts\n", "memory=-\n", "line3=C4\n"})
        EXPECT_TRUE(contains(file, line)) << line << " in\n" << file;
    // The adapter uses them: its link is the timer's.
    EXPECT_EQ(adapter.description(), "timer alge-timy2 /dev/serial/by-id/usb-FTDI_timer-if00-port0");

    // The next load of the window shows what was kept.
    shell::ReloadMain(test.program());
    EXPECT_EQ(main().SetupDeviceCombo.text(), "timer");
    EXPECT_EQ(main().SetupTimerKindCombo.text(), "alge-timy2");
    EXPECT_EQ(main().SetupTimerRateText.text(), "19200");
    EXPECT_EQ(main().SetupTimerHandshakeCombo.text(), "rts-cts");
    EXPECT_EQ(main().SetupTimerMemoryText.text(), "-");
    EXPECT_EQ(main().SetupLineSourceText[2].text(), "C4");
    EXPECT_TRUE(main().SetupTimerFrame.visible());
    EXPECT_TRUE(main().TimeTimerMemoryButton.visible());
}

TEST_F(TimerPage, ARateOrACommandThatCannotBeIsRefusedAndTheFileKeptAsItWas) {
    chooseTimer();
    const std::string before = readFile(settingsFile(test));
    for (const std::string rate : {"fast", "12345", "99999999"}) {
        main().SetupTimerRateText.edit(rate);
        main().SetupAdapterUseButton.click();
        EXPECT_TRUE(contains(main().SetupAdapterMessage.caption(), rate))
            << main().SetupAdapterMessage.caption();
        EXPECT_EQ(readFile(settingsFile(test)), before);
    }
    main().SetupTimerRateText.edit("");  // the timer's own rate
    main().SetupTimerMemoryText.edit("DUMP\nline1=KEY_A");
    main().SetupAdapterUseButton.click();
    EXPECT_EQ(readFile(settingsFile(test)), before);
    main().SetupTimerKindCombo.setText("a sundial");
    main().SetupTimerMemoryText.edit("");
    main().SetupAdapterUseButton.click();
    EXPECT_TRUE(contains(main().SetupAdapterMessage.caption(), "a sundial"));
    EXPECT_EQ(readFile(settingsFile(test)), before);
}

TEST_F(TimerPage, TheLinkIsToldInWordsOnBothPagesThroughACutAndTheMemoryIsAskedFor) {
    chooseTimer();
    // Nothing opened yet: nothing to tell.
    main().Hitime2.tick();
    EXPECT_EQ(main().TimeTimerLink.caption(), "");
    main().SetupTestLinesCheck.setChecked(true);
    ASSERT_TRUE(test.program().linesTesting);
    ASSERT_TRUE(
        tickUntil([&] { return contains(main().SetupTimerLink.caption(), "ingenting er kommet"); }))
        << main().SetupTimerLink.caption();
    EXPECT_EQ(main().TimeTimerLink.caption(), main().SetupTimerLink.caption());

    ASSERT_TRUE(timer.send(" 0007 C0  09:00:38.7600 00\r"));
    ASSERT_TRUE(tickUntil([&] { return contains(main().TimeTimerLink.caption(), "tilkoblet"); }))
        << main().TimeTimerLink.caption();
    // The timer's clock against the race clock, once a record has told it.
    EXPECT_TRUE(contains(main().TimeTimerLink.caption(), "løpsklokka"));
    EXPECT_TRUE(test.program().timerOffset.known());

    timer.pull();
    ASSERT_TRUE(tickUntil([&] { return contains(main().TimeTimerLink.caption(), "brutt"); }))
        << main().TimeTimerLink.caption();
    ASSERT_TRUE(timer.plugIn());
    ASSERT_TRUE(tickUntil([&] { return contains(main().TimeTimerLink.caption(), "igjen"); }))
        << main().TimeTimerLink.caption();
    // Back on the line the link asks for the memory itself; the button asks once more.
    EXPECT_TRUE(contains(timer.receive("DUMP\r", 2s), "DUMP\r"));
    main().TimeTimerMemoryButton.click();
    EXPECT_TRUE(contains(timer.receive("DUMP\r", 2s), "DUMP\r"));
    EXPECT_TRUE(contains(main().SetupTimerLink.caption(), "minne"));

    // The same in English, with the port named.
    main().SetupLanguageOption[1].select();
    main().Hitime2.tick();
    EXPECT_TRUE(contains(main().TimeTimerLink.caption(), "connected again on " + timer.path()))
        << main().TimeTimerLink.caption();
    main().SetupTestLinesCheck.setChecked(false);
}

TEST_F(TimerPage, AWrongRateIsToldAsSuch) {
    chooseTimer();
    main().SetupTestLinesCheck.setChecked(true);
    // What a timer at another rate makes of its records: bytes no timer sends.
    std::string noise;
    for (int i = 0; i < 40; ++i) noise += static_cast<char>(0xf0 + i % 13);
    ASSERT_TRUE(timer.send(noise + "\r"));
    ASSERT_TRUE(tickUntil([&] { return contains(main().SetupTimerLink.caption(), "baud"); }))
        << main().SetupTimerLink.caption();
    EXPECT_TRUE(contains(main().SetupTimerLink.caption(), "9600 baud"));
    main().SetupTestLinesCheck.setChecked(false);
}

TEST_F(TimerPage, TestLinesShowsEachRecordAsItCameWithWhatWasReadFromIt) {
    chooseTimer();
    main().SetupTestLinesCheck.setChecked(true);
    EXPECT_TRUE(main().TestTimerHeading.visible());
    ASSERT_TRUE(timer.send("?0001 C1  09:06:42.7183 00\rc0001 C0M 09:00:38.7600 00\r"));
    ASSERT_TRUE(timer.send("m0002 C1  09:07:01.5000 00\r" + std::string("\x01\x02zz&\r")));
    ASSERT_TRUE(
        tickUntil([&] { return !main().TestTimerRecord[3].caption().empty(); }));
    // The newest first.
    EXPECT_EQ(main().TestTimerRecord[3].caption(),
              "?0001 C1  09:06:42.7183 00  ->  C1, linje 2, 09:06:42.7183, nr. 1, ikke gyldig "
              "startnummer");
    EXPECT_EQ(main().TestTimerRecord[2].caption(),
              "c0001 C0M 09:00:38.7600 00  ->  C0M, linje 1, 09:00:38.7600, nr. 1, "
              "slettet på uret, gitt for hånd");
    EXPECT_EQ(main().TestTimerRecord[1].caption(),
              "m0002 C1  09:07:01.5000 00  ->  C1, linje 2, 09:07:01.5000, nr. 2, fra urets minne");
    // Bytes that are no text are shown by their values.
    EXPECT_EQ(main().TestTimerRecord[0].caption(), "<01><02>zz&&  ->  -, ingen linje, kunne ikke leses");
    // Testing registers nothing, and the records are not taken from a poll.
    EXPECT_FALSE(test.program().meet);
    main().SetupTestLinesCheck.setChecked(false);
    EXPECT_FALSE(main().TestTimerHeading.visible());
}

TEST_F(TimerPage, TheOptionsOfTheMeetAreStoredInItAndShownAgainWhenItOpens) {
    // No meet: nothing to keep them in.
    main().SetupGiveNumberedCheck.setChecked(true);
    EXPECT_FALSE(main().SetupGiveNumberedCheck.checked());
    const std::string path = test.makeAndOpenMeet();
    main().SetupGiveNumberedCheck.setChecked(true);
    main().SetupFullPrecisionCheck.setChecked(true);
    EXPECT_TRUE(test.program().meet->giveNumberedAtOnce());
    EXPECT_TRUE(test.program().meet->fullPrecision());
    ASSERT_TRUE(shell::CloseDatabase(test.program()));
    EXPECT_FALSE(main().SetupGiveNumberedCheck.checked());
    ASSERT_TRUE(shell::OpenDatabaseFile(test.program(), path));
    EXPECT_TRUE(main().SetupGiveNumberedCheck.checked());
    EXPECT_TRUE(main().SetupFullPrecisionCheck.checked());
    main().SetupGiveNumberedCheck.setChecked(false);
    EXPECT_FALSE(test.program().meet->giveNumberedAtOnce());
    EXPECT_TRUE(test.program().meet->fullPrecision());
}
