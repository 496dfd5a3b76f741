#include "entries/import.h"

#include <algorithm>
#include <map>

#include "base/number_text.h"
#include "base/windows1252.h"
#include "entries/fields.h"
#include "lang/entry_texts.h"

namespace kvt::entries {

namespace {

namespace entry = lang::entry;
using meet::Register;

constexpr const char* Bom = "\xEF\xBB\xBF";
// The competitor's payment option, 1 to 4.
constexpr int PaymentPosition = 19;

bool startsWithBom(const std::string& bytes) {
    return bytes.compare(0, 3, Bom) == 0;
}

std::string trimmed(const std::string& value) {
    const auto begin = value.find_first_not_of(" \t");
    if (begin == std::string::npos) return "";
    return value.substr(begin, value.find_last_not_of(" \t") - begin + 1);
}

// Small letters of A to Z and of the Latin-1 capitals (Æ, Ø, Å): names compared as typed.
std::string folded(const std::string& value) {
    std::u32string text = base::DecodeUtf8(trimmed(value));
    for (char32_t& ch : text) {
        if (ch >= U'A' && ch <= U'Z') ch = ch - U'A' + U'a';
        if (ch >= 0xC0 && ch <= 0xDE && ch != 0xD7) ch += 0x20;
    }
    return base::EncodeUtf8(text);
}

const std::string& cell(const CsvRecord& record, int column) {
    static const std::string none;
    return column < static_cast<int>(record.cells.size()) ? record.cells[column] : none;
}

bool emptyRecord(const CsvRecord& record) {
    for (const auto& value : record.cells)
        if (!trimmed(value).empty()) return false;
    return true;
}

// The meet's own spellings of its club and class names, by the names as typed in any case.
struct Spellings {
    explicit Spellings(const meet::Meet& meet) {
        for (int m = 1; m <= meet.clubCount(); ++m) add(clubs, meet.clubName(m));
        for (int m = 1; m <= meet.classCount(); ++m) add(classes, meet.className(m));
    }
    // Empty when the meet has none of that name.
    std::string of(Register which, const std::string& value) const {
        const auto& names = which == Register::Clubs ? clubs : classes;
        auto found = names.find(folded(value));
        return found == names.end() ? std::string() : found->second;
    }

private:
    static void add(std::map<std::string, std::string>& names, const std::string& name) {
        const std::string spelled = trimmed(name);
        if (!spelled.empty() && spelled != "-") names.emplace(folded(spelled), spelled);
    }
    std::map<std::string, std::string> clubs, classes;
};

// A word of the catalogue's entries first to last, in either language, as the meet's language
// has it; empty when the value is none of them.
std::string catalogueWord(const std::string& value, int first, int last, lang::Language language) {
    const std::string wanted = folded(value);
    for (const auto& text : lang::TextCatalogue())
        if (text.number >= first && text.number <= last &&
            (folded(text.text.english) == wanted || folded(text.text.norwegian) == wanted))
            return text.text.in(language);
    return {};
}

// A payment as the competitor page stores it: 1 to 4 as written, the page's captions as the
// number they stand for; empty when the value is no payment.
std::string payment(const std::string& value) {
    const std::string text = trimmed(value);
    if (text.size() == 1 && text[0] >= '1' && text[0] <= '4') return value;
    static const char* const captions[4] = {"full", "3/4", "1/2", "1/4"};
    for (int k = 0; k < 4; ++k)
        if (folded(text) == captions[k]) return base::NumberToText(k + 1);
    return {};
}

bool wholeNumber(const std::string& text) {
    return !text.empty() && text.size() <= 6 &&
           text.find_first_not_of("0123456789") == std::string::npos;
}

bool placeholder(const std::string& value) {
    const std::string text = trimmed(value);
    return text.empty() || text == "-";
}

// A cell as the register stores it.
std::string storedValue(Register target, lang::Language language, const Spellings& spellings,
                        int position, const std::string& value) {
    if (trimmed(value).empty()) return std::string(1, '-');  // the program's empty value
    if (target != Register::Competitors || placeholder(value)) return value;
    switch (position) {
        case 3:
            return spellings.of(Register::Clubs, value);
        case 4:
            return spellings.of(Register::Classes, value);
        case PaymentPosition:
            return payment(value);
        case 12: {
            std::string word =
                catalogueWord(value, entry::FirstStatus, entry::LastStatus, language);
            return word.empty() ? value : word;
        }
        case 13: {
            std::string word = catalogueWord(value, entry::FirstSex, entry::LastSex, language);
            return word.empty() ? value : word;
        }
        default:
            return value;
    }
}

}  // namespace

Encoding DetectEncoding(const std::string& bytes) {
    if (startsWithBom(bytes)) return Encoding::Utf8WithBom;
    return base::IsUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1252;
}

char DetectSeparator(const std::string& text) {
    int counts[3] = {0, 0, 0};
    bool quoted = false;
    for (char ch : text) {
        if (ch == '"') quoted = !quoted;
        if (quoted) continue;
        if (ch == '\n' || ch == '\r') {
            if (counts[0] + counts[1] + counts[2] > 0) break;
            continue;
        }
        for (int i = 0; i < 3; ++i)
            if (ch == Separators[i]) ++counts[i];
    }
    // On equal counts the semicolon first (a Norwegian spreadsheet's), then the comma.
    int best = 1;
    for (int i : {0, 2})
        if (counts[i] > counts[best]) best = i;
    return counts[best] > 0 ? Separators[best] : 0;
}

ImportSession::ImportSession(std::string bytes, const meet::Meet& meet, lang::Language language)
    : bytes_(std::move(bytes)), meet_(meet), language_(language) {
    auto fail = [&](const std::string& why) {
        throw NotCsv(lang::NotCsvText().in(language_) + why);
    };
    const std::string content = startsWithBom(bytes_) ? bytes_.substr(3) : bytes_;
    if (content.find_first_not_of(" \t\r\n") == std::string::npos)
        fail(lang::EmptyFileText().in(language_));
    if (content.find('\0') != std::string::npos) fail(lang::NoTextText().in(language_));
    encoding_ = DetectEncoding(bytes_);
    separator_ = DetectSeparator(text());
    if (separator_ == 0) fail(lang::NoSeparatorText().in(language_));
    header_ = false;
    read();
    if (!fault_.empty()) fail(fault_);
    // The first line holds the column names when a cell names a field of any register; the
    // register is the one whose fields the most names name.
    if (!rows_.empty()) {
        int best = -1;
        for (Register which : {Register::Competitors, Register::Clubs, Register::Classes}) {
            std::vector<int> found;
            for (const auto& value : rows_[0].cells) {
                int position = GuessField(which, value);
                if (position >= 0) header_ = true;
                if (position >= 0 && std::find(found.begin(), found.end(), position) == found.end())
                    found.push_back(position);
            }
            if (static_cast<int>(found.size()) > best) {
                best = static_cast<int>(found.size());
                target_ = which;
            }
        }
    }
    if (header_) read();
    guessMapping();
}

std::string ImportSession::text() const {
    const std::string content = startsWithBom(bytes_) ? bytes_.substr(3) : bytes_;
    switch (encoding_) {
        case Encoding::Windows1252:
            return base::EncodeUtf8(base::DecodeWindows1252(bytes_));
        case Encoding::Utf8:
        case Encoding::Utf8WithBom:
            break;
    }
    // Bytes that are no UTF-8 stand as unknown characters.
    return base::IsUtf8(content) ? content : base::EncodeUtf8(base::DecodeUtf8(content));
}

void ImportSession::read() {
    fault_.clear();
    headerCells_.clear();
    rows_.clear();
    std::vector<CsvRecord> records;
    try {
        records = ReadCsv(text(), separator_);
    } catch (const CsvError& error) {
        fault_ = lang::CsvFaultText(language_, error.line(), error.what());
        mapping_.clear();
        return;
    }
    records.erase(std::remove_if(records.begin(), records.end(), emptyRecord), records.end());
    // Cells the export kept from running as formulas read as they were.
    for (auto& record : records)
        for (auto& value : record.cells) value = RestoredCell(value);
    std::size_t columns = 0;
    for (const auto& record : records) columns = std::max(columns, record.cells.size());
    if (header_ && !records.empty()) {
        headerCells_ = records.front().cells;
        headerCells_.resize(columns);
        records.erase(records.begin());
    }
    rows_ = std::move(records);
    mapping_.resize(columns, -1);
}

void ImportSession::guessMapping() {
    std::fill(mapping_.begin(), mapping_.end(), -1);
    if (!header_) {
        // Without names the first column is taken as the number, the operator maps the rest.
        if (!mapping_.empty()) mapping_[0] = 0;
        return;
    }
    for (int c = 0; c < columnCount(); ++c) {
        int position = GuessField(target_, headerCells_[c]);
        if (position >= 0 && fits(c, position) &&
            std::find(mapping_.begin(), mapping_.end(), position) == mapping_.end())
            mapping_[c] = position;
    }
}

// A column named "Paid" that holds yes and no is no payment option (1 to 4): such a column is
// left for the operator to map rather than guessed into refusing every row.
bool ImportSession::fits(int column, int position) const {
    if (target_ != Register::Competitors || position != PaymentPosition) return true;
    for (const auto& row : rows_) {
        const std::string& value = cell(row, column);
        if (!placeholder(value) && payment(value).empty()) return false;
    }
    return true;
}

void ImportSession::setEncoding(Encoding encoding) {
    encoding_ = encoding;
    read();
    guessMapping();
}

void ImportSession::setSeparator(char separator) {
    if (std::find(std::begin(Separators), std::end(Separators), separator) == std::end(Separators))
        return;
    separator_ = separator;
    read();
    guessMapping();
}

void ImportSession::setHeader(bool header) {
    header_ = header;
    read();
    guessMapping();
}

void ImportSession::setTarget(meet::Register target) {
    target_ = target;
    guessMapping();
}

void ImportSession::mapColumn(int column, int position) {
    if (column < 0 || column >= columnCount()) return;
    if (position >= 0 && !FindField(target_, position)) return;
    if (position >= 0)
        for (int& mapped : mapping_)
            if (mapped == position) mapped = -1;
    mapping_[column] = position;
}

void ImportSession::examine(std::vector<int>& numbers,
                            std::vector<std::vector<Problem>>& problems) const {
    const int rows = static_cast<int>(rows_.size());
    numbers.assign(rows, 0);
    problems.assign(rows, {});
    const auto numberColumn = std::find(mapping_.begin(), mapping_.end(), 0);
    if (numberColumn == mapping_.end()) return;
    const int column = static_cast<int>(numberColumn - mapping_.begin());
    const int limit = meet::RegisterLimit(target_);
    std::map<int, std::vector<int>> rowsOfNumber;
    const Spellings spellings(meet_);
    for (int i = 0; i < rows; ++i) {
        const CsvRecord& row = rows_[i];
        auto problem = [&](Problem::Kind kind, const std::string& value, int number = 0) {
            problems[i].push_back({row.line, kind, value, number, 0});
        };
        const std::string text = trimmed(cell(row, column));
        if (text.empty()) {
            problem(Problem::NoNumber, text);
        } else if (!wholeNumber(text)) {
            problem(Problem::NotANumber, text);
        } else {
            const int n = std::stoi(text);
            if (n < 1 || n > limit)
                problem(Problem::BeyondCount, text, n);
            else
                rowsOfNumber[numbers[i] = n].push_back(i);
        }
        if (target_ != Register::Competitors) continue;
        for (int c = 0; c < columnCount(); ++c) {
            const std::string& value = cell(row, c);
            if (placeholder(value)) continue;
            if (mapping_[c] == 3 && spellings.of(Register::Clubs, value).empty())
                problem(Problem::UnknownClub, trimmed(value));
            if (mapping_[c] == 4 && spellings.of(Register::Classes, value).empty())
                problem(Problem::UnknownClass, trimmed(value));
            if (mapping_[c] == PaymentPosition && payment(value).empty())
                problem(Problem::BadPayment, trimmed(value));
        }
    }
    // A number on two rows: neither can be told right, so neither goes in.
    for (const auto& [n, same] : rowsOfNumber) {
        if (same.size() < 2) continue;
        for (int i : same) {
            const int other = same[i == same.front() ? 1 : 0];
            problems[i].insert(problems[i].begin(), {rows_[i].line, Problem::Duplicate,
                                                     std::to_string(n), n, rows_[other].line});
        }
    }
}

Report ImportSession::check() const {
    Report report;
    report.rows = static_cast<int>(rows_.size());
    for (int position : mapping_) {
        if (position == 0) report.numberMapped = true;
        if (position > 0) report.fieldMapped = true;
    }
    std::vector<int> numbers;
    std::vector<std::vector<Problem>> problems;
    examine(numbers, problems);
    if (!report.numberMapped) return report;
    report.count = meet_.registerCount(target_);
    for (std::size_t i = 0; i < problems.size(); ++i) {
        if (problems[i].empty() && numbers[i] > 0) ++report.goodRows;
        if (problems[i].empty() && numbers[i] > report.count) ++report.added;
        report.problems.insert(report.problems.end(), problems[i].begin(), problems[i].end());
    }
    return report;
}

std::string ImportSession::problemText(const Problem& problem) const {
    const auto language = language_;
    switch (problem.kind) {
        case Problem::NoNumber:
            return lang::NoNumberProblem(language, problem.line);
        case Problem::NotANumber:
            return lang::NotANumberProblem(language, problem.line, problem.value);
        case Problem::BeyondCount:
            return lang::BeyondCountProblem(language, problem.line, problem.number,
                                            meet::RegisterLimit(target_));
        case Problem::Duplicate:
            return lang::DuplicateProblem(language, problem.line, problem.number,
                                          problem.otherLine);
        case Problem::UnknownClub:
            return lang::UnknownClubProblem(language, problem.line, problem.value);
        case Problem::UnknownClass:
            return lang::UnknownClassProblem(language, problem.line, problem.value);
        case Problem::BadPayment:
            return lang::BadPaymentProblem(language, problem.line, problem.value);
    }
    return {};
}

std::vector<meet::RegisterEntry> ImportSession::goodEntries() const {
    std::vector<int> numbers;
    std::vector<std::vector<Problem>> problems;
    examine(numbers, problems);
    std::vector<meet::RegisterEntry> entries;
    const Spellings spellings(meet_);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (!problems[i].empty() || numbers[i] == 0) continue;
        meet::RegisterEntry entry;
        entry.number = numbers[i];
        for (int c = 0; c < columnCount(); ++c) {
            const int position = mapping_[c];
            if (position <= 0) continue;
            entry.fields.emplace_back(
                position, storedValue(target_, language_, spellings, position, cell(rows_[i], c)));
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace kvt::entries
