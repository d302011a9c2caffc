// The warehouse journal opened from its menu code and driven as the user does: a
// registration entered, changed and deleted with the stock it books; the checks that refuse
// a save and leave nothing written; a failure inside the transaction and a row changed by
// another user rolling everything back.
#include "tests/host/prints/StampeFixture.h"

#include "host/business/Bmag0001f.h"
#include "host/business/Dmibmag.h"
#include "host/data/TField.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/DBNavigator.h"

#include <QPushButton>
#include <QToolButton>

using namespace kv8test;

namespace {

// Fails the booking of the stock of one article.
class MagazzinoGuasto : public TDMIBMag {
public:
    using TDMIBMag::TDMIBMag;
    QString articolo;
    bool AggiornaEsistenzeMagazzino(TDataSet *movimento, TDataSet *esistenze, bool storno) override
    {
        if (!storno && movimento->FieldByName(QStringLiteral("IdProdotto"))->AsString() == articolo)
            return false;
        return TDMIBMag::AggiornaEsistenzeMagazzino(movimento, esistenze, storno);
    }
};

class PrimaNota : public Stampe {
protected:
    TFBMag0001f *Apri(const QString &codice = QStringLiteral("BMAG0001F")) { return Stampe::Apri<TFBMag0001f>(codice); }
    static void Nav(TFBMag0001f *f, TNavigateBtn b)
    {
        f->Control<TDBNavigator>(QStringLiteral("DBNavigatore"))->Button(b)->click();
        ProcessEvents();
    }
    static void Testa(TFBMag0001f *f, const QString &data, const QString &causale)
    {
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edDataMovimento"), data));
        ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdCausale"), causale));
    }
    static void Rigo(TFBMag0001f *f, const QString &articolo, const QString &magazzino, const QString &quantita,
                     const QString &prezzo)
    {
        Nav(f, nbInsert);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdProdotto"), articolo));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdMagazzino1"), magazzino));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), quantita));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edPrezzoMov"), prezzo));
        Nav(f, nbPost);
    }
    static void Salva(TFBMag0001f *f)
    {
        f->btSalva->click();
        ProcessEvents();
    }
    double Esistenza(const QString &articolo, int magazzino)
    {
        return Valore(QStringLiteral("SELECT COALESCE(SUM(Esistenza), 0) FROM EsistenzeMagazzino WHERE IdProdotto = ? "
                                     "AND IdMagazzino = ? AND Esercizio = 2026"),
                      {articolo, magazzino})
            .toDouble();
    }
    int Movimenti() { return Conta(QStringLiteral("MovMagazzino")); }

    // The registration of three loads saved by the user: 10 A1 and 6 C1 in warehouse 1,
    // 4 B1 in warehouse 2.
    TFBMag0001f *Registrazione()
    {
        TFBMag0001f *f = Apri();
        if (!f)
            return nullptr;
        Testa(f, QStringLiteral("10/03/2026"), QStringLiteral("CAR"));
        Rigo(f, QStringLiteral("A1"), QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("5"));
        Rigo(f, QStringLiteral("B1"), QStringLiteral("2"), QStringLiteral("4"), QStringLiteral("2,5"));
        Rigo(f, QStringLiteral("C1"), QStringLiteral("1"), QStringLiteral("6"), QStringLiteral("3"));
        Salva(f);
        return f;
    }
};

} // namespace

