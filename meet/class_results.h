// The results of one class as the meet keeps them: the rows of its results table in stored
// order, ranked in memory, with what is not yet stored.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace kvt::meet {

struct ResultRow {
    int place = 0;
    int number = 0;
    std::string competitor;
    std::string club;
    std::string result;  // the result text of the time format chosen when it was recorded
    std::string difference = "-";
    // The text that stands in the place of the result while the competitor has no place
    // (disqualified, gave up); empty while he is ranked.
    std::string status;
    // The result as the table holds it.
    const std::string& shownResult() const { return status.empty() ? result : status; }
};

class ClassResults {
public:
    // The race time of a row in hundredths; rows whose time is not known sort by their result.
    using RaceHundredths = std::function<long long(const ResultRow&)>;
    // The status text of a row that gets no place; empty for a row that is ranked.
    using Unranked = std::function<std::string(const ResultRow&)>;

    // Rows in stored order: row k - 1 is record k of the table.
    const std::vector<ResultRow>& rows() const { return rows_; }
    // Row indexes from the first place to the last.
    const std::vector<int>& ranking() const { return ranking_; }

    // The rows as read from the table (all stored).
    void load(std::vector<ResultRow> rows);
    void append(ResultRow row);
    // Row index taken out (a finish taken back or given to another): the rows after it move
    // up one record, and the table loses its last record when stored.
    void remove(int index);
    // Row index holds another competitor or another time in its place (recorded order kept).
    void replace(int index, ResultRow row);
    // The row of start number n, -1 when the class has none.
    int indexOf(int number) const;
    // Places from the fastest race time, equal times in the order they were recorded; with
    // differences, each row's race time minus the winner's in the time format given. The rows
    // whose place or difference changed are remembered until stored. Rows that unranked
    // names get no place and no difference: they follow the ranked ones in the order they
    // were recorded, and the winner is the fastest of the others. Without unranked every row
    // is ranked (and a status that rows still had is cleared).
    void rank(const RaceHundredths& raceTime, bool differences, int timeFormat,
              const Unranked& unranked = {});

    // The records the table holds: rows from storedCount() on are added when stored, and
    // records beyond the rows are taken away. Stored rows whose place or difference changed,
    // and those whose every field changed (rewrittenRows, a row removed or replaced).
    int storedCount() const { return storedCount_; }
    const std::set<int>& changedRows() const { return changed_; }
    const std::set<int>& rewrittenRows() const { return rewritten_; }
    bool allStored() const {
        return storedCount_ == static_cast<int>(rows_.size()) && changed_.empty() &&
               rewritten_.empty();
    }
    void markStored();

private:
    std::vector<ResultRow> rows_;
    std::vector<int> ranking_;
    // Each row's race time once computed (a finished competitor's times do not change), and
    // the winner and time format its difference was written for.
    static constexpr long long NotComputed = -2;
    std::vector<long long> times_;
    std::vector<long long> differenceWinner_;
    int differenceFormat_ = -100;
    int storedCount_ = 0;
    std::set<int> changed_;    // indexes of stored rows
    std::set<int> rewritten_;  // indexes of stored rows, every field
};

}  // namespace kvt::meet
