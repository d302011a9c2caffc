#pragma once
// The module's invoice window opened as the running program opens it (the menu choice goes to
// EseguiScelta) on the host's document company plus deposits: packaging CAS (case) and BOT
// (bottle) priced on list L1, bottle B75 of 0.75 litres, articles V12 (12 units per package,
// per litre), V06 (6 per package, per unit) and K01 (type 3, a kit), customer C1 keeping
// deposits on account 4010, an invoice causal FV that unloads stock and books deposits with a
// journal movement, and the module's parameters with deposits on.
#include "tests/host/documents/DocumentiFixture.h"

#include "documents/Sorc0001f_p.h"
#include "documents/Sven0001f_p.h"
#include "documents/Sven0008f_p.h"
#include "frame/Dmilumo.h"
#include "frame/Dmilumo_reg.h"
#include "frame/Dmiqarnsce.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Sven0001f_001.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/ui/DBControls.h"
#include "host/ui/MDIForm.h"
#include "host/ui/ModuleAbi.h"

#include <QSqlQuery>
#include <QSqlRecord>

#include <functional>
#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

class FattureModulo : public Documenti {
protected:
    void SetUp() override
    {
        Documenti::SetUp();
        if (IsSkipped())
            return;
        Application->DestroyComponents();
        Initialize(); // the module's classes in the host's place, as when the program loads it
        UT_LMQ_Parametri = {};
        main.reset(); // the host's main window goes first: one main window at a time
        main = std::make_unique<kv8test::TestMainWindow>([](const QString &code) {
            if (!EseguiScelta(Mdimainbase::MDIForm, reinterpret_cast<const char16_t *>(code.utf16())))
                HostMenu::Esegui(code);
        });
        CFG.IdDivisa = QStringLiteral("EUR");
        for (const char *nome : {"IdIvaSpeseTrasporto", "IdIvaSpeseImballo", "IdIvaSpeseIncasso", "IdIvaSpeseVarie"})
            KV8Config::Set(QStringLiteral("CONTIFISSI"), QLatin1String(nome), QStringLiteral("22"));
        if (company.Db().Attached()) // a user of a test of two users: the company is the parent test's
            return;
        Esegui("INSERT INTO Divise (IdDivisa, DsDivisa, SiglaDivisa, DecPrezzo, DecValore, FlMonetaUE) "
               "VALUES ('EUR', 'Euro', 'EUR', 4, 2, 1)");
        Esegui("INSERT INTO LUMO_Parametri (IdCodice, FlAbilCauz, FlQtaConf, FlTipoPrz, FlGestEcc, FlAbilPrenota) "
               "VALUES ('1', 1, 1, 0, 0, 0)");
        Esegui("INSERT INTO Imballi (IdImballo, DsImballo) VALUES ('CAS', 'Cassa'), ('BOT', 'Bottiglia')");
        Esegui("INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (1, 'L1', 'EUR')");
        Esegui("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (1, 1, 'CAS', 2), (2, 1, 'BOT', "
               "0.1)");
        Esegui("INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)");
        Esegui("INSERT INTO Articoli (IdProdotto, DsProdotto, IdUM1, IdIva, QtaImballo, IdImballo, UT_LMQ_IdImballo2, "
               "UT_LMQ_IdBottiglia, UT_LMQ_FlPrzLit, UT_LMQ_FlTipArt) VALUES "
               "('V12', 'Chianti', 'BT', '22', 12, 'CAS', 'BOT', 'B75', 1, 0), "
               "('V06', 'Brunello', 'BT', '22', 6, 'CAS', 'BOT', 'B75', 0, 0), "
               "('K01', 'Confezione regalo', 'PZ', '22', 0, '', '', '', 0, 3)");
        Esegui("UPDATE Clienti SET UT_LMQ_FlCauz = 1, UT_LMQ_IdListCau = 'L1', UT_LMQ_ContoCau = '4010' "
               "WHERE IdConto = 'C1'");
        Esegui(
            "INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
            "IdCausaleMaga, UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauF, UT_LMQ_FlAggMovC, UT_LMQ_FlNumCol) "
            "VALUES ('FV', 'Fattura accompagnatoria', 0, 0, 1, 'VEN', 1, 1, 1, 1, 1)");
        Esegui("INSERT INTO TipiListino (IdListino, DsListino, UT_LMQ_FlTipoPrz) VALUES ('LC', 'Per confezione', 1), "
               "('LU', 'Senza tipo', 0)");
        Esegui("INSERT INTO TipiRigo (TipoRigo, DsTipoRigo, FlClasse, FlConvQuantita) VALUES (3, 'Misura', 0, 1), "
               "(6, 'Spesa', 2, 0), (8, 'Misura 2', 0, 1)");
    }
    void TearDown() override
    {
        Documenti::TearDown();
        UT_LMQ_Parametri = {};
        // the module's shared data modules go with the test's company, also those a print or a
        // routine made without an owner: their tables hold rows of this company and follow the
        // transactions of its connection only
        Application->DestroyComponents();
        delete DMILUMO.data();
        delete DMILUMO_reg.data();
        delete DMIQARNSCE.data();
        TXMemTable::ForgetKeptRecords(); // dialog parameters kept for their next opening
    }

