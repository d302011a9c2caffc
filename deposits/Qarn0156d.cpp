#include "deposits/Qarn0156d.h"

#include "ui_Qarn0156d.h"

#include "deposits/Lumo_cauzioni.h"
#include "deposits/Lumo_lavori.h"
#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmisven.h"
#include "host/core/KFormati.h"
#include "host/data/TXQuery.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QSqlQuery>

DUSARIA_FINESTRA(TFqarn0156d, Fqarn0156d);

namespace {

// One pass of the rebuild: its caption, its rows (head and row columns under the journal's
// names) and whether they are manual movement rows.
struct Passo {
    const char *caption;
    QString sql;
    bool manuale;
};

// The summary rows of a document kind with their head and causal, under the journal's names.
QString Castelletti(const QString &tabella, const QString &teste, const QString &causali, const QString &chiave,
                    const QString &tipoConto, const QString &conto)
{
    return QStringLiteral("SELECT T.DataDocumento, T.%5, T.%6, T.IdDestinazione, T.IdDivisa, T.Cambio, "
                          "C.UT_LMQ_FlAggCau, C.UT_LMQ_FlAggCauF, C.UT_LMQ_FlAggCauB, M.IdImballo, M.QtaCar, M.QtaRes, "
                          "M.QtaCarEcc, M.QtaResEcc, M.Prezzo, M.ValoreCar, M.ValoreRes FROM %1 M "
                          "LEFT JOIN %2 T ON T.%4 = M.%4 LEFT JOIN %3 C ON C.IdCausale = T.IdCausale ORDER BY T.%4")
        .arg(tabella, teste, causali, chiave, tipoConto, conto);
}

} // namespace

TFqarn0156d::TFqarn0156d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0156d)
{
    SetupLayout(*ui);
    TDMILUMO::Crea();
    tPars->SetTableName(QStringLiteral("lumo0156d"));
    tPars->SetUsaDizionario(true);
}

TFqarn0156d::~TFqarn0156d()
{
    delete ui;
}

void TFqarn0156d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0156d == this)
        Fqarn0156d = nullptr;
}

void TFqarn0156d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    if (Kmessages::KMessage(QStringLiteral("Confermi elaborazione"), mtInformation, mbYesNo, 0) != mrYes)
        return;
    switch (tPars->FieldByName(QStringLiteral("FlTipoRicalcolo"))->AsInteger()) {
    case 0:
        CalcolaProgressivi();
        break;
    case 1:
        GeneraMovCau();
        break;
    case 2:
        GeneraCastellettoDocumenti();
        break;
    default:
        break;
    }
}

