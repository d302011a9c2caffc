// Drop-down lists from the dictionary, the grid over a dataset, parameter dialogs, the
// host's code search and its report-parameter dialog.
#include "host/core/KFormati.h"
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/data/TXQuery.h"
#include "host/data/TXTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "host/ui/Dbchildpars.h"
#include "host/ui/Dlgrptparam.h"
#include "host/ui/SearchDialog.h"
#include "host/ui/TabellaGenerica.h"
#include "host/ui/WindowFactory.h"
#include "tests/support/ui/LogCapture.h"
#include "tests/support/ui/WindowDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kv8test;

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        TXDatabase &db = company.Database();
        db.ExecSQL(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlTipoPrz, FlStaRegCs) VALUES ('1', 1, 2)"));
        const char *colours[][2] = {{"BIA", "Bianco"}, {"ROS", "Rosso"}, {"ROX", "Rosato"}, {"NER", "Nero"}};
        for (auto &c : colours)
            db.ExecSQL(QStringLiteral("INSERT INTO LUMO_Colori (IdColore, DsColore) VALUES (?, ?)"),
                       {QString::fromLatin1(c[0]), QString::fromLatin1(c[1])});
    }
    // A grid "gColori" on the colours table (ordered by code, labels from the dictionary) of
    // the form; the table is left closed.
    KDBGriglia *ColourGrid(TForm &form, TXTable *&table, TDataSource *&source)
    {
        table = new TXTable(&form);
        table->SetTableName(QStringLiteral("LUMO_Colori"));
        table->SetUsaDizionario(true);
        table->SetIndexFieldNames(QStringLiteral("IdColore"));
        source = new TDataSource(&form);
        source->SetDataSet(table);
        auto *grid = new KDBGriglia(form.ClientArea());
        grid->setObjectName(QStringLiteral("gColori"));
        grid->SetDataSource(source);
        return grid;
    }

    UiCompany company;
    UiScript script;
};

// A parameter dialog with one validated field.
class TFProvaPars : public TFDBChildPars {
    Q_OBJECT
public:
    explicit TFProvaPars(QWidget *owner = nullptr) : TFDBChildPars(owner)
    {
        tPars->AddField(QStringLiteral("DaCodice"), ftString, 5);
        tPars->AddField(QStringLiteral("Copie"), ftInteger);
        edDaCodice = new TDBEdit(ClientArea());
        edDaCodice->setObjectName(QStringLiteral("edDaCodice"));
        edDaCodice->setProperty("dataSource", QStringLiteral("DSPars"));
        edDaCodice->setProperty("dataField", QStringLiteral("DaCodice"));
    }
    void FormCreate() override
    {
        TFDBChildPars::FormCreate();
        tPars->FieldByName(QStringLiteral("Copie"))->OnValidate = [](TField *f) {
            if (f->AsInteger() < 0)
                throw Exception(QStringLiteral("Numero di copie non valido"));
        };
    }
    void btEseguiClick() override
    {
        TFDBChildPars::btEseguiClick();
        runs << tPars->FieldByName(QStringLiteral("DaCodice"))->AsString();
    }
    TDBEdit *edDaCodice = nullptr;
    QStringList runs;
};

} // namespace

TEST_F(ControlsTest, ComboBoxShowsTheDictionaryItemsAndStoresTheValue)
{
    TForm form;
    auto *table = new TXTable(&form);
    table->SetTableName(QStringLiteral("LUMO_Parametri"));
    table->SetUsaDizionario(true);
    auto *source = new TDataSource(&form);
    source->setObjectName(QStringLiteral("DSMain"));
    source->SetDataSet(table);
    auto *combo = new TDBComboBox(form.ClientArea());
    combo->setProperty("dataSource", QStringLiteral("DSMain"));
    combo->setProperty("dataField", QStringLiteral("FlTipoPrz"));
    form.DoCreate();
    table->Open();

    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("Prezzo unitario"));
    EXPECT_EQ(combo->itemText(1), QStringLiteral("Prezzo a confezione"));
    EXPECT_EQ(combo->currentIndex(), 1) << "shows the stored value 1";

    EXPECT_TRUE(combo->SelectValue(0));
    EXPECT_EQ(table->State(), dsEdit);
    EXPECT_EQ(table->FieldByName(QStringLiteral("FlTipoPrz"))->AsInteger(), 0);
    table->Post();
    EXPECT_EQ(company.Database().ScalarValue(QStringLiteral("SELECT FlTipoPrz FROM LUMO_Parametri")).toInt(), 0);

    table->Edit();
    table->FieldByName(QStringLiteral("FlTipoPrz"))->SetAsInteger(1);
    EXPECT_EQ(combo->currentText(), QStringLiteral("Prezzo a confezione"));
    table->FieldByName(QStringLiteral("FlTipoPrz"))->SetAsInteger(9);
    EXPECT_EQ(combo->currentIndex(), -1) << "a value outside the list shows nothing";
    table->Cancel();
}

