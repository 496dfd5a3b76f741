// One program per meet: a lock file beside the meet database, held with an operating-system
// lock for as long as the program works on the meet, and naming who holds it. A lock file left
// by a program that died holds nothing (the system let its lock go) and is taken over.
#pragma once

#include <memory>
#include <string>

#include "storage/store.h"

namespace kvt::meetdb {

class MeetLock : public storage::Hold {
public:
    // Takes the lock of the meet database at path; throws storage::HeldElsewhere naming the
    // holder, or runtime_error when the folder cannot hold a lock file.
    static std::unique_ptr<MeetLock> Take(const std::string& meetPath);
    ~MeetLock() override;
    MeetLock(const MeetLock&) = delete;
    MeetLock& operator=(const MeetLock&) = delete;

    // The lock file of a meet database.
    static std::string PathOf(const std::string& meetPath);
    // Who this program is, as its lock file says it.
    static std::string Holder();

private:
    MeetLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;
};

}  // namespace kvt::meetdb
