// Any bytes opened as a meet database, with a journal beside it or not: no crash, no hang, and a
// file that is refused is not written to, nor its journal.
// An input that begins with 'J' holds a journal too: the next four bytes give the length of the
// file's part (little-endian, taken modulo what follows), the rest is the journal.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fuzz_platform.h"
#include "shell/commands.h"
#include "shell/meet_commands.h"

static kvt::fuzz::FuzzProgram fuzzing;

namespace {

void write(const std::string& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::string read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto path = (fuzzing.folder / "Fuzz.mdb").string();
    const auto journalPath = path + "-journal";
    std::string input(reinterpret_cast<const char*>(data), size), journal;
    if (size >= 5 && data[0] == 'J') {
        const uint32_t length =
            data[1] | (data[2] << 8) | (data[3] << 16) | (static_cast<uint32_t>(data[4]) << 24);
        const std::string rest = input.substr(5);
        const std::size_t cut = rest.empty() ? 0 : length % (rest.size() + 1);
        input = rest.substr(0, cut);
        journal = rest.substr(cut);
    }
    write(path, input);
    std::remove(journalPath.c_str());
    if (!journal.empty()) write(journalPath, journal);
    auto& program = fuzzing.make();
    kvt::shell::LoadMain(program);
    bool opened = kvt::shell::OpenDatabaseFile(program, path);
    if (opened) {
        kvt::shell::CloseDatabase(program);
        return 0;
    }
    if (read(path) != input) std::abort();  // a refused file was written to
    if (!journal.empty() && read(journalPath) != journal) std::abort();  // or its journal
    return 0;
}
