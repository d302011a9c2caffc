// Invoice numbering on the VAT protocol counters, the document generator of the billing
// jobs, and the invoice-generation data module turning delivery notes into invoices.
#include "tests/host/business/TotaliFixture.h"

#include "host/core/KV8Config.h"
#include "host/core/Notices.h"

#include <QScopeGuard>

using namespace Funzioni;

namespace {

QDate Giornata(const QVariant &valore)
{
    return kv8data::CoerceLoaded(valore, ftDateTime).toDateTime().date();
}

int Contatore(TXDatabase &db)
{
    return db.ScalarValue(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA WHERE Anno = 2024 AND Serie = 1")).toInt();
}

// A head of C2 dated 20/03/2024 inserted, completed and checked by the generator as a billing
// job does it, then posted; false (the insert cancelled) when the generator refuses it.
bool TestaGenerata(TDataSet *testa, QString &testo)
{
    TDMIGeneraDocumenti *g = TDMIGeneraDocumenti::Instance();
    testa->Insert();
    testa->FieldByName(QStringLiteral("Anno"))->SetAsInteger(2024);
    testa->FieldByName(QStringLiteral("Serie"))->SetAsInteger(1);
    testa->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(QDateTime(QDate(2024, 3, 20), QTime(0, 0)));
    testa->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("FT"));
    testa->FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("C2"));
    testa->FieldByName(QStringLiteral("IdClienteTp"))->SetAsString(QString());
    if (!g->CompletaTestaDoc(testa, TDMIBase::Crea()->ProtIVA, 0, testo) || !g->ControllaTestaDoc(testa, true)) {
        testa->Cancel();
        return false;
    }
    testa->Post();
    return true;
}

// A row of the head: 3 A2 at 12.50 less 10%, completed, checked, posted and updated.
void RigoGenerato(TDataSet *testa, TDataSet *righe)
{
    TDMIGeneraDocumenti *g = TDMIGeneraDocumenti::Instance();
    righe->Insert();
    righe->FieldByName(QStringLiteral("KFattCliT"))
        ->SetAsLargeInt(testa->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt());
    righe->FieldByName(QStringLiteral("NumOrdine"))->SetAsInteger(1024);
    righe->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(1);
    righe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("A2"));
    righe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(3);
    righe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(12.5);
    righe->FieldByName(QStringLiteral("Sconto1"))->SetAsFloat(10);
    EXPECT_TRUE(g->CompletaRigoDoc(testa, righe, 0));
    EXPECT_TRUE(g->ControllaRigoDoc(testa, righe));
    righe->Post();
    EXPECT_TRUE(g->AggiornaRigoDoc(testa, righe));
}

TEST_F(Totali, AnInvoiceNumberIsTakenOnceAndADuplicateIsRefused)
{
    TXClientTable *prot = TDMIBase::Crea()->ProtIVA;
    int numero = 0;
    ASSERT_TRUE(GetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 3, 15)));
    EXPECT_EQ(numero, 11);
    ASSERT_TRUE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 3, 15), 1));
    Fattura(1, 11);
    EXPECT_EQ(Contatore(*db), 11);
    EXPECT_EQ(Giornata(db->ScalarValue(QStringLiteral("SELECT DataUltFatturaV FROM ProtIVA"))), QDate(2024, 3, 15));

    // the same number for another invoice of the register, even of another causal
    EXPECT_FALSE(SetNumeroFattura(prot, 2024, 1, 1, 11, Giorno(2024, 3, 16), 2));
    EXPECT_TRUE(ui.LastText().contains(QStringLiteral("11 dell'anno 2024 serie 1 è già stato assegnato")))
        << ui.LastText().toStdString();
    EXPECT_EQ(Contatore(*db), 11);
    // the invoice that holds it may record it again
    EXPECT_TRUE(SetNumeroFattura(prot, 2024, 1, 1, 11, Giorno(2024, 3, 15), 1));

    // no counter row for the year: a warning and no number
    EXPECT_FALSE(GetNumeroFattura(prot, 2025, 1, 1, numero, Giorno(2025, 1, 2)));
    EXPECT_EQ(ui.LastText(), QStringLiteral("Tabella protocolli Iva non trovata"));
}

