// The kill test: the real program runs a race on one meet database, its input lines driven
// from here through the simulated adapter's FIFO and an operator's hands through its standard
// input (starts and finishes by Enter and by "<<"), and is killed (SIGKILL) at random moments,
// in the middle of finishes too, and started again, many times. After every kill the file must
// pass SQLite's integrity check, and agree with what the operator had been shown:
//   - every time shown as registered is in its Time-table row;
//   - the Setup counts agree with the Time table's rows;
//   - every competitor shown as in has an "In" row and exactly one results row, in his class;
//   - every results table is ranked 1, 2, 3, ... over its rows that have a place;
//   - corrections (a finish given to another, a start or finish taken back, a time by hand,
//     undo, redo) made now and then, and right before a kill: every competitor has at most one
//     start and one finish in the Time table and exactly as many results rows as finishes (no
//     half correction), and one shown as no longer in after a correction has neither.
//   - every status set during the race and shown as stored is the competitor's status.
//   kvt_kill_test CHILD KILLS SEED
// Now and then a second program is started on the same meet while the first races: it must be
// refused, naming who holds the meet; and so must a second program on every other name of the
// meet's file (a symlink, a hard link, other spellings of its path).
// Prints kills_survived, kill_times_counted, kill_times_lost, kill_finishes_counted,
// kill_results_lost, kill_counts_wrong, kill_statuses_counted, kill_statuses_lost,
// kill_damaged_files, second_program_refused and alias_second_program_refused as
// "name: value unit".
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
#include <optional>
#include <random>
#include <set>
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
    return kvt::tools::StartChild(program, meet, fifo, Competitors, true);
}

void say(Child& child, const std::string& command) {
    kvt::tools::Say(child, command);
}

using kvt::tools::Number;
using kvt::tools::Value;

struct Counted {
    std::string identification;
    std::string time;
};

// What the operator had been shown, over every life of the program.
struct Shown {
    std::map<int, Counted> times;  // by Time-table row
    std::set<int> out, in;         // competitors shown as out and as in
    std::set<int> notIn;           // shown as no longer in after a correction
    // Competitors a correction in flight may change (its answer not read yet).
    std::set<int> pending;
    int inFlight = 0;
    // The status of each competitor given one during the race, as shown once stored.
    std::map<int, std::string> statuses;
    // Competitors a status was asked for (stored or not): their results rows follow their
    // status, not only their finish.
    std::set<int> statusAsked;
};

// Reads what the child printed so far: times shown as counted, and the lamps of the line an
// operator's action was done on.
void drain(Child& child, Shown& shown, bool& ready, bool* corrected = nullptr) {
    char chunk[4096];
    ssize_t got;
    while ((got = read(child.out, chunk, sizeof chunk)) > 0) child.buffer.append(chunk, got);
    std::size_t end;
    while ((end = child.buffer.find('\n')) != std::string::npos) {
        std::istringstream line(child.buffer.substr(0, end));
        child.buffer.erase(0, end + 1);
        std::string word, action;
        line >> word;
        if (word == "READY") ready = true;
        if (word == "STATES") {
            int state = 0;
            for (int n = 1; n <= Competitors && line >> state; ++n) {
                if (state == 2) {
                    shown.in.insert(n);
                    shown.notIn.erase(n);
                } else if (shown.in.erase(n)) {
                    shown.notIn.insert(n);
                }
            }
            if (--shown.inFlight <= 0) {
                shown.inFlight = 0;
                shown.pending.clear();
            }
            if (corrected) *corrected = true;
        } else if (word == "STATUS") {
            int n = 0, stored = 0;
            std::string status;
            line >> n >> stored;
            std::getline(line >> std::ws, status);
            if (stored) shown.statuses[n] = status;
        }
        if (word == "REG") {
            int k;
            Counted time;
            line >> k >> time.identification >> time.time;
            shown.times[k] = time;
        }
        if (word == "DONE") {
            int row = -1, out = 0, in = 0;
            std::string number;
            line >> action >> row >> number >> out >> in;
            const int n = std::atoi(number.c_str());
            if (row < 0 || n < 1 || n > Competitors) continue;
            if (out) shown.out.insert(n);
            if (in) {
                shown.in.insert(n);
                shown.notIn.erase(n);
            }
        }
    }
}

