#pragma once
// A fresh company database as "GlobalDatabase" for the tests of the host's base data
// modules and money helpers; the modules and settings are reset after each test.
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibcge.h"
#include "host/business/Dmibpra.h"
#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/db/ConfigStore.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"
#include "tests/support/ui/UiScript.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>

class DatiBase : public ::testing::Test {
protected:
    void SetUp() override
    {
        kv8test::EnsureApplication();
        if (!tdb.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        db = &DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), tdb.Url());
        SchemaInstaller().Create(*db);
        ConfigStore::Load(*db);
    }

    void TearDown() override
    {
        delete DMIBase.data();
        delete DMIBbas.data();
        delete DMIBPra.data();
        delete DMIBCge.data();
        KV8Config::Clear();
        CFG = TCFG();
        if (db)
            DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
    }

    static QDateTime Giorno(int y, int m, int d, int h = 0, int min = 0)
    {
        return QDateTime(QDate(y, m, d), QTime(h, min));
    }

    void Divisa(const QString &codice, int decPrezzo, int decValore)
    {
        db->ExecSQL(QStringLiteral("INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES (?, ?, ?, ?)"),
                    {codice, codice, decPrezzo, decValore});
    }

    void Cambio(const QString &codice, const QDateTime &data, double cambio)
    {
        db->ExecSQL(QStringLiteral("INSERT INTO Cambi (IdDivisa, DataCambio, Cambio) VALUES (?, ?, ?)"),
                    {codice, data, cambio});
    }

    void Cliente(const QString &codice, const QString &ragioneSociale)
    {
        db->ExecSQL(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', ?, ?)"),
                    {codice, ragioneSociale});
    }

    TestDb tdb;
    TXDatabase *db = nullptr;
};
