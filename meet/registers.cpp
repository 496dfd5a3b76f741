// The competitor, club and class registers: what the meet holds of them, their edits and
// imports.
#include <algorithm>
#include <array>
#include <set>
#include <stdexcept>

#include "base/number_text.h"
#include "lang/meet_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"
#include "storage/schema.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;
namespace column = storage::column;

// ---- what the meet holds ----

int RegisterLimit(Register which) {
    switch (which) {
        case Register::Clubs:
            return MaxClubs;
        case Register::Classes:
            return MaxClasses;
        case Register::Competitors:
            break;
    }
    return MaxCompetitors;
}

namespace {
const Competitor noCompetitor;
const std::string noName = "-";
}  // namespace

const Competitor& Meet::competitor(int n) const {
    return n >= 0 && n < static_cast<int>(competitors_.size()) ? competitors_[n] : noCompetitor;
}

const std::string& Meet::clubName(int m) const {
    return m >= 0 && m < static_cast<int>(clubNames_.size()) ? clubNames_[m] : noName;
}

const std::string& Meet::className(int m) const {
    return m >= 0 && m < static_cast<int>(classNames_.size()) ? classNames_[m] : noName;
}

bool Meet::numberHeld(int n) const {
    if (n < 1 || n > MaxStartNumber || recordNumbers_.size() < 2) return false;
    return std::find(recordNumbers_.begin() + 1, recordNumbers_.end(), n) != recordNumbers_.end();
}

std::string Meet::resultsTable(int classNumber) const {
    return resultsTable(classNumber, run_);
}

