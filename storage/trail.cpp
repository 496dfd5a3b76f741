#include "storage/trail.h"

#include <pwd.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>

namespace kvt::storage {

namespace {

enum Field { Entry, Moment, Station, User, Action, Number, Subject, Before, After, Reason, Count };

std::string momentNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                            now.time_since_epoch())
                            .count() %
                        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(millis));
    return text;
}

const std::string& stationName() {
    static const std::string name = [] {
        char host[256] = {};
        if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return std::string("-");
        return std::string(host);
    }();
    return name;
}

// Looked up once: the program's user does not change while it runs, and a look-up reads the
// system's user database (a file, or a directory server) at every trail row otherwise.
const std::string& userName() {
    static const std::string name = [] {
        passwd entry{};
        passwd* found = nullptr;
        char buffer[1024];
        if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found &&
            found->pw_name)
            return std::string(found->pw_name);
        return std::to_string(getuid());
    }();
    return name;
}

std::string field(const Record& record, int index) {
    return index < static_cast<int>(record.size()) && record[index] ? *record[index] : "";
}

}  // namespace

TableSpec TrailSpec() {
    return {TableKind::Control,
            TrailTable,
            {{"Entry", FieldType::Integer},
             {"Moment", FieldType::Text},
             {"Station", FieldType::Text},
             {"User", FieldType::Text},
             {"Action", FieldType::Text},
             {"Number", FieldType::Integer},
             {"Subject", FieldType::Text},
             {"Before", FieldType::Text},
             {"After", FieldType::Text},
             {"Reason", FieldType::Text}}};
}

TrailEntry MakeTrailEntry(std::string action, int number, std::string subject,
                          std::string before, std::string after, std::string reason) {
    TrailEntry entry;
    entry.moment = momentNow();
    entry.station = stationName();
    entry.user = userName();
    entry.action = std::move(action);
    entry.number = number;
    entry.subject = std::move(subject);
    entry.before = std::move(before);
    entry.after = std::move(after);
    entry.reason = std::move(reason);
    return entry;
}

Record TrailRecord(const TrailEntry& entry) {
    Record record(Count);
    record[Entry] = std::to_string(entry.entry);
    record[Moment] = entry.moment;
    record[Station] = entry.station;
    record[User] = entry.user;
    record[Action] = entry.action;
    if (entry.number >= 0) record[Number] = std::to_string(entry.number);
    record[Subject] = entry.subject;
    record[Before] = entry.before;
    record[After] = entry.after;
    record[Reason] = entry.reason;
    return record;
}

TrailEntry ReadTrailRecord(const Record& record) {
    TrailEntry entry;
    try {
        entry.entry = std::stoi(field(record, Entry));
    } catch (const std::exception&) {
        entry.entry = 0;
    }
    entry.moment = field(record, Moment);
    entry.station = field(record, Station);
    entry.user = field(record, User);
    entry.action = field(record, Action);
    try {
        const std::string number = field(record, Number);
        entry.number = number.empty() ? -1 : std::stoi(number);
    } catch (const std::exception&) {
        entry.number = -1;
    }
    entry.subject = field(record, Subject);
    entry.before = field(record, Before);
    entry.after = field(record, After);
    entry.reason = field(record, Reason);
    return entry;
}

}  // namespace kvt::storage