TEST_F(PrimaNota, NewRegistrationChangedAndDeletedKeepsTheStock)
{
    TFBMag0001f *f = Registrazione();
    ASSERT_NE(f, nullptr);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
    EXPECT_EQ(
        Conta(QStringLiteral("MovMagazzino"), QStringLiteral("FlTipoDocum = -1 AND Esercizio = 2026 AND Protocollo = 1 "
                                                             "AND IdCausale = 'CAR'")),
        3);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Valore FROM MovMagazzino WHERE IdProdotto = 'B1'")).toDouble(),
                     10.0);
    EXPECT_EQ(Valore(QStringLiteral("SELECT NumOrdine FROM MovMagazzino WHERE IdProdotto = 'C1'")).toInt(), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), 10);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1"), 2), 4);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1"), 1), 6);
    EXPECT_EQ(f->ProtocolloCaricato(), 1);
    EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("Protocollo"))->AsInteger(), 1);
    EXPECT_EQ(f->TTesta->FieldByName(QStringLiteral("_DsCausale"))->AsString(), QStringLiteral("Carico"));

    // one window at a time
    main->MenuChoice(QStringLiteral("BMAG0001F"));
    EXPECT_EQ(script.LastText(), QStringLiteral("Gestione prima nota magazzino già attiva"));
    f->close();
    ProcessEvents();

    // reopened on the registration: a row changed, one deleted, one added, the causal changed
    f = Apri(QStringLiteral("BMAG0001F;2026;1"));
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->TMovimenti->RecordCount(), 3);
    ASSERT_TRUE(f->TMovimenti->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("7")));
    Nav(f, nbPost);
    ASSERT_TRUE(f->TMovimenti->Locate(QStringLiteral("IdProdotto"), QStringLiteral("C1")));
    f->TMovimenti->Delete();
    Rigo(f, QStringLiteral("B1"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("2,5"));
    Salva(f);
    EXPECT_TRUE(script.Messages().size() == 1) << script.LastText().toStdString();
    EXPECT_EQ(Movimenti(), 3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), 7);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1"), 1), 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1"), 1), 2);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1"), 2), 4);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("Protocollo = 1")), 3)
        << "the registration keeps its protocol";

    Testa(f, QStringLiteral("11/03/2026"), QStringLiteral("SCA"));
    Salva(f);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), -7) << "the whole registration now unloads";
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("IdCausale = 'SCA'")), 3);

    // deleted after the user's Yes: movements and stock gone
    script.No(QStringLiteral(" Conferma cancellazione ? "));
    f->btElimina->click();
    ProcessEvents();
    EXPECT_EQ(Movimenti(), 3);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    f->btElimina->click();
    ProcessEvents();
    EXPECT_EQ(Movimenti(), 0);
    for (const char *a : {"A1", "B1", "C1"})
        for (int m : {1, 2})
            EXPECT_DOUBLE_EQ(Esistenza(QLatin1String(a), m), 0) << a << m;
    EXPECT_EQ(f->ProtocolloCaricato(), 0);

    // a registration that does not exist closes the window it asked for
    f->close();
    ProcessEvents();
    main->MenuChoice(QStringLiteral("BMAG0001F;2026;1"));
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Registrazione di magazzino 2026/1 inesistente: indicare un protocollo registrato."));
    ProcessEvents();
    EXPECT_TRUE(FBMag0001f.isNull());
}

TEST_F(PrimaNota, ChecksRefuseTheSaveAndWriteNothing)
{
    TFBMag0001f *f = Apri();
    ASSERT_NE(f, nullptr);
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Causale di magazzino non indicata: inserire la causale."));
    Testa(f, QStringLiteral("10/03/2026"), QStringLiteral("CAR"));
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun rigo nella registrazione: inserire almeno un articolo."));
    Rigo(f, QStringLiteral("A1"), QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("5"));
    Rigo(f, QStringLiteral("B1"), QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("5"));
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Rigo 2: quantità zero: indicare la quantità movimentata."));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("3")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdMagazzino1"), QStringLiteral("9")));
    Nav(f, nbPost);
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Rigo 2: magazzino 9 inesistente: indicarne uno valido."));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdMagazzino1"), QStringLiteral("1")));
    Nav(f, nbPost);
    Testa(f, QStringLiteral("10/03/2025"), QStringLiteral("CAR"));
    Salva(f);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Nessun esercizio di magazzino comprende il 10/03/2025: crearlo o correggere la data."));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataMovimento"), QStringLiteral("10/03/2026")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C1")));
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Tipo conto <> non valido: indicare CL (cliente) o FO (fornitore)."));
    EXPECT_EQ(Movimenti(), 0);
    EXPECT_EQ(Conta(QStringLiteral("EsistenzeMagazzino")), 0);

    // corrected, it saves once with the account on every row
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdContoTp"), QStringLiteral("CL")));
    script.ClearMessages();
    Salva(f);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"), QStringLiteral("IdContoTp = 'CL' AND IdConto = 'C1'")), 2);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1"), 1), 3);
}

