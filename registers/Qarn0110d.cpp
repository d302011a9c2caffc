#include "registers/Qarn0110d.h"

#include "ui_Qarn0110d.h"

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
#include "host/ui/Transazione.h"
#include "registers/Lumo_registri.h"
#include "registers/Qarn0110s.h"

#include <QHash>
#include <QSqlQuery>

#include <memory>
#include <vector>

TFqarn0110d::TFqarn0110d(QWidget *owner) : TFinestraRegistro(owner, Fqarn0110d)
{
    UT_LMQ_RG_RecordDialogo(tPars, QStringLiteral("LUMO_StaRegCi"));
    TTRegCon = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_RegCon"));
    TTRegConTot = UT_LMQ_RG_TabellaLocale(this, QStringLiteral("LUMO_t_RegConTot"));
    SetActiveControl(ui->edIdRaggMag);
}

TFqarn0110d::~TFqarn0110d() = default;

void TFqarn0110d::FormCreate()
{
    TFDBChildPars::FormCreate();
    _TipoRegistro = QStringLiteral("CON");
    Funzioni::PulisciTabella(TTRegCon);
    Funzioni::PulisciTabella(TTRegConTot);
    tPars->FieldByName(QStringLiteral("IdRaggMag"))->OnValidate = [this](TField *f) { tParsIdRaggMagValidate(f); };
    tPars->FieldByName(QStringLiteral("IdRaggMag"))->OnChange = [this](TField *) { edIdRaggMagExit(); };
    UT_LMQ_RG_ControlliPeriodo(tPars, ui->edDaData, ui->edA_Data);
}

void TFqarn0110d::tParsIdRaggMagValidate(TField *campo)
{
    UT_LMQ_RG_GruppoDigitato(campo->AsInteger());
}

int TFqarn0110d::CreaChiaveRegistro()
{
    TField *tipoProd = tPars->FieldByName(QStringLiteral("TipoProd"));
    _TipoRegistro = QStringLiteral("CON") + tPars->FieldByName(QStringLiteral("TipoContr"))->AsString()
                    + QString::number(tipoProd->AsInteger());
    return tipoProd->IsNull() ? -1 : 0;
}

void TFqarn0110d::edIdRaggMagExit()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    if (CreaChiaveRegistro() != 0 || gruppo == 0)
        return;
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, UT_LMQ_RG_ProgressiviRegistri);
    UT_LMQ_RG_MostraProgressivo(tPars, UT_LMQ_RG_ProgressiviRegistri, true);
}

void TFqarn0110d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildPars::btEseguiClick();
    const auto errore = [](const QString &testo, QWidget *fuoco) {
        Kmessages::KMessage(testo, mtError, mbOK);
        if (fuoco)
            fuoco->setFocus();
    };
    if (tPars->FieldByName(QStringLiteral("TipoContr"))->AsString().isEmpty())
        return errore(QStringLiteral("Selezionare un tipo contrassegno"), ui->edTipoContr);
    if (tPars->FieldByName(QStringLiteral("TipoProd"))->IsNull())
        return errore(QStringLiteral("Compilare tutti i dati"), ui->cbTipoProd);
    // The start date follows the last definitive print whenever one exists.
    edIdRaggMagExit();
    if (!UT_LMQ_RG_ControllaEsecuzione(tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger(),
                                       tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime(),
                                       tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), ui->edIdRaggMag,
                                       ui->edDaData, true))
        return;

    TLavoroInCorso lavoro(inCorso_, {btEsegui, btChiudi});
    progInizio_ = UT_LMQ_RG_ProgressiviRegistri;

    if (Elabora() == 0) {
        Kmessages::KMessage(QStringLiteral("Nessun movimento da stampare nel periodo selezionato"), mtInformation,
                            mbOK);
    } else {
        Stampa();
        if (tPars->FieldByName(QStringLiteral("FlDefinitiva"))->AsInteger() == 1
            && Kmessages::KMessage(QStringLiteral("Conferma aggiornamento definitivo dei dati stampati "),
                                   mtConfirmation, mbYesNo)
                   == 6)
            AggiornamentoDati();
    }
    inCorso_ = false;
    btChiudiClick();
}

