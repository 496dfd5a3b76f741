// Live results against the real server of the real window: a real HTTP client fetches the
// pages while a race runs in the same program, names come back escaped, and what is no page
// request is refused without harm. A real browser (headless Chromium) reads a class page.
#include "desktop/live_server.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "desktop/main_frame.h"
#include "desktop/results_printer.h"
#include "desktop/services.h"
#include "shell/commands.h"
#include "support/fakes.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

struct Reply {
    int status = 0;
    QByteArray contentType;
    std::string body;
    std::string error;  // the client's, when the request failed
};

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A clock that runs as the system's does (the line thread stamps each change with it), set to
// the time of day a test chooses.
class RunningClock : public kvt::base::Clock {
public:
    void set(const kvt::base::LocalTime& time) { offset_ = millisecondsOf(time) - real(); }
    kvt::base::LocalTime now() override {
        constexpr long long Day = 24LL * 3600 * 1000;
        const long long at = ((real() + offset_) % Day + Day) % Day;
        return {static_cast<int>(at / 3600000), static_cast<int>(at / 60000 % 60),
                static_cast<int>(at / 1000 % 60), static_cast<int>(at % 1000)};
    }

private:
    static long long millisecondsOf(const kvt::base::LocalTime& t) {
        return ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
    }
    long long real() { return millisecondsOf(system_.now()); }
    kvt::desktop::SystemClock system_;
    std::atomic<long long> offset_{0};
};

int freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

// The sample competitors, 4 and 5 in Senior, a name and a club with markup in them; the live
// results switched on through the real check box on a free port.
class LiveServer : public ::testing::Test {
protected:
    void SetUp() override {
        kvt::desktop::ConnectionLimits limits;
        limits.idleMilliseconds = 1500;
        limits.requestMilliseconds = 2000;
        web.setLimits(limits);
        test.useServices(&printer, &web);
        // The line thread stamps each change with the clock: it has to run.
        test.useClock(clock);
        auto& program = test.program();
        program.Watch.setThreaded(true);  // as the desktop program reads its lines
        frame = std::make_unique<MainFrame>(program);
        kvt::shell::LoadMain(program);
        frame->refreshAll();
        frame->show();
        auto& main = program.Main;
        main.SetupCheck[1].setChecked(true);
        main.SetupText[0].setText("30");
        test.makeAndOpenMeet("Demorenn.mdb");
        ASSERT_TRUE(program.meet);
        main.NameMover.setText("1");
        main.NameText[0].setText("<b>Ann & \"Bo\"</b>");
        main.NameCombo[0].setText("O'Neil & <Sons>");
        for (int n : {4, 5}) {
            main.NameMover.setText(std::to_string(n));
            main.NameCombo[1].setText("Senior");
        }
        main.NameMover.setText("1");

        port = freePort();
        auto* box = frame->findChild<QLineEdit*>("SetupLivePortText");
        ASSERT_NE(box, nullptr);
        box->selectAll();
        QTest::keyClicks(box, QString::number(port));
        ASSERT_EQ(main.SetupLivePortText.text(), std::to_string(port));
        auto* check = frame->findChild<QCheckBox*>("SetupLiveCheck");
        ASSERT_NE(check, nullptr);
        check->click();
        ASSERT_TRUE(web.running())
            << (test.dialogs.messages.empty() ? std::string() : test.dialogs.messages.back().text);
        EXPECT_TRUE(frame->findChild<QLabel*>("SetupLiveAddress")
                        ->text()
                        .contains(QString(":%1/").arg(port)));
    }
    void TearDown() override { web.stop(); }

    Reply fetch(const QString& path, const QByteArray& method = "GET",
                const QByteArray& body = {}) {
        QNetworkRequest request(QUrl(QString("http://127.0.0.1:%1%2").arg(port).arg(path)));
        QNetworkReply* reply = manager.sendCustomRequest(request, method, body);
        const bool finished = QTest::qWaitFor([reply] { return reply->isFinished(); }, 10000);
        EXPECT_TRUE(finished) << path.toStdString();
        Reply answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.contentType = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
        answer.body = reply->readAll().toStdString();
        if (reply->error() != QNetworkReply::NoError)
            answer.error = reply->errorString().toStdString();
        reply->deleteLater();
        return answer;
    }
    // Bytes sent as they are on a connection of its own; what comes back until the server
    // closes it (or nothing more comes for a while).
    std::string raw(const QByteArray& bytes, int waitMilliseconds = 5000) {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
        EXPECT_TRUE(socket.waitForConnected(3000));
        socket.write(bytes);
        QByteArray answer;
        QElapsedTimer waited;
        waited.start();
        while (socket.state() == QAbstractSocket::ConnectedState &&
               waited.elapsed() < waitMilliseconds) {
            socket.waitForBytesWritten(10);
            if (socket.waitForReadyRead(50)) answer += socket.readAll();
        }
        answer += socket.readAll();
        return answer.toStdString();
    }
    void enter(int n) {
        auto& main = test.program().Main;
        main.Number[0].setText(std::to_string(n));
        main.Number[0].KeyDown.raise(kvt::ui::KeyReturn);
        main.Number[0].KeyUp.raise(kvt::ui::KeyReturn);
    }
    void startAll() {
        for (int n = 1; n <= 5; ++n) enter(n);
    }

