#include "host/business/Documento.h"

#include "ui_Documento.h"

#include "host/business/Distintabase.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibmag.h"
#include "host/business/Dmisbas.h"
#include "host/business/Dmisorc.h"
#include "host/business/Dmisven.h"
#include "host/business/Funzionibase.h"
#include "host/business/Funzionidoc.h"
#include "host/business/Tipirigo.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/core/Kutfunctions.h"
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/SqliteLettura.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/Kmessages.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include <QApplication>
#include <QCryptographicHash>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVarLengthArray>

using Funzioni::CheckRollBack;
using Funzioni::CheckTabOpen;

namespace {

TXDatabase &Azienda()
{
    return DMIDataBases::Instance().Global();
}

TField *F(TDataSet *d, const char *nome)
{
    return d->FieldByName(QLatin1String(nome));
}

QString ModificatoDaAltri()
{
    return QStringLiteral("Il documento è stato modificato o cancellato da un altro utente: "
                          "chiudere e riaprire il documento per vedere i dati attuali.");
}

// Open windows of each kind by their place: the first uses the local tables of the
// dictionary, the others copies of their own, so that two windows never share rows.
QHash<QString, QSet<int>> &IstanzeAperte()
{
    static QHash<QString, QSet<int>> istanze;
    return istanze;
}

// The window's local table: the dictionary's without a suffix, else an exact copy of it (the
// same columns, defaults and key) named with the suffix.
void CreaTabellaLocale(TXTable *tabella, const QString &nome, const QString &suffisso)
{
    tabella->SetTableName(nome);
    if (suffisso.isEmpty()) {
        tabella->CreaTabella();
        return;
    }
    TXDatabase &db = tabella->Database();
    const QString testo =
        QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND lower(name) = lower(?)");
    QString ddl = db.ScalarValue(testo, {nome}).toString();
    if (ddl.isEmpty()) {
        tabella->CreaTabella();
        ddl = db.ScalarValue(testo, {nome}).toString();
    }
    const QString copia = nome + QLatin1Char('_') + suffisso;
    // the copy's fields take the dictionary's entries of the table it copies (kinds, labels)
    if (tabella->TabellaOrigine().isEmpty())
        tabella->SetTabellaOrigine(nome);
    static const QRegularExpression intestazione(QStringLiteral("^CREATE TABLE\\s+\"?\\w+\"?"),
                                                 QRegularExpression::CaseInsensitiveOption);
    ddl.replace(intestazione, QStringLiteral("CREATE TABLE ") + copia);
    db.ExecSQL(QStringLiteral("DROP TABLE IF EXISTS ") + copia);
    db.ExecSQL(ddl);
    kv8data::ForgetTableMeta(copia);
    tabella->SetTableName(copia);
}

// The rows of q from the one it stands on, each as the given columns' values in the form of
// kv8db::ValoriBinari, into the hash; then the end of the reading checked.
void AccodaRighe(QCryptographicHash &hash, TXDatabase &db, QSqlQuery &q, const QList<int> &colonne)
{
    kv8db::ValoriBinari dati;
    do {
        dati.clear();
        for (const int i : colonne)
            kv8db::AccodaBinario(dati, q.value(i));
        hash.addData(QByteArrayView(dati.constData(), dati.size()));
    } while (q.next());
    db.CheckReadEnd(q, q.lastQuery());
}

// A code typed on the head (agent, carrier) refused when its table does not have it.
void ControllaCodiceTesta(TField *campo)
{
    const QString codice = campo->AsString().trimmed();
    if (codice.isEmpty())
        return;
    const bool agente = campo->FieldName().startsWith(QLatin1String("IdAgente"), Qt::CaseInsensitive);
    const QString tabella = agente ? QStringLiteral("Agenti") : QStringLiteral("Spedizionieri");
    const QString chiave = agente ? QStringLiteral("IdAgente") : QStringLiteral("IdSpedizione");
    if (!Azienda()
             .ScalarValue(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(tabella, chiave), {codice})
             .isValid())
        throw Exception((agente ? QStringLiteral("L'agente %1 non esiste: sceglierne uno dall'anagrafica agenti.")
                                : QStringLiteral("Lo spedizioniere %1 non esiste: sceglierne uno dall'anagrafica "
                                                 "spedizionieri."))
                            .arg(codice));
}

} // namespace

TFDocumento::TFDocumento(const TTipoDocumento &tipo, QWidget *owner)
    : TFDBChild(owner), tipo_(tipo), ui_(new Ui::Documento)
{
    QSet<int> &aperte = IstanzeAperte()[tipo_.TabellaRigheLocale];
    while (aperte.contains(istanza_))
        ++istanza_;
    aperte.insert(istanza_);

    TTesta = new TXClientTable(this);
    TTesta->SetName(QStringLiteral("TTesta"));
    TTestaDB = new TXClientTable(this);
    TTestaDB->SetName(QStringLiteral("TTestaDB"));
    for (TXClientTable *t : {TTesta, TTestaDB}) {
        t->SetTableName(tipo_.TabellaTeste);
        t->SetUsaDizionario(true);
        t->SetKeyFields(tipo_.ChiaveTesta);
        t->SetXWhereVuoto(tipo_.ChiaveTesta + QStringLiteral(" = 0"));
    }
    // the head is kept in memory until the save writes it
    TTesta->SetCachedUpdates(true);
    DSMain->SetDataSet(TTesta);

    TRighe = new TXTable(this);
    TRighe->SetName(QStringLiteral("TRighe"));
    TRighe->SetDatabaseName(QStringLiteral("LocalDatabase"));
    TRighe->SetTableName(tipo_.TabellaRigheLocale);
    TRighe->SetTabellaOrigine(tipo_.TabellaRighe);
    TRighe->SetUsaDizionario(true);
    TRighe->SetIndexFieldNames(QStringLiteral("NumOrdine;Contatore"));
    TRighe->SetFilter(QStringLiteral("Stato < 3"));
    TRighe->SetFiltered(true);
    DsRighe = new TDataSource(this);
    DsRighe->SetName(QStringLiteral("DsRighe"));
    DsRighe->SetDataSet(TRighe);

    TRigheNC = new TXTable(this);
    TRigheNC->SetName(QStringLiteral("TRigheNC"));
    TRigheAccoda = new TXTable(this);
    TRigheAccoda->SetName(QStringLiteral("TRigheAccoda"));
    for (TXTable *t : {TRigheNC, TRigheAccoda}) {
        t->SetDatabaseName(QStringLiteral("LocalDatabase"));
        t->SetTableName(tipo_.TabellaRigheLocale);
        t->SetTabellaOrigine(tipo_.TabellaRighe);
        t->SetIndexFieldNames(QStringLiteral("Contatore"));
    }

    TRigheDB = new TXClientTable(this);
    TRigheDB->SetName(QStringLiteral("TRigheDB"));
    TRigheDB->SetTableName(tipo_.TabellaRighe);
    TRigheDB->SetUsaDizionario(true);
    TRigheDB->SetKeyFields(tipo_.ChiaveRigo);
    TRigheDB->SetXWhereVuoto(tipo_.ChiaveRigo + QStringLiteral(" = 0"));
    // the rows (and the totals, below) reach the database in multi-row statements before the commit
    TRigheDB->SetDeferredWrites(true);

    TRRighe = new TXQuery(this);
    TRRighe->SetName(QStringLiteral("TRRighe"));
    TRRighe->SQL = {QStringLiteral("SELECT *"), QStringLiteral("FROM ") + tipo_.TabellaRighe,
                    QStringLiteral("WHERE %1 = :%1").arg(tipo_.ChiaveTesta),
                    QStringLiteral("ORDER BY NumOrdine, ") + tipo_.ChiaveRigo};

    TTotali = new TXClientTable(this);
    TTotali->SetName(QStringLiteral("TTotali"));
    TTotali->SetTableName(tipo_.TabellaTotali);
    TTotali->SetKeyFields(tipo_.ChiaveTesta + QStringLiteral(";TipoRecord;Progressivo"));
    TTotali->SetXWhereVuoto(tipo_.ChiaveTesta + QStringLiteral(" = 0"));
    TTotali->SetDeferredWrites(true);

    TTotaliDoc = new TXTable(this);
    TTotaliDoc->SetName(QStringLiteral("TTotaliDoc"));
    TTotaliDoc->SetDatabaseName(QStringLiteral("LocalDatabase"));
    TTotaliDoc->SetTableName(QStringLiteral("t_FattCliTot"));
    DsTotali = new TDataSource(this);
    DsTotali->SetName(QStringLiteral("DsTotali"));
    DsTotali->SetDataSet(TTotaliDoc);
    DsTotali->SetAutoEdit(false);
    // prices and values of the rows and totals in the decimals of the head's currency
    for (TDataSet *d : std::initializer_list<TDataSet *>{TRighe, TRigheNC, TRRighe, TTotali, TTotaliDoc})
        d->SetCurrencyField(TTesta, QStringLiteral("IdDivisa"));

    TDatiAggiuntivi = new TXMemTable(this);
    TDatiAggiuntivi->SetName(QStringLiteral("TDatiAggiuntivi"));
    TDatiAggiuntivi->AddField(QStringLiteral("Chiave"), ftInteger);

    TDettQta = new TXClientTable(this);
    TDettQta->SetName(QStringLiteral("TDettQta"));
    TDettQta->SetTableName(QStringLiteral("DettQtaDoc"));
    TDettQta->SetKeyFields(QStringLiteral("KDettQta"));
    TDettQta->SetXWhereVuoto(QStringLiteral("KDettQta = 0"));

    qSelOrdini = new TXQuery(this);
    qSelOrdini->SetName(QStringLiteral("qSelOrdini"));
    qSelOrdini->SetDatabaseName(QStringLiteral("LocalDatabase"));
    qSelOrdini->SQL = {QStringLiteral("SELECT * FROM TSelOrdR"), QStringLiteral("WHERE FlSelez <> 0"),
                       QStringLiteral("ORDER BY KOrdiniCliT, NumOrdine")};

    qVarianti = new TXQuery(this);
    qVarianti->SetName(QStringLiteral("qVarianti"));
    qVarianti->SQL = {QStringLiteral("SELECT * FROM DettQtaDoc"),
                      QStringLiteral("WHERE FlTipoDocumento = %1 AND KRigoDoc = :KRigo").arg(tipo_.CodTipoDoc)};

    TTesta->OnCalcFields = [this](TDataSet *d) { TTestaCalcFields(d); };
    TTesta->AfterScroll = [this](TDataSet *d) { TTestaAfterScroll(d); };
    TTesta->OnNewRecord = [this](TDataSet *d) { TTestaNewRecord(d); };
    TTesta->BeforePost = [this](TDataSet *d) { TTestaBeforePost(d); };
    TRighe->OnNewRecord = [this](TDataSet *d) { TRigheNewRecord(d); };
    TRighe->AfterScroll = [this](TDataSet *d) { TRigheAfterScroll(d); };
    TRighe->AfterEdit = [this](TDataSet *d) { TRigheAfterEdit(d); };
    TRighe->BeforePost = [this](TDataSet *d) { TRigheBeforePost(d); };
    TRighe->AfterPost = [this](TDataSet *d) { TRigheAfterPost(d); };
    TRighe->BeforeDelete = [this](TDataSet *d) { TRigheBeforeDelete(d); };

    ImpostaFinestra();
}