TEST_F(Totali, ANumberTakenMeanwhileByAnotherUserFailsAndTheNextIsDrawn)
{
    TXClientTable *prot = TDMIBase::Crea()->ProtIVA;
    int numero = 0;
    ASSERT_TRUE(GetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 3, 15)));
    EXPECT_EQ(numero, 11);
    // another user takes 11: his invoice and the counter stored first
    {
        auto altro = tdb.Connect();
        TXTransaction suo(*altro);
        altro->ExecSQL(
            QStringLiteral("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, "
                           "DataDocumento, IdClienteTp, IdCliente, IdDivisa, Cambio, IdPagamento, DataPagamento) "
                           "VALUES (7, 'FT', 2024, 1, 11, ?, 'CL', 'C1', 'EUR', 1, 'RB3', ?)"),
            {Giorno(2024, 3, 15), Giorno(2024, 3, 15)});
        altro->ExecSQL(QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 11 WHERE Anno = 2024 AND Serie = 1"));
        suo.Commit();
    }
    {
        TXTransaction transazione(*db);
        EXPECT_FALSE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 3, 15), 1));
        EXPECT_TRUE(ui.LastText().contains(QStringLiteral("11 dell'anno 2024 serie 1 è già stato assegnato")))
            << ui.LastText().toStdString();
        // drawn again: the next one, the counter row held until the commit
        ASSERT_TRUE(GetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 3, 15)));
        EXPECT_EQ(numero, 12);
        if (db->IsPostgres()) {
            auto altro = tdb.Connect();
            TXTransaction suo(*altro);
            altro->ExecSQL(QStringLiteral("SET LOCAL lock_timeout = '200ms'"));
            EXPECT_THROW(altro->ExecSQL(
                             QStringLiteral("UPDATE ProtIVA SET NumUltFatturaV = 12 WHERE Anno = 2024 AND Serie = 1")),
                         std::exception)
                << "another user's numbering waits for this one's commit";
        }
        EXPECT_TRUE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 3, 15), 1));
        transazione.Commit();
    }
    EXPECT_EQ(Contatore(*db), 12);
}

TEST_F(Totali, AnInvoiceDatedBeforeTheLastAsksAndNoLeavesTheCounter)
{
    TXClientTable *prot = TDMIBase::Crea()->ProtIVA;
    int numero = 0;
    ASSERT_TRUE(GetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 10)));
    ui.No(QStringLiteral("Data fattura precedente a data ultima fattura emessa. Proseguo ? "));
    EXPECT_FALSE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 10), 1));
    EXPECT_EQ(Contatore(*db), 10);
    ui.Yes();
    EXPECT_TRUE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 10), 1));
    EXPECT_EQ(Contatore(*db), 11);
    EXPECT_EQ(Giornata(db->ScalarValue(QStringLiteral("SELECT DataUltFatturaV FROM ProtIVA"))), QDate(2024, 3, 1));
}

// A job's own sink in place of the message box: it gets the numbering's question and refusal.
class Avvisi : public TNoticeSink {
public:
    void Tell(const QString &text, TNoticeKind kind) override { detti.append({text, kind}); }
    bool Ask(const QString &text, TNoticeKind kind, bool) override
    {
        chiesti.append({text, kind});
        return risposta;
    }
    QList<QPair<QString, TNoticeKind>> detti;
    QList<QPair<QString, TNoticeKind>> chiesti;
    bool risposta = false;
};

