// The print dialogs opened from their menu codes and driven as the user does: the range
// typed in, Esegui pressed, the print (or the class registered in its place) run with the
// dialog's values, the follow-up print, and the refusals.
#include "tests/host/prints/StampeFixture.h"

#include "host/business/Bbas0160s.h"
#include "host/business/Sven0002d.h"
#include "host/business/Sven0002s.h"
#include "host/business/Sven0009d.h"
#include "host/business/Sven0012d.h"
#include "host/core/KV8Config.h"
#include "host/ui/ClassRegistry.h"

#include <QCheckBox>
#include <QLineEdit>

using namespace kv8test;

namespace {

struct Registro {
    QVariantList argomenti;
    int eseguite = 0;
    bool aghi = false;
    int seguiti = 0;
    int seguitiEseguiti = 0;
    bool risposta = true;
};
Registro registro;

// Registered in place of the delivery-note print: records what the dialog passes.
class StampaRegistrata : public TfSven0002s {
    Q_OBJECT
public:
    using TfSven0002s::TfSven0002s;
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
        return true;
    }
    void EseguiStampa(bool, bool) override { ++registro.seguitiEseguiti; }
};

class DialoghiStampa : public Stampe {
protected:
    void SetUp() override
    {
        Stampe::SetUp();
        registro = Registro();
    }
    void TearDown() override
    {
        Kv8reportb::Registry().Unregister(QStringLiteral("TFSVEN0002S"));
        Kv8reportb::Registry().Unregister(QStringLiteral("TfBBas0160s"));
        Stampe::TearDown();
    }
    void Registra()
    {
        Kv8reportb::XRegisterReportClass(QStringLiteral("TFSVEN0002S"), ClassRef::Of<StampaRegistrata>());
        Kv8reportb::XRegisterReportClass(QStringLiteral("TfBBas0160s"), ClassRef::Of<SeguitoRegistrato>());
    }
    static void Premi(TFDBChildPars *f)
    {
        f->btEsegui->click();
        ProcessEvents();
    }
};

} // namespace

TEST_F(DialoghiStampa, DeliveryNoteDialogPrintsTheTypedRange)
{
    auto *f = Apri<TFSven0002d>(QStringLiteral("SVEN0002D"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Stampa DDT"));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edAnnoDa"), QStringLiteral("2026")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edAnnoA"), QStringLiteral("2026")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edNumeroDa"), QStringLiteral("2")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edNumeroA"), QStringLiteral("3")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdCausaleDa"), QStringLiteral("DDT")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdCausaleA"), QStringLiteral("DDT")));
    ReportCapture capture;
    Premi(f);
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdRagioneSociale")),
              (QStringList{"Wine Shop Ltd", "Bar Verdi"}));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("FlStampato = 1")), 2);

    // the same range again, not yet printed only: nothing left, said once, nothing printed
    Spunta(f, QStringLiteral("chFlStBolleNoStampate"), true);
    capture.Clear();
    Premi(f);
    EXPECT_TRUE(capture.Prints().isEmpty());
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Nessun DDT da stampare con la selezione indicata: modificare i parametri."));

    // an inverted range is refused before any print
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edNumeroDa"), QStringLiteral("9")));
    Premi(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Il numero iniziale supera quello finale: correggere l'intervallo."));
    EXPECT_TRUE(capture.Prints().isEmpty());
}

