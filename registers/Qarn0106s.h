#pragma once
// The print of the bottling register (layout Qarn0106s, landscape): the rows of LUMO_t_RegImb
// with bulk drawn, loss and bottled quantity, their lots for the chosen article categories,
// and the group totals; on a dot-matrix printer, text sections 1 (a row), 2 (totals) and
// 3 (closing).
#include "host/report/TfKV8ReportB.h"
#include "host/ui/SelezioneMultipla.h"

#include <QPointer>

class TDataSet;
class TXQuery;
class TXlkTable;

class TFqarn0106s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TFqarn0106s(QObject *owner = nullptr);

    TXQuery *qMain;
    TXQuery *qMovLotti;
    TXlkTable *lkArticoli;

    // The dialog's parameter record (DaData, A_Data, FlLotti, the grouping) and a copy of the
    // category selection, read by the handlers.
    void InitForm(TDataSet *parametri, const Dlgselmulti::TSelezioneMultipla &categorie);
    double TotaleSfuso = 0;
    double TotaleCalo = 0;
    double TotaleImbott = 0;
    int Pagina = 0;

protected:
    void EseguiStampaAghi() override;

private:
    QPointer<TDataSet> _Tpars;
    Dlgselmulti::TSelezioneMultipla categorie_;
};
