#pragma once
// The product-card list (layout Qarn0300s, "Elenco Prodotti - Schede Tecniche"): one line per
// selected article.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class TFqarn0300s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TFqarn0300s(QObject *owner = nullptr);

    TXQuery *qMain;
};
