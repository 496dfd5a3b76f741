// The back ends of the adapter, each through the seam nearest the kernel this machine has: GPIO
// events as the kernel's records written into pipes and read by libgpiod, the status lines of a
// serial port through an ioctl source the test drives, key events as the kernel's records in a
// pipe; and each of them through the poll into registered times.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/gpio.h>
#include <linux/input.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "devices/back_ends.h"
#include "devices/edge_readers.h"
#include "lang/meet_texts.h"
#include "support/fakes.h"
#include "support/pipe_devices.h"

using namespace kvt;
using kvt::testing::FakeClock;
using kvt::testing::TestProgram;
using namespace std::chrono_literals;

namespace {

constexpr std::int64_t Millisecond = 1000000;

std::int64_t at(int h, int m, int s, int ms, int us = 0) {
    return FakeClock::Nanoseconds({h, m, s, ms, us});
}

using kvt::testing::Pipe;
using kvt::testing::PipeGpio;

// What the kernel writes into a GPIO line's event file descriptor.
void gpioEdge(Pipe& pipe, bool rising, std::int64_t stamp) {
    ASSERT_TRUE(pipe.put(kvt::testing::GpioEdgeRecord(rising, stamp)));
}

// The modem-line ioctls of a serial port, moved by the test: each change is one wake-up of a
// thread sleeping in TIOCMIWAIT.
class FakeModem : public devices::ModemLines {
public:
    int tiocmget(int& bits) override {
        std::lock_guard lock(mutex_);
        bits = bits_;
        return 0;
    }
    int tiocmset(int bits) override {
        std::lock_guard lock(mutex_);
        bits_ = bits;
        return 0;
    }
    int tiocmiwait(int) override {
        std::unique_lock lock(mutex_);
        woken_.wait(lock, [&] { return wakeUps_ > 0 || interrupted_; });
        if (interrupted_) {
            interrupted_ = false;
            errno = EINTR;
            return -1;
        }
        --wakeUps_;
        return 0;
    }
    int tiocgicount(serial_icounter_struct& counts) override {
        std::lock_guard lock(mutex_);
        counts = counts_;
        return 0;
    }
    void interrupt() override {
        std::lock_guard lock(mutex_);
        interrupted_ = true;
        woken_.notify_all();
    }
    // The lines move (levels and transition counts), then the sleeping thread wakes once.
    void change(const std::function<void(int& bits, serial_icounter_struct& counts)>& move) {
        std::lock_guard lock(mutex_);
        move(bits_, counts_);
        ++wakeUps_;
        woken_.notify_all();
    }
    int bits() {
        std::lock_guard lock(mutex_);
        return bits_;
    }

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    int bits_ = 0;
    serial_icounter_struct counts_{};
    int wakeUps_ = 0;
    bool interrupted_ = false;
};

// The status-line waiter over the fake port, as the adapter the program uses: CTS on line 1,
// DCD on line 3, active when asserted (a switch from DTR closes).
class ModemAdapter : public devices::Adapter {
public:
    FakeModem modem;
    std::atomic<std::int64_t> stamp{0};
    int OpenNamedDevice(const std::string&, int) override {
        waiter_ = std::make_unique<devices::StatusLineWaiter>(
            modem, std::array<int, 6>{TIOCM_CTS, 0, TIOCM_CD, 0, 0, 0}, TIOCM_DTR | TIOCM_RTS,
            [this] { return stamp.load(); });
        waiter_->start();
        return 1;
    }
    int GetNumberOfDigitalChannels(int) override { return 2; }
    int GetNumberOfAnalogChannels(int) override { return 0; }
    void SetDigitalBit(int, int, int) override {}
    int GetDigitalBit(int, int c) override { return waiter_->level(c); }
    void CloseDevice(int) override { waiter_.reset(); }
    bool reportsEdges() const override { return true; }
    void waitForEdges(int, std::chrono::milliseconds timeout, devices::EdgeBatch& batch) override {
        waiter_->take(timeout, batch);
    }
    devices::ActiveLevel activeLevel(int) const override { return devices::ActiveLevel::High; }
    bool wired(int c) const override { return c == 0 || c == 2; }
    devices::StatusLineWaiter& waiter() { return *waiter_; }

private:
    std::unique_ptr<devices::StatusLineWaiter> waiter_;
};

input_event keyEvent(std::int64_t stamp, int type, int code, int value) {
    input_event event{};
    event.input_event_sec = stamp / 1000000000;
    event.input_event_usec = stamp % 1000000000 / 1000;
    event.type = static_cast<__u16>(type);
    event.code = static_cast<__u16>(code);
    event.value = value;
    return event;
}

// A key press with its report, as a key device sends it.
void key(Pipe& pipe, std::int64_t stamp, int code, int value) {
    ASSERT_TRUE(pipe.put(keyEvent(stamp, EV_KEY, code, value)));
    ASSERT_TRUE(pipe.put(keyEvent(stamp, EV_SYN, SYN_REPORT, 0)));
}

// The key back end's reader over a pipe: F13 on line 1, F14 on line 2.
class PipeKeys : public devices::Adapter {
public:
    Pipe device;
    std::set<int> down;  // what EVIOCGKEY would answer
    int OpenNamedDevice(const std::string&, int) override {
        reader_ = std::make_unique<devices::KeyEventReader>(
            device.read, std::array<int, 6>{KEY_F13, KEY_F14, -1, -1, -1, -1},
            std::array<int, 6>{0, 0, -1, -1, -1, -1},
            [this](int code) { return down.count(code) > 0; });
        return 1;
    }
    int GetNumberOfDigitalChannels(int) override { return 2; }
    int GetNumberOfAnalogChannels(int) override { return 0; }
    void SetDigitalBit(int, int, int) override {}
    int GetDigitalBit(int, int c) override { return reader_->level(c); }
    void CloseDevice(int) override { reader_.reset(); }
    bool reportsEdges() const override { return true; }
    void waitForEdges(int, std::chrono::milliseconds timeout, devices::EdgeBatch& batch) override {
        reader_->wait(timeout, batch);
    }
    devices::ActiveLevel activeLevel(int) const override { return devices::ActiveLevel::High; }
    bool wired(int c) const override { return c < 2; }

private:
    std::unique_ptr<devices::KeyEventReader> reader_;
};

// An open meet on a back end of the test, lines 1 to 3 in use, delay 3 polls, the line watch
// read by the poll itself.
class EdgeCapture {
public:
    explicit EdgeCapture(devices::Adapter& adapter) {
        test.useAdapter(adapter);
        test.start();
        test.makeAndOpenMeet();
        for (int c = 0; c < 3; ++c) main().SetupChannelCheck[c].setChecked(true);
        main().SetupTimerValue[2].setCaption("3");
        main().SetupCheck[3].setChecked(true);
    }
    ui::MainWindow& main() { return test.program().Main; }
    meet::Meet& meet() { return *test.program().meet; }
    void polls(int count) {
        for (int i = 0; i < count; ++i) main().Hitime1.tick();
    }
    TestProgram test;
};

}  // namespace