TEST_F(DialoghiStampa, DeliveryNoteDialogPassesItsValuesToTheRegisteredPrint)
{
    Registra();
    KV8Config::Set(QStringLiteral("FSBAS01"), QStringLiteral("TipoStampaDDT"), 2);
    auto *f = Apri<TFSven0002d>(QStringLiteral("SVEN0002D"));
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edAnnoDa"), QStringLiteral("2026")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edSerieDa"), QStringLiteral("1")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edSerieA"), QStringLiteral("1")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdCausaleA"), QStringLiteral("DDV")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdClienteDa"), QStringLiteral("C1")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edDataA"), QStringLiteral("31/03/2026")));
    Spunta(f, QStringLiteral("chFlCopiaDest"), true);
    f->edAnnotazioni->setText(QStringLiteral("Consegna al mattino"));
    Premi(f);
    ASSERT_EQ(registro.argomenti.size(), 21);
    EXPECT_EQ(registro.argomenti[0].toInt(), 2026);
    EXPECT_EQ(registro.argomenti[1].toInt(), -1) << "an empty causal-from takes every series";
    EXPECT_EQ(registro.argomenti[4].toInt(), 1) << "the causal-to keeps its series";
    EXPECT_EQ(registro.argomenti[7].toDateTime().date(), QDate(2026, 3, 31));
    EXPECT_TRUE(registro.argomenti[8].toBool());
    EXPECT_EQ(registro.argomenti[12].toString(), QStringLiteral("C1"));
    EXPECT_EQ(registro.argomenti[14].toString(), QStringLiteral("CL"));
    EXPECT_EQ(registro.argomenti[17].toString(), QStringLiteral("Consegna al mattino"));
    EXPECT_EQ(registro.argomenti[19].toString(), QStringLiteral("DDV"));
    EXPECT_TRUE(registro.aghi) << "base setting 2: the dot-matrix switch";
    EXPECT_EQ(registro.eseguite, 1);
    EXPECT_EQ(registro.seguiti, 1);
    EXPECT_EQ(registro.seguitiEseguiti, 1);

    // a reprint (1) or an archiving-only run (3), or archiving on, skips the follow-up print
    for (int tipo : {1, 3}) {
        f->tPars->FieldByName(QStringLiteral("FlTipoStampa"))->SetAsInteger(tipo);
        Premi(f);
    }
    f->tPars->FieldByName(QStringLiteral("FlTipoStampa"))->SetAsInteger(0);
    Spunta(f, QStringLiteral("chFlArchiviazione"), true);
    Premi(f);
    EXPECT_EQ(registro.eseguite, 4);
    EXPECT_EQ(registro.seguiti, 1);

    // nothing to print: neither the print nor the follow-up runs
    Spunta(f, QStringLiteral("chFlArchiviazione"), false);
    registro.risposta = false;
    Premi(f);
    EXPECT_EQ(registro.eseguite, 4);
    EXPECT_EQ(registro.seguiti, 1);
}

TEST_F(DialoghiStampa, InvoiceAndListDialogsPrintFromTheirCodes)
{
    Fattura(201, 7, QStringLiteral("FTI"), 0, QStringLiteral("C1"));
    auto *f = Apri<TFSven0009d>(QStringLiteral("SVEN0009D"));
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdClienteDa"), QStringLiteral("C1")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdClienteA"), QStringLiteral("C1")));
    f->chAccompagnatoria->setChecked(true);
    ReportCapture capture;
    f->btEsegui->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdNumero")), QStringList{QStringLiteral("7")});
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdNumeroColli")), QStringList{QStringLiteral("4")});
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdClienteDa"), QStringLiteral("C2")));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdClienteA"), QStringLiteral("C2")));
    f->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(capture.Prints().size(), 1);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Nessuna fattura da stampare con la selezione indicata: modificare i parametri."));

    // the list: note 103 has its second row invoiced too, so it is wholly invoiced
    Esegui("UPDATE BolleCliRighe SET FlGenFattura = 1 WHERE KBolleCliT = 103");
    auto *elenco = Apri<TFSven0012d>(QStringLiteral("SVEN0012D"));
    ASSERT_NE(elenco, nullptr);
    capture.Clear();
    elenco->btEsegui->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportDocument &tutti = capture.Last().Document;
    EXPECT_EQ(Testi(tutti, QStringLiteral("fdRagioneSociale")),
              (QStringList{"Enoteca Rossi", "Enoteca Rossi", "Wine Shop Ltd", "Bar Verdi"}));
    EXPECT_EQ(Testi(tutti, QStringLiteral("fdFatturato")), QStringList{QStringLiteral("F")})
        << "only the invoiced note is marked";
    EXPECT_EQ(Testi(tutti, QStringLiteral("smConta")), QStringList{QStringLiteral("4")});

    elenco->tPars->FieldByName(QStringLiteral("FlFatturati"))->SetAsInteger(1);
    ASSERT_TRUE(Scrivi(elenco, QStringLiteral("edDataDa"), QStringLiteral("03/03/2026")));
    capture.Clear();
    elenco->btEsegui->click();
    ProcessEvents();
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdNumero")), (QStringList{"1", "2"}))
        << "to invoice, from 3 March";

    ASSERT_TRUE(Scrivi(elenco, QStringLiteral("edDataA"), QStringLiteral("01/03/2026")));
    capture.Clear();
    elenco->btEsegui->click();
    ProcessEvents();
    EXPECT_TRUE(capture.Prints().isEmpty());
    EXPECT_EQ(script.LastText(), QStringLiteral("La data iniziale supera quella finale: correggere l'intervallo."));
}

#include "test_DialoghiStampa.moc"
