// A developer's tool: starts the program as a user would, optionally makes a meet database
// with sample names and opens it, shows the given main tab and saves a picture of the window.
// With a size (1366x768) the window is that size, as on a small laptop's screen. With
// "correction", the finish of 5 is taken back and that of 3 set by hand first, and the next
// correction (the finish of 2 given to 5) is shown typed.
//   kvt_screenshot OUTPUT.png [TAB 1-6] [MEET.mdb] [WIDTHxHEIGHT | correction]
#include <QApplication>
#include <QPixmap>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "base/time_text.h"
#include "capture/poll.h"
#include "desktop/app.h"
#include "desktop/main_frame.h"
#include "shell/meet_commands.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: kvt_screenshot OUTPUT.png [TAB] [MEET.mdb] [WIDTHxHEIGHT]\n";
        return 2;
    }
    const QString output = argv[1];
    const int tab = argc > 2 ? std::atoi(argv[2]) : 1;
    const std::string meet = argc > 3 ? std::filesystem::absolute(argv[3]).string() : "";
    int width = 0, height = 0;
    const bool correction = argc > 4 && std::string(argv[4]) == "correction";
    if (argc > 4 && !correction) std::sscanf(argv[4], "%dx%d", &width, &height);
    return kvt::desktop::RunProgram(1, argv, [&](kvt::desktop::MainFrame& frame) {
        if (!meet.empty()) {
            auto& program = frame.program();
            program.Main.SetupCheck[1].setChecked(true);
            if (kvt::shell::MakeNewDatabaseFile(program, meet))
                kvt::shell::OpenDatabaseFile(program, meet);
            // A short race: five competitors start and finish by Enter on the last line.
            auto& main = program.Main;
            main.SetupCheck[5].setChecked(true);
            main.SetupTimeOption[3].select();
            for (int round = 0; round < 2; ++round) {
                for (int n = 1; n <= 5; ++n) {
                    main.Number[9].setText(std::to_string(n));
                    main.Number[9].KeyDown.raise(kvt::ui::KeyReturn);
                    main.Number[9].KeyUp.raise(kvt::ui::KeyReturn);
                    QThread::msleep(round == 0 ? 20 : 137 * n);
                }
            }
            program.MDIMain.MakeResultslist.click();
            program.MDIMain.MakeResultslistHtml.click();
            main.ResultsCombo.pick(0);
            // A few times captured on lines 1 and 2, as F2 and F3 would.
            program.Main.SetupChannelCheck[0].setChecked(true);
            program.Main.SetupChannelCheck[1].setChecked(true);
            for (int press = 0; press < 4; ++press) {
                kvt::capture::PressLineKey(program, press % 2);
                for (int tick = 0; tick < 300; ++tick) QCoreApplication::processEvents();
                QThread::msleep(230);
            }
            if (correction) {
                auto& bar = main.ResultsCorrection;
                bar.Number.setText("5");
                bar.TakeBackFinish.click();
                bar.Number.setText("3");
                // A second after his start, by the backup watch.
                const long long start = kvt::base::TimeHundredths(program.meet->competitor(3).start);
                bar.Time.setText(kvt::base::HundredthsText(start + 100));
                bar.Reason.setText("Backup watch");
                bar.HandFinish.click();
                bar.Number.setText("2");
                bar.GiveTo.setText("5");
                bar.Time.setText("");
                bar.Reason.setText("");
            }
        }
        if (width > 0 && height > 0) frame.resize(width, height);
        frame.clickMainTab(tab);
        QTimer::singleShot(300, &frame, [&frame, output] {
            bool saved = frame.grab().save(output);
            std::cout << (saved ? "saved " : "could not save ") << output.toStdString() << "\n";
            QApplication::exit(saved ? 0 : 1);
        });
    });
}
