#include "host/business/Dmibbas.h"

#include "host/business/Dmibase.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/core/Notices.h"
#include "host/data/TField.h"
#include "host/data/TXTable.h"
#include "host/data/XDataModule.h"
#include "host/db/DMIDataBases.h"

#include <QRegularExpression>
#include <QSqlQuery>

#include <algorithm>

namespace {

// The VAT override of the lookup's current record valid at the date, or "".
QString IvaAgevolata(TDataSet *t, const QDateTime &data)
{
    const QString codice = t->FieldByName(QStringLiteral("IdIvaAgevolata"))->AsString().trimmed();
    if (codice.isEmpty()
        || !TDMIBase::InPeriodo(t, QStringLiteral("DataInizioIvaAg"), QStringLiteral("DataFineIvaAg"), data))
        return QString();
    return codice;
}

} // namespace

TDMIBbas::TDMIBbas(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMIBbas"));
}

TDMIBbas::~TDMIBbas() = default;

TDMIBbas *TDMIBbas::Crea(QObject *owner)
{
    if (!DMIBbas)
        DMIBbas = new TDMIBbas(owner ? owner : ApplicationOwner());
    return DMIBbas;
}

void TDMIBbas::ApriTabella(TXTable *tabella, const QString &selezione, const QString &ordinamento)
{
    static const QRegularExpression ordine(
        QStringLiteral("^\\s*([A-Za-z_][A-Za-z0-9_.]*(\\s+(ASC|DESC))?\\s*(,\\s*(?!$)|$))*$"),
        QRegularExpression::CaseInsensitiveOption);
    tabella->Close();
    if (!ordine.match(ordinamento).hasMatch())
        throw EDatabaseError(QStringLiteral("%1: ordinamento non valido: '%2'").arg(tabella->Name(), ordinamento));
    tabella->SetXWhere(selezione.trimmed());
    tabella->SetIndexFieldNames(QString());
    tabella->SetXOrderBy(ordinamento.trimmed());
    tabella->Open();
}

bool TDMIBbas::TestConto(const QString &tipoConto, const QString &conto)
{
    const QString tipo = tipoConto.trimmed().toUpper();
    const QString codice = conto.trimmed();
    TDMIBase *dm = TDMIBase::Crea();
    QString errore;
    if (tipo == QLatin1String("CL")) {
        if (codice.isEmpty())
            errore = QStringLiteral("Codice cliente non indicato: sceglierne uno dall'anagrafica clienti.");
        else if (!TDMIBase::Posiziona(dm->lkClienti, QStringLiteral("IdContoTp;IdConto"), {tipo, codice}))
            errore = QStringLiteral("Il cliente %1 non esiste: sceglierne uno dall'anagrafica clienti.").arg(codice);
    } else if (tipo == QLatin1String("FO")) {
        if (codice.isEmpty())
            errore = QStringLiteral("Codice fornitore non indicato: sceglierne uno dall'anagrafica fornitori.");
        else if (!TDMIBase::Posiziona(dm->lkFornitori, QStringLiteral("IdContoTp;IdConto"), {tipo, codice}))
            errore =
                QStringLiteral("Il fornitore %1 non esiste: sceglierne uno dall'anagrafica fornitori.").arg(codice);
    } else if (tipo == QLatin1String("CG")) {
        if (codice.isEmpty())
            errore = QStringLiteral("Codice conto non indicato: sceglierne uno dal piano dei conti.");
        else if (!TDMIBase::Posiziona(dm->lkConti, QStringLiteral("IdContoTp;IdConto"), {tipo, codice}))
            errore = QStringLiteral("Il conto %1 non esiste: sceglierne uno dal piano dei conti.").arg(codice);
    } else {
        errore = QStringLiteral("Tipo conto '%1' non valido: indicare CL (cliente), FO (fornitore) o CG (conto).")
                     .arg(tipoConto);
    }
    if (errore.isEmpty())
        return true;
    Notices::Tell(errore, TNoticeKind::Error);
    return false;
}

bool TDMIBbas::TipoDocIvaCliente(int codTipoDoc) const
{
    return codTipoDoc == 0 || codTipoDoc == 1 || codTipoDoc == 2 || codTipoDoc == 4;
}

bool TDMIBbas::IvaSpeseCliente(int codTipoDoc, const QString &tipoConto, const QString &conto, int destinazione,
                               const QDateTime &data, TIvaSpese &codici)
{
    if (!TipoDocIvaCliente(codTipoDoc) || tipoConto.trimmed() != QLatin1String("CL") || conto.trimmed().isEmpty())
        return false;
    TDMIBase *dm = TDMIBase::Crea();
    const QString tipo = QStringLiteral("CL");
    QString iva;
    if (destinazione > 0
        && TDMIBase::Posiziona(dm->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                               {tipo, conto.trimmed(), destinazione}))
        iva = IvaAgevolata(dm->lkDestinazioni, data);
    if (iva.isEmpty()
        && TDMIBase::Posiziona(dm->lkClienti, QStringLiteral("IdContoTp;IdConto"), {tipo, conto.trimmed()}))
        iva = IvaAgevolata(dm->lkClienti, data);
    if (iva.isEmpty())
        return false;
    codici.Incasso = iva;
    codici.Ridotta = iva;
    if (KV8Config::GetFSBAS01().FlSpeseCliente == 1) {
        codici.Trasporto = iva;
        codici.Imballo = iva;
        codici.Varie = iva;
    }
    return true;
}

