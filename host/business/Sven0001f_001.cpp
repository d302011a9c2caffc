#include "host/business/Sven0001f_001.h"

#include "ui_Sven0001f_001.h"

#include "host/business/Documento.h"
#include "host/core/Applvar.h"
#include "host/core/Errors.h"
#include "host/core/Funzioni.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/db/TXTransaction.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
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
    // the order reference of the line, as the grid shows it
    TSelOrdR->AddCalcField(QStringLiteral("_RifOrdine"), ftString, 60)->SetDisplayLabel(QStringLiteral("Rif. ordine"));
    TSelOrdR->OnCalcFields = [](TDataSet *d) { F(d, "_RifOrdine")->SetAsString(F(d, "RifOrdineS")->AsString()); };
    DSSelOrdR = new TDataSource(this);
    DSSelOrdR->SetName(QStringLiteral("DSSelOrdR"));
    DSSelOrdR->SetDataSet(TSelOrdR);
    TTesteOrdini = new TXMemTable(this);
    TTesteOrdini->SetName(QStringLiteral("TTesteOrdini"));
    TTesteOrdini->AddField(QStringLiteral("KOrdiniCliT"), ftInteger);
    TTesteOrdini->AddField(QStringLiteral("RifOrdineS"), ftString, 60);
    TTesteOrdini->Open();
    QRigheOrdine = new TXQuery(this);
    QRigheOrdine->SetName(QStringLiteral("QRigheOrdine"));
    CmdRigheOrdine = new TXQuery(this);
    CmdRigheOrdine->SetName(QStringLiteral("CmdRigheOrdine"));
    CmdRigheOrdine->SetDatabaseName(QStringLiteral("LocalDatabase"));
    CmdRigheOrdine->SQL = QStringList{QStringLiteral("DELETE FROM TSelOrdR WHERE KOrdiniCliT = :KOrdineT")};
    TDettQta = new TXMemTable(this);
    TDettQta->SetName(QStringLiteral("TDettQta"));
    for (const char *nome : {"KDettQta", "KTesta", "KRigo", "Stato"})
        TDettQta->AddField(QLatin1String(nome), ftInteger);
    TDettQta->AddField(QStringLiteral("IdVariante"), ftString, 20);
    TDettQta->AddField(QStringLiteral("Gruppo"), ftString, 10);
    TDettQta->AddField(QStringLiteral("IdLotto"), ftString, 20);
    for (const char *nome :
         {"Quantita", "QuantitaSpe", "QuantitaSal", "QuantitaAnn", "QtaSelez", "_QtaDaEvadere", "QuantitaSaldoDaRigo"})
        TDettQta->AddField(QLatin1String(nome), ftFloat);
    TDettQta->Open();
    const QString dettaglio = QStringLiteral(
        "SELECT D.KDettQta, D.KTestaDoc AS KTesta, D.KRigoDoc AS KRigo, D.IdVariante, D.Gruppo, D.IdLotto, 0 AS Stato, "
        "D.Quantita, D.QuantitaSpe, D.QuantitaSal, 0 AS QuantitaAnn, D.Quantita - D.QuantitaSpe - D.QuantitaSal AS "
        "_QtaDaEvadere FROM DettQtaDoc D WHERE D.FlTipoDocumento = 2 AND D.KTestaDoc = :KTesta");
    QDettTesta = new TXQuery(this);
    QDettTesta->SetName(QStringLiteral("QDettTesta"));
    QDettTesta->SQL = QStringList{dettaglio, QStringLiteral("ORDER BY D.KRigoDoc, D.KDettQta")};
    QDettRigo = new TXQuery(this);
    QDettRigo->SetName(QStringLiteral("QDettRigo"));
    QDettRigo->SQL = QStringList{dettaglio, QStringLiteral("AND D.KRigoDoc = :KRigo ORDER BY D.KDettQta")};
    gSelOrdR = ui->gSelOrdR;
    KDBGR = gSelOrdR;
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
    // Space or a double click marks or unmarks the line
    gSelOrdR->OnSegnaRiga = [this](KDBGriglia *) { SelezionaRigo(); };
    SetActiveControl(gSelOrdR);
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
    ui->edQtaSelez->OnEnter = [this](TDBEdit *e) { edQtaSelezEnter(e); };
}