void TFqarn0156d::CalcolaProgressivi()
{
    TXClientTable *schede = DMILUMO->TRS_ProgCauz;
    Funzioni::CheckTabOpen(schede);
    TXDatabase &db = schede->Database();
    if (db.InTransaction())
        return;
    const Passo passi[] = {
        {"Aggiorna progressivi da movimenti",
         QStringLiteral("SELECT T.DataReg, T.IdContoTp, T.IdConto, T.IdDestinazione, T.IdDivisa, T.Cambio, T.FlAggCau, "
                        "T.FlAggCauF, T.FlAggCauB, R.IdImballo, R.QtaCar, R.QtaRes, R.QtaCarEcc, R.QtaResEcc, R.Prezzo, "
                        "R.ValoreCar, R.ValoreRes FROM LUMO_MovCauR R LEFT JOIN LUMO_MovCauT T ON T.KContaT = R.KContaT "
                        "WHERE T.KDocT = 0 ORDER BY T.IdContoTp, T.IdConto, T.DataReg"),
         true},
        {"Aggiorna progressivi da bolle clienti",
         Castelletti(QStringLiteral("LUMO_CauzDocBoll"), QStringLiteral("BolleCliTeste"), QStringLiteral("CausaliBolleCli"),
                     QStringLiteral("KBolleCliT"), QStringLiteral("IdClienteTp"), QStringLiteral("IdCliente")),
         false},
        {"Aggiorna progressivi da fatture clienti",
         Castelletti(QStringLiteral("LUMO_CauzDocFatt"), QStringLiteral("FattureCliTeste"), QStringLiteral("CausaliFattCli"),
                     QStringLiteral("KFattCliT"), QStringLiteral("IdClienteTp"), QStringLiteral("IdCliente")),
         false},
        {"Aggiorna progressivi da bolle fornitori",
         Castelletti(QStringLiteral("LUMO_CauzDocBollAcq"), QStringLiteral("BolleForTeste"),
                     QStringLiteral("CausaliBolleFor"), QStringLiteral("KBolleForT"), QStringLiteral("IdFornitoreTp"),
                     QStringLiteral("IdFornitore")),
         false},
    };
    {
        CAUZ_LavoroInCorso lavoro(this, true);
        try {
            TXTransaction transazione(db);
            if (!transazione.Started())
                return;
            // rows the card table held from before the zeroing are stale
            schede->Close();
            db.ExecSQL(QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = 0, ProgQtaRes = 0, ProgValCar = 0, "
                                      "ProgValRes = 0, ProgQtaCarF = 0, ProgQtaResF = 0, ProgValCarF = 0, "
                                      "ProgValResF = 0, ProgQtaCarB = 0, ProgQtaResB = 0, ProgValCarB = 0, "
                                      "ProgValResB = 0, QtaCarEcc = 0, QtaResEcc = 0, EsiAttEcc = 0"));
            Funzioni::CheckTabOpen(schede);
            for (const Passo &p : passi) {
                const int righe = db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM (") + p.sql
                                                 + QStringLiteral(") X"))
                                      .toInt();
                Mdimainbase::ProgressStart(righe, QLatin1String(p.caption));
                QSqlQuery q = db.OpenQuery(p.sql);
                while (q.next()) {
                    TLumoTestaCauzioni t;
                    t.DataReg = q.value(0).toDateTime();
                    t.IdContoTp = q.value(1).toString();
                    t.IdConto = q.value(2).toString();
                    t.IdDestinazione = q.value(3).toInt();
                    t.IdDivisa = q.value(4).toString();
                    t.Cambio = q.value(5).toDouble();
                    t.FlAggCau = q.value(6).toInt();
                    t.FlAggCauF = q.value(7).toInt();
                    t.FlAggCauB = q.value(8).toInt();
                    TLumoRigaCauzioni r;
                    r.IdImballo = q.value(9).toString();
                    r.QtaCar = q.value(10).toDouble();
                    r.QtaRes = q.value(11).toDouble();
                    r.QtaCarEcc = q.value(12).toDouble();
                    r.QtaResEcc = q.value(13).toDouble();
                    r.Prezzo = q.value(14).toDouble();
                    r.ValoreCar = q.value(15).toDouble();
                    r.ValoreRes = q.value(16).toDouble();
                    if (p.manuale)
                        CAUZ_MuoviSchede(t, r, 1);
                    else
                        UT_LMQ_CAUZ_AggiornaProgressivi(t.DataReg, t.IdContoTp, t.IdConto, t.IdDestinazione,
                                                        t.IdDivisa, t.Cambio, r.IdImballo, r.QtaCar, r.QtaRes,
                                                        r.QtaCarEcc, r.QtaResEcc, r.Prezzo, t.FlAggCau, t.FlAggCauF,
                                                        t.FlAggCauB, 0, r.ValoreCar, r.ValoreRes);
                    Mdimainbase::ProgressStep();
                }
                Mdimainbase::ProgressEnd();
            }
            transazione.Commit();
        } catch (const std::exception &e) {
            schede->Close(); // nothing held of what was rolled back
            Mdimainbase::ProgressEnd();
            Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
        }
    }
    Kmessages::KMessage(QStringLiteral("Elaborazione Terminata"), mtInformation, mbOK, 0);
    Close();
}

namespace {

// A document kind of jobs 1 and 2.
struct TipoDocumento {
    int collegamento; // FlTipoDocColl
    QString teste, chiave, castelletto, righe, causali;
};

const TipoDocumento kBolle{1, QStringLiteral("BolleCliTeste"), QStringLiteral("KBolleCliT"),
                           QStringLiteral("LUMO_CauzDocBoll"), QStringLiteral("BolleCliRighe"),
                           QStringLiteral("CausaliBolleCli")};
const TipoDocumento kFatture{2, QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"),
                             QStringLiteral("LUMO_CauzDocFatt"), QStringLiteral("FattureCliRighe"),
                             QStringLiteral("CausaliFattCli")};

QList<qint64> Chiavi(TXDatabase &db, const QString &sql)
{
    QList<qint64> chiavi;
    QSqlQuery q = db.OpenQuery(sql);
    while (q.next())
        if (!q.value(0).isNull())
            chiavi << q.value(0).toLongLong();
    return chiavi;
}

} // namespace

