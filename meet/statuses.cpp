// The race as it runs: statuses set by an official during the race (not started, gave up,
// disqualified), who is still on the course, and the times that wait beyond the list.
#include <algorithm>
#include <stdexcept>

#include "base/time_text.h"
#include "lang/race_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"
#include "storage/schema.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;
namespace column = storage::column;

namespace {

// The codes the table keeps, the same in either language.
const char* statusCode(RaceStatus status) {
    switch (status) {
        case RaceStatus::NotStarted:
            return "DNS";
        case RaceStatus::NotFinished:
            return "DNF";
        case RaceStatus::Disqualified:
            return "DSQ";
        case RaceStatus::None:
            break;
    }
    return "";
}

RaceStatus statusOfCode(const std::string& code) {
    for (RaceStatus status :
         {RaceStatus::NotStarted, RaceStatus::NotFinished, RaceStatus::Disqualified})
        if (code == statusCode(status)) return status;
    return RaceStatus::None;
}

// Started, and neither finished nor given a status since.
bool OnCourseNow(const Meet& meet, int n) {
    return meet.competitor(n).state == Started && meet.raceStatus(n) == RaceStatus::None;
}

}  // namespace

std::string Meet::raceStatusWord(RaceStatus status) const {
    switch (status) {
        case RaceStatus::NotStarted:
            return lang::NotStartedStatusText().in(language_);
        case RaceStatus::NotFinished:
            return words_[entry::Canceled];
        case RaceStatus::Disqualified:
            return words_[entry::Disqualified];
        case RaceStatus::None:
            break;
    }
    return {};
}

RaceStatus Meet::raceStatus(int n) const {
    // In a later run, the statuses set in it (the register's status is the first run's).
    if (run_ > 1) {
        auto set = runStatuses_.find(n);
        return set == runStatuses_.end() ? RaceStatus::None : set->second.status;
    }
    auto found = raceStatuses_.find(n);
    if (found == raceStatuses_.end() || found->second.status == RaceStatus::None)
        return RaceStatus::None;
    // The competitor page may have given him another status since.
    if (folded(competitor(n).status) != folded(found->second.word)) return RaceStatus::None;
    return found->second.status;
}

std::string Meet::raceStatusReason(int n) const {
    if (raceStatus(n) == RaceStatus::None) return {};
    return run_ > 1 ? runStatuses_.at(n).reason : raceStatuses_.at(n).reason;
}

void Meet::loadRaceStatuses() {
    raceStatuses_.clear();
    if (!engine_.hasTable(path_, storage::RaceStatusesTable)) return;
    const auto rows = engine_.openTable(path_, storage::RaceStatusesTable)->readAll();
    for (int k = 1; k <= static_cast<int>(rows.size()); ++k) {
        auto row = rows[k - 1];
        row.resize(4);
        const int n = cacheIndex(row[0], MaxStartNumber);
        if (n < 1) continue;
        RaceStatusRecord record;
        record.status = statusOfCode(text(row[1]));
        record.word = raceStatusWord(record.status);
        record.reason = text(row[2]);
        record.before = text(row[3]);
        record.position = k;
        raceStatuses_[n] = std::move(record);
    }
}

Outcome Meet::setRaceStatus(int n, RaceStatus status, const std::string& reason) {
    Turn turn(*this);
    const std::vector<int> positions =
        n >= 1 && n <= MaxStartNumber ? recordsNumbered(n) : std::vector<int>{};
    if (positions.empty())
        throw std::invalid_argument("no competitor has start number " + std::to_string(n));
    if (status == RaceStatus::Disqualified && trimmed(reason).empty())
        throw std::invalid_argument("a disqualification needs a reason");
    if (Outcome refused; refusedWithoutTurn(refused)) return refused;
    if (run_ > 1) return setRunStatus(n, status, reason);
    // What stands now: the stored status, or the one that waits to be stored.
    RaceStatusRecord now;
    std::string field = competitors_[n].status;
    if (auto found = raceStatuses_.find(n); found != raceStatuses_.end()) now = found->second;
    for (const auto& waiting : unstoredStatuses_)
        if (waiting.number == n) {
            now = waiting.record;
            field = waiting.record.status == RaceStatus::None ? waiting.record.before
                                                              : waiting.record.word;
        }
    const bool standing = now.status != RaceStatus::None && folded(field) == folded(now.word);
    StatusChange change;
    change.number = n;
    change.from = field;
    change.record = now;
    if (status == RaceStatus::None) {
        Outcome outcome;
        if (!standing) return outcome;  // nothing set during the race to clear
        change.record.status = RaceStatus::None;
        change.record.word.clear();
        change.record.reason.clear();
    } else {
        if (!standing) change.record.before = field;
        change.record.status = status;
        change.record.word = raceStatusWord(status);
        change.record.reason = trimmed(reason);
    }
    const std::string value =
        status == RaceStatus::None ? change.record.before : change.record.word;
    for (int position : positions) {
        auto waiting =
            std::find_if(unstoredEdits_.begin(), unstoredEdits_.end(), [&](const auto& e) {
                return e.which == Register::Competitors && e.position == position;
            });
        if (waiting == unstoredEdits_.end())
            waiting = unstoredEdits_.insert(unstoredEdits_.end(),
                                            RecordEdit{Register::Competitors, position, {}});
        waiting->fields[column::competitor::Status] = value;
    }
    unstoredStatuses_.push_back(std::move(change));
    Outcome outcome;
    outcome.acted = true;
    storeEdits(outcome);
    return outcome;
}

