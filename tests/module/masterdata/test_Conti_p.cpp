// The module's customers, suppliers and destinations windows from their menu codes: the
// excise, deposit and transport controls following the parameter record and the account's
// own settings, the clearing of switched-off columns at store, the deposit account check and
// the customer's deposit cards.
#include "tests/module/masterdata/EstensioniFixture.h"

#include "host/data/TXQuery.h"
#include "host/ui/DBGrid.h"
#include "masterdata/Bbas0051f_p.h"
#include "masterdata/Bbas0052f_p.h"
#include "masterdata/Bbas0058f_p.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QToolButton>

using namespace kv8test;

namespace {

class Conti : public Estensioni {
protected:
    void SetUp() override
    {
        Estensioni::SetUp();
        if (IsSkipped())
            return;
        for (const char *c : {"C0001", "C0002", "C0003"})
            Esegui(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', ?, ?)"),
                   {QLatin1String(c), QStringLiteral("Cliente ") + QLatin1String(c)});
        Esegui(QStringLiteral(
            "INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES ('CG', '0501', 'Cauzioni attive')"));
    }

    TFBbas0051f_p *ApriClienti(const QString &codice = QString())
    {
        auto *f =
            Apri<TFBbas0051f_p>(codice.isEmpty() ? QStringLiteral("BBAS0051F") : QStringLiteral("BBAS0051F;") + codice);
        EXPECT_EQ(f, FBbas0051f_p.data());
        return f;
    }
    static void Vai(TFBBasConti *f, const QString &codice)
    {
        ASSERT_TRUE(f->TMain->Locate(QStringLiteral("IdContoTp;IdConto"), QVariantList{f->TipoConto(), codice}));
        ProcessEvents();
    }
    QVariantMap Cliente(const QString &codice)
    {
        QSqlQuery q = company.Database().OpenQuery(QStringLiteral("SELECT * FROM Clienti WHERE IdConto = ?"), {codice});
        QVariantMap out;
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                out.insert(q.record().fieldName(i).toLower(), q.value(i));
        return out;
    }
    static QStringList Titoli(KDBGriglia *g)
    {
        QStringList out;
        for (int i = 0; i < g->ColumnCount(); ++i)
            out << g->Columns(i).Title;
        return out;
    }
};

} // namespace

TEST_F(Conti, CustomerOpensOnTheCodeWithItsPages)
{
    Tutti(1);
    TFBbas0051f_p *f = ApriClienti(QStringLiteral("C0002"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Caption(), QStringLiteral("Anagrafica Clienti (Dusaria)"));
    EXPECT_EQ(f->TMain->FieldByName(QStringLiteral("IdConto"))->AsString(), QStringLiteral("C0002"));
    EXPECT_EQ(Pagine(f).mid(Pagine(f).size() - 2), (QStringList{"Dati Vini/Bibite", "Prog.Cauzioni"}));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbUT_LMQ_ContoCau"))->text(),
              QStringLiteral("Codice Conto Cauzioni:"));

    // the host's destinations button reaches the module's destinations window
    f->btDestinazioni->click();
    ProcessEvents();
    ASSERT_FALSE(FBBas0058f_p.isNull());
    EXPECT_EQ(FBBas0058f_p->Conto(), QStringLiteral("C0002"));
    EXPECT_EQ(FBBas0058f_p->Caption(), QStringLiteral("Destinatari (Dusaria)"));
}