QString TDMIBbas::FormattaNumeroDocumento(const QString &testo, int anno, int serie, int numero,
                                          const QString &idCausale)
{
    return TDMIBase::NumeroDocumento(idCausale, anno, serie, numero, testo);
}

bool TDMIBbas::DecodificaBarcode(const QString &barcode, const QString &, const QString &, TDataSet *articoli,
                                 QString &idProdotto)
{
    const QString codice = barcode.trimmed();
    if (codice.isEmpty())
        return false;
    TXDatabase &db = DMIDataBases::Instance().Global();
    QString trovato =
        db.ScalarValue(QStringLiteral("SELECT MIN(IdProdotto) FROM Articoli WHERE CodiceBarre = ?"), {codice})
            .toString()
            .trimmed();
    if (trovato.isEmpty() && TDMIBase::Posiziona(TDMIBase::Crea()->lkArticoli, QStringLiteral("IdProdotto"), {codice}))
        trovato = codice;
    if (trovato.isEmpty())
        return false;
    idProdotto = trovato;
    if (articoli) {
        if (!articoli->Active())
            articoli->Open();
        articoli->Locate(QStringLiteral("IdProdotto"), trovato);
    }
    return true;
}

namespace {

// A code as stored: trimmed, never null (a null text binds as NULL).
QString Codice(const QString &testo)
{
    const QString t = testo.trimmed();
    return t.isEmpty() ? QStringLiteral("") : t;
}

// The article's flag; 0 when the article does not exist.
int FlagArticolo(const QString &idProdotto, const QString &campo)
{
    TDMIBase *dm = TDMIBase::Crea();
    if (!TDMIBase::Posiziona(dm->lkArticoli, QStringLiteral("IdProdotto"), {idProdotto.trimmed()}))
        return 0;
    return dm->lkArticoli->FieldByName(campo)->AsInteger();
}

} // namespace

bool TDMIBbas::TestVarianti(const QString &idProdotto)
{
    return FlagArticolo(idProdotto, QStringLiteral("FlGesVarianti")) == 1;
}

bool TDMIBbas::TestGruppo(int flGesGruppi, int, const QString &)
{
    return flGesGruppi == 1 && KV8Config::GetFSBAS01().FlDettaglioQta == 1;
}

bool TDMIBbas::TestDettaglioQta(int, const QString &idProdotto)
{
    if (KV8Config::GetFSBAS01().FlDettaglioQta != 1)
        return false;
    return FlagArticolo(idProdotto, QStringLiteral("FlGesLotti")) == 1
           || FlagArticolo(idProdotto, QStringLiteral("FlGesGruppi")) == 1
           || FlagArticolo(idProdotto, QStringLiteral("FlGesVarianti")) == 1;
}

QString TDMIBbas::GruppoDefault()
{
    return KV8Config::Value(QStringLiteral("FSLOT01"), QStringLiteral("GruppoDefault"), QString()).toString().trimmed();
}

QString TDMIBbas::LottoDefault()
{
    return KV8Config::Value(QStringLiteral("FSLOT01"), QStringLiteral("LottoDefault"), QString()).toString().trimmed();
}

double TDMIBbas::AssegnaLottiAutomatico(const QString &idProdotto, int idMagazzino, const QString &idVariante,
                                        double quantita, QList<TAssegnazioneLotto> &assegnati)
{
    const int dq = CFG.DecQuantita;
    double resto = Funzioni::KRound(quantita, dq);
    if (Funzioni::CompDec(resto, 0, dq) <= 0)
        return resto;
    TXDatabase &db = DMIDataBases::Instance().Global();
    QSqlQuery q = db.OpenQuery(
        QStringLiteral("SELECT IdLotto, Gruppo, Giacenza FROM SaldiLotti WHERE IdProdotto = ? AND IdMagazzino = ? "
                       "AND IdVariante = ? AND Giacenza > 0 ORDER BY IdLotto, Gruppo"),
        {Codice(idProdotto), idMagazzino, Codice(idVariante)});
    while (q.next() && Funzioni::CompDec(resto, 0, dq) > 0) {
        const double presa = std::min(resto, Funzioni::KRound(q.value(2).toDouble(), dq));
        if (Funzioni::CompDec(presa, 0, dq) <= 0)
            continue;
        assegnati.append({q.value(0).toString().trimmed(), q.value(1).toString().trimmed(), presa});
        resto = Funzioni::KRound(resto - presa, dq);
    }
    return resto;
}

bool TDMIBbas::CreaDettaglioAutomatico(int, TDataSet *, TDataSet *, TDataSet *)
{
    return true;
}
