// Edge figures, headless, the line thread on its own as in the desktop program:
//   edge_capture_error_p99_ms / _max_ms   the registered time of a capture before its cut to
//                      hundredths minus the time of day of the edge's own timestamp, over 1020
//                      edges on six lines written as the kernel's GPIO event records into pipes
//                      and read by libgpiod (what the program adds to the kernel's stamp)
//   edge_capture_missed                   edges of that run that gave no capture
//   clock_step_shift_ms                   how much a race time changes when the system clock
//                      steps by 2 s during the race (the worst of a step forward and back, for
//                      a race timed by Enter and for one timed by two edges)
#include <fcntl.h>
#include <linux/gpio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <thread>

#include "base/race_clock.h"
#include "base/time_text.h"
#include "devices/edge_readers.h"
#include "support/fakes.h"
#include "timing.h"
#include "support/pipe_devices.h"

using namespace kvt;
using namespace std::chrono_literals;

using bench::percentile;

namespace {

constexpr std::int64_t Millisecond = 1000000;
constexpr std::int64_t Second = 1000 * Millisecond;

// The system's clocks, with a step of the time of day the bench sets; or, for a race timed by
// Enter, both clocks moved by the bench.
class SteppableTime : public base::TimeSource {
public:
    std::atomic<std::int64_t> step{0};
    std::atomic<std::int64_t> fakeMonotonic{0};  // 0: the system's
    base::MonotonicNanoseconds monotonic() override {
        return fakeMonotonic ? fakeMonotonic.load() : system_.monotonic();
    }
    std::int64_t realtime() override {
        return (fakeMonotonic ? fakeMonotonic.load() + base0_ : system_.realtime()) + step;
    }
    int utcOffsetSeconds(std::int64_t realtime) override {
        return system_.utcOffsetSeconds(realtime);
    }

private:
    base::SystemTimeSource system_;
    std::int64_t base0_ = 1709287200LL * Second;
};

struct Bench {
    testing::TestProgram test;
    testing::PipeGpio gpio;
    SteppableTime time;
    base::RaceClock clock{time};
    // An edge the bench gives line c: written whole, or the bench cannot measure.
    void edge(int c, bool rising, std::int64_t stamp) {
        if (!gpio.edge(c, rising, stamp)) std::abort();
    }
    explicit Bench(bool threaded) {
        test.useAdapter(gpio);
        test.useClock(clock);
        auto& program = test.start();
        program.Watch.setThreaded(threaded);
        program.Main.SetupText[8].setText("3000");
        program.Main.SetupCheck[1].setChecked(true);  // sample competitors
        test.makeAndOpenMeet("Bench.mdb");
        for (auto& check : program.Main.SetupChannelCheck) check.setChecked(true);
        // A delay of 3 polls (4 ms at 1 ms each) outlasts the 2 ms pulses: each capture shows
        // its lamp at the end of the poll that made it.
        program.Main.SetupTimerValue[2].setCaption("3");
        program.Main.SetupCheck[3].setChecked(true);
    }
    ui::Program& program() { return test.program(); }
    void polls(int n) {
        for (int i = 0; i < n; ++i) program().Main.Hitime1.tick();
    }
};

}  // namespace

