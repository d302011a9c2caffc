#include "masterdata/Qarn0014d_001.h"

#include "ui_Qarn0014d_001.h"

#include "frame/Dusaria.h"
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"
#include "host/ui/Periodo.h"

#include <QLabel>
#include <QVBoxLayout>

DUSARIA_FINESTRA(TFqarn0014d_001, Fqarn0014d_001);

namespace {

TXQuery *Query(QObject *owner, const QString &name, const QStringList &sql)
{
    auto *q = new TXQuery(owner);
    q->SetName(name);
    q->SQL = sql;
    return q;
}

void Griglia(KDBGriglia *griglia)
{
    griglia->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgRowSelect
                        | dgAlwaysShowSelection);
    griglia->SetReadOnly(true);
}

} // namespace

TFqarn0014d_001::TFqarn0014d_001(QWidget *owner) : TFDBChildParsPage(owner), ui(new Ui::Qarn0014d_001)
{
    SetupLayout(*ui);
    tPars->SetTableName(QStringLiteral("LUMO_ListTras"));
    tPars->SetUsaDizionario(true);
    SetActiveControl(ui->edIdZona);

    qListTraT =
        Query(this, QStringLiteral("qListTraT"),
              {QStringLiteral("SELECT LTT.*,  LTD.*, Clienti.RagioneSociale"), QStringLiteral("FROM LUMO_ListTraT LTT"),
               QStringLiteral("LEFT JOIN LUMO_ListTraD LTD ON LTT.KListTraT = LTD.KListTraT"),
               QStringLiteral("LEFT JOIN CLienti ON LTD.IdConto = Clienti.IdConto"),
               QStringLiteral("WHERE LTT.KListTraT > 0")});
    qListTraR = Query(this, QStringLiteral("qListTraR"),
                      {QStringLiteral("SELECT LTR.*, Articoli.DsProdotto, CategorieMerc.DsCategoria, LTT.*"),
                       QStringLiteral("FROM LUMO_ListTraR LTR"),
                       QStringLiteral("LEFT JOIN Articoli ON LTR.IdProdotto = Articoli.IdProdotto"),
                       QStringLiteral("LEFT JOIN CategorieMerc ON LTR.IdCategoria =  CategorieMerc.IdCategoria"),
                       QStringLiteral("LEFT JOIN LUMO_ListTraT LTT ON LTR.KListTraT = LTT.KListTraT"),
                       QStringLiteral("WHERE LTR.KListTraT = -1")});
    qListTraT->AddCalcField(QStringLiteral("_TipoGest"), ftString, 1);
    qListTraT->OnCalcFields = [this](TDataSet *d) { qListTraTCalcFields(d); };
    qListTraR->AddCalcField(QStringLiteral("_TipoPrz"), ftString, 1);
    qListTraR->OnCalcFields = [this](TDataSet *d) { qListTraRCalcFields(d); };

    // results: the reference rows above, the article rows below
    DSRisultati->SetDataSet(qListTraT);
    Griglia(gRisultati);
    struct Colonna {
        const char *campo;
        const char *titolo;
        int larghezza;
    };
    const Colonna riferimenti[] = {{"IdSpedizione", "Sped.", 45},
                                   {"IdZona", "Zona", 45},
                                   {"IdConto", "Cod.Cliente", 75},
                                   {"RagioneSociale", "Ragione Sociale", 170},
                                   {"IdDestinazione", "D.Div.", 45},
                                   {"IdListTra", "Cod.List.Trasp.", 100},
                                   {"DataInizio", "Da Data", 85},
                                   {"DataFine", "A Data", 85},
                                   {"IdDivisa", "Div.", 40},
                                   {"_TipoGest", "T.Ges.", 45},
                                   {"SpeseTrasporto", "Sp.Trasp.", 75},
                                   {"PercSpesa", "% Spese", 60}};
    for (const Colonna &c : riferimenti)
        gRisultati->AddColumn(QLatin1String(c.campo), QString::fromUtf8(c.titolo), c.larghezza);
    DSListTraR = new TDataSource(this);
    DSListTraR->setObjectName(QStringLiteral("DSListTraR"));
    DSListTraR->SetAutoEdit(false);
    DSListTraR->SetDataSet(qListTraR);
    gListTraR = new KDBGriglia(tsRisultati);
    gListTraR->setObjectName(QStringLiteral("gListTraR"));
    Griglia(gListTraR);
    gListTraR->SetDataSource(DSListTraR);
    const Colonna articoli[] = {{"IdCategoria", "Cat.Mer.", 70},
                                {"IdProdotto", "Cod.Articolo", 100},
                                {"DsProdotto", "Descrizione", 220},
                                {"IdListTra", "Cod.List.Trasp.", 100},
                                {"IdDivisa", "Div.", 40},
                                {"_TipoPrz", "T.Prz.", 45},
                                {"Prezzo", "", 90},
                                {"DataInizio", "Da Data", 85},
                                {"DataFine", "A Data", 85}};
    for (const Colonna &c : articoli)
        gListTraR->AddColumn(QLatin1String(c.campo), QString::fromUtf8(c.titolo), c.larghezza);
    auto *risultati = static_cast<QVBoxLayout *>(tsRisultati->layout());
    risultati->insertWidget(risultati->indexOf(pBottoniRisultati), gListTraR, 1);
    btStampa->hide(); // the results are not printed
}

