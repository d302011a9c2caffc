#include "documents/Lumo_righedoc.h"

#include "engine/Lumo_funzdocven.h"
#include "engine/Lumo_funzordcli.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Dmibase.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Forms.h"
#include "host/ui/Kmessages.h"

#include <QLabel>

namespace {

bool InModifica(TDataSet *d)
{
    return d->State() == dsEdit || d->State() == dsInsert;
}

bool TipoArticoloQuantita(int tipo)
{
    return tipo == 3 || tipo == 4 || tipo == 5;
}

} // namespace

TMembroRighe MembroFattura()
{
    TMembroRighe m;
    m.DettaglioUscite = true;
    return m;
}

TMembroRighe MembroBollaCliente()
{
    return MembroFattura();
}

TMembroRighe MembroBollaFornitore()
{
    TMembroRighe m;
    m.Litri = false;
    m.ScriveNN = false;
    return m;
}

TMembroRighe MembroOrdine()
{
    TMembroRighe m;
    m.CampoQuantita = QStringLiteral("QuantitaOrd");
    m.CampoPezzi = QStringLiteral("Quantita2Ord");
    m.FormaBreve = true;
    m.LitriSempre = true;
    m.OspitePrima = true;
    m.DaEvadere = true;
    return m;
}

TMembroRighe MembroOfferta()
{
    TMembroRighe m = MembroOrdine();
    m.DaEvadere = false;
    m.DaEvadereVal = true;
    m.ScriveNN = false;
    return m;
}

void TLumoRigheDoc::TrovaControlli(QWidget *finestra)
{
    auto *form = qobject_cast<TForm *>(finestra);
    if (!form)
        return;
    edLunghezza = form->FindControl<TDBEdit>(QStringLiteral("edLunghezza"));
    edQuantita2 = form->FindControl<TDBEdit>(QStringLiteral("edQuantita2"));
    edQuantita = form->FindControl<TDBEdit>(QStringLiteral("edQuantita"));
    lbLunghezza = form->FindControl<QLabel>(QStringLiteral("lbLunghezza"));
    cbUT_UT_LMQ_FlTipoPrz = form->FindControl<TDBComboBox>(QStringLiteral("cbUT_UT_LMQ_FlTipoPrz"));
    btnDuSa = Membro.FormaBreve ? nullptr : form->FindControl<QWidget>(QStringLiteral("btnDuSa"));
}

void TLumoRigheDoc::DichiaraCampi(TDataSet *righe, bool withCalcolati) const
{
    TDMIBase *base = TDMIBase::Crea();
    const QString prodotto = QStringLiteral("IdProdotto");
    if (Membro.Litri) {
        UT_LMQ_DVEN_CampiLookupRighe(righe);
    } else {
        righe->AddLookupField(QStringLiteral("_UT_LMQ_QtaImballo"), ftFloat, 0, base->lkArticoli, prodotto, prodotto,
                              QStringLiteral("QtaImballo"));
        righe->AddLookupField(QStringLiteral("_UT_LMQ_FlTipArt"), ftSmallint, 0, base->lkArticoli, prodotto, prodotto,
                              QStringLiteral("UT_LMQ_FlTipArt"));
        Funzioni::CheckTabOpen(base->lkArticoli);
    }
    if (!righe->FindField(QStringLiteral("_FlTipoMisure")))
        righe->AddCalcField(QStringLiteral("_FlTipoMisure"), ftSmallint);
    if (withCalcolati)
        for (const char *nome : {"_ImportoLordo", "_ImportoNetto", "_ImportoNN", "_ControValNN"})
            if (!righe->FindField(QLatin1String(nome)))
                righe->AddCalcField(QLatin1String(nome), ftFloat);
}

