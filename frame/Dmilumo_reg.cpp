#include "frame/Dmilumo_reg.h"

TDMILUMO_reg::TDMILUMO_reg(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMILUMO_reg"));

    tProgRegistri = Table(QStringLiteral("tProgRegistri"), QStringLiteral("LUMO_ProgRegistri"));
    tPrBilDicGiaT = Table(QStringLiteral("tPrBilDicGiaT"), QStringLiteral("LUMO_PrBilDicGiaT"));
    tPrBilDicGiaT->SetIndexFieldNames(QStringLiteral("Anno;IdRaggMag;IdCatVin"));
    tPrBilDicGiaR = Table(QStringLiteral("tPrBilDicGiaR"), QStringLiteral("LUMO_PrBilDicGiaR"));
    tPrBilDicGiaR->SetIndexFieldNames(QStringLiteral("KContaT;KContaR;IdCausale"));

    qMMRegCs =
        Query(QStringLiteral("qMMRegCs"),
              {
                  QStringLiteral("SELECT MovMagazzino.*, CausaliMagaz.DsCausale, CausaliMagaz.UT_LMQ_FlCarSca, "
                                 "CausaliMagaz.UT_LMQ_FlSegno, Articoli.UT_LMQ_FlTipArt, "),
                  QStringLiteral("Articoli.DsProdotto, "),
                  QStringLiteral("Articoli.UT_LMQ_IdBottiglia, LUMO_CatVin.DsCatVin, Articoli.UT_LMQ_IdCatVin, "
                                 "Clienti.RagioneSociale as CliRagSoc, Fornitori.RagioneSociale as ForRagSoc"),
                  QStringLiteral("FROM MovMagazzino"),
                  QStringLiteral("LEFT JOIN CausaliMagaz ON CausaliMagaz.IdCausale = MovMagazzino.IdCausale"),
                  QStringLiteral("LEFT JOIN Articoli ON Articoli.IdProdotto = MovMagazzino.IdProdotto"),
                  QStringLiteral("LEFT JOIN LUMO_CatVin ON Articoli.UT_LMQ_IdCatVin = LUMO_CatVin.IdCatVin"),
                  QStringLiteral("LEFT JOIN Clienti ON MovMagazzino.IdConto = Clienti.IdConto"),
                  QStringLiteral("LEFT JOIN Fornitori ON MovMagazzino.IdConto = Fornitori.IdConto"),
                  QStringLiteral("WHERE MovMagazzino.DataMovimento >= :DaData AND MovMagazzino.DataMovimento <= "
                                 ":A_Data AND CausaliMagaz.UT_LMQ_FlRegCs <> 0  AND Articoli.UT_LMQ_IdCatVin <> ''"),
                  QStringLiteral("ORDER BY MovMagazzino.DataMovimento, MovMagazzino.KMovMag"),
              });
    qMMRegCs->ParamByName(QStringLiteral("DaData"))->SetDataType(ftDateTime);
    qMMRegCs->ParamByName(QStringLiteral("A_Data"))->SetDataType(ftDateTime);
    qProgRegCsT = Query(QStringLiteral("qProgRegCsT"),
                        {
                            QStringLiteral("SELECT LUMO_ProgRegCsT.IdRaggMag, LUMO_ProgRegCsT.IdCatVin, "
                                           "LUMO_ProgRegCsT.Esistenza, LUMO_CatVin.DsCatVin"),
                            QStringLiteral("FROM LUMO_ProgRegCsT"),
                            QStringLiteral("LEFT JOIN LUMO_CatVin on LUMO_ProgRegCsT.IdCatVin = LUMO_CatVin.IdCatVin"),
                            QStringLiteral("WHERE LUMO_ProgRegCsT.IdRaggMag = :IdRaggMag"),
                        });
    qProgRegCsT->ParamByName(QStringLiteral("IdRaggMag"))->SetDataType(ftInteger);
    qMMRegImb = Query(
        QStringLiteral("qMMRegImb"),
        {
            QStringLiteral(
                "SELECT MovMagazzino.KMovMag, MovMagazzino.IdMagazzino1, MovMagazzino.DataMovimento, "
                "MovMagazzino.DataDocumento, MovMagazzino.RifDocumento, MovMagazzino.IdCausale, "
                "MovMagazzino.IdContoTp, MovMagazzino.IdConto, MovMagazzino.IdProdotto, MovMagazzino.Quantita, "
                "MovMagazzino.Partita, MovMagazzino.UT_LMQ_IdVasca, MovMagazzino.UT_LMQ_FlMovCalo, "
                "CausaliMagaz.DsCausale, Articoli.UT_LMQ_FlTipArt, Articoli.DsProdotto, "),
            QStringLiteral("Articoli.UT_LMQ_IdBottiglia, Clienti.RagioneSociale as CliRagSoc, Fornitori.RagioneSociale "
                           "as ForRagSoc,"),
            QStringLiteral(
                "Articoli.IdUM1, Articoli.UT_LMQ_IdNatura, Articoli.UT_LMQ_IdColore, LUMO_Colori.DsColore, "
                "LUMO_Natura.DsNatura, LUMO_Bottiglie.DsBottiglia, LUMO_Bottiglie.Capacita, LUMO_Vasche.DsVasca"),
            QStringLiteral("FROM MovMagazzino"),
            QStringLiteral("LEFT JOIN CausaliMagaz ON CausaliMagaz.IdCausale = MovMagazzino.IdCausale"),
            QStringLiteral("LEFT JOIN Articoli ON  MovMagazzino.IdProdotto = Articoli.IdProdotto"),
            QStringLiteral("LEFT JOIN Clienti ON MovMagazzino.IdConto = Clienti.IdConto"),
            QStringLiteral("LEFT JOIN Fornitori ON MovMagazzino.IdConto = Fornitori.IdConto"),
            QStringLiteral("LEFT JOIN LUMO_Colori ON Articoli.UT_LMQ_IdColore = LUMO_Colori.IdColore "),
            QStringLiteral("LEFT JOIN LUMO_Natura ON Articoli.UT_LMQ_IdNatura = LUMO_Natura.IdNatura"),
            QStringLiteral("LEFT JOIN LUMO_Bottiglie ON Articoli.UT_LMQ_IdBottiglia = LUMO_Bottiglie.IdBottiglia"),
            QStringLiteral("LEFT JOIN LUMO_Vasche ON MovMagazzino.UT_LMQ_IdVasca = LUMO_Vasche.IdVasca"),
            QStringLiteral("WHERE MovMagazzino.DataMovimento >= :DaData AND MovMagazzino.DataMovimento <= :A_Data AND "
                           "CausaliMagaz.UT_LMQ_FlRegImb <> 0  AND "
                           "MovMagazzino.IdMagazzino1 IN (SELECT IdMagazzino FROM LUMO_RaggMagR WHERE IdRaggMag = "
                           ":IdRaggMag) AND "),
            QStringLiteral("(Articoli.UT_LMQ_FlTipArt = 0 or Articoli.UT_LMQ_FlTipArt = 1 or Articoli.UT_LMQ_FlTipArt "
                           "= 2 or Articoli.UT_LMQ_FlTipArt = 4 )"),
            QStringLiteral("ORDER BY MovMagazzino.DataMovimento, MovMagazzino.KMovMag"),
        });
    qMMRegImb->ParamByName(QStringLiteral("DaData"))->SetDataType(ftDateTime);
    qMMRegImb->ParamByName(QStringLiteral("A_Data"))->SetDataType(ftDateTime);
    qMMRegImb->ParamByName(QStringLiteral("IdRaggMag"))->SetDataType(ftInteger);
    qMMRegCon = Query(
        QStringLiteral("qMMRegCon"),
        {
            QStringLiteral("SELECT MovMagazzino.KMovMag, MovMagazzino.IdMagazzino1, MovMagazzino.DataMovimento, "
                           "MovMagazzino.DataDocumento, MovMagazzino.RifDocumento, MovMagazzino.IdCausale, "
                           "MovMagazzino.IdContoTp, MovMagazzino.IdConto, MovMagazzino.IdProdotto, "
                           "MovMagazzino.Quantita, CausaliMagaz.DsCausale, CausaliMagaz.UT_LMQ_FlConImb,  "
                           "Articoli.UT_LMQ_FlTipArt, Articoli.DsProdotto, "),
            QStringLiteral("Articoli.UT_LMQ_IdConIva, Articoli.UT_LMQ_TipoProd, Clienti.RagioneSociale as CliRagSoc, "
                           "Fornitori.RagioneSociale as ForRagSoc, Articoli.IdUM1,"),
            QStringLiteral("CausaliMagaz.UT_LMQ_FlCarSca, CausaliMagaz.UT_LMQ_FlSegno, LUMO_ConIva.DsConIva"),
            QStringLiteral("FROM MovMagazzino"),
            QStringLiteral("LEFT JOIN CausaliMagaz ON CausaliMagaz.IdCausale = MovMagazzino.IdCausale"),
            QStringLiteral("LEFT JOIN Articoli ON  MovMagazzino.IdProdotto = Articoli.IdProdotto"),
            QStringLiteral("LEFT JOIN Clienti ON MovMagazzino.IdConto = Clienti.IdConto"),
            QStringLiteral("LEFT JOIN Fornitori ON MovMagazzino.IdConto = Fornitori.IdConto"),
            QStringLiteral("LEFT JOIN LUMO_ConIva ON Articoli.UT_LMQ_IdConIva = LUMO_ConIva.IdConIva"),
            QStringLiteral("WHERE MovMagazzino.DataMovimento >= :DaData AND MovMagazzino.DataMovimento <= :A_Data AND "
                           "CausaliMagaz.UT_LMQ_FlRegCon <> 0  AND Articoli.UT_LMQ_IdConIva <> '' AND "
                           "MovMagazzino.IdMagazzino1 IN (SELECT IdMagazzino FROM LUMO_RaggMagR WHERE IdRaggMag = "
                           ":IdRaggMag) AND "),
            QStringLiteral("Articoli.UT_LMQ_TipoProd <> 0"),
            QStringLiteral("ORDER BY MovMagazzino.DataMovimento, MovMagazzino.KMovMag"),
        });
    qMMRegCon->ParamByName(QStringLiteral("DaData"))->SetDataType(ftDateTime);
    qMMRegCon->ParamByName(QStringLiteral("A_Data"))->SetDataType(ftDateTime);
    qMMRegCon->ParamByName(QStringLiteral("IdRaggMag"))->SetDataType(ftInteger);
    qProgRegConT =
        Query(QStringLiteral("qProgRegConT"),
              {
                  QStringLiteral("SELECT LUMO_ProgRegCiT.*, LUMO_ConIva.DsConIva"),
                  QStringLiteral("FROM LUMO_ProgRegCiT"),
                  QStringLiteral("LEFT JOIN LUMO_ConIva ON  LUMO_ProgRegCiT.IdConIva = LUMO_ConIva.IdConIva"),
                  QStringLiteral(
                      "WHERE LUMO_ProgRegCiT.IdRaggMag = :IdRaggMag AND LUMO_ProgRegCiT.TipoProdotto = :TipoProdotto"),
              });
    qProgRegConT->ParamByName(QStringLiteral("IdRaggMag"))->SetDataType(ftInteger);
    qProgRegConT->ParamByName(QStringLiteral("TipoProdotto"))->SetDataType(ftInteger);
}

TDMILUMO_reg::~TDMILUMO_reg() = default;

TDMILUMO_reg *TDMILUMO_reg::Crea(QObject *owner)
{
    if (!DMILUMO_reg)
        DMILUMO_reg = new TDMILUMO_reg(owner);
    return DMILUMO_reg;
}

TXTable *TDMILUMO_reg::Table(const QString &name, const QString &table)
{
    auto *t = Create<TXTable>(name);
    t->SetTableName(table);
    t->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    t->SetUsaDizionario(true);
    t->SetUsaDuplicaRecord(true);
    t->SetXAutoApply(true);
    return t;
}

TXQuery *TDMILUMO_reg::Query(const QString &name, const QStringList &sql)
{
    auto *q = Create<TXQuery>(name);
    q->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    q->SetUsaDizionario(true);
    q->SQL = sql;
    return q;
}
