#pragma once
// Host routines of document totals and billing: the company's fixed accounts and VAT codes,
// VAT taken out of a gross amount and VAT of an amount, the instalments of a payment, stamp
// duty values, the amounts of a document row and the numbering of invoices on the VAT
// protocol counters (table ProtIVA, one row per Anno and Serie).
#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QVector>

#include <optional>

class TDataSet;
class TDMIBase;

namespace Funzioni {

// ---- fixed accounts and VAT codes (settings of section CONTIFISSI)

// The company's fixed account (or VAT code) of that name ("IdContoOmaggi", "IdIvaArt15",
// "IdRicavoForfait"...): the one set for the accounting causal when there is one
// (setting "<causal>.<name>"), else the company's; "" when none is set.
QString GetContoFisso(const QString &nome, const QString &idCausaleCont);
// The gift account of that name for the accounting causal; the stand-in keeps one gift
// account per causal, whatever the row type (-1: any).
QString GetContoOmaggio(const QString &nome, const QString &idCausaleCont, int tipoRigo = -1);
// The company's fixed VAT code of that name ("IdIvaSpeseTrasporto"...); "" when none is set.
QString GetIdIvaFisso(const QString &nome);

// ---- VAT

// The net part of a gross amount that includes VAT at the rate, rounded to decimali; the VAT
// part goes to *iva. Net and VAT always add up to the gross amount taken at those decimals.
double ScorporaIva(int decimali, double lordo, double aliquota, double *iva = nullptr);
// VAT of a net amount at the rate, rounded to decimali.
double CalcIva(double imponibile, double aliquota, int decimali);

// ---- payments and instalments

// The movement type of a payment ("TR" bill of exchange, "RD" remittance, "CR"...); "" when
// the payment does not exist.
QString TestTipoPagamento(const QString &idPagamento);
// The total split by the percentages, each share rounded to decimali; the last share takes
// what the others leave, so the shares always add up to the total (also when the
// percentages do not add up to 100). All percentages at 0: equal shares. No percentage:
// one share.
QVector<double> KRate(double totale, const QVector<double> &percentuali, int decimali);
// Due dates of the instalments of a payment into date (81 entries, cleared first): each
// instalment falls its Decorrenza days after DataPagamento (DataDocumento when that is
// empty), at the end of that month when the payment says so (FlFineMese = 1). A payment
// without instalment rows has one instalment at that date. The deadline table, the
// exclusion code and the account are not read by the stand-in, which keeps no excluded
// periods. Answers the count of instalments, or -1 when the payment does not exist.
int CalcoloScadenze(TDMIBase *tabelle, TDataSet *tabScadenze, const QDateTime &dataDocumento,
                    const QDateTime &dataPagamento, const QString &idPagamento, const QString &idEsclusione,
                    const QString &idClienteTp, const QString &idCliente, QVector<QDateTime> &date, int modo);
// The same with the payment's instalment rows given, their Decorrenza in NumRata order:
// nothing is read from PagamentiD.
int CalcoloScadenze(TDMIBase *tabelle, const QDateTime &dataDocumento, const QDateTime &dataPagamento,
                    const QString &idPagamento, const QVector<int> &decorrenze, QVector<QDateTime> &date);

// The stamp duty of a document and the amount from which it is due, valid at the date
// (table ValoriBolli: the latest row not after the date). False, and both 0, when none is
// set for the date.
bool GetValoriSpeseBolli(const QDateTime &data, double &importo, double &soglia);

// ---- amounts of a document row

// What the amounts of a row are computed from.
struct TKRigoDoc {
    double Quantita = 0;
    double Prezzo = 0;
    bool FlPrezzoForf = false;  // flat price: the amount is the price whatever the quantity
    double Sconto[5] = {};      // row discounts
    double ScontoTesta[5] = {}; // head discounts
    double ScontoPagamento = 0; // payment discount
    QString IdDivisa;           // document currency
    double Cambio = 1;          // its rate
    QDateTime DataDocumento;
    int CodTipoDoc = 0; // document kind
    qint64 KTesta = 0;  // head and row keys
    qint64 KRigo = 0;
    QString IdProdotto;
    TDataSet *TabDivise = nullptr; // currency table (IdDivisa, DecValore)
};
// An amount of the row by mode: 1 gross, 2 net of the row discounts, 3 net of row, head and
// payment discounts, 4 to 6 the same in national currency; 0 for any other mode. Discounts
// apply one after the other on the unrounded amount, with the company's sign and only up to
// the company's count; each amount is rounded to the value decimals of the currency (6 when
// the currency is not in the table).
double CalcoloValoriRigo(const TKRigoDoc &rigo, int modo);

// What a price list gives an article in a currency on a date: the list's row in force then
// (begun on or before the date, not ended before it; of several, the latest begun).
struct TPrezzoListino {
    double Prezzo = 0;
    double Sconto1 = 0;
    double Sconto2 = 0;
};
std::optional<TPrezzoListino> PrezzoListino(const QString &idListino, const QString &idProdotto,
                                            const QString &idDivisa, const QDateTime &data);
// The same for every article the list prices in the currency on the date, by article code.
QHash<QString, TPrezzoListino> PrezziListino(const QString &idListino, const QString &idDivisa, const QDateTime &data);

// ---- document numbering

// The next number of the heads of a document table (BolleCliTeste...) in the year and series:
// the highest stored plus one, whatever the causal. Inside a transaction the numbering of the
// table, year and series is held until the transaction ends (PostgreSQL: another user's call
// waits for it; SQLite: the transaction holds the database), so that two users never take
// one number, not even with two causals of one series (the heads' unique key names the
// causal). A number typed by the user and taken meanwhile is the writer's to move up (the
// heads' unique key refuses it).
int NumeroSuccessivo(const QString &tabellaTeste, int anno, int serie);

// ---- invoice numbering on ProtIVA

// The next invoice number of the year and series for the register type (1 sales, 2 the
// other register): the counter as stored now, plus 1. Inside a transaction the counter row
// is read locked until the transaction ends: another user's numbering of the year and series
// waits for this one's commit and then draws the next number. False, with the warning
// "Tabella protocolli Iva non trovata", when the counter row is missing, or when the register
// type is neither 1 nor 2.
bool GetNumeroFattura(TDataSet *protIva, int anno, int serie, int tipoRegistro, int &numero, const QDateTime &data);
// Records the number as given: refused (false, with a message) when another customer invoice
// of the year, series and register type (not kFattCliT) already has it; the counter takes
// the number when it is higher, and the date of the last invoice when it is later; an
// earlier date asks "Data fattura precedente a data ultima fattura emessa. Proseguo ? ".
// The counter row is read locked as GetNumeroFattura reads it (already held when that ran in
// the same transaction), before the check: a number another user's invoice took is seen once
// that user's transaction ends. A write that fails all the same answers false ("Tabella
// protocolli Iva non aggiornata correttamente"), so a number is never given twice.
// occupati, when given: the numbers above the counter that other invoices of the register
// held when the caller read them (NumeriFatturaOccupati), checked instead of a statement by a
// run that holds the counter row.
bool SetNumeroFattura(TDataSet *protIva, int anno, int serie, int tipoRegistro, int numero, const QDateTime &data,
                      qint64 kFattCliT = 0, const QSet<int> *occupati = nullptr);
// The numbers from `da` up that customer invoices of the year, series and register type hold,
// in one statement.
QSet<int> NumeriFatturaOccupati(int anno, int serie, int tipoRegistro, int da);

} // namespace Funzioni
