#include "host/business/Fbbas0051f.h"

#include "ui_Fbbas0051f.h"

#include "host/ui/DBGrid.h"

TFBbas0051f::TFBbas0051f(QWidget *owner)
    : TFBBasConti(QStringLiteral("CL"), QStringLiteral("Clienti"), owner), ui(new Ui::Fbbas0051f)
{
    SetupLayout(*ui);
    tsAnagrafica = ui->tsAnagrafica;
    tsCommerciale = ui->tsCommerciale;
    tsAmministrazione = ui->tsAmministrazione;
    tsNote = ui->tsNote;
    ImpostaPagine(ui->pcPagine);

    GrigliaMain->AddColumn(QStringLiteral("IdConto"), QStringLiteral("Codice"), 80);
    GrigliaMain->AddColumn(QStringLiteral("RagioneSociale"), QStringLiteral("Ragione sociale"), 280);
    GrigliaMain->AddColumn(QStringLiteral("Localita"), QStringLiteral("Località"), 150);
    GrigliaMain->AddColumn(QStringLiteral("IdProvincia"), QStringLiteral("Prov."), 40);
    GrigliaMain->AddColumn(QStringLiteral("PartitaIVA"), QStringLiteral("Partita IVA"), 110);
    GrigliaMain->AddColumn(QStringLiteral("Telefono1"), QStringLiteral("Telefono"), 130);
}

TFBbas0051f::~TFBbas0051f()
{
    delete ui;
}

void TFBbas0051f::FormClose(TCloseAction &action)
{
    TFBBasConti::FormClose(action);
    if (FBbas0051f == this)
        FBbas0051f = nullptr;
}
