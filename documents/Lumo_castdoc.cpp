#include "documents/Lumo_castdoc.h"

#include "engine/Lumo_funzdocven.h"
#include "frame/Lumo_funzioni.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QScopeGuard>

namespace {

// Controls of the datasets off while the block runs, back on also after an error.
class Spenti {
public:
    explicit Spenti(std::initializer_list<TDataSet *> d) : d_(d)
    {
        for (TDataSet *x : d_)
            x->DisableControls();
    }
    ~Spenti()
    {
        for (TDataSet *x : d_)
            x->EnableControls();
    }

private:
    QList<TDataSet *> d_;
};

void Formati(TDataSet *d)
{
    for (const char *nome : {"EsistenzaAtt", "EsistenzaB", "EsistenzaF", "QtaCar", "QtaRes", "QtaResPn", "QtaCarEcc",
                             "QtaResEcc", "EsiAttEcc"})
        if (TField *f = d->FindField(QLatin1String(nome))) {
            f->SetDisplayFormat(QStringLiteral("#,##0.00"));
            f->SetEditFormat(QStringLiteral("0.00"));
        }
    if (TField *f = d->FindField(QStringLiteral("Prezzo"))) {
        // a bottle's deposit is cents: shown and typed at the price decimals
        const int decimali = KFormati::GetDecimali(KFormati::fnPrezzoIT);
        f->SetDisplayFormat(KFormati::GetDisplay(KFormati::fnPrezzoIT));
        f->SetEditFormat(decimali > 0 ? QStringLiteral("0.") + QString(decimali, QLatin1Char('0'))
                                      : QStringLiteral("0"));
    }
    for (const char *nome : {"ValoreCar", "ValoreRes"})
        if (TField *f = d->FindField(QLatin1String(nome))) {
            f->SetDisplayFormat(QStringLiteral("#,##0.000"));
            f->SetEditFormat(QStringLiteral("0.000"));
        }
}

} // namespace

TImpostazioniCastDoc CastellettoFattura()
{
    return {QStringLiteral("FI"),        QStringLiteral("LUMO_CauzDocFatt"), QStringLiteral("LUMO_T_CAUZDOCFATT"),
            QStringLiteral("KFattCliT"), QStringLiteral("_UT_LMQ_ListCauz"), true};
}

TImpostazioniCastDoc CastellettoBollaCliente()
{
    return {QStringLiteral("DT"),         QStringLiteral("LUMO_CauzDocBoll"), QStringLiteral("LUMO_t_CauzDocBoll"),
            QStringLiteral("KBolleCliT"), QStringLiteral("_UT_LMQ_ListCauz"), true};
}

TImpostazioniCastDoc CastellettoBollaFornitore()
{
    return {
        QStringLiteral("DTA"),        QStringLiteral("LUMO_CauzDocBollAcq"), QStringLiteral("LUMO_T_CAUZDOCBOLLACQ"),
        QStringLiteral("KBolleForT"), QStringLiteral("UT_LMQ_IdListCau"),    false};
}

