#include "tests/support/TestDb.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>

#include <atomic>

namespace {
QString UniqueSuffix()
{
    return QUuid::createUuid().toString(QUuid::Id128).left(12);
}
}

TestDb::TestDb()
{
    postgres_ = qEnvironmentVariable("KV8_TEST_ENGINE") == QLatin1String("postgres");
    if (postgres_) {
        const QString server = qEnvironmentVariable("KV8_TEST_PG");
        if (server.isEmpty())
            return;
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
