#include "desktop/results_printer.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <stdexcept>
#include <vector>

#include "base/files.h"
#include "desktop/qt_text.h"

namespace kvt::desktop {

namespace {

constexpr double MarginMillimetres = 15;
// A class starts on a page only when its heading, column headings and this many of its rows
// (all of them when it has fewer) fit there; the rest may go on over the page.
constexpr int RowsKeptWithHeading = 3;

struct Fonts {
    QFont header, heading, columns, body;
    Fonts() {
        for (QFont* font : {&header, &heading, &columns, &body})
            font->setFamilies({"DejaVu Sans", "Liberation Sans", "Arial", "Helvetica"});
        header.setPointSizeF(9);
        heading.setPointSizeF(13);
        heading.setBold(true);
        columns.setPointSizeF(8.5);
        columns.setBold(true);
        body.setPointSizeF(10);
    }
};

// What one line of a page shows.
struct Line {
    enum Kind { Heading, Columns, Row } kind;
    int section = 0;
    int row = 0;
    bool continued = false;
};
using Page = std::vector<Line>;

struct Metrics {
    double headerHeight = 0, headingHeight = 0, gapBefore = 0, columnsHeight = 0, rowHeight = 0;
};

std::vector<Page> layOut(const ui::PrintedList& list, const Metrics& m, double available) {
    std::vector<Page> pages(1);
    double y = 0;
    // A section without rows (a heading that says all) has no column headings.
    auto startSection = [&](int s, bool continued) {
        pages.back().push_back({Line::Heading, s, 0, continued});
        y += m.headingHeight;
        if (list.sections[s].rows.empty()) return;
        pages.back().push_back({Line::Columns, s, 0, continued});
        y += m.columnsHeight;
    };
    for (int s = 0; s < static_cast<int>(list.sections.size()); ++s) {
        const auto& rows = list.sections[s].rows;
        const int kept = std::min<int>(RowsKeptWithHeading, static_cast<int>(rows.size()));
        const double gap = pages.back().empty() ? 0 : m.gapBefore;
        const double columns = rows.empty() ? 0 : m.columnsHeight;
        if (!pages.back().empty() &&
            y + gap + m.headingHeight + columns + kept * m.rowHeight > available) {
            pages.emplace_back();
            y = 0;
        }
        y += pages.back().empty() ? 0 : m.gapBefore;
        startSection(s, false);
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            if (y + m.rowHeight > available) {
                pages.emplace_back();
                y = 0;
                startSection(s, true);
            }
            pages.back().push_back({Line::Row, s, r, false});
            y += m.rowHeight;
        }
    }
    return pages;
}

// A text of a table with its width, measured once.
struct Cell {
    QString text;
    double width = 0;
};
using Cells = std::vector<Cell>;

Cells measured(const std::vector<std::string>& values, const QFontMetricsF& metrics) {
    Cells cells;
    cells.reserve(values.size());
    for (const std::string& value : values) {
        QString text = q(value);
        const double width = metrics.horizontalAdvance(text);
        cells.push_back({std::move(text), width});
    }
    return cells;
}

// Each column as wide as its widest text; the room left over goes to the columns of names,
// and when there is too little, the widest of them give it up (their texts are cut with an
// ellipsis).
std::vector<double> columnWidths(const Cells& headings, const std::vector<std::vector<Cells>>& rows,
                                 const std::vector<bool>& alignRight, double width,
                                 double padding) {
    const std::size_t count = headings.size();
    std::vector<double> widths(count, 0);
    for (std::size_t i = 0; i < count; ++i) widths[i] = headings[i].width;
    for (const auto& section : rows)
        for (const Cells& row : section)
            for (std::size_t i = 0; i < count && i < row.size(); ++i)
                widths[i] = std::max(widths[i], row[i].width);
    double natural = 0, names = 0;
    for (std::size_t i = 0; i < count; ++i) {
        widths[i] += padding;
        natural += widths[i];
        if (!alignRight[i]) names += widths[i];
    }
    if (names <= 0) return widths;
    const double room = width - (natural - names);
    if (room >= names) {
        // Spare room is shared out only so far: a table of short names stays together.
        const double limited = std::min(room / names, 1.6);
        for (std::size_t i = 0; i < count; ++i)
            if (!alignRight[i]) widths[i] *= limited;
        return widths;
    }
    // Too little room: the narrow columns of names keep their width, and the widest share
    // what is left equally (their texts are cut), never below a tenth of their own.
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < count; ++i)
        if (!alignRight[i]) order.push_back(i);
    std::sort(order.begin(), order.end(),
              [&](std::size_t a, std::size_t b) { return widths[a] < widths[b]; });
    double left = std::max(room, 0.0);
    for (std::size_t k = 0; k < order.size(); ++k) {
        const double share = left / static_cast<double>(order.size() - k);
        if (widths[order[k]] <= share) {
            left -= widths[order[k]];
            continue;
        }
        for (std::size_t rest = k; rest < order.size(); ++rest)
            widths[order[rest]] = std::max(share, widths[order[rest]] * 0.1);
        break;
    }
    return widths;
}

