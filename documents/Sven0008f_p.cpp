#include "documents/Sven0008f_p.h"

#include "ui_Sven0008f_p.h"

#include "documents/Lumo_componenti.h"
#include "documents/Lumo_passivendita.h"
#include "engine/Lumo_funzdocven.h"
#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Distintabase.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmisorc.h"
#include "host/business/Dmisven.h"
#include "host/business/Sven0001f_001.h"
#include "host/business/Tipirigo.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QToolButton>

#include <optional>

DUSARIA_FINESTRA(TFSVen0008f_p, FSVen0008f_p);

namespace {

const QString kSigla = QStringLiteral("FI");

} // namespace

TFSVen0008f_p::TFSVen0008f_p(QWidget *owner)
    : TLumoFinestraVendita(MembroFattura(), CastellettoFattura(), QStringLiteral("Fatture Clienti (Dusaria)"), kSigla,
                           QStringLiteral("FAT"), &TDMIBase::lkCausFattCli, FSVen0008f_p, owner)
{
    setObjectName(QStringLiteral("FSVen0008f_p"));
    qUT_RigheTot = new TXQuery(this);
    qUT_RigheTot->SetName(QStringLiteral("qUT_RigheTot"));
    DichiaraCampiRighe({TRigheNC, TRRighe, TRRigheNC, TRigheAccoda});

    // the layout's additions into the host's pages and panels
    QWidget contenitore;
    Ui::Sven0008f_p ui;
    ui.setupUi(&contenitore);
    gUT_LMQ_CauzDoc = ui.gUT_LMQ_CauzDoc;
    DBNavigatoreCauz = ui.DBNavigatoreCauz;
    cbUT_UT_LMQ_FlTipoPrz = ui.cbUT_UT_LMQ_FlTipoPrz;
    lblUT_TotRighe = ui.lblUT_TotRighe;
    lblUT_TotRighe2 = ui.lblUT_TotRighe2;
    InnestaLayout(ui, QStringLiteral("Castelletto Cauzioni"));
    pTotali->layout()->addWidget(lblUT_TotRighe2);
    pPesi->layout()->addWidget(lblUT_TotRighe);

    ColonneRigheVendita(GrigliaRighe);
    TLumoCastDoc::ColonneGriglia(gUT_LMQ_CauzDoc);
    DBNavigatoreCauz->SetVisibleButtons(nbAllButtons & ~NavButton(nbDelete));
}

// ---- window

void TFSVen0008f_p::AggiornaCalcolati()
{
    if (TTesta->Active() && !TTesta->IsEmpty())
        TTesta->FieldByName(QStringLiteral("_UT_LMQ_ListCauz"))->AsString();
}

void TFSVen0008f_p::DSMainDataChange(TDataSource *source, TField *field)
{
    TFSVen0008f::DSMainDataChange(source, field);
    if (!field || field->FieldName().compare(QLatin1String("IdCausale"), Qt::CaseInsensitive) == 0
        || field->FieldName().compare(QLatin1String("IdCliente"), Qt::CaseInsensitive) == 0
        || field->FieldName().compare(QLatin1String("IdClienteTp"), Qt::CaseInsensitive) == 0)
        AggiornaCalcolati();
}

void TFSVen0008f_p::TTestaAfterScroll(TDataSet *dataSet)
{
    TLumoFinestraVendita::TTestaAfterScroll(dataSet);
    AggiornaCalcolati();
}

void TFSVen0008f_p::KPageControlChange(QObject *sender)
{
    TLumoFinestraVendita::KPageControlChange(sender);
    if (KPageControl->ActivePage() != tsPagina5)
        return;
    // the number of rows on the totals page
    qUT_RigheTot->Close();
    if (LumoFinestraDoc::InModifica(TTesta)) {
        qUT_RigheTot->SetDatabaseName(QStringLiteral("LocalDatabase"));
        qUT_RigheTot->SQL = {
            QStringLiteral("SELECT Count(*) as TotRighe FROM %1 WHERE Stato < 3").arg(TRighe->TableName())};
    } else {
        qUT_RigheTot->SetDatabaseName(QStringLiteral("GlobalDatabase"));
        qUT_RigheTot->SQL = {
            QStringLiteral("SELECT Count(*) as TotRighe FROM FattureCliRighe WHERE KFattCliT = :KFattCliT")};
        qUT_RigheTot->Params(0)->SetValue(TTesta->FieldByName(QStringLiteral("KFattCliT"))->AsInteger());
    }
    qUT_RigheTot->Open();
    const QString testo = QStringLiteral("Nr. totale righe : ")
                          + QString::number(qUT_RigheTot->FieldByName(QStringLiteral("TotRighe"))->AsInteger());
    lblUT_TotRighe->setText(testo);
    lblUT_TotRighe2->setText(testo);
}