std::string Meet::resultsTable(int classNumber, int run) const {
    if (run > 1) return storage::RunResultsTableName(words_, classNumber, run);
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
    // A status set during the race counts whether or not the option is on.
    if (raceStatus(n) != RaceStatus::None)
        return run_ > 1 ? runStatuses_.at(n).word : raceStatuses_.at(n).word;
    if (!setup_.yes(field::StatusesInResults)) return {};
    const std::string& stored = competitor(n).status;
    if (stored.empty() || stored == "-") return {};
    // In a later run, a status set during the first run is the first run's alone.
    if (run_ > 1) {
        auto first = raceStatuses_.find(n);
        if (first != raceStatuses_.end() && first->second.status != RaceStatus::None &&
            folded(stored) == folded(first->second.word))
            return {};
    }
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

struct Meet::Copies {
    std::vector<Competitor> competitors;
    std::vector<int> recordNumbers;
    std::vector<std::string> clubNames, classNames;
    std::vector<ClassResults> results;
    std::set<int> waitingResults;
    SetupRecord setup;
    std::set<int> unstoredSetup;
    int highestNumber, clubCount, classCount;
    std::map<int, RaceStatusRecord> raceStatuses;
};

Meet::Copies Meet::copies() const {
    return {competitors_,    recordNumbers_, clubNames_,     classNames_,  results_,
            waitingResults_, setup_,         unstoredSetup_, highestNumber_, clubCount_,
            classCount_,     raceStatuses_};
}

void Meet::restore(Copies&& copies) {
    competitors_ = std::move(copies.competitors);
    recordNumbers_ = std::move(copies.recordNumbers);
    clubNames_ = std::move(copies.clubNames);
    classNames_ = std::move(copies.classNames);
    results_ = std::move(copies.results);
    waitingResults_ = std::move(copies.waitingResults);
    setup_ = std::move(copies.setup);
    unstoredSetup_ = std::move(copies.unstoredSetup);
    highestNumber_ = copies.highestNumber;
    clubCount_ = copies.clubCount;
    classCount_ = copies.classCount;
    // Results tables made by a commit that failed are gone with it.
    resultsTables_.resize(classCount_ + 1);
    raceStatuses_ = std::move(copies.raceStatuses);
}

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
    Turn turn(*this);
    const auto layout = storage::DescribeTable(kindOf(which), words_);
    const int count = registerCount(which);
    const int limit = RegisterLimit(which);
    const int fieldCount = static_cast<int>(layout.fields.size());
    std::set<int> numbers;
    for (const auto& entry : entries) {
        if (entry.number < 1 || entry.number > limit || !numbers.insert(entry.number).second)
            throw std::invalid_argument(layout.name + ": no record " +
                                        std::to_string(entry.number) +
                                        " to import into, or it comes twice");
        for (const auto& [position, value] : entry.fields)
            if (position < 1 || position >= fieldCount)
                throw std::invalid_argument(layout.name + ": no field " + std::to_string(position));
    }
    // Edits that wait are stored first: the import reads the records as stored.
    Outcome earlier;
    storeEdits(earlier);
    auto table = engine_.openTable(path_, layout.name);
    auto records = table->readAll();
    const int stored = static_cast<int>(records.size());
    if (stored < count)
        throw std::runtime_error(layout.name + ": " + std::to_string(records.size()) +
                                 " records, " + std::to_string(count) + " expected");
    // Entries beyond the count add the records up to the highest of them. A record the table
    // holds already beyond the count is taken as it is, given its number.
    const int grown = numbers.empty() ? count : std::max(count, *numbers.rbegin());
    for (int k = count + 1; k <= grown; ++k) {
        if (k > stored) records.push_back(freshRecord(which, k));
        records[k - 1].resize(fieldCount);
        records[k - 1][0] = base::NumberToText(k);
    }
    for (const auto& entry : entries) {
        auto& record = records[entry.number - 1];
        record.resize(fieldCount);
        for (const auto& [position, value] : entry.fields) record[position] = value;
    }
    // What the caches and results were, for an import that cannot be stored.
    Copies before = copies();
    setRegisterCount(which, grown);
    for (int k = 1; k <= grown; ++k)
        if (!records[k - 1].empty()) fillRecord(which, k, records[k - 1]);
    Outcome outcome;
    outcome.acted = true;
    outcome.writtenRecords = earlier.writtenRecords;
    recordWaitingResults(outcome);
    // The trail tells how many records and the span of their numbers (a set: in order).
    const std::string span =
        numbers.empty() ? std::string("-")
                        : std::to_string(*numbers.begin()) + "-" + std::to_string(*numbers.rbegin());
    commit(outcome, [&] {
        writeTrail(storage::MakeTrailEntry(
            storage::trail::Import, -1, layout.name, std::to_string(count),
            std::to_string(entries.size()) + " (" + span + ")" +
                (grown > count ? ", " + std::to_string(grown) : "")));
        for (const auto& entry : entries) {
            if (entry.number > count) continue;
            storage::NamedFields named;
            named.reserve(entry.fields.size());
            for (const auto& [position, value] : entry.fields)
                named.emplace_back(layout.fields[position].name, value);
            if (!named.empty()) table->writeFields(entry.number, named);
        }
        for (int k = count + 1; k <= grown; ++k) {
            if (k <= stored) {
                storage::NamedFields named;
                for (int f = 0; f < fieldCount; ++f)
                    named.emplace_back(layout.fields[f].name, records[k - 1][f]);
                table->writeFields(k, named);
            } else {
                table->appendRecord(records[k - 1]);
            }
            if (which == Register::Classes) {
                engine_.addTable(path_, storage::DescribeTable(storage::TableKind::Results,
                                                               words_, k));
                loadResultsTable(k);
            }
        }
    });
    if (!outcome.stored) {
        restore(std::move(before));
        outcome.acted = false;
        outcome.finished = false;
        return outcome;
    }
    for (int row = 0; row < CaptureRows; ++row) showRow(row);
    return outcome;
}

int Meet::nextFreeNumber() const {
    for (int n = highestNumber_ + 1; n <= MaxStartNumber; ++n)
        if (!numberHeld(n)) return n;
    for (int n = 1; n <= MaxStartNumber; ++n)
        if (!numberHeld(n)) return n;
    return 0;
}

