#include "host/business/Sorc0001f.h"

#include "host/business/Distintabase.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmisorc.h"
#include "host/business/Funzionidoc.h"
#include "host/business/Tipirigo.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QSqlQuery>
#include <QSqlRecord>

namespace {

TField *F(TDataSet *d, const char *nome)
{
    return d->FieldByName(QLatin1String(nome));
}

} // namespace

// ---- orders and quotes

TFDocumentoOrdine::TFDocumentoOrdine(const TTipoDocumento &tipo, QWidget *owner) : TFDocumento(tipo, owner)
{
    // the ordered quantity in place of the shipped one
    if (auto *e = findChild<TDBEdit *>(QStringLiteral("edQuantita")))
        e->setProperty("dataField", QStringLiteral("QuantitaOrd"));
    if (auto *e = findChild<TDBEdit *>(QStringLiteral("edQuantita2")))
        e->setProperty("dataField", QStringLiteral("Quantita2Ord"));
    if (TColumn *c = GrigliaRighe->ColumnByField(QStringLiteral("Quantita")))
        c->FieldName = QStringLiteral("QuantitaOrd");
    GrigliaRighe->RefreshColumns();
}

void TFDocumentoOrdine::FormCreate()
{
    TFDocumento::FormCreate();
    F(TRighe, "Quantita2Ord")->OnChange = [this](TField *s) { CalcoloQuantita(s); };
    F(TRighe, "QuantitaOrd")->OnChange = [this](TField *) {
        CalcolaImportiRigo(TTesta, TRighe, false);
        if (!FlInCaricamento)
            PesiRigo(TRighe);
    };
}

QString TFDocumentoOrdine::CampoQuantita() const
{
    return QStringLiteral("QuantitaOrd");
}

void TFDocumentoOrdine::ControllaRigo(TDataSet *rigo)
{
    const std::optional<Tipirigo::TRTipoRigo> tr =
        Tipirigo::TRGetTipoRigo(TipoDoc().CodTipoDoc, QVariant(), F(rigo, "TipoRigo")->AsInteger());
    if (tr && tr->FlClasse == Tipirigo::crDescrittivo)
        return;
    const QString articolo = F(rigo, "IdProdotto")->AsString().trimmed();
    if (articolo.isEmpty())
        throw Exception(QStringLiteral("Manca l'articolo sul rigo %1: indicare l'articolo o cancellare il rigo.")
                            .arg(F(rigo, "NumOrdine")->AsInteger()));
    if (!TDMIBase::Posiziona(DMIBase->lkArticoli, QStringLiteral("IdProdotto"), {articolo}))
        throw Exception(
            QStringLiteral("L'articolo %1 non esiste: indicare un articolo presente in anagrafica.").arg(articolo));
    if (F(rigo, "QuantitaOrd")->AsFloat() <= 0)
        throw Exception(QStringLiteral("La quantità ordinata dell'articolo %1 non è positiva: indicare una quantità.")
                            .arg(articolo));
}

void TFDocumentoOrdine::CalcoloQuantita(TField *sender)
{
    TDataSet *d = sender->DataSet();
    const double colli = F(d, "Lunghezza")->AsFloat();
    if (colli == 0)
        return;
    double perCollo = F(d, "Quantita2Ord")->AsFloat();
    if (perCollo == 0)
        perCollo = 1;
    F(d, "QuantitaOrd")->SetAsFloat(Funzioni::KRound(colli * perCollo, CFG.DecQuantita));
}

QString TFDocumentoOrdine::CausaleMagazzino() const
{
    return QString();
}

bool TFDocumentoOrdine::GeneraMovimentoRigo(int)
{
    return true;
}

void TFDocumentoOrdine::RegistraTotali()
{
    if (ModoSalva == 1 && !FlRigheModificate && TTesta->ChangeCount() == 0)
        return;
    if (TTestaDB->State() == dsBrowse)
        TTestaDB->Edit();
    // the head's totals only: orders and quotes keep no totals records
    TTotaliDoc->EmptyTable();
    TTotaliDoc->Refresh();
    TTotaliDoc->Append();
    F(TTotaliDoc, "KDocum")->SetAsInteger(1);
    TTotaliDoc->Post();
    PreparaParametriTotali(TTestaDB, TRighe, TTotaliDoc, nullptr);
    TRighe->DisableControls();
    bool riuscito = false;
    try {
        riuscito = Calcolototalidocs::TOTDOCS_Calcola(ParamTotali, false);
    } catch (...) {
        TRighe->EnableControls();
        throw;
    }
    TRighe->EnableControls();
    if (!riuscito)
        throw Exception(QStringLiteral("Errore nel calcolo dei totali del documento"));
    F(TTestaDB, "TotDocumento")->SetAsFloat(F(TTotaliDoc, "TotDocumento")->AsFloat());
    F(TTestaDB, "CvlDocumento")->SetAsFloat(F(TTotaliDoc, "CvlDocumento")->AsFloat());
}

