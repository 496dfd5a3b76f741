#include "support/two_systems_race.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <cmath>
#include <set>

#include "meet/setup.h"
#include "meetdb/sqlite.h"
#include "storage/record_fields.h"
#include "storage/schema.h"
#include "support/race_file.h"

namespace kvt::testing {

namespace entry = lang::entry;
using base::DayMicroseconds;
using meetdb::QuoteIdentifier;

namespace {

constexpr DayMicroseconds Second = 1000000;

// Whether time lies at least half a second from every one taken.
bool apart(const std::set<DayMicroseconds>& taken, DayMicroseconds time) {
    auto after = taken.lower_bound(time);
    if (after != taken.end() && *after - time < Second / 2) return false;
    if (after != taken.begin() && time - *std::prev(after) < Second / 2) return false;
    return true;
}

}  // namespace

TwoSystemsRace MakeTwoSystemsRace(int competitors, unsigned seed, double missingA) {
    std::mt19937 random(seed);
    TwoSystemsRace race;
    race.competitors = competitors;
    for (int n = 1; n <= competitors; ++n) race.order.push_back(n);
    std::shuffle(race.order.begin(), race.order.end(), random);
    const auto size = static_cast<std::size_t>(competitors + 1);
    race.aStart.assign(size, -1);
    race.aFinish.assign(size, -1);
    race.bStart.assign(size, -1);
    race.bFinish.assign(size, -1);
    race.handStart.assign(size, -1);
    race.handFinish.assign(size, -1);
    std::uniform_int_distribution<DayMicroseconds> jitter(0, 2 * Second);
    std::uniform_int_distribution<DayMicroseconds> course(60 * Second, 90 * Second);
    std::uniform_int_distribution<DayMicroseconds> noise(-300, 300);
    std::uniform_int_distribution<DayMicroseconds> handNoise(-80000, 80000);
    std::bernoulli_distribution missA(missingA);
    const DayMicroseconds first = 10LL * 3600 * Second;
    // B behind A: 2 ms, and 5 ms more each hour.
    auto drift = [&](DayMicroseconds t) { return 2000 + (t - first) * 5000 / (3600 * Second); };
    // A stamps to 1/10000 s, B to 1/1000 s.
    auto cut = [](DayMicroseconds t, int decimals) { return base::CutToDecimals(t, decimals); };
    std::set<DayMicroseconds> starts, finishes;
    std::vector<DayMicroseconds> trueStart(size), trueFinish(size);
    for (int i = 0; i < competitors; ++i) {
        const int n = race.order[i];
        DayMicroseconds start = 0, finish = 0;
        do start = first + i * 20 * Second + jitter(random);
        while (!apart(starts, start));
        do finish = start + course(random);
        while (!apart(finishes, finish));
        starts.insert(start);
        finishes.insert(finish);
        trueStart[n] = start;
        trueFinish[n] = finish;
        race.aStart[n] = cut(start, 4);
        race.aFinish[n] = cut(finish, 4);
        race.bStart[n] = cut(start - drift(start) + noise(random), 3);
        race.bFinish[n] = cut(finish - drift(finish) + noise(random), 3);
        if (missA(random)) race.aStart[n] = -1;
        if (missA(random)) race.aFinish[n] = -1;
    }
    for (int n : {race.order.front(), race.order.back()}) race.aStart[n] = race.aFinish[n] = -1;
    if (competitors >= 4) {
        // Both systems missed.
        const int second = race.order[1], secondLast = race.order[competitors - 2];
        race.aFinish[second] = race.bFinish[second] = -1;
        race.aStart[secondLast] = race.bStart[secondLast] = -1;
    }
    // A backup watch times everyone, to 1/100 s.
    for (int n = 1; n <= competitors; ++n) {
        race.handStart[n] = cut(trueStart[n] + handNoise(random), 2);
        race.handFinish[n] = cut(trueFinish[n] + handNoise(random), 2);
    }
    return race;
}


void WriteTwoSystemsRace(storage::Engine& engine, const std::string& path,
                         const lang::TextTable& words, const TwoSystemsRace& race) {
    PrepareRace(path, words, race.competitors, 1, 0);
    // A's impulses given to their competitors: a start row, then a finish row, each.
    struct Impulse {
        DayMicroseconds time;
        int line;
        int number;
        bool given;
    };
    std::vector<Impulse> impulses;
    for (int n = 1; n <= race.competitors; ++n) {
        if (race.aStart[n] >= 0) impulses.push_back({race.aStart[n], 1, n, true});
        if (race.aFinish[n] >= 0) impulses.push_back({race.aFinish[n], 2, n, true});
        if (race.bStart[n] >= 0) impulses.push_back({race.bStart[n], 3, -1, false});
        if (race.bFinish[n] >= 0) impulses.push_back({race.bFinish[n], 4, -1, false});
    }
    std::sort(impulses.begin(), impulses.end(),
              [](const Impulse& x, const Impulse& y) { return x.time < y.time; });
    int rows = 0;
    std::vector<int> lineCounts(7);
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        meetdb::Transaction transaction(db);
        const std::string timeTable = QuoteIdentifier(words[entry::TimeTable]);
        db.execute("DELETE FROM " + timeTable);
        auto insert =
            db.prepare("INSERT INTO " + timeTable + " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
        for (const auto& impulse : impulses) {
            if (!impulse.given) continue;
            ++rows;
            const int count = ++lineCounts[impulse.line];
            char id[16];
            std::snprintf(id, sizeof id, "%d-%04d", impulse.line, count);
            const bool finish = impulse.line == 2;
            insert.bind(1, " " + std::to_string(rows)).bind(2, std::string(id));
            insert.bind(3, base::PreciseTimeText(impulse.time));
            insert.bind(4, std::to_string(impulse.number));
            insert.bind(5, words[finish ? entry::In : entry::Out]);
            insert.bind(6, "Competitor, number " + std::to_string(impulse.number));
            insert.bind(7, finish ? words[entry::Transmitted] : std::string("-"));
            insert.run();
            insert.reset();
        }
        const std::string count = std::to_string(rows);
        db.execute("UPDATE " + QuoteIdentifier(words[entry::SetupTable]) + " SET \"29\" = '" +
                   count + "', \"30\" = '" + count + "', \"31\" = '" + count + "', \"32\" = '" +
                   std::to_string(lineCounts[1]) + "', \"33\" = '" +
                   std::to_string(lineCounts[2]) + "'");
        transaction.commit();
    }
    engine.transaction(path, [&] {
        if (!engine.hasTable(path, storage::ImpulseJournalTable))
            engine.addTable(path, storage::ImpulseJournalSpec());
        auto journal = engine.openTable(path, storage::ImpulseJournalTable);
        namespace column = storage::column::impulse;
        int entryNumber = 0, row = 0;
        auto add = [&](const std::string& source, const std::string& channel, int line,
                       DayMicroseconds time, int decimals, int number, int timeRow) {
            storage::Record record(column::Count);
            record[column::Impulse] = std::to_string(++entryNumber);
            record[column::Source] = source;
            record[column::Channel] = channel;
            record[column::Line] = std::to_string(line);
            record[column::TimeOfDay] = base::ClockTimeText(time, 6);
            record[column::Microseconds] = std::to_string(time);
            record[column::Decimals] = std::to_string(decimals);
            record[column::Number] = std::to_string(number);
            record[column::Flags] = "0";
            record[column::Raw] = base::ClockTimeText(time, decimals);
            if (timeRow > 0) record[column::TimeRow] = std::to_string(timeRow);
            journal->appendRecord(record);
        };
        for (const auto& impulse : impulses)
            add("timer", "C" + std::to_string(impulse.line - 1), impulse.line, impulse.time,
                impulse.line <= 2 ? 4 : 3, impulse.number, impulse.given ? ++row : 0);
        for (int n = 1; n <= race.competitors; ++n) {
            if (race.handStart[n] >= 0) add("hand", "start", 0, race.handStart[n], 2, n, 0);
            if (race.handFinish[n] >= 0) add("hand", "finish", 0, race.handFinish[n], 2, n, 0);
        }
        if (!engine.hasTable(path, storage::ProgramSettingsTable))
            engine.addTable(path, storage::ProgramSettingsSpec());
        engine.openTable(path, storage::ProgramSettingsTable)
            ->appendRecord({std::string("Systems"),
                            std::string("A-start A-finish B-start B-finish A A")});
    });
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        for (int line = 0; line < 4; ++line)
            db.execute("UPDATE " + QuoteIdentifier(words[entry::SetupTable]) + " SET \"" +
                       std::to_string(meet::field::LineInUse(line)) + "\" = 1");
    }
}

