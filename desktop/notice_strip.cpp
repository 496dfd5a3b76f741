#include "desktop/notice_strip.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QTime>
#include <QToolButton>

namespace kvt::desktop {

namespace {
// Enough to read what just happened without pushing the capture lines far down.
constexpr int ShownNotices = 3;
}  // namespace

NoticeStrip::NoticeStrip(QWidget* parent) : QFrame(parent) {
    setObjectName("NoticeStrip");
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 244, 196));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 2, 2);
    text_ = new QLabel(this);
    text_->setObjectName("NoticeText");
    text_->setWordWrap(true);
    text_->setFocusPolicy(Qt::NoFocus);
    text_->setTextFormat(Qt::PlainText);
    layout->addWidget(text_, 1);
    close_ = new QToolButton(this);
    close_->setObjectName("NoticeClose");
    close_->setText(QStringLiteral("\u00D7"));
    close_->setAutoRaise(true);
    close_->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(close_, 0, Qt::AlignTop);
    connect(close_, &QToolButton::clicked, this, &NoticeStrip::dismiss);
    setVisible(false);
}

void NoticeStrip::add(const QString& text) {
    notices_.prepend(QTime::currentTime().toString("HH:mm:ss") + "  " + text);
    while (notices_.size() > ShownNotices) notices_.removeLast();
    text_->setText(notices_.join('\n'));
    setVisible(true);
}

void NoticeStrip::dismiss() {
    notices_.clear();
    text_->clear();
    setVisible(false);
}

}  // namespace kvt::desktop
