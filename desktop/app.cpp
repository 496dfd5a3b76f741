#include "desktop/app.h"

#include <QApplication>
#include <QTimer>

#include "desktop/live_server.h"
#include "desktop/main_frame.h"
#include "desktop/results_printer.h"
#include "desktop/services.h"
#include "meetdb/sqlite_engine.h"
#include "shell/commands.h"

namespace kvt::desktop {

int RunProgram(int argc, char** argv, std::function<void(MainFrame&)> shown) {
    QApplication application(argc, argv);
    application.setApplicationName("kvt");
    application.setQuitOnLastWindowClosed(false);

    QtDialogs dialogs;
    QtPump pump;
    SystemClock clock;
    QtLauncher launcher;
    QtHelpViewer help;
    QtApplication app;
    meetdb::SqliteEngine engine;
    const auto locations = ui::FindLocations(QCoreApplication::applicationDirPath().toStdString());
    auto adapter = devices::MakeAdapter(locations.settingsFolder);
    QtPrinter printer;
    QtWebServer web;
    ui::Platform platform{dialogs, pump,   clock,    launcher, help,
                          app,     engine, *adapter, &printer, &web};
    ui::Program program(platform, locations);
    program.Watch.setThreaded(true);  // the lines are read beside the window

    MainFrame frame(program);
    dialogs.setParent(&frame);
    help.setParent(&frame);
    printer.setParent(&frame);
    shell::LoadMain(program);
    frame.refreshAll();
    frame.show();
    if (shown) QTimer::singleShot(0, &frame, [&] { shown(frame); });
    return application.exec();
}

}  // namespace kvt::desktop
