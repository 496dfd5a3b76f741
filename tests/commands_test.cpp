#include "shell/commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "support/fakes.h"
#include "ui/captions.h"

using kvt::shell::CommandTable;
using kvt::testing::TestProgram;
namespace ui = kvt::ui;

namespace {

struct Expected {
    const char* menu;
    const char* key;
    bool withoutDatabase;
    bool withDatabase;
};

const std::vector<Expected> expectedStates = {
    {"Open", "a", true, false},
    {"Close", "b", false, true},
    {"Reset", "c", true, false},
    {"MakeNew", "d", true, false},
    {"Repair", "e", true, false},
    {"Kompress", "f", true, false},
    {"Copy", "g", true, false},
    {"HostOnServer", "", true, true},
    {"JoinServer", "", true, false},
    {"SaveAsFile", "", false, true},
    {"Avslutt", "n", true, true},
    {"ImportCsv", "", false, true},
    {"ExportCsv", "", false, true},
    {"ImportIof", "", false, true},
    {"MakeResultslist", "h", false, true},
    {"ViewResultslist", "i", false, true},
    {"MakeResultslistHtml", "j", false, true},
    {"ViewResultslistHtml", "k", false, true},
    {"MakeStartlist", "", false, true},
    {"ViewStartlist", "", false, true},
    {"ViewStartlistHtml", "", false, true},
    {"PrintResultslist", "", false, true},
    {"PdfResultslist", "", false, true},
    {"PrintStartlist", "", false, true},
    {"PdfStartlist", "", false, true},
    {"MakeIofXml", "", false, true},
    {"General", "l", true, true},
    {"Search", "", true, true},
    {"Adapter", "m", true, true},
    {"About", "", true, true},
};

void expectStates(ui::Program& program, bool databaseOpen) {
    for (const Expected& row : expectedStates) {
        bool wanted = databaseOpen ? row.withDatabase : row.withoutDatabase;
        auto* item = program.MDIMain.registry.find(row.menu);
        ASSERT_NE(item, nullptr) << row.menu;
        EXPECT_EQ(item->enabled(), wanted) << row.menu;
        if (*row.key) {
            EXPECT_EQ(program.Main.MainToolbar.find(row.key)->enabled, wanted) << row.key;
        }
    }
}

}  // namespace

TEST(Commands, EnabledStatesFollowTheDatabaseState) {
    TestProgram test;
    auto& program = test.start();
    expectStates(program, false);
    kvt::shell::SetCommandStates(program, true);
    kvt::shell::SetDatabaseControls(program, true);
    expectStates(program, true);
    EXPECT_TRUE(program.Main.Number[0].enabled());
    EXPECT_FALSE(program.Main.SetupLanguageOption[1].enabled());
    kvt::shell::EnterNoDatabaseState(program);
    expectStates(program, false);
}

TEST(Commands, ToolbarHasTwentyPositionsWithSeparators) {
    TestProgram test;
    auto& toolbar = test.start().Main.MainToolbar;
    ASSERT_EQ(toolbar.buttonCount(), 20);
    for (int position : {3, 6, 10, 13, 16, 19}) EXPECT_TRUE(toolbar.button(position).separator());
    EXPECT_EQ(toolbar.button(20).key, "n");
    EXPECT_EQ(toolbar.button(17).key, "l");
    EXPECT_EQ(CommandTable().size(), 31u);  // "Start a server on this laptop" among them
}

TEST(Commands, ExitFromToolbarOrMenuEndsTheProgram) {
    TestProgram test;
    auto& program = test.start();
    program.Main.MainToolbar.clickButton("n");
    EXPECT_EQ(test.application.quitCalls, 1);
    program.MDIMain.Avslutt.click();
    EXPECT_EQ(test.application.quitCalls, 2);
    program.Main.MainToolbar.clickButton("z");  // a key not in the table does nothing
    EXPECT_EQ(test.application.quitCalls, 2);
    EXPECT_TRUE(test.dialogs.messages.empty());
}

TEST(Commands, ExitSwitchesAutomaticCaptureOffFirst) {
    TestProgram test;
    auto& program = test.start();
    auto& capture = program.Main.SetupCheck[3];
    capture.setChecked(true);
    bool offBeforeQuit = false;
    capture.Click = [&] { offBeforeQuit = !capture.checked() && test.application.quitCalls == 0; };
    program.MDIMain.Avslutt.click();
    EXPECT_FALSE(capture.checked());
    EXPECT_TRUE(offBeforeQuit);
    EXPECT_EQ(test.application.quitCalls, 1);
}

TEST(Commands, DisabledMenuItemsAndButtonsDoNothing) {
    TestProgram test;
    auto& program = test.start();
    program.Main.MainToolbar.ButtonClick = [&](const std::string&) { FAIL() << "ran"; };
    program.Main.MainToolbar.clickButton("b");  // Close, disabled without a database
    program.MDIMain.Close.Click = [] { FAIL() << "ran"; };
    program.MDIMain.Close.click();
}

