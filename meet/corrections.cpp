// Corrections of the times given: a time given to another start number, a start or finish
// taken back, a time set by hand, and undo and redo of them. Each changes what Time-table rows
// are given to (never deletes one), follows it through the competitors, the list and the
// results, and commits once.
#include <algorithm>

#include "base/number_text.h"
#include "base/time_text.h"
#include "lang/correction_texts.h"
#include "lang/run_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;

namespace {

const std::string None = "-";
const std::string Offered = "offered";

// One side of a correction as the trail keeps it: "12: 7 Inn; 15: -; 16: offered".
std::string sideText(const std::vector<TimeChange>& changes, bool after) {
    std::string text;
    for (const auto& change : changes) {
        const std::string number = trimmed(after ? change.numberAfter : change.numberBefore);
        const std::string kind = trimmed(after ? change.kindAfter : change.kindBefore);
        const bool offer = after ? change.offerAfter : change.offerBefore;
        std::string one = std::to_string(change.row) + ": ";
        if (number.empty() || number == None)
            one += offer ? Offered : None;
        else
            one += number + " " + kind;
        text += (text.empty() ? "" : "; ") + one;
    }
    return text;
}

// The rows of one side read back; false when the text is not one sideText wrote.
bool readSide(const std::string& text, bool after, std::vector<TimeChange>& changes) {
    std::vector<TimeChange> read;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find("; ", at);
        if (end == std::string::npos) end = text.size();
        const std::string one = text.substr(at, end - at);
        at = end + 2;
        const std::size_t colon = one.find(": ");
        if (colon == std::string::npos || colon == 0 ||
            one.find_first_not_of("0123456789") != colon)
            return false;
        TimeChange change;
        change.row = std::stoi(one.substr(0, colon));
        const std::string rest = one.substr(colon + 2);
        std::string number = None, kind = None;
        bool offer = false;
        if (rest == Offered) {
            offer = true;
        } else if (rest != None) {
            const std::size_t space = rest.find(' ');
            if (space == std::string::npos) return false;
            number = rest.substr(0, space);
            kind = rest.substr(space + 1);
        }
        (after ? change.numberAfter : change.numberBefore) = number;
        (after ? change.kindAfter : change.kindBefore) = kind;
        (after ? change.offerAfter : change.offerBefore) = offer;
        read.push_back(change);
    }
    if (changes.empty()) changes.resize(read.size());
    if (read.size() != changes.size() || read.empty()) return false;
    for (std::size_t i = 0; i < read.size(); ++i) {
        if (changes[i].row != 0 && changes[i].row != read[i].row) return false;
        changes[i].row = read[i].row;
        if (after) {
            changes[i].numberAfter = read[i].numberAfter;
            changes[i].kindAfter = read[i].kindAfter;
            changes[i].offerAfter = read[i].offerAfter;
        } else {
            changes[i].numberBefore = read[i].numberBefore;
            changes[i].kindBefore = read[i].kindBefore;
            changes[i].offerBefore = read[i].offerBefore;
        }
    }
    return true;
}

// The trail row of a correction, of its undo (the sides swapped) or of its redo.
storage::TrailEntry trailEntry(const Correction& correction, const std::string& action,
                               bool undo) {
    return storage::MakeTrailEntry(action, correction.number, correction.what,
                                   sideText(correction.changes, undo),
                                   sideText(correction.changes, !undo), correction.reason);
}

}  // namespace

void Meet::loadCorrections() {
    done_.clear();
    undone_.clear();
    for (const auto& entry : trail_) {
        // Undo and redo act within the run being timed.
        if (!ofThisRun(entry)) continue;
        if (entry.action == storage::trail::Undo) {
            if (done_.empty()) continue;
            undone_.push_back(std::move(done_.back()));
            done_.pop_back();
        } else if (entry.action == storage::trail::Redo) {
            if (undone_.empty()) continue;
            done_.push_back(std::move(undone_.back()));
            undone_.pop_back();
        } else if (entry.action == storage::trail::Reassign ||
                   entry.action == storage::trail::TakeBack ||
                   entry.action == storage::trail::HandTime) {
            Correction correction;
            correction.action = entry.action;
            correction.number = entry.number;
            correction.what = entry.subject;
            correction.reason = entry.reason;
            if (!readSide(entry.before, false, correction.changes) ||
                !readSide(entry.after, true, correction.changes))
                continue;
            done_.push_back(std::move(correction));
            undone_.clear();
        }
    }
}

