#include "deposits/Qarn0211d.h"

#include "ui_Qarn0211d.h"

#include "deposits/Lumo_cauzioni.h"
#include "deposits/Lumo_lavori.h"
#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/business/Dmibase.h"
#include "host/core/KFormati.h"
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBControls.h"
#include "host/ui/Kmessages.h"

DUSARIA_FINESTRA(TFqarn0211d, Fqarn0211d);

namespace {

// A source card as read.
struct SchedaOrigine {
    QString IdImballo;
    QString IdDivisa;
    double ProgQtaCar, ProgQtaRes, ProgValCar, ProgValRes, QtaCarEcc, QtaResEcc;
    bool operator==(const SchedaOrigine &) const = default;
};

// The head of one side, posted; answers its key.
qint64 ScriviTesta(const TLumoTestaCauzioni &t)
{
    TXClientTable *teste = DMILUMO->TRS_MovCauT;
    Funzioni::CheckTabOpen(teste);
    teste->Append();
    auto campo = [&](const char *nome) { return teste->FieldByName(QLatin1String(nome)); };
    campo("DataReg")->SetAsDateTime(t.DataReg);
    campo("FlTipoDocColl")->SetAsInteger(0); // a manual movement
    campo("KDocT")->SetAsInteger(0);
    campo("IdContoTp")->SetAsString(t.IdContoTp);
    campo("IdConto")->SetAsString(t.IdConto);
    campo("IdDestinazione")->SetAsInteger(t.IdDestinazione);
    campo("IdDivisa")->SetAsString(t.IdDivisa);
    campo("Cambio")->SetAsFloat(t.Cambio);
    campo("FlAggCau")->SetAsInteger(t.FlAggCau);
    campo("FlAggCauF")->SetAsInteger(t.FlAggCauF);
    campo("FlAggCauB")->SetAsInteger(t.FlAggCauB);
    teste->Post();
    return campo("KContaT")->AsLargeInt();
}

// A row under the head, posted and booked on the cards.
void ScriviRiga(qint64 testa, const TLumoTestaCauzioni &t, const TLumoRigaCauzioni &r)
{
    TXClientTable *righe = DMILUMO->TRS_MovCauR;
    Funzioni::CheckTabOpen(righe);
    righe->Append();
    auto campo = [&](const char *nome) { return righe->FieldByName(QLatin1String(nome)); };
    campo("KContaT")->SetAsLargeInt(testa);
    campo("IdImballo")->SetAsString(r.IdImballo);
    campo("QtaCar")->SetAsFloat(r.QtaCar);
    campo("QtaRes")->SetAsFloat(r.QtaRes);
    campo("QtaCarEcc")->SetAsFloat(r.QtaCarEcc);
    campo("QtaResEcc")->SetAsFloat(r.QtaResEcc);
    campo("Prezzo")->SetAsFloat(r.Prezzo);
    campo("ValoreCar")->SetAsFloat(r.ValoreCar);
    campo("ValoreRes")->SetAsFloat(r.ValoreRes);
    righe->Post();
    CAUZ_MuoviSchede(t, r, 1);
}

} // namespace

TFqarn0211d::TFqarn0211d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0211d)
{
    SetupLayout(*ui);
    TDMIBase::Crea();
    TDMILUMO::Crea();
    tPars->SetTableName(QStringLiteral("LUMO_TrasfCauzCF"));
    tPars->SetUsaDizionario(true);
    tPars->AddCalcField(QStringLiteral("_DaRagioneSociale"), ftString, 50);
    tPars->AddCalcField(QStringLiteral("_ARagioneSociale"), ftString, 50);
    tPars->AddCalcField(QStringLiteral("_IdListCau"), ftString, 3);
    tPars->OnCalcFields = [this](TDataSet *d) { tParsCalcFields(d); };
    tPars->AfterOpen = [this](TDataSet *) {
        auto conto = [this](TField *f) { CAUZ_ControllaConto(Tipo(), f->AsString()); };
        tPars->FieldByName(QStringLiteral("Da_IdConto"))->OnValidate = conto;
        tPars->FieldByName(QStringLiteral("A_IdConto"))->OnValidate = conto;
        tPars->FieldByName(QStringLiteral("Da_IdDestinazione"))->OnValidate = [this](TField *f) {
            CAUZ_ControllaDestinazione(Tipo(), tPars->FieldByName(QStringLiteral("Da_IdConto"))->AsString(),
                                       f->AsInteger());
        };
        tPars->FieldByName(QStringLiteral("A_IdDestinazione"))->OnValidate = [this](TField *f) {
            CAUZ_ControllaDestinazione(Tipo(), tPars->FieldByName(QStringLiteral("A_IdConto"))->AsString(),
                                       f->AsInteger());
        };
    };
    auto filtroConto = [this](TDBCodeEdit *, QString &filtro) { filtro = CAUZ_FiltroConti(Tipo()); };
    ui->edDa_IdConto->OnFiltroRicerca = filtroConto;
    ui->edA_IdConto->OnFiltroRicerca = filtroConto;
    auto filtroDestinazione = [this](const char *campoConto) {
        return [this, campoConto](TDBCodeEdit *, QString &filtro) {
            filtro = CAUZ_FiltroDestinazioni(Tipo(), tPars->FieldByName(QLatin1String(campoConto))->AsString());
        };
    };
    ui->edDa_IdDestinazione->OnFiltroRicerca = filtroDestinazione("Da_IdConto");
    ui->edA_IdDestinazione->OnFiltroRicerca = filtroDestinazione("A_IdConto");
}

