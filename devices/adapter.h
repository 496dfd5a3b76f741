// The digital I/O adapter: six input lines and eight output bits behind six operations.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>

namespace kvt::devices {

// Any failure of the adapter: no device, a device that cannot be read.
class AdapterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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
};

// Six input lines whose levels a test (or another process) sets. Driven from outside, it
// reads commands from a FIFO: lines "C V" set input line C (1 to 6) to level V (0 or 1).
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
    std::string pending_;
};

// The Linux GPIO character device through libgpiod: lines 0 to 5 of the chip are the inputs,
// lines 6 to 13 (where the chip has them) the output bits.
class GpioAdapter : public Adapter {
public:
    GpioAdapter();
    ~GpioAdapter() override;
    int OpenNamedDevice(const std::string& name, int flags) override;
    int GetNumberOfDigitalChannels(int handle) override;
    int GetNumberOfAnalogChannels(int handle) override;
    void SetDigitalBit(int handle, int bit, int value) override;
    int GetDigitalBit(int handle, int channel) override;
    void CloseDevice(int handle) override;

private:
    struct Device;
    std::unique_ptr<Device> device_;
};

// The adapter the program uses: the settings file Adapter.ini in the program folder may name
// "device=simulated" (with "control=PATH" for its FIFO) or "device=gpio" (the default).
std::unique_ptr<Adapter> MakeAdapter(const std::string& programFolder);

}  // namespace kvt::devices
