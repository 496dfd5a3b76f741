// The meet's entries, start list and results as IOF XML 3.0 files: made from a snapshot the
// meet hands over (every class with its competitors, their times and places), never from the
// database behind the meet's back.
#pragma once

#include <string>
#include <vector>

#include "meet/meet.h"

namespace kvt::results {

// The competitor's status as IOF names it.
enum class IofStatus { OK, Disqualified, DidNotFinish, DidNotStart, Active, Inactive };
const char* IofStatusName(IofStatus status);

struct IofEntrant {
    int number = 0;
    std::string given, family, club;
    std::string start, finish;  // time texts HH.MM.SS.hh; empty when none
    int place = 0;              // 0: no place
    long long time = -1;        // race time in hundredths; -1: none
    long long behind = -1;      // behind the winner in hundredths; -1: none
    IofStatus status = IofStatus::Inactive;
    bool operator==(const IofEntrant&) const = default;
};

struct IofClass {
    int number = 0;
    std::string name;
    // The ranked first by place, then the others by start number.
    std::vector<IofEntrant> entrants;
    bool operator==(const IofClass&) const = default;
};

// The day of the race and when the files are made: dates and times of the files are
// written with them.
struct IofDay {
    std::string date;        // "2026-12-08"
    std::string zone;        // "+01:00"
    std::string createTime;  // "2026-12-08T14:02:11+01:00"
    // The local date and offset now.
    static IofDay Today();
};

struct IofSnapshot {
    std::string eventName;
    IofDay day;
    std::vector<IofClass> classes;  // every class in class order
};

// What the files are made of, copied from the meet as it stands (plain values, cheap to take
// on the window's thread): the competitors by start number, and each class's results rows in
// ranked order.
struct MeetCopy {
    std::string path;
    int highest = 0;  // the competitor records (start numbers beyond have none)
    std::vector<meet::Competitor> competitors;  // start number n at n - 1, up to 9999
    struct Class {
        std::string name;
        std::vector<meet::ResultRow> ranked;
        bool operator==(const Class&) const = default;
    };
    std::vector<Class> classes;  // class c at c - 1
    bool differences = false;
};
MeetCopy CopyMeet(const meet::Meet& meet);
// The copy shows what the meet holds now.
bool SameAsMeet(const MeetCopy& copy, const meet::Meet& meet);

// Every class of the meet with its competitors (by class name, as a finish finds its class)
// and its results as the meet ranked them.
IofSnapshot MakeIofSnapshot(const MeetCopy& meet, const IofDay& day);
IofSnapshot TakeIofSnapshot(const meet::Meet& meet, const IofDay& day);

// The documents, UTF-8.
std::string IofResultList(const IofSnapshot& snapshot);
std::string IofStartList(const IofSnapshot& snapshot);
std::string IofEntryList(const IofSnapshot& snapshot);

// A time of day of the race as an XML date and time: a finish earlier in the day than the
// start is on the next day. "" when the text is no time.
std::string IofDateTime(const IofDay& day, const std::string& timeText, bool nextDay = false);
// Hundredths as seconds with two decimals ("1867.45").
std::string IofSeconds(long long hundredths);

// The file names in the meet folder.
inline constexpr const char* IofResultFile = "ResultList.xml";
inline constexpr const char* IofStartFile = "StartList.xml";
inline constexpr const char* IofEntryFile = "EntryList.xml";

}  // namespace kvt::results