TFqarn0211d::~TFqarn0211d()
{
    delete ui;
}

void TFqarn0211d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0211d == this)
        Fqarn0211d = nullptr;
}

QString TFqarn0211d::Tipo() const
{
    return tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString();
}

void TFqarn0211d::tParsCalcFields(TDataSet *)
{
    const QString tipo = Tipo();
    const bool clienti = tipo == QLatin1String("CL");
    TXlkTable *anagrafica = clienti ? DMIBase->lkClienti : DMIBase->lkFornitori;
    auto nome = [&](const char *campoConto, const char *campoNome) {
        const QString conto = tPars->FieldByName(QLatin1String(campoConto))->AsString();
        const bool trovato =
            !conto.isEmpty() && (clienti || tipo == QLatin1String("FO"))
            && TDMIBase::Posiziona(anagrafica, QStringLiteral("IdContoTp;IdConto"), {tipo, conto}, false);
        tPars->FieldByName(QLatin1String(campoNome))
            ->SetAsString(trovato ? anagrafica->FieldByName(QStringLiteral("RagioneSociale"))->AsString() : QString());
        return trovato;
    };
    nome("Da_IdConto", "_DaRagioneSociale");
    const bool target = nome("A_IdConto", "_ARagioneSociale");
    tPars->FieldByName(QStringLiteral("_IdListCau"))
        ->SetAsString(clienti && target ? anagrafica->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->AsString()
                                        : QString());
}

void TFqarn0211d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    Esito esito;
    {
        CAUZ_LavoroInCorso lavoro(this, true);
        esito = Trasferisci();
    }
    if (esito == Esito::Nulla)
        return;
    if (esito == Esito::Completato)
        Kmessages::KMessage(QStringLiteral("Trasferimento Completato!"), mtInformation, mbOK, 0);
    Close();
}

