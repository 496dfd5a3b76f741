// The open meet: everything the program holds of one meet database while it is open, and every
// operator action on it, each done in one transaction that the meet opens and commits. What
// cannot be stored stays here and is stored with the next commit; nothing of it outlives the
// meet object, so nothing of one meet reaches another.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/precise_time.h"
#include "devices/impulse.h"
#include "lang/language_texts.h"
#include "meet/channels.h"
#include "meet/class_results.h"
#include "meet/setup.h"
#include "meet/starts.h"
#include "meet/two_systems.h"
#include "storage/station_journal.h"
#include "storage/store.h"
#include "storage/trail.h"

namespace kvt::meet {

// The highest start number, and the most competitors, clubs and classes a meet can hold (the
// setup page allows no more, and a register grows no further).
inline constexpr int MaxStartNumber = storage::MaxCompetitors;
inline constexpr int MaxCompetitors = storage::MaxCompetitors;
inline constexpr int MaxClubs = storage::MaxClubs;
inline constexpr int MaxClasses = storage::MaxClasses;
// A bound for a club or class number read from a record: the larger of the two.
inline constexpr int MaxClubOrClass = MaxClubs;
inline constexpr int CaptureRows = 10;

enum TimingState { NotStarted = 0, Started = 1, Finished = 2 };

// The numbered registers that entries are imported into and exported from.
enum class Register { Competitors, Clubs, Classes };

// The values of one record of a register: its number (the start, club or class number) and
// fields by their position in the table (the number itself, position 0, is never written).
// The most records the register can hold.
int RegisterLimit(Register which);

struct RegisterEntry {
    int number = 0;
    std::vector<std::pair<int, std::string>> fields;
};

struct Competitor {
    std::string name = "-";  // first name, ", ", surname
    std::string club = "-";
    std::string className = "-";
    int payment = 1;
    std::string status = "-";  // as picked on the competitor page
    std::string start = "-";
    std::string finish = "-";
    int state = NotStarted;
    // The Time-table rows the start and the finish came from (0: none known), whose times of
    // day at full precision the journal keeps.
    int startRow = 0, finishRow = 0;
};

// A status an official sets during the race. It becomes the competitor's status (the field
// of the competitor page), and the competitor has no place while it stands.
enum class RaceStatus { None, NotStarted, NotFinished, Disqualified };

// A competitor who started and has no finish and no status yet.
struct OnCourse {
    int number = 0;
    std::string name, className, start;
};

// A registered time as the Time table holds it.
struct RegisteredTime {
    std::string time = "-";
    std::string number = "-";
    std::string kind = "-";
    std::string identification = "-";
    std::string rowIndex = "-";
    // Given to a competitor before it entered the list (by Enter): never offered in it, so
    // that "<<" cannot give it a second time over the first competitor's row.
    bool given = false;
    // A line's capture: the clock's reading before the cut to hundredths (not stored; the
    // Time table holds the time text).
    base::LocalTime capturedAt{};
    // The start number its source gave (a timer's record); -1 when none. It fills the number of
    // the list row the time enters, for the operator to confirm.
    int sourceNumber = -1;
};

// One of the ten rows of the capture page's list.
struct ListRow {
    std::string number = "-";        // the start number as typed (Work fields 0 to 9)
    std::string regTimeIndex = "-";  // the offered time's Time-table row (fields 10 to 19)
    std::string regTime = "-";       // the offered time (fields 20 to 29)
    bool ready = false;              // the row holds a registered time (fields 30 to 39)
    std::string name = "-";          // the competitor's name
    std::string time = "-";          // the running or final race time
    bool outLit = false;
    bool inLit = false;
    // The number typed is none of the meet's competitors: the row shows no one.
    bool noCompetitor = false;
    // A time was given to the number on this row since it was typed: a time that enters the
    // row later does not stand beside it.
    bool numberGiven = false;
};

// A start or a finish, as a correction names it.
enum class TimeUse { Start, Finish };

// What one Time-table row is given to before and after a correction (start number and kind
// as the Time table holds them, "-" for none), and whether it is offered in the capture list
// when it is given to no one.
struct TimeChange {
    int row = 0;
    std::string numberBefore = "-", kindBefore = "-";
    std::string numberAfter = "-", kindAfter = "-";
    bool offerBefore = false, offerAfter = false;
};

// One correction as undo and redo need it: what it said, and the rows it changed.
struct Correction {
    std::string action;  // the trail's word for it
    int number = -1;     // the competitor it is made for
    std::string what;    // in the language of the meet
    std::string reason;
    std::vector<TimeChange> changes;
};

// The most runs a meet holds (a slalom's two, and room beyond).
inline constexpr int MaxRuns = 4;

// One competitor's line of a class's combined result: each run's result (a status in its
// place, "-" for no finish), the sum of the run times, his place and the difference to the
// winner; no place (0) with a status in any run or a run without a finish.
struct CombinedRow {
    int place = 0;
    int number = 0;
    std::string competitor, club;
    std::vector<std::string> runs;
    std::string total = "-";
    std::string difference = "-";
    // The first status of his runs ("Disqualified", ...) or, without a finish in a run, "-";
    // empty while he is ranked.
    std::string status;
    long long hundredths = -1;
};

// A competitor's start or finish as the two systems gave it: A's time of day and B's (or a
// hand time's) at full precision, -1 where the system has none.
struct SystemsTime {
    base::DayMicroseconds a = -1, b = -1;
    bool hand = false;      // b is a hand time (B has none)
    base::DayMicroseconds handTime = -1;  // the backup watch's time, where one was given
    bool replaced = false;  // the time he holds is a replacement accepted
};

struct SystemsRow {
    int number = 0;
    SystemsTime start, finish;
};

// The synchronisation of the two systems (both stamped from one contact) and the check a
// minute later, as the pairs of impulses recorded; -1 where none is recorded.
struct SyncCheck {
    base::DayMicroseconds syncA = -1, syncB = -1, checkA = -1, checkB = -1;
    bool synced() const { return syncA >= 0 && syncB >= 0; }
    bool checked() const { return checkA >= 0 && checkB >= 0; }
    // The check differs from the synchronisation by no more than a millisecond.
    bool agree() const;
};

// A replacement accepted: for whom, his start or finish, what it was computed from, and the
// Time-table row the time became.
struct ReplacementRecord {
    int number = 0;
    TimeUse use = TimeUse::Finish;
    bool hand = false;  // computed from a hand time rather than B's
    Replacement replacement;
    int timeRow = 0;
};

// Reports the steps of a long read: a text, then values up to a maximum.
class Progress {
public:
    virtual ~Progress() = default;
    virtual void begin(const std::string& text, int maximum) = 0;
    virtual void step(int value) = 0;
    virtual void end() = 0;
};

// What an action did, for the page to show.
struct Outcome {
    // The action gave a time, registered one or changed the list.
    bool acted = false;
    // Everything the meet holds is stored; otherwise failure says why not.
    bool stored = true;
    std::string failure;
    // Messages for the operator, in the language of the meet.
    std::vector<std::string> notices;
    // A finish was recorded: the class whose results it went into last (0: none matched).
    bool finished = false;
    int shownClass = 0;
    // The line is to be removed as its "C" button does (Enter on a competitor who finished).
    bool removeLine = false;
    // What the commit wrote: Time-table rows, and classes whose results table changed.
    std::vector<int> writtenTimeRows;
    std::vector<int> writtenClasses;
    // Register records it wrote (edits of the pages, stored now or at last), by position.
    std::vector<std::pair<Register, int>> writtenRecords;
};

class Meet {
public:
    // Reads the meet database at path (already checked as one of this language): its counts,
    // registers, times, the list and the results. The numbering checks that fail are added to
    // warnings as LanguageTexts entries, in the order they were made. Throws when a table
    // cannot be read.
    // The meet is held for this program by hold for as long as it is open.
    static std::unique_ptr<Meet> Open(storage::Engine& engine, const std::string& path,
                                      const lang::TextTable& words, lang::Language language,
                                      Progress& progress, std::vector<int>& warnings,
                                      std::unique_ptr<storage::Hold> hold = nullptr);
    Meet(const Meet&) = delete;
    Meet& operator=(const Meet&) = delete;
    ~Meet();

