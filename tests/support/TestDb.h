#pragma once
// A fresh, empty company database for one test, on the engine the run asks for
// (KV8_TEST_ENGINE=sqlite|postgres; postgres needs KV8_TEST_PG, else the test is skipped).
#include "host/db/TXDatabase.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

class TestDb {
public:
    TestDb();
    ~TestDb();

    bool IsPostgres() const { return postgres_; }
    // Skipped tests: no server for a postgres run.
    bool Available() const { return !url_.isEmpty(); }
    // The URL of this test's database; every connection opened on it sees the same data.
    const QString &Url() const { return url_; }
    // A new connection to this test's database under a unique name.
    std::unique_ptr<TXDatabase> Connect(const QString &name = QString()) const;

private:
    bool postgres_ = false;
    QString url_;
    QString schema_;
    std::unique_ptr<QTemporaryDir> dir_;
};

// Use at the top of a database test: skips it when the engine asked for is not there.
#define KV8_REQUIRE_DB(db)                                                        \
    do {                                                                          \
        if (!(db).Available()) GTEST_SKIP() << "KV8_TEST_PG not set";             \
    } while (0)
