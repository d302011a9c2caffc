// The menu-choice dispatcher through EseguiScelta: what it refuses at once, what it prepares,
// the gates of the parameter record, the single-instance windows, the numbers read after
// ";", InitForm and its outcome, the hook, and the start-up registrations. Windows whose
// units are not built yet are stood in for by small test windows put in the catalogue.
#include "frame/Dmilumo.h"
#include "frame/Dmilumo_reg.h"
#include "frame/Dmiqarnsce.h"
#include "frame/Dusaria.h"
#include "frame/Lumo_parametri.h"
#include "host/core/Kutfunctions.h"
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/ClassRegistry.h"
#include "host/ui/MDIForm.h"
#include "tests/support/ui/UiScript.h"
#include "tests/support/ui/WindowDriver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

// ---- stand-ins for windows whose units come later

class TProvaFinestra : public TForm {
    Q_OBJECT
public:
    explicit TProvaFinestra(QWidget *owner = nullptr) : TForm(owner) { resize(240, 120); }
    static inline QList<QVariantList> Chiamate; // arguments of every InitForm
    static inline bool Risposta = true;         // what InitForm answers
};

class TProvaSenzaInit : public TProvaFinestra {
    Q_OBJECT
public:
    using TProvaFinestra::TProvaFinestra;
};

class TProvaTre : public TProvaFinestra {
    Q_OBJECT
public:
    using TProvaFinestra::TProvaFinestra;
    bool InitForm(qint32 a, qint32 b, qint32 c)
    {
        Chiamate << QVariantList{a, b, c};
        return Risposta;
    }
};

class TProvaDue : public TProvaFinestra {
    Q_OBJECT
public:
    using TProvaFinestra::TProvaFinestra;
    bool InitForm(qint32 a, qint32 b)
    {
        Chiamate << QVariantList{a, b};
        return Risposta;
    }
};

class TProvaTesto : public TProvaFinestra {
    Q_OBJECT
public:
    using TProvaFinestra::TProvaFinestra;
    bool InitForm(const QString &tipo)
    {
        Chiamate << QVariantList{tipo};
        return Risposta;
    }
};

// A customer window: InitForm() and a main dataset of accounts.
class TProvaClienti : public TProvaFinestra {
    Q_OBJECT
public:
    explicit TProvaClienti(QWidget *owner = nullptr) : TProvaFinestra(owner)
    {
        tMain = new TXMemTable(this);
        tMain->SetName(QStringLiteral("tMain"));
        tMain->AddField(QStringLiteral("IdContoTp"), ftString, 2);
        tMain->AddField(QStringLiteral("IdConto"), ftString, 8);
        DSMain = new TDataSource(this);
        DSMain->SetName(QStringLiteral("DSMain"));
        DSMain->SetDataSet(tMain);
        tMain->Open();
        for (const auto &[tipo, conto] :
             {std::pair{"FO", "C002"}, std::pair{"CL", "C001"}, std::pair{"CL", "C002"}, std::pair{"CL", "C003"}}) {
            tMain->Append();
            tMain->FieldByName(QStringLiteral("IdContoTp"))->SetAsString(QLatin1String(tipo));
            tMain->FieldByName(QStringLiteral("IdConto"))->SetAsString(QLatin1String(conto));
            tMain->Post();
        }
        tMain->First();
    }
    void InitForm() { Chiamate << QVariantList{}; }
    TXMemTable *tMain;
    TDataSource *DSMain;
};

class TProvaDM : public TDataModule {
    Q_OBJECT
public:
    using TDataModule::TDataModule;
};

