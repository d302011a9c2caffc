#pragma once
// The tax-stamp progressives analysis (menu code "QARN0112D"): the stored stamp stock summed
// per stamp (or under the stamp code asked for) for a grouping and product type, shown on the
// results page and printed on request. Nothing is written to the company database.
#include "host/ui/Dbchildpars.h"
#include "registers/Lumo_dialogoregistro.h"

#include <QPointer>

class TXTable;

namespace Ui {
class Qarn0112d;
}

class TFqarn0112d : public TFinestraRegistro<TFqarn0112d, TFDBChildParsPage, Ui::Qarn0112d> {
    Q_OBJECT
public:
    explicit TFqarn0112d(QWidget *owner = nullptr);
    ~TFqarn0112d() override;

    // The stamp totals (LUMO_t_AnaConTot), its own local work table.
    TXTable *TTAnaConTot;

    void FormCreate() override;
    void btEseguiClick() override;
    void btStampaClick() override;
};

inline QPointer<TFqarn0112d> Fqarn0112d;
