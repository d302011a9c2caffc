#include "documents/Sven0001f_p.h"

#include "ui_Sven0008f_p.h"

#include "documents/Lumo_passivendita.h"
#include "documents/Sven0002s_p.h"
#include "engine/Lumo_funzdocven.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/DBNavigator.h"
#include "host/ui/Kmessages.h"

#include <QGridLayout>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QToolButton>

#include <memory>

DUSARIA_FINESTRA(TFSVen0001f_p, FSVen0001f_p);

namespace {

bool InModifica(TDataSet *d)
{
    return d->State() == dsEdit || d->State() == dsInsert;
}

const QString kSigla = QStringLiteral("DT");
const QString kCaption = QStringLiteral("DDT Clienti (Dusaria)");

} // namespace

TFSVen0001f_p::TFSVen0001f_p(QWidget *owner) : TFSVen0001f(owner), RigheDoc(MembroBollaCliente(), DsRighe)
{
    setObjectName(QStringLiteral("FSVen0001f_p"));
    SetCaption(kCaption);

    Castelletto = new TLumoCastDoc(CastellettoBollaCliente(), DSMain, this);
    Castelletto->SegnoInverso = [this] { return FlSegnoInverso; };
    Castelletto->PoliticaNegativo = [this] {
        return TDMIBase::Crea()
            ->lkCausBolleCli
            ->Lookup(QStringLiteral("IdCausale"), TTesta->FieldByName(QStringLiteral("IdCausale"))->AsString(),
                     QStringLiteral("UT_FlValCauNeg"))
            .toInt();
    };
    qLUMO_CauzDoc = Castelletto->qLUMO_CauzDoc;
    TTLUMO_CauzDoc = Castelletto->TTLUMO_CauzDoc;
    dsLUMO_CauzDoc = Castelletto->dsLUMO_CauzDoc;
    TRSLUMO_CauzDoc = Castelletto->TRSLUMO_CauzDoc;

    // head: the causal's and the customer's settings, the customer's deposit price list
    TDMIBase *base = TDMIBase::Crea();
    const QString causale = QStringLiteral("IdCausale");
    for (const char *nome : {"UT_LMQ_FlTipoGest", "UT_LMQ_FlAbilPrenota", "UT_LMQ_FlCauzioni"})
        TTesta->AddLookupField(QLatin1Char('_') + QLatin1String(nome), ftInteger, 0, base->lkCausBolleCli, causale,
                               causale, QLatin1String(nome));
    TTesta->AddLookupField(QStringLiteral("_UT_LMQ_FlGesTraCli"), ftInteger, 0, base->lkClienti,
                           QStringLiteral("IdClienteTp;IdCliente"), QStringLiteral("IdContoTp;IdConto"),
                           QStringLiteral("UT_LMQ_FlGesTraCli"));
    TTesta->AddCalcField(QStringLiteral("_UT_LMQ_ListCauz"), ftString, 3);

    RigheDoc.DichiaraCampi(TRighe, true);
    for (TDataSet *d : {static_cast<TDataSet *>(TRigheNC), static_cast<TDataSet *>(TRRighe)})
        RigheDoc.DichiaraCampi(d, false);
    TRighe->OnCalcFields = [this](TDataSet *d) { TRigheCalcFields(d); };

    // the tab and the row panel into the host's pages and panels
    QWidget contenitore;
    Ui::Sven0008f_p ui;
    ui.setupUi(&contenitore);
    tsLUMO_CauzDoc = ui.tsLUMO_CauzDoc;
    pLUMO_CauzDoc = ui.pLUMO_CauzDoc;
    gUT_LMQ_CauzDoc = ui.gUT_LMQ_CauzDoc;
    DBNavigatoreCauz = ui.DBNavigatoreCauz;
    btnUT_LMQ_Pareggia = ui.btnUT_LMQ_Pareggia;
    btnDuSa = ui.btnDuSa;
    ui.pcPagine->removeTab(0);
    KPageControl->addTab(tsLUMO_CauzDoc, QStringLiteral("Castelletto Cauzioni"));
    if (auto *griglia = qobject_cast<QGridLayout *>(PanelR->layout()))
        griglia->addWidget(ui.pRigoModulo, griglia->rowCount(), 0, 1, griglia->columnCount());
    else
        PanelR->layout()->addWidget(ui.pRigoModulo);

    ColonneRigheVendita(GrigliaRighe);
    TLumoCastDoc::ColonneGriglia(gUT_LMQ_CauzDoc);
    DBNavigatoreCauz->SetVisibleButtons(nbAllButtons & ~NavButton(nbDelete));
}

// ---- window

