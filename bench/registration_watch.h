// What the benchmarks of the real program offscreen share: letting the window's events run for
// a while, and noting when each registration is shown.
#pragma once

#include <QCoreApplication>
#include <array>
#include <chrono>
#include <vector>

#include "ui/program.h"

namespace kvt::bench {

inline void runFor(int milliseconds) {
    using Steady = std::chrono::steady_clock;
    auto end = Steady::now() + std::chrono::milliseconds(milliseconds);
    while (Steady::now() < end) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Passes every change on to the window and notes when each registration is shown.
class Watcher : public ui::ControlObserver {
public:
    using Steady = std::chrono::steady_clock;
    Watcher(ui::ControlObserver& window, ui::Program& program)
        : window_(window), program_(program) {}
    std::array<std::vector<Steady::time_point>, 6> shown;
    void controlChanged(const ui::Control& control) override {
        window_.controlChanged(control);
        if (&control != &program_.Main.SetupText[ui::setup::RegisteredCountText]) return;
        const auto now = Steady::now();
        const auto& meet = *program_.meet;
        for (; seen_ < meet.registeredCount(); ++seen_) {
            const int line = meet.registered(seen_ + 1).identification[0] - '1';
            if (line >= 0 && line < 6) shown[line].push_back(now);
        }
    }
    void start() {
        seen_ = program_.meet->registeredCount();
        for (auto& line : shown) line.clear();
    }

private:
    ui::ControlObserver& window_;
    ui::Program& program_;
    int seen_ = 0;
};

}  // namespace kvt::bench
