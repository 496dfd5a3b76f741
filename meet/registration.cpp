// Registering times (captures and Enter) and giving them to competitors.
#include "base/number_text.h"
#include "base/precise_time.h"
#include "base/time_text.h"
#include "lang/meet_texts.h"
#include "lang/timer_texts.h"
#include "storage/record_fields.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;

// ---- registrations ----

void Meet::queueTimeRow(int row, std::map<int, std::string> fields) {
    markRun(row);
    auto& queued = unstoredRows_[row];
    // The registered times hold what their rows are given to, as the Time table does.
    RegisteredTime* slot = row < static_cast<int>(registered_.size()) ? &registered_[row] : nullptr;
    for (auto& [entryNumber, value] : fields) {
        if (slot && entryNumber == entry::TimeNumberField) slot->number = value;
        if (slot && entryNumber == entry::TimeKindField) slot->kind = value;
        queued[entryNumber] = std::move(value);
    }
}

namespace {

const char* SourceText(devices::ImpulseSource source) {
    switch (source) {
        case devices::ImpulseSource::ContactLine:
            return "line";
        case devices::ImpulseSource::FunctionKey:
            return "key";
        case devices::ImpulseSource::LineButton:
            return "button";
        case devices::ImpulseSource::EnterKey:
            return "enter";
        case devices::ImpulseSource::Timer:
            break;
    }
    return "timer";
}

// An impulse the program made itself from a time text of the clock (hundredths).
devices::Impulse OwnImpulse(devices::ImpulseSource source, int line, const std::string& time) {
    devices::Impulse impulse;
    impulse.source = source;
    impulse.channel = std::to_string(line);
    impulse.line = line - 1;
    const long long hundredths = base::TimeHundredths(time);
    impulse.hasTime = hundredths >= 0;
    impulse.timeOfDay = impulse.hasTime ? hundredths * 10000 % base::MicrosecondsPerDay : 0;
    impulse.decimals = 2;
    return impulse;
}

}  // namespace

void Meet::journal(const devices::Impulse& impulse, int timeRow) {
    namespace column = storage::column::impulse;
    storage::Record record(column::Count);
    record[column::Impulse] = std::to_string(++journalCount_);
    record[column::Source] = std::string(SourceText(impulse.source));
    record[column::Channel] = impulse.channel;
    record[column::Line] = std::to_string(impulse.line + 1);
    if (impulse.hasTime) {
        record[column::TimeOfDay] = base::ClockTimeText(impulse.timeOfDay, 6);
        record[column::Microseconds] = std::to_string(impulse.timeOfDay);
        record[column::Decimals] = std::to_string(impulse.decimals);
    }
    if (impulse.arrival != 0) {
        record[column::Arrival] =
            base::ClockTimeText(base::MicrosecondsOfDay(impulse.arrivalTime), 3);
        record[column::ArrivalNanoseconds] = std::to_string(impulse.arrival);
    }
    record[column::Number] = std::to_string(impulse.number);
    record[column::Flags] = std::to_string(impulse.flags);
    record[column::Raw] = impulse.raw;
    if (timeRow > 0) record[column::TimeRow] = std::to_string(timeRow);
    if (stationJournal_) {
        // Kept on the station's disk first; a journal that cannot be written leaves the
        // impulse to the meet (shown and stored as on a meet file).
        long long sequence = keptAgain_;
        try {
            if (sequence == 0) sequence = stationJournal_->keep(record);
        } catch (const std::exception& failure) {
            failure_ = failure.what();
        }
        if (sequence > 0) {
            unstoredKeys_.push_back(
                {stationJournal_->station(), std::to_string(sequence), record[column::Impulse]});
            lastKept_ = std::max(lastKept_, sequence);
        }
    }
    keepStamp(record);
    unstoredJournal_.push_back(std::move(record));
}

Outcome Meet::registerCapture(int line, const std::string& time) {
    return registerLine(line, time, OwnImpulse(devices::ImpulseSource::LineButton, line, time));
}

