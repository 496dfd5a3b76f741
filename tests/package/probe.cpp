// Preloaded (LD_PRELOAD) into the installed program by the package tests: it acts as the
// operator through the real widgets, found by their object names, and reports what it sees
// on standard output, one line a step. The program itself carries no test hook. The steps
// come from KVT_PROBE_STEPS, separated by ';':
//   title          "TITLE <the frame window's title>"
//   english        clicks the English option of the setup page
//   help           the general help: "HELP <topics listed> <the help window's title>"
//   adapterhelp    the adapter help: "ADAPTERHELP <topics listed> <title>"
//   makenew NAME   Make new: "DIALOG <folder the file dialog shows>", then NAME typed into
//                  its file name box and the dialog accepted; "MADE" once the command is over
//   quit           the Exit command
// A message box is reported as "MESSAGE <text>" and closed. A probe that has not finished
// after a minute ends the program with exit code 3.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <iostream>

namespace {

class Probe : public QObject {
public:
    Probe() : QObject(qApp) {
        steps_ = QString::fromLocal8Bit(qgetenv("KVT_PROBE_STEPS")).split(';', Qt::SkipEmptyParts);
        clock_.start();
        connect(&timer_, &QTimer::timeout, this, &Probe::tick);
        timer_.start(50);
    }

private:
    static void report(const QString& line) { std::cout << line.toStdString() << std::endl; }

    static QWidget* topLevel(const char* name) {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->objectName() == name && widget->isVisible()) return widget;
        return nullptr;
    }

    template <typename T>
    static T* inFrame(const char* name) {
        QWidget* frame = topLevel("MDIMain");
        return frame ? frame->findChild<T*>(name) : nullptr;
    }

    void tick() {
        if (clock_.elapsed() > 60000) {
            report("TIMEOUT");
            std::_Exit(3);
        }
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            report("MESSAGE " + box->text());
            box->accept();
            return;
        }
        if (waitFor_) {
            if (!waitFor_()) return;
            waitFor_ = nullptr;
        }
        if (!topLevel("MDIMain") || steps_.isEmpty()) return;
        run(steps_.takeFirst().trimmed());
    }

    void reportHelp(const char* word) {
        QWidget* help = topLevel("HelpWindow");
        auto* contents = help ? help->findChild<QListWidget*>("HelpContents") : nullptr;
        report(QString("%1 %2 %3")
                   .arg(word)
                   .arg(contents ? contents->count() : -1)
                   .arg(help ? help->windowTitle() : QString()));
    }

    void run(const QString& step) {
        const QString word = step.section(' ', 0, 0);
        const QString argument = step.section(' ', 1);
        if (word == "title") {
            report("TITLE " + topLevel("MDIMain")->windowTitle());
        } else if (word == "english") {
            inFrame<QRadioButton>("SetupLanguageOption_1")->click();
        } else if (word == "help" || word == "adapterhelp") {
            inFrame<QAction>(word == "help" ? "General" : "Adapter")->trigger();
            reportHelp(word == "help" ? "HELP" : "ADAPTERHELP");
        } else if (word == "makenew") {
            // Queued, so that the probe goes on ticking inside the dialog's own event loop.
            QMetaObject::invokeMethod(inFrame<QAction>("MakeNew"), &QAction::trigger,
                                      Qt::QueuedConnection);
            waitFor_ = [argument] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (!dialog) return false;
                report("DIALOG " + dialog->directory().absolutePath());
                dialog->findChild<QLineEdit*>("fileNameEdit")->setText(argument);
                static_cast<QDialog*>(dialog)->accept();  // as the Choose button does
                return true;
            };
            steps_.prepend("made");
        } else if (word == "made") {
            waitFor_ = [] { return QApplication::activeModalWidget() == nullptr; };
            steps_.prepend("report-made");
        } else if (word == "report-made") {
            report("MADE");
        } else if (word == "quit") {
            inFrame<QAction>("Avslutt")->trigger();
        } else {
            report("UNKNOWN " + step);
        }
    }

    QStringList steps_;
    QTimer timer_;
    QElapsedTimer clock_;
    std::function<bool()> waitFor_;
};

// Runs when the program makes its application object; the probe starts with its event loop.
void startProbe() {
    QMetaObject::invokeMethod(
        qApp, [] { new Probe; }, Qt::QueuedConnection);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(startProbe)