TFDocumento::~TFDocumento()
{
    delete ui_;
    IstanzeAperte()[tipo_.TabellaRigheLocale].remove(istanza_);
}

void TFDocumento::ImpostaFinestra()
{
    SetupLayout(*ui_);
    KPageControl = ui_->pcDocumento;
    KPageControl->setObjectName(QStringLiteral("KPageControl"));
    tsTesta = ui_->tsTesta;
    tsRighe = ui_->tsTesta;
    tsPagina5 = ui_->tsPagina5;
    pTotali = ui_->pTotali;
    pPesi = ui_->pPesi;
    PanelR = ui_->PanelR;
    GrigliaRighe = ui_->GrigliaRighe;
    DBNavigatore2 = ui_->DBNavigatore2;

    // what sets the kinds apart: the causals searched, the account and its table
    ui_->edIdCausale->TabellaRicerca = tipo_.TabellaCausali;
    const bool fornitore = tipo_.TipoConto == QLatin1String("FO");
    TDBCodeEdit *conto = ui_->edConto;
    conto->setObjectName(QStringLiteral("ed") + tipo_.CampoConto);
    conto->setProperty("dataField", tipo_.CampoConto);
    conto->TabellaRicerca = fornitore ? QStringLiteral("Fornitori") : QStringLiteral("Clienti");
    conto->CondizioneRicerca = QStringLiteral("IdContoTp = '%1'").arg(tipo_.TipoConto);
    conto->CodiceMenu = fornitore ? QStringLiteral("BBAS0052F") : QStringLiteral("BBAS0051F");
    ui_->lbConto->setText(fornitore ? QStringLiteral("Fornitore:") : QStringLiteral("Cliente:"));
    // the destinations searched are the account's; suppliers have no agents
    ui_->edIdDestinazione->OnFiltroRicerca = [this](TDBCodeEdit *, QString &filtro) {
        filtro = QStringLiteral("Destinazioni.IdContoTp = %1 AND Destinazioni.IdConto = %2")
                     .arg(XWideQuotedStr(tipo_.TipoConto),
                          XWideQuotedStr(TTesta->FieldByName(tipo_.CampoConto)->AsString().trimmed()));
    };
    ui_->lbIdAgente1->setVisible(!fornitore);
    ui_->edIdAgente1->setVisible(!fornitore);

    GrigliaRighe->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Articolo"), 90);
    GrigliaRighe->AddColumn(QStringLiteral("Descrizione"), QStringLiteral("Descrizione"), 330);
    GrigliaRighe->AddColumn(QStringLiteral("Quantita"), QStringLiteral("Quantità"), 80);
    GrigliaRighe->AddColumn(QStringLiteral("Prezzo"), QStringLiteral("Prezzo"), 80);
    GrigliaRighe->AddColumn(QStringLiteral("ImportoNetto"), QStringLiteral("Importo"), 90);
    GrigliaRighe->AddColumn(QStringLiteral("IdMagazzino"), QStringLiteral("Mag."), 40);

    KPageControl->OnChange = [this](::KPageControl *p) { Guard([&] { KPageControlChange(p); }); };

    // the row commands, under the row panel
    auto *comandi = new QHBoxLayout;
    btnDetQta = new QPushButton(QStringLiteral("Dettaglio quantità"), PanelR);
    btnDetQta->setObjectName(QStringLiteral("btnDetQta"));
    connect(btnDetQta, &QPushButton::clicked, this, [this] { Guard([this] { btnDetQtaClick(btnDetQta); }); });
    comandi->addWidget(btnDetQta);
    btnOrdini = new QPushButton(QStringLiteral("Righe da ordini..."), PanelR);
    btnOrdini->setObjectName(QStringLiteral("btnOrdini"));
    btnOrdini->setVisible(tipo_.CodTipoDoc == 0 || tipo_.CodTipoDoc == 1);
    connect(btnOrdini, &QPushButton::clicked, this,
            [this] { Guard([this] { Dialoghi().SelezionaRigheOrdine(this); }); });
    comandi->addWidget(btnOrdini);
    comandi->addSpacing(12);
    auto *lbQtaBarcode = new QLabel(QStringLiteral("Q.tà letta:"), PanelR);
    edQtaBarcode = new QLineEdit(QStringLiteral("1"), PanelR);
    edQtaBarcode->setObjectName(QStringLiteral("edQtaBarcode"));
    edQtaBarcode->setMaximumWidth(60);
    lbQtaBarcode->setBuddy(edQtaBarcode);
    auto *lbBarcode = new QLabel(QStringLiteral("Codice a barre:"), PanelR);
    edBarcode = new QLineEdit(PanelR);
    edBarcode->setObjectName(QStringLiteral("edBarcode"));
    lbBarcode->setBuddy(edBarcode);
    connect(edBarcode, &QLineEdit::returnPressed, this, [this] { Guard([this] { LeggiBarcode(); }); });
    for (QWidget *w : std::initializer_list<QWidget *>{lbQtaBarcode, edQtaBarcode, lbBarcode, edBarcode})
        comandi->addWidget(w);
    comandi->addStretch();
    if (auto *griglia = qobject_cast<QGridLayout *>(PanelR->layout()))
        griglia->addLayout(comandi, griglia->rowCount(), 0, 1, griglia->columnCount());
}

// ---- opening

void TFDocumento::FormCreate()
{
    TFDBChild::FormCreate();
    CreaTabellaLocale(TRighe, tipo_.TabellaRigheLocale, istanza_ == 0 ? QString() : QString::number(istanza_));
    CreaTabellaLocale(TTotaliDoc, QStringLiteral("t_FattCliTot"), tipo_.Sigla + QString::number(istanza_));
    TRigheNC->SetTableName(TRighe->TableName());
    TRigheAccoda->SetTableName(TRighe->TableName());
    TTesta->Open();
    TTestaDB->Open();
    TRighe->Open();
    F(TTesta, "IdCausale")->OnChange = [this](TField *s) { TTestaIdCausaleChange(s); };
    TTesta->FieldByName(tipo_.CampoConto)->OnChange = [this](TField *s) { TTestaContoChange(s); };
    F(TTesta, "IdDestinazione")->OnChange = [this](TField *s) { TTestaIdDestinazioneChange(s); };
    for (const char *nome : {"IdDivisa", "DataDocumento"})
        F(TTesta, nome)->OnChange = [this](TField *s) { TTestaCambioChange(s); };
    // the codes typed on the head must exist; the destination among the account's
    F(TTesta, "IdDivisa")->OnValidate = [](TField *s) {
        const QString codice = s->AsString().trimmed();
        if (!codice.isEmpty() && !Funzioni::MonetaConto(codice) && !Funzioni::TestDivisa(codice))
            throw Exception(
                QStringLiteral("La divisa %1 non esiste: sceglierne una della tabella delle divise.").arg(codice));
    };
    for (const char *nome : {"IdAgente1", "IdAgente2", "IdSpedizione1", "IdSpedizione2"})
        if (TField *f = TTesta->FindField(QLatin1String(nome)))
            f->OnValidate = [](TField *s) { ControllaCodiceTesta(s); };
    F(TTesta, "IdDestinazione")->OnValidate = [this](TField *s) {
        const int destinazione = s->AsInteger();
        const QString conto = TTesta->FieldByName(tipo_.CampoConto)->AsString().trimmed();
        if (destinazione != 0
            && !TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                                    {tipo_.TipoConto, conto, destinazione}))
            throw Exception(QStringLiteral("La destinazione %1 non esiste per l'intestatario %2: sceglierne una tra le "
                                           "sue destinazioni.")
                                .arg(destinazione)
                                .arg(conto));
    };
    if (TField *f = TRighe->FindField(QStringLiteral("IdProdotto")))
        f->OnValidate = [this](TField *s) { TRigheIdProdottoValidate(s); };
    if (TField *f = TRighe->FindField(QStringLiteral("TipoRigo")))
        f->OnChange = [this](TField *s) { TRigheTipoRigoChange(s); };
    for (const char *nome : {"Lunghezza", "Quantita2"})
        if (TField *f = TRighe->FindField(QLatin1String(nome)))
            f->OnChange = [this](TField *s) { CalcoloQuantita(s); };
    // While the rows are read (copied field by field in TRighe's order) the stored amounts
    // copied after a field replace what its change would compute: only a field copied after
    // the amounts recomputes them then.
    const QList<TField *> &campi = TRighe->FieldList();
    qsizetype primoImporto = campi.size();
    for (const char *nome :
         {"ImportoLordo", "ImportoNetto", "ImportoNN", "ControvaloreL", "ControvaloreN", "ControvaloreNN"})
        primoImporto = std::min(primoImporto, campi.indexOf(TRighe->FindField(QLatin1String(nome))));
    for (const char *nome : {"Quantita", "Prezzo", "Sconto1", "Sconto2"})
        if (TField *f = TRighe->FindField(QLatin1String(nome))) {
            const bool coperto = campi.indexOf(f) < primoImporto;
            f->OnChange = [this, coperto](TField *campo) {
                if (!(FlInCaricamento && coperto))
                    CalcolaImportiRigo(TTesta, TRighe, false);
                if (!FlInCaricamento && campo->FieldName().compare(QLatin1String("Quantita"), Qt::CaseInsensitive) == 0)
                    PesiRigo(TRighe);
            };
        }
    TRigheNC->Open();
    TTotaliDoc->Open();
    TRigheDB->Open();
    TTotali->Open();
    DMIBase = TDMIBase::Crea();
    DMIBMag = TDMIBMag::Crea();
}

void TFDocumento::FormClose(TCloseAction &action)
{
    TFDBChild::FormClose(action);
}

void TFDocumento::XFormCloseQuery(bool &canClose)
{
    canClose = !Azienda().InTransaction();
    if (!canClose)
        return;
    const bool inModifica = (TTesta->State() != dsBrowse && TTesta->Modified()) || FlRigheModificate;
    if (inModifica && !FlSolaLettura)
        canClose =
            Kmessages::KMessage(QStringLiteral("Conferma Abbandono Modifiche ?"), mtConfirmation, mbYesNo) == mrYes;
}

bool TFDocumento::InitDoc(int modo)
{
    // the head's controls follow the document once, when it is ready
    TTesta->DisableControls();
    const auto mostra = qScopeGuard([this] { TTesta->EnableControls(); });
    Dialoghi().SvuotaDettaglio(this);
    ModoSalva = 0;
    FlRigheModificate = false;
    FlRigheAggiunte = false;
    if (modo == 1 && chiave_ != 0)
        return CaricaDocumento(chiave_);
    if (TTesta->State() != dsBrowse)
        TTesta->Cancel();
    TTesta->CancelUpdates();
    chiave_ = 0;
    impronta_.clear();
    stampaImpronta_.reset();
    registrate_.reset();
    // emptied in place: nothing to read again
    TRighe->EmptyTable();
    TTotaliDoc->EmptyTable();
    contatore_ = 0;
    TTesta->Append();
    KPageControl->SetActivePage(tsTesta);
    return true;
}

