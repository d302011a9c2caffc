#pragma once
// What the register dialogs share.
#include <QObject>

// While it lives, the pending window messages processed by long loops (progress steps) carry
// no user input: no key, click or close request reaches any window, so a running job cannot
// be started again, its window closed or a work table emptied under it.
class TSenzaInputUtente : public QObject {
public:
    TSenzaInputUtente();
    ~TSenzaInputUtente() override;
    TSenzaInputUtente(const TSenzaInputUtente &) = delete;
    TSenzaInputUtente &operator=(const TSenzaInputUtente &) = delete;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
