// A maintenance window over one table, built on TFDBChild with a Qt Designer layout: the
// binder, navigator and key commands, automatic edit, validation on leaving a control,
// check boxes, the close query.
#include "host/data/TXTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/Dbchild.h"
#include "host/ui/WindowFactory.h"
#include "tests/support/ui/WindowDriver.h"

#include "ui_ProvaColori.h"

#include <QApplication>
#include <QClipboard>
#include <QMdiSubWindow>

#include "host/core/KFormati.h"

#include <gtest/gtest.h>

using namespace kv8test;

namespace {

class TFColori : public TFDBChild {
    Q_OBJECT
public:
    explicit TFColori(QWidget *owner = nullptr) : TFDBChild(owner)
    {
        tMain = new TXTable(this);
        tMain->setObjectName(QStringLiteral("tMain"));
        tMain->SetTableName(QStringLiteral("LUMO_Colori"));
        tMain->SetUsaDizionario(true);
        tMain->SetIndexFieldNames(QStringLiteral("IdColore"));
        DSMain->SetDataSet(tMain);
        SetupLayout(ui);
    }
    void FormCreate() override
    {
        TFDBChild::FormCreate();
        tMain->FieldByName(QStringLiteral("IdColore"))->OnValidate = [](TField *f) {
            if (f->AsString().startsWith(QLatin1Char('X')))
                throw Exception(QStringLiteral("Codice Colore non valido"));
        };
    }
    void DSMainNavClick(TNavigateBtn button, bool &doDefault) override
    {
        TFDBChild::DSMainNavClick(button, doDefault);
        clicks << button;
        if (button == vetoed)
            doDefault = false;
    }
    void XFormXStampa(bool preview) override { prints << preview; }

    Ui::ProvaColori ui;
    TXTable *tMain = nullptr;
    QList<TNavigateBtn> clicks;
    QList<bool> prints;
    int vetoed = -1;
};

class DBChildTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        company.Database().ExecSQL(QStringLiteral(
            "INSERT INTO LUMO_Colori (IdColore, DsColore, FlUtilizzo, kPostIN) VALUES ('BIA', 'Bianco', 0, 0)"));
        company.Database().ExecSQL(QStringLiteral(
            "INSERT INTO LUMO_Colori (IdColore, DsColore, FlUtilizzo, kPostIN) VALUES ('ROS', 'Rosso', 1, 0)"));
        main = std::make_unique<TestMainWindow>();
        Funzioni::CreaFinestraProt(ClassRef::Of<TFColori>(), form, taNormale);
        ASSERT_TRUE(form);
        form->SubWindow()->showMaximized();
        ProcessEvents();
    }
    void TearDown() override { main.reset(); }
    QString Stored(const QString &code, const QString &column)
    {
        return company.Database()
            .ScalarValue(QStringLiteral("SELECT %1 FROM LUMO_Colori WHERE IdColore = ?").arg(column), {code})
            .toString();
    }
    int Rows() { return company.Database().ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_Colori")).toInt(); }

    UiCompany company;
    UiScript script;
    std::unique_ptr<TestMainWindow> main;
    QPointer<TFColori> form;
};

} // namespace

TEST_F(DBChildTest, BinderConnectsTheLayoutAndControlsShowTheRecord)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Colori"));
    EXPECT_EQ(form->ui.edIdColore->DataSource(), form->DSMain);
    EXPECT_EQ(form->ui.edDsColore->DataSource(), form->DSMain) << "source names without regard to case";
    EXPECT_EQ(form->ui.edKPostIN->FormatoNumero(), int(KFormati::fnIntero));
    EXPECT_EQ(form->ui.edIdColore->text(), QStringLiteral("BIA"));
    EXPECT_EQ(form->ui.edDsColore->text(), QStringLiteral("Bianco"));
    EXPECT_FALSE(form->ui.chFlUtilizzo->isChecked());
    form->tMain->Next();
    EXPECT_EQ(form->ui.edDsColore->text(), QStringLiteral("Rosso"));
    EXPECT_TRUE(form->ui.chFlUtilizzo->isChecked());
    EXPECT_EQ(form->ui.edIdColore->maxLength(), 5) << "the column's size";
}

