#pragma once
// The list print of the warehouse causals: layouts "Bbas0047s" (synthetic), "_A" (analytic),
// "_D" (detailed, with the document causals that book through each causal) and "_P"
// (projects). qMain lists the causals; the caller sets its selection and order with
// ImpostaQuery.
#include "host/report/TfKV8ReportB.h"

class TXQuery;

class TfBBas0047s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TfBBas0047s(QObject *owner = nullptr);

    TXQuery *qMain = nullptr;      // the causals (alias C)
    TXQuery *qDocumenti = nullptr; // document causals of a warehouse causal (:IdCausale)
};