Outcome Meet::registerLine(int line, const std::string& time, const devices::Impulse& impulse,
                           int giveTo) {
    Turn turn(*this);
    // B's lines time beside A's: their impulses are journaled, never registered.
    if (line >= 1 && line <= 6 && systems_.lines[line].system == TimingSystem::B)
        return journalSystemB(impulse);
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    if (registeredCount_ >= MaxCount || channelCounts_[line] >= MaxCount) {
        outcome.notices.push_back(lang::TimeTableFullText().in(language_) + time);
        journal(impulse, 0);
        commit(outcome);
        return outcome;
    }
    int k = ++registeredCount_;
    if (feed_) ownRowsUnstored_.insert(k);
    setSetupField(field::RegisteredCount, std::to_string(k));
    int count = ++channelCounts_[line];
    setSetupField(field::ChannelCount(line), base::NumberToText(count));
    if (static_cast<int>(registered_.size()) <= k) registered_.resize(k + 1);
    auto& slot =
        registered_[k] = {time, "-", "-", identification(line, count), base::NumberToText(k)};
    slot.sourceNumber = impulse.number;
    queueTimeRow(k, {{entry::TimeIdField, slot.identification},
                     {entry::TimeTimeField, slot.time},
                     {entry::TimeNumberField, "-"},
                     {entry::TimeKindField, "-"}});
    journal(impulse, k);
    if (impulse.hasTime) preciseTimes_[k] = impulse.timeOfDay;
    fromTimer_[k] = impulse.source == devices::ImpulseSource::Timer;
    if (giveTo > 0) giveAtOnce(k, giveTo, outcome);
    if (impulse.hasTime) warnOutOfSync(impulse.timeOfDay, outcome);
    takeNextIntoList();
    outcome.acted = true;
    commit(outcome);
    return outcome;
}

void Meet::giveAtOnce(int k, int n, Outcome& outcome) {
    auto& slot = registered_[k];
    auto& competitor = competitors_[n];
    const std::string number = std::to_string(n);
    slot.given = true;
    slot.number = number;
    if (competitor.state == NotStarted) {
        keepGive(k, n, TimeUse::Start, competitor.start, slot.time);
        queueTrail(storage::MakeTrailEntry(storage::trail::Start, n, slot.identification,
                                           competitor.start, slot.time));
        competitor.start = slot.time;
        competitor.startRow = k;
        competitor.state = Started;
        slot.kind = words_[setup_.yes(field::StartAtSameTime) ? entry::OutAll : entry::Out];
        queueTimeRow(k, {{entry::TimeNumberField, number},
                         {entry::TimeKindField, slot.kind},
                         {entry::TimeCompetitorField, competitor.name}});
        if (setup_.yes(field::StartAtSameTime)) startAll(slot.time, k);
    } else {
        keepGive(k, n, TimeUse::Finish, competitor.finish, slot.time);
        queueTrail(storage::MakeTrailEntry(storage::trail::Finish, n, slot.identification,
                                           competitor.finish, slot.time));
        competitor.finish = slot.time;
        competitor.finishRow = k;
        competitor.state = Finished;
        slot.kind = words_[entry::In];
        queueTimeRow(k, {{entry::TimeNumberField, number},
                         {entry::TimeKindField, slot.kind},
                         {entry::TimeCompetitorField, competitor.name},
                         {entry::TimeInfoField, words_[entry::Transmitted]}});
        recordResult(n, outcome);
        warnIfClocksDiffer(n, outcome);
    }
    // The rows of the list that show him follow at once.
    for (int row = 0; row < CaptureRows; ++row)
        if (rowNumber(row) == n) setRowLamps(row, competitor.state);
}

Meet::TimeSource Meet::sourceOf(int timeRow, const std::string& time) const {
    auto found = fromTimer_.find(timeRow);
    if (timeRow < 1 || found == fromTimer_.end()) return TimeSource::Unknown;
    // A time changed since it was registered is the operator's, of neither clock.
    auto precise = preciseTimes_.find(timeRow);
    if (precise == preciseTimes_.end() ||
        base::PreciseTimeText(precise->second) != trimmed(time))
        return TimeSource::Unknown;
    return found->second ? TimeSource::Timer : TimeSource::Pc;
}

void Meet::warnIfClocksDiffer(int n, Outcome& outcome) const {
    const auto& competitor = competitors_[n];
    const auto start = sourceOf(competitor.startRow, competitor.start);
    const auto finish = sourceOf(competitor.finishRow, competitor.finish);
    if (start == TimeSource::Unknown || finish == TimeSource::Unknown || start == finish) return;
    outcome.notices.push_back(
        lang::MixedClocksText(language_, competitor.name, n, start == TimeSource::Timer));
}

