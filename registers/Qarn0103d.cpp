#include "registers/Qarn0103d.h"

#include "ui_Qarn0103d.h"

#include "frame/Dmilumo_reg.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/core/Errors.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0103s.h"

#include <QMap>
#include <QScopeGuard>

#include <memory>

TFqarn0103d::TFqarn0103d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0103d)
{
    UT_LMQ_RG_RecordDialogo(tPars, QStringLiteral("LUMO_ProRegCs"));
    TTAnaCsTot = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_AnaCsTot"));
    TTAnaCsTot->SetIndexFieldNames(QStringLiteral("IdRaggMag;IdCatVin"));
    DSRisultati->SetDataSet(TTAnaCsTot);

    gRisultati->AddColumn(QStringLiteral("IdCatVin"), QStringLiteral("Cod.Cat."), 70);
    gRisultati->AddColumn(QStringLiteral("DsCatVin"), QStringLiteral("Descrizione"), 220);
    gRisultati->AddColumn(QStringLiteral("EsistenzaIni"), QStringLiteral("Esist.Iniziale"), 110);
    gRisultati->AddColumn(QStringLiteral("CaricoPeriodo"), QStringLiteral("Carico"), 110);
    gRisultati->AddColumn(QStringLiteral("ScaricoPeriodo"), QStringLiteral("Scarico"), 110);
    gRisultati->AddColumn(QStringLiteral("EsistenzaFin"), QStringLiteral("Esist.Finale"), 110);
    // Bold rows, red on even record numbers and blue on odd ones.
    gRisultati->OnDrawColumnCell = [](KDBGriglia *, const TGridRow &riga, const TColumn &, TField *,
                                      TCellStyle &stile) {
        stile.Bold = true;
        stile.Foreground = (riga.Row() + 1) % 2 == 0 ? QColor(Qt::red) : QColor(Qt::blue);
    };
    ui->cbFlTipoRic->OnChange = [this](TDBComboBox *) { AbilitaDataFinale(); };
    SetActiveControl(ui->edIdRaggMag);
}

TFqarn0103d::~TFqarn0103d() = default;

void TFqarn0103d::FormCreate()
{
    TFDBChildParsPage::FormCreate();
    _TipoRegistro = QStringLiteral("CASC");
    SetPagina(0);
    TField *tipo = tPars->FieldByName(QStringLiteral("FlTipoRic"));
    if (tipo->IsNull())
        tipo->SetAsInteger(0);
    tipo->OnChange = [this](TField *) { AbilitaDataFinale(); };
    tPars->FieldByName(QStringLiteral("IdRaggMag"))->OnValidate = [this](TField *f) { IdRaggMagValidate(f); };
    AbilitaDataFinale();
    Funzioni::PulisciTabella(TTAnaCsTot);
}

void TFqarn0103d::AbilitaDataFinale()
{
    const bool abilitata = tPars->Active() && tPars->FieldByName(QStringLiteral("FlTipoRic"))->AsInteger() != 0;
    ui->edA_Data->setEnabled(abilitata);
    ui->lbA_Data->setEnabled(abilitata);
}

void TFqarn0103d::MostraProgressivo(int gruppo)
{
    TUT_LMQ_RG_ProgressiviRegistri p;
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, p);
    TField *da = tPars->FieldByName(QStringLiteral("DaData"));
    TField *ultima = tPars->FieldByName(QStringLiteral("DataUltSta"));
    // A grouping never printed starts from its first movement, not from another grouping's date.
    if (p.DataUltAgg.isNull()) {
        da->Clear();
        ultima->Clear();
    } else {
        da->SetAsDateTime(p.DataUltAgg.date().addDays(1));
        ultima->SetAsDateTime(p.DataUltAgg);
    }
}

void TFqarn0103d::IdRaggMagValidate(TField *campo)
{
    const int gruppo = campo->AsInteger();
    if (!UT_LMQ_RG_GruppoDigitato(gruppo))
        return;
    MostraProgressivo(gruppo);
}

