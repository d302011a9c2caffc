#include "engine/Lumo_funzdocven.h"

#include "engine/Lumo_dlgdocbac.h"
#include "engine/Lumo_dlgdocbacacq.h"
#include "frame/Dmilumo.h"
#include "frame/Lumo_funzioni.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/Notices.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"

#include <QSqlQuery>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

bool InModifica(const TDataSet *d)
{
    return d->State() == dsEdit || d->State() == dsInsert;
}

bool HaArticolo(const TDataSet *righe)
{
    return !righe->FieldByName(QStringLiteral("IdProdotto"))->AsString().isEmpty();
}

double Valore(const TDataSet *d, const QString &campo)
{
    return d->FieldByName(campo)->AsFloat();
}

// A code of the record as it is bound: an empty code is the empty text, never NULL.
QString Codice(const TDataSet *d, const QString &campo)
{
    const QString codice = d->FieldByName(campo)->AsString();
    return codice.isNull() ? QString(QLatin1String("")) : codice;
}

// Runs a pass over the rows with their controls disabled, from the first row to the last.
template <class F> void PerOgniRiga(TDataSet *righe, F &&passo)
{
    righe->DisableControls();
    try {
        righe->First();
        while (!righe->Eof()) {
            passo();
            righe->Next();
        }
    } catch (...) {
        righe->EnableControls();
        throw;
    }
    righe->EnableControls();
}

} // namespace

// ---- lookup fields of the document rows

void UT_LMQ_DVEN_CampiLookupRighe(TDataSet *Righe)
{
    TDMIBase *base = TDMIBase::Crea();
    const QString prodotto = QStringLiteral("IdProdotto");
    Righe->AddLookupField(QStringLiteral("_UT_LMQ_IdBottiglia"), ftString, 5, base->lkArticoli, prodotto, prodotto,
                          QStringLiteral("UT_LMQ_IdBottiglia"));
    Righe->AddLookupField(QStringLiteral("_UT_LMQ_FlTipArt"), ftSmallint, 0, base->lkArticoli, prodotto, prodotto,
                          QStringLiteral("UT_LMQ_FlTipArt"));
    Righe->AddLookupField(QStringLiteral("_UT_IdCategoria"), ftString, 8, base->lkArticoli, prodotto, prodotto,
                          QStringLiteral("IdCategoria"));
    Righe->AddLookupField(QStringLiteral("_UT_LMQ_QtaImballo"), ftFloat, 0, base->lkArticoli, prodotto, prodotto,
                          QStringLiteral("QtaImballo"));
    Righe->AddLookupField(QStringLiteral("_UT_LMQ_FlPrzLit"), ftSmallint, 0, base->lkArticoli, prodotto, prodotto,
                          QStringLiteral("UT_LMQ_FlPrzLit"));
    Righe->AddLookupField(QStringLiteral("_UT_LMQ_Capacita"), ftFloat, 0, DMILUMO->lkLUMO_Bottiglie,
                          QStringLiteral("_UT_LMQ_IdBottiglia"), QStringLiteral("IdBottiglia"),
                          QStringLiteral("Capacita"));
    Funzioni::CheckTabOpen(base->lkArticoli);
    Funzioni::CheckTabOpen(DMILUMO->lkLUMO_Bottiglie);
}

// ---- quantities, litres and parcels

namespace Lumo_funzdocven {

void CalcolaQuantita(TField *Sender, int Divisore, const QString &CampoQuantita, const QString &CampoPezzi)
{
    TDataSet *riga = Sender->DataSet();
    if (!InModifica(riga))
        riga->Edit();
    TField *pezzi = riga->FieldByName(CampoPezzi);
    if (Funzioni::CompDec(pezzi->AsFloat(), 0, KFormati::GetDecimali(KFormati::fnQuantita2)) == 0)
        pezzi->SetAsFloat(1);
    double quantita = pezzi->AsFloat() * Valore(riga, QStringLiteral("Lunghezza"));
    switch (riga->FieldByName(QStringLiteral("_FlTipoMisure"))->AsInteger()) {
    case 2:
        quantita *= Valore(riga, QStringLiteral("Larghezza"));
        break;
    case 3:
        // a divisor that is not set counts as 1, never as a division by zero
        quantita = quantita * Valore(riga, QStringLiteral("Larghezza")) * Valore(riga, QStringLiteral("Altezza"))
                   / (Divisore > 0 ? Divisore : 1);
        break;
    default:
        break;
    }
    riga->FieldByName(CampoQuantita)
        ->SetAsFloat(Funzioni::KRound(quantita, KFormati::GetDecimali(KFormati::fnQuantita)));
}

double LitriDi(TDataSet *Righe, double Quantita)
{
    // a bulk article is kept in litres
    if (Righe->FieldByName(QStringLiteral("_UT_LMQ_FlTipArt"))->AsInteger() == 4)
        return Quantita;
    return Quantita * Valore(Righe, QStringLiteral("_UT_LMQ_Capacita"));
}

} // namespace Lumo_funzdocven

void UT_LMQ_DVEN_CalcoloQuantita(TField *Sender, int Divisore)
{
    Lumo_funzdocven::CalcolaQuantita(Sender, Divisore, QStringLiteral("Quantita"), QStringLiteral("Quantita2"));
}

void UT_LMQ_DVEN_TotLitriRiga(TDataSet *Righe)
{
    if (!HaArticolo(Righe) || !InModifica(Righe))
        return;
    Righe->FieldByName(QStringLiteral("UT_LMQ_TotLit"))
        ->SetAsFloat(Lumo_funzdocven::LitriDi(Righe, Valore(Righe, QStringLiteral("Quantita"))));
}

void UT_LMQ_DVEN_TotLitriDoc(TDataSet *Testa, TDataSet *Righe)
{
    TField *totale = Testa->FieldByName(QStringLiteral("UT_LMQ_TotLit"));
    totale->SetAsFloat(0);
    double litri = 0;
    PerOgniRiga(Righe, [&] { litri += Valore(Righe, QStringLiteral("UT_LMQ_TotLit")); });
    totale->SetAsFloat(litri);
}

void UT_LMQ_DVEN_TotNumCol(TDataSet *Testa, TDataSet *Righe, const QString &SiglaDoc)
{
    TDMIBase *base = TDMIBase::Crea();
    TXlkTable *causali = SiglaDoc == QLatin1String("FAT") ? base->lkCausFattCli : base->lkCausBolleCli;
    // a causal that is not in its table leaves the count as typed
    if (!TDMIBase::Posiziona(causali, QStringLiteral("IdCausale"),
                             {Testa->FieldByName(QStringLiteral("IdCausale"))->AsString()}))
        return;
    const int modo = causali->FieldByName(QStringLiteral("UT_LMQ_FlNumCol"))->AsInteger();
    if (modo == 0)
        return;
    const int decimali = KFormati::GetDecimali(KFormati::fnQuantita);
    double colli = 0;
    PerOgniRiga(Righe, [&] {
        if (!HaArticolo(Righe))
            return;
        const double confezioni = Valore(Righe, QStringLiteral("Lunghezza"));
        if (modo == 1)
            colli += Funzioni::CompDec(confezioni, 0, decimali) != 0 ? confezioni
                                                                     : Valore(Righe, QStringLiteral("Quantita"));
        else if (modo == 2)
            colli += Valore(Righe, QStringLiteral("Quantita"));
    });
    Testa->FieldByName(QStringLiteral("NumeroColli"))->SetAsFloat(colli);
}

// ---- document-data dialogs

namespace {

// Loads the dialog's record from the row, shows it modally, writes back what a row in edit
// or insert takes, and frees the dialog.
template <class Dialogo>
void MostraDatiDocumento(std::unique_ptr<Dialogo> dialogo, TDataSet *Righe, const QStringList &campi,
                         const QStringList &colonne)
{
    const bool modifica = InModifica(Righe);
    TXMemTable *pars = dialogo->tPars;
    pars->Open();
    if (pars->IsEmpty())
        pars->Append();
    else
        pars->Edit();
    dialogo->Caricamento = true;
    try {
        for (qsizetype i = 0; i < campi.size(); ++i)
            pars->FieldByName(campi[i])->SetValue(Righe->FieldByName(colonne[i])->Value());
    } catch (...) {
        dialogo->Caricamento = false;
        throw;
    }
    dialogo->Caricamento = false;
    dialogo->ShowModal();
    if (!modifica)
        return;
    // what a control still holds counts; a refused code keeps the field's value
    try {
        pars->UpdateRecord();
    } catch (const Exception &) {
    }
    const QStringList ripresi = {QStringLiteral("NumDoco"), QStringLiteral("DataDoc"), QStringLiteral("IdImballo1"),
                                 QStringLiteral("IdImballo2")};
    for (qsizetype i = 0; i < campi.size(); ++i)
        if (ripresi.contains(campi[i]))
            Righe->FieldByName(colonne[i])->SetValue(pars->FieldByName(campi[i])->Value());
}

} // namespace

void UT_LMQ_DVEN_DlgDuSa(TDataSet *, TDataSet *Righe, QWidget *Owner)
{
    std::unique_ptr<Tflumo_dlgDocBac> dialogo(
        CreateObjectAs<Tflumo_dlgDocBac>(ClassRef::Of<Tflumo_dlgDocBac>(), Owner));
    TXMemTable *pars = dialogo->tPars;
    for (const char *campo : {"IdBottiglia", "Capacita", "PrezzoTra"})
        pars->FieldByName(QLatin1String(campo))->SetReadOnly(true);
    for (const char *campo : {"NumDoco", "DataDoc"})
        pars->FieldByName(QLatin1String(campo))->SetReadOnly(!InModifica(Righe));
    MostraDatiDocumento(std::move(dialogo), Righe,
                        {QStringLiteral("NumDoco"), QStringLiteral("DataDoc"), QStringLiteral("IdImballo1"),
                         QStringLiteral("IdImballo2"), QStringLiteral("PrezzoTra"), QStringLiteral("IdBottiglia"),
                         QStringLiteral("Capacita")},
                        {QStringLiteral("UT_LMQ_NumDoco"), QStringLiteral("UT_LMQ_DataDoco"),
                         QStringLiteral("UT_LMQ_IdImballo1"), QStringLiteral("UT_LMQ_IdImballo2"),
                         QStringLiteral("UT_LMQ_PrezzoTra"), QStringLiteral("_UT_LMQ_IdBottiglia"),
                         QStringLiteral("_UT_LMQ_Capacita")});
}

