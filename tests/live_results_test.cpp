// Live results on the local network, driven from the setup page: the server started and
// stopped, and the pages it answers with (through the answer the program hands the server).
#include "results/live_results.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/fakes.h"
#include "ui/captions.h"

using namespace kvt;
using kvt::testing::TestProgram;

namespace {

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The sample competitors; 1 to 3 finish in Junior.
class LiveResults : public ::testing::Test {
protected:
    ui::Program& open(bool english = false) {
        if (english) test.writeUserIni("x", " 1", " 0", "");
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        test.makeAndOpenMeet();
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
    void finishThree() {
        race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
        race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
        race(3, {10, 2, 0, 0}, {10, 33, 7, 450});
    }
    void switchOn() {
        test.program().Main.SetupLiveCheck.setChecked(true);
        ASSERT_TRUE(test.web.running());
    }
    void tick() { test.program().Main.LiveTimer.tick(); }
    std::string get(const std::string& path) { return test.web.get(path).body; }

    TestProgram test;
};

}  // namespace

TEST_F(LiveResults, TheCheckBoxStartsTheServerOnThePortAndTellsWhereToReachIt) {
    auto& main = test.start().Main;
    EXPECT_FALSE(main.SetupLiveCheck.checked());
    EXPECT_EQ(main.SetupLivePortText.text(), "8080");
    EXPECT_EQ(main.SetupLiveCheck.caption(), "&Vis resultatene direkte på lokalnettet");
    main.SetupLivePortText.edit("8181");
    main.SetupLiveCheck.setChecked(true);
    EXPECT_EQ(test.web.starts, 1);
    EXPECT_EQ(test.web.port, 8181);
    EXPECT_TRUE(main.SetupLivePortText.locked());
    EXPECT_TRUE(main.LiveTimer.running());
    EXPECT_EQ(main.SetupLiveAddress.caption(),
              "Åpne på en telefon eller en annen maskin: http://192.0.2.7:8181/");
    main.SetupLivePortText.edit("9000");
    EXPECT_EQ(main.SetupLivePortText.text(), "8181");

    main.SetupLiveCheck.setChecked(false);
    EXPECT_FALSE(test.web.running());
    EXPECT_FALSE(main.SetupLivePortText.locked());
    EXPECT_FALSE(main.LiveTimer.running());
    EXPECT_EQ(main.SetupLiveAddress.caption(), "");
    EXPECT_TRUE(test.dialogs.messages.empty());
}

TEST_F(LiveResults, APortThatIsNoPortIsRefusedAndTheBoxGoesBackOff) {
    auto& main = test.start().Main;
    for (const char* typed : {"", "0", "65536", "80a", "-1", "8 080"}) {
        test.dialogs.messages.clear();
        main.SetupLivePortText.edit(typed);
        main.SetupLiveCheck.setChecked(true);
        EXPECT_FALSE(main.SetupLiveCheck.checked()) << typed;
        EXPECT_EQ(test.web.starts, 0) << typed;
        ASSERT_EQ(test.dialogs.messages.size(), 1u) << typed;
        EXPECT_EQ(test.dialogs.messages[0].text,
                  std::string("Porten må være et heltall fra 1 til 65535, ikke: ") + typed);
    }
    main.SetupLivePortText.edit(" 65535 ");
    main.SetupLiveCheck.setChecked(true);
    EXPECT_EQ(test.web.port, 65535);
}

TEST_F(LiveResults, AServerThatCannotListenIsToldAndTheBoxGoesBackOff) {
    auto& main = test.start().Main;
    test.web.failure = "The bound address is already in use";
    main.SetupLiveCheck.setChecked(true);
    EXPECT_FALSE(main.SetupLiveCheck.checked());
    EXPECT_FALSE(main.SetupLivePortText.locked());
    EXPECT_FALSE(main.LiveTimer.running());
    ASSERT_EQ(test.dialogs.messages.size(), 1u);
    EXPECT_EQ(test.dialogs.messages[0].text,
              "Direkte resultater kunne ikke startes: The bound address is already in use");
}

TEST_F(LiveResults, TheIndexAndTheClassPagesShowTheRankedResultsOfTheMeet) {
    open();
    finishThree();
    switchOn();
    const std::string index = get("/");
    EXPECT_TRUE(contains(index, "<html lang=\"nb\">"));
    EXPECT_TRUE(contains(index, "<meta http-equiv=\"refresh\" content=\"5\">"));
    EXPECT_TRUE(contains(index, "name=\"viewport\""));
    EXPECT_TRUE(contains(index, "<a href=\"/class/1\">Junior <span>3 i mål</span></a>"));
    EXPECT_TRUE(contains(index, "<a href=\"/class/2\">Senior <span>0 i mål</span></a>"));
    const auto page = test.web.get("/class/1");
    EXPECT_EQ(page.status, 200);
    EXPECT_EQ(page.contentType, "text/html; charset=utf-8");
    const std::string& html = page.body;
    EXPECT_TRUE(contains(html, "<h1>Junior</h1>"));
    EXPECT_TRUE(contains(html, "<th class=\"n\">Plass</th>"));
    EXPECT_FALSE(contains(html, "Differanse"));
    const auto first = html.find("<span class=\"sub\">2 &middot; Tornado</span>"),
               second = html.find("<span class=\"sub\">1 &middot; Tornado</span>"),
               third = html.find("<span class=\"sub\">3 &middot; Tornado</span>");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, second);
    EXPECT_LT(second, third);
    EXPECT_TRUE(contains(html, "<td class=\"n\">00.28.59</td>"));
    EXPECT_TRUE(contains(html, "<td class=\"n p\">1</td><td>Lars, Vika<span class=\"sub\">"));
    EXPECT_TRUE(contains(get("/class/2"), "Ingen resultater ennå."));
}

