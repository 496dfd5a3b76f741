// Exit ends the program: the real window and event loop in a process of its own, ended from
// the Database menu, the toolbar and the window's close button, in both languages, with and
// without a meet open.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <string>
#include <tuple>

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