TEST(FieldControls, NumberFormatsDatesMemosAndLabels)
{
    UiScript script;
    TForm form;
    auto *table = new TXMemTable(&form);
    table->AddField(QStringLiteral("Quantita"), ftFloat);
    table->AddField(QStringLiteral("Data"), ftDateTime);
    table->AddField(QStringLiteral("Note"), ftMemo);
    table->AddField(QStringLiteral("Codice"), ftString, 8);
    auto *source = new TDataSource(&form);
    source->setObjectName(QStringLiteral("DSMain"));
    source->SetDataSet(table);
    auto bind = [](QWidget *w, const char *field) {
        w->setProperty("dataSource", QStringLiteral("DSMain"));
        w->setProperty("dataField", QString::fromLatin1(field));
    };
    auto *quantity = new TDBEdit(form.ClientArea());
    bind(quantity, "Quantita");
    quantity->setProperty("formatoNumero", int(KFormati::fnQuantita));
    auto *date = new TDBDateEdit(form.ClientArea());
    bind(date, "Data");
    auto *memo = new TDBMemo(form.ClientArea());
    bind(memo, "Note");
    auto *label = new TDBText(form.ClientArea());
    bind(label, "Quantita");
    auto *code = new TDBEdit(form.ClientArea());
    bind(code, "Codice");
    code->setProperty("formatoNumero", int(KFormati::fnIntero));
    form.DoCreate();
    table->Open();
    table->Append();
    table->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(1234.5);
    table->FieldByName(QStringLiteral("Data"))->SetAsDateTime(QDate(2024, 3, 9));
    table->Post();

    EXPECT_EQ(quantity->text(), QStringLiteral("1.234,500")) << "display mask of the quantity kind";
    EXPECT_EQ(date->text(), QStringLiteral("09/03/2024"));
    form.show();
    Focus(quantity);
    table->Edit();
    EXPECT_EQ(quantity->text(), QStringLiteral("1234,5")) << "edit mask while editing with the focus";
    quantity->selectAll();
    TypeText(quantity, QStringLiteral("2,25"));
    FocusNext(date);
    EXPECT_DOUBLE_EQ(table->FieldByName(QStringLiteral("Quantita"))->AsFloat(), 2.25);
    EXPECT_EQ(quantity->text(), QStringLiteral("2,250"));
    EXPECT_EQ(label->text(), table->FieldByName(QStringLiteral("Quantita"))->DisplayText());

    date->selectAll();
    TypeText(date, QStringLiteral("31/02/2024"));
    FocusNext(memo);
    EXPECT_FALSE(script.Messages().isEmpty()) << "an impossible date is refused";
    EXPECT_EQ(table->FieldByName(QStringLiteral("Data"))->AsDateTime().date(), QDate(2024, 3, 9));
    date->selectAll();
    TypeText(date, QStringLiteral("1/4/2024"));
    FocusNext(memo);
    EXPECT_EQ(table->FieldByName(QStringLiteral("Data"))->AsDateTime().date(), QDate(2024, 4, 1));

    TypeText(memo, QStringLiteral("consegna"));
    FocusNext(code);
    EXPECT_EQ(table->FieldByName(QStringLiteral("Note"))->AsString(), QStringLiteral("consegna"));

    // an integer format on a text code lets only digits in
    TypeText(code, QStringLiteral("12a3"));
    table->Post();
    EXPECT_EQ(table->FieldByName(QStringLiteral("Codice"))->AsString(), QStringLiteral("123"));

    // a read-only edit looks read-only: the window's background, back to a field's when editable
    const QColor campo = code->palette().color(QPalette::Base);
    code->SetReadOnly(true);
    EXPECT_TRUE(code->isReadOnly());
    EXPECT_EQ(code->palette().color(QPalette::Base), code->palette().color(QPalette::Window));
    EXPECT_NE(code->palette().color(QPalette::Base), campo);
    code->SetReadOnly(false);
    EXPECT_FALSE(code->isReadOnly());
    EXPECT_EQ(code->palette().color(QPalette::Base), campo);
}

