// The routines the register dialogs and prints share, through their public effects.
#include "tests/module/registers/RegistriFixture.h"

#include "frame/Dmilumo.h"
#include "frame/Dmilumo_reg.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/MDIForm.h"
#include "registers/Lumo_registri.h"

#include <stdexcept>

using namespace kv8test;

namespace {

class FunzioniRegistri : public EsercizioRegistri {
protected:
    void SetUp() override
    {
        EsercizioRegistri::SetUp();
        if (IsSkipped())
            return;
        GruppoCantina();
        TDMILUMO::Crea();
        DMILUMO->lkLUMO_RaggMagT->Open(); // as the dialogs open it
    }
    void TearDown() override
    {
        delete DMILUMO.data(); // made here, not by a window: the next test starts without it
        EsercizioRegistri::TearDown();
    }
};

} // namespace

TEST_F(FunzioniRegistri, ATypedGroupingIsNoneKnownOrRefused)
{
    EXPECT_FALSE(UT_LMQ_RG_GruppoDigitato(0)) << "none yet: the run asks for one";
    EXPECT_TRUE(UT_LMQ_RG_GruppoDigitato(1));
    try {
        UT_LMQ_RG_GruppoDigitato(7);
        ADD_FAILURE() << "an unknown grouping is accepted";
    } catch (const Exception &e) {
        EXPECT_EQ(e.Message, QStringLiteral("Codice Raggruppamento non trovato"));
    }
}

TEST_F(FunzioniRegistri, AJobHoldsItsFlagUntilItEndsEvenOnAnError)
{
    bool inCorso = false;
    try {
        TLavoroInCorso lavoro(inCorso);
        EXPECT_TRUE(inCorso);
        throw std::runtime_error("interrotto");
    } catch (const std::runtime_error &) {
    }
    EXPECT_FALSE(inCorso) << "a failed job leaves its window free to close and to run again";
}

TEST_F(FunzioniRegistri, WorkAndStoredTablesAreNamedAndBoundAsTheRunsNeed)
{
    QObject owner;
    TXTable *locale = UT_LMQ_RG_TabellaLocale(&owner, QStringLiteral("LUMO_t_RegCsTot"));
    EXPECT_EQ(locale->Name(), QStringLiteral("TTRegCsTot"));
    // beside a PostgreSQL company the work tables are temporary tables of its connection
    EXPECT_EQ(locale->DatabaseName(),
              company.Db().IsPostgres() ? QStringLiteral("GlobalDatabase") : QStringLiteral("LocalDatabase"));
    EXPECT_FALSE(locale->XAutoApply()) << "rows written once at the end";
    TXClientTable *archivio =
        UT_LMQ_RG_TabellaArchivio(&owner, QStringLiteral("LUMO_ProgRegCsT"), QStringLiteral("KProgRegT = -1"));
    EXPECT_EQ(archivio->DatabaseName(), QStringLiteral("GlobalDatabase"));
    archivio->Open();
    EXPECT_EQ(archivio->RecordCount(), 0) << "opened on the empty selection";
}

TEST_F(FunzioniRegistri, TheDotMatrixPassVisitsEveryRowAndClosesItsProgressOnAnError)
{
    Esegui(QStringLiteral(
        "INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('ROS', 'Vino rosso'), ('BIA', 'Vino bianco')"));
    QObject owner;
    TXQuery *q =
        UT_LMQ_RG_Query(&owner, QStringLiteral("qCat"), QStringLiteral("GlobalDatabase"),
                        {QStringLiteral("SELECT IdCatVin FROM LUMO_CatVin"), QStringLiteral("ORDER BY IdCatVin")});
    QStringList viste;
    UT_LMQ_RG_StampaRighe(q, [&] {
        EXPECT_TRUE(Mdimainbase::MDIForm->ProgressActive());
        viste << q->FieldByName(QStringLiteral("IdCatVin"))->AsString();
    });
    EXPECT_EQ(viste, (QStringList{"BIA", "ROS"}));
    EXPECT_FALSE(Mdimainbase::MDIForm->ProgressActive());

    viste.clear();
    Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('SPU', 'Spumante')"));
    EXPECT_THROW(UT_LMQ_RG_StampaRighe(q, [&] { throw Exception(QStringLiteral("carta finita")); }), Exception);
    EXPECT_FALSE(Mdimainbase::MDIForm->ProgressActive()) << "the progress bar does not outlive a failed print";
    UT_LMQ_RG_StampaRighe(q, [&] { viste << q->FieldByName(QStringLiteral("IdCatVin"))->AsString(); });
    EXPECT_EQ(viste.size(), 3) << "the rows are read again on each pass";
}

