#include "documents/Sven0009s_p.h"

#include "documents/Sven0002s_p.h"
#include "engine/Lumo_funzdocven.h"
#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/core/Funzioni.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TField.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"

DUSARIA_CLASSE(TfSVen0009s_p);

TfSVen0009s_p::TfSVen0009s_p(QObject *owner) : TfSVen0009s(owner)
{
    SetNomeDefault(QStringLiteral("Sven0009s_p"));
    UT_LMQ_DVEN_CampiStampaDoc(qMain, TDMIBase::Crea()->lkCausFattCli, true);

    cdsUTPartite = new TXQuery(this);
    cdsUTPartite->SetName(QStringLiteral("cdsUTPartite"));
    cdsUTPartite->XSQL = QStringList{
        QStringLiteral("select TipoScadenza, Esercizio, Protocollo, IdConto, NumRata, DataScadenza, "),
        QStringLiteral(
            "NumDocumento,DataDocumento, sum(Dare) as Dare, Sum(Avere) as Avere,cast( 0 as Float)  as Tot, "),
        QStringLiteral("sum(DareDiv) as DareDiv, sum(AvereDiv) as AverdDiv, cast(0 as float) as TotDiv"),
        QStringLiteral("from scadenze"),
        QStringLiteral("{WHERE XWHERE}"),
        QStringLiteral(
            "GROUP BY TipoScadenza, Esercizio, Protocollo, IdConto, NumRata, DataScadenza, NumDocumento,DataDocumento"),
        QStringLiteral("ORDER BY IdConto, NumDocumento, DataDocumento")};

    TTUTPartite = new TXTable(this);
    TTUTPartite->SetName(QStringLiteral("TTUTPartite"));
    TTUTPartite->SetDatabaseName(QStringLiteral("LocalDatabase"));
    TTUTPartite->SetTableName(QStringLiteral("LUMO_T_ECCLIENTI"));
    TTUTPartite->SetUsaDizionario(true);

    qUTPartite = new TXQuery(this);
    qUTPartite->SetName(QStringLiteral("qUTPartite"));
    qUTPartite->SetDatabaseName(QStringLiteral("LocalDatabase"));
    qUTPartite->SQL = QStringList{QStringLiteral("SELECT * FROM LUMO_T_ECCLIENTI"),
                                  QStringLiteral("ORDER BY Esercizio, DataDocumento, NumDocumento")};
    dsUTPartite = new TDataSource(this);
    dsUTPartite->SetName(QStringLiteral("dsUTPartite"));
    dsUTPartite->SetDataSet(qUTPartite);
    AggiungiDataSet(QStringLiteral("qUTPartite"), qUTPartite);

    OnBeforePrint(QStringLiteral("ppRUTPartite"), [this] { ppSRUTPartitePrint(QStringLiteral("ppRUTPartite")); });
    OnBeforePrint(QStringLiteral("ppRUTPartite_FTAC"),
                  [this] { ppSRUTPartitePrint(QStringLiteral("ppRUTPartite_FTAC")); });
}

void TfSVen0009s_p::XRptModuleCreate()
{
    TfSVen0009s::XRptModuleCreate();
    TTUTPartite->CreaTabella();
}

void TfSVen0009s_p::qMainAfterScroll(TDataSet *DataSet)
{
    TfSVen0009s::qMainAfterScroll(DataSet);
    if (DataSet->IsEmpty() || DataSet->FieldByName(QStringLiteral("_UT_LMQ_FlStaPar"))->AsInteger() != 1)
        return;
    if (TTUTPartite->Active())
        TTUTPartite->Close();
    TTUTPartite->EmptyTable();
    TTUTPartite->Open();
    if (cdsUTPartite->Active())
        cdsUTPartite->Close();
    cdsUTPartite->ImpostaSQL(QStringLiteral("IdContoTp = :IdContoTp AND IdConto = :IdConto "));
    cdsUTPartite->ParamByName(QStringLiteral("IdContoTp"))
        ->SetAsString(DataSet->FieldByName(QStringLiteral("IdClienteTp"))->AsString());
    cdsUTPartite->ParamByName(QStringLiteral("IdConto"))
        ->SetAsString(DataSet->FieldByName(QStringLiteral("IdCliente"))->AsString());
    cdsUTPartite->Open();
    for (cdsUTPartite->First(); !cdsUTPartite->Eof(); cdsUTPartite->Next()) {
        const auto valore = [this](const char *campo) {
            return cdsUTPartite->FieldByName(QLatin1String(campo))->AsFloat();
        };
        const double tot = Funzioni::KRound(valore("Dare") - valore("Avere"), 2);
        const double totDiv = Funzioni::KRound(valore("DareDiv") - valore("AverdDiv"), 2);
        if (tot == 0 && totDiv == 0)
            continue;
        TTUTPartite->Append();
        Funzioni::CopiaDati(TTUTPartite, cdsUTPartite);
        TTUTPartite->FieldByName(QStringLiteral("Tot"))->SetAsFloat(tot);
        TTUTPartite->FieldByName(QStringLiteral("TotDiv"))->SetAsFloat(totDiv);
        TTUTPartite->Post();
    }
    cdsUTPartite->Close();
    qUTPartite->Close();
    qUTPartite->Open();
}

void TfSVen0009s_p::qMainCalcFields(TDataSet *DataSet)
{
    TfSVen0009s::qMainCalcFields(DataSet);
    UT_LMQ_DVEN_StampaCastelletto(DataSet, CastellettoLocale ? 3 : 2);
}

void TfSVen0009s_p::ppSRUTPartitePrint(const QString &regione)
{
    const bool partite = qMain->FieldByName(QStringLiteral("_UT_LMQ_FlStaPar"))->AsInteger() == 1
                         && qUTPartite->Active() && !qUTPartite->IsEmpty();
    ImpostaVisibile(regione, partite);
}
