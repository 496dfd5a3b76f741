// Results out, through the real Qt program offscreen, on a meet of 3000 finishers in 15 classes
// (200 a class):
//   pdf_3000_ms                     the PDF command of the Lists menu, until the file is there
//                                   (ranking, taking the rows, laying out, writing; median)
//   pdf_3000_window_ms              of it, the time the window's thread is held up
//   live_snapshot_ms                taking the results of the meet for the live pages (median)
//   live_snapshot_check_ms          seeing that they did not change, each second (median)
//   live_page_p50_ms, _p99_ms       a class page of 200 rows fetched over the network, 20
//                                   requests a second, while edges come in on six lines
//   live_registration_delay_p99_ms  the registrations' p99 delay (edge to registered and shown)
//                                   in the seconds pages are asked for, minus the same in the
//                                   seconds between (a minute of 25 edges a second, six lines)
//   live_registration_noise_p99_ms  that difference between two halves of the seconds without
//                                   pages: how far the figure above is to be trusted
#include <sys/resource.h>

#include <QApplication>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <thread>

#include "desktop/live_server.h"
#include "desktop/main_frame.h"
#include "desktop/results_printer.h"
#include "desktop/services.h"
#include "driven_adapter.h"
#include "registration_watch.h"
#include "results/live_results.h"
#include "results/printed_list.h"
#include "shell/commands.h"
#include "support/fakes.h"
#include "support/race_file.h"
#include "timing.h"

using namespace kvt;
using Steady = std::chrono::steady_clock;
namespace fs = std::filesystem;
using bench::runFor;
using bench::Watcher;

using bench::percentile;

