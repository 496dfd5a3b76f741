// The network-fault proof: the real program (offscreen) runs as one or more stations on a meet
// on a PostgreSQL server of the test's own, each station its own process with its own folder
// (settings, journal, line file) and reaching the server through a proxy of its own. While
// their lines are driven through the simulated adapters' FIFOs and operators give times by
// Enter and by "<<", each station's link is cut (every connection through its proxy broken,
// new ones refused for a while) and restored at random moments of its own, and the server is
// killed (SIGKILL, with every backend) and started again under all of them, many times. Then
// the links are left standing until every station has sent what waited, the stations are
// asked for their results until they agree, they are ended in order, and what the server
// holds is held against what the operators saw:
//   - every time a station showed as registered (its list, stored or waiting to be sent) is
//     on the server on its line (else lost); with one station, with its identification in the
//     very Time-table row it showed it in; a time the server names otherwise than a station
//     showed it is counted (station_identifications_changed);
//   - every impulse a station's journal kept is on the server once by station and sequence
//     (missing: lost; more than once: a duplicate);
//   - no two impulses are registered in one Time-table row, and the Time table holds no time
//     that no station showed (else a duplicate);
//   - every Time-table row an impulse was registered in holds that impulse's time (else the
//     row was written over), and no two rows share an identification;
//   - every station's results are those a station joining afterwards reads from the server.
// Prints station_cuts (every fault), station_server_kills, station_times_seen,
// station_times_lost and station_duplicates as "name: value unit", and per station
// station_N_cuts (its link's cuts), _times_seen, _impulses_kept, _times_lost, _duplicates;
// fails unless nothing was lost or doubled and all agree.
//   kvt_station_fault_test CHILD CUTS SEED [STATIONS]   (one station unless told)
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "meetdb/station_journal.h"
#include "pgdb/pq.h"
#include "pgdb/server_name.h"
#include "race_child_process.h"
#include "shell/server_meets.h"
#include "support/pg_server.h"
#include "support/tcp_proxy.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kvt::testing::TcpProxy;
using kvt::tools::Child;

