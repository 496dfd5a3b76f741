#include "results/iof_xml.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>

#include "base/time_text.h"
#include "lang/language_texts.h"
#include "lang/race_texts.h"
#include "meet/meet.h"
#include "results/xml_writer.h"

namespace kvt::results {

namespace {

namespace entry = lang::entry;
// "Sick", of the statuses the competitor page offers.
constexpr int SickStatus = entry::FirstStatus + 2;

std::string trimmed(const std::string& value) {
    const auto begin = value.find_first_not_of(' ');
    if (begin == std::string::npos) return "";
    return value.substr(begin, value.find_last_not_of(' ') - begin + 1);
}

// "-" stands for an empty value in stored texts.
std::string valueOf(const std::string& stored) {
    const std::string value = trimmed(stored);
    return value == "-" ? std::string() : value;
}

std::string folded(const std::string& value) {
    std::string result = trimmed(value);
    for (char& ch : result)
        if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
    return result;
}

// The statuses of the competitor page in both languages, folded, made once.
struct StatusWords {
    std::string disqualified[2], canceled[2], sick[2], notStarted[2];
    StatusWords() {
        notStarted[0] = folded(lang::NotStartedStatusText().english);
        notStarted[1] = folded(lang::NotStartedStatusText().norwegian);
        for (const auto& text : lang::TextCatalogue()) {
            std::string* words = text.number == entry::Disqualified ? disqualified
                                 : text.number == entry::Canceled   ? canceled
                                 : text.number == SickStatus        ? sick
                                                                    : nullptr;
            if (!words) continue;
            words[0] = folded(text.text.english);
            words[1] = folded(text.text.norwegian);
        }
    }
};

bool isStatus(const std::string& status, const std::string (&words)[2]) {
    return status == words[0] || status == words[1];
}

// The status picked on the competitor page (in either language), else what the times say.
IofStatus statusOf(const meet::Competitor& competitor) {
    static const StatusWords words;
    if (competitor.status.empty() || competitor.status == "-") {
        // No status picked: the times alone.
    } else {
        const std::string status = folded(competitor.status);
        if (isStatus(status, words.disqualified)) return IofStatus::Disqualified;
        if (isStatus(status, words.canceled)) return IofStatus::DidNotFinish;
        if (isStatus(status, words.sick) || isStatus(status, words.notStarted))
            return IofStatus::DidNotStart;
    }
    switch (competitor.state) {
        case meet::Finished:
            return IofStatus::OK;
        case meet::Started:
            return IofStatus::Active;
        default:
            return IofStatus::Inactive;
    }
}

bool isTime(const std::string& text) {
    return text.size() >= 8 && text != "-" && text[0] >= '0' && text[0] <= '9';
}

IofEntrant entrantOf(int n, const meet::Competitor& competitor) {
    IofEntrant entrant;
    entrant.number = n;
    const std::string& name = competitor.name;
    const auto comma = name.find(", ");
    entrant.given = valueOf(name.substr(0, comma));
    entrant.family = comma == std::string::npos ? std::string() : valueOf(name.substr(comma + 2));
    entrant.club = valueOf(competitor.club);
    if (isTime(competitor.start)) entrant.start = competitor.start;
    if (isTime(competitor.finish) && competitor.state == meet::Finished)
        entrant.finish = competitor.finish;
    entrant.status = statusOf(competitor);
    return entrant;
}

std::string twoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

std::string nextDate(const std::string& date) {
    int y = 0, m = 0, d = 0;
    if (std::sscanf(date.c_str(), "%d-%d-%d", &y, &m, &d) != 3) return date;
    using namespace std::chrono;
    const year_month_day next{sys_days{year{y} / month(static_cast<unsigned>(m)) /
                                       day(static_cast<unsigned>(d))} +
                              days{1}};
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(next.year()),
                  static_cast<unsigned>(next.month()), static_cast<unsigned>(next.day()));
    return text;
}

void writeEvent(XmlWriter& xml, const IofSnapshot& snapshot) {
    xml.open("Event");
    xml.element("Name", snapshot.eventName);
    xml.open("StartTime");
    xml.element("Date", snapshot.day.date);
    xml.close();
    xml.close();
}

XmlWriter::Attributes rootAttributes(const IofSnapshot& snapshot) {
    return {{"xmlns", "http://www.orienteering.org/datastandard/3.0"},
            {"iofVersion", "3.0"},
            {"createTime", snapshot.day.createTime},
            {"creator", "KVT"}};
}

void writeClass(XmlWriter& xml, const IofClass& c) {
    xml.open("Class");
    xml.element("Id", std::to_string(c.number));
    xml.element("Name", c.name);
    xml.close();
}

void writePerson(XmlWriter& xml, const IofEntrant& entrant) {
    xml.open("Person");
    xml.open("Name");
    xml.element("Family", entrant.family);
    xml.element("Given", entrant.given);
    xml.close();
    xml.close();
    if (!entrant.club.empty()) {
        xml.open("Organisation");
        xml.element("Name", entrant.club);
        xml.close();
    }
}

// A finish earlier in the day than the start is on the next day.
bool finishNextDay(const IofEntrant& entrant) {
    return !entrant.start.empty() &&
           base::TimeHundredths(entrant.finish) < base::TimeHundredths(entrant.start);
}

}  // namespace

