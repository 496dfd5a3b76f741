// Kills during Reset, Repair and Compress: the command runs in a child process (a fork of the
// test's program, answering its dialogs as the operator would) and is killed (SIGKILL) at a
// random moment of its work. After every kill the meet must be as it was or as the command
// should leave it: Reset leaves every time and result there or none, Compress every one there,
// Repair the damaged file as it was or the rebuilt one in its place with the damaged one kept;
// and a meet that Reset or Compress worked on must open. KVT_RESET_KILLS sets how many kills
// (the soak runs 200); prints reset_kills, reset_kills_unopenable and reset_kills_torn as
// "name: value unit".
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "meetdb/sqlite.h"
#include "support/fakes.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

void writeBytes(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

long long number(const std::string& path, const std::string& sql) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
    auto query = db.prepare(sql);
    return query.step() ? query.integer(0) : -1;
}

enum class Command { Reset, Compress, Repair };

const char* nameOf(Command command) {
    return command == Command::Reset ? "Reset" : command == Command::Compress ? "Compress" : "Repair";
}

constexpr int Classes = 10;

class MaintenanceKills : public ::testing::Test {
protected:
    // A meet with six times and three results in class 1, its Time table grown to 3000 rows
    // (so that Reset has work to do), closed; and a damaged copy of it for Repair.
    void SetUp() override {
        auto& p = test.start();
        p.Main.SetupCheck[1].setChecked(true);
        path = test.makeAndOpenMeet();
        ASSERT_EQ(p.currentDatabase(), path);
        p.Main.SetupChannelCheck[0].setChecked(true);
        for (int n = 1; n <= 3; ++n) {
            p.Main.Number[9].setText(std::to_string(n));
            for (int second : {0, 30}) {
                test.clock.time = {10, n, second, 0};
                p.Main.Number[9].KeyDown.raise(ui::KeyReturn);
                p.Main.Number[9].KeyUp.raise(ui::KeyReturn);
            }
        }
        p.MDIMain.Close.click();
        {
            meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
            db.execute(
                "WITH RECURSIVE k(n) AS (SELECT 301 UNION ALL SELECT n + 1 FROM k WHERE n < "
                "3000) INSERT INTO \"Tider\" (\"Index\", \"Id\", \"Tid\", \"Nr\", \"Type\", "
                "\"Deltaker\", \"Info\") SELECT ' ' || n, '-', '-', '-', '-', '-', '-' FROM k");
            db.execute("UPDATE \"Oppsett\" SET \"31\" = '3000'");
        }
        ASSERT_EQ(times(), 6);
        ASSERT_EQ(results(), 3);
        pristine = bytes(path);
        // Damaged pages in the middle of the file: those of the last results tables, wherever
        // the tables the meet gains later put them (the Control record's page is never one).
        damaged = pristine;
        const auto pageSize = static_cast<std::size_t>(number(path, "PRAGMA page_size"));
        const auto page = static_cast<std::size_t>(number(
            path, "SELECT rootpage FROM sqlite_master WHERE name = 'Resultat-9'"));
        ASSERT_GT(page, 1u);
        for (std::size_t i = (page - 1) * pageSize; i < (page - 1) * pageSize + 4096; ++i)
            damaged[i] = '\x5a';
        test.dialogs.messages.clear();
    }

    long long times() {
        return number(path, "SELECT count(*) FROM \"Tider\" WHERE \"Id\" <> '-'");
    }
    long long results() {
        long long sum = 0;
        for (int c = 1; c <= Classes; ++c)
            sum += number(path, "SELECT count(*) FROM \"Resultat-" + std::to_string(c) + "\"");
        return sum;
    }

