#pragma once
// The supplier delivery-note print (host print name "TFSacq0002s"): a page or more per
// note, the head with the supplier, the rows (qRighe) and the closing block with the deposit
// summary region rgCastelletto, shown when the head carries the slot fields of a print that
// declares them. qMainCalcFields fills the host's calculated fields; a subclass runs it first.
#include "host/report/TfKV8ReportB.h"

#include <QString>

class TDataSet;
class TXQuery;
struct TSelezioneDocumenti;

class TfSAcq0002s : public TfKV8ReportB_Docs {
    Q_OBJECT
public:
    explicit TfSAcq0002s(QObject *owner = nullptr);
    // The print the host makes: the class registered as "TFSacq0002s", or this one.
    static TfSAcq0002s *Crea(QObject *owner);

    TXQuery *qMain;  // supplier note heads with the supplier
    TXQuery *qRighe; // rows of a note (:KBolleForT)

    // Selects the notes of the range; true when there is anything to print.
    virtual bool InitForm(const TSelezioneDocumenti &selezione);
    // One note (the supplier window's print); true when it exists.
    virtual bool InitFormDocumento(int KBolleForT);

    virtual void qMainCalcFields(TDataSet *DataSet);

    void EseguiStampa(bool preview, bool sceltaStampante = false) override;

protected:
    bool Seleziona(const QString &condizione);
};
