// The real Qt window, offscreen: what the operator sees follows the window model.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "desktop/guarded_application.h"
#include "desktop/help_window.h"
#include "desktop/main_frame.h"
#include "desktop/services.h"
#include "meetdb/sqlite.h"
#include "shell/commands.h"
#include "support/fakes.h"
#include "ui/captions.h"

using kvt::desktop::MainFrame;
using kvt::testing::TestProgram;

namespace {

QStringList menuTitles(MainFrame& frame) {
    QStringList titles;
    for (QAction* action : frame.menuBar()->actions()) titles << action->text();
    return titles;
}

// Answers the next dialog of type T the program shows, as the operator would, once it is up.
template <typename T>
void whenShown(std::function<void(T&)> answer) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, answer] {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<T*>(window);
            if (!dialog || !dialog->isVisible()) continue;
            timer->stop();
            timer->deleteLater();
            answer(*dialog);
            return;
        }
    });
    timer->start();
}

// The real main window, loaded and shown as at start-up, over the test program's fakes.
class DesktopWindow : public ::testing::Test {
protected:
    void SetUp() override {
        kvt::shell::LoadMain(program);
        frame.refreshAll();  // as the program does once it has loaded
        frame.show();
        QApplication::setActiveWindow(&frame);
    }
    // Makes a meet and opens it through the Database menu, as the operator does; its path.
    std::string makeAndOpenThroughTheMenu(const std::string& name) {
        const std::string path = (test.folder() / name).string();
        test.dialogs.fileAnswers.push_back(path);
        frame.findChild<QAction*>("MakeNew")->trigger();
        test.dialogs.fileAnswers.push_back(path);
        frame.findChild<QAction*>("Open")->trigger();
        return path;
    }

    TestProgram test;
    kvt::ui::Program& program = test.program();
    MainFrame frame{program};
};

}  // namespace

TEST_F(DesktopWindow, SwitchingTheLanguageChangesTheRealMenusAndTabs) {
    EXPECT_EQ(menuTitles(frame), (QStringList{"&Database", "&Lister", "&Hjelp"}));
    auto* tabs = frame.findChild<QTabBar*>("MainTabStrip");
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(0), "&Fange");
    EXPECT_EQ(frame.windowTitle(), "[KVT] Kvarne Tidtaking System [ Ingen database åpenet ]");

    test.program().Main.SetupLanguageOption[1].select();
    EXPECT_EQ(menuTitles(frame), (QStringList{"&Database", "&Lists", "&Help"}));
    EXPECT_EQ(tabs->tabText(5), "&Results");
    auto* open = frame.findChild<QAction*>("Open");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), "&Open...");
    auto* exitButton = frame.findChild<QAction*>("MainToolbar_n");
    ASSERT_NE(exitButton, nullptr);
    EXPECT_EQ(exitButton->toolTip(), "Exit");
    auto* line = frame.findChild<QPushButton*>("TimeButton_0");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->text(), "&Line 1");
}

TEST_F(DesktopWindow, CommandsShowTheirStateAndTabsTheirPage) {
    EXPECT_FALSE(frame.findChild<QAction*>("Close")->isEnabled());
    EXPECT_FALSE(frame.findChild<QAction*>("MainToolbar_h")->isEnabled());
    EXPECT_TRUE(frame.findChild<QAction*>("MainToolbar_a")->isEnabled());
    frame.findChild<QAction*>("MainToolbar_n")->trigger();
    EXPECT_EQ(test.application.quitCalls, 1);

    auto* tabs = frame.findChild<QTabBar*>("MainTabStrip");
    auto* pages = frame.findChild<QStackedWidget*>("MainConTainer");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(4).center());
    EXPECT_EQ(test.program().Main.MainConTainer.front(), 4);
    EXPECT_EQ(pages->currentIndex(), 4);
}

TEST_F(DesktopWindow, FunctionKeyReachesItsLineButtonWithADatabaseOpen) {
    int downs = 0, ups = 0;
    program.Main.TimeButton[3].MouseDown = [&] { ++downs; };
    program.Main.TimeButton[3].MouseUp = [&] { ++ups; };
    QTest::keyClick(&frame, Qt::Key_F5);
    EXPECT_EQ(downs, 0);
    makeAndOpenThroughTheMenu("Meet.mdb");
    downs = ups = 0;
    QTest::keyClick(&frame, Qt::Key_F5);
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(ups, 1);
}