void Meet::followStatusChanges() {
    if (unstoredStatuses_.empty()) return;
    std::set<int> numbers;
    for (const auto& change : unstoredStatuses_) {
        auto& record = raceStatuses_[change.number];
        const int position = record.position;
        record = change.record;
        record.position = position;
        numbers.insert(change.number);
    }
    // His class ranked again: a status takes his place away, clearing it gives it back.
    for (int c = 1; c <= classCount_; ++c) {
        const auto& rows = results_[c].rows();
        if (std::any_of(rows.begin(), rows.end(),
                        [&](const ResultRow& row) { return numbers.count(row.number) > 0; }))
            rank(c);
    }
}

bool Meet::waitsAsRaceStatus(int n, const std::string& value) const {
    for (const auto& change : unstoredStatuses_) {
        const auto& record = change.record;
        if (change.number == n &&
            (record.status == RaceStatus::None ? record.before : record.word) == value)
            return true;
    }
    return false;
}

void Meet::writeStatusChanges() {
    if (unstoredStatuses_.empty()) return;
    if (!engine_.hasTable(path_, storage::RaceStatusesTable))
        engine_.addTable(path_, storage::RaceStatusesSpec());
    auto table = engine_.openTable(path_, storage::RaceStatusesTable);
    for (const auto& change : unstoredStatuses_) {
        auto& record = raceStatuses_[change.number];
        const storage::Record fields{std::to_string(change.number),
                                     std::string(statusCode(record.status)), record.reason,
                                     record.before};
        // One trail row for each status set or cleared: the status field before and after.
        const auto& changed = change.record;
        writeTrail(storage::MakeTrailEntry(
            storage::trail::Status, change.number,
            changed.status == RaceStatus::None ? "clear" : statusCode(changed.status), change.from,
            changed.status == RaceStatus::None ? changed.before : changed.word, changed.reason));
        if (record.position > 0)
            table->writeFields(
                record.position,
                {{"Status", fields[1]}, {"Reason", fields[2]}, {"Before", fields[3]}});
        else
            record.position = table->appendRecord(fields);
    }
}

