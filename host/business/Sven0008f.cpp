#include "host/business/Sven0008f.h"

#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmisbas.h"
#include "host/business/Funzionidoc.h"
#include "host/business/Sven0001f_001.h"
#include "host/business/Sven0008f_001.h"
#include "host/business/Sven0009s.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/DBControls.h"
#include "host/ui/Kmessages.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QSqlQuery>

#include <memory>

namespace {

TXDatabase &Azienda()
{
    return DMIDataBases::Instance().Global();
}

const QString kRifBolla = QStringLiteral("DT");

// The box layout, within layout, that holds the widget.
QBoxLayout *LayoutDi(QLayout *layout, QWidget *widget)
{
    if (!layout)
        return nullptr;
    if (layout->indexOf(widget) >= 0)
        return qobject_cast<QBoxLayout *>(layout);
    for (int i = 0; i < layout->count(); ++i)
        if (QBoxLayout *trovato = LayoutDi(layout->itemAt(i)->layout(), widget))
            return trovato;
    return nullptr;
}

} // namespace

TTipoDocumento TFSVen0008f::Tipo()
{
    TTipoDocumento t;
    t.CodTipoDoc = 1;
    t.Sigla = QStringLiteral("FI");
    t.Descrizione = QStringLiteral("Fattura");
    t.TabellaTeste = QStringLiteral("FattureCliTeste");
    t.TabellaRighe = QStringLiteral("FattureCliRighe");
    t.TabellaTotali = QStringLiteral("FattureCliTot");
    t.TabellaRigheLocale = QStringLiteral("t_RigheFattCli");
    t.ChiaveTesta = QStringLiteral("KFattCliT");
    t.ChiaveRigo = QStringLiteral("KFattCliR");
    t.CampoContoTp = QStringLiteral("IdClienteTp");
    t.CampoConto = QStringLiteral("IdCliente");
    t.TipoConto = QStringLiteral("CL");
    t.TabellaCausali = QStringLiteral("CausaliFattCli");
    return t;
}

TFSVen0008f::TFSVen0008f(QWidget *owner) : TFDocumento(Tipo(), owner)
{
    setObjectName(QStringLiteral("FSVen0008f"));
    SetCaption(QStringLiteral("Fatture Clienti"));
    MostraStampa(true);
    TRRigheNC = new TXQuery(this);
    TRRigheNC->SetName(QStringLiteral("TRRigheNC"));
    TRRigheNC->SQL = TRRighe->SQL;
    TRigheDDT = new TXClientTable(this);
    TRigheDDT->SetName(QStringLiteral("TRigheDDT"));
    TRigheDDT->SetTableName(QStringLiteral("BolleCliRighe"));
    TRigheDDT->SetKeyFields(QStringLiteral("KBolleCliR"));
    TRigheDDT->SetXWhereVuoto(QStringLiteral("KBolleCliR = 0"));
    TRigheDDT->SetCachedUpdates(true);

    // beside the host's other row commands
    btnBolle = new QPushButton(QStringLiteral("Righe da DDT..."), PanelR);
    btnBolle->setObjectName(QStringLiteral("btnBolle"));
    connect(btnBolle, &QPushButton::clicked, this, [this] { Guard([this] { Sven0008f_001::SelezionaBolle(this); }); });
    if (QBoxLayout *comandi = LayoutDi(PanelR->layout(), btnOrdini))
        comandi->insertWidget(comandi->indexOf(btnOrdini) + 1, btnBolle);
    else
        PanelR->layout()->addWidget(btnBolle);
}

bool TFSVen0008f::InitForm(int modo, qint64 chiave)
{
    FlSegnoInverso = modo == 1;
    SetCaption(FlSegnoInverso ? QStringLiteral("Fatture Clienti (note di credito)")
                              : QStringLiteral("Fatture Clienti"));
    return chiave == 0 ? InitDoc(0) : CaricaDocumento(chiave);
}

void TFSVen0008f::FormCreate()
{
    TFDocumento::FormCreate();
    TRigheDDT->Open();
}