void TFqarn0103d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildParsPage::btEseguiClick();
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const bool aData = tPars->FieldByName(QStringLiteral("FlTipoRic"))->AsInteger() > 0;
    if (gruppo == 0) {
        Kmessages::KMessage(QStringLiteral("Nessun Codice di raggruppamento specificato"), mtError, mbOK);
        ui->edIdRaggMag->setFocus();
        return;
    }
    // The parameters outlive the dialog: the start follows the progressive as stored now.
    MostraProgressivo(gruppo);
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    if (aData && (a.isNull() || (!da.isNull() && a.date() < da.date()))) {
        Kmessages::KMessage(QStringLiteral("Data Iniziale superiore alla data finale"), mtError, mbOK);
        ui->edA_Data->setFocus();
        return;
    }

    TLavoroInCorso lavoro(inCorso_, {btEsegui, btChiudi});

    Funzioni::PulisciTabella(TTAnaCsTot);
    TXQuery *qProg = DMILUMO_reg->qProgRegCsT;
    qProg->Close();
    qProg->ParamByName(QStringLiteral("IdRaggMag"))->SetValue(gruppo);
    qProg->Open();
    TTAnaCsTot->Open();
    for (; !qProg->Eof(); qProg->Next()) {
        TTAnaCsTot->Append();
        TTAnaCsTot->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
        TTAnaCsTot->FieldByName(QStringLiteral("IdCatVin"))
            ->SetAsString(qProg->FieldByName(QStringLiteral("IdCatVin"))->AsString());
        TTAnaCsTot->FieldByName(QStringLiteral("DsCatVin"))
            ->SetAsString(qProg->FieldByName(QStringLiteral("DsCatVin"))->AsString());
        const double esistenza = qProg->FieldByName(QStringLiteral("Esistenza"))->AsFloat();
        TTAnaCsTot->FieldByName(QStringLiteral("EsistenzaIni"))->SetAsFloat(esistenza);
        TTAnaCsTot->FieldByName(QStringLiteral("EsistenzaFin"))->SetAsFloat(esistenza);
        TTAnaCsTot->Post();
    }
    qProg->Close();
    if (aData)
        CalcoloTotaliData();
    TTAnaCsTot->ApplyUpdates();
    TTAnaCsTot->Close();
    TTAnaCsTot->Open();
    if (TTAnaCsTot->RecordCount() > 0) {
        TTAnaCsTot->First();
        SetPagina(1);
    } else {
        Kmessages::KMessage(QStringLiteral("Nessun dato da analizzare"), mtWarning, mbOK);
    }
}

void TFqarn0103d::CalcoloTotaliData()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    THourGlass clessidra;
    const auto fine = qScopeGuard([] { Mdimainbase::ProgressEnd(); });
    const QList<TLitriRegistro> litri =
        UT_LMQ_RG_LitriPeriodo(gruppo, tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime(),
                               tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), false);
    Mdimainbase::ProgressStart(int(litri.size()), QStringLiteral("Elaborazione movimenti in corso.."));
    TTAnaCsTot->Open();
    for (const TLitriRegistro &r : litri) {
        if (TTAnaCsTot->Locate(QStringLiteral("IdCatVin"), r.IdCatVin)) {
            TTAnaCsTot->Edit();
        } else {
            TTAnaCsTot->Append();
            TTAnaCsTot->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
            TTAnaCsTot->FieldByName(QStringLiteral("IdCatVin"))->SetAsString(r.IdCatVin);
        }
        TTAnaCsTot->FieldByName(QStringLiteral("DsCatVin"))->SetAsString(r.DsCatVin);
        TTAnaCsTot->FieldByName(QStringLiteral("CaricoPeriodo"))->SetAsFloat(r.Carico);
        TTAnaCsTot->FieldByName(QStringLiteral("ScaricoPeriodo"))->SetAsFloat(r.Scarico);
        TField *fin = TTAnaCsTot->FieldByName(QStringLiteral("EsistenzaFin"));
        fin->SetAsFloat(fin->AsFloat() + r.Carico - r.Scarico);
        TTAnaCsTot->Post();
        Mdimainbase::ProgressStep();
    }
}

void TFqarn0103d::btStampaClick()
{
    std::unique_ptr<Tfqarn0103s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0103s>()).CreateAs<Tfqarn0103s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain);
    stampa->EseguiStampa(true);
}

DUSARIA_FINESTRA(TFqarn0103d, Fqarn0103d);
