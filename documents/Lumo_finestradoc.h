#pragma once
// What the module's document windows add to the host's, once: each window derives from one of
// these layers over its host window and keeps only what sets it apart.
//   TLumoFinestraDoc: the host's InitForm under the module's caption and the row layer
//   (TLumoRigheDoc) called after the host's row handlers (customer orders and the layers below);
//   TLumoFinestraCauzioni: the deposit summary on its own tab, following the head, the edit and
//   the save (supplier delivery notes and the layer below);
//   TLumoFinestraVendita: the sales steps of the save (litres, parcels and transport,
//   reservations, the summary's movements, the packaging-expense account) and the deposit
//   settings of the causal and the customer on the head (customer delivery notes and invoices).
#include "documents/Lumo_castdoc.h"
#include "documents/Lumo_passivendita.h"
#include "documents/Lumo_righedoc.h"
#include "engine/Lumo_funzdocven.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/TDataSet.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/TXDatabase.h"
#include "host/ui/DBControls.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QToolButton>

#include <initializer_list>

class TForm;

namespace LumoFinestraDoc {
// The layout's row additions at the foot of the host's row panel.
void AggiungiAlPannello(QWidget *panelR, QWidget *aggiunta);
// The row panel: the row layer's controls found, units per package shown (typed only with
// FlQtaConf, except in the short form whose editability stays the host's), the package count
// captioned, the quantity read-only.
void PannelloRighe(TForm *finestra, TLumoRigheDoc &righe);
// The dataset is being edited or inserted.
inline bool InModifica(const TDataSet *d)
{
    return d->State() == dsEdit || d->State() == dsInsert;
}
} // namespace LumoFinestraDoc

// Finestra: the window deriving from the layer; riferimento: its global reference, emptied
// when it closes.
template <class Ospite, class Finestra> class TLumoFinestraDoc : public Ospite {
public:
    TLumoFinestraDoc(const TMembroRighe &membro, const QString &caption, QPointer<Finestra> &riferimento,
                     QWidget *owner)
        : Ospite(owner), RigheDoc(membro, this->DsRighe), caption_(caption), riferimento_(riferimento)
    {
        this->SetCaption(caption_);
    }

    TLumoRigheDoc RigheDoc;

    // The host's InitForm under the module's caption.
    template <class... Argomenti>
    requires requires(Ospite &o, Argomenti... a) { o.InitForm(a...); }
    bool InitForm(Argomenti... argomenti)
    {
        const bool esito = Ospite::InitForm(argomenti...);
        this->SetCaption(caption_);
        return esito;
    }
    void FormClose(TCloseAction &action) override
    {
        Ospite::FormClose(action);
        if (riferimento_ == static_cast<Finestra *>(this))
            riferimento_ = nullptr;
    }

    // ---- rows: the host's handler, then the row layer
    void TRigheNewRecord(TDataSet *dataSet) override
    {
        Ospite::TRigheNewRecord(dataSet);
        if (!this->FlInCaricamento)
            RigheDoc.NuovoRigo(dataSet, this->TTesta->FieldByName(QStringLiteral("IdListino"))->AsString());
    }
    void TRigheIdProdottoValidate(TField *sender) override
    {
        Ospite::TRigheIdProdottoValidate(sender);
        if (!sender->AsString().trimmed().isEmpty())
            RigheDoc.CopiaImballi(sender->DataSet());
    }
    void TRigheTipoRigoChange(TField *sender) override
    {
        Ospite::TRigheTipoRigoChange(sender);
        UT_LMQ_SettaValoriRiga();
    }
    void TRigheAfterScroll(TDataSet *dataSet) override
    {
        Ospite::TRigheAfterScroll(dataSet);
        if (!this->FlInCaricamento && !this->SalvataggioInCorso())
            UT_LMQ_SettaValoriRiga();
    }
    void TRigheAfterEdit(TDataSet *dataSet) override
    {
        Ospite::TRigheAfterEdit(dataSet);
        UT_LMQ_SettaValoriRiga();
    }
    void TRigheCalcFields(TDataSet *dataSet) override
    {
        Ospite::TRigheCalcFields(dataSet);
        // a row being read gets its calculated fields when it is shown
        if (this->FlInCaricamento && !CalcolaInCaricamento)
            return;
        RigheDoc.CalcFields(dataSet);
        // the amounts shown in the grid (a head without a known currency shows none)
        if (!this->SalvataggioInCorso() && this->TTesta->Active() && !this->TTesta->IsEmpty()) {
            try {
                CalcolaImportiRigo(this->TTesta, dataSet, true);
            } catch (const Exception &) {
            }
        }
    }
    void TRigheBeforePost(TDataSet *dataSet) override
    {
        Ospite::TRigheBeforePost(dataSet);
        RigheDoc.PrimaDiPost(dataSet);
    }
    void CalcoloQuantita(TField *sender) override
    {
        // the stored rows being read keep their quantities
        if (!this->FlInCaricamento)
            RigheDoc.CalcoloQuantita(sender);
    }
    void CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati) override
    {
        RigheDoc.CalcolaImportiRigo(testa, righe, calcolati,
                                    [&] { Ospite::CalcolaImportiRigo(testa, righe, calcolati); });
    }
    virtual void edIdProdottoExit(QObject *) { UT_LMQ_SettaValoriRiga(); }
    virtual void UT_LMQ_SettaValoriRiga() { RigheDoc.SettaValoriRiga(); }

