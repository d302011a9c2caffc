// Typing over the value of a stored row: a control entered as Tab enters it (its text
// selected) takes what is typed in place of the value, in panels and in grid cells, for
// numbers, dates and texts; the row stored afterwards holds the typed value.
#include "host/core/KFormati.h"
#include "host/data/TDataSource.h"
#include "host/data/TXTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"
#include "tests/support/ui/WindowDriver.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace kv8test;

namespace {

class TypingOver : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        company.Database().ExecSQL(
            QStringLiteral("INSERT INTO LUMO_ProgRegCiT (KProgRegT, IdRaggMag, IdConIva, TipoProdotto, DataUltAgg, "
                           "Esistenza, GiacImbott) VALUES (1, 1234, 'ABC', 1, ?, 24, 3)"),
            {QDateTime(QDate(2024, 3, 9), QTime(0, 0))});
        table = new TXTable(&form);
        table->SetTableName(QStringLiteral("LUMO_ProgRegCiT"));
        table->SetUsaDizionario(true);
        table->SetIndexFieldNames(QStringLiteral("KProgRegT"));
        auto *source = new TDataSource(&form);
        source->setObjectName(QStringLiteral("DSMain"));
        source->SetDataSet(table);
    }

    TDBEdit *Bind(TDBEdit *edit, const char *field)
    {
        edit->setProperty("dataSource", QStringLiteral("DSMain"));
        edit->setProperty("dataField", QString::fromLatin1(field));
        return edit;
    }
    QVariant Stored(const char *column) const
    {
        return company.Database().ScalarValue(
            QStringLiteral("SELECT %1 FROM LUMO_ProgRegCiT WHERE KProgRegT = 1").arg(QString::fromLatin1(column)));
    }
    void ExpectStored(const char *column, const QVariant &expected) const
    {
        const QVariant stored = Stored(column);
        if (expected.metaType().id() == QMetaType::QDateTime)
            EXPECT_EQ(stored.toDateTime().date(), expected.toDateTime().date());
        else if (expected.metaType().id() == QMetaType::Double)
            EXPECT_DOUBLE_EQ(stored.toDouble(), expected.toDouble());
        else
            EXPECT_EQ(stored.toString(), expected.toString());
    }

    UiCompany company;
    UiScript script;
    TForm form;
    TXTable *table = nullptr;
};

} // namespace

TEST_F(TypingOver, APanelEditEnteredWithTabTakesTheTypedValueInPlaceOfTheStoredOne)
{
    auto *quantity = Bind(new TDBEdit(form.ClientArea()), "GiacImbott");
    quantity->setProperty("formatoNumero", int(KFormati::fnQuantita));
    auto *stock = Bind(new TDBEdit(form.ClientArea()), "Esistenza");
    auto *grouping = Bind(new TDBEdit(form.ClientArea()), "IdRaggMag");
    auto *code = Bind(new TDBEdit(form.ClientArea()), "IdConIva");
    auto *date = Bind(new TDBDateEdit(form.ClientArea()), "DataUltAgg");
    auto *other = new QLineEdit(form.ClientArea());
    form.DoCreate();
    table->Open();
    Focus(other);
    ASSERT_EQ(quantity->text(), QStringLiteral("3,000"));

    struct Caso {
        TDBEdit *edit;
        const char *column;
        QString typed;
        QVariant stored;
    };
    const QList<Caso> casi = {
        {quantity, "GiacImbott", QStringLiteral("4"), 4.0},
        {stock, "Esistenza", QStringLiteral("30"), 30.0},
        {grouping, "IdRaggMag", QStringLiteral("56"), 56},
        {code, "IdConIva", QStringLiteral("XY"), QStringLiteral("XY")},
        {date, "DataUltAgg", QStringLiteral("01/04/2025"), QDateTime(QDate(2025, 4, 1), QTime(0, 0))},
    };
    for (const Caso &c : casi) {
        SCOPED_TRACE(c.column);
        ASSERT_EQ(table->State(), dsBrowse) << "the row is stored, not being edited";
        FocusNext(c.edit);
        ASSERT_FALSE(c.edit->text().isEmpty());
        ASSERT_EQ(c.edit->selectedText(), c.edit->text()) << "Tab selects the whole value";
        QTest::keyClicks(c.edit, c.typed);
        EXPECT_EQ(table->State(), dsEdit);
        EXPECT_EQ(c.edit->text(), c.typed) << "the typed text replaces the value";
        FocusNext(other);
        table->Post();
        ExpectStored(c.column, c.stored);
    }
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();

    // Escape gives the stored value back, still selected: typing again replaces it
    FocusNext(quantity);
    QTest::keyClicks(quantity, QStringLiteral("9"));
    QTest::keyClick(quantity, Qt::Key_Escape);
    EXPECT_EQ(quantity->selectedText(), quantity->text());
    QTest::keyClicks(quantity, QStringLiteral("7"));
    FocusNext(other);
    table->Post();
    EXPECT_DOUBLE_EQ(Stored("GiacImbott").toDouble(), 7.0);
}

