#include "host/business/Dmicalcolototalidocs.h"

#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibcge.h"
#include "host/business/Funzionibase.h"
#include "host/business/Funzionidoc.h"
#include "host/business/Tipirigo.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/core/Notices.h"
#include "host/data/ClassRegistry.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXTableBase.h"
#include "host/db/DMIDataBases.h"

#include <QDebug>
#include <QScopeGuard>

#include <cmath>
#include <initializer_list>
#include <tuple>

using namespace Funzioni;

namespace {

bool In(int valore, std::initializer_list<int> valori)
{
    for (int v : valori)
        if (v == valore)
            return true;
    return false;
}

// Head fields by name: a field the dataset lacks reads empty.
QString Testo(TDataSet *t, const QString &campo)
{
    TField *f = t ? t->FindField(campo) : nullptr;
    return f ? f->AsString().trimmed() : QString();
}

double Numero(TDataSet *t, const QString &campo)
{
    TField *f = t ? t->FindField(campo) : nullptr;
    return f ? f->AsFloat() : 0.0;
}

int Intero(TDataSet *t, const QString &campo)
{
    TField *f = t ? t->FindField(campo) : nullptr;
    return f ? f->AsInteger() : 0;
}

QDateTime Data(TDataSet *t, const QString &campo)
{
    TField *f = t ? t->FindField(campo) : nullptr;
    return f ? f->AsDateTime() : QDateTime();
}

bool InModifica(TDataSet *t)
{
    return t && (t->State() == dsEdit || t->State() == dsInsert);
}

void Scrivi(TDataSet *t, const QString &campo, const QVariant &valore)
{
    if (TField *f = t->FindField(campo))
        f->SetValue(valore);
}

QString Due(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

const QString kCoda = QStringLiteral(". I totali calcolati NON sono corretti. Contattare il servizio di assistenza");

} // namespace

TDMICalcoloTotaliDocs::TDMICalcoloTotaliDocs(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMICalcoloTotaliDocs"));
    qIncassoTIKN = Create<TXQuery>(QStringLiteral("qIncassoTIKN"));
    qIncassoTIKN->SQL << QStringLiteral("SELECT IncassoTIKN") << QStringLiteral("FROM VenditaDettTeste")
                      << QStringLiteral("WHERE KVenditaDettT = :KVenditaDettT");
}

TDMICalcoloTotaliDocs::~TDMICalcoloTotaliDocs() = default;

// ---- 1. the calculation

bool TDMICalcoloTotaliDocs::TOTDOCS_InternalCalcola(TXParam_TotaliDocs &Param, bool Flag)
{
    TOTDOCS_InitStrutture();                                 // 1
    TOTDOCS_InitParametri(Param);                            // 2
    TOTDOCS_DivisaEstera(Param);                             // 3
    TOTDOCS_ContiFissi(Param);                               // 4
    TOTDOCS_LeggiPagamento(Param, Param.IdPagamento, false); // 5
    int righe = TOTDOCS_LeggiRigheDocumento(Param, Flag);    // 6
    if (!TOTDOCS_Raggruppamento(Param, righe))               // 7
        return false;
    TOTDOCS_AzzeraSpese(Param, Flag); // 8
    if (!TOTDOCS_MerceSpese(Param))   // 9
        return false;
    TOTDOCS_Scorporo(Param);      // 10
    TOTDOCS_BolliScadenze(Param); // 11
    if (!TOTDOCS_IvaFuoriTotale(Param))
        return false;
    TOTDOCS_CalcoliRdA(Param); // 13
    if (In(Param.CodTipoDoc, {0, 1, 2, 11})
        && TDMIBCge::Crea()->IvaSplit(Param.IdClienteTp, Param.IdCliente, Param.DataDocumento))
        TOTDOCS_CalcoliIvaSplit(Param);
    TOTDOCS_AggiornaTotaliDataset(Param); // 14
    if (!Param.TabTotali) {               // 16
        SPAR_TotaliParcellazione(Param);
        return true;
    }
    if (!Flag) // 17
        TOTDOCS_InternalRiallineImportiNN(Param);
    if (!TOTDOCS_SpeseEsentiIva(Param))
        return false;
    const bool registrati = TOTDOCS_RegistraTotali(Param, Flag);
    if (!Flag && registrati)
        SPAR_TotaliParcellazione(Param);
    return registrati;
}

// ---- 2 to 6. deadlines

bool TDMICalcoloTotaliDocs::TOTDOCS_InternalControlloScadenze(TXParam_TotaliDocs &Param)
{
    if (Rate.empty())
        return true;
    double somma = 0;
    for (const TRata &r : Rate)
        somma += r.Importo;
    const double differenza = KRound(Totali.NettoPagare - somma, Param.DecValore);
    if (CompDec(differenza, 0, Param.DecValore) == 0)
        return true;
    TRata &ultima = Rate.back();
    ultima.Importo = KRound(ultima.Importo + differenza, Param.DecValore);
    ultima.ImportoNaz = TOTDOCS_Cvl(Param, ultima.Importo);
    TOTDOCS_RegistraLog(
        Descrizione + QStringLiteral("le scadenze non corrispondono al netto a pagare: la differenza di ")
        + KFormati::FormatFloat(QStringLiteral("#,##0.00"), differenza) + QStringLiteral(" va all'ultima rata"));
    return false;
}

bool TDMICalcoloTotaliDocs::TOTDOCS_InternalLeggiScadenze(TXParam_TotaliDocs &Param, int CodTipoDoc, qint64 Chiave,
                                                          TDataSet *tabScadenze)
{
    const QString chiave = Calcolototalidocs::ChiaveTesta(CodTipoDoc);
    QString tabella = Calcolototalidocs::TabellaTotali(CodTipoDoc);
    if (tabella.isEmpty() || chiave.isEmpty())
        return false;
    TXDatabase *db = &DMIDataBases::Instance().Global();
    if (auto *t = qobject_cast<TXTableBase *>(tabScadenze)) {
        tabella = t->TableName();
        db = &t->Database();
    }
    Param.Scadenze.fill(TScadenzaDoc());
    QSqlQuery q = db->OpenQuery(QStringLiteral("SELECT DataInizio, Importo1, Importo2 FROM %1 WHERE %2 = ? AND "
                                               "TipoRecord = 'SCA' ORDER BY Progressivo")
                                    .arg(tabella, chiave),
                                {Chiave});
    size_t n = 0;
    while (q.next() && n < Param.Scadenze.size()) {
        TScadenzaDoc &s = Param.Scadenze[n++];
        s.Data = kv8data::CoerceLoaded(q.value(0), ftDateTime).toDateTime();
        s.Importo = q.value(1).toDouble();
        s.ImportoNaz = q.value(2).toDouble();
    }
    return true;
}

void TDMICalcoloTotaliDocs::TOTDOCS_InternalSalvaScadenzario(TXParam_TotaliDocs &Param, TDataSet *dataSet)
{
    if (!dataSet)
        return;
    CheckTabOpen(dataSet);
    const bool giaInModifica = InModifica(dataSet);
    if (!giaInModifica) {
        if (dataSet->IsEmpty())
            dataSet->Append();
        else
            dataSet->Edit();
    }
    ScriviRateDataset(Param, dataSet, true);
    if (!giaInModifica)
        dataSet->Post();
}

int TDMICalcoloTotaliDocs::TOTDOCS_InternalTestScadenzario(TXParam_TotaliDocs &Param)
{
    int n = 0;
    for (const TScadenzaDoc &s : Param.Scadenze)
        if (!s.Data.isNull())
            ++n;
    return n;
}

void TDMICalcoloTotaliDocs::TOTDOCS_InternalRiallineImportiNN(TXParam_TotaliDocs &Param)
{
    TDataSet *righe = Param.Righe;
    if (!righe || !righe->Active() || !righe->CanModify() || InModifica(righe))
        return;
    TField *fImportoNN = righe->FindField(QStringLiteral("ImportoNN"));
    TField *fIva = righe->FindField(QStringLiteral("IdIva"));
    TField *fTipo = righe->FindField(QStringLiteral("TipoRigo"));
    TField *fStato = righe->FindField(QStringLiteral("Stato"));
    if (!fImportoNN || !fIva || !fTipo)
        return;
    // per VAT code: the rows' sum and the row that takes the difference
    QHash<QString, double> somme;
    QHash<QString, TBookmark> maggiore;
    QHash<QString, double> massimo;
    const TBookmark posizione = righe->GetBookmark();
    righe->DisableControls();
    try {
        for (righe->First(); !righe->Eof(); righe->Next()) {
            if (fStato && fStato->AsInteger() >= 3)
                continue;
            const Tipirigo::TRTipoRigo *tipo = TipoDiRigo(fTipo->AsInteger());
            if (!tipo || tipo->FlClasse != Tipirigo::crMerce)
                continue;
            const QString iva = fIva->AsString().trimmed();
            const double importo = fImportoNN->AsFloat();
            somme[iva] += importo;
            if (!massimo.contains(iva) || std::fabs(importo) > massimo.value(iva)) {
                massimo[iva] = std::fabs(importo);
                maggiore[iva] = righe->GetBookmark();
            }
        }
        for (auto it = somme.cbegin(); it != somme.cend(); ++it) {
            const int i = TOTDOCS_TrovaIva(it.key());
            if (i < 0)
                continue;
            const double differenza = KRound(Iva[i].MerceNetta - it.value(), Param.DecValore);
            if (CompDec(differenza, 0, Param.DecValore) == 0)
                continue;
            righe->GotoBookmark(maggiore.value(it.key()));
            righe->Edit();
            fImportoNN->SetAsFloat(KRound(fImportoNN->AsFloat() + differenza, Param.DecValore));
            righe->Post();
        }
    } catch (...) {
        if (InModifica(righe))
            righe->Cancel();
        if (righe->BookmarkValid(posizione))
            righe->GotoBookmark(posizione);
        righe->EnableControls();
        throw;
    }
    if (righe->BookmarkValid(posizione))
        righe->GotoBookmark(posizione);
    righe->EnableControls();
}

// ---- 7, 8. structures and parameters

void TDMICalcoloTotaliDocs::TOTDOCS_InitStrutture()
{
    Iva.fill(TRigoIva());
    NumIva = 0;
    Conti.fill(TRigoConto());
    NumConti = 0;
    Centri.fill(TRigoCentro());
    NumCentri = 0;
    Provvigioni.fill(TRigoProvvigione());
    NumProvvigioni = 0;
    Righe.clear();
    Rate.clear();
    Totali = TTotaliDoc();
    Descrizione.clear();
    UltimoMessaggio.clear();
    ratePagamento_.clear();
    righePagamenti_.clear();
    tipiRigo_.clear();
}

void TDMICalcoloTotaliDocs::TOTDOCS_InitParametri(TXParam_TotaliDocs &Param)
{
    TOTDOCS_InitParametriTesta(Param);
    TOTDOCS_InitParametriCoda(Param);
}

void TDMICalcoloTotaliDocs::TOTDOCS_InitParametriTesta(TXParam_TotaliDocs &Param)
{
    TDataSet *t = Param.Testa;
    const int k = Param.CodTipoDoc;
    codTipoDoc_ = k;
    // settings
    Param.FlProvvigioni = KV8Config::GetFBPRA01().FlProvvigioni == 1;
    Param.FlManodopera = KV8Config::GetFBBAS00().FlIvaManodopera == 1;
    FlNoSpese = Param.FlNoSpese;

    // the kind's description, side and head fields
    Param.FlTipoDoc = Intero(t, QStringLiteral("FlTipoDoc"));
    switch (k) {
    case 0:
        Descrizione = QStringLiteral("DDT. ");
        break;
    case 1:
        Descrizione = Param.FlTipoDoc == 1   ? QStringLiteral("Ricevuta fiscale ")
                      : Param.FlTipoDoc == 2 ? QStringLiteral("Parcella definitiva")
                                             : QStringLiteral("Fattura ");
        break;
    case 2:
        Descrizione = QStringLiteral("Ordine ");
        break;
    case 4:
        Descrizione = QStringLiteral("Offerta ");
        break;
    case 6:
        Descrizione = QStringLiteral("Mov. vendita ");
        break;
    case 10:
        Descrizione = QStringLiteral("DDT. acquisto");
        break;
    case 11:
        Descrizione = QStringLiteral("Fattura acquisto ");
        break;
    case 12:
        Descrizione = QStringLiteral("Ordine fornitore ");
        break;
    case 13:
        Descrizione = QStringLiteral("Autofattura ");
        break;
    case 14:
        Descrizione = QStringLiteral("Richiesta ");
        break;
    case 20:
        Descrizione = QStringLiteral("DDT ");
        break;
    case 21:
        Descrizione = QStringLiteral("Fattura terzista ");
        break;
    case 22:
        Descrizione = QStringLiteral("Ordine terzista ");
        break;
    case 101:
        Descrizione = QStringLiteral("Parcella ");
        break;
    default:
        break;
    }
    if (In(k, {0, 1, 2, 4, 6, 10, 11, 12, 13, 14, 20, 21, 22, 101})) {
        const bool cliente = k < 10 || k == 101;
        Param.IdClienteTp = Testo(t, cliente ? QStringLiteral("IdClienteTp") : QStringLiteral("IdFornitoreTp"));
        Param.IdCliente = Testo(t, cliente ? QStringLiteral("IdCliente") : QStringLiteral("IdFornitore"));
        Param.IdDestinazione = Intero(t, QStringLiteral("IdDestinazione"));
        Param.IdCausale = Testo(t, QStringLiteral("IdCausale"));
        Param.Anno = Intero(t, QStringLiteral("Anno"));
        Param.Serie = Intero(t, QStringLiteral("Serie"));
        Param.Numero = Intero(t, QStringLiteral("Numero"));
        Param.IdDivisa = DivisaDocumento(Testo(t, QStringLiteral("IdDivisa")));
        Param.Cambio = Numero(t, QStringLiteral("Cambio"));
        Param.DataDocumento = Data(t, QStringLiteral("DataDocumento"));
        Param.DataPagamento = Data(t, QStringLiteral("DataPagamento"));
        Param.IdPagamento = Testo(t, QStringLiteral("IdPagamento"));
        Param.IdEsclusione = Testo(t, QStringLiteral("IdEsclusione"));
        Param.Sconto1 = Numero(t, QStringLiteral("Sconto1"));
        Param.Sconto2 = Numero(t, QStringLiteral("Sconto2"));
        Param.Sconto3 = Numero(t, QStringLiteral("Sconto3"));
        Param.Sconto4 = Numero(t, QStringLiteral("Sconto4"));
        Param.Sconto5 = Numero(t, QStringLiteral("Sconto5"));
        Param.ScontoPagamento = Numero(t, QStringLiteral("ScontoPagamento"));
        if (In(k, {0, 1, 2, 6, 101})) {
            Param.IdAgente1 = Testo(t, QStringLiteral("IdAgente1"));
            Param.Provvigione1 = Numero(t, QStringLiteral("Provvigione1"));
            Param.IdAgente2 = Testo(t, QStringLiteral("IdAgente2"));
            Param.Provvigione2 = Numero(t, QStringLiteral("Provvigione2"));
        }
        if (k == 6) {
            Param.IdAgenteAddetto = Testo(t, QStringLiteral("IdAgenteAddetto"));
            Param.ProvvigioneAddetto = Numero(t, QStringLiteral("ProvvigioneAddetto"));
            Param.ValoreVoucher = Numero(t, QStringLiteral("ValoreVoucher"));
            Param.Arrotondamento = Numero(t, QStringLiteral("Arrotondamento"));
            Param.ScontoAPagare = Numero(t, QStringLiteral("ScontoAPagare"));
        } else {
            Param.IdAgenteAddetto.clear();
            Param.ProvvigioneAddetto = 0;
        }
        if (In(k, {0, 1, 2, 4, 10, 11, 12, 13, 14, 20, 21, 22, 101})) {
            Param.SpeseTrasporto = Numero(t, QStringLiteral("SpeseTrasporto"));
            Param.SpeseImballo = Numero(t, QStringLiteral("SpeseImballo"));
        }
        if (In(k, {0, 1, 2, 10, 11, 12, 13, 20, 21, 22, 101}))
            Param.SpeseVarie = Numero(t, QStringLiteral("SpeseVarie"));
        if (In(k, {0, 1, 2, 4, 10, 11, 12, 13, 20, 21, 22, 101}))
            Param.SpeseArt15 = Numero(t, QStringLiteral("SpeseArt15"));
        if (In(k, {0, 1, 2, 4, 11, 20, 21, 22, 101}))
            Param.SpeseIncasso = Numero(t, QStringLiteral("SpeseIncasso"));
        if (In(k, {0, 1, 2, 6, 10, 11, 13})) {
            Param.Acconto = Numero(t, QStringLiteral("Acconto"));
            Param.Abbuono = Numero(t, QStringLiteral("Abbuono"));
        }
        if (In(k, {0, 1}))
            Param.ValoreContributo = Numero(t, QStringLiteral("ValoreContributo"));
        if (In(k, {0, 1, 2, 4, 101})) {
            Param.FlSpeseIncasso = Intero(t, QStringLiteral("FlSpeseIncasso"));
            Param.FlSpeseBolli = Intero(t, QStringLiteral("FlSpeseBolli"));
        }
        if (In(k, {0, 1, 2, 101}))
            Param.FlSpeseBolliEse = Intero(t, QStringLiteral("FlSpeseBolliEse"));
        if (In(k, {0, 1, 2, 4, 6, 14, 101}))
            Param.IdListino = Testo(t, QStringLiteral("IdListino"));
        if (In(k, {0, 1, 2, 101}))
            Param.FlScadVariate = Intero(t, QStringLiteral("FlScadVariate"));
        if (In(k, {0, 1})) {
            Param.FlDurata = Intero(t, QStringLiteral("FlDurata"));
            Param.FlTipoRDA = Intero(t, QStringLiteral("FlTipoRDA"));
        }
        if (In(k, {10, 11, 13, 21, 22}))
            Param.DataDocEsterno = Data(t, QStringLiteral("DataDocEsterno"));
    }
    Param.CambioEuro = GetCambioEURO(Param.IdDivisa, Param.DataDocumento);

    // the description completed with the document number and date
    if (!Descrizione.isEmpty()) {
        const QString testo = Descrizione + Param.IdCausale + QLatin1Char('-') + QString::number(Param.Numero);
        Descrizione =
            TDMIBbas::Crea()->FormattaNumeroDocumento(testo, Param.Anno, Param.Serie, Param.Numero, Param.IdCausale)
            + QStringLiteral(" del ") + DataToStringa(Param.DataDocumento) + QStringLiteral(": ");
    }

    // decimals and the discount rounding of receipts and retail sales
    Param.DecValore = LeggiDecimaliDivisa(TDMIBase::Crea()->lkDivise, Param.IdDivisa).Valore;
    Param.DecValoreIT = KFormati::GetDecimali(KFormati::fnValoreIT);
    Param.FlArrotondaSconti =
        (k == 6 || (k == 1 && Param.FlTipoDoc == 1)) && KV8Config::GetFSVED01().FlArrotondaSconti == 1;
}

void TDMICalcoloTotaliDocs::TOTDOCS_InitParametriCoda(TXParam_TotaliDocs &Param)
{
    TDataSet *t = Param.Testa;
    const int k = Param.CodTipoDoc;
    // stamp duty in the document currency, the common head fields
    double bollo = 0, soglia = 0;
    if (!Param.ValoriBolli) {
        GetValoriSpeseBolli(Param.DataDocumento, bollo, soglia);
    } else {
        const QDate giorno = Param.DataDocumento.date();
        auto letti = Param.ValoriBolli->find(giorno);
        if (letti == Param.ValoriBolli->end()) {
            GetValoriSpeseBolli(Param.DataDocumento, bollo, soglia);
            letti = Param.ValoriBolli->emplace(giorno, std::make_pair(bollo, soglia)).first;
        }
        std::tie(bollo, soglia) = letti->second;
    }
    Param.ImportoBollo =
        CalcValoreDivisa(bollo, Param.CambioEuro, Param.DataDocumento, Param.IdDivisa, Param.DecValore);
    Param.SogliaBollo =
        CalcValoreDivisa(soglia, Param.CambioEuro, Param.DataDocumento, Param.IdDivisa, Param.DecValore);
    Param.FlScorporo = Intero(t, QStringLiteral("FlScorporo"));
    Param.FlIvaManodopera = Intero(t, QStringLiteral("FlIvaManodopera"));
    Param.IdCausaleCont = Testo(t, QStringLiteral("IdCausaleCont"));
    Param.FlTipoDocumento = Intero(t, QStringLiteral("FlTipoDocumento"));
    Param.FlTipoEmissione = Intero(t, QStringLiteral("FlTipoEmissione"));
    Param.FlFatturaXML = Intero(t, QStringLiteral("FlFatturaXML"));
    Param.IdDestinazioneAmm = Intero(t, QStringLiteral("IdDestinazioneAmm"));
    Param.IdClienteFatt = Testo(t, QStringLiteral("IdClienteFatt"));
    Param.IdEsenzione = Testo(t, QStringLiteral("IdEsenzione"));
    Param.FlFatturaCEE = Intero(t, QStringLiteral("FlFatturaCEE"));
    Param.IdConto = Testo(t, QStringLiteral("IdConto"));
    Param.FlSoggettoRdA = Intero(t, QStringLiteral("FlSoggettoRdA"));
    Param.FlRaggFattura = Intero(t, QStringLiteral("FlRaggFattura"));
    Param.TotaleManodopera = 0;
    if (In(k, {0, 1, 2, 3}) && Param.FlManodopera && Param.FlIvaManodopera == 1 && Param.Righe) {
        TDataSet *r = Param.Righe;
        CheckTabOpen(r);
        if (TField *f = r->FindField(QStringLiteral("TotaleManodopera"))) {
            TField *stato = r->FindField(QStringLiteral("Stato"));
            const TBookmark posizione = r->GetBookmark();
            r->DisableControls();
            for (r->First(); !r->Eof(); r->Next())
                if (!stato || stato->AsInteger() < 3)
                    Param.TotaleManodopera += f->AsFloat();
            if (r->BookmarkValid(posizione))
                r->GotoBookmark(posizione);
            r->EnableControls();
        }
    }
    if (k == 6) {
        Param.IncassoTIKN = Numero(t, QStringLiteral("IncassoTIKN"));
        if (Param.IncassoTIKN == 0) {
            qIncassoTIKN->Close();
            qIncassoTIKN->ParamByName(QStringLiteral("KVenditaDettT"))
                ->SetAsInteger(Intero(t, QStringLiteral("KVenditaDettT")));
            qIncassoTIKN->Open();
            Param.IncassoTIKN = qIncassoTIKN->IsEmpty() ? 0 : qIncassoTIKN->Fields(0)->AsFloat();
            qIncassoTIKN->Close();
        }
    }
    // fee-note mode and the names it selects
    FlParcellazione = k == 101 ? 1 : (k == 1 && Param.FlTipoDoc == 2 ? 2 : 0);
    if (FlParcellazione != 0) {
        NomeTabTotali = FlParcellazione == 1 ? QStringLiteral("PAParcelleTot") : QStringLiteral("FattureCliTot");
        NomeTabTotaliLocale =
            FlParcellazione == 1 ? QStringLiteral("t_PAParcelleTotali") : QStringLiteral("t_FattureCliTot");
        CampoChiaveTotali = FlParcellazione == 1 ? QStringLiteral("KParcellaT") : QStringLiteral("KFattCliT");
        EtichetteTotali = {QStringLiteral("Onorari"),    QStringLiteral("Spese"), QStringLiteral("Anticipazioni"),
                           QStringLiteral("Bollo"),      QStringLiteral("TotRA"), QStringLiteral("DsRA"),
                           QStringLiteral("CP"),         QStringLiteral("DsCP"),  QStringLiteral("DsIVA"),
                           QStringLiteral("NettoPagare")};
        IndiceTotali = CampoChiaveTotali + QStringLiteral(";TipoRecord;Progressivo");
        IndiceTotaliCodice = CampoChiaveTotali + QStringLiteral(";TipoRecord;Codice");
    }
}

// ---- 3 to 5, 8, 9, 11, 14, 17: the host's steps

void TDMICalcoloTotaliDocs::TOTDOCS_DivisaEstera(const TXParam_TotaliDocs &Param)
{
    FlDivisaEstera = !MonetaConto(Param.IdDivisa, 0);
}

void TDMICalcoloTotaliDocs::TOTDOCS_ContiFissi(const TXParam_TotaliDocs &Param)
{
    const QString causale = Param.IdCausaleCont;
    IdContoForfait = GetContoFisso(Param.CodTipoDoc < 10 || Param.CodTipoDoc == 101 ? QStringLiteral("IdRicavoForfait")
                                                                                    : QStringLiteral("IdCostoForfait"),
                                   causale);
    IdContoOmaggi = GetContoOmaggio(QStringLiteral("IdContoOmaggi"), causale, -1);
    IdIvaOmaggi = GetIdIvaFisso(QStringLiteral("IdIvaOmaggi"));
    IdIvaSpeseIncasso = GetIdIvaFisso(QStringLiteral("IdIvaSpeseIncasso"));
    IdIvaSpeseTrasporto = GetIdIvaFisso(QStringLiteral("IdIvaSpeseTrasporto"));
    IdIvaSpeseImballo = GetIdIvaFisso(QStringLiteral("IdIvaSpeseImballo"));
    IdIvaSpeseVarie = GetIdIvaFisso(QStringLiteral("IdIvaSpeseVarie"));
    IdIvaRidotta = GetIdIvaFisso(QStringLiteral("IdIvaRidottaRistr"));
    if (IdIvaRidotta.isEmpty())
        IdIvaRidotta = KV8Config::GetFSBAS03().IdIvaRidotta.trimmed();
    IdSpBolliVirtuali = GetContoFisso(QStringLiteral("IdSpBolliVirtuali"), causale);
    IdIvaArt15 = GetContoFisso(QStringLiteral("IdIvaArt15"), QString());
    TDMIBbas::TIvaSpese codici{IdIvaSpeseIncasso, IdIvaRidotta, IdIvaSpeseTrasporto, IdIvaSpeseImballo,
                               IdIvaSpeseVarie};
    if (TDMIBbas::Crea()->IvaSpeseCliente(Param.CodTipoDoc, Param.IdClienteTp, Param.IdCliente, Param.IdDestinazione,
                                          Param.DataDocumento, codici)) {
        IdIvaSpeseIncasso = codici.Incasso;
        IdIvaRidotta = codici.Ridotta;
        IdIvaSpeseTrasporto = codici.Trasporto;
        IdIvaSpeseImballo = codici.Imballo;
        IdIvaSpeseVarie = codici.Varie;
    }
}

bool TDMICalcoloTotaliDocs::TOTDOCS_LeggiPagamento(const TXParam_TotaliDocs &Param, const QString &IdPagamento,
                                                   bool Alternativo)
{
    ratePagamento_.clear();
    TDMIBase *dm = TDMIBase::Crea();
    const QString codice = IdPagamento.trimmed();
    if (codice.isEmpty() || !TDMIBase::Posiziona(dm->lkPagamenti, QStringLiteral("IdPagamento"), {codice})) {
        TipoMovPagamento = QStringLiteral("RD");
        NumeroRate = 1;
        FlTrattamIva = 0;
        IdDivisaPagamento.clear();
        SpeseIncassoPagamento = 0;
        ValoreMinimo = 0;
        IdPagamentoAlt.clear();
        ratePagamento_.push_back({TipoMovPagamento, 100, false});
        if (!codice.isEmpty())
            Notices::Tell(Descrizione
                              + (Alternativo ? QStringLiteral("Errore in lettura pagamento alternativo <")
                                             : QStringLiteral("Errore in lettura pagamento <"))
                              + codice + QLatin1Char('>'),
                          TNoticeKind::Warning);
        return false;
    }
    TXlkTable *p = dm->lkPagamenti;
    TipoMovPagamento = p->FieldByName(QStringLiteral("IdTipoMovimento"))->AsString().trimmed();
    NumeroRate = p->FieldByName(QStringLiteral("NumeroRate"))->AsInteger();
    FlTrattamIva = p->FieldByName(QStringLiteral("FlTrattamIva"))->AsInteger();
    IdDivisaPagamento = p->FieldByName(QStringLiteral("IdDivisa"))->AsString().trimmed();
    SpeseIncassoPagamento = p->FieldByName(QStringLiteral("SpeseIncasso"))->AsFloat();
    ValoreMinimo = p->FieldByName(QStringLiteral("ValoreMinimo"))->AsFloat();
    IdPagamentoAlt = p->FieldByName(QStringLiteral("IdPagamentoAlt"))->AsString().trimmed();
    for (const TRigoPagamento &riga : RighePagamento(Param, codice)) {
        PagamentoRata r;
        r.IdTipoMovimento = riga.IdTipoMovimento;
        if (r.IdTipoMovimento.isEmpty())
            r.IdTipoMovimento = TipoMovPagamento;
        r.Percentuale = riga.Percentuale;
        if (TDMIBase::Posiziona(dm->lkTipiMovPagamento, QStringLiteral("IdTipoMovimento"), {r.IdTipoMovimento}))
            r.SpeseIncasso = dm->lkTipiMovPagamento->FieldByName(QStringLiteral("FlScadenza"))->AsInteger() == 1
                             && dm->lkTipiMovPagamento->FieldByName(QStringLiteral("FlSpeseIncasso"))->AsInteger() == 1;
        ratePagamento_.push_back(r);
    }
    if (ratePagamento_.empty())
        ratePagamento_.push_back({TipoMovPagamento, 100, false});
    return true;
}

void TDMICalcoloTotaliDocs::TOTDOCS_AzzeraSpese(TXParam_TotaliDocs &Param, bool Flag)
{
    if (!Flag || !FlNoSpese)
        return;
    Param.SpeseTrasporto = 0;
    Param.SpeseImballo = 0;
    Param.SpeseVarie = 0;
    Param.SpeseArt15 = 0;
    Param.SpeseIncasso = 0;
}

bool TDMICalcoloTotaliDocs::TOTDOCS_MerceSpese(TXParam_TotaliDocs &Param)
{
    // alternative payment of a small invoice
    const double speseTotali = Param.SpeseTrasporto + Param.SpeseImballo + Param.SpeseVarie + Param.SpeseArt15;
    if (Param.CodTipoDoc == 1 && ValoreMinimo > 0 && !IdPagamentoAlt.isEmpty() && InModifica(Param.Testa)
        && CompDec(Totali.TotMerceLordo + speseTotali, ValoreMinimo, Param.DecValore) <= 0) {
        const QString alternativo = IdPagamentoAlt;
        Scrivi(Param.Testa, QStringLiteral("IdPagamento"), alternativo);
        Param.IdPagamento = alternativo;
        TOTDOCS_LeggiPagamento(Param, alternativo, true);
    }
    ApplicaEsenzione(Param);

    // collection expenses from the payment, on the instalments that bear them
    if (Param.FlSpeseIncasso == 1) {
        int rate = 0;
        for (const PagamentoRata &r : ratePagamento_)
            rate += r.SpeseIncasso ? 1 : 0;
        Param.SpeseIncasso = CalcValoreDivisa(SpeseIncassoPagamento * rate, Param.CambioEuro, Param.DataDocumento,
                                              Param.IdDivisa, Param.DecValore);
    }
    if (!AggiungiSpesa(IdIvaSpeseIncasso, Param.SpeseIncasso, Totali.SpeseIncasso, Totali.CVLSpeseIncasso, Param,
                       QStringLiteral("spese di incasso"))
        || !AggiungiSpesa(IdIvaSpeseTrasporto, Param.SpeseTrasporto, Totali.SpeseTrasporto, Totali.CVLSpeseTrasporto,
                          Param, QStringLiteral("spese di trasporto"))
        || !AggiungiSpesa(IdIvaSpeseImballo, Param.SpeseImballo, Totali.SpeseImballo, Totali.CVLSpeseImballo, Param,
                          QStringLiteral("spese di imballo"))
        || !AggiungiSpesa(IdIvaSpeseVarie, Param.SpeseVarie, Totali.SpeseVarie, Totali.CVLSpeseVarie, Param,
                          QStringLiteral("spese varie")))
        return false;

    // head discounts in cascade on each entry's part that they reduce
    const double sconti[6] = {Param.Sconto1, Param.Sconto2, Param.Sconto3,
                              Param.Sconto4, Param.Sconto5, Param.ScontoPagamento};
    bool nessuno = true;
    for (double s : sconti)
        nessuno = nessuno && s == 0;
    double livelli[6] = {0, 0, 0, 0, 0, 0};
    const double segno = CFG.SegnoSconti;
    for (int i = 0; i < NumIva; ++i) {
        TRigoIva &e = Iva[i];
        double base = e.ImponibileLordo - e.EsenteScontoLordo;
        for (int l = 0; l < 6; ++l) {
            const bool applicato = l == 5 || l < CFG.NumScontiTesta;
            if (!nessuno && applicato) {
                double variazione = base * segno * sconti[l] / 100.0;
                if (Param.FlArrotondaSconti)
                    variazione = KRound(variazione, Param.DecValore);
                base += variazione;
            }
            livelli[l] += KRound(base, Param.DecValore) + e.EsenteScontoLordo;
        }
        e.MerceNetta = KRound(base, Param.DecValore) + e.EsenteScontoLordo;
        e.Imponibile += e.MerceNetta - e.ImponibileLordo;
        e.CvlImponibile = TOTDOCS_Cvl(Param, e.Imponibile);
    }
    Totali.TotMerceNetto1 = livelli[0];
    Totali.TotMerceNetto2 = livelli[1];
    Totali.TotMerceNettoSC3 = livelli[2];
    Totali.TotMerceNettoSC4 = livelli[3];
    Totali.TotMerceNettoSC5 = livelli[4];
    Totali.TotMerceNetto3 = livelli[5];
    Totali.TotSconto = KRound(Totali.TotMerceLordo - Totali.TotMerceNetto3, Param.DecValore);
    return true;
}

void TDMICalcoloTotaliDocs::TOTDOCS_BolliScadenze(TXParam_TotaliDocs &Param)
{
    const int dec = Param.DecValore;
    // amounts outside the VAT base, and the part of the document subject to stamp duty
    double fuoriCampo = 0, esente = 0;
    for (int i = 0; i < NumIva; ++i) {
        fuoriCampo += Iva[i].ImportoClassi - Iva[i].Omaggi;
        if (Iva[i].Aliquota == 0)
            esente += Iva[i].Imponibile;
    }
    Totali.TotFuoriCampo = KRound(fuoriCampo, dec);
    Totali.SpeseEsenti1 = KRound(Param.SpeseArt15, dec);
    const bool bolloDovuto =
        Param.FlSpeseBolliEse == 1
        && (In(Param.CodTipoDoc, {1, 2, 101}) || (Param.CodTipoDoc == 0 && TipoMovPagamento == QLatin1String("CR")))
        && Param.ImportoBollo > 0 && CompDec(esente + Param.SpeseArt15, Param.SogliaBollo, dec) >= 0;
    Totali.SpeseEsenti2 = bolloDovuto ? Param.ImportoBollo : 0;
    const auto totale = [&] {
        Totali.TotDocumento = KRound(Totali.TotImponibile + Totali.TotIva + Totali.TotFuoriCampo + Totali.SpeseEsenti1
                                         + Totali.SpeseEsenti2,
                                     dec);
        Totali.NettoPagare = KRound(Totali.TotDocumento - Param.Acconto - Param.Abbuono - Totali.TotRA, dec);
    };
    totale();
    CalcolaRate(Param);

    // stamp duty of the bills of exchange, on the instalments' national amounts
    const double perc = FlDivisaEstera ? CFG.PercBolliTratteES : CFG.PercBolliTratte;
    const double minimo = FlDivisaEstera ? CFG.MinBolliTratteES : CFG.MinBolliTratte;
    double bolli = 0;
    if (Param.FlSpeseBolli == 1 && perc > 0) {
        for (TRata &r : Rate) {
            if (r.IdTipoMovimento != QLatin1String("TR"))
                continue;
            const double arrotondato = Arrotonda(r.ImportoNaz, 1000, arEccesso, Param.DecValoreIT);
            double bollo = KRound((arrotondato * perc - 1) / 100.0, Param.DecValoreIT);
            if (bollo < minimo)
                bollo = minimo;
            if (FlDivisaEstera)
                bollo = KRound(bollo / Param.CambioEuro, dec);
            r.Bollo = bollo;
            bolli += bollo;
        }
    }
    if (bolli != 0) {
        QVector<double> bolliRate;
        for (const TRata &r : Rate)
            bolliRate << r.Bollo;
        Totali.SpeseEsenti1 = KRound(Totali.SpeseEsenti1 + bolli, dec);
        totale();
        CalcolaRate(Param);
        for (size_t i = 0; i < Rate.size() && i < size_t(bolliRate.size()); ++i)
            Rate[i].Bollo = bolliRate[int(i)];
    }
    Totali.CVLSpeseEsenti1 = TOTDOCS_Cvl(Param, Totali.SpeseEsenti1);
    Totali.CVLSpeseEsenti2 = TOTDOCS_Cvl(Param, Totali.SpeseEsenti2);
    Totali.Bollo = Totali.SpeseEsenti2;
    Totali.CvlBollo = Totali.CVLSpeseEsenti2;
    Totali.CvlDocumento = KRound(Totali.CvlImponibile + Totali.CVLIva + TOTDOCS_Cvl(Param, Totali.TotFuoriCampo)
                                     + Totali.CVLSpeseEsenti1 + Totali.CVLSpeseEsenti2,
                                 Param.DecValoreIT);
    if (InModifica(Param.Testa))
        Scrivi(Param.Testa, QStringLiteral("SpeseIncasso"), Param.SpeseIncasso);
}

bool TDMICalcoloTotaliDocs::TOTDOCS_IvaFuoriTotale(TXParam_TotaliDocs &)
{
    return true;
}

void TDMICalcoloTotaliDocs::TOTDOCS_AggiornaTotaliDataset(TXParam_TotaliDocs &Param)
{
    TDataSet *d = Param.Totali;
    if (!d || Param.TabTotali)
        return;
    CheckTabOpen(d);
    d->DisableControls();
    try {
        if (!InModifica(d)) {
            if (d->IsEmpty())
                d->Append();
            else
                d->Edit();
        }
        const TTotaliDoc &t = Totali;
        const std::pair<const char *, double> valori[] = {{"TotMerceLordo", t.TotMerceLordo},
                                                          {"TotMerceNetto1", t.TotMerceNetto1},
                                                          {"TotMerceNetto2", t.TotMerceNetto2},
                                                          {"TotMerceNetto3", t.TotMerceNetto3},
                                                          {"TotDocumento", t.TotDocumento},
                                                          {"TotImponibile", t.TotImponibile},
                                                          {"CvlDocumento", t.CvlDocumento},
                                                          {"CvlImponibile", t.CvlImponibile},
                                                          {"CVLIva", t.CVLIva},
                                                          {"TotSconto", t.TotSconto},
                                                          {"TotIva", t.TotIva},
                                                          {"TotProdotti", t.TotProdotti},
                                                          {"TotRicavi", t.TotRicavi},
                                                          {"TotRA", t.TotRA},
                                                          {"NettoPagare", t.NettoPagare},
                                                          {"TotRigheRAE", t.TotRigheRAE},
                                                          {"TotMerceNettoSC3", t.TotMerceNettoSC3},
                                                          {"TotMerceNettoSC4", t.TotMerceNettoSC4},
                                                          {"TotMerceNettoSC5", t.TotMerceNettoSC5},
                                                          {"SpeseTrasporto", t.SpeseTrasporto},
                                                          {"CVLSpeseTrasporto", t.CVLSpeseTrasporto},
                                                          {"SpeseImballo", t.SpeseImballo},
                                                          {"CVLSpeseImballo", t.CVLSpeseImballo},
                                                          {"SpeseVarie", t.SpeseVarie},
                                                          {"CVLSpeseVarie", t.CVLSpeseVarie},
                                                          {"SpeseEsenti", t.SpeseEsenti1 + t.SpeseEsenti2},
                                                          {"CVLSpeseEsenti", t.CVLSpeseEsenti1 + t.CVLSpeseEsenti2}};
        for (const auto &[campo, valore] : valori)
            Scrivi(d, QLatin1String(campo), valore);
        // what the total holds beside taxable and VAT: the rows outside VAT and the exempt expenses
        Scrivi(d, QStringLiteral("TotFuoriCampoIva"),
               KRound(t.TotFuoriCampo + t.SpeseEsenti1 + t.SpeseEsenti2, Param.DecValore));
        if (Param.CodTipoDoc == 1)
            Scrivi(d, QStringLiteral("Bollo"), t.Bollo);
        if (InModifica(Param.Testa))
            ScriviRateDataset(Param, d, TOTDOCS_InternalTestScadenzario(Param) > 0);
        for (int n = 1; n <= 10; ++n) {
            const bool usata = n <= NumIva;
            Scrivi(d, QStringLiteral("IdIva") + Due(n), usata ? QVariant(Iva[n - 1].IdIva) : QVariant(QString()));
            Scrivi(d, QStringLiteral("Imponibile") + Due(n), usata ? Iva[n - 1].Imponibile : 0.0);
            Scrivi(d, QStringLiteral("Iva") + Due(n), usata ? Iva[n - 1].Iva : 0.0);
        }
    } catch (...) {
        d->EnableControls();
        throw;
    }
    d->EnableControls();
}

bool TDMICalcoloTotaliDocs::TOTDOCS_SpeseEsentiIva(TXParam_TotaliDocs &Param)
{
    const double esenti = Totali.SpeseEsenti1 + Totali.SpeseEsenti2;
    if (IdIvaArt15.isEmpty() || CompDec(esenti, 0, Param.DecValore) == 0)
        return true;
    return TOTDOCS_AggiungiIva(IdIvaArt15, esenti, Totali.CVLSpeseEsenti1 + Totali.CVLSpeseEsenti2);
}

// ---- 9, 10. registration and rows

bool TDMICalcoloTotaliDocs::TOTDOCS_RegistraTotali(TXParam_TotaliDocs &Param, bool)
{
    TDataSet *tab = Param.TabTotali;
    if (!tab)
        return true;
    const QString campo = Calcolototalidocs::ChiaveTesta(Param.CodTipoDoc);
    TField *chiave = campo.isEmpty() ? nullptr : (Param.Testa ? Param.Testa->FindField(campo) : nullptr);
    if (!chiave) {
        UltimoMessaggio = Descrizione + QStringLiteral("il documento non ha la chiave per registrare i totali");
        TOTDOCS_RegistraLog(UltimoMessaggio);
        return false;
    }
    // the rows deleted and written in batches, all of them before the step ends, when the
    // table does not already keep its writes for the commit
    auto *tabella = qobject_cast<TXTable *>(tab);
    const bool inBlocco = tabella && !tabella->DeferredWrites();
    const auto fineBlocco = qScopeGuard([&] {
        if (inBlocco)
            tabella->StopDeferring();
    });
    try {
        CheckTabOpen(tab);
        if (inBlocco)
            tabella->SetDeferredWrites(true);
        chiaveTotali_ = chiave->Value();
        campoChiaveTotali_ = campo;
        // the document's earlier rows
        while (tab->Locate(campo, chiaveTotali_))
            tab->Delete();

        TRigoTotali r;
        TOTDOCS_InitRigoTotali(r, QStringLiteral("MER"), 1);
        r.Importo1 = Totali.TotMerceLordo;
        r.Importo2 = Totali.TotMerceNetto3;
        r.Importo3 = Totali.TotSconto;
        r.Importo4 = TOTDOCS_Cvl(Param, Totali.TotMerceNetto3);
        TOTDOCS_ScriviRigoTotali(Param, r);
        for (int i = 0; i < NumIva; ++i) {
            TOTDOCS_InitRigoTotali(r, QStringLiteral("IVA"), i + 1);
            r.Codice = Iva[i].IdIva;
            r.Percentuale = Iva[i].Aliquota;
            r.Importo1 = Iva[i].Imponibile;
            r.Importo2 = Iva[i].Iva;
            r.Importo3 = Iva[i].CvlImponibile;
            r.Importo4 = Iva[i].CvlIva;
            TOTDOCS_ScriviRigoTotali(Param, r);
        }
        const struct {
            const char *tipo;
            const char *conto;
            double importo;
            double cvl;
        } spese[] = {{"SPT", "IdContoSpeseTrasporto", Totali.SpeseTrasporto, Totali.CVLSpeseTrasporto},
                     {"SPI", "IdContoSpeseImballo", Totali.SpeseImballo, Totali.CVLSpeseImballo},
                     {"SPV", "IdContoSpeseVarie", Totali.SpeseVarie, Totali.CVLSpeseVarie},
                     {"SPC", "IdContoSpeseIncasso", Totali.SpeseIncasso, Totali.CVLSpeseIncasso}};
        for (const auto &s : spese) {
            if (CompDec(s.importo, 0, Param.DecValore) == 0)
                continue;
            TOTDOCS_InitRigoTotali(r, QLatin1String(s.tipo), 1);
            r.Codice = GetContoFisso(QLatin1String(s.conto), Param.IdCausaleCont);
            r.Importo1 = s.importo;
            r.Importo2 = s.cvl;
            TOTDOCS_ScriviRigoTotali(Param, r);
        }
        if (CompDec(Totali.SpeseEsenti1, 0, Param.DecValore) != 0
            || CompDec(Totali.SpeseEsenti2, 0, Param.DecValore) != 0) {
            TOTDOCS_InitRigoTotali(r, QStringLiteral("SPE"), 1);
            r.Codice = IdIvaArt15;
            r.Importo1 = Totali.SpeseEsenti1;
            r.Importo2 = Totali.SpeseEsenti2;
            r.Importo3 = Totali.CVLSpeseEsenti1;
            r.Importo4 = Totali.CVLSpeseEsenti2;
            TOTDOCS_ScriviRigoTotali(Param, r);
        }
        for (int i = 0; i < NumConti; ++i) {
            TOTDOCS_InitRigoTotali(r, QStringLiteral("CON"), i + 1);
            r.Codice = Conti[i].IdConto;
            r.Importo1 = Conti[i].Importo;
            r.Importo2 = Conti[i].EsenteSconto;
            r.DataInizio = Conti[i].DataInizio;
            r.DataFine = Conti[i].DataFine;
            TOTDOCS_ScriviRigoTotali(Param, r);
        }
        for (int i = 0; i < NumCentri; ++i) {
            TOTDOCS_InitRigoTotali(r, QStringLiteral("CDC"), i + 1);
            r.Codice = Centri[i].IdCentroCosto;
            r.Descrizione = Centri[i].IdConto;
            r.Importo1 = Centri[i].Importo;
            r.Importo2 = Centri[i].EsenteSconto;
            r.DataInizio = Centri[i].DataInizio;
            r.DataFine = Centri[i].DataFine;
            TOTDOCS_ScriviRigoTotali(Param, r);
        }
        for (int i = 0; i < NumProvvigioni; ++i) {
            TOTDOCS_InitRigoTotali(r, QStringLiteral("PRV"), i + 1);
            r.Codice = Provvigioni[i].IdAgente;
            r.Percentuale = Provvigioni[i].Percentuale;
            r.Importo1 = Provvigioni[i].Base;
            r.Importo2 = Provvigioni[i].Provvigione;
            TOTDOCS_ScriviRigoTotali(Param, r);
        }
        TOTDOCS_ScriviScadenze(Param);
        TOTDOCS_InitRigoTotali(r, QStringLiteral("TOT"), 1);
        r.Importo1 = Totali.TotDocumento;
        r.Importo2 = Totali.TotImponibile;
        r.Importo3 = Totali.TotIva;
        r.Importo4 = Totali.NettoPagare;
        TOTDOCS_ScriviRigoTotali(Param, r);
        if (inBlocco)
            tabella->FlushDeferred();

        if (InModifica(Param.Testa)) {
            Scrivi(Param.Testa, QStringLiteral("TotDocumento"), Totali.TotDocumento);
            Scrivi(Param.Testa, QStringLiteral("CvlDocumento"), Totali.CvlDocumento);
        }
        return true;
    } catch (const Exception &e) {
        if (InModifica(tab))
            tab->Cancel();
        UltimoMessaggio = Descrizione + e.Message;
        TOTDOCS_RegistraLog(UltimoMessaggio);
        return false;
    }
}

int TDMICalcoloTotaliDocs::TOTDOCS_LeggiRigheDocumento(TXParam_TotaliDocs &Param, bool)
{
    Righe.clear();
    campiRigo_ = CampiRigo{};
    TDataSet *r = Param.Righe;
    if (!r)
        return 0;
    CheckTabOpen(r);
    TField *stato = r->FindField(QStringLiteral("Stato"));
    const TBookmark posizione = r->GetBookmark();
    r->DisableControls();
    try {
        Righe.reserve(size_t(std::max(0, r->RecordCount())));
        for (r->First(); !r->Eof(); r->Next()) {
            if (stato && stato->AsInteger() >= 3)
                continue;
            TRigoDocumento rigo;
            TOTDOCS_CostruisciRigo(Param, rigo);
            // text rows carry nothing to total
            if (rigo.IdIva.isEmpty() && rigo.Importo == 0)
                continue;
            Righe.push_back(rigo);
        }
    } catch (...) {
        r->EnableControls();
        throw;
    }
    if (r->BookmarkValid(posizione))
        r->GotoBookmark(posizione);
    r->EnableControls();
    return int(Righe.size());
}

bool TDMICalcoloTotaliDocs::TOTDOCS_Raggruppamento(const TXParam_TotaliDocs &Param, int &RowCount)
{
    RowCount = int(Righe.size());
    for (const TRigoDocumento &rigo : Righe)
        if (!TOTDOCS_RaggruppaRigo(Param, rigo, TOTDOCS_ContoOmaggio(rigo)))
            return false;
    TOTDOCS_ChiudiRaggruppamento(Param);
    return true;
}

QString TDMICalcoloTotaliDocs::TOTDOCS_ContoOmaggio(const TRigoDocumento &)
{
    return IdContoOmaggi;
}

const TDMICalcoloTotaliDocs::CampiRigo &TDMICalcoloTotaliDocs::CampiDelRigo(TDataSet *righe)
{
    if (campiRigo_.righe == righe)
        return campiRigo_;
    const auto f = [righe](const char *nome) { return righe ? righe->FindField(QLatin1String(nome)) : nullptr; };
    campiRigo_ = {righe,          f("TipoRigo"),      f("IdProdotto"),     f("ImportoNetto"), f("IdIva"),
                  f("IdAgente1"), f("Provvigione1"),  f("IdAgente2"),      f("Provvigione2"), f("ImportoNN"),
                  f("IdConto"),   f("IdCentroCosto"), f("DataInizioComp"), f("DataFineComp")};
    return campiRigo_;
}

void TDMICalcoloTotaliDocs::TOTDOCS_CostruisciRigo(const TXParam_TotaliDocs &Param, TRigoDocumento &Rigo)
{
    const CampiRigo &c = CampiDelRigo(Param.Righe);
    const auto testo = [](TField *f) { return f ? f->AsString().trimmed() : QString(); };
    const auto numero = [](TField *f) { return f ? f->AsFloat() : 0.0; };
    Rigo = TRigoDocumento();
    Rigo.TipoRigo = qint16(c.TipoRigo ? c.TipoRigo->AsInteger() : 0);
    Rigo.IdProdotto = testo(c.IdProdotto);
    Rigo.Importo = numero(c.ImportoNetto);
    Rigo.IdIva = testo(c.IdIva);
    Rigo.IdAgente[0] = testo(c.IdAgente1);
    Rigo.Provvigione[0] = numero(c.Provvigione1);
    Rigo.IdAgente[1] = testo(c.IdAgente2);
    Rigo.Provvigione[1] = numero(c.Provvigione2);
    Rigo.BaseProvv1 = Rigo.Importo;
    Rigo.BaseProvv2 = numero(c.ImportoNN);
    Rigo.IdConto = testo(c.IdConto);
    if (Rigo.IdConto.isEmpty())
        Rigo.IdConto = IdContoForfait;
    Rigo.ImportoConto = Rigo.Importo;
    Rigo.IdCentroCosto = testo(c.IdCentroCosto);
    Rigo.DataInizio = c.DataInizioComp ? c.DataInizioComp->AsDateTime() : QDateTime();
    Rigo.DataFine = c.DataFineComp ? c.DataFineComp->AsDateTime() : QDateTime();
}

// ---- 13 to 15. totals rows and deadlines

void TDMICalcoloTotaliDocs::TOTDOCS_InitRigoTotali(TRigoTotali &Rigo, const QString &TipoRecord, int Progressivo)
{
    Rigo = TRigoTotali();
    Rigo.TipoRecord = TipoRecord;
    Rigo.Progressivo = Progressivo;
}

void TDMICalcoloTotaliDocs::TOTDOCS_ScriviRigoTotali(TXParam_TotaliDocs &Param, const TRigoTotali &Rigo)
{
    TDataSet *tab = Param.TabTotali;
    tab->Append();
    tab->FieldByName(campoChiaveTotali_)->SetValue(chiaveTotali_);
    tab->FieldByName(QStringLiteral("TipoRecord"))->SetAsString(Rigo.TipoRecord);
    tab->FieldByName(QStringLiteral("Progressivo"))->SetAsInteger(Rigo.Progressivo);
    tab->FieldByName(QStringLiteral("Codice"))->SetAsString(Rigo.Codice);
    tab->FieldByName(QStringLiteral("Descrizione"))->SetAsString(Rigo.Descrizione);
    tab->FieldByName(QStringLiteral("Importo1"))->SetAsFloat(Rigo.Importo1);
    tab->FieldByName(QStringLiteral("Importo2"))->SetAsFloat(Rigo.Importo2);
    tab->FieldByName(QStringLiteral("Importo3"))->SetAsFloat(Rigo.Importo3);
    tab->FieldByName(QStringLiteral("Importo4"))->SetAsFloat(Rigo.Importo4);
    tab->FieldByName(QStringLiteral("Percentuale"))->SetAsFloat(Rigo.Percentuale);
    tab->FieldByName(QStringLiteral("DataInizio"))
        ->SetValue(Rigo.DataInizio.isNull() ? QVariant() : QVariant(Rigo.DataInizio));
    tab->FieldByName(QStringLiteral("DataFine"))
        ->SetValue(Rigo.DataFine.isNull() ? QVariant() : QVariant(Rigo.DataFine));
    tab->Post();
}

void TDMICalcoloTotaliDocs::TOTDOCS_ScriviScadenze(TXParam_TotaliDocs &Param)
{
    TRigoTotali r;
    for (size_t i = 0; i < Rate.size(); ++i) {
        TOTDOCS_InitRigoTotali(r, QStringLiteral("SCA"), int(i) + 1);
        r.Codice = Rate[i].IdTipoMovimento;
        r.DataInizio = Rate[i].Data;
        r.Importo1 = Rate[i].Importo;
        r.Importo2 = Rate[i].ImportoNaz;
        r.Importo3 = Rate[i].Bollo;
        TOTDOCS_ScriviRigoTotali(Param, r);
    }
}

// ---- 16 to 22. VAT, withholding, split payment, log, row types

void TDMICalcoloTotaliDocs::TOTDOCS_Scorporo(TXParam_TotaliDocs &Param)
{
    double imponibile = 0, iva = 0, cvlImponibile = 0, cvlIva = 0;
    for (int i = 0; i < NumIva; ++i) {
        TRigoIva &e = Iva[i];
        e.Iva = CalcIva(e.Imponibile, e.Aliquota, Param.DecValore);
        e.CvlIva = FlDivisaEstera ? CalcIva(e.CvlImponibile, e.Aliquota, Param.DecValoreIT) : e.Iva;
        imponibile += e.Imponibile;
        iva += e.Iva;
        cvlImponibile += e.CvlImponibile;
        cvlIva += e.CvlIva;
    }
    Totali.TotImponibile = KRound(imponibile, Param.DecValore);
    Totali.TotIva = KRound(iva, Param.DecValore);
    Totali.CvlImponibile = KRound(cvlImponibile, Param.DecValoreIT);
    Totali.CVLIva = KRound(cvlIva, Param.DecValoreIT);
}

void TDMICalcoloTotaliDocs::TOTDOCS_CalcoliRdA(TXParam_TotaliDocs &) {}

void TDMICalcoloTotaliDocs::TOTDOCS_CalcoliIvaSplit(TXParam_TotaliDocs &Param)
{
    Totali.NettoPagare = KRound(Totali.NettoPagare - Totali.TotIva, Param.DecValore);
    CalcolaRate(Param);
}

void TDMICalcoloTotaliDocs::TOTDOCS_RegistraLog(const QString &Testo)
{
    Log << Testo;
    qWarning().noquote() << "Totali documento:" << Testo;
}

bool TDMICalcoloTotaliDocs::TOTDOCS_FornitoreReverseCharge(const TXParam_TotaliDocs &)
{
    return false;
}

double TDMICalcoloTotaliDocs::TOTDOCS_ImponibileIvaEsclusa(const TXParam_TotaliDocs &Param, double Lordo,
                                                           double Aliquota)
{
    if (!FlDivisaEstera)
        return ScorporaIva(Param.DecValore, Lordo, Aliquota);
    const double nazionale = KRound(Lordo * Param.CambioEuro, Param.DecValoreIT);
    double ivaNazionale = 0;
    const double nettoNazionale = ScorporaIva(Param.DecValoreIT, nazionale, Aliquota, &ivaNazionale);
    double netto = KRound(nettoNazionale / Param.CambioEuro, Param.DecValore);
    const double iva = KRound(ivaNazionale / Param.CambioEuro, Param.DecValore);
    if (CompDec(netto + iva, Lordo, Param.DecValore) != 0)
        netto = KRound(Lordo - iva, Param.DecValore);
    return netto;
}

bool TDMICalcoloTotaliDocs::TOTDOCS_TipoRigoNoScontoTesta(int TipoRigo, int)
{
    const Tipirigo::TRTipoRigo *tipo = TipoDiRigo(TipoRigo);
    return tipo && tipo->FlNoScontoTesta;
}

// ---- 23 to 32. fee notes

void TDMICalcoloTotaliDocs::SPAR_CreaRigoTOA(TXParam_TotaliDocs &) {}
void TDMICalcoloTotaliDocs::SPAR_CreaRigoTCP(TXParam_TotaliDocs &) {}
void TDMICalcoloTotaliDocs::SPAR_CreaRigoTRA(TXParam_TotaliDocs &) {}
void TDMICalcoloTotaliDocs::SPAR_CreaRigoTNP(TXParam_TotaliDocs &) {}
void TDMICalcoloTotaliDocs::SPAR_CreaRigoPNS(TXParam_TotaliDocs &) {}
int TDMICalcoloTotaliDocs::SPAR_GetRighiIva(TXParam_TotaliDocs &)
{
    return 0;
}
void TDMICalcoloTotaliDocs::SPAR_AllineaTotImponibile(TXParam_TotaliDocs &) {}
void TDMICalcoloTotaliDocs::SPAR_AllineaScadenze(TXParam_TotaliDocs &) {}
void TDMICalcoloTotaliDocs::SPAR_TotaliParcellazione(TXParam_TotaliDocs &) {}
double TDMICalcoloTotaliDocs::SPAR_CalcolaImportoNN(TXParam_TotaliDocs &)
{
    return 0;
}

// ---- the grouping

bool TDMICalcoloTotaliDocs::TOTDOCS_RaggruppaRigo(const TXParam_TotaliDocs &Param, const TRigoDocumento &Rigo,
                                                  const QString &ContoOmaggio)
{
    // VAT entry
    int i = 0;
    while (i < NumIva && !Iva[i].IdIva.isEmpty() && Iva[i].IdIva != Rigo.IdIva)
        ++i;
    const bool nuova = i >= NumIva;
    if (nuova) {
        if (i >= MaxIva)
            return LimiteSuperato(MaxIva, QStringLiteral(" codici Iva") + kCoda);
        TDMIBase *dm = TDMIBase::Crea();
        if (!TDMIBase::Posiziona(dm->lkCodiciIva, QStringLiteral("IdIva"), {Rigo.IdIva}))
            throw Exception(Descrizione + QStringLiteral("Codice Iva <%1> del rigo non esistente").arg(Rigo.IdIva));
        RiempiIva(Iva[i], Rigo.IdIva);
    }
    TRigoIva &e = Iva[i];
    // row type
    const Tipirigo::TRTipoRigo *tipo = TipoDiRigo(Rigo.TipoRigo);
    if (!tipo)
        throw Exception(Descrizione + QStringLiteral("Tipo rigo non valido nel documento: ")
                        + QString::number(Rigo.TipoRigo));
    const int classe = tipo->FlClasse;
    const bool omaggio = classe == Tipirigo::crOmaggio || classe == Tipirigo::crOmaggioRivalsa;
    // VAT accumulators
    if (classe == Tipirigo::crFuoriCampo || omaggio) {
        e.ImportoClassi += Rigo.Importo;
        e.CvlImportoClassi += TOTDOCS_Cvl(Param, Rigo.Importo);
        if (omaggio)
            e.Omaggi += Rigo.Importo;
    } else {
        e.Imponibile += Rigo.Importo;
        e.CvlImponibile += TOTDOCS_Cvl(Param, Rigo.Importo);
    }
    const bool noSconto = TOTDOCS_TipoRigoNoScontoTesta(Rigo.TipoRigo, 1);
    if (noSconto)
        e.EsenteSconto += Rigo.Importo;
    if (Rigo.Flag)
        e.ImportoFlag += Rigo.Importo;
    if (nuova)
        NumIva = i + 1;
    // the row's net amount
    double netto = Rigo.ImportoConto;
    if (classe != Tipirigo::crFuoriCampo && Param.FlScorporo)
        netto = TOTDOCS_ImponibileIvaEsclusa(Param, Rigo.Importo, e.AliqScorporo);
    if (classe != Tipirigo::crFuoriCampo) {
        // accounts, cost centres
        if (!SommaConto(Rigo.IdConto, Rigo.DataInizio, Rigo.DataFine, netto, noSconto))
            return false;
        if (!SommaCentro(Rigo.IdConto, Rigo.DataInizio, Rigo.DataFine, Rigo.IdCentroCosto, netto, noSconto, false))
            return false;
        // gift counter-entry
        if (omaggio) {
            if (!SommaConto(ContoOmaggio, Rigo.DataInizio, Rigo.DataFine, -netto, noSconto))
                return false;
            if (!SommaCentro(IdContoOmaggi, Rigo.DataInizio, Rigo.DataFine, Rigo.IdCentroCosto, -netto, noSconto, true))
                return false;
        }
    }
    // commission groups
    if (!Param.FlProvvigioni)
        return true;
    for (int a = 0; a < 3; ++a) {
        const QString &agente = Rigo.IdAgente[a];
        const double perc = Rigo.Provvigione[a];
        if (agente.isEmpty() || CompDec(perc, 0, 2) == 0)
            continue;
        int p = 0;
        while (p < NumProvvigioni && !(Provvigioni[p].IdAgente == agente && Provvigioni[p].Percentuale == perc))
            ++p;
        if (p >= NumProvvigioni) {
            if (p >= MaxProvvigioni)
                return LimiteSuperato(MaxProvvigioni, QStringLiteral(" gruppi provvigioni") + kCoda);
            Provvigioni[p] = TRigoProvvigione();
            Provvigioni[p].IdAgente = agente;
            Provvigioni[p].Percentuale = perc;
            TDMIBPra::Crea()->DatiProvvigione(agente, Provvigioni[p].Dati);
            NumProvvigioni = p + 1;
        }
        double base = Provvigioni[p].Dati.BaseImporto ? Rigo.BaseProvv1 : Rigo.BaseProvv2;
        if (Param.FlScorporo)
            base = TOTDOCS_ImponibileIvaEsclusa(Param, base, e.AliqScorporo);
        Provvigioni[p].Base += base;
    }
    return true;
}

void TDMICalcoloTotaliDocs::TOTDOCS_ChiudiRaggruppamento(const TXParam_TotaliDocs &Param)
{
    double lordo = 0, esente = 0;
    for (int i = 0; i < NumIva; ++i) {
        TRigoIva &e = Iva[i];
        if (Param.FlScorporo && e.AliqScorporo != 0 && (e.Imponibile != 0 || e.ImportoClassi != 0)) {
            e.Imponibile = TOTDOCS_ImponibileIvaEsclusa(Param, e.Imponibile, e.AliqScorporo);
            e.ImportoClassi = TOTDOCS_ImponibileIvaEsclusa(Param, e.ImportoClassi, e.AliqScorporo);
            e.Omaggi = TOTDOCS_ImponibileIvaEsclusa(Param, e.Omaggi, e.AliqScorporo);
            e.EsenteSconto = TOTDOCS_ImponibileIvaEsclusa(Param, e.EsenteSconto, e.AliqScorporo);
            e.CvlImponibile = TOTDOCS_Cvl(Param, e.Imponibile);
            e.CvlImportoClassi = TOTDOCS_Cvl(Param, e.ImportoClassi);
        }
        e.ImponibileLordo = e.Imponibile;
        // the part of the taxable amount that the head discounts leave (rows of other classes
        // may be exempt too, but are not taxable)
        e.EsenteScontoLordo = std::min(e.EsenteSconto, e.Imponibile);
        lordo += e.Imponibile;
        esente += e.EsenteScontoLordo;
    }
    Totali.TotMerceLordo = KRound(lordo, Param.DecValore);
    Totali.TotMerceEsenteSconto = KRound(esente, Param.DecValore);
    // the accounts total the taxable amount: a gift row's account and its counter-entry cancel
    // out, so the first account takes only the rounding of the VAT extraction
    Totali.TotControllo = Totali.TotMerceLordo;
    double conti = 0;
    for (int i = 0; i < NumConti; ++i)
        conti += Conti[i].Importo;
    if (NumConti > 0 && CompDec(conti, Totali.TotControllo, Param.DecValore) != 0)
        Conti[0].Importo = KRound(Conti[0].Importo + Totali.TotControllo - conti, Param.DecValore);
    double prodotti = 0, ricavi = 0;
    for (const TRigoDocumento &r : Righe) {
        const Tipirigo::TRTipoRigo *tipo = TipoDiRigo(r.TipoRigo);
        if (!tipo || tipo->FlClasse != Tipirigo::crMerce)
            continue;
        (r.IdProdotto.isEmpty() ? ricavi : prodotti) += r.Importo;
    }
    Totali.TotProdotti = KRound(prodotti, Param.DecValore);
    Totali.TotRicavi = KRound(ricavi, Param.DecValore);
    for (int p = 0; p < NumProvvigioni; ++p) {
        Provvigioni[p].Base = KRound(Provvigioni[p].Base, Param.DecValore);
        Provvigioni[p].Provvigione = KRound(Provvigioni[p].Base * Provvigioni[p].Percentuale / 100.0, Param.DecValore);
    }
}

int TDMICalcoloTotaliDocs::TOTDOCS_TrovaIva(const QString &IdIva) const
{
    for (int i = 0; i < NumIva; ++i)
        if (Iva[i].IdIva == IdIva)
            return i;
    return -1;
}

bool TDMICalcoloTotaliDocs::TOTDOCS_AggiungiIva(const QString &IdIva, double Importo, double CvlImporto)
{
    int i = TOTDOCS_TrovaIva(IdIva);
    if (i < 0) {
        if (NumIva >= MaxIva)
            return LimiteSuperato(MaxIva, QStringLiteral(" codici Iva") + kCoda);
        i = NumIva++;
        RiempiIva(Iva[i], IdIva);
    }
    Iva[i].Imponibile += Importo;
    Iva[i].CvlImponibile += CvlImporto;
    return true;
}

double TDMICalcoloTotaliDocs::TOTDOCS_Cvl(const TXParam_TotaliDocs &Param, double Importo) const
{
    return FlDivisaEstera ? KRound(Importo * Param.CambioEuro, Param.DecValoreIT) : Importo;
}

// ---- private

void TDMICalcoloTotaliDocs::RiempiIva(TRigoIva &e, const QString &IdIva)
{
    e = TRigoIva();
    e.IdIva = IdIva;
    TDMIBase *dm = TDMIBase::Crea();
    if (!TDMIBase::Posiziona(dm->lkCodiciIva, QStringLiteral("IdIva"), {IdIva}))
        return;
    TXlkTable *t = dm->lkCodiciIva;
    e.Aliquota = t->FieldByName(QStringLiteral("Aliquota"))->AsFloat();
    e.FlOmaggio = t->FieldByName(QStringLiteral("FlOmaggio"))->AsInteger();
    e.FlLiquidazione = t->FieldByName(QStringLiteral("FlLiquidazione"))->AsInteger();
    e.Indetraibilita = t->FieldByName(QStringLiteral("Indetraibilita"))->AsFloat();
    const double ventilazione = t->FieldByName(QStringLiteral("AliqVentilaz"))->AsFloat();
    e.AliqScorporo = ventilazione != 0 ? ventilazione : e.Aliquota;
}

const Tipirigo::TRTipoRigo *TDMICalcoloTotaliDocs::TipoDiRigo(int TipoRigo)
{
    const int codice = std::abs(TipoRigo);
    auto it = tipiRigo_.find(codice);
    if (it == tipiRigo_.end())
        it = tipiRigo_.emplace(codice, Tipirigo::TRGetTipoRigo(codTipoDoc_, 0, codice)).first;
    return it->second ? &*it->second : nullptr;
}

bool TDMICalcoloTotaliDocs::LimiteSuperato(int limite, const QString &coda)
{
    UltimoMessaggio = QStringLiteral("Attenzione: il documento <") + Descrizione + QStringLiteral("> contiene più di ")
                      + QString::number(limite) + coda;
    Notices::Tell(UltimoMessaggio, TNoticeKind::Information);
    TOTDOCS_RegistraLog(UltimoMessaggio);
    return false;
}

bool TDMICalcoloTotaliDocs::SommaConto(const QString &conto, const QDateTime &dal, const QDateTime &al, double importo,
                                       bool noSconto)
{
    int c = 0;
    while (c < NumConti && !(Conti[c].IdConto == conto && Conti[c].DataInizio == dal && Conti[c].DataFine == al))
        ++c;
    if (c >= NumConti) {
        if (c >= MaxConti)
            return LimiteSuperato(MaxConti, QStringLiteral(" sottoconti di costo/ricavo") + kCoda);
        Conti[c] = TRigoConto{conto, dal, al, 0, 0};
        NumConti = c + 1;
    }
    Conti[c].Importo += importo;
    if (noSconto)
        Conti[c].EsenteSconto += importo;
    return true;
}

bool TDMICalcoloTotaliDocs::SommaCentro(const QString &conto, const QDateTime &dal, const QDateTime &al,
                                        const QString &centro, double importo, bool noSconto, bool sempre)
{
    int c = 0;
    while (c < NumCentri && !(Centri[c].IdConto.isEmpty() && Centri[c].IdCentroCosto.isEmpty())
           && !(Centri[c].IdConto == conto && Centri[c].DataInizio == dal && Centri[c].DataFine == al
                && Centri[c].IdCentroCosto == centro))
        ++c;
    if (c >= NumCentri) {
        if (!sempre && (conto.isEmpty() || centro.isEmpty()))
            return true;
        if (c >= MaxCentri)
            return LimiteSuperato(MaxCentri, QStringLiteral(" centri di costo/ricavo") + kCoda);
        Centri[c] = TRigoCentro{conto, dal, al, centro, 0, 0};
        NumCentri = c + 1;
    }
    Centri[c].Importo += importo;
    if (noSconto)
        Centri[c].EsenteSconto += importo;
    return true;
}

void TDMICalcoloTotaliDocs::ApplicaEsenzione(const TXParam_TotaliDocs &Param)
{
    const QString esenzione = Param.IdEsenzione;
    if (esenzione.isEmpty() || NumIva == 0)
        return;
    TDMIBase *dm = TDMIBase::Crea();
    if (!TDMIBase::Posiziona(dm->lkCodiciIva, QStringLiteral("IdIva"), {esenzione}))
        throw Exception(Descrizione + QStringLiteral("Codice esenzione Iva <%1> non esistente").arg(esenzione));
    TRigoIva unita;
    RiempiIva(unita, esenzione);
    for (int i = 0; i < NumIva; ++i) {
        const TRigoIva &e = Iva[i];
        unita.Imponibile += e.Imponibile;
        unita.ImportoClassi += e.ImportoClassi;
        unita.Omaggi += e.Omaggi;
        unita.EsenteSconto += e.EsenteSconto;
        unita.ImportoFlag += e.ImportoFlag;
        unita.ImponibileLordo += e.ImponibileLordo;
        unita.EsenteScontoLordo += e.EsenteScontoLordo;
        unita.CvlImponibile += e.CvlImponibile;
        unita.CvlImportoClassi += e.CvlImportoClassi;
        Iva[i] = TRigoIva();
    }
    Iva[0] = unita;
    NumIva = 1;
}

bool TDMICalcoloTotaliDocs::AggiungiSpesa(const QString &IdIva, double importo, double &totale, double &cvl,
                                          const TXParam_TotaliDocs &Param, const QString &nome)
{
    totale = KRound(importo, Param.DecValore);
    cvl = TOTDOCS_Cvl(Param, totale);
    if (CompDec(totale, 0, Param.DecValore) == 0)
        return true;
    TDMIBase *dm = TDMIBase::Crea();
    if (IdIva.isEmpty() || !TDMIBase::Posiziona(dm->lkCodiciIva, QStringLiteral("IdIva"), {IdIva}))
        throw Exception(QStringLiteral("%1 Codice Iva %2 <%3> non esistente").arg(Descrizione, nome, IdIva));
    // expenses stay out of the goods amounts that the head discounts reduce
    return TOTDOCS_AggiungiIva(IdIva, totale, cvl);
}

void TDMICalcoloTotaliDocs::CalcolaRate(TXParam_TotaliDocs &Param)
{
    Rate.clear();
    const int date = TOTDOCS_InternalTestScadenzario(Param);
    if (date > 0) {
        for (const TScadenzaDoc &s : Param.Scadenze) {
            if (s.Data.isNull())
                continue;
            TRata r;
            r.Data = s.Data;
            r.IdTipoMovimento = TipoMovPagamento;
            r.Importo = s.Importo;
            r.ImportoNaz = s.ImportoNaz != 0 ? s.ImportoNaz : TOTDOCS_Cvl(Param, s.Importo);
            Rate.push_back(r);
        }
        TOTDOCS_InternalControlloScadenze(Param);
        return;
    }
    TDMIBase *dm = TDMIBase::Crea();
    const QString pagamento = Param.IdPagamento.trimmed();
    QVector<int> decorrenze;
    if (!pagamento.isEmpty() && TDMIBase::Posiziona(dm->lkPagamenti, QStringLiteral("IdPagamento"), {pagamento}))
        for (const TRigoPagamento &riga : RighePagamento(Param, pagamento))
            decorrenze << riga.Decorrenza;
    QVector<QDateTime> scadenze;
    int n = CalcoloScadenze(dm, Param.DataDocumento, Param.DataPagamento, Param.IdPagamento, decorrenze, scadenze);
    if (n <= 0) {
        n = 1;
        scadenze[0] = Param.DataPagamento.isNull() ? Param.DataDocumento : Param.DataPagamento;
    }
    QVector<double> percentuali;
    for (int i = 0; i < n; ++i)
        percentuali << (size_t(i) < ratePagamento_.size() ? ratePagamento_[size_t(i)].Percentuale : 0.0);
    const QVector<double> importi = KRate(Totali.NettoPagare, percentuali, Param.DecValore);
    for (int i = 0; i < n; ++i) {
        TRata r;
        r.Data = scadenze[i];
        r.IdTipoMovimento =
            size_t(i) < ratePagamento_.size() ? ratePagamento_[size_t(i)].IdTipoMovimento : TipoMovPagamento;
        r.Percentuale = percentuali[i];
        r.SpeseIncasso = size_t(i) < ratePagamento_.size() && ratePagamento_[size_t(i)].SpeseIncasso;
        r.Importo = importi[i];
        r.ImportoNaz = TOTDOCS_Cvl(Param, r.Importo);
        Rate.push_back(r);
    }
}

const std::vector<TRigoPagamento> &TDMICalcoloTotaliDocs::RighePagamento(const TXParam_TotaliDocs &Param,
                                                                         const QString &IdPagamento)
{
    std::map<QString, std::vector<TRigoPagamento>> &lette =
        Param.RighePagamenti ? *Param.RighePagamenti : righePagamenti_;
    auto it = lette.find(IdPagamento);
    if (it != lette.end())
        return it->second;
    std::vector<TRigoPagamento> righe;
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT Decorrenza, IdTipoMovimento, Percentuale FROM PagamentiD WHERE IdPagamento = ? "
                       "ORDER BY NumRata"),
        {IdPagamento});
    while (q.next())
        righe.push_back({q.value(0).toInt(), q.value(1).toString().trimmed(), q.value(2).toDouble()});
    return lette.emplace(IdPagamento, std::move(righe)).first->second;
}

