// The delivery-note print: its selection by range, the pages of each note on the capture,
// copies, language, the printed flag and the deposit region that a print declaring the slot
// fields shows; the PDF files of the three document prints.
#include "tests/host/prints/StampeFixture.h"

#include "host/business/Sacq0002s.h"
#include "host/business/Sven0002s.h"
#include "host/business/Sven0009s.h"
#include "host/data/TField.h"
#include "host/data/TXQuery.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace kv8test;

namespace {

struct Range {
    int annoDa = 2026, serieDa = -1, numeroDa = 0, annoA = 2026, serieA = -1, numeroA = 0;
    QDateTime dataDa, dataA;
    bool copie = false, lingua = false, nonStampate = false;
    QString clienteDa, clienteA, tipo = QStringLiteral("CL"), causaleDa, causaleA;
};

bool Init(TfSven0002s &s, const Range &r)
{
    return s.InitForm(r.annoDa, r.serieDa, r.numeroDa, r.annoA, r.serieA, r.numeroA, r.dataDa, r.dataA, r.copie,
                      r.lingua, QString(), r.nonStampate, r.clienteDa, r.clienteA, r.tipo, false, 0, QString(),
                      r.causaleDa, r.causaleA, 0);
}

QList<int> Selezionati(const Range &r)
{
    TfSven0002s s;
    return Init(s, r) ? s.Chiavi() : QList<int>{};
}

// A print that declares the deposit slots, as the module's does, filling the first nine.
class StampaConCastelletto : public TfSven0002s {
public:
    StampaConCastelletto()
    {
        for (int n = 1; n <= 10; ++n) {
            const QString s = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
            qMain->AddCalcField(QStringLiteral("_UT_DsCauz") + s, ftString, 30);
            for (const char *c : {"_UT_EsiIni", "_UT_QtaCar", "_UT_QtaRes", "_UT_EsiFin", "_UT_Prezzo", "_UT_ValCon"})
                qMain->AddCalcField(QLatin1String(c) + s, ftFloat);
        }
    }
    QString titoloVisto;

protected:
    void qMainCalcFields(TDataSet *d) override
    {
        TfSven0002s::qMainCalcFields(d);
        titoloVisto = d->FieldByName(QStringLiteral("_TitoloDoc"))->AsString();
        for (int n = 1; n <= 9; ++n) {
            const QString s = QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
            d->FieldByName(QStringLiteral("_UT_DsCauz") + s)->SetAsString(QStringLiteral("Cassa %1").arg(n));
            d->FieldByName(QStringLiteral("_UT_QtaCar") + s)->SetAsFloat(12);
            d->FieldByName(QStringLiteral("_UT_QtaRes") + s)->SetAsFloat(4);
            d->FieldByName(QStringLiteral("_UT_EsiFin") + s)->SetAsFloat(8);
        }
    }
};

} // namespace

TEST_F(Stampe, DeliveryNoteRangesSelectTheRightNotes)
{
    Range r;
    EXPECT_EQ(Selezionati(r), (QList<int>{101, 102, 103, 104}));
    r.numeroDa = 2;
    r.numeroA = 3;
    r.serieDa = 0;
    r.serieA = 0;
    EXPECT_EQ(Selezionati(r), (QList<int>{102, 103}));

    Range date; // the last day counts whole: a note stamped at 15:00 is in
    date.dataDa = Giorno(2026, 3, 5);
    date.dataA = Giorno(2026, 3, 10);
    EXPECT_EQ(Selezionati(date), (QList<int>{102, 104}));

    Range clienti;
    clienti.clienteDa = QStringLiteral("C2");
    clienti.clienteA = QStringLiteral("C3");
    EXPECT_EQ(Selezionati(clienti), (QList<int>{102, 103}));
    clienti.tipo = QStringLiteral("FO");
    EXPECT_TRUE(Selezionati(clienti).isEmpty());

    Range causali;
    causali.causaleDa = QStringLiteral("DDV");
    causali.causaleA = QStringLiteral("DDV");
    causali.serieDa = 1;
    causali.serieA = 1;
    EXPECT_EQ(Selezionati(causali), (QList<int>{104}));

    // a code with a quote finds nothing and breaks nothing
    Range quote;
    quote.clienteDa = QStringLiteral("C'1");
    quote.clienteA = QStringLiteral("C'1");
    EXPECT_TRUE(Selezionati(quote).isEmpty());

    Range altroAnno;
    altroAnno.annoDa = altroAnno.annoA = 2025;
    TfSven0002s s;
    EXPECT_FALSE(Init(s, altroAnno));
}

