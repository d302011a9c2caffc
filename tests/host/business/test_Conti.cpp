// Customers, suppliers and their delivery destinations: each account kept with its row of
// the chart of accounts, accounts still used refused on delete, the bank checked with its
// agency, the window opened on an account, the destinations limited to one account.
#include "tests/host/business/FinestreFixture.h"

#include "host/business/Fbbas0051f.h"
#include "host/business/Fbbas0052f.h"
#include "host/business/Fbbas0058f.h"
#include "host/db/Dictionary.h"

#include <QLabel>

using namespace kv8test;

namespace {

class Conti : public Finestre {
protected:
    void SetUp() override
    {
        Finestre::SetUp();
        if (IsSkipped())
            return;
        TXDatabase &db = company.Database();
        for (const char *c : {"C0001", "C0002"})
            db.ExecSQL(QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', ?, ?)"),
                       {QLatin1String(c), QStringLiteral("Cliente ") + QLatin1String(c)});
        db.ExecSQL(QStringLiteral(
            "INSERT INTO Fornitori (IdContoTp, IdConto, RagioneSociale) VALUES ('FO', 'F0001', 'Vetreria')"));
        Destinazione(QStringLiteral("CL"), QStringLiteral("C0002"), 1, QStringLiteral("Ristorante Brera"));
        Destinazione(QStringLiteral("CL"), QStringLiteral("C0002"), 2, QStringLiteral("Ristorante Navigli"));
        Destinazione(QStringLiteral("CL"), QStringLiteral("C0001"), 1, QStringLiteral("Magazzino Torino"));
        Destinazione(QStringLiteral("FO"), QStringLiteral("F0001"), 1, QStringLiteral("Stabilimento"));
    }
    void Destinazione(const QString &tipo, const QString &conto, int numero, const QString &nome)
    {
        company.Database().ExecSQL(
            QStringLiteral(
                "INSERT INTO Destinazioni (IdContoTp, IdConto, IdDestinazione, RagioneSociale) VALUES (?, ?, ?, ?)"),
            {tipo, conto, numero, nome});
    }
    QString Conto(const QString &tipo, const QString &codice)
    {
        return Valore(QStringLiteral("SELECT RagioneSociale FROM PianoConti WHERE IdContoTp = ? AND IdConto = ?"),
                      {tipo, codice})
            .toString();
    }
    static QStringList Righe(TDataSet *ds, const QString &campi)
    {
        QStringList out;
        for (ds->First(); !ds->Eof(); ds->Next()) {
            QStringList r;
            for (TField *f : ds->GetFieldList(campi))
                r << f->AsString();
            out << r.join(QLatin1Char('/'));
        }
        return out;
    }
};

} // namespace

TEST_F(Conti, AnAccountIsKeptWithItsRowOfTheChartOfAccounts)
{
    const struct {
        const char *codice;
        const char *tipo;
        const char *conto;
    } casi[] = {{"BBAS0051F", "CL", "C0100"}, {"BBAS0052F", "FO", "F0100"}};
    for (const auto &c : casi) {
        SCOPED_TRACE(c.codice);
        auto *f = Apri<TFBBasConti>(QLatin1String(c.codice));
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(f->TipoConto(), QLatin1String(c.tipo));
        Premi(f, nbInsert);
        EXPECT_EQ(f->TMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(), QLatin1String(c.tipo));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QLatin1String(c.conto)));
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Rossi S.r.l.")));
        Premi(f, nbPost);
        ASSERT_EQ(f->TMain->State(), dsBrowse) << script.LastText().toStdString();
        EXPECT_EQ(Conto(QLatin1String(c.tipo), QLatin1String(c.conto)), QStringLiteral("Rossi S.r.l."));

        Premi(f, nbEdit);
        EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Rossi & Figli S.r.l.")));
        Premi(f, nbPost);
        EXPECT_EQ(Conto(QLatin1String(c.tipo), QLatin1String(c.conto)), QStringLiteral("Rossi & Figli S.r.l."));

        script.Yes(QStringLiteral("Conferma Cancellazione ?"));
        Premi(f, nbDelete);
        EXPECT_EQ(Conta(QStringLiteral("PianoConti"), QStringLiteral("IdConto = ?"), {QLatin1String(c.conto)}), 0);
        f->Close();
        ProcessEvents();
    }
    // an account row left from before is taken over, not duplicated
    company.Database().ExecSQL(QStringLiteral(
        "INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C0200', 'Vecchio')"));
    auto *f = Apri<TFBbas0051f>(QStringLiteral("BBAS0051F"));
    Premi(f, nbInsert);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdConto"), QStringLiteral("C0200")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Nuovo")));
    Premi(f, nbPost);
    EXPECT_EQ(Conta(QStringLiteral("PianoConti"), QStringLiteral("IdConto = 'C0200'")), 1);
    EXPECT_EQ(Conto(QStringLiteral("CL"), QStringLiteral("C0200")), QStringLiteral("Nuovo"));
}

