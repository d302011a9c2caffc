#pragma once
// The document-totals engine (host unit Calcolototalidocs): goods totals, head discounts,
// expenses, the VAT summary, stamp duty, instalments, the breakdown by account and cost
// centre and the commission bases of one document, written into the datasets the caller
// hands over in a TXParam_TotaliDocs record.
//
// TOTDOCS_Calcola creates the engine through the data-module registry, so a class
// registered under "TDMICalcoloTotaliDocs" runs in its place. The engine's virtual slots
// keep a fixed order; its own calculation (TOTDOCS_InternalCalcola) is made of named steps,
// the virtual slots and the protected virtual steps below: a replacement overrides the steps
// it changes, one by one, and the host's calculation calls them in its order.
#include "host/business/Dmibpra.h"
#include "host/business/Tipirigo.h"
#include "host/data/TDataModule.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class TDataSet;
class TField;
class TXQuery;

// One deadline of a document: due date, amount in document and in national currency.
struct TScadenzaDoc {
    QDateTime Data;
    double Importo = 0;
    double ImportoNaz = 0;
};

// An instalment row of a payment (PagamentiD), as read in NumRata order.
struct TRigoPagamento {
    int Decorrenza = 0;
    QString IdTipoMovimento;
    double Percentuale = 0;
};

// What the caller hands to TOTDOCS_Calcola: the kind, the datasets and switches (set by the
// caller), and the head fields, which TOTDOCS_InitParametri reads from the head.
struct TXParam_TotaliDocs {
    // Document kind: 0 customer delivery note, 1 customer invoice (receipt, final fee note by
    // FlTipoDoc), 2 customer order, 4 quote, 6 retail sale, 10 supplier delivery note,
    // 11 purchase invoice, 12 supplier order, 13 self-invoice, 14 purchase request,
    // 20 to 22 subcontracting delivery note, invoice and order, 101 fee note.
    int CodTipoDoc = 0;
    TDataSet *Testa = nullptr;     // document head: every head field below; receives IdPagamento,
                                   // SpeseIncasso, TotDocumento and CvlDocumento while it is edited
    TDataSet *Righe = nullptr;     // document rows (a local buffer: rows with Stato 3 are left out)
    TDataSet *Totali = nullptr;    // receives the totals as head fields (t_FattCliTot); may be absent
    TDataSet *TabTotali = nullptr; // totals table (FattureCliTot...): receives the totals rows; may be absent
    TXQuery *QueryAux = nullptr;   // auxiliary query of the caller
    bool FlScadenzeDdt = false;    // company switch: an invoice from one delivery note keeps its deadlines
    bool FlNoSpese = false;        // with the calculation flag set: the expenses are left out
    // Deadlines given by the caller (dates moved, amounts set): when any date is set they are
    // the document's instalments instead of those of the payment.
    std::array<TScadenzaDoc, 81> Scadenze;
    // A batch run's stamp-duty values (amount, threshold) by document date, held by the caller
    // for the run: each date read once (null: read for every document).
    std::map<QDate, std::pair<double, double>> *ValoriBolli = nullptr;
    // A batch run's instalment rows by payment code, held by the caller for the run: each
    // payment read once (null: read for every document).
    std::map<QString, std::vector<TRigoPagamento>> *RighePagamenti = nullptr;

