// How the classes start: the modes and plans read and written, a plan starting its competitor,
// a start impulse against a plan, and a class started all at once.
#include <algorithm>
#include <cstdlib>

#include "base/number_text.h"
#include "base/time_text.h"
#include "lang/start_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"
#include "storage/schema.h"
#include "storage/trail.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;
namespace column = storage::column;

// ---- the stored texts ----

const char* ModeText(StartMode mode) {
    switch (mode) {
        case StartMode::Interval:
            return "interval";
        case StartMode::Mass:
            return "mass";
        case StartMode::Impulse:
            break;
    }
    return "impulse";
}

StartMode ModeOf(const std::string& text) {
    if (text == "interval") return StartMode::Interval;
    if (text == "mass") return StartMode::Mass;
    return StartMode::Impulse;
}

const char* OrderText(StartOrder order) {
    switch (order) {
        case StartOrder::Random:
            return "random";
        case StartOrder::List:
            return "list";
        case StartOrder::RunBefore:
            return "run-before";
        case StartOrder::RunBeforeReversed:
            return "run-before-reversed";
        case StartOrder::BestReversed:
            return "best-reversed";
        case StartOrder::ByNumber:
            break;
    }
    return "number";
}

StartOrder OrderOf(const std::string& text) {
    if (text == "random") return StartOrder::Random;
    if (text == "list") return StartOrder::List;
    if (text == "run-before") return StartOrder::RunBefore;
    if (text == "run-before-reversed") return StartOrder::RunBeforeReversed;
    if (text.rfind("best-reversed", 0) == 0) return StartOrder::BestReversed;
    return StartOrder::ByNumber;
}

const char* JuryText(JuryMark mark) {
    switch (mark) {
        case JuryMark::Early:
            return "early";
        case JuryMark::Late:
            return "late";
        case JuryMark::None:
            break;
    }
    return "";
}

JuryMark JuryOf(const std::string& text) {
    if (text == "early") return JuryMark::Early;
    if (text == "late") return JuryMark::Late;
    return JuryMark::None;
}

namespace {

long long hundredthsOf(const storage::Record& record, int field) {
    return static_cast<long long>(base::TextToNumber(text(record[field])));
}

std::string listText(const std::vector<int>& numbers) {
    std::string result;
    for (int n : numbers) result += (result.empty() ? "" : " ") + std::to_string(n);
    return result;
}

std::vector<int> listOf(const std::string& value) {
    std::vector<int> numbers;
    const char* p = value.c_str();
    while (*p) {
        char* end = nullptr;
        const long n = std::strtol(p, &end, 10);
        if (end == p) {
            ++p;
            continue;
        }
        if (n >= 1) numbers.push_back(static_cast<int>(n));
        p = end;
    }
    return numbers;
}

}  // namespace

// ---- what the meet holds ----

const ClassStart& Meet::classStart(int classNumber) const {
    static const ClassStart byImpulse;
    auto found = starts_.classes.find(classNumber);
    return found != starts_.classes.end() ? found->second : byImpulse;
}

const PlannedStart* Meet::plannedStart(int n) const {
    auto found = starts_.plans.find(n);
    if (found == starts_.plans.end() || found->second.planned == "-") return nullptr;
    return &found->second;
}

int Meet::classOf(int n) const {
    if (n < 1 || n >= static_cast<int>(competitors_.size())) return 0;
    const std::string name = trimmed(competitors_[n].className);
    if (name.empty() || name == "-") return 0;
    for (int c = 1; c <= classCount_; ++c)
        if (trimmed(classNames_[c]) == name) return c;
    return 0;
}

