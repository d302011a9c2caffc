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
            if (!righe->FindField(QLatin1String(nome))) {
                // amounts in the document's currency, the counter-value in the company's
                const bool controvalore = qstrcmp(nome, "_ControValNN") == 0;
                righe->AddCalcField(QLatin1String(nome), ftFloat)
                    ->SetNumberKind(controvalore ? KFormati::fnValoreIT : KFormati::fnValoreES);
            }
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
    if (lbLunghezza)
        lbLunghezza->setText(TipoArticoloQuantita(tipoArticolo()) ? QStringLiteral("Quantità")
                                                                  : QStringLiteral("Nr.Conf."));
    if (inserisce) {
        TField *pezzi = r->FieldByName(Membro.CampoPezzi);
        pezzi->SetAsFloat(r->FieldByName(QStringLiteral("_UT_LMQ_QtaImballo"))->AsFloat());
        if (pezzi->AsFloat() == 0)
            pezzi->SetAsFloat(1);
    }
    if (cbUT_UT_LMQ_FlTipoPrz)
        cbUT_UT_LMQ_FlTipoPrz->SetReadOnly(false);
    if (btnDuSa)
        btnDuSa->setVisible(true);
    if (tipoRigo == 2 || tipoRigo == 6) {
        if (cbUT_UT_LMQ_FlTipoPrz)
            cbUT_UT_LMQ_FlTipoPrz->SetReadOnly(true);
        if (btnDuSa)
            btnDuSa->setVisible(false);
        if (inserisce && tipoRigo == 2)
            r->FieldByName(QStringLiteral("Lunghezza"))->SetAsFloat(1);
    }
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
    const QVariant v = idListino.isEmpty() ? QVariant()
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

namespace {

// The field found once, or the dataset's own error when it is not there.
TField *Campo(TField *trovato, TDataSet *d, const QString &nome)
{
    return trovato ? trovato : d->FieldByName(nome);
}

TField *Sconto(TField *trovato, TDataSet *d, int numero)
{
    return trovato ? trovato : d->FieldByName(QStringLiteral("Sconto%1").arg(numero));
}

} // namespace

const TLumoRigheDoc::CampiRiga &TLumoRigheDoc::Riga(TDataSet *righe)
{
    if (riga_.ds == righe)
        return riga_;
    const auto f = [righe](const QString &nome) { return righe->FindField(nome); };
    riga_.ds = righe;
    riga_.TipoRigo = f(QStringLiteral("TipoRigo"));
    riga_.IdProdotto = f(QStringLiteral("IdProdotto"));
    riga_.FlTipoMisure = f(QStringLiteral("_FlTipoMisure"));
    riga_.Capacita = f(QStringLiteral("_UT_LMQ_Capacita"));
    riga_.FlPrzLit = f(QStringLiteral("_UT_LMQ_FlPrzLit"));
    riga_.Prezzo = f(QStringLiteral("Prezzo"));
    riga_.FlTipoPrz = f(QStringLiteral("UT_LMQ_FlTipoPrz"));
    riga_.Lunghezza = f(QStringLiteral("Lunghezza"));
    riga_.Quantita = f(Membro.CampoQuantita);
    riga_.ImportoSpedito = f(QStringLiteral("ImportoSpedito"));
    for (int i = 0; i < 5; ++i)
        riga_.Sconto[i] = f(QStringLiteral("Sconto%1").arg(i + 1));
    const char *const importi[] = {"ImportoLordo",   "ImportoNetto",  "ImportoNN",
                                   "ControValoreNN", "ControvaloreL", "ControvaloreN"};
    const char *const calcolati[] = {"_ImportoLordo", "_ImportoNetto", "_ImportoNN", "_ControValNN"};
    for (int i = 0; i < 6; ++i)
        riga_.Importi[i] = f(QLatin1String(importi[i]));
    for (int i = 0; i < 4; ++i)
        riga_.ImportiCalc[i] = f(QLatin1String(calcolati[i]));
    riga_.DaEvadere = f(QStringLiteral("_DaEvadere"));
    riga_.DaEvadereVal = f(QStringLiteral("_DaEvadereVal"));
    return riga_;
}

const TLumoRigheDoc::CampiTesta &TLumoRigheDoc::Testa(TDataSet *testa)
{
    if (testa_.ds == testa)
        return testa_;
    const auto f = [testa](const QString &nome) { return testa->FindField(nome); };
    testa_.ds = testa;
    testa_.IdDivisa = f(QStringLiteral("IdDivisa"));
    testa_.ScontoPagamento = f(QStringLiteral("ScontoPagamento"));
    testa_.Cambio = f(QStringLiteral("Cambio"));
    testa_.DataCambio = f(QStringLiteral("DataCambio"));
    testa_.FlTipoEvasione = f(QStringLiteral("_FlTipoEvasione"));
    for (int i = 0; i < 5; ++i)
        testa_.Sconto[i] = f(QStringLiteral("Sconto%1").arg(i + 1));
    return testa_;
}

