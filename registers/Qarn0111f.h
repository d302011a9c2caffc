#pragma once
// The tax-stamp progressives (menu code "QARN0111F"): a stock row of LUMO_ProgRegCiT (warehouse
// grouping, stamp, product type, stock and bottled stock) with its yearly rows
// (LUMO_ProgRegCiR), edited in the buffer TTDettaglio and saved in one transaction.
#include "registers/Lumo_progressivi.h"

#include <QPointer>

namespace Ui {
class Qarn0111f;
}

class TFqarn0111f : public TFLumoProgressivi {
    Q_OBJECT
public:
    explicit TFqarn0111f(QWidget *owner = nullptr);
    ~TFqarn0111f() override;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    virtual void tMainIdConIvaValidate(TField *Sender);

protected:
    void FuocoCodiceTesta() override;
    QString MessaggioTestaDuplicata() const override;

private:
    Ui::Qarn0111f *ui;
};

inline QPointer<TFqarn0111f> Fqarn0111f;
