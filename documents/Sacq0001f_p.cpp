#include "documents/Sacq0001f_p.h"

#include "ui_Sacq0001f_p.h"

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
#include <QLayout>
#include <QPushButton>
#include <QToolButton>

#include <optional>

DUSARIA_FINESTRA(TFSAcq0001f_p, FSAcq0001f_p);

namespace {

bool InModifica(TDataSet *d)
{
    return d->State() == dsEdit || d->State() == dsInsert;
}

// The hourglass for the life of the scope.
struct Clessidra {
    Clessidra() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Clessidra() { QApplication::restoreOverrideCursor(); }
};

const QString kSigla = QStringLiteral("DTA");
const QString kCaption = QStringLiteral("DDT Fornitori (Dusaria)");

} // namespace

TFSAcq0001f_p::TFSAcq0001f_p(QWidget *owner) : TFSAcq0001f(owner), RigheDoc(MembroBollaFornitore(), DsRighe)
{
    setObjectName(QStringLiteral("FSAcq0001f_p"));
    SetCaption(kCaption);

    Castelletto = new TLumoCastDoc(CastellettoBollaFornitore(), DSMain, this);
    qLUMO_CauzDoc = Castelletto->qLUMO_CauzDoc;
    TTLUMO_CauzDoc = Castelletto->TTLUMO_CauzDoc;
    dsLUMO_CauzDoc = Castelletto->dsLUMO_CauzDoc;
    qLUMO_TotValCau = Castelletto->qLUMO_TotValCau;
    TRSLUMO_CauzDoc = Castelletto->TRSLUMO_CauzDoc;

    // head: the causal's deposit flag, the supplier's flag and deposit price list
    TDMIBase *base = TDMIBase::Crea();
    const QString causale = QStringLiteral("IdCausale");
    TTesta->AddLookupField(QStringLiteral("_UT_LMQ_FlCauzioni"), ftInteger, 0, base->lkCausBolleFor, causale, causale,
                           QStringLiteral("UT_LMQ_FlCauzioni"));
    const QString chiaviConto = QStringLiteral("IdContoTp;IdConto");
    const QString chiaviFornitore = QStringLiteral("IdFornitoreTp;IdFornitore");
    TTesta->AddLookupField(QStringLiteral("_UT_LMQ_FlCauz"), ftInteger, 0, base->lkFornitori, chiaviFornitore,
                           chiaviConto, QStringLiteral("UT_LMQ_FlCauz"));
    TTesta->AddLookupField(QStringLiteral("_UT_LMQ_ListCauz"), ftString, 3, base->lkFornitori, chiaviFornitore,
                           chiaviConto, QStringLiteral("UT_LMQ_IdListCau"));

    // rows: the module's lookups on every row dataset
    RigheDoc.DichiaraCampi(TRighe, true);
    for (TDataSet *d : {static_cast<TDataSet *>(TRigheNC), static_cast<TDataSet *>(TRRighe)})
        RigheDoc.DichiaraCampi(d, false);
    TRighe->OnCalcFields = [this](TDataSet *d) { TRigheCalcFields(d); };

    // the layout's additions into the host's pages and panels
    QWidget contenitore;
    Ui::Sacq0001f_p ui;
    ui.setupUi(&contenitore);
    tsLUMO_CauzDoc = ui.tsLUMO_CauzDoc;
    pLUMO_CauzDoc = ui.pLUMO_CauzDoc;
    cLUMO_CauzDoc = ui.cLUMO_CauzDoc;
    gLUMO_CauzDoc = ui.gUT_LMQ_CauzDoc;
    gLUMO_CauzDoc->setObjectName(QStringLiteral("gLUMO_CauzDoc"));
    DBNavLUMO_CauzDoc = ui.DBNavigatoreCauz;
    DBNavLUMO_CauzDoc->setObjectName(QStringLiteral("DBNavLUMO_CauzDoc"));
    btnUT_LMQ_Pareggia = ui.btnUT_LMQ_Pareggia;
    cbUT_UT_LMQ_FlTipoPrz = ui.cbUT_UT_LMQ_FlTipoPrz;
    btnDuSa = ui.btnDuSa;
    ui.pcPagine->removeTab(0);
    KPageControl->addTab(tsLUMO_CauzDoc, QStringLiteral("Cast.Cauzioni"));
    if (auto *griglia = qobject_cast<QGridLayout *>(PanelR->layout()))
        griglia->addWidget(ui.pRigoModulo, griglia->rowCount(), 0, 1, griglia->columnCount());
    else
        PanelR->layout()->addWidget(ui.pRigoModulo);

    gLUMO_CauzDoc->SetFixedColor(Qt::yellow);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cod."), 38);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("_DsImballo"), QStringLiteral("Descrizione"), 158);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("QtaCar"), QStringLiteral("Qtà Carico"), 65);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("QtaRes"), QStringLiteral("Qtà Resa"), 65);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("Prezzo"), QString(), 65).Color = QColor(0x87, 0xCE, 0xEB);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("ValoreCar"), QStringLiteral("Valore Carico"), 80);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("ValoreRes"), QStringLiteral("Valore Reso"), 80);
    DBNavLUMO_CauzDoc->SetVisibleButtons(nbAllButtons & ~NavButton(nbDelete));
}

