#include "host/business/Sven0904f.h"

#include "ui_Sven0904f.h"

#include "host/business/Dmibase.h"
#include "host/business/Documento.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/core/KFormati.h"
#include "host/data/TDataSource.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QLabel>

#include <memory>

namespace {

TField *F(TDataSet *d, const char *nome)
{
    return d->FieldByName(QLatin1String(nome));
}

} // namespace

TfSVen0904f::TfSVen0904f(QWidget *owner) : TfdlgBase(owner), ui(new Ui::Sven0904f)
{
    SetupLayout(*ui);
    SetCaption(QStringLiteral("Dettaglio"));
    tDettaglio = new TXTable(this);
    tDettaglio->SetName(QStringLiteral("tDettaglio"));
    tDettaglio->SetDatabaseName(QStringLiteral("LocalDatabase"));
    tDettaglio->SetTableName(QStringLiteral("t_DettQtaDoc"));
    tDettaglio->SetTabellaOrigine(QStringLiteral("DettQtaDoc"));
    tDettaglio->SetUsaDizionario(true);
    tDettaglio->SetIndexFieldNames(QStringLiteral("Contatore"));
    DSDettaglio = new TDataSource(this);
    DSDettaglio->SetName(QStringLiteral("DSDettaglio"));
    DSDettaglio->SetDataSet(tDettaglio);
    gDettaglio = ui->gDettaglio;
    gDettaglio->AddColumn(QStringLiteral("IdVariante"), QStringLiteral("Variante"), 90);
    gDettaglio->AddColumn(QStringLiteral("IdLotto"), QStringLiteral("Lotto"), 110);
    gDettaglio->AddColumn(QStringLiteral("Quantita"), QStringLiteral("Quantità"), 90);
}

TfSVen0904f::~TfSVen0904f()
{
    delete ui;
}

void TfSVen0904f::FormCreate()
{
    TfdlgBase::FormCreate();
    // the details of the rows live as long as the program: made once
    if (!tDettaglio->Database().TableExists(tDettaglio->TableName()))
        tDettaglio->CreaTabella();
    tDettaglio->AfterPost = [this](TDataSet *) { MostraTotale(); };
    tDettaglio->AfterDelete = [this](TDataSet *) { MostraTotale(); };
}

bool TfSVen0904f::ApriDettaglio(TFDocumento *documento)
{
    Documento = documento;
    DoCreate();
    TDataSet *righe = documento->TRighe;
    if (righe->IsEmpty())
        return false;
    CampoQuantita =
        righe->FindField(QStringLiteral("Quantita")) ? QStringLiteral("Quantita") : QStringLiteral("QuantitaOrd");
    KRigo = F(righe, "Contatore")->AsInteger();
    TipoDocumento = documento->TipoDoc().CodTipoDoc;
    ui->lbDsRigo->setText(F(righe, "IdProdotto")->AsString() + QStringLiteral(" ")
                          + F(righe, "Descrizione")->AsString());
    tDettaglio->Close();
    KFinestra = Sven0904f::ChiaveFinestra(documento);
    tDettaglio->SetFilter(QStringLiteral("FlTipoDocumento = %1 AND KTestaDoc = %2 AND KRigoDoc = %3 AND Stato < 3")
                              .arg(documento->TipoDoc().CodTipoDoc)
                              .arg(KFinestra)
                              .arg(KRigo));
    tDettaglio->SetFiltered(true);
    tDettaglio->Open();
    const int tipo = documento->TipoDoc().CodTipoDoc;
    const int finestra = KFinestra;
    const int rigo = KRigo;
    tDettaglio->OnNewRecord = [tipo, finestra, rigo](TDataSet *d) {
        F(d, "FlTipoDocumento")->SetAsInteger(tipo);
        F(d, "KTestaDoc")->SetAsInteger(finestra);
        F(d, "KRigoDoc")->SetAsInteger(rigo);
        F(d, "Stato")->SetAsInteger(2);
    };
    MostraTotale();
    return true;
}

double TfSVen0904f::TotaleDettaglio()
{
    return SommaDettaglio("Quantita");
}

double TfSVen0904f::TotaleSaldoDettaglio()
{
    return SommaDettaglio("QuantitaSal");
}

double TfSVen0904f::SommaDettaglio(const char *campo)
{
    double totale = 0;
    tDettaglio->DisableControls();
    const TBookmark posto = tDettaglio->GetBookmark();
    for (tDettaglio->First(); !tDettaglio->Eof(); tDettaglio->Next())
        totale += F(tDettaglio, campo)->AsFloat();
    if (tDettaglio->BookmarkValid(posto))
        tDettaglio->GotoBookmark(posto);
    tDettaglio->EnableControls();
    return Funzioni::KRound(totale, CFG.DecQuantita);
}

