#include "registers/Qarn0101d.h"

#include "ui_Qarn0101d.h"

#include "frame/Dmilumo.h"
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
#include "registers/Qarn0101s.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>

#include <memory>
#include <vector>

namespace {

const QString TestoNonTrovato = QStringLiteral("Codice Raggruppamento non trovato");
const QString TestoDataIniziale = QStringLiteral("Data iniziale non valida");
const QString TestoAltroUtente = QStringLiteral("Registro aggiornato da un altro utente: ripetere la stampa");

// The end of a day: a movement stamped with a time of day on the last date is in the period.
QDateTime FineGiorno(const QDateTime &data)
{
    return QDateTime(data.date(), QTime(23, 59, 59, 999));
}

TXTable *TabellaLocale(QObject *owner, const QString &name)
{
    auto *t = new TXTable(owner);
    t->SetName(QStringLiteral("TT") + name.mid(7)); // TTRegCs, TTRegCsTot
    t->SetDatabaseName(QStringLiteral("LocalDatabase"));
    t->SetTableName(name);
    t->SetUsaDizionario(true);
    t->SetXAutoApply(false); // written once at the end, not a disk sync per row
    return t;
}

} // namespace

TFqarn0101d::TFqarn0101d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0101d)
{
    SetupLayout(*ui);
    TDMILUMO::Crea();
    TDMILUMO_reg::Crea();
    tPars->SetTableName(QStringLiteral("LUMO_StaRegCs"));
    tPars->SetUsaDizionario(true);
    tPars->AddLookupField(QStringLiteral("_DsRaggMag"), ftString, 30, DMILUMO->lkLUMO_RaggMagT,
                          QStringLiteral("IdRaggMag"), QStringLiteral("IdRaggMag"), QStringLiteral("DsRaggrupp"));
    TTRegCs = TabellaLocale(this, QStringLiteral("LUMO_t_RegCs"));
    TTRegCsTot = TabellaLocale(this, QStringLiteral("LUMO_t_RegCsTot"));
    SetActiveControl(ui->edIdRaggMag);
}

TFqarn0101d::~TFqarn0101d()
{
    delete ui;
}

void TFqarn0101d::FormCreate()
{
    TFDBChildPars::FormCreate();
    _TipoRegistro = QStringLiteral("CASC");
    Funzioni::PulisciTabella(TTRegCs);
    Funzioni::PulisciTabella(TTRegCsTot);
    tPars->FieldByName(QStringLiteral("IdRaggMag"))->OnValidate = [this](TField *) { IdRaggMagValidate(); };
    tPars->FieldByName(QStringLiteral("DaData"))->OnValidate = [this](TField *f) {
        const QDateTime ultima = tPars->FieldByName(QStringLiteral("DataUltSta"))->AsDateTime();
        if (!f->IsNull() && !ultima.isNull() && ultima.date() >= f->AsDateTime().date())
            Kmessages::KMessage(TestoDataIniziale, mtError, mbOK);
    };
    tPars->FieldByName(QStringLiteral("A_Data"))->OnValidate = [this](TField *f) {
        const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
        if (!f->IsNull() && !da.isNull() && da.date() > f->AsDateTime().date())
            Kmessages::KMessage(QStringLiteral("Data finale non corretta"), mtError, mbOK);
    };
}

void TFqarn0101d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0101d == this)
        Fqarn0101d = nullptr;
}

void TFqarn0101d::XFormCloseQuery(bool &canClose)
{
    TFDBChildPars::XFormCloseQuery(canClose);
    if (inCorso_)
        canClose = false;
}

void TFqarn0101d::IdRaggMagValidate()
{
    TField *campo = tPars->FieldByName(QStringLiteral("IdRaggMag"));
    const int gruppo = campo->AsInteger();
    if (gruppo == 0)
        return; // no grouping yet: the run asks for one
    if (!DMILUMO->lkLUMO_RaggMagT->Locate(QStringLiteral("IdRaggMag"), gruppo))
        throw Exception(TestoNonTrovato);
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, UT_LMQ_RG_ProgressiviRegistri);
    const TUT_LMQ_RG_ProgressiviRegistri &p = UT_LMQ_RG_ProgressiviRegistri;
    if (!p.DataUltAgg.isNull())
        tPars->FieldByName(QStringLiteral("DaData"))->SetAsDateTime(p.DataUltAgg.date().addDays(1));
    tPars->FieldByName(QStringLiteral("UltNumRiga"))->SetAsInteger(p.UltNumRiga);
    TField *ultima = tPars->FieldByName(QStringLiteral("DataUltSta"));
    if (p.DataUltAgg.isNull())
        ultima->Clear();
    else
        ultima->SetAsDateTime(p.DataUltAgg);
}