// ---- window

bool TFSAcq0001f_p::InitForm(int modo, qint64 chiave)
{
    const bool esito = TFSAcq0001f::InitForm(modo, chiave);
    SetCaption(kCaption);
    return esito;
}

void TFSAcq0001f_p::FormCreate()
{
    TFSAcq0001f::FormCreate();
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
    if (TDBEdit *e = FindControl<TDBEdit>(QStringLiteral("edIdProdotto")))
        e->OnExit = [this](TDBEdit *s) { edIdProdottoExit(s); };
    connect(qobject_cast<QToolButton *>(btnDuSa), &QToolButton::clicked, this, [this] { Guard([this] { btnDuSaClick(); }); });
    connect(btnUT_LMQ_Pareggia, &QPushButton::clicked, this, [this] { Guard([this] { btnUT_LMQ_PareggiaClick(); }); });
    if (!InModifica(TTesta))
        Castelletto->MostraArchivio();
}

void TFSAcq0001f_p::FormClose(TCloseAction &action)
{
    TFSAcq0001f::FormClose(action);
    if (FSAcq0001f_p == this)
        FSAcq0001f_p = nullptr;
}

bool TFSAcq0001f_p::UT_LMQ_CopiaCastelletto()
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

bool TFSAcq0001f_p::InitDoc(int modo)
{
    bool esito = TFSAcq0001f::InitDoc(modo);
    if (InModifica(TTesta)) {
        if (UT_LMQ_CopiaCastelletto())
            esito = true;
    } else {
        Castelletto->TornaArchivio();
        Castelletto->MostraArchivio();
    }
    return esito;
}

void TFSAcq0001f_p::CalcolaDatiCoda(TDataSet *) {}

void TFSAcq0001f_p::TTestaCalcFields(TDataSet *dataSet)
{
    TFSAcq0001f::TTestaCalcFields(dataSet);
    const int flCausale = dataSet->FieldByName(QStringLiteral("_UT_LMQ_FlCauzioni"))->AsInteger();
    const int flFornitore = dataSet->FieldByName(QStringLiteral("_UT_LMQ_FlCauz"))->AsInteger();
    bool visibile = true;
    if (UT_LMQ_Parametri.FlAbilCauz == 0)
        visibile = false;
    else if (UT_LMQ_Parametri.FlAbilCauz == 1)
        visibile = !(flCausale == 0 || (flCausale == 1 && flFornitore == 0));
    if (KPageControl->TabVisible(tsLUMO_CauzDoc) != visibile)
        KPageControl->SetTabVisible(tsLUMO_CauzDoc, visibile);
}

void TFSAcq0001f_p::TTestaAfterScroll(TDataSet *dataSet)
{
    TFSAcq0001f::TTestaAfterScroll(dataSet);
    if (!InModifica(TTesta) && Castelletto->dsLUMO_CauzDoc->DataSet() == qLUMO_CauzDoc)
        Castelletto->MostraArchivio();
    Castelletto->UT_LMQ_StatoCauzDoc = false;
}

void TFSAcq0001f_p::TTestaNewRecord(TDataSet *dataSet)
{
    TFSAcq0001f::TTestaNewRecord(dataSet);
    Castelletto->UT_LMQ_StatoCauzDoc = false;
}

void TFSAcq0001f_p::KPageControlChange(QObject *sender)
{
    TFSAcq0001f::KPageControlChange(sender);
    QWidget *pagina = KPageControl->ActivePage();
    if (!InModifica(TTesta)) {
        if (pagina == tsTesta)
            Castelletto->UT_LMQ_StatoCauzDoc = false;
        return;
    }
    // a failed build has shown its text already: the page change drops it
    const auto costruisci = [this] {
        try {
            Castelletto->Ricostruisci(TTesta, TRighe, TDatiAggiuntivi);
        } catch (const EAbort &) {
        }
    };
    if (pagina == tsLUMO_CauzDoc) {
        Castelletto->UT_LMQ_StatoCauzDoc = true;
        costruisci();
        SetActiveControl(FindControl<QWidget>(QStringLiteral("edUT_IdImballo")));
    } else if (pagina == tsTesta) {
        Castelletto->UT_LMQ_StatoCauzDoc = false;
    } else if (pagina == tsPagina5 && (!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota()) &&
               KPageControl->TabVisible(tsLUMO_CauzDoc) && ModoSalva != 2) {
        costruisci();
    }
}

void TFSAcq0001f_p::DSMainStateChange(TDataSource *source)
{
    TFSAcq0001f::DSMainStateChange(source);
    Castelletto->SeguiTesta([this] { UT_LMQ_CopiaCastelletto(); });
    const bool modifica = InModifica(TTesta);
    dsLUMO_CauzDoc->SetAutoEdit(modifica);
    pLUMO_CauzDoc->setEnabled(modifica);
    cLUMO_CauzDoc->setEnabled(true);
}