// A figure shows alike in a grid and in an edit: in its field's kind with Italian separators,
// prices and values in the decimals of the row's currency, typed without the digits that do
// not count; a flag shows as a check mark.
TEST(FieldControls, GridAndEditShowAFigureAlikeInItsKindAndCurrency)
{
    UiScript script;
    kv8data::SetCurrencyDecimalsSource([](const QString &divisa) {
        if (divisa == QLatin1String("JPY"))
            return kv8data::CurrencyDecimals{1, 0};
        if (divisa.isEmpty() || divisa == QLatin1String("EUR"))
            return kv8data::CurrencyDecimals{3, 2};
        throw Exception(QStringLiteral("La divisa %1 non esiste").arg(divisa));
    });
    struct Ripristina {
        ~Ripristina() { kv8data::SetCurrencyDecimalsSource(nullptr); }
    } ripristina;
    TForm form;
    auto *testa = new TXMemTable(&form);
    testa->AddField(QStringLiteral("IdDivisa"), ftString, 3);
    auto *righe = new TXMemTable(&form);
    righe->AddField(QStringLiteral("Quantita"), ftFloat)->SetNumberKind(KFormati::fnQuantita);
    righe->AddField(QStringLiteral("Prezzo"), ftFloat)->SetNumberKind(KFormati::fnPrezzoES);
    righe->AddField(QStringLiteral("Importo"), ftFloat)->SetNumberKind(KFormati::fnValoreES);
    righe->AddField(QStringLiteral("Omaggio"), ftSmallint)->SetFlag(true);
    righe->SetCurrencyField(testa, QStringLiteral("IdDivisa"));
    auto *source = new TDataSource(&form);
    source->SetDataSet(righe);
    auto *grid = new KDBGriglia(form.ClientArea());
    grid->SetDataSource(source);
    QMap<QString, TDBEdit *> edits;
    for (const char *campo : {"Quantita", "Prezzo", "Importo"}) {
        auto *edit = new TDBEdit(form.ClientArea());
        edit->SetDataSource(source);
        edit->SetDataField(QString::fromLatin1(campo));
        edits.insert(QString::fromLatin1(campo), edit);
    }
    auto *valoreES = new TDBEdit(form.ClientArea());
    valoreES->SetDataSource(source);
    valoreES->SetDataField(QStringLiteral("Importo"));
    valoreES->SetFormatoNumero(KFormati::fnValoreES);
    form.DoCreate();
    testa->Open();
    testa->Append();
    testa->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("EUR"));
    testa->Post();
    righe->Open();
    righe->Append();
    righe->FieldByName(QStringLiteral("Quantita"))->SetAsFloat(12);
    righe->FieldByName(QStringLiteral("Prezzo"))->SetAsFloat(9.5);
    righe->FieldByName(QStringLiteral("Importo"))->SetAsFloat(1018.94);
    righe->FieldByName(QStringLiteral("Omaggio"))->SetAsInteger(1);
    righe->Post();
    form.show();

    const auto cella = [&](const char *campo, int role = Qt::DisplayRole) {
        for (int c = 0; c < grid->ColumnCount(); ++c)
            if (grid->Columns(c).FieldName == QLatin1String(campo))
                return grid->model()->index(0, c).data(role);
        return QVariant();
    };
    const QMap<QString, QString> attesi{{QStringLiteral("Quantita"), QStringLiteral("12,000")},
                                        {QStringLiteral("Prezzo"), QStringLiteral("9,500")},
                                        {QStringLiteral("Importo"), QStringLiteral("1.018,94")}};
    for (auto it = attesi.cbegin(); it != attesi.cend(); ++it) {
        EXPECT_EQ(cella(it.key().toLatin1().constData()).toString(), it.value()) << it.key().toStdString();
        EXPECT_EQ(edits.value(it.key())->text(), it.value()) << it.key().toStdString();
    }
    EXPECT_EQ(valoreES->text(), QStringLiteral("1.018,94")) << "the edit's own kind in the row's currency";
    EXPECT_EQ(cella("Omaggio").toString(), QString()) << "a flag shows no number";
    EXPECT_EQ(cella("Omaggio", Qt::CheckStateRole).toInt(), int(Qt::Checked));
    EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 3)) & Qt::ItemIsUserCheckable);

    // typing: the edit and the cell being edited show only the decimals that count
    Focus(edits.value(QStringLiteral("Prezzo")));
    righe->Edit();
    EXPECT_EQ(edits.value(QStringLiteral("Prezzo"))->text(), QStringLiteral("9,5"));
    EXPECT_EQ(cella("Importo", Qt::EditRole).toString(), QStringLiteral("1018,94"));
    righe->Cancel();

    // another currency on the head: the rows show its decimals at once
    testa->Edit();
    testa->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("JPY"));
    EXPECT_EQ(cella("Importo").toString(), QStringLiteral("1.019"));
    EXPECT_EQ(cella("Prezzo").toString(), QStringLiteral("9,5"));
    EXPECT_EQ(edits.value(QStringLiteral("Importo"))->text(), QStringLiteral("1.019"));
    EXPECT_EQ(valoreES->text(), QStringLiteral("1.019"));
    EXPECT_EQ(cella("Quantita").toString(), QStringLiteral("12,000")) << "quantities follow no currency";
    // a currency the table does not know shows the company's decimals of the kind
    testa->FieldByName(QStringLiteral("IdDivisa"))->SetAsString(QStringLiteral("XXX"));
    EXPECT_EQ(cella("Importo").toString(), KFormati::FormatFloat(KFormati::GetDisplay(KFormati::fnValoreES), 1018.94));
    testa->Cancel();

    // rows that come in later widen the columns of their figures
    righe->DisableControls();
    righe->Append();
    righe->FieldByName(QStringLiteral("Importo"))->SetAsFloat(123456789.5);
    righe->Post();
    righe->EnableControls();
    EXPECT_GT(grid->columnWidth(2), grid->fontMetrics().horizontalAdvance(QStringLiteral("123.456.789,50")));
}

