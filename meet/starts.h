// How the classes of a meet start: by each competitor's own start impulse, at intervals from a
// draw (planned start times), or all at once (a mass or wave start at a time of day or at a
// captured impulse). Kept in tables of the program's own beside the meet's tables.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

namespace kvt::meet {

enum class StartMode { Impulse, Interval, Mass };
// A later run's order comes from the run before: as it ranked (those without a place last),
// reversed, or its best N reversed and the others after them as they ranked.
enum class StartOrder { ByNumber, Random, List, RunBefore, RunBeforeReversed, BestReversed };

// The start of one class as the operator set it. Times of day are time texts, "-" when none;
// spans are in hundredths of a second.
struct ClassStart {
    StartMode mode = StartMode::Impulse;
    // Interval: the first planned start; "-": the class follows the one before it in the order
    // of starts (its last start, plus its interval and gap).
    std::string firstStart = "-";
    long long interval = 3000;
    StartOrder order = StartOrder::ByNumber;
    // Start numbers in the order of a list (StartOrder::List); the class's others follow by
    // number.
    std::vector<int> listOrder;
    // StartOrder::BestReversed: how many of the best start in reversed order.
    int best = 0;
    // Added after the class's last start and interval before the next class's first start.
    long long gap = 0;
    // The class's place in the order of starts (0: by its class number).
    int sequence = 0;
    // A start impulse this close to the plan becomes the competitor's start.
    long long tolerance = 300;
    // A mass start given to the class: its time of day and the Time-table row it came from
    // (0: a time typed, not a captured impulse).
    std::string massTime = "-";
    int massRow = 0;
    int draws = 0;

    bool operator==(const ClassStart&) const = default;
};

// The jury's mark of a start impulse outside the tolerance of the plan.
enum class JuryMark { None, Early, Late };

// A competitor's planned start, and the start impulse given to him against it.
struct PlannedStart {
    int classNumber = 0;
    std::string planned = "-";
    std::string impulse = "-";
    int impulseRow = 0;
    JuryMark jury = JuryMark::None;
    // The impulse minus the plan, in hundredths (0 while none was given).
    long long offset = 0;
};

// A start impulse for a competitor with a plan is one up to this long after the plan's
// tolerance; a later time is his finish.
inline constexpr long long StartImpulseWindow = 6000;

// Texts stored for the modes, orders and marks.
const char* ModeText(StartMode mode);
StartMode ModeOf(const std::string& text);
const char* OrderText(StartOrder order);
StartOrder OrderOf(const std::string& text);
const char* JuryText(JuryMark mark);
JuryMark JuryOf(const std::string& text);

// The classes' starts and the planned starts as the meet holds them, with what is not stored.
struct StartBook {
    std::map<int, ClassStart> classes;  // by class number; a class not here starts by impulse
    std::map<int, PlannedStart> plans;  // by start number
    std::set<int> unstoredClasses, unstoredPlans;
    // Records of the two tables by class and by start number.
    std::map<int, int> classRows, planRows;
    // A commit failed: the positions are read again before the next write.
    bool positionsStale = false;
};

}  // namespace kvt::meet
