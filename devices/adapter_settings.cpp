#include "devices/adapter_settings.h"

#include <map>
#include <sstream>

#include "base/files.h"

namespace kvt::devices {

namespace {

constexpr const char* DeviceNames[] = {"simulated", "gpio", "serial", "keys", "timer"};
constexpr const char* BiasNames[] = {"pull-up", "pull-down", "none", "as-is"};
constexpr const char* LevelNames[] = {"meet", "low", "high"};
// Where each kind of device is found, as the key of the file.
constexpr const char* PathKeys[] = {"control", "chip", "port", "input", "port"};
constexpr const char* StatusLines[] = {"CTS", "DSR", "DCD", "RI"};

template <typename Enum, std::size_t N>
bool parseName(const char* const (&names)[N], const std::string& name, Enum& value) {
    for (std::size_t i = 0; i < N; ++i)
        if (name == names[i]) {
            value = static_cast<Enum>(i);
            return true;
        }
    return false;
}

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

const char* DeviceName(DeviceKind kind) {
    return DeviceNames[static_cast<int>(kind)];
}
const char* BiasName(Bias bias) {
    return BiasNames[static_cast<int>(bias)];
}
const char* ActiveLevelName(ActiveLevel level) {
    return LevelNames[static_cast<int>(level)];
}
bool ParseDeviceName(const std::string& name, DeviceKind& kind) {
    return parseName(DeviceNames, name, kind);
}
bool ParseBiasName(const std::string& name, Bias& bias) {
    return parseName(BiasNames, name, bias);
}
bool ParseActiveLevelName(const std::string& name, ActiveLevel& level) {
    return parseName(LevelNames, name, level);
}

std::string DefaultSource(DeviceKind kind, int channel) {
    switch (kind) {
        case DeviceKind::Simulated:
        case DeviceKind::Gpio:
            return std::to_string(channel);
        case DeviceKind::Serial:
            return channel < 4 ? StatusLines[channel] : "-";
        case DeviceKind::Keys:
            return "-";
        case DeviceKind::Timer:
            return channel < 2 ? "C" + std::to_string(channel) : "-";
    }
    return "-";
}

AdapterSettings DefaultSettings(DeviceKind kind) {
    AdapterSettings settings;
    settings.device = kind;
    for (int c = 0; c < 6; ++c) settings.lines[c].source = DefaultSource(kind, c);
    return settings;
}

AdapterSettings ParseAdapterSettings(const std::string& text) {
    std::map<std::string, std::string> values;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = trim(line);
        const auto equals = line.find('=');
        if (line.empty() || line[0] == '#' || equals == std::string::npos) continue;
        values[trim(line.substr(0, equals))] = trim(line.substr(equals + 1));
    }
    DeviceKind kind = DeviceKind::Gpio;
    if (values.count("device")) ParseDeviceName(values["device"], kind);
    AdapterSettings settings = DefaultSettings(kind);
    settings.path = values[PathKeys[static_cast<int>(kind)]];
    for (int c = 0; c < 6; ++c) {
        const std::string n = std::to_string(c + 1);
        auto& setting = settings.lines[c];
        if (values.count("line" + n)) {
            setting.source = values["line" + n];
            if (setting.source.empty()) setting.source = "-";
        }
        if (values.count("bias" + n)) ParseBiasName(values["bias" + n], setting.bias);
        if (values.count("active" + n)) ParseActiveLevelName(values["active" + n], setting.active);
    }
    settings.outputs = values["outputs"];
    if (values.count("supply")) settings.supply = values["supply"];
    if (values.count("grab")) settings.grab = values["grab"] != "0";
    if (values.count("timer")) settings.timer = values["timer"];
    if (values.count("rate")) {
        const std::string& rate = values["rate"];
        if (!rate.empty() && rate.size() < 8 &&
            rate.find_first_not_of("0123456789") == std::string::npos)
            settings.rate = std::stoi(rate);
    }
    if (values.count("handshake")) settings.rtsCts = values["handshake"] == "rts-cts";
    if (values.count("memory")) settings.memoryWord = values["memory"];
    return settings;
}

std::string FormatAdapterSettings(const AdapterSettings& settings) {
    std::ostringstream out;
    out << "# The device the program reads its input lines from (see the README).\n";
    out << "device=" << DeviceName(settings.device) << "\n";
    out << PathKeys[static_cast<int>(settings.device)] << "=" << settings.path << "\n";
    for (int c = 0; c < 6; ++c) {
        const auto& line = settings.lines[c];
        const int n = c + 1;
        out << "line" << n << "=" << (line.wired() ? line.source : "-") << "\n";
        out << "bias" << n << "=" << BiasName(line.bias) << "\n";
        out << "active" << n << "=" << ActiveLevelName(line.active) << "\n";
    }
    out << "outputs=" << settings.outputs << "\n";
    out << "supply=" << settings.supply << "\n";
    out << "grab=" << (settings.grab ? 1 : 0) << "\n";
    if (settings.device == DeviceKind::Timer) {
        out << "timer=" << settings.timer << "\n";
        if (settings.rate > 0) out << "rate=" << settings.rate << "\n";
        out << "handshake=" << (settings.rtsCts ? "rts-cts" : "none") << "\n";
        if (!settings.memoryWord.empty()) out << "memory=" << settings.memoryWord << "\n";
    }
    return out.str();
}

std::string AdapterSettingsPath(const std::string& folder) {
    return folder + "/Adapter.ini";
}

AdapterSettings ReadAdapterSettings(const std::string& path, std::string* problem) {
    try {
        if (auto text = base::ReadSettingsFile(path, LargestSettingsFile))
            return ParseAdapterSettings(*text);
    } catch (const base::FileError& error) {
        if (problem) *problem = error.what();
    }
    return DefaultSettings(DeviceKind::Gpio);
}

void WriteAdapterSettings(const std::string& path, const AdapterSettings& settings) {
    base::WriteWholeFile(path, FormatAdapterSettings(settings));
}

}  // namespace kvt::devices
