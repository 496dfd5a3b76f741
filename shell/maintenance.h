// Work on meet database files while none is open: reset for a new run, copy, repair, compress.
#pragma once

#include <stdexcept>
#include <string>

namespace kvt::ui {
struct Program;
}

namespace kvt::shell {

// All times, results and the time list gone; competitors, clubs, classes and setup kept.
void ResetDatabase(ui::Program& program);
// A compacted copy beside the file, ending ".bak" (an old one is replaced).
void CopyDatabase(ui::Program& program);
// The file compacted in place through ".tmp"; exactly one file remains.
void CompressDatabase(ui::Program& program);
// Checks the file and, when it is damaged, rebuilds it from every record that can be read.
void RepairDatabase(ui::Program& program);

struct RepairReport {
    bool damaged = false;
    long long recordsKept = 0;
    int readFailures = 0;
    std::string damagedCopy;  // where the damaged file was kept
};
// Not one record of a damaged file could be read.
class NothingReadableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Throws when the file cannot be read as a database at all.
RepairReport RepairFile(const std::string& path);

}  // namespace kvt::shell
