#include <gtest/gtest.h>

#include <fstream>

#include "support/fakes.h"

using kvt::testing::ReadField;
using kvt::testing::TestProgram;

TEST(Startup, WithoutUserIniStartsInNorwegianWithTheDefaults) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Åpne...");
    EXPECT_EQ(main.SetupText[15].text(), "C:\\Program Files\\Internet Explorer\\Iexplore.exe");
    EXPECT_EQ(main.SetupText[16].text(), "0");
    EXPECT_EQ(program.editors[0], "Notepad.exe");
    EXPECT_EQ(program.editors[3], "C:\\Windows\\Command\\Edit.com");
    EXPECT_TRUE(main.SetupLanguageOption[0].selected());
    // No meet is open; the sizes a new meet gets are the page's design values.
    EXPECT_EQ(program.meet, nullptr);
    EXPECT_EQ(main.SetupText[0].text(), "10");
    EXPECT_EQ(main.SetupText[1].text(), "15");
    EXPECT_EQ(main.SetupText[2].text(), "10");
    EXPECT_EQ(main.SetupText[8].text(), "300");
    EXPECT_EQ(main.SetupText[6].text(), "0");
    EXPECT_EQ(program.MDIMain.Status.panelText(2), "");
    // The fixed choice lists are filled in the language in force.
    ASSERT_EQ(main.NameCombo[2].items().size(), 6u);
    EXPECT_EQ(main.NameCombo[2].items()[0], "Oppmøtt");
    ASSERT_EQ(main.NameCombo[3].items().size(), 4u);
    EXPECT_EQ(main.NameCombo[3].items()[3], "Jente");
    EXPECT_TRUE(main.Hitime1.running() && main.Hitime2.running() && main.Hitime3.running());
}

TEST(Startup, StoredEnglishEndsWithEveryCaptionInEnglish) {
    TestProgram test;
    test.writeUserIni("/usr/bin/firefox", " 1", " 0", "");
    auto& program = test.start();
    auto& main = program.Main;
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Open...");
    EXPECT_EQ(program.MDIMain.Frame.caption(),
              "[KVT] Kvarne Time Capture System [ No database open ]");
    EXPECT_EQ(main.MainTabStrip.tabCaption(1), "&Capture");
    EXPECT_EQ(main.TimeButton[2].caption(), "&Line 3");
    EXPECT_TRUE(main.SetupLanguageOption[1].selected());
    EXPECT_EQ(main.SetupText[15].text(), "/usr/bin/firefox");
    EXPECT_EQ(main.NameCombo[2].items()[0], "Present");
    EXPECT_EQ(program.LanguageTexts[30], "Competitors");
}

TEST(Startup, StoredLanguageTwoSelectsGermanAndKeepsNorwegian) {
    TestProgram test;
    test.writeUserIni("x", " 2", " 0", "");
    auto& program = test.start();
    auto& main = program.Main;
    EXPECT_EQ(main.SetupText[16].text(), " 2");
    EXPECT_TRUE(main.SetupLanguageOption[2].selected());
    EXPECT_FALSE(main.SetupLanguageOption[2].enabled());
    EXPECT_FALSE(main.SetupLanguageOption[0].selected());
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Åpne...");
    EXPECT_EQ(main.MainTabStrip.tabCaption(1), "&Fange");
}

TEST(Startup, TheOtherEditorIsTrimmedAtStartUp) {
    TestProgram test;
    test.writeUserIni("x", " 0", " 3", "   /usr/bin/mousepad  ");
    auto& program = test.start();
    EXPECT_TRUE(program.Main.SetupEditorOption[3].selected());
    EXPECT_EQ(program.editors[3], "/usr/bin/mousepad");
    // A later change is stored but takes effect at the next start-up.
    program.Main.SetupText[18].setText("/usr/bin/gedit");
    EXPECT_EQ(program.editors[3], "/usr/bin/mousepad");
    EXPECT_EQ(ReadField(test.userIniPath(), "User", "EditorPath"), "/usr/bin/gedit");
}

