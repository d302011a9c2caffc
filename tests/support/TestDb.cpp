#include "tests/support/TestDb.h"

#include "tests/support/DueUtenti.h"

#include "host/db/Dictionary.h"
#include "host/db/ModuleData.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <set>
#include <string>

namespace {
QString UniqueSuffix()
{
    return QUuid::createUuid().toString(QUuid::Id128).left(12);
}

// Tests that made a database on the server; a whole suite when it made one for all its tests.
struct PostgresRuns {
    std::set<std::string> tests;
    std::set<std::string> suites;
};

PostgresRuns &Runs()
{
    static PostgresRuns runs;
    return runs;
}

void NotePostgresRun()
{
    const ::testing::UnitTest *unit = ::testing::UnitTest::GetInstance();
    if (const ::testing::TestInfo *test = unit->current_test_info())
        Runs().tests.insert(std::string(test->test_suite_name()) + '.' + test->name());
    else if (const ::testing::TestSuite *suite = unit->current_test_suite())
        Runs().suites.insert(suite->name());
}

// Why a postgres run has no server, empty when it has one; the server is tried once a process.
QString MissingServer(const QString &server)
{
    if (server.isEmpty())
        return QStringLiteral("KV8_TEST_PG not set");
    static const QString reason = [&server]() -> QString {
        try {
            TXDatabase probe(QStringLiteral("kv8testprobe"), server);
            return QString();
        } catch (const std::exception &e) {
            return QStringLiteral("the server cannot be reached: ") + QString::fromUtf8(e.what());
        }
    }();
    return reason;
}

// The closing line of a postgres run: how many tests ran on the server.
class PostgresReport : public ::testing::EmptyTestEventListener {
    void OnTestProgramEnd(const ::testing::UnitTest &unit) override
    {
        int ran = 0;
        int skipped = 0;
        for (int i = 0; i < unit.total_test_suite_count(); ++i) {
            const ::testing::TestSuite *suite = unit.GetTestSuite(i);
            const bool wholeSuite = Runs().suites.count(suite->name()) > 0;
            for (int j = 0; j < suite->total_test_count(); ++j) {
                const ::testing::TestInfo *test = suite->GetTestInfo(j);
                if (!test->should_run())
                    continue;
                if (test->result()->Skipped())
                    ++skipped;
                else if (wholeSuite || Runs().tests.count(std::string(suite->name()) + '.' + test->name()) > 0)
                    ++ran;
            }
        }
        std::cout << "PostgreSQL: " << ran << " tests ran on PostgreSQL";
        if (const QString missing = MissingServer(qEnvironmentVariable("KV8_TEST_PG")); !missing.isEmpty())
            std::cout << " (" << missing.toStdString() << ")";
        std::cout << ", " << skipped << " skipped" << std::endl;
    }
};

[[maybe_unused]] const bool postgresReport = [] {
    if (qEnvironmentVariable("KV8_TEST_ENGINE") == QLatin1String("postgres"))
        ::testing::UnitTest::GetInstance()->listeners().Append(new PostgresReport);
    return true;
}();
} // namespace

// The module's dictionary and demo company, handed to the host as the module library hands
// them to the program (tests/CMakeLists.txt compiles the files into the test support).
static void UseModuleData()
{
    static const bool used = [] {
        ModuleData::Use(Dictionary::JsonFiles(QStringLiteral(":/kv8test/dictionary")),
                        Dictionary::JsonFiles(QStringLiteral(":/kv8test/demo")));
        return true;
    }();
    (void)used;
}

TestDb::TestDb()
{
    UseModuleData();
    postgres_ = qEnvironmentVariable("KV8_TEST_ENGINE") == QLatin1String("postgres");
    if (kv8test::ProcessoUtente()) {
        attached_ = true;
        url_ = kv8test::DatabaseUtente();
        return;
    }
    if (postgres_) {
        const QString server = qEnvironmentVariable("KV8_TEST_PG");
        if (const QString missing = MissingServer(server); !missing.isEmpty()) {
            // a fatal failure: a fixture made with it then runs neither its SetUp nor its body
            if (!server.isEmpty() || qEnvironmentVariable("KV8_TEST_PG_REQUIRED") == QLatin1String("1"))
                [&missing] { FAIL() << "This test needs PostgreSQL: " << missing.toStdString(); }();
            return;
        }
        NotePostgresRun();
        schema_ = QStringLiteral("t_") + UniqueSuffix();
        url_ = server + (server.contains(QLatin1Char('?')) ? QStringLiteral("&") : QStringLiteral("?"))
               + QStringLiteral("schema=") + schema_;
    } else {
        dir_ = std::make_unique<QTemporaryDir>();
        url_ = QStringLiteral("sqlite:") + dir_->filePath(QStringLiteral("company.db"));
    }
}

TestDb::~TestDb()
{
    if (postgres_ && !schema_.isEmpty()) {
        try {
            auto db = Connect();
            db->ExecSQL(QStringLiteral("DROP SCHEMA IF EXISTS ") + schema_ + QStringLiteral(" CASCADE"));
        } catch (const std::exception &) {
            // the schema stays behind in a throwaway cluster
        }
    }
}

std::unique_ptr<TXDatabase> TestDb::Connect(const QString &name) const
{
    static std::atomic<int> counter{0};
    const QString connection = name.isEmpty() ? QStringLiteral("test%1").arg(++counter) : name;
    return std::make_unique<TXDatabase>(connection, url_);
}
