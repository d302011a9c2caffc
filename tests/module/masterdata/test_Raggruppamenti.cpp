// The warehouse groupings window opened from its menu code: the rows kept in a buffer with
// their states while a grouping is edited, saved in one transaction (or not at all), the
// navigator and its keys, the questions, duplicates, failures in the middle of a save, rows
// removed by another user meanwhile, and the print of the groupings.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/report/ReportOutput.h"
#include "host/ui/DBGrid.h"
#include "masterdata/Qarn0009f.h"
#include "tests/support/ui/Program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>
#include <QTemporaryDir>

#include <functional>
#include <utility>

using namespace kv8test;

namespace {

const QString Registrazione = QStringLiteral("Conferma Registrazione ?");
const QString Cancellazione = QStringLiteral("Conferma Cancellazione ?");
const QString Abbandono = QStringLiteral("Conferma Abbandono Modifiche ?");

class Raggruppamenti : public MasterDettaglio {
protected:
    void SetUp() override
    {
        MasterDettaglio::SetUp();
        if (IsSkipped())
            return;
        const char *nomi[] = {"Cantina centrale", "Magazzino Bari",     "Deposito Verona",
                              "Enoteca Roma",     "Punto vendita Asti", "Magazzino fiscale"};
        for (int m = 1; m <= 6; ++m)
            Esegui(QStringLiteral("INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (?, ?)"),
                   {m, QLatin1String(nomi[m - 1])});
        Gruppo(1, QStringLiteral("Cantina"), {1, 2, 3});
        Gruppo(2, QStringLiteral("Deposito"), {4});
    }

    void Gruppo(int codice, const QString &nome, const QList<int> &magazzini)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagT (IdRaggMag, DsRaggrupp) VALUES (?, ?)"), {codice, nome});
        for (int m : magazzini)
            Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (?, ?)"), {codice, m});
    }
    // The warehouses stored for a grouping, in order.
    QStringList Magazzini(int gruppo)
    {
        return Elenco(QStringLiteral("SELECT IdMagazzino FROM LUMO_RaggMagR WHERE IdRaggMag = ? ORDER BY IdMagazzino"),
                      {gruppo});
    }

    TFqarn0009f *Finestra()
    {
        auto *f = Apri<TFqarn0009f>(QStringLiteral("QARN0009F"));
        return f;
    }
    static void Vai(TFqarn0009f *f, int gruppo) { ASSERT_TRUE(f->tMain->Locate(QStringLiteral("IdRaggMag"), gruppo)); }
    // A row added in the buffer with the warehouse given.
    static void Aggiungi(TFqarn0009f *f, int magazzino)
    {
        f->TTDettaglio->Append();
        f->TTDettaglio->FieldByName(QStringLiteral("IdMagazzino"))->SetAsInteger(magazzino);
        f->TTDettaglio->Post();
    }
    static void Cambia(TFqarn0009f *f, int da, int a)
    {
        ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdMagazzino"), da)) << da;
        f->TTDettaglio->Edit();
        f->TTDettaglio->FieldByName(QStringLiteral("IdMagazzino"))->SetAsInteger(a);
        f->TTDettaglio->Post();
    }
    // The row of a warehouse deleted with the rows' navigator.
    void Togli(TFqarn0009f *f, int magazzino)
    {
        ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdMagazzino"), magazzino)) << magazzino;
        script.Yes(Cancellazione);
        f->Control<TDBNavigator>(QStringLiteral("navDettaglio"))->Button(nbDelete)->click();
        ProcessEvents();
    }
    QStringList Buffer(TFqarn0009f *f, bool tutte = false)
    {
        return Righe(f->bDettaglio, QStringLiteral("IdMagazzino"), tutte);
    }
    void Salva(TFqarn0009f *f)
    {
        script.Yes(Registrazione);
        Premi(f, nbPost);
    }
};

} // namespace

TEST_F(Raggruppamenti, OpensFromItsCodeOnTheStoredRows)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Raggruppamento Magazzini"));
    EXPECT_EQ(Fqarn0009f.data(), f);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);
    EXPECT_FALSE(f->DSDettaglio->AutoEdit());
    EXPECT_FALSE(f->Control(QStringLiteral("pnRiga"))->isEnabled());
    EXPECT_TRUE(f->Control(QStringLiteral("navDettaglio"))->isEnabled());

    auto *griglia = f->Control<KDBGriglia>(QStringLiteral("GrigliaDettaglio"));
    ASSERT_EQ(griglia->ColumnCount(), 2);
    EXPECT_EQ(griglia->Columns(0).FieldName, QStringLiteral("IdMagazzino"));
    EXPECT_EQ(griglia->Columns(1).Title, QStringLiteral("Descrizione"));

    // the stored rows follow the grouping, with the warehouses' names
    Vai(f, 1);
    QStringList righe;
    for (f->qDettaglio->First(); !f->qDettaglio->Eof(); f->qDettaglio->Next())
        righe << f->qDettaglio->FieldByName(QStringLiteral("IdMagazzino"))->AsString() + QLatin1Char(' ')
                     + f->qDettaglio->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    righe.sort();
    EXPECT_EQ(righe, (QStringList{"1 Cantina centrale", "2 Magazzino Bari", "3 Deposito Verona"}));
    Vai(f, 2);
    EXPECT_EQ(f->qDettaglio->RecordCount(), 1);

    // closed, the reference empties; chosen again, a fresh window
    EXPECT_TRUE(f->Close());
    ProcessEvents();
    EXPECT_TRUE(Fqarn0009f.isNull());
    TFqarn0009f *g = Finestra();
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(Fqarn0009f.data(), g);
    EXPECT_EQ(g->tMain->State(), dsBrowse);
}

