// The invoice and supplier delivery-note prints: the head, rows, VAT summary and totals of
// each document, the accompanying layout, and the host's calculated fields that a subclass
// finds filled before its own.
#include "tests/host/prints/StampeFixture.h"

#include "host/business/Sacq0002s.h"
#include "host/business/Sven0002s.h"
#include "host/business/Sven0009s.h"
#include "host/data/TField.h"
#include "host/data/TXQuery.h"

using namespace kv8test;

namespace {

class FatturaSottoclasse : public TfSVen0009s {
public:
    using TfSVen0009s::TfSVen0009s;
    QStringList visti;
    int create = 0;
    int spostamenti = 0;

    void XRptModuleCreate() override
    {
        TfSVen0009s::XRptModuleCreate();
        ++create;
    }
    void qMainAfterScroll(TDataSet *d) override
    {
        TfSVen0009s::qMainAfterScroll(d);
        ++spostamenti;
    }
    void qMainCalcFields(TDataSet *d) override
    {
        TfSVen0009s::qMainCalcFields(d);
        visti << d->FieldByName(QStringLiteral("_DsTipoDoc"))->AsString();
    }
};

} // namespace

TEST_F(Stampe, InvoicePrintsHeadRowsVatAndTotals)
{
    Fattura(201, 7, QStringLiteral("FTI"), 0, QStringLiteral("C1"));
    Fattura(202, 8, QStringLiteral("NCR"), 3, QStringLiteral("C3"));
    TSelezioneDocumenti s;
    s.AnnoDa = s.AnnoA = 2026;
    s.NumeroDa = 7;
    s.NumeroA = 8;
    ReportCapture capture;
    FatturaSottoclasse stampa;
    ASSERT_TRUE(stampa.InitForm(s));
    EXPECT_EQ(stampa.create, 1) << "the subclass's creation step runs once";
    stampa.EseguiStampa(true);
    const ReportDocument &doc = capture.Last().Document;
    ASSERT_EQ(doc.Pages.size(), 2);
    EXPECT_EQ(Testi(doc, QStringLiteral("fdTitoloDoc")), (QStringList{"FATTURA", "NOTA DI CREDITO"}));
    EXPECT_TRUE(stampa.visti.contains(QStringLiteral("NOTA DI CREDITO")))
        << "the host's field is filled before the subclass reads it";
    EXPECT_GT(stampa.spostamenti, 0);
    EXPECT_EQ(Testi(doc, QStringLiteral("fdRagioneSociale")), (QStringList{"Enoteca Rossi", "Bar Verdi"}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdDescrizione")), (QStringList{"Dolcetto", "Dolcetto"}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdImportoNetto")), (QStringList{"100,00", "100,00"}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdIvaCodice")), (QStringList{"22", "22"}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdIvaImposta")), (QStringList{"22,00", "22,00"}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdTotaleDocumento")), (QStringList{"122,00", "122,00"}));
    EXPECT_TRUE(Testi(doc, QStringLiteral("fdPesoLordo")).isEmpty()) << "the plain invoice has no transport block";
    EXPECT_TRUE(Testi(doc, QStringLiteral("lbCastelletto")).isEmpty());

    // a customer range that leaves both out, and the accompanying layout for one invoice
    TSelezioneDocumenti nessuna = s;
    nessuna.IdContoDa = QStringLiteral("C2");
    nessuna.IdContoA = QStringLiteral("C2");
    TfSVen0009s vuota;
    EXPECT_FALSE(vuota.InitForm(nessuna));

    capture.Clear();
    TfSVen0009s accompagnatoria;
    accompagnatoria.Accompagnatoria = true;
    ASSERT_TRUE(accompagnatoria.InitFormDocumento(201));
    accompagnatoria.EseguiStampa(true);
    EXPECT_EQ(capture.Last().Document.Pages.size(), 1);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdPesoLordo")), QStringList{QStringLiteral("31,25")});
}

TEST_F(Stampe, SupplierNotePrintsItsExternalReference)
{
    Esegui("INSERT INTO BolleForTeste (KBolleForT, IdCausale, Anno, Serie, Numero, DataDocumento, IdFornitoreTp, "
           "IdFornitore, "
           "NumDocEsterno, DataDocEsterno, NumeroColli, TotDocumento) VALUES (301, 'BFA', 2026, 0, 4, ?, 'FO', 'F1', "
           "'45', ?, 2, 80)",
           {Giorno(2026, 3, 6), Giorno(2026, 3, 5)});
    Esegui("INSERT INTO BolleForRighe (KBolleForR, KBolleForT, NumOrdine, IdProdotto, Descrizione, Quantita, Prezzo, "
           "ImportoNetto) "
           "VALUES (3011, 301, 1, 'A1', 'Barolo', 8, 10, 80)");
    TSelezioneDocumenti s;
    s.IdContoTp = QStringLiteral("FO");
    s.IdContoDa = QStringLiteral("F1");
    ReportCapture capture;
    TfSAcq0002s stampa;
    ASSERT_TRUE(stampa.InitForm(s));
    stampa.EseguiStampa(true);
    const ReportDocument &doc = capture.Last().Document;
    EXPECT_EQ(Testi(doc, QStringLiteral("fdRifEsterno")), QStringList{QStringLiteral("Vs. DDT n. 45 del 05/03/2026")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdRagioneSociale")), QStringList{QStringLiteral("Vetreria Nord")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdQuantita")), QStringList{QStringLiteral("8")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdTotDocumento")), QStringList{QStringLiteral("80,00")});

    s.IdContoTp = QStringLiteral("CL");
    TfSAcq0002s clienti;
    EXPECT_FALSE(clienti.InitForm(s)) << "the account type bounds the selection";
}
