#include "pages/setup_page.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string>

#include "base/number_text.h"
#include "lang/meet_texts.h"
#include "lang/timer_texts.h"
#include "pages/register_pages.h"
#include "pages/systems_setup.h"
#include "storage/schema.h"
#include "ui/captions.h"
#include "ui/program.h"

namespace kvt::pages {

namespace {

namespace setup = ui::setup;

// An option group and the box that stores its index.
template <std::size_t N>
void mirror(std::array<ui::OptionButton, N>& options, const ui::TextBox& box) {
    double value = base::TextToNumber(box.text());
    for (std::size_t i = 0; i < N; ++i)
        if (value == static_cast<double>(i)) options[i].select();
}

template <std::size_t N>
void storeIndexOnClick(std::array<ui::OptionButton, N>& options, ui::TextBox& box) {
    for (std::size_t i = 0; i < N; ++i)
        options[i].Click = [&box, i] {
            box.setText(base::NumberToText(static_cast<long long>(i)));
        };
}

void applyLimit(ui::TextBox& box, int limit) {
    if (base::TextToNumber(box.text()) > limit) box.setText(std::to_string(limit));
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
    program.platform.engine.createDatabase(
        path.string(), storage::UserSettingsSpec(),
        {text[setup::ExplorerPathText].text(), text[setup::UserLanguageText].text(),
         text[setup::EditorText].text(), text[setup::EditorPathText].text()});
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

bool isUserSetting(int index) {
    return index >= setup::ExplorerPathText && index <= setup::EditorPathText;
}

void setupTextChanged(ui::Program& program, int index) {
    auto& main = program.Main;
    applyLimit(main.SetupText[setup::CompetitorCountText], MaxCompetitors);
    applyLimit(main.SetupText[setup::ClubCountText], MaxClubs);
    applyLimit(main.SetupText[setup::ClassCountText], MaxClasses);
    // The size a new meet's Time table is made with; while a meet is open the box tells the
    // size its table has grown to.
    if (!program.meet) {
        auto& size = main.SetupText[setup::TimeTableSizeText];
        applyLimit(size, MaxPreparedTimeRows);
        if (base::TextToNumber(size.text()) < 0) size.setText("0");
    }
    switch (index) {
        case setup::EditorText:
            mirror(main.SetupEditorOption, main.SetupText[index]);
            break;
        case setup::UserLanguageText:
            mirror(main.SetupLanguageOption, main.SetupText[index]);
            break;
        case setup::TimeFormatText:
            mirror(main.SetupTimeOption, main.SetupText[index]);
            break;
        case setup::SignalText:
            mirror(main.SetupSignalOption, main.SetupText[index]);
            break;
        case setup::DatabaseTypeText:
            mirror(main.SetupOption, main.SetupText[index]);
            break;
        default:
            break;
    }
    if (isUserSetting(index))
        saveUserSettings(program);
    else
        StoreSetting(program, main.SetupText[index].dataField(), main.SetupText[index].text());
}

// An option of the meet chosen with its box: stored in the meet, and the box then shows what
// the meet follows (the option is followed only once stored).
void chooseMeetOption(ui::Program& program, ui::CheckBox& check, bool (meet::Meet::*now)() const,
                      meet::Outcome (meet::Meet::*set)(bool)) {
    if (!program.meet) {
        if (check.checked()) {
            program.status(lang::TimerOptionNeedsMeetText().in(program.language));
            check.setChecked(false);
        }
        return;
    }
    auto& meet = *program.meet;
    if ((meet.*now)() == check.checked()) return;
    const auto outcome = (meet.*set)(check.checked());
    program.tellIfNotStored(outcome);
    check.setChecked((meet.*now)());
}

}  // namespace

void ShowMeetOptions(ui::Program& program) {
    if (!program.meet) return;
    program.Main.SetupFullPrecisionCheck.setChecked(program.meet->fullPrecision());
    program.Main.SetupGiveNumberedCheck.setChecked(program.meet->giveNumberedAtOnce());
    ShowSystems(program);
}

void StoreSetting(ui::Program& program, const std::string& dataField, const std::string& value) {
    if (!program.meet || program.Main.SetupData.loading() || dataField.empty()) return;
    int field = -1;
    try {
        field = std::stoi(dataField);
    } catch (const std::exception&) {
        return;  // not a field of the Setup record
    }
    auto outcome = program.meet->changeSetting(field, value);
    ShowStoredRecords(program, outcome);
    program.tellIfNotStored(outcome);
}

void LockCounts(ui::Program& program, bool locked) {
    auto& text = program.Main.SetupText;
    for (int i : {setup::RegisteredCountText, setup::FetchedCountText, setup::TimeTableSizeText})
        text[i].setLocked(locked);
    for (int line = 1; line <= ui::ChannelTotal; ++line)
        text[setup::ChannelCountText(line)].setLocked(locked);
}

void ConnectSetupPage(ui::Program& program) {
    auto& main = program.Main;
    auto& p = program;
    for (int i = 0; i < 20; ++i)
        main.SetupText[i].Change = p.guarded([&p, i] { setupTextChanged(p, i); });

    storeIndexOnClick(main.SetupTimeOption, main.SetupText[setup::TimeFormatText]);
    storeIndexOnClick(main.SetupSignalOption, main.SetupText[setup::SignalText]);
    storeIndexOnClick(main.SetupOption, main.SetupText[setup::DatabaseTypeText]);
    storeIndexOnClick(main.SetupEditorOption, main.SetupText[setup::EditorText]);
    for (int i = 0; i < 6; ++i) {
        main.SetupLanguageOption[i].Click = p.guarded([&p, i] {
            p.Main.userLanguageText().setText(base::NumberToText(i));
            if (i == static_cast<int>(lang::Language::Norwegian)) ui::SetNorwegianTexts(p);
            if (i == static_cast<int>(lang::Language::English)) ui::SetEnglishTexts(p);
        });
    }
    // The automatic-capture check box belongs to capture, which wires it.
    for (int i = 0; i < setup::CheckCount; ++i) {
        if (i == setup::AutomaticCaptureCheck) continue;
        main.SetupCheck[i].Click = p.guarded([&p, i] {
            auto& check = p.Main.SetupCheck[i];
            StoreSetting(p, check.dataField(), check.checked() ? "1" : "0");
        });
    }
    main.SetupFullPrecisionCheck.Click = p.guarded([&p] {
        chooseMeetOption(p, p.Main.SetupFullPrecisionCheck, &meet::Meet::fullPrecision,
                         &meet::Meet::setFullPrecision);
    });
    main.SetupGiveNumberedCheck.Click = p.guarded([&p] {
        chooseMeetOption(p, p.Main.SetupGiveNumberedCheck, &meet::Meet::giveNumberedAtOnce,
                         &meet::Meet::setGiveNumberedAtOnce);
    });
    ConnectSystemsSetup(program);
    main.SetupTabStrip.Click = p.guarded(
        [&main] { main.SetupContainer.bringToFront(main.SetupTabStrip.selectedTab() - 1); });
}

}  // namespace kvt::pages
