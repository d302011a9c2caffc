// The excise documents window opened from its menu code: no document by hand, a deletion
// giving its source back in its transaction, row edits through the buffer, the names shown,
// and documents another user deleted or extended meanwhile.
#include "tests/module/excise/AccisaFixture.h"

#include "registers/Qarn0403f.h"

using namespace kv8test;

namespace {

const QString Registrazione = QStringLiteral("Conferma Registrazione ?");
const QString Cancellazione = QStringLiteral("Conferma Cancellazione ?");

class GestioneDaa : public Accisa {
protected:
    void SetUp() override
    {
        Accisa::SetUp();
        if (IsSkipped())
            return;
        // a delivery note and an invoice with the same key, each with its D.A.A.
        Documento(1, 10, 2026, 1, 1, QStringLiteral("C1"));
        Riga(1, 101, 10, QStringLiteral("VINO"), 7, 6, 1, 5.25);
        Riga(1, 102, 10, QStringLiteral("SPUM"), 2, 2, 1, 1.5);
        Documento(2, 10, 2026, 1, 2, QStringLiteral("C2"), 1);
        Riga(2, 201, 10, QStringLiteral("VINO"), 1, 1, 1, 0.75);
        Genera(1);
        Genera(2);
        script.ClearMessages();
    }
    TFqarn0403f *Finestra(int tipo)
    {
        auto *f = Apri<TFqarn0403f>(QStringLiteral("QARN0403F"));
        if (f) {
            EXPECT_TRUE(f->tMain->Locate(QStringLiteral("FlTipoDocColl"), tipo));
        }
        return f;
    }
};

} // namespace

TEST_F(GestioneDaa, NoDocumentByHandAndTheNamesShown)
{
    TFqarn0403f *f = Finestra(2);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Gestione Documenti D.A.A."));
    Premi(f, nbInsert);
    EXPECT_TRUE(script.Shown(QStringLiteral("Operazione non abilitata")));
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccT")), 2);
    const auto campo = [f](const char *nome) { return f->tMain->FieldByName(QString::fromLatin1(nome))->AsString(); };
    EXPECT_EQ(campo("_RagioneSociale"), QStringLiteral("Bar Bianchi"));
    EXPECT_EQ(campo("_DsDestinazione"), QStringLiteral("Deposito Bianchi"));
    EXPECT_EQ(campo("_DsSpedizione"), QStringLiteral("Vettore Uno"));
    EXPECT_EQ(campo("_DsCausale"), QStringLiteral("Fattura immediata"));
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("FlTipoDocColl"), 1));
    EXPECT_EQ(campo("_DsCausale"), QStringLiteral("Vendita con DDT"));
    EXPECT_EQ(campo("_DsDestinazione"), QString());
    f->qDettaglio->First();
    EXPECT_EQ(f->qDettaglio->FieldByName(QStringLiteral("_DsProdotto"))->AsString(), QStringLiteral("Articolo VINO"));
    EXPECT_EQ(f->qDettaglio->FieldByName(QStringLiteral("_DsTariffa"))->AsString(),
              QStringLiteral("Vini in recipienti <= 2 l"));
}

TEST_F(GestioneDaa, DeletingAnInvoiceDocumentUnmarksOnlyThatInvoice)
{
    TFqarn0403f *f = Finestra(2);
    ASSERT_NE(f, nullptr);
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(Teste(), QStringList{"2026/1/1/1/10/C1/0"}) << script.Texts().join('|').toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccR")), 2) << "the delivery note's rows stay";
    EXPECT_EQ(Marca(2, 10), 0);
    EXPECT_EQ(Marca(1, 10), 1);
    EXPECT_EQ(Contatore(2026, 1), 2) << "the number is not given back";

    // the invoice is selected again and takes a new number
    Genera(2);
    EXPECT_EQ(Teste().value(1), QStringLiteral("2026/1/3/2/10/C2/1"));
}

TEST_F(GestioneDaa, ADocumentWhoseSourceVanishedIsStillDeleted)
{
    Esegui(QStringLiteral("DELETE FROM BolleCliRighe"));
    Esegui(QStringLiteral("DELETE FROM BolleCliTeste"));
    TFqarn0403f *f = Finestra(1);
    ASSERT_NE(f, nullptr);
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(Teste(), QStringList{"2026/1/2/2/10/C2/1"}) << script.Texts().join('|').toStdString();
    EXPECT_EQ(Marca(2, 10), 1);
}

