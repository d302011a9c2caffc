#pragma once
// A fresh, empty company database for one test, on the engine the run asks for
// (KV8_TEST_ENGINE=sqlite|postgres). Postgres needs the server KV8_TEST_PG: without it the test
// is skipped, or fails when KV8_TEST_PG_REQUIRED=1 (as ./test sets); an unreachable one fails.
// A postgres run ends with a line counting the tests that ran on the server.
#include "host/db/TXDatabase.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class TestDb {
public:
    TestDb();
    ~TestDb();

    bool IsPostgres() const { return postgres_; }
    // False on a postgres run without a server: the test is skipped (it has already failed
    // when the server is required or unreachable).
    bool Available() const { return !url_.isEmpty(); }
    // In a user's process of a test of two users (DueUtenti): the database is the parent
    // test's, made and dropped by it, not a new one.
    bool Attached() const { return attached_; }
    // The URL of this test's database; every connection opened on it sees the same data.
    const QString &Url() const { return url_; }
    // A new connection to this test's database under a unique name.
    std::unique_ptr<TXDatabase> Connect(const QString &name = QString()) const;

private:
    bool postgres_ = false;
    bool attached_ = false;
    QString url_;
    QString schema_;
    std::unique_ptr<QTemporaryDir> dir_;
};

// Use at the top of a database test: skips it when the engine asked for is not there.
#define KV8_REQUIRE_DB(db)                                                                                             \
    do {                                                                                                               \
        if (!(db).Available())                                                                                         \
            GTEST_SKIP() << "KV8_TEST_PG not set";                                                                     \
    } while (0)
