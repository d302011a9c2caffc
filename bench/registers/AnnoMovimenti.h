#pragma once
// A company's year of warehouse movements for the register benchmarks: three warehouses (two
// in grouping 1), bulk and bottled wines with a wine category, a VAT stamp (types A and B,
// product types 1 and 2) and a bottle, causals flagged for every register (load and unload of
// both signs, bottling, bottled stamp column) and loss movements, written 500 to a statement.
#include "host/db/SchemaInstaller.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantList>

#include <algorithm>

namespace annomovimenti {

inline QString Articolo(int i)
{
    return QStringLiteral("V%1").arg(i, 3, 10, QLatin1Char('0'));
}

// Creates the schema in db and fills it with the year (2026) of the given movements.
inline void Semina(TXDatabase &db, int movimenti)
{
    static const char *const categorie[] = {"ROS", "BIA", "ROSA", "SPU", "PAS", "NOV"};
    static const char *const contrassegni[] = {"A01", "A02", "A03", "B12"};
    // code, load/unload, sign, bottled stamp column
    static const struct {
        const char *codice;
        int carSca, segno, conImb;
    } causali[] = {{"CAR", 0, 0, 0}, {"SCA", 1, 0, 0}, {"RES", 0, 1, 0}, {"RSC", 1, 1, 0}, {"IMB", 0, 0, 1}};
    SchemaInstaller().Create(db);
    TXTransaction transazione(db);
    for (int m = 1; m <= 3; ++m)
        db.ExecSQL(QStringLiteral("INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (?, ?)"),
                   {m, QStringLiteral("Magazzino %1").arg(m)});
    db.ExecSQL(QStringLiteral("INSERT INTO LUMO_RaggMagT (IdRaggMag, DsRaggrupp) VALUES (1, 'Cantina')"));
    db.ExecSQL(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (1, 1)"));
    db.ExecSQL(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (1, 2)"));
    db.ExecSQL(QStringLiteral(
        "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('B75', 'Bordolese', 0.75)"));
    db.ExecSQL(QStringLiteral(
        "INSERT INTO LUMO_Bottiglie (IdBottiglia, DsBottiglia, Capacita) VALUES ('M150', 'Magnum', 1.5)"));
    for (const char *c : categorie)
        db.ExecSQL(QStringLiteral("INSERT INTO LUMO_CatVin (IdCatVin, DsCatVin) VALUES (?, ?)"),
                   {QLatin1String(c), QStringLiteral("Categoria ") + QLatin1String(c)});
    for (const char *c : contrassegni)
        db.ExecSQL(QStringLiteral("INSERT INTO LUMO_ConIva (IdConIva, DsConIva) VALUES (?, ?)"),
                   {QLatin1String(c), QStringLiteral("Contrassegno ") + QLatin1String(c)});
    // Articles: bulk, 0.75 l, 1.5 l and without a bottle; every sixth a bottled drink (type 1).
    for (int i = 0; i < 60; ++i) {
        const int tipo = i % 4;
        db.ExecSQL(QStringLiteral("INSERT INTO Articoli (IdProdotto, DsProdotto, UT_LMQ_FlTipArt, UT_LMQ_IdBottiglia, "
                                  "UT_LMQ_IdCatVin, UT_LMQ_IdConIva, UT_LMQ_TipoProd) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                   {Articolo(i), QStringLiteral("Vino %1").arg(i),
                    tipo == 0    ? 4
                    : i % 6 == 1 ? 1
                                 : 0,
                    tipo == 1   ? QStringLiteral("B75")
                    : tipo == 2 ? QStringLiteral("M150")
                                : QStringLiteral(""),
                    QLatin1String(categorie[i % 6]), QLatin1String(contrassegni[i % 4]), 1 + i % 2});
    }
    for (const auto &c : causali)
        db.ExecSQL(
            QStringLiteral(
                "INSERT INTO CausaliMagaz (IdCausale, DsCausale, UT_LMQ_FlRegCs, UT_LMQ_FlRegCon, "
                "UT_LMQ_FlRegImb, UT_LMQ_FlCarSca, UT_LMQ_FlSegno, UT_LMQ_FlConImb) VALUES (?, ?, 1, 1, 1, ?, ?, ?)"),
            {QLatin1String(c.codice), QStringLiteral("Causale ") + QLatin1String(c.codice), c.carSca, c.segno,
             c.conImb});
    db.ExecSQL(QStringLiteral("INSERT INTO Clienti (IdConto, RagioneSociale) VALUES ('C1', 'Enoteca')"));
    db.ExecSQL(QStringLiteral("INSERT INTO Fornitori (IdConto, RagioneSociale) VALUES ('F1', 'Vivaio')"));
    const QDateTime inizio(QDate(2026, 1, 1), QTime(8, 0));
    constexpr int kBlocco = 500;
    for (int base = 0; base < movimenti; base += kBlocco) {
        const int n = std::min(kBlocco, movimenti - base);
        QStringList valori;
        QVariantList parametri;
        for (int k = 0; k < n; ++k) {
            const int i = base + k;
            valori << QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
            const QDateTime data = inizio.addSecs(qint64(i) * 365 * 86400 / movimenti);
            const bool cliente = i % 2 == 0;
            parametri << i + 1 << data << data << QStringLiteral("DOC%1").arg(i + 1)
                      << QLatin1String(causali[(i / 3) % 5].codice) << 1 + i % 3 << Articolo((i * 7) % 60)
                      << double(1 + i % 24) << (cliente ? QStringLiteral("CL") : QStringLiteral("FO"))
                      << (cliente ? QStringLiteral("C1") : QStringLiteral("F1")) << (i % 11 == 0 ? 1 : 0);
        }
        db.ExecSQL(
            QStringLiteral("INSERT INTO MovMagazzino (KMovMag, DataMovimento, DataDocumento, RifDocumento, IdCausale, "
                           "IdMagazzino1, IdProdotto, Quantita, IdContoTp, IdConto, UT_LMQ_FlMovCalo) VALUES ")
                + valori.join(QStringLiteral(", ")),
            parametri);
    }
    transazione.Commit();
    if (db.IsPostgres())
        db.ExecSQL(QStringLiteral("VACUUM ANALYZE")); // what the server's autovacuum would soon do after the load
}

} // namespace annomovimenti
