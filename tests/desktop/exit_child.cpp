// The program's real window and event loop, offscreen, ended by Exit the way an operator ends
// it. Once the event loop has returned it prints "ENDED" and whether a meet is still open.
//   kvt_exit_child FOLDER LANGUAGE WAY [MEET]
//     LANGUAGE  no | en
//     WAY       menu (Database > Exit) | toolbar (its Exit button) | close (the window's
//               close button, as the window system sends it)
//     MEET      a meet of that name in FOLDER is made and opened first, with line 1 checked
//               and automatic capture on
//   With KVT_EXIT_CONTROL set, the simulated lines read their commands from that path (what
//   Adapter.ini's "control=" names); automatic capture is then tried, not required.
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "desktop/import_dialog.h"
#include "desktop/main_frame.h"
#include "desktop/services.h"
#include "devices/adapter.h"
#include "meetdb/sqlite_engine.h"
#include "shell/commands.h"

using namespace kvt;

namespace {

// The file dialogs choose the meet; questions are answered No.
class ScriptedDialogs : public ui::Dialogs {
public:
    explicit ScriptedDialogs(std::string file) : file_(std::move(file)) {}
    std::optional<std::string> openFile(const ui::FileDialogRequest&) override { return file_; }
    ui::Answer message(const std::string& text, const std::string&, ui::MessageButtons) override {
        std::cout << "MESSAGE " << text << std::endl;
        return ui::Answer::No;
    }
    void notify(const std::string& text, const std::string&) override {
        std::cout << "NOTICE " << text << std::endl;
    }
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
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: kvt_exit_child FOLDER no|en menu|toolbar|close [MEET]\n";
        return 2;
    }
    const std::string folder = std::filesystem::absolute(argv[1]).string();
    const std::string language = argv[2], way = argv[3];
    const std::string meet = argc == 5 ? folder + "/" + argv[4] : "";
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);  // as the program itself runs
    ScriptedDialogs dialogs(meet);
    desktop::QtPump pump;
    desktop::SystemClock clock;
    NoLauncher launcher;
    NoHelp help;
    desktop::QtApplication app;
    meetdb::SqliteEngine engine;
    const char* control = std::getenv("KVT_EXIT_CONTROL");
    devices::SimulatedAdapter adapter(control ? control : "");
    desktop::QtImportDialogs imports;
    ui::Platform platform{dialogs, pump, clock, launcher, help, app, engine, adapter, imports};
    ui::Program program(platform, folder);
    program.Watch.setThreaded(true);
    desktop::MainFrame frame(program);
    shell::LoadMain(program);
    frame.refreshAll();
    frame.show();

    auto& main = program.Main;
    if (language == "en") main.SetupLanguageOption[1].select();
    if (!meet.empty()) {
        shell::RunCommand(program, shell::Command::MakeNew);
        shell::RunCommand(program, shell::Command::Open);
        if (program.currentDatabase().empty()) return 3;
        main.SetupChannelCheck[0].setChecked(true);
        main.SetupCheck[3].setChecked(true);
        if (!main.SetupCheck[3].checked() && !control) return 3;
    }
    std::cout << "READY " << program.MDIMain.Avslutt.caption() << std::endl;

    QTimer::singleShot(50, &frame, [&] {
        if (way == "menu") {
            frame.findChild<QAction*>("Avslutt")->trigger();
        } else if (way == "toolbar") {
            frame.findChild<QAction*>("MainToolbar_n")->trigger();
        } else {
            // What the window system sends when the operator clicks the close button.
            QCoreApplication::postEvent(frame.windowHandle(), new QCloseEvent);
        }
    });
    const int code = application.exec();
    std::cout << "ENDED " << (program.currentDatabase().empty() ? "closed" : "open") << " "
              << (main.SetupCheck[3].checked() ? "capturing" : "idle") << std::endl;
    return code;
}
