// A race timed by a timer at the far end of a serial line (a pseudo-terminal), for each kind of
// timer: chosen on the setup page, its starts and finishes taken by automatic capture, the
// numbers it sends giving the times at once, one time given by the operator with "<<", the
// cable pulled in the middle and the timer's memory sent again, and the lists written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "base/number_text.h"
#include "devices/adapter.h"
#include "devices/timer_protocols.h"
#include "meetdb/sqlite.h"
#include "shell/meet_commands.h"
#include "support/fakes.h"
#include "support/pty_timer.h"
#include "support/race_file.h"
#include "support/meet_query.h"

using namespace kvt;
using namespace std::chrono_literals;
using devices::TimerKind;
using kvt::testing::PtyTimer;
using kvt::testing::TestProgram;

namespace {

std::string portPath() {
    static int count = 0;
    return (std::filesystem::temp_directory_path() /
            ("kvt-timer-race-" + std::to_string(::getpid()) + "-" + std::to_string(++count)))
        .string();
}

void pick(ui::ComboBox& combo, const std::string& item) {
    for (std::size_t i = 0; i < combo.items().size(); ++i)
        if (combo.items()[i] == item) return combo.pick(static_cast<int>(i));
    FAIL() << item << " is not a choice";
}

std::string bytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// One impulse of the race: a competitor's start or finish at a time of day given to 1/10000 s.
struct Stamp {
    int number;  // -1: the timer had none
    bool finish;
    const char* time;  // HH:MM:SS.ffff
};

// The records each kind of timer sends, written from the record layouts.
std::string recordOf(TimerKind kind, const Stamp& stamp, bool fromMemory) {
    char text[96];
    const int number = stamp.number < 0 ? 0 : stamp.number;
    const std::string time = stamp.time;
    switch (kind) {
        case TimerKind::AlgeTimy:
            std::snprintf(text, sizeof text, "%c%04d C%d  %s 00\r",
                          fromMemory ? 'm' : (stamp.number < 0 ? '?' : ' '), number,
                          stamp.finish ? 1 : 0, time.c_str());
            return text;
        case TimerKind::AlgeTimy2: {
            // A colon before the fraction.
            std::string colon = time;
            colon[8] = ':';
            std::snprintf(text, sizeof text, "%c%04d C%d  %s\r", fromMemory ? 'm' : ' ', number,
                          stamp.finish ? 1 : 0, colon.c_str());
            return text;
        }
        case TimerKind::TagHeuer: {
            static int sequence = 0;
            std::snprintf(text, sizeof text, "TN %04d %04d %02d %s0 00000\r\n", number,
                          ++sequence % 10000, stamp.finish ? 2 : 1, time.c_str());
            return text;
        }
        case TimerKind::MicrogateRei: {
            std::string digits;
            for (char c : time)
                if (c != ':' && c != '.') digits += c;
            std::snprintf(text, sizeof text, "\x10%011d%05d001000000%s0%s\n", 1, number,
                          stamp.finish ? "255" : "000", digits.c_str());
            return text;
        }
        case TimerKind::MicrogateRacetime:
            // Thousandths: the last digit of the 1/10000 is not sent.
            std::snprintf(text, sizeof text, "%03d  %s%s  \n", number,
                          stamp.finish ? "001" : "000", time.substr(0, 12).c_str());
            return text;
    }
    return "";
}

// The race: competitor 4's start carries no number (given with "<<"), competitor 3's finish is
// stamped while the cable is out.
const Stamp Starts[] = {{1, false, "10:00:00.0009"},
                        {2, false, "10:00:30.0000"},
                        {3, false, "10:01:00.0000"},
                        {-1, false, "10:01:30.0000"}};
const Stamp FinishesBeforeTheCut[] = {{1, true, "10:01:14.3004"}, {2, true, "10:01:40.0000"}};
const Stamp WhileOut = {3, true, "10:02:20.5000"};
const Stamp LastFinish = {4, true, "10:02:45.1000"};

class TimerRace : public ::testing::TestWithParam<TimerKind> {
protected:
    TimerKind kind() const { return GetParam(); }
    meet::Meet& meet() { return *test.program().meet; }
    ui::MainWindow& main() { return test.program().Main; }

