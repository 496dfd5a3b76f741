// A developer's tool: a combined result of a two-run slalom for the README. Starts the program
// as a user would, makes a meet of twelve with sample names in the folder given, times both
// runs (one gives up in run 1, one is disqualified in run 2), and writes:
//   kvt_screenshot_runs FOLDER
// FOLDER/combined.png (the results page showing the combined result) and the combined text
// list FOLDER/Resultat.txt.
#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "desktop/app.h"
#include "desktop/main_frame.h"
#include "results/lists.h"
#include "shell/meet_commands.h"
#include "shell/run_commands.h"
#include "storage/record_fields.h"

namespace fs = std::filesystem;

namespace {

// h.m.s,hh as a time text.
std::string at(int h, int m, int s, int hh) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d.%02d", h, m, s, hh);
    return text;
}

// Competitor n started and finished on the first line of the list.
void race(kvt::meet::Meet& meet, int n, const std::string& start, const std::string& finish) {
    meet.typeNumber(0, std::to_string(n));
    meet.giveTimeNow(0, start);
    meet.releaseEnter();
    if (finish.empty()) return;
    meet.giveTimeNow(0, finish);
    meet.releaseEnter();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: kvt_screenshot_runs FOLDER\n";
        return 2;
    }
    const fs::path folder = fs::absolute(argv[1]);
    fs::create_directories(folder);
    return kvt::desktop::RunProgram(1, argv, [&](kvt::desktop::MainFrame& frame) {
        auto& program = frame.program();
        auto& main = program.Main;
        const std::string path = (folder / "Slalom.mdb").string();
        main.SetupCheck[1].setChecked(true);
        main.SetupText[0].setText("12");
        main.SetupText[2].setText("1");
        bool saved = kvt::shell::MakeNewDatabaseFile(program, path) &&
                     kvt::shell::OpenDatabaseFile(program, path);
        if (saved) {
            namespace field = kvt::storage::column::competitor;
            const char* const first[12] = {"Eirik", "Lars",  "Sindre", "Knut", "Geir", "Åse",
                                           "Tone",  "Ola",   "Kari",   "Nils", "Ingrid", "Per"};
            const char* const last[12] = {"Dahl", "Vika",  "Vika", "Østbø",  "Dahl", "Bråten",
                                          "Lie",  "Nordmann", "Berg", "Moen", "Haug", "Lund"};
            const char* const clubs[3] = {"Tornado", "Sprint", "Olsberg"};
            program.meet->editRecord(kvt::meet::Register::Classes, 1, {{2, "Slalom"}});
            for (int n = 1; n <= 12; ++n)
                program.meet->editRecord(kvt::meet::Register::Competitors, n,
                                         {{field::FirstName, first[n - 1]},
                                          {field::Surname, last[n - 1]},
                                          {field::Club, clubs[n % 3]},
                                          {field::Class, "Slalom"}});
            main.SetupTimeOption[3].select();
            main.SetupCheck[5].setChecked(true);  // differences
            saved = program.meet->setRunCount(2).stored;
            for (int n = 1; n <= 12; ++n)
                race(*program.meet, n, at(10, n, 0, 0),
                     n == 5 ? "" : at(10, n, 44 + (n * 7) % 9, (n * 37) % 100));
            program.meet->setRaceStatus(5, kvt::meet::RaceStatus::NotFinished);
            saved = kvt::shell::ChooseRun(program, 2) && saved;
            for (int n = 1; n <= 12; ++n)
                if (n != 5)
                    race(*program.meet, n, at(13, n, 0, 0),
                         at(13, n, 45 + (n * 5) % 7, (n * 53) % 100));
            program.meet->setRaceStatus(9, kvt::meet::RaceStatus::Disqualified, "Port 17");
            frame.resize(1280, 760);
            frame.show();
            frame.clickMainTab(6);
            main.ResultsCombo.pick(0);
            main.ResultsRunCombo.dropDown();
            main.ResultsRunCombo.pick(2);
            kvt::results::WriteTextList(program);
            fs::copy_file(folder / "Slalom" / "Resultat.txt", folder / "Resultat.txt",
                          fs::copy_options::overwrite_existing);
            for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
            const fs::path picture = folder / "combined.png";
            saved = frame.grab().save(QString::fromStdString(picture.string())) && saved;
            std::cout << (saved ? "saved " : "could not save ") << picture.string() << "\n";
        }
        QTimer::singleShot(0, &frame, [saved] { QApplication::exit(saved ? 0 : 1); });
    });
}