bool TFSVen0001f_p::InitForm(int tipo, qint64 chiave, int opzioni)
{
    const bool esito = TFSVen0001f::InitForm(tipo, chiave, opzioni);
    SetCaption(kCaption);
    return esito;
}

void TFSVen0001f_p::FormCreate()
{
    TFSVen0001f::FormCreate();
    RigheDoc.TrovaControlli(this);
    if (RigheDoc.edQuantita2) {
        RigheDoc.edQuantita2->setVisible(true);
        RigheDoc.edQuantita2->SetReadOnly(UT_LMQ_Parametri.FlQtaConf != 1);
    }
    if (QLabel *l = FindControl<QLabel>(QStringLiteral("lbQuantita2")))
        l->setVisible(true);
    if (RigheDoc.lbLunghezza)
        RigheDoc.lbLunghezza->setText(QStringLiteral("Nr.Confez."));
    if (RigheDoc.edQuantita)
        RigheDoc.edQuantita->SetReadOnly(true);
    Castelletto->UT_LMQ_InCopiaDati = false;
    Castelletto->Crea();
    if (UT_LMQ_Parametri.FlAbilCauz == 0)
        KPageControl->SetTabVisible(tsLUMO_CauzDoc, false);
    const bool eccedenze = UT_LMQ_Parametri.FlGestEcc != 0;
    for (const char *nome : {"QtaCarEcc", "QtaResEcc", "EsiAttEcc"})
        for (const QString &prefisso : {QStringLiteral("edUT_"), QStringLiteral("lbUT_")})
            if (QWidget *w = FindControl<QWidget>(prefisso + QLatin1String(nome)))
                w->setVisible(eccedenze);
    btnUT_LMQ_Pareggia->setVisible(!eccedenze);

    if (TDBEdit *e = FindControl<TDBEdit>(QStringLiteral("edIdProdotto")))
        e->OnExit = [this](TDBEdit *) { RigheDoc.SettaValoriRiga(); };
    if (RigheDoc.edLunghezza)
        RigheDoc.edLunghezza->OnExit = [this](TDBEdit *s) {
            Guard([&] { RigheDoc.UscitaLunghezza([this, s] { btnDetQtaClick(s); }); });
        };
    if (RigheDoc.edQuantita2)
        RigheDoc.edQuantita2->OnExit = [this](TDBEdit *s) {
            Guard([&] { RigheDoc.UscitaQuantita2([this, s] { btnDetQtaClick(s); }); });
        };
    connect(qobject_cast<QToolButton *>(btnDuSa), &QToolButton::clicked, this, [this] { Guard([this] { btnDuSaClick(); }); });
    connect(btnUT_LMQ_Pareggia, &QPushButton::clicked, this,
            [this] { Guard([this] { Castelletto->btnUT_LMQ_PareggiaClick(); }); });
    if (!InModifica(TTesta))
        Castelletto->MostraArchivio();
}

void TFSVen0001f_p::FormClose(TCloseAction &action)
{
    TFSVen0001f::FormClose(action);
    if (FSVen0001f_p == this)
        FSVen0001f_p = nullptr;
}

bool TFSVen0001f_p::CopiaCastelletto()
{
    bool esito = false;
    Castelletto->UT_LMQ_InCopiaDati = true;
    try {
        Castelletto->CaricaCopia(ModoSalva);
        esito = true;
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK);
    }
    Castelletto->UT_LMQ_InCopiaDati = false;
    return esito;
}

bool TFSVen0001f_p::InitDoc(int modo)
{
    bool esito = TFSVen0001f::InitDoc(modo);
    if (InModifica(TTesta)) {
        if (CopiaCastelletto())
            esito = true;
    } else {
        Castelletto->TornaArchivio();
        Castelletto->MostraArchivio();
    }
    return esito;
}

void TFSVen0001f_p::TTestaCalcFields(TDataSet *dataSet)
{
    TFSVen0001f::TTestaCalcFields(dataSet);
    const bool visibile = TLumoCastDoc::CampiTesta(dataSet);
    if (KPageControl->TabVisible(tsLUMO_CauzDoc) != visibile)
        KPageControl->SetTabVisible(tsLUMO_CauzDoc, visibile);
}

void TFSVen0001f_p::TTestaAfterScroll(TDataSet *dataSet)
{
    TFSVen0001f::TTestaAfterScroll(dataSet);
    if (!InModifica(TTesta) && dsLUMO_CauzDoc->DataSet() == qLUMO_CauzDoc)
        Castelletto->MostraArchivio();
    Castelletto->UT_LMQ_StatoCauzDoc = false;
}

