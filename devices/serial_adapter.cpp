#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "base/clock.h"
#include "devices/back_ends.h"
#include "devices/edge_readers.h"

namespace kvt::devices {

int StatusLineCount(const serial_icounter_struct& counts, int bit) {
    switch (bit) {
        case TIOCM_CTS:
            return counts.cts;
        case TIOCM_DSR:
            return counts.dsr;
        case TIOCM_CD:
            return counts.dcd;
        case TIOCM_RI:
            return counts.rng;
        default:
            return 0;
    }
}

int StatusLineBit(const std::string& name) {
    if (name == "CTS") return TIOCM_CTS;
    if (name == "DSR") return TIOCM_DSR;
    if (name == "DCD" || name == "CD") return TIOCM_CD;
    if (name == "RI" || name == "RNG") return TIOCM_RI;
    return 0;
}

StatusLineWaiter::StatusLineWaiter(ModemLines& io, std::array<int, InputLines> bits, int supply,
                                   std::function<std::int64_t()> now)
    : io_(io), bits_(bits), supply_(supply), now_(std::move(now)) {}

StatusLineWaiter::~StatusLineWaiter() {
    stop();
}

bool StatusLineWaiter::readState(serial_icounter_struct& counts, int& bits) {
    // A transition between reading the counts and the levels would make them disagree; a
    // few tries find a moment without one.
    for (int attempt = 0; attempt < 8; ++attempt) {
        serial_icounter_struct after{};
        if (io_.tiocgicount(counts) != 0 || io_.tiocmget(bits) != 0 || io_.tiocgicount(after) != 0)
            return false;
        bool same = true;
        for (int bit : bits_)
            if (bit && StatusLineCount(counts, bit) != StatusLineCount(after, bit)) same = false;
        counts = after;
        if (same) return true;
    }
    return true;  // the lines bounce; the next wake-up goes on from these counts
}

void StatusLineWaiter::start() {
    stop();
    int bits = 0;
    if (io_.tiocmget(bits) != 0 || io_.tiocmset(bits | supply_) != 0)
        throw AdapterError(std::string("cannot set the control lines: ") + std::strerror(errno));
    serial_icounter_struct counts{};
    if (!readState(counts, bits))
        throw AdapterError(std::string("cannot read the status lines: ") + std::strerror(errno));
    {
        std::lock_guard lock(mutex_);
        counts_ = counts;
        for (int c = 0; c < InputLines; ++c)
            levels_[c] = bits_[c] ? ((bits & bits_[c]) ? 1 : 0) : -1;
        pending_ = {};
        failure_.clear();
        wakeUps_ = 0;
    }
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void StatusLineWaiter::stop() {
    if (!thread_.joinable()) return;
    stopping_ = true;
    io_.interrupt();
    thread_.join();
}

void StatusLineWaiter::run() {
    int mask = 0;
    for (int bit : bits_) mask |= bit;
    while (!stopping_) {
        if (io_.tiocmiwait(mask) != 0) {
            if (errno == EINTR) continue;
            std::lock_guard lock(mutex_);
            failure_ = std::string("the serial port failed: ") + std::strerror(errno);
            changed_.notify_all();
            return;
        }
        // The moment of the wake-up is the best the port tells of when its lines changed.
        const std::int64_t stamp = now_();
        serial_icounter_struct counts{};
        int bits = 0;
        std::lock_guard lock(mutex_);
        ++wakeUps_;
        if (!readState(counts, bits)) {
            failure_ = std::string("the serial port failed: ") + std::strerror(errno);
            changed_.notify_all();
            return;
        }
        for (int c = 0; c < InputLines; ++c) {
            const int bit = bits_[c];
            if (!bit) continue;
            int transitions = StatusLineCount(counts, bit) - StatusLineCount(counts_, bit);
            const int before = levels_[c];
            const int now = (bits & bit) ? 1 : 0;
            // The level read is the truth: a count that disagrees with it missed a transition
            // (many UARTs count only the trailing edge of RI).
            if ((transitions % 2 == 1) != (before != now)) ++transitions;
            // Transitions within one wake-up happened at its moment: a pulse is one edge each
            // way, however often the contact bounced.
            const int edges = transitions == 0 ? 0 : (transitions % 2 == 1 ? 1 : 2);
            int level = before;
            for (int e = 0; e < edges; ++e) {
                level = 1 - level;
                pending_.edges.push_back({c, level, stamp});
            }
            levels_[c] = now;
        }
        counts_ = counts;
        changed_.notify_all();
    }
}

void StatusLineWaiter::take(std::chrono::milliseconds timeout, EdgeBatch& batch) {
    std::unique_lock lock(mutex_);
    if (pending_.edges.empty() && failure_.empty())
        changed_.wait_for(lock, timeout,
                          [&] { return !pending_.edges.empty() || !failure_.empty(); });
    if (!failure_.empty()) throw AdapterError(failure_);
    batch.edges.insert(batch.edges.end(), pending_.edges.begin(), pending_.edges.end());
    for (int c = 0; c < InputLines; ++c) batch.lost[c] += pending_.lost[c];
    pending_ = {};
}

int StatusLineWaiter::level(int channel) {
    std::lock_guard lock(mutex_);
    return levels_.at(channel);
}

long StatusLineWaiter::wakeUps() {
    std::lock_guard lock(mutex_);
    return wakeUps_;
}

namespace {

// The signal that interrupts a thread sleeping in TIOCMIWAIT: its handler does nothing, and it
// is installed without SA_RESTART so that the ioctl returns EINTR.
constexpr int WakeSignal = SIGUSR2;

void installWakeHandler() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigemptyset(&action.sa_mask);
        action.sa_flags = 0;
        return sigaction(WakeSignal, &action, nullptr) == 0;
    }();
    (void)installed;
}

class SerialPort : public ModemLines {
public:
    explicit SerialPort(const std::string& path) {
        const std::string setting = "port=" + path + " (Adapter.ini)";
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) throw AdapterError(setting + ": " + std::strerror(errno));
        // A serial port is a character device; a file or a FIFO in its place is none.
        struct stat status {};
        if (::fstat(fd_, &status) != 0 || !S_ISCHR(status.st_mode)) {
            ::close(fd_);
            throw AdapterError(setting + ": no serial port");
        }
        installWakeHandler();
    }
    ~SerialPort() override { ::close(fd_); }
    int tiocmget(int& bits) override { return ::ioctl(fd_, TIOCMGET, &bits); }
    int tiocmset(int bits) override { return ::ioctl(fd_, TIOCMSET, &bits); }
    int tiocmiwait(int mask) override {
        waiter_ = pthread_self();
        waiting_ = true;
        if (interrupted_.exchange(false)) {
            waiting_ = false;
            errno = EINTR;
            return -1;
        }
        const int result = ::ioctl(fd_, TIOCMIWAIT, mask);
        waiting_ = false;
        return result;
    }
    int tiocgicount(serial_icounter_struct& counts) override {
        return ::ioctl(fd_, TIOCGICOUNT, &counts);
    }
    void interrupt() override {
        interrupted_ = true;
        // The signal may come just before the thread enters the ioctl: it is sent again until
        // the thread has left it.
        for (int i = 0; i < 200 && waiting_; ++i) {
            pthread_kill(waiter_, WakeSignal);
            if (!waiting_) break;
            ::usleep(5000);
        }
    }

private:
    int fd_ = -1;
    std::atomic<bool> interrupted_{false};
    std::atomic<bool> waiting_{false};
    pthread_t waiter_{};
};

}  // namespace