void TFSVen0008f::FormClose(TCloseAction &action)
{
    TFDocumento::FormClose(action);
    if (FSVen0008f == this)
        FSVen0008f = nullptr;
}

bool TFSVen0008f::InitDoc(int modo)
{
    if (TRigheDDT->State() != dsBrowse)
        TRigheDDT->Cancel();
    TRigheDDT->CancelUpdates();
    BolleSelezionate.clear();
    return TFDocumento::InitDoc(modo);
}

// ---- print

void TFSVen0008f::DSMainStateChange(TDataSource *source)
{
    TFDocumento::DSMainStateChange(source);
    if (KeyCorrente() != 0) {
        btStampa->setEnabled(true);
        btAnteprima->setEnabled(true);
    }
}

void TFSVen0008f::StampaDocumento(bool anteprima)
{
    // the summary being edited is the window's working copy, not yet the stored one
    const bool inModifica = TTesta->State() == dsEdit || TTesta->State() == dsInsert || FlRigheModificate;
    StampaRegistrato<TfSVen0009s>(anteprima,
                                  [inModifica](TfSVen0009s &stampa) { stampa.CastellettoLocale = inModifica; });
}

// ---- rows from delivery notes

int TFSVen0008f::AccodaRigheDaDDT()
{
    const QString cliente = TTesta->FieldByName(QStringLiteral("IdCliente"))->AsString().trimmed();
    if (cliente.isEmpty())
        throw Exception(QStringLiteral("Indicare il cliente della fattura prima di prendere le righe dai DDT."));
    QStringList sql{QStringLiteral("SELECT R.KBolleCliR FROM BolleCliRighe R"),
                    QStringLiteral("JOIN BolleCliTeste T ON T.KBolleCliT = R.KBolleCliT"),
                    QStringLiteral("WHERE T.IdClienteTp = 'CL' AND T.IdCliente = ? AND R.FlGenFattura = 0")};
    QVariantList valori{cliente};
    if (!BolleSelezionate.isEmpty()) {
        QStringList segni;
        for (qint64 k : BolleSelezionate) {
            segni << QStringLiteral("?");
            valori << k;
        }
        sql << QStringLiteral("AND T.KBolleCliT IN (%1)").arg(segni.join(QLatin1Char(',')));
    }
    sql << QStringLiteral("ORDER BY T.DataDocumento, T.Numero, R.KBolleCliT, R.NumOrdine, R.KBolleCliR");
    QList<qint64> righe;
    QSqlQuery q = Azienda().OpenQuery(sql.join(QLatin1Char(' ')), valori);
    while (q.next())
        righe << q.value(0).toLongLong();

    int aggiunte = 0;
    const auto accodando = AccodandoRighe();
    TRighe->DisableControls();
    struct Riattiva {
        TDataSet *d;
        ~Riattiva() { d->EnableControls(); }
    } riattiva{TRighe};
    for (qint64 k : righe) {
        if (!TRigheDDT->Locate(QStringLiteral("KBolleCliR"), k))
            continue;
        if (TRigheDDT->FieldByName(QStringLiteral("KFatturaR"))->AsInteger() == 999)
            continue; // already taken into this invoice
        TRighe->Append();
        const QVariant chiaveTesta = TRighe->FieldByName(QStringLiteral("KFattCliT"))->Value();
        const QVariant contatore = TRighe->FieldByName(QStringLiteral("Contatore"))->Value();
        const QVariant ordine = TRighe->FieldByName(QStringLiteral("NumOrdine"))->Value();
        CopiaRigoArchiviato(TRigheDDT);
        TRighe->FieldByName(QStringLiteral("KFattCliR"))->Clear();
        TRighe->FieldByName(QStringLiteral("KFattCliT"))->SetValue(chiaveTesta);
        TRighe->FieldByName(QStringLiteral("Contatore"))->SetValue(contatore);
        TRighe->FieldByName(QStringLiteral("NumOrdine"))->SetValue(ordine);
        TRighe->FieldByName(QStringLiteral("Stato"))->SetAsInteger(2);
        TRighe->FieldByName(QStringLiteral("IdTipoRiferimento"))->SetAsString(kRifBolla);
        TRighe->FieldByName(QStringLiteral("RifRigoDoc"))->SetAsString(QString::number(k));
        TRighe->Post();
        TRigheDDT->Edit();
        TRigheDDT->FieldByName(QStringLiteral("KFatturaR"))->SetAsInteger(999);
        TRigheDDT->Post();
        ++aggiunte;
    }
    if (aggiunte > 0) {
        FlRigheAggiunte = true;
        FlRigheModificate = true;
    }
    return aggiunte;
}

