#include <gpiod.h>
#include <poll.h>

#include <cerrno>
#include <cstring>
#include <sstream>

#include "devices/back_ends.h"
#include "devices/edge_readers.h"

namespace kvt::devices {

namespace {
constexpr int OutputBits = 8;
constexpr const char* Consumer = "kvt";
constexpr std::int64_t Second = 1000000000;

int biasFlags(Bias bias) {
    switch (bias) {
        case Bias::PullUp:
            return GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_UP;
        case Bias::PullDown:
            return GPIOD_LINE_REQUEST_FLAG_BIAS_PULL_DOWN;
        case Bias::None:
            return GPIOD_LINE_REQUEST_FLAG_BIAS_DISABLE;
        case Bias::AsIs:
            return 0;
    }
    return 0;
}

// A GPIO offset written as a whole number; -1 for anything else.
int offsetOf(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return -1;
    try {
        return std::stoi(text);
    } catch (const std::exception&) {
        return -1;
    }
}

std::string failure(const std::string& what) {
    return what + ": " + std::strerror(errno);
}
}  // namespace

GpioEventReader::GpioEventReader(std::array<int, InputLines> fds,
                                 std::array<int, InputLines> levels)
    : fds_(fds), levels_(levels) {}

void GpioEventReader::wait(std::chrono::milliseconds timeout, EdgeBatch& batch) {
    pollfd waits[InputLines];
    int lines[InputLines];
    nfds_t count = 0;
    for (int c = 0; c < InputLines; ++c) {
        if (fds_[c] < 0) continue;
        waits[count] = {fds_[c], POLLIN | POLLPRI, 0};
        lines[count++] = c;
    }
    if (count == 0) return;
    const int ready = ::poll(waits, count, static_cast<int>(timeout.count()));
    if (ready < 0) {
        if (errno == EINTR) return;
        throw AdapterError(failure("cannot wait for GPIO events"));
    }
    for (nfds_t i = 0; i < count; ++i) {
        if (waits[i].revents == 0) continue;
        if (waits[i].revents & (POLLERR | POLLNVAL | POLLHUP) && !(waits[i].revents & POLLIN))
            throw AdapterError("the GPIO line is gone");
        const int c = lines[i];
        // 16 records: as many as the kernel queues for one line.
        gpiod_line_event events[16];
        const int got = gpiod_line_event_read_fd_multiple(fds_[c], events, 16);
        if (got < 0) {
            if (errno == EAGAIN || errno == EINTR) continue;
            throw AdapterError(failure("cannot read GPIO events"));
        }
        for (int e = 0; e < got; ++e) {
            const std::int64_t stamp = events[e].ts.tv_sec * Second + events[e].ts.tv_nsec;
            const int level = events[e].event_type == GPIOD_LINE_EVENT_RISING_EDGE ? 1 : 0;
            if (level == levels_[c]) {
                ++batch.lost[c];
                batch.edges.push_back({c, 1 - level, stamp});
            }
            batch.edges.push_back({c, level, stamp});
            levels_[c] = level;
        }
    }
}

struct GpioAdapter::Device {
    gpiod_chip* chip = nullptr;
    std::array<gpiod_line*, InputLines> inputs{};
    std::array<gpiod_line*, OutputBits> outputs{};
    int outputCount = 0;
    std::unique_ptr<GpioEventReader> reader;
    ~Device() {
        if (chip) gpiod_chip_close(chip);  // releases the requested lines too
    }
};

GpioAdapter::GpioAdapter(AdapterSettings settings) : settings_(std::move(settings)) {}
GpioAdapter::~GpioAdapter() = default;

int GpioAdapter::OpenNamedDevice(const std::string&, int) {
    device_.reset();
    auto device = std::make_unique<Device>();
    std::array<int, InputLines> offsets;
    unsigned needed = 0;
    for (int c = 0; c < InputLines; ++c) {
        const auto& line = settings_.lines[c];
        offsets[c] = line.wired() ? offsetOf(line.source) : -1;
        if (line.wired() && offsets[c] < 0)
            throw AdapterError("line " + std::to_string(c + 1) + ": \"" + line.source +
                               "\" is no GPIO line offset");
        if (offsets[c] >= 0) needed = std::max(needed, static_cast<unsigned>(offsets[c]) + 1);
    }
    if (settings_.path.empty() || settings_.path == "*") {
        // The first chip that has every line the settings name.
        gpiod_chip_iter* chips = gpiod_chip_iter_new();
        if (!chips) throw AdapterError("no GPIO chip");
        gpiod_chip* chip;
        while ((chip = gpiod_chip_iter_next_noclose(chips)) != nullptr) {
            if (gpiod_chip_num_lines(chip) >= needed && !device->chip)
                device->chip = chip;
            else
                gpiod_chip_close(chip);
        }
        gpiod_chip_iter_free_noclose(chips);
    } else {
        device->chip = gpiod_chip_open_lookup(settings_.path.c_str());
    }
    if (!device->chip)
        throw AdapterError(settings_.path.empty() || settings_.path == "*"
                               ? std::string("no GPIO chip")
                               : "chip=" + settings_.path + " (Adapter.ini): no GPIO chip: " +
                                     std::strerror(errno));
    if (gpiod_chip_num_lines(device->chip) < needed)
        throw AdapterError("the GPIO chip has fewer lines than the settings name");
    std::array<int, InputLines> fds, levels;
    fds.fill(-1);
    levels.fill(-1);
    for (int c = 0; c < InputLines; ++c) {
        if (offsets[c] < 0) continue;
        gpiod_line* line = gpiod_chip_get_line(device->chip, offsets[c]);
        gpiod_line_request_config config{Consumer, GPIOD_LINE_REQUEST_EVENT_BOTH_EDGES,
                                         biasFlags(settings_.lines[c].bias)};
        if (!line || gpiod_line_request(line, &config, 0) != 0)
            throw AdapterError(failure("cannot request GPIO line " + std::to_string(offsets[c])));
        device->inputs[c] = line;
        fds[c] = gpiod_line_event_get_fd(line);
        levels[c] = gpiod_line_get_value(line);
        if (fds[c] < 0 || levels[c] < 0)
            throw AdapterError(failure("cannot read GPIO line " + std::to_string(offsets[c])));
    }
    // Outputs only where the operator named them; each starts low.
    std::istringstream named(settings_.outputs);
    std::string item;
    while (std::getline(named, item, ',') && device->outputCount < OutputBits) {
        const auto first = item.find_first_not_of(' ');
        const int offset = first == std::string::npos ? -1 : offsetOf(item.substr(first));
        if (offset < 0) continue;
        gpiod_line* line = gpiod_chip_get_line(device->chip, offset);
        if (!line || gpiod_line_request_output(line, Consumer, 0) != 0)
            throw AdapterError(failure("cannot drive GPIO line " + std::to_string(offset)));
        device->outputs[device->outputCount++] = line;
    }
    device->reader = std::make_unique<GpioEventReader>(fds, levels);
    device_ = std::move(device);
    return 1;
}

int GpioAdapter::GetNumberOfDigitalChannels(int) {
    if (!device_) return 0;
    int wired = 0;
    for (auto* line : device_->inputs) wired += line ? 1 : 0;
    return wired + device_->outputCount;
}

int GpioAdapter::GetNumberOfAnalogChannels(int) {
    return 0;
}

void GpioAdapter::SetDigitalBit(int, int bit, int value) {
    if (!device_ || bit < 0 || bit >= device_->outputCount) return;
    gpiod_line_set_value(device_->outputs[bit], value ? 1 : 0);
}

int GpioAdapter::GetDigitalBit(int, int channel) {
    if (!device_ || channel < 0 || channel >= InputLines) throw AdapterError("no GPIO device");
    // The level its last edge left, as the poll sees it (-1 for a line not wired).
    return device_->reader->level(channel);
}

void GpioAdapter::waitForEdges(int, std::chrono::milliseconds timeout, EdgeBatch& batch) {
    if (!device_) throw AdapterError("no GPIO device");
    device_->reader->wait(timeout, batch);
}

ActiveLevel GpioAdapter::activeLevel(int channel) const {
    return settings_.lines.at(channel).active;
}

std::string GpioAdapter::description() const {
    return std::string("GPIO ") + (device_ ? gpiod_chip_name(device_->chip) : settings_.path);
}

void GpioAdapter::CloseDevice(int) {
    device_.reset();
}

}  // namespace kvt::devices
