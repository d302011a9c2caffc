#include "host/business/Funzionibase.h"

#include "host/business/Dmibase.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/data/DatasetFunctions.h"
#include "host/db/DMIDataBases.h"

namespace {

QString AllaData(const QDateTime &data)
{
    return data.isNull() ? QString() : QStringLiteral(" al ") + Funzioni::DataToStringa(data);
}

// The rate to use: the one given when above 0, else the stored one at the date.
double Cambio(double cambio, const QDateTime &data, const QString &divisa)
{
    if (cambio < 0)
        throw Exception(
            QStringLiteral("Il cambio %1 della divisa %2 non è valido: indicare un cambio maggiore di zero.")
                .arg(cambio)
                .arg(divisa));
    return cambio > 0 ? cambio : Funzioni::GetCambioEURO(divisa, data);
}

} // namespace

namespace Funzioni {

QString DivisaGestione(int)
{
    return CFG.IdDivisa;
}

QString DivisaDocumento(const QString &divisa)
{
    const QString c = divisa.trimmed();
    return c.isEmpty() ? DivisaGestione(0) : c;
}

bool MonetaConto(const QString &divisa, int tipo)
{
    const QString c = divisa.trimmed();
    return c.isEmpty() || c == DivisaGestione(tipo);
}

bool TestDivisa(const QString &divisa)
{
    const QString c = divisa.trimmed();
    if (c.isEmpty())
        return false;
    TDMIBase *dm = TDMIBase::Crea();
    return TDMIBase::Posiziona(dm->lkDivise, QStringLiteral("IdDivisa"), {c});
}

TDecimaliDivisa LeggiDecimaliDivisa(TDataSet *tabellaDivise, const QString &divisa)
{
    const QString c = DivisaDocumento(divisa);
    bool trovata = false;
    if (auto *lookup = qobject_cast<TXlkTable *>(tabellaDivise)) {
        trovata = TDMIBase::Posiziona(lookup, QStringLiteral("IdDivisa"), {c});
    } else {
        CheckTabOpen(tabellaDivise);
        trovata = tabellaDivise->Locate(QStringLiteral("IdDivisa"), c);
    }
    if (trovata)
        return {tabellaDivise->FieldByName(QStringLiteral("DecPrezzo"))->AsInteger(),
                tabellaDivise->FieldByName(QStringLiteral("DecValore"))->AsInteger()};
    if (MonetaConto(c))
        return {KFormati::GetDecimali(KFormati::fnPrezzoIT), KFormati::GetDecimali(KFormati::fnValoreIT)};
    throw Exception(QStringLiteral("La divisa %1 non esiste: sceglierne una della tabella delle divise.").arg(c));
}

double GetCambioEURO(const QString &divisa, const QDateTime &data)
{
    const QString c = DivisaDocumento(divisa);
    if (MonetaConto(c))
        return 1.0;
    TXDatabase &db = DMIDataBases::Instance().Global();
    // rates dated on the day count whatever their time
    const QVariant limite = data.isNull() ? QVariant() : QVariant(QDateTime(data.date().addDays(1), QTime(0, 0)));
    const QVariant trovato =
        data.isNull()
            ? db.ScalarValue(QStringLiteral("SELECT Cambio FROM Cambi WHERE IdDivisa = :Divisa AND DataCambio = "
                                            "(SELECT MAX(DataCambio) FROM Cambi WHERE IdDivisa = :Divisa)"),
                             {c})
            : db.ScalarValue(QStringLiteral("SELECT Cambio FROM Cambi WHERE IdDivisa = :Divisa AND DataCambio = "
                                            "(SELECT MAX(DataCambio) FROM Cambi WHERE IdDivisa = :Divisa "
                                            "AND DataCambio < :Limite)"),
                             {c, limite});
    if (!trovato.isValid()) {
        if (!TestDivisa(c))
            throw Exception(
                QStringLiteral("La divisa %1 non esiste: sceglierne una della tabella delle divise.").arg(c));
        throw Exception(QStringLiteral("Manca il cambio della divisa %1%2: inserirlo nella tabella dei cambi.")
                            .arg(c, AllaData(data)));
    }
    const double cambio = trovato.toDouble();
    if (cambio <= 0)
        throw Exception(QStringLiteral("Il cambio della divisa %1%2 non è valido: correggerlo nella tabella dei cambi.")
                            .arg(c, AllaData(data)));
    return cambio;
}

double CalcValoreEURO(double valore, double cambio, const QDateTime &data, const QString &divisa, int decimali)
{
    const QString c = DivisaDocumento(divisa);
    if (MonetaConto(c))
        return KRound(valore, decimali);
    return KRound(valore * Cambio(cambio, data, c), decimali);
}

double CalcValoreEURO(const QString &divisa, int decimali, double valore, double cambio, const QDateTime &data)
{
    return CalcValoreEURO(valore, cambio, data, divisa, decimali);
}

double CalcValoreDivisa(double valore, double cambio, const QDateTime &data, const QString &divisa, int decimali)
{
    const QString c = DivisaDocumento(divisa);
    if (MonetaConto(c))
        return KRound(valore, decimali);
    return KRound(valore / Cambio(cambio, data, c), decimali);
}

bool DatiContoTesta(TDataSet *testa, const QString &tipoConto, const QString &conto)
{
    TDMIBase *dm = TDMIBase::Crea();
    TXlkTable *conti = tipoConto == QLatin1String("FO") ? dm->lkFornitori : dm->lkClienti;
    if (conto.trimmed().isEmpty()
        || !TDMIBase::Posiziona(conti, QStringLiteral("IdContoTp;IdConto"), {tipoConto, conto.trimmed()}))
        return false;
    for (const char *nome :
         {"IdAgente1", "IdAgente2", "IdPagamento", "IdListino", "Sconto1", "Sconto2", "IdSpedizione1", "IdSpedizione2",
          "IdPorto", "IdTipoTrasporto", "IdZona", "IdBanca", "IdLingua", "IdEsclusione"}) {
        TField *campo = testa->FindField(QLatin1String(nome));
        TField *origine = conti->FindField(QLatin1String(nome));
        if (campo && origine)
            campo->SetValue(origine->Value());
    }
    testa->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(0);
    testa->FieldByName(QStringLiteral("IdDivisa"))
        ->SetAsString(DivisaDocumento(conti->FieldByName(QStringLiteral("IdDivisa"))->AsString()));
    return true;
}

void CambioTesta(TDataSet *testa)
{
    const QString divisa = testa->FieldByName(QStringLiteral("IdDivisa"))->AsString();
    const double cambio =
        MonetaConto(divisa) ? 1.0
                            : GetCambioEURO(divisa, testa->FieldByName(QStringLiteral("DataDocumento"))->AsDateTime());
    testa->FieldByName(QStringLiteral("Cambio"))->SetAsFloat(cambio);
}

QVariant GetValoreDefault(const QString &nome)
{
    const QVariant v = KV8Config::Value(QStringLiteral("VALDEF"), nome);
    return v.isValid() && !v.toString().trimmed().isEmpty() ? v : QVariant();
}

QString LeggiConfigVar(TXlkTable *configurazione, const QString &gruppo, const QString &numero, const QString &nome)
{
    if (!TDMIBase::Posiziona(configurazione, QStringLiteral("Gruppo;Numero;Nome"), {gruppo, numero, nome}))
        return QString();
    return configurazione->FieldByName(QStringLiteral("Valore"))->AsString();
}

} // namespace Funzioni
