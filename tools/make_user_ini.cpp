// Makes the default user settings database User.ini, unless the file is already there.
#include <filesystem>
#include <iostream>

#include "meetdb/sqlite.h"
#include "ui/windows.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_user_ini PATH\n";
        return 2;
    }
    const std::string path = argv[1];
    if (std::filesystem::exists(path)) return 0;
    try {
        using kvt::meetdb::QuoteIdentifier;
        kvt::meetdb::Connection db(path, kvt::meetdb::Connection::Mode::Create);
        std::string columns;
        for (const char* field : kvt::ui::UserSettingsFields)
            columns += (columns.empty() ? "" : ", ") + QuoteIdentifier(field) + " TEXT";
        db.execute("CREATE TABLE " + QuoteIdentifier(kvt::ui::UserSettingsTable) + " (" + columns +
                   ")");
        auto insert = db.prepare("INSERT INTO " + QuoteIdentifier(kvt::ui::UserSettingsTable) +
                                 " VALUES (?1, ?2, ?3, ?4)");
        insert.bind(1, std::string("C:\\Program Files\\Internet Explorer\\Iexplore.exe"))
            .bind(2, std::string("0"))
            .bind(3, std::string("0"))
            .bind(4, std::string("C:\\Windows\\Command\\Edit.com"));
        insert.run();
    } catch (const std::exception& error) {
        std::cerr << error.what() << "\n";
        std::filesystem::remove(path);
        return 1;
    }
    return 0;
}