TEST_F(Conti, DepositCardsShowTheCustomersOwnPerDestinationCards)
{
    Tutti(1);
    Esegui(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo) VALUES ('CAS', 'Cassa legno')"));
    Esegui(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo) VALUES ('BOT', 'Bottiglia')"));
    const QString carta =
        QStringLiteral("INSERT INTO LUMO_ProgCauz (IdContoTp, IdConto, FlTipoScheda, IdDestinazione, IdImballo, "
                       "ProgQtaCar, ProgValCar, ProgQtaCarF) VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
    Esegui(carta, {QStringLiteral("CL"), QStringLiteral("C0001"), 0, 2, QStringLiteral("BOT"), 10, 25, 4});
    Esegui(carta, {QStringLiteral("CL"), QStringLiteral("C0001"), 0, 0, QStringLiteral("CAS"), 1234.5, 1234.4, 0});
    Esegui(carta, {QStringLiteral("FO"), QStringLiteral("C0001"), 0, 0, QStringLiteral("CAS"), 7, 7, 0});
    Esegui(carta, {QStringLiteral("CL"), QStringLiteral("C0001"), 1, 0, QStringLiteral("CAS"), 1244.5, 1259.4, 4});
    Esegui(carta, {QStringLiteral("CL"), QStringLiteral("C0002"), 1, 0, QStringLiteral("CAS"), 3, 3, 0});

    TFBbas0051f_p *f = ApriClienti(QStringLiteral("C0001"));
    ASSERT_NE(f, nullptr);
    TXQuery *q = f->qUT_LMQ_ProgCauz;
    ASSERT_TRUE(q->Active());
    ASSERT_EQ(q->RecordCount(), 2) << "neither the supplier's card nor the account total";
    q->First();
    EXPECT_EQ(q->FieldByName(QStringLiteral("IdImballo"))->AsString(), QStringLiteral("CAS")) << "by destination";
    EXPECT_EQ(q->FieldByName(QStringLiteral("ProgQtaCar"))->DisplayText(), QStringLiteral("1.234,50"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("ProgValCar"))->DisplayText(), QStringLiteral("1.234"));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("txDsImballoCauz"))->text(), QStringLiteral("Cassa legno"));
    q->Next();
    ProcessEvents();
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("txDsImballoCauz"))->text(), QStringLiteral("Bottiglia"));

    EXPECT_EQ(Titoli(f->grQuantita),
              (QStringList{"Des.Div.", "Imballo", "Qtà Carico", "Qtà Resa", "Qta. Carico", "Qtà Resa", "Qtà Carico",
                           "Qtà Resa", "Qtà Car.", "Qtà Rese", "Esistenza"}));
    EXPECT_EQ(Titoli(f->grValori), (QStringList{"Des.Div.", "Imballo", "Val. Carico", "Valore Reso", "Val.Carico",
                                                "Val. Reso", "Val. Carico", "Val. Reso"}));
    EXPECT_TRUE(f->grQuantita->ReadOnly());

    // the grid on the clipboard: its titles and both rows
    f->grQuantita->CopiaNegliAppunti();
    const QStringList righe = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(righe.size(), 3);
    EXPECT_TRUE(righe.at(0).startsWith(QStringLiteral("Des.Div.")));
    EXPECT_TRUE(righe.at(1).contains(QStringLiteral("1.234,50")));
    EXPECT_TRUE(righe.at(2).contains(QStringLiteral("BOT")));

    // the cards follow the customer; one with only the account-total card shows none
    Vai(f, QStringLiteral("C0002"));
    EXPECT_EQ(q->RecordCount(), 0);
    Vai(f, QStringLiteral("C0001"));
    EXPECT_EQ(q->RecordCount(), 2);
}

TEST_F(Conti, DepositsOffHideTheCardsAndDisableTheDepositSetting)
{
    Parametri({{QStringLiteral("FlAbilCauz"), 0},
               {QStringLiteral("FlAbilAccisa"), 1},
               {QStringLiteral("FlAbilTrasporto"), 0}});
    TFBbas0051f_p *f = ApriClienti();
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(Pagine(f).contains(QStringLiteral("Prog.Cauzioni")));
    EXPECT_TRUE(Pagine(f).contains(QStringLiteral("Dati Vini/Bibite")));
    EXPECT_FALSE(f->cbUT_UT_LMQ_FlCauz->isEnabled());
    EXPECT_FALSE(f->cbUT_LMQ_FlGesTraCli->isEnabled());
    EXPECT_TRUE(f->cbUT_LMQ_FlTipCli->isEnabled());
    EXPECT_FALSE(f->qUT_LMQ_ProgCauz->Active()) << "no cards read";
}

