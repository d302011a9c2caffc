#pragma once
// The deposit price lists (menu code "QARN0201F"): a list of one price-list code and currency
// (LUMO_LisCauzT) with the deposit price and values of each packaging code (LUMO_LisCauzR),
// edited in the buffer TTDettaglio and saved in one transaction.
#include "deposits/Lumo_righeimballi.h"

#include <QPointer>

namespace Ui {
class Qarn0201f;
}

class TFqarn0201f : public TFLumoMasterDettaglio, public TLumoRigheImballi {
    Q_OBJECT
public:
    explicit TFqarn0201f(QWidget *owner = nullptr);
    ~TFqarn0201f() override;

    TXTable *tMain;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    virtual void tMainNewRecord(TDataSet *DataSet);
    virtual void IdListinoValidate(TField *Sender);
    void TTDettaglioNewRecord(TDataSet *DataSet) override;
    void TTDettaglioBeforePost(TDataSet *DataSet) override;
    void TTDettaglioBeforeDelete(TDataSet *DataSet) override;

protected:
    void DopoLeRighe() override;
    void FuocoCodiceTesta() override;

private:
    Ui::Qarn0201f *ui;
};

inline QPointer<TFqarn0201f> Fqarn0201f;
