// The timer as a back end of the adapter: made from the settings file, opened on its port,
// its impulses taken through the line watch as the poll takes them.
#include "devices/timer_adapter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "devices/adapter.h"
#include "devices/line_watch.h"
#include "support/fakes.h"
#include "support/pty_timer.h"

using namespace kvt;
using namespace std::chrono_literals;
using devices::Impulse;
using devices::LinkState;
using kvt::testing::PtyTimer;

namespace {

std::string portPath() {
    static int count = 0;
    return (std::filesystem::temp_directory_path() /
            ("kvt-timer-adapter-" + std::to_string(::getpid()) + "-" + std::to_string(++count)))
        .string();
}

}  // namespace

TEST(TimerAdapter, TheSettingsFileMakesATimerWhoseImpulsesThePollTakes) {
    PtyTimer timer(portPath());
    const auto settings = devices::ParseAdapterSettings(
        "device=timer\nport=" + timer.path() +
        "\ntimer=alge-timy\nrate=19200\nhandshake=rts-cts\nline1=C0\nline2=C1\nline3=-\n");
    EXPECT_EQ(settings.device, devices::DeviceKind::Timer);
    EXPECT_EQ(settings.rate, 19200);
    EXPECT_TRUE(settings.rtsCts);
    // The file written again reads the same.
    const auto again = devices::ParseAdapterSettings(devices::FormatAdapterSettings(settings));
    EXPECT_EQ(again.device, devices::DeviceKind::Timer);
    EXPECT_EQ(again.path, timer.path());
    EXPECT_EQ(again.timer, "alge-timy");
    EXPECT_EQ(again.rate, 19200);
    EXPECT_TRUE(again.rtsCts);
    EXPECT_EQ(again.lines[1].source, "C1");

    devices::ConfiguredAdapter adapter(settings);
    kvt::testing::FakeClock clock;
    devices::LineWatch watch(adapter, clock);
    const int handle = adapter.OpenNamedDevice("*", 0);
    EXPECT_TRUE(adapter.reportsImpulses());
    EXPECT_EQ(adapter.GetNumberOfDigitalChannels(handle), 2);
    watch.start(handle, 1);
    const auto sent = base::MonotonicNow();
    ASSERT_TRUE(timer.send(" 0009 C1  10:59:59.9876 00\r"));
    std::vector<Impulse> impulses;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (impulses.empty() && std::chrono::steady_clock::now() < end) {
        impulses = watch.takeImpulses();
        std::this_thread::sleep_for(2ms);
    }
    ASSERT_EQ(impulses.size(), 1u);
    EXPECT_EQ(impulses[0].line, 1);
    EXPECT_EQ(base::PreciseTimeText(impulses[0].timeOfDay), "10.59.59.98");
    // Its arrival on the monotonic clock, and that moment's time of day on the race clock.
    EXPECT_GE(impulses[0].arrival, sent);
    EXPECT_LE(impulses[0].arrival, base::MonotonicNow());
    EXPECT_EQ(base::MicrosecondsOfDay(impulses[0].arrivalTime),
              impulses[0].arrival / 1000 % base::MicrosecondsPerDay);
    // The lines have no level of their own: no edge, never active.
    EXPECT_TRUE(watch.take(1).changes.empty());
    devices::LinkState state{};
    devices::LinkCounters counters;
    ASSERT_TRUE(adapter.timerLink(state, counters));
    EXPECT_EQ(state, LinkState::Open);
    EXPECT_EQ(counters.impulses, 1);
    watch.stop();
    adapter.CloseDevice(handle);
    EXPECT_TRUE(watch.takeImpulses().empty());
}

TEST(TimerAdapter, AWrongPortKindOrRateIsRefusedAtOpen) {
    auto settings = devices::DefaultSettings(devices::DeviceKind::Timer);
    EXPECT_EQ(settings.lines[0].source, "C0");
    EXPECT_EQ(settings.lines[1].source, "C1");
    EXPECT_FALSE(settings.lines[2].wired());
    settings.path = portPath();  // nothing there
    devices::TimerAdapter missing(settings);
    EXPECT_THROW(missing.OpenNamedDevice("*", 0), devices::AdapterError);
    PtyTimer timer(portPath());
    settings.path = timer.path();
    settings.timer = "sundial";
    devices::TimerAdapter unknown(settings);
    EXPECT_THROW(unknown.OpenNamedDevice("*", 0), devices::AdapterError);
    settings.timer = "tag-heuer";
    settings.rate = 1234;
    devices::TimerAdapter odd(settings);
    EXPECT_THROW(odd.OpenNamedDevice("*", 0), devices::AdapterError);
    // Settings of other devices write no timer keys.
    EXPECT_EQ(devices::FormatAdapterSettings(devices::DefaultSettings(devices::DeviceKind::Gpio))
                  .find("timer="),
              std::string::npos);
}
