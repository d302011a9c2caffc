// The transport price-list print dialog and the analysis window: the selection of the lists
// (values quoted), one list per page with its reference and then article rows, and the search
// of reference and article rows in two grids.
#include "tests/module/masterdata/TrasportoFixture.h"

#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/report/ReportOutput.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/DBGrid.h"
#include "masterdata/Qarn0014d.h"
#include "masterdata/Qarn0014d_001.h"
#include "masterdata/Qarn0014s.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

using namespace kv8test;

namespace {

class StampaListini : public Trasporto {
protected:
    void SetUp() override
    {
        Trasporto::SetUp();
        if (IsSkipped())
            return;
        // stored out of code order
        sud = Listino(QStringLiteral("SUD"), QStringLiteral("Listino sud"), QDate(2026, 3, 1), QDate(2026, 9, 30),
                      QStringLiteral("USD"));
        nord = Listino(QStringLiteral("NORD"), QStringLiteral("Listino nord"), QDate(2026, 1, 1), QDate(2026, 12, 31));
        Riferimento(nord, QStringLiteral("S01"), QString(), QString(), 0, 1, 25, 0);
        Riferimento(nord, QString(), QStringLiteral("Z1"), QString(), 0, 0, 0, 0);
        Riferimento(nord, QStringLiteral("S02"), QString(), QStringLiteral("C001"), 1, 1, 0, 2.5);
        Articolo(nord, QStringLiteral("ROSSI"), QString(), 1, 0.5, QDate(2026, 1, 1), QDate(2026, 6, 30));
        Articolo(nord, QString(), QStringLiteral("BAR75"), 0, 0, QDate(2026, 2, 1), QDate(2026, 12, 31));
        Riferimento(sud, QString(), QStringLiteral("Z2"), QString(), 0, 0, 0, 0);
        Articolo(sud, QStringLiteral("BIANCHI"), QString(), 0, 0.25, QDate(2026, 3, 1), QDate(2026, 9, 30));
    }

    TFqarn0014d *Dialogo() { return Apri<TFqarn0014d>(QStringLiteral("QARN0014D")); }
    // Prints with the parameters given; the document printed.
    ReportDocument Stampa(TFqarn0014d *d, const QVariantMap &parametri = {})
    {
        for (auto it = parametri.begin(); it != parametri.end(); ++it)
            d->tPars->FieldByName(it.key())->SetValue(it.value());
        ReportCapture capture;
        d->btEsegui->click();
        ProcessEvents();
        if (capture.Prints().size() != 1) {
            ADD_FAILURE() << "no print: " << script.LastText().toStdString();
            return {};
        }
        return capture.Last().Document;
    }

    int sud = 0, nord = 0;
};

} // namespace