// Column headings, their widths and which columns hold numbers or times.
struct Table {
    Cells headings;
    std::vector<double> widths;
    std::vector<bool> alignRight;
};

class ListPainter {
public:
    ListPainter(const ui::PrintedList& list, QPagedPaintDevice& device, QPainter& painter)
        : list_(list), device_(device), painter_(painter) {
        const QFontMetricsF header(fonts_.header, &device), heading(fonts_.heading, &device),
            columns(fonts_.columns, &device), body(fonts_.body, &device);
        metrics_.headerHeight = header.lineSpacing() * 2.2;
        metrics_.headingHeight = heading.lineSpacing() * 1.35;
        metrics_.gapBefore = body.lineSpacing() * 0.9;
        metrics_.columnsHeight = columns.lineSpacing() * 1.45;
        metrics_.rowHeight = body.lineSpacing() * 1.2;
        width_ = device.width();
        padding_ = body.averageCharWidth() * 1.5;
        rows_.resize(list.sections.size());
        for (std::size_t s = 0; s < list.sections.size(); ++s) {
            rows_[s].reserve(list.sections[s].rows.size());
            for (const auto& row : list.sections[s].rows) rows_[s].push_back(measured(row, body));
        }
        // The list's table, shared by every section without columns of its own, and one
        // table for each section with its own: each as wide as the texts under it.
        auto table = [&](const std::vector<std::string>& names, std::vector<bool> alignRight) {
            alignRight.resize(names.size(), false);
            tables_.push_back({measured(names, columns), {}, std::move(alignRight)});
            return static_cast<int>(tables_.size()) - 1;
        };
        table(list.columns, list.alignRight);
        tableOf_.assign(list.sections.size(), 0);
        for (std::size_t s = 0; s < list.sections.size(); ++s)
            if (!list.sections[s].columns.empty())
                tableOf_[s] = table(list.sections[s].columns, list.sections[s].alignRight);
        for (std::size_t t = 0; t < tables_.size(); ++t) {
            std::vector<std::vector<Cells>> under;
            for (std::size_t s = 0; s < rows_.size(); ++s)
                if (tableOf_[s] == static_cast<int>(t)) under.push_back(rows_[s]);
            tables_[t].widths = columnWidths(tables_[t].headings, under, tables_[t].alignRight,
                                             width_, padding_);
        }
        pages_ = layOut(list, metrics_, device.height() - metrics_.headerHeight);
    }

