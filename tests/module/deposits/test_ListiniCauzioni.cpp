// The deposit price lists window: new lists in the company currency, the list code checked,
// rows kept in the buffer with their states and saved in one transaction, the price lookup
// over the stored lists, deletions, a list's code required, and lists another user changed
// or deleted meanwhile.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Qarn0201f.h"
#include "frame/Lumo_funzioni.h"

using namespace kv8test;

namespace {

class ListiniCauzioni : public Depositi {
protected:
    TFqarn0201f *Finestra() { return Apri<TFqarn0201f>(QStringLiteral("QARN0201F")); }

    static void Aggiungi(TFqarn0201f *f, const QString &imballo, double prezzo)
    {
        f->TTDettaglio->Append();
        f->TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->SetAsString(imballo);
        f->TTDettaglio->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(prezzo);
        f->TTDettaglio->Post();
    }
    void Togli(TFqarn0201f *f, const QString &imballo)
    {
        TogliRiga(f->bDettaglio, QStringLiteral("IdImballo"), imballo);
    }
    void Salva(TFqarn0201f *f)
    {
        script.Yes(Registrazione);
        Premi(f, nbPost);
    }
    QStringList Archivio(int listino)
    {
        return Elenco(
            QStringLiteral("SELECT IdImballo, Prezzo FROM LUMO_LisCauzR WHERE KContaT = ? ORDER BY IdImballo"),
            {listino});
    }
};

} // namespace

TEST_F(ListiniCauzioni, ANewListInTheCompanyCurrencyWithItsRows)
{
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Listini Imballi / Cauzioni"));
    Premi(f, nbInsert);
    ASSERT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("IdDivisa"))->AsString(), QStringLiteral("EUR"));
    const int chiave = f->tMain->FieldByName(QStringLiteral("KContaT"))->AsInteger();
    EXPECT_GT(chiave, 0) << "the key is drawn when the list is begun";

    // a code that is no price-list type is refused and changes nothing
    EXPECT_FALSE(Scrivi(f, QStringLiteral("edIdListino"), QStringLiteral("ZZ'")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Codice listino non trovato"));
    EXPECT_TRUE(f->tMain->FieldByName(QStringLiteral("IdListino"))->AsString().isEmpty());
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdListino"), QStringLiteral("L01")));
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("_DsListino"))->AsString(), QStringLiteral("Listino base"));

    // two new rows (their keys are drawn at the save), one added and taken away again, one
    // begun and left untouched
    Aggiungi(f, QStringLiteral("CAS"), 2.5);
    Aggiungi(f, QStringLiteral("BOT"), 0.15);
    Aggiungi(f, QStringLiteral("FUS"), 30);
    Togli(f, QStringLiteral("FUS"));
    f->TTDettaglio->Append();
    EXPECT_THROW(f->TTDettaglio->Post(), EAbort);
    EXPECT_EQ(Righe(f->bDettaglio, QStringLiteral("IdImballo"), true), (QStringList{"CAS/2", "BOT/2"}));
    EXPECT_EQ(f->TTDettaglio->FieldByName(QStringLiteral("_DsImballo"))->AsString(), QStringLiteral("Bottiglia vetro"));

    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Archivio(chiave), (QStringList{"BOT/0.15", "CAS/2.5"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdListino, IdDivisa FROM LUMO_LisCauzT")), QStringList{"L01/EUR"});
    EXPECT_EQ(company.Database()
                  .ScalarValue(QStringLiteral("SELECT DataModif FROM LUMO_LisCauzT WHERE KContaT = ?"), {chiave})
                  .toDateTime()
                  .date(),
              QDate::currentDate());
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L01"), QStringLiteral("EUR"), QStringLiteral("CAS")),
                     2.5);
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L01"), QStringLiteral("USD"), QStringLiteral("CAS")),
                     0);
    EXPECT_EQ(f->qDettaglio->RecordCount(), 2);
}

TEST_F(ListiniCauzioni, AnEmptyListIsAListWithoutPrices)
{
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdListino"), QStringLiteral("L02")));
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzT"), QStringLiteral("IdListino = 'L02'")), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzR")), 0);
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L02"), QStringLiteral("EUR"), QStringLiteral("CAS")),
                     0);
}

