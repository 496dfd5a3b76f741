// Every input that once broke a fuzz target, opened again as a meet database and as User.ini.
#include <gtest/gtest.h>

#include <fstream>

#include "shell/meet_commands.h"
#include "support/fakes.h"

using kvt::testing::TestProgram;
namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryInputOnceFoundOpensOrIsRefusedWithoutHarm) {
    int inputs = 0;
    for (const auto& entry : fs::directory_iterator(KVT_FUZZ_REGRESSIONS_DIR)) {
        ++inputs;
        TestProgram asMeet;
        fs::copy_file(entry.path(), asMeet.folder() / "Fuzz.mdb");
        auto& program = asMeet.start();
        if (kvt::shell::OpenDatabaseFile(program, (asMeet.folder() / "Fuzz.mdb").string()))
            kvt::shell::CloseDatabase(program);
        EXPECT_TRUE(program.currentDatabase().empty()) << entry.path();

        TestProgram asSettings;
        fs::copy_file(entry.path(), asSettings.userIniPath());
        EXPECT_NO_THROW(asSettings.start()) << entry.path();
    }
    EXPECT_GE(inputs, 2);
}

namespace {
int openFileDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}
}  // namespace

// A file SQLite opens but then refuses (one the fuzzer found as User.ini) is closed again:
// each such start once kept a connection and its file open for good.
TEST(FuzzRegressions, AFileThatIsRefusedAfterOpeningKeepsNoFileOpen) {
    for (const auto& entry : fs::directory_iterator(KVT_FUZZ_REGRESSIONS_DIR)) {
        const int before = openFileDescriptors();
        {
            TestProgram asSettings;
            fs::copy_file(entry.path(), asSettings.userIniPath());
            asSettings.start();
            TestProgram asMeet;
            fs::copy_file(entry.path(), asMeet.folder() / "Fuzz.mdb");
            auto& program = asMeet.start();
            if (kvt::shell::OpenDatabaseFile(program, (asMeet.folder() / "Fuzz.mdb").string()))
                kvt::shell::CloseDatabase(program);
        }
        EXPECT_EQ(openFileDescriptors(), before) << entry.path();
    }
}
