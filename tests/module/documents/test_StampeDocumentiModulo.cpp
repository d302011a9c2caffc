// The module's document prints on the capture and as PDF: the delivery note printed after its
// save and from the print dialog (standard or EU accompanying document, the follow-up print),
// the deposit summary's eight printed slots, the invoice print with its summary, the customer's
// current deposit value and open items, and the supplier delivery-note print.
#include "tests/module/documents/FattureModuloFixture.h"

#include "documents/Sacq0002s_p.h"
#include "documents/Sven0001f_p.h"
#include "documents/Sven0002d_p.h"
#include "documents/Sven0002s_p.h"
#include "documents/Sven0009s_p.h"
#include "host/business/Bbas0160s.h"
#include "host/core/KV8Config.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXTable.h"
#include "host/report/ReportOutput.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBControls.h"
#include "host/ui/ModuleAbi.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

struct Registro {
    QVariantList argomenti;
    bool aghi = false;
    int eseguite = 0;
    int seguiti = 0;
    bool risposta = true;
};
Registro registro;

// Registered in place of the standard print: records what the dialog passes.
class StandardRegistrata : public TfSven0002s_p {
    Q_OBJECT
public:
    using TfSven0002s_p::TfSven0002s_p;
    bool InitForm(int AnnoDa, int SerieDa, int NumeroDa, int AnnoA, int SerieA, int NumeroA, const QDateTime &DataDa,
                  const QDateTime &DataA, bool FlCopiaDest, bool FlStLingua, const QString &IdTipoReport,
                  bool FlStBolleNoStampate, const QString &IdClienteDa, const QString &IdClienteA,
                  const QString &IdContoTp, bool FlArchiviazione, int FlTipoStampa, const QString &Testo,
                  const QString &IdCausaleDa, const QString &IdCausaleA, int Riservato) override
    {
        registro.argomenti = {AnnoDa,      SerieDa,    NumeroDa,    AnnoA,           SerieA,       NumeroA,
                              DataDa,      DataA,      FlCopiaDest, FlStLingua,      IdTipoReport, FlStBolleNoStampate,
                              IdClienteDa, IdClienteA, IdContoTp,   FlArchiviazione, FlTipoStampa, Testo,
                              IdCausaleDa, IdCausaleA, Riservato};
        registro.aghi = StampaSu.Aghi;
        return registro.risposta;
    }
    void EseguiStampa(bool, bool) override { ++registro.eseguite; }
};

class SeguitoRegistrato : public TfBBas0160s {
    Q_OBJECT
public:
    using TfBBas0160s::TfBBas0160s;
    bool InitForm(int, int, int, int, int, int, int, int, const QDateTime &, const QDateTime &, const QString &,
                  const QString &, const QString &, int, int, int, int, bool) override
    {
        ++registro.seguiti;
        return false;
    }
};

QString Posto(const char *campo, int n)
{
    return QLatin1String(campo) + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

} // namespace

