#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "devices/adapter.h"

namespace kvt::devices {

namespace {
constexpr int SimulatedHandle = 1;
// What one look at the control FIFO takes at most: far more than a test writes between two
// readings, yet bounded, so that a writer that never stops cannot hold up the line thread.
constexpr std::size_t MostBytesPerLook = 4096;
// A command is "C V"; a line longer than this is garbage and is passed over.
constexpr std::size_t LongestCommand = 64;
}

SimulatedAdapter::SimulatedAdapter(std::string controlFifo) : fifo_(std::move(controlFifo)) {}

SimulatedAdapter::~SimulatedAdapter() {
    if (fifoFd_ >= 0) ::close(fifoFd_);
}

void SimulatedAdapter::setLevel(int channel, int level) {
    levels_.at(channel) = level ? 1 : 0;
}

int SimulatedAdapter::OpenNamedDevice(const std::string&, int) {
    if (failOpen_) {
        failOpen_ = false;
        throw AdapterError("no simulated device");
    }
    if (!fifo_.empty() && fifoFd_ < 0) {
        if (::mkfifo(fifo_.c_str(), 0600) != 0 && errno != EEXIST)
            throw AdapterError("cannot make " + fifo_);
        // Read and write, so that the FIFO stays open between writers.
        fifoFd_ = ::open(fifo_.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fifoFd_ < 0)
            throw AdapterError("control=" + fifo_ + ": cannot be opened: " + std::strerror(errno));
        // Only a FIFO: a file or a device (/dev/zero) in its place would be read without end.
        struct stat status {};
        if (::fstat(fifoFd_, &status) != 0 || !S_ISFIFO(status.st_mode)) {
            ::close(fifoFd_);
            fifoFd_ = -1;
            throw AdapterError("control=" + fifo_ + ": no FIFO");
        }
    }
    open_ = true;
    ++opens_;
    return SimulatedHandle;
}

int SimulatedAdapter::GetNumberOfDigitalChannels(int) {
    return 6;
}

int SimulatedAdapter::GetNumberOfAnalogChannels(int) {
    return 0;
}

void SimulatedAdapter::SetDigitalBit(int, int bit, int value) {
    if (bit >= 0 && bit < 8) outputs_[bit] = value;
}

void SimulatedAdapter::readCommands() {
    char buffer[512];
    std::size_t taken = 0;
    ssize_t got;
    while (taken < MostBytesPerLook && (got = ::read(fifoFd_, buffer, sizeof buffer)) > 0) {
        pending_.append(buffer, static_cast<std::size_t>(got));
        taken += static_cast<std::size_t>(got);
    }
    std::size_t start = 0, end;
    while ((end = pending_.find('\n', start)) != std::string::npos) {
        if (discarding_) {
            discarding_ = false;  // the end of a line too long to be a command
        } else if (end - start <= LongestCommand) {
            std::istringstream command(pending_.substr(start, end - start));
            int line = 0, level = 0;
            if (command >> line >> level && line >= 1 && line <= 6) setLevel(line - 1, level);
        }
        start = end + 1;
    }
    pending_.erase(0, start);
    // What is left is the start of a command still being written, or garbage without an end.
    if (pending_.size() > LongestCommand) {
        pending_.clear();
        discarding_ = true;
    }
}

int SimulatedAdapter::GetDigitalBit(int handle, int channel) {
    if (!open_ || handle != SimulatedHandle || failRead_) throw AdapterError("no device");
    if (channel < 0 || channel > 5) throw AdapterError("no such channel");
    ++reads_;
    if (fifoFd_ >= 0 && channel == 0) readCommands();
    return levels_[channel];
}

void SimulatedAdapter::CloseDevice(int) {
    open_ = false;
}

}  // namespace kvt::devices