    const std::string& path() const { return path_; }
    const SetupRecord& setup() const { return setup_; }
    int highestNumber() const { return highestNumber_; }
    int clubCount() const { return clubCount_; }
    int classCount() const { return classCount_; }
    int registeredCount() const { return registeredCount_; }
    int fetchedCount() const { return fetchedCount_; }
    int timeTableSize() const { return timeTableSize_; }
    int channelCount(int line) const { return channelCounts_.at(line); }  // line 1 to 6
    // Competitor 0 to MaxStartNumber, club and class numbers as the records hold them; one
    // the meet does not hold is blank ("-").
    const Competitor& competitor(int n) const;
    const std::string& clubName(int m) const;
    const std::string& className(int m) const;
    // Registered time k, 1 to registeredCount.
    const RegisteredTime& registered(int k) const { return registered_.at(k); }
    const ListRow& row(int i) const { return rows_.at(i); }
    const ChannelState& channel(int c) const { return channels_.at(c); }
    const ClassResults& results(int classNumber) const { return results_.at(classNumber); }
    // The results table of a class: "Results-3" / "Resultat-3".
    std::string resultsTable(int classNumber) const;
    // The start number stored in competitor record k (1 to highestNumber); -1 when the record
    // holds no whole number.
    int recordNumber(int position) const;
    // The competitor records that hold start number n, by position (two or more: a duplicate).
    std::vector<int> recordsNumbered(int n) const;
    // A club or class text that names one of the meet's clubs or classes as a finish finds its
    // class (blanks around it aside); "-" and an empty text name none.
    bool hasClub(const std::string& name) const;
    bool hasClass(const std::string& name) const;
    // The status text in the place of the competitor's result while the results leave him
    // without a place ("Disqualified", "Canceled" of the meet's language); empty otherwise.
    std::string unrankedStatus(int n) const;

    // The status set during the race that stands for competitor n (None when none was set,
    // or it was cleared, or the competitor page has changed his status since), its reason,
    // and its word in the meet's language ("Disqualified", "Canceled", "Not started").
    RaceStatus raceStatus(int n) const;
    std::string raceStatusReason(int n) const;
    std::string raceStatusWord(RaceStatus status) const;
    // Sets a status on competitor n (None clears the one set during the race and puts back
    // the status he had before it), in one transaction with its class ranked again. A status
    // that cannot be stored waits, as register edits do, and is stored with the next action.
    // Throws std::invalid_argument, keeping nothing, when n is no competitor of the meet or a
    // disqualification comes without a reason.
    Outcome setRaceStatus(int n, RaceStatus status, const std::string& reason = "");
    // Competitors who started and have neither a finish nor a status set, by start time.
    std::vector<OnCourse> onCourse() const;
    // How many are on course, without the list (the page's button, after every registration).
    int onCourseCount() const;
    // Registered times waiting beyond the ten rows of the list, and the oldest of them
    // ("-" when none waits).
    int waitingTimes() const;
    std::string oldestWaitingTime() const;
    // Competitors of a class (by its name) with a status set during the race and no result in
    // it, by start number: they follow the results in the lists.
    std::vector<ResultRow> statusedWithoutResult(int classNumber) const;

