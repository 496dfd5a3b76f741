// The built Debian package, unpacked into a throw-away root and started from there offscreen
// with an empty home: what an official gets after installing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/fakes.h"

namespace fs = std::filesystem;
using kvt::testing::ReadField;

namespace {

struct Outcome {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command and gathers what it prints (standard error too, unless the command
// sends it elsewhere).
Outcome RunShell(const std::string& command) {
    Outcome outcome;
    FILE* pipe = ::popen(("exec 2>&1; " + command).c_str(), "r");
    if (!pipe) return outcome;
    std::array<char, 4096> chunk;
    size_t got;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        outcome.output.append(chunk.data(), got);
    const int status = ::pclose(pipe);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

std::string Quoted(const fs::path& path) {
    return "'" + path.string() + "'";
}

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

std::string Content(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The lines of the probe's report that begin with word, without it.
std::vector<std::string> Reported(const std::string& output, const std::string& word) {
    std::vector<std::string> found;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line))
        if (line.rfind(word + " ", 0) == 0) found.push_back(line.substr(word.size() + 1));
    return found;
}

bool HasLine(const std::string& output, const std::string& wanted) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line))
        if (line == wanted) return true;
    return false;
}

fs::path FreshFolder(const std::string& prefix) {
    std::random_device random;
    fs::path folder =
        fs::temp_directory_path() / (prefix + std::to_string(random()) + std::to_string(random()));
    fs::create_directories(folder);
    return folder;
}

fs::path ThePackage() {
    for (const auto& entry : fs::directory_iterator(KVT_PACKAGE_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("kvt_", 0) == 0 && entry.path().extension() == ".deb") return entry.path();
    }
    return {};
}

// The package unpacked once for all tests of a run; a fresh home for each test.
class InstalledPackage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        package_ = ThePackage();
        ASSERT_FALSE(package_.empty()) << "no kvt_*.deb in " << KVT_PACKAGE_DIR;
        root_ = FreshFolder("kvt-package-");
        const Outcome unpacked = RunShell("dpkg -x " + Quoted(package_) + " " + Quoted(root_));
        ASSERT_EQ(unpacked.exitCode, 0) << unpacked.output;
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    void SetUp() override {
        user_ = FreshFolder("kvt-user-");
        home = user_ / "home";
        config = user_ / "config";
        fs::create_directories(home);
        fs::create_directories(config);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(user_, ignored);
    }

    // The installed program, driven by the probe through the given steps; the output is the
    // probe's report (Qt's own messages go to a file).
    Outcome start(const std::string& steps) {
        return RunShell("cd " + Quoted(user_) + " && env HOME=" + Quoted(home) +
                        " XDG_CONFIG_HOME=" + Quoted(config) +
                        " QT_QPA_PLATFORM=offscreen LD_PRELOAD=" + Quoted(KVT_PROBE_LIBRARY) +
                        " KVT_PROBE_STEPS='" + steps + "' timeout 120 " +
                        Quoted(root_ / "usr/bin/kvt") + " 2>>" + Quoted(user_ / "messages.txt"));
    }
    static fs::path installed(const std::string& path) { return root_ / path; }
    // Every file the package holds under a folder.
    static std::vector<std::string> filesUnder(const std::string& folder) {
        std::vector<std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(installed(folder)))
            if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), root_).string());
        std::sort(files.begin(), files.end());
        return files;
    }

    static fs::path package_;
    static fs::path root_;
    fs::path user_, home, config;
};

fs::path InstalledPackage::package_;
fs::path InstalledPackage::root_;

}  // namespace

TEST_F(InstalledPackage, HoldsTheProgramItsDataAndDesktopFilesAndNoTestTools) {
    EXPECT_EQ(filesUnder("usr/bin"), std::vector<std::string>{"usr/bin/kvt"});
    EXPECT_EQ(filesUnder("usr/share/kvt"),
              (std::vector<std::string>{"usr/share/kvt/Help.hlp", "usr/share/kvt/Hjelp.hlp",
                                        "usr/share/kvt/Iocard.hlp", "usr/share/kvt/Iokort.hlp",
                                        "usr/share/kvt/Kvt.gif", "usr/share/kvt/Kvte.gif",
                                        "usr/share/kvt/Kvtn.gif"}));
    for (const char* file :
         {"usr/share/applications/org.example.kvt.desktop",
          "usr/share/metainfo/org.example.kvt.metainfo.xml", "usr/share/man/man1/kvt.1.gz",
          "usr/share/icons/hicolor/scalable/apps/kvt.svg",
          "usr/share/icons/hicolor/16x16/apps/kvt.png",
          "usr/share/icons/hicolor/48x48/apps/kvt.png",
          "usr/share/icons/hicolor/256x256/apps/kvt.png", "usr/share/doc/kvt/copyright",
          "usr/share/doc/kvt/changelog.gz"})
        EXPECT_TRUE(fs::is_regular_file(installed(file))) << file;
    // A PNG of the size its folder names.
    const std::string png = Content(installed("usr/share/icons/hicolor/48x48/apps/kvt.png"));
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<unsigned char>(png[19]), 48u);  // the width's low byte
    EXPECT_EQ(static_cast<unsigned char>(png[23]), 48u);  // the height's low byte
}