class StampeDocumentiModulo : public FattureModulo {
protected:
    void SetUp() override
    {
        FattureModulo::SetUp();
        if (IsSkipped())
            return;
        registro = Registro();
        Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, IdCausaleMaga, UT_LMQ_FlCauzioni, "
               "UT_LMQ_FlAggCau, UT_LMQ_FlAggCauB, UT_LMQ_FlAggMovC, UT_LMQ_FlNumCol, UT_LMQ_FlStaCau) "
               "VALUES ('DV', 'DDT con cauzioni', 0, 'VEN', 1, 1, 1, 1, 1, 1)");
        Esegui("UPDATE Imballi SET UT_LMQ_DsDescDoc = DsImballo");
    }
    void TearDown() override
    {
        for (const char *nome :
             {"TfSven0002s_p", "TfSven0002s_mvv", "TfBBas0160s", "TFSVEN0002S", "TfSVen0009s", "TFSacq0002s"})
            Kv8reportb::Registry().Unregister(QLatin1String(nome));
        FattureModulo::TearDown();
    }

    // A stored note of customer C1 under a causal, without rows.
    void Nota(int k, int numero, const char *causale)
    {
        Esegui("INSERT INTO BolleCliTeste (KBolleCliT, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, "
               "IdCliente) VALUES (?, ?, 2026, 0, ?, ?, 'CL', 'C1')",
               {k, QLatin1String(causale), numero, Giorno(2026, 3, 10)});
    }
    void Riepilogo(const char *tabella, const char *chiave, int k, const QString &imballo, double esistenza, double car,
                   double res, double prezzo)
    {
        Esegui(QStringLiteral("INSERT INTO %1 (KMovimento, FlTipoDocColl, %2, IdImballo, EsistenzaAtt, QtaCar, QtaRes, "
                              "Prezzo, ValoreCar, ValoreRes) VALUES (?, 1, ?, ?, ?, ?, ?, ?, ?, ?)")
                   .arg(QLatin1String(tabella), QLatin1String(chiave))
                   .toUtf8()
                   .constData(),
               {++movimenti, k, imballo, esistenza, car, res, prezzo, car * prezzo, res * prezzo});
    }
    void Fattura(int k, int numero, const char *causale, const QString &cliente)
    {
        Esegui("INSERT INTO FattureCliTeste (KFattCliT, IdCausale, Anno, Serie, Numero, DataDocumento, IdClienteTp, "
               "IdCliente) VALUES (?, ?, 2026, 0, ?, ?, 'CL', ?)",
               {k, QLatin1String(causale), numero, Giorno(2026, 3, 12), cliente});
    }
    void Scadenza(const QString &cliente, const char *documento, int giorno, double dare, double avere, double dareDiv,
                  double avereDiv)
    {
        Esegui("INSERT INTO Scadenze (KScadenza, TipoScadenza, Esercizio, Protocollo, IdContoTp, IdConto, NumRata, "
               "DataScadenza, NumDocumento, DataDocumento, Dare, Avere, DareDiv, AvereDiv) "
               "VALUES (?, 1, 2026, ?, 'CL', ?, 1, ?, ?, ?, ?, ?, ?, ?)",
               {++movimenti, movimenti, cliente, Giorno(2026, 4, giorno), QLatin1String(documento),
                Giorno(2026, 2, giorno), dare, avere, dareDiv, avereDiv});
    }
    static QStringList Testi(const ReportDocument &doc, const QString &elemento)
    {
        QStringList out;
        for (const ReportPage &p : doc.Pages)
            out << p.TextsOf(elemento);
        return out;
    }
    static QStringList TestiPagina(const ReportDocument &doc, int pagina, const QString &elemento)
    {
        return doc.Pages.at(pagina).TextsOf(elemento);
    }
    static bool Contiene(const ReportDocument &doc, const QString &testo)
    {
        for (const ReportPage &p : doc.Pages)
            if (p.HasText(testo))
                return true;
        return false;
    }
    static void Scrivi(TForm *f, const char *controllo, const QString &testo)
    {
        EXPECT_TRUE(kv8test::ReplaceText(f->Control<TDBEdit>(QLatin1String(controllo)), testo));
    }
    static void Esegui(TFSven0002d_p *f)
    {
        f->btEsegui->click();
        kv8test::ProcessEvents();
    }
    using FattureModulo::Esegui;

    int movimenti = 0;
};

TEST_F(StampeDocumentiModulo, StartUpPutsTheModulePrintsInTheHostsPlace)
{
    Initialize();
    EXPECT_EQ(Kv8reportb::Registry().Find(QStringLiteral("TFSVEN0002S")).Name(), QStringLiteral("TfSven0002s_p"));
    EXPECT_TRUE(Kv8reportb::Registry().Find(QStringLiteral("TfSven0002s_mvv")).IsNull()) << "catalogued only";
    std::unique_ptr<TfSVen0009s> fattura(TfSVen0009s::Crea(nullptr));
    EXPECT_TRUE(qobject_cast<TfSVen0009s_p *>(fattura.get()));
    std::unique_ptr<TfSAcq0002s> fornitore(TfSAcq0002s::Crea(nullptr));
    EXPECT_TRUE(qobject_cast<TfSAcq0002s_p *>(fornitore.get()));
}