Outcome Meet::registerImpulse(const devices::Impulse& impulse) {
    Turn turn(*this);
    const auto key = std::make_pair(impulse.channel, impulse.timeOfDay);
    if (impulse.registrable() && setup_.lineInUse(impulse.line) && !timerTimes_.count(key)) {
        // With the option, a number of a competitor who has not finished takes the time now.
        int giveTo = 0;
        if (giveNumberedAtOnce_ && impulse.number > 0) {
            const int n = wholeNumber(std::to_string(impulse.number));
            if (n > 0 && competitors_[n].state != Finished) giveTo = n;
            // A line set to time starts (or finishes) gives nothing else: a finish of one whose
            // start is missing waits in the list.
            const auto use = systems_.lines[impulse.line + 1].use;
            if (giveTo > 0 && ((use == LineUse::Start && competitors_[n].state != NotStarted) ||
                               (use == LineUse::Finish && competitors_[n].state == NotStarted)))
                giveTo = 0;
        }
        auto outcome = registerLine(impulse.line + 1, base::PreciseTimeText(impulse.timeOfDay),
                                    impulse, giveTo);
        if (outcome.acted) timerTimes_.insert(key);
        return outcome;
    }
    // Shown and journaled, never registered: a time sent again is marked as repeated.
    devices::Impulse journaled = impulse;
    if (impulse.registrable() && timerTimes_.count(key)) journaled.flags |= devices::Repeated;
    Outcome outcome;
    storeEdits(outcome);
    journal(journaled, 0);
    if (journaled.has(devices::Cleared))
        outcome.notices.push_back(journaled.raw + " (" + lang::TimerClearedText().in(language_) +
                                  ")");
    else if (journaled.has(devices::Disqualified))
        outcome.notices.push_back(journaled.raw + " (" +
                                  lang::TimerDisqualifiedText().in(language_) + ")");
    commit(outcome);
    return outcome;
}

// The time of this moment registered as a manual time on line 1; returns its slot. It shares
// the counts of line 1 with the captures, never their waiting time.
int Meet::registerNow(const std::string& now, const std::string& number) {
    int k = ++registeredCount_;
    if (feed_) ownRowsUnstored_.insert(k);
    setSetupField(field::RegisteredCount, std::to_string(k));
    int count = ++channelCounts_[1];
    setSetupField(field::ChannelCount(1), base::NumberToText(count));
    enterLatch_ = 1;
    if (static_cast<int>(registered_.size()) <= k) registered_.resize(k + 1);
    registered_[k] = {now, number, "-", identification(1, count), base::NumberToText(k)};
    return k;
}

void Meet::startAll(const std::string& startTime, int timeRow) {
    queueTrail(storage::MakeTrailEntry(
        storage::trail::StartAll, -1,
        timeRow >= 1 && timeRow < static_cast<int>(registered_.size())
            ? registered_[timeRow].identification
            : std::string("-"),
        "-", startTime));
    for (int n = 1; n < static_cast<int>(competitors_.size()); ++n) {
        // Every competitor of the count, and late entries numbered beyond it.
        if (n > highestNumber_ && !numberHeld(n)) continue;
        // A competitor with a planned start keeps it.
        if (competitors_[n].state == Finished || plannedStart(n)) continue;
        competitors_[n].start = startTime;
        competitors_[n].startRow = timeRow;
        competitors_[n].state = Started;
    }
}

