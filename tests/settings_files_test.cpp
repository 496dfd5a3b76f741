// Settings files and device paths cannot hold up or flood the program: a settings file is read
// only when it is a regular file of a bounded size (a FIFO, /dev/zero or /dev/random in its
// place is refused at once, named with the reason), every channel the program reads takes a
// bounded amount at each look, and a device that cannot be opened is told with the setting
// that names it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "base/files.h"
#include "devices/adapter.h"
#include "support/fakes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

void plant(const fs::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

std::string refusal(const std::string& path, std::size_t limit = 1024) {
    try {
        base::ReadSettingsFile(path, limit);
    } catch (const base::FileError& error) {
        return error.what();
    }
    return "read";
}

}  // namespace

TEST(SettingsFile, IsReadWhenItIsARegularFileAndIsNothingWhenMissing) {
    TestProgram test;
    const fs::path path = test.folder() / "Adapter.ini";
    EXPECT_EQ(base::ReadSettingsFile(path.string(), 1024), std::nullopt);
    plant(path, "device=simulated\n");
    EXPECT_EQ(base::ReadSettingsFile(path.string(), 1024), "device=simulated\n");
}

TEST(SettingsFile, AFifoADeviceOrAFolderIsRefusedAtOnceNamedWithTheReason) {
    TestProgram test;
    const fs::path fifo = test.folder() / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // No writer ever opens the FIFO: a read that waited for one would never return.
    EXPECT_EQ(refusal(fifo.string()), fifo.string() + ": no regular file");
    EXPECT_EQ(refusal("/dev/zero"), "/dev/zero: no regular file");
    EXPECT_EQ(refusal("/dev/random"), "/dev/random: no regular file");
    EXPECT_EQ(refusal(test.folder().string()), test.folder().string() + ": no regular file");
    const fs::path link = test.folder() / "zero.ini";
    fs::create_symlink("/dev/zero", link);
    EXPECT_EQ(refusal(link.string()), link.string() + ": no regular file");
}

TEST(SettingsFile, AFileLargerThanTheBoundIsRefusedUnread) {
    TestProgram test;
    const fs::path path = test.folder() / "Adapter.ini";
    plant(path, std::string(1025, '#'));
    EXPECT_EQ(refusal(path.string()), path.string() + ": larger than 1024 bytes");
    plant(path, std::string(1024, '#'));
    EXPECT_EQ(refusal(path.string()), "read");
}

TEST(AdapterIni, AFifoInItsPlaceGivesTheDefaultsAndNamesTheFile) {
    TestProgram test;
    const fs::path path = test.folder() / "Adapter.ini";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    std::string problem;
    const auto settings = devices::ReadAdapterSettings(path.string(), &problem);
    EXPECT_EQ(settings.device, devices::DeviceKind::Gpio);
    EXPECT_EQ(problem, path.string() + ": no regular file");
}

TEST(AdapterIni, TheProgramStartsWithDevZeroInItsPlaceAndSaysWhy) {
    TestProgram test;
    fs::create_symlink("/dev/zero", test.folder() / "Adapter.ini");
    auto& program = test.start();  // returns: nothing is read from /dev/zero
    const std::string expected = "Enhetsinnstillingene ble ikke lest, standardverdiene gjelder: " +
                                 (test.folder() / "Adapter.ini").string() + ": no regular file";
    EXPECT_EQ(program.MDIMain.Status.panelText(2), expected);
    EXPECT_EQ(program.Main.SetupAdapterMessage.caption(), expected);
    EXPECT_EQ(program.Main.SetupDeviceCombo.text(), "gpio");
}

TEST(UserIni, AFifoInItsPlaceIsPassedOverAndNamed) {
    TestProgram test;
    const fs::path path = test.folder() / "User.ini";
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    auto& program = test.start();
    const std::string& status = program.MDIMain.Status.panelText(2);
    EXPECT_NE(status.find("User.ini"), std::string::npos) << status;
    EXPECT_NE(status.find(path.string()), std::string::npos) << status;
}