    // ---- filled by TOTDOCS_InitParametri from the head
    QString IdClienteTp; // account type and code: the customer, or the supplier on the supplier side
    QString IdCliente;
    int IdDestinazione = 0;
    QString IdCausale;
    int Anno = 0;
    int Serie = 0;
    int Numero = 0;
    int FlTipoDoc = 0;
    QString IdDivisa;
    double CambioEuro = 1; // rate of the currency at the document date
    double Cambio = 1;     // the head's rate
    QDateTime DataDocumento;
    QDateTime DataPagamento;
    QString IdPagamento;
    QString IdAgente1;
    double Provvigione1 = 0;
    QString IdAgente2;
    double Provvigione2 = 0;
    QString IdAgenteAddetto;
    double ProvvigioneAddetto = 0;
    double Sconto1 = 0, Sconto2 = 0, Sconto3 = 0, Sconto4 = 0, Sconto5 = 0;
    double ScontoPagamento = 0;
    double SpeseTrasporto = 0;
    double SpeseImballo = 0;
    double SpeseVarie = 0;
    double SpeseArt15 = 0;
    double SpeseIncasso = 0;
    double Acconto = 0;
    double Abbuono = 0;
    double ValoreContributo = 0;
    int FlSpeseIncasso = 0;
    int FlSpeseBolli = 0;
    int FlSpeseBolliEse = 0;
    QString IdEsclusione;
    QString IdListino;
    int FlScadVariate = 0;
    int FlDurata = 0;
    int FlTipoRDA = 0;
    double ValoreVoucher = 0;
    double Arrotondamento = 0;
    double ScontoAPagare = 0;
    QDateTime DataDocEsterno;
    int FlScorporo = 0; // row prices include VAT
    int FlIvaManodopera = 0;
    QString IdCausaleCont; // accounting causal: selects the fixed accounts
    int FlTipoDocumento = 0;
    int FlTipoEmissione = 0;
    int FlFatturaXML = 0;
    int IdDestinazioneAmm = 0;
    QString IdClienteFatt;
    QString IdEsenzione;
    int FlFatturaCEE = 0;
    QString IdConto;
    int FlSoggettoRdA = 0;
    int FlRaggFattura = 0;
    double IncassoTIKN = 0; // takings of a retail sale
    double TotaleManodopera = 0;
    double ImportoBollo = 0; // stamp duty and the amount from which it is due, in document currency
    double SogliaBollo = 0;
    int DecValore = 2;   // value decimals of the document currency
    int DecValoreIT = 2; // value decimals of national-currency amounts
    // host settings copied into the record
    bool FlProvvigioni = false;     // commissions computed
    bool FlArrotondaSconti = false; // each head-discount level rounded
    bool FlManodopera = false;      // labour totals computed
};

class TDMICalcoloTotaliDocs : public TDataModule {
    Q_OBJECT
public:
    static constexpr int MaxIva = 50;
    static constexpr int MaxConti = 200;
    static constexpr int MaxCentri = 500;
    static constexpr int MaxProvvigioni = 100;

    // VAT summary entry.
    struct TRigoIva {
        QString IdIva;
        double Aliquota = 0;
        int FlOmaggio = 0;
        int FlLiquidazione = 0;
        double Indetraibilita = 0;
        double AliqScorporo = 0;    // rate that takes VAT out of gross amounts
        double Imponibile = 0;      // taxable amount (after the head discounts and with the expenses)
        double ImportoClassi = 0;   // rows of classes 1, 4 and 5
        double Omaggi = 0;          // gift rows (classes 4 and 5)
        double EsenteSconto = 0;    // part not reduced by head discounts
        double ImportoFlag = 0;     // rows carrying the row flag
        double ImponibileLordo = 0; // copies taken after the grouping (goods only)
        double EsenteScontoLordo = 0;
        double MerceNetta = 0; // goods after the head discounts
        double Iva = 0;
        double CvlImponibile = 0; // national-currency counterparts
        double CvlImportoClassi = 0;
        double CvlIva = 0;
    };
    // Account entry, key (account, period start, period end).
    struct TRigoConto {
        QString IdConto;
        QDateTime DataInizio;
        QDateTime DataFine;
        double Importo = 0;
        double EsenteSconto = 0;
    };
    // Cost-centre entry, key (account, period start, period end, cost centre).
    struct TRigoCentro {
        QString IdConto;
        QDateTime DataInizio;
        QDateTime DataFine;
        QString IdCentroCosto;
        double Importo = 0;
        double EsenteSconto = 0;
    };
    // Commission group, key (agent, percentage).
    struct TRigoProvvigione {
        QString IdAgente;
        double Percentuale = 0;
        TDMIBPra::TDatiProvvigione Dati;
        double Base = 0;
        double Provvigione = 0;
    };
    // A document row as the engine reads it.
    struct TRigoDocumento {
        qint16 TipoRigo = 0; // the row type is its absolute value
        QString IdProdotto;
        double Importo = 0; // net of the row discounts, document currency
        QString IdIva;
        QString IdAgente[3];
        double Provvigione[3] = {0, 0, 0};
        double BaseProvv1 = 0; // commission bases: the amount, and the amount net of every discount
        double BaseProvv2 = 0;
        QString IdConto;
        double ImportoConto = 0; // amount booked on the account
        QString IdCentroCosto;
        QDateTime DataInizio;
        QDateTime DataFine;
        bool Flag = false;
    };
    // Instalment.
    struct TRata {
        QDateTime Data;
        QString IdTipoMovimento;
        double Percentuale = 0;
        bool SpeseIncasso = false; // bears collection expenses
        double Importo = 0;
        double ImportoNaz = 0;
        double Bollo = 0; // stamp duty of a bill of exchange
    };
    // Totals of the document (national-currency counterparts as Cvl...).
    struct TTotaliDoc {
        double TotMerceLordo = 0;
        double TotMerceNetto1 = 0, TotMerceNetto2 = 0, TotMerceNetto3 = 0;
        double TotMerceNettoSC3 = 0, TotMerceNettoSC4 = 0, TotMerceNettoSC5 = 0;
        double TotMerceEsenteSconto = 0;
        double TotControllo = 0; // the taxable amount, the accounts' control sum
        double TotImponibile = 0, CvlImponibile = 0;
        double TotIva = 0, CVLIva = 0;
        double TotFuoriCampo = 0; // rows of class 1
        double TotDocumento = 0, CvlDocumento = 0;
        double TotSconto = 0;
        double TotProdotti = 0, TotRicavi = 0;
        double TotRA = 0;
        double NettoPagare = 0;
        double Bollo = 0, CvlBollo = 0;
        double TotRigheRAE = 0;
        double SpeseTrasporto = 0, CVLSpeseTrasporto = 0;
        double SpeseImballo = 0, CVLSpeseImballo = 0;
        double SpeseVarie = 0, CVLSpeseVarie = 0;
        double SpeseIncasso = 0, CVLSpeseIncasso = 0;
        double SpeseEsenti1 = 0, CVLSpeseEsenti1 = 0; // Art. 15 expenses and bill stamps
        double SpeseEsenti2 = 0, CVLSpeseEsenti2 = 0; // document stamp
    };
    // A row of the totals table.
    struct TRigoTotali {
        QString TipoRecord;
        int Progressivo = 1;
        QString Codice;
        QString Descrizione;
        double Importo1 = 0, Importo2 = 0, Importo3 = 0, Importo4 = 0;
        double Percentuale = 0;
        QDateTime DataInizio;
        QDateTime DataFine;
    };