// ---- what a competitor holds ----

// A competitor's start and finish as the Time table gives them, row by row as the opening
// reads them.
void Meet::retime(int n) {
    auto& competitor = competitors_[n];
    competitor.start = competitor.finish = None;
    competitor.startRow = competitor.finishRow = 0;
    competitor.state = NotStarted;
    const std::string outAll = withoutBlanks(words_[entry::OutAll]);
    const std::string out = withoutBlanks(words_[entry::Out]);
    const std::string in = withoutBlanks(words_[entry::In]);
    const int last = std::min(registeredCount_, static_cast<int>(registered_.size()) - 1);
    for (int k = 1; k <= last; ++k) {
        const auto& slot = registered_[k];
        const std::string kind = withoutBlanks(slot.kind);
        if (kind != outAll && kind != out && kind != in) continue;
        if (runOf(k) != run_) continue;  // another run's time
        if (kind != outAll && wholeNumber(slot.number) != n) continue;
        if (kind == in) {
            competitor.finish = slot.time;
            competitor.finishRow = k;
            competitor.state = Finished;
        } else if (kind == out || competitor.state != Finished) {
            competitor.start = slot.time;
            competitor.startRow = k;
            if (competitor.state != Finished) competitor.state = Started;
        }
    }
    // A planned start, or his class's start all at once, stands as the opening reads it.
    if (plannedStart(n)) {
        applyPlan(n);
    } else if (const int c = classOf(n); c > 0) {
        const auto found = starts_.classes.find(c);
        if (found != starts_.classes.end() && found->second.massTime != None &&
            competitor.start == None) {
            competitor.start = found->second.massTime;
            competitor.startRow = found->second.massRow;
            if (competitor.state == NotStarted) competitor.state = Started;
        }
    }
}

ResultRow Meet::resultRow(int n) const {
    const auto& competitor = competitors_[n];
    ResultRow row;
    row.number = n;
    row.competitor = competitor.name;
    row.club = competitor.club;
    row.result = base::FormatResultTime(raceTime(competitor), setup_.timeFormat());
    return row;
}

// ---- the list ----

void Meet::takeOutOfList(int timeRow) {
    for (int i = 0; i < CaptureRows; ++i) {
        auto& line = rows_[i];
        if (!line.ready || static_cast<int>(base::TextToNumber(line.regTimeIndex)) != timeRow)
            continue;
        line.regTime = line.regTimeIndex = None;
        line.ready = false;
        setWorkRow(i);
    }
    auto found = std::find(offeredAgain_.begin(), offeredAgain_.end(), timeRow);
    if (found != offeredAgain_.end()) {
        offeredAgain_.erase(found);
        offeredAgainUnstored_ = true;
    }
}

void Meet::offerAgain(int timeRow) {
    registered_[timeRow].given = false;
    for (int i = 0; i < CaptureRows; ++i)
        if (rows_[i].ready && static_cast<int>(base::TextToNumber(rows_[i].regTimeIndex)) == timeRow)
            return;  // offered already
    // A time still waiting for its turn keeps it.
    if (timeRow > fetchedCount_) return;
    if (std::find(offeredAgain_.begin(), offeredAgain_.end(), timeRow) != offeredAgain_.end())
        return;
    int row = 0;
    while (row < CaptureRows && rows_[row].ready) ++row;
    if (row == CaptureRows) {
        offeredAgain_.push_back(timeRow);
        offeredAgainUnstored_ = true;
        return;
    }
    auto& line = rows_[row];
    if (line.numberGiven) {
        line.number = None;
        line.numberGiven = false;
        showRow(row);
    }
    line.regTime = registered_[timeRow].time;
    line.regTimeIndex = registered_[timeRow].rowIndex;
    line.ready = true;
    setWorkRow(row);
}

