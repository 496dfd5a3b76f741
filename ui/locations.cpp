#include "ui/locations.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "base/files.h"

namespace kvt::ui {

namespace fs = std::filesystem;

namespace {

// Names of the files the build places beside the executable.
constexpr const char* SettingsFile = "User.ini";
constexpr const char* ListImage = "Kvt.gif";
constexpr const char* HelpFile = "Help.hlp";

// The installed layout: bin/kvt and share/kvt/ under one prefix (see packaging/CMakeLists.txt).
constexpr const char* InstalledDataFolder = "../share/kvt";

bool holds(const fs::path& folder, const char* name) {
    std::error_code error;
    return fs::is_regular_file(folder / name, error);
}

// The documents folder that user-dirs.dirs names ("$HOME/..." or an absolute path), or empty.
std::string documentsFromUserDirs(const fs::path& configHome, const std::string& home) {
    // Read only when it is a regular file of a sensible size: a FIFO or a device in its place
    // must not hold up the start of the program.
    std::optional<std::string> text;
    try {
        text = base::ReadSettingsFile((configHome / "user-dirs.dirs").string(), 64 * 1024);
    } catch (const base::FileError&) {
    }
    if (!text) return "";
    std::istringstream file(*text);
    const std::string key = "XDG_DOCUMENTS_DIR=";
    std::string line;
    while (std::getline(file, line)) {
        auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        std::string value = line.substr(start + key.size());
        if (value.size() < 2 || value.front() != '"') continue;
        value = value.substr(1, value.find('"', 1) - 1);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        // A documents folder set to the home folder itself is switched off.
        if (value.empty() || value.front() != '/' || fs::path(value) == fs::path(home)) return "";
        return value;
    }
    return "";
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

Locations LocationsInFolder(const std::string& folder) {
    return {folder, folder, folder, folder, true};
}

UserEnvironment CurrentUserEnvironment() {
    UserEnvironment environment{environmentValue("HOME"), environmentValue("XDG_CONFIG_HOME")};
    if (environment.home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
            environment.home = entry->pw_dir;
    }
    return environment;
}

Locations ChooseLocations(const std::string& programFolder, const UserEnvironment& environment,
                          bool programFolderWritable) {
    const fs::path program(programFolder);
    const bool dataBeside = holds(program, ListImage) || holds(program, HelpFile);
    if (programFolderWritable && (dataBeside || holds(program, SettingsFile)))
        return LocationsInFolder(programFolder);

    Locations locations;
    locations.ownFolder = false;
    locations.programFolder = programFolder;
    locations.dataFolder =
        dataBeside ? programFolder : (program / InstalledDataFolder).lexically_normal().string();
    // Only an absolute XDG_CONFIG_HOME counts; a relative one is to be ignored.
    const fs::path configHome =
        !environment.configHome.empty() && environment.configHome.front() == '/'
            ? fs::path(environment.configHome)
            : fs::path(environment.home) / ".config";
    locations.settingsFolder = (configHome / "kvt").string();
    std::string documents = documentsFromUserDirs(configHome, environment.home);
    if (documents.empty()) documents = (fs::path(environment.home) / "Documents").string();
    locations.meetsFolder = (fs::path(documents) / "KVT").string();
    return locations;
}

Locations FindLocations(const std::string& programFolder) {
    return ChooseLocations(programFolder, CurrentUserEnvironment(),
                           ::access(programFolder.c_str(), W_OK) == 0);
}

std::string DialogFolder(const Locations& locations, const std::string& lastChosenFile) {
    if (locations.ownFolder) return locations.programFolder;
    std::error_code error;
    if (!lastChosenFile.empty()) {
        const fs::path lastFolder = fs::path(lastChosenFile).parent_path();
        if (!lastFolder.empty() && fs::is_directory(lastFolder, error)) return lastFolder.string();
    }
    fs::create_directories(locations.meetsFolder, error);
    return locations.meetsFolder;
}

}  // namespace kvt::ui
