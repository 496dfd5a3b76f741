// The main window's commands: the menus and toolbar, their enabled states, the help commands,
// the function keys and the tab strips; start-up, the no-database state, About and Exit.
#pragma once

#include <string>
#include <vector>

#include "ui/windows.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::shell {

enum class Command {
    Open,
    Close,
    Reset,
    MakeNew,
    Repair,
    Compress,
    Copy,
    HostOnServer,
    StartServer,
    JoinServer,
    SaveAsFile,
    Exit,
    ImportCsv,
    ExportCsv,
    ImportIof,
    MakeTextList,
    ViewTextList,
    MakeHtmlList,
    ViewHtmlList,
    MakeStartList,
    ViewStartList,
    ViewStartListHtml,
    PrintList,
    PdfList,
    PrintStartList,
    StartListPdf,
    MakeIofXml,
    GeneralHelp,
    HelpSearch,
    AdapterHelp,
    About
};

struct CommandInfo {
    Command command;
    ui::MenuItem ui::MDIMainWindow::*menu;
    const char* toolbarKey;  // "" when the command has no toolbar button
    bool enabledWithoutDatabase;
    bool enabledWithDatabase;
};

const std::vector<CommandInfo>& CommandTable();

// Carries out a command (the routine of a menu item or of a toolbar key).
void RunCommand(ui::Program& program, Command command);

// Menus and toolbar buttons as the column of the state says.
void SetCommandStates(ui::Program& program, bool databaseOpen);

// The controls that opening a database enables and the no-database state disables.
void SetDatabaseControls(ui::Program& program, bool databaseOpen);

// The load of the main window: wires every handler, then runs the start-up sequence.
void LoadMain(ui::Program& program);

// Unloads the main window and loads it again: every control back to its design value, then
// the start-up sequence.
void ReloadMain(ui::Program& program);

// Everything set as it is while no meet database is open.
void EnterNoDatabaseState(ui::Program& program);

// Reads User.ini from the settings folder into the setup page, when it exists; installed, a
// missing one is made at the first change of a setting.
void LoadUserSettings(ui::Program& program);

void ShowAbout(ui::Program& program);
void ExitProgram(ui::Program& program);

}  // namespace kvt::shell
