// The trail of changes: read at opening, written in the transaction of the change.
#include "meet/meet.h"
#include "meet/meet_internal.h"

namespace kvt::meet {

void Meet::loadTrail() {
    if (!engine_.hasTable(path_, storage::TrailTable)) return;
    trailTable_ = engine_.openTable(path_, storage::TrailTable);
    for (const auto& record : trailTable_->readAll())
        trail_.push_back(storage::ReadTrailRecord(record));
}

void Meet::queueTrail(storage::TrailEntry entry) {
    entry.subject = runMarked(entry.subject);
    unstoredTrail_.push_back(std::move(entry));
}

void Meet::writeTrail(storage::TrailEntry entry) {
    if (!trailTable_) {
        // A meet made before the trail gains its table with its first change.
        engine_.addTable(path_, storage::TrailSpec());
        trailTable_ = engine_.openTable(path_, storage::TrailTable);
    }
    entry.entry = static_cast<int>(trail_.size() + writtenTrail_.size()) + 1;
    entry.subject = runMarked(entry.subject);
    // On a shared meet the station's number follows the computer's name: "host #2".
    if (feed_) entry.station += " #" + std::to_string(feed_->station());
    trailTable_->appendRecord(storage::TrailRecord(entry));
    writtenTrail_.push_back(std::move(entry));
}

void Meet::writeQueuedTrail() {
    for (const auto& entry : unstoredTrail_) writeTrail(entry);
}

}  // namespace kvt::meet