TEST_F(Conti, AnAccountStillUsedIsNotDeleted)
{
    company.Database().ExecSQL(
        QStringLiteral("INSERT INTO PianoConti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C0002', 'x')"));
    company.Database().ExecSQL(QStringLiteral(
        "INSERT INTO BolleCliTeste (KBolleCliT, IdClienteTp, IdCliente, IdCausale) VALUES (1, 'CL', 'C0001', 'DDT')"));
    auto *f = Apri<TFBbas0051f>(QStringLiteral("BBAS0051F;C0002"));
    ASSERT_NE(f, nullptr);
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_EQ(script.LastText(), QStringLiteral("Codice C0002 usato in %1: impossibile cancellarlo")
                                     .arg(Dictionary::Instance().Table(QStringLiteral("Destinazioni"))->label));
    EXPECT_EQ(Conta(QStringLiteral("Clienti"), QStringLiteral("IdConto = 'C0002'")), 1);
    EXPECT_EQ(Conta(QStringLiteral("PianoConti"), QStringLiteral("IdConto = 'C0002'")), 1);

    ASSERT_TRUE(f->PosizionaCodice(QStringLiteral("C0001")));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(f, nbDelete);
    EXPECT_TRUE(script.LastText().contains(Dictionary::Instance().Table(QStringLiteral("BolleCliTeste"))->label));
    EXPECT_EQ(Conta(QStringLiteral("Clienti")), 2);

    // a supplier's destination does not hold the customer of the same code, nor the reverse
    auto *fo = Apri<TFBbas0052f>(QStringLiteral("BBAS0052F;F0001"));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(fo, nbDelete);
    EXPECT_TRUE(script.LastText().contains(QStringLiteral("F0001 usato in")));
    company.Database().ExecSQL(QStringLiteral("DELETE FROM Destinazioni WHERE IdContoTp = 'FO'"));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(fo, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("Fornitori")), 0);
}

TEST_F(Conti, TheBankIsCheckedWithItsAgency)
{
    TXDatabase &db = company.Database();
    db.ExecSQL(QStringLiteral("INSERT INTO Banche (IdBanca, IdAgenzia, DsBanca, DsAgenzia) VALUES ('08530', '47300', "
                              "'Banca Colline', 'Canelli')"));
    db.ExecSQL(QStringLiteral("INSERT INTO Banche (IdBanca, IdAgenzia, DsBanca, DsAgenzia) VALUES ('03069', '10100', "
                              "'Banca Grande', 'Torino')"));
    auto *f = Apri<TFBbas0051f>(QStringLiteral("BBAS0051F;C0001"));
    ASSERT_NE(f, nullptr);
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdBanca"), QStringLiteral("08530")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdAgenzia"), QStringLiteral("10100")));
    Premi(f, nbPost);
    EXPECT_EQ(f->TMain->State(), dsEdit);
    EXPECT_EQ(script.LastText(),
              QStringLiteral("Il codice 08530 / 10100 non esiste in Banche: sceglierne uno con la ricerca (F4)."));
    EXPECT_EQ(f->Control<TDBCodeEdit>(QStringLiteral("edIdAgenzia"))->CondizioneRicerca,
              QStringLiteral("IdBanca = '08530'"));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edIdAgenzia"), QStringLiteral("47300")));
    EXPECT_EQ(f->Control<QLabel>(QStringLiteral("lbDsIdAgenzia"))->text(), QStringLiteral("Canelli"));
    Premi(f, nbPost);
    EXPECT_EQ(f->TMain->State(), dsBrowse);
    EXPECT_EQ(Valore(QStringLiteral("SELECT IdAgenzia FROM Clienti WHERE IdConto = 'C0001'")).toString(),
              QStringLiteral("47300"));
}

