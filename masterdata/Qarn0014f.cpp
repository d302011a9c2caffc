#include "masterdata/Qarn0014f.h"

#include "ui_Qarn0014f.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/core/Applvar.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/data/TXlkTable.h"
#include "host/db/TXDatabase.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Periodo.h"
#include "masterdata/Lumo_anagrafiche.h"

DUSARIA_FINESTRA(TFqarn0014f, Fqarn0014f);

namespace {

TXlkTable *Lookup(QObject *owner, const QString &name, const QString &table)
{
    auto *lk = new TXlkTable(owner);
    lk->SetName(name);
    lk->SetTableName(table);
    return lk;
}

void Griglia(KDBGriglia *griglia)
{
    griglia->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                        | dgAlwaysShowSelection);
}

bool InModifica(const TDataSet *ds)
{
    return ds->State() == dsEdit || ds->State() == dsInsert;
}

} // namespace

TFqarn0014f::TFqarn0014f(QWidget *owner) : TFLumoMasterDettaglio(owner), ui(new Ui::Qarn0014f)
{
    SetupLayout(*ui);
    TDMIBase::Crea();

    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_ListTraT"));
    tMain->SetUsaDizionario(true);
    tMain->SetIndexFieldNames(QStringLiteral("IdListTra"));
    DSMain->SetDataSet(tMain);
    CampiChiaveTesta = QStringLiteral("KListTraT");
    CampiCodiceTesta = QStringLiteral("IdListTra");
    tMain->AddLookupField(QStringLiteral("SiglaDivisa"), ftString, 5, DMIBase->lkDivise, QStringLiteral("IdDivisa"),
                          QStringLiteral("IdDivisa"), QStringLiteral("SiglaDivisa"));
    tMain->OnNewRecord = [this](TDataSet *d) { tMainNewRecord(d); };

    lkSpedizionieri = Lookup(this, QStringLiteral("lkSpedizionieri"), QStringLiteral("Spedizionieri"));
    lkZone = Lookup(this, QStringLiteral("lkZone"), QStringLiteral("Zone"));
    lkCategorie = Lookup(this, QStringLiteral("lkCategorie"), QStringLiteral("CategorieMerc"));

    bDettaglio = AggiungiBuffer(
        {QStringLiteral("TTDettaglio"), QStringLiteral("qDettaglio"), QStringLiteral("TRSDettaglio"),
         QStringLiteral("DSDettaglio"), QStringLiteral("LUMO_t_ListTraD"), QStringLiteral("LUMO_ListTraD"),
         QStringLiteral("KListTraT;KListTraD"), QStringLiteral("KListTraT = 0"),
         QStringLiteral("KListTraT;IdSpedizione;IdZona;IdContoTp;IdConto;IdDestinazione;FlTipoGest")});
    qDettaglio = bDettaglio->qDettaglio;
    TTDettaglio = bDettaglio->TTBuffer;
    TRSDettaglio = bDettaglio->TRSArchivio;
    DSDettaglio = bDettaglio->DSDettaglio;
    bDettaglio->CampoFuoco = QStringLiteral("IdSpedizione");
    bDettaglio->PannelloRiga = ui->pnRiga;
    for (TDataSet *ds : {static_cast<TDataSet *>(qDettaglio), static_cast<TDataSet *>(TTDettaglio)}) {
        // the account's name always from the customers
        ds->AddLookupField(QStringLiteral("RagioneSociale"), ftString, 40, DMIBase->lkClienti,
                           QStringLiteral("IdConto"), QStringLiteral("IdConto"), QStringLiteral("RagioneSociale"));
        ds->AddCalcField(QStringLiteral("_RagSocDest"), ftString, 40);
    }
    TTDettaglio->OnNewRecord = [this](TDataSet *d) { TTDettaglioNewRecord(d); };
    TTDettaglio->BeforePost = [this](TDataSet *d) { TTDettaglioBeforePost(d); };
    TTDettaglio->BeforeDelete = [this](TDataSet *d) { TTDettaglioBeforeDelete(d); };
    TTDettaglio->AfterScroll = [this](TDataSet *d) { TTDettaglioAfterScroll(d); };

    bListTraR =
        AggiungiBuffer({QStringLiteral("TTListTraR"), QStringLiteral("qListTraR"), QStringLiteral("TRSListTraR"),
                        QStringLiteral("DSListTraR"), QStringLiteral("LUMO_t_ListTraR"),
                        QStringLiteral("LUMO_ListTraR"), QStringLiteral("KListTraT;KListTraR"),
                        QStringLiteral("KListTraT = 0"), QStringLiteral("KListTraT;IdCategoria;IdProdotto;FlTipoPrz")});
    qListTraR = bListTraR->qDettaglio;
    TTListTraR = bListTraR->TTBuffer;
    TRSListTraR = bListTraR->TRSArchivio;
    DSListTraR = bListTraR->DSDettaglio;
    bListTraR->CampoFuoco = QStringLiteral("IdCategoria");
    bListTraR->PannelloRiga = ui->pnRigaR;
    for (TDataSet *ds : {static_cast<TDataSet *>(qListTraR), static_cast<TDataSet *>(TTListTraR)}) {
        ds->AddLookupField(QStringLiteral("DsProdotto"), ftString, 40, DMIBase->lkArticoli,
                           QStringLiteral("IdProdotto"), QStringLiteral("IdProdotto"), QStringLiteral("DsProdotto"));
        ds->AddLookupField(QStringLiteral("DsCategoria"), ftString, 40, lkCategorie, QStringLiteral("IdCategoria"),
                           QStringLiteral("IdCategoria"), QStringLiteral("DsCategoria"));
    }
    TTListTraR->OnNewRecord = [this](TDataSet *d) { TTListTraRNewRecord(d); };
    TTListTraR->BeforePost = [this](TDataSet *d) { TTListTraRBeforePost(d); };
    TTListTraR->BeforeDelete = [this](TDataSet *d) { TTListTraRBeforeDelete(d); };

    ui->edIdConto->OnFiltroRicerca = [this](TDBCodeEdit *e, QString &filtro) { edIdContoRicerca(e, filtro); };
    ui->edIdDestinazione->OnFiltroRicerca = [this](TDBCodeEdit *e, QString &filtro) {
        edIdDestinazioneRicerca(e, filtro);
    };

    Griglia(ui->GrigliaDettaglio);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdSpedizione"), QStringLiteral("Cd.Sped."), 60);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdZona"), QStringLiteral("Zona"), 50);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdConto"), QStringLiteral("Cod.Cli"), 70);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("RagioneSociale"), QStringLiteral("Ragione Sociale"), 182);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdDestinazione"), QStringLiteral("Des.D."), 50);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("FlTipoGest"), QStringLiteral("T.G."), 40);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("SpeseTrasporto"), QStringLiteral("Spese Trasp."), 80);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("PercSpesa"), QStringLiteral("% Spesa"), 60);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("_RagSocDest"), QStringLiteral("Ragione Sociale Destinatario"), 180);
    Griglia(ui->GrigliaListTraR);
    ui->GrigliaListTraR->AddColumn(QStringLiteral("IdCategoria"), QStringLiteral("Cat.Merc."), 70);
    ui->GrigliaListTraR->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Cod.Articolo"), 130);
    ui->GrigliaListTraR->AddColumn(QStringLiteral("DsProdotto"), QStringLiteral("Descrizione"), 240);
    ui->GrigliaListTraR->AddColumn(QStringLiteral("FlTipoPrz"), QStringLiteral("T.P."), 40);
    ui->GrigliaListTraR->AddColumn(QStringLiteral("Prezzo"), QString(), 100);
}

