#include "masterdata/Bbas0055f_p.h"

#include "ui_Bbas0055f_p.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/data/DatasetFunctions.h"
#include "masterdata/Lumo_anagrafiche.h"

#include <QLabel>

using namespace Lumo_anagrafiche;

TFbbas0055f_p::TFbbas0055f_p(QWidget *owner) : TFbbas0055f(owner)
{
    QWidget contenitore;
    Ui::Bbas0055f_p ui;
    ui.setupUi(&contenitore);
    tsDatiVini = ui.tsDatiVini;
    tsSchedaVino1 = ui.tsSchedaVino1;
    tsSchedaVino2 = ui.tsSchedaVino2;
    tsSchedaVino3 = ui.tsSchedaVino3;
    cbUT_LMQ_FlTipArt = ui.cbUT_LMQ_FlTipArt;
    cbUT_LMQ_TipoAcc = ui.cbUT_LMQ_TipoAcc;
    chUT_LMQ_FlAbilSchedaPro = ui.chUT_LMQ_FlAbilSchedaPro;
    AccodaPagine(this, ui.pcPagine);

    // the descriptions beside the codes, from the lookups that check them
    TDMILUMO *dm = TDMILUMO::Crea();
    TDMIBase *base = TDMIBase::Crea();
    struct TDescrizione {
        const char *campo;
        int dimensione;
        TXlkTable *lookup;
        const char *codice;
        const char *chiave;
        const char *descrizione;
    };
    const TDescrizione descrizioni[] = {
        {"DsConIva", 50, dm->lkLUMO_ConIva, "UT_LMQ_IdConIva", "IdConIva", "DsConIva"},
        {"DsCatVin", 50, dm->lkLUMO_CatVin, "UT_LMQ_IdCatVin", "IdCatVin", "DsCatVin"},
        {"DsSpecifica", 50, dm->lkLUMO_Specifica, "UT_LMQ_IdSpecifica", "IdSpecifica", "DsSpecifica"},
        {"DsBottiglia", 50, dm->lkLUMO_Bottiglie, "UT_LMQ_IdBottiglia", "IdBottiglia", "DsBottiglia"},
        {"DsNatura", 50, dm->lkLUMO_Natura, "UT_LMQ_IdNatura", "IdNatura", "DsNatura"},
        {"DsColore", 50, dm->lkLUMO_Colori, "UT_LMQ_IdColore", "IdColore", "DsColore"},
        {"DsTipologia", 60, dm->lkLUMO_Tipologie, "UT_LMQ_IdTipologia", "IdTipologia", "DsTipologia"},
        {"DsZonaProd", 80, dm->lkLUMO_ZonaProd, "UT_LMQ_IdZonaProd", "IdZonaProd", "DsZonaProd"},
        {"DsRegione", 50, dm->lkLUMO_Regioni, "UT_LMQ_IdRegione", "IdRegione", "DsRegione"},
        {"DsTipologiaOmaggi", 50, dm->lkLUMO_TipologieOmaggi, "UT_LMQ_IdTipologiaOmaggi", "IdTipologia", "DsTipologia"},
        {"DsImballo", 50, base->lkImballi, "IdImballo", "IdImballo", "DsImballo"},
        {"DsImballo2", 50, base->lkImballi, "UT_LMQ_IdImballo2", "IdImballo", "DsImballo"},
        {"DsNazione", 50, base->lkNazioni, "UT_LMQ_IdNazione", "IdNazione", "DsNazione"},
    };
    for (const TDescrizione &d : descrizioni) {
        Funzioni::CheckTabOpen(d.lookup);
        TArticoli->AddLookupField(QLatin1String(d.campo), ftString, d.dimensione, d.lookup, QLatin1String(d.codice),
                                  QLatin1String(d.chiave), QLatin1String(d.descrizione));
    }
}