bool ReplacementByHand(const TwoSystemsRace& race, int n, bool finish,
                       meet::Replacement& replacement) {
    const auto& a = finish ? race.aFinish : race.aStart;
    const auto& b = finish ? race.bFinish : race.bStart;
    const auto& hand = finish ? race.handFinish : race.handStart;
    if (a[n] >= 0) return false;
    const DayMicroseconds own = b[n] >= 0 ? b[n] : hand[n];
    if (own < 0) return false;
    // From B: those with A and B; from the watch (B missed him too): those with A and the watch.
    const auto& other = b[n] >= 0 ? b : hand;
    // Those with both, before and after him in start order.
    std::vector<int> before, after;
    bool passed = false;
    for (int m : race.order) {
        if (m == n) {
            passed = true;
            continue;
        }
        if (a[m] < 0 || other[m] < 0) continue;
        (passed ? after : before).push_back(m);
    }
    std::size_t fromBefore = std::min<std::size_t>(5, before.size());
    std::size_t fromAfter = std::min<std::size_t>(5, after.size());
    if (fromBefore < 5) fromAfter = std::min<std::size_t>(10 - fromBefore, after.size());
    if (fromAfter < 5) fromBefore = std::min<std::size_t>(10 - fromAfter, before.size());
    std::vector<int> ten(before.end() - static_cast<long>(fromBefore), before.end());
    ten.insert(ten.end(), after.begin(), after.begin() + static_cast<long>(fromAfter));
    if (ten.empty()) return false;
    // The mean at full precision: the sum in microseconds over the count, never rounded.
    long long sum = 0;
    replacement = {};
    for (int m : ten) {
        sum += a[m] - other[m];
        replacement.basis.push_back({m, a[m], other[m]});
    }
    const long long count = static_cast<long long>(ten.size());
    const long double exact = static_cast<long double>(own) + static_cast<long double>(sum) / count;
    replacement.own = own;
    replacement.sum = sum;
    replacement.time = static_cast<DayMicroseconds>(std::floor(exact / 10000.0L)) * 10000;
    return true;
}

}  // namespace kvt::testing