    kvt::desktop::QtPrinter printer;
    kvt::desktop::QtWebServer web;
    RunningClock clock;
    TestProgram test;
    std::unique_ptr<MainFrame> frame;
    QNetworkAccessManager manager;
    int port = 0;
};

}  // namespace

TEST_F(LiveServer, AClientFetchesTheIndexAClassAndTheJsonWhileARaceRunsAndNoEdgeIsLost) {
    auto& program = test.program();
    auto& main = program.Main;
    startAll();
    // Lines 2 and 3 (Enter registers its times on line 1).
    for (int line : {1, 2}) main.SetupChannelCheck[line].setChecked(true);
    main.SetupTimerValue[2].setCaption("1");
    main.automaticCaptureCheck().setChecked(true);
    // The line thread has read both lines idle: a pulse it had not seen begin would be lost.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return program.Watch.status(1).level == 1 && program.Watch.status(2).level == 1; },
        5000));
    auto captured = [&] { return program.meet->channelCount(2) + program.meet->channelCount(3); };
    const int capturedBefore = captured();

    // A burst of edges on two lines, from a thread of their own as the adapter gives them: a
    // runner every 100 ms at least, each breaking the beam for 20 ms at least. Each pulse waits
    // for a page fetched since the one before, so that pages are asked for all through the
    // burst however the processors are shared, and the beam is whole again only once the line
    // thread has seen it broken: what is counted is the program's keeping of the edges while
    // it serves pages, not a busy machine's luck with a pulse shorter than a stall.
    constexpr int EdgesPerLine = 25;
    std::atomic<int> fetched{0};
    std::atomic<bool> done{false};
    std::atomic<int> stalls{0};
    auto waitFor = [&](const std::function<bool()>& condition) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition()) {
            if (std::chrono::steady_clock::now() > until) {
                ++stalls;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    std::thread lines([&] {
        for (int i = 0; i < EdgesPerLine; ++i)
            for (int line : {1, 2}) {
                const int pagesBefore = fetched;
                waitFor([&] { return fetched > pagesBefore; });
                const long edgesBefore = program.Watch.status(line).edges;
                test.adapter.setLevel(line, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
                waitFor([&] { return program.Watch.status(line).edges > edgesBefore; });
                test.adapter.setLevel(line, 1);
                std::this_thread::sleep_for(std::chrono::milliseconds(80));
            }
        done = true;
    });
    int finishers = 0;
    while (!done) {
        for (const char* path : {"/", "/class/1", "/results.json", "/class/2.json"}) {
            const Reply reply = fetch(path);
            EXPECT_EQ(reply.status, 200) << path << ": " << reply.error;
            ++fetched;
        }
        if (finishers < 5) enter(++finishers);  // the finishes come in meanwhile
    }
    lines.join();
    while (finishers < 5) enter(++finishers);
    EXPECT_EQ(stalls, 0) << "pages fetched: " << fetched;
    EXPECT_GE(fetched, 2 * EdgesPerLine);
    EXPECT_TRUE(QTest::qWaitFor([&] { return captured() - capturedBefore >= 2 * EdgesPerLine; },
                                5000));
    QTest::qWait(300);  // a time counted twice would be in by now
    EXPECT_EQ(captured() - capturedBefore, 2 * EdgesPerLine)
        << "edges the line thread saw: " << program.Watch.status(1).edges << " and "
        << program.Watch.status(2).edges;

    // Within the next tick of the live timer the pages show every finisher.
    std::string json;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            json = fetch("/results.json").body;
            return contains(json, "\"number\":5,") && contains(json, "\"number\":3,");
        },
        5000))
        << json;
    const Reply index = fetch("/");
    EXPECT_EQ(index.contentType, "text/html; charset=utf-8");
    EXPECT_TRUE(contains(index.body, "<a href=\"/class/1\">Junior <span>3 i mål</span></a>"));
    EXPECT_TRUE(contains(index.body, "<a href=\"/class/2\">Senior <span>2 i mål</span></a>"));
    const Reply junior = fetch("/class/1");
    EXPECT_TRUE(contains(junior.body, "&lt;b&gt;Ann &amp; &quot;Bo&quot;&lt;/b&gt;"));
    EXPECT_TRUE(contains(junior.body, "O&#39;Neil &amp; &lt;Sons&gt;"));
    EXPECT_FALSE(contains(junior.body, "<b>Ann"));
    EXPECT_FALSE(contains(junior.body, "<Sons>"));
    const Reply data = fetch("/results.json");
    EXPECT_EQ(data.contentType, "application/json; charset=utf-8");
    EXPECT_TRUE(contains(data.body, "\\u003cb\\u003eAnn \\u0026 \\\"Bo\\\"\\u003c/b\\u003e"));
    EXPECT_TRUE(test.dialogs.messages.empty()) << test.dialogs.messages.front().text;
    main.automaticCaptureCheck().setChecked(false);
}

