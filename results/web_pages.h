// Pages for the web: the results and start lists of every class as static HTML pages (UTF-8,
// laid out as the live pages are), an index, the JSON and the IOF XML beside them, made from
// a snapshot the window thread takes and written into the meet's "web" folder by a thread of
// their own, so that no registration waits for them.
#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "results/iof_xml.h"
#include "results/live_results.h"

namespace kvt::results {

struct WebSnapshot {
    ResultsSnapshot results;
    IofSnapshot iof;
    std::string startListWord, resultsWord, refreshNote;
};

// What the window's thread hands the writer: a copy of the meet and the words, from which the
// writer's thread makes the snapshot.
struct WebSource {
    MeetCopy meet;
    ResultsSnapshot words;  // taken without the meet: the words, the language, the time
    IofDay day;
    std::string startListWord, resultsWord, refreshNote;
};
WebSnapshot MakeWebSnapshot(const WebSource& source);

// The files by name: "index.html", "class-N.html", "start-N.html", "results.json",
// "ResultList.xml", "StartList.xml".
using WebFiles = std::vector<std::pair<std::string, std::string>>;
WebFiles MakeWebFiles(const WebSnapshot& snapshot);

// The folder of the pages: "web" in the meet folder.
std::string WebFolder(const std::string& listFolder);

// Writes the files of the snapshots handed over into one folder, on a thread of its own: the
// newest snapshot waiting wins, and a file whose bytes did not change is not written again.
// written is called on that thread after each snapshot written, true when a file changed.
class WebPagesWriter {
public:
    using Written = std::function<void(bool changed)>;
    WebPagesWriter(std::string folder, Written written = {});
    // Ends the thread once the write in progress is done.
    ~WebPagesWriter();
    WebPagesWriter(const WebPagesWriter&) = delete;
    WebPagesWriter& operator=(const WebPagesWriter&) = delete;

    const std::string& folder() const { return folder_; }
    void post(std::shared_ptr<const WebSnapshot> snapshot);
    void post(std::shared_ptr<const WebSource> source);
    // Waits until every snapshot handed over is written.
    void drain();
    // Snapshots written, and why the last write failed ("" when it did not).
    int writes() const;
    std::string lastError() const;

private:
    void run();
    using Maker = std::function<WebSnapshot()>;
    void post(Maker make);
    void write(const WebSnapshot& snapshot);

    const std::string folder_;
    Written written_;
    mutable std::mutex mutex_;
    std::condition_variable wake_, done_;
    Maker pending_;
    bool busy_ = false, stop_ = false;
    int writes_ = 0;
    std::string lastError_;
    std::map<std::string, std::string> onDisk_;  // the writer thread's own
    std::thread thread_;
};

}  // namespace kvt::results
