#include "results/publisher.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

extern char** environ;

namespace kvt::results {

namespace {

// "host[:port]" and what follows the first "/".
bool splitAddress(const std::string& rest, PublishTarget& target) {
    const auto slash = rest.find('/');
    std::string address = rest.substr(0, slash);
    target.path = slash == std::string::npos ? "" : rest.substr(slash);
    // "/~/folder" is the folder in the user's home, "/folder" one from the root.
    if (target.path.rfind("/~", 0) == 0) target.path = target.path.substr(1);
    const auto at = address.rfind('@');
    if (at != std::string::npos) {
        target.user = address.substr(0, at);
        address = address.substr(at + 1);
    }
    const auto colon = address.rfind(':');
    if (colon != std::string::npos) {
        const std::string digits = address.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        target.port = std::stoi(digits);
        if (target.port < 1 || target.port > 65535) return false;
        address = address.substr(0, colon);
    }
    target.host = address;
    return !target.host.empty();
}

// Text that the tools take as one word: no control characters, and a host that cannot be
// read as an option.
bool plain(const std::string& text) {
    for (unsigned char ch : text)
        if (ch < 0x20 || ch == 0x7F) return false;
    return true;
}

// A word of an lftp command.
std::string lftpQuoted(const std::string& text) {
    std::string quoted = "\"";
    for (char ch : text) {
        if (ch == '"' || ch == '\\') quoted += '\\';
        quoted += ch;
    }
    return quoted + "\"";
}

// A word of the command line that rsync and lftp hand to ssh (split at blanks, quotes kept
// together).
std::string shellWord(const std::string& text) {
    if (!text.empty() && text.find_first_of(" \t'\"\\") == std::string::npos) return text;
    std::string quoted = "'";
    for (char ch : text) {
        if (ch == '\'')
            quoted += "'\\''";
        else
            quoted += ch;
    }
    return quoted + "'";
}

std::string sshLine(const PublishSettings& settings, int port) {
    std::string line = "ssh -a -x -o StrictHostKeyChecking=accept-new -o ConnectTimeout=10 "
                       "-o ServerAliveInterval=5 -o ServerAliveCountMax=2";
    if (!settings.knownHosts.empty())
        line += " -o " + shellWord("UserKnownHostsFile=" + settings.knownHosts);
    if (!settings.keyFile.empty())
        line += " -o IdentitiesOnly=yes -i " + shellWord(settings.keyFile);
    // With no password to give, ssh never asks for one.
    if (settings.password.empty()) line += " -o BatchMode=yes";
    if (port > 0) line += " -p " + std::to_string(port);
    return line;
}

std::string timeOfDayNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H.%M.%S", &local);
    return text;
}

}  // namespace

std::optional<PublishTarget> ParsePublishTarget(const std::string& text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return std::nullopt;
    const std::string typed = text.substr(begin, text.find_last_not_of(' ') - begin + 1);
    if (!plain(typed) || typed[0] == '-') return std::nullopt;
    PublishTarget target;
    const std::pair<const char*, PublishTarget::Kind> schemes[] = {
        {"sftp://", PublishTarget::Kind::Sftp},
        {"ftps://", PublishTarget::Kind::Ftps},
        {"ssh://", PublishTarget::Kind::Rsync}};
    for (const auto& [scheme, kind] : schemes) {
        if (typed.rfind(scheme, 0) != 0) continue;
        target.kind = kind;
        if (!splitAddress(typed.substr(std::strlen(scheme)), target)) return std::nullopt;
        if (target.host[0] == '-') return std::nullopt;
        return target;
    }
    // rsync's own form: [user@]host:folder.
    const auto colon = typed.find(':');
    if (colon == std::string::npos || colon == 0 || typed.find('/') < colon) return std::nullopt;
    target.kind = PublishTarget::Kind::Rsync;
    std::string host = typed.substr(0, colon);
    const auto at = host.rfind('@');
    if (at != std::string::npos) {
        target.user = host.substr(0, at);
        host = host.substr(at + 1);
    }
    if (host.empty()) return std::nullopt;
    target.host = host;
    target.path = typed.substr(colon + 1);
    return target;
}

ChildCommand UploadCommand(const PublishSettings& settings, const PublishTarget& target,
                           const std::string& folder) {
    const std::string user = settings.user.empty() ? target.user : settings.user;
    ChildCommand command;
    if (target.kind == PublishTarget::Kind::Rsync) {
        std::string destination = (user.empty() ? "" : user + "@") + target.host + ":" +
                                  (target.path.empty() ? "." : target.path);
        if (destination.back() != '/') destination += '/';
        command.argv = {"rsync", "-rt", "--exclude=*.making", "--timeout=30", "-e",
                        sshLine(settings, target.port), folder + "/", destination};
        return command;
    }
    std::string script = "set cmd:fail-exit yes; set net:max-retries 1; set net:timeout 15; "
                         "set net:reconnect-interval-base 2; set xfer:clobber on; ";
    if (target.kind == PublishTarget::Kind::Sftp) {
        // lftp hands the port and the user to ssh itself.
        script += "set sftp:connect-program " + lftpQuoted(sshLine(settings, 0)) + "; ";
    } else {
        script += "set ftp:ssl-force true; set ftp:ssl-protect-data true; ";
    }
    script += "open";
    if (!settings.password.empty()) {
        script += " --env-password";
        command.environment.push_back("LFTP_PASSWORD=" + settings.password);
        if (!user.empty()) script += " -u " + lftpQuoted(user);
    } else if (!user.empty()) {
        script += " -u " + lftpQuoted(user + ",");
    }
    if (target.port > 0) script += " -p " + std::to_string(target.port);
    script += std::string(" ") +
              lftpQuoted((target.kind == PublishTarget::Kind::Sftp ? "sftp://" : "ftps://") +
                         target.host) +
              "; mirror -R --no-perms --exclude-glob *.making " + lftpQuoted(folder) + " " +
              lftpQuoted(target.path.empty() ? "." : target.path) + "; quit";
    command.argv = {"lftp", "-c", script};
    return command;
}

