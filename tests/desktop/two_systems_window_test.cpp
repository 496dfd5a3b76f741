// Two timing systems in the real window, offscreen, in both languages: a replacement proposed
// for a competitor A missed, declined and then accepted from the results page, and the timing
// report's PDF read back with pdftotext holding every replacement with its ten times.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <filesystem>

#include "desktop/live_server.h"
#include "desktop/main_frame.h"
#include "desktop/results_printer.h"
#include "lang/systems_texts.h"
#include "shell/commands.h"
#include "support/fakes.h"
#include "support/two_systems_race.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string pdfText(const std::string& pdf) {
    QProcess process;
    process.start("pdftotext", {"-layout", QString::fromStdString(pdf), "-"});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        ADD_FAILURE() << "pdftotext failed: " << process.readAllStandardError().toStdString();
        return {};
    }
    // The font's "fi" ligature comes back as one character.
    std::string text = process.readAllStandardOutput().toStdString();
    for (auto at = text.find("\xEF\xAC\x81"); at != std::string::npos; at = text.find("\xEF\xAC\x81"))
        text.replace(at, 3, "fi");
    return text;
}

class TwoSystemsWindow : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        test.useServices(&printer, &web);
        if (english()) test.writeUserIni("x", " 1", " 0", "");
        frame = std::make_unique<MainFrame>(test.program());
        kvt::shell::LoadMain(test.program());
        frame->refreshAll();
        frame->show();
        QApplication::setActiveWindow(frame.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame.get()));
        auto& main = test.program().Main;
        main.SetupText[0].setText("40");
        main.SetupText[2].setText("1");
        path = (test.folder() / "Race.mdb").string();
        test.dialogs.fileAnswers.push_back(path);
        frame->findChild<QAction*>("MakeNew")->trigger();
        test.program().MDIMain.Close.click();
        race = kvt::testing::MakeTwoSystemsRace(40, 11);
        kvt::testing::WriteTwoSystemsRace(test.engine, path, test.program().LanguageTexts, race);
        test.dialogs.fileAnswers.push_back(path);
        frame->findChild<QAction*>("Open")->trigger();
        ASSERT_TRUE(test.program().meet);
    }
    bool english() const { return GetParam(); }
    kvt::meet::Meet& meet() { return *test.program().meet; }
    void type(const QString& name, const QString& text) {
        auto* into = frame->findChild<QLineEdit*>(name);
        ASSERT_NE(into, nullptr) << name.toStdString();
        QTest::mouseClick(into, Qt::LeftButton);
        into->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    void click(const QString& name) {
        auto* button = frame->findChild<QPushButton*>(name);
        ASSERT_NE(button, nullptr) << name.toStdString();
        ASSERT_TRUE(button->isVisible()) << name.toStdString();
        QTest::mouseClick(button, Qt::LeftButton);
    }

    kvt::desktop::QtPrinter printer;
    kvt::desktop::QtWebServer web;
    TestProgram test;
    std::unique_ptr<MainFrame> frame;
    std::string path;
    kvt::testing::TwoSystemsRace race;
};

}  // namespace