TEST_F(ControlsTest, GridShowsTheRowsAndFollowsTheCursor)
{
    TForm form;
    TXTable *table = nullptr;
    TDataSource *source = nullptr;
    KDBGriglia *grid = ColourGrid(form, table, source);
    table->Open();
    form.show();

    EXPECT_EQ(grid->model()->rowCount(), 4);
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Descrizione"));
    EXPECT_EQ(grid->model()->index(0, 0).data().toString(), QStringLiteral("BIA"));
    table->Last();
    EXPECT_EQ(grid->currentIndex().row(), 3);
    grid->setCurrentIndex(grid->model()->index(1, 1));
    EXPECT_EQ(table->FieldByName(QStringLiteral("IdColore"))->AsString(), QStringLiteral("NER"));

    // an insert adds a row; cancelling removes it
    table->Insert();
    EXPECT_EQ(grid->model()->rowCount(), 5);
    table->Cancel();
    EXPECT_EQ(grid->model()->rowCount(), 4);

    // a new row begun from the grid is filled in its own edit field, the row before left as
    // it was; leaving for another control drops a new row still untouched
    auto *code = new TDBEdit(form.ClientArea());
    code->SetDataSource(source);
    code->SetDataField(QStringLiteral("IdColore"));
    auto *other = new QLineEdit(form.ClientArea());
    code->show();
    other->show();
    const auto stored = [&](const QString &where = QStringLiteral("1 = 1")) {
        return company.Database()
            .ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_Colori WHERE ") + where)
            .toInt();
    };
    Focus(grid);
    table->Insert();
    ASSERT_TRUE(ReplaceText(code, QStringLiteral("VER")));
    EXPECT_EQ(table->State(), dsInsert);
    table->Post();
    EXPECT_EQ(stored(), 5);
    EXPECT_EQ(grid->model()->rowCount(), 5);
    EXPECT_EQ(stored(QStringLiteral("IdColore = 'NER'")), 1) << "the row the grid stood on";
    Focus(grid);
    table->Insert();
    FocusNext(other);
    EXPECT_EQ(table->State(), dsBrowse);
    EXPECT_EQ(grid->model()->rowCount(), 5);

    // editing a cell writes the field
    grid->SetOptions(grid->Options() & ~dgRowSelect);
    const QModelIndex description = grid->model()->index(2, 1);
    EXPECT_TRUE(grid->model()->flags(description) & Qt::ItemIsEditable);
    EXPECT_TRUE(grid->model()->setData(description, QStringLiteral("Rosso rubino")));
    EXPECT_EQ(table->State(), dsEdit);
    table->Post();
    EXPECT_EQ(company.Database()
                  .ScalarValue(QStringLiteral("SELECT DsColore FROM LUMO_Colori WHERE IdColore = 'ROS'"))
                  .toString(),
              QStringLiteral("Rosso rubino"));
    grid->SetReadOnly(true);
    EXPECT_FALSE(grid->model()->flags(description) & Qt::ItemIsEditable);
}

