// The rows' document-data dialogs: what they show, what they refuse and what reaches the row.
#include "EngineTest.h"

#include "engine/Lumo_dlgdocbac.h"
#include "engine/Lumo_dlgdocbacacq.h"
#include "host/ui/ClassRegistry.h"
#include "tests/support/ui/WindowDriver.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPixmap>

namespace {

using kv8test::Focus;
using kv8test::PressKey;
using kv8test::TypeText;

const QDateTime kDataDoco(QDate(2025, 2, 1), QTime(0, 0));

// A purchase dialog registered in place of the module's.
class TSostitutoDocBacAcq : public Tflumo_dlgDocBacAcq {
    Q_OBJECT
public:
    using Tflumo_dlgDocBacAcq::Tflumo_dlgDocBacAcq;
};

class DatiDocumento : public EngineDbTest {
protected:
    void SetUp() override
    {
        EngineDbTest::SetUp();
        if (IsSkipped())
            return;
        Esegui(QStringLiteral("INSERT INTO Imballi (IdImballo, DsImballo) VALUES ('CAR', 'Cartone da 6'), "
                              "('BOT', 'Bottiglia a rendere')"));
        Bottiglia(QStringLiteral("B075"), 0.75);
        Articolo(QStringLiteral("VINO"), 1, QStringLiteral("B075"));
        Articolo(QStringLiteral("TAPPI"), 1);
        ApriRighe();
        Riga({{"NumOrdine", 1},
              {"IdProdotto", QStringLiteral("VINO")},
              {"UT_LMQ_NumDoco", QStringLiteral("A1")},
              {"UT_LMQ_DataDoco", kDataDoco},
              {"UT_LMQ_IdImballo1", QStringLiteral("CAR")},
              {"UT_LMQ_IdImballo2", QStringLiteral("BOT")},
              {"UT_LMQ_PrezzoTra", 1.5}});
    }

    // Opens the sales dialog on the current row with the driver as the user.
    void Apri(const std::function<int(Tflumo_dlgDocBac &)> &driver)
    {
        script.OnDialog(QStringLiteral("Tflumo_dlgDocBac"), [&driver](TForm &form) {
            auto *d = qobject_cast<Tflumo_dlgDocBac *>(&form);
            return d ? driver(*d) : int(mrCancel);
        });
        UT_LMQ_DVEN_DlgDuSa(nullptr, righe.get(), nullptr);
    }

    QString Campo(const char *nome) { return righe->FieldByName(QLatin1String(nome))->AsString(); }

