// A developer's tool: pictures of the import's preview and report for the README, and a start
// list of the same meet. Starts the program as a user would, makes a meet with sample names in
// the folder given, reads a spreadsheet's file into the dialogs and saves them as pictures:
//   kvt_screenshot_import FOLDER
// writes FOLDER/import-preview.png, FOLDER/import-report.png and the start list's files
// FOLDER/Startliste.txt and FOLDER/Startliste.htm.
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "desktop/app.h"
#include "desktop/import_dialog.h"
#include "desktop/main_frame.h"
#include "results/start_list.h"
#include "shell/meet_commands.h"

namespace fs = std::filesystem;

namespace {

// Windows-1252, semicolons, a Norwegian header: as a club's spreadsheet saves it.
const char* const Sample =
    "Startnummer;Fornavn;Etternavn;Klubb;Klasse;F\xF8" "dt;Mobil\r\n"
    "1;Eirik;Dahl;Tornado;Junior;2009;91234567\r\n"
    "2;Lars;Vika;Tornado;Junior;2010;92345678\r\n"
    "3;Sindre;Vika;Sprint;Junior;2009;\r\n"
    "4;Kn\xE5t;\xD8stb\xF8;Olsberg;Senior;1988;93456789\r\n"
    "4;Geir;Dahl;Olsberg;Senior;1979;\r\n"
    "6;\xC5se;Br\xE5ten;Sprint;Senior;1991;94567890\r\n"
    "12;Tone;Lie;Tornado;Senior;1985;\r\n"
    "7;Ola;Nordmann;Bj\xF8rn IL;Veteran;1960;\r\n";

bool save(QWidget& widget, const fs::path& path) {
    widget.show();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    const bool saved = widget.grab().save(QString::fromStdString(path.string()));
    std::cout << (saved ? "saved " : "could not save ") << path.string() << "\n";
    widget.hide();
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: kvt_screenshot_import FOLDER\n";
        return 2;
    }
    const fs::path folder = fs::absolute(argv[1]);
    fs::create_directories(folder);
    return kvt::desktop::RunProgram(1, argv, [&](kvt::desktop::MainFrame& frame) {
        auto& program = frame.program();
        const std::string meet = (folder / "Importrenn.mdb").string();
        program.Main.SetupCheck[1].setChecked(true);
        bool saved = kvt::shell::MakeNewDatabaseFile(program, meet) &&
                     kvt::shell::OpenDatabaseFile(program, meet);
        if (saved) {
            kvt::entries::ImportSession session(Sample, *program.meet, program.language);
            kvt::desktop::ImportPreviewDialog preview(session, &frame);
            saved = save(preview, folder / "import-preview.png");
            kvt::desktop::ImportReportDialog report(session, session.check(), &frame);
            saved = save(report, folder / "import-report.png") && saved;
            program.meet->importEntries(kvt::meet::Register::Competitors, session.goodEntries());
            kvt::results::WriteStartList(program);
            for (const char* list : {"Startliste.txt", "Startliste.htm"})
                fs::copy_file(folder / "Importrenn" / list, folder / list,
                              fs::copy_options::overwrite_existing);
        }
        QTimer::singleShot(0, &frame, [saved] { QApplication::exit(saved ? 0 : 1); });
    });
}