protected:
    // The rows being read get their calculated fields at once (orders).
    bool CalcolaInCaricamento = false;

    // Before the datasets open: the row layer's fields on the rows (with the calculated
    // amounts) and on the window's other row datasets; the rows' calculated fields through
    // TRigheCalcFields.
    void DichiaraCampiRighe(std::initializer_list<TDataSet *> altre)
    {
        RigheDoc.DichiaraCampi(this->TRighe, true);
        for (TDataSet *d : altre)
            RigheDoc.DichiaraCampi(d, false);
        this->TRighe->OnCalcFields = [this](TDataSet *d) { TRigheCalcFields(d); };
    }
    // In FormCreate: the row panel, and the article's exit through edIdProdottoExit.
    void CollegaRighe()
    {
        LumoFinestraDoc::PannelloRighe(this, RigheDoc);
        if (TDBEdit *e = this->template FindControl<TDBEdit>(QStringLiteral("edIdProdotto")))
            e->OnExit = [this](TDBEdit *s) { edIdProdottoExit(s); };
    }
    // The progress bar over the rows a save writes (RegistraRigo steps it), for the life of
    // what it answers.
    [[nodiscard]] auto ProgressoRighe()
    {
        const int righe =
            this->TRighe->Database()
                .ScalarValue(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Stato %2")
                                 .arg(this->TRighe->TableName(),
                                      this->FlRiscriviRighe ? QStringLiteral(">= 0") : QStringLiteral("<> 0")))
                .toInt();
        Mdimainbase::ProgressStart(righe, QStringLiteral("Registrazione righe in corso.."));
        return qScopeGuard([] { Mdimainbase::ProgressEnd(); });
    }

private:
    QString caption_;
    QPointer<Finestra> &riferimento_;
};