    explicit TDMICalcoloTotaliDocs(QObject *owner = nullptr);
    ~TDMICalcoloTotaliDocs() override;

    // ---- virtual slots, in their fixed order

    // The whole calculation: true when the totals were computed (and registered, where a
    // totals table was given); false when the grouping stopped at a limit or the
    // registration failed. Flag: skip the realignment of the net amounts and the fee-note
    // totals; passed to the row reader and the registration.
    virtual bool TOTDOCS_InternalCalcola(TXParam_TotaliDocs &Param, bool Flag);
    // Whether the instalments add up to the net to pay; when they do not the last takes the
    // difference (logged) and the answer is false.
    virtual bool TOTDOCS_InternalControlloScadenze(TXParam_TotaliDocs &Param);
    // The stored deadlines of a document (records "SCA" of its totals table, read from
    // tabScadenze, a dataset on that table, or from the stored table when it is absent) into
    // Param.Scadenze. False when the kind has no totals table.
    virtual bool TOTDOCS_InternalLeggiScadenze(TXParam_TotaliDocs &Param, int CodTipoDoc, qint64 Chiave,
                                               TDataSet *tabScadenze);
    // Param.Scadenze into the fields Scadenza01..Scadenza12 and Rata01..Rata12 of a dataset
    // (posted unless it was already being edited).
    virtual void TOTDOCS_InternalSalvaScadenzario(TXParam_TotaliDocs &Param, TDataSet *dataSet);
    // The number of deadlines the record holds (dates set).
    virtual int TOTDOCS_InternalTestScadenzario(TXParam_TotaliDocs &Param);
    // The rows' amounts net of every discount (ImportoNN) brought to add up, per VAT code,
    // to the discounted taxable amounts; written back where the rows can be edited.
    virtual void TOTDOCS_InternalRiallineImportiNN(TXParam_TotaliDocs &Param);
    // Working tables, totals and messages emptied for a new calculation.
    virtual void TOTDOCS_InitStrutture();
    // The record filled from the head (TOTDOCS_InitParametriTesta, then
    // TOTDOCS_InitParametriCoda).
    virtual void TOTDOCS_InitParametri(TXParam_TotaliDocs &Param);
    // The totals rows written into the totals table: the document's earlier rows are
    // deleted, then goods, VAT, expenses, stamp, accounts, cost centres, commissions,
    // instalments and total. False (message logged) when a row cannot be written.
    virtual bool TOTDOCS_RegistraTotali(TXParam_TotaliDocs &Param, bool Flag);
    // The rows read into row records; the row count.
    virtual int TOTDOCS_LeggiRigheDocumento(TXParam_TotaliDocs &Param, bool Flag);
    // The rows grouped into the working tables; false when a table would exceed its limit.
    virtual bool TOTDOCS_Raggruppamento(const TXParam_TotaliDocs &Param, int &RowCount);
    // The row record of the rows dataset's current row.
    virtual void TOTDOCS_CostruisciRigo(const TXParam_TotaliDocs &Param, TRigoDocumento &Rigo);
    // A totals-table row of the type and number, emptied.
    virtual void TOTDOCS_InitRigoTotali(TRigoTotali &Rigo, const QString &TipoRecord, int Progressivo);
    // A totals-table row appended to the totals table for the document.
    virtual void TOTDOCS_ScriviRigoTotali(TXParam_TotaliDocs &Param, const TRigoTotali &Rigo);
    // The instalments written as totals rows "SCA".
    virtual void TOTDOCS_ScriviScadenze(TXParam_TotaliDocs &Param);
    // VAT of each entry (taken out of gross amounts when FlScorporo is set).
    virtual void TOTDOCS_Scorporo(TXParam_TotaliDocs &Param);
    // Withholding tax: not kept by the stand-in.
    virtual void TOTDOCS_CalcoliRdA(TXParam_TotaliDocs &Param);
    // Split payment: the VAT is not paid to the seller; net to pay and instalments lose it.
    virtual void TOTDOCS_CalcoliIvaSplit(TXParam_TotaliDocs &Param);
    // A line of the engine's log (also to standard error).
    virtual void TOTDOCS_RegistraLog(const QString &Testo);
    // Reverse charge of a supplier: not kept by the stand-in (false).
    virtual bool TOTDOCS_FornitoreReverseCharge(const TXParam_TotaliDocs &Param);
    // The net part of a gross amount at a VAT entry's rate, in document currency: for
    // foreign-currency documents taken out in national currency and brought back, net plus
    // VAT always equal to the gross amount.
    virtual double TOTDOCS_ImponibileIvaEsclusa(const TXParam_TotaliDocs &Param, double Lordo, double Aliquota);
    // Whether rows of the row type are left out of the head discounts (tipo 1: head
    // discounts, the only use kept).
    virtual bool TOTDOCS_TipoRigoNoScontoTesta(int TipoRigo, int Tipo);
    // 23-32. Fee-note totals: fee notes are not kept by the stand-in.
    virtual void SPAR_CreaRigoTOA(TXParam_TotaliDocs &Param);
    virtual void SPAR_CreaRigoTCP(TXParam_TotaliDocs &Param);
    virtual void SPAR_CreaRigoTRA(TXParam_TotaliDocs &Param);
    virtual void SPAR_CreaRigoTNP(TXParam_TotaliDocs &Param);
    virtual void SPAR_CreaRigoPNS(TXParam_TotaliDocs &Param);
    virtual int SPAR_GetRighiIva(TXParam_TotaliDocs &Param);
    virtual void SPAR_AllineaTotImponibile(TXParam_TotaliDocs &Param);
    virtual void SPAR_AllineaScadenze(TXParam_TotaliDocs &Param);
    virtual void SPAR_TotaliParcellazione(TXParam_TotaliDocs &Param);
    virtual double SPAR_CalcolaImportoNN(TXParam_TotaliDocs &Param);

