#include "meet/meet.h"

#include <algorithm>

#include "base/number_text.h"
#include "base/time_text.h"
#include "lang/meet_texts.h"
#include "lang/window_texts.h"
#include "storage/schema.h"

namespace kvt::meet {

namespace {

namespace entry = lang::entry;

std::string text(const storage::FieldValue& value) {
    return value.value_or("");
}

std::string trimmed(const std::string& value) {
    auto begin = value.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return value.substr(begin, value.find_last_not_of(' ') - begin + 1);
}

std::string withoutBlanks(std::string value) {
    value.erase(std::remove(value.begin(), value.end(), ' '), value.end());
    return value;
}

// The 16-bit count of a text; 0 when it holds none that fits.
int count16(const std::string& value) {
    try {
        return base::TextToInt16(value);
    } catch (const base::OverflowError&) {
        return 0;
    }
}

// A cache index read from a record's number; -1 when it is outside the cache.
int cacheIndex(const storage::FieldValue& number, int bound) {
    double value = base::TextToNumber(text(number));
    return value >= 0 && value <= bound ? static_cast<int>(value) : -1;
}

// "n-0012": channel and registration count of that channel in four digits.
std::string identification(int line, int count) {
    std::string digits = "000" + std::to_string(count);
    return std::to_string(line) + "-" + digits.substr(digits.size() - 4);
}

constexpr int MaxCount = 32767;

// A row without a place stores none (an empty place sorts after every number).
storage::FieldValue placeValue(const ResultRow& row) {
    if (!row.status.empty()) return std::nullopt;
    return std::to_string(row.place);
}

// Letters of A to Z as small letters: the status words compared as an official types them.
std::string folded(const std::string& value) {
    std::string result = trimmed(value);
    for (char& ch : result)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return result;
}

// A text of the catalogue in both languages.
lang::Bilingual catalogueText(int number) {
    for (const auto& text : lang::TextCatalogue())
        if (text.number == number) return text.text;
    return {"", ""};
}

}  // namespace

// ---- the Setup record ----

bool SetupRecord::yes(int field) const {
    return base::TextToNumber(fields.at(field)) != 0;
}

double SetupRecord::number(int field) const {
    return base::TextToNumber(fields.at(field));
}

int SetupRecord::count(int field) const {
    return count16(fields.at(field));
}

int SetupRecord::timeFormat() const {
    double value = number(field::TimeFormat);
    for (int i = 0; i < 4; ++i)
        if (value == i) return i;
    return base::NoTimeFormat;
}

// ---- opening ----

Meet::Meet(storage::Engine& engine, std::string path, const lang::TextTable& words,
           lang::Language language)
    : engine_(engine), path_(std::move(path)), words_(words), language_(language) {
    competitors_.resize(MaxStartNumber + 1);
    clubNames_.assign(MaxClubOrClass + 1, "-");
    classNames_.assign(MaxClubOrClass + 1, "-");
    registered_.resize(1);
}

Meet::~Meet() = default;

std::unique_ptr<Meet> Meet::Open(storage::Engine& engine, const std::string& path,
                                 const lang::TextTable& words, lang::Language language,
                                 Progress& progress, std::vector<int>& warnings,
                                 std::unique_ptr<storage::Hold> hold) {
    std::unique_ptr<Meet> meet(new Meet(engine, path, words, language));
    meet->hold_ = hold ? std::move(hold) : engine.hold(path);
    meet->load(progress, warnings);
    return meet;
}

void Meet::load(Progress& progress, std::vector<int>& warnings) {
    setupTable_ = engine_.openTable(path_, words_[entry::SetupTable]);
    auto setup = setupTable_->readAll();
    if (setup.empty()) throw std::runtime_error(words_[entry::SetupTable] + ": no record");
    for (int f = 0; f < field::Count && f < static_cast<int>(setup[0].size()); ++f)
        setup_.fields[f] = text(setup[0][f]);
    highestNumber_ = std::clamp(setup_.count(field::CompetitorCount), 0, MaxCompetitors);
    clubCount_ = std::clamp(setup_.count(field::ClubCount), 0, MaxClubsOnPage);
    classCount_ = std::clamp(setup_.count(field::ClassCount), 0, MaxClassesOnPage);

    loadRegisters(progress, warnings);
    loadTimes(progress, warnings);
    loadList();
    loadResults();
    // A finish whose result is in no results table (its class matched none when it was
    // given) is recorded at the next store, once its class matches.
    for (int n = 1; n <= highestNumber_; ++n) {
        if (competitors_[n].state != Finished) continue;
        bool listed = false;
        for (int c = 1; c <= classCount_ && !listed; ++c)
            for (const ResultRow& row : results_[c].rows())
                if (row.number == n) listed = true;
        if (!listed) waitingResults_.insert(n);
    }
}

void Meet::loadRegisters(Progress& progress, std::vector<int>& warnings) {
    struct Check {
        storage::TableKind kind;
        int count, status, error;
    };
    auto walk = [&](const Check& check, const auto& fill) {
        auto table = engine_.openTable(path_, storage::DescribeTable(check.kind, words_).name);
        auto rows = table->readAll();
        progress.begin(words_[check.status], check.count);
        bool error = static_cast<int>(rows.size()) < check.count;
        for (int k = 1; k <= check.count && k <= static_cast<int>(rows.size()); ++k) {
            progress.step(k);
            const auto& row = rows[k - 1];
            if (row.empty() || base::TextToNumber(text(row[0])) != k) error = true;
            if (!row.empty()) fill(row);
        }
        progress.end();
        if (error) warnings.push_back(check.error);
    };
    recordNumbers_.assign(highestNumber_ + 1, -1);
    int position = 0;
    walk({storage::TableKind::Competitors, highestNumber_, entry::ReadingCompetitors,
          entry::CompetitorsInError},
         [&](const storage::Record& row) { fillCompetitor(++position, row); });
    walk({storage::TableKind::Clubs, clubCount_, entry::ReadingClubs, entry::ClubsInError},
         [&](const storage::Record& row) { fillClub(row); });
    walk({storage::TableKind::Classes, classCount_, entry::ReadingClasses, entry::ClassesInError},
         [&](const storage::Record& row) { fillClass(row); });
}

void Meet::fillCompetitor(int position, const storage::Record& row) {
    if (position >= 1 && position < static_cast<int>(recordNumbers_.size())) {
        const double number = base::TextToNumber(text(row[0]));
        recordNumbers_[position] =
            number >= 0 && number <= MaxStartNumber && number == static_cast<int>(number)
                ? static_cast<int>(number)
                : -1;
    }
    int n = cacheIndex(row[0], MaxStartNumber);
    if (n < 0 || row.size() < 20) return;
    auto& competitor = competitors_[n];
    competitor.name = text(row[1]) + ", " + text(row[2]);
    competitor.club = text(row[3]);
    competitor.className = text(row[4]);
    competitor.status = text(row[12]);
    try {
        competitor.payment = base::TextToInt16(text(row[19]));
    } catch (const base::OverflowError&) {
        competitor.payment = 1;
    }
}

void Meet::fillClub(const storage::Record& row) {
    int m = cacheIndex(row[0], MaxClubOrClass);
    if (m >= 0 && row.size() > 1) clubNames_[m] = text(row[1]);
}

void Meet::fillClass(const storage::Record& row) {
    int m = cacheIndex(row[0], MaxClubOrClass);
    if (m >= 0 && row.size() > 2) classNames_[m] = text(row[2]);
}

// A count of the Setup record as the number it holds; -1 when it holds no whole number the
// program can keep.
static int countOf(const std::string& value) {
    double number = base::TextToNumber(value);
    return number >= 0 && number <= MaxCount && number == static_cast<int>(number)
               ? static_cast<int>(number)
               : -1;
}

void Meet::repairCounts(const std::vector<storage::Record>& rows) {
    // What the Time table says: the rows it has, the last one registered into (rows are
    // taken in order), and the highest count in the identifications of each line.
    const int rowCount = static_cast<int>(rows.size());
    int used = 0;
    std::array<int, 7> highest{};
    for (int k = 1; k <= rowCount; ++k) {
        const std::string id = rows[k - 1].size() > 1 ? trimmed(text(rows[k - 1][1])) : "";
        if (id.empty() || id == "-") continue;
        used = k;
        auto dash = id.find('-');
        if (dash == 1 && id[0] >= '1' && id[0] <= '6') {
            const int line = id[0] - '0';
            const int counted = countOf(id.substr(2));
            if (counted > highest[line]) highest[line] = counted;
        }
    }
    std::vector<std::string> repaired;
    auto repair = [&](int field, const std::string& name, int value, const std::string& stored) {
        repaired.push_back(name + ": " + setup_.fields[field] + " -> " + std::to_string(value));
        setSetupField(field, stored);
    };
    if (countOf(setup_.fields[field::TimeTableSize]) != rowCount)
        repair(field::TimeTableSize, lang::TimeTableSizeName().in(language_), rowCount,
               std::to_string(rowCount));
    timeTableSize_ = rowCount;
    if (countOf(setup_.fields[field::RegisteredCount]) != used)
        repair(field::RegisteredCount, lang::RegisteredCountName().in(language_), used,
               std::to_string(used));
    registeredCount_ = used;
    const int fetched = countOf(setup_.fields[field::FetchedCount]);
    if (fetched < 0 || fetched > used)
        repair(field::FetchedCount, lang::FetchedCountName().in(language_), used,
               std::to_string(used));
    fetchedCount_ = fetched < 0 || fetched > used ? used : fetched;
    for (int line = 1; line <= ChannelTotal; ++line) {
        const int counted = countOf(setup_.fields[field::ChannelCount(line)]);
        if (counted < highest[line])
            repair(field::ChannelCount(line),
                   lang::LineCountName().in(language_) + std::to_string(line), highest[line],
                   base::NumberToText(highest[line]));
        channelCounts_[line] = std::max(counted, highest[line]);
    }
    if (!repaired.empty()) {
        std::string list;
        for (const auto& one : repaired) list += (list.empty() ? "" : "; ") + one;
        openingNotices_.push_back(lang::CountsRepairedText().in(language_) + list + ".");
    }
}

void Meet::loadTimes(Progress& progress, std::vector<int>& warnings) {
    timeTable_ = engine_.openTable(path_, words_[entry::TimeTable]);
    auto rows = timeTable_->readAll();
    timeRowsStored_ = static_cast<int>(rows.size());
    // The counts of times are the Time table's: a damaged or edited count is put right from
    // it before anything counts on it.
    repairCounts(rows);
    const int count = timeTableSize_;
    registered_.assign(std::max(count, registeredCount_) + 1, RegisteredTime{});
    progress.begin(words_[entry::ReadingTime], count);
    bool error = static_cast<int>(rows.size()) < count;
    const std::string outAll = withoutBlanks(words_[entry::OutAll]);
    const std::string out = withoutBlanks(words_[entry::Out]);
    const std::string in = withoutBlanks(words_[entry::In]);
    auto start = [&](int n, const std::string& time) {
        if (n < 1 || n > MaxStartNumber) return;
        auto& competitor = competitors_[n];
        competitor.start = time;
        if (competitor.state != Finished) competitor.state = Started;
    };
    for (int k = 1; k <= count && k <= static_cast<int>(rows.size()); ++k) {
        progress.step(k);
        auto row = rows[k - 1];  // index, id, time, number, type, competitor, info
        row.resize(7);
        const std::string time = text(row[2]);
        const std::string kind = withoutBlanks(text(row[4]));
        const int n = wholeNumber(text(row[3]));
        if (kind == outAll) {
            // The start of all, as the live program gave it: those who had finished keep
            // their start.
            for (int all = 1; all <= highestNumber_; ++all)
                if (competitors_[all].state != Finished) start(all, time);
        } else if (kind == out) {
            start(n, time);
        } else if (kind == in && n > 0) {
            competitors_[n].finish = time;
            competitors_[n].state = Finished;
        }
        double index = base::TextToNumber(text(row[0]));
        auto& slot = registered_[k];
        slot = {time, text(row[3]), text(row[4]), text(row[1]),
                std::to_string(static_cast<long long>(index))};
        slot.given = kind == outAll || kind == out || kind == in;
        if (index != k) error = true;
    }
    progress.end();
    if (error) warnings.push_back(entry::TimeInError);
}

void Meet::loadList() {
    workTable_ = engine_.openTable(path_, words_[entry::WorkTable]);
    auto work = workTable_->readAll();
    if (work.empty()) throw std::runtime_error(words_[entry::WorkTable] + ": no record");
    auto record = work[0];
    record.resize(41);
    for (int i = 0; i < CaptureRows; ++i) {
        auto& row = rows_[i];
        row.number = text(record[i]);
        row.regTimeIndex = text(record[10 + i]);
        row.regTime = text(record[20 + i]);
        row.ready = withoutBlanks(text(record[30 + i])) == "1";
        showRow(i);
    }
}

void Meet::loadResults() {
    results_.assign(classCount_ + 1, ClassResults{});
    resultsTables_.clear();
    resultsTables_.resize(classCount_ + 1);
    for (int c = 1; c <= classCount_; ++c) {
        resultsTables_[c] = engine_.openTable(path_, resultsTable(c));
        std::vector<ResultRow> rows;
        for (auto& record : resultsTables_[c]->readAll()) {
            record.resize(6);
            ResultRow row;
            row.place = static_cast<int>(base::TextToNumber(text(record[0])));
            row.number = static_cast<int>(base::TextToNumber(text(record[1])));
            row.competitor = text(record[2]);
            row.club = text(record[3]);
            row.result = text(record[4]);
            row.difference = text(record[5]);
            // A status stored in the place of the result: the result is the race time again.
            if (row.result == words_[entry::Disqualified] ||
                row.result == words_[entry::Canceled]) {
                row.status = row.result;
                if (row.number >= 1 && row.number <= MaxStartNumber) {
                    const auto& competitor = competitors_[row.number];
                    if (competitor.state == Finished && competitor.start != "-" &&
                        competitor.finish != "-")
                        row.result = base::FormatResultTime(
                            base::RaceTime(competitor.start, competitor.finish),
                            setup_.timeFormat());
                }
            }
            rows.push_back(std::move(row));
        }
        results_[c].load(std::move(rows));
    }
}

// ---- what the meet holds ----

std::string Meet::resultsTable(int classNumber) const {
    return words_[entry::ResultsTablePrefix] + std::to_string(classNumber);
}

int Meet::recordNumber(int position) const {
    return position >= 1 && position < static_cast<int>(recordNumbers_.size())
               ? recordNumbers_[position]
               : -1;
}

std::vector<int> Meet::recordsNumbered(int n) const {
    std::vector<int> positions;
    for (int k = 1; k < static_cast<int>(recordNumbers_.size()); ++k)
        if (recordNumbers_[k] == n) positions.push_back(k);
    return positions;
}

bool Meet::hasClub(const std::string& name) const {
    const std::string wanted = trimmed(name);
    if (wanted.empty() || wanted == "-") return false;
    for (int m = 1; m <= clubCount_; ++m)
        if (trimmed(clubNames_[m]) == wanted) return true;
    return false;
}

bool Meet::hasClass(const std::string& name) const {
    const std::string wanted = trimmed(name);
    if (wanted.empty() || wanted == "-") return false;
    for (int m = 1; m <= classCount_; ++m)
        if (trimmed(classNames_[m]) == wanted) return true;
    return false;
}

std::string Meet::unrankedStatus(int n) const {
    if (n < 1 || n > MaxStartNumber) return {};
    const std::string& stored = competitors_[n].status;
    if (stored.empty() || stored == "-") return {};
    const std::string status = folded(stored);
    // Picked under either language (an imported list may carry the other's words).
    for (int e : {entry::Disqualified, entry::Canceled}) {
        const lang::Bilingual both = catalogueText(e);
        if (status == folded(both.english) || status == folded(both.norwegian)) return words_[e];
    }
    return {};
}

namespace {
storage::TableKind kindOf(Register which) {
    switch (which) {
        case Register::Clubs:
            return storage::TableKind::Clubs;
        case Register::Classes:
            return storage::TableKind::Classes;
        case Register::Competitors:
            break;
    }
    return storage::TableKind::Competitors;
}
}  // namespace

std::string Meet::registerTable(Register which) const {
    return storage::DescribeTable(kindOf(which), words_).name;
}

int Meet::registerCount(Register which) const {
    switch (which) {
        case Register::Clubs:
            return clubCount_;
        case Register::Classes:
            return classCount_;
        case Register::Competitors:
            break;
    }
    return highestNumber_;
}

std::vector<storage::Record> Meet::registerRecords(Register which) const {
    const auto layout = storage::DescribeTable(kindOf(which), words_);
    auto records = engine_.openTable(path_, layout.name)->readAll();
    for (auto& record : records) record.resize(layout.fields.size());
    return records;
}

Outcome Meet::importEntries(Register which, const std::vector<RegisterEntry>& entries) {
    const auto layout = storage::DescribeTable(kindOf(which), words_);
    const int count = registerCount(which);
    const int fieldCount = static_cast<int>(layout.fields.size());
    std::set<int> numbers;
    for (const auto& entry : entries) {
        if (entry.number < 1 || entry.number > count || !numbers.insert(entry.number).second)
            throw std::invalid_argument(layout.name + ": no record " + std::to_string(entry.number) +
                                        " to import into, or it comes twice");
        for (const auto& [position, value] : entry.fields)
            if (position < 1 || position >= fieldCount)
                throw std::invalid_argument(layout.name + ": no field " + std::to_string(position));
    }
    auto table = engine_.openTable(path_, layout.name);
    auto records = table->readAll();
    if (static_cast<int>(records.size()) < count)
        throw std::runtime_error(layout.name + ": " + std::to_string(records.size()) + " records, " +
                                 std::to_string(count) + " expected");
    for (const auto& entry : entries) {
        auto& record = records[entry.number - 1];
        record.resize(fieldCount);
        for (const auto& [position, value] : entry.fields) record[position] = value;
    }
    // What the caches and results were, for an import that cannot be stored.
    const auto competitors = competitors_;
    const auto recordNumbers = recordNumbers_;
    const auto clubs = clubNames_;
    const auto classes = classNames_;
    const auto results = results_;
    const auto waiting = waitingResults_;
    for (int k = 1; k <= count; ++k) {
        const auto& record = records[k - 1];
        if (record.empty()) continue;
        if (which == Register::Competitors)
            fillCompetitor(k, record);
        else if (which == Register::Clubs)
            fillClub(record);
        else
            fillClass(record);
    }
    Outcome outcome;
    outcome.acted = true;
    recordWaitingResults(outcome);
    commit(outcome, [&] {
        for (const auto& entry : entries) {
            storage::NamedFields named;
            named.reserve(entry.fields.size());
            for (const auto& [position, value] : entry.fields)
                named.emplace_back(layout.fields[position].name, value);
            if (!named.empty()) table->writeFields(entry.number, named);
        }
    });
    if (!outcome.stored) {
        competitors_ = competitors;
        recordNumbers_ = recordNumbers;
        clubNames_ = clubs;
        classNames_ = classes;
        results_ = results;
        waitingResults_ = waiting;
        outcome.acted = false;
        outcome.finished = false;
    }
    return outcome;
}

int Meet::lastLineInUse() const {
    int last = -1;
    for (int c = 0; c < ChannelTotal; ++c)
        if (setup_.lineInUse(c)) last = c;
    return last;
}

bool Meet::allStored() const {
    if (!unstoredRows_.empty() || !unstoredSetup_.empty() || !unstoredWork_.empty()) return false;
    for (int c = 1; c <= classCount_; ++c)
        if (!results_[c].allStored()) return false;
    return true;
}

int Meet::unstoredTimes() const {
    return static_cast<int>(unstoredRows_.size());
}

std::string Meet::unstoredTimesText() const {
    std::string times;
    for (const auto& unstored : unstoredRows_) {
        const int row = unstored.first;
        const auto& fields = unstored.second;
        const RegisteredTime slot =
            row < static_cast<int>(registered_.size()) ? registered_[row] : RegisteredTime{};
        auto field = [&](int e, const std::string& fallback) {
            auto found = fields.find(e);
            return found != fields.end() ? found->second : fallback;
        };
        times += (times.empty() ? "" : ", ") + field(entry::TimeTimeField, slot.time) + " (" +
                 field(entry::TimeIdField, slot.identification) + ")";
    }
    return times;
}

// A start number typed on a line: a whole number of one of the meet's competitors, else 0.
int Meet::wholeNumber(const std::string& value) const {
    const std::string digits = trimmed(value);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    int n = std::stoi(digits);
    return n >= 1 && n <= highestNumber_ && n <= MaxStartNumber ? n : 0;
}

int Meet::rowNumber(int row) const {
    return wholeNumber(rows_[row].number);
}

// ---- the list ----

void Meet::tellNoCompetitor(int row, Outcome& outcome) const {
    if (rows_[row].noCompetitor)
        outcome.notices.push_back(
            lang::NoSuchCompetitorText(language_, trimmed(rows_[row].number)));
}

void Meet::setRowLamps(int row, int state) {
    if (state == NotStarted) {
        rows_[row].outLit = rows_[row].inLit = false;
    } else if (state == Started) {
        rows_[row].outLit = true;
        rows_[row].inLit = false;
    } else if (state == Finished) {
        rows_[row].outLit = false;
        rows_[row].inLit = true;
    }
}

// A number that is none of the meet's competitors shows no one: neither the name nor the
// lamps of a number typed before it stay on the row.
void Meet::showRow(int row) {
    auto& line = rows_[row];
    const int n = rowNumber(row);
    const std::string typed = trimmed(line.number);
    line.noCompetitor = n == 0 && !typed.empty() && typed != "-";
    line.time = "-";
    line.name = n == 0 ? "-" : competitors_[n].name;
    setRowLamps(row, n == 0 ? NotStarted : competitors_[n].state);
}

void Meet::typeNumber(int row, const std::string& value) {
    if (rows_.at(row).number != value) {
        rows_[row].number = value;
        rows_[row].numberGiven = false;
        unstoredWork_.insert(row);
    }
    showRow(row);
}

void Meet::clockTick(const std::string& now) {
    for (int row = 0; row < CaptureRows; ++row) {
        const int n = rowNumber(row);
        if (n == 0) {
            setRowLamps(row, NotStarted);
            continue;
        }
        const auto& competitor = competitors_[n];
        if (competitor.state == Started)
            rows_[row].time = base::RaceTime(competitor.start, now);
        else if (competitor.state == Finished)
            rows_[row].time = base::RaceTime(competitor.start, competitor.finish);
        setRowLamps(row, competitor.state);
    }
}

void Meet::setWorkRow(int row) {
    unstoredWork_.insert(row);
}

// Times given already (by Enter) are passed over when they come next.
void Meet::skipGiven() {
    while (fetchedCount_ < registeredCount_ &&
           fetchedCount_ + 1 < static_cast<int>(registered_.size()) &&
           registered_[fetchedCount_ + 1].given) {
        ++fetchedCount_;
        setSetupField(field::FetchedCount, std::to_string(fetchedCount_));
    }
}

void Meet::takeNextIntoList() {
    skipGiven();
    if (fetchedCount_ >= registeredCount_) return;
    int row = 0;
    while (row < CaptureRows && rows_[row].ready) ++row;
    if (row == CaptureRows) return;
    int k = ++fetchedCount_;
    setSetupField(field::FetchedCount, std::to_string(k));
    const auto& slot = registered_.at(k);
    if (rows_[row].numberGiven) {
        // The number beside it got its time already: this one was not typed for it.
        rows_[row].number = "-";
        rows_[row].numberGiven = false;
        showRow(row);
    }
    rows_[row].regTime = slot.time;
    rows_[row].regTimeIndex = slot.rowIndex;
    rows_[row].ready = true;
    setWorkRow(row);
    skipGiven();
}

void Meet::removeRow(int row) {
    for (int j = row; j < CaptureRows - 1; ++j) rows_[j] = rows_[j + 1];
    rows_[CaptureRows - 1] = ListRow{};
    for (int j = row; j < CaptureRows; ++j) setWorkRow(j);
    if (fetchedCount_ < registeredCount_) takeNextIntoList();
}

Outcome Meet::deleteRow(int row) {
    Outcome outcome;
    removeRow(row);
    outcome.acted = true;
    commit(outcome);
    return outcome;
}

// ---- registrations ----

void Meet::setSetupField(int field, const std::string& value) {
    setup_.fields.at(field) = value;
    unstoredSetup_.insert(field);
}

void Meet::queueTimeRow(int row, std::map<int, std::string> fields) {
    auto& queued = unstoredRows_[row];
    for (auto& [entryNumber, value] : fields) queued[entryNumber] = std::move(value);
}

Outcome Meet::registerCapture(int line, const std::string& time) {
    Outcome outcome;
    if (registeredCount_ >= MaxCount || channelCounts_[line] >= MaxCount) {
        outcome.notices.push_back(lang::TimeTableFullText().in(language_) + time);
        return outcome;
    }
    int k = ++registeredCount_;
    setSetupField(field::RegisteredCount, std::to_string(k));
    int count = ++channelCounts_[line];
    setSetupField(field::ChannelCount(line), base::NumberToText(count));
    if (static_cast<int>(registered_.size()) <= k) registered_.resize(k + 1);
    const auto& slot =
        registered_[k] = {time, "-", "-", identification(line, count), base::NumberToText(k)};
    queueTimeRow(k, {{entry::TimeIdField, slot.identification},
                     {entry::TimeTimeField, slot.time},
                     {entry::TimeNumberField, "-"},
                     {entry::TimeKindField, "-"}});
    takeNextIntoList();
    outcome.acted = true;
    commit(outcome);
    return outcome;
}

// The time of this moment registered as a manual time on line 1; returns its slot. It shares
// the counts of line 1 with the captures, never their waiting time.
int Meet::registerNow(const std::string& now, const std::string& number) {
    int k = ++registeredCount_;
    setSetupField(field::RegisteredCount, std::to_string(k));
    int count = ++channelCounts_[1];
    setSetupField(field::ChannelCount(1), base::NumberToText(count));
    enterLatch_ = 1;
    if (static_cast<int>(registered_.size()) <= k) registered_.resize(k + 1);
    registered_[k] = {now, number, "-", identification(1, count), base::NumberToText(k)};
    return k;
}

void Meet::startAll(const std::string& startTime) {
    for (int n = 1; n <= highestNumber_ && n <= MaxStartNumber; ++n) {
        if (competitors_[n].state == Finished) continue;
        competitors_[n].start = startTime;
        competitors_[n].state = Started;
    }
}

Outcome Meet::giveTimeNow(int row, const std::string& now) {
    Outcome outcome;
    if (enterLatch_ == 1) return outcome;
    int n = rowNumber(row);
    if (n == 0) {
        tellNoCompetitor(row, outcome);
        return outcome;
    }
    auto& competitor = competitors_[n];
    if (competitor.state == Finished) {
        // Finished before this key press: the line goes, and a held key acts no more.
        enterLatch_ = 1;
        outcome.removeLine = true;
        return outcome;
    }
    if (registeredCount_ >= MaxCount || channelCounts_[1] >= MaxCount) {
        outcome.notices.push_back(lang::TimeTableFullText().in(language_) + now);
        return outcome;
    }
    const std::string number = rows_[row].number;
    const std::string name = rows_[row].name;
    int k = registerNow(now, number);
    auto& slot = registered_[k];
    outcome.acted = true;
    // The time is given at once: it stays out of the list, times still waiting keep waiting.
    slot.given = true;
    if (competitor.state == NotStarted) {
        competitor.start = now;
        competitor.state = Started;
        setRowLamps(row, Started);
        slot.kind = words_[setup_.yes(field::StartAtSameTime) ? entry::OutAll : entry::Out];
        queueTimeRow(k, {{entry::TimeIdField, slot.identification},
                         {entry::TimeTimeField, now},
                         {entry::TimeNumberField, number},
                         {entry::TimeKindField, slot.kind},
                         {entry::TimeCompetitorField, name}});
        if (setup_.yes(field::StartAtSameTime)) startAll(now);
    } else {
        competitor.finish = now;
        competitor.state = Finished;
        setRowLamps(row, Finished);
        queueTimeRow(k, {{entry::TimeIdField, slot.identification},
                         {entry::TimeTimeField, now},
                         {entry::TimeNumberField, number},
                         {entry::TimeKindField, words_[entry::In]},
                         {entry::TimeCompetitorField, name},
                         {entry::TimeInfoField, words_[entry::Transmitted]}});
        recordResult(n, outcome);
    }
    rows_[row].numberGiven = true;
    skipGiven();
    commit(outcome);
    return outcome;
}

Outcome Meet::giveRegisteredTime(int row) {
    Outcome outcome;
    auto& line = rows_.at(row);
    const std::string offered = trimmed(line.regTime);
    if (trimmed(line.number) == "-" || offered == "-" || offered.empty()) return outcome;
    // A number that is not a competitor's gives nothing, and the time stays on the line.
    int n = rowNumber(row);
    if (n == 0) {
        tellNoCompetitor(row, outcome);
        return outcome;
    }
    const int timeRow = static_cast<int>(base::TextToNumber(line.regTimeIndex));
    const std::string number = line.number;
    const std::string name = line.name;
    auto& competitor = competitors_[n];
    outcome.acted = true;
    if (competitor.state == NotStarted) {
        competitor.start = offered;
        competitor.state = Started;
        setRowLamps(row, Started);
        if (timeRow >= 1)
            queueTimeRow(timeRow,
                         {{entry::TimeNumberField, number},
                          {entry::TimeKindField,
                           words_[setup_.yes(field::StartAtSameTime) ? entry::OutAll : entry::Out]},
                          {entry::TimeCompetitorField, name}});
        line.regTime = line.regTimeIndex = "-";
        setWorkRow(row);
        line.numberGiven = true;
        if (setup_.yes(field::StartAtSameTime)) startAll(offered);
    } else if (competitor.state == Started) {
        competitor.finish = offered;
        competitor.state = Finished;
        setRowLamps(row, Finished);
        if (timeRow >= 1)
            queueTimeRow(timeRow, {{entry::TimeNumberField, number},
                                   {entry::TimeKindField, words_[entry::In]},
                                   {entry::TimeCompetitorField, name},
                                   {entry::TimeInfoField, words_[entry::Transmitted]}});
        line.regTime = line.regTimeIndex = "-";
        line.numberGiven = true;
        setWorkRow(row);
        recordResult(n, outcome);
    }
    if (setup_.yes(field::RemoveFromList)) {
        // A row whose time was given asks nothing and goes now; one still offering a time
        // is removed by the page after its question.
        if (trimmed(rows_[row].regTime) == "-")
            removeRow(row);
        else
            outcome.removeLine = true;
    }
    commit(outcome);
    return outcome;
}

// ---- results ----

long long Meet::raceHundredths(const ResultRow& row) const {
    if (row.number >= 1 && row.number <= MaxStartNumber) {
        const auto& competitor = competitors_[row.number];
        if (competitor.state == Finished && competitor.start != "-" && competitor.finish != "-")
            return base::RaceHundredths(competitor.start, competitor.finish);
    }
    return base::ResultHundredths(row.result);
}

void Meet::rank(int classNumber) {
    ClassResults::Unranked unranked;
    if (setup_.yes(field::StatusesInResults))
        unranked = [this](const ResultRow& row) { return unrankedStatus(row.number); };
    results_.at(classNumber)
        .rank([this](const ResultRow& row) { return raceHundredths(row); },
              setup_.yes(field::Differences), setup_.timeFormat(), unranked);
}

void Meet::recordResult(int n, Outcome& outcome) {
    const auto& competitor = competitors_[n];
    const std::string className = trimmed(competitor.className);
    const std::string raw = base::RaceTime(competitor.start, competitor.finish);
    outcome.finished = true;
    outcome.shownClass = 0;
    // "-" is the placeholder of an unnamed class: it is no class.
    if (!className.empty() && className != "-") {
        for (int c = 1; c <= classCount_ && c <= MaxClubOrClass; ++c) {
            if (trimmed(classNames_[c]) != className) continue;
            ResultRow row;
            row.number = n;
            row.competitor = competitor.name;
            row.club = competitor.club;
            row.result = base::FormatResultTime(raw, setup_.timeFormat());
            results_[c].append(std::move(row));
            rank(c);
            outcome.shownClass = c;
        }
    }
    if (outcome.shownClass > 0) {
        waitingResults_.erase(n);
        return;
    }
    waitingResults_.insert(n);
    outcome.notices.push_back(lang::NoClassForFinishText().in(language_) + competitor.name + " (" +
                              std::to_string(n) + "): \"" + competitor.className + "\"");
}

void Meet::recordWaitingResults(Outcome& outcome) {
    for (int n : std::vector<int>(waitingResults_.begin(), waitingResults_.end())) {
        const std::string className = trimmed(competitors_[n].className);
        if (className.empty() || className == "-") continue;
        bool matches = false;
        for (int c = 1; c <= classCount_; ++c)
            matches = matches || trimmed(classNames_[c]) == className;
        if (!matches || competitors_[n].state != Finished) continue;
        Outcome recorded;
        recordResult(n, recorded);
        outcome.finished = true;
        outcome.shownClass = recorded.shownClass;
    }
}

Outcome Meet::rankClass(int classNumber) {
    Outcome outcome;
    if (classNumber >= 1 && classNumber <= classCount_) rank(classNumber);
    commit(outcome);
    return outcome;
}

Outcome Meet::rankAll() {
    Outcome outcome;
    for (int c = 1; c <= classCount_; ++c) rank(c);
    commit(outcome);
    return outcome;
}

// ---- settings and registers ----

Outcome Meet::changeSetting(int field, const std::string& value) {
    Outcome outcome;
    const bool isCount = field == field::RegisteredCount || field == field::FetchedCount ||
                         field == field::TimeTableSize ||
                         (field >= field::ChannelCount(1) && field <= field::ChannelCount(6)) ||
                         field == field::CompetitorCount || field == field::ClubCount ||
                         field == field::ClassCount;
    if (field < 0 || field >= field::Count || isCount || setup_.fields[field] == value)
        return outcome;
    setSetupField(field, value);
    commit(outcome);
    return outcome;
}

void Meet::updateCompetitor(int position, int n, const std::string& first,
                            const std::string& surname, const std::string& club,
                            const std::string& className, int payment, const std::string& status) {
    if (position >= 1 && position < static_cast<int>(recordNumbers_.size()))
        recordNumbers_[position] = n;
    if (n < 0 || n > MaxStartNumber) return;
    auto& competitor = competitors_[n];
    competitor.name = first + ", " + surname;
    competitor.club = club;
    competitor.className = className;
    competitor.payment = payment;
    competitor.status = status;
}

void Meet::updateClub(int m, const std::string& name) {
    if (m >= 0 && m <= MaxClubOrClass) clubNames_[m] = name;
}

void Meet::updateClass(int m, const std::string& name) {
    if (m >= 0 && m <= MaxClubOrClass) classNames_[m] = name;
}

// ---- the lines ----

std::vector<Outcome> Meet::poll(PollInput input) {
    std::vector<Outcome> outcomes;
    input.lastLine = lastLineInUse();
    for (int c = 0; c < ChannelTotal; ++c) input.inUse[c] = setup_.lineInUse(c);
    input.activeLow = setup_.activeLow();
    input.delay = std::clamp(setup_.count(field::Delay), 1, 100);
    PollChannels(channels_, input, [&](int c) {
        const int before = registeredCount_;
        outcomes.push_back(registerCapture(c + 1, channels_[c].CaptureTime));
        if (registeredCount_ > before)
            registered_[registeredCount_].capturedAt = channels_[c].CaptureClock;
    });
    return outcomes;
}

Outcome Meet::pressLineKey(int c, bool adapterReads) {
    Outcome outcome;
    if (adapterReads && c <= lastLineInUse()) return outcome;  // the adapter's line decides
    auto& channel = channels_.at(c);
    // A press is a new activation: an earlier one still waiting for its delay is registered
    // now, so that no press is lost and none counts twice.
    if (channel.CapturePending == 1)
        FinishPending(channels_, c, setup_.lineInUse(c),
                      [&](int line) { outcome = registerCapture(line + 1, channel.CaptureTime); });
    channel.LineLatched = 0;
    channel.LineActive = 1;
    outcome.acted = true;
    return outcome;
}

void Meet::pressLine(int c, bool adapterReads) {
    if (adapterReads && c <= lastLineInUse()) return;
    channels_.at(c).LineActive = 1;
}

void Meet::releaseLine(int c) {
    channels_.at(c).LineActive = 0;
}

void Meet::resetLines() {
    for (auto& channel : channels_) channel.LineActive = channel.LineLatched = 0;
}

std::vector<Outcome> Meet::finishPendingCaptures() {
    std::vector<Outcome> outcomes;
    for (int c = 0; c < ChannelTotal; ++c)
        if (channels_[c].CapturePending == 1)
            FinishPending(channels_, c, setup_.lineInUse(c), [&](int line) {
                outcomes.push_back(registerCapture(line + 1, channels_[line].CaptureTime));
            });
    return outcomes;
}

// ---- storing ----

Outcome Meet::store() {
    Outcome outcome;
    recordWaitingResults(outcome);
    commit(outcome);
    return outcome;
}

void Meet::commit(Outcome& outcome, const std::function<void()>& alsoWrite) {
    if (allStored() && !alsoWrite) {
        outcome.stored = true;
        return;
    }
    std::vector<int> rows, classes;
    for (const auto& queued : unstoredRows_) rows.push_back(queued.first);
    for (int c = 1; c <= classCount_; ++c)
        if (!results_[c].allStored()) classes.push_back(c);
    try {
        engine_.transaction(path_, [&] {
            if (alsoWrite) alsoWrite();
            writeUnstored();
        });
    } catch (const storage::NestedTransaction&) {
        throw;  // a fault of the program, not of the storage
    } catch (const std::exception& error) {
        failure_ = error.what();
        // What the transaction wrote is undone: the handles read the tables' order again
        // before the next write (not now: the file may not even be readable now).
        handlesStale_ = true;
        outcome.stored = false;
        outcome.failure = failure_;
        return;
    }
    unstoredRows_.clear();
    unstoredSetup_.clear();
    unstoredWork_.clear();
    for (int c = 1; c <= classCount_; ++c) results_[c].markStored();
    failure_.clear();
    outcome.stored = true;
    outcome.writtenTimeRows.insert(outcome.writtenTimeRows.end(), rows.begin(), rows.end());
    outcome.writtenClasses.insert(outcome.writtenClasses.end(), classes.begin(), classes.end());
}

void Meet::writeUnstored() {
    if (handlesStale_) {
        for (auto* table : {timeTable_.get(), setupTable_.get(), workTable_.get()})
            if (table) table->reread();
        for (auto& table : resultsTables_)
            if (table) table->reread();
        timeRowsStored_ = timeTable_->recordCount();
        handlesStale_ = false;
    }
    // The Time table grows past its prepared rows; Setup field "31" follows.
    if (!unstoredRows_.empty()) {
        const int highest = unstoredRows_.rbegin()->first;
        int rows = timeRowsStored_;
        while (rows < highest) {
            storage::Record record(7, std::string("-"));
            record[0] = base::NumberToText(++rows);
            timeTable_->appendRecord(record);
        }
        if (rows > timeRowsStored_) {
            timeRowsStored_ = rows;
            if (rows > timeTableSize_) {
                timeTableSize_ = rows;
                setSetupField(field::TimeTableSize, std::to_string(rows));
            }
        }
        for (const auto& [row, fields] : unstoredRows_) {
            storage::NamedFields named;
            for (const auto& [entryNumber, value] : fields)
                named.emplace_back(words_[entryNumber], value);
            timeTable_->writeFields(row, named);
        }
    }
    if (!unstoredSetup_.empty()) {
        storage::NamedFields named;
        for (int f : unstoredSetup_) named.emplace_back(std::to_string(f), setup_.fields[f]);
        setupTable_->writeFields(1, named);
    }
    if (!unstoredWork_.empty()) {
        storage::NamedFields named;
        for (int row : unstoredWork_) {
            const auto& line = rows_[row];
            named.emplace_back(std::to_string(row), line.number);
            named.emplace_back(std::to_string(10 + row), line.regTimeIndex);
            named.emplace_back(std::to_string(20 + row), line.regTime);
            named.emplace_back(std::to_string(30 + row), std::string(line.ready ? "1" : "0"));
        }
        workTable_->writeFields(1, named);
    }
    for (int c = 1; c <= classCount_; ++c) {
        const auto& results = results_[c];
        if (results.allStored()) continue;
        auto& table = *resultsTables_[c];
        const auto& rows = results.rows();
        for (int i = results.storedCount(); i < static_cast<int>(rows.size()); ++i) {
            const auto& row = rows[i];
            table.appendRecord({placeValue(row), std::to_string(row.number), row.competitor,
                                row.club, row.shownResult(), row.difference});
        }
        std::vector<std::pair<int, storage::Record>> changed;
        changed.reserve(results.changedRows().size());
        for (int i : results.changedRows())
            changed.push_back(
                {i + 1, {placeValue(rows[i]), rows[i].difference, rows[i].shownResult()}});
        table.writeRecords(
            {words_[entry::Place], words_[entry::Difference], words_[entry::Result]}, changed);
    }
}

}  // namespace kvt::meet
