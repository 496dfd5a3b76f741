// Fakes of the platform services and a program set up in a folder of its own, so that each
// test starts fresh and drives the program as a user does.
#pragma once

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/race_clock.h"
#include "meetdb/sqlite_engine.h"
#include "pgdb/pg_engine.h"
#include "ui/program.h"

namespace kvt::testing {

class FakeDialogs : public ui::Dialogs {
public:
    // Answers given in turn; a file dialog with no answer left is cancelled, a question with
    // no answer left is answered No.
    std::deque<std::optional<std::string>> fileAnswers;
    std::deque<ui::Answer> answers;

    struct Shown {
        std::string text;
        std::string title;
        ui::MessageButtons buttons;
    };
    std::vector<Shown> messages;
    // Runs when a message is shown, before it is answered (the operator's hands meanwhile).
    std::function<void(const Shown&)> onMessage;
    std::vector<ui::FileDialogRequest> fileRequests;
    int modalShown = 0;
    std::function<void(ui::MainAboutWindow&)> whileModal;

    std::optional<std::string> openFile(const ui::FileDialogRequest& request) override;
    ui::Answer message(const std::string& text, const std::string& title,
                       ui::MessageButtons buttons) override;
    void showModal(ui::MainAboutWindow& window) override;
    std::vector<std::string> notices;
    void notify(const std::string& text, const std::string&) override { notices.push_back(text); }
    // Answers to the server meet's dialog in turn (none left: cancelled); the requests seen.
    std::deque<std::optional<ui::ServerMeetAnswer>> serverAnswers;
    std::vector<ui::ServerMeetRequest> serverRequests;
    std::optional<ui::ServerMeetAnswer> askServerMeet(const ui::ServerMeetRequest& request) override {
        serverRequests.push_back(request);
        if (serverAnswers.empty()) return std::nullopt;
        auto answer = serverAnswers.front();
        serverAnswers.pop_front();
        return answer;
    }
};

// The import's dialogs answered by the test: the preview may be changed first (as the operator
// would on it) and answered; the report is recorded and answered.
class FakeImportDialogs : public ui::ImportDialogs {
public:
    std::function<void(entries::ImportSession&)> onPreview;
    bool goOn = true;             // the preview's Import (false: Cancel)
    bool importGoodRows = false;  // the report's choice (false: nothing, back to the preview)
    // The preview shown again after the report was declined: Import (true) or Cancel.
    bool goOnAfterDeclining = false;
    int previews = 0;
    // The problems of the last report, as the operator reads them.
    std::vector<std::string> reported;
    int reports = 0;
    bool preview(entries::ImportSession& session) override {
        ++previews;
        if (onPreview) onPreview(session);
        const bool back = declined_;
        declined_ = false;
        return back ? goOnAfterDeclining : goOn;
    }
    bool report(const entries::ImportSession& session, const entries::Report& report) override {
        ++reports;
        reported.clear();
        for (const auto& problem : report.problems)
            reported.push_back(session.problemText(problem));
        declined_ = !importGoodRows;
        return importGoodRows;
    }

private:
    bool declined_ = false;
};

class FakePump : public ui::EventPump {
public:
    int calls = 0;
    std::function<void()> pending;  // what runs when events are let run
    void pumpEvents() override {
        ++calls;
        if (pending) pending();
    }
};

// A clock a test sets. Its monotonic moments are the nanoseconds since midnight of the time it
// shows, so that an edge stamped with such a moment reads as that time of day.
class FakeClock : public base::Clock {
public:
    base::LocalTime time;
    base::LocalTime now() override { return time; }
    base::MonotonicNanoseconds monotonicNow() override { return Nanoseconds(time); }
    base::LocalTime timeOf(base::MonotonicNanoseconds moment) override {
        return base::TimeOfDay(moment);
    }
    static base::MonotonicNanoseconds Nanoseconds(const base::LocalTime& t) {
        const long long ms = ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000 + t.millisecond;
        return (ms * 1000 + t.microsecond) * 1000;
    }
};

class FakeLauncher : public ui::Launcher {
public:
    std::vector<std::pair<std::string, std::string>> started;
    bool succeed = true;
    bool launch(const std::string& program, const std::string& argument) override {
        started.emplace_back(program, argument);
        return succeed;
    }
    std::vector<std::string> opened;
    bool openDocument(const std::string& path) override {
        opened.push_back(path);
        return succeed;
    }
};

// Keeps the lists it is given; a PDF is a small file holding the list's text, one cell a line.
class FakePrinter : public ui::Printer {
public:
    std::vector<ui::PrintedList> printed;
    std::vector<std::pair<std::string, ui::PrintedList>> pdfs;
    bool cancel = false;
    std::string failure;  // writePdf and print fail with this when not empty
    bool print(const ui::PrintedList& list, std::string& why) override {
        printed.push_back(list);
        why = failure;
        return !cancel && failure.empty();
    }
    // Writes at once, whole or not at all as the program's own writer does, and tells at once.
    void writePdf(const ui::PrintedList& list, const std::string& path,
                  std::function<void(const std::string&)> done) override;
};

// A web server that never listens: the answer it was given is called by the test instead.
class FakeWebServer : public ui::WebServer {
public:
    ui::WebAnswer answer;
    int port = 0;
    int starts = 0, stops = 0;
    std::string failure;  // start fails with this when not empty
    bool start(int chosen, ui::WebAnswer given, std::string& why) override {
        ++starts;
        if (!failure.empty()) {
            why = failure;
            return false;
        }
        port = chosen;
        answer = std::move(given);
        return true;
    }
    void stop() override {
        ++stops;
        answer = nullptr;
    }
    bool running() const { return static_cast<bool>(answer); }
    std::vector<std::string> addresses() const override {
        return {"http://192.0.2.7:" + std::to_string(port) + "/"};
    }
    // A GET of path as a browser would ask.
    ui::WebResponse get(const std::string& path) const { return answer({"GET", path}); }
};

class FakeHelp : public ui::HelpViewer {
public:
    std::vector<std::pair<std::string, int>> shown;
    void showHelp(const std::string& file, int command) override {
        shown.emplace_back(file, command);
    }
};

class FakeApplication : public ui::Application {
public:
    int quitCalls = 0;
    bool busy = false;
    void quit() override { ++quitCalls; }
    void setBusy(bool on) override { busy = on; }
};

// A program whose program folder is a fresh temporary folder.
class TestProgram {
public:
    // Its database engine uses the SQLite file system named (empty: the system's own).
    explicit TestProgram(const std::string& vfs = "");
    ~TestProgram();