TEST_F(Conti, ControlsFollowTheCustomerAndItsSettings)
{
    Tutti(1);
    Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_FlCauz = 1, UT_LMQ_FlTipCli = 1 WHERE IdConto = 'C0002'"));
    TFBbas0051f_p *f = ApriClienti(QStringLiteral("C0001"));
    ASSERT_NE(f, nullptr);
    const auto deposito = [f] {
        return f->edUT_LMQ_IdListCau->isEnabled() && f->edUT_LMQ_ContoCau->isEnabled()
               && f->chUT_LMQ_FlCauDes->isEnabled();
    };
    const auto accisa = [f] {
        return f->edUT_LMQ_CodAcc->isEnabled() && f->edUT_LMQ_RapFis->isEnabled() && f->edUT_LMQ_DurVia->isEnabled();
    };
    EXPECT_FALSE(f->edUT_LMQ_IdListCau->isEnabled());
    EXPECT_FALSE(f->edUT_LMQ_CodAcc->isEnabled());
    EXPECT_TRUE(f->cbUT_LMQ_FlGesTraCli->isEnabled());
    Vai(f, QStringLiteral("C0002"));
    EXPECT_TRUE(deposito());
    EXPECT_TRUE(accisa());
    Vai(f, QStringLiteral("C0001"));
    EXPECT_FALSE(f->chUT_LMQ_FlCauDes->isEnabled());

    // choosing deposits and an excise type switches the controls at once, in the same record
    Premi(f, nbEdit);
    Scegli(f, QStringLiteral("cbUT_UT_LMQ_FlCauz"), 1);
    EXPECT_TRUE(deposito());
    Scegli(f, QStringLiteral("cbUT_LMQ_FlTipCli"), 1);
    EXPECT_TRUE(accisa());
    Scegli(f, QStringLiteral("cbUT_LMQ_FlTipCli"), 0);
    EXPECT_FALSE(f->edUT_LMQ_DurVia->isEnabled());
    Premi(f, nbCancel);
}

TEST_F(Conti, SwitchedOffColumnsAreClearedWhenTheCustomerIsStored)
{
    Tutti(1);
    TFBbas0051f_p *f = ApriClienti(QStringLiteral("C0001"));
    ASSERT_NE(f, nullptr);
    Premi(f, nbEdit);
    Scegli(f, QStringLiteral("cbUT_UT_LMQ_FlCauz"), 1);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_LMQ_IdListCau"), QStringLiteral("L1")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_LMQ_ContoCau"), QStringLiteral("0501")));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("txDsContoCau"))->text(), QStringLiteral("Cauzioni attive"));
    f->chUT_LMQ_FlCauDes->click();
    Scegli(f, QStringLiteral("cbUT_LMQ_FlTipCli"), 1);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_LMQ_CodAcc"), QStringLiteral("IT00ABC123")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edUT_LMQ_RapFis"), QStringLiteral("Studio Rossi")));
    Scegli(f, QStringLiteral("cbUT_LMQ_FlGesTraCli"), 1);
    Premi(f, nbPost);
    QVariantMap c = Cliente(QStringLiteral("C0001"));
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_contocau")).toString(), QStringLiteral("0501"));
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_flcaudes")).toInt(), 1);
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_codacc")).toString(), QStringLiteral("IT00ABC123"));

    // deposits and excise switched off on the customer: what was typed goes
    Premi(f, nbEdit);
    Scegli(f, QStringLiteral("cbUT_UT_LMQ_FlCauz"), 0);
    Scegli(f, QStringLiteral("cbUT_LMQ_FlTipCli"), 0);
    Premi(f, nbPost);
    EXPECT_FALSE(f->Aggiornando());
    c = Cliente(QStringLiteral("C0001"));
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_idlistcau")).toString(), QString());
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_contocau")).toString(), QString());
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_flcaudes")).toInt(), 0);
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_codacc")).toString(), QString());
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_rapfis")).toString(), QString());
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_flgestracli")).toInt(), 1);
    f->Close();
    ProcessEvents();

    // the areas off in the parameters: stored settings go too, the transport setting stays
    Esegui(QStringLiteral("UPDATE Clienti SET UT_LMQ_FlCauz = 1, UT_LMQ_IdListCau = 'L1', UT_LMQ_FlTipCli = 1, "
                          "UT_LMQ_DurVia = '2 giorni' WHERE IdConto = 'C0001'"));
    Tutti(0);
    f = ApriClienti(QStringLiteral("C0001"));
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->cbUT_LMQ_FlGesTraCli->isEnabled());
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Cliente uno")));
    Premi(f, nbPost);
    c = Cliente(QStringLiteral("C0001"));
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_flcauz")).toInt(), 0);
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_idlistcau")).toString(), QString());
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_fltipcli")).toInt(), 0);
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_durvia")).toString(), QString());
    EXPECT_EQ(c.value(QStringLiteral("ut_lmq_flgestracli")).toInt(), 1);
}