const char* IofStatusName(IofStatus status) {
    switch (status) {
        case IofStatus::OK:
            return "OK";
        case IofStatus::Disqualified:
            return "Disqualified";
        case IofStatus::DidNotFinish:
            return "DidNotFinish";
        case IofStatus::DidNotStart:
            return "DidNotStart";
        case IofStatus::Active:
            return "Active";
        case IofStatus::Inactive:
            break;
    }
    return "Inactive";
}

IofDay IofDay::Today() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char date[16], time[16];
    std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    const long offset = local.tm_gmtoff / 60;
    const long minutes = offset < 0 ? -offset : offset;
    IofDay day;
    day.date = date;
    day.zone = std::string(offset < 0 ? "-" : "+") + twoDigits(static_cast<int>(minutes / 60)) +
               ":" + twoDigits(static_cast<int>(minutes % 60));
    day.createTime = day.date + "T" + time + day.zone;
    return day;
}

std::string IofDateTime(const IofDay& day, const std::string& timeText, bool nextDay) {
    if (!isTime(timeText)) return "";
    const long long hundredths = base::TimeHundredths(timeText);
    if (hundredths < 0) return "";
    const long long seconds = hundredths / 100;
    std::string text = (nextDay ? nextDate(day.date) : day.date) + "T" +
                       twoDigits(static_cast<int>(seconds / 3600 % 24)) + ":" +
                       twoDigits(static_cast<int>(seconds / 60 % 60)) + ":" +
                       twoDigits(static_cast<int>(seconds % 60));
    if (hundredths % 100 != 0) text += "." + twoDigits(static_cast<int>(hundredths % 100));
    return text + day.zone;
}

std::string IofSeconds(long long hundredths) {
    return std::to_string(hundredths / 100) + "." + twoDigits(static_cast<int>(hundredths % 100));
}

namespace {

bool sameCompetitor(const meet::Competitor& a, const meet::Competitor& b) {
    return a.state == b.state && a.name == b.name && a.club == b.club &&
           a.className == b.className && a.status == b.status && a.start == b.start &&
           a.finish == b.finish;
}

bool sameRow(const meet::ResultRow& a, const meet::ResultRow& b) {
    return a.place == b.place && a.number == b.number && a.competitor == b.competitor &&
           a.club == b.club && a.result == b.result && a.difference == b.difference &&
           a.status == b.status;
}

int competitorCount(const meet::Meet& meet) {
    return std::max(0, std::min(meet.highestNumber(), meet::MaxStartNumber));
}

// A results row may name a start number beyond the records: its competitor is kept too.
int numbersCopied(const meet::Meet& meet) {
    int count = competitorCount(meet);
    for (int c = 1; c <= meet.classCount(); ++c)
        for (const meet::ResultRow& row : meet.results(c).rows())
            if (row.number > count && row.number <= meet::MaxStartNumber) count = row.number;
    return count;
}

}  // namespace