TEST_F(DesktopWindow, TypingInABoxChangesTheModel) {
    auto* classes = frame.findChild<QLineEdit*>("SetupText_2");
    ASSERT_NE(classes, nullptr);
    classes->selectAll();
    QTest::keyClicks(classes, "400");
    EXPECT_EQ(test.program().Main.SetupText[2].text(), "100");
    EXPECT_EQ(classes->text(), "100");
}

TEST(DesktopHelp, ShowsTheTopicsOfTheHelpFileAndSearchesThem) {
    for (const char* file : {"Help.hlp", "Hjelp.hlp", "Iocard.hlp", "Iokort.hlp"}) {
        kvt::desktop::HelpWindow help;
        help.openFile(QString(KVT_ASSETS_DIR) + "/" + file);
        EXPECT_GE(help.topicCount(), 4) << file;
        EXPECT_EQ(help.listedTopicCount(), help.topicCount()) << file;
        auto* search = help.findChild<QLineEdit*>("HelpSearch");
        search->setText("zzzz-no-such-word");
        EXPECT_EQ(help.listedTopicCount(), 0) << file;
        search->setText("F2");
        EXPECT_GE(help.listedTopicCount(), 1) << file;
    }
}

TEST_F(DesktopWindow, ACompetitorEditedInTheWindowIsThereAfterReopening) {
    const std::string path = (test.folder() / "Meet.mdb").string();
    frame.findChild<QCheckBox*>("SetupCheck_1")->click();
    test.dialogs.fileAnswers.push_back(path);
    frame.findChild<QAction*>("MakeNew")->trigger();
    ASSERT_TRUE(std::filesystem::exists(path));
    test.dialogs.fileAnswers.push_back(path);
    frame.findChild<QAction*>("MainToolbar_a")->trigger();
    ASSERT_EQ(program.currentDatabase(), path);
    EXPECT_TRUE(frame.windowTitle().endsWith("[Meet.mdb]"));

    auto* mover = frame.findChild<QLineEdit*>("NameMover");
    mover->selectAll();
    QTest::keyClicks(mover, "4");
    auto* firstName = frame.findChild<QLineEdit*>("NameText_0");
    EXPECT_EQ(firstName->text(), "Knut");
    firstName->selectAll();
    QTest::keyClicks(firstName, "Kari");
    QTest::mouseClick(frame.findChild<QPushButton*>("NameButton"), Qt::LeftButton);
    frame.findChild<QAction*>("MainToolbar_b")->trigger();
    EXPECT_TRUE(program.currentDatabase().empty());
    EXPECT_EQ(firstName->text(), "");

    test.dialogs.fileAnswers.push_back(path);
    frame.findChild<QAction*>("Open")->trigger();
    mover->selectAll();
    QTest::keyClicks(mover, "4");
    EXPECT_EQ(firstName->text(), "Kari");
    EXPECT_EQ(program.meet->competitor(4).name, "Kari, Dahl");
    auto* classes = frame.findChild<QTableView*>("ClassDBGrid");
    ASSERT_NE(classes, nullptr);
    EXPECT_EQ(classes->model()->rowCount(), 10);
    EXPECT_TRUE(classes->isColumnHidden(0));
    EXPECT_EQ(classes->model()->data(classes->model()->index(1, 2)).toString(), "Senior");

    // A cell of the class grid edited in the window is stored by the meet, which follows it.
    ASSERT_TRUE(classes->model()->setData(classes->model()->index(1, 2), "Eldre"));
    EXPECT_EQ(program.meet->className(2), "Eldre");
    EXPECT_EQ(classes->model()->data(classes->model()->index(1, 2)).toString(), "Eldre");
    {
        kvt::meetdb::Connection db(path, kvt::meetdb::Connection::Mode::ReadOnly);
        auto stored = db.prepare("SELECT \"Navn\" FROM \"Klasser\" WHERE rowid = 2");
        ASSERT_TRUE(stored.step());
        EXPECT_EQ(stored.text(0), "Eldre");
    }
    EXPECT_TRUE(program.meet->allStored());
}

