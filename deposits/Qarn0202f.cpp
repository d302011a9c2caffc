#include "deposits/Qarn0202f.h"

#include "ui_Qarn0202f.h"

#include "frame/Dusaria.h"
#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/core/Applvar.h"
#include "host/core/KFormati.h"
#include "host/core/KV8Config.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/TXDatabase.h"
#include "host/ui/DBControls.h"
#include "host/ui/SearchDialog.h"

DUSARIA_FINESTRA(TFqarn0202f, Fqarn0202f);

namespace {

// Rows listed by the host's searches when its setting holds none.
constexpr int kLimiteRicerca = 500;

QString Quotato(const QString &testo)
{
    return XWideQuotedStr(testo);
}

} // namespace

TFqarn0202f::TFqarn0202f(QWidget *owner) : TFDBChild(owner), ui(new Ui::Qarn0202f)
{
    SetupLayout(*ui);
    TDMIBase *base = TDMIBase::Crea();
    TMain = new TXTable(this);
    TMain->SetName(QStringLiteral("TMain"));
    TMain->SetTableName(QStringLiteral("LUMO_ProgCauz"));
    TMain->SetUsaDizionario(true);
    TMain->SetIndexFieldNames(QStringLiteral("IdContoTp;IdConto;FlTipoScheda;IdDestinazione;IdImballo"));
    for (const char *campo : {"_DsCliFor", "_DsDestinaz"})
        TMain->AddCalcField(QLatin1String(campo), ftString, 60);
    // balances in the quantity and value formats of the inputs beside them
    for (const char *campo : {"_TotGenQ", "_TotBolQ", "_TotFatQ", "_QtaResPN"})
        TMain->AddCalcField(QLatin1String(campo), ftFloat)
            ->SetDisplayFormat(KFormati::GetDisplay(KFormati::fnQuantita));
    for (const char *campo : {"_TotGenV", "_TotBolV", "_TotFatV"})
        TMain->AddCalcField(QLatin1String(campo), ftFloat)
            ->SetDisplayFormat(KFormati::GetDisplay(KFormati::fnValoreIT));
    TMain->AddLookupField(QStringLiteral("_DsImballo"), ftString, 30, base->lkImballi, QStringLiteral("IdImballo"),
                          QStringLiteral("IdImballo"), QStringLiteral("DsImballo"));
    TMain->AddLookupField(QStringLiteral("_DsDivisa"), ftString, 40, base->lkDivise, QStringLiteral("IdDivisa"),
                          QStringLiteral("IdDivisa"), QStringLiteral("DsDivisa"));
    TMain->OnNewRecord = [this](TDataSet *d) { TMainNewRecord(d); };
    TMain->BeforeEdit = [this](TDataSet *d) { TMainBeforeEdit(d); };
    TMain->OnCalcFields = [this](TDataSet *d) { TMainCalcFields(d); };
    TMain->AfterOpen = [this](TDataSet *) {
        TMain->FieldByName(QStringLiteral("IdConto"))->OnValidate = [this](TField *f) { IdContoValidate(f); };
        TMain->FieldByName(QStringLiteral("IdDestinazione"))->OnValidate = [this](TField *f) {
            IdDestinazioneValidate(f);
        };
        TMain->FieldByName(QStringLiteral("IdImballo"))->OnValidate = [this](TField *f) { IdImballoValidate(f); };
        for (const char *campo : {"QtaCarEcc", "QtaResEcc"})
            TMain->FieldByName(QLatin1String(campo))->OnChange = [this](TField *f) { EccedenzaChange(f); };
        TMain->FieldByName(QStringLiteral("IdDivisa"))->SetReadOnly(true);
        TMain->FieldByName(QStringLiteral("EsiAttEcc"))->SetReadOnly(true);
    };
    DSMain->SetDataSet(TMain);

    qResi = new TXQuery(this);
    qResi->SetName(QStringLiteral("qResi"));
    qResi->SQL << QStringLiteral("SELECT MRR.IdImballo, SUM(MRR.QtaRes) AS QtaRes")
               << QStringLiteral("FROM LUMO_MovResR MRR")
               << QStringLiteral("LEFT JOIN LUMO_MovResT MRT ON MRT.KMovResT = MRR.KMovResT")
               << QStringLiteral("WHERE MRT.KMovResT = -1") << QStringLiteral("GROUP BY MRR.IdImballo")
               << QStringLiteral("ORDER BY MRR.IdImballo");

    ui->edIdConto->OnRicerca = [this](TDBCodeEdit *edit, bool &doDefault) {
        if (TMain->State() != dsBrowse) {
            edit->CondizioneRicerca = QStringLiteral("PianoConti.IdContoTp = ") + Quotato(TipoConto) + QLatin1Char(' ');
            return;
        }
        // while browsing: the accounts that have cards of the type, then their cards
        doDefault = false;
        Dlgricerca::TRicerca ricerca;
        ricerca.Tabella = QStringLiteral("PianoConti");
        ricerca.CampoChiave = QStringLiteral("IdConto");
        ricerca.Condizione =
            QStringLiteral("PianoConti.IdContoTp = %1 AND PianoConti.IdConto IN (SELECT "
                           "LUMO_ProgCauz.IdConto FROM LUMO_ProgCauz WHERE LUMO_ProgCauz.IdContoTp = %1)")
                .arg(Quotato(TipoConto));
        if (Dlgricerca::Ricerca(this, ricerca))
            FiltraConti(QStringLiteral("WHERE LUMO_ProgCauz.IdConto = ") + Quotato(ricerca.Risultato.toString()),
                        QStringLiteral("LUMO_ProgCauz.IdConto"));
    };
    ui->edIdDestinazione->OnFiltroRicerca = [this](TDBCodeEdit *, QString &filtro) {
        filtro = QStringLiteral("Destinazioni.IdContoTp = %1 AND Destinazioni.IdConto = %2")
                     .arg(Quotato(TipoConto), Quotato(TMain->FieldByName(QStringLiteral("IdConto"))->AsString()));
    };
}

