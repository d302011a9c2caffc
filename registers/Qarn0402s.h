#pragma once
// The excise document print (layout Qarn0402s): each D.A.A. on pages of its own, the numbered
// boxes of its head, its rows and its foot; on a dot-matrix printer, per D.A.A. its rows, its
// foot and a form feed.
#include "host/report/TfKV8ReportB.h"

class TXlkTable;
class TXQuery;

class Tfqarn0402s : public TfKV8ReportB_Docs {
    Q_OBJECT
public:
    explicit Tfqarn0402s(QObject *owner = nullptr);

    // The heads (LumoAccisa::SqlTesteStampa) and the rows of the head in hand.
    TXQuery *qMain;
    TXQuery *qRighe;
    TXlkTable *lkSpedizionieri;

protected:
    void EseguiStampaAghi() override;

private:
    QStringList ditta_; // the company's name, address, postcode, city, VAT number, phone
};
