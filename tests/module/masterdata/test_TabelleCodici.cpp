// The ten code-table windows through their menu codes: what opens, a fresh window after a
// close, storing, changing and deleting a code as the user does, a code already taken,
// "Obsoleto", the rows' order, the tanks' drop-down list and a code articles or movements still carry.
#include "tests/module/masterdata/CodiciFixture.h"

#include "host/db/Dictionary.h"
#include "host/ui/DBGrid.h"

#include <QApplication>

#include <map>

namespace {

using TabelleCodici = CodiciTest;

TEST_F(TabelleCodici, EachOpensFromItsCodeAndAgainAfterItIsClosed)
{
    for (const TCodici &c : Codici) {
        SCOPED_TRACE(c.Codice);
        TFDBChild *f = Apri(c);
        ASSERT_NE(f, nullptr);
        EXPECT_STREQ(f->metaObject()->className(), c.Classe);
        EXPECT_EQ(f->Caption(), L(c.Didascalia));
        EXPECT_EQ(qobject_cast<TFDBTabChild *>(f) != nullptr, c.Schede);

        TXTable *t = Tabella(f);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->TableName(), L(c.Tabella));
        EXPECT_EQ(t->DatabaseName(), QStringLiteral("GlobalDatabase"));
        EXPECT_TRUE(t->UsaDizionario() && t->UsaDuplicaRecord() && t->XAutoApply());
        EXPECT_EQ(t->IndexFieldNames(), c.Ordinata ? L(c.Campo) : QString());
        EXPECT_TRUE(t->Active());

        auto *codice = f->Control<TDBEdit>(QStringLiteral("ed") + L(c.Campo));
        EXPECT_EQ(codice->DataField(), L(c.Campo));
        EXPECT_EQ(codice->FormatoNumero(), c.Intero ? int(Kdbctrls::fnIntero) : int(Kdbctrls::fnNessuno));
        EXPECT_EQ(QApplication::focusWidget(), codice) << "the code edit is active";
        EXPECT_TRUE(codice->isVisibleTo(f));
        EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lb") + L(c.Campo))->text(), L(c.Etichetta));
        EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lb") + L(c.Descrizione))->text(), QStringLiteral("Descrizione:"));
        EXPECT_EQ(f->Control<TDBCheckBox>(QStringLiteral("chFlUtilizzo"))->text(), QStringLiteral("Obsoleto"));
        if (auto *schede = qobject_cast<TFDBTabChild *>(f)) {
            QStringList colonne;
            for (int i = 0; i < schede->GrigliaMain->ColumnCount(); ++i)
                colonne << schede->GrigliaMain->Columns(i).FieldName;
            QStringList attese{L(c.Campo), L(c.Descrizione)};
            if (L(c.Tabella) == QStringLiteral("LUMO_Bottiglie"))
                attese << QStringLiteral("Capacita");
            EXPECT_EQ(colonne, attese << QStringLiteral("FlUtilizzo"));
        }

        // chosen again while open: the same window
        EXPECT_EQ(Apri(c), f);
        EXPECT_EQ(main->ChildCount(), 1);

        // closed, the reference is clear at once; chosen again, a new window
        f->setProperty("kv8test", true);
        EXPECT_TRUE(f->Close());
        EXPECT_EQ(Finestra(L(c.Classe)), nullptr);
        kv8test::ProcessEvents();
        TFDBChild *g = Apri(c);
        ASSERT_NE(g, nullptr);
        EXPECT_FALSE(g->property("kv8test").isValid());
        EXPECT_EQ(main->ChildCount(), 1);
        g->Close();
        kv8test::ProcessEvents();
    }
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
}