TEST_F(TypingOver, AGridCellTakesTheTypedValueInPlaceOfTheStoredOne)
{
    auto *grid = new KDBGriglia(form.ClientArea());
    grid->setProperty("dataSource", QStringLiteral("DSMain"));
    grid->AddColumn(QStringLiteral("Esistenza"));
    grid->AddColumn(QStringLiteral("IdRaggMag"));
    grid->AddColumn(QStringLiteral("IdConIva"));
    grid->AddColumn(QStringLiteral("DataUltAgg"));
    form.DoCreate();
    table->Open();
    grid->resize(600, 200);

    struct Caso {
        int column;
        const char *name;
        QString typed;
        QVariant stored;
    };
    const QList<Caso> casi = {
        {0, "Esistenza", QStringLiteral("30"), 30.0},
        {1, "IdRaggMag", QStringLiteral("56"), 56},
        {2, "IdConIva", QStringLiteral("XY"), QStringLiteral("XY")},
        {3, "DataUltAgg", QStringLiteral("01/04/2025"), QDateTime(QDate(2025, 4, 1), QTime(0, 0))},
    };
    for (const Caso &c : casi) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(table->State(), dsBrowse);
        Focus(grid);
        grid->setCurrentIndex(grid->model()->index(0, c.column));
        QTest::keyClick(grid, c.typed.at(0).toLatin1());
        ASSERT_TRUE(grid->IsCellEditing());
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, c.typed.mid(1));
        EXPECT_EQ(editor->text(), c.typed) << "the typed text replaces the value";
        QTest::keyClick(editor, Qt::Key_Return);
        ProcessEvents(); // the delegate commits on a queued call
        EXPECT_FALSE(grid->IsCellEditing());
        table->Post();
        ExpectStored(c.name, c.stored);
    }
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
}

// What a control cannot take is said, never dropped: letters and "1x2" in a number are refused
// naming the field, the stored value stays; a text stops at its column's width.
TEST_F(TypingOver, ANumberWithLettersIsRefusedAndATextStopsAtItsWidthInPanelsAndGridCells)
{
    auto *stock = Bind(new TDBEdit(form.ClientArea()), "Esistenza");
    auto *code = Bind(new TDBEdit(form.ClientArea()), "IdConIva");
    auto *other = new QLineEdit(form.ClientArea());
    auto *grid = new KDBGriglia(form.ClientArea());
    grid->setProperty("dataSource", QStringLiteral("DSMain"));
    grid->AddColumn(QStringLiteral("Esistenza"));
    grid->AddColumn(QStringLiteral("IdConIva"));
    form.DoCreate();
    table->Open();
    grid->resize(600, 200);
    Focus(other);
    const QString lungo(300, QLatin1Char('Z'));
    const auto rifiutato = [this](const QString &typed) {
        EXPECT_EQ(script.LastText(),
                  QStringLiteral("Il campo 'Esistenza attuale' non accetta \"%1\": scrivere il numero "
                                 "con la virgola per i decimali e il punto solo per le migliaia "
                                 "(es. 1.234,56)")
                      .arg(typed));
        script.ClearMessages();
        table->Cancel();
        ExpectStored("Esistenza", 24.0);
    };

    for (const QString &typed : {QStringLiteral("abc"), QStringLiteral("1x2")}) {
        SCOPED_TRACE(typed.toStdString());
        FocusNext(stock);
        QTest::keyClicks(stock, typed);
        EXPECT_EQ(stock->text(), typed) << "every key typed is shown";
        FocusNext(other);
        EXPECT_EQ(QApplication::focusWidget(), stock) << "the refused control keeps the focus";
        rifiutato(typed);

        Focus(grid);
        grid->setCurrentIndex(grid->model()->index(0, 0));
        QTest::keyClick(grid, typed.at(0).toLatin1());
        auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, typed.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
        ProcessEvents();
        rifiutato(typed);
    }

    FocusNext(code);
    QTest::keyClicks(code, lungo);
    EXPECT_EQ(code->text(), QStringLiteral("ZZZZZ"));
    FocusNext(other);
    table->Post();
    ExpectStored("IdConIva", QStringLiteral("ZZZZZ"));

    Focus(grid);
    grid->setCurrentIndex(grid->model()->index(0, 1));
    QTest::keyClick(grid, 'Y');
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, lungo);
    EXPECT_EQ(editor->text(), QStringLiteral("YZZZZ")) << "the cell takes no more than the column holds";
    QTest::keyClick(editor, Qt::Key_Return);
    ProcessEvents();
    table->Post();
    ExpectStored("IdConIva", QStringLiteral("YZZZZ"));
    EXPECT_TRUE(script.Messages().isEmpty()) << script.LastText().toStdString();
}
