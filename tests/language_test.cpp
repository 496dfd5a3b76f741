#include <gtest/gtest.h>

#include "lang/file_texts.h"
#include "meetdb/sqlite.h"
#include "support/fakes.h"
#include "ui/captions.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace lang = kvt::lang;

TEST(LanguageTables, EveryCaptionNamesAControlOfTheWindows) {
    TestProgram test;
    auto& program = test.program();
    for (const auto* rows : {&lang::MenuCaptions(), &lang::MainTabCaptions(),
                             &lang::CapturePageCaptions(), &lang::RegisterAndSetupPageCaptions()})
        for (const auto& row : *rows) {
            bool found = program.MDIMain.registry.find(row.control) ||
                         program.Main.registry.find(row.control);
            EXPECT_TRUE(found) << row.control;
        }
    EXPECT_NO_THROW(ui::SetEnglishTexts(program));
}

TEST(LanguageTables, TableAndFieldNamesFollowTheLanguage) {
    TestProgram test;
    auto& program = test.program();
    auto& texts = program.LanguageTexts;
    ui::SetEnglishTexts(program);
    EXPECT_EQ(texts[30], "Competitors");
    EXPECT_EQ(texts[51], "Time");
    EXPECT_EQ(texts[56], "Time");
    EXPECT_EQ(texts[35], "Results-");
    EXPECT_EQ(texts[33], "Results.txt");
    EXPECT_EQ(texts[37], "Results.htm");
    EXPECT_EQ(texts[94], "Iocard.hlp");
    ui::SetNorwegianTexts(program);
    EXPECT_EQ(texts[30], "Deltakere");
    EXPECT_EQ(texts[51], "Tider");
    EXPECT_EQ(texts[56], "Tid");
    EXPECT_EQ(texts[35], "Resultat-");
    EXPECT_EQ(texts[17], "Navn");
    EXPECT_EQ(texts[33], "Resultat.txt");
    EXPECT_EQ(texts[94], "Iokort.hlp");
    EXPECT_EQ(texts[96],
              "Databasen er laget med et annet språkoppsett i programmet. Bytt språk, og prøv "
              "på nytt. Denne databasen kan derfor ikke åpnes.");
    EXPECT_EQ(texts[36], ":Plass:Nummer: Deltaker           : Klubb           : Resultat    :");
}

TEST(LanguageTables, UnassignedEntriesStayEmptyInBothLanguages) {
    TestProgram test;
    auto& program = test.program();
    for (auto apply : {ui::SetEnglishTexts, ui::SetNorwegianTexts}) {
        apply(program);
        for (int entry : {0, 10, 40, 41, 97, 98, 99})
            EXPECT_TRUE(program.LanguageTexts[entry].empty()) << entry;
        for (int entry = 110; entry <= 200; ++entry)
            EXPECT_TRUE(program.LanguageTexts[entry].empty()) << entry;
        for (int entry = 100; entry <= 109; ++entry)
            EXPECT_FALSE(program.LanguageTexts[entry].empty()) << entry;
    }
}

TEST(LanguageTables, CaptionsTitlesAndLineButtonsOfEachLanguage) {
    TestProgram test;
    auto& program = test.program();
    auto& main = program.Main;
    ui::SetEnglishTexts(program);
    EXPECT_EQ(program.MDIMain.Frame.caption(),
              "[KVT] Kvarne Time Capture System [ No database open ]");
    EXPECT_EQ(main.Window.caption(), program.MDIMain.Frame.caption());
    EXPECT_EQ(main.TimeButton[0].caption(), "&Line 1");
    EXPECT_EQ(main.TimeButton[5].caption(), "&Line 6");
    EXPECT_EQ(program.MDIMain.Kompress.caption(), "&Compress...");
    EXPECT_EQ(main.MainToolbar.button(20).toolTip, "Exit");
    EXPECT_EQ(main.MainToolbar.button(3).toolTip, "");
    EXPECT_EQ(main.MainTabStrip.tabCaption(6), "&Results");
    EXPECT_EQ(main.SetupLanguageOption[5].caption(), "&Italiano");
    EXPECT_EQ(main.NameData.caption(), "             Competitors");

    ui::SetNorwegianTexts(program);
    EXPECT_EQ(program.MDIMain.Frame.caption(),
              "[KVT] Kvarne Tidtaking System [ Ingen database åpenet ]");
    EXPECT_EQ(main.TimeButton[0].caption(), "&Linje 1");
    EXPECT_EQ(main.TimeButton[5].caption(), "&Linje 6");
    EXPECT_EQ(program.MDIMain.Avslutt.caption(), "&Avslutt...");
    EXPECT_EQ(main.MainToolbar.button(1).toolTip, "Åpne database");
    EXPECT_EQ(main.MainTabStrip.tabCaption(1), "&Fange");
    EXPECT_EQ(main.SetupChannelCheck[3].caption(), "&Linje 4   [F5]        Pin 1 og 5    ");
    EXPECT_EQ(main.NameTabStrip.tabCaption(2), "&Secundær");
    // Controls that neither routine touches keep their design captions.
    EXPECT_EQ(main.NameOption[0].caption(), "Full ");
    EXPECT_EQ(main.SetupCheck[0].caption(), "&Ledig");
}

