#include "host/business/Dmisorc.h"

#include "host/business/Dmisbas.h"
#include "host/business/Dmiscon.h"
#include "host/business/Tipirigo.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/Notices.h"
#include "host/data/ClassRegistry.h"
#include "host/data/TXClientTable.h"
#include "host/data/XDataModule.h"

using Funzioni::CompDec;
using Funzioni::KRound;

namespace {

int DecQuantita()
{
    return KFormati::GetDecimali(KFormati::fnQuantita);
}

TField *F(const TDataSet *ds, const char *campo)
{
    return ds->FieldByName(QLatin1String(campo));
}

double R(double valore)
{
    return KRound(valore, DecQuantita());
}

// A (rounding mode 0, no step) at the decimals.
double A(double valore, int decimali)
{
    return Funzioni::Arrotonda(valore, 0, Funzioni::arMatematico, decimali);
}

void Somma(TDataSet *ds, const char *campo, double delta)
{
    TField *f = F(ds, campo);
    f->SetAsFloat(R(f->AsFloat() + delta));
}

} // namespace

TDMISOrc::TDMISOrc(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMISOrc"));
    tOrdiniCliT = Create<TXClientTable>(QStringLiteral("tOrdiniCliT"));
    tOrdiniCliT->SetTableName(QStringLiteral("OrdiniCliTeste"));
    tOrdiniCliT->SetXWhereVuoto(QStringLiteral("KOrdiniCliT = -1"));
    tOrdiniCliT->SetUsaDizionario(true);
}

TDMISOrc::~TDMISOrc() = default;

TDMISOrc *TDMISOrc::Crea(QObject *owner)
{
    if (!DMISOrc)
        DMISOrc = Xforms::XGetDMClass(ClassRef::Of<TDMISOrc>()).CreateAs<TDMISOrc>(owner ? owner : ApplicationOwner());
    return DMISOrc;
}

void TDMISOrc::CampiRigoDocumento(int codTipoDoc, QString &campoChiave, QString &campoQuantita)
{
    campoChiave = codTipoDoc == 2 ? QStringLiteral("KOrdineRigo") : QStringLiteral("KOrdineR");
    campoQuantita = codTipoDoc == 2 ? QStringLiteral("QuantitaOrd") : QStringLiteral("Quantita");
}

bool TDMISOrc::AggiornaRigoOrdine(int modo, int codTipoDoc, int modoValore, TDataSet *righeDoc, TDataSet *righeOrdine,
                                  double qtaOld, double qtaSaldoOld)
{
    QString campoChiave;
    QString campoQuantita;
    CampiRigoDocumento(codTipoDoc, campoChiave, campoQuantita);
    try {
        if (!righeOrdine->Locate(QStringLiteral("KOrdiniCliR"), righeDoc->FieldByName(campoChiave)->AsInteger()))
            return false;
        righeOrdine->Edit();
        if (AggiornaRigoDescrittivo(modo, righeDoc, righeOrdine))
            return true;
        if (modoValore != 0) {
            if (AggiornaRigoOrdineValore(modo, codTipoDoc, righeDoc, righeOrdine, qtaSaldoOld))
                return true;
            righeOrdine->Cancel(); // a picking list by amount: nothing posted
            return false;
        }
        AggiornaQuantitaRigo(modo, codTipoDoc, righeDoc, righeOrdine, qtaOld, qtaSaldoOld);
        if (codTipoDoc == 16) {
            righeOrdine->Post();
            return true;
        }
        const TImportiSpediti spediti = AggiornaStatoRigo(righeOrdine);
        righeOrdine->Post();
        AggiornaRigheCollegate(righeOrdine, spediti);
        return true;
    } catch (const std::exception &e) {
        if (righeOrdine->State() == dsEdit || righeOrdine->State() == dsInsert)
            righeOrdine->Cancel();
        if (!dynamic_cast<const EAbort *>(&e)) {
            Notices::Tell(ErrorText(e), TNoticeKind::Information);
        }
        return false;
    }
}

bool TDMISOrc::AggiornaRigoDescrittivo(int modo, TDataSet *righeDoc, TDataSet *righeOrdine)
{
    const auto tipo = Tipirigo::TRGetTipoRigo(2, QString(), F(righeOrdine, "TipoRigo")->AsInteger());
    if (!tipo || tipo->FlClasse != Tipirigo::crDescrittivo)
        return false;
    int stato = 0;
    if (modo != 3) {
        const TField *saldo = righeDoc->FindField(QStringLiteral("FlSaldoRigo"));
        stato = saldo && saldo->AsInteger() == 1 ? 2 : 0;
    }
    F(righeOrdine, "FlStato")->SetAsInteger(stato);
    righeOrdine->Post();
    return true;
}

