#include "registers/Qarn0401d.h"

#include "ui_Qarn0401d.h"

#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SetBasedWork.h"
#include "host/db/TXTransaction.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "host/ui/Periodo.h"
#include "registers/Lumo_accisa.h"
#include "registers/Lumo_registri.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>

#include <vector>

namespace {

TFqarn0401d::Sorgente SorgenteDi(int tipo)
{
    if (tipo == 1)
        return {QStringLiteral("BolleCliTeste"), QStringLiteral("BolleCliRighe"), QStringLiteral("KBolleCliT"),
                QStringLiteral("KBolleCliR")};
    return {QStringLiteral("FattureCliTeste"), QStringLiteral("FattureCliRighe"), QStringLiteral("KFattCliT"),
            QStringLiteral("KFattCliR")};
}

// The consignee joins of a source head T: its customer and its customer destination.
QString Consegnatario()
{
    return QStringLiteral(" LEFT JOIN Clienti C ON C.IdContoTp = T.IdClienteTp AND C.IdConto = T.IdCliente"
                          " LEFT JOIN Destinazioni D ON D.IdContoTp = T.IdClienteTp AND D.IdConto = T.IdCliente"
                          " AND D.IdDestinazione = T.IdDestinazione");
}

} // namespace

TFqarn0401d::TFqarn0401d(QWidget *owner) : TDialogoRegistro(owner), ui(new Ui::Qarn0401d)
{
    SetupLayout(*ui);
    TDMILUMO::Crea();
    TDMIBase::Crea();
    tPars->SetTableName(QStringLiteral("LUMO_GenDocAcc"));
    tPars->SetUsaDizionario(true);
    LumoAccisa::AggiungiNomiConsegnatario(tPars);
    tPars->AddCalcField(QStringLiteral("_DsCausale"), ftString, 30);
    auto nomi = tPars->OnCalcFields;
    tPars->OnCalcFields = [nomi](TDataSet *d) {
        nomi(d);
        const int tipo = d->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger();
        const QString causale = d->FieldByName(QStringLiteral("IdCausale"))->AsString();
        TXlkTable *causali = tipo == 1 ? DMIBase->lkCausBolleCli : tipo == 2 ? DMIBase->lkCausFattCli : nullptr;
        const bool trovata =
            causali && !causale.isEmpty() && TDMIBase::Posiziona(causali, QStringLiteral("IdCausale"), {causale});
        d->FieldByName(QStringLiteral("_DsCausale"))
            ->SetAsString(trovata ? causali->FieldByName(QStringLiteral("DsCausale"))->AsString().left(30) : QString());
    };

    TTGenDocAcc = new TXTable(this);
    TTGenDocAcc->SetName(QStringLiteral("TTGenDocAcc"));
    TTGenDocAcc->SetDatabaseName(QStringLiteral("LocalDatabase"));
    TTGenDocAcc->SetTableName(QStringLiteral("LUMO_t_GenDocAccT"));
    TTGenDocAcc->SetUsaDizionario(true);
    DSRisultati->SetDataSet(TTGenDocAcc);
    gRisultati->AddColumn(QStringLiteral("DataDoc"), QStringLiteral("Data DAA"), 90);
    gRisultati->AddColumn(QStringLiteral("Numero"), QStringLiteral("Numero DAA"), 90);
    gRisultati->AddColumn(QStringLiteral("Serie"), QStringLiteral("Serie"), 50);
    gRisultati->AddColumn(QStringLiteral("DataDocColl"), QStringLiteral("Data Doc."), 90);
    gRisultati->AddColumn(QStringLiteral("NumeroColl"), QStringLiteral("Numero Doc."), 90);
    gRisultati->AddColumn(QStringLiteral("IdConto"), QStringLiteral("Cliente"), 90);
    gRisultati->AddColumn(QStringLiteral("IdDestinazione"), QStringLiteral("Dest."), 60);
    btStampa->hide();
    SetActiveControl(ui->cbFlTipoDocColl);
}

TFqarn0401d::~TFqarn0401d()
{
    delete ui;
}

