// The operator's settings of a class's start, and the draw of the planned starts.
#include <algorithm>
#include <random>

#include "base/time_text.h"
#include "lang/run_texts.h"
#include "lang/start_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"
#include "storage/schema.h"
#include "storage/trail.h"

namespace kvt::meet {

using namespace detail;

namespace {

// The class's competitors in the order they start.
std::vector<int> startingOrder(const ClassStart& start, std::vector<int> members,
                               std::mt19937& random) {
    switch (start.order) {
        case StartOrder::Random:
            std::shuffle(members.begin(), members.end(), random);
            break;
        case StartOrder::List:
        case StartOrder::RunBefore:
        case StartOrder::RunBeforeReversed:
        case StartOrder::BestReversed: {
            // A later run's order is the list the run before gives.
            std::vector<int> ordered;
            for (int n : start.listOrder)
                if (std::binary_search(members.begin(), members.end(), n) &&
                    std::find(ordered.begin(), ordered.end(), n) == ordered.end())
                    ordered.push_back(n);
            for (int n : members)
                if (std::find(ordered.begin(), ordered.end(), n) == ordered.end())
                    ordered.push_back(n);
            members = std::move(ordered);
            break;
        }
        case StartOrder::ByNumber:
            break;
    }
    return members;
}

// A class's start as the trail shows it: "interval 10.00.00.00 30,00 s random".
std::string startText(const ClassStart& start) {
    std::string text = ModeText(start.mode);
    if (start.mode == StartMode::Interval)
        text += " " + start.firstStart + " " + std::to_string(start.interval / 100) + "," +
                std::to_string(start.interval % 100 / 10) + std::to_string(start.interval % 10) +
                " s " + OrderText(start.order) + " +" + std::to_string(start.gap / 100) +
                " s #" + std::to_string(start.sequence) + " +-" +
                std::to_string(start.tolerance / 100) + "," +
                std::to_string(start.tolerance % 100 / 10) + std::to_string(start.tolerance % 10) +
                " s";
    return text;
}

}  // namespace

Outcome Meet::setClassStart(int classNumber, const ClassStart& start) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    if (classNumber < 1 || classNumber > classCount_) return outcome;
    ClassStart kept = classStart(classNumber);
    ClassStart wanted = start;
    // What a draw or a mass start made stays theirs.
    wanted.draws = kept.draws;
    wanted.massTime = kept.massTime;
    wanted.massRow = kept.massRow;
    if (wanted == kept) return outcome;
    const bool started = classStarted(classNumber, "00.00.00.00");
    if (started && wanted.mode != kept.mode) {
        outcome.notices.push_back(lang::ClassStartedText().in(language_) +
                                  classNames_[classNumber]);
        wanted.mode = kept.mode;
    }
    // Plans of a class that no longer starts at intervals go, while its starts have not begun.
    std::vector<int> dropped;
    if (wanted.mode != StartMode::Interval && !started)
        for (const auto& [n, plan] : starts_.plans)
            if (plan.classNumber == classNumber && plan.planned != "-") dropped.push_back(n);
    commit(outcome, [&] {
        if (!startsStored() || starts_.positionsStale) writeStarts();
        writeClassStart(classNumber, wanted);
        writeTrail(storage::MakeTrailEntry(storage::trail::Setting, -1,
                                           std::string(storage::ClassStartsTable) + " " +
                                               trimmed(classNames_[classNumber]),
                                           startText(kept), startText(wanted)));
        for (int n : dropped) {
            PlannedStart none = starts_.plans[n];
            none.planned = "-";
            writePlan(n, none);
        }
    });
    if (!outcome.stored) return outcome;
    starts_.classes[classNumber] = wanted;
    for (int n : dropped) {
        auto& competitor = competitors_[n];
        if (competitor.state == Started && competitor.startRow == 0 &&
            competitor.start == starts_.plans[n].planned) {
            competitor.start = "-";
            competitor.state = NotStarted;
        }
        starts_.plans[n].planned = "-";
    }
    outcome.acted = true;
    return outcome;
}