TEST(LanguageTables, RebindsTheLocalisedFieldsAndSetsTheHelpFile) {
    TestProgram test;
    auto& program = test.program();
    auto& main = program.Main;
    ui::SetEnglishTexts(program);
    EXPECT_EQ(main.TimeRegTime[1].dataField(), "Time");
    EXPECT_EQ(main.ResultsText[5].dataField(), "Difference");
    EXPECT_EQ(main.ClassText[1].dataField(), "Name");
    EXPECT_EQ(program.helpFile, test.folder().string() + "\\Help.hlp");
    ui::SetNorwegianTexts(program);
    EXPECT_EQ(main.TimeRegTime[1].dataField(), "Tid");
    EXPECT_EQ(main.ResultsIndex.dataField(), "Plass");
    EXPECT_EQ(main.ClassIndex.dataField(), "Index");
    EXPECT_EQ(main.ClassText[2].dataField(), "Spesifikasjon");
    EXPECT_EQ(program.helpFile, test.folder().string() + "\\Hjelp.hlp");
}

namespace {

// The texts of the messages shown, in order.
std::vector<std::string> shownTexts(const kvt::testing::FakeDialogs& dialogs) {
    std::vector<std::string> texts;
    for (const auto& shown : dialogs.messages) texts.push_back(shown.text);
    return texts;
}

}  // namespace

TEST(ProgramsOwnTexts, MessagesAboutFilesFollowTheLanguageInForce) {
    for (bool english : {false, true}) {
        TestProgram test;
        if (english) test.writeUserIni("x", " 1", " 0", "");
        auto& program = test.start();
        const std::string missing = (test.folder() / "Missing.mdb").string();
        test.dialogs.fileAnswers.push_back(missing);
        program.MDIMain.Open.click();
        const std::string notes = (test.folder() / "Notes.mdb").string();
        {
            kvt::meetdb::Connection db(notes, kvt::meetdb::Connection::Mode::Create);
            db.execute("CREATE TABLE \"Control\" (\"Language\" TEXT)");
            db.execute(english ? "INSERT INTO \"Control\" VALUES (' 1')"
                               : "INSERT INTO \"Control\" VALUES ('0')");
        }
        test.dialogs.fileAnswers.push_back(notes);
        program.MDIMain.Open.click();
        test.dialogs.fileAnswers.push_back(missing);
        program.MDIMain.Reset.click();
        if (english)
            EXPECT_EQ(shownTexts(test.dialogs),
                      (std::vector<std::string>{
                          "This file cannot be opened as a meet database: the file does not exist",
                          "This file cannot be opened as a meet database: the table is missing: "
                          "Setup",
                          "Error trying resetting database: the file does not exist"}));
        else
            EXPECT_EQ(shownTexts(test.dialogs),
                      (std::vector<std::string>{
                          "Filen kan ikke åpnes som stevnedatabase: filen finnes ikke",
                          "Filen kan ikke åpnes som stevnedatabase: tabellen mangler: Oppsett",
                          "Feil under resetting av database: filen finnes ikke"}));
    }
}

TEST(ProgramsOwnTexts, EachHasBothLanguages) {
    for (auto text :
         {lang::SettingsUnreadableText, lang::SettingsUnsavedText,    lang::CannotMakeDatabaseText,
          lang::NotAMeetDatabaseText,   lang::CountsBeyondBoundsText, lang::CannotSaveText,
          lang::TimeNotStoredText,      lang::TimeKeptText,           lang::AdapterCloseText,
          lang::CannotStartText,        lang::CopyFailedText,         lang::CompressFailedText,
          lang::RepairedText,           lang::RepairFailedText,       lang::NoSuchFileText,
          lang::ReadOnlyFileText,       lang::DamagedFileText,        lang::MissingTableText,
          lang::NoRecordText,           lang::MissingFieldText,       lang::NothingReadableText,
          lang::NoMeetFolderText,       lang::NoMeetOpenText,         lang::HelpFileMissingText,
          lang::UserLanguageBoxText,    lang::MeetLanguageBoxText,    lang::WholeButNoMeetText,
          lang::RebuiltButNoMeetText}) {
        const lang::Bilingual both = text();
        EXPECT_FALSE(std::string(both.english).empty());
        EXPECT_NE(std::string(both.english), std::string(both.norwegian)) << both.english;
    }
}

TEST(ProgramsOwnTexts, TheFileCommandsSpeakTheLanguageInForce) {
    TestProgram test;
    test.writeUserIni("x", " 1", " 0", "");
    auto& program = test.start();
    const std::string path = test.makeAndOpenMeet();
    program.MDIMain.Close.click();
    test.dialogs.messages.clear();
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Copy.click();
    EXPECT_EQ(program.MDIMain.Status.panelText(2),
              "The database is copied to " + (test.folder() / "Meet.bak").string() + ".");
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Kompress.click();
    EXPECT_EQ(program.MDIMain.Status.panelText(2), "The database Meet.mdb is compressed.");
    test.dialogs.fileAnswers.push_back(path);
    program.MDIMain.Repair.click();
    EXPECT_EQ(program.MDIMain.Status.panelText(2),
              "The database Meet.mdb is checked and whole; nothing changed.");
    test.dialogs.fileAnswers.push_back(path);
    test.dialogs.answers.push_back(kvt::ui::Answer::Yes);
    program.MDIMain.Reset.click();
    EXPECT_EQ(shownTexts(test.dialogs),
              (std::vector<std::string>{
                  "Reset the meet Meet.mdb? It holds 0 registered times and 0 results, which are "
                  "all deleted. Competitors, clubs, classes and the setup are kept."}));
    EXPECT_EQ(program.MDIMain.Status.panelText(2), "The meet Meet.mdb is reset.");
    EXPECT_EQ(kvt::lang::UserLanguageWrongText(kvt::lang::Language::English, "3"),
              "The user settings (User.ini) give the language \"3\", which is none of the "
              "program's (0 Norwegian, 1 English), so no meet can be opened, made or reset. "
              "Choose the language on the setup page, and try again.");
    EXPECT_EQ(kvt::lang::MadeWithLanguageText(kvt::lang::Language::English, " 1"),
              " This meet was made with the language English (1).");
}
