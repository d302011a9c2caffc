#pragma once
// Set-based work for batch jobs and registers.
//
// A job that the business description writes as a loop over movements (a register's
// progressives, a recalculation, a generation of documents) may rebuild its work tables in a
// few statements, so long as the rows, totals and messages the user sees stay those of the
// loop. The statements are written as the module writes every other text (SQL Server
// dialect) and run through TXDatabase::ExecSQL, which translates them for the engine and
// binds the values; inside a transaction a failed statement undoes only itself. The forms
// that run alike on SQLite and PostgreSQL:
//
//   INSERT … SELECT, with GROUP BY, joins, CASE, ISNULL( and the other translated functions:
//       db.ExecSQL("INSERT INTO Saldi (IdConto, Qta) SELECT IdConto, SUM(Qta) FROM Movimenti "
//                  "WHERE DataMov <= ? GROUP BY IdConto", {fine});
//   UPDATE … FROM in its SQL Server form, the updated table named once more after FROM (or by
//   its alias) and the others joined to it:
//       db.ExecSQL("UPDATE S SET S.Qta = S.Qta + T.Qta FROM Saldi S INNER JOIN "
//                  "(SELECT IdConto, SUM(Qta) AS Qta FROM Movimenti GROUP BY IdConto) T "
//                  "ON T.IdConto = S.IdConto");
//   window functions for progressives and numbering, in a SELECT or feeding an INSERT:
//       SUM(Qta) OVER (PARTITION BY IdConto ORDER BY DataMov, KMov ROWS UNBOUNDED PRECEDING),
//       ROW_NUMBER() OVER (PARTITION BY IdConto ORDER BY DataMov, KMov)
//       (the order of a running total names a unique key last, so that ties add up row by row).
//
// The company database and the local work database ("LocalDatabase", a SQLite file of its
// own per program run) are separate connections: no statement reads one and writes the
// other. Rows cross between them with CopiaRighe below: one statement computes them on the
// source, they are streamed out a batch at a time and written as ScritturaRighe writes them;
// between two SQLite files with no transaction open on either, the source file is attached to
// the target's connection for the copy and the rows go in one INSERT … SELECT there (SQLite
// refuses ATTACH inside a transaction, and a PostgreSQL company cannot be attached at all).
// Work that stays on one database is one statement there, never a copy.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>
#include <memory>
#include <optional>

class QSqlQuery;
class TXDatabase;

namespace kv8db {

// A column of the copy numbered in the order of the reading: its first row da + 1.
struct NumeroRiga {
    QString colonna;
    qint64 da = 0;
};

// Columns of a numbered copy added up over the rows it writes: somme, in the order of colonne,
// as SUM of each column over those rows gives them where the table keeps its rows in the order
// written (0 when none has a value).
struct TotaliRighe {
    QStringList colonne;
    QList<double> somme;
};

// Rows appended to one table of a database, each row's values in the order of the columns and
// stored as ExecSQL stores them. On SQLite the first row goes through ExecSQL (the datasets'
// pending rows of the table are written first and the table is noted as written in the
// transaction) and the others through one statement prepared on the engine's own handle,
// bound straight; on PostgreSQL they are written in multi-row INSERTs through ExecSQL. The
// caller holds the transaction; Chiudi writes what is pending. A failed write throws as
// ExecSQL does (EKeyViolation for a taken key).
class ScritturaRighe {
public:
    ScritturaRighe(TXDatabase &to, const QString &table, const QStringList &columns);
    ~ScritturaRighe();
    ScritturaRighe(const ScritturaRighe &) = delete;
    ScritturaRighe &operator=(const ScritturaRighe &) = delete;

    // The last column numbered by the writer: the rows in the order they are added, the
    // first one da + 1; the rows then carry one value fewer than the columns.
    void Numera(qint64 da);