TEST(Startup, ChosenSettingsAreKeptInUserIni) {
    TestProgram test;
    test.writeUserIni("x", "0", "0", "");
    {
        auto& program = test.start();
        program.Main.SetupLanguageOption[1].select();
        program.Main.SetupEditorOption[2].select();
        EXPECT_EQ(ReadField(test.userIniPath(), "User", "Språk"), " 1");
        EXPECT_EQ(ReadField(test.userIniPath(), "User", "Editor"), " 2");
    }
    TestProgram again;
    std::filesystem::copy_file(test.userIniPath(), again.userIniPath());
    auto& program = again.start();
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Open...");
    EXPECT_TRUE(program.Main.SetupEditorOption[2].selected());
}

TEST(Startup, AnUnreadableUserIniLeavesTheDefaultsAndSaysSo) {
    TestProgram test;
    {
        std::ofstream garbage(test.userIniPath(), std::ios::binary);
        garbage << "this is not a settings database\n";
    }
    auto& program = test.start();
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Åpne...");
    EXPECT_EQ(program.Main.SetupText[16].text(), "0");
    EXPECT_NE(program.MDIMain.Status.panelText(2).find("User.ini"), std::string::npos);
    // Nothing is written into a file that was refused.
    program.Main.SetupLanguageOption[1].select();
    std::ifstream file(test.userIniPath(), std::ios::binary);
    std::string content((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(content, "this is not a settings database\n");
}

TEST(Startup, AUserIniLackingAFieldLeavesTheDefaults) {
    TestProgram test;
    {
        kvt::meetdb::Connection db(test.userIniPath(), kvt::meetdb::Connection::Mode::Create);
        db.execute("CREATE TABLE \"User\" (\"ExplorerPath\" TEXT, \"Språk\" TEXT)");
        db.execute("INSERT INTO \"User\" VALUES ('browser', ' 1')");
    }
    auto& program = test.start();
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Åpne...");
    EXPECT_EQ(program.Main.SetupText[15].text(),
              "C:\\Program Files\\Internet Explorer\\Iexplore.exe");
    EXPECT_FALSE(program.MDIMain.Status.panelText(2).empty());
    EXPECT_EQ(ReadField(test.userIniPath(), "User", "Språk"), " 1");
}

TEST(Startup, AnEmptyUserIniTableLeavesTheDefaults) {
    TestProgram test;
    {
        kvt::meetdb::Connection db(test.userIniPath(), kvt::meetdb::Connection::Mode::Create);
        db.execute(
            "CREATE TABLE \"User\" (\"ExplorerPath\" TEXT, \"Språk\" TEXT, "
            "\"Editor\" TEXT, \"EditorPath\" TEXT)");
    }
    auto& program = test.start();
    EXPECT_EQ(program.Main.SetupText[16].text(), "0");
    EXPECT_FALSE(program.MDIMain.Status.panelText(2).empty());
}

TEST(Startup, LeavesEveryRowControlAndMoverDisabledAndTheLanguageFree) {
    TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    for (int i = 0; i < kvt::ui::CaptureRows; ++i) {
        EXPECT_FALSE(main.Number[i].enabled());
        EXPECT_FALSE(main.UpDown[i].enabled());
        EXPECT_FALSE(main.Set[i].enabled());
        EXPECT_FALSE(main.Delete[i].enabled());
    }
    for (const kvt::ui::Control* control : std::initializer_list<const kvt::ui::Control*>{
             &main.NameButton, &main.ClubButton, &main.ClassButton, &main.NameMover,
             &main.ClubMover, &main.ClassMover, &main.ResultsCombo, &main.SetupCheck[3]})
        EXPECT_FALSE(control->enabled()) << control->name();
    for (int c = 0; c < kvt::ui::ChannelTotal; ++c) EXPECT_FALSE(main.TimeButton[c].enabled());
    EXPECT_TRUE(main.SetupLanguageOption[0].enabled());
    EXPECT_TRUE(main.SetupLanguageOption[1].enabled());
    EXPECT_FALSE(main.Window.keyPreview());
}
