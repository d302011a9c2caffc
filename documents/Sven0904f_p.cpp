#include "documents/Sven0904f_p.h"

#include "frame/Dusaria.h"
#include "host/business/Documento.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/Kmessages.h"

DUSARIA_CLASSE(TfSVen0904f_p);

namespace {

constexpr int kTagAllineamento = 8989;

int DecQuantita()
{
    return KFormati::GetDecimali(KFormati::fnQuantita);
}

double Valore(TDataSet *d, const QString &campo)
{
    const TField *f = d->FindField(campo);
    return f ? f->AsFloat() : 0.0;
}

QString Numero(double valore)
{
    return KFormati::FormatFloat(QStringLiteral("#,##0.######"), valore);
}

} // namespace

TfSVen0904f_p::TfSVen0904f_p(QWidget *owner) : TfSVen0904f(owner)
{
    SetCaption(QStringLiteral("Dettaglio (*)"));
}

void TfSVen0904f_p::AllineaDettaglio(const QString &campo)
{
    TDataSet *righe = Documento->TRighe;
    const double rigo = Valore(righe, campo);
    const double somma =
        DMIDataBases::Instance()
            .Local()
            .ScalarValue(QStringLiteral("SELECT SUM( %1 ) FROM %2 WHERE KRigoDoc = ? AND KTestaDoc = ? AND "
                                        "Stato < 3")
                             .arg(campo, NomeTabellaDettaglio()),
                         {KRigo, KFinestra})
            .toDouble(); // no line: 0
    if (Funzioni::CompDec(somma, rigo, DecQuantita()) == 0 || tDettaglio->IsEmpty())
        return;
    const bool solaLettura = tDettaglio->ReadOnly();
    const auto riapri = [this](bool sola) {
        tDettaglio->Close();
        tDettaglio->SetReadOnly(sola);
        tDettaglio->Open();
    };
    if (solaLettura)
        riapri(false);
    try {
        tDettaglio->Last();
        tDettaglio->Edit();
        TField *f = tDettaglio->FieldByName(campo);
        f->SetAsFloat(Funzioni::KRound(f->AsFloat() + rigo - somma, DecQuantita()));
        tDettaglio->SetTag(kTagAllineamento);
        tDettaglio->Post();
        tDettaglio->SetTag(0);
    } catch (...) {
        tDettaglio->SetTag(0);
        if (tDettaglio->State() == dsEdit)
            tDettaglio->Cancel();
        if (solaLettura)
            riapri(true);
        throw;
    }
    if (solaLettura)
        riapri(true);
}

void TfSVen0904f_p::ScriviRigo(const std::function<void(TDataSet *)> &scrittura)
{
    try {
        scrittura(Documento->TRighe);
    } catch (const Exception &e) {
        Kmessages::KMessage(e.Message, mtInformation, mbOK);
    }
}

void TfSVen0904f_p::FormClose(TCloseAction &action)
{
    if (tDettaglio->State() == dsEdit || tDettaglio->State() == dsInsert)
        tDettaglio->Post();
    if (!Documento) {
        TfdlgBase::FormClose(action);
        return;
    }
    TDataSet *righe = Documento->TRighe;
    const int dq = DecQuantita();
    // the totals are checked unless the opening (mode 2) said otherwise
    const bool controlloTotali = ModoApertura != 2 || ControlloTotali;
    const double totale = TotaleDettaglio();
    const bool dettagli = ModoApertura != 0 || Funzioni::CompDec(totale, 0, dq) != 0;

    // the detail aligned to the row: the warehouse quantity for contract work, the original
    // quantity on type 23; a row without that quantity keeps its detail as it is
    const auto daAllineare = [&](const QString &campo) {
        return Funzioni::CompDec(Valore(righe, campo), 0, dq) != 0 && !NomeTabellaDettaglio().isEmpty();
    };
    if (KV8Config::GetFSCLV01().FlContoLavoro == 1 && ModoApertura == 0 && TipoDocumento == 20
        && daAllineare(QStringLiteral("QuantitaMag")))
        AllineaDettaglio(QStringLiteral("QuantitaMag"));
    if (TipoDocumento == 23 && daAllineare(QStringLiteral("QuantitaORI")))
        AllineaDettaglio(QStringLiteral("QuantitaORI"));

    // the checks of the close
    if (ControlloChiusura && dettagli && !SolaLettura) {
        const double quantita = righe->FieldByName(CampoQuantita)->AsFloat();
        if (controlloTotali) {
            if (Funzioni::CompDec(quantita, 0, dq) > 0 && Funzioni::CompDec(totale, quantita, dq) != 0) {
                const QString testo = QStringLiteral("La quantità totale del prodotto (") + Numero(quantita)
                                      + QStringLiteral(") differisce dal totale dei dettagli (") + Numero(totale)
                                      + QStringLiteral(")");
                const QList<int> conConferma{21, 23, 96, 97, 98};
                if (!conConferma.contains(TipoDocumento)) {
                    Kmessages::KMessage(testo, mtWarning, mbOK);
                    action = caNone;
                    return;
                }
                if (Kmessages::KMessage(testo + QStringLiteral(". Proseguo ?"), mtConfirmation, mbYesNo) != mrYes) {
                    action = caNone;
                    return;
                }
                if (AggiornaRigo)
                    ScriviRigo([this, totale](TDataSet *r) {
                        if (r->State() == dsBrowse)
                            r->Edit();
                        r->FieldByName(CampoQuantita)->SetAsFloat(totale);
                        r->Post();
                        r->Edit();
                    });
            }
            if (AggiornaRigo)
                ScriviRigo([this](TDataSet *r) {
                    r->Edit();
                    if (TField *flag = CampoFlag.isEmpty() ? nullptr : r->FindField(CampoFlag);
                        flag && flag->AsInteger() == 0)
                        flag->SetAsInteger(1);
                    r->Post();
                });
        } else if (AggiornaRigo) {
            const double totaleSaldo = TotaleSaldoDettaglio();
            ScriviRigo([this, totale, totaleSaldo](TDataSet *r) {
                r->Edit();
                r->FieldByName(CampoQuantita)->SetAsFloat(totale);
                if (TipoDocumento != 5) {
                    if (TField *saldo = r->FindField(QStringLiteral("QuantitaSal")))
                        saldo->SetAsFloat(totaleSaldo);
                    if (TField *stato = r->FindField(QStringLiteral("StatoRigo")))
                        stato->SetAsString(Funzioni::CompDec(totale, 0, DecQuantita()) == 0 ? QStringLiteral("I")
                                                                                            : QStringLiteral("P"));
                }
                const int tag = r->Tag();
                if (TipoDocumento == 0)
                    r->SetTag(kTagAllineamento);
                try {
                    r->Post();
                } catch (...) {
                    r->SetTag(tag);
                    throw;
                }
                r->SetTag(tag);
                r->Edit();
            });
        }
    }

    // the detail table given back as it was handed over
    const bool solaLettura = tDettaglio->ReadOnly();
    tDettaglio->Close();
    if (RipristinaLegame) {
        tDettaglio->SetReadOnly(solaLettura);
        tDettaglio->Open();
    }
    TfdlgBase::FormClose(action);
    action = caFree;
}