bool TFDocumento::CaricaDocumento(qint64 chiave)
{
    TTesta->DisableControls();
    const auto mostra = qScopeGuard([this] { TTesta->EnableControls(); });
    Dialoghi().SvuotaDettaglio(this);
    if (TTesta->State() != dsBrowse)
        TTesta->Cancel();
    TTesta->CancelUpdates();
    // right after the save of a change: the rows stored are the window's own, and the
    // fingerprint was taken before the commit
    std::optional<TRigheRegistrate> registrate = std::exchange(registrate_, std::nullopt);
    if (registrate && registrate->Chiave != chiave)
        registrate.reset();
    // the fingerprint taken before the head and rows are read: a change another user makes
    // meanwhile is refused by the save, never taken as read
    auto stampa = Azienda().DataStamp();
    QByteArray impronta = registrate ? registrate->Impronta : ImprontaArchivio(chiave);
    if (registrate) {
        // the stamp still says "as fingerprinted" when nothing but the save's commit came since
        const auto &prima = registrate->Stampa;
        if (!prima || !stampa || stampa->connection != prima->connection || stampa->version != prima->version
            || stampa->changes != prima->changes + 1)
            stampa.reset();
    }
    if (!TTesta->LocateAsStored(tipo_.ChiaveTesta, chiave))
        return false;
    chiave_ = chiave;
    impronta_ = std::move(impronta);
    stampaImpronta_ = stampa;
    ModoSalva = 1;
    FlRigheModificate = false;
    FlRigheAggiunte = false;

    if (!registrate || !TieniRigheRegistrate(registrate->Diverse))
        LeggiRighe(chiave);
    FlRigheModificate = false;
    CalcolaTotali(false, false);
    return true;
}

auto TFDocumento::LetturaRighe()
{
    // the row handlers check nothing while the rows are read: the calculated fields are
    // worked out when a row is shown, not at each value copied
    const bool calcolati = TRighe->AutoCalcFields;
    TRighe->AutoCalcFields = false;
    FlInCaricamento = true;
    return qScopeGuard([this, calcolati] {
        FlInCaricamento = false;
        TRighe->AutoCalcFields = calcolati;
    });
}

auto TFDocumento::CalcoliDelleRigheLetti()
{
    const bool alPassaggio = TRighe->CalcFieldsOnScroll;
    TRighe->CalcFieldsOnScroll = false;
    return qScopeGuard([this, alPassaggio] { TRighe->CalcFieldsOnScroll = alPassaggio; });
}

void TFDocumento::LeggiRighe(qint64 chiave)
{
    TRighe->DisableControls();
    const auto riattiva = qScopeGuard([this] { TRighe->EnableControls(); });
    TRighe->EmptyTable();
    TRighe->Refresh();
    contatore_ = 0;
    {
        const auto lettura = LetturaRighe();
        TRRighe->Close();
        const auto chiudi = qScopeGuard([this] { TRRighe->Close(); });
        TRRighe->ParamByName(tipo_.ChiaveTesta)->SetValue(chiave);
        TRRighe->Open();
        // the local rows written in one go
        TXTransaction locale(TRighe->Database());
        // the key each new local row draws (replaced by the stored one) taken in blocks inside
        // a transaction of the company database, not one committed statement per row
        TXTransaction chiavi(Azienda());
        for (TRRighe->First(); !TRRighe->Eof(); TRRighe->Next()) {
            TRighe->Append();
            Funzioni::CopiaDati(TRighe, TRRighe);
            F(TRighe, "Contatore")->SetAsInteger(++contatore_);
            F(TRighe, "Stato")->SetAsInteger(0);
            TRighe->Post();
        }
        if (chiavi.Started())
            chiavi.Commit();
        if (locale.Started())
            locale.Commit();
    }
    TRighe->First();
}

void TFDocumento::CopiaRigoArchiviato(TDataSet *origine)
{
    const auto lettura = LetturaRighe();
    Funzioni::CopiaDati(TRighe, origine);
}

bool TFDocumento::TieniRigheRegistrate(const QVariantList &diverse)
{
    TRighe->DisableControls();
    const auto riattiva = qScopeGuard([this] { TRighe->EnableControls(); });
    const auto lettura = LetturaRighe();
    for (const QVariant &chiave : diverse) {
        if (!TRighe->Locate(tipo_.ChiaveRigo, chiave) || !TRigheDB->Locate(tipo_.ChiaveRigo, chiave, loHeldOnly))
            return false;
        TRighe->Edit();
        Funzioni::CopiaDati(TRighe, TRigheDB);
        TRighe->Post();
    }
    TRighe->ResetColumn(F(TRighe, "Stato"), 0, 3);
    return true;
}

void TFDocumento::ImprontaTesta(QCryptographicHash &hash, qint64 chiave) const
{
    // on PostgreSQL each row hashed by the server from its typed values (no text made of them),
    // the hashes in key order hashed again, as the last column (no head, no rows: the load and
    // the check refuse such a document before comparing)
    TXDatabase &db = Azienda();
    const QString righe = db.IsPostgres()
                              ? QStringLiteral(", (SELECT md5(string_agg(CAST(hash_record_extended(r_, 0) AS text), "
                                               "',' ORDER BY r_.%1)) "
                                               "FROM %2 r_ WHERE r_.%3 = t_.%3)")
                                    .arg(tipo_.ChiaveRigo, tipo_.TabellaRighe, tipo_.ChiaveTesta)
                              : QString();
    QSqlQuery q = db.OpenQuery(
        QStringLiteral("SELECT t_.*%1 FROM %2 t_ WHERE t_.%3 = ?").arg(righe, tipo_.TabellaTeste, tipo_.ChiaveTesta),
        {chiave});
    if (!q.next()) {
        db.CheckReadEnd(q, q.lastQuery());
        return;
    }
    const QSqlRecord record = q.record();
    const QStringList esclusi = CampiTestaEsterni();
    QList<int> colonne;
    for (int i = 0; i < record.count(); ++i)
        if (esclusi.isEmpty() || !esclusi.contains(record.fieldName(i), Qt::CaseInsensitive))
            colonne.append(i);
    AccodaRighe(hash, db, q, colonne);
}

void TFDocumento::ImprontaRighe(QCryptographicHash &hash, qint64 chiave) const
{
    // every column of each row as the engine holds it, in key order
    TXDatabase &db = Azienda();
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT r_.* FROM %1 r_ WHERE r_.%2 = ? ORDER BY r_.%3")
                                   .arg(tipo_.TabellaRighe, tipo_.ChiaveTesta, tipo_.ChiaveRigo),
                               {chiave});
    if (!q.next()) {
        db.CheckReadEnd(q, q.lastQuery());
        return;
    }
    if (kv8db::LeggiBinarioSqlite(q, [&hash](QByteArrayView dati) { hash.addData(dati); }))
        return;
    // the driver's values otherwise, in the same form
    QList<int> colonne(q.record().count());
    std::iota(colonne.begin(), colonne.end(), 0);
    AccodaRighe(hash, db, q, colonne);
}

QByteArray TFDocumento::ImprontaArchivio(qint64 chiave) const
{
    // Blake2b: a cryptographic hash at less than half the work of Sha1 for each byte
    QCryptographicHash hash(QCryptographicHash::Blake2b_160);
    ImprontaTesta(hash, chiave);
    if (!Azienda().IsPostgres())
        ImprontaRighe(hash, chiave);
    return hash.result();
}

// ---- head handlers

void TFDocumento::TTestaCalcFields(TDataSet *) {}

void TFDocumento::TTestaAfterScroll(TDataSet *) {}

void TFDocumento::TTestaNewRecord(TDataSet *dataSet)
{
    const QDateTime oggi(QDate::currentDate(), QTime(0, 0));
    F(dataSet, "DataDocumento")->SetAsDateTime(oggi);
    F(dataSet, "Anno")->SetAsInteger(oggi.date().year());
    F(dataSet, "Cambio")->SetAsFloat(1);
    dataSet->FieldByName(tipo_.CampoContoTp)->SetAsString(tipo_.TipoConto);
    if (TField *f = dataSet->FindField(QStringLiteral("IdOperatore")))
        f->SetAsString(gUtente.IdUtente);
}

void TFDocumento::TTestaBeforePost(TDataSet *dataSet)
{
    const QDateTime data = F(dataSet, "DataDocumento")->AsDateTime();
    if (!data.isNull())
        F(dataSet, "Anno")->SetAsInteger(data.date().year());
}

void TFDocumento::TTestaIdCausaleChange(TField *sender)
{
    const QVariant serie =
        Azienda().ScalarValue(QStringLiteral("SELECT Serie FROM %1 WHERE IdCausale = ?").arg(tipo_.TabellaCausali),
                              {sender->AsString().trimmed()});
    if (serie.isValid())
        F(sender->DataSet(), "Serie")->SetAsInteger(serie.toInt());
}

void TFDocumento::TTestaContoChange(TField *sender)
{
    // an unknown account is refused by the save's checks; the currency set brings its rate
    Funzioni::DatiContoTesta(sender->DataSet(), tipo_.TipoConto, sender->AsString());
}

void TFDocumento::TTestaIdDestinazioneChange(TField *sender)
{
    const int destinazione = sender->AsInteger();
    if (destinazione == 0)
        return;
    TDataSet *testa = sender->DataSet();
    if (!TDMIBase::Posiziona(
            DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
            {tipo_.TipoConto, testa->FieldByName(tipo_.CampoConto)->AsString().trimmed(), destinazione}))
        return;
    for (const char *nome : {"IdZona", "IdSpedizione1"}) {
        const QString codice = F(DMIBase->lkDestinazioni, nome)->AsString().trimmed();
        if (!codice.isEmpty())
            F(testa, nome)->SetAsString(codice);
    }
}

void TFDocumento::TTestaCambioChange(TField *sender)
{
    TDataSet *testa = sender->DataSet();
    // an unknown currency is refused where it is typed
    if (!Funzioni::MonetaConto(F(testa, "IdDivisa")->AsString())
        && !Funzioni::TestDivisa(F(testa, "IdDivisa")->AsString()))
        return;
    try {
        Funzioni::CambioTesta(testa);
    } catch (const Exception &e) {
        // no rate: the save asks for one
        F(testa, "Cambio")->SetAsFloat(0);
        Kmessages::KMessage(e.Message, mtWarning, mbOK);
    }
}

void TFDocumento::DSMainStateChange(TDataSource *source)
{
    TFDBChild::DSMainStateChange(source);
}

