// A developer's tool: starts the program as a user would, shows the given main tab and saves
// a picture of the window.  kvt_screenshot OUTPUT.png [TAB 1-6]
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdlib>
#include <iostream>

#include "desktop/app.h"
#include "desktop/main_frame.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: kvt_screenshot OUTPUT.png [TAB]\n";
        return 2;
    }
    const QString output = argv[1];
    const int tab = argc > 2 ? std::atoi(argv[2]) : 1;
    return kvt::desktop::RunProgram(1, argv, [&](kvt::desktop::MainFrame& frame) {
        frame.clickMainTab(tab);
        QTimer::singleShot(300, &frame, [&frame, output] {
            bool saved = frame.grab().save(output);
            std::cout << (saved ? "saved " : "could not save ") << output.toStdString() << "\n";
            QApplication::exit(saved ? 0 : 1);
        });
    });
}
