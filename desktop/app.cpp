#include "desktop/app.h"

#include <QApplication>
#include <QTimer>

#include "desktop/guarded_application.h"
#include "desktop/import_dialog.h"
#include "desktop/live_server.h"
#include "desktop/main_frame.h"
#include "desktop/results_printer.h"
#include "desktop/services.h"
#include "lang/meet_texts.h"
#include "meetdb/sqlite_engine.h"
#include "pgdb/pg_engine.h"
#include "shell/commands.h"

namespace kvt::desktop {

int RunProgram(int argc, char** argv, std::function<void(MainFrame&)> shown) {
    GuardedApplication application(argc, argv);
    application.setApplicationName("kvt");
    application.setQuitOnLastWindowClosed(false);

    QtDialogs dialogs;
    QtPump pump;
    SystemClock clock;
    QtLauncher launcher;
    QtHelpViewer help;
    QtApplication app;
    meetdb::SqliteEngine files;
    pgdb::PgEngine server;
    // Meet files by their paths, meets on a server by their names.
    pgdb::Engines engine(files, server);
    const auto locations = ui::FindLocations(QCoreApplication::applicationDirPath().toStdString());
    auto adapter = devices::MakeAdapter(locations.settingsFolder);
    QtImportDialogs imports;
    QtPrinter printer;
    QtWebServer web;
    ui::Platform platform{dialogs, pump,     clock,   launcher, help, app,
                          engine,  *adapter, imports, &printer, &web};
    ui::Program program(platform, locations);
    program.Watch.setThreaded(true);  // the lines are read beside the window

    application.setFailureHandler([&program](const std::string& reason) {
        program.platform.application.setBusy(false);
        program.platform.dialogs.message(
            lang::UnexpectedFailureText().in(program.language) + reason,
            program.LanguageTexts[lang::entry::Info], ui::MessageButtons::Ok);
    });
    MainFrame frame(program);
    dialogs.setParent(&frame);
    imports.setParent(&frame);
    help.setParent(&frame);
    printer.setParent(&frame);
    shell::LoadMain(program);
    frame.refreshAll();
    frame.show();
    if (shown) QTimer::singleShot(0, &frame, [&] { shown(frame); });
    return application.exec();
}

}  // namespace kvt::desktop