namespace {

QPointer<TProvaSenzaInit> FProvaA;
QPointer<TProvaSenzaInit> FProvaB;
QPointer<TProvaTre> FProvaTre;
QPointer<TProvaDue> FProvaDue;
QPointer<TProvaTesto> FProvaTesto;
QPointer<TProvaClienti> FProvaClienti;

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!company.Available())
            GTEST_SKIP() << "KV8_TEST_PG not set";
        Application->DestroyComponents(); // no shared data module yet
        UT_LMQ_Parametri = {};
        utente = gUtente;
        TProvaFinestra::Chiamate.clear();
        TProvaFinestra::Risposta = true;
        main = std::make_unique<kv8test::TestMainWindow>();
    }

    void TearDown() override
    {
        main.reset();
        for (auto it = salvate.rbegin(); it != salvate.rend(); ++it) {
            if (it->second.Classe.IsNull())
                Dusaria::RimuoviClasse(it->first);
            else
                Dusaria::RegistraClasse(it->first, it->second);
        }
        gUtente = utente;
        Application->DestroyComponents();
    }

    // Puts a class in the catalogue for this test only.
    void Sostituisci(const QString &nome, const Dusaria::TClasseModulo &classe)
    {
        salvate.emplace_back(nome, Dusaria::RegistraClasse(nome, classe));
    }
    void Togli(const QString &nome) { Sostituisci(nome, Dusaria::TClasseModulo()); }

    bool Scelta(const QString &code)
    {
        const bool r = EseguiScelta(main->Window(), reinterpret_cast<const char16_t *>(code.utf16()));
        kv8test::ProcessEvents();
        return r;
    }

    // The parameter row "1" with these values (every other column its default).
    void Parametri(const QVariantMap &valori)
    {
        TXDatabase &db = company.Database();
        db.ExecSQL(QStringLiteral("DELETE FROM LUMO_Parametri"));
        QStringList colonne{QStringLiteral("IdCodice")};
        QVariantList dati{QStringLiteral("1")};
        for (auto it = valori.begin(); it != valori.end(); ++it) {
            colonne << it.key();
            dati << it.value();
        }
        QStringList segni;
        for (int i = 0; i < dati.size(); ++i)
            segni << QStringLiteral("?");
        db.ExecSQL(QStringLiteral("INSERT INTO LUMO_Parametri (%1) VALUES (%2)")
                       .arg(colonne.join(QStringLiteral(", ")), segni.join(QStringLiteral(", "))),
                   dati);
        if (DMILUMO) // read again at the next choice, as after a save in the configuration window
            DMILUMO->lkLUMO_Parametri->Close();
    }

    void ChiudiFinestre()
    {
        for (QMdiSubWindow *sub : main->Window()->MdiArea()->subWindowList())
            delete sub;
        kv8test::ProcessEvents();
    }

    kv8test::UiCompany company;
    kv8test::UiScript script;
    std::unique_ptr<kv8test::TestMainWindow> main;
    std::vector<std::pair<QString, Dusaria::TClasseModulo>> salvate;
    TUtente utente;
};

TEST_F(Dispatcher, BnavFirstChoiceCreatesNothingButLowerCaseGoesThrough)
{
    UT_LMQ_Parametri.FlAbilCauz = 7;
    Parametri({{QStringLiteral("FlAbilCauz"), 1}});
    EXPECT_FALSE(Scelta(QStringLiteral("BNAV0001F")));
    EXPECT_TRUE(DMILUMO.isNull());
    EXPECT_TRUE(DMILUMO_reg.isNull());
    EXPECT_TRUE(DMIQARNSCE.isNull());
    EXPECT_EQ(UT_LMQ_Parametri.FlAbilCauz, 7) << "no parameter read";

    EXPECT_FALSE(Scelta(QStringLiteral("bnav0001f")));
    ASSERT_FALSE(DMILUMO.isNull());
    ASSERT_FALSE(DMILUMO_reg.isNull());
    ASSERT_FALSE(DMIQARNSCE.isNull());
    EXPECT_EQ(DMIQARNSCE->objectName(), QStringLiteral("DMIQARNSCE"));
    EXPECT_EQ(DMILUMO->parent(), Application) << "owned by the application";
    EXPECT_EQ(UT_LMQ_Parametri.FlAbilCauz, 1);
    EXPECT_TRUE(script.Messages().isEmpty());

    // created once: later choices keep the same modules
    TDMILUMO *primo = DMILUMO.data();
    EXPECT_FALSE(Scelta(QStringLiteral("XXXX0001F")));
    EXPECT_EQ(DMILUMO.data(), primo);
}

