// The real program, offscreen, on one meet database with the simulated adapter driven from
// outside through a FIFO: it makes the meet when it is missing (COMPETITORS competitors in 15
// classes), opens it, checks the six lines, switches automatic capture on and runs. Each
// registration is reported on standard output as "REG k identification time" as soon as the
// operator can see it (the count of registered times on the setup page shows it), so that a
// test that kills this process knows what the operator was shown as counted.
// On standard input it takes what an operator does, one command a line:
//   TYPE line text    types a start number on a capture line
//   ENTER line        Enter in that number box (pressed and released)
//   SET line          the line's "<<" button
//   GIVE number       the number typed on the first line offering a time, then its "<<"
// ENTER, SET and GIVE answer "DONE word line number out in": the line and its number, and its
// out and in lamps (1 lit) after the action, as the operator sees them.
//   CORRECT what n [m] a correction on the results page for start number n: REASSIGN n m (his
//                     finish given to m), TAKESTART n, TAKEFINISH n, HANDSTART n, HANDFINISH n
//                     (the time now, with a reason), UNDO, REDO; answers "STATES s1 s2 ..."
//                     (every competitor's state after it, 0 not started, 1 out, 2 in)
//   KEY c             the function key of line c (1 to 6)
//   OPTION n on|off   a check box of the setup page (SetupCheck n)
//   STATUS number s   the status box of the capture page: s is DNS, DNF, DSQ (with a reason)
//                     or CLEAR; answers "STATUS number stored word": 1 when no edit waits
//                     to be stored, and the competitor's status as the meet holds it
//   COUNT             prints "COUNT n": the times registered so far
//   WAITING           prints "WAITING n": 0 when everything the meet holds is stored, else
//                     the times waiting to be stored (at least 1)
//   LISTS             writes both results lists
//   CLUB name         a club added on the club page and named there; answers
//                     "ADDED club position name" once it is stored
//   CLASS name        a class added on the class page and named there; "ADDED class ..."
//   LATE number first class
//                     a late entry: the number typed on line 8, the capture page's "New
//                     competitor", his first name and class on the competitor page;
//                     "ADDED competitor position number" once stored
//   RUNS n            the number of runs set on the starts page; answers "DONE RUNS"
//   RUN n             the run to be timed chosen on the starts page (the meet read again for
//                     it); answers "RUN n" with the run the meet times then
//   QUIT              ends the program
//   NAME number text  the surname of competitor record number on the competitor page (stored
//                     when the page moves on); answers "NAMED number name" as the meet holds it
//   TIMES number      prints "TIMES number start finish" as the meet holds them
//   RESULTS           prints "RESULTS" and every class's ranked rows as "class:place:number"
//   kvt_race_child MEET.mdb FIFO [COMPETITORS]
// A station of a server meet: MEET is the meet's name (postgresql://user@host:port/database),
// its password in the environment's KVT_MEET_PASSWORD; the meet must be there. Each notice the
// operator is shown is printed as "NOTICE text" then, and "SEEN k identification time" as soon
// as a time is registered and shown in its list, stored on the server or still waiting to be
// sent.
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "desktop/import_dialog.h"
#include "desktop/main_frame.h"
#include "desktop/services.h"
#include "devices/adapter.h"
#include "meetdb/sqlite.h"
#include "meetdb/sqlite_engine.h"
#include "pgdb/pg_engine.h"
#include "pgdb/server_name.h"
#include "shell/commands.h"
#include "shell/run_commands.h"
#include "shell/meet_commands.h"
#include "shell/server_commands.h"

using namespace kvt;