int main() {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    {
        Bench bench(true);
        auto& program = bench.program();
        // The affine map from monotonic moments to the time of day, read once: every edge's
        // true time of day follows from its stamp.
        const std::int64_t origin = bench.clock.monotonicNow();
        const std::int64_t originOfDay = testing::FakeClock::Nanoseconds(bench.clock.timeOf(origin));
        constexpr int EdgesPerLine = 170;
        std::array<std::vector<std::int64_t>, 6> edges;
        std::atomic<bool> done{false};
        std::thread driver([&] {
            // A passage every 30 ms on each line, the lines 5 ms apart; a 2 ms pulse whose
            // stamps are the moments it is written, as the kernel would stamp them.
            auto next = std::chrono::steady_clock::now() + 20ms;
            for (int i = 0; i < EdgesPerLine; ++i)
                for (int c = 0; c < 6; ++c) {
                    std::this_thread::sleep_until(next);
                    next += 5ms;
                    const std::int64_t stamp = bench.clock.monotonicNow();
                    bench.edge(c, false, stamp);
                    bench.edge(c, true, stamp + 2 * Millisecond);
                    edges[c].push_back(stamp);
                }
            done = true;
        });
        while (!done) {
            bench.polls(1);
            std::this_thread::sleep_for(1ms);
        }
        driver.join();
        for (int i = 0; i < 200; ++i) {
            bench.polls(1);
            std::this_thread::sleep_for(1ms);
        }
        // The registered times of each line, in order, before their cut to hundredths.
        std::array<std::vector<base::LocalTime>, 6> registered;
        const auto& meet = *program.meet;
        for (int k = 1; k <= meet.registeredCount(); ++k) {
            const int line = meet.registered(k).identification[0] - '1';
            if (line >= 0 && line < 6) registered[line].push_back(meet.registered(k).capturedAt);
        }
        std::vector<double> errors;
        long missed = 0;
        for (int c = 0; c < 6; ++c) {
            missed += static_cast<long>(edges[c].size()) -
                      static_cast<long>(std::min(edges[c].size(), registered[c].size()));
            for (std::size_t i = 0; i < std::min(edges[c].size(), registered[c].size()); ++i) {
                const std::int64_t truth = originOfDay + (edges[c][i] - origin);
                const std::int64_t before = testing::FakeClock::Nanoseconds(registered[c][i]);
                errors.push_back(std::fabs(static_cast<double>(before - truth)) / 1e6);
            }
        }
        std::printf("edge_capture_edges: %d edges\n", 6 * EdgesPerLine);
        std::printf("edge_capture_error_p99_ms: %.4f ms\n",
                    errors.empty() ? -1 : percentile(errors, 0.99));
        std::printf("edge_capture_error_max_ms: %.4f ms\n",
                    errors.empty() ? -1 : *std::max_element(errors.begin(), errors.end()));
        std::printf("edge_capture_missed: %ld edges\n", missed);
        program.MDIMain.Close.click();
    }
    {
        // A race of 65.43 s on the race clock: by Enter, and by two edges of line 1; once
        // without a step of the system clock, once with a step of 2 s forward, once back.
        double worst = 0;
        long long plain = -1;
        for (std::int64_t step : {std::int64_t{0}, 2 * Second, -2 * Second}) {
            Bench bench(false);
            auto& program = bench.program();
            auto& main = program.Main;
            bench.time.fakeMonotonic = 7000 * Second;
            bench.clock.anchor();
            main.Hitime3.tick();
            const std::int64_t start = bench.time.fakeMonotonic;
            bench.edge(0, false, start);
            bench.edge(0, true, start + 5 * Millisecond);
            bench.polls(5);
            // Competitor 1 starts by Enter.
            main.Number[0].setText("1");
            main.Number[0].KeyDown.raise(ui::KeyReturn);
            main.Number[0].KeyUp.raise(ui::KeyReturn);
            bench.time.fakeMonotonic += 30 * Second;
            bench.time.step = step;
            main.Hitime3.tick();
            bench.time.fakeMonotonic += 35430 * Millisecond;
            const std::int64_t finish = bench.time.fakeMonotonic;
            bench.edge(0, false, finish);
            bench.edge(0, true, finish + 5 * Millisecond);
            bench.polls(5);
            main.Number[0].KeyDown.raise(ui::KeyReturn);  // and finishes
            main.Number[0].KeyUp.raise(ui::KeyReturn);
            const auto& meet = *program.meet;
            // Registered: the edge of the start, Enter, the edge of the finish, Enter.
            if (meet.registeredCount() != 4) {
                std::fprintf(stderr, "expected 4 registered times, have %d\n",
                             meet.registeredCount());
                return 1;
            }
            const long long byEdges =
                base::RaceHundredths(meet.registered(1).time, meet.registered(3).time);
            const long long byEnter =
                base::RaceHundredths(meet.competitor(1).start, meet.competitor(1).finish);
            if (plain < 0) plain = byEdges;
            worst = std::max({worst, std::fabs(static_cast<double>(byEdges - plain)) * 10.0,
                              std::fabs(static_cast<double>(byEnter - plain)) * 10.0});
            program.MDIMain.Close.click();
        }
        std::printf("clock_step_shift_ms: %.0f ms\n", worst);
    }
    return 0;
}
