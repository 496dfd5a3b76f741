#include <gpiod.h>

#include <fstream>
#include <map>

#include "devices/adapter.h"

namespace kvt::devices {

namespace {
constexpr int InputLines = 6;
constexpr int OutputBits = 8;
constexpr const char* Consumer = "kvt";
}  // namespace

struct GpioAdapter::Device {
    gpiod_chip* chip = nullptr;
    gpiod_line_bulk inputs{};
    gpiod_line_bulk outputs{};
    int outputCount = 0;
    ~Device() {
        if (chip) gpiod_chip_close(chip);  // releases the requested lines too
    }
};

GpioAdapter::GpioAdapter() = default;
GpioAdapter::~GpioAdapter() = default;

int GpioAdapter::OpenNamedDevice(const std::string& name, int) {
    device_.reset();
    auto device = std::make_unique<Device>();
    if (name == "*") {
        gpiod_chip_iter* chips = gpiod_chip_iter_new();
        if (!chips) throw AdapterError("no GPIO chip");
        gpiod_chip* chip;
        while ((chip = gpiod_chip_iter_next_noclose(chips)) != nullptr) {
            if (gpiod_chip_num_lines(chip) >= InputLines && !device->chip)
                device->chip = chip;
            else
                gpiod_chip_close(chip);
        }
        gpiod_chip_iter_free_noclose(chips);
    } else {
        device->chip = gpiod_chip_open_lookup(name.c_str());
    }
    if (!device->chip || gpiod_chip_num_lines(device->chip) < InputLines)
        throw AdapterError("no GPIO chip with six lines");
    unsigned inputOffsets[InputLines] = {0, 1, 2, 3, 4, 5};
    if (gpiod_chip_get_lines(device->chip, inputOffsets, InputLines, &device->inputs) != 0 ||
        gpiod_line_request_bulk_input(&device->inputs, Consumer) != 0)
        throw AdapterError("cannot read the GPIO lines");
    int lines = static_cast<int>(gpiod_chip_num_lines(device->chip));
    device->outputCount = std::min(OutputBits, lines - InputLines);
    if (device->outputCount > 0) {
        unsigned outputOffsets[OutputBits];
        for (int b = 0; b < device->outputCount; ++b) outputOffsets[b] = InputLines + b;
        int zero[OutputBits] = {};
        if (gpiod_chip_get_lines(device->chip, outputOffsets, device->outputCount,
                                 &device->outputs) != 0 ||
            gpiod_line_request_bulk_output(&device->outputs, Consumer, zero) != 0)
            device->outputCount = 0;  // the inputs still work
    }
    device_ = std::move(device);
    return 1;
}

int GpioAdapter::GetNumberOfDigitalChannels(int) {
    return device_ ? InputLines + device_->outputCount : 0;
}

int GpioAdapter::GetNumberOfAnalogChannels(int) {
    return 0;
}

void GpioAdapter::SetDigitalBit(int, int bit, int value) {
    if (!device_ || bit < 0 || bit >= device_->outputCount) return;
    gpiod_line_set_value(gpiod_line_bulk_get_line(&device_->outputs, bit), value ? 1 : 0);
}

int GpioAdapter::GetDigitalBit(int, int channel) {
    if (!device_ || channel < 0 || channel >= InputLines) throw AdapterError("no GPIO device");
    int value = gpiod_line_get_value(gpiod_line_bulk_get_line(&device_->inputs, channel));
    if (value < 0) throw AdapterError("cannot read GPIO line");
    return value;
}

void GpioAdapter::CloseDevice(int) {
    device_.reset();
}

// A very small settings file: "key=value" lines.
static std::map<std::string, std::string> readSettings(const std::string& path) {
    std::map<std::string, std::string> settings;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        auto equals = line.find('=');
        if (equals == std::string::npos || line[0] == '#') continue;
        settings[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return settings;
}

std::unique_ptr<Adapter> MakeAdapter(const std::string& programFolder) {
    auto settings = readSettings(programFolder + "/Adapter.ini");
    if (settings["device"] == "simulated")
        return std::make_unique<SimulatedAdapter>(settings["control"]);
    return std::make_unique<GpioAdapter>();
}

}  // namespace kvt::devices