void TFSAcq0001f_p::btnDuSaClick()
{
    UT_LMQ_DVEN_DlgDuSaAcq(DSMain->DataSet(), DsRighe->DataSet(), this);
}

void TFSAcq0001f_p::UT_LMQ_CalcoloValoreCauzioni()
{
    Castelletto->UT_LMQ_CalcoloValoreCauzioni();
}

void TFSAcq0001f_p::btnUT_LMQ_PareggiaClick()
{
    Castelletto->btnUT_LMQ_PareggiaClick();
}

// ---- rows

void TFSAcq0001f_p::TRigheNewRecord(TDataSet *dataSet)
{
    TFSAcq0001f::TRigheNewRecord(dataSet);
    if (!FlInCaricamento)
        RigheDoc.NuovoRigo(dataSet, TTesta->FieldByName(QStringLiteral("IdListino"))->AsString());
}

void TFSAcq0001f_p::TRigheIdProdottoValidate(TField *sender)
{
    TFSAcq0001f::TRigheIdProdottoValidate(sender);
    if (!sender->AsString().trimmed().isEmpty())
        RigheDoc.CopiaImballi(sender->DataSet());
}

void TFSAcq0001f_p::TRigheTipoRigoChange(TField *sender)
{
    TFSAcq0001f::TRigheTipoRigoChange(sender);
    UT_LMQ_SettaValoriRiga();
}

void TFSAcq0001f_p::TRigheAfterScroll(TDataSet *dataSet)
{
    TFSAcq0001f::TRigheAfterScroll(dataSet);
    if (!FlInCaricamento && !SalvataggioInCorso())
        UT_LMQ_SettaValoriRiga();
}

void TFSAcq0001f_p::TRigheAfterEdit(TDataSet *dataSet)
{
    TFSAcq0001f::TRigheAfterEdit(dataSet);
    UT_LMQ_SettaValoriRiga();
}

void TFSAcq0001f_p::TRigheCalcFields(TDataSet *dataSet)
{
    TFSAcq0001f::TRigheCalcFields(dataSet);
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

void TFSAcq0001f_p::CalcoloQuantita(TField *sender)
{
    // the stored rows being read keep their quantities
    if (FlInCaricamento)
        return;
    RigheDoc.CalcoloQuantita(sender);
}

void TFSAcq0001f_p::CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati)
{
    RigheDoc.CalcolaImportiRigo(testa, righe, calcolati);
}

void TFSAcq0001f_p::edIdProdottoExit(QObject *)
{
    UT_LMQ_SettaValoriRiga();
}

void TFSAcq0001f_p::UT_LMQ_SettaValoriRiga()
{
    RigheDoc.SettaValoriRiga();
}

// ---- the save

void TFSAcq0001f_p::SalvaDocumento()
{
    const auto copia = [this] { UT_LMQ_CopiaCastelletto(); };
    SalvaSenzaRinfrescareRighe([this, &copia] {
        // the articles' measure types looked up once each while the save passes over the rows
        const auto misure = RigheDoc.RicordandoMisure();
        SalvaDocumentoConPassi({[this] {
                                    // a summary build that failed has shown its text
                                    UT_LMQ_PostaCastelletto();
                                    try {
                                        UT_LMQ_RicostruisciCastelletto();
                                    } catch (const EAbort &) {
                                        return false;
                                    }
                                    return true;
                                },
                                [this] {
                                    Castelletto->Trattieni();
                                    UT_LMQ_RegistraCastelletto();
                                },
                                [this, copia] { Castelletto->Rilascia(copia); }});
    });
}

void TFSAcq0001f_p::UT_LMQ_PostaCastelletto()
{
    Castelletto->PostaCopia();
}

void TFSAcq0001f_p::UT_LMQ_RicostruisciCastelletto()
{
    // rebuilt unless built on the tab in this edit and not empty; never for a delete
    if ((!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota()) && ModoSalva != 2)
        Castelletto->RicostruisciRighePostate(TTesta, TRighe, TDatiAggiuntivi);
}

QList<TDataSet *> TFSAcq0001f_p::TabelleSalvataggio()
{
    QList<TDataSet *> tabelle = TFSAcq0001f::TabelleSalvataggio();
    tabelle << TRSLUMO_CauzDoc;
    return tabelle;
}

void TFSAcq0001f_p::UT_LMQ_RegistraCastelletto()
{
    Funzioni::CheckTabOpen(TTLUMO_CauzDoc);
    UT_LMQ_DVEN_RegCastCauz(TTesta, TTLUMO_CauzDoc, qLUMO_CauzDoc, TRSLUMO_CauzDoc, ModoSalva, kSigla);
}

void TFSAcq0001f_p::RegistraRighe()
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
    TFSAcq0001f::RegistraRighe();
}

void TFSAcq0001f_p::RegistraRigo(int stato)
{
    TFSAcq0001f::RegistraRigo(stato);
    Mdimainbase::ProgressStep();
}
