#include "engine/Lumo_funzdocven.h"

#include "engine/Lumo_dlgdocbac.h"
#include "engine/Lumo_dlgdocbacacq.h"
#include "frame/Dmilumo.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/ui/Kmessages.h"

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
template <class F>
void PerOgniRiga(TDataSet *righe, F &&passo)
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
        quantita = quantita * Valore(riga, QStringLiteral("Larghezza")) * Valore(riga, QStringLiteral("Altezza")) /
                   (Divisore > 0 ? Divisore : 1);
        break;
    default:
        break;
    }
    riga->FieldByName(CampoQuantita)->SetAsFloat(Funzioni::KRound(quantita, KFormati::GetDecimali(KFormati::fnQuantita)));
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
            colli += Funzioni::CompDec(confezioni, 0, decimali) != 0 ? confezioni : Valore(Righe, QStringLiteral("Quantita"));
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
        QStringLiteral("WHERE LTT.DataInizio <= %1 AND LTT.DataFine >= %1 AND LTT.IdDivisa = :IdDivisa AND "
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
    const QString divisa = Codice(Testa, QStringLiteral("IdDivisa"));
    const QDateTime data = Testa->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime();
    const int destinazione = Testa->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
    const int decimali = Funzioni::LeggiDecimaliDivisa(base->lkDivise, divisa).Valore;
    TField *spese = Testa->FieldByName(QStringLiteral("SpeseTrasporto"));

    TXQuery *riferimenti = DMILUMO->qLUMO_ListTra;
    riferimenti->Close();
    riferimenti->SQL = TestoRiferimenti(riferimenti->Database(), data, destinazione);
    riferimenti->ParamByName(QStringLiteral("IdDivisa"))->SetAsString(divisa);
    riferimenti->ParamByName(QStringLiteral("FlTipoGest"))->SetAsInteger(gestioneCausale == 1 ? 1 : 0);
    riferimenti->ParamByName(QStringLiteral("IdSpedizione"))->SetAsString(Codice(Testa, QStringLiteral("IdSpedizione1")));
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
            articoli->ParamByName(QStringLiteral("IdCategoria"))->SetAsString(Codice(Righe, QStringLiteral("_UT_IdCategoria")));
            articoli->ParamByName(QStringLiteral("IdProdotto"))->SetAsString(Codice(Righe, QStringLiteral("IdProdotto")));
            articoli->ParamByName(QStringLiteral("FlTipoPrz"))
                ->SetAsInteger(Righe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger());
            articoli->Open();
            if (articoli->IsEmpty())
                return;
            articoli->Last();
            Righe->Edit();
            Righe->FieldByName(QStringLiteral("UT_LMQ_PrezzoTra"))->SetAsFloat(Valore(articoli, QStringLiteral("Prezzo")));
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
                prezzo * Valore(Righe, perConfezione ? QStringLiteral("Lunghezza") : QStringLiteral("Quantita")), decimali);
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
    if (UT_LMQ_Parametri.FlAbilTrasporto == 0 ||
        Testa->FieldByName(QStringLiteral("_UT_LMQ_FlGesTraCli"))->AsInteger() == 0)
        return;
    try {
        CalcolaTrasporto(Testa, Righe, Totali, FlTipoGest);
    } catch (const EAbort &) {
        throw;
    } catch (const std::exception &e) {
        // shown here once; the caller's save stops without showing it again
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
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
    if (!tabella->LocateAsStored(QStringLiteral("KContaR"), riga.KContaR) ||
        Funzioni::CompDec(tabella->FieldByName(QStringLiteral("NumConfEva"))->AsFloat(), riga.NumConfEva + riga.Evase,
                          decimali) != 0)
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
    const QString domanda = Modo == 0 ? QStringLiteral("Evasione Prenotazione") : QStringLiteral("Controllo Prenotazione");
    if (Kmessages::KMessage(domanda, mtConfirmation, mbYesNo, 0) != mrYes)
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
    const int chiave = Testa->FieldByName(fattura ? QStringLiteral("KFattCliT") : QStringLiteral("KBolleCliT"))->AsInteger();
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
            Kmessages::KMessage(QStringLiteral("Nessuna prenotazione per l'articolo : ") + articolo + QStringLiteral("  ") +
                                    descrizione,
                                mtWarning, mbOK, 0);
            incongruenze = true;
            return;
        }
        const double residuo = qMax(0.0, trovata->Residuo());
        if (Funzioni::CompDec(residuo, confezioni, decimali) < 0) {
            Kmessages::KMessage(QStringLiteral("Per l'articolo : ") + articolo + QStringLiteral("  ") + descrizione +
                                    QStringLiteral("\r\nQuantità Prenotata Residua : ") + Numero(residuo) +
                                    QStringLiteral("   Quantità Documento : ") + Numero(confezioni),
                                mtWarning, mbOK, 0);
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
        righePrenotate->FieldByName(QStringLiteral("NumConfEva"))->SetAsFloat(trovata->NumConfEva + trovata->Evase + evase);
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
        Kmessages::KMessage(QStringLiteral("Ci sono incongruenze tra Documento e Prenotazione - non \r\nposso registrare"),
                            mtError, mbOK, 0);
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
        if (righe->LocateAsStored(QStringLiteral("KContaR"), evasioni->FieldByName(QStringLiteral("KContaR"))->AsInteger())) {
            righe->Edit();
            TField *evase = righe->FieldByName(QStringLiteral("NumConfEva"));
            evase->SetAsFloat(evase->AsFloat() - Valore(evasioni, QStringLiteral("NumConfEva")));
            righe->Post();
        }
        if (teste->LocateAsStored(QStringLiteral("KContaT"), evasioni->FieldByName(QStringLiteral("KContaT"))->AsInteger())) {
            teste->Edit();
            teste->FieldByName(QStringLiteral("FlStato"))->SetAsInteger(0);
            teste->Post();
        }
    }
    TXQuery *elimina = DMILUMO->qDelPrenotaE;
    elimina->SQL = QStringList{QStringLiteral("Delete from LUMO_PrenotaE WHERE %1 = :%1").arg(colonna)};
    elimina->ParamByName(colonna)->SetAsInteger(chiave);
    elimina->ExecSQL();
    Kmessages::KMessage(QStringLiteral("Ripristono Prenotazione Effettuato"), mtInformation, mbOK, 0);
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
            Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
            return false;
        }
    default:
        return true;
    }
}
