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

const QString kSigla = QStringLiteral("DTA");

} // namespace

TFSAcq0001f_p::TFSAcq0001f_p(QWidget *owner)
    : TLumoFinestraCauzioni(MembroBollaFornitore(), CastellettoBollaFornitore(),
                            QStringLiteral("DDT Fornitori (Dusaria)"), FSAcq0001f_p, owner)
{
    setObjectName(QStringLiteral("FSAcq0001f_p"));

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
    DichiaraCampiRighe({TRigheNC, TRRighe});

    // the layout's additions into the host's pages and panels
    QWidget contenitore;
    Ui::Sacq0001f_p ui;
    ui.setupUi(&contenitore);
    gLUMO_CauzDoc = ui.gUT_LMQ_CauzDoc;
    gLUMO_CauzDoc->setObjectName(QStringLiteral("gLUMO_CauzDoc"));
    DBNavLUMO_CauzDoc = ui.DBNavigatoreCauz;
    DBNavLUMO_CauzDoc->setObjectName(QStringLiteral("DBNavLUMO_CauzDoc"));
    cbUT_UT_LMQ_FlTipoPrz = ui.cbUT_UT_LMQ_FlTipoPrz;
    InnestaLayout(ui, QStringLiteral("Cast.Cauzioni"));

    gLUMO_CauzDoc->SetFixedColor(Qt::yellow);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cod."), 38);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("_DsImballo"), QStringLiteral("Descrizione"), 230);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("QtaCar"), QStringLiteral("Qtà Carico"), 65);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("QtaRes"), QStringLiteral("Qtà Resa"), 65);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("Prezzo"), QString(), 65).Color = QColor(0x87, 0xCE, 0xEB);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("ValoreCar"), QStringLiteral("Valore Carico"), 80);
    gLUMO_CauzDoc->AddColumn(QStringLiteral("ValoreRes"), QStringLiteral("Valore Reso"), 80);
    DBNavLUMO_CauzDoc->SetVisibleButtons(nbAllButtons & ~NavButton(nbDelete));
}

// ---- window

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

void TFSAcq0001f_p::KPageControlChange(QObject *sender)
{
    TFSAcq0001f::KPageControlChange(sender);
    QWidget *pagina = KPageControl->ActivePage();
    if (!LumoFinestraDoc::InModifica(TTesta)) {
        if (pagina == tsTesta)
            Castelletto->UT_LMQ_StatoCauzDoc = false;
        return;
    }
    if (pagina == tsLUMO_CauzDoc) {
        Castelletto->UT_LMQ_StatoCauzDoc = true;
        CostruisciCastelletto();
        SetActiveControl(FindControl<QWidget>(QStringLiteral("edUT_IdImballo")));
    } else if (pagina == tsTesta) {
        Castelletto->UT_LMQ_StatoCauzDoc = false;
    } else if (pagina == tsPagina5 && (!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota())
               && KPageControl->TabVisible(tsLUMO_CauzDoc) && ModoSalva != 2) {
        CostruisciCastelletto();
    }
}

void TFSAcq0001f_p::TTestaContoChange(TField *sender)
{
    TLumoFinestraCauzioni::TTestaContoChange(sender);
    TDataSet *testa = sender->DataSet();
    const QVariant listino = TDMIBase::Crea()->lkFornitori->Lookup(
        QStringLiteral("IdContoTp;IdConto"),
        QVariantList{testa->FieldByName(QStringLiteral("IdFornitoreTp"))->AsString(), sender->AsString().trimmed()},
        QStringLiteral("UT_LMQ_IdListCau"));
    testa->FieldByName(QStringLiteral("UT_LMQ_IdListCau"))->SetAsString(listino.toString());
}

void TFSAcq0001f_p::btnDuSaClick()
{
    UT_LMQ_DVEN_DlgDuSaAcq(DSMain->DataSet(), DsRighe->DataSet(), this);
}

// ---- rows

// ---- the save

void TFSAcq0001f_p::SalvaDocumento()
{
    const auto copia = [this] { UT_LMQ_CopiaCastelletto(); };
    SalvaSeguendoAllaFine([this, &copia] {
        SalvaDocumentoConPassi({[this] { return PreparaCastelletto(); },
                                [this] {
                                    Castelletto->Trattieni();
                                    UT_LMQ_RegistraCastelletto();
                                },
                                [this, copia] { Castelletto->Rilascia(copia); }});
    });
}

void TFSAcq0001f_p::UT_LMQ_RicostruisciCastelletto()
{
    // rebuilt unless built on the tab in this edit and not empty; never for a delete
    if ((!Castelletto->UT_LMQ_StatoCauzDoc || Castelletto->CopiaVuota()) && ModoSalva != 2)
        Castelletto->RicostruisciRighePostate(TTesta, TRighe, TDatiAggiuntivi);
}

void TFSAcq0001f_p::UT_LMQ_RegistraCastelletto()
{
    Funzioni::CheckTabOpen(TTLUMO_CauzDoc);
    UT_LMQ_DVEN_RegCastCauz(TTesta, TTLUMO_CauzDoc, TRSLUMO_CauzDoc, ModoSalva, kSigla,
                            ModoSalva == 2 ? TestaDaEliminare() : nullptr);
}

void TFSAcq0001f_p::RegistraRighe()
{
    const auto progresso = ProgressoRighe();
    TFSAcq0001f::RegistraRighe();
}

void TFSAcq0001f_p::RegistraRigo(int stato)
{
    TFSAcq0001f::RegistraRigo(stato);
    Mdimainbase::ProgressStep();
}
