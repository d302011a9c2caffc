// The excise document print and the journal opened from their menu codes: the boxes of each
// D.A.A. with the consignee's data, its rows and foot; the dot-matrix text; the journal lines;
// the selection; a PDF of each.
#include "tests/module/excise/AccisaFixture.h"

#include "registers/Qarn0402d.h"
#include "registers/Qarn0404d.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

using namespace kv8test;

namespace {

class StampaDaa : public Accisa {
protected:
    void SetUp() override
    {
        Accisa::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral("UPDATE DatiAzienda SET RagioneSociale = 'Cantina Sociale', Indirizzo = 'Via Vigna 3', "
                              "IdCap = '12051', Citta = 'Alba', PartitaIva = '09876543210', Telefono1 = '0173 000'"));
        if (Conta(QStringLiteral("DatiAzienda")) == 0)
            Esegui(QStringLiteral(
                "INSERT INTO DatiAzienda (IdAzienda, RagioneSociale, Indirizzo, IdCap, Citta, PartitaIva, "
                "Telefono1) VALUES (1, 'Cantina Sociale', 'Via Vigna 3', '12051', 'Alba', '09876543210', "
                "'0173 000')"));
        ParametriAccisa(QStringLiteral("Certificato DOC"));
        // 1: customer C1 without destination, two rows; 2: C2 at its destination 1; 3: C1, rows removed
        Documento(1, 10, 2026, 1, 1, QStringLiteral("C1"));
        Riga(1, 101, 10, QStringLiteral("VINO"), 12, 12, 2, 9);
        Riga(1, 102, 10, QStringLiteral("SPUM"), 6, 6, 1, 4.5);
        Documento(1, 11, 2026, 1, 2, QStringLiteral("C2"), 1);
        Riga(1, 111, 11, QStringLiteral("VINO"), 1, 1, 1, 0.75);
        Documento(1, 12, 2026, 1, 3, QStringLiteral("C1"), 0, QDate(2026, 3, 15));
        Riga(1, 121, 12, QStringLiteral("VINO"), 1, 1, 1, 0.75);
        Genera(1);
        Esegui(QStringLiteral(
            "DELETE FROM LUMO_DocAccR WHERE KContaT = (SELECT KContaT FROM LUMO_DocAccT WHERE Numero = 3)"));
        script.ClearMessages();
    }
    template <class T>
    ReportCapture::Print Stampa(const QString &codice, const std::function<void(TXMemTable *)> &selezione = {})
    {
        T *f = Apri<T>(codice);
        if (!f)
            return {};
        for (const char *campo : {"Da_Data", "A_Data", "Da_Numero", "A_Numero", "IdConto", "IdDestinazione"})
            f->tPars->FieldByName(QString::fromLatin1(campo))->Clear();
        if (selezione)
            selezione(f->tPars);
        ReportCapture capture;
        f->btEsegui->click();
        ProcessEvents();
        f->Close();
        ProcessEvents();
        return capture.Prints().isEmpty() ? ReportCapture::Print{} : capture.Last();
    }
};

} // namespace

