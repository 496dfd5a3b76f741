// CSV files as spreadsheets write them (RFC 4180: quoted cells may hold separators, quotes and
// line breaks), read and written through libcsv.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace kvt::entries {

// One record of a CSV file: its cells and the line of the file it begins on (from 1).
struct CsvRecord {
    int line = 0;
    std::vector<std::string> cells;
};

// The text cannot be read as CSV: where and why.
class CsvError : public std::runtime_error {
public:
    CsvError(int line, const std::string& reason) : std::runtime_error(reason), line_(line) {}
    int line() const { return line_; }

private:
    int line_;
};

// The records of a UTF-8 text whose cells are separated by separator. Blanks around a cell that
// is not quoted are dropped, a quoted one keeps them; empty lines are no records. A quote mark
// inside a cell that is not quoted, or a quoted cell that is never closed, is a CsvError: the
// file would be read in more than one way.
std::vector<CsvRecord> ReadCsv(const std::string& text, char separator);

// A record as a line of a CSV file: every cell quoted (quotes inside doubled), separated by
// separator, ended by CR LF.
std::string CsvLine(const std::vector<std::string>& cells, char separator = ',');

// A cell a spreadsheet would run as a formula (one beginning with "=", "+", "-", "@", a tab or
// a carriage return) written as text: an apostrophe before it, as a spreadsheet marks text
// itself. A cell that only seems neutralised (apostrophes before such a character) gets one
// more, so that RestoredCell gives every cell back as it was. "-" alone, the program's empty
// value, stays as it is.
std::string NeutralisedCell(const std::string& cell);
// The cell as it was before NeutralisedCell.
std::string RestoredCell(const std::string& cell);

}  // namespace kvt::entries
