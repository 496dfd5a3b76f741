#include <filesystem>

#include "base/number_text.h"
#include "capture/corrections.h"
#include "capture/lines_setup.h"
#include "capture/poll.h"
#include "capture/race_status.h"
#include "capture/time_list.h"
#include "capture/timing.h"
#include "pages/register_pages.h"
#include "pages/setup_page.h"
#include "pages/starts_page.h"
#include "results/live_results.h"
#include "results/results_page.h"
#include "results/trail_view.h"
#include "results/web_publishing.h"
#include "shell/commands.h"
#include "shell/run_commands.h"
#include "ui/captions.h"
#include "ui/program.h"

namespace kvt::shell {

namespace {

void connectMenusAndToolbar(ui::Program& program) {
    for (const CommandInfo& info : CommandTable()) {
        Command command = info.command;
        (program.MDIMain.*info.menu).Click = [&program, command] { RunCommand(program, command); };
    }
    program.Main.MainToolbar.ButtonClick = [&program](const std::string& key) {
        for (const CommandInfo& info : CommandTable())
            if (*info.toolbarKey && key == info.toolbarKey) RunCommand(program, info.command);
    };
}

constexpr int StartsTab = 7;

void connectTabStrip(ui::TabStrip& strip, ui::ContainerStack& pages) {
    strip.Click = [&strip, &pages] { pages.bringToFront(strip.selectedTab() - 1); };
}

void connectTabStrips(ui::MainWindow& main) {
    connectTabStrip(main.MainTabStrip, main.MainConTainer);
    connectTabStrip(main.TimeTabStrip, main.TimeContainer);
    connectTabStrip(main.TimeListTabStrip, main.TimeListContainer);
    connectTabStrip(main.NameTabStrip, main.NameContainer);
    connectTabStrip(main.ClubTabStrip, main.ClubContainer);
    connectTabStrip(main.ClassTabStrip, main.ClassContainer);
    connectTabStrip(main.ResultsTabStrip, main.ResultsContainer);
}

// F2 to F7 press and release the capture buttons of lines 1 to 6, with pending events let
// run in between.
void connectFunctionKeys(ui::Program& program) {
    program.Main.Window.KeyDown = [&program](int key) {
        if (key >= ui::KeyF2 && key <= ui::KeyF7)
            program.guard([&] { capture::PressLineKey(program, key - ui::KeyF2); });
    };
}

void fillChoiceLists(ui::Program& program) {
    auto& status = program.Main.NameCombo[2];
    auto& sex = program.Main.NameCombo[3];
    status.clear();
    sex.clear();
    for (int entry = lang::entry::FirstStatus; entry <= lang::entry::LastStatus; ++entry)
        status.addItem(program.LanguageTexts[entry]);
    for (int entry = lang::entry::FirstSex; entry <= lang::entry::LastSex; ++entry)
        sex.addItem(program.LanguageTexts[entry]);
}

std::string trimBlanks(const std::string& text) {
    auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return text.substr(begin, text.find_last_not_of(' ') - begin + 1);
}

void buildEditorTable(ui::Program& program) {
    program.editors = {"Notepad.exe", "Write.exe", "Winword.exe",
                       trimBlanks(program.Main.SetupText[ui::setup::EditorPathText].text())};
}

}  // namespace

void LoadMain(ui::Program& program) {
    auto& main = program.Main;
    main.Window.setLoaded(true);
    connectMenusAndToolbar(program);
    connectTabStrips(main);
    connectFunctionKeys(program);
    pages::ConnectSetupPage(program);
    pages::ConnectRegisterPages(program);
    pages::ConnectStartsPage(program);
    ConnectRuns(program);
    // The starts page shows the meet as it is whenever it is brought to the front.
    main.MainTabStrip.Click = program.guarded([&program] {
        auto& strip = program.Main.MainTabStrip;
        program.Main.MainConTainer.bringToFront(strip.selectedTab() - 1);
        if (strip.selectedTab() == StartsTab) pages::ShowStartsPage(program);
    });
    capture::ConnectCapture(program);
    capture::ConnectTimeList(program);
    capture::ConnectCorrections(program);
    capture::ConnectTiming(program);
    capture::ConnectRaceStatuses(program);
    results::ConnectResultsPage(program);
    results::ConnectTrail(program);
    capture::ConnectLinesSetup(program);
    results::ConnectLiveResults(program);
    results::ConnectWebPages(program);

    ui::SetNorwegianTexts(program);
    std::error_code ignored;
    std::filesystem::current_path(program.programFolder, ignored);
    LoadUserSettings(program);
    fillChoiceLists(program);
    EnterNoDatabaseState(program);
    buildEditorTable(program);
    for (ui::Timer* timer : {&main.Hitime1, &main.Hitime2, &main.Hitime3}) timer->setRunning(true);
}

void ReloadMain(ui::Program& program) {
    auto& main = program.Main;
    // Live results are a setting of the run, not of the window's design: they go on after it
    // (serving the next meet, or saying that none is open).
    const bool live = main.SetupLiveCheck.checked();
    const std::string port = main.SetupLivePortText.text();
    // The settings record is let go first, so that the design values do not reach it.
    main.UserData.setDatabaseName("");
    try {
        main.UserData.refresh();
    } catch (const std::exception&) {
    }
    main.restoreDesign();
    LoadMain(program);
    main.SetupLivePortText.setText(port);
    if (live) main.SetupLiveCheck.setChecked(true);
}

}  // namespace kvt::shell