std::vector<int> Meet::classMembers(int classNumber) const {
    std::vector<int> members;
    if (classNumber < 1 || classNumber > classCount_) return members;
    const std::string name = trimmed(classNames_[classNumber]);
    if (name.empty() || name == "-") return members;
    // A class of a name that an earlier class has too finds none: finishes go to the first.
    for (int c = 1; c < classNumber; ++c)
        if (trimmed(classNames_[c]) == name) return members;
    for (int n = 1; n <= highestNumber_ && n < static_cast<int>(competitors_.size()); ++n)
        if (trimmed(competitors_[n].className) == name) members.push_back(n);
    return members;
}

std::vector<int> Meet::startSequence() const {
    std::vector<int> classes;
    for (int c = 1; c <= classCount_; ++c) classes.push_back(c);
    auto place = [this](int c) {
        const int sequence = classStart(c).sequence;
        return sequence > 0 ? sequence : c;
    };
    std::stable_sort(classes.begin(), classes.end(),
                     [&](int a, int b) { return place(a) < place(b); });
    return classes;
}

bool Meet::classStarted(int classNumber, const std::string& now) const {
    const auto& start = classStart(classNumber);
    if (start.massTime != "-") return true;
    const long long at = base::TimeHundredths(now);
    for (int n : classMembers(classNumber)) {
        const auto& competitor = competitors_[n];
        if (competitor.state == Finished) return true;
        const PlannedStart* plan = plannedStart(n);
        if (!plan) {
            if (competitor.state == Started) return true;
            continue;
        }
        if (plan->impulse != "-" || base::TimeHundredths(plan->planned) <= at) return true;
    }
    return false;
}

std::vector<int> Meet::juryMarked() const {
    std::vector<int> marked;
    for (const auto& [n, plan] : starts_.plans)
        if (plan.jury != JuryMark::None && plan.planned != "-") marked.push_back(n);
    return marked;
}

// ---- opening ----

void Meet::loadStarts() {
    namespace cs = column::class_start;
    namespace ps = column::planned_start;
    if (engine_.hasTable(path_, storage::ClassStartsTable)) {
        classStartsTable_ = engine_.openTable(path_, storage::ClassStartsTable);
        const auto rows = classStartsTable_->readAll();
        for (int k = 1; k <= static_cast<int>(rows.size()); ++k) {
            auto row = rows[k - 1];
            row.resize(cs::Count);
            if (std::max<long long>(hundredthsOf(row, cs::Run), 1) != run_) continue;
            const int c = static_cast<int>(hundredthsOf(row, cs::Class));
            if (c < 1) continue;
            ClassStart start;
            start.mode = ModeOf(text(row[cs::Mode]));
            start.firstStart = row[cs::FirstStart] ? text(row[cs::FirstStart]) : "-";
            start.interval = hundredthsOf(row, cs::Interval);
            start.order = OrderOf(text(row[cs::Order]));
            // "best-reversed 30": how many of the best follow the word.
            if (start.order == StartOrder::BestReversed)
                start.best = std::max(0, static_cast<int>(base::TextToNumber(
                                             text(row[cs::Order]).substr(13))));
            start.listOrder = listOf(text(row[cs::ListOrder]));
            start.gap = hundredthsOf(row, cs::Gap);
            start.sequence = static_cast<int>(hundredthsOf(row, cs::Sequence));
            start.tolerance = hundredthsOf(row, cs::Tolerance);
            start.massTime = row[cs::MassTime] ? text(row[cs::MassTime]) : "-";
            start.massRow = static_cast<int>(hundredthsOf(row, cs::MassRow));
            start.draws = static_cast<int>(hundredthsOf(row, cs::Draws));
            starts_.classes[c] = start;
            starts_.classRows[c] = k;
        }
    }
    if (engine_.hasTable(path_, storage::PlannedStartsTable)) {
        plannedStartsTable_ = engine_.openTable(path_, storage::PlannedStartsTable);
        const auto rows = plannedStartsTable_->readAll();
        for (int k = 1; k <= static_cast<int>(rows.size()); ++k) {
            auto row = rows[k - 1];
            row.resize(ps::Count);
            if (std::max<long long>(hundredthsOf(row, ps::Run), 1) != run_) continue;
            const int n = static_cast<int>(hundredthsOf(row, ps::Number));
            if (n < 1) continue;
            PlannedStart plan;
            plan.classNumber = static_cast<int>(hundredthsOf(row, ps::Class));
            plan.planned = row[ps::Planned] ? text(row[ps::Planned]) : "-";
            plan.impulse = row[ps::Impulse] ? text(row[ps::Impulse]) : "-";
            plan.impulseRow = static_cast<int>(hundredthsOf(row, ps::ImpulseRow));
            plan.jury = JuryOf(text(row[ps::Jury]));
            if (plan.impulse != "-" && plan.planned != "-")
                plan.offset =
                    base::TimeHundredths(plan.impulse) - base::TimeHundredths(plan.planned);
            starts_.plans[n] = plan;
            starts_.planRows[n] = k;
        }
    }
    // The competitors take their planned or mass starts over what the Time table gave them.
    for (const auto& [n, plan] : starts_.plans)
        if (n < static_cast<int>(competitors_.size())) applyPlan(n);
    for (const auto& [c, start] : starts_.classes) {
        if (start.massTime == "-" || c > classCount_) continue;
        for (int n : classMembers(c)) {
            auto& competitor = competitors_[n];
            if (competitor.start != "-" || plannedStart(n)) continue;
            competitor.start = start.massTime;
            competitor.startRow = start.massRow;
            if (competitor.state == NotStarted) competitor.state = Started;
        }
    }
}