void TFDocumento::DSMainNavClick(TNavigateBtn button, bool &doDefault)
{
    TFDBChild::DSMainNavClick(button, doDefault);
    if (!doDefault)
        return;
    // the document's own commands; a refusal is shown here
    switch (button) {
    case nbInsert:
        doDefault = false;
        Guard([this] { InitDoc(0); });
        break;
    case nbPost:
        doDefault = false;
        Guard([this] { SalvaDocumento(); });
        break;
    case nbDelete:
        doDefault = false;
        Guard([this] { CancellaDocumento(); });
        break;
    case nbCancel:
        doDefault = false;
        Guard([this] { InitDoc(chiave_ != 0 ? 1 : 0); });
        break;
    default:
        break;
    }
}

void TFDocumento::KPageControlChange(QObject *)
{
    if (KPageControl->ActivePage() == tsPagina5)
        CalcolaTotali(false, true);
}

// ---- rows

void TFDocumento::TRigheNewRecord(TDataSet *dataSet)
{
    if (FlInCaricamento)
        return;
    F(dataSet, "Contatore")->SetAsInteger(++contatore_);
    F(dataSet, "Stato")->SetAsInteger(2);
    int ultimo = 0;
    for (int i = 0, n = TRighe->RowCount(); i < n; ++i)
        ultimo = qMax(ultimo, TRighe->ValueAt(i, F(TRighe, "NumOrdine")).toInt());
    F(dataSet, "NumOrdine")->SetAsInteger(ultimo + 1024);
    TestaARigo(TTesta, dataSet);
    RigoDefault(dataSet);
}

void TFDocumento::TRigheIdProdottoValidate(TField *sender)
{
    const QString codice = sender->AsString().trimmed();
    if (codice.isEmpty())
        return;
    if (!TDMIBase::Posiziona(DMIBase->lkArticoli, QStringLiteral("IdProdotto"), {codice}))
        throw Exception(
            QStringLiteral("L'articolo %1 non esiste: indicare un articolo presente in anagrafica.").arg(codice));
    CompletaRigo(sender->DataSet());
    PrezzoRigo(sender->DataSet(), codice);
    PesiRigo(sender->DataSet());
}

void TFDocumento::TRigheTipoRigoChange(TField *) {}

void TFDocumento::TRigheAfterScroll(TDataSet *) {}

void TFDocumento::TRigheAfterEdit(TDataSet *) {}

void TFDocumento::TRigheCalcFields(TDataSet *) {}

void TFDocumento::TRigheBeforePost(TDataSet *dataSet)
{
    kitDaEsplodere_ = false;
    if (FlInCaricamento || F(dataSet, "Stato")->AsInteger() == 3)
        return;
    ControllaRigo(dataSet);
    if (dataSet == TRighe && dataSet->State() == dsInsert && accodamento_ == 0) {
        const auto tipo = Tipirigo::TRGetTipoRigo(tipo_.CodTipoDoc, QVariant(), F(dataSet, "TipoRigo")->AsInteger());
        kitDaEsplodere_ = tipo && tipo->FlDistintaBase;
    }
    CalcolaImportiRigo(TTesta, dataSet, false);
    if (F(dataSet, "Stato")->AsInteger() == 0)
        F(dataSet, "Stato")->SetAsInteger(1);
}

void TFDocumento::TRigheAfterPost(TDataSet *dataSet)
{
    if (FlInCaricamento)
        return;
    FlRigheModificate = true;
    // a change of the rows is a change of the document: the head goes into edit
    if (TTesta->State() == dsBrowse && !TTesta->IsEmpty())
        TTesta->Edit();
    if (std::exchange(kitDaEsplodere_, false)) {
        const auto accodando = AccodandoRighe();
        EsplodiKitRigo(dataSet);
    }
}

void TFDocumento::TRigheBeforeDelete(TDataSet *dataSet)
{
    if (F(dataSet, "Stato")->AsInteger() == 2) {
        FlRigheModificate = true;
        if (TTesta->State() == dsBrowse && !TTesta->IsEmpty())
            TTesta->Edit();
        return;
    }
    // a stored row stays, marked deleted, for the save to remove
    dataSet->Edit();
    F(dataSet, "Stato")->SetAsInteger(3);
    dataSet->Post();
    FlRigheModificate = true;
    throw EAbort();
}

void TFDocumento::CalcoloQuantita(TField *sender)
{
    TDataSet *d = sender->DataSet();
    const double colli = F(d, "Lunghezza")->AsFloat();
    if (colli == 0)
        return;
    double perCollo = F(d, "Quantita2")->AsFloat();
    if (perCollo == 0)
        perCollo = 1;
    F(d, "Quantita")->SetAsFloat(Funzioni::KRound(colli * perCollo, CFG.DecQuantita));
}

void TFDocumento::ControllaRigo(TDataSet *rigo)
{
    const int tipo = F(rigo, "TipoRigo")->AsInteger();
    const auto descrittivo = [this, tipo] {
        const std::optional<Tipirigo::TRTipoRigo> tr = Tipirigo::TRGetTipoRigo(tipo_.CodTipoDoc, QVariant(), tipo);
        return tr && tr->FlClasse == 2;
    };
    auto visto = controllate_ ? controllate_->Descrittivi.constFind(tipo) : QHash<int, bool>::const_iterator();
    if (controllate_ && visto == controllate_->Descrittivi.cend())
        visto = controllate_->Descrittivi.insert(tipo, descrittivo());
    if (controllate_ ? *visto : descrittivo()) // description rows
        return;
    const QString articolo = F(rigo, "IdProdotto")->AsString().trimmed();
    if (articolo.isEmpty())
        throw Exception(QStringLiteral("Manca l'articolo sul rigo %1: indicare l'articolo o cancellare il rigo.")
                            .arg(F(rigo, "NumOrdine")->AsInteger()));
    if ((!controllate_ || !controllate_->Articoli.contains(articolo))
        && !TDMIBase::Posiziona(DMIBase->lkArticoli, QStringLiteral("IdProdotto"), {articolo}))
        throw Exception(
            QStringLiteral("L'articolo %1 non esiste: indicare un articolo presente in anagrafica.").arg(articolo));
    if (controllate_)
        controllate_->Articoli.insert(articolo);
    if (F(rigo, "Quantita")->AsFloat() == 0)
        throw Exception(QStringLiteral("La quantità dell'articolo %1 è zero: indicare una quantità.").arg(articolo));
}

void TFDocumento::RigoDefault(TDataSet *) {}

void TFDocumento::TestaARigo(TDataSet *testa, TDataSet *rigo)
{
    rigo->FieldByName(tipo_.ChiaveTesta)->SetValue(testa->FieldByName(tipo_.ChiaveTesta)->Value());
    // the head's discounts are the document's, applied on the rows' net amounts: not copied
    if (TField *f = rigo->FindField(QStringLiteral("IdListino")))
        if (TField *t = testa->FindField(QStringLiteral("IdListino")); t && f->IsNull())
            f->SetValue(t->Value());
    if (TField *m = rigo->FindField(QStringLiteral("IdMagazzino")); m && m->AsInteger() == 0)
        m->SetAsInteger(1);
}

void TFDocumento::ContoDefault(TDataSet *rigo)
{
    if (F(rigo, "IdConto")->AsString().trimmed().isEmpty())
        F(rigo, "IdConto")->SetAsString(Funzioni::GetContoFisso(QStringLiteral("IdContoVendite"), QString()));
}

void TFDocumento::CompletaRigo(TDataSet *rigo)
{
    TDataSet *a = DMIBase->lkArticoli;
    if (F(rigo, "Descrizione")->AsString().isEmpty())
        F(rigo, "Descrizione")->SetAsString(F(a, "DsProdotto")->AsString());
    if (F(rigo, "IdUM")->AsString().isEmpty())
        F(rigo, "IdUM")->SetAsString(F(a, "IdUM1")->AsString());
    if (TField *iva = a->FindField(QStringLiteral("IdIva")); iva && F(rigo, "IdIva")->AsString().isEmpty())
        F(rigo, "IdIva")->SetAsString(iva->AsString());
}

void TFDocumento::PrezzoRigo(TDataSet *rigo, const QString &articolo)
{
    if (FlInCaricamento)
        return;
    TField *prezzo = rigo->FindField(QStringLiteral("Prezzo"));
    TField *listinoRigo = rigo->FindField(QStringLiteral("IdListino"));
    if (!prezzo)
        return;
    const QString listino = listinoRigo && !listinoRigo->AsString().trimmed().isEmpty()
                                ? listinoRigo->AsString()
                                : F(TTesta, "IdListino")->AsString();
    const auto voce =
        Funzioni::PrezzoListino(listino, articolo, Funzioni::DivisaDocumento(F(TTesta, "IdDivisa")->AsString()),
                                F(TTesta, "DataDocumento")->AsDateTime());
    if (!voce)
        return;
    prezzo->SetAsFloat(voce->Prezzo);
    if (TField *s = rigo->FindField(QStringLiteral("Sconto1")))
        s->SetAsFloat(voce->Sconto1);
    if (TField *s = rigo->FindField(QStringLiteral("Sconto2")))
        s->SetAsFloat(voce->Sconto2);
}

void TFDocumento::PesiRigo(TDataSet *rigo)
{
    const QString articolo = F(rigo, "IdProdotto")->AsString().trimmed();
    TField *quantita = rigo->FindField(CampoQuantita());
    if (articolo.isEmpty() || !quantita || !rigo->FindField(QStringLiteral("PesoLordo"))
        || !TDMIBase::Posiziona(DMIBase->lkArticoli, QStringLiteral("IdProdotto"), {articolo}))
        return;
    TDataSet *a = DMIBase->lkArticoli;
    const double q = quantita->AsFloat();
    F(rigo, "PesoLordo")->SetAsFloat(Funzioni::KRound(F(a, "PesoLordo")->AsFloat() * q, 3));
    F(rigo, "PesoNetto")->SetAsFloat(Funzioni::KRound(F(a, "PesoNetto")->AsFloat() * q, 3));
    F(rigo, "Volume")->SetAsFloat(Funzioni::KRound(F(a, "Volume")->AsFloat() * q, 6));
    F(rigo, "UmVolume")->SetAsString(F(a, "UmVolume")->AsString());
}

void TFDocumento::ScontiRigo(TDataSet *) {}

void TFDocumento::ProvvigioniRigo(TDataSet *) {}

void TFDocumento::ChiudiInserimentoComponenti()
{
    AggiornaRighe();
}

void TFDocumento::AggiornaRighe()
{
    TRighe->Refresh();
    TRigheNC->Refresh();
}

bool TFDocumento::InserisciComponenti(const QString &idProdotto, const QDateTime &data, double quantita, double, double,
                                      int tipoRigo, int, const QString &, double, int, int, int)
{
    Distintabase::TXEspandiDistintaBase distinta;
    distinta.Esplodi(idProdotto, QString(), quantita, data, KV8Config::GetFSDBA01());
    if (distinta.GetCount() == 0)
        return false;
    for (int i = 0; i < distinta.GetCount(); ++i) {
        const Distintabase::TXItemDistintaBase &c = distinta.GetItem(i);
        if (c.FlSalta != 0)
            continue;
        TRighe->Append();
        F(TRighe, "TipoRigo")->SetAsInteger(tipoRigo);
        F(TRighe, "IdProdotto")->SetAsString(c.IdProdotto);
        TRigheIdProdottoValidate(F(TRighe, "IdProdotto"));
        F(TRighe, "Quantita")->SetAsFloat(Funzioni::KRound(c.QuantitaTotale, CFG.DecQuantita));
        TRighe->Post();
    }
    FlRigheAggiunte = true;
    ChiudiInserimentoComponenti();
    return true;
}

