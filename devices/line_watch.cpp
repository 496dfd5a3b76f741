#include "devices/line_watch.h"

#include <pthread.h>
#include <sched.h>

#include <array>

namespace kvt::devices {

void LineWatch::start(int handle, int lastLine, bool everyLine) {
    stop();
    handle_ = handle;
    everyLine_ = everyLine;
    lastLine_ = lastLine;
    edges_ = adapter_.reportsEdges();
    {
        std::lock_guard lock(mutex_);
        lines_ = {};
        failure_.clear();
        // A device that reports edges gives each line's level once; its edges follow.
        if (edges_)
            for (int c = 0; c < 6; ++c)
                if (adapter_.wired(c)) lines_[c].level = adapter_.GetDigitalBit(handle, c) ? 1 : 0;
    }
    watching_ = true;
    if (!threaded_) return;
    stopping_ = false;
    thread_ = std::thread([this] { run(); });
}

void LineWatch::stop() {
    watching_ = false;
    if (!thread_.joinable()) return;
    stopping_ = true;
    thread_.join();
}

void LineWatch::run() {
    // Ahead of the window and of other programs where the system allows it (root, or a
    // real-time limit for the user), so that a short pulse is not missed while the processors
    // are busy. The thread sleeps between readings, so it takes little from anyone.
    sched_param priority{};
    priority.sched_priority = sched_get_priority_min(SCHED_FIFO) + 9;
    realtime_ = pthread_setschedparam(pthread_self(), SCHED_FIFO, &priority) == 0;
    auto next = std::chrono::steady_clock::now();
    while (!stopping_) {
        try {
            if (edges_) {
                takeEdges(EdgeWait);
                continue;
            }
            readLevels();
        } catch (const std::exception& error) {
            std::lock_guard lock(mutex_);
            failure_ = error.what();
            if (failure_.empty()) failure_ = "the adapter cannot be read";
            return;
        }
        // Keeps the pace without drifting; after a long pause (the machine suspended) it
        // goes on from now rather than catching up.
        next += Period;
        auto now = std::chrono::steady_clock::now();
        if (next < now) next = now;
        std::this_thread::sleep_until(next);
    }
}

void LineWatch::note(Line& line, int c, int level, std::int64_t stamp) {
    Change change{level, clock_.timeOf(stamp), Instant(std::chrono::nanoseconds(stamp))};
    line.level = level;
    ++line.edges;
    line.hasEdge = true;
    line.lastEdge = change;
    if (c > lastLine_) return;  // a line not in use keeps no changes for the poll
    if (line.changes.size() >= MaxChanges)
        ++line.lost;
    else
        line.changes.push_back(change);
}

void LineWatch::sample() {
    if (edges_)
        takeEdges(std::chrono::milliseconds(0));
    else
        readLevels();
}

void LineWatch::takeEdges(std::chrono::milliseconds timeout) {
    EdgeBatch batch;
    adapter_.waitForEdges(handle_, timeout, batch);
    std::lock_guard lock(mutex_);
    for (const Edge& edge : batch.edges) {
        if (edge.channel < 0 || edge.channel >= 6) continue;
        note(lines_[edge.channel], edge.channel, edge.level ? 1 : 0, edge.stamp);
    }
    for (int c = 0; c < 6; ++c) lines_[c].lost += batch.lost[c];
    ++samples_;
}

void LineWatch::readLevels() {
    const int last = everyLine_ ? 5 : static_cast<int>(lastLine_);
    std::array<int, 6> levels{};
    for (int c = 0; c <= last; ++c) levels[c] = adapter_.GetDigitalBit(handle_, c) ? 1 : 0;
    // The moment the lines were read: one clock reading serves every line that changed.
    const std::int64_t stamp = clock_.monotonicNow();
    std::lock_guard lock(mutex_);
    for (int c = 0; c < 6; ++c) {
        auto& line = lines_[c];
        if (c > last) {
            line = {};
            continue;
        }
        if (line.level >= 0 && levels[c] != line.level)
            note(line, c, levels[c], stamp);
        else
            line.level = levels[c];
    }
    ++samples_;
}

LineWatch::Reading LineWatch::take(int c) {
    std::lock_guard lock(mutex_);
    if (!failure_.empty()) throw AdapterError(failure_);
    auto& line = lines_.at(c);
    Reading reading{line.level, std::move(line.changes), line.lost};
    line.changes.clear();
    line.lost = 0;
    return reading;
}

std::vector<Impulse> LineWatch::takeImpulses() {
    std::vector<Impulse> impulses;
    if (!watching_) return impulses;
    adapter_.takeImpulses(handle_, impulses);
    for (auto& impulse : impulses) impulse.arrivalTime = clock_.timeOf(impulse.arrival);
    return impulses;
}

LineWatch::Status LineWatch::status(int c) {
    std::lock_guard lock(mutex_);
    const auto& line = lines_.at(c);
    return {line.level, line.edges, line.hasEdge, line.lastEdge};
}

}  // namespace kvt::devices