void TFqarn0401d::FormCreate()
{
    TFDBChildParsPage::FormCreate();
    SetPagina(0);
    Funzioni::PulisciTabella(TTGenDocAcc);
    TTGenDocAcc->Open();
    LumoAccisa::ImpostaControlliConsegnatario(tPars, ui->edIdDestinazione);
    const auto tabellaCausali = [this] {
        ui->edIdCausale->TabellaRicerca = tPars->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger() == 1
                                              ? QStringLiteral("CausaliBolleCli")
                                              : QStringLiteral("CausaliFattCli");
    };
    tabellaCausali();
    tPars->FieldByName(QStringLiteral("FlTipoDocColl"))->OnChange = [tabellaCausali](TField *) { tabellaCausali(); };
    tPars->FieldByName(QStringLiteral("IdCausale"))->OnValidate = [this](TField *f) {
        const QString causale = f->AsString();
        if (causale.isEmpty())
            return; // the run asks for one
        const int tipo = tPars->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger();
        if (tipo == 1 && !TDMIBase::Posiziona(DMIBase->lkCausBolleCli, QStringLiteral("IdCausale"), {causale}))
            throw Exception(QStringLiteral("Codice Causale Bolle non valido"));
        if (tipo == 2 && !TDMIBase::Posiziona(DMIBase->lkCausFattCli, QStringLiteral("IdCausale"), {causale}))
            throw Exception(QStringLiteral("Codice Causale Fatture non valido"));
    };
}

void TFqarn0401d::FormClose(TCloseAction &action)
{
    TFDBChildParsPage::FormClose(action);
    if (Fqarn0401d == this)
        Fqarn0401d = nullptr;
}

QString TFqarn0401d::Condizione() const
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    const auto campo = [this](const char *nome) { return tPars->FieldByName(QString::fromLatin1(nome)); };
    QStringList c;
    c << QStringLiteral("T.IdCausale = ") + XWideQuotedStr(campo("IdCausale")->AsString());
    c << QStringLiteral("T.UT_LMQ_FlAccisa = 0");
    c << QStringLiteral("(C.UT_LMQ_FlTipCli <> 0 OR D.UT_LMQ_FlTipCli <> 0)");
    if (!campo("Da_Data")->IsNull())
        c << QStringLiteral("T.DataDocumento >= ") + db.FormatDataSQL(campo("Da_Data")->AsDateTime().date());
    if (!campo("A_Data")->IsNull())
        c << QStringLiteral("T.DataDocumento <= ") + db.FormatDataSQL(campo("A_Data")->AsDateTime().date());
    if (campo("Da_Numero")->AsInteger() != 0)
        c << QStringLiteral("T.Numero >= ") + QString::number(campo("Da_Numero")->AsInteger());
    if (campo("A_Numero")->AsInteger() != 0)
        c << QStringLiteral("T.Numero <= ") + QString::number(campo("A_Numero")->AsInteger());
    if (!campo("IdConto")->AsString().isEmpty())
        c << QStringLiteral("T.IdCliente = ") + XWideQuotedStr(campo("IdConto")->AsString());
    if (campo("IdDestinazione")->AsInteger() != 0)
        c << QStringLiteral("T.IdDestinazione = ") + QString::number(campo("IdDestinazione")->AsInteger());
    return c.join(QStringLiteral(" AND "));
}

void TFqarn0401d::btEseguiClick()
{
    if (inCorso_)
        return;
    TFDBChildParsPage::btEseguiClick();
    if (tPars->FieldByName(QStringLiteral("IdCausale"))->AsString().isEmpty()) {
        Kmessages::KMessage(QStringLiteral("Codice Causale documento non specificata"), mtError, mbOK);
        ui->edIdCausale->setFocus();
        return;
    }
    if (!Funzioni::ControllaPeriodo(tPars->FieldByName(QStringLiteral("Da_Data"))->AsDateTime(),
                                    tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), ui->edDa_Data))
        return;
    TLavoroInCorso lavoro(inCorso_, {btEsegui, btChiudi});
    Genera(Condizione());
    if (TTGenDocAcc->Active() && TTGenDocAcc->RecordCount() > 0)
        SetPagina(1);
}

namespace {

Exception NumeroNonAssegnato(int anno, int serie)
{
    return Exception(
        QStringLiteral("Impossibile assegnare il numero D.A.A. dell'anno %1 serie %2: ripetere la generazione.")
            .arg(anno)
            .arg(serie));
}

} // namespace

