#include "deposits/Qarn0203d.h"

#include "ui_Qarn0203d.h"

#include "deposits/Qarn0203s.h"
#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QVBoxLayout>

#include <memory>

DUSARIA_FINESTRA(TFqarn0203d, Fqarn0203d);

namespace {

const char *const kQuantita[] = {"QtaCar",    "QtaRes",    "QtaCarF",   "QtaResF",    "QtaCarB",    "QtaResB",
                                 "QtaCarEcc", "QtaResEcc", "_SaldoQta", "_SaldoQtaF", "_SaldoQtaB", "_saldoQtaEcc"};
const char *const kValori[] = {"ValCar",  "ValRes",    "ValCarF",    "ValResF",   "ValCarB",
                               "ValResB", "_SaldoVal", "_SaldoValF", "_SaldoValB"};

} // namespace

TFqarn0203d::TFqarn0203d(QWidget *owner) : TFDBChildParsPage(owner), ui(new Ui::Qarn0203d)
{
    SetupLayout(*ui);
    TDMIBase *base = TDMIBase::Crea();
    tPars->SetTableName(QStringLiteral("LUMO_TotProCau"));
    tPars->SetUsaDizionario(true);
    tPars->AddLookupField(QStringLiteral("_DaDsImballo"), ftString, 30, base->lkImballi, QStringLiteral("Da_IdImballo"),
                          QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));
    tPars->AddLookupField(QStringLiteral("_ADsImballo"), ftString, 30, base->lkImballi, QStringLiteral("A_IdImballo"),
                          QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));

    qTotProCau = new TXQuery(this);
    qTotProCau->SetName(QStringLiteral("qTotProCau"));
    qTotProCau->SQL
        << QStringLiteral("SELECT LUMO_ProgCauz.IdImballo, Imballi.DsImballo,")
        << QStringLiteral("SUM(LUMO_ProgCauz.ProgQtaCar) AS QtaCar, SUM(LUMO_ProgCauz.ProgQtaRes) AS QtaRes, "
                          "SUM(LUMO_ProgCauz.ProgValCar) AS ValCar, SUM(LUMO_ProgCauz.ProgValRes) AS ValRes,")
        << QStringLiteral("SUM(LUMO_ProgCauz.ProgQtaCarF) AS QtaCarF, SUM(LUMO_ProgCauz.ProgQtaResF) AS QtaResF, "
                          "SUM(LUMO_ProgCauz.ProgValCarF) AS ValCarF, SUM(LUMO_ProgCauz.ProgValResF) AS ValResF,")
        << QStringLiteral("SUM(LUMO_ProgCauz.ProgQtaCarB) AS QtaCarB, SUM(LUMO_ProgCauz.ProgQtaResB) AS QtaResB, "
                          "SUM(LUMO_ProgCauz.ProgValCarB) AS ValCarB, SUM(LUMO_ProgCauz.ProgValResB) AS ValResB,")
        << QStringLiteral("SUM(LUMO_ProgCauz.QtaCarEcc) AS QtaCarEcc, SUM(LUMO_ProgCauz.QtaResEcc) AS QtaResEcc")
        << QStringLiteral("FROM LUMO_ProgCauz")
        << QStringLiteral("LEFT JOIN Imballi ON Imballi.IdImballo = LUMO_ProgCauz.IdImballo")
        << QStringLiteral("WHERE LUMO_ProgCauz.FlTipoScheda = 0")
        << QStringLiteral("GROUP BY LUMO_ProgCauz.IdImballo, Imballi.DsImballo")
        << QStringLiteral("ORDER BY LUMO_ProgCauz.IdImballo");
    for (const char *campo :
         {"_SaldoQta", "_SaldoVal", "_SaldoQtaF", "_SaldoValF", "_SaldoQtaB", "_SaldoValB", "_saldoQtaEcc"})
        qTotProCau->AddCalcField(QLatin1String(campo), ftFloat);
    qTotProCau->OnCalcFields = [this](TDataSet *d) { qTotProCauCalcFields(d); };
    qTotProCau->AfterOpen = [this](TDataSet *d) {
        for (const char *campo : kQuantita)
            d->FieldByName(QLatin1String(campo))->SetDisplayFormat(QStringLiteral("#,##0.00"));
        for (const char *campo : kValori)
            d->FieldByName(QLatin1String(campo))->SetDisplayFormat(QStringLiteral("#,##0"));
    };
    DSRisultati->SetDataSet(qTotProCau);

    const QString generali = QStringLiteral("Progressivi Generali\n");
    const QString fatture = QStringLiteral("Progressivi Fatture\n");
    const QString bolle = QStringLiteral("Progressivi Bolle\n");
    gRisultati->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cod."), 45);
    gRisultati->AddColumn(QStringLiteral("DsImballo"), QStringLiteral("Descrizione"), 150);
    gRisultati->AddColumn(QStringLiteral("QtaCar"), generali + QStringLiteral("Qtà Carico"), 90);
    gRisultati->AddColumn(QStringLiteral("QtaRes"), generali + QStringLiteral("Qtà Resa"), 90);
    gRisultati->AddColumn(QStringLiteral("QtaCarF"), fatture + QStringLiteral("Qtà Carico"), 90);
    gRisultati->AddColumn(QStringLiteral("QtaResF"), fatture + QStringLiteral("Qtà Resa"), 90);
    gRisultati->AddColumn(QStringLiteral("QtaCarB"), bolle + QStringLiteral("Qtà Carico"), 90);
    gRisultati->AddColumn(QStringLiteral("QtaResB"), bolle + QStringLiteral("Qtà Resa"), 90);
    gRisultati->AddColumn(QStringLiteral("QtaCarEcc"), QStringLiteral("Progressivi Eccedenze\nQtà Carico"), 90);
    gRisultati->AddColumn(QStringLiteral("QtaResEcc"), QStringLiteral("Progressivi Eccedenze\nQtà Rese"), 90);

    gValori = new KDBGriglia(tsRisultati);
    gValori->setObjectName(QStringLiteral("gValori"));
    gValori->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                        | dgAlwaysShowSelection);
    gValori->SetDataSource(DSRisultati);
    gValori->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cod."), 45);
    gValori->AddColumn(QStringLiteral("DsImballo"), QStringLiteral("Descrizione"), 150);
    gValori->AddColumn(QStringLiteral("ValCar"), generali + QStringLiteral("Val.Carico"), 100);
    gValori->AddColumn(QStringLiteral("ValRes"), generali + QStringLiteral("Val. Resa"), 100);
    gValori->AddColumn(QStringLiteral("ValCarF"), fatture + QStringLiteral("Val. Carico"), 100);
    gValori->AddColumn(QStringLiteral("ValResF"), fatture + QStringLiteral("Val. Resa"), 100);
    gValori->AddColumn(QStringLiteral("ValCarB"), bolle + QStringLiteral("Val. Carico"), 100);
    gValori->AddColumn(QStringLiteral("ValResB"), bolle + QStringLiteral("Val. Resa"), 100);
    static_cast<QVBoxLayout *>(tsRisultati->layout())->insertWidget(1, gValori, 1);
}

