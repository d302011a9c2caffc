#include "host/business/Sven0001f_001.h"

#include "ui_Sven0001f_001.h"

#include "host/business/Documento.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QHash>
#include <QLabel>
#include <QSqlQuery>
#include <QSqlRecord>

#include <memory>

namespace {

TField *F(TDataSet *d, const char *nome)
{
    return d->FieldByName(QLatin1String(nome));
}

} // namespace

TFSVen0001f_001::TFSVen0001f_001(QWidget *owner) : TfdlgBase(owner), ui(new Ui::Sven0001f_001)
{
    SetupLayout(*ui);
    SetCaption(QStringLiteral("Selezione Ordini"));
    TSelOrdR = new TXTable(this);
    TSelOrdR->SetName(QStringLiteral("TSelOrdR"));
    TSelOrdR->SetDatabaseName(QStringLiteral("LocalDatabase"));
    TSelOrdR->SetTableName(QStringLiteral("TSelOrdR"));
    TSelOrdR->SetUsaDizionario(true);
    TSelOrdR->SetIndexFieldNames(QStringLiteral("KOrdiniCliT;NumOrdine;KOrdiniCliR"));
    DSSelOrdR = new TDataSource(this);
    DSSelOrdR->SetName(QStringLiteral("DSSelOrdR"));
    DSSelOrdR->SetDataSet(TSelOrdR);
    gSelOrdR = ui->gSelOrdR;
    gSelOrdR->AddColumn(QStringLiteral("FlSelez"), QStringLiteral("Sel."), 40).ReadOnly = true;
    gSelOrdR->AddColumn(QStringLiteral("RifOrdineS"), QStringLiteral("Ordine"), 170).ReadOnly = true;
    gSelOrdR->AddColumn(QStringLiteral("IdProdotto"), QStringLiteral("Articolo"), 80).ReadOnly = true;
    gSelOrdR->AddColumn(QStringLiteral("Descrizione"), QStringLiteral("Descrizione"), 200).ReadOnly = true;
    gSelOrdR->AddColumn(QStringLiteral("QuantitaOrd"), QStringLiteral("Ordinata"), 70).ReadOnly = true;
    gSelOrdR->AddColumn(QStringLiteral("QuantitaSpe"), QStringLiteral("Spedita"), 70).ReadOnly = true;
    gSelOrdR->AddColumn(QStringLiteral("QtaDaSpedire"), QStringLiteral("Da spedire"), 70).ReadOnly = true;
    TColumn &scelta = gSelOrdR->AddColumn(QStringLiteral("QtaSelez"), QStringLiteral("Selezionata"), 80);
    scelta.Color = QColor(Qt::yellow);
    gSelOrdR->AddColumn(QStringLiteral("StatoRigo"), QStringLiteral("Stato"), 40).ReadOnly = true;
    // a double click marks or unmarks the line
    connect(gSelOrdR, &QAbstractItemView::doubleClicked, this, [this] { Guard([this] { SelezionaRigo(); }); });
}

TFSVen0001f_001::~TFSVen0001f_001()
{
    delete ui;
}

void TFSVen0001f_001::FormCreate()
{
    TfdlgBase::FormCreate();
    TSelOrdR->CreaTabella();
    TSelOrdR->Open();
    F(TSelOrdR, "QtaSelez")->OnValidate = [this](TField *s) { TSelOrdRQtaSelezValidate(s); };
}

bool TFSVen0001f_001::LeggiRigheDocumento(TFDocumento *documento)
{
    Documento = documento;
    CodTipoDoc = documento->TipoDoc().CodTipoDoc;
    DoCreate();
    TDataSet *testa = documento->TTesta;
    const QString clienteTp = testa->FieldByName(documento->TipoDoc().CampoContoTp)->AsString();
    const QString cliente = testa->FieldByName(documento->TipoDoc().CampoConto)->AsString().trimmed();
    ui->lbIdCliente->setText(cliente);

    // what the document took and has not saved yet, by order line
    QHash<qint64, double> presi;
    TXTable *righe = documento->TRigheNC;
    righe->Refresh();
    for (righe->First(); !righe->Eof(); righe->Next())
        if (F(righe, "Stato")->AsInteger() == 2 && F(righe, "KOrdineR")->AsInteger() != 0)
            presi[F(righe, "KOrdineR")->Value().toLongLong()] += F(righe, "Quantita")->AsFloat();

    TSelOrdR->DisableControls();
    TSelOrdR->EmptyTable();
    TSelOrdR->Refresh();
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT R.*, T.Numero AS NumeroOrdine, T.DataDocumento AS DataOrdine FROM OrdiniCliRighe R "
                       "JOIN OrdiniCliTeste T ON T.KOrdiniCliT = R.KOrdiniCliT "
                       "WHERE T.IdClienteTp = ? AND T.IdCliente = ? AND R.FlStato < 2 "
                       "ORDER BY T.DataDocumento, T.KOrdiniCliT, R.NumOrdine, R.KOrdiniCliR"),
        {clienteTp, cliente});
    const int dec = CFG.DecQuantita;
    try {
        TXTransaction locale(TSelOrdR->Database());
        while (q.next()) {
            const QSqlRecord r = q.record();
            const qint64 chiave = r.value(QStringLiteral("KOrdiniCliR")).toLongLong();
            const double residua =
                Funzioni::KRound(r.value(QStringLiteral("QuantitaOrd")).toDouble() - r.value(QStringLiteral("QuantitaSpe")).toDouble()
                                     - r.value(QStringLiteral("QuantitaAnn")).toDouble()
                                     - r.value(QStringLiteral("QuantitaSal")).toDouble() - presi.value(chiave),
                                 dec);
            if (residua <= 0)
                continue;
            TSelOrdR->Append();
            for (int i = 0; i < r.count(); ++i)
                if (TField *f = TSelOrdR->FindField(r.fieldName(i)))
                    f->SetValue(r.value(i));
            F(TSelOrdR, "FlStatoOld")->SetAsInteger(r.value(QStringLiteral("FlStato")).toInt());
            F(TSelOrdR, "StatoRigo")->SetAsString(r.value(QStringLiteral("FlStato")).toInt() == 1 ? QStringLiteral("P")
                                                                                                  : QStringLiteral("I"));
            F(TSelOrdR, "RifOrdineS")
                ->SetAsString(QStringLiteral("Ordine n. %1 del %2")
                                  .arg(r.value(QStringLiteral("NumeroOrdine")).toInt())
                                  .arg(Funzioni::DataToStringa(r.value(QStringLiteral("DataOrdine")).toDateTime())));
            F(TSelOrdR, "QtaDaSpedire")->SetAsFloat(residua);
            F(TSelOrdR, "FlSelez")->SetAsInteger(0);
            F(TSelOrdR, "QtaSelez")->SetAsFloat(0);
            TSelOrdR->Post();
        }
        if (locale.Started())
            locale.Commit();
    } catch (...) {
        if (TSelOrdR->State() == dsInsert)
            TSelOrdR->Cancel();
        TSelOrdR->EnableControls();
        throw;
    }
    TSelOrdR->First();
    TSelOrdR->EnableControls();
    return !TSelOrdR->IsEmpty();
}

