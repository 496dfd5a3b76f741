// A list for paper printed or written as PDF through Qt's print support: the layout of its
// pages (a class heading always keeps its first rows on its page) and their painting.
#pragma once

#include <QPageSize>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <thread>

#include "ui/services.h"

class QPainter;
class QPagedPaintDevice;

namespace kvt::desktop {

// Paints the list on the pages of a device that painter has begun on, one page after another.
void PaintList(const ui::PrintedList& list, QPagedPaintDevice& device, QPainter& painter);
// Writes the list as a PDF file at path on paper of the size given, whole or not at all;
// throws when it cannot (base::FileError naming the file and the reason).
void WriteListPdf(const ui::PrintedList& list, const QString& path, const QPageSize& paper);
// The paper this system prints on: the default printer's, else Letter where the locale
// measures in inches, else A4.
QPageSize SystemPaper();

class QtPrinter : public ui::Printer {
public:
    QtPrinter();
    QtPrinter(const QtPrinter&) = delete;
    // Waits for a PDF still being written; its done is not called any more.
    ~QtPrinter() override;
    void setParent(QWidget* parent) { parent_ = parent; }
    // Qt's print preview, whose print button leads to the print dialog.
    bool print(const ui::PrintedList& list, std::string& failure) override;
    // On a thread of its own (one PDF at a time: a second waits for the first).
    void writePdf(const ui::PrintedList& list, const std::string& path,
                  std::function<void(const std::string&)> done) override;

private:
    QPointer<QWidget> parent_;
    // Lives on the window's thread: done is called through it.
    std::unique_ptr<QObject> receiver_;
    std::thread writer_;
};

}  // namespace kvt::desktop