TEST_F(DBChildTest, NavigatorButtonsInsertPostEditCancelDelete)
{
    TDBNavigator *nav = form->DBNavigator;
    EXPECT_FALSE(nav->ButtonEnabled(nbPost));
    EXPECT_TRUE(nav->ButtonEnabled(nbInsert));
    nav->Button(nbInsert)->click();
    EXPECT_EQ(form->tMain->State(), dsInsert);
    EXPECT_TRUE(nav->ButtonEnabled(nbPost));
    EXPECT_FALSE(nav->ButtonEnabled(nbNext));
    TypeText(form->ui.edIdColore, QStringLiteral("VER"));
    TypeText(form->ui.edDsColore, QStringLiteral("Verde"));
    nav->Button(nbPost)->click(); // the edit being typed goes into its field first
    EXPECT_EQ(form->tMain->State(), dsBrowse);
    EXPECT_EQ(Stored(QStringLiteral("VER"), QStringLiteral("DsColore")), QStringLiteral("Verde"));

    nav->Button(nbEdit)->click();
    TypeText(form->ui.edDsColore, QStringLiteral(" scuro"));
    nav->Button(nbCancel)->click();
    EXPECT_EQ(form->ui.edDsColore->text(), QStringLiteral("Verde"));
    EXPECT_EQ(Stored(QStringLiteral("VER"), QStringLiteral("DsColore")), QStringLiteral("Verde"));

    script.No(QStringLiteral("Conferma Cancellazione ?"));
    nav->Button(nbDelete)->click();
    EXPECT_EQ(Rows(), 3);
    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    nav->Button(nbDelete)->click();
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(Stored(QStringLiteral("VER"), QStringLiteral("DsColore")).isEmpty());
    EXPECT_EQ(form->clicks, (QList<TNavigateBtn>{nbInsert, nbPost, nbEdit, nbCancel, nbDelete, nbDelete}));
}

TEST_F(DBChildTest, KeyCommandsDriveTheMainTable)
{
    Focus(form->ui.edDsColore);
    PressKey(form->ui.edDsColore, Qt::Key_Insert); // command 3
    EXPECT_EQ(form->tMain->State(), dsInsert);
    TypeText(form->ui.edIdColore, QStringLiteral("NER"));
    TypeText(form->ui.edDsColore, QStringLiteral("Nero"));
    PressKey(form->ui.edDsColore, Qt::Key_F10); // command 10
    EXPECT_EQ(form->tMain->State(), dsBrowse);
    EXPECT_EQ(Stored(QStringLiteral("NER"), QStringLiteral("DsColore")), QStringLiteral("Nero"));

    PressKey(form->ui.edDsColore, Qt::Key_F2); // command 2
    EXPECT_EQ(form->tMain->State(), dsEdit);
    TypeText(form->ui.edDsColore, QStringLiteral("!"));
    PressKey(form->ui.edDsColore, Qt::Key_Escape); // undoes the typing first
    EXPECT_EQ(form->tMain->State(), dsEdit);
    EXPECT_EQ(form->ui.edDsColore->text(), QStringLiteral("Nero"));
    PressKey(form->ui.edDsColore, Qt::Key_Escape); // then acts as Cancel
    EXPECT_EQ(form->tMain->State(), dsBrowse);

    script.Yes(QStringLiteral("Conferma Cancellazione ?"));
    PressKey(form->ui.edDsColore, Qt::Key_F8); // command 4
    EXPECT_TRUE(Stored(QStringLiteral("NER"), QStringLiteral("DsColore")).isEmpty());

    // the window's hook can keep the button's own action back
    form->vetoed = nbEdit;
    PressKey(form->ui.edDsColore, Qt::Key_F2);
    EXPECT_EQ(form->tMain->State(), dsBrowse);
    EXPECT_EQ(form->clicks.last(), nbEdit);

    // the key of a disabled button does nothing, the window's hook included
    const qsizetype clicks = form->clicks.size();
    for (int key : {Qt::Key_F10, Qt::Key_Escape})
        PressKey(form->ui.edDsColore, key);
    EXPECT_EQ(form->clicks.size(), clicks) << "Post and Cancel are disabled while browsing";
    EXPECT_EQ(form->tMain->State(), dsBrowse);

    // a window without a print shows no print command, and F9 does nothing
    EXPECT_FALSE(form->HaStampa());
    EXPECT_FALSE(form->btStampa->isVisibleTo(form) || form->btAnteprima->isVisibleTo(form));
    PressKey(form->ui.edDsColore, Qt::Key_F9);
    EXPECT_TRUE(form->prints.isEmpty());
    form->MostraStampa(true);
    ProcessEvents();
    EXPECT_TRUE(form->btStampa->isVisibleTo(form) && form->btAnteprima->isVisibleTo(form));
    PressKey(form->ui.edDsColore, Qt::Key_F9);
    PressKey(form->ui.edDsColore, Qt::Key_F9, Qt::ShiftModifier);
    EXPECT_EQ(form->prints, (QList<bool>{false, true}));
    form->vetoed = -1;
    PressKey(form->ui.edDsColore, Qt::Key_F2);
    ASSERT_EQ(form->tMain->State(), dsEdit);
    PressKey(form->ui.edDsColore, Qt::Key_F9);
    EXPECT_EQ(form->prints.size(), 2) << "no print while the record is edited";
}

