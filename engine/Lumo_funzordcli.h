#pragma once
// Routines of the customer orders and quotes: quantity and litres of the rows, on the order
// quantity fields QuantitaOrd and Quantita2Ord.
class TDataSet;
class TField;

// Quantity of the current order or quote row, as UT_LMQ_DVEN_CalcoloQuantita does for the
// documents, on QuantitaOrd and Quantita2Ord.
void UT_LMQ_DORC_CalcoloQuantita(TField *Sender, int Divisore);

// Litres of the current order or quote row when it has an article: QuantitaOrd x the bottle
// capacity (QuantitaOrd itself for a bulk article), not rounded. The callers hold the row in
// edit or insert.
void UT_LMQ_DORC_TotLitriRiga(TDataSet *Righe);
