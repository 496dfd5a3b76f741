#include <fcntl.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "devices/back_ends.h"
#include "devices/edge_readers.h"

namespace kvt::devices {

namespace {
constexpr std::int64_t Second = 1000000000;
constexpr int KeyStateBytes = KEY_MAX / 8 + 1;
}  // namespace

int KeyCode(const std::string& name) {
    if (name.empty() || name == "-") return -1;
    if (name.find_first_not_of("0123456789") == std::string::npos) {
        try {
            const int code = std::stoi(name);
            return code >= 0 && code <= KEY_MAX ? code : -1;
        } catch (const std::exception&) {
            return -1;
        }
    }
    return libevdev_event_code_from_name(EV_KEY, name.c_str());
}

KeyEventReader::KeyEventReader(int fd, std::array<int, InputLines> codes,
                               std::array<int, InputLines> levels, std::function<bool(int)> keyDown)
    : fd_(fd), codes_(codes), levels_(levels), keyDown_(std::move(keyDown)) {}

void KeyEventReader::resynchronize(std::int64_t stamp, EdgeBatch& batch) {
    // The kernel cannot say which presses it dropped: every key line is told it may have
    // lost edges, and each takes the state the device has now.
    for (int c = 0; c < InputLines; ++c) {
        if (codes_[c] < 0) continue;
        ++batch.lost[c];
        const int level = keyDown_ && keyDown_(codes_[c]) ? 1 : 0;
        if (level != levels_[c]) batch.edges.push_back({c, level, stamp});
        levels_[c] = level;
    }
}

void KeyEventReader::wait(std::chrono::milliseconds timeout, EdgeBatch& batch) {
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = ::poll(&waiting, 1, static_cast<int>(timeout.count()));
    if (ready < 0) {
        if (errno == EINTR) return;
        throw AdapterError(std::string("cannot wait for keys: ") + std::strerror(errno));
    }
    if (ready == 0) return;
    if ((waiting.revents & (POLLERR | POLLHUP | POLLNVAL)) && !(waiting.revents & POLLIN))
        throw AdapterError("the key device is gone");
    input_event events[64];
    const ssize_t got = ::read(fd_, events, sizeof events);
    if (got < 0) {
        if (errno == EAGAIN || errno == EINTR) return;
        throw AdapterError(std::string("cannot read keys: ") + std::strerror(errno));
    }
    if (got == 0) throw AdapterError("the key device is gone");
    const std::size_t count = static_cast<std::size_t>(got) / sizeof(input_event);
    for (std::size_t i = 0; i < count; ++i) {
        const input_event& event = events[i];
        const std::int64_t stamp = static_cast<std::int64_t>(event.input_event_sec) * Second +
                                   static_cast<std::int64_t>(event.input_event_usec) * 1000;
        if (event.type == EV_SYN) {
            if (event.code == SYN_DROPPED) {
                dropping_ = true;
            } else if (event.code == SYN_REPORT && dropping_) {
                dropping_ = false;
                resynchronize(stamp, batch);
            }
            continue;
        }
        if (dropping_ || event.type != EV_KEY || event.value == 2) continue;  // 2: a repeat
        for (int c = 0; c < InputLines; ++c) {
            if (codes_[c] != event.code) continue;
            const int level = event.value ? 1 : 0;
            if (level == levels_[c]) continue;
            batch.edges.push_back({c, level, stamp});
            levels_[c] = level;
        }
    }
}

struct KeyAdapter::Device {
    int fd = -1;
    libevdev* evdev = nullptr;
    std::string name;
    std::unique_ptr<KeyEventReader> reader;
    ~Device() {
        if (evdev) {
            libevdev_grab(evdev, LIBEVDEV_UNGRAB);
            libevdev_free(evdev);
        }
        if (fd >= 0) ::close(fd);
    }
};

KeyAdapter::KeyAdapter(AdapterSettings settings) : settings_(std::move(settings)) {}
KeyAdapter::~KeyAdapter() = default;

int KeyAdapter::OpenNamedDevice(const std::string&, int) {
    device_.reset();
    std::array<int, InputLines> codes;
    codes.fill(-1);
    for (int c = 0; c < InputLines; ++c) {
        const auto& line = settings_.lines[c];
        if (!line.wired()) continue;
        codes[c] = KeyCode(line.source);
        if (codes[c] < 0)
            throw AdapterError("line " + std::to_string(c + 1) + ": \"" + line.source +
                               "\" is no key");
    }
    auto device = std::make_unique<Device>();
    const std::string setting = "input=" + settings_.path + " (Adapter.ini)";
    device->fd = ::open(settings_.path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (device->fd < 0) throw AdapterError(setting + ": " + std::strerror(errno));
    // An input device is a character device: a file or a FIFO in its place is never read.
    struct stat status {};
    if (::fstat(device->fd, &status) != 0 || !S_ISCHR(status.st_mode) ||
        libevdev_new_from_fd(device->fd, &device->evdev) < 0)
        throw AdapterError(setting + ": no input device");
    device->name = libevdev_get_name(device->evdev);
    for (int c = 0; c < InputLines; ++c)
        if (codes[c] >= 0 && !libevdev_has_event_code(device->evdev, EV_KEY, codes[c]))
            throw AdapterError(device->name + " has no key " + settings_.lines[c].source);
    // The kernel stamps the events on the monotonic clock, the one the race clock runs on.
    int clock = CLOCK_MONOTONIC;
    if (::ioctl(device->fd, EVIOCSCLOCKID, &clock) != 0)
        throw AdapterError("cannot set the clock of " + settings_.path);
    // Grabbed, its keys reach no window: a foot switch that sends F2 must not also press F2
    // in this program's window and capture twice.
    if (settings_.grab && libevdev_grab(device->evdev, LIBEVDEV_GRAB) != 0)
        throw AdapterError(device->name + " is held by another program");
    std::array<int, InputLines> levels;
    levels.fill(-1);
    for (int c = 0; c < InputLines; ++c)
        if (codes[c] >= 0) levels[c] = libevdev_get_event_value(device->evdev, EV_KEY, codes[c]);
    const int fd = device->fd;
    device->reader = std::make_unique<KeyEventReader>(fd, codes, levels, [fd](int code) {
        unsigned char keys[KeyStateBytes] = {};
        if (::ioctl(fd, EVIOCGKEY(sizeof keys), keys) < 0) return false;
        return (keys[code / 8] & (1 << (code % 8))) != 0;
    });
    device_ = std::move(device);
    return 1;
}

int KeyAdapter::GetNumberOfDigitalChannels(int) {
    int wired = 0;
    for (const auto& line : settings_.lines) wired += line.wired() ? 1 : 0;
    return device_ ? wired : 0;
}

int KeyAdapter::GetNumberOfAnalogChannels(int) {
    return 0;
}

void KeyAdapter::SetDigitalBit(int, int, int) {}

int KeyAdapter::GetDigitalBit(int, int channel) {
    if (!device_) throw AdapterError("no key device");
    return device_->reader->level(channel);
}

void KeyAdapter::waitForEdges(int, std::chrono::milliseconds timeout, EdgeBatch& batch) {
    if (!device_) throw AdapterError("no key device");
    device_->reader->wait(timeout, batch);
}

ActiveLevel KeyAdapter::activeLevel(int channel) const {
    const auto level = settings_.lines.at(channel).active;
    return level == ActiveLevel::Meet ? ActiveLevel::High : level;
}

std::string KeyAdapter::description() const {
    return "keys " + (device_ ? device_->name : settings_.path);
}

void KeyAdapter::CloseDevice(int) {
    device_.reset();
}

}  // namespace kvt::devices
