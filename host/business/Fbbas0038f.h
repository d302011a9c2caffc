#pragma once
// The customer delivery-note causals window (menu code "BBAS0038F"), over the table CausaliBolleCli (dataset
// TCausBolleCli): the list, then the detail page, whose panel pnDettaglio lays its controls out in the grid lyDettaglio
// (label, control, description).
#include "host/business/Anagrafica.h"

#include <QPointer>

class QGridLayout;

namespace Ui {
class Fbbas0038f;
}

class TFBbas0038f : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFBbas0038f(QWidget *owner = nullptr);
    ~TFBbas0038f() override;

    TXTabellaAnagrafica *TCausBolleCli = nullptr;
    QWidget *pnDettaglio = nullptr;
    QGridLayout *lyDettaglio = nullptr;

    void FormClose(TCloseAction &action) override;
    virtual void TCausBolleCliBeforePost(TDataSet *DataSet);
    virtual void TCausBolleCliBeforeDelete(TDataSet *DataSet);

private:
    Ui::Fbbas0038f *ui;
};

inline QPointer<TFBbas0038f> FBbas0038f;