TEST_F(StampaListini, EveryListByCodeOnePerPage)
{
    TFqarn0014d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->Caption().isEmpty());
    const ReportDocument doc = Stampa(d);
    ASSERT_EQ(doc.PageCount(), 2);
    const ReportPage &p1 = doc.Pages[0];
    EXPECT_TRUE(p1.HasText(QStringLiteral("Listini di Trasporto")));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdIdListTra")), QStringList{"NORD"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDataInizio")), QStringList{"01/01/2026"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdSiglaDivisa")), QStringList{"€"});
    EXPECT_EQ(doc.Pages[1].TextsOf(QStringLiteral("fdIdListTra")), QStringList{"SUD"});
    EXPECT_EQ(doc.Pages[1].TextsOf(QStringLiteral("fdSiglaDivisa")), QStringList{"$"});

    // references by carrier, zone, account; charged "Tot" or "Riga"; zeros print nothing
    EXPECT_EQ(p1.TextsOf(QStringLiteral("ppTipoGes")), (QStringList{"Riga", "Tot", "Tot"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdIdZona")), QStringList{"Z1"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdIdSpedizione")), (QStringList{"S01", "S02"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDsSpedizione1")), (QStringList{"Autotrasporti Nord", "Corriere Sud"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdSpeseTrasporto")), QStringList{"25,000"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdPercSpesa")), QStringList{"2,50"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdIdDestinazione")), QStringList{"1"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdRagioneSociale")), QStringList{"Enoteca Alba"});
    // articles by category and article, after the references; a zero price prints nothing
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdIdProdotto")), QStringList{"BAR75"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDsProdotto")), QStringList{"Barbera 0,75"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdIdCategoria")), QStringList{"ROSSI"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdPrezzo")), QStringList{"0,500000"});
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdFlTipoPrz")), (QStringList{"0", "1"}));
    EXPECT_EQ(p1.TextsOf(QStringLiteral("fdDataFineRiga")), (QStringList{"31/12/2026", "30/06/2026"}));
    const PageItem *prodotto = p1.Find(QStringLiteral("fdIdProdotto"));
    const PageItem *categoria = p1.Find(QStringLiteral("fdIdCategoria"));
    ASSERT_TRUE(prodotto && categoria);
    EXPECT_LT(prodotto->Rect.top(), categoria->Rect.top()) << "the empty category first";
    const PageItem *ultimoRif = nullptr;
    for (const PageItem &i : p1.Items)
        if (i.Name == QLatin1String("ppTipoGes"))
            ultimoRif = &i;
    ASSERT_TRUE(ultimoRif);
    EXPECT_LT(ultimoRif->Rect.top(), prodotto->Rect.top()) << "references before articles";
}

TEST_F(StampaListini, TheParametersSelectTheLists)
{
    TFqarn0014d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    // only the last validity date: lists ending on or before it
    ReportDocument doc = Stampa(d, {{QStringLiteral("A_Data"), QDateTime(QDate(2026, 10, 31), QTime())}});
    ASSERT_EQ(doc.PageCount(), 1);
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdIdListTra")), QStringList{"SUD"});
    // the first validity date too: the whole period inside
    doc = Stampa(d, {{QStringLiteral("A_Data"), QVariant()},
                     {QStringLiteral("Da_Data"), QDateTime(QDate(2026, 2, 1), QTime())}});
    ASSERT_EQ(doc.PageCount(), 1);
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdIdListTra")), QStringList{"SUD"});
    // a range of codes
    doc = Stampa(d, {{QStringLiteral("Da_Data"), QVariant()},
                     {QStringLiteral("Da_IdListTra"), QStringLiteral("A")},
                     {QStringLiteral("A_IdListTra"), QStringLiteral("O")}});
    ASSERT_EQ(doc.PageCount(), 1);
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdIdListTra")), QStringList{"NORD"});
    // a quote in a code is a value, not SQL
    d->tPars->FieldByName(QStringLiteral("A_IdListTra"))->SetAsString(QStringLiteral("O' OR 1=1 --"));
    EXPECT_EQ(d->Selezione(), QStringLiteral("LTT.IdListTra >= 'A' AND LTT.IdListTra <= 'O'' OR 1=1 --'"));
    doc = Stampa(d);
    ASSERT_EQ(doc.PageCount(), 1) << script.LastText().toStdString();
    EXPECT_EQ(doc.Pages[0].TextsOf(QStringLiteral("fdIdListTra")), QStringList{"NORD"});
}

