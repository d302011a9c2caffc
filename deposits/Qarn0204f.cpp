#include "deposits/Qarn0204f.h"

#include "ui_Qarn0204f.h"

#include "deposits/Lumo_cauzioni.h"
#include "deposits/Lumo_ricercamov.h"
#include "deposits/Qarn0204d.h"
#include "frame/Dmilumo.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_funzioni.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/business/Funzionibase.h"
#include "host/core/Applvar.h"
#include "host/core/KFormati.h"
#include "host/data/Concurrency.h"
#include "host/data/DatasetFunctions.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

DUSARIA_FINESTRA(TFqarn0204f, Fqarn0204f);

namespace {

const QString TestoImballo = QStringLiteral("Codice Imballo/Cauzione non valido");
const QString TestoConto = QStringLiteral("Specificare un codice cliente o fornitore");

} // namespace

TFqarn0204f::TFqarn0204f(QWidget *owner) : TFLumoMasterDettaglio(owner), ui(new Ui::Qarn0204f)
{
    SetupLayout(*ui);
    TDMIBase *base = TDMIBase::Crea();
    TDMILUMO::Crea();

    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_MovCauT"));
    tMain->SetUsaDizionario(true);
    tMain->AddCalcField(QStringLiteral("_DsConto"), ftString, 60);
    tMain->AddCalcField(QStringLiteral("_DsDestinazione"), ftString, 60);
    tMain->AddLookupField(QStringLiteral("_DsListino"), ftString, 40, base->TipiListino, QStringLiteral("IdListino"),
                          QStringLiteral("IdListino"), QStringLiteral("DsListino"));
    tMain->OnNewRecord = [this](TDataSet *d) { tMainNewRecord(d); };
    tMain->OnCalcFields = [this](TDataSet *d) { tMainCalcFields(d); };
    tMain->AfterOpen = [this](TDataSet *) {
        tMain->FieldByName(QStringLiteral("IdConto"))->OnValidate = [this](TField *f) { IdContoValidate(f); };
        tMain->FieldByName(QStringLiteral("IdDestinazione"))->OnValidate = [this](TField *f) {
            IdDestinazioneValidate(f);
        };
        tMain->FieldByName(QStringLiteral("IdListino"))->OnValidate = [this](TField *f) { IdListinoValidate(f); };
        TField *divisa = tMain->FieldByName(QStringLiteral("IdDivisa"));
        divisa->OnValidate = [](TField *f) {
            if (!f->AsString().isEmpty() && !Funzioni::TestDivisa(f->AsString()))
                throw Exception(QStringLiteral("Divisa non esistente"));
        };
        divisa->OnChange = [this](TField *f) { IdDivisaChange(f); };
    };
    DSMain->SetDataSet(tMain);
    CampiChiaveTesta = QStringLiteral("KContaT");

    AggiungiRigheImballi(this, QStringLiteral("LUMO_t_MovCauR"), QStringLiteral("LUMO_MovCauR"),
                         QStringLiteral("KContaT;KContaR"), QStringLiteral("KContaT = -1"), QStringLiteral("KContaR"),
                         ui->pnRiga);
    TTDettaglio->AfterOpen = [this](TDataSet *) {
        TField *imballo = TTDettaglio->FieldByName(QStringLiteral("IdImballo"));
        imballo->OnValidate = [this](TField *f) { IdImballoValidate(f); };
        imballo->OnChange = [this](TField *f) { IdImballoChange(f); };
        for (const char *campo : {"QtaCar", "QtaRes", "Prezzo"})
            TTDettaglio->FieldByName(QLatin1String(campo))->OnChange = [this](TField *) {
                if (!bDettaglio->InCopiaDati)
                    CalcolaValore();
            };
    };

    ui->GrigliaDettaglio->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                                     | dgAlwaysShowSelection);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cod."), 60);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("_DsImballo"), QStringLiteral("Descrizione"), 230);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("QtaCar"), QStringLiteral("Qtà Carico"), 90);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("QtaRes"), QStringLiteral("Qtà Resa"), 90);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("Prezzo"), QStringLiteral("Prezzo"), 90);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ValoreCar"), QStringLiteral("Valore Totale"), 100);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("ValoreRes"), QStringLiteral("Valore Reso"), 100);
    ui->edValoreCar->SetReadOnly(true);
    ui->edValoreRes->SetReadOnly(true);
    // the searches list the accounts of the head's type and the account's destinations
    ui->edIdConto->OnFiltroRicerca = [this](TDBCodeEdit *, QString &filtro) {
        filtro = CAUZ_FiltroConti(tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString());
    };
    ui->edIdDestinazione->OnFiltroRicerca = [this](TDBCodeEdit *, QString &filtro) {
        filtro = CAUZ_FiltroDestinazioni(tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(),
                                         tMain->FieldByName(QStringLiteral("IdConto"))->AsString());
    };
}

