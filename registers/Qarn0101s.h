#pragma once
// The print of the load/unload register (layout Qarn0101s): the rows of LUMO_t_RegCs with
// their lots, the totals of the grouping and, on a page of its own, the category stock of
// LUMO_t_RegCsTot.
#include "host/report/TfKV8ReportB.h"

#include <QPointer>

class TDataSet;
class TXQuery;

class TFqarn0101s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TFqarn0101s(QObject *owner = nullptr);

    TXQuery *qMain;
    TXQuery *qTotRegCs;
    TXQuery *qMovLotti;

    // The dialog's parameter record (DaData, A_Data, FlLotti) read by the handlers.
    void InitForm(TDataSet *parametri);
    // Litres loaded and unloaded over the run.
    double TotaleCarico = 0;
    double TotaleScarico = 0;
    int Pagina = 0;

    void EseguiStampa(bool preview, bool sceltaStampante = false) override;

protected:
    void EseguiStampaAghi() override;

private:
    QPointer<TDataSet> _Tpars;
};
