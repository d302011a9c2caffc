#include "frame/Lumo_dlgEspDb.h"

#include "ui_Lumo_dlgEspDb.h"

#include <QColor>

Tflumo_dlgEspDb::Tflumo_dlgEspDb(QWidget *owner) : TfdlgBase(owner), ui(new Ui::Lumo_dlgEspDb)
{
    SetupLayout(*ui);
    RadioGroup1 = ui->RadioGroup1;
    rbBot = ui->rbBot;
    rbCon = ui->rbCon;
    rbImb = ui->rbImb;
    SetClientSize(229, 209 - pBottoni->sizeHint().height());
    SetColor(QColor(0xC0, 0xDC, 0xC0)); // money green
    NascondiAnnulla();
}

Tflumo_dlgEspDb::~Tflumo_dlgEspDb()
{
    delete ui;
}

void Tflumo_dlgEspDb::FormCreate()
{
    TfdlgBase::FormCreate();
    UT_LMQ_ParEspDB.FlTipoCalc = 0;
}

void Tflumo_dlgEspDb::btOkClick()
{
    if (rbBot->isChecked())
        UT_LMQ_ParEspDB.FlTipoCalc = 0;
    else if (rbCon->isChecked())
        UT_LMQ_ParEspDB.FlTipoCalc = 1;
    else if (rbImb->isChecked())
        UT_LMQ_ParEspDB.FlTipoCalc = 2;
}
