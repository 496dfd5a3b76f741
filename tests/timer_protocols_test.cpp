// The records of each timer read from bytes alone: recorded sessions written from the record
// layouts, with every flag, checksums right and wrong, noise, overlong lines and midnight.
#include "devices/timer_protocols.h"

#include <gtest/gtest.h>

#include <random>

using namespace kvt;
using devices::Impulse;
using devices::RecordKind;
using devices::RecordProblem;
using devices::TimerKind;

namespace {

base::DayMicroseconds clock(const char* text) {
    base::DayMicroseconds time = -1;
    int decimals = 0;
    EXPECT_TRUE(base::ParseClockTime(text, time, decimals)) << text;
    return time;
}

Impulse alge(const std::string& record) {
    return devices::ParseTimerRecord(TimerKind::AlgeTimy, record);
}

// A Microgate REI full time record: kind byte, then the columns of the layout.
std::string reiRecord(const std::string& number, const std::string& channel, char validity,
                      const std::string& time) {
    return std::string("\x10") + "00000000001" + number + "001" + "000000" + channel + validity +
           time;
}

}  // namespace

TEST(AlgeRecords, TheRecordsOfATdCAreReadColumnByColumn) {
    auto first = alge("?0300 C0  08:53:39.4922 00");
    EXPECT_EQ(first.kind, RecordKind::Time);
    EXPECT_TRUE(first.has(devices::NoValidNumber));
    EXPECT_EQ(first.number, 300);
    EXPECT_EQ(first.channel, "C0");
    EXPECT_FALSE(first.byHand);
    EXPECT_EQ(first.timeOfDay, clock("08:53:39.4922"));
    EXPECT_EQ(first.decimals, 4);
    EXPECT_EQ(first.raw, "?0300 C0  08:53:39.4922 00");

    auto keypad = alge(" 0001 C0M 09:00:38.7600 00");
    EXPECT_EQ(keypad.kind, RecordKind::Time);
    EXPECT_TRUE(keypad.byHand);
    EXPECT_EQ(keypad.flags, 0u);
    EXPECT_EQ(keypad.number, 1);

    auto cleared = alge("c0001 C0M 09:00:38.7600 00");
    EXPECT_TRUE(cleared.has(devices::Cleared));
    EXPECT_EQ(cleared.timeOfDay, keypad.timeOfDay);

    auto number = alge("n0001");
    EXPECT_EQ(number.kind, RecordKind::NumberGiven);
    EXPECT_EQ(number.number, 1);
    EXPECT_FALSE(number.hasTime);
}

TEST(AlgeRecords, EveryFlagIsReadAndAnUnknownOneIsNeverTakenForATime) {
    struct Case {
        char flag;
        unsigned flags;
    };
    const Case cases[] = {{' ', 0},
                          {'?', devices::NoValidNumber},
                          {'m', devices::FromMemory},
                          {'c', devices::Cleared},
                          {'C', devices::Cleared | devices::FromMemory},
                          {'d', devices::Disqualified},
                          {'i', devices::TypedIn}};
    for (const auto& c : cases) {
        auto impulse = alge(std::string(1, c.flag) + "0042 C1  10:01:14.3004 00");
        EXPECT_EQ(impulse.kind, RecordKind::Time) << c.flag;
        EXPECT_EQ(impulse.flags, c.flags) << c.flag;
        EXPECT_EQ(impulse.number, 42);
    }
    auto unknown = alge("x0042 C1  10:01:14.3004 00");
    EXPECT_EQ(unknown.kind, RecordKind::Unreadable);
    EXPECT_EQ(unknown.problem, RecordProblem::UnknownFlag);
    EXPECT_EQ(alge("s0007").kind, RecordKind::NumberGiven);
}

