#include "shell/commands.h"

#include <filesystem>
#include <fstream>

#include "base/native_path.h"
#include "results/iof_files.h"
#include "results/lists.h"
#include "results/start_list.h"
#include "shell/entries_commands.h"
#include "results/printed_list.h"
#include "shell/maintenance.h"
#include "shell/meet_commands.h"
#include "shell/server_commands.h"
#include "lang/server_texts.h"
#include "pgdb/server_name.h"
#include "ui/program.h"

namespace kvt::shell {

using ui::MDIMainWindow;

const std::vector<CommandInfo>& CommandTable() {
    static const std::vector<CommandInfo> table = {
        {Command::Open, &MDIMainWindow::Open, "a", true, false},
        {Command::Close, &MDIMainWindow::Close, "b", false, true},
        {Command::Reset, &MDIMainWindow::Reset, "c", true, false},
        {Command::MakeNew, &MDIMainWindow::MakeNew, "d", true, false},
        {Command::Repair, &MDIMainWindow::Repair, "e", true, false},
        {Command::Compress, &MDIMainWindow::Kompress, "f", true, false},
        {Command::Copy, &MDIMainWindow::Copy, "g", true, false},
        {Command::HostOnServer, &MDIMainWindow::HostOnServer, "", true, true},
        {Command::JoinServer, &MDIMainWindow::JoinServer, "", true, false},
        {Command::StartServer, &MDIMainWindow::StartServer, "", true, true},
        {Command::SaveAsFile, &MDIMainWindow::SaveAsFile, "", false, true},
        {Command::Exit, &MDIMainWindow::Avslutt, "n", true, true},
        {Command::ImportCsv, &MDIMainWindow::ImportCsv, "", false, true},
        {Command::ExportCsv, &MDIMainWindow::ExportCsv, "", false, true},
        {Command::ImportIof, &MDIMainWindow::ImportIof, "", false, true},
        {Command::MakeTextList, &MDIMainWindow::MakeResultslist, "h", false, true},
        {Command::ViewTextList, &MDIMainWindow::ViewResultslist, "i", false, true},
        {Command::MakeHtmlList, &MDIMainWindow::MakeResultslistHtml, "j", false, true},
        {Command::ViewHtmlList, &MDIMainWindow::ViewResultslistHtml, "k", false, true},
        {Command::MakeStartList, &MDIMainWindow::MakeStartlist, "", false, true},
        {Command::ViewStartList, &MDIMainWindow::ViewStartlist, "", false, true},
        {Command::ViewStartListHtml, &MDIMainWindow::ViewStartlistHtml, "", false, true},
        {Command::PrintList, &MDIMainWindow::PrintResultslist, "", false, true},
        {Command::PdfList, &MDIMainWindow::PdfResultslist, "", false, true},
        {Command::PrintStartList, &MDIMainWindow::PrintStartlist, "", false, true},
        {Command::StartListPdf, &MDIMainWindow::PdfStartlist, "", false, true},
        {Command::MakeIofXml, &MDIMainWindow::MakeIofXml, "", false, true},
        {Command::GeneralHelp, &MDIMainWindow::General, "l", true, true},
        {Command::HelpSearch, &MDIMainWindow::Search, "", true, true},
        {Command::AdapterHelp, &MDIMainWindow::Adapter, "m", true, true},
        {Command::About, &MDIMainWindow::About, "", true, true},
    };
    return table;
}

namespace {

// A help file that is not there is told, not shown as an empty window.
void showHelp(ui::Program& program, const std::string& file, int command) {
    const std::string path = base::NativePath(file);
    std::error_code error;
    // A regular file only: opening a FIFO put in its place would wait for ever.
    if (!std::filesystem::is_regular_file(path, error)) {
        program.info(lang::HelpFileMissingText().in(program.language) + path);
        return;
    }
    program.platform.help.showHelp(path, command);
}

}  // namespace

namespace {
void runCommand(ui::Program& program, Command command);
}

void RunCommand(ui::Program& program, Command command) {
    program.guard([&] { runCommand(program, command); });
}

namespace {

// The file commands enabled while a meet on a server is open, which act on it as their meaning
// allows.
bool isFileCommand(Command command) {
    return command == Command::Reset || command == Command::Repair ||
           command == Command::Compress || command == Command::Copy;
}

bool serverMeetOpen(const ui::Program& program) {
    return program.meet && pgdb::IsServerName(program.currentDatabase());
}

// Copy of a server meet is saving it back as a meet file; Repair and Compress are the
// server's own business, and Reset is for a meet file.
void serverFileCommand(ui::Program& program, Command command) {
    if (command == Command::Copy) {
        SaveServerMeetAsFile(program);
        return;
    }
    program.info((command == Command::Reset ? lang::ServerResetText()
                                             : lang::ServerKeepsMeetText())
                     .in(program.language));
}

void runCommand(ui::Program& program, Command command) {
    if (isFileCommand(command) && serverMeetOpen(program)) {
        serverFileCommand(program, command);
        return;
    }
    switch (command) {
        case Command::Open:
            OpenDatabase(program);
            break;
        case Command::Close:
            CloseDatabase(program);
            break;
        case Command::MakeNew:
            MakeNewDatabase(program);
            break;
        case Command::Reset:
            ResetDatabase(program);
            break;
        case Command::Repair:
            RepairDatabase(program);
            break;
        case Command::Compress:
            CompressDatabase(program);
            break;
        case Command::Copy:
            CopyDatabase(program);
            break;
        case Command::HostOnServer:
            HostOnServer(program);
            break;
        case Command::JoinServer:
            JoinServerMeet(program);
            break;
        case Command::StartServer:
            StartServerOnLaptop(program);
            break;
        case Command::SaveAsFile:
            SaveServerMeetAsFile(program);
            break;
        case Command::MakeTextList:
            results::WriteTextList(program);
            break;
        case Command::ViewTextList:
            results::ViewTextList(program);
            break;
        case Command::MakeHtmlList:
            results::WriteHtmlList(program);
            break;
        case Command::ViewHtmlList:
            results::ViewHtmlList(program);
            break;
        case Command::ImportCsv:
            ImportEntries(program);
            break;
        case Command::ExportCsv:
            ExportEntries(program);
            break;
        case Command::ImportIof:
            ImportIofEntries(program);
            break;
        case Command::MakeIofXml:
            results::WriteIofFiles(program);
            break;
        case Command::MakeStartList:
            results::WriteStartList(program);
            break;
        case Command::ViewStartList:
            results::ViewStartList(program);
            break;
        case Command::ViewStartListHtml:
            results::ViewStartListHtml(program);
            break;
        case Command::PrintList:
            results::PrintResultsList(program);
            break;
        case Command::PdfList:
            results::WriteResultsPdf(program);
            break;
        case Command::PrintStartList:
            results::PrintStartList(program);
            break;
        case Command::StartListPdf:
            results::WriteStartListPdf(program);
            break;
        case Command::Exit:
            ExitProgram(program);
            break;
        case Command::About:
            ShowAbout(program);
            break;
        case Command::GeneralHelp:
            showHelp(program, program.helpFile, ui::HelpContents);
            break;
        case Command::HelpSearch:
            showHelp(program, program.helpFile, ui::HelpPartialKey);
            break;
        case Command::AdapterHelp:
            // A bare file name, found beside the other help file.
            showHelp(program,
                     program.locations.dataFolder + "/" +
                         program.LanguageTexts[lang::entry::AdapterHelpFile],
                     ui::HelpContents);
            break;
        // The database and list commands are carried out by their own modules.
        default:
            break;
    }
}

}  // namespace

void SetCommandStates(ui::Program& program, bool databaseOpen) {
    for (const CommandInfo& info : CommandTable()) {
        bool enabled = databaseOpen ? info.enabledWithDatabase : info.enabledWithoutDatabase;
        if (databaseOpen && isFileCommand(info.command) && serverMeetOpen(program)) enabled = true;
        (program.MDIMain.*info.menu).setEnabled(enabled);
        if (*info.toolbarKey) program.Main.MainToolbar.setEnabled(info.toolbarKey, enabled);
    }
}

void SetDatabaseControls(ui::Program& program, bool databaseOpen) {
    auto& main = program.Main;
    for (int i = 0; i < ui::CaptureRows; ++i) {
        main.UpDown[i].setEnabled(databaseOpen);
        main.Number[i].setEnabled(databaseOpen);
        main.Set[i].setEnabled(databaseOpen);
        main.Delete[i].setEnabled(databaseOpen);
    }
    // Buttons of unchecked lines are disabled; those of checked lines are enabled only when a
    // database opens and otherwise keep their state.
    for (int i = 0; i < ui::ChannelTotal; ++i) {
        if (!main.SetupChannelCheck[i].checked())
            main.TimeButton[i].setEnabled(false);
        else if (databaseOpen)
            main.TimeButton[i].setEnabled(true);
    }
    for (ui::Control* control : std::initializer_list<ui::Control*>{
             &main.NameButton, &main.ResultsCombo, &main.ClubButton, &main.ClassButton,
             &main.NameNew, &main.ClubNew, &main.ClassNew, &main.CaptureNewCompetitor,
             &main.automaticCaptureCheck(), &main.NameMover, &main.ClassMover, &main.ClubMover})
        control->setEnabled(databaseOpen);
    main.SetupLanguageOption[static_cast<int>(lang::Language::Norwegian)].setEnabled(!databaseOpen);
    main.SetupLanguageOption[static_cast<int>(lang::Language::English)].setEnabled(!databaseOpen);
    main.Window.setKeyPreview(databaseOpen);
}

void EnterNoDatabaseState(ui::Program& program) {
    SetCommandStates(program, false);
    SetDatabaseControls(program, false);
}

void ShowAbout(ui::Program& program) {
    auto& about = program.MainAbout;
    for (int i = 0; i < 8; ++i)
        about.Label[i].setCaption(program.LanguageTexts[lang::entry::FirstAbout + i]);
    about.Window.setCaption(program.LanguageTexts[lang::entry::AboutTitle]);
    about.Button.setCaption(program.LanguageTexts[lang::entry::AboutButton]);
    about.Button.Click = [&about] { about.Window.setLoaded(false); };
    about.Window.setLoaded(true);
    program.dialogs().showModal(about);
}

void ExitProgram(ui::Program& program) {
    auto& main = program.Main;
    // Nothing changes before what the meet has not stored is safe: stored, or written beside.
    if (!SecureUnstored(program)) return;
    if (main.automaticCaptureCheck().checked()) main.automaticCaptureCheck().setChecked(false);
    try {
        main.UserData.updateRecord();
    } catch (const std::exception&) {
        // The settings were kept at each change; a failure here loses nothing new.
    }
    if (program.meet && !CloseDatabase(program)) return;
    program.platform.application.quit();
}

}  // namespace kvt::shell