storage::Record Meet::freshRecord(Register which, int number) const {
    namespace column = storage::column;
    const auto layout = storage::DescribeTable(kindOf(which), words_);
    storage::Record record(layout.fields.size(), std::string("-"));
    record[0] = base::NumberToText(number);
    if (which == Register::Competitors) {
        // As a new meet's: the payment full, the spare fields never written.
        record[column::competitor::Payment] = "1";
        for (int f = 23; f < column::competitor::Count; ++f) record[f] = std::nullopt;
    }
    return record;
}

void Meet::setRegisterCount(Register which, int count) {
    switch (which) {
        case Register::Competitors:
            highestNumber_ = count;
            recordNumbers_.resize(count + 1, -1);
            if (static_cast<int>(competitors_.size()) <= count) competitors_.resize(count + 1);
            setSetupField(field::CompetitorCount, std::to_string(count));
            break;
        case Register::Clubs:
            clubCount_ = count;
            if (static_cast<int>(clubNames_.size()) <= count) clubNames_.resize(count + 1, "-");
            setSetupField(field::ClubCount, std::to_string(count));
            break;
        case Register::Classes:
            classCount_ = count;
            if (static_cast<int>(classNames_.size()) <= count) classNames_.resize(count + 1, "-");
            results_.resize(count + 1);
            resultsTables_.resize(count + 1);
            setSetupField(field::ClassCount, std::to_string(count));
            break;
    }
}

Outcome Meet::addRecord(Register which, const std::vector<std::pair<int, std::string>>& fields) {
    Turn turn(*this);
    const auto layout = storage::DescribeTable(kindOf(which), words_);
    const int fieldCount = static_cast<int>(layout.fields.size());
    for (const auto& field : fields)
        if (field.first < 0 || field.first >= fieldCount)
            throw std::invalid_argument(layout.name + ": no field " + std::to_string(field.first));
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    const int count = registerCount(which);
    if (count >= RegisterLimit(which)) {
        outcome.notices.push_back(lang::RegisterFullText(language_, layout.name, count));
        return outcome;
    }
    const int position = count + 1;
    int number = position;
    if (which == Register::Competitors) {
        number = nextFreeNumber();
        for (const auto& [field, value] : fields) {
            if (field != 0) continue;
            const double asked = base::TextToNumber(value);
            if (asked < 1 || asked > MaxStartNumber || asked != static_cast<int>(asked)) {
                outcome.notices.push_back(lang::NoStartNumberText(language_, trimmed(value)));
                return outcome;
            }
            number = static_cast<int>(asked);
            if (numberHeld(number)) {
                outcome.notices.push_back(
                    lang::StartNumberTakenText(language_, number, recordsNumbered(number).front()));
                return outcome;
            }
        }
    }
    std::unique_ptr<storage::Table> table;
    bool beyond = false;
    storage::Record record;
    try {
        table = engine_.openTable(path_, layout.name);
        beyond = table->recordCount() >= position;
        record = beyond ? table->readRecord(position) : freshRecord(which, number);
    } catch (const storage::NestedTransaction&) {
        throw;
    } catch (const std::exception& error) {
        failure_ = error.what();
        outcome.stored = false;
        outcome.failure = failure_;
        return outcome;
    }
    record.resize(fieldCount);
    record[0] = base::NumberToText(number);
    for (const auto& [field, value] : fields)
        if (field != 0) record[field] = value;
    Copies before = copies();
    setRegisterCount(which, position);
    fillRecord(which, position, record);
    Outcome attempt;
    attempt.acted = true;
    recordWaitingResults(attempt);
    // The trail names the record added and what it holds of note.
    std::string added = layout.fields[0].name + ": " + std::to_string(number);
    for (const auto& [field, value] : fields)
        if (field != 0) added += "; " + layout.fields[field].name + ": " + value;
    commit(attempt, [&] {
        writeTrail(storage::MakeTrailEntry(
            storage::trail::Add, which == Register::Competitors ? number : -1,
            layout.name + " " + std::to_string(position), "", added));
        if (beyond) {
            storage::NamedFields named;
            for (int f = 0; f < fieldCount; ++f) named.emplace_back(layout.fields[f].name, record[f]);
            table->writeFields(position, named);
        } else {
            table->appendRecord(record);
        }
        if (which == Register::Classes) {
            engine_.addTable(path_,
                             storage::DescribeTable(storage::TableKind::Results, words_, position));
            loadResultsTable(position);
        }
    });
    if (!attempt.stored) {
        restore(std::move(before));
        outcome.stored = false;
        outcome.failure = attempt.failure;
        return outcome;
    }
    outcome.acted = true;
    outcome.writtenRecords.emplace_back(which, position);
    // A number typed on a line before its competitor was added shows him now.
    for (int row = 0; row < CaptureRows; ++row) showRow(row);
    outcome.finished = attempt.finished;
    outcome.shownClass = attempt.shownClass;
    for (auto& notice : attempt.notices) outcome.notices.push_back(std::move(notice));
    outcome.writtenTimeRows.insert(outcome.writtenTimeRows.end(), attempt.writtenTimeRows.begin(),
                                   attempt.writtenTimeRows.end());
    outcome.writtenClasses.insert(outcome.writtenClasses.end(), attempt.writtenClasses.begin(),
                                  attempt.writtenClasses.end());
    return outcome;
}