    // A register's table, the number of its records and the records as stored.
    std::string registerTable(Register which) const;
    int registerCount(Register which) const;
    std::vector<storage::Record> registerRecords(Register which) const;
    int lastLineInUse() const;

    // Nothing waits to be stored (times, results, list, settings, register edits).
    bool allStored() const;
    // Register edits and settings that wait to be stored.
    int unstoredEdits() const {
        return static_cast<int>(unstoredEdits_.size() + unstoredSettings_.size());
    }
    // The fields of a register record (by position) edited but not stored yet; empty when
    // none wait.
    std::map<int, std::string> unstoredEdit(Register which, int position) const;
    // Times registered or given whose Time-table row is not stored yet.
    int unstoredTimes() const;
    const std::string& lastFailure() const { return failure_; }
    // What the opening put right (counts that did not agree with the Time table), to be told.
    const std::vector<std::string>& openingNotices() const { return openingNotices_; }
    // The times not stored, as "time (identification)", joined by ", ".
    std::string unstoredTimesText() const;

    // Stores what is not stored yet, in one transaction.
    Outcome store();
    // A capture of line n (1 to 6) at the time given: counted, into the Time table and the
    // registered times, taken into the list when a row is free.
    Outcome registerCapture(int line, const std::string& time);
    // An impulse of a timer: journaled, and registered on its line with the timer's time of
    // day when it is one to register (a timed impulse of a line in use, not cleared,
    // disqualified or handed on before, and not the same channel and time of day as one
    // registered already); all in one transaction.
    Outcome registerImpulse(const devices::Impulse& impulse);
    // The impulses journaled (stored or waiting for the commit).
    int journalCount() const { return journalCount_; }
    // A station on a server meet: every impulse is kept in the station's own journal before it
    // is shown, and its key (station and sequence) is written on the server with it; the
    // journal learns what the server holds once each commit has returned (nullptr: none).
    void setStationJournal(storage::StationJournal* journal) { stationJournal_ = journal; }
    // The impulses of the station's journal that the server lacks (the station was stopped
    // while they waited to be sent), registered again in the order they were taken, each once:
    // they enter the list as registered times. Returns how many were registered.
    int sendKept(std::vector<Outcome>& outcomes);
    // The trail of changes as stored, oldest first (what waits for its commit is not in it).
    const std::vector<storage::TrailEntry>& trail() const { return trail_; }
    // Race times from the times of day at full precision, cut to hundredths only at the end;
    // off (as a meet starts), from the times of day cut to hundredths first.
    bool fullPrecision() const { return fullPrecision_; }
    // The option chosen, stored in one transaction; followed only once it is stored. It
    // applies to the finishes recorded and the results ranked from then on.
    Outcome setFullPrecision(bool on);
    // A timer's time that carries the start number of a competitor who has not finished is
    // given to him at once (his start or his finish), in the transaction of its registration;
    // off (as a meet starts), it enters the list with the number filled in, for "<<".
    bool giveNumberedAtOnce() const { return giveNumberedAtOnce_; }
    // Chosen as full precision is: stored in one transaction, followed once stored.
    Outcome setGiveNumberedAtOnce(bool on);
    // A competitor's race time as its results take it: hundredths, and the time text.
    long long raceHundredths(const Competitor& competitor) const;
    std::string raceTime(const Competitor& competitor) const;
    // Enter on row i: the time now is the competitor's start or finish; on a competitor who
    // finished, the row is to be removed. One key press acts once (until releaseEnter).
    Outcome giveTimeNow(int row, const std::string& now);
    void releaseEnter() { enterLatch_ = 0; }
    // "<<" on row i: the time offered on the row is given; then, with "remove from list",
    // the row goes when no question has to be asked (Outcome::removeLine otherwise).
    Outcome giveRegisteredTime(int row);
    // Row i removed from the list; the rows below move up and the next waiting time enters.
    Outcome deleteRow(int row);
    // A setting of the setup page (not a count) chosen by the operator. The meet follows it
    // only once it is stored; until then it waits as register edits do.
    Outcome changeSetting(int field, const std::string& value);
    // A register record edited on its page (confirmed, left, a grid cell): its fields by
    // position in the table (0, the number, included). Stored in one transaction with
    // whatever else waits; only once the commit returned do the meet's names, clubs and
    // classes follow it, and finishes that waited for their class are recorded then. An edit
    // that cannot be stored waits, unused: it is tried again first by every later action and
    // by store(), and written into the recovery file at close. Throws std::invalid_argument,
    // keeping nothing, for a record or field the register does not have.
    Outcome editRecord(Register which, int position,
                       const std::vector<std::pair<int, std::string>>& fields);
    // Places and differences of one class, or of every class (the lists).
    Outcome rankClass(int classNumber);
    Outcome rankAll();
    // Imported entries written into the existing records of a register by their numbers, in
    // one transaction with whatever else waits to be stored; the caches follow, and finishes
    // that waited for their class are recorded. Nothing of it is kept when it cannot be
    // stored (the outcome says why). Throws std::invalid_argument, writing nothing, when an
    // entry's number is not one of the register's records or comes twice, or a field is
    // none of the table's.
    // Entries numbered beyond the register's count (up to its limit) are added: the records
    // up to the highest such number are made, the count follows, and a class added gains
    // its results table, all in the same transaction.
    Outcome importEntries(Register which, const std::vector<RegisterEntry>& entries);
    // A record added after the last one of a register, also while racing (a late entry, one
    // club or class more), with the fields given (as editRecord's). It takes the next
    // position; a competitor the start number field 0 asks for, or else nextFreeNumber(); the
    // count in the Setup record grows by one, and a class gains its results table, all in
    // one transaction. The register full, or the start number asked for not free: nothing is
    // added and a notice says why. The outcome's writtenRecords name the record added.
    Outcome addRecord(Register which, const std::vector<std::pair<int, std::string>>& fields = {});
    // The start number a competitor added without one gets: the first above the count that
    // no record holds (from 1 when none is left above it); 0 when every number is taken.
    int nextFreeNumber() const;
    // A start number 1 to MaxStartNumber that a competitor record holds.
    bool numberHeld(int n) const;

