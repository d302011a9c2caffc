#pragma once
// The packaging window (menu code "BBAS0019F"), over the table Imballi (dataset TImballi): the list,
// then the detail page, whose panel pnDettaglio lays its controls out in the grid lyDettaglio
// (label, control, description).
#include "host/business/Anagrafica.h"

#include <QPointer>

class QGridLayout;

namespace Ui {
class Fbbas0019f;
}

class TFBBas0019f : public TFBBasAnagrafica {
    Q_OBJECT
public:
    explicit TFBBas0019f(QWidget *owner = nullptr);
    ~TFBBas0019f() override;

    TXTabellaAnagrafica *TImballi = nullptr;
    QWidget *pnDettaglio = nullptr;
    QGridLayout *lyDettaglio = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    virtual void TImballiBeforePost(TDataSet *DataSet);
    virtual void TImballiBeforeDelete(TDataSet *DataSet);
    // The change of the description DsImballo (its OnChange): nothing in the host.
    virtual void TImballiDsImballoChange(TField *Sender);

private:
    Ui::Fbbas0019f *ui;
};

inline QPointer<TFBBas0019f> FBBas0019f;
