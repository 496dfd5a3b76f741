// The results lists compared byte for byte with the files in tests/golden. With the
// environment variable KVT_WRITE_GOLDEN set, the files are written afresh instead (to be read
// through before they are committed).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "base/windows1252.h"
#include "support/fakes.h"
#include "ui/captions.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

// A meet under the given language with three finishers in class 1, one of them with a long
// name in Norwegian letters and one with a letter the lists' code page does not have.
class Lists : public ::testing::Test {
protected:
    void open(bool english, bool withResults, int timeFormat = 0) {
        if (english) test.writeUserIni("x", " 1", " 0", "");
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        if (!withResults) return;
        auto& main = p.Main;
        main.SetupTimeOption[timeFormat].select();
        main.NameMover.setText("1");
        main.NameText[0].setText("Æsmund Øyvind");
        main.NameText[1].setText("Åsheim-Bråtenå");
        main.NameMover.setText("2");
        main.NameText[1].setText("Łukasiewicz");
        main.NameMover.setText("3");
        race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
        race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
        race(3, {10, 2, 0, 0}, {10, 33, 7, 450});
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
    void compare(const std::string& list, const std::string& golden) {
        const fs::path written = test.folder() / "Meet" / list;
        const fs::path expected = fs::path(KVT_GOLDEN_DIR) / golden;
        ASSERT_TRUE(fs::exists(written)) << written;
        if (std::getenv("KVT_WRITE_GOLDEN"))
            fs::copy_file(written, expected, fs::copy_options::overwrite_existing);
        EXPECT_EQ(bytes(written), bytes(expected)) << golden;
    }
    void makeBoth() {
        test.program().MDIMain.MakeResultslist.click();
        test.program().MDIMain.MakeResultslistHtml.click();
    }

    TestProgram test;
    std::string path;
};

}  // namespace

TEST_F(Lists, NorwegianWithoutDifferences) {
    open(false, true);
    makeBoth();
    compare("Resultat.txt", "no-plain.txt");
    compare("Resultat.htm", "no-plain.htm");
}

TEST_F(Lists, EnglishWithDifferencesAndHundredths) {
    open(true, true, 3);
    test.program().Main.SetupCheck[5].setChecked(true);
    makeBoth();
    compare("Results.txt", "en-differences.txt");
    compare("Results.htm", "en-differences.htm");
}

TEST_F(Lists, AMeetWithoutResults) {
    open(false, false);
    makeBoth();
    compare("Resultat.txt", "no-empty.txt");
    compare("Resultat.htm", "no-empty.htm");
    EXPECT_EQ(bytes(test.folder() / "Meet" / "Resultat.txt"),
              std::string(67, '-') + "\r\nRESULTAT: " + std::string(56, ' ') + ":\r\n" +
                  std::string(67, '-') + "\r\n");
}

TEST_F(Lists, MarkupInNamesClubsAndClassesIsWrittenAsTextInTheHtmlList) {
    open(false, false);
    auto& main = test.program().Main;
    const std::string className = "Junior <18> & \"open\"";
    main.ClassMover.setText("1");
    main.ClassText[1].setText(className);
    main.ClassMover.setText("2");
    main.NameMover.setText("1");
    main.NameText[0].setText("<script>alert(\"x\")</script>");
    main.NameCombo[0].setText("A & B");
    main.NameCombo[1].setText(className);
    main.NameMover.setText("2");
    main.NameCombo[1].setText(className);
    main.NameMover.setText("3");
    race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
    race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
    makeBoth();
    const std::string html = bytes(test.folder() / "Meet" / "Resultat.htm");
    EXPECT_EQ(html.find("<script>"), std::string::npos) << html;
    EXPECT_NE(html.find("\r\n&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;, Dahl\r\n"),
              std::string::npos)
        << html;
    EXPECT_NE(html.find("\r\nA &amp; B\r\n"), std::string::npos) << html;
    EXPECT_NE(html.find("\r\nJunior &lt;18&gt; &amp; &quot;open&quot;\r\n"), std::string::npos)
        << html;
    // The text list is no markup: it keeps the values as they are.
    const std::string text = bytes(test.folder() / "Meet" / "Resultat.txt");
    EXPECT_NE(text.find("A & B"), std::string::npos) << text;
    EXPECT_NE(text.find("\r\n" + className + "\r\n"), std::string::npos) << text;
}

TEST(Windows1252, LettersOutsideTheCodePageDoNotBreakAList) {
    auto text = base::DecodeUtf8("Åse Ł € \xff");
    EXPECT_EQ(base::EncodeWindows1252(text, base::Unmappable::QuestionMark), "\xc5se ? \x80 ?");
    EXPECT_EQ(base::EncodeWindows1252(text, base::Unmappable::CharacterReference),
              "\xc5se &#321; \x80 &#65533;");
    EXPECT_EQ(base::EncodeUtf8(base::DecodeUtf8("Ærlig 😀")), "Ærlig 😀");
}
