#include "results/web_pages.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/files.h"
#include "results/list_file.h"

namespace kvt::results {

namespace {

PageLinks fileLinks(const WebSnapshot& snapshot) {
    PageLinks links;
    links.home = "index.html";
    links.classPrefix = "class-";
    links.classSuffix = ".html";
    links.refreshSeconds = 30;
    links.refreshNote = snapshot.refreshNote;
    return links;
}

std::string text(const std::string& value) {
    return HtmlText(value, true);
}

// A start time as the lists show a time of day: "10.02.00".
std::string startShown(const std::string& start) {
    return start.size() >= 8 ? start.substr(0, 8) : start;
}

std::string indexPage(const WebSnapshot& snapshot, const PageLinks& links) {
    const ResultsSnapshot& results = snapshot.results;
    const auto& words = results.words;
    std::string list = "<ul>\n";
    for (const LiveClass& c : results.classes)
        list += "<li><a href=\"" + links.classPage(c.number) + "\">" + text(c.name) + " <span>" +
                std::to_string(c.rows.size()) + " " + text(words.finished) + "</span></a></li>\n";
    list += "</ul>\n";
    std::string starts;
    for (const IofClass& c : snapshot.iof.classes) {
        if (c.entrants.empty()) continue;
        starts += "<li><a href=\"start-" + std::to_string(c.number) + ".html\">" + text(c.name) +
                  " <span>" + std::to_string(c.entrants.size()) + "</span></a></li>\n";
    }
    if (!starts.empty())
        list += "<h2 class=\"note\">" + text(snapshot.startListWord) + "</h2>\n<ul>\n" + starts +
                "</ul>\n";
    list += "<p class=\"note\"><a href=\"results.json\">JSON</a> &middot; <a "
            "href=\"ResultList.xml\">IOF XML</a> &middot; <a href=\"StartList.xml\">IOF XML " +
            text(snapshot.startListWord) + "</a></p>\n";
    return ResultsPage(results, links, words.results + " " + results.meetName, results.meetName,
                       text(snapshot.resultsWord) + " &middot; " +
                           text(words.updated + " " + results.updated),
                       list);
}

std::string startPage(const WebSnapshot& snapshot, const IofClass& c, const PageLinks& links) {
    const ResultsSnapshot& results = snapshot.results;
    const auto& words = results.words;
    std::string table;
    table.reserve(c.entrants.size() * 160 + 400);
    table += "<table>\n<thead><tr><th class=\"n\">" + text(words.number) + "</th><th>" +
             text(words.competitor) + "<span class=\"sub\">" + text(words.club) +
             "</span></th><th class=\"n\">Start</th></tr></thead>\n<tbody>\n";
    std::vector<const IofEntrant*> byNumber;
    for (const IofEntrant& entrant : c.entrants) byNumber.push_back(&entrant);
    std::sort(byNumber.begin(), byNumber.end(),
              [](const IofEntrant* a, const IofEntrant* b) { return a->number < b->number; });
    for (const IofEntrant* entrant : byNumber) {
        std::string name = entrant->given;
        if (!entrant->family.empty()) name += (name.empty() ? "" : " ") + entrant->family;
        table += "<tr><td class=\"n\">" + std::to_string(entrant->number) + "</td><td>" +
                 text(name) + "<span class=\"sub\">" + text(entrant->club) +
                 "</span></td><td class=\"n\">" + text(startShown(entrant->start)) +
                 "</td></tr>\n";
    }
    table += "</tbody>\n</table>\n";
    const std::string subline = text(snapshot.startListWord) + " &middot; " +
                                text(results.meetName) + " &middot; <a href=\"" + links.home +
                                "\">" + text(words.allClasses) + "</a>";
    return ResultsPage(results, links, c.name + " " + results.meetName, c.name, subline, table);
}

}  // namespace

WebSnapshot MakeWebSnapshot(const WebSource& source) {
    WebSnapshot snapshot;
    ResultsSnapshot& results = snapshot.results;
    results = source.words;
    results.meetOpen = true;
    results.meetPath = source.meet.path;
    results.meetName = std::filesystem::path(source.meet.path).stem().string();
    results.differences = source.meet.differences;
    results.classes.reserve(source.meet.classes.size());
    int c = 0;
    for (const MeetCopy::Class& copied : source.meet.classes) {
        LiveClass shown;
        shown.number = ++c;
        shown.name = copied.name;
        shown.rows.reserve(copied.ranked.size());
        for (const meet::ResultRow& row : copied.ranked)
            shown.rows.push_back({row.place, row.number, row.competitor, row.club,
                                  row.shownResult(), row.difference});
        results.classes.push_back(std::move(shown));
    }
    snapshot.iof = MakeIofSnapshot(source.meet, source.day);
    snapshot.startListWord = source.startListWord;
    snapshot.resultsWord = source.resultsWord;
    snapshot.refreshNote = source.refreshNote;
    return snapshot;
}

WebFiles MakeWebFiles(const WebSnapshot& snapshot) {
    const PageLinks links = fileLinks(snapshot);
    WebFiles files;
    files.reserve(2 * snapshot.results.classes.size() + 4);
    files.emplace_back("index.html", indexPage(snapshot, links));
    for (const LiveClass& c : snapshot.results.classes)
        files.emplace_back("class-" + std::to_string(c.number) + ".html",
                           ResultsClassPage(snapshot.results, c, links));
    for (const IofClass& c : snapshot.iof.classes)
        if (!c.entrants.empty())
            files.emplace_back("start-" + std::to_string(c.number) + ".html",
                               startPage(snapshot, c, links));
    files.emplace_back("results.json", ResultsJson(snapshot.results, nullptr, links));
    files.emplace_back(IofResultFile, IofResultList(snapshot.iof));
    files.emplace_back(IofStartFile, IofStartList(snapshot.iof));
    return files;
}

std::string WebFolder(const std::string& listFolder) {
    return listFolder + "web";
}

WebPagesWriter::WebPagesWriter(std::string folder, Written written)
    : folder_(std::move(folder)), written_(std::move(written)), thread_([this] { run(); }) {}

WebPagesWriter::~WebPagesWriter() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void WebPagesWriter::post(std::shared_ptr<const WebSnapshot> snapshot) {
    post(Maker([snapshot] { return *snapshot; }));
}

void WebPagesWriter::post(std::shared_ptr<const WebSource> source) {
    post(Maker([source] { return MakeWebSnapshot(*source); }));
}

void WebPagesWriter::post(Maker make) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        pending_ = std::move(make);
    }
    wake_.notify_all();
}