TEST_F(ControlsTest, GridColumnsExportAndLayout)
{
    TForm form;
    TXTable *table = nullptr;
    TDataSource *source = nullptr;
    KDBGriglia *grid = ColourGrid(form, table, source);
    grid->AddColumn(QStringLiteral("DsColore"), QStringLiteral("Colore"), 120);
    TColumn &code = grid->AddColumn(QStringLiteral("IdColore"));
    code.Alignment = Qt::AlignRight;
    grid->AddColumn(QStringLiteral("kPostIN"));
    table->Open();

    EXPECT_EQ(grid->ColumnCount(), 3);
    // a declared width is the least: a narrower one still shows the whole heading
    EXPECT_EQ(grid->columnWidth(0), std::max(120, grid->horizontalHeader()->sectionSizeHint(0)));
    grid->AddColumn(QStringLiteral("IdColore"), QStringLiteral("Codice del colore di vino"), 10);
    EXPECT_GE(grid->columnWidth(3), grid->fontMetrics().horizontalAdvance(QStringLiteral("Codice del colore di vino")));
    grid->ClearColumns();
    grid->AddColumn(QStringLiteral("DsColore"), QStringLiteral("Colore"), 120);
    grid->AddColumn(QStringLiteral("IdColore")).Alignment = Qt::AlignRight;
    grid->AddColumn(QStringLiteral("kPostIN"));
    EXPECT_EQ(grid->ColumnCount(), 3);
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Colore"));
    EXPECT_EQ(grid->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Codice Colore"));
    grid->SetColumnVisible(QStringLiteral("kPostIN"), false);
    EXPECT_EQ(grid->TestoTabella(QLatin1Char(';')),
              QStringLiteral("Colore;Codice Colore\r\nBianco;BIA\r\nNero;NER\r\nRosso;ROS\r\nRosato;ROX\r\n"));
    grid->CopiaNegliAppunti();
    EXPECT_TRUE(QApplication::clipboard()->text().startsWith(QStringLiteral("Colore\tCodice Colore\r\n")));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("colori.csv"));
    grid->EsportaFoglio(file);
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().startsWith("\xEF\xBB\xBF"
                                         "Colore;Codice Colore"));

    // the layout comes back in another grid of the same window and name
    grid->CancellaLayout();
    grid->setColumnWidth(1, 77);
    grid->SalvaLayout();
    auto *again = new KDBGriglia(form.ClientArea());
    again->setObjectName(QStringLiteral("gColori"));
    again->SetDataSource(source);
    again->AddColumn(QStringLiteral("IdColore"));
    again->AddColumn(QStringLiteral("kPostIN"));
    again->AddColumn(QStringLiteral("DsColore"));
    EXPECT_TRUE(again->CaricaLayout());
    ASSERT_EQ(again->ColumnCount(), 3);
    EXPECT_EQ(again->Columns(0).FieldName, QStringLiteral("DsColore"));
    EXPECT_EQ(again->Columns(1).Width, 77);
    EXPECT_FALSE(again->Columns(2).Visible);
    grid->CancellaLayout();
    EXPECT_FALSE(again->CaricaLayout());
}

TEST_F(ControlsTest, GridDrawHookSeesEachRow)
{
    TForm form;
    TXTable *table = nullptr;
    TDataSource *source = nullptr;
    KDBGriglia *grid = ColourGrid(form, table, source);
    table->Open();
    grid->OnDrawColumnCell = [](KDBGriglia *, const TGridRow &row, const TColumn &, TField *, TCellStyle &style) {
        if (row.Value(QStringLiteral("IdColore")).toString().startsWith(QLatin1Char('R'))) {
            style.Background = Qt::yellow;
            style.Foreground = Qt::black;
        }
    };
    EXPECT_FALSE(grid->CellStyle(0, 1).Background.isValid());        // BIA
    EXPECT_EQ(grid->CellStyle(2, 1).Background, QColor(Qt::yellow)); // ROS
    EXPECT_EQ(table->RecNo(), 1) << "drawing does not move the cursor";
}