TLumoCastDoc::TLumoCastDoc(const TImpostazioniCastDoc &impostazioni, TDataSource *dsMain, QObject *owner)
    : QObject(owner), Impostazioni(impostazioni), DSMain(dsMain)
{
    const QString &tab = Impostazioni.Tabella;
    const QString &chiave = Impostazioni.Chiave;
    qLUMO_CauzDoc = new TXQuery(this);
    qLUMO_CauzDoc->SetName(QStringLiteral("qLUMO_CauzDoc"));
    qLUMO_CauzDoc->SQL = {QStringLiteral("SELECT %1.*").arg(tab), QStringLiteral("FROM %1").arg(tab),
                          QStringLiteral("WHERE %1.%2 = :%2").arg(tab, chiave)};

    TTLUMO_CauzDoc = new TXTable(this);
    TTLUMO_CauzDoc->SetName(QStringLiteral("TTLUMO_CauzDoc"));
    TTLUMO_CauzDoc->SetDatabaseName(QStringLiteral("LocalDatabase"));
    TTLUMO_CauzDoc->SetTableName(Impostazioni.TabellaLocale);
    TTLUMO_CauzDoc->SetUsaDizionario(true);
    // a stable order: a posted row keeps its place while the build walks the rows
    TTLUMO_CauzDoc->SetIndexFieldNames(chiave + QStringLiteral(";IdImballo"));
    TTLUMO_CauzDoc->SetMasterSource(DSMain);
    TTLUMO_CauzDoc->SetMasterFields(chiave);

    dsLUMO_CauzDoc = new TDataSource(this);
    dsLUMO_CauzDoc->SetName(QStringLiteral("dsLUMO_CauzDoc"));
    dsLUMO_CauzDoc->SetDataSet(qLUMO_CauzDoc);

    // the charge of this document's live rows only
    qLUMO_TotValCau = new TXQuery(this);
    qLUMO_TotValCau->SetName(QStringLiteral("qLUMO_TotValCau"));
    qLUMO_TotValCau->SetDatabaseName(QStringLiteral("LocalDatabase"));
    qLUMO_TotValCau->SQL = {QStringLiteral("SELECT sum(ValoreCar) as ValoreCar , sum(ValoreRes) as ValoreRes"),
                            QStringLiteral("FROM %1").arg(Impostazioni.TabellaLocale),
                            QStringLiteral("WHERE %1 = :%1 AND Stato < 3").arg(chiave)};

    TRSLUMO_CauzDoc = new TXClientTable(this);
    TRSLUMO_CauzDoc->SetName(QStringLiteral("TRSLUMO_CauzDoc"));
    TRSLUMO_CauzDoc->SetTableName(tab);
    TRSLUMO_CauzDoc->SetUsaDizionario(true);
    TRSLUMO_CauzDoc->SetXWhereVuoto(chiave + QStringLiteral(" = 0"));

    TDMIBase *base = TDMIBase::Crea();
    for (TDataSet *d : {static_cast<TDataSet *>(qLUMO_CauzDoc), static_cast<TDataSet *>(TTLUMO_CauzDoc)})
        d->AddLookupField(QStringLiteral("_DsImballo"), ftString, 50, base->lkImballi, QStringLiteral("IdImballo"),
                          QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));
}

void TLumoCastDoc::Crea()
{
    Funzioni::CheckTabOpen(TDMIBase::Crea()->lkImballi);
    dsLUMO_CauzDoc->SetAutoEdit(DSMain->AutoEdit());
    // shared with the generation runs' summaries: made when missing, each document empties its own key
    if (!TTLUMO_CauzDoc->Exists())
        TTLUMO_CauzDoc->CreaTabella();
    TTLUMO_CauzDoc->SetFilter(QStringLiteral("Stato < 3"));
    TTLUMO_CauzDoc->SetFiltered(true);
    TTLUMO_CauzDoc->OnNewRecord = [this](TDataSet *d) { NewRecord(d); };
    TTLUMO_CauzDoc->BeforePost = [this](TDataSet *d) { BeforePost(d); };
    TTLUMO_CauzDoc->AfterPost = [this](TDataSet *d) { AfterPost(d); };
    TTLUMO_CauzDoc->BeforeDelete = [this](TDataSet *d) { BeforeDelete(d); };
    TTLUMO_CauzDoc->AfterOpen = [this](TDataSet *d) {
        Formati(d);
        d->FieldByName(QStringLiteral("IdImballo"))->OnValidate = [this](TField *f) { IdImballoValidate(f); };
        for (const char *nome : {"QtaCar", "QtaRes", "Prezzo"})
            d->FieldByName(QLatin1String(nome))->OnChange = [this](TField *f) { ValoriChange(f); };
    };
    qLUMO_CauzDoc->AfterOpen = [](TDataSet *d) { Formati(d); };
}

