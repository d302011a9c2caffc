#pragma once
// The customer returns ("Movimenti Prima Nota Resi"), printed over the lines its dialog
// selected: one group per return, kept together on a page, a line per returned packaging code.
#include "host/report/TfKV8ReportB.h"

class Tfqarn0210s : public TfKV8ReportB {
    Q_OBJECT
public:
    explicit Tfqarn0210s(QObject *owner = nullptr);
};
