#include "host/business/Distintabase.h"

#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/db/DMIDataBases.h"

namespace Distintabase {

TXEspandiDistintaBase::TXEspandiDistintaBase(QObject *owner, TXDatabase *database)
    : QObject(owner), database_(database ? database : &DMIDataBases::Instance().Global())
{}

TXEspandiDistintaBase::~TXEspandiDistintaBase() = default;

void TXEspandiDistintaBase::Esplodi(const QString &idProdotto, const QString &idVariante, double quantita,
                                    const QDateTime &data, const KV8Config::TFSDBA01 &parametri)
{
    items_.clear();
    QStringList percorso{idProdotto.trimmed()};
    try {
        Espandi(idProdotto.trimmed(), idVariante.trimmed(), 1.0, quantita, data, parametri, 1, percorso);
    } catch (...) {
        items_.clear();
        throw;
    }
}

void TXEspandiDistintaBase::Espandi(const QString &idProdotto, const QString &idVariante, double perUnita,
                                    double quantita, const QDateTime &data, const KV8Config::TFSDBA01 &parametri,
                                    int livello, QStringList &percorso)
{
    struct TRiga {
        QString componente;
        QString variante;
        double quantita;
        double prezzo;
    };
    QList<TRiga> righe;
    QSqlQuery q = database_->OpenQuery(
        QStringLiteral("SELECT IdComponente, IdVarianteComp, Quantita, Prezzo, DataInizio, DataFine FROM DistintaBase "
                       "WHERE IdProdotto = ? AND (IdVariante = '' OR IdVariante = ?) ORDER BY IdVariante, NumRiga"),
        {idProdotto, idVariante});
    while (q.next()) {
        if (parametri.FlComponentiValidi == 1 && !data.isNull()) {
            const QDateTime dal = q.value(4).toDateTime();
            const QDateTime al = q.value(5).toDateTime();
            if ((!dal.isNull() && dal.date() > data.date()) || (!al.isNull() && al.date() < data.date()))
                continue;
        }
        righe.append({q.value(0).toString().trimmed(), q.value(1).toString().trimmed(), q.value(2).toDouble(),
                      q.value(3).toDouble()});
    }
    const int decimali = KFormati::GetDecimali(KFormati::fnQuantita);
    for (const TRiga &r : righe) {
        if (percorso.contains(r.componente, Qt::CaseInsensitive))
            throw Exception(
                QStringLiteral("La distinta base dell'articolo %1 ricade su se stessa attraverso l'articolo %2: "
                               "correggere la distinta base.")
                    .arg(r.componente, idProdotto));
        TXItemDistintaBase item;
        item.IdProdotto = r.componente;
        item.IdVariante = r.variante;
        item.Quantita = perUnita * r.quantita;
        item.QuantitaTotale = Funzioni::KRound(item.Quantita * quantita, decimali);
        item.Prezzo = r.prezzo;
        item.Livello = livello;
        const bool scendi = parametri.LivelliEsplosione == 0 || livello < parametri.LivelliEsplosione;
        const int posizione = int(items_.size());
        items_.append(item);
        if (!scendi)
            continue;
        percorso.append(r.componente);
        const qsizetype prima = items_.size();
        Espandi(r.componente, r.variante, item.Quantita, quantita, data, parametri, livello + 1, percorso);
        percorso.removeLast();
        if (items_.size() > prima)
            items_[posizione].FlSalta = 1;
    }
}

} // namespace Distintabase
