#pragma once
// The deposit billing windows: a company with invoice causals for deposits (with and without
// deposit movements), VAT counters, a payment, articles for two packaging codes (none for
// FUS), a deposit price list and account-total cards with invoiced balances.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0156d.h"
#include "host/business/Dmigeneradocumenti.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TXMemTable.h"

inline const QString ConfermaGenerazione = QStringLiteral("Conferma Generazione Documenti ");

class FatturazioneCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped())
            return;
        gUtente.IdUtente = QStringLiteral("ANNA");
        Esegui(QStringLiteral("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', 'IVA 22%', 22)"));
        Esegui(QStringLiteral("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlBolle, FlFatture) VALUES "
                              "(1, 'Merce', 0, 1, 1)"));
        Esegui(QStringLiteral("INSERT INTO TipiMovPagamento (IdTipoMovimento, DsTipoMovimento, FlScadenza, "
                              "FlSpeseIncasso) VALUES ('RD', 'Rimessa diretta', 1, 0)"));
        Esegui(QStringLiteral("INSERT INTO Pagamenti (IdPagamento, DsPagamento, IdTipoMovimento, NumeroRate, FlFineMese, "
                              "SpeseIncasso) VALUES ('RD', 'Rimessa diretta', 'RD', 1, 0, 0)"));
        Esegui(QStringLiteral("INSERT INTO PagamentiD (IdPagamento, NumRata, Decorrenza, IdTipoMovimento, Percentuale) "
                              "VALUES ('RD', 1, 0, 'RD', 100)"));
        Esegui(QStringLiteral("UPDATE Clienti SET IdPagamento = 'RD', UT_LMQ_ContoCau = 'R05'"));
        // no article for FUS
        Esegui(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva) VALUES "
                              "('CAS', 'Cassa legno', 'PZ', '22'), ('BOT', 'Bottiglia vetro', 'PZ', '22')"));
        Esegui(QStringLiteral("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, "
                              "FlTipoRegistro, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, UT_LMQ_FlAggCauB, "
                              "UT_LMQ_FlAggMovC) VALUES ('FTC', 'Fattura cauzioni', 1, 1, 1, 1, 1, 1, 0, 1), "
                              "('FTN', 'Fattura senza movimenti', 1, 1, 1, 1, 1, 1, 0, 0), "
                              "('FT', 'Fattura', 1, 1, 1, 0, 0, 0, 0, 0)"));
        Esegui(QStringLiteral("INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV, DataUltFatturaV) VALUES (2024, 1, 10, ?)"),
               {QDateTime(QDate(2024, 3, 1), QTime(0, 0))});
        for (const char *nome : {"IdIvaSpeseTrasporto", "IdIvaSpeseImballo", "IdIvaSpeseIncasso", "IdIvaSpeseVarie"})
            KV8Config::Set(QStringLiteral("CONTIFISSI"), QLatin1String(nome), QStringLiteral("22"));
        Listino(QStringLiteral("L01"), QStringLiteral("EUR"), {{QStringLiteral("CAS"), 2.5}});
        // account totals: C001 owes 6 CAS, 3 BOT (not in the list), 2 FUS (no article);
        // C002 has returned all its CAS and owes 2 BOT
        Scheda("C001", 1, "CAS", 10, 4);
        Scheda("C001", 1, "BOT", 3, 0);
        Scheda("C001", 1, "FUS", 2, 0);
        Scheda("C002", 1, "CAS", 5, 5);
        Scheda("C002", 1, "BOT", 2, 0);
        // the per-destination card of destination 0 that the summary reads
        Scheda("C001", 0, "CAS", 10, 4);
    }

    void TearDown() override
    {
        delete DMIGeneraDocumenti.data();
        gUtente = TUtente();
        Depositi::TearDown();
    }

    // A card with invoiced loads and returns (general ones equal, values at 1.00 each).
    void Scheda(const char *conto, int tipoScheda, const char *imballo, double caricoF, double resoF)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, "
                              "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, "
                              "ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, "
                              "QtaResEcc, EsiAttEcc) VALUES ('CL', ?, 0, ?, ?, 'EUR', ?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 0, 0, "
                              "0, 0, 0)"),
               {QLatin1String(conto), tipoScheda, QLatin1String(imballo), caricoF, resoF, caricoF, resoF, caricoF,
                resoF, caricoF, resoF});
    }

    double Saldo(const char *conto, int tipoScheda, const char *imballo)
    {
        return Depositi::Scheda(QStringLiteral("CL"), QLatin1String(conto), 0, tipoScheda, QLatin1String(imballo),
                                QStringLiteral("ProgQtaCarF - ProgQtaResF"));
    }

    // Job 0 (the cards rebuilt) run from its window.
    void Ricalcola()
    {
        auto *d = Apri<TFqarn0156d>(QStringLiteral("QARN0156D"));
        ASSERT_NE(d, nullptr);
        d->tPars->FieldByName(QStringLiteral("FlTipoRicalcolo"))->SetValue(0);
        script.Yes(QStringLiteral("Confermi elaborazione"));
        d->btEsegui->click();
        kv8test::ProcessEvents();
    }

    QStringList Colonna(const QString &sql)
    {
        QStringList out;
        QSqlQuery q = company.Database().OpenQuery(sql);
        while (q.next()) {
            QStringList r;
            for (int i = 0; i < q.record().count(); ++i)
                r << q.value(i).toString();
            out << r.join(QLatin1Char(':'));
        }
        return out;
    }
};