void Meet::applyPlan(int n) {
    const PlannedStart* plan = plannedStart(n);
    if (!plan) return;
    auto& competitor = competitors_[n];
    if (plan->impulse != "-" && plan->jury == JuryMark::None) {
        competitor.start = plan->impulse;
        competitor.startRow = plan->impulseRow;
    } else {
        competitor.start = plan->planned;
        competitor.startRow = 0;
    }
    if (competitor.state == NotStarted) competitor.state = Started;
}

// ---- a time given to a competitor with a plan ----

bool Meet::startImpulseDue(int n, const std::string& time) const {
    const PlannedStart* plan = plannedStart(n);
    if (!plan || plan->impulse != "-" || competitors_[n].state != Started) return false;
    const auto& start = classStart(plan->classNumber);
    if (start.mode != StartMode::Interval) return false;
    return base::TimeHundredths(time) <=
           base::TimeHundredths(plan->planned) + start.tolerance + StartImpulseWindow;
}

void Meet::takePlannedStart(int n, const std::string& time, int timeRow,
                            const std::string& identification, Outcome& outcome) {
    auto& plan = starts_.plans.at(n);
    const std::string before = competitors_[n].start;
    plan.impulse = time;
    plan.impulseRow = timeRow;
    plan.offset = base::TimeHundredths(time) - base::TimeHundredths(plan.planned);
    const long long tolerance = classStart(plan.classNumber).tolerance;
    plan.jury = plan.offset < -tolerance  ? JuryMark::Early
                : plan.offset > tolerance ? JuryMark::Late
                                          : JuryMark::None;
    starts_.unstoredPlans.insert(n);
    applyPlan(n);
    // The trail: the start he had by his plan and the one he has now, with the impulse and
    // its mark when it lay outside the tolerance.
    const std::string mark = JuryText(plan.jury);
    queueTrail(storage::MakeTrailEntry(
        storage::trail::Start, n, identification, before,
        competitors_[n].start + (mark.empty() ? "" : " (" + mark + ": " + time + ")")));
    if (plan.jury == JuryMark::None) return;
    const auto text =
        plan.jury == JuryMark::Early ? lang::EarlyStartText() : lang::LateStartText();
    const long long offset = plan.offset;
    const std::string sign = offset < 0 ? "-" : "+";
    outcome.notices.push_back(text.in(language_) + competitors_[n].name + " (" +
                              std::to_string(n) + "): " + time + " / " + plan.planned + " (" +
                              sign + base::FormatResultTime(base::HundredthsText(std::llabs(offset)), 3) + ")");
}