QString TfSVen0904f::NomeTabellaDettaglio() const
{
    return tDettaglio->TableName();
}

void TfSVen0904f::MostraTotale()
{
    ui->lbTotDettaglio->setText(KFormati::FormatFloat(QStringLiteral("#,##0.######"), TotaleDettaglio()));
}

void TfSVen0904f::FormClose(TCloseAction &action)
{
    if (tDettaglio->State() == dsEdit || tDettaglio->State() == dsInsert)
        tDettaglio->Post();
    TfdlgBase::FormClose(action);
    if (!Documento || tDettaglio->IsEmpty())
        return;
    TDataSet *righe = Documento->TRighe;
    const double totale = TotaleDettaglio();
    const double quantita = righe->FieldByName(CampoQuantita)->AsFloat();
    if (Funzioni::CompDec(totale, quantita, CFG.DecQuantita) == 0)
        return;
    const QString testo =
        QStringLiteral("Il totale del dettaglio (%1) è diverso dalla quantità del rigo (%2): aggiornare "
                       "la quantità del rigo?")
            .arg(KFormati::FormatFloat(QStringLiteral("#,##0.######"), totale),
                 KFormati::FormatFloat(QStringLiteral("#,##0.######"), quantita));
    if (Kmessages::KMessage(testo, mtConfirmation, mbYesNo) != mrYes)
        return;
    try {
        if (righe->State() == dsBrowse)
            righe->Edit();
        righe->FieldByName(CampoQuantita)->SetAsFloat(totale);
    } catch (const Exception &e) {
        // the row keeps what it held; the user sees why
        Kmessages::KMessage(e.Message, mtInformation, mbOK);
    }
}

namespace Sven0904f {

namespace {

const char *const kChiaveDettaglio = "kv8ChiaveDettaglio";

} // namespace

int ChiaveFinestra(TFDocumento *documento)
{
    static int ultima = 0;
    QVariant chiave = documento->property(kChiaveDettaglio);
    if (!chiave.isValid()) {
        chiave = --ultima;
        documento->setProperty(kChiaveDettaglio, chiave);
    }
    return chiave.toInt();
}

void SvuotaDettaglio(TFDocumento *documento)
{
    // a window that never opened the detail has no rows there
    const QVariant chiave = documento->property(kChiaveDettaglio);
    if (!chiave.isValid())
        return;
    TXDatabase &locale = DMIDataBases::Instance().Local();
    if (locale.TableExists(QStringLiteral("t_DettQtaDoc")))
        locale.ExecSQL(QStringLiteral("DELETE FROM t_DettQtaDoc WHERE KTestaDoc = ?"), {chiave.toInt()});
}

bool ArticoloConDettaglio(TFDocumento *documento)
{
    TDataSet *righe = documento->TRighe;
    if (!righe->Active() || righe->IsEmpty())
        return false;
    const QString articolo = F(righe, "IdProdotto")->AsString().trimmed();
    if (articolo.isEmpty())
        return false;
    TDMIBase *base = TDMIBase::Crea();
    if (!TDMIBase::Posiziona(base->lkArticoli, QStringLiteral("IdProdotto"), {articolo}))
        return false;
    for (const char *nome : {"FlGesVarianti", "FlGesLotti", "FlGesGruppi"})
        if (F(base->lkArticoli, nome)->AsInteger() != 0)
            return true;
    return false;
}

void DettaglioQuantita(TFDocumento *documento)
{
    std::unique_ptr<TfSVen0904f> dialogo(
        Dlgbase::XGetDialogClass(ClassRef::Of<TfSVen0904f>()).CreateAs<TfSVen0904f>(nullptr));
    if (!dialogo->ApriDettaglio(documento))
        return;
    dialogo->ShowModal();
}

} // namespace Sven0904f

namespace {

void RegistraDettaglio()
{
    TFDocumento::TDialoghiDocumento &dialoghi = TFDocumento::Dialoghi();
    dialoghi.DettaglioQuantita = &Sven0904f::DettaglioQuantita;
    dialoghi.ArticoloConDettaglio = &Sven0904f::ArticoloConDettaglio;
    dialoghi.SvuotaDettaglio = &Sven0904f::SvuotaDettaglio;
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(RegistraDettaglio)
