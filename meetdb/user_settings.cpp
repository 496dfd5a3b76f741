#include "meetdb/user_settings.h"

#include "meetdb/sqlite_engine.h"

namespace kvt::meetdb {

void MakeUserSettingsFile(const std::string& path, const std::array<std::string, 4>& values) {
    SqliteEngine engine;
    engine.createDatabase(path, storage::UserSettingsSpec(),
                          {values[0], values[1], values[2], values[3]});
}

}  // namespace kvt::meetdb