TEST_F(LiveServer, WhatIsNoPageRequestIsRefusedWithoutHarm) {
    startAll();
    enter(2);
    // A file of the meet folder, beside it or above it: none is served.
    for (const char* path : {"/Resultat.htm", "/Demorenn/Resultat.txt", "/../Demorenn.mdb",
                             "/%2e%2e/%2e%2e/etc/passwd", "/Kvt.gif", "/User.ini"}) {
        const std::string answer =
            raw(QByteArray("GET ") + path + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(answer.rfind("HTTP/1.", 0), 0u) << path << ": " << answer;
        EXPECT_TRUE(contains(answer, " 404 ")) << path;
        EXPECT_FALSE(contains(answer, "Tornado")) << path;
        EXPECT_FALSE(contains(answer, "root:")) << path;
    }
    // POST, through the client and by hand.
    const Reply posted = fetch("/class/1", "POST", "place=1");
    EXPECT_EQ(posted.status, 405);
    const std::string put =
        raw("PUT /class/1 HTTP/1.1\r\nHost: x\r\nContent-Length: 4\r\n\r\nabcd");
    EXPECT_TRUE(contains(put, " 405 ")) << put;
    EXPECT_TRUE(contains(put, "Allow: GET")) << put;
    // Not HTTP at all, a request line of 100 000 characters, a body of 1 MB, and one that never
    // ends: each is answered with a refusal or closed, never left open.
    const std::string garbage = raw("THIS IS NOT HTTP\r\n\r\n");
    EXPECT_TRUE(garbage.empty() || contains(garbage, " 400 ")) << garbage;
    const std::string longLine =
        raw("GET /" + QByteArray(100000, 'a') + " HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_TRUE(longLine.empty() || contains(longLine, " 413 ") || contains(longLine, " 400 "))
        << longLine.substr(0, 200);
    const std::string bigBody =
        raw("POST /class/1 HTTP/1.1\r\nHost: x\r\nContent-Length: 1048576\r\n\r\n" +
            QByteArray(1048576, 'x'));
    EXPECT_FALSE(contains(bigBody, " 200 "));
    QElapsedTimer waited;
    waited.start();
    const std::string unfinished = raw("GET /class/1 HTTP/1.1\r\nHost:", 8000);
    EXPECT_LT(waited.elapsed(), 7000) << "an unfinished request was kept open";
    EXPECT_FALSE(contains(unfinished, " 200 "));
    // More connections at once than the server takes: the rest are closed at once.
    std::vector<std::unique_ptr<QTcpSocket>> crowd;
    for (int i = 0; i < 80; ++i) {
        crowd.push_back(std::make_unique<QTcpSocket>());
        crowd.back()->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
    }
    QTest::qWait(300);
    crowd.clear();

    // The server goes on answering, and the program noticed nothing.
    const Reply after = fetch("/class/1");
    EXPECT_EQ(after.status, 200);
    EXPECT_TRUE(contains(after.body, "<h1>Junior</h1>"));
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_TRUE(test.program().meet);
}

namespace {

// Connections from the loopback addresses given that send a request line at once and then
// one header line every 300 ms, never finishing the request and never falling silent.
class Tricklers {
public:
    Tricklers(int port, const QStringList& addresses, int each) {
        for (const QString& address : addresses)
            for (int i = 0; i < each; ++i) {
                auto socket = std::make_unique<QTcpSocket>();
                socket->bind(QHostAddress(address));
                socket->connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port));
                sockets_.push_back(std::move(socket));
            }
        for (auto& socket : sockets_) socket->waitForConnected(1000);
        drip();
        timer_.setInterval(300);
        QObject::connect(&timer_, &QTimer::timeout, [this] { drip(); });
        timer_.start();
    }
    int open() const {
        int count = 0;
        for (const auto& socket : sockets_)
            if (socket->state() == QAbstractSocket::ConnectedState) ++count;
        return count;
    }
    // How many were answered with the status given.
    int answered(const char* status) {
        int count = 0;
        for (auto& socket : sockets_)
            if (socket->readAll().contains(status)) ++count;
        return count;
    }

private:
    void drip() {
        for (auto& socket : sockets_)
            if (socket->state() == QAbstractSocket::ConnectedState)
                socket->write(lines_ == 0 ? "GET / HTTP/1.1\r\n" : "X-Slow: 1\r\n");
        ++lines_;
    }
    std::vector<std::unique_ptr<QTcpSocket>> sockets_;
    QTimer timer_;
    int lines_ = 0;
};

}  // namespace