void WebPagesWriter::drain() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !pending_ && !busy_; });
}

int WebPagesWriter::writes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return writes_;
}

std::string WebPagesWriter::lastError() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lastError_;
}

void WebPagesWriter::run() {
    // Below the window's thread and the line thread: the pages may wait, a registration not.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
    for (;;) {
        Maker make;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || pending_; });
            if (stop_) break;
            make = std::move(pending_);
            pending_ = nullptr;
            busy_ = true;
        }
        write(make());
        {
            std::lock_guard<std::mutex> lock(mutex_);
            busy_ = false;
        }
        done_.notify_all();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    busy_ = false;
    pending_ = nullptr;
    done_.notify_all();
}

void WebPagesWriter::write(const WebSnapshot& snapshot) {
    std::string error;
    bool changed = false;
    try {
        if (::mkdir(folder_.c_str(), 0755) != 0 && errno != EEXIST)
            throw std::runtime_error(folder_ + ": " + std::strerror(errno));
        for (auto& [name, bytes] : MakeWebFiles(snapshot)) {
            auto known = onDisk_.find(name);
            if (known != onDisk_.end() && known->second == bytes) continue;
            base::WriteWholeFile(folder_ + "/" + name, bytes, {.synced = false});
            onDisk_[name] = std::move(bytes);
            changed = true;
        }
    } catch (const std::exception& failure) {
        error = failure.what();
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ++writes_;
        lastError_ = error;
    }
    if (written_) written_(changed);
}

}  // namespace kvt::results
