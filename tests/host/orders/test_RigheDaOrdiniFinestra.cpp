// The document windows' "Righe da ordini..." command: the order-line selection opened from the
// window's button, the invoice holding the open selection while it is shown.
#include "tests/host/documents/DocumentiFixture.h"

#include "host/business/SceltaOrdini.h"
#include "host/business/Sorc0001f.h"
#include "host/business/Sven0001f_001.h"

namespace {

class RigheDaOrdini : public Documenti {
protected:
    void SetUp() override
    {
        Documenti::SetUp();
        if (IsSkipped())
            return;
        Esegui("INSERT INTO CausaliOrdiniCli (IdCausale, DsCausale, Serie) VALUES ('OC', 'Ordine cliente', 0)");
        SceltaOrdini::Registra();
    }

    // An order of C1 for one article, saved by the user.
    void Ordine(const QString &articolo, const QString &quantita)
    {
        auto *f = Apri<TFSOrc0001f>(QStringLiteral("SORC0001F"));
        ASSERT_NE(f, nullptr);
        Testa(f, QStringLiteral("OC"), QStringLiteral("C1"));
        NuovoRigo(f, articolo, quantita, QStringLiteral("5"));
        script.No(QStringLiteral("Effettuo stampa ? "));
        Premi(f, nbPost);
        ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
        f->Close();
        kv8test::ProcessEvents();
    }

    // The selection shown: the line of the article marked whole, OK.
    static int Scegli(TForm &d, const QString &articolo)
    {
        auto &dlg = dynamic_cast<TFSVen0001f_001 &>(d);
        EXPECT_TRUE(dlg.TSelOrdR->Locate(QStringLiteral("IdProdotto"), articolo)) << articolo.toStdString();
        dlg.SelezionaRigo();
        return int(mrOk);
    }

    static QStringList Righe(TFDocumento *f)
    {
        QStringList righe;
        for (f->TRighe->First(); !f->TRighe->Eof(); f->TRighe->Next())
            righe << QStringLiteral("%1/%2/%3")
                         .arg(f->TRighe->FieldByName(QStringLiteral("IdProdotto"))->AsString())
                         .arg(f->TRighe->FieldByName(QStringLiteral("Quantita"))->AsFloat())
                         .arg(f->TRighe->FieldByName(QStringLiteral("KOrdineR"))->AsInteger() != 0);
        return righe;
    }
};

TEST_F(RigheDaOrdini, TheInvoiceHoldsTheOpenSelectionWhileItIsShownAndTakesTheLinesChosen)
{
    Ordine(QStringLiteral("A1"), QStringLiteral("10"));
    Ordine(QStringLiteral("B1"), QStringLiteral("4"));
    auto *f = Apri<TFSVen0008f>(QStringLiteral("SVEN0008F_F"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("FD"), QStringLiteral("C1"));
    EXPECT_FALSE(f->SelezioneOrdiniAttiva());
    EXPECT_FALSE(f->btnOrdini->isHidden()) << "an invoice takes order lines";

    bool attiva = false;
    bool stesso = false;
    int ordini = 0;
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) {
        attiva = f->SelezioneOrdiniAttiva();
        stesso = static_cast<QObject *>(f->DialogoOrdini.data()) == &d;
        ordini = f->ContaOrdini;
        return Scegli(d, QStringLiteral("B1"));
    });
    f->btnOrdini->click();
    kv8test::ProcessEvents();
    EXPECT_TRUE(attiva) << "the invoice knows the selection while the user is in it";
    EXPECT_TRUE(stesso) << "the dialog shown is the one the invoice holds";
    EXPECT_EQ(ordini, 2) << "both orders of the customer on offer";
    EXPECT_EQ(Righe(f), QStringList{QStringLiteral("B1/4/1")});
    EXPECT_FALSE(f->SelezioneOrdiniAttiva()) << "the selection closed: the invoice no longer holds it";
    EXPECT_TRUE(f->DialogoOrdini.isNull());

    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE IdProdotto = 'B1'")).toDouble(), 4);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT QuantitaSpe FROM OrdiniCliRighe WHERE IdProdotto = 'A1'")).toDouble(), 0);
    f->Close();
}

TEST_F(RigheDaOrdini, TheDeliveryNoteTakesTheLinesFromItsButtonAndACustomerWithoutOrdersIsTold)
{
    Ordine(QStringLiteral("A1"), QStringLiteral("10"));
    auto *f = Apri<TFSVen0001f>(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    script.OnDialog(QStringLiteral("TFSVen0001f_001"), [&](TForm &d) { return Scegli(d, QStringLiteral("A1")); });
    f->btnOrdini->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(Righe(f), QStringList{QStringLiteral("A1/10/1")});
    script.No(QStringLiteral("Effettuo stampa ? "));
    Premi(f, nbPost);
    ASSERT_TRUE(f->SalvataggioRiuscito) << script.LastText().toStdString();
    EXPECT_EQ(Valore(QStringLiteral("SELECT FlStato FROM OrdiniCliRighe WHERE IdProdotto = 'A1'")).toInt(), 2);

    // the order fulfilled: a new note of the customer finds nothing to take
    ASSERT_TRUE(f->InitDoc(0));
    Testa(f, QStringLiteral("DDT"), QStringLiteral("C1"));
    f->btnOrdini->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(script.LastText(), QStringLiteral("Il cliente non ha righe d'ordine da evadere."));
    EXPECT_TRUE(f->TRighe->IsEmpty());
    script.AllowUnusedAnswers();
    script.Yes();
    f->Close();
}

} // namespace