    const std::filesystem::path& folder() const { return folder_; }
    std::string userIniPath() const { return (folder_ / "User.ini").string(); }
    // Writes a User.ini with one record of the four settings.
    void writeUserIni(const std::string& explorerPath, const std::string& language,
                      const std::string& editor, const std::string& editorPath);
    // The program, made on first use (after the folder is prepared).
    ui::Program& program();
    // Other dialogs than the fakes (the real ones of the desktop), given before program().
    void useDialogs(ui::Dialogs& other) { otherDialogs_ = &other; }
    // Another adapter or clock than the fakes (a back end over a test's pipes, the race clock
    // over a stepped time source), given before program().
    void useAdapter(devices::Adapter& other) { otherAdapter_ = &other; }
    void useClock(base::Clock& other) { otherClock_ = &other; }
    // Printing and a web server other than the fakes (the real ones of the desktop).
    void useServices(ui::Printer* otherPrinter, ui::WebServer* otherWeb) {
        otherPrinter_ = otherPrinter;
        otherWeb_ = otherWeb;
    }
    // Makes the program and runs the load of the main window.
    ui::Program& start();
    // Make new and Open from the Database menu on a meet file of the folder, as the operator
    // would choose it; returns its path.
    std::string makeAndOpenMeet(const std::string& name = "Meet.mdb");

    // Where the program looks for its files, when not everything lies in the folder (set
    // before the program is made).
    std::optional<ui::Locations> locations;

    FakeDialogs dialogs;
    FakePump pump;
    FakeClock clock;
    FakeLauncher launcher;
    FakePrinter printer;
    FakeWebServer web;
    FakeHelp help;
    FakeApplication application;
    FakeImportDialogs imports;
    meetdb::SqliteEngine engine;
    // Meets on a server beside the files; the program's engine is both.
    pgdb::PgEngine server;
    pgdb::Engines engines{engine, server};
    devices::SimulatedAdapter adapter;

private:
    std::filesystem::path folder_;
    std::filesystem::path previousDirectory_;
    std::unique_ptr<ui::Platform> platform_;
    std::unique_ptr<ui::Program> program_;
    ui::Dialogs* otherDialogs_ = nullptr;
    devices::Adapter* otherAdapter_ = nullptr;
    base::Clock* otherClock_ = nullptr;
    ui::Printer* otherPrinter_ = nullptr;
    ui::WebServer* otherWeb_ = nullptr;
};

// Reads one text field of the first record of a table straight from the file.
std::optional<std::string> ReadField(const std::string& database, const std::string& table,
                                     const std::string& field);

}  // namespace kvt::testing