    // Corrections, each one action and one transaction, with the competitors' classes ranked
    // again. Nothing registered is deleted: a correction changes what Time-table rows are
    // given to. A notice says why one is refused (nothing changed then).
    // Time-table row k given to start number n: its holder loses it; n gets it as his start
    // when he has none, else as his finish.
    Outcome reassignTime(int timeRow, int number);
    // The start or finish of n taken back: he is not started or on the course again, and the
    // time is offered in the capture list again.
    Outcome takeBack(int number, TimeUse which);
    // The same for the competitor Time-table row k is given to, as the start or finish it is.
    Outcome takeBackTime(int timeRow);
    // A start or finish of n set by hand (a backup watch, the timer's tape): a time of its own
    // in the Time table, its reason kept in the row's information; the time it replaces is
    // given to no one.
    Outcome setHandTime(int number, TimeUse which, const std::string& time,
                        const std::string& reason);
    // The last correction undone, and the last one undone made again.
    Outcome undo();
    Outcome redo();
    bool canUndo() const { return !done_.empty(); }
    bool canRedo() const { return !undone_.empty(); }
    // What the next undo and redo act on ("" when none).
    std::string undoText() const { return done_.empty() ? "" : done_.back().what; }
    std::string redoText() const { return undone_.empty() ? "" : undone_.back().what; }
    // Times taken back and waiting for a free row of the list (Time-table rows).
    const std::vector<int>& offeredAgain() const { return offeredAgain_; }

    // The start number typed on row i (stored with the next commit); the row shows the
    // competitor when it is one.
    void typeNumber(int row, const std::string& text);
    // The clock: running and final times and the lamps of every row.
    void clockTick(const std::string& now);

    // The poll: lines read, captures made, due ones registered (one transaction each).
    std::vector<Outcome> poll(PollInput input);
    // A press of the line's button or key. With adapterReads the line is the adapter's and
    // the press does nothing; otherwise a capture still waiting is registered first.
    Outcome pressLineKey(int c, bool adapterReads);
    void pressLine(int c, bool adapterReads);
    void releaseLine(int c);
    // Automatic capture switched on: the lines start from inactive and unlatched.
    void resetLines();
    // Registers every capture still waiting for its delay (before the meet closes).
    std::vector<Outcome> finishPendingCaptures();

    // ---- two timing systems (meet/systems.cpp) ----
    // Which line is A's or B's and what it times, the pairing window and the out-of-sync
    // bound; stored in one transaction with its trail row, followed once stored.
    const SystemsSetup& systems() const { return systems_; }
    Outcome setSystems(const SystemsSetup& systems);
    // Every competitor with a time of either system, in start order (the time of day of his
    // start, A's or else B's or a hand time's; then by number).
    std::vector<SystemsRow> systemsSheet() const;
    // The competitors whose start or finish was paired last, the latest first (at most count).
    std::vector<SystemsRow> lastPaired(int count) const;
    // B's and hand times of the use that belong to no competitor yet: their journal entries
    // and times of day.
    std::vector<std::pair<int, base::DayMicroseconds>> unpairedB(TimeUse use) const;
    // Journal entry `entry` (an impulse of B or a hand time in order) is competitor n's: a
    // journal row that names him, stored in one transaction with its trail row.
    Outcome giveSystemB(int entry, int number);
    // Hand times of the use, typed or read from a list: each journaled, all in one
    // transaction with one trail row. A time with a number is that competitor's; one without
    // is paired with A's as B's impulses are.
    Outcome addHandTimes(TimeUse use, const std::vector<HandTime>& times);
    // The replacement for competitor n's start or finish where A has none: his B (or hand)
    // time corrected by the mean A − B of the ten nearest in start order who have both.
    // False, with why in the meet's language, when there is none to propose.
    bool proposeReplacement(int number, TimeUse use, Replacement& proposal, bool& hand,
                            std::string& why) const;
    // The proposal accepted: a hand-time correction (so the results are ranked again) and its
    // record in the meet, in one transaction.
    Outcome acceptReplacement(int number, TimeUse use);
    const std::vector<ReplacementRecord>& replacements() const { return replacements_; }
    // Competitor n's result stands on a replacement (his start or finish is one).
    bool isReplacement(int number) const;
    // The result a list shows for a row: as the table holds it, marked where it stands on a
    // replacement (a list without replacements is as before, byte for byte).
    std::string markedResult(const ResultRow& row) const;
    // The synchronisation (check false) or the check a minute later (true): the last impulse
    // of A and the last of B in the journal, stored in one transaction with its trail row.
    Outcome recordSync(bool check);
    const SyncCheck& syncCheck() const { return sync_; }