TEST_F(Conti, DepositAccountMustBeAnAccount)
{
    Tutti(1);
    TFBbas0051f_p *f = ApriClienti(QStringLiteral("C0001"));
    ASSERT_NE(f, nullptr);
    TDataSet *t = f->TMain;
    EXPECT_EQ(Assegna(t, QStringLiteral("UT_LMQ_ContoCau"), QStringLiteral("0501")), QString());
    EXPECT_EQ(Assegna(t, QStringLiteral("UT_LMQ_ContoCau"), QStringLiteral("0599")),
              QStringLiteral("Codice Conto non valido !"));
    EXPECT_EQ(t->FieldByName(QStringLiteral("UT_LMQ_ContoCau"))->AsString(), QStringLiteral("0501"));
    EXPECT_EQ(Assegna(t, QStringLiteral("UT_LMQ_ContoCau"), QString()), QString());
    // an account created since the window opened
    Esegui(QStringLiteral(
        "INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES ('CG', '0599', 'Cauzioni passive')"));
    EXPECT_EQ(Assegna(t, QStringLiteral("UT_LMQ_ContoCau"), QStringLiteral("0599")), QString());
    // the deposit price list is not checked
    EXPECT_EQ(Assegna(t, QStringLiteral("UT_LMQ_IdListCau"), QStringLiteral("ZZZ")), QString());
    Premi(f, nbCancel);
}

TEST_F(Conti, ARefusedStoreLeavesTheClearingFlagDown)
{
    Tutti(1);
    TFBbas0051f_p *f = ApriClienti();
    ASSERT_NE(f, nullptr);
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Senza codice")));
    Premi(f, nbPost);
    EXPECT_EQ(f->TMain->State(), dsInsert) << "the host refused it";
    EXPECT_FALSE(script.Messages().isEmpty());
    EXPECT_FALSE(f->Aggiornando());
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C0009")));
    Premi(f, nbPost);
    EXPECT_EQ(f->TMain->State(), dsBrowse);
    EXPECT_FALSE(f->Aggiornando());
    EXPECT_EQ(Cliente(QStringLiteral("C0009")).value(QStringLiteral("ragionesociale")).toString(),
              QStringLiteral("Senza codice"));
}

