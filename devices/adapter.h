// The digital I/O adapter: six input lines and eight output bits behind six operations.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "devices/adapter_settings.h"
#include "devices/impulse.h"
#include "devices/link_status.h"

namespace kvt::devices {

// Any failure of the adapter: no device, a device that cannot be read.
class AdapterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int InputLines = 6;

// One change of an input line as its device reports it, with the moment it happened on the
// system's monotonic clock (the kernel's own timestamp where the device gives one).
struct Edge {
    int channel = 0;  // 0 to 5
    int level = 0;    // the level after the change: 0 low, 1 high
    std::int64_t stamp = 0;
};

// What a device reported since it was last asked: its edges, oldest first, and per line how
// many edges its queue could not keep (the device says so, or its edges say so).
struct EdgeBatch {
    std::vector<Edge> edges;
    std::array<long, InputLines> lost{};
};

class Adapter {
public:
    virtual ~Adapter() = default;
    // Opens the device ("*": the first one that has six input lines); returns a handle.
    virtual int OpenNamedDevice(const std::string& name, int flags) = 0;
    virtual int GetNumberOfDigitalChannels(int handle) = 0;
    virtual int GetNumberOfAnalogChannels(int handle) = 0;
    virtual void SetDigitalBit(int handle, int bit, int value) = 0;
    // The state of input line `channel` (0 to 5): 0 low, otherwise high.
    virtual int GetDigitalBit(int handle, int channel) = 0;
    virtual void CloseDevice(int handle) = 0;

    // Back ends whose device reports each edge with its moment: the line thread waits for
    // them instead of reading the levels over and over.
    virtual bool reportsEdges() const { return false; }
    // Waits at most timeout for edges of the open device and adds them to batch. Throws
    // AdapterError when the device fails.
    virtual void waitForEdges(int handle, std::chrono::milliseconds timeout, EdgeBatch& batch);
    // The level at which line `channel` counts as active, where its wiring decides it; Meet
    // means the meet's "Signal go high / low" decides.
    virtual ActiveLevel activeLevel(int channel) const;
    // False for a line the settings leave unwired: it has no level to read.
    virtual bool wired(int) const { return true; }
    // The operator chose new settings: back ends that can be changed take them (the next
    // open uses them). A fixed back end (a test's) ignores them.
    virtual void useSettings(const AdapterSettings&) {}
    // What the device is, for the setup page ("GPIO gpiochip0", "serial /dev/ttyUSB0").
    virtual std::string description() const { return "-"; }

    // Back ends whose device sends impulses of its own (a timer, with its own time of day):
    // the poll takes them besides the edges.
    virtual bool reportsImpulses() const { return false; }
    // Moves the impulses queued since the last take into impulses, oldest first.
    virtual void takeImpulses(int handle, std::vector<Impulse>& impulses);
    // The link to a timer, for the setup page and the capture page; false for a back end
    // without one.
    virtual bool timerLink(LinkState& state, LinkCounters& counters) const;
    // Asks the timer for the times in its memory again (where it has such a command).
    virtual void askTimerMemory() {}
};

// Six input lines whose levels a test (or another process) sets. Driven from outside, it
// reads commands from a FIFO: lines "C V" set input line C (1 to 6) to level V (0 or 1). The
// control path must be a FIFO (one is made when nothing is there); each look takes a bounded
// number of bytes, and lines too long to be a command are passed over.
// Levels may be set from one thread while another reads them.
class SimulatedAdapter : public Adapter {
public:
    SimulatedAdapter() = default;
    // With a control FIFO (made when missing) that other processes write commands into.
    explicit SimulatedAdapter(std::string controlFifo);
    ~SimulatedAdapter() override;

    // Sets the level of input line channel (0 to 5); a test's hand on the line.
    void setLevel(int channel, int level);
    int level(int channel) const { return levels_.at(channel); }
    int outputBit(int bit) const { return outputs_.at(bit); }
    bool isOpen() const { return open_; }
    // The next open fails as a missing device would.
    void failNextOpen() { failOpen_ = true; }
    // Reads fail as an unplugged device would.
    void setReadFailure(bool failing) { failRead_ = failing; }
    int opens() const { return opens_; }
    int reads() const { return reads_; }

    int OpenNamedDevice(const std::string& name, int flags) override;
    int GetNumberOfDigitalChannels(int handle) override;
    int GetNumberOfAnalogChannels(int handle) override;
    void SetDigitalBit(int handle, int bit, int value) override;
    int GetDigitalBit(int handle, int channel) override;
    void CloseDevice(int handle) override;
    std::string description() const override { return "simulated " + fifo_; }

private:
    void readCommands();

    std::array<std::atomic<int>, 6> levels_{1, 1, 1, 1, 1, 1};  // idle lines are pulled high
    std::array<int, 8> outputs_{};
    std::atomic<bool> open_{false};
    bool failOpen_ = false;
    std::atomic<bool> failRead_{false};
    int opens_ = 0;
    std::atomic<int> reads_{0};
    std::string fifo_;
    int fifoFd_ = -1;
    std::string pending_;  // the start of a command not yet ended by its newline
    bool discarding_ = false;  // until the next newline: a line too long to be a command
};

// A back end made from the operator's settings.
std::unique_ptr<Adapter> MakeBackEnd(const AdapterSettings& settings);

// The adapter the program uses: the back end the settings file names, changed for another
// when the operator chooses new settings (while it is closed).
class ConfiguredAdapter : public Adapter {
public:
    explicit ConfiguredAdapter(const AdapterSettings& settings);
    ~ConfiguredAdapter() override;

    int OpenNamedDevice(const std::string& name, int flags) override;
    int GetNumberOfDigitalChannels(int handle) override;
    int GetNumberOfAnalogChannels(int handle) override;
    void SetDigitalBit(int handle, int bit, int value) override;
    int GetDigitalBit(int handle, int channel) override;
    void CloseDevice(int handle) override;
    bool reportsEdges() const override;
    void waitForEdges(int handle, std::chrono::milliseconds timeout, EdgeBatch& batch) override;
    ActiveLevel activeLevel(int channel) const override;
    bool wired(int channel) const override;
    void useSettings(const AdapterSettings& settings) override;
    std::string description() const override;
    bool reportsImpulses() const override;
    void takeImpulses(int handle, std::vector<Impulse>& impulses) override;
    bool timerLink(LinkState& state, LinkCounters& counters) const override;
    void askTimerMemory() override;
    const AdapterSettings& settings() const { return settings_; }

private:
    AdapterSettings settings_;
    std::unique_ptr<Adapter> backEnd_;
    bool open_ = false;
};

// The adapter the program uses, from the settings file Adapter.ini in the settings folder.
std::unique_ptr<Adapter> MakeAdapter(const std::string& settingsFolder);

}  // namespace kvt::devices