    void paint() {
        for (std::size_t p = 0; p < pages_.size(); ++p) {
            if (p > 0) device_.newPage();
            paintHeader(static_cast<int>(p) + 1);
            double y = metrics_.headerHeight;
            if (list_.sections.empty()) {
                painter_.setFont(fonts_.body);
                painter_.drawText(QRectF(0, y, width_, metrics_.rowHeight),
                                  Qt::AlignLeft | Qt::AlignVCenter, q(list_.empty));
            }
            for (const Line& line : pages_[p]) {
                if (line.kind == Line::Heading && y > metrics_.headerHeight)
                    y += metrics_.gapBefore;
                y += paintLine(line, y);
            }
        }
    }

private:
    void paintHeader(int page) {
        const QFontMetricsF metrics(fonts_.header, &device_);
        const QRectF top(0, 0, width_, metrics.lineSpacing());
        painter_.setPen(Qt::black);
        painter_.setFont(fonts_.header);
        QFont bold = fonts_.header;
        bold.setBold(true);
        painter_.setFont(bold);
        painter_.drawText(top, Qt::AlignLeft | Qt::AlignVCenter, q(list_.meetName));
        painter_.drawText(top, Qt::AlignHCenter | Qt::AlignVCenter, q(list_.title));
        painter_.setFont(fonts_.header);
        const QString numbers = q(list_.pageNumbers).arg(page).arg(static_cast<int>(pages_.size()));
        painter_.drawText(top, Qt::AlignRight | Qt::AlignVCenter, numbers);
        const double rule = metrics.lineSpacing() * 1.35;
        painter_.setPen(QPen(Qt::black, metrics.lineWidth() * 1.5));
        painter_.drawLine(QPointF(0, rule), QPointF(width_, rule));
    }

    double paintLine(const Line& line, double y) {
        const auto& section = list_.sections[line.section];
        painter_.setPen(Qt::black);
        switch (line.kind) {
            case Line::Heading: {
                painter_.setFont(fonts_.heading);
                const QString text =
                    q(section.heading) + (line.continued ? q(list_.continued) : QString());
                painter_.drawText(QRectF(0, y, width_, metrics_.headingHeight),
                                  Qt::AlignLeft | Qt::AlignBottom, text);
                return metrics_.headingHeight;
            }
            case Line::Columns: {
                painter_.setFont(fonts_.columns);
                cells(tables_[tableOf_[line.section]], tables_[tableOf_[line.section]].headings,
                      y, metrics_.columnsHeight, fonts_.columns);
                const double rule = y + metrics_.columnsHeight - 1;
                painter_.setPen(QPen(Qt::gray, QFontMetricsF(fonts_.body, &device_).lineWidth()));
                painter_.drawLine(QPointF(0, rule), QPointF(width_, rule));
                return metrics_.columnsHeight;
            }
            case Line::Row:
                painter_.setFont(fonts_.body);
                if (line.row % 2 == 1)
                    painter_.fillRect(QRectF(0, y, width_, metrics_.rowHeight),
                                      QColor(0xf0, 0xf2, 0xf5));
                cells(tables_[tableOf_[line.section]], rows_[line.section][line.row], y,
                      metrics_.rowHeight, fonts_.body);
                return metrics_.rowHeight;
        }
        return 0;
    }

    // Each text on the baseline that centres it in the line, cut to its column when too long.
    void cells(const Table& table, const Cells& values, double y, double height,
               const QFont& font) {
        const QFontMetricsF metrics(font, &device_);
        const double baseline = y + (height + metrics.ascent() - metrics.descent()) / 2;
        double x = 0;
        for (std::size_t i = 0; i < table.widths.size() && i < values.size(); ++i) {
            const double inner = table.widths[i] - padding_;
            const Cell& cell = values[i];
            if (cell.width <= inner) {
                const double left = table.alignRight[i] ? x + inner - cell.width : x;
                painter_.drawText(QPointF(left, baseline), cell.text);
            } else {
                painter_.drawText(QPointF(x, baseline),
                                  metrics.elidedText(cell.text, Qt::ElideRight, inner));
            }
            x += table.widths[i];
        }
    }