TEST_F(DesktopWindow, F2InTheRealWindowPutsATimeInTheFirstRow) {
    makeAndOpenThroughTheMenu("Meet.mdb");
    frame.findChild<QCheckBox*>("SetupChannelCheck_0")->click();
    test.clock.time = {10, 11, 12, 345};
    QTest::keyClick(&frame, Qt::Key_F2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return program.meet->registeredCount() == 1; }, 3000));
    auto* row = frame.findChild<QLineEdit*>("RegTime_0");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->text(), "10.11.12.34");
    EXPECT_EQ(frame.findChild<QLabel*>("ReadyLed_0")->property("colour").toInt(), 14);
    auto* grid = frame.findChild<QTableView*>("TimeDBGrid");
    EXPECT_EQ(grid->model()->data(grid->model()->index(0, 2)).toString(), "10.11.12.34");
}

TEST_F(DesktopWindow, AShortRaceThroughTheWidgetsEndsInTheListsOnDisk) {
    frame.findChild<QCheckBox*>("SetupCheck_1")->click();
    const std::string path = makeAndOpenThroughTheMenu("Race.mdb");
    frame.findChild<QCheckBox*>("SetupChannelCheck_0")->click();

    // Everyone starts by Enter on line 9; 1 and 2 finish by Enter, 3 to 5 by F2 and "<<".
    auto typeNumber = [&](int line, const QString& number) {
        auto* box = frame.findChild<QLineEdit*>(QString("Number_%1").arg(line));
        box->selectAll();
        QTest::keyClicks(box, number);
        return box;
    };
    test.clock.time = {12, 0, 0, 0};
    for (int n = 1; n <= 5; ++n) QTest::keyClick(typeNumber(9, QString::number(n)), Qt::Key_Return);
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(program.meet->competitor(n).state, kvt::meet::Started) << n;

    test.clock.time = {12, 30, 0, 0};
    for (int n = 1; n <= 2; ++n) {
        test.clock.time.second = n;
        QTest::keyClick(typeNumber(9, QString::number(n)), Qt::Key_Return);
    }
    for (int n = 3; n <= 5; ++n) {
        test.clock.time.second = n;
        const int before = program.meet->fetchedCount();
        QTest::keyClick(&frame, Qt::Key_F2);
        ASSERT_TRUE(QTest::qWaitFor([&] { return program.meet->fetchedCount() > before; }, 3000));
        const int line = n - 3;  // the list was empty: rows 0, 1, 2
        EXPECT_EQ(frame.findChild<QLineEdit*>(QString("RegTime_%1").arg(line))->text(),
                  QString("12.30.0%1.00").arg(n));
        typeNumber(line, QString::number(n));
        QTest::mouseClick(frame.findChild<QPushButton*>(QString("Set_%1").arg(line)),
                          Qt::LeftButton);
    }
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(program.meet->competitor(n).state, kvt::meet::Finished) << n;

    frame.findChild<QAction*>("MainToolbar_h")->trigger();
    frame.findChild<QAction*>("MainToolbar_j")->trigger();
    const auto list = test.folder() / "Race" / "Resultat.txt";
    ASSERT_TRUE(std::filesystem::exists(list));
    std::ifstream file(list, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(text.find("1:    1:     Eirik, Dahl:"), std::string::npos) << text;
    EXPECT_NE(text.find("5:    5:     Geir, Dahl:"), std::string::npos) << text;
    EXPECT_TRUE(std::filesystem::exists(test.folder() / "Race" / "Resultat.htm"));
    // The lists leave the results page on the class it showed, with its rows.
    auto* grid = frame.findChild<QTableView*>("ResultsDBGrid");
    auto* classes = frame.findChild<QComboBox*>("ResultsCombo");
    EXPECT_EQ(classes->currentText(), "Junior");
    EXPECT_EQ(grid->model()->rowCount(), 5);
    classes->activated(0);
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(grid->model()->data(grid->model()->index(4, 2)).toString(), "Geir, Dahl");
}

TEST_F(DesktopWindow, TheMeetsLanguageBoxCannotBeTypedIntoOnceAMeetIsOpen) {
    const std::string path = makeAndOpenThroughTheMenu("Meet.mdb");
    ASSERT_EQ(program.currentDatabase(), path);
    auto* box = frame.findChild<QLineEdit*>("SetupText_19");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isReadOnly());
    box->setFocus();
    QTest::keyClicks(box, "1");
    EXPECT_EQ(box->text(), "0");
    EXPECT_EQ(program.Main.SetupText[19].text(), "0");
    frame.findChild<QAction*>("Close")->trigger();
    EXPECT_EQ(kvt::testing::ReadField(path, "Control", "Language"), "0");
    test.dialogs.fileAnswers.push_back(path);
    frame.findChild<QAction*>("Open")->trigger();
    EXPECT_EQ(program.currentDatabase(), path);
}

