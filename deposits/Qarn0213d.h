#pragma once
// The deposit movements list and account statement ("Movimenti Cauzioni", menu code
// "QARN0213D"): the journal rows and the unlinked returns of one account type, a range of
// accounts and a period; the statement adds the balances per account and packaging code
// before the period, in it and in total.
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class TDataSet;
class TXMemTable;
class TXQuery;

namespace Ui {
class Qarn0213d;
}

class TFqarn0213d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFqarn0213d(QWidget *owner = nullptr);
    ~TFqarn0213d() override;

    TXQuery *qSaldi;
    TXQuery *qSaldiResi;
    TXMemTable *cdsSaldi;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

    // The selection of the parameters (type, period, accounts), the last " AND " cut.
    QString Selezione() const;
    void PreparaSaldi();

private:
    Ui::Qarn0213d *ui;
};

inline QPointer<TFqarn0213d> Fqarn0213d;