void TFSVen0008f::EsplodiKitRigo(TDataSet *rigo)
{
    const auto campo = [rigo](const char *nome) { return rigo->FieldByName(QLatin1String(nome)); };
    InserisciComponenti(
        campo("IdProdotto")->AsString(), TTesta->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime(),
        campo("Quantita")->AsFloat(), 0, 0, campo("TipoRigo")->AsInteger(), campo("Contatore")->AsInteger(),
        campo("IdUM")->AsString(), campo("FattConvProd")->AsFloat(), 0, 0, 0);
}

void TFSVen0008f::RiattivaFormDDT(QObject *)
{
    setEnabled(true);
    AggiornaRighe();
    KPageControl->SetActivePage(tsRighe);
}

bool TFSVen0008f::ControllaRighe(TDataSet *righe, bool messaggi)
{
    try {
        for (righe->First(); !righe->Eof(); righe->Next())
            ControllaRigo(righe);
    } catch (const Exception &e) {
        if (messaggi)
            Kmessages::KMessage(e.Message, mtWarning, mbOK);
        return false;
    }
    return true;
}

// ---- steps of the rows from order lines

QString TFSVen0008f::TipiRigoDescrittivi() const
{
    QStringList tipi;
    QSqlQuery q =
        Azienda().OpenQuery(QStringLiteral("SELECT TipoRigo FROM TipiRigo WHERE FlClasse = 2 ORDER BY TipoRigo"));
    while (q.next())
        tipi << QString::number(q.value(0).toInt());
    return tipi.isEmpty() ? QStringLiteral("-1") : tipi.join(QStringLiteral(", "));
}

int TFSVen0008f::TipoRigoDescrittivo() const
{
    return Azienda().ScalarValue(QStringLiteral("SELECT MIN(TipoRigo) FROM TipiRigo WHERE FlClasse = 2")).toInt();
}

QString TFSVen0008f::RiferimentoOrdine(TDataSet *testaOrdine)
{
    const KV8Config::TFSORC01 impostazioni = KV8Config::GetFSORC01();
    const int modo = impostazioni.FlRifOrdine;
    if (modo == 0)
        return QString();
    const auto campo = [testaOrdine](const char *nome) { return testaOrdine->FieldByName(QLatin1String(nome)); };
    QString testo = impostazioni.TestoRifOrdine + QLatin1Char(' ');
    if (modo == 1 || modo == 3) {
        const QString causale = campo("IdCausale")->AsString().trimmed();
        testo += TDMIBbas::Crea()->FormattaNumeroDocumento(causale + QLatin1Char('-') + campo("Numero")->AsString(),
                                                           campo("Anno")->AsInteger(), campo("Serie")->AsInteger(),
                                                           campo("Numero")->AsInteger(), causale)
                 + QLatin1Char(' ') + Funzioni::DataToStringa(campo("DataDocumento")->AsDateTime());
    }
    if (modo == 2 || modo == 3)
        testo += QLatin1Char(' ') + campo("RifOrdine")->AsString().trimmed();
    return testo;
}

void TFSVen0008f::NotaArticoloRigo(TDataSet *) {}

