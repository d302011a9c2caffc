#include "deposits/Qarn0210d.h"

#include "ui_Qarn0210d.h"

#include "deposits/Qarn0210s.h"
#include "frame/Dusaria.h"
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "host/ui/Periodo.h"

#include <memory>

DUSARIA_FINESTRA(TFqarn0210d, Fqarn0210d);

TFqarn0210d::TFqarn0210d(QWidget *owner) : TFDBChildParsPage(owner), ui(new Ui::Qarn0210d)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_StaMovCRes"));
    tPars->SetUsaDizionario(true);

    qRisultati = new TXQuery(this);
    qRisultati->SetName(QStringLiteral("qRisultati"));
    qRisultati->SetUsaDizionario(true);
    qRisultati->SQL << QStringLiteral("SELECT LUMO_MovResT.*, LUMO_MovResR.IdImballo, LUMO_MovResR.QtaRes, "
                                      "Clienti.RagioneSociale, Imballi.DsImballo,")
                    << QStringLiteral(
                           "CASE WHEN LUMO_MovResT.KDocT <> 0 THEN 'Collegata a Docum.' ELSE '' END AS StatoDoc")
                    << QStringLiteral("FROM LUMO_MovResT")
                    << QStringLiteral("LEFT JOIN LUMO_MovResR ON LUMO_MovResR.KMovResT = LUMO_MovResT.KMovResT")
                    << QStringLiteral("LEFT JOIN Clienti ON Clienti.IdContoTp = LUMO_MovResT.IdContoTp AND "
                                      "Clienti.IdConto = LUMO_MovResT.IdConto")
                    << QStringLiteral("LEFT JOIN Imballi ON Imballi.IdImballo = LUMO_MovResR.IdImballo")
                    << QStringLiteral("WHERE LUMO_MovResT.KMovResT = -1")
                    << QStringLiteral("ORDER BY LUMO_MovResT.DataReg, LUMO_MovResT.KMovResT");
    DSRisultati->SetDataSet(qRisultati);
    gRisultati->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                           | dgAlwaysShowSelection);
    gRisultati->AddColumn(QStringLiteral("DataReg"), QStringLiteral("Data Reg"), 90);
    gRisultati->AddColumn(QStringLiteral("IdConto"), QStringLiteral("Cliente"), 80);
    gRisultati->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cauz."), 50);
    gRisultati->AddColumn(QStringLiteral("QtaRes"), QStringLiteral("Qta Res"), 80);
    gRisultati->AddColumn(QStringLiteral("KDocT"), QStringLiteral("Doc.Coll."), 70);
    gRisultati->AddColumn(QStringLiteral("RagioneSociale"), QStringLiteral("Ragione Sociale"), 200);
    gRisultati->AddColumn(QStringLiteral("IdDestinazione"), QStringLiteral("Dest."), 50);
    gRisultati->AddColumn(QStringLiteral("DsImballo"), QStringLiteral("Descrizione"), 160);
}

TFqarn0210d::~TFqarn0210d()
{
    delete ui;
}

void TFqarn0210d::FormClose(TCloseAction &action)
{
    TFDBChildParsPage::FormClose(action);
    if (Fqarn0210d == this)
        Fqarn0210d = nullptr;
}

QString TFqarn0210d::Condizione() const
{
    TXDatabase &db = qRisultati->Database();
    QString condizione;
    const QString da = tPars->FieldByName(QStringLiteral("Da_IdConto"))->AsString();
    const QString a = tPars->FieldByName(QStringLiteral("A_IdConto"))->AsString();
    if (!da.isEmpty())
        condizione += QStringLiteral("LUMO_MovResT.IdConto >= ") + XWideQuotedStr(da) + QStringLiteral(" AND ");
    if (!a.isEmpty())
        condizione += QStringLiteral("LUMO_MovResT.IdConto <= ") + XWideQuotedStr(a) + QStringLiteral(" AND ");
    const QDateTime daData = tPars->FieldByName(QStringLiteral("Da_Data"))->AsDateTime();
    const QDateTime aData = tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime();
    if (!daData.isNull())
        condizione += QStringLiteral("LUMO_MovResT.DataReg >= ") + db.FormatDataSQL(daData) + QStringLiteral(" AND ");
    if (!aData.isNull())
        condizione += QStringLiteral("LUMO_MovResT.DataReg <= ") + db.FormatDataSQL(aData) + QStringLiteral(" AND ");
    const int tipo = tPars->FieldByName(QStringLiteral("FlTipoMovimenti"))->AsInteger();
    if (tipo == 0)
        condizione += QStringLiteral("LUMO_MovResT.KDocT = 0 AND ");
    else if (tipo == 1)
        condizione += QStringLiteral("LUMO_MovResT.KDocT <> 0 AND ");
    return condizione;
}

void TFqarn0210d::btEseguiClick()
{
    TFDBChildParsPage::btEseguiClick();
    if (!Funzioni::ControllaPeriodo(tPars->FieldByName(QStringLiteral("Da_Data"))->AsDateTime(),
                                    tPars->FieldByName(QStringLiteral("A_Data"))->AsDateTime(), ui->edDa_Data))
        return;
    try {
        QString condizione = Condizione();
        condizione.chop(5);
        // every return with no condition; the line stays for the next run
        condizione = QStringLiteral("WHERE ") + (condizione.isEmpty() ? QStringLiteral("1 = 1") : condizione);
        qRisultati->Close();
        qsizetype riga = -1;
        for (qsizetype i = 0; i < qRisultati->SQL.size() && riga < 0; ++i)
            if (qRisultati->SQL.at(i).startsWith(QLatin1String("WHERE")))
                riga = i;
        if (riga < 0)
            throw Exception(QStringLiteral("WHERE non specificato"));
        qRisultati->SQL[riga] = condizione;
        qRisultati->Open();
        if (!qRisultati->IsEmpty())
            SetPagina(1);
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
    }
}

void TFqarn0210d::btStampaClick()
{
    std::unique_ptr<Tfqarn0210s> stampa(
        Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0210s>()).CreateAs<Tfqarn0210s>(this));
    stampa->AggiungiDataSet(QStringLiteral("qMain"), qRisultati);
    stampa->InitReport();
    stampa->ImpostaReport();
    stampa->EseguiStampa(true);
}