TFqarn0203d::~TFqarn0203d()
{
    delete ui;
}

void TFqarn0203d::FormCreate()
{
    TFDBChildParsPage::FormCreate();
    SetPagina(0);
}

void TFqarn0203d::FormClose(TCloseAction &action)
{
    TFDBChildParsPage::FormClose(action);
    if (Fqarn0203d == this)
        Fqarn0203d = nullptr;
}

void TFqarn0203d::qTotProCauCalcFields(TDataSet *d)
{
    const auto differenza = [d](const char *saldo, const char *carico, const char *reso) {
        d->FieldByName(QLatin1String(saldo))
            ->SetAsFloat(d->FieldByName(QLatin1String(carico))->AsFloat()
                         - d->FieldByName(QLatin1String(reso))->AsFloat());
    };
    differenza("_SaldoQta", "QtaCar", "QtaRes");
    differenza("_SaldoVal", "ValCar", "ValRes");
    differenza("_SaldoQtaF", "QtaCarF", "QtaResF");
    differenza("_SaldoValF", "ValCarF", "ValResF");
    differenza("_SaldoQtaB", "QtaCarB", "QtaResB");
    differenza("_SaldoValB", "ValCarB", "ValResB");
    differenza("_saldoQtaEcc", "QtaCarEcc", "QtaResEcc");
}

void TFqarn0203d::btEseguiClick()
{
    TFDBChildParsPage::btEseguiClick();
    try {
        qTotProCau->Close();
        qsizetype riga = -1;
        for (qsizetype i = 0; i < qTotProCau->SQL.size() && riga < 0; ++i)
            if (qTotProCau->SQL.at(i).startsWith(QLatin1String("WHERE")))
                riga = i;
        if (riga < 0)
            throw Exception(QStringLiteral("Where non specificato"));
        QString condizione;
        const QString da = tPars->FieldByName(QStringLiteral("Da_IdImballo"))->AsString();
        const QString a = tPars->FieldByName(QStringLiteral("A_IdImballo"))->AsString();
        if (!da.isEmpty())
            condizione += QStringLiteral(" LUMO_ProgCauz.IdImballo >= ") + XWideQuotedStr(da) + QStringLiteral(" AND ");
        if (!a.isEmpty())
            condizione += QStringLiteral(" LUMO_ProgCauz.IdImballo <= ") + XWideQuotedStr(a) + QStringLiteral(" AND ");
        condizione += QStringLiteral(" LUMO_ProgCauz.IdContoTp = ")
                      + XWideQuotedStr(tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString())
                      + QStringLiteral(" AND  LUMO_ProgCauz.FlTipoScheda = 0 AND ");
        condizione.chop(5);
        qTotProCau->SQL[riga] = QStringLiteral("WHERE ") + condizione;
        qTotProCau->Open();
        if (!qTotProCau->IsEmpty())
            SetPagina(1);
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
    }
}

void TFqarn0203d::btStampaClick()
{
    std::unique_ptr<Tfqarn0203s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0203s>()).CreateAs<Tfqarn0203s>(this));
    stampa->Titolo = QStringLiteral("TOTALI PER CAUZIONE ")
                     + (tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString() == QLatin1String("CL")
                            ? QStringLiteral("CLIENTI")
                            : QStringLiteral("FORNITORI"));
    stampa->AggiungiDataSet(QStringLiteral("qMain"), qTotProCau);
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->EseguiStampa(true);
}
