#include "documents/Sven0008f_p.h"

#include "ui_Sven0008f_p.h"

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

TXDatabase &Azienda()
{
    return DMIDataBases::Instance().Global();
}

bool InModifica(TDataSet *d)
{
    return d->State() == dsEdit || d->State() == dsInsert;
}

// The hourglass for the life of the scope.
struct Clessidra {
    Clessidra() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Clessidra() { QApplication::restoreOverrideCursor(); }
};

const QString kSigla = QStringLiteral("FI");

} // namespace

TFSVen0008f_p::TFSVen0008f_p(QWidget *owner) : TFSVen0008f(owner), RigheDoc(MembroFattura(), DsRighe)
{
    setObjectName(QStringLiteral("FSVen0008f_p"));
    SetCaption(QStringLiteral("Fatture Clienti (Dusaria)"));

    Castelletto = new TLumoCastDoc(CastellettoFattura(), DSMain, this);
    Castelletto->SegnoInverso = [this] { return FlSegnoInverso; };
    Castelletto->PoliticaNegativo = [this] {
        const QVariant v = TDMIBase::Crea()->lkCausFattCli->Lookup(
            QStringLiteral("IdCausale"), TTesta->FieldByName(QStringLiteral("IdCausale"))->AsString(),
            QStringLiteral("UT_FlValCauNeg"));
        return v.toInt();
    };
    qLUMO_CauzDoc = Castelletto->qLUMO_CauzDoc;
    TTLUMO_CauzDoc = Castelletto->TTLUMO_CauzDoc;
    dsLUMO_CauzDoc = Castelletto->dsLUMO_CauzDoc;
    qLUMO_TotValCau = Castelletto->qLUMO_TotValCau;
    TRSLUMO_CauzDoc = Castelletto->TRSLUMO_CauzDoc;
    qUT_RigheTot = new TXQuery(this);
    qUT_RigheTot->SetName(QStringLiteral("qUT_RigheTot"));

    // head: the causal's and the customer's settings, the customer's deposit price list
    TDMIBase *base = TDMIBase::Crea();
    const QString causale = QStringLiteral("IdCausale");
    for (const char *nome : {"UT_LMQ_FlTipoGest", "UT_LMQ_FlAbilPrenota", "UT_LMQ_FlCauzioni"})
        TTesta->AddLookupField(QLatin1Char('_') + QLatin1String(nome), ftInteger, 0, base->lkCausFattCli, causale,
                               causale, QLatin1String(nome));
    TTesta->AddLookupField(QStringLiteral("_UT_LMQ_FlGesTraCli"), ftInteger, 0, base->lkClienti,
                           QStringLiteral("IdClienteTp;IdCliente"), QStringLiteral("IdContoTp;IdConto"),
                           QStringLiteral("UT_LMQ_FlGesTraCli"));
    TTesta->AddCalcField(QStringLiteral("_UT_LMQ_ListCauz"), ftString, 3);

    // rows: the module's lookups on every row dataset
    RigheDoc.DichiaraCampi(TRighe, true);
    for (TDataSet *d : {static_cast<TDataSet *>(TRigheNC), static_cast<TDataSet *>(TRRighe),
                        static_cast<TDataSet *>(TRRigheNC)})
        RigheDoc.DichiaraCampi(d, false);
    TRighe->OnCalcFields = [this](TDataSet *d) { TRigheCalcFields(d); };

    // the layout's additions into the host's pages and panels
    QWidget contenitore;
    Ui::Sven0008f_p ui;
    ui.setupUi(&contenitore);
    tsLUMO_CauzDoc = ui.tsLUMO_CauzDoc;
    pLUMO_CauzDoc = ui.pLUMO_CauzDoc;
    cLUMO_CauzDoc = ui.cLUMO_CauzDoc;
    gUT_LMQ_CauzDoc = ui.gUT_LMQ_CauzDoc;
    DBNavigatoreCauz = ui.DBNavigatoreCauz;
    btnUT_LMQ_Pareggia = ui.btnUT_LMQ_Pareggia;
    cbUT_UT_LMQ_FlTipoPrz = ui.cbUT_UT_LMQ_FlTipoPrz;
    btnDuSa = ui.btnDuSa;
    lblUT_TotRighe = ui.lblUT_TotRighe;
    lblUT_TotRighe2 = ui.lblUT_TotRighe2;
    ui.pcPagine->removeTab(0);
    KPageControl->addTab(tsLUMO_CauzDoc, QStringLiteral("Castelletto Cauzioni"));
    if (auto *griglia = qobject_cast<QGridLayout *>(PanelR->layout()))
        griglia->addWidget(ui.pRigoModulo, griglia->rowCount(), 0, 1, griglia->columnCount());
    else
        PanelR->layout()->addWidget(ui.pRigoModulo);
    pTotali->layout()->addWidget(lblUT_TotRighe2);
    pPesi->layout()->addWidget(lblUT_TotRighe);

    ColonneRigheVendita(GrigliaRighe);
    TLumoCastDoc::ColonneGriglia(gUT_LMQ_CauzDoc);
    DBNavigatoreCauz->SetVisibleButtons(nbAllButtons & ~NavButton(nbDelete));
}

