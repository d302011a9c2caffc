#pragma once
// Asks what the components of a kit are multiplied by when a document row is expanded into
// its bill of materials; the answer is left in UT_LMQ_ParEspDB (Lumo_parametri.h), which the
// caller reads after the dialog has closed.
#include "frame/Lumo_parametri.h"
#include "host/ui/Dlgbase.h"

namespace Ui {
class Lumo_dlgEspDb;
}

class QGroupBox;
class QRadioButton;

class Tflumo_dlgEspDb : public TfdlgBase {
    Q_OBJECT
public:
    explicit Tflumo_dlgEspDb(QWidget *owner = nullptr);
    ~Tflumo_dlgEspDb() override;

    QGroupBox *RadioGroup1;
    QRadioButton *rbBot; // 0 total quantity
    QRadioButton *rbCon; // 1 number of packages
    QRadioButton *rbImb; // 2 quantity per package

    // Resets UT_LMQ_ParEspDB.FlTipoCalc to 0.
    void FormCreate() override;
    // Stores the chosen button in UT_LMQ_ParEspDB.FlTipoCalc.
    void btOkClick() override;

private:
    Ui::Lumo_dlgEspDb *ui;
};