TEST_F(LiveResults, TheJsonHoldsTheSameResults) {
    open();
    test.program().Main.SetupCheck[5].setChecked(true);
    finishThree();
    test.clock.time = {11, 5, 9, 0};
    switchOn();
    const auto all = test.web.get("/results.json");
    EXPECT_EQ(all.contentType, "application/json; charset=utf-8");
    EXPECT_TRUE(contains(all.body,
                         "{\"open\":true,\"meet\":\"Meet\",\"language\":\"nb\","
                         "\"updated\":\"11.05.09\",\"differences\":true,\"classes\":["));
    EXPECT_TRUE(contains(all.body,
                         "{\"number\":1,\"name\":\"Junior\",\"page\":\"/class/1\","
                         "\"results\":[{\"place\":1,\"number\":2,"));
    EXPECT_TRUE(contains(all.body, "\"result\":\"00.31.07\",\"difference\":\"00.02.07\"}"));
    EXPECT_TRUE(contains(all.body,
                         "{\"number\":2,\"name\":\"Senior\",\"page\":\"/class/2\","
                         "\"results\":[]}"));
    const std::string one = get("/class/1.json");
    EXPECT_TRUE(contains(one, "\"class\":{\"number\":1,\"name\":\"Junior\""));
    EXPECT_FALSE(contains(one, "Senior"));
}

TEST_F(LiveResults, NamesClubsAndClassesAreTextInThePagesAndTheJson) {
    auto& p = open();
    auto& main = p.Main;
    const std::string className = "Junior <18> & \"open\"";
    main.ClassMover.setText("1");
    main.ClassText[1].setText(className);
    main.ClassMover.setText("2");
    main.NameMover.setText("1");
    main.NameText[0].setText("<script>alert('x')</script>");
    main.NameCombo[0].setText("A & B \"Club\"");
    main.NameCombo[1].setText(className);
    main.NameMover.setText("2");
    race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
    switchOn();
    const std::string html = get("/class/1") + get("/");
    EXPECT_FALSE(contains(html, "<script>"));
    EXPECT_FALSE(contains(html, "<18>"));
    EXPECT_TRUE(contains(html, "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;"));
    EXPECT_TRUE(contains(html, "A &amp; B &quot;Club&quot;"));
    EXPECT_TRUE(contains(html, "<h1>Junior &lt;18&gt; &amp; &quot;open&quot;</h1>"));
    const std::string json = get("/results.json");
    EXPECT_FALSE(contains(json, "<script>"));
    EXPECT_TRUE(contains(json, "\\u003cscript\\u003ealert('x')\\u003c/script\\u003e"));
    EXPECT_TRUE(contains(json, "\"A \\u0026 B \\\"Club\\\"\""));
}

