#pragma once
// Routines of the sales documents (delivery notes, invoices) and of the supplier delivery
// notes, called by the document windows on the head and row datasets they hold: quantities and
// litres of the rows, parcels, the rows' document-data dialogs, transport cost and customer
// reservations. None of them starts, commits or rolls back a transaction.
#include <QString>

class QWidget;
class TDataSet;
class TField;
class TXClientTable;
class TXQuery;

// ---- lookup fields of the document rows

// Declares, on a row dataset that is not open yet, the article lookups the routines read:
// _UT_LMQ_IdBottiglia (the article's bottle), _UT_LMQ_FlTipArt (its type, 4 bulk),
// _UT_IdCategoria (its goods category), _UT_LMQ_QtaImballo (pieces per package),
// _UT_LMQ_FlPrzLit (1 priced per litre), all by IdProdotto in DMIBase->lkArticoli, and
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

// ---- deposit summary ("DT" customer delivery note, "FI" customer invoice, "DTA" supplier
// delivery note; tables LUMO_CauzDocBoll, LUMO_CauzDocFatt, LUMO_CauzDocBollAcq and their
// local copies LUMO_t_...)

// Builds the document's summary in the local copy Cauz from the visible rows of Righe
// (reopened on "Stato < 3 "): with deposits on, the causal's deposits on (_UT_LMQ_FlCauzioni)
// and an account keeping deposits. A first build makes one row per packaging code in use with
// the account's balances and, unless the document is a return, its pending returns (which the
// summary remembers for the registration); a rebuild (asked first on a return document)
// recounts the loaded quantity, or the returned one on a return document. Rows with a
// quantity take the list price (the row's own price when the list has none) and are valued.
// Ends on the summary's first row with the rows closed and unfiltered; the stops before the
// build leave them open and filtered. An error is shown once and raised as a silent abort
// after that clean-up, so that a save stops. The third table plays no part.
void UT_LMQ_DVEN_CreaCasteCauz(TDataSet *Testa, TDataSet *Righe, TDataSet *Terza, TDataSet *Cauz,
                               const QString &SiglaDoc);

// The account or the destination of the head changed: every row of the summary Cauz built
// for the old one takes the balances and, unless the document is a return, the pending
// returns of the new one (which the summary remembers for the registration) and is valued
// again; the quantities typed stay. An empty summary stays empty.
void UT_LMQ_DVEN_ContoCastelletto(TDataSet *Testa, TDataSet *Cauz, const QString &SiglaDoc);

// Values the summary's current record (in edit or insert, not posted): ValoreCar and
// ValoreRes at the given decimals; with excess management the returns beyond the stock, and
// the loads covering an earlier excess, carry no value (QtaResEcc, QtaCarEcc).
void UT_LMQ_CalcValCau(TDataSet *Cauz, int Decimali);

// Replays the local summary onto the stored table (Archivio, through which rows are found by
// KMovimento) and the account's deposit cards, inside the caller's transaction. Modo 0 new
// document (the pending returns its summary's first build counted are linked to it; an error
// when one of them is no longer pending), 1 modified, 2 deleted (the document's stored rows
// deleted in one go, each taken off the cards in the order of its packaging code, and the
// returns become pending again). A stored row goes off the cards with the head as stored. With
// the causal's UT_LMQ_FlAggMovC 1 the document's journal movement is written again; a deleted
// document loses it in any case. Errors reach the caller. TestaArchivio: the stored head when
// the caller has read it (else read here).
void UT_LMQ_DVEN_RegCastCauz(TDataSet *Testa, TDataSet *Cauz, TXClientTable *Archivio, int Modo,
                             const QString &SiglaDoc, const TDataSet *TestaArchivio = nullptr);

// Declares on a document print's head dataset, before it opens, the calculated fields of the
// printed summary: ten slots _UT_IdCauz01.._UT_QtaResEcc10, _UT_TotValCon, _UT_TotValRes and
// _UT_LMQ_ValoreAttCau.
void UT_LMQ_DVEN_CampiCastelletto(TDataSet *Testa);

// Fills those fields from the head's calculated-fields event by the causal's lookups
// _UT_LMQ_FlStaCau (0 nothing, 2 rows without quantities left out, 3 also without stock) and
// _UT_LMQ_FlTpStaCau (stock printed: 0 general, 1 delivery notes, 2 invoiced). TipoCastelletto
// 1 LUMO_CauzDocBoll, 2 LUMO_CauzDocFatt, 3 LUMO_t_CauzDocFatt (local database), 4
// LUMO_CauzDocBollAcq; another type prints the empty block. The first ten rows are printed,
// the totals cover all; types 2 and 3 also give the customer's invoiced deposit value
// outstanding. Errors reach the print.
void UT_LMQ_DVEN_StampaCastelletto(TDataSet *Testa, int TipoCastelletto);

// Books the document's packaging-expense totals record ("SPI", progressive 1) to the
// customer's deposit account UT_LMQ_ContoCau, when it has one. "DT" and "FI" only.
void UT_LMQ_DVEN_CodiceSpeseImballo(TDataSet *Testa, TXClientTable *Totali, const QString &SiglaDoc);

// ---- totals

// The account of a gift row: for row types 10 and 11 (as stored, sign included) the IdConto
// of the gift typology (LUMO_TipologieOmaggiArt) of the article (UT_LMQ_IdTipologiaOmaggi);
// Default for any other row type, an unknown article, an article without typology, a
// typology not found or one without account.
QString UT_LMQ_TipologiaArticoloOmaggio(const QString &IdProdotto, int TipoRigo, const QString &Default);

// ---- shared with the order and quote routines (Lumo_funzordcli)

namespace Lumo_funzdocven {
// The quantity routine on the named quantity fields of the row.
void CalcolaQuantita(TField *Sender, int Divisore, const QString &CampoQuantita, const QString &CampoPezzi);
// Litres of a quantity of the current row's article (bottle capacity, 1 for a bulk article).
double LitriDi(TDataSet *Righe, double Quantita);
} // namespace Lumo_funzdocven
