#include "results/live_results.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>

#include "base/time_text.h"
#include "lang/entry_texts.h"
#include "lang/output_texts.h"
#include "lang/run_texts.h"
#include "lang/start_texts.h"
#include "meet/meet.h"
#include "results/list_file.h"
#include "ui/program.h"

namespace kvt::results {

namespace entry = lang::entry;

namespace {

LiveWords wordsOf(const lang::TextTable& texts, lang::Language language) {
    auto in = [language](lang::Bilingual text) { return std::string(text.in(language)); };
    LiveWords words;
    words.languageCode = language == lang::Language::English ? "en" : "nb";
    words.liveResults = in(lang::LiveResultsText());
    words.results = texts[entry::ResultsHeading];
    words.classes = in(lang::ClassesText());
    words.place = texts[entry::Place];
    words.number = texts[entry::Number];
    words.competitor = texts[entry::Competitor];
    words.club = texts[entry::Club];
    words.result = texts[entry::Result];
    words.difference = texts[entry::Difference];
    words.finished = in(lang::FinishedText());
    words.updated = in(lang::UpdatedText());
    words.allClasses = in(lang::AllClassesText());
    words.noMeet = in(lang::NoMeetOpenLiveText());
    words.noResults = in(lang::NoResultsText());
    words.refreshNote = in(lang::RefreshNoteText());
    words.notFound = in(lang::NotFoundText());
    words.onlyGet = in(lang::OnlyGetText());
    words.startList = in(lang::StartListHeading());
    words.start = in(lang::StartTimeHeading());
    words.run = in(lang::RunText());
    words.combined = in(lang::CombinedText());
    words.total = in(lang::TotalText());
    return words;
}

std::string placeText(const LiveRow& row) {
    return row.place > 0 ? std::to_string(row.place) : std::string();
}

bool sameRow(const LiveRow& shown, const meet::ResultRow& row, const meet::Meet& meet) {
    return shown.place == row.place && shown.number == row.number &&
           shown.competitor == row.competitor && shown.club == row.club &&
           shown.result == meet.markedResult(row) && shown.difference == row.difference;
}

// ---- the pages ----

std::string htmlText(const std::string& value) {
    return HtmlText(value, true);
}

// A JSON string; <, > and & as escapes too, so that the text is inert wherever it is pasted.
std::string jsonText(const std::string& value) {
    std::string text = "\"";
    text.reserve(value.size() + 8);
    for (unsigned char ch : value) {
        switch (ch) {
            case '"':
                text += "\\\"";
                break;
            case '\\':
                text += "\\\\";
                break;
            case '\n':
                text += "\\n";
                break;
            case '\r':
                text += "\\r";
                break;
            case '\t':
                text += "\\t";
                break;
            default:
                if (ch < 0x20 || ch == '<' || ch == '>' || ch == '&') {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", ch);
                    text += escape;
                } else {
                    text += static_cast<char>(ch);
                }
        }
    }
    return text + "\"";
}

constexpr const char* Style =
    "body{margin:0;font-family:system-ui,-apple-system,'Segoe UI',Roboto,'DejaVu Sans',sans-serif;"
    "background:#eef1f5;color:#17202a;-webkit-text-size-adjust:100%}"
    "header{background:#12355b;color:#fff;padding:14px 16px 12px}"
    "h1{font-size:1.35rem;margin:0 0 4px}"
    "header p{margin:0;font-size:.85rem;color:#c9d6e6}"
    "header a{color:#fff}"
    "main{padding:10px 8px 4px}"
    "table{width:100%;border-collapse:collapse;background:#fff;border-radius:6px;"
    "overflow:hidden;box-shadow:0 1px 2px rgba(0,0,0,.12)}"
    "th,td{padding:9px 6px;text-align:left;vertical-align:top;border-bottom:1px solid #e3e7ec}"
    "th{font-size:.7rem;text-transform:uppercase;letter-spacing:.03em;color:#5b6775;"
    "background:#f7f9fb}"
    "td{font-size:.95rem}"
    ".n{text-align:right;white-space:nowrap;font-variant-numeric:tabular-nums}"
    ".sub{display:block;font-size:.8rem;color:#5b6775;margin-top:2px;font-weight:400;"
    "text-transform:none;letter-spacing:0}"
    "td.p{width:2.5em}"
    "tbody tr:nth-child(-n+3) .p{font-weight:700}"
    "ul{list-style:none;margin:0;padding:0;background:#fff;border-radius:6px;"
    "box-shadow:0 1px 2px rgba(0,0,0,.12)}"
    "li{border-bottom:1px solid #e3e7ec}"
    "li a{display:flex;justify-content:space-between;padding:14px 16px;color:#12355b;"
    "text-decoration:none;font-weight:600}"
    "li span{color:#5b6775;font-weight:400}"
    ".note{font-size:.8rem;color:#5b6775;padding:10px 8px 16px;margin:0}";

}  // namespace

std::string ResultsPage(const ResultsSnapshot& snapshot, const PageLinks& links,
                        const std::string& title, const std::string& heading,
                        const std::string& subline, const std::string& content) {
    const auto& words = snapshot.words;
    std::string html;
    html.reserve(content.size() + 2500);
    html += "<!DOCTYPE html>\n<html lang=\"" + words.languageCode + "\">\n<head>\n";
    html += "<meta charset=\"utf-8\">\n";
    html += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
    html += "<meta http-equiv=\"refresh\" content=\"" + std::to_string(links.refreshSeconds) +
            "\">\n";
    html += "<title>" + htmlText(title) + "</title>\n";
    html += "<style>";
    html += Style;
    html += "</style>\n</head>\n<body>\n<header>\n<h1>" + htmlText(heading) + "</h1>\n";
    html += "<p>" + subline + "</p>\n</header>\n<main>\n" + content + "</main>\n";
    const std::string& note = links.refreshNote.empty() ? words.refreshNote : links.refreshNote;
    html += "<p class=\"note\">" + htmlText(note) + "</p>\n</body>\n</html>\n";
    return html;
}

namespace {

std::string updatedLine(const ResultsSnapshot& snapshot) {
    return htmlText(snapshot.words.updated + " " + snapshot.updated);
}

std::string page(const ResultsSnapshot& snapshot, const std::string& title,
                 const std::string& heading, const std::string& subline,
                 const std::string& content) {
    return ResultsPage(snapshot, PageLinks{}, title, heading, subline, content);
}

std::string indexPage(const ResultsSnapshot& snapshot) {
    const auto& words = snapshot.words;
    if (!snapshot.meetOpen)
        return page(snapshot, words.liveResults, words.liveResults, updatedLine(snapshot),
                    "<p>" + htmlText(words.noMeet) + "</p>\n");
    std::string list = "<ul>\n";
    for (const LiveClass& c : snapshot.classes) {
        list += "<li><a href=\"/class/" + std::to_string(c.number) + "\">" + htmlText(c.name) +
                " <span>" + std::to_string(c.rows.size()) + " " + htmlText(words.finished) +
                "</span></a></li>\n";
    }
    list += "</ul>\n";
    // The start lists of the classes that have competitors.
    std::string starts;
    for (const LiveClass& c : snapshot.classes)
        if (!c.starts.empty())
            starts += "<li><a href=\"/start/" + std::to_string(c.number) + "\">" +
                      htmlText(c.name) + " <span>" + std::to_string(c.starts.size()) +
                      "</span></a></li>\n";
    if (!starts.empty())
        list += "<h2>" + htmlText(words.startList) + "</h2>\n<ul>\n" + starts + "</ul>\n";
    // The combined result of each class, in a meet of two runs or more.
    std::string combined;
    for (const LiveClass& c : snapshot.classes)
        if (!c.combined.empty())
            combined += "<li><a href=\"/combined/" + std::to_string(c.number) + "\">" +
                        htmlText(c.name) + " <span>" + std::to_string(c.combined.size()) +
                        "</span></a></li>\n";
    if (!combined.empty())
        list += "<h2>" + htmlText(words.combined) + "</h2>\n<ul>\n" + combined + "</ul>\n";
    return page(snapshot, words.results + " " + snapshot.meetName, snapshot.meetName,
                htmlText(words.results) + " &middot; " + updatedLine(snapshot), list);
}

}  // namespace

std::string ResultsClassPage(const ResultsSnapshot& snapshot, const LiveClass& c,
                             const PageLinks& links) {
    const auto& words = snapshot.words;
    std::string table;
    if (c.rows.empty()) {
        table = "<p>" + htmlText(words.noResults) + "</p>\n";
    } else {
        // Three columns that fit a phone: the start number and the club go under the name,
        // the difference under the result.
        table.reserve(c.rows.size() * 200 + 400);
        const std::string below =
            snapshot.differences ? "<span class=\"sub\">" + htmlText(words.difference) + "</span>"
                                 : std::string();
        table += "<table>\n<thead><tr><th class=\"n\">" + htmlText(words.place) + "</th><th>" +
                 htmlText(words.competitor) + "<span class=\"sub\">" + htmlText(words.number) +
                 " &middot; " + htmlText(words.club) + "</span></th><th class=\"n\">" +
                 htmlText(words.result) + below + "</th></tr></thead>\n<tbody>\n";
        for (const LiveRow& row : c.rows) {
            // A competitor without a place (disqualified, gave up) shows none, and his status.
            table += "<tr><td class=\"n p\">" + placeText(row) + "</td><td>" +
                     htmlText(row.competitor) + "<span class=\"sub\">" +
                     std::to_string(row.number) + " &middot; " + htmlText(row.club) +
                     "</span></td><td class=\"n\">" + htmlText(row.result);
            if (snapshot.differences)
                table += "<span class=\"sub\">" + htmlText(row.difference) + "</span>";
            table += "</td></tr>\n";
        }
        table += "</tbody>\n</table>\n";
    }
    const std::string subline = htmlText(snapshot.meetName) + " &middot; " + updatedLine(snapshot) +
                                " &middot; <a href=\"" + links.home + "\">" +
                                htmlText(words.allClasses) + "</a>";
    return ResultsPage(snapshot, links, c.name + " " + snapshot.meetName, c.name, subline, table);
}

std::string StartListClassPage(const ResultsSnapshot& snapshot, const LiveClass& c,
                               const PageLinks& links) {
    const auto& words = snapshot.words;
    const bool timed = std::any_of(c.starts.begin(), c.starts.end(),
                                   [](const LiveStart& s) { return !s.start.empty(); });
    std::string table;
    table.reserve(c.starts.size() * 160 + 300);
    table += "<table>\n<thead><tr>";
    if (timed) table += "<th class=\"n\">" + htmlText(words.start) + "</th>";
    table += "<th class=\"n\">" + htmlText(words.number) + "</th><th>" +
             htmlText(words.competitor) + "<span class=\"sub\">" + htmlText(words.club) +
             "</span></th></tr></thead>\n<tbody>\n";
    for (const LiveStart& entry : c.starts) {
        table += "<tr>";
        if (timed) table += "<td class=\"n\">" + htmlText(entry.start) + "</td>";
        table += "<td class=\"n\">" + std::to_string(entry.number) + "</td><td>" +
                 htmlText(entry.competitor) + "<span class=\"sub\">" + htmlText(entry.club) +
                 "</span></td></tr>\n";
    }
    table += "</tbody>\n</table>\n";
    const std::string subline = htmlText(words.startList) + " &middot; " +
                                htmlText(snapshot.meetName) + " &middot; <a href=\"" +
                                links.home + "\">" + htmlText(words.allClasses) + "</a>";
    return ResultsPage(snapshot, links, c.name + " " + words.startList, c.name, subline, table);
}

namespace {

// A class's combined result: place, the name with number and club under it, each run, and
// the total with the difference under it.
std::string combinedPage(const ResultsSnapshot& snapshot, const LiveClass& c) {
    const auto& words = snapshot.words;
    std::string table = "<table>\n<thead><tr><th class=\"n\">" + htmlText(words.place) +
                        "</th><th>" + htmlText(words.competitor) + "<span class=\"sub\">" +
                        htmlText(words.number) + " &middot; " + htmlText(words.club) +
                        "</span></th>";
    for (int run = 1; run <= snapshot.runs; ++run)
        table += "<th class=\"n\">" + htmlText(words.run + std::to_string(run)) + "</th>";
    table += "<th class=\"n\">" + htmlText(words.total) + "<span class=\"sub\">" +
             htmlText(words.difference) + "</span></th></tr></thead>\n<tbody>\n";
    for (const auto& row : c.combined) {
        if (static_cast<int>(row.size()) != 6 + snapshot.runs) continue;
        table += "<tr><td class=\"n p\">" + htmlText(row[0]) + "</td><td>" + htmlText(row[2]) +
                 "<span class=\"sub\">" + htmlText(row[1]) + " &middot; " + htmlText(row[3]) +
                 "</span></td>";
        for (int run = 0; run < snapshot.runs; ++run)
            table += "<td class=\"n\">" + htmlText(row[4 + run]) + "</td>";
        table += "<td class=\"n\">" + htmlText(row[4 + snapshot.runs]) +
                 "<span class=\"sub\">" + htmlText(row[5 + snapshot.runs]) +
                 "</span></td></tr>\n";
    }
    table += "</tbody>\n</table>\n";
    const std::string subline = htmlText(words.combined) + " &middot; " +
                                htmlText(snapshot.meetName) + " &middot; " +
                                updatedLine(snapshot) + " &middot; <a href=\"/\">" +
                                htmlText(words.allClasses) + "</a>";
    return ResultsPage(snapshot, PageLinks{}, c.name + " " + words.combined, c.name, subline,
                       table);
}

// The combined result of a class as the live pages keep it.
std::vector<std::vector<std::string>> CombinedRowsOf(const meet::Meet& meet, int classNumber) {
    std::vector<std::vector<std::string>> rows;
    if (meet.runCount() <= 1) return rows;
    for (const auto& row : meet.combinedResults(classNumber)) {
        std::vector<std::string> cells = {row.status.empty() ? std::to_string(row.place) : "",
                                          std::to_string(row.number), row.competitor, row.club};
        for (int run = 0; run < meet.runCount(); ++run)
            cells.push_back(run < static_cast<int>(row.runs.size()) ? row.runs[run] : "-");
        cells.push_back(row.status.empty() ? row.total : row.status);
        cells.push_back(row.difference);
        rows.push_back(std::move(cells));
    }
    return rows;
}

}  // namespace

std::vector<std::vector<LiveStart>> StartListsOf(const meet::Meet& meet) {
    std::vector<std::vector<LiveStart>> lists(meet.classCount() + 1);
    std::map<std::string, int> classes;
    auto trimmed = [](const std::string& value) {
        const auto begin = value.find_first_not_of(' ');
        if (begin == std::string::npos) return std::string();
        return value.substr(begin, value.find_last_not_of(' ') - begin + 1);
    };
    for (int c = meet.classCount(); c >= 1; --c) {
        const std::string name = trimmed(meet.className(c));
        if (!name.empty() && name != "-") classes[name] = c;
    }
    for (int n = 1; n <= meet.highestNumber(); ++n) {
        const auto& competitor = meet.competitor(n);
        const auto found = classes.find(trimmed(competitor.className));
        if (found == classes.end()) continue;
        const meet::PlannedStart* plan = meet.plannedStart(n);
        std::string start = plan ? plan->planned : std::string();
        if (start.size() == 11 && start.compare(8, 3, ".00") == 0) start.resize(8);
        lists[found->second].push_back({start, n, competitor.name, competitor.club});
    }
    for (auto& list : lists)
        std::stable_sort(list.begin(), list.end(), [](const LiveStart& a, const LiveStart& b) {
            if (a.start.empty() != b.start.empty()) return b.start.empty();
            return a.start < b.start;
        });
    return lists;
}

namespace {

std::string classPage(const ResultsSnapshot& snapshot, const LiveClass& c) {
    return ResultsClassPage(snapshot, c, PageLinks{});
}

std::string classJson(const ResultsSnapshot& snapshot, const LiveClass& c,
                      const PageLinks& links) {
    std::string json;
    json.reserve(c.rows.size() * 140 + 100);
    json += "{\"number\":" + std::to_string(c.number) + ",\"name\":" + jsonText(c.name) +
            ",\"page\":\"" + links.classPage(c.number) + "\",\"results\":[";
    bool first = true;
    for (const LiveRow& row : c.rows) {
        if (!first) json += ",";
        first = false;
        json += "{\"place\":" + (row.place > 0 ? std::to_string(row.place) : "null") +
                ",\"number\":" + std::to_string(row.number) +
                ",\"competitor\":" + jsonText(row.competitor) + ",\"club\":" + jsonText(row.club) +
                ",\"result\":" + jsonText(row.result);
        if (snapshot.differences) json += ",\"difference\":" + jsonText(row.difference);
        json += "}";
    }
    return json + "]}";
}

}  // namespace

std::string ResultsJson(const ResultsSnapshot& snapshot, const LiveClass* only,
                        const PageLinks& links) {
    std::string json = "{\"open\":" + std::string(snapshot.meetOpen ? "true" : "false") +
                       ",\"meet\":" + jsonText(snapshot.meetName) +
                       ",\"language\":" + jsonText(snapshot.words.languageCode) +
                       ",\"updated\":" + jsonText(snapshot.updated) +
                       ",\"differences\":" + (snapshot.differences ? "true" : "false");
    if (only) return json + ",\"class\":" + classJson(snapshot, *only, links) + "}\n";
    json += ",\"classes\":[";
    bool first = true;
    for (const LiveClass& c : snapshot.classes) {
        if (!first) json += ",";
        first = false;
        json += classJson(snapshot, c, links);
    }
    return json + "]}\n";
}

namespace {

std::string snapshotJson(const ResultsSnapshot& snapshot, const LiveClass* only) {
    return ResultsJson(snapshot, only, PageLinks{});
}

// The class of a path's number ("3" of "/class/3"); none for anything but plain digits of a
// class the meet has.
const LiveClass* classOf(const ResultsSnapshot& snapshot, const std::string& digits) {
    if (digits.empty() || digits.size() > 3 || digits[0] == '0') return nullptr;
    for (char ch : digits)
        if (ch < '0' || ch > '9') return nullptr;
    const int number = std::stoi(digits);
    for (const LiveClass& c : snapshot.classes)
        if (c.number == number) return &c;
    return nullptr;
}

ui::WebResponse answer(int status, const char* type, std::string body) {
    ui::WebResponse response;
    response.status = status;
    response.contentType = type;
    response.body = std::move(body);
    // Nothing of the pages is kept, framed or fetched from elsewhere.
    response.headers = {{"Cache-Control", "no-store"},
                        {"X-Content-Type-Options", "nosniff"},
                        {"Referrer-Policy", "no-referrer"},
                        {"Content-Security-Policy",
                         "default-src 'none'; style-src 'unsafe-inline'; frame-ancestors 'none'"}};
    return response;
}

constexpr const char* Html = "text/html; charset=utf-8";
constexpr const char* Json = "application/json; charset=utf-8";

std::string shortPage(const ResultsSnapshot& snapshot, const std::string& text) {
    return "<!DOCTYPE html>\n<html lang=\"" + snapshot.words.languageCode +
           "\">\n<head>\n<meta charset=\"utf-8\">\n<meta name=\"viewport\" "
           "content=\"width=device-width, initial-scale=1\">\n<title>" +
           htmlText(text) + "</title>\n</head>\n<body>\n<p>" + htmlText(text) +
           "</p>\n<p><a href=\"/\">" + htmlText(snapshot.words.allClasses) +
           "</a></p>\n</body>\n</html>\n";
}

// ---- the setup page ----

// A port typed as plain digits, 1 to 65535; 0 for anything else.
int portOf(const std::string& text) {
    const auto begin = text.find_first_not_of(' ');
    if (begin == std::string::npos) return 0;
    const std::string digits = text.substr(begin, text.find_last_not_of(' ') - begin + 1);
    if (digits.size() > 5) return 0;
    for (char ch : digits)
        if (ch < '0' || ch > '9') return 0;
    const int port = std::stoi(digits);
    return port >= 1 && port <= 65535 ? port : 0;
}

void refreshBoard(ui::Program& program, LiveBoard& board) {
    const meet::Meet* meet = program.meet.get();
    if (SameResults(*board.current(), meet, program.language)) return;
    const std::string now = base::TimeText(program.platform.clock.now()).substr(0, 8);
    board.publish(std::make_shared<const ResultsSnapshot>(
        TakeSnapshot(meet, program.LanguageTexts, program.language, now)));
}

void stopLive(ui::Program& program) {
    auto& main = program.Main;
    main.LiveTimer.setRunning(false);
    if (program.platform.web) program.platform.web->stop();
    main.SetupLivePortText.setLocked(false);
    main.SetupLiveAddress.setCaption("");
}

// The check box goes back off and the operator is told why.
void refuse(ui::Program& program, const std::string& why) {
    program.Main.SetupLiveCheck.setChecked(false);
    program.info(why);
}

// Where the pages are reached, in the language in force (which may change while it runs).
void showAddress(ui::Program& program, const std::string& where) {
    const std::string caption = lang::LiveAddressText().in(program.language) + where;
    if (program.Main.SetupLiveAddress.caption() != caption)
        program.Main.SetupLiveAddress.setCaption(caption);
}

void startLive(ui::Program& program, const std::shared_ptr<LiveBoard>& board,
               std::string& where) {
    auto& main = program.Main;
    const lang::Language language = program.language;
    ui::WebServer* server = program.platform.web;
    if (!server) return refuse(program, lang::LiveUnavailableText().in(language));
    const std::string typed = main.SetupLivePortText.text();
    const int port = portOf(typed);
    if (port == 0) return refuse(program, lang::LivePortInvalidText().in(language) + typed);
    refreshBoard(program, *board);
    std::string failure;
    const bool started = server->start(
        port,
        [board](const ui::WebRequest& request) {
            return AnswerLiveRequest(*board->current(), request);
        },
        failure);
    if (!started) return refuse(program, lang::LiveNotStartedText().in(language) + failure);
    // The port in use stays shown as it is until the server stops.
    main.SetupLivePortText.setLocked(true);
    where.clear();
    for (const std::string& address : server->addresses())
        where += (where.empty() ? "" : "  ") + address;
    showAddress(program, where);
    main.LiveTimer.setRunning(true);
}

}  // namespace

ResultsSnapshot TakeSnapshot(const meet::Meet* meet, const lang::TextTable& words,
                             lang::Language language, const std::string& now) {
    ResultsSnapshot snapshot;
    snapshot.taken = true;
    snapshot.language = language;
    snapshot.updated = now;
    snapshot.words = wordsOf(words, language);
    if (!meet) return snapshot;
    snapshot.meetOpen = true;
    snapshot.meetPath = meet->path();
    snapshot.meetName = std::filesystem::path(meet->path()).stem().string();
    snapshot.differences = meet->setup().yes(meet::field::Differences);
    snapshot.runs = meet->runCount();
    snapshot.classes.reserve(meet->classCount());
    auto starts = StartListsOf(*meet);
    for (int c = 1; c <= meet->classCount(); ++c) {
        LiveClass shown;
        shown.number = c;
        shown.name = meet->className(c);
        shown.starts = std::move(starts[c]);
        shown.combined = CombinedRowsOf(*meet, c);
        const auto& results = meet->results(c);
        shown.rows.reserve(results.ranking().size());
        for (int index : results.ranking()) {
            const meet::ResultRow& row = results.rows()[index];
            shown.rows.push_back({row.place, row.number, row.competitor, row.club,
                                  meet->markedResult(row), row.difference});
        }
        // Those given a status during the race without a result follow the results.
        for (const meet::ResultRow& row : meet->statusedWithoutResult(c))
            shown.rows.push_back({row.place, row.number, row.competitor, row.club,
                                  meet->markedResult(row), row.difference});
        snapshot.classes.push_back(std::move(shown));
    }
    return snapshot;
}

bool SameResults(const ResultsSnapshot& snapshot, const meet::Meet* meet, lang::Language language) {
    if (!snapshot.taken || snapshot.language != language || snapshot.meetOpen != (meet != nullptr))
        return false;
    if (!meet) return true;
    if (snapshot.meetPath != meet->path() ||
        snapshot.differences != meet->setup().yes(meet::field::Differences) ||
        static_cast<int>(snapshot.classes.size()) != meet->classCount() ||
        snapshot.runs != meet->runCount())
        return false;
    for (int c = 1; c <= meet->classCount(); ++c)
        if (snapshot.classes[c - 1].combined != CombinedRowsOf(*meet, c)) return false;
    const auto starts = StartListsOf(*meet);
    for (int c = 1; c <= meet->classCount(); ++c)
        if (snapshot.classes[c - 1].starts != starts[c]) return false;
    for (int c = 1; c <= meet->classCount(); ++c) {
        const LiveClass& shown = snapshot.classes[c - 1];
        const auto& results = meet->results(c);
        const auto statused = meet->statusedWithoutResult(c);
        if (shown.name != meet->className(c) ||
            shown.rows.size() != results.ranking().size() + statused.size())
            return false;
        std::size_t k = 0;
        for (int index : results.ranking())
            if (!sameRow(shown.rows[k++], results.rows()[index], *meet)) return false;
        for (const meet::ResultRow& row : statused)
            if (!sameRow(shown.rows[k++], row, *meet)) return false;
    }
    return true;
}

LiveBoard::LiveBoard() : snapshot_(std::make_shared<const ResultsSnapshot>()) {}

void LiveBoard::publish(std::shared_ptr<const ResultsSnapshot> snapshot) {
    // The old snapshot is let go outside the lock: a reader may still be showing it.
    std::shared_ptr<const ResultsSnapshot> old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old = std::move(snapshot_);
        snapshot_ = std::move(snapshot);
    }
}

