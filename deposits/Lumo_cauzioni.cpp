#include "deposits/Lumo_cauzioni.h"

#include "frame/Lumo_funzioni.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/TDataSet.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"

#include <memory>

namespace {

// A statement on the company database with dictionary types, opened with its key.
std::unique_ptr<TXQuery> Apri(const QStringList &sql, qint64 chiave)
{
    auto q = std::make_unique<TXQuery>();
    q->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    q->SetUsaDizionario(true);
    q->SQL = sql;
    q->Params(0)->SetDataType(ftInteger);
    q->Params(0)->SetAsInteger(chiave);
    q->Open();
    return q;
}

// The card table, read by a condition with its rows locked.
class SchedeBloccate final : public TXClientTable {
public:
    SchedeBloccate()
    {
        SetDatabaseName(QStringLiteral("GlobalDatabase"));
        SetTableName(QStringLiteral("LUMO_ProgCauz"));
        SetXWhereVuoto(QStringLiteral("FlTipoScheda = -1"));
    }
    using TXTable::FetchRows;
};

} // namespace

TLumoTestaCauzioni TLumoTestaCauzioni::Da(TDataSet *testa)
{
    TLumoTestaCauzioni t;
    t.DataReg = testa->FieldByName(QStringLiteral("DataReg"))->AsDateTime();
    t.IdContoTp = testa->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    t.IdConto = testa->FieldByName(QStringLiteral("IdConto"))->AsString();
    t.IdDestinazione = testa->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
    t.IdDivisa = testa->FieldByName(QStringLiteral("IdDivisa"))->AsString();
    t.Cambio = testa->FieldByName(QStringLiteral("Cambio"))->AsFloat();
    t.FlAggCau = testa->FieldByName(QStringLiteral("FlAggCau"))->AsInteger();
    t.FlAggCauF = testa->FieldByName(QStringLiteral("FlAggCauF"))->AsInteger();
    t.FlAggCauB = testa->FieldByName(QStringLiteral("FlAggCauB"))->AsInteger();
    return t;
}

TLumoRigaCauzioni TLumoRigaCauzioni::Da(TDataSet *riga)
{
    TLumoRigaCauzioni r;
    r.IdImballo = riga->FieldByName(QStringLiteral("IdImballo"))->AsString();
    r.QtaCar = riga->FieldByName(QStringLiteral("QtaCar"))->AsFloat();
    r.QtaRes = riga->FieldByName(QStringLiteral("QtaRes"))->AsFloat();
    r.QtaCarEcc = riga->FieldByName(QStringLiteral("QtaCarEcc"))->AsFloat();
    r.QtaResEcc = riga->FieldByName(QStringLiteral("QtaResEcc"))->AsFloat();
    r.Prezzo = riga->FieldByName(QStringLiteral("Prezzo"))->AsFloat();
    r.ValoreCar = riga->FieldByName(QStringLiteral("ValoreCar"))->AsFloat();
    r.ValoreRes = riga->FieldByName(QStringLiteral("ValoreRes"))->AsFloat();
    return r;
}

void CAUZ_MuoviSchede(const TLumoTestaCauzioni &Testa, const TLumoRigaCauzioni &Riga, int Segno)
{
    const double s = Segno < 0 ? -1.0 : 1.0;
    const int valori = Riga.Prezzo == 0 ? 1 : 0;
    UT_LMQ_CAUZ_AggiornaProgressivi(Testa.DataReg, Testa.IdContoTp, Testa.IdConto, Testa.IdDestinazione, Testa.IdDivisa,
                                    Testa.Cambio, Riga.IdImballo, s * Riga.QtaCar, s * Riga.QtaRes, s * Riga.QtaCarEcc,
                                    s * Riga.QtaResEcc, Riga.Prezzo, Testa.FlAggCau, Testa.FlAggCauF, Testa.FlAggCauB,
                                    valori, s * Riga.ValoreCar * valori, s * Riga.ValoreRes * valori);
}

bool CAUZ_LeggiMovimento(qint64 KContaT, TLumoMovimentoCauzioni &Movimento)
{
    Movimento = TLumoMovimentoCauzioni();
    auto testa = Apri({QStringLiteral("SELECT * FROM LUMO_MovCauT WHERE KContaT = :KContaT")}, KContaT);
    if (testa->IsEmpty())
        return false;
    Movimento.Testa = TLumoTestaCauzioni::Da(testa.get());
    auto righe =
        Apri({QStringLiteral("SELECT * FROM LUMO_MovCauR WHERE KContaT = :KContaT ORDER BY KContaR")}, KContaT);
    for (righe->First(); !righe->Eof(); righe->Next())
        Movimento.Righe.insert(righe->FieldByName(QStringLiteral("KContaR"))->AsLargeInt(),
                               TLumoRigaCauzioni::Da(righe.get()));
    return true;
}

void CAUZ_BloccaSchede(const QString &Condizione, const QVariantList &Valori)
{
    SchedeBloccate schede;
    schede.Open();
    schede.FetchRows(Condizione, Valori, true);
}

void CAUZ_BloccaConto(TXDatabase &db, const QString &IdContoTp, const QString &IdConto)
{
    const QString tabella = IdContoTp == QLatin1String("FO") ? QStringLiteral("Fornitori") : QStringLiteral("Clienti");
    if (db.IsPostgres())
        db.OpenQuery(
            QStringLiteral("SELECT IdConto FROM %1 WHERE IdContoTp = ? AND IdConto = ? FOR UPDATE").arg(tabella),
            {IdContoTp, IdConto});
    TDMIBase::Crea()->Rileggi(tabella);
}

void CAUZ_ControllaConto(const QString &IdContoTp, const QString &IdConto)
{
    if (IdConto.isEmpty())
        throw Exception(QStringLiteral("Specificare un codice cliente o fornitore"));
    if (IdContoTp == QLatin1String("CL")) {
        if (!TDMIBase::Posiziona(DMIBase->lkClienti, QStringLiteral("IdContoTp;IdConto"), {IdContoTp, IdConto}))
            throw Exception(QStringLiteral("Codice Cliente non Valido"));
        if (DMIBase->lkClienti->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() == 0)
            throw Exception(QStringLiteral("Cliente non abilitato alla gestione cauzioni"));
    } else if (IdContoTp == QLatin1String("FO")) {
        if (!TDMIBase::Posiziona(DMIBase->lkFornitori, QStringLiteral("IdContoTp;IdConto"), {IdContoTp, IdConto}))
            throw Exception(QStringLiteral("Codice Fornitore non Valido"));
        if (DMIBase->lkFornitori->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() == 0)
            throw Exception(QStringLiteral("Fornitore non abilitato alla gestione cauzioni"));
    }
}

void CAUZ_ControllaDestinazione(const QString &IdContoTp, const QString &IdConto, int IdDestinazione)
{
    if (IdDestinazione != 0
        && !TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                                {IdContoTp, IdConto, IdDestinazione}))
        throw Exception(QStringLiteral("Codice Destinatario non valido"));
}

QString CAUZ_FiltroConti(const QString &IdContoTp, const QString &Tabella)
{
    return Tabella + QStringLiteral(".IdContoTp = ") + XWideQuotedStr(IdContoTp);
}

QString CAUZ_FiltroDestinazioni(const QString &IdContoTp, const QString &IdConto)
{
    return QStringLiteral("Destinazioni.IdContoTp = ") + XWideQuotedStr(IdContoTp)
           + QStringLiteral(" AND Destinazioni.IdConto = ") + XWideQuotedStr(IdConto);
}
