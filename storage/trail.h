// The trail of changes: a table of the program's own in the meet, one record for every change
// an operator made to a start, a finish, a result, a status, a register record, a setting, an
// import, a draw or a reset, with when, where and by whom, and the values before and after.
// It is written in the same transaction as the change and never changed after.
#pragma once

#include <string>

#include "storage/schema.h"
#include "storage/store.h"

namespace kvt::storage {

inline constexpr const char* TrailTable = "Trail";
TableSpec TrailSpec();

// The actions the trail names (stored as these words in both languages; the pages show them in
// the meet's language).
namespace trail {
inline constexpr const char* Start = "start";          // a start given to a competitor
inline constexpr const char* Finish = "finish";        // a finish given to a competitor
inline constexpr const char* StartAll = "start-all";   // everyone not finished started at once
inline constexpr const char* Edit = "edit";            // a register record edited
inline constexpr const char* Setting = "setting";      // a setting of the meet changed
inline constexpr const char* Import = "import";        // entries imported into a register
inline constexpr const char* Add = "add";              // a register record added to the meet
inline constexpr const char* Reset = "reset";          // the meet's times and results emptied
// Corrections of times given: before and after name each Time-table row changed, as
// "12: 7 In" (given to 7 as his finish), "12: -" (given to no one) or "12: offered" (given to
// no one and offered in the capture list again), joined by "; ".
inline constexpr const char* Reassign = "reassign";    // a time given to another start number
inline constexpr const char* TakeBack = "take-back";   // a start or finish taken back
inline constexpr const char* HandTime = "hand-time";   // a start or finish set by hand
inline constexpr const char* Undo = "undo";            // the last correction put back
inline constexpr const char* Redo = "redo";            // the last correction undone made again
inline constexpr const char* Status = "status";        // a status set or cleared during the race
inline constexpr const char* Draw = "draw";            // planned starts drawn for classes
inline constexpr const char* MassStart = "mass-start"; // classes started all at once
// An action of this station refused because another station changed the same thing a moment
// before (before: what the other station did; after: what this one tried).
inline constexpr const char* Refused = "refused";
// Two timing systems: hand times typed or imported, a time of B given to a competitor, and the
// synchronisation of the systems or its check recorded.
inline constexpr const char* HandTimes = "hand-times";
inline constexpr const char* GiveB = "b-given";
inline constexpr const char* Sync = "sync";
}  // namespace trail

struct TrailEntry {
    int entry = 0;         // 1, 2, ... in the order stored
    std::string moment;    // the local date and time of the action: YYYY-MM-DD HH:MM:SS.mmm
    std::string station;   // the computer's name
    std::string user;      // the operator's login name
    std::string action;    // one of trail::...
    int number = -1;       // the start number the change concerns; -1: none
    std::string subject;   // what changed beyond the number: a table and record, a setting
    std::string before;    // the values before and after, as the operator reads them
    std::string after;
    std::string reason;    // the operator's reason, where one is asked for
};

// A trail entry of the action, stamped now on this computer by this user.
TrailEntry MakeTrailEntry(std::string action, int number, std::string subject,
                          std::string before, std::string after, std::string reason = "");

// The record of an entry in the table's field order, and the entry read back from one.
Record TrailRecord(const TrailEntry& entry);
TrailEntry ReadTrailRecord(const Record& record);

}  // namespace kvt::storage