// The real main window with the real file dialogs and message boxes of the program.
class DesktopDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        kvt::shell::LoadMain(program);
        dialogs.setParent(&frame);
        frame.refreshAll();
        frame.show();
    }

    kvt::desktop::QtDialogs dialogs;
    TestProgram test;
    kvt::ui::Program& program = (test.useDialogs(dialogs), test.program());
    MainFrame frame{program};
};

TEST_F(DesktopDialogs, MakeNewAndOpenWithThePresetNameWorkOnAnMdbFile) {
    for (const char* command : {"MakeNew", "Open"}) {
        QString preset;
        whenShown<QFileDialog>([&](QFileDialog& dialog) {
            preset = dialog.findChild<QLineEdit*>("fileNameEdit")->text();
            static_cast<QDialog&>(dialog).accept();  // the operator's "Open"
        });
        frame.findChild<QAction*>(command)->trigger();
        EXPECT_EQ(preset, "Demorenn.mdb") << command;
    }
    const auto meet = test.folder() / "Demorenn.mdb";
    EXPECT_TRUE(std::filesystem::is_regular_file(meet));
    EXPECT_TRUE(std::filesystem::is_directory(test.folder() / "Demorenn"));
    EXPECT_FALSE(std::filesystem::exists(test.folder() / "Demo"));
    EXPECT_EQ(program.currentDatabase(), meet.string());
}

TEST_F(DesktopDialogs, ANameTypedWithoutExtensionGetsMdb) {
    whenShown<QFileDialog>([](QFileDialog& dialog) {
        auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
        name->selectAll();
        QTest::keyClicks(name, "Spring");
        static_cast<QDialog&>(dialog).accept();
    });
    frame.findChild<QAction*>("MakeNew")->trigger();
    EXPECT_TRUE(std::filesystem::is_regular_file(test.folder() / "Spring.mdb"));
    EXPECT_TRUE(std::filesystem::is_directory(test.folder() / "Spring"));
    EXPECT_FALSE(std::filesystem::exists(test.folder() / "Sp"));
}

TEST(DesktopLanguage, AStoredLanguageOfTwoShowsItsIndexInTheLanguageBoxAndKeepsNorwegian) {
    TestProgram test;
    test.writeUserIni("x", " 2", " 0", "");
    auto& program = test.program();
    MainFrame frame{program};
    kvt::shell::LoadMain(program);
    frame.refreshAll();
    frame.show();
    frame.clickMainTab(5);
    program.Main.SetupTabStrip.clickTab(4);
    auto* box = frame.findChild<QLineEdit*>("SetupText_16");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->text().toStdString(), " 2");
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(box->toolTip().toStdString(), "Programmets språk");
    EXPECT_TRUE(frame.findChild<QRadioButton*>("SetupLanguageOption_2")->isChecked());
    EXPECT_FALSE(frame.findChild<QRadioButton*>("SetupLanguageOption_0")->isChecked());
    EXPECT_EQ(frame.findChild<QAction*>("Open")->text().toStdString(), "&Åpne...");
    // The meet's own language beside it.
    auto* meet = frame.findChild<QLineEdit*>("SetupText_19");
    EXPECT_TRUE(meet->isVisible());
    EXPECT_EQ(meet->text().toStdString(), "0");
}

