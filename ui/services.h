// The platform services the program is handed: real ones in the desktop front end, fakes in
// the tests.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/clock.h"
#include "entries/import.h"

namespace kvt::ui {

struct MainAboutWindow;

struct FileDialogRequest {
    std::string title;
    std::string fileName;  // preset name
    std::string filter;    // "Database (*.mdb)|*.mdb"
    std::string initialFolder;
    // The caption of the button that takes the name; empty: the dialog's own ("Open").
    std::string acceptLabel = {};
};

// The question for a meet on a database server: where the server is, the meet's database and
// its password, in the language of the program.
struct ServerMeetRequest {
    std::string title;
    std::string addressLabel, databaseLabel, passwordLabel, acceptLabel, cancelLabel;
    // What the fields hold when the dialog opens (what the user gave last time).
    std::string address, database, password;
};
struct ServerMeetAnswer {
    std::string address, database, password;
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
    // Asks for a server meet; no value when the operator cancelled (a platform without the
    // dialog always cancels).
    virtual std::optional<ServerMeetAnswer> askServerMeet(const ServerMeetRequest&) {
        return std::nullopt;
    }
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
    // Opens a document in the program the system chooses for its kind (a PDF in the system's
    // viewer); false when none could be started.
    virtual bool openDocument(const std::string& path) = 0;
};

// A list for paper: every page has a header (the title, the meet's name, the page numbers),
// then come the sections, each a heading over a table whose columns are the same for all.
struct PrintedSection {
    std::string heading;
    std::vector<std::vector<std::string>> rows;  // one cell a column
    // The section's own column headings, and which of its columns hold numbers or times, in
    // place of the list's (a report made of several kinds of table); empty: the list's.
    std::vector<std::string> columns;
    std::vector<bool> alignRight;
};

struct PrintedList {
    std::string title;
    std::string meetName;
    std::string pageNumbers;  // %1 the page, %2 the pages
    std::string continued;    // after a heading repeated at the top of the next page
    std::string empty;        // shown when there are no sections
    std::vector<std::string> columns;
    std::vector<bool> alignRight;  // a column of numbers or times
    std::vector<PrintedSection> sections;
};

// Printing and PDF (the Qt layer's print support).
class Printer {
public:
    virtual ~Printer() = default;
    // The print dialog with its preview; false when the operator cancelled or the printout
    // failed, and then failure says why (empty when the operator cancelled).
    virtual bool print(const PrintedList& list, std::string& failure) = 0;
    // Writes the list as a PDF file at path on the paper the system uses, away from the
    // window's thread (so that capture goes on meanwhile), whole or not at all: a file that
    // cannot be written leaves the earlier one. done is called on the window's thread once it
    // is in place, with the reason when it could not be ("" when it was).
    virtual void writePdf(const PrintedList& list, const std::string& path,
                          std::function<void(const std::string& failure)> done) = 0;
};

// One request to the web server: its method ("GET") and the path it asks for, without the
// query.
struct WebRequest {
    std::string method;
    std::string path;
};

struct WebResponse {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    // The connection is closed once the response is sent.
    bool close = false;
};

// Answers a request; called on the server's own thread, never on the window's.
using WebAnswer = std::function<WebResponse(const WebRequest&)>;

// A small HTTP server on the local network.
class WebServer {
public:
    virtual ~WebServer() = default;
    // Listens at port on every address of the machine and answers each request with answer.
    // False, with the reason in failure, when it cannot listen there.
    virtual bool start(int port, WebAnswer answer, std::string& failure) = 0;
    virtual void stop() = 0;
    // Where other devices reach it ("http://192.168.1.20:8080/") while it runs.
    virtual std::vector<std::string> addresses() const = 0;
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