TEST_F(StampeDocumentiModulo, SavedNoteIsPrintedWithItsLitresAndStoredSummary)
{
    auto *f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C"));
    ASSERT_TRUE(f);
    Testa(f, QStringLiteral("DV"), QStringLiteral("C1"));
    RigoConfezioni(f, QStringLiteral("V12"), QStringLiteral("3"), QStringLiteral("10"), 1);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("5"), 0);
    ReportCapture capture;
    script.AllowUnusedAnswers();
    script.Yes(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportDocument &doc = capture.Last().Document;
    EXPECT_EQ(doc.PageCount(), 1);
    EXPECT_EQ(Testi(doc, QStringLiteral("fdLunghezza")), (QStringList{"3", "2"}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdQuantita")), (QStringList{"36", "12"}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdUT_LMQ_TotLit")), (QStringList{"27,00", "9,00"}));
    // the summary as stored: 48 bottles and 5 cases loaded
    EXPECT_EQ(Testi(doc, QStringLiteral("fdUT_DsCauz01")), QStringList{"Bottiglia"});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdUT_QtaCar01")), QStringList{"48,00"});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdUT_DsCauz02")), QStringList{"Cassa"});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdUT_ValCon02")), QStringList{"10,00"});
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("FlStampato = 1")), 1);

    // the stored note opened again: its print button prints it
    const qint64 k = Valore(QStringLiteral("SELECT KBolleCliT FROM BolleCliTeste")).toLongLong();
    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSVen0001f_p>(QStringLiteral("SVEN0001F_C;%1").arg(k));
    ASSERT_TRUE(f);
    ASSERT_TRUE(f->HaStampa());
    f->btStampa->click();
    ASSERT_EQ(capture.Prints().size(), 2);
    EXPECT_FALSE(capture.Last().Preview);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_QtaCar01")), QStringList{"48,00"});
}

TEST_F(StampeDocumentiModulo, SummaryPrintsEightSlotsAsTheCausalAsks)
{
    Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, UT_LMQ_FlStaCau) VALUES ('P', 'Prova', 0, 1)");
    for (int n = 1; n <= 10; ++n)
        Esegui("INSERT INTO Imballi (IdImballo, DsImballo, UT_LMQ_DsDescDoc) VALUES (?, ?, ?)",
               {Posto("I", n), QStringLiteral("x"), Posto("Imballo ", n)});
    Nota(901, 1, "P");
    Riepilogo("LUMO_CauzDocBoll", "KBolleCliT", 901, QStringLiteral("I01"), 0, 12, 4, 1);
    for (int n = 2; n <= 10; ++n)
        Riepilogo("LUMO_CauzDocBoll", "KBolleCliT", 901, Posto("I", n), 1, 1, 0, 2);
    Nota(902, 2, "P");
    Riepilogo("LUMO_CauzDocBoll", "KBolleCliT", 902, QStringLiteral("I03"), 5, 0, 5, 1);

    ReportCapture capture;
    TfSven0002s_p stampa;
    ASSERT_TRUE(stampa.InitForm(2026, -1, 0, 2026, -1, 0, {}, {}, false, false, QString(), false, QString(), QString(),
                                QStringLiteral("CL"), false, 0, QString(), QString(), QString(), 0));
    ASSERT_TRUE(stampa.qMain->Locate(QStringLiteral("KBolleCliT"), 901));
    EXPECT_EQ(stampa.qMain->FieldByName(QStringLiteral("_UT_IdCauz10"))->AsString(), QStringLiteral("I10"))
        << "slots beyond the eighth are filled";
    EXPECT_DOUBLE_EQ(stampa.qMain->FieldByName(QStringLiteral("_UT_TotValCon"))->AsFloat(), 12 + 9 * 2)
        << "the totals cover every row";
    stampa.EseguiStampa(true);
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportDocument &doc = capture.Last().Document;
    ASSERT_EQ(doc.PageCount(), 2) << "a page per note";
    EXPECT_EQ(TestiPagina(doc, 0, QStringLiteral("fdUT_EsiFin01")), QStringList{"8,00"}) << "12.00 - 4.00";
    EXPECT_EQ(TestiPagina(doc, 0, QStringLiteral("fdUT_DsCauz08")), QStringList{"Imballo 08"});
    EXPECT_FALSE(Contiene(doc, QStringLiteral("Imballo 09"))) << "eight printed rows";
    EXPECT_EQ(TestiPagina(doc, 1, QStringLiteral("fdUT_DsCauz01")), QStringList{"Imballo 03"});
    EXPECT_EQ(TestiPagina(doc, 1, QStringLiteral("fdUT_EsiFin01")), QStringList{}) << "5 - 5 prints blank";

    // a causal that prints no summary: the region stays, empty
    Esegui("UPDATE CausaliBolleCli SET UT_LMQ_FlStaCau = 0 WHERE IdCausale = 'P'");
    capture.Clear();
    TfSven0002s_p senza;
    ASSERT_TRUE(senza.InitFormDocumento(901));
    senza.EseguiStampa(true);
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_DsCauz01")), QStringList{});
    EXPECT_FALSE(Contiene(capture.Last().Document, QStringLiteral("Imballo 01")));
    EXPECT_TRUE(Contiene(capture.Last().Document, QStringLiteral("Esi.Ini")));

    TfSven0002s_p nessuna;
    EXPECT_FALSE(nessuna.InitFormDocumento(999));
}