TEST_F(LiveResults, OnlyTheGeneratedPagesAreServedAndOnlyToGet) {
    open();
    finishThree();
    switchOn();
    for (const char* path :
         {"/Resultat.htm", "/Meet/Resultat.txt", "/Kvt.gif", "/../Meet.mdb", "/%2e%2e/User.ini",
          "/class/", "/class/0", "/class/11", "/class/01", "/class/1x", "/class/1/",
          "/class/1.json.json", "/results.json/", "/class/99999999999999999999", ""}) {
        const auto refused = test.web.get(path);
        EXPECT_EQ(refused.status, 404) << path;
        EXPECT_TRUE(contains(refused.body, "Denne siden finnes ikke.")) << path;
        EXPECT_FALSE(contains(refused.body, "Tornado")) << path;
    }
    for (const char* method : {"POST", "PUT", "DELETE", "HEAD", "OPTIONS", "UNKNOWN"}) {
        const auto refused = test.web.answer({method, "/class/1"});
        EXPECT_EQ(refused.status, 405) << method;
        EXPECT_TRUE(refused.close) << method;
        EXPECT_FALSE(contains(refused.body, "Tornado")) << method;
        bool allowsGet = false;
        for (const auto& [name, value] : refused.headers)
            allowsGet = allowsGet || (name == "Allow" && value == "GET");
        EXPECT_TRUE(allowsGet) << method;
    }
    const auto page = test.web.get("/");
    bool nothingKept = false;
    for (const auto& [name, value] : page.headers)
        nothingKept = nothingKept || (name == "Cache-Control" && value == "no-store");
    EXPECT_TRUE(nothingKept);
}

TEST_F(LiveResults, ThePagesFollowTheResultsAtTheNextTickOnly) {
    open();
    race(1, {10, 0, 0, 0}, {10, 31, 7, 450});
    test.clock.time = {10, 40, 0, 0};
    switchOn();
    EXPECT_TRUE(contains(get("/results.json"), "\"updated\":\"10.40.00\""));
    EXPECT_TRUE(contains(get("/"), "Junior <span>1 i mål</span>"));
    race(2, {10, 1, 0, 0}, {10, 29, 59, 990});
    // The server's thread reads only what the window's thread handed it.
    EXPECT_TRUE(contains(get("/"), "Junior <span>1 i mål</span>"));
    test.clock.time = {10, 41, 0, 0};
    tick();
    EXPECT_TRUE(contains(get("/"), "Junior <span>2 i mål</span>"));
    EXPECT_TRUE(contains(get("/results.json"), "\"updated\":\"10.41.00\""));
    // Nothing changed: the results are not taken again.
    test.clock.time = {10, 42, 0, 0};
    tick();
    EXPECT_TRUE(contains(get("/results.json"), "\"updated\":\"10.41.00\""));
    // A change of the differences option is a change of what the pages show.
    test.program().Main.SetupCheck[5].setChecked(true);
    tick();
    EXPECT_TRUE(contains(get("/class/1"), "Differanse"));
}

TEST_F(LiveResults, AClosedMeetIsGoneFromThePagesAndTheNextMeetShowsItsOwn) {
    auto& p = open();
    finishThree();
    switchOn();
    p.MDIMain.Close.click();
    ASSERT_FALSE(p.meet);
    tick();
    EXPECT_TRUE(contains(get("/"), "Ingen stevne er åpent.")) << get("/");
    EXPECT_EQ(test.web.get("/class/1").status, 404);
    EXPECT_FALSE(contains(get("/results.json"), "Tornado"));
    EXPECT_TRUE(contains(get("/results.json"), "\"open\":false"));

    test.makeAndOpenMeet("Other.mdb");
    tick();
    EXPECT_TRUE(contains(get("/"), "<h1>Other</h1>"));
    EXPECT_TRUE(contains(get("/"), "Junior <span>0 i mål</span>"));
    EXPECT_TRUE(test.web.running());
}

