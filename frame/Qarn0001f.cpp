#include "frame/Qarn0001f.h"

#include "ui_Qarn0001f.h"

#include "frame/Dmilumo.h"

#include <QWidget>

namespace {

// Every column of LUMO_Parametri but Password, in the table's order.
const char *const Colonne[] = {"IdCodice",       "PathCarImg",      "FlQtaConf",        "FlAbilTrasporto",
                               "FlAbilCauz",     "FlAbilSchedaPro", "FlStaRegCon",      "FlStaRegCs",
                               "FlStaRegImb",    "FlStaRegSpum",    "FlAbilStatis",     "FlAbilPrenota",
                               "FlAbilVinifica", "FlTipoPrz",       "MeseIniBilDicGia", "LungCodArtPad",
                               "FlStaRegCau",    "FlAbilAccisa",    "FlGestEcc"};

} // namespace

Tfqarn0001f::Tfqarn0001f(QWidget *owner) : TfdlgBase(owner), ui(new Ui::Qarn0001f)
{
    SetupLayout(*ui);
    SetClientSize(489, 412 - pBottoni->sizeHint().height());

    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_Parametri"));
    tMain->SetDatabaseName(QStringLiteral("GlobalDatabase"));
    tMain->SetIndexFieldNames(QStringLiteral("IdCodice"));
    tMain->SetUsaDizionario(true);
    tMain->SetUsaDuplicaRecord(true);
    tMain->SetXAutoApply(true);
    for (const char *colonna : Colonne) {
        const QString nome = QLatin1String(colonna);
        TFieldType tipo = ftSmallint;
        int dimensione = 0;
        if (nome == QLatin1String("IdCodice")) {
            tipo = ftString;
            dimensione = 1;
        } else if (nome == QLatin1String("PathCarImg")) {
            tipo = ftString;
            dimensione = 80;
        }
        TField *campo = tMain->AddField(nome, tipo, dimensione);
        if (nome == QLatin1String("MeseIniBilDicGia") || nome == QLatin1String("LungCodArtPad")) {
            campo->SetDisplayFormat(QStringLiteral("#,##0"));
            campo->SetEditFormat(QStringLiteral("0"));
        }
    }
    tMain->AfterPost = [this](TDataSet *d) { tMainAfterPost(d); };
    // The only row the module reads is "1": a new row takes that key.
    tMain->OnNewRecord = [](TDataSet *d) {
        d->FieldByName(QStringLiteral("IdCodice"))->SetAsString(QStringLiteral("1"));
    };

    dsMain = new TDataSource(this);
    dsMain->SetName(QStringLiteral("dsMain"));
    dsMain->SetDataSet(tMain);

    btOk->setText(QStringLiteral("&Salva"));
    QWidget::setTabOrder(ui->cbFlAbilAccisa, btOk);
    QWidget::setTabOrder(btOk, btAnnulla);
}

Tfqarn0001f::~Tfqarn0001f()
{
    delete ui;
}

void Tfqarn0001f::FormCreate()
{
    TfdlgBase::FormCreate();
    AproTabella();
}

void Tfqarn0001f::AproTabella()
{
    tMain->Open();
    if (tMain->Locate(QStringLiteral("IdCodice"), QStringLiteral("1")))
        tMain->Edit();
    else
        tMain->Append();
}

void Tfqarn0001f::btOkClick()
{
    if (tMain->State() == dsEdit || tMain->State() == dsInsert)
        tMain->Post();
}

void Tfqarn0001f::btAnnullaClick()
{
    if (tMain->State() == dsEdit || tMain->State() == dsInsert)
        tMain->Cancel();
}

void Tfqarn0001f::tMainAfterPost(TDataSet *)
{
    // the next menu choice reads the saved row
    if (DMILUMO)
        DMILUMO->lkLUMO_Parametri->Close();
    Kmessages::KMessage(QStringLiteral("Uscire e rientrare dalla procedura per attivare le variazioni"), mtInformation,
                        mbOK, 0);
}
