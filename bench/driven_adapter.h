// Input lines that another thread of a benchmark moves; idle high, active low.
#pragma once

#include <array>
#include <atomic>
#include <string>

#include "devices/adapter.h"

namespace kvt::bench {

class DrivenAdapter : public devices::Adapter {
public:
    std::array<std::atomic<int>, 6> levels;
    DrivenAdapter() {
        for (auto& level : levels) level = 1;
    }
    int OpenNamedDevice(const std::string&, int) override { return 1; }
    int GetNumberOfDigitalChannels(int) override { return 6; }
    int GetNumberOfAnalogChannels(int) override { return 0; }
    void SetDigitalBit(int, int, int) override {}
    int GetDigitalBit(int, int channel) override { return levels[channel]; }
    void CloseDevice(int) override {}
};

}  // namespace kvt::bench
