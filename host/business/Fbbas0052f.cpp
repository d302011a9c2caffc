#include "host/business/Fbbas0052f.h"

#include "ui_Fbbas0052f.h"

#include "host/ui/DBGrid.h"

TFBbas0052f::TFBbas0052f(QWidget *owner)
    : TFBBasConti(QStringLiteral("FO"), QStringLiteral("Fornitori"), owner), ui(new Ui::Fbbas0052f)
{
    SetupLayout(*ui);
    tsAnagrafica = ui->tsAnagrafica;
    tsCommerciale = ui->tsCommerciale;
    tsNote = ui->tsNote;
    ImpostaPagine(ui->pcPagine);

    GrigliaMain->AddColumn(QStringLiteral("IdConto"), QStringLiteral("Codice"), 80);
    GrigliaMain->AddColumn(QStringLiteral("RagioneSociale"), QStringLiteral("Ragione sociale"), 280);
    GrigliaMain->AddColumn(QStringLiteral("Localita"), QStringLiteral("Località"), 150);
    GrigliaMain->AddColumn(QStringLiteral("IdProvincia"), QStringLiteral("Prov."), 40);
    GrigliaMain->AddColumn(QStringLiteral("PartitaIVA"), QStringLiteral("Partita IVA"), 110);
    GrigliaMain->AddColumn(QStringLiteral("Telefono1"), QStringLiteral("Telefono"), 130);
}

TFBbas0052f::~TFBbas0052f()
{
    delete ui;
}

void TFBbas0052f::FormClose(TCloseAction &action)
{
    TFBBasConti::FormClose(action);
    if (FBbas0052f == this)
        FBbas0052f = nullptr;
}