TEST_F(StampeDocumentiModulo, PrintDialogRunsTheChosenPrint)
{
    Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, UT_LMQ_FlStaCau) VALUES ('P', 'Prova', 0, 1)");
    Nota(901, 1, "P");
    Riepilogo("LUMO_CauzDocBoll", "KBolleCliT", 901, QStringLiteral("CAS"), 2, 3, 1, 2);
    auto *f = Apri<TFSven0002d_p>(QStringLiteral("SVEN0002D"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->Caption(), QStringLiteral("Stampa DDT (Dusaria)"));
    EXPECT_EQ(f->cbUT_FlTipoReport->count(), 2);
    Scrivi(f, "edAnnoDa", QStringLiteral("2026"));
    Scrivi(f, "edAnnoA", QStringLiteral("2026"));
    ReportCapture capture;
    Esegui(f);
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdTitoloDoc")), QStringList{"DOCUMENTO DI TRASPORTO"});
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_EsiFin01")), QStringList{"4,00"});

    // the EU accompanying document: its own layout, the same summary
    ASSERT_TRUE(f->cbUT_FlTipoReport->SelectValue(1));
    capture.Clear();
    Esegui(f);
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_TRUE(Contiene(capture.Last().Document, QStringLiteral("DOCUMENTO DI ACCOMPAGNAMENTO")));
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_EsiFin01")), QStringList{"4,00"});

    // the choice is kept for the next opening
    f->Close();
    kv8test::ProcessEvents();
    f = Apri<TFSven0002d_p>(QStringLiteral("SVEN0002D"));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->TPars_p->FieldByName(QStringLiteral("FlTipoReport"))->AsInteger(), 1);

    // an inverted range is refused before any print
    Scrivi(f, "edAnnoDa", QStringLiteral("2027"));
    capture.Clear();
    Esegui(f);
    EXPECT_TRUE(capture.Prints().isEmpty());
    EXPECT_EQ(script.LastText(), QStringLiteral("L'anno iniziale supera quello finale: correggere l'intervallo."));
}

TEST_F(StampeDocumentiModulo, PrintDialogPassesItsValuesAndRunsTheFollowUpOnlyForStandardPrints)
{
    Kv8reportb::XRegisterReportClass(QStringLiteral("TfSven0002s_p"), ClassRef::Of<StandardRegistrata>());
    Kv8reportb::XRegisterReportClass(QStringLiteral("TfBBas0160s"), ClassRef::Of<SeguitoRegistrato>());
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("TipoStampaDDT"), 2);
    auto *f = Apri<TFSven0002d_p>(QStringLiteral("SVEN0002D"));
    ASSERT_TRUE(f);
    f->TPars_p->FieldByName(QStringLiteral("FlTipoReport"))->SetAsInteger(0);
    Scrivi(f, "edAnnoDa", QStringLiteral("2026"));
    Scrivi(f, "edSerieDa", QStringLiteral("3"));
    Scrivi(f, "edSerieA", QStringLiteral("4"));
    Scrivi(f, "edIdCausaleA", QStringLiteral("DV"));
    f->edAnnotazioni->setText(QStringLiteral("Fragile"));
    Esegui(f);
    ASSERT_EQ(registro.argomenti.size(), 21);
    EXPECT_EQ(registro.argomenti[1].toInt(), -1) << "an empty causal-from takes every series";
    EXPECT_EQ(registro.argomenti[4].toInt(), 4);
    EXPECT_EQ(registro.argomenti[17].toString(), QStringLiteral("Fragile"));
    EXPECT_EQ(registro.argomenti[19].toString(), QStringLiteral("DV"));
    EXPECT_EQ(registro.argomenti[20].toInt(), 0);
    EXPECT_TRUE(registro.aghi) << "base setting 2";
    EXPECT_EQ(registro.eseguite, 1);
    EXPECT_EQ(registro.seguiti, 1);

    // print types 1 and 3 skip the follow-up print
    for (int tipo : {1, 3}) {
        f->tPars->FieldByName(QStringLiteral("FlTipoStampa"))->SetAsInteger(tipo);
        Esegui(f);
    }
    // so does archiving
    f->tPars->FieldByName(QStringLiteral("FlTipoStampa"))->SetAsInteger(0);
    f->tPars->FieldByName(QStringLiteral("FlArchiviazione"))->SetAsInteger(1);
    Esegui(f);
    EXPECT_EQ(registro.eseguite, 4);
    EXPECT_EQ(registro.seguiti, 1);

    // nothing to print: no run, no follow-up, the user told
    f->tPars->FieldByName(QStringLiteral("FlArchiviazione"))->SetAsInteger(0);
    registro.risposta = false;
    Esegui(f);
    EXPECT_EQ(registro.eseguite, 4);
    EXPECT_EQ(registro.seguiti, 1);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Nessun DDT da stampare con la selezione indicata: modificare i parametri."));

    // the EU print: never the dot-matrix switch, never the follow-up
    Nota(901, 1, "DV");
    f->TPars_p->FieldByName(QStringLiteral("FlTipoReport"))->SetAsInteger(1);
    ReportCapture capture;
    Esegui(f);
    EXPECT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(registro.eseguite, 4) << "the standard print is not run";
    EXPECT_EQ(registro.seguiti, 1);
}