// ---- a class started all at once ----

Outcome Meet::massStart(const std::vector<int>& classes, const std::string& time, int timeRow) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);  // the action acts on what is stored
    std::string when = time;
    if (timeRow >= 1 && timeRow <= registeredCount_) when = registered_[timeRow].time;
    if (trimmed(when).empty() || trimmed(when) == "-") return outcome;
    std::string started;
    int count = 0;
    for (int c : classes) {
        if (c < 1 || c > classCount_) continue;
        auto start = classStart(c);
        if (start.mode == StartMode::Interval) {
            outcome.notices.push_back(lang::IntervalClassNotMassText().in(language_) +
                                      classNames_[c]);
            continue;
        }
        const std::string before = start.massTime;
        start.mode = StartMode::Mass;
        start.massTime = when;
        start.massRow = timeRow;
        starts_.classes[c] = start;
        starts_.unstoredClasses.insert(c);
        for (int n : classMembers(c)) {
            auto& competitor = competitors_[n];
            if (competitor.state == Finished) continue;
            // A start given again (after a false start) moves those the first one started.
            if (competitor.state == Started && competitor.start != before) continue;
            competitor.start = when;
            competitor.startRow = timeRow;
            competitor.state = Started;
            ++count;
        }
        started += (started.empty() ? "" : ", ") + trimmed(classNames_[c]);
        outcome.acted = true;
    }
    if (!outcome.acted) return outcome;
    queueTrail(storage::MakeTrailEntry(
        storage::trail::MassStart, -1,
        started + (timeRow >= 1 && timeRow <= registeredCount_
                       ? " " + registered_[timeRow].identification
                       : std::string()),
        "-", when + " (" + std::to_string(count) + ")"));
    if (timeRow >= 1 && timeRow <= registeredCount_) {
        // The impulse is the classes' start: it is given, and leaves the list.
        auto& slot = registered_[timeRow];
        slot.given = true;
        slot.kind = words_[entry::Out];
        queueTimeRow(timeRow, {{entry::TimeNumberField, "-"},
                               {entry::TimeKindField, slot.kind},
                               {entry::TimeCompetitorField, started}});
        for (int i = 0; i < CaptureRows; ++i)
            if (static_cast<int>(base::TextToNumber(rows_[i].regTimeIndex)) == timeRow &&
                trimmed(rows_[i].regTime) != "-") {
                removeRow(i);
                break;
            }
        skipGiven();
    }
    outcome.notices.push_back(lang::MassStartedText().in(language_) + when + " (" + started +
                              "): " + std::to_string(count) +
                              lang::CompetitorsStartedText().in(language_));
    commit(outcome);
    return outcome;
}

// ---- storing ----

bool Meet::startsStored() const {
    return starts_.unstoredClasses.empty() && starts_.unstoredPlans.empty();
}

storage::Table& Meet::classStartsTable() {
    if (!classStartsTable_) {
        // A meet made before the starts gains their table with its first class start.
        engine_.addTable(path_, storage::ClassStartsSpec());
        classStartsTable_ = engine_.openTable(path_, storage::ClassStartsTable);
    }
    return *classStartsTable_;
}

storage::Table& Meet::plannedStartsTable() {
    if (!plannedStartsTable_) {
        engine_.addTable(path_, storage::PlannedStartsSpec());
        plannedStartsTable_ = engine_.openTable(path_, storage::PlannedStartsTable);
    }
    return *plannedStartsTable_;
}

