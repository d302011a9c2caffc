// The configuration window opened from the menu: its layout, what its controls store, and
// saving, cancelling and saving again.
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "frame/Qarn0001f.h"
#include "host/core/Kutfunctions.h"
#include "host/ui/DBControls.h"
#include "tests/support/ui/Program.h"
#include "tests/support/ui/UiScript.h"
#include "tests/support/ui/WindowDriver.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString Avviso = QStringLiteral("Uscire e rientrare dalla procedura per attivare le variazioni");

class ConfigWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        Application->DestroyComponents();
        utente = gUtente;
        gUtente.FlPrivilegi = 1;
    }
    void TearDown() override
    {
        gUtente = utente;
        Application->DestroyComponents();
    }

    // Opens the window from the menu; the driver works it and answers its modal result.
    void Apri(const std::function<int(Tfqarn0001f &)> &driver)
    {
        int risultato = -1;
        script.OnDialog(QStringLiteral("Tfqarn0001f"), [&](TForm &form) {
            auto *f = qobject_cast<Tfqarn0001f *>(&form);
            EXPECT_NE(f, nullptr);
            risultato = driver(*f);
            return risultato;
        });
        ASSERT_TRUE(EseguiScelta(nullptr, u"QARN0001F"));
        ASSERT_NE(risultato, -1) << "the window was not shown";
    }

    // Row "1" as stored, by lower-case column name; empty when there is none.
    QVariantMap Riga()
    {
        QSqlQuery q = company.Database().OpenQuery(QStringLiteral("SELECT * FROM LUMO_Parametri WHERE IdCodice = '1'"));
        QVariantMap out;
        if (q.next())
            for (int i = 0; i < q.record().count(); ++i)
                out.insert(q.record().fieldName(i).toLower(), q.value(i));
        return out;
    }
    int Righe()
    {
        return company.Database().ScalarValue(QStringLiteral("SELECT COUNT(*) FROM LUMO_Parametri")).toInt();
    }

    static void Scrivi(Tfqarn0001f &f, const char *edit, const QString &testo)
    {
        auto *ed = f.Control<TDBEdit>(QLatin1String(edit));
        kv8test::Focus(ed);
        ed->selectAll();
        kv8test::TypeText(ed, testo);
        EXPECT_TRUE(ed->Commit());
    }

    kv8test::UiCompany company;
    kv8test::UiScript script;
    TUtente utente;
};

TEST_F(ConfigWindow, EscapeFirstUndoesTheFieldBeingTypedThenCancelsTheWindow)
{
    Apri([](Tfqarn0001f &f) -> int {
        auto *mese = f.Control<TDBEdit>(QStringLiteral("edMeseIniBilDicGia"));
        kv8test::Focus(mese);
        const QString prima = mese->text();
        mese->selectAll();
        QTest::keyClicks(mese, QStringLiteral("9"));
        EXPECT_EQ(mese->text(), QStringLiteral("9"));
        const auto esc = [] {
            if (QWidget *w = QApplication::focusWidget())
                QTest::keyClick(w, Qt::Key_Escape);
            kv8test::ProcessEvents();
        };
        esc();
        EXPECT_FALSE(f.IsClosed()) << "the first Escape undoes the typing only";
        EXPECT_EQ(mese->text(), prima);
        esc();
        EXPECT_TRUE(f.IsClosed());
        return f.ModalResult();
    });
    EXPECT_EQ(Righe(), 0) << "a cancelled window stores nothing";
}