TEST(GpioEvents, EachEdgeCarriesTheKernelsTimestamp) {
    Pipe line1, line3;
    devices::GpioEventReader reader({line1.read, -1, line3.read, -1, -1, -1},
                                    {1, -1, 0, -1, -1, -1});
    gpioEdge(line1, false, 5 * Millisecond + 7);
    gpioEdge(line1, true, 6 * Millisecond);
    gpioEdge(line3, true, 9 * Millisecond);
    devices::EdgeBatch batch;
    reader.wait(100ms, batch);
    ASSERT_EQ(batch.edges.size(), 3u);
    EXPECT_EQ(batch.edges[0].channel, 0);
    EXPECT_EQ(batch.edges[0].level, 0);
    EXPECT_EQ(batch.edges[0].stamp, 5 * Millisecond + 7);
    EXPECT_EQ(batch.edges[1].level, 1);
    EXPECT_EQ(batch.edges[1].stamp, 6 * Millisecond);
    EXPECT_EQ(batch.edges[2].channel, 2);
    EXPECT_EQ(batch.edges[2].level, 1);
    EXPECT_EQ(reader.level(0), 1);
    EXPECT_EQ(reader.level(2), 1);
    EXPECT_EQ(batch.lost[0] + batch.lost[2], 0);
    devices::EdgeBatch none;
    reader.wait(0ms, none);
    EXPECT_TRUE(none.edges.empty());
}

