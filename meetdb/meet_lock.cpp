#include "meetdb/meet_lock.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace kvt::meetdb {

namespace fs = std::filesystem;

namespace {

// The byte of the meet file that is locked: past the bytes SQLite locks for its own
// transactions (0x40000000 to 0x400001ff), so that the two never meet, and below 2 GiB for
// file systems that take no larger offsets. A lock is no write: the file is not changed.
constexpr off_t LockedByte = 0x40000200;

// Only this much of a holder file is read: it is one line.
constexpr std::size_t HolderBound = 512;

// The lock of the open file description: it conflicts with every other opening of the file,
// in this process too, stays when SQLite closes its own descriptors of the file (a plain
// process lock would go then), and goes with the description (and with the process when it
// dies). Where the system has no such lock, flock() serves; -1 with errno when it is held or
// fails.
int lockDescription(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = LockedByte;
    lock.l_len = 1;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return 0;
    if (errno != EINVAL) return -1;
    return ::flock(fd, LOCK_EX | LOCK_NB);
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The holder file of the file open as fd and named path: in the folder the file really lies in
// (symlinks and "." and ".." resolved), named from its inode. Every file of one folder lies on
// the folder's own file system, so the inode alone names it there, the same for a second
// machine sharing the folder (whose device numbers differ).
std::string holderPathOf(const std::string& meetPath, const struct stat& file) {
    std::error_code error;
    fs::path real = fs::canonical(meetPath, error);
    if (error) real = fs::absolute(meetPath, error);
    return (real.parent_path() / (".kvt-" + std::to_string(file.st_ino) + ".lock")).string();
}

// What a holder file says, as one line of plain characters; empty when there is none. A
// symlink, a pipe or a device in its place is never followed, waited for or read.
std::string readHolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return "";
    struct stat file {};
    std::string content;
    if (::fstat(fd, &file) == 0 && S_ISREG(file.st_mode)) {
        char buffer[HolderBound];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) content.assign(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    content = content.substr(0, content.find_first_of("\r\n"));
    for (char& c : content)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = ' ';
    return content;
}

// Writes the holder file whole beside its name and puts it in place: a symlink or anything
// else already under the name is replaced, never written through.
void writeHolder(const std::string& path, const std::string& text) {
    const std::string making = path + "." + std::to_string(::getpid());
    ::unlink(making.c_str());  // left by a program of the same number that died
    const int fd =
        ::open(making.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error(making + ": " + std::strerror(errno));
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int error = errno;
    ::close(fd);
    if (!written || ::rename(making.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(written ? errno : error);
        ::unlink(making.c_str());
        throw std::runtime_error(path + ": " + reason);
    }
}

}  // namespace

std::optional<std::string> MeetLock::PathOf(const std::string& meetPath) {
    struct stat file {};
    if (::stat(meetPath.c_str(), &file) != 0) return std::nullopt;
    return holderPathOf(meetPath, file);
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

std::unique_ptr<MeetLock> MeetLock::Take(const std::string& meetPath) {
    int fd = -1;
    struct stat locked {};
    for (int attempt = 0;; ++attempt) {
        // The file itself, never made here; a pipe in its place is not waited for.
        fd = ::open(meetPath.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) throw std::runtime_error(meetPath + ": " + std::strerror(errno));
        if (::fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            ::close(fd);
            throw std::runtime_error(meetPath + ": " + std::strerror(EINVAL));
        }
        if (lockDescription(fd) != 0) {
            const int error = errno;
            ::close(fd);
            if (error != EAGAIN && error != EACCES && error != EWOULDBLOCK)
                throw std::runtime_error(meetPath + ": " + std::strerror(error));
            // The holder writes its name just after it took the lock: a moment is given.
            const std::string holderPath = holderPathOf(meetPath, locked);
            std::string holder;
            for (int look = 0; look < 5 && holder.empty(); ++look) {
                if (look) std::this_thread::sleep_for(std::chrono::milliseconds(20));
                holder = readHolder(holderPath);
            }
            throw storage::HeldElsewhere(holder.empty() ? "?" : holder);
        }
        // Locked a file that another program replaced meanwhile (a compaction puts a new file
        // in place): that lock holds nothing, the file now under the name is locked instead.
        struct stat named {};
        if (::stat(meetPath.c_str(), &named) == 0 && sameFile(named, locked)) break;
        ::close(fd);
        if (attempt == 10) throw std::runtime_error(meetPath + ": the file keeps changing");
    }
    // Held: whatever the holder file said before was a program that is gone.
    const std::string holderPath = holderPathOf(meetPath, locked);
    try {
        writeHolder(holderPath, Holder() + "\n");
    } catch (...) {
        ::close(fd);
        throw;
    }
    return std::unique_ptr<MeetLock>(new MeetLock(fd, holderPath));
}

MeetLock::~MeetLock() {
    // The holder file goes while the file is still locked, so that it never names a program
    // that no longer holds the meet once another may take it.
    ::unlink(holderPath_.c_str());
    ::close(fd_);
}

}  // namespace kvt::meetdb
