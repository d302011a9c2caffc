#include "documents/Sven0002d_p.h"

#include "ui_Sven0002d_p.h"

#include "documents/Sven0002s_p.h"
#include "frame/Dusaria.h"
#include "host/data/TDataSource.h"
#include "host/data/TField.h"
#include "host/data/TXMemTable.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBControls.h"

#include <QGridLayout>

#include <memory>

DUSARIA_FINESTRA(TFSven0002d_p, FSven0002d_p);

TFSven0002d_p::TFSven0002d_p(QWidget *owner) : TFSven0002d(owner)
{
    setObjectName(QStringLiteral("FSven0002d_p"));
    SetCaption(QStringLiteral("Stampa DDT (Dusaria)"));
    TPars_p = new TXMemTable(this);
    TPars_p->SetName(QStringLiteral("TPars_p"));
    TPars_p->SetTableName(QStringLiteral("sven0002d_p"));
    TPars_p->SetUsaDizionario(true);
    dsPars_p = new TDataSource(this);
    dsPars_p->SetName(QStringLiteral("dsPars_p"));
    dsPars_p->SetDataSet(TPars_p);
    QWidget contenitore;
    Ui::Sven0002d_p ui;
    ui.setupUi(&contenitore);
    lblUT_FlTipoReport = ui.lblUT_FlTipoReport;
    cbUT_FlTipoReport = ui.cbUT_FlTipoReport;
    // the kind of print on a row of the host's grid, under its labels and fields
    const int riga = lyParametri->rowCount();
    lyParametri->addWidget(lblUT_FlTipoReport, riga, 0);
    lyParametri->addWidget(cbUT_FlTipoReport, riga, 1);
    SetClientSize(ClientWidth(),
                  ClientHeight() + cbUT_FlTipoReport->sizeHint().height() + lyParametri->verticalSpacing());
}

void TFSven0002d_p::FormCreate()
{
    TFSven0002d::FormCreate();
    if (!TPars_p->Active())
        TPars_p->Open();
    if (TPars_p->IsEmpty()) {
        TPars_p->Append();
        TPars_p->FieldByName(QStringLiteral("FlTipoReport"))->SetAsInteger(0);
        TPars_p->Post();
    }
    TPars_p->First();
    TPars_p->Edit();
}

void TFSven0002d_p::FormClose(TCloseAction &action)
{
    TFSven0002d::FormClose(action);
    if (TPars_p->State() == dsEdit || TPars_p->State() == dsInsert)
        TPars_p->Post();
    if (FSven0002d_p == this)
        FSven0002d_p = nullptr;
}

// Replaces the host's sequence: the print chosen in FlTipoReport; each print freed on any exit.
void TFSven0002d_p::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    if (TPars_p->State() == dsEdit || TPars_p->State() == dsInsert)
        TPars_p->Post();
    TPars_p->Edit();
    if (!ControllaParametri())
        return;
    const int serieDa = SerieDa();
    const int serieA = SerieA();
    const bool noStampate = Intero(tPars, "FlStBolleNoStampate") == 1;
    const bool archiviazione = Intero(tPars, "FlArchiviazione") == 1;
    const int tipoStampa = Intero(tPars, "FlTipoStampa");

    if (Intero(TPars_p, "FlTipoReport") != 0) {
        std::unique_ptr<TfSven0002s_mvv> mvv(
            Kv8reportb::XGetReportClass(ClassRef::Of<TfSven0002s_mvv>()).CreateAs<TfSven0002s_mvv>(this));
        mvv->StampaSu.Aghi = false;
        if (!mvv->InitForm(Intero(tPars, "AnnoDa"), serieDa, Intero(tPars, "NumeroDa"), Intero(tPars, "AnnoA"), serieA,
                           Intero(tPars, "NumeroA"), Data(tPars, "DataDa"), Data(tPars, "DataA"),
                           Intero(tPars, "FlCopiaDest") == 1, Intero(tPars, "FlStLingua") == 1,
                           Testo(tPars, "IdTipoReport"), noStampate, Testo(tPars, "IdClienteDa"),
                           Testo(tPars, "IdClienteA"), Testo(tPars, "IdContoTp"), archiviazione, tipoStampa,
                           edAnnotazioni->text())) {
            NienteDaStampare();
            return;
        }
        mvv->EseguiStampa(true);
        return;
    }

    std::unique_ptr<TfSven0002s_p> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TfSven0002s_p>()).CreateAs<TfSven0002s_p>(this));
    StampaBolle(*stampa);
}