TEST_F(ControlsTest, ParameterDialogKeepsItsRecordBetweenOpenings)
{
    TXMemTable::ForgetKeptRecords();
    QPointer<TFProvaPars> ref;
    Funzioni::CreaFinestraProt(ClassRef::Of<TFProvaPars>(), ref, taDialogo);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->tPars->State(), dsInsert) << "a new record, in edit, the first time";
    TypeText(ref->edDaCodice, QStringLiteral("ROS"));
    ref->btEsegui->click();
    EXPECT_EQ(ref->runs, QStringList{QStringLiteral("ROS")});
    EXPECT_EQ(ref->tPars->State(), dsEdit) << "still editable after the run";

    ref->tPars->FieldByName(QStringLiteral("Copie"))->SetAsInteger(2);
    EXPECT_THROW(ref->tPars->FieldByName(QStringLiteral("Copie"))->SetAsInteger(-1), Exception);
    ref->btChiudi->click();
    ProcessEvents();
    EXPECT_FALSE(ref);

    Funzioni::CreaFinestraProt(ClassRef::Of<TFProvaPars>(), ref, taDialogo);
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->tPars->State(), dsEdit);
    EXPECT_EQ(ref->tPars->FieldByName(QStringLiteral("DaCodice"))->AsString(), QStringLiteral("ROS"));
    EXPECT_EQ(ref->tPars->FieldByName(QStringLiteral("Copie"))->AsInteger(), 2);
    EXPECT_EQ(ref->edDaCodice->text(), QStringLiteral("ROS"));
    ref->Close();
}

TEST_F(ControlsTest, ResultsPageOfATwoPageDialog)
{
    TFDBChildParsPage dialog;
    dialog.DoCreate();
    EXPECT_EQ(dialog.Pagina(), 0);
    auto *button = dialog.AggiungiBottoneRisultati(QStringLiteral("Genera FT."), QStringLiteral("btGenera"));
    EXPECT_EQ(dialog.FindControl<QPushButton>(QStringLiteral("btGenera")), button);
    dialog.SetPagina(1);
    EXPECT_EQ(dialog.PageControl->ActivePage(), dialog.tsRisultati);
    dialog.btStampa->hide();
    EXPECT_TRUE(dialog.btStampa->isHidden());
}

TEST_F(ControlsTest, ResultsPageGrowsToItsGridsColumns)
{
    TestMainWindow main;
    QPointer<TFDBChildParsPage> dialog;
    ASSERT_TRUE(Funzioni::CreaFinestraProt(ClassRef::Of<TFDBChildParsPage>(), dialog, 3));
    auto *table = new TXMemTable(dialog);
    for (int i = 0; i < 8; ++i)
        table->AddField(QStringLiteral("Colonna%1").arg(i), ftFloat)->SetDisplayFormat(QStringLiteral("#,##0.000"));
    table->Open();
    dialog->DSRisultati->SetDataSet(table);
    QWidget *finestra = dialog->SubWindow();
    ASSERT_NE(finestra, nullptr);
    const QSize prima = finestra->size();
    dialog->SetPagina(1);
    ProcessEvents();
    QHeaderView *titoli = dialog->gRisultati->horizontalHeader();
    EXPECT_GT(finestra->width(), prima.width());
    EXPECT_LE(titoli->length(), dialog->gRisultati->viewport()->width()) << "every column shows";
    EXPECT_EQ(finestra->minimumSize(), finestra->maximumSize()) << "a fixed window stays fixed";
    EXPECT_LE(finestra->width(), main.Window()->MdiArea()->viewport()->width());
}