TEST_F(Totali, TheNumberingTellsAndAsksTheSinkInPlaceNotTheMessageBox)
{
    TXClientTable *prot = TDMIBase::Crea()->ProtIVA;
    int numero = 0;
    ASSERT_TRUE(GetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 10)));
    Avvisi avvisi;
    {
        TNoticeScope scope(&avvisi);
        EXPECT_FALSE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 10), 1));
        ASSERT_EQ(avvisi.chiesti.size(), 1);
        EXPECT_EQ(avvisi.chiesti.first().first,
                  QStringLiteral("Data fattura precedente a data ultima fattura emessa. Proseguo ? "));
        EXPECT_EQ(avvisi.chiesti.first().second, TNoticeKind::Confirmation);
        EXPECT_EQ(Contatore(*db), 10);
        avvisi.risposta = true;
        EXPECT_TRUE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 10), 1));
        EXPECT_EQ(Contatore(*db), 11);
        Fattura(1, numero);
        EXPECT_FALSE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 3, 16), 2));
        ASSERT_EQ(avvisi.detti.size(), 1);
        EXPECT_TRUE(avvisi.detti.first().first.contains(QStringLiteral("è già stato assegnato")));
        EXPECT_EQ(avvisi.detti.first().second, TNoticeKind::Warning);
    }
    EXPECT_TRUE(ui.Messages().isEmpty());
    // with no sink at all a question is answered no: nothing moves and nothing is shown
    {
        TNoticeScope nessuno(nullptr);
        ASSERT_TRUE(GetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 11)));
        EXPECT_FALSE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 11), 3));
    }
    EXPECT_EQ(Contatore(*db), 11);
    EXPECT_TRUE(ui.Messages().isEmpty());
    // the sink of the window layer is back: the message box asks again
    ui.No(QStringLiteral("Data fattura precedente a data ultima fattura emessa. Proseguo ? "));
    EXPECT_FALSE(SetNumeroFattura(prot, 2024, 1, 1, numero, Giorno(2024, 2, 11), 3));
    EXPECT_EQ(Contatore(*db), 11);
}

// ---- the document generator, as a billing job calls it

TEST_F(Totali, TheGeneratorNumbersCompletesAndTotalsAnInvoice)
{
    TDMIGeneraDocumenti *g = TDMIGeneraDocumenti::Instance();
    auto testa = Tabella(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    auto righe = Tabella(QStringLiteral("FattureCliRighe"), QStringLiteral("KFattCliR"));
    TXTransaction transazione(*db);
    ASSERT_TRUE(g->PreparaGenerazione());
    QString testo;
    ASSERT_TRUE(TestaGenerata(testa.get(), testo));
    const qint64 chiave = testa->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt();
    EXPECT_GT(chiave, 0);
    EXPECT_EQ(testa->FieldByName(QStringLiteral("Numero"))->AsInteger(), 11);
    EXPECT_EQ(testa->FieldByName(QStringLiteral("IdClienteTp"))->AsString(), QStringLiteral("CL"));
    EXPECT_EQ(testa->FieldByName(QStringLiteral("IdPagamento"))->AsString(), QStringLiteral("RD")); // the customer's
    EXPECT_DOUBLE_EQ(testa->FieldByName(QStringLiteral("Cambio"))->AsFloat(), 1.0);
    EXPECT_EQ(testo, QStringLiteral("Fattura FT-11 del 20/03/2024"));

    RigoGenerato(testa.get(), righe.get());
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("ImportoNetto"))->AsFloat(), 33.75);
    EXPECT_EQ(righe->FieldByName(QStringLiteral("IdIva"))->AsString(), QStringLiteral("10"));
    EXPECT_EQ(righe->FieldByName(QStringLiteral("Descrizione"))->AsString(), QStringLiteral("Olio"));

    testa->Edit();
    ASSERT_TRUE(g->AggiornaTestaDoc(testa.get()));
    testa->Post();
    transazione.Commit();
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste WHERE KFattCliT = ?"), {chiave}),
                     37.13);
    EXPECT_DOUBLE_EQ(Totale(chiave, "TOT", 1, 1), 37.13);
    EXPECT_EQ(Contatore(*db), 11);
}