void TFSVen0001f_001::SelezionaRigo()
{
    if (TSelOrdR->IsEmpty())
        return;
    const bool scelto = F(TSelOrdR, "FlSelez")->AsInteger() == 1;
    TSelOrdR->Edit();
    F(TSelOrdR, "FlSelez")->SetAsInteger(scelto ? 0 : 1);
    F(TSelOrdR, "QtaSelez")->SetAsFloat(scelto ? 0.0 : F(TSelOrdR, "QtaDaSpedire")->AsFloat());
    TSelOrdR->Post();
}

void TFSVen0001f_001::TSelOrdRQtaSelezValidate(TField *sender)
{
    const double q = sender->AsFloat();
    if (q < 0)
        throw Exception(QStringLiteral("La quantità selezionata non può essere negativa: indicare zero o più."));
    if (Funzioni::CompDec(q, F(TSelOrdR, "QtaDaSpedire")->AsFloat(), CFG.DecQuantita) > 0)
        throw Exception(QStringLiteral("Attenzione quantità selezionata superiore a quella dell'ordine"));
    // a quantity typed marks the line, zero unmarks it
    if (F(TSelOrdR, "FlSelez")->AsInteger() != 2)
        F(TSelOrdR, "FlSelez")->SetAsInteger(q > 0 ? 1 : 0);
}

bool TFSVen0001f_001::AggiornaRigoOrdine(qint64 kOrdiniCliR, double quantita, int modo)
{
    if (!TSelOrdR->Locate(QStringLiteral("KOrdiniCliR"), kOrdiniCliR)) {
        Kmessages::KMessage(QStringLiteral("Rigo ordine non trovato"), mtInformation, mbOK);
        return false;
    }
    const double segno = modo == 0 ? -1.0 : 1.0;
    TSelOrdR->Edit();
    F(TSelOrdR, "QtaDaSpedire")
        ->SetAsFloat(Funzioni::KRound(F(TSelOrdR, "QtaDaSpedire")->AsFloat() + segno * quantita, CFG.DecQuantita));
    F(TSelOrdR, "FlSelez")->SetAsInteger(modo == 0 ? 2 : 0);
    F(TSelOrdR, "QtaSelez")->SetAsFloat(0);
    TSelOrdR->Post();
    return true;
}

int TFSVen0001f_001::RigheSelezionate() const
{
    int n = 0;
    for (int i = 0, c = TSelOrdR->RowCount(); i < c; ++i)
        if (TSelOrdR->ValueAt(i, TSelOrdR->FieldByName(QStringLiteral("FlSelez"))).toInt() == 1)
            ++n;
    return n;
}

namespace Sven0001f_001 {

int SelezionaRigheOrdine(TFDocumento *documento)
{
    std::unique_ptr<TFSVen0001f_001> dialogo(
        Dlgbase::XGetDialogClass(ClassRef::Of<TFSVen0001f_001>()).CreateAs<TFSVen0001f_001>(nullptr));
    if (!dialogo->LeggiRigheDocumento(documento)) {
        Kmessages::KMessage(QStringLiteral("Il cliente non ha righe d'ordine da evadere."), mtInformation, mbOK);
        return 0;
    }
    if (dialogo->ShowModal() != mrOk || dialogo->RigheSelezionate() == 0)
        return 0;
    // the document's selection query reads the marked lines of TSelOrdR
    const int aggiunte = documento->AccodaRigheDaOrdine();
    TXTable *t = dialogo->TSelOrdR;
    t->Refresh();
    QList<QPair<qint64, double>> prese;
    for (t->First(); !t->Eof(); t->Next())
        if (F(t, "FlSelez")->AsInteger() == 1)
            prese << qMakePair(F(t, "KOrdiniCliR")->Value().toLongLong(), F(t, "QtaSelez")->AsFloat());
    for (const auto &p : prese)
        dialogo->AggiornaRigoOrdine(p.first, p.second, 0);
    return aggiunte;
}

} // namespace Sven0001f_001
