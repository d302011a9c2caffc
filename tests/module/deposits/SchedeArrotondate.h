#pragma once
// Every deposit card of the company at the value decimals, for comparing the cards before and
// after a rebuild: "type/account/destination/kind/packaging/amounts...", all-zero cards left out
// (a missing card equals an all-zero one).
#include "host/db/TXDatabase.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>

#include <cmath>

inline QStringList SchedeArrotondate(TXDatabase &db)
{
    QStringList out;
    QSqlQuery q = db.OpenQuery(QStringLiteral(
        "SELECT IdContoTp, IdConto, IdDestinazione, FlTipoScheda, IdImballo, ProgQtaCar, ProgQtaRes, ProgValCar, "
        "ProgValRes, ProgQtaCarF, ProgQtaResF, ProgValCarF, ProgValResF, ProgQtaCarB, ProgQtaResB, ProgValCarB, "
        "ProgValResB, QtaCarEcc, QtaResEcc, EsiAttEcc FROM LUMO_ProgCauz ORDER BY IdContoTp, IdConto, "
        "IdDestinazione, FlTipoScheda, IdImballo"));
    while (q.next()) {
        QStringList r;
        bool zero = true;
        for (int i = 0; i < q.record().count(); ++i) {
            if (i < 5) {
                r << q.value(i).toString();
                continue;
            }
            const double v = std::round(q.value(i).toDouble() * 100) / 100;
            zero = zero && v == 0;
            r << QString::number(v + 0.0, 'f', 2);
        }
        if (!zero)
            out << r.join(QLatin1Char('/'));
    }
    return out;
}