void TFDocumentoOrdine::CodaSalvataggio()
{
    AggiornaDocumentiCollegati();
    if (!VMRegistraDatiDocumento())
        throw EAbort();
    if (ModoSalva != 2 && TTestaDB->State() != dsBrowse)
        TTestaDB->Post();
}

bool TFDocumentoOrdine::AccodaRigheBarcode(const QString &barcode, double quantita, QString &idProdotto,
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
    try {
        F(TRighe, "IdProdotto")->SetAsString(codice);
        F(TRighe, "QuantitaOrd")->SetAsFloat(quantita == 0 ? 1 : quantita);
        TRighe->Post();
    } catch (const Exception &e) {
        TRighe->Cancel();
        messaggi << e.Message;
        return false;
    }
    FlRigheAggiunte = true;
    return true;
}

// ---- orders

TTipoDocumento TFSOrc0001f::Tipo()
{
    TTipoDocumento t;
    t.CodTipoDoc = 2;
    t.Sigla = QStringLiteral("OC");
    t.Descrizione = QStringLiteral("Ordine");
    t.TabellaTeste = QStringLiteral("OrdiniCliTeste");
    t.TabellaRighe = QStringLiteral("OrdiniCliRighe");
    t.TabellaTotali = QStringLiteral("OrdiniCliTot");
    t.TabellaRigheLocale = QStringLiteral("t_RigheOrdCli");
    t.ChiaveTesta = QStringLiteral("KOrdiniCliT");
    t.ChiaveRigo = QStringLiteral("KOrdiniCliR");
    t.CampoContoTp = QStringLiteral("IdClienteTp");
    t.CampoConto = QStringLiteral("IdCliente");
    t.TipoConto = QStringLiteral("CL");
    t.TabellaCausali = QStringLiteral("CausaliOrdiniCli");
    return t;
}

TFSOrc0001f::TFSOrc0001f(QWidget *owner) : TFDocumentoOrdine(Tipo(), owner)
{
    setObjectName(QStringLiteral("FSOrc0001f"));
    SetCaption(QStringLiteral("Gestione Ordini Clienti"));
    lkCausOrdiniCli = new TXlkTable(this);
    lkCausOrdiniCli->SetName(QStringLiteral("lkCausOrdiniCli"));
    lkCausOrdiniCli->SetTableName(QStringLiteral("CausaliOrdiniCli"));
    TTesta->AddLookupField(QStringLiteral("_FlTipoEvasione"), ftInteger, 0, lkCausOrdiniCli,
                           QStringLiteral("IdCausale"), QStringLiteral("IdCausale"), QStringLiteral("FlTipoEvasione"));
}

bool TFSOrc0001f::InitForm(int, qint64 chiave, int)
{
    return chiave == 0 ? InitDoc(0) : CaricaDocumento(chiave);
}

void TFSOrc0001f::FormClose(TCloseAction &action)
{
    TFDocumentoOrdine::FormClose(action);
    if (FSOrc0001f == this)
        FSOrc0001f = nullptr;
}

bool TFSOrc0001f::InserisciComponenti(const QString &idProdotto, const QDateTime &data, double quantita, double, double,
                                      int tipoRigo, int, const QString &, double)
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
        try {
            F(TRighe, "TipoRigo")->SetAsInteger(tipoRigo);
            F(TRighe, "IdProdotto")->SetAsString(c.IdProdotto);
            TRigheIdProdottoValidate(F(TRighe, "IdProdotto"));
            F(TRighe, "QuantitaOrd")->SetAsFloat(Funzioni::KRound(c.QuantitaTotale, CFG.DecQuantita));
            TRighe->Post();
        } catch (...) {
            TRighe->Cancel();
            ChiudiInserimentoComponenti();
            throw;
        }
    }
    FlRigheAggiunte = true;
    ChiudiInserimentoComponenti();
    return true;
}

