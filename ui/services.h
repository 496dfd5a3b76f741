// The platform services the program is handed: real ones in the desktop front end, fakes in
// the tests.
#pragma once

#include <optional>
#include <string>

#include "base/clock.h"
#include "entries/import.h"

namespace kvt::ui {

struct MainAboutWindow;

struct FileDialogRequest {
    std::string title;
    std::string fileName;  // preset name
    std::string filter;    // "Database (*.mdb)|*.mdb"
    std::string initialFolder;
};

enum class MessageButtons { Ok, YesNo };
enum class Answer { Ok, Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // The chosen file's full path; no value when the operator cancelled.
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;
    virtual Answer message(const std::string& text, const std::string& title,
                           MessageButtons buttons) = 0;
    // A message that does not wait for the operator (capture goes on while it is shown).
    virtual void notify(const std::string& text, const std::string& title) = 0;
    // Shows the window modally until it is unloaded.
    virtual void showModal(MainAboutWindow& window) = 0;
};

// The import's two dialogs; their logic is the session's, which they change and show.
class ImportDialogs {
public:
    virtual ~ImportDialogs() = default;
    // The preview: the operator chooses the register, separator, encoding, header and the
    // field of each column on the session. True when he goes on to import.
    virtual bool preview(entries::ImportSession& session) = 0;
    // The rows that cannot be imported: true imports the good rows, false nothing.
    virtual bool report(const entries::ImportSession& session, const entries::Report& report) = 0;
};

// Lets pending window events (and timer ticks) run.
class EventPump {
public:
    virtual ~EventPump() = default;
    virtual void pumpEvents() = 0;
};

// Starts another program (editor, word processor, browser) in a normal window.
class Launcher {
public:
    virtual ~Launcher() = default;
    // False when the program could not be started.
    virtual bool launch(const std::string& program, const std::string& argument) = 0;
};

// Help viewer commands.
inline constexpr int HelpContents = 3;
inline constexpr int HelpPartialKey = 261;

class HelpViewer {
public:
    virtual ~HelpViewer() = default;
    virtual void showHelp(const std::string& helpFile, int command) = 0;
};

class Application {
public:
    virtual ~Application() = default;
    // Ends the program after the current event.
    virtual void quit() = 0;
    // The hourglass mouse pointer while true.
    virtual void setBusy(bool busy) = 0;
};

}  // namespace kvt::ui
