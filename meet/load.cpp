// Opening a meet: its counts, registers, times, the list and the results read from the file.
#include <algorithm>
#include <set>

#include "base/number_text.h"
#include "base/time_text.h"
#include "lang/meet_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"
#include "storage/schema.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;
namespace column = storage::column;

// ---- opening ----

Meet::Meet(storage::Engine& engine, std::string path, const lang::TextTable& words,
           lang::Language language)
    : engine_(engine), path_(std::move(path)), words_(words), language_(language) {
    competitors_.resize(1);
    clubNames_.assign(1, "-");
    classNames_.assign(1, "-");
    registered_.resize(1);
}

Meet::~Meet() = default;

std::unique_ptr<Meet> Meet::Open(storage::Engine& engine, const std::string& path,
                                 const lang::TextTable& words, lang::Language language,
                                 Progress& progress, std::vector<int>& warnings,
                                 std::unique_ptr<storage::Hold> hold) {
    std::unique_ptr<Meet> meet(new Meet(engine, path, words, language));
    meet->hold_ = hold ? std::move(hold) : engine.hold(path);
    // A meet shared with other stations: what they store from now on is followed.
    meet->feed_ = engine.feed(path);
    if (meet->feed_) meet->feedSequence_ = meet->feed_->head();
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
    clubCount_ = std::clamp(setup_.count(field::ClubCount), 0, MaxClubs);
    classCount_ = std::clamp(setup_.count(field::ClassCount), 0, MaxClasses);
    // The tables in memory are as large as the meet (a record's number beyond the count
    // makes its own room).
    competitors_.resize(highestNumber_ + 1);
    clubNames_.assign(clubCount_ + 1, "-");
    classNames_.assign(classCount_ + 1, "-");

    loadRegisters(progress, warnings);
    loadProgramSettings();
    loadRaceStatuses();
    loadRuns();
    loadRunStatuses();
    loadTimes(progress, warnings);
    if (auto found = settingRows_.find("OfferedAgain"); found != settingRows_.end()) {
        auto record = settingsTable_->readRecord(found->second);
        if (record.size() >= 2) loadOfferedAgain(text(record[1]));
    }
    loadStarts();
    loadJournal();
    loadSystems();
    loadTrail();
    loadCorrections();
    loadList();
    loadResults();
    for (int run = 1; run <= runCount_; ++run)
        if (run != run_) loadStoredRun(run);
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
        // Competitor records may hold any start number once (late entries take free numbers
        // and a record can be given another); clubs and classes are numbered by position.
        bool anyNumberOnce = false;
    };
    auto walk = [&](const Check& check, const std::vector<int>& fields, const auto& fill) {
        auto table = engine_.openTable(path_, storage::DescribeTable(check.kind, words_).name);
        auto rows = table->readFields(fields);
        progress.begin(words_[check.status], check.count);
        bool error = static_cast<int>(rows.size()) < check.count;
        std::set<int> held;
        for (int k = 1; k <= check.count && k <= static_cast<int>(rows.size()); ++k) {
            progress.step(k);
            const auto& row = rows[k - 1];
            const double number =
                row.empty() ? -1 : base::TextToNumber(text(row[column::competitor::Number]));
            if (check.anyNumberOnce)
                error = error || number < 1 || number > MaxStartNumber ||
                        number != static_cast<int>(number) ||
                        !held.insert(static_cast<int>(number)).second;
            else if (number != k)
                error = true;
            if (!row.empty()) fill(row);
        }
        progress.end();
        if (error) warnings.push_back(check.error);
    };
    recordNumbers_.assign(highestNumber_ + 1, -1);
    int position = 0;
    // Only the fields the meet keeps in memory are read (a competitor record has 27).
    namespace at = column::competitor;
    walk({storage::TableKind::Competitors, highestNumber_, entry::ReadingCompetitors,
          entry::CompetitorsInError, true},
         {at::Number, at::FirstName, at::Surname, at::Club, at::Class, at::Status, at::Payment},
         [&](const storage::Record& row) { fillCompetitor(++position, row); });
    walk({storage::TableKind::Clubs, clubCount_, entry::ReadingClubs, entry::ClubsInError},
         {column::club::Number, column::club::Name},
         [&](const storage::Record& row) { fillClub(row); });
    walk({storage::TableKind::Classes, classCount_, entry::ReadingClasses, entry::ClassesInError},
         {column::classes::Number, column::classes::Name},
         [&](const storage::Record& row) { fillClass(row); });
}