void UT_LMQ_DVEN_DlgDuSaAcq(TDataSet *, TDataSet *Righe, QWidget *Owner)
{
    const ClassRef classe = Dlgbase::XGetDialogClass(ClassRef::Of<Tflumo_dlgDocBacAcq>());
    MostraDatiDocumento(std::unique_ptr<Tflumo_dlgDocBacAcq>(CreateObjectAs<Tflumo_dlgDocBacAcq>(classe, Owner)), Righe,
                        {QStringLiteral("IdImballo1"), QStringLiteral("IdImballo2")},
                        {QStringLiteral("UT_LMQ_IdImballo1"), QStringLiteral("UT_LMQ_IdImballo2")});
}

// ---- transport cost

namespace {

// The lines of the reference-row query for the document; the codes are parameters.
QStringList TestoRiferimenti(TXDatabase &db, const QDateTime &data, int destinazione)
{
    const QString giorno = db.FormatDataSQL(data);
    const QString destinatario =
        destinazione != 0
            ? QStringLiteral(" ((LTD.IdDestinazione = :IdDestinazione AND  LTD.IdConto = :IdCliente ) OR"
                             " (LTD.IdDestinazione = 0 AND  LTD.IdConto = :IdCliente ) OR "
                             " (LTD.IdDestinazione = 0 AND  LTD.IdConto = '' )) ")
            : QStringLiteral(" (LTD.IdDestinazione = 0 AND  (LTD.IdConto = :IdCliente OR LTD.IdConto = '') ) ");
    return {
        QStringLiteral("Select LTD.*, LTT.KListTraT from LUMO_ListTraD as LTD "
                       " Left Join LUMO_ListTraT LTT ON LTT.KListTraT = LTD.KListTraT "),
        QStringLiteral(
            "WHERE LTT.DataInizio <= %1 AND LTT.DataFine >= %1 AND LTT.IdDivisa = :IdDivisa AND "
            "LTD.FlTipoGest = :FlTipoGest AND  (  (LTD.IdSpedizione = :IdSpedizione OR  LTD.IdSpedizione = '') "
            "AND  (LTD.IdZona = :IdZona OR  LTD.IdZona = '') AND %2 ) ")
            .arg(giorno, destinatario),
        // empty codes and destination 0 first: the last row is the most specific; the keys
        // settle rows that tie
        QStringLiteral(" ORDER BY LTD.IdSpedizione, LTD.IdDestinazione, LTD.IdConto , LTD.IdZona, LTD.KListTraT, "
                       "LTD.KListTraD"),
    };
}

// The amount less the first count discounts Sconto1.. of the dataset, each on what the one
// before left, then rounded.
double Scontato(double importo, const TDataSet *d, int numero, int decimali)
{
    for (int i = 1; i <= qBound(0, numero, 5); ++i)
        importo += Valore(d, QStringLiteral("Sconto%1").arg(i)) * CFG.SegnoSconti * importo / 100;
    return Funzioni::KRound(importo, decimali);
}

void CalcolaTrasporto(TDataSet *Testa, TDataSet *Righe, TDataSet *Totali, int FlTipoGest)
{
    TDMIBase *base = TDMIBase::Crea();
    const int gestioneCliente = Testa->FieldByName(QStringLiteral("_UT_LMQ_FlGesTraCli"))->AsInteger();
    const int gestioneCausale = Testa->FieldByName(QStringLiteral("_UT_LMQ_FlTipoGest"))->AsInteger();
    const QString divisa = Funzioni::DivisaDocumento(Codice(Testa, QStringLiteral("IdDivisa")));
    const QDateTime data = Testa->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime();
    const int destinazione = Testa->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
    const int decimali = Funzioni::LeggiDecimaliDivisa(base->lkDivise, divisa).Valore;
    TField *spese = Testa->FieldByName(QStringLiteral("SpeseTrasporto"));

    TXQuery *riferimenti = DMILUMO->qLUMO_ListTra;
    riferimenti->Close();
    riferimenti->SQL = TestoRiferimenti(riferimenti->Database(), data, destinazione);
    riferimenti->ParamByName(QStringLiteral("IdDivisa"))->SetAsString(divisa);
    riferimenti->ParamByName(QStringLiteral("FlTipoGest"))->SetAsInteger(gestioneCausale == 1 ? 1 : 0);
    riferimenti->ParamByName(QStringLiteral("IdSpedizione"))
        ->SetAsString(Codice(Testa, QStringLiteral("IdSpedizione1")));
    riferimenti->ParamByName(QStringLiteral("IdZona"))->SetAsString(Codice(Testa, QStringLiteral("IdZona")));
    riferimenti->ParamByName(QStringLiteral("IdCliente"))->SetAsString(Codice(Testa, QStringLiteral("IdCliente")));
    if (destinazione != 0)
        riferimenti->ParamByName(QStringLiteral("IdDestinazione"))->SetAsInteger(destinazione);
    riferimenti->Open();

    if (FlTipoGest == 1) {
        // one charge on the totals, from the most specific row
        if (!riferimenti->IsEmpty()) {
            riferimenti->Last();
            const double importo = Valore(riferimenti, QStringLiteral("SpeseTrasporto"));
            const double percentuale = Valore(riferimenti, QStringLiteral("PercSpesa"));
            if (importo != 0) {
                spese->SetAsFloat(importo);
            } else if (percentuale != 0) {
                const double imponibile = Valore(Totali, gestioneCliente == 5 ? QStringLiteral("TotMerceNetto3")
                                                                              : QStringLiteral("TotMerceLordo"));
                spese->SetAsFloat(Funzioni::KRound(imponibile * percentuale / 100, decimali));
            }
        }
    } else if (!riferimenti->IsEmpty()) {
        // list prices of the rows, from the list of the first row
        riferimenti->First();
        const int listino = riferimenti->FieldByName(QStringLiteral("KListTraT"))->AsInteger();
        TXQuery *articoli = DMILUMO->qLUMO_ListTraR;
        PerOgniRiga(Righe, [&] {
            if (!HaArticolo(Righe))
                return;
            articoli->Close();
            articoli->ParamByName(QStringLiteral("KListTraT"))->SetAsInteger(listino);
            articoli->ParamByName(QStringLiteral("DataDocI"))->SetAsDateTime(data);
            articoli->ParamByName(QStringLiteral("DataDocF"))->SetAsDateTime(data);
            articoli->ParamByName(QStringLiteral("IdCategoria"))
                ->SetAsString(Codice(Righe, QStringLiteral("_UT_IdCategoria")));
            articoli->ParamByName(QStringLiteral("IdProdotto"))
                ->SetAsString(Codice(Righe, QStringLiteral("IdProdotto")));
            articoli->ParamByName(QStringLiteral("FlTipoPrz"))
                ->SetAsInteger(Righe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger());
            articoli->Open();
            if (articoli->IsEmpty())
                return;
            articoli->Last();
            Righe->Edit();
            Righe->FieldByName(QStringLiteral("UT_LMQ_PrezzoTra"))
                ->SetAsFloat(Valore(articoli, QStringLiteral("Prezzo")));
            Righe->Post();
        });
    }

    if (gestioneCausale != 2)
        return;
    double totale = 0;
    PerOgniRiga(Righe, [&] {
        double importo = 0;
        const double prezzo = Valore(Righe, QStringLiteral("UT_LMQ_PrezzoTra"));
        if (prezzo != 0) {
            const bool perConfezione = Righe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger() == 1;
            importo = Funzioni::KRound(
                prezzo * Valore(Righe, perConfezione ? QStringLiteral("Lunghezza") : QStringLiteral("Quantita")),
                decimali);
        }
        if (gestioneCliente == 2 || gestioneCliente == 3) {
            importo = Scontato(importo, Righe, CFG.NumScontiRigo, decimali);
            importo = Scontato(importo, Testa, CFG.NumScontiTesta, decimali);
        }
        Righe->Edit();
        Righe->FieldByName(QStringLiteral("UT_LMQ_PrezzoTraN"))->SetAsFloat(importo);
        Righe->Post();
        totale += importo;
    });
    spese->SetAsFloat(totale);
}

} // namespace

void UT_LMQ_DVEN_SpeseTrasporto(TDataSet *Testa, TDataSet *Righe, TDataSet *Totali, int FlTipoGest, const QString &)
{
    if (UT_LMQ_Parametri.FlAbilTrasporto == 0
        || Testa->FieldByName(QStringLiteral("_UT_LMQ_FlGesTraCli"))->AsInteger() == 0)
        return;
    try {
        CalcolaTrasporto(Testa, Righe, Totali, FlTipoGest);
    } catch (const EAbort &) {
        throw;
    } catch (const std::exception &e) {
        // shown here once; the caller's save stops without showing it again
        Notices::Tell(ErrorText(e), TNoticeKind::Information);
        throw EAbort();
    }
}

// ---- customer reservations

namespace {

// A number as the messages show it: the shortest general form, with the decimal comma.
QString Numero(double valore)
{
    return QString::number(valore, 'g', 15).replace(QLatin1Char('.'), KFormati::DecimalSeparator);
}

// An open reservation row as read at the start, with what this document has fulfilled of it.
struct RigaPrenotata {
    int KContaR = 0;
    int KContaT = 0;
    QString IdProdotto;
    double NumConf = 0;
    double NumConfEva = 0; // as read
    double Evase = 0;      // fulfilled by this document