void TFSOrc0001f::EsplodiKitRigo(TDataSet *rigo)
{
    InserisciComponenti(F(rigo, "IdProdotto")->AsString(), F(TTesta, "DataDocumento")->AsDateTime(),
                        F(rigo, "QuantitaOrd")->AsFloat(), 0, 0, F(rigo, "TipoRigo")->AsInteger(),
                        F(rigo, "Contatore")->AsInteger(), F(rigo, "IdUM")->AsString(),
                        F(rigo, "FattConvProd")->AsFloat());
}

bool TFSOrc0001f::CaricaDaOfferta(qint64 kOfferteCliT)
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    QSqlQuery testa =
        db.OpenQuery(QStringLiteral("SELECT * FROM OfferteCliTeste WHERE KOfferteCliT = ?"), {kOfferteCliT});
    if (!testa.next()) {
        Kmessages::KMessage(QStringLiteral("L'offerta indicata non esiste: sceglierne una presente in archivio."),
                            mtWarning, mbOK);
        return false;
    }
    QSqlQuery righe = db.OpenQuery(
        QStringLiteral("SELECT * FROM OfferteCliRighe WHERE KOfferteCliT = ? ORDER BY NumOrdine, KOfferteCliR"),
        {kOfferteCliT});
    if (!InitDoc(0))
        return false;
    // the head: every column the two heads share, but the key, the number and the causal
    static const QStringList esclusi{QStringLiteral("KOfferteCliT"), QStringLiteral("KOrdiniCliT"),
                                     QStringLiteral("IdCausale"),    QStringLiteral("Numero"),
                                     QStringLiteral("Serie"),        QStringLiteral("Anno"),
                                     QStringLiteral("DataDocumento")};
    const QSqlRecord rt = testa.record();
    for (int i = 0; i < rt.count(); ++i)
        if (!esclusi.contains(rt.fieldName(i), Qt::CaseInsensitive))
            if (TField *f = TTesta->FindField(rt.fieldName(i)))
                f->SetValue(rt.value(i));
    int aggiunte = 0;
    const auto accodando = AccodandoRighe();
    TRighe->DisableControls();
    try {
        while (righe.next()) {
            const QSqlRecord rr = righe.record();
            TRighe->Append();
            for (int i = 0; i < rr.count(); ++i) {
                const QString nome = rr.fieldName(i);
                if (nome.compare(QLatin1String("KOfferteCliR"), Qt::CaseInsensitive) == 0)
                    F(TRighe, "KOffertaR")->SetValue(rr.value(i));
                else if (!esclusi.contains(nome, Qt::CaseInsensitive)
                         && nome.compare(QLatin1String("NumOrdine"), Qt::CaseInsensitive) != 0)
                    if (TField *f = TRighe->FindField(nome))
                        f->SetValue(rr.value(i));
            }
            TRighe->Post();
            ++aggiunte;
        }
    } catch (...) {
        if (TRighe->State() == dsInsert)
            TRighe->Cancel();
        TRighe->EnableControls();
        throw;
    }
    TRighe->First();
    TRighe->EnableControls();
    if (aggiunte == 0) {
        Kmessages::KMessage(QStringLiteral("L'offerta indicata non ha righe: non c'è nulla da ordinare."), mtWarning,
                            mbOK);
        InitDoc(0);
        return false;
    }
    FlRigheAggiunte = true;
    return true;
}

void TFSOrc0001f::TRigheBeforeDelete(TDataSet *dataSet)
{
    if (F(dataSet, "QuantitaSpe")->AsFloat() != 0)
        throw Exception(QStringLiteral("Il rigo è già stato evaso in parte: non può essere cancellato."));
    TFDocumentoOrdine::TRigheBeforeDelete(dataSet);
}

void TFSOrc0001f::TRigheBeforePost(TDataSet *dataSet)
{
    TFDocumentoOrdine::TRigheBeforePost(dataSet);
    if (FlInCaricamento || F(dataSet, "Stato")->AsInteger() == 3)
        return;
    const double ordinata = F(dataSet, "QuantitaOrd")->AsFloat();
    const double spedita = F(dataSet, "QuantitaSpe")->AsFloat();
    if (spedita > ordinata)
        throw Exception(
            QStringLiteral("La quantità ordinata (%1) è minore di quella già spedita (%2): indicare almeno la "
                           "quantità spedita.")
                .arg(ordinata)
                .arg(spedita));
    TDMISOrc::Crea()->AggiornaStatoRigo(dataSet);
}
