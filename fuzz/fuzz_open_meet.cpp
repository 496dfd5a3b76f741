// Any bytes opened as a meet database: no crash, no hang, and a file that is refused is not
// written to.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fuzz_platform.h"
#include "shell/commands.h"
#include "shell/meet_commands.h"

static kvt::fuzz::FuzzProgram fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto path = (fuzzing.folder / "Fuzz.mdb").string();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    auto& program = fuzzing.make();
    kvt::shell::LoadMain(program);
    bool opened = kvt::shell::OpenDatabaseFile(program, path);
    if (opened) {
        kvt::shell::CloseDatabase(program);
        return 0;
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    const std::string after = content.str();
    if (after.size() != size ||
        (size && after.compare(0, size, reinterpret_cast<const char*>(data), size) != 0))
        std::abort();  // a refused file was written to
    return 0;
}
