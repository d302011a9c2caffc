#include "registers/Qarn0403f.h"

#include "ui_Qarn0403f.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/core/Errors.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

DUSARIA_FINESTRA(TFqarn0403f, Fqarn0403f);

namespace {

TXlkTable *Tabella(QObject *owner, const QString &nome, const QString &tabella)
{
    auto *t = new TXlkTable(owner);
    t->SetName(nome);
    t->SetTableName(tabella);
    return t;
}

} // namespace

TFqarn0403f::TFqarn0403f(QWidget *owner) : TFLumoMasterDettaglio(owner), ui(new Ui::Qarn0403f)
{
    SetupLayout(*ui);
    TDMIBase::Crea();
    lkSpedizionieri = Tabella(this, QStringLiteral("lkSpedizionieri"), QStringLiteral("Spedizionieri"));
    lkTariffe = Tabella(this, QStringLiteral("lkTariffe"), QStringLiteral("TariffeDoganali"));

    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_DocAccT"));
    tMain->SetUsaDizionario(true);
    tMain->SetIndexFieldNames(QStringLiteral("KContaT"));
    tMain->AddLookupField(QStringLiteral("_RagioneSociale"), ftString, 50, DMIBase->lkClienti,
                          QStringLiteral("IdContoTp;IdConto"), QStringLiteral("IdContoTp;IdConto"),
                          QStringLiteral("RagioneSociale"));
    tMain->AddLookupField(QStringLiteral("_DsSpedizione"), ftString, 30, lkSpedizionieri,
                          QStringLiteral("IdSpedizione"), QStringLiteral("IdSpedizione"),
                          QStringLiteral("DsSpedizione1"));
    tMain->AddCalcField(QStringLiteral("_DsDestinazione"), ftString, 50);
    tMain->AddCalcField(QStringLiteral("_DsCausale"), ftString, 30);
    tMain->OnCalcFields = [](TDataSet *d) {
        const auto f = [d](const char *nome) { return d->FieldByName(QString::fromLatin1(nome)); };
        QString destinazione;
        if (f("IdDestinazione")->AsInteger() != 0
            && TDMIBase::Posiziona(
                DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                {f("IdContoTp")->AsString(), f("IdConto")->AsString(), f("IdDestinazione")->AsInteger()}))
            destinazione = DMIBase->lkDestinazioni->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
        f("_DsDestinazione")->SetAsString(destinazione);
        const int tipo = f("FlTipoDocColl")->AsInteger();
        TXlkTable *causali = tipo == 1 ? DMIBase->lkCausBolleCli : tipo == 2 ? DMIBase->lkCausFattCli : nullptr;
        const QString causale = f("IdCausale")->AsString();
        const bool trovata =
            causali && !causale.isEmpty() && TDMIBase::Posiziona(causali, QStringLiteral("IdCausale"), {causale});
        f("_DsCausale")
            ->SetAsString(trovata ? causali->FieldByName(QStringLiteral("DsCausale"))->AsString().left(30) : QString());
    };
    tMain->BeforeDelete = [this](TDataSet *d) { tMainBeforeDelete(d); };
    DSMain->SetDataSet(tMain);
    CampiChiaveTesta = QStringLiteral("KContaT");

    bDettaglio = AggiungiBuffer(
        {QStringLiteral("TTDettaglio"), QStringLiteral("qDettaglio"), QStringLiteral("TRSDettaglio"),
         QStringLiteral("DSDettaglio"), QStringLiteral("LUMO_t_DocAccR"), QStringLiteral("LUMO_DocAccR"),
         QStringLiteral("KContaT;KContaR"), QStringLiteral("KContaR = -1"), QStringLiteral("KContaT;KContaR")});
    qDettaglio = bDettaglio->qDettaglio;
    TTDettaglio = bDettaglio->TTBuffer;
    TRSDettaglio = bDettaglio->TRSArchivio;
    DSDettaglio = bDettaglio->DSDettaglio;
    bDettaglio->CampoFuoco = QStringLiteral("IdProdotto");
    bDettaglio->PannelloRiga = ui->pnRiga;
    for (TDataSet *ds : {static_cast<TDataSet *>(qDettaglio), static_cast<TDataSet *>(TTDettaglio)}) {
        ds->AddLookupField(QStringLiteral("_DsProdotto"), ftString, 30, DMIBase->lkArticoli,
                           QStringLiteral("IdProdotto"), QStringLiteral("IdProdotto"), QStringLiteral("DsProdotto"));
        ds->AddLookupField(QStringLiteral("_DsTariffa"), ftString, 30, lkTariffe, QStringLiteral("Nomenclat"),
                           QStringLiteral("IdTariffa"), QStringLiteral("DsTariffa"));
    }
    TTDettaglio->OnNewRecord = [this](TDataSet *d) { TTDettaglioNewRecord(d); };
    TTDettaglio->BeforePost = [this](TDataSet *d) { TTDettaglioBeforePost(d); };
    TTDettaglio->BeforeDelete = [this](TDataSet *d) { TTDettaglioBeforeDelete(d); };

    ui->GrigliaDettaglio->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                                     | dgAlwaysShowSelection);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Codice"), 120);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("_DsProdotto"), QStringLiteral("Descrizione"), 220);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("Nomenclat"), QStringLiteral("Tariffa"), 80);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("PesoNetto"), QStringLiteral("Peso Netto"), 90);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("PesoLordo"), QStringLiteral("Peso Lordo"), 90);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("QtaMov"), QStringLiteral("Quantità"), 90);
}

