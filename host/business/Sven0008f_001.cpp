#include "host/business/Sven0008f_001.h"

#include "ui_Sven0008f_001.h"

#include "host/business/Sven0008f.h"
#include "host/core/Errors.h"
#include "host/data/TDataSource.h"
#include "host/data/TXClientTable.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/db/TXDatabase.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Kmessages.h"

#include <QLabel>
#include <QSet>
#include <QSqlQuery>

#include <memory>

namespace {

TField *F(TDataSet *d, const char *nome)
{
    return d->FieldByName(QLatin1String(nome));
}

} // namespace

TFSVen0008f_001::TFSVen0008f_001(QWidget *owner) : TfdlgBase(owner), ui(new Ui::Sven0008f_001)
{
    SetupLayout(*ui);
    SetCaption(QStringLiteral("Selezione DDT"));
    TSelBolle = new TXMemTable(this);
    TSelBolle->SetName(QStringLiteral("TSelBolle"));
    for (const char *nome : {"FlSelez", "Numero", "Anno", "RigheDaFatturare"})
        TSelBolle->AddField(QLatin1String(nome), ftInteger);
    F(TSelBolle, "FlSelez")->SetFlag(true);
    TSelBolle->AddField(QStringLiteral("KBolleCliT"), ftLargeint);
    TSelBolle->AddField(QStringLiteral("IdCausale"), ftString, 10);
    TSelBolle->AddField(QStringLiteral("DataDocumento"), ftDateTime)->SetDisplayFormat(QStringLiteral("dd/mm/yyyy"));
    TSelBolle->Open();
    DSSelBolle = new TDataSource(this);
    DSSelBolle->SetName(QStringLiteral("DSSelBolle"));
    DSSelBolle->SetDataSet(TSelBolle);
    DSSelBolle->SetAutoEdit(false);
    gSelBolle = ui->gSelBolle;
    gSelBolle->SetReadOnly(true);
    gSelBolle->AddColumn(QStringLiteral("FlSelez"), QStringLiteral("Sel."), 40);
    gSelBolle->AddColumn(QStringLiteral("IdCausale"), QStringLiteral("Causale"), 70);
    gSelBolle->AddColumn(QStringLiteral("Numero"), QStringLiteral("Numero"), 70);
    gSelBolle->AddColumn(QStringLiteral("Anno"), QStringLiteral("Anno"), 50);
    gSelBolle->AddColumn(QStringLiteral("DataDocumento"), QStringLiteral("Data"), 90);
    gSelBolle->AddColumn(QStringLiteral("RigheDaFatturare"), QStringLiteral("Righe da fatturare"), 130);
    // Space or a double click marks or unmarks the note
    gSelBolle->OnSegnaRiga = [this](KDBGriglia *) { SelezionaBolla(); };
    SetActiveControl(gSelBolle);
}

TFSVen0008f_001::~TFSVen0008f_001()
{
    delete ui;
}

