#include "shell/server_meets.h"

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "meetdb/meet_files.h"
#include "meetdb/sqlite.h"
#include "meetdb/sqlite_engine.h"
#include "pgdb/pg_engine.h"
#include "pgdb/pq.h"

namespace kvt::shell {

namespace fs = std::filesystem;

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

bool ServerHasDatabase(pgdb::PgConnection& maintenance, const std::string& database) {
    return maintenance.run("SELECT 1 FROM pg_database WHERE datname = $1", {database}).rows() > 0;
}

bool HoldsMeet(pgdb::PgConnection& db) {
    return db.run("SELECT to_regclass($1) IS NOT NULL", {pgdb::QuoteName(pgdb::CatalogTables)})
                   .value(0, 0) == pgdb::Value("t") &&
           db.run("SELECT 1 FROM " + pgdb::QuoteName(pgdb::CatalogTables) + " LIMIT 1").rows() > 0;
}

void CopyInto(meetdb::Connection& file, pgdb::PgConnection& db) {
    db.begin();
    try {
        pgdb::MakeCatalog(db);
        if (db.run("SELECT 1 FROM " + pgdb::QuoteName(pgdb::CatalogTables) + " LIMIT 1").rows() > 0)
            throw ServerMeetExists("the database " + std::string(PQdb(db.handle())) +
                                   " holds a meet already");
        long long marks[2] = {0, 0};
        const char* pragmas[2] = {"user_version", "application_id"};
        for (int i = 0; i < 2; ++i) {
            auto read = file.prepare(std::string("PRAGMA ") + pragmas[i]);
            if (read.step()) marks[i] = read.integer(0);
        }
        db.run("INSERT INTO " + pgdb::QuoteName(pgdb::CatalogFile) +
                   " (\"user_version\", \"application_id\") VALUES ($1, $2)",
               {std::to_string(marks[0]), std::to_string(marks[1])});
        for (const std::string& table : meetdb::TableNames(file)) {
            Fields fields;
            auto columns =
                file.prepare("SELECT name, type FROM pragma_table_info(?1) ORDER BY cid");
            columns.bind(1, table);
            while (columns.step())
                fields.emplace_back(columns.text(0).value_or(""), columns.text(1).value_or(""));
            pgdb::MakeTable(db, table, fields);
            std::vector<std::vector<pgdb::Value>> rows;
            auto read = file.prepare("SELECT * FROM " + meetdb::QuoteIdentifier(table) +
                                     " ORDER BY rowid");
            while (read.step()) {
                std::vector<pgdb::Value> row(fields.size());
                for (std::size_t i = 0; i < fields.size(); ++i)
                    row[i] = read.text(static_cast<int>(i));
                rows.push_back(std::move(row));
            }
            if (rows.empty()) continue;
            std::string names;
            for (std::size_t i = 0; i < fields.size(); ++i)
                names += (i ? ", " : "") + pgdb::QuoteName(fields[i].first);
            db.copyIn("COPY " + pgdb::QuoteName(table) + " (" + names + ") FROM STDIN", rows);
        }
        db.commit();
    } catch (...) {
        if (db.inTransaction()) db.rollback();
        throw;
    }
}

void SyncFolder(const fs::path& folder) {
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void HostMeet(const std::string& path, const pgdb::ServerMeet& server, const std::string& password) {
    // The file is read in one read transaction: a meet open meanwhile is read as committed.
    meetdb::Connection file(path, meetdb::Connection::Mode::ReadOnly);
    file.execute("BEGIN");
    struct EndRead {
        meetdb::Connection& file;
        ~EndRead() {
            try {
                file.execute("ROLLBACK");
            } catch (const std::exception&) {
            }
        }
    } endRead{file};
    bool made = false;
    {
        pgdb::PgConnection maintenance({server.maintenance().name(), password});
        if (!ServerHasDatabase(maintenance, server.database)) {
            maintenance.execute("CREATE DATABASE " + pgdb::QuoteName(server.database) +
                                " ENCODING 'UTF8' TEMPLATE template0");
            made = true;
        }
    }
    try {
        pgdb::PgConnection db({server.name(), password});
        CopyInto(file, db);
    } catch (...) {
        if (made) {
            try {
                pgdb::PgConnection maintenance({server.maintenance().name(), password});
                maintenance.execute("DROP DATABASE IF EXISTS " + pgdb::QuoteName(server.database));
            } catch (const std::exception&) {
                // The empty database stays; hosting again fills it.
            }
        }
        throw;
    }
}

void SaveServerMeet(const pgdb::ServerMeet& server, const std::string& password,
                    const std::string& path) {
    pgdb::PgConnection db({server.name(), password});
    if (!HoldsMeet(db)) throw std::runtime_error("the database " + server.database + " holds no meet");
    const std::string making = path + ".saving";
    std::error_code error;
    fs::remove(making, error);
    try {
        db.execute("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        {
            meetdb::Connection file(making, meetdb::Connection::Mode::Create);
            const pgdb::Result marks = db.run("SELECT \"user_version\", \"application_id\" FROM " +
                                              pgdb::QuoteName(pgdb::CatalogFile) + " LIMIT 1");
            if (marks.rows() > 0) {
                file.execute("PRAGMA user_version = " + std::to_string(marks.integer(0, 0)));
                file.execute("PRAGMA application_id = " + std::to_string(marks.integer(0, 1)));
            }
            meetdb::Transaction writing(file);
            const pgdb::Result tables = db.run("SELECT \"name\" FROM " +
                                               pgdb::QuoteName(pgdb::CatalogTables) +
                                               " ORDER BY \"made\"");
            for (int t = 0; t < tables.rows(); ++t) {
                const std::string table = tables.value(t, 0).value_or("");
                const pgdb::Result columns =
                    db.run("SELECT \"name\", \"declared\" FROM " +
                               pgdb::QuoteName(pgdb::CatalogColumns) +
                               " WHERE \"table\" = $1 ORDER BY \"position\"",
                           {table});
                std::string create = "CREATE TABLE " + meetdb::QuoteIdentifier(table) + " (";
                std::string names, marksText;
                for (int c = 0; c < columns.rows(); ++c) {
                    const std::string name = columns.value(c, 0).value_or("");
                    const std::string declared = columns.value(c, 1).value_or("");
                    create += (c ? ", " : "") + meetdb::QuoteIdentifier(name) +
                              (declared.empty() ? "" : " " + declared);
                    names += (c ? ", " : "") + pgdb::QuoteName(name);
                    marksText += c ? ", ?" : "?";
                }
                file.execute(create + ")");
                if (columns.rows() == 0) continue;
                const pgdb::Result rows = db.run("SELECT " + names + " FROM " +
                                                 pgdb::QuoteName(table) + " ORDER BY " +
                                                 pgdb::QuoteName(pgdb::RowColumn));
                auto insert = file.prepare("INSERT INTO " + meetdb::QuoteIdentifier(table) +
                                           " VALUES (" + marksText + ")");
                for (int r = 0; r < rows.rows(); ++r) {
                    insert.reset();
                    for (int c = 0; c < columns.rows(); ++c) insert.bind(c + 1, rows.value(r, c));
                    insert.run();
                }
            }
            writing.commit();
        }
        db.execute("COMMIT");
        fs::rename(making, path);
        SyncFolder(fs::path(path).parent_path());
    } catch (...) {
        fs::remove(making, error);
        throw;
    }
}

}  // namespace kvt::shell
