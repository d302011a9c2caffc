#include "deposits/Lumo_ricercamov.h"

#include "ui_Lumo_ricercamov.h"

#include "host/business/Dmibase.h"
#include "host/business/Dmibbas.h"
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "host/ui/Periodo.h"

#include <memory>

TFLumoRicercaMovimenti::TFLumoRicercaMovimenti(QWidget *owner, const QString &tabella, const QString &chiave,
                                               const QList<TLumoColonnaRicerca> &colonne)
    : TfdlgBase(owner), ui(new Ui::Lumo_ricercamov), tabella_(tabella), chiave_(chiave)
{
    SetupLayout(*ui);
    TDMIBase *base = TDMIBase::Crea();
    tPars = new TXMemTable(this);
    tPars->SetName(QStringLiteral("tPars"));
    tPars->SetTableName(QStringLiteral("lumo0204d"));
    tPars->SetUsaDizionario(true);
    tPars->AddLookupField(QStringLiteral("_DsConto"), ftString, 60, base->lkConti, QStringLiteral("IdContoTp;IdConto"),
                          QStringLiteral("IdContoTp;IdConto"), QStringLiteral("RagioneSociale"));
    DSPars = new TDataSource(this);
    DSPars->SetName(QStringLiteral("DSPars"));
    DSPars->SetDataSet(tPars);

    qLista = new TXQuery(this);
    qLista->SetName(QStringLiteral("qLista"));
    qLista->XSQL << QStringLiteral("SELECT M.*, P.RagioneSociale") << QStringLiteral("FROM %1 M").arg(tabella_)
                 << QStringLiteral("LEFT JOIN PianoConti P ON P.IdContoTp = M.IdContoTp AND P.IdConto = M.IdConto")
                 << QStringLiteral("{WHERE XWHERE}") << QStringLiteral("ORDER BY M.DataReg, M.%1").arg(chiave_);
    DSLista = new TDataSource(this);
    DSLista->SetName(QStringLiteral("DSLista"));
    DSLista->SetDataSet(qLista);

    ui->gLista->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                           | dgAlwaysShowSelection);
    for (const TLumoColonnaRicerca &c : colonne)
        ui->gLista->AddColumn(c.Campo, c.Titolo, c.Larghezza);
    ui->gLista->OnDblClick = [this](KDBGriglia *) {
        if (btOk->isEnabled())
            PressOk();
    };
    ui->edIdConto->OnFiltroRicerca = [this](TDBCodeEdit *, QString &filtro) {
        const QString tipo = tPars->FieldByName(QStringLiteral("IdContoTp"))->AsString();
        if (tipo != QLatin1String("TT"))
            filtro = QStringLiteral("PianoConti.IdContoTp = ") + XWideQuotedStr(tipo);
    };
    btSelezione = AggiungiBottone(QStringLiteral("Selezione"), QStringLiteral("btSelezione"));
    connect(btSelezione, &QPushButton::clicked, this, [this] { Guard([this] { btSelezioneClick(); }); });
}

TFLumoRicercaMovimenti::~TFLumoRicercaMovimenti()
{
    delete ui;
}

void TFLumoRicercaMovimenti::FormCreate()
{
    TfdlgBase::FormCreate();
    tPars->Open();
    if (tPars->IsEmpty())
        tPars->Append();
    else
        tPars->Edit();
    AbilitaOk();
}

void TFLumoRicercaMovimenti::AbilitaOk()
{
    const bool trovati = qLista->Active() && !qLista->IsEmpty();
    btOk->setEnabled(trovati);
    btOk->setDefault(trovati);
    btSelezione->setDefault(!trovati);
}

void TFLumoRicercaMovimenti::CreaSelezione(TDataSet *parametri, const QString &chiave, QString &lista, QString &filtro)
{
    TXDatabase &db = DMIDataBases::Instance().Global();
    lista = QStringLiteral("M.%1 <> - 1 ").arg(chiave);
    filtro = QStringLiteral("%1 <> - 1 ").arg(chiave);
    auto aggiungi = [&](const QString &condizione) {
        lista += QStringLiteral(" AND M.") + condizione;
        filtro += QStringLiteral(" AND ") + condizione;
    };
    const QDateTime da = parametri->FieldByName(QStringLiteral("DaData"))->AsDateTime();
    const QDateTime a = parametri->FieldByName(QStringLiteral("AData"))->AsDateTime();
    if (!da.isNull())
        aggiungi(QStringLiteral("DataReg >= ") + db.FormatDataSQL(da));
    if (!a.isNull())
        aggiungi(QStringLiteral("DataReg <= ") + db.FormatDataSQL(a));
    const QString tipo = parametri->FieldByName(QStringLiteral("IdContoTp"))->AsString();
    if (tipo == QLatin1String("CL") || tipo == QLatin1String("FO"))
        aggiungi(QStringLiteral("IdContoTp = ") + XWideQuotedStr(tipo));
    const QString conto = parametri->FieldByName(QStringLiteral("IdConto"))->AsString();
    if (!conto.isEmpty())
        aggiungi(QStringLiteral("IdConto = ") + XWideQuotedStr(conto));
}

void TFLumoRicercaMovimenti::btSelezioneClick()
{
    try {
        if (tPars->State() == dsEdit || tPars->State() == dsInsert)
            tPars->Post();
        tPars->Edit();
        if (!Funzioni::ControllaPeriodo(tPars->FieldByName(QStringLiteral("DaData"))->AsDateTime(),
                                        tPars->FieldByName(QStringLiteral("AData"))->AsDateTime(), ui->edDaData))
            return;
        QString lista;
        CreaSelezione(tPars, chiave_, lista, vFiltro);
        qLista->Close();
        qLista->ImpostaSQL(lista);
        qLista->Open();
    } catch (const std::exception &e) {
        Kmessages::KMessage(Kmessages::ExceptionText(e), mtError, mbOK, 0);
    }
    AbilitaOk();
}

void TFLumoRicercaMovimenti::btOkClick()
{
    if (!qLista->Active() || qLista->IsEmpty())
        throw EAbort();
    _KContaT = qLista->FieldByName(chiave_)->AsLargeInt();
    TfdlgBase::btOkClick();
}

bool LUMO_RicercaMovimento(const ClassRef &classe, QWidget *owner, TXTable *testa, const QString &chiave)
{
    std::unique_ptr<TFLumoRicercaMovimenti> dialogo(
        CreateObjectAs<TFLumoRicercaMovimenti>(Dlgbase::XGetDialogClass(classe), owner));
    if (dialogo->ShowModal() != mrOk)
        return false;
    TDMIBbas::Crea()->ApriTabella(testa, dialogo->vFiltro, QStringLiteral("DataReg DESC"));
    testa->Locate(chiave, dialogo->_KContaT);
    return true;
}