bool TLumoCastDoc::InModificaTesta() const
{
    return DSMain->State() == dsEdit || DSMain->State() == dsInsert;
}

bool TLumoCastDoc::SuCopia() const
{
    return dsLUMO_CauzDoc->DataSet() == TTLUMO_CauzDoc;
}

void TLumoCastDoc::SeguiTesta(const std::function<void()> &copia)
{
    if (trattenuto_)
        return;
    const bool modifica = InModificaTesta();
    if (!modifica && SuCopia()) {
        TornaArchivio();
        MostraArchivio();
    } else if (modifica && !SuCopia()) {
        copia();
    }
}

void TLumoCastDoc::Trattieni()
{
    trattenuto_ = true;
}

void TLumoCastDoc::Rilascia(const std::function<void()> &copia)
{
    if (!trattenuto_)
        return;
    trattenuto_ = false;
    SeguiTesta(copia);
}

bool TLumoCastDoc::CopiaVuota() const
{
    return !TTLUMO_CauzDoc->Active() || TTLUMO_CauzDoc->IsEmpty();
}

void TLumoCastDoc::MostraArchivio()
{
    TDataSet *testa = DSMain->DataSet();
    const QVariant chiave = testa->FieldByName(Impostazioni.Chiave)->Value();
    if (qLUMO_CauzDoc->Active() && qLUMO_CauzDoc->ParamByName(Impostazioni.Chiave)->Value() == chiave)
        return;
    qLUMO_CauzDoc->Close();
    qLUMO_CauzDoc->Params(0)->SetValue(chiave.isNull() ? QVariant(0) : chiave);
    qLUMO_CauzDoc->Open();
}

void TLumoCastDoc::CaricaCopia(int modoSalva)
{
    // the controls follow once, when the copy is ready: it opens once (a new document's copy
    // has nothing to read)
    Spenti s({TTLUMO_CauzDoc});
    if (TTLUMO_CauzDoc->State() == dsEdit || TTLUMO_CauzDoc->State() == dsInsert)
        TTLUMO_CauzDoc->Cancel();
    TTLUMO_CauzDoc->Close();
    dsLUMO_CauzDoc->SetDataSet(TTLUMO_CauzDoc);
    dsLUMO_CauzDoc->SetAutoEdit(true);
    const QVariant chiave = DSMain->DataSet()->FieldByName(Impostazioni.Chiave)->Value();
    // only this document's rows of the local table go
    TTLUMO_CauzDoc->Database().ExecSQL(
        QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(Impostazioni.TabellaLocale, Impostazioni.Chiave),
        {chiave.isNull() ? QVariant(0) : chiave});
    if (modoSalva > 0) {
        TTLUMO_CauzDoc->SetFiltered(false);
        TTLUMO_CauzDoc->Open();
        MostraArchivio();
        for (qLUMO_CauzDoc->First(); !qLUMO_CauzDoc->Eof(); qLUMO_CauzDoc->Next()) {
            TTLUMO_CauzDoc->Insert();
            Funzioni::CopiaDati(TTLUMO_CauzDoc, qLUMO_CauzDoc);
            TTLUMO_CauzDoc->FieldByName(QStringLiteral("Stato"))->SetAsInteger(0);
            TTLUMO_CauzDoc->Post();
        }
        TTLUMO_CauzDoc->Close();
    }
    TTLUMO_CauzDoc->SetFilter(QStringLiteral("Stato < 3"));
    TTLUMO_CauzDoc->SetFiltered(true);
    TTLUMO_CauzDoc->Open();
}