std::vector<OnCourse> Meet::onCourse() const {
    // Each start read once: the page asks after every registration, with hundreds on course.
    std::vector<std::pair<long long, int>> started;  // start in hundredths, number
    for (int n = 1; n < static_cast<int>(competitors_.size()); ++n) {
        if (OnCourseNow(*this, n))
            started.emplace_back(base::TimeHundredths(competitors_[n].start), n);
    }
    std::stable_sort(started.begin(), started.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<OnCourse> out;
    out.reserve(started.size());
    for (const auto& [start, n] : started) {
        const auto& competitor = competitors_[n];
        out.push_back({n, competitor.name, competitor.className, competitor.start});
    }
    return out;
}

int Meet::onCourseCount() const {
    int count = 0;
    for (int n = 1; n < static_cast<int>(competitors_.size()); ++n)
        if (OnCourseNow(*this, n)) ++count;
    return count;
}

int Meet::waitingTimes() const {
    int count = 0;
    for (int k = fetchedCount_ + 1;
         k <= registeredCount_ && k < static_cast<int>(registered_.size()); ++k)
        if (!registered_[k].given) ++count;
    return count;
}

std::string Meet::oldestWaitingTime() const {
    for (int k = fetchedCount_ + 1;
         k <= registeredCount_ && k < static_cast<int>(registered_.size()); ++k)
        if (!registered_[k].given)
            return registered_[k].time + " (" + registered_[k].identification + ")";
    return "-";
}

std::vector<ResultRow> Meet::statusedWithoutResult(int classNumber) const {
    std::vector<ResultRow> out;
    if (classNumber < 1 || classNumber > classCount_) return out;
    const std::string className = trimmed(classNames_[classNumber]);
    if (className.empty() || className == "-") return out;
    const auto& rows = results_[classNumber].rows();
    for (const auto& [n, record] : run_ > 1 ? runStatuses_ : raceStatuses_) {
        if (raceStatus(n) == RaceStatus::None) continue;
        const auto& competitor = this->competitor(n);
        if (trimmed(competitor.className) != className) continue;
        if (std::any_of(rows.begin(), rows.end(),
                        [n = n](const ResultRow& row) { return row.number == n; }))
            continue;
        ResultRow row;
        row.number = n;
        row.competitor = competitor.name;
        row.club = competitor.club;
        row.result = "-";
        row.status = record.word;
        out.push_back(std::move(row));
    }
    return out;
}

}  // namespace kvt::meet

namespace kvt::meet {

// ---- the statuses set in a later run ----

void Meet::loadRunStatuses() {
    runStatuses_.clear();
    storedRuns_.clear();
    if (!engine_.hasTable(path_, storage::RunStatusesTable)) return;
    const auto rows = engine_.openTable(path_, storage::RunStatusesTable)->readAll();
    for (int k = 1; k <= static_cast<int>(rows.size()); ++k) {
        auto row = rows[k - 1];
        row.resize(4);
        const int run = cacheIndex(row[0], MaxRuns);
        const int n = cacheIndex(row[1], MaxStartNumber);
        if (run < 2 || n < 1) continue;
        RaceStatusRecord record;
        record.status = statusOfCode(text(row[2]));
        record.word = raceStatusWord(record.status);
        record.reason = text(row[3]);
        record.position = k;
        if (run == run_) {
            runStatuses_[n] = std::move(record);
        } else if (record.status != RaceStatus::None) {
            storedRuns_[run].statuses[n] = record.word;
        } else {
            storedRuns_[run].statuses.erase(n);
        }
    }
}

Outcome Meet::setRunStatus(int n, RaceStatus status, const std::string& reason) {
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    RaceStatusRecord before;
    if (auto found = runStatuses_.find(n); found != runStatuses_.end()) before = found->second;
    if (status == RaceStatus::None && before.status == RaceStatus::None) return outcome;
    RaceStatusRecord record = before;
    record.status = status;
    record.word = raceStatusWord(status);
    record.reason = status == RaceStatus::None ? "" : trimmed(reason);
    auto rankHis = [&] {
        for (int c = 1; c <= classCount_; ++c)
            if (results_[c].indexOf(n) >= 0) rank(c);
    };
    runStatuses_[n] = record;
    rankHis();
    int added = 0;
    commit(outcome, [&] {
        if (!engine_.hasTable(path_, storage::RunStatusesTable))
            engine_.addTable(path_, storage::RunStatusesSpec());
        auto table = engine_.openTable(path_, storage::RunStatusesTable);
        const std::string code = statusCode(status);
        if (record.position > 0)
            table->writeFields(record.position, {{"Status", code}, {"Reason", record.reason}});
        else
            added = table->appendRecord(
                {std::to_string(run_), std::to_string(n), code, record.reason});
        writeTrail(storage::MakeTrailEntry(
            storage::trail::Status, n,
            status == RaceStatus::None ? "clear" : statusCode(status),
            before.status == RaceStatus::None ? "-" : before.word,
            status == RaceStatus::None ? "-" : record.word, record.reason));
    });
    if (!outcome.stored) {
        // Nothing of it stands; his class is ranked as it was.
        if (before.position > 0 || before.status != RaceStatus::None)
            runStatuses_[n] = before;
        else
            runStatuses_.erase(n);
        rankHis();
        return outcome;
    }
    if (added > 0) runStatuses_[n].position = added;
    outcome.acted = true;
    return outcome;
}

}  // namespace kvt::meet