TEST(AlgeRecords, ChecksumsAreCheckedWhereSent) {
    // The sum of the 26 bytes is 215 (0xD7): "=" (0x30 + 13) and "7" (0x30 + 7).
    const std::string record = " 0001 C0  09:00:38.7600 00";
    EXPECT_EQ(devices::AlgeChecksum(record), "=7");
    auto right = alge(record + "=7");
    EXPECT_EQ(right.kind, RecordKind::Time);
    EXPECT_EQ(right.timeOfDay, clock("09:00:38.7600"));
    auto wrong = alge(record + "=8");
    EXPECT_EQ(wrong.kind, RecordKind::Unreadable);
    EXPECT_EQ(wrong.problem, RecordProblem::Checksum);
    // One byte changed on the line, the checksum as sent.
    EXPECT_EQ(alge(" 0001 C0  09:00:38.7601 00=7").problem, RecordProblem::Checksum);
}

TEST(AlgeRecords, OtherFormsOfTheRecordAreRead) {
    // Leading zeros of the number not shown, small channel letters, a decimal comma.
    auto plain = alge("    1 c0  15:43:49,8863 00");
    EXPECT_EQ(plain.kind, RecordKind::Time);
    EXPECT_EQ(plain.number, 1);
    EXPECT_EQ(plain.channel, "C0");
    // A timer set to thousandths.
    auto thousandths = alge(" 0019 C0M 15:43:57.020 00");
    EXPECT_EQ(thousandths.decimals, 3);
    EXPECT_EQ(thousandths.timeOfDay, clock("15:43:57.020"));
    // Times the timer computed are no impulses.
    auto run = alge(" 0001 RT  00:01:14.2995 00");
    EXPECT_EQ(run.kind, RecordKind::Computed);
    // Midnight and the last moment before it.
    EXPECT_EQ(alge(" 0007 C1  00:00:00.0003 00").timeOfDay, 300);
    EXPECT_EQ(alge(" 0007 C1  23:59:59.9999 00").timeOfDay, base::MicrosecondsPerDay - 100);
}

TEST(AlgeRecords, TheTimy2PcTimerRecordAndItsRunningClock) {
    auto record = devices::ParseTimerRecord(TimerKind::AlgeTimy2, " 0012 C1  10:01:14:3004");
    EXPECT_EQ(record.kind, RecordKind::Time);
    EXPECT_EQ(record.number, 12);
    EXPECT_EQ(record.channel, "C1");
    EXPECT_EQ(record.timeOfDay, clock("10:01:14.3004"));
    auto tick = devices::ParseTimerRecord(TimerKind::AlgeTimy2, "10:01:15.1");
    EXPECT_EQ(tick.kind, RecordKind::ClockTick);
    EXPECT_EQ(tick.timeOfDay, clock("10:01:15.1"));
}

TEST(AlgeRecords, NoiseBeforeARecordIsPassedOverAndGarbageIsKeptRaw) {
    auto noisy = alge(std::string("\xff\x00\x80", 3) + " 0001 C0  09:00:38.7600 00");
    EXPECT_EQ(noisy.kind, RecordKind::Time);
    EXPECT_EQ(noisy.timeOfDay, clock("09:00:38.7600"));
    EXPECT_EQ(noisy.raw.size(), 29u);  // the raw record keeps the noise
    auto garbage = alge(std::string(" 0001 C0  09:00\x83\x9c.7600 00"));
    EXPECT_EQ(garbage.kind, RecordKind::Unreadable);
    EXPECT_EQ(garbage.problem, RecordProblem::Garbage);
    EXPECT_EQ(alge("hello there").kind, RecordKind::Unreadable);
    EXPECT_EQ(alge(" 0001 C0  09:00:38.7600 00 and more").problem, RecordProblem::Layout);
    EXPECT_EQ(alge(" 0001 C9X 09:00:38.7600 00").problem, RecordProblem::Layout);
    EXPECT_EQ(alge(" 0001 C0  29:00:38.7600 00").problem, RecordProblem::Layout);
}

