// A station's own journal of impulses, on its own disk: every impulse a station on a server
// meet takes is kept there, synced, before it is shown, and stays marked as waiting until the
// commit that puts it on the server has returned. So what the station showed outlives the
// network and the station itself: a station started again sends what its journal holds and the
// server lacks. An impulse is known by the station's name and its sequence in this journal,
// a unique key on the server, so that nothing is stored there twice.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "storage/store.h"

namespace kvt::storage {

class StationJournal {
public:
    virtual ~StationJournal() = default;
    // The station's name on the meet: the same for every life of the program on this computer.
    virtual const std::string& station() const = 0;
    // Keeps an impulse's record (a record of the journal of impulses) durably; its sequence.
    virtual long long keep(const Record& impulse) = 0;
    // Every impulse up to sequence is on the server.
    virtual void sent(long long sequence) = 0;
    // The impulses kept and not known to be on the server, by sequence.
    virtual std::vector<std::pair<long long, Record>> waiting() = 0;
};

}  // namespace kvt::storage