// 64 connections that trickle a header line at a time once locked every viewer out for as long
// as they went on.
TEST_F(LiveServer, ASlowClientTakesOnlyAFewPlacesAndAViewerIsAnsweredAtOnce) {
    QElapsedTimer waited;
    waited.start();
    Tricklers slow(port, {"127.0.0.2"}, 64);
    EXPECT_TRUE(QTest::qWaitFor([&] { return slow.open() <= 8; }, 1000)) << slow.open();
    const Reply page = fetch("/");
    EXPECT_EQ(page.status, 200);
    EXPECT_LT(waited.elapsed(), 1900);  // before the tricklers' time is up
    // However steadily they trickle, their requests end within the bound from the first byte.
    EXPECT_TRUE(QTest::qWaitFor([&] { return slow.open() == 0; }, 4000)) << slow.open();
    EXPECT_LT(waited.elapsed(), 4500);
    EXPECT_GE(slow.answered(" 408 "), 1);
}

TEST_F(LiveServer, SlowClientsHoldingEveryPlaceLetAViewerInOnceTheirBoundIsUp) {
    QElapsedTimer waited;
    waited.start();
    Tricklers slow(port, {"127.0.0.2", "127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6",
                          "127.0.0.7", "127.0.0.8", "127.0.0.9"},
                   8);
    QTest::qWait(300);
    EXPECT_EQ(slow.open(), 64);
    int status = 0;
    while (status != 200 && waited.elapsed() < 5000) {
        status = fetch("/").status;
        if (status != 200) QTest::qWait(100);
    }
    EXPECT_EQ(status, 200);
    EXPECT_LT(waited.elapsed(), 4000);
    EXPECT_TRUE(QTest::qWaitFor([&] { return slow.open() == 0; }, 3000)) << slow.open();
    EXPECT_EQ(slow.answered(" 408 "), 64);
}

TEST_F(LiveServer, UncheckingTheBoxStopsTheServer) {
    EXPECT_EQ(fetch("/").status, 200);
    frame->findChild<QCheckBox*>("SetupLiveCheck")->click();
    EXPECT_FALSE(web.running());
    EXPECT_EQ(fetch("/").status, 0);  // nothing listens
    EXPECT_FALSE(frame->findChild<QLineEdit*>("SetupLivePortText")->isReadOnly());
    EXPECT_TRUE(frame->findChild<QLabel*>("SetupLiveAddress")->text().isEmpty());
}

TEST_F(LiveServer, APortInUseIsToldAndTheBoxGoesBackOff) {
    QTcpServer taken;
    ASSERT_TRUE(taken.listen(QHostAddress::Any, 0));
    auto* check = frame->findChild<QCheckBox*>("SetupLiveCheck");
    check->click();
    ASSERT_FALSE(web.running());
    auto* box = frame->findChild<QLineEdit*>("SetupLivePortText");
    box->selectAll();
    QTest::keyClicks(box, QString::number(taken.serverPort()));
    check->click();
    EXPECT_FALSE(check->isChecked());
    EXPECT_FALSE(web.running());
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text.rfind("Direkte resultater kunne ikke startes: ", 0),
              0u);
}