MeetCopy CopyMeet(const meet::Meet& meet) {
    MeetCopy copy;
    copy.path = meet.path();
    copy.differences = meet.setup().yes(meet::field::Differences);
    copy.highest = competitorCount(meet);
    const int count = numbersCopied(meet);
    copy.competitors.reserve(count);
    for (int n = 1; n <= count; ++n) copy.competitors.push_back(meet.competitor(n));
    copy.classes.resize(meet.classCount());
    for (int c = 1; c <= meet.classCount(); ++c) {
        auto& shown = copy.classes[c - 1];
        shown.name = meet.className(c);
        const auto& results = meet.results(c);
        shown.ranked.reserve(results.ranking().size());
        for (int index : results.ranking()) shown.ranked.push_back(results.rows()[index]);
    }
    return copy;
}

bool SameAsMeet(const MeetCopy& copy, const meet::Meet& meet) {
    const int count = numbersCopied(meet);
    if (copy.path != meet.path() || copy.highest != competitorCount(meet) ||
        copy.differences != meet.setup().yes(meet::field::Differences) ||
        static_cast<int>(copy.competitors.size()) != count ||
        static_cast<int>(copy.classes.size()) != meet.classCount())
        return false;
    for (int n = 1; n <= count; ++n)
        if (!sameCompetitor(copy.competitors[n - 1], meet.competitor(n))) return false;
    for (int c = 1; c <= meet.classCount(); ++c) {
        const auto& shown = copy.classes[c - 1];
        const auto& results = meet.results(c);
        if (shown.name != meet.className(c) || shown.ranked.size() != results.ranking().size())
            return false;
        std::size_t k = 0;
        for (int index : results.ranking())
            if (!sameRow(shown.ranked[k++], results.rows()[index])) return false;
    }
    return true;
}

IofSnapshot TakeIofSnapshot(const meet::Meet& meet, const IofDay& day) {
    return MakeIofSnapshot(CopyMeet(meet), day);
}

IofSnapshot MakeIofSnapshot(const MeetCopy& meet, const IofDay& day) {
    IofSnapshot snapshot;
    snapshot.eventName = std::filesystem::path(meet.path).stem().string();
    snapshot.day = day;
    const int count = static_cast<int>(meet.competitors.size());
    auto competitor = [&](int n) -> const meet::Competitor& { return meet.competitors[n - 1]; };
    std::map<std::string, std::vector<int>> byClass;
    for (int n = 1; n <= std::min(count, meet.highest); ++n) {
        const std::string name = valueOf(competitor(n).className);
        if (!name.empty()) byClass[name].push_back(n);
    }
    snapshot.classes.reserve(meet.classes.size());
    for (std::size_t c = 1; c <= meet.classes.size(); ++c) {
        IofClass shown;
        shown.number = static_cast<int>(c);
        shown.name = trimmed(meet.classes[c - 1].name);
        std::vector<bool> listed(meet::MaxStartNumber + 1, false);
        std::vector<IofEntrant> ranked, others;
        for (const meet::ResultRow& row : meet.classes[c - 1].ranked) {
            if (row.number < 1 || row.number > count || listed[row.number]) continue;
            listed[row.number] = true;
            IofEntrant entrant = entrantOf(row.number, competitor(row.number));
            // A row of the results is a finish, whatever the register says since.
            if (entrant.status == IofStatus::Active || entrant.status == IofStatus::Inactive)
                entrant.status = IofStatus::OK;
            entrant.time = !entrant.start.empty() && !entrant.finish.empty()
                               ? base::RaceHundredths(entrant.start, entrant.finish)
                               : base::ResultHundredths(row.result);
            if (entrant.status == IofStatus::OK && entrant.time >= 0)
                ranked.push_back(std::move(entrant));
            else
                others.push_back(std::move(entrant));
        }
        // Places among those whose status is OK (the meet may have placed a disqualified
        // competitor when its statuses are not applied to the results): equal times share one.
        std::stable_sort(ranked.begin(), ranked.end(),
                         [](const IofEntrant& a, const IofEntrant& b) { return a.time < b.time; });
        for (std::size_t k = 0; k < ranked.size(); ++k) {
            ranked[k].place = k > 0 && ranked[k].time == ranked[k - 1].time
                                  ? ranked[k - 1].place
                                  : static_cast<int>(k) + 1;
            ranked[k].behind = ranked[k].time - ranked[0].time;
        }
        shown.entrants = std::move(ranked);
        for (IofEntrant& entrant : others) shown.entrants.push_back(std::move(entrant));
        const auto members = byClass.find(shown.name);
        if (!shown.name.empty() && members != byClass.end())
            for (int n : members->second)
                if (!listed[n]) shown.entrants.push_back(entrantOf(n, competitor(n)));
        snapshot.classes.push_back(std::move(shown));
    }
    return snapshot;
}