TFqarn0014d_001::~TFqarn0014d_001()
{
    delete ui;
}

void TFqarn0014d_001::FormCreate()
{
    TFDBChildParsPage::FormCreate();
    SetPagina(0);
}

void TFqarn0014d_001::FormClose(TCloseAction &action)
{
    TFDBChildParsPage::FormClose(action);
    if (Fqarn0014d_001 == this)
        Fqarn0014d_001 = nullptr;
}

void TFqarn0014d_001::qListTraTCalcFields(TDataSet *DataSet)
{
    DataSet->FieldByName(QStringLiteral("_TipoGest"))
        ->SetAsString(DataSet->FieldByName(QStringLiteral("FlTipoGest"))->AsInteger() != 0 ? QStringLiteral("C")
                                                                                           : QStringLiteral("R"));
}

void TFqarn0014d_001::qListTraRCalcFields(TDataSet *DataSet)
{
    DataSet->FieldByName(QStringLiteral("_TipoPrz"))
        ->SetAsString(DataSet->FieldByName(QStringLiteral("FlTipoPrz"))->AsInteger() != 0 ? QStringLiteral("C")
                                                                                          : QStringLiteral("B"));
}

void TFqarn0014d_001::Cerca(TXQuery *query, const QStringList &condizioni, const QString &tutte)
{
    query->Close();
    int riga = -1;
    for (int i = 0; i < query->SQL.size() && riga < 0; ++i)
        if (query->SQL.at(i).left(5) == QLatin1String("WHERE"))
            riga = i;
    if (riga < 0)
        throw Exception(QStringLiteral("WHERE non specificato"));
    query->SQL[riga] =
        condizioni.isEmpty() ? tutte : QStringLiteral("WHERE ") + condizioni.join(QStringLiteral(" AND "));
    query->Open();
}

void TFqarn0014d_001::btEseguiClick()
{
    TFDBChildParsPage::btEseguiClick();
    TXDatabase &db = DMIDataBases::Instance().Global();
    const auto testo = [this](const char *campo) { return tPars->FieldByName(QLatin1String(campo))->AsString(); };
    const QDateTime inizio = tPars->FieldByName(QStringLiteral("DataInizio"))->AsDateTime();
    const QDateTime fine = tPars->FieldByName(QStringLiteral("DataFine"))->AsDateTime();
    if (!Funzioni::ControllaPeriodo(inizio, fine, ui->edDataInizio))
        return;
    // the dates restrict also when given alone
    const auto date = [&](const QString &alias, QStringList &condizioni) {
        if (!inizio.isNull())
            condizioni << alias + QStringLiteral(".DataInizio >= ") + db.FormatDataSQL(inizio);
        if (!fine.isNull())
            condizioni << alias + QStringLiteral(".DataFine <= ") + db.FormatDataSQL(fine);
    };

    QStringList riferimenti;
    if (!testo("IdZona").isEmpty())
        riferimenti << QStringLiteral("LTD.IdZona = ") + XWideQuotedStr(testo("IdZona"));
    if (!testo("IdSpedizione").isEmpty())
        riferimenti << QStringLiteral("LTD.IdSpedizione = ") + XWideQuotedStr(testo("IdSpedizione"));
    if (!testo("IdConto").isEmpty())
        riferimenti << QStringLiteral("LTD.IdConto = ") + XWideQuotedStr(testo("IdConto"));
    const int destinazione = tPars->FieldByName(QStringLiteral("IdDestinazione"))->AsInteger();
    if (destinazione != 0)
        riferimenti << QStringLiteral("LTD.IdDestinazione = %1").arg(destinazione);
    date(QStringLiteral("LTT"), riferimenti);
    Cerca(qListTraT, riferimenti, QStringLiteral("WHERE LTT.KListTraT > 0"));

    QStringList articoli;
    if (!testo("IdCategoria").isEmpty())
        articoli << QStringLiteral("LTR.IdCategoria = ") + XWideQuotedStr(testo("IdCategoria"));
    if (!testo("IdProdotto").isEmpty())
        articoli << QStringLiteral("LTR.IdProdotto = ") + XWideQuotedStr(testo("IdProdotto"));
    date(QStringLiteral("LTR"), articoli);
    Cerca(qListTraR, articoli, QStringLiteral("WHERE LTR.KListTraT > 0"));

    if (qListTraT->IsEmpty() && qListTraR->IsEmpty()) {
        Kmessages::KMessage(QStringLiteral("Nessun contratto trovato !!!"), mtWarning, mbOK);
        SetPagina(0);
        return;
    }
    SetPagina(1);
}