TEST_F(LiveServer, ARealBrowserShowsTheNamesOfAClassPageAsText) {
    auto& main = test.program().Main;
    // A class page worth seeing on a phone: Senior with eleven finishers.
    const char* names[][2] = {{"Ingrid", "Haugen"}, {"Lars", "Bakken"}, {"Sigrid", "Moen"},
                              {"Ola", "Nordmann"},  {"Kari", "Lund"},   {"Per", "Solberg"},
                              {"Astrid", "Berg"},   {"Even", "Strand"}, {"Marit", "Dahl"}};
    const char* clubs[] = {"IL Tornado", "Orkla IF", "Byåsen IL"};
    for (int n = 6; n <= 14; ++n) {
        main.NameMover.setText(std::to_string(n));
        main.NameText[0].setText(names[n - 6][0]);
        main.NameText[1].setText(names[n - 6][1]);
        main.NameCombo[0].setText(clubs[n % 3]);
        main.NameCombo[1].setText("Senior");
    }
    main.NameMover.setText("1");
    main.SetupCheck[5].setChecked(true);
    for (int n : {1, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}) {
        clock.set({10, 0, 0, 0});
        enter(n);
        clock.set({10, 30 + (n * 7) % 11, (n * 13) % 60, (n * 37) % 1000});
        enter(n);
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return contains(fetch("/class/2").body, "Haugen"); }, 5000));

    const QString url = QString("http://127.0.0.1:%1/class/1").arg(port);
    const QString profile = QString::fromStdString((test.folder() / "chromium").string());
    const QStringList common = {"--headless",
                                "--no-sandbox",
                                "--disable-gpu",
                                "--disable-background-networking",
                                "--disable-component-update",
                                "--disable-sync",
                                "--no-first-run",
                                "--hide-scrollbars",
                                "--user-data-dir=" + profile};
    auto chromium = [&](const QStringList& arguments) {
        QProcess browser;
        // The page is served by this thread's program: the events go on while the browser reads.
        browser.start("chromium", common + arguments);
        EXPECT_TRUE(browser.waitForStarted(10000));
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return browser.state() == QProcess::NotRunning; }, 90000));
        return browser.readAllStandardOutput().toStdString();
    };
    const std::string dom = chromium({"--dump-dom", url});
    EXPECT_TRUE(contains(dom, "<h1>Junior</h1>")) << dom.substr(0, 400);
    // Markup in a name is text of the page, not an element of it.
    EXPECT_TRUE(contains(dom, "&lt;b&gt;Ann &amp; \"Bo\"&lt;/b&gt;")) << dom;
    EXPECT_FALSE(contains(dom, "<b>Ann"));

    const std::string shot = (test.folder() / "live-phone.png").string();
    chromium({"--screenshot=" + QString::fromStdString(shot), "--window-size=390,844",
              QString("http://127.0.0.1:%1/class/2").arg(port)});
    std::ifstream png(shot, std::ios::binary);
    std::string header(24, '\0');
    png.read(header.data(), 24);
    ASSERT_EQ(header.substr(1, 3), "PNG");
    auto number = [&](int at) {
        return (static_cast<unsigned char>(header[at]) << 24) |
               (static_cast<unsigned char>(header[at + 1]) << 16) |
               (static_cast<unsigned char>(header[at + 2]) << 8) |
               static_cast<unsigned char>(header[at + 3]);
    };
    EXPECT_EQ(number(16), 390u);
    EXPECT_EQ(number(20), 844u);
    // With KVT_WRITE_DOCS naming the docs folder, the pictures shown in the README are made
    // afresh: this page on a phone, and the first page of the same meet's PDF.
    if (const char* docs = std::getenv("KVT_WRITE_DOCS")) {
        fs::copy_file(shot, fs::path(docs) / "live-phone.png",
                      fs::copy_options::overwrite_existing);
        frame->findChild<QAction*>("PdfResultslist")->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !test.launcher.opened.empty(); }, 60000));
        QProcess render;
        render.start("pdftoppm",
                     {"-png", "-r", "80", "-f", "1", "-l", "1", "-singlefile",
                      QString::fromStdString(test.launcher.opened[0]),
                      QString::fromStdString((fs::path(docs) / "results-pdf").string())});
        EXPECT_TRUE(render.waitForFinished(60000));
        EXPECT_EQ(render.exitCode(), 0);
    }
}