TEST_F(LiveResults, AnEnglishMeetsPagesAreInEnglish) {
    open(true);
    finishThree();
    switchOn();
    const std::string html = get("/class/1");
    EXPECT_TRUE(contains(html, "<html lang=\"en\">"));
    EXPECT_TRUE(contains(html, "<th class=\"n\">Place</th>"));
    EXPECT_TRUE(contains(html, "All classes"));
    EXPECT_TRUE(contains(get("/"), "Junior <span>3 finished</span>"));
    EXPECT_TRUE(contains(test.web.get("/nothing").body, "There is no such page."));
}

TEST_F(LiveResults, TheServerGoesOnOnItsPortWhenTheWindowIsReloaded) {
    auto& p = open();
    auto& main = p.Main;
    main.SetupLivePortText.edit("8282");
    switchOn();
    p.MDIMain.Close.click();
    EXPECT_TRUE(test.web.running());
    EXPECT_EQ(test.web.port, 8282);
    EXPECT_TRUE(main.SetupLiveCheck.checked());
    EXPECT_TRUE(main.SetupLivePortText.locked());
    EXPECT_TRUE(main.LiveTimer.running());
    EXPECT_EQ(main.SetupLivePortText.text(), "8282");
    main.SetupLiveCheck.setChecked(false);
    p.Main.restoreDesign();
    EXPECT_EQ(main.SetupLivePortText.text(), "8080");
    EXPECT_FALSE(test.web.running());
    EXPECT_TRUE(test.dialogs.messages.empty());
}

TEST(LiveBoard, AReaderKeepsTheSnapshotItHasWhileANewOneIsPublished) {
    results::LiveBoard board;
    ASSERT_TRUE(board.current());
    EXPECT_FALSE(board.current()->meetOpen);
    auto first = std::make_shared<results::ResultsSnapshot>();
    first->meetName = "First";
    board.publish(first);
    auto held = board.current();
    auto second = std::make_shared<results::ResultsSnapshot>();
    second->meetName = "Second";
    board.publish(second);
    EXPECT_EQ(held->meetName, "First");
    EXPECT_EQ(board.current()->meetName, "Second");
}

TEST(LiveBoard, ReadersOnOtherThreadsAlwaysSeeAWholeSnapshotWhileNewOnesArePublished) {
    results::LiveBoard board;
    auto snapshotOf = [](int generation) {
        auto snapshot = std::make_shared<results::ResultsSnapshot>();
        snapshot->taken = true;
        snapshot->meetOpen = true;
        snapshot->meetName = "Meet " + std::to_string(generation);
        results::LiveClass one;
        one.number = 1;
        one.name = "Class " + std::to_string(generation);
        for (int k = 1; k <= 50; ++k)
            one.rows.push_back(
                {k, k, "Runner " + std::to_string(generation), "Club", "00.30.00", "-"});
        snapshot->classes.push_back(std::move(one));
        return snapshot;
    };
    board.publish(snapshotOf(0));
    std::atomic<bool> done{false};
    std::atomic<int> torn{0}, answered{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 3; ++r)
        readers.emplace_back([&] {
            while (!done) {
                const auto snapshot = board.current();
                const std::string page =
                    results::AnswerLiveRequest(*snapshot, {"GET", "/class/1"}).body;
                // The class, its rows and the meet of one page all come from one generation.
                const std::string generation = snapshot->meetName.substr(5);
                if (page.find("<h1>Class " + generation + "</h1>") == std::string::npos ||
                    page.find("Runner " + generation + "<") == std::string::npos)
                    ++torn;
                ++answered;
            }
        });
    // At least 300 new snapshots, and on until the readers have answered while they came (a
    // loaded machine may not run the readers at all during the first 300).
    for (int generation = 1; generation <= 300 || (answered < 30 && generation <= 1000000);
         ++generation) {
        board.publish(snapshotOf(generation));
        if (generation > 300) std::this_thread::yield();
    }
    done = true;
    for (auto& reader : readers) reader.join();
    EXPECT_EQ(torn, 0);
    EXPECT_GT(answered, 0);
}
