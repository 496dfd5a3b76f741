// The adapter's back end for a timer on a serial port: its records come as impulses with the
// timer's own time of day (see TimerLink); the lines the settings map its channels to have no
// level of their own and give no edges.
#pragma once

#include <memory>

#include "devices/adapter.h"
#include "devices/timer_link.h"

namespace kvt::devices {

// The link's settings from the operator's: the kind named, the port (the first USB-serial
// adapter when none is named), the rate (the timer's own when none), the channel of each line.
// Throws AdapterError for a kind of timer or a rate the program does not know.
TimerLinkSettings TimerSettingsOf(const AdapterSettings& settings);

class TimerAdapter : public Adapter {
public:
    explicit TimerAdapter(AdapterSettings settings);
    ~TimerAdapter() override;
    // Opens the port once to tell a wrong port or rate at once; then the link's thread holds
    // it, and opens it again whenever the cable comes back.
    int OpenNamedDevice(const std::string& name, int flags) override;
    int GetNumberOfDigitalChannels(int handle) override;
    int GetNumberOfAnalogChannels(int handle) override;
    void SetDigitalBit(int handle, int bit, int value) override;
    // A timer's line is never active by level: its times come as impulses.
    int GetDigitalBit(int handle, int channel) override;
    void CloseDevice(int handle) override;
    bool reportsEdges() const override { return true; }
    void waitForEdges(int handle, std::chrono::milliseconds timeout, EdgeBatch& batch) override;
    ActiveLevel activeLevel(int channel) const override;
    bool wired(int channel) const override { return settings_.lines.at(channel).wired(); }
    std::string description() const override;
    bool reportsImpulses() const override { return true; }
    void takeImpulses(int handle, std::vector<Impulse>& impulses) override;
    bool timerLink(LinkState& state, LinkCounters& counters) const override;
    void askTimerMemory() override;

private:
    AdapterSettings settings_;
    std::unique_ptr<TimerLink> link_;
};

}  // namespace kvt::devices
