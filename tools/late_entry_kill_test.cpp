// The late-entry kill test: the real program races on one meet database, and an operator adds a
// club, a class and a late entry of that club and class, starts him, and the program is killed
// (SIGKILL) right after the program said each was there. After every kill the file must pass
// SQLite's integrity check and hold all of it: the club and the class named, the class's results
// table, the competitor with his start number, name and class, his start, a trail row of each
// addition, and the Setup record's counts agreeing with the registers.
//   kvt_late_entry_kill_test CHILD LIVES
// Prints late_entry_kills, late_entries_lost, late_counts_wrong and late_damaged_files as
// "name: value unit".
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
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

extern char** environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kvt::meetdb::Connection;

namespace {

constexpr int Competitors = 100;

struct Child {
    pid_t pid = -1;
    int out = -1;
    int in = -1;
    std::string buffer;
};

Child start(const std::string& program, const std::string& meet, const std::string& fifo) {
    int output[2], input[2];
    if (pipe(output) != 0 || pipe(input) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, input[1]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string programCopy = program, meetCopy = meet, fifoCopy = fifo,
                count = std::to_string(Competitors);
    char* argv[] = {programCopy.data(), meetCopy.data(), fifoCopy.data(), count.data(), nullptr};
    Child child;
    if (posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv, environ) != 0)
        throw std::runtime_error("cannot start " + program);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    close(input[0]);
    child.out = output[0];
    child.in = input[1];
    fcntl(child.out, F_SETFL, O_NONBLOCK);
    return child;
}

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

void say(Child& child, const std::string& command) {
    const std::string line = command + "\n";
    if (write(child.in, line.data(), line.size()) < 0) {
        // The child is gone: what it was told is not done, and the check says so.
    }
}

// What the operator was told is stored, by the program's answers.
struct Added {
    int club = 0, classNumber = 0, competitor = 0, number = 0;
    std::string clubName, className, first;
    bool started = false;
};

std::optional<std::string> value(Connection& db, const std::string& sql) {
    auto query = db.prepare(sql);
    if (!query.step()) return std::nullopt;
    return query.text(0);
}

long long number(Connection& db, const std::string& sql) {
    auto query = db.prepare(sql);
    return query.step() ? query.integer(0) : -1;
}

struct Findings {
    bool whole = true;
    int lost = 0;
    int countsWrong = 0;
};

Findings check(const std::string& meet, const std::vector<Added>& told) {
    Findings found;
    // Opened as the program opens it: an unfinished write of the killed program is undone.
    Connection db(meet, Connection::Mode::ReadWrite);
    auto integrity = db.prepare("PRAGMA integrity_check");
    found.whole = integrity.step() && integrity.text(0) == "ok";
    auto at = [](int position) { return " WHERE rowid = " + std::to_string(position); };
    for (const Added& added : told) {
        if (value(db, "SELECT \"1\" FROM \"Klubber\"" + at(added.club)) != added.clubName)
            ++found.lost;
        if (value(db, "SELECT \"Navn\" FROM \"Klasser\"" + at(added.classNumber)) !=
            added.className)
            ++found.lost;
        if (number(db, "SELECT count(*) FROM sqlite_master WHERE name = 'Resultat-" +
                           std::to_string(added.classNumber) + "'") != 1)
            ++found.lost;
        if (value(db, "SELECT trim(\"0\") || ' ' || \"1\" || ' ' || \"4\" FROM \"Deltakere\"" +
                          at(added.competitor)) !=
            std::to_string(added.number) + " " + added.first + " " + added.className)
            ++found.lost;
        if (added.started &&
            number(db, "SELECT count(*) FROM \"Tider\" WHERE trim(\"Nr\") = '" +
                           std::to_string(added.number) + "' AND \"Type\" = 'Ut'") != 1)
            ++found.lost;
    }
    // Each addition left its one row in the trail, in its own commit.
    if (number(db, "SELECT count(*) FROM \"Trail\" WHERE \"Action\" = 'add'") !=
        static_cast<long long>(3 * told.size()))
        ++found.lost;
    // The Setup record's counts are the registers' sizes.
    for (const auto& [field, table] : std::vector<std::pair<std::string, std::string>>{
             {"21", "Deltakere"}, {"22", "Klubber"}, {"23", "Klasser"}}) {
        const double counted =
            std::atof(value(db, "SELECT \"" + field + "\" FROM \"Oppsett\"")->c_str());
        if (counted != number(db, "SELECT count(*) FROM \"" + table + "\"")) ++found.countsWrong;
    }
    const double classes = std::atof(value(db, "SELECT \"23\" FROM \"Oppsett\"")->c_str());
    if (number(db, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'Resultat-%'") != classes)
        ++found.countsWrong;
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kvt_late_entry_kill_test CHILD LIVES\n";
        return 2;
    }
    const std::string child = fs::absolute(argv[1]).string();
    const int lives = std::atoi(argv[2]);
    const fs::path folder = fs::temp_directory_path() / ("kvt-late-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string meet = (folder / "Race.mdb").string();
    const std::string fifo = (folder / "lines").string();
    mkfifo(fifo.c_str(), 0600);
    int lines = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);

    std::vector<Added> told;
    int kills = 0, lost = 0, countsWrong = 0, broken = 0;
    for (int life = 0; life < lives; ++life) {
        Child running = start(child, meet, fifo);
        if (awaitLine(running, "READY").empty()) {
            std::cerr << "the program did not start (life " << life << ")\n";
            kill(running.pid, SIGKILL);
            waitpid(running.pid, nullptr, 0);
            return 1;
        }
        // Race day goes on: a start by Enter, then the additions and the late entry's start.
        say(running, "TYPE 9 " + std::to_string(1 + life));
        say(running, "ENTER 9");
        Added added;
        added.clubName = "Klubb" + std::to_string(life);
        added.className = "Sen" + std::to_string(life);
        added.first = "Etter" + std::to_string(life);
        added.number = 500 + life;
        say(running, "CLUB " + added.clubName);
        std::istringstream club(awaitLine(running, "ADDED club"));
        std::string word, kind;
        club >> word >> kind >> added.club;
        say(running, "CLASS " + added.className);
        std::istringstream klass(awaitLine(running, "ADDED class"));
        klass >> word >> kind >> added.classNumber;
        say(running, "LATE " + std::to_string(added.number) + " " + added.first + " " +
                         added.className);
        std::istringstream late(awaitLine(running, "ADDED competitor"));
        int shownNumber = 0;
        late >> word >> kind >> added.competitor >> shownNumber;
        say(running, "ENTER 8");
        std::istringstream done(awaitLine(running, "DONE ENTER"));
        int row = -1, out = 0;
        std::string typed;
        done >> word >> kind >> row >> typed >> out;
        added.started = out == 1 && typed == std::to_string(added.number);
        // Killed right after the program said it was all there.
        kill(running.pid, SIGKILL);
        waitpid(running.pid, nullptr, 0);
        close(running.out);
        close(running.in);
        ++kills;
        if (added.club == 0 || added.classNumber == 0 || added.competitor == 0 ||
            shownNumber != added.number || !added.started) {
            std::cerr << "life " << life << ": the program did not say all was stored\n";
            ++lost;
        }
        told.push_back(added);
        Findings found = check(meet, told);
        if (!found.whole) ++broken;
        lost = std::max(lost, found.lost);
        countsWrong += found.countsWrong;
    }
    std::cout << "late_entry_kills: " << kills << " kills\n";
    std::cout << "late_entries_lost: " << lost << " entries\n";
    std::cout << "late_counts_wrong: " << countsWrong << " counts\n";
    std::cout << "late_damaged_files: " << broken << " files\n";
    close(lines);
    fs::remove_all(folder);
    return kills == lives && lost == 0 && countsWrong == 0 && broken == 0 ? 0 : 1;
}
