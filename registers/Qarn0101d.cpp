#include "registers/Qarn0101d.h"

#include "ui_Qarn0101d.h"

#include "frame/Dmilumo_reg.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0101s.h"

#include <QHash>
#include <QSqlQuery>

#include <memory>
#include <vector>

namespace {

const QString TestoDataIniziale = QStringLiteral("Data iniziale non valida");

} // namespace

TFqarn0101d::TFqarn0101d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0101d)
{
    UT_LMQ_RG_RecordDialogo(tPars, QStringLiteral("LUMO_StaRegCs"));
    TTRegCs = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_RegCs"));
    TTRegCsTot = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_RegCsTot"));
    SetActiveControl(ui->edIdRaggMag);
}

TFqarn0101d::~TFqarn0101d() = default;

void TFqarn0101d::FormCreate()
{
    TFDBChildPars::FormCreate();
    _TipoRegistro = QStringLiteral("CASC");
    Funzioni::PulisciTabella(TTRegCs);
    Funzioni::PulisciTabella(TTRegCsTot);
    tPars->FieldByName(QStringLiteral("IdRaggMag"))->OnValidate = [this](TField *) { IdRaggMagValidate(); };
    UT_LMQ_RG_ControlliPeriodo(tPars, ui->edDaData, ui->edA_Data);
}

void TFqarn0101d::IdRaggMagValidate()
{
    TField *campo = tPars->FieldByName(QStringLiteral("IdRaggMag"));
    const int gruppo = campo->AsInteger();
    if (!UT_LMQ_RG_GruppoDigitato(gruppo))
        return; // no grouping yet: the run asks for one
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, UT_LMQ_RG_ProgressiviRegistri);
    UT_LMQ_RG_MostraProgressivo(tPars, UT_LMQ_RG_ProgressiviRegistri, true);
}

void TFqarn0101d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildPars::btEseguiClick();
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    if (!UT_LMQ_RG_ControllaEsecuzione(gruppo, da, a, ui->edIdRaggMag, ui->edDaData, true))
        return;

    TLavoroInCorso lavoro(inCorso_, {btEsegui, btChiudi});

    // Another user may have stored a print since the grouping was typed.
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, progInizio_);
    tPars->FieldByName(QStringLiteral("UltNumRiga"))->SetAsInteger(progInizio_.UltNumRiga);
    UT_LMQ_RG_MostraProgressivo(tPars, progInizio_, false);

    if (Elabora() == 0) {
        Kmessages::KMessage(QStringLiteral("Nessun movimento da stampare nel periodo selezionato"), mtInformation,
                            mbOK);
    } else {
        Stampa();
        if (tPars->FieldByName(QStringLiteral("FlDefinitiva"))->AsInteger() == 1) {
            if (!progInizio_.DataUltAgg.isNull() && da.date() <= progInizio_.DataUltAgg.date())
                Kmessages::KMessage(TestoDataIniziale, mtError, mbOK); // the overlap would be booked twice
            else if (Kmessages::KMessage(QStringLiteral("Conferma aggiornamento definitivo dei dati stampati "),
                                         mtConfirmation, mbYesNo)
                     == 6)
                AggiornamentoDati();
        }
    }
    inCorso_ = false;
    btChiudiClick();
}

