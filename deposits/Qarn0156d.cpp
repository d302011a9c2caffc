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
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QSet>
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
         QStringLiteral(
             "SELECT T.DataReg, T.IdContoTp, T.IdConto, T.IdDestinazione, T.IdDivisa, T.Cambio, T.FlAggCau, "
             "T.FlAggCauF, T.FlAggCauB, R.IdImballo, R.QtaCar, R.QtaRes, R.QtaCarEcc, R.QtaResEcc, R.Prezzo, "
             "R.ValoreCar, R.ValoreRes FROM LUMO_MovCauR R LEFT JOIN LUMO_MovCauT T ON T.KContaT = R.KContaT "
             "WHERE T.KDocT = 0 ORDER BY T.IdContoTp, T.IdConto, T.DataReg"),
         true},
        {"Aggiorna progressivi da bolle clienti",
         Castelletti(QStringLiteral("LUMO_CauzDocBoll"), QStringLiteral("BolleCliTeste"),
                     QStringLiteral("CausaliBolleCli"), QStringLiteral("KBolleCliT"), QStringLiteral("IdClienteTp"),
                     QStringLiteral("IdCliente")),
         false},
        {"Aggiorna progressivi da fatture clienti",
         Castelletti(QStringLiteral("LUMO_CauzDocFatt"), QStringLiteral("FattureCliTeste"),
                     QStringLiteral("CausaliFattCli"), QStringLiteral("KFattCliT"), QStringLiteral("IdClienteTp"),
                     QStringLiteral("IdCliente")),
         false},
        {"Aggiorna progressivi da bolle fornitori",
         Castelletti(QStringLiteral("LUMO_CauzDocBollAcq"), QStringLiteral("BolleForTeste"),
                     QStringLiteral("CausaliBolleFor"), QStringLiteral("KBolleForT"), QStringLiteral("IdFornitoreTp"),
                     QStringLiteral("IdFornitore")),
         false},
    };
    {
        // the window stays as it is, its buttons greyed, while the bar counts
        Mdimainbase::TLavoro lavoro({btEsegui, btChiudi});
        THourGlass clessidra;
        try {
            TXTransaction transazione(db);
            if (!transazione.Started())
                return;
            // the cards are this run's until the commit: another rebuild, or a card a document
            // creates meanwhile, would be counted twice
            kv8data::HoldTable(db, QStringLiteral("LUMO_ProgCauz"));
            // rows the card table held from before the zeroing are stale
            schede->Close();
            db.ExecSQL(QStringLiteral("UPDATE LUMO_ProgCauz SET ProgQtaCar = 0, ProgQtaRes = 0, ProgValCar = 0, "
                                      "ProgValRes = 0, ProgQtaCarF = 0, ProgQtaResF = 0, ProgValCarF = 0, "
                                      "ProgValResF = 0, ProgQtaCarB = 0, ProgQtaResB = 0, ProgValCarB = 0, "
                                      "ProgValResB = 0, QtaCarEcc = 0, QtaResEcc = 0, EsiAttEcc = 0"));
            kv8data::CheckPoint(QStringLiteral("ricalcolo"));
            Funzioni::CheckTabOpen(schede);
            for (const Passo &p : passi) {
                const int righe =
                    db.ScalarValue(QStringLiteral("SELECT COUNT(*) FROM (") + p.sql + QStringLiteral(") X")).toInt();
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
                        UT_LMQ_CAUZ_AggiornaProgressivi(t.DataReg, t.IdContoTp, t.IdConto, t.IdDestinazione, t.IdDivisa,
                                                        t.Cambio, r.IdImballo, r.QtaCar, r.QtaRes, r.QtaCarEcc,
                                                        r.QtaResEcc, r.Prezzo, t.FlAggCau, t.FlAggCauF, t.FlAggCauB, 0,
                                                        r.ValoreCar, r.ValoreRes);
                    Mdimainbase::ProgressStep();
                }
                Mdimainbase::ProgressEnd();
            }
            transazione.Commit();
        } catch (const std::exception &e) {
            schede->Close(); // nothing held of what was rolled back
            Mdimainbase::ProgressEnd();
            Kmessages::KMessage(Kmessages::ExceptionText(e), Kmessages::JobErrorType(e, mtInformation), mbOK, 0);
        }
    }
    Kmessages::KMessage(QStringLiteral("Elaborazione Terminata"), mtInformation, mbOK, 0);
    Close();
}