// ---- window

bool TFSVen0008f_p::InitForm(int modo, qint64 chiave)
{
    const bool esito = TFSVen0008f::InitForm(modo, chiave);
    SetCaption(QStringLiteral("Fatture Clienti (Dusaria)"));
    return esito;
}

void TFSVen0008f_p::AggiornaCalcolati()
{
    if (TTesta->Active() && !TTesta->IsEmpty())
        TTesta->FieldByName(QStringLiteral("_UT_LMQ_ListCauz"))->AsString();
}

void TFSVen0008f_p::DSMainDataChange(TDataSource *source, TField *field)
{
    TFSVen0008f::DSMainDataChange(source, field);
    if (!field || field->FieldName().compare(QLatin1String("IdCausale"), Qt::CaseInsensitive) == 0 ||
        field->FieldName().compare(QLatin1String("IdCliente"), Qt::CaseInsensitive) == 0 ||
        field->FieldName().compare(QLatin1String("IdClienteTp"), Qt::CaseInsensitive) == 0)
        AggiornaCalcolati();
}

void TFSVen0008f_p::FormCreate()
{
    TFSVen0008f::FormCreate();
    RigheDoc.TrovaControlli(this);
    // units per package shown, typed only with FlQtaConf; the quantity follows the packages
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
    for (const char *nome : {"QtaCarEcc", "QtaResEcc", "EsiAttEcc"}) {
        for (const QString &prefisso : {QStringLiteral("edUT_"), QStringLiteral("lbUT_")})
            if (QWidget *w = FindControl<QWidget>(prefisso + QLatin1String(nome)))
                w->setVisible(eccedenze);
    }
    btnUT_LMQ_Pareggia->setVisible(UT_LMQ_Parametri.FlGestEcc == 0);

    if (TDBEdit *e = FindControl<TDBEdit>(QStringLiteral("edIdProdotto")))
        e->OnExit = [this](TDBEdit *s) { edIdProdottoExit(s); };
    if (RigheDoc.edLunghezza)
        RigheDoc.edLunghezza->OnExit = [this](TDBEdit *s) { Guard([&] { edLunghezzaExit(s); }); };
    if (RigheDoc.edQuantita2)
        RigheDoc.edQuantita2->OnExit = [this](TDBEdit *s) { Guard([&] { edQuantita2Exit(s); }); };
    connect(qobject_cast<QToolButton *>(btnDuSa), &QToolButton::clicked, this, [this] { Guard([this] { btnDuSaClick(); }); });
    connect(btnUT_LMQ_Pareggia, &QPushButton::clicked, this, [this] { Guard([this] { btnUT_LMQ_PareggiaClick(); }); });
    if (!InModifica(TTesta))
        Castelletto->MostraArchivio();
}