TEST(TagHeuerRecords, ANewTimeWithAndWithoutItsChecksum) {
    const std::string record = "TN 0003 0001 01 12:11:03.73200 00000";
    auto time = devices::ParseTimerRecord(TimerKind::TagHeuer, record);
    EXPECT_EQ(time.kind, RecordKind::Time);
    EXPECT_EQ(time.number, 3);
    EXPECT_EQ(time.channel, "01");
    EXPECT_EQ(time.decimals, 5);
    EXPECT_EQ(time.timeOfDay, clock("12:11:03.73200"));
    EXPECT_EQ(devices::TagHeuerChecksum(record), "DD");
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::TagHeuer, record + " DD").kind,
              RecordKind::Time);
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::TagHeuer, record + " DE").problem,
              RecordProblem::Checksum);
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::TagHeuer, "TN 0003 0001 01 12:11").problem,
              RecordProblem::Layout);
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::TagHeuer, "AK 01").kind, RecordKind::Status);
}

TEST(MicrogateRecords, TheFullTimeRecordOfAnReiAndTheOtherKinds) {
    auto finish = devices::ParseTimerRecord(TimerKind::MicrogateRei,
                                            reiRecord("00042", "255", '0', "1001143004"));
    EXPECT_EQ(finish.kind, RecordKind::Time);
    EXPECT_EQ(finish.number, 42);
    EXPECT_EQ(finish.channel, "255");
    EXPECT_EQ(finish.timeOfDay, clock("10:01:14.3004"));
    EXPECT_EQ(finish.flags, 0u);
    for (char valid : {'A', 'a', 'Q', 'P'})
        EXPECT_EQ(devices::ParseTimerRecord(TimerKind::MicrogateRei,
                                            reiRecord("00042", "000", valid, "1001143004"))
                      .flags,
                  0u);
    auto invalid = devices::ParseTimerRecord(TimerKind::MicrogateRei,
                                             reiRecord("00042", "000", 'X', "1001143004"));
    EXPECT_TRUE(invalid.has(devices::Cleared));
    EXPECT_FALSE(invalid.registrable());
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::MicrogateRei, "\x12status").kind,
              RecordKind::Status);
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::MicrogateRei,
                                        "\x17"
                                        "error")
                  .kind,
              RecordKind::Status);
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::MicrogateRei,
                                        "\x14"
                                        "0001")
                  .problem,
              RecordProblem::Layout);
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::MicrogateRei, "\xff\xfe").problem,
              RecordProblem::Garbage);
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::MicrogateRei,
                                        "\xff" + reiRecord("00001", "000", '0', "2359599999"))
                  .timeOfDay,
              base::MicrosecondsPerDay - 100);
}

TEST(MicrogateRecords, Racetime2LinesOfTwentyTwoCharacters) {
    auto line = devices::ParseTimerRecord(TimerKind::MicrogateRacetime, "042  00110:01:14.300  ");
    EXPECT_EQ(line.kind, RecordKind::Time);
    EXPECT_EQ(line.number, 42);
    EXPECT_EQ(line.channel, "001");
    EXPECT_EQ(line.timeOfDay, clock("10:01:14.300"));
    auto marked = devices::ParseTimerRecord(TimerKind::MicrogateRacetime, "042* 00110:01:14.300  ");
    EXPECT_TRUE(marked.has(devices::TimerMarked));
    EXPECT_EQ(devices::ParseTimerRecord(TimerKind::MicrogateRacetime, "042  00110:01").problem,
              RecordProblem::Layout);
}