TFqarn0403f::~TFqarn0403f()
{
    delete ui;
}

void TFqarn0403f::FormCreate()
{
    TFLumoMasterDettaglio::FormCreate();
    ui->pcPagine->setCurrentIndex(0);
    for (TDataSet *ds : {static_cast<TDataSet *>(qDettaglio), static_cast<TDataSet *>(TTDettaglio)})
        for (const char *campo : {"QtaImballo", "NumConf", "QtaMov", "TotLit"})
            if (TField *f = ds->FindField(QString::fromLatin1(campo)))
                f->SetDisplayFormat(QStringLiteral("#,##0.00"));
}

void TFqarn0403f::FormClose(TCloseAction &action)
{
    TFLumoMasterDettaglio::FormClose(action);
    if (Fqarn0403f == this)
        Fqarn0403f = nullptr;
}

void TFqarn0403f::DSMainNavClick(TNavigateBtn button, bool &doDefault)
{
    if (button == nbInsert) {
        doDefault = false;
        Kmessages::KMessage(QStringLiteral("Operazione non abilitata"), mtInformation, mbOK);
        return;
    }
    TFLumoMasterDettaglio::DSMainNavClick(button, doDefault);
}

void TFqarn0403f::TTDettaglioNewRecord(TDataSet *)
{
    bDettaglio->NuovaRiga();
}

void TFqarn0403f::TTDettaglioBeforePost(TDataSet *)
{
    bDettaglio->PrimaDelPost();
}

void TFqarn0403f::TTDettaglioBeforeDelete(TDataSet *)
{
    bDettaglio->PrimaDellaCancellazione();
}

void TFqarn0403f::tMainBeforeDelete(TDataSet *DataSet)
{
    const int tipo = DataSet->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger();
    const int sorgente = DataSet->FieldByName(QStringLiteral("KDocT"))->AsInteger();
    if (sorgente == 0 || (tipo != 1 && tipo != 2))
        return;
    // a source removed in the meantime is skipped: nothing to give back
    tMain->Database().ExecSQL(
        tipo == 1 ? QStringLiteral("UPDATE BolleCliTeste SET UT_LMQ_FlAccisa = 0 WHERE KBolleCliT = ?")
                  : QStringLiteral("UPDATE FattureCliTeste SET UT_LMQ_FlAccisa = 0 WHERE KFattCliT = ?"),
        {sorgente});
}

void TFqarn0403f::FuocoCodiceTesta()
{
    SetActiveControl(ui->edDataDoc);
}