namespace {

// Documents of jobs 1 and 2 done in one transaction: what a block costs beside its documents
// (its lock, its reads, the key blocks drawn) spread over many, the lock held for well under a
// second.
constexpr qsizetype kDocumentiPerBlocco = 2000;

// A document kind of jobs 1 and 2.
struct TipoDocumento {
    int collegamento; // FlTipoDocColl
    QString teste, chiave, castelletto, righe, causali;
};

const TipoDocumento kBolle{1,
                           QStringLiteral("BolleCliTeste"),
                           QStringLiteral("KBolleCliT"),
                           QStringLiteral("LUMO_CauzDocBoll"),
                           QStringLiteral("BolleCliRighe"),
                           QStringLiteral("CausaliBolleCli")};
const TipoDocumento kFatture{2,
                             QStringLiteral("FattureCliTeste"),
                             QStringLiteral("KFattCliT"),
                             QStringLiteral("LUMO_CauzDocFatt"),
                             QStringLiteral("FattureCliRighe"),
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

// Which of the documents have a movement of their kind, as stored now.
QSet<qint64> ConMovimento(TXDatabase &db, const TipoDocumento &tipo, const QList<qint64> &documenti)
{
    QSet<qint64> con;
    QSqlQuery q =
        db.OpenQuery(QStringLiteral("SELECT KDocT FROM LUMO_MovCauT WHERE FlTipoDocColl = ? AND KDocT IN (%1)")
                         .arg(CAUZ_ElencoChiavi(documenti)),
                     {tipo.collegamento});
    while (q.next())
        con.insert(q.value(0).toLongLong());
    return con;
}

// Those of the documents that have no summary of their kind, as stored now.
QList<qint64> SenzaCastelletto(TXDatabase &db, const TipoDocumento &tipo, const QList<qint64> &documenti)
{
    QSet<qint64> con;
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT DISTINCT %1 FROM %2 WHERE %1 IN (%3)")
                                   .arg(tipo.chiave, tipo.castelletto, CAUZ_ElencoChiavi(documenti)));
    while (q.next())
        con.insert(q.value(0).toLongLong());
    QList<qint64> senza;
    for (const qint64 chiave : documenti)
        if (!con.contains(chiave))
            senza << chiave;
    return senza;
}

// The movements of the summarised documents given, but those in fatti: for a document, a head
// and a row per summary row to book, none when no row books; in the open transaction (errors
// thrown). The keys are drawn here for what the summaries read decide; the heads and rows copy
// the documents' columns in statements of many keys. A progress step per document.
void GeneraMovimenti(TXDatabase &db, const TipoDocumento &tipo, const QList<qint64> &documenti,
                     const QSet<qint64> &fatti)
{
    QList<qint64> elenco;
    for (const qint64 chiave : documenti)
        if (!fatti.contains(chiave))
            elenco << chiave;
    Mdimainbase::ProgressStep(int(documenti.size() - elenco.size()));
    if (elenco.isEmpty())
        return;
    // a document whose head, causal or booked rows changed since they were read writes fewer
    // rows than decided: the statement throws
    const QString prenotata = QStringLiteral("M.IdImballo <> '' AND (M.QtaCar <> 0 OR M.QtaRes <> 0)");
    CAUZ_InserimentoMultiplo teste = CAUZ_InserimentoMultiplo::PerChiavi(
        db,
        QStringLiteral(
            "INSERT INTO LUMO_MovCauT (KContaT, DataReg, FlTipoDocColl, KDocT, Anno, Serie, Numero, DataDoc, "
            "IdCausale, IdContoTp, IdConto, IdDestinazione, IdDivisa, Cambio, FlAggCau, FlAggCauF, FlAggCauB) "
            "SELECT v.column1, T.DataDocumento, %2, T.%3, T.Anno, T.Serie, T.Numero, T.DataDocumento, "
            "T.IdCausale, T.IdClienteTp, T.IdCliente, T.IdDestinazione, T.IdDivisa, T.Cambio, "
            "C.UT_LMQ_FlAggCau, C.UT_LMQ_FlAggCauF, C.UT_LMQ_FlAggCauB FROM (VALUES %1) AS v JOIN %4 T ON "
            "T.%3 = v.column2 JOIN %5 C ON C.IdCausale = T.IdCausale AND C.UT_LMQ_FlAggMovC <> 0")
            .arg(QStringLiteral("%1"), QString::number(tipo.collegamento), tipo.chiave, tipo.teste, tipo.causali),
        2);
    CAUZ_InserimentoMultiplo righe = CAUZ_InserimentoMultiplo::PerChiavi(
        db,
        QStringLiteral("INSERT INTO LUMO_MovCauR (KContaR, KContaT, IdImballo, QtaCar, QtaRes, Prezzo, ValoreCar, "
                       "ValoreRes, QtaCarEcc, QtaResEcc) SELECT v.column1, v.column2, M.IdImballo, M.QtaCar, M.QtaRes, "
                       "M.Prezzo, M.ValoreCar, M.ValoreRes, M.QtaCarEcc, M.QtaResEcc FROM (VALUES %1) AS v JOIN %2 M "
                       "ON M.KMovimento = v.column3 AND %3")
            .arg(QStringLiteral("%1"), tipo.castelletto, prenotata),
        3);
    QSqlQuery q =
        db.OpenQuery(QStringLiteral("SELECT T.%1, C.UT_LMQ_FlAggMovC, M.IdImballo, M.QtaCar, M.QtaRes, "
                                    "M.KMovimento FROM %2 M JOIN %3 T ON T.%1 = M.%1 LEFT JOIN %4 C ON "
                                    "C.IdCausale = T.IdCausale WHERE T.%1 IN (%5) ORDER BY T.%1, M.KMovimento")
                         .arg(tipo.chiave, tipo.castelletto, tipo.teste, tipo.causali, CAUZ_ElencoChiavi(elenco)));
    qint64 documento = 0;
    qint64 movimento = 0;
    while (q.next()) {
        const qint64 chiave = q.value(0).toLongLong();
        if (chiave != documento) {
            documento = chiave;
            movimento = 0;
            Mdimainbase::ProgressStep();
        }
        if (q.value(1).toInt() == 0 || q.value(2).toString().isEmpty()
            || (q.value(3).toDouble() == 0 && q.value(4).toDouble() == 0))
            continue;
        if (movimento == 0) {
            movimento = db.NewKey(QStringLiteral("LUMO_MovCauT"), QStringLiteral("KContaT"));
            teste.Aggiungi({movimento, chiave});
        }
        righe.Aggiungi({db.NewKey(QStringLiteral("LUMO_MovCauR"), QStringLiteral("KContaR")), movimento, q.value(5)});
    }
    // the heads before their rows
    teste.Scrivi();
    righe.Scrivi();
}

// The heads of the documents read as stored, in one statement, into the sales module's table:
// placing it on one of them then reads nothing.
void LeggoTeste(TXClientTable *teste, const TipoDocumento &tipo, const QList<qint64> &documenti)
{
    Funzioni::CheckTabOpen(teste);
    QList<QVariantList> chiavi;
    chiavi.reserve(documenti.size());
    for (const qint64 chiave : documenti)
        chiavi << QVariantList{chiave};
    teste->ReadAsStored(tipo.chiave, chiavi,
                        QStringLiteral("%1 IN (%2)").arg(tipo.chiave, CAUZ_ElencoChiavi(documenti)), {});
}

// The packaging counts of the documents' rows with an article, by document: the case code of
// each row with its packages (Lunghezza), the unit code with its units (Quantita).
QHash<qint64, QList<TConteggioImballo>> LeggoRigheDoc(TXDatabase &db, const TipoDocumento &tipo,
                                                      const QList<qint64> &documenti)
{
    QHash<qint64, QList<TConteggioImballo>> conteggi;
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT %2, UT_LMQ_IdImballo1, UT_LMQ_IdImballo2, SUM(Lunghezza), "
                                              "SUM(Quantita) FROM %1 WHERE %2 IN (%3) AND IdProdotto <> '' "
                                              "GROUP BY %2, UT_LMQ_IdImballo1, UT_LMQ_IdImballo2")
                                   .arg(tipo.righe, tipo.chiave, CAUZ_ElencoChiavi(documenti)));
    while (q.next()) {
        QList<TConteggioImballo> &c = conteggi[q.value(0).toLongLong()];
        c.append({q.value(1).toString(), q.value(3).toDouble()});
        c.append({q.value(2).toString(), q.value(4).toDouble()});
    }
    return conteggi;
}

