#include "masterdata/Lumo_TabelleCodici.h"

#include "host/business/Riferimenti.h"
#include "host/data/TXTable.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dbchild.h"
#include "masterdata/Lumo_anagrafiche.h"

TXTable *CreaTabellaCodici(TFDBChild *finestra, const QString &tabella, const QString &codice,
                           const QStringList &colonneGriglia)
{
    auto *tMain = new TXTable(finestra);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(tabella);
    tMain->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    tMain->SetIndexFieldNames(codice);
    tMain->SetUsaDizionario(true);
    tMain->SetUsaDuplicaRecord(true);
    tMain->SetXAutoApply(true);
    tMain->BeforePost = [tMain](TDataSet *) { ControllaCodiceTabella(tMain); };
    // a code still used by articles, accounts or documents stays: "Obsoleto" retires it
    tMain->BeforeDelete = [tMain](TDataSet *) {
        const QList<TField *> chiave = tMain->PrimaryKeyFields();
        Riferimenti::ControllaCancellazione(
            tMain->TableName(), chiave.isEmpty() ? QString() : chiave.last()->AsString(),
            [tMain](const QString &colonna) { return tMain->FieldByName(colonna)->Value(); });
    };
    finestra->DSMain->SetDataSet(tMain);
    if (auto *schede = qobject_cast<TFDBTabChild *>(finestra)) {
        for (const QString &colonna : colonneGriglia)
            schede->GrigliaMain->AddColumn(colonna);
        schede->MostraPagina(1);
    }
    return tMain;
}

void ControllaCodiceTabella(TXTable *tabella)
{
    Lumo_anagrafiche::CodiciImpostati(tabella->PrimaryKeyFields());
}

TXQuery *CreaQueryCodici(TfKV8ReportB *stampa, const QString &tabella, bool selezione)
{
    auto *qMain = new TXQuery(stampa);
    qMain->SetName(QStringLiteral("qMain"));
    qMain->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    qMain->SQL = QStringList{QStringLiteral("SELECT %1.*").arg(tabella), QStringLiteral("FROM %1").arg(tabella)};
    qMain->XSQL = qMain->SQL;
    if (selezione)
        qMain->XSQL << QStringLiteral("{WHERE XWHERE}");
    stampa->AggiungiDataSet(QStringLiteral("qMain"), qMain);
    return qMain;
}
