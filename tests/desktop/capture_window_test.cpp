// The capture lines in the real window, offscreen, with the keys going where the keyboard focus
// is, as they do for the operator: no notice takes a key meant for a line, and a number that is
// no competitor says so. Beside them, the small frictions of the pages.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "desktop/main_frame.h"
#include "desktop/notice_strip.h"
#include "desktop/services.h"
#include "meetdb/sqlite.h"
#include "shell/commands.h"
#include "support/fakes.h"

using kvt::desktop::MainFrame;
using kvt::desktop::NoticeStrip;
using kvt::testing::TestProgram;

namespace {

// The fakes' file dialogs and message boxes (each one recorded), and the window's own notices.
class WindowNotices : public kvt::ui::Dialogs {
public:
    WindowNotices(kvt::testing::FakeDialogs& fake, kvt::desktop::QtDialogs& real)
        : fake_(fake), real_(real) {}
    std::optional<std::string> openFile(const kvt::ui::FileDialogRequest& request) override {
        return fake_.openFile(request);
    }
    kvt::ui::Answer message(const std::string& text, const std::string& title,
                            kvt::ui::MessageButtons buttons) override {
        return fake_.message(text, title, buttons);
    }
    void notify(const std::string& text, const std::string& title) override {
        real_.notify(text, title);
    }
    void showModal(kvt::ui::MainAboutWindow& window) override { fake_.showModal(window); }

private:
    kvt::testing::FakeDialogs& fake_;
    kvt::desktop::QtDialogs& real_;
};

// The windows shown besides the main window.
QStringList otherWindows(const QWidget& main) {
    QStringList shown;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != &main && window->isVisible()) shown << window->objectName();
    return shown;
}

// A meet of 150 competitors with the sample names, open in the real window, line 1 on.
class CaptureWindow : public ::testing::Test {
protected:
    void SetUp() override {
        kvt::shell::LoadMain(program);
        real.setParent(&frame);
        frame.refreshAll();
        frame.show();
        QApplication::setActiveWindow(&frame);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));
        program.Main.SetupCheck[1].setChecked(true);
        program.Main.SetupText[0].setText("150");
        path = test.makeAndOpenMeet();
        ASSERT_TRUE(program.meet);
        ASSERT_EQ(program.meet->highestNumber(), 150);
        frame.findChild<QCheckBox*>("SetupChannelCheck_0")->click();
        test.clock.time = {11, 0, 0, 0};
    }
    QLineEdit* number(int line) {
        return frame.findChild<QLineEdit*>(QString("Number_%1").arg(line));
    }
    // Clicks into line i's box and types, as the operator does.
    void type(int line, const QString& text) {
        QLineEdit* box = number(line);
        QTest::mouseClick(box, Qt::LeftButton);
        box->selectAll();
        QTest::keyClicks(QApplication::focusWidget(), text);
    }
    // Enter where the keyboard is.
    void enter() {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClick(focus, Qt::Key_Return);
    }
    // Every write of the Time table fails (behind the program's back), or no longer does.
    void refuseTimes(bool refuse) {
        kvt::meetdb::Connection db(path, kvt::meetdb::Connection::Mode::ReadWrite);
        db.execute(refuse ? "CREATE TRIGGER \"refuse\" BEFORE UPDATE ON \"Tider\" BEGIN "
                            "SELECT RAISE(ABORT, 'disk full'); END"
                          : "DROP TRIGGER \"refuse\"");
    }
    QString strip() const {
        auto* notices = frame.findChild<NoticeStrip*>("NoticeStrip");
        return notices && notices->isVisible() ? notices->notices().join('\n') : QString();
    }

    kvt::desktop::QtDialogs real;
    TestProgram test;
    WindowNotices dialogs{test.dialogs, real};
    kvt::ui::Program& program = (test.useDialogs(dialogs), test.program());
    MainFrame frame{program};
    std::string path;
};

}  // namespace

// Typing a number once made the retry say "Everything is stored again" in a box of its own,
// which took the Enter meant as a finish.
TEST_F(CaptureWindow, ATypedNumberAndTheRetryNeverTakeTheEnterMeantAsAFinish) {
    type(1, "3");
    enter();
    ASSERT_EQ(program.meet->competitor(3).state, kvt::meet::Started);
    type(0, "3");
    QTest::qWait(3000);  // the retry ticks each second
    EXPECT_TRUE(otherWindows(frame).isEmpty()) << otherWindows(frame).join(", ").toStdString();
    EXPECT_EQ(QApplication::activeWindow(), &frame);
    EXPECT_EQ(QApplication::focusWidget(), number(0));
    test.clock.time = {11, 20, 0, 0};
    enter();
    EXPECT_EQ(program.meet->competitor(3).state, kvt::meet::Finished);
    EXPECT_EQ(program.meet->competitor(3).finish, "11.20.00.00");
    EXPECT_TRUE(strip().isEmpty()) << strip().toStdString();
    EXPECT_TRUE(test.dialogs.messages.empty());
    EXPECT_TRUE(program.meet->allStored());
}