    // ---- state of a calculation

    // Fee-note mode (0 none, 1 fee note, 2 final fee note invoice) and the names it selects.
    int FlParcellazione = 0;
    QString NomeTabTotali;       // "PAParcelleTot" / "FattureCliTot"
    QString NomeTabTotaliLocale; // "t_PAParcelleTotali" / "t_FattureCliTot"
    QString CampoChiaveTotali;   // "KParcellaT" / "KFattCliT"
    QStringList EtichetteTotali; // "Onorari", "Spese", ...
    QString IndiceTotali;        // key + ";TipoRecord;Progressivo"
    QString IndiceTotaliCodice;  // key + ";TipoRecord;Codice"
    bool FlNoSpese = false;      // no-expenses switch (from the record)
    bool FlDivisaEstera = false; // the document currency is not the accounting currency

    // Fixed accounts and VAT codes of the calculation.
    QString IdContoForfait;
    QString IdContoOmaggi;
    QString IdIvaOmaggi;
    QString IdIvaSpeseIncasso;
    QString IdIvaSpeseTrasporto;
    QString IdIvaSpeseImballo;
    QString IdIvaSpeseVarie;
    QString IdIvaRidotta;
    QString IdSpBolliVirtuali;
    QString IdIvaArt15;

    // Payment of the document.
    QString TipoMovPagamento; // its movement type ("TR", "RD", "CR"...)
    int NumeroRate = 1;
    int FlTrattamIva = 0;
    QString IdDivisaPagamento;
    double SpeseIncassoPagamento = 0;
    double ValoreMinimo = 0;
    QString IdPagamentoAlt;

