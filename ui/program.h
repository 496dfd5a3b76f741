// The program object: the windows, the platform services and the open meet, handed to every
// handler.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "devices/adapter.h"
#include "devices/line_watch.h"
#include "devices/timer_link.h"
#include "lang/language_texts.h"
#include "meet/meet.h"
#include "storage/store.h"
#include "ui/data_binding.h"
#include "ui/locations.h"
#include "ui/race_controls.h"
#include "ui/services.h"
#include "ui/windows.h"

namespace kvt::ui {

struct Platform {
    Dialogs& dialogs;
    EventPump& pump;
    base::Clock& clock;
    Launcher& launcher;
    HelpViewer& help;
    Application& application;
    storage::Engine& engine;
    devices::Adapter& adapter;
    ImportDialogs& imports;
    // Printing and the web server, where the program has them (the desktop program does).
    Printer* printer = nullptr;
    WebServer* web = nullptr;
};

inline constexpr int MaxStartNumber = meet::MaxStartNumber;
inline constexpr int MaxClubOrClass = meet::MaxClubOrClass;

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
    // The statuses set during the race, who is on the course, the times that wait.
    RaceControls Race;

    // A server the program started on this laptop for the open meet; stopped when it closes.
    std::shared_ptr<void> laptopServer;
    // On a server meet: the station's own journal of impulses, on this computer's disk.
    std::unique_ptr<storage::StationJournal> stationJournal;
    // The open meet; none while no meet database is open.
    std::unique_ptr<meet::Meet> meet;
    // Full path of the open meet database; empty while none is open.
    std::string currentDatabase() const { return meet ? meet->path() : std::string(); }

    int PollCount = 0;
    int AdapterHandle = 0;
    // True while the adapter is open (automatic capture on).
    bool adapterOpen = false;
    // True while the "Test lines" view has the device open (automatic capture off).
    bool linesTesting = false;
    // Reads the adapter's lines for the poll (on a thread of its own in the desktop program).
    devices::LineWatch Watch{platform.adapter, platform.clock};
    // A timer's clock against the race clock, from its records since the device was opened.
    devices::TimerClockOffset timerOffset;
    // The timer's last records, the newest first, for the "Test lines" view.
    std::deque<devices::Impulse> timerRecords;

    // The meet folder with a trailing separator, where the results lists are written.
    std::string listFolder;
    // The file name the shared file dialog chose last.
    std::string lastChosenFile;
    // The meet database closed last in this run (where Reset's dialog starts).
    std::string lastClosedMeet;
    // The meet Make new made last, until the next Open offers it.
    std::string madeMeet;

    // The dialogs and the event pump, which refuse to run while a transaction is open (a
    // timer tick could then register a time into it).
    Dialogs& dialogs();
    ImportDialogs& importDialogs();
    void pumpEvents();

    // The shared file dialog on the meet databases, starting in the dialog folder; pending
    // events run after it. No value when the operator cancelled or chose no name.
    std::optional<std::string> chooseFile(const std::string& title, const std::string& preset,
                                          const std::string& filter = "Database (*.mdb)|*.mdb",
                                          const std::string& acceptLabel = "");

    // Busy pointer, status text and progress bar of a long step.
    void beginProgress(const std::string& text, int maximum);
    void progress(int value) { MDIMain.Progress.setValue(value); }
    void endProgress();

    // Registers every control with the observer (the Qt layer or a test).
    void setObserver(ControlObserver* observer);
    // A message box with the program's title "Info" (entry 11) and an OK button.
    void info(const std::string& text);
    // When an action of the meet could not be stored: a message that does not wait for the
    // operator, saying why and that the meet keeps what was not stored.
    void tellIfNotStored(const meet::Outcome& outcome);
    // Shows a text in the status bar's third panel.
    void status(const std::string& text);

    // An event handler that never lets a failure out: any exception ends in a message (the
    // handler's own, followed by the reason) instead of leaving the handler.
    std::function<void()> guarded(std::function<void()> handler,
                                  lang::Bilingual message = {nullptr, nullptr});
    // Runs work inside the guard at once.
    void guard(const std::function<void()>& work, lang::Bilingual message = {nullptr, nullptr});

private:
    class GuardedDialogs : public Dialogs {
    public:
        explicit GuardedDialogs(Program& program) : program_(program) {}
        std::optional<std::string> openFile(const FileDialogRequest& request) override;
        Answer message(const std::string& text, const std::string& title,
                       MessageButtons buttons) override;
        void notify(const std::string& text, const std::string& title) override;
        void showModal(MainAboutWindow& window) override;
        std::optional<ServerMeetAnswer> askServerMeet(const ServerMeetRequest& request) override;

    private:
        void check() const;
        Program& program_;
    };
    GuardedDialogs dialogs_{*this};
    class GuardedImportDialogs : public ImportDialogs {
    public:
        explicit GuardedImportDialogs(Program& program) : program_(program) {}
        bool preview(entries::ImportSession& session) override;
        bool report(const entries::ImportSession& session, const entries::Report& report) override;

    private:
        Program& program_;
    };
    GuardedImportDialogs importDialogs_{*this};
};

}  // namespace kvt::ui