// ---- rows

// ---- the save

void TFSVen0008f_p::SalvaDocumento()
{
    const auto copia = [this] { UT_LMQ_CopiaCastelletto(); };
    SalvaSeguendoAllaFine([this, &copia] {
        SalvaDocumentoConPassi({[this] { return PreparaCastelletto(); }, [this] { Castelletto->Trattieni(); },
                                [this, copia] { Castelletto->Rilascia(copia); }});
    });
}

void TFSVen0008f_p::UT_LMQ_PostaCastelletto()
{
    TLumoFinestraVendita::UT_LMQ_PostaCastelletto();
    AggiornaCalcolati();
}

void TFSVen0008f_p::UT_LMQ_RicostruisciCastelletto()
{
    if ((!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota()) && KPageControl->TabVisible(tsLUMO_CauzDoc)
        && ModoSalva != 2)
        Castelletto->RicostruisciRighePostate(TTesta, TRighe, TDatiAggiuntivi);
}

void TFSVen0008f_p::RegistraRighe()
{
    // the order lines the rows fulfil, read at once rather than row by row
    QList<QVariantList> ordini;
    QSqlQuery q = TRighe->Database().OpenQuery(
        QStringLiteral("SELECT DISTINCT KOrdineR FROM %1 WHERE KOrdineR <> 0").arg(TRighe->TableName()));
    while (q.next())
        ordini << QVariantList{q.value(0)};
    if (!ordini.isEmpty()) {
        TXClientTable *righeOrdine = TDMISVen::Crea()->tOrdiniCliR;
        Funzioni::CheckTabOpen(righeOrdine);
        righeOrdine->ReadAsStored(QStringLiteral("KOrdiniCliR"), ordini);
    }
    const auto progresso = ProgressoRighe();
    TFSVen0008f::RegistraRighe();
}

void TFSVen0008f_p::RegistraRigo(int stato)
{
    TFSVen0008f::RegistraRigo(stato);
    Mdimainbase::ProgressStep();
}

// ---- rows from delivery notes and from order lines

int TFSVen0008f_p::AccodaRigheDaDDT()
{
    const int aggiunte = TFSVen0008f::AccodaRigheDaDDT();
    // a causal that is not found reads its flag as 0
    TDMIBase *base = TDMIBase::Crea();
    int flAggCau = 0;
    if (TDMIBase::Posiziona(base->lkCausFattCli, QStringLiteral("IdCausale"),
                            {TTesta->FieldByName(QStringLiteral("IdCausale"))->AsString()}))
        flAggCau = base->lkCausFattCli->FieldByName(QStringLiteral("UT_LMQ_FlAggCau"))->AsInteger();
    if (!Castelletto->CopiaVuota() || !KPageControl->TabVisible(tsLUMO_CauzDoc) || ModoSalva != 0)
        return aggiunte;
    // a failed build has shown its text and cleared UT_LMQ_InCopiaDati
    try {
        Castelletto->Ricostruisci(TTesta, TRighe, TDatiAggiuntivi);
    } catch (const EAbort &) {
        return aggiunte;
    }
    UT_LMQ_SaldiDaDDT(flAggCau);
    return aggiunte;
}