    kv8test::UiScript script;
};

// The names of the controls the Tab key visits from the first one, in order.
QStringList OrdineTab(QWidget *primo)
{
    QStringList nomi;
    for (QWidget *w = primo; w; w = w->nextInFocusChain()) {
        if (!nomi.isEmpty() && w == primo)
            break;
        if ((w->focusPolicy() & Qt::TabFocus) && !w->isHidden() && w->isEnabled())
            nomi << w->objectName();
    }
    return nomi;
}

TEST_F(DatiDocumento, EditedRowShowsItsDataAndTakesBackNumberDateAndCodes)
{
    righe->Edit();
    Apri([](Tflumo_dlgDocBac &d) {
        EXPECT_EQ(d.Caption(), QStringLiteral("Dati Documento DuSa"));
        EXPECT_EQ(d.btOk->text(), QStringLiteral("&Ok"));
        EXPECT_TRUE(d.btAnnulla->isHidden());
        EXPECT_FALSE(d.btAnnulla->isEnabled());
        EXPECT_EQ(d.F101->text(), QStringLiteral("F10"));
        EXPECT_EQ(d.F101->shortcut(), QKeySequence(Qt::Key_F10));
        EXPECT_TRUE(d.PopupMenu1->actions().contains(d.F101));
        EXPECT_EQ(d.tPars->TableName(), QStringLiteral("LUMO_DlgDoc"));
        EXPECT_EQ(d.DsMain->DataSet(), d.tPars);
        EXPECT_EQ(d.FindControl<QLabel>(QStringLiteral("lbNumDoco"))->text(), QStringLiteral("Numero Doco:"));
        EXPECT_EQ(d.FindControl<QLabel>(QStringLiteral("lbDataDoc"))->text(), QStringLiteral("Data Doc. Doco:"));
        EXPECT_EQ(d.FindControl<QLabel>(QStringLiteral("lbIdImballo1"))->text(),
                  QStringLiteral("Codice Cauzione Conf."));
        EXPECT_EQ(d.FindControl<QLabel>(QStringLiteral("lbIdImballo2"))->text(),
                  QStringLiteral("Codice Cauzione Bott."));
        EXPECT_EQ(d.FindControl<QLabel>(QStringLiteral("lbPrezzoTra"))->text(), QStringLiteral("Prezzo Trasporto:"));
        EXPECT_EQ(d.FindControl<QLabel>(QStringLiteral("lbIdBottiglia"))->text(), QStringLiteral("Codice Bottiglia:"));
        EXPECT_EQ(d.FindControl<QLabel>(QStringLiteral("lbCapacita"))->text(), QStringLiteral("Capacità in lt.:"));
        EXPECT_EQ(OrdineTab(d.edNumDoco),
                  (QStringList{"edNumDoco", "edDataDoc", "edIdImballo1", "edDsImballo1", "edIdImballo2", "edDsImballo2",
                               "edPrezzoTra", "edIdBottiglia", "edDsBottiglia", "edCapacita", "btOk"}));

        // the row's values, descriptions looked up
        EXPECT_EQ(d.edNumDoco->text(), QStringLiteral("A1"));
        EXPECT_EQ(d.edDataDoc->text(), QStringLiteral("01/02/2025"));
        EXPECT_EQ(d.edDsImballo1->text(), QStringLiteral("Cartone da 6"));
        EXPECT_EQ(d.edDsImballo2->text(), QStringLiteral("Bottiglia a rendere"));
        EXPECT_EQ(d.edPrezzoTra->text(), QStringLiteral("1,500"));
        EXPECT_EQ(d.edIdBottiglia->text(), QStringLiteral("B075"));
        EXPECT_EQ(d.edDsBottiglia->text(), QStringLiteral("Bottiglia B075"));
        EXPECT_DOUBLE_EQ(d.tPars->FieldByName(QStringLiteral("Capacita"))->AsFloat(), 0.75);
        // information only
        EXPECT_TRUE(d.edPrezzoTra->isReadOnly());
        EXPECT_TRUE(d.edIdBottiglia->isReadOnly());
        EXPECT_TRUE(d.edCapacita->isReadOnly());
        EXPECT_FALSE(d.edNumDoco->isReadOnly());
        EXPECT_FALSE(d.edDataDoc->isReadOnly());

        Focus(d.edNumDoco);
        d.edNumDoco->selectAll();
        TypeText(d.edNumDoco, QStringLiteral("B22"));
        Focus(d.edDataDoc);
        d.edDataDoc->selectAll();
        TypeText(d.edDataDoc, QStringLiteral("15/03/2025"));
        Focus(d.edIdImballo1);
        d.edIdImballo1->selectAll();
        TypeText(d.edIdImballo1, QStringLiteral("BOT"));
        d.btOk->click();
        EXPECT_EQ(d.ModalResult(), int(mrOk));
        return int(mrOk);
    });
    EXPECT_EQ(righe->State(), dsEdit) << "the row is not posted";
    EXPECT_EQ(Campo("UT_LMQ_NumDoco"), QStringLiteral("B22"));
    EXPECT_EQ(righe->FieldByName(QStringLiteral("UT_LMQ_DataDoco"))->AsDateTime().date(), QDate(2025, 3, 15));
    EXPECT_EQ(Campo("UT_LMQ_IdImballo1"), QStringLiteral("BOT"));
    EXPECT_EQ(Campo("UT_LMQ_IdImballo2"), QStringLiteral("BOT"));
    EXPECT_DOUBLE_EQ(righe->FieldByName(QStringLiteral("UT_LMQ_PrezzoTra"))->AsFloat(), 1.5);
    EXPECT_TRUE(script.Messages().isEmpty());
}

TEST_F(DatiDocumento, BrowsedRowCannotChangeNumberAndDateAndTakesNothing)
{
    Apri([](Tflumo_dlgDocBac &d) {
        EXPECT_TRUE(d.tPars->FieldByName(QStringLiteral("NumDoco"))->ReadOnly());
        EXPECT_TRUE(d.tPars->FieldByName(QStringLiteral("DataDoc"))->ReadOnly());
        EXPECT_TRUE(d.edNumDoco->isReadOnly());
        EXPECT_TRUE(d.edDataDoc->isReadOnly());
        Focus(d.edIdImballo1);
        d.edIdImballo1->selectAll();
        TypeText(d.edIdImballo1, QStringLiteral("BOT"));
        d.btOk->click();
        return int(mrOk);
    });
    EXPECT_EQ(righe->State(), dsBrowse);
    EXPECT_EQ(Campo("UT_LMQ_NumDoco"), QStringLiteral("A1"));
    EXPECT_EQ(Campo("UT_LMQ_IdImballo1"), QStringLiteral("CAR"));
}

TEST_F(DatiDocumento, ClearedCodeClearsTheRowsCode)
{
    righe->Edit();
    Apri([](Tflumo_dlgDocBac &d) {
        Focus(d.edIdImballo2);
        d.edIdImballo2->selectAll();
        PressKey(d.edIdImballo2, Qt::Key_Backspace);
        d.btOk->click();
        return int(mrOk);
    });
    EXPECT_EQ(Campo("UT_LMQ_IdImballo2"), QString());
    EXPECT_EQ(Campo("UT_LMQ_IdImballo1"), QStringLiteral("CAR"));
}

TEST_F(DatiDocumento, UnknownCodeIsRefusedAndTheDialogStaysOpen)
{
    righe->Edit();
    Apri([this](Tflumo_dlgDocBac &d) {
        EXPECT_THROW(d.tPars->FieldByName(QStringLiteral("IdImballo1"))->SetAsString(QStringLiteral("XYZ")), Exception);
        EXPECT_EQ(d.tPars->FieldByName(QStringLiteral("IdImballo1"))->AsString(), QStringLiteral("CAR"));

        Focus(d.edIdImballo2);
        d.edIdImballo2->selectAll();
        TypeText(d.edIdImballo2, QStringLiteral("ZZZ"));
        d.btOk->click();
        EXPECT_EQ(script.Count(QStringLiteral("Codice imballo non valido")), 1);
        EXPECT_EQ(d.ModalResult(), int(mrNone)) << "still open";
        d.edIdImballo2->selectAll();
        TypeText(d.edIdImballo2, QStringLiteral("CAR"));
        d.btOk->click();
        EXPECT_EQ(d.ModalResult(), int(mrOk));
        return int(mrOk);
    });
    EXPECT_EQ(Campo("UT_LMQ_IdImballo2"), QStringLiteral("CAR"));
}

TEST_F(DatiDocumento, F10DoesWhatOkDoes)
{
    righe->Edit();
    Apri([](Tflumo_dlgDocBac &d) {
        Focus(d.edNumDoco);
        d.edNumDoco->selectAll();
        TypeText(d.edNumDoco, QStringLiteral("F10"));
        PressKey(d.edNumDoco, Qt::Key_F10);
        EXPECT_EQ(d.ModalResult(), int(mrOk));
        return d.ModalResult();
    });
    EXPECT_EQ(Campo("UT_LMQ_NumDoco"), QStringLiteral("F10")) << "what the control held counts";
}

TEST_F(DatiDocumento, ClosingOtherwiseWritesBackAllTheSame)
{
    righe->Edit();
    Apri([](Tflumo_dlgDocBac &d) {
        d.tPars->FieldByName(QStringLiteral("NumDoco"))->SetAsString(QStringLiteral("Z9"));
        d.tPars->FieldByName(QStringLiteral("IdImballo1"))->SetAsString(QString());
        d.Close();
        return int(mrCancel);
    });
    EXPECT_EQ(Campo("UT_LMQ_NumDoco"), QStringLiteral("Z9"));
    EXPECT_EQ(Campo("UT_LMQ_IdImballo1"), QString());
}

TEST_F(DatiDocumento, ArticleWithoutBottleShowsNoBottle)
{
    Riga({{"NumOrdine", 2}, {"IdProdotto", QStringLiteral("TAPPI")}});
    righe->Edit();
    Apri([](Tflumo_dlgDocBac &d) {
        EXPECT_EQ(d.edIdBottiglia->text(), QString());
        EXPECT_EQ(d.edDsBottiglia->text(), QString());
        EXPECT_TRUE(d.tPars->FieldByName(QStringLiteral("Capacita"))->IsNull());
        EXPECT_EQ(d.edCapacita->text(), QString());
        d.btOk->click();
        return int(mrOk);
    });
    EXPECT_EQ(Campo("UT_LMQ_IdImballo1"), QString());
}

class DatiDocumentoAcq : public DatiDocumento {
protected:
    void TearDown() override
    {
        Dbchilddlg::Registry().Unregister(QStringLiteral("Tflumo_dlgDocBacAcq"));
        acquisti.reset();
        DatiDocumento::TearDown();
    }