void Meet::loadOfferedAgain(const std::string& value) {
    offeredAgain_.clear();
    base::Tokenizer tokens;
    for (std::string token = tokens.NextToken(value, " ,"); !token.empty();
         token = tokens.NextToken("", " ,")) {
        const int k = static_cast<int>(base::TextToNumber(token));
        if (k >= 1 && k <= registeredCount_ && k < static_cast<int>(registered_.size()) &&
            trimmed(registered_[k].kind) == None)
            offeredAgain_.push_back(k);
    }
    for (int k : offeredAgain_) registered_[k].given = false;
}

// ---- applying changes ----

bool Meet::changesHold(const std::vector<TimeChange>& changes, bool forward) const {
    for (const auto& change : changes) {
        if (change.row < 1 || change.row > registeredCount_ ||
            change.row >= static_cast<int>(registered_.size()))
            return false;
        const auto& slot = registered_[change.row];
        const std::string& number = forward ? change.numberBefore : change.numberAfter;
        const std::string& kind = forward ? change.kindBefore : change.kindAfter;
        if (wholeNumber(slot.number) != wholeNumber(number) ||
            withoutBlanks(slot.kind) != withoutBlanks(kind))
            return false;
    }
    // A competitor given another start or finish since (by Enter, "<<" or a timer) keeps it:
    // the row is not given back to him beside it.
    std::set<int> rows;
    for (const auto& change : changes) rows.insert(change.row);
    const std::string out = withoutBlanks(words_[entry::Out]);
    const std::string in = withoutBlanks(words_[entry::In]);
    const int last = std::min(registeredCount_, static_cast<int>(registered_.size()) - 1);
    for (const auto& change : changes) {
        const int n = wholeNumber(forward ? change.numberAfter : change.numberBefore);
        const std::string kind = withoutBlanks(forward ? change.kindAfter : change.kindBefore);
        if (n <= 0 || (kind != out && kind != in)) continue;
        for (int k = 1; k <= last; ++k)
            if (!rows.count(k) && runOf(k) == run_ && wholeNumber(registered_[k].number) == n &&
                withoutBlanks(registered_[k].kind) == kind)
                return false;
    }
    return true;
}

void Meet::applyChanges(const std::vector<TimeChange>& changes, bool forward, Outcome& outcome) {
    std::set<int> affected;
    for (const auto& change : changes) {
        for (const auto* number : {&change.numberBefore, &change.numberAfter})
            if (int n = wholeNumber(*number); n > 0) affected.insert(n);
        const std::string& number = forward ? change.numberAfter : change.numberBefore;
        const std::string& kind = forward ? change.kindAfter : change.kindBefore;
        const bool offer = forward ? change.offerAfter : change.offerBefore;
        const int n = wholeNumber(number);
        std::map<int, std::string> fields{{entry::TimeNumberField, number},
                                          {entry::TimeKindField, kind},
                                          {entry::TimeCompetitorField,
                                           n > 0 ? competitors_[n].name : None}};
        queueTimeRow(change.row, std::move(fields));
        if (n > 0) {
            registered_[change.row].given = true;
            takeOutOfList(change.row);
        } else if (offer) {
            offerAgain(change.row);
        } else {
            registered_[change.row].given = true;
            takeOutOfList(change.row);
        }
    }
    // The competitors follow the Time table; their results follow them. A finish that goes
    // from one competitor to another of the same class keeps its place in recorded order.
    std::set<int> touched;
    std::map<int, std::vector<int>> freed;  // class: rows whose competitor lost his finish
    std::vector<int> gained;
    for (int n : affected) {
        retime(n);
        const bool finished = competitors_[n].state == Finished;
        bool found = false;
        for (int c = 1; c <= classCount_; ++c) {
            const int index = results_[c].indexOf(n);
            if (index < 0) continue;
            found = true;
            touched.insert(c);
            if (finished)
                results_[c].replace(index, resultRow(n));
            else
                freed[c].push_back(index);
        }
        if (!finished) waitingResults_.erase(n);
        if (finished && !found && !waitingResults_.count(n)) gained.push_back(n);
    }
    for (int n : gained) {
        const int c = classOf(n);
        if (c > 0 && !freed[c].empty()) {
            results_[c].replace(freed[c].back(), resultRow(n));
            freed[c].pop_back();
            outcome.finished = true;
            outcome.shownClass = c;
            continue;
        }
        recordResult(n, outcome);
    }
    for (auto& [c, indexes] : freed) {
        std::sort(indexes.rbegin(), indexes.rend());
        for (int index : indexes) results_[c].remove(index);
    }
    for (int c : touched) rank(c);
    for (int i = 0; i < CaptureRows; ++i)
        if (affected.count(rowNumber(i))) showRow(i);
    outcome.acted = true;
}

