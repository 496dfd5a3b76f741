// Devices of the adapter's back ends over pipes, for tests and benchmarks: the read end of a
// pipe stands for a device's file descriptor, and what is written into it is what the kernel
// would write (GPIO event records here).
#pragma once

#include <fcntl.h>
#include <linux/gpio.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "devices/adapter.h"
#include "devices/edge_readers.h"

namespace kvt::testing {

struct Pipe {
    int read = -1, write = -1;
    Pipe() {
        int fds[2];
        if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
            read = fds[0];
            write = fds[1];
        }
    }
    ~Pipe() {
        ::close(read);
        ::close(write);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    // False when the record did not go in whole.
    template <typename Record>
    bool put(const Record& record) {
        return ::write(write, &record, sizeof record) == static_cast<ssize_t>(sizeof record);
    }
};

// What the kernel writes into a GPIO line's event file descriptor.
inline gpioevent_data GpioEdgeRecord(bool rising, std::int64_t stamp) {
    gpioevent_data event{};
    event.timestamp = static_cast<__u64>(stamp);
    event.id = rising ? GPIOEVENT_EVENT_RISING_EDGE : GPIOEVENT_EVENT_FALLING_EDGE;
    return event;
}

// The GPIO back end's reader over six pipes, as the adapter the program uses.
class PipeGpio : public devices::Adapter {
public:
    std::array<Pipe, 6> lines;
    std::array<int, 6> levels{1, 1, 1, 1, 1, 1};  // idle lines pulled up
    // An edge on line c (0 to 5) with the kernel's timestamp; false when it could not be written.
    bool edge(int c, bool rising, std::int64_t stamp) {
        return lines[c].put(GpioEdgeRecord(rising, stamp));
    }
    int OpenNamedDevice(const std::string&, int) override {
        std::array<int, 6> fds;
        for (int c = 0; c < 6; ++c) fds[c] = lines[c].read;
        reader_ = std::make_unique<devices::GpioEventReader>(fds, levels);
        return 1;
    }
    int GetNumberOfDigitalChannels(int) override { return 6; }
    int GetNumberOfAnalogChannels(int) override { return 0; }
    void SetDigitalBit(int, int, int) override {}
    int GetDigitalBit(int, int c) override { return reader_->level(c); }
    void CloseDevice(int) override { reader_.reset(); }
    bool reportsEdges() const override { return true; }
    void waitForEdges(int, std::chrono::milliseconds timeout, devices::EdgeBatch& batch) override {
        reader_->wait(timeout, batch);
    }

private:
    std::unique_ptr<devices::GpioEventReader> reader_;
};

}  // namespace kvt::testing