TEST_F(ListiniCauzioni, ChangedAndDeletedRowsOfAStoredList)
{
    const int listino =
        Listino(QStringLiteral("L01"), QStringLiteral("EUR"),
                {{QStringLiteral("CAS"), 2}, {QStringLiteral("BOT"), 0.1}, {QStringLiteral("FUS"), 25}});
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KContaT"), listino));
    Premi(f, nbEdit);
    ASSERT_EQ(f->tMain->State(), dsEdit);
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdImballo"), QStringLiteral("CAS")));
    f->TTDettaglio->Edit();
    f->TTDettaglio->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(2.2);
    f->TTDettaglio->Post();
    Togli(f, QStringLiteral("BOT"));
    // the deleted row is hidden, kept for the save
    EXPECT_EQ(Righe(f->bDettaglio, QStringLiteral("IdImballo")), (QStringList{"CAS/1", "FUS/0"}));
    EXPECT_EQ(Righe(f->bDettaglio, QStringLiteral("IdImballo"), true), (QStringList{"CAS/1", "BOT/3", "FUS/0"}));
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Archivio(listino), (QStringList{"CAS/2.2", "FUS/25"}));
    EXPECT_FALSE(company.Database()
                     .ScalarValue(QStringLiteral("SELECT DataModif FROM LUMO_LisCauzT WHERE KContaT = ?"), {listino})
                     .isNull());
}

TEST_F(ListiniCauzioni, ADeletedListTakesItsRowsWithIt)
{
    const int listino = Listino(QStringLiteral("L01"), QStringLiteral("EUR"),
                                {{QStringLiteral("CAS"), 2}, {QStringLiteral("BOT"), 0.1}});
    const int altro = Listino(QStringLiteral("L02"), QStringLiteral("EUR"), {{QStringLiteral("CAS"), 3}});
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KContaT"), listino));
    // No keeps everything
    script.No(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzR")), 3);

    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzT"), QStringLiteral("KContaT = ?"), {listino}), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzR"), QStringLiteral("KContaT = ?"), {listino}), 0);
    EXPECT_EQ(Archivio(altro), QStringList{"CAS/3"});
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L01"), QStringLiteral("EUR"), QStringLiteral("CAS")),
                     0);
}

TEST_F(ListiniCauzioni, TwoListsOfOneCodeAndCurrencyGiveTheFirstListsPrice)
{
    // the later list is stored first: the engine's row order is not the answer
    Esegui(QStringLiteral("INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (900, 'L01', 'EUR')"));
    Esegui(
        QStringLiteral("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (9001, 900, 'CAS', 9)"));
    Esegui(QStringLiteral("INSERT INTO LUMO_LisCauzT (KContaT, IdListino, IdDivisa) VALUES (100, 'L01', 'EUR')"));
    Esegui(
        QStringLiteral("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (1002, 100, 'CAS', 4)"));
    Esegui(
        QStringLiteral("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) VALUES (1001, 100, 'CAS', 3)"));
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L01"), QStringLiteral("EUR"), QStringLiteral("CAS")),
                     3);

    // and the window saves a second list of the same code and currency
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdListino"), QStringLiteral("L01")));
    Aggiungi(f, QStringLiteral("CAS"), 7);
    Salva(f);
    ASSERT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzT"), QStringLiteral("IdListino = 'L01'")), 3);
    EXPECT_DOUBLE_EQ(UT_LMQ_CAUZ_PrezzoCauzione(QStringLiteral("L01"), QStringLiteral("EUR"), QStringLiteral("CAS")),
                     3);
}

TEST_F(ListiniCauzioni, ARowDeletedByAnotherUserFailsTheWholeSave)
{
    const int listino = Listino(QStringLiteral("L01"), QStringLiteral("EUR"),
                                {{QStringLiteral("CAS"), 2}, {QStringLiteral("BOT"), 0.1}});
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KContaT"), listino));
    Premi(f, nbEdit);
    ASSERT_TRUE(f->TTDettaglio->Locate(QStringLiteral("IdImballo"), QStringLiteral("BOT")));
    f->TTDettaglio->Edit();
    f->TTDettaglio->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(0.2);
    f->TTDettaglio->Post();
    Aggiungi(f, QStringLiteral("FUS"), 20);
    AltroUtente()->ExecSQL(QStringLiteral("DELETE FROM LUMO_LisCauzR WHERE KContaT = ? AND IdImballo = 'BOT'"),
                           {listino});

    Salva(f);
    EXPECT_EQ(script.LastText(), QStringLiteral("Errore in lettura movimento"));
    EXPECT_EQ(f->tMain->State(), dsEdit) << "the edit stays open";
    EXPECT_EQ(Archivio(listino), QStringList{"CAS/2"}) << "nothing written";
    EXPECT_TRUE(company.Database()
                    .ScalarValue(QStringLiteral("SELECT DataModif FROM LUMO_LisCauzT WHERE KContaT = ?"), {listino})
                    .isNull());
    EXPECT_EQ(Righe(f->bDettaglio, QStringLiteral("IdImballo")), (QStringList{"FUS/2", "CAS/0", "BOT/1"}));
}

