#pragma once
// Host routines on currencies, exchange rates and default values. Rates are national
// (accounting) currency units per unit of the currency ("Cambio" of Cambi and of documents).
#include <QDateTime>
#include <QString>
#include <QVariant>

class TDataSet;
class TXlkTable;

namespace Funzioni {

// The management (accounting) currency code; kind 0 is the only kind kept.
QString DivisaGestione(int tipo = 0);
// Whether the currency is the accounting currency (an empty code counts as it).
bool MonetaConto(const QString &divisa, int tipo = 0);
// The currency of a document: its code, or the accounting currency when the code is empty
// (documents stored without one). Every reader of a document's currency goes through it.
QString DivisaDocumento(const QString &divisa);
// Whether the currency is among the company's currencies.
bool TestDivisa(const QString &divisa);

struct TDecimaliDivisa {
    int Prezzo = 0; // price decimals (DecPrezzo)
    int Valore = 0; // value decimals (DecValore)
};
// Decimals of a currency read from the currency table given (located by IdDivisa; opened
// when closed). The accounting currency missing from the table takes the company's
// decimals; any other missing currency throws Exception.
TDecimaliDivisa LeggiDecimaliDivisa(TDataSet *tabellaDivise, const QString &divisa);

// Rate of the currency at the date: 1 for the accounting currency, otherwise the latest
// stored rate not after the date (a null date: the latest stored). Throws Exception naming
// the currency and the date when there is none.
double GetCambioEURO(const QString &divisa, const QDateTime &data);

// A value in the currency brought into the accounting currency, rounded to decimali. The
// rate given is used when above 0; 0 takes the rate of the currency at the date.
double CalcValoreEURO(double valore, double cambio, const QDateTime &data, const QString &divisa, int decimali);
double CalcValoreEURO(const QString &divisa, int decimali, double valore, double cambio, const QDateTime &data);
// A value in the accounting currency brought into the currency, rounded to decimali; the
// rate as for CalcValoreEURO.
double CalcValoreDivisa(double valore, double cambio, const QDateTime &data, const QString &divisa, int decimali);

// The defaults of the account (type "CL" or "FO", code) onto a document head, for the columns
// the head has: agents, payment, price list, discounts 1 and 2, carriers, port, transport
// type, zone, bank, language, exemption and the currency (the company's when the account has
// none), the destination cleared; the rate is the caller's (CambioTesta). False, the head
// untouched, when the account does not exist.
bool DatiContoTesta(TDataSet *testa, const QString &tipoConto, const QString &conto);
// The head's Cambio: 1 for the company's currency, else the currency's rate at the head's
// DataDocumento (throws Exception when there is none, the rate left as it was).
void CambioTesta(TDataSet *testa);

// A company default by name ("IdMagazzino": the default warehouse), from the settings of
// section VALDEF; an invalid QVariant when it is not set.
QVariant GetValoreDefault(const QString &nome);

// The configuration variable (group, number, name) from the configuration lookup
// (DMIBase->lkConfigVar), read again when the table was written since; "" when not stored.
QString LeggiConfigVar(TXlkTable *configurazione, const QString &gruppo, const QString &numero, const QString &nome);

} // namespace Funzioni