void TFqarn0401d::Genera(const QString &condizione)
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    const int tipo = tPars->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger() == 1 ? 1 : 2;
    const Sorgente s = SorgenteDi(tipo);

    std::vector<TestaSorgente> teste;
    try {
        QSqlQuery q = db.OpenQuery(
            QStringLiteral("SELECT T.%1, T.Anno, T.Serie, T.Numero, T.IdCausale, T.DataDocumento, T.IdClienteTp, "
                           "T.IdCliente, T.IdDestinazione, T.IdSpedizione1, T.NumeroColli, T.DataTrasporto, "
                           "T.OraTrasporto FROM %2 T%3 WHERE %4 ORDER BY T.Anno, T.Serie, T.Numero, T.%1")
                .arg(s.ChiaveT, s.Teste, Consegnatario(), condizione));
        while (q.next())
            teste.push_back({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt(),
                             q.value(8).toInt(), q.value(5).toDateTime(), q.value(11).toDateTime(),
                             q.value(4).toString(), q.value(6).toString(), q.value(7).toString(), q.value(9).toString(),
                             q.value(10).toDouble(), q.value(12).toDouble()});
    } catch (const std::exception &e) {
        Kmessages::KMessage(QString::fromUtf8(e.what()), mtInformation, mbOK);
        return;
    }
    if (teste.empty()) {
        Kmessages::KMessage(QStringLiteral("Nessun documento di vendita trovato !"), mtInformation, mbOK);
        return;
    }
    Funzioni::PulisciTabella(TTGenDocAcc);
    if (db.InTransaction())
        return;

    THourGlass clessidra;
    LockWindowUpdate(this);
    Scrittura w{tipo,
                s,
                {},
                {},
                std::unique_ptr<TXClientTable>(
                    UT_LMQ_RG_TabellaArchivio(nullptr, s.Teste, s.ChiaveT + QStringLiteral(" = -1"))),
                {},
                {},
                {}};
    QString errore;
    bool riuscito = false;
    bool nessuno = false;
    // the list on page 2 is shown again at the end, not at every head
    TTGenDocAcc->DisableControls();
    try {
        TXTransaction transazione(db);
        if (!transazione.Started())
            throw EAbort();
        try {
            const std::vector<TestaSorgente> prese = Prendi(s, teste, condizione);
            kv8data::CheckPoint(QStringLiteral("accisa"));
            if (prese.empty()) {
                nessuno = true; // all marked meanwhile by another user's run
                throw EAbort();
            }
            Registra(w, prese, condizione);
            transazione.Commit();
        } catch (...) {
            Funzioni::CheckRollBack(w.Sorgenti.get());
            throw; // the scope rolls the transaction back before the message
        }
        ScriviElenco(w.Elenco);
        riuscito = true;
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        errore = QString::fromUtf8(e.what());
    }
    Mdimainbase::ProgressEnd();
    LockWindowUpdate(nullptr);
    if (!riuscito)
        Funzioni::PulisciTabella(TTGenDocAcc);
    if (!errore.isEmpty()) {
        qWarning("Generazione D.A.A.: %s", qPrintable(errore));
        Kmessages::KMessage(errore, mtInformation, mbOK);
    }
    if (nessuno)
        Kmessages::KMessage(QStringLiteral("Nessun documento di vendita trovato !"), mtInformation, mbOK);
    if (!TTGenDocAcc->Active())
        TTGenDocAcc->Open();
    else
        TTGenDocAcc->Refresh();
    TTGenDocAcc->EnableControls();
}

namespace {

// The columns of a D.A.A. head the run writes, then those of the list on page 2 (the head's
// own, in its order).
const QStringList ColonneTesta = {
    QStringLiteral("KContaT"),       QStringLiteral("Anno"),           QStringLiteral("Serie"),
    QStringLiteral("Numero"),        QStringLiteral("DataDoc"),        QStringLiteral("AnnoColl"),
    QStringLiteral("SerieColl"),     QStringLiteral("NumeroColl"),     QStringLiteral("DataDocColl"),
    QStringLiteral("KDocT"),         QStringLiteral("IdCausale"),      QStringLiteral("IdContoTp"),
    QStringLiteral("IdConto"),       QStringLiteral("IdDestinazione"), QStringLiteral("IdSpedizione"),
    QStringLiteral("FlTipoDocColl"), QStringLiteral("DataArrivo"),     QStringLiteral("OraTra"),
    QStringLiteral("NumeroColli"),   QStringLiteral("NoteChiusura1"),  QStringLiteral("NoteChiusura2"),
    QStringLiteral("NoteChiusura3")};
constexpr int ColonneElenco = 14; // from Anno to IdSpedizione

// A text column's value: never null, as a dataset stores an empty text.
QVariant Testo(const QString &testo)
{
    return testo.isNull() ? QVariant(QStringLiteral("")) : QVariant(testo);
}

// A date column's value: null when the date is.
QVariant Data(const QDateTime &data)
{
    return data.isNull() ? QVariant() : QVariant(data);
}

} // namespace

