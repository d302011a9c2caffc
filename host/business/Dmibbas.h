#pragma once
// The host's master-data module (global DMIBbas): opening a table on a selection and an
// ordering, the account check, the customer's VAT override of expense VAT codes, the
// document-number formatting, and the articles' bar codes, batches, groups and variants.
#include "host/data/TDataModule.h"

#include <QDateTime>
#include <QList>
#include <QPointer>
#include <QString>

class TDataSet;
class TXTable;

class TDMIBbas : public TDataModule {
    Q_OBJECT
public:
    explicit TDMIBbas(QObject *owner = nullptr);
    ~TDMIBbas() override;

    // The program's module (global DMIBbas), created on the first call and owned by the
    // application unless an owner is given.
    static TDMIBbas *Crea(QObject *owner = nullptr);

    // Opens the table again on the selection (an SQL condition; empty: every row, or a
    // client table's empty selection) in the ordering (column names, each optionally
    // followed by ASC or DESC, separated by commas; empty: as stored). An ordering
    // that is not that throws EDatabaseError and leaves the table closed.
    virtual void ApriTabella(TXTable *tabella, const QString &selezione, const QString &ordinamento);

    // Whether the account exists for its type ("CL" customers, "FO" suppliers, "CG" the
    // chart of accounts). When it does not, the reason is shown (error message) and the
    // answer is false.
    virtual bool TestConto(const QString &tipoConto, const QString &conto);

    // VAT codes of a document's expenses and of its reduced rate.
    struct TIvaSpese {
        QString Incasso;
        QString Ridotta;
        QString Trasporto;
        QString Imballo;
        QString Varie;
    };
    // Whether a document kind (CodTipoDoc) takes the customer's VAT override: sales delivery
    // notes, invoices, orders and quotes.
    virtual bool TipoDocIvaCliente(int codTipoDoc) const;
    // For those kinds and a customer ("CL"), the codes are replaced by the VAT override valid
    // at the date: the destination's when it has one, else the customer's. The collection
    // and reduced-rate codes always; transport, packaging and various expenses when the base
    // settings say so (KV8Config::GetFSBAS01().FlSpeseCliente = 1). Answers whether an
    // override was applied.
    virtual bool IvaSpeseCliente(int codTipoDoc, const QString &tipoConto, const QString &conto, int destinazione,
                                 const QDateTime &data, TIvaSpese &codici);

    // The document number to show in a description: testo ends with "IdCausale-Numero";
    // the number as TDMIBase::NumeroDocumento gives it.
    virtual QString FormattaNumeroDocumento(const QString &testo, int anno, int serie, int numero,
                                            const QString &idCausale);

    // ---- bar codes, batches, groups and variants of the articles

    // The article of a bar code: the article whose CodiceBarre it is, else the article whose
    // code it is (accounts keep no codes of their own in the stand-in). articoli, when given,
    // is moved to the article. False when there is none.
    virtual bool DecodificaBarcode(const QString &barcode, const QString &idContoTp, const QString &idConto,
                                   TDataSet *articoli, QString &idProdotto);
    // Whether the article manages variants (FlGesVarianti 1).
    virtual bool TestVarianti(const QString &idProdotto);
    // Whether stock groups are kept for the article: its flag (FlGesGruppi 1) with quantity
    // details in use (KV8Config FSBAS01 FlDettaglioQta 1).
    virtual bool TestGruppo(int flGesGruppi, int idMagazzino, const QString &idProdotto);
    // Whether a row of the article is detailed by batch, group or variant (tipo 1: sales
    // documents): quantity details in use and the article manages one of them.
    virtual bool TestDettaglioQta(int tipo, const QString &idProdotto);
    // The group and batch a detail gets when none is chosen (settings FSLOT01 GruppoDefault
    // and LottoDefault; "" by default).
    virtual QString GruppoDefault();
    virtual QString LottoDefault();
    struct TAssegnazioneLotto {
        QString IdLotto;
        QString Gruppo;
        double Quantita = 0;
    };
    // Spreads a quantity over the batches of the article and variant in stock in the
    // warehouse (SaldiLotti with Giacenza above 0, batch codes in order), appending what it
    // takes to assegnati; answers the quantity left unplaced, at the quantity decimals.
    virtual double AssegnaLottiAutomatico(const QString &idProdotto, int idMagazzino, const QString &idVariante,
                                          double quantita, QList<TAssegnazioneLotto> &assegnati);
    // The automatic quantity detail of an order row: the stand-in details nothing (true).
    virtual bool CreaDettaglioAutomatico(int codTipoDoc, TDataSet *testa, TDataSet *rigo, TDataSet *dettaglio);
};

inline QPointer<TDMIBbas> DMIBbas;