int TFqarn0101d::Elabora()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    ContaRighe = progInizio_.UltNumRiga;
    TotaleCarico = 0;
    TotaleScarico = 0;
    Funzioni::PulisciTabella(TTRegCs);
    Funzioni::PulisciTabella(TTRegCsTot);

    // Category totals in table order: the stored stock first, then categories as met.
    struct Totale {
        QString IdCatVin, DsCatVin;
        bool stock = false;
        double EsistenzaIni = 0, Carico = 0, Scarico = 0, EsistenzaFin = 0;
        bool movimenti = false;
    };
    std::vector<Totale> totali;
    QHash<QString, int> indice;
    TXQuery *qProg = DMILUMO_reg->qProgRegCsT;
    qProg->Close();
    qProg->ParamByName(QStringLiteral("IdRaggMag"))->SetValue(gruppo);
    qProg->Open();
    for (; !qProg->Eof(); qProg->Next()) {
        Totale t;
        t.IdCatVin = qProg->FieldByName(QStringLiteral("IdCatVin"))->AsString();
        t.DsCatVin = qProg->FieldByName(QStringLiteral("DsCatVin"))->AsString();
        t.stock = true;
        t.EsistenzaIni = t.EsistenzaFin = qProg->FieldByName(QStringLiteral("Esistenza"))->AsFloat();
        indice.insert(t.IdCatVin, int(totali.size()));
        totali.push_back(t);
    }
    qProg->Close();

    // The register rows in one statement on the company database, in date and movement order,
    // copied into the local work table numbered from the stored progressive.
    const int righe = UT_LMQ_RG_CopiaRighe(
        QStringLiteral("LUMO_t_RegCs"), UT_LMQ_RG_SqlRigheCarico(gruppo),
        {QDateTime(tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QTime(0, 0)),
         UT_LMQ_RG_FineGiorno(tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime())},
        {QStringLiteral("Kmovmag"),       QStringLiteral("IdRaggMag"),      QStringLiteral("IdMagazzino1"),
         QStringLiteral("DataMovimento"), QStringLiteral("DataDocumento"),  QStringLiteral("RifDocumento"),
         QStringLiteral("IdCausale"),     QStringLiteral("DsCausale"),      QStringLiteral("IdContoTp"),
         QStringLiteral("IdConto"),       QStringLiteral("RagioneSociale"), QStringLiteral("IdProdotto"),
         QStringLiteral("DsProdotto"),    QStringLiteral("Quantita"),       QStringLiteral("CAPACITA"),
         QStringLiteral("IdCatVin"),      QStringLiteral("DsCatVin"),       QStringLiteral("FlCarSca"),
         QStringLiteral("FlSegno"),       QStringLiteral("CaricoLitri"),    QStringLiteral("ScaricoLitri")},
        ContaRighe);
    ContaRighe += righe;

    // Category totals of the rows, in the order the categories are first met.
    for (QSqlQuery q = UT_LMQ_RG_Lavoro().OpenQuery(QStringLiteral(
             "SELECT IdCatVin, MAX(DsCatVin), COALESCE(SUM(CaricoLitri), 0), COALESCE(SUM(ScaricoLitri), 0) "
             "FROM LUMO_t_RegCs GROUP BY IdCatVin ORDER BY MIN(NumeroRiga)"));
         q.next();) {
        const QString cat = q.value(0).toString();
        auto it = indice.constFind(cat);
        int pos;
        if (it == indice.constEnd()) {
            pos = int(totali.size());
            indice.insert(cat, pos);
            totali.push_back(Totale{cat, QString(), false, 0, 0, 0, 0, false});
        } else {
            pos = *it;
        }
        Totale &t = totali[size_t(pos)];
        t.DsCatVin = q.value(1).toString();
        t.movimenti = true;
        t.Carico = q.value(2).toDouble();
        t.Scarico = q.value(3).toDouble();
        t.EsistenzaFin += t.Carico - t.Scarico;
        TotaleCarico += t.Carico;
        TotaleScarico += t.Scarico;
    }

    TTRegCsTot->Open();
    for (const Totale &t : totali) {
        TTRegCsTot->Append();
        TTRegCsTot->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
        TTRegCsTot->FieldByName(QStringLiteral("IdCatVin"))->SetAsString(t.IdCatVin);
        TTRegCsTot->FieldByName(QStringLiteral("DsCatVin"))->SetAsString(t.DsCatVin);
        if (t.stock) // a category new to the grouping keeps an empty opening stock
            TTRegCsTot->FieldByName(QStringLiteral("EsistenzaIni"))->SetAsFloat(t.EsistenzaIni);
        TTRegCsTot->FieldByName(QStringLiteral("EsistenzaFin"))->SetAsFloat(t.EsistenzaFin);
        if (t.movimenti) {
            TTRegCsTot->FieldByName(QStringLiteral("CaricoPeriodo"))->SetAsFloat(t.Carico);
            TTRegCsTot->FieldByName(QStringLiteral("ScaricoPeriodo"))->SetAsFloat(t.Scarico);
        }
        TTRegCsTot->Post();
    }
    TTRegCsTot->ApplyUpdates();
    TTRegCsTot->Close();
    return righe;
}