TEST_F(Totali, WithinARunTheGeneratorChecksItsNumbersAndLaterTotalsTheStoredRows)
{
    TDMIGeneraDocumenti *g = TDMIGeneraDocumenti::Instance();
    auto testa = Tabella(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    auto righe = Tabella(QStringLiteral("FattureCliRighe"), QStringLiteral("KFattCliR"));
    Fattura(50, 12); // another invoice of the register holds 12
    // an invoice of one row as a billing job writes it; 0 when its head is refused
    const auto genera = [&]() -> qint64 {
        QString testo;
        if (!TestaGenerata(testa.get(), testo))
            return 0;
        RigoGenerato(testa.get(), righe.get());
        testa->Edit();
        EXPECT_TRUE(g->AggiornaTestaDoc(testa.get()));
        testa->Post();
        return testa->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt();
    };
    qint64 chiave = 0;
    {
        TXTransaction transazione(*db);
        ASSERT_TRUE(g->PreparaGenerazione());
        chiave = genera();
        ASSERT_GT(chiave, 0);
        EXPECT_EQ(testa->FieldByName(QStringLiteral("Numero"))->AsInteger(), 11);
        // the next number drawn is the one the other invoice holds
        EXPECT_EQ(genera(), 0);
        EXPECT_TRUE(ui.LastText().contains(QStringLiteral("12 dell'anno 2024 serie 1 è già stato assegnato")))
            << ui.LastText().toStdString();
        transazione.Commit();
    }
    g->FineGenerazione();
    EXPECT_EQ(Contatore(*db), 11);
    EXPECT_DOUBLE_EQ(Totale(chiave, "TOT", 1, 1), 37.13);

    // in a later transaction the invoice is totalled from its rows as stored now
    db->ExecSQL(QStringLiteral("UPDATE FattureCliRighe SET ImportoNetto = 20 WHERE KFattCliT = ?"), {chiave});
    {
        TXTransaction transazione(*db);
        ASSERT_TRUE(testa->Locate(QStringLiteral("KFattCliT"), chiave));
        testa->Edit();
        ASSERT_TRUE(g->AggiornaTestaDoc(testa.get()));
        testa->Post();
        transazione.Commit();
    }
    EXPECT_DOUBLE_EQ(Totale(chiave, "TOT", 1, 1), 22.0);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste WHERE KFattCliT = ?"), {chiave}),
                     22.0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot WHERE KFattCliT = ? AND TipoRecord = 'TOT'"),
                    {chiave}),
              1);
}

TEST_F(Totali, TheGeneratorRefusesAnUnknownCustomerWithAMessage)
{
    auto testa = Tabella(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    testa->Insert();
    testa->FieldByName(QStringLiteral("Anno"))->SetAsInteger(2024);
    testa->FieldByName(QStringLiteral("Serie"))->SetAsInteger(1);
    testa->FieldByName(QStringLiteral("DataDocumento"))->SetAsDateTime(Giorno(2024, 3, 20));
    testa->FieldByName(QStringLiteral("IdCausale"))->SetAsString(QStringLiteral("FT"));
    testa->FieldByName(QStringLiteral("IdCliente"))->SetAsString(QStringLiteral("NESSUNO"));
    QString testo;
    EXPECT_FALSE(TDMIGeneraDocumenti::Instance()->CompletaTestaDoc(testa.get(), nullptr, 0, testo));
    EXPECT_EQ(ui.LastText(),
              QStringLiteral("Il cliente <NESSUNO> non esiste: sceglierne uno dall'anagrafica clienti."));
    testa->Cancel();
    EXPECT_EQ(Contatore(*db), 10);
}

// ---- the invoice-generation data module

class Generazione : public Totali {
protected:
    void SetUp() override
    {
        Totali::SetUp();
        if (!db)
            return;
        // two delivery notes of C1 (grouped on invoices), one of C2, one already invoiced
        Bolla(101, 1, Giorno(2024, 3, 10), QStringLiteral("C1"), 10);
        RigoBolla(101, 1, 1, QStringLiteral("A1"), 10, 5, QStringLiteral("22"));
        RigoBolla(101, 2, 1, QStringLiteral("A2"), 2, 20, QStringLiteral("10"));
        Bolla(102, 2, Giorno(2024, 3, 12), QStringLiteral("C1"), 5);
        RigoBolla(102, 1, 1, QStringLiteral("A1"), 4, 5, QStringLiteral("22"));
        RigoBolla(102, 2, 6, QString(), 0, 0, QString());
        Bolla(103, 3, Giorno(2024, 3, 13), QStringLiteral("C2"), 0);
        RigoBolla(103, 1, 1, QStringLiteral("A2"), 1, 8, QStringLiteral("10"));
        Bolla(104, 4, Giorno(2024, 2, 1), QStringLiteral("C1"), 0);
        RigoBolla(104, 1, 1, QStringLiteral("A1"), 1, 5, QStringLiteral("22"));
        Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1 WHERE KBolleCliT = 104");
        // the batch detail of the first row of A1
        Esegui("INSERT INTO DettQtaDoc (KDettQta, FlTipoDocumento, KTestaDoc, KRigoDoc, IdLotto, Quantita, Prezzo) "
               "VALUES (9001, 0, 101, 1011, 'L24', 10, 5)");
        dm.reset(TfSVen0007d_DM::Crea());
        dm->Parametri.DataFattura = Giorno(2024, 3, 31);
        dm->Parametri.IdCausale = QStringLiteral("FT");
    }

    void TearDown() override
    {
        dm.reset();
        Totali::TearDown();
    }

    void Bolla(qint64 chiave, int numero, const QDateTime &data, const QString &cliente, double trasporto)
    {
        db->ExecSQL(
            QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                           "IdClienteTp, IdCliente, IdDivisa, Cambio, IdPagamento, SpeseTrasporto) "
                           "VALUES (?, 'DT', 2024, 1, ?, ?, 'CL', ?, 'EUR', 1, 'RD', ?)"),
            {chiave, numero, data, cliente, trasporto});
    }

    void RigoBolla(qint64 chiave, int numero, int tipoRigo, const QString &articolo, double quantita, double prezzo,
                   const QString &iva)
    {
        const double importo = KRound(quantita * prezzo, 2);
        db->ExecSQL(
            QStringLiteral("INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, "
                           "Descrizione, Quantita, Prezzo, ImportoLordo, ImportoNetto, ImportoNN, IdIva, IdConto) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'R01')"),
            {chiave * 10 + numero, chiave, numero, tipoRigo, NonNullo(articolo),
             articolo.isEmpty() ? QStringLiteral("Consegna al piano") : articolo, quantita, prezzo, importo, importo,
             importo, NonNullo(iva)});
    }

    void Genera()
    {
        TXTransaction transazione(*db);
        ASSERT_TRUE(transazione.Started());
        dm->Genera();
        transazione.Commit();
    }

    std::unique_ptr<TfSVen0007d_DM> dm;
};