Outcome Meet::draw(const std::string& now, unsigned seed, const std::vector<int>& chosen) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    std::mt19937 random(seed);
    std::vector<std::vector<int>> members(classCount_ + 1);
    for (int c = 1; c <= classCount_; ++c) members[c] = classMembers(c);
    std::map<int, PlannedStart> drawn;  // the new plans by start number
    std::vector<int> drawnClasses;
    long long next = -1;  // where the class that follows starts, when it sets no start of its own
    for (int c : startSequence()) {
        ClassStart start = classStart(c);
        if (start.mode != StartMode::Interval) continue;
        bool wanted =
            chosen.empty() || std::find(chosen.begin(), chosen.end(), c) != chosen.end();
        if (start.order == StartOrder::RunBefore || start.order == StartOrder::RunBeforeReversed ||
            start.order == StartOrder::BestReversed) {
            if (run_ <= 1) {
                if (wanted)
                    outcome.notices.push_back(lang::FirstRunOrderText().in(language_) +
                                              classNames_[c]);
                wanted = false;
            } else {
                start.listOrder = orderFromRunBefore(c, start);
            }
        }
        if (classStarted(c, now)) {
            // Its plans stand; the class after it follows its last planned start.
            long long last = -1;
            for (int n : members[c])
                if (const PlannedStart* plan = plannedStart(n))
                    last = std::max(last, base::TimeHundredths(plan->planned));
            if (last >= 0) next = last + start.interval + start.gap;
            if (wanted)
                outcome.notices.push_back(lang::ClassStartedText().in(language_) +
                                          classNames_[c]);
            continue;
        }
        long long first = start.firstStart != "-" ? base::TimeHundredths(start.firstStart) : next;
        if (first < 0) {
            if (wanted && !members[c].empty())
                outcome.notices.push_back(lang::NoFirstStartText().in(language_) +
                                          classNames_[c]);
            continue;
        }
        const auto order = startingOrder(start, members[c], random);
        if (wanted) {
            for (std::size_t i = 0; i < order.size(); ++i) {
                PlannedStart plan;
                plan.classNumber = c;
                plan.planned =
                    base::HundredthsText(first + static_cast<long long>(i) * start.interval);
                drawn[order[i]] = plan;
            }
            drawnClasses.push_back(c);
        } else {
            // A class not drawn now keeps its plans; the chain goes on from them.
            long long last = -1;
            for (int n : members[c])
                if (const PlannedStart* plan = plannedStart(n))
                    last = std::max(last, base::TimeHundredths(plan->planned));
            if (last >= 0) first = last - static_cast<long long>(order.size() - 1) * start.interval;
        }
        next = first + static_cast<long long>(std::max<std::size_t>(order.size(), 1) - 1) *
                           start.interval +
               start.interval + start.gap;
    }
    if (drawnClasses.empty()) return outcome;
    // Plans of the drawn classes that name a competitor no longer in them go.
    std::vector<int> dropped;
    for (const auto& [n, plan] : starts_.plans)
        if (plan.planned != "-" && !drawn.count(n) &&
            std::find(drawnClasses.begin(), drawnClasses.end(), plan.classNumber) !=
                drawnClasses.end())
            dropped.push_back(n);
    commit(outcome, [&] {
        if (!startsStored() || starts_.positionsStale) writeStarts();
        std::map<int, PlannedStart> written = drawn;
        for (int n : dropped) {
            PlannedStart none = starts_.plans[n];
            none.planned = "-";
            written[n] = none;
        }
        // New records one by one, the records drawn before again in one write.
        namespace ps = storage::column::planned_start;
        static const std::vector<std::string> planFields = [] {
            std::vector<std::string> fields;
            const auto table = storage::PlannedStartsSpec();
            for (int f = ps::Class; f < ps::Count; ++f) fields.push_back(table.fields[f].name);
            return fields;
        }();
        std::vector<std::pair<int, storage::Record>> changed;
        changed.reserve(written.size());
        for (const auto& [n, plan] : written) {
            auto found = starts_.planRows.find(n);
            if (found == starts_.planRows.end()) {
                writePlan(n, plan);
                continue;
            }
            changed.push_back({found->second,
                               {std::to_string(plan.classNumber), plan.planned, plan.impulse,
                                std::to_string(plan.impulseRow),
                                std::string(JuryText(plan.jury))}});
        }
        if (!changed.empty()) plannedStartsTable().writeRecords(planFields, changed);
        std::string names;
        for (int c : drawnClasses) {
            ClassStart counted = classStart(c);
            ++counted.draws;
            writeClassStart(c, counted);
            names += (names.empty() ? "" : ", ") + trimmed(classNames_[c]) + " #" +
                     std::to_string(counted.draws);
        }
        // One row for the draw: the classes with their draw's count, and the first and last
        // planned start.
        std::string first = "-", last = "-";
        for (const auto& [n, plan] : drawn) {
            if (first == "-" || plan.planned < first) first = plan.planned;
            if (last == "-" || plan.planned > last) last = plan.planned;
        }
        writeTrail(storage::MakeTrailEntry(storage::trail::Draw, -1, names,
                                           std::to_string(dropped.size()),
                                           std::to_string(drawn.size()) + ": " + first + " - " +
                                               last,
                                           "seed " + std::to_string(seed)));
    });
    if (!outcome.stored) return outcome;
    // Stored: the competitors start by their new plans.
    for (int n : dropped) {
        auto& competitor = competitors_[n];
        if (competitor.state == Started && competitor.startRow == 0 &&
            competitor.start == starts_.plans[n].planned) {
            competitor.start = "-";
            competitor.state = NotStarted;
        }
        starts_.plans[n].planned = "-";
    }
    for (const auto& [n, plan] : drawn) {
        starts_.plans[n] = plan;
        applyPlan(n);
    }
    std::string names;
    for (int c : drawnClasses) {
        ++starts_.classes[c].draws;
        names += (names.empty() ? "" : ", ") + trimmed(classNames_[c]);
    }
    outcome.acted = true;
    outcome.notices.push_back(lang::DrawnText().in(language_) + std::to_string(drawn.size()) +
                              lang::DrawnClassesText().in(language_) + names);
    return outcome;
}

}  // namespace kvt::meet
