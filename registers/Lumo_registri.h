#pragma once
// What the register dialogs share.
#include "frame/Lumo_funzioni.h"
#include "host/db/SetBasedWork.h"
#include "host/ui/MDIForm.h"

#include <QDateTime>
#include <QScopedValueRollback>
#include <QString>
#include <QStringList>
#include <QVariantList>

class QWidget;
class TDataSet;
class TXClientTable;
class TXDatabase;
class TXMemTable;
class TXQuery;
class TXTable;

// A register job running in its window: while it lives the window's flag is set (the window
// neither closes nor starts the job again), the job's buttons are disabled and no user input
// reaches any window.
class TLavoroInCorso {
public:
    explicit TLavoroInCorso(bool &inCorso, const QList<QWidget *> &pulsanti = {})
        : flag_(inCorso, true), lavoro_(pulsanti)
    {}

private:
    QScopedValueRollback<bool> flag_;
    Mdimainbase::TLavoro lavoro_;
};

// A register dialog's record on its parameters table: the module's data modules made, the
// record read through the dictionary with the grouping's description.
void UT_LMQ_RG_RecordDialogo(TXMemTable *record, const QString &tabella);

// The grouping's description "_DsRaggMag" on a dataset with the field IdRaggMag.
void UT_LMQ_RG_LookupRaggruppamento(TDataSet *dataSet);

// The database of the registers' work tables: the LocalDatabase beside a SQLite company; beside
// a PostgreSQL company the company connection itself, where the work tables are temporary
// tables of the connection, so that the rows are computed, numbered and read on the server.
QString UT_LMQ_RG_DatabaseLavoro();
TXDatabase &UT_LMQ_RG_Lavoro();

// A work table of the registers' work database named "TT" + the table's name without "LUMO_t_"
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

// The period checks of a register dialog's record, as the dates are typed: a start not after
// the last definitive print DataUltSta ("Data iniziale non valida", focus on fuocoDa) and an end
// before the start ("Data finale non corretta", focus on fuocoA); shown, the date kept.
void UT_LMQ_RG_ControlliPeriodo(TDataSet *record, QWidget *fuocoDa, QWidget *fuocoA);

// The progressive p in a register dialog's record: DataUltSta (empty before the first
// definitive print) and, with proposta, UltNumRiga and the start the day after DataUltSta.
void UT_LMQ_RG_MostraProgressivo(TDataSet *record, const TUT_LMQ_RG_ProgressiviRegistri &p, bool proposta);

// The checks of a register run, in this order: a grouping ("Nessun Codice di raggruppamento
// specificato", focus on fuocoGruppo), the end not before the start ("Data Iniziale superiore
// alla data finale", focus on fuocoData) and, with esercizio, both dates in the fiscal year in
// use ("Anno data inizio / fine non coerente con esercizio in uso", focus on fuocoData). A
// refusal shows its message and answers false.
bool UT_LMQ_RG_ControllaEsecuzione(int IdRaggMag, const QDateTime &DaData, const QDateTime &A_Data,
                                   QWidget *fuocoGruppo, QWidget *fuocoData, bool esercizio);

// The definitive update of a register: one transaction on the company database in which the
// progressive (IdRaggMag, IdRegistro) is read again and kept from other users until the commit
// (UT_LMQ_RG_BloccoProgReg) and, when it no longer holds the date and row the run started
// from, the update is refused ("Registro aggiornato da un altro utente:
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
// (0) or unload (1) column, negative with sign 1, NULL when the causal's flags give no column
// (litriUnita: the litres per unit when not those of A and B).
QString UT_LMQ_RG_SqlMovimenti();
QString UT_LMQ_RG_SqlCondizione(int IdRaggMag);
QString UT_LMQ_RG_SqlLitriUnita();
QString UT_LMQ_RG_SqlLitri(int FlCarSca, const QString &litriUnita = QString());
// The load/unload register's rows of a grouping, in date and movement order: the movements
// UT_LMQ_RG_SqlMovimenti and UT_LMQ_RG_SqlCondizione select, from the start of a day (first
// value) to an instant (second value), each as KMovMag, IdRaggMag, IdMagazzino1, DataMovimento,
// DataDocumento, RifDocumento, IdCausale, DsCausale, IdContoTp, IdConto, the account's name,
// IdProdotto, DsProdotto, Quantita, litres per unit, IdCatVin, DsCatVin, FlCarSca, FlSegno and
// the load and unload litres.
QString UT_LMQ_RG_SqlRigheCarico(int IdRaggMag);

// The expression as a work table's column stores an empty value, as the dictionary's datasets
// store it: COALESCE(espressione, '' or 0) unless the column takes nulls (or is a date).
QString UT_LMQ_RG_SqlVuoto(const QString &tabella, const QString &colonna, const QString &espressione);

// A movement query of the data module read with its lookups joined once per movement.
struct TLetturaUnita {
    QStringList testo;
    QStringList piene; // the expressions "Articoli.…" that hold no null in its rows
};

// A movement query of the data module (lines "LEFT JOIN Articoli ON …", "LEFT JOIN T ON
// Articoli.… = T.…" and "LEFT JOIN Clienti / Fornitori ON MovMagazzino.IdConto = …") with the
// article and the tables joined to it made one table Articoli of the columns given
// ("Tabella.Colonna", named then by the column alone; "espressione AS Nome" as written), read
// once rather than once per movement and joined INNER: a movement whose article is missing is
// left out, as every register's reading leaves it out by testing its article. A column of a
// table joined to the article that takes no null holds its empty value ('' or 0) where the
// article names no row of it, so that a row's value needs no filling. Customers and suppliers
// become one table Conti, one lookup per movement where the query has two: the name of the
// movement's account (of its type) is UT_LMQ_RG_SqlRagioneSociale. The same rows otherwise.
TLetturaUnita UT_LMQ_RG_LetturaUnita(const QStringList &testo, const QStringList &colonne);
QString UT_LMQ_RG_SqlRagioneSociale();

// The reading that fills a register's work table from a movement reading (its text from FROM
// on, ending with its ORDER BY line): each work-table column of colonne from its expression of
// espressioni (an empty value as the table's datasets store it; a column of the movement itself
// that takes no null, or one the reading holds filled, as it is), the conditions (" AND …",
// named placeholders after the query's own) before the order.
QString UT_LMQ_RG_SqlRighe(const QString &tabella, const QStringList &colonne, const QStringList &espressioni,
                           const TLetturaUnita &lettura, const QString &condizioni = QString());

// The movements of the period a register copies to a step of its bar, about at most: a stretch
// of whole days some tenths of a second long (a day with more movements is a stretch of its own).
inline qint64 UT_LMQ_RG_MovimentiPerTratto = 100000;

// The work table emptied, then filled with the rows selezione (with valori) gives on the company
// database into colonne, and the column NumeroRiga numbered from da + 1 in the reading's order;
// the rows copied. The reading is of warehouse movements in date order and its first two values
// are the first and the last instant of its period: the rows are copied a stretch of the period
// at a time (equal shares of UT_LMQ_RG_MovimentiPerTratto movements at most, all in one
// transaction) under the bar "Elaborazione movimenti in corso..", which counts through the
// period's movements (MovMagazzino) as the stretches are done. With totali its columns are
// added up over the rows copied, as the copy writes them.
int UT_LMQ_RG_CopiaRighe(const QString &tabella, const QString &selezione, const QVariantList &valori,
                         const QStringList &colonne, int da, kv8db::TotaliRighe *totali = nullptr);