    // ---- how the classes start (meet/starts.cpp, meet/draw.cpp) ----
    // The start of a class as set; by impulse for a class never set.
    const ClassStart& classStart(int classNumber) const;
    // A competitor's planned start; nullptr when he has none.
    const PlannedStart* plannedStart(int n) const;
    // The class a competitor's class names (the first of that name), as a finish finds it; 0
    // when none.
    int classOf(int n) const;
    // The competitors of a class by start number.
    std::vector<int> classMembers(int classNumber) const;
    // The classes in the order of starts (by their place, then by number).
    std::vector<int> startSequence() const;
    // The class's starts began: one of its competitors was given a start impulse or a finish,
    // the class was started all at once, or its first planned start is before now.
    bool classStarted(int classNumber, const std::string& now) const;
    // Competitors whose start impulse lay outside the tolerance of their plan, by number.
    std::vector<int> juryMarked() const;
    // How a class starts, set by the operator: stored in one transaction, followed once stored.
    // A class whose starts began keeps its mode and its plans.
    Outcome setClassStart(int classNumber, const ClassStart& start);
    // Planned starts for the interval classes given (all of them when none is given) whose
    // starts have not begun by now, in the order of starts; seed makes the random order. The
    // plans are stored in one transaction and the competitors are started by them once stored.
    Outcome draw(const std::string& now, unsigned seed, const std::vector<int>& classes = {});
    // The classes given start all at once at time (a time of day, or the time of Time-table
    // row timeRow when it is not 0): every competitor of theirs not started yet is started;
    // no other competitor changes. Stored like a time (waits when it cannot be stored).
    Outcome massStart(const std::vector<int>& classes, const std::string& time, int timeRow = 0);

    // ---- runs (meet/runs.cpp) ----
    // The runs the meet holds (1 until more are set) and the run being timed: every time,
    // start, status, correction and result the meet acts on is that run's. Run 1 is the meet
    // as it always was: its times are the Time table's rows no later run took, its results
    // the classes' results tables.
    int runCount() const { return runCount_; }
    int run() const { return run_; }
    // The number of runs (1 to MaxRuns), stored in one transaction with its trail row.
    Outcome setRunCount(int count);
    // The run to be timed (1 to runCount), stored in one transaction with its trail row once
    // everything else is stored; the meet is then to be read again for it (OpenAgain). A
    // notice says why when it is refused (nothing changes then).
    Outcome chooseRun(int run);
    // The meet read again from its file (after chooseRun), still held for this program.
    static std::unique_ptr<Meet> OpenAgain(std::unique_ptr<Meet> meet, Progress& progress,
                                           std::vector<int>& warnings);
    // A run's results table of a class: run 1's is resultsTable.
    std::string resultsTable(int classNumber, int run) const;
    // A run's results of a class as ranked (the run being timed as the meet holds it, another
    // as stored), those without a place after them and those with a status set in the run
    // and no result last.
    std::vector<ResultRow> runResults(int run, int classNumber) const;
    // The combined result of a class over every run: the ranked by their total, then those
    // without a place by start number.
    std::vector<CombinedRow> combinedResults(int classNumber) const;
    // ---- a meet shared by several stations on a server (meet/stations.cpp) ----
    // This program is one of several stations on the meet (a server meet); its number.
    bool shared() const { return feed_ != nullptr; }
    int station() const;
    // What the other stations stored since the last look, followed: on the server's wake-up,
    // or once a second anyway (now: at once). The outcome names what changed (acted when
    // anything did); nothing is written.
    Outcome followOthers(bool now = false);
    // The check before a start or finish is given to competitor n by this station, which saw
    // his start or finish as seen ("-": none): when it is no longer so (another station gave
    // him one meanwhile), the refusal for the operator ("Station 2 gave competitor 17 a finish
    // at 12:03:04.51"); empty when the time may be given.
    std::string givenElsewhere(int n, TimeUse use, const std::string& seen) const;
    // What this station saw of competitor n's start or finish: as it was before another
    // station's change that reached it in the last moments, else as it is.
    std::string seenTime(int n, TimeUse use) const;

    // The plain-text file beside the meet that writeRecoveryFile writes (named once).
    const std::string& recoveryFilePath() const;
    // Writes what is not stored into that file, durably. Throws when it cannot.
    void writeRecoveryFile() const;

private:
    Meet(storage::Engine& engine, std::string path, const lang::TextTable& words,
         lang::Language language);
    void load(Progress& progress, std::vector<int>& warnings);
    void loadRegisters(Progress& progress, std::vector<int>& warnings);
    void loadTimes(Progress& progress, std::vector<int>& warnings);
    void repairCounts(const std::vector<storage::Record>& rows);
    void loadList();
    void loadResults();
    void fillCompetitor(int position, const storage::Record& row);
    void fillClub(const storage::Record& row);
    void fillClass(const storage::Record& row);
    void fillRecord(Register which, int position, const storage::Record& record);
    // A register record as a new meet's: its number, the placeholders.
    storage::Record freshRecord(Register which, int number) const;
    // The count of a register set (its cache and, for classes, the results) before the commit
    // that stores the records; Setup's count field follows.
    void setRegisterCount(Register which, int count);
    // Reads the rows of a class's results table into its results.
    void loadResultsTable(int classNumber);