    double Residuo() const { return NumConf - NumConfEva - Evase; }
};

// Opens the open-row query on one condition of the reservation head (a parameter of the same name).
bool ApriPrenotazioni(TXQuery *q, const QString &colonna, const QString &valore)
{
    q->Close();
    Funzioni::ImpostaSQLQuery(q, QStringLiteral("WHERE"),
                              QStringLiteral(" LUMO_PrenotaT.%1 = :%1 AND  LUMO_PrenotaT.FlStato = 0 AND "
                                             " LUMO_PrenotaR.NumConf > LUMO_PrenotaR.NumConfEva")
                                  .arg(colonna));
    q->ParamByName(colonna)->SetAsString(valore);
    q->Open();
    return !q->IsEmpty();
}

// The reservation row as stored now; a row changed or deleted since it was read means another
// user fulfilled it in the meantime.
void LocalizzaRiga(TXClientTable *tabella, const RigaPrenotata &riga)
{
    const int decimali = KFormati::GetDecimali(KFormati::fnQuantita);
    if (!tabella->LocateAsStored(QStringLiteral("KContaR"), riga.KContaR)
        || Funzioni::CompDec(tabella->FieldByName(QStringLiteral("NumConfEva"))->AsFloat(),
                             riga.NumConfEva + riga.Evase, decimali)
               != 0)
        throw Exception(QStringLiteral("La prenotazione dell'articolo %1 è stata modificata da un altro utente: "
                                       "registrare di nuovo il documento.")
                            .arg(riga.IdProdotto));
}

bool Evadi(TDataSet *Testa, TDataSet *Righe, int Modo, const QString &SiglaDoc)
{
    TXQuery *aperte = DMILUMO->qLUMO_Prenota;
    if (!ApriPrenotazioni(aperte, QStringLiteral("IdConto"), Codice(Testa, QStringLiteral("IdCliente")))) {
        // an empty agent is no agent: it does not take the reservations entered without one
        const QString agente = Codice(Testa, QStringLiteral("IdAgente1"));
        if (agente.isEmpty() || !ApriPrenotazioni(aperte, QStringLiteral("IdAgente"), agente))
            return true;
    }
    const QString domanda =
        Modo == 0 ? QStringLiteral("Evasione Prenotazione") : QStringLiteral("Controllo Prenotazione");
    if (!Notices::Ask(domanda))
        return true;

    std::vector<RigaPrenotata> prenotate;
    for (aperte->First(); !aperte->Eof(); aperte->Next())
        prenotate.push_back({aperte->FieldByName(QStringLiteral("KContaR"))->AsInteger(),
                             aperte->FieldByName(QStringLiteral("KContaT"))->AsInteger(),
                             aperte->FieldByName(QStringLiteral("IdProdotto"))->AsString(),
                             Valore(aperte, QStringLiteral("NumConf")), Valore(aperte, QStringLiteral("NumConfEva"))});
    // by reservation, then by row: the same first row on every engine
    std::stable_sort(prenotate.begin(), prenotate.end(), [](const RigaPrenotata &a, const RigaPrenotata &b) {
        return a.KContaT != b.KContaT ? a.KContaT < b.KContaT : a.KContaR < b.KContaR;
    });

    const bool fattura = SiglaDoc == QLatin1String("FI");
    const int chiave =
        Testa->FieldByName(fattura ? QStringLiteral("KFattCliT") : QStringLiteral("KBolleCliT"))->AsInteger();
    const int decimali = KFormati::GetDecimali(KFormati::fnQuantita);
    TXClientTable *righePrenotate = DMILUMO->TRS_PrenotaR;
    TXClientTable *evasioni = DMILUMO->TRS_PrenotaE;
    if (Modo == 0) {
        Funzioni::CheckTabOpen(righePrenotate);
        Funzioni::CheckTabOpen(evasioni);
    }
    bool incongruenze = false;
    PerOgniRiga(Righe, [&] {
        if (!HaArticolo(Righe))
            return;
        const QString articolo = Righe->FieldByName(QStringLiteral("IdProdotto"))->AsString();
        const QString descrizione = Righe->FieldByName(QStringLiteral("Descrizione"))->AsString();
        const double confezioni = Valore(Righe, QStringLiteral("Lunghezza"));
        // a row that gives packages back fulfils nothing
        if (Funzioni::CompDec(confezioni, 0, decimali) < 0)
            return;
        // the first row of the article with something left, else the first of the article
        RigaPrenotata *trovata = nullptr;
        for (RigaPrenotata &r : prenotate) {
            if (r.IdProdotto != articolo)
                continue;
            if (!trovata)
                trovata = &r;
            if (Funzioni::CompDec(r.Residuo(), 0, decimali) > 0) {
                trovata = &r;
                break;
            }
        }
        if (!trovata) {
            Notices::Tell(QStringLiteral("Nessuna prenotazione per l'articolo : ") + articolo + QStringLiteral("  ")
                              + descrizione,
                          TNoticeKind::Warning);
            incongruenze = true;
            return;
        }
        const double residuo = qMax(0.0, trovata->Residuo());
        if (Funzioni::CompDec(residuo, confezioni, decimali) < 0) {
            Notices::Tell(QStringLiteral("Per l'articolo : ") + articolo + QStringLiteral("  ") + descrizione
                              + QStringLiteral("\r\nQuantità Prenotata Residua : ") + Numero(residuo)
                              + QStringLiteral("   Quantità Documento : ") + Numero(confezioni),
                          TNoticeKind::Warning);
            incongruenze = true;
        }
        const double evase = qMin(confezioni, residuo);
        if (Funzioni::CompDec(evase, 0, decimali) == 0)
            return;
        if (Modo != 0) {
            // the check counts what the rows before took, as the fulfilment does
            trovata->Evase += evase;
            return;
        }
        LocalizzaRiga(righePrenotate, *trovata);
        righePrenotate->Edit();
        righePrenotate->FieldByName(QStringLiteral("NumConfEva"))
            ->SetAsFloat(trovata->NumConfEva + trovata->Evase + evase);
        righePrenotate->Post();
        trovata->Evase += evase;
        evasioni->Append();
        evasioni->FieldByName(QStringLiteral("KContaR"))->SetAsInteger(trovata->KContaR);
        evasioni->FieldByName(QStringLiteral("KContaT"))->SetAsInteger(trovata->KContaT);
        evasioni->FieldByName(QStringLiteral("NumConfEva"))->SetAsFloat(evase);
        evasioni->FieldByName(QStringLiteral("KBolleCliT"))->SetAsInteger(fattura ? 0 : chiave);
        evasioni->FieldByName(QStringLiteral("KFattCliT"))->SetAsInteger(fattura ? chiave : 0);
        evasioni->Post();
    });

    if (Modo == 99) {
        if (!incongruenze)
            return true;
        Notices::Tell(QStringLiteral("Ci sono incongruenze tra Documento e Prenotazione - non \r\nposso registrare"),
                      TNoticeKind::Error);
        return false;
    }

    // every reservation met is closed when none of its rows is left open
    TXQuery *ancoraAperte = DMILUMO->qChiudiPrenota;
    TXClientTable *teste = DMILUMO->TRS_PrenotaT;
    Funzioni::CheckTabOpen(teste);
    int precedente = 0;
    bool prima = true;
    for (const RigaPrenotata &r : prenotate) {
        if (!prima && r.KContaT == precedente)
            continue;
        prima = false;
        precedente = r.KContaT;
        ancoraAperte->Close();
        ancoraAperte->ParamByName(QStringLiteral("KContaT"))->SetAsInteger(r.KContaT);
        ancoraAperte->Open();
        if (!ancoraAperte->IsEmpty() || !teste->LocateAsStored(QStringLiteral("KContaT"), r.KContaT))
            continue;
        teste->Edit();
        teste->FieldByName(QStringLiteral("FlStato"))->SetAsInteger(1);
        teste->Post();
    }
    return true;
}

bool Ripristina(TDataSet *Testa, const QString &SiglaDoc)
{
    const bool fattura = SiglaDoc == QLatin1String("FI");
    const QString colonna = fattura ? QStringLiteral("KFattCliT") : QStringLiteral("KBolleCliT");
    const int chiave = Testa->FieldByName(colonna)->AsInteger();
    TXQuery *evasioni = DMILUMO->qPrenotaE_Bol;
    evasioni->Close();
    evasioni->ParamByName(QStringLiteral("KBolleCliT"))->SetAsInteger(fattura ? 0 : chiave);
    evasioni->ParamByName(QStringLiteral("KFattCliT"))->SetAsInteger(fattura ? chiave : 0);
    evasioni->Open();
    if (evasioni->IsEmpty())
        return true;
    TXClientTable *righe = DMILUMO->TRS_PrenotaR;
    TXClientTable *teste = DMILUMO->TRS_PrenotaT;
    Funzioni::CheckTabOpen(righe);
    Funzioni::CheckTabOpen(teste);
    for (evasioni->First(); !evasioni->Eof(); evasioni->Next()) {
        if (righe->LocateAsStored(QStringLiteral("KContaR"),
                                  evasioni->FieldByName(QStringLiteral("KContaR"))->AsInteger())) {
            righe->Edit();
            TField *evase = righe->FieldByName(QStringLiteral("NumConfEva"));
            evase->SetAsFloat(evase->AsFloat() - Valore(evasioni, QStringLiteral("NumConfEva")));
            righe->Post();
        }
        if (teste->LocateAsStored(QStringLiteral("KContaT"),
                                  evasioni->FieldByName(QStringLiteral("KContaT"))->AsInteger())) {
            teste->Edit();
            teste->FieldByName(QStringLiteral("FlStato"))->SetAsInteger(0);
            teste->Post();
        }
    }
    TXQuery *elimina = DMILUMO->qDelPrenotaE;
    elimina->SQL = QStringList{QStringLiteral("Delete from LUMO_PrenotaE WHERE %1 = :%1").arg(colonna)};
    elimina->ParamByName(colonna)->SetAsInteger(chiave);
    elimina->ExecSQL();
    Notices::Tell(QStringLiteral("Ripristono Prenotazione Effettuato"), TNoticeKind::Information);
    return true;
}

} // namespace

