#include "devices/timer_adapter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace kvt::devices {

TimerLinkSettings TimerSettingsOf(const AdapterSettings& settings) {
    TimerLinkSettings link;
    if (!ParseTimerKindName(settings.timer, link.kind))
        throw AdapterError("\"" + settings.timer + "\" is no kind of timer this program reads");
    link.port = settings.path.empty() ? "/dev/ttyUSB0" : settings.path;
    link.rate = settings.rate > 0 ? settings.rate : DefaultRate(link.kind);
    link.rtsCts = settings.rtsCts;
    link.memoryWord = settings.memoryWord;
    for (int c = 0; c < InputLines; ++c)
        link.lines[c] = settings.lines[c].wired() ? settings.lines[c].source : "-";
    return link;
}

TimerAdapter::TimerAdapter(AdapterSettings settings) : settings_(std::move(settings)) {}
TimerAdapter::~TimerAdapter() = default;

int TimerAdapter::OpenNamedDevice(const std::string&, int) {
    link_.reset();
    TimerLinkSettings link = TimerSettingsOf(settings_);
    const int fd = ::open(link.port.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) throw AdapterError("cannot open " + link.port + ": " + std::strerror(errno));
    const std::string failure = ConfigureSerialPort(fd, link.rate, link.rtsCts);
    ::close(fd);
    if (!failure.empty()) throw AdapterError(link.port + ": " + failure);
    link_ = std::make_unique<TimerLink>(std::move(link));
    link_->start();
    return 1;
}

int TimerAdapter::GetNumberOfDigitalChannels(int) {
    int wired = 0;
    for (const auto& line : settings_.lines) wired += line.wired() ? 1 : 0;
    return link_ ? wired : 0;
}

int TimerAdapter::GetNumberOfAnalogChannels(int) {
    return 0;
}

void TimerAdapter::SetDigitalBit(int, int, int) {
    // A timer has no outputs the program drives.
}

int TimerAdapter::GetDigitalBit(int, int) {
    if (!link_) throw AdapterError("no timer");
    return 0;
}

void TimerAdapter::waitForEdges(int, std::chrono::milliseconds timeout, EdgeBatch&) {
    if (!link_) throw AdapterError("no timer");
    // No edges ever come; the line thread waits as it would for them, without spinning.
    std::this_thread::sleep_for(timeout);
}

ActiveLevel TimerAdapter::activeLevel(int) const {
    return ActiveLevel::High;
}

std::string TimerAdapter::description() const {
    return "timer " + settings_.timer + " " +
           (settings_.path.empty() ? "/dev/ttyUSB0" : settings_.path);
}

void TimerAdapter::takeImpulses(int, std::vector<Impulse>& impulses) {
    if (!link_) throw AdapterError("no timer");
    link_->take(std::chrono::milliseconds(0), impulses);
}

bool TimerAdapter::timerLink(LinkState& state, LinkCounters& counters) const {
    state = link_ ? link_->state() : LinkState::Stopped;
    counters = link_ ? link_->counters() : LinkCounters{};
    return true;
}

void TimerAdapter::askTimerMemory() {
    if (link_) link_->askMemory();
}

void TimerAdapter::CloseDevice(int) {
    link_.reset();
}

}  // namespace kvt::devices
