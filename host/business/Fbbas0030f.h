#pragma once
// The price-list types window (menu code "BBAS0030F"), over the table TipiListino (dataset TTipiListino): the list,
// then the detail page, whose panel pnDettaglio lays its controls out in the grid lyDettaglio
// (label, control, description).
#include "host/business/Anagrafica.h"

#include <QPointer>

class QGridLayout;

namespace Ui {
class Fbbas0030f;
}

class TFBBas0030f : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFBBas0030f(QWidget *owner = nullptr);
    ~TFBBas0030f() override;

    TXTabellaAnagrafica *TTipiListino = nullptr;
    QWidget *pnDettaglio = nullptr;
    QGridLayout *lyDettaglio = nullptr;

    void FormClose(TCloseAction &action) override;
    virtual void TTipiListinoBeforePost(TDataSet *DataSet);
    virtual void TTipiListinoBeforeDelete(TDataSet *DataSet);
    virtual void TTipiListinoNewRecord(TDataSet *DataSet);

private:
    Ui::Fbbas0030f *ui;
};

inline QPointer<TFBBas0030f> FBBas0030f;