    // The meet as it was before the command, and nothing beside it that a run left.
    void restore(Command command) {
        const fs::path folder = test.folder();
        for (const auto& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("Meet.", 0) == 0 || name.rfind(".kvt-", 0) == 0)
                fs::remove(entry.path());
        }
        writeBytes(path, command == Command::Repair ? damaged : pristine);
    }

    // Runs the command in a child, killed after delay unless it ended first; true when it
    // was killed.
    bool runKilled(Command command, std::chrono::microseconds delay, bool kill = true) {
        auto& menu = test.program().MDIMain;
        test.dialogs.fileAnswers.push_back(path);
        test.dialogs.answers.push_back(ui::Answer::Yes);
        const pid_t child = fork();
        if (child == 0) {
            ui::MenuItem& item = command == Command::Reset      ? menu.Reset
                                 : command == Command::Compress ? menu.Kompress
                                                                : menu.Repair;
            item.click();
            _exit(0);
        }
        test.dialogs.fileAnswers.clear();
        test.dialogs.answers.clear();
        int status = 0;
        if (kill) {
            const auto until = Clock::now() + delay;
            while (Clock::now() < until)
                if (waitpid(child, &status, WNOHANG) == child) return false;
            ::kill(child, SIGKILL);
        }
        waitpid(child, &status, 0);
        return WIFSIGNALED(status);
    }

    // Empty when the meet is as it was or as the command leaves it; otherwise what is wrong.
    // unopenable tells whether the meet cannot be opened at all.
    std::string check(Command command, bool& unopenable) {
        unopenable = false;
        if (command == Command::Repair && bytes(path) == damaged) return "";  // as it was
        if (command == Command::Repair && bytes(test.folder() / "Meet.damaged") != damaged)
            return "the damaged file was not kept";
        test.dialogs.messages.clear();
        test.dialogs.fileAnswers.push_back(path);
        test.program().MDIMain.Open.click();
        if (test.program().currentDatabase() != path) {
            unopenable = true;
            return "cannot be opened: " +
                   (test.dialogs.messages.empty() ? "" : test.dialogs.messages.back().text);
        }
        test.program().MDIMain.Close.click();
        if (command == Command::Repair) return "";
        const long long t = times(), r = results();
        if (t == 6 && r == 3) return "";
        if (command == Command::Reset && t == 0 && r == 0 &&
            number(path, "SELECT count(*) FROM \"Tider\"") == 3000)
            return "";
        return std::to_string(t) + " times and " + std::to_string(r) + " results";
    }

    TestProgram test;
    std::string path;
    std::string pristine, damaged;
};

}  // namespace

TEST_F(MaintenanceKills, EveryKillLeavesTheMeetAsItWasOrAsTheCommandLeavesIt) {
    const char* wanted = std::getenv("KVT_RESET_KILLS");
    const int kills = wanted ? std::atoi(wanted) : 24;
    const Command commands[] = {Command::Reset, Command::Compress, Command::Repair};
    // How long each command takes when nothing stops it, and what it leaves then.
    std::chrono::microseconds duration[3];
    for (int c = 0; c < 3; ++c) {
        restore(commands[c]);
        const auto begin = Clock::now();
        ASSERT_FALSE(runKilled(commands[c], {}, false));
        duration[c] = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begin);
        bool unopenable = false;
        ASSERT_EQ(check(commands[c], unopenable), "") << nameOf(commands[c]);
    }
    restore(Command::Reset);
    ASSERT_FALSE(runKilled(Command::Reset, {}, false));
    ASSERT_EQ(times(), 0);

    std::mt19937 random(2026);
    int killed = 0, unopenableCount = 0, torn = 0;
    for (int attempt = 0; killed < kills && attempt < kills * 4; ++attempt) {
        const int c = attempt % 3;
        restore(commands[c]);
        // A moment anywhere in the command's work, now and then just after it.
        const auto delay = std::chrono::microseconds(
            random() % static_cast<unsigned>(duration[c].count() * 6 / 5 + 1));
        if (!runKilled(commands[c], delay)) continue;
        ++killed;
        bool unopenable = false;
        const std::string wrong = check(commands[c], unopenable);
        if (unopenable) ++unopenableCount;
        if (!wrong.empty() && !unopenable) ++torn;
        EXPECT_EQ(wrong, "") << nameOf(commands[c]) << " killed after " << delay.count() << " us";
    }
    std::cout << "reset_kills: " << killed << " kills\n";
    std::cout << "reset_kills_unopenable: " << unopenableCount << " kills\n";
    std::cout << "reset_kills_torn: " << torn << " kills\n";
    EXPECT_GE(killed, kills);
}
