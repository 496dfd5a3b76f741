// The results list for paper, driven from the Lists menu: what reaches the printer (every class
// with results, ranked, taken from the meet), the PDF in the meet folder and its viewer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/fakes.h"
#include "ui/captions.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

// A meet with the sample competitors: 1 to 3 finish in Junior, 4 and 5 in Senior.
class PrintedList : public ::testing::Test {
protected:
    void open(bool english) {
        if (english) test.writeUserIni("x", " 1", " 0", "");
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        auto& main = p.Main;
        for (int n : {4, 5}) {
            main.NameMover.setText(std::to_string(n));
            main.NameCombo[1].setText("Senior");
        }
        main.NameMover.setText("1");
        race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
        race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
        race(3, {10, 2, 0, 0}, {10, 33, 7, 450});
        race(4, {10, 3, 0, 0}, {10, 50, 0, 0});
        race(5, {10, 4, 0, 0}, {10, 40, 0, 0});
    }
    void race(int n, base::LocalTime start, base::LocalTime finish) {
        auto& main = test.program().Main;
        main.Number[0].setText(std::to_string(n));
        for (auto time : {start, finish}) {
            test.clock.time = time;
            main.Number[0].KeyDown.raise(ui::KeyReturn);
            main.Number[0].KeyUp.raise(ui::KeyReturn);
        }
    }
    // Start number and competitor of each row of a section.
    static std::vector<std::string> numbers(const ui::PrintedSection& section) {
        std::vector<std::string> shown;
        for (const auto& row : section.rows) shown.push_back(row[0] + ":" + row[1]);
        return shown;
    }
    std::string meetFolder() const { return (test.folder() / "Meet").string(); }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(PrintedList, PrintingShowsEveryClassWithItsRankedRowsInClassOrder) {
    open(false);
    test.program().MDIMain.PrintResultslist.click();
    ASSERT_EQ(test.printer.printed.size(), 1u);
    const ui::PrintedList& list = test.printer.printed[0];
    EXPECT_EQ(list.title, "RESULTAT");
    EXPECT_EQ(list.meetName, "Meet");
    EXPECT_EQ(list.pageNumbers, "Side %1 av %2");
    EXPECT_EQ(list.columns,
              (std::vector<std::string>{"Plass", "Nummer", "Deltaker", "Klubb", "Resultat"}));
    ASSERT_EQ(list.sections.size(), 2u);
    EXPECT_EQ(list.sections[0].heading, "Junior");
    EXPECT_EQ(numbers(list.sections[0]), (std::vector<std::string>{"1:2", "2:1", "3:3"}));
    EXPECT_EQ(list.sections[1].heading, "Senior");
    EXPECT_EQ(numbers(list.sections[1]), (std::vector<std::string>{"1:5", "2:4"}));
    const auto& winner = list.sections[0].rows[0];
    EXPECT_EQ(winner[3], "Tornado");
    EXPECT_EQ(winner[4], "00.28.59");
    EXPECT_TRUE(test.dialogs.messages.empty());
}

TEST_F(PrintedList, TheDifferenceColumnIsThereOnlyWithTheOption) {
    open(true);
    auto& program = test.program();
    program.Main.SetupCheck[5].setChecked(true);
    program.MDIMain.PrintResultslist.click();
    ASSERT_EQ(test.printer.printed.size(), 1u);
    const ui::PrintedList& list = test.printer.printed[0];
    EXPECT_EQ(list.title, "RESULTS");
    EXPECT_EQ(list.pageNumbers, "Page %1 of %2");
    ASSERT_EQ(list.columns.size(), 6u);
    EXPECT_EQ(list.columns[5], "Difference");
    EXPECT_EQ(list.sections[0].rows[1][5], "00.02.07");
    program.Main.SetupCheck[5].setChecked(false);
    program.MDIMain.PrintResultslist.click();
    ASSERT_EQ(test.printer.printed.size(), 2u);
    EXPECT_EQ(test.printer.printed[1].columns.size(), 5u);
    EXPECT_EQ(test.printer.printed[1].sections[0].rows[1].size(), 5u);
}

TEST_F(PrintedList, AClassWithoutResultsIsLeftOutAndAMeetWithoutAnyPrintsItsEmptyText) {
    auto& program = test.start();
    test.makeAndOpenMeet();
    program.MDIMain.PrintResultslist.click();
    ASSERT_EQ(test.printer.printed.size(), 1u);
    EXPECT_TRUE(test.printer.printed[0].sections.empty());
    EXPECT_EQ(test.printer.printed[0].empty, "Ingen resultater ennå.");
}

TEST_F(PrintedList, ThePdfIsWrittenIntoTheMeetFolderAndOpenedInTheSystemsViewer) {
    open(false);
    test.program().MDIMain.PdfResultslist.click();
    const fs::path pdf = fs::path(meetFolder()) / "Resultat.pdf";
    ASSERT_EQ(test.printer.pdfs.size(), 1u);
    EXPECT_TRUE(fs::exists(pdf));
    EXPECT_FALSE(fs::exists(pdf.string() + ".making"));
    EXPECT_NE(bytes(pdf).find("Senior"), std::string::npos);
    EXPECT_EQ(test.launcher.opened, (std::vector<std::string>{pdf.string()}));
    EXPECT_TRUE(test.launcher.started.empty());
    EXPECT_FALSE(test.application.busy);
    EXPECT_TRUE(test.dialogs.messages.empty());
}

TEST_F(PrintedList, AnEnglishMeetsPdfIsResultsPdf) {
    open(true);
    test.program().MDIMain.PdfResultslist.click();
    EXPECT_TRUE(fs::exists(fs::path(meetFolder()) / "Results.pdf"));
    ASSERT_EQ(test.launcher.opened.size(), 1u);
}

TEST_F(PrintedList, APdfThatCannotBeWrittenLeavesTheEarlierOneAndSaysWhy) {
    open(false);
    auto& program = test.program();
    program.MDIMain.PdfResultslist.click();
    const fs::path pdf = fs::path(meetFolder()) / "Resultat.pdf";
    const std::string earlier = bytes(pdf);
    test.printer.failure = "the disk is full";
    program.MDIMain.PdfResultslist.click();
    EXPECT_EQ(bytes(pdf), earlier);
    EXPECT_FALSE(fs::exists(pdf.string() + ".making"));
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text,
              "PDF-fila med resultatlista kunne ikke skrives: the disk is full");
    EXPECT_EQ(test.launcher.opened.size(), 1u);  // only the first
    EXPECT_FALSE(test.application.busy);
}

