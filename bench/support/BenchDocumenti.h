#pragma once
// The document the business and engine benchmarks share: the values of row i of a document
// (quantity, price and their amount), the code of its article among n, and the engine's
// database put in place as "GlobalDatabase" while a scope lasts.
#include "host/core/Funzioni.h"
#include "host/db/DMIDataBases.h"

#include <QString>

#include <functional>
#include <utility>

namespace benchdoc {

struct RigaDoc {
    double Quantita = 0;
    double Prezzo = 0;
    double Importo = 0; // quantity × price at two decimals
};

inline RigaDoc Riga(int i)
{
    RigaDoc r;
    r.Quantita = 1 + i % 7;
    r.Prezzo = 1.5 + i % 13 + 0.37;
    r.Importo = Funzioni::KRound(r.Quantita * r.Prezzo, 2);
    return r;
}

inline QString Articolo(int i, int articoli)
{
    return QStringLiteral("A%1").arg(i % articoli, 3, 10, QLatin1Char('0'));
}

// The engine's database as "GlobalDatabase" while the scope lasts, the connection found there
// (another benchmark's) put back afterwards; moduli frees the modules that read the
// database, before and after.
class Globale {
public:
    Globale(const QString &url, std::function<void()> moduli) : moduli_(std::move(moduli))
    {
        DMIDataBases &dbs = DMIDataBases::Instance();
        if (dbs.Has(QStringLiteral("GlobalDatabase")))
            prima_ = dbs.Global().Url();
        moduli_();
        db_ = &dbs.Open(QStringLiteral("GlobalDatabase"), url);
    }
    ~Globale()
    {
        moduli_();
        DMIDataBases &dbs = DMIDataBases::Instance();
        if (prima_.isEmpty())
            dbs.Close(QStringLiteral("GlobalDatabase"));
        else
            dbs.Open(QStringLiteral("GlobalDatabase"), prima_);
    }
    Globale(const Globale &) = delete;
    Globale &operator=(const Globale &) = delete;
    TXDatabase &Db() { return *db_; }

private:
    std::function<void()> moduli_;
    QString prima_;
    TXDatabase *db_ = nullptr;
};

} // namespace benchdoc