bool UT_LMQ_DVEN_EvadiPrenotazioni(TDataSet *Testa, TDataSet *Righe, TDataSet *, int Modo, const QString &SiglaDoc)
{
    switch (Modo) {
    case 0:
        return Evadi(Testa, Righe, Modo, SiglaDoc);
    case 2:
        return Ripristina(Testa, SiglaDoc);
    case 99:
        try {
            return Evadi(Testa, Righe, Modo, SiglaDoc);
        } catch (const EAbort &) {
            return false;
        } catch (const std::exception &e) {
            Notices::Tell(ErrorText(e), TNoticeKind::Information);
            return false;
        }
    default:
        return true;
    }
}

// ---- deposit summary of a document

namespace {

// What a document code selects: link code, head key, stored table, head table, causal
// lookup and account columns of the head. An unknown code gives link code -1.
struct DocumentoCauzioni {
    int collegamento = -1;
    QString chiave;
    QString tabella;
    QString testata;
    TXlkTable *causali = nullptr;
    QString contoTp;
    QString conto;
};

DocumentoCauzioni DocumentoDi(const QString &SiglaDoc)
{
    TDMIBase *base = TDMIBase::Crea();
    DocumentoCauzioni d;
    if (SiglaDoc == QLatin1String("DT"))
        d = {1,
             QStringLiteral("KBolleCliT"),
             QStringLiteral("LUMO_CauzDocBoll"),
             QStringLiteral("BolleCliTeste"),
             base->lkCausBolleCli,
             QStringLiteral("IdClienteTp"),
             QStringLiteral("IdCliente")};
    else if (SiglaDoc == QLatin1String("FI"))
        d = {2,
             QStringLiteral("KFattCliT"),
             QStringLiteral("LUMO_CauzDocFatt"),
             QStringLiteral("FattureCliTeste"),
             base->lkCausFattCli,
             QStringLiteral("IdClienteTp"),
             QStringLiteral("IdCliente")};
    else if (SiglaDoc == QLatin1String("DTA"))
        d = {3,
             QStringLiteral("KBolleForT"),
             QStringLiteral("LUMO_CauzDocBollAcq"),
             QStringLiteral("BolleForTeste"),
             base->lkCausBolleFor,
             QStringLiteral("IdFornitoreTp"),
             QStringLiteral("IdFornitore")};
    return d;
}

// The customer's cards-per-destination flag; 0 for a supplier or a customer not found.
int CauzioniPerDestinazione(const QString &contoTp, const QString &conto)
{
    if (contoTp != QLatin1String("CL"))
        return 0;
    TXlkTable *clienti = TDMIBase::Crea()->lkClienti;
    if (!TDMIBase::Posiziona(clienti, QStringLiteral("IdContoTp;IdConto"), {contoTp, conto}))
        return 0;
    return clienti->FieldByName(QStringLiteral("UT_LMQ_FlCauDes"))->AsInteger();
}

void ImpostaCampo(TDataSet *d, const QString &campo, double valore)
{
    d->FieldByName(campo)->SetAsFloat(valore);
}

// The summary's dynamic property naming the pending returns its first build took in: the
// document key, then the return keys.
const char *const kReseCastelletto = "_UT_LMQ_ReseCastelletto";

void RicordaRese(TDataSet *Cauz, qint64 chiave, const QList<qint64> &rese)
{
    QVariantList v{chiave};
    for (qint64 k : rese)
        v << k;
    Cauz->setProperty(kReseCastelletto, v);
}

// The pending returns of the document key that the summary took in, none when it took in none
// or was built for another document.
QList<qint64> ReseRicordate(const TDataSet *Cauz, qint64 chiave)
{
    const QVariantList v = Cauz->property(kReseCastelletto).toList();
    QList<qint64> rese;
    if (v.isEmpty() || v.first().toLongLong() != chiave)
        return rese;
    for (qsizetype i = 1; i < v.size(); ++i)
        rese << v.at(i).toLongLong();
    return rese;
}

// The account's pending returns with a row of a packaging code in use, by key.
QList<qint64> ReseSospese(const QString &contoTp, const QString &conto, int destinazione)
{
    TXQuery q;
    q.SetDatabaseName(QStringLiteral("GlobalDatabase"));
    q.SQL = QStringList{QStringLiteral("SELECT DISTINCT T.KMovResT FROM LUMO_MovResT T"),
                        QStringLiteral("JOIN LUMO_MovResR R ON R.KMovResT = T.KMovResT"),
                        QStringLiteral("JOIN Imballi I ON I.IdImballo = R.IdImballo AND I.FlUtilizzo = 0"),
                        QStringLiteral("WHERE T.KDocT = 0 AND T.IdContoTp = :IdContoTp AND T.IdConto = :IdConto "
                                       "AND T.IdDestinazione = :IdDestinazione"),
                        QStringLiteral("ORDER BY T.KMovResT")};
    q.ParamByName(QStringLiteral("IdContoTp"))->SetAsString(contoTp);
    q.ParamByName(QStringLiteral("IdConto"))->SetAsString(conto);
    q.ParamByName(QStringLiteral("IdDestinazione"))->SetAsInteger(destinazione);
    q.Open();
    QList<qint64> chiavi;
    PerOgniRiga(&q, [&] { chiavi << q.FieldByName(QStringLiteral("KMovResT"))->AsInteger(); });
    return chiavi;
}

// A new summary row of the packaging code, state 2, left in insert.
void NuovaRigaCastelletto(TDataSet *Cauz, const DocumentoCauzioni &doc, qint64 chiave, const QString &imballo)
{
    Cauz->Append();
    Cauz->FieldByName(QStringLiteral("FlTipoDocColl"))->SetAsInteger(doc.collegamento);
    Cauz->FieldByName(doc.chiave)->SetAsInteger(chiave);
    Cauz->FieldByName(QStringLiteral("IdImballo"))->SetAsString(imballo);
    Cauz->FieldByName(QStringLiteral("Stato"))->SetAsInteger(2);
}

// The account of a document's summary: the head's, found among the customers or the
// suppliers by the document's kind.
struct ContoCastelletto {
    QString contoTp;
    QString conto;
    bool trovato = false;
    bool cauzioni = false; // the account keeps deposits
    QString listino;
    int destinazione = 0; // the head's destination when the customer keeps cards per destination
};

ContoCastelletto ContoDi(const TDataSet *Testa, const QString &SiglaDoc, const DocumentoCauzioni &doc)
{
    TDMIBase *base = TDMIBase::Crea();
    ContoCastelletto c;
    c.contoTp = Codice(Testa, doc.contoTp);
    c.conto = Codice(Testa, doc.conto);
    TXlkTable *anagrafica = nullptr;
    if (SiglaDoc == QLatin1String("DTA") || c.contoTp == QLatin1String("FO"))
        anagrafica = base->lkFornitori;
    else if (c.contoTp == QLatin1String("CL"))
        anagrafica = base->lkClienti;
    if (!anagrafica || !TDMIBase::Posiziona(anagrafica, QStringLiteral("IdContoTp;IdConto"), {c.contoTp, c.conto}))
        return c;
    c.trovato = true;
    c.cauzioni = anagrafica->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() != 0;
    c.listino = anagrafica->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->AsString();
    const int perDestinazione =
        anagrafica == base->lkClienti ? anagrafica->FieldByName(QStringLiteral("UT_LMQ_FlCauDes"))->AsInteger() : 0;
    c.destinazione = perDestinazione != 0 ? Testa->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger() : 0;
    return c;
}

// Whether the head's causal returns packaging.
bool DocumentoDiReso(const TDataSet *Testa, const QString &SiglaDoc, const DocumentoCauzioni &doc)
{
    if (!TDMIBase::Posiziona(doc.causali, QStringLiteral("IdCausale"), {Codice(Testa, QStringLiteral("IdCausale"))}))
        return false;
    if (SiglaDoc == QLatin1String("FI")) {
        const int tipo = doc.causali->FieldByName(QStringLiteral("FlTipoDocumento"))->AsInteger();
        return tipo == 3 || tipo == 12;
    }
    return doc.causali->FieldByName(QStringLiteral("UT_LMQ_FlReso"))->AsInteger() == 1;
}

// The account's per-destination cards, one per packaging code.
TXQuery *ApriSchede(const ContoCastelletto &c)
{
    TXQuery *schede = DMILUMO->qLUMO_ProgCauz;
    schede->Close();
    schede->Params(0)->SetAsString(c.contoTp);
    schede->Params(1)->SetAsString(c.conto);
    schede->Params(2)->SetAsInteger(c.destinazione);
    schede->Params(3)->SetAsInteger(0);
    schede->Open();
    return schede;
}

// The pending returns of these keys per packaging code; closed when there are none.
TXQuery *ApriRese(const ContoCastelletto &c, const QList<qint64> &reseSospese)
{
    TXQuery *rese = DMILUMO->qLUMO_CauzRese;
    rese->Close();
    if (reseSospese.isEmpty())
        return rese;
    QStringList segnaposto;
    for (qsizetype i = 0; i < reseSospese.size(); ++i)
        segnaposto << QStringLiteral(":K%1").arg(i);
    rese->ImpostaSQL(QStringLiteral("T.KDocT = 0 AND T.IdContoTp = :IdContoTp AND T.IdConto = :IdConto "
                                    " AND T.IdDestinazione = :IdDestinazione AND T.KMovResT IN (%1) ")
                         .arg(segnaposto.join(QStringLiteral(", "))));
    rese->ParamByName(QStringLiteral("IdContoTp"))->SetAsString(c.contoTp);
    rese->ParamByName(QStringLiteral("IdConto"))->SetAsString(c.conto);
    rese->ParamByName(QStringLiteral("IdDestinazione"))->SetAsInteger(c.destinazione);
    for (qsizetype i = 0; i < reseSospese.size(); ++i)
        rese->ParamByName(QStringLiteral("K%1").arg(i))->SetAsInteger(reseSospese.at(i));
    rese->Open();
    return rese;
}

// The balances of the summary's current row (in edit or insert) from the card of its
// packaging code; a code without a card keeps them.
void SaldiDaScheda(TDataSet *Cauz, TXQuery *schede, bool eccedenze)
{
    if (!schede->Locate(QStringLiteral("IdImballo"), Codice(Cauz, QStringLiteral("IdImballo"))))
        return;
    auto saldo = [&](const char *car, const char *res) {
        return Valore(schede, QLatin1String(car)) - Valore(schede, QLatin1String(res));
    };
    ImpostaCampo(Cauz, QStringLiteral("EsistenzaAtt"), saldo("ProgQtaCar", "ProgQtaRes"));
    ImpostaCampo(Cauz, QStringLiteral("ValoreEsiAtt"), saldo("ProgValCar", "ProgValRes"));
    ImpostaCampo(Cauz, QStringLiteral("EsistenzaB"), saldo("ProgQtaCarB", "ProgQtaResB"));
    ImpostaCampo(Cauz, QStringLiteral("ValoreEsiB"), saldo("ProgValCarB", "ProgValResB"));
    ImpostaCampo(Cauz, QStringLiteral("EsistenzaF"), saldo("ProgQtaCarF", "ProgQtaResF"));
    ImpostaCampo(Cauz, QStringLiteral("ValoreEsiF"), saldo("ProgValCarF", "ProgValResF"));
    if (eccedenze)
        ImpostaCampo(Cauz, QStringLiteral("EsiAttEcc"), Valore(schede, QStringLiteral("EsiAttEcc")));
}

bool CostruisciCastelletto(TDataSet *Testa, TDataSet *Righe, TDataSet *Cauz, const QString &SiglaDoc)
{
    if (UT_LMQ_Parametri.FlAbilCauz == 0 || Testa->FieldByName(QStringLiteral("_UT_LMQ_FlCauzioni"))->AsInteger() == 0)
        return false;
    const DocumentoCauzioni doc = DocumentoDi(SiglaDoc);
    if (doc.collegamento < 0)
        return false;
    const ContoCastelletto conto = ContoDi(Testa, SiglaDoc, doc);
    if (!conto.trovato || !conto.cauzioni)
        return false;
    const QString &listino = conto.listino;
    const bool reso = DocumentoDiReso(Testa, SiglaDoc, doc);
    const bool eccedenze = UT_LMQ_Parametri.FlGestEcc == 1;
    const qint64 chiave = Testa->FieldByName(doc.chiave)->AsInteger();
    const QString divisa = Codice(Testa, QStringLiteral("IdDivisa"));

    // the account's per-destination cards and its pending returns
    TXQuery *schede = ApriSchede(conto);
    // a first build of a document that is not a return takes in the pending returns: those
    // read now, the ones its save links
    const bool primaCostruzione = Cauz->IsEmpty();
    const QList<qint64> reseSospese =
        primaCostruzione && !reso ? ReseSospese(conto.contoTp, conto.conto, conto.destinazione) : QList<qint64>();
    if (primaCostruzione)
        RicordaRese(Cauz, chiave, reseSospese);
    TXQuery *rese = ApriRese(conto, reseSospese);

    const QString qtaMossa = reso ? QStringLiteral("QtaRes") : QStringLiteral("QtaCar");
    if (!Cauz->IsEmpty()) {
        if (reso
            && !Notices::Ask(QStringLiteral("Castelletto Cauzioni già presente, nuovo ricalcolo"), TNoticeKind::Warning,
                             true))
            return false;
        // the quantity being rebuilt starts again from 0, its excess part with it
        const QString valoreMosso = reso ? QStringLiteral("ValoreRes") : QStringLiteral("ValoreCar");
        const QString eccMossa = reso ? QStringLiteral("QtaResEcc") : QStringLiteral("QtaCarEcc");
        PerOgniRiga(Cauz, [&] {
            Cauz->Edit();
            ImpostaCampo(Cauz, qtaMossa, 0);
            ImpostaCampo(Cauz, valoreMosso, 0);
            if (eccedenze)
                ImpostaCampo(Cauz, eccMossa, 0);
            Cauz->FieldByName(QStringLiteral("Stato"))->SetAsInteger(1);
            Cauz->Post();
        });
    } else {
        TXQuery *imballi = DMILUMO->qImballi;
        imballi->Close();
        imballi->Open();
        PerOgniRiga(imballi, [&] {
            const QString imballo = Codice(imballi, QStringLiteral("IdImballo"));
            NuovaRigaCastelletto(Cauz, doc, chiave, imballo);
            SaldiDaScheda(Cauz, schede, eccedenze);
            if (rese->Active() && rese->Locate(QStringLiteral("IdImballo"), imballo)) {
                const double pendenti = Valore(rese, QStringLiteral("QtaRes"));
                ImpostaCampo(Cauz, QStringLiteral("QtaRes"), pendenti);
                ImpostaCampo(Cauz, QStringLiteral("QtaResPn"), pendenti);
                Cauz->FieldByName(QStringLiteral("KMovResT"))
                    ->SetAsInteger(rese->FieldByName(QStringLiteral("KMovResT"))->AsInteger());
            }
            // the pending returns beyond the stock are excess once, when the row is valued
            if (!listino.isEmpty())
                ImpostaCampo(Cauz, QStringLiteral("Prezzo"), UT_LMQ_CAUZ_PrezzoCauzione(listino, divisa, imballo));
            Cauz->Post();
        });
    }

    // the document rows' packaging: each code's quantities in the rows' order, then added to
    // its summary row (made when missing) one after the other and posted once
    std::vector<std::pair<QString, std::vector<double>>> mosse;
    auto aggiungi = [&](const QString &imballo, double quantita) {
        auto it = std::find_if(mosse.begin(), mosse.end(), [&](const auto &m) { return m.first == imballo; });
        if (it == mosse.end())
            it = mosse.insert(mosse.end(), {imballo, {}});
        it->second.push_back(quantita);
    };
    PerOgniRiga(Righe, [&] {
        const QString imballo1 = Codice(Righe, QStringLiteral("UT_LMQ_IdImballo1"));
        const QString imballo2 = Codice(Righe, QStringLiteral("UT_LMQ_IdImballo2"));
        if (!HaArticolo(Righe) || (imballo1.isEmpty() && imballo2.isEmpty()))
            return;
        if (!imballo1.isEmpty())
            aggiungi(imballo1, Valore(Righe, QStringLiteral("Lunghezza")));
        if (!imballo2.isEmpty())
            aggiungi(imballo2, Valore(Righe, QStringLiteral("Quantita")));
    });
    for (const auto &[imballo, quantita] : mosse) {
        if (Cauz->Locate(QStringLiteral("IdImballo"), imballo))
            Cauz->Edit();
        else
            NuovaRigaCastelletto(Cauz, doc, chiave, imballo);
        double totale = Valore(Cauz, qtaMossa);
        for (double q : quantita)
            totale += q;
        ImpostaCampo(Cauz, qtaMossa, totale);
        Cauz->Post();
    }

    // prices and values: the list price when there is one, else the row's own price
    const int decimali = KFormati::GetDecimali(KFormati::fnValoreIT);
    PerOgniRiga(Cauz, [&] {
        if (Valore(Cauz, QStringLiteral("QtaCar")) == 0 && Valore(Cauz, QStringLiteral("QtaRes")) == 0)
            return;
        const double prezzo =
            listino.isEmpty() ? 0
                              : UT_LMQ_CAUZ_PrezzoCauzione(listino, divisa, Codice(Cauz, QStringLiteral("IdImballo")));
        Cauz->Edit();
        if (prezzo != 0)
            ImpostaCampo(Cauz, QStringLiteral("Prezzo"), prezzo);
        UT_LMQ_CalcValCau(Cauz, decimali);
        Cauz->Post();
    });
    return true;
}

} // namespace

