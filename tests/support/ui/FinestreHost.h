#pragma once
// Tests of the host's windows on a company database: the message script, a main window
// opened by the test once its menu choices are installed, the windows a menu code opens, the
// stored rows read back, and the host's settings given back after the test.
#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/db/TXDatabase.h"
#include "host/ui/WindowFactory.h"
#include "tests/support/ui/UiScript.h"
#include "tests/support/ui/WindowDriver.h"

#include <QDateTime>
#include <QSqlQuery>

#include <gtest/gtest.h>

#include <memory>

class FinestreHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
    }
    void TearDown() override
    {
        main.reset();
        HostMenu::Clear();
        KV8Config::Clear();
        CFG = TCFG();
    }

    // The window a menu code opens, of the class expected.
    template <class T = TForm> T *Apri(const QString &code) { return main->Open<T>(code); }

    static QDateTime Giorno(int y, int m, int d) { return QDateTime(QDate(y, m, d), QTime(0, 0)); }
    void Esegui(const char *sql, const QVariantList &valori = {})
    {
        company.Database().ExecSQL(QLatin1String(sql), valori);
    }
    void Esegui(const QString &sql, const QVariantList &valori = {}) { company.Database().ExecSQL(sql, valori); }
    QVariant Valore(const QString &sql, const QVariantList &valori = {})
    {
        return company.Database().ScalarValue(sql, valori);
    }
    int Conta(const QString &tabella, const QString &condizione = QStringLiteral("1 = 1"),
              const QVariantList &valori = {})
    {
        return Valore(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(tabella, condizione), valori).toInt();
    }

    // From now on every row inserted into tabella fails, as on a broken database, until
    // RipristinaInserimenti; false when the failure could not be set up.
    bool GuastaInserimenti(const QString &tabella)
    {
        QSqlQuery ddl(company.Database().Connection());
        if (company.Database().IsPostgres())
            return ddl.exec(QStringLiteral("CREATE OR REPLACE FUNCTION guasto() RETURNS trigger AS $$ BEGIN RAISE "
                                           "EXCEPTION 'guasto'; END $$ LANGUAGE plpgsql"))
                   && ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON %1 FOR EACH ROW EXECUTE "
                                              "FUNCTION guasto()")
                                   .arg(tabella));
        return ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, "
                                       "'guasto'); END")
                            .arg(tabella));
    }
    void RipristinaInserimenti(const QString &tabella)
    {
        Esegui(company.Database().IsPostgres() ? QStringLiteral("DROP TRIGGER tr_guasto ON %1").arg(tabella)
                                               : QStringLiteral("DROP TRIGGER tr_guasto"));
    }

    kv8test::UiCompany company;
    kv8test::UiScript script;
    std::unique_ptr<kv8test::TestMainWindow> main;
};
