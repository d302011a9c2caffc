#include "engine/Lumo_dlgdocbac.h"

#include "ui_Lumo_dlgdocbac.h"

#include "frame/Dmilumo.h"
#include "host/business/Dmibase.h"
#include "host/data/DatasetFunctions.h"

#include <QAction>
#include <QMenu>

namespace Lumo_dlgdocbac {

TXMemTable *CreaTabellaDati(QObject *owner, const std::function<void(TField *)> &valida)
{
    TDMIBase *base = TDMIBase::Crea();
    auto *t = new TXMemTable(owner);
    t->SetName(QStringLiteral("tPars"));
    t->SetTableName(QStringLiteral("LUMO_DlgDoc"));
    t->SetKeepRecords(false);
    t->AddField(QStringLiteral("NumDoco"), ftString, 10);
    t->AddField(QStringLiteral("DataDoc"), ftDateTime);
    TField *imballo1 = t->AddField(QStringLiteral("IdImballo1"), ftString, 3);
    TField *imballo2 = t->AddField(QStringLiteral("IdImballo2"), ftString, 3);
    TField *prezzo = t->AddField(QStringLiteral("PrezzoTra"), ftFloat);
    prezzo->SetDisplayFormat(QStringLiteral("#,##0.000"));
    prezzo->SetEditFormat(QStringLiteral("0.000"));
    t->AddField(QStringLiteral("IdBottiglia"), ftString, 5);
    t->AddField(QStringLiteral("Capacita"), ftFloat);
    // the descriptions as long as their tables hold them
    t->AddLookupField(QStringLiteral("_UT_DsBottiglia"), ftString, 50, DMILUMO->lkLUMO_Bottiglie,
                      QStringLiteral("IdBottiglia"), QStringLiteral("IdBottiglia"), QStringLiteral("DsBottiglia"));
    t->AddLookupField(QStringLiteral("_DsImballo1"), ftString, 50, base->lkImballi, QStringLiteral("IdImballo1"),
                      QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));
    t->AddLookupField(QStringLiteral("_DsImballo2"), ftString, 50, base->lkImballi, QStringLiteral("IdImballo2"),
                      QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));
    imballo1->OnValidate = valida;
    imballo2->OnValidate = valida;
    Funzioni::CheckTabOpen(DMILUMO->lkLUMO_Bottiglie);
    Funzioni::CheckTabOpen(base->lkImballi);
    return t;
}

void ControllaImballo(TField *Campo)
{
    const QString codice = Campo->AsString();
    if (codice.isEmpty())
        return;
    if (!TDMIBase::Posiziona(TDMIBase::Crea()->lkImballi, QStringLiteral("IdImballo"), {codice}))
        throw Exception(QStringLiteral("Codice imballo non valido"));
}

QMenu *CreaMenuF10(TfdlgBase *dialogo, QAction *&voce, const std::function<void()> &click)
{
    auto *menu = new QMenu(dialogo);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    voce = menu->addAction(QStringLiteral("F10"));
    voce->setObjectName(QStringLiteral("F101"));
    voce->setShortcut(QKeySequence(Qt::Key_F10));
    // the key itself reaches the dialog's FormKeyDown; the shortcut only serves the open menu
    voce->setShortcutContext(Qt::WidgetShortcut);
    QObject::connect(voce, &QAction::triggered, dialogo, [click] { TForm::Guard(click); });
    dialogo->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(dialogo, &QWidget::customContextMenuRequested, menu,
                     [dialogo, menu](const QPoint &pos) { menu->popup(dialogo->mapToGlobal(pos)); });
    return menu;
}

} // namespace Lumo_dlgdocbac

Tflumo_dlgDocBac::Tflumo_dlgDocBac(QWidget *owner) : TfdlgBase(owner), ui(new Ui::Lumo_dlgDocBac)
{
    tPars = Lumo_dlgdocbac::CreaTabellaDati(this, [this](TField *f) { tParsIdImballoValidate(f); });
    DsMain = new TDataSource(this);
    DsMain->SetName(QStringLiteral("DsMain"));
    DsMain->SetDataSet(tPars);

    SetupLayout(*ui);
    edNumDoco = ui->edNumDoco;
    edDataDoc = ui->edDataDoc;
    edIdImballo1 = ui->edIdImballo1;
    edDsImballo1 = ui->edDsImballo1;
    edIdImballo2 = ui->edIdImballo2;
    edDsImballo2 = ui->edDsImballo2;
    edPrezzoTra = ui->edPrezzoTra;
    edIdBottiglia = ui->edIdBottiglia;
    edDsBottiglia = ui->edDsBottiglia;
    edCapacita = ui->edCapacita;
    SetClientSize(600, 262 - pBottoni->sizeHint().height());
    btOk->setText(QStringLiteral("&Ok"));
    NascondiAnnulla();
    QWidget::setTabOrder(edCapacita, btOk);
    PopupMenu1 = Lumo_dlgdocbac::CreaMenuF10(this, F101, [this] { F101Click(); });
}

Tflumo_dlgDocBac::~Tflumo_dlgDocBac()
{
    delete ui;
}

void Tflumo_dlgDocBac::btOkClick()
{
    TfdlgBase::btOkClick();
    tPars->UpdateRecord();
}

void Tflumo_dlgDocBac::F101Click()
{
    PressOk();
}

void Tflumo_dlgDocBac::tParsIdImballoValidate(TField *Sender)
{
    if (!Caricamento)
        Lumo_dlgdocbac::ControllaImballo(Sender);
}

void Tflumo_dlgDocBac::FormKeyDown(int &key, TShiftState shift)
{
    if (key == Qt::Key_F10 && shift == 0) {
        key = 0;
        F101Click();
        return;
    }
    TfdlgBase::FormKeyDown(key, shift);
}