TEST_F(Generazione, TwoDeliveryNotesMakeOneNumberedAndTotalledInvoice)
{
    Genera();
    EXPECT_TRUE(dm->Messaggi.isEmpty()) << dm->Messaggi.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(dm->FattureGenerate.size(), 2);
    const qint64 fattura = dm->FattureGenerate[0].Chiave.toLongLong();
    EXPECT_EQ(dm->FattureGenerate[0].KBolleCliT, 0); // made of two delivery notes
    EXPECT_EQ(dm->FattureBolle.value(fattura), (QList<qint64>{101, 102}));
    EXPECT_EQ(dm->FattureGenerate[1].KBolleCliT, 103);

    QSqlQuery t = db->OpenQuery(QStringLiteral("SELECT Numero, IdCliente, SpeseTrasporto, TotDocumento, IdOperatore "
                                               "FROM FattureCliTeste WHERE KFattCliT = ?"),
                                {fattura});
    ASSERT_TRUE(t.next());
    EXPECT_EQ(t.value(0).toInt(), 11);
    EXPECT_EQ(t.value(1).toString().trimmed(), QStringLiteral("C1"));
    EXPECT_DOUBLE_EQ(t.value(2).toDouble(), 15.00);
    // (70.00 + 15.00) at 22% + 40.00 at 10%
    EXPECT_DOUBLE_EQ(t.value(3).toDouble(), 147.70);
    EXPECT_EQ(t.value(4).toString().trimmed(), QStringLiteral("ANNA"));
    EXPECT_DOUBLE_EQ(Totale(fattura, "TOT", 1, 1), 147.70);
    EXPECT_EQ(Contatore(*db), 12);

    // the two rows of A1 joined, the text row kept
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliRighe WHERE KFattCliT = ?"), {fattura}), 3);
    QSqlQuery r = db->OpenQuery(QStringLiteral("SELECT Quantita, ImportoNetto, NumOrdine FROM FattureCliRighe WHERE "
                                               "KFattCliT = ? AND IdProdotto = 'A1'"),
                                {fattura});
    ASSERT_TRUE(r.next());
    EXPECT_DOUBLE_EQ(r.value(0).toDouble(), 14);
    EXPECT_DOUBLE_EQ(r.value(1).toDouble(), 70.00);
    EXPECT_EQ(r.value(2).toInt(), 1024);
    // every delivery-note row marked invoiced and linked; the one invoiced before left alone
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE FlGenFattura = 1 AND KFatturaR > 0")), 5);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe R JOIN FattureCliRighe F ON F.KFattCliR = "
                                   "R.KFatturaR WHERE R.KBolleCliT = 102 AND F.KFattCliT = ?"),
                    {fattura}),
              2);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste")), 2);
    // the row's batch detail carried to the invoice row
    EXPECT_EQ(
        Conta(QStringLiteral("SELECT COUNT(*) FROM DettQtaDoc D JOIN FattureCliRighe F ON F.KFattCliR = D.KRigoDoc "
                             "WHERE D.FlTipoDocumento = 1 AND D.KTestaDoc = ? AND D.IdLotto = 'L24' AND "
                             "F.IdProdotto = 'A1'"),
              {fattura}),
        1);
}

