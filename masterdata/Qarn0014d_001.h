#pragma once
// The analysis of the transport price lists (menu code "QARN0014D_001"): the reference rows
// and the article rows of every list that match a carrier, zone, customer, destination,
// category, article or validity, shown in two grids on the results page.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class KDBGriglia;
class TDataSet;
class TXQuery;

namespace Ui {
class Qarn0014d_001;
}

class TFqarn0014d_001 : public TFDBChildParsPage {
    Q_OBJECT
public:
    explicit TFqarn0014d_001(QWidget *owner = nullptr);
    ~TFqarn0014d_001() override;

    TXQuery *qListTraT; // reference rows with their list
    TXQuery *qListTraR; // article rows with their list
    TDataSource *DSListTraR;
    KDBGriglia *gListTraR;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    virtual void qListTraTCalcFields(TDataSet *DataSet);
    virtual void qListTraRCalcFields(TDataSet *DataSet);

private:
    // Rewrites the query's WHERE line with the conditions (each value quoted) and opens it.
    void Cerca(TXQuery *query, const QStringList &condizioni, const QString &tutte);

    Ui::Qarn0014d_001 *ui;
};

inline QPointer<TFqarn0014d_001> Fqarn0014d_001;