TEST_F(Conti, APeriodEndingBeforeItStartsIsRefused)
{
    auto *f = Apri<TFBbas0051f>(QStringLiteral("BBAS0051F;C0001"));
    ASSERT_NE(f, nullptr);
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataInizioIvaAg"), QStringLiteral("30/04/2026")));
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataFineIvaAg"), QStringLiteral("01/04/2026")));
    Premi(f, nbPost);
    EXPECT_EQ(f->TMain->State(), dsEdit);
    EXPECT_EQ(script.LastText(), QStringLiteral("La data iniziale supera quella finale: correggere l'intervallo."));
    EXPECT_TRUE(Valore(QStringLiteral("SELECT DataFineIvaAg FROM Clienti WHERE IdConto = 'C0001'")).isNull());
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edDataFineIvaAg"), QStringLiteral("30/04/2026")));
    Premi(f, nbPost);
    EXPECT_EQ(f->TMain->State(), dsBrowse) << script.LastText().toStdString();
}

TEST_F(Conti, TheCustomerWindowOpensOnACustomerAndOnItsDestinations)
{
    auto *f = Apri<TFBbas0051f>(QStringLiteral("BBAS0051F;C0002"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->TMain->FieldByName(QStringLiteral("IdConto"))->AsString(), QStringLiteral("C0002"));
    EXPECT_EQ(f->PageControl->currentWidget(), f->tsAnagrafica);
    EXPECT_TRUE(f->btDestinazioni->isEnabled());

    f->btDestinazioni->click();
    ProcessEvents();
    ASSERT_FALSE(FBBas0058f.isNull());
    TFBBas0058f *d = FBBas0058f;
    EXPECT_EQ(d->TipoConto(), QStringLiteral("CL"));
    EXPECT_EQ(d->Conto(), QStringLiteral("C0002"));
    EXPECT_EQ(Righe(d->tDestinazioni, QStringLiteral("IdConto;IdDestinazione")), (QStringList{"C0002/1", "C0002/2"}));

    // the button waits while the customer is being edited
    Premi(f, nbEdit);
    EXPECT_TRUE(Scrivi(f, QStringLiteral("edRagioneSociale"), QStringLiteral("Altro nome")));
    EXPECT_FALSE(f->btDestinazioni->isEnabled());
}

TEST_F(Conti, DestinationsOfEveryAccountOrOfOne)
{
    auto *d = Apri<TFBBas0058f>(QStringLiteral("BBAS0058F"));
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->tDestinazioni->RecordCount(), 4);
    EXPECT_TRUE(d->Conto().isEmpty());

    EXPECT_TRUE(d->InitForm(QStringLiteral("CL;C0002")));
    EXPECT_EQ(Righe(d->tDestinazioni, QStringLiteral("IdConto;IdDestinazione")), (QStringList{"C0002/1", "C0002/2"}));
    EXPECT_TRUE(d->InitForm(QStringLiteral("C0001")));
    EXPECT_EQ(Righe(d->tDestinazioni, QStringLiteral("IdConto;RagioneSociale")), QStringList{"C0001/Magazzino Torino"});
    EXPECT_TRUE(d->InitForm(QStringLiteral("FO;F0001")));
    EXPECT_EQ(Righe(d->tDestinazioni, QStringLiteral("IdContoTp;IdConto")), QStringList{"FO/F0001"});

    script.ClearMessages();
    EXPECT_FALSE(d->InitForm(QStringLiteral("CL;F0001")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Il cliente F0001 non esiste: sceglierne uno esistente."));
    EXPECT_EQ(d->Conto(), QStringLiteral("F0001")) << "the window stays as it was";
    EXPECT_FALSE(d->InitForm(QStringLiteral("XX;C0001")));
    EXPECT_EQ(d->tDestinazioni->RecordCount(), 1);

    EXPECT_TRUE(d->InitForm());
    EXPECT_EQ(d->tDestinazioni->RecordCount(), 4);
    EXPECT_EQ(d->PageControl->currentIndex(), 0);

    // the menu code with a text limits the window already open
    EXPECT_EQ(Apri<TFBBas0058f>(QStringLiteral("BBAS0058F;CL;C0002")), d);
    EXPECT_EQ(d->tDestinazioni->RecordCount(), 2);
}

TEST_F(Conti, ANewDestinationTakesItsAccountAndTheNextNumber)
{
    auto *d = Apri<TFBBas0058f>(QStringLiteral("BBAS0058F;CL;C0002"));
    ASSERT_NE(d, nullptr);
    Premi(d, nbInsert);
    EXPECT_EQ(d->tDestinazioni->FieldByName(QStringLiteral("IdConto"))->AsString(), QStringLiteral("C0002"));
    EXPECT_EQ(d->tDestinazioni->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger(), 3);
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edRagioneSociale"), QStringLiteral("Ristorante Isola")));
    Premi(d, nbPost);
    ASSERT_EQ(d->tDestinazioni->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(
        Valore(QStringLiteral("SELECT RagioneSociale FROM Destinazioni WHERE IdConto = 'C0002' AND IdDestinazione = 3"))
            .toString(),
        QStringLiteral("Ristorante Isola"));

    // every account: the account is typed, the number follows it when left empty
    d->InitForm();
    Premi(d, nbInsert);
    Scegli(d, QStringLiteral("cbIdContoTp"), QStringLiteral("FO"));
    EXPECT_EQ(d->Control<TDBCodeEdit>(QStringLiteral("edIdConto"))->TabellaRicerca, QStringLiteral("Fornitori"));
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edIdConto"), QStringLiteral("F0009")));
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edRagioneSociale"), QStringLiteral("Deposito")));
    Premi(d, nbPost);
    EXPECT_EQ(script.LastText(), QStringLiteral("Il fornitore F0009 non esiste: sceglierlo con la ricerca (F4)."));
    EXPECT_TRUE(Scrivi(d, QStringLiteral("edIdConto"), QStringLiteral("F0001")));
    EXPECT_EQ(d->Control<QLabel>(QStringLiteral("lbDsIdConto"))->text(), QStringLiteral("Vetreria"));
    Premi(d, nbPost);
    ASSERT_EQ(d->tDestinazioni->State(), dsBrowse) << script.LastText().toStdString();
    EXPECT_EQ(Valore(QStringLiteral("SELECT MAX(IdDestinazione) FROM Destinazioni WHERE IdContoTp = 'FO'")).toInt(), 2);
}

TEST_F(Conti, ADestinationUsedByADocumentIsNotDeleted)
{
    company.Database().ExecSQL(QStringLiteral("INSERT INTO BolleCliTeste (KBolleCliT, IdClienteTp, IdCliente, "
                                              "IdDestinazione, IdCausale) VALUES (1, 'CL', 'C0002', 2, 'DDT')"));
    auto *d = Apri<TFBBas0058f>(QStringLiteral("BBAS0058F;CL;C0002"));
    ASSERT_TRUE(d->tDestinazioni->Locate(QStringLiteral("IdDestinazione"), 2));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(d, nbDelete);
    EXPECT_TRUE(
        script.LastText().startsWith(QStringLiteral("Codice 2 usato in %1")
                                         .arg(Dictionary::Instance().Table(QStringLiteral("BolleCliTeste"))->label)))
        << script.LastText().toStdString();
    ASSERT_TRUE(d->tDestinazioni->Locate(QStringLiteral("IdDestinazione"), 1));
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    Premi(d, nbDelete);
    EXPECT_EQ(Conta(QStringLiteral("Destinazioni"), QStringLiteral("IdConto = 'C0002'")), 1);
}
