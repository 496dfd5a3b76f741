#include "desktop/import_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "desktop/qt_text.h"
#include "entries/fields.h"
#include "lang/entry_texts.h"

namespace kvt::desktop {

namespace {

using meet::Register;
constexpr Register Registers[3] = {Register::Competitors, Register::Clubs, Register::Classes};
constexpr entries::Encoding Encodings[3] = {entries::Encoding::Utf8, entries::Encoding::Utf8WithBom,
                                            entries::Encoding::Windows1252};
// The rows of the file the preview shows.
constexpr int PreviewRows = 8;
// The reasons the preview gives why rows cannot be imported.
constexpr int ShownReasons = 3;

QString text(const lang::Bilingual& text, lang::Language language) {
    return q(text.in(language));
}

QComboBox* choice(const QString& name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    return box;
}

// A label and its box side by side.
QWidget* labelled(const QString& caption, QWidget* field, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption, row);
    label->setBuddy(field);
    layout->addWidget(label);
    layout->addWidget(field);
    return row;
}

// Why rows cannot go in, before Import: the first reasons, and how many more there are.
QString reasonsOf(const entries::ImportSession& session, const entries::Report& report) {
    QString reasons;
    const int count = static_cast<int>(report.problems.size());
    const int shown = std::min(ShownReasons, count);
    for (int i = 0; i < shown; ++i) reasons += "\n" + q(session.problemText(report.problems[i]));
    if (count > shown)
        reasons += "\n" + q(lang::MoreProblemsText(session.language(), count - shown));
    return reasons;
}

}  // namespace

ImportPreviewDialog::ImportPreviewDialog(entries::ImportSession& session, QWidget* parent)
    : QDialog(parent), session_(session) {
    const auto language = session.language();
    setObjectName("ImportPreview");
    setWindowTitle(text(lang::ImportTitle(), language));
    resize(960, 460);
    register_ = choice("ImportRegister", this);
    for (Register which : Registers) register_->addItem(q(session.meet().registerTable(which)));
    separator_ = choice("ImportSeparator", this);
    for (const auto& name : {lang::CommaText(), lang::SemicolonText(), lang::TabText()})
        separator_->addItem(text(name, language));
    encoding_ = choice("ImportEncoding", this);
    for (const auto& name : {lang::Utf8Text(), lang::Utf8WithBomText(), lang::Windows1252Text()})
        encoding_->addItem(text(name, language));
    header_ = new QCheckBox(text(lang::ImportHeaderText(), language), this);
    header_->setObjectName("ImportHeader");

    auto* choices = new QHBoxLayout;
    choices->addWidget(labelled(text(lang::ImportRegisterLabel(), language), register_, this));
    choices->addWidget(labelled(text(lang::ImportSeparatorLabel(), language), separator_, this));
    choices->addWidget(labelled(text(lang::ImportEncodingLabel(), language), encoding_, this));
    choices->addWidget(header_);
    choices->addStretch(1);

    table_ = new QTableWidget(this);
    table_->setObjectName("ImportTable");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->setVisible(true);
    summary_ = new QLabel(this);
    summary_->setObjectName("ImportSummary");
    summary_->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    import_ = buttons->addButton(withoutMnemonic(lang::ImportButtonText().in(language)),
                                 QDialogButtonBox::AcceptRole);
    import_->setObjectName("ImportButton");
    auto* cancel = buttons->addButton(withoutMnemonic(lang::CancelButtonText().in(language)),
                                      QDialogButtonBox::RejectRole);
    cancel->setObjectName("CancelButton");
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addWidget(table_, 1);
    layout->addWidget(summary_);
    layout->addWidget(buttons);

    connect(register_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (refreshing_ || index < 0) return;
        session_.setTarget(Registers[index]);
        refresh();
    });
    connect(separator_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (refreshing_ || index < 0) return;
        session_.setSeparator(entries::Separators[index]);
        refresh();
    });
    connect(encoding_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (refreshing_ || index < 0) return;
        session_.setEncoding(Encodings[index]);
        refresh();
    });
    connect(header_, &QCheckBox::toggled, this, [this](bool on) {
        if (refreshing_) return;
        session_.setHeader(on);
        refresh();
    });
    refresh();
}

