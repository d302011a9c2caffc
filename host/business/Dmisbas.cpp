#include "host/business/Dmisbas.h"

#include "host/business/Dmibase.h"
#include "host/business/Tipirigo.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/Notices.h"
#include "host/data/ClassRegistry.h"
#include "host/data/TDataSet.h"
#include "host/data/TField.h"
#include "host/data/XDataModule.h"
#include "host/db/DMIDataBases.h"

using Funzioni::CompDec;
using Funzioni::KRound;

TDMISBas::TDMISBas(QObject *owner) : TDataModule(owner)
{
    SetName(QStringLiteral("DMISBas"));
}

TDMISBas::~TDMISBas() = default;

TDMISBas *TDMISBas::Crea(QObject *owner)
{
    if (!DMISBas)
        DMISBas = Xforms::XGetDMClass(ClassRef::Of<TDMISBas>()).CreateAs<TDMISBas>(owner ? owner : ApplicationOwner());
    return DMISBas;
}

bool TDMISBas::TabelleRighe(int codTipoDoc, QString &locale, QString &archivio, QString &chiaveTesta)
{
    switch (codTipoDoc) {
    case 0:
        locale = QStringLiteral("t_RigheBolleCli");
        archivio = QStringLiteral("BolleCliRighe");
        chiaveTesta = QStringLiteral("KBolleCliT");
        return true;
    case 1:
        locale = QStringLiteral("t_RigheFattCli");
        archivio = QStringLiteral("FattureCliRighe");
        chiaveTesta = QStringLiteral("KFattCliT");
        return true;
    case 2:
        locale = QStringLiteral("t_RigheOrdCli");
        archivio = QStringLiteral("OrdiniCliRighe");
        chiaveTesta = QStringLiteral("KOrdiniCliT");
        return true;
    case 4:
        locale = QStringLiteral("t_RigheOffCli");
        archivio = QStringLiteral("OfferteCliRighe");
        chiaveTesta = QStringLiteral("KOfferteCliT");
        return true;
    case 10:
        locale = QStringLiteral("t_RigheBolleFor");
        archivio = QStringLiteral("BolleForRighe");
        chiaveTesta = QStringLiteral("KBolleForT");
        return true;
    case 16:
        locale = QStringLiteral("t_LPRPrelieviR");
        archivio = QStringLiteral("LPRPrelieviR");
        chiaveTesta = QStringLiteral("KPrelieviT");
        return true;
    default:
        return false;
    }
}

void TDMISBas::CalcolaPesiVolumeTestaDoc(TDataSet *testa, int confronto, int codTipoDoc, bool daLocale, bool chiedi)
{
    QString locale;
    QString archivio;
    QString chiave;
    if (!TabelleRighe(codTipoDoc, locale, archivio, chiave))
        throw Exception(
            QStringLiteral("Il tipo documento %1 non ha righe di cui calcolare pesi e volume.").arg(codTipoDoc));
    DMIDataBases &databases = DMIDataBases::Instance();
    TXDatabase &db = daLocale ? databases.Local() : databases.Global();
    const QString condizione =
        daLocale ? QStringLiteral(" WHERE Stato < 3") : QStringLiteral(" WHERE %1 = ?").arg(chiave);
    const QVariantList valori = daLocale ? QVariantList() : QVariantList{testa->FieldByName(chiave)->Value()};

    double lordo = 0;
    double netto = 0;
    double volumeMC = 0;
    double volumeAltro = 0;
    QSqlQuery q = db.OpenQuery(QStringLiteral("SELECT PesoLordo, PesoNetto, UmVolume, Volume FROM ")
                                   + (daLocale ? locale : archivio) + condizione,
                               valori);
    while (q.next()) {
        lordo += q.value(0).toDouble();
        netto += q.value(1).toDouble();
        if (q.value(2).toString().trimmed().compare(QLatin1String("MC"), Qt::CaseInsensitive) == 0)
            volumeMC = KRound(volumeMC + q.value(3).toDouble(), 6);
        else
            volumeAltro = KRound(volumeAltro + q.value(3).toDouble(), 6);
    }
    const double volume = KRound(volumeMC + KRound(volumeAltro / 1000000.0, 6), 6);

    TField *fLordo = testa->FieldByName(QStringLiteral("PesoLordo"));
    TField *fNetto = testa->FieldByName(QStringLiteral("PesoNetto"));
    TField *fVolume = testa->FieldByName(QStringLiteral("TotaleVolume"));
    const bool vuota = fLordo->AsFloat() == 0 && fNetto->AsFloat() == 0 && fVolume->AsFloat() == 0;
    if (!(confronto == 0 && vuota)) {
        if (CompDec(fLordo->AsFloat(), lordo, 3) == 0 && CompDec(fNetto->AsFloat(), netto, 3) == 0
            && CompDec(fVolume->AsFloat(), volume, 6) == 0)
            return;
        if (chiedi
            && !Notices::Ask(QStringLiteral("Pesi e volume del documento sono diversi da quelli delle righe: "
                                            "aggiornare il documento con i valori ricalcolati?")))
            return;
    }
    fLordo->SetAsFloat(lordo);
    fNetto->SetAsFloat(netto);
    fVolume->SetAsFloat(volume);
}

int TDMISBas::RAEAggiornaRigheTasse(int, int, const QString &, int, double, double, double, double)
{
    return 0;
}

QString TDMISBas::IvaEsenzione(const QString &idEsenzione, const QString &, int tipoRigo)
{
    const QString codice = idEsenzione.trimmed();
    if (codice.isEmpty())
        return QString();
    const std::optional<Tipirigo::TRTipoRigo> tipo = Tipirigo::TRGetTipoRigo(0, 0, tipoRigo);
    if (tipo && (tipo->FlClasse == Tipirigo::crDescrittivo || tipo->FlClasse == Tipirigo::crFuoriCampo))
        return QString();
    return DMIDataBases::Instance()
        .Global()
        .ScalarValue(QStringLiteral("SELECT IdIva FROM Esenzioni WHERE IdEsenzione = ?"), {codice})
        .toString()
        .trimmed();
}

QString TDMISBas::ContoDefaultRigo(const QString &idContoTp, const QString &idConto)
{
    const QString tipo = idContoTp.trimmed().toUpper();
    TDMIBase *dm = TDMIBase::Crea();
    TXlkTable *conti = tipo == QLatin1String("CL")   ? dm->lkClienti
                       : tipo == QLatin1String("FO") ? dm->lkFornitori
                                                     : nullptr;
    if (!conti || !TDMIBase::Posiziona(conti, QStringLiteral("IdContoTp;IdConto"), {tipo, idConto.trimmed()}))
        return QString();
    return conti->FieldByName(QStringLiteral("IdContropartita"))->AsString().trimmed();
}