void TFSVen0008f_p::UT_LMQ_SaldiDaDDT(int flAggCau)
{
    TXTable *cauz = TTLUMO_CauzDoc;
    bool spenti = false;
    try {
        TXClientTable righeDDT;
        righeDDT.CloneCursor(TRigheDDT);
        qint64 bolla = -1;
        for (righeDDT.First(); !righeDDT.Eof(); righeDDT.Next())
            if (righeDDT.FieldByName(QStringLiteral("KFatturaR"))->AsInteger() == 999) {
                bolla = righeDDT.FieldByName(QStringLiteral("KBolleCliT"))->Value().toLongLong();
                break;
            }
        TXQuery *q = TDMILUMO::Crea()->qLUMO_CasDocFatRagg;
        q->Close();
        q->ParamByName(QStringLiteral("KBolleCliT"))->SetValue(bolla);
        q->Open();
        if (q->IsEmpty())
            return;
        cauz->DisableControls();
        spenti = true;
        const auto campo = [](TDataSet *d, const char *nome) { return d->FieldByName(QLatin1String(nome)); };
        for (q->First(); !q->Eof(); q->Next()) {
            if (!cauz->Locate(QStringLiteral("IdImballo"), campo(q, "IdImballo")->Value()))
                continue;
            cauz->Edit();
            campo(cauz, "EsistenzaB")->SetAsFloat(campo(q, "EsistenzaB")->AsFloat());
            campo(cauz, "ValoreEsiB")->SetAsFloat(campo(q, "ValoreEsiB")->AsFloat());
            if (flAggCau == 0) {
                campo(cauz, "EsistenzaAtt")
                    ->SetAsFloat(campo(cauz, "EsistenzaAtt")->AsFloat() - campo(cauz, "QtaCar")->AsFloat()
                                 + campo(cauz, "QtaRes")->AsFloat());
                campo(cauz, "ValoreEsiAtt")
                    ->SetAsFloat(campo(cauz, "ValoreEsiAtt")->AsFloat() - campo(cauz, "ValoreCar")->AsFloat()
                                 + campo(cauz, "ValoreRes")->AsFloat());
            }
            cauz->Post();
        }
        cauz->First();
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        // the rows posted so far stay; the one being edited goes
        if (LumoFinestraDoc::InModifica(cauz))
            cauz->Cancel();
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK);
    }
    if (spenti)
        cauz->EnableControls();
}

void TFSVen0008f_p::RiattivaFormDDT(QObject *sender)
{
    TFSVen0008f::RiattivaFormDDT(sender);
}

int TFSVen0008f_p::ProssimoNumOrdine() const
{
    int ultimo = 0;
    TField *numero = TRighe->FieldByName(QStringLiteral("NumOrdine"));
    for (int i = 0, n = TRighe->RowCount(); i < n; ++i)
        ultimo = qMax(ultimo, TRighe->ValueAt(i, numero).toInt());
    return (ultimo + 1023) / 1024 * 1024 + 1024;
}

