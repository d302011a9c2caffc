#pragma once
// The module's warehouse journal ("BMAG0001F"): the host's journal with the movement's tank
// (UT_LMQ_IdVasca, on LUMO_Vasche; shown while the bottling register is kept) and loss mark
// (UT_LMQ_FlMovCalo) on the row panel, and the units per package editable by FlQtaConf. The
// only window where these two movement columns are edited.
#include "host/business/Bmag0001f.h"

#include <QPointer>

class QCheckBox;
class TDBCodeEdit;
class TDBEdit;

class TFBMag0001f_p : public TFBMag0001f {
    Q_OBJECT
public:
    explicit TFBMag0001f_p(QWidget *owner = nullptr);

    TDBCodeEdit *edUT_LMQ_IdVasca = nullptr;
    QWidget *lbUT_LMQ_IdVasca = nullptr;
    QWidget *lbDsVasca = nullptr;
    QCheckBox *chUT_LMQ_FlMovCalo = nullptr;
    TDBEdit *edQuantita2 = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;

protected:
    // The host's checks, then every row's tank: empty, or one of LUMO_Vasche.
    bool ControlliRighe() override;
};

inline QPointer<TFBMag0001f_p> FBMag0001f_p;
