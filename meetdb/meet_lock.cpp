#include "meetdb/meet_lock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <stdexcept>

namespace kvt::meetdb {

namespace {

std::string readAll(int fd) {
    std::string content;
    char buffer[512];
    ::lseek(fd, 0, SEEK_SET);
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        content.append(buffer, static_cast<std::size_t>(n));
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r'))
        content.pop_back();
    return content;
}

// The lock of the open file description: it conflicts with every other opening of the file,
// in this process too, and goes with the description (and with the process when it dies).
// Where the system has no such lock, flock() serves; -1 with errno when it is held or fails.
int lockDescription(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
    if (errno != EINVAL) return -1;
    return ::flock(fd, LOCK_EX | LOCK_NB);
}

}  // namespace

std::string MeetLock::PathOf(const std::string& meetPath) {
    return meetPath + ".lock";
}

std::string MeetLock::Holder() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    std::string user = std::to_string(::getuid());
    if (const passwd* entry = ::getpwuid(::getuid())) user = entry->pw_name;
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char since[32];
    std::strftime(since, sizeof since, "%Y-%m-%d %H:%M:%S", &local);
    return std::string("kvt, ") + user + "@" + host + ", process " + std::to_string(::getpid()) +
           ", " + since;
}

// True while path still names the file open as fd (a holder leaving removes it).
bool stillNamed(int fd, const std::string& path) {
    struct stat open {
    }, named{};
    return ::fstat(fd, &open) == 0 && ::stat(path.c_str(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

std::unique_ptr<MeetLock> MeetLock::Take(const std::string& meetPath) {
    const std::string path = PathOf(meetPath);
    int fd = -1;
    for (int attempt = 0;; ++attempt) {
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
        if (lockDescription(fd) != 0) {
            const int error = errno;
            std::string holder = readAll(fd);
            ::close(fd);
            if (error == EAGAIN || error == EACCES || error == EWOULDBLOCK)
                throw storage::HeldElsewhere(holder.empty() ? "?" : holder);
            throw std::runtime_error(path + ": " + std::strerror(error));
        }
        // Locked a file its holder removed meanwhile: that lock holds nothing.
        if (stillNamed(fd, path)) break;
        ::close(fd);
        if (attempt == 10) throw std::runtime_error(path + ": the lock file keeps changing");
    }
    // Held: whatever the file said before was a program that is gone.
    const std::string me = Holder() + "\n";
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, me.data(), me.size(), 0) < 0 || ::fsync(fd) != 0) {
        const std::string reason = std::strerror(errno);
        ::close(fd);
        throw std::runtime_error(path + ": " + reason);
    }
    return std::unique_ptr<MeetLock>(new MeetLock(fd, path));
}

MeetLock::~MeetLock() {
    // The file goes while still locked, so that no other program takes a lock on a file that
    // is about to vanish.
    ::unlink(path_.c_str());
    ::close(fd_);
}

}  // namespace kvt::meetdb