    // Parts of actions.
    int wholeNumber(const std::string& text) const;
    int rowNumber(int row) const;
    void showRow(int row);
    // Enter or "<<" on a row whose number is no competitor: the operator is told so.
    void tellNoCompetitor(int row, Outcome& outcome) const;
    void setRowLamps(int row, int state);
    int registerNow(const std::string& now, const std::string& number);
    // The registration of a capture or a timer's time on line (1 to 6), journaled as impulse.
    // giveTo: the competitor the time is given to at once (0: none, it waits for the list).
    Outcome registerLine(int line, const std::string& time, const devices::Impulse& impulse,
                         int giveTo = 0);
    // Time-table row k given to competitor n at once: his start, or his finish.
    void giveAtOnce(int k, int n, Outcome& outcome);
    // Which clock a registered time came from: a timer's, or the PC's (the race clock);
    // Unknown for a row the journal has nothing of, or whose time was changed since.
    enum class TimeSource { Unknown, Pc, Timer };
    TimeSource sourceOf(int timeRow, const std::string& time) const;
    // A finish given to competitor n: the operator is told when his start came from the other
    // clock (a timer's and the PC's), never left to mix them unseen.
    void warnIfClocksDiffer(int n, Outcome& outcome) const;
    // One of the program's own options of the meet, stored in one transaction and followed
    // only once stored.
    Outcome setProgramOption(const std::string& name, bool on, bool& option);
    // A journal row for the impulse, written with the next commit; timeRow 0: not registered.
    void journal(const devices::Impulse& impulse, int timeRow);
    void loadJournal();
    void loadTrail();
    // A trail row stored with the next commit and kept until it is stored: for actions whose
    // changes wait as times do.
    void queueTrail(storage::TrailEntry entry);
    // A trail row written now, inside the transaction of commit's alsoWrite: for actions put
    // back when their commit fails (the row goes with them).
    void writeTrail(storage::TrailEntry entry);
    void writeQueuedTrail();
    void loadProgramSettings();
    void loadRaceStatuses();
    // The race statuses that wait with the register edits: followed by the meet (and their
    // classes ranked again) before the commit, written in it.
    void followStatusChanges();
    void writeStatusChanges();
    // The status field value of competitor n comes from a status set during the race that
    // waits to be stored (its trail row is the status's own).
    bool waitsAsRaceStatus(int n, const std::string& value) const;
    // A setting of the program's own written into the meet (inside a transaction).
    void writeProgramSetting(const std::string& name, const std::string& value);
    // The time of day at full precision of a Time-table row whose time text is time; -1 when
    // the journal has none for it (or the row's time was changed since).
    base::DayMicroseconds preciseTime(int timeRow, const std::string& time) const;
    void queueTimeRow(int row, std::map<int, std::string> fields);
    void setSetupField(int field, const std::string& value);
    void setWorkRow(int row);
    void skipGiven();
    void takeNextIntoList();
    void removeRow(int row);
    void startAll(const std::string& startTime, int timeRow);
    void recordResult(int n, Outcome& outcome);
    void recordWaitingResults(Outcome& outcome);
    void rank(int classNumber);
    long long raceHundredths(const ResultRow& row) const;
    // The copies an edit or an import changes, put back when its commit fails (nothing
    // reads them in between: the commit is the last step and nothing else runs meanwhile).
    struct Copies;
    Copies copies() const;
    void restore(Copies&& copies);
    // Register edits and settings that wait, stored before the action that follows them
    // (each action acts on what is stored); outcome tells when they could not be.
    void storeEdits(Outcome& outcome);
    // Times, results, list and counts stored (edits and settings aside).
    bool timesStored() const;
    // The one commit of an action: everything not stored yet, together.
    void commit(Outcome& outcome, const std::function<void()>& alsoWrite = {});
    void writeUnstored();
    // After a failed commit: the table handles read the stored order again (their rows may
    // name records the rollback took away).
    void rereadStaleHandles();
    // Corrections: the changes made (forward) or put back, with what follows from them.
    bool changesHold(const std::vector<TimeChange>& changes, bool forward) const;
    void applyChanges(const std::vector<TimeChange>& changes, bool forward, Outcome& outcome);
    // Undo (forward false: the last correction done is put back) or redo (forward true: the
    // last one undone is made again), one transaction with its trail row.
    Outcome replay(bool forward);
    void retime(int n);
    ResultRow resultRow(int n) const;
    void takeOutOfList(int timeRow);
    void offerAgain(int timeRow);
    Outcome correct(Correction correction);
    void loadOfferedAgain(const std::string& value);
    // Undo and redo as the trail left them (after the trail is read).
    void loadCorrections();

