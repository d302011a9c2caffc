#pragma once
// The protocol counters (menu code "QARN0802F"): the rows of LUMO_Protocolli, the last number
// issued per document kind, year and series.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0802f;
}

class TFqarn0802f : public TFDBChild {
    Q_OBJECT
public:
    explicit TFqarn0802f(QWidget *owner = nullptr);
    ~TFqarn0802f() override;

    TXTable *tMain;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;

private:
    Ui::Qarn0802f *ui;
};

inline QPointer<TFqarn0802f> Fqarn0802f;
