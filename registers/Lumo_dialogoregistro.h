#pragma once
#include "host/ui/Forms.h"

#include <QPointer>

// A register dialog on its window class (TFDBChildPars, TFDBChildParsPage): while one of its
// jobs runs (inCorso_, held by a TLavoroInCorso) it refuses to close.
template <class Finestra> class TDialogoRegistro : public Finestra {
public:
    using Finestra::Finestra;

    void XFormCloseQuery(bool &canClose) override
    {
        Finestra::XFormCloseQuery(canClose);
        if (inCorso_)
            canClose = false;
    }

protected:
    bool inCorso_ = false;
};

// The dialog T of the registers on its window class Finestra, built from the layout Layout
// (uic's class): the layout set up in the window and kept for its life (ui), and the global
// reference of the open dialog cleared when it closes, so that the next menu choice builds a
// new one. T declares its destructor where Layout is known.
template <class T, class Finestra, class Layout> class TFinestraRegistro : public TDialogoRegistro<Finestra> {
public:
    TFinestraRegistro(QWidget *owner, QPointer<T> &riferimento)
        : TDialogoRegistro<Finestra>(owner), ui(new Layout), riferimento_(riferimento)
    {
        this->SetupLayout(*ui);
    }
    ~TFinestraRegistro() override { delete ui; }
    TFinestraRegistro(const TFinestraRegistro &) = delete;
    TFinestraRegistro &operator=(const TFinestraRegistro &) = delete;

    void FormClose(TCloseAction &action) override
    {
        Finestra::FormClose(action);
        if (riferimento_.data() == static_cast<T *>(this))
            riferimento_ = nullptr;
    }

protected:
    Layout *ui;

private:
    QPointer<T> &riferimento_;
};
