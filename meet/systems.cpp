// Two timing systems in the meet: the wiring kept in ProgramSettings, B's impulses journaled
// beside A's, hand times, the pairing computed from the journal, the replacement time and the
// synchronisation. The journal is the one record of every impulse, stored before it is shown
// and never changed, so the pairing is computed from it (at opening and after each impulse)
// rather than kept a second time.
#include <algorithm>
#include <cstdlib>
#include <tuple>

#include "base/number_text.h"
#include "base/time_text.h"
#include "lang/correction_texts.h"
#include "lang/systems_texts.h"
#include "meet/meet.h"
#include "meet/meet_internal.h"
#include "storage/record_fields.h"

namespace kvt::meet {

using namespace detail;
namespace entry = lang::entry;

namespace {

const char* const SystemsSetting = "Systems";
const char* const WindowSetting = "MatchWindow";
const char* const BoundSetting = "SyncBound";
const char* const SyncSetting = "Sync";
const char* const SyncCheckSetting = "SyncCheck";
const char* const HandSource = "hand";
const char* const GivenSource = "given";

int useIndex(TimeUse use) {
    return use == TimeUse::Start ? 0 : 1;
}
const char* useWord(TimeUse use) {
    return use == TimeUse::Start ? "start" : "finish";
}

long long numberOf(const std::string& value) {
    return static_cast<long long>(std::strtoll(value.c_str(), nullptr, 10));
}

// "12:A:B 13:A:B": the basis of a replacement as stored.
std::string basisText(const std::vector<ReplacementBasis>& basis) {
    std::string text;
    for (const auto& one : basis)
        text += (text.empty() ? "" : " ") + std::to_string(one.number) + ":" +
                std::to_string(one.a) + ":" + std::to_string(one.b);
    return text;
}

std::vector<ReplacementBasis> readBasis(const std::string& text) {
    std::vector<ReplacementBasis> basis;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos) end = text.size();
        const std::string one = text.substr(at, end - at);
        at = end + 1;
        const auto first = one.find(':'), second = one.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        basis.push_back({static_cast<int>(numberOf(one.substr(0, first))),
                         numberOf(one.substr(first + 1, second - first - 1)),
                         numberOf(one.substr(second + 1))});
    }
    return basis;
}

constexpr unsigned NotATime = devices::Cleared | devices::Disqualified | devices::Repeated |
                              devices::TimerMarked;

}  // namespace

bool SyncCheck::agree() const {
    if (!synced() || !checked()) return false;
    return std::llabs((checkA - checkB) - (syncA - syncB)) <= 1000;
}

// ---- reading and keeping ----

void Meet::keepStamp(const storage::Record& record) {
    namespace column = storage::column::impulse;
    if (static_cast<int>(record.size()) < column::Count) return;
    Stamp stamp;
    stamp.entry = static_cast<int>(numberOf(text(record[column::Impulse])));
    stamp.source = text(record[column::Source]);
    stamp.line = static_cast<int>(numberOf(text(record[column::Line])));
    stamp.channel = text(record[column::Channel]);
    stamp.time = record[column::Microseconds] ? numberOf(text(record[column::Microseconds])) : -1;
    stamp.number = record[column::Number] ? static_cast<int>(numberOf(text(record[column::Number])))
                                          : -1;
    stamp.flags = static_cast<unsigned>(numberOf(text(record[column::Flags])));
    stamp.timeRow = record[column::TimeRow] ? static_cast<int>(numberOf(text(record[column::TimeRow])))
                                            : 0;
    stamp.raw = text(record[column::Raw]);
    stamps_.push_back(std::move(stamp));
}