void TLumoCastDoc::TornaArchivio()
{
    if (dsLUMO_CauzDoc->DataSet() == qLUMO_CauzDoc)
        return;
    struct Fine {
        TLumoCastDoc *c;
        ~Fine() { c->UT_LMQ_StatoCauzDoc = false; }
    } fine{this};
    Spenti s({TTLUMO_CauzDoc, qLUMO_CauzDoc});
    if (TTLUMO_CauzDoc->State() == dsEdit || TTLUMO_CauzDoc->State() == dsInsert)
        TTLUMO_CauzDoc->Cancel();
    TTLUMO_CauzDoc->Close();
    dsLUMO_CauzDoc->SetDataSet(qLUMO_CauzDoc);
}

void TLumoCastDoc::PostaCopia()
{
    if (TTLUMO_CauzDoc->State() == dsEdit || TTLUMO_CauzDoc->State() == dsInsert) {
        if (TTLUMO_CauzDoc->Modified())
            TTLUMO_CauzDoc->Post();
        else
            TTLUMO_CauzDoc->Cancel();
    }
}

void TLumoCastDoc::Ricostruisci(TDataSet *testa, TDataSet *righe, TDataSet *terza)
{
    // the build leaves the rows closed and unfiltered: they come back as the window had them
    struct Fine {
        bool &f;
        TDataSet *righe;
        QString filtro;
        bool filtrato, aperto;
        ~Fine()
        {
            f = false;
            if (righe->Active() && righe->Filter() == filtro && righe->Filtered() == filtrato)
                return;
            righe->Close();
            righe->SetFilter(filtro);
            righe->SetFiltered(filtrato);
            if (aperto)
                righe->Open();
        }
    } fine{UT_LMQ_InCopiaDati, righe, righe->Filter(), righe->Filtered(), righe->Active()};
    UT_LMQ_InCopiaDati = true;
    UT_LMQ_DVEN_CreaCasteCauz(testa, righe, terza, TTLUMO_CauzDoc, Impostazioni.Sigla);
    UT_LMQ_CalcoloValoreCauzioni();
}

void TLumoCastDoc::CambiaConto()
{
    if (!SuCopia() || CopiaVuota() || UT_LMQ_InCopiaDati)
        return;
    PostaCopia();
    UT_LMQ_InCopiaDati = true;
    {
        const auto fine = qScopeGuard([this] { UT_LMQ_InCopiaDati = false; });
        UT_LMQ_DVEN_ContoCastelletto(DSMain->DataSet(), TTLUMO_CauzDoc, Impostazioni.Sigla);
    }
    UT_LMQ_CalcoloValoreCauzioni();
}

void TLumoCastDoc::RicostruisciRighePostate(TDataSet *testa, TXTable *righe, TDataSet *terza)
{
    if (righe->State() != dsBrowse) {
        Ricostruisci(testa, righe, terza);
        return;
    }
    if (!qRighePostate_) {
        qRighePostate_ = new TXQuery(this);
        qRighePostate_->SetName(QStringLiteral("qRighePostate"));
    }
    // the columns the build reads, in the rows' order
    qRighePostate_->Close();
    qRighePostate_->SetDatabase(&righe->Database());
    qRighePostate_->SQL = {QStringLiteral("SELECT Stato, IdProdotto, UT_LMQ_IdImballo1, UT_LMQ_IdImballo2, Lunghezza, "
                                          "Quantita"),
                           QStringLiteral("FROM %1").arg(righe->TableName()),
                           QStringLiteral("ORDER BY NumOrdine, Contatore")};
    // the rows come back on their first row, as after the build above, also after an error
    const auto primo = qScopeGuard([righe] {
        if (righe->Active())
            righe->First();
    });
    Ricostruisci(testa, qRighePostate_, terza);
}

// ---- row events

void TLumoCastDoc::NewRecord(TDataSet *d)
{
    if (UT_LMQ_InCopiaDati)
        return;
    d->FieldByName(QStringLiteral("Stato"))->SetAsInteger(2);
}

void TLumoCastDoc::BeforePost(TDataSet *d)
{
    if (UT_LMQ_InCopiaDati)
        return;
    if (d->State() == dsInsert && !d->Modified()) {
        d->Cancel();
        throw EAbort();
    }
    TField *stato = d->FieldByName(QStringLiteral("Stato"));
    if (stato->AsInteger() == 0)
        stato->SetAsInteger(1);
}