void TFSVen0001f_001::btOkClick()
{
    TfdlgBase::btOkClick();
    if (TSelOrdR->State() == dsEdit || TSelOrdR->State() == dsInsert)
        TSelOrdR->Post();
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

    // the customer's orders with open lines
    TTesteOrdini->EmptyTable();
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT T.KOrdiniCliT, T.Numero, T.DataDocumento FROM OrdiniCliTeste T "
                       "WHERE T.IdClienteTp = ? AND T.IdCliente = ? AND EXISTS (SELECT 1 FROM OrdiniCliRighe R "
                       "WHERE R.KOrdiniCliT = T.KOrdiniCliT AND R.FlStato < 2) "
                       "ORDER BY T.DataDocumento, T.KOrdiniCliT"),
        {clienteTp, cliente});
    while (q.next()) {
        TTesteOrdini->Append();
        F(TTesteOrdini, "KOrdiniCliT")->SetValue(q.value(0));
        F(TTesteOrdini, "RifOrdineS")
            ->SetAsString(QStringLiteral("Ordine n. %1 del %2")
                              .arg(q.value(1).toInt())
                              .arg(Funzioni::DataToStringa(q.value(2).toDateTime())));
        TTesteOrdini->Post();
    }
    TSelOrdR->EmptyTable();
    TSelOrdR->Refresh();
    TDettQta->EmptyTable();
    Impronte.clear();
    for (TTesteOrdini->First(); !TTesteOrdini->Eof(); TTesteOrdini->Next())
        if (PrenotaDocumento(F(TTesteOrdini, "KOrdiniCliT")->Value().toLongLong()))
            LeggiRigheDocumento(TTesteOrdini, TSelOrdR, TDettQta, Impronte, false);
    TSelOrdR->First();
    return !TSelOrdR->IsEmpty();
}

int TFSVen0001f_001::LeggiRigheDocumento(TDataSet *teste, TDataSet *righe, TDataSet *, QStringList &, bool rilettura)
{
    if (rilettura && !teste->Locate(QStringLiteral("KOrdiniCliT"), F(righe, "KOrdiniCliT")->Value()))
        return 0;
    const QVariant ordine = F(teste, "KOrdiniCliT")->Value();
    // what the document took and has not saved yet, by order line
    QHash<qint64, double> presi;
    if (Documento) {
        TXTable *doc = Documento->TRigheNC;
        doc->Refresh();
        for (doc->First(); !doc->Eof(); doc->Next())
            if (F(doc, "Stato")->AsInteger() == 2 && F(doc, "KOrdineR")->AsInteger() != 0)
                presi[F(doc, "KOrdineR")->Value().toLongLong()] += F(doc, "Quantita")->AsFloat();
    }
    if (rilettura) {
        CmdRigheOrdine->ParamByName(QStringLiteral("KOrdineT"))->SetValue(ordine);
        CmdRigheOrdine->ExecSQL();
        TSelOrdR->Refresh();
    }
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT R.* FROM OrdiniCliRighe R WHERE R.KOrdiniCliT = ? AND R.FlStato < 2 "
                       "ORDER BY R.NumOrdine, R.KOrdiniCliR"),
        {ordine});
    const int dec = CFG.DecQuantita;
    int lette = 0;
    const bool spente = righe->ControlsDisabled();
    if (!spente)
        righe->DisableControls();
    try {
        TXTransaction locale(TSelOrdR->Database());
        while (q.next()) {
            const QSqlRecord r = q.record();
            const qint64 chiave = r.value(QStringLiteral("KOrdiniCliR")).toLongLong();
            const double residua = Funzioni::KRound(
                r.value(QStringLiteral("QuantitaOrd")).toDouble() - r.value(QStringLiteral("QuantitaSpe")).toDouble()
                    - r.value(QStringLiteral("QuantitaAnn")).toDouble()
                    - r.value(QStringLiteral("QuantitaSal")).toDouble() - presi.value(chiave),
                dec);
            if (residua <= 0)
                continue;
            AccodaRigoLetto(righe, r, F(teste, "RifOrdineS")->AsString(), residua);
            ++lette;
        }
        if (locale.Started())
            locale.Commit();
    } catch (...) {
        if (righe->State() == dsInsert)
            righe->Cancel();
        if (!spente)
            righe->EnableControls();
        throw;
    }
    if (!spente)
        righe->EnableControls();
    return lette;
}