TEST(SimulatedLines, AControlPathThatIsNoFifoIsRefusedWithItsSetting) {
    TestProgram test;
    devices::SimulatedAdapter zero("/dev/zero");
    try {
        zero.OpenNamedDevice("*", 0);
        FAIL() << "/dev/zero was taken as the control FIFO";
    } catch (const devices::AdapterError& error) {
        EXPECT_EQ(std::string(error.what()), "control=/dev/zero: no FIFO");
    }
    const fs::path garbage = test.folder() / "garbage";
    plant(garbage, std::string(100000, '\x7f'));
    devices::SimulatedAdapter file(garbage.string());
    EXPECT_THROW(file.OpenNamedDevice("*", 0), devices::AdapterError);
}

TEST(SimulatedLines, EachLookTakesABoundedPartOfAFloodAndGarbageLinesArePassedOver) {
    TestProgram test;
    const fs::path fifo = test.folder() / "lines";
    devices::SimulatedAdapter adapter(fifo.string());
    const int handle = adapter.OpenNamedDevice("*", 0);
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    // A line far too long to be a command, which ends in what looks like one, then a command.
    std::string flood(30000, '7');
    flood += " 2 0\n1 0\n";
    ASSERT_EQ(::write(writer, flood.data(), flood.size()), static_cast<ssize_t>(flood.size()));
    adapter.GetDigitalBit(handle, 0);
    int waiting = 0;
    ASSERT_EQ(::ioctl(writer, FIONREAD, &waiting), 0);
    EXPECT_GT(waiting, 20000);  // the rest waits for the next looks
    int looks = 1;
    while (adapter.GetDigitalBit(handle, 0) != 0 && looks < 100) ++looks;
    EXPECT_EQ(adapter.level(0), 0);
    EXPECT_EQ(adapter.level(1), 1);  // the end of the garbage line set nothing
    EXPECT_LE(looks, 10);
    ::close(writer);
}

namespace {

devices::AdapterSettings deviceAt(devices::DeviceKind kind, const std::string& path) {
    auto settings = devices::DefaultSettings(kind);
    settings.path = path;
    if (kind == devices::DeviceKind::Keys) settings.lines[0].source = "KEY_F13";
    return settings;
}

std::string openFailure(const devices::AdapterSettings& settings) {
    devices::ConfiguredAdapter adapter(settings);
    try {
        adapter.OpenNamedDevice("*", 0);
    } catch (const devices::AdapterError& error) {
        return error.what();
    }
    return "opened";
}

}  // namespace

TEST(DevicePaths, ASerialPortOrKeyDeviceThatIsNoneIsRefusedWithItsSetting) {
    TestProgram test;
    const fs::path file = test.folder() / "port";
    plant(file, "garbage");
    const fs::path fifo = test.folder() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    using devices::DeviceKind;
    EXPECT_EQ(openFailure(deviceAt(DeviceKind::Serial, file.string())),
              "port=" + file.string() + " (Adapter.ini): no serial port");
    EXPECT_EQ(openFailure(deviceAt(DeviceKind::Serial, fifo.string())),
              "port=" + fifo.string() + " (Adapter.ini): no serial port");
    EXPECT_EQ(openFailure(deviceAt(DeviceKind::Serial, "/nonexistent/ttyUSB0")),
              "port=/nonexistent/ttyUSB0 (Adapter.ini): No such file or directory");
    EXPECT_EQ(openFailure(deviceAt(DeviceKind::Keys, "/dev/zero")),
              "input=/dev/zero (Adapter.ini): no input device");
    EXPECT_EQ(openFailure(deviceAt(DeviceKind::Keys, fifo.string())),
              "input=" + fifo.string() + " (Adapter.ini): no input device");
}

TEST(DevicePaths, AutomaticCaptureOnADeviceThatCannotBeOpenedNamesTheSetting) {
    TestProgram test;
    devices::ConfiguredAdapter adapter(
        deviceAt(devices::DeviceKind::Serial, "/nonexistent/ttyUSB0"));
    test.useAdapter(adapter);
    auto& main = test.start().Main;
    main.SetupCheck[3].setChecked(true);
    EXPECT_FALSE(main.SetupCheck[3].checked());
    ASSERT_FALSE(test.dialogs.messages.empty());
    EXPECT_EQ(test.dialogs.messages.back().text,
              "Feil under initiering av I/O Inteface\n"
              "port=/nonexistent/ttyUSB0 (Adapter.ini): No such file or directory");
}