void Meet::loadSystems() {
    auto setting = [&](const char* name) -> std::string {
        auto found = settingRows_.find(name);
        if (found == settingRows_.end() || !settingsTable_) return "";
        const auto record = settingsTable_->readRecord(found->second);
        return record.size() >= 2 ? text(record[1]) : "";
    };
    SystemsSetup systems;
    if (const auto lines = setting(SystemsSetting); !lines.empty()) systems.readLines(lines);
    if (const auto window = setting(WindowSetting); !window.empty() && numberOf(window) > 0)
        systems.window = numberOf(window);
    if (const auto bound = setting(BoundSetting); !bound.empty() && numberOf(bound) > 0)
        systems.bound = numberOf(bound);
    systems_ = systems;
    for (auto [name, a, b] : {std::tuple{SyncSetting, &sync_.syncA, &sync_.syncB},
                              std::tuple{SyncCheckSetting, &sync_.checkA, &sync_.checkB}}) {
        const std::string value = setting(name);
        const auto space = value.find(' ');
        if (space == std::string::npos) continue;
        *a = numberOf(value.substr(0, space));
        *b = numberOf(value.substr(space + 1));
    }
    if (!engine_.hasTable(path_, storage::ReplacementsTable)) return;
    namespace column = storage::column::replacement;
    struct Stored {
        std::size_t& count;
        std::vector<ReplacementRecord>& records;
        ~Stored() { count = records.size(); }
    } stored{replacementsStored_, replacements_};
    for (const auto& record : engine_.openTable(path_, storage::ReplacementsTable)->readAll()) {
        if (static_cast<int>(record.size()) < column::Count) continue;
        ReplacementRecord one;
        one.number = static_cast<int>(numberOf(text(record[column::Number])));
        one.use = text(record[column::Use]) == "start" ? TimeUse::Start : TimeUse::Finish;
        one.hand = text(record[column::Source]) == HandSource;
        one.replacement.own = numberOf(text(record[column::Own]));
        one.replacement.sum = numberOf(text(record[column::Sum]));
        one.replacement.basis = readBasis(text(record[column::Basis]));
        one.replacement.time = numberOf(text(record[column::Time]));
        one.timeRow = static_cast<int>(numberOf(text(record[column::TimeRow])));
        replacements_.push_back(std::move(one));
    }
}

// ---- the setup ----

Outcome Meet::setSystems(const SystemsSetup& systems) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);
    if (systems == systems_) return outcome;
    const std::string before = systems_.linesText() + "; " + DifferenceText(systems_.window) +
                               "; " + DifferenceText(systems_.bound);
    const std::string after = systems.linesText() + "; " + DifferenceText(systems.window) + "; " +
                              DifferenceText(systems.bound);
    commit(outcome, [&] {
        writeProgramSetting(SystemsSetting, systems.linesText());
        writeProgramSetting(WindowSetting, std::to_string(systems.window));
        writeProgramSetting(BoundSetting, std::to_string(systems.bound));
        writeTrail(storage::MakeTrailEntry(storage::trail::Setting, -1, SystemsSetting, before,
                                           after));
    });
    if (outcome.stored) systems_ = systems;
    return outcome;
}

// ---- impulses of B and hand times ----

Outcome Meet::journalSystemB(const devices::Impulse& impulse) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);
    journal(impulse, 0);
    outcome.acted = true;
    if (impulse.hasTime) warnOutOfSync(impulse.timeOfDay, outcome);
    commit(outcome);
    return outcome;
}

void Meet::warnOutOfSync(base::DayMicroseconds time, Outcome& outcome) const {
    if (!systems_.hasB()) return;
    for (const auto& row : lastPaired(2))
        for (const auto* times : {&row.start, &row.finish}) {
            if (times->a < 0 || times->b < 0 || times->hand) continue;
            const auto difference = times->a - times->b;
            if ((times->a == time || times->b == time) && std::llabs(difference) > systems_.bound)
                outcome.notices.push_back(
                    lang::OutOfSyncText(language_, row.number, DifferenceText(difference)));
        }
}

