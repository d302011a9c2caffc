#include "host/business/Sven0009d.h"

#include "ui_Sven0009d.h"

#include "host/business/Sven0002s.h"
#include "host/business/Sven0009s.h"
#include "host/core/Applvar.h"
#include "host/data/TField.h"
#include "host/data/TXMemTable.h"
#include "host/ui/Periodo.h"

#include <memory>

TFSven0009d::TFSven0009d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Sven0009d)
{
    SetupLayout(*ui);
    SetCaption(QStringLiteral("Stampa Fatture"));
    tPars->SetTableName(QStringLiteral("sven0009d"));
    tPars->SetUsaDizionario(true);
    chAccompagnatoria = ui->chAccompagnatoria;
    SetActiveControl(ui->edAnnoDa);
}

TFSven0009d::~TFSven0009d()
{
    delete ui;
}

// A first opening proposes the company's year.
void TFSven0009d::FormCreate()
{
    TFDBChildPars::FormCreate();
    for (const char *campo : {"AnnoDa", "AnnoA"})
        if (tPars->FieldByName(QLatin1String(campo))->IsNull())
            tPars->FieldByName(QLatin1String(campo))->SetAsInteger(CFG.Anno);
}

void TFSven0009d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (FSven0009d == this)
        FSven0009d = nullptr;
}

TSelezioneDocumenti TFSven0009d::Selezione() const
{
    const auto intero = [this](const char *c) { return tPars->FieldByName(QLatin1String(c))->AsInteger(); };
    const auto testo = [this](const char *c) { return tPars->FieldByName(QLatin1String(c))->AsString().trimmed(); };
    TSelezioneDocumenti s;
    s.AnnoDa = intero("AnnoDa");
    s.AnnoA = intero("AnnoA");
    // a series bound counts with its causal bound, as on the delivery notes
    s.SerieDa = testo("IdCausaleDa").isEmpty() ? -1 : intero("SerieDa");
    s.SerieA = testo("IdCausaleA").isEmpty() ? -1 : intero("SerieA");
    s.NumeroDa = intero("NumeroDa");
    s.NumeroA = intero("NumeroA");
    s.DataDa = tPars->FieldByName(QStringLiteral("DataDa"))->AsDateTime();
    s.DataA = tPars->FieldByName(QStringLiteral("DataA"))->AsDateTime();
    s.IdContoTp = QStringLiteral("CL");
    s.IdContoDa = testo("IdClienteDa");
    s.IdContoA = testo("IdClienteA");
    s.IdCausaleDa = testo("IdCausaleDa");
    s.IdCausaleA = testo("IdCausaleA");
    return s;
}

void TFSven0009d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    const TSelezioneDocumenti s = Selezione();
    if (!Funzioni::ControllaPeriodo(s.DataDa, s.DataA))
        return;
    std::unique_ptr<TfSVen0009s> stampa(TfSVen0009s::Crea(this));
    stampa->Accompagnatoria = chAccompagnatoria->isChecked();
    if (!stampa->InitForm(s)) {
        Kmessages::KMessage(
            QStringLiteral("Nessuna fattura da stampare con la selezione indicata: modificare i parametri."),
            mtInformation, mbOK);
        return;
    }
    stampa->EseguiStampa(true);
}
