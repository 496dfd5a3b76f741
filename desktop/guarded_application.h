// The Qt application with the last of the guards: a failure that a handler let out ends in a
// message here, never in the event loop (which would end the program).
#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace kvt::desktop {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    // Tells the reason of a failure that reached the event loop.
    void setFailureHandler(std::function<void(const std::string&)> handler) {
        failure_ = std::move(handler);
    }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    std::function<void(const std::string&)> failure_;
    bool telling_ = false;
};

}  // namespace kvt::desktop
