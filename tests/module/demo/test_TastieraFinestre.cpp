// The module's windows worked from the keyboard alone on the demo company: where typing starts
// when a window opens and on a new record, the arrows and Tab in and out of a grid, Escape in a
// job dialog and in a data window, and the keys the navigator's buttons name.
#include "tests/module/demo/AziendaDemo.h"

#include "host/ui/DBGrid.h"

#include <QApplication>
#include <QTest>

namespace {

class TastieraFinestre : public AziendaDemo {
protected:
    // The window of a menu choice, in front with the keyboard in it.
    TForm *Scegli(const QString &code)
    {
        TForm *f = main->MenuChoice(code);
        if (f) {
            QWidget *top = f->window();
            top->activateWindow();
            QApplication::setActiveWindow(top);
            kv8test::ProcessEvents();
        }
        return f;
    }
    static QString ConFuoco()
    {
        QWidget *w = QApplication::focusWidget();
        return w ? w->objectName() : QStringLiteral("(nessuno)");
    }
    // Keys as the keyboard sends them: to the control with the focus.
    static void Premi(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr) << "no control has the focus";
        QTest::keyClick(w, key, modifiers);
        kv8test::ProcessEvents();
    }
    static void Digita(const QString &testo)
    {
        QWidget *w = QApplication::focusWidget();
        ASSERT_NE(w, nullptr) << "no control has the focus";
        QTest::keyClicks(w, testo);
        kv8test::ProcessEvents();
    }
};

} // namespace

TEST_F(TastieraFinestre, ANewDeliveryNoteTakesItsCausalTypedAtOnce)
{
    TForm *f = Scegli(QStringLiteral("SVEN0001F_C"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(ConFuoco(), QStringLiteral("edIdCausale"));
    Digita(QStringLiteral("DDT"));
    Premi(Qt::Key_Tab);
    EXPECT_EQ(kv8test::DataSetOf(f, QStringLiteral("TTesta"))->FieldByName(QStringLiteral("IdCausale"))->AsString(),
              QStringLiteral("DDT"));
    EXPECT_NE(ConFuoco(), QStringLiteral("edIdCausale"));
    EXPECT_TRUE(script.Messages().isEmpty()) << script.Texts().join(QLatin1Char('\n')).toStdString();
}

TEST_F(TastieraFinestre, TheInvoiceRowGridMovesWithTheArrowsAndTabLeavesItForTheRowFields)
{
    TForm *f = Scegli(QStringLiteral("SVEN0008F_F;1"));
    ASSERT_NE(f, nullptr);
    auto *griglia = f->Control<KDBGriglia>(QStringLiteral("GrigliaRighe"));
    TDataSet *righe = griglia->DataSet();
    ASSERT_GE(righe->RecordCount(), 2);
    kv8test::Focus(griglia); // the user clicks into the rows
    righe->First();
    const int primo = righe->RecNo();
    Premi(Qt::Key_Down);
    EXPECT_EQ(righe->RecNo(), primo + 1) << "the first arrow moves to the next row";
    Premi(Qt::Key_Up);
    EXPECT_EQ(righe->RecNo(), primo);

    Premi(Qt::Key_Tab);
    QWidget *dopo = QApplication::focusWidget();
    ASSERT_NE(dopo, nullptr);
    EXPECT_TRUE(f->Control(QStringLiteral("PanelR"))->isAncestorOf(dopo)) << "Tab reached " << ConFuoco().toStdString();
    Premi(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), griglia) << ConFuoco().toStdString();
}

TEST_F(TastieraFinestre, AMasterDataWindowStartsANewRecordOnItsCodeAndEscapeUndoesThenCancels)
{
    auto *f = qobject_cast<TFDBChild *>(Scegli(QStringLiteral("QARN0004F")));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->DBNavigator->Button(nbPost)->toolTip(), QStringLiteral("Registra (F10)"));
    EXPECT_EQ(f->DBNavigator->Button(nbInsert)->toolTip(), QStringLiteral("Inserisci (Ins)"));
    EXPECT_EQ(f->DBNavigator->Button(nbEdit)->toolTip(), QStringLiteral("Modifica (F2)"));
    EXPECT_EQ(f->DBNavigator->Button(nbDelete)->toolTip(), QStringLiteral("Cancella (F8)"));
    EXPECT_EQ(f->DBNavigator->Button(nbCancel)->toolTip(), QStringLiteral("Annulla (Esc)"));

    kv8test::Focus(f->Control(QStringLiteral("edDsVasca"))); // the user was reading the description
    Premi(Qt::Key_Insert);
    TDataSet *vasche = f->MainDataSet();
    ASSERT_EQ(vasche->State(), dsInsert);
    EXPECT_EQ(ConFuoco(), QStringLiteral("edIdVasca"));
    Digita(QStringLiteral("77"));
    auto *codice = f->Control<TDBEdit>(QStringLiteral("edIdVasca"));
    EXPECT_EQ(codice->text(), QStringLiteral("77"));
    Premi(Qt::Key_Escape); // the typing goes
    EXPECT_EQ(codice->text(), QString());
    EXPECT_EQ(vasche->State(), dsInsert);
    Premi(Qt::Key_Escape); // then the new record
    EXPECT_EQ(vasche->State(), dsBrowse);
}

