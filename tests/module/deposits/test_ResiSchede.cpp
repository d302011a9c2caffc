// The customer returns journal and the progressive cards window: returns kept without moving
// a card, shown on the cards as pending returns until a document takes them; a linked return
// cannot be deleted; the cards of one account type, their checks and balances.
#include "tests/module/deposits/DepositiFixture.h"

#include "deposits/Lumo_ricercamov.h"
#include "deposits/Qarn0202f.h"
#include "deposits/Qarn0209f.h"
#include "host/business/Dmibbas.h"
#include "host/core/KFormati.h"
#include "host/data/TXMemTable.h"

using namespace kv8test;

namespace {

class ResiSchede : public Depositi {
protected:
    TFqarn0209f *Resi() { return Apri<TFqarn0209f>(QStringLiteral("QARN0209F")); }

    // A return saved through the window; answers its key.
    int Reso(TFqarn0209f *f, const QString &conto, int destinazione, const QList<QPair<QString, double>> &righe,
             const QDate &data = QDate(2026, 4, 1))
    {
        Premi(f, nbInsert);
        EXPECT_EQ(f->tMain->State(), dsInsert);
        f->tMain->FieldByName(QStringLiteral("DataReg"))->SetAsDateTime(QDateTime(data, QTime(0, 0)));
        f->tMain->FieldByName(QStringLiteral("IdConto"))->SetAsString(conto);
        f->tMain->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(destinazione);
        for (const auto &r : righe) {
            f->TTDettaglio->Append();
            f->TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->SetAsString(r.first);
            f->TTDettaglio->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(r.second);
            f->TTDettaglio->Post();
        }
        const int chiave = f->tMain->FieldByName(QStringLiteral("KMovResT"))->AsInteger();
        script.Yes(Registrazione);
        Premi(f, nbPost);
        EXPECT_EQ(f->tMain->State(), dsBrowse) << script.LastText().toStdString();
        return chiave;
    }
    static void Vai(TFqarn0209f *f, int chiave)
    {
        TDMIBbas::Crea()->ApriTabella(f->tMain, QStringLiteral("KMovResT <> -1"), QStringLiteral("DataReg DESC"));
        ASSERT_TRUE(f->tMain->Locate(QStringLiteral("KMovResT"), chiave));
    }
    void Scheda(const QString &tipo, const QString &conto, int destinazione, int tipoScheda, const QString &imballo,
                double caricati, double resi)
    {
        Esegui(QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, "
                              "IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar) VALUES (?, ?, ?, ?, ?, 'EUR', ?, ?, ?)"),
               {tipo, conto, destinazione, tipoScheda, imballo, caricati, resi, caricati * 2});
    }
    TFqarn0202f *Schede(const QString &code) { return Apri<TFqarn0202f>(code); }
    static double F(TFqarn0202f *f, const char *campo)
    {
        return f->TMain->FieldByName(QLatin1String(campo))->AsFloat();
    }
    static void VaiScheda(TFqarn0202f *f, const QString &conto, int destinazione, int tipoScheda)
    {
        ASSERT_TRUE(f->TMain->Locate(QStringLiteral("IdConto;IdDestinazione;FlTipoScheda;IdImballo"),
                                     QVariantList{conto, destinazione, tipoScheda, QStringLiteral("CAS")}));
    }
};

} // namespace