void TFqarn0101d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildPars::btEseguiClick();
    const auto errore = [](const QString &testo, QWidget *fuoco) {
        Kmessages::KMessage(testo, mtError, mbOK);
        if (fuoco)
            fuoco->setFocus();
    };
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    if (gruppo == 0)
        return errore(QStringLiteral("Nessun Codice di raggruppamento specificato"), ui->edIdRaggMag);
    if (da.isNull() || a.isNull() || a.date() < da.date())
        return errore(QStringLiteral("Data Iniziale superiore alla data finale"), ui->edDaData);
    if (da.date().year() != CFG.Anno || a.date().year() != CFG.Anno)
        return errore(QStringLiteral("Anno data inizio / fine non coerente con esercizio in uso"), ui->edDaData);

    inCorso_ = true;
    struct Fine {
        bool &flag;
        ~Fine() { flag = false; }
    } fine{inCorso_};
    TSenzaInputUtente senzaInput;

    // Another user may have stored a print since the grouping was typed.
    UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, progInizio_);
    tPars->FieldByName(QStringLiteral("UltNumRiga"))->SetAsInteger(progInizio_.UltNumRiga);
    if (progInizio_.DataUltAgg.isNull())
        tPars->FieldByName(QStringLiteral("DataUltSta"))->Clear();
    else
        tPars->FieldByName(QStringLiteral("DataUltSta"))->SetAsDateTime(progInizio_.DataUltAgg);

    if (Elabora() == 0) {
        Kmessages::KMessage(QStringLiteral("Nessun movimento da stampare nel periodo selezionato"), mtInformation, mbOK);
    } else {
        Stampa();
        if (tPars->FieldByName(QStringLiteral("FlDefinitiva"))->AsInteger() == 1) {
            if (!progInizio_.DataUltAgg.isNull() && da.date() <= progInizio_.DataUltAgg.date())
                Kmessages::KMessage(TestoDataIniziale, mtError, mbOK); // the overlap would be booked twice
            else if (Kmessages::KMessage(QStringLiteral("Conferma aggiornamento definitivo dei dati stampati "),
                                         mtConfirmation, mbYesNo) == 6)
                AggiornamentoDati();
        }
    }
    inCorso_ = false;
    btChiudiClick();
}

