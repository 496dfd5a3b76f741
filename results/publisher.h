// Publishing the pages for the web: an upload is an existing tool (lftp for SFTP and FTPS,
// rsync over SSH) run as a child process on a thread of the publisher's own, a few seconds
// after a change and later while changes keep coming; a failing upload is retried, a hanging
// one is ended after a bound. Nothing of it runs on the window's thread or the line thread.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kvt::results {

using Milliseconds = std::chrono::milliseconds;

// Where the pages go: "sftp://host[:port]/folder", "ftps://host[:port]/folder", or rsync over
// SSH as "ssh://host[:port]/folder" or "host:folder". A user given in the address
// ("user@host") stands unless the user box names one.
struct PublishTarget {
    enum class Kind { Sftp, Ftps, Rsync };
    Kind kind = Kind::Sftp;
    std::string user, host, path;
    int port = 0;  // 0: the tool's own default
};
std::optional<PublishTarget> ParsePublishTarget(const std::string& text);

// When to publish: a first change waits First; a change that comes sooner than the wait after
// the last publish doubles the wait, up to Longest; a quiet spell brings it back to First. A
// failed publish is tried again after the wait, doubled the same way.
class PublishSchedule {
public:
    static constexpr Milliseconds First{4000}, Longest{32000};
    explicit PublishSchedule(Milliseconds first = First, Milliseconds longest = Longest)
        : first_(first), longest_(longest), wait_(first) {}
    void changed(Milliseconds now);
    bool pending() const { return pending_; }
    bool due(Milliseconds now) const { return pending_ && now >= dueAt_; }
    Milliseconds dueAt() const { return dueAt_; }
    Milliseconds wait() const { return wait_; }
    // A publish begins: the changes so far are in it.
    void begin() { pending_ = false; }
    void ended(Milliseconds now, bool ok);

private:
    void lengthen() { wait_ = std::min(wait_ * 2, longest_); }
    Milliseconds first_, longest_;
    bool pending_ = false;
    bool published_ = false;
    Milliseconds lastEnd_{0}, dueAt_{0}, wait_;
};

struct PublishSettings {
    std::string target, user, keyFile, password, command;
    // ssh's known hosts: a host is taken on first use and held to its key after.
    std::string knownHosts;
    // An upload, or the command after it, is ended after this.
    Milliseconds bound{60000};
    // The waits of the schedule.
    Milliseconds firstWait = PublishSchedule::First, longestWait = PublishSchedule::Longest;
    // The reason told when the bound ended an upload, and the words before a target that is
    // none of the forms above.
    std::string timedOutText = "timed out";
    std::string invalidTargetText = "not a target: ";
};

// A child process: its arguments (the first the program, found on PATH) and what is added to
// its environment ("NAME=value").
struct ChildCommand {
    std::vector<std::string> argv;
    std::vector<std::string> environment;
};

// The upload of every file of folder to the target.
ChildCommand UploadCommand(const PublishSettings& settings, const PublishTarget& target,
                           const std::string& folder);

struct ChildResult {
    bool ok = false;        // ran and ended with status 0
    bool timedOut = false;  // ended by the bound (or stop)
    std::string output;     // the last of what it wrote to stdout and stderr
};

// Runs a child in a process group of its own with no input; after bound, or once stop becomes
// true, the group is ended (TERM, then KILL).
ChildResult RunChild(const ChildCommand& command, Milliseconds bound,
                     const std::atomic<bool>* stop = nullptr);

// Publishes one folder to one target while it lives.
class Publisher {
public:
    Publisher(PublishSettings settings, std::string folder);
    // Ends an upload in progress and the thread.
    ~Publisher();
    Publisher(const Publisher&) = delete;
    Publisher& operator=(const Publisher&) = delete;

    // Something of the folder changed (from any thread).
    void changed();

    struct Status {
        int uploads = 0, failures = 0;
        bool uploading = false;
        std::string lastSuccess;  // the time of day of the last publish that went through
        std::string lastError;    // why the last one that failed did ("" after a success)
        Milliseconds wait{0};
    };
    Status status() const;

private:
    void run();
    static Milliseconds now();

    const PublishSettings settings_;
    const std::string folder_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    PublishSchedule schedule_;
    Status status_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace kvt::results
