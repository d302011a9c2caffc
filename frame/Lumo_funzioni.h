#pragma once
// Shared routines of the module: protocol counters, register progressives, deposit
// progressive cards with deposit price and value, product-card selection builders.
// None of them starts, commits or rolls back a transaction: they run inside the caller's, on
// the datasets of the shared data modules (DMILUMO, DMILUMO_reg).
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>

class TDataSet;
class TXMemTable;
class TXQuery;

// ---- protocol counters (LUMO_Protocolli: last number used per kind, year and series)

// The next number of the counter: its stored last number + 1, or 1 for a counter that does
// not exist yet (its row is created, with no number). Nothing else is stored, so two calls
// without a set in between answer the same number. -1 when the counter could not be read or
// created: never a number to use.
int UT_LMQ_GEN_GetProtocolloDoc(int TipoDoc, int Anno, int Serie);

// Operazione 0 records Protocollo as used (the stored number never goes down); 1 gives
// Protocollo back when it is the last number used; any other operation changes nothing.
// True when the counter exists and nothing failed, whether or not the stored number changed.
// False, changing nothing, for a missing counter, a number below 1 (such as the getter's -1)
// or any error, among them another user having stored a number since this one was read.
bool UT_LMQ_GEN_SetProtocolloDoc(int TipoDoc, int Anno, int Serie, int Protocollo, int Operazione);

// ---- register progressives (LUMO_ProgRegistri: last definitive print per grouping and register)

struct TUT_LMQ_RG_ProgressiviRegistri {
    qint32 IdRaggMag = 0;
    QString IdRegistro;
    QDateTime DataUltAgg; // null: never printed definitively
    qint32 UltNumRiga = 0;
};

// The record the register prints pass to the reader and then read.
inline TUT_LMQ_RG_ProgressiviRegistri UT_LMQ_RG_ProgressiviRegistri;

// Fills the record with the stored progressive, or with zeros and an empty code when there is
// none. Reads the table again, so rows written since the last read are seen. Database errors
// reach the caller.
void UT_LMQ_RG_LeggoProgReg(int IdRaggMag, const QString &IdRegistro, TUT_LMQ_RG_ProgressiviRegistri &Progressivi);

// Inside a transaction on the company database: the stored progressive read as LeggoProgReg
// reads it and kept from other users until the transaction ends (locked on PostgreSQL; a
// SQLite transaction holds the write lock). A missing one is created empty at once, so that
// another user creating it meanwhile waits for this transaction and then fails on its key
// (EKeyViolation). Database errors reach the caller.
void UT_LMQ_RG_BloccoProgReg(int IdRaggMag, const QString &IdRegistro, TUT_LMQ_RG_ProgressiviRegistri &Progressivi);

// Stores the date and row number (overwriting whatever was stored), creating the row when it
// is missing. Database errors reach the caller.
void UT_LMQ_RG_ScrivoProgReg(int IdRaggMag, const QString &IdRegistro, const QDateTime &DataUltAgg, int UltNumRiga);

// ---- deposit progressive cards (LUMO_ProgCauz), deposit price and value

// Reads at once, for the rest of the open transaction, how the accounts of type IdContoTp keep
// deposits and their cards' currencies: a job about to move many of them saves a read per account.
void UT_LMQ_CAUZ_LeggiConti(const QString &IdContoTp, const QStringList &conti);

// Inside a transaction, for a job about to move the accounts' cards: UT_LMQ_CAUZ_LeggiConti,
// then their account-total cards (kind 1) and destination-0 cards (kind 0) read as stored into
// the card table in one statement, on PostgreSQL locked until the transaction ends (in key
// order), so that the card update writes them by key without reading them again. scheda is
// called on each of them of an account keeping deposits, the table positioned on it.
void UT_LMQ_CAUZ_BloccaSchede(const QString &IdContoTp, const QStringList &conti,
                              const std::function<void(TDataSet *)> &scheda);

// Adds one deposit movement to the account's two cards for the packaging code: the card of
// the destination (kind 0; destination 0 unless the customer keeps deposits per destination)
// and the account-total card (kind 1, destination 0), creating either when missing. Each set
// of columns moves only when its flag is exactly 1: FlAggCau the general set with the excess
// quantities, FlAggCauF the invoiced set, FlAggCauB the delivery-note set. The values are
// (quantity - excess) x price at the value decimals of the card's currency, the price being
// brought from the movement's currency (IdDivisa at rate Cambio, national units per unit) to
// the card's; with FlValori 1 the given ValoreCar and ValoreRes (in the movement's currency)
// are added instead. A movement is reversed by the same call with the quantities (and given
// values) negated. Nothing happens for four zero quantities, for an account type other than
// "CL" and "FO", or for an account that is missing or keeps no deposits.
// Errors reach the caller, whose transaction is then rolled back: among them a card changed by
// another user since it was read, and a currency the price cannot be converted from or to.
void UT_LMQ_CAUZ_AggiornaProgressivi(const QDateTime &DataReg, const QString &IdContoTp, const QString &IdConto,
                                     int IdDestinazione, const QString &IdDivisa, double Cambio,
                                     const QString &IdImballo, double QtaCar, double QtaRes, double QtaCarEcc,
                                     double QtaResEcc, double Prezzo, int FlAggCau, int FlAggCauF, int FlAggCauB,
                                     int FlValori, double ValoreCar, double ValoreRes);

// The deposit price of the packaging code in the deposit price list of that code and currency
// (an empty currency read as the company's), as stored; 0 when the list holds no such row.
double UT_LMQ_CAUZ_PrezzoCauzione(const QString &IdListino, const QString &IdDivisa, const QString &IdImballo);

// The deposit value of a quantity at a price, rounded to the given decimals.
double UT_LMQ_CAUZ_CalcValCau(double Quantita, double Prezzo, int Decimali);

// ---- product-card selection (article query of the product-card and catalogue prints)

// The condition for the selection record (LUMO_SelSchPro): one comparison per bound that is
// set, in a fixed order, then always the product-card flag; every comparison ends with " AND ".
// Texts are written as quoted literals, so a typed value can only ever be compared.
void UT_LMQ_SK_CreaWhere(TXMemTable *Parametri, QString &Where);

// The comma-separated sort list of the fields that are neither empty nor "N". A field that is
// not a known column name is refused with an Exception.
void UT_LMQ_SK_CreaOrdine(const QString &Campo1, const QString &Campo2, const QString &Campo3, const QString &Campo4,
                          QString &Ordine);

// Closes the query and rewrites its first line beginning with "WHERE" (with Where less its
// trailing " AND ") and its first line beginning with "ORDER" (with "ORDER BY " + Ordine); an
// empty Where or Ordine leaves its line as it is. A missing line or an unknown sort field is
// shown to the user as information; the routine then returns, with the lines rewritten so far.
void UT_LMQ_SK_AggiornaSql(const QString &Where, const QString &Ordine, TXQuery *Query);