TFqarn0211d::Esito TFqarn0211d::Trasferisci()
{
    TXClientTable *schede = DMILUMO->TRS_ProgCauz;
    TXDatabase &db = schede->Database();
    if (db.InTransaction())
        return Esito::Nulla;
    const QString tipo = Tipo();
    const QString daConto = tPars->FieldByName(QStringLiteral("Da_IdConto"))->AsString();
    const int daDestinazione = tPars->FieldByName(QStringLiteral("Da_IdDestinazione"))->AsInteger();
    const QString listino = tPars->FieldByName(QStringLiteral("_IdListCau"))->AsString();
    const QString schedeOrigine =
        QStringLiteral("IdContoTp = ? AND IdConto = ? AND IdDestinazione = ? AND FlTipoScheda = 0");
    const QString origine = QStringLiteral(" FROM LUMO_ProgCauz WHERE ") + schedeOrigine;
    const QVariantList chiaveOrigine{tipo, daConto, daDestinazione};
    const auto leggiOrigine = [&] {
        QList<SchedaOrigine> carte;
        QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT IdImballo, IdDivisa, ProgQtaCar, ProgQtaRes, ProgValCar, "
                                                  "ProgValRes, QtaCarEcc, QtaResEcc")
                                       + origine + QStringLiteral(" ORDER BY IdImballo"),
                                   chiaveOrigine);
        while (q.next())
            carte.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toDouble(), q.value(3).toDouble(),
                          q.value(4).toDouble(), q.value(5).toDouble(), q.value(6).toDouble(), q.value(7).toDouble()});
        return carte;
    };
    const QString modificate = QStringLiteral("Le schede cauzioni di origine sono state modificate da un altro utente: "
                                              "ripetere il trasferimento.");
    try {
        const QList<SchedaOrigine> carte = leggiOrigine();
        if (carte.isEmpty())
            return Esito::Nulla;
        // the target as its fields check it: the card update books nothing on an account that
        // is missing or keeps no deposits, and the source would be emptied for nothing
        const QString aConto = tPars->FieldByName(QStringLiteral("A_IdConto"))->AsString();
        const auto controllaDestinatario = [&] {
            CAUZ_ControllaConto(tipo, aConto);
            CAUZ_ControllaDestinazione(tipo, aConto,
                                       tPars->FieldByName(QStringLiteral("A_IdDestinazione"))->AsInteger());
        };
        try {
            controllaDestinatario();
        } catch (const Exception &e) {
            Kmessages::KMessage(e.Message, mtError, mbOK, 0);
            return Esito::Nulla;
        }
        TXTransaction transazione(db);
        if (!transazione.Started())
            return Esito::Nulla;
        // the source cards locked until the end: they must still be as read
        CAUZ_BloccaSchede(schedeOrigine, chiaveOrigine);
        if (leggiOrigine() != carte)
            throw Exception(modificate);
        // and as stored now, locked until the end: another user may have changed it since
        CAUZ_BloccaConto(db, tipo, aConto);
        controllaDestinatario();
        kv8data::CheckPoint(QStringLiteral("trasferimento"));
        // cards left at a destination of a customer who keeps no cards per destination any
        // more: the card update books on destination 0 and would never empty them
        if (daDestinazione != 0
            && (tipo != QLatin1String("CL")
                || !TDMIBase::Posiziona(DMIBase->lkClienti, QStringLiteral("IdContoTp;IdConto"), {tipo, daConto})
                || DMIBase->lkClienti->FieldByName(QStringLiteral("UT_LMQ_FlCauDes"))->AsInteger() == 0))
            throw Exception(QStringLiteral("Il conto non gestisce più le cauzioni per destinazione: eseguire il "
                                           "Ricalcolo Progressivi Cauzioni, che riporta le schede della destinazione "
                                           "%1 sulla destinazione 0, poi trasferire dalla destinazione 0.")
                                .arg(daDestinazione));
        const QString divisa = carte.first().IdDivisa;
        for (const SchedaOrigine &c : std::as_const(carte))
            if (c.IdDivisa != divisa)
                throw Exception(QStringLiteral("Le schede cauzioni di origine sono in divise diverse: trasferire le "
                                               "cauzioni con la prima nota cauzioni."));
        const QDateTime oggi(QDate::currentDate(), QTime(0, 0));

        // source: the general set and the excess emptied, valued as the cards hold them
        const TLumoTestaCauzioni testaOrigine{oggi, tipo, daConto, daDestinazione, divisa, 1, 1, 0, 0};
        const qint64 kOrigine = ScriviTesta(testaOrigine);
        for (const SchedaOrigine &c : std::as_const(carte)) {
            Application->ProcessMessages();
            TLumoRigaCauzioni r;
            r.IdImballo = c.IdImballo;
            r.QtaCar = -c.ProgQtaCar;
            r.QtaRes = -c.ProgQtaRes;
            r.QtaCarEcc = -c.QtaCarEcc;
            r.QtaResEcc = -c.QtaResEcc;
            r.ValoreCar = -c.ProgValCar;
            r.ValoreRes = -c.ProgValRes;
            ScriviRiga(kOrigine, testaOrigine, r);
        }
        // the statement writes the moved cards first: any figure left is on a card another user
        // made after the lock
        const int rimaste = db.ScalarValue(QStringLiteral("SELECT COUNT(*)") + origine
                                               + QStringLiteral(" AND (ProgQtaCar <> 0 OR ProgQtaRes <> 0 OR "
                                                                "ProgValCar <> 0 OR ProgValRes <> 0 OR QtaCarEcc <> 0 "
                                                                "OR QtaResEcc <> 0)"),
                                           chiaveOrigine)
                                .toInt();
        if (rimaste != 0)
            throw Exception(modificate);

        // target: every set loaded at the target's prices
        const TLumoTestaCauzioni testaDestinazione{
            oggi, tipo, aConto, tPars->FieldByName(QStringLiteral("A_IdDestinazione"))->AsInteger(), divisa, 1,
            1,    1,    1};
        const qint64 kDestinazione = ScriviTesta(testaDestinazione);
        const int decimali = KFormati::GetDecimali(KFormati::fnValoreIT);
        for (const SchedaOrigine &c : std::as_const(carte)) {
            Application->ProcessMessages();
            TLumoRigaCauzioni r;
            r.IdImballo = c.IdImballo;
            r.QtaCar = c.ProgQtaCar;
            r.QtaRes = c.ProgQtaRes;
            r.QtaCarEcc = c.QtaCarEcc;
            r.QtaResEcc = c.QtaResEcc;
            r.Prezzo = UT_LMQ_CAUZ_PrezzoCauzione(listino, c.IdDivisa, c.IdImballo);
            r.ValoreCar = UT_LMQ_CAUZ_CalcValCau(r.Prezzo, r.QtaCar, decimali);
            r.ValoreRes = UT_LMQ_CAUZ_CalcValCau(r.Prezzo, r.QtaRes, decimali);
            ScriviRiga(kDestinazione, testaDestinazione, r);
        }
        transazione.Commit();
        return Esito::Completato;
    } catch (const std::exception &e) {
        // nothing held of what was rolled back
        schede->Close();
        DMILUMO->TRS_MovCauT->Close();
        DMILUMO->TRS_MovCauR->Close();
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
        return Esito::Errore;
    }
}