TEST_F(StampaListini, ThePrintAsAPdf)
{
    TFqarn0014d *d = Dialogo();
    ASSERT_NE(d, nullptr);
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    qputenv("KV8_PRINT_DIR", cartella.path().toLocal8Bit());
    {
        std::unique_ptr<Tfqarn0014s> stampa(
            Kv8reportb::XGetReportClass(ClassRef::Of<Tfqarn0014s>()).CreateAs<Tfqarn0014s>(d));
        stampa->InitReport();
        stampa->ImpostaQuery(stampa->qMain, 0, d->Selezione(), QStringLiteral("LTT.IdListTra"));
        stampa->EseguiStampa(false);
    }
    qunsetenv("KV8_PRINT_DIR");
    const QStringList pdf = QDir(cartella.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    ASSERT_EQ(pdf.size(), 1) << script.LastText().toStdString();
    QFile letto(QDir(cartella.path()).filePath(pdf.first()));
    ASSERT_TRUE(letto.open(QIODevice::ReadOnly));
    EXPECT_TRUE(letto.read(5).startsWith("%PDF"));
}

// ---- analysis

namespace {

class AnalisiListini : public StampaListini {
protected:
    TFqarn0014d_001 *Analisi() { return Apri<TFqarn0014d_001>(QStringLiteral("QARN0014D_001")); }
    void Cerca(TFqarn0014d_001 *a, const QVariantMap &parametri = {})
    {
        for (TField *f : a->tPars->FieldList())
            if (f->FieldKind() == fkData)
                f->Clear();
        for (auto it = parametri.begin(); it != parametri.end(); ++it)
            a->tPars->FieldByName(it.key())->SetValue(it.value());
        a->btEsegui->click();
        ProcessEvents();
    }
    // The rows of a result query: the fields given joined by "/", sorted.
    static QStringList Risultati(TXQuery *q, const QString &campi)
    {
        QStringList out;
        if (!q->Active())
            return out;
        for (q->First(); !q->Eof(); q->Next()) {
            QStringList r;
            for (TField *f : q->GetFieldList(campi))
                r << f->AsString();
            out << r.join(u'/');
        }
        out.sort();
        return out;
    }
};

} // namespace

TEST_F(AnalisiListini, NoParameterShowsEveryReferenceAndArticle)
{
    const int vuoto =
        Listino(QStringLiteral("VUOTO"), QStringLiteral("Senza righe"), QDate(2026, 1, 1), QDate(2026, 1, 31));
    TFqarn0014d_001 *a = Analisi();
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Pagina(), 0);
    Cerca(a);
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
    EXPECT_EQ(a->Pagina(), 1);
    EXPECT_EQ(Risultati(a->qListTraT, QStringLiteral("IdListTra;IdSpedizione;IdZona;_TipoGest")),
              (QStringList{"NORD//Z1/R", "NORD/S01//C", "NORD/S02//C", "SUD//Z2/R", "VUOTO///R"}));
    EXPECT_EQ(Risultati(a->qListTraR, QStringLiteral("IdListTra;IdCategoria;IdProdotto;_TipoPrz")),
              (QStringList{"NORD//BAR75/B", "NORD/ROSSI//C", "SUD/BIANCHI//B"}));
    // the row's own dates, the list's as DataInizio_1 and DataFine_1
    ASSERT_TRUE(a->qListTraR->Locate(QStringLiteral("IdProdotto"), QStringLiteral("BAR75")));
    EXPECT_EQ(a->qListTraR->FieldByName(QStringLiteral("DataInizio"))->AsDateTime().date(), QDate(2026, 2, 1));
    EXPECT_EQ(a->qListTraR->FieldByName(QStringLiteral("DataInizio_1"))->AsDateTime().date(), QDate(2026, 1, 1));
    EXPECT_EQ(a->qListTraR->FieldByName(QStringLiteral("DataFine_1"))->AsDateTime().date(), QDate(2026, 12, 31));
    EXPECT_EQ(a->gRisultati->ColumnCount(), 12);
    EXPECT_EQ(a->gListTraR->ColumnCount(), 9);
    EXPECT_EQ(a->gListTraR->Columns(5).Title, QStringLiteral("T.Prz."));
    Q_UNUSED(vuoto);
}

