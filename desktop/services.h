// The platform services as Qt provides them.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "base/race_clock.h"
#include "desktop/help_window.h"
#include "ui/services.h"

namespace kvt::desktop {

class QtDialogs : public ui::Dialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    std::optional<std::string> openFile(const ui::FileDialogRequest& request) override;
    ui::Answer message(const std::string& text, const std::string& title,
                       ui::MessageButtons buttons) override;
    void showModal(ui::MainAboutWindow& window) override;
    std::optional<ui::ServerMeetAnswer> askServerMeet(const ui::ServerMeetRequest& request) override;
    // Into the parent window's notice strip, which never takes the keyboard focus.
    void notify(const std::string& text, const std::string& title) override;

private:
    QPointer<QWidget> parent_;
};

class QtPump : public ui::EventPump {
public:
    void pumpEvents() override;
};

// The race clock on the system's own clocks.
class SystemClock : public base::RaceClock {
public:
    SystemClock() : RaceClock(source()) {}

private:
    static base::SystemTimeSource& source() {
        static base::SystemTimeSource system;
        return system;
    }
};

class QtLauncher : public ui::Launcher {
public:
    bool launch(const std::string& program, const std::string& argument) override;
    bool openDocument(const std::string& path) override;
};

class QtHelpViewer : public ui::HelpViewer {
public:
    ~QtHelpViewer() override;
    void setParent(QWidget* parent) { parent_ = parent; }
    void showHelp(const std::string& helpFile, int command) override;
    HelpWindow* window() const { return window_; }

private:
    QPointer<QWidget> parent_;
    QPointer<HelpWindow> window_;
};

class QtApplication : public ui::Application {
public:
    void quit() override;
    void setBusy(bool busy) override;

private:
    bool busy_ = false;
};

}  // namespace kvt::desktop
