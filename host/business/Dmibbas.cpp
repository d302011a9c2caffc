#include "host/business/Dmibbas.h"

#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/core/KV8Config.h"
#include "host/data/TXTable.h"
#include "host/ui/Forms.h"
#include "host/ui/Kmessages.h"

#include <QRegularExpression>

namespace {

// The VAT override of the lookup's current record valid at the date, or "".
QString IvaAgevolata(TDataSet *t, const QDateTime &data)
{
    const QString codice = t->FieldByName(QStringLiteral("IdIvaAgevolata"))->AsString().trimmed();
    if (codice.isEmpty() || !TDMIBase::InPeriodo(t, QStringLiteral("DataInizioIvaAg"), QStringLiteral("DataFineIvaAg"), data))
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
        DMIBbas = new TDMIBbas(owner ? owner : Application);
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
            errore = QStringLiteral("Il fornitore %1 non esiste: sceglierne uno dall'anagrafica fornitori.").arg(codice);
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
    Kmessages::KMessage(errore, mtError, mbOK, 0);
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
    if (iva.isEmpty() && TDMIBase::Posiziona(dm->lkClienti, QStringLiteral("IdContoTp;IdConto"), {tipo, conto.trimmed()}))
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