// A store that fails is told in the strip, and so is its storing later; the keyboard stays on
// the line all the while.
TEST_F(CaptureWindow, ANoticeOfAFailureGoesToTheStripAndLeavesTheKeyboardOnTheLine) {
    type(0, "5");
    enter();
    refuseTimes(true);  // the disk is full from now on
    test.clock.time = {11, 10, 0, 0};
    type(1, "6");
    enter();  // started in the meet, not stored
    EXPECT_TRUE(QTest::qWaitFor([&] { return !strip().isEmpty(); }, 2000));
    EXPECT_TRUE(strip().contains("11.10.00.00")) << strip().toStdString();
    EXPECT_TRUE(otherWindows(frame).isEmpty()) << otherWindows(frame).join(", ").toStdString();
    EXPECT_EQ(QApplication::focusWidget(), number(1));
    refuseTimes(false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return strip().contains("Alt er lagret igjen."); }, 3000))
        << strip().toStdString();
    EXPECT_TRUE(program.meet->allStored());
    test.clock.time = {11, 30, 0, 0};
    type(0, "5");
    enter();
    EXPECT_EQ(program.meet->competitor(5).state, kvt::meet::Finished);
    EXPECT_TRUE(test.dialogs.messages.empty());
}

TEST_F(CaptureWindow, ANumberThatIsNoCompetitorSaysSoAndEnterAndTheArrowsGiveNothing) {
    type(0, "77");
    enter();
    ASSERT_EQ(program.meet->competitor(77).state, kvt::meet::Started);
    EXPECT_EQ(frame.findChild<QLabel*>("Outled_0")->property("colour").toInt(), 14);
    QTest::keyClicks(QApplication::focusWidget(), "7");  // 777 in a meet of 150
    EXPECT_EQ(number(0)->text(), "777");
    EXPECT_EQ(frame.findChild<QLabel*>("TimeNames_0")->text(), "(ingen slik deltaker)");
    EXPECT_EQ(frame.findChild<QLabel*>("Outled_0")->property("colour").toInt(), 0);
    EXPECT_EQ(frame.findChild<QLabel*>("Inled_0")->property("colour").toInt(), 0);
    const int registered = program.meet->registeredCount();
    enter();
    EXPECT_EQ(program.meet->registeredCount(), registered);
    EXPECT_TRUE(strip().contains("Ingen deltaker har startnummer 777: ingen tid ble gitt."))
        << strip().toStdString();

    // "<<" on it: the time offered stays on the line, given to no one.
    QTest::keyClick(&frame, Qt::Key_F2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return program.meet->fetchedCount() > registered; }, 3000));
    const QString offered = frame.findChild<QLineEdit*>("RegTime_0")->text();
    ASSERT_NE(offered, "-");
    type(0, "999");
    QTest::mouseClick(frame.findChild<QPushButton*>("Set_0"), Qt::LeftButton);
    EXPECT_EQ(frame.findChild<QLineEdit*>("RegTime_0")->text(), offered);
    EXPECT_TRUE(strip().contains("startnummer 999")) << strip().toStdString();
    EXPECT_EQ(program.meet->competitor(77).state, kvt::meet::Started);
    EXPECT_TRUE(otherWindows(frame).isEmpty()) << otherWindows(frame).join(", ").toStdString();
    EXPECT_TRUE(test.dialogs.messages.empty());
}

// Tab in the class grid goes on to the next cell, and no cell is written over by it.
TEST_F(CaptureWindow, TabInTheClassGridReachesTheSpecificationAndLeavesTheIdAlone) {
    frame.clickMainTab(4);
    auto* grid = frame.findChild<QTableView*>("ClassDBGrid");
    ASSERT_NE(grid, nullptr);
    auto* model = grid->model();
    const QString id = model->data(model->index(0, 1)).toString();
    const QModelIndex name = model->index(0, 2);
    grid->setFocus();
    grid->setCurrentIndex(name);
    grid->edit(name);
    QWidget* editor = QApplication::focusWidget();
    ASSERT_NE(editor, grid);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "Elite");
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(grid->currentIndex().column(), 3);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), "Over 20");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();  // the view takes what Return ends when its events run
    EXPECT_EQ(model->data(model->index(0, 1)).toString(), id);
    EXPECT_EQ(model->data(model->index(0, 2)).toString(), "Elite");
    EXPECT_EQ(model->data(model->index(0, 3)).toString(), "Over 20");
}