void TFSVen0001f_001::AccodaRigoLetto(TDataSet *righe, const QSqlRecord &r, const QString &rifOrdine, double residua)
{
    righe->Append();
    for (int i = 0; i < r.count(); ++i)
        if (TField *f = righe->FindField(r.fieldName(i)))
            f->SetValue(r.value(i));
    F(righe, "FlStatoOld")->SetAsInteger(r.value(QStringLiteral("FlStato")).toInt());
    F(righe, "StatoRigo")
        ->SetAsString(r.value(QStringLiteral("FlStato")).toInt() == 1 ? QStringLiteral("P") : QStringLiteral("I"));
    F(righe, "RifOrdineS")->SetAsString(rifOrdine);
    F(righe, "QtaDaSpedire")->SetAsFloat(residua);
    F(righe, "ImpDaSelez")
        ->SetAsFloat(r.value(QStringLiteral("ImportoLordo")).toDouble()
                     - r.value(QStringLiteral("ImportoSpeditoL")).toDouble());
    F(righe, "FlSelez")->SetAsInteger(0);
    F(righe, "QtaSelez")->SetAsFloat(0);
    righe->Post();
}

void TFSVen0001f_001::CancellaDettaglioOrdine(qint64 kOrdineT)
{
    TDettQta->First();
    while (!TDettQta->Eof()) {
        if (F(TDettQta, "KTesta")->Value().toLongLong() == kOrdineT)
            TDettQta->Delete();
        else
            TDettQta->Next();
    }
}

bool TFSVen0001f_001::CheckControllaGiacenzaDettaglio(const QString &idLotto, const QString &)
{
    return !idLotto.trimmed().isEmpty();
}

bool TFSVen0001f_001::PrenotaDocumento(qint64 kOrdiniCliT)
{
    prenotati_.insert(kOrdiniCliT);
    return true;
}

bool TFSVen0001f_001::DocumentoPrenotato(qint64 kOrdiniCliT) const
{
    return prenotati_.contains(kOrdiniCliT);
}

bool TFSVen0001f_001::VMTestRigheDaEvadere(TDataSet *, TDataSet *)
{
    return true;
}

bool TFSVen0001f_001::InserisciRigoOrdineNoElab(qint64 kOrdiniCliR)
{
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT R.* FROM OrdiniCliRighe R WHERE R.KOrdiniCliR = ? AND R.FlStato < 2"), {kOrdiniCliR});
    if (!q.next())
        return false;
    const QSqlRecord r = q.record();
    const QVariant ordine = r.value(QStringLiteral("KOrdiniCliT"));
    const QString rif =
        TTesteOrdini->Lookup(QStringLiteral("KOrdiniCliT"), ordine, QStringLiteral("RifOrdineS")).toString();
    AccodaRigoLetto(
        TSelOrdR, r, rif,
        r.value(QStringLiteral("QuantitaOrd")).toDouble() - r.value(QStringLiteral("QuantitaSpe")).toDouble()
            - r.value(QStringLiteral("QuantitaAnn")).toDouble() - r.value(QStringLiteral("QuantitaSal")).toDouble());
    return true;
}

void TFSVen0001f_001::edQtaSelezEnter(QObject *sender)
{
    if (auto *e = qobject_cast<QLineEdit *>(sender))
        e->selectAll();
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
    ControllaQtaDaSpedire(q);
    // a quantity typed marks the line, zero unmarks it
    if (F(TSelOrdR, "FlSelez")->AsInteger() != 2)
        F(TSelOrdR, "FlSelez")->SetAsInteger(q > 0 ? 1 : 0);
}

void TFSVen0001f_001::ControllaQtaDaSpedire(double quantita)
{
    if (Funzioni::CompDec(quantita, F(TSelOrdR, "QtaDaSpedire")->AsFloat(), CFG.DecQuantita) > 0)
        throw Exception(QStringLiteral("Attenzione quantità selezionata superiore a quella dell'ordine"));
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

void TFSVen0001f_001::AggiornaDettaglioQta(qint64, qint64) {}

int TFSVen0001f_001::RigheSelezionate() const
{
    int n = 0;
    for (int i = 0, c = TSelOrdR->RowCount(); i < c; ++i)
        if (TSelOrdR->ValueAt(i, TSelOrdR->FieldByName(QStringLiteral("FlSelez"))).toInt() == 1)
            ++n;
    return n;
}

int TFSVen0001f_001::ContaOrdini() const
{
    QSet<qint64> ordini;
    TField *chiave = TSelOrdR->FieldByName(QStringLiteral("KOrdiniCliT"));
    for (int i = 0, c = TSelOrdR->RowCount(); i < c; ++i)
        ordini.insert(TSelOrdR->ValueAt(i, chiave).toLongLong());
    return int(ordini.size());
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
    documento->SelezioneOrdiniAperta(dialogo.get(), dialogo->ContaOrdini());
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

namespace {

void RegistraSelezione()
{
    TFDocumento::Dialoghi().SelezionaRigheOrdine = &Sven0001f_001::SelezionaRigheOrdine;
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(RegistraSelezione)
