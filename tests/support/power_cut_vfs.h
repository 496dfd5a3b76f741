// A power cut for SQLite, the way its own crash tests make one: a file system over the
// system's own that remembers, for every file, what had reached the disk (its content at its
// last sync, and whether its creation or deletion was synced into its folder), and that at a
// chosen moment cuts the power: from then on nothing written reaches the files. Restoring then
// puts every file back to what had reached the disk, as a machine would find it on restart.
#pragma once

#include <sqlite3.h>

#include <map>
#include <mutex>
#include <string>

namespace kvt::testing {

class PowerCutVfs {
public:
    // The one file system of this name, registered with SQLite on first use.
    static PowerCutVfs& Instance();
    static constexpr const char* Name = "powercut";

    // The power goes at the n-th write, sync or delete from now (n >= 1), or right after the
    // next delete of a file; 0 disarms.
    void cutAt(long operation);
    void cutAfterNextDelete();
    bool isCut() const;
    long operations() const;
    // Every file back to what had reached the disk; the power is on again, nothing armed.
    void restore();
    // Forgets every file (a new test).
    void forget();

    // For the file system's functions.
    struct FileState {
        bool durable = false;      // the file exists on the disk
        std::string synced;        // its content when it last reached the disk
        bool deleted = false;      // deleted, the deletion not synced into its folder
        bool hasFallback = false;  // made anew over such a deleted file: what comes back
        std::string fallback;
    };
    bool count();  // one operation: false when the power is off (or goes now)
    void opened(const std::string& path);
    void synced(const std::string& path);
    void deleted(const std::string& path, bool folderSynced);

private:
    PowerCutVfs();
    mutable std::mutex mutex_;
    std::map<std::string, FileState> files_;
    long operations_ = 0;
    long cutAt_ = 0;
    bool cutAfterDelete_ = false;
    bool cut_ = false;
    sqlite3_vfs vfs_{};
};

}  // namespace kvt::testing