TFqarn0204f::~TFqarn0204f()
{
    delete ui;
}

void TFqarn0204f::FormCreate()
{
    TFLumoMasterDettaglio::FormCreate();
    ui->pcPagine->SetActivePageIndex(0);
    LockWindowUpdate(this);
    try {
        // no movement shown until one is searched
        TDMIBbas::Crea()->ApriTabella(tMain, QStringLiteral("KContaT = -1"), QStringLiteral("DataReg DESC"));
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtError, mbOK, 0);
    }
    LockWindowUpdate(nullptr);
    CampiCollegamento();
}

void TFqarn0204f::FormClose(TCloseAction &action)
{
    TFLumoMasterDettaglio::FormClose(action);
    if (Fqarn0204f == this)
        Fqarn0204f = nullptr;
}

void TFqarn0204f::DSMainDataChange(TDataSource *source, TField *field)
{
    TFLumoMasterDettaglio::DSMainDataChange(source, field);
    if (!field || field->FieldName().compare(QLatin1String("FlTipoDocColl"), Qt::CaseInsensitive) == 0)
        CampiCollegamento();
}

void TFqarn0204f::DSMainStateChange(TDataSource *source)
{
    TFLumoMasterDettaglio::DSMainStateChange(source);
    CampiCollegamento(); // the head table opened again on a search
}

void TFqarn0204f::DSMainNavClick(TNavigateBtn button, bool &doDefault)
{
    if ((button == nbEdit || button == nbDelete) && tMain->State() == dsBrowse && !tMain->IsEmpty() && DiDocumento()) {
        doDefault = false;
        Kmessages::KMessage(QStringLiteral("Movimento generato da un documento: modificarlo dal documento"), mtWarning,
                            mbOK, 0);
        return;
    }
    TFLumoMasterDettaglio::DSMainNavClick(button, doDefault);
}

bool TFqarn0204f::DiDocumento() const
{
    return tMain->FieldByName(QStringLiteral("FlTipoDocColl"))->AsInteger() != 0
           || tMain->FieldByName(QStringLiteral("KDocT"))->AsLargeInt() != 0;
}

void TFqarn0204f::CampiCollegamento()
{
    if (!tMain->Active())
        return;
    const bool documento = tMain->State() != dsInsert && !tMain->IsEmpty() && DiDocumento();
    const QList<TField *> chiave = tMain->GetFieldList(CampiChiaveTesta);
    for (TField *f : tMain->FieldList())
        if (f->FieldKind() == fkData && !chiave.contains(f))
            f->SetReadOnly(documento);
    if (!documento)
        for (TField *f : tMain->GetFieldList(QStringLiteral("FlTipoDocColl;KDocT;Anno;Serie;Numero;DataDoc;IdCausale")))
            f->SetReadOnly(true);
}

void TFqarn0204f::tMainNewRecord(TDataSet *)
{
    tMain->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(CFG.IdDivisa);
    tMain->FieldByName(QStringLiteral("FlAggCau"))->SetAsInteger(1);
    ui->pcPagine->SetActivePageIndex(0);
}