TEST_F(GestioneDaa, RowEditsKeepTheHeadAndHandRowsTakeItsKey)
{
    TFqarn0403f *f = Finestra(1);
    ASSERT_NE(f, nullptr);
    const int testa = f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger();
    Premi(f, nbEdit);
    ASSERT_EQ(f->tMain->State(), dsEdit);
    EXPECT_EQ(Righe(f->bDettaglio, QStringLiteral("IdProdotto")).size(), 2);
    // another user changes the head meanwhile: a rows-only save leaves the head as stored
    Esegui(QStringLiteral("UPDATE LUMO_DocAccT SET NoteTra1 = 'altro utente' WHERE KContaT = ?"), {testa});
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdProdotto"), QStringLiteral("VINO")));
    f->TTDettaglio->Edit();
    f->TTDettaglio->FieldByName(QStringLiteral("PesoNetto"))->SetAsFloat(5.5);
    f->TTDettaglio->Post();
    // a row added and deleted before the save
    f->TTDettaglio->Append();
    f->TTDettaglio->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("ACQUA"));
    f->TTDettaglio->Post();
    f->TTDettaglio->Delete();
    // a row added by hand
    f->TTDettaglio->Append();
    f->TTDettaglio->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(QStringLiteral("SPUM"));
    f->TTDettaglio->FieldByName(QStringLiteral("QtaMov"))->SetAsFloat(4);
    f->TTDettaglio->Post();
    script.Yes(Registrazione);
    Premi(f, nbPost);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.Texts().join('|').toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdProdotto, PesoNetto, QtaMov FROM LUMO_DocAccR WHERE KContaT = ? "
                                    "ORDER BY IdProdotto, QtaMov"),
                     {testa}),
              (QStringList{"SPUM/1.6/2", "SPUM/0/4", "VINO/5.5/7"}));
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccR"), QStringLiteral("IdProdotto = 'ACQUA'")), 0);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT NoteTra1 FROM LUMO_DocAccT WHERE KContaT = ?"), {testa}),
              QStringList{"altro utente"});
}

TEST_F(GestioneDaa, AHeadChangeIsSavedAndACancelAsksFirst)
{
    TFqarn0403f *f = Finestra(1);
    ASSERT_NE(f, nullptr);
    Premi(f, nbEdit);
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edNoteTra1"), QStringLiteral("Camion targa AB123CD")));
    f->tMain->FieldByName(QStringLiteral("DataTra"))->SetAsDateTime(QDateTime(QDate(2026, 3, 21), QTime(0, 0)));
    script.Yes(Registrazione);
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccT"),
                    QStringLiteral("NoteTra1 = 'Camion targa AB123CD' AND DataTra IS NOT NULL")),
              1);
    Premi(f, nbEdit);
    script.No(QStringLiteral("Conferma Abbandono Modifiche ?"));
    Premi(f, nbCancel);
    EXPECT_EQ(f->tMain->State(), dsEdit);
}

TEST_F(GestioneDaa, DeleteOnADocumentAnotherUserDeletedLeavesTheOtherDocument)
{
    std::unique_ptr<TXDatabase> altro = company.Db().Connect();
    TFqarn0403f *f = Finestra(1);
    ASSERT_NE(f, nullptr);
    const int bolla = f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger();
    altro->ExecSQL(QStringLiteral("DELETE FROM LUMO_DocAccR WHERE KContaT = ?"), {bolla});
    altro->ExecSQL(QStringLiteral("DELETE FROM LUMO_DocAccT WHERE KContaT = ?"), {bolla});
    // no question is asked: the answer ready for one goes unused
    script.AllowUnusedAnswers();
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(script.Texts(),
              QStringList{QStringLiteral("Il record non esiste più: è stato cancellato da un altro utente.")});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Teste(), QStringList{"2026/1/2/2/10/C2/1"});
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccR")), 1);
    EXPECT_EQ(Marca(2, 10), 1) << "the invoice stays marked";
}

TEST_F(GestioneDaa, ADeletedDocumentTakesTheRowsAnotherUserAddedMeanwhile)
{
    std::unique_ptr<TXDatabase> altro = company.Db().Connect();
    TFqarn0403f *f = Finestra(2);
    ASSERT_NE(f, nullptr);
    const int fattura = f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger();
    {
        PrimaDellaDomanda altroUtente(&script, Cancellazione, [&] {
            altro->ExecSQL(QStringLiteral("INSERT INTO LUMO_DocAccR (KContaR, KContaT, IdProdotto, QtaMov) "
                                          "VALUES (9001, ?, 'SPUM', 2)"),
                           {fattura});
        });
        script.Yes(Cancellazione);
        Premi(f, nbDelete);
    }
    EXPECT_EQ(script.Texts(), QStringList{Cancellazione});
    EXPECT_EQ(Teste(), QStringList{"2026/1/1/1/10/C1/0"});
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccR"), QStringLiteral("KContaT = ?"), {fattura}), 0)
        << "no row left without its document";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_DocAccR")), 2) << "the delivery note's rows stay";
    EXPECT_EQ(Marca(2, 10), 0);
}