void TFqarn0101d::Stampa()
{
    std::unique_ptr<TFqarn0101s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0101s>()).CreateAs<TFqarn0101s>(this));
    stampa->TotaleCarico = TotaleCarico;
    stampa->TotaleScarico = TotaleScarico;
    stampa->InitForm(tPars);
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain);
    stampa->StampaSu.Aghi = UT_LMQ_Parametri.FlStaRegCs != 1;
    stampa->EseguiStampa(true);
}

bool TFqarn0101d::AggiornamentoDati()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime aData = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    return UT_LMQ_RG_AggiornamentoDefinitivo(gruppo, _TipoRegistro, progInizio_, [&] {
        std::unique_ptr<TXClientTable> tabellaTesta(
            UT_LMQ_RG_TabellaArchivio(nullptr, QStringLiteral("LUMO_ProgRegCsT"), QStringLiteral("KProgRegT = -1")));
        std::unique_ptr<TXClientTable> tabellaAnni(
            UT_LMQ_RG_TabellaArchivio(nullptr, QStringLiteral("LUMO_ProgRegCsR"), QStringLiteral("KProgRegR = -1")));
        TXClientTable &testa = *tabellaTesta;
        TXClientTable &anni = *tabellaAnni;
        testa.Open();
        anni.Open();

        TTRegCsTot->Open();
        for (TTRegCsTot->First(); !TTRegCsTot->Eof(); TTRegCsTot->Next()) {
            const QString cat = TTRegCsTot->FieldByName(QStringLiteral("IdCatVin"))->AsString();
            if (testa.Locate(QStringLiteral("IdRaggMag;IdCatVin"), QVariantList{gruppo, cat})) {
                testa.Edit();
            } else {
                testa.Insert();
                testa.FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
                testa.FieldByName(QStringLiteral("IdCatVin"))->SetAsString(cat);
            }
            testa.FieldByName(QStringLiteral("Esistenza"))
                ->SetAsFloat(TTRegCsTot->FieldByName(QStringLiteral("EsistenzaFin"))->AsFloat());
            testa.FieldByName(QStringLiteral("DataUltAgg"))->SetAsDateTime(aData);
            const int chiave = testa.FieldByName(QStringLiteral("KProgRegT"))->AsInteger();
            testa.Post();

            if (anni.Locate(QStringLiteral("KProgRegT;Anno"), QVariantList{chiave, CFG.Anno})) {
                anni.Edit();
            } else {
                anni.Insert();
                anni.FieldByName(QStringLiteral("KProgRegT"))->SetAsInteger(chiave);
                anni.FieldByName(QStringLiteral("Anno"))->SetAsInteger(CFG.Anno);
            }
            TField *carico = anni.FieldByName(QStringLiteral("ProgCarico"));
            TField *scarico = anni.FieldByName(QStringLiteral("ProgScarico"));
            carico->SetAsFloat(carico->AsFloat() + TTRegCsTot->FieldByName(QStringLiteral("CaricoPeriodo"))->AsFloat());
            scarico->SetAsFloat(scarico->AsFloat()
                                + TTRegCsTot->FieldByName(QStringLiteral("ScaricoPeriodo"))->AsFloat());
            anni.Post();
        }
        TTRegCsTot->Close();
        UT_LMQ_RG_ScrivoProgReg(gruppo, _TipoRegistro, aData, ContaRighe);
    });
}

DUSARIA_FINESTRA(TFqarn0101d, Fqarn0101d);
