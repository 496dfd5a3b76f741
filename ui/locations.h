// Where the program finds its own files and keeps the user's: everything beside the executable
// when it runs from a folder of its own (the build's bin/), the folders of the user's desktop
// when it is installed.
#pragma once

#include <string>

namespace kvt::ui {

struct Locations {
    // The folder of the executable.
    std::string programFolder;
    // The list images and the help files.
    std::string dataFolder;
    // User.ini and Adapter.ini.
    std::string settingsFolder;
    // Where the file dialogs on the meet databases start.
    std::string meetsFolder;
    // True while the program runs from a folder of its own: a missing User.ini then means that
    // no settings are kept, and every file dialog starts in the program folder.
    bool ownFolder = true;
};

// Everything in one folder, as in the build.
Locations LocationsInFolder(const std::string& folder);

// The folders of the user, as the environment names them.
struct UserEnvironment {
    std::string home;        // $HOME
    std::string configHome;  // $XDG_CONFIG_HOME; empty when unset
};

// This process's environment (the password entry when HOME is unset).
UserEnvironment CurrentUserEnvironment();

// The rule: the program folder is the program's own when the build's files lie beside the
// executable (User.ini or the list images) and it can be written. Otherwise the data files
// lie in share/kvt beside the executable's bin/ (unless they are beside the executable), the
// settings in the user's configuration folder ($XDG_CONFIG_HOME/kvt, default ~/.config/kvt),
// the meets in KVT under the user's documents folder (from user-dirs.dirs, default
// ~/Documents). Only reads the file system.
Locations ChooseLocations(const std::string& programFolder, const UserEnvironment& environment,
                          bool programFolderWritable);

// The rule above for this process and its executable's folder.
Locations FindLocations(const std::string& programFolder);

// The folder a file dialog on the meet databases starts in: the program folder while the
// program runs from its own; otherwise the folder of the meet chosen last, while it exists,
// or the meets folder, which is made when missing.
std::string DialogFolder(const Locations& locations, const std::string& lastChosenFile);

}  // namespace kvt::ui