TEST_F(Raggruppamenti, ANewGroupingIsSavedWithItsRows)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    ASSERT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->TTDettaglio);
    EXPECT_TRUE(f->DSDettaglio->AutoEdit());
    EXPECT_TRUE(f->Control(QStringLiteral("pnRiga"))->isEnabled());
    EXPECT_EQ(f->TipoOperazione, 0);
    EXPECT_TRUE(Buffer(f).isEmpty());

    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("7")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsRaggrupp"), QStringLiteral("Spumanti")));
    // a row through the rows' navigator and the row panel
    f->Control<TDBNavigator>(QStringLiteral("navDettaglio"))->Button(nbInsert)->click();
    ProcessEvents();
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdMagazzino"), QStringLiteral("5")));
    f->Control<TDBNavigator>(QStringLiteral("navDettaglio"))->Button(nbPost)->click();
    ProcessEvents();
    Aggiungi(f, 6);
    EXPECT_EQ(f->TTDettaglio->FieldByName(QStringLiteral("RagioneSociale"))->AsString(),
              QStringLiteral("Magazzino fiscale"));
    // a warehouse the host does not have is taken, with no name
    Aggiungi(f, 99);
    EXPECT_EQ(f->TTDettaglio->FieldByName(QStringLiteral("RagioneSociale"))->AsString(), QString());
    EXPECT_EQ(Buffer(f), (QStringList{"5/2", "6/2", "99/2"}));

    Salva(f);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(script.Texts(), QStringList{Registrazione});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdRaggMag, DsRaggrupp FROM LUMO_RaggMagT WHERE IdRaggMag = 7")),
              QStringList{"7/Spumanti"});
    EXPECT_EQ(Magazzini(7), (QStringList{"5", "6", "99"}));
    // back on the stored rows
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);
    EXPECT_FALSE(f->TTDettaglio->Active());
    EXPECT_FALSE(f->Control(QStringLiteral("pnRiga"))->isEnabled());
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger(), 7);
    EXPECT_EQ(f->qDettaglio->RecordCount(), 3);
}

TEST_F(Raggruppamenti, RowsAddedBeforeTheCodeIsTypedAreSavedUnderIt)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    Aggiungi(f, 2);
    Aggiungi(f, 3);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("8")));
    EXPECT_EQ(Buffer(f), (QStringList{"2/2", "3/2"})) << "the rows stay in view";
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(8), (QStringList{"2", "3"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagR"), QStringLiteral("IdRaggMag = 0")), 0);

    // a new grouping needs its code
    Premi(f, nbInsert);
    Aggiungi(f, 4);
    Salva(f);
    EXPECT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Il campo 'Codice Ragg.Magazzino' non è impostato: indicarlo prima di registrare."));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagR")), 6);
}

TEST_F(Raggruppamenti, AnExistingGroupingKeepsItsCodeWhileModified)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    ASSERT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(f->TipoOperazione, 1);
    EXPECT_TRUE(f->tMain->FieldByName(QStringLiteral("IdRaggMag"))->ReadOnly());
    auto *codice = f->Control<TDBEdit>(QStringLiteral("edIdRaggMag"));
    EXPECT_TRUE(codice->isReadOnly());
    Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("9"));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger(), 1);
    Salva(f);
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 9")), 0);

    // a new grouping takes its code
    Premi(f, nbInsert);
    EXPECT_FALSE(f->tMain->FieldByName(QStringLiteral("IdRaggMag"))->ReadOnly());
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("9")));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger(), 9);
}

