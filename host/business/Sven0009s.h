#pragma once
// The customer invoice print (host print name "TfSVen0009s"): a page or more per invoice,
// the head with the customer, the rows (qRighe), the VAT summary (qIva) and the totals from
// the invoice's totals records. Layouts: "Sven0009s" and "Sven0009s_FTAC" (accompanying
// invoice: with the transport block); both hold the deposit summary region rgCastelletto,
// shown when the head carries the slot fields of a print that declares them.
//
// The print's steps are virtual: XRptModuleCreate once, before the first selection;
// qMainAfterScroll on each move of the head, qMainCalcFields for the head's calculated
// fields. A subclass runs the host's step first. CastellettoLocale tells a subclass that the
// deposit summary of the invoices printed is still the local working copy (an invoice not
// yet stored).
#include "host/report/TfKV8ReportB.h"

#include <QDateTime>
#include <QString>

class TDataSet;
class TXQuery;
struct TSelezioneDocumenti;

class TfSVen0009s : public TfKV8ReportB_Docs {
    Q_OBJECT
public:
    explicit TfSVen0009s(QObject *owner = nullptr);
    // The print the host makes: the class registered as "TfSVen0009s", or this one.
    static TfSVen0009s *Crea(QObject *owner);

    TXQuery *qMain;  // invoice heads with the customer and the totals (TOT record)
    TXQuery *qRighe; // rows of an invoice (:KFattCliT)
    TXQuery *qIva;   // VAT summary of an invoice (:KFattCliT)

    bool CastellettoLocale = false;
    // The accompanying-invoice layout (the default one's name with "_FTAC") instead of the
    // plain one.
    bool Accompagnatoria = false;

    // Selects the invoices of the range; true when there is anything to print.
    virtual bool InitForm(const TSelezioneDocumenti &selezione);
    // One invoice (the invoice window's print); true when it exists.
    virtual bool InitFormDocumento(int KFattCliT);

    virtual void XRptModuleCreate();
    virtual void qMainAfterScroll(TDataSet *DataSet);
    virtual void qMainCalcFields(TDataSet *DataSet);

    void EseguiStampa(bool preview, bool sceltaStampante = false) override;

protected:
    bool Seleziona(const QString &condizione);

private:
    bool creata_ = false;
};
