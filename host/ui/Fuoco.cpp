#include "host/ui/Fuoco.h"

#include "host/ui/DBControls.h"
#include "host/ui/DBGrid.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QPointer>
#include <QTabBar>
#include <QTextEdit>

namespace Fuoco {

namespace {

bool Raggiungibile(const TForm *form, const QWidget *control)
{
    return control && form->isAncestorOf(control) && control->isEnabled() && control->isVisibleTo(form);
}

// The dataset a data-aware control shows.
const TDataSet *DatiDi(const QWidget *control)
{
    const auto *data = dynamic_cast<const IDataControl *>(control);
    return data && data->DataSource() ? data->DataSource()->DataSet() : nullptr;
}

// Typing starts in the control as when Tab enters it: what is typed replaces its text.
void Entra(QWidget *control)
{
    if (!control)
        return;
    if (QApplication::focusWidget() != control)
        control->setFocus(Qt::TabFocusReason);
    if (auto *line = qobject_cast<QLineEdit *>(control))
        line->selectAll();
}

} // namespace

bool PrendeTastiera(const QWidget *control)
{
    if (!control || !control->isEnabled() || !(control->focusPolicy() & Qt::TabFocus) || control->focusProxy())
        return false;
    // the parts of a compound control (the edit of a list or a spin box) are not reached apart
    if (const QWidget *parent = control->parentWidget();
        qobject_cast<const QComboBox *>(parent) || qobject_cast<const QAbstractSpinBox *>(parent))
        return false;
    if (qobject_cast<const QTabBar *>(control))
        return false;
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return button->isCheckable();
    if (const auto *line = qobject_cast<const QLineEdit *>(control))
        return !line->isReadOnly();
    if (const auto *memo = qobject_cast<const QPlainTextEdit *>(control))
        return !memo->isReadOnly();
    if (const auto *text = qobject_cast<const QTextEdit *>(control))
        return !text->isReadOnly();
    if (const auto *data = dynamic_cast<const TDBFieldControl *>(control))
        return !data->IsReadOnlySet();
    return true;
}

QWidget *PrimoControllo(const TForm *form, const std::function<bool(const QWidget *)> &filtro)
{
    auto *start = const_cast<TForm *>(form);
    for (QWidget *w = start->nextInFocusChain(); w && w != start; w = w->nextInFocusChain())
        if (Raggiungibile(form, w) && PrendeTastiera(w) && (!filtro || filtro(w)))
            return w;
    return nullptr;
}

void FuocoIniziale(TForm *form)
{
    QWidget *richiesto = form->ControlloRichiesto();
    Entra(Raggiungibile(form, richiesto) ? richiesto : PrimoControllo(form));
}

void ComandoSuRecord(QWidget *control, TDataSource *source, const std::function<void()> &command)
{
    // the command may close the window
    const QPointer<TForm> form(TForm::Of(control));
    const QPointer<TDataSource> sorgente(source);
    const QPointer<TDataSet> ds(source ? source->DataSet() : nullptr);
    if (!form || !ds) {
        command();
        return;
    }
    const quint64 nuovi = ds->InsertSerial();
    const int richieste = form->RichiesteFuoco();
    command();
    if (!form || !sorgente || !ds || sorgente->DataSet() != ds || ds->InsertSerial() == nuovi
        || ds->State() != dsInsert)
        return;
    QWidget *primo = form->RichiesteFuoco() != richieste && Raggiungibile(form, form->ControlloRichiesto())
                         ? form->ControlloRichiesto()
                         : nullptr;
    if (!primo)
        primo = PrimoControllo(
            form, [ds](const QWidget *w) { return DatiDi(w) == ds && !qobject_cast<const KDBGriglia *>(w); });
    if (!primo)
        primo = PrimoControllo(form, [ds](const QWidget *w) { return DatiDi(w) == ds; });
    Entra(primo ? primo : PrimoControllo(form));
}

bool DigitazioneAperta(const QWidget *focus)
{
    if (!focus)
        return false;
    if (const auto *edit = dynamic_cast<const TDBFieldControl *>(focus))
        return edit->DataLink().IsModified();
    if (const auto *grid = qobject_cast<const KDBGriglia *>(focus))
        return grid->IsCellEditing();
    // the editor of a grid cell
    return focus->parentWidget() && qobject_cast<const KDBGriglia *>(focus->parentWidget()->parentWidget());
}

} // namespace Fuoco
