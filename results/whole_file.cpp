#include "results/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace kvt::results {

void WriteWholeFile(const std::string& path, const std::string& bytes, int mode) {
    const std::string making = path + ".making";
    // O_NOFOLLOW: never written through a symlink someone put in the temporary name's place.
    ::unlink(making.c_str());  // a leftover of a failed write, made with other rights
    const int fd = ::open(making.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          static_cast<mode_t>(mode));
    if (fd < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string reason = std::strerror(n < 0 ? errno : ENOSPC);
            ::close(fd);
            ::unlink(making.c_str());
            throw std::runtime_error(path + ": " + reason);
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(making.c_str());
        throw std::runtime_error(path + ": " + reason);
    }
    if (::rename(making.c_str(), path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(making.c_str());
        throw std::runtime_error(path + ": " + reason);
    }
}

}  // namespace kvt::results