void Meet::fillCompetitor(int position, const storage::Record& row) {
    namespace at = column::competitor;
    if (position >= 1 && position < static_cast<int>(recordNumbers_.size())) {
        const double number = base::TextToNumber(text(row[at::Number]));
        recordNumbers_[position] =
            number >= 0 && number <= MaxStartNumber && number == static_cast<int>(number)
                ? static_cast<int>(number)
                : -1;
    }
    int n = cacheIndex(row[at::Number], MaxStartNumber);
    if (n < 0 || row.size() <= at::Payment) return;
    if (n >= static_cast<int>(competitors_.size())) competitors_.resize(n + 1);
    auto& competitor = competitors_[n];
    competitor.name = text(row[at::FirstName]) + ", " + text(row[at::Surname]);
    competitor.club = text(row[at::Club]);
    competitor.className = text(row[at::Class]);
    competitor.status = text(row[at::Status]);
    try {
        competitor.payment = base::TextToInt16(text(row[at::Payment]));
    } catch (const base::OverflowError&) {
        competitor.payment = 1;
    }
}

void Meet::fillClub(const storage::Record& row) {
    int m = cacheIndex(row[column::club::Number], MaxClubs);
    if (m < 0 || row.size() <= column::club::Name) return;
    if (m >= static_cast<int>(clubNames_.size())) clubNames_.resize(m + 1, "-");
    clubNames_[m] = text(row[column::club::Name]);
}

void Meet::fillClass(const storage::Record& row) {
    int m = cacheIndex(row[column::classes::Number], MaxClasses);
    if (m < 0 || row.size() <= column::classes::Name) return;
    if (m >= static_cast<int>(classNames_.size())) classNames_.resize(m + 1, "-");
    classNames_[m] = text(row[column::classes::Name]);
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
        const auto& row = rows[k - 1];
        const std::string id =
            row.size() > column::time::Id ? trimmed(text(row[column::time::Id])) : "";
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
    auto start = [&](int n, const std::string& time, int k) {
        if (n < 1 || n >= static_cast<int>(competitors_.size())) return;
        auto& competitor = competitors_[n];
        competitor.start = time;
        competitor.startRow = k;
        if (competitor.state != Finished) competitor.state = Started;
    };
    for (int k = 1; k <= count && k <= static_cast<int>(rows.size()); ++k) {
        progress.step(k);
        auto row = rows[k - 1];
        row.resize(column::time::Count);
        const std::string time = text(row[column::time::Time]);
        const std::string kind = withoutBlanks(text(row[column::time::Kind]));
        const int n = wholeNumber(text(row[column::time::Number]));
        // A row of another run gives the competitors of this one nothing.
        if (runOf(k) != run_) {
        } else if (kind == outAll) {
            // The start of all, as the live program gave it: those who had finished keep
            // their start.
            for (int all = 1; all <= highestNumber_; ++all)
                if (competitors_[all].state != Finished) start(all, time, k);
        } else if (kind == out) {
            start(n, time, k);
        } else if (kind == in && n > 0) {
            competitors_[n].finish = time;
            competitors_[n].finishRow = k;
            competitors_[n].state = Finished;
        }
        double index = base::TextToNumber(text(row[column::time::Index]));
        auto& slot = registered_[k];
        slot = {time, text(row[column::time::Number]), text(row[column::time::Kind]),
                text(row[column::time::Id]), std::to_string(static_cast<long long>(index))};
        // A time given once and given to no one now (taken back, or set by hand and undone)
        // keeps its information: it does not wait to enter the list.
        const std::string info = trimmed(text(row[column::time::Info]));
        slot.given = kind == outAll || kind == out || kind == in || (!info.empty() && info != "-");
        if (index != k) error = true;
    }
    progress.end();
    if (error) warnings.push_back(entry::TimeInError);
}

void Meet::loadList() {
    workTable_ = engine_.openTable(path_, words_[entry::WorkTable]);
    auto work = workTable_->readAll();
    if (work.empty()) throw std::runtime_error(words_[entry::WorkTable] + ": no record");
    // Each station on a shared meet has a list of its own: it begins empty, and the times
    // registered before it came are no station's to offer.
    if (feed_) {
        fetchedCount_ = registeredCount_;
        for (int k = 1; k < static_cast<int>(registered_.size()); ++k) registered_[k].given = true;
        return;
    }
    auto record = work[0];
    record.resize(column::work::Count);
    for (int i = 0; i < CaptureRows; ++i) {
        auto& row = rows_[i];
        row.number = text(record[column::work::Number(i)]);
        row.regTimeIndex = text(record[column::work::RegTimeIndex(i)]);
        row.regTime = text(record[column::work::RegTime(i)]);
        row.ready = withoutBlanks(text(record[column::work::Ready(i)])) == "1";
        showRow(i);
    }
}