void TFSVen0008f_p::FormClose(TCloseAction &action)
{
    TFSVen0008f::FormClose(action);
    if (FSVen0008f_p == this)
        FSVen0008f_p = nullptr;
}

bool TFSVen0008f_p::UT_LMQ_CopiaCastelletto()
{
    bool esito = false;
    Castelletto->UT_LMQ_InCopiaDati = true;
    setUpdatesEnabled(false);
    {
        Clessidra clessidra;
        try {
            Castelletto->CaricaCopia(ModoSalva);
            esito = true;
        } catch (const EAbort &) {
        } catch (const std::exception &e) {
            Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK);
        }
    }
    Castelletto->UT_LMQ_InCopiaDati = false;
    setUpdatesEnabled(true);
    return esito;
}

bool TFSVen0008f_p::InitDoc(int modo)
{
    bool esito = TFSVen0008f::InitDoc(modo);
    if (InModifica(TTesta)) {
        if (UT_LMQ_CopiaCastelletto())
            esito = true;
    } else {
        Castelletto->TornaArchivio();
        Castelletto->MostraArchivio();
    }
    return esito;
}

void TFSVen0008f_p::TTestaCalcFields(TDataSet *dataSet)
{
    TFSVen0008f::TTestaCalcFields(dataSet);
    const bool visibile = TLumoCastDoc::CampiTesta(dataSet);
    if (KPageControl->TabVisible(tsLUMO_CauzDoc) != visibile)
        KPageControl->SetTabVisible(tsLUMO_CauzDoc, visibile);
}

void TFSVen0008f_p::TTestaAfterScroll(TDataSet *dataSet)
{
    TFSVen0008f::TTestaAfterScroll(dataSet);
    if (!InModifica(TTesta) && Castelletto->dsLUMO_CauzDoc->DataSet() == qLUMO_CauzDoc)
        Castelletto->MostraArchivio();
    Castelletto->UT_LMQ_StatoCauzDoc = false;
    AggiornaCalcolati();
}

void TFSVen0008f_p::TTestaNewRecord(TDataSet *dataSet)
{
    TFSVen0008f::TTestaNewRecord(dataSet);
    Castelletto->UT_LMQ_StatoCauzDoc = false;
}

void TFSVen0008f_p::KPageControlChange(QObject *sender)
{
    TFSVen0008f::KPageControlChange(sender);
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
    if (pagina == tsPagina5) {
        qUT_RigheTot->Close();
        if (modifica) {
            qUT_RigheTot->SetDatabaseName(QStringLiteral("LocalDatabase"));
            qUT_RigheTot->SQL = {QStringLiteral("SELECT Count(*) as TotRighe FROM %1 WHERE Stato < 3").arg(TRighe->TableName())};
        } else {
            qUT_RigheTot->SetDatabaseName(QStringLiteral("GlobalDatabase"));
            qUT_RigheTot->SQL = {QStringLiteral("SELECT Count(*) as TotRighe FROM FattureCliRighe WHERE KFattCliT = :KFattCliT")};
            qUT_RigheTot->Params(0)->SetValue(TTesta->FieldByName(QStringLiteral("KFattCliT"))->AsInteger());
        }
        qUT_RigheTot->Open();
        const QString testo = QStringLiteral("Nr. totale righe : ") +
                              QString::number(qUT_RigheTot->FieldByName(QStringLiteral("TotRighe"))->AsInteger());
        lblUT_TotRighe->setText(testo);
        lblUT_TotRighe2->setText(testo);
        if (modifica) {
            if ((!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota()) &&
                KPageControl->TabVisible(tsLUMO_CauzDoc) && ModoSalva != 2)
                costruisci();
            UT_LMQ_FlCalcoloTotaliDuSa = true;
            UT_LMQ_CalcoloTotaliDuSa();
        }
    } else {
        UT_LMQ_FlCalcoloTotaliDuSa = false;
    }
}