void TFqarn0204f::tMainCalcFields(TDataSet *)
{
    const QString tipo = tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    const QString conto = tMain->FieldByName(QStringLiteral("IdConto"))->AsString();
    const int destinazione = tMain->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
    QString nome;
    TXlkTable *anagrafica = tipo == QLatin1String("FO") ? DMIBase->lkFornitori : DMIBase->lkClienti;
    if (!conto.isEmpty() && (tipo == QLatin1String("CL") || tipo == QLatin1String("FO"))
        && TDMIBase::Posiziona(anagrafica, QStringLiteral("IdContoTp;IdConto"), {tipo, conto}, false))
        nome = anagrafica->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    tMain->FieldByName(QStringLiteral("_DsConto"))->SetAsString(nome);
    QString destinatario;
    if (destinazione != 0
        && TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                               {tipo, conto, destinazione}, false))
        destinatario = DMIBase->lkDestinazioni->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    tMain->FieldByName(QStringLiteral("_DsDestinazione"))->SetAsString(destinatario);
}

void TFqarn0204f::IdContoValidate(TField *Sender)
{
    CAUZ_ControllaConto(tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(), Sender->AsString());
}

void TFqarn0204f::IdDestinazioneValidate(TField *Sender)
{
    CAUZ_ControllaDestinazione(tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(),
                               tMain->FieldByName(QStringLiteral("IdConto"))->AsString(), Sender->AsInteger());
}

void TFqarn0204f::IdListinoValidate(TField *Sender)
{
    if (!Sender->AsString().isEmpty()
        && !TDMIBase::Posiziona(DMIBase->TipiListino, QStringLiteral("IdListino"), {Sender->AsString()}))
        throw Exception(QStringLiteral("Codice listino non trovato"));
}

void TFqarn0204f::IdDivisaChange(TField *Sender)
{
    const QString divisa = Sender->AsString();
    if (divisa.isEmpty() || !TDMIBase::Posiziona(DMIBase->lkDivise, QStringLiteral("IdDivisa"), {divisa}))
        return;
    const bool ue = DMIBase->lkDivise->FieldByName(QStringLiteral("FlMonetaUE"))->AsInteger() == 1;
    double cambio = 1;
    if (!Funzioni::MonetaConto(divisa)) {
        try {
            cambio = Funzioni::GetCambioEURO(divisa, tMain->FieldByName(QStringLiteral("DataReg"))->AsDateTime());
        } catch (const std::exception &e) {
            Kmessages::KMessage(Kmessages::ExceptionText(e), mtInformation, mbOK, 0);
            cambio = 0;
        }
    }
    if (tMain->State() == dsBrowse)
        tMain->Edit();
    tMain->FieldByName(QStringLiteral("Cambio"))->SetAsFloat(cambio);
    ui->edCambio->SetReadOnly(ue || Funzioni::MonetaConto(divisa));
}

void TFqarn0204f::TTDettaglioNewRecord(TDataSet *)
{
    bDettaglio->NuovaRiga();
}

void TFqarn0204f::TTDettaglioBeforePost(TDataSet *)
{
    if (!bDettaglio->InCopiaDati && TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->AsString().isEmpty()
        && (TTDettaglio->FieldByName(QStringLiteral("QtaCar"))->AsFloat() != 0
            || TTDettaglio->FieldByName(QStringLiteral("QtaRes"))->AsFloat() != 0))
        throw Exception(TestoImballo);
    bDettaglio->PrimaDelPost();
}

void TFqarn0204f::TTDettaglioBeforeDelete(TDataSet *)
{
    bDettaglio->PrimaDellaCancellazione();
}

void TFqarn0204f::IdImballoValidate(TField *Sender)
{
    if (!Sender->AsString().isEmpty()
        && !TDMIBase::Posiziona(DMIBase->lkImballi, QStringLiteral("IdImballo"), {Sender->AsString()}))
        throw Exception(TestoImballo);
}

void TFqarn0204f::IdImballoChange(TField *Sender)
{
    if (bDettaglio->InCopiaDati)
        return;
    TTDettaglio->FieldByName(QStringLiteral("Prezzo"))
        ->SetAsFloat(UT_LMQ_CAUZ_PrezzoCauzione(tMain->FieldByName(QStringLiteral("IdListino"))->AsString(),
                                                tMain->FieldByName(QStringLiteral("IdDivisa"))->AsString(),
                                                Sender->AsString()));
}