TEST_F(TabelleCodici, ACodeIsStoredAsTypedChangedRefusedWhenTakenAndDeleted)
{
    for (const TCodici &c : Codici) {
        SCOPED_TRACE(c.Codice);
        const QString tabella = L(c.Tabella);
        const QString campo = L(c.Campo);
        const QString ds = L(c.Descrizione);
        // the integer format lets only digits in and keeps the zeros typed; the stamps take any text
        const QString codice = c.Intero ? QStringLiteral("00012") : QStringLiteral("CI-01");
        const QString doppio = QStringLiteral("Il codice %1 è già presente in %2: sceglierne un altro.")
                                   .arg(codice, Dictionary::Instance().Table(tabella)->label);
        auto riga = [&](const QString &colonna) {
            return Valore(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(colonna, tabella, campo), {codice});
        };

        TFDBChild *f = Apri(c);
        ASSERT_NE(f, nullptr);
        TXTable *t = Tabella(f);
        Premi(f, nbInsert);
        ASSERT_EQ(t->State(), dsInsert);
        if (c.Intero) {
            EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + campo, QStringLiteral("0A0B012")));
            EXPECT_EQ(t->FieldByName(campo)->AsString(), codice) << "letters are not typed";
        } else {
            EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + campo, codice));
        }
        EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + ds, QStringLiteral("Prima")));
        Spunta(f, QStringLiteral("chFlUtilizzo"), true);
        Premi(f, nbPost);
        ASSERT_EQ(t->State(), dsBrowse) << script.LastText().toStdString();
        EXPECT_EQ(riga(ds).toString(), QStringLiteral("Prima"));
        EXPECT_EQ(riga(QStringLiteral("FlUtilizzo")).toInt(), 1) << "Obsoleto ticked";

        // changed: the box cleared stores 0
        Premi(f, nbEdit);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + ds, QStringLiteral("Seconda")));
        Spunta(f, QStringLiteral("chFlUtilizzo"), false);
        Premi(f, nbPost);
        ASSERT_EQ(t->State(), dsBrowse) << script.LastText().toStdString();
        EXPECT_EQ(riga(ds).toString(), QStringLiteral("Seconda"));
        EXPECT_EQ(riga(QStringLiteral("FlUtilizzo")).toInt(), 0);

        // the same code again: refused naming it, nothing written, the typing kept
        script.ClearMessages();
        Premi(f, nbInsert);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + campo, codice));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + ds, QStringLiteral("Doppia")));
        Premi(f, nbPost);
        EXPECT_EQ(script.LastText(), doppio);
        EXPECT_EQ(t->State(), dsInsert);
        EXPECT_EQ(t->FieldByName(ds)->AsString(), QStringLiteral("Doppia"));
        EXPECT_EQ(Conta(tabella), 1);
        EXPECT_EQ(riga(ds).toString(), QStringLiteral("Seconda"));
        // the key command F10 says the same
        script.ClearMessages();
        kv8test::PressKey(f->Control<TDBEdit>(QStringLiteral("ed") + ds), Qt::Key_F10);
        EXPECT_EQ(script.Count(doppio), 1);
        EXPECT_EQ(t->State(), dsInsert);
        Premi(f, nbCancel);

        // deleted after the confirmation; No keeps it
        ASSERT_TRUE(t->Locate(campo, codice));
        script.No(QStringLiteral("Conferma Cancellazione ?"));
        Premi(f, nbDelete);
        EXPECT_EQ(Conta(tabella), 1);
        script.Yes(QStringLiteral("Conferma Cancellazione ?"));
        Premi(f, nbDelete);
        EXPECT_EQ(Conta(tabella), 0);
        EXPECT_TRUE(t->IsEmpty());
        f->Close();
        kv8test::ProcessEvents();
    }
}

