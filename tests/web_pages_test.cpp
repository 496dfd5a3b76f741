// Pages for the web and the text list's encoding, driven from the setup page: the pages
// written into the meet's "web" folder by the writer's thread as the results change, the
// settings kept for the user, and the files as a browser and a federation read them.
#include "results/web_pages.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "entries/xml_reader.h"
#include "results/web_publishing.h"
#include "shell/commands.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class WebPages : public ::testing::Test {
protected:
    ui::Program& open() {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        test.makeAndOpenMeet();
        test.dialogs.messages.clear();
        return p;
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
    fs::path web() { return fs::path(test.program().listFolder) / "web"; }
    // Ticks the timer until the file holds the part (the writer works on a thread of its own);
    // false after a few seconds.
    bool arrives(const std::string& name, const std::string& part) {
        for (int i = 0; i < 200; ++i) {
            if (i % 10 == 0) test.program().Main.WebTimer.tick();
            if (contains(readFile(web() / name), part)) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }

    TestProgram test;
};

}  // namespace

TEST_F(WebPages, TheCheckBoxWritesEveryClassesPagesAnIndexJsonAndIofXmlAsResultsChange) {
    auto& main = open().Main;
    EXPECT_TRUE(main.WebTimer.running());
    main.WebTimer.tick();
    EXPECT_FALSE(fs::exists(web()));  // not asked for
    main.SetupWebCheck.setChecked(true);
    ASSERT_TRUE(arrives("index.html", "<a href=\"class-1.html\">Junior <span>0 i mål</span>"));
    race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
    ASSERT_TRUE(arrives("class-1.html", "Lars, Vika"));
    // The files of one change are written one after the other: the last of them.
    ASSERT_TRUE(arrives("StartList.xml", "T10:01:00"));
    const std::string page = readFile(web() / "class-1.html");
    EXPECT_TRUE(contains(page, "<meta charset=\"utf-8\">"));
    EXPECT_TRUE(contains(page, "width=device-width"));
    EXPECT_TRUE(contains(page, "<h1>Junior</h1>"));
    EXPECT_TRUE(contains(page, "<a href=\"index.html\">Alle klasser</a>"));
    EXPECT_TRUE(contains(page, "hvert 30. sekund"));
    const std::string index = readFile(web() / "index.html");
    EXPECT_TRUE(contains(index, "<a href=\"class-1.html\">Junior <span>1 i mål</span>"));
    EXPECT_TRUE(contains(index, "<a href=\"start-1.html\">Junior <span>5</span>"));
    EXPECT_TRUE(contains(readFile(web() / "start-1.html"), "Geir Dahl"));
    EXPECT_TRUE(contains(readFile(web() / "results.json"), "\"page\":\"class-1.html\""));
    const auto results = entries::ReadXml(readFile(web() / "ResultList.xml"));
    EXPECT_EQ(results->child("ClassResult")->child("PersonResult")->child("Result")->childText(
                  "Position"),
              "1");
    EXPECT_TRUE(fs::exists(web() / "StartList.xml"));
    // No half-written file is left beside them.
    for (const auto& file : fs::directory_iterator(web()))
        EXPECT_NE(file.path().extension(), ".making") << file.path();

    // The lists of the meet folder stay as they are: the pages are new files.
    EXPECT_FALSE(fs::exists(fs::path(test.program().listFolder) / "Resultat.htm"));
}

TEST_F(WebPages, ClosingTheMeetEndsItsPagesAndNothingOfItReachesTheNext) {
    auto& main = open().Main;
    main.SetupWebCheck.setChecked(true);
    ASSERT_TRUE(arrives("index.html", "Junior"));
    const fs::path first = web();
    test.program().MDIMain.Close.click();
    ASSERT_EQ(test.program().meet, nullptr);
    main.WebTimer.tick();
    fs::remove_all(first);
    main.WebTimer.tick();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(first));
    test.makeAndOpenMeet("Other.mdb");
    ASSERT_TRUE(arrives("index.html", "<h1>Other</h1>"));
    EXPECT_FALSE(fs::exists(first));
}

TEST(WebPagesWriter, AFileWhoseBytesDidNotChangeIsNotWrittenAgainAndAFailureIsTold) {
    const fs::path folder = fs::temp_directory_path() / ("kvt-web-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    std::vector<bool> changes;
    std::mutex mutex;
    {
        results::WebPagesWriter writer(folder.string(), [&](bool changed) {
            std::lock_guard<std::mutex> lock(mutex);
            changes.push_back(changed);
        });
        auto snapshot = std::make_shared<results::WebSnapshot>();
        snapshot->results.meetOpen = true;
        snapshot->results.meetName = "Meet";
        snapshot->results.classes.push_back({1, "Junior", {{1, 7, "Åse, Bråten", "Sprint", "10,00", "-"}}, {}, {}});
        writer.post(snapshot);
        writer.drain();
        const auto written = fs::last_write_time(folder / "class-1.html");
        writer.post(snapshot);
        writer.drain();
        EXPECT_EQ(fs::last_write_time(folder / "class-1.html"), written);
        EXPECT_EQ(writer.writes(), 2);
        EXPECT_EQ(writer.lastError(), "");
        EXPECT_TRUE(contains(readFile(folder / "class-1.html"), "Åse, Bråten"));
        // A folder that cannot be made is told, and the thread goes on.
        results::WebPagesWriter blocked((folder / "class-1.html" / "web").string());
        blocked.post(snapshot);
        blocked.drain();
        EXPECT_NE(blocked.lastError(), "");
    }
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[0]);
    EXPECT_FALSE(changes[1]);
    fs::remove_all(folder);
}