template <class Ospite, class Finestra> class TLumoFinestraCauzioni : public TLumoFinestraDoc<Ospite, Finestra> {
public:
    TLumoFinestraCauzioni(const TMembroRighe &membro, const TImpostazioniCastDoc &impostazioni, const QString &caption,
                          QPointer<Finestra> &riferimento, QWidget *owner)
        : TLumoFinestraDoc<Ospite, Finestra>(membro, caption, riferimento, owner)
    {
        Castelletto = new TLumoCastDoc(impostazioni, this->DSMain, this);
        qLUMO_CauzDoc = Castelletto->qLUMO_CauzDoc;
        TTLUMO_CauzDoc = Castelletto->TTLUMO_CauzDoc;
        dsLUMO_CauzDoc = Castelletto->dsLUMO_CauzDoc;
        qLUMO_TotValCau = Castelletto->qLUMO_TotValCau;
        TRSLUMO_CauzDoc = Castelletto->TRSLUMO_CauzDoc;
    }

    // ---- deposit summary (the tab's datasets live in Castelletto)
    TLumoCastDoc *Castelletto = nullptr;
    TXQuery *qLUMO_CauzDoc = nullptr;
    TXTable *TTLUMO_CauzDoc = nullptr;
    TDataSource *dsLUMO_CauzDoc = nullptr;
    TXQuery *qLUMO_TotValCau = nullptr;
    TXClientTable *TRSLUMO_CauzDoc = nullptr;

    // ---- the layout's controls
    QWidget *tsLUMO_CauzDoc = nullptr;
    QWidget *pLUMO_CauzDoc = nullptr;
    QWidget *cLUMO_CauzDoc = nullptr;
    QPushButton *btnUT_LMQ_Pareggia = nullptr;
    QWidget *btnDuSa = nullptr;

    // ---- window
    void FormCreate() override
    {
        Ospite::FormCreate();
        this->CollegaRighe();
        Castelletto->UT_LMQ_InCopiaDati = false;
        Castelletto->Crea();
        if (UT_LMQ_Parametri.FlAbilCauz == 0)
            this->KPageControl->SetTabVisible(tsLUMO_CauzDoc, false);
        QObject::connect(qobject_cast<QToolButton *>(btnDuSa), &QToolButton::clicked, this,
                         [this] { this->Guard([this] { btnDuSaClick(); }); });
        QObject::connect(btnUT_LMQ_Pareggia, &QPushButton::clicked, this,
                         [this] { this->Guard([this] { btnUT_LMQ_PareggiaClick(); }); });
        if (!LumoFinestraDoc::InModifica(this->TTesta))
            Castelletto->MostraArchivio();
    }
    // The host's, then the working copy of the summary for an edit, the stored one otherwise
    // (filled once, not also at each change of the head's state on the way).
    bool InitDoc(int modo) override
    {
        bool esito = false;
        {
            const auto sospeso = Castelletto->Sospeso();
            esito = Ospite::InitDoc(modo);
        }
        if (LumoFinestraDoc::InModifica(this->TTesta)) {
            if (UT_LMQ_CopiaCastelletto())
                esito = true;
        } else {
            Castelletto->TornaArchivio();
            Castelletto->MostraArchivio();
        }
        return esito;
    }
    void TTestaAfterScroll(TDataSet *dataSet) override
    {
        Ospite::TTestaAfterScroll(dataSet);
        if (!LumoFinestraDoc::InModifica(this->TTesta) && dsLUMO_CauzDoc->DataSet() == qLUMO_CauzDoc)
            Castelletto->MostraArchivio();
        Castelletto->UT_LMQ_StatoCauzDoc = false;
    }
    void TTestaNewRecord(TDataSet *dataSet) override
    {
        Ospite::TTestaNewRecord(dataSet);
        Castelletto->UT_LMQ_StatoCauzDoc = false;
    }
    // The account or the destination changed: a summary already built follows it.
    void TTestaContoChange(TField *sender) override
    {
        Ospite::TTestaContoChange(sender);
        Castelletto->CambiaConto();
    }
    void TTestaIdDestinazioneChange(TField *sender) override
    {
        Ospite::TTestaIdDestinazioneChange(sender);
        Castelletto->CambiaConto();
    }
    void DSMainStateChange(TDataSource *source) override
    {
        Ospite::DSMainStateChange(source);
        Castelletto->SeguiTesta([this] { UT_LMQ_CopiaCastelletto(); });
        const bool modifica = LumoFinestraDoc::InModifica(this->TTesta);
        dsLUMO_CauzDoc->SetAutoEdit(modifica);
        pLUMO_CauzDoc->setEnabled(modifica);
        if (cLUMO_CauzDoc)
            cLUMO_CauzDoc->setEnabled(true);
    }
    virtual void btnDuSaClick() = 0;
    virtual void UT_LMQ_CalcoloValoreCauzioni() { Castelletto->UT_LMQ_CalcoloValoreCauzioni(); }
    virtual void btnUT_LMQ_PareggiaClick() { Castelletto->btnUT_LMQ_PareggiaClick(); }

    // ---- the save
    // The working copy of the summary posted.
    virtual void UT_LMQ_PostaCastelletto() { Castelletto->PostaCopia(); }
    // The summary rebuilt from the rows where this edit has not built it.
    virtual void UT_LMQ_RicostruisciCastelletto() = 0;
    // The summary's stored rows last.
    QList<TDataSet *> TabelleSalvataggio() override
    {
        QList<TDataSet *> tabelle = Ospite::TabelleSalvataggio();
        tabelle << TRSLUMO_CauzDoc;
        return tabelle;
    }

protected:
    // The layout's tab (under titolo, in place of the host's) and row panel into the host's
    // pages and panels.
    template <class Layout> void InnestaLayout(Layout &ui, const QString &titolo)
    {
        tsLUMO_CauzDoc = ui.tsLUMO_CauzDoc;
        pLUMO_CauzDoc = ui.pLUMO_CauzDoc;
        cLUMO_CauzDoc = ui.cLUMO_CauzDoc;
        btnUT_LMQ_Pareggia = ui.btnUT_LMQ_Pareggia;
        btnDuSa = ui.btnDuSa;
        ui.pcPagine->removeTab(0);
        this->KPageControl->addTab(tsLUMO_CauzDoc, titolo);
        LumoFinestraDoc::AggiungiAlPannello(this->PanelR, ui.pRigoModulo);
    }
    // The working copy of the summary filled for the edit; false on error (shown).
    bool UT_LMQ_CopiaCastelletto()
    {
        bool esito = false;
        Castelletto->UT_LMQ_InCopiaDati = true;
        this->setUpdatesEnabled(false);
        {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const auto clessidra = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
            try {
                Castelletto->CaricaCopia(this->ModoSalva);
                esito = true;
            } catch (const EAbort &) {
            } catch (const std::exception &e) {
                Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK);
            }
        }
        Castelletto->UT_LMQ_InCopiaDati = false;
        this->setUpdatesEnabled(true);
        return esito;
    }
    // The save run by salva with the rows' and the summary's grids following it once, at its
    // end, and the articles' measure types looked up once each while it passes over the rows.
    template <typename Salva> void SalvaSeguendoAllaFine(Salva salva)
    {
        this->SalvaSenzaRinfrescareRighe([this, &salva] {
            TTLUMO_CauzDoc->DisableControls();
            const auto riattiva = qScopeGuard([this] { TTLUMO_CauzDoc->EnableControls(); });
            const auto misure = this->RigheDoc.RicordandoMisure();
            salva();
        });
    }
    // Before the save's transaction: the working copy posted and the summary rebuilt; false
    // when the build failed (its text shown).
    bool PreparaCastelletto()
    {
        UT_LMQ_PostaCastelletto();
        try {
            UT_LMQ_RicostruisciCastelletto();
        } catch (const EAbort &) {
            return false;
        }
        return true;
    }
    // The summary built from the rows; a failed build has shown its text already.
    void CostruisciCastelletto()
    {
        try {
            Castelletto->Ricostruisci(this->TTesta, this->TRighe, this->TDatiAggiuntivi);
        } catch (const EAbort &) {
        }
    }
};