std::shared_ptr<const ResultsSnapshot> LiveBoard::current() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return snapshot_;
}

std::optional<ui::WebResponse> MadePages::find(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = pages_.find(path);
    if (found == pages_.end()) return std::nullopt;
    return found->second;
}

void MadePages::keep(const std::string& path, const ui::WebResponse& response) {
    std::lock_guard<std::mutex> lock(mutex_);
    pages_.emplace(path, response);
}

namespace {

ui::WebResponse makePage(const ResultsSnapshot& snapshot, const std::string& path) {
    if (path == "/" || path == "/index.html") return answer(200, Html, indexPage(snapshot));
    if (path == "/results.json") return answer(200, Json, snapshotJson(snapshot, nullptr));
    const std::string prefix = "/class/";
    if (path.rfind(prefix, 0) == 0) {
        std::string rest = path.substr(prefix.size());
        const bool json = rest.size() > 5 && rest.compare(rest.size() - 5, 5, ".json") == 0;
        if (json) rest.resize(rest.size() - 5);
        if (const LiveClass* c = classOf(snapshot, rest))
            return json ? answer(200, Json, snapshotJson(snapshot, c))
                        : answer(200, Html, classPage(snapshot, *c));
    }
    const std::string combinedPrefix = "/combined/";
    if (path.rfind(combinedPrefix, 0) == 0)
        if (const LiveClass* c = classOf(snapshot, path.substr(combinedPrefix.size())))
            if (!c->combined.empty()) return answer(200, Html, combinedPage(snapshot, *c));
    const std::string startPrefix = "/start/";
    if (path.rfind(startPrefix, 0) == 0)
        if (const LiveClass* c = classOf(snapshot, path.substr(startPrefix.size())))
            return answer(200, Html, StartListClassPage(snapshot, *c, PageLinks{}));
    return answer(404, Html, shortPage(snapshot, snapshot.words.notFound));
}

}  // namespace

ui::WebResponse AnswerLiveRequest(const ResultsSnapshot& snapshot, const ui::WebRequest& request) {
    if (request.method != "GET") {
        auto refused = answer(405, Html, shortPage(snapshot, snapshot.words.onlyGet));
        refused.headers.emplace_back("Allow", "GET");
        refused.close = true;
        return refused;
    }
    if (auto made = snapshot.made->find(request.path)) return *made;
    ui::WebResponse response = makePage(snapshot, request.path);
    // Only the pages there are are kept: the paths asked for in vain are without number.
    if (response.status == 200) snapshot.made->keep(request.path, response);
    return response;
}

void ConnectLiveResults(ui::Program& program) {
    auto board = std::make_shared<LiveBoard>();
    auto where = std::make_shared<std::string>();
    auto& p = program;
    program.Main.SetupLiveCheck.Click = p.guarded([&p, board, where] {
        if (p.Main.SetupLiveCheck.checked())
            startLive(p, board, *where);
        else
            stopLive(p);
    });
    program.Main.LiveTimer.Tick = p.guarded([&p, board, where] {
        refreshBoard(p, *board);
        showAddress(p, *where);
    });
}

}  // namespace kvt::results