TFqarn0014f::~TFqarn0014f()
{
    delete ui;
}

bool TFqarn0014f::InCopiaDatiR() const
{
    return bListTraR->InCopiaDati;
}

void TFqarn0014f::FormCreate()
{
    TFLumoMasterDettaglio::FormCreate();
    ui->pcDettaglio->SetActivePage(ui->tsRiferimenti);
    // the buffers' fields, made by a first opening, stay for the window's life
    Funzioni::CheckTabOpen(tMain);
    TTDettaglio->Open();
    TTListTraR->Open();
    tMain->FieldByName(QStringLiteral("IdDivisa"))->OnValidate = [this](TField *f) { tMainIdDivisaValidate(f); };
    const auto valida = [this](const char *campo, void (TFqarn0014f::*handler)(TField *)) {
        TTDettaglio->FieldByName(QLatin1String(campo))->OnValidate = [this, handler](TField *f) {
            if (!bDettaglio->InCopiaDati)
                (this->*handler)(f);
        };
    };
    valida("IdSpedizione", &TFqarn0014f::TTDettaglioIdSpedizioneValidate);
    valida("IdZona", &TFqarn0014f::TTDettaglioIdZonaValidate);
    valida("IdConto", &TFqarn0014f::TTDettaglioIdContoValidate);
    valida("IdDestinazione", &TFqarn0014f::TTDettaglioIdDestinazioneValidate);
    valida("FlTipoGest", &TFqarn0014f::TTDettaglioFlTipoGestValidate);
    TTDettaglio->FieldByName(QStringLiteral("FlTipoGest"))->OnChange = [this](TField *) { SettaRigaRiferimenti(); };
    TTListTraR->FieldByName(QStringLiteral("IdProdotto"))->OnValidate = [this](TField *f) {
        if (!InCopiaDatiR())
            TTListTraRIdProdottoValidate(f);
    };
    TTListTraR->FieldByName(QStringLiteral("IdCategoria"))->OnValidate = [this](TField *f) {
        if (!InCopiaDatiR())
            TTListTraRIdCategoriaValidate(f);
    };
    TTDettaglio->Close();
    TTListTraR->Close();
    SettaRigaRiferimenti();
}