void TLumoRigheDoc::SettaValoriRiga()
{
    TDataSet *r = DsRighe ? DsRighe->DataSet() : nullptr;
    if (!r || !r->Active())
        return;
    const TDataSetState stato = r->State();
    const bool inserisce = stato == dsInsert;
    const bool sfoglia = !InModifica(r);
    const int tipoRigo = r->FieldByName(QStringLiteral("TipoRigo"))->AsInteger();

    // 1-2
    if (edLunghezza) {
        edLunghezza->setEnabled(true);
        edLunghezza->SetReadOnly(Membro.FormaBreve ? false : sfoglia);
    }
    if (btnDuSa)
        btnDuSa->setVisible(true);
    // 3: the units per package locked by the parameter or by the article type
    const auto tipoArticolo = [r] { return r->FieldByName(QStringLiteral("_UT_LMQ_FlTipArt"))->AsInteger(); };
    if (!Membro.FormaBreve && edQuantita2)
        edQuantita2->SetReadOnly(UT_LMQ_Parametri.FlQtaConf == 0 || TipoArticoloQuantita(tipoArticolo()));
    // 4
    if (lbLunghezza)
        lbLunghezza->setText(TipoArticoloQuantita(tipoArticolo()) ? QStringLiteral("Quantità")
                                                                   : QStringLiteral("Nr.Conf."));
    // 5
    if (inserisce) {
        TField *pezzi = r->FieldByName(Membro.CampoPezzi);
        pezzi->SetAsFloat(r->FieldByName(QStringLiteral("_UT_LMQ_QtaImballo"))->AsFloat());
        if (pezzi->AsFloat() == 0)
            pezzi->SetAsFloat(1);
    }
    // 6
    if (cbUT_UT_LMQ_FlTipoPrz)
        cbUT_UT_LMQ_FlTipoPrz->SetReadOnly(false);
    if (btnDuSa)
        btnDuSa->setVisible(true);
    // 7
    if (tipoRigo == 2 || tipoRigo == 6) {
        if (cbUT_UT_LMQ_FlTipoPrz)
            cbUT_UT_LMQ_FlTipoPrz->SetReadOnly(true);
        if (btnDuSa)
            btnDuSa->setVisible(false);
        if (inserisce && tipoRigo == 2)
            r->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(1);
    }
    // 8
    if (tipoRigo == 3 || tipoRigo == 8) {
        if (lbLunghezza)
            lbLunghezza->setText(QStringLiteral("Quantità"));
        if (edLunghezza) {
            edLunghezza->SetReadOnly(false);
            edLunghezza->setEnabled(true);
        }
        if (btnDuSa)
            btnDuSa->setVisible(false);
        if (!sfoglia)
            r->FieldByName(QStringLiteral("_FlTipoMisure"))->SetAsInteger(1);
    }
}

void TLumoRigheDoc::NuovoRigo(TDataSet *righe, const QString &idListino)
{
    int tipo = 0;
    TDMIBase *base = TDMIBase::Crea();
    Funzioni::CheckTabOpen(base->TipiListino);
    const QVariant v = idListino.isEmpty()
                           ? QVariant()
                           : base->TipiListino->Lookup(QStringLiteral("IdListino"), idListino,
                                                       QStringLiteral("UT_LMQ_FlTipoPrz"));
    tipo = v.isValid() ? v.toInt() : 0;
    if (tipo == 0)
        tipo = UT_LMQ_Parametri.FlTipoPrz;
    righe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->SetAsInteger(tipo);
}

void TLumoRigheDoc::CopiaImballi(TDataSet *righe)
{
    TDataSet *articoli = TDMIBase::Crea()->lkArticoli;
    righe->FieldByName(QStringLiteral("UT_LMQ_IdImballo1"))
        ->SetAsString(articoli->FieldByName(QStringLiteral("IdImballo"))->AsString());
    righe->FieldByName(QStringLiteral("UT_LMQ_IdImballo2"))
        ->SetAsString(articoli->FieldByName(QStringLiteral("UT_LMQ_IdImballo2"))->AsString());
}

