#include "support/power_cut_vfs.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace kvt::testing {

namespace {

namespace fs = std::filesystem;

sqlite3_vfs* systemVfs() {
    return sqlite3_vfs_find(nullptr);
}

std::string contentOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

void writeContent(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
}

// A file of this file system: the system's file follows it in the same allocation.
struct CutFile {
    sqlite3_file base;
    sqlite3_file* real;
    std::string* path;  // none for SQLite's temporary files, which are not followed
};

// Where the system's file begins, aligned as any allocation.
constexpr std::size_t RealOffset = (sizeof(CutFile) + 15) / 16 * 16;

sqlite3_file* real(sqlite3_file* file) {
    return reinterpret_cast<CutFile*>(file)->real;
}

PowerCutVfs& vfs() {
    return PowerCutVfs::Instance();
}

int fileClose(sqlite3_file* file) {
    auto* cut = reinterpret_cast<CutFile*>(file);
    int rc = cut->real->pMethods ? cut->real->pMethods->xClose(cut->real) : SQLITE_OK;
    delete cut->path;
    cut->path = nullptr;
    return rc;
}

int fileRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    return real(file)->pMethods->xRead(real(file), buffer, amount, offset);
}

int fileWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    if (!vfs().count()) return SQLITE_OK;  // the power is off: nothing reaches the file
    return real(file)->pMethods->xWrite(real(file), buffer, amount, offset);
}

int fileTruncate(sqlite3_file* file, sqlite3_int64 size) {
    if (!vfs().count()) return SQLITE_OK;
    return real(file)->pMethods->xTruncate(real(file), size);
}

int fileSync(sqlite3_file* file, int flags) {
    if (!vfs().count()) return SQLITE_OK;
    int rc = real(file)->pMethods->xSync(real(file), flags);
    auto* cut = reinterpret_cast<CutFile*>(file);
    if (rc == SQLITE_OK && cut->path) vfs().synced(*cut->path);
    return rc;
}

int fileSize(sqlite3_file* file, sqlite3_int64* size) {
    return real(file)->pMethods->xFileSize(real(file), size);
}

int fileLock(sqlite3_file* file, int lock) {
    return real(file)->pMethods->xLock(real(file), lock);
}

int fileUnlock(sqlite3_file* file, int lock) {
    return real(file)->pMethods->xUnlock(real(file), lock);
}

int fileCheckReservedLock(sqlite3_file* file, int* out) {
    return real(file)->pMethods->xCheckReservedLock(real(file), out);
}

int fileControl(sqlite3_file* file, int op, void* argument) {
    return real(file)->pMethods->xFileControl(real(file), op, argument);
}

int fileSectorSize(sqlite3_file* file) {
    return real(file)->pMethods->xSectorSize(real(file));
}

int fileDeviceCharacteristics(sqlite3_file* file) {
    return real(file)->pMethods->xDeviceCharacteristics(real(file));
}

// Version 1: no shared memory (the meet's journal is a rollback journal) and no mapping.
const sqlite3_io_methods fileMethods = {1,
                                        fileClose,
                                        fileRead,
                                        fileWrite,
                                        fileTruncate,
                                        fileSync,
                                        fileSize,
                                        fileLock,
                                        fileUnlock,
                                        fileCheckReservedLock,
                                        fileControl,
                                        fileSectorSize,
                                        fileDeviceCharacteristics,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr,
                                        nullptr};

int vfsOpen(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* cut = reinterpret_cast<CutFile*>(file);
    cut->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(file) + RealOffset);
    cut->path = nullptr;
    cut->base.pMethods = nullptr;
    if (name) vfs().opened(name);
    int rc = systemVfs()->xOpen(systemVfs(), name, cut->real, flags, outFlags);
    if (rc != SQLITE_OK) return rc;
    if (name) cut->path = new std::string(name);
    cut->base.pMethods = &fileMethods;
    return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs*, const char* name, int syncDir) {
    if (!vfs().count()) return SQLITE_OK;
    int rc = systemVfs()->xDelete(systemVfs(), name, syncDir);
    if (rc == SQLITE_OK) vfs().deleted(name, syncDir != 0);
    return rc;
}

int vfsAccess(sqlite3_vfs*, const char* name, int flags, int* out) {
    return systemVfs()->xAccess(systemVfs(), name, flags, out);
}

int vfsFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
    return systemVfs()->xFullPathname(systemVfs(), name, size, out);
}

void* vfsDlOpen(sqlite3_vfs*, const char* name) {
    return systemVfs()->xDlOpen(systemVfs(), name);
}

void vfsDlError(sqlite3_vfs*, int size, char* out) {
    systemVfs()->xDlError(systemVfs(), size, out);
}

void (*vfsDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void) {
    return systemVfs()->xDlSym(systemVfs(), handle, symbol);
}

void vfsDlClose(sqlite3_vfs*, void* handle) {
    systemVfs()->xDlClose(systemVfs(), handle);
}

int vfsRandomness(sqlite3_vfs*, int size, char* out) {
    return systemVfs()->xRandomness(systemVfs(), size, out);
}

