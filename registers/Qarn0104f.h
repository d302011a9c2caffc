#pragma once
// The annual balance progressives (menu code "QARN0104F"): a head of LUMO_PrBilDicGiaT (year,
// warehouse grouping, wine category, opening and closing stock) with its causal rows
// (LUMO_PrBilDicGiaR), edited in the buffer TTDettaglio and saved in one transaction.
#include "masterdata/Lumo_MasterDettaglio.h"

#include <QPointer>

class TXlkTable;

namespace Ui {
class Qarn0104f;
}

class TFqarn0104f : public TFLumoMasterDettaglio {
    Q_OBJECT
public:
    explicit TFqarn0104f(QWidget *owner = nullptr);
    ~TFqarn0104f() override;

    TXTable *tMain;
    TXlkTable *lkCausali;
    TLumoBufferRighe *bDettaglio;
    TXQuery *qDettaglio;
    TXTable *TTDettaglio;
    TXClientTable *TRSDettaglio;
    TDataSource *DSDettaglio;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    virtual void tMainIdRaggMagValidate(TField *Sender);
    virtual void TTDettaglioNewRecord(TDataSet *DataSet);
    virtual void TTDettaglioBeforePost(TDataSet *DataSet);
    virtual void TTDettaglioBeforeDelete(TDataSet *DataSet);

protected:
    void FuocoCodiceTesta() override;
    QString MessaggioTestaDuplicata() const override;

private:
    Ui::Qarn0104f *ui;
};

inline QPointer<TFqarn0104f> Fqarn0104f;
