// The network-fault proof: the real program (offscreen) is a station on a meet on a PostgreSQL
// server of the test's own, reached through a proxy of the test's own. While its lines are
// driven through the simulated adapter's FIFO and an operator gives times by Enter and by "<<",
// the link is cut (every connection through the proxy broken, new ones refused for a while)
// and restored, and the server is killed (SIGKILL, with every backend) and started again, at
// random moments, many times. Then the link is left standing until the station has sent what
// waited, the station is ended in order, and what the server holds is held against what the
// operator saw:
//   - every time the station showed as registered (its list, stored or waiting to be sent) is
//     in its Time-table row on the server, with its identification and time (else lost);
//   - no impulse is on the server twice (the journal names each Time-table row once) and the
//     Time table holds no row the station never showed (else a duplicate).
// Prints station_cuts, station_server_kills, station_times_seen, station_times_lost and
// station_duplicates as "name: value unit"; fails unless nothing was lost or doubled.
//   kvt_station_fault_test CHILD CUTS SEED
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
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

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

struct Seen {
    std::map<int, Counted> times;  // by Time-table row, as the station showed them
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
        }
        if (word == "WAITING") line >> seen.waiting;
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

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: kvt_station_fault_test CHILD CUTS SEED\n";
        return 2;
    }
    const std::string child = argv[1];
    const int cuts = std::atoi(argv[2]);
    ::srandom(static_cast<unsigned>(std::atoi(argv[3])));
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
    const std::string fifo = (folder / "lines").string();
    ::mkfifo(fifo.c_str(), 0600);
    const int lines = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);

    // The meet made by the program as a file, then hosted on the server.
    {
        Child maker = kvt::tools::StartChild(child, file, fifo, Competitors, false);
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

    TcpProxy proxy(server.port());
    kvt::pgdb::ServerMeet station = direct;
    station.port = proxy.port();
    ::setenv("KVT_MEET_PASSWORD", server.password().c_str(), 1);
    Child running = kvt::tools::StartChild(child, station.name(), fifo, Competitors, true);
    Seen seen;
    if (!waitFor(running, seen, std::chrono::seconds(60), [](const Seen& s) { return s.ready; })) {
        std::cerr << "the station did not start\n";
        ::kill(running.pid, SIGKILL);
        ::waitpid(running.pid, nullptr, 0);
        return 1;
    }

    // A busy finish line, with a fault at random moments: mostly the link cut for a while,
    // now and then the server killed and started again.
    int done = 0, kills = 0;
    while (done < cuts) {
        const auto faultAt = Clock::now() + std::chrono::milliseconds(80 + random() % 400);
        while (Clock::now() < faultAt) {
            const int n = 1 + static_cast<int>(random() % Competitors);
            switch (random() % 6) {
                case 0:
                    kvt::tools::Say(running, "TYPE 9 " + std::to_string(n));
                    kvt::tools::Say(running, "ENTER 9");
                    break;
                case 1:
                    kvt::tools::Say(running, "GIVE " + std::to_string(n));
                    break;
                default: {
                    const int line = 1 + static_cast<int>(random() % 6);
                    const std::string low = std::to_string(line) + " 0\n",
                                      high = std::to_string(line) + " 1\n";
                    if (::write(lines, low.data(), low.size()) < 0) break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(8 + random() % 20));
                    if (::write(lines, high.data(), high.size()) < 0) break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 25));
            drain(running, seen);
        }
        if (random() % 8 == 0) {
            server.crash();
            ++kills;
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 300));
            if (!server.start()) {
                std::cerr << "the server did not start again\n";
                ::kill(running.pid, SIGKILL);
                ::waitpid(running.pid, nullptr, 0);
                return 1;
            }
        } else {
            proxy.cut();
            std::this_thread::sleep_for(std::chrono::milliseconds(50 + random() % 700));
            proxy.restore();
        }
        ++done;
        drain(running, seen);
    }

    // The link stays: everything that waited is sent, then the station ends in order.
    bool sent = false;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (!sent && Clock::now() < deadline) {
        seen.waiting = -1;
        kvt::tools::Say(running, "WAITING");
        waitFor(running, seen, std::chrono::seconds(5), [](const Seen& s) { return s.waiting >= 0; });
        sent = seen.waiting == 0;
        if (!sent) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    kvt::tools::Say(running, "QUIT");
    waitFor(running, seen, std::chrono::seconds(30), [](const Seen& s) { return s.quit; });
    ::kill(running.pid, SIGKILL);
    ::waitpid(running.pid, nullptr, 0);
    drain(running, seen);

    // What the server holds.
    kvt::pgdb::PgConnection db({direct.name(), server.password()});
    const auto times = db.run("SELECT \"Id\", \"Tid\" FROM \"Tider\" ORDER BY \"kvt_row\"");
    int lost = 0, duplicates = 0;
    for (const auto& [k, shown] : seen.times) {
        if (k > times.rows() || times.value(k - 1, 0) != shown.identification ||
            times.value(k - 1, 1) != shown.time) {
            ++lost;
            std::cerr << "lost: row " << k << " " << shown.identification << " " << shown.time
                      << "\n";
        }
    }
    // Rows holding a time the station never showed.
    for (int r = 0; r < times.rows(); ++r)
        if (times.value(r, 0).value_or("-") != "-" && !seen.times.count(r + 1)) {
            ++duplicates;
            std::cerr << "not shown: row " << r + 1 << " " << times.value(r, 0).value_or("") << "\n";
        }
    const auto twice = db.run(
        "SELECT coalesce(sum(c - 1), 0) FROM (SELECT count(*) AS c FROM \"Impulses\" WHERE "
        "\"TimeRow\" IS NOT NULL GROUP BY \"TimeRow\") AS j");
    duplicates += static_cast<int>(twice.integer(0, 0));
    ::close(lines);
    fs::remove_all(folder);

    std::cout << "station_cuts: " << done << " cuts\n";
    std::cout << "station_server_kills: " << kills << " kills\n";
    std::cout << "station_times_seen: " << seen.times.size() << " times\n";
    std::cout << "station_times_lost: " << lost << " times\n";
    std::cout << "station_duplicates: " << duplicates << " times\n";
    std::cout << "station_all_sent: " << (sent ? 1 : 0) << " \n";
    return lost == 0 && duplicates == 0 && sent && !seen.times.empty() ? 0 : 1;
}
