#pragma once
// A register dialog on its window class (TFDBChildPars, TFDBChildParsPage): while one of its
// jobs runs (inCorso_, held by a TLavoroInCorso) it refuses to close.
template <class Finestra>
class TDialogoRegistro : public Finestra {
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
