#include "deposits/Qarn0207s.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/TXQuery.h"
#include "host/data/TXlkTable.h"
#include "host/db/TXDatabase.h"

DUSARIA_CLASSE(Tfqarn0207s);

Tfqarn0207s::Tfqarn0207s(QObject *owner) : TfKV8ReportB(owner)
{
    SetNomeDefault(QStringLiteral("Qarn0207s"));
    qMain = new TXQuery(this);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->AddCalcField(QStringLiteral("_QtaResiPN"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_ToTResi"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotGenQ"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotGenV"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotBolQ"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotBolV"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotFatQ"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_TotFatV"), ftFloat);
    qMain->AddCalcField(QStringLiteral("_DsDestinazione"), ftString, 50);
    qMain->OnCalcFields = [this](TDataSet *d) { qMainCalcFields(d); };
    AggiungiDataSet(QStringLiteral("qMain"), qMain);

    qResiPN = new TXQuery(this);
    qResiPN->SetName(QStringLiteral("qResiPN"));
    qResiPN->SQL << QStringLiteral("SELECT MRR.IdImballo, SUM(MRR.QtaRes) AS QtaResa")
                 << QStringLiteral("FROM LUMO_MovResR MRR")
                 << QStringLiteral("LEFT JOIN LUMO_MovResT MRT ON MRT.KMovResT = MRR.KMovResT")
                 << QStringLiteral("WHERE MRR.KMovResT = -1") << QStringLiteral("GROUP BY MRR.IdImballo")
                 << QStringLiteral("ORDER BY MRR.IdImballo");

    // ppRegion1Print: the destination only for a card of one
    OnBeforePrint(QStringLiteral("ppTestaDestinazione"), [this] {
        ImpostaVisibile(QStringLiteral("ppRegion1"),
                        qMain->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger() != 0);
    });
}

void Tfqarn0207s::InitForm(const QString &idContoTp, int flTipoScheda)
{
    // ppTitoloPrint
    Titolo = idContoTp == QLatin1String("CL") ? QStringLiteral("PROGRESSIVI CAUZIONI CLIENTI")
                                              : QStringLiteral("PROGRESSIVI CAUZIONI FORNITORI");
    flTipoScheda_ = flTipoScheda;
}

double Tfqarn0207s::RecuperaResi(TDataSet *d)
{
    const auto valore = [d](const char *campo) {
        return XWideQuotedStr(d->FieldByName(QLatin1String(campo))->AsString());
    };
    QString condizione = QStringLiteral("WHERE MRT.IdContoTp = ") + valore("IdContoTp")
                         + QStringLiteral(" AND MRT.IdConto = ") + valore("IdConto")
                         + QStringLiteral(" AND MRR.IdImballo = ") + valore("IdImballo")
                         + QStringLiteral(" AND MRT.FlTipoDocColl = 0");
    // account-total cards count the returns of every destination
    if (flTipoScheda_ == 0)
        condizione += QStringLiteral(" AND MRT.IdDestinazione = %1")
                          .arg(d->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger());
    qResiPN->Close();
    qsizetype riga = -1;
    for (qsizetype i = 0; i < qResiPN->SQL.size() && riga < 0; ++i)
        if (qResiPN->SQL.at(i).startsWith(QLatin1String("WHERE")))
            riga = i;
    if (riga < 0)
        throw Exception(QStringLiteral("WHERE non specificato"));
    qResiPN->SQL[riga] = condizione;
    qResiPN->Open();
    return qResiPN->IsEmpty() ? 0 : qResiPN->FieldByName(QStringLiteral("QtaResa"))->AsFloat();
}

void Tfqarn0207s::qMainCalcFields(TDataSet *d)
{
    const auto num = [d](const char *campo) { return d->FieldByName(QLatin1String(campo))->AsFloat(); };
    const auto imposta = [d](const char *campo, double v) { d->FieldByName(QLatin1String(campo))->SetAsFloat(v); };
    const QString tipo = d->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    if (tipo == QLatin1String("CL")) {
        QString destinatario;
        TXlkTable *destinazioni = TDMIBase::Crea()->lkDestinazioni;
        if (TDMIBase::Posiziona(destinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                                {tipo, d->FieldByName(QStringLiteral("IdConto"))->AsString(),
                                 d->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger()},
                                false))
            destinatario = destinazioni->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
        d->FieldByName(QStringLiteral("_DsDestinazione"))->SetAsString(destinatario);
    }
    const double resi = RecuperaResi(d);
    imposta("_TotGenQ", num("ProgQtaCar") - (num("ProgQtaRes") + resi));
    imposta("_ToTResi", num("ProgQtaRes") + resi);
    imposta("_QtaResiPN", resi);
    imposta("_TotGenV", num("ProgValCar") - num("ProgValRes"));
    imposta("_TotBolQ", num("ProgQtaCarB") - num("ProgQtaResB"));
    imposta("_TotBolV", num("ProgValCarB") - num("ProgValResB"));
    imposta("_TotFatQ", num("ProgQtaCarF") - num("ProgQtaResF"));
    imposta("_TotFatV", num("ProgValCarF") - num("ProgValResF"));
}
