// Makes the default user settings database User.ini, unless the file is already there.
#include <filesystem>
#include <iostream>

#include "meetdb/user_settings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_user_ini PATH\n";
        return 2;
    }
    const std::string path = argv[1];
    if (std::filesystem::exists(path)) return 0;
    try {
        kvt::meetdb::MakeUserSettingsFile(
            path, {"C:\\Program Files\\Internet Explorer\\Iexplore.exe", "0", "0",
                   "C:\\Windows\\Command\\Edit.com"});
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        return 1;
    }
    return 0;
}
