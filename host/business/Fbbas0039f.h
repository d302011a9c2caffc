#pragma once
// The customer invoice causals window (menu code "BBAS0039F"), over the table CausaliFattCli (dataset TCausFattCli):
// the list, then the detail page, whose panel pnDettaglio lays its controls out in the grid lyDettaglio (label,
// control, description).
#include "host/business/Anagrafica.h"

#include <QPointer>

class QGridLayout;

namespace Ui {
class Fbbas0039f;
}

class TFBBas0039f : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFBBas0039f(QWidget *owner = nullptr);
    ~TFBBas0039f() override;

    TXTabellaAnagrafica *TCausFattCli = nullptr;
    QWidget *pnDettaglio = nullptr;
    QGridLayout *lyDettaglio = nullptr;

    void FormClose(TCloseAction &action) override;
    virtual void TCausFattCliBeforePost(TDataSet *DataSet);
    virtual void TCausFattCliBeforeDelete(TDataSet *DataSet);

private:
    Ui::Fbbas0039f *ui;
};

inline QPointer<TFBBas0039f> FBBas0039f;