void TFSVen0008f::EsenzioneRigo(TDataSet *rigo, TDataSet *testaOrdine)
{
    QString esenzione = TTesta->FieldByName(QStringLiteral("IdEsenzione"))->AsString().trimmed();
    if (esenzione.isEmpty() && testaOrdine)
        esenzione = testaOrdine->FieldByName(QStringLiteral("IdEsenzione"))->AsString().trimmed();
    if (esenzione.isEmpty())
        return;
    rigo->FieldByName(QStringLiteral("IdIva"))
        ->SetAsString(TDMISBas::Crea()->IvaEsenzione(esenzione,
                                                     rigo->FieldByName(QStringLiteral("IdProdotto"))->AsString(),
                                                     rigo->FieldByName(QStringLiteral("TipoRigo"))->AsInteger()));
}

void TFSVen0008f::PesiRigoOrdine(TDataSet *rigo, TDataSet *linea)
{
    const auto valore = [](TDataSet *d, const char *nome) { return d->FieldByName(QLatin1String(nome))->AsFloat(); };
    const double ordinata = valore(linea, "QuantitaOrd");
    const double scelta = valore(linea, "QtaSelez");
    const int dec = CFG.DecQuantita;
    if (KV8Config::GetFSORC01().FlPesiOrdine != 1 || ordinata == 0 || Funzioni::CompDec(scelta, ordinata, dec) == 0)
        return;
    for (const char *nome : {"PesoLordo", "PesoNetto"})
        rigo->FieldByName(QLatin1String(nome))
            ->SetAsFloat(Funzioni::KRound(valore(linea, nome) / ordinata * scelta, dec));
    rigo->FieldByName(QStringLiteral("Volume"))
        ->SetAsFloat(Funzioni::KRound(valore(linea, "Volume") / ordinata * scelta, 6));
}

void TFSVen0008f::ContributoImballiRigo(TDataSet *) {}

void TFSVen0008f::DettaglioRigoOrdine(TDataSet *, TDataSet *) {}

bool TFSVen0008f::RicalcoloImportiArticolo(TDataSet *)
{
    return false;
}

bool TFSVen0008f::ControllaRigoOrdine(TDataSet *linea)
{
    const QVariant stato =
        Azienda().ScalarValue(QStringLiteral("SELECT FlStato FROM OrdiniCliRighe WHERE KOrdiniCliR = ?"),
                              {linea->FieldByName(QStringLiteral("KOrdiniCliR"))->Value()});
    return stato.isValid() && stato.toInt() < 2;
}

bool TFSVen0008f::SelezioneOrdiniAttiva() const
{
    return DialogoOrdini && ContaOrdini > 0;
}

void TFSVen0008f::SelezioneOrdiniAperta(TFSVen0001f_001 *dialogo, int ordini)
{
    DialogoOrdini = dialogo;
    ContaOrdini = ordini;
}

void TFSVen0008f::SelezioneOrdini() {}

void TFSVen0008f::TRigheBeforeDelete(TDataSet *dataSet)
{
    // a row taken in this edit gives its delivery-note row back at once
    if (dataSet->FieldByName(QStringLiteral("Stato"))->AsInteger() == 2
        && dataSet->FieldByName(QStringLiteral("IdTipoRiferimento"))->AsString() == kRifBolla
        && TRigheDDT->Locate(QStringLiteral("KBolleCliR"),
                             dataSet->FieldByName(QStringLiteral("RifRigoDoc"))->AsString().toLongLong())) {
        TRigheDDT->Edit();
        TRigheDDT->FieldByName(QStringLiteral("KFatturaR"))->SetAsInteger(0);
        TRigheDDT->Post();
    }
    TFDocumento::TRigheBeforeDelete(dataSet);
}

// ---- the save

void TFSVen0008f::RegistroCausale(int &tipoRegistro, int &serie) const
{
    QSqlQuery q = Azienda().OpenQuery(
        QStringLiteral("SELECT FlTipoRegistro, SerieRegistro FROM CausaliFattCli WHERE IdCausale = ?"),
        {TTesta->FieldByName(QStringLiteral("IdCausale"))->AsString().trimmed()});
    tipoRegistro = 1;
    serie = 0;
    if (q.next()) {
        tipoRegistro = q.value(0).toInt() == 0 ? 1 : q.value(0).toInt();
        serie = q.value(1).toInt();
    }
}