TEST(Commands, HelpOpensTheFileOfTheLanguageWithItsCommand) {
    TestProgram test;
    auto& program = test.start();
    const std::string folder = test.folder().string();
    for (const char* file : {"Hjelp.hlp", "Help.hlp", "Iokort.hlp", "Iocard.hlp"})
        std::ofstream(test.folder() / file) << "# Help\n";
    program.MDIMain.General.click();
    program.MDIMain.Search.click();
    program.Main.MainToolbar.clickButton("m");
    kvt::ui::SetEnglishTexts(program);
    program.Main.MainToolbar.clickButton("l");
    program.MDIMain.Adapter.click();
    ASSERT_EQ(test.help.shown.size(), 5u);
    EXPECT_EQ(test.help.shown[0], std::make_pair(folder + "/Hjelp.hlp", ui::HelpContents));
    EXPECT_EQ(test.help.shown[1], std::make_pair(folder + "/Hjelp.hlp", ui::HelpPartialKey));
    EXPECT_EQ(test.help.shown[2], std::make_pair(folder + "/Iokort.hlp", ui::HelpContents));
    EXPECT_EQ(test.help.shown[3], std::make_pair(folder + "/Help.hlp", ui::HelpContents));
    EXPECT_EQ(test.help.shown[4], std::make_pair(folder + "/Iocard.hlp", ui::HelpContents));
}

TEST(Commands, AMissingHelpFileIsToldInTheLanguageInForce) {
    TestProgram test;
    auto& program = test.start();
    program.MDIMain.General.click();
    kvt::ui::SetEnglishTexts(program);
    program.MDIMain.Adapter.click();
    EXPECT_TRUE(test.help.shown.empty());
    ASSERT_EQ(test.dialogs.messages.size(), 2u);
    EXPECT_EQ(test.dialogs.messages[0].text,
              "Hjelpefilen kan ikke leses: " + test.folder().string() + "/Hjelp.hlp");
    EXPECT_EQ(test.dialogs.messages[1].text,
              "The help file cannot be read: " + test.folder().string() + "/Iocard.hlp");
    EXPECT_EQ(test.dialogs.messages[1].title, "Info");
}

TEST(Commands, AboutIsShownModallyWithTheTextsOfTheLanguage) {
    TestProgram test;
    auto& program = test.start();
    kvt::ui::SetEnglishTexts(program);
    bool loadedWhileShown = false;
    test.dialogs.whileModal = [&](ui::MainAboutWindow& about) {
        loadedWhileShown = about.Window.loaded();
        EXPECT_EQ(about.Window.caption(), "About");
        EXPECT_EQ(about.Label[1].caption(), "by");
        EXPECT_EQ(about.Button.caption(), "&Back");
        about.Button.click();
    };
    program.MDIMain.About.click();
    EXPECT_EQ(test.dialogs.modalShown, 1);
    EXPECT_TRUE(loadedWhileShown);
    EXPECT_FALSE(program.MainAbout.Window.loaded());
}

TEST(Commands, FunctionKeysPressTheirLineButtonOnlyWithADatabaseOpen) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    std::vector<std::string> events;
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        main.TimeButton[c].MouseDown = [&events, c] {
            events.push_back("down " + std::to_string(c));
        };
        main.TimeButton[c].MouseUp = [&events, c] { events.push_back("up " + std::to_string(c)); };
    }
    test.pump.pending = [&] { events.push_back("pump"); };

    main.Window.pressKey(ui::KeyF2 + 3);  // F5 without a database
    EXPECT_TRUE(events.empty());

    test.makeAndOpenMeet();
    events.clear();                       // the file dialogs let events run
    main.Window.pressKey(ui::KeyF2 + 3);  // F5
    EXPECT_EQ(events, (std::vector<std::string>{"down 3", "pump", "up 3"}));
    events.clear();
    main.Window.pressKey(ui::KeyF7);
    main.Window.pressKey(ui::KeyF1);
    main.Window.pressKey(ui::KeyF12);
    EXPECT_EQ(events, (std::vector<std::string>{"down 5", "pump", "up 5"}));
}

TEST(Commands, LineButtonsOfCheckedLinesKeepTheirStateWithoutADatabase) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupChannelCheck[1].setChecked(true);
    kvt::shell::SetDatabaseControls(program, true);
    EXPECT_TRUE(main.TimeButton[1].enabled());
    EXPECT_FALSE(main.TimeButton[0].enabled());
    kvt::shell::EnterNoDatabaseState(program);
    EXPECT_TRUE(main.TimeButton[1].enabled());
    EXPECT_FALSE(main.TimeButton[0].enabled());
}