    QString Descrizione; // document description, opening the messages
    QString UltimoMessaggio;
    QStringList Log;

    // Working tables: fixed size, the used entries counted.
    std::array<TRigoIva, MaxIva> Iva;
    int NumIva = 0;
    std::array<TRigoConto, MaxConti> Conti;
    int NumConti = 0;
    std::array<TRigoCentro, MaxCentri> Centri;
    int NumCentri = 0;
    std::array<TRigoProvvigione, MaxProvvigioni> Provvigioni;
    int NumProvvigioni = 0;
    std::vector<TRigoDocumento> Righe;
    std::vector<TRata> Rate;
    TTotaliDoc Totali;

    // Retail takings of a sale (IncassoTIKN of VenditaDettTeste by KVenditaDettT).
    TXQuery *qIncassoTIKN;

protected:
    // ---- steps of the host's calculation, in its order (TOTDOCS_InternalCalcola)

    // Settings, description and the kind's head fields, euro rate, decimals.
    virtual void TOTDOCS_InitParametriTesta(TXParam_TotaliDocs &Param);
    // Stamp values, the common head fields, labour, takings, fee-note names.
    virtual void TOTDOCS_InitParametriCoda(TXParam_TotaliDocs &Param);
    // The foreign-currency flag.
    virtual void TOTDOCS_DivisaEstera(const TXParam_TotaliDocs &Param);
    // The fixed accounts and VAT codes, with the customer's VAT override.
    virtual void TOTDOCS_ContiFissi(const TXParam_TotaliDocs &Param);
    // The payment and its instalments; a payment not found is shown and counts as one
    // remittance instalment. False when it was not found.
    virtual bool TOTDOCS_LeggiPagamento(const TXParam_TotaliDocs &Param, const QString &IdPagamento, bool Alternativo);
    // With the flag and the no-expenses switch set, the expenses are 0.
    virtual void TOTDOCS_AzzeraSpese(TXParam_TotaliDocs &Param, bool Flag);
    // Alternative payment, exemption, expenses into the VAT summary, head discounts.
    // False when an expense's VAT code finds the VAT summary full (limit message shown).
    virtual bool TOTDOCS_MerceSpese(TXParam_TotaliDocs &Param);
    // Stamp duty, exempt expenses, document total and the instalments.
    virtual void TOTDOCS_BolliScadenze(TXParam_TotaliDocs &Param);
    // Entries of the VAT summary for amounts the document total already holds outside the
    // VAT base, added once the total is made (the host adds none). False when the VAT
    // summary is full (limit message shown).
    virtual bool TOTDOCS_IvaFuoriTotale(TXParam_TotaliDocs &Param);
    // The totals into the dataset receiving them (when there is one and no totals table).
    virtual void TOTDOCS_AggiornaTotaliDataset(TXParam_TotaliDocs &Param);
    // The exempt expenses as the VAT entry of "IdIvaArt15"; false when the VAT summary
    // is full (limit message shown).
    virtual bool TOTDOCS_SpeseEsentiIva(TXParam_TotaliDocs &Param);

    // ---- steps of the grouping, for TOTDOCS_Raggruppamento and its replacements