void TFSVen0008f::TTestaIdCausaleChange(TField *sender)
{
    int tipoRegistro = 1;
    int serie = 0;
    RegistroCausale(tipoRegistro, serie);
    sender->DataSet()->FieldByName(QStringLiteral("Serie"))->SetAsInteger(serie);
}

int TFSVen0008f::NuovoNumero()
{
    int tipoRegistro = 1;
    int serie = 0;
    RegistroCausale(tipoRegistro, serie);
    int numero = 0;
    TDataSet *t = TestaScrittura();
    if (!Funzioni::GetNumeroFattura(DMIBase->ProtIVA, t->FieldByName(QStringLiteral("Anno"))->AsInteger(), serie,
                                    tipoRegistro, numero,
                                    t->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime()))
        throw Exception(QStringLiteral("Protocolli fattura non presenti!"));
    return numero;
}

void TFSVen0008f::SetNumeroDocumento()
{
    int tipoRegistro = 1;
    int serie = 0;
    RegistroCausale(tipoRegistro, serie);
    TDataSet *t = TestaScrittura();
    if (!Funzioni::SetNumeroFattura(DMIBase->ProtIVA, t->FieldByName(QStringLiteral("Anno"))->AsInteger(), serie,
                                    tipoRegistro, t->FieldByName(QStringLiteral("Numero"))->AsInteger(),
                                    t->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime(),
                                    t->FieldByName(QStringLiteral("KFattCliT"))->Value().toLongLong()))
        throw Exception(QStringLiteral("Protocolli fattura non presenti!"));
}

QList<TDataSet *> TFSVen0008f::TabelleSalvataggio()
{
    QList<TDataSet *> tabelle = TFDocumento::TabelleSalvataggio();
    tabelle << DMIBase->ProtIVA;
    return tabelle;
}

void TFSVen0008f::CollegaRigoBolla(TDataSet *rigo, qint64 kFattCliR, bool collega)
{
    if (rigo->FieldByName(QStringLiteral("IdTipoRiferimento"))->AsString() != kRifBolla)
        return;
    const qint64 bolla = rigo->FieldByName(QStringLiteral("RifRigoDoc"))->AsString().toLongLong();
    if (collega) {
        // the row must still be free: another invoice may have taken it meanwhile
        if (Azienda().ExecSQL(QStringLiteral("UPDATE BolleCliRighe SET FlGenFattura = 1, KFatturaR = ? "
                                             "WHERE KBolleCliR = ? AND FlGenFattura = 0"),
                              {kFattCliR, bolla})
            == 0)
            throw Exception(QStringLiteral("Un rigo di DDT preso in fattura risulta già fatturato o cancellato: "
                                           "rileggere i DDT e ripetere l'operazione."));
    } else {
        Azienda().ExecSQL(QStringLiteral("UPDATE BolleCliRighe SET FlGenFattura = 0, KFatturaR = 0 "
                                         "WHERE KBolleCliR = ? AND KFatturaR = ?"),
                          {bolla, kFattCliR});
    }
}

void TFSVen0008f::RegistraRigo(int stato)
{
    TFDocumento::RegistraRigo(stato);
    if (stato == 2)
        CollegaRigoBolla(TRigheDB, TRigheDB->FieldByName(QStringLiteral("KFattCliR"))->Value().toLongLong(), true);
}

void TFSVen0008f::EliminaRigo()
{
    CollegaRigoBolla(TRigheDB, TRigheDB->FieldByName(QStringLiteral("KFattCliR"))->Value().toLongLong(), false);
    TFDocumento::EliminaRigo();
}

bool TFSVen0008f::GeneraMovimentoRigo(int stato)
{
    // the delivery note booked the stock already
    if (TRigheDB->FieldByName(QStringLiteral("IdTipoRiferimento"))->AsString() == kRifBolla)
        return true;
    return TFDocumento::GeneraMovimentoRigo(stato);
}

