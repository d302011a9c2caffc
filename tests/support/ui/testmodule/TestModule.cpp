// A small module library for the program's tests: it exports the three entry points and
// answers a few menu codes of its own.
#include "host/ui/Dlgbase.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "host/ui/ModuleAbi.h"

#include <QString>
#include <QTextStream>

KV8_MODULE_EXPORT void Initialize()
{
    QTextStream(stderr) << "testmodule: Initialize\n";
}

KV8_MODULE_EXPORT void Finalize()
{
    QTextStream(stderr) << "testmodule: Finalize\n";
}

KV8_MODULE_EXPORT bool EseguiScelta(QWidget *mainForm, const char16_t *code)
{
    const QString choice = QString::fromUtf16(code);
    if (choice == QLatin1String("TEST0001F")) {
        const bool isMain = qobject_cast<Mdimainbase::TMDIForm *>(mainForm) != nullptr;
        Kmessages::KMessage(QStringLiteral("Modulo di prova: %1%2").arg(choice, isMain ? QString() : QStringLiteral(" (senza finestra principale)")),
                            mtInformation, mbOK);
        return true;
    }
    if (choice == QLatin1String("TEST0002Q")) {
        const int answer = Kmessages::KMessage(QStringLiteral("Proseguire ?"), mtConfirmation, mbYesNo, 1);
        Kmessages::KMessage(QStringLiteral("Risposta %1").arg(answer), mtInformation, mbOK);
        return true;
    }
    if (choice == QLatin1String("TEST0003D")) {
        TfdlgBase dialog(mainForm);
        dialog.setWindowTitle(QStringLiteral("Dialogo di prova"));
        dialog.SetClientSize(300, 120);
        const int result = dialog.ShowModal();
        Kmessages::KMessage(QStringLiteral("Esito %1").arg(result), mtInformation, mbOK);
        return true;
    }
    return false;
}
