// A timer on a serial line through a pseudo-terminal pair: the program's real serial code
// (termios, rate, handshake, the reader thread) on one end, the test writing the timer's
// records on the other; the cable pulled and plugged in again mid-race.
#include "devices/timer_link.h"

#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "lang/timer_texts.h"
#include "support/fakes.h"
#include "support/pty_timer.h"

using namespace kvt;
using namespace std::chrono_literals;
using devices::Impulse;
using devices::LinkState;
using devices::RecordKind;
using devices::TimerKind;
using kvt::testing::PtyTimer;

namespace {

std::string portPath() {
    static int count = 0;
    return (std::filesystem::temp_directory_path() /
            ("kvt-timer-" + std::to_string(::getpid()) + "-" + std::to_string(++count)))
        .string();
}

devices::TimerLinkSettings settingsFor(const PtyTimer& timer, TimerKind kind,
                                       std::array<std::string, 6> lines = {"C0", "C1", "-", "-",
                                                                           "-", "-"}) {
    devices::TimerLinkSettings settings;
    settings.kind = kind;
    settings.port = timer.path();
    settings.rate = devices::DefaultRate(kind);
    settings.lines = lines;
    settings.retryFirst = 5ms;
    settings.retryLast = 40ms;
    return settings;
}

// Takes impulses until count have come or two seconds passed.
std::vector<Impulse> takeUntil(devices::TimerLink& link, std::size_t count) {
    std::vector<Impulse> impulses;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (impulses.size() < count && std::chrono::steady_clock::now() < end)
        link.take(50ms, impulses);
    return impulses;
}

bool waitFor(const std::function<bool()>& condition) {
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

std::string algeRecord(char flag, int number, const std::string& channel, const char* time) {
    char text[64];
    std::snprintf(text, sizeof text, "%c%04d %-3s %s 00\r", flag, number, channel.c_str(), time);
    return text;
}

Impulse algeRecordRead(const std::string& record) {
    return devices::ParseTimerRecord(TimerKind::AlgeTimy, record);
}

long registrable(const std::vector<Impulse>& impulses) {
    long count = 0;
    for (const auto& impulse : impulses) count += impulse.registrable() ? 1 : 0;
    return count;
}

}  // namespace

TEST(TimerLink, RecordsArriveWithTheTimersTimeTheirLineAndTheirRawRecord) {
    PtyTimer timer(portPath());
    kvt::testing::FakeClock clock;
    clock.time = {9, 59, 59, 500};
    devices::TimerLink link(settingsFor(timer, TimerKind::AlgeTimy), &clock);
    link.start();
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
    ASSERT_TRUE(timer.send("?0300 C0  10:00:00.0009 00\r 0300 C1  10:01:14.3004 00\r"));
    auto impulses = takeUntil(link, 2);
    ASSERT_EQ(impulses.size(), 2u);
    EXPECT_EQ(impulses[0].line, 0);
    EXPECT_EQ(impulses[1].line, 1);
    EXPECT_EQ(impulses[0].raw, "?0300 C0  10:00:00.0009 00");
    EXPECT_EQ(impulses[1].number, 300);
    // The timer's own time of day, not the clock's; the arrival on the clock beside it.
    EXPECT_EQ(base::PreciseRaceHundredths(impulses[0].timeOfDay, impulses[1].timeOfDay), 7429);
    EXPECT_EQ(impulses[1].arrival, kvt::testing::FakeClock::Nanoseconds(clock.time));
    EXPECT_EQ(impulses[1].arrivalTime.second, 59);
    EXPECT_TRUE(impulses[0].registrable());
    EXPECT_EQ(link.counters().impulses, 2);
}

TEST(TimerLink, ThePortIsSetRawAtTheTimersRateWithItsHandshake) {
    for (bool handshake : {false, true}) {
        PtyTimer timer(portPath());
        auto settings = settingsFor(timer, TimerKind::AlgeTimy2);
        settings.rtsCts = handshake;
        devices::TimerLink link(settings);
        link.start();
        ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
        termios port{};
        ASSERT_EQ(::tcgetattr(timer.slave(), &port), 0);
        EXPECT_EQ(::cfgetispeed(&port), static_cast<speed_t>(B38400));
        EXPECT_EQ(::cfgetospeed(&port), static_cast<speed_t>(B38400));
        EXPECT_EQ(port.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_EQ(port.c_cflag & (PARENB | CSTOPB), 0u);
        EXPECT_EQ((port.c_cflag & CRTSCTS) != 0, handshake);
        EXPECT_EQ(port.c_lflag & (ICANON | ECHO | ISIG), 0u);
        EXPECT_EQ(port.c_iflag & (ICRNL | IXON), 0u);
        // A CR arrives as a CR: the record ends where the timer ended it.
        ASSERT_TRUE(timer.send(" 0012 C1  10:01:14:3004\r"));
        auto impulses = takeUntil(link, 1);
        ASSERT_EQ(impulses.size(), 1u);
        EXPECT_EQ(impulses[0].raw, " 0012 C1  10:01:14:3004");
    }
    devices::TimerLinkSettings odd;
    odd.rate = 12345;
    PtyTimer timer(portPath());
    EXPECT_NE(devices::ConfigureSerialPort(timer.slave(), 12345, false), "");
}

TEST(TimerLink, RecordsSplitAcrossReadsAndSeveralInOneReadEachComeOnce) {
    PtyTimer timer(portPath());
    devices::TimerLink link(settingsFor(timer, TimerKind::AlgeTimy));
    link.start();
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
    const std::string first = algeRecord(' ', 1, "C0", "09:00:00.0001");
    for (char byte : first) {
        ASSERT_TRUE(timer.send(std::string_view(&byte, 1)));
        std::this_thread::sleep_for(1ms);
    }
    std::string batch;
    for (int n = 2; n <= 20; ++n) batch += algeRecord(' ', n, "C1", "09:01:00.0000");
    // One record of the batch cut in two writes, the rest in one.
    ASSERT_TRUE(timer.send(batch.substr(0, 40)));
    std::this_thread::sleep_for(5ms);
    ASSERT_TRUE(timer.send(batch.substr(40)));
    auto impulses = takeUntil(link, 20);
    ASSERT_EQ(impulses.size(), 20u);
    for (int n = 1; n <= 20; ++n) EXPECT_EQ(impulses[n - 1].number, n);
    EXPECT_EQ(registrable(impulses), 20);
    EXPECT_EQ(link.counters().unreadable, 0);
}

TEST(TimerLink, ASessionWithEveryFlagBadChecksumsNoiseAndOverlongLinesIsSurvived) {
    PtyTimer timer(portPath());
    devices::TimerLink link(settingsFor(timer, TimerKind::AlgeTimy));
    link.start();
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
    const std::string session = algeRecord(' ', 1, "C0", "23:59:58.7501") +   // before midnight
                                algeRecord('?', 2, "C0", "23:59:59.9999") +   // no valid number
                                algeRecord(' ', 1, "C1", "00:00:01.2500") +   // after midnight
                                algeRecord('c', 2, "C0", "23:59:59.9999") +   // cleared
                                algeRecord('d', 3, "C1", "00:00:02.0000") +   // disqualified
                                algeRecord('i', 4, "C1", "00:00:03.0000") +   // typed in
                                algeRecord(' ', 5, "C0M", "00:00:04.0000") +  // the keypad
                                " 0006 C1  00:00:05.0000 00=0\r" +            // checksum wrong
                                std::string("\xff\xfe\x00\x81", 4) +
                                algeRecord(' ', 7, "C1", "00:00:06.0000") +  // noise
                                std::string(1000, 'Z') + "\r" +              // an overlong line
                                std::string("\x01\x02\x03 junk \x84\r") +    // garbage
                                "n0008\r" +  // a number chosen on the timer
                                algeRecord(' ', 8, "C1", "00:00:07.0000");
    ASSERT_TRUE(timer.send(session));
    auto impulses = takeUntil(link, 13);
    ASSERT_EQ(impulses.size(), 13u);
    std::map<RecordKind, int> kinds;
    for (const auto& impulse : impulses) ++kinds[impulse.kind];
    EXPECT_EQ(kinds[RecordKind::Time], 9);
    EXPECT_EQ(kinds[RecordKind::Unreadable], 3);
    EXPECT_EQ(kinds[RecordKind::NumberGiven], 1);
    // Registered: 1, 2 (without a valid number), 1's finish, 4 (typed in), 5, 7 and 8.
    EXPECT_EQ(registrable(impulses), 7);
    EXPECT_TRUE(impulses[3].has(devices::Cleared));
    EXPECT_FALSE(impulses[3].registrable());
    EXPECT_TRUE(impulses[4].has(devices::Disqualified));
    EXPECT_TRUE(impulses[6].byHand);
    EXPECT_EQ(impulses[6].line, 0);
    EXPECT_EQ(impulses[2].timeOfDay, 1250000);
    EXPECT_EQ(base::PreciseRaceHundredths(impulses[0].timeOfDay, impulses[2].timeOfDay), 249);
    const auto counters = link.counters();
    EXPECT_EQ(counters.checksumWrong, 1);
    EXPECT_EQ(counters.overlong, 1);
    EXPECT_EQ(counters.unreadable, 3);
    EXPECT_EQ(impulses[7].raw, " 0006 C1  00:00:05.0000 00=0");
    EXPECT_EQ(impulses[9].raw.size(), devices::RecordFramer::MaxRecord);
    EXPECT_EQ(impulses[12].number, 8);
}

TEST(TimerLink, EachTimerKindIsReadThroughThePort) {
    struct Case {
        TimerKind kind;
        std::array<std::string, 6> lines;
        std::string session;
    };
    const std::string rei = std::string("\x10") + "00000000001" + "00007" + "001000000" + "000" +
                            "0" + "1000000009" + "\n" + std::string("\x10") + "00000000001" +
                            "00007" + "001000000" + "255" + "0" + "1001143004" + "\n";
    const Case cases[] = {
        {TimerKind::AlgeTimy,
         {"C0", "C1", "-", "-", "-", "-"},
         " 0007 C0  10:00:00.0009 00\r 0007 C1  10:01:14.3004 00\r"},
        {TimerKind::AlgeTimy2,
         {"C0", "C1", "-", "-", "-", "-"},
         "10:00:00.0\r 0007 C0  10:00:00:0009\r10:00:00.1\r 0007 C1  10:01:14:3004\r"},
        {TimerKind::TagHeuer,
         {"1", "2", "-", "-", "-", "-"},
         "TN 0007 0001 01 10:00:00.00090 00000\r\nTN 0007 0002 02 10:01:14.30040 00000\r\n"},
        {TimerKind::MicrogateRei, {"000", "255", "-", "-", "-", "-"}, rei},
        {TimerKind::MicrogateRacetime,
         {"1", "2", "-", "-", "-", "-"},
         "007  00110:00:00.000  \n007  00210:01:14.300  \n"},
    };
    for (const auto& c : cases) {
        PtyTimer timer(portPath());
        devices::TimerLink link(settingsFor(timer, c.kind, c.lines));
        link.start();
        ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
        ASSERT_TRUE(timer.send(c.session));
        std::vector<Impulse> times;
        const auto end = std::chrono::steady_clock::now() + 2s;
        while (times.size() < 2 && std::chrono::steady_clock::now() < end) {
            std::vector<Impulse> taken;
            link.take(50ms, taken);
            for (auto& impulse : taken)
                if (impulse.kind == RecordKind::Time) times.push_back(impulse);
        }
        ASSERT_EQ(times.size(), 2u) << devices::TimerKindName(c.kind);
        EXPECT_EQ(times[0].line, 0) << devices::TimerKindName(c.kind);
        EXPECT_EQ(times[1].line, 1) << devices::TimerKindName(c.kind);
        EXPECT_EQ(times[1].number, 7) << devices::TimerKindName(c.kind);
        EXPECT_EQ(registrable(times), 2) << devices::TimerKindName(c.kind);
        EXPECT_EQ(link.counters().unreadable, 0) << devices::TimerKindName(c.kind);
    }
}

TEST(TimerLink, TheCablePulledMidRaceLosesNoTimeAndRegistersNoneTwice) {
    PtyTimer timer(portPath());
    devices::TimerLink link(settingsFor(timer, TimerKind::AlgeTimy));
    link.start();
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
    // The timer's memory: every time it stamped, whether the program heard it or not.
    std::vector<std::string> memory;
    auto stamp = [&](int n) {
        char time[32];
        std::snprintf(time, sizeof time, "10:%02d:%02d.%04d", n / 60, n % 60, n * 7 % 10000);
        memory.push_back(algeRecord(' ', n, n % 2 ? "C0" : "C1", time));
        return memory.back();
    };
    std::vector<Impulse> taken;
    for (int n = 1; n <= 10; ++n) ASSERT_TRUE(timer.send(stamp(n)));
    // A record cut in the middle by the cable.
    ASSERT_TRUE(timer.send(stamp(11).substr(0, 12)));
    auto live = takeUntil(link, 10);
    taken.insert(taken.end(), live.begin(), live.end());
    timer.pull();
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Waiting; }));
    EXPECT_EQ(link.counters().cuts, 1);
    EXPECT_EQ(devices::Diagnose(link.state(), link.counters()), devices::LinkDiagnosis::Cut);
    // The timer goes on stamping while the cable is out.
    for (int n = 12; n <= 15; ++n) stamp(n);
    std::this_thread::sleep_for(30ms);  // the link tries the port that is not there
    ASSERT_TRUE(timer.plugIn());
    // Back: the program asks for the memory, and the timer sends all of it.
    EXPECT_EQ(timer.receive("DUMP\r", 2s), "DUMP\r");
    EXPECT_EQ(link.state(), LinkState::Open);
    std::string dump;
    for (auto record : memory) {
        record[0] = 'm';
        dump += record;
    }
    ASSERT_TRUE(timer.send(dump));
    auto again = takeUntil(link, 15);
    taken.insert(taken.end(), again.begin(), again.end());
    std::multiset<int> registered;
    long repeated = 0;
    for (const auto& impulse : taken) {
        if (impulse.registrable()) registered.insert(impulse.number);
        if (impulse.has(devices::Repeated)) ++repeated;
    }
    for (int n = 1; n <= 15; ++n) EXPECT_EQ(registered.count(n), 1u) << n;
    EXPECT_EQ(registered.size(), 15u);
    EXPECT_EQ(repeated, 10);
    EXPECT_EQ(link.counters().memoryRequests, 1);
    EXPECT_EQ(link.counters().unreadable, 0);  // the half record died with the cable
}