void TFDocumento::EsplodiKitRigo(TDataSet *) {}

int TFDocumento::AccodaRigheDaOrdine()
{
    static const char *const campi[] = {"TipoRigo",    "IdProdotto",   "Descrizione", "IdUM",        "FattConvProd",
                                        "IdMagazzino", "Prezzo",       "Sconto1",     "Sconto2",     "Sconto3",
                                        "Sconto4",     "Sconto5",      "IdIva",       "IdConto",     "IdListino",
                                        "IdAgente1",   "Provvigione1", "IdAgente2",   "Provvigione2"};
    const auto accodando = AccodandoRighe();
    qSelOrdini->Close();
    qSelOrdini->Open();
    int aggiunte = 0;
    QStringList rifiutate;
    TRighe->DisableControls();
    try {
        for (qSelOrdini->First(); !qSelOrdini->Eof(); qSelOrdini->Next()) {
            const qint64 ordine = F(qSelOrdini, "KOrdiniCliR")->Value().toLongLong();
            int contatore = 0;
            if (!AccodaLineaOrdine(rifiutate, [&] {
                    TRighe->Append();
                    for (const char *nome : campi)
                        if (TField *f = TRighe->FindField(QLatin1String(nome)))
                            f->SetValue(F(qSelOrdini, nome)->Value());
                    if (TDMIBase::Posiziona(DMIBase->lkArticoli, QStringLiteral("IdProdotto"),
                                            {F(TRighe, "IdProdotto")->AsString()}))
                        CompletaRigo(TRighe);
                    const double scelta = F(qSelOrdini, "QtaSelez")->AsFloat();
                    F(TRighe, "Quantita")->SetAsFloat(scelta != 0 ? scelta : F(qSelOrdini, "QtaDaSpedire")->AsFloat());
                    F(TRighe, "KOrdineR")->SetValue(ordine);
                    RigoDaLineaOrdine(TRighe, qSelOrdini);
                    contatore = F(TRighe, "Contatore")->AsInteger();
                    TRighe->Post();
                }))
                continue;
            LegamiOrdini.insert(contatore, ordine);
            ++aggiunte;
        }
    } catch (...) {
        if (TRighe->State() == dsInsert)
            TRighe->Cancel();
        qSelOrdini->Close();
        TRighe->EnableControls();
        throw;
    }
    qSelOrdini->Close();
    TRighe->EnableControls();
    if (aggiunte > 0)
        FlRigheAggiunte = true;
    SegnalaLineeRifiutate(rifiutate);
    return aggiunte;
}

void TFDocumento::RigoDaLineaOrdine(TDataSet *, TDataSet *) {}

bool TFDocumento::AccodaLineaOrdine(QStringList &rifiutate, const std::function<void()> &passo)
{
    try {
        passo();
        return true;
    } catch (const EAbort &) {
        throw;
    } catch (const EDatabaseError &) {
        throw;
    } catch (const Exception &e) {
        if (TRighe->State() == dsInsert || TRighe->State() == dsEdit)
            TRighe->Cancel();
        AnnotaLineaRifiutata(rifiutate, e.Message);
        return false;
    }
}

void TFDocumento::AnnotaLineaRifiutata(QStringList &rifiutate, const QString &motivo) const
{
    QStringList linea;
    const QString articolo = F(qSelOrdini, "IdProdotto")->AsString().trimmed();
    for (const QString &parte : {F(qSelOrdini, "RifOrdineS")->AsString().trimmed(),
                                 articolo.isEmpty() ? QString() : QStringLiteral("articolo ") + articolo,
                                 F(qSelOrdini, "Descrizione")->AsString().trimmed()})
        if (!parte.isEmpty())
            linea << parte;
    rifiutate << linea.join(QStringLiteral(" - ")) + QStringLiteral(": ") + motivo;
}

void TFDocumento::SegnalaLineeRifiutate(const QStringList &rifiutate)
{
    if (rifiutate.isEmpty())
        return;
    Kmessages::KMessage(QStringLiteral("Righe d'ordine non riportate nel documento:\n")
                            + rifiutate.join(QLatin1Char('\n')),
                        mtInformation, mbOK);
}

bool TFDocumento::AccodaRigheBarcode(const QString &barcode, double quantita, QString &idProdotto,
                                     QStringList &messaggi)
{
    const QString codice = barcode.trimmed();
    if (codice.isEmpty() || !TDMIBase::Posiziona(DMIBase->lkArticoli, QStringLiteral("IdProdotto"), {codice})) {
        messaggi << QStringLiteral("Codice a barre %1 non riconosciuto.").arg(codice);
        return false;
    }
    idProdotto = codice;
    const auto accodando = AccodandoRighe();
    TRighe->Append();
    F(TRighe, "IdProdotto")->SetAsString(codice);
    F(TRighe, "Quantita")->SetAsFloat(quantita == 0 ? 1 : quantita);
    TRighe->Post();
    FlRigheAggiunte = true;
    return true;
}

void TFDocumento::LeggiBarcode()
{
    const QString codice = edBarcode->text().trimmed();
    if (codice.isEmpty())
        return;
    bool ok = false;
    const double quantita = KFormati::ParseFloat(edQtaBarcode->text(), &ok);
    if (!ok || quantita <= 0) {
        Kmessages::KMessage(
            QStringLiteral("La quantità letta \"%1\" non è valida: indicare un numero maggiore di zero.")
                .arg(edQtaBarcode->text().trimmed()),
            mtWarning, mbOK);
        edQtaBarcode->setFocus();
        edQtaBarcode->selectAll();
        return;
    }
    QString articolo;
    QStringList messaggi;
    const bool letto = AccodaRigheBarcode(codice, quantita, articolo, messaggi);
    if (!messaggi.isEmpty())
        Kmessages::KMessage(messaggi.join(QLatin1Char('\n')), mtInformation, mbOK);
    // ready for the next read; a code not read stays selected, for the user to see
    if (letto) {
        edBarcode->clear();
        edQtaBarcode->setText(QStringLiteral("1"));
    } else {
        edBarcode->selectAll();
    }
    edBarcode->setFocus();
}

// ---- amounts and totals

QString TFDocumento::CampoQuantita() const
{
    return QStringLiteral("Quantita");
}

void TFDocumento::CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati)
{
    if (calcolati || !(righe->State() == dsEdit || righe->State() == dsInsert))
        return;
    Funzioni::TKRigoDoc r;
    r.Quantita = righe->FieldByName(CampoQuantita())->AsFloat();
    r.Prezzo = F(righe, "Prezzo")->AsFloat();
    r.FlPrezzoForf = F(righe, "FlPrezzoForf")->AsInteger() == 1;
    for (int i = 0; i < 5; ++i) {
        r.Sconto[i] = righe->FieldByName(QStringLiteral("Sconto%1").arg(i + 1))->AsFloat();
        r.ScontoTesta[i] = testa->FieldByName(QStringLiteral("Sconto%1").arg(i + 1))->AsFloat();
    }
    r.ScontoPagamento = F(testa, "ScontoPagamento")->AsFloat();
    r.IdDivisa = F(testa, "IdDivisa")->AsString();
    r.Cambio = F(testa, "Cambio")->AsFloat() == 0 ? 1 : F(testa, "Cambio")->AsFloat();
    r.DataDocumento = F(testa, "DataDocumento")->AsDateTime();
    r.CodTipoDoc = tipo_.CodTipoDoc;
    r.IdProdotto = F(righe, "IdProdotto")->AsString();
    r.TabDivise = DMIBase ? DMIBase->lkDivise : nullptr;
    const char *campi[] = {"ImportoLordo",  "ImportoNetto",  "ImportoNN",
                           "ControvaloreL", "ControvaloreN", "ControvaloreNN"};
    for (int modo = 1; modo <= 6; ++modo)
        F(righe, campi[modo - 1])->SetAsFloat(Funzioni::CalcoloValoriRigo(r, modo));
}

void TFDocumento::PreparaParametriTotali(TDataSet *testa, TDataSet *righe, TDataSet *totaliTesta, TDataSet *tabTotali)
{
    ParamTotali = TXParam_TotaliDocs();
    ParamTotali.CodTipoDoc = tipo_.CodTipoDoc;
    ParamTotali.Testa = testa;
    ParamTotali.Righe = righe;
    ParamTotali.Totali = totaliTesta;
    ParamTotali.TabTotali = tabTotali;
}

void TFDocumento::CalcolaTotali(bool aggiornaTesta, bool mostraErrori)
{
    if (!TTesta->Active() || TTesta->IsEmpty())
        return;
    TTotaliDoc->EmptyTable();
    TTotaliDoc->Refresh();
    TTotaliDoc->Append();
    F(TTotaliDoc, "KDocum")->SetAsInteger(1);
    TTotaliDoc->Post();
    const bool inModifica = TTesta->State() == dsEdit || TTesta->State() == dsInsert;
    if (aggiornaTesta && !inModifica)
        TTesta->Edit();
    PreparaParametriTotali(TTesta, TRighe, TTotaliDoc, nullptr);
    TRighe->DisableControls();
    const TBookmark posto = TRighe->GetBookmark();
    bool riuscito = false;
    try {
        riuscito = Calcolototalidocs::TOTDOCS_Calcola(ParamTotali, false);
    } catch (...) {
        TRighe->GotoBookmark(posto);
        TRighe->EnableControls();
        throw;
    }
    if (TRighe->BookmarkValid(posto))
        TRighe->GotoBookmark(posto);
    TRighe->EnableControls();
    if (!riuscito && mostraErrori)
        Kmessages::KMessage(QStringLiteral("Errore nel calcolo dei totali del documento: controllare righe e testata."),
                            mtWarning, mbOK);
}

bool TFDocumento::CalcolaTotali(TDataSet *totali, TXParam_TotaliDocs &param)
{
    param.TabTotali = totali;
    return Calcolototalidocs::TOTDOCS_Calcola(param, false);
}

void TFDocumento::CalcolaDatiCoda(TDataSet *) {}

void TFDocumento::CalcolaScontiSI() {}

