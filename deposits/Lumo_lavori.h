#pragma once
// What the deposit jobs share: the window state while one runs, the keys done a block to a
// transaction, and rows written many to a statement.
#include "host/ui/Dbchildpars.h"
#include "host/ui/MDIForm.h"

#include <QList>
#include <QString>
#include <QVariantList>

#include <exception>
#include <functional>
#include <optional>

class TXDatabase;

// A deposit job running from a parameter window: Esegui and Chiudi disabled (and given back
// as they were, also after an error) so that a second click cannot start it again while it
// processes messages, the user's input held off; optionally the hourglass.
class CAUZ_LavoroInCorso {
public:
    CAUZ_LavoroInCorso(TFDBChildPars *finestra, bool clessidra) : lavoro_({finestra->btEsegui, finestra->btChiudi})
    {
        if (clessidra)
            clessidra_.emplace();
    }

private:
    Mdimainbase::TLavoro lavoro_;
    std::optional<THourGlass> clessidra_;
};

// Keys of a job done a block to a transaction, so that a long job does not commit key by key.
// A block that fails is rolled back and done again a key to a transaction: every key is done
// wholly or not at all, and a failing key loses only its own work. Passo does the keys given
// inside the open transaction and throws its errors; Annullato drops what the datasets hold of
// a rolled-back transaction; Errore is told a failing key's error and answers whether the job
// goes on. False when the connection already held a transaction, or when the engine ended one
// under the job (a full disk, the connection lost): Errore is told once and the job stops.
bool CAUZ_PerBlocchi(TXDatabase &db, const QList<qint64> &chiavi,
                     const std::function<void(const QList<qint64> &)> &Passo, const std::function<void()> &Annullato,
                     const std::function<bool(const std::exception &)> &Errore, qsizetype ChiaviPerBlocco = 500);

// The keys as the list of an IN (...) condition.
QString CAUZ_ElencoChiavi(const QList<qint64> &chiavi);

// Rows of one table written many to a statement ("INSERT INTO T (A, B)" and its column count);
// Scrivi writes what is left.
class CAUZ_InserimentoMultiplo {
public:
    CAUZ_InserimentoMultiplo(TXDatabase &db, const QString &inserimento, int colonne);
    // Rows copied by keys: the statement holds "%1" where the VALUES rows of the integer keys go
    // ("... SELECT v.column1, T.A FROM (VALUES %1) AS v JOIN T ON T.K = v.column2"), and must
    // write a row for each; when it writes fewer (the rows it copies changed since they were
    // read) Scrivi throws.
    static CAUZ_InserimentoMultiplo PerChiavi(TXDatabase &db, const QString &istruzione, int colonne);
    void Aggiungi(const QVariantList &riga);
    void Scrivi();

private:
    TXDatabase &db_;
    QString inserimento_, tupla_, primaTupla_;
    QVariantList valori_;
    int righe_ = 0;
    int righePerIstruzione_;
    bool perChiavi_ = false;
};