TEST_F(Raggruppamenti, ModifiedAndNewRowsKeepTheirStates)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    QStringList caricate = Buffer(f);
    caricate.sort();
    EXPECT_EQ(caricate, (QStringList{"1/0", "2/0", "3/0"})) << "loaded rows read as unchanged";

    Cambia(f, 1, 5); // a loaded row whose warehouse changes
    Cambia(f, 5, 6); // modified twice: still modified
    Aggiungi(f, 4);
    Cambia(f, 4, 5); // a new row modified: still new
    QStringList stati = Buffer(f);
    stati.sort();
    EXPECT_EQ(stati, (QStringList{"2/0", "3/0", "5/2", "6/1"}));

    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(1), (QStringList{"2", "3", "5", "6"})) << "the row loaded as 1 was found and overwritten";
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);
    EXPECT_EQ(f->qDettaglio->RecordCount(), 4) << "the grid shows what was saved";
    EXPECT_EQ(Magazzini(2), QStringList{"4"});
}

TEST_F(Raggruppamenti, ADeletedRowIsKeptUntilTheSave)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Togli(f, 2);
    QStringList visibili = Buffer(f);
    visibili.sort();
    EXPECT_EQ(visibili, (QStringList{"1/0", "3/0"}));
    QStringList tutte = Buffer(f, true);
    tutte.sort();
    EXPECT_EQ(tutte, (QStringList{"1/0", "2/3", "3/0"}));

    // the head cancelled: nothing changed
    script.Yes(Abbandono);
    Premi(f, nbCancel);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));

    // deleted again and saved: exactly that row goes
    Premi(f, nbEdit);
    Togli(f, 2);
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "3"}));
    EXPECT_EQ(Magazzini(2), QStringList{"4"});
}

TEST_F(Raggruppamenti, ADeletedWarehouseAddedAgainIsSaved)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Togli(f, 3);
    Aggiungi(f, 3);
    Cambia(f, 1, 6);
    Aggiungi(f, 1); // the warehouse the modified row leaves
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3", "6"}));
}

TEST_F(Raggruppamenti, EachRowOfTheBufferIsSavedOnceAsLeft)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Togli(f, 2);
    Cambia(f, 3, 6);
    f->TTDettaglio->First();
    f->TTDettaglio->Insert(); // before the first row
    f->TTDettaglio->FieldByName(QStringLiteral("IdMagazzino"))->SetAsInteger(5);
    f->TTDettaglio->Post();
    Aggiungi(f, 4);
    Togli(f, 4);    // a new row deleted: gone
    Aggiungi(f, 2); // the deleted warehouse again
    QStringList tutte = Buffer(f, true);
    tutte.sort();
    EXPECT_EQ(tutte, (QStringList{"1/0", "2/2", "2/3", "5/2", "6/1"}));
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "5", "6"}));
    EXPECT_EQ(Magazzini(2), QStringList{"4"}) << "another grouping's rows stay";
}

TEST_F(Raggruppamenti, ARowAddedAndDeletedNeverReachesTheDatabase)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 2);
    Premi(f, nbEdit);
    Aggiungi(f, 5);
    Togli(f, 5);
    EXPECT_EQ(Buffer(f, true), QStringList{"4/0"});
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(2), QStringList{"4"});
}

TEST_F(Raggruppamenti, AnUntouchedNewRowIsDroppedSilently)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    // left by moving away
    f->TTDettaglio->Append();
    f->TTDettaglio->First();
    EXPECT_EQ(Buffer(f, true).size(), 3);
    EXPECT_TRUE(script.Messages().isEmpty());

    // pending at a save request: dropped, and the request ends without a word
    Cambia(f, 1, 5);
    f->TTDettaglio->Append();
    Premi(f, nbPost);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Buffer(f, true).size(), 3);
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));
    // the next request saves
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(1), (QStringList{"2", "3", "5"}));
}

TEST_F(Raggruppamenti, TheQuestionsAnsweredNoChangeNothing)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Cambia(f, 1, 5);
    script.No(Registrazione);
    Premi(f, nbPost);
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_TRUE(Buffer(f).contains(QStringLiteral("5/1")));
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));

    script.No(Abbandono);
    Premi(f, nbCancel);
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_TRUE(Buffer(f).contains(QStringLiteral("5/1")));
    script.Yes(Abbandono);
    Premi(f, nbCancel);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));

    // deleting a grouping: No keeps it, Yes removes it with its rows
    script.No(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(f->TipoOperazione, 2);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 1")), 1);
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 1")), 0);
    EXPECT_TRUE(Magazzini(1).isEmpty());
    EXPECT_EQ(Magazzini(2), QStringList{"4"});
    // the question of a save is asked with Yes as default, the deletion's with No
    ASSERT_GE(script.Messages().size(), 2);
    EXPECT_EQ(script.Messages().first().Flag, 0);
    EXPECT_EQ(script.Messages().last().Flag, 1);
}

TEST_F(Raggruppamenti, AGroupingWithoutRowsIsSavedAndDeleted)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("9")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsRaggrupp"), QStringLiteral("Vuoto")));
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 9")), 1);

    // a head left as it was: its rows saved, the head untouched
    Premi(f, nbEdit);
    Aggiungi(f, 6);
    Salva(f);
    EXPECT_EQ(Magazzini(9), QStringList{"6"});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT DsRaggrupp FROM LUMO_RaggMagT WHERE IdRaggMag = 9")), QStringList{"Vuoto"});

    Premi(f, nbEdit);
    Togli(f, 6);
    Salva(f);
    EXPECT_TRUE(Magazzini(9).isEmpty());
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 9")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT")), 2);
}