namespace {

struct DialogTexts {
    std::vector<std::string> messageButtons;
    std::string lookIn, fileName, fileType, accept, cancel;
};

// What the program's Yes/No question and its file dialog show, each answered as the operator
// would (No, Cancel).
DialogTexts shownTexts(kvt::desktop::QtDialogs& dialogs) {
    DialogTexts texts;
    whenShown<QMessageBox>([&](QMessageBox& box) {
        for (QAbstractButton* button : box.buttons())
            texts.messageButtons.push_back(button->text().toStdString());
        std::sort(texts.messageButtons.begin(), texts.messageButtons.end());
        box.button(QMessageBox::No)->click();
    });
    EXPECT_EQ(dialogs.message("?", "Info", kvt::ui::MessageButtons::YesNo), kvt::ui::Answer::No);
    whenShown<QFileDialog>([&](QFileDialog& dialog) {
        auto text = [&](const char* name) {
            return dialog.findChild<QLabel*>(name)->text().toStdString();
        };
        texts.lookIn = text("lookInLabel");
        texts.fileName = text("fileNameLabel");
        texts.fileType = text("fileTypeLabel");
        auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
        texts.accept = buttons->button(QDialogButtonBox::Open)->text().toStdString();
        texts.cancel = buttons->button(QDialogButtonBox::Cancel)->text().toStdString();
        dialog.reject();
    });
    EXPECT_FALSE(dialogs.openFile({"Åpne", "Demorenn", "Database (*.mdb)|*.mdb", "/"}));
    return texts;
}

}  // namespace

TEST_F(DesktopDialogs, QtsOwnButtonsAndFileDialogLabelsFollowTheLanguageInForce) {
    EXPECT_TRUE(frame.translations().systemTranslationsFound());
    DialogTexts norwegian = shownTexts(dialogs);
    EXPECT_EQ(norwegian.messageButtons, (std::vector<std::string>{"&Ja", "&Nei"}));
    EXPECT_EQ(norwegian.lookIn, "Se i:");
    EXPECT_EQ(norwegian.fileName, "Fil&navn:");
    EXPECT_EQ(norwegian.fileType, "Filer av typen:");
    EXPECT_EQ(norwegian.accept, "&Åpne");
    EXPECT_EQ(norwegian.cancel, "Avbryt");
    // A text the program leaves to the system's Norwegian translations.
    EXPECT_EQ(QCoreApplication::translate("QShortcut", "Space").toStdString(), "Mellomrom");

    frame.findChild<QRadioButton*>("SetupLanguageOption_1")->click();
    ASSERT_EQ(program.language, kvt::lang::Language::English);
    DialogTexts english = shownTexts(dialogs);
    EXPECT_EQ(english.messageButtons, (std::vector<std::string>{"&No", "&Yes"}));
    EXPECT_EQ(english.lookIn, "Look in:");
    EXPECT_EQ(english.fileName, "File &name:");
    EXPECT_EQ(english.fileType, "Files of type:");
    EXPECT_EQ(english.accept, "&Open");
    EXPECT_EQ(english.cancel, "Cancel");
    EXPECT_EQ(QCoreApplication::translate("QShortcut", "Space").toStdString(), "Space");

    frame.findChild<QRadioButton*>("SetupLanguageOption_0")->click();
    EXPECT_EQ(shownTexts(dialogs).accept, "&Åpne");
}

TEST(DesktopExit, TheExitCommandEndsTheRunningProgramWithItsWindowShown) {
    TestProgram test;
    kvt::desktop::QtApplication application;
    kvt::ui::Platform platform{test.dialogs, test.pump,   test.clock,   test.launcher, test.help,
                               application,  test.engine, test.adapter, test.imports};
    kvt::ui::Program program(platform, test.folder().string());
    MainFrame frame(program);
    kvt::shell::LoadMain(program);
    frame.show();
    bool stillRunning = false;
    QTimer::singleShot(0, &frame, [&] { frame.findChild<QAction*>("Avslutt")->trigger(); });
    // Only reached when Exit did not end the event loop.
    QTimer::singleShot(5000, &frame, [&] {
        stillRunning = true;
        QCoreApplication::exit(1);
    });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(stillRunning);
}

TEST_F(DesktopWindow, AFailureNoHandlerCaughtEndsInAMessageAndTheProgramGoesOn) {
    auto* application = static_cast<kvt::desktop::GuardedApplication*>(qApp);
    std::vector<std::string> told;
    application->setFailureHandler([&](const std::string& reason) { told.push_back(reason); });
    program.Main.NameButton.setEnabled(true);
    program.Main.NameButton.Click = [] { throw std::runtime_error("a fault of the program"); };
    QTest::mouseClick(frame.findChild<QPushButton*>("NameButton"), Qt::LeftButton);
    application->setFailureHandler({});
    ASSERT_EQ(told, (std::vector<std::string>{"a fault of the program"}));
    // The window still answers.
    QTest::mouseClick(frame.findChild<QTabBar*>("MainTabStrip"), Qt::LeftButton, {},
                      frame.findChild<QTabBar*>("MainTabStrip")->tabRect(4).center());
    EXPECT_EQ(program.Main.MainConTainer.front(), 4);
}

