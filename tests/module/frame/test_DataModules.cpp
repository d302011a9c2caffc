// The shared data modules: every dataset present, of its kind, closed when created, with its
// design-time text and typed parameters, and usable on an installed company database.
#include "FrameTest.h"

#include <QSet>

namespace {

QStringList Names(const QObject *module, const char *className)
{
    QStringList out;
    for (QObject *child : module->children())
        if (child->inherits(className))
            out << child->objectName();
    out.sort();
    return out;
}

QStringList Sorted(QStringList list)
{
    list.sort();
    return list;
}

// Every parameter of a query given a value of its type.
void FillParams(TXQuery *q)
{
    for (int i = 0; i < q->ParamCount(); ++i) {
        TParam *p = q->Params(i);
        switch (p->DataType()) {
        case ftInteger:
            p->SetAsInteger(0);
            break;
        case ftDateTime:
            p->SetAsDateTime(QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
            break;
        default:
            p->SetAsString(QString());
        }
    }
}

} // namespace

TEST(DataModules, DmilumoHoldsEveryDatasetClosed)
{
    TDMILUMO dm;
    EXPECT_EQ(
        Names(&dm, "TXlkTable"),
        Sorted({"lkLUMO_Bottiglie",       "lkLUMO_Colori",   "lkLUMO_Natura",    "lkLUMO_CatVin",   "lkLUMO_Specifica",
                "lkLUMO_Regioni",         "lkLUMO_ZonaProd", "lkLUMO_Tipologie", "lkLUMO_ConIva",   "lkLUMO_Parametri",
                "lkLUMO_ProgRegistri",    "lkLUMO_RaggMagT", "lkLUMO_RaggMagR",  "lkLUMO_ProgCauz", "lkLUMO_ParAcc",
                "lkLUMO_TipologieOmaggi", "lkLUMO_Vasche",   "lkLUMO_ListTraD",  "lkLUMO_ListTraQ", "lkLUMO_ListTraR",
                "lkLUMO_ListTraT",        "lkLUMO_PrenotaR"}));
    EXPECT_EQ(Names(&dm, "TXQuery"),
              Sorted({"qLUMO_ListTra", "qLUMO_ListTraR", "qLUMO_Prenota", "qChiudiPrenota", "qPrenotaE_Bol",
                      "qDelPrenotaE", "qListCauz", "qImballi", "qLUMO_ProgCauz", "qGenerica", "qLUMO_StaCasCau",
                      "qLUMO_CasDocFatRagg", "qLUMO_CauzRese", "qValAttCau", "qAppoLUMO"}));
    EXPECT_EQ(Names(&dm, "TXClientTable"),
              Sorted({"TRS_ProgCauz", "TRSProgCauz", "TRS_MovCauT", "TRS_MovCauR", "TRS_Protocolli", "TRS_PrenotaT",
                      "TRS_PrenotaR", "TRS_PrenotaE", "TRS_MovResT"}));
    for (QObject *child : dm.children()) {
        if (auto *ds = qobject_cast<TDataSet *>(child)) {
            EXPECT_FALSE(ds->Active()) << ds->Name().toStdString();
        }
    }

    // members and names agree
    EXPECT_EQ(dm.lkLUMO_TipologieOmaggi->TableName(), "LUMO_TipologieOmaggiArt");
    EXPECT_EQ(dm.lkLUMO_Bottiglie->TableName(), "LUMO_Bottiglie");
    EXPECT_EQ(dm.TRS_ProgCauz->TableName(), "LUMO_ProgCauz");
    EXPECT_EQ(dm.TRS_ProgCauz->XWhereVuoto(), "IdConto = ''");
    EXPECT_EQ(dm.TRS_Protocolli->XWhereVuoto(), "TipoDoc = -1");
    EXPECT_EQ(dm.TRS_MovResT->XWhereVuoto(), "KMovResT = -1");
    EXPECT_EQ(dm.TRS_PrenotaE->XWhereVuoto(), "KContaT = -1");
    EXPECT_TRUE(dm.TRS_ProgCauz->UsaDizionario());
    EXPECT_EQ(dm.Component<TXClientTable>("TRSProgCauz"), dm.TRSProgCauz);
}

TEST(DataModules, DesignTimeTextsAndParameters)
{
    TDMILUMO dm;
    EXPECT_EQ(dm.qListCauz->SQL,
              QStringList({"SELECT LUMO_LisCauzR.Prezzo", "FROM LUMO_LisCauzR",
                           "LEFT JOIN LUMO_LisCauzT ON LUMO_LisCauzT.KContaT = LUMO_LisCauzR.KContaT",
                           "WHERE LUMO_LisCauzT.IdListino = :IdListino AND LUMO_LisCauzT.IdDivisa = :IdDivisa AND "
                           "LUMO_LisCauzR.IdImballo = :IdImballo",
                           "ORDER BY LUMO_LisCauzT.KContaT, LUMO_LisCauzR.KContaR"}));
    EXPECT_EQ(dm.qImballi->SQL,
              QStringList({"SELECT * ", "FROM Imballi", "WHERE FlUtilizzo = 0", "ORDER BY IdImballo"}));
    // two empty lines kept for their users
    EXPECT_EQ(dm.qValAttCau->SQL, QStringList({"SELECT sum(ProgValCarF - ProgValResF) as Valore ", "FROM LUMO_ProgCauz",
                                               "WHERE IdContoTp = ''", "", ""}));
    EXPECT_TRUE(dm.qGenerica->SQL.isEmpty());
    EXPECT_TRUE(dm.qDelPrenotaE->SQL.isEmpty());
    EXPECT_TRUE(dm.qAppoLUMO->SQL.isEmpty());
    ASSERT_EQ(dm.qLUMO_CauzRese->SQL.size(), 5);
    EXPECT_EQ(dm.qLUMO_CauzRese->SQL[3], "WHERE T.KDocT = -1");
    EXPECT_EQ(dm.qLUMO_CauzRese->XSQL[3], "{WHERE XWHERE}");
    EXPECT_EQ(dm.qLUMO_ListTraR->SQL[2],
              "WHERE LUMO_ListTraR.KListTraT = :KListTraT AND LUMO_ListTraR.DataInizio <= :DataDocI AND "
              "LUMO_ListTraR.DataFine >= :DataDocF AND  ( (LUMO_ListTraR.IdCategoria = :IdCategoria ");

    const std::pair<const char *, TFieldType> listTraR[] = {{"KListTraT", ftInteger}, {"DataDocI", ftDateTime},
                                                            {"DataDocF", ftDateTime}, {"IdCategoria", ftString},
                                                            {"IdProdotto", ftString}, {"FlTipoPrz", ftInteger}};
    ASSERT_EQ(dm.qLUMO_ListTraR->ParamCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(dm.qLUMO_ListTraR->Params(i)->Name(), listTraR[i].first);
        EXPECT_EQ(dm.qLUMO_ListTraR->Params(i)->DataType(), listTraR[i].second);
    }
    EXPECT_EQ(dm.qLUMO_ProgCauz->ParamByName("IdDestinazione")->DataType(), ftInteger);
    EXPECT_EQ(dm.qLUMO_ProgCauz->ParamByName("IdConto")->DataType(), ftString);
    EXPECT_EQ(dm.qPrenotaE_Bol->ParamByName("KFattCliT")->DataType(), ftInteger);

    TDMILUMO_reg reg;
    EXPECT_EQ(Names(&reg, "TXQuery"), Sorted({"qMMRegCs", "qProgRegCsT", "qMMRegImb", "qMMRegCon", "qProgRegConT"}));
    EXPECT_EQ(Names(&reg, "TXTable"), Sorted({"tProgRegistri", "tPrBilDicGiaT", "tPrBilDicGiaR"}));
    EXPECT_EQ(reg.tPrBilDicGiaT->IndexFieldNames(), "Anno;IdRaggMag;IdCatVin");
    EXPECT_EQ(reg.tPrBilDicGiaR->IndexFieldNames(), "KContaT;KContaR;IdCausale");
    EXPECT_TRUE(reg.tProgRegistri->UsaDuplicaRecord());
    EXPECT_TRUE(reg.tProgRegistri->XAutoApply());
    EXPECT_EQ(reg.qMMRegImb->SQL.size(), 15);
    EXPECT_EQ(reg.qMMRegCon->ParamByName("A_Data")->DataType(), ftDateTime);
    EXPECT_EQ(reg.qProgRegConT->ParamByName("TipoProdotto")->DataType(), ftInteger);
    for (QObject *child : reg.children()) {
        if (auto *ds = qobject_cast<TDataSet *>(child)) {
            EXPECT_FALSE(ds->Active()) << ds->Name().toStdString();
        }
    }
}

TEST(DataModules, CreaMakesTheGlobalOnce)
{
    const QPointer<TDMILUMO> before = DMILUMO;
    const QPointer<TDMILUMO_reg> beforeReg = DMILUMO_reg;
    DMILUMO = nullptr;
    DMILUMO_reg = nullptr;

    TDMILUMO *first = TDMILUMO::Crea();
    EXPECT_EQ(DMILUMO.data(), first);
    EXPECT_EQ(TDMILUMO::Crea(), first);
    delete first;
    EXPECT_TRUE(DMILUMO.isNull()); // a freed module leaves no dangling reference

    TDMILUMO_reg *reg = TDMILUMO_reg::Crea();
    EXPECT_EQ(DMILUMO_reg.data(), reg);
    EXPECT_EQ(TDMILUMO_reg::Crea(), reg);
    delete reg;

    DMILUMO = before;
    DMILUMO_reg = beforeReg;
}

using DataModulesDb = FrameDbTest;

// Table and column names of every text match the installed schema on both engines.
TEST_F(DataModulesDb, EveryDatasetOpensOnACompanyDatabase)
{
    for (QObject *module : {static_cast<QObject *>(dm.get()), static_cast<QObject *>(dmReg.get())}) {
        for (QObject *child : module->children()) {
            auto *ds = qobject_cast<TDataSet *>(child);
            if (!ds)
                continue;
            auto *q = qobject_cast<TXQuery *>(ds);
            if (q && q->SQL.join(QString()).trimmed().isEmpty())
                continue; // set by each user
            if (q)
                FillParams(q);
            try {
                ds->Open();
            } catch (const std::exception &e) {
                ADD_FAILURE() << ds->Name().toStdString() << ": " << e.what();
                continue;
            }
            ds->Close();
        }
    }
    // the template of pending returns with a selection in place of its WHERE line
    dm->qLUMO_CauzRese->ImpostaSQL("T.KDocT = 5");
    EXPECT_EQ(dm->qLUMO_CauzRese->SQL[3], "WHERE T.KDocT = 5");
    EXPECT_NO_THROW(dm->qLUMO_CauzRese->Open());
}