bool TFDocumento::ControlliTesta()
{
    TDataSet *t = TTesta;
    auto rifiuta = [](const QString &testo) {
        Kmessages::KRifiuto(testo, mtWarning);
        return false;
    };
    const QString causale = F(t, "IdCausale")->AsString().trimmed();
    if (causale.isEmpty())
        return rifiuta(QStringLiteral("Manca la causale del documento: indicare la causale."));
    if (!Azienda()
             .ScalarValue(QStringLiteral("SELECT 1 FROM %1 WHERE IdCausale = ?").arg(tipo_.TabellaCausali), {causale})
             .isValid())
        return rifiuta(
            QStringLiteral("La causale %1 non esiste: indicare una causale presente in tabella.").arg(causale));
    if (F(t, "DataDocumento")->AsDateTime().isNull())
        return rifiuta(QStringLiteral("Manca la data del documento: indicare la data."));
    const QString conto = t->FieldByName(tipo_.CampoConto)->AsString().trimmed();
    const QString tabellaConti =
        tipo_.TipoConto == QLatin1String("FO") ? QStringLiteral("Fornitori") : QStringLiteral("Clienti");
    if (conto.isEmpty())
        return rifiuta(QStringLiteral("Manca l'intestatario del documento: indicare il codice."));
    if (!Azienda()
             .ScalarValue(QStringLiteral("SELECT 1 FROM %1 WHERE IdContoTp = ? AND IdConto = ?").arg(tabellaConti),
                          {tipo_.TipoConto, conto})
             .isValid())
        return rifiuta(
            QStringLiteral("L'intestatario %1 non esiste: indicare un codice presente in anagrafica.").arg(conto));
    const QString divisa = F(t, "IdDivisa")->AsString().trimmed();
    if (!Funzioni::MonetaConto(divisa)) {
        if (!Funzioni::TestDivisa(divisa))
            return rifiuta(
                QStringLiteral("La divisa %1 non esiste: sceglierne una della tabella delle divise.").arg(divisa));
        if (F(t, "Cambio")->AsFloat() <= 0)
            return rifiuta(QStringLiteral("Manca il cambio della divisa %1: inserirlo nella tabella dei cambi o nel "
                                          "documento.")
                               .arg(divisa));
    }
    return true;
}

bool TFDocumento::VMRegistraDatiDocumento()
{
    return true;
}

void TFDocumento::StampaDocumento(bool) {}

void TFDocumento::XFormXStampa(bool preview)
{
    StampaDocumento(preview);
}

bool TFDocumento::DocumentoDaStampare() const
{
    if (chiave_ != 0)
        return true;
    Kmessages::KMessage(QStringLiteral("Il documento non è ancora registrato: registrarlo prima di stamparlo."),
                        mtInformation, mbOK);
    return false;
}

bool TFDocumento::DocumentoTrovato(bool trovato)
{
    if (!trovato)
        Kmessages::KMessage(QStringLiteral("Documento non trovato: forse cancellato da un altro utente."),
                            mtInformation, mbOK);
    return trovato;
}

void TFDocumento::StampaEtichette() {}

void TFDocumento::btnDetQtaClick(QObject *sender)
{
    // the button opens the detail of any row; the row's own edits only for an article kept
    // in variants, batches or groups
    if (sender != btnDetQta && !Dialoghi().ArticoloConDettaglio(this))
        return;
    Dialoghi().DettaglioQuantita(this);
}

TFDocumento::TDialoghiDocumento &TFDocumento::Dialoghi()
{
    static TDialoghiDocumento dialoghi;
    return dialoghi;
}

void TFDocumento::SelezioneOrdiniAperta(TFSVen0001f_001 *, int) {}

QString TFDocumento::CausaleMagazzino() const
{
    const QString causale = F(TTesta, "IdCausale")->AsString().trimmed();
    return Azienda()
        .ScalarValue(QStringLiteral("SELECT IdCausaleMaga FROM %1 WHERE IdCausale = ?").arg(tipo_.TabellaCausali),
                     {causale})
        .toString()
        .trimmed();
}

TDataSet *TFDocumento::TestaScrittura() const
{
    return TTestaDB;
}

// ---- the save

bool TFDocumento::PreparaSalvataggio(const std::function<bool()> &prepara)
{
    SalvataggioRiuscito = false;
    // 1-8 before the transaction
    if (Test_SolaLettura() || Azienda().InTransaction())
        return false;
    SvuotaListeDocumenti();
    PostaRighe();
    if (prepara && !prepara())
        return false;
    if (ModoSalva != 2)
        CostruisciRiepilogo();
    ControllaRighePresenti();
    AvvisoValoreOrdine();
    ApplicaModificheTesta();
    if (ModoSalva != 2) {
        if (!ControlliSalvataggio())
            return false;
        TotaleLitri();
        ColliTrasporto();
        PesiVolume();
    }
    return ConfermaSalvataggio() && ControlloPrenotazioni();
}

bool TFDocumento::RegistraNellaTransazione(TXTransaction &transazione, int modo, const QList<TDataSet *> &tabelle,
                                           const std::function<void()> &inizio, QString &errore)
{
    // 15-23 in one transaction
    try {
        if (modo == 0)
            NumeraTesta();
        if (inizio)
            inizio();
        ControllaAltriUtenti();
        // numbered (new) or checked against other users (changed, deleted), the locks held
        kv8data::CheckPoint(QStringLiteral("documento"));
        EvadiPrenotazioni();
        RegistraRiepilogo();
        StornaAccontiOrdini();
        if (modo == 2) {
            EliminaDocumento();
        } else {
            RegistraTesta();
            RegistraTestaMovimento();
            RegistraRighe();
            EliminaTestaMovimentoVuota();
            SalvaMatricole();
            RegistraTotali();
            CodiceSpeseImballo();
        }
        CodaSalvataggio();
        if (modo == 1)
            NotaRigheRegistrate();
        transazione.Commit();
        numeroDigitato_.reset();
        return true;
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        errore = Kmessages::ExceptionText(e);
    }
    registrate_.reset();
    for (TDataSet *t : tabelle)
        CheckRollBack(t);
    return false;
}

void TFDocumento::SalvaSenzaRinfrescareRighe(const std::function<void()> &salva)
{
    // the rows' grid follows the save once, at its end, not after each of its passes
    const auto rinfresca = [this] {
        salvataggioInCorso_ = false;
        TRighe->EnableControls();
        if (TRighe->Active() && !TRighe->IsEmpty() && TRighe->State() == dsBrowse)
            TRighe->GotoBookmark(TRighe->GetBookmark());
    };
    salvataggioInCorso_ = true;
    TRighe->DisableControls();
    try {
        salva();
    } catch (...) {
        rinfresca();
        throw;
    }
    rinfresca();
}

void TFDocumento::SalvaDocumentoConPassi(const TPassiSalvataggio &passi)
{
    const auto calcoli = CalcoliDelleRigheLetti();
    if (!PreparaSalvataggio(passi.Prepara))
        return;

    // the head's controls follow once, when the save is over, not at each of its steps
    TTesta->DisableControls();
    const auto mostra = qScopeGuard([this] { TTesta->EnableControls(); });
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto cursore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    const QList<TDataSet *> tabelle = TabelleSalvataggio();
    const int modo = ModoSalva;
    std::optional<TXTransaction> transazione;
    try {
        for (TDataSet *t : tabelle)
            CheckTabOpen(t);
        transazione.emplace(Azienda());
    } catch (const EAbort &) {
        AnnullaSalvataggio(QString());
        return;
    } catch (const std::exception &e) {
        AnnullaSalvataggio(Kmessages::ExceptionText(e));
        return;
    }
    if (!transazione->Started())
        return;
    QString errore;
    const bool riuscito = RegistraNellaTransazione(*transazione, modo, tabelle, passi.Inizio, errore);
    transazione.reset();
    if (!riuscito) {
        AnnullaSalvataggio(errore);
        passi.Fine();
        return;
    }
    passi.Fine();
    SalvataggioRiuscito = true;
    DopoSalvataggio();
    if (modo != 2) {
        Contabilizza();
        if (modo == 1 && TTesta->State() != dsEdit && TTesta->State() != dsInsert)
            TTestaAfterScroll(TTesta);
    }
    if (modo == 0)
        InitDoc(0);
}

void TFDocumento::CancellaDocumento()
{
    if (chiave_ == 0)
        return;
    ModoSalva = 2;
    try {
        SalvaDocumento();
    } catch (...) {
        ModoSalva = 1;
        throw;
    }
    if (ModoSalva == 2) // refused or failed: the document stays as it is
        ModoSalva = 1;
}

void TFDocumento::SalvaDocumento()
{
    const auto calcoli = CalcoliDelleRigheLetti();
    if (!PreparaSalvataggio({}))
        return;
    // the head's controls follow once, when the save is over, not at each of its steps
    TTesta->DisableControls();
    const auto mostra = qScopeGuard([this] { TTesta->EnableControls(); });
    const QList<TDataSet *> tabelle = TabelleSalvataggio();
    for (TDataSet *t : tabelle)
        CheckTabOpen(t);
    const int modo = ModoSalva;
    QString errore;
    bool riuscito;
    {
        TXTransaction transazione(Azienda());
        if (!transazione.Started())
            return;
        riuscito = RegistraNellaTransazione(transazione, modo, tabelle, {}, errore);
    }
    if (!riuscito) {
        AnnullaSalvataggio(errore);
        return;
    }
    SalvataggioRiuscito = true;
    DopoSalvataggio();
    if (modo != 2)
        Contabilizza();
    if (modo == 0)
        InitDoc(0);
}

bool TFDocumento::Test_SolaLettura()
{
    return FlSolaLettura;
}

void TFDocumento::SvuotaListeDocumenti()
{
    ListaOrdini.clear();
    ListaOfferte.clear();
    ListaBolle.clear();
    ListaRigheBolle.clear();
    ListaClienti.clear();
}

void TFDocumento::PostaRighe()
{
    if (TRighe->State() == dsEdit || TRighe->State() == dsInsert) {
        if (TRighe->Modified())
            TRighe->Post();
        else
            TRighe->Cancel();
    }
}

void TFDocumento::CostruisciRiepilogo() {}

void TFDocumento::ControllaRighePresenti()
{
    CheckTabOpen(TRighe);
    if (TRighe->IsEmpty())
        throw Exception(QStringLiteral("Deve essere specificato almeno un rigo nel documento!"));
}

void TFDocumento::AvvisoValoreOrdine()
{
    if (ModoSalva == 2 && ValoreOrdine < 0)
        Kmessages::KMessage(
            QStringLiteral("Attenzione. C'è stato un errore nel calcolo del valore ordine per il documento. "
                           "Proseguendo non sarà possibile aggiornare il monte ordini del Cliente."),
            mtInformation, mbOK);
}

void TFDocumento::ApplicaModificheTesta()
{
    if (TTesta->State() == dsEdit || TTesta->State() == dsInsert) {
        TTesta->UpdateRecord();
        if (ModoSalva == 2)
            TTesta->Cancel();
    }
}

bool TFDocumento::ControlliPreliminari()
{
    controllate_.emplace();
    const auto dimentica = qScopeGuard([this] { controllate_.reset(); });
    TRighe->DisableControls();
    const TBookmark posto = TRighe->GetBookmark();
    try {
        for (TRighe->First(); !TRighe->Eof(); TRighe->Next())
            ControllaRigo(TRighe);
    } catch (...) {
        TRighe->GotoBookmark(posto);
        TRighe->EnableControls();
        throw;
    }
    TRighe->GotoBookmark(posto);
    TRighe->EnableControls();
    return true;
}

