// Reading a meet file as another program would: a read-only connection of its own for each
// question, so that what a test sees is what was committed.
#pragma once

#include <optional>
#include <string>

#include "meetdb/sqlite.h"

namespace kvt::testing {

// The first column of the first row of a query as a number (a count); 0 when there is no row.
inline long long StoredNumber(const std::string& path, const std::string& sql) {
    meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
    auto query = reader.prepare(sql);
    return query.step() ? query.integer(0) : 0;
}

// The first column of the first row as text; none when there is no row or it holds NULL.
inline std::optional<std::string> StoredText(const std::string& path, const std::string& sql) {
    meetdb::Connection reader(path, meetdb::Connection::Mode::ReadOnly);
    auto query = reader.prepare(sql);
    if (!query.step()) return std::nullopt;
    return query.text(0);
}

// The rows of a table.
inline long long StoredRows(const std::string& path, const std::string& table) {
    return StoredNumber(path, "SELECT count(*) FROM " + meetdb::QuoteIdentifier(table));
}

}  // namespace kvt::testing