TEST_F(StampeDocumentiModulo, InvoicePrintShowsSummaryDepositValueAndOpenItems)
{
    Kv8reportb::XRegisterReportClass(QStringLiteral("TfSVen0009s"), ClassRef::Of<TfSVen0009s_p>());
    Esegui("UPDATE CausaliFattCli SET UT_LMQ_FlStaCau = 1, UT_LMQ_FlStaPar = 1 WHERE IdCausale = 'FV'");
    Esegui("INSERT INTO CausaliFattCli (IdCausale, DsCausale, FlTipoDocumento, SerieRegistro, FlTipoRegistro, "
           "UT_LMQ_FlStaCau, UT_LMQ_FlStaPar) VALUES ('FN', 'Senza partite', 0, 0, 1, 1, 0)");
    Esegui("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C''Q', 'Osteria')");
    Fattura(501, 1, "FV", QStringLiteral("C1"));
    Fattura(502, 2, "FN", QStringLiteral("C1"));
    Fattura(503, 3, "FV", QStringLiteral("C2"));
    Fattura(504, 4, "FV", QStringLiteral("C'Q"));
    Riepilogo("LUMO_CauzDocFatt", "KFattCliT", 501, QStringLiteral("CAS"), 4, 3, 1, 2);
    Scadenza(QStringLiteral("C1"), "10", 1, 100, 0, 100, 0);
    Scadenza(QStringLiteral("C1"), "11", 2, 50, 50, 40, 40); // settled in both currencies
    Scadenza(QStringLiteral("C1"), "12", 3, 30, 30, 0, 10);  // settled in one only
    Scadenza(QStringLiteral("C2"), "13", 4, 0, 0, 0, 0);
    Scadenza(QStringLiteral("C'Q"), "14", 5, 7, 0, 7, 0);
    Esegui("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, IdImballo, FlTipoScheda, ProgValCarF, "
           "ProgValResF) VALUES ('CL', 'C1', 0, 'CAS', 0, 20, 5), ('CL', 'C1', 0, 'CAS', 1, 20, 5)");

    std::unique_ptr<TfSVen0009s> stampa(TfSVen0009s::Crea(nullptr));
    ASSERT_TRUE(qobject_cast<TfSVen0009s_p *>(stampa.get()));
    TSelezioneDocumenti tutte;
    tutte.AnnoDa = tutte.AnnoA = 2026;
    ReportCapture capture;
    ASSERT_TRUE(stampa->InitForm(tutte));
    stampa->EseguiStampa(true);
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportDocument &doc = capture.Last().Document;
    ASSERT_EQ(doc.PageCount(), 4);
    EXPECT_EQ(TestiPagina(doc, 0, QStringLiteral("fdUT_QtaCar01")), QStringList{"3,00"});
    EXPECT_EQ(TestiPagina(doc, 0, QStringLiteral("fdUT_EsiFin01")), QStringList{"6,00"});
    EXPECT_EQ(TestiPagina(doc, 0, QStringLiteral("fdValoreAttCau")), QStringList{"15,00"});
    EXPECT_EQ(TestiPagina(doc, 0, QStringLiteral("fdUTNumDocumento")), (QStringList{"10", "12"}));
    EXPECT_EQ(TestiPagina(doc, 0, QStringLiteral("fdUTTotDiv")), (QStringList{"100,00", "-10,00"}));
    EXPECT_EQ(TestiPagina(doc, 1, QStringLiteral("lbUTRifDoc")), QStringList{}) << "causal without open items";
    EXPECT_EQ(TestiPagina(doc, 2, QStringLiteral("lbUTRifDoc")), QStringList{}) << "customer without open items";
    EXPECT_EQ(TestiPagina(doc, 3, QStringLiteral("fdUTNumDocumento")), QStringList{"14"}) << "a quote in the code";

    // a causal without open items leaves the previous list untouched
    auto *p = qobject_cast<TfSVen0009s_p *>(stampa.get());
    ASSERT_TRUE(p->qMain->Locate(QStringLiteral("KFattCliT"), 501));
    ASSERT_TRUE(p->qMain->Locate(QStringLiteral("KFattCliT"), 502));
    EXPECT_EQ(p->qUTPartite->RecordCount(), 2);

    // the accompanying layout carries its own region
    std::unique_ptr<TfSVen0009s> accompagnatoria(TfSVen0009s::Crea(nullptr));
    accompagnatoria->Accompagnatoria = true;
    capture.Clear();
    ASSERT_TRUE(accompagnatoria->InitFormDocumento(501));
    accompagnatoria->EseguiStampa(true);
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUTNumDocumento_FTAC")), (QStringList{"10", "12"}));
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_QtaCar01")), QStringList{"3,00"});
}

