#pragma once
// A company database per test, opened as "GlobalDatabase", with the module's shared data
// modules created on it; helpers to seed and read rows.
#include "frame/Dmilumo.h"
#include "frame/Dmilumo_reg.h"
#include "host/core/Applvar.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "host/ui/Kmessages.h"
#include "tests/support/TestDb.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable values in failure messages.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QStringList &list, std::ostream *os)
{
    *os << '[';
    for (const QString &s : list)
        *os << '"' << s.toStdString() << "\" ";
    *os << ']';
}

class FrameDbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!tdb.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        savedCfg = CFG;
        CFG.IdDivisa = QStringLiteral("EUR");
        db = &DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), tdb.Url());
        SchemaInstaller().Create(*db);
        previous = DMILUMO;
        previousReg = DMILUMO_reg;
        dm = std::make_unique<TDMILUMO>();
        DMILUMO = dm.get();
        dmReg = std::make_unique<TDMILUMO_reg>();
        DMILUMO_reg = dmReg.get();
    }

    void TearDown() override
    {
        dm.reset();
        dmReg.reset();
        DMILUMO = previous;
        DMILUMO_reg = previousReg;
        if (db) {
            if (db->InTransaction())
                db->Rollback();
            DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
            CFG = savedCfg;
        }
    }

    // One row of a statement's result by column name (lower-case keys); empty when none.
    static QVariantMap Row(TXDatabase &on, const QString &sql, const QVariantList &params = {})
    {
        QSqlQuery q = on.OpenQuery(sql, params);
        QVariantMap row;
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                row.insert(q.record().fieldName(i).toLower(), q.value(i));
        return row;
    }
    QVariantMap Row(const QString &sql, const QVariantList &params = {}) { return Row(*db, sql, params); }
    int Count(const QString &sql, const QVariantList &params = {}) { return db->ScalarValue(sql, params).toInt(); }

    TestDb tdb;
    TXDatabase *db = nullptr;
    std::unique_ptr<TDMILUMO> dm;
    std::unique_ptr<TDMILUMO_reg> dmReg;
    QPointer<TDMILUMO> previous;
    QPointer<TDMILUMO_reg> previousReg;
    TCFG savedCfg;
};

// Records the messages shown instead of showing them.
class MessageRecorder : public TMessageService {
public:
    MessageRecorder() { previous_ = Kmessages::SetMessageService(this); }
    ~MessageRecorder() override { Kmessages::SetMessageService(previous_); }
    int Show(const TKMessage &message) override
    {
        shown.append(message);
        return message.DefaultResult();
    }
    QList<TKMessage> shown;

private:
    TMessageService *previous_ = nullptr;
};