TEST_F(PrintedList, AViewerThatCannotBeStartedIsTold) {
    open(false);
    test.launcher.succeed = false;
    test.program().MDIMain.PdfResultslist.click();
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_NE(test.dialogs.messages[0].text.find("Resultat.pdf"), std::string::npos);
}

TEST_F(PrintedList, TheListsRankEveryClassAnewAndTheTextListStaysAsItWas) {
    open(false);
    auto& program = test.program();
    program.MDIMain.MakeResultslist.click();
    const std::string before = bytes(fs::path(meetFolder()) / "Resultat.txt");
    program.MDIMain.PdfResultslist.click();
    program.MDIMain.PrintResultslist.click();
    program.MDIMain.MakeResultslist.click();
    EXPECT_EQ(bytes(fs::path(meetFolder()) / "Resultat.txt"), before);
}

TEST(PrintedListMenu, TheItemsFollowTheLanguageAndTheDatabaseState) {
    TestProgram test;
    auto& program = test.start();
    auto& mdi = program.MDIMain;
    EXPECT_EQ(mdi.PrintResultslist.caption(), "&Skriv ut resultatliste...");
    EXPECT_EQ(mdi.PdfResultslist.caption(), "Resultatliste som &PDF...");
    EXPECT_FALSE(mdi.PrintResultslist.enabled());
    EXPECT_FALSE(mdi.PdfResultslist.enabled());
    mdi.PrintResultslist.click();
    EXPECT_TRUE(test.printer.printed.empty());
    ui::SetEnglishTexts(program);
    EXPECT_EQ(mdi.PrintResultslist.caption(), "&Print resultslist...");
    EXPECT_EQ(mdi.PdfResultslist.caption(), "Resultslist as &PDF...");
    test.makeAndOpenMeet();
    EXPECT_TRUE(mdi.PrintResultslist.enabled());
    EXPECT_TRUE(mdi.PdfResultslist.enabled());
    mdi.Close.click();
    EXPECT_FALSE(mdi.PdfResultslist.enabled());
}