TEST_F(ConfigWindow, LaidOutWithItsControlsInTabOrder)
{
    Apri([](Tfqarn0001f &f) -> int {
        EXPECT_EQ(f.Caption(), QStringLiteral("Configurazione Modulo "));
        EXPECT_EQ(f.btOk->text(), QStringLiteral("&Salva"));
        EXPECT_EQ(f.tMain->State(), dsInsert) << "an empty database: the row is appended";

        const QStringList ordine{
            "chFlQtaConf",        "chFlAbilTrasporto", "chFlAbilCauz",  "chFlAbilSchedaPro", "chFlAbilStatis",
            "chFlGestEcc",        "edLungCodArtPad",   "cbFlTipoPrz",   "cbFlStaRegCon",     "cbFlStaRegCs",
            "edMeseIniBilDicGia", "cbFlStaRegImb",     "cbFlStaRegCau", "cbFlAbilAccisa",    "btOk",
            "btAnnulla"};
        QStringList catena;
        QWidget *w = f.Control(QStringLiteral("chFlQtaConf"));
        for (int passi = 0; passi < 500 && catena.size() < ordine.size(); ++passi, w = w->nextInFocusChain())
            if (ordine.contains(w->objectName()) && !catena.contains(w->objectName()) && w->isVisibleTo(&f)
                && (w->focusPolicy() & Qt::TabFocus))
                catena << w->objectName();
        EXPECT_EQ(catena, ordine);

        auto *prenota = f.Control<TDBCheckBox>(QStringLiteral("chFlAbilPrenota"));
        EXPECT_FALSE(prenota->isVisibleTo(&f));
        EXPECT_EQ(prenota->text(), QStringLiteral("Gestione Prenotazioni"));

        // the drop-down lists take their items from the dictionary
        auto *registro = f.Control<TDBComboBox>(QStringLiteral("cbFlStaRegCs"));
        EXPECT_EQ(registro->count(), 3);
        EXPECT_EQ(registro->ItemValue(0).toInt(), 0);
        EXPECT_EQ(registro->itemText(2), QStringLiteral("Stampa ad aghi"));
        EXPECT_EQ(f.Control<TDBComboBox>(QStringLiteral("cbFlTipoPrz"))->ItemValue(1).toInt(), 1);
        EXPECT_EQ(f.Control<TDBComboBox>(QStringLiteral("cbFlAbilAccisa"))->count(), 3);
        EXPECT_EQ(f.tMain->FieldByName(QStringLiteral("MeseIniBilDicGia"))->DisplayFormat(), QStringLiteral("#,##0"));
        EXPECT_EQ(f.tMain->FindField(QStringLiteral("Password")) == nullptr
                      || !f.tMain->FindField(QStringLiteral("Password"))->IsPersistent(),
                  true);
        return int(mrCancel);
    });
}

TEST_F(ConfigWindow, SavedRowTakesKeyOneAndReachesTheRecordAtTheNextChoice)
{
    Apri([this](Tfqarn0001f &f) -> int {
        f.Control<TDBCheckBox>(QStringLiteral("chFlAbilCauz"))->click();
        f.Control<TDBCheckBox>(QStringLiteral("chFlGestEcc"))->click();
        f.Control<TDBCheckBox>(QStringLiteral("chFlQtaConf"))->click();
        f.Control<TDBCheckBox>(QStringLiteral("chFlQtaConf"))->click(); // ticked and cleared again
        EXPECT_TRUE(f.Control<TDBComboBox>(QStringLiteral("cbFlStaRegCs"))->SelectValue(2));
        EXPECT_TRUE(f.Control<TDBComboBox>(QStringLiteral("cbFlTipoPrz"))->SelectValue(1));
        Scrivi(f, "edMeseIniBilDicGia", QStringLiteral("9"));
        Scrivi(f, "edLungCodArtPad", QStringLiteral("6"));
        EXPECT_TRUE(script.Messages().isEmpty());
        f.btOk->click();
        return int(mrOk);
    });
    EXPECT_EQ(script.Count(Avviso), 1);
    EXPECT_EQ(script.Messages().first().Type, mtInformation);
    ASSERT_EQ(Righe(), 1);
    const QVariantMap r = Riga();
    ASSERT_FALSE(r.isEmpty()) << "stored under IdCodice \"1\"";
    EXPECT_EQ(r.value("flabilcauz").toInt(), 1);
    EXPECT_EQ(r.value("flgestecc").toInt(), 1);
    EXPECT_EQ(r.value("flqtaconf").toInt(), 0);
    EXPECT_EQ(r.value("flabiltrasporto").toInt(), 0);
    EXPECT_EQ(r.value("flstaregcs").toInt(), 2);
    EXPECT_EQ(r.value("fltipoprz").toInt(), 1);
    EXPECT_EQ(r.value("meseinibildicgia").toInt(), 9);
    EXPECT_EQ(r.value("lungcodartpad").toInt(), 6);

    EXPECT_TRUE(EseguiScelta(nullptr, u"...."));
    EXPECT_EQ(UT_LMQ_Parametri.FlAbilCauz, 1);
    EXPECT_EQ(UT_LMQ_Parametri.FlStaRegCs, 2);
    EXPECT_EQ(UT_LMQ_Parametri.MeseIniBilDicGia, 9);
}

