#include <gtest/gtest.h>

#include "meetdb/sqlite_engine.h"
#include "support/fakes.h"

using namespace kvt;

namespace {

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        path = (test.folder() / "Meet.mdb").string();
        meetdb::Connection db(path, meetdb::Connection::Mode::Create);
        db.execute("CREATE TABLE \"Clubs\" (\"0\" TEXT, \"1\" TEXT, \"2\" INTEGER)");
        db.execute(
            "INSERT INTO \"Clubs\" VALUES (' 1', 'Ask', 1), (' 2', NULL, 0), "
            "(' 3', 'Tind', 0)");
        number.setDataField("0");
        name.setDataField("1");
        flag.setDataField("2");
        data.setEngine(&engine);
        data.bind(number);
        data.bind(name);
        data.bind(flag);
        data.setDatabaseName(path);
        data.setRecordSource("Clubs");
    }

    std::string nameOfRecord(int position) {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadOnly);
        auto select = db.prepare("SELECT \"1\" FROM \"Clubs\" ORDER BY rowid LIMIT 1 OFFSET ?1");
        select.bind(1, static_cast<long long>(position - 1));
        select.step();
        return select.text(0).value_or("<null>");
    }

    kvt::testing::TestProgram test;
    meetdb::SqliteEngine engine;
    std::string path;
    ui::DataControl data;
    ui::TextBox number, name;
    ui::CheckBox flag;
};

}  // namespace

TEST_F(Binding, ShowsRecordsInStoredOrder) {
    data.refresh();
    EXPECT_EQ(data.recordCount(), 3);
    EXPECT_EQ(data.position(), 1);
    EXPECT_EQ(name.text(), "Ask");
    EXPECT_TRUE(flag.checked());
    data.moveNext();
    EXPECT_EQ(number.text(), " 2");
    EXPECT_EQ(name.text(), "");  // Null shows as an empty box
    EXPECT_FALSE(flag.checked());
    data.moveLast();
    EXPECT_EQ(name.text(), "Tind");
    data.moveNext();  // past the end stays on the last record
    EXPECT_EQ(data.position(), 3);
    data.moveTo(2);
    EXPECT_EQ(number.text(), " 2");
}

TEST_F(Binding, LeavingAnEditedRecordStoresOnlyWhatChanged) {
    data.refresh();
    name.setText("Ask IL");
    data.moveNext();
    EXPECT_EQ(nameOfRecord(1), "Ask IL");
    EXPECT_EQ(nameOfRecord(2), "<null>");  // shown empty, not edited: stays Null
    flag.setChecked(true);
    data.movePrevious();
    data.moveTo(2);
    EXPECT_TRUE(flag.checked());
}

TEST_F(Binding, ValidateCanKeepTheRecord) {
    data.refresh();
    data.Validate = [](bool& leave) { leave = false; };
    name.setText("Changed");
    data.moveNext();
    EXPECT_EQ(data.position(), 1);
    EXPECT_EQ(nameOfRecord(1), "Ask");
    data.Validate = [](bool&) {};
    data.moveNext();
    EXPECT_EQ(nameOfRecord(1), "Changed");
}

TEST_F(Binding, AnEmptyDatabaseNameClosesTheBindingAfterSaving) {
    data.refresh();
    name.setText("Saved on close");
    data.setDatabaseName("");
    data.refresh();
    EXPECT_FALSE(data.isOpen());
    EXPECT_EQ(data.position(), 0);
    EXPECT_EQ(nameOfRecord(1), "Saved on close");
}

TEST_F(Binding, AMissingTableOrFileIsAnError) {
    data.setRecordSource("NoSuchTable");
    EXPECT_THROW(data.refresh(), meetdb::SqliteError);
    data.setDatabaseName((test.folder() / "missing.mdb").string());
    EXPECT_THROW(data.refresh(), meetdb::SqliteError);
    EXPECT_FALSE(std::filesystem::exists(test.folder() / "missing.mdb"));
}

TEST_F(Binding, ARecordStoredByAnotherKeepsWhatTheOperatorTypedAndFollowsTheRest) {
    data.setShowOnly(true);
    data.refresh();
    name.setText("Ask IL");  // typed, not stored
    {
        meetdb::Connection db(path, meetdb::Connection::Mode::ReadWrite);
        db.execute("UPDATE \"Clubs\" SET \"0\" = ' 9', \"2\" = 0 WHERE rowid = 1");
    }
    const int writes = data.writeCount();
    data.recordsStored({1});
    EXPECT_EQ(data.writeCount(), writes + 1);  // a grid reads the record again
    EXPECT_EQ(number.text(), " 9");
    EXPECT_FALSE(flag.checked());
    EXPECT_EQ(name.text(), "Ask IL");
    // What is still typed is still an edit; what followed the store is none.
    const auto edited = data.editedFields();
    ASSERT_EQ(edited.size(), 1u);
    EXPECT_EQ(edited[0].first, "1");
    EXPECT_EQ(edited[0].second, "Ask IL");
    EXPECT_EQ(nameOfRecord(1), "Ask");  // the binding itself wrote nothing
}

TEST_F(Binding, AGridWithAnEditHandlerHandsTheEditOverAndAReadOnlyColumnTakesNone) {
    data.setShowOnly(true);
    data.refresh();
    ui::DataGrid grid(data);
    grid.setColumns({{700, true}, {1000}, {1000}});
    std::vector<std::string> edits;
    grid.Edit = [&](int position, int column, const std::string& text) {
        edits.push_back(std::to_string(position) + "/" + std::to_string(column) + "/" + text);
    };
    grid.edit(3, 1, "Tind IL");
    grid.edit(3, 0, "7");  // the number column is read-only
    EXPECT_EQ(edits, std::vector<std::string>{"3/1/Tind IL"});
    EXPECT_EQ(nameOfRecord(3), "Tind");
}