void TFqarn0401d::ScriviElenco(const std::vector<QVariantList> &elenco)
{
    TXDatabase &locale = DMIDataBases::Instance().Local();
    TXTransaction transazione(locale);
    kv8db::ScritturaRighe righe(locale, TTGenDocAcc->TableName(), ColonneTesta.mid(1, ColonneElenco));
    for (const QVariantList &riga : elenco)
        righe.Aggiungi(riga);
    righe.Chiudi();
    if (transazione.Started())
        transazione.Commit();
}

std::vector<TFqarn0401d::TestaSorgente> TFqarn0401d::Prendi(const Sorgente &s, const std::vector<TestaSorgente> &teste,
                                                            const QString &condizione)
{
    // in key order, so that two runs never wait for each other crosswise; a head another run
    // marked while this one waited no longer meets the selection
    TXDatabase &db = DMIDataBases::Instance().Global();
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT T.%1 FROM %2 T%3 WHERE %4 ORDER BY T.%1%5")
                                   .arg(s.ChiaveT, s.Teste, Consegnatario(), condizione,
                                        db.IsPostgres() ? QStringLiteral(" FOR UPDATE OF T") : QString()));
    QSet<int> libere;
    while (q.next())
        libere.insert(q.value(0).toInt());
    std::vector<TestaSorgente> prese;
    for (const TestaSorgente &t : teste)
        if (libere.contains(t.Chiave))
            prese.push_back(t);
    return prese;
}

void TFqarn0401d::BloccaContatore(int anno, int serie)
{
    TXClientTable *contatori = DMILUMO->TRS_Protocolli;
    Funzioni::CheckTabOpen(contatori);
    contatori->ReadAsStored(QStringLiteral("TipoDoc;Anno;Serie"), {QVariantList{0, anno, serie}},
                            QStringLiteral("TipoDoc = 0 AND Anno = ? AND Serie = ?"), {anno, serie}, true);
}

void TFqarn0401d::Registra(Scrittura &w, const std::vector<TestaSorgente> &teste, const QString &condizione)
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    // the notes as they are now, edited since the last run or not
    TXlkTable *parametri = DMILUMO->lkLUMO_ParAcc;
    parametri->Close();
    parametri->Open();
    if (!parametri->Locate(QStringLiteral("IdCodice"), QStringLiteral("1")))
        parametri->First();
    for (const char *nota : {"NoteChiusura1", "NoteChiusura2", "NoteChiusura3"})
        w.Note << (parametri->IsEmpty() ? QString() : parametri->FieldByName(QString::fromLatin1(nota))->AsString());

    // the excise rows of every selected document, in one reading
    QHash<int, std::vector<RigaSorgente>> righe;
    {
        QSqlQuery q = db.OpenQuery(
            QStringLiteral("SELECT R.%1, R.IdProdotto, R.Quantita, R.Quantita2, R.Lunghezza, R.UT_LMQ_TotLit, "
                           "A.PesoLordo, A.PesoNetto, A.IdTariffa FROM %2 R JOIN Articoli A ON A.IdProdotto = "
                           "R.IdProdotto JOIN %3 T ON T.%1 = R.%1%4 WHERE %5 AND A.UT_LMQ_TipoAcc <> 0 "
                           "ORDER BY R.%1, R.%6")
                .arg(w.Fonte.ChiaveT, w.Fonte.Righe, w.Fonte.Teste, Consegnatario(), condizione, w.Fonte.ChiaveR));
        while (q.next())
            righe[q.value(0).toInt()].push_back({q.value(1).toString(), q.value(8).toString(), q.value(2).toDouble(),
                                                 q.value(3).toDouble(), q.value(4).toDouble(), q.value(5).toDouble(),
                                                 q.value(6).toDouble(), q.value(7).toDouble()});
    }

    // heads and rows written as they are made, their keys drawn as a dataset draws them; the
    // source heads of the run read at once, their marks written in multi-row statements
    // before the commit
    w.Teste = std::make_unique<kv8db::ScritturaRighe>(db, QStringLiteral("LUMO_DocAccT"), ColonneTesta);
    w.Righe = std::make_unique<kv8db::ScritturaRighe>(
        db, QStringLiteral("LUMO_DocAccR"),
        QStringList{QStringLiteral("KContaR"), QStringLiteral("KContaT"), QStringLiteral("IdProdotto"),
                    QStringLiteral("Nomenclat"), QStringLiteral("PesoNetto"), QStringLiteral("PesoLordo"),
                    QStringLiteral("QtaImballo"), QStringLiteral("NumConf"), QStringLiteral("QtaMov"),
                    QStringLiteral("TotLit")});
    w.Sorgenti->SetDeferredWrites(true);
    w.Sorgenti->SetXWhere(QStringLiteral("%1 IN (SELECT T.%1 FROM %2 T%3 WHERE %4)")
                              .arg(w.Fonte.ChiaveT, w.Fonte.Teste, Consegnatario(), condizione));
    w.Sorgenti->Open();
    Mdimainbase::ProgressStart(int(teste.size()), QStringLiteral("Registrazione in corso"));
    for (const TestaSorgente &t : teste) {
        KBolleCliT = 0;
        const auto it = righe.constFind(t.Chiave);
        if (it != righe.constEnd()) {
            for (const RigaSorgente &r : *it) {
                if (KBolleCliT == 0)
                    CreaTestata(w, t);
                CreaRighe(w, r);
            }
            AggiornaTestaDoc(w, t);
        }
        Mdimainbase::ProgressStep();
    }
    w.Teste->Chiudi();
    w.Righe->Chiudi();
    // each counter's last number stored
    for (auto it = w.Numeri.cbegin(); it != w.Numeri.cend(); ++it)
        if (!UT_LMQ_GEN_SetProtocolloDoc(0, it.key().first, it.key().second, *it, 0))
            throw NumeroNonAssegnato(it.key().first, it.key().second);
}