Outcome Meet::correct(Correction correction) {
    Turn turn(*this);
    Outcome outcome;
    applyChanges(correction.changes, true, outcome);
    queueTrail(trailEntry(correction, correction.action, false));
    done_.push_back(std::move(correction));
    undone_.clear();
    commit(outcome);
    return outcome;
}

// ---- the corrections ----

Outcome Meet::reassignTime(int timeRow, int number) {
    Turn turn(*this);
    Outcome outcome;
    if (refusedWithoutTurn(outcome)) return outcome;
    storeEdits(outcome);  // the action acts on what is stored
    if (timeRow < 1 || timeRow > registeredCount_ ||
        timeRow >= static_cast<int>(registered_.size())) {
        outcome.notices.push_back(lang::NoSuchTimeText(language_, timeRow));
        return outcome;
    }
    const int n = number >= 1 && wholeNumber(std::to_string(number)) == number ? number : 0;
    if (n == 0) {
        outcome.notices.push_back(lang::NoCompetitorNumberText(language_, std::to_string(number)));
        return outcome;
    }
    const auto& slot = registered_[timeRow];
    const std::string kind = withoutBlanks(slot.kind);
    const bool given = kind == withoutBlanks(words_[entry::Out]) ||
                       kind == withoutBlanks(words_[entry::In]);
    // A time given in another run is that run's: it is corrected while that run is timed.
    if (given && runOf(timeRow) != run_) {
        outcome.notices.push_back(lang::OtherRunTimeText().in(language_) +
                                  std::to_string(runOf(timeRow)));
        return outcome;
    }
    if (kind == withoutBlanks(words_[entry::OutAll])) {
        outcome.notices.push_back(lang::StartOfAllText(language_));
        return outcome;
    }
    const int holder = given ? wholeNumber(slot.number) : 0;
    if (holder == n) return outcome;
    // The holder of a start who finished would keep a finish without a start.
    if (holder > 0 && kind == withoutBlanks(words_[entry::Out]) &&
        competitors_[holder].state == Finished && competitors_[holder].startRow == timeRow) {
        outcome.notices.push_back(lang::HasFinishText(language_, holder));
        return outcome;
    }
    if (competitors_[n].state == Finished) {
        outcome.notices.push_back(lang::HasFinishText(language_, n));
        return outcome;
    }
    TimeChange change;
    change.row = timeRow;
    change.numberBefore = given ? slot.number : None;
    change.kindBefore = given ? slot.kind : None;
    change.offerBefore = !given;
    change.numberAfter = std::to_string(n);
    change.kindAfter = words_[competitors_[n].state == NotStarted ? entry::Out : entry::In];
    Correction correction;
    correction.action = storage::trail::Reassign;
    correction.number = n;
    correction.what = lang::ReassignedText(language_, timeRow, holder, n);
    correction.changes.push_back(change);
    return correct(std::move(correction));
}

