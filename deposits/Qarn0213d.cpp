#include "deposits/Qarn0213d.h"

#include "ui_Qarn0213d.h"

#include "deposits/Qarn0213s.h"
#include "frame/Dusaria.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBControls.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"

#include <QCoreApplication>

#include <memory>

DUSARIA_FINESTRA(TFqarn0213d, Fqarn0213d);

namespace {

// A balance query per account and packaging code over a journal's rows and heads.
TXQuery *QuerySaldi(QObject *owner, const QString &nome, const QString &campi, const QString &righe,
                    const QString &teste, const QString &chiave)
{
    auto *q = new TXQuery(owner);
    q->SetName(nome);
    q->SQL << QStringLiteral("SELECT T.IdContoTp, T.IdConto, R.IdImballo, I.DsImballo, ") + campi
           << QStringLiteral("FROM %1 R").arg(righe)
           << QStringLiteral("LEFT JOIN %1 T ON T.%2 = R.%2").arg(teste, chiave)
           << QStringLiteral("LEFT JOIN Imballi I ON I.IdImballo = R.IdImballo")
           << QStringLiteral("WHERE R.%1 = -1").arg(chiave)
           << QStringLiteral("GROUP BY T.IdContoTp, T.IdConto, R.IdImballo, I.DsImballo")
           << QStringLiteral("ORDER BY T.IdContoTp, T.IdConto, R.IdImballo");
    return q;
}

} // namespace

TFqarn0213d::TFqarn0213d(QWidget *owner) : TFDBChildPars(owner), ui(new Ui::Qarn0213d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("lumo0213d"));
    tPars->SetUsaDizionario(true);
    // edDaIdContoRicerca: accounts of the chosen type only
    const auto ricerca = [this](TDBCodeEdit *, QString &filtro) {
        filtro = QStringLiteral("IdContoTp = ")
                 + XWideQuotedStr(tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString());
    };
    ui->edDaIdConto->OnFiltroRicerca = ricerca;
    ui->edA_IdConto->OnFiltroRicerca = ricerca;

    qSaldi =
        QuerySaldi(this, QStringLiteral("qSaldi"),
                   QStringLiteral("SUM(R.QtaCar) AS QtaCar, SUM(R.QtaRes) AS QtaSca, SUM(R.ValoreCar) AS ValoreCar, "
                                  "SUM(R.ValoreRes) AS ValoreSca"),
                   QStringLiteral("LUMO_MovCauR"), QStringLiteral("LUMO_MovCauT"), QStringLiteral("KContaT"));
    qSaldiResi = QuerySaldi(this, QStringLiteral("qSaldiResi"),
                            QStringLiteral("0 AS QtaCar, SUM(R.QtaRes) AS QtaSca, 0 AS ValoreCar, 0 AS ValoreSca"),
                            QStringLiteral("LUMO_MovResR"), QStringLiteral("LUMO_MovResT"), QStringLiteral("KMovResT"));
    cdsSaldi = new TXMemTable(this);
    cdsSaldi->SetName(QStringLiteral("cdsSaldi"));
    cdsSaldi->SetTableName(QStringLiteral("cdsSaldi"));
    cdsSaldi->SetUsaDizionario(true);
    cdsSaldi->SetIndexFieldNames(QStringLiteral("IdContoTp;IdConto;IdImballo"));
}

TFqarn0213d::~TFqarn0213d()
{
    delete ui;
}

void TFqarn0213d::FormClose(TCloseAction &action)
{
    TFDBChildPars::FormClose(action);
    if (Fqarn0213d == this)
        Fqarn0213d = nullptr;
}

QString TFqarn0213d::Selezione() const
{
    TXDatabase &db = qSaldi->Database();
    const QString tipo = tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    const QString daConto = tPars->FieldByName(QStringLiteral("DaIdConto"))->AsString();
    const QString aConto = tPars->FieldByName(QStringLiteral("A_IdConto"))->AsString();
    QString selezione = QStringLiteral("T.IdContoTp = ") + XWideQuotedStr(tipo) + QStringLiteral(" AND ");
    if (!da.isNull())
        selezione += QStringLiteral("T.DataReg >= ") + db.FormatDataSQL(da) + QStringLiteral(" AND ");
    if (!a.isNull())
        selezione += QStringLiteral("T.DataReg <= ") + db.FormatDataSQL(a) + QStringLiteral(" AND ");
    if (!daConto.isEmpty())
        selezione += QStringLiteral("T.IdConto >= ") + XWideQuotedStr(daConto) + QStringLiteral(" AND ");
    if (!aConto.isEmpty())
        selezione += QStringLiteral("T.IdConto <= ") + XWideQuotedStr(aConto) + QStringLiteral(" AND ");
    selezione.chop(5);
    return selezione;
}

