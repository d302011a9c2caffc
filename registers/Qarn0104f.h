#pragma once
// The annual balance progressives (menu code "QARN0104F"): a head of LUMO_PrBilDicGiaT (year,
// warehouse grouping, wine category, opening and closing stock) with its causal rows
// (LUMO_PrBilDicGiaR), edited in the buffer TTDettaglio and saved in one transaction.
#include "registers/Lumo_progressivi.h"

#include <QPointer>

class TXlkTable;

namespace Ui {
class Qarn0104f;
}

class TFqarn0104f : public TFLumoProgressivi {
    Q_OBJECT
public:
    explicit TFqarn0104f(QWidget *owner = nullptr);
    ~TFqarn0104f() override;

    TXlkTable *lkCausali;

    void FormClose(TCloseAction &action) override;

protected:
    void FuocoCodiceTesta() override;
    QString MessaggioTestaDuplicata() const override;

private:
    Ui::Qarn0104f *ui;
};

inline QPointer<TFqarn0104f> Fqarn0104f;
