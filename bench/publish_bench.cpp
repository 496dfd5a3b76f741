// The IOF XML and the pages for the web of a meet of 3000 finishers in 15 classes, and what
// writing and publishing them costs the registrations:
//   iof_results_3000_ms                the ResultList made from the meet (snapshot and XML)
//   web_pages_3000_ms                  every page, the JSON and the IOF XML made and written
//                                      into a folder (the writer thread's work; median)
//   web_copy_ms, web_copy_check_ms     what the window's thread does: copy the meet when it
//                                      changed, and see each second that it did not
//   publish_registration_delay_p99_ms  the registrations' p99 delay (edge to registered and
//                                      shown) while the pages are written at every change and
//                                      published by rsync over SSH to a local sshd, minus the
//                                      same with neither (30 s each, 25 edges a second)
//   publish_registration_noise_p99_ms  that difference between two runs without either
//   publish_uploads                    the uploads that went through meanwhile
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "desktop/main_frame.h"
#include "desktop/services.h"
#include "driven_adapter.h"
#include "registration_watch.h"
#include "results/iof_xml.h"
#include "results/web_pages.h"
#include "results/web_publishing.h"
#include "shell/commands.h"
#include "support/fakes.h"
#include "support/race_file.h"
#include "support/ssh_server.h"
#include "timing.h"

using namespace kvt;
using Steady = std::chrono::steady_clock;
namespace fs = std::filesystem;
using bench::runFor;
using bench::Watcher;