void TLumoRigheDoc::CalcFields(TDataSet *righe)
{
    TField *misure = righe->FieldByName(QStringLiteral("_FlTipoMisure"));
    const int tipoRigo = righe->FieldByName(QStringLiteral("TipoRigo"))->AsInteger();
    if (tipoRigo == 3 || tipoRigo == 8) {
        if (edLunghezza)
            edLunghezza->setEnabled(true);
        misure->SetAsInteger(1);
        return;
    }
    // the article's number of measures (the host's part)
    const QString articolo = righe->FieldByName(QStringLiteral("IdProdotto"))->AsString();
    const QVariant v = articolo.isEmpty() ? QVariant()
                                          : TDMIBase::Crea()->lkArticoli->Lookup(
                                                QStringLiteral("IdProdotto"), articolo, QStringLiteral("FlTipoMisure"));
    misure->SetAsInteger(v.isValid() && v.toInt() > 0 ? v.toInt() : 1);
}

void TLumoRigheDoc::CalcoloQuantita(TField *sender)
{
    const int divisore = KV8Config::GetFSBAS01().DivisoreVolume;
    if (Membro.FormaBreve)
        UT_LMQ_DORC_CalcoloQuantita(sender, divisore);
    else
        UT_LMQ_DVEN_CalcoloQuantita(sender, divisore);
}

void TLumoRigheDoc::PrimaDiPost(TDataSet *righe)
{
    if (!Membro.Litri)
        return;
    if (Membro.LitriSempre)
        UT_LMQ_DORC_TotLitriRiga(righe);
    else
        UT_LMQ_DVEN_TotLitriRiga(righe);
}

void TLumoRigheDoc::UscitaLunghezza(const std::function<void()> &dettaglio)
{
    if (!Membro.DettaglioUscite || !edQuantita || !edQuantita2)
        return;
    if ((!edQuantita->isEnabled() || edQuantita->IsReadOnlySet()) && edQuantita2->IsReadOnlySet())
        dettaglio();
}

void TLumoRigheDoc::UscitaQuantita2(const std::function<void()> &dettaglio)
{
    if (!Membro.DettaglioUscite || !edQuantita)
        return;
    if (edQuantita->isEnabled() && !edQuantita->IsReadOnlySet())
        return;
    TDataSet *r = DsRighe->DataSet();
    TField *quantita = r->FieldByName(Membro.CampoQuantita);
    const double prima = quantita->AsFloat();
    if (r->State() == dsInsert && KV8Config::GetFSLOT01().FlQtaZeroLotti != 0)
        quantita->SetAsFloat(0);
    // the quantity comes back also when the detail fails
    const auto rimetti = [&] {
        if (InModifica(r))
            quantita->SetAsFloat(prima);
    };
    try {
        dettaglio();
    } catch (...) {
        rimetti();
        throw;
    }
    rimetti();
}

