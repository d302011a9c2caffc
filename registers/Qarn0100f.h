#pragma once
// The register progressives (menu code "QARN0100F"): one LUMO_ProgRegistri row at a time, per
// warehouse grouping and register code.
#include "host/ui/Dbchild.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0100f;
}

class TFqarn0100f : public TFDBChild {
    Q_OBJECT
public:
    explicit TFqarn0100f(QWidget *owner = nullptr);
    ~TFqarn0100f() override;

    TXTable *tMain;

    void FormClose(TCloseAction &action) override;

private:
    Ui::Qarn0100f *ui;
};

inline QPointer<TFqarn0100f> Fqarn0100f;