// The cards of an account and destination in TSaldiSchede.
QString ChiaveSchede(const QString &tipo, const QString &conto, int destinazione)
{
    return tipo + QLatin1Char('\n') + conto + QLatin1Char('\n') + QString::number(destinazione);
}

// The per-destination cards of the documents' accounts, as stored now.
TSaldiSchede LeggoSchede(TXDatabase &db, const TipoDocumento &tipo, const QList<qint64> &documenti)
{
    TSaldiSchede saldi;
    QSqlQuery q = db.OpenQuery(
        QStringLiteral("SELECT P.IdContoTp, P.IdConto, P.IdDestinazione, P.IdImballo, P.ProgQtaCar, P.ProgQtaRes, "
                       "P.ProgValCar, P.ProgValRes, P.ProgQtaCarB, P.ProgQtaResB, P.ProgValCarB, P.ProgValResB, "
                       "P.ProgQtaCarF, P.ProgQtaResF, P.ProgValCarF, P.ProgValResF FROM (SELECT DISTINCT IdClienteTp, "
                       "IdCliente FROM %1 WHERE %2 IN (%3)) D JOIN LUMO_ProgCauz P ON P.IdContoTp = D.IdClienteTp "
                       "AND P.IdConto = D.IdCliente AND P.FlTipoScheda = 0")
            .arg(tipo.teste, tipo.chiave, CAUZ_ElencoChiavi(documenti)));
    while (q.next()) {
        std::array<double, 6> &s = saldi[ChiaveSchede(q.value(0).toString(), q.value(1).toString(), q.value(2).toInt())]
                                        [q.value(3).toString()];
        for (int i = 0; i < 6; ++i)
            s[size_t(i)] = q.value(4 + 2 * i).toDouble() - q.value(5 + 2 * i).toDouble();
    }
    return saldi;
}

} // namespace

