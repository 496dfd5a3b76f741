// Exit ends the program: the real window and event loop in a process of its own, ended from
// the Database menu, the toolbar and the window's close button, in both languages, with and
// without a meet open.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <tuple>
#include <utility>

namespace {

class ProgramExit : public ::testing::TestWithParam<std::tuple<std::string, std::string, bool>> {};

std::string caseName(const ::testing::TestParamInfo<ProgramExit::ParamType>& info) {
    auto [way, language, withMeet] = info.param;
    return way + "_" + language + (withMeet ? "_WithAMeetOpen" : "_WithNoMeet");
}

}  // namespace

TEST_P(ProgramExit, EndsTheProcessAndClosesTheMeet) {
    auto [way, language, withMeet] = GetParam();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    QStringList arguments{folder.path(), QString::fromStdString(language),
                          QString::fromStdString(way)};
    if (withMeet) arguments << "Meet.mdb";
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(KVT_EXIT_CHILD, arguments);
    ASSERT_TRUE(child.waitForStarted(10000));
    // A program that does not end is killed after a generous while, and the test fails.
    const bool ended = child.waitForFinished(15000);
    if (!ended) {
        child.kill();
        child.waitForFinished(5000);
    }
    const QString output = QString::fromUtf8(child.readAll());
    ASSERT_TRUE(ended) << "still running after Exit:\n" << output.toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains(language == "en" ? "READY &Exit..." : "READY &Avslutt..."))
        << output.toStdString();
    EXPECT_TRUE(output.contains("ENDED closed idle")) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(FromEveryPlace, ProgramExit,
                         ::testing::Combine(::testing::Values("menu", "toolbar", "close"),
                                            ::testing::Values("no", "en"), ::testing::Bool()),
                         caseName);

namespace {

// Runs the exit child on a meet with the simulated lines' control path given; whether it ended
// within a generous while, and what it printed.
std::pair<bool, std::string> exitWithControl(const QString& folder, const QString& control) {
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("KVT_EXIT_CONTROL", control);
    child.setProcessEnvironment(environment);
    child.start(KVT_EXIT_CHILD, {folder, "no", "menu", "Meet.mdb"});
    if (!child.waitForStarted(10000)) return {false, "not started"};
    const bool ended = child.waitForFinished(20000);
    if (!ended) {
        child.kill();
        child.waitForFinished(5000);
    }
    std::string output = QString::fromUtf8(child.readAll()).toStdString();
    if (ended && (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0))
        return {false, "ended badly: " + output};
    return {ended, output};
}

}  // namespace

// A control file of garbage (here a million short lines that are no commands, 32 MB: each one
// used to be erased from the front of all the rest, for hours) is refused as no FIFO, named in
// the message, and Exit ends the program.
TEST(ProgramExitWithControl, AGarbageControlFileIsRefusedAndExitEndsTheProcess) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string control = folder.path().toStdString() + "/lines";
    {
        std::ofstream file(control, std::ios::binary);
        const std::string line = std::string(29, '\x7f') + " x\n";
        for (int i = 0; i < 1000000; ++i) file << line;
    }
    auto [ended, output] = exitWithControl(folder.path(), QString::fromStdString(control));
    ASSERT_TRUE(ended) << "still running after Exit:\n" << output.substr(0, 2000);
    EXPECT_NE(output.find("control=" + control + ": no FIFO"), std::string::npos) << output;
    EXPECT_NE(output.find("ENDED closed"), std::string::npos) << output;
}

// A control FIFO that another process floods with garbage without a pause: the lines are still
// read in bounded looks, and Exit ends the program.
TEST(ProgramExitWithControl, AFloodedControlFifoDoesNotHoldUpExit) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string control = folder.path().toStdString() + "/lines";
    ASSERT_EQ(::mkfifo(control.c_str(), 0600), 0);
    // Read and write: the open never waits for the child, and the writes never fail for want
    // of a reader.
    const int fd = ::open(control.c_str(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    std::atomic<bool> done{false};
    std::thread flood([&] {
        const std::string garbage(4096, '\x7f');
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!done && std::chrono::steady_clock::now() < until)
            if (::write(fd, garbage.data(), garbage.size()) < 0)
                std::this_thread::sleep_for(std::chrono::microseconds(200));
    });
    auto [ended, output] = exitWithControl(folder.path(), QString::fromStdString(control));
    done = true;
    flood.join();
    ::close(fd);
    ASSERT_TRUE(ended) << "still running after Exit:\n" << output.substr(0, 2000);
    EXPECT_NE(output.find("ENDED closed"), std::string::npos) << output;
}
