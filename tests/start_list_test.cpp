// The start list compared byte for byte with the files in tests/golden (KVT_WRITE_GOLDEN set
// writes them afresh, to be read through before they are committed).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/fakes.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

// The sample competitors 1 to 5 in Junior, two more in Senior (one with a long name in
// Norwegian letters, a club with markup), one in a class the meet does not have.
class StartList : public ::testing::Test {
protected:
    void open(bool english) {
        if (english) test.writeUserIni("x", " 1", " 0", "");
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        ASSERT_FALSE(test.makeAndOpenMeet().empty());
        auto& main = p.Main;
        const std::string senior = english ? "Senior" : "Senior";
        enter(8, "Åshild Ødegård-Bjørnstad", "Lie", "Sprint & <Co>", senior);
        enter(6, "Per", "Hansen", "Olsberg", senior);
        enter(7, "Ola", "Nordmann", "Tornado", "Veteran");
        main.NameMover.setText("1");
    }
    void enter(int n, const std::string& first, const std::string& surname, const std::string& club,
               const std::string& className) {
        auto& main = test.program().Main;
        main.NameMover.setText(std::to_string(n));
        main.NameText[0].setText(first);
        main.NameText[1].setText(surname);
        main.NameCombo[0].setText(club);
        main.NameCombo[1].setText(className);
    }
    void compare(const std::string& list, const std::string& golden) {
        const fs::path written = test.folder() / "Meet" / list;
        const fs::path expected = fs::path(KVT_GOLDEN_DIR) / golden;
        ASSERT_TRUE(fs::exists(written)) << written;
        if (std::getenv("KVT_WRITE_GOLDEN"))
            fs::copy_file(written, expected, fs::copy_options::overwrite_existing);
        EXPECT_EQ(bytes(written), bytes(expected)) << golden;
    }

    TestProgram test;
};

}  // namespace

TEST_F(StartList, NorwegianListsEveryClassByStartNumberWithClubs) {
    open(false);
    test.program().MDIMain.MakeStartlist.click();
    EXPECT_TRUE(test.dialogs.messages.empty());
    compare("Startliste.txt", "no-startlist.txt");
    compare("Startliste.htm", "no-startlist.htm");
}

TEST_F(StartList, EnglishListsEveryClassByStartNumberWithClubs) {
    open(true);
    test.program().MDIMain.MakeStartlist.click();
    compare("Startlist.txt", "en-startlist.txt");
    compare("Startlist.htm", "en-startlist.htm");
}

TEST_F(StartList, TheViewersOpenTheListsOrTellThatThereIsNone) {
    open(false);
    auto& program = test.program();
    program.MDIMain.ViewStartlist.click();
    EXPECT_EQ(test.dialogs.messages.back().text, program.LanguageTexts[92]);
    EXPECT_TRUE(test.launcher.started.empty());
    program.MDIMain.MakeStartlist.click();
    program.MDIMain.ViewStartlist.click();
    program.MDIMain.ViewStartlistHtml.click();
    ASSERT_EQ(test.launcher.started.size(), 2u);
    EXPECT_EQ(test.launcher.started[0].second,
              (test.folder() / "Meet" / "Startliste.txt").string());
    EXPECT_EQ(test.launcher.started[1].first, program.Main.SetupText[15].text());
    EXPECT_EQ(test.launcher.started[1].second,
              (test.folder() / "Meet" / "Startliste.htm").string());
}

TEST_F(StartList, OnPaperEveryClassHasItsCompetitorsByStartNumberAndThePdfIsOpened) {
    open(false);
    auto& program = test.program();
    program.MDIMain.PrintStartlist.click();
    ASSERT_EQ(test.printer.printed.size(), 1u);
    const ui::PrintedList& list = test.printer.printed[0];
    EXPECT_EQ(list.title, "STARTLISTE");
    EXPECT_EQ(list.meetName, "Meet");
    EXPECT_EQ(list.columns, (std::vector<std::string>{"Nummer", "Deltaker", "Klubb"}));
    // Junior and Senior; the competitor of a class the meet does not have is in neither.
    ASSERT_EQ(list.sections.size(), 2u);
    EXPECT_EQ(list.sections[0].heading, "Junior");
    std::vector<std::string> junior;
    for (const auto& row : list.sections[0].rows) junior.push_back(row.at(0));
    EXPECT_EQ(junior, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(list.sections[1].heading, "Senior");
    ASSERT_EQ(list.sections[1].rows.size(), 2u);
    EXPECT_EQ(list.sections[1].rows[0],
              (std::vector<std::string>{"6", "Per, Hansen", "Olsberg"}));
    // Names are given whole: the paper is not cut to the text list's columns.
    EXPECT_EQ(list.sections[1].rows[1],
              (std::vector<std::string>{"8", "Åshild Ødegård-Bjørnstad, Lie", "Sprint & <Co>"}));

    program.MDIMain.PdfStartlist.click();
    const fs::path pdf = test.folder() / "Meet" / "Startliste.pdf";
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_FALSE(fs::exists(pdf.string() + ".making"));
    EXPECT_EQ(test.launcher.opened, (std::vector<std::string>{pdf.string()}));
    ASSERT_EQ(test.printer.pdfs.size(), 1u);
    EXPECT_EQ(test.printer.pdfs[0].second.sections.size(), 2u);
    EXPECT_TRUE(test.dialogs.messages.empty());
}

TEST_F(StartList, AStartListPdfThatCannotBeWrittenLeavesTheEarlierOneAndSaysWhy) {
    open(true);
    auto& program = test.program();
    program.MDIMain.PdfStartlist.click();
    const fs::path pdf = test.folder() / "Meet" / "Startlist.pdf";
    ASSERT_TRUE(fs::exists(pdf));
    const std::string before = bytes(pdf);
    enter(9, "New", "Runner", "Tornado", "Senior");
    test.printer.failure = "the disk is full";
    program.MDIMain.PdfStartlist.click();
    EXPECT_EQ(bytes(pdf), before);
    EXPECT_FALSE(fs::exists(pdf.string() + ".making"));
    ASSERT_FALSE(test.dialogs.messages.empty());
    EXPECT_NE(test.dialogs.messages.back().text.find("the disk is full"), std::string::npos);
    EXPECT_EQ(test.launcher.opened.size(), 1u);
}
