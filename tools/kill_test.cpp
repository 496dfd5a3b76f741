// The kill test: the real program runs a race on one meet database, its input lines driven
// from here through the simulated adapter's FIFO, and is killed (SIGKILL) at random moments
// and started again, many times. After every kill the database must pass SQLite's integrity
// check and hold every time the program had reported as counted.
//   kvt_kill_test CHILD KILLS SEED
// Prints kills_survived, kill_times_counted and kill_times_lost as "name: value unit".
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "meetdb/sqlite.h"

extern char** environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Counted {
    std::string identification;
    std::string time;
};

struct Child {
    pid_t pid = -1;
    int out = -1;
    std::string buffer;
};

Child start(const std::string& program, const std::string& meet, const std::string& fifo) {
    int pipes[2];
    if (pipe(pipes) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipes[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipes[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string programCopy = program, meetCopy = meet, fifoCopy = fifo;
    char* argv[] = {programCopy.data(), meetCopy.data(), fifoCopy.data(), nullptr};
    Child child;
    if (posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv, environ) != 0)
        throw std::runtime_error("cannot start " + program);
    posix_spawn_file_actions_destroy(&actions);
    close(pipes[1]);
    child.out = pipes[0];
    fcntl(child.out, F_SETFL, O_NONBLOCK);
    return child;
}

// Reads what the child printed so far; "REG k id time" lines are noted as counted.
void drain(Child& child, std::map<int, Counted>& counted, bool& ready) {
    char chunk[4096];
    ssize_t got;
    while ((got = read(child.out, chunk, sizeof chunk)) > 0) child.buffer.append(chunk, got);
    std::size_t end;
    while ((end = child.buffer.find('\n')) != std::string::npos) {
        std::istringstream line(child.buffer.substr(0, end));
        child.buffer.erase(0, end + 1);
        std::string word;
        line >> word;
        if (word == "READY") ready = true;
        if (word == "REG") {
            int k;
            Counted time;
            line >> k >> time.identification >> time.time;
            counted[k] = time;
        }
    }
}

// Every counted time must be in its Time-table row.
int missing(const std::string& meet, const std::map<int, Counted>& counted, bool& whole) {
    kvt::meetdb::Connection db(meet, kvt::meetdb::Connection::Mode::ReadWrite);
    auto check = db.prepare("PRAGMA integrity_check");
    whole = check.step() && check.text(0) == "ok";
    int lost = 0;
    auto row = db.prepare("SELECT \"Id\", \"Tid\" FROM \"Tider\" ORDER BY rowid LIMIT 1 OFFSET ?1");
    for (const auto& [k, time] : counted) {
        row.reset();
        row.bind(1, static_cast<long long>(k - 1));
        if (!row.step() || row.text(0) != time.identification || row.text(1) != time.time) ++lost;
    }
    return lost;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: kvt_kill_test CHILD KILLS SEED\n";
        return 2;
    }
    const std::string child = fs::absolute(argv[1]).string();
    const int kills = std::atoi(argv[2]);
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[3])));
    const fs::path folder = fs::temp_directory_path() / ("kvt-kill-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string meet = (folder / "Race.mdb").string();
    const std::string fifo = (folder / "lines").string();
    mkfifo(fifo.c_str(), 0600);
    int lines = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);

    std::map<int, Counted> counted;
    int survived = 0, lost = 0, broken = 0;
    for (int life = 0; life <= kills; ++life) {
        Child running = start(child, meet, fifo);
        bool ready = false;
        auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!ready && Clock::now() < deadline) {
            drain(running, counted, ready);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!ready) {
            std::cerr << "the program did not start (life " << life << ")\n";
            kill(running.pid, SIGKILL);
            waitpid(running.pid, nullptr, 0);
            return 1;
        }
        // Passages on random lines at a busy finish, until a random moment.
        auto killAt = Clock::now() + std::chrono::milliseconds(200 + random() % 900);
        while (Clock::now() < killAt) {
            int line = 1 + static_cast<int>(random() % 6);
            std::string low = std::to_string(line) + " 0\n", high = std::to_string(line) + " 1\n";
            if (write(lines, low.data(), low.size()) < 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(8 + random() % 20));
            if (write(lines, high.data(), high.size()) < 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 25));
            drain(running, counted, ready);
        }
        if (life == kills) {  // the last life ends in order
            kill(running.pid, SIGTERM);
        } else {
            kill(running.pid, SIGKILL);
            ++survived;
        }
        waitpid(running.pid, nullptr, 0);
        drain(running, counted, ready);
        close(running.out);
        bool whole = false;
        int missingNow = missing(meet, counted, whole);
        if (!whole) ++broken;
        lost = std::max(lost, missingNow);
    }
    std::cout << "kills_survived: " << survived << " kills\n";
    std::cout << "kill_times_counted: " << counted.size() << " times\n";
    std::cout << "kill_times_lost: " << lost << " times\n";
    std::cout << "kill_damaged_files: " << broken << " files\n";
    close(lines);
    fs::remove_all(folder);
    return lost == 0 && broken == 0 && !counted.empty() ? 0 : 1;
}
