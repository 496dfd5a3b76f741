#include "entries/csv.h"

#include <csv.h>

namespace kvt::entries {

namespace {

// Only the blank is a space: a tab may be the separator.
int isBlank(unsigned char ch) {
    return ch == CSV_SPACE;
}

struct Reading {
    std::vector<CsvRecord> records;
    std::vector<std::string> cells;
    int line = 0;  // the line being fed
};

void endOfCell(void* data, std::size_t length, void* reading) {
    auto& state = *static_cast<Reading*>(reading);
    state.cells.emplace_back(static_cast<const char*>(data), length);
}

// Line breaks a record holds inside its quoted cells.
int breaksInside(const std::vector<std::string>& cells) {
    int breaks = 0;
    for (const auto& cell : cells)
        for (std::size_t i = 0; i < cell.size(); ++i)
            if (cell[i] == '\n' ||
                (cell[i] == '\r' && (i + 1 == cell.size() || cell[i + 1] != '\n')))
                ++breaks;
    return breaks;
}

void endOfRecord(int, void* reading) {
    auto& state = *static_cast<Reading*>(reading);
    // The record ends on the line being fed; it began as many lines earlier as it holds breaks.
    CsvRecord record;
    record.line = state.line - breaksInside(state.cells);
    record.cells = std::move(state.cells);
    state.cells.clear();
    state.records.push_back(std::move(record));
}

struct Parser {
    csv_parser parser;
    Parser() {
        if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
            throw std::runtime_error("the CSV reader could not be made");
        csv_set_space_func(&parser, isBlank);
    }
    ~Parser() { csv_free(&parser); }
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;
};

std::string reason(csv_parser& parser) {
    return csv_strerror(csv_error(&parser));
}

}  // namespace

std::vector<CsvRecord> ReadCsv(const std::string& text, char separator) {
    Parser reader;
    csv_set_delim(&reader.parser, static_cast<unsigned char>(separator));
    Reading state;
    // Fed a line at a time, so that a record and a fault are known by their line.
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        end = end == std::string::npos ? text.size() : end + 1;
        ++state.line;
        const std::size_t length = end - begin;
        if (csv_parse(&reader.parser, text.data() + begin, length, endOfCell, endOfRecord,
                      &state) != length)
            throw CsvError(state.line, reason(reader.parser));
        begin = end;
    }
    if (csv_fini(&reader.parser, endOfCell, endOfRecord, &state) != 0)
        throw CsvError(state.line, reason(reader.parser));
    return std::move(state.records);
}

std::string CsvLine(const std::vector<std::string>& cells, char separator) {
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) line += separator;
        const std::string& cell = cells[i];
        const std::size_t size = csv_write(nullptr, 0, cell.data(), cell.size());
        const std::size_t at = line.size();
        line.resize(at + size);
        csv_write(line.data() + at, size, cell.data(), cell.size());
    }
    line += "\r\n";
    return line;
}

namespace {

bool formulaStart(char ch) {
    return ch == '=' || ch == '+' || ch == '-' || ch == '@' || ch == '\t' || ch == '\r';
}

// The cell begins, after any apostrophes, with a character that starts a formula.
bool looksLikeFormula(const std::string& cell) {
    if (cell == "-") return false;
    const std::size_t at = cell.find_first_not_of('\'');
    return at != std::string::npos && formulaStart(cell[at]);
}

}  // namespace

std::string NeutralisedCell(const std::string& cell) {
    return looksLikeFormula(cell) ? "'" + cell : cell;
}

std::string RestoredCell(const std::string& cell) {
    return !cell.empty() && cell.front() == '\'' && looksLikeFormula(cell) ? cell.substr(1) : cell;
}

}  // namespace kvt::entries
