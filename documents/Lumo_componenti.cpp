#include "documents/Lumo_componenti.h"

#include "frame/Lumo_dlgEspDb.h"
#include "frame/Lumo_parametri.h"
#include "host/business/Distintabase.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Dmibmag.h"
#include "host/business/Dmibpos.h"
#include "host/business/Documento.h"
#include "host/business/Sven0904f.h"
#include "host/business/Tipirigo.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/Kmessages.h"

#include <memory>

namespace LumoComponenti {

namespace {

TField *F(TDataSet *d, const char *nome)
{
    return d->FieldByName(QLatin1String(nome));
}

int DecQuantita()
{
    return KFormati::GetDecimali(KFormati::fnQuantita);
}

struct TVoce {
    QString IdVariante;
    QString Quantita; // as text at the quantity decimals
};

QString Testo(double quantita)
{
    return QString::number(quantita, 'f', DecQuantita());
}

QList<TVoce> Voci(TFDocumento *finestra, const TKit &kit)
{
    QList<TVoce> voci;
    if (F(DMIBase->lkArticoli, "FlGesVarianti")->AsInteger() == 1) {
        TXQuery *q = finestra->qVarianti;
        q->Close();
        q->ParamByName(QStringLiteral("KRigo"))->SetValue(kit.KRigoKit);
        q->Open();
        for (q->First(); !q->Eof(); q->Next())
            voci << TVoce{F(q, "IdVariante")->AsString(), Testo(F(q, "Quantita")->AsFloat())};
        q->Close();
    }
    if (voci.isEmpty())
        voci << TVoce{QString(), Testo(kit.Quantita)};
    return voci;
}

// The multiplier chosen in the dialog for the entry's converted quantity.
double Moltiplicatore(TFDocumento *finestra, const TKit &kit, double quantita)
{
    {
        std::unique_ptr<Tflumo_dlgEspDb> dlg(
            CreateObjectAs<Tflumo_dlgEspDb>(ClassRef::Of<Tflumo_dlgEspDb>(), finestra));
        dlg->ShowModal();
    }
    switch (UT_LMQ_ParEspDB.FlTipoCalc) {
    case 1:
        return F(finestra->TRighe, "Lunghezza")->AsFloat();
    case 2:
        return finestra->TRighe->FieldByName(kit.CampoPezzi)->AsFloat();
    default:
        return quantita;
    }
}

} // namespace

bool InserisciComponenti(TFDocumento *finestra, const TKit &kit, const TAccodaComponente &accoda)
{
    if (!TDMIBase::Posiziona(TDMIBase::Crea()->lkArticoli, QStringLiteral("IdProdotto"), {kit.IdProdotto}))
        return false;
    const QList<TVoce> voci = Voci(finestra, kit);
    bool esplosa = false;
    Distintabase::TXEspandiDistintaBase distinta(nullptr, &DMIDataBases::Instance().Global());
    for (const TVoce &voce : voci) {
        double quantita = 0;
        if (!TDMIBMag::Crea()->ConvQuantitaProdotto(kit.IdProdotto, kit.IdUM, kit.FattConv, voce.Quantita.toDouble(),
                                                    quantita))
            throw Exception(QStringLiteral("Impossibile convertire quantità del documento"));
        distinta.Esplodi(kit.IdProdotto, voce.IdVariante, quantita, kit.Data, KV8Config::GetFSDBA01());
        if (distinta.GetCount() == 0)
            continue;
        esplosa = true;
        const double moltiplicatore = Moltiplicatore(finestra, kit, quantita);
        TXTable *cursore = finestra->TRigheAccoda;
        cursore->Close();
        cursore->Open();
        cursore->Last();
        try {
            for (int i = 0; i < distinta.GetCount(); ++i) {
                const Distintabase::TXItemDistintaBase &item = distinta.GetItem(i);
                if (item.FlSalta == 0)
                    accoda(item, moltiplicatore);
            }
        } catch (...) {
            if (cursore->State() == dsInsert || cursore->State() == dsEdit)
                cursore->Cancel();
            cursore->Close();
            finestra->ChiudiInserimentoComponenti();
            cursore->Open();
            finestra->AggiornaRighe();
            throw;
        }
        cursore->Close();
        finestra->ChiudiInserimentoComponenti();
        cursore->Open();
        finestra->AggiornaRighe();
    }
    if (esplosa)
        finestra->FlRigheAggiunte = true;
    return esplosa;
}

double QuantitaComponente(double quantitaItem, double moltiplicatore)
{
    return Funzioni::KRound(quantitaItem * moltiplicatore, DecQuantita());
}

void PrezzoComponente(TFDocumento *finestra, TDataSet *rigo, const Distintabase::TXItemDistintaBase &item,
                      double percQuota)
{
    if (item.Prezzo != 0)
        F(rigo, "Prezzo")
            ->SetAsFloat(Funzioni::KRound(item.Prezzo * percQuota / 100, KFormati::GetDecimali(KFormati::fnPrezzoES)));
    const auto tipo =
        Tipirigo::TRGetTipoRigo(finestra->TipoDoc().CodTipoDoc, QString(), F(rigo, "TipoRigo")->AsInteger());
    if (tipo && tipo->FlDefault)
        finestra->RigoDefault(rigo);
}

bool SpalmaturaComponente(TFDocumento *finestra, TDataSet *rigo, const Distintabase::TXItemDistintaBase &item,
                          double percSpalmatura)
{
    if (finestra->ModoSpalmatura == 0 || item.Prezzo == 0 || item.Quantita == 0)
        return false;
    F(rigo, "Prezzo")
        ->SetAsFloat(Funzioni::KRound(item.Prezzo * percSpalmatura / 100 / item.Quantita,
                                      KFormati::GetDecimali(KFormati::fnPrezzoES)));
    for (int i = 1; i <= 5; ++i)
        rigo->FieldByName(QStringLiteral("Sconto%1").arg(i))->SetAsFloat(0);
    return true;
}

bool SenzaDettaglio(const QString &idProdotto)
{
    TXlkTable *articoli = TDMIBase::Crea()->lkArticoli;
    return KV8Config::GetFMBAS01().FlGestDimensioni == 0
           && TDMIBase::Posiziona(articoli, QStringLiteral("IdProdotto"), {idProdotto})
           && !F(articoli, "IdDimensione")->AsString().trimmed().isEmpty();
}

void AccodaDettaglioQta(TFDocumento *finestra, int kRigo, const QString &idVariante, const QString &gruppo,
                        const QString &idLotto, double quantita)
{
    TXTable dettaglio;
    dettaglio.SetDatabaseName(QStringLiteral("LocalDatabase"));
    dettaglio.SetTableName(QStringLiteral("t_DettQtaDoc"));
    dettaglio.SetTabellaOrigine(QStringLiteral("DettQtaDoc"));
    dettaglio.SetUsaDizionario(true);
    if (!dettaglio.Database().TableExists(dettaglio.TableName()))
        dettaglio.CreaTabella();
    dettaglio.Open();
    dettaglio.Append();
    F(&dettaglio, "FlTipoDocumento")->SetAsInteger(finestra->TipoDoc().CodTipoDoc);
    F(&dettaglio, "KTestaDoc")->SetAsInteger(Sven0904f::ChiaveFinestra(finestra));
    F(&dettaglio, "KRigoDoc")->SetAsInteger(kRigo);
    F(&dettaglio, "IdVariante")->SetAsString(idVariante);
    F(&dettaglio, "Gruppo")->SetAsString(gruppo);
    F(&dettaglio, "IdLotto")->SetAsString(idLotto);
    F(&dettaglio, "Quantita")->SetAsFloat(quantita);
    F(&dettaglio, "Stato")->SetAsInteger(2);
    dettaglio.Post();
}

void ArticoloBarcode(TFDocumento *finestra, const QString &barcode, QString &idProdotto)
{
    TDataSet *testa = finestra->TTesta;
    TXlkTable *articoli = TDMIBase::Crea()->lkArticoli;
    QString articolo;
    TDMIBbas::Crea()->DecodificaBarcode(barcode, F(testa, "IdClienteTp")->AsString(), F(testa, "IdCliente")->AsString(),
                                        nullptr, articolo);
    idProdotto = articolo;
    if (articolo.trimmed().isEmpty() || !TDMIBase::Posiziona(articoli, QStringLiteral("IdProdotto"), {articolo}))
        throw Exception(QStringLiteral("Codice prodotto non valido"));
    QString messaggio;
    if (!TDMIBPos::Crea()->TestArticolo(articolo, F(testa, "DataDocumento")->AsDateTime(), messaggio))
        throw Exception(messaggio);
}

bool LetturaBarcode(TDataSet *cursore, QStringList &messaggi, const std::function<void(bool &accodato)> &lettura)
{
    bool accodato = false; // a row of the user's being inserted is not ours to drop
    Kmessages::XAttivaListaMessaggi();
    bool esito = true;
    try {
        lettura(accodato);
    } catch (const std::exception &e) {
        // still collecting: the message reaches the caller's list
        esito = false;
        if (!dynamic_cast<const EAbort *>(&e)) {
            Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK);
        }
    }
    const QString raccolti = Kmessages::XGetListaMessaggi();
    if (!raccolti.isEmpty())
        messaggi << raccolti.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    Kmessages::XDisattivaListaMessaggi();
    if (accodato && cursore->State() == dsInsert)
        cursore->Cancel();
    return esito;
}

} // namespace LumoComponenti
