#include "meet/class_results.h"

#include <algorithm>
#include <numeric>

#include "base/time_text.h"

namespace kvt::meet {

void ClassResults::load(std::vector<ResultRow> rows) {
    rows_ = std::move(rows);
    storedCount_ = static_cast<int>(rows_.size());
    changed_.clear();
    ranking_.resize(rows_.size());
    std::iota(ranking_.begin(), ranking_.end(), 0);
    times_.clear();
    differenceWinner_.clear();
}

void ClassResults::append(ResultRow row) {
    rows_.push_back(std::move(row));
    ranking_.push_back(static_cast<int>(rows_.size()) - 1);
}

void ClassResults::remove(int index) {
    rows_.erase(rows_.begin() + index);
    if (index < static_cast<int>(times_.size())) times_.erase(times_.begin() + index);
    if (index < static_cast<int>(differenceWinner_.size()))
        differenceWinner_.erase(differenceWinner_.begin() + index);
    // Every stored record from the removed one on holds the row below it now.
    const int count = static_cast<int>(rows_.size());
    for (int i = index; i < std::min(storedCount_, count); ++i) rewritten_.insert(i);
    std::set<int> changed;
    for (int i : changed_)
        if (i < index) changed.insert(i);
    changed_ = std::move(changed);
    std::set<int> rewritten;
    for (int i : rewritten_)
        if (i < count && i < storedCount_) rewritten.insert(i);
    rewritten_ = std::move(rewritten);
    ranking_.resize(count);
    std::iota(ranking_.begin(), ranking_.end(), 0);
}

void ClassResults::replace(int index, ResultRow row) {
    rows_.at(index) = std::move(row);
    if (index < static_cast<int>(times_.size())) times_[index] = NotComputed;
    if (index < static_cast<int>(differenceWinner_.size())) differenceWinner_[index] = NotComputed;
    if (index < storedCount_) rewritten_.insert(index);
}

int ClassResults::indexOf(int number) const {
    for (int i = 0; i < static_cast<int>(rows_.size()); ++i)
        if (rows_[i].number == number) return i;
    return -1;
}

void ClassResults::rank(const RaceHundredths& raceTime, bool differences, int timeFormat,
                        const Unranked& unranked) {
    const int count = static_cast<int>(rows_.size());
    times_.resize(count, NotComputed);
    differenceWinner_.resize(count, NotComputed);
    for (int i = 0; i < count; ++i)
        if (times_[i] == NotComputed) times_[i] = raceTime(rows_[i]);
    const auto& times = times_;
    if (timeFormat != differenceFormat_) {
        std::fill(differenceWinner_.begin(), differenceWinner_.end(), NotComputed);
        differenceFormat_ = timeFormat;
    }
    std::vector<std::string> statuses;
    if (unranked) {
        statuses.resize(count);
        for (int i = 0; i < count; ++i) statuses[i] = unranked(rows_[i]);
    }
    ranking_.resize(count);
    std::iota(ranking_.begin(), ranking_.end(), 0);
    // The rows without a place go to the end first, keeping the order they were recorded in.
    auto placed = ranking_.end();
    if (unranked)
        placed = std::stable_partition(ranking_.begin(), ranking_.end(),
                                       [&](int i) { return statuses[i].empty(); });
    // A row whose time cannot be known goes after every timed one.
    std::stable_sort(ranking_.begin(), placed, [&](int a, int b) {
        if ((times[a] < 0) != (times[b] < 0)) return times[b] < 0;
        return times[a] < times[b];
    });
    const long long winner = placed != ranking_.begin() ? times[ranking_[0]] : 0;
    static const std::string ranked;
    for (int place = 1; place <= count; ++place) {
        const int index = ranking_[place - 1];
        ResultRow& row = rows_[index];
        const std::string& status = statuses.empty() ? ranked : statuses[index];
        bool changed = false;
        if (row.status != status) {
            row.status = status;
            differenceWinner_[index] = NotComputed;
            changed = true;
        }
        const int shownPlace = status.empty() ? place : 0;
        if (row.place != shownPlace) {
            row.place = shownPlace;
            changed = true;
        }
        if (differences && differenceWinner_[index] != winner) {
            differenceWinner_[index] = winner;
            std::string difference = "-";
            if (status.empty() && times[index] >= 0 && winner >= 0)
                difference =
                    base::FormatResultTime(base::HundredthsText(times[index] - winner), timeFormat);
            if (row.difference != difference) {
                row.difference = difference;
                changed = true;
            }
        }
        if (changed && index < storedCount_) changed_.insert(index);
    }
}

void ClassResults::markStored() {
    storedCount_ = static_cast<int>(rows_.size());
    changed_.clear();
    rewritten_.clear();
}

}  // namespace kvt::meet