void TFSVen0001f_p::TTestaNewRecord(TDataSet *dataSet)
{
    TFSVen0001f::TTestaNewRecord(dataSet);
    Castelletto->UT_LMQ_StatoCauzDoc = false;
}

void TFSVen0001f_p::KPageControlChange(QObject *sender)
{
    TFSVen0001f::KPageControlChange(sender);
    QWidget *pagina = KPageControl->ActivePage();
    const bool modifica = InModifica(TTesta);
    // a failed build has shown its text already: the page change drops it
    const auto costruisci = [this] {
        try {
            Castelletto->Ricostruisci(TTesta, TRighe, TDatiAggiuntivi);
        } catch (const EAbort &) {
        }
    };
    if (pagina == tsLUMO_CauzDoc && modifica) {
        Castelletto->UT_LMQ_StatoCauzDoc = true;
        costruisci();
    }
    if (pagina == tsTesta)
        Castelletto->UT_LMQ_StatoCauzDoc = false;
    if (pagina == tsPagina5 && modifica) {
        if ((!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota()) &&
            KPageControl->TabVisible(tsLUMO_CauzDoc) && ModoSalva != 2)
            costruisci();
        UT_LMQ_FlCalcoloTotaliDuSa = true;
        UT_LMQ_CalcoloTotaliDuSa();
    } else {
        UT_LMQ_FlCalcoloTotaliDuSa = false;
    }
}

void TFSVen0001f_p::DSMainStateChange(TDataSource *source)
{
    TFSVen0001f::DSMainStateChange(source);
    Castelletto->SeguiTesta([this] { CopiaCastelletto(); });
    const bool modifica = InModifica(TTesta);
    dsLUMO_CauzDoc->SetAutoEdit(modifica);
    pLUMO_CauzDoc->setEnabled(modifica);
}

void TFSVen0001f_p::btnDuSaClick()
{
    UT_LMQ_DVEN_DlgDuSa(DSMain->DataSet(), DsRighe->DataSet(), this);
}

void TFSVen0001f_p::UT_LMQ_CalcoloTotaliDuSa()
{
    if (!InModifica(TTesta))
        return;
    if (!UT_LMQ_FlCalcoloTotaliDuSa && TTesta->State() == dsEdit &&
        Kmessages::KMessage(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"), mtConfirmation,
                            mbYesNo) != mrYes)
        return;
    UT_LMQ_DVEN_TotNumCol(TTesta, TRighe, kSigla);
    const int gestione = TTesta->FieldByName(QStringLiteral("_UT_LMQ_FlTipoGest"))->AsInteger();
    if (gestione != 0) {
        CalcolaTotali(false, false);
        UT_LMQ_DVEN_SpeseTrasporto(TTesta, TRighe, TTotaliDoc, gestione, kSigla);
    }
}

void TFSVen0001f_p::UT_LMQ_CalcoloValoreCauzioni()
{
    Castelletto->UT_LMQ_CalcoloValoreCauzioni();
}

// ---- rows

void TFSVen0001f_p::TRigheNewRecord(TDataSet *dataSet)
{
    TFSVen0001f::TRigheNewRecord(dataSet);
    if (!FlInCaricamento)
        RigheDoc.NuovoRigo(dataSet, TTesta->FieldByName(QStringLiteral("IdListino"))->AsString());
}

void TFSVen0001f_p::TRigheIdProdottoValidate(TField *sender)
{
    TFSVen0001f::TRigheIdProdottoValidate(sender);
    if (!sender->AsString().trimmed().isEmpty())
        RigheDoc.CopiaImballi(sender->DataSet());
}

void TFSVen0001f_p::TRigheTipoRigoChange(TField *sender)
{
    TFSVen0001f::TRigheTipoRigoChange(sender);
    RigheDoc.SettaValoriRiga();
}

void TFSVen0001f_p::TRigheAfterScroll(TDataSet *dataSet)
{
    TFSVen0001f::TRigheAfterScroll(dataSet);
    if (!FlInCaricamento && !SalvataggioInCorso())
        RigheDoc.SettaValoriRiga();
}

void TFSVen0001f_p::TRigheAfterEdit(TDataSet *dataSet)
{
    TFSVen0001f::TRigheAfterEdit(dataSet);
    RigheDoc.SettaValoriRiga();
}

void TFSVen0001f_p::TRigheCalcFields(TDataSet *dataSet)
{
    TFSVen0001f::TRigheCalcFields(dataSet);
    // a row being read gets its calculated fields when it is shown
    if (FlInCaricamento)
        return;
    RigheDoc.CalcFields(dataSet);
    // the amounts shown in the grid (a head without a known currency shows none)
    if (!SalvataggioInCorso() && TTesta->Active() && !TTesta->IsEmpty()) {
        try {
            RigheDoc.CalcolaImportiRigo(TTesta, dataSet, true);
        } catch (const Exception &) {
        }
    }
}