TEST_F(InstalledPackage, StartsInAnEmptyHomeFindsItsHelpAndWritesNothingUnasked) {
    const Outcome run = start("title;help;adapterhelp;quit");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(Reported(run.output, "TITLE"),
              std::vector<std::string>{"[KVT] Kvarne Tidtaking System [ Ingen database åpenet ]"})
        << run.output;
    const auto help = Reported(run.output, "HELP");
    ASSERT_EQ(help.size(), 1u) << run.output;
    EXPECT_EQ(help[0].substr(help[0].find(' ') + 1),
              FirstLine(installed("usr/share/kvt/Hjelp.hlp")).substr(2));
    EXPECT_GE(std::stoi(help[0]), 4);
    const auto adapterHelp = Reported(run.output, "ADAPTERHELP");
    ASSERT_EQ(adapterHelp.size(), 1u) << run.output;
    EXPECT_EQ(adapterHelp[0].substr(adapterHelp[0].find(' ') + 1),
              FirstLine(installed("usr/share/kvt/Iokort.hlp")).substr(2));
    EXPECT_GE(std::stoi(adapterHelp[0]), 4);

    EXPECT_FALSE(fs::exists(config / "kvt" / "User.ini"));
    EXPECT_FALSE(fs::exists(home / "Documents"));
    EXPECT_EQ(filesUnder("usr/bin"), std::vector<std::string>{"usr/bin/kvt"});
}

TEST_F(InstalledPackage, KeepsALanguageChangeInTheConfigurationFolder) {
    const Outcome first = start("english;help;quit");
    ASSERT_EQ(first.exitCode, 0) << first.output;
    const fs::path settings = config / "kvt" / "User.ini";
    ASSERT_TRUE(fs::exists(settings)) << first.output;
    EXPECT_EQ(ReadField(settings.string(), "User", "Språk"), " 1");
    const auto help = Reported(first.output, "HELP");
    ASSERT_EQ(help.size(), 1u) << first.output;
    EXPECT_EQ(help[0].substr(help[0].find(' ') + 1),
              FirstLine(installed("usr/share/kvt/Help.hlp")).substr(2));
    EXPECT_EQ(filesUnder("usr/bin"), std::vector<std::string>{"usr/bin/kvt"});

    const Outcome again = start("title;quit");
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(Reported(again.output, "TITLE"),
              std::vector<std::string>{"[KVT] Kvarne Time Capture System [ No database open ]"})
        << again.output;
}

TEST_F(InstalledPackage, MakesAMeetThroughTheDialogInTheDocumentsFolder) {
    const Outcome run = start("makenew Race.mdb;quit");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const fs::path meets = home / "Documents" / "KVT";
    EXPECT_EQ(Reported(run.output, "DIALOG"), std::vector<std::string>{meets.string()})
        << run.output;
    EXPECT_EQ(Reported(run.output, "MESSAGE"), std::vector<std::string>{}) << run.output;
    EXPECT_TRUE(HasLine(run.output, "MADE")) << run.output;
    EXPECT_TRUE(fs::is_regular_file(meets / "Race.mdb")) << run.output;
    // The list pictures, copied from the installed data folder.
    for (const char* image : {"Kvt.gif", "Kvtn.gif", "Kvte.gif"})
        EXPECT_EQ(Content(meets / "Race" / image), Content(installed("usr/share/kvt") / image))
            << image;
    EXPECT_FALSE(fs::exists(config / "kvt" / "User.ini"));
}

TEST_F(InstalledPackage, TheDesktopEntryPassesDesktopFileValidate) {
    const Outcome check =
        RunShell("desktop-file-validate " +
                 Quoted(installed("usr/share/applications/org.example.kvt.desktop")));
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_EQ(check.output, "");  // not even a hint
}

TEST_F(InstalledPackage, TheMetainfoPassesAppstreamcliValidate) {
    const Outcome check =
        RunShell("appstreamcli validate --no-net --pedantic " +
                 Quoted(installed("usr/share/metainfo/org.example.kvt.metainfo.xml")));
    EXPECT_EQ(check.exitCode, 0) << check.output;
}

TEST(Package, PassesLintianWithoutErrors) {
    const fs::path package = ThePackage();
    ASSERT_FALSE(package.empty());
    const Outcome check = RunShell("lintian --fail-on error " + Quoted(package));
    EXPECT_EQ(check.exitCode, 0) << check.output;
    EXPECT_EQ(("\n" + check.output).find("\nE: "), std::string::npos) << check.output;
}