// A second program on the meet the first one holds: true when it was refused, saying who
// holds the meet, and ended.
bool secondIsRefused(const std::string& program, const std::string& meet, const std::string& fifo) {
    Child second = start(program, meet, fifo);
    close(second.in);
    std::string output;
    auto deadline = Clock::now() + std::chrono::seconds(30);
    int status = 0;
    while (Clock::now() < deadline) {
        char chunk[4096];
        ssize_t got;
        while ((got = read(second.out, chunk, sizeof chunk)) > 0) output.append(chunk, got);
        if (waitpid(second.pid, &status, WNOHANG) == second.pid) {
            while ((got = read(second.out, chunk, sizeof chunk)) > 0) output.append(chunk, got);
            close(second.out);
            return WIFEXITED(status) && WEXITSTATUS(status) == 1 &&
                   output.find("REFUSED Dette stevnet er åpent i et annet program (kvt, ") !=
                       std::string::npos;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(second.pid, SIGKILL);
    waitpid(second.pid, nullptr, 0);
    close(second.out);
    return false;
}

struct Findings {
    bool whole = true;
    int timesLost = 0;
    int resultsLost = 0;
    int countsWrong = 0;
    int halfCorrections = 0;
    int statusesLost = 0;
};

Findings check(const std::string& meet, const Shown& shown) {
    Findings found;
    // Opened as the program opens it: an unfinished write of the killed program is undone.
    Connection db(meet, Connection::Mode::ReadWrite);
    auto integrity = db.prepare("PRAGMA integrity_check");
    found.whole = integrity.step() && integrity.text(0) == "ok";
    auto row = db.prepare("SELECT \"Id\", \"Tid\" FROM \"Tider\" WHERE rowid = ?1");
    for (const auto& [k, time] : shown.times) {
        row.reset();
        row.bind(1, static_cast<long long>(k));
        if (!row.step() || row.text(0) != time.identification || row.text(1) != time.time)
            ++found.timesLost;
    }
    // The counts are the Time table's.
    const long long rows = Number(db, "SELECT count(*) FROM \"Tider\"");
    const long long used =
        Number(db, "SELECT coalesce(max(rowid), 0) FROM \"Tider\" WHERE \"Id\" <> '-'");
    const double registered = std::atof(Value(db, "SELECT \"29\" FROM \"Oppsett\"")->c_str());
    const double fetched = std::atof(Value(db, "SELECT \"30\" FROM \"Oppsett\"")->c_str());
    const double size = std::atof(Value(db, "SELECT \"31\" FROM \"Oppsett\"")->c_str());
    if (registered != used || fetched < 0 || fetched > registered || size != rows)
        ++found.countsWrong;
    for (int line = 1; line <= 6; ++line) {
        const double count = std::atof(
            Value(db, "SELECT \"" + std::to_string(31 + line) + "\" FROM \"Oppsett\"")->c_str());
        const long long highest =
            Number(db,
                   "SELECT coalesce(max(CAST(substr(\"Id\", 3) AS INTEGER)), 0) FROM \"Tider\" "
                   "WHERE \"Id\" LIKE '" +
                       std::to_string(line) + "-%'");
        if (count < highest) ++found.countsWrong;
    }
    // Every finish shown has its row and its one result, and each class is ranked whole.
    for (int n : shown.in) {
        if (shown.pending.count(n)) continue;
        const std::string nr = std::to_string(n);
        if (Number(db, "SELECT count(*) FROM \"Tider\" WHERE trim(\"Nr\") = '" + nr +
                           "' AND \"Type\" = 'Inn'") < 1) {
            ++found.resultsLost;
            std::cerr << "competitor " << n << ": shown finished, no finish in the Time table\n";
        }
        const int classNumber = 1 + (n - 1) % 15;
        if (const long long results =
                Number(db, "SELECT count(*) FROM \"Resultat-" + std::to_string(classNumber) +
                               "\" WHERE \"Nummer\" = " + nr);
            results != 1) {
            ++found.resultsLost;
            std::cerr << "competitor " << n << ": shown finished, " << results
                      << " results in class " << classNumber << "\n";
        }
    }
    // Every competitor: at most one start and one finish given, and one result per finish.
    for (int n = 1; n <= Competitors; ++n) {
        const std::string nr = std::to_string(n);
        const long long starts = Number(db, "SELECT count(*) FROM \"Tider\" WHERE trim(\"Nr\") = '" +
                                                nr + "' AND \"Type\" = 'Ut'");
        const long long finishes = Number(
            db, "SELECT count(*) FROM \"Tider\" WHERE trim(\"Nr\") = '" + nr + "' AND \"Type\" = 'Inn'");
        const long long results =
            Number(db, "SELECT count(*) FROM \"Resultat-" + std::to_string(1 + (n - 1) % 15) +
                           "\" WHERE \"Nummer\" = " + nr);
        if (starts > 1 || finishes > 1 || (results != finishes && !shown.statusAsked.count(n)))
            ++found.halfCorrections;
        if (shown.notIn.count(n) && !shown.pending.count(n) && finishes != 0) {
            ++found.resultsLost;
            std::cerr << "competitor " << n << ": shown without a finish, " << finishes
                      << " finishes in the Time table\n";
        }
    }
    for (const auto& [n, status] : shown.statuses)
        if (Value(db, "SELECT \"12\" FROM \"Deltakere\" WHERE rowid = " + std::to_string(n)) !=
            status)
            ++found.statusesLost;
    for (int c = 1; c <= 15; ++c) {
        const std::string table = "\"Resultat-" + std::to_string(c) + "\"";
        // A competitor with a status has no place.
        const long long count =
            Number(db, "SELECT count(*) FROM " + table + " WHERE \"Plass\" IS NOT NULL");
        const long long places =
            Number(db, "SELECT count(DISTINCT \"Plass\") FROM " + table +
                           " WHERE \"Plass\" BETWEEN 1 AND " + std::to_string(count));
        if (places != count) ++found.countsWrong;
    }
    return found;
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
    // A folder a run killed before its end left under the same process number is not this run's.
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string meet = (folder / "Race.mdb").string();
    const std::string fifo = (folder / "lines").string();
    mkfifo(fifo.c_str(), 0600);
    int lines = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);

    // The other names of the meet's file.
    fs::create_directories(folder / "sub");
    fs::create_symlink(meet, folder / "Symlink.mdb");
    const std::vector<std::string> aliases = {
        (folder / "Symlink.mdb").string(), (folder / "Hardlink.mdb").string(),
        (folder / "sub" / ".." / "Race.mdb").string(), (folder / "." / "Race.mdb").string()};

    Shown shown;
    int survived = 0, lost = 0, resultsLost = 0, countsWrong = 0, broken = 0, statusesLost = 0;
    int corrections = 0, halfCorrections = 0;
    static const char* const kinds[] = {"REASSIGN", "TAKESTART", "TAKEFINISH", "HANDSTART",
                                        "HANDFINISH", "UNDO", "REDO"};
    // A correction of a kind on random competitors; the competitors it may change are pending
    // until its answer is read.
    auto pick = [&](const std::set<int>& from) {
        if (from.empty()) return 1 + static_cast<int>(random() % Competitors);
        auto at = from.begin();
        std::advance(at, random() % from.size());
        return *at;
    };
    auto correct = [&](Child& running, int kind) {
        // Mostly on competitors it can act on: a finisher's finish given to one out or taken
        // back, the start of one out taken back, a time by hand for one out.
        std::set<int> outOnly;
        for (int n : shown.out)
            if (!shown.in.count(n)) outOnly.insert(n);
        const bool onFinisher = kind == 0 || kind == 2;
        const int n = pick(onFinisher ? shown.in : kind == 1 || kind == 4 ? outOnly
                                                                           : std::set<int>{});
        const int m = pick(outOnly);
        say(running, std::string("CORRECT ") + kinds[kind] + " " + std::to_string(n) + " " +
                         std::to_string(m));
        ++corrections;
        ++shown.inFlight;
        if (kind >= 5)
            for (int all = 1; all <= Competitors; ++all) shown.pending.insert(all);
        shown.pending.insert(n);
        shown.pending.insert(m);
    };
    int secondStarted = 0, secondRefused = 0, aliasStarted = 0, aliasRefused = 0;
    for (int life = 0; life <= kills; ++life) {
        Child running = start(child, meet, fifo);
        bool ready = false;
        auto deadline = Clock::now() + std::chrono::seconds(30);
        while (!ready && Clock::now() < deadline) {
            drain(running, shown, ready);
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!ready) {
            std::cerr << "the program did not start (life " << life << ")\n";
            kill(running.pid, SIGKILL);
            waitpid(running.pid, nullptr, 0);
            return 1;
        }
        if (life % 10 == 0) {
            ++secondStarted;
            if (secondIsRefused(child, meet, fifo)) ++secondRefused;
            // The hard link is made once the first program has made the meet.
            std::error_code exists;
            if (!fs::exists(aliases[1], exists)) fs::create_hard_link(meet, aliases[1]);
            for (const std::string& alias : aliases) {
                ++aliasStarted;
                if (secondIsRefused(child, alias, fifo)) ++aliasRefused;
            }
        }
        // A busy finish line until a random moment: passages on random lines, and the
        // operator starting and finishing competitors by Enter and by "<<".
        auto killAt = Clock::now() + std::chrono::milliseconds(200 + random() % 900);
        while (Clock::now() < killAt) {
            const int n = 1 + static_cast<int>(random() % Competitors);
            if (random() % 16 == 0) {
                // A status set, changed or cleared during the race.
                static const char* statuses[] = {"DNS", "DNF", "DSQ", "CLEAR"};
                shown.statusAsked.insert(n);
                say(running, "STATUS " + std::to_string(n) + " " + statuses[random() % 4]);
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 25));
                drain(running, shown, ready);
                continue;
            }
            switch (random() % 5) {
                case 4:
                    correct(running, static_cast<int>(random() % 7));
                    break;
                case 0:
                    say(running, "TYPE 9 " + std::to_string(n));
                    say(running, "ENTER 9");
                    break;
                case 1:
                    say(running, "GIVE " + std::to_string(n));
                    break;
                default: {
                    int line = 1 + static_cast<int>(random() % 6);
                    std::string low = std::to_string(line) + " 0\n",
                                high = std::to_string(line) + " 1\n";
                    if (write(lines, low.data(), low.size()) < 0) break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(8 + random() % 20));
                    if (write(lines, high.data(), high.size()) < 0) break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 25));
            drain(running, shown, ready);
        }
        // Every other life ends with a correction of each kind in turn, killed right after
        // its answer (or, now and then, before it).
        if (life % 2 == 1 && life != kills) {
            correct(running, (life / 2) % 7);
            if (life % 4 == 1) {
                bool corrected = false;
                const auto answered = Clock::now() + std::chrono::seconds(5);
                while (!corrected && Clock::now() < answered) {
                    drain(running, shown, ready, &corrected);
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
            }
        }
        if (life == kills) {  // the last life ends in order
            kill(running.pid, SIGTERM);
        } else {
            kill(running.pid, SIGKILL);
            ++survived;
        }
        waitpid(running.pid, nullptr, 0);
        drain(running, shown, ready);
        close(running.out);
        close(running.in);
        Findings found = check(meet, shown);
        if (!found.whole) ++broken;
        lost = std::max(lost, found.timesLost);
        resultsLost = std::max(resultsLost, found.resultsLost);
        countsWrong += found.countsWrong;
        halfCorrections += found.halfCorrections;
        // A correction whose answer was not read may have been stored or not: either is whole,
        // and the next life goes on from what the file holds.
        if (!shown.pending.empty()) {
            Connection db(meet, Connection::Mode::ReadOnly);
            for (int n : shown.pending) {
                const long long finishes =
                    Number(db, "SELECT count(*) FROM \"Tider\" WHERE trim(\"Nr\") = '" +
                                   std::to_string(n) + "' AND \"Type\" = 'Inn'");
                if (finishes > 0) {
                    shown.in.insert(n);
                    shown.notIn.erase(n);
                } else if (shown.in.erase(n)) {
                    shown.notIn.insert(n);
                }
            }
            shown.pending.clear();
        }
        shown.inFlight = 0;
        statusesLost = std::max(statusesLost, found.statusesLost);
    }
    std::cout << "kills_survived: " << survived << " kills\n";
    std::cout << "kill_times_counted: " << shown.times.size() << " times\n";
    std::cout << "kill_times_lost: " << lost << " times\n";
    std::cout << "kill_finishes_counted: " << shown.in.size() << " finishes\n";
    std::cout << "kill_results_lost: " << resultsLost << " results\n";
    std::cout << "kill_counts_wrong: " << countsWrong << " counts\n";
    std::cout << "kill_statuses_counted: " << shown.statuses.size() << " statuses\n";
    std::cout << "kill_statuses_lost: " << statusesLost << " statuses\n";
    std::cout << "kill_damaged_files: " << broken << " files\n";
    std::cout << "kill_corrections_made: " << corrections << " corrections\n";
    std::cout << "kill_half_corrections: " << halfCorrections << " competitors\n";
    std::cout << "second_program_refused: " << secondRefused << " of " << secondStarted
              << " programs\n";
    std::cout << "alias_second_program_refused: " << aliasRefused << " of " << aliasStarted
              << " cases\n";
    close(lines);
    fs::remove_all(folder);
    return lost == 0 && resultsLost == 0 && countsWrong == 0 && broken == 0 &&
                   halfCorrections == 0 && statusesLost == 0 &&
                   secondRefused == secondStarted && aliasRefused == aliasStarted &&
                   !shown.times.empty()
               ? 0
               : 1;
}