TEST_F(DBChildTest, TypingStartsTheEditOnlyWhenTheSourceAllowsIt)
{
    // a browsed record changes only after Edit: a key and a paste are refused
    EXPECT_FALSE(form->DSMain->AutoEdit());
    QApplication::clipboard()->setText(QStringLiteral("Avorio"));
    TypeText(form->ui.edDsColore, QStringLiteral("Y"));
    EXPECT_EQ(form->tMain->State(), dsBrowse);
    EXPECT_EQ(form->ui.edDsColore->text(), QStringLiteral("Bianco")) << "the key is refused";
    form->ui.edDsColore->selectAll();
    form->ui.edDsColore->paste();
    EXPECT_EQ(form->tMain->State(), dsBrowse);
    EXPECT_EQ(form->ui.edDsColore->text(), QStringLiteral("Bianco")) << "so is a paste";
    form->NavClick(nbEdit);
    TypeText(form->ui.edDsColore, QStringLiteral("Y"));
    EXPECT_TRUE(form->ui.edDsColore->text().endsWith(QLatin1Char('Y')));
    form->NavClick(nbCancel);

    // a source that allows it edits on the first key, or on a paste
    form->DSMain->SetAutoEdit(true);
    TypeText(form->ui.edDsColore, QStringLiteral("X"));
    EXPECT_EQ(form->tMain->State(), dsEdit);
    form->tMain->Cancel();
    form->ui.edDsColore->selectAll();
    form->ui.edDsColore->paste();
    EXPECT_EQ(form->tMain->State(), dsEdit);
    EXPECT_EQ(form->ui.edDsColore->text(), QStringLiteral("Avorio"));
    form->tMain->Post();
    EXPECT_EQ(Stored(QStringLiteral("BIA"), QStringLiteral("DsColore")), QStringLiteral("Avorio"));
}

TEST_F(DBChildTest, ARefusedValueKeepsTheFocusAndTheOldValue)
{
    form->tMain->Edit();
    Focus(form->ui.edIdColore);
    form->ui.edIdColore->selectAll();
    TypeText(form->ui.edIdColore, QStringLiteral("XYZ"));
    FocusNext(form->ui.edDsColore);
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Colore non valido")));
    EXPECT_EQ(script.Messages().last().Type, mtError);
    EXPECT_EQ(QApplication::focusWidget(), form->ui.edIdColore) << "the focus stays on the refused control";
    EXPECT_EQ(form->tMain->FieldByName(QStringLiteral("IdColore"))->AsString(), QStringLiteral("BIA"));
    EXPECT_EQ(form->ui.edIdColore->text(), QStringLiteral("BIA"));

    // an accepted value goes into the field when the control is left
    form->ui.edIdColore->selectAll();
    TypeText(form->ui.edIdColore, QStringLiteral("BLU"));
    FocusNext(form->ui.edDsColore);
    EXPECT_EQ(form->tMain->FieldByName(QStringLiteral("IdColore"))->AsString(), QStringLiteral("BLU"));
    EXPECT_EQ(QApplication::focusWidget(), form->ui.edDsColore);
}

TEST_F(DBChildTest, ARefusedValueStopsThePost)
{
    form->tMain->Edit();
    Focus(form->ui.edIdColore);
    form->ui.edIdColore->selectAll();
    TypeText(form->ui.edIdColore, QStringLiteral("XXX"));
    form->DBNavigator->Button(nbPost)->click();
    EXPECT_TRUE(script.Shown(QStringLiteral("Codice Colore non valido")));
    EXPECT_EQ(form->tMain->State(), dsEdit);
    EXPECT_EQ(Stored(QStringLiteral("BIA"), QStringLiteral("DsColore")), QStringLiteral("Bianco"));
}