void TFbbas0055f_p::FormCreate()
{
    TFbbas0055f::FormCreate();
    Intitola(this);
    lbFlTipoMisure->setText(QStringLiteral("N. quantità prodotto:"));

    using TValidatore = void (TFbbas0055f_p::*)(TField *);
    const std::pair<const char *, TValidatore> validatori[] = {
        {"UT_LMQ_IdConIva", &TFbbas0055f_p::TArticoliUT_LMQ_IdConIvaValidate},
        {"UT_LMQ_IdCatVin", &TFbbas0055f_p::TArticoliUT_LMQ_IdCatVinValidate},
        {"UT_LMQ_IdSpecifica", &TFbbas0055f_p::TArticoliUT_LMQ_IdSpecificaValidate},
        {"UT_LMQ_IdBottiglia", &TFbbas0055f_p::TArticoliUT_LMQ_IdBottigliaValidate},
        {"UT_LMQ_IdNatura", &TFbbas0055f_p::TArticoliUT_LMQ_IdNaturaValidate},
        {"UT_LMQ_IdColore", &TFbbas0055f_p::TArticoliUT_LMQ_IdColoreValidate},
        {"UT_LMQ_IdImballo2", &TFbbas0055f_p::TArticoliUT_LMQ_IdImballo2Validate},
        {"UT_LMQ_IdRegione", &TFbbas0055f_p::TArticoliUT_LMQ_IdRegioneValidate},
        {"UT_LMQ_IdNazione", &TFbbas0055f_p::TArticoliUT_LMQ_IdNazioneValidate},
        {"UT_LMQ_IdZonaProd", &TFbbas0055f_p::TArticoliUT_LMQ_IdZonaProdValidate},
        {"UT_LMQ_IdTipologiaOmaggi", &TFbbas0055f_p::TArticoliUT_LMQ_IdTipologiaOmaggiValidate},
        {"UT_LMQ_IdTipologia", &TFbbas0055f_p::TArticoliUT_LMQ_IdTipologiaValidate},
    };
    for (const auto &[colonna, passo] : validatori) {
        const auto validatore = passo;
        TArticoli->FieldByName(QLatin1String(colonna))->OnValidate = [this, validatore](TField *f) {
            (this->*validatore)(f);
        };
    }

    if (UT_LMQ_Parametri.FlAbilSchedaPro == 0) {
        for (QWidget *pagina : {tsSchedaVino1, tsSchedaVino2, tsSchedaVino3})
            PageControl->SetTabVisible(pagina, false);
        chUT_LMQ_FlAbilSchedaPro->setEnabled(false);
    }
    if (UT_LMQ_Parametri.FlAbilAccisa == 0)
        cbUT_LMQ_TipoAcc->setEnabled(false);
    MostraDatiVini();
}

bool TFbbas0055f_p::InitForm()
{
    if (!TFbbas0055f::InitForm())
        return false;
    MostraDatiVini(); // the host's InitForm shows its list
    return true;
}

void TFbbas0055f_p::MostraDatiVini()
{
    PageControl->SetActivePage(tsDatiVini);
    SetActiveControl(cbUT_LMQ_FlTipArt);
}

void TFbbas0055f_p::FormClose(TCloseAction &action)
{
    TFbbas0055f::FormClose(action);
    if (Fbbas0055f_p == this)
        Fbbas0055f_p = nullptr;
}

void TFbbas0055f_p::DSMainDataChange(TDataSource *source, TField *field)
{
    TFbbas0055f::DSMainDataChange(source, field);
    MostraDescrizioni(this, field);
}

void TFbbas0055f_p::TArticoliBeforePost(TDataSet *DataSet)
{
    TFbbas0055f::TArticoliBeforePost(DataSet);
    if (UT_LMQ_Parametri.FlAbilAccisa == 0)
        DataSet->FieldByName(QStringLiteral("UT_LMQ_TipoAcc"))->SetAsInteger(0);
    if (UT_LMQ_Parametri.FlAbilSchedaPro == 0)
        DataSet->FieldByName(QStringLiteral("UT_LMQ_FlAbilSchedaPro"))->SetAsInteger(0);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdConIvaValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_ConIva, QStringLiteral("IdConIva"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdCatVinValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_CatVin, QStringLiteral("IdCatVin"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdSpecificaValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_Specifica, QStringLiteral("IdSpecifica"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdBottigliaValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_Bottiglie, QStringLiteral("IdBottiglia"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdNaturaValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_Natura, QStringLiteral("IdNatura"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdColoreValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_Colori, QStringLiteral("IdColore"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdImballo2Validate(TField *Sender)
{
    VerificaCodice(DMIBase->lkImballi, QStringLiteral("IdImballo"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdRegioneValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_Regioni, QStringLiteral("IdRegione"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdNazioneValidate(TField *Sender)
{
    VerificaCodice(DMIBase->lkNazioni, QStringLiteral("IdNazione"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdZonaProdValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_ZonaProd, QStringLiteral("IdZonaProd"), Sender);
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdTipologiaOmaggiValidate(TField *Sender)
{
    // the host's code check; a typology added since the lookup was read is looked for again
    TXlkTable *tipologie = DMILUMO->lkLUMO_TipologieOmaggi;
    const auto trovato = [&] {
        return Funzioni::TestCodice(tipologie, Sender, true, QStringLiteral("IdTipologia"), QDateTime(), false);
    };
    if (trovato())
        return;
    tipologie->Close();
    if (!trovato())
        throw Exception(QStringLiteral("Codice non trovato !"));
}

void TFbbas0055f_p::TArticoliUT_LMQ_IdTipologiaValidate(TField *Sender)
{
    VerificaCodice(DMILUMO->lkLUMO_Tipologie, QStringLiteral("IdTipologia"), Sender);
}

DUSARIA_FINESTRA(TFbbas0055f_p, Fbbas0055f_p);
