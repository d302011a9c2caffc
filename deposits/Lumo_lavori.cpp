#include "deposits/Lumo_lavori.h"

#include "host/core/Errors.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"

#include <QStringList>

#include <algorithm>

namespace {

constexpr int kRighePerIstruzione = 200;
constexpr int kValoriPerIstruzione = 3000; // of key rows, within either engine's limit

} // namespace

bool CAUZ_PerBlocchi(TXDatabase &db, const QList<qint64> &chiavi,
                     const std::function<void(const QList<qint64> &)> &Passo, const std::function<void()> &Annullato,
                     const std::function<bool(const std::exception &)> &Errore, qsizetype ChiaviPerBlocco)
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
        } catch (const ETransactionLost &e) {
            Annullato();
            Errore(e);
            return false;
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
                const bool avanti = Errore(e);
                if (dynamic_cast<const ETransactionLost *>(&e))
                    return false;
                if (!avanti)
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
      tupla_(QLatin1Char('(') + QStringList(colonne, QStringLiteral("?")).join(QStringLiteral(", "))
             + QLatin1Char(')')),
      primaTupla_(tupla_), righePerIstruzione_(kRighePerIstruzione)
{}

CAUZ_InserimentoMultiplo CAUZ_InserimentoMultiplo::PerChiavi(TXDatabase &db, const QString &istruzione, int colonne)
{
    CAUZ_InserimentoMultiplo copia(db, istruzione, colonne);
    copia.perChiavi_ = true;
    copia.righePerIstruzione_ = std::max(1, kValoriPerIstruzione / colonne);
    // on PostgreSQL a bare parameter in VALUES is text: the first row's are typed
    if (db.IsPostgres())
        copia.primaTupla_ = QLatin1Char('(')
                            + QStringList(colonne, QStringLiteral("CAST(? AS BIGINT)")).join(QStringLiteral(", "))
                            + QLatin1Char(')');
    return copia;
}

void CAUZ_InserimentoMultiplo::Aggiungi(const QVariantList &riga)
{
    valori_ << riga;
    if (++righe_ == righePerIstruzione_)
        Scrivi();
}

void CAUZ_InserimentoMultiplo::Scrivi()
{
    if (righe_ == 0)
        return;
    QStringList tuple(righe_, tupla_);
    tuple.first() = primaTupla_;
    const QString elenco = tuple.join(QStringLiteral(", "));
    if (!perChiavi_) {
        db_.ExecSQL(inserimento_ + QStringLiteral(" VALUES ") + elenco, valori_);
    } else if (db_.ExecSQL(inserimento_.arg(elenco), valori_) != righe_) {
        throw Exception(QStringLiteral("Documenti modificati da un altro utente durante l'elaborazione: ripetere "
                                       "l'operazione."));
    }
    valori_.clear();
    righe_ = 0;
}