TEST_F(Dispatcher, HookAndPersonalCodeAnswerTrueWithoutWindow)
{
    EXPECT_TRUE(Scelta(QStringLiteral("....")));
    EXPECT_TRUE(Scelta(QStringLiteral("PERS....X")));
    EXPECT_FALSE(Scelta(QStringLiteral("PERS....X;1")));
    EXPECT_FALSE(Scelta(QStringLiteral("...")));
    EXPECT_FALSE(Scelta(QString()));
    EXPECT_EQ(main->ChildCount(), 0);
    EXPECT_TRUE(script.Messages().isEmpty());
}

TEST_F(Dispatcher, GatesReadTheParametersOfEachChoice)
{
    Sostituisci(QStringLiteral("TFqarn0014f"), Dusaria::Finestra(FProvaA));
    Sostituisci(QStringLiteral("TFqarn0014d"), Dusaria::Finestra(FProvaB));
    struct Caso {
        int valore;
        bool listino; // QARN0014F: on only at 1
        bool stampa;  // QARN0014D: on at any value but 0
    };
    for (const Caso c : {Caso{0, false, false}, Caso{1, true, true}, Caso{2, false, true}}) {
        SCOPED_TRACE(c.valore);
        Parametri({{QStringLiteral("FlAbilTrasporto"), c.valore}});
        EXPECT_EQ(Scelta(QStringLiteral("QARN0014F")), c.listino);
        EXPECT_EQ(!FProvaA.isNull(), c.listino);
        EXPECT_EQ(Scelta(QStringLiteral("QARN0014D")), c.stampa);
        EXPECT_EQ(!FProvaB.isNull(), c.stampa);
        if (FProvaB) {
            EXPECT_FALSE(FProvaB->SubWindow()->isMaximized());
        }
        ChiudiFinestre();
    }
    EXPECT_TRUE(script.Messages().isEmpty());
}

TEST_F(Dispatcher, DepositJournalOpensMaximisedOnlyWhenDepositsAreOn)
{
    Sostituisci(QStringLiteral("TFqarn0204f"), Dusaria::Finestra(FProvaA));
    Parametri({{QStringLiteral("FlAbilCauz"), 0}});
    EXPECT_FALSE(Scelta(QStringLiteral("QARN0204F")));
    EXPECT_TRUE(FProvaA.isNull());
    EXPECT_TRUE(script.Messages().isEmpty());

    Parametri({{QStringLiteral("FlAbilCauz"), 2}});
    EXPECT_FALSE(Scelta(QStringLiteral("QARN0204F;1"))) << "module codes take no parameters";
    EXPECT_FALSE(Scelta(QStringLiteral("qarn0204f"))) << "codes are compared with their case";
    EXPECT_TRUE(FProvaA.isNull());
    ASSERT_TRUE(Scelta(QStringLiteral("QARN0204F")));
    ASSERT_FALSE(FProvaA.isNull());
    EXPECT_TRUE(FProvaA->SubWindow()->isMaximized());
    // a second request brings the same window forward
    EXPECT_TRUE(Scelta(QStringLiteral("QARN0204F")));
    EXPECT_EQ(main->ChildCount(), 1);
}

TEST_F(Dispatcher, CodeWhoseWindowIsNotBuiltIsNotHandled)
{
    Togli(QStringLiteral("TFqarn0201f"));
    Togli(QStringLiteral("TFBBas0030f_p"));
    Parametri({{QStringLiteral("FlAbilCauz"), 1}});
    EXPECT_FALSE(Scelta(QStringLiteral("QARN0201F")));
    EXPECT_FALSE(Scelta(QStringLiteral("BBAS0030F")));
    EXPECT_EQ(main->ChildCount(), 0);
    EXPECT_TRUE(script.Messages().isEmpty());
}

