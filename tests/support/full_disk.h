// A disk that is full for plain files: while a FullDisk lives, every write of this process
// that reaches past the size given fails as the kernel fails a write beyond RLIMIT_FSIZE
// (EFBIG, "File too large"), short writes included. SIGXFSZ, which would end the process, is
// ignored meanwhile. SQLite files are cut with the power-cut file system instead.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace kvt::testing {

class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }
    FullDisk(const FullDisk&) = delete;
    FullDisk& operator=(const FullDisk&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = SIG_DFL;
};

}  // namespace kvt::testing
