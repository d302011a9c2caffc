#pragma once
// Bills of materials (table DistintaBase): the components of a kit article exploded for a
// quantity at a date.
#include "host/core/KV8Config.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

class TXDatabase;

namespace Distintabase {

// One component of an explosion.
struct TXItemDistintaBase {
    QString IdProdotto;        // component article
    QString IdVariante;        // component variant
    double Quantita = 0;       // per unit of the exploded article
    double QuantitaTotale = 0; // for the quantity exploded
    double Prezzo = 0;         // the component's price in the bill
    int Livello = 1;           // 1 the kit's own components, 2 theirs...
    // Not 0: a component that is itself exploded into the items that follow it, listed for
    // reference only (no document row of its own).
    int FlSalta = 0;
};

class TXEspandiDistintaBase : public QObject {
    Q_OBJECT
public:
    // On the company database ("GlobalDatabase" unless another is given).
    explicit TXEspandiDistintaBase(QObject *owner = nullptr, TXDatabase *database = nullptr);
    ~TXEspandiDistintaBase() override;

    // Explodes the article's bill for the variant (rows of the variant and rows for every
    // variant) and quantity at the date, down to the levels of the settings (0: all); with
    // FlComponentiValidi the rows whose validity period leaves the date out are skipped.
    // Replaces the items of an earlier explosion; an article without bill gives none. Throws
    // Exception for a bill that contains its own article.
    void Esplodi(const QString &idProdotto, const QString &idVariante, double quantita, const QDateTime &data,
                 const KV8Config::TFSDBA01 &parametri);

    int GetCount() const { return int(items_.size()); }
    const TXItemDistintaBase &GetItem(int index) const { return items_.at(index); }

private:
    void Espandi(const QString &idProdotto, const QString &idVariante, double perUnita, double quantita,
                 const QDateTime &data, const KV8Config::TFSDBA01 &parametri, int livello, QStringList &percorso);

    TXDatabase *database_;
    QList<TXItemDistintaBase> items_;
};

} // namespace Distintabase