bool TFSVen0008f_001::LeggiBolle(TFSVen0008f *fattura)
{
    const QString cliente = F(fattura->TTesta, "IdCliente")->AsString().trimmed();
    ui->lbIdCliente->setText(cliente);
    // the rows the invoice being edited took already
    QSet<qint64> prese;
    TXClientTable *presi = fattura->TRigheDDT;
    for (presi->First(); !presi->Eof(); presi->Next())
        if (F(presi, "KFatturaR")->AsInteger() == 999)
            prese.insert(F(presi, "KBolleCliR")->Value().toLongLong());
    // the rows the invoice would take: the same selection as its AccodaRigheDaDDT
    QSqlQuery q = DMIDataBases::Instance().Global().OpenQuery(
        QStringLiteral("SELECT T.KBolleCliT, T.IdCausale, T.Numero, T.Anno, T.DataDocumento, R.KBolleCliR "
                       "FROM BolleCliTeste T JOIN BolleCliRighe R ON R.KBolleCliT = T.KBolleCliT "
                       "WHERE T.IdClienteTp = 'CL' AND T.IdCliente = ? AND R.FlGenFattura = 0 "
                       "ORDER BY T.DataDocumento, T.Numero, T.KBolleCliT"),
        {cliente});
    TSelBolle->DisableControls();
    TSelBolle->EmptyTable();
    qint64 ultima = 0;
    while (q.next()) {
        if (prese.contains(q.value(5).toLongLong()))
            continue;
        const qint64 bolla = q.value(0).toLongLong();
        if (bolla != ultima) {
            if (ultima != 0)
                TSelBolle->Post();
            ultima = bolla;
            TSelBolle->Append();
            F(TSelBolle, "FlSelez")->SetAsInteger(0);
            F(TSelBolle, "KBolleCliT")->SetAsLargeInt(bolla);
            F(TSelBolle, "IdCausale")->SetAsString(q.value(1).toString().trimmed());
            F(TSelBolle, "Numero")->SetAsInteger(q.value(2).toInt());
            F(TSelBolle, "Anno")->SetAsInteger(q.value(3).toInt());
            F(TSelBolle, "DataDocumento")->SetAsDateTime(q.value(4).toDateTime());
            F(TSelBolle, "RigheDaFatturare")->SetAsInteger(0);
        }
        TField *righe = F(TSelBolle, "RigheDaFatturare");
        righe->SetAsInteger(righe->AsInteger() + 1);
    }
    if (ultima != 0)
        TSelBolle->Post();
    TSelBolle->First();
    TSelBolle->EnableControls();
    return !TSelBolle->IsEmpty();
}

void TFSVen0008f_001::SelezionaBolla()
{
    if (TSelBolle->IsEmpty())
        return;
    TSelBolle->Edit();
    TField *scelta = F(TSelBolle, "FlSelez");
    scelta->SetAsInteger(scelta->AsInteger() == 0 ? 1 : 0);
    TSelBolle->Post();
}

QList<qint64> TFSVen0008f_001::BolleSelezionate()
{
    QList<qint64> scelte;
    const TBookmark posto = TSelBolle->GetBookmark();
    TSelBolle->DisableControls();
    for (TSelBolle->First(); !TSelBolle->Eof(); TSelBolle->Next())
        if (F(TSelBolle, "FlSelez")->AsInteger() != 0)
            scelte << F(TSelBolle, "KBolleCliT")->Value().toLongLong();
    if (TSelBolle->BookmarkValid(posto))
        TSelBolle->GotoBookmark(posto);
    TSelBolle->EnableControls();
    return scelte;
}

namespace Sven0008f_001 {

int SelezionaBolle(TFSVen0008f *fattura)
{
    if (F(fattura->TTesta, "IdCliente")->AsString().trimmed().isEmpty())
        throw Exception(QStringLiteral("Indicare il cliente della fattura prima di prendere le righe dai DDT."));
    std::unique_ptr<TFSVen0008f_001> dialogo(
        Dlgbase::XGetDialogClass(ClassRef::Of<TFSVen0008f_001>()).CreateAs<TFSVen0008f_001>(nullptr));
    if (!dialogo->LeggiBolle(fattura)) {
        Kmessages::KMessage(QStringLiteral("Il cliente non ha DDT da fatturare."), mtInformation, mbOK);
        return 0;
    }
    int aggiunte = 0;
    if (dialogo->ShowModal() == mrOk) {
        const QList<qint64> scelte = dialogo->BolleSelezionate();
        if (!scelte.isEmpty()) {
            fattura->BolleSelezionate = scelte;
            try {
                aggiunte = fattura->AccodaRigheDaDDT();
            } catch (...) {
                fattura->RiattivaFormDDT(dialogo.get());
                throw;
            }
        }
    }
    fattura->RiattivaFormDDT(dialogo.get());
    return aggiunte;
}

} // namespace Sven0008f_001
