// A developer's tool: a start list with times for the README, and a picture of the starts
// page. Starts the program as a user would, makes a meet with sample names in the folder given,
// sets its classes to start at intervals one after the other, draws, and writes:
//   kvt_screenshot_starts FOLDER
// FOLDER/starts.png (the starts page) and the start list's files FOLDER/Startliste.txt and
// FOLDER/Startliste.htm.
#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "desktop/app.h"
#include "desktop/main_frame.h"
#include "results/start_list.h"
#include "shell/meet_commands.h"
#include "storage/record_fields.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: kvt_screenshot_starts FOLDER\n";
        return 2;
    }
    const fs::path folder = fs::absolute(argv[1]);
    fs::create_directories(folder);
    return kvt::desktop::RunProgram(1, argv, [&](kvt::desktop::MainFrame& frame) {
        auto& program = frame.program();
        auto& main = program.Main;
        const std::string path = (folder / "Intervallrenn.mdb").string();
        main.SetupCheck[1].setChecked(true);
        main.SetupText[0].setText("12");
        main.SetupText[2].setText("3");
        bool saved = kvt::shell::MakeNewDatabaseFile(program, path) &&
                     kvt::shell::OpenDatabaseFile(program, path);
        if (saved) {
            auto& meet = *program.meet;
            // Twelve competitors, four in each class.
            namespace at = kvt::storage::column::competitor;
            const char* const first[12] = {"Eirik", "Lars",  "Sindre", "Knut", "Geir", "Åse",
                                           "Tone",  "Ola",   "Kari",   "Nils", "Ingrid", "Per"};
            const char* const last[12] = {"Dahl", "Vika",  "Vika", "Østbø",  "Dahl", "Bråten",
                                          "Lie",  "Nordmann", "Berg", "Moen", "Haug", "Lund"};
            const char* const clubs[3] = {"Tornado", "Sprint", "Olsberg"};
            for (int n = 1; n <= 12; ++n)
                meet.editRecord(kvt::meet::Register::Competitors, n,
                                {{at::FirstName, first[n - 1]},
                                 {at::Surname, last[n - 1]},
                                 {at::Club, clubs[n % 3]},
                                 {at::Class, meet.className(1 + (n - 1) / 4)}});
            for (int c = 1; c <= meet.classCount(); ++c) {
                kvt::meet::ClassStart start;
                start.mode = kvt::meet::StartMode::Interval;
                start.firstStart = c == 1 ? "11.00.00.00" : "-";
                start.order = c == 2 ? kvt::meet::StartOrder::Random
                                     : kvt::meet::StartOrder::ByNumber;
                start.gap = 6000;
                saved = meet.setClassStart(c, start).stored && saved;
            }
            saved = meet.draw("09.00.00.00", 2026).stored && saved;
            kvt::results::WriteStartList(program);
            for (const char* list : {"Startliste.txt", "Startliste.htm"})
                fs::copy_file(folder / "Intervallrenn" / list, folder / list,
                              fs::copy_options::overwrite_existing);
            frame.resize(1280, 760);
            frame.show();
            frame.clickMainTab(7);
            main.StartsClassCombo.pick(1);
            for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
            const fs::path picture = folder / "starts.png";
            saved = frame.grab().save(QString::fromStdString(picture.string())) && saved;
            std::cout << (saved ? "saved " : "could not save ") << picture.string() << "\n";
        }
        QTimer::singleShot(0, &frame, [saved] { QApplication::exit(saved ? 0 : 1); });
    });
}