TEST_F(ControlsTest, CodeSearchPutsTheChosenCodeIntoTheField)
{
    TForm form;
    auto *table = new TXMemTable(&form);
    table->AddField(QStringLiteral("IdColore"), ftString, 5);
    auto *source = new TDataSource(&form);
    source->setObjectName(QStringLiteral("DSPars"));
    source->SetDataSet(table);
    auto *label = new QLabel(form.ClientArea());
    label->setObjectName(QStringLiteral("lbDsColore"));
    auto *edit = new TDBCodeEdit(form.ClientArea());
    edit->setProperty("dataSource", QStringLiteral("DSPars"));
    edit->setProperty("dataField", QStringLiteral("IdColore"));
    edit->setProperty("searchTable", QStringLiteral("LUMO_Colori"));
    edit->setProperty("descrizione", QStringLiteral("lbDsColore"));
    form.DoCreate();
    table->Open();
    table->Append();

    QStringList listed;
    script.OnDialog(QStringLiteral("TfdlgRicerca"), [&listed](TForm &f) {
        auto &search = static_cast<TfdlgRicerca &>(f);
        search.edRicerca->setText(QStringLiteral("ro")); // start of the code, any letter case
        for (search.qRicerca->First(); !search.qRicerca->Eof(); search.qRicerca->Next())
            listed << search.qRicerca->Fields(0)->AsString();
        search.qRicerca->Last();
        search.btOk->click();
        return int(mrNone);
    });
    EXPECT_TRUE(edit->Ricerca());
    EXPECT_EQ(listed, (QStringList{QStringLiteral("ROS"), QStringLiteral("ROX")}));
    EXPECT_EQ(table->FieldByName(QStringLiteral("IdColore"))->AsString(), QStringLiteral("ROX"));
    EXPECT_EQ(label->text(), QStringLiteral("Rosato"));

    // the window's hook narrows the list; typed wildcards are plain characters
    edit->OnFiltroRicerca = [](TDBCodeEdit *, QString &filtro) { filtro = QStringLiteral("IdColore <> 'ROX'"); };
    script.OnDialog(QStringLiteral("TfdlgRicerca"), [&listed](TForm &f) {
        auto &search = static_cast<TfdlgRicerca &>(f);
        listed.clear();
        search.cbTipoRic->setCurrentIndex(1);
        search.edRicerca->setText(QStringLiteral("os"));
        for (search.qRicerca->First(); !search.qRicerca->Eof(); search.qRicerca->Next())
            listed << search.qRicerca->Fields(0)->AsString();
        search.edRicerca->setText(QStringLiteral("%"));
        EXPECT_TRUE(search.qRicerca->IsEmpty());
        EXPECT_FALSE(search.btOk->isEnabled()) << "nothing to choose";
        return int(mrCancel);
    });
    EXPECT_FALSE(edit->Ricerca());
    EXPECT_EQ(listed, QStringList{QStringLiteral("ROS")}) << "Rosso by description, Rosato left out by the hook";

    // the window can take the search over
    edit->OnRicerca = [](TDBCodeEdit *, bool &doDefault) { doDefault = false; };
    EXPECT_FALSE(edit->Ricerca());
    EXPECT_EQ(script.DialogsShown().size(), 2);
}

TEST_F(ControlsTest, ADescriptionThatCannotBeReadLeavesTheLabelEmptyAndIsLogged)
{
    TForm form;
    auto *table = new TXMemTable(&form);
    table->AddField(QStringLiteral("IdColore"), ftString, 5);
    auto *source = new TDataSource(&form);
    source->SetDataSet(table);
    auto *edit = new TDBCodeEdit(form.ClientArea());
    edit->setObjectName(QStringLiteral("edIdColore"));
    edit->SetDataSource(source);
    edit->SetDataField(QStringLiteral("IdColore"));
    edit->TabellaRicerca = QStringLiteral("LUMO_ColoriSpariti");
    edit->CampoDescrizione = QStringLiteral("DsColore");
    table->Open();
    table->Append();
    table->FieldByName(QStringLiteral("IdColore"))->SetAsString(QStringLiteral("ROS"));

    LogCapture log;
    EXPECT_EQ(edit->Descrizione(), QString());
    const QStringList lines = log.Containing(QStringLiteral("the description of edIdColore \"ROS\""));
    ASSERT_EQ(lines.size(), 1) << log.Lines().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(lines.first().contains(QStringLiteral("LUMO_ColoriSpariti")));
    EXPECT_TRUE(script.Messages().isEmpty()) << "nothing shown: the edit goes on";

    edit->TabellaRicerca = QStringLiteral("LUMO_Colori");
    EXPECT_EQ(edit->Descrizione(), QStringLiteral("Rosso"));
}