    // Groups one row; contoOmaggio is the account that takes the counter-entry of a gift row.
    // False when a working table would exceed its limit (message shown and logged).
    bool TOTDOCS_RaggruppaRigo(const TXParam_TotaliDocs &Param, const TRigoDocumento &Rigo,
                               const QString &ContoOmaggio);
    // The account that takes the counter-entry of a gift row: the fixed gift account.
    virtual QString TOTDOCS_ContoOmaggio(const TRigoDocumento &Rigo);
    // After the last row: copies, VAT taken out of gross amounts, goods totals, the accounts'
    // control sum, commissions.
    void TOTDOCS_ChiudiRaggruppamento(const TXParam_TotaliDocs &Param);
    // The VAT entry of a code, -1 when there is none.
    int TOTDOCS_TrovaIva(const QString &IdIva) const;
    // Adds an amount to the VAT entry of a code, appending the entry when missing; false,
    // nothing added, when the VAT summary is full (limit message shown and logged).
    bool TOTDOCS_AggiungiIva(const QString &IdIva, double Importo, double CvlImporto);
    // National-currency counterpart of a document amount.
    double TOTDOCS_Cvl(const TXParam_TotaliDocs &Param, double Importo) const;

    // The row type of a code (its absolute value), read once per calculation; null when the
    // host has none.
    const Tipirigo::TRTipoRigo *TipoDiRigo(int TipoRigo);

private:
    void RiempiIva(TRigoIva &entrata, const QString &IdIva);
    bool LimiteSuperato(int limite, const QString &coda);
    bool SommaConto(const QString &conto, const QDateTime &dal, const QDateTime &al, double importo, bool noSconto);
    bool SommaCentro(const QString &conto, const QDateTime &dal, const QDateTime &al, const QString &centro,
                     double importo, bool noSconto, bool sempre);
    void ApplicaEsenzione(const TXParam_TotaliDocs &Param);
    bool AggiungiSpesa(const QString &IdIva, double importo, double &totale, double &cvl,
                       const TXParam_TotaliDocs &Param, const QString &nome);
    void CalcolaRate(TXParam_TotaliDocs &Param);
    void ScriviRateDataset(TXParam_TotaliDocs &Param, TDataSet *dataSet, bool daRecord);

    struct PagamentoRata {
        QString IdTipoMovimento;
        double Percentuale = 0;
        bool SpeseIncasso = false;
    };
    std::vector<PagamentoRata> ratePagamento_;
    // The instalment rows of a payment: the run's (Param.RighePagamenti), else this
    // calculation's, read the first time they are asked for.
    const std::vector<TRigoPagamento> &RighePagamento(const TXParam_TotaliDocs &Param, const QString &IdPagamento);
    std::map<QString, std::vector<TRigoPagamento>> righePagamenti_;
    int codTipoDoc_ = 0;
    std::map<int, std::optional<Tipirigo::TRTipoRigo>> tipiRigo_;
    // The row fields TOTDOCS_CostruisciRigo reads, found once per reading of the rows (null: absent).
    struct CampiRigo {
        TDataSet *righe = nullptr;
        TField *TipoRigo, *IdProdotto, *ImportoNetto, *IdIva, *IdAgente1, *Provvigione1, *IdAgente2, *Provvigione2,
            *ImportoNN, *IdConto, *IdCentroCosto, *DataInizioComp, *DataFineComp;
    };
    const CampiRigo &CampiDelRigo(TDataSet *righe);
    CampiRigo campiRigo_{};
    QString campoChiaveTotali_; // key of the totals rows being written
    QVariant chiaveTotali_;
};

namespace Calcolototalidocs {

// Totals of a document: creates the registered totals engine (TDMICalcoloTotaliDocs or its
// replacement) and runs its calculation. Starts, commits and rolls back no transaction.
bool TOTDOCS_Calcola(TXParam_TotaliDocs &Param, bool Flag);
// The stored deadlines of a document into Param.Scadenze (see the engine's slot 3).
bool TOTDOCS_LeggiScadenze(TXParam_TotaliDocs &Param, int CodTipoDoc, qint64 Chiave, TDataSet *tabScadenze);
// Param.Scadenze into Scadenza01..12 / Rata01..12 of a dataset.
void TOTDOCS_SalvaScadenzario(TXParam_TotaliDocs &Param, TDataSet *dataSet);
// The number of deadlines the record holds.
int TOTDOCS_TestScadenzario(TXParam_TotaliDocs &Param);
// The engine TOTDOCS_Calcola runs: the registered class, or the host's.
std::unique_ptr<TDMICalcoloTotaliDocs> CreaMotore();

// Totals tables and head keys of the kinds: "" when the kind has none.
QString TabellaTotali(int CodTipoDoc);
QString ChiaveTesta(int CodTipoDoc);

} // namespace Calcolototalidocs
