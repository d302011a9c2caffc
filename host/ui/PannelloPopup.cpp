#include "host/ui/PannelloPopup.h"

#include "host/data/TDataSource.h"
#include "host/ui/DBControls.h"

#include <QFormLayout>
#include <QTabWidget>
#include <QVBoxLayout>

TKPannelloPopup::TKPannelloPopup(QWidget *owner) : TfdlgBase(owner)
{
    auto *layout = new QVBoxLayout(ClientArea());
    Pagine = new QTabWidget(ClientArea());
    Pagine->setObjectName(QStringLiteral("Pagine"));
    layout->addWidget(Pagine, 1);
    DSPannello = new TDataSource(this);
    DSPannello->setObjectName(QStringLiteral("DSPannello"));
    DSPannello->SetAutoEdit(false);
    NascondiAnnulla();
    btOk->setText(QStringLiteral("&Chiudi"));
    SetClientSize(560, 380);
}

void TKPannelloPopup::SetDataSet(TDataSet *dataSet)
{
    DSPannello->SetDataSet(dataSet);
}

int TKPannelloPopup::AggiungiPagina(const QString &titolo, const QString &nome)
{
    auto *pagina = new QWidget(Pagine);
    pagina->setObjectName(nome);
    auto *form = new QFormLayout(pagina);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    return Pagine->addTab(pagina, titolo);
}

void TKPannelloPopup::AggiungiCampo(int pagina, const QString &etichetta, const QString &campo, bool memo)
{
    QWidget *pag = Pagine->widget(pagina);
    auto *form = static_cast<QFormLayout *>(pag->layout());
    QWidget *controllo;
    if (memo) {
        auto *m = new TDBMemo(pag);
        m->SetReadOnly(true);
        m->SetDataSource(DSPannello);
        m->SetDataField(campo);
        m->setMaximumHeight(70);
        controllo = m;
    } else {
        auto *e = new TDBEdit(pag);
        e->SetReadOnly(true);
        e->SetDataSource(DSPannello);
        e->SetDataField(campo);
        controllo = e;
    }
    controllo->setObjectName(QStringLiteral("ed") + campo);
    form->addRow(etichetta, controllo);
}

void TKPannelloPopup::FormShow()
{
    TfdlgBase::FormShow();
    Pagine->setCurrentIndex(0);
}

void TKPannelloPopup::FormKeyDown(int &key, TShiftState shift)
{
    if (key == Qt::Key_Escape || key == Qt::Key_F10) {
        key = 0;
        PressOk();
        return;
    }
    TfdlgBase::FormKeyDown(key, shift);
}