struct SerialAdapter::Device {
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<StatusLineWaiter> waiter;
};

SerialAdapter::SerialAdapter(AdapterSettings settings) : settings_(std::move(settings)) {}
SerialAdapter::~SerialAdapter() = default;

int SerialAdapter::OpenNamedDevice(const std::string&, int) {
    device_.reset();
    std::array<int, InputLines> bits{};
    for (int c = 0; c < InputLines; ++c) {
        const auto& line = settings_.lines[c];
        if (!line.wired()) continue;
        bits[c] = StatusLineBit(line.source);
        if (!bits[c])
            throw AdapterError("line " + std::to_string(c + 1) + ": \"" + line.source +
                               "\" is none of CTS, DSR, DCD, RI");
    }
    int supply = 0;
    std::istringstream named(settings_.supply);
    std::string item;
    while (std::getline(named, item, ',')) {
        if (item.find("DTR") != std::string::npos) supply |= TIOCM_DTR;
        if (item.find("RTS") != std::string::npos) supply |= TIOCM_RTS;
    }
    auto device = std::make_unique<Device>();
    device->port =
        std::make_unique<SerialPort>(settings_.path.empty() ? "/dev/ttyUSB0" : settings_.path);
    device->waiter =
        std::make_unique<StatusLineWaiter>(*device->port, bits, supply, base::MonotonicNow);
    device->waiter->start();
    device_ = std::move(device);
    return 1;
}

int SerialAdapter::GetNumberOfDigitalChannels(int) {
    int wired = 0;
    for (const auto& line : settings_.lines) wired += line.wired() ? 1 : 0;
    return device_ ? wired : 0;
}

int SerialAdapter::GetNumberOfAnalogChannels(int) {
    return 0;
}

void SerialAdapter::SetDigitalBit(int, int, int) {
    // DTR and RTS are the supply of the lines; the port has no outputs of its own to set.
}

int SerialAdapter::GetDigitalBit(int, int channel) {
    if (!device_) throw AdapterError("no serial port");
    return device_->waiter->level(channel);
}

void SerialAdapter::waitForEdges(int, std::chrono::milliseconds timeout, EdgeBatch& batch) {
    if (!device_) throw AdapterError("no serial port");
    device_->waiter->take(timeout, batch);
}

ActiveLevel SerialAdapter::activeLevel(int channel) const {
    return settings_.lines.at(channel).active;
}

std::string SerialAdapter::description() const {
    return "serial " + settings_.path;
}

void SerialAdapter::CloseDevice(int) {
    if (device_) device_->waiter->stop();
    device_.reset();
}

}  // namespace kvt::devices
