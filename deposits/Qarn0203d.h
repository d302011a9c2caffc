#pragma once
// The deposit totals ("Totali Cauzioni", menu code "QARN0203D"): loaded and returned
// quantities and values per packaging code over the per-destination cards of one account
// type, in two grids on the results page, printed from there.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class KDBGriglia;
class TDataSet;
class TDataSource;
class TXQuery;

namespace Ui {
class Qarn0203d;
}

class TFqarn0203d : public TFDBChildParsPage {
    Q_OBJECT
public:
    explicit TFqarn0203d(QWidget *owner = nullptr);
    ~TFqarn0203d() override;

    TXQuery *qTotProCau;
    KDBGriglia *gValori;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;
    void btStampaClick() override;

private:
    void qTotProCauCalcFields(TDataSet *d);

    Ui::Qarn0203d *ui;
};

inline QPointer<TFqarn0203d> Fqarn0203d;