TEST_F(Dispatcher, DeliveryNoteKeyReachesInitForm)
{
    Sostituisci(QStringLiteral("TFSVen0001f_p"), Dusaria::Finestra(FProvaTre));
    struct Caso {
        const char *codice;
        QVariantList attesi;
    };
    for (const Caso &c :
         {Caso{"SVEN0001F_C;123", {0, 123, 0}}, Caso{"SVEN0001F_C;abc", {0, 0, 0}}, Caso{"SVEN0001F_C", {0, 0, 0}},
          Caso{"SVEN0001F_F;-8", {1, -8, 0}}, Caso{"SVEN0001F_F;4294967296", {1, 0, 0}}}) {
        SCOPED_TRACE(c.codice);
        TProvaFinestra::Chiamate.clear();
        EXPECT_TRUE(Scelta(QLatin1String(c.codice)));
        ASSERT_FALSE(FProvaTre.isNull());
        ASSERT_EQ(TProvaFinestra::Chiamate.size(), 1);
        EXPECT_EQ(TProvaFinestra::Chiamate.first(), c.attesi);
        ChiudiFinestre();
    }
}

TEST_F(Dispatcher, SingleInstanceWindowShowsItsMessageForEitherCode)
{
    Sostituisci(QStringLiteral("TFSVen0001f_p"), Dusaria::Finestra(FProvaTre));
    ASSERT_TRUE(Scelta(QStringLiteral("SVEN0001F_C;5")));
    TForm *aperta = FProvaTre.data();
    ASSERT_NE(aperta, nullptr);

    EXPECT_TRUE(Scelta(QStringLiteral("SVEN0001F_F")));
    EXPECT_TRUE(Scelta(QStringLiteral("SVEN0001F_C;6")));
    ASSERT_EQ(script.Messages().size(), 2);
    for (const kv8test::ShownMessage &m : script.Messages()) {
        EXPECT_EQ(m.Text, QStringLiteral("Gestione bolle uscita già attiva"));
        EXPECT_EQ(m.Type, mtError);
        EXPECT_EQ(m.Buttons, mbOK);
    }
    EXPECT_EQ(FProvaTre.data(), aperta);
    EXPECT_EQ(main->ChildCount(), 1);
    EXPECT_EQ(TProvaFinestra::Chiamate.size(), 1) << "the open window is untouched";
}

TEST_F(Dispatcher, InvoiceWindowMessagesAndInitFormFalseClosesIt)
{
    Sostituisci(QStringLiteral("TFSVen0008f_p"), Dusaria::Finestra(FProvaDue));
    TProvaFinestra::Risposta = false;
    EXPECT_TRUE(Scelta(QStringLiteral("SVEN0008F_F;42")));
    EXPECT_TRUE(FProvaDue.isNull()) << "closed when InitForm answers false";
    EXPECT_EQ(main->ChildCount(), 0);
    ASSERT_EQ(TProvaFinestra::Chiamate.size(), 1);
    EXPECT_EQ(TProvaFinestra::Chiamate.first(), (QVariantList{0, 42}));

    TProvaFinestra::Risposta = true;
    EXPECT_TRUE(Scelta(QStringLiteral("SVEN0008F_R;7")));
    ASSERT_FALSE(FProvaDue.isNull());
    EXPECT_EQ(TProvaFinestra::Chiamate.last(), (QVariantList{1, 7}));
    EXPECT_TRUE(Scelta(QStringLiteral("SVEN0008F_R")));
    EXPECT_TRUE(Scelta(QStringLiteral("SVEN0008F_F")));
    ASSERT_EQ(script.Messages().size(), 2);
    EXPECT_EQ(script.Messages()[0].Text, QStringLiteral("Gestione fatture già attiva"));
    EXPECT_EQ(script.Messages()[0].Type, mtWarning);
    EXPECT_EQ(script.Messages()[1].Text, QStringLiteral("Gestione fatture già attiva"));
    EXPECT_EQ(script.Messages()[1].Type, mtError);
}

