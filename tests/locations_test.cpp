// Where the program finds its files and keeps the user's: beside the executable in the build,
// in the user's folders once installed.
#include "ui/locations.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/fakes.h"

namespace fs = std::filesystem;
using kvt::testing::ReadField;
using kvt::testing::TestProgram;
using kvt::ui::ChooseLocations;
using kvt::ui::DialogFolder;
using kvt::ui::Locations;

namespace {

void touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

// A throw-away tree with an installed layout (usr/bin, usr/share/kvt) and an empty home.
class InstalledTree : public ::testing::Test {
protected:
    void SetUp() override {
        root = test.folder();
        bin = root / "usr" / "bin";
        data = root / "usr" / "share" / "kvt";
        home = root / "home";
        fs::create_directories(bin);
        for (const char* file : {"Kvt.gif", "Kvtn.gif", "Kvte.gif", "Help.hlp", "Hjelp.hlp",
                                 "Iocard.hlp", "Iokort.hlp"})
            touch(data / file);
        fs::create_directories(home);
    }
    Locations installed(const std::string& configHome = "") {
        return ChooseLocations(bin.string(), {home.string(), configHome}, true);
    }
    // The program started with the installed folders.
    kvt::ui::Program& start() {
        test.locations = installed((root / "config").string());
        return test.start();
    }
    fs::path settingsFile() const { return root / "config" / "kvt" / "User.ini"; }

    TestProgram test;
    fs::path root, bin, data, home;
};

}  // namespace

TEST(Locations, AFolderHoldingTheBuildsFilesKeepsEverythingBesideTheProgram) {
    TestProgram test;
    touch(test.folder() / "Kvt.gif");
    const Locations found = ChooseLocations(test.folder().string(), {"/home/someone", ""}, true);
    EXPECT_TRUE(found.ownFolder);
    for (const std::string& folder :
         {found.programFolder, found.dataFolder, found.settingsFolder, found.meetsFolder})
        EXPECT_EQ(folder, test.folder().string());
}

TEST(Locations, AFolderHoldingOnlyUserIniIsStillTheProgramsOwn) {
    TestProgram test;
    test.writeUserIni("x", "0", "0", "");
    EXPECT_TRUE(ChooseLocations(test.folder().string(), {"/home/someone", ""}, true).ownFolder);
}

TEST(Locations, AProgramFolderThatCannotBeWrittenKeepsSettingsAndMeetsInTheUsersFolders) {
    TestProgram test;
    touch(test.folder() / "Kvt.gif");
    const Locations found = ChooseLocations(test.folder().string(), {"/home/someone", ""}, false);
    EXPECT_FALSE(found.ownFolder);
    EXPECT_EQ(found.dataFolder, test.folder().string());  // the images still lie there
    EXPECT_EQ(found.settingsFolder, "/home/someone/.config/kvt");
    EXPECT_EQ(found.meetsFolder, "/home/someone/Documents/KVT");
}

TEST_F(InstalledTree, AnInstalledProgramFindsItsDataInShareAndKeepsTheUsersFilesAtHome) {
    // Even when the folder can be written (as root), a bin/ without the build's files is not
    // the program's own.
    const Locations found = installed();
    EXPECT_FALSE(found.ownFolder);
    EXPECT_EQ(found.programFolder, bin.string());
    EXPECT_EQ(found.dataFolder, data.string());
    EXPECT_EQ(found.settingsFolder, (home / ".config" / "kvt").string());
    EXPECT_EQ(found.meetsFolder, (home / "Documents" / "KVT").string());
}

TEST_F(InstalledTree, XdgConfigHomeHoldsTheSettingsWhenItIsAnAbsolutePath) {
    EXPECT_EQ(installed("/elsewhere/config").settingsFolder, "/elsewhere/config/kvt");
    EXPECT_EQ(installed("relative/config").settingsFolder, (home / ".config" / "kvt").string());
}