// ---- edits of the register pages ----

void Meet::fillRecord(Register which, int position, const storage::Record& record) {
    if (which == Register::Competitors)
        fillCompetitor(position, record);
    else if (which == Register::Clubs)
        fillClub(record);
    else
        fillClass(record);
}

std::map<int, std::string> Meet::unstoredEdit(Register which, int position) const {
    for (const auto& edit : unstoredEdits_)
        if (edit.which == which && edit.position == position) return edit.fields;
    return {};
}

Outcome Meet::editRecord(Register which, int position,
                         const std::vector<std::pair<int, std::string>>& fields) {
    Turn turn(*this);
    const auto layout = storage::DescribeTable(kindOf(which), words_);
    if (position < 1 || position > registerCount(which))
        throw std::invalid_argument(layout.name + ": no record " + std::to_string(position));
    for (const auto& field : fields)
        if (field.first < 0 || field.first >= static_cast<int>(layout.fields.size()))
            throw std::invalid_argument(layout.name + ": no field " + std::to_string(field.first));
    auto waiting = std::find_if(unstoredEdits_.begin(), unstoredEdits_.end(), [&](const auto& e) {
        return e.which == which && e.position == position;
    });
    if (waiting == unstoredEdits_.end())
        waiting = unstoredEdits_.insert(unstoredEdits_.end(), RecordEdit{which, position, {}});
    for (const auto& [field, value] : fields) waiting->fields[field] = value;
    Outcome outcome;
    outcome.acted = true;
    storeEdits(outcome);
    return outcome;
}

