// A developer's tool: starts the program as a user would, makes a meet with a dozen
// competitors on the course, sets a status or two, and saves pictures of the course view and
// of the capture page with its count, its line of waiting times and its status box.
//   kvt_screenshot_course COURSE.png CAPTURE.png MEET.mdb
#include <QApplication>
#include <QThread>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "capture/poll.h"
#include "desktop/app.h"
#include "desktop/main_frame.h"
#include "shell/meet_commands.h"

namespace {

const char* names[][3] = {{"Ola", "Nordmann", "Sprint"},  {"Kari", "Berg", "Olsberg"},
                          {"Per", "Haugen", "Tornado"},   {"Ingrid", "Lie", "Sprint"},
                          {"Jonas", "Strand", "Olsberg"}, {"Marte", "Bakken", "Tornado"},
                          {"Henrik", "Moen", "Sprint"}};

void settle(int milliseconds) {
    for (int tick = 0; tick < milliseconds / 10; ++tick) {
        QCoreApplication::processEvents();
        QThread::msleep(10);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::cerr << "usage: kvt_screenshot_course COURSE.png CAPTURE.png MEET.mdb\n";
        return 2;
    }
    const QString coursePicture = argv[1], capturePicture = argv[2];
    const std::string meet = std::filesystem::absolute(argv[3]).string();
    return kvt::desktop::RunProgram(1, argv, [&](kvt::desktop::MainFrame& frame) {
        auto& program = frame.program();
        auto& main = program.Main;
        main.SetupCheck[1].setChecked(true);
        main.SetupText[0].setText("50");
        if (kvt::shell::MakeNewDatabaseFile(program, meet))
            kvt::shell::OpenDatabaseFile(program, meet);
        if (!program.meet) {
            QApplication::exit(1);
            return;
        }
        for (int k = 6; k <= 12; ++k) {
            const auto& name = names[k - 6];
            program.meet->editRecord(
                kvt::meet::Register::Competitors, k,
                {{1, name[0]}, {2, name[1]}, {3, name[2]}, {4, k % 2 ? "Junior" : "Senior"}});
        }
        main.SetupCheck[5].setChecked(true);
        main.SetupTimeOption[3].select();
        auto enter = [&](int n) {
            main.Number[9].setText(std::to_string(n));
            main.Number[9].KeyDown.raise(kvt::ui::KeyReturn);
            main.Number[9].KeyUp.raise(kvt::ui::KeyReturn);
        };
        for (int n = 1; n <= 12; ++n) {
            enter(n);
            settle(150);
        }
        for (int n : {2, 1, 5}) {
            enter(n);
            settle(120);
        }
        // A disqualification from the capture page, a DNF from the course view.
        auto& status = program.Race.CaptureStatus;
        status.Number.edit("2");
        status.Reason.edit("Kuttet løypa ved post 3");
        status.Dsq.click();
        program.Race.CourseButton.click();
        program.Race.Course.Number.edit("9");
        program.Race.Course.Dnf.click();
        // Times captured on line 1 beyond the ten rows of the list.
        main.SetupChannelCheck[0].setChecked(true);
        for (int press = 0; press < 13; ++press) {
            kvt::capture::PressLineKey(program, 0);
            settle(120);
        }
        settle(1200);  // the clock ticks: running times move on
        frame.clickMainTab(1);
        QTimer::singleShot(300, &frame, [&frame, coursePicture, capturePicture] {
            QWidget* course = frame.findChild<QWidget*>("Course");
            const bool saved =
                course && course->grab().save(coursePicture) && frame.grab().save(capturePicture);
            std::cout << (saved ? "saved " : "could not save ") << coursePicture.toStdString()
                      << ", " << capturePicture.toStdString() << "\n";
            QApplication::exit(saved ? 0 : 1);
        });
    });
}