TEST_F(ResiSchede, AReturnMovesNoCardAndShowsAsPendingOnTheCards)
{
    Scheda(QStringLiteral("CL"), QStringLiteral("C002"), 1, 0, QStringLiteral("CAS"), 20, 4);
    Scheda(QStringLiteral("CL"), QStringLiteral("C002"), 2, 0, QStringLiteral("CAS"), 10, 0);
    Scheda(QStringLiteral("CL"), QStringLiteral("C002"), 0, 1, QStringLiteral("CAS"), 30, 4);
    TFqarn0209f *f = Resi();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Prima Nota Resi Clienti"));
    EXPECT_EQ(f->tMain->RecordCount(), 0);
    Reso(f, QStringLiteral("C002"), 1, {{QStringLiteral("CAS"), 3}, {QStringLiteral("BOT"), 12}});
    Reso(f, QStringLiteral("C002"), 2, {{QStringLiteral("CAS"), 2}});
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdContoTp, KDocT, FlTipoDocColl FROM LUMO_MovResT ORDER BY KMovResT")),
              (QStringList{"CL/0/0", "CL/0/0"}));
    EXPECT_EQ(Elenco(QStringLiteral("SELECT ProgQtaRes FROM LUMO_ProgCauz ORDER BY IdDestinazione, FlTipoScheda")),
              (QStringList{"4", "4", "0"}))
        << "no card moved";
    // a return already taken by a document is not pending
    Esegui(
        QStringLiteral("INSERT INTO LUMO_MovResT (KMovResT, IdContoTp, IdConto, IdDestinazione, KDocT, FlTipoDocColl) "
                       "VALUES (900, 'CL', 'C002', 1, 55, 1)"));
    Esegui(
        QStringLiteral("INSERT INTO LUMO_MovResR (KMovResR, KMovResT, IdImballo, QtaRes) VALUES (900, 900, 'CAS', 7)"));

    TFqarn0202f *s = Schede(QStringLiteral("QARN0202F_C"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Caption(), QStringLiteral("Progressivi Cauzioni Clienti"));
    EXPECT_EQ(s->TMain->RecordCount(), 3);
    VaiScheda(s, QStringLiteral("C002"), 1, 0);
    EXPECT_EQ(F(s, "_QtaResPN"), 3);
    EXPECT_EQ(F(s, "_TotGenQ"), 13); // 20 - (4 + 3)
    EXPECT_EQ(F(s, "_TotGenV"), 40) << "values take no pending returns";
    // the balances read in the formats of the inputs beside them
    const auto testo = [s](const char *nome) { return s->Control<QLabel>(QLatin1String(nome))->text(); };
    const auto edit = [s](const char *nome) { return s->Control<QLineEdit>(QLatin1String(nome))->text(); };
    EXPECT_EQ(testo("txTotGeneraliQ"), KFormati::FormatFloat(KFormati::GetDisplay(KFormati::fnQuantita), 13));
    EXPECT_EQ(testo("txTotGeneraliV"), KFormati::FormatFloat(KFormati::GetDisplay(KFormati::fnValoreIT), 40));
    EXPECT_EQ(edit("edProgQtaCar"), KFormati::FormatFloat(KFormati::GetDisplay(KFormati::fnQuantita), 20));
    EXPECT_EQ(testo("txQtaResPN"), KFormati::FormatFloat(KFormati::GetDisplay(KFormati::fnQuantita), 3));
    EXPECT_EQ(s->TMain->FieldByName(QStringLiteral("_DsCliFor"))->AsString(), QStringLiteral("Ristorante Bianchi"));
    EXPECT_EQ(s->TMain->FieldByName(QStringLiteral("_DsDestinaz"))->AsString(), QStringLiteral("Sede mare"));
    VaiScheda(s, QStringLiteral("C002"), 2, 0);
    EXPECT_EQ(F(s, "_QtaResPN"), 2);
    VaiScheda(s, QStringLiteral("C002"), 0, 1);
    EXPECT_EQ(F(s, "_QtaResPN"), 5) << "the account total counts every destination";
    EXPECT_EQ(F(s, "_TotGenQ"), 21);
}

