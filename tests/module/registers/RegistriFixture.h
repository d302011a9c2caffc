#pragma once
// The register tests' company: the fiscal year 2026 (the year in use given back after the
// test), and on request warehouses 1 to 3 with the grouping 1 "Cantina" of warehouses 1 and 2.
#include "tests/module/masterdata/MasterDettaglioFixture.h"

#include "host/core/Applvar.h"
#include "host/db/DMIDataBases.h"
#include "registers/Lumo_registri.h"

#include <QSqlQuery>
#include <QSqlRecord>

class EsercizioRegistri : public MasterDettaglio {
protected:
    void SetUp() override
    {
        annoSalvato_ = CFG.Anno;
        MasterDettaglio::SetUp();
        if (IsSkipped())
            return;
        CFG.Anno = 2026;
    }
    void TearDown() override
    {
        CFG.Anno = annoSalvato_;
        MasterDettaglio::TearDown();
    }

    // Warehouses 1 to 3; the grouping 1 "Cantina" of warehouses 1 and 2.
    void GruppoCantina()
    {
        for (int m = 1; m <= 3; ++m)
            Esegui(QStringLiteral("INSERT INTO Magazzini (IdMagazzino, RagioneSociale) VALUES (?, ?)"),
                   {m, QStringLiteral("Magazzino %1").arg(m)});
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagT (IdRaggMag, DsRaggrupp) VALUES (1, 'Cantina')"));
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (1, 1)"));
        Esegui(QStringLiteral("INSERT INTO LUMO_RaggMagR (IdRaggMag, IdMagazzino) VALUES (1, 2)"));
    }

    // "dd/MM/row" of the stored register progressive of grouping 1, empty when there is none.
    QString ProgressivoSalvato(const QString &registro)
    {
        const QStringList r = Elenco(QStringLiteral("SELECT DataUltAgg, UltNumRiga FROM LUMO_ProgRegistri "
                                                    "WHERE IdRaggMag = 1 AND IdRegistro = ?"),
                                     {registro});
        if (r.isEmpty())
            return QString();
        const QStringList c = r.first().split(QLatin1Char('/'));
        return QDateTime::fromString(c[0], Qt::ISODate).date().toString(QStringLiteral("dd/MM")) + QLatin1Char('/')
               + c[1];
    }

    // From now on every row written into LUMO_ProgRegistri fails, as on a broken database;
    // false when the failure could not be set up.
    bool GuastaProgressivi()
    {
        QSqlQuery ddl(company.Database().Connection());
        if (company.Db().IsPostgres())
            return ddl.exec(QStringLiteral("CREATE FUNCTION guasto() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION "
                                           "'guasto'; END $$ LANGUAGE plpgsql"))
                   && ddl.exec(
                       QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON LUMO_ProgRegistri FOR EACH ROW "
                                      "EXECUTE FUNCTION guasto()"));
        return ddl.exec(QStringLiteral("CREATE TRIGGER tr_guasto BEFORE INSERT ON LUMO_ProgRegistri BEGIN "
                                       "SELECT RAISE(ABORT, 'guasto'); END"));
    }

    // Rows of a local work table, numbers as text and an empty column as "-".
    static QStringList Locale(const QString &sql)
    {
        QSqlQuery q = UT_LMQ_RG_Lavoro().OpenQuery(sql);
        QStringList out;
        while (q.next()) {
            QStringList r;
            for (int i = 0; i < q.record().count(); ++i) {
                const QVariant v = q.value(i);
                bool numero = false;
                const double d = v.toString().toDouble(&numero);
                r << (v.isNull() ? QStringLiteral("-") : numero ? QString::number(d) : v.toString());
            }
            out << r.join(QLatin1Char('/'));
        }
        return out;
    }

private:
    int annoSalvato_ = 0;
};