TEST_F(Raggruppamenti, KeysActAsTheNavigatorButtons)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    QWidget *griglia = f->Control(QStringLiteral("GrigliaDettaglio"));
    Tasto(griglia, Qt::Key_F2);
    ASSERT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(f->TipoOperazione, 1);
    script.Yes(Abbandono);
    Tasto(griglia, Qt::Key_Escape);
    EXPECT_EQ(f->tMain->State(), dsBrowse);

    Tasto(griglia, Qt::Key_Insert);
    ASSERT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(f->TipoOperazione, 0);
    script.Yes(Abbandono);
    Tasto(griglia, Qt::Key_Escape);
    EXPECT_EQ(f->tMain->State(), dsBrowse);

    Vai(f, 2);
    script.No(Cancellazione);
    Tasto(griglia, Qt::Key_F8);
    EXPECT_EQ(f->TipoOperazione, 2);
    EXPECT_EQ(Magazzini(2), QStringList{"4"});

    Vai(f, 1);
    Tasto(griglia, Qt::Key_F2);
    Cambia(f, 3, 6);
    script.Yes(Registrazione);
    Tasto(griglia, Qt::Key_F10);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "6"}));
    // Escape while browsing asks nothing and changes nothing
    Tasto(griglia, Qt::Key_Escape);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(script.Texts().count(Abbandono), 2);
}

TEST_F(Raggruppamenti, NoGroupingToModifyOrDelete)
{
    Esegui(QStringLiteral("DELETE FROM LUMO_RaggMagR"));
    Esegui(QStringLiteral("DELETE FROM LUMO_RaggMagT"));
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    QWidget *griglia = f->Control(QStringLiteral("GrigliaDettaglio"));
    Tasto(griglia, Qt::Key_F2);
    Tasto(griglia, Qt::Key_F8);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT")), 0);
}

TEST_F(Raggruppamenti, ASaveDuringAnOpenTransactionDoesNothing)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Cambia(f, 1, 5);
    company.Database().StartTransaction();
    EXPECT_FALSE(f->SalvataggioDati());
    EXPECT_FALSE(f->Close()) << "no close during a transaction";
    company.Database().Rollback();
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));
    Salva(f);
    EXPECT_EQ(Magazzini(1), (QStringList{"2", "3", "5"}));
}

TEST_F(Raggruppamenti, DuplicatesAreRefusedNamingTheCode)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("1")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsRaggrupp"), QStringLiteral("Doppione")));
    Aggiungi(f, 1);
    Aggiungi(f, 5);
    Salva(f);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Il codice 1 è già presente in Raggruppamenti magazzini: sceglierne un altro."));
    EXPECT_EQ(script.Messages().last().Type, mtInformation);
    EXPECT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(Buffer(f), (QStringList{"1/2", "5/2"}));
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT DsRaggrupp FROM LUMO_RaggMagT WHERE IdRaggMag = 1")),
              QStringList{"Cantina"});
    // another code: saved
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("10")));
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(10), (QStringList{"1", "5"}));

    // a warehouse twice in a grouping
    Vai(f, 2);
    Premi(f, nbEdit);
    Aggiungi(f, 4);
    Salva(f);
    EXPECT_EQ(
        script.LastText(),
        QStringLiteral("Il magazzino 4 è indicato più di una volta nel raggruppamento: togliere la riga in più."));
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Magazzini(2), QStringList{"4"});
    EXPECT_EQ(Buffer(f), (QStringList{"4/0", "4/2"}));
}

// Run unattended, the save refused with an information ends the run with 4; the question
// answered No stores nothing as asked and ends it with 0.
TEST_F(Raggruppamenti, ARefusedSaveEndsAnUnattendedRunWithFour)
{
    if (!QFileInfo::exists(ProgramPath()))
        GTEST_SKIP() << "the program kv8 is not built";
    const QString modules = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../lib"));
    Esegui(QStringLiteral("INSERT INTO Utenti (IdUtente, Nome, FlPrivilegi) VALUES ('ADMIN', 'Amministratore', 1)"));
    const auto esegui = [&](const QString &risposta) {
        return RunProgram(
            {QStringLiteral("--database"), company.Db().Url(), QStringLiteral("--menu"), QStringLiteral("QARN0009F"),
             QStringLiteral("--click"), QStringLiteral("DBNavigator/nbInsert"), QStringLiteral("--set"),
             QStringLiteral("edIdRaggMag=1"), QStringLiteral("--set"), QStringLiteral("edDsRaggrupp=Doppione"),
             QStringLiteral("--click"), QStringLiteral("DBNavigator/nbPost"), QStringLiteral("--answers"), risposta},
            modules);
    };
    const ProgramRun rifiutata = esegui(QStringLiteral("yes"));
    EXPECT_EQ(rifiutata.ExitCode, 4) << rifiutata.Err.toStdString();
    EXPECT_TRUE(rifiutata
                    .MissingInOrder({QStringLiteral("Informazione: Il codice 1 è già presente in Raggruppamenti "
                                                    "magazzini: sceglierne un altro."),
                                     QStringLiteral("kv8: 1 save was refused")})
                    .isEmpty())
        << rifiutata.Err.toStdString();
    const ProgramRun annullata = esegui(QStringLiteral("no"));
    EXPECT_EQ(annullata.ExitCode, 0) << annullata.Err.toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT DsRaggrupp FROM LUMO_RaggMagT ORDER BY IdRaggMag")),
              (QStringList{"Cantina", "Deposito"}));
}

