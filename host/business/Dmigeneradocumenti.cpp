#include "host/business/Dmigeneradocumenti.h"

#include "host/business/Dmibase.h"
#include "host/business/Dmibmag.h"
#include "host/business/Dmibpra.h"
#include "host/business/Dmicalcolototalidocs.h"
#include "host/business/Funzionibase.h"
#include "host/business/Funzionidoc.h"
#include "host/business/Tipirigo.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/Kutfunctions.h"
#include "host/core/Notices.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/XDataModule.h"
#include "host/db/TXDatabase.h"

#include <QDebug>

#include <algorithm>
#include <cmath>

using namespace Funzioni;

namespace {

bool InModifica(TDataSet *t)
{
    return t && (t->State() == dsEdit || t->State() == dsInsert);
}

QString Campo(TDataSet *t, const char *campo)
{
    TField *f = t->FindField(QLatin1String(campo));
    return f ? f->AsString().trimmed() : QString();
}

// Sets the field when it is empty (text) or 0 (number); a field the dataset lacks is skipped.
void SeVuoto(TDataSet *t, const char *campo, const QVariant &valore)
{
    TField *f = t->FindField(QLatin1String(campo));
    if (!f)
        return;
    const bool vuoto = f->IsText() ? f->AsString().trimmed().isEmpty() : (f->IsNull() || f->AsFloat() == 0);
    if (vuoto)
        f->SetValue(valore);
}

void Imposta(TDataSet *t, const char *campo, const QVariant &valore)
{
    if (TField *f = t->FindField(QLatin1String(campo)))
        f->SetValue(valore);
}

// The most keys of FattureCliTot one reading ahead covers.
constexpr qint64 kPassoTotaliMassimo = 1024;

} // namespace

TDMIGeneraDocumenti::TDMIGeneraDocumenti(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMIGeneraDocumenti"));
    tFattureTot = Create<TXClientTable>(QStringLiteral("tFattureTot"));
    tFattureTot->SetTableName(QStringLiteral("FattureCliTot"));
    tFattureTot->SetXWhereVuoto(QStringLiteral("KFattCliT = -1"));
    tFattureTot->SetDeferredWrites(true);
    qRighe = Create<TXQuery>(QStringLiteral("qRighe"));
    qRighe->SQL << QStringLiteral("SELECT *") << QStringLiteral("FROM FattureCliRighe")
                << QStringLiteral("WHERE KFattCliT = :KFattCliT") << QStringLiteral("ORDER BY NumOrdine");
    tRigheNuove_ = Create<TXMemTable>(QStringLiteral("tRigheNuove"));
    tRigheNuove_->SetTableName(QStringLiteral("FattureCliRighe"));
    tRigheNuove_->SetUsaDizionario(true);
    tRigheNuove_->SetKeepRecords(false);
    tRigheNuove_->SetIndexFieldNames(QStringLiteral("NumOrdine"));
}

TDMIGeneraDocumenti::~TDMIGeneraDocumenti()
{
    ChiudiNumerazione();
}

TDMIGeneraDocumenti *TDMIGeneraDocumenti::Instance()
{
    if (!DMIGeneraDocumenti)
        DMIGeneraDocumenti = new TDMIGeneraDocumenti(ApplicationOwner());
    return DMIGeneraDocumenti;
}

bool TDMIGeneraDocumenti::Rifiuta(const QString &testo)
{
    Notices::Tell(testo, TNoticeKind::Warning);
    return false;
}

bool TDMIGeneraDocumenti::PreparaGenerazione()
{
    TDMIBase *dm = TDMIBase::Crea();
    for (const QString &tabella :
         {QStringLiteral("Clienti"), QStringLiteral("CausaliFattCli"), QStringLiteral("Articoli"),
          QStringLiteral("CodiciIva"), QStringLiteral("Pagamenti")})
        dm->Rileggi(tabella);
    CheckTabOpen(tFattureTot);
    FineGenerazione();
    return true;
}

