#pragma once
// The host's modal dialog: the layout above, OK and Cancel below.
//
// OK runs btOkClick and then, unless the handler set a result itself, closes the dialog
// with mrOk; an error raised by the handler (a silent EAbort too) keeps the dialog open.
// Cancel runs btAnnullaClick and closes with mrCancel. Escape presses Cancel when it is
// shown and enabled, once a control holding typing has undone it; Enter presses the default
// button.
#include "host/ui/Forms.h"

#include <QPushButton>

class QHBoxLayout;

class TfdlgBase : public TForm {
    Q_OBJECT
public:
    explicit TfdlgBase(QWidget *owner = nullptr);

    QWidget *pBottoni = nullptr; // the button panel
    QPushButton *btOk = nullptr;
    QPushButton *btAnnulla = nullptr;

    virtual void btOkClick();
    virtual void btAnnullaClick();

    // Hides and disables the cancel button (a dialog that offers no cancel).
    void NascondiAnnulla();
    // A further button in the button panel, before OK.
    QPushButton *AggiungiBottone(const QString &caption, const QString &name);

    void FormKeyDown(int &key, TShiftState shift) override;

protected:
    QHBoxLayout *ButtonLayout() const { return buttons_; }
    void PressOk();
    void PressAnnulla();

private:
    QHBoxLayout *buttons_ = nullptr;
};