TEST_F(Raggruppamenti, AFailureAtTheThirdRowWritesNothing)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    // a new grouping whose third row repeats the first warehouse
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("11")));
    for (int m : {1, 2, 1, 4, 5})
        Aggiungi(f, m);
    Salva(f);
    EXPECT_EQ(
        script.LastText(),
        QStringLiteral("Il magazzino 1 è indicato più di una volta nel raggruppamento: togliere la riga in più."));
    EXPECT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagR"), QStringLiteral("IdRaggMag = 11")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 11")), 0);
    EXPECT_EQ(Buffer(f), (QStringList{"1/2", "2/2", "1/2", "4/2", "5/2"}));
    f->TTDettaglio->First();
    f->TTDettaglio->Next();
    f->TTDettaglio->Next();
    f->TTDettaglio->Edit();
    f->TTDettaglio->FieldByName(QStringLiteral("IdMagazzino"))->SetAsInteger(3);
    f->TTDettaglio->Post();
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(11), (QStringList{"1", "2", "3", "4", "5"}));

    // an existing grouping of five rows whose third write fails
    Premi(f, nbEdit);
    for (int m = 1; m <= 5; ++m)
        Cambia(f, m, m + 10);
    int scritture = 0;
    f->TRSDettaglio->BeforePost = [&scritture](TDataSet *) {
        if (++scritture == 3)
            throw EDatabaseError(QStringLiteral("Scrittura non riuscita: riprovare."));
    };
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Scrittura non riuscita: riprovare."));
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Magazzini(11), (QStringList{"1", "2", "3", "4", "5"}));
    QStringList stati = Buffer(f);
    stati.sort();
    EXPECT_EQ(stati, (QStringList{"11/1", "12/1", "13/1", "14/1", "15/1"}));
    EXPECT_TRUE(f->TTDettaglio->Filtered()) << "the deleted rows hidden again";
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->TTDettaglio);
    // corrected: saved
    f->TRSDettaglio->BeforePost = nullptr;
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(11), (QStringList{"11", "12", "13", "14", "15"}));
}

TEST_F(Raggruppamenti, AFullDiskWritesNothingAndSaysSo)
{
    if (company.Db().IsPostgres())
        GTEST_SKIP() << "a file that cannot grow is SQLite's";
    for (int m = 7; m <= 600; ++m)
        Esegui(QStringLiteral("INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (?, ?)"),
               {m, QStringLiteral("Magazzino %1").arg(m)});
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdRaggMag"), QStringLiteral("12")));
    for (int m = 1; m <= 600; ++m)
        Aggiungi(f, m);
    DiscoPieno();
    Salva(f);
    DettoDiscoPieno();
    EXPECT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagR"), QStringLiteral("IdRaggMag = 12")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 12")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagR")), 4) << "the stored groupings as they were";
}

TEST_F(Raggruppamenti, AFailedSaveHidesTheDeletedRowsAgain)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Togli(f, 1);
    Aggiungi(f, 2);
    Salva(f);
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_TRUE(f->TTDettaglio->Filtered());
    QStringList visibili = Buffer(f);
    visibili.sort();
    EXPECT_EQ(visibili, (QStringList{"2/0", "2/2", "3/0"}));
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "2", "3"}));
}