void UT_LMQ_CalcValCau(TDataSet *Cauz, int Decimali)
{
    const double R = Valore(Cauz, QStringLiteral("QtaRes"));
    const double C = Valore(Cauz, QStringLiteral("QtaCar"));
    double c = C;
    double r = R;
    if (UT_LMQ_Parametri.FlGestEcc == 1) {
        double E = Valore(Cauz, QStringLiteral("EsistenzaAtt"));
        double X = Valore(Cauz, QStringLiteral("EsiAttEcc"));
        double resEcc = 0;
        double carEcc = 0;
        c = 0;
        r = 0;
        if (R != 0) {
            if (E <= 0) {
                resEcc = R;
            } else if (E < R) {
                resEcc = R - E;
                r = R - resEcc;
            } else {
                r = R;
            }
            E -= R;
            X += resEcc;
        }
        if (C != 0) {
            if (E >= 0) {
                c = C;
            } else if (C + E <= 0) {
                carEcc = C;
            } else {
                // only here is C positive: the excess covered stays within the load
                carEcc = std::clamp(X, 0.0, C);
                c = C - carEcc;
            }
        }
        ImpostaCampo(Cauz, QStringLiteral("QtaResEcc"), resEcc);
        ImpostaCampo(Cauz, QStringLiteral("QtaCarEcc"), carEcc);
    }
    const double prezzo = Valore(Cauz, QStringLiteral("Prezzo"));
    ImpostaCampo(Cauz, QStringLiteral("ValoreCar"), UT_LMQ_CAUZ_CalcValCau(c, prezzo, Decimali));
    ImpostaCampo(Cauz, QStringLiteral("ValoreRes"), UT_LMQ_CAUZ_CalcValCau(r, prezzo, Decimali));
}

