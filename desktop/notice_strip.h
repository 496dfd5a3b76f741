// A strip at the top of the main window for the notices that need no answer: what could not be
// stored, what was stored again, why a time was given to no one. It never takes the keyboard
// focus, so a key meant for a capture line always reaches it.
#pragma once

#include <QFrame>

class QLabel;
class QToolButton;

namespace kvt::desktop {

class NoticeStrip : public QFrame {
    Q_OBJECT
public:
    explicit NoticeStrip(QWidget* parent = nullptr);

    // The notice on top, the time of day before it; a few earlier ones stay below it.
    void add(const QString& text);
    // The notices shown, the newest first.
    QStringList notices() const { return notices_; }

private:
    void dismiss();

    QLabel* text_;
    QToolButton* close_;
    QStringList notices_;
};

}  // namespace kvt::desktop
