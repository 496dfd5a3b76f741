// Capture figures through the real Qt event loop, offscreen:
//   polls_per_s            polls a second at interval 1, six lines checked, simulated adapter
//   capture_error_*_ms     the moment a registered capture was stamped (before the cut to
//                          hundredths) minus the true instant of its edge,
//                          for lines driven by another thread at known instants (20 ms pulses)
//   capture_short_*        the same with pulses of 2 ms
//   line_watch_*           readings a second of the line thread on idle lines, its cost, and
//                          whether it was granted real-time priority (1) or not (0)
//   registration_*_ms      the cost of one registration with its durable writes (headless)
#include <QApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

#include "capture/poll.h"
#include "desktop/main_frame.h"
#include "desktop/services.h"
#include "devices/line_watch.h"
#include "driven_adapter.h"
#include "shell/commands.h"
#include "support/fakes.h"
#include "timing.h"

using namespace kvt;
using Steady = std::chrono::steady_clock;

using bench::percentile;

namespace {

// Lets the event loop run (timers, polls, painting) for a while.
void runFor(int milliseconds) {
    auto end = Steady::now() + std::chrono::milliseconds(milliseconds);
    while (Steady::now() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);
    testing::TestProgram test;
    bench::DrivenAdapter adapter;
    desktop::SystemClock clock;
    ui::Platform platform{test.dialogs,     test.pump,   clock,   test.launcher, test.help,
                          test.application, test.engine, adapter, test.imports};
    ui::Program program(platform, test.folder().string());
    program.Watch.setThreaded(true);  // as the desktop program reads its lines
    desktop::MainFrame frame(program);
    shell::LoadMain(program);
    frame.show();
    const std::string path = (test.folder() / "Bench.mdb").string();
    program.Main.SetupText[8].setText("3000");
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Open.click();
    if (program.currentDatabase().empty()) {
        std::fprintf(stderr, "the bench meet did not open\n");
        return 1;
    }
    auto& main = program.Main;
    for (auto& check : main.SetupChannelCheck) check.setChecked(true);
    main.SetupTimerValue[2].setCaption("1");
    main.SetupCheck[3].setChecked(true);

    // Polls a second, idle lines.
    runFor(1100);
    std::vector<double> rates;
    for (int second = 0; second < 3; ++second) {
        runFor(1000);
        rates.push_back(std::stod(main.SetupTimerValue[3].caption()));
    }
    std::printf("polls_per_s: %.0f polls\n", percentile(rates, 0.5));

    // Edges at known instants on all six lines, staggered: 50 edges a second in all, a busy
    // finish line. A runner breaks the beam for 20 ms; then the same with pulses of 2 ms, far
    // shorter than a stall of the window's thread.
    const auto run = [&](int pulseMicroseconds, int edgesPerLine, const char* name) {
        std::array<std::vector<Steady::time_point>, 6> edges;
        std::atomic<bool> done{false};
        const int registeredBefore = program.meet->registeredCount();
        std::thread driver([&] {
            auto start = Steady::now() + std::chrono::milliseconds(50);
            for (int i = 0; i < edgesPerLine; ++i) {
                for (int c = 0; c < 6; ++c) {
                    auto at = start + std::chrono::microseconds(i * 120000 + c * 20000);
                    std::this_thread::sleep_until(at);
                    // The edge is the instant before the level changes; the pulse is timed
                    // from the instant after, so that it lasts its length however this thread
                    // is held up meanwhile.
                    auto edge = Steady::now();
                    adapter.levels[c] = 0;
                    auto low = Steady::now();
                    edges[c].push_back(edge);
                    std::this_thread::sleep_until(low +
                                                  std::chrono::microseconds(pulseMicroseconds));
                    adapter.levels[c] = 1;
                }
            }
            done = true;
        });
        while (!done) runFor(100);
        driver.join();
        runFor(100);

        // The moment of each registered capture on the monotonic clock, from the time of day
        // it was registered with before its cut to hundredths (a lamp that lit and went dark
        // within one poll is never seen lit, so the lamps alone would miss captures).
        const auto origin = clock.monotonicNow();
        const auto originOfDay = testing::FakeClock::Nanoseconds(clock.timeOf(origin));
        std::array<std::vector<Steady::time_point>, 6> captured;
        for (int k = registeredBefore + 1; k <= program.meet->registeredCount(); ++k) {
            const auto& time = program.meet->registered(k);
            const int line = time.identification[0] - '1';
            if (line < 0 || line > 5) continue;
            captured[line].push_back(Steady::time_point(std::chrono::nanoseconds(
                origin + (testing::FakeClock::Nanoseconds(time.capturedAt) - originOfDay))));
        }
        // Each capture belongs to the latest edge of its line at or before it.
        std::vector<double> errors;
        std::size_t missed = 0;
        for (int c = 0; c < 6; ++c) {
            std::vector<bool> matched(edges[c].size(), false);
            for (auto moment : captured[c]) {
                auto after = std::upper_bound(edges[c].begin(), edges[c].end(), moment);
                if (after == edges[c].begin()) continue;
                auto edge = after - 1;
                matched[edge - edges[c].begin()] = true;
                errors.push_back(std::chrono::duration<double, std::milli>(moment - *edge).count());
            }
            missed += std::count(matched.begin(), matched.end(), false);
            for (std::size_t i = 0; i < matched.size(); ++i)
                if (!matched[i]) std::fprintf(stderr, "missed: line %d edge %zu\n", c + 1, i);
        }
        std::printf("%s_edges: %d edges\n", name, 6 * edgesPerLine);
        std::printf("%s_registered: %d times\n", name,
                    program.meet->registeredCount() - registeredBefore);
        std::printf("%s_missed: %zu edges\n", name, missed);
        if (errors.empty()) return;
        std::printf("%s_error_p50_ms: %.3f ms\n", name, percentile(errors, 0.5));
        std::printf("%s_error_p99_ms: %.3f ms\n", name, percentile(errors, 0.99));
        std::printf("%s_error_max_ms: %.3f ms\n", name,
                    *std::max_element(errors.begin(), errors.end()));
        std::printf("%s_error_min_ms: %.3f ms\n", name,
                    *std::min_element(errors.begin(), errors.end()));
    };
    run(20000, 170, "capture");
    run(2000, 100, "capture_short");

    // What the line thread costs alone: one watch on idle lines for two seconds while this
    // thread sleeps, as processor time over wall time (the program's own watch stopped).
    main.SetupCheck[3].setChecked(false);
    {
        devices::LineWatch watch(adapter, clock);
        watch.setThreaded(true);
        timespec before{}, after{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &before);
        const long samplesBefore = watch.samples();
        watch.start(1, 5);
        std::this_thread::sleep_for(std::chrono::seconds(2));
        watch.stop();
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &after);
        const double cpu = (after.tv_sec - before.tv_sec) + (after.tv_nsec - before.tv_nsec) / 1e9;
        std::printf("line_watch_readings_per_s: %.0f readings\n",
                    (watch.samples() - samplesBefore) / 2.0);
        std::printf("line_watch_cpu_percent: %.1f %%\n", cpu / 2.0 * 100.0);
        std::printf("line_watch_realtime: %d flag\n", watch.realtime() ? 1 : 0);
    }

    // One registration with its durable writes, as the meet does it for a line.
    main.SetupCheck[3].setChecked(false);
    std::vector<double> costs;
    for (int i = 0; i < 300; ++i) {
        auto start = Steady::now();
        program.meet->registerCapture(1 + i % 6, "10.00.00.00");
        costs.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
    }
    std::printf("registration_p50_ms: %.2f ms\n", percentile(costs, 0.5));
    std::printf("registration_p99_ms: %.2f ms\n", percentile(costs, 0.99));
    program.MDIMain.Close.click();
    return 0;
}