void Meet::writeClassStart(int classNumber, const ClassStart& start) {
    namespace cs = column::class_start;
    storage::Record record(cs::Count);
    record[cs::Run] = std::to_string(run_);
    record[cs::Class] = std::to_string(classNumber);
    record[cs::Mode] = std::string(ModeText(start.mode));
    record[cs::FirstStart] = start.firstStart;
    record[cs::Interval] = std::to_string(start.interval);
    record[cs::Order] = std::string(OrderText(start.order)) +
                        (start.order == StartOrder::BestReversed
                             ? " " + std::to_string(start.best)
                             : std::string());
    record[cs::ListOrder] = listText(start.listOrder);
    record[cs::Gap] = std::to_string(start.gap);
    record[cs::Sequence] = std::to_string(start.sequence);
    record[cs::Tolerance] = std::to_string(start.tolerance);
    record[cs::MassTime] = start.massTime;
    record[cs::MassRow] = std::to_string(start.massRow);
    record[cs::Draws] = std::to_string(start.draws);
    auto& table = classStartsTable();
    auto found = starts_.classRows.find(classNumber);
    if (found == starts_.classRows.end()) {
        starts_.classRows[classNumber] = table.appendRecord(record);
        return;
    }
    const auto names = storage::ClassStartsSpec().fields;
    storage::NamedFields fields;
    for (int f = cs::Mode; f < cs::Count; ++f) fields.emplace_back(names[f].name, record[f]);
    table.writeFields(found->second, fields);
}

void Meet::writePlan(int n, const PlannedStart& plan) {
    namespace ps = column::planned_start;
    storage::Record record(ps::Count);
    record[ps::Run] = std::to_string(run_);
    record[ps::Number] = std::to_string(n);
    record[ps::Class] = std::to_string(plan.classNumber);
    record[ps::Planned] = plan.planned;
    record[ps::Impulse] = plan.impulse;
    record[ps::ImpulseRow] = std::to_string(plan.impulseRow);
    record[ps::Jury] = std::string(JuryText(plan.jury));
    auto& table = plannedStartsTable();
    auto found = starts_.planRows.find(n);
    if (found == starts_.planRows.end()) {
        starts_.planRows[n] = table.appendRecord(record);
        return;
    }
    const auto names = storage::PlannedStartsSpec().fields;
    storage::NamedFields fields;
    for (int f = ps::Class; f < ps::Count; ++f) fields.emplace_back(names[f].name, record[f]);
    table.writeFields(found->second, fields);
}

void Meet::writeStarts() {
    if (starts_.positionsStale) {
        // A transaction rolled back may have added records: the positions are read again.
        namespace cs = column::class_start;
        namespace ps = column::planned_start;
        starts_.classRows.clear();
        starts_.planRows.clear();
        if (engine_.hasTable(path_, storage::ClassStartsTable)) {
            const auto rows = classStartsTable().readAll();
            for (int k = 1; k <= static_cast<int>(rows.size()); ++k)
                if (rows[k - 1].size() > cs::Class && std::max<long long>(hundredthsOf(rows[k - 1], cs::Run), 1) == run_)
                    starts_.classRows[static_cast<int>(hundredthsOf(rows[k - 1], cs::Class))] = k;
        }
        if (engine_.hasTable(path_, storage::PlannedStartsTable)) {
            const auto rows = plannedStartsTable().readAll();
            for (int k = 1; k <= static_cast<int>(rows.size()); ++k)
                if (rows[k - 1].size() > ps::Number && std::max<long long>(hundredthsOf(rows[k - 1], ps::Run), 1) == run_)
                    starts_.planRows[static_cast<int>(hundredthsOf(rows[k - 1], ps::Number))] = k;
        }
        starts_.positionsStale = false;
    }
    for (int c : starts_.unstoredClasses) writeClassStart(c, classStart(c));
    for (int n : starts_.unstoredPlans) writePlan(n, starts_.plans.at(n));
}

void Meet::startsCommitFailed() {
    // The tables may have been made by the transaction rolled back; their handles and
    // positions are taken afresh.
    classStartsTable_.reset();
    plannedStartsTable_.reset();
    starts_.positionsStale = true;
}

}  // namespace kvt::meet
