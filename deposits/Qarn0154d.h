#pragma once
// The invoicing of outstanding deposit stock ("Fatturazione Giacenze Cauzioni", menu code
// "QARN0154D"): for the customers of a range, one invoice selling the invoiced packaging not
// yet returned at the prices of a deposit price list, booked on the deposit side as returned.
#include "deposits/Lumo_fattcauz.h"

#include <QPointer>

class TXMemTable;
class TXQuery;

namespace Ui {
class Qarn0154d;
}

class TFqarn0154d : public TFCauzFatturazione {
    Q_OBJECT
public:
    explicit TFqarn0154d(QWidget *owner = nullptr);
    ~TFqarn0154d() override;

    TXQuery *qRicCauCli;
    TXMemTable *cdsClientiCauz;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;

protected:
    void PreparaDati() override;
    void PreparaGenerazione() override;
    void FineGenerazione() override;
    QList<TDataSet *> AltriDataSet() override;
    int RigheDaElaborare() override;
    void Genera() override;

private:
    void ChiudiFattura();
    void RegistraCauzioni(int Modo);

    Ui::Qarn0154d *ui;
};

inline QPointer<TFqarn0154d> Fqarn0154d;
