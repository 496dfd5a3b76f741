#include "base/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace kvt::base {

namespace {

std::string failure(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A name beside path that no other writer (another thread, another program) uses.
std::string makingName(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return path + ".making-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

// Writes all of bytes; false with errno set when the file system takes less.
bool writeAll(int fd, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// Syncs the folder so that the rename survives a power cut. A file system that cannot sync
// folders (EINVAL) has nothing to sync.
int syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace

void WriteWholeFile(const std::string& path, std::string_view bytes, WriteOptions options) {
    const std::string making = makingName(path);
    // O_EXCL: never through a link or over a file someone else is making.
    const int fd = ::open(making.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          static_cast<mode_t>(options.mode));
    if (fd < 0) throw FileError(failure(path, errno));
    int error = 0;
    if (!writeAll(fd, bytes) || (options.synced && ::fsync(fd) != 0)) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(making.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(making.c_str());
        throw FileError(failure(path, error));
    }
    if (!options.synced) return;
    if (const int synced = syncFolder(folderOf(path)); synced != 0)
        throw FileError(failure(path, synced));
}

std::optional<std::string> ReadSettingsFile(const std::string& path, std::size_t limit) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
        throw FileError(failure(path, errno));
    }
    // Looked at before it is opened: opening a FIFO or a device may wait, or do something.
    if (!S_ISREG(status.st_mode)) throw FileError(path + ": no regular file");
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw FileError(failure(path, errno));
    std::string text;
    int error = 0;
    // Looked at again: the name may have been given to something else meanwhile.
    if (::fstat(fd, &status) != 0) {
        error = errno;
    } else if (!S_ISREG(status.st_mode)) {
        ::close(fd);
        throw FileError(path + ": no regular file");
    } else {
        char buffer[4096];
        while (text.size() <= limit) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = errno;
                break;
            }
            if (n == 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
    }
    ::close(fd);
    if (error != 0) throw FileError(failure(path, error));
    if (text.size() > limit)
        throw FileError(path + ": larger than " + std::to_string(limit) + " bytes");
    return text;
}

}  // namespace kvt::base