TEST_F(StampaDaa, EachDocumentOnItsPagesWithItsBoxes)
{
    const ReportCapture::Print stampa = Stampa<TFqarn0402d>(QStringLiteral("QARN0402D"));
    ASSERT_FALSE(stampa.IsText) << script.Texts().join('|').toStdString();
    const ReportDocument &doc = stampa.Document;
    ASSERT_EQ(doc.PageCount(), 3) << "one page each, the one without rows too";
    const ReportPage &p1 = doc.Pages[0];
    EXPECT_TRUE(p1.HasText(QStringLiteral("DOCUMENTO AMMINISTRATIVO DI ACCOMPAGNAMENTO")));
    EXPECT_TRUE(p1.HasText(QStringLiteral("COMUNITA' EUROPEA")));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDittaRagSoc")), QStringList{"Cantina Sociale"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDittaPartitaIva")), QStringList{"09876543210"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdCodAccisa")), QStringList{"IT00SPED"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdNumero")), QStringList{"1"});
    // without destination: the customer's excise data, box 7a empty
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdCodiceAccDestinatario")), QStringList{"IT00ACC1"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdRappFiscale")), QStringList{"Rappr. C1"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDurataViaggio")), QStringList{"2 giorni"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDsNazione")), QStringList{"Germania"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDD_RagioneSociale")).value(0), QString());
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdRagioneSociale")), QStringList{"Enoteca Rossi"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDsSpedizione1")), QStringList{"Vettore Uno"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDataTra")).value(0), QString()) << "box 16 blank until filled";
    // the rows and the foot
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdIdProdotto")), (QStringList{"VINO", "SPUM"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdPesoNetto")), (QStringList{"9,060", "4,800"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdTotLit")), (QStringList{"9,00", "4,50"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdNomenclat")), (QStringList{"22042179", "22041000"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdNoteChiusura1")), QStringList{"Certificato DOC"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdFirma")), QStringList{"Mario Neri"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDittaTelefono")), QStringList{"0173 000"});
    // with destination: the destination's data, even empty
    const ReportPage &p2 = doc.Pages[1];
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdDD_RagioneSociale")), QStringList{"Deposito Bianchi"});
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdCodiceAccDestinatario")), QStringList{"AT00DEST"});
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdDsNazione")), QStringList{"Austria"});
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdRappFiscale")).value(0), QString());
    EXPECT_EQ(p2.TextsOf(QStringLiteral("fdDurataViaggio")).value(0), QString());
    // no rows: the head and the foot all the same
    const ReportPage &p3 = doc.Pages[2];
    EXPECT_EQ(p3.TextsOf(QStringLiteral("fdNumero")), QStringList{"3"});
    EXPECT_TRUE(p3.TextsOf(QStringLiteral("fdIdProdotto")).isEmpty());
    EXPECT_EQ(p3.TextsOf(QStringLiteral("fdNoteChiusura1")), QStringList{"Certificato DOC"});

    // box 16 once filled
    Esegui(QStringLiteral("UPDATE LUMO_DocAccT SET DataTra = ? WHERE Numero = 1"),
           {QDateTime(QDate(2026, 3, 21), QTime(0, 0))});
    const ReportCapture::Print dopo = Stampa<TFqarn0402d>(QStringLiteral("QARN0402D"), [](TXMemTable *p) {
        p->FieldByName(QStringLiteral("A_Numero"))->SetAsInteger(1);
    });
    ASSERT_EQ(dopo.Document.PageCount(), 1);
    EXPECT_EQ(dopo.Document.Pages[0].TextsOf(QStringLiteral("fdDataTra")), QStringList{"21/03/2026"});
}

TEST_F(StampaDaa, WithoutParametersTheSenderBoxesAreEmpty)
{
    Esegui(QStringLiteral("DELETE FROM LUMO_ParAcc"));
    const ReportCapture::Print stampa = Stampa<TFqarn0402d>(QStringLiteral("QARN0402D"));
    ASSERT_EQ(stampa.Document.PageCount(), 3) << script.Texts().join('|').toStdString();
    EXPECT_EQ(stampa.Document.Pages[0].TextsOf(QStringLiteral("fdCodAccisa")).value(0), QString());
    EXPECT_EQ(stampa.Document.Pages[0].TextsOf(QStringLiteral("fdNoteChiusura1")), QStringList{"Certificato DOC"})
        << "the head's own copy of the notes";
}