Outcome Meet::giveTimeNow(int row, const std::string& now) {
    Turn turn(*this);
    Outcome outcome;
    if (enterLatch_ == 1) return outcome;
    storeEdits(outcome);  // the action acts on what is stored
    int n = rowNumber(row);
    if (n == 0) {
        tellNoCompetitor(row, outcome);
        return outcome;
    }
    auto& competitor = competitors_[n];
    // On a shared meet, a start or finish another station gave him a moment ago is not
    // overwritten: the time is registered for the list, and the operator told.
    if (feed_ && trimmed(seenTime(n, TimeUse::Finish)) == "-") {
        const TimeUse use =
            trimmed(seenTime(n, TimeUse::Start)) == "-" || startImpulseDue(n, now)
                ? TimeUse::Start
                : TimeUse::Finish;
        if (!givenElsewhere(n, use, seenTime(n, use)).empty()) {
            if (registeredCount_ >= MaxCount || channelCounts_[1] >= MaxCount) {
                outcome.notices.push_back(lang::TimeTableFullText().in(language_) + now);
                return outcome;
            }
            const int k = registerNow(now, "-");
            const auto& slot = registered_[k];
            refuseGivenElsewhere(n, use, slot.identification, now, outcome);
            auto impulse = OwnImpulse(devices::ImpulseSource::EnterKey, 1, now);
            journal(impulse, k);
            if (impulse.hasTime) preciseTimes_[k] = impulse.timeOfDay;
            fromTimer_[k] = false;
            queueTimeRow(k, {{entry::TimeIdField, slot.identification},
                             {entry::TimeTimeField, now},
                             {entry::TimeNumberField, "-"},
                             {entry::TimeKindField, "-"}});
            outcome.acted = true;
            takeNextIntoList();
            commit(outcome);
            return outcome;
        }
    }
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
    auto impulse = OwnImpulse(devices::ImpulseSource::EnterKey, 1, now);
    impulse.number = n;
    journal(impulse, k);
    if (impulse.hasTime) preciseTimes_[k] = impulse.timeOfDay;
    fromTimer_[k] = false;
    outcome.acted = true;
    // The time is given at once: it stays out of the list, times still waiting keep waiting.
    slot.given = true;
    // A competitor with a planned start is out already: a time near his plan is his start.
    const bool plannedStart = startImpulseDue(n, now);
    if (competitor.state == NotStarted || plannedStart) {
        const bool startsAll = setup_.yes(field::StartAtSameTime) && !plannedStart;
        keepGive(k, n, TimeUse::Start, competitor.start, now);
        if (plannedStart) {
            takePlannedStart(n, now, k, slot.identification, outcome);
        } else {
            queueTrail(storage::MakeTrailEntry(storage::trail::Start, n, slot.identification,
                                               competitor.start, now));
            competitor.start = now;
            competitor.startRow = k;
            competitor.state = Started;
        }
        setRowLamps(row, Started);
        slot.kind = words_[startsAll ? entry::OutAll : entry::Out];
        queueTimeRow(k, {{entry::TimeIdField, slot.identification},
                         {entry::TimeTimeField, now},
                         {entry::TimeNumberField, number},
                         {entry::TimeKindField, slot.kind},
                         {entry::TimeCompetitorField, name}});
        if (startsAll) startAll(now, k);
    } else {
        keepGive(k, n, TimeUse::Finish, competitor.finish, now);
        queueTrail(storage::MakeTrailEntry(storage::trail::Finish, n, slot.identification,
                                           competitor.finish, now));
        competitor.finish = now;
        competitor.finishRow = k;
        competitor.state = Finished;
        setRowLamps(row, Finished);
        queueTimeRow(k, {{entry::TimeIdField, slot.identification},
                         {entry::TimeTimeField, now},
                         {entry::TimeNumberField, number},
                         {entry::TimeKindField, words_[entry::In]},
                         {entry::TimeCompetitorField, name},
                         {entry::TimeInfoField, words_[entry::Transmitted]}});
        recordResult(n, outcome);
        warnIfClocksDiffer(n, outcome);
    }
    rows_[row].numberGiven = true;
    skipGiven();
    commit(outcome);
    return outcome;
}