void Meet::loadResults() {
    results_.assign(classCount_ + 1, ClassResults{});
    resultsTables_.clear();
    resultsTables_.resize(classCount_ + 1);
    for (int c = 1; c <= classCount_; ++c) loadResultsTable(c);
}

void Meet::loadResultsTable(int c) {
    namespace results = column::results;
    // A later run's table of a class it did not have yet is made for it.
    if (run_ > 1 && !engine_.hasTable(path_, resultsTable(c))) {
        auto layout = storage::DescribeTable(storage::TableKind::Results, words_, c);
        layout.name = resultsTable(c);
        engine_.addTable(path_, layout);
    }
    resultsTables_[c] = engine_.openTable(path_, resultsTable(c));
    std::vector<ResultRow> rows;
    for (auto& record : resultsTables_[c]->readAll()) {
        record.resize(results::Count);
        ResultRow row;
        row.place = static_cast<int>(base::TextToNumber(text(record[results::Place])));
        row.number = static_cast<int>(base::TextToNumber(text(record[results::Number])));
        row.competitor = text(record[results::Competitor]);
        row.club = text(record[results::Club]);
        row.result = text(record[results::Result]);
        row.difference = text(record[results::Difference]);
        // A status stored in the place of the result: the result is the race time again.
        if (row.result == words_[entry::Disqualified] || row.result == words_[entry::Canceled] ||
            row.result == raceStatusWord(RaceStatus::NotStarted)) {
            row.status = row.result;
            const auto& competitor = this->competitor(row.number);
            if (competitor.state == Finished && competitor.start != "-" &&
                competitor.finish != "-")
                row.result = base::FormatResultTime(raceTime(competitor), setup_.timeFormat());
        }
        rows.push_back(std::move(row));
    }
    results_[c].load(std::move(rows));
}

// The journal of impulses, when the meet has one (a meet made before it gains it with its
// first impulse): its count, and the timer's registered times so that none registers twice.
void Meet::loadJournal() {
    namespace column = storage::column::impulse;
    if (!engine_.hasTable(path_, storage::ImpulseJournalTable)) return;
    journalTable_ = engine_.openTable(path_, storage::ImpulseJournalTable);
    const auto rows = journalTable_->readAll();
    journalCount_ = static_cast<int>(rows.size());
    // The last impulse that became a row is the row's (a reset empties the Time table, never
    // the journal).
    std::map<int, std::string> timerChannels;
    stamps_.reserve(rows.size());
    for (const auto& row : rows) {
        keepStamp(row);
        if (static_cast<int>(row.size()) < column::Count || !row[column::TimeRow] ||
            !row[column::Microseconds])
            continue;
        const auto timeRow = static_cast<int>(base::TextToNumber(text(row[column::TimeRow])));
        preciseTimes_[timeRow] = static_cast<base::DayMicroseconds>(
            base::TextToNumber(text(row[column::Microseconds])));
        const bool timer = text(row[column::Source]) == "timer";
        fromTimer_[timeRow] = timer;
        if (timer)
            timerChannels[timeRow] = text(row[column::Channel]);
        else
            timerChannels.erase(timeRow);
    }
    // A timer's times that are the Time table's now are not registered again.
    for (const auto& [timeRow, channel] : timerChannels)
        if (timeRow <= registeredCount_ && timeRow < static_cast<int>(registered_.size()) &&
            preciseTime(timeRow, registered_[timeRow].time) >= 0)
            timerTimes_.insert({channel, preciseTimes_[timeRow]});
}

void Meet::loadProgramSettings() {
    if (!engine_.hasTable(path_, storage::ProgramSettingsTable)) return;
    settingsTable_ = engine_.openTable(path_, storage::ProgramSettingsTable);
    const auto rows = settingsTable_->readAll();
    for (int k = 1; k <= static_cast<int>(rows.size()); ++k) {
        const auto& row = rows[k - 1];
        if (row.size() < 2) continue;
        const std::string name = text(row[0]);
        settingRows_[name] = k;
        if (name == "FullPrecision") fullPrecision_ = text(row[1]) == "1";
        if (name == "GiveNumberedAtOnce") giveNumberedAtOnce_ = text(row[1]) == "1";
    }
}

}  // namespace kvt::meet