int TFSVen0008f_p::AccodaRigheDaOrdine()
{
    const bool perQuantita = ModoSelezione == 0;
    const QString scelta = perQuantita ? QStringLiteral("QtaSelez") : QStringLiteral("ImpSelez");
    const auto F = [](TDataSet *d, const char *nome) { return d->FieldByName(QLatin1String(nome)); };
    TDMISOrc *ordini = TDMISOrc::Crea();
    TXClientTable *testaOrdine = ordini->tOrdiniCliT;
    int aggiunte = 0;
    QStringList rifiutate;
    const auto accodando = AccodandoRighe();
    TRighe->DisableControls();
    try {
        qSelOrdini->Close();
        qSelOrdini->SQL[1] = QStringLiteral("WHERE %1 > 0 OR ( %1 = 0 AND FlSelez = 1 AND TipoRigo IN ( %2 ) )")
                                 .arg(scelta, TipiRigoDescrittivi());
        qSelOrdini->Open();
        TRighe->Close();
        TRighe->Open();
        Funzioni::CheckTabOpen(testaOrdine);
        QVariant ordinePrec;
        bool testaTrovata = false;
        for (qSelOrdini->First(); !qSelOrdini->Eof(); qSelOrdini->Next()) {
            const QVariant ordine = F(qSelOrdini, "KOrdiniCliT")->Value();
            if (ordine != ordinePrec) {
                ordinePrec = ordine;
                testaTrovata = testaOrdine->Locate(QStringLiteral("KOrdiniCliT"), ordine);
                if (!testaTrovata) {
                    Kmessages::KMessage(QStringLiteral("Ordine non trovato"), mtInformation, mbOK);
                } else if (const QString rif = RiferimentoOrdine(testaOrdine); !rif.isEmpty()) {
                    const int numOrdine = ProssimoNumOrdine();
                    TRighe->Append();
                    F(TRighe, "NumOrdine")->SetAsInteger(numOrdine);
                    F(TRighe, "TipoRigo")->SetAsInteger(TipoRigoDescrittivo());
                    F(TRighe, "Descrizione")->SetAsString(rif);
                    F(TRighe, "IdListino")->SetAsString(F(TTesta, "IdListino")->AsString());
                    F(TRighe, "Stato")->SetAsInteger(2);
                    TRighe->Post();
                }
            }
            // the row: the line's columns, its sort number, the local key the new record drew
            QVariant contatore;
            if (!AccodaLineaOrdine(rifiutate, [&] {
                    const int numOrdine = ProssimoNumOrdine();
                    TRighe->Append();
                    contatore = F(TRighe, "Contatore")->Value();
                    Funzioni::CopiaDati(TRighe, qSelOrdini);
                    F(TRighe, "Contatore")->SetValue(contatore);
                    F(TRighe, "KFattCliT")->SetValue(F(TTesta, "KFattCliT")->Value());
                    F(TRighe, "KOffertaR")->SetAsInteger(0);
                    F(TRighe, "KPrelieviR")->SetAsInteger(0);
                    F(TRighe, "NumOrdine")->SetAsInteger(numOrdine);
                    const double confezioni = F(qSelOrdini, "UT_QtaConfSel")->AsFloat();
                    if (perQuantita) {
                        F(TRighe, "Quantita")->SetAsFloat(F(qSelOrdini, "QtaSelez")->AsFloat());
                        F(TRighe, "Lunghezza")->SetAsFloat(confezioni);
                        F(TRighe, "NumeroImballi")->SetAsFloat(confezioni);
                    } else {
                        F(TRighe, "Quantita")->SetAsFloat(1);
                        F(TRighe, "Prezzo")->SetAsFloat(F(qSelOrdini, "ImpSelez")->AsFloat());
                    }
                    F(TRighe, "FlSaldoRigo")->SetAsInteger(F(qSelOrdini, "FlStato")->AsInteger() == 2 ? 1 : 0);
                    F(TRighe, "QuantitaSaldo")->SetAsFloat(F(qSelOrdini, "QuantitaSal")->AsFloat());
                    NotaArticoloRigo(TRighe);
                    EsenzioneRigo(TRighe, testaTrovata ? testaOrdine : nullptr);
                    F(TRighe, "Stato")->SetAsInteger(2);
                    F(TRighe, "KOrdineR")->SetValue(F(qSelOrdini, "KOrdiniCliR")->Value());
                    F(TRighe, "KOrdineRifR")->SetValue(F(qSelOrdini, "KOrdiniCliR")->Value());
                    F(TRighe, "Quantita2")->SetAsFloat(F(qSelOrdini, "Quantita2Ord")->AsFloat());
                    if (perQuantita) {
                        CalcoloQuantita(F(TRighe, "Lunghezza"));
                    } else {
                        // by amount: one package priced per package at the amount chosen, quantity 1
                        F(TRighe, "UT_LMQ_FlTipoPrz")->SetAsInteger(1);
                        F(TRighe, "Lunghezza")->SetAsFloat(1);
                        F(TRighe, "Quantita")->SetAsFloat(1);
                    }
                    CalcolaImportiRigo(TTesta, TRighe, false);
                    ContoDefault(TRighe);
                    PesiRigoOrdine(TRighe, qSelOrdini);
                    F(TRighe, "FlTipoPrezzoBase")->SetAsInteger(-99);
                    ContributoImballiRigo(TRighe);
                    UT_LMQ_DVEN_TotLitriRiga(TRighe);
                    TRighe->Post();
                }))
                continue;
            ++aggiunte;

            DettaglioRigoOrdine(TRighe, qSelOrdini);
            if (RicalcoloImportiArticolo(TRighe)) {
                TRighe->Edit();
                CalcolaImportiRigo(TTesta, TRighe, false);
                TRighe->Post();
            }
            if (!ControllaRigoOrdine(qSelOrdini)) {
                TRighe->Delete();
                --aggiunte;
                AnnotaLineaRifiutata(rifiutate, QStringLiteral("la riga d'ordine è già evasa o non esiste più"));
                continue;
            }
            const int tipoRigo = F(TRighe, "TipoRigo")->AsInteger();
            const std::optional<Tipirigo::TRTipoRigo> tipoLinea =
                Tipirigo::TRGetTipoRigo(2, QVariant(), F(qSelOrdini, "TipoRigo")->AsInteger());
            const std::optional<Tipirigo::TRTipoRigo> tipoRiga = Tipirigo::TRGetTipoRigo(1, QVariant(), tipoRigo);
            if (tipoLinea && tipoLinea->FlDistintaBase && tipoRiga && tipoRiga->FlDistintaBase)
                InserisciComponenti(F(TRighe, "IdProdotto")->AsString(), F(TTesta, "DataDocumento")->AsDateTime(),
                                    F(TRighe, "Quantita")->AsFloat(), F(TRighe, "Prezzo")->AsFloat(),
                                    F(TRighe, "ImportoNetto")->AsFloat(), tipoRigo, contatore.toInt(),
                                    F(TRighe, "IdUM")->AsString(), F(TRighe, "FattConvProd")->AsFloat(), 0,
                                    F(TRighe, "KOrdineR")->AsInteger(), F(TRighe, "FlSaldoRigo")->AsInteger());
            LegamiOrdini.insert(contatore.toInt(), ordine.toLongLong());
            FlRigheModificate = true;
        }
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK);
    }
    // whatever happened the selection closes and a row being inserted goes
    if (TRighe->State() == dsInsert)
        TRighe->Cancel();
    qSelOrdini->Close();
    TRighe->EnableControls();
    if (aggiunte > 0)
        FlRigheAggiunte = true;
    AggiornaRighe();
    SegnalaLineeRifiutate(rifiutate);
    return aggiunte;
}