TEST_F(DBChildTest, CheckBoxStoresOneAndZero)
{
    TDBCheckBox *check = form->ui.chFlUtilizzo;
    TField *field = form->tMain->FieldByName(QStringLiteral("FlUtilizzo"));
    check->click();
    EXPECT_FALSE(check->isChecked()) << "a browsed record refuses the click";
    form->NavClick(nbEdit);
    check->click();
    EXPECT_EQ(field->Value().toInt(), 1);
    form->tMain->Post();
    EXPECT_EQ(Stored(QStringLiteral("BIA"), QStringLiteral("FlUtilizzo")), QStringLiteral("1"));
    form->NavClick(nbEdit);
    check->click();
    EXPECT_EQ(field->Value().toInt(), 0);
    form->tMain->Post();
    EXPECT_EQ(Stored(QStringLiteral("BIA"), QStringLiteral("FlUtilizzo")), QStringLiteral("0"));

    // a field set by code shows in the box
    form->tMain->Edit();
    field->SetAsInteger(1);
    EXPECT_TRUE(check->isChecked());
    form->tMain->Cancel();
    EXPECT_FALSE(check->isChecked());
}

TEST_F(DBChildTest, ControlsFollowTheStateOfTheirSource)
{
    EXPECT_FALSE(form->ui.edDsColore->isReadOnly());
    form->tMain->Close();
    EXPECT_TRUE(form->ui.edDsColore->isReadOnly());
    EXPECT_TRUE(form->ui.edDsColore->text().isEmpty());
    EXPECT_FALSE(form->DBNavigator->ButtonEnabled(nbInsert));
    form->tMain->SetReadOnly(true);
    form->tMain->Open();
    EXPECT_EQ(form->ui.edDsColore->text(), QStringLiteral("Bianco"));
    EXPECT_TRUE(form->ui.edDsColore->isReadOnly());
    EXPECT_FALSE(form->DBNavigator->ButtonEnabled(nbEdit));
    form->ui.chFlUtilizzo->click();
    EXPECT_FALSE(form->ui.chFlUtilizzo->isChecked()) << "a read-only table refuses the click";
}

TEST_F(DBChildTest, CloseQueryRefusesDuringATransactionAndAsksWhileEditing)
{
    company.Database().StartTransaction();
    EXPECT_FALSE(form->Close());
    EXPECT_TRUE(form);
    company.Database().Rollback();

    form->tMain->Edit();
    script.No(QStringLiteral("Conferma Abbandono Modifiche ?"));
    EXPECT_FALSE(form->Close());
    EXPECT_EQ(form->tMain->State(), dsEdit);
    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
    EXPECT_TRUE(form->Close());
    ProcessEvents();
    EXPECT_FALSE(form);
}

// A new record being typed, its last value still in the control: No keeps it as typed, Yes
// closes without a word about the value and stores nothing.
TEST_F(DBChildTest, AWindowClosedWhileANewRecordIsTypedAsksAndStoresNothing)
{
    form->DBNavigator->Button(nbInsert)->click();
    ASSERT_EQ(form->tMain->State(), dsInsert);
    Focus(form->ui.edDsColore);
    TypeText(form->ui.edDsColore, QStringLiteral("Verde"));
    Focus(form->ui.edIdColore);
    TypeText(form->ui.edIdColore, QStringLiteral("XVE"));
    script.No(QStringLiteral("Conferma Abbandono Modifiche ?"));
    EXPECT_FALSE(form->Close());
    EXPECT_EQ(form->tMain->State(), dsInsert);
    EXPECT_EQ(form->ui.edIdColore->text(), QStringLiteral("XVE"));
    EXPECT_EQ(form->tMain->FieldByName(QStringLiteral("DsColore"))->AsString(), QStringLiteral("Verde"));

    script.Yes(QStringLiteral("Conferma Abbandono Modifiche ?"));
    EXPECT_TRUE(form->Close());
    ProcessEvents();
    EXPECT_FALSE(form);
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(script.Messages().size(), 2) << script.LastText().toStdString();
}

TEST(Binder, ReportsWhatCannotBeBound)
{
    UiScript script;
    TForm form;
    auto *edit = new QLineEdit(form.ClientArea());
    edit->setObjectName(QStringLiteral("edCodice"));
    edit->setProperty("dataField", QStringLiteral("Codice"));
    EXPECT_THROW(form.DoCreate(), Exception) << "a plain edit cannot be bound";

    TForm second;
    auto *dbedit = new TDBEdit(second.ClientArea());
    dbedit->setObjectName(QStringLiteral("edCodice"));
    dbedit->setProperty("dataSource", QStringLiteral("DSNessuna"));
    dbedit->setProperty("dataField", QStringLiteral("Codice"));
    try {
        second.DoCreate();
        FAIL() << "an unknown source must be reported";
    } catch (const Exception &e) {
        EXPECT_TRUE(e.Message.contains(QStringLiteral("DSNessuna")));
        EXPECT_TRUE(e.Message.contains(QStringLiteral("edCodice")));
    }
}

#include "test_DBChild.moc"
