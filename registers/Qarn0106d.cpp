#include "registers/Qarn0106d.h"

#include "ui_Qarn0106d.h"

#include "frame/Dmilumo_reg.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/core/Errors.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0106s.h"

#include <memory>
#include <vector>

namespace {

const QString TestoDataIniziale = QStringLiteral("Data iniziale non valida");

} // namespace

TFqarn0106d::TFqarn0106d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0106d)
{
    UT_LMQ_RG_RecordDialogo(tPars, QStringLiteral("LUMO_StaRegImb"));
    TTRegImb = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_RegImb"));

    CategorieMerc_Param.Tabella = QStringLiteral("CategorieMerc");
    CategorieMerc_Param.CampoChiave = QStringLiteral("IdCategoria");
    CategorieMerc_Param.Filtro = QStringLiteral("FlUtilizzo = 0");
    CategorieMerc_Param.Titolo = QStringLiteral("Categorie Merceologiche");
    CategorieMerc_Param.Colonne = {{QStringLiteral("IdCategoria"), QStringLiteral("Codice"), 50},
                                   {QStringLiteral("DsCategoria"), QStringLiteral("Descrizione"), 300}};
    connect(ui->btSelCategorie, &QPushButton::clicked, this, [this] { Guard([this] { btSelCategorieClick(); }); });
    SetActiveControl(ui->edIdRaggMag);
}

TFqarn0106d::~TFqarn0106d() = default;

void TFqarn0106d::FormCreate()
{
    TFDBChildPars::FormCreate();
    _TipoRegistro = QStringLiteral("IMBO");
    Funzioni::PulisciTabella(TTRegImb);
    CategorieMerc_Param.Pulisci();
    tPars->FieldByName(QStringLiteral("IdRaggMag"))->OnValidate = [this](TField *f) { tParsIdRaggMagValidate(f); };
    UT_LMQ_RG_ControlliPeriodo(tPars, ui->edDaData, ui->edA_Data);
}

void TFqarn0106d::tParsIdRaggMagValidate(TField *campo)
{
    const int gruppo = campo->AsInteger();
    if (!UT_LMQ_RG_GruppoDigitato(gruppo))
        return; // no grouping yet: the run asks for one
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, UT_LMQ_RG_ProgressiviRegistri);
    UT_LMQ_RG_MostraProgressivo(tPars, UT_LMQ_RG_ProgressiviRegistri, true);
}

void TFqarn0106d::btSelCategorieClick()
{
    Dlgselmulti::Seleziona(this, CategorieMerc_Param);
}

void TFqarn0106d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildPars::btEseguiClick();
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    if (!UT_LMQ_RG_ControllaEsecuzione(gruppo, da, tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(),
                                       ui->edIdRaggMag, ui->edDaData, true))
        return;

    TLavoroInCorso lavoro(inCorso_, {btEsegui, btChiudi});

    // Another user may have stored a print since the grouping was typed.
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, progInizio_);
    tPars->FieldByName(QStringLiteral("UltNumRiga"))->SetAsInteger(progInizio_.UltNumRiga);
    if (progInizio_.DataUltAgg.isNull())
        tPars->FieldByName(QStringLiteral("DataUltSta"))->Clear();
    else
        tPars->FieldByName(QStringLiteral("DataUltSta"))->SetAsDateTime(progInizio_.DataUltAgg);

    const bool definitiva = tPars->FieldByName(QStringLiteral("FlDefinitiva"))->AsInteger() == 1;
    if (Elabora() == 0) {
        Kmessages::KMessage(QStringLiteral("Nessun movimento da stampare nel periodo selezionato"), mtInformation,
                            mbOK);
    } else {
        Stampa();
        if (definitiva) {
            if (!progInizio_.DataUltAgg.isNull() && da.date() <= progInizio_.DataUltAgg.date())
                Kmessages::KMessage(TestoDataIniziale, mtError, mbOK); // the overlap would be numbered twice
            else if (Kmessages::KMessage(QStringLiteral("Conferma aggiornamento definitivo dei dati stampati "),
                                         mtConfirmation, mbYesNo)
                     == 6)
                AggiornamentoDati();
        }
    }
    inCorso_ = false;
    if (definitiva)
        btChiudiClick();
}