int TFqarn0101d::Elabora()
{
    const int gruppo = tPars->FieldByName(QStringLiteral("IdRaggMag"))->AsInteger();
    TXDatabase &db = DMIDataBases::Instance().Global();
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

    // Warehouses of the grouping and bottle capacities, held in memory for the scan.
    QSet<int> magazzini;
    for (QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT IdMagazzino FROM LUMO_RaggMagR WHERE IdRaggMag = ?"), {gruppo});
         q.next();)
        magazzini.insert(q.value(0).toInt());
    QHash<QString, double> capacita;
    for (QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT IdBottiglia, Capacita FROM LUMO_Bottiglie")); q.next();)
        capacita.insert(q.value(0).toString(), q.value(1).toDouble());

    THourGlass clessidra;
    LockWindowUpdate(this);
    TXQuery *q = DMILUMO_reg->qMMRegCs;
    q->Close();
    q->SetUniDirectional(true);
    q->ParamByName(QStringLiteral("DaData"))->SetValue(QDateTime(tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime().date(), QTime(0, 0)));
    q->ParamByName(QStringLiteral("A_Data"))->SetValue(FineGiorno(tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime()));
    struct Chiusura {
        TXQuery *q;
        ~Chiusura()
        {
            q->Close();
            Mdimainbase::ProgressEnd();
            LockWindowUpdate(nullptr);
        }
    } chiusura{q};
    q->Open();
    Mdimainbase::ProgressStart(q->RecordCount(), QStringLiteral("Elaborazione movimenti in corso.."));

    TField *fMag = q->FieldByName(QStringLiteral("IdMagazzino1"));
    TField *fTipArt = q->FieldByName(QStringLiteral("UT_LMQ_FlTipArt"));
    TField *fBott = q->FieldByName(QStringLiteral("UT_LMQ_IdBottiglia"));
    TField *fCarSca = q->FieldByName(QStringLiteral("UT_LMQ_FlCarSca"));
    TField *fSegno = q->FieldByName(QStringLiteral("UT_LMQ_FlSegno"));
    TField *fQta = q->FieldByName(QStringLiteral("Quantita"));
    TField *fCat = q->FieldByName(QStringLiteral("UT_LMQ_IdCatVin"));
    TField *fDsCat = q->FieldByName(QStringLiteral("DsCatVin"));
    TField *fTipo = q->FieldByName(QStringLiteral("IdContoTp"));
    const QStringList copiati = {QStringLiteral("IdMagazzino1"), QStringLiteral("DataMovimento"),
                                 QStringLiteral("DataDocumento"), QStringLiteral("RifDocumento"),
                                 QStringLiteral("IdCausale"), QStringLiteral("DsCausale"),
                                 QStringLiteral("IdContoTp"), QStringLiteral("IdConto"),
                                 QStringLiteral("IdProdotto"), QStringLiteral("DsProdotto"),
                                 QStringLiteral("Quantita")};
    std::vector<std::pair<TField *, TField *>> copie;
    TTRegCs->Open();
    for (const QString &c : copiati)
        copie.emplace_back(TTRegCs->FieldByName(c), q->FieldByName(c));
    TField *rKey = TTRegCs->FieldByName(QStringLiteral("Kmovmag"));
    TField *qKey = q->FieldByName(QStringLiteral("KMovMag"));
    TField *rCarico = TTRegCs->FieldByName(QStringLiteral("CaricoLitri"));
    TField *rScarico = TTRegCs->FieldByName(QStringLiteral("ScaricoLitri"));

    for (; !q->Eof(); q->Next()) {
        if (magazzini.contains(fMag->AsInteger())) {
            const double perUnita = fTipArt->AsInteger() == 4 ? 1.0 : capacita.value(fBott->AsString(), 0.0);
            const int carSca = fCarSca->AsInteger();
            const int segno = fSegno->AsInteger();
            TTRegCs->Append();
            for (const auto &[dest, src] : copie)
                dest->SetValue(src->Value());
            rKey->SetValue(qKey->Value());
            TTRegCs->FieldByName(QStringLiteral("CAPACITA"))->SetAsFloat(perUnita);
            TTRegCs->FieldByName(QStringLiteral("IdCatVin"))->SetAsString(fCat->AsString());
            TTRegCs->FieldByName(QStringLiteral("DsCatVin"))->SetAsString(fDsCat->AsString());
            TTRegCs->FieldByName(QStringLiteral("FlCarSca"))->SetAsInteger(carSca);
            TTRegCs->FieldByName(QStringLiteral("FlSegno"))->SetAsInteger(segno);
            const QString tipo = fTipo->AsString();
            TTRegCs->FieldByName(QStringLiteral("RagioneSociale"))
                ->SetAsString(tipo == QLatin1String("CL")   ? q->FieldByName(QStringLiteral("CliRagSoc"))->AsString()
                              : tipo == QLatin1String("FO") ? q->FieldByName(QStringLiteral("ForRagSoc"))->AsString()
                                                            : QString());
            const double litri = fQta->AsFloat() * perUnita;
            double carico = 0, scarico = 0;
            if ((carSca == 0 || carSca == 1) && (segno == 0 || segno == 1)) {
                const double valore = segno == 0 ? litri : -litri;
                (carSca == 0 ? carico : scarico) = valore;
                (carSca == 0 ? rCarico : rScarico)->SetAsFloat(valore);
            }
            TotaleCarico += carico;
            TotaleScarico += scarico;
            TTRegCs->FieldByName(QStringLiteral("IdRaggMag"))->SetAsInteger(gruppo);
            ++ContaRighe;
            TTRegCs->FieldByName(QStringLiteral("NumeroRiga"))->SetAsInteger(ContaRighe);
            TTRegCs->Post();

            const QString cat = fCat->AsString();
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
            t.DsCatVin = fDsCat->AsString();
            t.movimenti = true;
            t.Carico += carico;
            t.Scarico += scarico;
            if (carSca == 0)
                t.EsistenzaFin += carico;
            else if (carSca == 1)
                t.EsistenzaFin -= scarico;
        }
        Mdimainbase::ProgressStep();
    }
    TTRegCs->ApplyUpdates();
    const int righe = TTRegCs->RecordCount();
    TTRegCs->Close();

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
    TXDatabase &db = DMIDataBases::Instance().Global();
    return Funzioni::EseguiInTransazione(db, [&] {
        TUT_LMQ_RG_ProgressiviRegistri ora;
        UT_LMQ_RG_LeggoProgReg(gruppo, _TipoRegistro, ora);
        if (ora.UltNumRiga != progInizio_.UltNumRiga || ora.DataUltAgg.date() != progInizio_.DataUltAgg.date())
            throw Exception(TestoAltroUtente);

        TXClientTable testa;
        testa.SetDatabaseName(QStringLiteral("GlobalDatabase"));
        testa.SetTableName(QStringLiteral("LUMO_ProgRegCsT"));
        testa.SetUsaDizionario(true);
        testa.SetXWhereVuoto(QStringLiteral("KProgRegT = -1"));
        testa.Open();
        TXClientTable anni;
        anni.SetDatabaseName(QStringLiteral("GlobalDatabase"));
        anni.SetTableName(QStringLiteral("LUMO_ProgRegCsR"));
        anni.SetUsaDizionario(true);
        anni.SetXWhereVuoto(QStringLiteral("KProgRegR = -1"));
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
            testa.FieldByName(QStringLiteral("Esistenza"))->SetAsFloat(TTRegCsTot->FieldByName(QStringLiteral("EsistenzaFin"))->AsFloat());
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
            scarico->SetAsFloat(scarico->AsFloat() + TTRegCsTot->FieldByName(QStringLiteral("ScaricoPeriodo"))->AsFloat());
            anni.Post();
        }
        TTRegCsTot->Close();
        UT_LMQ_RG_ScrivoProgReg(gruppo, _TipoRegistro, aData, ContaRighe);
    });
}

DUSARIA_FINESTRA(TFqarn0101d, Fqarn0101d);
