// Storing: what waits to be stored, and the one commit of every action.
#include "base/number_text.h"
#include "base/precise_time.h"
#include "base/time_text.h"
#include "lang/station_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"
#include "storage/schema.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;
namespace column = storage::column;

bool Meet::allStored() const {
    return timesStored() && unstoredEdits_.empty() && unstoredSettings_.empty();
}

bool Meet::timesStored() const {
    if (!unstoredRows_.empty() || !unstoredSetup_.empty() || !unstoredWork_.empty() ||
        !unstoredJournal_.empty() || !unstoredKeys_.empty() || !unstoredTrail_.empty() ||
        offeredAgainUnstored_ || !unstoredTimeRuns_.empty() || !startsStored() ||
        replacementsStored_ < replacements_.size())
        return false;
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
// ---- storing ----

Outcome Meet::store() {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);
    recordWaitingResults(outcome);
    commit(outcome);
    // Edits that still wait keep the outcome from saying everything is stored.
    if (!unstoredEdits_.empty() || !unstoredSettings_.empty()) {
        outcome.stored = false;
        outcome.failure = editsFailure_;
    }
    return outcome;
}

void Meet::commit(Outcome& outcome, const std::function<void()>& alsoWrite) {
    if (timesStored() && !alsoWrite) {
        outcome.stored = true;
        return;
    }
    // A station that could not have the turn acts on the meet as it followed it last: what it
    // did waits, and is stored under the turn (checked against the others' work first). Nothing
    // is written outside a turn: it would write over what it has not followed.
    if (feed_ && !turnHeld_) {
        failure_ = lang::TurnNotHadText(language_);
        outcome.stored = false;
        outcome.failure = failure_;
        return;
    }
    std::vector<int> rows, classes;
    for (const auto& queued : unstoredRows_) rows.push_back(queued.first);
    for (int c = 1; c <= classCount_; ++c)
        if (!results_[c].allStored()) classes.push_back(c);
    try {
        writtenTrail_.clear();
        engine_.transaction(path_, [&] {
            // Older changes waiting for their trail rows go first.
            writeQueuedTrail();
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
        // The journal's table may have been made by the transaction rolled back.
        journalTable_.reset();
        stationKeysTable_.reset();
        settingsTable_.reset();
        newSettingRows_.clear();
        trailTable_.reset();
        writtenTrail_.clear();
        startsCommitFailed();
        timeRunsTable_.reset();
        newTimeRunRecords_.clear();
        outcome.stored = false;
        outcome.failure = failure_;
        return;
    }
    unstoredRows_.clear();
    ownRowsUnstored_.clear();
    keptGives_.clear();
    unstoredTimeRuns_.clear();
    timeRunRecords_.insert(newTimeRunRecords_.begin(), newTimeRunRecords_.end());
    newTimeRunRecords_.clear();
    unstoredJournal_.clear();
    if (stationJournal_ && !unstoredKeys_.empty()) {
        try {
            stationJournal_->sent(lastKept_);
        } catch (const std::exception&) {
            // Marked at the next commit; sent again, the server's key refuses it.
        }
    }
    unstoredKeys_.clear();
    unstoredTrail_.clear();
    trail_.insert(trail_.end(), writtenTrail_.begin(), writtenTrail_.end());
    writtenTrail_.clear();
    unstoredSetup_.clear();
    unstoredWork_.clear();
    settingRows_.insert(newSettingRows_.begin(), newSettingRows_.end());
    newSettingRows_.clear();
    offeredAgainUnstored_ = false;
    replacementsStored_ = replacements_.size();
    starts_.unstoredClasses.clear();
    starts_.unstoredPlans.clear();
    for (int c = 1; c <= classCount_; ++c) results_[c].markStored();
    failure_.clear();
    outcome.stored = true;
    outcome.writtenTimeRows.insert(outcome.writtenTimeRows.end(), rows.begin(), rows.end());
    outcome.writtenClasses.insert(outcome.writtenClasses.end(), classes.begin(), classes.end());
}

void Meet::rereadStaleHandles() {
    if (!handlesStale_) return;
    for (auto* table : {timeTable_.get(), setupTable_.get(), workTable_.get()})
        if (table) table->reread();
    for (auto& table : resultsTables_)
        if (table) table->reread();
    timeRowsStored_ = timeTable_->recordCount();
    handlesStale_ = false;
}

void Meet::writeUnstored() {
    rereadStaleHandles();
    // The Time table grows past its prepared rows; Setup field "31" follows.
    if (!unstoredRows_.empty()) {
        const int highest = unstoredRows_.rbegin()->first;
        int rows = timeRowsStored_;
        while (rows < highest) {
            storage::Record record(column::time::Count, std::string("-"));
            record[column::time::Index] = base::NumberToText(++rows);
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
        for (int f : unstoredSetup_)
            // On a shared meet the times taken into the list are each station's own.
            if (!feed_ || f != field::FetchedCount)
                named.emplace_back(std::to_string(f), setup_.fields[f]);
        setupTable_->writeFields(1, named);
    }
    // A shared meet's list is each station's own: the Work record stays the meet's as hosted.
    if (!unstoredWork_.empty() && !feed_) {
        namespace work = column::work;
        storage::NamedFields named;
        for (int row : unstoredWork_) {
            const auto& line = rows_[row];
            named.emplace_back(std::to_string(work::Number(row)), line.number);
            named.emplace_back(std::to_string(work::RegTimeIndex(row)), line.regTimeIndex);
            named.emplace_back(std::to_string(work::RegTime(row)), line.regTime);
            named.emplace_back(std::to_string(work::Ready(row)),
                               std::string(line.ready ? "1" : "0"));
        }
        workTable_->writeFields(1, named);
    }
    if (offeredAgainUnstored_ && !feed_) {
        std::string rows;
        for (int k : offeredAgain_) rows += (rows.empty() ? "" : ",") + std::to_string(k);
        writeProgramSetting("OfferedAgain", rows);
    }
    if (!unstoredJournal_.empty()) {
        if (!journalTable_) {
            // A meet made before the journal gains its table with its first impulse.
            engine_.addTable(path_, storage::ImpulseJournalSpec());
            journalTable_ = engine_.openTable(path_, storage::ImpulseJournalTable);
        }
        for (const auto& record : unstoredJournal_) journalTable_->appendRecord(record);
    }
    if (!unstoredKeys_.empty()) {
        if (!stationKeysTable_) {
            engine_.addTable(path_, storage::StationImpulsesSpec());
            stationKeysTable_ = engine_.openTable(path_, storage::StationImpulsesTable);
        }
        for (const auto& record : unstoredKeys_) stationKeysTable_->appendRecord(record);
    }
    if (!startsStored() || starts_.positionsStale) writeStarts();
    if (!unstoredTimeRuns_.empty()) writeTimeRuns();
    writeReplacements();
    for (int c = 1; c <= classCount_; ++c) {
        const auto& results = results_[c];
        if (results.allStored()) continue;
        auto& table = *resultsTables_[c];
        const auto& rows = results.rows();
        const int count = static_cast<int>(rows.size());
        if (!results.rewrittenRows().empty()) {
            std::vector<std::pair<int, storage::Record>> rewritten;
            rewritten.reserve(results.rewrittenRows().size());
            for (int i : results.rewrittenRows()) {
                const auto& row = rows[i];
                rewritten.push_back({i + 1,
                                     {placeValue(row), std::to_string(row.number), row.competitor,
                                      row.club, row.shownResult(), row.difference}});
            }
            table.writeRecords({words_[entry::Place], words_[entry::Number],
                                words_[entry::Competitor], words_[entry::Club],
                                words_[entry::Result], words_[entry::Difference]},
                               rewritten);
        }
        if (results.storedCount() > count) table.removeRecordsFrom(count + 1);
        for (int i = results.storedCount(); i < count; ++i) {
            const auto& row = rows[i];
            table.appendRecord({placeValue(row), std::to_string(row.number), row.competitor,
                                row.club, row.shownResult(), row.difference});
        }
        std::vector<std::pair<int, storage::Record>> changed;
        changed.reserve(results.changedRows().size());
        for (int i : results.changedRows())
            changed.push_back(
                {i + 1, {placeValue(rows[i]), rows[i].difference, rows[i].shownResult()}});
        table.writeRecords({words_[entry::Place], words_[entry::Difference], words_[entry::Result]},
                           changed);
    }
}

// ---- the program's own settings ----

void Meet::writeProgramSetting(const std::string& name, const std::string& value) {
    if (!settingsTable_) {
        engine_.addTable(path_, storage::ProgramSettingsSpec());
        settingsTable_ = engine_.openTable(path_, storage::ProgramSettingsTable);
    }
    int row = 0;
    if (auto found = settingRows_.find(name); found != settingRows_.end())
        row = found->second;
    else if (auto added = newSettingRows_.find(name); added != newSettingRows_.end())
        row = added->second;
    if (row > 0)
        settingsTable_->writeFields(row, {{"Value", value}});
    else  // its record is the meet's once the commit returned
        newSettingRows_[name] = settingsTable_->appendRecord({name, value});
}

Outcome Meet::setProgramOption(const std::string& name, bool on, bool& option) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);
    commit(outcome, [&] {
        writeProgramSetting(name, on ? "1" : "0");
        if (on != option)
            writeTrail(storage::MakeTrailEntry(storage::trail::Setting, -1, name,
                                               option ? "1" : "0", on ? "1" : "0"));
    });
    if (!outcome.stored) return outcome;
    option = on;
    return outcome;
}

Outcome Meet::setFullPrecision(bool on) {
    return setProgramOption("FullPrecision", on, fullPrecision_);
}

Outcome Meet::setGiveNumberedAtOnce(bool on) {
    return setProgramOption("GiveNumberedAtOnce", on, giveNumberedAtOnce_);
}

// ---- race times ----

base::DayMicroseconds Meet::preciseTime(int timeRow, const std::string& time) const {
    auto found = preciseTimes_.find(timeRow);
    if (timeRow < 1 || found == preciseTimes_.end()) return -1;
    // A time changed in the Time table since it was registered is taken as it stands now.
    if (base::PreciseTimeText(found->second) != trimmed(time)) return -1;
    return found->second;
}

long long Meet::raceHundredths(const Competitor& competitor) const {
    if (fullPrecision_) {
        const auto start = preciseTime(competitor.startRow, competitor.start);
        const auto finish = preciseTime(competitor.finishRow, competitor.finish);
        if (start >= 0 && finish >= 0) return base::PreciseRaceHundredths(start, finish);
    }
    return base::RaceHundredths(competitor.start, competitor.finish);
}

std::string Meet::raceTime(const Competitor& competitor) const {
    if (fullPrecision_) {
        const auto start = preciseTime(competitor.startRow, competitor.start);
        const auto finish = preciseTime(competitor.finishRow, competitor.finish);
        if (start >= 0 && finish >= 0)
            return base::HundredthsText(base::PreciseRaceHundredths(start, finish));
    }
    return base::RaceTime(competitor.start, competitor.finish);
}

}  // namespace kvt::meet
