// A server the program starts for the operator on this laptop: the open meet hosted on it,
// its data in the meet's folder, a password made and shown once, listening only on the
// address given, stopped with the meet.
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "pgdb/pq.h"
#include "pgdb/server_name.h"
#include "shell/meet_commands.h"
#include "support/fakes.h"
#include "support/file_bytes.h"

using namespace kvt;
using kvt::testing::TestProgram;
namespace fs = std::filesystem;

namespace {

std::string bytes(const fs::path& path) { return kvt::testing::FileBytes(path); }

}  // namespace

TEST(LaptopServer, TheOpenMeetGoesOnAServerOfItsOwnThatStopsWithTheMeet) {
    TestProgram station;
    auto& p = station.start();
    const std::string file = station.makeAndOpenMeet();
    // An address that is not the laptop's own is refused before anything is started.
    station.dialogs.serverAnswers.push_back(ui::ServerMeetAnswer{"10.254.254.254", "laptop", ""});
    p.MDIMain.StartServer.click();
    ASSERT_EQ(station.dialogs.messages.size(), 1u);
    EXPECT_NE(station.dialogs.messages[0].text.find("10.254.254.254"), std::string::npos);
    EXPECT_EQ(p.currentDatabase(), file);

    station.dialogs.messages.clear();
    station.dialogs.serverAnswers.push_back(ui::ServerMeetAnswer{"127.0.0.1", "laptop", ""});
    p.MDIMain.StartServer.click();
    ASSERT_EQ(station.dialogs.messages.size(), 1u);
    const std::string told = station.dialogs.messages[0].text;
    ASSERT_TRUE(p.meet) << told;
    const auto name = pgdb::ParseServerName(p.currentDatabase());
    ASSERT_TRUE(name) << p.currentDatabase();
    EXPECT_EQ(name->host, "127.0.0.1");
    EXPECT_EQ(name->database, "laptop");
    // The password is shown once, in the message.
    const auto at = told.find("Passordet er ");
    ASSERT_NE(at, std::string::npos) << told;
    const std::string password = told.substr(at + 13, 20);
    EXPECT_EQ(password.size(), 20u);
    pgdb::PgConnection db({p.currentDatabase(), password});
    EXPECT_EQ(db.run("SHOW listen_addresses").value(0, 0), "127.0.0.1");
    EXPECT_EQ(db.run("SELECT count(*) FROM \"Deltakere\"").integer(0, 0),
              p.meet->registerCount(meet::Register::Competitors));
    EXPECT_THROW(pgdb::PgConnection({p.currentDatabase(), "wrong"}), pgdb::PgError);
    // Its data is in the meet's folder; no file there holds the password.
    const fs::path folder = fs::path(shell::MeetFolder(file)) / "Server";
    EXPECT_TRUE(fs::exists(folder / "data" / "PG_VERSION"));
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file() && entry.file_size() < (1 << 20)) {
            EXPECT_EQ(bytes(entry.path()).find(password), std::string::npos) << entry.path();
        }
    }

    const std::string address =
        "host=127.0.0.1 dbname=postgres connect_timeout=2 port=" + std::to_string(name->port);
    EXPECT_EQ(PQping(address.c_str()), PQPING_OK);
    p.MDIMain.Close.click();
    EXPECT_FALSE(p.meet);
    EXPECT_NE(PQping(address.c_str()), PQPING_OK);
}