void ImportPreviewDialog::refresh() {
    refreshing_ = true;
    const auto language = session_.language();
    register_->setCurrentIndex(
        static_cast<int>(std::find(std::begin(Registers), std::end(Registers), session_.target()) -
                         std::begin(Registers)));
    separator_->setCurrentIndex(
        static_cast<int>(std::find(std::begin(entries::Separators), std::end(entries::Separators),
                                   session_.separator()) -
                         std::begin(entries::Separators)));
    encoding_->setCurrentIndex(static_cast<int>(
        std::find(std::begin(Encodings), std::end(Encodings), session_.encoding()) -
        std::begin(Encodings)));
    header_->setChecked(session_.header());

    // Row 0 holds the field chosen for each column; the file's first rows follow.
    const int columns = session_.columnCount();
    const int rows = std::min<int>(PreviewRows, static_cast<int>(session_.rows().size()));
    table_->clear();
    table_->setColumnCount(columns);
    table_->setRowCount(rows + 1);
    QStringList headings, lines;
    for (int c = 0; c < columns; ++c)
        headings << (session_.header() && c < static_cast<int>(session_.headerCells().size())
                         ? q(session_.headerCells()[c])
                         : QString::number(c + 1));
    table_->setHorizontalHeaderLabels(headings);
    lines << QString();
    for (int r = 0; r < rows; ++r) lines << QString::number(session_.rows()[r].line);
    table_->setVerticalHeaderLabels(lines);
    const auto& fields = entries::RegisterFields(session_.target());
    for (int c = 0; c < columns; ++c) {
        auto* field = new QComboBox(table_);
        field->setObjectName(QString("ImportColumn_%1").arg(c));
        field->addItem(text(lang::NotImportedText(), language), -1);
        for (const auto& each : fields) field->addItem(text(each.name, language), each.position);
        field->setCurrentIndex(std::max(0, field->findData(session_.mapping()[c])));
        connect(field, &QComboBox::currentIndexChanged, this, [this, field, c](int) {
            if (refreshing_) return;
            session_.mapColumn(c, field->currentData().toInt());
            // Another column that held the field holds it no more: the whole table follows.
            QMetaObject::invokeMethod(
                this, [this] { refresh(); }, Qt::QueuedConnection);
        });
        table_->setCellWidget(0, c, field);
        for (int r = 0; r < rows; ++r) {
            const auto& cells = session_.rows()[r].cells;
            table_->setItem(
                r + 1, c,
                new QTableWidgetItem(c < static_cast<int>(cells.size()) ? q(cells[c]) : QString()));
        }
    }
    table_->resizeColumnsToContents();

    const auto report = session_.check();
    QString summary;
    if (!session_.readFault().empty())
        summary = q(session_.readFault());
    else if (!report.numberMapped)
        summary = text(lang::NoNumberColumnText(), language);
    else if (!report.fieldMapped)
        summary = text(lang::NoFieldColumnText(), language);
    else
        summary = q(lang::ImportSummary(language, report.rows, report.goodRows)) +
                  reasonsOf(session_, report);
    summary_->setText(summary);
    import_->setEnabled(session_.readFault().empty() && report.numberMapped && report.fieldMapped &&
                        report.rows > 0);
    refreshing_ = false;
}

ImportReportDialog::ImportReportDialog(const entries::ImportSession& session,
                                       const entries::Report& report, QWidget* parent)
    : QDialog(parent) {
    const auto language = session.language();
    setObjectName("ImportReport");
    setWindowTitle(text(lang::ReportTitle(), language));
    resize(720, 420);
    std::string told = lang::ReportHeading(language, report.rows - report.goodRows, report.rows);
    if (report.added > 0) told += "\n" + lang::AddedRowsText(language, report.added, report.count);
    auto* heading = new QLabel(q(told), this);
    heading->setObjectName("ReportHeading");
    auto* list = new QPlainTextEdit(this);
    list->setObjectName("ReportList");
    list->setReadOnly(true);
    QString problems;
    for (const auto& problem : report.problems) problems += q(session.problemText(problem)) + "\n";
    list->setPlainText(problems);
    auto* buttons = new QDialogButtonBox(this);
    auto* good = buttons->addButton(q(lang::ImportGoodRowsText(language, report.goodRows)),
                                    QDialogButtonBox::AcceptRole);
    good->setObjectName("ImportGoodRows");
    good->setEnabled(report.goodRows > 0);
    auto* nothing =
        buttons->addButton(text(lang::ImportNothingText(), language), QDialogButtonBox::RejectRole);
    nothing->setObjectName("ImportNothing");
    nothing->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(list, 1);
    layout->addWidget(buttons);
}

bool QtImportDialogs::preview(entries::ImportSession& session) {
    ImportPreviewDialog dialog(session, parent_);
    return dialog.exec() == QDialog::Accepted;
}

bool QtImportDialogs::report(const entries::ImportSession& session, const entries::Report& report) {
    ImportReportDialog dialog(session, report, parent_);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace kvt::desktop
