#pragma once
// The load/unload stock progressives (menu code "QARN0102F"): a head of LUMO_ProgRegCsT
// (warehouse grouping, wine category, stock at the last definitive print) with its yearly
// rows (LUMO_ProgRegCsR), edited in the buffer TTDettaglio and saved in one transaction.
#include "registers/Lumo_progressivi.h"

#include <QPointer>

namespace Ui {
class Qarn0102f;
}

class TFqarn0102f : public TFLumoProgressivi {
    Q_OBJECT
public:
    explicit TFqarn0102f(QWidget *owner = nullptr);
    ~TFqarn0102f() override;

    void FormClose(TCloseAction &action) override;

protected:
    void FuocoCodiceTesta() override;
    QString MessaggioTestaDuplicata() const override;

private:
    Ui::Qarn0102f *ui;
};

inline QPointer<TFqarn0102f> Fqarn0102f;
