// The race driver: a whole meet run against the real program (offscreen) as an operator and a
// finish line would run it. The first half of the field starts and finishes one by one by
// start numbers typed with Enter (some typed wrong first); the second half starts together
// from a captured time given with "<<" and finishes through edges on the input lines, in
// bursts, each time given with "<<". At the end the lists are written and the driver checks,
// from the meet database and the lists alone, that every counted time is in the Time table,
// every finisher is ranked in his class and the lists agree with the tables.
//   kvt_race_driver CHILD COMPETITORS SEED
// Prints race_times_counted, race_times_lost and race_finishers_ranked.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include "meetdb/sqlite.h"

extern char** environ;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

class Operator {
public:
    Operator(const std::string& program, const std::string& meet, const std::string& fifo,
             int competitors) {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        std::string a = program, b = meet, c = fifo, d = std::to_string(competitors);
        char* argv[] = {a.data(), b.data(), c.data(), d.data(), nullptr};
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ) != 0)
            throw std::runtime_error("cannot start " + program);
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        in_ = in[1];
        out_ = out[0];
    }
    ~Operator() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    // Sends a command and waits until the program has carried it out.
    void command(const std::string& text) {
        std::string line = text + "\n";
        if (write(in_, line.data(), line.size()) < 0) throw std::runtime_error("program gone");
        std::string word = text.substr(0, text.find(' '));
        waitFor("DONE " + word);
    }
    // Reads output until a line starting with prefix; REG lines are noted on the way.
    void waitFor(const std::string& prefix) {
        auto deadline = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < deadline) {
            std::size_t end;
            while ((end = buffer_.find('\n')) != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                std::istringstream words(line);
                std::string word;
                words >> word;
                if (word == "COUNT") words >> lastCount_;
                if (word == "REG") {
                    int k;
                    std::string id, time;
                    words >> k >> id >> time;
                    registered[k] = {id, time};
                }
                if (line.rfind(prefix, 0) == 0) return;
            }
            char chunk[4096];
            ssize_t got = read(out_, chunk, sizeof chunk);
            if (got <= 0) throw std::runtime_error("the program ended while waiting for " + prefix);
            buffer_.append(chunk, got);
        }
        throw std::runtime_error("no " + prefix + " in time");
    }
    // Waits until the program has registered count times (as it counts them, at once); false
    // when that did not happen within two seconds.
    bool waitForRegistrations(int count) {
        auto deadline = Clock::now() + std::chrono::seconds(2);
        while (Clock::now() < deadline) {
            command("COUNT");
            if (lastCount_ >= count) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        return false;
    }
    int registeredNow() {
        command("COUNT");
        return lastCount_;
    }
    int finish() {
        std::string line = "QUIT\n";
        (void)!write(in_, line.data(), line.size());
        waitFor("DONE QUIT");
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }

    std::map<int, std::pair<std::string, std::string>> registered;

private:
    pid_t pid_ = -1;
    int lastCount_ = 0;
    int in_ = -1, out_ = -1;
    std::string buffer_;
};