void TLumoCastDoc::AfterPost(TDataSet *)
{
    if (UT_LMQ_InCopiaDati)
        return;
    UT_LMQ_CalcoloValoreCauzioni();
}

void TLumoCastDoc::BeforeDelete(TDataSet *)
{
    if (UT_LMQ_InCopiaDati)
        return;
    throw Exception(QStringLiteral("Operazione Non Consentita"));
}

void TLumoCastDoc::IdImballoValidate(TField *f)
{
    if (UT_LMQ_InCopiaDati)
        return;
    const QString codice = f->AsString();
    if (codice.trimmed().isEmpty())
        throw Exception(QStringLiteral("Indicare un codice"));
    TDMIBase *base = TDMIBase::Crea();
    Funzioni::CheckTabOpen(base->lkImballi);
    if (!base->lkImballi->Locate(QStringLiteral("IdImballo"), codice))
        throw Exception(QStringLiteral("Codice Imballo / Cauzione non valido"));
    TDataSet *testa = DSMain->DataSet();
    f->DataSet()
        ->FieldByName(QStringLiteral("Prezzo"))
        ->SetAsFloat(UT_LMQ_CAUZ_PrezzoCauzione(testa->FieldByName(Impostazioni.CampoListino)->AsString(),
                                                testa->FieldByName(QStringLiteral("IdDivisa"))->AsString(), codice));
}

void TLumoCastDoc::ValoriChange(TField *f)
{
    if (UT_LMQ_InCopiaDati)
        return;
    TDataSet *d = f->DataSet();
    const int decimali = KFormati::GetDecimali(KFormati::fnValoreIT);
    if (Impostazioni.Eccedenze) {
        UT_LMQ_CalcValCau(d, decimali);
        return;
    }
    const double prezzo = d->FieldByName(QStringLiteral("Prezzo"))->AsFloat();
    d->FieldByName(QStringLiteral("ValoreCar"))
        ->SetAsFloat(UT_LMQ_CAUZ_CalcValCau(prezzo, d->FieldByName(QStringLiteral("QtaCar"))->AsFloat(), decimali));
    d->FieldByName(QStringLiteral("ValoreRes"))
        ->SetAsFloat(UT_LMQ_CAUZ_CalcValCau(prezzo, d->FieldByName(QStringLiteral("QtaRes"))->AsFloat(), decimali));
}

void TLumoCastDoc::btnUT_LMQ_PareggiaClick()
{
    if (!InModificaTesta())
        return;
    if (Kmessages::KMessage(QStringLiteral("Confermi Pareggio Automatico Cauzioni "), mtConfirmation, mbYesNo) != mrYes)
        return;
    TXTable *t = TTLUMO_CauzDoc;
    {
        Spenti s({t});
        if (t->State() == dsEdit || t->State() == dsInsert)
            t->Post();
        for (t->First(); !t->Eof(); t->Next()) {
            if (t->FieldByName(QStringLiteral("Stato"))->AsInteger() >= 3)
                continue;
            const double caricate = t->FieldByName(QStringLiteral("QtaCar"))->AsFloat();
            if (caricate == 0)
                continue;
            t->Edit();
            t->FieldByName(QStringLiteral("QtaRes"))
                ->SetAsFloat(caricate + t->FieldByName(QStringLiteral("QtaResPn"))->AsFloat());
            t->Post();
        }
        t->First();
    }
}