TEST(RecordFraming, RecordsCutAnywhereAndSeveralInOneReadComeWholeAndInOrder) {
    const std::string session =
        " 0001 C0  09:00:00.0001 00\r 0002 C0  09:00:10.0002 00\r\n"
        "TN 0003 0001 01 12:11:03.73200 00000\r\n\n 0004 C1  09:01:00.0004 00\r";
    for (std::size_t piece : {1u, 2u, 7u, 26u, 27u, 500u}) {
        devices::RecordFramer framer;
        std::vector<devices::RecordFramer::Record> records;
        for (std::size_t at = 0; at < session.size(); at += piece)
            framer.feed(std::string_view(session).substr(at, piece), records);
        ASSERT_EQ(records.size(), 4u) << piece;
        EXPECT_EQ(records[0].bytes, " 0001 C0  09:00:00.0001 00");
        EXPECT_EQ(records[1].bytes, " 0002 C0  09:00:10.0002 00");
        EXPECT_EQ(records[2].bytes, "TN 0003 0001 01 12:11:03.73200 00000");
        EXPECT_EQ(records[3].bytes, " 0004 C1  09:01:00.0004 00");
        EXPECT_EQ(framer.pending(), 0u);
    }
}

TEST(RecordFraming, AnOverlongLineIsCutOffKeptAndTheNextRecordIsWhole) {
    devices::RecordFramer framer;
    std::vector<devices::RecordFramer::Record> records;
    framer.feed(std::string(5000, 'x'), records);
    EXPECT_TRUE(records.empty());
    EXPECT_LE(framer.pending(), devices::RecordFramer::MaxRecord);
    framer.feed("yyy\r 0001 C0  09:00:00.0001 00\r", records);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_TRUE(records[0].overlong);
    EXPECT_EQ(records[0].bytes, std::string(devices::RecordFramer::MaxRecord, 'x'));
    EXPECT_FALSE(records[1].overlong);
    EXPECT_EQ(alge(records[1].bytes).kind, RecordKind::Time);
}

TEST(TimerChannels, ALinesChannelMatchesByNameOrNumber) {
    EXPECT_TRUE(devices::ChannelMatches("C1", "C1"));
    EXPECT_TRUE(devices::ChannelMatches("c0", "C0"));
    EXPECT_TRUE(devices::ChannelMatches("C1", "01"));
    EXPECT_TRUE(devices::ChannelMatches("1", "001"));
    EXPECT_TRUE(devices::ChannelMatches("255", "255"));
    EXPECT_FALSE(devices::ChannelMatches("C1", "C11"));
    EXPECT_FALSE(devices::ChannelMatches("-", "C1"));
    EXPECT_FALSE(devices::ChannelMatches("", "C1"));
}

TEST(RecordFraming, RandomBytesOfEveryKindNeverStopTheReading) {
    std::mt19937 random(24);
    for (auto kind : {TimerKind::AlgeTimy, TimerKind::AlgeTimy2, TimerKind::TagHeuer,
                      TimerKind::MicrogateRei, TimerKind::MicrogateRacetime}) {
        devices::RecordFramer framer;
        std::vector<devices::RecordFramer::Record> records;
        std::string bytes;
        for (int i = 0; i < 100000; ++i) {
            const auto byte = static_cast<char>(random() % 256);
            // Text, digits and record ends more often than pure chance gives them.
            const char likely[] = " 0123456789:.,CcmTN\r\n\x10";
            bytes += random() % 3 ? likely[random() % (sizeof likely - 1)] : byte;
        }
        framer.feed(bytes, records);
        EXPECT_GT(records.size(), 100u);
        for (const auto& record : records) {
            EXPECT_LE(record.bytes.size(), devices::RecordFramer::MaxRecord);
            Impulse impulse;
            ASSERT_NO_THROW(impulse = devices::ParseTimerRecord(kind, record.bytes));
            EXPECT_EQ(impulse.raw, record.bytes);
            if (impulse.kind == RecordKind::Time) {
                EXPECT_LT(impulse.timeOfDay, base::MicrosecondsPerDay);
            }
        }
    }
    // Then a record is read as ever.
    devices::RecordFramer framer;
    std::vector<devices::RecordFramer::Record> records;
    framer.feed(std::string("\x01\xfe junk") + "\r 0001 C0  09:00:00.0001 00\r", records);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(alge(records[1].bytes).kind, RecordKind::Time);
}