bool TFSVen0008f::AggiornaRigoOrdineDoc(int stato)
{
    if (TRigheDB->FieldByName(QStringLiteral("IdTipoRiferimento"))->AsString() == kRifBolla)
        return true;
    return TFDocumento::AggiornaRigoOrdineDoc(stato);
}

namespace {

const char *const kCampiCoda[] = {"SpeseTrasporto", "Acconto", "Abbuono", "SpeseArt15"};
const char *const kEtichetteCoda[] = {"Spese trasporto", "Acconto", "Abbuono", "Spese art. 15"};

// A source document of the invoice's rows: its head's charges, whether another document has
// already partly fulfilled it, and its name in messages.
struct TOrigineCoda {
    double Importi[4] = {};
    bool Parziale = false;
    QString Nome;
};

// The sources read by one statement: key, causal, number, date, the four charges, partly
// fulfilled (0/1); the keys bound after the invoice's own key.
QList<TOrigineCoda> OriginiCoda(const QString &sql, qint64 fattura, const QList<qint64> &chiavi, const QString &titolo)
{
    QList<TOrigineCoda> origini;
    if (chiavi.isEmpty())
        return origini;
    QStringList segni;
    QVariantList valori{fattura};
    for (qint64 k : chiavi) {
        segni << QStringLiteral("?");
        valori << k;
    }
    QSqlQuery q = Azienda().OpenQuery(sql.arg(segni.join(QLatin1Char(','))), valori);
    while (q.next()) {
        TOrigineCoda o;
        o.Nome = titolo + QLatin1Char(' ') + q.value(1).toString().trimmed() + QLatin1Char('-') + q.value(2).toString()
                 + QStringLiteral(" del ") + Funzioni::DataToStringa(q.value(3).toDateTime());
        for (int i = 0; i < 4; ++i)
            o.Importi[i] = q.value(4 + i).toDouble();
        o.Parziale = q.value(8).toInt() != 0;
        origini << o;
    }
    return origini;
}

} // namespace