template <class Ospite, class Finestra> class TLumoFinestraVendita : public TLumoFinestraCauzioni<Ospite, Finestra> {
public:
    // sigla: the document's code in the module's steps ("DT", "FI"); siglaColli: in the
    // parcels and transport calculation; causali: the host's lookup of the document causals.
    TLumoFinestraVendita(const TMembroRighe &membro, const TImpostazioniCastDoc &impostazioni, const QString &caption,
                         const QString &sigla, const QString &siglaColli, TXlkTable *TDMIBase::*causali,
                         QPointer<Finestra> &riferimento, QWidget *owner)
        : TLumoFinestraCauzioni<Ospite, Finestra>(membro, impostazioni, caption, riferimento, owner), sigla_(sigla),
          siglaColli_(siglaColli)
    {
        this->Castelletto->SegnoInverso = [this] { return this->FlSegnoInverso; };
        this->Castelletto->PoliticaNegativo = [this, causali] {
            return (TDMIBase::Crea()->*causali)
                ->Lookup(QStringLiteral("IdCausale"),
                         this->TTesta->FieldByName(QStringLiteral("IdCausale"))->AsString(),
                         QStringLiteral("UT_FlValCauNeg"))
                .toInt();
        };
        // head: the causal's and the customer's settings, the customer's deposit price list
        TDMIBase *base = TDMIBase::Crea();
        const QString causale = QStringLiteral("IdCausale");
        for (const char *nome : {"UT_LMQ_FlTipoGest", "UT_LMQ_FlAbilPrenota", "UT_LMQ_FlCauzioni"})
            this->TTesta->AddLookupField(QLatin1Char('_') + QLatin1String(nome), ftInteger, 0, base->*causali, causale,
                                         causale, QLatin1String(nome));
        this->TTesta->AddLookupField(QStringLiteral("_UT_LMQ_FlGesTraCli"), ftInteger, 0, base->lkClienti,
                                     QStringLiteral("IdClienteTp;IdCliente"), QStringLiteral("IdContoTp;IdConto"),
                                     QStringLiteral("UT_LMQ_FlGesTraCli"));
        this->TTesta->AddCalcField(QStringLiteral("_UT_LMQ_ListCauz"), ftString, 3);
    }

    // Packages and transport were recalculated on entering the totals page.
    bool UT_LMQ_FlCalcoloTotaliDuSa = false;

    // ---- window
    void FormCreate() override
    {
        TLumoFinestraCauzioni<Ospite, Finestra>::FormCreate();
        const bool eccedenze = UT_LMQ_Parametri.FlGestEcc != 0;
        for (const char *nome : {"QtaCarEcc", "QtaResEcc", "EsiAttEcc"})
            for (const QString &prefisso : {QStringLiteral("edUT_"), QStringLiteral("lbUT_")})
                if (QWidget *w = this->template FindControl<QWidget>(prefisso + QLatin1String(nome)))
                    w->setVisible(eccedenze);
        this->btnUT_LMQ_Pareggia->setVisible(!eccedenze);
        if (this->RigheDoc.edLunghezza)
            this->RigheDoc.edLunghezza->OnExit = [this](TDBEdit *s) { this->Guard([&] { edLunghezzaExit(s); }); };
        if (this->RigheDoc.edQuantita2)
            this->RigheDoc.edQuantita2->OnExit = [this](TDBEdit *s) { this->Guard([&] { edQuantita2Exit(s); }); };
    }
    void TTestaCalcFields(TDataSet *dataSet) override
    {
        Ospite::TTestaCalcFields(dataSet);
        const bool visibile = TLumoCastDoc::CampiTesta(dataSet);
        if (this->KPageControl->TabVisible(this->tsLUMO_CauzDoc) != visibile)
            this->KPageControl->SetTabVisible(this->tsLUMO_CauzDoc, visibile);
    }
    void KPageControlChange(QObject *sender) override
    {
        Ospite::KPageControlChange(sender);
        QWidget *pagina = this->KPageControl->ActivePage();
        const bool modifica = LumoFinestraDoc::InModifica(this->TTesta);
        TLumoCastDoc *castelletto = this->Castelletto;
        if (pagina == this->tsLUMO_CauzDoc && modifica) {
            castelletto->UT_LMQ_StatoCauzDoc = true;
            this->CostruisciCastelletto();
        }
        if (pagina == this->tsTesta)
            castelletto->UT_LMQ_StatoCauzDoc = false;
        if (pagina == this->tsPagina5 && modifica) {
            if ((!castelletto->UT_LMQ_StatoCauzDoc || castelletto->CopiaVuota())
                && this->KPageControl->TabVisible(this->tsLUMO_CauzDoc) && this->ModoSalva != 2)
                this->CostruisciCastelletto();
            UT_LMQ_FlCalcoloTotaliDuSa = true;
            UT_LMQ_CalcoloTotaliDuSa();
        } else {
            UT_LMQ_FlCalcoloTotaliDuSa = false;
        }
    }
    void btnDuSaClick() override { UT_LMQ_DVEN_DlgDuSa(this->DSMain->DataSet(), this->DsRighe->DataSet(), this); }
    // Parcels and transport of the document being edited (asked first outside the totals page).
    virtual void UT_LMQ_CalcoloTotaliDuSa()
    {
        TDataSet *testa = this->TTesta;
        if (!LumoFinestraDoc::InModifica(testa))
            return;
        if (!UT_LMQ_FlCalcoloTotaliDuSa && testa->State() == dsEdit
            && Kmessages::KMessage(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"),
                                   mtConfirmation, mbYesNo)
                   != mrYes)
            return;
        UT_LMQ_DVEN_TotNumCol(testa, this->TRighe, siglaColli_);
        const int gestione = testa->FieldByName(QStringLiteral("_UT_LMQ_FlTipoGest"))->AsInteger();
        if (gestione != 0) {
            this->CalcolaTotali(false, false);
            UT_LMQ_DVEN_SpeseTrasporto(testa, this->TRighe, this->TTotaliDoc, gestione, siglaColli_);
        }
    }

    // ---- rows taken from order lines (delivery notes: the invoice takes its own way)
    // By packages: the line's module columns, its packages chosen, its units per package, the
    // quantity from them, the litres.
    void RigoDaLineaOrdine(TDataSet *rigo, TDataSet *linea) override
    {
        Ospite::RigoDaLineaOrdine(rigo, linea);
        for (const char *nome :
             {"UT_LMQ_FlTipoPrz", "UT_LMQ_IdImballo1", "UT_LMQ_IdImballo2", "UT_LMQ_PrezzoTra", "UT_LMQ_PrezzoTraN"})
            rigo->FieldByName(QLatin1String(nome))->SetValue(linea->FieldByName(QLatin1String(nome))->Value());
        const double confezioni = linea->FieldByName(QStringLiteral("UT_QtaConfSel"))->AsFloat();
        rigo->FieldByName(QStringLiteral("Quantita2"))
            ->SetAsFloat(linea->FieldByName(QStringLiteral("Quantita2Ord"))->AsFloat());
        rigo->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(confezioni);
        rigo->FieldByName(QStringLiteral("NumeroImballi"))->SetAsFloat(confezioni);
        this->CalcoloQuantita(rigo->FieldByName(QStringLiteral("Lunghezza")));
        UT_LMQ_DVEN_TotLitriRiga(rigo);
    }

    // ---- rows: the exits of the packages and units edits may open the quantity detail
    virtual void edLunghezzaExit(QObject *sender)
    {
        this->RigheDoc.UscitaLunghezza([this, sender] { this->btnDetQtaClick(sender); });
    }
    virtual void edQuantita2Exit(QObject *sender)
    {
        this->RigheDoc.UscitaQuantita2([this, sender] { this->btnDetQtaClick(sender); });
    }

    // ---- the module's steps of the save, each after the host's
    QStringList CampiTestaEsterni() const override // the excise mark, set by the excise run
    {
        return Ospite::CampiTestaEsterni() << QStringLiteral("UT_LMQ_FlAccisa");
    }
    void TotaleLitri() override
    {
        Ospite::TotaleLitri();
        LumoPassiVendita::TotaleLitri(this);
    }
    void ColliTrasporto() override
    {
        Ospite::ColliTrasporto();
        LumoPassiVendita::ColliTrasporto(UT_LMQ_FlCalcoloTotaliDuSa, [this] { UT_LMQ_CalcoloTotaliDuSa(); });
    }
    bool ControlloPrenotazioni() override
    {
        return Ospite::ControlloPrenotazioni() && LumoPassiVendita::ControlloPrenotazioni(this, sigla_);
    }
    void EvadiPrenotazioni() override
    {
        Ospite::EvadiPrenotazioni();
        LumoPassiVendita::EvadiPrenotazioni(this, sigla_);
    }
    void RegistraRiepilogo() override
    {
        Ospite::RegistraRiepilogo();
        LumoPassiVendita::RegistraRiepilogo(this, this->Castelletto, sigla_);
    }
    void CodiceSpeseImballo() override
    {
        Ospite::CodiceSpeseImballo();
        LumoPassiVendita::CodiceSpeseImballo(this, sigla_);
    }

private:
    QString sigla_;
    QString siglaColli_;
};