void TFqarn0014f::FormClose(TCloseAction &action)
{
    TFLumoMasterDettaglio::FormClose(action);
    if (Fqarn0014f == this)
        Fqarn0014f = nullptr;
}

bool TFqarn0014f::InizializzaDati(int chiave)
{
    const bool caricati = TFLumoMasterDettaglio::InizializzaDati(chiave);
    // the grid's switch to the buffer enables every row control again
    SettaRigaRiferimenti();
    return caricati;
}

void TFqarn0014f::FuocoCodiceTesta()
{
    if (tMain->Active())
        tMain->FieldByName(QStringLiteral("IdListTra"))->FocusControl();
}

bool TFqarn0014f::ControlliRegistrazione()
{
    return TipoOperazione == 2
           || Funzioni::ControllaPeriodo(tMain->FieldByName(QStringLiteral("DataInizio"))->AsDateTime(),
                                         tMain->FieldByName(QStringLiteral("DataFine"))->AsDateTime(),
                                         ui->edDataInizio);
}

void TFqarn0014f::tMainNewRecord(TDataSet *)
{
    tMain->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(CFG.IdDivisa);
    tMain->FieldByName(QStringLiteral("IdListTra"))->FocusControl();
    ui->pcDettaglio->SetActivePage(ui->tsRiferimenti);
}

void TFqarn0014f::tMainIdDivisaValidate(TField *Sender)
{
    if (Sender->AsString().isEmpty()
        || !Lumo_anagrafiche::CodiceEsiste(DMIBase->lkDivise, QStringLiteral("IdDivisa"), Sender->AsString()))
        throw Exception(QStringLiteral("Codice Divisa non Valido"));
}

// ---- reference rows

void TFqarn0014f::TTDettaglioNewRecord(TDataSet *)
{
    if (bDettaglio->NuovaRiga())
        SettaRigaRiferimenti();
}

void TFqarn0014f::TTDettaglioBeforePost(TDataSet *)
{
    // the row checks run on loaded rows too
    const bool zona = !TTDettaglio->FieldByName(QStringLiteral("IdZona"))->AsString().isEmpty();
    const bool conto = !TTDettaglio->FieldByName(QStringLiteral("IdConto"))->AsString().isEmpty();
    const bool spedizione = !TTDettaglio->FieldByName(QStringLiteral("IdSpedizione"))->AsString().isEmpty();
    if (zona && conto)
        throw Exception(QStringLiteral("Incoerenza nei dati - togliere codice zona o codice cliente"));
    if (TTDettaglio->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger() != 0 && !conto)
        throw Exception(QStringLiteral("Codice destinatario senza codice cliente"));
    if (!zona && !conto && !spedizione)
        throw Exception(QStringLiteral("Specificare una zona o uno spedizioniere o un cliente !"));
    bDettaglio->PrimaDelPost();
}

void TFqarn0014f::TTDettaglioBeforeDelete(TDataSet *)
{
    bDettaglio->PrimaDellaCancellazione();
}

void TFqarn0014f::TTDettaglioAfterScroll(TDataSet *)
{
    if (!bDettaglio->InCopiaDati)
        SettaRigaRiferimenti();
}

void TFqarn0014f::SettaRigaRiferimenti()
{
    const bool attivi =
        TTDettaglio->Active() && TTDettaglio->FieldByName(QStringLiteral("FlTipoGest"))->AsInteger() == 1;
    ui->edSpeseTrasporto->setEnabled(attivi);
    ui->edPercSpesa->setEnabled(attivi);
}

void TFqarn0014f::TTDettaglioIdSpedizioneValidate(TField *Sender)
{
    if (!Sender->AsString().isEmpty()
        && !Lumo_anagrafiche::CodiceEsiste(lkSpedizionieri, QStringLiteral("IdSpedizione"), Sender->AsString()))
        throw Exception(QStringLiteral("Codice Spedizioniere non valido"));
}

void TFqarn0014f::TTDettaglioIdZonaValidate(TField *Sender)
{
    if (!Sender->AsString().isEmpty()
        && !Lumo_anagrafiche::CodiceEsiste(lkZone, QStringLiteral("IdZona"), Sender->AsString()))
        throw Exception(QStringLiteral("Codice Zona non valido"));
}

