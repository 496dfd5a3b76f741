// The setup option that leaves disqualified and canceled competitors without a place: the
// ranking, the results table, the results page and the lists.
#include <gtest/gtest.h>

#include <fstream>

#include "meetdb/sqlite.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> lines(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(file), {}};
    std::vector<std::string> result;
    for (std::size_t begin = 0; begin < text.size();) {
        auto end = text.find("\r\n", begin);
        result.push_back(text.substr(begin, end - begin));
        begin = end == std::string::npos ? text.size() : end + 2;
    }
    return result;
}

// Three finishers in class 1: competitor 2 is the fastest, 1 second, 3 last.
class Statuses : public ::testing::Test {
protected:
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        auto& main = p.Main;
        main.SetupTimeOption[3].select();
        main.SetupCheck[5].setChecked(true);  // differences
        race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
        race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
        race(3, {10, 2, 0, 0}, {10, 35, 0, 0});  // 00.33.00,00
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
    void status(int n, const std::string& text) {
        auto& main = test.program().Main;
        main.NameMover.setText(std::to_string(n));
        main.NameCombo[2].setText(text);
        main.NameMover.setText(std::to_string(n == 1 ? 2 : 1));
    }
    std::vector<std::string> textList() {
        test.program().MDIMain.MakeResultslist.click();
        auto all = lines(test.folder() / "Meet" / "Resultat.txt");
        // The rows of the class: between the heading's closing line and the last.
        return std::vector<std::string>(all.begin() + 8, all.end() - 2);
    }
    // The results table of class 1 as stored: place, number, result, difference.
    std::vector<std::string> stored() {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto select = db.prepare(
            "SELECT \"Plass\", \"Nummer\", \"Resultat\", \"Differanse\" FROM \"Resultat-1\" "
            "ORDER BY rowid");
        std::vector<std::string> rows;
        while (select.step())
            rows.push_back(select.text(0).value_or("none") + " " + *select.text(1) + " " +
                           *select.text(2) + " " + *select.text(3));
        return rows;
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Statuses, ADisqualifiedWinnerFollowsTheRankedWithoutAPlaceAndDifferencesAreToTheNewWinner) {
    status(2, "Disket");
    test.program().Main.SetupCheck[6].setChecked(true);
    EXPECT_EQ(kvt::testing::ReadField(path, "Oppsett", "18"), "1");
    EXPECT_EQ(
        textList(),
        (std::vector<std::string>{
            "1:    1:     Eirik, Dahl:         Tornado:          00.31.07,45:  00.00.00,00:  :",
            "2:    3:     Sindre, Vika:        Tornado:          00.33.00,00:  00.01.52,55:  :",
            ":     2:     Lars, Vika:          Tornado:          Disket:       -:            :",
        }));
    EXPECT_EQ(stored(), (std::vector<std::string>{"1 1 00.31.07,45 00.00.00,00", "none 2 Disket -",
                                                  "2 3 00.33.00,00 00.01.52,55"}));
    // The results page lists him after the ranked ones.
    auto& main = test.program().Main;
    main.ResultsCombo.pick(0);
    ASSERT_EQ(main.ResultsData.recordCount(), 3);
    main.ResultsData.moveTo(3);
    EXPECT_EQ(main.ResultsText[0].text(), "");
    EXPECT_EQ(main.ResultsText[1].text(), "2");
    EXPECT_EQ(main.ResultsText[4].text(), "Disket");
    // The HTML list shows his status in the place of a result.
    test.program().MDIMain.MakeResultslistHtml.click();
    std::ifstream html(test.folder() / "Meet" / "Resultat.htm", std::ios::binary);
    const std::string page{std::istreambuf_iterator<char>(html), {}};
    EXPECT_NE(page.find("Lars, Vika\r\n"), std::string::npos);
    EXPECT_LT(page.find("Sindre, Vika"), page.find("Lars, Vika"));
    EXPECT_NE(page.find("\r\nDisket\r\n"), std::string::npos);
}

TEST_F(Statuses, ACanceledCompetitorOfEitherLanguageHasNoPlaceAndTheStatusGoneRanksHimAgain) {
    test.program().Main.SetupCheck[6].setChecked(true);
    status(1, "canceled");  // typed, in English
    auto rows = textList();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].substr(0, 32), "1:    2:     Lars, Vika:        ");
    EXPECT_EQ(rows[2],
              ":     1:     Eirik, Dahl:         Tornado:          Brutt:        -:            :");
    status(1, "Ok");
    rows = textList();
    EXPECT_EQ(rows[1],
              "2:    1:     Eirik, Dahl:         Tornado:          00.31.07,45:  00.02.07,46:  :");
    EXPECT_EQ(stored()[0], "2 1 00.31.07,45 00.02.07,46");
}

TEST_F(Statuses, WithTheOptionOffTheStatusPlaysNoPartAndAStoredStatusGivesBackItsResult) {
    status(2, "Disket");
    auto rows = textList();
    EXPECT_EQ(rows[0],
              "1:    2:     Lars, Vika:          Tornado:          00.28.59,99:  00.00.00,00:  :");
    auto& main = test.program().Main;
    main.SetupCheck[6].setChecked(true);
    textList();
    EXPECT_EQ(stored()[1], "none 2 Disket -");
    // Closed and opened again with the option off: the race time is his result again.
    main.SetupCheck[6].setChecked(false);
    test.program().MDIMain.Close.click();
    test.dialogs.fileAnswers.push_back(path);
    test.program().MDIMain.Open.click();
    ASSERT_EQ(test.program().currentDatabase(), path);
    rows = textList();
    EXPECT_EQ(rows[0],
              "1:    2:     Lars, Vika:          Tornado:          00.28.59,99:  00.00.00,00:  :");
    EXPECT_EQ(stored()[1], "1 2 00.28.59,99 00.00.00,00");
}

TEST_F(Statuses, ThePrintedListAndTheLivePagesShowADisqualifiedWinnerWithoutAPlace) {
    status(2, "Disket");
    auto& program = test.program();
    program.Main.SetupCheck[6].setChecked(true);
    program.MDIMain.PrintResultslist.click();
    ASSERT_EQ(test.printer.printed.size(), 1u);
    const auto& rows = test.printer.printed[0].sections.at(0).rows;
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "1", "Eirik, Dahl", "Tornado", "00.31.07,45",
                                                 "00.00.00,00"}));
    EXPECT_EQ(rows[2],
              (std::vector<std::string>{"", "2", "Lars, Vika", "Tornado", "Disket", "-"}));

    program.Main.SetupLiveCheck.setChecked(true);
    ASSERT_TRUE(test.web.running());
    const std::string page = test.web.get("/class/1").body;
    EXPECT_NE(page.find("<td class=\"n p\"></td><td>Lars, Vika"), std::string::npos) << page;
    EXPECT_NE(page.find("<td class=\"n\">Disket"), std::string::npos);
    EXPECT_EQ(page.find("<td class=\"n p\">0</td>"), std::string::npos);
    EXPECT_LT(page.find("Sindre, Vika"), page.find("Lars, Vika"));
    const std::string json = test.web.get("/class/1.json").body;
    EXPECT_NE(json.find("{\"place\":null,\"number\":2,\"competitor\":\"Lars, Vika\","
                        "\"club\":\"Tornado\",\"result\":\"Disket\""),
              std::string::npos)
        << json;
}
