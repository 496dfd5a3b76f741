// The real program, offscreen, on one meet database with the simulated adapter driven from
// outside through a FIFO: it makes the meet when it is missing, opens it, checks the six lines,
// switches automatic capture on and runs. Each registration that has been stored is reported
// on standard output as "REG k identification time", so that a test that kills this process
// knows what was counted.
//   kvt_race_child MEET.mdb FIFO
#include <QApplication>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "capture/adapter.h"
#include "desktop/main_frame.h"
#include "desktop/services.h"
#include "meetdb/sqlite_engine.h"
#include "shell/commands.h"

using namespace kvt;

namespace {

// Every dialog answered without a person: the meet's file is chosen, questions get No.
class ScriptedDialogs : public ui::Dialogs {
public:
    explicit ScriptedDialogs(std::string file) : file_(std::move(file)) {}
    std::optional<std::string> openFile(const ui::FileDialogRequest&) override { return file_; }
    ui::Answer message(const std::string& text, const std::string&, ui::MessageButtons) override {
        std::cerr << "message: " << text << std::endl;
        return ui::Answer::No;
    }
    void notify(const std::string& text, const std::string&) override {
        std::cerr << "notice: " << text << std::endl;
    }
    void showModal(ui::MainAboutWindow&) override {}

private:
    std::string file_;
};

class NoLauncher : public ui::Launcher {
public:
    bool launch(const std::string&, const std::string&) override { return false; }
};

class NoHelp : public ui::HelpViewer {
public:
    void showHelp(const std::string&, int) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: kvt_race_child MEET.mdb FIFO\n";
        return 2;
    }
    const std::string meet = std::filesystem::absolute(argv[1]).string();
    QApplication application(argc, argv);
    ScriptedDialogs dialogs(meet);
    desktop::QtPump pump;
    desktop::SystemClock clock;
    NoLauncher launcher;
    NoHelp help;
    desktop::QtApplication app;
    meetdb::SqliteEngine engine;
    capture::SimulatedAdapter adapter(argv[2]);
    ui::Platform platform{dialogs, pump, clock, launcher, help, app, engine, adapter};
    ui::Program program(platform, std::filesystem::path(meet).parent_path().string());
    desktop::MainFrame frame(program);
    shell::LoadMain(program);
    frame.show();

    auto& main = program.Main;
    if (!std::filesystem::exists(meet)) {
        main.SetupCheck[1].setChecked(true);
        main.SetupText[0].setText("100");
        main.SetupText[8].setText("50");  // small, so that the Time table grows during a race
        program.readCounts();
        shell::RunCommand(program, shell::Command::MakeNew);
    }
    shell::RunCommand(program, shell::Command::Open);
    if (program.currentDatabase.empty()) return 1;
    for (auto& line : main.SetupChannelCheck) line.setChecked(true);
    main.SetupTimerValue[2].setCaption("2");
    main.SetupCheck[3].setChecked(true);
    if (!main.SetupCheck[3].checked()) return 1;

    int reported = program.RegisteredCount;
    std::cout << "READY " << reported << std::endl;
    QTimer report;
    QObject::connect(&report, &QTimer::timeout, [&] {
        if (!program.PendingRows.empty()) return;  // not stored yet
        for (; reported < program.RegisteredCount; ++reported) {
            const auto& slot = program.RegisteredTimes[reported + 1];
            std::cout << "REG " << reported + 1 << " " << slot.identification << " " << slot.time
                      << std::endl;
        }
    });
    report.start(2);
    return application.exec();
}
