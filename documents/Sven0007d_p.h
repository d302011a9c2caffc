#pragma once
// The module's invoice-generation window ("SVEN0007D"): the host's window, whose runs go
// through the module's generation data module (registered in the host's place). It opens on
// the run's messages.
#include "host/business/Sven0007d.h"

#include <QPointer>

class TFSVen0007d_p : public TFSVen0007d {
    Q_OBJECT
public:
    explicit TFSVen0007d_p(QWidget *owner = nullptr);

    void FormClose(TCloseAction &action) override;
};

inline QPointer<TFSVen0007d_p> FSVen0007d_p;
