#include "host/business/Fbbas0058f.h"

#include "ui_Fbbas0058f.h"

#include "host/ui/DBGrid.h"

namespace {

// The table and the label of the accounts of a type.
QString TabellaConti(const QString &tipo)
{
    return tipo == QLatin1String("FO") ? QStringLiteral("Fornitori") : QStringLiteral("Clienti");
}

bool ContoEsiste(TXDatabase &db, const QString &tipo, const QString &conto)
{
    return db
        .ScalarValue(QStringLiteral("SELECT 1 FROM %1 WHERE IdContoTp = ? AND IdConto = ?").arg(TabellaConti(tipo)),
                     {tipo, conto})
        .isValid();
}

QString NomeConto(const QString &tipo)
{
    return tipo == QLatin1String("FO") ? QStringLiteral("fornitore") : QStringLiteral("cliente");
}

} // namespace

TFBBas0058f::TFBBas0058f(QWidget *owner) : TFBBasAnagrafica(owner), ui(new Ui::Fbbas0058f)
{
    SetupLayout(*ui);
    tDestinazioni = CreaTabella(QStringLiteral("tDestinazioni"), QStringLiteral("Destinazioni"));
    tDestinazioni->AfterScroll = [this](TDataSet *d) { tDestinazioniAfterScroll(d); };
    tDestinazioni->BeforePost = [this](TDataSet *d) { tDestinazioniBeforePost(d); };
    tDestinazioni->BeforeDelete = [this](TDataSet *d) { tDestinazioniBeforeDelete(d); };
    tDestinazioni->OnNewRecord = [this](TDataSet *d) { tDestinazioniNewRecord(d); };

    tsDestinazione = ui->tsDestinazione;
    tsNote = ui->tsNote;
    ImpostaPagine(ui->pcPagine);

    GrigliaMain->AddColumn(QStringLiteral("IdContoTp"), QStringLiteral("Tipo"), 70);
    GrigliaMain->AddColumn(QStringLiteral("IdConto"), QStringLiteral("Conto"), 80);
    GrigliaMain->AddColumn(QStringLiteral("IdDestinazione"), QStringLiteral("Dest."), 45);
    GrigliaMain->AddColumn(QStringLiteral("RagioneSociale"), QStringLiteral("Ragione sociale"), 250);
    GrigliaMain->AddColumn(QStringLiteral("Localita"), QStringLiteral("Località"), 150);
    GrigliaMain->AddColumn(QStringLiteral("IdProvincia"), QStringLiteral("Prov."), 40);
}

TFBBas0058f::~TFBBas0058f()
{
    delete ui;
}

void TFBBas0058f::FormClose(TCloseAction &action)
{
    TFBBasAnagrafica::FormClose(action);
    if (FBBas0058f == this)
        FBBas0058f = nullptr;
}

bool TFBBas0058f::InitForm()
{
    if (!tipo_.isEmpty() && tDestinazioni->State() == dsBrowse)
        Riapri(QString(), QString());
    return TFBBasAnagrafica::InitForm();
}

bool TFBBas0058f::InitForm(const QString &testo)
{
    QString tipo = testo.section(QLatin1Char(';'), 0, 0).trimmed();
    QString conto = testo.section(QLatin1Char(';'), 1).trimmed();
    if (!testo.contains(QLatin1Char(';'))) {
        conto = tipo;
        tipo = QStringLiteral("CL");
    }
    if (tipo != QLatin1String("CL") && tipo != QLatin1String("FO")) {
        Kmessages::KMessage(
            QStringLiteral("Il tipo di conto %1 non è valido: indicare CL per i clienti o FO per i fornitori.")
                .arg(tipo),
            mtWarning, mbOK);
        return false;
    }
    if (conto.isEmpty() || !ContoEsiste(tDestinazioni->Database(), tipo, conto)) {
        Kmessages::KMessage(
            QStringLiteral("Il %1 %2 non esiste: sceglierne uno esistente.").arg(NomeConto(tipo), conto), mtWarning,
            mbOK);
        return false;
    }
    if (tDestinazioni->State() != dsBrowse && tDestinazioni->Active())
        return false; // a destination being edited stays
    Riapri(tipo, conto);
    MostraPagina(0);
    return true;
}

