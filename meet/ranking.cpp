// Results: a finish recorded into its class, places and differences.
#include "base/time_text.h"
#include "lang/meet_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;

// ---- results ----

long long Meet::raceHundredths(const ResultRow& row) const {
    {
        const auto& competitor = this->competitor(row.number);
        if (competitor.state == Finished && competitor.start != "-" && competitor.finish != "-")
            return raceHundredths(competitor);
    }
    return base::ResultHundredths(row.result);
}

void Meet::rank(int classNumber) {
    ClassResults::Unranked unranked;
    if (setup_.yes(field::StatusesInResults) || !raceStatuses_.empty() || !runStatuses_.empty())
        unranked = [this](const ResultRow& row) { return unrankedStatus(row.number); };
    results_.at(classNumber)
        .rank([this](const ResultRow& row) { return raceHundredths(row); },
              setup_.yes(field::Differences), setup_.timeFormat(), unranked);
}

void Meet::recordResult(int n, Outcome& outcome) {
    const auto& competitor = competitors_[n];
    const std::string className = trimmed(competitor.className);
    const std::string raw = raceTime(competitor);
    outcome.finished = true;
    outcome.shownClass = 0;
    // "-" is the placeholder of an unnamed class: it is no class.
    if (!className.empty() && className != "-") {
        for (int c = 1; c <= classCount_; ++c) {
            if (trimmed(classNames_[c]) != className) continue;
            ResultRow row;
            row.number = n;
            row.competitor = competitor.name;
            row.club = competitor.club;
            row.result = base::FormatResultTime(raw, setup_.timeFormat());
            results_[c].append(std::move(row));
            rank(c);
            outcome.shownClass = c;
        }
    }
    if (outcome.shownClass > 0) {
        waitingResults_.erase(n);
        return;
    }
    waitingResults_.insert(n);
    outcome.notices.push_back(lang::NoClassForFinishText().in(language_) + competitor.name + " (" +
                              std::to_string(n) + "): \"" + competitor.className + "\"");
}

void Meet::recordWaitingResults(Outcome& outcome) {
    for (int n : std::vector<int>(waitingResults_.begin(), waitingResults_.end())) {
        const std::string className = trimmed(competitors_[n].className);
        if (className.empty() || className == "-") continue;
        bool matches = false;
        for (int c = 1; c <= classCount_; ++c)
            matches = matches || trimmed(classNames_[c]) == className;
        if (!matches || competitors_[n].state != Finished) continue;
        Outcome recorded;
        recordResult(n, recorded);
        outcome.finished = true;
        outcome.shownClass = recorded.shownClass;
    }
}

Outcome Meet::rankClass(int classNumber) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    if (classNumber >= 1 && classNumber <= classCount_) rank(classNumber);
    commit(outcome);
    return outcome;
}

Outcome Meet::rankAll() {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    for (int c = 1; c <= classCount_; ++c) rank(c);
    commit(outcome);
    return outcome;
}

}  // namespace kvt::meet
