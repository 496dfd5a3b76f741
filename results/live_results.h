// Live results on the local network: the results of every class taken on the window thread
// as plain strings (a snapshot), handed to the web server's thread under a mutex, and the pages
// and JSON made from a snapshot. The server's thread never touches the meet.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "lang/language_texts.h"
#include "ui/services.h"

namespace kvt::meet {
class Meet;
}
namespace kvt::ui {
struct Program;
}

namespace kvt::results {

struct LiveRow {
    int place = 0;
    int number = 0;
    std::string competitor, club, result, difference;
};

// A competitor on a class's start list: his planned start (empty without one).
struct LiveStart {
    std::string start;
    int number = 0;
    std::string competitor, club;
    bool operator==(const LiveStart&) const = default;
};

struct LiveClass {
    int number = 0;
    std::string name;
    std::vector<LiveRow> rows;  // from the first place to the last
    // The start list: by planned start, or by number in a class without plans.
    std::vector<LiveStart> starts;
    // A meet of two runs or more: the combined result, each row's place (empty without one),
    // number, name, club, each run's result, the total (or a status) and the difference.
    std::vector<std::vector<std::string>> combined;
};

// The words of the pages, in the language of the meet.
struct LiveWords {
    std::string languageCode;  // of the page's lang attribute
    std::string liveResults, results, classes, place, number, competitor, club, result, difference,
        finished, updated, allClasses, noMeet, noResults, refreshNote, notFound, onlyGet,
        startList, start;
    // A meet of two runs or more: "Run " and the combined result's words.
    std::string run, combined, total;
};

// The answers made from one snapshot, by path: each page is made once, by whichever request
// asks first, and the rest are sent the same bytes.
class MadePages {
public:
    std::optional<ui::WebResponse> find(const std::string& path) const;
    void keep(const std::string& path, const ui::WebResponse& response);

private:
    mutable std::mutex mutex_;
    std::map<std::string, ui::WebResponse> pages_;
};

// The results of every class as they stood when it was taken.
struct ResultsSnapshot {
    // Taken from the program (the board's first snapshot is not).
    bool taken = false;
    bool meetOpen = false;
    std::string meetPath;
    std::string meetName;
    lang::Language language = lang::Language::Norwegian;
    bool differences = false;
    // The runs of the meet (the class pages show the run being timed).
    int runs = 1;
    std::string updated;  // the time of day it was taken, "10.42.13"
    LiveWords words;
    std::vector<LiveClass> classes;  // every class in class order, with results or without
    std::shared_ptr<MadePages> made = std::make_shared<MadePages>();
};

// The open meet's results as they stand (its classes ranked as the meet keeps them); with no
// meet, a snapshot that says so. words are the LanguageTexts of the language in force.
ResultsSnapshot TakeSnapshot(const meet::Meet* meet, const lang::TextTable& words,
                             lang::Language language, const std::string& now);
// The snapshot shows what the meet holds now (the time it was taken aside).
bool SameResults(const ResultsSnapshot& snapshot, const meet::Meet* meet, lang::Language language);

// The snapshot the pages are made from: replaced whole by the window thread, read by the
// server's. The lock is held only to swap or copy the pointer.
class LiveBoard {
public:
    LiveBoard();
    void publish(std::shared_ptr<const ResultsSnapshot> snapshot);
    std::shared_ptr<const ResultsSnapshot> current() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const ResultsSnapshot> snapshot_;
};

// How the pages link and refresh: the live server's paths, or the files of a folder.
struct PageLinks {
    std::string home = "/";
    std::string classPrefix = "/class/", classSuffix;
    int refreshSeconds = 5;
    std::string refreshNote;  // empty: the snapshot's words
    std::string classPage(int number) const {
        return classPrefix + std::to_string(number) + classSuffix;
    }
};

// The pages and the JSON as the live server answers them, linked as links say; subline and
// content are HTML, the others text.
std::string ResultsPage(const ResultsSnapshot& snapshot, const PageLinks& links,
                        const std::string& title, const std::string& heading,
                        const std::string& subline, const std::string& content);
std::string ResultsClassPage(const ResultsSnapshot& snapshot, const LiveClass& c,
                             const PageLinks& links);
// Every class, or only one.
std::string ResultsJson(const ResultsSnapshot& snapshot, const LiveClass* only,
                        const PageLinks& links);

// A class's start list as a page.
std::string StartListClassPage(const ResultsSnapshot& snapshot, const LiveClass& c,
                               const PageLinks& links);
// The start list of every class of the meet, as a live page shows it.
std::vector<std::vector<LiveStart>> StartListsOf(const meet::Meet& meet);

// The answer to one request: "/" the classes, "/class/N" the results of class N, "/start/N"
// its start list, "/results.json" and "/class/N.json" the results as JSON. Nothing else is served, and only GET is answered.
ui::WebResponse AnswerLiveRequest(const ResultsSnapshot& snapshot, const ui::WebRequest& request);

// The setup page's live results check box and port box, and the timer that hands the server
// the results as they change.
void ConnectLiveResults(ui::Program& program);

}  // namespace kvt::results
