#include "desktop/help_window.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "desktop/qt_text.h"

namespace kvt::desktop {

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("HelpWindow");
    resize(900, 600);
    search_ = new QLineEdit(this);
    search_->setObjectName("HelpSearch");
    search_->setClearButtonEnabled(true);
    search_->setPlaceholderText("?");
    contents_ = new QListWidget(this);
    contents_->setObjectName("HelpContents");
    text_ = new QTextBrowser(this);
    text_->setObjectName("HelpText");
    text_->setOpenExternalLinks(false);

    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(search_);
    leftLayout->addWidget(contents_);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(text_);
    splitter->setStretchFactor(1, 3);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(splitter);

    connect(search_, &QLineEdit::textChanged, this, &HelpWindow::filter);
    connect(contents_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) showTopic(contents_->item(row)->data(Qt::UserRole).toInt());
    });
}

void HelpWindow::openFile(const QString& path) {
    if (path == path_ && !document_.topics.empty()) return;
    path_ = path;
    try {
        document_ = shell::LoadHelpFile(path.toStdString());
    } catch (const std::exception& error) {
        document_ = {};
        document_.title = error.what();
    }
    setWindowTitle(q(document_.title));
    search_->clear();
    filter(QString());
    if (document_.topics.empty()) text_->setPlainText(q(document_.title));
}

void HelpWindow::filter(const QString& query) {
    contents_->clear();
    for (int index : document_.search(query.toStdString())) {
        auto* item = new QListWidgetItem(q(document_.topics[index].title), contents_);
        item->setData(Qt::UserRole, index);
    }
    if (contents_->count() > 0) contents_->setCurrentRow(0);
}

void HelpWindow::showTopic(int index) {
    if (index < 0 || index >= topicCount()) return;
    text_->setMarkdown(q(document_.topics[index].body));
}

void HelpWindow::showContents() {
    search_->clear();
    contents_->setFocus();
}

void HelpWindow::showSearch() {
    search_->clear();
    search_->setFocus();
}

int HelpWindow::listedTopicCount() const {
    return contents_->count();
}

}  // namespace kvt::desktop
