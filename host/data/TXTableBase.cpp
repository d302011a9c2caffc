#include "host/data/TXTableBase.h"

#include "host/db/DMIDataBases.h"

TXTableBase::TXTableBase(QObject *owner) : TXSqlDataSet(owner) {}

TXTableBase::~TXTableBase() = default;

void TXTableBase::SetTableName(const QString &name)
{
    ThrowIfActive(QStringLiteral("cambiare il nome della tabella"));
    tableName_ = name.trimmed();
}

void TXTableBase::SetDatabaseName(const QString &name)
{
    ThrowIfActive(QStringLiteral("cambiare il database"));
    databaseName_ = name;
    database_ = nullptr;
    found_ = nullptr;
}

void TXTableBase::SetDatabase(TXDatabase *database)
{
    ThrowIfActive(QStringLiteral("cambiare il database"));
    database_ = database;
}

TXDatabase &TXTableBase::Database() const
{
    if (database_)
        return *database_;
    if (!found_ || foundGeneration_ != DMIDataBases::Generation()) {
        found_ = &DMIDataBases::Instance().Database(databaseName_);
        foundGeneration_ = DMIDataBases::Generation(); // read after: finding may open the connection
    }
    return *found_;
}
