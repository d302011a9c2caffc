#include "registers/Qarn0102f.h"

#include "ui_Qarn0102f.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/DBGrid.h"

DUSARIA_FINESTRA(TFqarn0102f, Fqarn0102f);

TFqarn0102f::TFqarn0102f(QWidget *owner) : TFLumoProgressivi(owner), ui(new Ui::Qarn0102f)
{
    SetupLayout(*ui);
    PreparaTesta(QStringLiteral("LUMO_ProgRegCsT"), QStringLiteral("KProgRegT"), QStringLiteral("KProgRegT"),
                 QStringLiteral("Codice Raggruppamento non valido"));
    tMain->AddLookupField(QStringLiteral("_DsCatVin"), ftString, 50, DMILUMO->lkLUMO_CatVin, QStringLiteral("IdCatVin"),
                          QStringLiteral("IdCatVin"), QStringLiteral("DsCatVin"));

    PreparaDettaglio({QStringLiteral("TTDettaglio"), QStringLiteral("qDettaglio"), QStringLiteral("TRSDettaglio"),
                      QStringLiteral("DSDettaglio"), QStringLiteral("LUMO_t_ProgRegCsR"),
                      QStringLiteral("LUMO_ProgRegCsR"), QStringLiteral("KProgRegT;Anno"),
                      QStringLiteral("KProgRegT = -1"), QStringLiteral("KProgRegT;KProgRegR;Anno")},
                     QStringLiteral("Anno"), ui->pnRiga, ui->GrigliaDettaglio);
    bDettaglio->MessaggioDuplicato = [](TDataSet *riga) {
        return QStringLiteral("L'anno %1 è indicato più di una volta: togliere la riga in più.")
            .arg(riga->FieldByName(QStringLiteral("Anno"))->AsString());
    };

    ui->GrigliaDettaglio->AddColumn(QStringLiteral("Anno"), QString(), 140);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ProgCarico"), QString(), 140);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ProgScarico"), QString(), 140);
}

TFqarn0102f::~TFqarn0102f()
{
    delete ui;
}

void TFqarn0102f::FormClose(TCloseAction &action)
{
    TFLumoProgressivi::FormClose(action);
    if (Fqarn0102f == this)
        Fqarn0102f = nullptr;
}

void TFqarn0102f::FuocoCodiceTesta()
{
    SetActiveControl(ui->edIdRaggMag);
}

QString TFqarn0102f::MessaggioTestaDuplicata() const
{
    return QStringLiteral("Esistono già i progressivi del raggruppamento %1 per la categoria %2: modificare quelli.")
        .arg(tMain->FieldByName(QStringLiteral("IdRaggMag"))->AsString(),
             tMain->FieldByName(QStringLiteral("IdCatVin"))->AsString());
}