namespace {

double since(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

// Whether pages are asked for at an instant: in every other second from the start, so that
// the registrations with and without pages share the same load of the machine. The seconds
// without pages are of two kinds in turn, whose difference tells the noise of the figures.
class Turns {
public:
    explicit Turns(Steady::time_point start) : start_(start) {}
    int second(Steady::time_point at) const {
        if (at < start_) return 0;
        return static_cast<int>(
            std::chrono::duration_cast<std::chrono::seconds>(at - start_).count() % 4);
    }
    bool serving(Steady::time_point at) const { return second(at) % 2 == 1; }

private:
    Steady::time_point start_;
};

// A client on a thread of its own: GET path, 20 times a second in the turns that serve, each
// on a new connection.
class PageClient {
public:
    PageClient(int port, std::string path, const Turns& turns)
        : port_(port), path_(std::move(path)), turns_(turns) {
        thread_ = std::thread([this] { run(); });
    }
    ~PageClient() { finish(); }
    void finish() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    std::vector<double> latencies;
    int failures = 0;

private:
    void run() {
        // The client stands in for phones on other devices: it takes the processor only when
        // the program leaves it.
        setpriority(PRIO_PROCESS, 0, 0);
        const QByteArray request = QByteArray::fromStdString(
            "GET " + path_ + " HTTP/1.1\r\nHost: bench\r\nConnection: close\r\n\r\n");
        auto next = Steady::now();
        while (!stop_) {
            next += std::chrono::milliseconds(50);
            const auto start = Steady::now();
            if (!turns_.serving(start)) {
                std::this_thread::sleep_until(next);
                continue;
            }
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
            QByteArray response;
            if (socket.waitForConnected(2000)) {
                socket.write(request);
                while (socket.waitForReadyRead(2000)) response += socket.readAll();
                response += socket.readAll();
            }
            if (response.startsWith("HTTP/1.") && response.contains(" 200 ") &&
                response.contains("</html>"))
                latencies.push_back(since(start));
            else
                ++failures;
            std::this_thread::sleep_until(next);
        }
    }
    int port_;
    std::string path_;
    const Turns& turns_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Edges on six lines at 25 a second in all, 20 ms pulses, for the seconds given; each
// registration's delay from its edge to its being shown, by whether pages were asked for at
// the edge.
void registrationDelays(bench::DrivenAdapter& adapter, Watcher& watcher, int seconds,
                        const Turns& turns, Steady::time_point start,
                        std::array<std::vector<double>, 4>& delays, int& missed) {
    std::array<std::vector<Steady::time_point>, 6> edges;
    std::atomic<bool> done{false};
    watcher.start();
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
    for (int c = 0; c < 6; ++c) {
        const std::size_t paired = std::min(edges[c].size(), watcher.shown[c].size());
        missed += static_cast<int>(edges[c].size() - paired);
        for (std::size_t i = 0; i < paired; ++i) {
            const double delay =
                std::chrono::duration<double, std::milli>(watcher.shown[c][i] - edges[c][i])
                    .count();
            delays[turns.second(edges[c][i])].push_back(delay);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication application(argc, argv);
    // The meet in memory where the machine has it: what the pages could cost the registrations
    // is time on the processor, and the disk's delays (other work on the machine writing)
    // would hide it.
    std::error_code noMemoryFolder;
    if (fs::is_directory("/dev/shm", noMemoryFolder)) setenv("TMPDIR", "/dev/shm", 1);
    testing::TestProgram test;
    bench::DrivenAdapter adapter;
    desktop::SystemClock clock;
    desktop::QtPrinter printer;
    desktop::QtWebServer web;
    ui::Platform platform{test.dialogs,     test.pump,   clock,   test.launcher, test.help,
                          test.application, test.engine, adapter, test.imports, &printer, &web};
    ui::Program program(platform, test.folder().string());
    program.Watch.setThreaded(true);
    desktop::MainFrame frame(program);
    shell::LoadMain(program);
    frame.show();
    auto& main = program.Main;
    main.SetupText[0].setText("3000");
    main.SetupText[2].setText("15");
    const std::string path = (test.folder() / "Output.mdb").string();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.MakeNew.click();
    testing::PrepareRace(path, program.LanguageTexts, 3000, 15, 3000, false);
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Open.click();
    if (!program.meet) {
        std::fprintf(stderr, "the bench meet did not open\n");
        return 1;
    }

    // The PDF of every class.
    std::vector<double> pdf, handler;
    for (int run = 0; run < 5; ++run) {
        const auto start = Steady::now();
        const std::size_t opened = test.launcher.opened.size();
        program.MDIMain.PdfResultslist.click();
        handler.push_back(since(start));
        while (test.launcher.opened.size() == opened && test.dialogs.messages.empty())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        pdf.push_back(since(start));
    }
    const fs::path written = test.folder() / "Output" / "Resultat.pdf";
    if (!fs::exists(written) || !test.dialogs.messages.empty() ||
        test.launcher.opened.size() != 5) {
        std::fprintf(stderr, "the PDF was not written: %s\n",
                     test.dialogs.messages.empty() ? "" : test.dialogs.messages[0].text.c_str());
        return 1;
    }
    std::printf("pdf_3000_ms: %.1f ms\n", bench::median(pdf));
    // Of it, what holds up the window's thread (and so the registrations): ranking and taking
    // the rows; the pages are laid out and written on a thread of their own.
    std::printf("pdf_3000_window_ms: %.1f ms\n", bench::median(handler));
    std::printf("pdf_3000_kb: %.0f kB\n", fs::file_size(written) / 1024.0);
    {
        QProcess info;
        info.start("pdfinfo", {QString::fromStdString(written.string())});
        info.waitForFinished(30000);
        for (const QByteArray& line : info.readAllStandardOutput().split('\n'))
            if (line.startsWith("Pages:"))
                std::printf("pdf_3000_pages: %d pages\n", line.mid(6).trimmed().toInt());
    }

    // What the live pages cost the window's thread.
    std::vector<double> take, check;
    results::ResultsSnapshot snapshot;
    for (int run = 0; run < 21; ++run) {
        take.push_back(bench::milliseconds([&] {
            snapshot = results::TakeSnapshot(program.meet.get(), program.LanguageTexts,
                                             program.language, "10.00.00");
        }));
        check.push_back(bench::milliseconds([&] {
            if (!results::SameResults(snapshot, program.meet.get(), program.language))
                std::fprintf(stderr, "the snapshot differs\n");
        }));
    }
    std::printf("live_snapshot_ms: %.2f ms\n", bench::median(take));
    std::printf("live_snapshot_check_ms: %.3f ms\n", bench::median(check));

    // The server on a free port, switched on as the operator does.
    int port = 0;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port = probe.serverPort();
    }
    main.SetupLivePortText.edit(std::to_string(port));
    main.SetupLiveCheck.setChecked(true);
    if (!web.running()) {
        std::fprintf(stderr, "the live results did not start\n");
        return 1;
    }

    // Registrations on six lines with the adapter read on its thread, without and with pages
    // served, in turns.
    for (auto& line : main.SetupChannelCheck) line.setChecked(true);
    main.SetupTimerValue[2].setCaption("1");
    main.SetupCheck[3].setChecked(true);
    Watcher watcher(frame, program);
    program.setObserver(&watcher);
    runFor(1000);
    std::array<std::vector<double>, 4> delays;
    int missed = 0;
    const auto start = Steady::now() + std::chrono::milliseconds(100);
    const Turns turns(start);
    PageClient client(port, "/class/1", turns);
    registrationDelays(adapter, watcher, 60, turns, start, delays, missed);
    std::vector<double> quiet = delays[0], served = delays[1];
    quiet.insert(quiet.end(), delays[2].begin(), delays[2].end());
    served.insert(served.end(), delays[3].begin(), delays[3].end());
    client.finish();
    const std::vector<double>& pages = client.latencies;
    const int failures = client.failures;
    program.setObserver(&frame);
    main.SetupCheck[3].setChecked(false);
    main.SetupLiveCheck.setChecked(false);

    std::printf("live_page_requests: %zu requests\n", pages.size());
    std::printf("live_page_failures: %d requests\n", failures);
    std::printf("live_page_p50_ms: %.2f ms\n", percentile(pages, 0.5));
    std::printf("live_page_p99_ms: %.2f ms\n", percentile(pages, 0.99));
    std::printf("live_registrations: %zu times\n", quiet.size() + served.size());
    std::printf("live_registrations_missed: %d edges\n", missed);
    std::printf("live_registration_quiet_p50_ms: %.2f ms\n", percentile(quiet, 0.5));
    std::printf("live_registration_served_p50_ms: %.2f ms\n", percentile(served, 0.5));
    std::printf("live_registration_quiet_p99_ms: %.2f ms\n", percentile(quiet, 0.99));
    std::printf("live_registration_served_p99_ms: %.2f ms\n", percentile(served, 0.99));
    std::printf("live_registration_delay_p99_ms: %.2f ms\n",
                percentile(served, 0.99) - percentile(quiet, 0.99));
    // The same difference between the two halves of the seconds without pages.
    std::printf("live_registration_noise_p99_ms: %.2f ms\n",
                std::abs(percentile(delays[2], 0.99) - percentile(delays[0], 0.99)));
    program.MDIMain.Close.click();
    return 0;
}
