// Any bytes as User.ini: the program starts, and a file it cannot read is not written to.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "fuzz_platform.h"
#include "shell/commands.h"

static kvt::fuzz::FuzzProgram fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto path = (fuzzing.folder / "User.ini").string();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    auto& program = fuzzing.make();
    kvt::shell::LoadMain(program);
    if (program.Main.UserData.isOpen()) return 0;  // read as settings
    program.Main.SetupLanguageOption[1].select();  // a change that would be stored
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    if (content.str() != std::string(reinterpret_cast<const char*>(data), size)) std::abort();
    return 0;
}
