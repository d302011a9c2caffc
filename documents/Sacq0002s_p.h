#pragma once
// The module's supplier delivery-note print (registered as "TFSacq0002s"): the host's print
// with the note's stored deposit summary (LUMO_CauzDocBollAcq) in the printed slots.
#include "host/business/Sacq0002s.h"

class TfSAcq0002s_p : public TfSAcq0002s {
    Q_OBJECT
public:
    explicit TfSAcq0002s_p(QObject *owner = nullptr);

    void qMainCalcFields(TDataSet *DataSet) override;
};