TFqarn0202f::~TFqarn0202f()
{
    delete ui;
}

int TFqarn0202f::LimiteRighe() const
{
    return limite_;
}

bool TFqarn0202f::InitForm(const QString &Tipo)
{
    if (Tipo != QLatin1String("CL") && Tipo != QLatin1String("FO"))
        return false;
    TipoConto = Tipo;
    const int impostato = KV8Config::GetFBBAS07().LimiteRicerca;
    limite_ = impostato > 0 ? impostato : kLimiteRicerca;
    TMain->Close();
    const bool clienti = Tipo == QLatin1String("CL");
    ui->lbIdConto->setText(clienti ? QStringLiteral("Codice Cliente :") : QStringLiteral("Codice Fornitore :"));
    SetCaption(clienti ? QStringLiteral("Progressivi Cauzioni Clienti")
                       : QStringLiteral("Progressivi Cauzioni Fornitori"));
    ui->lbIdDestinazione->setVisible(clienti);
    ui->edIdDestinazione->setVisible(clienti);
    ui->txDsDestinaz->setVisible(clienti);
    ui->edIdConto->CodiceMenu = clienti ? QStringLiteral("BBAS0051F") : QStringLiteral("BBAS0052F");
    vFiltroBase = QStringLiteral("IdContoTp = ") + Quotato(Tipo) + QLatin1Char(' ');
    TMain->SetMaxRecords(limite_);
    TMain->SetXWhere(vFiltroBase);
    TMain->Open();
    return true;
}

void TFqarn0202f::FiltraConti(const QString &condizione, const QString &ordine)
{
    QString filtro = vFiltroBase;
    if (!condizione.trimmed().isEmpty()) {
        filtro += QStringLiteral(" AND LUMO_ProgCauz.IdConto IN ( SELECT");
        if (limite_ > 0)
            filtro += QStringLiteral(" TOP ") + QString::number(limite_);
        filtro += QStringLiteral(" LUMO_ProgCauz.IdConto FROM LUMO_ProgCauz ") + condizione;
        if (!ordine.isEmpty())
            filtro += QStringLiteral(" ORDER BY ") + ordine;
        filtro += QLatin1Char(')');
    }
    if (filtro.compare(TMain->XWhere(), Qt::CaseInsensitive) == 0)
        return;
    TMain->Close();
    TMain->SetMaxRecords(0);
    TMain->SetXWhere(filtro);
    TMain->Open();
}

void TFqarn0202f::FormClose(TCloseAction &action)
{
    TFDBChild::FormClose(action);
    if (Fqarn0202f == this)
        Fqarn0202f = nullptr;
}

void TFqarn0202f::TMainNewRecord(TDataSet *)
{
    TMain->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(TipoConto);
    TMain->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(CFG.IdDivisa);
    TMain->FieldByName(QStringLiteral("IdConto"))->FocusControl();
}

void TFqarn0202f::TMainBeforeEdit(TDataSet *)
{
    if (TMain->FieldByName(QStringLiteral("IdContoTp"))->AsString() != TipoConto)
        throw Exception(QStringLiteral("Attenzione !! Conto incoerente"));
    TMain->FieldByName(QStringLiteral("IdConto"))->FocusControl();
}

