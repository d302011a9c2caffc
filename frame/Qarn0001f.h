#pragma once
// The module's configuration window: the single parameter row "1" of LUMO_Parametri, always
// opened in edit (or insert, when the row does not exist yet).
#include "host/data/TDataSource.h"
#include "host/data/TXTable.h"
#include "host/ui/Dlgbase.h"

namespace Ui {
class Qarn0001f;
}

class Tfqarn0001f : public TfdlgBase {
    Q_OBJECT
public:
    explicit Tfqarn0001f(QWidget *owner = nullptr);
    ~Tfqarn0001f() override;

    TXTable *tMain;
    TDataSource *dsMain;

    void FormCreate() override;
    void btOkClick() override;
    void btAnnullaClick() override;
    virtual void tMainAfterPost(TDataSet *dataSet);
    // Opens the table on row "1", in edit; appends the row when it is missing.
    virtual void AproTabella();

private:
    Ui::Qarn0001f *ui;
};