TEST_F(Raggruppamenti, AStoredRowRemovedMeanwhileStopsTheSave)
{
    std::unique_ptr<TXDatabase> altro = company.Db().Connect();
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Cambia(f, 2, 6);
    altro->ExecSQL(QStringLiteral("DELETE FROM LUMO_RaggMagR WHERE IdRaggMag = 1 AND IdMagazzino = 2"));
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Errore in lettura movimento"));
    EXPECT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "3"})) << "nothing written, no other row changed";

    // a deleted row whose stored row went: no other row is deleted in its place
    script.Yes(Abbandono);
    Premi(f, nbCancel);
    Premi(f, nbEdit);
    Togli(f, 3);
    altro->ExecSQL(QStringLiteral("DELETE FROM LUMO_RaggMagR WHERE IdRaggMag = 1 AND IdMagazzino = 3"));
    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Errore in lettura movimento"));
    EXPECT_EQ(Magazzini(1), QStringList{"1"});

    // a grouping deleted while another user removes one of its rows and adds another: the
    // grouping goes with every row it has now
    script.Yes(Abbandono);
    Premi(f, nbCancel);
    Gruppo(3, QStringLiteral("Terzo"), {4, 5, 6});
    f->tMain->Refresh();
    Vai(f, 3);
    script.ClearMessages();
    {
        PrimaDellaDomanda altroUtente(&script, Cancellazione, [&] {
            altro->ExecSQL(QStringLiteral("DELETE FROM LUMO_RaggMagR WHERE IdRaggMag = 3 AND IdMagazzino = 5"));
            altro->ExecSQL(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (3, 2)"));
        });
        script.Yes(Cancellazione);
        Premi(f, nbDelete);
    }
    EXPECT_EQ(script.Texts(), QStringList{Cancellazione});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 3")), 0);
    EXPECT_TRUE(Magazzini(3).isEmpty());
    EXPECT_EQ(Magazzini(1), QStringList{"1"}) << "no other grouping touched";
}

TEST_F(Raggruppamenti, ADeletedGroupingTakesTheRowsAnotherUserAddedMeanwhile)
{
    std::unique_ptr<TXDatabase> altro = company.Db().Connect();
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    {
        PrimaDellaDomanda altroUtente(&script, Cancellazione, [&] {
            altro->ExecSQL(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (1, 5), (1, 6)"));
        });
        script.Yes(Cancellazione);
        Premi(f, nbDelete);
    }
    EXPECT_EQ(script.Texts(), QStringList{Cancellazione});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 1")), 0);
    EXPECT_TRUE(Magazzini(1).isEmpty()) << "no row left without its grouping";
    EXPECT_EQ(Magazzini(2), QStringList{"4"});
}

TEST_F(Raggruppamenti, TheSaveHoldsItsGroupingUntilTheCommit)
{
    if (!company.Db().IsPostgres())
        GTEST_SKIP() << "on SQLite the save's transaction holds the write lock: no other user writes meanwhile";
    std::unique_ptr<TXDatabase> altro = company.Db().Connect();
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Togli(f, 2);
    // paused at its first row: another user can neither take the grouping nor delete it
    bool provato = false;
    f->TRSDettaglio->BeforeDelete = [&](TDataSet *) {
        if (std::exchange(provato, true))
            return;
        EXPECT_ANY_THROW(altro->ExecSQL(
            QStringLiteral("SELECT IdRaggMag FROM LUMO_RaggMagT WHERE IdRaggMag = 1 FOR UPDATE NOWAIT")));
    };
    Salva(f);
    ASSERT_TRUE(provato);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Magazzini(1), (QStringList{"1", "3"}));
    // after the commit the grouping is free again
    EXPECT_NO_THROW(
        altro->ExecSQL(QStringLiteral("SELECT IdRaggMag FROM LUMO_RaggMagT WHERE IdRaggMag = 1 FOR UPDATE NOWAIT")));
}

