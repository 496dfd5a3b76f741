// Files as the program writes and reads them. An output (a list, a PDF, an export, a settings
// file, the recovery file) is written whole or not at all: the earlier file stays until the new
// one is complete on the disk. A settings file is read only when it is a regular file of a
// bounded size, and never waited for (a FIFO or a device put in its place is refused at once).
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kvt::base {

// A file that could not be written or read; what() is "PATH: reason".
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Writes bytes to a new file in path's folder, syncs it, renames it over path and syncs the
// folder. A symlink at path is replaced, never written through. On any failure (a full disk,
// a short write, a failed sync or close) the new file is removed, path keeps what it held,
// and FileError says why.
// A file that is made again at every change (a page for the web) need not be synced: it is
// still put in place whole. A file holding a secret is made readable by its owner alone.
struct WriteOptions {
    unsigned mode = 0666;  // before the umask
    bool synced = true;
};
void WriteWholeFile(const std::string& path, std::string_view bytes, WriteOptions options = {});

// What a settings file holds; nullopt when there is no file at path. Throws FileError when
// the path names something that is no regular file (a folder, a FIFO, a device), when the
// file is larger than limit, or when it cannot be read.
std::optional<std::string> ReadSettingsFile(const std::string& path, std::size_t limit);

}  // namespace kvt::base
