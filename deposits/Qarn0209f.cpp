#include "deposits/Qarn0209f.h"

#include "ui_Qarn0209f.h"

#include "deposits/Lumo_cauzioni.h"
#include "deposits/Lumo_ricercamov.h"
#include "deposits/Qarn0209d.h"
#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QSqlQuery>

DUSARIA_FINESTRA(TFqarn0209f, Fqarn0209f);

TFqarn0209f::TFqarn0209f(QWidget *owner) : TFLumoMasterDettaglio(owner), ui(new Ui::Qarn0209f)
{
    SetupLayout(*ui);
    TDMIBase::Crea();

    tMain = new TXTable(this);
    tMain->SetName(QStringLiteral("tMain"));
    tMain->SetTableName(QStringLiteral("LUMO_MovResT"));
    tMain->SetUsaDizionario(true);
    tMain->AddCalcField(QStringLiteral("_DsConto"), ftString, 60);
    tMain->AddCalcField(QStringLiteral("_DsDestinazione"), ftString, 60);
    tMain->OnCalcFields = [this](TDataSet *d) { tMainCalcFields(d); };
    tMain->AfterOpen = [this](TDataSet *) {
        tMain->FieldByName(QStringLiteral("IdConto"))->OnValidate = [this](TField *f) { IdContoValidate(f); };
        tMain->FieldByName(QStringLiteral("IdDestinazione"))->OnValidate = [this](TField *f) {
            IdDestinazioneValidate(f);
        };
        // written only by the documents that take the return
        tMain->FieldByName(QStringLiteral("FlTipoDocColl"))->SetReadOnly(true);
        tMain->FieldByName(QStringLiteral("KDocT"))->SetReadOnly(true);
    };
    DSMain->SetDataSet(tMain);
    CampiChiaveTesta = QStringLiteral("KMovResT");

    AggiungiRigheImballi(this, QStringLiteral("LUMO_t_MovResR"), QStringLiteral("LUMO_MovResR"),
                         QStringLiteral("KMovResT;KMovResR"), QStringLiteral("KMovResT = -1"),
                         QStringLiteral("IdImballo"), ui->pnRiga);
    TTDettaglio->AfterOpen = [this](TDataSet *) {
        TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->OnValidate = [this](TField *f) { IdImballoValidate(f); };
    };

    ui->GrigliaDettaglio->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                                     | dgAlwaysShowSelection);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("IdImballo"), QStringLiteral("Cod. Imballo"), 80);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("_DsImballo"), QStringLiteral("Descrizione"), 240);
    ui->GrigliaDettaglio->AddColumn(QStringLiteral("QtaRes"), QStringLiteral("Qtà Resa"), 100);
    // the searches list the customers of the head's type and the customer's destinations
    ui->edIdConto->OnFiltroRicerca = [this](TDBCodeEdit *, QString &filtro) {
        filtro =
            CAUZ_FiltroConti(tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(), QStringLiteral("Clienti"));
    };
    ui->edIdDestinazione->OnFiltroRicerca = [this](TDBCodeEdit *, QString &filtro) {
        filtro = CAUZ_FiltroDestinazioni(tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(),
                                         tMain->FieldByName(QStringLiteral("IdConto"))->AsString());
    };
}

TFqarn0209f::~TFqarn0209f()
{
    delete ui;
}

void TFqarn0209f::FormCreate()
{
    TFLumoMasterDettaglio::FormCreate();
    LockWindowUpdate(this);
    try {
        // no return shown until one is searched
        TDMIBbas::Crea()->ApriTabella(tMain, QStringLiteral("KMovResT = -1"), QStringLiteral("DataReg DESC"));
        tMain->Last();
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtError, mbOK, 0);
    }
    LockWindowUpdate(nullptr);
}

void TFqarn0209f::FormClose(TCloseAction &action)
{
    TFLumoMasterDettaglio::FormClose(action);
    if (Fqarn0209f == this)
        Fqarn0209f = nullptr;
}

void TFqarn0209f::XFormXRicerca()
{
    if (tMain->State() != dsBrowse)
        return;
    LUMO_RicercaMovimento(ClassRef::Of<TFQarn0209d>(), this, tMain, QStringLiteral("KMovResT"));
}