void TFqarn0156d::GeneraMovCau()
{
    TXClientTable *teste = DMILUMO->TRS_MovCauT;
    TXClientTable *righe = DMILUMO->TRS_MovCauR;
    Funzioni::CheckTabOpen(teste);
    Funzioni::CheckTabOpen(righe);
    TXDatabase &db = teste->Database();
    if (db.InTransaction())
        return;
    {
        CAUZ_LavoroInCorso lavoro(this, true);
        for (const TipoDocumento *tipo : {&kBolle, &kFatture}) {
            const QList<qint64> chiavi =
                Chiavi(db, QStringLiteral("SELECT T.%1 FROM %2 M LEFT JOIN %3 T ON T.%1 = M.%1 GROUP BY T.%1 ORDER BY T.%1")
                               .arg(tipo->chiave, tipo->castelletto, tipo->teste));
            Mdimainbase::ProgressStart(int(chiavi.size()), tipo->collegamento == 1
                                                               ? QStringLiteral("Genera movimenti da bolle clienti")
                                                               : QStringLiteral("Genera movimenti da fatture clienti"));
            for (const qint64 chiave : chiavi) {
                Mdimainbase::ProgressStep();
                try {
                    // the document's head and rows together, or nothing of them
                    TXTransaction transazione(db);
                    if (!transazione.Started())
                        break;
                    if (teste->LocateAsStored(QStringLiteral("KDocT;FlTipoDocColl"),
                                              QVariantList{chiave, tipo->collegamento}))
                        continue;
                    QSqlQuery q = db.OpenQuery(
                        QStringLiteral("SELECT T.DataDocumento, T.Anno, T.Serie, T.Numero, T.IdCausale, T.IdClienteTp, "
                                       "T.IdCliente, T.IdDestinazione, T.IdDivisa, T.Cambio, C.UT_LMQ_FlAggCau, "
                                       "C.UT_LMQ_FlAggCauF, C.UT_LMQ_FlAggCauB, C.UT_LMQ_FlAggMovC, M.IdImballo, M.QtaCar, "
                                       "M.QtaRes, M.Prezzo, M.ValoreCar, M.ValoreRes, M.QtaCarEcc, M.QtaResEcc FROM %2 M "
                                       "JOIN %3 T ON T.%1 = M.%1 LEFT JOIN %4 C ON C.IdCausale = T.IdCausale "
                                       "WHERE T.%1 = ? ORDER BY M.KMovimento")
                            .arg(tipo->chiave, tipo->castelletto, tipo->teste, tipo->causali),
                        {chiave});
                    qint64 movimento = 0;
                    while (q.next()) {
                        if (q.value(13).toInt() == 0 || q.value(14).toString().isEmpty()
                            || (q.value(15).toDouble() == 0 && q.value(16).toDouble() == 0))
                            continue;
                        if (movimento == 0) {
                            teste->Append();
                            auto campo = [&](const char *nome) { return teste->FieldByName(QLatin1String(nome)); };
                            campo("DataReg")->SetValue(q.value(0));
                            campo("FlTipoDocColl")->SetAsInteger(tipo->collegamento);
                            campo("KDocT")->SetAsLargeInt(chiave);
                            campo("Anno")->SetValue(q.value(1));
                            campo("Serie")->SetValue(q.value(2));
                            campo("Numero")->SetValue(q.value(3));
                            campo("DataDoc")->SetValue(q.value(0));
                            campo("IdCausale")->SetValue(q.value(4));
                            campo("IdContoTp")->SetValue(q.value(5));
                            campo("IdConto")->SetValue(q.value(6));
                            campo("IdDestinazione")->SetValue(q.value(7));
                            campo("IdDivisa")->SetValue(q.value(8));
                            campo("Cambio")->SetValue(q.value(9));
                            campo("FlAggCau")->SetValue(q.value(10));
                            campo("FlAggCauF")->SetValue(q.value(11));
                            campo("FlAggCauB")->SetValue(q.value(12));
                            teste->Post();
                            movimento = campo("KContaT")->AsLargeInt();
                            if (movimento == 0)
                                throw Exception(QStringLiteral("Il movimento cauzioni non ha ricevuto il numero di "
                                                               "registrazione: ripetere l'elaborazione."));
                        }
                        righe->Append();
                        righe->FieldByName(QStringLiteral("KContaT"))->SetAsLargeInt(movimento);
                        static const char *const copiati[] = {"IdImballo", "QtaCar",   "QtaRes",    "Prezzo",
                                                              "ValoreCar", "ValoreRes", "QtaCarEcc", "QtaResEcc"};
                        for (int i = 0; i < 8; ++i)
                            righe->FieldByName(QLatin1String(copiati[i]))->SetValue(q.value(14 + i));
                        righe->Post();
                    }
                    transazione.Commit();
                } catch (const std::exception &e) {
                    // nothing held of the document rolled back
                    teste->Close();
                    righe->Close();
                    Funzioni::CheckTabOpen(teste);
                    Funzioni::CheckTabOpen(righe);
                    Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
                }
            }
            Mdimainbase::ProgressEnd();
        }
    }
    Kmessages::KMessage(QStringLiteral("Elaborazione Terminata"), mtInformation, mbOK, 0);
    Close();
}

