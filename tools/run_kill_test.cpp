// The run kill test: the real program times run 2 of a two-run meet, and is killed (SIGKILL)
// right after it showed a competitor's run-2 finish. After every kill the file must pass
// SQLite's integrity check and hold all of it: his start and finish in the Time table, both
// belonging to run 2, his result in run 2's results table of his class and none in run 1's,
// and the run being timed still run 2.
//   kvt_run_kill_test CHILD LIVES
// Prints run_kills, run_finishes_lost and run_damaged_files as "name: value unit".
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "meetdb/sqlite.h"
#include "race_child_process.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kvt::meetdb::Connection;
using kvt::tools::Child;
using kvt::tools::Number;
using kvt::tools::Value;

namespace {

constexpr int Competitors = 100, Classes = 15;

// The next line the child printed that begins with prefix; empty when none came in time.
std::string awaitLine(Child& child, const std::string& prefix) {
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        std::size_t end;
        while ((end = child.buffer.find('\n')) != std::string::npos) {
            std::string line = child.buffer.substr(0, end);
            child.buffer.erase(0, end + 1);
            if (line.rfind(prefix, 0) == 0) return line;
        }
        char chunk[4096];
        ssize_t got;
        while ((got = read(child.out, chunk, sizeof chunk)) > 0) child.buffer.append(chunk, got);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return {};
}

// What is lost of the competitors whose run-2 finish the program showed.
int lostOf(Connection& db, const std::vector<int>& finished) {
    int lost = 0;
    if (Value(db, "SELECT \"Value\" FROM \"ProgramSettings\" WHERE \"Name\" = 'Run'") != "2")
        ++lost;
    for (int n : finished) {
        const std::string number = std::to_string(n);
        const std::string rows =
            "SELECT rowid FROM \"Tider\" WHERE trim(\"Nr\") = '" + number + "' AND \"Type\" ";
        // His start and his finish, each of run 2.
        for (const char* kind : {"= 'Ut'", "= 'Inn'"})
            if (Number(db, "SELECT count(*) FROM \"TimeRuns\" WHERE \"Run\" = 2 AND \"Row\" IN (" +
                               rows + kind + ")") != 1)
                ++lost;
        const std::string c = std::to_string(1 + (n - 1) % Classes);
        if (Number(db, "SELECT count(*) FROM \"Run2-Resultat-" + c + "\" WHERE \"Nummer\" = " +
                           number) != 1)
            ++lost;
        if (Number(db, "SELECT count(*) FROM \"Resultat-" + c + "\" WHERE \"Nummer\" = " + number) !=
            0)
            ++lost;
    }
    return lost;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kvt_run_kill_test CHILD LIVES\n";
        return 2;
    }
    const std::string child = fs::absolute(argv[1]).string();
    const int lives = std::atoi(argv[2]);
    const fs::path folder = fs::temp_directory_path() / ("kvt-runs-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string meet = (folder / "Race.mdb").string();
    const std::string fifo = (folder / "lines").string();
    mkfifo(fifo.c_str(), 0600);
    int lines = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);

    std::vector<int> finished;
    int kills = 0, lost = 0, broken = 0;
    for (int life = 0; life < lives; ++life) {
        Child running = kvt::tools::StartChild(child, meet, fifo, Competitors, false);
        if (awaitLine(running, "READY").empty()) {
            std::cerr << "the program did not start (life " << life << ")\n";
            kill(running.pid, SIGKILL);
            waitpid(running.pid, nullptr, 0);
            return 1;
        }
        if (life == 0) {
            kvt::tools::Say(running, "RUNS 2");
            awaitLine(running, "DONE RUNS");
            kvt::tools::Say(running, "RUN 2");
            if (awaitLine(running, "RUN ") != "RUN 2") {
                std::cerr << "run 2 was not chosen\n";
                ++lost;
            }
        }
        // A competitor started and finished in run 2 by Enter on line 9.
        const int n = 1 + life;
        kvt::tools::Say(running, "TYPE 9 " + std::to_string(n));
        kvt::tools::Say(running, "ENTER 9");
        awaitLine(running, "DONE ENTER");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // a race time above 0
        kvt::tools::Say(running, "ENTER 9");
        std::istringstream done(awaitLine(running, "DONE ENTER"));
        std::string word, kind, typed;
        int row = -1, out = 0, in = 0;
        done >> word >> kind >> row >> typed >> out >> in;
        // Killed right after the program showed his finish.
        kill(running.pid, SIGKILL);
        waitpid(running.pid, nullptr, 0);
        close(running.out);
        close(running.in);
        ++kills;
        if (in != 1 || typed != std::to_string(n)) {
            std::cerr << "life " << life << ": the program did not show the finish\n";
            ++lost;
            continue;
        }
        finished.push_back(n);
        Connection db(meet, Connection::Mode::ReadWrite);
        auto integrity = db.prepare("PRAGMA integrity_check");
        if (!(integrity.step() && integrity.text(0) == "ok")) ++broken;
        lost = std::max(lost, lostOf(db, finished));
    }
    std::cout << "run_kills: " << kills << " kills\n";
    std::cout << "run_finishes_lost: " << lost << " finishes\n";
    std::cout << "run_damaged_files: " << broken << " files\n";
    close(lines);
    fs::remove_all(folder);
    return kills == lives && lost == 0 && broken == 0 ? 0 : 1;
}