TEST_F(TabelleCodici, AnEmptyCodeIsRefusedNamingItsField)
{
    for (const TCodici &c : Codici) {
        SCOPED_TRACE(c.Codice);
        const QString tabella = L(c.Tabella);
        const QString campo = L(c.Campo);
        TFDBChild *f = Apri(c);
        ASSERT_NE(f, nullptr);
        TXTable *t = Tabella(f);
        const QString rifiuto = QStringLiteral("Il campo '%1' non è impostato: indicarlo prima di registrare.")
                                    .arg(t->FieldByName(campo)->DisplayLabel());
        Premi(f, nbInsert);
        // letters in an integer code are not typed: the code stays empty; blanks are no code
        EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + campo, c.Intero ? QStringLiteral("abc") : QStringLiteral("   ")));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + L(c.Descrizione), QStringLiteral("Senza codice")));
        script.ClearMessages();
        Premi(f, nbPost);
        EXPECT_EQ(script.Texts(), QStringList{rifiuto});
        EXPECT_EQ(t->State(), dsInsert) << "the typing kept";
        EXPECT_EQ(t->FieldByName(L(c.Descrizione))->AsString(), QStringLiteral("Senza codice"));
        // F10 says the same; nothing is written, not even on a second try
        script.ClearMessages();
        kv8test::PressKey(f->Control<TDBEdit>(QStringLiteral("ed") + L(c.Descrizione)), Qt::Key_F10);
        EXPECT_EQ(script.Texts(), QStringList{rifiuto});
        EXPECT_EQ(Conta(tabella), 0);
        // typed, it is stored
        EXPECT_TRUE(Scrivi(f, QStringLiteral("ed") + campo, QStringLiteral("1")));
        Premi(f, nbPost);
        EXPECT_EQ(t->State(), dsBrowse) << script.LastText().toStdString();
        EXPECT_EQ(Conta(tabella), 1);
        f->Close();
        kv8test::ProcessEvents();
    }
}

TEST_F(TabelleCodici, RowsInCodeOrderButTheZonesInTheirOwn)
{
    for (const TCodici &c : Codici) {
        SCOPED_TRACE(c.Codice);
        for (const char *codice : {"20", "30", "10"})
            Db().ExecSQL(
                QStringLiteral("INSERT INTO %1 (%2, %3) VALUES (?, ?)").arg(L(c.Tabella), L(c.Campo), L(c.Descrizione)),
                {L(codice), QStringLiteral("Descrizione ") + L(codice)});
        TFDBChild *f = Apri(c);
        ASSERT_NE(f, nullptr);
        QStringList codici;
        TXTable *t = Tabella(f);
        for (t->First(); !t->Eof(); t->Next())
            codici << t->FieldByName(L(c.Campo))->AsString();
        EXPECT_EQ(codici, c.Ordinata ? QStringList({"10", "20", "30"}) : QStringList({"20", "30", "10"}));
        f->Close();
        kv8test::ProcessEvents();
    }
}

TEST_F(TabelleCodici, TheTanksTypeListIsTheDictionarysAndStoresItsValue)
{
    TFDBChild *f = Apri(QStringLiteral("QARN0004F"), QStringLiteral("TFqarn0004f"));
    ASSERT_NE(f, nullptr);
    QStringList etichette;
    for (const char *nome : {"lbIdVasca", "lbDsVasca", "lbCapacita", "lbTipoVasca", "lbEsiAttuale"})
        etichette << f->Control<QLabel>(L(nome))->text();
    EXPECT_EQ(etichette,
              QStringList({"Codice Vasca:", "Descrizione:", "Capacità:", "Tipologia:", "Esistenza Attuale:"}));

    const DictColumn *tipo =
        Dictionary::Instance().Table(QStringLiteral("LUMO_Vasche"))->Column(QStringLiteral("TipoVasca"));
    ASSERT_NE(tipo, nullptr);
    ASSERT_GE(tipo->items.size(), 2);
    auto *lista = f->Control<TDBComboBox>(QStringLiteral("cbTipoVasca"));
    ASSERT_EQ(lista->count(), tipo->items.size());
    for (int i = 0; i < lista->count(); ++i) {
        EXPECT_EQ(lista->ItemValue(i).toInt(), tipo->items.at(i).value.toInt());
        EXPECT_EQ(lista->itemText(i), tipo->items.at(i).text);
    }

    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdVasca"), QStringLiteral("7")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDsVasca"), QStringLiteral("Vasca sette")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edCapacita"), QStringLiteral("1.500,5")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edEsiAttuale"), QStringLiteral("320")));
    const QVariant ultimo = tipo->items.last().value;
    EXPECT_TRUE(lista->SelectValue(ultimo));
    Premi(f, nbPost);
    ASSERT_EQ(f->MainDataSet()->State(), dsBrowse) << script.LastText().toStdString();
    const QVariantList riga{Valore(QStringLiteral("SELECT TipoVasca FROM LUMO_Vasche WHERE IdVasca = '7'")),
                            Valore(QStringLiteral("SELECT Capacita FROM LUMO_Vasche WHERE IdVasca = '7'")),
                            Valore(QStringLiteral("SELECT EsiAttuale FROM LUMO_Vasche WHERE IdVasca = '7'"))};
    EXPECT_EQ(riga.at(0).toInt(), ultimo.toInt());
    EXPECT_DOUBLE_EQ(riga.at(1).toDouble(), 1500.5);
    EXPECT_DOUBLE_EQ(riga.at(2).toDouble(), 320);
}