TEST_F(Dispatcher, NumbersAfterSemicolons)
{
    struct Caso {
        const char *codice;
        qint32 primo;
        qint32 secondo;
    };
    for (const Caso &c : {Caso{"BMAG0001F;5;7", 5, 7}, Caso{"BMAG0001F;5", 0, 0}, Caso{"BMAG0001F;5;7;9", 5, 0},
                          Caso{"BMAG0001F", 0, 0}, Caso{"BMAG0001F;x;7", 0, 7}, Caso{"BMAG0001F;;", 0, 0}}) {
        SCOPED_TRACE(c.codice);
        qint32 a = -1;
        qint32 b = -1;
        Dusaria::NumeriScelta(QLatin1String(c.codice), a, b);
        EXPECT_EQ(a, c.primo);
        EXPECT_EQ(b, c.secondo);
    }
    EXPECT_EQ(Dusaria::ChiaveScelta(QStringLiteral("SVEN0001F_C;123")), 123);
    EXPECT_EQ(Dusaria::ChiaveScelta(QStringLiteral("SVEN0001F_C;abc")), 0);
    EXPECT_EQ(Dusaria::ChiaveScelta(QStringLiteral("SVEN0001F_C")), 0);
    EXPECT_EQ(Dusaria::ChiaveScelta(QStringLiteral("SVEN0001F_C;1;2")), 0) << "the rest of the code as a whole";
    EXPECT_EQ(Dusaria::ChiaveScelta(QStringLiteral("SVEN0001F_C;2147483647")), 2147483647);

    // the warehouse journal passes them to its InitForm, and is single-instance
    Sostituisci(QStringLiteral("TFBMag0001f_p"), Dusaria::Finestra(FProvaDue));
    EXPECT_TRUE(Scelta(QStringLiteral("BMAG0001F;5;7")));
    ASSERT_EQ(TProvaFinestra::Chiamate.size(), 1);
    EXPECT_EQ(TProvaFinestra::Chiamate.first(), (QVariantList{5, 7}));
    EXPECT_TRUE(Scelta(QStringLiteral("BMAG0001F;1;1")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Gestione prima nota magazzino già attiva"));
    EXPECT_EQ(TProvaFinestra::Chiamate.size(), 1);
}

TEST_F(Dispatcher, NumbersAreTakenOnlyWhenTheTextIsAnInteger)
{
    struct Caso {
        const char *testo;
        qint32 valore;
    };
    for (const Caso &c : {Caso{"-5", -5}, Caso{"007", 7}, Caso{"-2147483648", -2147483647 - 1}, Caso{" 5", 0},
                          Caso{"5 ", 0}, Caso{"+5", 0}, Caso{"--5", 0}, Caso{"-", 0}, Caso{"", 0}, Caso{"5x", 0},
                          Caso{"1.5", 0}, Caso{"\t5", 0}, Caso{"2147483648", 0}}) {
        SCOPED_TRACE(c.testo);
        EXPECT_EQ(Dusaria::ChiaveScelta(QStringLiteral("SVEN0001F_C;") + QString::fromUtf8(c.testo)), c.valore);
        qint32 a = -1;
        qint32 b = -1;
        Dusaria::NumeriScelta(QStringLiteral("BMAG0001F;%1;%1").arg(QString::fromUtf8(c.testo)), a, b);
        EXPECT_EQ(a, c.valore);
        EXPECT_EQ(b, c.valore);
    }
    EXPECT_EQ(Dusaria::ChiaveScelta(QStringLiteral("SVEN0001F_C;\u0663")), 0) << "digits of another script";

    // what InitForm receives
    Sostituisci(QStringLiteral("TFSVen0001f_p"), Dusaria::Finestra(FProvaTre));
    EXPECT_TRUE(Scelta(QStringLiteral("SVEN0001F_C; 12")));
    ASSERT_EQ(TProvaFinestra::Chiamate.size(), 1);
    EXPECT_EQ(TProvaFinestra::Chiamate.first(), (QVariantList{0, 0, 0}));
}

TEST_F(Dispatcher, AWindowClosedButNotYetFreedCountsAsAbsent)
{
    // choices that follow each other without the event loop freeing the closed window
    const auto sceltaSubito = [this](const QString &code) {
        return EseguiScelta(main->Window(), reinterpret_cast<const char16_t *>(code.utf16()));
    };
    Sostituisci(QStringLiteral("TFSVen0001f_p"), Dusaria::Finestra(FProvaTre));
    ASSERT_TRUE(sceltaSubito(QStringLiteral("SVEN0001F_C;5")));
    const QPointer<TProvaTre> prima = FProvaTre;
    ASSERT_TRUE(prima->Close());
    ASSERT_EQ(FProvaTre.data(), prima.data()) << "still in the reference until it is freed";
    EXPECT_TRUE(sceltaSubito(QStringLiteral("SVEN0001F_F;6")));
    EXPECT_TRUE(script.Messages().isEmpty()) << "no \"già attiva\" for a closed window";
    ASSERT_FALSE(FProvaTre.isNull());
    EXPECT_NE(FProvaTre.data(), prima.data()) << "a new window";
    EXPECT_FALSE(FProvaTre->IsClosed());
    EXPECT_EQ(TProvaFinestra::Chiamate, (QList<QVariantList>{{0, 5, 0}, {1, 6, 0}}));
    kv8test::ProcessEvents();
    EXPECT_TRUE(prima.isNull());
    EXPECT_EQ(main->ChildCount(), 1);

    // closed by its own InitForm answering false, then chosen again at once
    Sostituisci(QStringLiteral("TFSVen0008f_p"), Dusaria::Finestra(FProvaDue));
    TProvaFinestra::Chiamate.clear();
    TProvaFinestra::Risposta = false;
    EXPECT_TRUE(sceltaSubito(QStringLiteral("SVEN0008F_F;42")));
    ASSERT_FALSE(FProvaDue.isNull());
    EXPECT_TRUE(FProvaDue->IsClosed());
    const QPointer<TProvaDue> chiusa = FProvaDue;
    TProvaFinestra::Risposta = true;
    EXPECT_TRUE(sceltaSubito(QStringLiteral("SVEN0008F_R;7")));
    EXPECT_TRUE(script.Messages().isEmpty());
    ASSERT_FALSE(FProvaDue.isNull());
    EXPECT_NE(FProvaDue.data(), chiusa.data());
    EXPECT_EQ(TProvaFinestra::Chiamate, (QList<QVariantList>{{0, 42}, {1, 7}})) << "InitForm of the new window only";
    // the open one is single-instance again
    EXPECT_TRUE(sceltaSubito(QStringLiteral("SVEN0008F_F;8")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Gestione fatture già attiva"));
    kv8test::ProcessEvents();
    EXPECT_EQ(main->ChildCount(), 2);
}

TEST_F(Dispatcher, DepositCardsTakeTheAccountType)
{
    Sostituisci(QStringLiteral("TFqarn0202f"), Dusaria::Finestra(FProvaTesto));
    Parametri({{QStringLiteral("FlAbilCauz"), 1}});
    EXPECT_TRUE(Scelta(QStringLiteral("QARN0202F_C")));
    ASSERT_FALSE(FProvaTesto.isNull());
    EXPECT_FALSE(FProvaTesto->SubWindow()->isMaximized());
    EXPECT_TRUE(Scelta(QStringLiteral("QARN0202F_F")));
    EXPECT_EQ(script.LastText(), QStringLiteral("Gestione progressivi già attiva"));
    EXPECT_EQ(script.Messages().last().Type, mtError);
    ChiudiFinestre();
    EXPECT_TRUE(Scelta(QStringLiteral("QARN0202F_F")));
    EXPECT_EQ(TProvaFinestra::Chiamate, (QList<QVariantList>{{QStringLiteral("CL")}, {QStringLiteral("FO")}}));

    ChiudiFinestre();
    Parametri({{QStringLiteral("FlAbilCauz"), 0}});
    EXPECT_FALSE(Scelta(QStringLiteral("QARN0202F_C")));
}

TEST_F(Dispatcher, CustomerCodePositionsTheCustomerWindow)
{
    Sostituisci(QStringLiteral("TFBbas0051f_p"), Dusaria::Finestra(FProvaClienti));
    EXPECT_TRUE(Scelta(QStringLiteral("BBAS0051F;C002")));
    ASSERT_FALSE(FProvaClienti.isNull());
    EXPECT_EQ(TProvaFinestra::Chiamate.size(), 1);
    EXPECT_EQ(FProvaClienti->tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(), QStringLiteral("CL"));
    EXPECT_EQ(FProvaClienti->tMain->FieldByName(QStringLiteral("IdConto"))->AsString(), QStringLiteral("C002"));

    // already open: the factory answers false, so neither InitForm nor the positioning runs
    FProvaClienti->tMain->First();
    EXPECT_TRUE(Scelta(QStringLiteral("BBAS0051F;C003")));
    EXPECT_EQ(TProvaFinestra::Chiamate.size(), 1);
    EXPECT_EQ(FProvaClienti->tMain->FieldByName(QStringLiteral("IdContoTp"))->AsString(), QStringLiteral("FO"));
}

TEST_F(Dispatcher, ConfigurationWindowNeedsThePrivilege)
{
    int mostrata = 0;
    script.OnDialog(QStringLiteral("Tfqarn0001f"), [&mostrata](TForm &) {
        ++mostrata;
        return int(mrCancel);
    });
    gUtente.FlPrivilegi = 0;
    EXPECT_FALSE(Scelta(QStringLiteral("QARN0001F")));
    gUtente.FlPrivilegi = 2;
    EXPECT_FALSE(Scelta(QStringLiteral("QARN0001F")));
    EXPECT_EQ(mostrata, 0);
    EXPECT_TRUE(script.Messages().isEmpty());

    gUtente.FlPrivilegi = 1;
    EXPECT_TRUE(Scelta(QStringLiteral("QARN0001F")));
    EXPECT_EQ(mostrata, 1);
    EXPECT_EQ(main->ChildCount(), 0) << "shown modally, not as a child window";
}

TEST_F(Dispatcher, AnotherLibraryTakesCodesThroughItsOwnHook)
{
    const QString file =
        QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../lib/libdusaria_hooktest.so"));
    if (!QFile::exists(file))
        GTEST_SKIP() << "the hook test library is not built";
    QLibrary library(file);
    ASSERT_TRUE(library.load()) << library.errorString().toStdString();
    using Installa = void (*)();
    using Viste = int (*)();
    auto installa = reinterpret_cast<Installa>(library.resolve("ProvaInstallaScelta"));
    auto viste = reinterpret_cast<Viste>(library.resolve("ProvaScelteViste"));
    ASSERT_TRUE(installa && viste);

    installa();
    ASSERT_FALSE(DMIQARNSCE.isNull());
    TDMIQARNSCE *gancio = DMIQARNSCE.data();
    EXPECT_STRNE(gancio->metaObject()->className(), "TDMIQARNSCE");

    Parametri({{QStringLiteral("FlAbilCauz"), 0}});
    EXPECT_TRUE(Scelta(QStringLiteral("QARN0204F"))) << "taken by the other library";
    EXPECT_TRUE(Scelta(QStringLiteral("....")));
    EXPECT_FALSE(Scelta(QStringLiteral("BNAV0001F")));
    EXPECT_FALSE(Scelta(QStringLiteral("QARN9999F")));
    EXPECT_EQ(viste(), 3) << "every code but BNAV ones passes the hook";
    EXPECT_EQ(DMIQARNSCE.data(), gancio) << "not replaced by the module's own";
    EXPECT_FALSE(DMILUMO.isNull());
}

TEST_F(Dispatcher, InitializeRegistersTheBuiltClassesUnderHostNames)
{
    Sostituisci(QStringLiteral("TDMIBMag_p"), Dusaria::Classe<TProvaDM>());
    Togli(QStringLiteral("TDMISOrc_p"));
    Xforms::Registry().Unregister(QStringLiteral("TDMISOrc"));
    Initialize();
    const ClassRef trovata = Xforms::Registry().Find(QStringLiteral("tdmibmag"));
    ASSERT_FALSE(trovata.IsNull());
    std::unique_ptr<QObject> creata(trovata.Create(nullptr));
    EXPECT_NE(qobject_cast<TProvaDM *>(creata.get()), nullptr);
    EXPECT_FALSE(Xforms::Registry().Contains(QStringLiteral("TDMISOrc"))) << "a class not built is skipped";
    Xforms::Registry().Unregister(QStringLiteral("TDMIBMag"));
}

} // namespace

#include "test_Dispatcher.moc"
