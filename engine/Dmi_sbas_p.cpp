#include "engine/Dmi_sbas_p.h"

#include "frame/Dusaria.h"
#include "host/core/Funzioni.h"
#include "host/core/KV8Config.h"
#include "host/core/Notices.h"
#include "host/data/TXQuery.h"

#include <QStringList>

#include <memory>

DUSARIA_CLASSE(TDMISBas_p);

using Funzioni::CompDec;
using Funzioni::KRound;

namespace {

// A read-only query on the database, opened; the head's key bound where the text asks for it.
std::unique_ptr<TXQuery> Apri(const QString &database, const QString &sql, const QVariant &chiave = QVariant())
{
    auto q = std::make_unique<TXQuery>();
    q->SetDatabaseName(database);
    q->SQL << sql;
    if (TParam *p = q->FindParam(QStringLiteral("Chiave")))
        p->SetValue(chiave);
    q->Open();
    return q;
}

} // namespace

void TDMISBas_p::CalcolaPesiVolumeTestaDoc(TDataSet *testa, int confronto, int codTipoDoc, bool daLocale, bool chiedi)
{
    QString locale;
    QString archivio;
    QString campoChiave;
    if (!TabelleRighe(codTipoDoc, locale, archivio, campoChiave))
        return;
    const QString tabella = daLocale ? locale : archivio;
    const QString database = daLocale ? QStringLiteral("LocalDatabase") : QStringLiteral("GlobalDatabase");
    const QVariant chiave = daLocale ? QVariant() : testa->FieldByName(campoChiave)->Value();
    const QString righeDoc = daLocale ? QStringLiteral(" WHERE Stato < 3 ")
                                      : QStringLiteral(" WHERE ") + campoChiave + QStringLiteral(" = :Chiave ");

    // the rows counted: packaging-contribution and electrical-waste rows left out, and
    // on delivery notes and invoices the rows of a packing list
    const KV8Config::TFSCON01 conai = KV8Config::GetFSCON01();
    const int raee = KV8Config::GetFBBAS08().TipoRigoRAEE;
    const bool conPacking = codTipoDoc == 0 || codTipoDoc == 1;
    QString condizione = righeDoc
                         + QStringLiteral(" AND ( ( TipoRigo <> %1 ) AND ( TipoRigo <> %2 ) ) ")
                               .arg(conai.TipoRigoCONAI1)
                               .arg(conai.TipoRigoCONAI2)
                         + QStringLiteral(" AND ( TipoRigo <> %1 ) ").arg(raee);
    if (conPacking)
        condizione += QStringLiteral(" AND KPackingR = 0");

    // weights
    double lordo = 0;
    double netto = 0;
    {
        auto q = Apri(database,
                      QStringLiteral("SELECT SUM( NumeroImballi ) AS NumeroColli, SUM( PesoLordo ) AS PesoLordo, "
                                     "SUM( PesoNetto ) AS PesoNetto FROM ")
                          + tabella + condizione,
                      chiave);
        if (!q->IsEmpty()) {
            lordo = q->FieldByName(QStringLiteral("PesoLordo"))->AsFloat();
            netto = q->FieldByName(QStringLiteral("PesoNetto"))->AsFloat();
        }
    }

    // volume
    double volumeMC = 0;
    double volumeAltro = 0;
    {
        auto q = Apri(database, QStringLiteral("SELECT UmVolume, Volume FROM ") + tabella + condizione, chiave);
        TField *unita = q->FieldByName(QStringLiteral("UmVolume"));
        TField *volume = q->FieldByName(QStringLiteral("Volume"));
        for (q->First(); !q->Eof(); q->Next()) {
            if (unita->AsString().trimmed().compare(QLatin1String("MC"), Qt::CaseInsensitive) == 0)
                volumeMC = KRound(volumeMC + volume->AsFloat(), 6);
            else
                volumeAltro = KRound(volumeAltro + volume->AsFloat(), 6);
        }
    }
    double volume = volumeMC;
    if (CompDec(volumeAltro, 0, 6) > 0)
        volume += KRound(volumeAltro / 1000000.0, 6);

    // packing lists, each head once
    if (conPacking) {
        QStringList usate;
        {
            auto q = Apri(database,
                          QStringLiteral("SELECT KPackingR FROM ") + tabella + righeDoc
                              + QStringLiteral(" AND KPackingR <> 0 GROUP BY KPackingR"),
                          chiave);
            for (q->First(); !q->Eof(); q->Next())
                usate << QString::number(q->Fields(0)->AsLargeInt());
        }
        if (!usate.isEmpty()) {
            auto q =
                Apri(QStringLiteral("GlobalDatabase"),
                     QStringLiteral("SELECT DISTINCT T.KPackingT, T.NumeroColli, T.PesoLordo, T.PesoNetto, "
                                    "T.TotaleVolume FROM PackingTeste T INNER JOIN PackingRighe R ON R.KPackingT = "
                                    "T.KPackingT WHERE R.KPackingR IN ( ")
                         + usate.join(QStringLiteral(", ")) + QStringLiteral(" ) ORDER BY T.KPackingT"));
            // DISTINCT on the head's key: each packing list once
            for (q->First(); !q->Eof(); q->Next()) {
                lordo += q->FieldByName(QStringLiteral("PesoLordo"))->AsFloat();
                netto += q->FieldByName(QStringLiteral("PesoNetto"))->AsFloat();
                volume += q->FieldByName(QStringLiteral("TotaleVolume"))->AsFloat();
            }
        }
    }

    // whether to write
    TField *fLordo = testa->FieldByName(QStringLiteral("PesoLordo"));
    TField *fNetto = testa->FieldByName(QStringLiteral("PesoNetto"));
    TField *fVolume = testa->FieldByName(QStringLiteral("TotaleVolume"));
    bool scrivi = true;
    if (!(!chiedi && codTipoDoc == 16)
        && !(confronto == 0 && fLordo->AsFloat() == 0 && fNetto->AsFloat() == 0 && fVolume->AsFloat() == 0)) {
        const bool uguali = CompDec(fLordo->AsFloat(), lordo, 3) == 0 && CompDec(fNetto->AsFloat(), netto, 3) == 0
                            && CompDec(fVolume->AsFloat(), volume, -1) == 0;
        scrivi = !uguali && chiedi
                 && Notices::Ask(QStringLiteral("Il totale colli, pesi, volume presente risulta diverso da quello "
                                                "ricalcolato.\nSi vuole aggiornare il documento con i valori "
                                                "ricalcolati ? "));
    }
    if (scrivi) {
        fLordo->SetAsFloat(lordo);
        fNetto->SetAsFloat(netto);
        fVolume->SetAsFloat(volume);
    }
}
