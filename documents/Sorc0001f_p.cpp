#include "documents/Sorc0001f_p.h"

#include "ui_Sorc0001f_p.h"

#include "documents/Lumo_componenti.h"
#include "engine/Lumo_funzordcli.h"
#include "frame/Dusaria.h"
#include "host/business/Distintabase.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmisbas.h"
#include "host/core/Errors.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/DBControls.h"

#include <QGridLayout>
#include <QLabel>
#include <QLayout>

DUSARIA_FINESTRA(TFSOrc0001f_p, FSOrc0001f_p);

namespace {

const QString kCaption = QStringLiteral("Gestione Ordini Clienti (Dusaria)");

} // namespace

// ---- shared with the quote window

void LumoOrdini::CampiTesta(TDataSet *testa)
{
    TDMIBase *base = TDMIBase::Crea();
    const QString causale = QStringLiteral("IdCausale");
    for (const char *nome : {"UT_LMQ_FlTipoGest", "UT_LMQ_FlCauzioni"})
        testa->AddLookupField(QLatin1Char('_') + QLatin1String(nome), ftInteger, 0, base->lkCausBolleCli, causale,
                              causale, QLatin1String(nome));
    testa->AddLookupField(QStringLiteral("_UT_LMQ_FlGesTraCli"), ftInteger, 0, base->lkClienti,
                          QStringLiteral("IdClienteTp;IdCliente"), QStringLiteral("IdContoTp;IdConto"),
                          QStringLiteral("UT_LMQ_FlGesTraCli"));
    testa->AddCalcField(QStringLiteral("_UT_LMQ_ListCauz"), ftString, 3);
}

void LumoOrdini::ListinoCauzioni(TDataSet *testa)
{
    const QString conto = testa->FieldByName(QStringLiteral("IdCliente"))->AsString();
    if (conto.isEmpty())
        return;
    const QVariant v = TDMIBase::Crea()->lkClienti->Lookup(
        QStringLiteral("IdContoTp;IdConto"),
        QVariantList{testa->FieldByName(QStringLiteral("IdClienteTp"))->AsString(), conto},
        QStringLiteral("UT_LMQ_IdListCau"));
    if (!v.isNull())
        testa->FieldByName(QStringLiteral("_UT_LMQ_ListCauz"))->SetAsString(v.toString());
}

void LumoOrdini::AggiungiAlPannello(QWidget *panelR, QWidget *aggiunta)
{
    if (auto *griglia = qobject_cast<QGridLayout *>(panelR->layout()))
        griglia->addWidget(aggiunta, griglia->rowCount(), 0, 1, griglia->columnCount());
    else
        panelR->layout()->addWidget(aggiunta);
}

void LumoOrdini::EtichettaMisure(TForm *finestra, bool evidenziata)
{
    QLabel *etichetta = finestra->FindControl<QLabel>(QStringLiteral("lbLunghezza"));
    if (!etichetta)
        return;
    etichetta->setText(QStringLiteral("misure"));
    if (evidenziata)
        etichetta->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
}

void LumoOrdini::PannelloRighe(TForm *finestra, TLumoRigheDoc &righe)
{
    righe.TrovaControlli(finestra);
    // the units per package shown; their editability stays the host's
    if (righe.edQuantita2)
        righe.edQuantita2->setVisible(true);
    if (QLabel *l = finestra->FindControl<QLabel>(QStringLiteral("lbQuantita2")))
        l->setVisible(true);
    if (righe.lbLunghezza)
        righe.lbLunghezza->setText(QStringLiteral("Nr.Confez."));
    if (righe.edQuantita)
        righe.edQuantita->SetReadOnly(true);
}

// ---- the order window

TFSOrc0001f_p::TFSOrc0001f_p(QWidget *owner) : TFSOrc0001f(owner), RigheDoc(MembroOrdine(), DsRighe)
{
    setObjectName(QStringLiteral("FSOrc0001f_p"));
    SetCaption(kCaption);
    LumoOrdini::CampiTesta(TTesta);

    RigheDoc.DichiaraCampi(TRighe, true);
    TRighe->AddCalcField(QStringLiteral("_DaEvadere"), ftFloat);
    for (TDataSet *d : {static_cast<TDataSet *>(TRigheNC), static_cast<TDataSet *>(TRRighe),
                        static_cast<TDataSet *>(TRigheAccoda)})
        RigheDoc.DichiaraCampi(d, false);
    TRighe->OnCalcFields = [this](TDataSet *d) { TRigheCalcFields(d); };

    QWidget contenitore;
    Ui::Sorc0001f_p ui;
    ui.setupUi(&contenitore);
    cbUT_UT_LMQ_FlTipoPrz = ui.cbUT_UT_LMQ_FlTipoPrz;
    LumoOrdini::AggiungiAlPannello(PanelR, ui.pRigoModulo);
    LumoOrdini::EtichettaMisure(this, true);
}

