#pragma once
// The deposit price lists (menu code "QARN0201F"): a list of one price-list code and currency
// (LUMO_LisCauzT) with the deposit price and values of each packaging code (LUMO_LisCauzR),
// edited in the buffer TTDettaglio and saved in one transaction.
#include "masterdata/Lumo_MasterDettaglio.h"

#include <QPointer>

namespace Ui {
class Qarn0201f;
}

class TFqarn0201f : public TFLumoMasterDettaglio {
    Q_OBJECT
public:
    explicit TFqarn0201f(QWidget *owner = nullptr);
    ~TFqarn0201f() override;

    TXTable *tMain;
    TLumoBufferRighe *bDettaglio;
    TXQuery *qDettaglio;
    TXTable *TTDettaglio;
    TXClientTable *TRSDettaglio;
    TDataSource *DSDettaglio;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    virtual void tMainNewRecord(TDataSet *DataSet);
    virtual void IdListinoValidate(TField *Sender);
    virtual void TTDettaglioNewRecord(TDataSet *DataSet);
    virtual void TTDettaglioBeforePost(TDataSet *DataSet);
    virtual void TTDettaglioBeforeDelete(TDataSet *DataSet);

protected:
    void DopoLeRighe() override;
    void FuocoCodiceTesta() override;

private:
    Ui::Qarn0201f *ui;
};

inline QPointer<TFqarn0201f> Fqarn0201f;
