#pragma once
// The excise documents (menu code "QARN0403F"): a D.A.A. head of LUMO_DocAccT on three pages
// with its rows (LUMO_DocAccR) edited in the buffer TTDettaglio and saved in one transaction.
// Documents come from the generation only: a new one cannot be entered here. Deleting one
// gives its source delivery note or invoice back to the generation; its number stays used.
#include "masterdata/Lumo_MasterDettaglio.h"

#include <QPointer>

class TXlkTable;

namespace Ui {
class Qarn0403f;
}

class TFqarn0403f : public TFLumoMasterDettaglio {
    Q_OBJECT
public:
    explicit TFqarn0403f(QWidget *owner = nullptr);
    ~TFqarn0403f() override;

    TXTable *tMain;
    TXlkTable *lkSpedizionieri;
    TXlkTable *lkTariffe;
    TLumoBufferRighe *bDettaglio;
    TXQuery *qDettaglio;
    TXTable *TTDettaglio;
    TXClientTable *TRSDettaglio;
    TDataSource *DSDettaglio;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void DSMainNavClick(TNavigateBtn button, bool &doDefault) override;
    virtual void TTDettaglioNewRecord(TDataSet *DataSet);
    virtual void TTDettaglioBeforePost(TDataSet *DataSet);
    virtual void TTDettaglioBeforeDelete(TDataSet *DataSet);
    // Inside the deletion's transaction, after the rows: the source document unmarked.
    virtual void tMainBeforeDelete(TDataSet *DataSet);

protected:
    void FuocoCodiceTesta() override;

private:
    Ui::Qarn0403f *ui;
};

inline QPointer<TFqarn0403f> Fqarn0403f;