void TFqarn0156d::LeggoCliFor(const QString &IdContoTp, const QString &IdConto)
{
    IdListCau.clear();
    FlCauz = 0;
    FlCauDes = 0;
    const bool clienti = IdContoTp == QLatin1String("CL");
    if (!clienti && IdContoTp != QLatin1String("FO"))
        return;
    TXlkTable *t = clienti ? DMIBase->lkClienti : DMIBase->lkFornitori;
    if (!TDMIBase::Posiziona(t, QStringLiteral("IdContoTp;IdConto"), {IdContoTp, IdConto}, false))
        return;
    IdListCau = t->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->AsString();
    FlCauz = t->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger();
    if (clienti)
        FlCauDes = t->FieldByName(QStringLiteral("UT_LMQ_FlCauDes"))->AsInteger();
}

void TFqarn0156d::GeneraCastellettoDocumenti()
{
    TDMISVen *sven = TDMISVen::Crea();
    TDMIBase *base = TDMIBase::Crea();
    TXDatabase &db = DMILUMO->TRS_MovCauT->Database();
    if (db.InTransaction())
        return;
    {
        CAUZ_LavoroInCorso lavoro(this, false);
        for (const TipoDocumento *tipo : {&kBolle, &kFatture}) {
            const bool bolle = tipo == &kBolle;
            const QList<qint64> chiavi = Chiavi(
                db, QStringLiteral("select T.%1 FROM %2 T LEFT JOIN %3 C ON C.%1 = T.%1 WHERE C.%1 IS NULL GROUP BY T.%1")
                        .arg(tipo->chiave, tipo->teste, tipo->castelletto));
            Mdimainbase::ProgressStart(int(chiavi.size()), bolle ? QStringLiteral("Elabora DDT Clienti")
                                                                 : QStringLiteral("Elabora Fatture Clienti"));
            for (const qint64 chiave : chiavi) {
                Mdimainbase::ProgressStep();
                if (!(bolle ? sven->PosizionaBolla(chiave) : sven->PosizionaFattura(chiave)))
                    continue;
                TDataSet *testa = bolle ? static_cast<TDataSet *>(sven->tBolleCliT) : sven->tFattureCliT;
                TXlkTable *causali = bolle ? base->lkCausBolleCli : base->lkCausFattCli;
                if (!TDMIBase::Posiziona(causali, QStringLiteral("IdCausale"),
                                         {testa->FieldByName(QStringLiteral("IdCausale"))->AsString()}, false)
                    || causali->FieldByName(QStringLiteral("UT_LMQ_FlCauzioni"))->AsInteger() == 0)
                    continue;
                if (bolle) {
                    FlTipoCarReso = causali->FieldByName(QStringLiteral("UT_LMQ_FlReso"))->AsInteger() == 1 ? 1 : 0;
                } else {
                    const int tipoDoc = causali->FieldByName(QStringLiteral("FlTipoDocumento"))->AsInteger();
                    FlTipoCarReso = tipoDoc == 3 || tipoDoc == 12 ? 1 : 0;
                }
                LeggoCliFor(testa->FieldByName(QStringLiteral("IdClienteTp"))->AsString(),
                            testa->FieldByName(QStringLiteral("IdCliente"))->AsString());
                if (FlCauz == 0)
                    continue;
                CreaCastelletto(bolle ? 0 : 1, chiave, testa);
            }
            Mdimainbase::ProgressEnd();
        }
    }
    Kmessages::KMessage(QStringLiteral("Elaborazione terminata.. eseguire generazione movimento e progressivi cauzioni"),
                        mtInformation, mbOK, 0);
}

