#include "pages/setup_page.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>

#include "capture/poll.h"
#include "lang/apply.h"
#include "meetdb/user_settings.h"
#include "ui/number_text.h"
#include "ui/program.h"

namespace kvt::pages {

namespace {

// An option group and the box that stores its index.
template <std::size_t N>
void mirror(std::array<ui::OptionButton, N>& options, const ui::TextBox& box) {
    double value = ui::TextToNumber(box.text());
    for (std::size_t i = 0; i < N; ++i)
        if (value == static_cast<double>(i)) options[i].select();
}

template <std::size_t N>
void storeIndexOnClick(std::array<ui::OptionButton, N>& options, ui::TextBox& box) {
    for (std::size_t i = 0; i < N; ++i)
        options[i].Click = [&box, i] { box.setText(ui::NumberToText(static_cast<long long>(i))); };
}

void applyLimit(ui::TextBox& box, int limit) {
    if (ui::TextToNumber(box.text()) > limit) box.setText(std::to_string(limit));
}

// Makes the settings file that the binding names but that does not exist yet (an installed
// program's first change of a setting) from the four settings shown, and loads it.
void makeUserSettings(ui::Program& program) {
    auto& data = program.Main.UserData;
    const std::filesystem::path path = data.databaseName();
    std::error_code error;
    if (path.empty() || std::filesystem::exists(path, error)) return;
    const auto& text = program.Main.SetupText;
    std::filesystem::create_directories(path.parent_path());
    meetdb::MakeUserSettingsFile(
        path.string(), {text[15].text(), text[16].text(), text[17].text(), text[18].text()});
    data.refresh();
}

// The user settings are kept as soon as they change, so that nothing chosen is lost.
void saveUserSettings(ui::Program& program) {
    auto& data = program.Main.UserData;
    try {
        if (!data.isOpen()) makeUserSettings(program);
        if (!data.isOpen()) return;
        data.updateRecord();
    } catch (const std::exception&) {
        program.status(lang::SettingsUnsavedText().in(program.language));
    }
}

// The meet's setup is kept as soon as it changes.
void saveSetup(ui::Program& program) {
    auto& data = program.Main.SetupData;
    if (!data.isOpen() || program.holdSetupWrites) return;
    try {
        data.updateRecord();
    } catch (const std::exception& failure) {
        program.info(std::string(lang::CannotSaveText().in(program.language)) + failure.what());
    }
}

void setupTextChanged(ui::Program& program, int index) {
    auto& main = program.Main;
    applyLimit(main.SetupText[0], MaxCompetitors);
    applyLimit(main.SetupText[1], MaxClubsOnPage);
    applyLimit(main.SetupText[2], MaxClassesOnPage);
    switch (index) {
        case 17:
            mirror(main.SetupEditorOption, main.SetupText[17]);
            break;
        case 16:
            mirror(main.SetupLanguageOption, main.SetupText[16]);
            break;
        case 3:
            mirror(main.SetupTimeOption, main.SetupText[3]);
            break;
        case 4:
            mirror(main.SetupSignalOption, main.SetupText[4]);
            break;
        case 5:
            mirror(main.SetupOption, main.SetupText[5]);
            break;
        default:
            break;
    }
    if (index >= 15 && index <= 18)
        saveUserSettings(program);
    else
        saveSetup(program);
}

}  // namespace

void ConnectSetupPage(ui::Program& program) {
    auto& main = program.Main;
    for (int i = 0; i < 20; ++i)
        main.SetupText[i].Change = [&program, i] { setupTextChanged(program, i); };

    storeIndexOnClick(main.SetupTimeOption, main.SetupText[3]);
    storeIndexOnClick(main.SetupSignalOption, main.SetupText[4]);
    storeIndexOnClick(main.SetupOption, main.SetupText[5]);
    storeIndexOnClick(main.SetupEditorOption, main.SetupText[17]);
    for (int i = 0; i < 6; ++i) {
        main.SetupLanguageOption[i].Click = [&program, i] {
            program.Main.SetupText[16].setText(ui::NumberToText(i));
            if (i == 0) lang::SetNorwegianTexts(program);
            if (i == 1) lang::SetEnglishTexts(program);
        };
    }
    for (auto& check : main.SetupCheck) check.Click = [&program] { saveSetup(program); };
    main.SetupCheck[3].Click = [&program] {
        if (program.Main.SetupCheck[3].checked())
            capture::OpenAdapter(program);
        else
            capture::CloseAdapter(program);
        saveSetup(program);
    };
    // The sliders show their value and set the poll interval; a stored value moves them.
    for (int i = 0; i < 2; ++i) {
        main.SetupSlider[i].Scroll = [&main, i] {
            main.SetupTimerValue[i + 1].setCaption(std::to_string(main.SetupSlider[i].value()));
            main.Hitime1.setInterval(main.SetupSlider[0].value());
        };
        main.SetupTimerValue[i + 1].Change = [&program, i] {
            auto& m = program.Main;
            double value = ui::TextToNumber(m.SetupTimerValue[i + 1].caption());
            m.SetupSlider[i].setValue(static_cast<int>(std::clamp(value, 1.0, 100.0)));
            saveSetup(program);
        };
    }
    for (int c = 0; c < ui::ChannelTotal; ++c) {
        main.SetupChannelCheck[c].Click = [&program, c] {
            auto& m = program.Main;
            if (!program.currentDatabase.empty())
                m.TimeButton[c].setEnabled(m.SetupChannelCheck[c].checked());
            saveSetup(program);
        };
    }
    main.SetupTabStrip.Click = [&main] {
        main.SetupContainer.bringToFront(main.SetupTabStrip.selectedTab() - 1);
    };
}

int SelectedTimeFormat(const ui::Program& program) {
    for (int i = 0; i < 4; ++i)
        if (program.Main.SetupTimeOption[i].selected()) return i;
    return -1;
}

}  // namespace kvt::pages
