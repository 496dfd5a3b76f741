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
#include "race_child_process.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kvt::meetdb::Connection;
using kvt::tools::Child;

namespace {

constexpr int Competitors = 100;

Child start(const std::string& program, const std::string& meet, const std::string& fifo) {
    return kvt::tools::StartChild(program, meet, fifo, Competitors, false);
}

void say(Child& child, const std::string& command) {
    kvt::tools::Say(child, command);
}

using kvt::tools::Number;
using kvt::tools::Value;

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

// What the operator was told is stored, by the program's answers.
struct Added {
    int club = 0, classNumber = 0, competitor = 0, number = 0;
    std::string clubName, className, first;
    bool started = false;
};

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
        if (Value(db, "SELECT \"1\" FROM \"Klubber\"" + at(added.club)) != added.clubName)
            ++found.lost;
        if (Value(db, "SELECT \"Navn\" FROM \"Klasser\"" + at(added.classNumber)) !=
            added.className)
            ++found.lost;
        if (Number(db, "SELECT count(*) FROM sqlite_master WHERE name = 'Resultat-" +
                           std::to_string(added.classNumber) + "'") != 1)
            ++found.lost;
        if (Value(db, "SELECT trim(\"0\") || ' ' || \"1\" || ' ' || \"4\" FROM \"Deltakere\"" +
                          at(added.competitor)) !=
            std::to_string(added.number) + " " + added.first + " " + added.className)
            ++found.lost;
        if (added.started &&
            Number(db, "SELECT count(*) FROM \"Tider\" WHERE trim(\"Nr\") = '" +
                           std::to_string(added.number) + "' AND \"Type\" = 'Ut'") != 1)
            ++found.lost;
    }
    // Each addition left its one row in the trail, in its own commit.
    if (Number(db, "SELECT count(*) FROM \"Trail\" WHERE \"Action\" = 'add'") !=
        static_cast<long long>(3 * told.size()))
        ++found.lost;
    // The Setup record's counts are the registers' sizes.
    for (const auto& [field, table] : std::vector<std::pair<std::string, std::string>>{
             {"21", "Deltakere"}, {"22", "Klubber"}, {"23", "Klasser"}}) {
        const double counted =
            std::atof(Value(db, "SELECT \"" + field + "\" FROM \"Oppsett\"")->c_str());
        if (counted != Number(db, "SELECT count(*) FROM \"" + table + "\"")) ++found.countsWrong;
    }
    const double classes = std::atof(Value(db, "SELECT \"23\" FROM \"Oppsett\"")->c_str());
    if (Number(db, "SELECT count(*) FROM sqlite_master WHERE name LIKE 'Resultat-%'") != classes)
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