TEST(GpioEvents, TwoEdgesOneWayMeanTheKernelDroppedOneAndTheRunnerStillCounts) {
    Pipe line1;
    devices::GpioEventReader reader({line1.read, -1, -1, -1, -1, -1}, {1, -1, -1, -1, -1, -1});
    gpioEdge(line1, false, 1 * Millisecond);
    gpioEdge(line1, false, 2 * Millisecond);  // the rising edge between was lost
    devices::EdgeBatch batch;
    reader.wait(100ms, batch);
    EXPECT_EQ(batch.lost[0], 1);
    ASSERT_EQ(batch.edges.size(), 3u);
    EXPECT_EQ(batch.edges[1].level, 1);
    EXPECT_EQ(batch.edges[2].level, 0);
    EXPECT_EQ(batch.edges[2].stamp, 2 * Millisecond);
}

TEST(GpioCapture, APassageIsRegisteredAtItsEdgeNotAtThePoll) {
    PipeGpio gpio;
    EdgeCapture capture(gpio);
    capture.test.clock.time = {10, 0, 5, 0};  // the poll comes long after the edges
    gpioEdge(gpio.lines[0], false, at(10, 0, 0, 123, 456));
    gpioEdge(gpio.lines[0], true, at(10, 0, 0, 124));
    // A bounce within the delay (3 polls of 1 ms after the capture) is the same passage.
    gpioEdge(gpio.lines[0], false, at(10, 0, 0, 125));
    gpioEdge(gpio.lines[0], true, at(10, 0, 0, 126));
    capture.polls(5);
    ASSERT_EQ(capture.meet().registeredCount(), 1);
    EXPECT_EQ(capture.meet().registered(1).time, "10.00.00.12");
    EXPECT_EQ(capture.meet().registered(1).identification, "1-0001");
    EXPECT_EQ(capture.meet().channel(0).CaptureClock.microsecond, 456);
    // The next runner, after the delay, on line 3.
    gpioEdge(gpio.lines[2], false, at(10, 0, 1, 999));
    capture.polls(5);
    ASSERT_EQ(capture.meet().registeredCount(), 2);
    EXPECT_EQ(capture.meet().registered(2).time, "10.00.01.99");
    EXPECT_TRUE(capture.test.dialogs.notices.empty());
}

TEST(GpioCapture, EdgesTheKernelDroppedAreToldWithTheirLine) {
    PipeGpio gpio;
    EdgeCapture capture(gpio);
    gpioEdge(gpio.lines[1], false, at(10, 0, 0, 0));
    gpioEdge(gpio.lines[1], false, at(10, 0, 0, 500));
    capture.polls(1);
    ASSERT_EQ(capture.test.dialogs.notices.size(), 1u);
    EXPECT_EQ(capture.test.dialogs.notices[0],
              lang::ChangesLostText(lang::Language::Norwegian, 2, 1));
}

TEST(GpioAdapter, WithoutAnyChipOpeningFailsAndNoLineIsDriven) {
    if (std::filesystem::exists("/dev/gpiochip0")) GTEST_SKIP() << "this machine has GPIO";
    devices::GpioAdapter gpio;
    EXPECT_THROW(gpio.OpenNamedDevice("*", 0), devices::AdapterError);
    EXPECT_EQ(gpio.GetNumberOfDigitalChannels(1), 0);
    EXPECT_EQ(devices::DefaultSettings(devices::DeviceKind::Gpio).outputs, "");
}