void TFqarn0204f::CalcolaValore()
{
    const int decimali = KFormati::GetDecimali(KFormati::fnValoreIT);
    const double prezzo = TTDettaglio->FieldByName(QStringLiteral("Prezzo"))->AsFloat();
    TTDettaglio->FieldByName(QStringLiteral("ValoreCar"))
        ->SetAsFloat(
            UT_LMQ_CAUZ_CalcValCau(TTDettaglio->FieldByName(QStringLiteral("QtaCar"))->AsFloat(), prezzo, decimali));
    TTDettaglio->FieldByName(QStringLiteral("ValoreRes"))
        ->SetAsFloat(
            UT_LMQ_CAUZ_CalcValCau(TTDettaglio->FieldByName(QStringLiteral("QtaRes"))->AsFloat(), prezzo, decimali));
}

bool TFqarn0204f::ControlliRegistrazione()
{
    return ContoImpostato(*this, TestoConto);
}

bool TFqarn0204f::SalvataggioDati()
{
    const bool riuscito = TFLumoMasterDettaglio::SalvataggioDati();
    if (!riuscito)
        DMILUMO->TRS_ProgCauz->Close(); // nothing held of a save that was not stored
    return riuscito;
}

void TFqarn0204f::PerOgniRiga(const std::function<void(int, qint64)> &passo)
{
    TXTable *t = TTDettaglio;
    if (t->Filtered()) {
        t->Close();
        t->SetFiltered(false); // the deleted rows too
        t->Open();
    }
    TField *stato = t->FieldByName(QStringLiteral("Stato"));
    TField *caricata = t->FieldByName(QStringLiteral("KContaROri"));
    t->DisableControls();
    try {
        for (t->First(); !t->Eof(); t->Next())
            passo(stato->AsInteger(), caricata->AsLargeInt());
    } catch (...) {
        t->EnableControls();
        throw;
    }
    t->EnableControls();
}

void TFqarn0204f::PrimaDelleRighe()
{
    // what the movement booked, as stored now: another user's changes since the load count
    registratoEsiste_ = CAUZ_LeggiMovimento(tMain->FieldByName(QStringLiteral("KContaT"))->AsLargeInt(), registrato_);
    tutteLeRighe_ = false;
    if (!registratoEsiste_)
        return;
    // a deleted movement, or one whose head moved its rows elsewhere: every stored row is
    // taken back under the stored head, and every remaining row booked under the new one
    tutteLeRighe_ = TipoOperazione == 2 || !(registrato_.Testa == TLumoTestaCauzioni::Da(tMain));
    if (tutteLeRighe_) {
        for (const TLumoRigaCauzioni &riga : std::as_const(registrato_.Righe))
            CAUZ_MuoviSchede(registrato_.Testa, riga, -1);
        return;
    }
    PerOgniRiga([this](int stato, qint64 caricata) {
        if (stato != srModificata && stato != srCancellata)
            return;
        const auto it = registrato_.Righe.constFind(caricata);
        if (it != registrato_.Righe.cend())
            CAUZ_MuoviSchede(registrato_.Testa, *it, -1);
    });
}

void TFqarn0204f::DopoLeRighe()
{
    if (TipoOperazione != 2) {
        const TLumoTestaCauzioni testa = TLumoTestaCauzioni::Da(tMain);
        PerOgniRiga([&](int stato, qint64 caricata) {
            if (stato == srModificata || stato == srNuova) {
                CAUZ_MuoviSchede(testa, TLumoRigaCauzioni::Da(TTDettaglio), 1);
            } else if (stato == srInvariata && tutteLeRighe_) {
                // the row as stored, not as loaded
                const auto it = registrato_.Righe.constFind(caricata);
                if (it != registrato_.Righe.cend())
                    CAUZ_MuoviSchede(testa, *it, 1);
            }
        });
    }
    // a card another user changed meanwhile fails the save while the movement is still open;
    // the cards written stay locked until the end
    DMILUMO->TRS_ProgCauz->FlushDeferred();
    kv8data::CheckPoint(QStringLiteral("schede"));
}

void TFqarn0204f::XFormXRicerca()
{
    if (tMain->State() != dsBrowse)
        return;
    LUMO_RicercaMovimento(ClassRef::Of<TFQarn0204d>(), this, tMain, QStringLiteral("KContaT"));
}