namespace {

// Every dialog answered without a person: the meet's file is chosen, questions get No.
class ScriptedDialogs : public ui::Dialogs {
public:
    explicit ScriptedDialogs(std::string file) : file_(std::move(file)) {}
    std::optional<std::string> openFile(const ui::FileDialogRequest&) override { return file_; }
    ui::Answer message(const std::string& text, const std::string&, ui::MessageButtons) override {
        std::cerr << "message: " << text << std::endl;
        last = text;
        return ui::Answer::No;
    }
    std::string last;  // the last message shown
    void notify(const std::string& text, const std::string&) override {
        std::cerr << "notice: " << text << std::endl;
        if (station) std::cout << "NOTICE " << text << std::endl;
    }
    bool station = false;
    void showModal(ui::MainAboutWindow&) override {}

private:
    std::string file_;
};

class NoLauncher : public ui::Launcher {
public:
    bool launch(const std::string&, const std::string&) override { return false; }
    bool openDocument(const std::string&) override { return false; }
};

class NoHelp : public ui::HelpViewer {
public:
    void showHelp(const std::string&, int) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: kvt_race_child MEET.mdb FIFO [COMPETITORS]\n";
        return 2;
    }
    const bool station = pgdb::IsServerName(argv[1]);
    const std::string meet = station ? argv[1] : std::filesystem::absolute(argv[1]).string();
    QApplication application(argc, argv);
    ScriptedDialogs dialogs(meet);
    dialogs.station = station;
    desktop::QtPump pump;
    desktop::SystemClock clock;
    NoLauncher launcher;
    NoHelp help;
    desktop::QtApplication app;
    meetdb::SqliteEngine files;
    pgdb::PgEngine server;
    pgdb::Engines engine(files, server);
    devices::SimulatedAdapter adapter(argv[2]);
    desktop::QtImportDialogs imports;
    ui::Platform platform{dialogs, pump, clock, launcher, help, app, engine, adapter, imports};
    // A station's settings (its own journal among them) beside its line file.
    ui::Program program(platform, std::filesystem::path(station ? std::filesystem::absolute(argv[2])
                                                                : std::filesystem::path(meet))
                                      .parent_path()
                                      .string());
    program.Watch.setThreaded(true);  // as the desktop program reads its lines
    desktop::MainFrame frame(program);
    shell::LoadMain(program);
    frame.show();

    auto& main = program.Main;
    if (!station && !std::filesystem::exists(meet)) {
        main.SetupCheck[1].setChecked(true);
        main.SetupText[0].setText(argc == 4 ? argv[3] : "100");
        main.SetupText[2].setText("15");
        main.SetupText[8].setText("50");  // small, so that the Time table grows during a race
        shell::RunCommand(program, shell::Command::MakeNew);
        // The registers as an operator would have filled them: classes K1 to K15, and the
        // competitors spread over them.
        meetdb::Connection db(meet, meetdb::Connection::Mode::ReadWrite);
        db.execute("UPDATE \"Klasser\" SET \"Navn\" = 'K' || rowid");
        db.execute(
            "UPDATE \"Deltakere\" SET \"4\" = 'K' || (1 + (rowid - 1) % 15), "
            "\"1\" = 'Runner', \"2\" = rowid");
    }
    if (station) {
        const char* password = std::getenv("KVT_MEET_PASSWORD");
        shell::OpenServerMeet(program, meet, password ? password : "");
    } else {
        shell::RunCommand(program, shell::Command::Open);
    }
    if (program.currentDatabase().empty()) {
        std::cout << "REFUSED " << dialogs.last << std::endl;
        return 1;
    }
    for (auto& line : main.SetupChannelCheck) line.setChecked(true);
    main.SetupTimerValue[2].setCaption("2");
    main.SetupCheck[3].setChecked(true);
    if (!main.SetupCheck[3].checked()) return 1;