TEST_F(ConfigWindow, CancelStoresNothing)
{
    Apri([](Tfqarn0001f &f) -> int {
        f.Control<TDBCheckBox>(QStringLiteral("chFlAbilCauz"))->click();
        f.btAnnulla->click();
        return int(mrCancel);
    });
    EXPECT_EQ(Righe(), 0) << "the appended row is not stored";
    EXPECT_TRUE(script.Messages().isEmpty());

    company.Database().ExecSQL(
        QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlAbilTrasporto) VALUES ('1', 1)"));
    Apri([](Tfqarn0001f &f) -> int {
        EXPECT_EQ(f.tMain->State(), dsEdit);
        f.Control<TDBCheckBox>(QStringLiteral("chFlAbilTrasporto"))->click();
        f.btAnnulla->click();
        EXPECT_EQ(f.ModalResult(), int(mrCancel));
        return int(mrCancel);
    });
    EXPECT_EQ(Riga().value("flabiltrasporto").toInt(), 1);
    EXPECT_TRUE(script.Messages().isEmpty());
}

TEST_F(ConfigWindow, SavedTwiceEachSaveShowsTheMessageAndTheHiddenFlagStays)
{
    company.Database().ExecSQL(
        QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlAbilPrenota, FlAbilAccisa) VALUES ('1', 1, 2)"));
    Apri([](Tfqarn0001f &f) -> int {
        f.btOk->click(); // nothing changed: the row put in edit is posted all the same
        EXPECT_EQ(f.ModalResult(), int(mrOk));
        return int(mrOk);
    });
    EXPECT_EQ(script.Count(Avviso), 1);
    Apri([](Tfqarn0001f &f) -> int {
        EXPECT_TRUE(f.Control<TDBComboBox>(QStringLiteral("cbFlAbilAccisa"))->SelectValue(0));
        f.Control<TDBCheckBox>(QStringLiteral("chFlAbilStatis"))->click();
        f.btOk->click();
        return int(mrOk);
    });
    EXPECT_EQ(script.Count(Avviso), 2);
    EXPECT_EQ(Righe(), 1);
    const QVariantMap r = Riga();
    EXPECT_EQ(r.value("flabilprenota").toInt(), 1);
    EXPECT_EQ(r.value("flabilaccisa").toInt(), 0);
    EXPECT_EQ(r.value("flabilstatis").toInt(), 1);
}

TEST_F(ConfigWindow, FailedSaveKeepsTheWindowOpen)
{
    Apri([this](Tfqarn0001f &f) -> int {
        // another user stores row "1" meanwhile: the appended row cannot be posted
        company.Database().ExecSQL(QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice) VALUES ('1')"));
        f.btOk->click();
        EXPECT_EQ(f.ModalResult(), int(mrNone));
        EXPECT_FALSE(script.Shown(Avviso));
        EXPECT_EQ(script.Messages().size(), 1) << "the error is shown";
        f.btAnnulla->click();
        return int(mrCancel);
    });
}

