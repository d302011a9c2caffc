// The running program with the module library: each host master-data code opens the module's
// window in its place, driven from the command line.
#include "tests/module/masterdata/EstensioniFixture.h"

#include "tests/support/ui/Program.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMdiSubWindow>

TEST_F(Estensioni, TheProgramOpensTheModulesWindowsForTheHostCodes)
{
    if (!QFileInfo::exists(kv8test::ProgramPath()))
        GTEST_SKIP() << "the program kv8 is not built";
    const QString modules = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../lib"));
    Tutti(1);
    Esegui(
        QStringLiteral("INSERT INTO Clienti (IdContoTp, IdConto, RagioneSociale) VALUES ('CL', 'C0001', 'Enoteca')"));
    const std::pair<const char *, const char *> finestre[] = {
        {"BBAS0030F", "Tipologie Listini (Dusaria) (TFBBas0030f_p)"},
        {"BBAS0055F", "Anagrafica Articoli (Dusaria) (TFbbas0055f_p)"},
        {"BBAS0051F;C0001", "Anagrafica Clienti (Dusaria) (TFBbas0051f_p)"},
        {"BBAS0052F", "Anagrafica Fornitori (Dusaria) (TFBbas0052f_p)"},
        {"BBAS0047F", "Causali di Magazzino (Dusaria) (TFBBas0047f_p)"},
        {"BBAS0019F", "Imballi / Cauzioni (Dusaria) (TFBBas0019f_p)"},
        {"BBAS0058F;CL;C0001", "Destinatari (Dusaria) (TFBBas0058f_p)"},
        {"BBAS0038F", "Causali Documenti DDT (Dusaria) (TFBbas0038f_p)"},
        {"BBAS0039F", "Causali Documenti Fatture (Dusaria) (TFBBas0039f_p)"},
        {"BBAS0045F", "Causali DDT Fornitori (Dusaria) (TFBbas0045f_p)"},
    };
    QStringList argomenti{QStringLiteral("--database"), company.Db().Url()};
    QStringList attese;
    for (const auto &[codice, finestra] : finestre) {
        argomenti << QStringLiteral("--menu") << QLatin1String(codice);
        attese << QStringLiteral("Scelta: ") + QLatin1String(codice)
               << QStringLiteral("Finestra: ") + QString::fromUtf8(finestra);
    }
    const kv8test::ProgramRun run = kv8test::RunProgram(argomenti, modules);
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const QString mancante = run.MissingInOrder(attese);
    EXPECT_TRUE(mancante.isEmpty()) << "missing, or out of order: " << mancante.toStdString() << "\n"
                                    << run.Err.toStdString();
}

// The module's pages of the ten windows on the demo company, as pictures in the folder named
// by KV8_SCREENSHOT_MASTERDATA (one per page: code and page caption).
TEST_F(Estensioni, ScreenshotsOfTheModulesPages)
{
    const QString cartella = qEnvironmentVariable("KV8_SCREENSHOT_MASTERDATA");
    if (cartella.isEmpty())
        GTEST_SKIP() << "KV8_SCREENSHOT_MASTERDATA not set";
    CaricaDemo();
    for (const char *codice : {"BBAS0055F", "BBAS0030F", "BBAS0019F", "BBAS0051F", "BBAS0052F", "BBAS0058F",
                               "BBAS0047F", "BBAS0038F", "BBAS0039F", "BBAS0045F"}) {
        TFDBTabChild *f = Apri(QLatin1String(codice));
        ASSERT_NE(f, nullptr) << codice;
        f->SubWindow()->resize(900, 640);
        // every page but the list: the module's, and the host's detail page some of them extend
        for (int i = 1; i < f->PageControl->count(); ++i) {
            if (!f->PageControl->isTabVisible(i))
                continue;
            f->PageControl->setCurrentIndex(i);
            kv8test::ProcessEvents();
            QString pagina = f->PageControl->tabText(i);
            pagina.remove(QLatin1Char(' ')).remove(QLatin1Char('/'));
            const QString nome = QStringLiteral("%1-%2.png").arg(QLatin1String(codice), pagina);
            EXPECT_TRUE(f->SubWindow()->grab().save(QDir(cartella).filePath(nome))) << nome.toStdString();
        }
        f->Close();
        kv8test::ProcessEvents();
    }
}
