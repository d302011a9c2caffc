// kv8: the host program. "kv8 db ..." administers a company database; otherwise the main
// window opens on the company database, loads the module library and sends it every menu
// choice. With --menu or --screenshot it runs unattended (see Kv8Usage).
#include "host/app/DbCommand.h"
#include "host/app/Unattended.h"
#include "host/business/Datiazienda.h"
#include "host/business/SceltaBbas.h"
#include "host/business/SceltaDocumenti.h"
#include "host/business/SceltaOrdini.h"
#include "host/business/SceltaStampe.h"
#include "host/core/Applvar.h"
#include "host/db/ConfigStore.h"
#include "host/db/DMIDataBases.h"
#include "host/ui/Forms.h"
#include "host/ui/MDIForm.h"
#include "host/ui/ModuleLoader.h"
#include "host/ui/ReportPreview.h"
#include "host/ui/TabellaGenerica.h"
#include "host/ui/WindowFactory.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextStream>

#include <cstring>
#include <exception>

namespace {

// Errors escaping an event handler reach the application's error display.
class Kv8Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &e) {
            Application->HandleException(e);
            return false;
        }
    }
};

int Fail(const QString &message, bool unattended)
{
    QTextStream(stderr) << "kv8: " << message << '\n';
    if (!unattended)
        QMessageBox::critical(nullptr, QStringLiteral("kv8"), message);
    return kv8Failed;
}

// Unattended runs keep standard error for their own lines: the platform's notes about what
// an offscreen screen cannot do are dropped, other Qt messages are marked as such.
void UnattendedQtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (message.contains(QLatin1String("This plugin does not support"))
        || message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    QTextStream(stderr) << "qt: " << message << '\n';
}

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && std::strcmp(argv[1], "db") == 0) {
        QCoreApplication app(argc, argv);
        QTextStream out(stdout);
        QTextStream err(stderr);
        return RunDbCommand(QCoreApplication::arguments().mid(2), out, err);
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            QTextStream(stdout) << Kv8Usage();
            return 0;
        }
    }

    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    Kv8Options options;
    QString problem;
    if (!ParseOptions(rawArguments, options, problem)) {
        QTextStream(stderr) << "kv8: " << problem << '\n' << Kv8Usage();
        return kv8Failed;
    }
    const bool unattended = options.Unattended();
    if (unattended && !HasDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (unattended)
        qInstallMessageHandler(UnattendedQtMessages);

    Kv8Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("kv8"));
    QApplication::setOrganizationName(QStringLiteral("kv8"));
    InstallReportPreview();

    const QString url = options.Database.isEmpty() ? QStringLiteral("sqlite:data/demo.db") : options.Database;
    const QString file = SqliteFile(url);
    if (!file.isEmpty() && !QFileInfo::exists(file))
        return Fail(QStringLiteral("Il database %1 non esiste: crearlo con \"kv8 db demo %2\" o indicarne un altro "
                                   "con --database.")
                        .arg(file, url),
                    unattended);

    int code = 0;
    TModuleLibrary module;
    try {
        TXDatabase &db = DMIDataBases::Instance().Open(QStringLiteral("GlobalDatabase"), url);
        ConfigStore::Load(db);
        Applvar::CaricaDatiAzienda(db);
        if (!ConfigStore::LoadUser(db, options.User)) {
            const QString notUser = QStringLiteral("L'utente %1 non è tra gli utenti della ditta: indicarne uno "
                                                   "della ditta con --user.")
                                        .arg(options.User);
            if (options.UserChosen)
                throw Exception(notUser);
            QTextStream(stderr) << "kv8: " << notUser << '\n';
        }

        TMDIForm mainWindow;
        mainWindow.SetCompanyName(CFG.RagioneSociale);
        mainWindow.LoadMenu(QStringLiteral(":/host/app/menu.json"));
        SceltaBbas::Registra(); // the host's master windows, before the generic one
        SceltaStampe::Registra();
        SceltaDocumenti::Registra();
        SceltaOrdini::Registra();
        for (const Mdimainbase::TMenuEntry &entry : mainWindow.MenuEntries())
            if (!entry.Table.isEmpty())
                HostTables::RegistraScelta(entry.Code, entry.Table, entry.Caption);

        QString moduleError;
        if (module.Load(&moduleError)) {
            module.Initialize();
        } else {
            QTextStream(stderr) << "kv8: "
                                << (moduleError.isEmpty()
                                        ? QStringLiteral("nessuna libreria del modulo trovata: solo le funzioni del "
                                                         "programma")
                                        : QStringLiteral("la libreria del modulo non si può usare (%1): correggerla, "
                                                         "o toglierla da KV8_MODULES")
                                              .arg(moduleError))
                                << '\n';
            mainWindow.SetStatusText(QStringLiteral("Modulo non caricato"));
        }
        mainWindow.SetSceltaHandler([&module, &mainWindow, unattended](const QString &choice) {
            if (module.EseguiScelta(&mainWindow, choice))
                return;
            if (HostMenu::Esegui(choice))
                return;
            if (unattended)
                ReportUnhandledChoice(choice);
            Kmessages::KMessage(QStringLiteral("La funzione %1 non è disponibile").arg(choice), mtInformation, mbOK);
        });

        if (unattended) {
            code = RunUnattended(mainWindow, options);
        } else {
            mainWindow.show();
            code = QApplication::exec();
        }
        module.Finalize();
        CloseRemainingWindows(mainWindow);
        Application->DestroyComponents();
    } catch (const std::exception &e) {
        module.Finalize();
        Application->DestroyComponents();
        code = Fail(Kmessages::ExceptionText(e), unattended);
    }
    DMIDataBases::Instance().CloseAll();
    return code;
}