// A code an article (a tank: a warehouse movement) still carries is refused naming where it is
// used; once nothing carries it, it goes.
TEST_F(TabelleCodici, ACodeArticlesOrMovementsCarryIsNotDeleted)
{
    const std::map<QString, QString> colonne = {
        {QStringLiteral("LUMO_Bottiglie"), QStringLiteral("UT_LMQ_IdBottiglia")},
        {QStringLiteral("LUMO_Colori"), QStringLiteral("UT_LMQ_IdColore")},
        {QStringLiteral("LUMO_CatVin"), QStringLiteral("UT_LMQ_IdCatVin")},
        {QStringLiteral("LUMO_Natura"), QStringLiteral("UT_LMQ_IdNatura")},
        {QStringLiteral("LUMO_ConIva"), QStringLiteral("UT_LMQ_IdConIva")},
        {QStringLiteral("LUMO_Specifica"), QStringLiteral("UT_LMQ_IdSpecifica")},
        {QStringLiteral("LUMO_ZonaProd"), QStringLiteral("UT_LMQ_IdZonaProd")},
        {QStringLiteral("LUMO_Regioni"), QStringLiteral("UT_LMQ_IdRegione")},
        {QStringLiteral("LUMO_Tipologie"), QStringLiteral("UT_LMQ_IdTipologia")},
    };
    for (const TCodici &c : Codici) {
        SCOPED_TRACE(c.Codice);
        const QString tabella = L(c.Tabella);
        Db().ExecSQL(QStringLiteral("INSERT INTO %1 (%2, %3) VALUES ('75', 'In uso')")
                         .arg(tabella, L(c.Campo), L(c.Descrizione)));
        QString uso;
        if (tabella == QStringLiteral("LUMO_Vasche")) {
            Db().ExecSQL(
                QStringLiteral("INSERT INTO MovMagazzino (IdProdotto, UT_LMQ_IdVasca) VALUES ('BAR75', '75')"));
            uso = QStringLiteral("DELETE FROM MovMagazzino");
        } else {
            Db().ExecSQL(
                QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, %1) VALUES ('BAR75', 'Barbera', '75')")
                    .arg(colonne.at(tabella)));
            uso = QStringLiteral("DELETE FROM Articoli");
        }
        const QString dove = Dictionary::Instance()
                                 .Table(tabella == QStringLiteral("LUMO_Vasche") ? QStringLiteral("MovMagazzino")
                                                                                 : QStringLiteral("Articoli"))
                                 ->label;
        TFDBChild *f = Apri(c);
        ASSERT_NE(f, nullptr);
        ASSERT_TRUE(f->MainDataSet()->Locate(L(c.Campo), QStringLiteral("75")));
        script.ClearMessages();
        script.Yes(QStringLiteral("Conferma Cancellazione ?"));
        Premi(f, nbDelete);
        EXPECT_EQ(script.LastText(), QStringLiteral("Codice 75 usato in %1: impossibile cancellarlo").arg(dove));
        EXPECT_EQ(Conta(tabella), 1);
        EXPECT_EQ(f->MainDataSet()->State(), dsBrowse);
        EXPECT_EQ(f->MainDataSet()->RecordCount(), 1);
        // nothing carries it any more: deleted
        Db().ExecSQL(uso);
        script.Yes(QStringLiteral("Conferma Cancellazione ?"));
        Premi(f, nbDelete);
        EXPECT_EQ(Conta(tabella), 0) << script.LastText().toStdString();
        f->Close();
        kv8test::ProcessEvents();
    }
}

} // namespace
