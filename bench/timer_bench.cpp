// A timer's record through the real program, offscreen: the timer at the far end of a
// pseudo-terminal pair, the program's adapter set to it, automatic capture on.
//   timer_record_to_shown_p99_ms  a record's last byte written to the port until its time is
//                                 registered and shown on the capture page, over 300 records
//                                 one at a time
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <thread>
#include <unistd.h>

#include "desktop/main_frame.h"
#include "desktop/services.h"
#include "devices/adapter.h"
#include "registration_watch.h"
#include "shell/commands.h"
#include "support/fakes.h"
#include "support/pty_timer.h"
#include "timing.h"

using namespace kvt;
using Steady = std::chrono::steady_clock;

namespace {

constexpr int Records = 300;

std::string record(int n) {
    char text[64];
    std::snprintf(text, sizeof text, " %04d C0  %02d:%02d:%02d.%04d 00\r", n % 10000,
                  10 + n / 3600, n / 60 % 60, n % 60, n * 37 % 10000);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);
    testing::TestProgram test;
    testing::PtyTimer timer((test.folder() / "timer-port").string());
    auto settings = devices::DefaultSettings(devices::DeviceKind::Timer);
    settings.path = timer.path();
    devices::ConfiguredAdapter adapter(settings);
    desktop::SystemClock clock;
    ui::Platform platform{test.dialogs,     test.pump,   clock,   test.launcher, test.help,
                          test.application, test.engine, adapter, test.imports};
    ui::Program program(platform, test.folder().string());
    program.Watch.setThreaded(true);  // as the desktop program runs its line thread
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
    main.SetupChannelCheck[0].setChecked(true);
    main.SetupTimerValue[2].setCaption("1");
    main.automaticCaptureCheck().setChecked(true);
    if (!program.adapterOpen) {
        std::fprintf(stderr, "the timer's port did not open\n");
        return 1;
    }
    bench::Watcher watcher(frame, program);
    program.setObserver(&watcher);
    bench::runFor(300);
    watcher.start();

    std::vector<double> delays;
    for (int n = 1; n <= Records; ++n) {
        const std::size_t before = watcher.shown[0].size();
        const auto written = Steady::now();
        if (!timer.send(record(n))) {
            std::fprintf(stderr, "the record could not be written\n");
            return 1;
        }
        const auto end = written + std::chrono::seconds(2);
        while (watcher.shown[0].size() == before && Steady::now() < end)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (watcher.shown[0].size() == before) {
            std::fprintf(stderr, "record %d was never shown\n", n);
            return 1;
        }
        delays.push_back(
            std::chrono::duration<double, std::milli>(watcher.shown[0].back() - written).count());
        bench::runFor(3);  // the operator's window has time between two finishes
    }
    std::printf("timer_record_to_shown_p99_ms: %.3f ms\n", bench::percentile(delays, 0.99));
    program.setObserver(&frame);
    main.automaticCaptureCheck().setChecked(false);
    return 0;
}