TEST_F(WebPages, TheSettingsAreKeptForTheUserInAFileOnlyHeCanRead) {
    auto& main = test.start().Main;
    main.SetupWebCheck.setChecked(true);
    main.SetupPublishTargetText.edit("sftp://example.org/~/site");
    main.SetupPublishUserText.edit("timer");
    main.SetupPublishPasswordText.edit("s3cret=x");
    main.SetupPublishCommandText.edit("echo done");
    main.WebTimer.tick();
    const fs::path file = test.folder() / "Publish.ini";
    ASSERT_TRUE(fs::exists(file));
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // A reload of the window brings them back from the file, not from its design values.
    kvt::shell::ReloadMain(test.program());
    EXPECT_TRUE(main.SetupWebCheck.checked());
    EXPECT_EQ(main.SetupPublishTargetText.text(), "sftp://example.org/~/site");
    EXPECT_EQ(main.SetupPublishPasswordText.text(), "s3cret=x");
    main.WebTimer.tick();
    const auto kept = results::ParseWebSettings(readFile(file));
    EXPECT_EQ(kept.user, "timer");
    EXPECT_EQ(kept.command, "echo done");
    // A line break typed into a value cannot start another setting.
    results::WebSettings settings;
    settings.target = "host:x\npublish=1";
    EXPECT_FALSE(results::ParseWebSettings(results::FormatWebSettings(settings)).publish);
}

TEST_F(WebPages, TheTextListIsUtf8WhenChosenAndWindows1252Otherwise) {
    auto& main = open().Main;
    test.program().meet->editRecord(meet::Register::Competitors, 2,
                                    {{1, "Øystein"}, {2, "Åsen"}, {3, "Tornado"}, {4, "Junior"}});
    race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
    test.program().MDIMain.MakeResultslist.click();
    const fs::path list = fs::path(test.program().listFolder) / "Resultat.txt";
    const std::string windows1252 = readFile(list);
    EXPECT_TRUE(contains(windows1252, "\xD8ystein, \xC5sen"));
    main.SetupUtf8Check.setChecked(true);
    test.program().MDIMain.MakeResultslist.click();
    const std::string utf8 = readFile(list);
    EXPECT_TRUE(contains(utf8, "Øystein, Åsen"));
    EXPECT_TRUE(contains(utf8, "\r\n"));
    // The same lines, character for character.
    EXPECT_EQ(std::count(utf8.begin(), utf8.end(), '\n'),
              std::count(windows1252.begin(), windows1252.end(), '\n'));
}

// The class page as a phone shows it: headless Chromium at 390 px wide reads the file written
// into the web folder. With KVT_WRITE_DOCS set, the picture is kept there as web-page.png.
TEST_F(WebPages, APhoneSizedBrowserShowsAClassPageFromTheFolder) {
    if (std::system("command -v chromium >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "chromium is needed for the picture";
    auto& main = open().Main;
    test.dialogs.fileAnswers.push_back((test.folder() / "Names.csv").string());
    std::ofstream(test.folder() / "Names.csv")
        << "Startnummer;Fornavn;Etternavn;Klubb\r\n1;Ingrid;Østbø;Tornado\r\n2;Åse;Bråten;Sprint\r\n"
           "3;Per Olav;Hansen;Olsberg\r\n4;Kari;Nordmann;Sprint\r\n5;Ola;Lie;Tornado\r\n";
    test.program().MDIMain.ImportCsv.click();
    main.SetupCheck[5].setChecked(true);  // differences to the winner
    race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
    race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
    race(4, {10, 3, 0, 0}, {10, 33, 41, 120});
    race(3, {10, 2, 0, 0}, {10, 35, 2, 0});
    main.SetupWebCheck.setChecked(true);
    ASSERT_TRUE(arrives("class-1.html", "Per Olav, Hansen"));
    const fs::path shot = test.folder() / "web-page.png";
    const std::string command =
        "timeout 90 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars "
        "--disable-background-networking --disable-component-update --no-first-run "
        "--user-data-dir='" + (test.folder() / "chromium").string() + "' --window-size=390,844 "
        "--screenshot='" + shot.string() + "' 'file://" + (web() / "class-1.html").string() +
        "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string png = readFile(shot);
    ASSERT_GE(png.size(), 24u);
    ASSERT_EQ(png.substr(1, 3), "PNG");
    const auto width = (static_cast<unsigned char>(png[16]) << 24) |
                       (static_cast<unsigned char>(png[17]) << 16) |
                       (static_cast<unsigned char>(png[18]) << 8) |
                       static_cast<unsigned char>(png[19]);
    EXPECT_EQ(width, 390u);
    if (const char* docs = std::getenv("KVT_WRITE_DOCS"))
        fs::copy_file(shot, fs::path(docs) / "web-page.png", fs::copy_options::overwrite_existing);
}
