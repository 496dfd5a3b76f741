// The Database menu's commands on the registers of the open meet: entries imported from a
// spreadsheet's CSV file, and the registers exported as CSV files.
#pragma once

namespace kvt::ui {
struct Program;
}

namespace kvt::shell {

// Asks for a CSV file, previews it (register, separator, encoding, columns), reports the rows
// that cannot be imported and, as the operator chooses, imports the good rows in one
// transaction or nothing. The pages, the caches and the picking lists follow.
void ImportEntries(ui::Program& program);
// The same with an IOF XML 3.0 entry list or competitor list.
void ImportIofEntries(ui::Program& program);

// Writes the competitors, clubs and classes as CSV files into the meet folder, named by their
// tables ("Deltakere.csv", "Competitors.csv", ...).
void ExportEntries(ui::Program& program);

}  // namespace kvt::shell
