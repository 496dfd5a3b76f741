#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <sstream>

#include "devices/adapter.h"

namespace kvt::devices {

namespace {
constexpr int SimulatedHandle = 1;
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
        fifoFd_ = ::open(fifo_.c_str(), O_RDWR | O_NONBLOCK);
        if (fifoFd_ < 0) throw AdapterError("cannot open " + fifo_);
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
    ssize_t got;
    while ((got = ::read(fifoFd_, buffer, sizeof buffer)) > 0) pending_.append(buffer, got);
    std::size_t end;
    while ((end = pending_.find('\n')) != std::string::npos) {
        std::istringstream command(pending_.substr(0, end));
        pending_.erase(0, end + 1);
        int line = 0, level = 0;
        if (command >> line >> level && line >= 1 && line <= 6) setLevel(line - 1, level);
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