Outcome Meet::takeBack(int number, TimeUse which) {
    Turn turn(*this);
    Outcome outcome;
    if (refusedWithoutTurn(outcome)) return outcome;
    storeEdits(outcome);  // the action acts on what is stored
    const bool finish = which == TimeUse::Finish;
    const int n = number >= 1 && wholeNumber(std::to_string(number)) == number ? number : 0;
    if (n == 0) {
        outcome.notices.push_back(lang::NoCompetitorNumberText(language_, std::to_string(number)));
        return outcome;
    }
    const auto& competitor = competitors_[n];
    const int row = finish ? competitor.finishRow : competitor.startRow;
    const bool held = finish ? competitor.state == Finished : competitor.state != NotStarted;
    if (!held || row < 1 || row >= static_cast<int>(registered_.size())) {
        outcome.notices.push_back(lang::NothingToTakeBackText(language_, n, finish));
        return outcome;
    }
    if (!finish && competitor.state == Finished) {
        outcome.notices.push_back(lang::HasFinishText(language_, n));
        return outcome;
    }
    const auto& slot = registered_[row];
    if (withoutBlanks(slot.kind) == withoutBlanks(words_[entry::OutAll])) {
        outcome.notices.push_back(lang::StartOfAllText(language_));
        return outcome;
    }
    TimeChange change;
    change.row = row;
    change.numberBefore = slot.number;
    change.kindBefore = slot.kind;
    change.offerAfter = true;
    Correction correction;
    correction.action = storage::trail::TakeBack;
    correction.number = n;
    correction.what = lang::TakenBackText(language_, n, finish);
    correction.changes.push_back(change);
    return correct(std::move(correction));
}

Outcome Meet::takeBackTime(int timeRow) {
    Turn turn(*this);
    if (timeRow < 1 || timeRow > registeredCount_ ||
        timeRow >= static_cast<int>(registered_.size())) {
        Outcome outcome;
        outcome.notices.push_back(lang::NoSuchTimeText(language_, timeRow));
        return outcome;
    }
    const auto& slot = registered_[timeRow];
    const std::string kind = withoutBlanks(slot.kind);
    const int n = wholeNumber(slot.number);
    const bool finish = kind == withoutBlanks(words_[entry::In]);
    if (runOf(timeRow) != run_ && (finish || kind == withoutBlanks(words_[entry::Out]))) {
        Outcome outcome;
        outcome.notices.push_back(lang::OtherRunTimeText().in(language_) +
                                  std::to_string(runOf(timeRow)));
        return outcome;
    }
    if (kind == withoutBlanks(words_[entry::OutAll])) {
        Outcome outcome;
        outcome.notices.push_back(lang::StartOfAllText(language_));
        return outcome;
    }
    // Only the row a competitor holds now is his to take back.
    if (n == 0 || (!finish && kind != withoutBlanks(words_[entry::Out])) ||
        (finish ? competitors_[n].finishRow : competitors_[n].startRow) != timeRow) {
        Outcome outcome;
        outcome.notices.push_back(lang::NotGivenText(language_, timeRow));
        return outcome;
    }
    return takeBack(n, finish ? TimeUse::Finish : TimeUse::Start);
}