void TDMISOrc::AggiornaQuantitaRigo(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine, double qtaOld,
                                    double qtaSaldoOld)
{
    if (modo != 2 && modo != 3)
        return;
    QString campoChiave;
    QString campoQuantita;
    CampiRigoDocumento(codTipoDoc, campoChiave, campoQuantita);
    const double segno = modo == 2 ? 1.0 : -1.0;
    const double quantita = modo == 2 ? righeDoc->FieldByName(campoQuantita)->AsFloat() : qtaOld;
    const TField *fQuantita = righeDoc->FindField(QStringLiteral("Quantita"));
    const double quantitaPrelievo = modo == 2 ? (fQuantita ? fQuantita->AsFloat() : 0.0) : qtaOld;
    if (codTipoDoc == 16) {
        Somma(righeOrdine, "QuantitaPre", segno * quantitaPrelievo);
        return;
    }
    const TField *prelievo = righeDoc->FindField(QStringLiteral("KPrelieviR"));
    if ((codTipoDoc == 0 || codTipoDoc == 1 || codTipoDoc == 3) && prelievo && prelievo->AsInteger() > 0)
        Somma(righeOrdine, "QuantitaPre", -segno * quantitaPrelievo);
    Somma(righeOrdine, "QuantitaSpe", segno * quantita);
    const TField *saldo = righeDoc->FindField(QStringLiteral("QuantitaSaldo"));
    Somma(righeOrdine, "QuantitaSal", modo == 2 ? (saldo ? saldo->AsFloat() : 0.0) : -qtaSaldoOld);
}

TDMISOrc::TImportiSpediti TDMISOrc::AggiornaStatoRigo(TDataSet *righeOrdine)
{
    const int dq = DecQuantita();
    const int dv = KFormati::GetDecimali(KFormati::fnValoreIT);
    const int dvDoc = KFormati::GetDecimali(KFormati::fnValoreES);
    const double ordinata = F(righeOrdine, "QuantitaOrd")->AsFloat();
    const double spedita = F(righeOrdine, "QuantitaSpe")->AsFloat();
    const double saldata = F(righeOrdine, "QuantitaSal")->AsFloat();
    const double residua = R(ordinata - spedita - F(righeOrdine, "QuantitaAnn")->AsFloat() - saldata);
    int stato = 2;
    if (CompDec(residua, 0, dq) > 0)
        stato = CompDec(spedita, 0, dq) > 0 ? 1 : 0;
    F(righeOrdine, "FlStato")->SetAsInteger(stato);

    TImportiSpediti s;
    const double importo = F(righeOrdine, "ImportoNN")->AsFloat();
    const double controvalore = F(righeOrdine, "ControValoreNN")->AsFloat();
    const double lordo = F(righeOrdine, "ImportoLordo")->AsFloat();
    const double controvaloreLordo = F(righeOrdine, "ControValoreL")->AsFloat();
    if (stato == 2) {
        s = {importo, controvalore, lordo, controvaloreLordo};
    } else {
        // an order row without ordered quantity has shipped no share of its amounts
        const double quota = ordinata != 0 ? (spedita + saldata) / ordinata : 0.0;
        s = {A(importo * quota, dvDoc), A(controvalore * quota, dv), A(lordo * quota, dvDoc),
             A(controvaloreLordo * quota, dv)};
    }
    F(righeOrdine, "ImportoSpedito")->SetAsFloat(s.Importo);
    F(righeOrdine, "ControvSpedito")->SetAsFloat(s.Controvalore);
    F(righeOrdine, "ImportoSpeditoL")->SetAsFloat(s.ImportoLordo);
    F(righeOrdine, "ControvSpeditoL")->SetAsFloat(s.ControvaloreLordo);
    return s;
}

