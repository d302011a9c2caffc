#pragma once
// A company database per test as "GlobalDatabase", the module's and the host's shared data
// modules on it, and the datasets a document window holds: the stored head (a client table
// on the head table, its key drawn at insert), the rows in the local work table filtered on
// "Stato < 3" with the article lookups, and the totals record.
#include "engine/Lumo_funzdocven.h"
#include "frame/Dmilumo.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SchemaInstaller.h"
#include "tests/support/TestDb.h"
#include "tests/support/ui/UiScript.h"

#include <QDate>
#include <QDateTime>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <ostream>
#include <utility>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

using Valori = std::initializer_list<std::pair<const char *, QVariant>>;

class EngineDbTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        kv8test::EnsureApplication();
        if (!tdb.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        savedCfg = CFG;
        savedParametri = UT_LMQ_Parametri;
        db = &DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), tdb.Url());
        SchemaInstaller().Create(*db);
        previous = DMILUMO;
        dm = std::make_unique<TDMILUMO>();
        DMILUMO = dm.get();
    }

    void TearDown() override
    {
        righe.reset();
        testa.reset();
        totali.reset();
        delete DMIBase.data();
        dm.reset();
        DMILUMO = previous;
        if (db) {
            if (db->InTransaction())
                db->Rollback();
            DMIDataBases::Instance().Close(QStringLiteral("GlobalDatabase"));
        }
        CFG = savedCfg;
        UT_LMQ_Parametri = savedParametri;
    }

    // ---- seeding
    // A text bound as a code: an empty code is the empty text, not NULL.
    static QString Testo(const QString &s) { return s.isNull() ? QString(QLatin1String("")) : s; }
    void Esegui(const QString &sql, const QVariantList &params = {}) { db->ExecSQL(sql, params); }
    void Articolo(const QString &codice, int tipoMisure, const QString &bottiglia = QString(), int tipoArticolo = 0,
                  const QString &categoria = QString())
    {
        Esegui(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, FlTipoMisure, UT_LMQ_IdBottiglia, "
                              "UT_LMQ_FlTipArt, IdCategoria) VALUES (?, ?, ?, ?, ?, ?)"),
               {codice, QStringLiteral("Articolo ") + codice, tipoMisure, Testo(bottiglia), tipoArticolo,
                Testo(categoria)});
    }
    void Bottiglia(const QString &codice, double capacita)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES (?, ?, ?)"),
               {codice, QStringLiteral("Bottiglia ") + codice, capacita});
    }
    double Numero(const QString &sql, const QVariantList &params = {})
    {
        return db->ScalarValue(sql, params).toDouble();
    }

    // ---- the datasets of a document window
    static void TabellaLocale(const QString &tabella, const QString &origine)
    {
        TXTable crea;
        crea.SetDatabaseName(QStringLiteral("LocalDatabase"));
        crea.SetTableName(tabella);
        crea.SetTabellaOrigine(origine);
        crea.SetUsaDizionario(true);
        crea.CreaTabella();
    }

    // The rows of a document being edited, with the measure type of the article and the
    // module's lookups; opened.
    TXTable *ApriRighe(const QString &tabella = QStringLiteral("t_RigheBolleCli"),
                       const QString &origine = QStringLiteral("BolleCliRighe"))
    {
        TabellaLocale(tabella, origine);
        righe = std::make_unique<TXTable>();
        righe->SetName(QStringLiteral("tRighe"));
        righe->SetDatabaseName(QStringLiteral("LocalDatabase"));
        righe->SetTableName(tabella);
        righe->SetTabellaOrigine(origine);
        righe->SetUsaDizionario(true);
        const QString prodotto = QStringLiteral("IdProdotto");
        righe->AddLookupField(QStringLiteral("_FlTipoMisure"), ftInteger, 0, TDMIBase::Crea()->lkArticoli, prodotto,
                              prodotto, QStringLiteral("FlTipoMisure"));
        UT_LMQ_DVEN_CampiLookupRighe(righe.get());
        righe->SetFilter(QStringLiteral("Stato < 3"));
        righe->SetFiltered(true);
        righe->Open();
        return righe.get();
    }

    // A new row (state 2) with the given values, posted.
    void Riga(Valori valori, int stato = 2)
    {
        righe->Append();
        righe->FieldByName(QStringLiteral("Stato"))->SetAsInteger(stato);
        for (const auto &[campo, valore] : valori)
            righe->FieldByName(QLatin1String(campo))->SetValue(valore);
        righe->Post();
    }

    // A new head of the table, in insert with its key drawn, with the customer's transport
    // setting and the causal's way of charging as lookups.
    TXClientTable *ApriTesta(const QString &tabella = QStringLiteral("BolleCliTeste"),
                             const QString &chiave = QStringLiteral("KBolleCliT"))
    {
        TDMIBase *base = TDMIBase::Crea();
        TXlkTable *causali = tabella == QLatin1String("FattureCliTeste") ? base->lkCausFattCli : base->lkCausBolleCli;
        testa = std::make_unique<TXClientTable>();
        testa->SetName(QStringLiteral("tTesta"));
        testa->SetTableName(tabella);
        testa->SetUsaDizionario(true);
        testa->SetXWhereVuoto(chiave + QStringLiteral(" = 0"));
        testa->AddLookupField(QStringLiteral("_UT_LMQ_FlGesTraCli"), ftSmallint, 0, base->lkClienti,
                              QStringLiteral("IdClienteTp;IdCliente"), QStringLiteral("IdContoTp;IdConto"),
                              QStringLiteral("UT_LMQ_FlGesTraCli"));
        testa->AddLookupField(QStringLiteral("_UT_LMQ_FlTipoGest"), ftSmallint, 0, causali, QStringLiteral("IdCausale"),
                              QStringLiteral("IdCausale"), QStringLiteral("UT_LMQ_FlTipoGest"));
        base->lkClienti->Close();
        base->lkClienti->Open();
        causali->Close();
        causali->Open();
        testa->Open();
        // choosing the customer fills the head as the document windows do
        testa->FieldByName(QStringLiteral("IdCliente"))->OnChange = [](TField *f) {
            if (Funzioni::DatiContoTesta(f->DataSet(), QStringLiteral("CL"), f->AsString()))
                Funzioni::CambioTesta(f->DataSet());
        };
        testa->Append();
        testa->FieldByName(QStringLiteral("IdClienteTp"))->SetAsString(QStringLiteral("CL"));
        testa->FieldByName(QStringLiteral("Anno"))->SetAsInteger(2025);
        testa->FieldByName(QStringLiteral("Numero"))->SetAsInteger(1);
        testa->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(QDate(2025, 3, 14));
        return testa.get();
    }

    void Testa(Valori valori)
    {
        for (const auto &[campo, valore] : valori)
            testa->FieldByName(QLatin1String(campo))->SetValue(valore);
    }

    // The totals record of the document.
    TXTable *ApriTotali(double lordo, double netto3)
    {
        TabellaLocale(QStringLiteral("t_FattCliTot"), QString());
        totali = std::make_unique<TXTable>();
        totali->SetDatabaseName(QStringLiteral("LocalDatabase"));
        totali->SetTableName(QStringLiteral("t_FattCliTot"));
        totali->SetUsaDizionario(true);
        totali->Open();
        totali->Append();
        totali->FieldByName(QStringLiteral("KDocum"))->SetAsInteger(1);
        totali->FieldByName(QStringLiteral("TotMerceLordo"))->SetAsFloat(lordo);
        totali->FieldByName(QStringLiteral("TotMerceNetto3"))->SetAsFloat(netto3);
        totali->Post();
        return totali.get();
    }

    // A value of the row located by its order number.
    QVariant DiRiga(int numOrdine, const char *campo)
    {
        if (!righe->Locate(QStringLiteral("NumOrdine"), numOrdine))
            return QVariant();
        return righe->FieldByName(QLatin1String(campo))->Value();
    }

    TestDb tdb;
    TXDatabase *db = nullptr;
    std::unique_ptr<TDMILUMO> dm;
    QPointer<TDMILUMO> previous;
    std::unique_ptr<TXTable> righe;
    std::unique_ptr<TXClientTable> testa;
    std::unique_ptr<TXTable> totali;
    TCFG savedCfg;
    TUT_PLMQ_Parametri savedParametri;
};