    // Polls as the window's timer does until done holds (or five seconds passed).
    bool pollUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < end) {
            main().Hitime1.tick();
            if (done()) return true;
            std::this_thread::sleep_for(2ms);
        }
        main().Hitime1.tick();
        return done();
    }
    bool send(const Stamp& stamp, bool fromMemory = false) {
        return timer.send(recordOf(kind(), stamp, fromMemory));
    }
    int rowOffering(int k) {
        for (int row = 0; row < meet::CaptureRows; ++row)
            if (meet().row(row).ready && base::TextToNumber(meet().row(row).regTimeIndex) == k)
                return row;
        return -1;
    }
    long long journalRows() { return kvt::testing::StoredRows(path, "Impulses"); }

    devices::ConfiguredAdapter adapter{devices::DefaultSettings(devices::DeviceKind::Gpio)};
    PtyTimer timer{portPath()};
    TestProgram test;
    std::string path;
};

}  // namespace

TEST_P(TimerRace, FromTheFirstStartToTheListsWithTheCablePulledInTheMiddle) {
    test.useAdapter(adapter);
    auto& program = test.start();
    program.Main.SetupCheck[1].setChecked(true);  // fictive names
    path = test.makeAndOpenMeet();
    // Four competitors in one class, none started.
    kvt::testing::PrepareRace(path, program.LanguageTexts, 4, 1, 0);
    {
        meetdb::Connection writer(path, meetdb::Connection::Mode::ReadWrite);
        writer.execute("DELETE FROM \"Tider\"");
        writer.execute(
            "UPDATE \"Oppsett\" SET \"29\" = '0', \"30\" = '0', \"31\" = '0', \"32\" = '0'");
    }
    ASSERT_TRUE(shell::CloseDatabase(program));
    ASSERT_TRUE(shell::OpenDatabaseFile(program, path));
    ASSERT_EQ(meet().competitor(4).state, meet::NotStarted);

    // The setup page: the timer on the pty, lines 1 and 2 its start and finish, the options.
    pick(main().SetupDeviceCombo, "timer");
    pick(main().SetupTimerKindCombo, devices::TimerKindName(kind()));
    main().SetupDevicePathText.edit(timer.path());
    main().SetupAdapterUseButton.click();
    ASSERT_EQ(adapter.settings().device, devices::DeviceKind::Timer);
    main().SetupChannelCheck[0].setChecked(true);
    main().SetupChannelCheck[1].setChecked(true);
    main().SetupTimerValue[2].setCaption("1");
    main().SetupTimeOption[3].select();  // hundredths in the lists
    main().SetupFullPrecisionCheck.setChecked(true);
    main().SetupGiveNumberedCheck.setChecked(true);
    ASSERT_TRUE(meet().fullPrecision() && meet().giveNumberedAtOnce());
    main().automaticCaptureCheck().setChecked(true);
    ASSERT_TRUE(program.adapterOpen);

    // The starts: three given at once by their numbers, the fourth waits in the list.
    for (const auto& stamp : Starts) ASSERT_TRUE(send(stamp));
    ASSERT_TRUE(pollUntil([&] { return meet().registeredCount() == 4; }));
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(meet().competitor(n).state, meet::Started) << n;
    const int row = rowOffering(4);
    ASSERT_GE(row, 0);
    main().Number[row].setText("4");
    main().Set[row].click();
    ASSERT_EQ(meet().competitor(4).state, meet::Started);

    for (const auto& stamp : FinishesBeforeTheCut) ASSERT_TRUE(send(stamp));
    ASSERT_TRUE(pollUntil([&] { return meet().competitor(2).state == meet::Finished; }));

    // The cable out: competitor 3 finishes meanwhile; the timer keeps it in its memory.
    timer.pull();
    ASSERT_TRUE(pollUntil([&] {
        devices::LinkState state{};
        devices::LinkCounters counters;
        adapter.timerLink(state, counters);
        return counters.cuts > 0;
    }));
    ASSERT_TRUE(timer.plugIn());
    const std::string request = devices::MemoryRequest(kind());
    if (!request.empty()) {
        // Back on the line the program asks for the memory, and the timer sends all of it.
        ASSERT_NE(timer.receive(request, 5s).find(request), std::string::npos);
        for (const auto& stamp : Starts) ASSERT_TRUE(send(stamp, true));
        for (const auto& stamp : FinishesBeforeTheCut) ASSERT_TRUE(send(stamp, true));
        ASSERT_TRUE(send(WhileOut, true));
    } else {
        // A timer without a memory command sends what it holds once the line is back, and
        // the last time again with it.
        ASSERT_TRUE(pollUntil([&] {
            devices::LinkState state{};
            devices::LinkCounters counters;
            adapter.timerLink(state, counters);
            return state == devices::LinkState::Open;
        }));
        ASSERT_TRUE(send(FinishesBeforeTheCut[1]));
        ASSERT_TRUE(send(WhileOut));
    }
    ASSERT_TRUE(send(LastFinish));
    ASSERT_TRUE(pollUntil([&] { return meet().competitor(4).state == meet::Finished; }));
    ASSERT_TRUE(pollUntil([&] { return meet().competitor(3).state == meet::Finished; }));
    for (int i = 0; i < 20; ++i) main().Hitime1.tick();

    // Every impulse once: four starts, four finishes; what came again is journaled only.
    EXPECT_EQ(meet().registeredCount(), 8);
    EXPECT_EQ(meet().unstoredTimes(), 0);
    EXPECT_GT(journalRows(), 8);
    // At full precision, cut at the end: 1:14.2995 is 1:14.29 (a Racetime2 sends thousandths,
    // and its start was 10:00:00.000).
    EXPECT_EQ(meet().raceTime(meet().competitor(1)),
              kind() == TimerKind::MicrogateRacetime ? "00.01.14.30" : "00.01.14.29");
    EXPECT_EQ(meet().raceTime(meet().competitor(2)), "00.01.10.00");
    EXPECT_EQ(meet().raceTime(meet().competitor(3)), "00.01.20.50");
    EXPECT_EQ(meet().raceTime(meet().competitor(4)), "00.01.15.10");
    for (const auto& notice : test.dialogs.notices)
        EXPECT_EQ(notice.find("klokker"), std::string::npos) << notice;

    // The lists, ranked: 2, 1, 4, 3.
    program.MDIMain.MakeResultslist.click();
    program.MDIMain.MakeResultslistHtml.click();
    const std::string list = bytes(test.folder() / "Meet" / "Resultat.txt");
    const std::string html = bytes(test.folder() / "Meet" / "Resultat.htm");
    ASSERT_FALSE(list.empty());
    ASSERT_FALSE(html.empty());
    const auto& rows = meet().results(1).rows();
    ASSERT_EQ(rows.size(), 4u);
    // The rows of the text list: place, number, name, club, result.
    std::vector<int> numbers;
    std::istringstream lines(list);
    for (std::string line; std::getline(lines, line);) {
        int place = 0, number = 0;
        if (std::sscanf(line.c_str(), "%d: %d:", &place, &number) == 2) numbers.push_back(number);
    }
    EXPECT_EQ(numbers, (std::vector<int>{2, 1, 4, 3})) << list;
    const std::string first = kind() == TimerKind::MicrogateRacetime ? "00.01.14,30" : "00.01.14,29";
    for (const std::string& result : {std::string("00.01.10,00"), first,
                                      std::string("00.01.15,10"), std::string("00.01.20,50")}) {
        EXPECT_NE(list.find(result), std::string::npos) << result << " in\n" << list;
        EXPECT_NE(html.find(result), std::string::npos) << result;
    }
    main().automaticCaptureCheck().setChecked(false);
}

INSTANTIATE_TEST_SUITE_P(EachKind, TimerRace,
                         ::testing::Values(TimerKind::AlgeTimy, TimerKind::AlgeTimy2,
                                           TimerKind::TagHeuer, TimerKind::MicrogateRei,
                                           TimerKind::MicrogateRacetime),
                         [](const ::testing::TestParamInfo<TimerKind>& info) {
                             switch (info.param) {
                                 case TimerKind::AlgeTimy:
                                     return "AlgeTimy";
                                 case TimerKind::AlgeTimy2:
                                     return "AlgeTimy2";
                                 case TimerKind::TagHeuer:
                                     return "TagHeuer";
                                 case TimerKind::MicrogateRei:
                                     return "MicrogateRei";
                                 case TimerKind::MicrogateRacetime:
                                     return "MicrogateRacetime2";
                             }
                             return "Other";
                         });