TEST_F(Stampe, DeliveryNotePrintsAPagePerNoteAndMarksThemPrinted)
{
    Range r;
    r.numeroDa = r.numeroA = 1;
    r.serieDa = r.serieA = 0;
    ReportCapture capture;
    {
        TfSven0002s s;
        ASSERT_TRUE(Init(s, r));
        s.EseguiStampa(true);
    }
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportDocument &doc = capture.Last().Document;
    ASSERT_EQ(doc.Pages.size(), 1);
    EXPECT_EQ(Testi(doc, QStringLiteral("fdTitoloDoc")), QStringList{QStringLiteral("DOCUMENTO DI TRASPORTO")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdRagioneSociale")), QStringList{QStringLiteral("Enoteca Rossi")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdDsDestinazione")), QStringList{QStringLiteral("Enoteca Rossi - Magazzino")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdDescrizione")),
              (QStringList{QStringLiteral("Barolo"), QStringLiteral("Barbera")}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdQuantita")), (QStringList{QStringLiteral("12"), QStringLiteral("6")}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdDsCausale")), QStringList{QStringLiteral("Vendita")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdTotDocumento")), QStringList{QStringLiteral("123,45")});
    EXPECT_TRUE(Testi(doc, QStringLiteral("lbCastelletto")).isEmpty()) << "no slots declared: no deposit block";
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("FlStampato = 1")), 1);
    EXPECT_EQ(Valore(QStringLiteral("SELECT FlStampato FROM BolleCliTeste WHERE KBolleCliT = 101")).toInt(), 1);

    // not yet printed: the printed note is left out
    Range nuove;
    nuove.nonStampate = true;
    EXPECT_EQ(Selezionati(nuove), (QList<int>{102, 103, 104}));

    // the whole range: each note starts its own page, numbered within the note
    capture.Clear();
    TfSven0002s tutte;
    ASSERT_TRUE(Init(tutte, Range{}));
    tutte.EseguiStampa(true);
    const ReportDocument &tutto = capture.Last().Document;
    EXPECT_EQ(tutto.Pages.size(), 4);
    EXPECT_EQ(Testi(tutto, QStringLiteral("fdNumero")), (QStringList{"1", "2", "3", "1"}));
    EXPECT_EQ(Testi(tutto, QStringLiteral("ppPagina")), (QStringList{"Pag. 1", "Pag. 1", "Pag. 1", "Pag. 1"}));
    EXPECT_EQ(Conta(QStringLiteral("BolleCliTeste"), QStringLiteral("FlStampato = 1")), 4);
}

TEST_F(Stampe, DeliveryNoteCopiesAndLanguage)
{
    Range r;
    r.numeroDa = r.numeroA = 2;
    r.serieDa = r.serieA = 0;
    r.copie = true;
    r.lingua = true;
    ReportCapture capture;
    TfSven0002s s;
    ASSERT_TRUE(Init(s, r));
    EXPECT_EQ(s.Chiavi(), QList<int>{102});
    s.EseguiStampa(true);
    const ReportDocument &doc = capture.Last().Document;
    ASSERT_EQ(doc.Pages.size(), 2);
    EXPECT_EQ(Testi(doc, QStringLiteral("fdTitoloDoc")), (QStringList{"DELIVERY NOTE", "DELIVERY NOTE"}));
    EXPECT_EQ(Testi(doc, QStringLiteral("fdDsCopia")), (QStringList{"Consignee's copy", "Sender's copy"}));

    // an Italian customer keeps the Italian title even when the language is asked
    Range it = r;
    it.numeroDa = it.numeroA = 1;
    capture.Clear();
    TfSven0002s s2;
    ASSERT_TRUE(Init(s2, it));
    s2.EseguiStampa(true);
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdDsCopia")),
              (QStringList{"Copia per il destinatario", "Copia per il mittente"}));
    EXPECT_EQ(Testi(capture.Last().Document, QStringLiteral("fdTitoloDoc")).value(0),
              QStringLiteral("DOCUMENTO DI TRASPORTO"));
}

