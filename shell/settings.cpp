#include <algorithm>
#include <filesystem>

#include "base/number_text.h"
#include "shell/commands.h"
#include "ui/program.h"

namespace kvt::shell {

namespace {

constexpr const char* SettingsFile = "User.ini";

bool hasSettingsFields(const std::vector<std::string>& fields) {
    for (const char* wanted : ui::UserSettingsFields)
        if (std::find(fields.begin(), fields.end(), wanted) == fields.end()) return false;
    return true;
}

}  // namespace

void LoadUserSettings(ui::Program& program) {
    auto& main = program.Main;
    const std::string path = program.locations.settingsFolder + "/" + SettingsFile;
    auto& data = main.UserData;
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        // Installed, the settings binding names the file still to be made: the first change
        // of a setting makes it (the setup page does). In its own folder the program keeps no
        // settings without one.
        if (!program.locations.ownFolder) {
            data.setDatabaseName(path);
            data.setRecordSource(ui::UserSettingsTable);
        }
        return;
    }
    if (!std::filesystem::is_regular_file(path, error)) {
        // A folder, a FIFO or a device in its place is never opened (that could wait for ever);
        // the defaults stay, and the operator is told which file was passed over.
        program.status(std::string(lang::SettingsUnreadableText().in(program.language)) + " (" +
                       path + ")");
        return;
    }

    try {
        // A file that is not a settings database, lacks a field or holds no record is left
        // alone: the defaults stay and nothing is written to it.
        auto table = program.platform.engine.openTable(path, ui::UserSettingsTable);
        if (!hasSettingsFields(table->fieldNames()) || table->recordCount() == 0)
            throw std::runtime_error("incomplete settings");
        data.setDatabaseName(path);
        data.setRecordSource(ui::UserSettingsTable);
        data.refresh();
        // A language that names none of the options shows none as chosen, so that choosing
        // one of the program's languages puts it right.
        const double language = base::TextToNumber(program.Main.userLanguageText().text());
        auto& options = program.Main.SetupLanguageOption;
        if (language != static_cast<int>(language) || language < 0 ||
            language >= static_cast<double>(options.size()))
            for (auto& option : options) option.deselect();
    } catch (const std::exception&) {
        data.setDatabaseName("");
        try {
            data.refresh();
        } catch (const std::exception&) {
        }
        program.status(lang::SettingsUnreadableText().in(program.language));
    }
}

}  // namespace kvt::shell
