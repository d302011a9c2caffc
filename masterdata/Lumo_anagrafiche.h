#pragma once
// What the module's subclasses of the host's master-data windows share: the caption, the
// module's pages and rows put into the host window, the checks of codes against lookups, and
// the switching of the document causals' controls by the parameter record.
#include <QList>
#include <QString>
#include <QVariant>

class QGridLayout;
class QTabWidget;
class TDataSet;
class TFDBTabChild;
class TField;
class TForm;
class TXlkTable;

namespace Lumo_anagrafiche {

// The host's caption followed by " (Dusaria)".
void Intitola(TForm *finestra);

// Moves the pages of a layout's page control after the window's own pages, in their order.
void AccodaPagine(TFDBTabChild *finestra, QTabWidget *pagine);

// Moves the rows of a layout's grid under the rows of the window's detail grid, keeping their
// columns and spans.
void AccodaRighe(QGridLayout *dettaglio, QGridLayout *righe);

// Whether the lookup holds the value in its key column (exact match). The lookup is read when
// it is closed, and read again once on a miss, so a code added since it was read is found.
bool CodiceEsiste(TXlkTable *lookup, const QString &chiave, const QVariant &valore);

// A code column's check (OnValidate): the new value is in the lookup, or empty; otherwise it
// is refused with "Codice non trovato !".
void VerificaCodice(TXlkTable *lookup, const QString &chiave, TField *campo);

// The codes of a record before it is stored: each must be given (a text of blanks or the
// number 0 is no code); an empty one is refused naming its field. Texts are stored trimmed.
void CodiciImpostati(const QList<TField *> &campi);

// Shows again the labels of lookup fields (descriptions beside codes) whose key is the field
// just changed; a label shows its field again only when that field itself changes.
void MostraDescrizioni(TForm *finestra, TField *campo);

// Excise data of customers and destinations (UT_LMQ_FlTipCli, UT_LMQ_CodAcc, UT_LMQ_RapFis,
// UT_LMQ_DurVia): whether its controls are on, which needs excise on in the parameter record
// and a non-zero excise type on the current record; and its clearing before a store, when
// either is off.
bool AccisaAttiva(TDataSet *dataSet);
void AzzeraAccisa(TDataSet *dataSet);

// The document causals the module extends.
enum class TCausaleDocumento { BolleClienti, FattureClienti, BolleFornitori };

// Disables the controls of the document causal's areas that the parameter record switches
// off: deposits (the summary and journal check boxes, the three progressive check boxes, the
// two deposit print drop-downs and, on invoice causals, the negative-deposit drop-down),
// transport and reservations (delivery-note and invoice causals).
void SettaCausaleDocumento(TForm *finestra, TCausaleDocumento tipo);

} // namespace Lumo_anagrafiche
