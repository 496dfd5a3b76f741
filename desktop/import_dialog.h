// The import's preview and report as Qt dialogs. They show the session and hand the
// operator's choices to it; what the choices mean is the session's.
#pragma once

#include <QDialog>
#include <QPointer>

#include "ui/services.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace kvt::desktop {

// The first rows of the file, a field to choose above each column, and the register,
// separator, encoding and header choices; Import goes on.
class ImportPreviewDialog : public QDialog {
public:
    ImportPreviewDialog(entries::ImportSession& session, QWidget* parent);
    // Shows the session as it now is.
    void refresh();

private:
    entries::ImportSession& session_;
    QComboBox* register_;
    QComboBox* separator_;
    QComboBox* encoding_;
    QCheckBox* header_;
    QTableWidget* table_;
    QLabel* summary_;
    QPushButton* import_;
    bool refreshing_ = false;
};

// The rows that cannot be imported and the operator's choice: the good rows, or nothing.
class ImportReportDialog : public QDialog {
public:
    ImportReportDialog(const entries::ImportSession& session, const entries::Report& report,
                       QWidget* parent);
};

class QtImportDialogs : public ui::ImportDialogs {
public:
    void setParent(QWidget* parent) { parent_ = parent; }
    bool preview(entries::ImportSession& session) override;
    bool report(const entries::ImportSession& session, const entries::Report& report) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace kvt::desktop