TEST_F(Stampe, DepositRegionPrintsEightSlotsOfAPrintThatDeclaresThem)
{
    ReportCapture capture;
    StampaConCastelletto s;
    ASSERT_TRUE(s.InitFormDocumento(103));
    s.EseguiStampa(true);
    const ReportDocument &doc = capture.Last().Document;
    EXPECT_EQ(s.titoloVisto, QStringLiteral("DOCUMENTO DI TRASPORTO")) << "the host's fields are filled first";
    EXPECT_EQ(Testi(doc, QStringLiteral("lbCastelletto")), QStringList{QStringLiteral("Castelletto cauzioni")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdUT_DsCauz01")), QStringList{QStringLiteral("Cassa 1")});
    EXPECT_EQ(Testi(doc, QStringLiteral("fdUT_EsiFin08")), QStringList{QStringLiteral("8,00")});
    EXPECT_FALSE(Contiene(doc, QStringLiteral("Cassa 9"))) << "the ninth slot is filled but not printed";
    EXPECT_TRUE(Testi(doc, QStringLiteral("fdUT_EsiIni01")).isEmpty()
                || Testi(doc, QStringLiteral("fdUT_EsiIni01")) == QStringList{QString()})
        << "zero opening stock prints blank";

    TfSven0002s nessuno;
    EXPECT_FALSE(nessuno.InitFormDocumento(999));
}

TEST_F(Stampe, DocumentPrintsWritePdfFilesForUnattendedUse)
{
    Fattura(201, 7, QStringLiteral("FTI"), 0, QStringLiteral("C1"));
    Esegui("INSERT INTO BolleForTeste (KBolleForT, IdCausale, Anno, Serie, Numero, DataDocumento, IdFornitoreTp, "
           "IdFornitore) "
           "VALUES (301, 'BFA', 2026, 0, 4, ?, 'FO', 'F1')",
           {Giorno(2026, 3, 6)});
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    QStringList files;
    {
        TfSven0002s bolla;
        ASSERT_TRUE(bolla.InitFormDocumento(101));
        bolla.EseguiStampa(false);
        files << bolla.UltimoFile();
        TfSVen0009s fattura;
        ASSERT_TRUE(fattura.InitFormDocumento(201));
        fattura.EseguiStampa(false);
        files << fattura.UltimoFile();
        TfSAcq0002s fornitore;
        ASSERT_TRUE(fornitore.InitFormDocumento(301));
        fornitore.EseguiStampa(false);
        files << fornitore.UltimoFile();
    }
    qunsetenv("KV8_PRINT_DIR");
    ASSERT_EQ(files.size(), 3);
    for (const QString &file : files) {
        ASSERT_FALSE(file.isEmpty());
        QFile pdf(file);
        ASSERT_TRUE(pdf.open(QIODevice::ReadOnly)) << file.toStdString();
        EXPECT_TRUE(pdf.read(5).startsWith("%PDF"));
        EXPECT_EQ(QFileInfo(file).dir().absolutePath(), QDir(cartella.path()).absolutePath());
    }
    EXPECT_TRUE(QFileInfo(files[0]).fileName().startsWith(QStringLiteral("Sven0002s")));
    EXPECT_TRUE(QFileInfo(files[1]).fileName().startsWith(QStringLiteral("Sven0009s")));
    EXPECT_TRUE(QFileInfo(files[2]).fileName().startsWith(QStringLiteral("Sacq0002s")));
}
