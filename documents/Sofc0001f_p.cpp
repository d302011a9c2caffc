#include "documents/Sofc0001f_p.h"

#include "ui_Sofc0001f_p.h"

#include "frame/Dusaria.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/DBControls.h"

DUSARIA_FINESTRA(TFSOfc0001f_p, FSOfc0001f_p);

namespace {

const QString kCaption = QStringLiteral("Offerte Clienti (Dusaria)");

} // namespace

TFSOfc0001f_p::TFSOfc0001f_p(QWidget *owner) : TFSOfc0001f(owner), RigheDoc(MembroOfferta(), DsRighe)
{
    setObjectName(QStringLiteral("FSOfc0001f_p"));
    SetCaption(kCaption);
    LumoOrdini::CampiTesta(TTesta);

    RigheDoc.DichiaraCampi(TRighe, true);
    TRighe->AddCalcField(QStringLiteral("_DaEvadereVal"), ftFloat);
    RigheDoc.DichiaraCampi(TRRighe, false);
    TRighe->OnCalcFields = [this](TDataSet *d) { TRigheCalcFields(d); };

    QWidget contenitore;
    Ui::Sofc0001f_p ui;
    ui.setupUi(&contenitore);
    cbUT_UT_LMQ_FlTipoPrz = ui.cbUT_UT_LMQ_FlTipoPrz;
    LumoOrdini::AggiungiAlPannello(PanelR, ui.pRigoModulo);
    LumoOrdini::EtichettaMisure(this, false);
}

bool TFSOfc0001f_p::InitForm(qint64 chiave)
{
    const bool esito = TFSOfc0001f::InitForm(chiave);
    SetCaption(kCaption);
    return esito;
}

void TFSOfc0001f_p::FormCreate()
{
    TFSOfc0001f::FormCreate();
    LumoOrdini::PannelloRighe(this, RigheDoc);
    if (TDBEdit *e = FindControl<TDBEdit>(QStringLiteral("edIdProdotto")))
        e->OnExit = [this](TDBEdit *s) { edIdProdottoExit(s); };
}

void TFSOfc0001f_p::FormClose(TCloseAction &action)
{
    TFSOfc0001f::FormClose(action);
    if (FSOfc0001f_p == this)
        FSOfc0001f_p = nullptr;
}

void TFSOfc0001f_p::TTestaCalcFields(TDataSet *dataSet)
{
    TFSOfc0001f::TTestaCalcFields(dataSet);
    LumoOrdini::ListinoCauzioni(dataSet);
}

void TFSOfc0001f_p::TRigheNewRecord(TDataSet *dataSet)
{
    TFSOfc0001f::TRigheNewRecord(dataSet);
    if (!FlInCaricamento)
        RigheDoc.NuovoRigo(dataSet, TTesta->FieldByName(QStringLiteral("IdListino"))->AsString());
}

void TFSOfc0001f_p::TRigheIdProdottoValidate(TField *sender)
{
    TFSOfc0001f::TRigheIdProdottoValidate(sender);
    if (!sender->AsString().trimmed().isEmpty())
        RigheDoc.CopiaImballi(sender->DataSet());
}

void TFSOfc0001f_p::TRigheTipoRigoChange(TField *sender)
{
    TFSOfc0001f::TRigheTipoRigoChange(sender);
    RigheDoc.SettaValoriRiga();
}

void TFSOfc0001f_p::TRigheAfterScroll(TDataSet *dataSet)
{
    TFSOfc0001f::TRigheAfterScroll(dataSet);
    if (!FlInCaricamento)
        RigheDoc.SettaValoriRiga();
}

void TFSOfc0001f_p::TRigheAfterEdit(TDataSet *dataSet)
{
    TFSOfc0001f::TRigheAfterEdit(dataSet);
    RigheDoc.SettaValoriRiga();
}

void TFSOfc0001f_p::TRigheCalcFields(TDataSet *dataSet)
{
    TFSOfc0001f::TRigheCalcFields(dataSet);
    RigheDoc.CalcFields(dataSet);
    if (TTesta->Active() && !TTesta->IsEmpty()) {
        try {
            CalcolaImportiRigo(TTesta, dataSet, true);
        } catch (const Exception &) {
        }
    }
}

void TFSOfc0001f_p::TRigheBeforePost(TDataSet *dataSet)
{
    TFSOfc0001f::TRigheBeforePost(dataSet);
    RigheDoc.PrimaDiPost(dataSet);
}

void TFSOfc0001f_p::CalcoloQuantita(TField *sender)
{
    if (FlInCaricamento)
        return;
    RigheDoc.CalcoloQuantita(sender);
}

void TFSOfc0001f_p::CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati)
{
    RigheDoc.CalcolaImportiRigo(testa, righe, calcolati,
                                [&] { TFSOfc0001f::CalcolaImportiRigo(testa, righe, calcolati); });
}

void TFSOfc0001f_p::edIdProdottoExit(QObject *)
{
    RigheDoc.SettaValoriRiga();
}
