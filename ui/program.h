// The program object: the windows and the program-wide data that every handler receives.
#pragma once

#include <array>
#include <string>

#include "lang/language_texts.h"
#include "ui/data_binding.h"
#include "ui/services.h"
#include "ui/windows.h"

namespace kvt::ui {

struct Platform {
    Dialogs& dialogs;
    EventPump& pump;
    Clock& clock;
    Launcher& launcher;
    HelpViewer& help;
    Application& application;
    DatabaseEngine& engine;
};

struct Program {
    Program(Platform& platform, std::string programFolder);
    Program(const Program&) = delete;

    Platform& platform;
    // The folder of the executable: images, help files and User.ini lie here.
    const std::string programFolder;

    lang::TextTable LanguageTexts;
    // Which language routine ran last.
    lang::Language language = lang::Language::Norwegian;
    // The help file of the language in force (program folder and entry 65).
    std::string helpFile;
    // Programs that show the text list, indexed by the editor setting.
    std::array<std::string, 4> editors;

    MDIMainWindow MDIMain;
    MainWindow Main;
    MainAboutWindow MainAbout;

    // Counts read from the setup page.
    int HighestNumber = 0;
    int ClubCount = 0;
    int ClassCount = 0;
    int RegisteredCount = 0;
    int FetchedCount = 0;
    int TimeTableSize = 0;

    // Full path of the open meet database; empty while none is open.
    std::string currentDatabase;
    // The file name the shared file dialog chose last.
    std::string lastChosenFile;

    // Registers every control with the observer (the Qt layer or a test).
    void setObserver(ControlObserver* observer);
    // A message box with the program's title "Info" (entry 11) and an OK button.
    void info(const std::string& text);
    // Shows a text in the status bar's third panel.
    void status(const std::string& text);
};

}  // namespace kvt::ui