void Meet::journalOwn(const std::string& source, const std::string& channel,
                      base::DayMicroseconds time, int decimals, int number,
                      const std::string& raw) {
    namespace column = storage::column::impulse;
    storage::Record record(column::Count);
    record[column::Impulse] = std::to_string(++journalCount_);
    record[column::Source] = source;
    record[column::Channel] = channel;
    record[column::Line] = "0";
    record[column::TimeOfDay] = base::ClockTimeText(time, 6);
    record[column::Microseconds] = std::to_string(time);
    record[column::Decimals] = std::to_string(decimals);
    record[column::Number] = std::to_string(number);
    record[column::Flags] = std::to_string(static_cast<unsigned>(devices::TypedIn));
    record[column::Raw] = raw;
    keepStamp(record);
    unstoredJournal_.push_back(std::move(record));
}

Outcome Meet::addHandTimes(TimeUse use, const std::vector<HandTime>& times) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);
    if (times.empty()) return outcome;
    int numbered = 0;
    for (const auto& one : times) {
        const int n = one.number > 0 ? wholeNumber(std::to_string(one.number)) : 0;
        if (one.number > 0 && n == 0) {
            outcome.notices.push_back(
                lang::NoCompetitorNumberText(language_, std::to_string(one.number)));
            return outcome;
        }
        if (n > 0) ++numbered;
    }
    for (const auto& one : times)
        journalOwn(HandSource, useWord(use), one.time, one.decimals,
                   one.number > 0 ? one.number : -1, one.text);
    queueTrail(storage::MakeTrailEntry(
        storage::trail::HandTimes, times.size() == 1 && times[0].number > 0 ? times[0].number : -1,
        useWord(use), "-",
        std::to_string(times.size()) + " (" + std::to_string(numbered) + " numbered)"));
    outcome.acted = true;
    commit(outcome);
    return outcome;
}

Outcome Meet::giveSystemB(int journalEntry, int number) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);
    const int n = number >= 1 ? wholeNumber(std::to_string(number)) : 0;
    if (n == 0) {
        outcome.notices.push_back(lang::NoCompetitorNumberText(language_, std::to_string(number)));
        return outcome;
    }
    for (TimeUse use : {TimeUse::Start, TimeUse::Finish})
        for (const auto& [unpaired, time] : unpairedB(use)) {
            if (unpaired != journalEntry) continue;
            journalOwn(GivenSource, useWord(use), time, 6, n, std::to_string(journalEntry));
            queueTrail(storage::MakeTrailEntry(storage::trail::GiveB, n, useWord(use), "-",
                                               std::to_string(journalEntry) + ": " +
                                                   base::ClockTimeText(time, 4)));
            outcome.acted = true;
            commit(outcome);
            return outcome;
        }
    outcome.notices.push_back(lang::NotUnpairedBText(language_, journalEntry));
    return outcome;
}

// ---- the pairing ----

struct Meet::Pairing {
    // By use (0 start, 1 finish): the journal's A impulse of each Time-table row, the B or
    // hand impulse paired with each A impulse (stamp indexes), the B or hand time a competitor
    // has without A's, and the B or hand times that belong to no one.
    // Indexes by a whole number (row, stamp, start number), -1 where none: vectors rather than
    // maps, as the pairing is computed again for every impulse and every proposal.
    struct Slots {
        std::vector<int> at;
        int get(int k) const { return k >= 0 && k < static_cast<int>(at.size()) ? at[k] : -1; }
        bool has(int k) const { return get(k) >= 0; }
        void set(int k, int v) {
            if (k < 0) return;
            if (k >= static_cast<int>(at.size())) at.resize(k + 1, -1);
            at[k] = v;
        }
    };
    std::array<Slots, 2> aOfRow, bOfA, handOfA;
    std::array<Slots, 2> bOfNumber, handOfNumber;
    std::array<std::vector<int>, 2> unpaired;
};

