#pragma once
// The excise parameters (menu code "QARN0400F"): the single row "1" of LUMO_ParAcc, the
// sender's fixed data printed on every excise accompanying document.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0400f;
}

class TFqarn0400f : public TFDBChild {
    Q_OBJECT
public:
    explicit TFqarn0400f(QWidget *owner = nullptr);
    ~TFqarn0400f() override;

    TXTable *tMain;

    // The row "1" is made at the first opening: the window shows no key.
    void FormCreate() override;
    void FormClose(TCloseAction &action) override;

private:
    Ui::Qarn0400f *ui;
};

inline QPointer<TFqarn0400f> Fqarn0400f;
