#pragma once
// The article master print (layout Qarn0500s, "Anagrafica Articoli - Dati Dusaria"): five
// lines per article with its wine category, stamp, bottle, packagings and markers.
#include "host/report/TfKV8ReportB.h"

class TXQuery;
class TXlkTable;

class TFqarn0500s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TFqarn0500s(QObject *owner = nullptr);

    TXQuery *qMain;
    TXlkTable *lkImballi;
};