void TDMISOrc::AggiornaRigheCollegate(TDataSet *righeOrdine, const TImportiSpediti &spediti)
{
    const int chiave = F(righeOrdine, "KOrdiniCliR")->AsInteger();
    const int stato = F(righeOrdine, "FlStato")->AsInteger();
    double quantita = 0;
    double importo = 0;
    double controvalore = 0;
    if (stato == 1) {
        quantita = F(righeOrdine, "QuantitaSpe")->AsFloat();
        importo = spediti.Importo;
        controvalore = spediti.Controvalore;
    } else if (stato == 2) {
        quantita = F(righeOrdine, "QuantitaOrd")->AsFloat();
        importo = F(righeOrdine, "ImportoNN")->AsFloat();
        controvalore = F(righeOrdine, "ControValoreNN")->AsFloat();
    }
    const double saldata = F(righeOrdine, "QuantitaSal")->AsFloat();
    QString errore;
    if (TDMISCon::Crea()->AggiornaRiferimentiCollegati(2, chiave, QStringLiteral("FlStato"), stato, errore, quantita,
                                                       importo, controvalore, saldata)
        < 0)
        throw Exception(QStringLiteral("Errore in aggiornamento riferimenti CONAI collegati: ") + errore);
    if (TDMISBas::Crea()->RAEAggiornaRigheTasse(2, chiave, QStringLiteral("FlStato"), stato, quantita, importo,
                                                controvalore, saldata)
        < 0)
        throw Exception(QStringLiteral("Errore in aggiornamento riferimenti RAEE collegati"));
}

bool TDMISOrc::AggiornaRigoOrdineValore(int modo, int codTipoDoc, TDataSet *righeDoc, TDataSet *righeOrdine,
                                        double qtaSaldoOld)
{
    if (codTipoDoc == 16)
        return false;
    const int dvDoc = KFormati::GetDecimali(KFormati::fnValoreES);
    const int dv = KFormati::GetDecimali(KFormati::fnValoreIT);
    const auto documento = [righeDoc](const char *campo) {
        const TField *f = righeDoc->FindField(QLatin1String(campo));
        return f ? f->AsFloat() : 0.0;
    };
    TField *spedito = F(righeOrdine, "ImportoSpedito");
    TField *speditoL = F(righeOrdine, "ImportoSpeditoL");
    TField *saldata = F(righeOrdine, "QuantitaSal");
    if (modo == 2) {
        spedito->SetAsFloat(spedito->AsFloat() + documento("ImportoNN"));
        speditoL->SetAsFloat(speditoL->AsFloat() + documento("ImportoLordo"));
        saldata->SetAsFloat(saldata->AsFloat() + documento("QuantitaSaldo"));
    } else if (modo == 3) {
        spedito->SetAsFloat(KRound(spedito->AsFloat() - documento("ImportoNN"), dvDoc));
        speditoL->SetAsFloat(KRound(speditoL->AsFloat() - documento("ImportoLordo"), dvDoc));
        saldata->SetAsFloat(R(saldata->AsFloat() - qtaSaldoOld));
    }
    const double residua = R(F(righeOrdine, "QuantitaOrd")->AsFloat() - F(righeOrdine, "QuantitaSpe")->AsFloat()
                             - F(righeOrdine, "QuantitaAnn")->AsFloat() - saldata->AsFloat());
    int stato = 2;
    if (residua > 0)
        stato = CompDec(speditoL->AsFloat(), 0, dvDoc) > 0 ? 1 : 0;
    F(righeOrdine, "FlStato")->SetAsInteger(stato);
    const double importo = F(righeOrdine, "ImportoNN")->AsFloat();
    const double lordo = F(righeOrdine, "ImportoLordo")->AsFloat();
    F(righeOrdine, "ControvSpedito")
        ->SetAsFloat(CompDec(importo, 0, dvDoc) > 0
                         ? A(spedito->AsFloat() / importo * F(righeOrdine, "ControValoreNN")->AsFloat(), dv)
                         : 0.0);
    F(righeOrdine, "ControvSpeditoL")
        ->SetAsFloat(CompDec(lordo, 0, dvDoc) > 0
                         ? A(speditoL->AsFloat() / lordo * F(righeOrdine, "ControValoreL")->AsFloat(), dv)
                         : 0.0);
    righeOrdine->Post();
    return true;
}

bool TDMISOrc::AggiornaStatoTestaOrdine(int)
{
    return true;
}

bool TDMISOrc::AggiornaDettaglioRigoOrdine(int, int, TDataSet *, TDataSet *)
{
    return true;
}

bool TDMISOrc::GestioneQtaSaldo(int, int, TDataSet *, TDataSet *)
{
    return true;
}

bool TDMISOrc::AggiornaPrenotatoTestaOrdine(int)
{
    return true;
}

bool TDMISOrc::AggiornaTestaOrdiniAcconti(int)
{
    return true;
}

bool TDMISOrc::TestNessunUtenteComm()
{
    return true;
}

bool TDMISOrc::CheckUtenteCommerciale(const QString &)
{
    return true;
}

bool TDMISOrc::AggiornaStatoProgetti(const QString &)
{
    return true;
}
