// The back ends of the adapter for real devices, each made from the operator's settings.
#pragma once

#include <memory>

#include "devices/adapter.h"

namespace kvt::devices {

// GPIO lines of a chip through libgpiod: each wired line requested for both edges with the
// bias chosen for it; outputs only on the lines the settings name.
class GpioAdapter : public Adapter {
public:
    explicit GpioAdapter(AdapterSettings settings = DefaultSettings(DeviceKind::Gpio));
    ~GpioAdapter() override;
    int OpenNamedDevice(const std::string& name, int flags) override;
    int GetNumberOfDigitalChannels(int handle) override;
    int GetNumberOfAnalogChannels(int handle) override;
    void SetDigitalBit(int handle, int bit, int value) override;
    int GetDigitalBit(int handle, int channel) override;
    void CloseDevice(int handle) override;
    bool reportsEdges() const override { return true; }
    void waitForEdges(int handle, std::chrono::milliseconds timeout, EdgeBatch& batch) override;
    ActiveLevel activeLevel(int channel) const override;
    std::string description() const override;
    bool wired(int channel) const override { return settings_.lines.at(channel).wired(); }

private:
    struct Device;
    AdapterSettings settings_;
    std::unique_ptr<Device> device_;
};

// The status lines of a serial port (a USB-serial adapter), with DTR and RTS as supply.
class SerialAdapter : public Adapter {
public:
    explicit SerialAdapter(AdapterSettings settings);
    ~SerialAdapter() override;
    int OpenNamedDevice(const std::string& name, int flags) override;
    int GetNumberOfDigitalChannels(int handle) override;
    int GetNumberOfAnalogChannels(int handle) override;
    void SetDigitalBit(int handle, int bit, int value) override;
    int GetDigitalBit(int handle, int channel) override;
    void CloseDevice(int handle) override;
    bool reportsEdges() const override { return true; }
    void waitForEdges(int handle, std::chrono::milliseconds timeout, EdgeBatch& batch) override;
    ActiveLevel activeLevel(int channel) const override;
    std::string description() const override;
    bool wired(int channel) const override { return settings_.lines.at(channel).wired(); }

private:
    struct Device;
    AdapterSettings settings_;
    std::unique_ptr<Device> device_;
};

// Keys of an input device (button box, foot switch, presenter) through evdev.
class KeyAdapter : public Adapter {
public:
    explicit KeyAdapter(AdapterSettings settings);
    ~KeyAdapter() override;
    int OpenNamedDevice(const std::string& name, int flags) override;
    int GetNumberOfDigitalChannels(int handle) override;
    int GetNumberOfAnalogChannels(int handle) override;
    void SetDigitalBit(int handle, int bit, int value) override;
    int GetDigitalBit(int handle, int channel) override;
    void CloseDevice(int handle) override;
    bool reportsEdges() const override { return true; }
    void waitForEdges(int handle, std::chrono::milliseconds timeout, EdgeBatch& batch) override;
    // A key counts as active while it is pressed, unless the settings say otherwise.
    ActiveLevel activeLevel(int channel) const override;
    std::string description() const override;
    bool wired(int channel) const override { return settings_.lines.at(channel).wired(); }

private:
    struct Device;
    AdapterSettings settings_;
    std::unique_ptr<Device> device_;
};

// The TIOCM_ bit of a status line named CTS, DSR, DCD (or CD) or RI (or RNG); 0 for others.
int StatusLineBit(const std::string& name);
// The key code of a name such as KEY_F13 or BTN_0, or of a number; -1 for neither.
int KeyCode(const std::string& name);

}  // namespace kvt::devices
