#pragma once
// Routines of the sales documents (delivery notes, invoices) and of the supplier delivery
// notes, called by the document windows on the head and row datasets they hold: quantities and
// litres of the rows, parcels, the rows' document-data dialogs, transport cost and customer
// reservations. None of them starts, commits or rolls back a transaction.
#include <QString>

class QWidget;
class TDataSet;
class TField;

// ---- lookup fields of the document rows

// Declares, on a row dataset that is not open yet, the article lookups the routines read:
// _UT_LMQ_IdBottiglia (the article's bottle), _UT_LMQ_FlTipArt (its type, 4 bulk),
// _UT_IdCategoria (its goods category), all by IdProdotto in DMIBase->lkArticoli, and
// _UT_LMQ_Capacita (litres per piece of the bottle, DMILUMO->lkLUMO_Bottiglie). Opens both
// lookups. DMILUMO must exist; DMIBase is created when missing.
void UT_LMQ_DVEN_CampiLookupRighe(TDataSet *Righe);

// ---- quantities, litres and parcels

// Quantity of the current row from its packages (Lunghezza) and pieces per package
// (Quantita2, 0 taken as 1 and stored so) by the row's measure type _FlTipoMisure:
// 2 x Larghezza, 3 x Larghezza x Altezza / Divisore, any other type packages only. The row
// is put in edit; Quantita is rounded to the quantity decimals. A divisor of 0 or below
// counts as 1. Sender is any field of the row; only its dataset is used.
void UT_LMQ_DVEN_CalcoloQuantita(TField *Sender, int Divisore);

// Litres of the current row while it is being edited or inserted and has an article:
// Quantita x the bottle capacity, or Quantita itself for a bulk article; 0 for an article
// without bottle. Not rounded. A browsed row or a row without article is left as it is.
void UT_LMQ_DVEN_TotLitriRiga(TDataSet *Righe);

// The head's UT_LMQ_TotLit := the sum of the rows' UT_LMQ_TotLit (every visible row), not
// rounded. The rows' cursor is left after the last row.
void UT_LMQ_DVEN_TotLitriDoc(TDataSet *Testa, TDataSet *Righe);

// The head's NumeroColli from the rows with an article, by UT_LMQ_FlNumCol of the head's
// causal (invoice causals for "FAT", delivery-note causals for any other code): 1 packages,
// or pieces where a row has no packages; 2 pieces; 0, or a causal that is not in its table,
// leaves the count as typed.
void UT_LMQ_DVEN_TotNumCol(TDataSet *Testa, TDataSet *Righe, const QString &SiglaDoc);

// ---- document-data dialogs

// Shows the sales dialog on the current row (number and date of the Doco document, the two
// deposit packaging codes; bottle, capacity and transport price for information). However
// it is closed, a row in edit or insert takes back number, date and both codes; a browsed
// row takes nothing. Testa plays no part.
void UT_LMQ_DVEN_DlgDuSa(TDataSet *Testa, TDataSet *Righe, QWidget *Owner);
// The same for the supplier delivery notes: the two packaging codes only. The dialog class
// is asked of the host's dialog registry first.
void UT_LMQ_DVEN_DlgDuSaAcq(TDataSet *Testa, TDataSet *Righe, QWidget *Owner);

// ---- transport cost

// The transport charge of a delivery note or invoice from the transport price lists, when
// transport is enabled and the customer's _UT_LMQ_FlGesTraCli is not 0. FlTipoGest 1: one
// charge on the totals (Totali: TotMerceLordo, TotMerceNetto3) from the most specific
// reference row; any other: the rows' UT_LMQ_PrezzoTra from the list's article rows, and
// with the head's _UT_LMQ_FlTipoGest 2 their net amounts UT_LMQ_PrezzoTraN (discounted for
// customer settings 2 and 3) summed into the head's SpeseTrasporto. The head must be in
// edit or insert; rows are posted as they change. An error is shown once and then raised as
// a silent abort, so that a save stops. SiglaDoc ("DDT", "FAT") plays no part.
void UT_LMQ_DVEN_SpeseTrasporto(TDataSet *Testa, TDataSet *Righe, TDataSet *Totali, int FlTipoGest,
                                const QString &SiglaDoc);

// ---- customer reservations

// Matches the document's rows against the open reservations of the customer (else of the
// document's agent, when it has one). Modo 0 (new document) records the packages fulfilled
// and closes reservations with nothing left open; 99 only checks, answering false when the
// document and the reservations disagree; 2 (document being deleted) undoes what the
// document recorded; any other mode does nothing. SiglaDoc "FI" for an invoice (key
// KFattCliT), any other code a delivery note (KBolleCliT). Errors of modes 0 and 2 reach the
// caller's transaction; in mode 99 they are shown and the answer is false. Terza plays no part.
bool UT_LMQ_DVEN_EvadiPrenotazioni(TDataSet *Testa, TDataSet *Righe, TDataSet *Terza, int Modo,
                                   const QString &SiglaDoc);

// ---- shared with the order and quote routines (Lumo_funzordcli)

namespace Lumo_funzdocven {
// The quantity routine on the named quantity fields of the row.
void CalcolaQuantita(TField *Sender, int Divisore, const QString &CampoQuantita, const QString &CampoPezzi);
// Litres of a quantity of the current row's article (bottle capacity, 1 for a bulk article).
double LitriDi(TDataSet *Righe, double Quantita);
} // namespace Lumo_funzdocven