    // Starts: read when opening, a plan applied to its competitor, a time given to a
    // competitor with a plan taken as his start impulse when it is one, and the writes.
    void loadStarts();
    void applyPlan(int n);
    bool startImpulseDue(int n, const std::string& time) const;
    void takePlannedStart(int n, const std::string& time, int timeRow,
                          const std::string& identification, Outcome& outcome);
    bool startsStored() const;
    void writeStarts();
    storage::Table& classStartsTable();
    storage::Table& plannedStartsTable();
    void writeClassStart(int classNumber, const ClassStart& start);
    void writePlan(int n, const PlannedStart& plan);
    void startsCommitFailed();

    // A station's turn on a shared meet: taken before an action reads the meet (what the
    // other stations stored is followed first), let go once its commit returned.
    class Turn {
    public:
        explicit Turn(Meet& meet);
        ~Turn();
        Turn(const Turn&) = delete;
        Turn& operator=(const Turn&) = delete;

    private:
        Meet& meet_;
    };
    void follow(const std::vector<storage::Change>& changes, long long reached, Outcome& outcome);
    void followChanges(const std::vector<storage::Change>& changes, Outcome& outcome);
    void followTimeRow(int k, std::set<int>& competitors, Outcome& outcome);
    // A start or finish refused because another station gave one: the operator is told, the
    // trail keeps the refusal (written with the next commit). True when refused.
    bool refuseGivenElsewhere(int n, TimeUse use, const std::string& identification,
                              const std::string& time, Outcome& outcome);
    // A correction or status on a shared meet without the turn: refused and told (kept until
    // the server is back, it would be written over what the others did meanwhile unchecked).
    // True when refused.
    bool refusedWithoutTurn(Outcome& outcome) const;
    // A register record edit refused because another station changed the record meanwhile.
    std::string editedElsewhere(Register which, int position) const;
    // Kept while the server was away (or the turn could not be had): the Time-table rows this
    // station registered and the starts and finishes it gave, until the commit that stores
    // them returns. Rows numbered alike by another station meanwhile move past the server's
    // count; a give another station's work has overtaken is taken back, told and trailed.
    struct KeptGive {
        int row = 0;
        int number = 0;
        TimeUse use = TimeUse::Finish;
        std::string seen;  // his start or finish as this station saw it before the give
        std::string time;
    };
    void keepGive(int row, int n, TimeUse use, const std::string& seen, const std::string& time);
    void moveOwnRows(int taken);
    void checkKeptGives(const std::set<int>& competitors, std::set<int>& reload,
                        Outcome& outcome);
    std::set<int> ownRowsUnstored_;
    std::vector<KeptGive> keptGives_;

    storage::Engine& engine_;
    // Let go last, when every handle on the meet has gone.
    std::unique_ptr<storage::Hold> hold_;
    const std::string path_;
    const lang::TextTable words_;
    const lang::Language language_;

    SetupRecord setup_;
    int highestNumber_ = 0, clubCount_ = 0, classCount_ = 0;
    int registeredCount_ = 0, fetchedCount_ = 0, timeTableSize_ = 0;
    std::array<int, 7> channelCounts_{};
    std::vector<Competitor> competitors_;
    std::vector<int> recordNumbers_;  // by competitor record, 1 to highestNumber
    std::vector<std::string> clubNames_, classNames_;
    std::vector<RegisteredTime> registered_;
    std::array<ListRow, CaptureRows> rows_;
    std::array<ChannelState, ChannelTotal> channels_;
    int enterLatch_ = 0;
    std::vector<ClassResults> results_;  // by class number, 1 to classCount

    std::unique_ptr<storage::Table> timeTable_, setupTable_, workTable_;
    std::vector<std::unique_ptr<storage::Table>> resultsTables_;
    int timeRowsStored_ = 0;
    // A commit failed: the table handles read their order again before the next write.
    bool handlesStale_ = false;

    // Not stored yet: Time-table rows (entry of the field, value), Setup and Work fields, the
    // results of ClassResults, and finishes waiting for their class.
    std::map<int, std::map<int, std::string>> unstoredRows_;
    std::set<int> unstoredSetup_, unstoredWork_;
    std::set<int> waitingResults_;
    // Register edits and settings not stored yet, in the order they were made; the meet's
    // copies do not hold them until they are stored.
    struct RecordEdit {
        Register which;
        int position;
        std::map<int, std::string> fields;
    };
    std::vector<RecordEdit> unstoredEdits_;
    std::map<int, std::string> unstoredSettings_;
    std::string editsFailure_;
    std::string failure_;
    mutable std::string recoveryFile_;
    std::vector<std::string> openingNotices_;