void TDMICalcoloTotaliDocs::ScriviRateDataset(TXParam_TotaliDocs &Param, TDataSet *dataSet, bool daRecord)
{
    for (int n = 1; n <= 12; ++n) {
        TField *data = dataSet->FindField(QStringLiteral("Scadenza") + Due(n));
        TField *rata = dataSet->FindField(QStringLiteral("Rata") + Due(n));
        QDateTime quando;
        double importo = 0;
        if (daRecord) {
            quando = Param.Scadenze[size_t(n - 1)].Data;
            importo = Param.Scadenze[size_t(n - 1)].Importo;
        } else if (size_t(n) <= Rate.size()) {
            quando = Rate[size_t(n - 1)].Data;
            importo = Rate[size_t(n - 1)].Importo;
        }
        if (data)
            data->SetValue(quando.isNull() ? QVariant() : QVariant(quando));
        if (rata)
            rata->SetAsFloat(importo);
    }
}

// ---- the unit's routines

namespace Calcolototalidocs {

std::unique_ptr<TDMICalcoloTotaliDocs> CreaMotore()
{
    const ClassRef classe = Kv8datamodule::XGetDataModuleClass(ClassRef::Of<TDMICalcoloTotaliDocs>());
    return std::unique_ptr<TDMICalcoloTotaliDocs>(classe.CreateAs<TDMICalcoloTotaliDocs>(nullptr));
}

bool TOTDOCS_Calcola(TXParam_TotaliDocs &Param, bool Flag)
{
    return CreaMotore()->TOTDOCS_InternalCalcola(Param, Flag);
}

bool TOTDOCS_LeggiScadenze(TXParam_TotaliDocs &Param, int CodTipoDoc, qint64 Chiave, TDataSet *tabScadenze)
{
    return CreaMotore()->TOTDOCS_InternalLeggiScadenze(Param, CodTipoDoc, Chiave, tabScadenze);
}

void TOTDOCS_SalvaScadenzario(TXParam_TotaliDocs &Param, TDataSet *dataSet)
{
    CreaMotore()->TOTDOCS_InternalSalvaScadenzario(Param, dataSet);
}

int TOTDOCS_TestScadenzario(TXParam_TotaliDocs &Param)
{
    return CreaMotore()->TOTDOCS_InternalTestScadenzario(Param);
}

QString TabellaTotali(int CodTipoDoc)
{
    switch (CodTipoDoc) {
    case 0:
        return QStringLiteral("BolleCliTot");
    case 1:
        return QStringLiteral("FattureCliTot");
    case 10:
        return QStringLiteral("BolleForTot");
    case 101:
        return QStringLiteral("PAParcelleTot");
    default:
        return QString();
    }
}

QString ChiaveTesta(int CodTipoDoc)
{
    switch (CodTipoDoc) {
    case 0:
        return QStringLiteral("KBolleCliT");
    case 1:
        return QStringLiteral("KFattCliT");
    case 2:
        return QStringLiteral("KOrdiniCliT");
    case 4:
        return QStringLiteral("KOfferteCliT");
    case 6:
        return QStringLiteral("KVenditaDettT");
    case 10:
        return QStringLiteral("KBolleForT");
    case 11:
        return QStringLiteral("KFattForT");
    case 13:
        return QStringLiteral("KFattAutT");
    case 101:
        return QStringLiteral("KParcellaT");
    default:
        return QString();
    }
}

} // namespace Calcolototalidocs