TEST_F(Conti, SuppliersKeepTheirDepositDataOnlyWithDeposits)
{
    Esegui(QStringLiteral("INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, UT_LMQ_IdListCau) "
                          "VALUES ('FO', 'F0001', 'Vetreria', 1, 'L1')"));
    Esegui(QStringLiteral("INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale, UT_LMQ_FlCauz, UT_LMQ_IdListCau) "
                          "VALUES ('FO', 'F0002', 'Cartiera', 1, 'L2')"));
    const auto listino = [this](const char *c) {
        return Valore(QStringLiteral("SELECT UT_LMQ_IdListCau FROM Fornitori WHERE IdConto = ?"), {QLatin1String(c)})
            .toString();
    };
    Parametri({{QStringLiteral("FlAbilCauz"), 1}});
    auto *f = Apri<TFBbas0052f_p>(QStringLiteral("BBAS0052F"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f, FBbas0052f_p.data());
    EXPECT_EQ(f->Caption(), QStringLiteral("Anagrafica Fornitori (Dusaria)"));
    EXPECT_EQ(Pagine(f).last(), QStringLiteral("Dati Vini/Bibite"));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbUT_LMQ_IdListCau"))->text(), QStringLiteral("Cod.Listino Cauz."));
    EXPECT_TRUE(f->edUT_LMQ_IdListCau->isEnabled());
    Premi(f, nbEdit);
    Scegli(f, QStringLiteral("cbUT_LMQ_FlCauz"), 0);
    EXPECT_FALSE(f->edUT_LMQ_IdListCau->isEnabled());
    Premi(f, nbPost);
    EXPECT_EQ(listino("F0001"), QString());
    f->Close();
    ProcessEvents();

    Parametri({{QStringLiteral("FlAbilCauz"), 0}});
    f = Apri<TFBbas0052f_p>(QStringLiteral("BBAS0052F"));
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->cbUT_LMQ_FlCauz->isEnabled());
    ASSERT_TRUE(f->TMain->Locate(QStringLiteral("IdContoTp;IdConto"),
                                 QVariantList{QStringLiteral("FO"), QStringLiteral("F0002")}));
    EXPECT_FALSE(f->edUT_LMQ_IdListCau->isEnabled());
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Cartiera Nord")));
    Premi(f, nbPost);
    EXPECT_EQ(listino("F0002"), QString());
    EXPECT_EQ(Valore(QStringLiteral("SELECT UT_LMQ_FlCauz FROM Fornitori WHERE IdConto = 'F0002'")).toInt(), 0);
}

TEST_F(Conti, DestinationsClearTheirExciseDataWithoutExcise)
{
    const QString destinazione =
        QStringLiteral("INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione, RagioneSociale, "
                       "UT_LMQ_FlTipCli, UT_LMQ_CodAcc, UT_LMQ_RapFis, UT_LMQ_DurVia) VALUES ('CL', ?, ?, ?, 1, "
                       "'IT00X', 'Studio', '1 giorno')");
    Esegui(destinazione, {QStringLiteral("C0002"), 1, QStringLiteral("Magazzino")});
    Esegui(destinazione, {QStringLiteral("C0003"), 1, QStringLiteral("Negozio")});
    const auto riga = [this](const char *conto) {
        QSqlQuery q =
            company.Database().OpenQuery(QStringLiteral("SELECT UT_LMQ_FlTipCli, UT_LMQ_CodAcc, UT_LMQ_RapFis, "
                                                        "UT_LMQ_DurVia FROM Destinazioni WHERE IdConto = ?"),
                                         {QLatin1String(conto)});
        q.next();
        return QVariantList{q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()};
    };

    Parametri({{QStringLiteral("FlAbilAccisa"), 1}});
    auto *f = Apri<TFBBas0058f_p>(QStringLiteral("BBAS0058F;CL;C0003"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->tDestinazioni->RecordCount(), 1) << "the host's InitForm took the text";
    EXPECT_EQ(Pagine(f).last(), QStringLiteral("Accisa - DuSa"));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbUT_LMQ_DurVia"))->text(), QStringLiteral("Durara Viaggio"));
    EXPECT_TRUE(f->edUT_LMQ_CodAcc->isEnabled());
    Premi(f, nbEdit);
    Scegli(f, QStringLiteral("cbUT_LMQ_FlTipCli"), 0);
    EXPECT_FALSE(f->edUT_LMQ_CodAcc->isEnabled());
    Premi(f, nbPost);
    EXPECT_EQ(riga("C0003"), (QVariantList{0, QString(), QString(), QString()}));
    f->Close();
    ProcessEvents();

    // excise off: the page is hidden and any store clears the destination's excise data
    Parametri({{QStringLiteral("FlAbilAccisa"), 0}});
    f = Apri<TFBBas0058f_p>(QStringLiteral("BBAS0058F;CL;C0002"));
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(Pagine(f).contains(QStringLiteral("Accisa - DuSa")));
    EXPECT_FALSE(f->cbUT_LMQ_FlTipCli->isEnabled());
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Magazzino nord")));
    Premi(f, nbPost);
    EXPECT_EQ(riga("C0002"), (QVariantList{0, QString(), QString(), QString()}));
}