void TFSVen0008f_p::CalcolaDatiCoda(TDataSet *testa)
{
    TFSVen0008f::CalcolaDatiCoda(testa);
}

// ---- kits and bar codes

void TFSVen0008f_p::UT_LMQ_AccodaDettaglioQta(TDataSet *rigo, const QString &idVariante, const QString &gruppo,
                                              const QString &idLotto, double quantita)
{
    TDataSet *articoli = TDMIBase::Crea()->lkArticoli;
    const QString articolo = rigo->FieldByName(QStringLiteral("IdProdotto"))->AsString();
    TDMIBase::Posiziona(TDMIBase::Crea()->lkArticoli, QStringLiteral("IdProdotto"), {articolo});
    const bool gruppi =
        TDMIBbas::Crea()->TestGruppo(articoli->FieldByName(QStringLiteral("FlGesGruppi"))->AsInteger(),
                                     rigo->FieldByName(QStringLiteral("IdMagazzino"))->AsInteger(), articolo);
    const bool lotti = articoli->FieldByName(QStringLiteral("FlGesLotti"))->AsInteger() == 1;
    LumoComponenti::AccodaDettaglioQta(this, rigo->FieldByName(QStringLiteral("Contatore"))->AsInteger(), idVariante,
                                       gruppi ? gruppo : QString(), lotti ? idLotto : QString(), quantita);
    // the detailed quantity kept under the article of the window's current row
    const QString chiave = TRighe->FieldByName(QStringLiteral("IdProdotto"))->AsString();
    const QString nome = chiave + QLatin1Char('=');
    int i = 0;
    while (i < QtaDettagliate.size() && !QtaDettagliate.at(i).startsWith(nome))
        ++i;
    if (i == QtaDettagliate.size())
        i = -1;
    const double prima = i < 0 ? 0.0 : QtaDettagliate.at(i).mid(nome.size()).toDouble(); // unreadable: 0
    const QString voce = chiave + QLatin1Char('=') + QString::number(prima + quantita, 'g', 15);
    if (i < 0)
        QtaDettagliate << voce;
    else
        QtaDettagliate[i] = voce;
}

