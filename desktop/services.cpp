#include "desktop/services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <chrono>
#include <ctime>

#include "desktop/help_window.h"
#include "desktop/notice_strip.h"
#include "desktop/qt_text.h"
#include "ui/windows.h"

namespace kvt::desktop {

namespace {
// "Database (*.mdb)|*.mdb" to the file dialog's "Database (*.mdb)".
QString filterText(const std::string& filter) {
    return q(filter.substr(0, filter.find('|')));
}

// The extension of the filter's pattern ("mdb" of "*.mdb"), added to a name typed without one.
QString defaultSuffix(const std::string& filter) {
    const auto bar = filter.find('|');
    if (bar == std::string::npos) return {};
    const std::string pattern = filter.substr(bar + 1);
    return pattern.rfind("*.", 0) == 0 ? q(pattern.substr(2)) : QString();
}
}  // namespace

std::optional<std::string> QtDialogs::openFile(const ui::FileDialogRequest& request) {
    QFileDialog dialog(parent_, q(request.title), q(request.initialFolder),
                       filterText(request.filter));
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Qt's own dialog on every desktop, so that its labels follow the program's language.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QString suffix = defaultSuffix(request.filter);
    dialog.setDefaultSuffix(suffix);
    // The preset name with its extension: a bare "Demorenn" would name the meet's folder
    // once the meet has been made, and the dialog would go into it instead of choosing.
    QString preset = q(request.fileName);
    if (!preset.isEmpty() && !suffix.isEmpty() && QFileInfo(preset).suffix().isEmpty())
        preset += "." + suffix;
    if (!preset.isEmpty()) dialog.selectFile(preset);
    if (!request.acceptLabel.empty())
        dialog.setLabelText(QFileDialog::Accept, q(request.acceptLabel));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front().toStdString();
}

ui::Answer QtDialogs::message(const std::string& text, const std::string& title,
                              ui::MessageButtons buttons) {
    if (buttons == ui::MessageButtons::Ok) {
        QMessageBox::information(parent_, q(title), q(text));
        return ui::Answer::Ok;
    }
    auto answer = QMessageBox::question(parent_, q(title), q(text),
                                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer == QMessageBox::Yes ? ui::Answer::Yes : ui::Answer::No;
}

// Into the window's notice strip: a box of its own would take the keyboard from the capture
// lines (a window manager gives a new window the focus), and an Enter meant as a finish with it.
void QtDialogs::notify(const std::string& text, const std::string&) {
    NoticeStrip* strip = parent_ ? parent_->findChild<NoticeStrip*>("NoticeStrip") : nullptr;
    if (strip)
        strip->add(q(text));
    else
        qWarning("%s", text.c_str());
}

std::optional<ui::ServerMeetAnswer> QtDialogs::askServerMeet(const ui::ServerMeetRequest& request) {
    QDialog dialog(parent_);
    dialog.setObjectName("ServerMeet");
    dialog.setWindowTitle(q(request.title));
    auto* form = new QFormLayout;
    auto field = [&](const std::string& label, const std::string& value, const char* name) {
        auto* edit = new QLineEdit(q(value), &dialog);
        edit->setObjectName(name);
        form->addRow(q(label), edit);
        return edit;
    };
    QLineEdit* address = field(request.addressLabel, request.address, "ServerAddress");
    QLineEdit* database = field(request.databaseLabel, request.database, "ServerDatabase");
    QLineEdit* password = field(request.passwordLabel, request.password, "ServerPassword");
    password->setEchoMode(QLineEdit::Password);
    auto* buttons = new QDialogButtonBox(&dialog);
    QPushButton* accept =
        buttons->addButton(withoutMnemonic(request.acceptLabel), QDialogButtonBox::AcceptRole);
    accept->setObjectName("AcceptButton");
    accept->setDefault(true);
    buttons->addButton(withoutMnemonic(request.cancelLabel), QDialogButtonBox::RejectRole)
        ->setObjectName("CancelButton");
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return ui::ServerMeetAnswer{address->text().toStdString(), database->text().toStdString(),
                                password->text().toStdString()};
}

void QtDialogs::showModal(ui::MainAboutWindow& window) {
    QDialog dialog(parent_);
    dialog.setObjectName("MainAbout");
    dialog.setWindowTitle(q(window.Window.caption()));
    auto* layout = new QVBoxLayout(&dialog);
    for (int i = 0; i < 8; ++i) {
        auto* label = new QLabel(withoutMnemonic(window.Label[i].caption()), &dialog);
        label->setObjectName(QString("Label_%1").arg(i));
        if (i == 0) {
            QFont font = label->font();
            font.setBold(true);
            font.setPointSizeF(font.pointSizeF() * 1.3);
            label->setFont(font);
        }
        layout->addWidget(label);
    }
    auto* button = new QPushButton(q(window.Button.caption()), &dialog);
    button->setObjectName("Button");
    button->setDefault(true);
    layout->addWidget(button, 0, Qt::AlignRight);
    QObject::connect(button, &QPushButton::clicked, [&] {
        window.Button.click();
        if (!window.Window.loaded()) dialog.accept();
    });
    dialog.exec();
    window.Window.setLoaded(false);
}

void QtPump::pumpEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// The program's own names of editors and the browser path mapped to this platform; the list
// file's path always reaches the program as one argument.
bool QtLauncher::launch(const std::string& program, const std::string& argument) {
    const QString file = q(argument);
    const QString name = q(program);
    auto openWithDefault = [&] { return QDesktopServices::openUrl(QUrl::fromLocalFile(file)); };
    if (name.compare("Notepad.exe", Qt::CaseInsensitive) == 0) return openWithDefault();
    if (name.compare("Write.exe", Qt::CaseInsensitive) == 0 ||
        name.compare("Winword.exe", Qt::CaseInsensitive) == 0) {
        for (const char* writer : {"lowriter", "abiword"}) {
            QString found = QStandardPaths::findExecutable(writer);
            if (!found.isEmpty()) return QProcess::startDetached(found, {file});
        }
        return openWithDefault();
    }
    QString found = QFileInfo(name).isExecutable() ? name : QStandardPaths::findExecutable(name);
    if (found.isEmpty()) return openWithDefault();  // e.g. a browser path of another system
    return QProcess::startDetached(found, {file});
}

bool QtLauncher::openDocument(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(q(path)));
}

QtHelpViewer::~QtHelpViewer() {
    delete window_;
}

void QtHelpViewer::showHelp(const std::string& helpFile, int command) {
    if (!window_) window_ = new HelpWindow(parent_);
    window_->openFile(q(helpFile));
    if (command == ui::HelpPartialKey)
        window_->showSearch();
    else
        window_->showContents();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

// exit, not quit: quit first asks the windows to close, and closing the frame window is the
// Exit command itself, which would ask again and again without ever ending.
void QtApplication::quit() {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

void QtApplication::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace kvt::desktop