void TFBBas0058f::Riapri(const QString &tipo, const QString &conto)
{
    tipo_ = tipo;
    conto_ = conto;
    tDestinazioni->Close();
    tDestinazioni->SetXWhere(
        tipo.isEmpty()
            ? QString()
            : QStringLiteral("IdContoTp = %1 AND IdConto = %2").arg(XWideQuotedStr(tipo), XWideQuotedStr(conto)));
    tDestinazioni->Open();
}

void TFBBas0058f::FormCreate()
{
    TFBBasAnagrafica::FormCreate();
    tDestinazioni->FieldByName(QStringLiteral("IdContoTp"))->OnChange = [this](TField *f) {
        tDestinazioniIdContoTpChange(f);
    };
    ImpostaRicercaConto();
}

void TFBBas0058f::tDestinazioniAfterScroll(TDataSet *)
{
    ImpostaRicercaConto();
}

void TFBBas0058f::tDestinazioniIdContoTpChange(TField *)
{
    ImpostaRicercaConto();
}

void TFBBas0058f::ImpostaRicercaConto()
{
    if (!tDestinazioni->Active())
        return;
    const QString tipo = tDestinazioni->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    ui->edIdConto->TabellaRicerca = TabellaConti(tipo);
    ui->edIdConto->CodiceMenu = tipo == QLatin1String("FO") ? QStringLiteral("BBAS0052F") : QStringLiteral("BBAS0051F");
    ui->lbDsIdConto->setText(ui->edIdConto->Descrizione());
}

void TFBBas0058f::tDestinazioniNewRecord(TDataSet *DataSet)
{
    const QString tipo = tipo_.isEmpty() ? QStringLiteral("CL") : tipo_;
    DataSet->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(tipo);
    if (!conto_.isEmpty()) {
        DataSet->FieldByName(QStringLiteral("IdConto"))->SetAsString(conto_);
        DataSet->FieldByName(QStringLiteral("IdDestinazione"))->SetAsInteger(ProssimaDestinazione(tipo, conto_));
    }
    ImpostaRicercaConto();
}

int TFBBas0058f::ProssimaDestinazione(const QString &tipo, const QString &conto) const
{
    return tDestinazioni->Database()
               .ScalarValue(
                   QStringLiteral("SELECT MAX(IdDestinazione) FROM Destinazioni WHERE IdContoTp = ? AND IdConto = ?"),
                   {tipo, conto})
               .toInt()
           + 1;
}

void TFBBas0058f::tDestinazioniBeforePost(TDataSet *DataSet)
{
    const QString tipo = DataSet->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    const QString conto = DataSet->FieldByName(QStringLiteral("IdConto"))->AsString().trimmed();
    if (tipo != QLatin1String("CL") && tipo != QLatin1String("FO"))
        throw Exception(QStringLiteral("Tipo conto mancante: scegliere cliente o fornitore."));
    if (conto.isEmpty())
        throw Exception(QStringLiteral("Codice %1 mancante: indicarlo prima di salvare.").arg(NomeConto(tipo)));
    if (!tipo_.isEmpty() && (tipo != tipo_ || conto != conto_))
        throw Exception(QStringLiteral("La finestra mostra le destinazioni del %1 %2: inserire qui solo le sue.")
                            .arg(NomeConto(tipo_), conto_));
    if (!ContoEsiste(tDestinazioni->Database(), tipo, conto))
        throw Exception(
            QStringLiteral("Il %1 %2 non esiste: sceglierlo con la ricerca (F4).").arg(NomeConto(tipo), conto));
    TField *numero = DataSet->FieldByName(QStringLiteral("IdDestinazione"));
    if (DataSet->State() == dsInsert && numero->AsInteger() == 0)
        numero->SetAsInteger(ProssimaDestinazione(tipo, conto));
    if (numero->AsInteger() < 0)
        throw Exception(QStringLiteral("Il codice destinazione deve essere un numero positivo."));
    ControllaRecord(DataSet);
}

void TFBBas0058f::tDestinazioniBeforeDelete(TDataSet *DataSet)
{
    ControllaCancellazione(DataSet);
}
