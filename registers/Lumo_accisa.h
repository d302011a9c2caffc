#pragma once
// What the excise windows share: the consignee fields of their parameter records (customer
// and destination with their checks, names and destination search) and the selection of
// the excise-document prints.
#include <QString>

class TDataSet;
class TDBCodeEdit;
class TXDatabase;

namespace LumoAccisa {

// Adds the names _RagioneSociale (the customer's) and _DsDestinazione (the customer's
// destination) to a parameter record holding IdConto and IdDestinazione; before it opens.
void AggiungiNomiConsegnatario(TDataSet *parametri);

// Once the record is open: the checks of IdConto (an excise customer) and IdDestinazione
// (an excise destination of that customer), and the destination search restricted to the
// customer's destinations.
void ImpostaControlliConsegnatario(TDataSet *parametri, TDBCodeEdit *edDestinazione);

// The refusal of a customer code that is not an excise customer; empty passes.
void ControllaCliente(const QString &IdConto);
// The refusal of a destination of the customer that is not an excise destination; 0 passes.
void ControllaDestinazione(const QString &IdConto, int IdDestinazione);

// The selection of the excise-document prints from Da_Data, A_Data, Da_Numero, A_Numero,
// IdConto and IdDestinazione, each only when set, on the columns of the D.A.A. head (alias);
// empty when nothing is set.
QString CondizioneStampa(TDataSet *parametri, TXDatabase &db, const QString &alias);

// The heads of the excise-document prints (T) with the sender's data of the excise parameters
// (a missing row leaves them empty), the customer's names, address and excise columns and,
// under the prefix DD_, the destination's; one row per D.A.A., placeholders "{WHERE XWHERE}"
// and "{ORDER BY XORDER BY}".
QStringList SqlTesteStampa();

} // namespace LumoAccisa
