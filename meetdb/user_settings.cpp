#include "meetdb/user_settings.h"

#include <filesystem>

#include "meetdb/sqlite.h"
#include "ui/windows.h"

namespace kvt::meetdb {

void MakeUserSettingsFile(const std::string& path, const std::array<std::string, 4>& values) {
    namespace fs = std::filesystem;
    const std::string making = path + ".making";
    std::error_code error;
    fs::remove(making, error);
    try {
        {
            Connection db(making, Connection::Mode::Create);
            std::string columns;
            for (const char* field : ui::UserSettingsFields)
                columns += (columns.empty() ? "" : ", ") + QuoteIdentifier(field) + " TEXT";
            db.execute("CREATE TABLE " + QuoteIdentifier(ui::UserSettingsTable) + " (" + columns +
                       ")");
            auto insert = db.prepare("INSERT INTO " + QuoteIdentifier(ui::UserSettingsTable) +
                                     " VALUES (?1, ?2, ?3, ?4)");
            for (int i = 0; i < 4; ++i) insert.bind(i + 1, values[i]);
            insert.run();
        }
        fs::rename(making, path);
    } catch (...) {
        fs::remove(making, error);
        throw;
    }
}

}  // namespace kvt::meetdb
