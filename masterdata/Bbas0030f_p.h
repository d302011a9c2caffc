#pragma once
// The price-list types window with the module's price type ("BBAS0030F"): the host's window
// with "Tipo Prezzo:" under the host's detail rows.
#include "host/business/Fbbas0030f.h"

#include <QPointer>

class TDBComboBox;

class TFBBas0030f_p : public TFBBas0030f {
    Q_OBJECT
public:
    explicit TFBBas0030f_p(QWidget *owner = nullptr);

    TDBComboBox *cbUT_LMQ_FlTipoPrz = nullptr;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
};

inline QPointer<TFBBas0030f_p> FBBas0030f_p;
