// Runs: a meet of two runs or more (a slalom), the run being timed, the run of each registered
// time, a later run's start order from the run before, and the results of each run and of
// all of them together.
#include <algorithm>
#include <stdexcept>

#include "base/time_text.h"
#include "lang/run_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"
#include "storage/schema.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;
namespace column = storage::column;

// ---- opening ----

void Meet::loadRuns() {
    auto setting = [&](const std::string& name) {
        auto found = settingRows_.find(name);
        if (found == settingRows_.end() || !settingsTable_) return 1;
        const auto record = settingsTable_->readRecord(found->second);
        if (record.size() < 2) return 1;
        return std::max(cacheIndex(record[1], MaxRuns), 1);
    };
    runCount_ = setting("Runs");
    run_ = std::min(setting("Run"), runCount_);
    timeRuns_.clear();
    timeRunRecords_.clear();
    if (!engine_.hasTable(path_, storage::TimeRunsTable)) return;
    timeRunsTable_ = engine_.openTable(path_, storage::TimeRunsTable);
    const auto rows = timeRunsTable_->readAll();
    for (int k = 1; k <= static_cast<int>(rows.size()); ++k) {
        auto row = rows[k - 1];
        row.resize(2);
        const int timeRow = cacheIndex(row[0], storage::MaxTimeRows);
        if (timeRow < 1) continue;
        timeRuns_[timeRow] = std::max(cacheIndex(row[1], MaxRuns), 1);
        timeRunRecords_[timeRow] = k;
    }
}

void Meet::loadStoredRun(int run) {
    namespace results = column::results;
    StoredRun& stored = storedRuns_[run];
    stored.classes.clear();
    // The statuses of the first run are those set during the race that still stand in the
    // register.
    if (run == 1)
        for (const auto& [n, record] : raceStatuses_)
            if (record.status != RaceStatus::None &&
                folded(competitor(n).status) == folded(record.word))
                stored.statuses[n] = record.word;
    const std::set<std::string> statusWords{words_[entry::Disqualified], words_[entry::Canceled],
                                            raceStatusWord(RaceStatus::NotStarted)};
    for (int c = 1; c <= classCount_; ++c) {
        const std::string name = resultsTable(c, run);
        std::vector<ResultRow> rows;
        if (engine_.hasTable(path_, name)) {
            for (auto& record : engine_.openTable(path_, name)->readAll()) {
                record.resize(results::Count);
                ResultRow row;
                row.place = static_cast<int>(base::TextToNumber(text(record[results::Place])));
                if (row.place < 0) row.place = 0;
                row.number = static_cast<int>(base::TextToNumber(text(record[results::Number])));
                row.competitor = text(record[results::Competitor]);
                row.club = text(record[results::Club]);
                row.result = text(record[results::Result]);
                row.difference = text(record[results::Difference]);
                if (statusWords.count(row.result) > 0) {
                    row.status = row.result;
                    row.place = 0;
                }
                rows.push_back(std::move(row));
            }
        }
        std::stable_sort(rows.begin(), rows.end(), [](const ResultRow& a, const ResultRow& b) {
            if ((a.place == 0) != (b.place == 0)) return b.place == 0;
            return a.place < b.place;
        });
        // Those with a status set in the run and no result follow, by start number.
        const std::string className = trimmed(classNames_[c]);
        for (const auto& [n, word] : stored.statuses) {
            if (className.empty() || className == "-" ||
                trimmed(competitor(n).className) != className)
                continue;
            if (std::any_of(rows.begin(), rows.end(),
                            [n = n](const ResultRow& row) { return row.number == n; }))
                continue;
            ResultRow row;
            row.number = n;
            row.competitor = competitor(n).name;
            row.club = competitor(n).club;
            row.result = "-";
            row.status = word;
            rows.push_back(std::move(row));
        }
        stored.classes[c] = std::move(rows);
    }
}

// ---- the run of each registered time ----

int Meet::runOf(int timeRow) const {
    auto found = timeRuns_.find(timeRow);
    return found == timeRuns_.end() ? 1 : found->second;
}

void Meet::markRun(int timeRow) {
    if (runOf(timeRow) == run_) return;
    timeRuns_[timeRow] = run_;
    unstoredTimeRuns_.insert(timeRow);
}