TEST(TimerLink, WithoutAPortTheLinkWaitsAndTakesTheTimerWhenItIsPluggedIn) {
    PtyTimer timer(portPath());
    timer.pull();
    devices::TimerLink link(settingsFor(timer, TimerKind::AlgeTimy));
    link.start();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(link.state(), LinkState::Waiting);
    EXPECT_NE(link.lastError(), "");
    EXPECT_EQ(devices::Diagnose(link.state(), link.counters()), devices::LinkDiagnosis::NoPort);
    ASSERT_TRUE(timer.plugIn());
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
    EXPECT_EQ(devices::Diagnose(link.state(), link.counters()),
              devices::LinkDiagnosis::NothingReceived);
    // Never cut, so nothing is asked of the timer.
    EXPECT_EQ(timer.receive("DUMP", 50ms), "");
    ASSERT_TRUE(timer.send(algeRecord(' ', 1, "C0", "10:00:00.0000")));
    EXPECT_EQ(takeUntil(link, 1).size(), 1u);
    EXPECT_EQ(devices::Diagnose(link.state(), link.counters()), devices::LinkDiagnosis::Working);
    link.stop();
    EXPECT_EQ(link.state(), LinkState::Stopped);
}

TEST(TimerLink, AWrongRateAndAnotherTimersRecordsAreToldApartInWordsAnOfficialUnderstands) {
    {
        PtyTimer timer(portPath());
        devices::TimerLink link(settingsFor(timer, TimerKind::AlgeTimy));
        link.start();
        ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
        // What 9600 baud looks like read at another rate: bytes no timer sends as text.
        std::string wrong;
        for (int i = 0; i < 100; ++i) wrong += static_cast<char>(0x80 | (i * 37 % 128));
        ASSERT_TRUE(timer.send(wrong));
        ASSERT_TRUE(waitFor([&] { return link.counters().bytes == 100; }));
        EXPECT_EQ(devices::Diagnose(link.state(), link.counters()),
                  devices::LinkDiagnosis::WrongRate);
    }
    {
        PtyTimer timer(portPath());
        devices::TimerLink link(settingsFor(timer, TimerKind::AlgeTimy));
        link.start();
        ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
        ASSERT_TRUE(timer.send("TN 0003 0001 01 12:11:03.73200 00000\r\n"));
        ASSERT_TRUE(waitFor([&] { return link.counters().records >= 1; }));
        EXPECT_EQ(devices::Diagnose(link.state(), link.counters()),
                  devices::LinkDiagnosis::Garbage);
    }
    std::set<std::string> texts;
    for (auto language : {lang::Language::English, lang::Language::Norwegian})
        for (auto condition :
             {lang::TimerLinkCondition::Working, lang::TimerLinkCondition::NoPort,
              lang::TimerLinkCondition::NothingReceived, lang::TimerLinkCondition::WrongRate,
              lang::TimerLinkCondition::Garbage, lang::TimerLinkCondition::Cut})
            texts.insert(lang::TimerLinkText(language, condition, "/dev/ttyUSB0", 9600));
    EXPECT_EQ(texts.size(), 12u);  // each condition its own words, in each language
    EXPECT_NE(lang::TimerLinkText(lang::Language::English, lang::TimerLinkCondition::WrongRate,
                                  "/dev/ttyUSB0", 9600)
                  .find("9600 baud"),
              std::string::npos);
}

