#include "masterdata/QarnViewTipologieomaggi.h"

#include "ui_QarnViewTipologieomaggi.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXTable.h"
#include "masterdata/Lumo_TabelleCodici.h"

TFQarnViewTipologieOmaggi::TFQarnViewTipologieOmaggi(QWidget *owner)
    : TFDBChild(owner), ui(new Ui::QarnViewTipologieomaggi)
{
    SetupLayout(*ui);
    tMain = CreaTabellaCodici(this, QStringLiteral("LUMO_TipologieOmaggiArt"), QStringLiteral("IdTipologia"), {});
    tMain->AddLookupField(QStringLiteral("RagioneSociale"), ftString, 50, TDMIBase::Crea()->lkConti,
                          QStringLiteral("IdConto"), QStringLiteral("IdConto"), QStringLiteral("RagioneSociale"));
    tMain->BeforePost = [this](TDataSet *d) { tMainBeforePost(d); };
    SetActiveControl(ui->edIdTipologia);
}

TFQarnViewTipologieOmaggi::~TFQarnViewTipologieOmaggi()
{
    delete ui;
}

void TFQarnViewTipologieOmaggi::FormCreate()
{
    TFDBChild::FormCreate();
    tMain->FieldByName(QStringLiteral("IdConto"))->OnValidate = [this](TField *f) { tMainIdContoValidate(f); };
}

void TFQarnViewTipologieOmaggi::FormClose(TCloseAction &action)
{
    TFDBChild::FormClose(action);
    if (FQarnViewTipologieOmaggi == this)
        FQarnViewTipologieOmaggi = nullptr;
}

void TFQarnViewTipologieOmaggi::tMainIdContoValidate(TField *Sender)
{
    TXlkTable *conti = TDMIBase::Crea()->lkConti;
    // the lookup is read again when due, and once more when it misses the code: an account
    // created since it was read is found
    if (!Sender->AsString().trimmed().isEmpty())
        TDMIBase::Posiziona(conti, QStringLiteral("IdConto"), {Sender->Value()});
    if (!Funzioni::TestCodice(conti, Sender, false, QString(), QDateTime(), false))
        throw Exception(QStringLiteral("Codice conto non valido o non impostato"));
}

void TFQarnViewTipologieOmaggi::tMainBeforePost(TDataSet *DataSet)
{
    ControllaCodiceTabella(tMain);
    // the accounts as stored now: one another user removed is not accepted
    TDMIBase::Crea()->Rileggi(QStringLiteral("PianoConti"));
    tMainIdContoValidate(DataSet->FieldByName(QStringLiteral("IdConto")));
}

DUSARIA_FINESTRA(TFQarnViewTipologieOmaggi, FQarnViewTipologieOmaggi);