void Meet::writeTimeRuns() {
    if (!timeRunsTable_) {
        if (!engine_.hasTable(path_, storage::TimeRunsTable))
            engine_.addTable(path_, storage::TimeRunsSpec());
        timeRunsTable_ = engine_.openTable(path_, storage::TimeRunsTable);
    }
    for (int timeRow : unstoredTimeRuns_) {
        const std::string run = std::to_string(runOf(timeRow));
        if (auto found = timeRunRecords_.find(timeRow); found != timeRunRecords_.end())
            timeRunsTable_->writeFields(found->second, {{"Run", run}});
        else if (auto added = newTimeRunRecords_.find(timeRow); added != newTimeRunRecords_.end())
            timeRunsTable_->writeFields(added->second, {{"Run", run}});
        else
            newTimeRunRecords_[timeRow] =
                timeRunsTable_->appendRecord({std::to_string(timeRow), run});
    }
}

// ---- the runs and the run being timed ----

Outcome Meet::setRunCount(int count) {
    Turn turn(*this);
    Outcome outcome;
    if (count < 1 || count > MaxRuns || count < run_) {
        outcome.notices.push_back(lang::NoSuchRunText().in(language_) + std::to_string(count));
        return outcome;
    }
    storeEdits(outcome);
    commit(outcome, [&] {
        writeProgramSetting("Runs", std::to_string(count));
        if (count != runCount_)
            writeTrail(storage::MakeTrailEntry(storage::trail::Setting, -1, "Runs",
                                               std::to_string(runCount_), std::to_string(count)));
    });
    if (!outcome.stored) return outcome;
    for (int run = runCount_ + 1; run <= count; ++run) loadStoredRun(run);
    for (int run = count + 1; run <= runCount_; ++run) storedRuns_.erase(run);
    runCount_ = count;
    outcome.acted = true;
    return outcome;
}

Outcome Meet::chooseRun(int run) {
    Turn turn(*this);
    Outcome outcome;
    if (run < 1 || run > runCount_) {
        outcome.notices.push_back(std::string(lang::NoSuchRunText().in(language_)) + "1 - " +
                                  std::to_string(runCount_));
        return outcome;
    }
    outcome = store();
    if (!outcome.stored || !allStored()) {
        outcome.notices.push_back(lang::RunWaitsText().in(language_) + outcome.failure);
        return outcome;
    }
    if (run == run_) return outcome;
    commit(outcome, [&] {
        writeProgramSetting("Run", std::to_string(run));
        writeTrail(storage::MakeTrailEntry(storage::trail::Setting, -1, "Run",
                                           std::to_string(run_), std::to_string(run)));
    });
    if (!outcome.stored) return outcome;
    outcome.acted = true;
    outcome.notices.push_back(lang::RunChosenText().in(language_) + std::to_string(run));
    return outcome;
}

std::unique_ptr<Meet> Meet::OpenAgain(std::unique_ptr<Meet> meet, Progress& progress,
                                      std::vector<int>& warnings) {
    storage::Engine& engine = meet->engine_;
    const std::string path = meet->path_;
    const lang::TextTable words = meet->words_;
    const lang::Language language = meet->language_;
    // The hold outlives the meet read before: no other program can take the file between.
    auto hold = std::move(meet->hold_);
    meet.reset();
    return Open(engine, path, words, language, progress, warnings, std::move(hold));
}

// ---- the trail within a run ----

std::string Meet::runMarked(const std::string& subject) const {
    if (run_ <= 1) return subject;
    const std::string mark =
        " [" + std::string(lang::RunText().in(language_)) + std::to_string(run_) + "]";
    if (subject.size() >= mark.size() &&
        subject.compare(subject.size() - mark.size(), mark.size(), mark) == 0)
        return subject;
    return subject + mark;
}

bool Meet::ofThisRun(const storage::TrailEntry& entry) const {
    const std::string word = " [" + std::string(lang::RunText().in(language_));
    int run = 1;
    const auto at = entry.subject.rfind(word);
    if (at != std::string::npos && entry.subject.back() == ']') {
        const std::string digits =
            entry.subject.substr(at + word.size(), entry.subject.size() - at - word.size() - 1);
        run = std::max(static_cast<int>(base::TextToNumber(digits)), 1);
    }
    return run == run_;
}

// ---- results of a run and combined ----

std::vector<ResultRow> Meet::runResults(int run, int classNumber) const {
    if (classNumber < 1 || classNumber > classCount_) return {};
    if (run != run_) {
        auto stored = storedRuns_.find(run);
        if (stored == storedRuns_.end()) return {};
        auto found = stored->second.classes.find(classNumber);
        return found == stored->second.classes.end() ? std::vector<ResultRow>{} : found->second;
    }
    std::vector<ResultRow> rows = results_[classNumber].rows();
    std::stable_sort(rows.begin(), rows.end(), [](const ResultRow& a, const ResultRow& b) {
        const bool aPlaced = a.status.empty() && a.place > 0;
        const bool bPlaced = b.status.empty() && b.place > 0;
        if (aPlaced != bPlaced) return aPlaced;
        return aPlaced && a.place < b.place;
    });
    for (auto& row : statusedWithoutResult(classNumber)) rows.push_back(std::move(row));
    return rows;
}

