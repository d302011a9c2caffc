#pragma once
// Host routines on datasets.
#include "host/data/TDataSet.h"

#include <QDateTime>
#include <QStringList>

class TXQuery;
class TXTable;

namespace Funzioni {

// The dataset is open afterwards.
void CheckTabOpen(TDataSet *dataSet);
// Before a rollback: a pending insert or edit is cancelled and pending batch changes are
// dropped. (The rows a table wrote in the transaction are forgotten by the rollback itself.)
void CheckRollBack(TDataSet *dataSet);
// Copies each field of the source's current record into the target's field of the same
// name (putting a browsed target into edit); with numeroCampi > 0 only the target's fields
// daCampo .. daCampo + numeroCampi - 1. A drawn key of the target is not overwritten by an
// empty source value. Posts the target when posta is set; otherwise the caller posts.
void CopiaDati(TDataSet *target, TDataSet *source, int daCampo = 0, int numeroCampi = 0, bool posta = false);
// Whether CopiaDati of the whole record would leave the target's current record as it is
// (a null equal only to a null).
bool DatiUguali(TDataSet *target, TDataSet *source);
// Whether the code held by campo exists in tabella (located on campoChiave, or on the
// field's own name when it is empty; the table's cursor moves to it). An empty code is
// accepted only when vuotoAmmesso. With messaggio a missing code throws Exception saying so.
// data is the date the code must be valid at (a null date: any); the tables searched carry
// no validity period, so it is not used.
bool TestCodice(TDataSet *tabella, TField *campo, bool vuotoAmmesso, const QString &campoChiave, const QDateTime &data,
                bool messaggio);
// Replaces the first line of the query's text that begins with the clause ("WHERE",
// "ORDER BY") by the clause followed by the condition (an empty condition empties the
// line). Throws Exception when no line begins with the clause.
void ImpostaSQLQuery(TXQuery *query, const QString &clausola, const QString &condizione);
void ImpostaSQLQuery(QStringList &lines, const QString &clausola, const QString &condizione);
// A local work table: created when missing, emptied otherwise.
void PulisciTabella(TXTable *table);

} // namespace Funzioni