Meet::Pairing Meet::pair() const {
    Pairing pairing;
    const int stamps = static_cast<int>(stamps_.size());
    // The last impulse that became a row is the row's.
    Pairing::Slots latest;
    for (int i = 0; i < stamps; ++i)
        if (stamps_[i].timeRow > 0) latest.set(stamps_[i].timeRow, i);
    const std::string outAll = withoutBlanks(words_[entry::OutAll]);
    const std::string out = withoutBlanks(words_[entry::Out]);
    const std::string in = withoutBlanks(words_[entry::In]);
    auto lineOf = [&](const Stamp& stamp) -> const LineSystem* {
        if (stamp.line < 1 || stamp.line >= static_cast<int>(systems_.lines.size()))
            return nullptr;
        return &systems_.lines[stamp.line];
    };
    std::array<std::vector<int>, 2> as, bs, hands;
    for (int row = 0; row < static_cast<int>(latest.at.size()); ++row) {
        const int i = latest.at[row];
        if (i < 0) continue;
        const auto* line = lineOf(stamps_[i]);
        if (!line || line->system != TimingSystem::A || stamps_[i].time < 0) continue;
        int use = -1;
        // Enter gives its time on line 1 whatever the line times: its use is how it was given.
        if (line->use != LineUse::Either && stamps_[i].source != "enter") {
            use = line->use == LineUse::Start ? 0 : 1;
        } else if (row < static_cast<int>(registered_.size()) && row <= registeredCount_) {
            const std::string kind = withoutBlanks(registered_[row].kind);
            if (kind == out || kind == outAll) use = 0;
            if (kind == in) use = 1;
        }
        if (use < 0) continue;
        pairing.aOfRow[use].set(row, i);
        as[use].push_back(i);
    }
    std::array<std::set<int>, 2> given;
    std::array<std::vector<int>, 2> givenStamps;
    Pairing::Slots byEntry;
    for (int i = 0; i < stamps; ++i) byEntry.set(stamps_[i].entry, i);
    for (int i = 0; i < stamps; ++i) {
        const auto& stamp = stamps_[i];
        if (stamp.time < 0) continue;
        const int use = stamp.channel == "start" ? 0 : stamp.channel == "finish" ? 1 : -1;
        if (stamp.source == HandSource && use >= 0) {
            if (stamp.number > 0)
                pairing.handOfNumber[use].set(stamp.number, i);
            else
                hands[use].push_back(i);
            continue;
        }
        if (stamp.source == GivenSource && use >= 0) {
            given[use].insert(static_cast<int>(numberOf(stamp.raw)));
            givenStamps[use].push_back(i);
            continue;
        }
        const auto* line = lineOf(stamp);
        if (!line || line->system != TimingSystem::B || stamp.timeRow > 0 ||
            (stamp.flags & NotATime) != 0 || stamp.source == "enter")
            continue;
        bs[line->use == LineUse::Start ? 0 : 1].push_back(i);
    }
    auto byTime = [&](int x, int y) {
        return stamps_[x].time != stamps_[y].time ? stamps_[x].time < stamps_[y].time
                                                  : stamps_[x].entry < stamps_[y].entry;
    };
    for (int use = 0; use < 2; ++use) {
        std::sort(as[use].begin(), as[use].end(), byTime);
        std::vector<base::DayMicroseconds> aTimes;
        for (int i : as[use]) aTimes.push_back(stamps_[i].time);
        for (auto* sequence : {&bs[use], &hands[use]}) {
            std::sort(sequence->begin(), sequence->end(), byTime);
            // A B sent again (the same line and time of day) is one impulse.
            sequence->erase(std::unique(sequence->begin(), sequence->end(),
                                        [&](int x, int y) {
                                            return stamps_[x].time == stamps_[y].time &&
                                                   stamps_[x].line == stamps_[y].line;
                                        }),
                            sequence->end());
            std::vector<base::DayMicroseconds> times;
            for (int i : *sequence) times.push_back(stamps_[i].time);
            const auto pairs = PairImpulses(aTimes, times, systems_.window);
            for (std::size_t k = 0; k < pairs.size(); ++k) {
                const int i = (*sequence)[k];
                if (pairs[k] >= 0) {
                    auto& slots = (sequence == &bs[use] ? pairing.bOfA : pairing.handOfA)[use];
                    if (!slots.has(as[use][pairs[k]])) slots.set(as[use][pairs[k]], i);
                    continue;
                }
                if (given[use].count(stamps_[i].entry)) continue;
                if (sequence == &bs[use] && stamps_[i].number > 0 &&
                    !pairing.bOfNumber[use].has(stamps_[i].number))
                    pairing.bOfNumber[use].set(stamps_[i].number, i);
                else
                    pairing.unpaired[use].push_back(i);
            }
        }
        // A B given by the operator is that competitor's.
        for (int i : givenStamps[use]) {
            const int k = byEntry.get(static_cast<int>(numberOf(stamps_[i].raw)));
            if (k < 0 || stamps_[i].number <= 0) continue;
            (stamps_[k].source == HandSource ? pairing.handOfNumber : pairing.bOfNumber)[use].set(
                stamps_[i].number, k);
        }
    }
    return pairing;
}

