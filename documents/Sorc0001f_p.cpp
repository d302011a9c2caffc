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

#include <QLabel>

DUSARIA_FINESTRA(TFSOrc0001f_p, FSOrc0001f_p);

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

void LumoOrdini::EtichettaMisure(TForm *finestra, bool evidenziata)
{
    QLabel *etichetta = finestra->FindControl<QLabel>(QStringLiteral("lbLunghezza"));
    if (!etichetta)
        return;
    etichetta->setText(QStringLiteral("misure"));
    if (evidenziata)
        etichetta->setStyleSheet(QStringLiteral("color: blue; font-weight: bold;"));
}

// ---- the order window

TFSOrc0001f_p::TFSOrc0001f_p(QWidget *owner)
    : TLumoFinestraDoc(MembroOrdine(), QStringLiteral("Gestione Ordini Clienti (Dusaria)"), FSOrc0001f_p, owner)
{
    setObjectName(QStringLiteral("FSOrc0001f_p"));
    CalcolaInCaricamento = true;
    LumoOrdini::CampiTesta(TTesta);
    DichiaraCampiRighe({TRigheNC, TRRighe, TRigheAccoda});
    TRighe->AddCalcField(QStringLiteral("_DaEvadere"), ftFloat);

    QWidget contenitore;
    Ui::Sorc0001f_p ui;
    ui.setupUi(&contenitore);
    cbUT_UT_LMQ_FlTipoPrz = ui.cbUT_UT_LMQ_FlTipoPrz;
    LumoOrdini::AggiungiAlPannello(PanelR, ui.pRigoModulo);
    LumoOrdini::EtichettaMisure(this, true);
}

void TFSOrc0001f_p::FormCreate()
{
    TFSOrc0001f::FormCreate();
    CollegaRighe();
}

void TFSOrc0001f_p::TTestaCalcFields(TDataSet *dataSet)
{
    TFSOrc0001f::TTestaCalcFields(dataSet);
    LumoOrdini::ListinoCauzioni(dataSet);
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
            r->FieldByName(QStringLiteral("QuantitaOrd"))->SetAsFloat(item.Quantita);
            LumoComponenti::PrezzoComponente(this, r, item, percQuota);
            const double q = LumoComponenti::QuantitaComponente(item.Quantita, moltiplicatore);
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