void TDMIGeneraDocumenti::FineGenerazione()
{
    ChiudiNumerazione();
    database_ = nullptr;
    transazione_ = 0;
    valoriBolli_.clear();
    righePagamenti_.clear();
    testaNuova_ = 0;
    if (tRigheNuove_->Active())
        tRigheNuove_->EmptyTable();
    totaliDa_ = 0;
    totaliA_ = 0;
    passoTotali_ = 1;
}

bool TDMIGeneraDocumenti::InCorsa()
{
    TXDatabase &db = tFattureTot->Database();
    if (!db.InTransaction())
        return false;
    if (database_ != &db || transazione_ != db.TransactionSerial()) {
        FineGenerazione();
        database_ = &db;
        transazione_ = db.TransactionSerial();
    }
    return true;
}

bool TDMIGeneraDocumenti::NumeraFattura(TDataSet *contatori, int anno, int serie, int registro, int numero,
                                        const QDateTime &data, qint64 chiave)
{
    auto *tabella = qobject_cast<TXTable *>(contatori);
    if (!tabella || !InCorsa())
        return SetNumeroFattura(contatori, anno, serie, registro, numero, data, chiave);
    if (contatore_ == tabella && numerazione_[0] == anno && numerazione_[1] == serie && numerazione_[2] == registro)
        return SetNumeroFattura(contatori, anno, serie, registro, numero, data, chiave, &numeriOccupati_);
    ChiudiNumerazione();
    // the run's first number written at once: the counter row is the run's until the commit
    if (!SetNumeroFattura(contatori, anno, serie, registro, numero, data, chiave))
        return false;
    if (tabella->DeferredWrites())
        return true; // kept for the commit by its owner: numbered as it is
    numeriOccupati_ = NumeriFatturaOccupati(anno, serie, registro, numero + 1);
    tabella->SetDeferredWrites(true);
    contatore_ = tabella;
    numerazione_[0] = anno;
    numerazione_[1] = serie;
    numerazione_[2] = registro;
    return true;
}

void TDMIGeneraDocumenti::ChiudiNumerazione()
{
    if (contatore_)
        contatore_->SetDeferredWrites(false);
    contatore_ = nullptr;
    numeriOccupati_.clear();
}