ChildResult RunChild(const ChildCommand& command, Milliseconds bound,
                     const std::atomic<bool>* stop) {
    ChildResult result;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        result.output = std::strerror(errno);
        return result;
    }
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string value = *entry;
        const std::string name = value.substr(0, value.find('='));
        const bool replaced =
            std::any_of(command.environment.begin(), command.environment.end(),
                        [&](const std::string& added) { return added.rfind(name + "=", 0) == 0; });
        if (!replaced) environment.push_back(value);
    }
    environment.insert(environment.end(), command.environment.begin(), command.environment.end());
    std::vector<char*> envp, argv;
    for (auto& value : environment) envp.push_back(value.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = command.argv;
    for (auto& value : args) argv.push_back(value.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, signal);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        result.output = command.argv[0] + ": " + std::strerror(spawned);
        return result;
    }

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + bound;
    bool open = true, exited = false;
    int status = 0;
    auto keep = [&](const char* bytes, ssize_t n) {
        result.output.append(bytes, static_cast<std::size_t>(n));
        if (result.output.size() > 4096) result.output.erase(0, result.output.size() - 4096);
    };
    while (!exited) {
        if (Clock::now() >= deadline || (stop && stop->load())) {
            result.timedOut = true;
            ::kill(-pid, SIGTERM);
            const auto grace = Clock::now() + std::chrono::seconds(1);
            while (Clock::now() < grace && ::waitpid(pid, &status, WNOHANG) == 0)
                ::usleep(10000);
            ::kill(-pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        if (open) {
            pollfd watched{pipeEnds[0], POLLIN, 0};
            if (::poll(&watched, 1, 50) > 0) {
                char bytes[1024];
                const ssize_t n = ::read(pipeEnds[0], bytes, sizeof bytes);
                if (n > 0)
                    keep(bytes, n);
                else if (n == 0 || (errno != EINTR && errno != EAGAIN))
                    open = false;
            }
        } else {
            ::usleep(20000);
        }
        const pid_t ended = ::waitpid(pid, &status, WNOHANG);
        if (ended == pid) exited = true;
    }
    // What the child wrote last, once it is gone.
    if (open) {
        ::fcntl(pipeEnds[0], F_SETFL, O_NONBLOCK);
        char bytes[1024];
        ssize_t n;
        while ((n = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0) keep(bytes, n);
    }
    ::close(pipeEnds[0]);
    result.ok = !result.timedOut && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return result;
}

void PublishSchedule::changed(Milliseconds now) {
    if (pending_) return;
    pending_ = true;
    if (published_) {
        if (now - lastEnd_ < wait_)
            lengthen();
        else
            wait_ = first_;
    }
    dueAt_ = now + wait_;
}

void PublishSchedule::ended(Milliseconds now, bool ok) {
    published_ = true;
    lastEnd_ = now;
    if (ok) return;
    pending_ = true;
    lengthen();
    dueAt_ = now + wait_;
}

Publisher::Publisher(PublishSettings settings, std::string folder)
    : settings_(std::move(settings)),
      folder_(std::move(folder)),
      schedule_(settings_.firstWait, settings_.longestWait),
      thread_([this] { run(); }) {}

Publisher::~Publisher() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void Publisher::changed() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        schedule_.changed(now());
        status_.wait = schedule_.wait();
    }
    wake_.notify_all();
}

Publisher::Status Publisher::status() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return status_;
}

Milliseconds Publisher::now() {
    return std::chrono::duration_cast<Milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

void Publisher::run() {
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    const auto target = ParsePublishTarget(settings_.target);
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stop_) {
        if (!schedule_.due(now())) {
            if (schedule_.pending())
                wake_.wait_for(lock, schedule_.dueAt() - now());
            else
                wake_.wait(lock);
            continue;
        }
        schedule_.begin();
        status_.uploading = true;
        lock.unlock();
        ChildResult result;
        if (!target) {
            result.output = settings_.invalidTargetText + settings_.target;
        } else {
            ChildCommand upload = UploadCommand(settings_, *target, folder_);
            // The tools run below the program's threads: the timing never waits for them.
            upload.argv.insert(upload.argv.begin(), {"nice", "-n", "10"});
            result = RunChild(upload, settings_.bound, &stop_);
            if (result.ok && !settings_.command.empty())
                result = RunChild({{"/bin/sh", "-c", settings_.command}, {}}, settings_.bound,
                                  &stop_);
        }
        lock.lock();
        status_.uploading = false;
        if (stop_) break;
        if (result.ok) {
            ++status_.uploads;
            status_.lastSuccess = timeOfDayNow();
            status_.lastError.clear();
        } else {
            ++status_.failures;
            std::string why = result.timedOut ? settings_.timedOutText : result.output;
            // The last line the tool wrote says why.
            while (!why.empty() && (why.back() == '\n' || why.back() == '\r')) why.pop_back();
            const auto lastLine = why.find_last_of('\n');
            if (lastLine != std::string::npos) why = why.substr(lastLine + 1);
            status_.lastError = timeOfDayNow() + " " + (why.empty() ? "failed" : why);
        }
        schedule_.ended(now(), result.ok);
        status_.wait = schedule_.wait();
    }
}

}  // namespace kvt::results