TEST_F(AnalisiListini, ConditionsRestrictEachQuery)
{
    TFqarn0014d_001 *a = Analisi();
    ASSERT_NE(a, nullptr);
    // a destination of 0 adds nothing
    Cerca(a, {{QStringLiteral("IdSpedizione"), QStringLiteral("S02")}, {QStringLiteral("IdDestinazione"), 0}});
    EXPECT_EQ(Risultati(a->qListTraT, QStringLiteral("IdListTra;IdSpedizione")), QStringList{"NORD/S02"});
    Cerca(a, {{QStringLiteral("IdConto"), QStringLiteral("C001")}, {QStringLiteral("IdDestinazione"), 1}});
    EXPECT_EQ(Risultati(a->qListTraT, QStringLiteral("IdListTra;IdConto;RagioneSociale")),
              QStringList{"NORD/C001/Enoteca Alba"});
    Cerca(a, {{QStringLiteral("IdConto"), QStringLiteral("C001")}, {QStringLiteral("IdDestinazione"), 2}});
    EXPECT_TRUE(Risultati(a->qListTraT, QStringLiteral("IdListTra")).isEmpty());

    // articles found, no reference: the results with an empty reference grid
    script.ClearMessages();
    Cerca(a, {{QStringLiteral("IdZona"), QStringLiteral("Z9")},
              {QStringLiteral("IdCategoria"), QStringLiteral("BIANCHI")}});
    EXPECT_TRUE(script.Messages().isEmpty());
    EXPECT_EQ(a->Pagina(), 1);
    EXPECT_TRUE(a->qListTraT->IsEmpty());
    EXPECT_EQ(Risultati(a->qListTraR, QStringLiteral("IdListTra;IdCategoria")), QStringList{"SUD/BIANCHI"});

    // nothing found: a warning, the parameters stay in view
    a->SetPagina(0);
    Cerca(a,
          {{QStringLiteral("IdZona"), QStringLiteral("Z9")}, {QStringLiteral("IdProdotto"), QStringLiteral("ARN75")}});
    ASSERT_EQ(script.Messages().size(), 1);
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun contratto trovato !!!"));
    EXPECT_EQ(script.Messages().last().Type, mtWarning);
    EXPECT_EQ(a->Pagina(), 0);

    // a quote in a code is a value
    script.ClearMessages();
    Cerca(a, {{QStringLiteral("IdConto"), QStringLiteral("C'02")},
              {QStringLiteral("IdCategoria"), QStringLiteral("X' OR '1'='1")}});
    EXPECT_EQ(script.LastText(), QStringLiteral("Nessun contratto trovato !!!"));
}

TEST_F(AnalisiListini, DatesAloneRestrict)
{
    TFqarn0014d_001 *a = Analisi();
    ASSERT_NE(a, nullptr);
    Cerca(a, {{QStringLiteral("DataInizio"), QDateTime(QDate(2026, 2, 1), QTime())}});
    EXPECT_EQ(Risultati(a->qListTraT, QStringLiteral("IdListTra;IdZona")), QStringList{"SUD/Z2"});
    EXPECT_EQ(Risultati(a->qListTraR, QStringLiteral("IdListTra;IdCategoria;IdProdotto")),
              (QStringList{"NORD//BAR75", "SUD/BIANCHI/"}));
    Cerca(a, {{QStringLiteral("DataFine"), QDateTime(QDate(2026, 7, 31), QTime())}});
    EXPECT_TRUE(a->qListTraT->IsEmpty());
    EXPECT_EQ(Risultati(a->qListTraR, QStringLiteral("IdListTra;IdCategoria")), QStringList{"NORD/ROSSI"});
}

TEST_F(AnalisiListini, AQueryWithoutAWhereLineStops)
{
    TFqarn0014d_001 *a = Analisi();
    ASSERT_NE(a, nullptr);
    a->qListTraR->SQL.removeLast();
    Cerca(a);
    EXPECT_EQ(script.LastText(), QStringLiteral("WHERE non specificato"));
    EXPECT_EQ(a->Pagina(), 0);
}