void edge(int fifo, int line) {
    std::string low = std::to_string(line) + " 0\n", high = std::to_string(line) + " 1\n";
    (void)!write(fifo, low.data(), low.size());
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
    (void)!write(fifo, high.data(), high.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: kvt_race_driver CHILD COMPETITORS SEED\n";
        return 2;
    }
    const int competitors = std::atoi(argv[2]);
    std::mt19937 random(static_cast<unsigned>(std::atoi(argv[3])));
    const fs::path folder = fs::temp_directory_path() / ("kvt-race-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const std::string meet = (folder / "Race.mdb").string();
    const std::string fifoPath = (folder / "lines").string();
    mkfifo(fifoPath.c_str(), 0600);
    int fifo = open(fifoPath.c_str(), O_RDWR | O_NONBLOCK);
    signal(SIGPIPE, SIG_IGN);

    std::set<int> finished;
    int failures = 0;
    int missedEdges = 0;
    try {
        Operator op(fs::absolute(argv[1]).string(), meet, fifoPath, competitors);
        op.waitFor("READY");
        op.command("OPTION 4 on");  // a line goes once its time is given
        const int half = competitors / 2;
        // Individual starts and finishes by Enter, some numbers typed wrong first.
        for (int n = 1; n <= half; ++n) {
            if (random() % 7 == 0) {
                op.command("TYPE 9 " + std::to_string(competitors + 1 + random() % 5000));
                op.command("ENTER 9");
            }
            op.command("TYPE 9 " + std::to_string(n));
            op.command("ENTER 9");
        }
        for (int n = 1; n <= half; ++n) {
            op.command("TYPE 9 " + std::to_string(n));
            op.command("ENTER 9");
            finished.insert(n);
        }
        // A mass start of the rest from a captured time.
        int expected = op.registeredNow();
        op.command("OPTION 2 on");
        // An edge the poll did not see (the line was released during a stall of the program)
        // is counted and given again, as the finish judge would press the key.
        auto until = [&](int count) {
            while (!op.waitForRegistrations(count)) {
                missedEdges += count - op.registeredNow();
                if (missedEdges > 50) throw std::runtime_error("too many edges missed");
                for (int again = op.registeredNow(); again < count; ++again) edge(fifo, 1);
            }
        };
        edge(fifo, 1);
        until(++expected);
        op.command("TYPE 0 " + std::to_string(half + 1));
        op.command("SET 0");
        op.command("OPTION 2 off");
        // Finishes on the lines, alone and in bursts, each given with "<<" from the first row.
        int n = half + 1;
        while (n <= competitors) {
            int burst = std::min<int>(1 + random() % 4, competitors - n + 1);
            for (int b = 0; b < burst; ++b) {
                edge(fifo, 1 + b);
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 15));
            }
            expected += burst;
            until(expected);
            for (int b = 0; b < burst; ++b, ++n) {
                if (random() % 9 == 0) {  // a typo first: nothing is given, the time stays
                    op.command("TYPE 0 " + std::to_string(competitors + 7));
                    op.command("SET 0");
                }
                op.command("TYPE 0 " + std::to_string(n));
                op.command("SET 0");
                finished.insert(n);
            }
        }
        op.command("LISTS");
        op.finish();
        auto registered = op.registered;

        // From the database and the lists alone.
        kvt::meetdb::Connection db(meet, kvt::meetdb::Connection::Mode::ReadOnly);
        int lost = 0;
        auto row =
            db.prepare("SELECT \"Id\", \"Tid\" FROM \"Tider\" ORDER BY rowid LIMIT 1 OFFSET ?1");
        for (const auto& [k, time] : registered) {
            row.reset();
            row.bind(1, static_cast<long long>(k - 1));
            if (!row.step() || row.text(0) != time.first || row.text(1) != time.second) ++lost;
        }
        int ranked = 0;
        std::string list;
        {
            std::ifstream file(folder / "Race" / "Resultat.txt", std::ios::binary);
            list.assign(std::istreambuf_iterator<char>(file), {});
        }
        for (int c = 1; c <= 15; ++c) {
            auto rows = db.prepare("SELECT \"Plass\", \"Nummer\", \"Resultat\" FROM \"Resultat-" +
                                   std::to_string(c) + "\" ORDER BY \"Plass\"");
            int place = 0;
            std::string last;
            while (rows.step()) {
                ++place;
                int number = static_cast<int>(rows.integer(1));
                std::string result = rows.text(2).value_or("");
                bool right = rows.integer(0) == place && result >= last && finished.count(number) &&
                             (number - 1) % 15 + 1 == c;
                if (!right) ++failures;
                last = result;
                ++ranked;
                std::ostringstream line;
                line << place << ":";
                if (list.find("\r\n" + line.str()) == std::string::npos) ++failures;
            }
        }
        if (ranked != static_cast<int>(finished.size())) {
            ++failures;
            for (int number : finished) {
                auto found =
                    db.prepare("SELECT count(*) FROM \"Resultat-" +
                               std::to_string((number - 1) % 15 + 1) + "\" WHERE \"Nummer\" = ?1");
                found.bind(1, static_cast<long long>(number));
                found.step();
                if (found.integer(0) != 1) std::cerr << "not ranked: " << number << "\n";
            }
        }
        std::cout << "race_times_counted: " << registered.size() << " times\n";
        std::cout << "race_times_lost: " << lost << " times\n";
        std::cout << "race_finishers_ranked: " << ranked << " of " << finished.size() << "\n";
        std::cout << "race_edges_missed: " << missedEdges << " edges\n";
        failures += lost;
    } catch (const std::exception& error) {
        std::cerr << "race driver: " << error.what() << "\n";
        failures = 1;
    }
    close(fifo);
    fs::remove_all(folder);
    return failures == 0 ? 0 : 1;
}
