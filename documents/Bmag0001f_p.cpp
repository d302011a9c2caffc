#include "documents/Bmag0001f_p.h"

#include "ui_Bmag0001f_p.h"

#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/data/TXClientTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/DBControls.h"
#include "host/ui/Kmessages.h"

#include <QGridLayout>

DUSARIA_FINESTRA(TFBMag0001f_p, FBMag0001f_p);

TFBMag0001f_p::TFBMag0001f_p(QWidget *owner) : TFBMag0001f(owner)
{
    setObjectName(QStringLiteral("FBMag0001f_p"));
    SetCaption(QStringLiteral("Prima Nota Magazzino (Dusaria)"));
    QWidget contenitore;
    Ui::Bmag0001f_p ui;
    ui.setupUi(&contenitore);
    edUT_LMQ_IdVasca = ui.edUT_LMQ_IdVasca;
    lbUT_LMQ_IdVasca = ui.lbUT_LMQ_IdVasca;
    lbDsVasca = ui.lbDsVasca;
    chUT_LMQ_FlMovCalo = ui.chUT_LMQ_FlMovCalo;
    edQuantita2 = ui.edQuantita2;
    lyRighe->addWidget(ui.pRigoModulo, lyRighe->rowCount(), 0, 1, lyRighe->columnCount());
}

void TFBMag0001f_p::FormCreate()
{
    TFBMag0001f::FormCreate();
    const bool vasca = UT_LMQ_Parametri.FlStaRegImb != 0;
    for (QWidget *w : {static_cast<QWidget *>(edUT_LMQ_IdVasca), lbUT_LMQ_IdVasca, lbDsVasca})
        w->setVisible(vasca);
    edQuantita2->SetReadOnly(UT_LMQ_Parametri.FlQtaConf != 1);
    // a row's controls: the units per package follow the parameter
    TMovimenti->AfterScroll = [this](TDataSet *) { edQuantita2->SetReadOnly(UT_LMQ_Parametri.FlQtaConf == 0); };
}

void TFBMag0001f_p::FormClose(TCloseAction &action)
{
    TFBMag0001f::FormClose(action);
    if (FBMag0001f_p == this)
        FBMag0001f_p = nullptr;
}

bool TFBMag0001f_p::ControlliRighe()
{
    if (!TFBMag0001f::ControlliRighe())
        return false;
    TXDatabase &db = DMIDataBases::Instance().Global();
    int rigo = 0;
    QString sconosciuta;
    TMovimenti->DisableControls();
    for (TMovimenti->First(); sconosciuta.isEmpty() && !TMovimenti->Eof(); TMovimenti->Next()) {
        ++rigo;
        const QString vasca = TMovimenti->FieldByName(QStringLiteral("UT_LMQ_IdVasca"))->AsString().trimmed();
        if (!vasca.isEmpty()
            && !db.ScalarValue(QStringLiteral("SELECT 1 FROM LUMO_Vasche WHERE IdVasca = ?"), {vasca}).isValid())
            sconosciuta = vasca;
    }
    TMovimenti->EnableControls();
    if (sconosciuta.isEmpty())
        return true;
    Kmessages::KMessage(QStringLiteral("Rigo %1: vasca <%2> inesistente: indicarne una valida o lasciarla vuota.")
                            .arg(rigo)
                            .arg(sconosciuta),
                        mtError, mbOK);
    return false;
}