void TLumoCastDoc::UT_LMQ_CalcoloValoreCauzioni()
{
    if (!InModificaTesta())
        return;
    TDataSet *testa = DSMain->DataSet();
    qLUMO_TotValCau->Close();
    const QVariant chiave = testa->FieldByName(Impostazioni.Chiave)->Value();
    qLUMO_TotValCau->Params(0)->SetValue(chiave.isNull() ? QVariant(0) : chiave);
    qLUMO_TotValCau->Open();
    const double car = qLUMO_TotValCau->FieldByName(QStringLiteral("ValoreCar"))->AsFloat();
    const double res = qLUMO_TotValCau->FieldByName(QStringLiteral("ValoreRes"))->AsFloat();
    const bool inverso = Impostazioni.Eccedenze && SegnoInverso && SegnoInverso();
    double carico = inverso ? res - car : car - res;
    TField *spese = testa->FieldByName(QStringLiteral("SpeseImballo"));
    spese->SetAsFloat(carico);
    if (!Impostazioni.Eccedenze || Funzioni::CompDec(carico, 0, 6) >= 0)
        return;
    switch (PoliticaNegativo ? PoliticaNegativo() : 0) {
    case 1:
        spese->SetAsFloat(0);
        break;
    case 2:
        if (Kmessages::KMessage(QStringLiteral("Attenzione Valore Cauzione Negativa. Accredito ?"), mtWarning, mbYesNo)
            != mrYes)
            spese->SetAsFloat(0);
        break;
    default:
        break;
    }
}

void TLumoCastDoc::ColonneGriglia(KDBGriglia *griglia)
{
    const QColor celeste(0x87, 0xCE, 0xEB);
    griglia->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cod."), 38);
    griglia->AddColumn(QStringLiteral("_DsImballo"), QStringLiteral("Descrizione"), 230);
    griglia->AddColumn(QStringLiteral("QtaCar"), QStringLiteral("Qtà Car."), 65);
    griglia->AddColumn(QStringLiteral("QtaRes"), QStringLiteral("Qtà Resa"), 65);
    griglia->AddColumn(QStringLiteral("Prezzo"), QString(), 65).Color = celeste;
    griglia->AddColumn(QStringLiteral("ValoreCar"), QStringLiteral("Valore Car."), 68);
    griglia->AddColumn(QStringLiteral("ValoreRes"), QStringLiteral("Valore Res."), 67);
    griglia->AddColumn(QStringLiteral("EsiAttEcc"), QStringLiteral("Esi.Att.Ecc"), 59).Color = celeste;
    griglia->AddColumn(QStringLiteral("QtaCarEcc"), QStringLiteral("Qtà.Car.Ecc."), 68);
    griglia->AddColumn(QStringLiteral("QtaResEcc"), QStringLiteral("QtàRes.Ecc."), 65);
}

bool TLumoCastDoc::CampiTesta(TDataSet *testa)
{
    const QString tipo = testa->FieldByName(QStringLiteral("IdClienteTp"))->AsString();
    const QString conto = testa->FieldByName(QStringLiteral("IdCliente"))->AsString();
    TXlkTable *clienti = TDMIBase::Crea()->lkClienti;
    int flCliente = 0;
    if (!conto.isEmpty()) {
        const QVariant v = clienti->Lookup(QStringLiteral("IdContoTp;IdConto"), QVariantList{tipo, conto},
                                           QStringLiteral("UT_LMQ_IdListCau;UT_LMQ_FlCauz"));
        const QVariantList valori = v.toList();
        if (valori.size() == 2) {
            testa->FieldByName(QStringLiteral("_UT_LMQ_ListCauz"))->SetAsString(valori.at(0).toString());
            if (tipo == QLatin1String("CL"))
                flCliente = valori.at(1).toInt();
        }
    }
    const int flCausale = testa->FieldByName(QStringLiteral("_UT_LMQ_FlCauzioni"))->AsInteger();
    bool visibile = true;
    if (UT_LMQ_Parametri.FlAbilCauz == 0)
        visibile = false;
    else if (UT_LMQ_Parametri.FlAbilCauz == 1)
        visibile = !(flCausale == 0 || (flCausale == 1 && flCliente == 0));
    return visibile;
}