Outcome Meet::setHandTime(int number, TimeUse which, const std::string& time,
                          const std::string& reason) {
    Turn turn(*this);
    Outcome outcome;
    if (refusedWithoutTurn(outcome)) return outcome;
    storeEdits(outcome);  // the action acts on what is stored
    const bool finish = which == TimeUse::Finish;
    const int n = number >= 1 && wholeNumber(std::to_string(number)) == number ? number : 0;
    if (n == 0) {
        outcome.notices.push_back(lang::NoCompetitorNumberText(language_, std::to_string(number)));
        return outcome;
    }
    // HH.MM.SS.hh (or with fewer parts), within a day; colons and a comma as a watch may show
    // them count as the points.
    const std::string typed = trimmed(time);
    const bool digits = !typed.empty() && typed.find_first_not_of("0123456789.:,") == std::string::npos;
    std::string dotted = typed;
    std::replace_if(dotted.begin(), dotted.end(), [](char c) { return c == ':' || c == ','; }, '.');
    const long long hundredths = digits ? base::TimeHundredths(dotted) : -1;
    if (hundredths < 0 || hundredths >= 24LL * 3600 * 100) {
        outcome.notices.push_back(lang::NotATimeText(language_, typed));
        return outcome;
    }
    const std::string why = trimmed(reason);
    if (why.empty()) {
        outcome.notices.push_back(lang::ReasonNeededText(language_));
        return outcome;
    }
    const auto& competitor = competitors_[n];
    if (finish && competitor.state == NotStarted) {
        outcome.notices.push_back(lang::NoStartText(language_, n));
        return outcome;
    }
    if (registeredCount_ >= MaxCount || channelCounts_[1] >= MaxCount) {
        outcome.notices.push_back(lang::TimeTableFullText().in(language_) + typed);
        return outcome;
    }
    const std::string text = base::HundredthsText(hundredths);
    // A time of its own, counted on line 1 as the times given by Enter are.
    const int k = ++registeredCount_;
    if (feed_) ownRowsUnstored_.insert(k);
    setSetupField(field::RegisteredCount, std::to_string(k));
    const int count = ++channelCounts_[1];
    setSetupField(field::ChannelCount(1), base::NumberToText(count));
    if (static_cast<int>(registered_.size()) <= k) registered_.resize(k + 1);
    auto& slot = registered_[k] = {text, None, None, identification(1, count),
                                   base::NumberToText(k)};
    slot.given = true;
    queueTimeRow(k, {{entry::TimeIdField, slot.identification},
                     {entry::TimeTimeField, text},
                     {entry::TimeNumberField, None},
                     {entry::TimeKindField, None},
                     {entry::TimeInfoField, why}});
    skipGiven();
    Correction correction;
    correction.action = storage::trail::HandTime;
    correction.number = n;
    correction.what = lang::HandTimeText(language_, n, finish, text);
    correction.reason = why;
    const int replaced = finish ? competitor.finishRow : competitor.startRow;
    if (replaced >= 1 && replaced < static_cast<int>(registered_.size()) &&
        withoutBlanks(registered_[replaced].kind) != withoutBlanks(words_[entry::OutAll]) &&
        (finish ? competitor.state == Finished : competitor.state != NotStarted)) {
        TimeChange out;
        out.row = replaced;
        out.numberBefore = registered_[replaced].number;
        out.kindBefore = registered_[replaced].kind;
        correction.changes.push_back(out);
    }
    TimeChange hand;
    hand.row = k;
    hand.numberAfter = std::to_string(n);
    hand.kindAfter = words_[finish ? entry::In : entry::Out];
    correction.changes.push_back(hand);
    return correct(std::move(correction));
}

Outcome Meet::replay(bool forward) {
    Turn turn(*this);
    Outcome outcome;
    if (refusedWithoutTurn(outcome)) return outcome;
    storeEdits(outcome);  // the action acts on what is stored
    auto& from = forward ? undone_ : done_;
    auto& to = forward ? done_ : undone_;
    if (from.empty()) {
        outcome.notices.push_back(forward ? lang::NothingToRedoText(language_)
                                          : lang::NothingToUndoText(language_));
        return outcome;
    }
    auto& last = from.back();
    if (!changesHold(last.changes, forward)) {
        outcome.notices.push_back(lang::CannotUndoText(language_));
        return outcome;
    }
    applyChanges(last.changes, forward, outcome);
    queueTrail(trailEntry(last, forward ? storage::trail::Redo : storage::trail::Undo, !forward));
    to.push_back(std::move(last));
    from.pop_back();
    commit(outcome);
    return outcome;
}

Outcome Meet::undo() {
    return replay(false);
}

Outcome Meet::redo() {
    return replay(true);
}

}  // namespace kvt::meet
