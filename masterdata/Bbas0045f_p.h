#pragma once
// The supplier delivery-note causals window with the module's document data ("BBAS0045F"):
// the host's window and, after its pages, "DuSa"; the deposit controls are disabled while
// deposits are off in the parameter record.
#include "host/business/Fbbas0045f.h"

#include <QPointer>

class TFBbas0045f_p : public TFBbas0045f {
    Q_OBJECT
public:
    explicit TFBbas0045f_p(QWidget *owner = nullptr);

    QWidget *tsDuSa = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
};

inline QPointer<TFBbas0045f_p> FBbas0045f_p;