TEST_F(StampaDaa, TheSelectionByCustomerDestinationAndDate)
{
    Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_FlTipCli = 1 WHERE IdConto = 'C2'"));
    const auto numeri = [](const ReportCapture::Print &p) {
        QStringList out;
        for (const ReportPage &pagina : p.Document.Pages)
            out += pagina.TextsOf(QStringLiteral("fdNumero"));
        return out;
    };
    EXPECT_EQ(numeri(Stampa<TFqarn0402d>(
                  QStringLiteral("QARN0402D"),
                  [](TXMemTable *p) { p->FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C1")); })),
              (QStringList{"1", "3"}));
    EXPECT_EQ(
        numeri(Stampa<TFqarn0402d>(QStringLiteral("QARN0402D"),
                                   [](TXMemTable *p) {
                                       p->FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C2"));
                                       p->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(1);
                                   })),
        QStringList{"2"});
    EXPECT_EQ(
        numeri(Stampa<TFqarn0402d>(
            QStringLiteral("QARN0402D"),
            [](TXMemTable *p) {
                p->FieldByName(QStringLiteral("Da_Numero"))->SetAsInteger(2);
                p->FieldByName(QStringLiteral("Da_Data"))->SetAsDateTime(QDateTime(QDate(2026, 3, 20), QTime(0, 0)));
                p->FieldByName(QStringLiteral("A_Data"))->SetAsDateTime(QDateTime(QDate(2026, 3, 20), QTime(0, 0)));
            })),
        (QStringList{"2", "3"}));
}

TEST_F(StampaDaa, TheDotMatrixTextHasABlockAndAFormFeedPerDocument)
{
    Parametri(2);
    const ReportCapture::Print testo = Stampa<TFqarn0402d>(QStringLiteral("QARN0402D"));
    ASSERT_TRUE(testo.IsText) << script.Texts().join('|').toStdString();
    EXPECT_EQ(testo.Text.count(QLatin1Char('\f')), 3) << testo.Text.toStdString();
    const QStringList blocchi = testo.Text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
    ASSERT_EQ(blocchi.size(), 3);
    EXPECT_TRUE(blocchi[0].contains(QStringLiteral("Enoteca Rossi")));
    EXPECT_TRUE(blocchi[0].contains(QStringLiteral("VINO")));
    EXPECT_TRUE(blocchi[0].contains(QStringLiteral("SPUM")));
    EXPECT_TRUE(blocchi[0].contains(QStringLiteral("23 Certificati: Certificato DOC")));
    EXPECT_TRUE(blocchi[1].contains(QStringLiteral("Deposito Bianchi")));
    EXPECT_FALSE(blocchi[1].contains(QStringLiteral("SPUM")));
    EXPECT_FALSE(blocchi[2].contains(QStringLiteral("VINO"))) << "the third has no rows";
    EXPECT_TRUE(blocchi[2].contains(QStringLiteral("23 Certificati:")));
}

TEST_F(StampaDaa, WhileTheDotMatrixPrintRunsTheDialogNeitherClosesNorPrintsAgain)
{
    Parametri(2);
    auto *f = Apri<TFqarn0402d>(QStringLiteral("QARN0402D"));
    ASSERT_NE(f, nullptr);
    for (const char *campo : {"Da_Data", "A_Data", "Da_Numero", "A_Numero", "IdConto", "IdDestinazione"})
        f->tPars->FieldByName(QString::fromLatin1(campo))->Clear();
    QPointer<TFqarn0402d> finestra(f);
    // waiting in the queue, they reach the dialog while the print lets window messages through
    const QPoint centro = f->btEsegui->rect().center();
    for (QEvent::Type tipo : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
        QCoreApplication::postEvent(f->btEsegui,
                                    new QMouseEvent(tipo, QPointF(centro), f->btEsegui->mapToGlobal(QPointF(centro)),
                                                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    bool chiusa = true;
    QTimer::singleShot(0, f, [&] { chiusa = f->Close(); });
    ReportCapture capture;
    f->btEsegui->click();
    EXPECT_EQ(capture.Prints().size(), 1) << "printed once";
    EXPECT_FALSE(chiusa) << "a close asked during the print is refused";
    ProcessEvents();
    EXPECT_EQ(capture.Prints().size(), 1) << "the click made during the print is gone";
    ASSERT_FALSE(finestra.isNull());
    EXPECT_TRUE(f->Close()) << "closes once the print is over";
}

TEST_F(StampaDaa, TheJournalListsEachDocumentOnce)
{
    Destinazione(QStringLiteral("C2"), 2, QStringLiteral("Seconda sede"), 1);
    Destinazione(QStringLiteral("C1"), 4, QStringLiteral("Altra sede"), 1);
    const ReportCapture::Print stampa = Stampa<TFqarn0404d>(QStringLiteral("QARN0404D"));
    ASSERT_EQ(stampa.Document.PageCount(), 1) << script.Texts().join('|').toStdString();
    const ReportPage &p = stampa.Document.Pages[0];
    EXPECT_TRUE(p.HasText(QStringLiteral("Brogliaccio D.A.A.")));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdNumero")), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdRagioneSociale")),
              (QStringList{"Enoteca Rossi", "Bar Bianchi", "Enoteca Rossi"}));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdIdDestinazione")), QStringList{"1"}) << "blank without destination";
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdTipoDocColl")), (QStringList{"DDT", "DDT", "DDT"}));
    EXPECT_EQ(p.TextsOf(QStringLiteral("fdNumeroColl")), (QStringList{"1", "2", "3"}));
    const ReportCapture::Print cliente = Stampa<TFqarn0404d>(QStringLiteral("QARN0404D"), [](TXMemTable *t) {
        t->FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C1"));
    });
    EXPECT_EQ(cliente.Document.Pages[0].TextsOf(QStringLiteral("fdNumero")), (QStringList{"1", "3"}));
}

TEST_F(StampaDaa, APdfOfEach)
{
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    for (const QString &codice : {QStringLiteral("QARN0402D"), QStringLiteral("QARN0404D")}) {
        auto *f = main->MenuChoice(codice);
        ASSERT_NE(f, nullptr);
        static_cast<TFDBChildPars *>(f)->btEsegui->click();
        ProcessEvents();
        f->Close();
        ProcessEvents();
    }
    qunsetenv("KV8_PRINT_DIR");
    EXPECT_EQ(QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files).size(), 2);
}