void TFSVen0001f_p::TRigheBeforePost(TDataSet *dataSet)
{
    TFSVen0001f::TRigheBeforePost(dataSet);
    RigheDoc.PrimaDiPost(dataSet);
}

void TFSVen0001f_p::CalcoloQuantita(TField *sender)
{
    // the stored rows being read keep their quantities
    if (!FlInCaricamento)
        RigheDoc.CalcoloQuantita(sender);
}

void TFSVen0001f_p::CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati)
{
    RigheDoc.CalcolaImportiRigo(testa, righe, calcolati);
}

// ---- the save

void TFSVen0001f_p::SalvaDocumento()
{
    // a failure before the transaction comes back as a warning, the note still in edit; a
    // summary build error has shown its text already
    SalvaSenzaRinfrescareRighe([this] {
        // the articles' measure types looked up once each while the save passes over the rows
        const auto misure = RigheDoc.RicordandoMisure();
        try {
            TFSVen0001f::SalvaDocumento();
        } catch (const EAbort &) {
        } catch (const std::exception &e) {
            if (SalvataggioRiuscito)
                throw;
            AnnullaSalvataggio(Kmessages::ExceptionText(e));
        }
    });
}

QStringList TFSVen0001f_p::CampiTestaEsterni() const
{
    return TFSVen0001f::CampiTestaEsterni() << QStringLiteral("UT_LMQ_FlAccisa");
}

void TFSVen0001f_p::ControllaAltriUtenti()
{
    Castelletto->Trattieni();
    TFSVen0001f::ControllaAltriUtenti();
}

void TFSVen0001f_p::AnnullaSalvataggio(const QString &messaggio)
{
    TFSVen0001f::AnnullaSalvataggio(messaggio);
    Castelletto->Rilascia([this] { CopiaCastelletto(); });
}

void TFSVen0001f_p::DopoSalvataggio()
{
    Castelletto->Rilascia([this] { CopiaCastelletto(); });
    TFSVen0001f::DopoSalvataggio();
}

void TFSVen0001f_p::RicostruisciSeServe()
{
    if (!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota())
        Castelletto->RicostruisciRighePostate(TTesta, TRighe, TDatiAggiuntivi);
}

void TFSVen0001f_p::CostruisciRiepilogo()
{
    Castelletto->PostaCopia();
    if (TTesta->Active() && !TTesta->IsEmpty())
        TTesta->FieldByName(QStringLiteral("_UT_LMQ_ListCauz"))->AsString();
    // a build error has shown its text: the save ends before the transaction
    RicostruisciSeServe();
    TFSVen0001f::CostruisciRiepilogo();
}

void TFSVen0001f_p::TotaleLitri()
{
    TFSVen0001f::TotaleLitri();
    LumoPassiVendita::TotaleLitri(this);
}

void TFSVen0001f_p::ColliTrasporto()
{
    TFSVen0001f::ColliTrasporto();
    LumoPassiVendita::ColliTrasporto(UT_LMQ_FlCalcoloTotaliDuSa, [this] { UT_LMQ_CalcoloTotaliDuSa(); });
}

bool TFSVen0001f_p::ControlloPrenotazioni()
{
    return TFSVen0001f::ControlloPrenotazioni() && LumoPassiVendita::ControlloPrenotazioni(this, kSigla);
}

QList<TDataSet *> TFSVen0001f_p::TabelleSalvataggio()
{
    QList<TDataSet *> tabelle = TFSVen0001f::TabelleSalvataggio();
    tabelle << TRSLUMO_CauzDoc;
    return tabelle;
}

void TFSVen0001f_p::EvadiPrenotazioni()
{
    TFSVen0001f::EvadiPrenotazioni();
    LumoPassiVendita::EvadiPrenotazioni(this, kSigla);
}

void TFSVen0001f_p::RegistraRiepilogo()
{
    TFSVen0001f::RegistraRiepilogo();
    LumoPassiVendita::RegistraRiepilogo(this, Castelletto, kSigla);
}

void TFSVen0001f_p::CodiceSpeseImballo()
{
    TFSVen0001f::CodiceSpeseImballo();
    LumoPassiVendita::CodiceSpeseImballo(this, kSigla);
}

void TFSVen0001f_p::StampaDocumento()
{
    std::unique_ptr<TfSven0002s_p> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<TfSven0002s_p>()).CreateAs<TfSven0002s_p>(this));
    if (stampa->InitFormDocumento(int(KeyCorrente())))
        stampa->EseguiStampa(true);
}
