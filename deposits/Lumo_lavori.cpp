#include "deposits/Lumo_lavori.h"

#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"

#include <QStringList>

namespace {

constexpr int kRighePerIstruzione = 200;

} // namespace

bool CAUZ_PerBlocchi(TXDatabase &db, const QList<qint64> &chiavi, const std::function<void(const QList<qint64> &)> &Passo,
                     const std::function<void()> &Annullato, const std::function<bool(const std::exception &)> &Errore,
                     qsizetype ChiaviPerBlocco)
{
    if (db.InTransaction())
        return false;
    for (qsizetype inizio = 0; inizio < chiavi.size(); inizio += ChiaviPerBlocco) {
        const QList<qint64> blocco = chiavi.mid(inizio, ChiaviPerBlocco);
        try {
            TXTransaction transazione(db);
            if (!transazione.Started())
                return false;
            Passo(blocco);
            transazione.Commit();
            continue;
        } catch (const std::exception &) {
            Annullato();
        }
        // the block again, a key to a transaction
        for (const qint64 chiave : blocco) {
            try {
                TXTransaction transazione(db);
                if (!transazione.Started())
                    return false;
                Passo({chiave});
                transazione.Commit();
            } catch (const std::exception &e) {
                Annullato();
                if (!Errore(e))
                    return true;
            }
        }
    }
    return true;
}

QString CAUZ_ElencoChiavi(const QList<qint64> &chiavi)
{
    QStringList elenco;
    for (const qint64 chiave : chiavi)
        elenco << QString::number(chiave);
    return elenco.join(QLatin1Char(','));
}

CAUZ_InserimentoMultiplo::CAUZ_InserimentoMultiplo(TXDatabase &db, const QString &inserimento, int colonne)
    : db_(db), inserimento_(inserimento),
      tupla_(QLatin1Char('(') + QStringList(colonne, QStringLiteral("?")).join(QStringLiteral(", ")) + QLatin1Char(')'))
{
}

void CAUZ_InserimentoMultiplo::Aggiungi(const QVariantList &riga)
{
    valori_ << riga;
    if (++righe_ == kRighePerIstruzione)
        Scrivi();
}

void CAUZ_InserimentoMultiplo::Scrivi()
{
    if (righe_ == 0)
        return;
    db_.ExecSQL(inserimento_ + QStringLiteral(" VALUES ") + QStringList(righe_, tupla_).join(QStringLiteral(", ")), valori_);
    valori_.clear();
    righe_ = 0;
}