// The program with the module library on this test's company: the window driven from the
// command line as the user would.
TEST_F(ConfigWindow, SavedFromTheCommandLine)
{
    const QString modules = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../lib"));
    if (!QFileInfo::exists(kv8test::ProgramPath()))
        GTEST_SKIP() << "the program kv8 is not built";
    TXDatabase &db = company.Database();
    db.ExecSQL(
        QStringLiteral("INSERT INTO Utenti (IdUtente, Nome, FlPrivilegi) VALUES ('ADMIN', 'Amministratore', 1)"));
    db.ExecSQL(
        QStringLiteral("INSERT INTO LUMO_Parametri (IdCodice, FlAbilCauz, FlGestEcc, FlStaRegCs, MeseIniBilDicGia, "
                       "FlAbilTrasporto) VALUES ('1', 1, 0, 1, 8, 1)"));
    const auto stored = [this]() {
        const QVariantMap r = Riga();
        QVariantList out;
        for (const char *c : {"flabilcauz", "flgestecc", "flstaregcs", "meseinibildicgia", "flabiltrasporto"})
            out << r.value(QLatin1String(c)).toInt();
        return out;
    };
    const QVariantList before = stored();
    const auto run = [&](const QStringList &steps) {
        return kv8test::RunProgram(QStringList{QStringLiteral("--database"), company.Db().Url(),
                                               QStringLiteral("--menu"), QStringLiteral("QARN0001F")}
                                       + steps,
                                   modules);
    };

    // a control the window does not have: the run stops before saving
    kv8test::ProgramRun program = run({QStringLiteral("--set"), QStringLiteral("edMeseIniBilDicGia=9"),
                                       QStringLiteral("--click"), QStringLiteral("btSalva")});
    EXPECT_EQ(program.ExitCode, 2);
    EXPECT_TRUE(program.Err.contains(QStringLiteral("has no control btSalva"))) << program.Err.toStdString();
    EXPECT_EQ(stored(), before);

    program = run({QStringLiteral("--set"), QStringLiteral("edMeseIniBilDicGia=9"), QStringLiteral("--set"),
                   QStringLiteral("chFlAbilCauz=0"), QStringLiteral("--set"), QStringLiteral("chFlGestEcc=1"),
                   QStringLiteral("--set"), QStringLiteral("cbFlStaRegCs=Stampa ad aghi"), QStringLiteral("--click"),
                   QStringLiteral("btOk")});
    ASSERT_EQ(program.ExitCode, 0) << program.Err.toStdString();
    const QString missing = program.MissingInOrder({
        QStringLiteral("Scelta: QARN0001F"),
        QStringLiteral("Finestra: Configurazione Modulo  (Tfqarn0001f)"),
        QStringLiteral("Passo: --click btOk"),
        QStringLiteral("Informazione: ") + Avviso,
    });
    EXPECT_TRUE(missing.isEmpty()) << "missing, or out of order: " << missing.toStdString() << "\n"
                                   << program.Err.toStdString();
    EXPECT_EQ(Righe(), 1);
    EXPECT_EQ(stored(), (QVariantList{0, 1, 2, 9, 1}));
}

TEST_F(ConfigWindow, Screenshot)
{
    const QByteArray file = qgetenv("KV8_SCREENSHOT_QARN0001F");
    if (file.isEmpty())
        GTEST_SKIP() << "KV8_SCREENSHOT_QARN0001F not set";
    company.Database().ExecSQL(QStringLiteral(
        "INSERT INTO LUMO_Parametri (IdCodice, FlAbilCauz, FlStaRegCs, MeseIniBilDicGia) VALUES ('1', 1, 1, 8)"));
    Apri([&file](Tfqarn0001f &f) -> int {
        f.show();
        kv8test::ProcessEvents();
        EXPECT_TRUE(f.grab().save(QString::fromLocal8Bit(file)));
        f.hide();
        return int(mrCancel);
    });
}

} // namespace
