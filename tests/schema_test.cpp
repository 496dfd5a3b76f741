#include "storage/schema.h"

#include <gtest/gtest.h>

#include "meetdb/sqlite.h"
#include "meetdb/sqlite_engine.h"
#include "support/fakes.h"
#include "ui/captions.h"

using namespace kvt::meetdb;
using namespace kvt::storage;

namespace {
std::vector<std::string> names(const std::vector<TableSpec>& tables) {
    std::vector<std::string> result;
    for (const auto& table : tables) result.push_back(table.name);
    return result;
}
}  // namespace

TEST(Schema, TableNamesFollowTheLanguage) {
    kvt::testing::TestProgram test;
    auto& program = test.program();
    kvt::ui::SetEnglishTexts(program);
    EXPECT_EQ(names(MeetTables(program.LanguageTexts, 2)),
              (std::vector<std::string>{"Competitors", "Clubs", "Classes", "Setup", "Time", "Work",
                                        "Results-1", "Results-2", "Control"}));
    EXPECT_EQ(DescribeTable(TableKind::Time, program.LanguageTexts).fields[2].name, "Time");
    EXPECT_EQ(DescribeTable(TableKind::Classes, program.LanguageTexts).fields[2].name, "Name");
    kvt::ui::SetNorwegianTexts(program);
    EXPECT_EQ(names(MeetTables(program.LanguageTexts, 1)),
              (std::vector<std::string>{"Deltakere", "Klubber", "Klasser", "Oppsett", "Tider",
                                        "Arbeid", "Resultat-1", "Control"}));
    EXPECT_EQ(DescribeTable(TableKind::Time, program.LanguageTexts).fields[2].name, "Tid");
    EXPECT_EQ(DescribeTable(TableKind::Classes, program.LanguageTexts).fields[2].name, "Navn");
}

TEST(Schema, FieldsHaveTheirCountsAndTypes) {
    kvt::testing::TestProgram test;
    auto& texts = test.program().LanguageTexts;
    kvt::ui::SetEnglishTexts(test.program());
    EXPECT_EQ(DescribeTable(TableKind::Competitors, texts).fields.size(), 27u);
    EXPECT_EQ(DescribeTable(TableKind::Clubs, texts).fields.size(), 16u);
    EXPECT_EQ(DescribeTable(TableKind::Work, texts).fields.size(), 41u);
    auto setup = DescribeTable(TableKind::Setup, texts);
    ASSERT_EQ(setup.fields.size(), 38u);
    EXPECT_EQ(setup.fields[20].type, FieldType::YesNo);
    EXPECT_EQ(setup.fields[21].type, FieldType::Text);
    EXPECT_EQ(setup.fields[37].name, "37");
    auto results = DescribeTable(TableKind::Results, texts, 3);
    EXPECT_EQ(results.name, "Results-3");
    EXPECT_EQ(results.fields[0].type, FieldType::Integer);
    EXPECT_EQ(results.fields[1].type, FieldType::Integer);
    EXPECT_EQ(results.fields[5].name, "Difference");
    EXPECT_EQ(results.fields[5].type, FieldType::Text);
}

TEST(Schema, MadeTablesReadBackWithTheirFieldsInOrder) {
    kvt::testing::TestProgram test;
    kvt::ui::SetNorwegianTexts(test.program());
    const std::string path = (test.folder() / "Meet.mdb").string();
    {
        Connection db(path, Connection::Mode::Create);
        for (const auto& table : MeetTables(test.program().LanguageTexts, 2))
            db.execute(CreateTableSql(table));
    }
    SqliteEngine engine;
    auto time = engine.openTable(path, "Tider");
    EXPECT_EQ(time->fieldNames(),
              (std::vector<std::string>{"Index", "Id", "Tid", "Nr", "Type", "Deltaker", "Info"}));
    EXPECT_EQ(time->recordCount(), 0);
}
