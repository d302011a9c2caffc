#pragma once
// Where typing starts in a window: the control that takes the keyboard when the window opens
// and after a command that begins a new record; and whether a control holds typing its field
// has not taken yet.
#include <functional>

class QWidget;
class TDataSource;
class TForm;

namespace Fuoco {

// Whether a control takes the keyboard: enabled, reached with Tab, and a field that can be
// typed into, a check box, a list or a grid (not a button, a tab bar or a read-only field).
bool PrendeTastiera(const QWidget *control);
// The first control of the window in tab order, shown and taking the keyboard, that passes
// the filter (any, without one); nullptr when none.
QWidget *PrimoControllo(const TForm *form, const std::function<bool(const QWidget *)> &filtro = {});
// Typing starts in the window: on the control it asked for (SetActiveControl) while that can
// take the focus, else on its first control.
void FuocoIniziale(TForm *form);
// Runs a command of the user on the records of source (a navigator button, its key) in the
// window of control. When the command begins a new record there, typing starts afterwards on
// the control the window asked for meanwhile (SetActiveControl, a field's FocusControl), else
// on the record's first field, else on its grid, else on the window's first control.
void ComandoSuRecord(QWidget *control, TDataSource *source, const std::function<void()> &command);
// Whether the control with the focus holds typing its field has not taken yet (an edit typed
// into, a grid cell being edited): Escape there undoes the typing.
bool DigitazioneAperta(const QWidget *focus);

} // namespace Fuoco
