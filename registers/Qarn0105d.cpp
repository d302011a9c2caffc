#include "registers/Qarn0105d.h"

#include "ui_Qarn0105d.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0105s.h"

#include <QHash>
#include <QScopeGuard>
#include <QSqlQuery>

#include <memory>

TFqarn0105d::TFqarn0105d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0105d)
{
    TDMILUMO::Crea();
    tPars->SetTableName(QStringLiteral("LUMO_StaBilAnnDG"));
    tPars->SetUsaDizionario(true);
    UT_LMQ_RG_LookupRaggruppamento(tPars);
    TTStBiAnDiGiT = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_StBiAnDiGiT"));
    TTStBiAnDiGiR = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_StBiAnDiGiR"));
    SetActiveControl(ui->edIdRaggMag);
}

TFqarn0105d::~TFqarn0105d() = default;

void TFqarn0105d::FormCreate()
{
    TFDBChildPars::FormCreate();
    _TipoRegistro = QStringLiteral("BIAN");
    tPars->FieldByName(QStringLiteral("IdRaggMag"))->OnValidate = [this](TField *f) { tParsIdRaggMagValidate(f); };
    // The default period: from the first month of the balance in the year before the fiscal
    // year, for one year; a month outside 1-12 leaves it to the user.
    const int mese = UT_LMQ_Parametri.MeseIniBilDicGia;
    TField *da = tPars->FieldByName(QStringLiteral("DaData"));
    TField *a = tPars->FieldByName(QStringLiteral("A_Data"));
    if (mese >= 1 && mese <= 12) {
        const QDate inizio(CFG.Anno - 1, mese, 1);
        da->SetAsDateTime(QDateTime(inizio, QTime(0, 0)));
        a->SetAsDateTime(QDateTime(inizio.addYears(1).addDays(-1), QTime(0, 0)));
    } else {
        da->Clear();
        a->Clear();
    }
}

void TFqarn0105d::tParsIdRaggMagValidate(TField *Sender)
{
    const int gruppo = Sender->AsInteger();
    if (!UT_LMQ_RG_GruppoDigitato(gruppo))
        return;
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, UT_LMQ_RG_ProgressiviRegistri);
    UT_LMQ_RG_MostraProgressivo(tPars, UT_LMQ_RG_ProgressiviRegistri, false);
}

void TFqarn0105d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildPars::btEseguiClick();
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    if (!UT_LMQ_RG_ControllaEsecuzione(gruppo, da, tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(),
                                       ui->edIdRaggMag, ui->edDaData, false))
        return;

    TLavoroInCorso lavoro(inCorso_, {btEsegui, btChiudi});

    // The grouping may come back with the saved parameters, or another user may have stored
    // a balance since it was typed: the year test uses the progressive as stored now.
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, progInizio_);
    UT_LMQ_RG_MostraProgressivo(tPars, progInizio_, false);

    Elabora();
    TTStBiAnDiGiT->Open();
    const bool righe = TTStBiAnDiGiT->RecordCount() > 0;
    TTStBiAnDiGiT->Close();
    if (righe)
        Stampa();
    else
        Kmessages::KMessage(QStringLiteral("Nessun movimento da stampare nel periodo selezionato"), mtInformation,
                            mbOK);

    const bool annoDiverso =
        progInizio_.DataUltAgg.isNull() || progInizio_.DataUltAgg.date().year() != da.date().year();
    if (tPars->FieldByName(QStringLiteral("FlDefinitiva"))->AsInteger() == 1 && annoDiverso
        && Kmessages::KMessage(QStringLiteral("Conferma aggiornamento progressivi Bilancio annuale"), mtConfirmation,
                               mbYesNo)
               == 6)
        AggiornaProgressivi();
    inCorso_ = false;
    btChiudiClick();
}

void TFqarn0105d::RecuparaAnnoPrec()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT LUMO_PrBilDicGiaT.* FROM LUMO_PrBilDicGiaT WHERE LUMO_PrBilDicGiaT.IdRaggMag = ? "
                       "and LUMO_PrBilDicGiaT.Anno = ? ORDER BY IdCatVin"),
        {gruppo, Anno - 1});
    TTStBiAnDiGiT->Open();
    while (q.next()) {
        const double fin = q.value(QStringLiteral("EsistenzaFin")).toDouble();
        TTStBiAnDiGiT->Append();
        TTStBiAnDiGiT->FieldByName(QStringLiteral("Anno"))->SetAsInteger(Anno);
        TTStBiAnDiGiT->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
        TTStBiAnDiGiT->FieldByName(QStringLiteral("IdCatVin"))
            ->SetAsString(q.value(QStringLiteral("IdCatVin")).toString());
        TTStBiAnDiGiT->FieldByName(QStringLiteral("EsistenzaIni"))->SetAsFloat(fin);
        TTStBiAnDiGiT->FieldByName(QStringLiteral("EsistenzaFin"))->SetAsFloat(fin);
        TTStBiAnDiGiT->Post();
    }
}

