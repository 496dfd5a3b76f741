// Making and opening a full-size meet database (3000 competitors, 15 clubs, 15 classes, 3000
// time rows), headless, against the floor of writing the same rows straight through SQLite;
// and opening the largest meet (9999 competitors, 200 clubs, 100 classes).
// Prints medians as "name: value unit".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <vector>

#include "shell/meet_commands.h"
#include "storage/schema.h"
#include "support/fakes.h"
#include "timing.h"
#include "ui/captions.h"

using namespace kvt;
using kvt::bench::median;
using kvt::bench::milliseconds;
namespace fs = std::filesystem;

namespace {

// The same tables and rows written in one transaction with prepared statements.
void writeFloor(const lang::TextTable& texts, const std::string& path) {
    fs::remove(path);
    meetdb::Connection db(path, meetdb::Connection::Mode::Create);
    meetdb::Transaction transaction(db);
    auto tables = storage::MeetTables(texts, 15);
    const int rows[] = {3000, 15, 15, 1, 3000, 1};
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const auto& table = tables[t];
        db.execute(meetdb::CreateTableSql(table));
        int count = t < 6 ? rows[t] : (t == tables.size() - 1 ? 1 : 0);
        if (count == 0) continue;
        std::string sql = "INSERT INTO " + meetdb::QuoteIdentifier(table.name) + " VALUES (";
        for (std::size_t i = 0; i < table.fields.size(); ++i) sql += i ? ",?" : "?";
        auto insert = db.prepare(sql + ")");
        for (int k = 1; k <= count; ++k) {
            for (std::size_t i = 0; i < table.fields.size(); ++i)
                insert.bind(static_cast<int>(i + 1), std::optional<std::string>("-"));
            insert.run();
            insert.reset();
        }
    }
    transaction.commit();
}

}  // namespace

int main() {
    testing::TestProgram test;
    auto& program = test.start();
    auto& main = program.Main;
    main.SetupText[0].setText("3000");
    main.SetupText[1].setText("15");
    main.SetupText[2].setText("15");
    main.SetupText[8].setText("3000");
    main.SetupCheck[1].setChecked(true);
    const std::string path = (test.folder() / "Bench.mdb").string();
    const std::string floorPath = (test.folder() / "Floor.mdb").string();

    std::vector<double> make, floor, open;
    for (int run = 0; run < 5; ++run) {
        fs::remove(path);
        make.push_back(milliseconds([&] { shell::MakeNewDatabaseFile(program, path); }));
        floor.push_back(milliseconds([&] { writeFloor(program.LanguageTexts, floorPath); }));
        open.push_back(milliseconds([&] { shell::OpenDatabaseFile(program, path); }));
        if (program.currentDatabase().empty() || !test.dialogs.messages.empty()) {
            std::fprintf(stderr, "the bench meet did not open\n");
            return 1;
        }
        shell::CloseDatabase(program);
        main.SetupText[8].setText("3000");
    }
    std::printf("make_new_ms: %.0f ms\n", median(make));
    std::printf("make_new_floor_ratio: %.2f x\n", median(make) / median(floor));
    std::printf("open_ms: %.0f ms\n", median(open));

    // The largest meet: 9999 competitors, 200 clubs and 100 classes, opened as Open does.
    main.SetupText[0].setText("9999");
    main.SetupText[1].setText("200");
    main.SetupText[2].setText("100");
    main.SetupText[8].setText("3000");
    const std::string largest = (test.folder() / "Largest.mdb").string();
    if (!shell::MakeNewDatabaseFile(program, largest)) return 1;
    std::vector<double> openLargest;
    for (int run = 0; run < 5; ++run) {
        openLargest.push_back(milliseconds([&] { shell::OpenDatabaseFile(program, largest); }));
        if (!program.meet || program.meet->highestNumber() != 9999 ||
            !test.dialogs.messages.empty()) {
            std::fprintf(stderr, "the largest meet did not open\n");
            return 1;
        }
        shell::CloseDatabase(program);
    }
    std::printf("open_9999_ms: %.0f ms\n", median(openLargest));
    return 0;
}