int TFqarn0110d::Elabora()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QString tipoContr = tPars->FieldByName(QStringLiteral("TipoContr"))->AsString();
    const int tipoProd = tPars->FieldByName(QStringLiteral("TipoProd"))->AsInteger();
    TXDatabase &db = DMIDataBases::Instance().Global();
    ContaRighe = progInizio_.UltNumRiga;
    Funzioni::PulisciTabella(TTRegConTot);

    // Stamp totals in table order: the stored stock first (every stamp of the grouping and
    // product type, whatever its type), then the stamps as met.
    struct Totale {
        QString IdConIva, DsConIva;
        bool stock = false, movimenti = false, imbottigliato = false;
        double EsistenzaIni = 0, Carico = 0, Scarico = 0, EsistenzaFin = 0, Imbottigliato = 0;
    };
    std::vector<Totale> totali;
    QHash<QString, int> indice;
    TXQuery *qProg = DMILUMO_reg->qProgRegConT;
    qProg->Close();
    qProg->ParamByName(QStringLiteral("IdRaggMag"))->SetValue(gruppo);
    qProg->ParamByName(QStringLiteral("TipoProdotto"))->SetValue(tipoProd);
    qProg->Open();
    for (; !qProg->Eof(); qProg->Next()) {
        Totale t;
        t.IdConIva = qProg->FieldByName(QStringLiteral("IdConIva"))->AsString();
        t.DsConIva = qProg->FieldByName(QStringLiteral("DsConIva"))->AsString();
        t.stock = t.imbottigliato = true;
        t.EsistenzaIni = t.EsistenzaFin = qProg->FieldByName(QStringLiteral("Esistenza"))->AsFloat();
        t.Imbottigliato = qProg->FieldByName(QStringLiteral("GiacImbott"))->AsFloat();
        indice.insert(t.IdConIva, int(totali.size()));
        totali.push_back(t);
    }
    qProg->Close();

    // The register lines in one statement on the company database (the movements of the
    // grouping's warehouses as the data module reads them, of the stamp type and product type
    // asked for, in date and movement order), copied into the local work table numbered from
    // the stored progressive. Units, never litres: no bottle capacity applies; a column not
    // moved stays empty.
    const QString tabella = QStringLiteral("LUMO_t_RegCon");
    const auto pezzi = [](int carSca) {
        return QStringLiteral("(CASE WHEN CausaliMagaz.UT_LMQ_FlCarSca = %1 AND CausaliMagaz.UT_LMQ_FlSegno IN (0, 1) "
                              "THEN MovMagazzino.Quantita * (CASE WHEN CausaliMagaz.UT_LMQ_FlSegno = 0 THEN 1.0 "
                              "ELSE -1.0 END) END)")
            .arg(carSca);
    };
    const QStringList colonne = {
        QStringLiteral("IdMagazzino1"), QStringLiteral("DataMovimento"),  QStringLiteral("DataDocumento"),
        QStringLiteral("RifDocumento"), QStringLiteral("IdCausale"),      QStringLiteral("DsCausale"),
        QStringLiteral("IdContoTp"),    QStringLiteral("IdConto"),        QStringLiteral("IdProdotto"),
        QStringLiteral("DsProdotto"),   QStringLiteral("RagioneSociale"), QStringLiteral("IdConIva"),
        QStringLiteral("DsConIva"),     QStringLiteral("FlCarSca"),       QStringLiteral("FlSegno"),
        QStringLiteral("IdRaggMag"),    QStringLiteral("QtaCarico"),      QStringLiteral("QtaScarico")};
    const QStringList espressioni = {QStringLiteral("MovMagazzino.IdMagazzino1"),
                                     QStringLiteral("MovMagazzino.DataMovimento"),
                                     QStringLiteral("MovMagazzino.DataDocumento"),
                                     QStringLiteral("MovMagazzino.RifDocumento"),
                                     QStringLiteral("MovMagazzino.IdCausale"),
                                     QStringLiteral("CausaliMagaz.DsCausale"),
                                     QStringLiteral("MovMagazzino.IdContoTp"),
                                     QStringLiteral("MovMagazzino.IdConto"),
                                     QStringLiteral("MovMagazzino.IdProdotto"),
                                     QStringLiteral("Articoli.DsProdotto"),
                                     UT_LMQ_RG_SqlRagioneSociale(),
                                     QStringLiteral("Articoli.UT_LMQ_IdConIva"),
                                     QStringLiteral("Articoli.DsConIva"),
                                     QStringLiteral("CausaliMagaz.UT_LMQ_FlCarSca"),
                                     QStringLiteral("CausaliMagaz.UT_LMQ_FlSegno"),
                                     QString::number(gruppo),
                                     pezzi(0),
                                     pezzi(1)};
    QVariantList valori{QDateTime(tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QTime(0, 0)),
                        UT_LMQ_RG_FineGiorno(tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime()), gruppo};
    // The articles' stamp codes of the type read first and listed: a list of codes the server
    // estimates from its statistics, where a condition on part of the code would have it plan
    // the movements' joins for a handful of rows.
    QStringList codici;
    for (QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT DISTINCT UT_LMQ_IdConIva FROM Articoli "
                                                   "WHERE SUBSTR(UT_LMQ_IdConIva, 1, 1) = ?"),
                                    {tipoContr});
         q.next();) {
        codici << QStringLiteral(":Contr%1").arg(codici.size());
        valori << q.value(0);
    }
    QString condizioni =
        codici.isEmpty()
            ? QStringLiteral(" AND 1 = 0")
            : QStringLiteral(" AND Articoli.UT_LMQ_IdConIva IN (%1)").arg(codici.join(QStringLiteral(", ")));
    if (tipoProd != 0) {
        condizioni += QStringLiteral(" AND Articoli.UT_LMQ_TipoProd = :TipoProd");
        valori << tipoProd;
    }
    const int righe = UT_LMQ_RG_CopiaRighe(
        tabella,
        UT_LMQ_RG_SqlRighe(tabella, colonne, espressioni,
                           UT_LMQ_RG_LetturaUnita(
                               DMILUMO_reg->qMMRegCon->SQL,
                               {QStringLiteral("Articoli.IdProdotto"), QStringLiteral("Articoli.DsProdotto"),
                                QStringLiteral("Articoli.UT_LMQ_IdConIva"), QStringLiteral("Articoli.UT_LMQ_TipoProd"),
                                QStringLiteral("LUMO_ConIva.DsConIva")}),
                           condizioni),
        valori, colonne, ContaRighe);
    ContaRighe += righe;

    // Stamp totals of the lines, in the order the stamps are first met; the bottled column
    // counts the lines whose causal is flagged for it.
    QHash<QString, bool> imbottigliamento;
    for (QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT IdCausale, UT_LMQ_FlConImb FROM CausaliMagaz")); q.next();)
        imbottigliamento.insert(q.value(0).toString(), q.value(1).toInt() != 0);
    for (QSqlQuery q = UT_LMQ_RG_Lavoro().OpenQuery(
             QStringLiteral("SELECT IdConIva, IdCausale, MAX(DsConIva), COALESCE(SUM(QtaCarico), 0), "
                            "COALESCE(SUM(QtaScarico), 0) FROM ")
             + tabella + QStringLiteral(" GROUP BY IdConIva, IdCausale ORDER BY MIN(NumeroRiga)"));
         q.next();) {
        const QString conIva = q.value(0).toString();
        auto it = indice.constFind(conIva);
        int pos;
        if (it == indice.constEnd()) {
            pos = int(totali.size());
            indice.insert(conIva, pos);
            totali.push_back(Totale{conIva, QString(), false, false, false, 0, 0, 0, 0, 0});
        } else {
            pos = *it;
        }
        Totale &t = totali[size_t(pos)];
        const double carico = q.value(3).toDouble(), scarico = q.value(4).toDouble();
        t.DsConIva = q.value(2).toString();
        t.movimenti = true;
        t.Carico += carico;
        t.Scarico += scarico;
        t.EsistenzaFin += carico - scarico;
        if (imbottigliamento.value(q.value(1).toString())) {
            t.imbottigliato = true;
            t.Imbottigliato += carico - scarico;
        }
    }

    TTRegConTot->Open();
    for (const Totale &t : totali) {
        TTRegConTot->Append();
        TTRegConTot->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
        TTRegConTot->FieldByName(QStringLiteral("TipoProd"))->SetAsInteger(tipoProd);
        TTRegConTot->FieldByName(QStringLiteral("IdConIva"))->SetAsString(t.IdConIva);
        TTRegConTot->FieldByName(QStringLiteral("DsConIva"))->SetAsString(t.DsConIva);
        if (t.stock) // a stamp new to the grouping keeps an empty opening stock
            TTRegConTot->FieldByName(QStringLiteral("EsistenzaIni"))->SetAsFloat(t.EsistenzaIni);
        TTRegConTot->FieldByName(QStringLiteral("EsistenzaFin"))->SetAsFloat(t.EsistenzaFin);
        if (t.movimenti) {
            TTRegConTot->FieldByName(QStringLiteral("CaricoPeriodo"))->SetAsFloat(t.Carico);
            TTRegConTot->FieldByName(QStringLiteral("ScaricoPeriodo"))->SetAsFloat(t.Scarico);
        }
        if (t.imbottigliato)
            TTRegConTot->FieldByName(QStringLiteral("Imbottigliato"))->SetAsFloat(t.Imbottigliato);
        TTRegConTot->Post();
    }
    TTRegConTot->ApplyUpdates();
    TTRegConTot->Close();
    return righe;
}

