#pragma once
// A company for the tests of document totals, invoice numbering and invoice generation:
// VAT codes at 22%, 10% and 0% (Art. 15), row types, a payment in three instalments, a
// customer, an invoice causal on series 1 with its VAT protocol counter, and the fixed VAT
// codes of the expenses.
#include "host/business/Dmicalcolototalidocs.h"
#include "host/business/Dmigeneradocumenti.h"
#include "host/business/Funzionidoc.h"
#include "host/business/Sven0007d_dm.h"
#include "host/core/Funzioni.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ClassRegistry.h"
#include "tests/host/business/DatiBaseFixture.h"

#include <memory>

class Totali : public DatiBase {
protected:
    void SetUp() override
    {
        DatiBase::SetUp();
        if (!db)
            return;
        CFG.NumScontiTesta = 3;
        CFG.SegnoSconti = -1;
        gUtente.IdUtente = QStringLiteral("ANNA");
        Esegui("INSERT INTO Divise (IdDivisa, DsDivisa, DecPrezzo, DecValore) VALUES ('EUR', 'Euro', 4, 2)");
        Esegui("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', 'IVA 22%', 22), ('10', 'IVA 10%', 10), "
               "('E15', 'Esente art. 15', 0)");
        Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlBolle, FlFatture) VALUES "
               "(1, 'Merce', 0, 1, 1), (6, 'Descrizione', 2, 1, 1), (10, 'Omaggio', 4, 1, 1)");
        Esegui("INSERT INTO TipiMovPagamento (IdTipoMovimento, DsTipoMovimento, FlScadenza, FlSpeseIncasso) VALUES "
               "('RB', 'Ricevuta bancaria', 1, 1), ('RD', 'Rimessa diretta', 1, 0)");
        // three instalments whose percentages add up to 99.99
        Esegui(
            "INSERT INTO Pagamenti (IdPagamento, DsPagamento, IdTipoMovimento, NumeroRate, FlFineMese, SpeseIncasso) "
            "VALUES ('RB3', 'RiBa 30/60/90 fm', 'RB', 3, 1, 2), ('RD', 'Rimessa diretta', 'RD', 1, 0, 0)");
        Esegui("INSERT INTO PagamentiD (IdPagamento, NumRata, Decorrenza, IdTipoMovimento, Percentuale) VALUES "
               "('RB3', 1, 30, 'RB', 33.33), ('RB3', 2, 60, 'RB', 33.33), ('RB3', 3, 90, 'RB', 33.33), "
               "('RD', 1, 0, 'RD', 100)");
        Esegui("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale, IdPagamento, FlRaggFattura) VALUES "
               "('CL', 'C1', 'Enoteca Rossi', 'RB3', 1), ('CL', 'C2', 'Bar Bianchi', 'RD', 0)");
        Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva) VALUES ('A1', 'Barolo', 'BT', '22'), "
               "('A2', 'Olio', 'LT', '10')");
        Esegui(
            "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro) VALUES "
            "('FT', 'Fattura', 1, 1, 1), ('FT2', 'Fattura sezionale', 1, 1, 1)");
        Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie) VALUES ('DT', 'DDT vendita', 1)");
        Esegui("INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV, DataUltFatturaV) VALUES (2024, 1, 10, ?)",
               {Giorno(2024, 3, 1)});
        Esegui("INSERT INTO ValoriBolli (DataInizio, Importo, Soglia) VALUES (?, 1.81, 77.47), (?, 2, 77.47)",
               {Giorno(2000, 1, 1), Giorno(2013, 6, 26)});
        for (const char *nome : {"IdIvaSpeseTrasporto", "IdIvaSpeseImballo", "IdIvaSpeseIncasso", "IdIvaSpeseVarie"})
            KV8Config::Set(QStringLiteral("CONTIFISSI"), QLatin1String(nome), QStringLiteral("22"));
        KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdIvaArt15"), QStringLiteral("E15"));
        KV8Config::Set(QStringLiteral("CONTIFISSI"), QStringLiteral("IdContoSpeseTrasporto"), QStringLiteral("T01"));
    }

    void TearDown() override
    {
        delete DMIGeneraDocumenti.data();
        gUtente = TUtente();
        DatiBase::TearDown();
    }

    void Esegui(const char *sql, const QVariantList &valori = {}) { db->ExecSQL(QLatin1String(sql), valori); }
    // An empty code as stored: '' rather than NULL.
    static QString NonNullo(const QString &s) { return s.isNull() ? QStringLiteral("") : s; }
    double Valore(const QString &sql, const QVariantList &valori = {})
    {
        return db->ScalarValue(sql, valori).toDouble();
    }
    int Conta(const QString &sql, const QVariantList &valori = {}) { return db->ScalarValue(sql, valori).toInt(); }

    // A stored invoice head of customer C1 (key, number), dated 15/03/2024.
    void Fattura(qint64 chiave, int numero, const QString &pagamento = QStringLiteral("RB3"))
    {
        db->ExecSQL(
            QStringLiteral("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, "
                           "IdClienteTp, IdCliente, IdDivisa, Cambio, IdPagamento, DataPagamento) "
                           "VALUES (?, 'FT', 2024, 1, ?, ?, 'CL', 'C1', 'EUR', 1, ?, ?)"),
            {chiave, numero, Giorno(2024, 3, 15), pagamento, Giorno(2024, 3, 15)});
    }

    // A stored invoice row: its amount net of the row discounts is quantity × price.
    void RigoFattura(qint64 chiave, int numero, int tipoRigo, const QString &articolo, double quantita, double prezzo,
                     const QString &iva, const QString &conto = QStringLiteral("R01"))
    {
        const double importo = Funzioni::KRound(quantita * prezzo, 2);
        db->ExecSQL(
            QStringLiteral("INSERT INTO FattureCliRighe (KFattCliR, KFattCliT, NumOrdine, TipoRigo, IdProdotto, "
                           "Quantita, Prezzo, ImportoLordo, ImportoNetto, ImportoNN, IdIva, IdConto) "
                           "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {chiave * 1000 + numero, chiave, numero * 1024, tipoRigo, NonNullo(articolo), quantita, prezzo, importo,
             importo, importo, NonNullo(iva), conto});
    }

    // Client table on a company table, opened on its empty selection.
    std::unique_ptr<TXClientTable> Tabella(const QString &tabella, const QString &chiave)
    {
        auto t = std::make_unique<TXClientTable>();
        t->SetTableName(tabella);
        t->SetXWhereVuoto(chiave + QStringLiteral(" = -1"));
        t->Open();
        return t;
    }

    std::unique_ptr<TXQuery> RigheFattura(qint64 chiave)
    {
        auto q = std::make_unique<TXQuery>();
        q->SQL << QStringLiteral("SELECT * FROM FattureCliRighe WHERE KFattCliT = :KFattCliT ORDER BY NumOrdine");
        q->ParamByName(QStringLiteral("KFattCliT"))->SetAsInteger(chiave);
        return q;
    }

    // The stored invoice totalled by the engine into FattureCliTot (its earlier totals rows
    // replaced), its head posted.
    void CalcolaFattura(qint64 chiave)
    {
        auto testa = Tabella(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
        ASSERT_TRUE(testa->Locate(QStringLiteral("KFattCliT"), chiave));
        auto righe = RigheFattura(chiave);
        auto tot = Tabella(QStringLiteral("FattureCliTot"), QStringLiteral("KFattCliT"));
        TXParam_TotaliDocs p;
        p.CodTipoDoc = 1;
        p.Testa = testa.get();
        p.Righe = righe.get();
        p.TabTotali = tot.get();
        testa->Edit();
        ASSERT_TRUE(Calcolototalidocs::TOTDOCS_Calcola(p, false));
        testa->Post();
    }

    // A totals row of an invoice: Importo1..4 by TipoRecord and Progressivo.
    double Totale(qint64 chiave, const char *tipo, int progressivo, int importo)
    {
        return Valore(QStringLiteral("SELECT Importo%1 FROM FattureCliTot WHERE KFattCliT = ? AND TipoRecord = ? AND "
                                     "Progressivo = ?")
                          .arg(importo),
                      {chiave, QLatin1String(tipo), progressivo});
    }

    kv8test::UiScript ui;
};