std::vector<CombinedRow> Meet::combinedResults(int classNumber) const {
    std::vector<CombinedRow> out;
    if (classNumber < 1 || classNumber > classCount_) return out;
    // Each run's rows, and each run's rows by start number (sorted, looked up by halving).
    std::vector<std::vector<ResultRow>> runs(runCount_ + 1);
    std::vector<std::vector<std::pair<int, const ResultRow*>>> byNumber(runCount_ + 1);
    std::vector<int> numbers;
    for (int run = 1; run <= runCount_; ++run) {
        runs[run] = runResults(run, classNumber);
        byNumber[run].reserve(runs[run].size());
        for (const auto& row : runs[run]) {
            numbers.push_back(row.number);
            byNumber[run].emplace_back(row.number, &row);
        }
        // The first row of a number counts, as it did when rows were kept by number.
        std::stable_sort(byNumber[run].begin(), byNumber[run].end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    auto rowOf = [&](int run, int n) -> const ResultRow* {
        const auto& rows = byNumber[run];
        auto found = std::lower_bound(rows.begin(), rows.end(), n,
                                      [](const auto& entry, int x) { return entry.first < x; });
        return found != rows.end() && found->first == n ? found->second : nullptr;
    };
    out.reserve(numbers.size());
    const int format = setup_.timeFormat();
    for (int n : numbers) {
        CombinedRow line;
        line.number = n;
        line.runs.reserve(runCount_);
        bool missing = false;
        long long total = 0;
        for (int run = 1; run <= runCount_; ++run) {
            const ResultRow* found = rowOf(run, n);
            if (!found) {
                line.runs.push_back("-");
                missing = true;
                continue;
            }
            const ResultRow& row = *found;
            if (line.competitor.empty()) {
                line.competitor = row.competitor;
                line.club = row.club;
            }
            if (!row.status.empty()) {
                line.runs.push_back(row.status);
                if (line.status.empty() || line.status == "-") line.status = row.status;
                continue;
            }
            // The run's result as shown (in the time format chosen): the total adds up on
            // paper.
            const long long time = base::ResultHundredths(row.result);
            line.runs.push_back(row.result);
            if (time < 0) missing = true;
            total += std::max(time, 0LL);
        }
        if (line.status.empty() && missing) line.status = "-";
        if (line.status.empty()) {
            line.hundredths = total;
            line.total = base::FormatResultTime(base::HundredthsText(total), format);
        }
        out.push_back(std::move(line));
    }
    // The ranked by their total (equal totals share a place), then the others by number.
    std::stable_sort(out.begin(), out.end(), [](const CombinedRow& a, const CombinedRow& b) {
        if (a.status.empty() != b.status.empty()) return a.status.empty();
        if (!a.status.empty()) return a.number < b.number;
        return a.hundredths < b.hundredths;
    });
    const bool differences = setup_.yes(field::Differences);
    for (std::size_t i = 0; i < out.size() && out[i].status.empty(); ++i) {
        out[i].place = i > 0 && out[i].hundredths == out[i - 1].hundredths ? out[i - 1].place
                                                                           : static_cast<int>(i) + 1;
        if (differences)
            out[i].difference = base::FormatResultTime(
                base::HundredthsText(out[i].hundredths - out[0].hundredths), format);
    }
    return out;
}

// ---- a later run's start order ----

std::vector<int> Meet::orderFromRunBefore(int classNumber, const ClassStart& start) const {
    std::vector<int> ranked, others;
    for (const auto& row : runResults(run_ - 1, classNumber))
        (row.status.empty() && row.place > 0 ? ranked : others).push_back(row.number);
    std::vector<int> order;
    switch (start.order) {
        case StartOrder::RunBeforeReversed:
            order.assign(ranked.rbegin(), ranked.rend());
            break;
        case StartOrder::BestReversed: {
            const auto best = static_cast<std::ptrdiff_t>(
                std::clamp<std::size_t>(static_cast<std::size_t>(std::max(start.best, 0)), 0,
                                        ranked.size()));
            order.assign(ranked.begin(), ranked.begin() + best);
            std::reverse(order.begin(), order.end());
            order.insert(order.end(), ranked.begin() + best, ranked.end());
            break;
        }
        default:
            order = ranked;
            break;
    }
    // Those with a status or without a result in the run before start last.
    order.insert(order.end(), others.begin(), others.end());
    return order;
}

}  // namespace kvt::meet
