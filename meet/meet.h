// The open meet: everything the program holds of one meet database while it is open, and every
// operator action on it, each done in one transaction that the meet opens and commits. What
// cannot be stored stays here and is stored with the next commit; nothing of it outlives the
// meet object, so nothing of one meet reaches another.
#pragma once

#include <array>
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
#include "storage/store.h"
#include "storage/trail.h"

namespace kvt::meet {

inline constexpr int MaxStartNumber = 3000;
inline constexpr int MaxClubOrClass = 50;
inline constexpr int CaptureRows = 10;
// The sizes the setup page allows; larger stored counts are read as these.
inline constexpr int MaxCompetitors = 3000;
inline constexpr int MaxClubsOnPage = 15;
inline constexpr int MaxClassesOnPage = 15;

enum TimingState { NotStarted = 0, Started = 1, Finished = 2 };

// The numbered registers that entries are imported into and exported from.
enum class Register { Competitors, Clubs, Classes };

// The values of one record of a register: its number (the start, club or class number) and
// fields by their position in the table (the number itself, position 0, is never written).
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
    // Competitor 0 to 3000; club and class 0 to 50 (names "-" where none).
    const Competitor& competitor(int n) const { return competitors_.at(n); }
    const std::string& clubName(int m) const { return clubNames_.at(m); }
    const std::string& className(int m) const { return classNames_.at(m); }
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
    // The trail of changes as stored, oldest first (what waits for its commit is not in it).
    const std::vector<storage::TrailEntry>& trail() const { return trail_; }
    // Race times from the times of day at full precision, cut to hundredths only at the end;
    // off (as a meet starts), from the times of day cut to hundredths first.
    bool fullPrecision() const { return fullPrecision_; }
    // The option chosen, stored in one transaction; followed only once it is stored. It
    // applies to the finishes recorded and the results ranked from then on.
    Outcome setFullPrecision(bool on);
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
    Outcome importEntries(Register which, const std::vector<RegisterEntry>& entries);

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

    // Parts of actions.
    int wholeNumber(const std::string& text) const;
    int rowNumber(int row) const;
    void showRow(int row);
    // Enter or "<<" on a row whose number is no competitor: the operator is told so.
    void tellNoCompetitor(int row, Outcome& outcome) const;
    void setRowLamps(int row, int state);
    int registerNow(const std::string& now, const std::string& number);
    // The registration of a capture or a timer's time on line (1 to 6), journaled as impulse.
    Outcome registerLine(int line, const std::string& time, const devices::Impulse& impulse);
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
    std::map<std::string, int> settingRows_;
    bool fullPrecision_ = false;
};

}  // namespace kvt::meet
