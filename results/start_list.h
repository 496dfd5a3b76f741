// The start list of the open meet: every class's competitors by start number, with their club,
// as a fixed-column text list and an HTML page in the meet folder beside the results lists, in
// the meet's language, and the commands that show them.
#pragma once

#include "ui/services.h"

namespace kvt::ui {
struct Program;
}

namespace kvt::results {

// Writes both files whole (a failure leaves the earlier ones in place) and says so when it
// cannot.
void WriteStartList(ui::Program& program);
void ViewStartList(ui::Program& program);
void ViewStartListHtml(ui::Program& program);

// The start list for paper: every class with competitors, its heading, and its competitors by
// start number with their club.
ui::PrintedList PrintedStartList(const ui::Program& program);
// The print dialog with its preview, and the PDF in the meet folder ("Startliste.pdf" /
// "Startlist.pdf"), opened in the system's viewer.
void PrintStartList(ui::Program& program);
void WriteStartListPdf(ui::Program& program);

}  // namespace kvt::results