TEST_F(Raggruppamenti, AGroupingAnotherUserDeletedIsNeitherModifiedNorDeleted)
{
    const QString Cancellato = QStringLiteral("Il record non esiste più: è stato cancellato da un altro utente.");
    Gruppo(3, QStringLiteral("Terzo"), {5, 6});
    std::unique_ptr<TXDatabase> altro = company.Db().Connect();
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    QWidget *griglia = f->Control(QStringLiteral("GrigliaDettaglio"));
    const auto cancellaUno = [&] {
        altro->ExecSQL(QStringLiteral("DELETE FROM LUMO_RaggMagR WHERE IdRaggMag = 1"));
        altro->ExecSQL(QStringLiteral("DELETE FROM LUMO_RaggMagT WHERE IdRaggMag = 1"));
    };
    const QStringList altri{"2/Deposito/4", "3/Terzo/5", "3/Terzo/6"};
    const auto archivio = [&] {
        return Elenco(QStringLiteral("SELECT T.IdRaggMag, T.DsRaggrupp, R.IdMagazzino FROM LUMO_RaggMagT T "
                                     "JOIN LUMO_RaggMagR R ON R.IdRaggMag = T.IdRaggMag ORDER BY 1, 3"));
    };

    // Edit (F2) on the grouping on view, gone meanwhile: said, no other grouping taken into edit
    Vai(f, 1);
    cancellaUno();
    script.ClearMessages();
    Tasto(griglia, Qt::Key_F2);
    EXPECT_EQ(script.Texts(), QStringList{Cancellato});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);

    // gone while being edited: the save writes no row under it and brings nothing back
    Gruppo(1, QStringLiteral("Cantina"), {1});
    f->tMain->Refresh();
    Vai(f, 1);
    Premi(f, nbEdit);
    ASSERT_EQ(f->tMain->State(), dsEdit);
    Aggiungi(f, 4);
    script.ClearMessages();
    {
        PrimaDellaDomanda altroUtente(&script, Registrazione, cancellaUno);
        Salva(f);
    }
    EXPECT_EQ(script.Texts(), (QStringList{Registrazione, Cancellato}));
    EXPECT_EQ(f->tMain->State(), dsEdit) << "the user's work kept";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_RaggMagT"), QStringLiteral("IdRaggMag = 1")), 0);
    EXPECT_TRUE(Magazzini(1).isEmpty());
    EXPECT_EQ(archivio(), altri);

    // and gone while its deletion waits for the answer
    script.Yes(Abbandono);
    Premi(f, nbCancel);
    Gruppo(1, QStringLiteral("Cantina"), {1});
    f->tMain->Refresh();
    Vai(f, 1);
    script.ClearMessages();
    {
        PrimaDellaDomanda altroUtente(&script, Cancellazione, cancellaUno);
        script.Yes(Cancellazione);
        Premi(f, nbDelete);
    }
    EXPECT_EQ(script.Texts(), (QStringList{Cancellazione, Cancellato}));
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(archivio(), altri);

    // Delete likewise: nothing else deleted, no question (the answer ready for one goes unused)
    Gruppo(1, QStringLiteral("Cantina"), {1});
    f->tMain->Refresh();
    Vai(f, 1);
    cancellaUno();
    script.ClearMessages();
    script.AllowUnusedAnswers();
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(script.Texts(), QStringList{Cancellato});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(archivio(), altri);
    EXPECT_FALSE(f->tMain->Locate(QStringLiteral("IdRaggMag"), 1)) << "the view read again";
}

TEST_F(Raggruppamenti, TheSaveShowsItsProgressWithTheHourglass)
{
    for (int m = 100; m < 220; ++m)
        Esegui(QStringLiteral("INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (?, ?)"),
               {m, QStringLiteral("Magazzino %1").arg(m)});
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    Premi(f, nbEdit);
    Togli(f, 1);
    for (int m = 100; m < 220; ++m)
        Aggiungi(f, m);
    QStringList visto;
    f->TRSDettaglio->BeforePost = [&](TDataSet *) {
        TMDIForm *m = Mdimainbase::MDIForm;
        const QString riga =
            QStringLiteral("%1 %2/%3 %4 %5")
                .arg(m->ProgressCaption())
                .arg(m->ProgressValue())
                .arg(m->ProgressMaximum())
                .arg(Screen->Cursor() == crHourGlass ? QStringLiteral("clessidra") : QStringLiteral("freccia"))
                .arg(LockedWindow() == f ? QStringLiteral("bloccata") : QStringLiteral("libera"));
        if (!visto.contains(riga))
            visto << riga;
    };
    QList<int> passi;
    QObject ascolto;
    QObject::connect(Mdimainbase::MDIForm->findChild<QProgressBar *>(), &QProgressBar::valueChanged, &ascolto,
                     [&](int valore) {
                         if (valore > 0)
                             passi << valore;
                     });
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    // the deleted row and the two unchanged ones come first, then the 120 new ones; the bar
    // moves every 50 rows and reaches its end
    const QString testo = QStringLiteral("Registrazione movimenti in corso.. %1/123 clessidra bloccata");
    EXPECT_EQ(visto, (QStringList{testo.arg(0), testo.arg(50), testo.arg(100)}));
    EXPECT_EQ(passi, (QList<int>{50, 100, 123}));
    EXPECT_FALSE(Mdimainbase::MDIForm->ProgressActive());
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(LockedWindow(), nullptr);
    EXPECT_EQ(Magazzini(1).size(), 122);
}

TEST_F(Raggruppamenti, AFailedLoadIsShownAndTheViewRestored)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Vai(f, 1);
    // a row check that refuses a stored row while loading
    f->TTDettaglio->BeforePost = [](TDataSet *d) {
        if (d->FieldByName(QStringLiteral("IdMagazzino"))->AsInteger() == 2)
            throw Exception(QStringLiteral("Magazzino 2 non valido: correggerlo."));
    };
    Premi(f, nbEdit);
    EXPECT_EQ(script.Texts(), QStringList{"Magazzino 2 non valido: correggerlo."});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);
    EXPECT_FALSE(f->Control(QStringLiteral("pnRiga"))->isEnabled());
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(LockedWindow(), nullptr);
    EXPECT_FALSE(f->bDettaglio->InCopiaDati);
}

// ---- print

namespace {

class StampaRaggruppamenti : public Raggruppamenti {
protected:
    void SetUp() override
    {
        Raggruppamenti::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (2, 99)"));
    }
};

} // namespace