bool TFSOrc0001f_p::InitForm(int tipo, qint64 chiave, int opzioni)
{
    const bool esito = TFSOrc0001f::InitForm(tipo, chiave, opzioni);
    SetCaption(kCaption);
    return esito;
}

void TFSOrc0001f_p::FormCreate()
{
    TFSOrc0001f::FormCreate();
    LumoOrdini::PannelloRighe(this, RigheDoc);
    if (TDBEdit *e = FindControl<TDBEdit>(QStringLiteral("edIdProdotto")))
        e->OnExit = [this](TDBEdit *s) { edIdProdottoExit(s); };
}

void TFSOrc0001f_p::FormClose(TCloseAction &action)
{
    TFSOrc0001f::FormClose(action);
    if (FSOrc0001f_p == this)
        FSOrc0001f_p = nullptr;
}

void TFSOrc0001f_p::TTestaCalcFields(TDataSet *dataSet)
{
    TFSOrc0001f::TTestaCalcFields(dataSet);
    LumoOrdini::ListinoCauzioni(dataSet);
}

void TFSOrc0001f_p::TRigheNewRecord(TDataSet *dataSet)
{
    TFSOrc0001f::TRigheNewRecord(dataSet);
    if (!FlInCaricamento)
        RigheDoc.NuovoRigo(dataSet, TTesta->FieldByName(QStringLiteral("IdListino"))->AsString());
}

void TFSOrc0001f_p::TRigheIdProdottoValidate(TField *sender)
{
    TFSOrc0001f::TRigheIdProdottoValidate(sender);
    if (!sender->AsString().trimmed().isEmpty())
        RigheDoc.CopiaImballi(sender->DataSet());
}

void TFSOrc0001f_p::TRigheTipoRigoChange(TField *sender)
{
    TFSOrc0001f::TRigheTipoRigoChange(sender);
    RigheDoc.SettaValoriRiga();
}

void TFSOrc0001f_p::TRigheAfterScroll(TDataSet *dataSet)
{
    TFSOrc0001f::TRigheAfterScroll(dataSet);
    if (!FlInCaricamento)
        RigheDoc.SettaValoriRiga();
}

void TFSOrc0001f_p::TRigheAfterEdit(TDataSet *dataSet)
{
    TFSOrc0001f::TRigheAfterEdit(dataSet);
    RigheDoc.SettaValoriRiga();
}

void TFSOrc0001f_p::TRigheCalcFields(TDataSet *dataSet)
{
    TFSOrc0001f::TRigheCalcFields(dataSet);
    RigheDoc.CalcFields(dataSet);
    if (TTesta->Active() && !TTesta->IsEmpty()) {
        try {
            CalcolaImportiRigo(TTesta, dataSet, true);
        } catch (const Exception &) {
        }
    }
}

void TFSOrc0001f_p::TRigheBeforePost(TDataSet *dataSet)
{
    TFSOrc0001f::TRigheBeforePost(dataSet);
    RigheDoc.PrimaDiPost(dataSet);
}

void TFSOrc0001f_p::CalcoloQuantita(TField *sender)
{
    if (FlInCaricamento)
        return;
    RigheDoc.CalcoloQuantita(sender);
}

void TFSOrc0001f_p::CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati)
{
    RigheDoc.CalcolaImportiRigo(testa, righe, calcolati,
                                [&] { TFSOrc0001f::CalcolaImportiRigo(testa, righe, calcolati); });
}

void TFSOrc0001f_p::edIdProdottoExit(QObject *)
{
    RigheDoc.SettaValoriRiga();
}

// ---- kits and bar codes

