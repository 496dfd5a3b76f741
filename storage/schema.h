// The meet database's tables: one description of every table, its localised name and its
// fields in order, from which the tables are made, bound and checked.
#pragma once

#include <string>
#include <vector>

#include "lang/language_texts.h"

namespace kvt::storage {

enum class FieldType { Text, YesNo, Integer };

struct FieldSpec {
    std::string name;
    FieldType type;
};

// The most records a meet's registers hold (a competitor's start number is 1 to
// MaxCompetitors too), and the most rows its Time table keeps (the most times a meet holds:
// two runs of the most competitors, started and finished, with room to spare).
inline constexpr int MaxCompetitors = 9999, MaxClubs = 200, MaxClasses = 100;
inline constexpr int MaxTimeRows = 99999;

enum class TableKind { Competitors, Clubs, Classes, Setup, Time, Work, Results, Control };

struct TableSpec {
    TableKind kind;
    std::string name;
    std::vector<FieldSpec> fields;
};

// The user settings database User.ini: one table of four text fields, one record.
inline constexpr const char* UserSettingsTable = "User";
inline constexpr const char* UserSettingsFields[4] = {"ExplorerPath", "Språk", "Editor",
                                                      "EditorPath"};
TableSpec UserSettingsSpec();

// The journal of impulses: a table of the program's own in the meet, one record per impulse the
// program took (registered or not), written with the registration and never changed after.
// Its name and fields are the same in both languages (storage/record_fields.h: impulse).
inline constexpr const char* ImpulseJournalTable = "Impulses";
TableSpec ImpulseJournalSpec();
// On a server meet: which station took each impulse of the journal, by the station's name and
// the impulse's sequence in the station's own journal (a unique key on the server), and the
// impulse's number in the meet's journal.
inline constexpr const char* StationImpulsesTable = "StationImpulses";
TableSpec StationImpulsesSpec();
// The program's own settings of a meet that the Setup table has no field for: one record per
// setting, its name and its value.
inline constexpr const char* ProgramSettingsTable = "ProgramSettings";
TableSpec ProgramSettingsSpec();
// The statuses set during the race (not started, gave up, disqualified): one record per start
// number that had one, with its reason and the competitor's status from before it, which
// clearing puts back. Status is empty once cleared.
inline constexpr const char* RaceStatusesTable = "RaceStatuses";
TableSpec RaceStatusesSpec();
// How each class starts (by impulse, at intervals from a draw, all at once): one record per
// class, and each competitor's planned start with the start impulse he was given against it.
// Both are the program's own, their names and fields the same in both languages
// (storage/record_fields.h: class_start, planned_start).
inline constexpr const char* ClassStartsTable = "ClassStarts";
TableSpec ClassStartsSpec();
inline constexpr const char* PlannedStartsTable = "PlannedStarts";
TableSpec PlannedStartsSpec();
// The replacement times accepted where system A missed an impulse: one record each, with the
// competitor, his start or finish, the B or hand time it came from, the ten competitors' A and
// B times it was corrected by and the Time-table row it became (storage/record_fields.h:
// replacement). The program's own, the same in both languages.
inline constexpr const char* ReplacementsTable = "Replacements";
TableSpec ReplacementsSpec();

// Runs after the first (a slalom's second run): the run each Time-table row belongs to when it
// is not the first (one record per row, Run 1 once a row went back to the first run), and the
// statuses set during such a run (the first run's are RaceStatuses, kept with the register).
// A later run's results tables have the layout of the results tables, named by
// RunResultsTableName. All of them are the program's own, named alike in both languages.
inline constexpr const char* TimeRunsTable = "TimeRuns";
TableSpec TimeRunsSpec();
inline constexpr const char* RunStatusesTable = "RunStatuses";
TableSpec RunStatusesSpec();
// The results table of a class in run 2 and after: "Run2-Results-3", "Run2-Resultat-3".
std::string RunResultsTableName(const lang::TextTable& texts, int classNumber, int run);

// The table of a kind under the language whose texts are given; classNumber names the results
// table of that class (Results-1, Resultat-2, ...).
TableSpec DescribeTable(TableKind kind, const lang::TextTable& texts, int classNumber = 0);

// Every table of a meet database with classCount classes, in the order they are made.
std::vector<TableSpec> MeetTables(const lang::TextTable& texts, int classCount);

}  // namespace kvt::storage