TEST_F(Generazione, ARunAgainFindsNothingLeftToInvoice)
{
    Genera();
    dm->Parametri.DataFattura = Giorno(2024, 4, 2);
    Genera();
    EXPECT_TRUE(dm->FattureGenerate.isEmpty());
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste")), 2);
    EXPECT_EQ(Contatore(*db), 12);
}

TEST_F(Generazione, TheNotesOfThePeriodsFirstAndLastDayAreTaken)
{
    // one of the last day stored with its hour, as another program may store it
    Bolla(105, 5, Giorno(2024, 3, 13, 18, 30), QStringLiteral("C2"), 0);
    RigoBolla(105, 1, 1, QStringLiteral("A2"), 1, 8, QStringLiteral("10"));
    dm->Parametri.DataDa = Giorno(2024, 3, 12);
    dm->Parametri.DataA = Giorno(2024, 3, 13);
    Genera();
    QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT DISTINCT KBolleCliT FROM BolleCliRighe WHERE KFatturaR > 0 "
                                               "ORDER BY KBolleCliT"));
    QList<qint64> fatturate;
    while (q.next())
        fatturate << q.value(0).toLongLong();
    EXPECT_EQ(fatturate, (QList<qint64>{102, 103, 105})) << "the note of 10 March is before the period";
}

TEST_F(Generazione, ANoteWithOnlyRowsTheRunLeavesOutGetsNoInvoice)
{
    // packaging-contribution rows are not invoiced from the notes
    KV8Config::Set(QStringLiteral("FSCON01"), QStringLiteral("TipoRigoCONAI1"), 7);
    const auto ripristina =
        qScopeGuard([] { KV8Config::Set(QStringLiteral("FSCON01"), QStringLiteral("TipoRigoCONAI1"), -1); });
    Bolla(106, 6, Giorno(2024, 3, 14), QStringLiteral("C2"), 0);
    RigoBolla(106, 1, 7, QStringLiteral("A1"), 1, 0.5, QStringLiteral("22"));
    dm->Parametri.Raggruppamento = 1;
    Genera();
    EXPECT_EQ(dm->FattureGenerate.size(), 3);
    for (const QList<qint64> &bolle : std::as_const(dm->FattureBolle))
        EXPECT_FALSE(bolle.contains(106)) << "no invoice opened for it";
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste T WHERE NOT EXISTS (SELECT 1 FROM "
                                   "FattureCliRighe R WHERE R.KFattCliT = T.KFattCliT)")),
              0);
    EXPECT_EQ(Contatore(*db), 13);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE KBolleCliT = 106 AND FlGenFattura = 0")),
              1);
}

TEST_F(Generazione, OneInvoicePerDeliveryNoteInModeOneWithReferences)
{
    dm->Parametri.Raggruppamento = 1;
    dm->Parametri.ClienteDa = QStringLiteral("C1");
    dm->Parametri.ClienteA = QStringLiteral("C1");
    Genera();
    ASSERT_EQ(dm->FattureGenerate.size(), 2);
    EXPECT_EQ(dm->FattureGenerate[0].KBolleCliT, 101);
    EXPECT_EQ(dm->FattureGenerate[1].KBolleCliT, 102);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE KBolleCliT = 103 AND FlGenFattura = 0")),
              1);
}