int TFqarn0106d::Elabora()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    UltRiga = progInizio_.UltNumRiga;
    TotaleSfuso = TotaleCalo = TotaleImbott = 0;

    // The register rows in one statement on the company database (the movements of the
    // grouping's warehouses as the data module reads them, in date and movement order), copied
    // into the local work table numbered from the stored progressive; an empty value stored as
    // the table's datasets store it. What a row takes from its article (its texts, whether it is
    // bulk, its litres per unit and the capacity a row keeps) is worked out once per article.
    const QString sfuso = QStringLiteral("Articoli.Sfuso = 1");
    const QString quantita = QStringLiteral("MovMagazzino.Quantita");
    const QString calo = QStringLiteral("MovMagazzino.UT_LMQ_FlMovCalo");
    // Row column <- its expression.
    const std::vector<std::pair<QString, QString>> righe = {
        {QStringLiteral("IdMagazzino1"), QStringLiteral("MovMagazzino.IdMagazzino1")},
        {QStringLiteral("DataMovimento"), QStringLiteral("MovMagazzino.DataMovimento")},
        {QStringLiteral("DataDocumento"), QStringLiteral("MovMagazzino.DataDocumento")},
        {QStringLiteral("RifDocumento"), QStringLiteral("MovMagazzino.RifDocumento")},
        {QStringLiteral("IdCausale"), QStringLiteral("MovMagazzino.IdCausale")},
        {QStringLiteral("DsCausale"), QStringLiteral("CausaliMagaz.DsCausale")},
        {QStringLiteral("IdContoTp"), QStringLiteral("MovMagazzino.IdContoTp")},
        {QStringLiteral("IdConto"), QStringLiteral("MovMagazzino.IdConto")},
        {QStringLiteral("IdProdotto"), QStringLiteral("MovMagazzino.IdProdotto")},
        {QStringLiteral("DsProdotto"), QStringLiteral("Articoli.DsProdotto")},
        {QStringLiteral("IdNatura"), QStringLiteral("Articoli.UT_LMQ_IdNatura")},
        {QStringLiteral("DsNatura"), QStringLiteral("Articoli.DsNatura")},
        {QStringLiteral("IdColore"), QStringLiteral("Articoli.UT_LMQ_IdColore")},
        {QStringLiteral("DsColore"), QStringLiteral("Articoli.DsColore")},
        {QStringLiteral("IdVasca"), QStringLiteral("MovMagazzino.UT_LMQ_IdVasca")},
        {QStringLiteral("DsVasca"), QStringLiteral("LUMO_Vasche.DsVasca")},
        {QStringLiteral("IdBottiglia"), QStringLiteral("Articoli.UT_LMQ_IdBottiglia")},
        {QStringLiteral("DsBottiglia"), QStringLiteral("Articoli.DsBottiglia")},
        {QStringLiteral("IdUM1"), QStringLiteral("Articoli.IdUM1")},
        {QStringLiteral("FlTipArt"), QStringLiteral("Articoli.UT_LMQ_FlTipArt")},
        {QStringLiteral("FlTestCalo"), calo},
        {QStringLiteral("Kmovmag"), QStringLiteral("MovMagazzino.KMovMag")},
        {QStringLiteral("Partita"), QStringLiteral("MovMagazzino.Partita")},
        {QStringLiteral("IdRaggMag"), QString::number(gruppo)},
        {QStringLiteral("RagioneSociale"), UT_LMQ_RG_SqlRagioneSociale()},
        // the movement's own quantity, in the article's unit, with no sign
        {QStringLiteral("QuantitaLitri"), QStringLiteral("%1 * Articoli.LitriUnita").arg(quantita)},
        {QStringLiteral("QtaSfuso"),
         QStringLiteral("(CASE WHEN %1 AND %2 = 0 THEN %3 ELSE 0 END)").arg(sfuso, calo, quantita)},
        {QStringLiteral("QtaCalo"),
         QStringLiteral("(CASE WHEN %1 AND %2 <> 0 THEN %3 ELSE 0 END)").arg(sfuso, calo, quantita)},
        {QStringLiteral("QtaImbott"), QStringLiteral("(CASE WHEN %1 THEN 0 ELSE %2 END)").arg(sfuso, quantita)},
        // a bulk row keeps no capacity
        {QStringLiteral("Capacita"), QStringLiteral("Articoli.CapacitaRiga")},
    };
    // Per article: bulk (type 4) counts its own quantity, else the bottle's capacity (0 without one).
    const QString articoloSfuso = QStringLiteral("Articoli.UT_LMQ_FlTipArt = 4");
    const QString capacita = QStringLiteral("COALESCE(LUMO_Bottiglie.Capacita, 0)");
    const QString tabella = QStringLiteral("LUMO_t_RegImb");
    QStringList colonne, espressioni;
    for (const auto &[colonna, espressione] : righe) {
        colonne << colonna;
        espressioni << espressione;
    }
    kv8db::TotaliRighe totali{{QStringLiteral("QtaSfuso"), QStringLiteral("QtaCalo"), QStringLiteral("QtaImbott")}, {}};
    const int copiate = UT_LMQ_RG_CopiaRighe(
        tabella,
        UT_LMQ_RG_SqlRighe(
            tabella, colonne, espressioni,
            UT_LMQ_RG_LetturaUnita(
                DMILUMO_reg->qMMRegImb->SQL,
                {QStringLiteral("Articoli.IdProdotto"), QStringLiteral("Articoli.DsProdotto"),
                 QStringLiteral("Articoli.UT_LMQ_IdNatura"), QStringLiteral("Articoli.UT_LMQ_IdColore"),
                 QStringLiteral("Articoli.UT_LMQ_IdBottiglia"), QStringLiteral("Articoli.IdUM1"),
                 QStringLiteral("Articoli.UT_LMQ_FlTipArt"), QStringLiteral("LUMO_Natura.DsNatura"),
                 QStringLiteral("LUMO_Colori.DsColore"), QStringLiteral("LUMO_Bottiglie.DsBottiglia"),
                 QStringLiteral("(CASE WHEN %1 THEN 1 ELSE 0 END) AS Sfuso").arg(articoloSfuso),
                 QStringLiteral("(CASE WHEN %1 THEN 1.0 ELSE %2 END) AS LitriUnita").arg(articoloSfuso, capacita),
                 QStringLiteral("(CASE WHEN %1 THEN NULL ELSE %2 END) AS CapacitaRiga").arg(articoloSfuso, capacita)})),
        {QDateTime(tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QTime(0, 0)),
         UT_LMQ_RG_FineGiorno(tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime()), gruppo},
        colonne, UltRiga, &totali);
    TotaleSfuso = totali.somme.value(0);
    TotaleCalo = totali.somme.value(1);
    TotaleImbott = totali.somme.value(2);
    UltRiga += copiate;
    return copiate;
}

void TFqarn0106d::Stampa()
{
    std::unique_ptr<TFqarn0106s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0106s>()).CreateAs<TFqarn0106s>(this));
    stampa->TotaleSfuso = TotaleSfuso;
    stampa->TotaleCalo = TotaleCalo;
    stampa->TotaleImbott = TotaleImbott;
    stampa->InitForm(tPars, CategorieMerc_Param);
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain);
    stampa->StampaSu.Aghi = UT_LMQ_Parametri.FlStaRegImb != 1;
    stampa->EseguiStampa(true);
}

bool TFqarn0106d::AggiornamentoDati()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime aData = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    return UT_LMQ_RG_AggiornamentoDefinitivo(gruppo, _TipoRegistro, progInizio_,
                                             [&] { UT_LMQ_RG_ScrivoProgReg(gruppo, _TipoRegistro, aData, UltRiga); });
}

DUSARIA_FINESTRA(TFqarn0106d, Fqarn0106d);
