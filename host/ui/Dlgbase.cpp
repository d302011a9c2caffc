#include "host/ui/Dlgbase.h"

#include "host/ui/Fuoco.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>

TfdlgBase::TfdlgBase(QWidget *owner) : TForm(owner)
{
    pBottoni = new QWidget(this);
    pBottoni->setObjectName(QStringLiteral("pBottoni"));
    buttons_ = new QHBoxLayout(pBottoni);
    buttons_->setContentsMargins(8, 6, 8, 8);
    buttons_->addStretch(1);
    btOk = new QPushButton(QStringLiteral("&OK"), pBottoni);
    btOk->setObjectName(QStringLiteral("btOk"));
    btOk->setDefault(true);
    btAnnulla = new QPushButton(QStringLiteral("&Annulla"), pBottoni);
    btAnnulla->setObjectName(QStringLiteral("btAnnulla"));
    buttons_->addWidget(btOk);
    buttons_->addWidget(btAnnulla);
    static_cast<QVBoxLayout *>(layout())->addWidget(pBottoni);
    connect(btOk, &QPushButton::clicked, this, [this] { PressOk(); });
    connect(btAnnulla, &QPushButton::clicked, this, [this] { PressAnnulla(); });
}

void TfdlgBase::btOkClick() {}

void TfdlgBase::btAnnullaClick() {}

void TfdlgBase::PressOk()
{
    Guard([this] {
        btOkClick();
        if (ModalResult() == mrNone || !IsModal()) {
            if (IsModal())
                SetModalResult(mrOk);
            else
                Close();
        }
    });
}

void TfdlgBase::PressAnnulla()
{
    Guard([this] {
        btAnnullaClick();
        if (ModalResult() == mrNone || !IsModal()) {
            if (IsModal())
                SetModalResult(mrCancel);
            else
                Close();
        }
    });
}

void TfdlgBase::NascondiAnnulla()
{
    btAnnulla->setVisible(false);
    btAnnulla->setEnabled(false);
}

QPushButton *TfdlgBase::AggiungiBottone(const QString &caption, const QString &name)
{
    auto *button = new QPushButton(caption, pBottoni);
    button->setObjectName(name);
    buttons_->insertWidget(buttons_->indexOf(btOk), button);
    return button;
}

void TfdlgBase::FormKeyDown(int &key, TShiftState shift)
{
    TForm::FormKeyDown(key, shift);
    if (key == Qt::Key_Escape) {
        if (Fuoco::DigitazioneAperta(QApplication::focusWidget()))
            return; // the control undoes its typing first
        key = 0;
        if (!btAnnulla->isHidden() && btAnnulla->isEnabled())
            btAnnulla->click();
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && shift == 0) {
        QWidget *focus = QApplication::focusWidget();
        if (qobject_cast<QPlainTextEdit *>(focus) || qobject_cast<QTextEdit *>(focus))
            return;
        if (auto *pressed = qobject_cast<QPushButton *>(focus)) {
            key = 0;
            pressed->click();
            return;
        }
        for (QPushButton *b : findChildren<QPushButton *>())
            if (b->isDefault() && b->isEnabled() && b->isVisible()) {
                key = 0;
                b->click();
                return;
            }
    }
}
