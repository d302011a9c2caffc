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
#include "tests/support/DueUtenti.h"

#include <functional>

inline const QString ConfermaGenerazione = QStringLiteral("Conferma Generazione Documenti ");

class FatturazioneCauzioni : public Depositi {
protected:
    void SetUp() override
    {
        Depositi::SetUp();
        if (IsSkipped())
            return;
        gUtente.IdUtente = QStringLiteral("ANNA");
        for (const char *nome : {"IdIvaSpeseTrasporto", "IdIvaSpeseImballo", "IdIvaSpeseIncasso", "IdIvaSpeseVarie"})
            KV8Config::Set(QStringLiteral("CONTIFISSI"), QLatin1String(nome), QStringLiteral("22"));
        if (company.Db().Attached())
            return; // a user of a test of two users: the company is the parent test's
        Esegui(QStringLiteral("INSERT INTO CodiciIva (IdIva, DsIva, Aliquota) VALUES ('22', 'IVA 22%', 22)"));
        Esegui(QStringLiteral("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlBolle, FlFatture) VALUES "
                              "(1, 'Merce', 0, 1, 1)"));
        Esegui(QStringLiteral("INSERT INTO TipiMovPagamento (IdTipoMovimento, DsTipoMovimento, FlScadenza, "
                              "FlSpeseIncasso) VALUES ('RD', 'Rimessa diretta', 1, 0)"));
        Esegui(
            QStringLiteral("INSERT INTO Pagamenti (IdPagamento, DsPagamento, IdTipoMovimento, NumeroRate, FlFineMese, "
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
        Esegui(QStringLiteral(
                   "INSERT INTO ProtIVA (Anno, Serie, NumUltFatturaV, DataUltFatturaV) VALUES (2024, 1, 10, ?)"),
               {QDateTime(QDate(2024, 3, 1), QTime(0, 0))});
        Listino(QStringLiteral("L01"), QStringLiteral("EUR"), {{QStringLiteral("CAS"), 2.5}});
        SchedeFatturate();
    }

    // Account totals: C001 owes 6 CAS, 3 BOT (not in the list), 2 FUS (no article); C002 has
    // returned all its CAS and owes 2 BOT. And the per-destination card of destination 0 that
    // the summary reads.
    void SchedeFatturate()
    {
        Scheda("C001", 1, "CAS", 10, 4);
        Scheda("C001", 1, "BOT", 3, 0);
        Scheda("C001", 1, "FUS", 2, 0);
        Scheda("C002", 1, "CAS", 5, 5);
        Scheda("C002", 1, "BOT", 2, 0);
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
        Esegui(
            QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, "
                           "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, ProgQtaCarF, ProgQtaResF, "
                           "ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, ProgValResB, QtaCarEcc, "
                           "QtaResEcc, EsiAttEcc) VALUES ('CL', ?, 0, ?, ?, 'EUR', ?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 0, 0, "
                           "0, 0, 0)"),
            {QLatin1String(conto), tipoScheda, QLatin1String(imballo), caricoF, resoF, caricoF, resoF, caricoF, resoF,
             caricoF, resoF});
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

    int Contatore()
    {
        return company.Database().ScalarValue(QStringLiteral("SELECT NumUltFatturaV FROM ProtIVA")).toInt();
    }

    static QString GiacenzeCambiate(const QString &cliente)
    {
        return QStringLiteral("Le giacenze cauzioni del cliente <%1> sono cambiate dopo la preparazione: ripetere "
                              "l'elaborazione.")
            .arg(cliente);
    }

    // A run refused on the customer's stock: told so, then that it generated nothing; no
    // document, movement or summary stored, the counter as it was.
    void NienteGenerato(const QString &cliente, int contatore)
    {
        EXPECT_TRUE(script.Shown(GiacenzeCambiate(cliente))) << script.Texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(script.LastText(), QStringLiteral("Elaborazione Terminata : Generate NC da <0> a <0>"));
        EXPECT_EQ(Conta(QStringLiteral("FattureCliTeste")) + Conta(QStringLiteral("LUMO_MovCauT"))
                      + Conta(QStringLiteral("LUMO_CauzDocFatt")),
                  0);
        EXPECT_EQ(Contatore(), contatore);
    }

    // What a run writes: the rows of its tables and the stock it moves.
    QList<double> Scritti()
    {
        QList<double> n;
        for (const char *t : {"FattureCliTeste", "FattureCliRighe", "FattureCliTot", "LUMO_MovCauT", "LUMO_MovCauR",
                              "LUMO_CauzDocFatt", "MovMagazzino"})
            n << Conta(QLatin1String(t));
        n << company.Database()
                 .ScalarValue(QStringLiteral("SELECT COALESCE(SUM(Esistenza), 0) FROM EsistenzeMagazzino"))
                 .toDouble();
        return n;
    }
    static QList<double> Differenza(const QList<double> &dopo, const QList<double> &prima)
    {
        QList<double> d;
        for (qsizetype i = 0; i < dopo.size(); ++i)
            d << dopo[i] - prima.value(i);
        return d;
    }
    QStringList TutteLeSchede()
    {
        return Colonna(QStringLiteral("SELECT * FROM LUMO_ProgCauz ORDER BY IdConto, IdDestinazione, FlTipoScheda, "
                                      "IdImballo"));
    }

    // The billing job (a user's run that ends with "Elaborazione Terminata") run by two users
    // for each start, on the cards as carte leaves them, after one run alone: one user's run
    // stores what the run alone stored, numbered after the counter; the other is refused on the
    // stock of the first customer, is told it generated nothing, and stores nothing.
    void UnaGenerazioneSola(const QString &lavoro, const std::function<void()> &unaSola, const QString &primoCliente,
                            int documenti, const std::function<void()> &carte)
    {
        const auto daCapo = [&] {
            Esegui(QStringLiteral("DELETE FROM LUMO_ProgCauz"));
            carte();
        };
        daCapo();
        const QList<double> prima = Scritti();
        const int numero = Contatore();
        unaSola();
        if (HasFatalFailure())
            return;
        const QList<double> scritti = Differenza(Scritti(), prima);
        const QStringList schede = TutteLeSchede();
        ASSERT_EQ(Contatore(), numero + documenti);
        const QString rifiuto = GiacenzeCambiate(primoCliente);
        kv8test::OgniGiro([&](kv8test::Avvio avvio) {
            daCapo();
            const QList<double> inizio = Scritti();
            const int ultimo = Contatore();
            const auto utenti = kv8test::DueUtenti(lavoro, company.Db().Url(), avvio, QStringLiteral("giacenze"));
            const int rifiutato = kv8test::UnoRifiutato(utenti, avvio, {rifiuto});
            ASSERT_GE(rifiutato, 0);
            EXPECT_EQ(utenti[size_t(rifiutato)].Messaggi.last(),
                      QStringLiteral("Elaborazione Terminata : Generate NC da <0> a <0>"));
            EXPECT_EQ(utenti[size_t(1 - rifiutato)].Messaggi.last(),
                      QStringLiteral("Elaborazione Terminata : Generate NC da <%1> a <%2>")
                          .arg(ultimo + 1)
                          .arg(ultimo + documenti));
            EXPECT_EQ(Differenza(Scritti(), inizio), scritti);
            EXPECT_EQ(TutteLeSchede(), schede);
            EXPECT_EQ(Contatore(), ultimo + documenti);
            EXPECT_EQ(company.Database()
                          .ScalarValue(QStringLiteral("SELECT COUNT(DISTINCT Numero) FROM FattureCliTeste"))
                          .toInt(),
                      Conta(QStringLiteral("FattureCliTeste")))
                << "no number given twice";
        });
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