// The bottling and stamp registers read their movements with the article's tables and the
// accounts joined once: the rows, descriptions, capacities and account names are those of the
// data module's own statements, also for an article without colour, nature, bottle or stamp,
// one whose codes name nothing, a movement whose article is missing and accounts of either type
// sharing a code; a missing lookup's text or number reads as its empty value.
TEST_F(FunzioniRegistri, ArticlesAndAccountsJoinedOnceGiveTheDataModuleRows)
{
    Esegui(QStringLiteral("INSERT INTO LUMO_Colori (IdColore, DsColore) VALUES ('RO', 'Rosso')"));
    Esegui(QStringLiteral("INSERT INTO LUMO_Natura (IdNatura, DsNatura) VALUES ('DOC', 'Denominazione')"));
    Esegui(QStringLiteral(
        "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)"));
    Esegui(QStringLiteral("INSERT INTO LUMO_ConIva (IdConIva, DsConIva) VALUES ('A01', 'Vini A')"));
    Esegui(QStringLiteral("INSERT INTO Clienti (IdConto, RagioneSociale) VALUES ('X1', 'Enoteca')"));
    Esegui(QStringLiteral("INSERT INTO Fornitori (IdConto, RagioneSociale) VALUES ('X1', 'Cantina sociale')"));
    Esegui(QStringLiteral("INSERT INTO Fornitori (IdConto, RagioneSociale) VALUES ('F2', 'Vetreria')"));
    const QString articolo = QStringLiteral(
        "INSERT INTO Articoli (IdProdotto, DsProdotto, UT_LMQ_FlTipArt, UT_LMQ_IdColore, UT_LMQ_IdNatura, "
        "UT_LMQ_IdBottiglia, UT_LMQ_IdConIva, UT_LMQ_TipoProd) VALUES (?, ?, ?, ?, ?, ?, ?, 1)");
    Esegui(articolo, {QStringLiteral("PIENO"), QStringLiteral("Rosso DOC"), 0, QStringLiteral("RO"),
                      QStringLiteral("DOC"), QStringLiteral("B75"), QStringLiteral("A01")});
    Esegui(articolo, {QStringLiteral("VUOTO"), QStringLiteral("Sfuso"), 4, QStringLiteral(""), QStringLiteral(""),
                      QStringLiteral(""), QStringLiteral("A02")});
    Esegui(articolo, {QStringLiteral("ORFANO"), QStringLiteral("Codici persi"), 2, QStringLiteral("ZZ"),
                      QStringLiteral("ZZ"), QStringLiteral("ZZ"), QStringLiteral("A09")});
    Esegui(QStringLiteral("INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegImb, UT_LMQ_FlRegCon) "
                          "VALUES ('IMB', 'Imbottigliamento', 1, 1)"));
    // article, account type and code
    const char *const movimenti[][3] = {{"PIENO", "CL", "X1"},   {"VUOTO", "FO", "X1"}, {"ORFANO", "FO", "F2"},
                                        {"NESSUNO", "CL", "X1"}, {"PIENO", "CL", "F2"}, {"PIENO", "", ""}};
    int chiave = 0;
    for (const auto &m : movimenti)
        Esegui(QStringLiteral("INSERT INTO MovMagazzino (KMovMag, DataMovimento, IdCausale, IdMagazzino1, IdProdotto, "
                              "Quantita, IdContoTp, IdConto) VALUES (?, ?, 'IMB', 1, ?, 2, ?, ?)"),
               {++chiave, QDateTime(QDate(2026, 4, 2), QTime(9, 0)), QLatin1String(m[0]), QLatin1String(m[1]),
                QLatin1String(m[2])});
    const QVariantList valori{QDateTime(QDate(2026, 4, 1), QTime(0, 0)),
                              UT_LMQ_RG_FineGiorno(QDateTime(QDate(2026, 4, 30), QTime(0, 0))), 1};
    const auto da = [](const QStringList &testo) {
        qsizetype i = 0;
        while (i < testo.size() && !testo[i].startsWith(QLatin1String("FROM ")))
            ++i;
        return testo.mid(i).join(u'\n');
    };
    const QString nome = QStringLiteral("(CASE WHEN MovMagazzino.IdContoTp = 'CL' THEN Clienti.RagioneSociale "
                                        "WHEN MovMagazzino.IdContoTp = 'FO' THEN Fornitori.RagioneSociale END)");
    TDMILUMO_reg reg;

    const QStringList imbottigliamento = reg.qMMRegImb->SQL;
    const TLetturaUnita imbUniti = UT_LMQ_RG_LetturaUnita(
        imbottigliamento,
        {QStringLiteral("Articoli.IdProdotto"), QStringLiteral("Articoli.DsProdotto"),
         QStringLiteral("Articoli.UT_LMQ_FlTipArt"), QStringLiteral("LUMO_Natura.DsNatura"),
         QStringLiteral("LUMO_Colori.DsColore"), QStringLiteral("LUMO_Bottiglie.DsBottiglia"),
         QStringLiteral("LUMO_Bottiglie.Capacita"), QStringLiteral("COALESCE(LUMO_Bottiglie.Capacita, -1) AS Letta")});
    const QStringList attese{"1/Rosso DOC/0/Denominazione/Rosso/Bordolese/0.75/0.75/Enoteca",
                             "2/Sfuso/4////0/-1/Cantina sociale", "3/Codici persi/2////0/-1/Vetreria",
                             "5/Rosso DOC/0/Denominazione/Rosso/Bordolese/0.75/0.75/",
                             "6/Rosso DOC/0/Denominazione/Rosso/Bordolese/0.75/0.75/"};
    EXPECT_EQ(Elenco(QStringLiteral("SELECT MovMagazzino.KMovMag, Articoli.DsProdotto, Articoli.UT_LMQ_FlTipArt, "
                                    "LUMO_Natura.DsNatura, LUMO_Colori.DsColore, LUMO_Bottiglie.DsBottiglia, "
                                    "COALESCE(LUMO_Bottiglie.Capacita, 0), COALESCE(LUMO_Bottiglie.Capacita, -1), ")
                         + nome + u' ' + da(imbottigliamento),
                     valori),
              attese);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT MovMagazzino.KMovMag, Articoli.DsProdotto, Articoli.UT_LMQ_FlTipArt, "
                                    "Articoli.DsNatura, Articoli.DsColore, Articoli.DsBottiglia, Articoli.Capacita, "
                                    "Articoli.Letta, ")
                         + UT_LMQ_RG_SqlRagioneSociale() + u' ' + da(imbUniti.testo),
                     valori),
              attese);
    EXPECT_EQ(imbUniti.piene,
              (QStringList{"Articoli.IdProdotto", "Articoli.DsProdotto", "Articoli.UT_LMQ_FlTipArt",
                           "Articoli.DsNatura", "Articoli.DsColore", "Articoli.DsBottiglia", "Articoli.Capacita"}))
        << "what the rows take filled, as they are";

    const QStringList contrassegni = reg.qMMRegCon->SQL;
    const TLetturaUnita conUniti = UT_LMQ_RG_LetturaUnita(
        contrassegni, {QStringLiteral("Articoli.IdProdotto"), QStringLiteral("Articoli.UT_LMQ_IdConIva"),
                       QStringLiteral("Articoli.UT_LMQ_TipoProd"), QStringLiteral("LUMO_ConIva.DsConIva")});
    const QStringList stampi{"1/A01/Vini A/Enoteca", "2/A02//Cantina sociale", "3/A09//Vetreria", "5/A01/Vini A/",
                             "6/A01/Vini A/"};
    EXPECT_EQ(Elenco(QStringLiteral("SELECT MovMagazzino.KMovMag, Articoli.UT_LMQ_IdConIva, LUMO_ConIva.DsConIva, ")
                         + nome + u' ' + da(contrassegni),
                     valori),
              stampi);
    EXPECT_EQ(Elenco(QStringLiteral("SELECT MovMagazzino.KMovMag, Articoli.UT_LMQ_IdConIva, Articoli.DsConIva, ")
                         + UT_LMQ_RG_SqlRagioneSociale() + u' ' + da(conUniti.testo),
                     valori),
              stampi);
    EXPECT_EQ(UT_LMQ_RG_LetturaUnita({QStringLiteral("FROM MovMagazzino"), QStringLiteral("WHERE 1 = 1")},
                                     {QStringLiteral("Articoli.IdProdotto")})
                  .testo,
              (QStringList{"FROM MovMagazzino", "WHERE 1 = 1"}))
        << "a text without the article's join stays as it is";
}