void TLumoRigheDoc::CalcolaImportiRigo(TDataSet *testa, TDataSet *righe, bool calcolati,
                                       const std::function<void()> &ospite)
{
    if (Membro.OspitePrima && ospite)
        ospite();
    const auto valore = [](TDataSet *d, const QString &campo) { return d->FieldByName(campo)->AsFloat(); };
    const int decimali =
        Funzioni::LeggiDecimaliDivisa(TDMIBase::Crea()->lkDivise, testa->FieldByName(QStringLiteral("IdDivisa"))->AsString())
            .Valore;
    const double segno = CFG.SegnoSconti;
    double lordo = 0;
    double netto = 0;
    try {
        double fattore = 1;
        if (Membro.Litri) {
            const double capacita = valore(righe, QStringLiteral("_UT_LMQ_Capacita"));
            if (capacita != 0 && righe->FieldByName(QStringLiteral("_UT_LMQ_FlPrzLit"))->AsInteger() == 1)
                fattore = capacita;
        }
        const double prezzo = valore(righe, QStringLiteral("Prezzo"));
        double importo = righe->FieldByName(QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger() == 1
                             ? valore(righe, QStringLiteral("Lunghezza")) * prezzo
                             : valore(righe, Membro.CampoQuantita) * prezzo * fattore;
        lordo = Funzioni::KRound(importo, decimali);
        for (int i = 1; i <= 5; ++i)
            if (CFG.NumScontiRigo >= i)
                importo += importo * valore(righe, QStringLiteral("Sconto%1").arg(i)) * segno / 100;
        netto = Funzioni::KRound(importo, decimali);
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        const auto *ex = dynamic_cast<const Exception *>(&e);
        Kmessages::KMessage(ex ? ex->Message : QString::fromUtf8(e.what()), mtInformation, mbOK);
    }
    double nn = netto;
    for (int i = 1; i <= 5; ++i)
        if (CFG.NumScontiTesta >= i)
            nn += nn * valore(testa, QStringLiteral("Sconto%1").arg(i)) * segno / 100;
    nn += nn * valore(testa, QStringLiteral("ScontoPagamento")) * segno / 100;
    nn = Funzioni::KRound(nn, decimali);
    const double controvalore =
        Funzioni::CalcValoreEURO(nn, valore(testa, QStringLiteral("Cambio")),
                                 testa->FieldByName(QStringLiteral("DataCambio"))->AsDateTime(),
                                 testa->FieldByName(QStringLiteral("IdDivisa"))->AsString(),
                                 KFormati::GetDecimali(KFormati::fnValoreIT));
    const auto scrivi = [righe](const char *campo, double v) { righe->FieldByName(QLatin1String(campo))->SetAsFloat(v); };
    if (calcolati) {
        scrivi("_ImportoLordo", lordo);
        scrivi("_ImportoNetto", netto);
        if (Membro.ScriveNN)
            scrivi("_ImportoNN", nn);
        scrivi("_ControValNN", controvalore);
        if (Membro.DaEvadere && testa->FieldByName(QStringLiteral("_FlTipoEvasione"))->AsInteger() != 0)
            scrivi("_DaEvadere", nn - valore(righe, QStringLiteral("ImportoSpedito")));
        if (Membro.DaEvadereVal)
            scrivi("_DaEvadereVal", nn - valore(righe, QStringLiteral("ImportoSpedito")));
    } else {
        scrivi("ImportoLordo", lordo);
        scrivi("ImportoNetto", netto);
        if (Membro.ScriveNN)
            scrivi("ImportoNN", nn);
        scrivi("ControValoreNN", controvalore);
    }
}

void ColonneRigheVendita(KDBGriglia *griglia)
{
    griglia->ClearColumns();
    const QColor celeste(0x87, 0xCE, 0xEB);
    griglia->AddColumn(QStringLiteral("TipoRigo"), QStringLiteral("Tipo"), 24);
    griglia->AddColumn(QStringLiteral("IdProdotto"), QString(), 87);
    griglia->AddColumn(QStringLiteral("Descrizione"), QString(), 309);
    griglia->AddColumn(QStringLiteral("Lunghezza"), QStringLiteral("Conf."), 35);
    griglia->AddColumn(QStringLiteral("Quantita2"), QStringLiteral("Pz."), 23);
    griglia->AddColumn(QStringLiteral("IdUm"), QStringLiteral("U.M."), 26).Alignment = Qt::AlignCenter;
    griglia->AddColumn(QStringLiteral("Quantita"), QString(), 50).Color = celeste;
    griglia->AddColumn(QStringLiteral("Prezzo"), QString(), 65);
    griglia->AddColumn(QStringLiteral("Sconto1"), QStringLiteral("Sco.1"), 35);
    griglia->AddColumn(QStringLiteral("Sconto2"), QStringLiteral("Sco.2"), 35);
    griglia->AddColumn(QStringLiteral("_ImportoNetto"), QStringLiteral("Importo netto"), 72);
}