TEST_F(StampaRaggruppamenti, EveryGroupingWithItsWarehouses)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    ReportCapture capture;
    f->btAnteprima->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 1) << script.LastText().toStdString();
    // a copy: the print that follows grows the list the capture holds
    const ReportCapture::Print anteprima = capture.Last(); // NOLINT(performance-unnecessary-copy-initialization)
    EXPECT_TRUE(anteprima.Preview);
    ASSERT_EQ(anteprima.Document.PageCount(), 1);
    const ReportPage &pagina = anteprima.Document.Pages.first();
    EXPECT_TRUE(pagina.HasText(QStringLiteral("Raggruppamento Magazzini")));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("lbCodiceRaggruppamento")),
              (QStringList{"Codice Raggruppamento :", "Codice Raggruppamento :"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdIdRaggMag")), (QStringList{"1", "2"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("fdDsRaggrupp")), (QStringList{"Cantina", "Deposito"}));
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("lbColCodice")).size(), 2);
    EXPECT_EQ(pagina.TextsOf(QStringLiteral("lbColDescrizione")).size(), 2);
    QStringList primi = pagina.TextsOf(QStringLiteral("fdIdMagazzino")).mid(0, 3);
    primi.sort();
    EXPECT_EQ(primi, (QStringList{"1", "2", "3"}));
    QStringList secondi = pagina.TextsOf(QStringLiteral("fdIdMagazzino")).mid(3);
    secondi.sort();
    EXPECT_EQ(secondi, (QStringList{"4", "99"}));
    const PageItem *codice = pagina.Find(QStringLiteral("fdIdMagazzino"));
    ASSERT_NE(codice, nullptr);
    EXPECT_TRUE(codice->Align & Qt::AlignRight);
    // a warehouse the host does not have prints with no name
    const QStringList righe = pagina.Lines();
    EXPECT_TRUE(righe.contains(QStringLiteral("99"))) << righe.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(righe.contains(QStringLiteral("4 Enoteca Roma")));
    EXPECT_TRUE(pagina.HasText(QStringLiteral("Cantina centrale")));
    EXPECT_TRUE(pagina.Find(QStringLiteral("ppPaginaPiede")) != nullptr) << "the host's page footer";

    // printing differs only by the flag
    f->btStampa->click();
    ProcessEvents();
    ASSERT_EQ(capture.Prints().size(), 2);
    EXPECT_FALSE(capture.Last().Preview);
    EXPECT_EQ(capture.Last().Document.PlainText(), anteprima.Document.PlainText());
}

TEST_F(StampaRaggruppamenti, AGroupingIsKeptOnOnePage)
{
    QList<int> molti;
    for (int m = 100; m < 140; ++m)
        molti << m;
    Esegui(QStringLiteral("DELETE FROM LUMO_RaggMagR WHERE IdRaggMag = 1"));
    for (int m : molti)
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (1, ?)"), {m});
    for (int m = 200; m < 210; ++m)
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (2, ?)"), {m});
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    ReportCapture capture;
    f->XFormXStampa(true);
    ASSERT_EQ(capture.Prints().size(), 1);
    const ReportDocument &doc = capture.Last().Document;
    ASSERT_EQ(doc.PageCount(), 2);
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdIdRaggMag")), QStringList{"1"});
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdIdMagazzino")).size(), 40);
    EXPECT_EQ(doc.Pages[1].TextsOf(QStringLiteral("fdIdRaggMag")), QStringList{"2"});
    EXPECT_EQ(doc.Pages[1].TextsOf(QStringLiteral("fdIdMagazzino")).size(), 12);
}

TEST_F(StampaRaggruppamenti, ThePrintAsAPdf)
{
    TFqarn0009f *f = Finestra();
    ASSERT_NE(f, nullptr);
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    f->XFormXStampa(false);
    qunsetenv("KV8_PRINT_DIR");
    const QStringList pdf = QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    ASSERT_EQ(pdf.size(), 1) << script.LastText().toStdString();
    const QString file = QDir(cartella.path()).filePath(pdf.first());
    QFile letto(file);
    ASSERT_TRUE(letto.open(QIODevice::ReadOnly));
    EXPECT_TRUE(letto.read(5).startsWith("%PDF"));
    QProcess testo;
    testo.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
    if (!testo.waitForFinished(20000) || testo.exitStatus() != QProcess::NormalExit)
        GTEST_SKIP() << "pdftotext is not available";
    const QString contenuto = QString::fromUtf8(testo.readAllStandardOutput());
    EXPECT_TRUE(contenuto.contains(QStringLiteral("Raggruppamento Magazzini")));
    EXPECT_TRUE(contenuto.contains(QStringLiteral("Codice Raggruppamento :")));
    EXPECT_TRUE(contenuto.contains(QStringLiteral("Deposito Verona")));
}
