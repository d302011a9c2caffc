#include "frame/Dmilumo.h"

TDMILUMO::TDMILUMO(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMILUMO"));

    lkLUMO_Bottiglie = Lookup(QStringLiteral("lkLUMO_Bottiglie"), QStringLiteral("LUMO_Bottiglie"));
    lkLUMO_Colori = Lookup(QStringLiteral("lkLUMO_Colori"), QStringLiteral("LUMO_Colori"));
    lkLUMO_Natura = Lookup(QStringLiteral("lkLUMO_Natura"), QStringLiteral("LUMO_Natura"));
    lkLUMO_CatVin = Lookup(QStringLiteral("lkLUMO_CatVin"), QStringLiteral("LUMO_CatVin"));
    lkLUMO_Specifica = Lookup(QStringLiteral("lkLUMO_Specifica"), QStringLiteral("LUMO_Specifica"));
    lkLUMO_Regioni = Lookup(QStringLiteral("lkLUMO_Regioni"), QStringLiteral("LUMO_Regioni"));
    lkLUMO_ZonaProd = Lookup(QStringLiteral("lkLUMO_ZonaProd"), QStringLiteral("LUMO_ZonaProd"));
    lkLUMO_Tipologie = Lookup(QStringLiteral("lkLUMO_Tipologie"), QStringLiteral("LUMO_Tipologie"));
    lkLUMO_ConIva = Lookup(QStringLiteral("lkLUMO_ConIva"), QStringLiteral("LUMO_ConIva"));
    lkLUMO_Parametri = Lookup(QStringLiteral("lkLUMO_Parametri"), QStringLiteral("LUMO_Parametri"));
    lkLUMO_ProgRegistri = Lookup(QStringLiteral("lkLUMO_ProgRegistri"), QStringLiteral("LUMO_ProgRegistri"));
    lkLUMO_RaggMagT = Lookup(QStringLiteral("lkLUMO_RaggMagT"), QStringLiteral("LUMO_RaggMagT"));
    lkLUMO_RaggMagR = Lookup(QStringLiteral("lkLUMO_RaggMagR"), QStringLiteral("LUMO_RaggMagR"));
    lkLUMO_ProgCauz = Lookup(QStringLiteral("lkLUMO_ProgCauz"), QStringLiteral("LUMO_ProgCauz"));
    lkLUMO_ParAcc = Lookup(QStringLiteral("lkLUMO_ParAcc"), QStringLiteral("LUMO_ParAcc"));
    lkLUMO_TipologieOmaggi =
        Lookup(QStringLiteral("lkLUMO_TipologieOmaggi"), QStringLiteral("LUMO_TipologieOmaggiArt"));
    lkLUMO_Vasche = Lookup(QStringLiteral("lkLUMO_Vasche"), QStringLiteral("LUMO_Vasche"));
    lkLUMO_ListTraD = Lookup(QStringLiteral("lkLUMO_ListTraD"), QStringLiteral("LUMO_ListTraD"));
    lkLUMO_ListTraQ = Lookup(QStringLiteral("lkLUMO_ListTraQ"), QStringLiteral("LUMO_ListTraQ"));
    lkLUMO_ListTraR = Lookup(QStringLiteral("lkLUMO_ListTraR"), QStringLiteral("LUMO_ListTraR"));
    lkLUMO_ListTraT = Lookup(QStringLiteral("lkLUMO_ListTraT"), QStringLiteral("LUMO_ListTraT"));
    lkLUMO_PrenotaR = Lookup(QStringLiteral("lkLUMO_PrenotaR"), QStringLiteral("LUMO_PrenotaR"));

    qLUMO_ListTra = Query(QStringLiteral("qLUMO_ListTra"), {
                                                               QStringLiteral("Select * from LUMO_ListTraT"),
                                                               QStringLiteral("WHERE KListTraT = -1"),
                                                               QStringLiteral("ORDER BY KListTraT"),
                                                           });
    qLUMO_ListTraR = Query(
        QStringLiteral("qLUMO_ListTraR"),
        {
            QStringLiteral("SELECT LUMO_ListTraR.*"),
            QStringLiteral("FROM LUMO_ListTraR"),
            QStringLiteral("WHERE LUMO_ListTraR.KListTraT = :KListTraT AND LUMO_ListTraR.DataInizio <= :DataDocI AND "
                           "LUMO_ListTraR.DataFine >= :DataDocF AND  ( (LUMO_ListTraR.IdCategoria = :IdCategoria "),
            QStringLiteral("OR LUMO_ListTraR.IdCategoria = '') AND("),
            QStringLiteral("LUMO_ListTraR.IdProdotto = :IdProdotto OR LUMO_ListTraR.IdProdotto = '' ) ) AND "
                           "LUMO_ListTraR.FlTipoPrz = :FlTipoPrz"),
            QStringLiteral("ORDER BY  LUMO_ListTraR.IdProdotto   ,  LUMO_ListTraR.IdCategoria"),
        });
    qLUMO_ListTraR->ParamByName(QStringLiteral("KListTraT"))->SetDataType(ftInteger);
    qLUMO_ListTraR->ParamByName(QStringLiteral("DataDocI"))->SetDataType(ftDateTime);
    qLUMO_ListTraR->ParamByName(QStringLiteral("DataDocF"))->SetDataType(ftDateTime);
    qLUMO_ListTraR->ParamByName(QStringLiteral("IdCategoria"))->SetDataType(ftString);
    qLUMO_ListTraR->ParamByName(QStringLiteral("IdProdotto"))->SetDataType(ftString);
    qLUMO_ListTraR->ParamByName(QStringLiteral("FlTipoPrz"))->SetDataType(ftInteger);
    qLUMO_Prenota =
        Query(QStringLiteral("qLUMO_Prenota"),
              {
                  QStringLiteral("SELECT LUMO_PrenotaR.*, LUMO_PrenotaT.IdMagazzino as MagTes"),
                  QStringLiteral("FROM LUMO_PrenotaR"),
                  QStringLiteral("LEFT JOIN LUMO_PrenotaT ON LUMO_PrenotaT.KContaT = LUMO_PrenotaR.KContaT"),
                  QStringLiteral("WHERE LUMO_PrenotaR.KContaT = -1"),
                  QStringLiteral("ORDER BY LUMO_PrenotaR.KContaT"),
              });
    qChiudiPrenota =
        Query(QStringLiteral("qChiudiPrenota"),
              {
                  QStringLiteral("SELECT LUMO_PrenotaR.*"),
                  QStringLiteral("FROM LUMO_PrenotaR"),
                  QStringLiteral(
                      "WHERE LUMO_PrenotaR.KContaT = :KContaT and LUMO_PrenotaR.NumConf > LUMO_PrenotaR.NumConfEva"),
              });
    qChiudiPrenota->ParamByName(QStringLiteral("KContaT"))->SetDataType(ftInteger);
    qPrenotaE_Bol = Query(
        QStringLiteral("qPrenotaE_Bol"),
        {
            QStringLiteral("SELECT LUMO_PrenotaE.*"),
            QStringLiteral("FROM LUMO_PrenotaE"),
            QStringLiteral("WHERE LUMO_PrenotaE.KBolleCliT = :KBolleCliT  and LUMO_PrenotaE.KFattCliT = :KFattCliT"),
        });
    qPrenotaE_Bol->ParamByName(QStringLiteral("KBolleCliT"))->SetDataType(ftInteger);
    qPrenotaE_Bol->ParamByName(QStringLiteral("KFattCliT"))->SetDataType(ftInteger);
    qDelPrenotaE = Query(QStringLiteral("qDelPrenotaE"), {});
    qListCauz =
        Query(QStringLiteral("qListCauz"),
              {
                  QStringLiteral("SELECT LUMO_LisCauzR.Prezzo"), QStringLiteral("FROM LUMO_LisCauzR"),
                  QStringLiteral("LEFT JOIN LUMO_LisCauzT ON LUMO_LisCauzT.KContaT = LUMO_LisCauzR.KContaT"),
                  QStringLiteral("WHERE LUMO_LisCauzT.IdListino = :IdListino AND LUMO_LisCauzT.IdDivisa = :IdDivisa "
                                 "AND LUMO_LisCauzR.IdImballo = :IdImballo"),
                  QStringLiteral(
                      "ORDER BY LUMO_LisCauzT.KContaT, LUMO_LisCauzR.KContaR"), // the same list and row on every engine
              });
    qListCauz->ParamByName(QStringLiteral("IdListino"))->SetDataType(ftString);
    qListCauz->ParamByName(QStringLiteral("IdDivisa"))->SetDataType(ftString);
    qListCauz->ParamByName(QStringLiteral("IdImballo"))->SetDataType(ftString);
    qImballi = Query(QStringLiteral("qImballi"), {
                                                     QStringLiteral("SELECT * "),
                                                     QStringLiteral("FROM Imballi"),
                                                     QStringLiteral("WHERE FlUtilizzo = 0"),
                                                     QStringLiteral("ORDER BY IdImballo"),
                                                 });
    qLUMO_ProgCauz =
        Query(QStringLiteral("qLUMO_ProgCauz"),
              {
                  QStringLiteral("SELECT * "),
                  QStringLiteral("FROM LUMO_ProgCauz"),
                  QStringLiteral(
                      "WHERE LUMO_ProgCauz.IdContoTp = :IdContoTp and LUMO_ProgCauz.IdConto = :IdConto and "
                      "LUMO_ProgCauz.IdDestinazione = :IdDestinazione and LUMO_ProgCauz.FlTipoScheda = :FlTipoScheda"),
              });
    qLUMO_ProgCauz->ParamByName(QStringLiteral("IdContoTp"))->SetDataType(ftString);
    qLUMO_ProgCauz->ParamByName(QStringLiteral("IdConto"))->SetDataType(ftString);
    qLUMO_ProgCauz->ParamByName(QStringLiteral("IdDestinazione"))->SetDataType(ftInteger);
    qLUMO_ProgCauz->ParamByName(QStringLiteral("FlTipoScheda"))->SetDataType(ftInteger);
    qGenerica = Query(QStringLiteral("qGenerica"), {});
    qLUMO_StaCasCau = Query(QStringLiteral("qLUMO_StaCasCau"),
                            {
                                QStringLiteral("SELECT LUMO_CauzDocBoll.*, Imballi.UT_LMQ_DsDescDoc"),
                                QStringLiteral("FROM LUMO_CauzDocBoll"),
                                QStringLiteral("LEFT JOIN Imballi ON  LUMO_CauzDocBoll.IdImballo = Imballi.IdImballo "),
                                QStringLiteral("WHERE LUMO_CauzDocBoll.KBolleCliT = :KBolleCliT"),
                                QStringLiteral("ORDER BY LUMO_CauzDocBoll.IdImballo"),
                            });
    qLUMO_StaCasCau->ParamByName(QStringLiteral("KBolleCliT"))->SetDataType(ftInteger);
    qLUMO_CasDocFatRagg = Query(QStringLiteral("qLUMO_CasDocFatRagg"),
                                {
                                    QStringLiteral("SELECT LUMO_CauzDocBoll.*"),
                                    QStringLiteral("FROM LUMO_CauzDocBoll"),
                                    QStringLiteral("WHERE LUMO_CauzDocBoll.KBolleCliT = :KBolleCliT"),
                                });
    qLUMO_CasDocFatRagg->ParamByName(QStringLiteral("KBolleCliT"))->SetDataType(ftInteger);
    qLUMO_CauzRese = Query(QStringLiteral("qLUMO_CauzRese"),
                           {
                               QStringLiteral("SELECT R.IdImballo, sum(QtaRes) as QtaRes, -1 AS KMovResT"),
                               QStringLiteral("FROM LUMO_MovResR R"),
                               QStringLiteral("LEFT JOIN LUMO_MovResT T ON T.KMovResT = R.KMovResT"),
                               QStringLiteral("WHERE T.KDocT = -1"),
                               QStringLiteral("GROUP BY R.IdImballo"),
                           });
    qValAttCau =
        Query(QStringLiteral("qValAttCau"), {
                                                QStringLiteral("SELECT sum(ProgValCarF - ProgValResF) as Valore "),
                                                QStringLiteral("FROM LUMO_ProgCauz"),
                                                QStringLiteral("WHERE IdContoTp = ''"),
                                                QStringLiteral(""),
                                                QStringLiteral(""),
                                            });
    qAppoLUMO = Query(QStringLiteral("qAppoLUMO"), {});
    // pending returns per packaging code, the selection put in place of the WHERE line
    qLUMO_CauzRese->XSQL = QStringList{
        QStringLiteral("SELECT R.IdImballo, sum(QtaRes) as QtaRes, -1 AS KMovResT"),
        QStringLiteral("FROM LUMO_MovResR R"),
        QStringLiteral("LEFT JOIN LUMO_MovResT T ON T.KMovResT = R.KMovResT"),
        QStringLiteral("{WHERE XWHERE}"),
        QStringLiteral("GROUP BY R.IdImballo"),
    };

    TRS_ProgCauz =
        ClientTable(QStringLiteral("TRS_ProgCauz"), QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdConto = ''"));
    TRSProgCauz =
        ClientTable(QStringLiteral("TRSProgCauz"), QStringLiteral("LUMO_ProgCauz"), QStringLiteral("IdConto = ''"));
    TRS_MovCauT =
        ClientTable(QStringLiteral("TRS_MovCauT"), QStringLiteral("LUMO_MovCauT"), QStringLiteral("KContaT = -1"));
    TRS_MovCauR =
        ClientTable(QStringLiteral("TRS_MovCauR"), QStringLiteral("LUMO_MovCauR"), QStringLiteral("KContaT = -1"));
    TRS_Protocolli = ClientTable(QStringLiteral("TRS_Protocolli"), QStringLiteral("LUMO_Protocolli"),
                                 QStringLiteral("TipoDoc = -1"));
    TRS_PrenotaT =
        ClientTable(QStringLiteral("TRS_PrenotaT"), QStringLiteral("LUMO_PrenotaT"), QStringLiteral("KContaT = -1"));
    TRS_PrenotaR =
        ClientTable(QStringLiteral("TRS_PrenotaR"), QStringLiteral("LUMO_PrenotaR"), QStringLiteral("KContaT = -1"));
    TRS_PrenotaE =
        ClientTable(QStringLiteral("TRS_PrenotaE"), QStringLiteral("LUMO_PrenotaE"), QStringLiteral("KContaT = -1"));
    TRS_MovResT =
        ClientTable(QStringLiteral("TRS_MovResT"), QStringLiteral("LUMO_MovResT"), QStringLiteral("KMovResT = -1"));
}

TDMILUMO::~TDMILUMO() = default;

TDMILUMO *TDMILUMO::Crea(QObject *owner)
{
    if (!DMILUMO)
        DMILUMO = new TDMILUMO(owner);
    return DMILUMO;
}

TXlkTable *TDMILUMO::Lookup(const QString &name, const QString &table)
{
    auto *t = Create<TXlkTable>(name);
    t->SetTableName(table);
    t->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    return t;
}

TXQuery *TDMILUMO::Query(const QString &name, const QStringList &sql)
{
    auto *q = Create<TXQuery>(name);
    q->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    q->SetUsaDizionario(true);
    q->SQL = sql;
    return q;
}

TXClientTable *TDMILUMO::ClientTable(const QString &name, const QString &table, const QString &whereVuoto)
{
    auto *t = Create<TXClientTable>(name);
    t->SetTableName(table);
    t->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    t->SetUsaDizionario(true);
    t->SetXWhereVuoto(whereVuoto);
    return t;
}