TEST_F(InstalledTree, TheDocumentsFolderNamedInUserDirsHoldsTheMeets) {
    const fs::path config = root / "config";
    fs::create_directories(config);
    std::ofstream(config / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                "XDG_DESKTOP_DIR=\"$HOME/Skrivebord\"\n"
                                                "XDG_DOCUMENTS_DIR=\"$HOME/Dokumenter\"\n";
    EXPECT_EQ(installed(config.string()).meetsFolder, (home / "Dokumenter" / "KVT").string());

    std::ofstream(config / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"/srv/papers\"\n";
    EXPECT_EQ(installed(config.string()).meetsFolder, "/srv/papers/KVT");

    // Set to the home folder itself, the documents folder is switched off.
    std::ofstream(config / "user-dirs.dirs") << "XDG_DOCUMENTS_DIR=\"$HOME\"\n";
    EXPECT_EQ(installed(config.string()).meetsFolder, (home / "Documents" / "KVT").string());
}

TEST_F(InstalledTree, TheFirstDialogStartsInTheMeetsFolderMadeForItThenInTheLastMeetsFolder) {
    const Locations found = installed();
    ASSERT_FALSE(fs::exists(found.meetsFolder));
    EXPECT_EQ(DialogFolder(found, ""), found.meetsFolder);
    EXPECT_TRUE(fs::is_directory(found.meetsFolder));

    const fs::path elsewhere = root / "meets" / "spring";
    fs::create_directories(elsewhere);
    EXPECT_EQ(DialogFolder(found, (elsewhere / "Spring.mdb").string()), elsewhere.string());
    fs::remove_all(elsewhere);
    EXPECT_EQ(DialogFolder(found, (elsewhere / "Spring.mdb").string()), found.meetsFolder);
}

TEST(Locations, InItsOwnFolderEveryDialogStartsInTheProgramFolder) {
    const Locations own = kvt::ui::LocationsInFolder("/opt/kvt");
    EXPECT_EQ(DialogFolder(own, ""), "/opt/kvt");
    EXPECT_EQ(DialogFolder(own, "/tmp/Meet.mdb"), "/opt/kvt");
}

TEST_F(InstalledTree, StartingAndClosingAMeetMakeNoSettingsFile) {
    auto& program = start();
    const fs::path meets = home / "Documents" / "KVT";
    test.dialogs.fileAnswers.push_back((meets / "Meet.mdb").string());
    program.MDIMain.MakeNew.click();
    test.dialogs.fileAnswers.push_back((meets / "Meet.mdb").string());
    program.MDIMain.Open.click();
    ASSERT_EQ(program.currentDatabase(), (meets / "Meet.mdb").string());
    program.MDIMain.Close.click();
    EXPECT_TRUE(program.currentDatabase().empty());
    EXPECT_FALSE(fs::exists(settingsFile()));
    EXPECT_FALSE(fs::exists(bin / "User.ini"));
}

TEST_F(InstalledTree, TheFirstLanguageChangeMakesUserIniInTheConfigurationFolder) {
    {
        auto& program = start();
        program.Main.SetupLanguageOption[1].select();
        EXPECT_EQ(program.MDIMain.Open.caption(), "&Open...");
        ASSERT_TRUE(fs::exists(settingsFile()));
        EXPECT_EQ(ReadField(settingsFile().string(), "User", "Språk"), " 1");
        EXPECT_EQ(ReadField(settingsFile().string(), "User", "ExplorerPath"),
                  program.Main.SetupText[15].text());
        // Later changes go into the same file.
        program.Main.SetupEditorOption[2].select();
        EXPECT_EQ(ReadField(settingsFile().string(), "User", "Editor"), " 2");
        EXPECT_EQ(program.MDIMain.Status.panelText(2), "");
    }
    EXPECT_FALSE(fs::exists(bin / "User.ini"));

    TestProgram again;
    again.locations = installed((root / "config").string());
    auto& program = again.start();
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Open...");
    EXPECT_TRUE(program.Main.SetupEditorOption[2].selected());
}

TEST_F(InstalledTree, ASettingsFileThatCannotBeReadIsNeverReplaced) {
    fs::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile()) << "not a settings database";
    auto& program = start();
    program.Main.SetupLanguageOption[1].select();
    std::ifstream file(settingsFile());
    std::string content((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(content, "not a settings database");
}

TEST_F(InstalledTree, ASettingsFolderThatCannotBeMadeIsReportedInTheStatusBar) {
    // A file where the configuration folder should be: the settings cannot be kept.
    touch(root / "config");
    auto& program = start();
    program.Main.SetupLanguageOption[1].select();
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Open...");  // the language applies all the same
    EXPECT_NE(program.MDIMain.Status.panelText(2), "");
}

TEST(Locations, InItsOwnFolderWithoutUserIniNoSettingsAreKept) {
    TestProgram test;
    touch(test.folder() / "Kvt.gif");
    test.locations = ChooseLocations(test.folder().string(), {test.folder().string(), ""}, true);
    auto& program = test.start();
    program.Main.SetupLanguageOption[1].select();
    EXPECT_EQ(program.MDIMain.Open.caption(), "&Open...");
    EXPECT_FALSE(fs::exists(test.userIniPath()));
    EXPECT_FALSE(fs::exists(test.folder() / ".config"));
}

TEST_F(InstalledTree, HelpAndTheMeetsImagesComeFromTheDataFolder) {
    auto& program = start();
    program.MDIMain.General.click();
    program.MDIMain.Adapter.click();
    ASSERT_EQ(test.help.shown.size(), 2u);
    EXPECT_EQ(test.help.shown[0].first, (data / "Hjelp.hlp").string());
    EXPECT_EQ(test.help.shown[1].first, (data / "Iokort.hlp").string());

    const fs::path meets = home / "Documents" / "KVT";
    test.dialogs.fileAnswers.push_back((meets / "Meet.mdb").string());
    program.MDIMain.MakeNew.click();
    ASSERT_EQ(test.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(test.dialogs.fileRequests[0].initialFolder, meets.string());
    for (const char* image : {"Kvt.gif", "Kvtn.gif", "Kvte.gif"})
        EXPECT_TRUE(fs::exists(meets / "Meet" / image)) << image;

    // The next dialog starts where the last meet was chosen.
    const fs::path elsewhere = root / "club";
    fs::create_directories(elsewhere);
    test.dialogs.fileAnswers.push_back((elsewhere / "Autumn.mdb").string());
    program.MDIMain.MakeNew.click();
    program.MDIMain.Open.click();  // cancelled
    ASSERT_EQ(test.dialogs.fileRequests.size(), 3u);
    EXPECT_EQ(test.dialogs.fileRequests[2].initialFolder, elsewhere.string());
}