void TFSOrc0001f_p::CompletaRigoAccodato(TDataSet *rigo)
{
    const QString articolo = rigo->FieldByName(QStringLiteral("IdProdotto"))->AsString();
    if (const TField *esenzione = TTesta->FindField(QStringLiteral("IdEsenzione"));
        esenzione && !esenzione->AsString().trimmed().isEmpty())
        rigo->FieldByName(QStringLiteral("IdIva"))
            ->SetAsString(TDMISBas::Crea()->IvaEsenzione(esenzione->AsString(), articolo,
                                                         rigo->FieldByName(QStringLiteral("TipoRigo"))->AsInteger()));
    rigo->FieldByName(QStringLiteral("Stato"))->SetAsInteger(2);
    TestaARigo(TTesta, rigo);
    ContoDefault(rigo);
    if (FlProvvigioni)
        ProvvigioniRigo(rigo);
    if (TDMIBase::Posiziona(TDMIBase::Crea()->lkArticoli, QStringLiteral("IdProdotto"), {articolo}))
        CompletaRigo(rigo);
    CalcolaImportiRigo(TTesta, rigo, false);
}

bool TFSOrc0001f_p::InserisciComponenti(const QString &idProdotto, const QDateTime &data, double quantita,
                                        double percQuota, double percSpalmatura, int tipoRigo, int kRigoKit,
                                        const QString &idUM, double fattConv)
{
    LumoComponenti::TKit kit{idProdotto, data, quantita, kRigoKit, idUM, fattConv, QStringLiteral("Quantita2Ord")};
    return LumoComponenti::InserisciComponenti(
        this, kit, [&](const Distintabase::TXItemDistintaBase &item, double moltiplicatore) {
            TXTable *r = TRigheAccoda;
            r->Append();
            TRigheNewRecord(r);
            r->FieldByName(QStringLiteral("TipoRigo"))->SetAsInteger(tipoRigo);
            r->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(item.IdProdotto);
            r->FieldByName(QStringLiteral("QuantitaOrd"))->SetAsFloat(item.QuantitaTotale);
            LumoComponenti::PrezzoComponente(this, r, item, percQuota);
            const double q = LumoComponenti::QuantitaComponente(item.QuantitaTotale, moltiplicatore);
            r->FieldByName(QStringLiteral("QuantitaOrd"))->SetAsFloat(q);
            r->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(q);
            r->FieldByName(QStringLiteral("Quantita2Ord"))->SetAsFloat(1);
            UT_LMQ_DORC_TotLitriRiga(r);
            LumoComponenti::SpalmaturaComponente(this, r, item, percSpalmatura);
            CompletaRigoAccodato(r);
            r->Post();
            TRigheAfterPost(r); // the document changed
            if (LumoComponenti::SenzaDettaglio(item.IdProdotto))
                return;
            if (!TDMIBbas::Crea()->CreaDettaglioAutomatico(2, TTesta, r, TDettQta))
                throw Exception(QStringLiteral("Errore in creazione dettaglio automatico (componenti)"));
            if (!item.IdVariante.isEmpty())
                LumoComponenti::AccodaDettaglioQta(this, r->FieldByName(QStringLiteral("Contatore"))->AsInteger(),
                                                   item.IdVariante, QString(), QString(),
                                                   r->FieldByName(QStringLiteral("QuantitaOrd"))->AsFloat());
        });
}

bool TFSOrc0001f_p::AccodaRigheBarcode(const QString &barcode, double quantita, QString &idProdotto,
                                       QStringList &messaggi)
{
    TXTable *r = TRigheAccoda;
    return LumoComponenti::LetturaBarcode(r, messaggi, [&](bool &accodato) {
        LumoComponenti::ArticoloBarcode(this, barcode, idProdotto);
        if (!r->Active())
            r->Open();
        r->Append();
        accodato = true;
        TRigheNewRecord(r);
        r->FieldByName(QStringLiteral("IdProdotto"))->SetAsString(idProdotto);
        RigoDefault(r);
        r->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(quantita);
        TField *pezzi = r->FieldByName(QStringLiteral("Quantita2Ord"));
        pezzi->SetAsFloat(r->FieldByName(QStringLiteral("_UT_LMQ_QtaImballo"))->AsFloat());
        if (pezzi->AsFloat() == 0)
            pezzi->SetAsFloat(1);
        CalcoloQuantita(r->FieldByName(QStringLiteral("Lunghezza")));
        CompletaRigoAccodato(r);
        if (!TDMIBbas::Crea()->CreaDettaglioAutomatico(2, TTesta, r, TDettQta))
            throw Exception(QStringLiteral("Errore in creazione dettaglio automatico (Barcode)"));
        r->Post();
        TRigheAfterPost(r); // the document changed
        FlRigheAggiunte = true;
        AggiornaRighe();
    });
}