void TFSVen0008f::CalcolaDatiCoda(TDataSet *testa)
{
    TFDocumento::CalcolaDatiCoda(testa);
    // the note rows and order rows the invoice's live rows were taken from
    QList<qint64> righeBolla;
    QList<qint64> righeOrdine;
    QSqlQuery r = TRighe->Database().OpenQuery(
        QStringLiteral("SELECT IdTipoRiferimento, RifRigoDoc, KOrdineR FROM %1 WHERE Stato < 3")
            .arg(TRighe->TableName()));
    while (r.next()) {
        if (r.value(0).toString() == kRifBolla)
            righeBolla << r.value(1).toString().toLongLong();
        else if (r.value(2).toLongLong() != 0)
            righeOrdine << r.value(2).toLongLong();
    }
    if (righeBolla.isEmpty() && righeOrdine.isEmpty())
        return;
    const qint64 fattura = KeyCorrente();
    // partly fulfilled: a row invoiced, or shipped, by another document than this invoice
    const QList<TOrigineCoda> bolle = OriginiCoda(
        QStringLiteral("SELECT T.KBolleCliT, T.IdCausale, T.Numero, T.DataDocumento, T.SpeseTrasporto, T.Acconto, "
                       "T.Abbuono, T.SpeseArt15, CASE WHEN EXISTS (SELECT 1 FROM BolleCliRighe B WHERE B.KBolleCliT = "
                       "T.KBolleCliT AND B.FlGenFattura <> 0 AND NOT EXISTS (SELECT 1 FROM FattureCliRighe F WHERE "
                       "F.KFattCliR = B.KFatturaR AND F.KFattCliT = ?)) THEN 1 ELSE 0 END "
                       "FROM BolleCliTeste T WHERE T.KBolleCliT IN (SELECT KBolleCliT FROM BolleCliRighe WHERE "
                       "KBolleCliR IN (%1)) ORDER BY T.DataDocumento, T.Numero"),
        fattura, righeBolla, QStringLiteral("DDT"));
    const QList<TOrigineCoda> ordini = OriginiCoda(
        QStringLiteral(
            "SELECT T.KOrdiniCliT, T.IdCausale, T.Numero, T.DataDocumento, T.SpeseTrasporto, T.Acconto, "
            "T.Abbuono, T.SpeseArt15, CASE WHEN EXISTS (SELECT 1 FROM OrdiniCliRighe O WHERE O.KOrdiniCliT = "
            "T.KOrdiniCliT AND (O.QuantitaSpe <> 0 OR O.ImportoSpedito <> 0) AND NOT EXISTS (SELECT 1 FROM "
            "FattureCliRighe F WHERE F.KOrdineR = O.KOrdiniCliR AND F.KFattCliT = ? AND "
            "F.IdTipoRiferimento <> 'DT')) THEN 1 ELSE 0 END "
            "FROM OrdiniCliTeste T WHERE T.KOrdiniCliT IN (SELECT KOrdiniCliT FROM OrdiniCliRighe WHERE "
            "KOrdiniCliR IN (%1)) ORDER BY T.DataDocumento, T.Numero"),
        fattura, righeOrdine, QStringLiteral("Ordine"));

    double totali[4] = {};
    const auto somma = [&totali](const QList<TOrigineCoda> &origini, const QString &stato, const QString &coda) {
        for (const TOrigineCoda &o : origini) {
            if (!o.Parziale) {
                for (int i = 0; i < 4; ++i)
                    totali[i] += o.Importi[i];
                continue;
            }
            QStringList importi;
            for (int i = 0; i < 4; ++i)
                if (o.Importi[i] != 0)
                    importi << QLatin1String(kEtichetteCoda[i]) + QStringLiteral(" ")
                                   + KFormati::FormatFloat(QStringLiteral("#,0.00;-#,0.00"), o.Importi[i]);
            if (!importi.isEmpty())
                Kmessages::KMessage(o.Nome + stato + importi.join(QStringLiteral(", ")) + QLatin1Char('\n') + coda,
                                    mtInformation, mbOK);
        }
    };
    somma(ordini, QStringLiteral(" già evaso in parte: "), QStringLiteral("NON sono state riportate in automatico"));
    somma(bolle, QStringLiteral(" già fatturato in parte: "), QStringLiteral("NON sono stati riportati in automatico"));

    const int decimali = KFormati::GetDecimali(KFormati::fnValoreES);
    bool vuota = true;
    bool diversa = false;
    for (int i = 0; i < 4; ++i) {
        const double attuale = testa->FieldByName(QLatin1String(kCampiCoda[i]))->AsFloat();
        vuota = vuota && attuale == 0;
        diversa = diversa || Funzioni::CompDec(attuale, totali[i], decimali) != 0;
    }
    if (!diversa)
        return;
    if (!vuota
        && Kmessages::KMessage(
               QStringLiteral("Le spese e/o gli acconti presenti risultano diversi da quelli ricalcolati.\n"
                              "Si vuole aggiornare il documento con i valori ricalcolati ? "),
               mtConfirmation, mbYesNo)
               != mrYes)
        return;
    if (testa->State() == dsBrowse)
        testa->Edit();
    for (int i = 0; i < 4; ++i) {
        TField *campo = testa->FieldByName(QLatin1String(kCampiCoda[i]));
        if (Funzioni::CompDec(campo->AsFloat(), totali[i], decimali) != 0)
            campo->SetAsFloat(totali[i]);
    }
}

void TFSVen0008f::RegistraTotali()
{
    TFDocumento::RegistraTotali();
    TDataSet *t = TestaScrittura();
    if (FlSegnoInverso && t->State() != dsBrowse) {
        TField *cvl = t->FieldByName(QStringLiteral("CvlDocumento"));
        cvl->SetAsFloat(-qAbs(cvl->AsFloat()));
    }
}

void TFSVen0008f::DopoSalvataggio()
{
    if (TRigheDDT->State() != dsBrowse)
        TRigheDDT->Cancel();
    TRigheDDT->CancelUpdates();
    TFDocumento::DopoSalvataggio();
}
