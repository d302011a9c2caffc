#pragma once
// The supplier delivery-note causals window (menu code "BBAS0045F"), over the table CausaliBolleFor (dataset
// TCausBolleFor): the list, then the detail page, whose panel pnDettaglio lays its controls out in the grid lyDettaglio
// (label, control, description).
#include "host/business/Anagrafica.h"

#include <QPointer>

class QGridLayout;

namespace Ui {
class Fbbas0045f;
}

class TFBbas0045f : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFBbas0045f(QWidget *owner = nullptr);
    ~TFBbas0045f() override;

    TXTabellaAnagrafica *TCausBolleFor = nullptr;
    QWidget *pnDettaglio = nullptr;
    QGridLayout *lyDettaglio = nullptr;

    void FormClose(TCloseAction &action) override;
    virtual void TCausBolleForBeforePost(TDataSet *DataSet);
    virtual void TCausBolleForBeforeDelete(TDataSet *DataSet);

private:
    Ui::Fbbas0045f *ui;
};

inline QPointer<TFBbas0045f> FBbas0045f;
