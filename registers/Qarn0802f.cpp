#include "registers/Qarn0802f.h"

#include "ui_Qarn0802f.h"

#include "frame/Dusaria.h"
#include "host/data/TDataSource.h"
#include "host/data/TXTable.h"

TFqarn0802f::TFqarn0802f(QWidget *owner) : TFDBChild(owner), ui(new Ui::Qarn0802f)
{
    SetupLayout(*ui);
    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_Protocolli"));
    tMain->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    tMain->SetIndexFieldNames(QStringLiteral("TipoDoc;Anno;Serie"));
    tMain->SetUsaDizionario(true);
    tMain->SetXAutoApply(true);
    DSMain->SetDataSet(tMain);
    SetActiveControl(ui->cbTipoDoc);
}

TFqarn0802f::~TFqarn0802f()
{
    delete ui;
}

void TFqarn0802f::FormCreate()
{
    TFDBChild::FormCreate();
    for (const char *campo : {"Serie", "Protocollo"}) {
        TField *f = tMain->FieldByName(QString::fromLatin1(campo));
        f->SetDisplayFormat(QStringLiteral("#,##0"));
        f->SetEditFormat(QStringLiteral("0"));
    }
}

void TFqarn0802f::FormClose(TCloseAction &action)
{
    TFDBChild::FormClose(action);
    if (Fqarn0802f == this)
        Fqarn0802f = nullptr;
}

DUSARIA_FINESTRA(TFqarn0802f, Fqarn0802f);