TEST_P(TwoSystemsWindow, AProposedReplacementIsDeclinedThenAcceptedAndTheReportHoldsItsTenTimes) {
    const auto language = english() ? kvt::lang::Language::English : kvt::lang::Language::Norwegian;
    const int first = race.order.front();  // A missed his start and his finish
    // B's start of the first starter, read off B's tape, is his.
    for (const auto& [entry, time] : meet().unpairedB(kvt::meet::TimeUse::Start))
        if (time == race.bStart[first]) {
            ASSERT_TRUE(meet().giveSystemB(entry, first).stored);
        }
    for (const auto& [entry, time] : meet().unpairedB(kvt::meet::TimeUse::Finish))
        if (time == race.bFinish[first]) {
            ASSERT_TRUE(meet().giveSystemB(entry, first).stored);
        }
    kvt::meet::Replacement start, finish;
    ASSERT_TRUE(kvt::testing::ReplacementByHand(race, first, false, start));
    ASSERT_TRUE(kvt::testing::ReplacementByHand(race, first, true, finish));

    frame->clickMainTab(6);
    type("ResultsCorrectionNumber", QString::number(first));
    // Declined: nothing changes (the operator would type another time by hand).
    const auto asked = test.dialogs.messages.size();
    test.dialogs.answers.push_back(kvt::ui::Answer::No);
    click("ResultsCorrectionReplaceStart");
    ASSERT_EQ(test.dialogs.messages.size(), asked + 1);
    EXPECT_NE(test.dialogs.messages.back().text.find(kvt::base::PreciseTimeText(start.time)),
              std::string::npos);
    EXPECT_EQ(test.dialogs.messages.back().buttons, kvt::ui::MessageButtons::YesNo);
    EXPECT_EQ(meet().competitor(first).state, kvt::meet::NotStarted);
    EXPECT_TRUE(meet().replacements().empty());
    // Accepted: his start, then his finish, each one correction.
    test.dialogs.answers.push_back(kvt::ui::Answer::Yes);
    click("ResultsCorrectionReplaceStart");
    EXPECT_EQ(meet().competitor(first).start, kvt::base::PreciseTimeText(start.time));
    test.dialogs.answers.push_back(kvt::ui::Answer::Yes);
    click("ResultsCorrectionReplaceFinish");
    EXPECT_EQ(meet().competitor(first).finish, kvt::base::PreciseTimeText(finish.time));
    EXPECT_EQ(meet().competitor(first).state, kvt::meet::Finished);
    ASSERT_EQ(meet().replacements().size(), 2u);
    EXPECT_TRUE(meet().isReplacement(first));
    // The capture page says A - B of the last ones paired.
    EXPECT_NE(test.program().Main.TimeCorrection.Systems.caption().find("A - B"), std::string::npos);

    // The timing report as a PDF, read back: both replacements, each with its ten times.
    frame->clickMainTab(6);
    test.launcher.opened.clear();
    test.program().Main.TrailPdf.click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !test.launcher.opened.empty(); }, 60000));
    const std::string pdf = test.launcher.opened.back();
    EXPECT_EQ(fs::path(pdf).filename().string(), english() ? "Timing report.pdf" : "Tidtakerrapport.pdf");
    const std::string text = pdfText(pdf);
    for (const auto& [replacement, isFinish] : {std::pair{start, false}, std::pair{finish, true}}) {
        const std::string heading = kvt::lang::ReplacementOfText(
            language, first, isFinish, kvt::base::ClockTimeText(replacement.time, 2));
        const auto under = text.find(heading);
        ASSERT_NE(under, std::string::npos) << heading;
        ASSERT_EQ(replacement.basis.size(), 10u);
        for (const auto& basis : replacement.basis) {
            // The row of each of the ten under it: his number, A, B and A - B at full precision.
            const std::string a = kvt::base::ClockTimeText(basis.a, 4);
            const std::string b = kvt::base::ClockTimeText(basis.b, 4);
            const auto at = text.find(a, under);
            ASSERT_NE(at, std::string::npos) << a;
            const auto line = text.substr(text.rfind('\n', at) + 1,
                                          text.find('\n', at) - text.rfind('\n', at) - 1);
            EXPECT_NE(line.find(std::to_string(basis.number)), std::string::npos) << line;
            EXPECT_NE(line.find(b), std::string::npos) << line;
            EXPECT_NE(line.find(kvt::meet::DifferenceText(basis.a - basis.b)), std::string::npos)
                << line;
        }
    }
    EXPECT_NE(text.find(english() ? "Checked by the referee" : "Kontrollert av dommer"),
              std::string::npos);
    EXPECT_NE(text.find(english() ? "Systems A and B" : "System A og B"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, TwoSystemsWindow, ::testing::Values(false, true));