void TFqarn0401d::CreaTestata(Scrittura &w, const TestaSorgente &t)
{
    // a year and series' counter read locked at its first document of the run (the counter row
    // then held until the commit) and numbered on in memory; Registra stores the last number given
    auto ultimo = w.Numeri.find({t.Anno, t.Serie});
    if (ultimo == w.Numeri.end()) {
        try {
            BloccaContatore(t.Anno, t.Serie);
        } catch (const std::exception &e) {
            qWarning("Contatore D.A.A. %d/%d non letto: %s", t.Anno, t.Serie, e.what());
            throw NumeroNonAssegnato(t.Anno, t.Serie);
        }
        const int primo = UT_LMQ_GEN_GetProtocolloDoc(0, t.Anno, t.Serie);
        if (primo < 1 || !UT_LMQ_GEN_SetProtocolloDoc(0, t.Anno, t.Serie, primo, 0))
            throw NumeroNonAssegnato(t.Anno, t.Serie);
        ultimo = w.Numeri.insert({t.Anno, t.Serie}, primo - 1);
    }
    const int numero = ++*ultimo;
    const QVariant dataReg = Data(tPars->FieldByName(QStringLiteral("DataReg"))->AsDateTime());
    KBolleCliT =
        int(DMIDataBases::Instance().Global().NewKey(QStringLiteral("LUMO_DocAccT"), QStringLiteral("KContaT")));
    // in the order of ColonneTesta
    QVariantList riga{KBolleCliT,
                      t.Anno,
                      t.Serie,
                      numero,
                      dataReg,
                      t.Anno,
                      t.Serie,
                      t.Numero,
                      Data(t.DataDocumento),
                      t.Chiave,
                      Testo(t.IdCausale),
                      Testo(t.IdClienteTp),
                      Testo(t.IdCliente),
                      t.IdDestinazione,
                      Testo(t.IdSpedizione),
                      w.Tipo,
                      Data(t.DataTrasporto),
                      t.OraTrasporto,
                      t.NumeroColli,
                      Testo(w.Note.value(0)),
                      Testo(w.Note.value(1)),
                      Testo(w.Note.value(2))};
    w.Teste->Aggiungi(riga);
    w.Elenco.push_back(riga.mid(1, ColonneElenco));
}

void TFqarn0401d::CreaRighe(Scrittura &w, const RigaSorgente &r)
{
    w.Righe->Aggiungi(QVariantList{
        DMIDataBases::Instance().Global().NewKey(QStringLiteral("LUMO_DocAccR"), QStringLiteral("KContaR")), KBolleCliT,
        Testo(r.IdProdotto), Testo(r.IdTariffa), Funzioni::KRound(r.Quantita * r.PesoNetto, 2),
        Funzioni::KRound(r.Quantita * r.PesoLordo, 2), r.Quantita2, r.Lunghezza, r.Quantita, r.TotLit});
}

void TFqarn0401d::AggiornaTestaDoc(Scrittura &w, const TestaSorgente &t)
{
    TXClientTable *d = w.Sorgenti.get();
    if (!d->Locate(w.Fonte.ChiaveT, t.Chiave))
        return;
    d->Edit();
    d->FieldByName(QStringLiteral("UT_LMQ_FlAccisa"))->SetAsInteger(1);
    d->Post();
}

DUSARIA_FINESTRA(TFqarn0401d, Fqarn0401d);
