#pragma once
// The schema patch run before every menu choice: adds to host tables the module columns that
// a company database may still lack, each with a default and an initial value. The presence
// of each column is looked up every time: one empty read of the tables naming their columns
// (a statement the connection keeps prepared); only when that fails is each table opened
// through the client table, to find which column is missing or to report why it cannot be.
#include "host/data/TDataModule.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// One column to add.
struct TXDatiUpdate {
    QString NomeTabella;
    QString NomeCampo;
    qint32 FlTipoCampo = 0; // 0 text(Lunghezza), 1 smallint, 2 int, 5 float, 6 datetime, 7 text(MAX)
    qint32 Lunghezza = 0;
    QString ValoreDefault; // copied into the statements as it stands
    QString XValoreWhere;  // selects no row: the table is opened empty
};

class TFRaskDmUpdateDB : public TDataModule {
    Q_OBJECT
public:
    explicit TFRaskDmUpdateDB(QObject *owner = nullptr);
    ~TFRaskDmUpdateDB() override;

    TXClientTable *TRSTabellaUpdate; // opens a table empty, to read its columns
    TXQuery *qTabellaUpDate;         // runs the statements

    // Checks one column and adds it when it is missing. A failing statement shows its error
    // and the next statement is tried; any other error shows its text followed by
    // " Tabella: " and the table name. Nothing is thrown.
    void UpdateTabelle(const TXDatiUpdate &dati);
    // The same for several columns of one table, which is opened once for all of them.
    void UpdateTabelle(const QList<TXDatiUpdate> &colonne);

    // Whether every column is there, in one empty read of their tables (a statement the
    // connection keeps prepared); false also when a table cannot be read.
    bool ColonnePresenti(const QList<TXDatiUpdate> &colonne);

    // Runs one statement (the lines joined, each followed by CR LF) through the translator of
    // the engine in use; an error is shown as information and not passed on.
    void EseguoScript(const QStringList &righe);
    // For tests: sees each statement as it is sent, before the host translates it.
    static inline std::function<void(const QString &)> ScriptInviato;

    // The three statements that add a column: the column, its default constraint, and the
    // initial value of every row. Empty statements for the column types that define none;
    // throws for a code that defines no column type.
    static QStringList ScriptColonna(const TXDatiUpdate &dati);
    static QStringList ScriptDefault(const TXDatiUpdate &dati);
    static QStringList ScriptValore(const TXDatiUpdate &dati);
};

// The patched columns, in order.
const QList<TXDatiUpdate> &RaskColonneAggiornate();

// Checks and adds every patched column; shows its failures and throws nothing.
void RaskAggiornaUpdateDatabase();