bool TFDocumento::RigheCONAI()
{
    return true;
}
bool TFDocumento::RigheRAEE()
{
    return true;
}
bool TFDocumento::RigheRitenute()
{
    return true;
}
bool TFDocumento::GestioneDatiAnticipi()
{
    return true;
}
bool TFDocumento::ConfermaAcconti()
{
    return true;
}
bool TFDocumento::ControllaScadenze()
{
    return true;
}
bool TFDocumento::ControllaValoreOrdini()
{
    return true;
}
bool TFDocumento::DichiarazioniIntento()
{
    return true;
}
bool TFDocumento::SituazioneAmministrativa()
{
    return true;
}

bool TFDocumento::ControlliSalvataggio()
{
    if (!ControlliPreliminari() || !RigheCONAI() || !RigheRAEE() || !RigheRitenute())
        return false;
    if (!ControlliTesta() || !GestioneDatiAnticipi())
        return false;
    CalcolaScontiSI();
    CalcolaDatiCoda(TTesta);
    CalcolaTotali(true, false);
    return ConfermaAcconti() && ControllaScadenze() && ControllaValoreOrdini() && DichiarazioniIntento()
           && SituazioneAmministrativa();
}

void TFDocumento::TotaleLitri() {}

void TFDocumento::ColliTrasporto() {}

void TFDocumento::PesiVolume()
{
    QString locale;
    QString archivio;
    QString chiave;
    if (TDMISBas::TabelleRighe(tipo_.CodTipoDoc, locale, archivio, chiave))
        TDMISBas::Crea()->CalcolaPesiVolumeTestaDoc(TTesta, 0, tipo_.CodTipoDoc, true, true);
}

bool TFDocumento::ConfermaSalvataggio()
{
    if (ModoSalva == 2)
        return Kmessages::KMessage(QStringLiteral(" Conferma cancellazione ? "), mtConfirmation, mbYesNo) == mrYes;
    if (FlConfermaRegistrazione)
        return Kmessages::KMessage(QStringLiteral(" Conferma registrazione ? "), mtConfirmation, mbYesNo) == mrYes;
    return true;
}

bool TFDocumento::ControlloPrenotazioni()
{
    return true;
}

QList<TDataSet *> TFDocumento::TabelleSalvataggio()
{
    TDMIBMag *mag = TDMIBMag::Crea();
    return {TTestaDB,
            TRigheDB,
            TTotali,
            TDettQta,
            mag->tMovMagazzino,
            mag->tMovMagazzinoD,
            mag->tEsistenze,
            mag->tPartite,
            mag->tDettQtaDoc,
            mag->tSaldiLotti,
            TDMISVen::Crea()->tOrdiniCliR,
            TDMISOrc::Crea()->tOrdiniCliT};
}

void TFDocumento::ControllaAltriUtenti()
{
    if (ModoSalva == 0)
        return;
    // the head row locked first, so that two saves of one document follow each other
    const int righe = Azienda().ExecSQL(
        QStringLiteral("UPDATE %1 SET %2 = %2 WHERE %2 = ?").arg(tipo_.TabellaTeste, tipo_.ChiaveTesta), {chiave_});
    if (righe == 0)
        throw Exception(ModificatoDaAltri());
    // and its rows, which other jobs mark without touching the head (an invoice taking a
    // delivery note's rows): compared below, they stay as compared until the commit
    // (SQLite: the transaction holds the database)
    if (Azienda().IsPostgres())
        Azienda().ScalarValue(QStringLiteral("SELECT COUNT(*) FROM (SELECT %1 FROM %2 WHERE %3 = ? FOR UPDATE) r_")
                                  .arg(tipo_.ChiaveRigo, tipo_.TabellaRighe, tipo_.ChiaveTesta),
                              {chiave_});
    // nothing committed since the document was read: it is as read
    const auto stampa = Azienda().DataStamp();
    if ((!stampa || stampa != stampaImpronta_) && ImprontaArchivio(chiave_) != impronta_)
        throw Exception(ModificatoDaAltri());
}

void TFDocumento::EvadiPrenotazioni() {}

void TFDocumento::RegistraRiepilogo() {}

void TFDocumento::StornaAccontiOrdini() {}

TDataSet *TFDocumento::TestaDaEliminare()
{
    // read locked (ControllaAltriUtenti holds it already): it goes by its key
    TTestaDB->ReadAsStored(tipo_.ChiaveTesta, {{chiave_}}, tipo_.ChiaveTesta + QStringLiteral(" = ?"), {chiave_}, true);
    if (!TTestaDB->Locate(tipo_.ChiaveTesta, chiave_))
        throw Exception(QStringLiteral("Errore in lettura testa documento"));
    return TTestaDB;
}

void TFDocumento::EliminaDocumento()
{
    TestaDaEliminare();
    // the stored rows' keys in TRRighe's order, with the order lines they fulfil; the rows
    // then read as stored in one statement
    const bool conOrdini =
        (tipo_.CodTipoDoc == 0 || tipo_.CodTipoDoc == 1) && TRigheDB->FindField(QStringLiteral("KOrdineR"));
    QList<qint64> chiavi;
    QList<QVariantList> daLeggere;
    QList<QVariantList> ordini;
    {
        QSqlQuery q = Azienda().OpenQuery(QStringLiteral("SELECT %1%4 FROM %2 WHERE %3 = ? ORDER BY NumOrdine, %1")
                                              .arg(tipo_.ChiaveRigo, tipo_.TabellaRighe, tipo_.ChiaveTesta,
                                                   conOrdini ? QStringLiteral(", KOrdineR") : QString()),
                                          {chiave_});
        QSet<qint64> lineeOrdine;
        while (q.next()) {
            chiavi << q.value(0).toLongLong();
            daLeggere << QVariantList{q.value(0)};
            const qint64 linea = conOrdini ? q.value(1).toLongLong() : 0;
            if (linea != 0 && !lineeOrdine.contains(linea)) {
                lineeOrdine.insert(linea);
                ordini << QVariantList{linea};
            }
        }
    }
    LeggiRigheArchivio(daLeggere);
    ControllaRigheDaEliminare();
    // the order lines given back, read locked at once rather than row by row
    if (!ordini.isEmpty()) {
        TXClientTable *righeOrdine = TDMISVen::Crea()->tOrdiniCliR;
        CheckTabOpen(righeOrdine);
        righeOrdine->ReadAsStored(QStringLiteral("KOrdiniCliR"), ordini,
                                  QStringLiteral("KOrdiniCliR IN (SELECT KOrdineR FROM %1 WHERE %2 = ?)")
                                      .arg(tipo_.TabellaRighe, tipo_.ChiaveTesta),
                                  {chiave_}, true);
    }
    // the head's causal is read once for all the rows; their movements go together after them
    causaleRighe_ = CausaleMagazzino();
    righeInBlocco_ = true;
    TDMIBMag *mag = TDMIBMag::Crea();
    mag->IniziaEliminazioneDocumento();
    const auto fine = qScopeGuard([this, mag] {
        causaleRighe_.reset();
        righeInBlocco_ = false;
        mag->AnnullaEliminazioneDocumento();
    });
    LeggiEsistenze(TRigheDB);
    for (qint64 k : chiavi) {
        if (!TRigheDB->Locate(tipo_.ChiaveRigo, k))
            throw Exception(QStringLiteral("Errore in lettura rigo"));
        EliminaRigo();
    }
    if (!mag->EliminaMovimentiRinviati())
        throw Exception(QStringLiteral("Errore in cancellazione magazzino"));
    // the rows in one statement, checked against the keys read (ControllaAltriUtenti has
    // compared their values in this transaction, the head locked); TRigheDB then holds none
    const int eliminate = Azienda().ExecSQL(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(tipo_.TabellaRighe, tipo_.ChiaveTesta), {chiave_});
    if (eliminate != chiavi.size())
        throw Exception(ModificatoDaAltri());
    TRigheDB->ForgetHeldRows();
    // the totals by the head's key in one statement (written only with the head locked)
    Azienda().ExecSQL(QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(tipo_.TabellaTotali, tipo_.ChiaveTesta),
                      {chiave_});
    TTotali->ForgetHeldRows();
    TTestaDB->Delete();
}

void TFDocumento::ControllaRigheDaEliminare() {}

void TFDocumento::EliminaRigo()
{
    if (!GeneraMovimentoRigo(3))
        throw Exception(QStringLiteral("Errore in cancellazione magazzino"));
    if (!AggiornaRigoOrdineDoc(3))
        throw Exception(QStringLiteral("Errore in aggiornamento righi ordine"));
    if (!righeInBlocco_)
        TRigheDB->Delete();
}

int TFDocumento::NuovoNumero()
{
    return Funzioni::NumeroSuccessivo(tipo_.TabellaTeste, F(TTesta, "Anno")->AsInteger(),
                                      F(TTesta, "Serie")->AsInteger());
}

void TFDocumento::SetNumeroDocumento() {}

void TFDocumento::NumeraTesta()
{
    if (TTesta->State() == dsBrowse)
        TTesta->Edit();
    TField *digitato = F(TTesta, "Numero");
    numeroDigitato_ = digitato->AsInteger();
    TTestaDB->Append();
    Funzioni::CopiaDati(TTestaDB, TTesta);
    TField *numero = F(TTestaDB, "Numero");
    if (numero->AsInteger() <= 0)
        numero->SetAsInteger(NuovoNumero());
    const int richiesto = numero->AsInteger();
    for (int tentativo = 1;; ++tentativo) {
        try {
            TTestaDB->Post();
            break;
        } catch (const EKeyViolation &e) {
            if (tentativo >= 100)
                throw Exception(QStringLiteral("Errore in salvataggio testa documento: ") + e.Message);
            numero->SetAsInteger(numero->AsInteger() + 1);
        }
    }
    chiave_ = TTestaDB->FieldByName(tipo_.ChiaveTesta)->Value().toLongLong();
    if (numero->AsInteger() != richiesto)
        AvvisoNumero = QStringLiteral("Il numero assegnato a questo documento e': ") + numero->AsString();
    SetNumeroDocumento();
    TTestaDB->Edit();
    digitato->SetAsInteger(numero->AsInteger());
}

void TFDocumento::RegistraTesta()
{
    if (TTesta->State() == dsEdit || TTesta->State() == dsInsert)
        TTesta->Post();
    if (ModoSalva == 0) {
        // stored by NumeraTesta: TTestaDB stands on it, in edit
        Funzioni::CopiaDati(TTestaDB, TTesta);
        return;
    }
    // read as stored: the columns other jobs set are kept as they stand now
    const QStringList esterni = CampiTestaEsterni();
    if (!(esterni.isEmpty() ? TTestaDB->Locate(tipo_.ChiaveTesta, chiave_)
                            : TTestaDB->LocateAsStored(tipo_.ChiaveTesta, chiave_)))
        throw Exception(QStringLiteral("Errore in lettura testa documento"));
    QVariantList memorizzati;
    for (const QString &campo : esterni)
        memorizzati << TTestaDB->FieldByName(campo)->Value();
    TTestaDB->Edit();
    Funzioni::CopiaDati(TTestaDB, TTesta);
    for (qsizetype i = 0; i < esterni.size(); ++i)
        TTestaDB->FieldByName(esterni.at(i))->SetValue(memorizzati.at(i));
}