std::vector<SystemsRow> Meet::systemsSheet() const {
    const auto pairing = pair();
    std::vector<std::pair<base::DayMicroseconds, SystemsRow>> rows;
    for (int n = 1; n < static_cast<int>(competitors_.size()); ++n) {
        const auto& competitor = competitors_[n];
        SystemsRow row;
        row.number = n;
        bool any = false;
        for (TimeUse use : {TimeUse::Start, TimeUse::Finish}) {
            const int u = useIndex(use);
            auto& times = use == TimeUse::Start ? row.start : row.finish;
            const bool held = use == TimeUse::Start ? competitor.state != NotStarted
                                                    : competitor.state == Finished;
            const int timeRow = use == TimeUse::Start ? competitor.startRow : competitor.finishRow;
            int aStamp = -1;
            if (held && timeRow > 0)
                aStamp = pairing.aOfRow[u].get(timeRow);
            if (aStamp >= 0) times.a = stamps_[aStamp].time;
            int bStamp = -1;
            if (aStamp >= 0)
                bStamp = pairing.bOfA[u].get(aStamp);
            if (bStamp < 0)
                bStamp = pairing.bOfNumber[u].get(n);
            int handStamp = -1;
            handStamp = pairing.handOfNumber[u].get(n);
            if (aStamp >= 0 && handStamp < 0)
                handStamp = pairing.handOfA[u].get(aStamp);
            if (bStamp >= 0 && stamps_[bStamp].source == HandSource) {
                handStamp = bStamp;  // a hand time in order given to him
                bStamp = -1;
            }
            if (handStamp >= 0) times.handTime = stamps_[handStamp].time;
            if (bStamp >= 0) {
                times.b = stamps_[bStamp].time;
            } else if (handStamp >= 0) {
                times.b = times.handTime;  // in B's place
                times.hand = true;
            }
            if (held && timeRow > 0 && timeRow < static_cast<int>(registered_.size()))
                for (const auto& replacement : replacements_)
                    if (replacement.number == n && replacement.use == use &&
                        replacement.timeRow == timeRow &&
                        trimmed(registered_[timeRow].time) ==
                            base::PreciseTimeText(replacement.replacement.time))
                        times.replaced = true;
            any = any || times.a >= 0 || times.b >= 0;
        }
        if (!any) continue;
        // Start order: the time of day of his start, A's or else B's or by hand.
        base::DayMicroseconds order = row.start.a >= 0 ? row.start.a : row.start.b;
        if (order < 0 && competitor.state != NotStarted) {
            const long long hundredths = base::TimeHundredths(competitor.start);
            if (hundredths >= 0) order = hundredths * 10000;
        }
        if (order < 0) order = base::MicrosecondsPerDay;
        rows.push_back({order, row});
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<SystemsRow> sheet;
    sheet.reserve(rows.size());
    for (auto& [order, row] : rows) sheet.push_back(row);
    return sheet;
}

std::vector<SystemsRow> Meet::lastPaired(int count) const {
    auto sheet = systemsSheet();
    auto latest = [](const SystemsRow& row) {
        base::DayMicroseconds last = -1;
        if (row.start.a >= 0 && row.start.b >= 0 && !row.start.hand)
            last = std::max(last, row.start.a);
        if (row.finish.a >= 0 && row.finish.b >= 0 && !row.finish.hand)
            last = std::max(last, row.finish.a);
        return last;
    };
    std::vector<SystemsRow> paired;
    for (const auto& row : sheet)
        if (latest(row) >= 0) paired.push_back(row);
    std::stable_sort(paired.begin(), paired.end(),
                     [&](const auto& x, const auto& y) { return latest(x) > latest(y); });
    if (static_cast<int>(paired.size()) > count) paired.resize(count);
    return paired;
}

std::vector<std::pair<int, base::DayMicroseconds>> Meet::unpairedB(TimeUse use) const {
    const auto pairing = pair();
    std::vector<std::pair<int, base::DayMicroseconds>> unpaired;
    for (int i : pairing.unpaired[useIndex(use)])
        unpaired.push_back({stamps_[i].entry, stamps_[i].time});
    return unpaired;
}

// ---- the replacement ----

bool Meet::proposeReplacement(int number, TimeUse use, Replacement& proposal, bool& hand,
                              std::string& why) const {
    const bool finish = use == TimeUse::Finish;
    const int n = number >= 1 ? wholeNumber(std::to_string(number)) : 0;
    if (n == 0) {
        why = lang::NoCompetitorNumberText(language_, std::to_string(number));
        return false;
    }
    const auto sheet = systemsSheet();
    auto timesOf = [&](const SystemsRow& row) -> const SystemsTime& {
        return finish ? row.finish : row.start;
    };
    int at = -1;
    for (int i = 0; i < static_cast<int>(sheet.size()); ++i)
        if (sheet[i].number == n) at = i;
    if (at < 0 || timesOf(sheet[at]).b < 0) {
        why = lang::ReplacementNoBText(language_, n, finish);
        return false;
    }
    const auto& own = timesOf(sheet[at]);
    if (own.a >= 0 || own.replaced) {
        why = lang::ReplacementHasAText(language_, n, finish);
        return false;
    }
    // From B, the ten with A and B; from a hand time (B missed him too), the ten with A and a
    // hand time.
    hand = own.hand;
    auto other = [&](const SystemsTime& times) { return hand ? times.handTime : times.b; };
    std::vector<int> candidates;
    for (int i = 0; i < static_cast<int>(sheet.size()); ++i) {
        const auto& times = timesOf(sheet[i]);
        if (i != at && times.a >= 0 && other(times) >= 0 && (hand || !times.hand))
            candidates.push_back(i);
    }
    if (candidates.empty()) {
        why = lang::ReplacementNoBasisText(language_);
        return false;
    }
    std::vector<ReplacementBasis> basis;
    for (int i : NearestInOrder(candidates, at))
        basis.push_back({sheet[i].number, timesOf(sheet[i]).a, other(timesOf(sheet[i]))});
    proposal = ComputeReplacement(own.b, std::move(basis));
    return true;
}

Outcome Meet::acceptReplacement(int number, TimeUse use) {
    Turn turn(*this);
    Replacement proposal;
    bool hand = false;
    std::string why;
    if (!proposeReplacement(number, use, proposal, hand, why)) {
        Outcome outcome;
        storeEdits(outcome);
        outcome.notices.push_back(why);
        return outcome;
    }
    ReplacementRecord record;
    record.number = number;
    record.use = use;
    record.hand = hand;
    record.replacement = proposal;
    record.timeRow = registeredCount_ + 1;  // the row the hand-time correction adds
    const std::string reason = lang::ReplacementReasonText(
        language_, hand, base::ClockTimeText(proposal.own, 4), proposal.meanText(),
        static_cast<int>(proposal.basis.size()));
    // Its record waits with the correction's time and is stored in the same commit.
    replacements_.push_back(std::move(record));
    const int rowsBefore = registeredCount_;
    Outcome outcome = setHandTime(number, use, base::PreciseTimeText(proposal.time), reason);
    if (registeredCount_ == rowsBefore) replacements_.pop_back();  // refused: nothing changed
    return outcome;
}

void Meet::writeReplacements() {
    if (replacementsStored_ >= replacements_.size()) return;
    if (!engine_.hasTable(path_, storage::ReplacementsTable))
        engine_.addTable(path_, storage::ReplacementsSpec());
    auto table = engine_.openTable(path_, storage::ReplacementsTable);
    namespace column = storage::column::replacement;
    for (std::size_t k = replacementsStored_; k < replacements_.size(); ++k) {
        const auto& one = replacements_[k];
        storage::Record row(column::Count);
        row[column::Number] = std::to_string(one.number);
        row[column::Use] = useWord(one.use);
        row[column::Source] = one.hand ? HandSource : "B";
        row[column::Own] = std::to_string(one.replacement.own);
        row[column::Sum] = std::to_string(one.replacement.sum);
        row[column::Basis] = basisText(one.replacement.basis);
        row[column::Time] = std::to_string(one.replacement.time);
        row[column::TimeRow] = std::to_string(one.timeRow);
        table->appendRecord(row);
    }
}

bool Meet::isReplacement(int number) const {
    if (number < 1 || number >= static_cast<int>(competitors_.size())) return false;
    const auto& competitor = competitors_[number];
    for (const auto& replacement : replacements_) {
        // The row still holds the replacement's time (a reset empties the Time table, and its
        // rows are used again).
        if (replacement.number != number || replacement.timeRow < 1 ||
            replacement.timeRow >= static_cast<int>(registered_.size()) ||
            trimmed(registered_[replacement.timeRow].time) !=
                base::PreciseTimeText(replacement.replacement.time))
            continue;
        const bool finish = replacement.use == TimeUse::Finish;
        if (finish ? (competitor.state == Finished && competitor.finishRow == replacement.timeRow)
                   : (competitor.state != NotStarted && competitor.startRow == replacement.timeRow))
            return true;
    }
    return false;
}

std::string Meet::markedResult(const ResultRow& row) const {
    if (replacements_.empty() || !row.status.empty() || !isReplacement(row.number))
        return row.shownResult();
    return row.shownResult() + lang::ReplacementResultMark(language_);
}

// ---- the synchronisation ----

Outcome Meet::recordSync(bool check) {
    Turn turn(*this);
    Outcome outcome;
    storeEdits(outcome);
    base::DayMicroseconds a = -1, b = -1;
    for (auto stamp = stamps_.rbegin(); stamp != stamps_.rend() && (a < 0 || b < 0); ++stamp) {
        if (stamp->time < 0 || stamp->line < 1 || stamp->line > 6 ||
            (stamp->flags & NotATime) != 0 || stamp->source == HandSource ||
            stamp->source == GivenSource)
            continue;
        const bool isB = systems_.lines[stamp->line].system == TimingSystem::B;
        (isB ? b : a) = (isB ? b : a) < 0 ? stamp->time : (isB ? b : a);
    }
    if (a < 0 || b < 0) {
        outcome.notices.push_back(lang::NoSyncImpulsesText(language_));
        return outcome;
    }
    const char* name = check ? SyncCheckSetting : SyncSetting;
    const std::string value = std::to_string(a) + " " + std::to_string(b);
    commit(outcome, [&] {
        writeProgramSetting(name, value);
        writeTrail(storage::MakeTrailEntry(storage::trail::Sync, -1, name, "-",
                                           "A " + base::ClockTimeText(a, 4) + ", B " +
                                               base::ClockTimeText(b, 4)));
    });
    if (!outcome.stored) return outcome;
    (check ? sync_.checkA : sync_.syncA) = a;
    (check ? sync_.checkB : sync_.syncB) = b;
    if (sync_.checked() && sync_.synced())
        outcome.notices.push_back(lang::SyncAgreeText(
            language_, sync_.agree(),
            DifferenceText((sync_.checkA - sync_.checkB) - (sync_.syncA - sync_.syncB))));
    return outcome;
}

}  // namespace kvt::meet
