#include "registers/Qarn0400f.h"

#include "ui_Qarn0400f.h"

#include "frame/Dusaria.h"
#include "host/core/Errors.h"
#include "host/data/TDataSource.h"
#include "host/data/TXTable.h"

namespace {

const QString Codice = QStringLiteral("1");

} // namespace

TFqarn0400f::TFqarn0400f(QWidget *owner) : TFDBChild(owner), ui(new Ui::Qarn0400f)
{
    SetupLayout(*ui);
    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_ParAcc"));
    tMain->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    tMain->SetUsaDizionario(true);
    tMain->SetUsaDuplicaRecord(true);
    tMain->SetXAutoApply(true);
    tMain->OnNewRecord = [](TDataSet *d) { d->FieldByName(QStringLiteral("IdCodice"))->SetAsString(Codice); };
    tMain->BeforePost = [this](TDataSet *d) {
        if (d->State() == dsInsert
            && tMain->Database()
                       .ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_ParAcc WHERE IdCodice = ?"), {Codice})
                       .toInt()
                   > 0)
            throw Exception(QStringLiteral("I parametri accisa esistono già: modificare quelli presenti."));
    };
    DSMain->SetDataSet(tMain);
    SetActiveControl(ui->edCodAccisa);
}

TFqarn0400f::~TFqarn0400f()
{
    delete ui;
}

void TFqarn0400f::FormCreate()
{
    TFDBChild::FormCreate();
    if (!tMain->Active())
        tMain->Open();
    if (!tMain->Locate(QStringLiteral("IdCodice"), Codice)) {
        tMain->Append();
        tMain->Post();
    }
}

void TFqarn0400f::FormClose(TCloseAction &action)
{
    TFDBChild::FormClose(action);
    if (Fqarn0400f == this)
        Fqarn0400f = nullptr;
}

DUSARIA_FINESTRA(TFqarn0400f, Fqarn0400f);
