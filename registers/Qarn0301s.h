#pragma once
// The product catalogue: one full card a page (layout Qarn0301s) or two short cards a page
// (layout Qarn0301s_002), each with the product image when its file can be read.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class TFqarn0301s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TFqarn0301s(QObject *owner = nullptr);

    TXQuery *qMain;

    // The layout without its page header.
    void InitReport(const QString &layout = QString()) override;
};

class TFqarn0301s_002 : public TFqarn0301s {
    Q_OBJECT
public:
    explicit TFqarn0301s_002(QObject *owner = nullptr);
};
