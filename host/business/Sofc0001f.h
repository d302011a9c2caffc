#pragma once
// Customer quotes ("SOFC0001F"): the order frame on the quote tables. An order is made from
// a quote by the order window (TFSOrc0001f::CaricaDaOfferta).
#include "host/business/Sorc0001f.h"

#include <QPointer>

class TFSOfc0001f : public TFDocumentoOrdine {
    Q_OBJECT
public:
    explicit TFSOfc0001f(QWidget *owner = nullptr);

    static TTipoDocumento Tipo();

    // chiave 0 opens a new quote, else the stored one; false when it is not there.
    bool InitForm(qint64 chiave);

    void FormClose(TCloseAction &action) override;
};

inline QPointer<TFSOfc0001f> FSOfc0001f;