int vfsSleep(sqlite3_vfs*, int microseconds) {
    return systemVfs()->xSleep(systemVfs(), microseconds);
}

int vfsCurrentTime(sqlite3_vfs*, double* out) {
    return systemVfs()->xCurrentTime(systemVfs(), out);
}

int vfsGetLastError(sqlite3_vfs*, int size, char* out) {
    return systemVfs()->xGetLastError(systemVfs(), size, out);
}

}  // namespace

PowerCutVfs& PowerCutVfs::Instance() {
    static PowerCutVfs instance;
    return instance;
}

PowerCutVfs::PowerCutVfs() {
    sqlite3_vfs* system = systemVfs();
    vfs_.iVersion = 1;
    // The system's file follows ours, at an address aligned as any allocation.
    vfs_.szOsFile = static_cast<int>(RealOffset) + system->szOsFile;
    vfs_.mxPathname = system->mxPathname;
    vfs_.zName = Name;
    vfs_.xOpen = vfsOpen;
    vfs_.xDelete = vfsDelete;
    vfs_.xAccess = vfsAccess;
    vfs_.xFullPathname = vfsFullPathname;
    vfs_.xDlOpen = vfsDlOpen;
    vfs_.xDlError = vfsDlError;
    vfs_.xDlSym = vfsDlSym;
    vfs_.xDlClose = vfsDlClose;
    vfs_.xRandomness = vfsRandomness;
    vfs_.xSleep = vfsSleep;
    vfs_.xCurrentTime = vfsCurrentTime;
    vfs_.xGetLastError = vfsGetLastError;
    sqlite3_vfs_register(&vfs_, 0);
}

void PowerCutVfs::cutAt(long operation) {
    std::lock_guard lock(mutex_);
    cutAt_ = operation > 0 ? operations_ + operation : 0;
    cutAfterDelete_ = false;
}

void PowerCutVfs::cutAfterNextDelete() {
    std::lock_guard lock(mutex_);
    cutAfterDelete_ = true;
}

bool PowerCutVfs::isCut() const {
    std::lock_guard lock(mutex_);
    return cut_;
}

long PowerCutVfs::operations() const {
    std::lock_guard lock(mutex_);
    return operations_;
}

bool PowerCutVfs::count() {
    std::lock_guard lock(mutex_);
    if (cut_) return false;
    ++operations_;
    if (cutAt_ > 0 && operations_ >= cutAt_) cut_ = true;
    return !cut_;
}

void PowerCutVfs::opened(const std::string& path) {
    std::lock_guard lock(mutex_);
    auto found = files_.find(path);
    std::error_code error;
    const bool exists = fs::exists(path, error);
    if (found == files_.end()) {
        FileState state;
        state.durable = exists;  // a file there before the race is on the disk
        if (exists) state.synced = contentOf(path);
        files_[path] = state;
        return;
    }
    if (found->second.deleted && !exists) {
        // Made anew over a file whose deletion never reached the folder: until the new one
        // is synced, the old one is what the disk holds.
        FileState state;
        state.hasFallback = found->second.durable;
        state.fallback = found->second.synced;
        found->second = state;
    }
}

void PowerCutVfs::synced(const std::string& path) {
    std::lock_guard lock(mutex_);
    auto& state = files_[path];
    state.synced = contentOf(path);
    state.durable = true;  // a new journal's first sync syncs its folder too
    state.deleted = false;
    state.hasFallback = false;
}

void PowerCutVfs::deleted(const std::string& path, bool folderSynced) {
    std::lock_guard lock(mutex_);
    bool cutNow = cutAfterDelete_;
    cutAfterDelete_ = false;
    if (cutNow) cut_ = true;
    auto found = files_.find(path);
    if (found == files_.end()) return;
    if (folderSynced) {
        files_.erase(found);
        return;
    }
    found->second.deleted = true;
}

void PowerCutVfs::restore() {
    std::lock_guard lock(mutex_);
    for (auto& [path, state] : files_) {
        std::error_code error;
        if (state.durable) {
            writeContent(path, state.synced);  // also brings back a deletion not synced
        } else if (state.hasFallback) {
            writeContent(path, state.fallback);
        } else {
            fs::remove(path, error);  // made, never synced: gone with the power
        }
        state.deleted = false;
        state.hasFallback = false;
    }
    // Files back on the disk are as synced; those gone are forgotten.
    for (auto it = files_.begin(); it != files_.end();) {
        std::error_code error;
        if (!fs::exists(it->first, error)) {
            it = files_.erase(it);
        } else {
            it->second.durable = true;
            it->second.synced = contentOf(it->first);
            ++it;
        }
    }
    cut_ = false;
    cutAt_ = 0;
    cutAfterDelete_ = false;
}

void PowerCutVfs::forget() {
    std::lock_guard lock(mutex_);
    files_.clear();
    cut_ = false;
    cutAt_ = 0;
    cutAfterDelete_ = false;
}

}  // namespace kvt::testing