TEST_F(DesktopWindow, TheLinesTabChoosesTheDeviceAndTestsItsLinesInTheRealWindow) {
    auto* device = frame.findChild<QComboBox*>("SetupDeviceCombo");
    auto* port = frame.findChild<QLineEdit*>("SetupDevicePathText");
    auto* use = frame.findChild<QPushButton*>("SetupAdapterUseButton");
    auto* testLines = frame.findChild<QCheckBox*>("SetupTestLinesCheck");
    auto* view = frame.findChild<QWidget*>("TestLinesFrame");
    ASSERT_TRUE(device && port && use && testLines && view);
    EXPECT_EQ(device->currentText(), "gpio");
    EXPECT_TRUE(view->isHidden());
    const int simulated = device->findText("simulated");
    ASSERT_GE(simulated, 0);
    device->setCurrentIndex(simulated);
    emit device->activated(simulated);
    port->clear();
    QTest::keyClicks(port, QString::fromStdString((test.folder() / "lines").string()));
    QTest::mouseClick(use, Qt::LeftButton);
    const auto kept = kvt::devices::ReadAdapterSettings(
        kvt::devices::AdapterSettingsPath(test.folder().string()));
    EXPECT_EQ(kept.device, kvt::devices::DeviceKind::Simulated);
    EXPECT_EQ(kept.path, (test.folder() / "lines").string());

    QTest::mouseClick(testLines, Qt::LeftButton);
    EXPECT_FALSE(view->isHidden());
    EXPECT_TRUE(test.adapter.isOpen());
    program.Main.Hitime3.tick();
    auto* line1 = frame.findChild<QLabel*>("TestLineText_0");
    ASSERT_NE(line1, nullptr);
    EXPECT_TRUE(line1->text().startsWith("Linje 1: "));
    EXPECT_FALSE(frame.findChild<QLabel*>("SetupClockLabel")->text().isEmpty());
    QTest::mouseClick(testLines, Qt::LeftButton);
    EXPECT_FALSE(test.adapter.isOpen());
}

TEST_F(DesktopWindow, TheStartsPageIsTheSeventhTabAndItsDrawWorksOnTheOpenMeet) {
    auto* tabs = frame.findChild<QTabBar*>("MainTabStrip");
    ASSERT_EQ(tabs->count(), 7);
    EXPECT_EQ(tabs->tabText(6), "S&tarter");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(6).center());
    EXPECT_EQ(program.Main.MainConTainer.front(), 6);
    auto* draw = frame.findChild<QPushButton*>("StartsDrawButton");
    ASSERT_NE(draw, nullptr);
    EXPECT_TRUE(draw->isVisible());
    EXPECT_FALSE(draw->isEnabled());  // no meet is open
    EXPECT_EQ(draw->text(), "&Trekk");

    program.Main.SetupCheck[1].setChecked(true);
    makeAndOpenThroughTheMenu("Starts.mdb");
    ASSERT_TRUE(program.meet);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(6).center());
    ASSERT_TRUE(draw->isEnabled());
    // Class 1 at intervals from 10.00, typed into the real boxes, kept and drawn.
    program.Main.StartsModeCombo.pick(1);
    auto* first = frame.findChild<QLineEdit*>("StartsFirstText");
    ASSERT_NE(first, nullptr);
    first->clear();
    QTest::keyClicks(first, "10.00");
    QTest::mouseClick(frame.findChild<QPushButton*>("StartsKeepButton"), Qt::LeftButton);
    QTest::mouseClick(draw, Qt::LeftButton);
    ASSERT_NE(program.meet->plannedStart(1), nullptr);
    EXPECT_EQ(program.meet->plannedStart(1)->planned, "10.00.00.00");
    auto* plans = frame.findChild<QPlainTextEdit*>("StartsPlanText");
    ASSERT_NE(plans, nullptr);
    EXPECT_TRUE(plans->toPlainText().startsWith("10.00.00.00  1"));
}
