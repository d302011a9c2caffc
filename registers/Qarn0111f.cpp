#include "registers/Qarn0111f.h"

#include "ui_Qarn0111f.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/DBGrid.h"

DUSARIA_FINESTRA(TFqarn0111f, Fqarn0111f);

TFqarn0111f::TFqarn0111f(QWidget *owner) : TFLumoProgressivi(owner), ui(new Ui::Qarn0111f)
{
    SetupLayout(*ui);
    PreparaTesta(QStringLiteral("LUMO_ProgRegCiT"), QStringLiteral("IdRaggMag;IdConIva;TipoProdotto"),
                 QStringLiteral("KProgRegT"), QStringLiteral("Codice raggruppamento non valido"));
    tMain->AddLookupField(QStringLiteral("_DsConIva"), ftString, 50, DMILUMO->lkLUMO_ConIva, QStringLiteral("IdConIva"),
                          QStringLiteral("IdConIva"), QStringLiteral("DsConIva"));

    PreparaDettaglio({QStringLiteral("TTDettaglio"), QStringLiteral("qDettaglio"), QStringLiteral("TRSDettaglio"),
                      QStringLiteral("DSDettaglio"), QStringLiteral("LUMO_t_ProgRegCiR"),
                      QStringLiteral("LUMO_ProgRegCiR"), QStringLiteral("KProgRegT;Anno"),
                      QStringLiteral("KProgRegT = -1"), QStringLiteral("KProgRegT;KProgRegR;Anno")},
                     QStringLiteral("Anno"), ui->pnRiga, ui->GrigliaDettaglio);
    bDettaglio->MessaggioDuplicato = [](TDataSet *riga) {
        return QStringLiteral("L'anno %1 è indicato più di una volta: togliere la riga in più.")
            .arg(riga->FieldByName(QStringLiteral("Anno"))->AsString());
    };

    ui->GrigliaDettaglio->AddColumn(QStringLiteral("Anno"), QStringLiteral("Anno"), 70);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ProgCarico"), QStringLiteral("Progressivo Carico"), 140);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ProgScarico"), QStringLiteral("Progressivo Scarico"), 140);
}

TFqarn0111f::~TFqarn0111f()
{
    delete ui;
}

void TFqarn0111f::FormCreate()
{
    TFLumoProgressivi::FormCreate();
    tMain->FieldByName(QStringLiteral("IdConIva"))->OnValidate = [this](TField *f) { tMainIdConIvaValidate(f); };
}

void TFqarn0111f::FormClose(TCloseAction &action)
{
    TFLumoProgressivi::FormClose(action);
    if (Fqarn0111f == this)
        Fqarn0111f = nullptr;
}

void TFqarn0111f::tMainIdConIvaValidate(TField *Sender)
{
    if (!DMILUMO->lkLUMO_ConIva->Locate(QStringLiteral("IdConIva"), Sender->AsString()))
        throw Exception(QStringLiteral("Codice Contrassegno non valido"));
}

void TFqarn0111f::FuocoCodiceTesta()
{
    SetActiveControl(ui->edIdRaggMag);
}

QString TFqarn0111f::MessaggioTestaDuplicata() const
{
    return QStringLiteral("Esistono già i progressivi del contrassegno %1, tipo prodotto %2, per il raggruppamento %3: "
                          "modificare quelli.")
        .arg(tMain->FieldByName(QStringLiteral("IdConIva"))->AsString(),
             tMain->FieldByName(QStringLiteral("TipoProdotto"))->AsString(),
             tMain->FieldByName(QStringLiteral("IdRaggMag"))->AsString());
}