TEST(StatusLines, TheSupplyIsRaisedAndTwoTransitionsInOneWakeUpAreAPulse) {
    FakeModem modem;
    std::atomic<std::int64_t> stamp{0};
    devices::StatusLineWaiter waiter(modem, {TIOCM_CTS, TIOCM_DSR, TIOCM_CD, TIOCM_RI, 0, 0},
                                     TIOCM_DTR | TIOCM_RTS, [&] { return stamp.load(); });
    waiter.start();
    EXPECT_EQ(modem.bits() & (TIOCM_DTR | TIOCM_RTS), TIOCM_DTR | TIOCM_RTS);
    EXPECT_EQ(waiter.level(0), 0);
    EXPECT_EQ(waiter.level(4), -1);

    // CTS went up and down again before the thread woke: the counter says so.
    stamp = 7 * Millisecond;
    modem.change([](int&, serial_icounter_struct& counts) { counts.cts += 2; });
    devices::EdgeBatch batch;
    waiter.take(2000ms, batch);
    ASSERT_EQ(batch.edges.size(), 2u);
    EXPECT_EQ(batch.edges[0].channel, 0);
    EXPECT_EQ(batch.edges[0].level, 1);
    EXPECT_EQ(batch.edges[0].stamp, 7 * Millisecond);
    EXPECT_EQ(batch.edges[1].level, 0);
    EXPECT_EQ(batch.edges[1].stamp, 7 * Millisecond);

    // DCD closes and stays; RI counted only its trailing edge, its level unchanged.
    stamp = 9 * Millisecond;
    modem.change([](int& bits, serial_icounter_struct& counts) {
        bits |= TIOCM_CD;
        counts.dcd += 1;
        counts.rng += 1;
    });
    devices::EdgeBatch next;
    waiter.take(2000ms, next);
    ASSERT_EQ(next.edges.size(), 3u);
    EXPECT_EQ(next.edges[0].channel, 2);
    EXPECT_EQ(next.edges[0].level, 1);
    EXPECT_EQ(next.edges[1].channel, 3);
    EXPECT_EQ(next.edges[1].level, 1);
    EXPECT_EQ(next.edges[2].channel, 3);
    EXPECT_EQ(next.edges[2].level, 0);
    EXPECT_EQ(waiter.level(2), 1);
    EXPECT_EQ(waiter.wakeUps(), 2);
    waiter.stop();  // the sleeping thread is interrupted and ends
}

TEST(StatusLines, APulseShorterThanOneWakeUpIsStillCapturedAndTimed) {
    ModemAdapter serial;
    EdgeCapture capture(serial);
    // A pulse on CTS that was over before the thread woke at 10:00:00.250.
    serial.stamp = at(10, 0, 0, 250);
    serial.modem.change([](int&, serial_icounter_struct& counts) { counts.cts += 2; });
    // The poll runs when the window gets to it; the thread has put the edges aside by then.
    for (int i = 0; i < 2000 && capture.meet().registeredCount() == 0; ++i) {
        std::this_thread::sleep_for(1ms);
        capture.polls(1);
    }
    capture.polls(5);
    ASSERT_EQ(capture.meet().registeredCount(), 1);
    EXPECT_EQ(capture.meet().registered(1).time, "10.00.00.25");
    EXPECT_EQ(capture.meet().registered(1).identification, "1-0001");
    // A switch on DCD closed and held: one time, however long it stays closed.
    serial.stamp = at(10, 0, 3, 10);
    serial.modem.change([](int& bits, serial_icounter_struct& counts) {
        bits |= TIOCM_CD;
        counts.dcd += 1;
    });
    for (int i = 0; i < 2000 && capture.meet().registeredCount() == 1; ++i) {
        std::this_thread::sleep_for(1ms);
        capture.polls(1);
    }
    capture.polls(50);
    ASSERT_EQ(capture.meet().registeredCount(), 2);
    EXPECT_EQ(capture.meet().registered(2).time, "10.00.03.01");
    EXPECT_EQ(capture.meet().registered(2).identification, "3-0001");
    capture.main().SetupCheck[3].setChecked(false);  // the waiter's thread ends
}

