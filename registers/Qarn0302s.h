#pragma once
// The wine list (layout Qarn0302s): the selected wines by country and region, each with its
// price on the chosen list at the day of the print, in the list's currency, before discounts.
#include "host/business/Funzionidoc.h"
#include "host/report/TfKV8ReportB.h"

#include <QPointer>

class TDataSet;
class TXQuery;

class TFqarn0302s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TFqarn0302s(QObject *owner = nullptr);

    TXQuery *qMain;

    // The layout without its page header.
    void InitReport(const QString &layout = QString()) override;

    // Keeps the dialog's parameter record for the print.
    void EseguiUI(TDataSet *parametri);

private:
    void LeggiPrezzi();

    QPointer<TDataSet> _Tpars;
    QHash<QString, Funzioni::TPrezzoListino> prezzi_;
};