void TFSVen0008f_p::DSMainStateChange(TDataSource *source)
{
    TFSVen0008f::DSMainStateChange(source);
    const bool modifica = InModifica(TTesta);
    if (!modifica && Castelletto->SuCopia()) {
        Castelletto->TornaArchivio();
        Castelletto->MostraArchivio();
    } else if (modifica && !Castelletto->SuCopia()) {
        // the document went into edit: its summary is edited on the working copy
        UT_LMQ_CopiaCastelletto();
    }
    dsLUMO_CauzDoc->SetAutoEdit(modifica);
    pLUMO_CauzDoc->setEnabled(modifica);
    cLUMO_CauzDoc->setEnabled(true);
}

void TFSVen0008f_p::btnDuSaClick()
{
    UT_LMQ_DVEN_DlgDuSa(DSMain->DataSet(), DsRighe->DataSet(), this);
}

void TFSVen0008f_p::UT_LMQ_CalcoloTotaliDuSa()
{
    if (!InModifica(TTesta))
        return;
    if (!UT_LMQ_FlCalcoloTotaliDuSa && TTesta->State() == dsEdit &&
        Kmessages::KMessage(QStringLiteral("Ricalcolo eventuale Totale Colli e Spese di trasporto"), mtConfirmation,
                            mbYesNo) != mrYes)
        return;
    UT_LMQ_DVEN_TotNumCol(TTesta, TRighe, QStringLiteral("FAT"));
    const int gestione = TTesta->FieldByName(QStringLiteral("_UT_LMQ_FlTipoGest"))->AsInteger();
    if (gestione != 0) {
        CalcolaTotali(false, false);
        UT_LMQ_DVEN_SpeseTrasporto(TTesta, TRighe, TTotaliDoc, gestione, QStringLiteral("FAT"));
    }
}

void TFSVen0008f_p::UT_LMQ_CalcoloValoreCauzioni()
{
    Castelletto->UT_LMQ_CalcoloValoreCauzioni();
}

void TFSVen0008f_p::btnUT_LMQ_PareggiaClick()
{
    Castelletto->btnUT_LMQ_PareggiaClick();
}

// ---- rows

void TFSVen0008f_p::TRigheNewRecord(TDataSet *dataSet)
{
    TFSVen0008f::TRigheNewRecord(dataSet);
    if (!FlInCaricamento)
        RigheDoc.NuovoRigo(dataSet, TTesta->FieldByName(QStringLiteral("IdListino"))->AsString());
}

void TFSVen0008f_p::TRigheIdProdottoValidate(TField *sender)
{
    TFSVen0008f::TRigheIdProdottoValidate(sender);
    if (!sender->AsString().trimmed().isEmpty())
        RigheDoc.CopiaImballi(sender->DataSet());
}

void TFSVen0008f_p::TRigheTipoRigoChange(TField *sender)
{
    TFSVen0008f::TRigheTipoRigoChange(sender);
    UT_LMQ_SettaValoriRiga();
}

void TFSVen0008f_p::TRigheAfterScroll(TDataSet *dataSet)
{
    TFSVen0008f::TRigheAfterScroll(dataSet);
    if (!FlInCaricamento)
        UT_LMQ_SettaValoriRiga();
}

void TFSVen0008f_p::TRigheAfterEdit(TDataSet *dataSet)
{
    TFSVen0008f::TRigheAfterEdit(dataSet);
    UT_LMQ_SettaValoriRiga();
}

void TFSVen0008f_p::TRigheCalcFields(TDataSet *dataSet)
{
    TFSVen0008f::TRigheCalcFields(dataSet);
    RigheDoc.CalcFields(dataSet);
    // the amounts shown in the grid (a head without a known currency shows none)
    if (TTesta->Active() && !TTesta->IsEmpty()) {
        try {
            RigheDoc.CalcolaImportiRigo(TTesta, dataSet, true);
        } catch (const Exception &) {
        }
    }
}