void UT_LMQ_DVEN_CreaCasteCauz(TDataSet *Testa, TDataSet *Righe, TDataSet *, TDataSet *Cauz, const QString &SiglaDoc)
{
    // an empty summary has taken in no pending returns yet
    if (Cauz->Active() && Cauz->IsEmpty())
        Cauz->setProperty(kReseCastelletto, QVariant());
    Righe->Close();
    Righe->SetFilter(QStringLiteral("Stato < 3 "));
    Righe->SetFiltered(true);
    Righe->Open();
    if (Righe->IsEmpty())
        return;
    // the stops before the build leave the rows open and filtered
    bool interrotto = false;
    // the summary's controls follow it once, when it is built
    Cauz->DisableControls();
    const auto riattiva = qScopeGuard([Cauz] { Cauz->EnableControls(); });
    try {
        if (!CostruisciCastelletto(Testa, Righe, Cauz, SiglaDoc))
            return;
    } catch (const std::exception &e) {
        // shown here once; after the clean-up the caller's save stops without showing it again
        Notices::Tell(ErrorText(e), TNoticeKind::Information);
        if (Cauz->State() == dsEdit || Cauz->State() == dsInsert)
            Cauz->Cancel();
        interrotto = true;
    }
    if (Cauz->Active())
        Cauz->First();
    Righe->SetFilter(QString());
    Righe->SetFiltered(false);
    Righe->Close();
    if (interrotto)
        throw EAbort();
}

void UT_LMQ_DVEN_ContoCastelletto(TDataSet *Testa, TDataSet *Cauz, const QString &SiglaDoc)
{
    const DocumentoCauzioni doc = DocumentoDi(SiglaDoc);
    if (doc.collegamento < 0 || !Cauz->Active() || Cauz->IsEmpty())
        return;
    const ContoCastelletto conto = ContoDi(Testa, SiglaDoc, doc);
    const bool reso = DocumentoDiReso(Testa, SiglaDoc, doc);
    const bool eccedenze = UT_LMQ_Parametri.FlGestEcc == 1;
    TXQuery *schede = ApriSchede(conto);
    // the pending returns taken in are the new account's, and the ones its save links
    const QList<qint64> reseSospese =
        reso ? QList<qint64>() : ReseSospese(conto.contoTp, conto.conto, conto.destinazione);
    RicordaRese(Cauz, Testa->FieldByName(doc.chiave)->AsInteger(), reseSospese);
    TXQuery *rese = ApriRese(conto, reseSospese);
    const int decimali = KFormati::GetDecimali(KFormati::fnValoreIT);
    PerOgniRiga(Cauz, [&] {
        Cauz->Edit();
        for (const char *saldo :
             {"EsistenzaAtt", "ValoreEsiAtt", "EsistenzaB", "ValoreEsiB", "EsistenzaF", "ValoreEsiF"})
            ImpostaCampo(Cauz, QLatin1String(saldo), 0);
        if (eccedenze)
            ImpostaCampo(Cauz, QStringLiteral("EsiAttEcc"), 0);
        SaldiDaScheda(Cauz, schede, eccedenze);
        if (!reso) {
            // the returned quantity keeps what was typed beside the pending returns
            double pendenti = 0;
            if (rese->Active() && rese->Locate(QStringLiteral("IdImballo"), Codice(Cauz, QStringLiteral("IdImballo"))))
                pendenti = Valore(rese, QStringLiteral("QtaRes"));
            ImpostaCampo(Cauz, QStringLiteral("QtaRes"),
                         Valore(Cauz, QStringLiteral("QtaRes")) - Valore(Cauz, QStringLiteral("QtaResPn")) + pendenti);
            ImpostaCampo(Cauz, QStringLiteral("QtaResPn"), pendenti);
            TField *movimenti = Cauz->FieldByName(QStringLiteral("KMovResT"));
            if (pendenti != 0)
                movimenti->SetAsInteger(rese->FieldByName(QStringLiteral("KMovResT"))->AsInteger());
            else
                movimenti->Clear();
        }
        TField *stato = Cauz->FieldByName(QStringLiteral("Stato"));
        if (stato->AsInteger() == 0)
            stato->SetAsInteger(1);
        if (Valore(Cauz, QStringLiteral("QtaCar")) != 0 || Valore(Cauz, QStringLiteral("QtaRes")) != 0)
            UT_LMQ_CalcValCau(Cauz, decimali);
        Cauz->Post();
    });
    Cauz->First();
}

// ---- registration of the deposit summary

namespace {

// The head data a card movement is made with, and the causal's flags.
struct TestaCauzioni {
    QDateTime data;
    QString contoTp;
    QString conto;
    int destinazione = 0;
    QString divisa;
    double cambio = 0;
    QString causale;
    int aggCau = 0;
    int aggCauF = 0;
    int aggCauB = 0;
    int aggMovC = 0;
};

void FlagCausale(TestaCauzioni &t, TXlkTable *causali)
{
    if (!causali || !TDMIBase::Posiziona(causali, QStringLiteral("IdCausale"), {t.causale}))
        return;
    t.aggCau = causali->FieldByName(QStringLiteral("UT_LMQ_FlAggCau"))->AsInteger();
    t.aggCauF = causali->FieldByName(QStringLiteral("UT_LMQ_FlAggCauF"))->AsInteger();
    t.aggCauB = causali->FieldByName(QStringLiteral("UT_LMQ_FlAggCauB"))->AsInteger();
    t.aggMovC = causali->FieldByName(QStringLiteral("UT_LMQ_FlAggMovC"))->AsInteger();
}

TestaCauzioni LeggiTesta(const TDataSet *d, const DocumentoCauzioni &doc)
{
    TestaCauzioni t;
    t.data = d->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime();
    t.contoTp = Codice(d, doc.contoTp);
    t.conto = Codice(d, doc.conto);
    t.destinazione = d->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
    t.divisa = Codice(d, QStringLiteral("IdDivisa"));
    t.cambio = Valore(d, QStringLiteral("Cambio"));
    t.causale = Codice(d, QStringLiteral("IdCausale"));
    FlagCausale(t, doc.causali);
    return t;
}

// The head as stored, read by the document key: the stored summary went on the cards with
// it. A document not stored yet has the head as edited.
TestaCauzioni TestaRegistrata(TDataSet *Testa, const DocumentoCauzioni &doc, qint64 chiave)
{
    TXQuery q;
    q.SetDatabaseName(QStringLiteral("GlobalDatabase"));
    q.SQL = QStringList{QStringLiteral("SELECT * FROM %1 WHERE %2 = :Chiave").arg(doc.testata, doc.chiave)};
    q.ParamByName(QStringLiteral("Chiave"))->SetAsInteger(chiave);
    q.Open();
    return q.IsEmpty() ? LeggiTesta(Testa, doc) : LeggiTesta(&q, doc);
}

bool StesseSchede(const TestaCauzioni &a, const TestaCauzioni &b)
{
    return a.data == b.data && a.contoTp == b.contoTp && a.conto == b.conto && a.destinazione == b.destinazione
           && a.divisa == b.divisa && a.cambio == b.cambio && a.aggCau == b.aggCau && a.aggCauF == b.aggCauF
           && a.aggCauB == b.aggCauB;
}

// What a stored summary row moves on the cards.
struct RigaSchede {
    QString imballo;
    double qtaCar = 0;
    double qtaRes = 0;
    double qtaCarEcc = 0;
    double qtaResEcc = 0;
    double prezzo = 0;
};

void MuoviSchede(const TestaCauzioni &t, const RigaSchede &r, double segno)
{
    UT_LMQ_CAUZ_AggiornaProgressivi(t.data, t.contoTp, t.conto, t.destinazione, t.divisa, t.cambio, r.imballo,
                                    segno * r.qtaCar, segno * r.qtaRes, segno * r.qtaCarEcc, segno * r.qtaResEcc,
                                    r.prezzo, t.aggCau, t.aggCauF, t.aggCauB, 0, 0, 0);
}

void MuoviSchede(const TestaCauzioni &t, const TDataSet *riga, double segno)
{
    MuoviSchede(t,
                {Codice(riga, QStringLiteral("IdImballo")), Valore(riga, QStringLiteral("QtaCar")),
                 Valore(riga, QStringLiteral("QtaRes")), Valore(riga, QStringLiteral("QtaCarEcc")),
                 Valore(riga, QStringLiteral("QtaResEcc")), Valore(riga, QStringLiteral("Prezzo"))},
                segno);
}

// Answers the rows the statement changed.
int Esegui(TXQuery *q, const QString &sql, const QVariantList &valori)
{
    q->Close();
    q->SQL = QStringList{sql};
    for (int i = 0; i < valori.size(); ++i)
        q->Params(i)->SetValue(valori.at(i));
    return q->ExecSQL();
}

// Deletes the document's journal movement, when it has one: its rows, then its head.
void CancellaMovimento(int collegamento, qint64 chiave)
{
    Esegui(DMILUMO->qGenerica,
           QStringLiteral("DELETE FROM LUMO_MovCauR WHERE KContaT IN (SELECT KContaT FROM LUMO_MovCauT "
                          "WHERE KDocT = :KDocT AND FlTipoDocColl = :Fl)"),
           {chiave, collegamento});
    Esegui(DMILUMO->qGenerica, QStringLiteral("DELETE FROM LUMO_MovCauT WHERE KDocT = :KDocT AND FlTipoDocColl = :Fl"),
           {chiave, collegamento});
}

void ScriviMovimento(TDataSet *Testa, TDataSet *Cauz, const TestaCauzioni &t, int collegamento, qint64 chiave)
{
    TXClientTable *teste = DMILUMO->TRS_MovCauT;
    TXClientTable *righe = DMILUMO->TRS_MovCauR;
    Funzioni::CheckTabOpen(teste);
    Funzioni::CheckTabOpen(righe);
    teste->Append();
    auto campo = [&](const char *nome) { return teste->FieldByName(QLatin1String(nome)); };
    campo("DataReg")->SetAsDateTime(t.data);
    campo("FlTipoDocColl")->SetAsInteger(collegamento);
    campo("KDocT")->SetAsInteger(chiave);
    campo("Anno")->SetAsInteger(Testa->FieldByName(QStringLiteral("Anno"))->AsInteger());
    campo("Serie")->SetAsInteger(Testa->FieldByName(QStringLiteral("Serie"))->AsInteger());
    campo("Numero")->SetAsInteger(Testa->FieldByName(QStringLiteral("Numero"))->AsInteger());
    campo("DataDoc")->SetAsDateTime(t.data);
    campo("IdCausale")->SetAsString(t.causale);
    campo("IdContoTp")->SetAsString(t.contoTp);
    campo("IdConto")->SetAsString(t.conto);
    campo("IdDestinazione")->SetAsInteger(t.destinazione);
    campo("IdListino")->SetAsString(Codice(Testa, QStringLiteral("_UT_LMQ_ListCauz")));
    campo("IdDivisa")->SetAsString(t.divisa);
    campo("Cambio")->SetAsFloat(t.cambio);
    campo("FlAggCau")->SetAsInteger(t.aggCau);
    campo("FlAggCauB")->SetAsInteger(t.aggCauB);
    campo("FlAggCauF")->SetAsInteger(t.aggCauF);
    teste->Post();
    const qint64 movimento = campo("KContaT")->AsInteger();
    static const char *const copiati[] = {"IdImballo", "QtaCar",    "QtaRes",    "Prezzo",
                                          "ValoreCar", "ValoreRes", "QtaCarEcc", "QtaResEcc"};
    PerOgniRiga(Cauz, [&] {
        const int stato = Cauz->FieldByName(QStringLiteral("Stato"))->AsInteger();
        if (stato > 2 || (Valore(Cauz, QStringLiteral("QtaCar")) == 0 && Valore(Cauz, QStringLiteral("QtaRes")) == 0))
            return;
        righe->Append();
        righe->FieldByName(QStringLiteral("KContaT"))->SetAsInteger(movimento);
        for (const char *nome : copiati)
            righe->FieldByName(QLatin1String(nome))->SetValue(Cauz->FieldByName(QLatin1String(nome))->Value());
        righe->Post();
    });
}

} // namespace