    const ui::PrintedList& list_;
    QPagedPaintDevice& device_;
    QPainter& painter_;
    Fonts fonts_;
    Metrics metrics_;
    double width_ = 0, padding_ = 0;
    std::vector<Table> tables_;             // the list's first, then the sections' own
    std::vector<int> tableOf_;              // by section
    std::vector<std::vector<Cells>> rows_;  // by section and row
    std::vector<Page> pages_;
};

void preparePaper(QPagedPaintDevice& device, const QPageSize& paper) {
    device.setPageSize(paper);
    device.setPageMargins(
        QMarginsF(MarginMillimetres, MarginMillimetres, MarginMillimetres, MarginMillimetres),
        QPageLayout::Millimeter);
}

}  // namespace

void PaintList(const ui::PrintedList& list, QPagedPaintDevice& device, QPainter& painter) {
    ListPainter(list, device, painter).paint();
}

void WriteListPdf(const ui::PrintedList& list, const QString& path, const QPageSize& paper) {
    // Painted into memory, then written whole: a disk that fills up leaves the earlier PDF and
    // says so, never an empty or cut file in its place.
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        preparePaper(writer, paper);
        writer.setTitle(q(list.title + " " + list.meetName));
        writer.setCreator("KVT");
        QPainter painter;
        if (!painter.begin(&writer))
            throw std::runtime_error(path.toStdString() + ": cannot be painted");
        PaintList(list, writer, painter);
        if (!painter.end()) throw std::runtime_error(path.toStdString() + ": cannot be painted");
    }
    base::WriteWholeFile(path.toStdString(), std::string_view(bytes.constData(), bytes.size()));
}

QPageSize SystemPaper() {
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    if (!printer.isNull() && printer.defaultPageSize().isValid()) return printer.defaultPageSize();
    return QLocale::system().measurementSystem() == QLocale::ImperialUSSystem
               ? QPageSize(QPageSize::Letter)
               : QPageSize(QPageSize::A4);
}

bool QtPrinter::print(const ui::PrintedList& list, std::string& failure) {
    QPrinter printer(QPrinter::HighResolution);
    preparePaper(printer, SystemPaper());
    printer.setDocName(q(list.title + " " + list.meetName));
    QPrintPreviewDialog dialog(&printer, parent_);
    dialog.setObjectName("PrintPreview");
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&list](QPrinter* target) {
                         QPainter painter(target);
                         PaintList(list, *target, painter);
                     });
    if (dialog.exec() != QDialog::Accepted) return false;
    // Printed to a file (the dialog's PDF printer), the file must be there and hold something.
    const QString file = printer.outputFileName();
    if (printer.printerState() == QPrinter::Error ||
        (!file.isEmpty() && QFileInfo(file).size() == 0)) {
        failure = (file.isEmpty() ? printer.printerName() : file).toStdString() +
                  ": the printout was not completed";
        return false;
    }
    return true;
}

QtPrinter::QtPrinter() : receiver_(std::make_unique<QObject>()) {}

QtPrinter::~QtPrinter() {
    if (writer_.joinable()) writer_.join();
    receiver_.reset();  // what the writer posted is not delivered any more
}

void QtPrinter::writePdf(const ui::PrintedList& list, const std::string& path,
                         std::function<void(const std::string&)> done) {
    if (writer_.joinable()) writer_.join();
    // Asked here: the printers are looked up on the window's thread.
    const QPageSize paper = SystemPaper();
    QPointer<QObject> receiver = receiver_.get();
    writer_ = std::thread([list, path, paper, receiver, done = std::move(done)] {
        std::string failure;
        try {
            WriteListPdf(list, q(path), paper);
        } catch (const std::exception& error) {
            failure = error.what();
            if (failure.empty()) failure = "?";
        }
        if (receiver)
            QMetaObject::invokeMethod(
                receiver, [done, failure] { done(failure); }, Qt::QueuedConnection);
    });
}

}  // namespace kvt::desktop
