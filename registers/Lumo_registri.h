#pragma once
// What the register dialogs share.
#include "frame/Lumo_funzioni.h"

#include <QDateTime>
#include <QObject>
#include <QScopedValueRollback>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

namespace kv8db {
class ScritturaRighe;
}
class TDataSet;
class TXClientTable;
class TXQuery;
class TXTable;

// While it lives, the pending window messages processed by long loops (progress steps) carry
// no user input: no key, click or close request reaches any window, so a running job cannot
// be started again, its window closed or a work table emptied under it.
class TSenzaInputUtente : public QObject {
public:
    TSenzaInputUtente();
    ~TSenzaInputUtente() override;
    TSenzaInputUtente(const TSenzaInputUtente &) = delete;
    TSenzaInputUtente &operator=(const TSenzaInputUtente &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// A register job running in its window: while it lives the window's flag is set (the window
// neither closes nor starts the job again) and no user input reaches any window.
class TLavoroInCorso {
public:
    explicit TLavoroInCorso(bool &inCorso) : flag_(inCorso, true) {}

private:
    QScopedValueRollback<bool> flag_;
    TSenzaInputUtente senzaInput_;
};

// The grouping's description "_DsRaggMag" on a dataset with the field IdRaggMag.
void UT_LMQ_RG_LookupRaggruppamento(TDataSet *dataSet);

// A work table of the local database named "TT" + the table's name without "LUMO_t_"
// (LUMO_t_RegCs: TTRegCs), read through the dictionary, its changes written only when applied.
TXTable *UT_LMQ_RG_TabellaLocale(QObject *owner, const QString &tabella);
// A client table on a stored table of the company database, empty selection vuoto.
TXClientTable *UT_LMQ_RG_TabellaArchivio(QObject *owner, const QString &tabella, const QString &vuoto);

// A query of a register print on a database ("LocalDatabase", "GlobalDatabase").
TXQuery *UT_LMQ_RG_Query(QObject *owner, const QString &nome, const QString &database, const QStringList &sql);
// The dot-matrix pass over the rows of dati, read again: riga runs on each row under the
// progress bar "Stampa in corso. Attendere... ", which closes even when riga throws.
void UT_LMQ_RG_StampaRighe(TDataSet *dati, const std::function<void()> &riga);

// A grouping typed in a register dialog: false while there is none (0: the run asks for one);
// one not in LUMO_RaggMagT is refused ("Codice Raggruppamento non trovato").
bool UT_LMQ_RG_GruppoDigitato(int IdRaggMag);

// The checks of a register run, in this order: a grouping ("Nessun Codice di raggruppamento
// specificato", focus on fuocoGruppo), the end not before the start ("Data Iniziale superiore
// alla data finale", focus on fuocoData) and, with esercizio, both dates in the fiscal year in
// use ("Anno data inizio / fine non coerente con esercizio in uso", focus on fuocoData). A
// refusal shows its message and answers false.
bool UT_LMQ_RG_ControllaEsecuzione(int IdRaggMag, const QDateTime &DaData, const QDateTime &A_Data,
                                   QWidget *fuocoGruppo, QWidget *fuocoData, bool esercizio);

// The definitive update of a register: one transaction on the company database in which the
// progressive (IdRaggMag, IdRegistro) is read again and, when it no longer holds the date and
// row the run started from, the update is refused ("Registro aggiornato da un altro utente:
// ripetere la stampa"); otherwise corpo writes the stock rows and the progressive. Any error
// rolls everything back and is shown once. True when committed.
bool UT_LMQ_RG_AggiornamentoDefinitivo(int IdRaggMag, const QString &IdRegistro,
                                       const TUT_LMQ_RG_ProgressiviRegistri &inizio,
                                       const std::function<void()> &corpo);

// The litres of the load/unload register movements (causal in the register, article with a
// wine category) of the warehouses of a grouping in a period, by category (and, with
// perCausale, by causal within it): one aggregate on the company database. A null DaData
// has no lower bound; A_Data counts to the end of its day. Litres per unit: 1 for bulk
// articles, else the bottle's capacity, 0 without a bottle; a load or unload causal with sign
// 1 counts negative, other flag values count nothing. Categories in code order.
struct TLitriRegistro {
    QString IdCatVin;
    QString DsCatVin;
    QString IdCausale; // with perCausale only
    QString DsCausale;
    double Carico = 0;
    double Scarico = 0;
};
QList<TLitriRegistro> UT_LMQ_RG_LitriPeriodo(int IdRaggMag, const QDateTime &DaData, const QDateTime &A_Data,
                                             bool perCausale);

// The last instant of a day: a movement stamped with a time on the last date is in the period.
QDateTime UT_LMQ_RG_FineGiorno(const QDateTime &data);

// Fragments of the statements that read the load/unload register's movements: the movements M
// (MovMagazzino) joined to their causal C, article A, wine category V and bottle B; the
// condition of the register's movements of a grouping's warehouses; the litres per unit (1
// for bulk articles, else the bottle's capacity, 0 without a bottle); the litres of the load
// (0) or unload (1) column, negative with sign 1, NULL when the causal's flags give no column.
QString UT_LMQ_RG_SqlMovimenti();
QString UT_LMQ_RG_SqlCondizione(int IdRaggMag);
QString UT_LMQ_RG_SqlLitriUnita();
QString UT_LMQ_RG_SqlLitri(int FlCarSca);

// The expression as a work table's column stores an empty value, as the dictionary's datasets
// store it: COALESCE(espressione, '' or 0) unless the column takes nulls (or is a date).
QString UT_LMQ_RG_SqlVuoto(const QString &tabella, const QString &colonna, const QString &espressione);

// Rows appended to a local work table (emptied first) in one transaction of the local database: a register scan writes its rows without holding them in
// a dataset. Values in the order of the columns, an empty one stored as the dictionary's
// datasets store it ('' or 0 unless the column takes nulls); Chiudi writes what is pending and
// commits (a helper destroyed before Chiudi rolls back).
class TRigheLocali {
public:
    TRigheLocali(const QString &tabella, const QStringList &colonne);
    ~TRigheLocali();
    TRigheLocali(const TRigheLocali &) = delete;
    TRigheLocali &operator=(const TRigheLocali &) = delete;

    void Aggiungi(const QVariantList &valori);
    void Chiudi();
    int Righe() const { return righe_; }

private:
    QVariantList vuoti_; // per column: what an empty value is stored as (null where allowed)
    QVariantList riga_;
    int righe_ = 0;
    std::unique_ptr<class TXTransaction> transazione_;
    std::unique_ptr<kv8db::ScritturaRighe> scrittura_;
};