void TFqarn0014f::TTDettaglioIdContoValidate(TField *Sender)
{
    const QString conto = Sender->AsString();
    if (conto.isEmpty())
        return;
    const QString tipo = TTDettaglio->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    const QString chiave = QStringLiteral("IdContoTp;IdConto");
    if (tipo == QLatin1String("CL") && !TDMIBase::Posiziona(DMIBase->lkClienti, chiave, {tipo, conto}))
        throw Exception(QStringLiteral("Codice Cliente non Valido !"));
    if (tipo == QLatin1String("FO") && !TDMIBase::Posiziona(DMIBase->lkFornitori, chiave, {tipo, conto}))
        throw Exception(QStringLiteral("Codice Fornitore non Valido !"));
}

void TFqarn0014f::TTDettaglioIdDestinazioneValidate(TField *Sender)
{
    const int destinazione = Sender->AsInteger();
    const QString conto = TTDettaglio->FieldByName(QStringLiteral("IdConto"))->AsString();
    if (destinazione == 0 || conto.isEmpty())
        return;
    const QString tipo = TTDettaglio->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    if (!TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                             {tipo, conto, destinazione}))
        throw Exception(QStringLiteral("Codice Destinatrio non valido"));
}

void TFqarn0014f::TTDettaglioFlTipoGestValidate(TField *Sender)
{
    if (Sender->AsInteger() == 0 && InModifica(TTDettaglio)) {
        TTDettaglio->FieldByName(QStringLiteral("SpeseTrasporto"))->SetAsFloat(0);
        TTDettaglio->FieldByName(QStringLiteral("PercSpesa"))->SetAsFloat(0);
    }
}

void TFqarn0014f::edIdContoRicerca(TDBCodeEdit *, QString &filtro)
{
    filtro = QStringLiteral("IdContoTp = ")
             + XWideQuotedStr(TTDettaglio->FieldByName(QStringLiteral("IdContoTp"))->AsString());
}

void TFqarn0014f::edIdDestinazioneRicerca(TDBCodeEdit *, QString &filtro)
{
    filtro = QStringLiteral("IdContoTp = ")
             + XWideQuotedStr(TTDettaglio->FieldByName(QStringLiteral("IdContoTp"))->AsString())
             + QStringLiteral(" AND IdConto = ")
             + XWideQuotedStr(TTDettaglio->FieldByName(QStringLiteral("IdConto"))->AsString());
}

// ---- article rows

void TFqarn0014f::TTListTraRNewRecord(TDataSet *)
{
    if (!bListTraR->NuovaRiga())
        return;
    TTListTraR->FieldByName(QStringLiteral("DataInizio"))
        ->SetValue(tMain->FieldByName(QStringLiteral("DataInizio"))->Value());
    TTListTraR->FieldByName(QStringLiteral("DataFine"))
        ->SetValue(tMain->FieldByName(QStringLiteral("DataFine"))->Value());
}

void TFqarn0014f::TTListTraRBeforePost(TDataSet *)
{
    if (TTListTraR->FieldByName(QStringLiteral("IdCategoria"))->AsString().isEmpty()
        && TTListTraR->FieldByName(QStringLiteral("IdProdotto"))->AsString().isEmpty())
        throw Exception(QStringLiteral("Specificare una categoria o un codice articolo "));
    if (!InCopiaDatiR()
        && Funzioni::PeriodoInvertito(TTListTraR->FieldByName(QStringLiteral("DataInizio"))->AsDateTime(),
                                      TTListTraR->FieldByName(QStringLiteral("DataFine"))->AsDateTime()))
        throw Exception(Funzioni::TestoPeriodoInvertito());
    bListTraR->PrimaDelPost();
}

void TFqarn0014f::TTListTraRBeforeDelete(TDataSet *)
{
    bListTraR->PrimaDellaCancellazione();
}

void TFqarn0014f::TTListTraRIdProdottoValidate(TField *Sender)
{
    if (!Sender->AsString().isEmpty()
        && !Lumo_anagrafiche::CodiceEsiste(DMIBase->lkArticoli, QStringLiteral("IdProdotto"), Sender->AsString()))
        throw Exception(QStringLiteral("Codice Articolo non Valido ! "));
}

void TFqarn0014f::TTListTraRIdCategoriaValidate(TField *Sender)
{
    if (!Sender->AsString().isEmpty()
        && !Lumo_anagrafiche::CodiceEsiste(lkCategorie, QStringLiteral("IdCategoria"), Sender->AsString()))
        throw Exception(QStringLiteral("Codice Categoria Merceologica non valida !"));
}
