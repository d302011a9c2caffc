#pragma once
// The module's delivery-note print dialog (menu code "SVEN0002D"): the host's range of
// notes and the kind of print (TPars_p, record "sven0002d_p": FlTipoReport 0 the standard
// print, any other value the EU wine accompanying document). btEseguiClick replaces the
// host's sequence.
#include "host/business/Sven0002d.h"

class QLabel;
class TDataSource;
class TDBComboBox;
class TXMemTable;

class TFSven0002d_p : public TFSven0002d {
    Q_OBJECT
public:
    explicit TFSven0002d_p(QWidget *owner = nullptr);

    TXMemTable *TPars_p;
    TDataSource *dsPars_p;
    QLabel *lblUT_FlTipoReport;
    TDBComboBox *cbUT_FlTipoReport;

    void FormCreate() override;
    void FormClose(TCloseAction &action) override;
    void btEseguiClick() override;
};

inline QPointer<TFSven0002d_p> FSven0002d_p;
