#include "registers/Qarn0104f.h"

#include "ui_Qarn0104f.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/DBGrid.h"

DUSARIA_FINESTRA(TFqarn0104f, Fqarn0104f);

TFqarn0104f::TFqarn0104f(QWidget *owner) : TFLumoProgressivi(owner), ui(new Ui::Qarn0104f)
{
    SetupLayout(*ui);
    PreparaTesta(QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("Anno;IdRaggMag;IdCatVin"),
                 QStringLiteral("KContaT"), QStringLiteral("Codice raggruppamento non valido"));
    tMain->AddLookupField(QStringLiteral("_DsCatVin"), ftString, 50, DMILUMO->lkLUMO_CatVin, QStringLiteral("IdCatVin"),
                          QStringLiteral("IdCatVin"), QStringLiteral("DsCatVin"));

    lkCausali = new TXlkTable(this);
    lkCausali->SetName(QStringLiteral("lkCausali"));
    lkCausali->SetTableName(QStringLiteral("CausaliMagaz"));

    PreparaDettaglio({QStringLiteral("TTDettaglio"), QStringLiteral("qDettaglio"), QStringLiteral("TRSDettaglio"),
                      QStringLiteral("DSDettaglio"), QStringLiteral("LUMO_t_PrBilDicGiaR"),
                      QStringLiteral("LUMO_PrBilDicGiaR"), QStringLiteral("KContaT;IdCausale"),
                      QStringLiteral("KContaT = -1"), QStringLiteral("KContaT;KContaR;IdCausale")},
                     QStringLiteral("IdCausale"), ui->pnRiga, ui->GrigliaDettaglio);
    bDettaglio->MessaggioDuplicato = [](TDataSet *riga) {
        return QStringLiteral("La causale %1 è indicata più di una volta: togliere la riga in più.")
            .arg(riga->FieldByName(QStringLiteral("IdCausale"))->AsString());
    };
    for (TDataSet *ds : {static_cast<TDataSet *>(qDettaglio), static_cast<TDataSet *>(TTDettaglio)})
        ds->AddLookupField(QStringLiteral("DsCausale"), ftString, 50, lkCausali, QStringLiteral("IdCausale"),
                           QStringLiteral("IdCausale"), QStringLiteral("DsCausale"));
    tMain->OnNewRecord = [](TDataSet *d) { d->FieldByName(QStringLiteral("Anno"))->SetAsInteger(CFG.Anno); };

    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdCausale"), QStringLiteral("Cod.Caus."), 80);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("DsCausale"), QStringLiteral("Descrizione"), 260);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("CaricoLitri"), QString(), 110);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ScaricoLitri"), QString(), 110);
}

TFqarn0104f::~TFqarn0104f()
{
    delete ui;
}

void TFqarn0104f::FormClose(TCloseAction &action)
{
    TFLumoProgressivi::FormClose(action);
    if (Fqarn0104f == this)
        Fqarn0104f = nullptr;
}

void TFqarn0104f::FuocoCodiceTesta()
{
    SetActiveControl(ui->edAnno);
}

QString TFqarn0104f::MessaggioTestaDuplicata() const
{
    return QStringLiteral(
               "Esiste già il bilancio dell'anno %1 per il raggruppamento %2 e la categoria %3: modificare quello.")
        .arg(tMain->FieldByName(QStringLiteral("Anno"))->AsString(),
             tMain->FieldByName(QStringLiteral("IdRaggMag"))->AsString(),
             tMain->FieldByName(QStringLiteral("IdCatVin"))->AsString());
}