void TFSVen0008f_p::TRigheBeforePost(TDataSet *dataSet)
{
    TFSVen0008f::TRigheBeforePost(dataSet);
    RigheDoc.PrimaDiPost(dataSet);
}

void TFSVen0008f_p::CalcoloQuantita(TField *sender)
{
    // the stored rows being read keep their quantities
    if (FlInCaricamento)
        return;
    RigheDoc.CalcoloQuantita(sender);
}

void TFSVen0008f_p::CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati)
{
    RigheDoc.CalcolaImportiRigo(testa, righe, calcolati);
}

void TFSVen0008f_p::edIdProdottoExit(QObject *)
{
    UT_LMQ_SettaValoriRiga();
}

void TFSVen0008f_p::edLunghezzaExit(QObject *sender)
{
    RigheDoc.UscitaLunghezza([this, sender] { btnDetQtaClick(sender); });
}

void TFSVen0008f_p::edQuantita2Exit(QObject *sender)
{
    RigheDoc.UscitaQuantita2([this, sender] { btnDetQtaClick(sender); });
}

void TFSVen0008f_p::UT_LMQ_SettaValoriRiga()
{
    RigheDoc.SettaValoriRiga();
}

// ---- the save

void TFSVen0008f_p::SalvaDocumento()
{
    SalvataggioRiuscito = false;
    // 1-3
    if (Test_SolaLettura() || Azienda().InTransaction())
        return;
    SvuotaListeDocumenti();
    PostaRighe();
    // 4-5: a build that failed has shown its text; the save ends before the transaction
    UT_LMQ_PostaCastelletto();
    AggiornaCalcolati();
    try {
        UT_LMQ_RicostruisciCastelletto();
    } catch (const EAbort &) {
        return;
    }
    if (ModoSalva != 2)
        CostruisciRiepilogo();
    // 6-8
    ControllaRighePresenti();
    AvvisoValoreOrdine();
    ApplicaModificheTesta();
    // 9-11
    if (ModoSalva != 2) {
        if (!ControlliSalvataggio())
            return;
        TotaleLitri();
        ColliTrasporto();
    }
    // 12-13
    if (!ConfermaSalvataggio())
        return;
    if (!ControlloPrenotazioni())
        return;

    // 14-15: the datasets opened and the transaction started; a failure here is shown and the
    // document stays in edit
    Clessidra clessidra;
    const QList<TDataSet *> tabelle = TabelleSalvataggio();
    const int modo = ModoSalva;
    std::optional<TXTransaction> transazione;
    try {
        for (TDataSet *t : tabelle)
            Funzioni::CheckTabOpen(t);
        transazione.emplace(Azienda());
    } catch (const EAbort &) {
        AnnullaSalvataggio(QString());
        return;
    } catch (const std::exception &e) {
        AnnullaSalvataggio(Kmessages::ExceptionText(e));
        return;
    }
    if (!transazione->Started())
        return;
    // 16-23
    QString errore;
    bool fallito = false;
    try {
        ControllaAltriUtenti();
        EvadiPrenotazioni();
        RegistraRiepilogo();
        StornaAccontiOrdini();
        if (modo == 2) {
            EliminaDocumento();
        } else {
            RegistraTesta();
            RegistraTestaMovimento();
            RegistraRighe();
            EliminaTestaMovimentoVuota();
            SalvaMatricole();
            RegistraTotali();
            CodiceSpeseImballo();
        }
        CodaSalvataggio();
        transazione->Commit();
    } catch (const EAbort &) {
        fallito = true;
    } catch (const std::exception &e) {
        fallito = true;
        errore = Kmessages::ExceptionText(e);
    }
    if (fallito) {
        for (TDataSet *t : tabelle)
            Funzioni::CheckRollBack(t);
        transazione.reset();
        AnnullaSalvataggio(errore);
        return;
    }
    transazione.reset();
    // 24-27
    SalvataggioRiuscito = true;
    DopoSalvataggio();
    if (modo != 2) {
        Contabilizza();
        if (modo == 1 && !InModifica(TTesta))
            TTestaAfterScroll(TTesta);
    }
    if (modo == 0)
        InitDoc(0);
}

