#pragma once
// The warehouse groupings (menu code "QARN0009F"): a grouping (LUMO_RaggMagT) with its
// warehouses (LUMO_RaggMagR), edited in the buffer TTDettaglio and saved in one transaction;
// its print request lists every grouping (Tfqarn0009s).
#include "masterdata/Lumo_MasterDettaglio.h"

#include <QPointer>

class TXlkTable;

namespace Ui {
class Qarn0009f;
}

class TFqarn0009f : public TFLumoMasterDettaglio {
    Q_OBJECT
public:
    explicit TFqarn0009f(QWidget *owner = nullptr);
    ~TFqarn0009f() override;

    TXTable *tMain;
    TXlkTable *lkMagazzini;
    TLumoBufferRighe *bDettaglio;
    TXQuery *qDettaglio;
    TXTable *TTDettaglio;
    TXClientTable *TRSDettaglio;
    TDataSource *DSDettaglio;

    void FormClose(TCloseAction &action) override;
    void XFormXStampa(bool preview) override;
    virtual void TTDettaglioNewRecord(TDataSet *DataSet);
    virtual void TTDettaglioBeforePost(TDataSet *DataSet);
    virtual void TTDettaglioBeforeDelete(TDataSet *DataSet);

private:
    Ui::Qarn0009f *ui;
};

inline QPointer<TFqarn0009f> Fqarn0009f;
