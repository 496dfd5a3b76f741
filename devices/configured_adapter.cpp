#include "devices/back_ends.h"
#include "devices/timer_adapter.h"

namespace kvt::devices {

void Adapter::waitForEdges(int, std::chrono::milliseconds, EdgeBatch&) {}

void Adapter::takeImpulses(int, std::vector<Impulse>&) {}

bool Adapter::timerLink(LinkState&, LinkCounters&) const {
    return false;
}

ActiveLevel Adapter::activeLevel(int) const {
    return ActiveLevel::Meet;
}

std::unique_ptr<Adapter> MakeBackEnd(const AdapterSettings& settings) {
    switch (settings.device) {
        case DeviceKind::Simulated:
            return std::make_unique<SimulatedAdapter>(settings.path);
        case DeviceKind::Serial:
            return std::make_unique<SerialAdapter>(settings);
        case DeviceKind::Keys:
            return std::make_unique<KeyAdapter>(settings);
        case DeviceKind::Timer:
            return std::make_unique<TimerAdapter>(settings);
        case DeviceKind::Gpio:
            break;
    }
    return std::make_unique<GpioAdapter>(settings);
}

ConfiguredAdapter::ConfiguredAdapter(const AdapterSettings& settings)
    : settings_(settings), backEnd_(MakeBackEnd(settings)) {}

ConfiguredAdapter::~ConfiguredAdapter() = default;

int ConfiguredAdapter::OpenNamedDevice(const std::string& name, int flags) {
    const int handle = backEnd_->OpenNamedDevice(name, flags);
    open_ = true;
    return handle;
}

int ConfiguredAdapter::GetNumberOfDigitalChannels(int handle) {
    return backEnd_->GetNumberOfDigitalChannels(handle);
}

int ConfiguredAdapter::GetNumberOfAnalogChannels(int handle) {
    return backEnd_->GetNumberOfAnalogChannels(handle);
}

void ConfiguredAdapter::SetDigitalBit(int handle, int bit, int value) {
    backEnd_->SetDigitalBit(handle, bit, value);
}

int ConfiguredAdapter::GetDigitalBit(int handle, int channel) {
    return backEnd_->GetDigitalBit(handle, channel);
}

void ConfiguredAdapter::CloseDevice(int handle) {
    open_ = false;
    backEnd_->CloseDevice(handle);
}

bool ConfiguredAdapter::reportsEdges() const {
    return backEnd_->reportsEdges();
}

void ConfiguredAdapter::waitForEdges(int handle, std::chrono::milliseconds timeout,
                                     EdgeBatch& batch) {
    backEnd_->waitForEdges(handle, timeout, batch);
}

ActiveLevel ConfiguredAdapter::activeLevel(int channel) const {
    return backEnd_->activeLevel(channel);
}

bool ConfiguredAdapter::wired(int channel) const {
    return backEnd_->wired(channel);
}

void ConfiguredAdapter::useSettings(const AdapterSettings& settings) {
    // The program closes the device first; a back end still open is closed here rather than
    // left holding its lines.
    if (open_) CloseDevice(1);
    settings_ = settings;
    backEnd_ = MakeBackEnd(settings);
}

std::string ConfiguredAdapter::description() const {
    return backEnd_->description();
}

bool ConfiguredAdapter::reportsImpulses() const {
    return backEnd_->reportsImpulses();
}

void ConfiguredAdapter::takeImpulses(int handle, std::vector<Impulse>& impulses) {
    backEnd_->takeImpulses(handle, impulses);
}

bool ConfiguredAdapter::timerLink(LinkState& state, LinkCounters& counters) const {
    return backEnd_->timerLink(state, counters);
}

void ConfiguredAdapter::askTimerMemory() {
    backEnd_->askTimerMemory();
}

std::unique_ptr<Adapter> MakeAdapter(const std::string& settingsFolder) {
    return std::make_unique<ConfiguredAdapter>(
        ReadAdapterSettings(AdapterSettingsPath(settingsFolder)));
}

}  // namespace kvt::devices