bool TFSVen0008f_p::InserisciComponenti(const QString &idProdotto, const QDateTime &data, double quantita,
                                        double percQuota, double percSpalmatura, int tipoRigo, int kRigoKit,
                                        const QString &idUM, double fattConv, int, int, int)
{
    LumoComponenti::TKit kit{idProdotto, data, quantita, kRigoKit, idUM, fattConv, QStringLiteral("Quantita2")};
    return LumoComponenti::InserisciComponenti(
        this, kit, [&](const Distintabase::TXItemDistintaBase &item, double moltiplicatore) {
            TXTable *r = TRigheAccoda;
            r->Append();
            TRigheNewRecord(r);
            r->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(tipoRigo);
            r->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(item.IdProdotto);
            r->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(item.Quantita);
            const double q = LumoComponenti::QuantitaComponente(item.Quantita, moltiplicatore);
            r->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(q);
            r->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(q);
            r->FieldByName(QStringLiteral("Quantita2"))->SetAsFloat(1);
            UT_LMQ_DVEN_TotLitriRiga(r);
            LumoComponenti::PrezzoComponente(this, r, item, percQuota);
            if (LumoComponenti::SpalmaturaComponente(this, r, item, percSpalmatura))
                ScontiRigo(r);
            TestaARigo(TTesta, r);
            ContoDefault(r);
            if (TDMIBase::Posiziona(TDMIBase::Crea()->lkArticoli, QStringLiteral("IdProdotto"), {item.IdProdotto}))
                CompletaRigo(r);
            CalcolaImportiRigo(TTesta, r, false);
            r->Post();
            TRigheAfterPost(r); // the document changed
            if (LumoComponenti::SenzaDettaglio(item.IdProdotto))
                return;
            TDataSet *articoli = TDMIBase::Crea()->lkArticoli;
            TDMIBbas *bbas = TDMIBbas::Crea();
            const int magazzino = r->FieldByName(QStringLiteral("IdMagazzino"))->AsInteger();
            const double quantitaRigo = r->FieldByName(QStringLiteral("Quantita"))->AsFloat();
            if ((GestionePartite && articoli->FieldByName(QStringLiteral("FlGesLotti"))->AsInteger() == 1)
                || (GestioneGruppi
                    && bbas->TestGruppo(articoli->FieldByName(QStringLiteral("FlGesGruppi"))->AsInteger(), magazzino,
                                        item.IdProdotto))) {
                QList<TDMIBbas::TAssegnazioneLotto> assegnati;
                const double resto =
                    bbas->AssegnaLottiAutomatico(item.IdProdotto, magazzino, item.IdVariante, quantitaRigo, assegnati);
                for (const TDMIBbas::TAssegnazioneLotto &a : assegnati)
                    UT_LMQ_AccodaDettaglioQta(r, item.IdVariante, a.Gruppo, a.IdLotto, a.Quantita);
                if (Funzioni::CompDec(resto, 0, KFormati::GetDecimali(KFormati::fnQuantita)) != 0)
                    UT_LMQ_AccodaDettaglioQta(r, item.IdVariante, bbas->GruppoDefault(), bbas->LottoDefault(), resto);
            } else if (!item.IdVariante.isEmpty()) {
                UT_LMQ_AccodaDettaglioQta(r, item.IdVariante, QString(), QString(), quantitaRigo);
            }
        });
}

namespace {

// "key#quantity#mode": what is not a number reads 0, an entry without "#" all 0.
void LeggiVoceOrdine(const QString &voce, qint64 &chiave, double &quantita, int &modo)
{
    chiave = 0;
    quantita = 0;
    modo = 0;
    const int primo = voce.indexOf(QLatin1Char('#'));
    if (primo < 0)
        return;
    chiave = voce.left(primo).trimmed().toLongLong();
    const QString resto = voce.mid(primo + 1);
    const int secondo = resto.indexOf(QLatin1Char('#'));
    quantita = QString(resto.left(secondo < 0 ? resto.size() : secondo))
                   .trimmed()
                   .replace(QLatin1Char(','), QLatin1Char('.'))
                   .toDouble();
    if (secondo >= 0)
        modo = resto.mid(secondo + 1).trimmed().toInt();
}

} // namespace