    // What the operator sees: the count box of the setup page.
    auto shownCount = [&] {
        return std::atoi(main.SetupText[ui::setup::RegisteredCountText].text().c_str());
    };
    int reported = shownCount();
    std::cout << "READY " << reported << std::endl;
    int seen = program.meet->registeredCount();
    auto reportStored = [&] {
        if (!program.meet) return;
        for (; station && seen < program.meet->registeredCount(); ++seen) {
            const auto& slot = program.meet->registered(seen + 1);
            std::cout << "SEEN " << seen + 1 << " " << slot.identification << " " << slot.time
                      << std::endl;
        }
        for (const int shown = shownCount(); reported < shown; ++reported) {
            const auto& slot = program.meet->registered(reported + 1);
            std::cout << "REG " << reported + 1 << " " << slot.identification << " " << slot.time
                      << std::endl;
        }
    };
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, reportStored);
    report.start(2);

    // The operator's hands, from standard input.
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&commands, &QSocketNotifier::activated, [&] {
        char chunk[4096];
        ssize_t got = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (got <= 0) {
            commands.setEnabled(false);
            return;
        }
        pending.append(chunk, got);
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string command = pending.substr(0, end);
            std::istringstream line(command);
            pending.erase(0, end + 1);
            std::string word, text;
            int index = 0;
            line >> word >> index;
            if (word == "TYPE") {
                line >> text;
                main.Number[index].setText(text);
            } else if (word == "ENTER" || word == "SET" || word == "GIVE") {
                int row = index;
                if (word == "GIVE") {
                    row = -1;
                    for (int i = 0; i < ui::CaptureRows && row < 0; ++i)
                        if (main.RegTime[i].text() != "-" && !main.RegTime[i].text().empty())
                            row = i;
                    if (row >= 0) main.Number[row].setText(std::to_string(index));
                }
                if (row >= 0) {
                    if (word == "ENTER") {
                        main.Number[row].KeyDown.raise(ui::KeyReturn);
                        main.Number[row].KeyUp.raise(ui::KeyReturn);
                    } else {
                        main.Set[row].click();
                    }
                    reportStored();
                    std::cout << "DONE " << word << " " << row << " " << main.Number[row].text()
                              << " " << main.Outled[row].lit() << " " << main.Inled[row].lit()
                              << std::endl;
                } else {
                    std::cout << "DONE " << word << " none" << std::endl;
                }
                continue;
            } else if (word == "CORRECT") {
                auto& bar = main.ResultsCorrection;
                std::string what;
                int number = 0, to = 0;
                std::istringstream command(line.str());  // the whole line again
                command >> word >> what >> number >> to;
                bar.Number.setText(std::to_string(number));
                if (what == "REASSIGN") {
                    bar.GiveTo.setText(std::to_string(to));
                    bar.Reassign.click();
                } else if (what == "TAKESTART") {
                    bar.TakeBackStart.click();
                } else if (what == "TAKEFINISH") {
                    bar.TakeBackFinish.click();
                } else if (what == "HANDSTART" || what == "HANDFINISH") {
                    bar.Time.setText(main.ExactTime.text());
                    bar.Reason.setText("Backup watch");
                    (what == "HANDSTART" ? bar.HandStart : bar.HandFinish).click();
                } else if (what == "UNDO") {
                    bar.Undo.click();
                } else if (what == "REDO") {
                    bar.Redo.click();
                }
                reportStored();
                std::cout << "STATES";
                for (int n = 1; program.meet && n <= program.meet->highestNumber(); ++n)
                    std::cout << " " << program.meet->competitor(n).state;
                std::cout << std::endl;
            } else if (word == "KEY") {
                main.Window.pressKey(ui::KeyF2 + index - 1);
            } else if (word == "OPTION") {
                line >> text;
                main.SetupCheck[index].setChecked(text == "on");
            } else if (word == "STATUS") {
                line >> text;
                auto& box = program.Race.CaptureStatus;
                box.Number.edit(std::to_string(index));
                box.Reason.edit(text == "DSQ" ? "Kill test" : "");
                ui::CommandButton& button = text == "DNS"   ? box.Dns
                                            : text == "DNF" ? box.Dnf
                                            : text == "DSQ" ? box.Dsq
                                                            : box.Clear;
                button.click();
                if (program.meet)
                    std::cout << "STATUS " << index << " " << (program.meet->unstoredEdits() == 0)
                              << " " << program.meet->competitor(index).status << std::endl;
                continue;
            } else if (word == "COUNT") {
                std::cout << "COUNT " << shownCount() << std::endl;
            } else if (word == "WAITING") {
                reportStored();
                const int waiting = !program.meet || program.meet->allStored()
                                        ? 0
                                        : std::max(1, program.meet->unstoredTimes());
                std::cout << "WAITING " << waiting << std::endl;
            } else if (word == "CLUB" || word == "CLASS" || word == "LATE") {
                // "CLUB name", "CLASS name", "LATE number first class", read again whole.
                std::istringstream words(command);
                std::string first, className;
                words >> word;
                if (word == "LATE") words >> index;
                words >> first >> className;
                const bool club = word == "CLUB";
                const auto which = word == "LATE" ? meet::Register::Competitors
                                   : club         ? meet::Register::Clubs
                                                  : meet::Register::Classes;
                if (word == "LATE") {
                    main.Number[8].setText(std::to_string(index));
                    main.CaptureNewCompetitor.click();
                    main.NameText[0].setText(first);
                    main.NameCombo[1].setText(className);
                    main.NameButton.click();
                } else {
                    (club ? main.ClubNew : main.ClassNew).click();
                    const std::string& name = first;
                    if (club) {
                        main.ClubText[0].setText(name);
                        main.ClubButton.click();
                    } else {
                        main.ClassText[1].setText(name);
                        main.ClassButton.click();
                    }
                }
                if (program.meet && program.meet->allStored()) {
                    const int position = program.meet->registerCount(which);
                    std::cout << "ADDED " << (word == "LATE" ? "competitor" : club ? "club" : "class")
                              << " " << position << " "
                              << (word == "LATE" ? std::to_string(program.meet->recordNumber(position))
                                                 : first)
                              << std::endl;
                }
                continue;
            } else if (word == "RUNS") {
                main.StartsRunsText.setText(std::to_string(index));
                main.StartsRunsButton.click();
            } else if (word == "RUN") {
                shell::ChooseRun(program, index);
                std::cout << "RUN " << (program.meet ? program.meet->run() : 0) << std::endl;
                continue;
            } else if (word == "NAME") {
                // The surname of competitor record index on the competitor page, stored when
                // the page moves on to another record.
                line >> text;
                main.NameMover.setText(std::to_string(index));
                main.NameText[1].setText(text);
                main.NameMover.setText(std::to_string(index == 1 ? 2 : 1));
                if (program.meet)
                    std::cout << "NAMED " << index << " " << program.meet->competitor(index).name
                              << std::endl;
                continue;
            } else if (word == "TIMES") {
                if (program.meet)
                    std::cout << "TIMES " << index << " " << program.meet->competitor(index).start
                              << " " << program.meet->competitor(index).finish << std::endl;
                continue;
            } else if (word == "RESULTS") {
                std::cout << "RESULTS";
                for (int c = 1; program.meet && c <= program.meet->classCount(); ++c)
                    for (const auto& row : program.meet->results(c).rows())
                        std::cout << " " << c << ":" << row.place << ":" << row.number;
                std::cout << std::endl;
                continue;
            } else if (word == "LISTS") {
                shell::RunCommand(program, shell::Command::MakeTextList);
                shell::RunCommand(program, shell::Command::MakeHtmlList);
            } else if (word == "QUIT") {
                // Exit closes the meet database; everything is stored when it returns.
                reportStored();
                shell::RunCommand(program, shell::Command::Exit);
                std::cout << "DONE QUIT" << std::endl;
                std::_Exit(program.currentDatabase().empty() ? 0 : 1);
            }
            std::cout << "DONE " << word << std::endl;
        }
    });
    return application.exec();
}