void TLumoRigheDoc::CalcFields(TDataSet *righe)
{
    const CampiRiga &c = Riga(righe);
    TField *misure = Campo(c.FlTipoMisure, righe, QStringLiteral("_FlTipoMisure"));
    const int tipoRigo = Campo(c.TipoRigo, righe, QStringLiteral("TipoRigo"))->AsInteger();
    if (tipoRigo == 3 || tipoRigo == 8) {
        if (edLunghezza)
            edLunghezza->setEnabled(true);
        misure->SetAsInteger(1);
        return;
    }
    // the article's number of measures (the host's part)
    const QString articolo = Campo(c.IdProdotto, righe, QStringLiteral("IdProdotto"))->AsString();
    if (ricordaMisure_) {
        const auto tenuto = misure_.constFind(articolo);
        if (tenuto != misure_.cend()) {
            misure->SetAsInteger(*tenuto);
            return;
        }
    }
    const QVariant v = articolo.isEmpty() ? QVariant()
                                          : TDMIBase::Crea()->lkArticoli->Lookup(QStringLiteral("IdProdotto"), articolo,
                                                                                 QStringLiteral("FlTipoMisure"));
    const int tipo = v.isValid() && v.toInt() > 0 ? v.toInt() : 1;
    if (ricordaMisure_)
        misure_.insert(articolo, tipo);
    misure->SetAsInteger(tipo);
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
    const CampiRiga &r = Riga(righe);
    const CampiTesta &t = Testa(testa);
    const auto valore = [](TField *campo, TDataSet *d, const QString &nome) {
        return Campo(campo, d, nome)->AsFloat();
    };
    const QString divisa = Campo(t.IdDivisa, testa, QStringLiteral("IdDivisa"))->AsString();
    const int decimali = Funzioni::LeggiDecimaliDivisa(TDMIBase::Crea()->lkDivise, divisa).Valore;
    const double segno = CFG.SegnoSconti;
    double lordo = 0;
    double netto = 0;
    try {
        const double prezzo = valore(r.Prezzo, righe, QStringLiteral("Prezzo"));
        double importo = 0;
        if (Campo(r.FlTipoPrz, righe, QStringLiteral("UT_LMQ_FlTipoPrz"))->AsInteger() == 1) {
            importo = valore(r.Lunghezza, righe, QStringLiteral("Lunghezza")) * prezzo;
        } else {
            // per unit, per litre through the bottle's capacity
            double fattore = 1;
            if (Membro.Litri && Campo(r.FlPrzLit, righe, QStringLiteral("_UT_LMQ_FlPrzLit"))->AsInteger() == 1) {
                const double capacita = valore(r.Capacita, righe, QStringLiteral("_UT_LMQ_Capacita"));
                if (capacita != 0)
                    fattore = capacita;
            }
            importo = valore(r.Quantita, righe, Membro.CampoQuantita) * prezzo * fattore;
        }
        lordo = Funzioni::KRound(importo, decimali);
        for (int i = 1; i <= 5; ++i)
            if (CFG.NumScontiRigo >= i)
                importo += importo * Sconto(r.Sconto[i - 1], righe, i)->AsFloat() * segno / 100;
        netto = Funzioni::KRound(importo, decimali);
    } catch (const EAbort &) {
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK);
    }
    double nn = netto;
    for (int i = 1; i <= 5; ++i)
        if (CFG.NumScontiTesta >= i)
            nn += nn * Sconto(t.Sconto[i - 1], testa, i)->AsFloat() * segno / 100;
    nn += nn * valore(t.ScontoPagamento, testa, QStringLiteral("ScontoPagamento")) * segno / 100;
    nn = Funzioni::KRound(nn, decimali);
    const double cambio = valore(t.Cambio, testa, QStringLiteral("Cambio"));
    const QDateTime dataCambio = Campo(t.DataCambio, testa, QStringLiteral("DataCambio"))->AsDateTime();
    const auto inEuro = [&](double v) {
        return Funzioni::CalcValoreEURO(v, cambio, dataCambio, divisa, KFormati::GetDecimali(KFormati::fnValoreIT));
    };
    const double controvalore = inEuro(nn);
    const auto scrivi = [righe](TField *campo, const char *nome, double v) {
        Campo(campo, righe, QLatin1String(nome))->SetAsFloat(v);
    };
    if (calcolati) {
        scrivi(r.ImportiCalc[0], "_ImportoLordo", lordo);
        scrivi(r.ImportiCalc[1], "_ImportoNetto", netto);
        if (Membro.ScriveNN)
            scrivi(r.ImportiCalc[2], "_ImportoNN", nn);
        scrivi(r.ImportiCalc[3], "_ControValNN", controvalore);
        const auto daEvadere = [&] { return nn - valore(r.ImportoSpedito, righe, QStringLiteral("ImportoSpedito")); };
        if (Membro.DaEvadere && Campo(t.FlTipoEvasione, testa, QStringLiteral("_FlTipoEvasione"))->AsInteger() != 0)
            scrivi(r.DaEvadere, "_DaEvadere", daEvadere());
        if (Membro.DaEvadereVal)
            scrivi(r.DaEvadereVal, "_DaEvadereVal", daEvadere());
    } else {
        scrivi(r.Importi[0], "ImportoLordo", lordo);
        scrivi(r.Importi[1], "ImportoNetto", netto);
        scrivi(r.Importi[2], "ImportoNN", nn);
        scrivi(r.Importi[3], "ControValoreNN", controvalore);
        scrivi(r.Importi[4], "ControvaloreL", inEuro(lordo));
        scrivi(r.Importi[5], "ControvaloreN", inEuro(netto));
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
    griglia->AddColumn(QStringLiteral("Quantita2"), QStringLiteral("Pz."), 50);
    griglia->AddColumn(QStringLiteral("IdUm"), QStringLiteral("U.M."), 26).Alignment = Qt::AlignCenter;
    griglia->AddColumn(QStringLiteral("Quantita"), QString(), 50).Color = celeste;
    griglia->AddColumn(QStringLiteral("Prezzo"), QString(), 65);
    griglia->AddColumn(QStringLiteral("Sconto1"), QStringLiteral("Sco.1"), 35);
    griglia->AddColumn(QStringLiteral("Sconto2"), QStringLiteral("Sco.2"), 35);
    griglia->AddColumn(QStringLiteral("_ImportoNetto"), QStringLiteral("Importo netto"), 72);
}