TEST(TimerChannels, EachLineTakesTheChannelItsSettingNames) {
    const std::array<std::string, 6> lines{"C0", "C1", "-", "-", "-", "-"};
    EXPECT_EQ(devices::TimerLine(lines, "C0"), 0);
    EXPECT_EQ(devices::TimerLine(lines, "C1"), 1);
    EXPECT_EQ(devices::TimerLine(lines, "C2"), -1);
}

TEST(RepeatedTimes, TheSameImpulseSentAgainIsKnownAndAnotherIsNot) {
    devices::RepeatFilter filter;
    auto live = algeRecordRead("?0300 C0  08:53:39.4922 00");
    EXPECT_FALSE(filter.repeated(live));
    EXPECT_TRUE(filter.repeated(algeRecordRead("m0300 C0  08:53:39.4922 00")));
    // The memory may carry a number the live record lacked.
    auto unnumbered = algeRecordRead(" 0000 C1  08:55:00.0001 00");
    EXPECT_FALSE(filter.repeated(unnumbered));
    EXPECT_TRUE(filter.repeated(algeRecordRead("m0017 C1  08:55:00.0001 00")));
    // Another channel, the keypad, another ten-thousandth, or two numbers: other impulses.
    EXPECT_FALSE(filter.repeated(algeRecordRead(" 0300 C1  08:53:39.4922 00")));
    EXPECT_FALSE(filter.repeated(algeRecordRead(" 0300 C0M 08:53:39.4922 00")));
    EXPECT_FALSE(filter.repeated(algeRecordRead(" 0300 C0  08:53:39.4923 00")));
    EXPECT_FALSE(filter.repeated(algeRecordRead(" 0021 C1  09:00:00.5000 00")));
    EXPECT_FALSE(filter.repeated(algeRecordRead(" 0022 C1  09:00:00.5000 00")));
    // A clear is a message of its own about a time, known again when sent again.
    EXPECT_FALSE(filter.repeated(algeRecordRead("c0300 C0  08:53:39.4922 00")));
    EXPECT_TRUE(filter.repeated(algeRecordRead("C0300 C0  08:53:39.4922 00")));
    EXPECT_FALSE(filter.repeated(algeRecordRead("n0300")));
}