TEST_F(StampeDocumentiModulo, InvoiceNotYetStoredPrintsItsLocalSummary)
{
    Esegui("UPDATE CausaliFattCli SET UT_LMQ_FlStaCau = 1 WHERE IdCausale = 'FV'");
    Fattura(501, 1, "FV", QStringLiteral("C1"));
    Riepilogo("LUMO_CauzDocFatt", "KFattCliT", 501, QStringLiteral("CAS"), 0, 3, 0, 2);
    TXTable locale;
    locale.SetDatabaseName(QStringLiteral("LocalDatabase"));
    locale.SetTableName(QStringLiteral("LUMO_t_CauzDocFatt"));
    locale.SetUsaDizionario(true);
    locale.CreaTabella();
    locale.Open();
    locale.Append();
    locale.FieldByName(QStringLiteral("KFattCliT"))->SetAsInteger(501);
    locale.FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("CAS"));
    locale.FieldByName(QStringLiteral("QtaCar"))->SetAsFloat(7);
    locale.Post();

    ReportCapture capture;
    TfSVen0009s_p stampa;
    stampa.CastellettoLocale = true;
    ASSERT_TRUE(stampa.InitFormDocumento(501));
    stampa.EseguiStampa(true);
    stampa.CastellettoLocale = false;
    ASSERT_TRUE(stampa.InitFormDocumento(501));
    stampa.EseguiStampa(true);
    ASSERT_EQ(capture.Prints().size(), 2);
    EXPECT_EQ(Testi(capture.Prints()[0].Document, QStringLiteral("fdUT_QtaCar01")), QStringList{"7,00"});
    EXPECT_EQ(Testi(capture.Prints()[1].Document, QStringLiteral("fdUT_QtaCar01")), QStringList{"3,00"});
}