    // The journal of impulses: its handle (none until the meet has the table), the impulses
    // journaled, and the rows waiting for the commit.
    std::unique_ptr<storage::Table> journalTable_;
    int journalCount_ = 0;
    std::vector<storage::Record> unstoredJournal_;
    // The station's journal, the keys of its impulses waiting for the commit (station,
    // sequence, impulse), their table, the last sequence kept, and the sequence an impulse
    // sent again already has.
    storage::StationJournal* stationJournal_ = nullptr;
    std::vector<storage::Record> unstoredKeys_;
    std::unique_ptr<storage::Table> stationKeysTable_;
    long long lastKept_ = 0;
    long long keptAgain_ = 0;
    // A timer's registered times of day by channel, so that one sent again is registered once.
    std::set<std::pair<std::string, base::DayMicroseconds>> timerTimes_;
    // The times of day at full precision of the Time-table rows, from the journal.
    std::map<int, base::DayMicroseconds> preciseTimes_;
    // The trail: its handle (none until the meet has the table), its rows as stored, the rows
    // queued for the next commit, and the rows the open transaction wrote.
    std::unique_ptr<storage::Table> trailTable_;
    std::vector<storage::TrailEntry> trail_, unstoredTrail_, writtenTrail_;
    // The program's own settings of the meet: their table, and their records by name.
    std::unique_ptr<storage::Table> settingsTable_;
    std::map<std::string, int> settingRows_, newSettingRows_;
    bool fullPrecision_ = false;
    // Corrections that undo and redo act on, the last one last.
    std::vector<Correction> done_, undone_;
    // Time-table rows taken back that wait for a free row of the list, and whether that
    // changed since it was stored.
    std::vector<int> offeredAgain_;
    bool offeredAgainUnstored_ = false;
    // The statuses set during the race, by start number (stored), and those waiting with the
    // register edits to be stored.
    struct RaceStatusRecord {
        RaceStatus status = RaceStatus::None;
        std::string word;  // the status field it wrote
        std::string reason;
        std::string before;  // the status field before the first one set
        int position = 0;    // its record in the table (0: none yet)
    };
    std::map<int, RaceStatusRecord> raceStatuses_;
    struct StatusChange {
        int number = 0;
        RaceStatusRecord record;
        std::string from;  // the status field before this change
    };
    std::vector<StatusChange> unstoredStatuses_;
    // How the classes start and the planned starts.
    StartBook starts_;
    std::unique_ptr<storage::Table> classStartsTable_, plannedStartsTable_;
    bool giveNumberedAtOnce_ = false;
    // The Time-table rows whose last journaled impulse came from a timer (true) or from the
    // PC's clock (false).
    std::map<int, bool> fromTimer_;

    // Runs: how many, the one timed, the run of each Time-table row not of the first (and
    // its record in TimeRuns), the rows whose run is not stored yet; the statuses set in the
    // run timed when it is not the first; the other runs' results and statuses as stored.
    void loadRuns();
    int runOf(int timeRow) const;
    void markRun(int timeRow);
    void writeTimeRuns();
    Outcome setRunStatus(int n, RaceStatus status, const std::string& reason);
    // The start order of a class in the run being timed, from the run before.
    std::vector<int> orderFromRunBefore(int classNumber, const ClassStart& start) const;
    // A trail row's subject marked with the run when it is not the first; and whether a row
    // was written in the run being timed.
    std::string runMarked(const std::string& subject) const;
    bool ofThisRun(const storage::TrailEntry& entry) const;
    // A stored run's results tables read (the run being timed aside).
    void loadStoredRun(int run);
    void loadRunStatuses();
    int runCount_ = 1, run_ = 1;
    // The records of TimeRuns by Time-table row, and those the open transaction added.
    std::map<int, int> timeRuns_, timeRunRecords_, newTimeRunRecords_;
    std::set<int> unstoredTimeRuns_;
    std::unique_ptr<storage::Table> timeRunsTable_;
    std::map<int, RaceStatusRecord> runStatuses_;
    struct StoredRun {
        std::map<int, std::vector<ResultRow>> classes;  // ranked, by class number
        std::map<int, std::string> statuses;            // status words by start number
    };
    std::map<int, StoredRun> storedRuns_;
    // A shared meet: the feed of what the other stations store, the sequence followed to, the
    // turn (taken once, however deep the actions call each other), and what this station saw
    // of competitors' times and register records that another station changed a moment ago.
    std::unique_ptr<storage::ChangeFeed> feed_;
    long long feedSequence_ = 0;
    int turnDepth_ = 0;
    bool turnHeld_ = false;
    std::chrono::steady_clock::time_point lastFollow_{};
    struct Seen {
        std::string start, finish;
        std::chrono::steady_clock::time_point when;
    };
    std::map<int, Seen> seenTimes_;
    std::map<std::pair<int, int>, std::pair<std::string, std::chrono::steady_clock::time_point>>
        editedByOthers_;
    std::array<std::unique_ptr<storage::Table>, 3> followedRegisters_;
    // What a catch-up inside an action followed, shown with the next poll.
    Outcome followedUnshown_;
    // Two systems: the settings, the journal's impulses as the pairing reads them, the
    // replacements accepted and the synchronisation.
    struct Stamp {
        int entry = 0;
        std::string source;  // "timer", "line", ..., "hand", "given"
        int line = 0;        // 1 to 6; 0: none (hand times)
        std::string channel;
        base::DayMicroseconds time = -1;
        int number = -1;
        unsigned flags = 0;
        int timeRow = 0;
        std::string raw;
    };
    void keepStamp(const storage::Record& record);
    void loadSystems();
    // An impulse of B's line: journaled, never registered.
    Outcome journalSystemB(const devices::Impulse& impulse);
    // A − B of the competitor whose impulse at time was just paired, told beyond the bound.
    void warnOutOfSync(base::DayMicroseconds time, Outcome& outcome) const;
    // A journal row of the program's own (a hand time, a B given to a competitor).
    void journalOwn(const std::string& source, const std::string& channel,
                    base::DayMicroseconds time, int decimals, int number, const std::string& raw);
    struct Pairing;
    Pairing pair() const;
    // The replacements accepted and not stored yet (written with the next commit).
    void writeReplacements();
    SystemsSetup systems_;
    std::vector<Stamp> stamps_;
    std::vector<ReplacementRecord> replacements_;
    std::size_t replacementsStored_ = 0;
    SyncCheck sync_;
};

}  // namespace kvt::meet