TEST(TimerClock, TheTimersOffsetIsMeasuredFromTheRecordsSentAsTheyWereStamped) {
    auto arrived = [](const char* record, base::LocalTime arrival) {
        auto impulse = algeRecordRead(record);
        impulse.arrivalTime = arrival;
        return impulse;
    };
    devices::TimerClockOffset offset;
    EXPECT_FALSE(offset.known());
    // The timer 20 ms behind the race clock; the second record held up on the line.
    offset.add(arrived(" 0001 C0  10:00:00.5000 00", {10, 0, 0, 520}));
    offset.add(arrived(" 0002 C0  10:00:01.0000 00", {10, 0, 1, 505}));
    // Times from the memory, typed in, or from the keypad say nothing of it.
    offset.add(arrived("m0003 C0  09:00:00.0000 00", {10, 0, 2, 0}));
    offset.add(arrived("i0004 C0  11:00:00.0000 00", {10, 0, 2, 0}));
    offset.add(arrived(" 0005 C0M 11:00:00.0000 00", {10, 0, 2, 0}));
    ASSERT_TRUE(offset.known());
    EXPECT_EQ(offset.records(), 2);
    EXPECT_EQ(offset.microseconds(), -20000);
    // Across midnight it is still a few milliseconds, not a day.
    devices::TimerClockOffset midnight;
    midnight.add(arrived(" 0001 C1  23:59:59.9990 00", {0, 0, 0, 10}));
    EXPECT_EQ(midnight.microseconds(), -11000);
    devices::TimerClockOffset ahead;
    ahead.add(arrived(" 0001 C1  00:00:00.0030 00", {23, 59, 59, 999}));
    EXPECT_EQ(ahead.microseconds(), 4000);
}

TEST(TimerLink, TheMemoryIsAskedForWithTheWordTheSettingsNameOrNeverWhenTheySaySo) {
    {
        PtyTimer timer(portPath());
        auto settings = settingsFor(timer, TimerKind::TagHeuer);
        settings.memoryWord = "#RM";
        devices::TimerLink link(settings);
        link.start();
        ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
        link.askMemory();  // the operator asks
        EXPECT_EQ(timer.receive("\r\n", 2s), "#RM\r\n");
    }
    PtyTimer timer(portPath());
    auto settings = settingsFor(timer, TimerKind::AlgeTimy);
    settings.memoryWord = "-";
    devices::TimerLink link(settings);
    link.start();
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
    timer.pull();
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Waiting; }));
    ASSERT_TRUE(timer.plugIn());
    ASSERT_TRUE(waitFor([&] { return link.state() == LinkState::Open; }));
    EXPECT_EQ(timer.receive("\r", 100ms), "");
    EXPECT_EQ(link.counters().memoryRequests, 0);
    // A timer without a memory command is never asked.
    EXPECT_EQ(devices::MemoryRequest(TimerKind::MicrogateRei), "");
    EXPECT_EQ(devices::MemoryRequest(TimerKind::AlgeTimy), "DUMP\r");
}