void TFDocumento::RegistraTestaMovimento()
{
    if (CausaleMagazzino().isEmpty())
        return;
    TField *prot = F(TTestaDB, "ProtMagazzino");
    if (prot->AsInteger() <= 0)
        prot->SetAsInteger(int(chiave_));
}

void TFDocumento::RegistraRighe()
{
    TRighe->DisableControls();
    TRighe->SetFiltered(false);
    // the head's causal is read once for all the rows
    causaleRighe_ = CausaleMagazzino();
    const auto fine = qScopeGuard([this] { causaleRighe_.reset(); });
    try {
        // the stored rows the pass rewrites or deletes, read at once rather than row by row
        if (ModoSalva == 1) {
            QList<QVariantList> daLeggere;
            QSqlQuery q = TRighe->Database().OpenQuery(
                QStringLiteral("SELECT %1 FROM %2 WHERE Stato %3")
                    .arg(tipo_.ChiaveRigo, TRighe->TableName(),
                         FlRiscriviRighe ? QStringLiteral("<> 2") : QStringLiteral("IN (1, 3)")));
            while (q.next())
                daLeggere << QVariantList{q.value(0)};
            LeggiRigheArchivio(daLeggere);
        }
        LeggiEsistenze(TRighe);
        TField *campoStato = F(TRighe, "Stato");
        for (TRighe->First(); !TRighe->Eof(); TRighe->Next()) {
            int stato = campoStato->AsInteger();
            if (stato == 0 && FlRiscriviRighe)
                stato = 1;
            if (stato != 0)
                RegistraRigo(stato);
        }
    } catch (...) {
        TRighe->SetFiltered(true);
        TRighe->EnableControls();
        throw;
    }
    TRighe->SetFiltered(true);
    TRighe->EnableControls();
}

void TFDocumento::NotaRigheRegistrate()
{
    registrate_.reset();
    if (TRigheDB->TableWrittenByOthers())
        return;
    std::optional<QVariantList> diverse = RigheDiverse();
    if (!diverse)
        return;
    // taken after the checks: reading the rows writes first what TRigheDB keeps for the commit
    TRigheRegistrate registrate{chiave_, ImprontaArchivio(chiave_), {}, std::move(*diverse)};
    if (TRigheDB->TableWrittenByOthers())
        return;
    registrate.Stampa = Azienda().DataStamp();
    registrate_ = std::move(registrate);
}

std::optional<QVariantList> TFDocumento::RigheDiverse()
{
    TRighe->DisableControls();
    TRighe->SetFiltered(false);
    const auto ripristina = qScopeGuard([this] {
        TRighe->SetFiltered(true);
        TRighe->EnableControls();
    });
    TField *stato = F(TRighe, "Stato");
    TField *chiave = TRighe->FieldByName(tipo_.ChiaveRigo);
    QVariantList diverse;
    for (TRighe->First(); !TRighe->Eof(); TRighe->Next()) {
        int s = stato->AsInteger();
        if (s == 0 && FlRiscriviRighe)
            s = 1;
        if (s == 0)
            continue; // not written: as read, which the save checked
        // a row written: TRigheDB holds it as written, a row deleted it holds no more
        const bool tenuto = TRigheDB->Locate(tipo_.ChiaveRigo, chiave->Value(), loHeldOnly);
        if (s == 3 ? tenuto : !tenuto)
            return std::nullopt;
        if (s != 3 && !Funzioni::DatiUguali(TRighe, TRigheDB))
            diverse << chiave->Value();
    }
    return diverse;
}

void TFDocumento::LeggiEsistenze(TDataSet *righe)
{
    // read at once rather than row by row, locked until the commit
    if (causaleRighe_->isEmpty())
        return;
    TDMIBMag::Crea()->LeggiSaldiRighe(TestaScrittura(), righe, nullptr);
    kv8data::CheckPoint(QStringLiteral("esistenze"));
}

void TFDocumento::LeggiRigheArchivio(const QList<QVariantList> &chiavi)
{
    // the rows TRigheDB holds are located as they are, as one by one
    QList<QVariantList> mancanti;
    for (const QVariantList &chiave : chiavi)
        if (!TRigheDB->Locate(tipo_.ChiaveRigo, chiave.constFirst(), loHeldOnly))
            mancanti << chiave;
    if (!mancanti.isEmpty())
        TRigheDB->ReadAsStored(tipo_.ChiaveRigo, mancanti, tipo_.ChiaveTesta + QStringLiteral(" = ?"), {chiave_});
}

void TFDocumento::RegistraRigo(int stato)
{
    const qint64 chiave = TRighe->FieldByName(tipo_.ChiaveRigo)->Value().toLongLong();
    if (stato == 1 || stato == 3) {
        if (!TRigheDB->Locate(tipo_.ChiaveRigo, chiave))
            throw Exception(QStringLiteral("Errore in lettura rigo"));
        if (stato == 3) {
            EliminaRigo();
            return;
        }
        if (!AggiornaRigoOrdineDoc(3))
            throw Exception(QStringLiteral("Errore in aggiornamento righi ordine"));
        TRigheDB->Edit();
    } else {
        TRigheDB->Append();
    }
    Funzioni::CopiaDati(TRigheDB, TRighe);
    TRigheDB->FieldByName(tipo_.ChiaveTesta)->SetValue(chiave_);
    TRigheDB->Post();
    if (!GeneraMovimentoRigo(stato))
        throw Exception(QStringLiteral("Errore in generazione magazzino"));
    if (!AggiornaRigoOrdineDoc(2))
        throw Exception(QStringLiteral("Errore in aggiornamento righi ordine"));
}

bool TFDocumento::GeneraMovimentoRigo(int stato)
{
    const QString causale = causaleRighe_ ? *causaleRighe_ : CausaleMagazzino();
    if (causale.isEmpty())
        return true;
    TDMIBMag *mag = TDMIBMag::Crea();
    return mag->GeneraMovimentoMagazzino(stato, tipo_.CodTipoDoc, causale, QString(), false, TestaScrittura(), TRigheDB,
                                         mag->tMovMagazzino, mag->tEsistenze, mag->tPartite, mag->tMovMagazzinoD,
                                         mag->qLavoro, mag->tDettQtaDoc);
}

bool TFDocumento::AggiornaRigoOrdineDoc(int stato)
{
    // rows that fulfil a customer-order row (delivery notes and invoices)
    TField *ordine = TRigheDB->FindField(QStringLiteral("KOrdineR"));
    if (!ordine || ordine->AsInteger() == 0 || (tipo_.CodTipoDoc != 0 && tipo_.CodTipoDoc != 1))
        return true;
    TDMISVen *sven = TDMISVen::Crea();
    if (!sven->PosizionaRigoOrdine(ordine->AsInteger()))
        return true; // the order row is gone: nothing to fulfil
    return TDMISOrc::Crea()->AggiornaRigoOrdine(stato, tipo_.CodTipoDoc, ModoSelezione, TRigheDB, sven->tOrdiniCliR,
                                                F(TRigheDB, "Quantita")->AsFloat(),
                                                F(TRigheDB, "QuantitaSaldo")->AsFloat());
}

void TFDocumento::EliminaTestaMovimentoVuota() {}

void TFDocumento::SalvaMatricole() {}

QStringList TFDocumento::CampiTestaEsterni() const
{
    return {};
}

bool TFDocumento::TotaliDaRicalcolare() const
{
    return !(ModoSalva == 1 && !FlRigheModificate && TTesta->ChangeCount() == 0);
}

void TFDocumento::RegistraTotali()
{
    if (!TotaliDaRicalcolare())
        return;
    if (TTestaDB->State() == dsBrowse)
        TTestaDB->Edit();
    PreparaParametriTotali(TTestaDB, TRighe, nullptr, nullptr);
    TRighe->DisableControls();
    const bool riuscito = CalcolaTotali(TTotali, ParamTotali);
    TRighe->EnableControls();
    if (!riuscito)
        throw Exception(QStringLiteral("Errore nel calcolo dei totali del documento"));
}

void TFDocumento::CodiceSpeseImballo() {}

void TFDocumento::CodaSalvataggio()
{
    AggiornaDocumentiCollegati();
    if (!VMRegistraDatiDocumento())
        throw EAbort();
    if (ModoSalva != 2) {
        if (!TDMIBMag::Crea()->ControllaRigheMagazzino(tipo_.CodTipoDoc, TTestaDB, TRighe))
            throw EAbort();
        if (TTestaDB->State() != dsBrowse)
            TTestaDB->Post();
    }
}

void TFDocumento::AggiornaDocumentiCollegati() {}

void TFDocumento::DopoSalvataggio()
{
    // what the save noted of the rows serves its own reload only
    const auto dimentica = qScopeGuard([this] { registrate_.reset(); });
    AggiornaProgressiviClienti();
    FlRigheModificate = false;
    FlRigheAggiunte = false;
    AggiornaPrezziDaDocumento();
    const int modo = ModoSalva;
    if (modo == 2) {
        TTesta->CancelUpdates();
        chiave_ = 0;
        InitDoc(0);
    } else if (modo == 1) {
        CaricaDocumento(chiave_);
    }
    if (!AvvisoNumero.isEmpty()) {
        Kmessages::KMessage(AvvisoNumero, mtInformation, mbOK);
        AvvisoNumero.clear();
    }
    if (modo == 0)
        OffriStampa();
}

void TFDocumento::AggiornaProgressiviClienti() {}

void TFDocumento::AggiornaPrezziDaDocumento() {}

void TFDocumento::OffriStampa()
{
    if (HaStampa() && Kmessages::KMessage(QStringLiteral("Effettuo stampa ? "), mtConfirmation, mbYesNo) == mrYes)
        StampaDocumento(true);
    StampaEtichette();
}

void TFDocumento::Contabilizza() {}

void TFDocumento::AnnullaSalvataggio(const QString &messaggio)
{
    if (TTestaDB->State() != dsBrowse)
        TTestaDB->Cancel();
    if (ModoSalva == 0) {
        chiave_ = 0;
        AvvisoNumero.clear();
        // the number given by the save that failed is not the document's
        if (numeroDigitato_) {
            if (TTesta->State() == dsBrowse && !TTesta->IsEmpty())
                TTesta->Edit();
            if (TTesta->State() != dsBrowse)
                F(TTesta, "Numero")->SetAsInteger(*numeroDigitato_);
        }
    }
    numeroDigitato_.reset();
    // the head goes back to the user as typed, still to be stored
    if (ModoSalva != 2 && TTesta->State() == dsBrowse && !TTesta->IsEmpty())
        TTesta->Edit();
    if (!messaggio.isEmpty())
        Kmessages::KRifiuto(messaggio, mtWarning);
}