namespace {

// The stored summary rows of these keys read, with the document's others, in one statement
// and locked until the commit: each is then located as stored without reading it again, and
// goes by its key when deleted.
void LeggiRegistrate(TXClientTable *Archivio, const QList<QVariantList> &chiavi, const QString &campoDocumento,
                     qint64 documento)
{
    if (!chiavi.isEmpty())
        Archivio->ReadAsStored(QStringLiteral("KMovimento"), chiavi, campoDocumento + QStringLiteral(" = ?"),
                               {documento}, true);
}

// The document's stored summary deleted in one statement that gives back what it deleted
// (SQLite: read first, the transaction holding the database); its rows then go off the cards
// with the head as stored, in the order of their packaging codes.
void EliminaRegistrate(TXClientTable *Archivio, const QString &campoDocumento, qint64 documento,
                       const TestaCauzioni &registrata)
{
    TXDatabase &db = Archivio->Database();
    const QString colonne = QStringLiteral("IdImballo, QtaCar, QtaRes, QtaCarEcc, QtaResEcc, Prezzo");
    const QString dove = QStringLiteral(" FROM %1 WHERE %2 = ?").arg(Archivio->TableName(), campoDocumento);
    std::vector<RigaSchede> righe;
    const auto leggi = [&](QSqlQuery &q) {
        while (q.next())
            righe.push_back({q.value(0).isNull() ? QString(QLatin1String("")) : q.value(0).toString(),
                             q.value(1).toDouble(), q.value(2).toDouble(), q.value(3).toDouble(), q.value(4).toDouble(),
                             q.value(5).toDouble()});
        db.CheckReadEnd(q, q.lastQuery());
    };
    if (db.IsPostgres()) {
        QSqlQuery q =
            db.OpenQuery(QStringLiteral("DELETE") + dove + QStringLiteral(" RETURNING ") + colonne, {documento});
        leggi(q);
    } else {
        {
            QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT ") + colonne + dove, {documento});
            leggi(q);
        }
        db.ExecSQL(QStringLiteral("DELETE") + dove, {documento});
    }
    // rows of them held from before are gone from the table
    Archivio->ForgetHeldRows();
    std::sort(righe.begin(), righe.end(),
              [](const RigaSchede &a, const RigaSchede &b) { return a.imballo < b.imballo; });
    for (const RigaSchede &r : righe)
        MuoviSchede(registrata, r, -1.0);
}

} // namespace

void UT_LMQ_DVEN_RegCastCauz(TDataSet *Testa, TDataSet *Cauz, TXClientTable *Archivio, int Modo,
                             const QString &SiglaDoc, const TDataSet *TestaArchivio)
{
    const DocumentoCauzioni doc = DocumentoDi(SiglaDoc);
    if (doc.collegamento < 0)
        return;
    const qint64 chiave = Testa->FieldByName(doc.chiave)->AsInteger();
    const TestaCauzioni attuale = LeggiTesta(Testa, doc);
    // what is taken off goes off with the head it went on with
    const TestaCauzioni registrata = Modo == 0       ? attuale
                                     : TestaArchivio ? LeggiTesta(TestaArchivio, doc)
                                                     : TestaRegistrata(Testa, doc, chiave);
    const QString kMovimento = QStringLiteral("KMovimento");
    TXQuery *appoggio = DMILUMO->qAppoLUMO;

    if (Modo == 2) {
        EliminaRegistrate(Archivio, doc.chiave, chiave, registrata);
        Esegui(
            appoggio,
            QStringLiteral(
                "UPDATE LUMO_MovResT SET KDocT = 0 , FlTipoDocColl = 0 WHERE FlTipoDocColl = :Fl AND KDocT = :KDocT "),
            {doc.collegamento, chiave});
        CancellaMovimento(doc.collegamento, chiave);
        return;
    }

    Cauz->Close();
    Cauz->SetFiltered(false);
    Cauz->Open();
    // a head whose card data changed moves the unchanged rows too, off the old, on the new
    const bool testaCambiata = Modo == 1 && !StesseSchede(registrata, attuale);
    const auto statoRiga = [&] {
        const int stato = Cauz->FieldByName(QStringLiteral("Stato"))->AsInteger();
        return stato == 0 && testaCambiata ? 1 : stato;
    };
    QList<QVariantList> chiavi;
    PerOgniRiga(Cauz, [&] {
        const int stato = statoRiga();
        if ((stato == 1 || stato == 3) && !Cauz->FieldByName(kMovimento)->IsNull())
            chiavi << QVariantList{Cauz->FieldByName(kMovimento)->Value()};
    });
    LeggiRegistrate(Archivio, chiavi, doc.chiave, chiave);
    bool registrato = false;
    PerOgniRiga(Cauz, [&] {
        const int stato = statoRiga();
        if (stato != 1 && stato != 2 && stato != 3)
            return;
        bool trovato = false;
        if (stato != 2 && !Cauz->FieldByName(kMovimento)->IsNull()) {
            trovato = Archivio->LocateAsStored(kMovimento, Cauz->FieldByName(kMovimento)->Value());
            if (trovato)
                MuoviSchede(registrata, Archivio, -1.0);
        }
        if (stato == 3) {
            if (trovato)
                Archivio->Delete();
            return;
        }
        if (trovato)
            Archivio->Edit();
        else
            Archivio->Append();
        Funzioni::CopiaDati(Archivio, Cauz);
        Archivio->Post();
        MuoviSchede(attuale, Archivio, 1.0);
        registrato = true;
    });

    const QList<qint64> rese = ReseRicordate(Cauz, chiave);
    if (Modo == 0 && registrato && !rese.isEmpty()) {
        // the pending returns the summary counted go to the new document, each still pending
        const int destinazione =
            CauzioniPerDestinazione(attuale.contoTp, attuale.conto) != 0 ? attuale.destinazione : 0;
        QStringList segnaposto;
        QVariantList valori{chiave, doc.collegamento, attuale.contoTp, attuale.conto, destinazione};
        for (qint64 k : rese) {
            segnaposto << QStringLiteral(":K%1").arg(valori.size());
            valori << k;
        }
        const int collegate =
            Esegui(appoggio,
                   QStringLiteral("UPDATE LUMO_MovResT SET KDocT = :KDocT , FlTipoDocColl = :Fl "
                                  " WHERE KDocT = 0 AND IdContoTp = :IdContoTp AND IdConto = :IdConto "
                                  " AND IdDestinazione = :IdDestinazione AND KMovResT IN (%1) ")
                       .arg(segnaposto.join(QStringLiteral(", "))),
                   valori);
        if (collegate != rese.size())
            throw Exception(QStringLiteral("I resi in sospeso contati nel castelletto cauzioni non sono più in attesa "
                                           "(collegati ad un altro documento o di un altro cliente): abbandonare le "
                                           "modifiche e reinserire il documento"));
    }

    if (Modo == 1 && (attuale.aggMovC == 1 || registrata.aggMovC == 1))
        CancellaMovimento(doc.collegamento, chiave);
    if (attuale.aggMovC == 1 && !Cauz->IsEmpty())
        ScriviMovimento(Testa, Cauz, attuale, doc.collegamento, chiave);
}

// ---- printed deposit summary and packaging-expense account

