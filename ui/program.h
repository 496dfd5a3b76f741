// The program object: the windows and the program-wide data that every handler receives.
#pragma once

#include <array>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "capture/adapter.h"
#include "capture/line_watch.h"
#include "lang/language_texts.h"
#include "ui/data_binding.h"
#include "ui/locations.h"
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
    capture::Adapter& adapter;
};

// The capture state of one input channel.
struct ChannelState {
    int LineActive = 0;
    int LineLatched = 0;
    int CapturePending = 0;
    int DelayTicks = 0;
    std::string CaptureTime;
    // The clock's reading for that capture, to the millisecond.
    LocalTime CaptureClock;
    // The steady-clock instant the line was seen active for the capture waiting or made last.
    capture::LineWatch::Instant CaptureInstant;
};

inline constexpr int MaxStartNumber = 3000;
inline constexpr int MaxClubOrClass = 50;

// A registered time as the Time table holds it.
struct RegisteredTime {
    std::string time = "-";
    std::string number = "-";
    std::string kind = "-";
    std::string identification = "-";
    std::string rowIndex = "-";
};

// Timing states of a start number.
enum TimingState { NotStarted = 0, Started = 1, Finished = 2 };

struct Program {
    // Everything in the one program folder.
    Program(Platform& platform, std::string programFolder);
    Program(Platform& platform, Locations locations);
    Program(const Program&) = delete;

    Platform& platform;
    // Where the images, help files, User.ini and the meets are found.
    const Locations locations;
    // The folder of the executable.
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

    std::array<int, 7> ChannelCounts{};  // 1 to 6
    std::array<ChannelState, ChannelTotal> Channels;
    int PollCount = 0;
    // 1 from a registration by Enter until the key is released.
    int EnterLatch = 0;
    int AdapterHandle = 0;
    // Reads the adapter's lines for the poll (on a thread of its own in the desktop program).
    capture::LineWatch Watch{platform.adapter, platform.clock};
    // Time-table rows written in memory but not yet stored: row -> (LanguageTexts entry of
    // the field, value). Stored with the next change, so nothing counted is lost.
    std::map<int, std::vector<std::pair<int, std::string>>> PendingRows;
    // While true, a changed setup box is not stored at once (a registration stores the Setup
    // record itself, with its Time-table row).
    bool holdSetupWrites = false;

    // The open meet database in memory, by start number (0 to 3000), by club or class number
    // (0 to 50) and by Time-table row (1 to 3000).
    std::vector<std::string> CompetitorNames, CompetitorClubs, CompetitorClasses;
    std::vector<int> PaymentByNumber;
    std::vector<std::string> StartTimes, FinishTimes;
    std::vector<int> TimingStates;
    std::vector<std::string> ClubNames, ClassNames;
    std::vector<RegisteredTime> RegisteredTimes;

    // Full path of the open meet database; empty while none is open.
    std::string currentDatabase;
    // The meet folder with a trailing separator, where the results lists are written.
    std::string listFolder;
    // The file name the shared file dialog chose last.
    std::string lastChosenFile;

    // Reads the six counts from the setup page (text-to-number rule, 16 bits).
    void readCounts();
    // The shared file dialog on the meet databases, starting in the dialog folder; pending
    // events run after it. No value when the operator cancelled or chose no name.
    std::optional<std::string> chooseFile(const std::string& title, const std::string& preset);

    // Every in-memory table back to its empty values, the counters to 0.
    void clearTables();
    // Busy pointer, status text and progress bar of a long step.
    void beginProgress(const std::string& text, int maximum);
    void progress(int value) { MDIMain.Progress.setValue(value); }
    void endProgress();

    // Registers every control with the observer (the Qt layer or a test).
    void setObserver(ControlObserver* observer);
    // A message box with the program's title "Info" (entry 11) and an OK button.
    void info(const std::string& text);
    // Shows a text in the status bar's third panel.
    void status(const std::string& text);
};

}  // namespace kvt::ui