namespace {

// Edges on six lines at 25 a second in all, 20 ms pulses; each registration's delay from its
// edge to its being shown.
std::vector<double> registrationDelays(bench::DrivenAdapter& adapter, Watcher& watcher,
                                       int seconds) {
    std::array<std::vector<Steady::time_point>, 6> edges;
    std::atomic<bool> done{false};
    watcher.start();
    const auto start = Steady::now() + std::chrono::milliseconds(100);
    std::thread driver([&] {
        const int rounds = seconds * 25 / 6;
        for (int i = 0; i < rounds; ++i)
            for (int c = 0; c < 6; ++c) {
                std::this_thread::sleep_until(start +
                                              std::chrono::microseconds(i * 240000 + c * 40000));
                edges[c].push_back(Steady::now());
                adapter.levels[c] = 0;
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                adapter.levels[c] = 1;
            }
        done = true;
    });
    while (!done) runFor(50);
    driver.join();
    runFor(200);
    std::vector<double> delays;
    for (int c = 0; c < 6; ++c) {
        const std::size_t paired = std::min(edges[c].size(), watcher.shown[c].size());
        for (std::size_t i = 0; i < paired; ++i)
            delays.push_back(
                std::chrono::duration<double, std::milli>(watcher.shown[c][i] - edges[c][i])
                    .count());
    }
    return delays;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);
    std::error_code noMemoryFolder;
    if (fs::is_directory("/dev/shm", noMemoryFolder)) setenv("TMPDIR", "/dev/shm", 1);
    testing::TestProgram test;
    bench::DrivenAdapter adapter;
    desktop::SystemClock clock;
    ui::Platform platform{test.dialogs,     test.pump,   clock,   test.launcher, test.help,
                          test.application, test.engine, adapter, test.imports, nullptr, nullptr};
    ui::Program program(platform, test.folder().string());
    program.Watch.setThreaded(true);
    desktop::MainFrame frame(program);
    shell::LoadMain(program);
    frame.show();
    auto& main = program.Main;
    main.SetupText[0].setText("3000");
    main.SetupText[2].setText("15");
    const std::string path = (test.folder() / "Publish.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    testing::PrepareRace(path, program.LanguageTexts, 3000, 15, 3000, false);
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Open.click();
    if (!program.meet) {
        std::fprintf(stderr, "the bench meet did not open\n");
        return 1;
    }

    const results::IofDay day{"2026-06-01", "+02:00", "2026-06-01T12:00:00+02:00"};
    std::vector<double> iof;
    std::string xml;
    for (int run = 0; run < 11; ++run)
        iof.push_back(bench::milliseconds(
            [&] { xml = results::IofResultList(results::TakeIofSnapshot(*program.meet, day)); }));
    std::printf("iof_results_3000_ms: %.1f ms\n", bench::median(iof));
    std::printf("iof_results_3000_kb: %.0f kB\n", xml.size() / 1024.0);

    std::vector<double> take, check, pages;
    const fs::path folder = test.folder() / "web-bench";
    fs::create_directories(folder);
    for (int run = 0; run < 11; ++run) {
        auto source = std::make_shared<results::WebSource>();
        take.push_back(bench::milliseconds([&] {
            source->meet = results::CopyMeet(*program.meet);
            source->words = results::TakeSnapshot(nullptr, program.LanguageTexts,
                                                  program.language, "10.00.00");
        }));
        check.push_back(bench::milliseconds([&] {
            if (!results::SameAsMeet(source->meet, *program.meet))
                std::fprintf(stderr, "the copy differs\n");
        }));
        source->day = day;
        // A fresh writer each run: every file is written, none is left as it was.
        results::WebPagesWriter writer(folder.string());
        pages.push_back(bench::milliseconds([&] {
            writer.post(std::shared_ptr<const results::WebSource>(source));
            writer.drain();
        }));
    }
    std::printf("web_pages_3000_ms: %.1f ms\n", bench::median(pages));
    std::printf("web_copy_ms: %.2f ms\n", bench::median(take));
    std::printf("web_copy_check_ms: %.2f ms\n", bench::median(check));

    // Registrations without and with the pages written and published.
    testing::SshServer server;
    const bool sshd = fs::exists("/usr/sbin/sshd") && testing::has("rsync") && server.ready() &&
                      server.start();
    for (auto& line : main.SetupChannelCheck) line.setChecked(true);
    main.SetupTimerValue[2].setCaption("1");
    main.SetupCheck[3].setChecked(true);
    Watcher watcher(frame, program);
    program.setObserver(&watcher);
    runFor(1000);
    const auto quiet = registrationDelays(adapter, watcher, 30);
    const auto quiet2 = registrationDelays(adapter, watcher, 30);
    main.SetupWebCheck.setChecked(true);
    if (sshd) {
        main.SetupPublishTargetText.edit("ssh://127.0.0.1:" + std::to_string(server.port()) +
                                         server.site().string());
        main.SetupPublishUserText.edit(server.user());
        main.SetupPublishKeyText.edit(server.key().string());
        main.SetupPublishCheck.setChecked(true);
    }
    runFor(1500);
    const auto publishing = registrationDelays(adapter, watcher, 30);
    runFor(1000);
    const std::string state = main.SetupPublishState.caption();
    program.setObserver(&frame);
    main.SetupCheck[3].setChecked(false);
    main.SetupPublishCheck.setChecked(false);
    main.SetupWebCheck.setChecked(false);
    runFor(1500);
    std::printf("publish_registrations: %zu times\n", quiet.size() + quiet2.size() + publishing.size());
    std::printf("publish_registration_quiet_p99_ms: %.2f ms\n", bench::percentile(quiet2, 0.99));
    std::printf("publish_registration_publishing_p99_ms: %.2f ms\n",
                bench::percentile(publishing, 0.99));
    std::printf("publish_registration_delay_p99_ms: %.2f ms\n",
                bench::percentile(publishing, 0.99) - bench::percentile(quiet2, 0.99));
    std::printf("publish_registration_noise_p99_ms: %.2f ms\n",
                std::abs(bench::percentile(quiet2, 0.99) - bench::percentile(quiet, 0.99)));
    std::fprintf(stderr, "publishing: %s%s\n", sshd ? "" : "(no sshd: pages only) ", state.c_str());
    std::printf("publish_uploads: %d uploads\n",
                sshd ? static_cast<int>(fs::exists(server.site() / "index.html")) : 0);
    program.MDIMain.Close.click();
    return 0;
}
