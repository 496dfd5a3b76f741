// An import of competitors, clubs or classes from a spreadsheet's CSV file into the open meet:
// the file read as its encoding and separator are guessed, its columns mapped to the fields of
// a register from their header words, and the rows checked against the meet before anything
// is written. The preview dialog changes the choices; the session reads the file again.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "entries/csv.h"
#include "lang/language_texts.h"
#include "meet/meet.h"

namespace kvt::entries {

enum class Encoding { Utf8, Utf8WithBom, Windows1252 };
// The separators offered, in the order the dialog offers them.
inline constexpr char Separators[3] = {',', ';', '\t'};

// The bytes are no CSV file; the text says why, in the language of the session.
class NotCsv : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Why a row cannot be imported.
struct Problem {
    enum Kind {
        NoNumber,
        NotANumber,
        BeyondCount,
        Duplicate,
        UnknownClub,
        UnknownClass,
        BadPayment
    };
    int line = 0;
    Kind kind = NoNumber;
    std::string value;
    int number = 0;
    int otherLine = 0;  // Duplicate: a line of another row with the number
};

struct Report {
    int rows = 0;      // data rows (empty ones not counted)
    int goodRows = 0;  // rows without a problem
    int added = 0;     // good rows numbered beyond the register's count: records added
    int count = 0;     // the register's count before the import
    std::vector<Problem> problems;
    bool numberMapped = false;
    bool fieldMapped = false;  // a field besides the number
    // Something can be imported.
    bool importable() const { return numberMapped && fieldMapped && goodRows > 0; }
};

class ImportSession {
public:
    // The file's bytes for an import into the meet, whose language the texts take. Throws
    // NotCsv when they are no CSV file.
    ImportSession(std::string bytes, const meet::Meet& meet, lang::Language language);

    lang::Language language() const { return language_; }
    const meet::Meet& meet() const { return meet_; }
    Encoding encoding() const { return encoding_; }
    char separator() const { return separator_; }
    bool header() const { return header_; }
    meet::Register target() const { return target_; }

    // The operator's choices; each reads the file again as it then reads. A choice under
    // which the file cannot be read leaves no rows and readFault() says why.
    void setEncoding(Encoding encoding);
    void setSeparator(char separator);
    void setHeader(bool header);
    // The register: the columns are mapped afresh from their headers.
    void setTarget(meet::Register target);
    // Column c (from 0) goes into the field at position (-1: not imported); a column that
    // held that field before is imported no more.
    void mapColumn(int column, int position);

    const std::string& readFault() const { return fault_; }
    int columnCount() const { return static_cast<int>(mapping_.size()); }
    // The first line's cells when it holds the column names, else none.
    const std::vector<std::string>& headerCells() const { return headerCells_; }
    // The data rows as read (empty rows left out).
    const std::vector<CsvRecord>& rows() const { return rows_; }
    // The position of the field each column goes into, -1 where none.
    const std::vector<int>& mapping() const { return mapping_; }

    // What the rows would do to the meet, row by row, before anything is written.
    Report check() const;
    // The text of a problem in the session's language.
    std::string problemText(const Problem& problem) const;
    // The rows without a problem as the meet's entries: an empty cell stands as "-", clubs and
    // classes as the meet spells them, status and sex words of either language in the meet's.
    std::vector<meet::RegisterEntry> goodEntries() const;

private:
    // The bytes as UTF-8 text in the encoding chosen.
    std::string text() const;
    void read();
    void guessMapping();
    // The column's cells can be values of the field at position.
    bool fits(int column, int position) const;
    // Every row's number (0 when it has none) and its problems.
    void examine(std::vector<int>& numbers, std::vector<std::vector<Problem>>& problems) const;

    std::string bytes_;
    const meet::Meet& meet_;
    lang::Language language_;
    Encoding encoding_ = Encoding::Utf8;
    char separator_ = ';';
    bool header_ = true;
    meet::Register target_ = meet::Register::Competitors;
    std::string fault_;
    std::vector<std::string> headerCells_;
    std::vector<CsvRecord> rows_;
    std::vector<int> mapping_;
};

// The encoding a file's bytes are in: a BOM, else UTF-8 when every byte fits it, else
// Windows-1252.
Encoding DetectEncoding(const std::string& bytes);
// The separator of a text: the one of comma, semicolon and tab that occurs most often (outside
// quotes) in its first record; 0 when none does.
char DetectSeparator(const std::string& utf8);

}  // namespace kvt::entries