namespace {

constexpr int Competitors = 100;

struct Counted {
    std::string identification, time;
};

// The line of an identification ("3-0012": line 3).
std::string LineOf(const std::string& identification) {
    return identification.substr(0, identification.find('-'));
}

struct Seen {
    std::map<int, Counted> times;  // by Time-table row, as the station showed them
    // Every time the station showed, by line and time, with the identifications it showed it
    // under, whichever row it was in (a row taken while away moves past the rows other
    // stations stored meanwhile).
    std::map<std::pair<std::string, std::string>, std::set<std::string>> shown;
    std::optional<std::string> results;  // the last answer to RESULTS
    int waiting = -1;              // the last answer to WAITING
    bool ready = false;
    bool quit = false;
};

void drain(Child& child, Seen& seen) {
    char chunk[4096];
    ssize_t got;
    while ((got = ::read(child.out, chunk, sizeof chunk)) > 0) child.buffer.append(chunk, got);
    std::size_t end;
    while ((end = child.buffer.find('\n')) != std::string::npos) {
        std::istringstream line(child.buffer.substr(0, end));
        child.buffer.erase(0, end + 1);
        std::string word;
        line >> word;
        if (word == "READY") seen.ready = true;
        if (word == "SEEN" || word == "REG") {
            int k = 0;
            Counted time;
            line >> k >> time.identification >> time.time;
            seen.times[k] = time;
            if (time.identification != "-")
                seen.shown[{LineOf(time.identification), time.time}].insert(time.identification);
        }
        if (word == "WAITING") line >> seen.waiting;
        if (word == "RESULTS") {
            std::string rest;
            std::getline(line, rest);
            seen.results = rest;
        }
        if (word == "DONE") {
            std::string what;
            line >> what;
            if (what == "QUIT") seen.quit = true;
        }
    }
}

bool waitFor(Child& child, Seen& seen, std::chrono::seconds bound, bool (*done)(const Seen&)) {
    const auto deadline = Clock::now() + bound;
    while (Clock::now() < deadline) {
        drain(child, seen);
        if (done(seen)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

struct Station {
    fs::path folder;
    std::string fifo;
    int lines = -1;
    std::unique_ptr<TcpProxy> proxy;
    Child child;
    Seen seen;
    bool cut = false;
    Clock::time_point restoreAt, nextFault;
    int cuts = 0;
    std::string name;  // the station's name in its journal and on the server
};

// A station's folder of its own (its settings and journal beside its line file).
void makeFolder(Station& s, const fs::path& folder) {
    s.folder = folder;
    fs::create_directories(folder);
    s.fifo = (folder / "lines").string();
    ::mkfifo(s.fifo.c_str(), 0600);
    s.lines = ::open(s.fifo.c_str(), O_RDWR | O_NONBLOCK);
}

void stop(Child& child) {
    if (child.pid <= 0) return;
    ::kill(child.pid, SIGKILL);
    ::waitpid(child.pid, nullptr, 0);
    child.pid = -1;
}

// One thing an operator or a line does at a station.
void act(Station& s) {
    const int n = 1 + static_cast<int>(random() % Competitors);
    switch (random() % 6) {
        case 0:
            kvt::tools::Say(s.child, "TYPE 9 " + std::to_string(n));
            kvt::tools::Say(s.child, "ENTER 9");
            break;
        case 1:
            kvt::tools::Say(s.child, "GIVE " + std::to_string(n));
            break;
        default: {
            const int line = 1 + static_cast<int>(random() % 6);
            const std::string low = std::to_string(line) + " 0\n",
                              high = std::to_string(line) + " 1\n";
            if (::write(s.lines, low.data(), low.size()) < 0) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(8 + random() % 20));
            if (::write(s.lines, high.data(), high.size()) < 0) break;
        }
    }
}

// The results as a station shows them; none when it does not answer.
std::optional<std::string> askResults(Station& s) {
    s.seen.results.reset();
    kvt::tools::Say(s.child, "RESULTS");
    waitFor(s.child, s.seen, std::chrono::seconds(10),
            [](const Seen& seen) { return seen.results.has_value(); });
    return s.seen.results;
}

// The station's name and every sequence its journal kept, read after it ended.
std::pair<std::string, std::vector<long long>> readJournal(const Station& s,
                                                           const std::string& meetName) {
    const std::string path = kvt::meetdb::StationJournalPath(s.folder.string(), meetName);
    std::pair<std::string, std::vector<long long>> kept;
    if (!fs::exists(path)) return kept;
    kvt::meetdb::Connection journal(path, kvt::meetdb::Connection::Mode::ReadOnly);
    kept.first = kvt::tools::Value(journal, "SELECT \"Name\" FROM \"Station\"").value_or("");
    auto rows = journal.prepare("SELECT \"Sequence\" FROM \"Kept\" ORDER BY \"Sequence\"");
    while (rows.step()) kept.second.push_back(rows.integer(0));
    return kept;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: kvt_station_fault_test CHILD CUTS SEED [STATIONS]\n";
        return 2;
    }
    const std::string child = argv[1];
    const int cuts = std::atoi(argv[2]);
    ::srandom(static_cast<unsigned>(std::atoi(argv[3])));
    const int count = argc == 5 ? std::atoi(argv[4]) : 1;
    if (count < 1 || count > 8) {
        std::cerr << "from 1 to 8 stations\n";
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);

    // A server that syncs each commit, as one a meet is run on: a commit it answered survives
    // its being killed.
    kvt::testing::PgServer server(true);
    if (!server.ready() || !server.start()) {
        std::cerr << "no PostgreSQL server could be started\n";
        return 1;
    }
    const fs::path folder =
        fs::temp_directory_path() / ("kvt-station-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string file = (folder / "Race.mdb").string();
    std::vector<Station> stations(count);
    for (int i = 0; i < count; ++i)
        makeFolder(stations[i], folder / ("station-" + std::to_string(i + 1)));
    auto endAll = [&] {
        for (auto& s : stations) stop(s.child);
    };

    // The meet made by the program as a file, then hosted on the server.
    {
        Child maker = kvt::tools::StartChild(child, file, stations[0].fifo, Competitors, false);
        Seen made;
        const bool ready = waitFor(maker, made, std::chrono::seconds(60),
                                   [](const Seen& s) { return s.ready; });
        kvt::tools::Say(maker, "QUIT");
        waitFor(maker, made, std::chrono::seconds(20), [](const Seen& s) { return s.quit; });
        ::waitpid(maker.pid, nullptr, 0);
        if (!ready) {
            std::cerr << "the program did not make the meet\n";
            return 1;
        }
    }
    kvt::pgdb::ServerMeet direct;
    direct.host = "127.0.0.1";
    direct.port = server.port();
    direct.database = "station_race";
    kvt::shell::HostMeet(file, direct, server.password());

    // Each station reaches the server through a proxy of its own.
    ::setenv("KVT_MEET_PASSWORD", server.password().c_str(), 1);
    std::vector<std::string> names(count);
    for (int i = 0; i < count; ++i) {
        auto& s = stations[i];
        s.proxy = std::make_unique<TcpProxy>(server.port());
        kvt::pgdb::ServerMeet station = direct;
        station.port = s.proxy->port();
        names[i] = station.name();
        s.child = kvt::tools::StartChild(child, names[i], s.fifo, Competitors, true);
    }
    for (int i = 0; i < count; ++i)
        if (!waitFor(stations[i].child, stations[i].seen, std::chrono::seconds(60),
                     [](const Seen& s) { return s.ready; })) {
            std::cerr << "station " << i + 1 << " did not start\n";
            endAll();
            return 1;
        }

    // A busy race at every station, with a fault at random moments: mostly a station's link cut
    // for a while (each station's at moments of its own), now and then the server killed and
    // started again under all of them.
    int done = 0, kills = 0;
    const auto begun = Clock::now();
    for (auto& s : stations)
        s.nextFault = begun + std::chrono::milliseconds(80 + random() % 400);
    const int killOneIn = count == 1 ? 8 : 5;
    while (done < cuts) {
        act(stations[random() % count]);
        std::this_thread::sleep_for(std::chrono::milliseconds(random() % (25 / count + 1)));
        for (auto& s : stations) drain(s.child, s.seen);
        for (auto& s : stations) {
            const auto now = Clock::now();
            if (s.cut && now >= s.restoreAt) {
                s.proxy->restore();
                s.cut = false;
            }
            if (s.cut || now < s.nextFault || done >= cuts) continue;
            if (random() % killOneIn == 0) {
                server.crash();
                ++kills;
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
                // A server killed twice in a row may find the last backends of the first
                // still going: it is started again once they are.
                bool started = server.start();
                for (int again = 0; again < 3 && !started; ++again) {
                    std::this_thread::sleep_for(std::chrono::seconds(1));
                    started = server.start();
                }
                if (!started) {
                    std::cerr << "the server did not start again\n";
                    endAll();
                    return 1;
                }
            } else {
                s.proxy->cut();
                s.cut = true;
                s.restoreAt = now + std::chrono::milliseconds(50 + random() % 700);
                ++s.cuts;
            }
            ++done;
            s.nextFault = Clock::now() + std::chrono::milliseconds(80 + random() % 400) +
                          (s.cut ? s.restoreAt - now : Clock::duration{});
        }
    }
    for (auto& s : stations)
        if (s.cut) {
            s.proxy->restore();
            s.cut = false;
        }

    // The links stay: everything that waited is sent at every station.
    bool sent = true;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    for (int i = 0; i < count; ++i) {
        auto& s = stations[i];
        bool stationSent = false;
        while (!stationSent && Clock::now() < deadline) {
            s.seen.waiting = -1;
            kvt::tools::Say(s.child, "WAITING");
            waitFor(s.child, s.seen, std::chrono::seconds(5),
                    [](const Seen& seen) { return seen.waiting >= 0; });
            stationSent = s.seen.waiting == 0;
            if (!stationSent) std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        if (!stationSent) std::cerr << "station " << i + 1 << " did not send what waited\n";
        sent = sent && stationSent;
    }
    // The results of the meet as a station that joins now reads them from the server (nothing
    // is done any more); every station follows the others until it shows the same.
    Station fresh;
    makeFolder(fresh, folder / "afterwards");
    fresh.child = kvt::tools::StartChild(child, direct.name(), fresh.fifo, Competitors, true);
    std::optional<std::string> serverResults;
    if (waitFor(fresh.child, fresh.seen, std::chrono::seconds(60),
                [](const Seen& s) { return s.ready; }))
        serverResults = askResults(fresh);
    kvt::tools::Say(fresh.child, "QUIT");
    waitFor(fresh.child, fresh.seen, std::chrono::seconds(30), [](const Seen& s) { return s.quit; });
    stop(fresh.child);
    ::close(fresh.lines);
    std::vector<std::optional<std::string>> results(count);
    bool agreed = false;
    const auto agreeBy = Clock::now() + std::chrono::seconds(30);
    while (serverResults && !agreed && Clock::now() < agreeBy) {
        agreed = true;
        for (int i = 0; i < count; ++i) {
            results[i] = askResults(stations[i]);
            agreed = agreed && results[i] == serverResults;
        }
        if (!agreed) std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    int disagreeing = 0;
    for (int i = 0; i < count; ++i)
        if (!results[i] || results[i] != serverResults) {
            ++disagreeing;
            std::cerr << "station " << i + 1 << " results differ from the server's:\n  "
                      << results[i].value_or("(none)") << "\n  "
                      << serverResults.value_or("(none)") << "\n";
        }
    for (auto& s : stations) {
        kvt::tools::Say(s.child, "QUIT");
        waitFor(s.child, s.seen, std::chrono::seconds(30), [](const Seen& seen) { return seen.quit; });
        stop(s.child);
        drain(s.child, s.seen);
    }

    // What the server holds.
    kvt::pgdb::PgConnection db({direct.name(), server.password()});
    const auto times = db.run("SELECT \"Id\", \"Tid\" FROM \"Tider\" ORDER BY \"kvt_row\"");
    // Which station took the impulse each Time-table row was registered from.
    std::map<long long, std::string> stationOf;  // by the meet's impulse number
    std::map<long long, long long> sequenceOf;  // by the meet's impulse number
    const auto taken =
        db.run("SELECT \"Station\", \"Impulse\", \"Sequence\" FROM \"StationImpulses\"");
    for (int r = 0; r < taken.rows(); ++r) {
        stationOf[taken.integer(r, 1)] = taken.value(r, 0).value_or("");
        sequenceOf[taken.integer(r, 1)] = taken.integer(r, 2);
    }
    std::map<long long, std::string> rowImpulse;  // by Time-table row, for the messages
    std::map<long long, std::string> rowStation;  // by Time-table row
    // Each registered impulse: its Time-table row, its time to hundredths, what it was.
    struct Registered {
        long long row;
        std::string time, what;
    };
    std::vector<Registered> registered;
    const auto impulses = db.run(
        "SELECT \"Impulse\", \"TimeRow\", \"Line\", \"TimeOfDay\", \"Source\" FROM "
        "\"Impulses\" WHERE \"TimeRow\" IS NOT NULL");
    for (int r = 0; r < impulses.rows(); ++r) {
        const long long impulse = impulses.integer(r, 0), row = impulses.integer(r, 1);
        rowStation[row] = stationOf[impulse];
        std::string time = impulses.value(r, 3).value_or("").substr(0, 11);  // to hundredths
        for (char& c : time)
            if (c == ':') c = '.';
        rowImpulse[row] = std::to_string(impulse) + " (sequence " +
                          std::to_string(sequenceOf[impulse]) + ") line " +
                          impulses.value(r, 2).value_or("") + " at " +
                          impulses.value(r, 3).value_or("") + " by " +
                          impulses.value(r, 4).value_or("");
        registered.push_back({row, time, rowImpulse[row]});
    }
    // A row that holds another time than the impulse registered in it was written over.
    int overwritten = 0;
    for (const auto& [row, time, what] : registered)
        if (row < 1 || row > times.rows() || times.value(row - 1, 1) != time) {
            ++overwritten;
            std::cerr << "row " << row << " holds "
                      << (row < 1 || row > times.rows() ? "nothing"
                                                        : times.value(row - 1, 0).value_or("") +
                                                              " " + times.value(row - 1, 1).value_or(""))
                      << " where impulse " << what << " was registered\n";
        }
    // Each time on the server by line and time, with the stations of the rows it is on and
    // the identifications it has there.
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> onServer;
    std::map<std::pair<std::string, std::string>, std::set<std::string>> serverNames;
    for (int r = 0; r < times.rows(); ++r)
        if (times.value(r, 0).value_or("-") != "-") {
            const auto found = rowStation.find(r + 1);
            const std::string identification = times.value(r, 0).value_or("");
            const std::pair<std::string, std::string> key{LineOf(identification),
                                                          times.value(r, 1).value_or("")};
            onServer[key].push_back(found == rowStation.end() ? "" : found->second);
            serverNames[key].insert(identification);
        }
    // No two times of the meet share an identification.
    int repeated = 0;
    {
        std::map<std::string, int> named;
        for (int r = 0; r < times.rows(); ++r)
            if (const std::string id = times.value(r, 0).value_or("-"); id != "-" && id != "")
                if (++named[id] == 2) {
                    ++repeated;
                    std::cerr << "identification " << id << " names more than one time\n";
                }
    }
    const auto keys = db.run(
        "SELECT \"Station\", \"Sequence\", count(*) FROM \"StationImpulses\" GROUP BY "
        "\"Station\", \"Sequence\"");
    std::map<std::pair<std::string, long long>, long long> keyed;
    for (int r = 0; r < keys.rows(); ++r)
        keyed[{keys.value(r, 0).value_or(""), keys.integer(r, 1)}] = keys.integer(r, 2);

    int lost = 0, duplicates = 0;
    std::size_t timesSeen = 0;
    std::set<std::pair<std::string, std::string>> shownAnywhere;
    int renamed = 0;  // shown under an identification the server does not give it
    for (int i = 0; i < count; ++i) {
        auto& s = stations[i];
        int stationLost = 0, stationDuplicates = 0;
        // Every time the station showed is held by the server.
        for (const auto& [shown, identifications] : s.seen.shown) {
            shownAnywhere.insert(shown);
            if (!onServer.count(shown)) {
                ++stationLost;
                std::cerr << "station " << i + 1 << " lost: line " << shown.first << " at "
                          << shown.second << "\n";
                continue;
            }
            for (const auto& identification : identifications)
                if (!serverNames[shown].count(identification)) {
                    ++renamed;
                    std::cerr << "station " << i + 1 << " showed line " << shown.first << " at "
                              << shown.second << " as " << identification
                              << ", the server names it " << *serverNames[shown].begin() << "\n";
                }
        }
        // Every impulse its journal kept is on the server once, by station and sequence.
        const auto [name, sequences] = readJournal(s, names[i]);
        for (long long sequence : sequences) {
            const auto found = keyed.find({name, sequence});
            if (found == keyed.end()) {
                ++stationLost;
                std::cerr << "station " << i + 1 << " impulse " << sequence << " not on the server\n";
            } else if (found->second > 1) {
                stationDuplicates += static_cast<int>(found->second - 1);
            }
        }
        if (sequences.empty() || name.empty()) {
            ++stationLost;
            std::cerr << "station " << i + 1 << " kept no impulse\n";
        }
        // The one-station race also holds each shown time to its own row.
        if (count == 1)
            for (const auto& [k, shown] : s.seen.times)
                if (shown.identification != "-" &&
                    (k > times.rows() || times.value(k - 1, 0) != shown.identification ||
                     times.value(k - 1, 1) != shown.time)) {
                    ++stationLost;
                    std::cerr << "lost: row " << k << " " << shown.identification << " "
                              << shown.time << "\n";
                }
        std::cout << "station_" << i + 1 << "_cuts: " << s.cuts << " cuts\n";
        std::cout << "station_" << i + 1 << "_times_seen: " << s.seen.shown.size() << " times\n";
        std::cout << "station_" << i + 1 << "_impulses_kept: " << sequences.size()
                  << " impulses\n";
        std::cout << "station_" << i + 1 << "_times_lost: " << stationLost << " times\n";
        std::cout << "station_" << i + 1 << "_duplicates: " << stationDuplicates << " times\n";
        lost += stationLost;
        duplicates += stationDuplicates;
        timesSeen += s.seen.shown.size();
        ::close(s.lines);
    }
    // A time on the server no station showed is one too many. (Two rows may hold the same
    // line and hundredth: Enter presses read in one pass of a busy window, a line's capture
    // beside one; each is an impulse of its own, held to its row above.)
    for (const auto& [time, rows] : onServer)
        if (!shownAnywhere.count(time)) {
            ++duplicates;
            std::cerr << "not shown: line " << time.first << " at " << time.second << "\n";
        }
    // No Time-table row has two impulses of the meet's journal registered in it.
    const auto twice = db.run(
        "SELECT coalesce(sum(c - 1), 0) FROM (SELECT count(*) AS c FROM \"Impulses\" WHERE "
        "\"TimeRow\" IS NOT NULL GROUP BY \"TimeRow\") AS j");
    duplicates += static_cast<int>(twice.integer(0, 0));
    fs::remove_all(folder);

    std::cout << "station_stations: " << count << " stations\n";
    std::cout << "station_cuts: " << done << " cuts\n";
    std::cout << "station_server_kills: " << kills << " kills\n";
    std::cout << "station_times_seen: " << timesSeen << " times\n";
    std::cout << "station_times_lost: " << lost << " times\n";
    std::cout << "station_duplicates: " << duplicates << " times\n";
    std::cout << "station_identifications_changed: " << renamed << " times\n";
    std::cout << "station_identifications_repeated: " << repeated << " times\n";
    std::cout << "station_rows_overwritten: " << overwritten << " rows\n";
    std::cout << "station_results_disagreeing: " << disagreeing << " stations\n";
    std::cout << "station_all_sent: " << (sent ? 1 : 0) << " \n";
    return lost == 0 && duplicates == 0 && overwritten == 0 && repeated == 0 && sent &&
                   disagreeing == 0 &&
                   timesSeen > 0
               ? 0
               : 1;
}