Outcome Meet::giveRegisteredTime(int row) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
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
    const std::string identified =
        timeRow >= 1 && timeRow < static_cast<int>(registered_.size())
            ? registered_[timeRow].identification
            : std::string("-");
    // On a shared meet, a start or finish another station gave him a moment ago is not
    // overwritten: the time stays offered, and the operator is told.
    if (feed_ && trimmed(seenTime(n, TimeUse::Finish)) == "-") {
        const TimeUse use =
            trimmed(seenTime(n, TimeUse::Start)) == "-" || startImpulseDue(n, offered)
                ? TimeUse::Start
                : TimeUse::Finish;
        if (refuseGivenElsewhere(n, use, identified, offered, outcome)) {
            commit(outcome);
            return outcome;
        }
    }
    const bool plannedStart = startImpulseDue(n, offered);
    if (competitor.state == NotStarted || plannedStart) {
        const bool startsAll = setup_.yes(field::StartAtSameTime) && !plannedStart;
        keepGive(timeRow, n, TimeUse::Start, competitor.start, offered);
        if (plannedStart) {
            takePlannedStart(n, offered, timeRow, identified, outcome);
        } else {
            queueTrail(storage::MakeTrailEntry(storage::trail::Start, n, identified,
                                               competitor.start, offered));
            competitor.start = offered;
            competitor.startRow = timeRow;
            competitor.state = Started;
        }
        setRowLamps(row, Started);
        if (timeRow >= 1)
            queueTimeRow(timeRow, {{entry::TimeNumberField, number},
                                   {entry::TimeKindField,
                                    words_[startsAll ? entry::OutAll : entry::Out]},
                                   {entry::TimeCompetitorField, name}});
        line.regTime = line.regTimeIndex = "-";
        setWorkRow(row);
        line.numberGiven = true;
        if (startsAll) startAll(offered, timeRow);
    } else if (competitor.state == Started) {
        keepGive(timeRow, n, TimeUse::Finish, competitor.finish, offered);
        queueTrail(storage::MakeTrailEntry(storage::trail::Finish, n, identified,
                                           competitor.finish, offered));
        competitor.finish = offered;
        competitor.finishRow = timeRow;
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
        warnIfClocksDiffer(n, outcome);
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

// ---- a station's own journal ----

int Meet::sendKept(std::vector<Outcome>& outcomes) {
    namespace column = storage::column::impulse;
    if (!stationJournal_) return 0;
    const auto kept = stationJournal_->waiting();
    if (kept.empty()) return 0;
    // What the server holds of this station's impulses.
    std::set<long long> onServer;
    if (engine_.hasTable(path_, storage::StationImpulsesTable)) {
        if (!stationKeysTable_)
            stationKeysTable_ = engine_.openTable(path_, storage::StationImpulsesTable);
        for (const auto& row : stationKeysTable_->readAll())
            if (row.size() >= 2 && text(row[0]) == stationJournal_->station())
                onServer.insert(static_cast<long long>(base::TextToNumber(text(row[1]))));
    }
    int sent = 0;
    for (const auto& [sequence, record] : kept) {
        // Only what was registered is registered again; the rest was journaled alone.
        if (onServer.count(sequence) || static_cast<int>(record.size()) < column::Count ||
            !record[column::TimeRow] || !record[column::Microseconds])
            continue;
        devices::Impulse impulse;
        const std::string source = text(record[column::Source]);
        impulse.source = source == "line"     ? devices::ImpulseSource::ContactLine
                         : source == "key"    ? devices::ImpulseSource::FunctionKey
                         : source == "button" ? devices::ImpulseSource::LineButton
                         : source == "enter"  ? devices::ImpulseSource::EnterKey
                                              : devices::ImpulseSource::Timer;
        impulse.channel = text(record[column::Channel]);
        impulse.line = static_cast<int>(base::TextToNumber(text(record[column::Line]))) - 1;
        impulse.hasTime = true;
        impulse.timeOfDay =
            static_cast<base::DayMicroseconds>(base::TextToNumber(text(record[column::Microseconds])));
        impulse.decimals = static_cast<int>(base::TextToNumber(text(record[column::Decimals])));
        impulse.number = static_cast<int>(base::TextToNumber(text(record[column::Number])));
        impulse.flags = static_cast<unsigned>(base::TextToNumber(text(record[column::Flags])));
        impulse.raw = record[column::Raw].value_or("");
        if (impulse.line < 0 || impulse.line > 5) continue;
        const std::string time = base::PreciseTimeText(impulse.timeOfDay);
        keptAgain_ = sequence;
        outcomes.push_back(registerLine(impulse.line + 1, time, impulse));
        keptAgain_ = 0;
        ++sent;
    }
    // What needed no sending is known sent once everything else is stored.
    if (timesStored()) {
        try {
            stationJournal_->sent(kept.back().first);
        } catch (const std::exception&) {
            // Looked at again at the next opening; the server's key refuses a second copy.
        }
    }
    return sent;
}

}  // namespace kvt::meet
