#include "host/business/Sven0002d.h"

#include "ui_Sven0002d.h"

#include "host/business/Bbas0160s.h"
#include "host/business/Sven0002s.h"
#include "host/core/Applvar.h"
#include "host/core/KV8Config.h"
#include "host/data/TField.h"
#include "host/data/TXMemTable.h"
#include "host/ui/Periodo.h"

#include <memory>

int TFSven0002d::Intero(TDataSet *d, const char *campo)
{
    return d->FieldByName(QLatin1String(campo))->AsInteger();
}

QString TFSven0002d::Testo(TDataSet *d, const char *campo)
{
    return d->FieldByName(QLatin1String(campo))->AsString().trimmed();
}

QDateTime TFSven0002d::Data(TDataSet *d, const char *campo)
{
    return d->FieldByName(QLatin1String(campo))->AsDateTime();
}

TFSven0002d::TFSven0002d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Sven0002d)
{
    SetupLayout(*ui);
    SetCaption(QStringLiteral("Stampa DDT"));
    tPars->SetTableName(QStringLiteral("sven0002d"));
    tPars->SetUsaDizionario(true);
    edAnnotazioni = ui->edAnnotazioni;
    pnParametri = ui->pnParametri;
    lyParametri = ui->lyParametri;
    SetActiveControl(ui->edAnnoDa);
}

TFSven0002d::~TFSven0002d()
{
    delete ui;
}

// A first opening proposes the company's year.
void TFSven0002d::FormCreate()
{
    TFDBChildPars::FormCreate();
    for (const char *campo : {"AnnoDa", "AnnoA"})
        if (tPars->FieldByName(QLatin1String(campo))->IsNull())
            tPars->FieldByName(QLatin1String(campo))->SetAsInteger(CFG.Anno);
}

void TFSven0002d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (FSven0002d == this)
        FSven0002d = nullptr;
}

bool TFSven0002d::StampaAdAghi()
{
    return KV8Config::Value(QStringLiteral("FSBAS01"), QStringLiteral("TipoStampaDDT"), 0).toInt() == 2;
}

int TFSven0002d::SerieDa() const
{
    return Testo(tPars, "IdCausaleDa").isEmpty() ? -1 : Intero(tPars, "SerieDa");
}

int TFSven0002d::SerieA() const
{
    return Testo(tPars, "IdCausaleA").isEmpty() ? -1 : Intero(tPars, "SerieA");
}

void TFSven0002d::NienteDaStampare()
{
    Kmessages::KMessage(QStringLiteral("Nessun DDT da stampare con la selezione indicata: modificare i parametri."),
                        mtInformation, mbOK);
}

bool TFSven0002d::ControllaParametri()
{
    const auto invertito = [](int da, int a) { return da > 0 && a > 0 && da > a; };
    QString errore;
    if (invertito(Intero(tPars, "AnnoDa"), Intero(tPars, "AnnoA")))
        errore = QStringLiteral("L'anno iniziale supera quello finale: correggere l'intervallo.");
    else if (Intero(tPars, "AnnoDa") == Intero(tPars, "AnnoA")
             && invertito(Intero(tPars, "NumeroDa"), Intero(tPars, "NumeroA")))
        errore = QStringLiteral("Il numero iniziale supera quello finale: correggere l'intervallo.");
    else if (Funzioni::PeriodoInvertito(Data(tPars, "DataDa"), Data(tPars, "DataA")))
        errore = Funzioni::TestoPeriodoInvertito();
    if (errore.isEmpty())
        return true;
    Kmessages::KMessage(errore, mtError, mbOK);
    return false;
}

void TFSven0002d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    if (!ControllaParametri())
        return;
    std::unique_ptr<TfSven0002s> stampa(TfSven0002s::Crea(this));
    StampaBolle(*stampa);
}

QString TFSven0002d::Annotazioni() const
{
    return edAnnotazioni->text();
}

void TFSven0002d::StampaSeguito()
{
    const int tipoStampa = Intero(tPars, "FlTipoStampa");
    if (Intero(tPars, "FlArchiviazione") == 1 || tipoStampa == 1 || tipoStampa == 3)
        return;
    std::unique_ptr<TfBBas0160s> seguito(TfBBas0160s::Crea(this));
    if (seguito->InitForm(0, Intero(tPars, "AnnoDa"), SerieDa(), Intero(tPars, "NumeroDa"), Intero(tPars, "AnnoA"),
                          SerieA(), Intero(tPars, "NumeroA"), 0, Data(tPars, "DataDa"), Data(tPars, "DataA"),
                          Testo(tPars, "IdContoTp"), Testo(tPars, "IdClienteDa"), Testo(tPars, "IdClienteA"), 0, 0, 0,
                          0, Intero(tPars, "FlStBolleNoStampate") == 1))
        seguito->EseguiStampa(true);
}