void TFqarn0209f::tMainCalcFields(TDataSet *)
{
    const QString tipo = tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    const QString conto = tMain->FieldByName(QStringLiteral("IdConto"))->AsString();
    const int destinazione = tMain->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
    QString nome;
    if (tipo == QLatin1String("CL") && !conto.isEmpty()
        && TDMIBase::Posiziona(DMIBase->lkClienti, QStringLiteral("IdContoTp;IdConto"), {tipo, conto}, false))
        nome = DMIBase->lkClienti->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    tMain->FieldByName(QStringLiteral("_DsConto"))->SetAsString(nome);
    QString destinatario;
    if (destinazione != 0
        && TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                               {tipo, conto, destinazione}, false))
        destinatario = DMIBase->lkDestinazioni->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    tMain->FieldByName(QStringLiteral("_DsDestinazione"))->SetAsString(destinatario);
}

namespace {

const QString TestoConto = QStringLiteral("Specificare un codice cliente");

} // namespace

void TFqarn0209f::IdContoValidate(TField *Sender)
{
    const QString conto = Sender->AsString();
    if (conto.isEmpty())
        throw Exception(TestoConto);
    const QString tipo = tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    if (tipo != QLatin1String("CL"))
        return;
    if (!TDMIBase::Posiziona(DMIBase->lkClienti, QStringLiteral("IdContoTp;IdConto"), {tipo, conto}))
        throw Exception(QStringLiteral("Codice Cliente non Valido"));
    if (DMIBase->lkClienti->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() == 0)
        throw Exception(QStringLiteral("Cliente non abilitato alla gestione cauzioni"));
}

void TFqarn0209f::IdDestinazioneValidate(TField *Sender)
{
    const int destinazione = Sender->AsInteger();
    if (destinazione == 0)
        return;
    const QVariantList chiave{tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(),
                              tMain->FieldByName(QStringLiteral("IdConto"))->AsString(), destinazione};
    if (!TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"), chiave))
        throw Exception(QStringLiteral("Codice Destinatario non valido"));
}

void TFqarn0209f::TTDettaglioNewRecord(TDataSet *)
{
    bDettaglio->NuovaRiga();
}

void TFqarn0209f::TTDettaglioBeforePost(TDataSet *)
{
    if (!bDettaglio->InCopiaDati && TTDettaglio->FieldByName(QStringLiteral("IdImballo"))->AsString().isEmpty()
        && TTDettaglio->FieldByName(QStringLiteral("QtaRes"))->AsFloat() != 0)
        throw Exception(QStringLiteral("Codice Imballo/Cauzione non valido"));
    bDettaglio->PrimaDelPost();
}

void TFqarn0209f::TTDettaglioBeforeDelete(TDataSet *)
{
    bDettaglio->PrimaDellaCancellazione();
}

void TFqarn0209f::IdImballoValidate(TField *Sender)
{
    if (!TDMIBase::Posiziona(DMIBase->lkImballi, QStringLiteral("IdImballo"), {Sender->AsString()}))
        throw Exception(QStringLiteral("Codice Imballo/Cauzione non valido"));
}

bool TFqarn0209f::ControlliRegistrazione()
{
    return ContoImpostato(*this, TestoConto);
}

void TFqarn0209f::PrimaDelleRighe()
{
    if (TipoOperazione != 2)
        return;
    // the link as stored now: a document saved since the return was loaded may have taken it
    QSqlQuery q =
        tMain->Database().OpenQuery(QStringLiteral("SELECT FlTipoDocColl, KDocT FROM LUMO_MovResT WHERE KMovResT = ?"),
                                    {tMain->FieldByName(QStringLiteral("KMovResT"))->AsLargeInt()});
    if (q.next() && (q.value(0).toInt() != 0 || q.value(1).toLongLong() != 0))
        throw Exception(QStringLiteral("Attenzione movimento collegato ad un documento! - operazione non consentita"));
}

void TFqarn0209f::FuocoCodiceTesta()
{
    if (tMain->Active())
        tMain->FieldByName(QStringLiteral("DataReg"))->FocusControl();
}
