#pragma once
// A company with one warehouse grouping (warehouses 1 and 2 of three), two wine categories,
// bulk, bottled and bottle-less articles, register causals of both kinds and signs, and the
// movements a test adds; the fiscal year 2026.
#include "tests/module/registers/RegistriFixture.h"

#include "frame/Dmilumo.h"
#include "host/data/TXlkTable.h"

class MovimentiRegistro : public EsercizioRegistri {
protected:
    void SetUp() override
    {
        EsercizioRegistri::SetUp();
        if (IsSkipped() || company.Db().Attached())
            return;
        Parametri(1, 8);
        GruppoCantina();
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagT (IdRaggMag, DsRaggrupp) VALUES (2, 'Deposito')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (2, 3)"));
        Esegui(QStringLiteral(
            "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('ROS', 'Vino rosso')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES ('BIA', 'Vino bianco')"));
        Articolo(QStringLiteral("SFUSO"), 4, QStringLiteral("B75"), QStringLiteral("ROS"));
        Articolo(QStringLiteral("BOTT"), 0, QStringLiteral("B75"), QStringLiteral("BIA"));
        Articolo(QStringLiteral("NOBOT"), 0, QStringLiteral("XX"), QStringLiteral("BIA"));
        Causale(QStringLiteral("CAR"), 0, 0);
        Causale(QStringLiteral("RES"), 0, 1);
        Causale(QStringLiteral("SCA"), 1, 0);
        Causale(QStringLiteral("ALT"), 2, 0);
        Esegui(QStringLiteral(
            "INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegCs) VALUES ('NOR', 'Fuori registro', 0)"));
    }
    void Parametri(int flStaRegCs, int meseIniziale)
    {
        Esegui(QStringLiteral("DELETE FROM LUMO_Parametri"));
        Esegui(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlStaRegCs, MeseIniBilDicGia) VALUES ('1', ?, ?)"),
               {flStaRegCs, meseIniziale});
        if (DMILUMO)
            DMILUMO->lkLUMO_Parametri->Close();
    }
    void Articolo(const QString &codice, int tipo, const QString &bottiglia, const QString &categoria)
    {
        Esegui(
            QStringLiteral(
                "INSERT INTO Articoli (IdProdotto, DsProdotto, UT_LMQ_FlTipArt, UT_LMQ_IdBottiglia, UT_LMQ_IdCatVin) "
                "VALUES (?, ?, ?, ?, ?)"),
            {codice, QStringLiteral("Articolo ") + codice, tipo, bottiglia, categoria});
    }
    void Causale(const QString &codice, int carSca, int segno)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegCs, UT_LMQ_FlCarSca, UT_LMQ_FlSegno) "
                   "VALUES (?, ?, 1, ?, ?)"),
               {codice, QStringLiteral("Causale ") + codice, carSca, segno});
    }
    void Movimento(int chiave, const QDateTime &data, int magazzino, const QString &causale, const QString &articolo,
                   double quantita)
    {
        Esegui(
            QStringLiteral("INSERT INTO MovMagazzino (KMovMag, DataMovimento, DataDocumento, RifDocumento, IdCausale, "
                           "IdMagazzino1, IdProdotto, Quantita) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            {chiave, data, data, QStringLiteral("DOC%1").arg(chiave), causale, magazzino, articolo, quantita});
    }
    void Progressivo(int gruppo, const QString &registro, const QDate &data, int riga)
    {
        Esegui(QStringLiteral(
                   "INSERT INTO LUMO_ProgRegistri (IdRaggMag, IdRegistro, DataUltAgg, UltNumRiga) VALUES (?, ?, ?, ?)"),
               {gruppo, registro, QDateTime(data, QTime(0, 0)), riga});
    }
    // The stored progressive as "dd/MM/yyyy/row", empty when there is none.
    QString LeggiProgressivo(int gruppo, const QString &registro)
    {
        QSqlQuery q = company.Database().OpenQuery(
            QStringLiteral(
                "SELECT DataUltAgg, UltNumRiga FROM LUMO_ProgRegistri WHERE IdRaggMag = ? AND IdRegistro = ?"),
            {gruppo, registro});
        if (!q.next())
            return QString();
        return q.value(0).toDateTime().date().toString(QStringLiteral("dd/MM/yyyy")) + QLatin1Char('/')
               + q.value(1).toString();
    }
    static QDateTime Giorno(int anno, int mese, int giorno, int ora = 0)
    {
        return QDateTime(QDate(anno, mese, giorno), QTime(ora, 0));
    }
};