void TFqarn0156d::GeneraMovCau()
{
    TXDatabase &db = DMILUMO->TRS_MovCauT->Database();
    if (db.InTransaction())
        return;
    {
        Mdimainbase::TLavoro lavoro({btEsegui, btChiudi});
        THourGlass clessidra;
        for (const TipoDocumento *tipo : {&kBolle, &kFatture}) {
            const QList<qint64> chiavi = Chiavi(
                db, QStringLiteral("SELECT T.%1 FROM %2 M LEFT JOIN %3 T ON T.%1 = M.%1 GROUP BY T.%1 ORDER BY T.%1")
                        .arg(tipo->chiave, tipo->castelletto, tipo->teste));
            Mdimainbase::ProgressStart(int(chiavi.size()), tipo->collegamento == 1
                                                               ? QStringLiteral("Genera movimenti da bolle clienti")
                                                               : QStringLiteral("Genera movimenti da fatture clienti"));
            // each document's head and rows together, or nothing of them
            const bool eseguito = CAUZ_PerBlocchi(
                db, chiavi,
                [&](const QList<qint64> &documenti) {
                    // a document with a movement of its kind is skipped: the movements are
                    // this run's until the commit, so another run's are seen here
                    kv8data::HoldTable(db, QStringLiteral("LUMO_MovCauT"));
                    kv8data::CheckPoint(QStringLiteral("movimenti"));
                    GeneraMovimenti(db, *tipo, documenti, ConMovimento(db, *tipo, documenti));
                },
                [] {},
                [](const std::exception &e) {
                    Kmessages::KMessage(Kmessages::ExceptionText(e), Kmessages::JobErrorType(e, mtInformation), mbOK,
                                        0);
                    return true;
                },
                kDocumentiPerBlocco);
            Mdimainbase::ProgressEnd();
            if (!eseguito)
                break;
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
        Mdimainbase::TLavoro lavoro({btEsegui, btChiudi});
        for (const TipoDocumento *tipo : {&kBolle, &kFatture}) {
            const bool bolle = tipo == &kBolle;
            const QList<qint64> chiavi = Chiavi(
                db,
                QStringLiteral("select T.%1 FROM %2 T LEFT JOIN %3 C ON C.%1 = T.%1 WHERE C.%1 IS NULL GROUP BY T.%1")
                    .arg(tipo->chiave, tipo->teste, tipo->castelletto));
            Mdimainbase::ProgressStart(int(chiavi.size()), bolle ? QStringLiteral("Elabora DDT Clienti")
                                                                 : QStringLiteral("Elabora Fatture Clienti"));
            const bool eseguito = CAUZ_PerBlocchi(
                db, chiavi,
                [&](const QList<qint64> &chiaviBlocco) {
                    // the summaries are this run's until the commit; a document another run
                    // summarised since the keys were read keeps its summary
                    kv8data::HoldTable(db, tipo->castelletto);
                    kv8data::CheckPoint(QStringLiteral("castelletti"));
                    const QList<qint64> documenti = SenzaCastelletto(db, *tipo, chiaviBlocco);
                    if (documenti.isEmpty()) {
                        Mdimainbase::ProgressStep(int(chiaviBlocco.size()));
                        return;
                    }
                    Mdimainbase::ProgressStep(int(chiaviBlocco.size() - documenti.size()));
                    LeggoTeste(bolle ? sven->tBolleCliT : sven->tFattureCliT, *tipo, documenti);
                    const QHash<qint64, QList<TConteggioImballo>> conteggi = LeggoRigheDoc(db, *tipo, documenti);
                    const TSaldiSchede saldi = LeggoSchede(db, *tipo, documenti);
                    CAUZ_InserimentoMultiplo scrittura(
                        db,
                        QStringLiteral("INSERT INTO %1 (KMovimento, FlTipoDocColl, %2, IdImballo, EsistenzaAtt, "
                                       "ValoreEsiAtt, EsistenzaB, ValoreEsiB, EsistenzaF, ValoreEsiF, Prezzo, QtaCar, "
                                       "QtaRes, ValoreCar, ValoreRes)")
                            .arg(tipo->castelletto, tipo->chiave),
                        15);
                    for (const qint64 chiave : documenti) {
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
                            FlTipoCarReso =
                                causali->FieldByName(QStringLiteral("UT_LMQ_FlReso"))->AsInteger() == 1 ? 1 : 0;
                        } else {
                            const int tipoDoc = causali->FieldByName(QStringLiteral("FlTipoDocumento"))->AsInteger();
                            FlTipoCarReso = tipoDoc == 3 || tipoDoc == 12 ? 1 : 0;
                        }
                        LeggoCliFor(testa->FieldByName(QStringLiteral("IdClienteTp"))->AsString(),
                                    testa->FieldByName(QStringLiteral("IdCliente"))->AsString());
                        if (FlCauz == 0)
                            continue;
                        CreaCastelletto(bolle ? 0 : 1, chiave, testa, conteggi.value(chiave), saldi, scrittura);
                    }
                    scrittura.Scrivi();
                },
                [] {},
                [](const std::exception &e) {
                    Kmessages::KMessage(Kmessages::ExceptionText(e), Kmessages::JobErrorType(e, mtInformation), mbOK,
                                        0);
                    return true;
                },
                kDocumentiPerBlocco);
            Mdimainbase::ProgressEnd();
            if (!eseguito)
                break;
        }
        DMILUMO->qImballi->Close();
        prezzi_.clear();
    }
    Kmessages::KMessage(
        QStringLiteral("Elaborazione terminata.. eseguire generazione movimento e progressivi cauzioni"), mtInformation,
        mbOK, 0);
}