    // One row: as many values as columns (one fewer when numbered), read from value(0) ….
    template <typename Row> void Aggiungi(Row &&row)
    {
        const int letti = numero_ ? columns_ - 1 : columns_;
        for (int i = 0; i < letti; ++i)
            Valore(row.value(i));
        if (numero_)
            Valore(QVariant(++*numero_));
    }
    // One row of a reading on PostgreSQL, as Aggiungi: the values of texts, whole numbers,
    // floating numbers, truth values, dates and local date-times bound from the server's text.
    void AggiungiPostgres(QSqlQuery &row);
    void Chiudi();
    qint64 Righe() const { return rows_; }

private:
    friend qint64 CopiaRigheATratti(TXDatabase &, const QString &, const QList<QVariantList> &, TXDatabase &,
                                    const QString &, const QStringList &, std::optional<NumeroRiga>,
                                    const std::function<void(qsizetype, qint64)> &, TotaliRighe *);
    bool CopiaDalMotore(QSqlQuery &rows, const TXDatabase &from);
    void Valore(const QVariant &value);
    bool ValoreTesto(const char *text, int length, unsigned type);
    void Avanza();
    void Scrivi();
    [[noreturn]] void Fallita();

    TXDatabase &to_;
    QString table_;
    QStringList names_;
    int columns_;
    int perInsert_ = 1;
    QString full_; // the statement of perInsert_ rows
    QVariantList pending_;
    int pendingRows_ = 0;
    int column_ = 0; // of the row being added
    qint64 rows_ = 0;
    std::optional<qint64> numero_; // the last number given, when the last column is numbered
    struct Nativo;
    std::unique_ptr<Nativo> native_;
};

// Writes the rows that select (with its values) gives on from into table on to, the columns
// of the reading going in order into columns (empty: the reading's own column names); the
// number of rows written. On to the rows are written inside its open transaction, or in a
// transaction of their own when none is open (all or nothing). The reading is held a batch
// at a time; from one SQLite database to another the rows go in one INSERT … SELECT with the
// reading's file attached when no transaction is open on either, else the rows after the
// first are stepped and bound on the engine, each value as the engine holds it. A count of columns that differs
// from the reading's is refused with a message and nothing written; a failed write (a taken
// key) throws as ExecSQL does. A PostgreSQL reading is planned for all its rows, as the copy
// reads them all, runs in a transaction of its own (where nothing is written) when none is open
// on from, so that its cursor streams the rows, and its values go to a SQLite target from the
// server's text where the stored form is that text. With numero the column it names follows the
// others, numbered in the order of the reading (a reading ordered by an index needs no sort for
// it, where a ROW_NUMBER() would sort every row). On one database (from is to) the rows go in
// one INSERT … SELECT there, numbered by ROW_NUMBER() over the reading's own ORDER BY (a reading
// with DISTINCT, a union or a LIMIT is copied as between two databases); on PostgreSQL, with no
// transaction open, the statement sorts in memory and an empty temporary table gets its primary
// key built once after the fill.
qint64 CopiaRighe(TXDatabase &from, const QString &select, const QVariantList &params, TXDatabase &to,
                  const QString &table, const QStringList &columns = {}, std::optional<NumeroRiga> numero = {});

// CopiaRighe a stretch at a time: the reading run once for each list of values of tratti, in
// order, its rows going on into the one table (numbered on across the stretches) in one
// transaction on to (opened here when none is open), the statement and the attached file set up
// once for every stretch; after each stretch dopo is told which stretch is done and the rows
// written so far. With totali (a numbered copy only) its columns are added up over the rows
// written: between two SQLite files by the numbering function as the rows are written, in their
// order, else in one reading of the rows numbered by the copy. The rows written.
qint64 CopiaRigheATratti(TXDatabase &from, const QString &select, const QList<QVariantList> &tratti, TXDatabase &to,
                         const QString &table, const QStringList &columns, std::optional<NumeroRiga> numero,
                         const std::function<void(qsizetype tratto, qint64 righe)> &dopo,
                         TotaliRighe *totali = nullptr);

} // namespace kv8db
