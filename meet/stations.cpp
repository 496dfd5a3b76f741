// A meet shared by several stations on a server: what the other stations store is followed
// (on the server's wake-up, once a second, and first thing in every action, which holds the
// station's turn until its commit returned), and a start or finish another station gave a
// moment before is never overwritten: the second is refused and told who did what.
#include <algorithm>
#include <array>
#include <type_traits>
#include <utility>

#include "base/number_text.h"
#include "lang/station_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"
#include "storage/schema.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;
namespace column = storage::column;
using Clock = std::chrono::steady_clock;

namespace {

// How long a change of another station counts as not seen yet by this station's operator:
// what came with the action's own look is seen by no one, what the poll showed a moment ago
// (less than a human's reaction) is not seen either.
constexpr auto SeenAfter = std::chrono::seconds(1);
// Followed at least this often without a wake-up.
constexpr auto FollowEvery = std::chrono::seconds(1);

// The station a trail row names: "host #2" is station 2 (0: not known).
int StationOf(const std::string& station) {
    const auto mark = station.rfind(" #");
    if (mark == std::string::npos) return 0;
    const std::string digits = station.substr(mark + 2);
    if (digits.empty() || digits.size() > 6 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    return std::stoi(digits);
}

void Merge(Outcome& into, Outcome&& from) {
    into.acted = into.acted || from.acted;
    auto add = [](auto& to, const auto& more) { to.insert(to.end(), more.begin(), more.end()); };
    add(into.writtenTimeRows, from.writtenTimeRows);
    add(into.writtenClasses, from.writtenClasses);
    add(into.writtenRecords, from.writtenRecords);
    add(into.notices, from.notices);
}

}  // namespace

int Meet::station() const {
    return feed_ ? feed_->station() : 0;
}

Meet::Turn::Turn(Meet& meet) : meet_(meet) {
    if (!meet_.feed_ || meet_.turnDepth_++ > 0) return;
    if (meet_.engine_.inTransaction()) return;
    long long reached = meet_.feedSequence_;
    std::vector<storage::Change> changes;
    try {
        changes = meet_.feed_->takeTurn(meet_.feedSequence_, reached);
        meet_.turnHeld_ = true;
    } catch (const std::exception&) {
        // The server is away or busy: the action acts on the meet as followed last, and what
        // it could not store waits as it does when the commit fails.
        meet_.turnHeld_ = false;
        return;
    }
    Outcome followed;
    meet_.follow(changes, reached, followed);
    Merge(meet_.followedUnshown_, std::move(followed));
    if (meet_.feedSequence_ < reached) {
        // What the others stored could not be read (the server went away between the turn
        // and the reading): acting on the turn would write over it. The turn is let go, and
        // what the action does waits as it does without the turn.
        meet_.feed_->endTurn();
        meet_.turnHeld_ = false;
    }
}

Meet::Turn::~Turn() {
    if (!meet_.feed_ || --meet_.turnDepth_ > 0) return;
    if (meet_.turnHeld_) meet_.feed_->endTurn();
    meet_.turnHeld_ = false;
}

Outcome Meet::followOthers(bool now) {
    Outcome outcome;
    if (!feed_ || engine_.inTransaction()) return outcome;
    const auto moment = Clock::now();
    const bool woken = feed_->woken();
    if (!now && !woken && moment - lastFollow_ < FollowEvery) {
        std::swap(outcome, followedUnshown_);
        return outcome;
    }
    long long reached = feedSequence_;
    std::vector<storage::Change> changes;
    try {
        changes = feed_->since(feedSequence_, reached);
    } catch (const std::exception&) {
        return outcome;  // the server is away: followed from the same place next time
    }
    follow(changes, reached, outcome);
    if (!now) Merge(outcome, std::exchange(followedUnshown_, Outcome{}));
    return outcome;
}

void Meet::follow(const std::vector<storage::Change>& changes, long long reached,
                  Outcome& outcome) {
    const auto moment = Clock::now();
    lastFollow_ = moment;
    for (auto seen = seenTimes_.begin(); seen != seenTimes_.end();)
        seen = moment - seen->second.when > SeenAfter ? seenTimes_.erase(seen) : std::next(seen);
    for (auto edited = editedByOthers_.begin(); edited != editedByOthers_.end();)
        edited = moment - edited->second.second > SeenAfter ? editedByOthers_.erase(edited)
                                                             : std::next(edited);
    std::vector<storage::Change> others;
    for (const auto& change : changes)
        if (change.station != feed_->station()) others.push_back(change);
    try {
        followChanges(others, outcome);
    } catch (const storage::NestedTransaction&) {
        throw;
    } catch (const std::exception&) {
        // The server went away: followed from the same place next time (following a change
        // twice reads the record twice, nothing more).
        return;
    }
    feedSequence_ = reached;
}

void Meet::followTimeRow(int k, std::set<int>& competitors, Outcome& outcome) {
    auto record = timeTable_->readRecord(k);
    record.resize(column::time::Count);
    if (static_cast<int>(registered_.size()) <= k) registered_.resize(k + 1);
    auto& slot = registered_[k];
    if (const int before = wholeNumber(slot.number); before > 0) competitors.insert(before);
    const double index = base::TextToNumber(text(record[column::time::Index]));
    slot.time = text(record[column::time::Time]);
    slot.number = text(record[column::time::Number]);
    slot.kind = text(record[column::time::Kind]);
    slot.identification = text(record[column::time::Id]);
    slot.rowIndex = std::to_string(static_cast<long long>(index));
    // Another station's time never enters this station's list.
    slot.given = true;
    const std::string kind = withoutBlanks(slot.kind);
    if (kind == withoutBlanks(words_[entry::OutAll])) competitors.insert(0);
    if (const int after = wholeNumber(slot.number); after > 0) competitors.insert(after);
    if (kind == withoutBlanks(words_[entry::Out]) || kind == withoutBlanks(words_[entry::In]))
        takeOutOfList(k);  // given by another station: no longer offered here
    const std::string id = trimmed(slot.identification);
    if (!id.empty() && id != "-" && k > registeredCount_) registeredCount_ = k;
    outcome.writtenTimeRows.push_back(k);
}

void Meet::followChanges(const std::vector<storage::Change>& changes, Outcome& outcome) {
    if (changes.empty()) return;
    std::map<std::string, std::set<long long>> keys;
    for (const auto& change : changes) keys[change.table].insert(change.key);
    auto changed = [&](const std::string& table) -> const std::set<long long>* {
        auto found = keys.find(table);
        return found == keys.end() ? nullptr : &found->second;
    };
    outcome.acted = true;
    // A commit of this station's that failed may have left its handles naming rows the
    // rollback took away: the others' rows would be read at the wrong places.
    rereadStaleHandles();
    // Rows this station registered while it could not have the turn, numbered as another
    // station numbered its own meanwhile: moved past the rows the server counts, before
    // anything of the others' rows is read over them.
    if (!ownRowsUnstored_.empty() &&
        (changed(words_[entry::SetupTable]) || changed(words_[entry::TimeTable]))) {
        const auto setup = setupTable_->readRecord(1);
        if (static_cast<int>(setup.size()) > field::RegisteredCount)
            moveOwnRows(static_cast<int>(base::TextToNumber(text(setup[field::RegisteredCount]))));
    }
    // The Setup record: the counts (the larger of this station's and the server's), the
    // settings, and the registers' sizes.
    if (changed(words_[entry::SetupTable])) {
        auto record = setupTable_->readRecord(1);
        for (int f = 0; f < field::Count && f < static_cast<int>(record.size()); ++f)
            if (f != field::FetchedCount && !unstoredSetup_.count(f))
                setup_.fields[f] = text(record[f]);
        registeredCount_ = std::max(registeredCount_, setup_.count(field::RegisteredCount));
        if (static_cast<int>(registered_.size()) <= registeredCount_)
            registered_.resize(registeredCount_ + 1);
        timeTableSize_ = std::max(timeTableSize_, setup_.count(field::TimeTableSize));
        for (int line = 1; line <= ChannelTotal; ++line)
            channelCounts_[line] =
                std::max(channelCounts_[line], setup_.count(field::ChannelCount(line)));
        const int competitors = std::clamp(setup_.count(field::CompetitorCount), 0, MaxCompetitors);
        if (competitors > highestNumber_) {
            highestNumber_ = competitors;
            recordNumbers_.resize(competitors + 1, -1);
            if (static_cast<int>(competitors_.size()) <= competitors)
                competitors_.resize(competitors + 1);
        }
        const int clubs = std::clamp(setup_.count(field::ClubCount), 0, MaxClubs);
        if (clubs > clubCount_) {
            clubCount_ = clubs;
            if (static_cast<int>(clubNames_.size()) <= clubs) clubNames_.resize(clubs + 1, "-");
        }
        const int classes = std::clamp(setup_.count(field::ClassCount), 0, MaxClasses);
        if (classes > classCount_) {
            const int first = classCount_ + 1;
            classCount_ = classes;
            if (static_cast<int>(classNames_.size()) <= classes) classNames_.resize(classes + 1, "-");
            results_.resize(classes + 1);
            resultsTables_.resize(classes + 1);
            for (int c = first; c <= classes; ++c)
                if (engine_.hasTable(path_, resultsTable(c))) loadResultsTable(c);
        }
    }
    // The registers' records as the other station stored them.
    for (auto which : {Register::Competitors, Register::Clubs, Register::Classes}) {
        const auto* records = changed(registerTable(which));
        if (!records) continue;
        auto& table = followedRegisters_[static_cast<int>(which)];
        if (!table) table = engine_.openTable(path_, registerTable(which));
        table->readAdded();
        for (long long key : *records) {
            const int position = key > 0 ? table->positionOfKey(key) : 0;
            if (position < 1) continue;
            fillRecord(which, position, table->readRecord(position));
            editedByOthers_[{static_cast<int>(which), position}] = {"", Clock::now()};
            outcome.writtenRecords.emplace_back(which, position);
        }
    }
    // The journal first: the precise times of the Time-table rows that follow.
    if (const auto* impulses = changed(storage::ImpulseJournalTable)) {
        namespace impulse = column::impulse;
        if (!journalTable_ && engine_.hasTable(path_, storage::ImpulseJournalTable))
            journalTable_ = engine_.openTable(path_, storage::ImpulseJournalTable);
        if (journalTable_) {
            journalTable_->readAdded();
            journalCount_ = std::max(journalCount_, journalTable_->recordCount());
            for (long long key : *impulses) {
                const int position = key > 0 ? journalTable_->positionOfKey(key) : 0;
                if (position < 1) continue;
                auto row = journalTable_->readRecord(position);
                if (static_cast<int>(row.size()) < impulse::Count || !row[impulse::TimeRow] ||
                    !row[impulse::Microseconds])
                    continue;
                const auto timeRow =
                    static_cast<int>(base::TextToNumber(text(row[impulse::TimeRow])));
                preciseTimes_[timeRow] = static_cast<base::DayMicroseconds>(
                    base::TextToNumber(text(row[impulse::Microseconds])));
                fromTimer_[timeRow] = text(row[impulse::Source]) == "timer";
            }
        }
    }
    // How the classes start: read again whole (a few records a class).
    if ((changed(storage::ClassStartsTable) || changed(storage::PlannedStartsTable)) &&
        startsStored()) {
        starts_ = StartBook{};
        loadStarts();
    }
    // The times given: each competitor whose start or finish moved follows the Time table,
    // and what this station saw of him is kept a moment for the check before its own give.
    std::set<int> competitors;
    if (const auto* rows = changed(words_[entry::TimeTable])) {
        timeTable_->readAdded();
        // A row added among those read before (its key given out before theirs, its commit
        // after them) is found by reading the order again.
        if (std::any_of(rows->begin(), rows->end(), [&](long long key) {
                return key > 0 && timeTable_->positionOfKey(key) < 1;
            }))
            timeTable_->reread();
        timeRowsStored_ = std::max(timeRowsStored_, timeTable_->recordCount());
        for (long long key : *rows) {
            const int k = key > 0 ? timeTable_->positionOfKey(key) : 0;
            if (k >= 1) followTimeRow(k, competitors, outcome);
        }
    }
    if (competitors.count(0)) {
        competitors.clear();
        for (int n = 1; n < static_cast<int>(competitors_.size()); ++n) competitors.insert(n);
    }
    const auto moment = Clock::now();
    for (int n : competitors) {
        if (n < 1 || n >= static_cast<int>(competitors_.size())) continue;
        const Competitor before = competitors_[n];
        retime(n);
        const auto& after = competitors_[n];
        if (after.start == before.start && after.finish == before.finish) continue;
        auto seen = seenTimes_.find(n);
        if (seen == seenTimes_.end()) seenTimes_[n] = {before.start, before.finish, moment};
        else seen->second.when = moment;
    }
    for (int row = 0; row < CaptureRows; ++row)
        if (const int n = rowNumber(row); n > 0 && competitors.count(n))
            setRowLamps(row, competitors_[n].state);
    // The results the other station ranked.
    for (int c = 1; c <= classCount_; ++c)
        if (changed(resultsTable(c)) && results_[c].allStored()) {
            loadResultsTable(c);
            outcome.writtenClasses.push_back(c);
        }
    if (changed(storage::RaceStatusesTable)) loadRaceStatuses();
    if (changed(storage::ProgramSettingsTable)) {
        const bool fullPrecision = fullPrecision_, atOnce = giveNumberedAtOnce_;
        loadProgramSettings();
        if (!settingsTable_) fullPrecision_ = fullPrecision, giveNumberedAtOnce_ = atOnce;
    }
    // The trail grows by the other stations' rows (the turn keeps the order of the commits).
    if (changed(storage::TrailTable)) {
        if (!trailTable_ && engine_.hasTable(path_, storage::TrailTable))
            trailTable_ = engine_.openTable(path_, storage::TrailTable);
        if (trailTable_) {
            trailTable_->readAdded();
            for (int p = static_cast<int>(trail_.size()) + 1; p <= trailTable_->recordCount(); ++p)
                trail_.push_back(storage::ReadTrailRecord(trailTable_->readRecord(p)));
        }
    }
    // The starts and finishes this station gave while it could not have the turn, checked
    // against what the others did meanwhile (their trail rows read first: they say who).
    if (keptGives_.empty()) return;
    std::set<int> reload;
    checkKeptGives(competitors, reload, outcome);
    for (const auto& give : keptGives_)
        if (const int c = give.use == TimeUse::Finish ? classOf(give.number) : 0;
            c > 0 && changed(resultsTable(c)))
            reload.insert(c);
    // A class whose results this station changed meanwhile is read as stored, and the finishes
    // it kept are recorded in it again (written with the next commit).
    for (int c : reload) {
        loadResultsTable(c);
        for (const auto& give : keptGives_) {
            const int n = give.number;
            if (give.use != TimeUse::Finish || classOf(n) != c || competitors_[n].state != Finished)
                continue;
            const auto& rows = results_[c].rows();
            if (std::none_of(rows.begin(), rows.end(),
                             [n](const ResultRow& row) { return row.number == n; }))
                recordResult(n, outcome);
        }
        outcome.writtenClasses.push_back(c);
    }
    for (int row = 0; row < CaptureRows; ++row)
        if (const int n = rowNumber(row); n > 0 && competitors.count(n))
            setRowLamps(row, competitors_[n].state);
}

std::string Meet::seenTime(int n, TimeUse use) const {
    if (n < 1 || n >= static_cast<int>(competitors_.size())) return "-";
    auto seen = seenTimes_.find(n);
    if (seen != seenTimes_.end() && Clock::now() - seen->second.when <= SeenAfter)
        return use == TimeUse::Start ? seen->second.start : seen->second.finish;
    const auto& competitor = competitors_[n];
    return use == TimeUse::Start ? competitor.start : competitor.finish;
}

std::string Meet::givenElsewhere(int n, TimeUse use, const std::string& seen) const {
    if (!feed_ || n < 1 || n >= static_cast<int>(competitors_.size())) return "";
    const auto& competitor = competitors_[n];
    const std::string now = trimmed(use == TimeUse::Start ? competitor.start : competitor.finish);
    if (now == trimmed(seen)) return "";
    // Who gave it: the last row of the trail that gave him a time.
    int by = 0;
    for (auto entry = trail_.rbegin(); entry != trail_.rend(); ++entry)
        if (entry->number == n && entry->action != storage::trail::Refused &&
            entry->action != storage::trail::Edit && entry->action != storage::trail::Status) {
            by = StationOf(entry->station);
            break;
        }
    if (by == station()) return "";  // this station's own: what it saw is what it did
    return lang::GivenElsewhereText(language_, by, n, use == TimeUse::Start, now);
}

bool Meet::refuseGivenElsewhere(int n, TimeUse use, const std::string& identification,
                                const std::string& time, Outcome& outcome) {
    const std::string refusal = givenElsewhere(n, use, seenTime(n, use));
    if (refusal.empty()) return false;
    outcome.notices.push_back(refusal + ". " + lang::NotGivenText(language_));
    const auto& competitor = competitors_[n];
    queueTrail(storage::MakeTrailEntry(
        storage::trail::Refused, n, identification,
        std::string(use == TimeUse::Start ? storage::trail::Start : storage::trail::Finish) +
            " " + (use == TimeUse::Start ? competitor.start : competitor.finish),
        std::string(use == TimeUse::Start ? storage::trail::Start : storage::trail::Finish) +
            " " + time));
    return true;
}

bool Meet::refusedWithoutTurn(Outcome& outcome) const {
    if (!feed_ || turnHeld_) return false;
    outcome.notices.push_back(lang::CorrectionNeedsServerText(language_));
    return true;
}

void Meet::keepGive(int row, int n, TimeUse use, const std::string& seen,
                    const std::string& time) {
    if (feed_ && row >= 1) keptGives_.push_back({row, n, use, seen, time});
}

void Meet::moveOwnRows(int taken) {
    if (ownRowsUnstored_.empty() || *ownRowsUnstored_.begin() > taken) return;
    namespace impulse = column::impulse;
    // Their identifications are counted on past what the server counts on their lines, so
    // that no two times of the meet share one (another station counted its own meanwhile).
    // Read first: nothing is moved when the server cannot be read.
    const auto setup = setupTable_->readRecord(1);
    std::array<int, ChannelTotal + 1> counted{};
    for (int line = 1; line <= ChannelTotal; ++line)
        if (static_cast<int>(setup.size()) > field::ChannelCount(line))
            counted[line] = static_cast<int>(
                base::TextToNumber(text(setup[field::ChannelCount(line)])));
    // Each row to the next one past the server's count, in the order they were registered;
    // everything that names a row follows it.
    std::map<int, int> to;
    int next = taken;
    for (int from : ownRowsUnstored_) to[from] = ++next;
    auto moved = [&](int row) {
        auto found = to.find(row);
        return found == to.end() ? row : found->second;
    };
    if (static_cast<int>(registered_.size()) <= next) registered_.resize(next + 1);
    std::map<int, std::pair<int, RegisteredTime>> slots;  // by the new row: the old one, the time
    std::map<int, std::map<int, std::string>> fields;
    for (const auto& [from, row] : to) {
        slots[row] = {from, std::exchange(registered_[from], RegisteredTime{})};
        // Until the other station's row is read over it, it is offered to no one.
        registered_[from].given = true;
        if (auto queued = unstoredRows_.find(from); queued != unstoredRows_.end()) {
            fields[row] = std::move(queued->second);
            unstoredRows_.erase(queued);
        }
    }
    std::map<std::string, std::string> renamed;  // identification before: after
    for (auto& [row, moving] : slots) {
        auto& [from, slot] = moving;
        const auto dash = slot.identification.find('-');
        const int line = dash == 1 ? slot.identification[0] - '0' : 0;
        if (line >= 1 && line <= ChannelTotal) {
            const std::string before = slot.identification;
            slot.identification = identification(line, ++counted[line]);
            channelCounts_[line] = std::max(channelCounts_[line], counted[line]);
            setSetupField(field::ChannelCount(line), base::NumberToText(channelCounts_[line]));
            if (before != slot.identification) renamed[before] = slot.identification;
        }
        // One taken into the list already is never taken in a second time.
        if (from <= fetchedCount_) slot.given = true;
        slot.rowIndex = base::NumberToText(row);
        registered_[row] = std::move(slot);
        auto& queued = unstoredRows_[row];
        for (auto& [field, value] : fields[row]) queued[field] = std::move(value);
        queued[entry::TimeIdField] = registered_[row].identification;
        queued[entry::TimeTimeField] = registered_[row].time;
        queued[entry::TimeNumberField] = registered_[row].number;
        queued[entry::TimeKindField] = registered_[row].kind;
    }
    auto moveKey = [&](auto& map) {
        std::remove_reference_t<decltype(map)> kept;
        for (auto& [row, value] : map) kept[moved(row)] = std::move(value);
        map = std::move(kept);
    };
    moveKey(preciseTimes_);
    moveKey(fromTimer_);
    std::map<int, int> runs;
    for (const auto& [row, run] : timeRuns_) runs[moved(row)] = run;
    timeRuns_ = std::move(runs);
    std::set<int> unstoredRuns;
    for (int row : unstoredTimeRuns_) unstoredRuns.insert(moved(row));
    // A moved row's run is written for its new place (the first run's rows have none).
    for (const auto& [from, row] : to)
        if (runOf(row) != 1) unstoredRuns.insert(row);
    unstoredTimeRuns_ = std::move(unstoredRuns);
    for (auto& record : unstoredJournal_)
        if (static_cast<int>(record.size()) > impulse::TimeRow && record[impulse::TimeRow]) {
            const int row = static_cast<int>(base::TextToNumber(text(record[impulse::TimeRow])));
            if (to.count(row)) record[impulse::TimeRow] = std::to_string(moved(row));
        }
    for (auto& stamp : stamps_) stamp.timeRow = moved(stamp.timeRow);
    for (auto& competitor : competitors_) {
        competitor.startRow = moved(competitor.startRow);
        competitor.finishRow = moved(competitor.finishRow);
    }
    for (int i = 0; i < CaptureRows; ++i) {
        auto& line = rows_[i];
        if (!line.ready) continue;
        const int row = static_cast<int>(base::TextToNumber(line.regTimeIndex));
        if (!to.count(row)) continue;
        line.regTimeIndex = base::NumberToText(moved(row));
        setWorkRow(i);
    }
    for (int& row : offeredAgain_) row = moved(row);
    for (auto& give : keptGives_) give.row = moved(give.row);
    // The trail rows waiting to be written name the times as they are named now.
    for (auto& entry : unstoredTrail_)
        if (auto name = renamed.find(entry.subject); name != renamed.end())
            entry.subject = name->second;
    std::set<int> own;
    for (const auto& [from, row] : to) own.insert(row);
    ownRowsUnstored_ = std::move(own);
    registeredCount_ = std::max(registeredCount_, next);
    setSetupField(field::RegisteredCount, std::to_string(registeredCount_));
}

void Meet::checkKeptGives(const std::set<int>& competitors, std::set<int>& reload,
                          Outcome& outcome) {
    for (auto give = keptGives_.begin(); give != keptGives_.end();) {
        const int n = give->number;
        const int k = give->row;
        const bool start = give->use == TimeUse::Start;
        if (!competitors.count(n) || k < 1 || k >= static_cast<int>(registered_.size()) ||
            wholeNumber(registered_[k].number) != n) {
            ++give;
            continue;
        }
        // What the others did to him, without this station's give: the meet's own check.
        auto& slot = registered_[k];
        const RegisteredTime mine = slot;
        slot.number = slot.kind = "-";
        retime(n);
        const std::string refusal = givenElsewhere(n, give->use, give->seen);
        if (refusal.empty()) {
            slot = mine;
            retime(n);
            ++give;
            continue;
        }
        // Refused: the time is a registered time again, offered in the list to be given to
        // someone else; the give's trail row gives way to the refusal's.
        queueTimeRow(k, {{entry::TimeNumberField, "-"},
                         {entry::TimeKindField, "-"},
                         {entry::TimeCompetitorField, "-"}});
        offerAgain(k);
        takeNextIntoList();
        const std::string action = start ? storage::trail::Start : storage::trail::Finish;
        for (auto entry = unstoredTrail_.rbegin(); entry != unstoredTrail_.rend(); ++entry)
            if (entry->action == action && entry->number == n &&
                entry->after.rfind(give->time, 0) == 0) {
                unstoredTrail_.erase(std::next(entry).base());
                break;
            }
        const auto& competitor = competitors_[n];
        queueTrail(storage::MakeTrailEntry(storage::trail::Refused, n, mine.identification,
                                           action + " " + (start ? competitor.start
                                                                 : competitor.finish),
                                           action + " " + give->time));
        outcome.notices.push_back(lang::KeptGiveText(language_, n, start, give->time) + " " +
                                  refusal + ". " + lang::NotGivenText(language_));
        outcome.writtenTimeRows.push_back(k);
        if (!start) {
            if (const int c = classOf(n); c > 0) reload.insert(c);
            waitingResults_.erase(n);
        }
        give = keptGives_.erase(give);
    }
}

std::string Meet::editedElsewhere(Register which, int position) const {
    if (!feed_) return "";
    auto found = editedByOthers_.find({static_cast<int>(which), position});
    if (found == editedByOthers_.end() || Clock::now() - found->second.second > SeenAfter)
        return "";
    // Who changed it: the last edit of that record in the trail.
    const std::string subject = registerTable(which) + " " + std::to_string(position);
    for (auto entry = trail_.rbegin(); entry != trail_.rend(); ++entry)
        if (entry->subject == subject &&
            (entry->action == storage::trail::Edit || entry->action == storage::trail::Add)) {
            const int by = StationOf(entry->station);
            if (by == station()) return "";
            return lang::EditedElsewhereText(
                language_, by, which == Register::Competitors ? recordNumber(position) : -1,
                subject, entry->after);
        }
    return lang::EditedElsewhereText(language_, 0, -1, subject, "");
}

}  // namespace kvt::meet