bool TFSVen0008f_p::AccodaRigheBarcode(const QString &barcode, double quantita, QString &idProdotto,
                                       QStringList &messaggi)
{
    return LumoComponenti::LetturaBarcode(TRighe, messaggi, [&](bool &accodato) {
        LumoComponenti::ArticoloBarcode(this, barcode, idProdotto);
        QStringList voci;
        bool trovate = false;
        if (SelezioneOrdiniAttiva() && ModoPrezzoBarcode == 0)
            trovate = TDMISVen::Crea()->RigheOrdineArticolo(
                TTesta->FieldByName(QStringLiteral("IdClienteTp"))->AsString(),
                TTesta->FieldByName(QStringLiteral("IdCliente"))->AsString(), idProdotto, quantita, voci);
        if (!trovate)
            voci = QStringList{QString()};
        for (const QString &voce : std::as_const(voci)) {
            qint64 chiave = 0;
            double quantitaVoce = 0;
            int modo = 0;
            LeggiVoceOrdine(voce, chiave, quantitaVoce, modo);
            if (chiave > 0) {
                if (modo > 0)
                    UT_LMQ_AggiornaSelezioneOrdine(chiave, quantitaVoce, modo);
                continue;
            }
            accodato = true;
            UT_LMQ_AccodaRigoBarcode(idProdotto, trovate ? quantitaVoce : quantita);
        }
    });
}

void TFSVen0008f_p::UT_LMQ_AggiornaSelezioneOrdine(qint64 kOrdiniCliR, double quantita, int modo)
{
    TXTable *linee = DialogoOrdini->TSelOrdR;
    if (!linee->Locate(QStringLiteral("KOrdiniCliR"), kOrdiniCliR)) {
        Kmessages::KMessage(QStringLiteral("Impossibile aggiornare ordine. Riferimento: ")
                                + QString::number(kOrdiniCliR),
                            mtWarning, mbOK);
    } else if (modo == 2) {
        DialogoOrdini->SelezionaRigo();
    } else {
        linee->Edit();
        try {
            linee->FieldByName(QStringLiteral("QtaSelez"))->SetAsFloat(quantita);
            linee->FieldByName(QStringLiteral("StatoRigo"))->SetAsString(QStringLiteral("P"));
            linee->Post();
        } catch (...) {
            linee->Cancel();
            throw;
        }
        DialogoOrdini->AggiornaDettaglioQta(kOrdiniCliR,
                                            linee->FieldByName(QStringLiteral("KOrdiniCliT"))->Value().toLongLong());
    }
    FlSelezioneOrdini = true;
    try {
        SelezioneOrdini();
    } catch (...) {
        FlSelezioneOrdini = false;
        throw;
    }
    FlSelezioneOrdini = false;
}

void TFSVen0008f_p::UT_LMQ_AccodaRigoBarcode(const QString &idProdotto, double quantita)
{
    const auto accodando = AccodandoRighe();
    TRighe->Append();
    TRighe->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(idProdotto);
    RigoDefault(TRighe);
    if (ModoPrezzoBarcode == 0) {
        TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(quantita);
    } else {
        TRighe->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(1);
        TRighe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(quantita);
    }
    TField *pezzi = TRighe->FieldByName(QStringLiteral("Quantita2"));
    pezzi->SetAsFloat(TRighe->FieldByName(QStringLiteral("_UT_LMQ_QtaImballo"))->AsFloat());
    if (pezzi->AsFloat() == 0)
        pezzi->SetAsFloat(1);
    EsenzioneRigo(TRighe, nullptr);
    TRighe->FieldByName(QStringLiteral("Stato"))->SetAsInteger(2);
    TestaARigo(TTesta, TRighe);
    ContoDefault(TRighe);
    if (TDMIBase::Posiziona(TDMIBase::Crea()->lkArticoli, QStringLiteral("IdProdotto"), {idProdotto}))
        CompletaRigo(TRighe);
    UT_LMQ_DVEN_TotLitriRiga(TRighe);
    TRighe->Post();
    FlRigheAggiunte = true;
}
