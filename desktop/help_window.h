// The help viewer: the topics of a help file as contents, a search box and the topic text.
#pragma once

#include <QDialog>

#include "shell/help_file.h"

class QLineEdit;
class QListWidget;
class QTextBrowser;

namespace kvt::desktop {

class HelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    void openFile(const QString& path);
    void showContents();
    void showSearch();
    int topicCount() const { return static_cast<int>(document_.topics.size()); }
    int listedTopicCount() const;

private:
    void filter(const QString& query);
    void showTopic(int index);

    shell::HelpDocument document_;
    QString path_;
    QLineEdit* search_;
    QListWidget* contents_;
    QTextBrowser* text_;
};

}  // namespace kvt::desktop