TEST_F(ControlsTest, ADatabaseErrorShowsOneSentenceAndTheStatementGoesToTheLog)
{
    LogCapture log;
    try {
        company.Database().ExecSQL(
            QStringLiteral("INSERT INTO LUMO_Colori (IdColore, DsColore) VALUES ('BIA', 'Doppio')"));
        ADD_FAILURE() << "a code already taken was stored";
    } catch (const std::exception &e) {
        Application->HandleException(e);
    }
    ASSERT_EQ(script.Messages().size(), 1);
    const QString shown = script.LastText();
    EXPECT_FALSE(shown.contains(QStringLiteral("INSERT"), Qt::CaseInsensitive)) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QLatin1Char('\n'))) << shown.toStdString();
    EXPECT_FALSE(log.Containing(QStringLiteral("INSERT INTO LUMO_Colori")).isEmpty()) << "the statement is in the log";
}

TEST_F(ControlsTest, ReportParameterDialog)
{
    Dlgrptparam::TRPTParams params;
    Dlgrptparam::InitRPTParams(params);
    EXPECT_EQ(params.Layouts, QStringLiteral("Standard"));
    params.Titolo = QStringLiteral("Causali di magazzino");
    params.CampoChiave = QStringLiteral("IdCausale");
    params.CampoDescrizione = QStringLiteral("Descrizione");
    params.Alias = QStringLiteral("C");
    params.Layouts = QStringLiteral("Sintetica;Analitica;Dettagliata");

    script.OnDialog(QStringLiteral("TfdlgRptParam"), [](TForm &f) {
        auto &dialog = static_cast<TfdlgRptParam &>(f);
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Causali di magazzino"));
        EXPECT_EQ(dialog.cbLayout->count(), 3);
        dialog.edDaCodice->setText(QStringLiteral("B"));
        dialog.edACodice->setText(QStringLiteral("M"));
        dialog.cbLayout->setCurrentIndex(2);
        dialog.rbDescrizione->setChecked(true);
        dialog.btOk->click();
        return int(mrNone);
    });
    ASSERT_TRUE(Dlgrptparam::GetRPTParams(nullptr, params));
    EXPECT_EQ(params.DaCodice, QStringLiteral("B"));
    EXPECT_EQ(params.ACodice, QStringLiteral("M"));
    EXPECT_EQ(params.Layout, 2);
    EXPECT_EQ(params.Ordine, QStringLiteral("C.Descrizione"));

    script.OnDialog(QStringLiteral("TfdlgRptParam"), [](TForm &f) {
        auto &dialog = static_cast<TfdlgRptParam &>(f);
        dialog.edDaCodice->setText(QStringLiteral("Z"));
        dialog.edACodice->setText(QStringLiteral("A"));
        dialog.btOk->click(); // refused: the range is upside down
        EXPECT_FALSE(dialog.IsClosed());
        dialog.btAnnulla->click();
        return int(mrNone);
    });
    EXPECT_FALSE(Dlgrptparam::GetRPTParams(nullptr, params));
    EXPECT_TRUE(script.Shown(QStringLiteral("Il codice iniziale supera quello finale")));
    EXPECT_EQ(params.DaCodice, QStringLiteral("B")) << "a cancelled dialog changes nothing";
}

TEST_F(ControlsTest, HostTableWindowOpensForItsMenuCode)
{
    TestMainWindow main;
    HostTables::RegistraScelta(QStringLiteral("PROVA_COLORI"), QStringLiteral("LUMO_Colori"));
    TForm *opened = main.MenuChoice(QStringLiteral("PROVA_COLORI"));
    auto *window = qobject_cast<TFTabellaGenerica *>(opened);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->GrigliaMain->model()->rowCount(), 4);
    auto *edit = window->Control<TDBEdit>(QStringLiteral("edDsColore"));
    EXPECT_EQ(edit->text(), QStringLiteral("Bianco"));
    main.MenuChoice(QStringLiteral("PROVA_COLORI"));
    EXPECT_EQ(main.ChildCount(), 1) << "one window per code";
    window->DSMain->DataSet()->Edit();
    EXPECT_EQ(window->PageControl->ActivePage(), window->tsDettaglio) << "editing shows the detail page";
    window->DSMain->DataSet()->Cancel();
    HostMenu::Unregister(QStringLiteral("PROVA_COLORI"));
}

#include "test_Controls.moc"
