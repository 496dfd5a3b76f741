// A meet on a PostgreSQL server of the benchmark's own on 127.0.0.1 (syncing each commit):
// hosting a meet file of 3000 competitors, and a registration on a station, from the operator's
// Enter until its transaction has committed on the server over loopback, headless; and an
// impulse registered on one station until a second station on the meet shows it.
// Prints "name: value unit".
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "shell/meet_commands.h"
#include "shell/server_meets.h"
#include "support/fakes.h"
#include "support/pg_server.h"
#include "support/race_file.h"
#include "timing.h"
#include "ui/captions.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;
using kvt::bench::percentile;

int main() {
    testing::PgServer server(true);
    if (!server.ready() || !server.start()) {
        std::fprintf(stderr, "no PostgreSQL server could be started\n");
        return 1;
    }
    testing::TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[0].setText("3000");
    main.SetupText[2].setText("15");
    const std::string path = (test.folder() / "Bench.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    // 3000 competitors in 15 classes, 2000 of them finished and in their results.
    testing::PrepareRace(path, program.LanguageTexts, 3000, 15, 2000);

    pgdb::ServerMeet meet;
    meet.host = "127.0.0.1";
    meet.port = server.port();
    std::vector<double> host;
    for (int run = 0; run < 5; ++run) {
        meet.database = "bench_" + std::to_string(run);
        host.push_back(milliseconds([&] { shell::HostMeet(path, meet, server.password()); }));
    }
    std::printf("host_meet_ms: %.0f ms\n", median(host));

    test.server.setPassword(meet.name(), server.password());
    if (!shell::OpenDatabaseFile(program, meet.name()) || !program.meet) {
        std::fprintf(stderr, "the server meet did not open\n");
        return 1;
    }
    // Registrations of competitors who have not finished: each Enter registers a time and
    // commits it on the server before the handler returns.
    std::vector<double> registration;
    for (int k = 0; k < 400; ++k) {
        main.Number[0].setText(std::to_string(2001 + k % 999));
        test.clock.time = {11, k / 60 % 60, k % 60, 0};
        registration.push_back(milliseconds([&] {
            main.Number[0].KeyDown.raise(ui::KeyReturn);
            main.Number[0].KeyUp.raise(ui::KeyReturn);
        }));
    }
    if (program.meet->registeredCount() < 400 || !program.meet->allStored()) {
        std::fprintf(stderr, "the registrations were not stored\n");
        return 1;
    }
    std::printf("station_registration_p50_ms: %.1f ms\n", percentile(registration, 0.5));
    std::printf("station_registration_p99_ms: %.1f ms\n", percentile(registration, 0.99));

    // A second station on the meet: an impulse registered on the first until the second's
    // poll shows it (its count of registered times), the second polling as its window does.
    testing::TestProgram other;
    auto& second = other.start();
    other.server.setPassword(meet.name(), server.password());
    if (!shell::OpenDatabaseFile(second, meet.name()) || !second.meet) {
        std::fprintf(stderr, "the second station did not join\n");
        return 1;
    }
    std::vector<double> visible;
    for (int k = 0; k < 200; ++k) {
        const int before = second.meet->registeredCount();
        const auto start = std::chrono::steady_clock::now();
        program.meet->registerCapture(2, "12:00:" + std::to_string(10 + k % 50) + ".00");
        while (second.meet->registeredCount() == before &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
            second.Main.Hitime1.tick();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        if (second.meet->registeredCount() == before) {
            std::fprintf(stderr, "the second station never showed the impulse\n");
            return 1;
        }
        visible.push_back(std::chrono::duration<double, std::milli>(
                              std::chrono::steady_clock::now() - start)
                              .count());
        // The first station's own poll, as its window ticks between impulses.
        main.Hitime1.tick();
    }
    std::printf("station_visible_p50_ms: %.1f ms\n", percentile(visible, 0.5));
    std::printf("station_visible_p99_ms: %.1f ms\n", percentile(visible, 0.99));
    second.MDIMain.Close.click();
    program.MDIMain.Close.click();
    return 0;
}