void TFqarn0213d::PreparaSaldi()
{
    TXDatabase &db = qSaldi->Database();
    const QString tipo = XWideQuotedStr(tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString());
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    QString conti;
    const QString daConto = tPars->FieldByName(QStringLiteral("DaIdConto"))->AsString();
    const QString aConto = tPars->FieldByName(QStringLiteral("A_IdConto"))->AsString();
    if (!daConto.isEmpty())
        conti += QStringLiteral("T.IdConto >= ") + XWideQuotedStr(daConto) + QStringLiteral(" AND ");
    if (!aConto.isEmpty())
        conti += QStringLiteral("T.IdConto <= ") + XWideQuotedStr(aConto) + QStringLiteral(" AND ");

    const auto accumulaSaldi = [this](TXQuery *q, int tipoSaldo) {
        const QVariantList chiave{q->FieldByName(QStringLiteral("IdContoTp"))->Value(),
                                  q->FieldByName(QStringLiteral("IdConto"))->Value(),
                                  q->FieldByName(QStringLiteral("IdImballo"))->Value()};
        if (cdsSaldi->Locate(QStringLiteral("IdContoTp;IdConto;IdImballo"), chiave)) {
            cdsSaldi->Edit();
        } else {
            cdsSaldi->Insert();
            cdsSaldi->FieldByName(QStringLiteral("IdContoTp"))->SetValue(chiave.at(0));
            cdsSaldi->FieldByName(QStringLiteral("IdConto"))->SetValue(chiave.at(1));
            cdsSaldi->FieldByName(QStringLiteral("IdImballo"))->SetValue(chiave.at(2));
            cdsSaldi->FieldByName(QStringLiteral("DsImballo"))
                ->SetValue(q->FieldByName(QStringLiteral("DsImballo"))->Value());
        }
        const auto somma = [&](const QString &suffisso) {
            const auto aggiungi = [&](const char *campo, const char *origine) {
                TField *f = cdsSaldi->FieldByName(QLatin1String(campo) + suffisso);
                f->SetAsFloat(f->AsFloat() + q->FieldByName(QLatin1String(origine))->AsFloat());
            };
            aggiungi("qtacar", "QtaCar");
            aggiungi("qtasca", "QtaSca");
            aggiungi("valcar", "ValoreCar");
            aggiungi("valsca", "ValoreSca");
            const auto valore = [&](const char *campo) {
                return cdsSaldi->FieldByName(QLatin1String(campo) + suffisso)->AsFloat();
            };
            cdsSaldi->FieldByName(QStringLiteral("qtasal") + suffisso)->SetAsFloat(valore("qtacar") - valore("qtasca"));
            cdsSaldi->FieldByName(QStringLiteral("valsal") + suffisso)->SetAsFloat(valore("valcar") - valore("valsca"));
        };
        somma(tipoSaldo == 0 ? QStringLiteral("_p") : QStringLiteral("_a"));
        somma(QStringLiteral("_s"));
        cdsSaldi->Post();
    };
    const auto esegui = [&](TXQuery *q, QString condizione, const QString &testo, int tipoSaldo) {
        condizione.chop(5);
        q->Close();
        for (QString &riga : q->SQL)
            if (riga.startsWith(QLatin1String("WHERE"))) {
                riga = QStringLiteral("WHERE ") + condizione;
                break;
            }
        q->Open();
        Mdimainbase::ProgressStart(q->RecordCount(), testo);
        for (q->First(); !q->Eof(); q->Next()) {
            Mdimainbase::ProgressStep();
            QCoreApplication::processEvents();
            accumulaSaldi(q, tipoSaldo);
        }
    };

    struct Fine {
        ~Fine() { Mdimainbase::ProgressEnd(); }
    } fine;
    cdsSaldi->Close();
    cdsSaldi->CreateDataSet();
    cdsSaldi->EmptyTable();
    const QString movimenti = QStringLiteral("T.IdContoTp = ") + tipo + QStringLiteral(" AND ");
    const QString resi = QStringLiteral("T.IdContoTp = ") + tipo + QStringLiteral(" AND T.KDocT = 0 AND ");
    if (!da.isNull()) {
        const QString prima = QStringLiteral("T.DataReg < ") + db.FormatDataSQL(da) + QStringLiteral(" AND ") + conti;
        esegui(qSaldi, movimenti + prima, QStringLiteral("Saldi periodo precedente.."), 0);
        esegui(qSaldiResi, resi + prima, QStringLiteral("Saldi resi periodo precedente.."), 0);
    }
    QString periodo;
    if (!da.isNull())
        periodo += QStringLiteral("T.DataReg >= ") + db.FormatDataSQL(da) + QStringLiteral(" AND ");
    if (!a.isNull())
        periodo += QStringLiteral("T.DataReg <= ") + db.FormatDataSQL(a) + QStringLiteral(" AND ");
    esegui(qSaldi, movimenti + periodo + conti, QStringLiteral("Saldi periodo attuale.."), 1);
    esegui(qSaldiResi, resi + periodo + conti, QStringLiteral("Saldi periodo resi attuale.."), 1);
}

void TFqarn0213d::btEseguiClick()
{
    TFDBChildPars::btEseguiClick();
    const QDateTime da = tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    // an open end date is no order to test
    if (!da.isNull() && !a.isNull() && a < da) {
        Kmessages::KMessage(QStringLiteral("Data Iniziale superiore alla data finale"), mtError, mbOK);
        ui->edDaData->setFocus();
        return;
    }
    const QString selezione = Selezione();
    if (tPars->FieldByName(QStringLiteral("FlTipoSta"))->AsInteger() == 1)
        PreparaSaldi();
    std::unique_ptr<Tfqarn0213s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0213s>()).CreateAs<Tfqarn0213s>(this));
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->InitForm(tPars, cdsSaldi);
    stampa->ImpostaQuery(stampa->qMain, 0, selezione, QString());
    stampa->EseguiStampa(true);
}