TEST_F(PrimaNota, AFailureInsideTheTransactionRollsEverythingBack)
{
    TFBMag0001f *f = Registrazione();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(Movimenti(), 3);
    f->close();
    ProcessEvents();
    delete DMIBMag.data();
    auto *guasto = new MagazzinoGuasto(Application);
    DMIBMag = guasto;
    guasto->articolo = QStringLiteral("C1");

    f = Apri(QStringLiteral("BMAG0001F;2026;1"));
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->TMovimenti->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("25")));
    Nav(f, nbPost);
    Rigo(f, QStringLiteral("B1"), QStringLiteral("1"), QStringLiteral("8"), QStringLiteral("1"));
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Errore in aggiornamento esistenze di magazzino per l'articolo C1."));
    EXPECT_EQ(Movimenti(), 3);
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM MovMagazzino WHERE IdProdotto = 'A1'")).toDouble(),
                     10);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), 10);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("B1"), 1), 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1"), 1), 6);
    EXPECT_EQ(f->TMovimenti->RecordCount(), 3) << "the window shows the registration as stored";
    ASSERT_TRUE(f->TMovimenti->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    EXPECT_DOUBLE_EQ(f->TMovimenti->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 10);

    // the fault mended, the same change is stored once
    guasto->articolo.clear();
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("25")));
    Nav(f, nbPost);
    script.ClearMessages();
    Salva(f);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), 25);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1"), 1), 6);
    EXPECT_EQ(Movimenti(), 3);
}

TEST_F(PrimaNota, ARowChangedByAnotherUserIsNotOverwritten)
{
    TFBMag0001f *f = Registrazione();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->TMovimenti->Locate(QStringLiteral("IdProdotto"), QStringLiteral("A1")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("12")));
    Nav(f, nbPost);

    // another user's save of the same row, with its stock
    std::unique_ptr<TXDatabase> altro = company.Db().Connect(QStringLiteral("AltroUtente"));
    altro->ExecSQL(QStringLiteral("UPDATE MovMagazzino SET Quantita = 11, Valore = 55 WHERE IdProdotto = 'A1'"));
    altro->ExecSQL(
        QStringLiteral("UPDATE EsistenzeMagazzino SET Esistenza = 11, QuantitaCar = 11 WHERE IdProdotto = 'A1'"));
    Salva(f);
    EXPECT_TRUE(script.LastText().startsWith(QStringLiteral("Record modificato o cancellato da un altro utente")))
        << script.LastText().toStdString();
    EXPECT_DOUBLE_EQ(Valore(QStringLiteral("SELECT Quantita FROM MovMagazzino WHERE IdProdotto = 'A1'")).toDouble(),
                     11);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), 11);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("C1"), 1), 6);
    EXPECT_DOUBLE_EQ(
        f->TMovimenti->Lookup(QStringLiteral("IdProdotto"), QStringLiteral("A1"), QStringLiteral("Quantita"))
            .toDouble(),
        11)
        << "the window shows the other user's row";
}