void TFqarn0156d::CreaCastelletto(int kind, qint64 key, TDataSet *head)
{
    const TipoDocumento &tipo = kind == 0 ? kBolle : kFatture;
    TXDatabase &db = DMILUMO->TRS_MovCauT->Database();
    // the account's per-destination cards
    TXQuery *carte = DMILUMO->qLUMO_ProgCauz;
    if (carte->Active())
        carte->Close();
    carte->ParamByName(QStringLiteral("IdContoTp"))->SetAsWideString(head->FieldByName(QStringLiteral("IdClienteTp"))->AsString());
    carte->ParamByName(QStringLiteral("IdConto"))->SetAsWideString(head->FieldByName(QStringLiteral("IdCliente"))->AsString());
    carte->ParamByName(QStringLiteral("IdDestinazione"))
        ->SetAsInteger(FlCauDes != 0 ? head->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger() : 0);
    carte->ParamByName(QStringLiteral("FlTipoScheda"))->SetAsInteger(0);
    carte->Open();
    TXQuery *imballi = DMILUMO->qImballi;
    if (imballi->Active())
        imballi->Close();
    imballi->Open();

    struct Riga {
        QString IdImballo;
        double EsistenzaAtt = 0, ValoreEsiAtt = 0, EsistenzaB = 0, ValoreEsiB = 0, EsistenzaF = 0, ValoreEsiF = 0;
        double Prezzo = 0, QtaCar = 0, QtaRes = 0;
    };
    QList<Riga> righe;
    try {
        const QString divisa = head->FieldByName(QStringLiteral("IdDivisa"))->AsString();
        for (imballi->First(); !imballi->Eof(); imballi->Next()) {
            Riga r;
            r.IdImballo = imballi->FieldByName(QStringLiteral("IdImballo"))->AsString();
            if (carte->Locate(QStringLiteral("IdImballo"), r.IdImballo)) {
                auto v = [&](const char *c) { return carte->FieldByName(QLatin1String(c))->AsFloat(); };
                r.EsistenzaAtt = v("ProgQtaCar") - v("ProgQtaRes");
                r.ValoreEsiAtt = v("ProgValCar") - v("ProgValRes");
                r.EsistenzaB = v("ProgQtaCarB") - v("ProgQtaResB");
                r.ValoreEsiB = v("ProgValCarB") - v("ProgValResB");
                r.EsistenzaF = v("ProgQtaCarF") - v("ProgQtaResF");
                r.ValoreEsiF = v("ProgValCarF") - v("ProgValResF");
            }
            if (!IdListCau.isEmpty())
                r.Prezzo = UT_LMQ_CAUZ_PrezzoCauzione(IdListCau, divisa, r.IdImballo);
            righe << r;
        }
        auto aggiungi = [&](const QString &imballo, double quantita) {
            if (imballo.isEmpty())
                return;
            qsizetype i = 0;
            while (i < righe.size() && righe.at(i).IdImballo != imballo)
                ++i;
            if (i == righe.size())
                righe.append(Riga{imballo});
            (FlTipoCarReso == 0 ? righe[i].QtaCar : righe[i].QtaRes) += quantita;
        };
        QSqlQuery q = db.OpenQuery(QStringLiteral("select UT_LMQ_IdImballo1, UT_LMQ_IdImballo2, SUM(Lunghezza) AS Lunghezza, "
                                                  "SUM(Quantita) AS Quantita FROM %1 WHERE %2 = ? AND IdProdotto <> '' "
                                                  "GROUP BY UT_LMQ_IdImballo1, UT_LMQ_IdImballo2")
                                       .arg(tipo.righe, tipo.chiave),
                                   {key});
        while (q.next()) {
            aggiungi(q.value(0).toString(), q.value(2).toDouble());
            aggiungi(q.value(1).toString(), q.value(3).toDouble());
        }
        q = QSqlQuery();

        // the whole summary in one go; a document that has one already keeps it
        const int decimali = KFormati::GetDecimali(KFormati::fnValoreIT);
        TXTransaction transazione(db);
        if (!transazione.Started())
            return;
        for (const Riga &r : std::as_const(righe))
            db.ExecSQL(QStringLiteral("INSERT INTO %1 (KMovimento, FlTipoDocColl, %2, IdImballo, EsistenzaAtt, ValoreEsiAtt, "
                                      "EsistenzaB, ValoreEsiB, EsistenzaF, ValoreEsiF, Prezzo, QtaCar, QtaRes, ValoreCar, "
                                      "ValoreRes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                           .arg(tipo.castelletto, tipo.chiave),
                       {db.NewKey(tipo.castelletto, QStringLiteral("KMovimento")), tipo.collegamento, key, r.IdImballo, r.EsistenzaAtt, r.ValoreEsiAtt, r.EsistenzaB, r.ValoreEsiB,
                        r.EsistenzaF, r.ValoreEsiF, r.Prezzo, r.QtaCar, r.QtaRes,
                        UT_LMQ_CAUZ_CalcValCau(r.Prezzo, r.QtaCar, decimali),
                        UT_LMQ_CAUZ_CalcValCau(r.Prezzo, r.QtaRes, decimali)});
        transazione.Commit();
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
    }
    carte->Close();
    imballi->Close();
}