void TFqarn0110d::Stampa()
{
    std::unique_ptr<TFqarn0110s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TFqarn0110s>()).CreateAs<TFqarn0110s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->ImpostaQuery(stampa->qMain);
    stampa->StampaSu.Aghi = UT_LMQ_Parametri.FlStaRegCon != 1;
    stampa->EseguiStampa(true);
}

bool TFqarn0110d::AggiornamentoDati()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime aData = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    return UT_LMQ_RG_AggiornamentoDefinitivo(gruppo, _TipoRegistro, progInizio_, [&] {
        std::unique_ptr<TXClientTable> testa(
            UT_LMQ_RG_TabellaArchivio(nullptr, QStringLiteral("LUMO_ProgRegCiT"), QStringLiteral("KProgRegT = -1")));
        std::unique_ptr<TXClientTable> anni(
            UT_LMQ_RG_TabellaArchivio(nullptr, QStringLiteral("LUMO_ProgRegCiR"), QStringLiteral("KProgRegR = -1")));
        testa->Open();
        anni->Open();
        TTRegConTot->Open();
        for (TTRegConTot->First(); !TTRegConTot->Eof(); TTRegConTot->Next()) {
            const QString conIva = TTRegConTot->FieldByName(QStringLiteral("IdConIva"))->AsString();
            const int tipoProd = TTRegConTot->FieldByName(QStringLiteral("TipoProd"))->AsInteger();
            if (testa->Locate(QStringLiteral("IdRaggMag;IdConIva;TipoProdotto"),
                              QVariantList{gruppo, conIva, tipoProd})) {
                testa->Edit();
            } else {
                testa->Insert();
                testa->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
                testa->FieldByName(QStringLiteral("IdConIva"))->SetAsString(conIva);
                testa->FieldByName(QStringLiteral("TipoProdotto"))->SetAsInteger(tipoProd);
            }
            testa->FieldByName(QStringLiteral("Esistenza"))
                ->SetAsFloat(TTRegConTot->FieldByName(QStringLiteral("EsistenzaFin"))->AsFloat());
            // The closing bottled stock opens the next register.
            testa->FieldByName(QStringLiteral("GiacImbott"))
                ->SetAsFloat(TTRegConTot->FieldByName(QStringLiteral("Imbottigliato"))->AsFloat());
            testa->FieldByName(QStringLiteral("DataUltAgg"))->SetAsDateTime(aData);
            const int chiave = testa->FieldByName(QStringLiteral("KProgRegT"))->AsInteger();
            testa->Post();

            if (anni->Locate(QStringLiteral("KProgRegT;Anno"), QVariantList{chiave, CFG.Anno})) {
                anni->Edit();
            } else {
                anni->Insert();
                anni->FieldByName(QStringLiteral("KProgRegT"))->SetAsInteger(chiave);
                anni->FieldByName(QStringLiteral("Anno"))->SetAsInteger(CFG.Anno);
            }
            TField *carico = anni->FieldByName(QStringLiteral("ProgCarico"));
            TField *scarico = anni->FieldByName(QStringLiteral("ProgScarico"));
            carico->SetAsFloat(carico->AsFloat()
                               + TTRegConTot->FieldByName(QStringLiteral("CaricoPeriodo"))->AsFloat());
            scarico->SetAsFloat(scarico->AsFloat()
                                + TTRegConTot->FieldByName(QStringLiteral("ScaricoPeriodo"))->AsFloat());
            anni->Post();
        }
        TTRegConTot->Close();
        UT_LMQ_RG_ScrivoProgReg(gruppo, _TipoRegistro, aData, ContaRighe);
    });
}

DUSARIA_FINESTRA(TFqarn0110d, Fqarn0110d);