TEST_F(ResiSchede, TheReturnsChecksAndALinkedReturnThatCannotBeDeleted)
{
    TFqarn0209f *f = Resi();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    auto rifiuto = [&](const QString &controllo, const QString &testo, const QString &messaggio) {
        EXPECT_FALSE(Scrivi(f, controllo, testo)) << testo.toStdString();
        EXPECT_EQ(script.LastText(), messaggio) << testo.toStdString();
    };
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C001")));
    rifiuto(QStringLiteral("edIdConto"), QString(), QStringLiteral("Specificare un codice cliente"));
    rifiuto(QStringLiteral("edIdConto"), QStringLiteral("C003"),
            QStringLiteral("Cliente non abilitato alla gestione cauzioni"));
    rifiuto(QStringLiteral("edIdConto"), QStringLiteral("ZZ'9"), QStringLiteral("Codice Cliente non Valido"));
    rifiuto(QStringLiteral("edIdDestinazione"), QStringLiteral("2"), QStringLiteral("Codice Destinatario non valido"));
    // the searches: the customers, the customer's own destinations
    EXPECT_EQ(Elencati(f, QStringLiteral("edIdConto")), (QStringList{"C001", "C002", "C003"}));
    EXPECT_EQ(Elencati(f, QStringLiteral("edIdDestinazione")), QStringList{"1"});
    ASSERT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C002")));
    EXPECT_EQ(Elencati(f, QStringLiteral("edIdDestinazione")), (QStringList{"1", "2"}));
    f->TTDettaglio->Append();
    EXPECT_THROW(f->TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("XX")),
                 Exception);
    f->TTDettaglio->Cancel();
    // a quantity needs its packaging code; an empty row is dropped
    f->TTDettaglio->Append();
    f->TTDettaglio->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(3);
    try {
        f->TTDettaglio->Post();
        ADD_FAILURE() << "a quantity without packaging posted";
    } catch (const std::exception &e) {
        EXPECT_EQ(Kmessages::ExceptionText(e), QStringLiteral("Codice Imballo/Cauzione non valido"));
    }
    f->TTDettaglio->Cancel();
    script.Yes(Abbandono);
    Premi(f, nbCancel);

    // the account never typed: refused at the save, nothing stored, the edit kept
    script.ClearMessages();
    Premi(f, nbInsert);
    f->tMain->FieldByName(QStringLiteral("DataReg"))->SetAsDateTime(QDateTime(QDate(2026, 4, 1), QTime(0, 0)));
    f->TTDettaglio->Append();
    f->TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->SetAsString(QStringLiteral("CAS"));
    f->TTDettaglio->FieldByName(QStringLiteral("QtaRes"))->SetAsFloat(2);
    f->TTDettaglio->Post();
    Premi(f, nbPost);
    EXPECT_EQ(script.Texts(), QStringList{"Specificare un codice cliente"});
    EXPECT_EQ(script.Messages().last().Type, mtError);
    EXPECT_EQ(f->tMain->State(), dsInsert);
    EXPECT_EQ(f->TTDettaglio->RecordCount(), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovResT")) + Conta(QStringLiteral("LUMO_MovResR")), 0);
    script.Yes(Abbandono);
    Premi(f, nbCancel);

    const int reso = Reso(f, QStringLiteral("C001"), 0, {{QStringLiteral("CAS"), 4}, {QStringLiteral("BOT"), 6}});
    // a document takes it meanwhile
    AltroUtente()->ExecSQL(QStringLiteral("UPDATE LUMO_MovResT SET KDocT = 77, FlTipoDocColl = 1 WHERE KMovResT = ?"),
                           {reso});
    Vai(f, reso);
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Attenzione movimento collegato ad un documento! - operazione non consentita"));
    EXPECT_EQ(f->tMain->State(), dsBrowse);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovResT")), 1);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovResR")), 2) << "left whole";

    // pending again, it goes with its rows
    Esegui(QStringLiteral("UPDATE LUMO_MovResT SET KDocT = 0, FlTipoDocColl = 0"));
    Vai(f, reso);
    script.Yes(Cancellazione);
    Premi(f, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovResT")), 0) << script.LastText().toStdString();
    EXPECT_EQ(Conta(QStringLiteral("LUMO_MovResR")), 0);
}