void Meet::storeEdits(Outcome& outcome) {
    if (unstoredEdits_.empty() && unstoredSettings_.empty()) return;
    // On a shared meet, a record another station changed a moment ago is not overwritten: the
    // edit is refused, the operator told, and the trail keeps the refusal.
    if (feed_) {
        bool refused = false;
        for (auto edit = unstoredEdits_.begin(); edit != unstoredEdits_.end();) {
            const std::string refusal = editedElsewhere(edit->which, edit->position);
            if (refusal.empty()) {
                ++edit;
                continue;
            }
            const auto layout = storage::DescribeTable(kindOf(edit->which), words_);
            std::string tried;
            for (const auto& [field, value] : edit->fields)
                tried += (tried.empty() ? "" : "; ") + layout.fields[field].name + ": " + value;
            outcome.notices.push_back(refusal);
            queueTrail(storage::MakeTrailEntry(
                storage::trail::Refused,
                edit->which == Register::Competitors ? recordNumber(edit->position) : -1,
                layout.name + " " + std::to_string(edit->position), "", tried));
            outcome.writtenRecords.emplace_back(edit->which, edit->position);
            edit = unstoredEdits_.erase(edit);
            refused = true;
        }
        if (refused && unstoredEdits_.empty() && unstoredSettings_.empty()) {
            commit(outcome);  // the refusals' trail rows
            return;
        }
    }
    auto fail = [&](const std::string& failure) {
        failure_ = editsFailure_ = failure;
        outcome.stored = false;
        outcome.failure = failure;
    };
    // The records as they are to be: as stored, with the edits over them.
    std::array<std::unique_ptr<storage::Table>, 3> tables;
    std::vector<storage::Record> edited;
    // The trail rows of the edits and settings that change something.
    std::vector<storage::TrailEntry> changes;
    try {
        for (const auto& edit : unstoredEdits_) {
            auto& table = tables.at(static_cast<int>(edit.which));
            if (!table) table = engine_.openTable(path_, registerTable(edit.which));
            auto record = table->readRecord(edit.position);
            const auto layout = storage::DescribeTable(kindOf(edit.which), words_);
            record.resize(layout.fields.size());
            std::string before, after;
            for (const auto& [field, value] : edit.fields) {
                const std::string old = text(record[field]);
                // A status set during the race has a trail row of its own, with its reason.
                const bool ofStatus = edit.which == Register::Competitors &&
                                      field == column::competitor::Status &&
                                      waitsAsRaceStatus(recordNumber(edit.position), value);
                if (!ofStatus && (!record[field] || old != value)) {
                    const std::string separator = before.empty() && after.empty() ? "" : "; ";
                    before += separator + layout.fields[field].name + ": " + old;
                    after += separator + layout.fields[field].name + ": " + value;
                }
                record[field] = value;
            }
            if (!before.empty() || !after.empty())
                changes.push_back(storage::MakeTrailEntry(
                    storage::trail::Edit,
                    edit.which == Register::Competitors ? recordNumber(edit.position) : -1,
                    layout.name + " " + std::to_string(edit.position), before, after));
            edited.push_back(std::move(record));
        }
        for (const auto& [field, value] : unstoredSettings_)
            if (setup_.fields[field] != value)
                changes.push_back(storage::MakeTrailEntry(storage::trail::Setting, -1,
                                                          words_[entry::SetupTable] + " " + std::to_string(field),
                                                          setup_.fields[field], value));
    } catch (const storage::NestedTransaction&) {
        throw;
    } catch (const std::exception& error) {
        fail(error.what());
        return;
    }
    // The copies follow the records and settings as they will be stored, together with the
    // finishes that waited for their class; when the commit fails they are put back.
    Copies before = copies();
    for (std::size_t i = 0; i < edited.size(); ++i)
        fillRecord(unstoredEdits_[i].which, unstoredEdits_[i].position, edited[i]);
    for (const auto& [field, value] : unstoredSettings_) setSetupField(field, value);
    followStatusChanges();
    Outcome attempt;
    recordWaitingResults(attempt);
    commit(attempt, [&] {
        for (const auto& edit : unstoredEdits_) {
            const auto layout = storage::DescribeTable(kindOf(edit.which), words_);
            storage::NamedFields named;
            for (const auto& [field, value] : edit.fields)
                named.emplace_back(layout.fields[field].name, value);
            if (!named.empty())
                tables.at(static_cast<int>(edit.which))->writeFields(edit.position, named);
        }
        for (const auto& change : changes) writeTrail(change);
        writeStatusChanges();
    });
    if (!attempt.stored) {
        restore(std::move(before));
        fail(attempt.failure);
        return;
    }
    for (const auto& edit : unstoredEdits_)
        outcome.writtenRecords.emplace_back(edit.which, edit.position);
    unstoredEdits_.clear();
    unstoredSettings_.clear();
    unstoredStatuses_.clear();
    editsFailure_.clear();
    outcome.finished = outcome.finished || attempt.finished;
    if (attempt.finished) outcome.shownClass = attempt.shownClass;
    for (auto& notice : attempt.notices) outcome.notices.push_back(std::move(notice));
    auto add = [](std::vector<int>& to, const std::vector<int>& from) {
        to.insert(to.end(), from.begin(), from.end());
    };
    add(outcome.writtenTimeRows, attempt.writtenTimeRows);
    add(outcome.writtenClasses, attempt.writtenClasses);
}

}  // namespace kvt::meet