TEST_F(ListiniCauzioni, AListIsNotSavedWithoutItsCode)
{
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    Aggiungi(f, QStringLiteral("CAS"), 2);
    Salva(f);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Il campo 'Codice listino' non è impostato: indicarlo prima di registrare."));
    EXPECT_EQ(f->tMain->State(), dsInsert) << "the user's work kept";
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzT")), 0);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzR")), 0);
}

TEST_F(ListiniCauzioni, ADeletedListTakesTheRowsAnotherUserAddedMeanwhile)
{
    const int listino = Listino(QStringLiteral("L01"), QStringLiteral("EUR"), {{QStringLiteral("CAS"), 2}});
    const int altro = Listino(QStringLiteral("L02"), QStringLiteral("EUR"), {{QStringLiteral("CAS"), 3}});
    std::unique_ptr<TXDatabase> altroUtente = AltroUtente();
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KContaT"), listino));
    {
        PrimaDellaDomanda prima(&script, Cancellazione, [&] {
            altroUtente->ExecSQL(QStringLiteral("INSERT INTO LUMO_LisCauzR (KContaR, KContaT, IdImballo, Prezzo) "
                                                "VALUES (9001, ?, 'BOT', 0.1)"),
                                 {listino});
        });
        script.Yes(Cancellazione);
        Premi(f, nbDelete);
    }
    EXPECT_EQ(script.Texts(), QStringList{Cancellazione});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_LisCauzT"), QStringLiteral("KContaT = ?"), {listino}), 0);
    EXPECT_TRUE(Archivio(listino).isEmpty()) << "no row left without its list";
    EXPECT_EQ(Archivio(altro), QStringList{"CAS/3"});
}

TEST_F(ListiniCauzioni, AListAnotherUserDeletedIsNeitherModifiedNorDeleted)
{
    const QString cancellato = QStringLiteral("Il record non esiste più: è stato cancellato da un altro utente.");
    const int listino = Listino(QStringLiteral("L01"), QStringLiteral("EUR"), {{QStringLiteral("CAS"), 2}});
    const int altro = Listino(QStringLiteral("L02"), QStringLiteral("EUR"), {{QStringLiteral("CAS"), 3}});
    std::unique_ptr<TXDatabase> altroUtente = AltroUtente();
    TFqarn0201f *f = Finestra();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KContaT"), listino));
    altroUtente->ExecSQL(QStringLiteral("DELETE FROM LUMO_LisCauzR WHERE KContaT = ?"), {listino});
    altroUtente->ExecSQL(QStringLiteral("DELETE FROM LUMO_LisCauzT WHERE KContaT = ?"), {listino});

    // Edit: said, the lists read again, no other list taken into edit
    Premi(f, nbEdit);
    EXPECT_EQ(script.Texts(), QStringList{cancellato});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(f->DSDettaglio->DataSet(), f->qDettaglio);

    // Delete: said, no question (the answer ready for one goes unused), the other list kept
    ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KContaT"), altro));
    altroUtente->ExecSQL(QStringLiteral("DELETE FROM LUMO_LisCauzR WHERE KContaT = ?"), {altro});
    altroUtente->ExecSQL(QStringLiteral("DELETE FROM LUMO_LisCauzT WHERE KContaT = ?"), {altro});
    const int terzo = Listino(QStringLiteral("L02"), QStringLiteral("USD"), {{QStringLiteral("FUS"), 30}});
    script.ClearMessages();
    script.AllowUnusedAnswers();
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(script.Texts(), QStringList{cancellato});
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Archivio(terzo), QStringList{"FUS/30"});
}