    // Delivery-note causal DV: unloads stock, books deposits with a journal movement and counts
    // the parcels; speseTrasporto is how it charges transport (0 none, 1 on the document, 2 per row).
    void CausaleBollaCauzioni(int speseTrasporto = 0)
    {
        Esegui(
            QStringLiteral("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga, "
                           "UT_LMQ_FlCauzioni, UT_LMQ_FlAggCau, UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC, UT_LMQ_FlNumCol, "
                           "UT_LMQ_FlTipoGest) VALUES ('DV', 'DDT con cauzioni', 0, 'VEN', 1, 1, 1, 1, 1, %1)")
                .arg(speseTrasporto)
                .toUtf8()
                .constData());
    }
    // The module's parameters changed: read again at the next menu choice.
    void Parametri(const char *assegnazioni)
    {
        Esegui(QStringLiteral("UPDATE LUMO_Parametri SET %1").arg(QLatin1String(assegnazioni)).toUtf8().constData());
        if (DMILUMO)
            DMILUMO->lkLUMO_Parametri->Close();
    }
    // The invoice window with the head of customer C1 under causal FV.
    TFSVen0008f_p *NuovaFattura(const QString &causale = QStringLiteral("FV"),
                                const QString &cliente = QStringLiteral("C1"))
    {
        auto *f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F"));
        if (!f)
            return nullptr;
        Testa(f, causale, cliente);
        return f;
    }
    // Closes the window, leaving its changes.
    void Chiudi(TFSVen0008f_p *f)
    {
        script.AllowUnusedAnswers();
        if (f->TTesta->State() != dsBrowse || f->FlRigheModificate)
            script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
        f->Close();
        kv8test::ProcessEvents();
    }
    // A row typed by the user: (row type,) article, packages, price (units per package from the
    // article).
    static void RigoConfezioni(TFDocumento *f, const QString &articolo, const QString &colli, const QString &prezzo,
                               int tipoPrezzo = -1, const QString &tipoRigo = QString())
    {
        PremiRighe(f, nbInsert);
        if (!tipoRigo.isEmpty()) {
            EXPECT_TRUE(Scrivi(f, QStringLiteral("edTipoRigo"), tipoRigo));
        }
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), articolo));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edLunghezza"), colli));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edPrezzo"), prezzo));
        if (tipoPrezzo >= 0)
            f->TRighe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->SetAsInteger(tipoPrezzo);
        PremiRighe(f, nbPost);
    }
    // The document saved with its head button, the print declined, the window closed.
    void SalvaEChiudi(TFDocumento *f)
    {
        script.AllowUnusedAnswers();
        if (f->HaStampa())
            script.No(QStringLiteral("Effettuo stampa ? "));
        Premi(f, nbPost);
        EXPECT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
        f->Close();
        kv8test::ProcessEvents();
    }
    // "Righe da DDT..." on the invoice: the notes of these keys marked in the selection shown;
    // answers the notes it offered ("number/rows").
    QStringList PrendiBolle(TFSVen0008f *f, const QList<qint64> &bolle)
    {
        QList<int> numeri;
        for (qint64 k : bolle)
            numeri << Valore(QStringLiteral("SELECT Numero FROM BolleCliTeste WHERE KBolleCliT = ?"), {k}).toInt();
        QStringList offerte;
        script.OnDialog(QStringLiteral("TFSVen0008f_001"), [&](TForm &d) {
            offerte = ScegliBolle(d, numeri);
            return int(mrOk);
        });
        f->btnBolle->click();
        kv8test::ProcessEvents();
        return offerte;
    }
    // A delivery note of customer C1 typed through the module's window under the causal and on
    // the date, its rows given by righe, saved; answers its key.
    qint64 NotaSalvata(const QString &causale, const QString &data, const std::function<void(TFSVen0001f_p *)> &righe)
    {
        auto *f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C"));
        if (!f)
            return 0;
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCausale"), causale));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataDocumento"), data));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdCliente"), QStringLiteral("C1")));
        righe(f);
        SalvaEChiudi(f);
        return Valore(QStringLiteral("SELECT MAX(KBolleCliT) FROM BolleCliTeste")).toLongLong();
    }
    // A customer order of C1 typed through the module's window under causal OC (which the test
    // provides), its rows given by righe, saved; answers its key.
    qint64 OrdineSalvato(const std::function<void(TFSOrc0001f_p *)> &righe)
    {
        auto *f = Apri<TFSOrc0001f_p>(QStringLiteral("SORC0001F"));
        if (!f)
            return 0;
        Testa(f, QStringLiteral("OC"), QStringLiteral("C1"));
        righe(f);
        SalvaEChiudi(f);
        return Valore(QStringLiteral("SELECT MAX(KOrdiniCliT) FROM OrdiniCliTeste")).toLongLong();
    }
    // In the order-line selection dialog shown: the packages typed on lines (key, packages) in
    // the data panel's edit, each line posted as moving to another does.
    static void ScegliConfezioni(TForm &form, const QList<std::pair<int, double>> &scelte)
    {
        auto &d = dynamic_cast<TFSVen0001f_001 &>(form);
        for (const auto &[chiave, confezioni] : scelte) {
            EXPECT_TRUE(d.TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), chiave)) << chiave;
            d.TSelOrdR->Edit();
            EXPECT_TRUE(kv8test::ReplaceText(d.FindControl<TDBEdit>(QStringLiteral("edUT_UT_QtaConfSel")),
                                             QString::number(confezioni)));
            if (d.TSelOrdR->State() != dsBrowse)
                d.TSelOrdR->Post();
        }
    }
    // The order lines of an article (of orders typed by the test), their keys.
    int RigoOrdine(const char *articolo, qint64 ordine)
    {
        return Valore(QStringLiteral("SELECT KOrdiniCliR FROM OrdiniCliRighe WHERE KOrdiniCliT = ? AND IdProdotto = ?"),
                      {ordine, QLatin1String(articolo)})
            .toInt();
    }
    static double Campo(TDataSet *d, const char *campo) { return d->FieldByName(QLatin1String(campo))->AsFloat(); }
    // The deposit tab of a document window shown (the summary built), its CAS row given the
    // cases returned.
    template <class Finestra> static void ResiCasse(Finestra *f, double rese)
    {
        f->KPageControl->setCurrentWidget(f->tsLUMO_CauzDoc);
        kv8test::ProcessEvents();
        TDataSet *c = f->TTLUMO_CauzDoc;
        ASSERT_TRUE(c->Locate(QStringLiteral("IdImballo"), QStringLiteral("CAS")));
        c->Edit();
        c->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(rese);
        c->Post();
        f->KPageControl->setCurrentWidget(f->tsTesta);
        kv8test::ProcessEvents();
    }

    // The rows of a statement, columns joined by "/".
    QStringList Elenco(const QString &sql, const QVariantList &valori = {})
    {
        QSqlQuery q = company.Database().OpenQuery(sql, valori);
        QStringList out;
        while (q.next()) {
            QStringList r;
            for (int i = 0; i < q.record().count(); ++i)
                r << q.value(i).toString();
            out << r.join(QLatin1Char('/'));
        }
        return out;
    }
    // Every deposit card of the customer, "packaging/loaded/returned".
    QStringList Schede()
    {
        return Elenco(QStringLiteral("SELECT IdImballo, ProgQtaCar, ProgQtaRes, ProgQtaCarF FROM LUMO_ProgCauz "
                                     "WHERE IdContoTp = 'CL' AND IdConto = 'C1' ORDER BY IdImballo, FlTipoScheda"));
    }
};