    // A supplier delivery-note row being inserted with both codes.
    void RigaAcquisto()
    {
        acquisti = std::make_unique<TXClientTable>();
        acquisti->SetTableName(QStringLiteral("BolleForRighe"));
        acquisti->SetUsaDizionario(true);
        acquisti->SetXWhereVuoto(QStringLiteral("KBolleForR = 0"));
        acquisti->Open();
        acquisti->Append();
        acquisti->FieldByName(QStringLiteral("UT_LMQ_IdImballo1"))->SetAsString(QStringLiteral("CAR"));
        acquisti->FieldByName(QStringLiteral("UT_LMQ_IdImballo2"))->SetAsString(QStringLiteral("BOT"));
    }

    std::unique_ptr<TXClientTable> acquisti;
};

TEST_F(DatiDocumentoAcq, PurchaseDialogShowsAndTakesBackTheTwoCodes)
{
    RigaAcquisto();
    script.OnDialog(QStringLiteral("Tflumo_dlgDocBacAcq"), [](TForm &form) {
        auto &d = static_cast<Tflumo_dlgDocBacAcq &>(form);
        EXPECT_EQ(d.Caption(), QStringLiteral("Dati Documento DuSa"));
        EXPECT_TRUE(d.btAnnulla->isHidden());
        EXPECT_EQ(d.F101->text(), QStringLiteral("F10"));
        EXPECT_EQ(OrdineTab(d.edIdImballo1),
                  (QStringList{"edIdImballo1", "edDsImballo1", "edIdImballo2", "edDsImballo2", "btOk"}));
        EXPECT_EQ(d.edDsImballo1->text(), QStringLiteral("Cartone da 6"));
        EXPECT_EQ(d.FindControl<QWidget>(QStringLiteral("edNumDoco")), nullptr);
        EXPECT_THROW(d.tPars->FieldByName(QStringLiteral("IdImballo1"))->SetAsString(QStringLiteral("QQ")), Exception);
        d.tPars->FieldByName(QStringLiteral("IdImballo1"))->SetAsString(QStringLiteral("BOT"));
        d.tPars->FieldByName(QStringLiteral("IdImballo2"))->SetAsString(QString());
        Focus(d.edIdImballo1);
        PressKey(d.edIdImballo1, Qt::Key_F10);
        return d.ModalResult();
    });
    UT_LMQ_DVEN_DlgDuSaAcq(nullptr, acquisti.get(), nullptr);
    EXPECT_EQ(acquisti->FieldByName(QStringLiteral("UT_LMQ_IdImballo1"))->AsString(), QStringLiteral("BOT"));
    EXPECT_EQ(acquisti->FieldByName(QStringLiteral("UT_LMQ_IdImballo2"))->AsString(), QString());
}

TEST_F(DatiDocumentoAcq, RegisteredReplacementIsTheDialogCreated)
{
    Dbchilddlg::XRegisterCDialogClass(QStringLiteral("Tflumo_dlgDocBacAcq"), ClassRef::Of<TSostitutoDocBacAcq>());
    RigaAcquisto();
    acquisti->Post();
    script.OnDialog(QStringLiteral("Tflumo_dlgDocBacAcq"), [](TForm &form) {
        auto &d = static_cast<Tflumo_dlgDocBacAcq &>(form);
        d.tPars->FieldByName(QStringLiteral("IdImballo1"))->SetAsString(QString());
        d.btOk->click();
        return int(mrOk);
    });
    UT_LMQ_DVEN_DlgDuSaAcq(nullptr, acquisti.get(), nullptr);
    EXPECT_EQ(script.DialogsShown(), QStringList{QStringLiteral("TSostitutoDocBacAcq")});
    EXPECT_EQ(acquisti->FieldByName(QStringLiteral("UT_LMQ_IdImballo1"))->AsString(), QStringLiteral("CAR"))
        << "a browsed row takes nothing";
}

// Offscreen pictures of both dialogs, kept in the folder KV8_SCREENSHOT_DIR names when set.
TEST_F(DatiDocumentoAcq, Screenshots)
{
    const QString cartella = QString::fromLocal8Bit(qgetenv("KV8_SCREENSHOT_DIR"));
    const auto fotografa = [&cartella](const QString &nome) {
        return [&cartella, nome](TForm &form) {
            form.show();
            kv8test::ProcessEvents();
            const QPixmap foto = form.grab();
            EXPECT_GT(foto.width(), 300);
            if (!cartella.isEmpty()) {
                EXPECT_TRUE(foto.save(cartella + QLatin1Char('/') + nome));
            }
            form.hide();
            return int(mrOk);
        };
    };
    righe->Edit();
    script.OnDialog(QStringLiteral("Tflumo_dlgDocBac"), fotografa(QStringLiteral("Lumo_dlgdocbac.png")));
    UT_LMQ_DVEN_DlgDuSa(nullptr, righe.get(), nullptr);
    RigaAcquisto();
    script.OnDialog(QStringLiteral("Tflumo_dlgDocBacAcq"), fotografa(QStringLiteral("Lumo_dlgdocbacacq.png")));
    UT_LMQ_DVEN_DlgDuSaAcq(nullptr, acquisti.get(), nullptr);
}

} // namespace

#include "test_DatiDocumento.moc"
