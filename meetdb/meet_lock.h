// One program per meet, by the meet file itself: a lock of the operating system on the file
// (not on the name it was opened by), held for as long as the program works on the meet. Every
// name of the file (a symlink, a hard link, another spelling of its path) finds the same lock.
// Who holds it is written to a small holder file beside the file, named from the file's
// identity; a program that died leaves that file behind, but its lock went with it, and the
// next program takes over.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "storage/store.h"

namespace kvt::meetdb {

class MeetLock : public storage::Hold {
public:
    // Takes the lock of the meet database at path; throws storage::HeldElsewhere naming the
    // holder, or runtime_error when the file cannot be locked or its holder file not written.
    static std::unique_ptr<MeetLock> Take(const std::string& meetPath);
    ~MeetLock() override;
    MeetLock(const MeetLock&) = delete;
    MeetLock& operator=(const MeetLock&) = delete;

    // The holder file of the meet database at path (the same for every name of the file); no
    // value when the file is not there.
    static std::optional<std::string> PathOf(const std::string& meetPath);
    // Who this program is, as its holder file says it.
    static std::string Holder();

private:
    MeetLock(int fd, std::string holderPath) : fd_(fd), holderPath_(std::move(holderPath)) {}
    int fd_;
    std::string holderPath_;
};

}  // namespace kvt::meetdb