TEST_F(Generazione, AProvisionalRunChangesNothingOfTheCompany)
{
    dm->Parametri.FlProvvisoria = 1;
    Genera();
    EXPECT_EQ(dm->FattureGenerate.size(), 2);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste")), 0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTot")), 0);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE FlGenFattura = 1")), 1);
    EXPECT_EQ(Contatore(*db), 10);
    TXDatabase &locale = DMIDataBases::Instance().Local();
    EXPECT_EQ(locale.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM t_FattureCliT")).toInt(), 2);
    EXPECT_DOUBLE_EQ(locale
                         .ScalarValue(QStringLiteral("SELECT Importo1 FROM t_FattureCliTot WHERE TipoRecord = 'TOT' "
                                                     "AND KFattCliT = ?"),
                                      {dm->FattureGenerate[0].Chiave.toLongLong()})
                         .toDouble(),
                     147.70);
}

TEST_F(Generazione, AnUnknownCausalIsRefusedBeforeAnythingIsWritten)
{
    dm->Parametri.IdCausale = QStringLiteral("ZZ");
    TXTransaction transazione(*db);
    try {
        dm->Genera();
        FAIL() << "no error";
    } catch (const Exception &e) {
        EXPECT_EQ(
            e.Message,
            QStringLiteral("La causale fatture <ZZ> non esiste: sceglierne una tra le causali delle fatture clienti."));
    }
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste")), 0);
}

TEST_F(Generazione, AMissingCounterIsRecordedAndNoInvoiceIsWritten)
{
    Esegui("DELETE FROM ProtIVA");
    Genera();
    EXPECT_TRUE(dm->FattureGenerate.isEmpty());
    EXPECT_TRUE(dm->Messaggi.contains(QStringLiteral("{B}DDT DT-1 del 10/03/2024: Protocolli fattura non presenti!")))
        << dm->Messaggi.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste")), 0);
}

TEST_F(Generazione, ANumberAnotherInvoiceHoldsStopsTheRunAtThatInvoice)
{
    // an invoice stored with the run's second number, its counter left behind
    Fattura(900, 12);
    Genera();
    EXPECT_TRUE(ui.LastText().contains(QStringLiteral("12 dell'anno 2024 serie 1 è già stato assegnato")))
        << ui.LastText().toStdString();
    EXPECT_TRUE(dm->Messaggi.contains(QStringLiteral("{B}DDT DT-3 del 13/03/2024: Protocolli fattura non presenti!")))
        << dm->Messaggi.join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(dm->FattureGenerate.size(), 1);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste WHERE Numero = 11")), 1);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste WHERE Numero = 12")), 1);
    EXPECT_EQ(Contatore(*db), 11);
}

TEST_F(Generazione, TheCounterAdvancesOncePerInvoiceOfARun)
{
    // one invoice per delivery note: 11, 12, 13, the counter at the last
    dm->Parametri.Raggruppamento = 1;
    Genera();
    ASSERT_EQ(dm->FattureGenerate.size(), 3);
    EXPECT_EQ(
        Conta(QStringLiteral("SELECT COUNT(DISTINCT Numero) FROM FattureCliTeste WHERE Numero BETWEEN 11 AND 13")), 3);
    EXPECT_EQ(Contatore(*db), 13);
    // the next number drawn after the run follows its last
    int numero = 0;
    ASSERT_TRUE(GetNumeroFattura(TDMIBase::Crea()->ProtIVA, 2024, 1, 1, numero, Giorno(2024, 3, 31)));
    EXPECT_EQ(numero, 14);
}