TEST_F(ResiSchede, TheSearchSelectsByTypeAccountAndPeriod)
{
    TFqarn0209f *f = Resi();
    ASSERT_NE(f, nullptr);
    const int primo = Reso(f, QStringLiteral("C001"), 0, {{QStringLiteral("CAS"), 1}}, QDate(2026, 1, 10));
    const int secondo = Reso(f, QStringLiteral("C002"), 1, {{QStringLiteral("CAS"), 2}}, QDate(2026, 2, 10));
    auto trovati = [&](const QString &tipo, const QString &conto, const QDate &da = {}) {
        TXMemTable pars;
        pars.SetTableName(QStringLiteral("lumo0204d"));
        pars.SetUsaDizionario(true);
        pars.Open();
        pars.Append();
        pars.FieldByName(QStringLiteral("IdContoTp"))->SetAsString(tipo);
        pars.FieldByName(QStringLiteral("IdConto"))->SetAsString(conto);
        if (da.isValid())
            pars.FieldByName(QStringLiteral("DaData"))->SetAsDateTime(QDateTime(da, QTime(0, 0)));
        QString lista, filtro;
        TFLumoRicercaMovimenti::CreaSelezione(&pars, QStringLiteral("KMovResT"), lista, filtro);
        return Elenco(QStringLiteral("SELECT KMovResT FROM LUMO_MovResT WHERE ") + filtro
                      + QStringLiteral(" ORDER BY KMovResT"));
    };
    const QString a = QString::number(primo), b = QString::number(secondo);
    EXPECT_EQ(trovati(QString(), QString()), (QStringList{a, b}));
    EXPECT_EQ(trovati(QStringLiteral("TT"), QString()), (QStringList{a, b}));
    EXPECT_EQ(trovati(QStringLiteral("CL"), QStringLiteral("C002")), QStringList{b});
    EXPECT_EQ(trovati(QStringLiteral("FO"), QString()), QStringList{});
    EXPECT_EQ(trovati(QStringLiteral("TT"), QString(), QDate(2026, 2, 1)), QStringList{b});
    EXPECT_EQ(trovati(QStringLiteral("CL"), QStringLiteral("C0' OR '1'='1")), QStringList{}) << "a quote stays a quote";

    // through the dialog: its list, then OK on the window
    script.OnDialog(QStringLiteral("TFQarn0209d"), [&](TForm &d) {
        auto &dialogo = static_cast<TFLumoRicercaMovimenti &>(d);
        EXPECT_FALSE(dialogo.btOk->isEnabled()) << "nothing listed yet";
        dialogo.tPars->FieldByName(QStringLiteral("IdConto"))->SetAsString(QStringLiteral("C002"));
        dialogo.btSelezione->click();
        EXPECT_TRUE(dialogo.btOk->isEnabled());
        EXPECT_EQ(dialogo.qLista->RecordCount(), 1);
        dialogo.btOk->click();
        return dialogo.ModalResult();
    });
    f->XFormXRicerca();
    EXPECT_EQ(f->tMain->RecordCount(), 1);
    EXPECT_EQ(f->tMain->FieldByName(QStringLiteral("KMovResT"))->AsInteger(), secondo);
}