void TFqarn0105d::Elabora()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    Funzioni::PulisciTabella(TTStBiAnDiGiT);
    Funzioni::PulisciTabella(TTStBiAnDiGiR);
    Anno = da.date().year();
    RecuparaAnnoPrec();

    THourGlass clessidra;
    const auto fine = qScopeGuard([] { Mdimainbase::ProgressEnd(); });
    const QList<TLitriRegistro> litri =
        UT_LMQ_RG_LitriPeriodo(gruppo, da, tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), true);
    Mdimainbase::ProgressStart(int(litri.size()), QStringLiteral("Elaborazione movimenti in corso.."));
    TTStBiAnDiGiR->Open();
    for (const TLitriRegistro &r : litri) {
        TotaleCarico = r.Carico;
        TotaleScarico = r.Scarico;
        if (TTStBiAnDiGiT->Locate(QStringLiteral("IdCatVin"), r.IdCatVin)) {
            TTStBiAnDiGiT->Edit();
        } else {
            TTStBiAnDiGiT->Append();
            TTStBiAnDiGiT->FieldByName(QStringLiteral("Anno"))->SetAsInteger(Anno);
            TTStBiAnDiGiT->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
            TTStBiAnDiGiT->FieldByName(QStringLiteral("IdCatVin"))->SetAsString(r.IdCatVin);
        }
        TTStBiAnDiGiT->FieldByName(QStringLiteral("DsCatVin"))->SetAsString(r.DsCatVin);
        TField *fin = TTStBiAnDiGiT->FieldByName(QStringLiteral("EsistenzaFin"));
        fin->SetAsFloat(fin->AsFloat() + TotaleCarico - TotaleScarico);
        TTStBiAnDiGiT->Post();

        TTStBiAnDiGiR->Append();
        TTStBiAnDiGiR->FieldByName(QStringLiteral("Anno"))->SetAsInteger(Anno);
        TTStBiAnDiGiR->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
        TTStBiAnDiGiR->FieldByName(QStringLiteral("IdCatVin"))->SetAsString(r.IdCatVin);
        TTStBiAnDiGiR->FieldByName(QStringLiteral("IdCausale"))->SetAsString(r.IdCausale);
        TTStBiAnDiGiR->FieldByName(QStringLiteral("DsCausale"))->SetAsString(r.DsCausale.left(30));
        TTStBiAnDiGiR->FieldByName(QStringLiteral("CaricoLitri"))->SetAsFloat(TotaleCarico);
        TTStBiAnDiGiR->FieldByName(QStringLiteral("ScaricoLitri"))->SetAsFloat(TotaleScarico);
        TTStBiAnDiGiR->Post();
        Mdimainbase::ProgressStep();
    }
    TTStBiAnDiGiT->ApplyUpdates();
    TTStBiAnDiGiT->Close();
    TTStBiAnDiGiR->ApplyUpdates();
    TTStBiAnDiGiR->Close();
}

void TFqarn0105d::Stampa()
{
    std::unique_ptr<Tfqarn0105s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0105s>()).CreateAs<Tfqarn0105s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain);
    stampa->ImpostaQuery(stampa->qRighe, 1, QString(), QString());
    stampa->EseguiStampa(true);
}

bool TFqarn0105d::AggiornaProgressivi()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    return UT_LMQ_RG_AggiornamentoDefinitivo(gruppo, _TipoRegistro, progInizio_, [&] {
        TXDatabase &db = DMIDataBases::Instance().Global();
        // A balance of the year stored by hand (or by a progressive changed by hand) stays.
        if (db.OpenQuery(QStringLiteral("SELECT KContaT FROM LUMO_PrBilDicGiaT WHERE Anno = ? AND IdRaggMag = ?"),
                         {Anno, gruppo})
                .next())
            throw Exception(QStringLiteral("Il bilancio annuale %1 del raggruppamento %2 è già registrato: "
                                           "correggerlo dai progressivi del bilancio annuale.")
                                .arg(Anno)
                                .arg(gruppo));
        std::unique_ptr<TXClientTable> teste(
            UT_LMQ_RG_TabellaArchivio(nullptr, QStringLiteral("LUMO_PrBilDicGiaT"), QStringLiteral("KContaT = -1")));
        std::unique_ptr<TXClientTable> righe(
            UT_LMQ_RG_TabellaArchivio(nullptr, QStringLiteral("LUMO_PrBilDicGiaR"), QStringLiteral("KContaR = -1")));
        teste->Open();
        righe->Open();
        QHash<QString, int> chiavi;
        TTStBiAnDiGiT->Open();
        for (TTStBiAnDiGiT->First(); !TTStBiAnDiGiT->Eof(); TTStBiAnDiGiT->Next()) {
            teste->Insert();
            for (const char *campo : {"Anno", "IdRaggMag", "IdCatVin", "EsistenzaIni", "EsistenzaFin"})
                teste->FieldByName(QLatin1String(campo))
                    ->SetValue(TTStBiAnDiGiT->FieldByName(QLatin1String(campo))->Value());
            chiavi.insert(TTStBiAnDiGiT->FieldByName(QStringLiteral("IdCatVin"))->AsString(),
                          teste->FieldByName(QStringLiteral("KContaT"))->AsInteger());
            teste->Post();
        }
        TTStBiAnDiGiT->Close();
        TTStBiAnDiGiR->Open();
        for (TTStBiAnDiGiR->First(); !TTStBiAnDiGiR->Eof(); TTStBiAnDiGiR->Next()) {
            righe->Insert();
            righe->FieldByName(QStringLiteral("KContaT"))
                ->SetAsInteger(chiavi.value(TTStBiAnDiGiR->FieldByName(QStringLiteral("IdCatVin"))->AsString()));
            for (const char *campo : {"IdCausale", "CaricoLitri", "ScaricoLitri"})
                righe->FieldByName(QLatin1String(campo))
                    ->SetValue(TTStBiAnDiGiR->FieldByName(QLatin1String(campo))->Value());
            righe->Post();
        }
        TTStBiAnDiGiR->Close();
        UT_LMQ_RG_ScrivoProgReg(gruppo, _TipoRegistro, QDateTime(da.date(), QTime(0, 0)), 0);
    });
}

DUSARIA_FINESTRA(TFqarn0105d, Fqarn0105d);