double TFqarn0202f::ResiInSospeso()
{
    QStringList condizioni{
        QStringLiteral("MRT.IdContoTp = ") + Quotato(TMain->FieldByName(QStringLiteral("IdContoTp"))->AsString()),
        QStringLiteral("MRT.IdConto = ") + Quotato(TMain->FieldByName(QStringLiteral("IdConto"))->AsString()),
        QStringLiteral("MRR.IdImballo = ") + Quotato(TMain->FieldByName(QStringLiteral("IdImballo"))->AsString()),
        QStringLiteral("MRT.FlTipoDocColl = 0")};
    if (TMain->FieldByName(QStringLiteral("FlTipoScheda"))->AsInteger() == 0)
        condizioni << QStringLiteral("MRT.IdDestinazione = ")
                          + QString::number(TMain->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger());
    qResi->Close();
    for (QString &riga : qResi->SQL)
        if (riga.startsWith(QLatin1String("WHERE")))
            riga = QStringLiteral("WHERE ") + condizioni.join(QStringLiteral(" AND "));
    qResi->Open();
    const double resi = qResi->IsEmpty() ? 0 : qResi->FieldByName(QStringLiteral("QtaRes"))->AsFloat();
    qResi->Close();
    return resi;
}

void TFqarn0202f::TMainCalcFields(TDataSet *)
{
    auto v = [this](const char *campo) { return TMain->FieldByName(QLatin1String(campo))->AsFloat(); };
    auto imposta = [this](const char *campo, double valore) {
        TMain->FieldByName(QLatin1String(campo))->SetAsFloat(valore);
    };
    const QString tipo = TMain->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    const QString conto = TMain->FieldByName(QStringLiteral("IdConto"))->AsString();
    QString nome;
    if (!conto.isEmpty()
        && TDMIBase::Posiziona(DMIBase->lkConti, QStringLiteral("IdContoTp;IdConto"), {tipo, conto}, false))
        nome = DMIBase->lkConti->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    TMain->FieldByName(QStringLiteral("_DsCliFor"))->SetAsString(nome);
    QString destinatario;
    const int destinazione = TMain->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
    if (tipo == QLatin1String("CL") && destinazione != 0
        && TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"),
                               {tipo, conto, destinazione}, false))
        destinatario = DMIBase->lkDestinazioni->FieldByName(QStringLiteral("RagioneSociale"))->AsString();
    TMain->FieldByName(QStringLiteral("_DsDestinaz"))->SetAsString(destinatario);
    const double resi = conto.isEmpty() ? 0 : ResiInSospeso();
    imposta("_QtaResPN", resi);
    imposta("_TotGenQ", v("ProgQtaCar") - (v("ProgQtaRes") + resi));
    imposta("_TotGenV", v("ProgValCar") - v("ProgValRes"));
    imposta("_TotBolQ", v("ProgQtaCarB") - v("ProgQtaResB"));
    imposta("_TotBolV", v("ProgValCarB") - v("ProgValResB"));
    imposta("_TotFatQ", v("ProgQtaCarF") - v("ProgQtaResF"));
    imposta("_TotFatV", v("ProgValCarF") - v("ProgValResF"));
}

void TFqarn0202f::IdContoValidate(TField *Sender)
{
    const QString conto = Sender->AsString();
    if (conto.isEmpty() || !TDMIBbas::Crea()->TestConto(TipoConto, conto))
        throw EAbort(); // the host's check showed its own message
    const bool clienti = TipoConto == QLatin1String("CL");
    TXlkTable *anagrafica = clienti ? DMIBase->lkClienti : DMIBase->lkFornitori;
    if (TDMIBase::Posiziona(anagrafica, QStringLiteral("IdContoTp;IdConto"), {TipoConto, conto})
        && anagrafica->FieldByName(QStringLiteral("UT_LMQ_FlCauz"))->AsInteger() == 0)
        throw Exception(clienti ? QStringLiteral("Cliente non abilitato per le cauzioni")
                                : QStringLiteral("Fornitore non abilitato per le cauzioni"));
}

void TFqarn0202f::IdDestinazioneValidate(TField *Sender)
{
    const int destinazione = Sender->AsInteger();
    if (destinazione == 0 || destinazione == 999)
        return;
    const QVariantList chiave{TipoConto, TMain->FieldByName(QStringLiteral("IdConto"))->AsString(), destinazione};
    if (!TDMIBase::Posiziona(DMIBase->lkDestinazioni, QStringLiteral("IdContoTp;IdConto;IdDestinazione"), chiave))
        throw Exception(QStringLiteral("Destinazione non trovata"));
}

void TFqarn0202f::IdImballoValidate(TField *Sender)
{
    if (!TDMIBase::Posiziona(DMIBase->lkImballi, QStringLiteral("IdImballo"), {Sender->AsString()}))
        throw Exception(QStringLiteral("Imballo / Cauzione non trovata"));
}

void TFqarn0202f::EccedenzaChange(TField *)
{
    if (TMain->State() != dsEdit && TMain->State() != dsInsert)
        return;
    TMain->FieldByName(QStringLiteral("EsiAttEcc"))
        ->SetAsFloat(TMain->FieldByName(QStringLiteral("QtaResEcc"))->AsFloat()
                     - TMain->FieldByName(QStringLiteral("QtaCarEcc"))->AsFloat());
}