TEST_F(CaptureWindow, TheCompetitorPageOpensOnTheFirstRecord) {
    EXPECT_EQ(frame.findChild<QLineEdit*>("NameMover")->text(), "1");
    EXPECT_EQ(program.Main.NameData.position(), 1);
    EXPECT_EQ(frame.findChild<QLineEdit*>("NameText_0")->text(), "Eirik");
}

// The lists leave the results page on the class it showed, with its rows.
TEST_F(CaptureWindow, TheResultsPageKeepsItsClassAfterTheListsAndThePrintedList) {
    for (int n = 1; n <= 2; ++n) {
        type(0, QString::number(n));
        enter();
        test.clock.time.minute = 10 + n;
        enter();
    }
    frame.clickMainTab(6);
    auto* classes = frame.findChild<QComboBox*>("ResultsCombo");
    classes->activated(0);
    auto* grid = frame.findChild<QTableView*>("ResultsDBGrid");
    ASSERT_EQ(grid->model()->rowCount(), 2);
    for (const char* command : {"MainToolbar_h", "MainToolbar_j"}) {
        frame.findChild<QAction*>(command)->trigger();
        EXPECT_EQ(classes->currentText(), "Junior") << command;
        EXPECT_EQ(grid->model()->rowCount(), 2) << command;
    }
    frame.findChild<QAction*>("PdfResultslist")->trigger();
    EXPECT_EQ(classes->currentText(), "Junior");
    EXPECT_EQ(grid->model()->rowCount(), 2);
    EXPECT_EQ(program.Main.ResultsData.recordCount(), 2);
}

// The address of the live results follows the language in force.
TEST(DesktopLiveAddress, FollowsTheLanguageWhileTheServerRuns) {
    TestProgram test;
    auto& program = test.program();
    MainFrame frame{program};
    kvt::shell::LoadMain(program);
    frame.refreshAll();
    frame.show();
    frame.findChild<QCheckBox*>("SetupLiveCheck")->click();
    ASSERT_TRUE(program.Main.LiveTimer.running());
    auto* address = frame.findChild<QLabel*>("SetupLiveAddress");
    EXPECT_TRUE(address->text().startsWith("Åpne på en telefon")) << address->text().toStdString();
    frame.findChild<QRadioButton*>("SetupLanguageOption_1")->click();
    ASSERT_EQ(program.language, kvt::lang::Language::English);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return address->text().startsWith("Open on a phone"); }, 3000))
        << address->text().toStdString();
}

namespace {

// Make new through the real file dialog of the program.
class MakeNewDialog : public ::testing::Test {
protected:
    void SetUp() override {
        kvt::shell::LoadMain(program);
        dialogs.setParent(&frame);
        frame.refreshAll();
        frame.show();
        QApplication::processEvents();  // the language's translations reach every widget
    }
    // Answers the next file dialog once it is up.
    void whenFileDialogShown(std::function<void(QFileDialog&)> answer) {
        auto* timer = new QTimer;
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, [timer, answer] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QFileDialog*>(window);
                if (!dialog || !dialog->isVisible()) continue;
                timer->stop();
                timer->deleteLater();
                answer(*dialog);
                return;
            }
        });
        timer->start();
    }

    kvt::desktop::QtDialogs dialogs;
    TestProgram test;
    WindowNotices both{test.dialogs, dialogs};
    kvt::ui::Program& program = (test.useDialogs(both), test.program());
    MainFrame frame{program};
};

}  // namespace

TEST_F(MakeNewDialog, ItsButtonSaysMakeAndAFolderThatIsNotThereIsToldInTheOperatorsWords) {
    QString accept;
    whenFileDialogShown([&](QFileDialog& dialog) {
        accept = dialog.findChild<QDialogButtonBox*>("buttonBox")
                     ->button(QDialogButtonBox::Open)
                     ->text();
        dialog.reject();
    });
    dialogs.openFile({"Lag ny", "Demorenn", "Database (*.mdb)|*.mdb", "/", "&Lag"});
    EXPECT_EQ(accept, "&Lag");

    const auto missing = test.folder() / "no-such-folder" / "Meet.mdb";
    test.dialogs.fileAnswers.push_back(missing.string());
    frame.findChild<QAction*>("MakeNew")->trigger();
    ASSERT_FALSE(test.dialogs.messages.empty());
    const std::string told = test.dialogs.messages.back().text;
    EXPECT_EQ(told, "Stevnedatabasen kunne ikke lages: det finnes ingen mappe " +
                        (test.folder() / "no-such-folder").string());
    EXPECT_EQ(told.find(".making"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(missing));
    ASSERT_EQ(test.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(test.dialogs.fileRequests[0].acceptLabel, "&Lag");
}
