// The readers of the devices that report edges, each over the file descriptor (or ioctl
// source) its device gives, so that a test can feed them the kernel's own records.
#pragma once

#include <linux/serial.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "devices/adapter.h"

namespace kvt::devices {

// GPIO line events: one event file descriptor per wired line (-1 where none), read with
// libgpiod (each record the kernel's struct gpioevent_data, stamped by the kernel on the
// monotonic clock).
class GpioEventReader {
public:
    GpioEventReader(std::array<int, InputLines> fds, std::array<int, InputLines> levels);
    // Waits at most timeout for events of any line and adds their edges to batch. An edge in
    // the direction of the one before means the kernel's queue dropped the one between: it is
    // counted lost, and the missing edge put in at the same moment, so that the runner still
    // counts.
    void wait(std::chrono::milliseconds timeout, EdgeBatch& batch);
    int level(int channel) const { return levels_.at(channel); }

private:
    std::array<int, InputLines> fds_;
    std::array<int, InputLines> levels_;
};

// The modem control ioctls of a serial port, as the status-line back end uses them; the real
// port does each with ioctl(2).
class ModemLines {
public:
    virtual ~ModemLines() = default;
    // Each returns 0, or -1 with errno set.
    virtual int tiocmget(int& bits) = 0;
    virtual int tiocmset(int bits) = 0;
    // Sleeps until one of the lines in mask changes; -1 with errno EINTR when interrupted.
    virtual int tiocmiwait(int mask) = 0;
    virtual int tiocgicount(serial_icounter_struct& counts) = 0;
    // Makes a tiocmiwait in progress, or the next one, return with EINTR.
    virtual void interrupt() = 0;
};

// The status lines CTS, DSR, DCD and RI of a serial port: waits for their changes with
// TIOCMIWAIT on a thread of its own and counts the transitions with TIOCGICOUNT, so that a
// pulse that came and went within one wake-up is still seen, at the moment of that wake-up.
class StatusLineWaiter {
public:
    // bits[c]: the TIOCM_ bit of the status line wired to line c, 0 where none. supply: the
    // TIOCM_DTR / TIOCM_RTS bits raised while the lines are watched. now: the monotonic clock.
    StatusLineWaiter(ModemLines& io, std::array<int, InputLines> bits, int supply,
                     std::function<std::int64_t()> now);
    ~StatusLineWaiter();
    // Raises the supply, reads the levels and counts, starts the thread. Throws AdapterError.
    void start();
    void stop();
    // Waits at most timeout for edges; throws AdapterError when the port failed.
    void take(std::chrono::milliseconds timeout, EdgeBatch& batch);
    int level(int channel);
    // Wake-ups of the thread so far.
    long wakeUps();

private:
    void run();
    // Counts and levels that belong together: read until the counts did not move meanwhile.
    bool readState(serial_icounter_struct& counts, int& bits);

    ModemLines& io_;
    std::array<int, InputLines> bits_;
    int supply_;
    std::function<std::int64_t()> now_;
    std::mutex mutex_;
    std::condition_variable changed_;
    EdgeBatch pending_;
    std::array<int, InputLines> levels_{};
    serial_icounter_struct counts_{};
    std::string failure_;
    long wakeUps_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

// The transitions of one status line counted between two wake-ups.
int StatusLineCount(const serial_icounter_struct& counts, int bit);

// Key events of an input device: struct input_event records (stamped by the kernel on the clock
// the device was set to, here the monotonic clock) read from its file descriptor. A key
// pressed is level 1, let go level 0; repeats are not edges.
class KeyEventReader {
public:
    // codes[c]: the key code of line c, -1 where none. keysDown: the state of the device's
    // keys after the kernel dropped events (EVIOCGKEY), to set the lines right again.
    KeyEventReader(int fd, std::array<int, InputLines> codes, std::array<int, InputLines> levels,
                   std::function<bool(int code)> keyDown);
    void wait(std::chrono::milliseconds timeout, EdgeBatch& batch);
    int level(int channel) const { return levels_.at(channel); }

private:
    void resynchronize(std::int64_t stamp, EdgeBatch& batch);

    int fd_;
    std::array<int, InputLines> codes_;
    std::array<int, InputLines> levels_;
    std::function<bool(int)> keyDown_;
    bool dropping_ = false;  // events up to the next report are incomplete after a drop
};

}  // namespace kvt::devices