TEST_F(PrimaNota, ATransferBooksItsCounterMovement)
{
    Esegui("INSERT INTO CausaliMagaz (IdCausale, DsCausale, FlEsistenza, FlClasse, IdContropartita) VALUES "
           "('TRS', 'Trasferimento scarico', -1, 4, 'TRC'), ('TRC', 'Trasferimento carico', 1, 0, ''), "
           "('TRX', 'Trasferimento senza contropartita', -1, 4, '')");
    TFBMag0001f *f = Apri();
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("12/03/2026"), QStringLiteral("TRX"));
    Rigo(f, QStringLiteral("A1"), QStringLiteral("1"), QStringLiteral("5"), QStringLiteral("4"));
    Salva(f);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("La causale di trasferimento <TRX> non ha una causale di contropartita valida: "
                             "indicarla nella causale di magazzino."));
    EXPECT_EQ(Movimenti(), 0);

    Testa(f, QStringLiteral("12/03/2026"), QStringLiteral("TRS"));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdMagazzino2"), QStringLiteral("2")));
    Nav(f, nbPost);
    script.ClearMessages();
    Salva(f);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"),
                    QStringLiteral("SubNumOrdine = 0 AND IdCausale = 'TRS' AND IdMagazzino1 = 1 "
                                   "AND IdMagazzino2 = 2")),
              1);
    EXPECT_EQ(Conta(QStringLiteral("MovMagazzino"),
                    QStringLiteral("SubNumOrdine = 1 AND IdCausale = 'TRC' AND IdMagazzino1 = 2 "
                                   "AND IdMagazzino2 = 1 AND Quantita = 5 AND Protocollo = 1")),
              1);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), -5);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 2), 5);
    EXPECT_EQ(f->TMovimenti->RecordCount(), 1) << "the counter-movement is not a row of the registration";

    EXPECT_TRUE(Scrivi(f, QStringLiteral("edQuantita"), QStringLiteral("3")));
    Nav(f, nbPost);
    Salva(f);
    EXPECT_EQ(Movimenti(), 2);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), -3);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 2), 3);

    // a plain causal now: the counter-movement goes, and so does its stock
    Testa(f, QStringLiteral("12/03/2026"), QStringLiteral("SCA"));
    Salva(f);
    EXPECT_EQ(Movimenti(), 1);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 2), 0);
    EXPECT_EQ(Valore(QStringLiteral("SELECT IdMagazzino2 FROM MovMagazzino")).toInt(), 1);

    Testa(f, QStringLiteral("12/03/2026"), QStringLiteral("TRS"));
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdMagazzino2"), QStringLiteral("2")));
    Nav(f, nbPost);
    Salva(f);
    script.Yes(QStringLiteral(" Conferma cancellazione ? "));
    f->btElimina->click();
    ProcessEvents();
    EXPECT_EQ(Movimenti(), 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 1), 0);
    EXPECT_DOUBLE_EQ(Esistenza(QStringLiteral("A1"), 2), 0);
}

TEST_F(PrimaNota, UnsavedChangesAreLeftOnlyAfterAYes)
{
    const QString domanda = QStringLiteral("La registrazione ha modifiche non salvate: abbandonarle ?");
    TFBMag0001f *f = Apri();
    ASSERT_NE(f, nullptr);
    f->close(); // nothing typed: closes at once
    ProcessEvents();
    EXPECT_TRUE(FBMag0001f.isNull());

    f = Apri();
    ASSERT_NE(f, nullptr);
    Testa(f, QStringLiteral("10/03/2026"), QStringLiteral("CAR"));
    Rigo(f, QStringLiteral("A1"), QStringLiteral("1"), QStringLiteral("10"), QStringLiteral("5"));
    script.No(domanda);
    f->btNuovo->click();
    ProcessEvents();
    EXPECT_EQ(f->TMovimenti->RecordCount(), 1) << "No keeps the rows typed";
    script.No(domanda);
    f->close();
    ProcessEvents();
    ASSERT_FALSE(FBMag0001f.isNull());
    script.Yes(domanda);
    f->close();
    ProcessEvents();
    EXPECT_TRUE(FBMag0001f.isNull());
    EXPECT_EQ(Movimenti(), 0);
}
