// The operator's choice of device and wiring, kept in the settings file Adapter.ini as
// "key=value" lines:
//   device=simulated|gpio|serial|keys|timer   (gpio when missing)
//   control=PATH | chip=NAME | port=PATH | input=PATH   where the device is found (a timer's
//                  serial port is its port)
//   lineN=SOURCE   what line N (1 to 6) is: a GPIO offset, a status line (CTS, DSR, DCD, RI),
//                  a key (KEY_F13 or its code) or a timer's channel (C0, C1, 255); "-" for a
//                  line not wired
//   biasN=pull-up|pull-down|none|as-is   (GPIO)
//   activeN=meet|low|high   the level at which line N is active ("meet": the meet's setting)
//   outputs=OFFSETS   GPIO lines driven as the output bits (none unless named)
//   supply=DTR,RTS    serial control lines raised as the supply of switches and photocells
//   grab=1|0          key device: its keys reach this program only
//   timer=alge-timy|alge-timy2|tag-heuer|microgate-rei|microgate-racetime2   the kind of timer
//   rate=BAUD         the timer's rate (missing: the rate the timer leaves the factory with)
//   handshake=none|rts-cts   the timer's handshake
//   memory=WORD       the timer's command to send its memory again ("-": never ask)
// A file of older versions ("device=simulated", "control=PATH") reads as it did.
#pragma once

#include <array>
#include <string>

namespace kvt::devices {

enum class DeviceKind { Simulated, Gpio, Serial, Keys, Timer };
enum class Bias { PullUp, PullDown, None, AsIs };
enum class ActiveLevel { Meet, Low, High };

struct LineSetting {
    std::string source;  // "-" when the line is not wired
    Bias bias = Bias::PullUp;
    ActiveLevel active = ActiveLevel::Meet;
    bool wired() const { return !source.empty() && source != "-"; }
};

struct AdapterSettings {
    DeviceKind device = DeviceKind::Gpio;
    // The FIFO (simulated), chip (gpio; empty: the first chip with the lines), port (serial) or
    // input device (keys).
    std::string path;
    std::array<LineSetting, 6> lines;
    std::string outputs;
    std::string supply = "DTR,RTS";
    bool grab = true;
    // A timer on a serial port (device=timer).
    std::string timer = "alge-timy";
    int rate = 0;  // 0: the timer's own default
    bool rtsCts = false;
    std::string memoryWord;  // empty: the timer's usual command
};

// The names used in the file and on the setup page.
const char* DeviceName(DeviceKind kind);
const char* BiasName(Bias bias);
const char* ActiveLevelName(ActiveLevel level);
// False when the name is none of them.
bool ParseDeviceName(const std::string& name, DeviceKind& kind);
bool ParseBiasName(const std::string& name, Bias& bias);
bool ParseActiveLevelName(const std::string& name, ActiveLevel& level);

// What a line is when the settings do not say: GPIO offsets 0 to 5, the four status lines of a
// serial port on lines 1 to 4; the simulated adapter's six lines; no key; a timer's start
// channel C0 on line 1 and its finish channel C1 on line 2.
std::string DefaultSource(DeviceKind kind, int channel);
// The settings of a device with every line as DefaultSource gives it.
AdapterSettings DefaultSettings(DeviceKind kind);

AdapterSettings ParseAdapterSettings(const std::string& text);
std::string FormatAdapterSettings(const AdapterSettings& settings);
// The file in a settings folder.
std::string AdapterSettingsPath(const std::string& folder);
// Far more than any settings file the program writes; a larger file is refused unread.
inline constexpr std::size_t LargestSettingsFile = 64 * 1024;
// A missing or unreadable file gives the defaults (GPIO). The file is read only when it is a
// regular file of at most LargestSettingsFile bytes, never waited for; one that is refused
// (a FIFO, a device, a folder, too large) is named with the reason in problem.
AdapterSettings ReadAdapterSettings(const std::string& path, std::string* problem = nullptr);
// Written whole or not at all (a new file renamed over the old). Throws base::FileError.
void WriteAdapterSettings(const std::string& path, const AdapterSettings& settings);

}  // namespace kvt::devices