TEST_F(ResiSchede, CardsOfOneTypeWithTheirChecks)
{
    Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"), 5, 1);
    Scheda(QStringLiteral("FO"), QStringLiteral("F001"), 0, 0, QStringLiteral("CAS"), 8, 0);
    TFqarn0202f *s = Schede(QStringLiteral("QARN0202F_F"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Caption(), QStringLiteral("Progressivi Cauzioni Fornitori"));
    EXPECT_FALSE(s->Control(QStringLiteral("edIdDestinazione"))->isVisible());
    EXPECT_EQ(s->TMain->RecordCount(), 1);
    EXPECT_EQ(s->TMain->FieldByName(QStringLiteral("IdConto"))->AsString(), QStringLiteral("F001"));
    // one window at a time
    main->MenuChoice(QStringLiteral("QARN0202F_C"));
    EXPECT_TRUE(script.Shown(QStringLiteral("Gestione progressivi già attiva")));
    EXPECT_EQ(s->TipoConto, QStringLiteral("FO"));

    // a new card of the type, its checks
    Premi(s, nbInsert);
    ASSERT_EQ(s->TMain->State(), dsInsert);
    EXPECT_EQ(s->TMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(), QStringLiteral("FO"));
    EXPECT_EQ(s->TMain->FieldByName(QStringLiteral("IdDivisa"))->AsString(), QStringLiteral("EUR"));
    EXPECT_FALSE(Scrivi(s, QStringLiteral("edIdConto"), QStringLiteral("F002")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Fornitore non abilitato per le cauzioni"));
    EXPECT_TRUE(Scrivi(s, QStringLiteral("edIdConto"), QStringLiteral("F001")));
    EXPECT_FALSE(Scrivi(s, QStringLiteral("edIdImballo"), QStringLiteral("ZZ")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Imballo / Cauzione non trovata"));
    EXPECT_TRUE(Scrivi(s, QStringLiteral("edIdImballo"), QStringLiteral("FUS")));
    // excess 0 -> 5 with 2 loaded: 3 at once
    EXPECT_TRUE(Scrivi(s, QStringLiteral("edQtaCarEcc"), QStringLiteral("2")));
    EXPECT_TRUE(Scrivi(s, QStringLiteral("edQtaResEcc"), QStringLiteral("5")));
    EXPECT_EQ(F(s, "EsiAttEcc"), 3);
    Premi(s, nbPost);
    EXPECT_EQ(s->TMain->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Elenco(QStringLiteral(
                  "SELECT IdContoTp, IdConto, IdImballo, EsiAttEcc FROM LUMO_ProgCauz WHERE IdImballo = 'FUS'")),
              QStringList{"FO/F001/FUS/3"});
    EXPECT_TRUE(s->Close());
    ProcessEvents();

    // customers: destinations 0 and 999 taken without a lookup, others checked
    TFqarn0202f *c = Schede(QStringLiteral("QARN0202F_C"));
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->TMain->RecordCount(), 1);
    Premi(c, nbEdit);
    ASSERT_EQ(c->TMain->State(), dsEdit);
    EXPECT_TRUE(Scrivi(c, QStringLiteral("edIdDestinazione"), QStringLiteral("999")));
    EXPECT_FALSE(Scrivi(c, QStringLiteral("edIdDestinazione"), QStringLiteral("5")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Destinazione non trovata"));
    EXPECT_FALSE(Scrivi(c, QStringLiteral("edIdConto"), QStringLiteral("C003")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Cliente non abilitato per le cauzioni"));
    Premi(c, nbPost);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT IdDestinazione FROM LUMO_ProgCauz WHERE IdContoTp = 'CL'")),
              QStringList{"999"});

    // a card of the other type reached by the table is refused for editing
    c->TMain->Close();
    c->TMain->SetXWhere(QString());
    c->TMain->Open();
    ASSERT_TRUE(c->TMain->Locate(QStringLiteral("IdContoTp"), QStringLiteral("FO")));
    EXPECT_THROW(c->TMain->Edit(), Exception);
}

TEST_F(ResiSchede, TheAccountSearchFiltersTheCards)
{
    Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"), 5, 1);
    Scheda(QStringLiteral("CL"), QStringLiteral("C002"), 0, 0, QStringLiteral("CAS"), 5, 1);
    Scheda(QStringLiteral("FO"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"), 5, 1);
    TFqarn0202f *s = Schede(QStringLiteral("QARN0202F_C"));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->TMain->RecordCount(), 2);
    s->FiltraConti(QStringLiteral("WHERE LUMO_ProgCauz.IdConto = 'C001'"), QStringLiteral("LUMO_ProgCauz.IdConto"));
    EXPECT_EQ(s->TMain->RecordCount(), 1) << "the window's type still applies";
    EXPECT_EQ(s->TMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(), QStringLiteral("CL"));
    s->FiltraConti(QString());
    EXPECT_EQ(s->TMain->RecordCount(), 2);
}

TEST_F(ResiSchede, ADirectPostRacingAJournalSaveFailsAndKeepsTheStoredCard)
{
    Scheda(QStringLiteral("CL"), QStringLiteral("C001"), 0, 0, QStringLiteral("CAS"), 5, 1);
    TFqarn0202f *s = Schede(QStringLiteral("QARN0202F_C"));
    ASSERT_NE(s, nullptr);
    Premi(s, nbEdit);
    ASSERT_EQ(s->TMain->State(), dsEdit);
    EXPECT_TRUE(Scrivi(s, QStringLiteral("edProgQtaCar"), QStringLiteral("9")));
    // a journal save of another user moves the card meanwhile
    AltroUtente()->ExecSQL(
        QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = ProgQtaCar + 2 WHERE IdConto = 'C001'"));
    script.ClearMessages();
    Premi(s, nbPost);
    EXPECT_TRUE(script.LastText().startsWith(QStringLiteral("Record modificato o cancellato da un altro utente")))
        << script.LastText().toStdString();
    EXPECT_EQ(Elenco(QStringLiteral("SELECT ProgQtaCar FROM LUMO_ProgCauz WHERE IdConto = 'C001'")), QStringList{"7"});
}