TEST(KeyEvents, PressesAndReleasesCarryTheKernelsTimestampAndRepeatsAreNoEdges) {
    Pipe device;
    devices::KeyEventReader reader(device.read, {KEY_F13, KEY_F14, -1, -1, -1, -1},
                                   {0, 0, -1, -1, -1, -1}, nullptr);
    key(device, 3 * Millisecond + 1000, KEY_F13, 1);
    key(device, 4 * Millisecond, KEY_F13, 2);
    key(device, 5 * Millisecond, KEY_A, 1);  // a key no line has
    key(device, 6 * Millisecond, KEY_F13, 0);
    devices::EdgeBatch batch;
    reader.wait(100ms, batch);
    ASSERT_EQ(batch.edges.size(), 2u);
    EXPECT_EQ(batch.edges[0].channel, 0);
    EXPECT_EQ(batch.edges[0].level, 1);
    EXPECT_EQ(batch.edges[0].stamp, 3 * Millisecond + 1000);
    EXPECT_EQ(batch.edges[1].level, 0);
    EXPECT_EQ(batch.edges[1].stamp, 6 * Millisecond);
}

TEST(KeyEvents, DroppedEventsAreToldAndTheKeysTakeTheDevicesState) {
    Pipe device;
    std::set<int> down{KEY_F14};
    devices::KeyEventReader reader(device.read, {KEY_F13, KEY_F14, -1, -1, -1, -1},
                                   {0, 0, -1, -1, -1, -1},
                                   [&](int code) { return down.count(code) > 0; });
    ASSERT_TRUE(device.put(keyEvent(1 * Millisecond, EV_SYN, SYN_DROPPED, 0)));
    key(device, 2 * Millisecond, KEY_F13, 1);  // incomplete: ignored until the report
    devices::EdgeBatch batch;
    reader.wait(100ms, batch);
    EXPECT_EQ(batch.lost[0], 1);
    EXPECT_EQ(batch.lost[1], 1);
    ASSERT_EQ(batch.edges.size(), 1u);
    EXPECT_EQ(batch.edges[0].channel, 1);
    EXPECT_EQ(batch.edges[0].level, 1);
    EXPECT_EQ(reader.level(0), 0);
}

TEST(KeyCapture, AFootSwitchCapturesAtItsKeyPressWithoutTheWindow) {
    PipeKeys keys;
    EdgeCapture capture(keys);
    key(keys.device, at(11, 2, 3, 456), KEY_F14, 1);
    key(keys.device, at(11, 2, 3, 600), KEY_F14, 0);
    capture.polls(5);
    ASSERT_EQ(capture.meet().registeredCount(), 1);
    EXPECT_EQ(capture.meet().registered(1).time, "11.02.03.45");
    EXPECT_EQ(capture.meet().registered(1).identification, "2-0001");
}

TEST(KeyDevice, KeysAreNamedAsTheKernelNamesThem) {
    EXPECT_EQ(devices::KeyCode("KEY_F13"), KEY_F13);
    EXPECT_EQ(devices::KeyCode("BTN_0"), BTN_0);
    EXPECT_EQ(devices::KeyCode("30"), 30);
    EXPECT_EQ(devices::KeyCode("KEY_NONSENSE"), -1);
    EXPECT_EQ(devices::KeyCode("-"), -1);
    EXPECT_EQ(devices::StatusLineBit("DCD"), TIOCM_CD);
    EXPECT_EQ(devices::StatusLineBit("DTR"), 0);
}