TEST_F(TastieraFinestre, ANewDepositMovementStartsOnItsNumberAndANewRowOnItsPackaging)
{
    auto *f = qobject_cast<TFDBChild *>(Scegli(QStringLiteral("QARN0204F")));
    ASSERT_NE(f, nullptr);
    Premi(Qt::Key_Insert);
    ASSERT_EQ(f->MainDataSet()->State(), dsInsert);
    EXPECT_EQ(ConFuoco(), QStringLiteral("edKContaT"));
    Digita(QStringLiteral("77")); // over the number drawn
    EXPECT_EQ(f->Control<TDBEdit>(QStringLiteral("edKContaT"))->text(), QStringLiteral("77"));

    kv8test::ShowPageOf(f->Control<QTabWidget>(QStringLiteral("pcPagine")),
                        f->Control(QStringLiteral("GrigliaDettaglio")));
    f->Control<TDBNavigator>(QStringLiteral("navDettaglio"))->Button(nbInsert)->click();
    kv8test::ProcessEvents();
    EXPECT_EQ(ConFuoco(), QStringLiteral("edIdImballo"));
}

TEST_F(TastieraFinestre, AJobDialogClosesWithEscapeOnceTheFieldBeingTypedIsUndone)
{
    TForm *f = Scegli(QStringLiteral("QARN0101D"));
    ASSERT_NE(f, nullptr);
    const QPointer<TForm> dialogo(f);
    EXPECT_EQ(ConFuoco(), QStringLiteral("edIdRaggMag"));
    auto *gruppo = f->Control<TDBEdit>(QStringLiteral("edIdRaggMag"));
    const QString prima = gruppo->text();
    Digita(QStringLiteral("99"));
    Premi(Qt::Key_Escape);
    ASSERT_TRUE(dialogo);
    EXPECT_EQ(gruppo->text(), prima);
    EXPECT_FALSE(dialogo->IsClosed());
    Premi(Qt::Key_Escape);
    EXPECT_TRUE(!dialogo || dialogo->IsClosed());
    EXPECT_EQ(main->ChildCount(), 0);
}

TEST_F(TastieraFinestre, AJobDialogWithResultsClosesWithEscapeFromTheResultsPageToo)
{
    auto *f = qobject_cast<TFDBChildParsPage *>(Scegli(QStringLiteral("QARN0203D")));
    ASSERT_NE(f, nullptr);
    const QPointer<TForm> dialogo(f);
    kv8test::ShowPageOf(f->PageControl, f->gRisultati); // the user clicks the results' tab
    kv8test::Focus(f->gRisultati);
    Premi(Qt::Key_Escape);
    EXPECT_TRUE(!dialogo || dialogo->IsClosed());
    EXPECT_EQ(main->ChildCount(), 0);
}
