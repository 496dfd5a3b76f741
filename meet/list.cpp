// The ten rows of the capture page's list: typed numbers, lamps, running times and the times
// waiting to enter.
#include "base/number_text.h"
#include "base/time_text.h"
#include "lang/window_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;

// A start number typed on a line: a whole number of one of the meet's competitors, else 0.
int Meet::wholeNumber(const std::string& value) const {
    const std::string digits = trimmed(value);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    int n = std::stoi(digits);
    if (n < 1 || n >= static_cast<int>(competitors_.size())) return 0;
    // One of the count, or a number a record was given beyond it (a late entry's own).
    return n <= highestNumber_ || numberHeld(n) ? n : 0;
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
    auto& line = rows_.at(row);
    const int n = rowNumber(row);
    const std::string typed = trimmed(line.number);
    line.noCompetitor = n == 0 && !typed.empty() && typed != "-";
    line.time.assign(1, '-');  // "-" (assigned as a text, GCC 12 warns falsely here)
    if (n == 0)
        line.name.assign(1, '-');
    else
        line.name = competitors_[n].name;
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
        if (competitor.state == Started) {
            // Before a planned start there is no race time yet.
            const bool waiting = plannedStart(n) && base::TimeHundredths(now) <
                                                        base::TimeHundredths(competitor.start);
            std::string time = waiting ? std::string(1, '-') : base::RaceTime(competitor.start, now);
            rows_[row].time = std::move(time);
        }
        if (competitor.state == Finished) rows_[row].time = raceTime(competitor);
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
    // A time taken back waits for the first free row before the times not offered yet.
    if (!offeredAgain_.empty()) {
        int row = 0;
        while (row < CaptureRows && rows_[row].ready) ++row;
        if (row == CaptureRows) return;
        const int k = offeredAgain_.front();
        offeredAgain_.erase(offeredAgain_.begin());
        offeredAgainUnstored_ = true;
        offerAgain(k);
        return;
    }
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
        rows_[row].number.assign(1, '-');  // "-" (GCC 12 warns falsely on the literal)
        rows_[row].numberGiven = false;
        showRow(row);
    }
    // A number its source gave fills an empty number, for the operator to confirm with "<<".
    if (slot.sourceNumber >= 0 && (trimmed(rows_[row].number) == "-" ||
                                   trimmed(rows_[row].number).empty()))
        typeNumber(row, trimmed(base::NumberToText(slot.sourceNumber)));
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
    if (fetchedCount_ < registeredCount_ || !offeredAgain_.empty()) takeNextIntoList();
}

Outcome Meet::deleteRow(int row) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    removeRow(row);
    outcome.acted = true;
    commit(outcome);
    return outcome;
}

}  // namespace kvt::meet