namespace {

const int kPosti = 10;
const char *const kCampiStringa[] = {"_UT_IdCauz", "_UT_DsCauz"};
const char *const kCampiNumero[] = {"_UT_EsiIni", "_UT_QtaCar", "_UT_QtaRes",    "_UT_EsiFin",
                                    "_UT_ValCon", "_UT_Prezzo", "_UT_QtaCarEcc", "_UT_QtaResEcc"};

QString Posto(const char *campo, int posto)
{
    return QLatin1String(campo) + QStringLiteral("%1").arg(posto, 2, 10, QLatin1Char('0'));
}

// Where the summary of a print type is read: table, database and head key column.
struct OrigineCastelletto {
    QString tabella;
    QString database;
    QString chiave;
};

bool OrigineDi(int TipoCastelletto, OrigineCastelletto &o)
{
    const QString globale = QStringLiteral("GlobalDataBase");
    switch (TipoCastelletto) {
    case 1:
        o = {QStringLiteral("LUMO_CauzDocBoll"), globale, QStringLiteral("KBolleCliT")};
        return true;
    case 2:
        o = {QStringLiteral("LUMO_CauzDocFatt"), globale, QStringLiteral("KFattCliT")};
        return true;
    case 3:
        o = {QStringLiteral("LUMO_t_CauzDocFatt"), QStringLiteral("LocalDataBase"), QStringLiteral("KFattCliT")};
        return true;
    case 4:
        o = {QStringLiteral("LUMO_CauzDocBollAcq"), globale, QStringLiteral("KBolleForT")};
        return true;
    default:
        return false;
    }
}

double Esistenza(const TDataSet *q, int tipoStampa)
{
    switch (tipoStampa) {
    case 0:
        return Valore(q, QStringLiteral("EsistenzaAtt"));
    case 1:
        return Valore(q, QStringLiteral("EsistenzaB"));
    case 2:
        return Valore(q, QStringLiteral("EsistenzaF"));
    default:
        return 0;
    }
}

// The customer's invoiced deposit value outstanding on the per-destination cards.
double ValoreAttualeCauzioni(TDataSet *Testa)
{
    const QString cliente = Codice(Testa, QStringLiteral("IdCliente"));
    const int perDestinazione = CauzioniPerDestinazione(QStringLiteral("CL"), cliente);
    TXQuery *q = DMILUMO->qValAttCau;
    q->Close();
    Funzioni::ImpostaSQLQuery(q, QStringLiteral("WHERE"),
                              QStringLiteral("IdContoTp = 'CL' AND IdConto = :IdConto AND FlTipoScheda = 0 "
                                             " AND IdDestinazione = :IdDestinazione "));
    q->ParamByName(QStringLiteral("IdConto"))->SetAsString(cliente);
    q->ParamByName(QStringLiteral("IdDestinazione"))
        ->SetAsInteger(perDestinazione != 0 ? Testa->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger() : 0);
    q->Open();
    const double valore = q->IsEmpty() ? 0 : Valore(q, QStringLiteral("Valore"));
    q->Close();
    return valore;
}

} // namespace

void UT_LMQ_DVEN_CampiCastelletto(TDataSet *Testa)
{
    for (int posto = 1; posto <= kPosti; ++posto) {
        Testa->AddCalcField(Posto(kCampiStringa[0], posto), ftString, 3);
        Testa->AddCalcField(Posto(kCampiStringa[1], posto), ftString, 30);
        for (const char *campo : kCampiNumero)
            Testa->AddCalcField(Posto(campo, posto), ftFloat);
    }
    Testa->AddCalcField(QStringLiteral("_UT_TotValCon"), ftFloat);
    Testa->AddCalcField(QStringLiteral("_UT_TotValRes"), ftFloat);
    Testa->AddCalcField(QStringLiteral("_UT_LMQ_ValoreAttCau"), ftFloat);
}

void UT_LMQ_DVEN_StampaCastelletto(TDataSet *Testa, int TipoCastelletto)
{
    const int righeStampate = Testa->FieldByName(QStringLiteral("_UT_LMQ_FlStaCau"))->AsInteger();
    if (righeStampate == 0)
        return;
    const int tipoEsistenza = Testa->FieldByName(QStringLiteral("_UT_LMQ_FlTpStaCau"))->AsInteger();
    for (int posto = 1; posto <= kPosti; ++posto) {
        for (const char *campo : kCampiStringa)
            Testa->FieldByName(Posto(campo, posto))->SetAsString(QString());
        for (const char *campo : kCampiNumero)
            Testa->FieldByName(Posto(campo, posto))->SetAsFloat(0);
    }
    Testa->FieldByName(QStringLiteral("_UT_TotValCon"))->SetAsFloat(0);
    Testa->FieldByName(QStringLiteral("_UT_TotValRes"))->SetAsFloat(0);
    OrigineCastelletto o;
    TXQuery *q = DMILUMO->qLUMO_StaCasCau;
    q->Close();
    q->SQL.clear();
    // another print type prints the empty block
    if (!OrigineDi(TipoCastelletto, o))
        return;
    q->SetDatabaseName(o.database);
    q->SQL = QStringList{
        QStringLiteral("SELECT * FROM %1  WHERE %2 = :Chiave ORDER BY IdImballo ").arg(o.tabella, o.chiave)};
    const qint64 chiave = Testa->FieldByName(o.chiave)->AsInteger();
    q->ParamByName(QStringLiteral("Chiave"))->SetAsInteger(chiave);
    q->Open();
    TXlkTable *imballi = TDMIBase::Crea()->lkImballi;
    int posto = 0;
    PerOgniRiga(q, [&] {
        const double car = Valore(q, QStringLiteral("QtaCar"));
        const double res = Valore(q, QStringLiteral("QtaRes"));
        if (righeStampate == 2 && car == 0 && res == 0)
            return;
        const double esistenza = Esistenza(q, tipoEsistenza);
        if (righeStampate == 3 && esistenza == 0 && car == 0 && res == 0)
            return;
        const QString imballo = Codice(q, QStringLiteral("IdImballo"));
        if (++posto > kPosti)
            return;
        const QString descrizione = TDMIBase::Posiziona(imballi, QStringLiteral("IdImballo"), {imballo})
                                        ? imballi->FieldByName(QStringLiteral("UT_LMQ_DsDescDoc"))->AsString()
                                        : QString();
        auto numero = [&](const char *campo, double valore) {
            Testa->FieldByName(Posto(campo, posto))->SetAsFloat(valore);
        };
        Testa->FieldByName(Posto("_UT_IdCauz", posto))->SetAsString(imballo);
        Testa->FieldByName(Posto("_UT_DsCauz", posto))->SetAsString(descrizione);
        numero("_UT_EsiIni", esistenza);
        numero("_UT_QtaCar", car);
        numero("_UT_QtaRes", res);
        numero("_UT_EsiFin", esistenza + car - res);
        numero("_UT_ValCon", Valore(q, QStringLiteral("ValoreCar")) - Valore(q, QStringLiteral("ValoreRes")));
        numero("_UT_Prezzo", car != 0 || res != 0 ? Valore(q, QStringLiteral("Prezzo")) : 0);
        numero("_UT_QtaCarEcc", Valore(q, QStringLiteral("QtaCarEcc")));
        numero("_UT_QtaResEcc", Valore(q, QStringLiteral("QtaResEcc")));
    });
    // the totals cover every row, printed or not
    q->Close();
    q->SQL = QStringList{
        QStringLiteral("SELECT sum(ValoreCar) as ValCar, sum(ValoreRes) as ValRes FROM %1  WHERE %2 = :Chiave")
            .arg(o.tabella, o.chiave)};
    q->ParamByName(QStringLiteral("Chiave"))->SetAsInteger(chiave);
    q->Open();
    if (!q->IsEmpty()) {
        Testa->FieldByName(QStringLiteral("_UT_TotValCon"))->SetAsFloat(Valore(q, QStringLiteral("ValCar")));
        Testa->FieldByName(QStringLiteral("_UT_TotValRes"))->SetAsFloat(Valore(q, QStringLiteral("ValRes")));
    }
    q->Close();
    if (TipoCastelletto == 2 || TipoCastelletto == 3)
        Testa->FieldByName(QStringLiteral("_UT_LMQ_ValoreAttCau"))->SetAsFloat(ValoreAttualeCauzioni(Testa));
}

void UT_LMQ_DVEN_CodiceSpeseImballo(TDataSet *Testa, TXClientTable *Totali, const QString &SiglaDoc)
{
    TXlkTable *clienti = TDMIBase::Crea()->lkClienti;
    if (!TDMIBase::Posiziona(clienti, QStringLiteral("IdContoTp;IdConto"),
                             {QStringLiteral("CL"), Codice(Testa, QStringLiteral("IdCliente"))}))
        return;
    const QString conto = clienti->FieldByName(QStringLiteral("UT_LMQ_ContoCau"))->AsString();
    if (conto.isEmpty())
        return;
    QString chiave;
    if (SiglaDoc == QLatin1String("FI"))
        chiave = QStringLiteral("KFattCliT");
    else if (SiglaDoc == QLatin1String("DT"))
        chiave = QStringLiteral("KBolleCliT");
    else
        return;
    if (!Totali->Locate(chiave + QStringLiteral(";TipoRecord;Progressivo"),
                        QVariantList{Testa->FieldByName(chiave)->AsInteger(), QStringLiteral("SPI"), 1}))
        return;
    Totali->Edit();
    Totali->FieldByName(QStringLiteral("Codice"))->SetAsString(conto);
    Totali->Post();
}

QString UT_LMQ_TipologiaArticoloOmaggio(const QString &IdProdotto, int TipoRigo, const QString &Default)
{
    if (TipoRigo != 10 && TipoRigo != 11)
        return Default;
    TXlkTable *articoli = TDMIBase::Crea()->lkArticoli;
    if (!TDMIBase::Posiziona(articoli, QStringLiteral("IdProdotto"), {IdProdotto}))
        return Default;
    const QString tipologia = articoli->FieldByName(QStringLiteral("UT_LMQ_IdTipologiaOmaggi"))->AsString().trimmed();
    if (tipologia.isEmpty())
        return Default;
    TXlkTable *tipologie = TDMILUMO::Crea()->lkLUMO_TipologieOmaggi;
    if (!TDMIBase::Posiziona(tipologie, QStringLiteral("IdTipologia"), {tipologia}))
        return Default;
    const QString conto = tipologie->FieldByName(QStringLiteral("IdConto"))->AsString().trimmed();
    return conto.isEmpty() ? Default : conto;
}