std::string IofResultList(const IofSnapshot& snapshot) {
    XmlWriter xml;
    auto attributes = rootAttributes(snapshot);
    attributes.emplace_back("status", "Complete");
    xml.open("ResultList", attributes);
    writeEvent(xml, snapshot);
    for (const IofClass& c : snapshot.classes) {
        if (c.entrants.empty()) continue;
        xml.open("ClassResult");
        writeClass(xml, c);
        for (const IofEntrant& entrant : c.entrants) {
            xml.open("PersonResult");
            writePerson(xml, entrant);
            xml.open("Result");
            xml.element("BibNumber", std::to_string(entrant.number));
            if (!entrant.start.empty())
                xml.element("StartTime", IofDateTime(snapshot.day, entrant.start));
            if (!entrant.finish.empty())
                xml.element("FinishTime",
                            IofDateTime(snapshot.day, entrant.finish, finishNextDay(entrant)));
            if (entrant.time >= 0) xml.element("Time", IofSeconds(entrant.time));
            if (entrant.behind >= 0) xml.element("TimeBehind", IofSeconds(entrant.behind));
            if (entrant.place > 0) xml.element("Position", std::to_string(entrant.place));
            xml.element("Status", IofStatusName(entrant.status));
            xml.close();
            xml.close();
        }
        xml.close();
    }
    return xml.finish();
}

std::string IofStartList(const IofSnapshot& snapshot) {
    XmlWriter xml;
    xml.open("StartList", rootAttributes(snapshot));
    writeEvent(xml, snapshot);
    for (const IofClass& c : snapshot.classes) {
        if (c.entrants.empty()) continue;
        xml.open("ClassStart");
        writeClass(xml, c);
        std::vector<const IofEntrant*> byNumber;
        for (const IofEntrant& entrant : c.entrants) byNumber.push_back(&entrant);
        std::sort(byNumber.begin(), byNumber.end(),
                  [](const IofEntrant* a, const IofEntrant* b) { return a->number < b->number; });
        for (const IofEntrant* entrant : byNumber) {
            xml.open("PersonStart");
            writePerson(xml, *entrant);
            xml.open("Start");
            xml.element("BibNumber", std::to_string(entrant->number));
            if (!entrant->start.empty())
                xml.element("StartTime", IofDateTime(snapshot.day, entrant->start));
            xml.close();
            xml.close();
        }
        xml.close();
    }
    return xml.finish();
}

std::string IofEntryList(const IofSnapshot& snapshot) {
    XmlWriter xml;
    xml.open("EntryList", rootAttributes(snapshot));
    writeEvent(xml, snapshot);
    std::vector<std::pair<const IofEntrant*, const IofClass*>> entries;
    for (const IofClass& c : snapshot.classes)
        for (const IofEntrant& entrant : c.entrants) entries.emplace_back(&entrant, &c);
    std::sort(entries.begin(), entries.end(),
              [](const auto& a, const auto& b) { return a.first->number < b.first->number; });
    for (const auto& [entrant, c] : entries) {
        xml.open("PersonEntry");
        // The entry's identity is its start number: an import finds the record by it.
        xml.element("Id", std::to_string(entrant->number));
        writePerson(xml, *entrant);
        writeClass(xml, *c);
        xml.close();
    }
    return xml.finish();
}

}  // namespace kvt::results
