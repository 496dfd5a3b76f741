#include "support/race_file.h"

#include <cstdio>

#include "meetdb/sqlite.h"

namespace kvt::testing {

namespace entry = lang::entry;
using meetdb::QuoteIdentifier;

namespace {

std::string timeText(int hundredths) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d.%02d.%02d.%02d", hundredths / 360000 % 24,
                  hundredths / 6000 % 60, hundredths / 100 % 60, hundredths % 100);
    return text;
}

}  // namespace

int RaceOf(int n) {
    return 180000 + (n * 7919) % 90000;
}

void PrepareRace(const std::string& path, const lang::TextTable& words, int competitors,
                 int classes, int finishedUpTo, bool differences) {
    meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
    meetdb::Transaction transaction(db);
    const int perClass = competitors / classes;
    db.execute("UPDATE " + QuoteIdentifier(words[entry::ClassesTable]) + " SET " +
               QuoteIdentifier(words[entry::ClassNameField]) + " = 'K' || rowid");
    db.execute("UPDATE " + QuoteIdentifier(words[entry::CompetitorsTable]) +
               " SET \"1\" = 'Competitor', \"2\" = 'number ' || rowid, \"3\" = 'Tornado', "
               "\"4\" = 'K' || (1 + (rowid - 1) / " +
               std::to_string(perClass) + ")");
    const std::string timeTable = QuoteIdentifier(words[entry::TimeTable]);
    db.execute("DELETE FROM " + timeTable);
    auto insertTime =
        db.prepare("INSERT INTO " + timeTable + " VALUES (?1, ?2, ?3, ?4, ?5, '-', ?6)");
    int row = 0;
    auto addTime = [&](const std::string& time, int n, const std::string& kind,
                       const std::string& info) {
        ++row;
        insertTime.bind(1, " " + std::to_string(row)).bind(2, "1-" + std::to_string(row));
        insertTime.bind(3, time).bind(4, std::to_string(n)).bind(5, kind);
        insertTime.bind(6, info);
        insertTime.run();
        insertTime.reset();
    };
    for (int n = 1; n <= competitors; ++n) addTime("10.00.00.00", n, words[entry::Out], "-");
    for (int n = 1; n <= finishedUpTo; ++n)
        addTime(timeText(3600000 + RaceOf(n)), n, words[entry::In], words[entry::Transmitted]);
    for (int c = 1; c <= classes; ++c) {
        auto insert = db.prepare(
            "INSERT INTO " + QuoteIdentifier(words[entry::ResultsTablePrefix] + std::to_string(c)) +
            " VALUES (0, ?1, ?2, 'Tornado', ?3, '-')");
        for (int n = (c - 1) * perClass + 1; n <= c * perClass && n <= finishedUpTo; ++n) {
            insert.bind(1, static_cast<long long>(n));
            insert.bind(2, "Competitor, number " + std::to_string(n));
            insert.bind(3, timeText(RaceOf(n)).substr(0, 8));
            insert.run();
            insert.reset();
        }
    }
    const std::string rows = std::to_string(row);
    db.execute("UPDATE " + QuoteIdentifier(words[entry::SetupTable]) + " SET \"29\" = '" + rows +
               "', \"30\" = '" + rows + "', \"31\" = '" + rows + "', \"32\" = '" + rows +
               "', \"17\" = " + (differences ? "1" : "0"));
    transaction.commit();
}

}  // namespace kvt::testing
