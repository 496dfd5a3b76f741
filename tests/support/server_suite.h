// A suite of tests on one PostgreSQL server of its own, started once for the suite (as an
// ordinary user, in a temporary folder) and stopped after it; each test takes a database of its
// own on it.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "pgdb/server_name.h"
#include "support/pg_server.h"

namespace kvt::testing {

template <typename Suite>
class OneServerPerSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server_ = new PgServer();
        if (!server_->ready() || !server_->start()) {
            delete server_;
            server_ = nullptr;
        }
    }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(server_, nullptr) << "no PostgreSQL server could be started"; }
    // A meet's name on the server, its database named prefix and a number not used before.
    static pgdb::ServerMeet freshNamed(const std::string& prefix) {
        static int count = 0;
        pgdb::ServerMeet meet;
        meet.host = "127.0.0.1";
        meet.port = server_->port();
        meet.database = prefix + std::to_string(++count);
        return meet;
    }
    static const std::string& password() { return server_->password(); }

    static inline PgServer* server_ = nullptr;
};

}  // namespace kvt::testing