TEST_F(StampeDocumentiModulo, TheInvoiceWindowPrintsItsInvoiceWithTheSummaryItHolds)
{
    Esegui("UPDATE CausaliFattCli SET UT_LMQ_FlStaCau = 1 WHERE IdCausale = 'FV'");
    auto *f = NuovaFattura();
    ASSERT_TRUE(f);
    RigoConfezioni(f, QStringLiteral("V06"), QStringLiteral("2"), QStringLiteral("10"));
    EXPECT_FALSE(f->btAnteprima->isEnabled()) << "a new invoice has nothing stored to print";
    ReportCapture capture;
    script.AllowUnusedAnswers();
    script.Yes(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.Texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(capture.Prints().size(), 1) << "the print offered after the save";
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_QtaCar01")), QStringList{"12,00"});
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_QtaCar02")), QStringList{"2,00"});
    const qint64 k = Valore(QStringLiteral("SELECT MAX(KFattCliT) FROM FattureCliTeste")).toLongLong();
    f->Close();
    kv8test::ProcessEvents();

    // the stored invoice from the toolbar: the stored summary
    f = Apri<TFSVen0008f_p>(QStringLiteral("SVEN0008F_F;%1").arg(k));
    ASSERT_TRUE(f);
    f->btAnteprima->click();
    kv8test::ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 2);
    const QStringList archiviato = Testi(capture.Last().Document, QStringLiteral("fdUT_QtaRes02"));
    EXPECT_NE(archiviato, QStringList{"1,00"});

    // changed and not saved: the summary the window holds
    Premi(f, nbEdit);
    ASSERT_EQ(f->TTesta->State(), dsEdit);
    ResiCasse(f, 1);
    ASSERT_TRUE(f->btAnteprima->isEnabled()) << "a stored invoice prints while it is edited";
    f->btAnteprima->click();
    kv8test::ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 3);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_QtaRes02")), QStringList{"1,00"});
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_QtaCar02")), QStringList{"2,00"});
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT QtaRes FROM LUMO_CauzDocFatt WHERE KFattCliT = ? AND IdImballo = 'CAS'"), {k})
            .toDouble(),
        0)
        << "printing stores nothing";
    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
    f->Close();
    kv8test::ProcessEvents();
}

TEST_F(StampeDocumentiModulo, SupplierNotePrintsItsSummaryAndEveryPrintWritesPdf)
{
    Kv8reportb::XRegisterReportClass(QStringLiteral("TFSacq0002s"), ClassRef::Of<TfSAcq0002s_p>());
    Esegui("UPDATE CausaliBolleFor SET UT_LMQ_FlStaCau = 1 WHERE IdCausale = 'DTA'");
    Esegui("INSERT INTO BolleForTeste (KBolleForT, IdCausale, Anno, Serie, Numero, DataDocumento, IdFornitoreTp, "
           "IdFornitore) VALUES (601, 'DTA', 2026, 0, 4, ?, 'FO', 'F1')",
           {Giorno(2026, 3, 6)});
    Riepilogo("LUMO_CauzDocBollAcq", "KBolleForT", 601, QStringLiteral("CAS"), 1, 5, 0, 2);
    std::unique_ptr<TfSAcq0002s> fornitore(TfSAcq0002s::Crea(nullptr));
    ASSERT_TRUE(qobject_cast<TfSAcq0002s_p *>(fornitore.get()));
    {
        ReportCapture capture;
        ASSERT_TRUE(fornitore->InitFormDocumento(601));
        fornitore->EseguiStampa(true);
        ASSERT_EQ(capture.Prints().size(), 1);
        EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_QtaCar01")), QStringList{"5,00"});
        EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdUT_EsiFin01")), QStringList{"6,00"});
    }

    Esegui("INSERT INTO CausaliBolleCli (IdCausale, DsCausale, Serie, UT_LMQ_FlStaCau) VALUES ('P', 'Prova', 0, 1)");
    Nota(901, 1, "P");
    Fattura(501, 1, "FV", QStringLiteral("C1"));
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    QStringList files;
    {
        TfSven0002s_p bolla;
        ASSERT_TRUE(bolla.InitFormDocumento(901));
        bolla.EseguiStampa(false);
        files << bolla.UltimoFile();
        TfSven0002s_mvv mvv;
        ASSERT_TRUE(mvv.InitFormDocumento(901));
        mvv.EseguiStampa(false);
        files << mvv.UltimoFile();
        TfSVen0009s_p fattura;
        ASSERT_TRUE(fattura.InitFormDocumento(501));
        fattura.EseguiStampa(false);
        files << fattura.UltimoFile();
        ASSERT_TRUE(fornitore->InitFormDocumento(601));
        fornitore->EseguiStampa(false);
        files << fornitore->UltimoFile();
    }
    qunsetenv("KV8_PRINT_DIR");
    ASSERT_EQ(files.size(), 4);
    for (const QString &file : files) {
        QFile pdf(file);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << file.toStdString();
        EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
    }
    EXPECT_TRUE(QFileInfo(files[0]).fileName().startsWith(QStringLiteral("Sven0002s_p")));
    EXPECT_TRUE(QFileInfo(files[1]).fileName().startsWith(QStringLiteral("Sven0002s_mvv")));
    EXPECT_TRUE(QFileInfo(files[2]).fileName().startsWith(QStringLiteral("Sven0009s_p")));
}

#include "test_StampeDocumentiModulo.moc"
