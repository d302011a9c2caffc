#pragma once
// The customer returns journal (menu code "QARN0209F"): packaging handed back by a customer
// before a document takes it (LUMO_MovResT with its LUMO_MovResR rows), edited in the buffer
// TTDettaglio and saved in one transaction. No card moves: the next new document of the
// customer and destination takes the pending returns.
#include "deposits/Lumo_righeimballi.h"

#include <QPointer>

namespace Ui {
class Qarn0209f;
}

class TFqarn0209f : public TFLumoMasterDettaglio, public TLumoRigheImballi {
    Q_OBJECT
public:
    explicit TFqarn0209f(QWidget *owner = nullptr);
    ~TFqarn0209f() override;

    TXTable *tMain;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void XFormXRicerca() override;

    virtual void tMainCalcFields(TDataSet *DataSet);
    virtual void IdContoValidate(TField *Sender);
    virtual void IdDestinazioneValidate(TField *Sender);
    void TTDettaglioNewRecord(TDataSet *DataSet) override;
    void TTDettaglioBeforePost(TDataSet *DataSet) override;
    void TTDettaglioBeforeDelete(TDataSet *DataSet) override;
    virtual void IdImballoValidate(TField *Sender);

protected:
    bool ControlliRegistrazione() override;
    void PrimaDelleRighe() override;
    void FuocoCodiceTesta() override;

private:
    Ui::Qarn0209f *ui;
};

inline QPointer<TFqarn0209f> Fqarn0209f;
