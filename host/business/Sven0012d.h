#pragma once
// The delivery-note list dialog (menu code "SVEN0012D"): the customer delivery notes of a
// period, causal and customer range, all or only those to invoice or invoiced (parameter
// record, memory table "sven0012d"), printed as a list (TfSVen0012s, layout "Sven0012s").
#include "host/report/TfKV8ReportB.h"
#include "host/ui/Dbchildpars.h"

#include <QPointer>

class TXQuery;
struct TSelezioneDocumenti;

namespace Ui {
class Sven0012d;
}

// The list print: one line per delivery note (qMain), the count and total at the end.
class TfSVen0012s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit TfSVen0012s(QObject *owner = nullptr);

    TXQuery *qMain;

    // Selects the notes; fatturati 0 all, 1 with rows still to invoice, 2 wholly invoiced.
    // True when there is anything to print.
    virtual bool InitForm(const TSelezioneDocumenti &selezione, int fatturati);
};

class TFSven0012d : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFSven0012d(QWidget *owner = nullptr);
    ~TFSven0012d() override;

    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;

private:
    Ui::Sven0012d *ui;
};

inline QPointer<TFSven0012d> FSven0012d;
