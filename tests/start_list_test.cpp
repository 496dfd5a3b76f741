// The start list compared byte for byte with the files in tests/golden (KVT_WRITE_GOLDEN set
// writes them afresh, to be read through before they are committed).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

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
