#pragma once
// The progressive cards ("Progressivi Cauzioni"): per account, destination and packaging code,
// delivered, returned (with the returns not yet linked to a document) and balance, and the
// excess quantities.
#include "host/report/TfKV8ReportB.h"

class TDataSet;
class TXQuery;

class Tfqarn0207s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0207s(QObject *owner = nullptr);

    // The dialog's account type (the title) and card kind (which returns count).
    void InitForm(const QString &idContoTp, int flTipoScheda);

    TXQuery *qMain;
    TXQuery *qResiPN;

private:
    void qMainCalcFields(TDataSet *d);
    double RecuperaResi(TDataSet *d);

    int flTipoScheda_ = 0;
};
