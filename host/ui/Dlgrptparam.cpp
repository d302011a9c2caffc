#include "host/ui/Dlgrptparam.h"

#include "ui_TfdlgRptParam.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <memory>

namespace Dlgrptparam {

void InitRPTParams(TRPTParams &params)
{
    params = TRPTParams();
    params.Layouts = QStringLiteral("Standard");
}

QString TestoOrdine(const TRPTParams &params)
{
    const QString column =
        params.TipoOrdine == 1 && !params.CampoDescrizione.isEmpty() ? params.CampoDescrizione : params.CampoChiave;
    if (column.isEmpty())
        return QString();
    return params.Alias.isEmpty() ? column : params.Alias + QLatin1Char('.') + column;
}

bool GetRPTParams(QWidget *owner, TRPTParams &params)
{
    const ClassRef cls = Dlgbase::XGetDialogClass(ClassRef::Of<TfdlgRptParam>());
    std::unique_ptr<TfdlgRptParam> dialog(cls.CreateAs<TfdlgRptParam>(owner));
    dialog->Params = params;
    dialog->DoCreate();
    if (dialog->ShowModal() != mrOk)
        return false;
    params = dialog->Params;
    return true;
}

} // namespace Dlgrptparam

TfdlgRptParam::TfdlgRptParam(QWidget *owner) : TfdlgBase(owner)
{
    Ui::TfdlgRptParam ui;
    SetupLayout(ui);
    edDaCodice = ui.edDaCodice;
    edACodice = ui.edACodice;
    cbLayout = ui.cbLayout;
    rbCodice = ui.rbCodice;
    rbDescrizione = ui.rbDescrizione;
    btOk->setText(QStringLiteral("&Stampa"));
}

void TfdlgRptParam::FormShow()
{
    TfdlgBase::FormShow();
    if (!Params.Titolo.isEmpty())
        setWindowTitle(Params.Titolo);
    edDaCodice->setText(Params.DaCodice);
    edACodice->setText(Params.ACodice);
    cbLayout->clear();
    cbLayout->addItems(Params.Layouts.split(QLatin1Char(';'), Qt::SkipEmptyParts));
    cbLayout->setCurrentIndex(std::clamp(Params.Layout, 0, std::max(0, cbLayout->count() - 1)));
    rbDescrizione->setEnabled(!Params.CampoDescrizione.isEmpty());
    (Params.TipoOrdine == 1 && !Params.CampoDescrizione.isEmpty() ? rbDescrizione : rbCodice)->setChecked(true);
}

void TfdlgRptParam::btOkClick()
{
    Params.DaCodice = edDaCodice->text().trimmed();
    Params.ACodice = edACodice->text().trimmed();
    if (!Params.DaCodice.isEmpty() && !Params.ACodice.isEmpty() && Params.DaCodice > Params.ACodice)
        throw Exception(QStringLiteral("Il codice iniziale supera quello finale"));
    Params.Layout = cbLayout->currentIndex() < 0 ? 0 : cbLayout->currentIndex();
    Params.TipoOrdine = rbDescrizione->isChecked() ? 1 : 0;
    Params.Ordine = Dlgrptparam::TestoOrdine(Params);
}
