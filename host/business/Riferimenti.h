#pragma once
// Which company tables hold the codes of others: the references between the host's master
// tables, documents and movements. They give the two checks of the master windows: a code
// typed into a record must exist in its table, and a code still used elsewhere cannot be
// deleted.
//
// The host's references follow the names of its columns (IdProdotto holds an article,
// IdIva a VAT code, IdBanca with IdAgenzia a bank...), plus the causals and accounts that
// each document table names in its own way. Other libraries add the references of their
// own tables with Registra.
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

namespace Riferimenti {

struct TRiferimento {
    QString Tabella;     // the table holding the code
    QStringList Colonne; // its columns
    QString Riferita;    // the table the code belongs to
    QStringList Chiavi;  // that table's columns, one per column above
};

// Every reference known: the host's and the registered ones.
QList<TRiferimento> Elenco();
// Adds a reference (a table of another library holding a code), once.
void Registra(const TRiferimento &riferimento);

// The references a table holds (its columns naming rows of other tables).
QList<TRiferimento> Di(const QString &tabella);
// The references to a table.
QList<TRiferimento> A(const QString &tabella);

// Whether the referred table has a row with these values of the reference's keys.
bool Esiste(const TRiferimento &riferimento, const QVariantList &valori);

// The labels of the tables whose rows still use a row of the table, given the row's value of
// each column by name; the tables listed in escluse are left out (rows owned by the row and
// deleted with it).
QStringList Utilizzi(const QString &tabella, const std::function<QVariant(const QString &)> &valore,
                     const QStringList &escluse = {});

// Refuses the delete of a row of the table still in use (Utilizzi): codice names the row in
// the message.
void ControllaCancellazione(const QString &tabella, const QString &codice,
                            const std::function<QVariant(const QString &)> &valore, const QStringList &escluse = {});

// The dictionary's label of a table (its name when it has none).
QString Etichetta(const QString &tabella);

} // namespace Riferimenti