void TFSVen0008f_p::UT_LMQ_PostaCastelletto()
{
    Castelletto->PostaCopia();
}

void TFSVen0008f_p::UT_LMQ_RicostruisciCastelletto()
{
    if ((!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota()) && KPageControl->TabVisible(tsLUMO_CauzDoc) &&
        ModoSalva != 2)
        Castelletto->Ricostruisci(TTesta, TRighe, TDatiAggiuntivi);
}

void TFSVen0008f_p::TotaleLitri()
{
    TFSVen0008f::TotaleLitri();
    UT_LMQ_DVEN_TotLitriDoc(DSMain->DataSet(), DsRighe->DataSet());
}

void TFSVen0008f_p::ColliTrasporto()
{
    TFSVen0008f::ColliTrasporto();
    struct Fine {
        bool &f;
        ~Fine() { f = false; }
    } fine{UT_LMQ_FlCalcoloTotaliDuSa};
    if (!UT_LMQ_FlCalcoloTotaliDuSa)
        UT_LMQ_CalcoloTotaliDuSa();
}

bool TFSVen0008f_p::ControlloPrenotazioni()
{
    if (!TFSVen0008f::ControlloPrenotazioni())
        return false;
    if (UT_LMQ_Parametri.FlAbilPrenota != 0 &&
        TTesta->FieldByName(QStringLiteral("_UT_LMQ_FlAbilPrenota"))->AsInteger() == 2 && ModoSalva == 0)
        return UT_LMQ_DVEN_EvadiPrenotazioni(TTesta, DsRighe->DataSet(), TRRighe, 99, kSigla);
    return true;
}

QList<TDataSet *> TFSVen0008f_p::TabelleSalvataggio()
{
    QList<TDataSet *> tabelle = TFSVen0008f::TabelleSalvataggio();
    tabelle << TRSLUMO_CauzDoc;
    return tabelle;
}

void TFSVen0008f_p::EvadiPrenotazioni()
{
    TFSVen0008f::EvadiPrenotazioni();
    if (UT_LMQ_Parametri.FlAbilPrenota != 0 &&
        TTesta->FieldByName(QStringLiteral("_UT_LMQ_FlAbilPrenota"))->AsInteger() > 0)
        UT_LMQ_DVEN_EvadiPrenotazioni(TTesta, DsRighe->DataSet(), TRRighe, ModoSalva, kSigla);
}

void TFSVen0008f_p::RegistraRiepilogo()
{
    TFSVen0008f::RegistraRiepilogo();
    Funzioni::CheckTabOpen(TTLUMO_CauzDoc);
    UT_LMQ_DVEN_RegCastCauz(TTesta, TTLUMO_CauzDoc, qLUMO_CauzDoc, TRSLUMO_CauzDoc, ModoSalva, kSigla);
}

void TFSVen0008f_p::RegistraRighe()
{
    const int righe =
        TRighe->Database()
            .ScalarValue(QStringLiteral("SELECT COUNT(*) FROM %1 WHERE Stato %2")
                             .arg(TRighe->TableName(), FlRiscriviRighe ? QStringLiteral(">= 0") : QStringLiteral("<> 0")))
            .toInt();
    Mdimainbase::ProgressStart(righe, QStringLiteral("Registrazione righe in corso.."));
    struct Fine {
        ~Fine() { Mdimainbase::ProgressEnd(); }
    } fine;
    TFSVen0008f::RegistraRighe();
}

void TFSVen0008f_p::RegistraRigo(int stato)
{
    TFSVen0008f::RegistraRigo(stato);
    Mdimainbase::ProgressStep();
}

void TFSVen0008f_p::CodiceSpeseImballo()
{
    TFSVen0008f::CodiceSpeseImballo();
    if (TotaliDaRicalcolare())
        UT_LMQ_DVEN_CodiceSpeseImballo(TTesta, TTotali, kSigla);
}