TEST_F(Generazione, ANotesRowsGoInTheirOrderAndANoteWithoutExpensesLeavesTheHeadsAsTheyAre)
{
    // a third note of C1 with no expenses, its rows stored with keys against their order
    Bolla(105, 5, Giorno(2024, 3, 14), QStringLiteral("C1"), 0);
    const char *rigo =
        "INSERT INTO BolleCliRighe (KBolleCliR, KBolleCliT, NumOrdine, TipoRigo, IdProdotto, Descrizione, "
        "Quantita, Prezzo, ImportoLordo, ImportoNetto, ImportoNN, IdIva, IdConto) "
        "VALUES (?, 105, ?, 1, ?, ?, 1, ?, ?, ?, ?, ?, 'R01')";
    for (const auto &[chiave, ordine, articolo, prezzo, iva] :
         {std::tuple{1051, 3, "A1", 7.0, "22"}, std::tuple{1059, 1, "A1", 6.0, "22"},
          std::tuple{1055, 2, "A2", 30.0, "10"}})
        Esegui(rigo, {chiave, ordine, QLatin1String(articolo), QLatin1String(articolo), prezzo, prezzo, prezzo, prezzo,
                      QLatin1String(iva)});
    Genera();
    EXPECT_TRUE(dm->Messaggi.isEmpty()) << dm->Messaggi.join(QLatin1Char('\n')).toStdString();
    const qint64 fattura = dm->FattureGenerate[0].Chiave.toLongLong();
    EXPECT_EQ(dm->FattureBolle.value(fattura), (QList<qint64>{101, 102, 105}));
    QSqlQuery r = db->OpenQuery(QStringLiteral("SELECT IdProdotto, Prezzo FROM FattureCliRighe WHERE KFattCliT = ? "
                                               "AND NumOrdine > 3072 ORDER BY NumOrdine"),
                                {fattura});
    QStringList righe;
    while (r.next())
        righe << r.value(0).toString().trimmed() + QLatin1Char('@') + QString::number(r.value(1).toDouble());
    EXPECT_EQ(righe, (QStringList{QStringLiteral("A1@6"), QStringLiteral("A2@30"), QStringLiteral("A1@7")}));
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM BolleCliRighe WHERE KBolleCliT = 105 AND FlGenFattura = 1 AND "
                                   "KFatturaR > 0")),
              3);
    // 10.00 + 5.00 + nothing; (70.00 + 6.00 + 7.00 + 15.00) at 22% + (40.00 + 30.00) at 10%
    EXPECT_DOUBLE_EQ(
        Valore(QStringLiteral("SELECT SpeseTrasporto FROM FattureCliTeste WHERE KFattCliT = ?"), {fattura}), 15.00);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT TotDocumento FROM FattureCliTeste WHERE KFattCliT = ?"), {fattura}),
                     196.56);
}

// The module's way in: a class registered under the host's name runs the generation.
class GenerazioneSostitutiva : public TfSVen0007d_DM {
    Q_OBJECT
public:
    using TfSVen0007d_DM::TfSVen0007d_DM;
    int Nuove = 0;
    int Aggiunte = 0;
    bool GeneraNuovaFattura(bool Raggruppa, int Progressivo) override
    {
        ++Nuove;
        if (!TfSVen0007d_DM::GeneraNuovaFattura(Raggruppa, Progressivo))
            return false;
        tFattureT->Edit();
        tFattureT->FieldByName(QStringLiteral("Referente"))->SetAsString(QStringLiteral("dal sostituto"));
        tFattureT->Post();
        return true;
    }
    bool AggiornaTestaFattura() override
    {
        ++Aggiunte;
        return TfSVen0007d_DM::AggiornaTestaFattura();
    }
    double InternalCalcoloValori(TKRigoDoc &Rigo, int Modo) override
    {
        return Modo == 2 ? KRound(TfSVen0007d_DM::InternalCalcoloValori(Rigo, Modo) * 2, 2)
                         : TfSVen0007d_DM::InternalCalcoloValori(Rigo, Modo);
    }
};

TEST_F(Generazione, TheRegisteredReplacementIsCreatedAndRuns)
{
    Kv8datamodule::XRegisterDataModuleClass(QStringLiteral("TfSVen0007d_DM"), ClassRef::Of<GenerazioneSostitutiva>(),
                                            false, true);
    dm.reset(TfSVen0007d_DM::Crea());
    Kv8datamodule::Registry().Unregister(QStringLiteral("TfSVen0007d_DM"));
    auto *sostituto = qobject_cast<GenerazioneSostitutiva *>(dm.get());
    ASSERT_NE(sostituto, nullptr);
    dm->Parametri.DataFattura = Giorno(2024, 3, 31);
    dm->Parametri.IdCausale = QStringLiteral("FT");
    Genera();
    EXPECT_EQ(sostituto->Nuove, 2);
    EXPECT_EQ(sostituto->Aggiunte, 1);
    EXPECT_EQ(Conta(QStringLiteral("SELECT COUNT(*) FROM FattureCliTeste WHERE Referente = 'dal sostituto'")), 2);
    // its row amounts are those the totals take
    const qint64 fattura = dm->FattureGenerate[0].Chiave.toLongLong();
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT ImportoNetto FROM FattureCliRighe WHERE KFattCliT = ? AND "
                                           "IdProdotto = 'A1'"),
                            {fattura}),
                     140.00);
}

} // namespace

#include "test_GenerazioneFatture.moc"
