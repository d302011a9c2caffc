// A small module library for the program's tests: it exports the three entry points and
// answers a few menu codes of its own.
#include "host/data/TDataSource.h"
#include "host/data/TXMemTable.h"
#include "host/ui/DBControls.h"
#include "host/ui/Dlgbase.h"
#include "host/ui/Kmessages.h"
#include "host/ui/MDIForm.h"
#include "host/ui/ModuleAbi.h"
#include "host/ui/WindowFactory.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QTabWidget>
#include <QTextStream>
#include <QVBoxLayout>

namespace {

// A small modal dialog; tells its result.
void DialogoInterno(QWidget *owner)
{
    TfdlgBase dialog(owner);
    dialog.setWindowTitle(QStringLiteral("Dialogo interno"));
    dialog.SetClientSize(160, 40);
    Kmessages::KMessage(QStringLiteral("Esito interno %1").arg(dialog.ShowModal()), mtInformation, mbOK);
}

// A button that shows a message when pressed.
QPushButton *Pulsante(QWidget *parent, const QString &name, const QString &message, TMsgDlgType type = mtInformation)
{
    auto *button = new QPushButton(name, parent);
    button->setObjectName(name);
    QObject::connect(button, &QPushButton::clicked, button,
                     [message, type] { Kmessages::KMessage(message, type, mbOK); });
    return button;
}

} // namespace

// A child window to act in: a quantity in a data-aware edit (a negative one is refused), a
// note, a button telling both, a disabled and a hidden button; F10 is told too. Two panels
// hold a button of the same name each; pages, the second with a button, the third hidden; a
// button opens a modal dialog, another shows an error.
class TFProvaAzioni : public TForm {
    Q_OBJECT
public:
    explicit TFProvaAzioni(QWidget *owner = nullptr) : TForm(owner)
    {
        setWindowTitle(QStringLiteral("Prova azioni"));
        tProva = new TXMemTable(this);
        tProva->AddField(QStringLiteral("Quantita"), ftInteger, 0);
        tProva->Open();
        tProva->Append();
        tProva->FieldByName(QStringLiteral("Quantita"))->SetAsInteger(1);
        tProva->Post();
        tProva->FieldByName(QStringLiteral("Quantita"))->OnValidate = [](TField *f) {
            if (f->AsInteger() < 0)
                throw Exception(QStringLiteral("La quantità non può essere negativa"));
        };
        auto *source = new TDataSource(this);
        source->SetDataSet(tProva);
        auto *layout = new QVBoxLayout(ClientArea());
        auto *quantita = new TDBEdit(ClientArea());
        quantita->setObjectName(QStringLiteral("edQuantita"));
        quantita->SetDataSource(source);
        quantita->SetDataField(QStringLiteral("Quantita"));
        auto *nota = new QLineEdit(ClientArea());
        nota->setObjectName(QStringLiteral("edNota"));
        nota->setMaxLength(20);
        auto *mostra = new QPushButton(QStringLiteral("Mostra"), ClientArea());
        mostra->setObjectName(QStringLiteral("btMostra"));
        auto *spento = new QPushButton(QStringLiteral("Spento"), ClientArea());
        spento->setObjectName(QStringLiteral("btSpento"));
        spento->setEnabled(false);
        auto *nascosto = new QPushButton(QStringLiteral("Nascosto"), ClientArea());
        nascosto->setObjectName(QStringLiteral("btNascosto"));
        nascosto->setVisible(false);
        for (QWidget *w :
             {static_cast<QWidget *>(quantita), static_cast<QWidget *>(nota), static_cast<QWidget *>(mostra),
              static_cast<QWidget *>(spento), static_cast<QWidget *>(nascosto)})
            layout->addWidget(w);
        for (const QString &pannello : {QStringLiteral("pnTesta"), QStringLiteral("pnRighe")}) {
            auto *panel = new QWidget(ClientArea());
            panel->setObjectName(pannello);
            (new QVBoxLayout(panel))
                ->addWidget(Pulsante(panel, QStringLiteral("btConta"), QStringLiteral("Conta ") + pannello));
            layout->addWidget(panel);
        }
        auto *pagine = new QTabWidget(ClientArea());
        pagine->setObjectName(QStringLiteral("pgSchede"));
        for (const QString &pagina :
             {QStringLiteral("tsPrima"), QStringLiteral("tsSeconda"), QStringLiteral("tsNascosta")}) {
            auto *page = new QWidget;
            page->setObjectName(pagina);
            (new QVBoxLayout(page))
                ->addWidget(Pulsante(page, QStringLiteral("bt") + pagina.mid(2), QStringLiteral("Pagina ") + pagina));
            pagine->addTab(page, pagina.mid(2));
        }
        pagine->setTabVisible(2, false);
        layout->addWidget(pagine);
        auto *dialogo = new QPushButton(QStringLiteral("Dialogo"), ClientArea());
        dialogo->setObjectName(QStringLiteral("btDialogo"));
        connect(dialogo, &QPushButton::clicked, this, [this] { DialogoInterno(this); });
        layout->addWidget(dialogo);
        layout->addWidget(
            Pulsante(ClientArea(), QStringLiteral("btErrore"), QStringLiteral("Registrazione rifiutata"), mtError));
        connect(mostra, &QPushButton::clicked, this, [this, nota] {
            Kmessages::KMessage(
                QStringLiteral("Quantità %1 %2, nota \"%3\"")
                    .arg(tProva->FieldByName(QStringLiteral("Quantita"))->AsInteger())
                    .arg(tProva->State() == dsEdit ? QStringLiteral("in modifica") : QStringLiteral("invariata"),
                         nota->text()),
                mtInformation, mbOK);
        });
    }

    void FormKeyDown(int &key, TShiftState shift) override
    {
        TForm::FormKeyDown(key, shift);
        if (key == Qt::Key_F10) {
            key = 0;
            Kmessages::KMessage(QStringLiteral("Tasto F10"), mtInformation, mbOK);
        }
    }

    TXMemTable *tProva;
};

namespace {
QPointer<TFProvaAzioni> FProvaAzioni;
}

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
        Kmessages::KMessage(QStringLiteral("Modulo di prova: %1%2")
                                .arg(choice, isMain ? QString() : QStringLiteral(" (senza finestra principale)")),
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
        auto *interno = new QPushButton(QStringLiteral("Interno"), dialog.ClientArea());
        interno->setObjectName(QStringLiteral("btInterno"));
        QObject::connect(interno, &QPushButton::clicked, &dialog, [&dialog] { DialogoInterno(&dialog); });
        const int result = dialog.ShowModal();
        Kmessages::KMessage(QStringLiteral("Esito %1").arg(result), mtInformation, mbOK);
        return true;
    }
    if (choice == QLatin1String("TEST0004F")) {
        Funzioni::CreaFinestraProt(FProvaAzioni, taNormale);
        return true;
    }
    return false;
}

#include "TestModule.moc"