void TFqarn0156d::CreaCastelletto(int kind, qint64 key, TDataSet *head, const QList<TConteggioImballo> &counts,
                                  const TSaldiSchede &saldi, CAUZ_InserimentoMultiplo &scrittura)
{
    const TipoDocumento &tipo = kind == 0 ? kBolle : kFatture;
    TXDatabase &db = DMILUMO->TRS_MovCauT->Database();
    // the account's per-destination card of each code
    const QString tipoConto = head->FieldByName(QStringLiteral("IdClienteTp"))->AsString();
    const QString conto = head->FieldByName(QStringLiteral("IdCliente"))->AsString();
    const int destinazione = FlCauDes != 0 ? head->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger() : 0;
    TXQuery *imballi = DMILUMO->qImballi; // open for the whole job
    if (!imballi->Active())
        imballi->Open();

    struct Riga {
        QString IdImballo;
        double EsistenzaAtt = 0, ValoreEsiAtt = 0, EsistenzaB = 0, ValoreEsiB = 0, EsistenzaF = 0, ValoreEsiF = 0;
        double Prezzo = 0, QtaCar = 0, QtaRes = 0;
    };
    QList<Riga> righe;
    {
        const QString divisa = head->FieldByName(QStringLiteral("IdDivisa"))->AsString();
        static const QHash<QString, std::array<double, 6>> nessuna;
        const auto conSchede = saldi.constFind(ChiaveSchede(tipoConto, conto, destinazione));
        const QHash<QString, std::array<double, 6>> &schede = conSchede == saldi.cend() ? nessuna : *conSchede;
        // the lists do not change during the job
        QHash<QString, double> *prezzi =
            IdListCau.isEmpty() ? nullptr : &prezzi_[IdListCau + QLatin1Char('\n') + divisa];
        TField *idImballo = imballi->FieldByName(QStringLiteral("IdImballo"));
        for (imballi->First(); !imballi->Eof(); imballi->Next()) {
            Riga r;
            r.IdImballo = idImballo->AsString();
            const auto scheda = schede.constFind(r.IdImballo);
            if (scheda != schede.cend()) {
                r.EsistenzaAtt = (*scheda)[0];
                r.ValoreEsiAtt = (*scheda)[1];
                r.EsistenzaB = (*scheda)[2];
                r.ValoreEsiB = (*scheda)[3];
                r.EsistenzaF = (*scheda)[4];
                r.ValoreEsiF = (*scheda)[5];
            }
            if (prezzi) {
                auto it = prezzi->constFind(r.IdImballo);
                if (it == prezzi->cend())
                    it = prezzi->insert(r.IdImballo, UT_LMQ_CAUZ_PrezzoCauzione(IdListCau, divisa, r.IdImballo));
                r.Prezzo = *it;
            }
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
        for (const TConteggioImballo &c : counts)
            aggiungi(c.IdImballo, c.Quantita);

        // the whole summary with the job's others; a document that has one already keeps it
        const int decimali = KFormati::GetDecimali(KFormati::fnValoreIT);
        for (const Riga &r : std::as_const(righe))
            scrittura.Aggiungi({db.NewKey(tipo.castelletto, QStringLiteral("KMovimento")), tipo.collegamento, key,
                                r.IdImballo, r.EsistenzaAtt, r.ValoreEsiAtt, r.EsistenzaB, r.ValoreEsiB, r.EsistenzaF,
                                r.ValoreEsiF, r.Prezzo, r.QtaCar, r.QtaRes,
                                UT_LMQ_CAUZ_CalcValCau(r.Prezzo, r.QtaCar, decimali),
                                UT_LMQ_CAUZ_CalcValCau(r.Prezzo, r.QtaRes, decimali)});
    }
}
