#include "engine/Lumo_dlgdocbacacq.h"

#include "ui_Lumo_dlgdocbacacq.h"

#include "engine/Lumo_dlgdocbac.h"

Tflumo_dlgDocBacAcq::Tflumo_dlgDocBacAcq(QWidget *owner) : TfdlgBase(owner), ui(new Ui::Lumo_dlgDocBacAcq)
{
    tPars = Lumo_dlgdocbac::CreaTabellaDati(this, [this](TField *f) { tParsIdImballoValidate(f); });
    DsMain = new TDataSource(this);
    DsMain->SetName(QStringLiteral("DsMain"));
    DsMain->SetDataSet(tPars);

    SetupLayout(*ui);
    edIdImballo1 = ui->edIdImballo1;
    edDsImballo1 = ui->edDsImballo1;
    edIdImballo2 = ui->edIdImballo2;
    edDsImballo2 = ui->edDsImballo2;
    SetClientSize(580, 120 - pBottoni->sizeHint().height());
    btOk->setText(QStringLiteral("&Ok"));
    NascondiAnnulla();
    QWidget::setTabOrder(edDsImballo2, btOk);
    PopupMenu1 = Lumo_dlgdocbac::CreaMenuF10(this, F101, [this] { F101Click(); });
}

Tflumo_dlgDocBacAcq::~Tflumo_dlgDocBacAcq()
{
    delete ui;
}

void Tflumo_dlgDocBacAcq::btOkClick()
{
    TfdlgBase::btOkClick();
    tPars->UpdateRecord();
}

void Tflumo_dlgDocBacAcq::F101Click()
{
    PressOk();
}

void Tflumo_dlgDocBacAcq::tParsIdImballoValidate(TField *Sender)
{
    if (!Caricamento)
        Lumo_dlgdocbac::ControllaImballo(Sender);
}

void Tflumo_dlgDocBacAcq::FormKeyDown(int &key, TShiftState shift)
{
    if (key == Qt::Key_F10 && shift == 0) {
        key = 0;
        F101Click();
        return;
    }
    TfdlgBase::FormKeyDown(key, shift);
}