void TDMIGeneraDocumenti::LeggiTotali(qint64 chiave)
{
    if (chiave >= totaliDa_ && chiave < totaliA_)
        return;
    // the keys drawn after this one are the run's next heads: read with it, all those the
    // connection holds already drawn when the run reserved them
    const qint64 inMano =
        tFattureTot->Database().KeysInHand(QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    passoTotali_ = std::clamp(inMano + 1, passoTotali_, kPassoTotaliMassimo);
    QList<QVariantList> chiavi;
    for (qint64 k = chiave; k < chiave + passoTotali_; ++k)
        chiavi << QVariantList{k};
    CheckTabOpen(tFattureTot);
    tFattureTot->ReadAsStored(QStringLiteral("KFattCliT"), chiavi, QStringLiteral("KFattCliT >= ? AND KFattCliT < ?"),
                              {chiave, chiave + passoTotali_});
    totaliDa_ = chiave;
    totaliA_ = chiave + passoTotali_;
    passoTotali_ = std::min(passoTotali_ * 2, kPassoTotaliMassimo);
}

bool TDMIGeneraDocumenti::CompletaTestaDoc(TDataSet *Testa, TDataSet *ProtIva, int, QString &Testo)
{
    if (!InModifica(Testa))
        return Rifiuta(QStringLiteral("Testata del documento non in inserimento o modifica: impossibile completarla."));
    TDMIBase *dm = TDMIBase::Crea();
    const QString causale = Campo(Testa, "IdCausale");
    if (!TDMIBase::Posiziona(dm->lkCausFattCli, QStringLiteral("IdCausale"), {causale}))
        return Rifiuta(
            QStringLiteral("La causale <%1> non esiste: sceglierne una tra le causali delle fatture clienti.")
                .arg(causale));
    const QDateTime data = Testa->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime();
    if (data.isNull())
        return Rifiuta(QStringLiteral("Data del documento non impostata: indicarla prima di completare la testata."));
    SeVuoto(Testa, "IdClienteTp", QStringLiteral("CL"));
    if (Testa->FieldByName(QStringLiteral("IdDestinazione"))->IsNull())
        Testa->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(0);
    const QString tipo = Campo(Testa, "IdClienteTp");
    const QString cliente = Campo(Testa, "IdCliente");
    if (!TDMIBase::Posiziona(dm->lkClienti, QStringLiteral("IdContoTp;IdConto"), {tipo, cliente}))
        return Rifiuta(
            QStringLiteral("Il cliente <%1> non esiste: sceglierne uno dall'anagrafica clienti.").arg(cliente));
    TXlkTable *c = dm->lkClienti;
    for (const char *campo : {"IdPagamento", "IdAgente1", "IdAgente2", "IdListino", "IdBanca", "IdAgenzia", "IdLingua",
                              "IdZona", "IdSpedizione1", "IdSpedizione2", "IdTipoTrasporto", "IdPorto", "IdEsclusione",
                              "FlSpeseBolli", "FlSpeseIncasso", "FlSpeseBolliEse", "FlRaggFattura"})
        SeVuoto(Testa, campo, c->FieldByName(QLatin1String(campo))->Value());
    SeVuoto(Testa, "IdConto", c->FieldByName(QStringLiteral("IdContropartita"))->Value());
    SeVuoto(Testa, "IdDivisa", DivisaGestione(0));
    const QString divisa = Campo(Testa, "IdDivisa");
    try {
        if (MonetaConto(divisa) || Testa->FieldByName(QStringLiteral("Cambio"))->AsFloat() <= 0)
            Testa->FieldByName(QStringLiteral("Cambio"))->SetAsFloat(GetCambioEURO(divisa, data));
    } catch (const Exception &e) {
        return Rifiuta(e.Message);
    }
    SeVuoto(Testa, "DataCambio", data);
    SeVuoto(Testa, "DataPagamento", data);
    SeVuoto(Testa, "Anno", GetAnno(data));
    Imposta(Testa, "FlTipoDocumento", dm->lkCausFattCli->FieldByName(QStringLiteral("FlTipoDocumento"))->Value());
    Imposta(Testa, "Mese", data.date().month());
    Imposta(Testa, "AnnoCompIVA", data.date().year());
    Imposta(Testa, "MeseCompIVA", data.date().month());
    SeVuoto(Testa, "IdOperatore", gUtente.IdUtente);

    const int anno = Testa->FieldByName(QStringLiteral("Anno"))->AsInteger();
    const int serie = Testa->FieldByName(QStringLiteral("Serie"))->AsInteger();
    const int registro = dm->lkCausFattCli->FieldByName(QStringLiteral("FlTipoRegistro"))->AsInteger();
    const qint64 chiave = Testa->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt();
    TField *numero = Testa->FieldByName(QStringLiteral("Numero"));
    int n = numero->AsInteger();
    TDataSet *contatori = ProtIva ? ProtIva : dm->ProtIVA;
    const bool dalContatore = n <= 0;
    if (dalContatore && !GetNumeroFattura(contatori, anno, serie, registro, n, data))
        return false;
    if (!(dalContatore ? NumeraFattura(contatori, anno, serie, registro, n, data, chiave)
                       : SetNumeroFattura(contatori, anno, serie, registro, n, data, chiave)))
        return false;
    numero->SetAsInteger(n);
    // the rows of a head being inserted are taken as the run posts them
    if (Testa->State() == dsInsert && chiave > 0 && InCorsa() && testaNuova_ != chiave) {
        testaNuova_ = chiave;
        CheckTabOpen(tRigheNuove_);
        tRigheNuove_->EmptyTable();
    }
    Testo = QStringLiteral("Fattura ") + causale + QLatin1Char('-') + QString::number(n) + QStringLiteral(" del ")
            + DataToStringa(data);
    return true;
}

bool TDMIGeneraDocumenti::ControllaTestaDoc(TDataSet *Testa, bool Messaggi)
{
    const auto rifiuta = [Messaggi, this](const QString &testo) { return Messaggi ? Rifiuta(testo) : false; };
    TDMIBase *dm = TDMIBase::Crea();
    if (Testa->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime().isNull())
        return rifiuta(QStringLiteral("Data del documento non impostata: indicarla."));
    const QString causale = Campo(Testa, "IdCausale");
    if (!TDMIBase::Posiziona(dm->lkCausFattCli, QStringLiteral("IdCausale"), {causale}))
        return rifiuta(
            QStringLiteral("La causale <%1> non esiste: sceglierne una tra le causali delle fatture clienti.")
                .arg(causale));
    const QString cliente = Campo(Testa, "IdCliente");
    if (!TDMIBase::Posiziona(dm->lkClienti, QStringLiteral("IdContoTp;IdConto"),
                             {Campo(Testa, "IdClienteTp"), cliente}))
        return rifiuta(
            QStringLiteral("Il cliente <%1> non esiste: sceglierne uno dall'anagrafica clienti.").arg(cliente));
    const QString divisa = Campo(Testa, "IdDivisa");
    if (!MonetaConto(divisa) && !TestDivisa(divisa))
        return rifiuta(
            QStringLiteral("La divisa <%1> non esiste: sceglierne una della tabella delle divise.").arg(divisa));
    const QString pagamento = Campo(Testa, "IdPagamento");
    if (!pagamento.isEmpty() && !TDMIBase::Posiziona(dm->lkPagamenti, QStringLiteral("IdPagamento"), {pagamento}))
        return rifiuta(
            QStringLiteral("Il pagamento <%1> non esiste: sceglierne uno della tabella dei pagamenti.").arg(pagamento));
    if (Testa->FieldByName(QStringLiteral("Numero"))->AsInteger() <= 0)
        return rifiuta(
            QStringLiteral("Numero del documento non assegnato: completare la testata prima di registrarla."));
    return true;
}

bool TDMIGeneraDocumenti::CompletaRigoDoc(TDataSet *Testa, TDataSet *Rigo, int)
{
    if (!InModifica(Rigo))
        return Rifiuta(QStringLiteral("Rigo del documento non in inserimento o modifica: impossibile completarlo."));
    TDMIBase *dm = TDMIBase::Crea();
    SeVuoto(Rigo, "KFattCliT", Testa->FieldByName(QStringLiteral("KFattCliT"))->Value());
    Imposta(Rigo, "DataDocumento", Testa->FieldByName(QStringLiteral("DataDocumento"))->Value());
    Imposta(Rigo, "IdCliente", Testa->FieldByName(QStringLiteral("IdCliente"))->Value());
    const QString articolo = Campo(Rigo, "IdProdotto");
    if (!articolo.isEmpty()) {
        if (!TDMIBase::Posiziona(dm->lkArticoli, QStringLiteral("IdProdotto"), {articolo}))
            return Rifiuta(
                QStringLiteral("L'articolo <%1> non esiste: sceglierne uno dall'anagrafica articoli.").arg(articolo));
        TXlkTable *a = dm->lkArticoli;
        SeVuoto(Rigo, "Descrizione", a->FieldByName(QStringLiteral("DsProdotto"))->Value());
        SeVuoto(Rigo, "IdUM", a->FieldByName(QStringLiteral("IdUM1"))->Value());
        SeVuoto(Rigo, "IdIva", a->FieldByName(QStringLiteral("IdIva"))->Value());
    }
    const QVariant magazzino = GetValoreDefault(QStringLiteral("IdMagazzino"));
    if (magazzino.isValid())
        SeVuoto(Rigo, "IdMagazzino", magazzino.toInt());
    SeVuoto(Rigo, "IdConto", Campo(Testa, "IdConto"));
    SeVuoto(Rigo, "IdConto", GetContoFisso(QStringLiteral("IdContoVendite"), Campo(Testa, "IdCausaleCont")));
    const std::pair<const char *, const char *> agenti[] = {{"IdAgente1", "Provvigione1"},
                                                            {"IdAgente2", "Provvigione2"}};
    for (const auto &[agente, provvigione] : agenti) {
        SeVuoto(Rigo, agente, Testa->FieldByName(QLatin1String(agente))->Value());
        const QString codice = Campo(Rigo, agente);
        TDMIBPra::TDatiProvvigione dati;
        if (!codice.isEmpty() && TDMIBPra::Crea()->DatiProvvigione(codice, dati))
            SeVuoto(Rigo, provvigione, dati.Provvigione);
    }
    TKRigoDoc r;
    r.Quantita = Rigo->FieldByName(QStringLiteral("Quantita"))->AsFloat();
    r.Prezzo = Rigo->FieldByName(QStringLiteral("Prezzo"))->AsFloat();
    r.FlPrezzoForf = Rigo->FieldByName(QStringLiteral("FlPrezzoForf"))->AsInteger() == 1;
    for (int k = 0; k < 5; ++k) {
        const QString sconto = QStringLiteral("Sconto") + QString::number(k + 1);
        r.Sconto[k] = Rigo->FieldByName(sconto)->AsFloat();
        r.ScontoTesta[k] = Testa->FieldByName(sconto)->AsFloat();
    }
    r.ScontoPagamento = Testa->FieldByName(QStringLiteral("ScontoPagamento"))->AsFloat();
    r.IdDivisa = Campo(Testa, "IdDivisa");
    r.Cambio = Testa->FieldByName(QStringLiteral("Cambio"))->AsFloat();
    r.DataDocumento = Testa->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime();
    r.CodTipoDoc = 1;
    r.IdProdotto = articolo;
    r.TabDivise = dm->lkDivise;
    try {
        const char *const campi[] = {"ImportoLordo",  "ImportoNetto",  "ImportoNN",
                                     "ControvaloreL", "ControvaloreN", "ControvaloreNN"};
        for (int modo = 1; modo <= 6; ++modo)
            Rigo->FieldByName(QLatin1String(campi[modo - 1]))->SetAsFloat(CalcoloValoriRigo(r, modo));
    } catch (const Exception &e) {
        return Rifiuta(e.Message);
    }
    return true;
}

bool TDMIGeneraDocumenti::ControllaRigoDoc(TDataSet *, TDataSet *Rigo)
{
    const int tipoRigo = Rigo->FieldByName(QStringLiteral("TipoRigo"))->AsInteger();
    const auto tipo = Tipirigo::TRGetTipoRigo(1, 0, std::abs(tipoRigo));
    if (!tipo)
        return Rifiuta(
            QStringLiteral("Il tipo rigo <%1> non esiste: sceglierne uno della tabella dei tipi rigo.").arg(tipoRigo));
    if (tipo->FlClasse == Tipirigo::crDescrittivo)
        return true;
    TDMIBase *dm = TDMIBase::Crea();
    const QString articolo = Campo(Rigo, "IdProdotto");
    if (!articolo.isEmpty() && !TDMIBase::Posiziona(dm->lkArticoli, QStringLiteral("IdProdotto"), {articolo}))
        return Rifiuta(
            QStringLiteral("L'articolo <%1> non esiste: sceglierne uno dall'anagrafica articoli.").arg(articolo));
    const QString iva = Campo(Rigo, "IdIva");
    if (!TDMIBase::Posiziona(dm->lkCodiciIva, QStringLiteral("IdIva"), {iva}))
        return Rifiuta(
            QStringLiteral("Il codice Iva <%1> del rigo non esiste: sceglierne uno della tabella dei codici Iva.")
                .arg(iva));
    if (!std::isfinite(Rigo->FieldByName(QStringLiteral("Quantita"))->AsFloat()))
        return Rifiuta(QStringLiteral("Quantità del rigo non valida: correggerla."));
    return true;
}

bool TDMIGeneraDocumenti::AggiornaRigoDoc(TDataSet *Testa, TDataSet *Rigo)
{
    const qint64 chiave = Testa->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt();
    if (testaNuova_ != 0 && InCorsa() && testaNuova_ == chiave
        && Rigo->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt() == chiave) {
        tRigheNuove_->Append();
        for (TField *f : tRigheNuove_->FieldList())
            if (TField *origine = f->FieldKind() == fkData ? Rigo->FindField(f->FieldName()) : nullptr)
                f->SetValue(origine->Value());
        tRigheNuove_->Post();
    }
    TDMIBase *dm = TDMIBase::Crea();
    if (!TDMIBase::Posiziona(dm->lkCausFattCli, QStringLiteral("IdCausale"), {Campo(Testa, "IdCausale")}))
        return Rifiuta(
            QStringLiteral("La causale <%1> non esiste: sceglierne una tra le causali delle fatture clienti.")
                .arg(Campo(Testa, "IdCausale")));
    const QString causaleMag = dm->lkCausFattCli->FieldByName(QStringLiteral("IdCausaleMaga"))->AsString().trimmed();
    if (causaleMag.isEmpty() || Campo(Rigo, "IdProdotto").isEmpty() || CFG.FlMovMagazzino != 1)
        return true;
    return TDMIBMag::Crea()->GeneraMovimentoMagazzino(2, 1, causaleMag, QString(), false, Testa, Rigo, nullptr, nullptr,
                                                      nullptr, nullptr, nullptr, nullptr);
}

bool TDMIGeneraDocumenti::AggiornaTestaDoc(TDataSet *Testa)
{
    if (!InModifica(Testa))
        Testa->Edit();
    const qint64 chiave = Testa->FieldByName(QStringLiteral("KFattCliT"))->AsLargeInt();
    TXParam_TotaliDocs param;
    param.CodTipoDoc = 1;
    param.Testa = Testa;
    param.TabTotali = tFattureTot;
    const bool inCorsa = InCorsa();
    if (inCorsa) {
        param.ValoriBolli = &valoriBolli_;
        param.RighePagamenti = &righePagamenti_;
    }
    // a head the run inserted: its rows as posted, read only as a query gives them, and no
    // totals rows stored for its new key
    const bool nuova = inCorsa && chiave > 0 && chiave == testaNuova_;
    if (nuova) {
        LeggiTotali(chiave);
        tRigheNuove_->SetReadOnly(true);
        param.Righe = tRigheNuove_;
    } else {
        qRighe->Close();
        qRighe->ParamByName(QStringLiteral("KFattCliT"))->SetAsInteger(chiave);
        param.Righe = qRighe;
    }
    const auto chiudi = [this, nuova] {
        if (nuova) {
            tRigheNuove_->SetReadOnly(false);
            tRigheNuove_->EmptyTable();
            testaNuova_ = 0;
        } else {
            qRighe->Close();
        }
    };
    bool calcolati = false;
    try {
        calcolati = Calcolototalidocs::TOTDOCS_Calcola(param, false);
    } catch (const Exception &e) {
        chiudi();
        return Rifiuta(e.Message);
    }
    chiudi();
    if (!calcolati)
        return Rifiuta(QStringLiteral("Totali del documento non calcolati: controllare righe e codici Iva."));
    return true;
}
