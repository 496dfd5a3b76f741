// Power cuts: whatever the program acknowledged before the power went is in the file when the
// machine starts again. The cut is made by a file system that loses every write not synced
// (support/power_cut_vfs.h); the race goes on from what is left after each cut.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <set>

#include "meetdb/sqlite.h"
#include "support/fakes.h"
#include "support/power_cut_vfs.h"

using namespace kvt;
using kvt::testing::PowerCutVfs;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

// Two commits; the power goes right after the second one deleted its journal.
long long rowsAfterACutAtTheJournalsDeletion(const fs::path& file, const char* synchronous) {
    auto& vfs = PowerCutVfs::Instance();
    vfs.forget();
    {
        meetdb::Connection db(file.string(), meetdb::Connection::Mode::Create, PowerCutVfs::Name);
        db.execute(std::string("PRAGMA synchronous = ") + synchronous);
        db.execute("CREATE TABLE t (x)");
        db.execute("INSERT INTO t VALUES (1)");
        vfs.cutAfterNextDelete();
        db.execute("INSERT INTO t VALUES (2)");  // acknowledged: the commit returned
        EXPECT_TRUE(vfs.isCut());
    }
    vfs.restore();
    meetdb::Connection db(file.string(), meetdb::Connection::Mode::ReadWrite);
    auto rows = db.prepare("SELECT count(*) FROM t");
    rows.step();
    return rows.integer(0);
}

}  // namespace

TEST(PowerCut, WithoutItsFolderSyncedACommitComesBackUndone) {
    TestProgram test;
    // What the program did before: a journal deleted but its folder not synced comes back
    // after the cut, and the commit it should have ended is rolled back.
    EXPECT_EQ(rowsAfterACutAtTheJournalsDeletion(test.folder() / "full.db", "FULL"), 1);
    // With the folder synced the commit stays.
    EXPECT_EQ(rowsAfterACutAtTheJournalsDeletion(test.folder() / "extra.db", "EXTRA"), 2);
}

namespace {

// What the operator had been shown before the power went.
struct Shown {
    std::map<int, std::pair<std::string, std::string>> times;  // row: identification, time
    std::set<int> finished;
};

struct Lost {
    int times = 0;
    int results = 0;
};

Lost check(const std::string& path, const Shown& shown) {
    Lost lost;
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
    auto row = db.prepare("SELECT \"Id\", \"Tid\" FROM \"Tider\" WHERE rowid = ?1");
    for (const auto& [k, time] : shown.times) {
        row.reset();
        row.bind(1, static_cast<long long>(k));
        if (!row.step() || row.text(0) != time.first || row.text(1) != time.second) ++lost.times;
    }
    for (int n : shown.finished) {
        auto result = db.prepare("SELECT count(*) FROM \"Resultat-1\" WHERE \"Nummer\" = ?1");
        result.bind(1, static_cast<long long>(n));
        result.step();
        if (result.integer(0) != 1) ++lost.results;
    }
    return lost;
}

}  // namespace

TEST(PowerCut, EveryTimeAndResultShownBeforeACutIsThereAfterIt) {
    const char* asked = std::getenv("KVT_POWER_CUTS");
    const int cuts = asked ? std::atoi(asked) : 25;
    std::mt19937 random(2026);
    auto& vfs = PowerCutVfs::Instance();
    vfs.forget();

    // The meet, in a folder of its own that outlives each program.
    TestProgram maker;
    maker.start();
    maker.program().Main.SetupText[0].setText("60");
    maker.program().Main.SetupCheck[1].setChecked(true);
    const fs::path folder = fs::temp_directory_path() / ("kvt-power-" + std::to_string(random()));
    fs::create_directories(folder);
    const std::string path = (folder / "Race.mdb").string();
    maker.dialogs.fileAnswers.push_back(path);
    maker.program().MDIMain.MakeNew.click();
    {
        // Everyone in the first class, so that every finish has a result there.
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute("UPDATE \"Deltakere\" SET \"4\" = 'Junior', \"1\" = 'Runner', \"2\" = rowid");
    }

    Shown shown;
    Lost worst;
    int made = 0;
    for (int cut = 0; cut < cuts; ++cut) {
        {
            TestProgram test(PowerCutVfs::Name);
            auto& program = test.start();
            auto& main = program.Main;
            test.dialogs.fileAnswers.push_back(path);
            program.MDIMain.Open.click();
            ASSERT_NE(program.meet, nullptr) << test.dialogs.messages.back().text;
            main.SetupChannelCheck[1].setChecked(true);
            main.SetupTimerValue[2].setCaption("1");
            vfs.cutAt(1 + static_cast<long>(random() % 120));
            int second = 0;
            while (!vfs.isCut()) {
                test.clock.time = {10 + cut / 60, cut % 60, second % 60, (second * 37) % 1000};
                ++second;
                const int n = 1 + static_cast<int>(random() % 60);
                int line = -1;
                if (random() % 2 == 0) {
                    main.Window.pressKey(ui::KeyF2 + 1);
                    for (int i = 0; i < 3; ++i) main.Hitime1.tick();
                } else {
                    line = static_cast<int>(random() % 10);
                    main.Number[line].setText(std::to_string(n));
                    main.Number[line].KeyDown.raise(ui::KeyReturn);
                    main.Number[line].KeyUp.raise(ui::KeyReturn);
                }
                if (vfs.isCut()) break;  // the power went during this action
                // What the screen shows now was acknowledged before the cut.
                const int count = std::atoi(main.SetupText[6].text().c_str());
                for (int k = 1; k <= count; ++k)
                    shown.times[k] = {program.meet->registered(k).identification,
                                      program.meet->registered(k).time};
                if (line >= 0 && main.Inled[line].lit()) shown.finished.insert(n);
            }
        }  // the program is gone with the power
        vfs.restore();
        ++made;
        Lost lost = check(path, shown);
        worst.times = std::max(worst.times, lost.times);
        worst.results = std::max(worst.results, lost.results);
        ASSERT_EQ(lost.times, 0) << "after cut " << cut;
        ASSERT_EQ(lost.results, 0) << "after cut " << cut;
    }
    std::cout << "power_cuts: " << made << " cuts\n";
    std::cout << "power_cut_times_counted: " << shown.times.size() << " times\n";
    std::cout << "power_cut_times_lost: " << worst.times << " times\n";
    std::cout << "power_cut_results_lost: " << worst.results << " results\n";
    EXPECT_GT(shown.times.size(), 10u);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}
