#include "host/business/Dmisven.h"

#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/data/ClassRegistry.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/XDataModule.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"

#include <QSqlQuery>

namespace {

void Imposta(TXClientTable *t, const QString &tabella, const QString &chiave)
{
    t->SetTableName(tabella);
    t->SetKeyFields(chiave);
    t->SetXWhereVuoto(chiave + QStringLiteral(" = 0"));
    t->SetUsaDizionario(true);
}

bool Posiziona(TXClientTable *t, const QString &chiave, qint64 valore)
{
    Funzioni::CheckTabOpen(t);
    return valore != 0 && t->Locate(chiave, valore);
}

} // namespace

TDMISVen::TDMISVen(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMISVen"));
    tBolleCliT = Create<TXClientTable>(QStringLiteral("tBolleCliT"));
    tFattureCliT = Create<TXClientTable>(QStringLiteral("tFattureCliT"));
    tOrdiniCliR = Create<TXClientTable>(QStringLiteral("tOrdiniCliR"));
    Imposta(tBolleCliT, QStringLiteral("BolleCliTeste"), QStringLiteral("KBolleCliT"));
    Imposta(tFattureCliT, QStringLiteral("FattureCliTeste"), QStringLiteral("KFattCliT"));
    Imposta(tOrdiniCliR, QStringLiteral("OrdiniCliRighe"), QStringLiteral("KOrdiniCliR"));
    // the order lines a document's rows fulfil reach the database in batches at the commit
    tOrdiniCliR->SetDeferredWrites(true);
}

TDMISVen::~TDMISVen() = default;

TDMISVen *TDMISVen::Crea(QObject *owner)
{
    if (!DMISVen)
        DMISVen = Xforms::XGetDMClass(ClassRef::Of<TDMISVen>()).CreateAs<TDMISVen>(owner ? owner : ApplicationOwner());
    return DMISVen;
}

bool TDMISVen::PosizionaBolla(qint64 kBolleCliT)
{
    return Posiziona(tBolleCliT, QStringLiteral("KBolleCliT"), kBolleCliT);
}

bool TDMISVen::PosizionaFattura(qint64 kFattCliT)
{
    return Posiziona(tFattureCliT, QStringLiteral("KFattCliT"), kFattCliT);
}

bool TDMISVen::PosizionaRigoOrdine(qint64 kOrdiniCliR)
{
    Funzioni::CheckTabOpen(tOrdiniCliR);
    return kOrdiniCliR != 0 && tOrdiniCliR->LocateAsStored(QStringLiteral("KOrdiniCliR"), kOrdiniCliR);
}

bool TDMISVen::RigheOrdineArticolo(const QString &idClienteTp, const QString &idCliente, const QString &idProdotto,
                                   double quantita, QStringList &voci)
{
    voci.clear();
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT R.KOrdiniCliR, R.QuantitaOrd - R.QuantitaSpe - R.QuantitaAnn - R.QuantitaSal AS Residua "
                       "FROM OrdiniCliRighe R JOIN OrdiniCliTeste T ON T.KOrdiniCliT = R.KOrdiniCliT "
                       "WHERE T.IdClienteTp = ? AND T.IdCliente = ? AND R.IdProdotto = ? AND R.FlStato < 2 "
                       "ORDER BY T.DataDocumento, T.KOrdiniCliT, R.NumOrdine, R.KOrdiniCliR"),
        {idClienteTp, idCliente, idProdotto});
    const int dec = KFormati::GetDecimali(KFormati::fnQuantita);
    double resto = quantita;
    while (q.next() && Funzioni::CompDec(resto, 0, dec) > 0) {
        const double residua = q.value(1).toDouble();
        if (Funzioni::CompDec(residua, 0, dec) <= 0)
            continue;
        const double presa = Funzioni::CompDec(resto, residua, dec) >= 0 ? residua : resto;
        voci << QStringLiteral("%1#%2#%3")
                    .arg(q.value(0).toLongLong())
                    .arg(QString::number(presa, 'f', dec))
                    .arg(presa == residua ? 2 : 1);
        resto = Funzioni::KRound(resto - presa, dec);
    }
    if (voci.isEmpty())
        return false;
    if (Funzioni::CompDec(resto, 0, dec) > 0)
        voci << QStringLiteral("0#%1#0").arg(QString::number(resto, 'f', dec));
    return true;
}
